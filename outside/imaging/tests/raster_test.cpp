#include "raster.h"

#include <gtest/gtest.h>

using imaging::PixelLayout;
using imaging::Raster;

TEST(ImagingRaster, BitsPerPixelAndRowBytes)
{
    Raster r;
    r.width = 9;
    r.layout = PixelLayout::Bilevel;
    EXPECT_EQ(r.BitsPerPixel(), 1);
    EXPECT_EQ(r.RowBytes(), 2u);
    r.width = 8;
    EXPECT_EQ(r.RowBytes(), 1u);
    r.width = 1;
    EXPECT_EQ(r.RowBytes(), 1u);
    r.width = 2481;
    EXPECT_EQ(r.RowBytes(), 311u);
    r.layout = PixelLayout::Gray8;
    EXPECT_EQ(r.BitsPerPixel(), 8);
    EXPECT_EQ(r.RowBytes(), 2481u);
    r.layout = PixelLayout::Palette8;
    EXPECT_EQ(r.BitsPerPixel(), 8);
    EXPECT_EQ(r.RowBytes(), 2481u);
    r.layout = PixelLayout::Rgb24;
    EXPECT_EQ(r.BitsPerPixel(), 24);
    EXPECT_EQ(r.RowBytes(), 7443u);
    r.width = 0;
    EXPECT_EQ(r.RowBytes(), 0u);
    r.width = -5;
    EXPECT_EQ(r.RowBytes(), 0u);
}

TEST(ImagingRaster, BlankIsWhiteInEveryLayout)
{
    Raster b = Raster::Blank(9, 3, PixelLayout::Bilevel);
    EXPECT_EQ(b.width, 9);
    EXPECT_EQ(b.height, 3);
    EXPECT_EQ(b.pixels, std::vector<uint8_t>(6, 0));
    Raster g = Raster::Blank(5, 2, PixelLayout::Gray8);
    EXPECT_EQ(g.pixels, std::vector<uint8_t>(10, 255));
    Raster c = Raster::Blank(5, 2, PixelLayout::Rgb24);
    EXPECT_EQ(c.pixels, std::vector<uint8_t>(30, 255));
    Raster p = Raster::Blank(5, 2, PixelLayout::Palette8);
    EXPECT_EQ(p.pixels, std::vector<uint8_t>(10, 0));
    ASSERT_EQ(p.palette.size(), 1u);
    EXPECT_EQ(p.palette[0].r, 255);
    EXPECT_EQ(p.palette[0].g, 255);
    EXPECT_EQ(p.palette[0].b, 255);
    EXPECT_EQ(b.xDpi, 300.0);
    EXPECT_TRUE(Raster::Blank(0, 5, PixelLayout::Gray8).pixels.empty());
    EXPECT_TRUE(Raster::Blank(5, -1, PixelLayout::Gray8).pixels.empty());
}

TEST(ImagingRaster, BlackAndSetBlack)
{
    Raster b = Raster::Blank(10, 2, PixelLayout::Bilevel);
    b.SetBlack(0, 0, true);
    b.SetBlack(9, 1, true);
    EXPECT_EQ(b.pixels[0], 0x80);
    EXPECT_EQ(b.pixels[3], 0x40);
    EXPECT_TRUE(b.Black(0, 0));
    EXPECT_FALSE(b.Black(1, 0));
    b.SetBlack(0, 0, false);
    EXPECT_EQ(b.pixels[0], 0);
}
