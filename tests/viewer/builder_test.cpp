// The document builder from inside: text sections and their white-space rules, font runs of links with their focus
// stops and looks, the viewer's events, parse errors, the span grid, maps, source positions and inline borders.
// The page-level trees are checked black-box through htmltree.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "platform/core/codepage.h"
#include "platform/core/files.h"
#include "platform/graphics/fonts.h"
#include "platform/ui/extctrls.h"
#include "viewer/blocks.h"
#include "viewer/html_builder.h"
#include "viewer/panels.h"
#include "viewer/rules_and_preformatted.h"
#include "viewer/table_structure.h"

namespace {

using namespace viewer;

constexpr pf::TColor kLinkColor = 0xFF0000, kVisitedColor = 0x800080, kHoverColor = 0x00FF00;

class RecordingViewer : public IViewerControl {
 public:
  pf::TObject* Sender() override { return nullptr; }
  std::string ExpandFileName(const std::string& name) override { return pf::PathJoin(folder, name); }
  void SetCodePage(int codePage) override { this->codePage = codePage; }
  void FollowLinkByKey(const TUrlTarget& link) override { followed = link.Url; }
  void DocumentKeyPress(char& key) override {}
  void DoProgress(int percent) override {}
  std::string folder = "/nonexistent";
  int codePage = 0;
  std::string followed;
};

// A document read by the builder, with every event recorded in calls.
struct Document {
  explicit Document(pf::TWinControl* panel = nullptr) : list(&viewer, panel) {
    pf::SetFontService(pf::CreateFixedMetricFontService());
    list.ApplyDefaultFontsAndColors("Times New Roman", "Courier New", 10, 5, pf::DEFAULT_CHARSET, true, false,
                                    pf::clWhite, kHoverColor, kVisitedColor, kLinkColor, pf::clBlack, 12);
  }
  void Parse(const std::string& html) {
    auto record = [this](const std::string& call) { calls.push_back(call); };
    ParseHtmlDocument(
        html, list,
        [record](pf::TObject*, const std::string& command, pf::TStringList& params, std::string& text) {
          record("include " + command + " " + params.Text());
          text = "X";
        },
        [record](pf::TObject*, const std::string& src, int32_t loop, bool terminate) {
          record("sound " + src + " " + std::to_string(loop));
        },
        [record](pf::TObject*, const std::string& httpEquiv, const std::string& name, const std::string& content) {
          record("meta " + httpEquiv + "|" + name + "|" + content);
        },
        [record](pf::TObject*, const std::string& rel, const std::string& rev, const std::string& href) {
          record("link " + rel + "|" + rev + "|" + href);
        },
        result);
  }
  // Every section of the document and every run, in document order.
  std::vector<TSection*> Sections() {
    std::vector<TSection*> sections;
    Walk(list, sections);
    return sections;
  }
  static void Walk(TCellBasic& cell, std::vector<TSection*>& sections) {
    for (int i = 0; i < cell.Count(); ++i) {
      if (auto* section = dynamic_cast<TSection*>(cell[i])) sections.push_back(section);
      if (auto* block = dynamic_cast<TBlock*>(cell[i])) Walk(*block->MyCell, sections);
      if (auto* table = dynamic_cast<ThtmlTable*>(cell[i]))
        for (int r = 0; r < table->Rows.Count(); ++r)
          for (int c = 0; c < table->Rows[r]->Count(); ++c) Walk(*(*table->Rows[r])[c]->Cell, sections);
    }
  }
  // Each link run of the document's link list is a run of one of its sections.
  bool LinkListIsWhole() {
    std::set<const TFontObj*> runs;
    for (TSection* s : Sections())
      for (int i = 0; i < s->Fonts.Count(); ++i) runs.insert(s->Fonts[i]);
    return std::all_of(list.LinkList.begin(), list.LinkList.end(), [&](TFontObj* run) { return runs.count(run); });
  }

  RecordingViewer viewer;
  TSectionList list;
  TParseResult result;
  std::vector<std::string> calls;
};

// A section filled directly, outside any parse.
struct NoWrapBuilder : ISectionBuilder {
  explicit NoWrapBuilder(TProperties& style) : style(style) {}
  TProperties& CurrentStyle() override { return style; }
  bool NoBreak() const override { return noBreak; }
  void PushSmallCaps() override { ++smallCaps; }
  void PopSmallCaps() override { --smallCaps; }
  TProperties& style;
  bool noBreak = false;
  int smallCaps = 0;
};

// The document in brief: a block as its tag with its content in braces, a section as the texts of its runs in
// quotes (UTF-8, a control or picture as "#" and its code), an italic run followed by "/i"; a section that clears
// floats begins with "^".
std::string Outline(const TCellBasic& cell) {
  std::string out;
  for (int i = 0; i < cell.Count(); ++i) {
    if (const auto* block = dynamic_cast<const TBlock*>(cell[i])) {
      out += block->MyCell->Tag + "{" + Outline(*block->MyCell) + "}";
      continue;
    }
    const auto* section = dynamic_cast<const TSection*>(cell[i]);
    if (!section) continue;
    if (section->ClearAttr != 0) out += "^";
    const TFontList& runs = section->Fonts;
    for (int r = 0; r < runs.Count(); ++r) {
      const size_t from = static_cast<size_t>(runs[r]->Pos);
      const size_t to = r + 1 < runs.Count() ? static_cast<size_t>(runs[r + 1]->Pos) : section->Text.size();
      if (from >= std::min(to, section->Text.size())) continue;
      std::u16string text = section->Text.substr(from, to - from);
      for (size_t at = 0; at < text.size(); ++at)
        if (text[at] < u' ') text.replace(at, 1, u"#" + std::u16string(1, u'0' + text[at]));
      out += "\"" + pf::Utf16ToCodePage(text, pf::CodePageUtf8) + "\"";
      if (runs[r]->TheFont->Style() & pf::fsItalic) out += "/i";
    }
  }
  return out;
}

TokenObj Token(std::u16string_view text, int32_t firstIndex) {
  TokenObj token;
  for (char16_t c : text) token.AddWideChar(c, firstIndex++);
  return token;
}

TEST(TextSections, FinishTextRules) {
  Document doc;
  TProperties style;
  style.CopyDefaults(*doc.list.Styles.Defaults());
  NoWrapBuilder builder(style);
  struct Case {
    std::u16string input;
    bool noWrap, preformatted;
    std::u16string text;
    std::string flags;
  } cases[] = {
      {u"  a  b ", false, false, u"a b ", "yyyyy"},
      {u"x\u00ADy", false, false, u"xy ", "syyy"},
      {u"a\b b", false, false, u"a\bb ", "yyyyy"},
      {u"a \b", false, false, u"a ", "yyy"},
      {u"\b", false, false, u"\b", "yy"},
      {u"a\u00ADb", true, false, u"ab ", "nnyy"},
      {u"a  b", true, false, u"a b ", "nnnyy"},
      {u" a  b", false, true, u" a  b ", "nnnnnny"},
      {u"", false, true, u"", ""},
  };
  for (const Case& c : cases) {
    builder.noBreak = c.noWrap;
    std::unique_ptr<TSection> section =
        c.preformatted ? std::make_unique<TPreFormated>(&doc.list, nullptr, style, nullptr, &doc.list, true, &builder)
                       : std::make_unique<TSection>(&doc.list, nullptr, style, nullptr, &doc.list, true, &builder);
    section->AppendToken(Token(c.input, 10));
    section->FinishText(99);
    EXPECT_EQ(section->Text, c.text) << c.flags;
    EXPECT_EQ(section->BreakFlags, c.flags) << c.flags;
    EXPECT_EQ(section->Len, static_cast<int32_t>(c.text.size()));
  }
  // The source map: a run starts wherever the positions jump.
  TSection section(&doc.list, nullptr, style, nullptr, &doc.list, true, &builder);
  section.AppendToken(Token(u"ab", 10));
  section.AppendToken(Token(u"cd", 20));
  section.FinishText(30);
  ASSERT_EQ(section.SourceRuns.Count(), 3);
  EXPECT_EQ(section.GetSourceRun(1)->Pos, 2);
  EXPECT_EQ(section.GetSourceRun(1)->Index, 20);
  EXPECT_EQ(section.GetSourceRun(2)->Index, 30);  // the blank appended at the end
}

TEST(TextSections, SmallCapitalsSwitchFontsAroundLowerCaseLetters) {
  Document doc;
  doc.Parse("<span style=\"font-variant: small-caps\">Ab1c d</span>");
  const std::vector<TSection*> sections = doc.Sections();
  ASSERT_EQ(sections.size(), 1u);
  const TSection& s = *sections[0];
  EXPECT_EQ(s.Text, u"AB1C D ");
  std::vector<std::pair<int32_t, int>> runs;
  for (int i = 0; i < s.Fonts.Count(); ++i) runs.emplace_back(s.Fonts[i]->Pos, s.Fonts[i]->TheFont->Size());
  // Normal "A", small from "B" on (digits and blanks keep the state), normal again after the token.
  const std::vector<std::pair<int32_t, int>> expected = {{0, 12}, {1, 9}, {7, 12}};
  EXPECT_EQ(runs, expected);
}

// text-transform reaches the letters of every script, one character for one, so that the text keeps its source
// positions: Latin Extended-B, Armenian, Georgian, Cherokee, full-width; the sharp s and the capital I with dot,
// whose partners are two characters, stay.
TEST(TextSections, TextTransformChangesTheCaseOfEveryScript) {
  Document doc;
  const std::string html =
      "<p style=\"text-transform: uppercase\">&#384;&#1377;&#4304;&#43888;&#65345;&#223;x</p>"
      "<p style=\"text-transform: lowercase\">&#579;&#1329;&#7312;&#5024;&#65313;&#304;X</p>";
  doc.Parse(html);
  const std::vector<TSection*> sections = doc.Sections();
  ASSERT_EQ(sections.size(), 2u);
  EXPECT_EQ(sections[0]->Text, u"ɃԱᲐᎠＡßX ");
  EXPECT_EQ(sections[1]->Text, u"ƀաაꭰａİx ");
  EXPECT_EQ(sections[0]->MapToSourcePos(sections[0]->StartCurs + 6), static_cast<int32_t>(html.find("x<")));
  EXPECT_EQ(sections[1]->MapToSourcePos(sections[1]->StartCurs + 6), static_cast<int32_t>(html.find("X<")));
}

TEST(TextSections, ControlsByTypeStandInTheText) {
  Document doc;
  doc.Parse(
      "<input type=FILE id=F name=up><input type=hidden name=h><select name=a size=2></select>"
      "<select name=b multiple></select><select name=c></select><input type=date name=d><input type=PassWord>"
      "<p style=\"text-indent: 150%\" clear=all>i");
  const std::vector<TSection*> sections = doc.Sections();
  ASSERT_EQ(sections.size(), 2u);
  EXPECT_EQ(sections[0]->Text, u"\2\2\2\2\2\2\2 ");
  EXPECT_EQ(sections[0]->BreakFlags.substr(0, 3), "nny");
  const ThtmlForm& form = *doc.list.htmlFormList[0];
  ASSERT_EQ(form.Controls.Count(), 8);
  TIDObject* named = nullptr;
  ASSERT_TRUE(doc.list.IDNameList.Find("f", named));
  auto* browse = dynamic_cast<TButtonFormControlObj*>(named);
  ASSERT_NE(browse, nullptr);
  EXPECT_EQ(browse->Which, TButtonFormControlObj::bkBrowse);
  EXPECT_EQ(browse->MyEdit, form.Controls[0]);
  EXPECT_TRUE(dynamic_cast<THiddenFormControlObj*>(form.Controls[2]));
  EXPECT_FALSE(dynamic_cast<TComboFormControlObj*>(form.Controls[3]));
  EXPECT_FALSE(dynamic_cast<TComboFormControlObj*>(form.Controls[4]));
  EXPECT_TRUE(dynamic_cast<TComboFormControlObj*>(form.Controls[5]));
  EXPECT_TRUE(dynamic_cast<TEditFormControlObj*>(form.Controls[6]));
  EXPECT_TRUE(static_cast<TEditFormControlObj*>(form.Controls[7])->Password);
  EXPECT_EQ(sections[1]->TextIndentPercent, 90);
  EXPECT_EQ(sections[1]->ClearAttr, 0);  // CLEAR belongs to BR; the paragraph's section has none
}

// The focus stops of links need a panel to stand on.
class FontRuns : public ::testing::Test {
 protected:
  pf::TPanel panel{nullptr};
};

TEST_F(FontRuns, ALinkOfSeveralRunsHasOneFocusStopAndOneLook) {
  Document doc(&panel);
  doc.Parse("<a href=x tabindex=3>li<b>n</b>k</a> after");
  TSection& s = *doc.Sections().at(0);
  ASSERT_EQ(doc.list.LinkList.size(), 3u);
  TFontObj* first = doc.list.LinkList[0];
  EXPECT_NE(first->TabControl, nullptr);
  EXPECT_EQ(doc.list.LinkList[1]->TabControl, nullptr);
  EXPECT_EQ(doc.list.LinkList[2]->TabControl, nullptr);
  EXPECT_EQ(doc.list.TabOrderList.Count(), 1);
  EXPECT_EQ(doc.list.TabOrderList[0], "00003000");
  int index = -1;
  EXPECT_EQ(s.Fonts.GetFontAt(1, index), first);
  EXPECT_EQ(index, 0);

  TFontObj* middle = doc.list.LinkList[1];
  middle->SetLinkHover(doc.list.LinkList, true);
  for (TFontObj* run : doc.list.LinkList) EXPECT_TRUE(run->Hover);
  EXPECT_EQ(middle->TheFont->Color(), kHoverColor);
  middle->SetVisited(true);
  EXPECT_EQ(middle->TheFont->Color(), kHoverColor);  // visited and hovered
  middle->SetHover(false);
  EXPECT_EQ(middle->TheFont->Color(), kVisitedColor);
  EXPECT_TRUE(middle->TheFont->Style() & pf::fsBold);

  // Enter on the focus stop follows the link.
  char enter = 13;
  first->LinkKeyPress(enter);
  EXPECT_EQ(doc.viewer.followed, "x");
}

TEST_F(FontRuns, RemovingTheCharacterBetweenRunsOfOneLinkMergesThem) {
  Document doc(&panel);
  doc.Parse("<a href=x>a<b>b</b></a>");
  TSection& s = *doc.Sections().at(0);
  ASSERT_EQ(s.Fonts.Count(), 3);
  TFontObj* second = s.Fonts[1];
  s.DeleteChar(0);
  ASSERT_EQ(s.Fonts.Count(), 2);
  EXPECT_EQ(s.Fonts[0], second);
  EXPECT_NE(second->TabControl, nullptr);
  EXPECT_EQ(second->TabControl->Run, second);
  EXPECT_EQ(doc.list.LinkList, std::vector<TFontObj*>{second});
}

TEST_F(FontRuns, MoreThanFourHundredLinksGetNoFocusStops) {
  for (int links : {400, 401}) {
    std::string page;
    for (int i = 0; i < links; ++i) page += "<a href=x>y</a> ";
    Document doc(&panel);
    doc.Parse(page);
    const auto stops = std::count_if(doc.list.LinkList.begin(), doc.list.LinkList.end(),
                                     [](TFontObj* run) { return run->TabControl != nullptr; });
    EXPECT_EQ(stops, links > 400 ? 0 : links) << links;
  }
}

// A panel and an OBJECT take the style as a picture does; the panel keeps a font of its own when the page places it,
// and so does what the host put in it: the document panel's font reaches neither.
TEST_F(FontRuns, PanelsTakeTheStyleAndKeepTheirOwnFont) {
  panel.Font().SetName("Courier New");
  panel.Font().SetSize(20);
  Document doc(&panel);
  pf::TLabel* hosted = nullptr;
  doc.list.OnPanelCreate = [&](pf::TObject*, const std::string&, const std::string&, const std::string&,
                               ThvPanel* window) {
    hosted = new pf::TLabel(window);
    hosted->SetParent(window);
  };
  doc.viewer.OnObjectTag = [](pf::TObject*, ThvPanel*, const pf::TStringList&, const pf::TStringList&, bool& want) {
    want = true;
  };
  doc.Parse(
      "<panel name=p style=\"float: left; margin: 0 7px; width: 40px; height: 25%\">a"
      "<object style=\"float: right; margin-top: 3px\"></object>b");
  ASSERT_EQ(doc.list.PanelList.size(), 2u);
  const TPanelObj& styled = *doc.list.PanelList[0];
  EXPECT_EQ(styled.Floating, 5);
  EXPECT_EQ(std::make_pair(styled.HSpaceL, styled.HSpaceR), std::make_pair(7, 7));
  EXPECT_EQ(std::make_pair(styled.SpecWidth, styled.PercentWidth), std::make_pair(40, false));
  EXPECT_EQ(std::make_pair(styled.SpecHeight, styled.PercentHeight), std::make_pair(25, true));
  const TPanelObj& object = *doc.list.PanelList[1];
  EXPECT_EQ(object.Floating, 6);
  EXPECT_EQ(object.VSpaceT, 3);

  const std::string ownFont = styled.Panel->Font().Name();
  pf::TBitmap canvas(10, 10);
  doc.list.PanelList[0]->Place(canvas.Canvas(), 0, 0);
  ASSERT_EQ(styled.Panel->Parent(), &panel);
  EXPECT_FALSE(styled.Panel->ParentFont());
  EXPECT_EQ(styled.Panel->Font().Name(), ownFont);
  ASSERT_NE(hosted, nullptr);
  EXPECT_EQ(hosted->Font().Name(), ownFont);
  EXPECT_NE(ownFont, "Courier New");
}

TEST(Builder, ViewerEventsAndHandlers) {
  Document doc;
  const std::string folder = ::testing::TempDir() + "htmlbuilder";
  std::filesystem::create_directories(folder);
  std::ofstream(folder + "/s.css") << "p.x { color: #ff0000 }\n";
  doc.viewer.folder = folder;
  std::vector<std::string> scripts, objects;
  doc.viewer.OnScript = [&](pf::TObject*, const std::string& name, const std::string& language,
                            const std::string& script) { scripts.push_back(name + "|" + language + "|" + script); };
  doc.viewer.OnObjectTag = [&](pf::TObject*, ThvPanel*, const pf::TStringList& attributes,
                               const pf::TStringList& params, bool& want) {
    objects.push_back(attributes.Text() + params.Text());
    want = params.Count() > 1;
  };
  doc.Parse(
      "<meta http-equiv=Refresh name=n content=\"1; url=x\"><link rel=stylesheet href=s.css>"
      "<link rel=stylesheet href=missing.css><link rel=next rev=prev href=n.html><bgsound src=a.wav loop=2>"
      "<bgsound src=b.wav><script language=js name=s>if (a<b) w(\"</p>\")\r\n</SCRIPT >"
      "<object id=o><param name=a value=1></object><object><param name=a value=1><param name=b value=2></object>"
      "<p class=x>red<!--#echo var=\"v\"-->");
  const std::vector<std::string> expectedCalls = {
      "meta Refresh|n|1; url=x", "link stylesheet||s.css", "link stylesheet||missing.css", "link next|prev|n.html",
      "sound a.wav 2",           "sound b.wav 1",          "include echo var=v\r\n"};
  EXPECT_EQ(doc.calls, expectedCalls);
  EXPECT_EQ(scripts, std::vector<std::string>{"s|js|if (a<b) w(\"</p>\")\r\n"});
  EXPECT_EQ(objects, (std::vector<std::string>{"id=o\r\na=1\r\n", "a=1\r\nb=2\r\n"}));
  const std::vector<TSection*> sections = doc.Sections();
  ASSERT_EQ(sections.size(), 2u);
  EXPECT_EQ(sections[0]->Text, u"\4 ");  // the refused panel left nothing behind
  EXPECT_EQ(doc.list.PanelList.size(), 1u);
  EXPECT_EQ(sections[1]->Text, u"redX ");
  EXPECT_EQ(sections[1]->Fonts[0]->TheFont->Color(), 0x0000FFu);  // the linked sheet applies
}

TEST(Builder, ParseErrorsLeaveAWholeDocument) {
  Document early;
  EXPECT_THROW(early.Parse("<p><a href=x>a</a><!-- open"), EParseError);
  ASSERT_EQ(early.list.Count(), 1);  // the counting pass met the error: nothing but the first body block
  EXPECT_EQ(static_cast<TBlock*>(early.list[0])->MyCell->Count(), 0);
  EXPECT_TRUE(early.list.LinkList.empty());

  // An include opens a comment inside a table cell: the table built so far stays, with its links.
  Document late;
  try {
    ParseHtmlDocument(
        "<table><tr><td><a href=x>a</a><a href=y>b<!--#x-->c", late.list,
        [](pf::TObject*, const std::string&, pf::TStringList&, std::string& text) { text = "<!-- open"; }, nullptr,
        nullptr, nullptr, late.result);
    ADD_FAILURE() << "no parse error";
  } catch (const EParseError& e) {
    EXPECT_EQ(e.Message(), "Open Comment at End of HTML File");
  }
  EXPECT_TRUE(late.LinkListIsWhole());
  ASSERT_EQ(late.Sections().size(), 1u);
  EXPECT_EQ(late.Sections()[0]->Text, u"a ");
  EXPECT_EQ(late.list.LinkList.size(), 1u);
}

TEST(Builder, SpanGridMarksCoveredColumns) {
  Document doc;
  TProperties& style = *doc.list.Styles.Defaults();
  ThtmlTable table(&doc.list, TAttributeList(), style);
  for (int i = 0; i < 3; ++i) table.AddColumn(0, false, "", 0);
  TCellManager grid(&table);
  TCellObj a(&doc.list, 2, TAttributeList(), style);
  TCellObj b(&doc.list, 2, TAttributeList(), style);
  a.RowSpan = 2;
  b.ColSpan = 3;
  grid.AddCell(0, a);
  grid.AddCell(0, b);
  EXPECT_EQ(b.ColSpan, 2);  // only two slots were left
  EXPECT_EQ(grid.FindColNum(1), 1);
  EXPECT_EQ(grid.FindColNum(0), -1);
  EXPECT_EQ(grid[0], "xxx");
  EXPECT_EQ(grid[1], "xoo");
}

TEST(Builder, MapsSourcePositionsAndInlineBorders) {
  Document doc;
  const std::string page =
      "\xEF\xBB\xBF\xC3\xA4<map name=m><area shape=circle coords=\"10,10,5\" href=c.html>"
      "<area shape=rect coords=\"0,0,9,9\" nohref></map><input style=\"border: 1px solid\">"
      "<span style=\"border: 2px solid\">s</span>t";
  doc.Parse(page);
  const TSection& s = *doc.Sections().at(0);
  EXPECT_EQ(s.GetSourceRun(0)->Index, 3);  // source positions count from after the byte-order mark
  ASSERT_EQ(doc.list.MapList.Count(), 1);
  const TMapItem& map = *doc.list.MapList[0];
  std::unique_ptr<TUrlTarget> target;
  std::string title;
  EXPECT_TRUE(map.GetAreaAt(10, 10, target, title));
  EXPECT_EQ(target->Url, "c.html");
  EXPECT_FALSE(map.GetAreaAt(2, 2, target, title));
  EXPECT_FALSE(map.GetAreaAt(50, 50, target, title));
  // Both bordered elements close their records where they end, not at the end of the document.
  ASSERT_EQ(doc.list.InlineList->Count(), 2);
  for (int i = 0; i < 2; ++i) {
    const InlineRec& record = *(*doc.list.InlineList)[i];
    EXPECT_LT(record.StartSource, record.EndSource);
    EXPECT_LE(record.EndSource, static_cast<int32_t>(page.size()) - 1);  // at its end tag, not left open
  }
}

// What the document holds after each page: the end tag of a nested element closes that element alone; a BODY
// after content or after another BODY changes nothing; SCRIPT, STYLE and TEXTAREA content is read raw in both
// passes; a break's style ends with it; an EUC-JP page converts from its first character on.
TEST(Builder, DocumentsBuildAsWritten) {
  struct Case {
    const char* html;
    const char* outline;
  } cases[] = {
      {"<blockquote><blockquote>x</blockquote></blockquote>y", "default{blockquote{blockquote{\"x \"}}\"y \"}"},
      {"<address><address>a</address></address>b", "default{address{address{\"a \"/i}}\"b \"}"},
      {"x<body bgcolor=red>y", "default{\"xy \"}"},
      {"<script>s = \"<!--\";</script>a<textarea><!--</textarea>b", "default{\"a#2b \"}"},
      {"<style></style>a<style><i></style>b<style><!-- p { font-style: italic } --></style><p>c",
       "default{\"ab \"p{\"c \"/i}}"},
      {"a<br style=\"font-style: italic\">b<br style=\"clear: left\">c", "default{\"a \"\"b \"^\"c \"}"},
      {"<meta http-equiv=content-type content=\"text/html; charset=euc-jp\">\xA4\xA2\xA4\xA4",
       "default{\"\xE3\x81\x82\xE3\x81\x84 \"}"},
  };
  for (const Case& c : cases) {
    Document doc;
    EXPECT_NO_THROW(doc.Parse(c.html)) << c.html;
    EXPECT_EQ(Outline(doc.list), c.outline) << c.html;
  }
  // The first BODY's colours hold; controls read before a BODY stay in their form, which submits them.
  Document doc;
  doc.Parse("<input type=hidden name=h value=1><body bgcolor=red>x<body bgcolor=blue>");
  EXPECT_EQ(doc.list.Background, pf::clWhite);
  ASSERT_EQ(doc.list.FormControlList.size(), 1u);
  Document colours;
  colours.Parse("<body bgcolor=red><body bgcolor=blue>");
  EXPECT_EQ(colours.list.Background, 0x0000FFu);
}

}  // namespace
