// Whole documents laid out and painted as the viewer does it: the section list drives the body block, blocks hold
// text and tables, tables hold cell blocks with text and pictures. Text is set in the box test font (every
// character 10 pixels wide, 20 high, painted as a black box in columns [x + 1, x + 9)), so that where each glyph
// landed can be read back from the painted pixels. Also the engine's own pages at the widths a user would see.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>

#include "platform/core/mathutil.h"
#include "platform/graphics/bitmap.h"
#include "platform/graphics/fonts.h"
#include "tests/largest_allocation.h"
#include "tests/viewer/viewer_test_support.h"
#include "viewer/blocks.h"
#include "viewer/font_runs.h"
#include "viewer/form_controls.h"
#include "viewer/html_parser.h"
#include "viewer/image_cache.h"
#include "viewer/section_list.h"
#include "viewer/table_structure.h"
#include "viewer/text_sections.h"

namespace {

using namespace viewer;
namespace fs = std::filesystem;

constexpr int32_t kCanvasWidth = 400, kCanvasHeight = 200;

// A document in the box font at 20 pixels without margins, laid out at a width and painted on white.
struct Document {
  explicit Document(const std::string& html, int32_t marginWidth = 0, int32_t marginHeight = 0)
      : list(&viewer, nullptr) {
    viewertest::UseBoxFont();
    list.ApplyDefaultFontsAndColors("HtBox", "HtBox", marginWidth, marginHeight, pf::DEFAULT_CHARSET, true, false,
                                    pf::clWhite, 0xFF, 0x800080, 0xFF0000, pf::clBlack, 15);
    list.BitmapList = &cache;
    TParseResult result;
    ParseHtmlDocument(html, list, nullptr, nullptr, nullptr, nullptr, result);
  }
  int32_t Layout(int32_t width, int32_t height = kCanvasHeight) {
    return list.ComputeLayout(canvas(), pf::TRect{0, 0, width, height}, maxWidth);
  }
  void Paint() {
    const pf::TRect all{0, 0, bitmap.GetWidth(), bitmap.GetHeight()};
    canvas().Brush().SetColor(pf::clWhite);
    canvas().FillRect(all);
    list.Paint(canvas(), all, 0);
  }
  // The character cells painted. A row of a glyph's box is a run of exactly 8 black pixels starting one column right
  // of its cell; boxes of lines one below the other touch, so a column of such runs holds a box every 20 rows.
  std::set<std::pair<int32_t, int32_t>> Cells() {
    const int width = bitmap.GetWidth(), height = bitmap.GetHeight();
    auto black = [&](int x, int y) { return x >= 0 && x < width && canvas().Pixels(x, y) == pf::clBlack; };
    auto boxRow = [&](int x, int y) {
      if (y >= height || black(x - 1, y) || black(x + 8, y)) return false;
      for (int k = 0; k < 8; ++k)
        if (!black(x + k, y)) return false;
      return true;
    };
    std::set<std::pair<int32_t, int32_t>> cells;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        if (!boxRow(x, y) || (y > 0 && boxRow(x, y - 1))) continue;
        int rows = 0;
        while (boxRow(x, y + rows)) ++rows;
        for (int top = y; top < y + rows; top += 20) cells.insert({x - 1, top});
      }
    return cells;
  }
  pf::TCanvas& canvas() { return bitmap.Canvas(); }

  viewertest::NoViewer viewer;
  TStringBitmapList cache;
  TSectionList list;
  pf::TBitmap bitmap{kCanvasWidth, kCanvasHeight, pf::pf24bit};
  int32_t maxWidth = 0;
};

struct Word {
  const char* text;
  int32_t x, y;
};

// The cells of words set at their places (a blank paints nothing).
std::set<std::pair<int32_t, int32_t>> CellsOf(const std::vector<Word>& words) {
  std::set<std::pair<int32_t, int32_t>> cells;
  for (const Word& w : words)
    for (size_t i = 0; w.text[i]; ++i)
      if (w.text[i] != ' ') cells.insert({w.x + 10 * static_cast<int32_t>(i), w.y});
  return cells;
}

// The text sections and tables of a cell and of everything nested in it, in document order.
struct Contents {
  std::vector<TSection*> sections;
  std::vector<ThtmlTable*> tables;
  bool intoTables = true;  // false: only what stands in the cell itself, outside tables inside it
  void Collect(TCellBasic& cell) {
    for (int i = 0; i < cell.Count(); ++i) {
      if (auto* section = dynamic_cast<TSection*>(cell[i])) sections.push_back(section);
      if (auto* block = dynamic_cast<TBlock*>(cell[i])) Collect(*block->MyCell);
      auto* table = dynamic_cast<ThtmlTable*>(cell[i]);
      if (table && intoTables) {
        tables.push_back(table);
        for (int r = 0; r < table->Rows.Count(); ++r)
          for (int c = 0; c < table->Rows[r]->Count(); ++c)
            if ((*table->Rows[r])[c]) Collect(*(*table->Rows[r])[c]->Cell);
      }
    }
  }
};

// Documents whose every glyph position and height follow from the layout rules by hand (text alone and tables alone
// are the text and table layout tests' own): text between floats, a block clearing both, list markers right-aligned
// 10 left of the item's content on its first line (a table's first line too), blocks and tables nested in cells.
TEST(DocumentGeometry, EveryGlyphWhereTheRulesPutIt) {
  const std::string plain = "<table cellspacing=0 cellpadding=0>";
  struct Case {
    std::string html;
    int32_t width, height;
    std::vector<Word> words;
  } cases[] = {
      {"<div style=\"float:left; width:30px; height:40px\"></div><div style=\"float:right; width:20px; "
       "height:20px\"></div>aaa bbb ccc",
       100,
       40,
       {{"aaa", 30, 0}, {"bbb ccc", 30, 20}}},
      {"<div style=\"float:left; width:30px; height:40px\"></div><div style=\"float:right; width:20px; "
       "height:60px\"></div>a<div style=\"clear:both\">b</div>",
       100,
       80,
       {{"a", 30, 0}, {"b", 0, 60}}},
      {"<ol start=3 type=A style=\"margin:0; padding-left:50px\"><li>a<li value=10>b c</ol>",
       70,
       60,
       {{"C.", 20, 0}, {"a", 50, 0}, {"J.", 20, 20}, {"b", 50, 20}, {"c", 50, 40}}},
      {"<div style=\"height:100px\"></div><ol style=\"margin:0; padding-left:50px\"><li>" + plain +
           "<tr><td>a</td></tr></table></ol>",
       100,
       120,
       {{"1.", 20, 100}, {"a", 50, 100}}},
      // Nesting: a bordered, padded block (30 high) in a cell beside a cell holding a 30 x 20 picture on the
      // baseline of "c" (the line 24 high) and a list item; the row 44 high centres the block 7 down. Then a table
      // in a cell of a table.
      {plain + "<tr><td><div style=\"border:2px solid #ff0000; padding:3px\">ab</div></td>"
               "<td><img width=30 height=20>c<ul style=\"margin:0; padding-left:20px\"><li>d</ul></td></tr></table>",
       400,
       44,
       {{"ab", 5, 12}, {"c", 60, 4}, {"d", 50, 24}}},
      {plain + "<tr><td>a</td><td>" + plain + "<tr><td>bb</td><td width=40>c</td></tr></table></td></tr></table>",
       400,
       20,
       {{"a", 0, 0}, {"bb", 10, 0}, {"c", 30, 0}}},
  };
  for (const Case& c : cases) {
    Document doc(c.html);
    EXPECT_EQ(doc.Layout(c.width), c.height) << c.html << " at " << c.width;
    doc.Paint();
    EXPECT_EQ(doc.Cells(), CellsOf(c.words)) << c.html << " at " << c.width;
  }
}

// Preformatted text keeps its blanks and each line whole however narrow the room, so that the document grows as wide
// as its longest line; a blank line is a line high; the narrowest width counts leading blanks, so that a cell
// beside an indented line starts after it, and stops at 6000. A style that breaks words wraps it as plain text.
TEST(DocumentGeometry, PreformattedText) {
  const std::string pre = "<pre style=\"margin:0; font-size:15pt", plain = "<table cellspacing=0 cellpadding=0>";
  static const std::string longLine(700, 'x'), visible(40, 'x');
  struct Case {
    std::string html;
    int32_t width, height, documentWidth, min, max;
    std::vector<Word> words;
  } cases[] = {
      {pre + "\">a  b\nc</pre>", 100, 40, 100, 40, 40, {{"a  b", 0, 0}, {"c", 0, 20}}},
      {pre + "\">one\n\nthree</pre>", 100, 60, 100, 30, 30, {{"one", 0, 0}, {"three", 0, 40}}},
      {pre + "\">abcdefgh</pre>", 50, 20, 80, 80, 80, {{"abcdefgh", 0, 0}}},
      {pre + "\"><panel align=left width=30 height=20>ab</pre>", 40, 20, 56, 56, 56, {{"ab", 36, 0}}},
      {pre + "\">" + longLine + "</pre>", 100, 20, 7000, 6000, 7000, {{visible.c_str(), 0, 0}}},
      {plain + "<tr><td>" + pre + "\">  ab</pre></td><td>c</td></tr></table>",
       30,
       20,
       50,
       40,
       40,
       {{"ab", 20, 0}, {"c", 40, 0}}},
      {pre + "; word-wrap:break-word\">abcdefgh</pre>", 50, 40, 50, 10, 80, {{"abcde", 0, 0}, {"fgh", 0, 20}}},
  };
  for (const Case& c : cases) {
    const std::string at = c.html.substr(0, 80) + " at " + std::to_string(c.width);
    Document doc(c.html);
    EXPECT_EQ(doc.Layout(c.width), c.height) << at;
    EXPECT_EQ(doc.maxWidth, c.documentWidth) << at;
    doc.Paint();
    EXPECT_EQ(doc.Cells(), CellsOf(c.words)) << at;
    Contents contents;
    contents.Collect(doc.list);
    int32_t min = 0, max = 0;
    contents.sections.at(0)->MeasureMinMaxWidth(doc.canvas(), min, max);
    EXPECT_EQ(std::make_pair(min, max), std::make_pair(c.min, c.max)) << at;
  }
}

// A table block takes its margins' and border's room around the table; a table with a percentage width takes the
// same width with a caption as without, and the caption is centred over it.
TEST(DocumentGeometry, TableBlocks) {
  Document bordered("<table border=1><tr><td>a</td></tr></table>");
  bordered.Layout(400);
  auto& body = dynamic_cast<TBlock&>(*bordered.list[0]);
  ASSERT_GT(body.MyCell->Count(), 0);
  EXPECT_EQ(dynamic_cast<TTableBlock&>(*(*body.MyCell)[0]).SectionHeight, 30);

  const std::string table = "<table width=\"50%\" cellspacing=0 cellpadding=0>";
  const std::string row = "<tr><td bgcolor=#ff0000>a</td></tr></table>";
  for (bool captioned : {false, true}) {
    Document doc(table + (captioned ? "<caption>c</caption>" : "") + row);
    const int32_t top = captioned ? 20 : 0;
    EXPECT_EQ(doc.Layout(400), top + 20) << captioned;
    doc.Paint();
    std::vector<Word> words = {{"a", 0, top}};
    if (captioned) words.push_back({"c", 95, 0});
    EXPECT_EQ(doc.Cells(), CellsOf(words)) << captioned;
    EXPECT_EQ(doc.canvas().Pixels(199, top + 10), pf::clRed) << captioned;
    EXPECT_EQ(doc.canvas().Pixels(200, top + 10), pf::clWhite) << captioned;
  }

  // A table's BGCOLOR fills its cells also where the table is measured before its own layout: inside a cell and in
  // a floated block, as at the top.
  const std::string red = "<table bgcolor=#ff0000 cellspacing=0 cellpadding=0><tr><td>a</td></tr></table>";
  for (const std::string& html : {red, "<table cellspacing=0 cellpadding=0><tr><td>" + red + "</td></tr></table>",
                                  "<div style=\"float:left\">" + red + "</div>"}) {
    Document doc(html);
    doc.Layout(400);
    doc.Paint();
    EXPECT_EQ(doc.canvas().Pixels(9, 10), pf::clRed) << html;
    EXPECT_EQ(doc.canvas().Pixels(10, 10), pf::clWhite) << html;
  }

  // A caption wider than its table: the wrapper takes the caption's longest word, so that the caption starts on the
  // page, and the table stands in it by its alignment (centred: under the caption's middle).
  for (const char* align : {"", " align=center"}) {
    Document doc(std::string("<table cellspacing=0 cellpadding=0") + align +
                 "><caption>cccccc</caption><tr><td>a</td></tr></table>");
    EXPECT_EQ(doc.Layout(400), 40) << align;
    doc.Paint();
    const int32_t left = *align ? 170 : 0;
    EXPECT_EQ(doc.Cells(), CellsOf({{"cccccc", left, 0}, {"a", left + (*align ? 25 : 0), 20}})) << align;
  }
}

// Background pictures of cells, from the cell's BACKGROUND or style and from the row's: tiled from each cell's corner
// or placed once by their position, their transparent pixels showing the colour below. Painted again in a band that
// starts inside the cells, the pixels are the same.
// Pixels of the band of doc's canvas between (band.Left, band.Top) and (right, bottom), after the document was painted
// again into that band alone on white.
std::vector<pf::TColor> PaintedBand(Document& doc, const pf::TRect& band, int32_t right, int32_t bottom) {
  doc.canvas().Brush().SetColor(pf::clWhite);
  doc.canvas().FillRect({0, 0, kCanvasWidth, kCanvasHeight});
  doc.list.Paint(doc.canvas(), band, 0);
  std::vector<pf::TColor> pixels;
  for (int y = band.Top; y < bottom; ++y)
    for (int x = band.Left; x < right; ++x) pixels.push_back(doc.canvas().Pixels(x, y));
  return pixels;
}

// Background pictures of cells, rows and blocks are tiled from their box's corner, the same whether the whole window
// or a band of it is painted; a huge block's tiles cost what is painted.
TEST(DocumentGeometry, BackgroundPictures) {
  const fs::path file = fs::temp_directory_path() / ("pexu-cell-" + std::to_string(getpid()) + ".gif");
  const std::vector<uint8_t> bytes = viewertest::CheckeredGif();
  std::ofstream(file, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  Document doc("<table cellspacing=0 cellpadding=0><tr><td background=\"" + file.string() +
               "\" width=40 height=20></td><td bgcolor=#00ff00 width=40 height=20 style=\"background-image:url(" +
               file.string() +
               "); background-repeat:no-repeat; background-position:center\"></td></tr><tr background=\"" +
               file.string() + "\"><td height=20></td><td height=20></td></tr></table>");
  doc.Layout(400);
  doc.Paint();
  Document block("<div style=\"width:8000px; height:8000px; background-image:url(" + file.string() + ")\"></div>");
  block.Layout(400);
  const int64_t largest = pf::LargestAllocation([&] { block.Paint(); });
  fs::remove(file);
  const struct {
    int x, y;
    pf::TColor color;
  } probes[] = {
      {0, 0, pf::clRed},     {1, 0, pf::clBlue},    {4, 0, pf::clRed},     {3, 3, pf::clWhite},  {38, 19, pf::clBlue},
      {39, 19, pf::clWhite}, {58, 8, pf::clRed},    {59, 8, pf::clBlue},   {61, 11, pf::clLime}, {57, 8, pf::clLime},
      {58, 12, pf::clLime},  {0, 20, pf::clRed},    {1, 20, pf::clBlue},   {40, 20, pf::clRed},  {41, 20, pf::clBlue},
      {43, 23, pf::clWhite}, {80, 10, pf::clWhite}, {10, 40, pf::clWhite},
  };
  for (const auto& p : probes) EXPECT_EQ(doc.canvas().Pixels(p.x, p.y), p.color) << p.x << "," << p.y;
  std::vector<pf::TColor> whole;
  for (int y = 9; y < 45; ++y)
    for (int x = 45; x < 85; ++x) whole.push_back(doc.canvas().Pixels(x, y));
  EXPECT_EQ(PaintedBand(doc, {45, 9, 400, 200}, 85, 45), whole);

  for (const auto& p : {std::tuple(0, 0, pf::clRed),
                        {1, 0, pf::clBlue},
                        {3, 3, pf::clWhite},
                        {398, 197, pf::clBlue},
                        {399, 199, pf::clWhite}})
    EXPECT_EQ(block.canvas().Pixels(std::get<0>(p), std::get<1>(p)), std::get<2>(p));
  if (largest >= 0) {
    EXPECT_LT(largest, 16 << 20);
  }
  whole.clear();
  for (int y = 37; y < 200; ++y)
    for (int x = 101; x < 400; ++x) whole.push_back(block.canvas().Pixels(x, y));
  EXPECT_EQ(PaintedBand(block, {101, 37, 400, 200}, 400, 200), whole);
}

// Lengths of any size a page gives (styles and attributes of boxes, pictures, tables, controls, text) and sums of
// many of them (a document of tall blocks, a section of tall lines, a line of wide pieces, a table of many rows or
// columns, many floats) lay out, paint and answer queries within 32-bit sums (the sanitizers stop any overflow),
// and the text after them is kept, below the text before.
TEST(DocumentGeometry, LengthsOfAnySizeStayWithinTheirSums) {
  auto repeat = [](const std::string& piece, int count) {
    std::string text;
    for (int i = 0; i < count; ++i) text += piece;
    return text;
  };
  const std::string big = "2000000000px";
  const std::string box = "padding:" + big + ";margin:" + big + ";border:" + big + " solid red;width:" + big +
                          ";height:" + big + ";top:" + big + ";left:" + big;
  const struct {
    const char* what;
    std::string html;
  } pages[] = {
      {"numbers that are none",
       "<img width=nan height=+nan><table width=-inf><tr><td width=1e999 height=-nan>c</table>"},
      {"a table",
       "<table width=2147483647 border=2147483647 cellpadding=2147483647 cellspacing=2147483647><tr>"
       "<td width=2147483647 height=2147483647>c<td>d</table>"},
      {"pictures",
       "<img width=2147483647 height=2147483647 hspace=5 vspace=-2147483648 border=2147483647>"
       "<img align=left width=2147483647 hspace=2147483647><img style='" +
           box + "'>"},
      {"boxes", repeat("<div style='" + box + "'>b</div><p style='" + box + ";position:relative'>r</p>", 3)},
      {"nested boxes", repeat("<div style='" + box + ";position:absolute'>", 20) + "n"},
      {"text", "<p style='letter-spacing:" + big + ";text-indent:" + big + "'>ab cd</p><p style='line-height:" + big +
                   "'>e</p><p style='line-height:2000000000;font-size:" + big + "'>f</p>"},
      {"rules and controls",
       "<hr width=2147483647 size=2147483647><hr width=-2147483648%><input size=2147483647>"
       "<textarea rows=2147483647 cols=2147483647></textarea><select size=2147483647></select>"},
      {"tall blocks", repeat("<div style='height:600000px'>t</div>", 600)},
      {"tall lines", "<p style='line-height:" + big + "'>" + repeat("a<br>", 600) + "</p>"},
      {"wide pieces", "<pre style='letter-spacing:600000px'>" + repeat("<b>W</b>W", 2000) + "</pre>"},
      {"tall rows", "<table>" + repeat("<tr><td height=32000>r", 9000) + "</table>"},
      {"wide columns", "<table><tr>" + repeat("<td width=32000>c", 9000) + "</table>"},
      {"floats", repeat("<img align=left width=600000 height=600000 hspace=600000>", 500) + "f"},
  };
  for (const auto& page : pages) {
    Document doc("<p>before</p>" + page.html + "<p>after</p>");
    const int32_t height = doc.Layout(600);
    EXPECT_GT(height, 0) << page.what;
    EXPECT_LT(height, INT32_MAX / 2) << page.what;
    Contents contents;
    contents.Collect(doc.list);
    const TSection *before = nullptr, *after = nullptr;
    for (const TSection* section : contents.sections) {
      if (section->Text == u"before ") before = section;
      if (section->Text == u"after ") after = section;
    }
    ASSERT_TRUE(before && after) << page.what;
    EXPECT_GE(after->YPosition, before->YPosition) << page.what;
    for (const int32_t y : {0, height / 2, after->YPosition - 10}) {
      doc.list.SetYOffset(y);
      doc.Paint();
      std::unique_ptr<TUrlTarget> link;
      TFormControlObj* control = nullptr;
      std::string title;
      doc.list.GetLinkAt(doc.canvas(), 100, y + 50, link, control, title);
      bool inText = false;
      int32_t lineHeight = 0, lineTop = 0, caretX = 0;
      doc.list.GetPositionAtPoint(doc.canvas(), 100, y + 50, inText, lineHeight, lineTop, caretX);
    }
    int32_t x = 0, y = 0;
    EXPECT_TRUE(doc.list.GetPositionXY(doc.canvas(), after->StartCurs, x, y)) << page.what;
  }
}

// Caret positions and copying across blocks on the document as a whole.
TEST(DocumentGeometry, CaretSelectionAndCopyOnTheWholeDocument) {
  Document doc("abcd");
  doc.Layout(200);
  doc.Paint();
  bool inText = false;
  int32_t lineHeight = 0, lineTop = 0, caretX = 0;
  EXPECT_EQ(doc.list.GetPositionAtPoint(doc.canvas(), 16, 5, inText, lineHeight, lineTop, caretX), 2);
  EXPECT_EQ(doc.list.GetPositionAtPoint(doc.canvas(), 15, 5, inText, lineHeight, lineTop, caretX), 1);
  const pf::TColor highlight = pf::ColorToDrawRGB(pf::clHighlight);
  doc.list.SelB = 1;
  doc.list.SelE = 3;
  doc.Paint();
  for (auto [x, y, selected] : std::initializer_list<std::tuple<int, int, bool>>{
           {10, 0, true}, {29, 19, true}, {9, 10, false}, {30, 10, false}, {15, 20, false}})
    EXPECT_EQ(doc.canvas().Pixels(x, y) == highlight, selected) << x << "," << y;

  // Copying up to the end of "cd", or past the end of its section, which then ends with a line break; paragraphs
  // and forced line breaks give one line break each, and a word inside a paragraph none.
  struct Copy {
    const char* html;
    bool pastEnd;
    std::u16string text;
  } copies[] = {{"<div>ab</div><div>cd</div>", false, u"ab\r\ncd"},
                {"<div>ab</div><div>cd</div>", true, u"ab\r\ncd\r\n"},
                {"<p>ab</p><p>cd</p>", false, u"ab\r\ncd"},
                {"<p>ab</p><p>cd</p>", true, u"ab\r\ncd\r\n"},
                {"a<br><br>cd", false, u"a\r\n\r\ncd"},
                {"<p>ab cd ef</p>", false, u"ab cd"}};
  for (const Copy& c : copies) {
    Document two(c.html);
    two.Layout(200);
    two.list.SelB = 0;
    two.list.SelE = c.pastEnd ? 100 : two.list.SearchForward(0, u"cd", false) + 2;
    std::u16string copied(16, u'\0');
    copied.resize(static_cast<size_t>(two.list.CopySelectedTextToBuffer(copied.data(), 16) - 1));
    EXPECT_EQ(copied, c.text) << c.html << " to " << two.list.SelE;
  }
}

// A link with the keyboard focus gets a dotted frame around its text cell (x 30-50, rows 0-20), drawn over the white
// gap left of its first glyph; without the focus the gap stays white.
TEST(DocumentGeometry, AFocusedLinkIsFramed) {
  Document doc("ab <a href=\"x.html\">cd</a> ef");
  doc.Layout(400);
  ASSERT_EQ(doc.list.LinkList.size(), 1u);
  for (bool focused : {false, true}) {
    if (focused) doc.list.LinkList[0]->EnterLink();
    doc.Paint();
    int inked = 0;
    for (int y = 1; y < 12; ++y) inked += doc.canvas().Pixels(30, y) != pf::clWhite;
    EXPECT_EQ(inked > 0, focused);
  }
}

// A changed hover look waits for the next paint: the first painted line of text shows it, and changes before it need
// no paint of their own.
TEST(DocumentGeometry, HoverLooksWaitForThePaint) {
  Document doc("ab <a href=\"x.html\">cd</a> ef");
  doc.list.LinksActive = true;
  doc.Layout(400);
  doc.Paint();
  std::unique_ptr<TUrlTarget> target;
  TFormControlObj* control = nullptr;
  std::string title;
  struct Step {
    int32_t x;  // the point moved to; -1 paints
    bool pending, hovered;
  } steps[] = {{35, true, true},  {36, true, true}, {-1, false, true},
               {36, false, true}, {5, true, false}, {-1, false, false}};
  for (const Step& step : steps) {
    if (step.x < 0)
      doc.Paint();
    else
      doc.list.GetLinkAt(doc.canvas(), step.x, 5, target, control, title);
    EXPECT_EQ(doc.list.HoverPending, step.pending) << step.x;
    EXPECT_EQ(doc.list.LinkList[0]->Hover, step.hovered) << step.x;
  }
  doc.list.GetLinkAt(doc.canvas(), 35, 5, target, control, title);
  doc.list.Clear();
  EXPECT_FALSE(doc.list.HoverPending);
}

// Searching, reading, positions and copying reach the text inside blocks and table cells.
TEST(DocumentGeometry, PositionQueriesReachTextInBlocksAndCells) {
  Document doc("<div>ab</div><table cellspacing=0 cellpadding=0><tr><td>cd</td><td>ef</td></tr></table>");
  doc.Layout(400);
  doc.Paint();
  const int32_t ef = doc.list.SearchForward(0, u"ef", false);
  ASSERT_GT(ef, 0);
  EXPECT_EQ(doc.list.SearchBackward(ef + 2, u"cd", false), ef - 3);
  EXPECT_EQ(doc.list.SearchForward(ef + 1, u"cd", false), -1);
  char16_t ch = 0;
  TSectionBase* object = nullptr;
  EXPECT_TRUE(doc.list.ReadCharAt(ef + 1, ch, object));
  EXPECT_EQ(ch, u'f');
  int32_t x = 0, y = 0;
  EXPECT_TRUE(doc.list.GetPositionXY(doc.canvas(), ef, x, y));
  EXPECT_EQ(std::make_pair(x, y), std::make_pair(20, 20));
  bool inText = false;
  int32_t lineHeight = 0, lineTop = 0, caretX = 0;
  EXPECT_EQ(doc.list.GetPositionAtPoint(doc.canvas(), 26, 25, inText, lineHeight, lineTop, caretX), ef + 1);
  EXPECT_EQ(doc.list.MapToDocPos(doc.list.MapToSourcePos(ef)), ef);
  EXPECT_EQ(doc.list.PositionList.size(), 2u);  // the division's text and the table
  doc.list.SelB = 1;
  doc.list.SelE = ef + 1;
  std::u16string copied(32, u'\0');
  copied.resize(static_cast<size_t>(doc.list.CopySelectedTextToBuffer(copied.data(), 32) - 1));
  EXPECT_EQ(copied, u"b\r\ncd\r\ne");
}

// A 20-pixel picture on the baseline of "ab" makes its line 24 high; a line of nothing but such a picture is 20 high:
// the map at (20, 0), the image input at (0, 24), the client-side map at (0, 44). A click on a server-side map gives
// the link with the point in the picture; on an image input, the control with that point; on a client-side map, the
// area's link.
TEST(DocumentGeometry, PicturesAnswerLinksWithThePointInThem) {
  Document doc(
      "ab<a href=\"m.html\"><img ismap border=0 width=20 height=20></a>"
      "<form><input type=image name=go width=20 height=20></form>"
      "<img usemap=\"#m\" border=0 width=40 height=20><map name=m><area href=\"r.html\" coords=\"20,0,40,20\"></map>");
  doc.Layout(400);
  doc.Paint();
  struct Case {
    int32_t x, y;
    std::string url;
    bool control;
  } cases[] = {{27, 9, "m.html?7,9", false},
               {5, 5, "", false},
               {7, 33, "", true},
               {30, 53, "r.html", false},
               {10, 53, "", false}};
  for (const Case& c : cases) {
    std::unique_ptr<TUrlTarget> target;
    TFormControlObj* control = nullptr;
    std::string title;
    doc.list.GetLinkAt(doc.canvas(), c.x, c.y, target, control, title);
    EXPECT_EQ(target ? target->Url : "", c.url) << c.x << "," << c.y;
    EXPECT_EQ(control != nullptr, c.control) << c.x << "," << c.y;
    if (auto* input = dynamic_cast<TImageFormControlObj*>(control)) {
      EXPECT_EQ(std::make_pair(input->XTmp, input->YTmp), std::make_pair(7, 9));
    }
  }
}

// ---- the engine's pages ----

// The data folder of one run of the engine driver, removed at the end; Html reads a page the engine wrote there.
struct EngineRun {
  explicit EngineRun(const std::string& commands)
      : data(fs::temp_directory_path() / ("pexu-pages-" + std::to_string(getpid()))) {
    fs::remove_all(data);
    fs::create_directories(data / "Fragen");
    fs::copy_file(PEXU_CATALOGUE, data / "Fragen/KAEFragen.qst");
    const std::string command = std::string(PEXU_DRIVER) + " --program '" + PEXU_SOURCE_DIR + "/resources' --data '" +
                                data.string() + "' --seed 3 " + commands + " >/dev/null 2>&1";
    ok = std::system(command.c_str()) == 0;
  }
  ~EngineRun() { fs::remove_all(data); }
  std::string Html(const std::string& name) const {
    std::ifstream in(data / "html" / name, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }
  fs::path data;
  bool ok = false;
};

// The exam sheet laid out as a whole at three widths: no line of text is wider than the room its cell gives it
// unless it is one word alone.
TEST(EnginePages, ExamSheetLinesStayInsideTheirRoom) {
  EngineRun run("submit PexuTA teil=T");
  ASSERT_TRUE(run.ok);
  Document sheet(run.Html("LetztePruefung.html"), 10, 5);
  Contents contents;
  contents.Collect(sheet.list);
  ASSERT_GT(contents.sections.size(), 100u);
  int lines = 0;
  for (int32_t width : {300, 600, 1200}) {
    sheet.Layout(width);
    for (TSection* s : contents.sections) {
      for (int i = 0; i < s->Lines.Count(); ++i) {
        const LineRec& line = *s->Lines[i];
        ++lines;
        int32_t used = s->MeasureTextWidth(sheet.canvas(), line.Start, line.Ln, true);
        if (line.Shy) used += s->HyphenWidth(sheet.canvas(), line.Start + line.Ln - 1);
        if (used <= line.LineWidth) continue;
        std::u16string text = s->Text.substr(static_cast<size_t>(line.Start), static_cast<size_t>(line.Ln));
        while (!text.empty() && text.back() == u' ') text.pop_back();
        EXPECT_EQ(text.find(u' '), std::u16string::npos) << "line " << i << " at " << width << " is " << used;
      }
    }
  }
  EXPECT_GT(lines, 300);
}

// The sheet's outer table takes 95 % of the room its style sheet's body margins of 8 leave; each question's table 95 %
// of its cell, where the number column asks for 2 %: at 800 pixels less than its bold number needs, so it gets that
// minimum, and the text column the rest.
TEST(EnginePages, ExamSheetTablesTakeTheWidthsTheyAskFor) {
  EngineRun run("submit PexuTA teil=T");
  ASSERT_TRUE(run.ok);
  Document sheet(run.Html("LetztePruefung.html"), 10, 5);
  // At 4000 pixels 2 % of a question's table is more than its number needs: the column gets its 2 %.
  struct Case {
    int32_t width, outer, question;
    bool numberAtMinimum;
  } cases[] = {{800, 745, 708, true}, {4000, 3785, 3596, false}};  // MulDiv (width - 16, 950, 1000), then of that
  for (const Case& c : cases) {
    sheet.Layout(c.width);
    Contents contents;
    contents.Collect(sheet.list);
    ASSERT_GT(contents.tables.size(), 10u);
    ThtmlTable& outer = *contents.tables[0];
    EXPECT_EQ(outer.TableWidth, c.outer);
    EXPECT_EQ(outer.Widths, std::vector<int32_t>{c.outer});
    int questions = 0;
    for (ThtmlTable* table : contents.tables) {
      if (table->Widths.size() != 2 || table->Percents != std::vector<int32_t>{20, 980}) continue;
      ++questions;
      EXPECT_EQ(table->TableWidth, c.question);
      const int32_t share = pf::MulDiv(c.question, 20, 1000);
      EXPECT_EQ(table->Widths[0], c.numberAtMinimum ? table->MinWidths[0] : share) << c.width;
      EXPECT_EQ(table->Widths[0] > share, c.numberAtMinimum) << c.width;
      EXPECT_EQ(table->Widths[0] + table->Widths[1], c.question);
    }
    EXPECT_GE(questions, 10);
  }
}

// The statistics page shows its six charts at 277 x 200, each inside its cell, drawn from the engine's GIFs.
TEST(EnginePages, StatisticsChartsStandInTheirCells) {
  EngineRun run("submit PexuTA teil=T -- answer all-right -- submit PexuTA teil=T -- answer right=37 -- statistics A");
  ASSERT_TRUE(run.ok);
  Document page(run.Html("statistikA.html"), 10, 5);
  const int32_t height = page.Layout(800, 600);
  page.bitmap.SetSize(800, height);
  page.Paint();
  Contents contents;
  contents.Collect(page.list);
  int charts = 0;
  for (ThtmlTable* table : contents.tables) {
    for (int r = 0; r < table->Rows.Count(); ++r) {
      int32_t left = table->TableLeft + table->CellSpacing;
      for (int c = 0; c < table->Rows[r]->Count(); left += table->Widths[static_cast<size_t>(c++)]) {
        TCellObj* cell = (*table->Rows[r])[c];
        if (!cell) continue;
        Contents inside;
        inside.intoTables = false;
        inside.Collect(*cell->Cell);
        for (TSection* s : inside.sections) {
          for (int i = 0; i < s->Images.Count(); ++i) {
            auto* image = dynamic_cast<TImageObj*>(s->Images[i]);
            if (!image || image->Source.find("Statistik") == std::string::npos) continue;
            ++charts;
            EXPECT_EQ(std::make_pair(image->ObjWidth, image->ObjHeight), std::make_pair(277, 200)) << image->Source;
            EXPECT_FALSE(image->IsPlaceholder()) << image->Source;
            EXPECT_GE(image->DrawXX, left) << image->Source;
            EXPECT_LE(image->DrawXX + 277, left + cell->Wd) << image->Source;
          }
        }
      }
    }
  }
  EXPECT_EQ(charts, 6);
}

}  // namespace
