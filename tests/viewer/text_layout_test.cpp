// Text sections laid out, painted and asked about points and positions, on sections the builder makes from small
// pages, in the box test font (every character 10 pixels wide, 20 high, ascent 16) on an offscreen bitmap.
#include <gtest/gtest.h>

#include <cstdio>

#include "platform/graphics/bitmap.h"
#include "platform/graphics/fonts.h"
#include "platform/ui/messages.h"
#include "tests/viewer/viewer_test_support.h"
#include "viewer/blocks.h"
#include "viewer/borders.h"
#include "viewer/html_parser.h"
#include "viewer/panels.h"
#include "viewer/section_list.h"
#include "viewer/table_structure.h"
#include "viewer/text_sections.h"

namespace {

using namespace viewer;

constexpr int32_t kBitmapWidth = 320, kBitmapHeight = 160;

using viewertest::UseBoxFont;

class QuietViewer : public viewertest::NoViewer {
 public:
  void DoProgress(int percent) override { progress.push_back(percent); }
  std::vector<int> progress;
};

void CollectSections(TCellBasic& cell, std::vector<TSection*>& sections) {
  for (int i = 0; i < cell.Count(); ++i) {
    if (auto* section = dynamic_cast<TSection*>(cell[i])) sections.push_back(section);
    if (auto* block = dynamic_cast<TBlock*>(cell[i])) CollectSections(*block->MyCell, sections);
    if (auto* table = dynamic_cast<ThtmlTable*>(cell[i]))
      for (int r = 0; r < table->Rows.Count(); ++r)
        for (int c = 0; c < table->Rows[r]->Count(); ++c)
          if ((*table->Rows[r])[c]) CollectSections(*(*table->Rows[r])[c]->Cell, sections);
  }
}

// A page read by the builder in the box font at 20 pixels, its sections laid out one below the other at x 0.
struct Page {
  explicit Page(const std::string& html, bool boxFont = true, pf::TWinControl* paintPanel = nullptr)
      : list(&viewer, paintPanel), bitmap(kBitmapWidth, kBitmapHeight, pf::pf24bit) {
    if (boxFont)
      UseBoxFont();
    else
      pf::SetFontService(pf::CreateFixedMetricFontService());
    list.ApplyDefaultFontsAndColors(boxFont ? "HtBox" : "Arial", "HtMono", 0, 0, pf::DEFAULT_CHARSET, true, false,
                                    pf::clWhite, 0xFF, 0x800080, 0xFF0000, pf::clBlack, 15);
    TParseResult result;
    ParseHtmlDocument(html, list, nullptr, nullptr, nullptr, nullptr, result);
    CollectSections(list, sections);
  }
  TSection& S(int i = 0) { return *sections.at(static_cast<size_t>(i)); }
  // Every section laid out at width, one below the other; the total height.
  int32_t Layout(int32_t width) {
    indents.Clear();
    indents.SetEdges(0, width);
    int32_t y = 0, curs = 0;
    maxWidth = 0;
    for (TSection* s : sections) {
      int32_t sectionMax = 0;
      y += s->ComputeLayout(canvas(), pf::TRect{0, 0, width, kBitmapHeight}, indents, 0, y, width, 0, curs, sectionMax);
      maxWidth = std::max(maxWidth, sectionMax);
    }
    return y;
  }
  void Paint() {
    canvas().Brush().SetColor(pf::clWhite);
    canvas().FillRect(pf::TRect{0, 0, kBitmapWidth, kBitmapHeight});
    list.DrawList.Clear();
    for (TSection* s : sections) s->Paint(canvas(), pf::TRect{0, 0, kBitmapWidth, kBitmapHeight}, indents, 0, 0, 0);
    list.DrawList.DrawImages();
  }
  pf::TCanvas& canvas() { return bitmap.Canvas(); }
  // The lines of every section, a forced break shown as "|", other characters beyond Latin-1 as "*".
  std::vector<std::string> Lines() {
    std::vector<std::string> lines;
    for (TSection* s : sections) {
      for (int l = 0; l < s->Lines.Count(); ++l) {
        const LineRec& line = *s->Lines[l];
        std::string& text = lines.emplace_back();
        for (char16_t c : s->Text.substr(static_cast<size_t>(line.Start), static_cast<size_t>(line.Ln)))
          text += c == kLineBreakChar ? '|' : c < 0x100 ? static_cast<char>(c) : '*';
      }
    }
    return lines;
  }
  // The black runs [start, end) of pixel row y.
  std::vector<std::pair<int, int>> BlackRuns(int y) {
    std::vector<std::pair<int, int>> runs;
    for (int x = 0; x < kBitmapWidth; ++x) {
      if (canvas().Pixels(x, y) != pf::clBlack) continue;
      if (!runs.empty() && runs.back().second == x)
        ++runs.back().second;
      else
        runs.push_back({x, x + 1});
    }
    return runs;
  }

  QuietViewer viewer;
  TSectionList list;
  pf::TBitmap bitmap;
  IndentManager indents;
  std::vector<TSection*> sections;
  int32_t maxWidth = 0;
};

std::vector<std::pair<int, int>> Glyphs(std::initializer_list<int> cells) {
  std::vector<std::pair<int, int>> runs;
  for (int x : cells) runs.push_back({x + 1, x + 9});
  return runs;
}

TEST(TextLayout, LinesBreakWhereTheRulesSay) {
  struct Case {
    const char* html;
    int32_t width;
    std::vector<std::string> lines;
    int32_t height;
    bool boxFont = true;
  } cases[] = {
      {"aaa bbb", 50, {"aaa ", "bbb "}, 40},
      {"aaa bbb", 69, {"aaa ", "bbb "}, 40},
      {"aaa bbb", 70, {"aaa bbb "}, 20},  // the closing blank may pass the edge
      {"abcdefgh", 50, {"abcdefgh "}, 20},
      {"xx abc&shy;def", 65, {"xx ", "abcdef "}, 40},  // the hyphen would not fit
      {"xx abc&shy;def", 70, {"xx abc", "def "}, 40},
      {"x<br><br>y", 200, {"x ", "|", "y "}, 60},
      {"ab-cd ef", 35, {"ab-", "cd ", "ef "}, 60},
      {"aa<wbr>bb", 30, {"aa", "bb "}, 40},
      {"<nobr>aa bb cc</nobr>", 30, {"aa bb cc "}, 20},
      {"abcdef", 25, {"abcdef "}, 20},
      {"<div style=\"word-wrap:break-word\">abcdefgh</div>", 50, {"abcde", "fgh "}, 40},
      // Eight characters of the first run's widest would fit; the letter-spaced ones do not.
      {"aa <span style=\"letter-spacing:10px\">bbbb</span>", 85, {"aa ", "bbbb "}, 40},
      // Ideographs (10 pixels wide, lines 27 high in the fixed-metric font) break between any two.
      {"&#28450;&#23383;&#28450;&#23383;", 25, {"**", "** "}, 54, false},
      {"<nobr>&#28450;&#23383;&#28450;&#23383;</nobr>", 25, {"**** "}, 27, false},
  };
  for (const Case& c : cases) {
    Page page(std::string("<body>") + c.html + "</body>", c.boxFont);
    EXPECT_EQ(page.Layout(c.width), c.height) << c.html << " at " << c.width;
    EXPECT_EQ(page.Lines(), c.lines) << c.html << " at " << c.width;
  }
  Page overlong("<body>abcdefgh</body>");
  overlong.Layout(50);
  EXPECT_EQ(overlong.maxWidth, 80);
  Page shy("<body>xx abc&shy;def</body>");
  shy.Layout(75);
  EXPECT_TRUE(shy.S().Lines[0]->Shy);
  EXPECT_FALSE(shy.S().Lines[1]->Shy);
}

TEST(TextLayout, AlignmentJustificationIndentAndLeading) {
  struct Case {
    const char* style;
    const char* text;
    int32_t width;
    std::vector<int32_t> indents, extras, spaces;
  } cases[] = {
      {"text-align:center", "ab", 100, {40}, {0}, {0}},
      {"text-align:center", "ab", 101, {40}, {0}, {0}},
      {"text-align:right", "ab", 100, {80}, {0}, {0}},
      {"text-align:justify", "aa bb cc dd", 65, {0, 0}, {15, 0}, {1, 0}},
      {"text-indent:10%", "aa bb", 200, {20}, {0}, {0}},
      {"text-indent:30px", "aaa bbb", 90, {30, 0}, {0, 0}, {0, 0}},
      {"text-align:justify", "<nobr>aa bb cc</nobr> dd", 50, {0, 0}, {0, 0}, {2, 0}},  // never squeezed
  };
  for (const Case& c : cases) {
    Page page(std::string("<body><div style=\"") + c.style + "\">" + c.text + "</div></body>");
    page.Layout(c.width);
    std::vector<int32_t> indents, extras, spaces;
    for (int i = 0; i < page.S().Lines.Count(); ++i) {
      indents.push_back(page.S().Lines[i]->LineIndent);
      extras.push_back(page.S().Lines[i]->Extra);
      spaces.push_back(page.S().Lines[i]->Spaces);
    }
    EXPECT_EQ(indents, c.indents) << c.style;
    EXPECT_EQ(extras, c.extras) << c.style;
    EXPECT_EQ(spaces, c.spaces) << c.style;
  }
  Page leading("<body><div style=\"line-height:15px\">aa</div></body>");
  EXPECT_EQ(leading.Layout(100), 15);
  EXPECT_EQ(leading.S().Lines[0]->SpaceBefore, -2);
  EXPECT_EQ(leading.S().Lines[0]->SpaceAfter, -3);
}

TEST(TextLayout, FloatsMoveTextAndOverlongWordsBelowThem) {
  // A 30 x 50 panel floats left with 3 pixels on each side; the text beside it starts at 36.
  Page beside("<body><panel align=left width=30 height=50>aa bb</body>");
  beside.Layout(100);
  ASSERT_EQ(beside.Lines(), (std::vector<std::string>{"\x04"
                                                      "aa bb "}));
  EXPECT_EQ(beside.S().Lines[0]->LineIndent, 36);
  EXPECT_EQ(beside.S().DrawHeight, 50);
  EXPECT_EQ(beside.S().SectionHeight, 20);
  // A word wider than the room beside the float drops below it, to y 50.
  Page below("<body><panel align=left width=30 height=50>abcdefghijk</body>");
  EXPECT_EQ(below.Layout(100), 70);
  EXPECT_EQ(below.Lines(), (std::vector<std::string>{"\x04", "", "abcdefghijk "}));
  EXPECT_EQ(below.maxWidth, 110);
  // A section that clears the left floats starts below the lowest of them (a record ending at 50: 40 from y 10).
  Page cleared("<body>x</body>");
  cleared.S().ClearAttr = 1;
  TFloatingObj left;
  left.Floating = IndentManager::kFloatLeft;
  left.ObjWidth = 30;
  left.ObjHeight = 50;
  cleared.indents.SetEdges(0, 100);
  cleared.indents.AddImageFloat(0, left);
  int32_t curs = 0, max = 0, baseline = 0;
  cleared.list.PendingFirstBaseline = &baseline;
  EXPECT_EQ(cleared.S().ComputeLayout(cleared.canvas(), pf::TRect{}, cleared.indents, 0, 10, 100, 0, curs, max), 60);
  EXPECT_EQ(cleared.S().Lines[0]->Ln, 0);
  EXPECT_EQ(cleared.S().Lines[0]->LineHt, 40);
  EXPECT_EQ(baseline, 66);  // the first line with text: 50 + 20 - 4
  // A float met behind unbreakable text whose line then ends before that text waits for the line that holds it: it
  // is placed once, below that line, and leaves the room beside the line above it free.
  Page nobr("<body>xx <nobr>aaa<panel align=left width=30 height=30>bbb</nobr></body>");
  nobr.Layout(70);
  ASSERT_EQ(nobr.Lines(), (std::vector<std::string>{"xx ",
                                                    "aaa\x04"
                                                    "bbb "}));
  EXPECT_EQ(nobr.S().Lines[1]->LineIndent, 0);
  EXPECT_EQ(nobr.indents.L.Count(), 1);
  EXPECT_EQ(nobr.S().Images[0]->DrawYY, 40);
}

TEST(TextLayout, ObjectsInLinesReserveTheirHeight) {
  struct Case {
    const char* align;
    int32_t before, after, lineHt;
  } cases[] = {
      {"top", 0, 20, 20},      // 40 high from the text top down
      {"middle", 10, 10, 20},  // centred on the text
      {"bottom", 24, 0, 20},   // standing on the baseline (descent 4)
  };
  for (const Case& c : cases) {
    Page page(std::string("<body>a<panel align=") + c.align + " width=20 height=40>b</body>");
    page.Layout(200);
    const LineRec& line = *page.S().Lines[0];
    EXPECT_EQ(line.SpaceBefore, c.before) << c.align;
    EXPECT_EQ(line.SpaceAfter, c.after) << c.align;
    EXPECT_EQ(line.LineHt, c.lineHt) << c.align;
  }
  // A line of nothing but a middle-aligned panel takes the first font's height as its text height.
  Page alone("<body><panel align=middle width=20 height=40></body>");
  alone.Layout(200);
  EXPECT_EQ(alone.S().Lines[0]->LineHt, 20);
  EXPECT_EQ(alone.S().Lines[0]->SpaceBefore, 10);
  EXPECT_EQ(alone.S().Lines[0]->SpaceAfter, 10);
}

TEST(TextLayout, MinimumAndMaximumWidths) {
  struct Case {
    const char* html;
    int32_t min, max;
  } cases[] = {
      {"ab-cd ef", 30, 80},
      {"<div style=\"text-indent:10%\">ab-cd ef</div>", 30, 89},
      {"<div style=\"text-indent:20px\">ab cd</div>", 20, 70},
      {"xx abc&shy;def", 40, 90},  // "abc-"
      {"aa*bbbb cc", 40, 70},      // * becomes a forced break
      {"<nobr>aa bb</nobr>", 50, 50},
      {"<panel align=left width=30 height=10>ab", 36, 56},
      {"<div style=\"word-wrap:break-word\">abc</div>", 10, 30},
  };
  for (const Case& c : cases) {
    Page page(std::string("<body>") + c.html + "</body>");
    TSection& s = page.S();
    std::replace(s.Text.begin(), s.Text.end(), u'*', kLineBreakChar);
    int32_t min = 0, max = 0;
    s.MeasureMinMaxWidth(page.canvas(), min, max);
    EXPECT_EQ(min, c.min) << c.html;
    EXPECT_EQ(max, c.max) << c.html;
  }
  // The second call answers from the cache.
  Page cached("<body>ab-cd ef</body>");
  int32_t min = 0, max = 0;
  cached.S().MeasureMinMaxWidth(cached.canvas(), min, max);
  cached.S().MinWidthCache = 7;
  cached.S().MeasureMinMaxWidth(cached.canvas(), min, max);
  EXPECT_EQ(min, 7);
}

TEST(TextLayout, ProgressOnceEveryFiftySectionsPerLayout) {
  std::string html = "<body>";
  for (int i = 0; i < 100; ++i) html += "<div>x</div>";
  Page page(html + "</body>");
  page.list.LayoutCounter = 1;
  page.list.ProgressStart = 75;
  page.Layout(100);
  page.Layout(100);
  EXPECT_EQ(page.viewer.progress, (std::vector<int>{88, 100}));  // 75 + MulDiv(25, 50, 100), then 100
  page.list.LayoutCounter = 2;
  page.list.IsCopy = true;
  page.Layout(100);
  page.list.IsCopy = false;
  EXPECT_EQ(page.viewer.progress.size(), 2u);
}

// A line of many font runs and a paragraph of a word per line lay out and paint in linear time: four times the
// text takes far less than the sixteen times of quadratic work.
TEST(TextLayout, LongTextCostsInProportionToItsLength) {
  const struct {
    const char* what;
    std::string (*html)(int n);
  } rows[] = {
      {"runs",
       [](int n) {
         std::string html = "<pre>";
         for (int i = 0; i < n; ++i) html += "<b>W</b>W";
         return html + "</pre>";
       }},
      {"narrow lines",
       [](int n) {
         std::string html = "<p>";
         for (int i = 0; i < n; ++i) html += "abcdefghijklmnopqrstuvwxyz ";
         return html + "</p>";
       }},
  };
  for (const auto& row : rows) {
    auto run = [&](int n) {
      Page page(row.html(n));
      return viewertest::BestSeconds([&] {
        EXPECT_GT(page.Layout(100), 0);
        page.Paint();
      });
    };
    const double small = run(2500), large = run(10000);
    EXPECT_LT(large, 8 * small) << row.what << ": " << small << " s and " << large << " s";
  }
}

// ---- painting ----

TEST(TextPainting, GlyphsStandWhereTheLayoutPutThem) {
  struct Case {
    const char* html;
    int32_t width;
    int row;
    std::vector<std::pair<int, int>> runs;
  } cases[] = {
      {"aaa bbb", 50, 10, Glyphs({0, 10, 20})},
      {"aaa bbb", 50, 30, Glyphs({0, 10, 20})},
      {"aaa bbb", 70, 10, Glyphs({0, 10, 20, 40, 50, 60})},
      {"<div style=\"text-align:center\">ab</div>", 101, 10, Glyphs({40, 50})},
      {"<div style=\"text-align:right\">ab</div>", 100, 10, Glyphs({80, 90})},
      {"<div style=\"text-align:justify\">aa bb cc dd</div>", 65, 10, Glyphs({0, 10, 45, 55})},
      {"<div style=\"text-align:justify\">aa bb cc dd</div>", 65, 30, Glyphs({0, 10, 30, 40})},
      {"<div style=\"text-align:justify\">aa&nbsp;bb cc dd</div>", 65, 10, Glyphs({0, 10, 45, 55})},
      {"xx abc&shy;def", 75, 10, Glyphs({0, 10, 30, 40, 50, 60})},  // the hyphen's box at 60
      {"xx abc&shy;def", 65, 30, Glyphs({0, 10, 20, 30, 40, 50})},  // no hyphen
      {"x<br><br>y", 200, 50, Glyphs({0})},
      {"a<span style=\"vertical-align:sub\">b</span>", 200, 1, Glyphs({0})},  // b from row 3
      {"a<span style=\"vertical-align:sub\">b</span>", 200, 22, Glyphs({10})},
      {"a<span style=\"vertical-align:super\">b</span>", 200, 13, Glyphs({0, 10})},  // b to row 14
      {"a<span style=\"vertical-align:super\">b</span>", 200, 14, Glyphs({0})},
  };
  for (const Case& c : cases) {
    Page page(std::string("<body>") + c.html + "</body>");
    page.Layout(c.width);
    page.Paint();
    EXPECT_EQ(page.BlackRuns(c.row), c.runs) << c.html << " at " << c.width << " row " << c.row;
  }
}

TEST(TextPainting, SelectionIsDrawnOpaqueInTheHighlightColours) {
  Page page("<body>abcd</body>");
  page.Layout(200);
  const pf::TColor highlight = pf::ColorToDrawRGB(pf::clHighlight);
  page.list.SelB = 1;
  page.list.SelE = 3;
  page.Paint();
  for (auto [x, y, selected] : std::initializer_list<std::tuple<int, int, bool>>{
           {10, 0, true}, {29, 19, true}, {9, 0, false}, {30, 0, false}, {10, 20, false}, {0, 19, false}})
    EXPECT_EQ(page.canvas().Pixels(x, y) == highlight, selected) << x << "," << y;
  page.list.SelE = 1;
  page.Paint();
  EXPECT_NE(page.canvas().Pixels(10, 0), highlight);
}

TEST(TextPainting, PrintingColoursAndPageBreaks) {
  // White and very light text turn black on paper without backgrounds; on paper with backgrounds they stay.
  for (const bool backgrounds : {false, true}) {
    Page page("<body><font color=\"#ffffff\">a</font><font color=\"#00f0f0\">b</font> cc dd ee</body>");
    page.Layout(30);
    page.list.Printing = true;
    page.list.PrintBackground = backgrounds;
    page.list.PageBottom = 50;  // the third line (40..60) crosses it
    page.Paint();
    const std::vector<std::pair<int, int>> none;
    EXPECT_EQ(page.BlackRuns(10), backgrounds ? none : Glyphs({0, 10}));
    EXPECT_EQ(page.BlackRuns(30), Glyphs({0, 10}));
    EXPECT_TRUE(page.BlackRuns(50).empty());
    EXPECT_EQ(page.list.PageBottom, 40);
    EXPECT_TRUE(page.list.PageShortened);
  }
  // On a monochrome device white text is black even when backgrounds are printed.
  Page mono("<body><font color=\"#ffffff\">a</font></body>");
  mono.Layout(30);
  mono.list.Printing = mono.list.PrintBackground = true;
  mono.list.PageBottom = 100;
  pf::TBitmap paper(40, 20, pf::pf1bit);
  paper.Canvas().Brush().SetColor(pf::clWhite);
  paper.Canvas().FillRect(pf::TRect{0, 0, 40, 20});
  mono.S().Paint(paper.Canvas(), pf::TRect{0, 0, 40, 20}, mono.indents, 0, 0, 0);
  EXPECT_EQ(paper.Canvas().Pixels(5, 10), pf::clBlack);
}

TEST(TextPainting, FloatsAreDrawnLastAtTheirPlace) {
  Page page("<body><panel align=right width=30 height=30>aaa</body>");
  page.list.Printing = true;
  page.list.PageBottom = 1000;
  page.Layout(100);
  page.list.DrawList.Clear();
  page.S().Paint(page.canvas(), pf::TRect{0, 0, kBitmapWidth, kBitmapHeight}, page.indents, 0, 0, 0);
  ASSERT_EQ(page.list.DrawList.Count(), 1);
  EXPECT_EQ(page.list.DrawList[0]->X, 64);  // the box: right edge 100, the width 30 with 3 on each side
  EXPECT_EQ(page.list.DrawList[0]->TopY, 0);
  page.list.DrawList.DrawImages();
  EXPECT_EQ(page.canvas().Pixels(67, 0), pf::clBlack);  // the printed frame of an empty panel
  EXPECT_EQ(page.canvas().Pixels(96, 29), pf::clBlack);
}

TEST(TextPainting, InlineBordersFollowTheLines) {
  Page page("<body>aa <span style=\"border:1px solid black\">bb cc</span> dd</body>");
  page.Layout(60);
  ASSERT_EQ(page.Lines(), (std::vector<std::string>{"aa bb ", "cc dd "}));
  page.list.InlineList->Clear();
  auto record = std::make_unique<InlineRec>();
  record->StartB = 3;
  record->EndB = 8;
  record->MargArray[piBorderTopWidth] = record->MargArray[piBorderBottomWidth] = 1;
  record->MargArray[piBorderLeftWidth] = record->MargArray[piBorderRightWidth] = 1;
  for (int side = piBorderTopStyle; side <= piBorderLeftStyle; ++side) record->MargArray[side] = bssSolid;
  for (int side = piBorderTopColor; side <= piBorderLeftColor; ++side) record->MargArray[side] = pf::clBlack;
  record->MargArray[piBackgroundColor] = static_cast<int32_t>(pf::clNone);
  page.list.InlineList->Add(std::move(record));
  page.list.InlineList->NeedsConverting = false;
  page.Layout(60);
  page.Paint();
  const LineRec& first = *page.S().Lines[0];
  const LineRec& second = *page.S().Lines[1];
  ASSERT_EQ(first.BorderList.Count(), 1);
  ASSERT_EQ(second.BorderList.Count(), 1);
  EXPECT_FALSE(first.BorderList[0]->OpenStart);
  EXPECT_TRUE(first.BorderList[0]->OpenEnd);
  EXPECT_TRUE(second.BorderList[0]->OpenStart);
  EXPECT_FALSE(second.BorderList[0]->OpenEnd);
  EXPECT_EQ(first.BorderList[0]->Left, 29);
  EXPECT_EQ(second.BorderList[0]->Right, 21);
  EXPECT_EQ(page.canvas().Pixels(29, 10), pf::clBlack);  // the closed left side on the first line
  EXPECT_EQ(page.canvas().Pixels(20, 30), pf::clBlack);  // the closed right side on the second
}

// ---- embedded panels ----

TEST(Panels, SizeFromPercentagesPixelsAndTheNaturalSize) {
  struct Case {
    const char* attributes;
    int32_t availWidth, availHeight, width, height;
    bool fixed;
  } cases[] = {
      {"width=50%", 200, 0, 100, 67, false},  // the natural 30 x 20 keeps its proportion
      {"width=50%", 300, 0, 150, 100, false},
      {"width=50% height=25%", 200, 400, 100, 100, false},
      {"width=50% height=7", 200, 0, 100, 7, false},
      {"height=50%", 200, 100, 75, 50, false},
      {"height=10%", 200, 0, 30, 20, false},  // no height given: a percentage of the width
      {"width=40 height=10", 200, 0, 40, 10, true},
      {"height=40", 200, 0, 30, 40, true},
      {"width=0", 200, 0, 0, 0, true},  // no natural width to divide by
      {"", 200, 0, 30, 20, true},
  };
  for (const Case& c : cases) {
    Page page(std::string("<body><panel ") + c.attributes + "></body>");
    TFloatingObj& panel = *page.S().Images[0];
    panel.ComputeSize(page.canvas(), c.availHeight, c.availWidth, nullptr);
    EXPECT_EQ(std::make_pair(panel.ObjWidth, panel.ObjHeight), std::make_pair(c.width, c.height)) << c.attributes;
    EXPECT_EQ(panel.SizeFixed, c.fixed) << c.attributes;
  }
}

TEST(Panels, WindowsArePlacedByPaintingAndPrintedThroughTheHost) {
  pf::TPanel host(nullptr);
  host.SetBounds(0, 0, 200, 100);
  Page page("<body>ab<panel name=p type=t src=s width=20 height=10>cd</body>", true, &host);
  ASSERT_EQ(page.list.PanelList.size(), 1u);
  TPanelObj& panel = *page.list.PanelList[0];
  page.Layout(200);
  page.Paint();
  ASSERT_TRUE(panel.Panel);
  EXPECT_EQ(panel.Panel->Parent(), &host);
  EXPECT_TRUE(panel.Panel->Visible());
  EXPECT_TRUE(panel.ShowIt);
  // Beside "ab", standing on the baseline (16): top 6.
  EXPECT_EQ(
      (std::vector<int32_t>{panel.Panel->Left(), panel.Panel->Top(), panel.Panel->Width(), panel.Panel->Height()}),
      (std::vector<int32_t>{20, 6, 20, 10}));

  // The print copy has a hidden window of the same size for the host, which paints it.
  TPanelObj copy(&page.list, panel);
  ASSERT_TRUE(copy.Panel);
  EXPECT_FALSE(copy.Panel->Visible());
  const ThvPanel* printed = nullptr;
  page.list.OnPanelPrint = [&](pf::TObject*, ThvPanel* window, pf::TBitmap& bitmap) {
    printed = window;
    bitmap.Canvas().Brush().SetColor(pf::clRed);
    bitmap.Canvas().FillRect(pf::TRect{0, 0, bitmap.Width(), bitmap.Height()});
  };
  copy.Draw(page.canvas(), 100, 50);
  EXPECT_EQ(printed, copy.Panel.get());
  EXPECT_EQ(page.canvas().Pixels(100, 50), pf::clRed);
  EXPECT_EQ(page.canvas().Pixels(119, 59), pf::clRed);
  EXPECT_NE(page.canvas().Pixels(120, 59), pf::clRed);
}

TEST(Panels, FormRadioButtonsClickOnceWhenNewlyChecked) {
  pf::TPanel host(nullptr);
  auto* first = new TFormRadioButton(&host);
  auto* second = new TFormRadioButton(&host);
  int clicks = 0;
  first->OnClick = [&](pf::TObject*) { ++clicks; };
  first->SetChecked(true);
  first->SetChecked(true);
  second->SetChecked(true);  // no group: both stay checked
  EXPECT_EQ(clicks, 1);
  EXPECT_TRUE(first->Checked() && second->Checked());
  EXPECT_TRUE(first->TabStop());
  first->Click();  // a click that does not check the button goes nowhere
  EXPECT_EQ(clicks, 1);
  first->ClicksDisabled = true;
  first->SetChecked(false);
  first->SetChecked(true);
  EXPECT_EQ(clicks, 1);
  auto* box = new TFormCheckBox(&host);
  for (pf::TWinControl* control : std::initializer_list<pf::TWinControl*>{first, box})
    EXPECT_EQ(control->Perform(pf::WM_GETDLGCODE), static_cast<pf::LRESULT>(pf::DLGC_WANTARROWS));
}

// ---- queries ----

TEST(TextQueries, PositionsAtPointsAndPointsOfPositions) {
  Page page("<body>abcd</body>");
  page.Layout(200);
  page.Paint();
  struct Case {
    int32_t x, y, position;
    bool inText;
    int32_t caretX;
  } cases[] = {
      {16, 5, 2, true, 20}, {15, 5, 1, true, 10},  {-5, 5, 0, false, 0},
      {0, 5, 0, true, 0},   {190, 5, 4, true, 40},  // past the end: before the closing blank
  };
  for (const Case& c : cases) {
    bool inText = false;
    int32_t height = 0, top = 0, caret = -1;
    EXPECT_EQ(page.S().GetPositionAtPoint(page.canvas(), c.x, c.y, inText, height, top, caret), c.position) << c.x;
    EXPECT_EQ(inText, c.inText) << c.x;
    EXPECT_EQ(caret, c.caretX) << c.x;
  }
  bool inText = false;
  int32_t height = 0, top = 0, caret = 0;
  EXPECT_EQ(page.S().GetPositionAtPoint(page.canvas(), 5, 25, inText, height, top, caret), -1);

  Page justified("<body><div style=\"text-align:justify\">aa bb cc dd</div></body>");
  justified.Layout(65);
  justified.Paint();
  int32_t x = 0, y = 0;
  ASSERT_TRUE(justified.S().GetPositionXY(justified.canvas(), 3, x, y));
  EXPECT_EQ(x, 45);
  ASSERT_TRUE(justified.S().GetPositionXY(justified.canvas(), 6, x, y));
  EXPECT_EQ(std::make_pair(x, y), std::make_pair(0, 20));
  EXPECT_EQ(justified.S().GetPositionAtPoint(justified.canvas(), 46, 5, inText, height, top, caret), 3);
  EXPECT_FALSE(justified.S().GetPositionXY(justified.canvas(), 12, x, y));
}

TEST(TextQueries, LinksAndTitlesUnderThePoint) {
  struct Case {
    int32_t x, y;
    int result;
    std::string url;
    int lineHeight;
  } cases[] = {{35, 5, 5, "x.html", 0}, {5, 5, 0, "", 0},          {35, 25, 0, "", 0},
               {150, 5, 0, "", 0},      {35, 25, 5, "x.html", 40},  // the text of a line with leading
               {35, 5, 0, "", 40}};
  for (const Case& c : cases) {
    Page page(c.lineHeight
                  ? "<body><div style=\"line-height:40px\">ab <a href=\"x.html\" title=\"T\">cd</a> ef</div></body>"
                  : "<body>ab <a href=\"x.html\" title=\"T\">cd</a> ef</body>");
    page.Layout(200);
    page.Paint();
    std::unique_ptr<TUrlTarget> target;
    TFormControlObj* control = nullptr;
    std::string title;
    EXPECT_EQ(page.S().GetLinkAt(page.canvas(), c.x, c.y, target, control, title), c.result) << c.x << "," << c.y;
    EXPECT_EQ(target ? target->Url : "", c.url) << c.x << "," << c.y;
    EXPECT_EQ(page.list.LinkHovered, c.result ? page.S().Fonts[1] : nullptr);
  }
}

// A case-blind search finds letters of every script in either case, the query lower-cased as the caller does:
// Armenian, Cherokee, full-width and Latin Extended-B, forwards and backwards.
TEST(TextQueries, CaseBlindSearchFindsEveryScript) {
  Page page("<body>x &#1329;&#1330; &#5024; &#65313;&#65314; &#579;</body>");
  page.Layout(200);
  TSection& s = page.S();
  const struct {
    std::u16string query;
    int32_t at;
  } cases[] = {{u"աբ", 2}, {u"ԱԲ", 2}, {u"ꭰ", 5}, {u"ａＢ", 7}, {u"ƀ", 10}};
  for (const auto& c : cases) {
    const std::u16string query = LowerCaseWide(c.query);
    EXPECT_EQ(s.SearchForward(0, query, false), s.StartCurs + c.at) << c.at;
    EXPECT_EQ(s.SearchBackward(s.StartCurs + 11, query, false), s.StartCurs + c.at) << c.at;
  }
  EXPECT_EQ(s.SearchForward(0, u"աբ", true), -1);
}

TEST(TextQueries, SearchSourceMapAndSelectedText) {
  Page page("<body>abc abc</body>");
  page.Layout(200);
  TSection& s = page.S();
  EXPECT_EQ(s.SearchForward(0, u"b", false), 1);
  EXPECT_EQ(s.SearchForward(2, u"b", false), 5);
  EXPECT_EQ(s.SearchForward(6, u"b", false), -1);
  EXPECT_EQ(s.SearchBackward(7, u"b", false), 5);
  EXPECT_EQ(s.SearchBackward(5, u"bc", false), 1);
  EXPECT_EQ(s.SearchForward(0, u"B", true), -1);

  // Two runs of source: "ab" from 10 and "cd " from 20 (a gap between them).
  s.SourceRuns.Clear();
  s.SourceRuns.Add(std::make_unique<IndexObj>(IndexObj{0, 10}));
  s.SourceRuns.Add(std::make_unique<IndexObj>(IndexObj{2, 20}));
  s.StartCurs = 100;
  struct MapCase {
    int32_t source;
    bool backwards;
    int32_t doc;
  } maps[] = {{5, false, 100}, {5, true, -1},    {11, false, 101}, {15, false, 102},
              {15, true, 101}, {21, false, 103}, {40, false, -1},  {40, true, 107}};
  for (const MapCase& m : maps) EXPECT_EQ(s.MapToDocPos(m.source, m.backwards), m.doc) << m.source;
  EXPECT_EQ(s.MapToSourcePos(101), 11);
  EXPECT_EQ(s.MapToSourcePos(103), 21);
  char16_t ch = 0;
  TSectionBase* object = nullptr;
  EXPECT_TRUE(s.ReadCharAt(102, ch, object));
  EXPECT_EQ(ch, u'c');
  EXPECT_EQ(object, &s);
  EXPECT_FALSE(s.ReadCharAt(99, ch, object));

  Page two("<body><div>ab</div><div>cd</div></body>");
  two.Layout(200);
  two.list.SelB = 0;
  two.list.SelE = 6;
  std::u16string copied(16, u'\0');
  SelTextBuf buffer(copied.data(), static_cast<int32_t>(copied.size()));
  for (TSection* section : two.sections) section->CollectSelectedText(buffer);
  copied.resize(static_cast<size_t>(buffer.Finish() - 1));
  EXPECT_EQ(copied, u"ab\r\ncd");
}

}  // namespace
