#!/usr/bin/env python3
"""Writes the tool palette's button pictures: 32 x 32, 16 colours.

The files it writes are kept in the repository; run it again only to change
the pictures: python3 make_palette_bitmaps.py (in this folder).
"""
import math
import struct

SIZE = 32
# The 16 standard colours; a picture uses indices into this table.
COLOURS = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
    (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
    (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, DARKRED, GREY, SILVER, RED, BLUE, YELLOW, WHITE = 0, 1, 8, 7, 9, 12, 11, 15


class Picture:
    def __init__(self):
        self.pixels = [[SILVER] * SIZE for _ in range(SIZE)]

    def dot(self, x, y, c):
        if 0 <= x < SIZE and 0 <= y < SIZE:
            self.pixels[y][x] = c

    def line(self, x0, y0, x1, y1, c):
        steps = max(abs(x1 - x0), abs(y1 - y0), 1)
        for i in range(steps + 1):
            self.dot(round(x0 + (x1 - x0) * i / steps), round(y0 + (y1 - y0) * i / steps), c)

    def rect(self, x0, y0, x1, y1, c, fill=None):
        if fill is not None:
            for y in range(y0, y1 + 1):
                for x in range(x0, x1 + 1):
                    self.dot(x, y, fill)
        self.line(x0, y0, x1, y0, c)
        self.line(x1, y0, x1, y1, c)
        self.line(x1, y1, x0, y1, c)
        self.line(x0, y1, x0, y0, c)

    def ellipse(self, cx, cy, rx, ry, c):
        for i in range(360):
            a = math.radians(i)
            self.dot(round(cx + rx * math.cos(a)), round(cy + ry * math.sin(a)), c)

    def poly(self, points, c, closed):
        pairs = list(zip(points, points[1:] + (points[:1] if closed else [])))
        for (x0, y0), (x1, y1) in pairs:
            self.line(x0, y0, x1, y1, c)

    def text(self, x, y, rows, c):
        for dy, row in enumerate(rows):
            for dx, ch in enumerate(row):
                if ch == "#":
                    self.dot(x + dx, y + dy, c)


def pointer():
    p = Picture()
    arrow = [(9, 5), (9, 24), (14, 19), (18, 27), (21, 26), (17, 18), (23, 18)]
    p.poly(arrow, BLACK, True)
    for y in range(7, 19):
        for x in range(10, 10 + (y - 6) // 2 + 1):
            p.dot(x, y, WHITE)
    return p


def text_tool():
    p = Picture()
    p.text(8, 6, ["################", "################", "      ####      "] +
           ["      ####      "] * 16 + ["    ########    "], BLACK)
    return p


def rectangle():
    p = Picture()
    p.rect(5, 8, 26, 23, BLUE, fill=WHITE)
    return p


def ellipse():
    p = Picture()
    p.ellipse(15, 15, 11, 8, RED)
    return p


def polygon():
    p = Picture()
    p.poly([(6, 24), (10, 7), (24, 5), (26, 20), (15, 26)], DARKRED, True)
    return p


def polyline():
    p = Picture()
    p.poly([(4, 25), (10, 8), (17, 22), (22, 6), (27, 18)], BLUE, False)
    return p


def line_tool():
    p = Picture()
    p.line(5, 26, 26, 5, BLACK)
    p.line(6, 26, 26, 6, BLACK)
    return p


def freehand():
    p = Picture()
    points = [(4 + i, round(16 + 7 * math.sin(i / 3.5))) for i in range(24)]
    p.poly(points, RED, False)
    return p


def stamp():
    p = Picture()
    p.rect(6, 19, 25, 25, BLACK, fill=DARKRED)
    p.rect(13, 6, 18, 19, BLACK, fill=GREY)
    p.rect(9, 3, 22, 6, BLACK, fill=GREY)
    return p


def button():
    p = Picture()
    p.rect(4, 9, 27, 22, BLACK, fill=SILVER)
    p.line(5, 10, 26, 10, WHITE)
    p.line(5, 10, 5, 21, WHITE)
    p.line(5, 21, 26, 21, GREY)
    p.line(26, 10, 26, 21, GREY)
    return p


def image():
    p = Picture()
    p.rect(4, 6, 27, 25, BLACK, fill=WHITE)
    p.poly([(6, 23), (13, 13), (18, 19), (21, 16), (25, 23)], 2, True)
    p.ellipse(21, 10, 2, 2, YELLOW)
    return p


def ruler():
    p = Picture()
    p.rect(2, 11, 29, 20, BLACK, fill=YELLOW)
    for x in range(4, 29, 3):
        p.line(x, 12, x, 15 if (x - 4) % 6 else 17, BLACK)
    return p


PICTURES = {
    121: pointer, 123: text_tool, 130: rectangle, 125: ellipse, 126: polygon, 127: polyline,
    131: line_tool, 132: freehand, 128: stamp, 120: button, 124: image, 129: ruler,
}


def bmp(picture):
    row_bytes = SIZE // 2  # 4 bits a pixel, 16 bytes: already a multiple of 4
    pixels = bytearray()
    for y in reversed(range(SIZE)):
        row = picture.pixels[y]
        for x in range(0, SIZE, 2):
            pixels.append((row[x] << 4) | row[x + 1])
    table = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in COLOURS)
    info = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE, 1, 4, 0, row_bytes * SIZE, 2835, 2835,
                       16, 0)
    offset = 14 + len(info) + len(table)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return header + info + table + bytes(pixels)


if __name__ == "__main__":
    for number, draw in PICTURES.items():
        with open("tool_%d.bmp" % number, "wb") as out:
            out.write(bmp(draw()))
