// DrawText's lines, rectangles, prefixes, ellipsis and tabs, and rotated text, against the fixed-metric font service
// (16 pixels: cells 20 high, blanks and "il." 4 wide, capitals 12, other letters 8; average width 8).
#include <gtest/gtest.h>

#include <string>

#include "platform/graphics/bitmap.h"
#include "platform/graphics/canvas.h"
#include "tests/platform/graphics/graphics_test_helpers.h"

namespace pf {
namespace {

class TextLayout : public testing::Test {
 protected:
  TextLayout() {
    c.Font().SetHeight(-16);
    c.Font().SetColor(clBlack);
    c.Brush().SetStyle(bsClear);
  }
  WithService fixed{CreateFixedMetricFontService()};
  TBitmap b{80, 70, pf24bit};
  TCanvas& c = b.Canvas();
};

TEST_F(TextLayout, CalcRectMeasuresLinesWordsPrefixesEllipsisAndTabs) {
  struct Case {
    const char* text;
    uint32_t format;
    int32_t width;
    TRect expected;
    int32_t height;
  };
  const Case cases[] = {
      {"ab cd", 0, 100, {10, 5, 46, 25}, 20},
      {"ab cd ef", DT_WORDBREAK, 40, {10, 5, 46, 45}, 40},       // "ab cd" | "ef"
      {"abcdefgh ab", DT_WORDBREAK, 20, {10, 5, 74, 45}, 40},    // a wider word stays whole and widens
      {"a\r\nbb\ncc", 0, 100, {10, 5, 26, 65}, 60},              // CR LF and LF break
      {"a\r\nbb\ncc", DT_SINGLELINE, 100, {10, 5, 50, 25}, 20},  // breaks measure 0
      {"ab\r\n", 0, 100, {10, 5, 26, 25}, 20},                   // a last break starts no line
      {"&Datei", 0, 100, {10, 5, 50, 25}, 20},                   // D 12 + a t e 8 + i 4
      {"&Datei", DT_NOPREFIX, 100, {10, 5, 58, 25}, 20},
      {"A&&B", 0, 100, {10, 5, 42, 25}, 20},                   // "A&B"
      {"AB&", 0, 100, {10, 5, 34, 25}, 20},                    // a last "&" shows nothing
      {"abcdefgh", DT_END_ELLIPSIS, 40, {10, 5, 46, 25}, 20},  // "abc..."
      {"a\tb", DT_EXPANDTABS, 100, {10, 5, 82, 25}, 20},       // b at the stop 64
      {"a\tb", 0, 100, {10, 5, 26, 25}, 20},
      {"ab", DT_EXTERNALLEADING, 100, {10, 5, 26, 27}, 22},
      {"", DT_WORDBREAK, 100, {10, 5, 10, 5}, 0},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.text);
    TRect r{10, 5, 10 + k.width, 105};
    EXPECT_EQ(c.DrawText(k.text, r, k.format | DT_CALCRECT), k.height);
    EXPECT_EQ(r, k.expected);
  }
  EXPECT_EQ(InkOf(b), Rect(80, 70, 0, 0));  // measuring draws nothing

  TDrawTextParams params;
  params.iLeftMargin = 3;
  params.iRightMargin = 5;
  params.iTabLength = 2;
  TRect r{0, 0, 100, 50};
  c.DrawTextEx("a\tb", r, DT_CALCRECT | DT_EXPANDTABS, &params);
  EXPECT_EQ(r, Rect(0, 0, 3 + 16 + 8 + 5, 20));
  EXPECT_EQ(params.uiLengthDrawn, 3u);
}

TEST_F(TextLayout, LinesArePlacedClippedAndUnderlined) {
  struct Case {
    const char* text;
    uint32_t format;
    TRect ink;
    int32_t result;
  };
  const Case cases[] = {
      {"ab", DT_CENTER | DT_VCENTER | DT_SINGLELINE, {12, 9, 27, 21}, 25},  // cell at (12, 5)
      {"ab", DT_RIGHT | DT_BOTTOM | DT_SINGLELINE, {24, 14, 39, 26}, 30},   // cell at (24, 10)
      {"abcdefgh", 0, {0, 4, 39, 16}, 20},                                  // clipped to the rectangle
      {"abcdefgh", DT_NOCLIP, {0, 4, 63, 16}, 20},
      {"ab cd ef", DT_WORDBREAK, {0, 4, 35, 30}, 40},  // "ef" on the second line, cut at the bottom
      {"&ab", 0, {0, 4, 15, 18}, 20},                  // the underline of "a" one below the baseline
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.text);
    TBitmap page(80, 70, pf24bit);
    page.Canvas().Font().Assign(c.Font());
    page.Canvas().Brush().SetStyle(bsClear);
    TRect r{0, 0, 40, 30};
    EXPECT_EQ(page.Canvas().DrawText(k.text, r, k.format), k.result);
    EXPECT_EQ(InkOf(page), k.ink);
    if (std::string(k.text) == "&ab") {
      EXPECT_EQ(page.GetPixel(7, 17), clBlack);
      EXPECT_EQ(page.GetPixel(8, 17), clWhite);  // only "a" is underlined
    }
  }
  // Drawing keeps the alignment, the clip and the pen position.
  c.SetTextAlign(TA_BASELINE);
  c.MoveTo(1, 2);
  TRect r{0, 0, 40, 30};
  c.DrawText("ab", r, 0);
  EXPECT_EQ(c.GetTextAlign(), uint32_t(TA_BASELINE));
  EXPECT_EQ(c.PenPos(), Point(1, 2));
  EXPECT_EQ(c.ClipRect(), Rect(0, 0, 80, 70));
}

TEST_F(TextLayout, EscapementTurnsTextAboutItsReferencePoint) {
  struct Case {
    int32_t escapement;
    TRect ink;
    TPoint pen;
  };
  // "ab" unturned: glyph boxes 7 wide, x 0-6 and 8-14, y 4-15 of the cell.
  const Case cases[] = {
      {0, {30, 34, 45, 46}, {46, 30}},    {900, {34, 15, 46, 30}, {30, 14}},  // upwards, to the right of the point
      {1800, {15, 14, 30, 26}, {14, 30}},                                     // upside down, to the left
      {2700, {14, 30, 26, 45}, {30, 46}},                                     // downwards
      {3600, {30, 34, 45, 46}, {46, 30}},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.escapement);
    TBitmap page(60, 60, pf24bit);
    TCanvas& p = page.Canvas();
    p.Font().Assign(c.Font());
    p.Font().SetEscapement(k.escapement);
    p.Brush().SetStyle(bsClear);
    p.TextOut(30, 30, "ab");
    EXPECT_EQ(InkOf(page), k.ink);
    EXPECT_EQ(p.PenPos(), k.pen);
    EXPECT_EQ(p.TextExtent("ab"), (TSize{16, 20}));  // measuring is not turned
  }
}

}  // namespace
}  // namespace pf
