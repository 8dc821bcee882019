// The reader's tables: symbols of tags and attributes, entities, charsets, font-size steps and the converters of
// Japanese documents.
#include <gtest/gtest.h>

#include <string>

#include "viewer/html_tables.h"

namespace {

using namespace viewer;

TEST(HtmlTables, TagsGiveTheirStartAndEndSymbols) {
  struct Row {
    const char* name;
    int start, end;
  } rows[] = {{"HTML", 0, 10},     {"P", 4, 5},           {"H", 15, 16},        {"CITE", 24, 26}, {"TH", 81, 82},
              {"THEAD", 208, 211}, {"TFOOT", 210, 213},   {"OBJECT", 214, 215}, {"LI", 39, 69},   {"BR", 14, 69},
              {"LINK", 72, 69},    {"READONLY", 217, 69}, {"H1", 69, 69},       {"p", 69, 69},    {"", 69, 69}};
  for (const auto& row : rows) {
    EXPECT_EQ(LookupTag(row.name, false), row.start) << row.name;
    EXPECT_EQ(LookupTag(row.name, true), row.end) << row.name;
  }
  EXPECT_EQ(SymbolToTagName(TableSy), "table");
  EXPECT_EQ(SymbolToTagName(LISy), "li");
  EXPECT_EQ(SymbolToTagName(TextSy), "");
  EXPECT_EQ(EndSymbolToTagName(TableEndSy), "table");
  EXPECT_EQ(EndSymbolToTagName(TBodyEndSy), "tbody");
  EXPECT_EQ(EndSymbolToTagName(TableSy), "");
  EXPECT_EQ(StartToEndSymbol(PSy), PEndSy);
  EXPECT_EQ(StartToEndSymbol(LISy), 0);
}

TEST(HtmlTables, AttributesTakeTheFirstRowOfTheirName) {
  const std::pair<const char*, int> rows[] = {{"HREF", 62},
                                              {"VALUE", 95},
                                              {"TEXT", 70},
                                              {"LINK", 72},
                                              {"HTTP-EQUIV", 171},
                                              {"TITLE", 1},
                                              {"BORDERCOLORDARK", 192},
                                              {"SPAN", 185},
                                              {"READONLY", 217},
                                              {"VSPACE", 152},
                                              {"X-Y", 59},
                                              {"href", 59}};
  for (auto [name, symbol] : rows) EXPECT_EQ(LookupAttribute(name), symbol) << name;
}

TEST(HtmlTables, EntitiesAreCaseSensitive) {
  EXPECT_EQ(EntityList().Count(), 253);
  const std::pair<const char*, int> rows[] = {
      {"amp", 38},    {"Amp", -1},     {"apos", 8217},  {"euro", 8364},  {"thetasym", 977}, {"nbsp", 160},
      {"yuml", 255},  {"Yuml", 376},   {"fnof", 402},   {"diams", 9830}, {"OElig", 338},    {"rsaquo", 8250},
      {"zwnj", 8204}, {"sigmaf", 962}, {"Prime", 8243}, {"prime", 8242}, {"", -1},          {"ampx", -1}};
  for (auto [name, code] : rows) {
    int found = -1;
    EXPECT_EQ(EntityList().Find(name, found), code >= 0) << name;
    EXPECT_EQ(found, code) << name;
  }
}

TEST(HtmlTables, CharsetsByTheFirstKeyInTheName) {
  const std::pair<const char*, int> rows[] = {{"iso-8859-15", 0},
                                              {"ISO-8859-1", 0},
                                              {"text/html; charset=iso-8859-15", 0},
                                              {"windows-1250", 238},
                                              {"iso-8859-2", 31},
                                              {"koi8-r", 204},
                                              {"ks_c_5601-1987", 129},
                                              {"Shift_JIS", 128},
                                              {"EUC-JP", 30},
                                              {"x-sjis", 128},
                                              {"symbol", 2},
                                              {"big5", 136},
                                              {"utf-8", -1},
                                              {"", -1}};
  for (auto [name, expected] : rows) {
    int charset = -1;
    EXPECT_EQ(LookupCharset(name, charset), expected >= 0) << name;
    EXPECT_EQ(charset, expected) << name;
  }
}

TEST(HtmlTables, FontSizeStepsScaleWithTheBase) {
  ScaleFontSizes(16);
  EXPECT_DOUBLE_EQ(ProportionalFontSizes[2], 16);
  EXPECT_DOUBLE_EQ(FixedFontSizes[6], 40);
  ScaleFontSizes(9);
  EXPECT_DOUBLE_EQ(ProportionalFontSizes[0], 6);
  EXPECT_DOUBLE_EQ(FixedFontSizes[4], 11.25);
  ScaleFontSizes(12);
}

TEST(HtmlTables, JapaneseDocumentsBecomeShiftJis) {
  // JIS rows 0x5F and 0x60 lead with 0xE0: 0xA0 is no Shift-JIS lead byte.
  const std::pair<std::string, std::string> euc[] = {
      {"\xA4\xA2", "\x82\xA0"},
      {"\xB4\xC1", "\x8A\xBF"},
      {"\xA5\xA2", "\x83\x41"},
      {"\xA5\xE0", "\x83\x80"},
      {"A", "A"},
      {"\xDF\xA1", "\xE0\x40"},
      {"\xE0\xA1", "\xE0\x9F"},
      {"\xDE\xFE", "\x9F\xFC"},
      {"\xA4x\xA4", "\xA4x\xA4"}};  // a lead byte without its trail byte stays
  for (auto [in, out] : euc) {
    std::string text = in;
    EucJpToShiftJis(text);
    EXPECT_EQ(text, out) << in;
  }
  EXPECT_EQ(JisToShiftJis("\x1B$B\x24\x22\x1B(Ba"),
            "\x82\xA0"
            "a");
  EXPECT_EQ(JisToShiftJis("\x1B$@\x5F\x21\x1B(J\xC1"),
            "\xE0\x40"
            "A");
  EXPECT_TRUE(IsJisEncoded("x\x1B$Bab\x1B(Bc"));
  EXPECT_TRUE(IsJisEncoded("\x1B$@ab\x1B(J"));
  EXPECT_FALSE(IsJisEncoded("\x1B(B\x1B$Bab"));
  EXPECT_FALSE(IsJisEncoded("plain"));
}

}  // namespace
