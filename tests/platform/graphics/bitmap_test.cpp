// Bitmaps: byte layouts of every pixel format, sizes, colour tables and palettes, conversions; BMP files: round
// trips of every format, the variants other writers produce, and damaged files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/core/exceptions.h"
#include "platform/core/streams.h"
#include "platform/graphics/bitmap.h"
#include "platform/graphics/canvas.h"
#include "tests/platform/core/test_helpers.h"

namespace pf {
namespace {

using Bytes = std::vector<uint8_t>;

// The bytes that hold pixels, top row first; padding is not part of the picture.
Bytes Rows(const TBitmap& b) {
  Bytes bytes;
  for (int32_t y = 0; y < b.Height(); ++y)
    bytes.insert(bytes.end(), b.ScanLine(y), b.ScanLine(y) + (b.Width() * b.BitsPerPixel() + 7) / 8);
  return bytes;
}

Bytes Save(const TBitmap& b) {
  TMemoryStream s;
  b.SaveToStream(s);
  return Bytes(s.Memory(), s.Memory() + s.Size());
}

void Load(TBitmap& b, const Bytes& bytes) {
  TReadOnlyMemoryStream s(bytes.data(), int64_t(bytes.size()));
  b.LoadFromStream(s);
}

uint32_t Le32(const Bytes& d, size_t at) {
  return d[at] | d[at + 1] << 8 | d[at + 2] << 16 | uint32_t(d[at + 3]) << 24;
}

// Writes consecutive little-endian 32-bit values.
void Put32(Bytes& d, size_t at, std::initializer_list<uint32_t> values) {
  for (uint32_t v : values)
    for (int i = 0; i < 4; ++i) d[at++] = uint8_t(v >> (8 * i));
}

// A BMP file header and a 40-byte info header for the given picture; pixel data (and any table) follow.
Bytes Header(int32_t w, int32_t h, uint32_t bpp, uint32_t compression, uint32_t colours, size_t extra) {
  Bytes file(14 + 40 + extra);
  file[0] = 'B', file[1] = 'M';
  Put32(file, 10, {uint32_t(file.size()), 40, uint32_t(w), uint32_t(h), 1 | bpp << 16, compression});
  Put32(file, 46, {colours});
  return file;
}

// A bitmap whose pixels differ in every row and column (within the format's colours).
std::unique_ptr<TBitmap> Pattern(TPixelFormat format, int32_t w, int32_t h) {
  auto b = std::make_unique<TBitmap>(w, h, format);
  const TColor colors[] = {clBlack, clWhite, clRed, clBlue, clLime, clYellow, clFuchsia, clAqua};
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) b->SetPixel(x, y, colors[(x * 3 + y * 5) % (format == pf1bit ? 2 : 8)]);
  return b;
}

TEST(BitmapLayout, EveryFormatStoresPixelsAsWindowsDoes) {
  const TColor orange = RGB(0xFF, 0x00, 0x84);  // exact in 5-5-5 and 5-6-5
  // Row 0 of a white 3 x 2 bitmap, padding included, after pixel (1, 0) is set: to black in the palette formats
  // (1 bit: 101; VGA table: black 0, white 15; halftone table: black first, white last), else to orange.
  const std::pair<TPixelFormat, Bytes> cases[] = {
      {pf1bit, {0xA0, 0, 0, 0}},
      {pf4bit, {0xF0, 0xF0, 0, 0}},
      {pf8bit, {0xFF, 0, 0xFF, 0}},
      {pf15bit, {0xFF, 0x7F, 0x10, 0x7C, 0xFF, 0x7F, 0, 0}},
      {pf16bit, {0xFF, 0xFF, 0x10, 0xF8, 0xFF, 0xFF, 0, 0}},
      {pf24bit, {0xFF, 0xFF, 0xFF, 0x84, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0}},
      {pf32bit, {0xFF, 0xFF, 0xFF, 0xFF, 0x84, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
      {pfDevice, {0xFF, 0xFF, 0xFF, 0xFF, 0x84, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},  // the screen's 32 bits
  };
  for (const auto& [format, row] : cases) {
    SCOPED_TRACE(format);
    TBitmap b(3, 2, format);
    const TColor colour = format == pf1bit || format == pf4bit || format == pf8bit ? clBlack : orange;
    b.SetPixel(1, 0, colour);
    EXPECT_EQ(Bytes(b.ScanLine(0), b.ScanLine(0) + b.RowBytes()), row);
    EXPECT_EQ(b.GetPixel(1, 0), colour);
    EXPECT_EQ(b.GetPixel(0, 1), clWhite);
  }
}

TEST(BitmapLayout, RowsAreTopDownAndRangeChecked) {
  TBitmap b(2, 3, pf24bit);
  b.SetPixel(0, 2, clRed);
  EXPECT_EQ(b.ScanLine(2)[2], 0xFF);  // R of the bottom row's first pixel
  EXPECT_EQ(b.ScanLine(1) - b.ScanLine(0), b.RowBytes());
  EXPECT_THROW(b.ScanLine(-1), EInvalidGraphicOperation);
  EXPECT_EQ(test::MessageOf<EInvalidGraphicOperation>([&] { b.ScanLine(3); }), "Scan line index out of range");
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
  b.SetColorTable({{0, 0, 255, 0}, {0, 255, 0, 0}, {255, 0, 0, 0}});
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

TEST(BitmapMonochrome, WhiteBecomesOneAndTheAutomaticTransparentColourIsTheBottomLeftPixel) {
  TBitmap b(3, 2, pf24bit);
  b.SetPixel(0, 0, RGB(250, 250, 250));
  b.SetPixel(1, 0, clBlack);
  b.SetMonochrome(true);
  EXPECT_EQ(b.PixelFormat(), pf1bit);
  EXPECT_EQ(b.ScanLine(0)[0] & 0xE0, 0x20);                       // 0 0 1
  EXPECT_EQ(b.CreateMask(clBlack)->ScanLine(0)[0] & 0xE0, 0xC0);  // black pixels (0 and 1) marked transparent

  b.SetPixelFormat(pf24bit);
  b.SetPixel(0, 1, clFuchsia);
  EXPECT_EQ(b.TransparentMode(), tmAuto);
  EXPECT_EQ(b.TransparentColor(), clFuchsia);
  b.SetTransparentColor(clAqua);
  EXPECT_EQ(b.TransparentMode(), tmFixed);
  b.SetTransparentMode(tmAuto);
  EXPECT_EQ(b.TransparentColor(), clFuchsia);
}

TEST(BmpFile, EveryFormatRoundTrips) {
  for (TPixelFormat f : {pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit}) {
    SCOPED_TRACE(f);
    auto original = Pattern(f, 13, 7);
    Bytes file = Save(*original);
    EXPECT_EQ(Le32(file, 2), file.size());
    TBitmap loaded;
    Load(loaded, file);
    EXPECT_EQ(loaded.PixelFormat(), f);
    EXPECT_EQ(Rows(loaded), Rows(*original));
    EXPECT_EQ(loaded.ColorTable(), original->ColorTable());
    EXPECT_EQ(Save(loaded), file);  // size, header and padding too
  }
}

TEST(BmpFile, DeviceBitmapsSaveAs32BitsAndRowsAreStoredBottomUp) {
  TBitmap b(1, 2, pfDevice);
  b.SetPixel(0, 0, clRed);  // top row
  Bytes file = Save(b);
  EXPECT_EQ(file[28], 32);  // biBitCount
  size_t bits = Le32(file, 10);
  EXPECT_EQ(file[bits + 2], 0xFF);      // first stored row = bottom row = white
  EXPECT_EQ(file[bits + 4 + 2], 0xFF);  // second stored row = top row: R
  EXPECT_EQ(file[bits + 4 + 0], 0x00);  //                              B
}

TEST(BmpFile, TopDownFilesAndShortColourTablesLoad) {
  TBitmap b(5, 3, pf8bit);
  b.SetColorTable({{0, 0, 255, 0}, {255, 0, 0, 0}, {0, 255, 0, 0}});
  for (int32_t y = 0; y < 3; ++y)
    for (int32_t x = 0; x < 5; ++x) b.ScanLine(y)[x] = uint8_t((x + y) % 3);
  Bytes file = Save(b);
  EXPECT_EQ(Le32(file, 46), 3u);  // biClrUsed
  EXPECT_EQ(Le32(file, 10), 14u + 40 + 12);

  // The same picture stored top-down (negative height, rows in reverse order).
  Bytes topDown = file;
  Put32(topDown, 22, {uint32_t(-3)});
  size_t bits = Le32(file, 10);
  for (int i = 0; i < 3; ++i) std::memcpy(&topDown[bits + i * 8], &file[bits + (2 - i) * 8], 8);
  TBitmap loaded;
  Load(loaded, topDown);
  EXPECT_EQ(Rows(loaded), Rows(b));
  EXPECT_EQ(loaded.ColorTable().size(), 3u);
  EXPECT_EQ(loaded.GetPixel(0, 0), clRed);
  EXPECT_EQ(loaded.GetPixel(1, 0), clBlue);
}

TEST(BmpFile, RunLengthEncoded8BitLoadsAndDropsWhatPassesTheRowEnd) {
  struct Case {
    int32_t w;
    Bytes data, rows;  // the run-length data; the indexes loaded, top row first
  };
  const Case cases[] = {
      // Bottom row: a run of 3 x index 1, then absolute [2]; top row: absolute 4 pixels.
      {4, {3, 1, 1, 2, 0, 0, 0, 4, 0, 1, 1, 0, 0, 1}, {0, 1, 1, 0, 1, 1, 1, 2}},
      {2, {1, 1, 0, 1}, {0, 0, 1, 0}},  // the end of the picture after one pixel: the rest is index 0
      // Runs and a delta overshooting the row: the surplus is dropped, the next line starts at its left edge.
      {2, {255, 1, 0, 2, 200, 0, 0, 0, 3, 0, 0, 1}, {0, 0, 1, 1}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.data.size());
    Bytes file = Header(c.w, 2, 8, 1, 2, 8);
    std::fill_n(file.end() - 4, 3, uint8_t(255));  // colour table: black, white
    file.insert(file.end(), c.data.begin(), c.data.end());
    TBitmap b;
    Load(b, file);
    ASSERT_EQ(b.PixelFormat(), pf8bit);
    EXPECT_EQ(Rows(b), c.rows);
  }

  // Millions of full-length runs on one line: the column must neither overflow nor cost a step per dropped pixel.
  const int32_t side = 2400;
  Bytes big = Header(side, side, 8, 1, 0, 256 * 4);  // 256 colours, index 255 white
  std::fill_n(big.end() - 4, 3, uint8_t(255));
  big.insert(big.end(), size_t(side) * side * 3, 255);  // runs of 255 pixels of index 255
  TBitmap b;
  Load(b, big);
  EXPECT_EQ(b.GetPixel(side - 1, side - 1), clWhite);
  EXPECT_EQ(b.GetPixel(0, 0), clBlack);
}

TEST(BmpFile, ZeroWidthBitmapsSaveConvertAndLoad) {
  TBitmap loaded;
  Load(loaded, Save(TBitmap(0, 3, pf24bit)));
  EXPECT_EQ(loaded.Width(), 0);
  EXPECT_EQ(loaded.Height(), 3);
  loaded.SetPixelFormat(pf8bit);
  loaded.SetMonochrome(true);
  EXPECT_EQ(loaded.Height(), 3);
  loaded.SetSize(2, 3);
  EXPECT_EQ(loaded.GetPixel(1, 2), clWhite);
}

TEST(BmpFile, BitfieldMasksOfAnyWidthScaleToEightBits) {
  // 32 bits: red in a 27-bit field, green in 5 bits, blue absent.
  Bytes file = Header(2, 1, 32, 3, 0, 12);
  file.resize(file.size() + 8);
  Put32(file, 54, {0xFFFFFFE0, 0x1F, 0, /* pixels */ 0xFFFFFFE0, 0x10});
  TBitmap b;
  Load(b, file);
  EXPECT_EQ(b.GetPixel(0, 0), RGB(255, 0, 0));
  EXPECT_EQ(b.GetPixel(1, 0), RGB(0, 132, 0));
  // 16 bits, 4-4-4: a colour picture of 24 bits.
  file = Header(1, 1, 16, 3, 0, 12);
  Put32(file, 54, {0x0F00, 0x00F0, 0x000F});
  file.insert(file.end(), {0x5F, 0x0A, 0, 0});
  Load(b, file);
  EXPECT_EQ(b.PixelFormat(), pf24bit);
  EXPECT_EQ(b.GetPixel(0, 0), RGB(170, 85, 255));
}

TEST(BmpFile, DamagedFilesRaiseAndLeaveTheBitmapAlone) {
  const Bytes file = Save(*Pattern(pf24bit, 8, 8));
  std::vector<Bytes> damaged;
  for (size_t cut : {size_t(0), size_t(10), size_t(30), size_t(54), file.size() - 1})
    damaged.emplace_back(file.begin(), file.begin() + long(cut));
  // No "BM", 7 bits per pixel, an absurd width.
  for (auto [at, value] : {std::pair<size_t, uint32_t>{0, 'X'}, {28, 7}, {18, 0x7FFFFFFF}}) {
    damaged.push_back(file);
    Put32(damaged.back(), at, {value});
  }
  auto b = Pattern(pf4bit, 2, 2);
  const Bytes before = Rows(*b);
  for (const Bytes& bytes : damaged) {
    SCOPED_TRACE(bytes.size());
    EXPECT_EQ(test::MessageOf<EInvalidGraphic>([&] { Load(*b, bytes); }), "Bitmap image is not valid");
    EXPECT_EQ(b->Width(), 2);
    EXPECT_EQ(Rows(*b), before);
  }
}

}  // namespace
}  // namespace pf
