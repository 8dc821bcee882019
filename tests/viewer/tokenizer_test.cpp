// The tokenizer through its interface: source positions, includes, progress, ID registration, the counting pass,
// document set-up, charset switches, raw reading, and linear time on large input. Token texts and attributes are
// checked by the htmltok golden files.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/core/codepage.h"
#include "tests/viewer/viewer_test_support.h"
#include "viewer/html_tokenizer.h"

namespace {

using viewer::THtmlTokenizer;

std::string Utf8(const std::u16string& s) { return pf::Utf16ToCodePage(s, pf::CodePageUtf8); }

// Every token up to the end: a tag as <symbol>, a text as its UTF-8 in quotes.
std::string Tokens(THtmlTokenizer& t) {
  std::string out;
  t.NextChar();
  for (t.GetNextToken(); t.Sy != viewer::EofSy; t.GetNextToken()) {
    if (!out.empty()) out += " ";
    out += t.Sy == viewer::TextSy ? "\"" + Utf8(t.Token.GetText()) + "\"" : "<" + std::to_string(t.Sy) + ">";
  }
  return out;
}

std::string Tokens(const std::string& document) {
  THtmlTokenizer t;
  t.SetDocument(document);
  return Tokens(t);
}

TEST(Tokenizer, SourcePositionsAreByteOffsetsOfTheFile) {
  struct Row {
    std::string document;
    int token;  // 0-based among the tokens
    int tagPosition;
    std::vector<int> textPositions;
  } rows[] = {
      // An entity has the position of its "&".
      {"<P ALIGN=center CLASS=\"Note x\">Hello&nbsp;W&ouml;rld</p>", 0, 0, {}},
      {"<P ALIGN=center CLASS=\"Note x\">Hello&nbsp;W&ouml;rld</p>",
       1,
       -1,
       {31, 32, 33, 34, 35, 36, 42, 43, 49, 50, 51}},
      {"<P ALIGN=center CLASS=\"Note x\">Hello&nbsp;W&ouml;rld</p>", 2, 52, {}},
      // After a byte-order mark positions go on counting the mark's bytes.
      {"\xEF\xBB\xBF<p>\xC3\xA4", 0, 3, {}},
      {"\xEF\xBB\xBF<p>\xC3\xA4", 1, -1, {6}},
      // CR LF, LF CR, CR and LF are one line end each; a collapsed run keeps the position of its first character.
      {"a\r\nb\n\rc\rd\ne  f", 0, -1, {0, 1, 3, 4, 6, 7, 8, 9, 10, 11, 13}},
      {"x<!-- c -->y", 0, -1, {0, 11}},
  };
  for (const auto& row : rows) {
    THtmlTokenizer t;
    t.SetDocument(row.document);
    t.NextChar();
    for (int k = 0; k <= row.token; ++k) t.GetNextToken();
    if (row.tagPosition >= 0) {
      EXPECT_NE(t.Sy, viewer::TextSy) << row.document;
      EXPECT_EQ(t.TagPosition, row.tagPosition) << row.document;
    } else {
      EXPECT_EQ(t.Sy, viewer::TextSy) << row.document;
      EXPECT_EQ(t.Token.Indexes(), row.textPositions) << row.document;
    }
  }
}

TEST(Tokenizer, IncludesAreReadInPlaceOfTheirComment) {
  std::vector<std::string> calls;
  auto handler = [&](const std::string& command, pf::TStringList& params, std::string& text) {
    std::string call = command;
    for (int i = 0; i < params.Count(); ++i) call += " " + params[i];
    calls.push_back(call);
    if (command == "echo") text = "X";
    if (command == "outer") text = "<!--#inner-->Y";  // an include inside an include is read first
    if (command == "inner") text = "Z";
  };
  struct Row {
    std::string document, tokens, calls;
  } rows[] = {
      {"a<!--#echo var=\"a&amp;b\" x=1 flag-->b", "\"aXb\"", "echo var=a&b x=1 flag="},
      {"<!--#outer-->W", "\"ZYW\"", "outer|inner"},
      {"<!--#e v=\"1\r\n2\" -- -->.", "\".\"", "e v=1 2"},
      {"<!--#none-->.<!--#echo-->", "\".X\"", "none|echo"},
  };
  for (const auto& row : rows) {
    calls.clear();
    THtmlTokenizer t;
    t.OnInclude = handler;
    t.SetDocument(row.document);
    EXPECT_EQ(Tokens(t), row.tokens) << row.document;
    std::string joined;
    for (const auto& c : calls) joined += (joined.empty() ? "" : "|") + c;
    EXPECT_EQ(joined, row.calls) << row.document;
  }
  // Without a handler, and in the counting pass, an include is a comment.
  EXPECT_EQ(Tokens("a<!--#echo-->b"), "\"ab\"");
  THtmlTokenizer counting;
  counting.OnInclude = handler;
  counting.Counting = true;
  calls.clear();
  counting.SetDocument("a<!--#echo-->b");
  Tokens(counting);
  EXPECT_TRUE(calls.empty());
}

TEST(Tokenizer, ProgressAndIdsOutsideTheCountingPass) {
  const std::string document = "<p id=a1 class=x>" + std::string(10000, 'x') + "<a id=\"\"><b ID=\"T\">";
  for (bool counting : {false, true}) {
    THtmlTokenizer t;
    std::vector<int64_t> progress;
    std::vector<std::pair<std::string, int>> ids;
    t.OnProgress = [&](int64_t read, int64_t length) {
      EXPECT_EQ(length, static_cast<int64_t>(document.size()));
      progress.push_back(read);
    };
    // An ID is registered at the position reached after its value.
    t.OnIdAttribute = [&](const std::string& id, int32_t position) { ids.emplace_back(id, position); };
    t.Counting = counting;
    t.SetDocument(document);
    t.NextChar();
    t.GetNextToken();
    t.GetNextToken();
    EXPECT_EQ(t.Sy, viewer::TextSy);
    EXPECT_EQ(t.Token.Count(), counting ? 0 : 10000);  // the counting pass collects no text
    while (t.Sy != viewer::EofSy) t.GetNextToken();
    if (counting) {
      EXPECT_TRUE(progress.empty());
      EXPECT_TRUE(ids.empty());
    } else {
      EXPECT_EQ(progress, (std::vector<int64_t>{4096, 8192}));
      EXPECT_EQ(ids, (std::vector<std::pair<std::string, int>>{{"a1", 8}, {"T", 10035}}));
    }
  }
}

TEST(Tokenizer, DocumentSetUp) {
  std::string nuls100 = "a" + std::string(100, '\0') + "b", nuls101 = "a" + std::string(101, '\0') + "b";
  EXPECT_EQ(Tokens(nuls100), "\"a b\"");
  EXPECT_EQ(Tokens(nuls101), "\"a \"");  // cut before the 101st NUL

  THtmlTokenizer jis;
  jis.SetDocument("\x1B$B\x24\x22\x1B(Ba");
  EXPECT_TRUE(jis.ShiftJisDocument);
  EXPECT_EQ(Tokens(jis), "\"\u3042a\"");

  THtmlTokenizer bom;
  bom.SetDocument("\xEF\xBB\xBF\xC3\xA4");
  EXPECT_TRUE(bom.Utf8Document);
  EXPECT_EQ(Tokens(bom), "\"\u00E4\"");
  EXPECT_EQ(Tokens("\xEF\xBB\xBF"), "\"\u00EF\u00BB\u00BF\"");  // only a mark: no document after it

  // Rewinding starts over with the same document.
  THtmlTokenizer again;
  again.SetDocument("<b>x");
  EXPECT_EQ(Tokens(again), "<6> \"x\"");
  again.Rewind();
  EXPECT_EQ(Tokens(again), "<6> \"x\"");
}

TEST(Tokenizer, EucJpConvertsTheRestOfTheDocumentOnce) {
  THtmlTokenizer t;
  t.SetDocument("<meta>x\xA4\xA2y\xA4\xA2");
  t.NextChar();
  t.GetNextToken();
  int charset = -1;
  ASSERT_TRUE(t.LookupCharset("text/html; charset=EUC-JP", charset));
  EXPECT_EQ(charset, viewer::ShiftJisCharset);
  ASSERT_TRUE(t.LookupCharset("euc-jp", charset));  // no second conversion
  EXPECT_TRUE(t.ShiftJisDocument);
  t.CurrentCodePage = [] { return pf::CharsetToCodePage(viewer::ShiftJisCharset); };
  t.GetNextToken();
  EXPECT_EQ(Utf8(t.Token.GetText()), "x\u3042y\u3042");
  EXPECT_FALSE(t.LookupCharset("utf-8", charset));
  EXPECT_EQ(charset, viewer::ShiftJisCharset);
}

TEST(Tokenizer, RawModeKeepsCommentsAndSections) {
  THtmlTokenizer t;
  t.SetDocument("a\r\nb\tc<!-- x --><% y %>");
  t.RawMode = true;
  std::string read;
  for (t.NextChar(); t.Ch != 0; t.NextChar()) read.push_back(static_cast<char>(t.LCh));
  EXPECT_EQ(read, "a\rb c<!-- x --><% y %>");
}

// Large input tokenizes in linear time: four times the input takes about four times as long, far from the
// sixteen times of quadratic work (the bound is loose on purpose).
TEST(Tokenizer, LargeInputTakesLinearTime) {
  struct Row {
    const char* what;
    std::function<std::string(int)> document;  // n units of input
  } rows[] = {
      {"text",
       [](int n) {
         std::string s;
         for (int i = 0; i < n; ++i) s += "word &amp; ";
         return s;
       }},
      {"open tags",
       [](int n) {
         std::string s;
         for (int i = 0; i < n; ++i) s += "<b>";
         return s;
       }},
      {"quoted attribute value",
       [](int n) { return "<a title=\"" + std::string(static_cast<size_t>(n) * 10, 'x') + "\">"; }},
      {"numeric attribute value",
       [](int n) { return "<a width=" + std::string(static_cast<size_t>(n) * 10, '7') + ">"; }},
  };
  for (const auto& row : rows) {
    auto time = [&](int n) {
      const std::string document = row.document(n);
      return viewertest::BestSeconds([&] {
        THtmlTokenizer t;
        t.SetDocument(document);
        Tokens(t);
      });
    };
    // 25,000 units and 100,000 units: 1 MB of text, 100,000 open tags, a 1 MB attribute value.
    const double small = time(25000), large = time(100000);
    EXPECT_LT(large, 10 * small + 0.01) << row.what << ": " << small << " s and " << large << " s";
  }
}

}  // namespace
