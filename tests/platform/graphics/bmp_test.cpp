// BMP files: round trips of every format, the variants other writers produce, and damaged files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/core/exceptions.h"
#include "platform/core/streams.h"
#include "platform/graphics/bitmap.h"

namespace pf {
namespace {

// A bitmap whose pixels differ in every row and column (within the format's colours).
std::unique_ptr<TBitmap> Pattern(TPixelFormat format, int32_t w, int32_t h) {
  auto result = std::make_unique<TBitmap>(w, h, format);
  TBitmap& b = *result;
  const TColor colors[] = {clBlack, clWhite, clRed, clBlue, clLime, clYellow, clFuchsia, clAqua};
  int n = format == pf1bit ? 2 : 8;
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) b.SetPixel(x, y, colors[(x * 3 + y * 5) % n]);
  return result;
}

std::vector<uint8_t> Rows(const TBitmap& b) {
  std::vector<uint8_t> bytes;
  for (int32_t y = 0; y < b.Height(); ++y) {
    const uint8_t* row = b.ScanLine(y);
    // Only the bytes that hold pixels; padding is not part of the picture.
    bytes.insert(bytes.end(), row, row + (b.Width() * b.BitsPerPixel() + 7) / 8);
  }
  return bytes;
}

std::vector<uint8_t> Save(const TBitmap& b) {
  TMemoryStream s;
  b.SaveToStream(s);
  return std::vector<uint8_t>(s.Memory(), s.Memory() + s.Size());
}

void Load(TBitmap& b, const std::vector<uint8_t>& bytes) {
  TReadOnlyMemoryStream s(bytes.data(), int64_t(bytes.size()));
  b.LoadFromStream(s);
}

uint32_t Le32(const std::vector<uint8_t>& d, size_t at) {
  return d[at] | d[at + 1] << 8 | d[at + 2] << 16 | uint32_t(d[at + 3]) << 24;
}
void Put32(std::vector<uint8_t>& d, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) d[at + i] = uint8_t(v >> (8 * i));
}

TEST(BmpFile, EveryFormatRoundTrips) {
  for (TPixelFormat f : {pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit}) {
    SCOPED_TRACE(f);
    auto keep = Pattern(f, 13, 7);
    const TBitmap& original = *keep;
    std::vector<uint8_t> file = Save(original);
    EXPECT_EQ(file[0], 'B');
    EXPECT_EQ(Le32(file, 2), file.size());
    TBitmap loaded;
    Load(loaded, file);
    EXPECT_EQ(loaded.PixelFormat(), f);
    EXPECT_EQ(loaded.Width(), 13);
    EXPECT_EQ(loaded.Height(), 7);
    EXPECT_EQ(Rows(loaded), Rows(original));
    EXPECT_EQ(loaded.ColorTable(), original.ColorTable());
    EXPECT_EQ(Save(loaded), file);
  }
}

TEST(BmpFile, DeviceBitmapsSaveAs32BitsAndRowsAreStoredBottomUp) {
  TBitmap b(1, 2, pfDevice);
  b.SetPixel(0, 0, clRed);  // top row
  std::vector<uint8_t> file = Save(b);
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
  std::vector<uint8_t> file = Save(b);
  EXPECT_EQ(Le32(file, 46), 3u);  // biClrUsed
  EXPECT_EQ(Le32(file, 10), 14u + 40 + 12);

  // The same picture stored top-down (negative height, rows in reverse order).
  std::vector<uint8_t> topDown = file;
  Put32(topDown, 22, uint32_t(-3));
  size_t bits = Le32(file, 10);
  for (int i = 0; i < 3; ++i) std::memcpy(&topDown[bits + i * 8], &file[bits + (2 - i) * 8], 8);
  TBitmap loaded;
  Load(loaded, topDown);
  EXPECT_EQ(Rows(loaded), Rows(b));
  EXPECT_EQ(loaded.ColorTable().size(), 3u);
  EXPECT_EQ(loaded.GetPixel(0, 0), clRed);
  EXPECT_EQ(loaded.GetPixel(1, 0), clBlue);
}

TEST(BmpFile, RunLengthEncoded8BitLoads) {
  // 4 x 2, bottom row: run of 3 x index 1 then absolute [2]; top row: delta is not needed, absolute 4 pixels.
  std::vector<uint8_t> rle = {3, 1, 1, 2, 0, 0, 0, 4, 0, 1, 1, 0, 0, 1};
  std::vector<uint8_t> file(14 + 40 + 8);
  file[0] = 'B', file[1] = 'M';
  Put32(file, 10, uint32_t(file.size()));
  Put32(file, 14, 40);
  Put32(file, 18, 4);
  Put32(file, 22, 2);
  file[26] = 1, file[28] = 8;
  Put32(file, 30, 1);  // BI_RLE8
  Put32(file, 34, uint32_t(rle.size()));
  Put32(file, 46, 2);
  // colour table: black, white
  std::vector<uint8_t> colors = {0, 0, 0, 0, 255, 255, 255, 0};
  std::memcpy(&file[54], colors.data(), 8);
  file.insert(file.end(), rle.begin(), rle.end());
  Put32(file, 2, uint32_t(file.size()));
  TBitmap b;
  Load(b, file);
  ASSERT_EQ(b.PixelFormat(), pf8bit);
  EXPECT_EQ(std::vector<uint8_t>(b.ScanLine(1), b.ScanLine(1) + 4), (std::vector<uint8_t>{1, 1, 1, 2}));
  EXPECT_EQ(std::vector<uint8_t>(b.ScanLine(0), b.ScanLine(0) + 4), (std::vector<uint8_t>{0, 1, 1, 0}));
}

// A BMP file header and a 40-byte info header for the given picture; pixel data (and any table) follow.
std::vector<uint8_t> Header(int32_t w, int32_t h, int bpp, uint32_t compression, uint32_t colours, size_t extra) {
  std::vector<uint8_t> file(14 + 40 + extra);
  file[0] = 'B', file[1] = 'M';
  Put32(file, 10, uint32_t(file.size()));
  Put32(file, 14, 40);
  Put32(file, 18, uint32_t(w));
  Put32(file, 22, uint32_t(h));
  file[26] = 1, file[28] = uint8_t(bpp);
  Put32(file, 30, compression);
  Put32(file, 46, colours);
  return file;
}

TEST(BmpFile, RunsAndDeltasPastTheRowEndAreDroppedInLinearTime) {
  // A 2 x 2 picture whose runs overshoot the row: the surplus is dropped, the next line starts at its left edge.
  std::vector<uint8_t> file = Header(2, 2, 8, 1, 2, 8);
  file[54 + 4] = file[54 + 5] = file[54 + 6] = 255;  // colour table: black, white
  for (uint8_t v : {255, 1, 0, 2, 200, 0, 0, 0, 3, 0, 0, 1}) file.push_back(v);
  TBitmap b;
  Load(b, file);
  EXPECT_EQ(b.GetPixel(0, 1), clWhite);
  EXPECT_EQ(b.GetPixel(1, 1), clWhite);
  EXPECT_EQ(b.GetPixel(0, 0), clBlack);  // "3 x 0" after the line end

  // Millions of full-length runs on one line: the column must neither overflow nor cost a step per dropped pixel.
  const int32_t side = 2400;
  std::vector<uint8_t> big = Header(side, side, 8, 1, 0, 256 * 4);  // 256 colours, index 255 white
  std::fill_n(big.end() - 4, 3, uint8_t(255));
  big.insert(big.end(), size_t(side) * side * 3, 255);  // runs of 255 pixels of index 255
  Load(b, big);
  EXPECT_EQ(b.GetPixel(side - 1, side - 1), clWhite);
  EXPECT_EQ(b.GetPixel(0, 0), clBlack);
}

TEST(BmpFile, ZeroWidthBitmapsSaveConvertAndLoad) {
  TBitmap b(0, 3, pf24bit);
  std::vector<uint8_t> file = Save(b);
  TBitmap loaded;
  Load(loaded, file);
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
  std::vector<uint8_t> file = Header(2, 1, 32, 3, 0, 12);
  Put32(file, 54, 0xFFFFFFE0);
  Put32(file, 58, 0x1F);
  Put32(file, 62, 0);
  file.resize(file.size() + 8);
  Put32(file, 66, 0xFFFFFFE0);
  Put32(file, 70, 0x10);
  TBitmap b;
  Load(b, file);
  EXPECT_EQ(b.GetPixel(0, 0), RGB(255, 0, 0));
  EXPECT_EQ(b.GetPixel(1, 0), RGB(0, 132, 0));
  // 16 bits, 4-4-4: a colour picture of 24 bits.
  file = Header(1, 1, 16, 3, 0, 12);
  Put32(file, 54, 0x0F00);
  Put32(file, 58, 0x00F0);
  Put32(file, 62, 0x000F);
  for (uint8_t v : {0x5F, 0x0A, 0, 0}) file.push_back(v);
  Load(b, file);
  EXPECT_EQ(b.PixelFormat(), pf24bit);
  EXPECT_EQ(b.GetPixel(0, 0), RGB(170, 85, 255));
}

TEST(BmpFile, DamagedFilesRaiseAndLeaveTheBitmapAlone) {
  std::vector<uint8_t> file = Save(*Pattern(pf24bit, 8, 8));
  auto keep = Pattern(pf4bit, 2, 2);
  TBitmap& b = *keep;
  std::vector<uint8_t> before = Rows(b);
  auto expectInvalid = [&](const std::vector<uint8_t>& bytes) {
    try {
      Load(b, bytes);
      ADD_FAILURE() << "no exception";
    } catch (const EInvalidGraphic& e) {
      EXPECT_EQ(e.Message(), "Bitmap image is not valid");
    }
    EXPECT_EQ(b.Width(), 2);
    EXPECT_EQ(Rows(b), before);
  };
  for (size_t cut : {size_t(0), size_t(10), size_t(30), size_t(54), file.size() - 1})
    expectInvalid(std::vector<uint8_t>(file.begin(), file.begin() + long(cut)));
  std::vector<uint8_t> bad = file;
  bad[0] = 'X';
  expectInvalid(bad);
  bad = file;
  bad[28] = 7;  // 7 bits per pixel
  expectInvalid(bad);
  bad = file;
  Put32(bad, 18, 0x7FFFFFFF);  // absurd width
  expectInvalid(bad);
}

}  // namespace
}  // namespace pf
