// The GDI+ stand-in: counted start and stop, pictures from files and data, alpha composed on white as libpng does,
// the small-picture enlargement, parts, clips and scales.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "platform/core/streams.h"
#include "platform/graphics/gdiplus.h"
#include "png_oracle.h"
#include "tests/platform/core/test_helpers.h"
#include "tests/platform/graphics/graphics_test_helpers.h"

namespace pf {
namespace {

class GdiPlus : public ::testing::Test {
 protected:
  void SetUp() override { LoadGdiPlus(); }
  void TearDown() override { UnloadGdiPlus(); }
};

std::string MessageOf(const std::function<void()>& f) { return test::MessageOf<EGDIPlus>(f); }

TEST(GdiPlusLibrary, StartAndStopAreCountedAndAFailedStartStillCounts) {
  struct Case {
    const char* script;  // L load, U unload, m make missing, a make available
    const char* active;  // GdiPlusActive after each L and U
  } cases[] = {{"LLUU", "1110"}, {"mLaLUUL", "00001"}};
  for (const Case& c : cases) {
    std::string seen;
    for (const char* op = c.script; *op; ++op) {
      if (*op == 'm' || *op == 'a') {
        SetGdiPlusAvailable(*op == 'a');
        continue;
      }
      *op == 'L' ? LoadGdiPlus() : UnloadGdiPlus();
      seen += GdiPlusActive() ? '1' : '0';
    }
    EXPECT_EQ(seen, c.active) << c.script;
    while (GdiPlusActive()) UnloadGdiPlus();
  }
  TMemoryStream empty;
  TBitmap bitmap(2, 2);
  EXPECT_EQ(MessageOf([] { TGpBitmap(2, 2); }), "Can't create bitmap");
  EXPECT_EQ(MessageOf([&] { TGpGraphics g(bitmap.Canvas()); }), "Can't Create Graphics");
  EXPECT_EQ(MessageOf([&] { TGpImage image(empty); }), "Can't load image from stream.");
}

// A picture whose pixels all differ: (x, y) -> opaque colour.
TColor Rgb(int x, int y) { return RGB(uint8_t(x * 20), uint8_t(y * 12), 0x40); }
uint32_t Argb(int x, int y) { return 0xFF000000u | uint32_t(x * 20) << 16 | uint32_t(y * 12) << 8 | 0x40; }

TEST_F(GdiPlus, SmallPicturesAreEnlargedByRepeatingPixelsOthersDrawnSmoothly) {
  struct Case {
    int iw, ih, w, h;
    bool blocks;  // every target pixel is the source pixel it falls on
  } cases[] = {{8, 8, 32, 32, true}, {8, 20, 32, 20, true}, {8, 8, 8, 8, true}, {11, 11, 44, 44, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.iw << "x" << c.ih << " into " << c.w << "x" << c.h);
    TGpBitmap image(c.iw, c.ih);
    for (int y = 0; y < c.ih; ++y)
      for (int x = 0; x < c.iw; ++x) image.SetPixel(x, y, Argb(x, y));
    TBitmap target(c.w, c.h);
    TGpGraphics(target.Canvas()).DrawImage(image, 0, 0, c.w, c.h);
    int same = 0;
    for (int y = 0; y < c.h; ++y)
      for (int x = 0; x < c.w; ++x) same += target.GetPixel(x, y) == Rgb(x * c.iw / c.w, y * c.ih / c.h);
    EXPECT_EQ(same == c.w * c.h, c.blocks) << same;
  }
}

// A one-pixel picture stretched far beyond the surface costs what the surface shows, not what the stretch covers: as a
// GDI+ picture on a bitmap, and as a bitmap on a surface that can only be painted (a window, a printer page).
TEST_F(GdiPlus, ATinyPictureStretchedFarBeyondTheSurfaceCostsOnlyWhatItShows) {
  constexpr int32_t kSide = 8000, kSurface = 64;
  constexpr int64_t kMaxBytes = 16 << 20;  // the stretch covers 256 MB of pixels
  TGpBitmap tiny(1, 1);
  tiny.SetPixel(0, 0, 0xFF0000FFu);
  TBitmap gpTarget(kSurface, kSurface);
  EXPECT_LT(LargestAllocation([&] { TGpGraphics(gpTarget.Canvas()).DrawImage(tiny, -100, -100, kSide, kSide); }),
            kMaxBytes);
  TBitmap pixel(1, 1, pf24bit);
  pixel.SetPixel(0, 0, clBlue);
  auto owned = std::make_unique<PaintOnlyTarget>(kSurface, kSurface);
  PaintOnlyTarget& paintOnly = *owned;
  TCanvas canvas(std::move(owned));
  EXPECT_LT(LargestAllocation([&] { canvas.StretchDraw(Bounds(-100, -100, kSide, kSide), pixel); }), kMaxBytes);
  TBitmap painted;
  paintOnly.CopyTo(painted);
  for (const TBitmap* seen : {&gpTarget, &painted}) EXPECT_EQ(InkOf(*seen), Rect(0, 0, kSurface, kSurface));
  EXPECT_EQ(std::make_pair(gpTarget.GetPixel(63, 63), painted.GetPixel(0, 0)), std::make_pair(clBlue, clBlue));
}

TEST_F(GdiPlus, PicturesFromFilesAndDataAreComposedOnWhiteAsLibpngComposesThem) {
  for (auto [type, depth] : {std::pair{6, 8}, std::pair{6, 16}, std::pair{4, 8}, std::pair{4, 16}}) {
    SCOPED_TRACE(testing::Message() << "type " << type << " depth " << depth);
    std::vector<uint8_t> file = test::WritePng({type, depth});
    test::RgbImage ref = test::DecodePng(file, test::Alpha::OnWhite);
    TReadOnlyMemoryStream stream(file.data(), int64_t(file.size()));
    auto bitmap = TGpImage(stream).GetBitmap();
    ASSERT_EQ(bitmap->Width(), ref.width);
    int worst = 0;
    for (int y = 0; y < ref.height; ++y)
      for (int x = 0; x < ref.width; ++x) {
        TColor c = bitmap->GetPixel(x, y);
        const uint8_t* p = &ref.rgb[size_t(y * ref.width + x) * 3];
        for (int k = 0; k < 3; ++k) worst = std::max(worst, std::abs(int(uint8_t(c >> (8 * k))) - int(p[k])));
      }
    EXPECT_LE(worst, 1);
  }
  for (bool deleteOnFree : {false, true}) {
    std::string path = test::TempFile("gp.png", test::WritePng({6, 8}));
    delete new TGpImage(path, deleteOnFree);
    EXPECT_EQ(std::filesystem::exists(path), !deleteOnFree);
  }
  std::string path = test::TempFile("gp.png", {'n', 'o', 'n', 'e'});
  EXPECT_EQ(MessageOf([&] { TGpImage image(path); }), "Can't load image file " + path + ".");
  std::filesystem::remove(path);
  EXPECT_EQ(MessageOf([&] { TGpImage image(path); }), "Image file " + path + " not found.");
}

TEST_F(GdiPlus, PixelsClearPartsClipsAndScales) {
  TGpBitmap image(4, 4);
  for (uint32_t argb : {0x80FF0000u, 0x01020304u, 0xFFFFFFFFu}) {
    image.SetPixel(1, 2, argb);
    EXPECT_EQ(image.GetPixel(1, 2), argb);
  }
  TGpGraphics::CreateFromImage(image)->Clear(0);
  EXPECT_EQ(image.GetPixel(1, 2), 0u);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) image.SetPixel(x, y, x < 2 ? 0xFFFF0000u : 0xFF0000FFu);  // left red, right blue
  TBitmap target(30, 30);
  target.Canvas().IntersectClipRect(0, 0, 25, 25);
  TGpGraphics g(target.Canvas());
  g.DrawImagePart(image, 10, 10, 2, 0, 2, 4);            // the blue half at (10, 10)
  g.DrawImageRectRect(image, 20, 20, 8, 8, 0, 0, 2, 2);  // red, stretched, clipped at 25
  g.ScaleTransform(2, 2);
  g.DrawImageAt(image, 0, 0);  // 8 x 8 at the top left
  struct Probe {
    int x, y;
    TColor expected;
  } probes[] = {{10, 10, clBlue},  {11, 13, clBlue}, {12, 10, clWhite}, {9, 10, clWhite}, {24, 24, clRed},
                {25, 25, clWhite}, {1, 1, clRed},    {6, 6, clBlue},    {8, 8, clWhite}};
  for (const Probe& p : probes) EXPECT_EQ(target.GetPixel(p.x, p.y), p.expected) << p.x << "," << p.y;
}

}  // namespace
}  // namespace pf
