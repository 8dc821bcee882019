// The document's shared bases: float edges, image maps, selected text, ID names, attributes, link targets and the
// string and path helpers.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "viewer/image_map.h"
#include "viewer/indent_manager.h"
#include "viewer/style_properties.h"
#include "viewer/viewer_shared.h"

namespace {

using namespace viewer;

TEST(IndentManager, FloatEdgesAndClearLevels) {
  IndentManager m;
  m.SetEdges(10, 610);
  int32_t left = -1, right = -1;
  m.GetClearLevels(left, right);
  EXPECT_EQ(m.LeftEdgeAt(0), 10);
  EXPECT_EQ(m.RightEdgeAt(0), 610);
  EXPECT_EQ(left, 0);
  EXPECT_EQ(right, 0);
  EXPECT_EQ(m.LowestFloatBottom(), 0);

  TFloatingObj picture;
  picture.ObjWidth = 100;
  picture.ObjHeight = 50;
  picture.HSpaceL = picture.HSpaceR = 3;
  picture.Floating = IndentManager::kFloatLeft;
  m.AddImageFloat(0, picture);
  EXPECT_EQ(picture.Indent, 3);
  EXPECT_EQ(m.LeftEdgeAt(10), 116);
  EXPECT_EQ(m.LeftEdgeAt(50), 10);
  m.GetClearLevels(left, right);
  EXPECT_EQ(left, 51);

  // A right float ends flush with the right edge, also in a box that does not start at 0.
  picture.Floating = IndentManager::kFloatRight;
  m.AddImageFloat(20, picture);
  EXPECT_EQ(picture.Indent + 10 + picture.ObjWidth + picture.HSpaceR, 610);
  EXPECT_EQ(m.RightEdgeAt(30), 504);
  m.AddBlockFloat(100, 300, IndentManager::kFloatRight, 40);
  EXPECT_EQ(m.RightEdgeAt(100), 310);
  EXPECT_EQ(m.NextFloatEnd(25), 50);
  EXPECT_EQ(m.NextFloatEnd(70), 140);
  EXPECT_EQ(m.NextFloatEnd(200), 200);
  EXPECT_EQ(m.LowestFloatBottom(), 140);

  // A block's own edge counts only while the block is the current owner.
  const auto* block = reinterpret_cast<const TBlock*>(&m);
  m.CurrentOwner = block;
  m.L[m.AddLeftRec(200, 0)]->YB = 1000;
  EXPECT_EQ(m.LeftEdgeAt(300), 210);
  m.CurrentOwner = nullptr;
  EXPECT_EQ(m.LeftEdgeAt(300), 10);
  m.Clear();
  EXPECT_EQ(m.LeftEdgeAt(10), 10);
}

std::unique_ptr<TAttributeList> Attributes(std::initializer_list<std::pair<THtmlSymbol, const char*>> items) {
  auto list = std::make_unique<TAttributeList>();
  for (auto [symbol, text] : items) list->Add(std::make_unique<TAttribute>(symbol, 0, "a", text, 1252));
  return list;
}

TEST(ImageMap, AreasAndTheirPoints) {
  EXPECT_EQ(ParseAreaCoords("1, 2,,3 4"), (std::vector<int32_t>{1, 2, 3, 4}));
  EXPECT_EQ(ParseAreaCoords(" 7,x,123456789012345678901234 "), (std::vector<int32_t>{7, 0, 0}));
  TMapItem map;
  map.AddAreaFromAttributes(*Attributes({{ShapeSy, "RECT"}, {CoordsSy, "0,0,9"}}));  // too few numbers
  map.AddAreaFromAttributes(*Attributes({{ShapeSy, "circle"}, {CoordsSy, "10,10,5"}, {HRefSy, "c.html"}}));
  map.AddAreaFromAttributes(*Attributes({{CoordsSy, "29,29,20,20"}, {HRefSy, "r.html"}, {TitleSy, "R"}}));
  map.AddAreaFromAttributes(*Attributes({{ShapeSy, "poly"}, {CoordsSy, "40,0,60,0,50,10"}, {HRefSy, "p.html"}}));
  map.AddAreaFromAttributes(*Attributes({{CoordsSy, "0,0,100,100"}, {NoHrefSy, ""}, {HRefSy, "x"}}));
  map.AddAreaFromAttributes(*Attributes({{CoordsSy, "0,0,100,100"}, {HRefSy, "later.html"}}));
  // Beyond the first areas: a rectangle far out, a pentagram (its centre wound twice) and a circle of radius 10.
  map.AddAreaFromAttributes(*Attributes({{CoordsSy, "40000,0,2000000000,9"}, {HRefSy, "far.html"}}));
  map.AddAreaFromAttributes(
      *Attributes({{ShapeSy, "polygon"}, {CoordsSy, "350,300,379,390,302,335,398,335,321,390,7"}, {HRefSy, "s"}}));
  map.AddAreaFromAttributes(*Attributes({{ShapeSy, "circ"}, {CoordsSy, "500,500,-10"}, {HRefSy, "o.html"}}));
  EXPECT_EQ(map.AreaCount(), 8);
  struct Probe {
    int32_t x, y;
    const char* url;  // nullptr: no link there
  } probes[] = {{10, 5, "c.html"},    {5, 10, "c.html"},    {15, 10, "c.html"},     {10, 15, "c.html"},
                {20, 20, "r.html"},   {29, 29, "r.html"},   {50, 3, "p.html"},      {16, 10, nullptr},
                {30, 30, nullptr},    {70, 70, nullptr},    {45000, 9, "far.html"}, {2000000000, 0, "far.html"},
                {39999, 5, nullptr},  {350, 350, "s"},      {350, 299, nullptr},    {340, 380, nullptr},
                {508, 506, "o.html"}, {510, 500, "o.html"}, {508, 507, nullptr}};
  for (const Probe& probe : probes) {
    std::unique_ptr<TUrlTarget> target;
    std::string title;
    EXPECT_EQ(map.GetAreaAt(probe.x, probe.y, target, title), probe.url != nullptr) << probe.x << "," << probe.y;
    if (probe.url && target) {
      EXPECT_EQ(target->Url, probe.url);
    }
  }
  for (int i = 0; i < TMapItem::kMaxAreas; ++i) map.AddAreaFromAttributes(*Attributes({{CoordsSy, "0,0,1,1"}}));
  EXPECT_EQ(map.AreaCount(), TMapItem::kMaxAreas);
}

// A map's cost follows its numbers, not their values: a full map of the largest circles and polygons builds and
// answers at once (as regions they took minutes).
TEST(ImageMap, HugeShapesCostNoMoreThanSmallOnes) {
  TMapItem map;
  std::string polygon;
  for (int i = 0; i < 150; ++i) polygon += (i % 2 ? "-2000000000," : "2000000000,") + std::to_string(i * 1000) + ",";
  for (int i = 0; i < TMapItem::kMaxAreas; ++i)
    map.AddAreaFromAttributes(
        *Attributes({{ShapeSy, i % 2 ? "circle" : "poly"}, {CoordsSy, i % 2 ? "0,0,2000000000" : polygon.c_str()}}));
  EXPECT_EQ(map.AreaCount(), TMapItem::kMaxAreas);
  std::unique_ptr<TUrlTarget> target;
  std::string title;
  for (int y = 0; y < 100; ++y) EXPECT_FALSE(map.GetAreaAt(7, y * 997, target, title));  // no HREF anywhere
}

TEST(SelectedText, CountAndCopy) {
  const std::u16string text =
      u"ab\x08"
      u"c\x02\x04";
  SelTextCount count;
  count.AddChars(text.data(), static_cast<int32_t>(text.size()));
  count.AddCharsWithBreak(nullptr, 0);
  EXPECT_EQ(count.Finish(), 6);  // a, b, the forced line break, c, CR LF
  char16_t buffer[8] = {};
  SelTextBuf copy(buffer, 8);
  copy.AddChars(text.data(), static_cast<int32_t>(text.size()));
  copy.AddCharsWithBreak(nullptr, 0);
  EXPECT_EQ(copy.Finish(), 6);  // the forced line break is not copied: its section ends with CR LF
  EXPECT_EQ(std::u16string(buffer), u"abc\r\n");

  const std::u16string ten = u"0123456789";
  char16_t small[5] = {};
  SelTextBuf five(small, 5);
  five.AddChars(ten.data(), 10);
  EXPECT_EQ(five.Finish(), 5);
  EXPECT_EQ(std::u16string(small), u"0123");
}

struct PositionDocument : IDocumentRoot {
  bool GetYOfCharPos(int32_t charPos, int32_t& y) override {
    y = charPos * 10;
    return charPos < 100;
  }
  void AddToPositionList(TSectionBase*) override {}
  void SetLinksActive() override {}
  pf::TColor BackgroundColor() const override { return pf::clWhite; }
  bool IsPrinting() const override { return false; }
  bool PrintMonoBlack() const override { return false; }
};

TEST(IdNames, LaterNamesReplaceEarlierOnesWithoutRegardToCase) {
  PositionDocument document;
  TIDNameList names(&document);
  names.AddCharPosition("Top", 3);
  names.AddCharPosition("top", 7);
  names.AddCharPosition("far", 500);
  EXPECT_EQ(names.Count(), 2);
  TIDObject* found = nullptr;
  ASSERT_TRUE(names.Find("TOP", found));
  EXPECT_EQ(found->GetPositionY(), 70);
  ASSERT_TRUE(names.Find("far", found));
  EXPECT_EQ(found->GetPositionY(), 0);  // no section holds it
  TFloatingObj picture;
  names.AddObject("top", &picture);
  ASSERT_TRUE(names.Find("top", found));
  EXPECT_EQ(found, &picture);
  EXPECT_FALSE(names.Find("none", found));
}

TEST(Attributes, ClassesIdTitleStyleAndLines) {
  const auto owned = Attributes({{ClassSy, " B  a "}, {IDSy, "Top"}, {TitleSy, "T"}, {StyleSy, "color: red"}});
  TAttributeList& list = *owned;
  EXPECT_EQ(list.GetClassNames(), "a.b");
  EXPECT_EQ(Attributes({{ClassSy, "a b"}})->GetClassNames(), "a.b");
  EXPECT_EQ(Attributes({})->GetClassNames(), "");
  EXPECT_EQ(list.GetIdValue(), "top");
  EXPECT_EQ(list.GetTitleText(), "T");
  std::shared_ptr<TProperties> style = list.BuildStyle();
  ASSERT_TRUE(style);
  EXPECT_EQ(IntOf(style->Props[piColor], 0), static_cast<int32_t>(pf::clRed));
  // The next tag's style does not take the first one away from the element that holds it.
  list.Clear();
  list.Add(std::make_unique<TAttribute>(StyleSy, 0, "style", "color: blue", 1252));
  EXPECT_TRUE(list.BuildStyle());
  EXPECT_EQ(IntOf(style->Props[piColor], 0), static_cast<int32_t>(pf::clRed));
  EXPECT_EQ(list.GetIdValue(), "");

  TUrlTarget first, second;
  first.SetLink("a.html", "_top", 5, *Attributes({{HRefSy, "a.html"}}));
  second.CopyFrom(first);
  second.SetLink("b.html", "", 9, *Attributes({}));
  EXPECT_EQ(first.Attr, "a=a.html\r\n");
  EXPECT_EQ(second.ID, first.ID + 1);
  TUrlTarget run1, run2;
  run1.CopyFrom(first);
  run2.CopyFrom(first);
  const std::vector<TUrlTarget*> links = {&second, &run1, &run2};
  first.SetTextEnd(links, 20);
  EXPECT_EQ(run1.GetTextEnd(), 20);
  EXPECT_EQ(run2.GetTextEnd(), 20);
  EXPECT_EQ(second.GetTextEnd(), -1);
  first.Clear();
  EXPECT_EQ(first.GetTextStart(), -1);
}

TEST(SharedHelpers, StringsAndPaths) {
  EXPECT_EQ(PosFrom("ab", "xabab", 3), 4);
  EXPECT_EQ(PosFrom("ab", "xabab", 0), 2);
  EXPECT_EQ(PosFrom("ab", "xabab", 9), 0);
  EXPECT_EQ(DecodePercentEscapes("a%20b%00c%4"), "a b%00c%4");
  EXPECT_EQ(UrlToDosPath("file:///home/a%20b.html"), "/home/a b.html");
  EXPECT_EQ(UpperCaseWide(u"straße ÿ ā ı ω ж"), u"STRAßE Ÿ Ā ı Ω Ж");
  EXPECT_EQ(LowerCaseWide(u"ÄÖÜ Ÿ Ā İ Ω Ж Ё"), u"äöü ÿ ā İ ω ж ё");
  EXPECT_EQ(TrimWide(u"\t x \n"), u"x");
  EXPECT_EQ(WideSubstringPos(u"bc", u"abc"), 2);
  EXPECT_EQ(AnsiToWideInCodePage("\x80", 1252), u"\u20AC");

  // A server-rooted path lies under the root when the file is there; an absolute one stays as it is.
  const auto root = std::filesystem::temp_directory_path() / ("viewer_root_" + std::to_string(getpid()));
  std::filesystem::create_directories(root / "css");
  std::ofstream(root / "css/pexu.css") << "p {}";
  EXPECT_EQ(UrlToRootedDosPath(" /css/pexu.css ", root.string()), (root / "css/pexu.css").string());
  EXPECT_EQ(UrlToRootedDosPath((root / "css/pexu.css").string(), root.string()), (root / "css/pexu.css").string());
  EXPECT_EQ(UrlToRootedDosPath("/css/none.css", root.string()), "/css/none.css");
  EXPECT_EQ(UrlToRootedDosPath("css/pexu.css", root.string()), "css/pexu.css");
  std::filesystem::remove_all(root);
}

// Letters of every script change case by the platform's tables, one unit for one: Latin Extended-B (with a title-case
// pair), Armenian, Georgian, Cherokee and full-width letters. A letter whose partner is longer (sharp s, n with
// apostrophe, j with caron, capital I with dot) or lies outside the basic plane (the halves of a Deseret letter) keeps
// its place and form.
TEST(SharedHelpers, WideCaseMapsEveryScriptUnitForUnit) {
  EXPECT_EQ(UpperCaseWide(u"ƀ ǆ ǅ ա ა ⴀ ꭰ ᏸ ａ"), u"Ƀ Ǆ Ǆ Ա Ა Ⴀ Ꭰ Ᏸ Ａ");
  EXPECT_EQ(LowerCaseWide(u"Ƀ Ǆ Ա Ა Ⴀ Ꭰ Ᏸ Ａ"), u"ƀ ǆ ա ა ⴀ ꭰ ᏸ ａ");
  EXPECT_EQ(UpperCaseWide(u"ßŉǰ𐐨"), u"ßŉǰ𐐨");
  EXPECT_EQ(LowerCaseWide(u"İ𐐀"), u"İ𐐀");
}

}  // namespace
