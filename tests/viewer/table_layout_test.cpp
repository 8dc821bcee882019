// Tables: the span grid, the column width methods, row heights, cell layout, painting, hit tests and the page
// breaks of printing. Tables are read by the builder; each cell's text is then laid out by a stand-in that sets
// characters 10 pixels wide in lines 20 high (the geometry of the test fonts), so that widths and heights come out
// exact without the text layout.
#include <gtest/gtest.h>

#include <numeric>
#include <random>

#include "platform/graphics/bitmap.h"
#include "platform/graphics/fonts.h"
#include "viewer/blocks.h"
#include "viewer/borders.h"
#include "viewer/html_parser.h"
#include "viewer/table_structure.h"
#include "viewer/text_sections.h"

namespace {

using namespace viewer;

constexpr int32_t kCharWidth = 10;

// A cell's text set in lines: breaks at blanks the text allows to break at, forced breaks at '\b'.
class TextLike : public TCellObjCell {
 public:
  TextLike(TSectionList* list, std::u16string text, std::string flags, int32_t lineHeight)
      : TCellObjCell(list), text_(std::move(text)), flags_(std::move(flags)), lineHeight_(lineHeight) {}
  void MeasureMinMaxWidth(pf::TCanvas&, int32_t& minWidth, int32_t& maxWidth) override {
    minWidth = maxWidth = 0;
    int32_t piece = 0, line = 0;
    for (size_t i = 0; i <= text_.size(); ++i) {
      const bool end = i == text_.size() || text_[i] == u'\b';
      if (end || Breaks(i)) minWidth = std::max(minWidth, piece), piece = -kCharWidth;
      if (end) maxWidth = std::max(maxWidth, line), line = -kCharWidth;
      piece += kCharWidth;
      line += kCharWidth;
    }
  }
  int32_t ComputeLayout(pf::TCanvas&, const pf::TRect&, IndentManager&, int32_t, int32_t y, int32_t width, int32_t,
                        int32_t& curs, int32_t& maxWidth) override {
    ++layouts;
    top = y;
    at_.assign(text_.size(), {0, 0});
    int32_t x = 0, line = 0;
    for (size_t i = 0; i < text_.size();) {
      if (text_[i] == u'\b') {
        x = 0, ++line, ++i;
        continue;
      }
      size_t end = i;  // the piece up to the next break, with the blank before it
      while (end < text_.size() && text_[end] != u'\b' && !(end > i && Breaks(end))) ++end;
      const auto pieceWidth = static_cast<int32_t>(end - i) * kCharWidth;
      if (x > 0 && x + pieceWidth > width) {
        x = 0, ++line;
        if (Breaks(i)) ++i;  // a line does not start with the blank it broke at
      }
      for (size_t k = i; k < end; ++k, x += kCharWidth) at_[k] = {x, line};
      i = end;
    }
    curs += static_cast<int32_t>(text_.size());
    maxWidth = width;
    return text_.empty() ? 0 : (line + 1) * lineHeight_;
  }
  int32_t Paint(pf::TCanvas&, const pf::TRect&, IndentManager&, int32_t x, int32_t, int32_t) override {
    left = x;
    return 0;
  }
  // Where the word starts in the document (the table at the document's left edge).
  std::pair<int32_t, int32_t> Find(std::u16string_view word) const {
    const size_t i = text_.find(word);
    return {left + at_.at(i).first, top + at_.at(i).second * lineHeight_};
  }
  bool Holds(std::u16string_view word) const { return text_.find(word) != std::u16string::npos; }
  char First() const { return text_.empty() ? '_' : static_cast<char>(text_[0]); }
  int layouts = 0;
  int32_t top = 0, left = 0;

 private:
  bool Breaks(size_t i) const { return text_[i] == u' ' && (i >= flags_.size() || flags_[i] != 'n'); }
  std::u16string text_;
  std::string flags_;
  int32_t lineHeight_;
  std::vector<std::pair<int32_t, int32_t>> at_;
};

// A cell whose content is a table of its own, laid out as a table block without margins and border would.
class NestedTable : public TCellObjCell {
 public:
  NestedTable(TSectionList* list, ThtmlTable& inner) : TCellObjCell(list), inner_(inner) {}
  void MeasureMinMaxWidth(pf::TCanvas& canvas, int32_t& minWidth, int32_t& maxWidth) override {
    inner_.MeasureMinMaxWidth(canvas, minWidth, maxWidth);
  }
  int32_t ComputeLayout(pf::TCanvas& canvas, const pf::TRect& clip, IndentManager&, int32_t, int32_t y, int32_t width,
                        int32_t, int32_t& curs, int32_t& maxWidth) override {
    IndentManager indents;
    indents.SetEdges(0, width);
    return inner_.ComputeLayout(canvas, clip, indents, 0, y, width, 0, curs, maxWidth);
  }
  int32_t Paint(pf::TCanvas& canvas, const pf::TRect& clip, IndentManager& indents, int32_t x, int32_t xRef,
                int32_t yRef) override {
    return inner_.Paint(canvas, clip, indents, x, xRef, yRef);
  }

 private:
  ThtmlTable& inner_;
};

// A page read by the builder with its first table's cells set as TextLike, laid out as a table block without
// margins and border would lay it out: as wide as its minimum and maximum allow in the room, or as given.
struct Page {
  explicit Page(const std::string& html, int32_t lineHeight = 20) : list(nullptr, nullptr) {
    pf::SetFontService(pf::CreateFixedMetricFontService());
    list.ApplyDefaultFontsAndColors("Times New Roman", "Courier New", 0, 0, pf::DEFAULT_CHARSET, true, false,
                                    pf::clWhite, 0, 0, 0, pf::clBlack, 12);
    TParseResult result;
    ParseHtmlDocument(html, list, nullptr, nullptr, nullptr, nullptr, result);
    table = Find(list);
    if (table) Prepare(*table, lineHeight);
  }
  void Prepare(ThtmlTable& t, int32_t lineHeight) {
    for (int r = 0; r < t.Rows.Count(); ++r)
      for (int c = 0; c < t.Rows[r]->Count(); ++c) Replace(*(*t.Rows[r])[c], lineHeight);
  }
  static ThtmlTable* Find(TCellBasic& cell) {
    for (int i = 0; i < cell.Count(); ++i) {
      if (auto* found = dynamic_cast<ThtmlTable*>(cell[i])) return found;
      if (auto* block = dynamic_cast<TBlock*>(cell[i]))
        if (auto* found = Find(*block->MyCell)) return found;
    }
    return nullptr;
  }
  void Replace(TCellObj& cell, int32_t lineHeight) {
    if (ThtmlTable* inner = Find(*cell.Cell)) {
      auto content = std::make_unique<NestedTable>(&list, *inner);
      for (int i = 0; i < cell.Cell->Count(); ++i) content->TFreeList<TSectionBase>::Add(cell.Cell->Release(i));
      cell.Cell = std::move(content);
      Prepare(*inner, lineHeight);
      return;
    }
    std::u16string text;
    std::string flags;
    for (int i = 0; i < cell.Cell->Count(); ++i)
      if (auto* section = dynamic_cast<TSection*>((*cell.Cell)[i])) {
        std::u16string own = section->Text;
        while (!own.empty() && own.back() == u' ') own.pop_back();
        if (!text.empty()) text += u'\b', flags += 'y';  // a section a line
        text += own;
        flags += section->BreakFlags.substr(0, own.size());
      }
    auto content = std::make_unique<TextLike>(&list, text, flags, lineHeight);
    content->BkGnd = cell.Cell->BkGnd, content->BkColor = cell.Cell->BkColor;
    content->Url = cell.Cell->Url, content->Target = cell.Cell->Target, content->Title = cell.Cell->Title;
    for (int i = 0; i < cell.Cell->Count(); ++i) content->TFreeList<TSectionBase>::Add(cell.Cell->Release(i));
    cells.push_back(content.get());
    cell.Cell = std::move(content);
  }
  void LayOut(int32_t room, int32_t tableHeight = 0, int32_t givenWidth = 0, int32_t x = 0, int32_t y = 0) {
    table->TableWidthSpec = givenWidth;
    int32_t minWidth = 0, maxWidth = 0, curs = 0;
    table->MeasureMinMaxWidth(canvas, minWidth, maxWidth);
    const int32_t width = givenWidth > 0 ? givenWidth : std::max(minWidth, std::min(maxWidth, room));
    IndentManager indents;
    indents.SetEdges(x, x + width);
    ++list.LayoutCounter;
    table->ComputeLayout(canvas, pf::TRect{}, indents, x, y, width, tableHeight, curs, maxWidth);
    table->Paint(canvas, pf::TRect{0, 0, 200, 200}, indents, x, x, y);
  }
  std::pair<int32_t, int32_t> At(std::u16string_view word) const {
    for (const TextLike* cell : cells)
      if (cell->Holds(word)) return cell->Find(word);
    ADD_FAILURE() << "no cell holds the word";
    return {-1, -1};
  }
  // The grid as text: a row a line, a cell as its first letter, a filler as '.'.
  std::string Grid() const {
    std::string out;
    for (int r = 0; r < table->Rows.Count(); ++r) {
      for (int c = 0; c < table->Rows[r]->Count(); ++c) {
        const TCellObj* cell = (*table->Rows[r])[c];
        const auto* content = cell ? dynamic_cast<const TextLike*>(cell->Cell.get()) : nullptr;
        out += content ? content->First() : '.';
      }
      out += '|';
    }
    return out;
  }

  TSectionList list;
  ThtmlTable* table = nullptr;
  std::vector<TextLike*> cells;
  pf::TBitmap bitmap{200, 200, pf::pf24bit};
  pf::TCanvas& canvas = bitmap.Canvas();
};

// The span grid: fillers where spanning cells reach, columns that hold nothing but fillers at the right dropped.
TEST(TableGrid, SpansAndFillers) {
  struct Case {
    const char* rows;
    const char* grid;
    int numCols;
    const char* spans;  // per cell in row order: column span, row span
  } cases[] = {
      {"<tr><td colspan=3>a<tr><td>b<td>c", "a.|bc|", 2, "21 11 11"},
      {"<tr><td colspan=100000>a<tr><td>b<td>c", "a.|bc|", 2, "21 11 11"},
      {"<tr><td rowspan=5>a<td>b<tr><td>c", "ab|.c|", 2, "12 11 11"},
      {"<tr><td>a<td rowspan=2>b<td>c<tr><td>d<td>e", "abc|d.e|", 3, "11 12 11 11 11"},
      // The filler of a row span at the end of a row leaves the span of the cell before it alone.
      {"<tr><td>a<td>b<td colspan=3 rowspan=2>z<tr><td colspan=2>x", "abz|x.|", 3, "11 11 12 21"},
      {"<tr></tr><tr><td>a", "|a|", 1, "11"},
      {"", "", 0, ""},
      // Spans whose grid would outgrow the bound are taken as 1.
      {"<tr><td colspan=1000 rowspan=3000>a<td>b", "", -1, ""},
  };
  for (const Case& c : cases) {
    std::string html = std::string("<table>") + c.rows;
    if (c.numCols < 0)
      for (int r = 0; r < 2999; ++r) html += "<tr><td colspan=1000>c<td>d";
    Page page(html + "</table>");
    ASSERT_NE(page.table, nullptr) << c.rows;
    page.table->Initialize();
    std::string spans;
    for (int r = 0; r < page.table->Rows.Count(); ++r)
      for (int i = 0; i < page.table->Rows[r]->Count(); ++i)
        if (const TCellObj* cell = (*page.table->Rows[r])[i])
          spans += (spans.empty() ? "" : " ") + std::to_string(cell->ColSpan) + std::to_string(cell->RowSpan);
    if (c.numCols < 0) {
      EXPECT_EQ(page.table->NumCols, 2);
      EXPECT_EQ(spans.find_first_not_of("1 "), std::string::npos);
      continue;
    }
    EXPECT_EQ(page.Grid(), c.grid) << c.rows;
    EXPECT_EQ(page.table->NumCols, c.numCols) << c.rows;
    EXPECT_EQ(spans, c.spans) << c.rows;
  }
}

// BORDER, CELLPADDING and CELLSPACING within their bounds (a bare BORDER is 1, a negative spacing is ignored); a
// cell's WIDTH in pixels or per-mille, a percentage outside 1..100 ignored.
TEST(TableGrid, AttributesWithinTheirBounds) {
  struct Case {
    const char* table;
    int32_t border, padding, spacing;
    const char* width;
    int32_t specWd;
    bool percent;
  } cases[] = {
      {"<table border>", 1, 1, 2, "50%", 500, true},
      {"<table border=500 cellpadding=80 cellspacing=60>", 100, 50, 40, "150%", 0, false},
      {"<table cellspacing=-3 cellpadding=4>", 0, 4, 2, "0%", 0, false},
      {"<table border=0>", 0, 1, 2, "40", 40, false},
  };
  for (const Case& c : cases) {
    Page page(std::string(c.table) + "<tr><td width=\"" + c.width + "\">a</table>");
    ASSERT_NE(page.table, nullptr) << c.table;
    EXPECT_EQ(std::tuple(page.table->BorderWidth, page.table->CellPadding, page.table->CellSpacing),
              std::tuple(c.border, c.padding, c.spacing))
        << c.table;
    const TCellObj& cell = *(*page.table->Rows[0])[0];
    EXPECT_EQ(std::pair(cell.SpecWd, cell.AsPercent), std::pair(c.specWd, c.percent)) << c.width;
  }
  // A cell's style paddings and borders are taken at most 32,000 pixels wide, so that their sums stay in range.
  Page spaces("<table><tr><td style='padding:9999999999px; border:9999999999px solid'>a</table>");
  spaces.table->Initialize();
  const TCellObj& spaced = *(*spaces.table->Rows[0])[0];
  EXPECT_EQ(std::pair(spaced.HzSpace, spaced.VrSpace), std::pair(4 * 32000, 4 * 32000));
  // Measured without a width, a cell spanning two columns of 10 and 20 shares its 100 pixels by their widths.
  Page spanning(
      "<table cellspacing=0 cellpadding=0><tr><td colspan=2>aaaaaaaaaa</td></tr><tr><td>b</td><td>cc</td></tr>");
  int32_t minWidth = 0, maxWidth = 0;
  spanning.table->MeasureMinMaxWidth(spanning.canvas, minWidth, maxWidth);
  EXPECT_EQ(spanning.table->MinWidths, (std::vector<int32_t>{33, 67}));
  EXPECT_EQ(spanning.table->MaxWidths, (std::vector<int32_t>{33, 67}));
}

// The width methods on columns of known minimum and maximum widths and percentages (per-mille).
struct Columns {
  std::vector<int32_t> mins, maxes, percents;
};

ThtmlTable& TableWith(Page& page, const Columns& columns) {
  ThtmlTable& table = *page.table;
  table.Initialize();
  table.NumCols = static_cast<int32_t>(columns.mins.size());
  table.MinWidths = columns.mins;
  table.MaxWidths = columns.maxes;
  table.Percents = columns.percents.empty() ? std::vector<int32_t>(columns.mins.size()) : columns.percents;
  table.Widths.assign(columns.mins.size(), 0);
  return table;
}

int32_t Sum(const std::vector<int32_t>& values) { return std::accumulate(values.begin(), values.end(), 0); }

// DistributePercent for a table of fixed width, FitWidths for one that takes what it needs of the room.
TEST(TableWidths, WorkedExamples) {
  struct Case {
    bool fixed;
    Columns columns;
    int32_t w;
    std::vector<int32_t> widths;
  } cases[] = {
      // 51 + 51 is one too many; each loses MulDiv(1, 500, 1000) = 1 and the pixel left goes to the first.
      {true, {{10, 10}, {10, 10}, {500, 500}}, 101, {51, 50}},
      {true, {{20, 40}, {20, 40}, {}}, 200, {90, 110}},                        // no column can grow: equal shares
      {true, {{20, 20}, {20, 80}, {}}, 200, {20, 180}},                        // by what each column could grow
      {true, {{20, 20}, {20, 80}, {}}, 400, {200, 200}},                       // over four times that: equal shares
      {true, {{30, 10}, {30, 10}, {200, 0}}, 100, {30, 70}},                   // a percentage below the minimum
      {true, {{10, 10, 10}, {10, 10, 10}, {600, 600, 0}}, 100, {45, 45, 10}},  // 130: each percentage gives 15
      {true, {{20, 20, 10}, {20, 20, 10}, {300, 300, 0}}, 100, {30, 30, 40}},
      {false, {{20, 20}, {110, 50}, {}}, 100, {65, 35}},
      {false, {{20, 20}, {110, 50}, {}}, 102, {66, 36}},  // 67 + 36 by MulDiv; the widest range gives back one
      {false, {{40, 50}, {40, 110}, {500, 0}}, 150, {75, 75}},
      {false, {{10, 10}, {40, 40}, {250, 0}}, 400, {40, 120}},  // narrower than the room: what the percentage needs
      {false, {{10, 10}, {50, 30}, {600, 600}}, 70, {43, 27}},  // percentages over 100 % count as none
      {false, {{10, 10}, {50, 50}, {1000, 0}}, 100, {90, 10}},  // 100 % beside a column with content: shrunk
      {false, {{10, 20}, {10, 20}, {}}, 100, {45, 55}},         // no range: equal shares of the room left
  };
  for (const Case& c : cases) {
    Page page("<table></table>");
    ThtmlTable& table = TableWith(page, c.columns);
    if (c.fixed)
      table.DistributePercent(c.w);
    else
      table.FitWidths(Sum(c.columns.mins), Sum(c.columns.maxes), c.w);
    EXPECT_EQ(table.Widths, c.widths) << c.fixed << " " << c.w;
  }
}

// Whatever the columns, a fixed table width and a table without percentages come out exactly as wide as the room,
// without a negative column.
TEST(TableWidths, SumsMatchTheRoom) {
  std::mt19937 random(23);
  auto below = [&random](int n) { return static_cast<int32_t>(random() % static_cast<uint32_t>(n)); };
  for (int round = 0; round < 2000; ++round) {
    Columns columns;
    const int count = 1 + below(8);
    for (int c = 0; c < count; ++c) {
      columns.mins.push_back(below(100));
      columns.maxes.push_back(columns.mins.back() + below(200));
      columns.percents.push_back(below(3) == 0 ? 0 : 1 + below(round % 2 ? 400 : 1500 / count));
    }
    const int32_t w = Sum(columns.mins) + 1 + below(1000);
    Page page("<table></table>");
    ThtmlTable& table = TableWith(page, columns);
    table.DistributePercent(w);
    EXPECT_EQ(Sum(table.Widths), w) << round;
    EXPECT_GE(*std::min_element(table.Widths.begin(), table.Widths.end()), 0) << round;
    std::fill(table.Percents.begin(), table.Percents.end(), round % 3 == 0 ? 0 : 1 + below(2000 / count));
    const int32_t pctTotal = Sum(table.Percents);
    table.FitWidths(Sum(columns.mins), Sum(columns.maxes), w);
    if (pctTotal > 1000 || round % 3 == 0) {
      EXPECT_EQ(Sum(table.Widths), w) << round;
    }
    EXPECT_GE(*std::min_element(table.Widths.begin(), table.Widths.end()), 0) << round;
  }
}

// Small tables whose geometry follows from the rules by hand: columns, rows, the table's size and where words land.
TEST(TableLayout, DocumentsWithKnownGeometry) {
  const std::string plain = "<table cellspacing=0 cellpadding=0>";
  struct Word {
    const char16_t* word;
    int32_t x, y;
  };
  struct Case {
    std::string html;
    int32_t room, givenWidth, tableHeight;
    std::vector<int32_t> widths, heights;
    int32_t width, height;
    std::vector<Word> words;
  } cases[] = {
      {plain + "<tr><td width=100>a</td><td>bb cc</td></tr>",
       400,
       0,
       0,
       {100, 50},
       {20},
       150,
       20,
       {{u"a", 0, 0}, {u"cc", 130, 0}}},
      {plain + "<tr><td width=100>a</td><td>bb cc</td></tr>",
       130,
       0,
       0,
       {100, 30},
       {40},
       130,
       40,
       {{u"a", 0, 10}, {u"bb", 100, 0}, {u"cc", 100, 20}}},
      {plain + "<tr><td>aa bb cc dd</td><td>ee ff</td></tr>",
       100,
       0,
       0,
       {65, 35},
       {40},
       100,
       40,
       {{u"ee", 65, 0}, {u"ff", 65, 20}}},
      {plain + "<tr><td>aa bb cc dd</td><td>ee ff</td></tr>", 102, 0, 0, {66, 36}, {40}, 102, 40, {{u"ee", 66, 0}}},
      {"<table width=101 cellspacing=0 cellpadding=0><tr><td width=\"50%\">a</td><td width=\"50%\">b</td>",
       400,
       101,
       0,
       {51, 50},
       {20},
       101,
       20,
       {{u"b", 51, 0}}},
      {plain + "<tr><td width=\"50%\">AAAA</td><td>BBBBB BBBBB</td></tr>",
       400,
       0,
       0,
       {75, 75},
       {40},
       150,
       40,
       {{u"AAAA", 0, 10}}},
      {plain + "<tr><td colspan=2>aaaaaaaaaa</td></tr><tr><td>b</td><td>cc</td></tr>",
       400,
       0,
       0,
       {45, 55},
       {20, 20},
       100,
       40,
       {{u"cc", 45, 20}}},
      {plain + "<tr height=25><td rowspan=2>a<br>b<br>c</td><td>x</td></tr><tr><td>y</td></tr>",
       400,
       0,
       0,
       {10, 10},
       {32, 28},
       20,
       60,
       {{u"x", 10, 6}, {u"y", 10, 36}}},
      {"<table height=100 cellspacing=0 cellpadding=0><tr><td>a</td></tr><tr><td height=30>b</td></tr>",
       400,
       0,
       100,
       {10},
       {70, 30},
       10,
       100,
       {{u"a", 0, 25}, {u"b", 0, 75}}},
      {plain + "<tr><td width=50>a</td><td>aa bb</td><td>cc dd</td></tr>",
       121,
       0,
       0,
       {50, 35, 36},
       {40},
       121,
       40,
       {{u"aa", 50, 0}, {u"bb", 50, 20}, {u"cc", 85, 0}, {u"a", 0, 10}}},
      {"<table border=1><tr><td>a</td></tr></table>", 400, 0, 0, {16}, {26}, 18, 28, {{u"a", 5, 5}}},
      {plain + "<tr valign=bottom><td>a<br>b</td><td>c</td></tr>", 400, 0, 0, {10, 10}, {40}, 20, 40, {{u"c", 10, 20}}},
      {plain + "<tr valign=bottom><td>a<br>b</td><td valign=top>c</td></tr>",
       400,
       0,
       0,
       {10, 10},
       {40},
       20,
       40,
       {{u"c", 10, 0}}},
      {plain + "<tr><td nowrap>aa bb</td><td>cc dd</td></tr>",
       60,
       0,
       0,
       {50, 20},
       {40},
       70,
       40,
       {{u"cc", 50, 0}, {u"dd", 50, 20}}},
  };
  for (const Case& c : cases) {
    Page page(c.html);
    ASSERT_NE(page.table, nullptr) << c.html;
    const bool bordered = page.table->BorderWidth > 0;  // drawn inside the table block's 1-pixel frame
    page.LayOut(c.room, c.tableHeight, c.givenWidth, bordered, bordered);
    EXPECT_EQ(page.table->Widths, c.widths) << c.html << " at " << c.room;
    EXPECT_EQ(page.table->Heights, c.heights) << c.html << " at " << c.room;
    EXPECT_EQ(page.table->TableWidth, c.width) << c.html << " at " << c.room;
    EXPECT_EQ(page.table->TableHeight, c.height) << c.html << " at " << c.room;
    for (const Word& w : c.words) EXPECT_EQ(page.At(w.word), std::make_pair(w.x, w.y)) << c.html << " at " << c.room;
  }
}

TEST(TableLayout, RowHeights) {
  const std::string plain = "<table cellspacing=0 cellpadding=0";
  struct Case {
    std::string html;
    int32_t tableHeight;
    std::vector<int32_t> heights;
    int32_t yIndent;  // of the first cell
  } cases[] = {
      {plain + "><tr height=101><td>a<br>b</td>", 0, {101}, 25},  // 51 left over, halved and truncated
      {plain + " height=100><tr><td height=20>a<tr><td height=30>b", 100, {45, 55}, 10},  // all asked: in proportion
      {plain + " height=100><tr><td height=\"80%\">a<tr><td height=\"40%\">b", 100, {64, 36}, 19},
      {plain + " height=100><tr></tr><tr></tr>", 100, {50, 50}, -1},  // rows without cells share the height
      {plain + " height=100></table>", 100, {}, -1},
  };
  for (const Case& c : cases) {
    Page page(c.html, 25);
    page.LayOut(400, c.tableHeight);
    EXPECT_EQ(page.table->Heights, c.heights) << c.html;
    if (c.yIndent >= 0) {
      EXPECT_EQ((*page.table->Rows[0])[0]->YIndent, c.yIndent) << c.html;
    }
  }
  // A narrower room makes the row heights anew.
  Page page("<table cellspacing=0 cellpadding=0><tr><td width=100>a</td><td>bb cc</td></tr></table>");
  page.LayOut(400);
  page.LayOut(130);
  EXPECT_EQ(page.table->Heights, std::vector<int32_t>{40});
  // Tables without cells take the cell spacing.
  for (const char* empty : {"<table width=200></table>", "<table height=100></table>"}) {
    Page none(empty);
    none.LayOut(400, 100, 200);
    EXPECT_EQ(none.table->TableWidth, 2) << empty;
    EXPECT_EQ(none.table->TableHeight, 2) << empty;
  }
}

// Tables nested eight deep: the outermost table lays its cells out twice, each nested one below six levels once
// more for its own heights; deeper ones keep theirs, so the innermost text is laid out 1 + 2^4 times, not 2^7.
TEST(TableLayout, NestedTablesLayOutInBoundedTime) {
  std::string html = "x";
  for (int level = 0; level < 8; ++level) html = "<table><tr><td>" + html + "</td></tr></table>";
  Page page(html);
  ASSERT_EQ(page.cells.size(), 1u);
  page.LayOut(400);
  EXPECT_EQ(page.cells[0]->layouts, 17);
  EXPECT_EQ(page.At(u"x"), std::make_pair(8 * 2 + 8 * 1, 8 * 2 + 8 * 1));  // spacing 2 and padding 1 each level
}

TEST(TablePainting, BackgroundsBevelsAndLinks) {
  Page bordered("<table border=1><tr><td>a</td></tr></table>");
  bordered.LayOut(400, 0, 0, 1, 1);
  auto pixel = [](Page& page, int x, int y) { return page.bitmap.GetPixel(x, y); };
  const pf::TColor dark = pf::ColorToDrawRGB(pf::clBtnShadow);
  // The cell lies sunken: dark above and at the left, silver below and at the right, around (3, 3)-(17, 27).
  EXPECT_EQ(pixel(bordered, 3, 10), dark);
  EXPECT_EQ(pixel(bordered, 10, 3), dark);
  EXPECT_EQ(pixel(bordered, 16, 10), pf::clSilver);
  EXPECT_EQ(pixel(bordered, 10, 26), pf::clSilver);
  EXPECT_EQ(pixel(bordered, 17, 10), pf::clWhite);
  EXPECT_EQ(pixel(bordered, 4, 4), pf::clWhite);

  // A cell colour fills the cell's box: its columns less the spacing before it, its rows likewise.
  Page colored("<table cellpadding=0><tr><td bgcolor=#ff0000 width=20 href=u.html target=t title=T>a</td></tr>");
  colored.LayOut(400);
  for (auto [x, y, red] : {std::tuple{2, 2, true}, {21, 21, true}, {1, 10, false}, {22, 10, false}, {10, 22, false}})
    EXPECT_EQ(pixel(colored, x, y) == pf::clRed, red) << x << "," << y;
  // The cell's address and title answer where its content has none; outside the table nothing does.
  std::unique_ptr<TUrlTarget> target;
  TFormControlObj* control = nullptr;
  std::string title;
  EXPECT_EQ(colored.table->GetLinkAt(colored.canvas, 15, 15, target, control, title), 5);
  ASSERT_NE(target, nullptr);
  EXPECT_EQ(target->Url + " " + target->Target + " " + title, "u.html t T");
  EXPECT_EQ(colored.table->GetLinkAt(colored.canvas, 30, 15, target, control, title), 0);
  EXPECT_EQ(colored.table->GetLinkAt(colored.canvas, 1, 15, target, control, title), 0);  // in the spacing

  Page grid("<table><tr><td href=a>x<td href=b>y<tr><td href=c>z<td href=d>w</table>");
  grid.LayOut(400);
  EXPECT_EQ(grid.table->GetLinkAt(grid.canvas, 20, 30, target, control, title), 1);
  EXPECT_EQ(target->Url, "d");
}

TEST(TablePainting, PageBreaksOfRows) {
  // Rows 24 high (text 20, padding 1, spacing 2); the page is 200 high.
  struct Case {
    const char* rows;
    int32_t pageBottom, newBottom;
  } cases[] = {
      {"<tr><td>a<tr><td style=\"page-break-before: always\">b", 1000, 25},    // half the spacing below its top
      {"<tr><td style=\"page-break-before: always\">a<tr><td>b", 1000, 1000},  // at the top of the page already
      {"<tr><td style=\"page-break-after: always\">a", 1000, 25},
      {"<tr><td>a<tr><td>b", 30, 24},               // a low row is not split
      {"<tr><td>a<tr><td height=150>b", 100, 100},  // a high one is
      {"<tr><td height=300>a<tr><td>b", 100, 100},  // as is a row taller than a page at its top
      {"<tr><td>a<tr><td height=150 style=\"page-break-inside: avoid\">b", 100, 24},
      {"<tr><td>a<tr><td height=300 style=\"page-break-inside: avoid\">b", 100, 25},  // fits on no page
  };
  for (const Case& c : cases) {
    Page page(std::string("<table>") + c.rows + "</table>");
    page.list.Printing = true;
    page.list.PageBottom = c.pageBottom;
    page.list.PageShortened = false;
    page.LayOut(400);
    EXPECT_EQ(page.list.PageBottom, c.newBottom) << c.rows;
    EXPECT_EQ(page.list.PageShortened, c.newBottom != c.pageBottom) << c.rows;
  }
}

}  // namespace
