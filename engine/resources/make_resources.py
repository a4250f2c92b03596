#!/usr/bin/env python3
"""Writes the engine's cursor pictures and its stock palette.

The files it writes are kept in the repository; run it again only to change
the pictures: python3 make_resources.py (in this folder).
"""
import struct

SIZE = 32

# Each picture: a list of strings, '#' black, 'o' white, '.' transparent, on a
# 32 x 32 grid (shorter lines and missing rows are transparent).
ARROW = [
    "#", "##", "#o#", "#oo#", "#ooo#", "#oooo#", "#ooooo#", "#oooooo#",
    "#ooooooo#", "#oooooooo#", "#ooooo#####", "#oo#oo#", "#o# #oo#",
    "##  #oo#", "#    #oo#", "     #oo#", "      ##",
]


def cross(mark):
    """A crosshair with a small mark in the lower right that tells the tools apart."""
    rows = [[" "] * SIZE for _ in range(SIZE)]
    for i in range(0, 15):
        if i != 7:
            rows[i][7] = "#"
            rows[7][i] = "#"
    for y, line in enumerate(mark):
        for x, c in enumerate(line):
            rows[12 + y][12 + x] = c
    return ["".join(r) for r in rows]


def four_arrows():
    rows = [[" "] * SIZE for _ in range(SIZE)]
    c = 15
    for i in range(4, 27):
        rows[i][c] = "#"
        rows[c][i] = "#"
    for d in range(1, 4):
        for k in range(-d, d + 1):
            rows[4 + d][c + k] = "#"
            rows[26 - d][c + k] = "#"
            rows[c + k][4 + d] = "#"
            rows[c + k][26 - d] = "#"
    return ["".join(r) for r in rows]


MARKS = {
    "rect": ["#######", "#     #", "#     #", "#######"],
    "ellipse": ["  ###  ", " #   # ", " #   # ", "  ###  "],
    "polygon": ["   #   ", "  # #  ", " #   # ", "#######"],
    "polyline": ["#     #", " #   # ", "  # #  ", "   #   "],
    "line": ["#      ", " #     ", "  #    ", "   #   ", "    #  "],
    "freehand": ["  ##   ", " #  #  ", "#    # ", "      #"],
    "stamp": ["#####  ", "  #    ", "  #    ", "#####  "],
    "image": ["#######", "# #   #", "#  ## #", "#######"],
    "button": [" ##### ", "#ooooo#", "#ooooo#", " ##### "],
    "ruler": ["#######", "# # # #", "#######"],
}


def cursor_file(picture, hotspot):
    and_rows = []
    xor_rows = []
    for y in range(SIZE):
        line = picture[y] if y < len(picture) else ""
        a = 0
        x_ = 0
        for x in range(SIZE):
            c = line[x] if x < len(line) else " "
            bit = 1 << (31 - x)
            if c == "#":
                pass                  # and 0, xor 0: black
            elif c == "o":
                x_ |= bit             # and 0, xor 1: white
            else:
                a |= bit              # and 1, xor 0: transparent
        and_rows.append(struct.pack(">I", a))
        xor_rows.append(struct.pack(">I", x_))
    # DIB rows run bottom-up.
    xor = b"".join(reversed(xor_rows))
    and_ = b"".join(reversed(and_rows))
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 1, 0, len(xor) + len(and_), 0, 0, 2, 0)
    colours = struct.pack("<II", 0x000000, 0xFFFFFF)
    image = header + colours + xor + and_
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, hotspot[0], hotspot[1], len(image), 22)
    return struct.pack("<HHH", 0, 2, 1) + entry + image


def stock_palette():
    """A RIFF palette: 'RIFF', size, 'PAL ', 'data', size, version, count, entries."""
    entries = []
    # The 20 static colours first, then a 6 x 6 x 6 cube, then a grey ramp.
    static = [
        (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
        (0, 128, 128), (192, 192, 192), (192, 220, 192), (166, 202, 240),
        (255, 251, 240), (160, 160, 164), (128, 128, 128), (255, 0, 0), (0, 255, 0),
        (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
    ]
    entries.extend(static)
    for r in range(6):
        for g in range(6):
            for b in range(6):
                entries.append((r * 51, g * 51, b * 51))
    while len(entries) < 256:
        v = (len(entries) - 236) * 255 // 19
        entries.append((v, v, v))
    body = struct.pack("<HH", 0x0300, len(entries))
    body += b"".join(struct.pack("<BBBB", r, g, b, 0) for r, g, b in entries)
    data = b"data" + struct.pack("<I", len(body)) + body
    return b"RIFF" + struct.pack("<I", 4 + len(data)) + b"PAL " + data


def arrow_with(mark):
    rows = [list(r.ljust(SIZE)) for r in ARROW] + [[" "] * SIZE for _ in range(SIZE - len(ARROW))]
    for y, line in enumerate(mark):
        for x, c in enumerate(line):
            rows[20 + y][14 + x] = c
    return ["".join(r) for r in rows]


def overflow_arrow(direction):
    """A solid arrow 16 pixels long pointing down, right, up or left."""
    rows = [[" "] * SIZE for _ in range(SIZE)]
    for i in range(16):
        half = 8 - i // 2
        for k in range(-half, half + 1):
            if direction == "down":
                rows[8 + i][16 + k] = "#"
            elif direction == "up":
                rows[23 - i][16 + k] = "#"
            elif direction == "right":
                rows[16 + k][8 + i] = "#"
            else:
                rows[16 + k][23 - i] = "#"
    return ["".join(r) for r in rows]


# The cursor resources of the engine: number -> (picture, hot spot).
# Tool t has its cursors at 10000 + 1000 * (t - 4096): + 0 creating, + 1 selecting.
def cursors():
    crosshair = (7, 7)
    tip = (0, 0)
    return {
        11001: (arrow_with(["#######", "   #   ", "   #   "]), tip),  # text
        12001: (arrow_with(MARKS["rect"]), tip),
        13001: (arrow_with(MARKS["ellipse"]), tip),
        14001: (arrow_with(MARKS["polygon"]), tip),
        15001: (arrow_with(MARKS["polyline"]), tip),
        16001: (arrow_with(MARKS["line"]), tip),
        17000: (cross(MARKS["freehand"]), crosshair),
        17001: (arrow_with(MARKS["freehand"]), tip),
        18000: (cross(MARKS["stamp"]), crosshair),
        18001: (arrow_with(MARKS["stamp"]), tip),
        19001: (arrow_with(MARKS["image"]), tip),
        20000: (cross(MARKS["button"]), crosshair),
        20001: (arrow_with(MARKS["button"]), tip),
        21001: (arrow_with(MARKS["ruler"]), tip),
        114: (four_arrows(), (15, 15)),
        # Text that goes on past its box: the arrow of each orientation, with
        # the hot spot on the corner of the box it is drawn at.
        115: (overflow_arrow("down"), (31, 31)),
        116: (overflow_arrow("right"), (31, 0)),
        117: (overflow_arrow("up"), (0, 0)),
        118: (overflow_arrow("left"), (0, 31)),
    }


def main():
    for number, (picture, hotspot) in cursors().items():
        with open(f"cursor_{number}.cur", "wb") as f:
            f.write(cursor_file(picture, hotspot))
    with open("stockpal.pal", "wb") as f:
        f.write(stock_palette())


if __name__ == "__main__":
    main()
