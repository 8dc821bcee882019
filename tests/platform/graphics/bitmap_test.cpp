// Bitmaps: byte layouts of every pixel format, sizes, colour tables and palettes, conversions, BMP files.
#include <gtest/gtest.h>

#include <vector>

#include "platform/core/exceptions.h"
#include "platform/core/streams.h"
#include "platform/graphics/bitmap.h"
#include "platform/graphics/canvas.h"

namespace pf {
namespace {

const TColor kOrange = RGB(0xFF, 0x00, 0x84);  // exact in 5-5-5 and 5-6-5

TEST(BitmapLayout, EveryFormatStoresPixelsAsWindowsDoes) {
  struct Case {
    TPixelFormat format;
    int stride3;                    // row bytes of a 3-pixel-wide bitmap
    std::vector<uint8_t> firstRow;  // bytes of row 0 after pixel (1, 0) is set to kOrange / index 1
  };
  const Case cases[] = {
      {pf1bit, 4, {0xA0, 0, 0, 0}},  // white bitmap, pixel 1 set to black (index 0): 101, padding 0
      {pf4bit, 4, {0xF0, 0xF0, 0, 0}},
      {pf8bit, 4, {0, 0, 0, 0}},
      {pf15bit, 8, {0xFF, 0x7F, 0x10, 0x7C, 0xFF, 0x7F, 0, 0}},
      {pf16bit, 8, {0xFF, 0xFF, 0x10, 0xF8, 0xFF, 0xFF, 0, 0}},
      {pf24bit, 12, {0xFF, 0xFF, 0xFF, 0x84, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0}},
      {pf32bit, 12, {0xFF, 0xFF, 0xFF, 0xFF, 0x84, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
      {pfDevice, 12, {0xFF, 0xFF, 0xFF, 0xFF, 0x84, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},  // the screen's 32 bits
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.format);
    TBitmap b(3, 2, c.format);
    ASSERT_EQ(b.RowBytes(), c.stride3);
    if (c.format == pf1bit) {
      b.SetPixel(1, 0, clBlack);
    } else if (c.format == pf4bit) {
      b.SetPixel(1, 0, clBlack);  // VGA table: black is index 0, white 15
    } else if (c.format == pf8bit) {
      b.SetPixel(1, 0, clBlack);
    } else {
      b.SetPixel(1, 0, kOrange);
    }
    const uint8_t* row = b.ScanLine(0);
    if (c.format == pf8bit) {
      // Halftone table: white is the last entry, black the first.
      EXPECT_EQ(row[0], 255);
      EXPECT_EQ(row[1], 0);
      EXPECT_EQ(b.ColorTable().size(), 256u);
      continue;
    }
    EXPECT_EQ(std::vector<uint8_t>(row, row + c.stride3), c.firstRow);
    EXPECT_EQ(b.GetPixel(1, 0), c.format == pf1bit || c.format == pf4bit ? clBlack : kOrange);
    EXPECT_EQ(b.GetPixel(0, 1), clWhite);
  }
}

TEST(BitmapLayout, RowsAreTopDownAndRangeChecked) {
  TBitmap b(2, 3, pf24bit);
  b.SetPixel(0, 2, clRed);
  EXPECT_EQ(b.ScanLine(2)[2], 0xFF);  // R of the bottom row's first pixel
  EXPECT_EQ(b.ScanLine(1) - b.ScanLine(0), b.RowBytes());
  EXPECT_THROW(b.ScanLine(3), EInvalidGraphicOperation);
  EXPECT_THROW(b.ScanLine(-1), EInvalidGraphicOperation);
  try {
    b.ScanLine(3);
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Scan line index out of range");
  }
}

TEST(BitmapSize, GrowingKeepsPixelsAndFillsWhiteOrTheBrush) {
  TBitmap b(2, 2, pf24bit);
  b.SetPixel(1, 1, clBlue);
  b.SetSize(4, 3);
  EXPECT_EQ(b.GetPixel(1, 1), clBlue);
  EXPECT_EQ(b.GetPixel(3, 2), clWhite);
  b.Canvas().Brush().SetColor(clLime);
  b.SetSize(5, 3);
  EXPECT_EQ(b.GetPixel(4, 0), clLime);
  EXPECT_EQ(b.GetPixel(3, 0), clWhite);
  b.SetSize(1, 1);
  EXPECT_EQ(b.Width(), 1);
  EXPECT_EQ(b.RowBytes(), 4);
  b.SetSize(-3, 2);
  EXPECT_TRUE(b.Empty());
  // A size beyond memory is refused before anything changes.
  b.SetSize(2, 2);
  EXPECT_THROW(b.SetSize(100000, 100000), EOutOfResources);
  EXPECT_EQ(b.Width(), 2);
  EXPECT_EQ(b.GetPixel(1, 1), clLime);  // the brush's colour from above
  // Rows whose byte count does not fit 32 bits are refused too, also when a conversion would make them.
  EXPECT_THROW(b.SetSize(1 << 30, 1), EOutOfResources);
  EXPECT_THROW(b.SetSize(1 << 29, 0), EOutOfResources);
  EXPECT_EQ(b.Width(), 2);
  TBitmap wide(1 << 29, 1, pf1bit);
  EXPECT_THROW(wide.SetPixelFormat(pfDevice), EOutOfResources);
  EXPECT_EQ(wide.PixelFormat(), pf1bit);
  EXPECT_EQ(wide.GetPixel((1 << 29) - 1, 0), clWhite);
}

TEST(BitmapPalette, TableAndHandleStayInStepWithIdentity) {
  TBitmap b(4, 1, pf8bit);
  HPALETTE first = b.GetPalette();
  ASSERT_TRUE(first);
  EXPECT_EQ(first, b.GetPalette());  // the same handle while nothing changes
  std::vector<TRGBQuad> table = {{0, 0, 255, 0}, {0, 255, 0, 0}, {255, 0, 0, 0}};
  b.SetColorTable(table);
  EXPECT_FALSE(b.GetPalette() == first);
  ASSERT_EQ(b.GetPalette().Entries().size(), 3u);
  EXPECT_EQ(b.GetPalette().Entries()[2].peBlue, 255);
  b.ScanLine(0)[0] = 2;
  EXPECT_EQ(b.GetPixel(0, 0), clBlue);

  TPaletteEntry entries[2] = {{10, 20, 30, 0}, {40, 50, 60, PC_NOCOLLAPSE}};
  HPALETTE p = CreatePalette(entries, 2);
  b.SetPalette(p);
  EXPECT_EQ(b.GetPalette(), p);
  ASSERT_EQ(b.ColorTable().size(), 2u);
  EXPECT_EQ(b.ColorTable()[1], (TRGBQuad{60, 50, 40, 0}));

  // A copy shares the handle; a new bitmap never does.
  TBitmap c;
  c.Assign(b);
  EXPECT_EQ(c.GetPalette(), p);
  EXPECT_FALSE(TBitmap(1, 1, pf8bit).GetPalette() == TBitmap(1, 1, pf8bit).GetPalette());
}

TEST(BitmapFormat, ConversionsKeepThePicture) {
  TBitmap b(3, 1, pf24bit);
  b.SetPixel(0, 0, clRed);
  b.SetPixel(1, 0, RGB(10, 10, 10));
  for (TPixelFormat f : {pf32bit, pf16bit, pf8bit, pf4bit, pfDevice}) {
    SCOPED_TRACE(f);
    TBitmap c;
    c.Assign(b);
    c.SetPixelFormat(f);
    EXPECT_EQ(c.PixelFormat(), f);
    EXPECT_EQ(c.GetPixel(0, 0), clRed);
    EXPECT_EQ(c.GetPixel(2, 0), clWhite);
  }
  // To one bit: nearest of black and white; back to colour through the table.
  b.SetPixelFormat(pf1bit);
  EXPECT_EQ(b.GetPixel(1, 0), clBlack);
  EXPECT_EQ(b.GetPixel(2, 0), clWhite);
  b.SetPixelFormat(pf8bit);  // the 2-entry table fits: indexes are kept
  EXPECT_EQ(b.ColorTable().size(), 2u);
  EXPECT_EQ(b.ScanLine(0)[2], 1);
}

TEST(BitmapMonochrome, WhiteBecomesOneEverythingElseZero) {
  TBitmap b(3, 1, pf24bit);
  b.SetPixel(0, 0, RGB(250, 250, 250));
  b.SetPixel(1, 0, clBlack);
  b.SetMonochrome(true);
  EXPECT_EQ(b.PixelFormat(), pf1bit);
  EXPECT_EQ(b.ScanLine(0)[0] & 0xE0, 0x20);  // 0 0 1
  auto mask = b.CreateMask(clBlack);
  EXPECT_EQ(mask->ScanLine(0)[0] & 0xE0, 0xC0);  // black pixels (0 and 1) marked transparent
}

TEST(BitmapTransparency, AutomaticColourIsTheBottomLeftPixel) {
  TBitmap b(2, 2, pf24bit);
  b.SetPixel(0, 1, clFuchsia);
  EXPECT_EQ(b.TransparentMode(), tmAuto);
  EXPECT_EQ(b.TransparentColor(), clFuchsia);
  b.SetTransparentColor(clAqua);
  EXPECT_EQ(b.TransparentMode(), tmFixed);
  EXPECT_EQ(b.TransparentColor(), clAqua);
  b.SetTransparentMode(tmAuto);
  EXPECT_EQ(b.TransparentColor(), clFuchsia);
}

}  // namespace
}  // namespace pf
