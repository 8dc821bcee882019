// Pictures for palette screens, reached through the screen-depth override: the depth rounding, the shared palette,
// the reduction of loaded bitmaps and the halftone stretching of true-colour strips.
#include <gtest/gtest.h>

#include <array>
#include <set>
#include <tuple>

#include "gif/gif_errors.h"
#include "platform/graphics/graphic.h"
#include "platform/graphics/jpeg.h"
#include "viewer/ht_bitmap.h"
#include "viewer/screen_dither.h"
#include "viewer/screen_palette.h"

namespace {

using namespace viewer;

class ScreenDither : public ::testing::Test {
 protected:
  void TearDown() override { pf::SetScreenBitsPerPixelOverride(0); }
  // A 24-bit picture: the top half in rows of the given colours, the bottom half of one colour.
  static std::unique_ptr<pf::TBitmap> Picture(const std::vector<pf::TColor>& rows, pf::TColor bottom, int w, int h) {
    auto b = std::make_unique<pf::TBitmap>(w, h, pf::pf24bit);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) b->SetPixel(x, y, y < h / 2 ? rows[static_cast<size_t>(y) % rows.size()] : bottom);
    return b;
  }
  // The indices in rows y0 to y1 - 1 of an 8-bit bitmap.
  static std::set<int> Indices(const pf::TBitmap& b, int y0, int y1) {
    std::set<int> found;
    for (int y = y0; y < y1; ++y) found.insert(b.ScanLine(y), b.ScanLine(y) + b.Width());
    return found;
  }
};

TEST_F(ScreenDither, DepthRoundingAndTheSharedPalette) {
  for (auto [bits, depth] : {std::pair{1, 4}, {4, 4}, {5, 8}, {8, 8}, {15, 24}, {16, 24}, {32, 24}}) {
    pf::SetScreenBitsPerPixelOverride(bits);
    EXPECT_EQ(ScreenColorDepth(), depth) << bits;
    EXPECT_EQ(static_cast<bool>(SharedPalette()), depth <= 8) << bits;
    EXPECT_EQ(static_cast<bool>(DuplicatePalette(pf::DefaultPalette())), depth <= 8) << bits;
  }
  const auto entries = CreateSharedPalette().Entries();
  const auto system = pf::SystemPalette().Entries();
  ASSERT_EQ(entries.size(), 256u);
  for (int i : {0, 9, 246, 255}) EXPECT_EQ(entries[i], system[i]) << i;
  // the cube (red fastest, no white), the greys without those of the cube, the near-white entry
  const std::pair<int, pf::TPaletteEntry> expected[] = {
      {10, {55, 55, 55, 0}},     {11, {115, 55, 55, 0}},    {16, {55, 115, 55, 0}},    {224, {235, 255, 255, 0}},
      {225, {135, 135, 135, 0}}, {231, {170, 170, 170, 0}}, {244, {245, 245, 245, 0}}, {245, {255, 255, 254, 0}}};
  for (auto [i, e] : expected) EXPECT_EQ(entries[i], e) << i;
}

TEST_F(ScreenDither, LoadedBitmapsOnPaletteScreens) {
  const auto shared = CreateSharedPalette().Entries();
  auto color = [&](int i) { return pf::RGB(shared[i].peRed, shared[i].peGreen, shared[i].peBlue); };
  auto picture = Picture({color(10), color(100), color(200)}, pf::RGB(90, 90, 90), 16, 8);
  pf::SetScreenBitsPerPixelOverride(8);
  auto reduced = ReduceBitmapColors(picture.get());
  ASSERT_NE(reduced, nullptr);
  EXPECT_EQ(reduced->PixelFormat(), pf::pf8bit);
  EXPECT_EQ(reduced->GetPalette().Entries(), shared);
  for (int y = 0; y < 4; ++y) EXPECT_EQ(Indices(*reduced, y, y + 1), std::set<int>{(std::array{10, 100, 200})[y % 3]});
  EXPECT_GE(Indices(*reduced, 4, 8).size(), 2u);  // Floyd-Steinberg mixes a colour between the palette's ...
  EXPECT_EQ(Indices(*ReduceColors(*picture, srSharedPalette, sdNearest), 4, 8).size(), 1u);  // ... nearest does not

  pf::SetScreenBitsPerPixelOverride(4);
  reduced = ReduceBitmapColors(picture.get());
  const auto defaults = pf::DefaultPalette().Entries();
  for (int i = 0; i < 20; ++i)
    EXPECT_EQ(reduced->ColorTable()[i], (pf::TRGBQuad{defaults[i].peBlue, defaults[i].peGreen, defaults[i].peRed, 0}));
  EXPECT_LT(*Indices(*reduced, 0, 8).rbegin(), 20);

  pf::TBitmap device(3, 2), empty;
  device.SetPixel(1, 1, pf::RGB(1, 2, 3));
  auto copy = ReduceBitmapColors(&device);
  EXPECT_EQ(copy->PixelFormat(), pf::pfDevice);
  EXPECT_EQ(copy->GetPixel(1, 1), pf::RGB(1, 2, 3));
  pf::TJPEGImage notABitmap;
  for (pf::TGraphic* refused : std::array<pf::TGraphic*, 3>{&empty, &notABitmap, nullptr})
    EXPECT_EQ(ReduceBitmapColors(refused), nullptr);
}

TEST_F(ScreenDither, ReductionModes) {
  struct Row {
    int mode, dither;
    bool converted;
  } rows[] = {{srNone, sdNearest, true},
              {srWebPalette, sdFloydSteinberg, true},
              {srOctreeWindows, sdNearest, true},
              {2, sdNearest, false},
              {6, sdNearest, false},
              {srWindows20, 2, false}};
  for (const Row& r : rows) {
    auto source = Picture({pf::RGB(255, 0, 0), pf::RGB(0, 128, 128)}, pf::RGB(120, 130, 10), 6, 4);
    source->SetPixelFormat(pf::pf32bit);
    auto result = ReduceColors(*source, r.mode, r.dither);
    EXPECT_EQ(result->PixelFormat(), r.mode == srNone ? pf::pf24bit : pf::pf8bit) << r.mode;
    EXPECT_EQ(source->PixelFormat(), r.mode == srNone ? pf::pf32bit : pf::pf24bit) << r.mode;
    ASSERT_EQ(result->Width(), 6);
    if (r.mode == srWebPalette) {
      EXPECT_EQ(result->ScanLine(0)[0], 180);  // red is in the web cube
    } else if (r.converted) {                  // a copy, or an octree of three colours: exact
      for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x) EXPECT_EQ(result->GetPixel(x, y), source->GetPixel(x, y)) << r.mode;
    } else {
      EXPECT_EQ(Indices(*result, 0, 4).size(), 1u) << r.mode;  // all as it was made
    }
  }
}

TEST_F(ScreenDither, TheWriterRaisesItsOwnErrors) {
  pf::TBitmap empty, bitmap(2, 2, pf::pf8bit);
  try {
    TDIBWriter(empty, pf::pf8bit).ScanLine(0);
    ADD_FAILURE();
  } catch (const gif::GIFException&) {
    ADD_FAILURE() << "the GIF library's class";
  } catch (const GIFException& e) {
    EXPECT_STREQ(e.what(), "Bitmap image is not valid");
  }
  EXPECT_THROW(TDIBWriter(bitmap, pf::pf32bit).ScanLine(0), GIFException);
  EXPECT_THROW(TDIBWriter(bitmap, pf::pf8bit).ScanLine(2), pf::EInvalidGraphicOperation);
  TDIBWriter writer(bitmap, pf::pf8bit);
  writer.ScanLine(0)[1] = 7;
  writer.Finish();
  EXPECT_EQ(bitmap.ScanLine(0)[1], 7);  // finishing hands the rows over
  EXPECT_THROW(writer.ScanLine(0), GIFException);
}

TEST_F(ScreenDither, TrueColourStripsStretchInHalftoneOnPaletteScreens) {
  for (auto [bits, format, mode] : {std::tuple{8, pf::pf24bit, pf::HALFTONE},
                                    {32, pf::pf24bit, pf::COLORONCOLOR},
                                    {8, pf::pf8bit, pf::COLORONCOLOR}}) {
    pf::SetScreenBitsPerPixelOverride(bits);
    ThtBitmap strip;
    strip.SetPixelFormat(format);
    strip.SetSize(2, 2);
    strip.SetPixel(0, 0, pf::RGB(0, 0, 255));
    pf::TBitmap target(4, 4);
    strip.StretchDraw(target.Canvas(), pf::Rect(0, 0, 4, 4), pf::Rect(0, 0, 2, 2));
    EXPECT_EQ(target.Canvas().GetStretchBltMode(), mode) << bits;
    if (mode != pf::HALFTONE) {  // which smooths
      EXPECT_EQ(target.GetPixel(1, 1), pf::RGB(0, 0, 255));
    }
  }
}

}  // namespace
