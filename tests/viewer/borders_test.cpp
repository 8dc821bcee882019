// Borders, bevels and control frames by their pixels; the shared palette and the unit set-up.
#include <gtest/gtest.h>

#include "platform/graphics/bitmap.h"
#include "platform/graphics/graphic.h"
#include "viewer/borders.h"

namespace {

using namespace viewer;

TEST(ViewerShared, PaletteFlagAndCountedSetUp) {
  const std::pair<int, pf::TColor> flags[] = {{4, pf::PaletteColorFlag}, {8, pf::PaletteColorFlag}, {16, 0}, {32, 0}};
  for (auto [bits, flag] : flags) {
    pf::SetScreenBitsPerPixelOverride(bits);
    EXPECT_EQ(PaletteColorFlag(), flag) << bits;
  }
  pf::SetScreenBitsPerPixelOverride(0);
  // The second user keeps everything alive when the first one finishes.
  InitializeViewerShared();
  InitializeViewerShared();
  FinalizeViewerShared();
  ASSERT_TRUE(ImageWaitStream() && DefBitmap() && ErrorBitmap() && ErrorBitmapMask());
  EXPECT_TRUE(ErrorBitmapMask()->Monochrome());
  EXPECT_EQ(ErrorBitmapMask()->GetPixel(0, 0), pf::clWhite);  // transparent outside the picture
  EXPECT_EQ(ErrorBitmapMask()->GetPixel(5, 5), pf::clBlack);
  FinalizeViewerShared();
  EXPECT_EQ(ImageWaitStream(), nullptr);
}

class Drawing : public ::testing::Test {
 protected:
  pf::TBitmap bitmap{40, 40, pf::pf24bit};
  pf::TCanvas& canvas = bitmap.Canvas();
  pf::TColor At(int x, int y) { return bitmap.GetPixel(x, y); }
  // The pixels of row y from x0 to x1 (excluded) as a string: '#' in color, '.' white, '?' anything else.
  std::string Row(int y, int x0, int x1, pf::TColor color) {
    std::string s;
    for (int x = x0; x < x1; ++x) s += At(x, y) == color ? '#' : At(x, y) == pf::clWhite ? '.' : '?';
    return s;
  }
};

TEST_F(Drawing, SolidAndDoubleSides) {
  const TBorderColors red = MakeBorderColors(pf::clRed, pf::clRed, pf::clRed, pf::clRed);
  DrawBoxBorder(canvas, {0, 0, 20, 20}, {4, 4, 16, 16}, red, pf::clNone,
                MakeBorderStyles(bssSolid, bssSolid, bssSolid, bssSolid));
  EXPECT_EQ(Row(10, 0, 20, pf::clRed), "####............####");
  EXPECT_EQ(Row(0, 0, 20, pf::clRed), "####################");
  // Double: width 8 gives lines of 3 (8 div 3 + 1), width 7 lines of 2; the gap is filled with fill.
  DrawBoxBorder(canvas, {20, 0, 40, 20}, {28, 7, 40, 20}, red, pf::clLime,
                MakeBorderStyles(bssDouble, bssDouble, bssNone, bssNone));
  EXPECT_EQ(Row(12, 20, 30, pf::clRed), "###??###..");
  EXPECT_EQ(At(23, 12), pf::clLime);
  std::string top;
  for (int y = 0; y < 8; ++y) top += At(34, y) == pf::clRed ? '#' : At(34, y) == pf::clLime ? 'o' : '.';
  EXPECT_EQ(top, "##ooo##.");
}

TEST_F(Drawing, ThreeDStylesDimTheirSides) {
  const pf::TColor grey = 0xC8C8C8;
  EXPECT_EQ(DimColor(grey), 0x969696u);
  EXPECT_EQ(DimColor(pf::clBtnFace), DimColor(pf::ColorToRGB(pf::clBtnFace)));
  const TBorderColors colors = MakeBorderColors(grey, grey, grey, grey);
  DrawBoxBorder(canvas, {0, 0, 20, 20}, {2, 2, 18, 18}, colors, pf::clNone,
                MakeBorderStyles(bssInset, bssInset, bssInset, bssInset));
  EXPECT_EQ(At(0, 10), DimColor(grey));  // inset: top and left dark
  EXPECT_EQ(At(19, 10), grey);
  DrawBoxBorder(canvas, {20, 0, 40, 20}, {24, 4, 36, 16}, colors, pf::clNone,
                MakeBorderStyles(bssRidge, bssRidge, bssRidge, bssRidge));
  EXPECT_EQ(At(20, 10), grey);  // ridge: raised outside, sunken inside
  EXPECT_EQ(At(23, 10), DimColor(grey));
  EXPECT_EQ(At(39, 10), DimColor(grey));
  EXPECT_EQ(At(36, 10), grey);
}

TEST_F(Drawing, CoordinatesAreClamped) {
  DrawBoxBorder(canvas, {0, -10000, 10, 10}, {0, -10000, 10, 5}, MakeBorderColors(0, 0, 0, pf::clBlue), pf::clNone,
                MakeBorderStyles(bssNone, bssNone, bssNone, bssSolid));
  EXPECT_EQ(Row(7, 0, 10, pf::clBlue), "##########");
  DrawThinBevel(canvas, 20, -10000, 30, 10, true, pf::clLime, pf::clBlack);
  EXPECT_EQ(At(20, 0), pf::clLime);
  EXPECT_EQ(At(29, 5), pf::clBlack);
  EXPECT_EQ(At(25, 9), pf::clBlack);
}

TEST_F(Drawing, DashedSidesLeaveGaps) {
  DrawBoxBorder(canvas, {0, 0, 40, 10}, {0, 3, 40, 10}, MakeBorderColors(0, pf::clRed, 0, 0), pf::clNone,
                MakeBorderStyles(bssNone, bssDashed, bssNone, bssNone));
  const std::string row = Row(1, 0, 40, pf::clRed);
  EXPECT_NE(row.find('#'), std::string::npos) << row;
  EXPECT_NE(row.find('.'), std::string::npos) << row;
  EXPECT_EQ(Row(5, 0, 40, pf::clRed), std::string(40, '.'));
}

TEST_F(Drawing, BevelsAndControlFrames) {
  DrawBevel(canvas, {0, 0, 10, 10}, 2, false, pf::clLime, pf::clBlack);
  EXPECT_EQ(Row(5, 0, 10, pf::clBlack), "##......??");
  DrawControlFrame(canvas, 20, 0, 30, 10, pf::clRed, true, false, false);
  EXPECT_EQ(At(25, 5), pf::ColorToRGB(pf::clBtnFace));
  EXPECT_EQ(At(20, 5), pf::ColorToRGB(pf::clBtnShadow));
  EXPECT_EQ(At(29, 5), pf::clSilver);

  pf::TBitmap mono(10, 10, pf::pf1bit);
  DrawControlFrame(mono.Canvas(), 0, 0, 10, 10, pf::clWhite, true, true, false);
  EXPECT_EQ(mono.GetPixel(0, 5), pf::clBlack);
  EXPECT_EQ(mono.GetPixel(1, 5), pf::clWhite);  // one pixel, the face not greyed

  struct Page : IDocumentRoot {
    bool GetYOfCharPos(int32_t, int32_t&) override { return false; }
    void AddToPositionList(TSectionBase*) override {}
    void SetLinksActive() override {}
    pf::TColor BackgroundColor() const override { return pf::clWindow; }
    bool IsPrinting() const override { return false; }
    bool PrintMonoBlack() const override { return false; }
  } page;
  DrawBevelForDocument(page, canvas, {0, 20, 10, 30}, 1, true);
  EXPECT_EQ(At(0, 25), pf::clSilver);  // the light colour on a white page
  EXPECT_EQ(At(9, 25), pf::ColorToRGB(pf::clBtnShadow));
}

TEST_F(Drawing, ClipToRectKeepsTheClipBefore) {
  canvas.IntersectClipRect(0, 0, 30, 30);
  pf::HRGN before, clip;
  ClipToRect(canvas, {20, 20, 40, 40}, before, clip);
  FillRectWithColor(canvas, 0, 0, 40, 40, pf::clRed);
  EXPECT_EQ(At(25, 25), pf::clRed);
  EXPECT_EQ(At(35, 35), pf::clWhite);
  EXPECT_EQ(At(10, 10), pf::clWhite);
  canvas.SelectClipRgn(before);
  FillRectWithColor(canvas, 0, 0, 40, 40, pf::clBlue);
  EXPECT_EQ(At(10, 10), pf::clBlue);
  EXPECT_EQ(At(35, 35), pf::clWhite);
  EXPECT_EQ(canvas.Brush().Color(), pf::clWhite);  // the brush is as it was
}

}  // namespace
