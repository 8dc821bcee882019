// Colour lookups, dither engines and colour reduction.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>

#include "gif/dither.h"
#include "gif/gif_errors.h"
#include "gif/reduce.h"
#include "platform/graphics/canvas.h"

namespace {

using namespace gif;

// Dithers a width x height image of red, green, blue triples through an engine; returns the indices row by row.
std::vector<uint8_t> DitherImage(int mode, TColorLookup& lookup, int width, int height,
                                 const std::vector<uint8_t>& rgb) {
  auto engine = CreateDitherEngine(mode, width, lookup);
  std::vector<uint8_t> bgr(static_cast<size_t>(width) * 3);
  std::vector<uint8_t> out(static_cast<size_t>(width) * height, 0xEE);
  for (int y = 0; y < height; ++y) {
    for (size_t x = 0; x < static_cast<size_t>(width); ++x)
      for (size_t c = 0; c < 3; ++c) bgr[x * 3 + c] = rgb[(static_cast<size_t>(y) * width + x) * 3 + 2 - c];
    DitherRow(*engine, bgr.data(), 3, out.data() + static_cast<size_t>(y) * width);
  }
  return out;
}

// The published error-diffusion kernels over their divisors: row by row from the current one down, the weights of
// the columns 3 before to 3 ahead of the pixel in the scan direction. Mode 0, nearest colour, spreads nothing.
struct Kernel {
  int divisor;
  std::vector<std::array<int, 7>> rows;
};
const Kernel kKernels[] = {
    {1, {}},
    {16, {{0, 0, 0, 0, 7, 0, 0}, {0, 0, 3, 5, 1, 0, 0}}},                         // Floyd-Steinberg
    {42, {{0, 0, 0, 0, 8, 4, 0}, {0, 2, 4, 8, 4, 2, 0}, {0, 1, 2, 4, 2, 1, 0}}},  // Stucki
    {32, {{0, 0, 0, 0, 5, 3, 0}, {0, 2, 4, 5, 4, 2, 0}, {0, 0, 2, 3, 2, 0, 0}}},  // Sierra
    {48, {{0, 0, 0, 0, 7, 5, 0}, {0, 3, 5, 7, 5, 3, 0}, {0, 1, 3, 5, 3, 1, 0}}},  // Jarvis-Judice-Ninke
    // Stevenson-Arce
    {200, {{0, 0, 0, 0, 0, 32, 0}, {12, 0, 26, 0, 30, 0, 16}, {0, 12, 0, 26, 0, 12, 0}, {5, 0, 12, 0, 12, 0, 5}}},
    {32, {{0, 0, 0, 0, 8, 4, 0}, {0, 2, 4, 8, 4, 2, 0}}},  // Burkes
};

// Straight from the kernel: serpentine rows, one error sum per pixel and channel over the whole image, the sum
// rounded by (sum + divisor / 2) / divisor truncating, the value clamped, errors leaving the image dropped.
std::vector<uint8_t> ReferenceDither(const Kernel& k, TColorLookup& lookup, int w, int h,
                                     const std::vector<uint8_t>& rgb) {
  std::vector<int> error(rgb.size(), 0);
  std::vector<uint8_t> out(static_cast<size_t>(w) * h);
  for (int y = 0; y < h; ++y) {
    const int dir = y % 2 == 0 ? 1 : -1;
    for (int i = 0; i < w; ++i) {
      const int x = dir == 1 ? i : w - 1 - i;
      const size_t at = static_cast<size_t>(y) * w + x;
      int value[3];
      for (size_t c = 0; c < 3; ++c)
        value[c] = std::clamp(rgb[at * 3 + c] + (error[at * 3 + c] + k.divisor / 2) / k.divisor, 0, 255);
      uint8_t chosen[3];
      out[at] = lookup.Lookup(uint8_t(value[0]), uint8_t(value[1]), uint8_t(value[2]), chosen[0], chosen[1], chosen[2]);
      for (int down = 0; down < static_cast<int>(k.rows.size()); ++down)
        for (int column = 0; column < 7; ++column) {
          const int xx = x + (column - 3) * dir, yy = y + down;
          if (xx < 0 || xx >= w || yy >= h) continue;
          for (size_t c = 0; c < 3; ++c)
            error[(static_cast<size_t>(yy) * w + xx) * 3 + c] += k.rows[down][column] * (value[c] - chosen[c]);
        }
    }
  }
  return out;
}

TEST(ColorLookup, FormulasOfTheFixedPalettes) {
  TNetscapeColorLookup web;
  uint8_t r, g, b;
  EXPECT_EQ(web.Lookup(0, 0, 0, r, g, b), 0);
  EXPECT_EQ(web.Lookup(47, 0, 0, r, g, b), 0);
  EXPECT_EQ(web.Lookup(48, 0, 0, r, g, b), 36);
  EXPECT_EQ(r, 51);
  // the chart colours
  const std::pair<pf::TColor, int> chart[] = {{0xFFFFFF, 215}, {0x0000FF, 180}, {0x0000F0, 144}, {0x009FFF, 198},
                                              {0x00FF00, 30},  {0xA00000, 3},   {0xFF9999, 131}, {0xFFCC99, 137},
                                              {0x80FFFF, 212}, {0x80FF80, 104}, {0xD0FFD0, 178}};
  for (auto [c, index] : chart)
    EXPECT_EQ(web.Lookup(pf::GetRValue(c), pf::GetGValue(c), pf::GetBValue(c), r, g, b), index) << std::hex << c;
  TMonochromeLookup mono;
  EXPECT_EQ(mono.Lookup(0, 255, 0, r, g, b), 1);
  EXPECT_EQ(r, 255);
  EXPECT_EQ(mono.Lookup(0, 0, 255, r, g, b), 0);
  TGrayScaleLookup gray;
  EXPECT_EQ(gray.Lookup(100, 100, 100, r, g, b), 100);
  EXPECT_EQ(gray.Lookup(255, 0, 0, r, g, b), 76);
}

TEST(ColorLookup, FastLookupTakesTheFirstNearestAndCachesPerKey) {
  TFastColorLookup fast(std::vector<pf::TPaletteEntry>{{10, 10, 10, 0}, {10, 10, 10, 0}, {200, 0, 0, 0}});
  uint8_t r, g, b;
  EXPECT_EQ(fast.Lookup(12, 12, 12, r, g, b), 0);
  EXPECT_EQ(fast.Lookup(190, 5, 0, r, g, b), 2);
  EXPECT_EQ(r, 200);
  // colours that share a 15-bit key share the answer of the first entry stored under it, even an exact match
  TFastColorLookup keyed(std::vector<pf::TPaletteEntry>{{96, 96, 96, 0}, {103, 103, 103, 0}});
  EXPECT_EQ(keyed.Lookup(103, 103, 103, r, g, b), 0);
  EXPECT_EQ(r, 96);
}

TEST(DitherEngines, EveryEngineSpreadsItsPublishedKernel) {
  std::mt19937 rng(5);
  TNetscapeColorLookup web;
  TMonochromeLookup mono;
  for (auto [w, h] : {std::pair{23, 13}, std::pair{1, 9}, std::pair{2, 5}})
    for (TColorLookup* lookup : {static_cast<TColorLookup*>(&web), static_cast<TColorLookup*>(&mono)}) {
      std::vector<uint8_t> rgb(static_cast<size_t>(w) * h * 3);
      for (auto& v : rgb) v = static_cast<uint8_t>(rng());
      for (int mode = 0; mode <= 6; ++mode)
        EXPECT_EQ(DitherImage(mode, *lookup, w, h, rgb), ReferenceDither(kKernels[mode], *lookup, w, h, rgb))
            << "mode " << mode << ", " << w << " x " << h << ", " << lookup->Colors << " colours";
    }
  EXPECT_EQ(CreateDitherEngine(7, 4, web), nullptr);
  // By hand: 48 goes to level 1 (51), error -3, carried 7 * -3 = -21; (-21 + 8) / 16 truncates to 0, so the
  // second pixel stays at 48 and level 1 as well (rounding down would give level 0).
  EXPECT_EQ(DitherImage(DitherFloydSteinberg, web, 2, 1, std::vector<uint8_t>(6, 48)), (std::vector<uint8_t>{43, 43}));
}

void Fill(pf::TBitmap& bmp, int w, int h, const std::vector<pf::TColor>& colors) {
  bmp.SetPixelFormat(pf::pf24bit);
  bmp.SetSize(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) bmp.SetPixel(x, y, colors[static_cast<size_t>(y * w + x) % colors.size()]);
}

TEST(ReduceColors, WebPaletteResultAndSourceConversion) {
  pf::TBitmap source;
  source.SetSize(20, 10);  // device format, white
  source.Canvas().Brush().SetColor(pf::clRed);
  source.Canvas().FillRect(pf::Rect(2, 2, 5, 5));
  auto result = ReduceColors(source, ReduceWebPalette, DitherNearest, 8, nullptr);
  EXPECT_EQ(source.PixelFormat(), pf::pf24bit);
  ASSERT_EQ(result->PixelFormat(), pf::pf8bit);
  ASSERT_EQ(result->ColorTable().size(), 256u);
  EXPECT_EQ(result->ColorTable()[180], (pf::TRGBQuad{0, 0, 255, 0}));
  EXPECT_EQ(result->ColorTable()[43], (pf::TRGBQuad{51, 51, 51, 0}));
  EXPECT_EQ(result->ColorTable()[250], (pf::TRGBQuad{0, 0, 0, 0}));
  EXPECT_EQ(result->ScanLine(0)[0], 215);
  EXPECT_EQ(result->ScanLine(3)[3], 180);

  pf::TBitmap device;
  device.SetSize(4, 4);
  auto copy = ReduceColors(device, ReduceNone, DitherNearest, 8, nullptr);
  EXPECT_EQ(device.PixelFormat(), pf::pfDevice);
  EXPECT_EQ(copy->PixelFormat(), pf::pf24bit);
  EXPECT_EQ(copy->GetPixel(1, 1), pf::clWhite);
}

TEST(ReduceColors, FixedPalettesGiveTheirIndices) {
  pf::TBitmap bmp;
  Fill(bmp, 2, 1, {0x00FF00, 0xFF0000});
  auto mono = ReduceColors(bmp, ReduceMonochrome, DitherNearest, 8, nullptr);
  EXPECT_EQ(mono->ScanLine(0)[0], 1);
  EXPECT_EQ(mono->ScanLine(0)[1], 0);
  auto gray = ReduceColors(bmp, ReduceGray256, DitherNearest, 8, nullptr);
  EXPECT_EQ(gray->ScanLine(0)[0], (150 * 255) >> 8);
  auto grays = ReduceColors(bmp, ReduceWindowsGrays, DitherNearest, 8, nullptr);
  EXPECT_EQ(grays->ScanLine(0)[1], 0);  // pure blue is nearest to black (|0| + |0| + |255| against 128 * 3)
  pf::HPALETTE two = pf::CreatePalette(std::vector<pf::TPaletteEntry>{{0, 255, 0, 0}, {0, 0, 250, 0}}.data(), 2);
  auto own = ReduceColors(bmp, ReducePalette, DitherNearest, 8, two);
  EXPECT_EQ(own->ScanLine(0)[0], 0);
  EXPECT_EQ(own->ScanLine(0)[1], 1);
  auto none = ReduceColors(bmp, 10, DitherNearest, 8, nullptr);
  EXPECT_TRUE(none->Empty());
  auto badDither = ReduceColors(bmp, ReduceWebPalette, 7, 8, nullptr);
  EXPECT_TRUE(badDither->Empty());

  // a result for more than 500,000 pixels starts at 1 bit per pixel, which the empty results keep
  for (const int height : {500, 501}) {
    SCOPED_TRACE(height);
    pf::TBitmap big(1000, height, pf::pf24bit);
    const pf::TPixelFormat empty = height > 500 ? pf::pf1bit : pf::pfDevice;
    EXPECT_EQ(ReduceColors(big, 10, DitherNearest, 8, nullptr)->PixelFormat(), empty);
    EXPECT_EQ(ReduceColors(big, ReduceWebPalette, 7, 8, nullptr)->PixelFormat(), empty);
    auto reduced = ReduceColors(big, ReduceWebPalette, DitherNearest, 8, nullptr);
    EXPECT_EQ(reduced->PixelFormat(), pf::pf8bit);
    EXPECT_EQ(reduced->ScanLine(height - 1)[999], 215);
  }
}

TEST(ReduceColors, OctreeKeepsFewColoursExactlyAndHonoursTheBitCount) {
  const std::vector<pf::TColor> five = {0x102030, 0xFF0000, 0x00FF00, 0x0000FF, 0x808080};
  pf::TBitmap bmp;
  Fill(bmp, 10, 10, five);
  auto result = ReduceColors(bmp, ReduceOctree, DitherNearest, 8, nullptr);
  EXPECT_EQ(pf::GetPaletteEntries(result->GetPalette(), 0, 0, nullptr), 256);
  for (int x = 0; x < 5; ++x) {
    uint8_t index = result->ScanLine(0)[x];
    const auto& q = result->ColorTable()[index];
    EXPECT_EQ(pf::RGBQuadToColor(q), five[static_cast<size_t>(x)]);
  }
  pf::TBitmap photo;
  Fill(photo, 64, 64, [] {
    std::vector<pf::TColor> c;
    for (int i = 0; i < 4096; ++i)
      c.push_back(pf::RGB(static_cast<uint8_t>(i * 7), static_cast<uint8_t>(i * 13), static_cast<uint8_t>(i)));
    return c;
  }());
  pf::HPALETTE pal = BuildOctreePaletteFromBitmap(photo, 2, 8, false);
  EXPECT_EQ(pf::GetPaletteEntries(pal, 0, 0, nullptr), 2);
  pf::HPALETTE windows = BuildOctreePaletteFromBitmap(photo, 256, 8, true);
  std::vector<pf::TPaletteEntry> entries(256), system(20);
  pf::GetPaletteEntries(windows, 0, 256, entries.data());
  pf::GetPaletteEntries(pf::DefaultPalette(), 0, 20, system.data());
  EXPECT_EQ(entries[0], system[0]);
  EXPECT_EQ(entries[255], system[19]);
  // bit counts beyond 8 are clamped instead of asking for more colours than a GIF table holds
  auto clamped = ReduceColors(photo, ReduceOctree, DitherFloydSteinberg, 12, nullptr);
  EXPECT_EQ(clamped->PixelFormat(), pf::pf8bit);

  // a colour of more pixels than 32-bit sums of their components hold (over 16.8 million) keeps its average
  TColorQuantizer big(2, 8);
  const std::vector<uint8_t> light(65536 * 3, 250);
  for (int y = 0; y < 270; ++y) big.ProcessRow(light.data(), 65536);
  const auto table = big.ColorTable();
  ASSERT_EQ(table.size(), 1u);
  EXPECT_EQ(table[0], (pf::TPaletteEntry{250, 250, 250, 0}));
}

TEST(DIBWriter, RejectsFormatsAndSizesItCannotWrite) {
  pf::TBitmap target;
  EXPECT_THROW(TDIBWriter w(target, nullptr, 4, 4, pf::pf4bit), GIFException);
  EXPECT_THROW(TDIBWriter w(target, nullptr, 0, 4, pf::pf8bit), GIFException);
  TDIBWriter huge(target, nullptr, 65535, 65535, pf::pf24bit);
  try {
    huge.ScanLine(0);
    ADD_FAILURE() << "a 12 GB image was accepted";
  } catch (const pf::EOutOfMemory& e) {
    EXPECT_EQ(e.Message(), "Failed to allocate memory for GIF DIB");
  }
  {
    TDIBWriter writer(target, WebPalette(), 2, 3, pf::pf24bit);
    writer.ScanLine(1)[2] = 0x7F;
  }
  EXPECT_EQ(target.PixelFormat(), pf::pf24bit);
  EXPECT_EQ(target.Width(), 3);
  EXPECT_EQ(target.ScanLine(1)[2], 0x7F);
}

}  // namespace
