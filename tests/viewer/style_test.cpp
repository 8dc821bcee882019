// Computed styles: inheritance, the default sheet, rules of the style list, the cascade with contextual selectors,
// fonts and the four looks of links.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

#include "platform/core/strings.h"
#include "platform/graphics/fonts.h"
#include "tests/viewer/viewer_test_support.h"
#include "viewer/style_properties.h"
#include "viewer/style_sheet_parser.h"

namespace {

using namespace viewer;

// A document's style list after the default sheet and css, and its property stack.
struct Doc : IDocumentRoot {
  TStyleList styles{this};
  TPropStack stack;
  bool linksActive = false;

  explicit Doc(const std::string& css, double fontSize = 12) {
    styles.BuildDefaultStyles("Times New Roman", "Courier New", 10, 5, pf::DEFAULT_CHARSET, true, pf::clBlue,
                              pf::clPurple, pf::clRed, pf::clBlack, fontSize);
    size_t at = 0;
    char ch = ' ';
    ParseStyleSheet(
        styles, ch, [&] { return at < css.size() ? css[at++] : '\0'; }, true, "");
    stack.Add(std::make_unique<TProperties>())->CopyDefaults(*styles.Defaults());
  }
  // The properties of a new element inside the current one.
  TProperties& Push(const std::string& tag, const std::string& classes = "", const std::string& id = "",
                    const std::string& pseudo = "", const std::string& style = "") {
    TProperties& p = *stack.Add(std::make_unique<TProperties>());
    p.InheritFrom(tag, *stack[stack.Count() - 2]);
    std::shared_ptr<TProperties> inlineStyle;
    if (!style.empty()) ParseInlineStyle(style, *(inlineStyle = std::make_shared<TProperties>()));
    p.ApplyStyles(styles, stack, tag, classes, id, pseudo, "", inlineStyle);
    return p;
  }
  pf::TColor ColorOf(const TProperties& p) const { return static_cast<pf::TColor>(IntOf(p.Props[piColor], -1)); }

  bool GetYOfCharPos(int32_t, int32_t&) override { return false; }
  void AddToPositionList(TSectionBase*) override {}
  void SetLinksActive() override { linksActive = true; }
  pf::TColor BackgroundColor() const override { return pf::clWhite; }
  bool IsPrinting() const override { return false; }
  bool PrintMonoBlack() const override { return false; }
};

class Styles : public ::testing::Test {
 protected:
  void SetUp() override { pf::SetFontService(pf::CreateFixedMetricFontService()); }
  void TearDown() override { pf::SetFontService(nullptr); }
};

TEST_F(Styles, InheritanceFollowsEachPropertysClass) {
  TProperties parent, child, inTable, inSpan, inGroup;
  parent.PropTag = "div";
  for (int i = 0; i < kPropertyCount; ++i) parent.Props[static_cast<size_t>(i)] = std::string("v");
  parent.Assigned.fill(true);
  child.InheritFrom("p", parent);
  inTable.InheritFrom("table", parent);
  // Not inherited: border-style, background, border-color, position, float, clear, page breaks, border-collapse,
  // overflow, display.
  const int notInherited[] = {7, 9, 10, 39, 40, 41, 42, 44, 48, 49, 51, 52, 53, 57, 58, 59};
  for (int i = 0; i < kPropertyCount; ++i) {
    const TPropValue& v = child.Props[static_cast<size_t>(i)];
    const bool no = std::find(std::begin(notInherited), std::end(notInherited), i) != std::end(notInherited);
    if (i >= piMarginTop && i <= piLeft)
      EXPECT_EQ(IntOf(v, 0), UnsetBoxValue) << PropertyName(i);
    else
      EXPECT_EQ(IsAssigned(v), !no) << PropertyName(i);
    EXPECT_FALSE(child.Assigned[static_cast<size_t>(i)]) << PropertyName(i);
  }
  EXPECT_EQ(StringOf(inTable.Props[piWordWrap]), "normal");

  parent.PropTag = "tbody";
  inGroup.InheritFrom("td", parent);
  EXPECT_EQ(inGroup.Props, parent.Props);
  EXPECT_EQ(inGroup.Assigned, parent.Assigned);
  parent.PropTag = "span";
  inSpan.InheritFrom("b", parent);
  for (int i = 0; i < kPropertyCount; ++i)
    EXPECT_EQ(IsAssigned(inSpan.Props[static_cast<size_t>(i)]), i != piBorderStyle) << PropertyName(i);
}

TEST_F(Styles, NewPropertiesAndCssAssignments) {
  TProperties p;
  for (int i = piMarginTop; i <= piLeft; ++i) EXPECT_EQ(IntOf(p.Props[static_cast<size_t>(i)], 0), UnsetBoxValue);
  EXPECT_EQ(IntOf(p.Props[piZIndex], -1), 0);
  EXPECT_FALSE(IsAssigned(p.Props[piColor]));
  EXPECT_GT(TProperties().Sequence, p.Sequence);

  p.AssignByName("border-color", "#f00");
  for (int i : {piBorderColor, piBorderTopColor, piBorderRightColor, piBorderBottomColor, piBorderLeftColor})
    EXPECT_EQ(IntOf(p.Props[static_cast<size_t>(i)], 0), static_cast<int32_t>(pf::clRed)) << PropertyName(i);
  const std::pair<const char*, const char*> ignored[] = {
      {"color", "#zz"}, {"visibility", "collapse"}, {"font-variant", "x"}, {"no-such-property", "1"}};
  for (auto [name, value] : ignored) p.AssignByName(name, value);
  EXPECT_FALSE(IsAssigned(p.Props[piColor]));
  EXPECT_FALSE(IsAssigned(p.Props[piVisibility]));
  p.AssignByName("border-left-style", "dotted");
  EXPECT_EQ(StringOf(p.Props[piBorderStyle]), "dotted");
  p.AssignByName("text-transform", "uppercase");
  EXPECT_EQ(p.GetTextTransform(), 1);
}

TEST_F(Styles, DefaultSheet) {
  for (double size : {12.0, 16.0}) {
    Doc doc("", size);
    const double headings[] = {24, 18, 14, 12, 10, 8};
    for (int level = 1; level <= 6; ++level) {
      TProperties& h = doc.Push("h" + std::to_string(level));
      EXPECT_DOUBLE_EQ(std::get<double>(h.Props[piFontSize]), headings[level - 1] * size / 12) << level;
      EXPECT_TRUE(h.GetFontInfo().Style & pf::fsBold);
      doc.stack.Delete(doc.stack.Count() - 1);
    }
    EXPECT_DOUBLE_EQ(std::get<double>(doc.Push("pre").Props[piFontSize]), size * 10 / 12);
    // A paragraph inside a preformatted block has no top margin; elsewhere the default one.
    EXPECT_EQ(IntOf(doc.Push("p").Props[piMarginTop], 0), 0);
    EXPECT_EQ(IntOf(Doc("", size).Push("p").Props[piMarginTop], 0), DefaultVerticalMargin);
  }
  Doc doc("");
  EXPECT_EQ(doc.Push("h1").GetFont()->Height(), -32);
  EXPECT_NEAR(std::get<double>(doc.Push("code").Props[piFontSize]), 0.833 * 24, 1e-9);  // code inside h1
}

TEST_F(Styles, RulesForLinksAndHover) {
  auto colorOf = [](const Doc& doc, const char* key) { return IntOf(doc.styles.Find(key)->Props[piColor], 0); };
  Doc doc("a { color: #00ff00 } :link { color: #010203 }");
  EXPECT_EQ(colorOf(doc, "::link"), 0x00FF00);
  EXPECT_EQ(colorOf(doc, "::hover"), 0x030201);
  EXPECT_EQ(colorOf(doc, "::visited"), 0x030201);
  EXPECT_FALSE(doc.linksActive);

  Doc visited(":visited { color: #010203 } p:hover { color: red }");
  EXPECT_EQ(colorOf(visited, "::hover"), 0x030201);
  EXPECT_EQ(colorOf(visited, "::link"), static_cast<int32_t>(pf::clBlue));
  EXPECT_TRUE(visited.linksActive);
  visited.styles.SetPseudoClassColor("visited", pf::clLime);
  EXPECT_EQ(colorOf(visited, "::visited"), static_cast<int32_t>(pf::clLime));
}

TEST_F(Styles, ContextualSelectors) {
  Doc doc(
      "ul li b { color: red } ul > li { color: blue } li.x i { color: green } div #n { color: purple } "
      "ul.b.a > li u { color: teal }");
  doc.Push("ul", "a.b");
  EXPECT_EQ(doc.ColorOf(doc.Push("li", "x")), pf::clBlue);
  EXPECT_EQ(doc.ColorOf(doc.Push("u")), pf::clTeal);
  doc.Push("p");
  EXPECT_EQ(doc.ColorOf(doc.Push("b")), pf::clRed);  // at any depth
  EXPECT_EQ(doc.ColorOf(doc.Push("i")), pf::clGreen);

  // The subject "b-x" sorts between "b" and "b.c" and hides nothing of theirs.
  Doc nested("ul > li { color: blue } div #n { color: purple } p b-x { color: red } div b.c { color: navy }");
  nested.Push("ul");
  nested.Push("div");
  EXPECT_EQ(nested.ColorOf(nested.Push("li")), pf::clBlack);  // not a direct child
  EXPECT_EQ(nested.ColorOf(nested.Push("p", "", "n")), pf::clPurple);
  EXPECT_EQ(nested.ColorOf(nested.Push("b", "c")), pf::clNavy);

  // Rules that ask an ancestor for its id, a class or its tag merge in the order they came.
  for (const auto& [css, color] :
       {std::pair{"#m b { color: red } .k b { color: green } div b { color: blue }", pf::clBlue},
        std::pair{"div b { color: blue } .k b { color: green } #m b { color: red }", pf::clRed}}) {
    Doc order(css);
    order.Push("div", "j.k", "m");
    EXPECT_EQ(order.ColorOf(order.Push("b")), color) << css;
  }
}

TEST_F(Styles, CascadeOrder) {
  Doc doc(
      "p { color: black; margin-top: 1px } .a { color: red } .b { margin-left: 2px } .a.b { margin-top: 3px } "
      "#top { color: green } .a#top { color: blue }");
  // Every class rule comes after the tag rules, the rule of both classes last; ids after classes; the inline style
  // after all.
  const TProperties& p = doc.Push("p", "a.b");
  EXPECT_EQ(doc.ColorOf(p), pf::clRed);
  EXPECT_EQ(StringOf(p.Props[piMarginLeft]), "2px");
  EXPECT_EQ(StringOf(p.Props[piMarginTop]), "3px");
  EXPECT_EQ(doc.ColorOf(doc.Push("p", "a", "top")), pf::clBlue);
  EXPECT_EQ(doc.ColorOf(doc.Push("p", "b", "top")), pf::clGreen);
  EXPECT_EQ(doc.ColorOf(doc.Push("p", "a", "top", "", "color: #808080")), pf::clGray);
  // A rule's unset box values leave earlier ones alone.
  EXPECT_EQ(StringOf(doc.Push("p", "a").Props[piMarginTop]), "1px");
}

TEST_F(Styles, LaterContextualRulesStayLaterPastNinetyNine) {
  std::string css;
  for (int i = 0; i < 120; ++i) css += "div b { color: #" + std::string(i < 119 ? "000001" : "000002") + " } ";
  Doc doc(css);
  doc.Push("div");
  EXPECT_EQ(doc.ColorOf(doc.Push("b")), 0x020000u);
}

// A sheet of many rules and a page of many elements cost in proportion: a rule is stored without moving the
// others, and an element visits only the contextual rules whose subject it could be and whose ancestor part names
// a class, id or tag that one of its ancestors has.
TEST_F(Styles, ManyRulesAndElementsCostInProportion) {
  auto run = [](int n) {
    std::string css;
    for (int i = 0; i < n; ++i) {
      const std::string c = std::to_string(i);
      css += (i % 2 ? "a.c" : "p.c") + c + " { color: #" + pf::Format("%.6x", {i}) + " } div .d" + c +
             " { margin-top: " + c + "px } .e" + c + (i % 2 ? " a" : " span") + " { margin-left: " + c + "px }\n";
    }
    return viewertest::BestSeconds([&] {
      Doc doc(css);
      doc.Push("div");
      auto pop = [&] { doc.stack.Delete(doc.stack.Count() - 1); };
      for (int i = 0; i < n; ++i) {
        const std::string c = std::to_string(i);
        const bool link = i % 2;
        const TProperties& p = doc.Push(link ? "a" : "p", "c" + c + ".d" + c, "", link ? "link" : "");
        if (i % 1000 == 999) {
          EXPECT_EQ(doc.ColorOf(p), pf::RGB(0, static_cast<uint8_t>(i >> 8), static_cast<uint8_t>(i))) << i;
          EXPECT_EQ(StringOf(p.Props[piMarginTop]), c + "px");
        }
        pop();
        doc.Push("p", "e" + c);
        const TProperties& inside = doc.Push(link ? "a" : "span", "", "", link ? "link" : "");
        if (i % 1000 == 999) {
          EXPECT_EQ(StringOf(inside.Props[piMarginLeft]), c + "px") << i;
        }
        pop();
        pop();
      }
    });
  };
  const double small = run(2500), large = run(10000);
  EXPECT_LT(large, 8 * small) << small << " s and " << large << " s";
}

// Contextual rules whose subject names classes or an id cost in proportion, though every link has the ancestor they
// name, and still merge in key order: each link takes the four rules of its own number, the one of both classes
// last, and no other.
TEST_F(Styles, ClassedSubjectsCostInProportion) {
  auto run = [](int n) {
    std::string css;
    for (int i = 0; i < n; ++i) {
      const std::string c = std::to_string(i);
      css += "p a.c" + c + ".d" + c + " { color: blue; margin-top: 1px } p a#i" + c +
             " { color: red; margin-left: 2px } p a.c" + c + "#i" + c + " { color: lime; margin-right: 3px } p a.c" +
             c + " { color: navy; margin-bottom: 4px }\n";
    }
    return viewertest::BestSeconds([&] {
      Doc doc(css);
      for (int i = 0; i < n; ++i) {
        const std::string c = std::to_string(i);
        doc.Push("p");
        const TProperties& a = doc.Push("a", "c" + c + ".d" + c, "i" + c, "link");
        if (i % 500 == 499) {
          EXPECT_EQ(doc.ColorOf(a), pf::clBlue) << i;
          const std::pair<TPropertyIndex, const char*> margins[] = {
              {piMarginTop, "1px"}, {piMarginLeft, "2px"}, {piMarginRight, "3px"}, {piMarginBottom, "4px"}};
          for (const auto& [side, value] : margins) EXPECT_EQ(StringOf(a.Props[side]), value) << i;
        }
        EXPECT_EQ(doc.ColorOf(doc.Push("a", "c" + c, "", "link")), pf::clNavy) << i;
        for (int pops = 0; pops < 3; ++pops) doc.stack.Delete(doc.stack.Count() - 1);
      }
    });
  };
  // The sizes take turns, so that a machine growing busier meanwhile weighs on both alike.
  double small = 1e9, large = 1e9;
  for (int round = 0; round < 2; ++round) {
    small = std::min(small, run(1000));
    large = std::min(large, run(4000));
  }
  EXPECT_LT(large, 6 * small) << small << " s and " << large << " s";
}

TEST_F(Styles, LinkLooks) {
  Doc doc("a:hover { font-weight: bold; color: red } a:visited { font-style: italic } a { font-size: 15pt }");
  doc.Push("div");
  TProperties& a = doc.Push("a", "", "", "link");
  ASSERT_TRUE(a.IsLink && a.LinkFontInfo);
  const auto& info = a.LinkFontInfo->Info;
  EXPECT_EQ(doc.stack.Count(), 3);  // the temporary styles are gone
  struct Look {
    int index;
    bool bold, italic;
    pf::TColor color;
  } looks[] = {{TFontInfoArray::fiLink, false, false, pf::clBlue},
               {TFontInfoArray::fiVisited, false, true, pf::clPurple},
               {TFontInfoArray::fiHover, true, false, pf::clRed},
               {TFontInfoArray::fiVisitedHover, true, true, pf::clRed}};
  for (const Look& look : looks) {
    const ThtFontInfo& i = info[static_cast<size_t>(look.index)];
    EXPECT_EQ((i.Style & pf::fsBold) != 0, look.bold) << look.index;
    EXPECT_EQ((i.Style & pf::fsItalic) != 0, look.italic) << look.index;
    EXPECT_TRUE(i.Style & pf::fsUnderline) << look.index;
    EXPECT_EQ(i.Color, look.color) << look.index;
    EXPECT_DOUBLE_EQ(i.Size, 15) << look.index;
  }
  // A presentational face (not a colour: the link's rules set that) and a later rule reach all four looks; a child
  // of the link copies them.
  a.AssignIfNotSet(piColor, static_cast<int32_t>(pf::clTeal));
  a.AssignIfNotSet(piFontFamily, std::string("verdana, arial"));
  for (const ThtFontInfo& i : info) EXPECT_NE(i.Color, pf::clTeal);
  for (const ThtFontInfo& i : info) EXPECT_EQ(i.Name, "verdana");
  TProperties& b = doc.Push("b");
  ASSERT_TRUE(b.LinkFontInfo);
  EXPECT_TRUE(b.LinkFontInfo->Info[TFontInfoArray::fiLink].Style & pf::fsBold);
  // Re-inheriting from a parent that is no link drops the looks.
  b.UpdateFromParent(*doc.stack[1], doc.styles, doc.stack);
  EXPECT_FALSE(b.IsLink || b.LinkFontInfo);
}

TEST_F(Styles, ElementFonts) {
  Doc doc(
      "p { font: italic bold 12pt 'Foo', \"Comic\", sans-serif; letter-spacing: 0.5em } "
      "h2 { text-decoration: underline line-through; font-family: courier new }");
  const std::unique_ptr<TMyFont> font = doc.Push("p").GetFont();
  EXPECT_EQ(font->Name(), "Arial");
  EXPECT_EQ(font->Height(), -16);
  EXPECT_EQ(font->Style(), pf::fsBold | pf::fsItalic);
  EXPECT_EQ(font->EmSize(), 16);
  EXPECT_EQ(font->CharExtra, 8);
  EXPECT_EQ(doc.stack.Last()->EmSize, 16);
  EXPECT_EQ(doc.stack.Last()->ExSize, 8);
  const std::unique_ptr<TMyFont> heading = doc.Push("h2").GetFont();
  EXPECT_EQ(heading->Style(), pf::fsBold | pf::fsItalic | pf::fsUnderline | pf::fsStrikeOut);
  EXPECT_TRUE(heading->FixedPitch);
  EXPECT_EQ(heading->Height(), -24);  // 18 pt
}

// The real faces: a Windows name resolves to its Liberation stand-in, whose em size is the requested pixel size.
TEST(StyleFonts, QtFontsGiveTheRequestedEmSize) {
  pf::SetFontService(pf::CreateQtFontService());
  EXPECT_EQ(FindInstalledFont("Times New Roman"), "Times New Roman");
  EXPECT_EQ(FindInstalledFont("Foo, 'Comic', sans-serif"), "Arial");
  for (double points = 8; points <= 36; ++points) {
    TMyFont font;
    ThtFontInfo info;
    info.Name = "Times New Roman";
    info.Size = points;
    font.ApplyFontInfo(info);
    EXPECT_EQ(font.EmSize(), PointsToPixelHeight(points)) << points;
    EXPECT_EQ(font.Metrics.tmHeight, font.Metrics.tmAscent + font.Metrics.tmDescent) << points;
  }
  EXPECT_EQ(PointsToPixelHeight(12), 16);
  pf::SetFontService(nullptr);
}

}  // namespace
