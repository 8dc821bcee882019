// Blocks laid out and painted from documents the builder reads: boxes with margins, borders and padding, floats and
// clearing, positioned blocks, table blocks and rules; background tiles, list markers and page breaks.
#include <gtest/gtest.h>

#include "platform/core/streams.h"
#include "platform/graphics/fonts.h"
#include "tests/viewer/viewer_test_support.h"
#include "viewer/animated_images.h"
#include "viewer/blocks.h"
#include "viewer/borders.h"
#include "viewer/html_parser.h"
#include "viewer/rules_and_preformatted.h"
#include "viewer/table_structure.h"

namespace {

using namespace viewer;

using viewertest::NoViewer;

// A document read from HTML, laid out into a 400-pixel room and painted on a white bitmap.
struct Page {
  explicit Page(const std::string& html) : list(&viewer, nullptr) {
    pf::SetFontService(pf::CreateFixedMetricFontService());
    list.ApplyDefaultFontsAndColors("Times New Roman", "Courier New", 10, 5, pf::DEFAULT_CHARSET, true, false,
                                    pf::clWhite, 0xFF, 0xFF, 0xFF, pf::clBlack, 12);
    TParseResult result;
    ParseHtmlDocument(html, list, nullptr, nullptr, nullptr, nullptr, result);
  }
  TBlock& Body() { return dynamic_cast<TBlock&>(*list[0]); }
  template <typename T = TBlock>
  T& Get(const std::string& id) {
    TIDObject* object = nullptr;
    EXPECT_TRUE(list.IDNameList.Find(id, object)) << id;
    return dynamic_cast<T&>(*object);
  }
  int32_t Layout(int32_t width = 400) {
    indents.Clear();
    indents.SetEdges(0, width);
    int32_t curs = 0;
    return Body().ComputeLayout(canvas, clip, indents, 0, 0, width, 0, curs, maxWidth);
  }
  void Paint() { Body().Paint(canvas, clip, indents, 0, 0, 0); }
  pf::TColor At(int x, int y) { return bitmap.GetPixel(x, y); }

  NoViewer viewer;
  TSectionList list;
  IndentManager indents;
  int32_t maxWidth = 0;
  pf::TBitmap bitmap{400, 300, pf::pf24bit};
  pf::TCanvas& canvas = bitmap.Canvas();
  pf::TRect clip{0, 0, 400, 300};
};

// Stands in the flow with a fixed height and notes the float edges at its top.
class Probe : public TSectionBase {
 public:
  Probe(TSectionList* list, int32_t height) : TSectionBase(list) { SectionHeight = height; }
  int32_t ComputeLayout(pf::TCanvas& canvas, const pf::TRect& clip, IndentManager& indents, int32_t x, int32_t y,
                        int32_t availWidth, int32_t availHeight, int32_t& curs, int32_t& maxWidth) override {
    left = indents.LeftEdgeAt(y);
    right = indents.RightEdgeAt(y);
    laidX = x;
    return TSectionBase::ComputeLayout(canvas, clip, indents, x, y, availWidth, availHeight, curs, maxWidth);
  }
  int32_t Paint(pf::TCanvas& canvas, const pf::TRect& clip, IndentManager& indents, int32_t x, int32_t xRef,
                int32_t yRef) override {
    paintedX = x;
    return TSectionBase::Paint(canvas, clip, indents, x, xRef, yRef);
  }
  int32_t left = 0, right = 0, laidX = 0, paintedX = 0;
};

Probe& AddProbe(Page& page, TBlock& block, int32_t height) {
  auto probe = std::make_unique<Probe>(&page.list, height);
  Probe& result = *probe;
  block.MyCell->Add(std::move(probe), 0);
  block.MyZList.clear();
  return result;
}

// Body: margins 10 left and right, 5 top and bottom; the room is 380 wide from x 10.
TEST(BlockLayout, NestedBoxes) {
  Page page(
      "<div id=outer style='margin:10px 20px; padding:5px; border:3px solid #000000'>"
      "<div id=inner style='margin:4px 6px; padding:2px 7px; border:1px solid #ff0000; height:30px'></div></div>"
      "<div id=centred style='width:100px; margin:0 auto; height:8px'></div>"
      "<div id=right style='width:50%; margin-left:auto; height:4px'></div>");
  EXPECT_EQ(page.Layout(), 5 + 75 + 8 + 4 + 5);
  const TBlock &outer = page.Get("outer"), &inner = page.Get("inner");
  // Outer: its top margin of 10 collapses with the body's 5; 380 - 2 x (20 + 3 + 5) wide.
  EXPECT_EQ(outer.NewWidth, 324);
  EXPECT_EQ(outer.ContentBoxTop, 18);
  EXPECT_EQ(outer.ContentBoxBottom, 62);
  EXPECT_EQ(outer.SectionHeight, 65);  // 5 + 3 + 5 + 44 + 5 + 3; its bottom margin went to the next block
  // Inner: 324 - 2 x (6 + 1 + 7) wide, 30 high below 4 + 1 + 2.
  EXPECT_EQ(inner.NewWidth, 296);
  EXPECT_EQ(inner.Indent, 14);
  EXPECT_EQ(inner.ContentBoxTop, 25);
  EXPECT_EQ(inner.SectionHeight, 44);
  page.Paint();
  const struct {
    const char* id;
    pf::TRect border;
  } boxes[] = {{"outer", {30, 10, 370, 70}},
               {"inner", {44, 22, 356, 58}},
               {"centred", {150, 80, 250, 88}},
               {"right", {200, 88, 390, 92}}};
  for (const auto& b : boxes) EXPECT_EQ(page.Get(b.id).BorderBoxRect, b.border) << b.id;
  EXPECT_EQ(page.At(30, 40), pf::clBlack);  // the borders lie on the box edges
  EXPECT_EQ(page.At(33, 40), pf::clWhite);
  EXPECT_EQ(page.At(44, 40), pf::clRed);
  EXPECT_EQ(page.At(355, 57), pf::clRed);
  EXPECT_EQ(page.At(356, 57), pf::clWhite);
}

// Collapsing happens once, when the block is read; later layouts at other widths keep the same margins.
TEST(BlockLayout, MarginsCollapseOnce) {
  Page page(
      "<div id=a style='margin-bottom:20px; height:10px'></div><div id=b style='margin-top:10px; height:10px'></div>"
      "<div id=c style='margin-bottom:-3px; height:10px'></div><div id=d style='margin-top:-7px; height:10px'></div>"
      "<div id=e style='margin-bottom:20px; height:10px'></div><div id=f style='margin-top:-5px; height:10px'></div>");
  for (int width : {400, 200, 400}) {
    page.Layout(width);
    const struct {
      const char* id;
      int32_t top;
    } tops[] = {{"a", 5}, {"b", 35}, {"c", 45}, {"d", 48}, {"e", 58}, {"f", 83}};
    for (const auto& t : tops) EXPECT_EQ(page.Get(t.id).ContentBoxTop, t.top) << t.id << " at " << width;
  }
}

TEST(BlockLayout, FloatsAndClearing) {
  Page page(
      "<div id=l style='float:left; width:100px; height:50px; margin-right:10px; background-color:#00ff00'></div>"
      "<div id=r style='float:right; width:80px; height:30px; background-color:#0000ff'></div>");
  TBlock& body = page.Body();
  Probe& beside = AddProbe(page, body, 40);
  Probe& below = AddProbe(page, body, 20);
  page.Layout();
  // Text beside the floats has the room between them, then the room beside the longer left one.
  EXPECT_EQ(beside.left, 120);
  EXPECT_EQ(beside.right, 310);
  EXPECT_EQ(below.left, 120);
  EXPECT_EQ(below.right, 390);
  EXPECT_EQ(page.Get("l").SectionHeight, 0);
  page.Paint();
  EXPECT_EQ(page.At(10, 5), pf::clLime);
  EXPECT_EQ(page.At(109, 54), pf::clLime);
  EXPECT_EQ(page.At(110, 5), pf::clWhite);
  EXPECT_EQ(page.At(310, 5), pf::clBlue);
  EXPECT_EQ(page.At(389, 34), pf::clBlue);
  EXPECT_EQ(page.At(309, 5), pf::clWhite);

  // A block that clears starts below the floats it clears (left ends at 55, right at 35).
  const struct {
    const char* clear;
    int32_t top;
  } cases[] = {{"none", 45}, {"left", 55}, {"right", 45}, {"both", 55}};
  for (const auto& c : cases) {
    Page clearing(std::string("<div style='float:left; width:100px; height:50px'></div>"
                              "<div style='float:right; width:80px; height:30px'></div>"
                              "<div style='height:40px'></div><div id=c style='clear:") +
                  c.clear + "; height:10px'></div>");
    clearing.Layout();
    EXPECT_EQ(clearing.Get("c").ContentBoxTop, c.top) << c.clear;
  }
}

TEST(BlockLayout, PositionedBlocks) {
  Page page(
      "<div id=rel style='position:relative; left:7px; top:9px; height:20px; margin-left:3px'>"
      "<div id=abs style='position:absolute; left:5px; top:6px; width:40px; height:10px; border:2px solid'></div>"
      "</div><div id=next style='height:5px'></div>"
      "<div id=fromright style='position:absolute; right:30px; width:50px; height:10px; padding:5px'></div>");
  page.Layout();
  const TBlock &rel = page.Get("rel"), &abs = page.Get("abs"), &next = page.Get("next");
  // The relative block keeps its room in the flow and moves down with its content.
  EXPECT_EQ(rel.ContentBoxTop, 5 + 9);
  EXPECT_EQ(rel.SectionHeight, 20);
  EXPECT_EQ(next.ContentBoxTop, 25);
  // The absolute block takes no room and is placed from the relative block's content corner (13 + 7, 14).
  EXPECT_EQ(abs.SectionHeight, 0);
  EXPECT_EQ(abs.ContentBoxTop, 14 + 6 + 2);
  // From the right offset: 380 - 30 - (50 + 2 x 5) = 290, from the document's origin.
  EXPECT_EQ(page.Get("fromright").OffsetLeft, 290);
  page.Paint();
  EXPECT_EQ(rel.BorderBoxRect, (pf::TRect{10 + 3 + 7, 14, 390 + 7, 34}));
  EXPECT_EQ(abs.BorderBoxRect, (pf::TRect{25, 20, 69, 34}));
  EXPECT_EQ(page.Get("fromright").BorderBoxRect, (pf::TRect{290, 0, 350, 20}));
}

// The body's colour is the document's, painted under the whole page, not by the body's box.
TEST(BlockLayout, DisplayNoneHiddenAndBodyBackground) {
  Page page(
      "<body bgcolor='#00ff00'><div id=gone style='display:none; height:30px; background-color:#ff0000'></div>"
      "<div id=hidden style='visibility:hidden; height:10px; background-color:#ff0000'></div>"
      "<div id=clipped style='overflow:hidden; height:6px'><div style='height:40px'></div></div>");
  EXPECT_EQ(page.Layout(), 5 + 10 + 6 + 5);
  EXPECT_EQ(page.Get("gone").SectionHeight, 0);
  EXPECT_EQ(page.Get("clipped").ContentBoxBottom - page.Get("clipped").ContentBoxTop, 6);
  page.Paint();
  EXPECT_EQ(page.list.Background, pf::clLime);
  EXPECT_EQ(page.At(20, 8), pf::clWhite);
  int32_t minWidth = -1, maxWidth = -1;
  page.Get("gone").MeasureMinMaxWidth(page.canvas, minWidth, maxWidth);
  EXPECT_EQ(minWidth + maxWidth, 0);
}

TEST(BlockLayout, MinAndMaxWidths) {
  Page page(
      "<div id=fixed style='width:300px; margin:0 10px; padding:2px; border:1px solid'></div>"
      "<div id=abs style='position:absolute; width:300px'></div>"
      "<div id=narrow style='width:10px; margin-left:auto; padding-left:4px'></div>");
  const struct {
    const char* id;
    int32_t min, max;
  } cases[] = {{"fixed", 326, 326}, {"abs", 0, 0}, {"narrow", 14, 14}};
  for (const auto& c : cases) {
    int32_t minWidth = -1, maxWidth = -1;
    page.Get(c.id).MeasureMinMaxWidth(page.canvas, minWidth, maxWidth);
    EXPECT_EQ(minWidth, c.min) << c.id;
    EXPECT_EQ(maxWidth, c.max) << c.id;
  }
}

// Painting order and hit tests follow z-index; equal values keep the document order.
TEST(BlockLayout, ZOrder) {
  Page page("<div id=box></div>");
  TBlock& box = page.Get("box");
  const int32_t z[] = {0, 20, -10, 0, 20, 10};
  std::vector<TSectionBase*> made;
  for (int32_t value : z) {
    Probe& probe = AddProbe(page, box, 5);
    probe.ZIndex = value;
    made.push_back(&probe);
  }
  page.Layout();
  const std::vector<TSectionBase*> expected = {made[2], made[0], made[3], made[5], made[1], made[4]};
  EXPECT_EQ(box.MyZList, expected);
  for (TSectionBase* object : made) EXPECT_EQ(object->OwnerBlock, &box);
}

TEST(BlockLayout, TableBlocks) {
  Page page(
      "<table id=half width='50%' hspace=-60 vspace=500 border=2><tr><td></table>"
      "<table id=over width='150%' align=center style='float:right'><tr><td></table>"
      "<table id=styled border=2 style='border-left-style:dotted'><tr><td></table>"
      "<table id=huge style='width:2122222222222222222222%'><tr><td></table>");
  const TTableBlock &half = page.Get<TTableBlock>("half"), &over = page.Get<TTableBlock>("over");
  const TTableBlock& huge = page.Get<TTableBlock>("huge");  // a style's percentage is capped at 100 %
  EXPECT_EQ(std::pair(huge.GivenWidth, huge.GivenWidthPercent), std::pair(1000, true));
  const TTableBlock& styled = page.Get<TTableBlock>("styled");
  EXPECT_EQ(half.GivenWidth, 500);
  EXPECT_TRUE(half.GivenWidthPercent);
  EXPECT_EQ(half.HSpaceAttr, 40);
  EXPECT_EQ(half.VSpaceAttr, 200);
  EXPECT_TRUE(half.BevelBorder);
  EXPECT_EQ(half.MargArray[piBorderLeftWidth], 2);
  EXPECT_EQ(half.MargArray[piBorderTopStyle], bssOutset);
  EXPECT_FALSE(over.GivenWidthPercent);  // beyond 100 % counts as no width
  EXPECT_EQ(over.FloatLR, 6);
  EXPECT_FALSE(styled.BevelBorder);
  page.Layout();
  // Half the room less the border; centred tables get the room that is left on their left.
  EXPECT_EQ(half.NewWidth, 190 - 4);
}

TEST(BlockLayout, TableBetweenFloats) {
  Page page("<div style='float:left; width:60px; height:40px'></div><table id=t width=100><tr><td></table>");
  page.Layout();
  const TTableBlock& table = page.Get<TTableBlock>("t");
  EXPECT_EQ(table.TableIndent, 60);
  page.Paint();
  EXPECT_EQ(table.BorderBoxRect.Left, 70);
}

// ---- rules and page breaks ----

TEST(Rules, AttributesAndGeometry) {
  const struct {
    const char* attributes;
    int32_t size;
    pf::TRect rect;  // in a 380-pixel room at x 10, 10 down: the rule's top margin of 10 takes the body's 5 in
  } cases[] = {
      {"", 2, {10, 10, 390, 12}},
      {"size=0", 2, {10, 10, 390, 12}},
      {"size=25", 2, {10, 10, 390, 12}},
      {"size=5 width='50%'", 5, {105, 10, 295, 15}},
      {"width='150%'", 2, {10, 10, 390, 12}},
      {"width=100 align=right", 2, {290, 10, 390, 12}},
      {"width=100 align=left", 2, {10, 10, 110, 12}},
      {"width=100 align=bogus", 2, {150, 10, 250, 12}},
  };
  for (const auto& c : cases) {
    Page page(std::string("<hr ") + c.attributes + ">");
    page.Layout();
    auto& block = dynamic_cast<TBlock&>(*page.Body().MyCell->Last());
    auto& rule = dynamic_cast<THorzLine&>(*block.MyCell->Last());
    EXPECT_EQ(rule.VSize, c.size) << c.attributes;
    EXPECT_EQ(rule.RuleRect(10), c.rect) << c.attributes;
  }
}

TEST(Rules, ShadeAndColour) {
  const struct {
    const char* html;
    pf::TColor top, bottom;
  } cases[] = {
      {"<hr size=4>", pf::clBtnShadow, pf::clSilver},
      {"<hr size=4 noshade>", pf::clBlack, pf::clBlack},
      {"<hr size=4 color='#00ff00'>", pf::clLime, pf::clLime},
  };
  // The rule covers rows 10..13.
  for (const auto& c : cases) {
    Page page(c.html);
    page.Layout();
    page.Paint();
    EXPECT_EQ(page.At(100, 10), pf::ColorToRGB(c.top)) << c.html;
    EXPECT_EQ(page.At(100, 13), pf::ColorToRGB(c.bottom)) << c.html;
    EXPECT_EQ(page.At(100, 9), pf::clWhite) << c.html;
    EXPECT_EQ(page.At(100, 14), pf::clWhite) << c.html;
  }
}

// While printing, objects pull the page bottom up to where the page must end.
TEST(PageBreaks, PrintingEndsPages) {
  const struct {
    const char* html;
    int32_t pageTop, pageBottom;
  } cases[] = {
      // A forced break 3 pixels below the top of the page is passed over; 100 pixels below it ends the page.
      {"<div style='height:3px'></div><page><div style='height:400px'></div>", 5, 1000},
      {"<div style='height:100px'></div><page><div style='height:400px'></div>", 5, 105},
      {"<div style='height:50px'></div><div style='page-break-before:always; height:10px'></div>", 0, 55},
      {"<div style='height:50px; page-break-after:always'></div><div style='height:10px'></div>", 0, 55},
      {"<div style='height:150px'></div><div style='page-break-inside:avoid; height:100px'></div>", 0, 155},
      {"<div style='height:150px'></div><div style='page-break-inside:avoid; height:900px'></div>", 0, 200},
  };
  for (const auto& c : cases) {
    Page page(c.html);
    page.Layout();
    page.list.Printing = true;
    page.list.YOff = c.pageTop;
    page.list.PageBottom = c.pageTop + 200;
    page.clip = {0, 0, 400, 200};
    page.Paint();
    EXPECT_EQ(page.list.PageBottom, std::min(c.pageBottom, c.pageTop + 200)) << c.html;
  }
}

// ---- backgrounds ----

class Tiles : public ::testing::Test {
 protected:
  // A w x h picture whose pixel (x, y) is colour index (x + y) % 2 of red and blue; index 2 is transparent.
  static std::unique_ptr<pf::TBitmap> Picture(int32_t w, int32_t h) {
    auto picture = std::make_unique<pf::TBitmap>(w, h, pf::pf24bit);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) picture->SetPixel(x, y, (x + y) % 2 ? pf::clBlue : pf::clRed);
    return picture;
  }
  bool Build(int32_t w, int32_t h, pf::TBitmap& picture, const TBackgroundPosition& position,
             pf::TBitmap* mask = nullptr) {
    image->Image = &picture;
    image->Mask = mask;
    return BuildTiledBackground(w, h, *image, position, tileImage, tileGpImage, tileMask, opaque, {0, 0, w, h});
  }
  // Where tiles lie along row y: '#' a tile pixel, '.' none (from the mask, or black in an opaque tile image).
  std::string Covered(int y, int x0, int x1) {
    std::string s;
    for (int x = x0; x < x1; ++x)
      s += tileMask ? (tileMask->GetPixel(x, y) == pf::clBlack ? '#' : '.')
                    : (tileImage->GetPixel(x, y) != pf::clBlack ? '#' : '.');
    return s;
  }
  static TBackgroundPosition At(TBackgroundPositionType h, int32_t hv, TBackgroundPositionType v, int32_t vv,
                                bool repeatX, bool repeatY) {
    TBackgroundPosition p;
    p.Horizontal = {h, hv, repeatX, false};
    p.Vertical = {v, vv, repeatY, false};
    return p;
  }
  TSectionList list{nullptr, nullptr};
  std::unique_ptr<TImageObj> image = TImageObj::CreateFromUrl(&list, "x.gif");
  std::unique_ptr<pf::TBitmap> tileImage, tileMask;
  std::unique_ptr<pf::TGpBitmap> tileGpImage;
  bool opaque = false;
};

TEST_F(Tiles, StartPointsAndRanges) {
  auto squarePicture = Picture(50, 50), tallPicture = Picture(20, 40);
  pf::TBitmap &square = *squarePicture, &tall = *tallPicture;
  // Centred in 201 x 100: at 201 div 2 - 25 = 75 and 25; no repeat, so a single tile.
  ASSERT_TRUE(Build(201, 100, square, At(bpCenter, 0, bpCenter, 0, false, false)));
  EXPECT_FALSE(opaque);
  EXPECT_EQ(Covered(25, 73, 78), "..###");
  EXPECT_EQ(Covered(24, 73, 78), ".....");
  EXPECT_EQ(Covered(74, 123, 127), "##..");
  // Repeated vertically from 30: from -10 down, every 40 rows.
  ASSERT_TRUE(Build(30, 100, tall, At(bpLeft, 0, bpLength, 30, false, true)));
  EXPECT_EQ(tileImage->GetPixel(0, 0), (10 % 2) ? pf::clBlue : pf::clRed);  // picture row 10
  EXPECT_EQ(tileImage->GetPixel(0, 30), pf::clRed);                         // a tile starts at 30
  EXPECT_EQ(Covered(50, 18, 22), "##..");
  // 150 % of a 100-pixel box with a 20-pixel picture starts at 120, kept at 100: nothing shows.
  ASSERT_TRUE(Build(100, 20, tall, At(bpPercent, 150, bpTop, 0, false, false)));
  EXPECT_EQ(Covered(5, 0, 100), std::string(100, '.'));
}

TEST_F(Tiles, OpaqueOnlyWhenRepeatedBothWaysWithoutMask) {
  auto made = Picture(4, 4);
  pf::TBitmap& picture = *made;
  pf::TBitmap mask(4, 4, pf::pf1bit);
  mask.Canvas().Brush().SetColor(pf::clBlack);
  mask.Canvas().FillRect({0, 0, 4, 4});
  mask.SetPixel(0, 0, pf::clWhite);
  const struct {
    bool repeatX, repeatY, masked, opaque;
  } cases[] = {{true, true, false, true}, {true, false, false, false}, {true, true, true, false}};
  for (const auto& c : cases) {
    ASSERT_TRUE(Build(10, 10, picture, At(bpLeft, 0, bpTop, 0, c.repeatX, c.repeatY), c.masked ? &mask : nullptr));
    EXPECT_EQ(opaque, c.opaque);
    EXPECT_EQ(tileMask == nullptr, c.opaque);
  }
  // The picture's own mask shows through in every tile; rows beyond the single row stay uncovered.
  EXPECT_EQ(Covered(0, 0, 10), ".###.###.#");
  Build(10, 10, picture, At(bpLeft, 0, bpTop, 0, true, false));
  EXPECT_EQ(Covered(4, 0, 10), "..........");
  EXPECT_EQ(Covered(3, 0, 10), "##########");
}

TEST_F(Tiles, OnePixelPicturesAreStretchedAndEmptyOnesRefused) {
  auto made = Picture(1, 40);
  pf::TBitmap& strip = *made;
  ASSERT_TRUE(Build(300, 40, strip, At(bpLeft, 0, bpTop, 0, true, true)));
  for (int x : {0, 99, 100, 250, 299}) EXPECT_EQ(tileImage->GetPixel(x, 3), pf::clBlue) << x;
  pf::TBitmap empty(0, 5, pf::pf24bit);
  EXPECT_FALSE(Build(300, 40, empty, At(bpLeft, 0, bpTop, 0, true, true)));
  image->Image = std::monostate();
  EXPECT_FALSE(BuildTiledBackground(10, 10, *image, At(bpLeft, 0, bpTop, 0, true, true), tileImage, tileGpImage,
                                    tileMask, opaque, {0, 0, 10, 10}));
}

// The checkered 4 x 4 GIF of the test support, read as the document reads a picture.
std::unique_ptr<TgfAnimatedImage> CheckeredGifPicture() {
  const std::vector<uint8_t> bytes = viewertest::CheckeredGif();
  pf::TMemoryStream stream;
  stream.Write(bytes.data(), static_cast<int32_t>(bytes.size()));
  stream.SetPosition(0);
  bool nonAnimated = false;
  return CreateGifImageFromStream(nonAnimated, stream);
}

// A 4 x 4 GIF, checkered red and blue with a transparent corner, tiled over a block with a colour and a border.
TEST(BlockPainting, ColourBorderAndTiledGif) {
  const std::unique_ptr<TgfAnimatedImage> picture = CheckeredGifPicture();
  ASSERT_TRUE(picture);

  Page page(
      "<div id=box style='margin:10px; border:1px solid #000000; padding:3px; height:20px; "
      "background-color:#00ff00; background-image:url(tile.gif)'></div>");
  TBlock& box = page.Get("box");
  ASSERT_TRUE(box.BGImage);
  page.Layout();
  box.BGImage->Image = picture.get();
  box.TilesStale = true;
  page.Paint();
  // Border box (20, 10)-(380, 38) (its top margin of 10 takes the body's 5 in); the tiles start at the padding
  // box's corner (21, 11), and their transparent corners show the colour.
  const struct {
    int x, y;
    pf::TColor color;
  } probes[] = {
      {20, 10, pf::clBlack}, {379, 37, pf::clBlack}, {19, 10, pf::clWhite}, {21, 11, pf::clRed},
      {22, 11, pf::clBlue},  {21, 12, pf::clBlue},   {25, 11, pf::clRed},   {24, 14, pf::clLime},
      {28, 18, pf::clLime},  {24, 13, pf::clBlue},   {378, 36, pf::clRed},  {380, 37, pf::clWhite},
  };
  for (const auto& p : probes) EXPECT_EQ(page.At(p.x, p.y), p.color) << p.x << "," << p.y;
  // Painted again in a strip that starts inside the box: the same pixels.
  page.bitmap.Canvas().Brush().SetColor(pf::clWhite);
  page.bitmap.Canvas().FillRect({0, 0, 400, 300});
  page.clip = {0, 30, 400, 300};
  page.Paint();
  EXPECT_EQ(page.At(24, 30), pf::clLime);  // the corner of the tile at (21, 27)
  EXPECT_EQ(page.At(24, 31), pf::clBlue);
  EXPECT_EQ(page.At(25, 30), pf::clBlue);
  EXPECT_EQ(page.At(24, 26), pf::clWhite);  // above the strip
}

// The tiles of a block's background are made once per layout for its whole padding box, and a scrolled view paints
// from them (a pixel marked in the tiles after the first paint shows further down); the next layout makes them anew.
// A box too large for one tile bitmap is tiled over the band painted.
TEST(BlockPainting, TilesAreMadeOncePerLayoutForTheWholeBox) {
  const std::unique_ptr<TgfAnimatedImage> picture = CheckeredGifPicture();
  ASSERT_TRUE(picture);
  Page page(
      "<div id=box style='height:1000px; background-image:url(tile.gif)'></div>"
      "<div id=huge style='height:8000px; background-image:url(tile.gif)'></div>");
  TBlock &box = page.Get("box"), &huge = page.Get("huge");
  auto layout = [&] {
    page.Layout();
    for (TBlock* block : {&box, &huge}) {
      ASSERT_TRUE(block->BGImage);
      block->BGImage->Image = picture.get();
      block->TilesStale = true;
    }
  };
  auto paintAt = [&](int32_t yOff) {
    page.bitmap.Canvas().Brush().SetColor(pf::clWhite);
    page.bitmap.Canvas().FillRect({0, 0, 400, 300});
    page.list.YOff = yOff;
    page.Paint();
  };
  layout();
  paintAt(0);
  const pf::TRect border = box.BorderBoxRect;  // no border: the padding box
  ASSERT_TRUE(box.TileImage);
  EXPECT_EQ(box.TileImage->GetWidth(), border.Width());
  EXPECT_EQ(box.TileImage->GetHeight(), 1000);
  // Row 500 of the box, tile pixel (1, 0): blue in the picture, covered by the mask.
  const int32_t x = border.Left + 1, y = border.Top + 500;
  box.TileImage->SetPixel(1, 500, pf::clYellow);
  paintAt(400);
  EXPECT_EQ(page.At(x, y - 400), pf::clYellow);
  layout();
  paintAt(400);
  EXPECT_EQ(page.At(x, y - 400), pf::clBlue);

  paintAt(huge.ContentTop + 3000);
  ASSERT_TRUE(huge.TileImage);
  EXPECT_EQ(huge.TileImage->GetWidth(), border.Width());
  EXPECT_LE(huge.TileImage->GetHeight(), 302);
  EXPECT_EQ(page.At(x, 0), page.At(x, 4));  // the picture, 4 pixels high, repeats through the band
  EXPECT_NE(page.At(x, 0), pf::clWhite);
}

// The blocks of a document keep the tiles of their whole boxes up to a share (four boxes of the largest size): the
// fifth large box painted is tiled over the band painted; once the first is gone, its share goes to the next box
// painted.
TEST(BlockPainting, TheWholeBoxTilesOfADocumentKeepToAShare) {
  pf::TBitmap picture(4, 4, pf::pf24bit);
  std::string html;
  for (int i = 0; i < 6; ++i)
    html += "<div id=b" + std::to_string(i) + " style='height:5000px; background:url(t.gif)'></div>";
  Page page(html);
  page.Layout();
  std::vector<TBlock*> blocks;
  for (int i = 0; i < 6; ++i) {
    blocks.push_back(&page.Get("b" + std::to_string(i)));
    ASSERT_TRUE(blocks.back()->BGImage);
    blocks.back()->BGImage->Image = &picture;
    blocks.back()->TilesStale = true;
  }
  auto paintAt = [&](const TBlock& block) {
    page.list.YOff = block.ContentTop + 100;
    page.Paint();
  };
  for (int i = 0; i < 5; ++i) paintAt(*blocks[static_cast<size_t>(i)]);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(blocks[static_cast<size_t>(i)]->TileImage->GetHeight(), 5000) << i;
  EXPECT_LE(blocks[4]->TileImage->GetHeight(), 302);
  // A block that gives its picture up (one without pixels) leaves its share to the next.
  pf::TBitmap empty(0, 4, pf::pf24bit);
  blocks[0]->BGImage->Image = &empty;
  blocks[0]->TilesStale = true;
  paintAt(*blocks[0]);
  EXPECT_FALSE(blocks[0]->TileImage);
  paintAt(*blocks[5]);
  EXPECT_EQ(blocks[5]->TileImage->GetHeight(), 5000);
}

// ---- list markers ----

TEST(ListMarkers, Texts) {
  const struct {
    TListStyleType style;
    int32_t number;
    const char* text;
  } cases[] = {
      {lsUpperRoman, 3, "III."}, {lsLowerAlpha, 28, "z."},         {lsUpperAlpha, 2, "B."},
      {lsLowerRoman, 25, "xx."}, {lsDecimal, 12345678, "1234567"}, {lsDecimal, 123456, "123456."},
      {lsLowerRoman, 0, "0."},   {lsLowerAlpha, -3, "-3."},
  };
  for (const auto& c : cases) EXPECT_EQ(MarkerText(c.style, c.number), c.text) << c.number;
}

TEST(ListMarkers, OrderedListNumbers) {
  Page page(
      "<ol start=3 type=i><li id=a>a<li id=b value=10>b<li id=c>c</ol><ul><li id=d>d</ul><li id=e>e"
      "<ol><li id=f value=99999999999>f<li id=g>g</ol>");
  const struct {
    const char* id;
    int32_t number;
    TListStyleType style;
  } cases[] = {
      {"a", 3, lsLowerRoman}, {"b", 10, lsLowerRoman},     {"c", 11, lsLowerRoman},    {"d", 1, lsDisc},
      {"e", 1, lsDisc},       {"f", INT32_MAX, lsDecimal}, {"g", INT32_MAX, lsDecimal}};  // the largest number is not
                                                                                          // counted past
  for (const auto& c : cases) {
    const TBlockLI& item = page.Get<TBlockLI>(c.id);
    EXPECT_EQ(item.ItemNumber, c.number) << c.id;
    EXPECT_EQ(item.MarkerStyle, c.style) << c.id;
  }
  EXPECT_EQ(page.Get<TBlockLI>("e").MargArray[piMarginLeft], TBlockLI::kLooseItemMargin);
}

// The marker stands on the baseline of the item's first line, left of the content (the item's content starts at x 45
// in a list, at 80 and 115 in nested ones).
TEST(ListMarkers, Painting) {
  struct Probe {
    int x, y;
    bool ink;
  };
  const struct {
    const char* html;
    int32_t baseline;
    std::vector<Probe> probes;
  } cases[] = {
      // Disc (30, 34)-(35, 39); "1." of the 16-pixel font right-aligned 10 left of the content: "1" in 23..29,
      // "." in 31..33, rows 28..39.
      {"<ul><li id=i>x</ul>", 40, {{32, 36, true}, {29, 36, false}, {35, 36, false}}},
      {"<ol><li id=i>x</ol>", 40, {{23, 38, true}, {29, 28, true}, {30, 38, false}, {33, 38, true}, {34, 38, false}}},
      // Circle (64, 33)-(71, 40) with a clear inside; square (100, 34)-(105, 39).
      {"<ul><li>a<ul><li id=i>x</ul></ul>", 40, {{64, 36, true}, {67, 36, false}, {63, 36, false}}},
      {"<ul><li>a<ul><li>b<ul><li id=i>x</ul></ul></ul>",
       40,
       {{100, 34, true}, {104, 38, true}, {105, 38, false}, {99, 34, false}}},
      {"<ul><li id=i style='list-style-type:none'>x</ul>", 40, {{32, 36, false}}},
      {"<dl><li id=i>x</dl>", 40, {{32, 36, false}, {2, 36, false}}},
      {"<ul><li id=i>x</ul>", 0, {{32, 36, false}}},    // no first line yet
      {"<ul><li id=i>x</ul>", 100, {{32, 96, false}}},  // more than 50 below the band
  };
  for (const auto& c : cases) {
    Page page(c.html);
    page.Layout();
    page.Get<TBlockLI>("i").FirstBaseline = c.baseline;
    page.clip = {0, 0, 400, 45};
    page.Paint();
    for (const Probe& p : c.probes)
      EXPECT_EQ(page.At(p.x, p.y) != pf::clWhite, p.ink) << c.html << " at " << p.x << "," << p.y;
  }
}

// An item that starts with a nested list has its marker on a line of its own above that list; one that starts with
// a paragraph or a table has it on the block's first line.
TEST(ListMarkers, AnItemStartingWithANestedListKeepsItsMarker) {
  for (const char* html : {"<ul><li id=o><ul><li id=b>a</ul><li>b</ul>", "<ol><li id=o><ol><li id=b>x</ol><li>y</ol>",
                           "<ol><li id=o>\n<menu><li id=b>x</menu></ol>", "<ul><li id=o><dir><li id=b>x</dir></ul>",
                           "<ul><li id=o><dl><dt id=b>x</dl></ul>", "<ul><li id=o><p id=b>x</ul>",
                           "<ol><li id=o><table id=b><tr><td>x</table></ol>"}) {
    Page page(html);
    page.Layout();
    TSectionBase& first = page.Get<TSectionBase>("b");
    const int32_t baseline = page.Get<TBlockLI>("o").FirstBaseline;
    EXPECT_TRUE(dynamic_cast<TBlockLI*>(&first) ? baseline > 0 && baseline <= first.ContentTop
                                                : baseline > first.ContentTop)
        << html << " " << baseline;
  }
}

}  // namespace
