// Fonts and text: the fixed-metric service's exact numbers, measuring and drawing rules, and the Qt service with
// the Liberation faces.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "platform/core/exceptions.h"

#include "platform/graphics/bitmap.h"
#include "platform/graphics/canvas.h"
#include "platform/graphics/fonts.h"
#include "tests/platform/graphics/graphics_test_helpers.h"

namespace pf {
namespace {

// Height, ascent, descent, internal and external leading, average and maximum character width.
std::vector<int32_t> Metrics(const TTextMetric& tm) {
  return {tm.tmHeight,          tm.tmAscent,       tm.tmDescent,     tm.tmInternalLeading,
          tm.tmExternalLeading, tm.tmAveCharWidth, tm.tmMaxCharWidth};
}

// Every pixel's colour, row by row.
std::vector<TColor> PixelsOf(const TBitmap& b) {
  std::vector<TColor> result;
  for (int32_t y = 0; y < b.Height(); ++y)
    for (int32_t x = 0; x < b.Width(); ++x) result.push_back(b.GetPixel(x, y));
  return result;
}

// Every printable Latin-1 character.
std::u16string Latin1Printable() {
  std::u16string s;
  for (char16_t c = 0x20; c < 0x100; ++c)
    if (c < 0x7F || c >= 0xA0) s += c;
  return s;
}

// A 16-pixel font on a white bitmap, measured and drawn by the fixed-metric service.
class FixedMetrics : public testing::Test {
 protected:
  FixedMetrics() { c.Font().SetHeight(-16); }
  WithService fixed{CreateFixedMetricFontService()};
  TBitmap b{40, 30, pf24bit};
  TCanvas& c = b.Canvas();
};

TEST_F(FixedMetrics, NumbersFollowTheDocumentedRules) {
  c.Font().SetName("Times New Roman");
  EXPECT_EQ(Metrics(c.GetTextMetrics()), (std::vector<int32_t>{20, 16, 4, 4, 2, 8, 12}));
  EXPECT_EQ(c.TextExtent("Hi l, ab"), (TSize{12 + 4 + 4 + 4 + 4 + 4 + 8 + 8, 20}));
  c.Font().SetStyle(fsBold);
  EXPECT_EQ(c.TextWidth("Ab"), 13 + 9);
  c.Font().SetHeight(20);  // a cell height of 20: em 16
  EXPECT_EQ(c.GetTextMetrics().tmHeight, 20);
  c.Font().SetSize(12);  // 12 points = 16 pixels
  EXPECT_EQ(c.Font().Height(), -16);
  EXPECT_EQ(c.TextExtentW(u"a\u0008\u0002").cx, 9);  // control characters measure 0
  c.Font().SetName("Courier New, Arial");
  c.Font().SetStyle(0);
  c.Font().SetHeight(-20);
  EXPECT_EQ(c.TextWidth("Mi. "), 4 * 12);
  EXPECT_EQ(c.GetTextMetrics().tmMaxCharWidth, 12);
  EXPECT_EQ(c.GetTextMetrics().tmPitchAndFamily & 1, 0);
}

TEST_F(FixedMetrics, TextOutPlacesTheCellAndPaintsAnOpaqueBackground) {
  c.Font().SetName("Arial");
  c.Font().SetColor(clBlack);
  c.Brush().SetStyle(bsClear);
  c.TextOut(3, 2, "Ab");
  // The glyph boxes start at the top of the cell plus the internal leading and end on the baseline.
  EXPECT_EQ(InkOf(b), Rect(3, 2 + 4, 3 + 12 + 8 - 1, 2 + 16));
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

TEST_F(FixedMetrics, TextRectClipsAndFillsItsRectangle) {
  c.Font().SetColor(clBlack);
  c.Brush().SetColor(clRed);
  c.TextRect(Rect(2, 2, 12, 10), 4, 0, "HH");
  EXPECT_EQ(InkOf(b), Rect(2, 2, 12, 10));
  EXPECT_EQ(b.GetPixel(2, 2), clRed);           // the rectangle in the background colour
  EXPECT_EQ(b.GetPixel(5, 9), clBlack);         // glyph from y 0 + 4 to 15, clipped at 10
  EXPECT_EQ(b.GetPixel(4, 3), clRed);           // above the glyph's top (4)
  EXPECT_EQ(c.ClipRect(), Rect(0, 0, 40, 30));  // the clip is back
}

TEST_F(FixedMetrics, ExtraJustificationAndFitAgreeBetweenMeasuringAndDrawing) {
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
  for (auto [name, face] : {std::pair{"Times New Roman", "Liberation Serif"},
                            {" arial ", "Liberation Sans"},
                            {"Helvetica", "Liberation Sans"},
                            {"COURIER NEW", "Liberation Mono"},
                            {"Verdana", "DejaVu Sans"},
                            {"Arial Unicode MS", ""}})
    EXPECT_EQ(FontAliasTarget(name), face);
  for (auto [points, pixels] : {std::pair{12, 16}, {10, 13}, {7, 9}}) EXPECT_EQ(PointsToPixels(points), pixels);
}

TEST(QtFonts, LiberationSerifAt16PixelsHasPinnedMetrics) {
  TBitmap b(10, 10, pf24bit);
  TCanvas& c = b.Canvas();
  c.Font().SetName("Times New Roman");
  c.Font().SetHeight(-16);
  EXPECT_EQ(Metrics(c.GetTextMetrics()), (std::vector<int32_t>{18, 14, 4, 2, 1, 6, 22}));  // em 16, as requested
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

TEST(QtFonts, TextIsDrawnInTheCellWithDecorations) {
  TBitmap b(60, 40, pf24bit);
  TCanvas& c = b.Canvas();
  c.Font().SetName("Times New Roman");
  c.Font().SetHeight(-16);
  c.Font().SetColor(clBlack);
  c.TextOut(10, 10, "H");
  // Cell top 10, internal leading 2, baseline 10 + 14: the capital's rows lie between the em top and the baseline.
  TRect ink = InkOf(b);
  EXPECT_EQ(ink, Rect(10, 13, ink.Right, 24));
  EXPECT_LE(ink.Right, 10 + c.TextWidth("H"));

  // Underline below the baseline across the whole piece, spaces included; hard pixels without antialiasing.
  TBitmap u(60, 40, pf24bit);
  TCanvas& uc = u.Canvas();
  uc.Font().SetName("Verdana, Arial, helvetica");
  uc.Font().SetSize(10);
  uc.Font().SetStyle(fsUnderline);
  uc.Font().SetQuality(fqNonAntialiased);
  uc.Font().SetColor(RGB(0, 0, 160));
  uc.TextOut(5, 5, "a  b");
  const int32_t line = InkOf(u).Bottom - 1;
  TTextMetric tm = uc.GetTextMetrics();
  EXPECT_GT(line, 5 + tm.tmAscent);
  EXPECT_LE(line, 5 + tm.tmHeight);
  for (int32_t x = 5; x < 5 + uc.TextWidth("a  b"); ++x) EXPECT_EQ(u.GetPixel(x, line), RGB(0, 0, 160)) << x;
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

// Descriptions that reach the same face file at the same size (another spelling or alias of the name, another
// character set, underline or strike-out) measure alike, yet each keeps its own name and flags; bold does not.
TEST(QtFonts, DescriptionsOfOneFaceMeasureAlikeAndKeepTheirOwnFlags) {
  TFontDesc plain;
  plain.Name = "Arial";
  plain.Height = -13;
  const auto base = FontService().Realize(plain);
  struct Case {
    std::string name;
    uint8_t charset;
    TFontStyles style;
  } cases[] = {
      {"arial", DEFAULT_CHARSET, 0},
      {"Helvetica", DEFAULT_CHARSET, 0},
      {"Arial", ANSI_CHARSET, 0},
      {"Arial", OEM_CHARSET, fsUnderline},
      {"ARIAL", DEFAULT_CHARSET, fsStrikeOut | fsUnderline},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name + " " + std::to_string(c.charset) + " " + std::to_string(c.style));
    TFontDesc desc = plain;
    desc.Name = c.name;
    desc.Charset = c.charset;
    desc.Style = c.style;
    const auto face = FontService().Realize(desc);
    EXPECT_EQ(face->FamilyName(), c.name);
    EXPECT_EQ(Metrics(face->Metrics()), Metrics(base->Metrics()));
    EXPECT_EQ(face->TextAdvances(Latin1Printable()), base->TextAdvances(Latin1Printable()));
    EXPECT_EQ(face->Metrics().tmUnderlined, (c.style & fsUnderline) ? 1 : 0);
    EXPECT_EQ(face->Metrics().tmStruckOut, (c.style & fsStrikeOut) ? 1 : 0);
    EXPECT_EQ(face->Metrics().tmCharSet, c.charset == DEFAULT_CHARSET ? uint8_t(ANSI_CHARSET) : c.charset);
  }
  TFontDesc bold = plain;
  bold.Style = fsBold;
  const auto boldFace = FontService().Realize(bold);
  EXPECT_EQ(boldFace->Metrics().tmWeight, 700);
  EXPECT_EQ(base->Metrics().tmWeight, 400);
  EXPECT_NE(boldFace->TextAdvances(u"mmmm"), base->TextAdvances(u"mmmm"));
  EXPECT_EQ(base->Metrics().tmUnderlined, 0);  // the decorated descriptions left the plain face as it was
}

// Random Latin-1 strings in every face, measured whole and in two pieces, with and without character extra and
// justification: the extents add up, the fit query agrees with them, and drawing the two pieces one after the other
// ends where the whole ends and paints the same pixels. The cell is the em asked for plus the internal leading, and
// no character is wider than the widest the metrics name.
TEST(QtFonts, RandomStringsMeasureAndDrawAdditively) {
  std::mt19937 random(20240611);
  auto below = [&](int n) { return int(random() % unsigned(n)); };
  const char* const faces[] = {"Times New Roman", "Arial", "Courier New", "Verdana"};
  const int32_t sizes[] = {9, 11, 13, 16, 20, 27};
  const std::u16string printable = Latin1Printable();
  for (int round = 0; round < 1000; ++round) {
    std::u16string s(size_t(below(40)), u' ');
    for (char16_t& ch : s) {
      int pick = below(20);
      ch = pick < 3 ? u' ' : pick == 3 ? u'\xA0' : pick == 4 ? u'\b' : printable[size_t(below(int(printable.size())))];
    }
    const size_t split = size_t(below(int(s.size()) + 1));
    const std::u16string prefix = s.substr(0, split), suffix = s.substr(split);
    const int32_t breaks = int32_t(std::count(s.begin(), s.end(), u' ') + std::count(s.begin(), s.end(), u'\xA0'));
    const int32_t extra = below(2) ? below(4) : 0;
    const int32_t justify = below(2) ? below(3 * breaks + 5) : 0;
    TFontDesc desc;
    desc.Name = faces[below(4)];
    desc.Height = -sizes[below(6)];
    desc.Style = TFontStyles(below(4));  // regular, bold, italic, bold italic
    SCOPED_TRACE(desc.Name + " " + std::to_string(desc.Height) + " style " + std::to_string(desc.Style) + " extra " +
                 std::to_string(extra) + " justify " + std::to_string(justify) + " round " + std::to_string(round));

    // Whole and in pieces, on two pages of the same size.
    const int32_t left = 20, baseline = 40;
    TBitmap whole(left + 40 + 40 * int32_t(s.size()) + 3 * justify, 60, pf24bit);
    TBitmap pieces(whole.Width(), whole.Height(), pf24bit);
    for (TBitmap* page : {&whole, &pieces}) {
      TCanvas& c = page->Canvas();
      c.Font().SetDesc(desc);
      c.Font().SetColor(clBlack);
      c.Brush().SetStyle(bsClear);
      c.SetTextAlign(TA_BASELINE);
      c.SetTextCharacterExtra(extra);
      c.SetTextJustification(justify, breaks);
    }
    TCanvas& w = whole.Canvas();
    TCanvas& p = pieces.Canvas();
    const TTextMetric tm = w.GetTextMetrics();
    EXPECT_EQ(tm.tmHeight, tm.tmAscent + tm.tmDescent);
    EXPECT_EQ(tm.tmHeight - tm.tmInternalLeading, -desc.Height);
    for (int32_t advance : FontService().Realize(desc)->TextAdvances(s)) EXPECT_LE(advance, tm.tmMaxCharWidth);
    const int32_t width = w.TextExtentW(s).cx;
    std::vector<int32_t> dx;
    int32_t fit = -1;
    EXPECT_EQ(w.GetTextExtentExPoint(s, -1, &fit, &dx).cx, width);
    ASSERT_EQ(dx.size(), s.size());
    const int32_t prefixWidth = p.TextExtentW(prefix).cx;
    if (split > 0) {
      EXPECT_EQ(dx[split - 1], prefixWidth);
    }
    w.GetTextExtentExPoint(s, prefixWidth, &fit, nullptr);  // the longest start within the prefix's extent
    EXPECT_GE(fit, int32_t(split));
    if (size_t(fit) < s.size()) {
      EXPECT_GT(dx[size_t(fit)], prefixWidth);
    }
    if (split > 0 && prefixWidth > 0) {
      w.GetTextExtentExPoint(s, prefixWidth - 1, &fit, nullptr);
      EXPECT_LT(fit, int32_t(split));
    }

    w.TextOutW(left, baseline, s);
    EXPECT_EQ(w.PenPos().X, left + width);
    p.TextOutW(left, baseline, prefix);  // uses up the prefix's share of the justification
    EXPECT_EQ(p.PenPos().X, left + prefixWidth);
    EXPECT_EQ(prefixWidth + p.TextExtentW(suffix).cx, width);
    p.TextOutW(left + prefixWidth, baseline, suffix);
    EXPECT_EQ(p.PenPos().X, left + width);
    ASSERT_EQ(PixelsOf(pieces), PixelsOf(whole));
  }
}

// The generated test fonts, registered once for the process.
void RegisterTestFonts() {
  static const bool registered = [] {
    EXPECT_EQ(RegisterFontFile(PEXU_TEST_FONTS_DIR "/HtMono.ttf"), std::vector<std::string>{"HtMono"});
    EXPECT_EQ(RegisterFontFile(PEXU_TEST_FONTS_DIR "/HtBox.ttf"), std::vector<std::string>{"HtBox"});
    return true;
  }();
  (void)registered;
}

TEST(TestFonts, EveryCharacterHasTheSameCellAtTwentyPixels) {
  // A face realised before the registration falls back, and is not kept once the family is there.
  TBitmap b(10, 10, pf24bit);
  TCanvas& c = b.Canvas();
  c.Font().SetName("HtBox");
  c.Font().SetHeight(-20);
  const bool known = FontService().HasFamily("HtBox");
  const int32_t before = c.TextWidth("abc");
  RegisterTestFonts();
  if (!known) {
    EXPECT_NE(before, 30);
  }
  EXPECT_TRUE(FontService().HasFamily("htbox"));
  EXPECT_THROW(RegisterFontFile(PEXU_TEST_FONTS_DIR "/missing.ttf"), EInvalidGraphic);
  EXPECT_THROW(RegisterFontFile(PEXU_SOURCE_DIR "/scripts/make-test-fonts.py"), EInvalidGraphic);

  const std::u16string all = Latin1Printable();
  for (const char* name : {"HtBox", "HtMono"}) {
    SCOPED_TRACE(name);
    c.Font().SetName(name);
    c.Font().SetSize(15);  // 20 pixels
    EXPECT_EQ(FontService().Realize(c.Font().Desc())->FamilyName(), name);
    EXPECT_EQ(Metrics(c.GetTextMetrics()), (std::vector<int32_t>{20, 16, 4, 0, 0, 10, 10}));
    EXPECT_EQ(c.TextExtent("abc"), (TSize{30, 20}));
    std::vector<int32_t> dx;
    EXPECT_EQ(c.GetTextExtentExPoint(all, -1, nullptr, &dx).cx, 10 * int32_t(all.size()));
    for (size_t i = 0; i < all.size(); ++i) EXPECT_EQ(dx[i], 10 * int32_t(i + 1)) << int(all[i]);
    int32_t fit = -1;
    EXPECT_EQ(c.GetTextExtentExPoint(u"abcd", 25, &fit, &dx).cx, 40);
    EXPECT_EQ(fit, 2);
    EXPECT_EQ(dx[fit - 1], 20);
    c.GetTextExtentExPoint(u"abcd", 9, &fit, nullptr);
    EXPECT_EQ(fit, 0);
  }
}

TEST(TestFonts, BoxGlyphsPaintKnownPixels) {
  RegisterTestFonts();
  struct Case {
    const char* text;  // Latin-1
    int32_t x, y;
    uint32_t align;
  };
  const Case cases[] = {
      {"abc", 0, 0, TA_TOP},
      {"abc", 3, 5, TA_TOP},
      {"a b\xA0"
       "c",
       1, 21, TA_BASELINE},
      {"x-\xAD", 0, 2, TA_TOP},  // the hyphen and the soft hyphen are boxes too
      {"\xC4\xD6\xDC\xDF", 10, 0, TA_TOP},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.text);
    const std::string text = k.text;
    TBitmap page(int32_t(text.size()) * 10 + 12, 28, pf24bit);
    TCanvas& c = page.Canvas();
    c.Font().SetName("HtBox");
    c.Font().SetHeight(-20);
    c.Font().SetColor(clBlack);
    c.Brush().SetStyle(bsClear);
    c.SetTextAlign(k.align);
    c.TextOut(k.x, k.y, text);
    TBitmap expected(page.Width(), page.Height(), pf24bit);
    expected.Canvas().Brush().SetColor(clBlack);
    const int32_t top = k.align == TA_BASELINE ? k.y - 16 : k.y;
    for (size_t i = 0; i < text.size(); ++i)
      if (text[i] != ' ' && text[i] != '\xA0')
        expected.Canvas().FillRect(Rect(k.x + int32_t(i) * 10 + 1, top, k.x + int32_t(i) * 10 + 9, top + 20));
    EXPECT_EQ(Picture(page), Picture(expected));
  }
}

// Each character has a shape of its own (not the fallback glyph), but for the two blanks.
TEST(TestFonts, EveryMonoGlyphLooksDifferent) {
  RegisterTestFonts();
  const std::u16string all = Latin1Printable();
  std::vector<std::vector<TColor>> cells;
  for (char16_t ch : all) {
    TBitmap cell(10, 20, pf24bit);
    cell.Canvas().Font().SetName("HtMono");
    cell.Canvas().Font().SetHeight(-20);
    cell.Canvas().Brush().SetStyle(bsClear);
    cell.Canvas().TextOutW(0, 0, std::u16string(1, ch));
    cells.push_back(PixelsOf(cell));
  }
  for (size_t i = 0; i < all.size(); ++i)
    for (size_t j = i + 1; j < all.size(); ++j)
      if (cells[i] == cells[j] && !(all[i] == u' ' && all[j] == u'\xA0'))
        ADD_FAILURE() << int(all[i]) << " draws as " << int(all[j]);
}

}  // namespace
}  // namespace pf
