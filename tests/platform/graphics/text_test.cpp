// Fonts and text: the fixed-metric service's exact numbers, measuring and drawing rules, and the Qt service with
// the Liberation faces.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/graphics/bitmap.h"
#include "platform/graphics/canvas.h"
#include "platform/graphics/fonts.h"

namespace pf {
namespace {

// Installs a font service for the test's lifetime.
class WithService {
 public:
  explicit WithService(std::shared_ptr<IFontService> s) { SetFontService(std::move(s)); }
  ~WithService() { SetFontService(nullptr); }
};

// Rows and columns holding a pixel other than white, within the bitmap.
struct Ink {
  int32_t top = -1, bottom = -1, left = -1, right = -1;
};
Ink InkOf(const TBitmap& b) {
  Ink ink;
  for (int32_t y = 0; y < b.Height(); ++y)
    for (int32_t x = 0; x < b.Width(); ++x)
      if (b.GetPixel(x, y) != clWhite) {
        if (ink.top < 0) ink.top = y;
        ink.bottom = y;
        if (ink.left < 0 || x < ink.left) ink.left = x;
        if (x > ink.right) ink.right = x;
      }
  return ink;
}

TEST(FixedMetrics, NumbersFollowTheDocumentedRules) {
  WithService fixed(CreateFixedMetricFontService());
  TBitmap b(10, 10, pf24bit);
  TCanvas& c = b.Canvas();
  c.Font().SetName("Times New Roman");
  c.Font().SetHeight(-16);
  TTextMetric tm = c.GetTextMetrics();
  EXPECT_EQ(tm.tmInternalLeading, 4);
  EXPECT_EQ(tm.tmHeight, 20);
  EXPECT_EQ(tm.tmDescent, 4);
  EXPECT_EQ(tm.tmAscent, 16);
  EXPECT_EQ(tm.tmExternalLeading, 2);
  EXPECT_EQ(tm.tmAveCharWidth, 8);
  EXPECT_EQ(tm.tmMaxCharWidth, 12);
  EXPECT_EQ(c.TextExtent("Hi l, ab"), (TSize{12 + 4 + 4 + 4 + 4 + 4 + 8 + 8, 20}));
  c.Font().SetStyle(fsBold);
  EXPECT_EQ(c.TextWidth("Ab"), 13 + 9);
  c.Font().SetSize(12);  // 12 points = 16 pixels
  EXPECT_EQ(c.Font().Height(), -16);
  c.Font().SetHeight(20);  // a cell height of 20: em 16
  EXPECT_EQ(c.GetTextMetrics().tmHeight, 20);
  EXPECT_EQ(std::u16string(u"\u0008"), u"\b");
  EXPECT_EQ(c.TextExtentW(u"a\u0008\u0002").cx, 9);  // control characters measure 0
  c.Font().SetName("Courier New, Arial");
  c.Font().SetStyle(0);
  c.Font().SetHeight(-20);
  EXPECT_EQ(c.TextWidth("Mi. "), 4 * 12);
  EXPECT_EQ(c.GetTextMetrics().tmMaxCharWidth, 12);
  EXPECT_EQ(c.GetTextMetrics().tmPitchAndFamily & 1, 0);
}

TEST(FixedMetrics, TextOutPlacesTheCellAndPaintsAnOpaqueBackground) {
  WithService fixed(CreateFixedMetricFontService());
  TBitmap b(40, 30, pf24bit);
  TCanvas& c = b.Canvas();
  c.Font().SetName("Arial");
  c.Font().SetHeight(-16);
  c.Font().SetColor(clBlack);
  c.Brush().SetStyle(bsClear);
  c.TextOut(3, 2, "Ab");
  // The glyph boxes start at the top of the cell plus the internal leading and end on the baseline.
  Ink ink = InkOf(b);
  EXPECT_EQ(ink.top, 2 + 4);
  EXPECT_EQ(ink.bottom, 2 + 16 - 1);
  EXPECT_EQ(ink.left, 3);
  EXPECT_EQ(ink.right, 3 + 12 + 8 - 2);
  EXPECT_EQ(c.PenPos(), Point(3 + 20, 2));

  // Opaque: the whole cell in the background colour, glyphs on top. Baseline alignment moves the cell up.
  c.Brush().SetColor(clRed);
  c.SetTextAlign(TA_BASELINE);
  c.TextOut(20, 29, "i");
  EXPECT_EQ(b.GetPixel(20, 29 - 16), clRed);    // top row of the cell: background
  EXPECT_EQ(b.GetPixel(20, 29 - 12), clBlack);  // glyph top
  EXPECT_EQ(b.GetPixel(23, 29 + 3), clNone);    // below the bitmap: not painted, no crash
  EXPECT_EQ(b.GetPixel(23, 29), clRed);         // descent part of the cell
  EXPECT_EQ(b.GetPixel(24, 29), clWhite);       // right of the cell (advance 4)

  // Underline and strike-out run across the whole piece, blanks included.
  TBitmap d(40, 30, pf24bit);
  d.Canvas().Font().SetHeight(-16);
  d.Canvas().Font().SetStyle(fsUnderline | fsStrikeOut);
  d.Canvas().Font().SetColor(clBlack);
  d.Canvas().TextOut(0, 0, "a  ");
  for (int32_t x = 0; x < 8 + 4 + 4; ++x) {
    EXPECT_EQ(d.GetPixel(x, 16 + 1), clBlack) << x;  // baseline 16, underline one below
    EXPECT_EQ(d.GetPixel(x, 16 - 6), clBlack) << x;  // half the glyph height (12) above the baseline
  }
  EXPECT_EQ(d.GetPixel(16, 17), clWhite);
}

TEST(FixedMetrics, TextRectClipsAndFillsItsRectangle) {
  WithService fixed(CreateFixedMetricFontService());
  TBitmap b(30, 20, pf24bit);
  TCanvas& c = b.Canvas();
  c.Font().SetHeight(-16);
  c.Font().SetColor(clBlack);
  c.Brush().SetColor(clRed);
  c.TextRect(Rect(2, 2, 12, 10), 4, 0, "HH");
  Ink ink = InkOf(b);
  EXPECT_EQ(ink.left, 2);
  EXPECT_EQ(ink.top, 2);
  EXPECT_EQ(ink.right, 11);
  EXPECT_EQ(ink.bottom, 9);
  EXPECT_EQ(b.GetPixel(2, 2), clRed);           // the rectangle in the background colour
  EXPECT_EQ(b.GetPixel(5, 9), clBlack);         // glyph from y 0 + 4 to 15, clipped at 10
  EXPECT_EQ(b.GetPixel(4, 3), clRed);           // above the glyph's top (4)
  EXPECT_EQ(c.ClipRect(), Rect(0, 0, 30, 20));  // the clip is back
}

TEST(FixedMetrics, ExtraJustificationAndFitAgreeBetweenMeasuringAndDrawing) {
  WithService fixed(CreateFixedMetricFontService());
  TBitmap b(100, 20, pf24bit);
  TCanvas& c = b.Canvas();
  c.Font().SetHeight(-16);
  EXPECT_EQ(c.TextWidth("ab"), c.TextWidth("a") + c.TextWidth("b"));
  c.SetTextCharacterExtra(2);
  EXPECT_EQ(c.TextWidth("ab"), 8 + 2 + 8 + 2);
  c.SetTextCharacterExtra(0);

  // 7 extra pixels over 3 breaks: 3, 2, 2 (the first 7 mod 3 breaks get one more), carried across calls.
  c.SetTextJustification(7, 3);
  EXPECT_EQ(c.TextWidth("a b"), 8 + 4 + 3 + 8);  // measuring does not use up breaks
  c.Brush().SetStyle(bsClear);
  c.TextOut(0, 0, "a b");
  EXPECT_EQ(c.PenPos().X, 8 + 4 + 3 + 8);
  c.TextOut(0, 0, " ");
  EXPECT_EQ(c.PenPos().X, 4 + 2);
  EXPECT_EQ(c.TextWidth("  "), 4 + 2 + 4);  // the third break gets 2, a fourth nothing
  c.SetTextJustification(0, 0);
  EXPECT_EQ(c.TextWidth(" "), 4);

  int32_t fit = -1;
  std::vector<int32_t> dx;
  TSize all = c.GetTextExtentExPoint(u"abcd", 20, &fit, &dx);
  EXPECT_EQ(all.cx, 32);
  EXPECT_EQ(fit, 2);
  EXPECT_EQ(dx, (std::vector<int32_t>{8, 16, 24, 32}));
  c.GetTextExtentExPoint(u"abcd", 7, &fit, nullptr);
  EXPECT_EQ(fit, 0);
  c.GetTextExtentExPoint(u"abcd", 32, &fit, nullptr);
  EXPECT_EQ(fit, 4);
  // A surrogate pair: its advance on the high unit, nothing on the low one.
  c.GetTextExtentExPoint(u"a\U0001F600b", 100, &fit, &dx);
  EXPECT_EQ(dx, (std::vector<int32_t>{8, 16, 16, 24}));
}

TEST(FontAliases, WindowsNamesMapToMetricCompatibleFaces) {
  EXPECT_EQ(FontAliasTarget("Times New Roman"), "Liberation Serif");
  EXPECT_EQ(FontAliasTarget(" arial "), "Liberation Sans");
  EXPECT_EQ(FontAliasTarget("Helvetica"), "Liberation Sans");
  EXPECT_EQ(FontAliasTarget("COURIER NEW"), "Liberation Mono");
  EXPECT_EQ(FontAliasTarget("Verdana"), "DejaVu Sans");
  EXPECT_EQ(FontAliasTarget("Arial Unicode MS"), "");
  EXPECT_EQ(PointsToPixels(12), 16);
  EXPECT_EQ(PointsToPixels(10), 13);
  EXPECT_EQ(PointsToPixels(7), 9);
}

TEST(QtFonts, LiberationSerifAt16PixelsHasPinnedMetrics) {
  TBitmap b(10, 10, pf24bit);
  TCanvas& c = b.Canvas();
  c.Font().SetName("Times New Roman");
  c.Font().SetHeight(-16);
  TTextMetric tm = c.GetTextMetrics();
  EXPECT_EQ(tm.tmHeight, 18);
  EXPECT_EQ(tm.tmAscent, 14);
  EXPECT_EQ(tm.tmDescent, 4);
  EXPECT_EQ(tm.tmInternalLeading, 2);  // em size = 16, the requested height
  EXPECT_EQ(tm.tmExternalLeading, 1);
  EXPECT_EQ(tm.tmAveCharWidth, 6);
  EXPECT_EQ(tm.tmMaxCharWidth, 22);
  EXPECT_EQ(c.TextWidth("a"), 7);
  EXPECT_EQ(c.TextWidth("b"), 8);
  EXPECT_EQ(c.TextWidth("Hallo Welt"), 69);
  {
    WithService fixed(CreateFixedMetricFontService());  // the canvas's face follows a change of service
    EXPECT_EQ(c.TextWidth("ab"), 16);
  }
  EXPECT_EQ(c.TextWidth("ab"), 15);
  EXPECT_EQ(FontService().Realize(c.Font().Desc())->FamilyName(), "Times New Roman");
}

TEST(QtFonts, MeasuringIsAdditiveAndBoundedForEveryFaceAndSize) {
  TBitmap b(10, 10, pf24bit);
  TCanvas& c = b.Canvas();
  std::string latin1;
  for (int ch = 32; ch < 256; ++ch) latin1 += char(ch);
  for (const char* name : {"Times New Roman", "Arial", "Courier New", "Verdana"})
    for (int px : {11, 13, 16, 19, 24, 32}) {
      SCOPED_TRACE(std::string(name) + " " + std::to_string(px));
      c.Font().SetName(name);
      c.Font().SetHeight(-px);
      TTextMetric tm = c.GetTextMetrics();
      EXPECT_EQ(tm.tmHeight, tm.tmAscent + tm.tmDescent);
      EXPECT_EQ(tm.tmHeight - tm.tmInternalLeading, px);
      int32_t sum = 0;
      for (char ch : latin1) {
        int32_t w = c.TextWidth(std::string(1, ch));
        EXPECT_LE(w, tm.tmMaxCharWidth);
        sum += w;
      }
      EXPECT_EQ(c.TextWidth(latin1), sum);
      EXPECT_EQ(c.TextWidth("ab"), c.TextWidth("a") + c.TextWidth("b"));
      std::vector<int32_t> dx;
      int32_t fit = 0;
      std::u16string text = u"fit this text";
      int32_t limit = c.TextExtentW(u"fit this").cx;
      c.GetTextExtentExPoint(text, limit, &fit, &dx);
      EXPECT_EQ(fit, 8);
      EXPECT_EQ(dx[7], limit);
    }
}

TEST(QtFonts, TextIsDrawnInTheCellWithDecorations) {
  TBitmap b(60, 40, pf24bit);
  TCanvas& c = b.Canvas();
  c.Font().SetName("Times New Roman");
  c.Font().SetHeight(-16);
  c.Font().SetColor(clBlack);
  c.TextOut(10, 10, "H");
  // Cell top 10, internal leading 2, baseline 10 + 14: the capital's rows lie between the em top and the baseline.
  Ink ink = InkOf(b);
  EXPECT_EQ(ink.top, 13);
  EXPECT_EQ(ink.bottom, 23);
  EXPECT_EQ(ink.left, 10);
  EXPECT_LT(ink.right, 10 + c.TextWidth("H"));

  // Underline below the baseline across the whole piece, spaces included; hard pixels without antialiasing.
  TBitmap u(60, 40, pf24bit);
  TCanvas& uc = u.Canvas();
  uc.Font().SetName("Verdana, Arial, helvetica");
  uc.Font().SetSize(10);
  uc.Font().SetStyle(fsUnderline);
  uc.Font().SetQuality(fqNonAntialiased);
  uc.Font().SetColor(RGB(0, 0, 160));
  uc.TextOut(5, 5, "a  b");
  Ink line = InkOf(u);
  TTextMetric tm = uc.GetTextMetrics();
  EXPECT_GT(line.bottom, 5 + tm.tmAscent);
  EXPECT_LE(line.bottom, 5 + tm.tmHeight);
  int32_t width = uc.TextWidth("a  b");
  for (int32_t x = 5; x < 5 + width; ++x) EXPECT_EQ(u.GetPixel(x, line.bottom), RGB(0, 0, 160)) << x;
  for (int32_t y = 0; y < u.Height(); ++y)
    for (int32_t x = 0; x < u.Width(); ++x) {
      TColor p = u.GetPixel(x, y);
      ASSERT_TRUE(p == clWhite || p == RGB(0, 0, 160)) << x << "," << y;
    }
  EXPECT_EQ(FontService().Realize(uc.Font().Desc())->FamilyName(), "Verdana");
  EXPECT_TRUE(FontService().HasFamily("Courier New"));
  EXPECT_FALSE(FontService().HasFamily("No Such Face"));
  uc.Font().SetName("No Such Face");
  EXPECT_EQ(FontService().Realize(uc.Font().Desc())->FamilyName(), "Arial");
}

}  // namespace
}  // namespace pf
