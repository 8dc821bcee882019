// Property values: colours, lengths, font sizes, keywords, accessors and box values.
#include <gtest/gtest.h>

#include <string>

#include "platform/graphics/graphic.h"
#include "viewer/borders.h"
#include "viewer/style_properties.h"

namespace {

using namespace viewer;

TEST(PropertyValues, Colors) {
  struct Row {
    const char* text;
    bool needHash;
    bool ok;
    pf::TColor color;
  } rows[] = {
      {"#abc", true, true, 0xCCBBAA},
      {"abc", false, true, 0xCCBBAA},
      {"abc", true, false, 0},
      {"rgb(100%, 0, 20%)", true, true, 0x3300FF},
      {"RGB( 300 , -5, 7 )", true, true, 0x0700FF},
      {"rgba(1,2,3,0.5)", true, true, 0x030201},
      {"rgb(1,2", true, false, 0},
      {" Red ", true, true, pf::clRed},
      {"transparent", true, true, pf::clNone},
      {"grey", true, true, 0x808080},
      {"lightgoldenrodyellow", true, true, 0xD2FAFA},
      {"ButtonFace", true, true, pf::clBtnFace},
      {"threedhighlight", true, true, pf::clBtnHighlight},
      {"threedlightshadow", true, true, pf::cl3DLight},
      {"highlighttext", true, true, pf::clHighlightText},
      {"hightlighttext", true, true, pf::clHighlightText},
      {"#12345", true, true, 0x452301},
      {"x#e0e0ff", true, true, 0xFFE0E0},
      // Bad or too long hexadecimal text is no colour.
      {"#ggg", true, false, 0},
      {"#12 34", true, false, 0},
      {"#1234567", true, false, 0},
      {"#", true, false, 0},
      {"", false, false, 0},
      {"nocolour", false, false, 0},
  };
  for (const Row& row : rows) {
    pf::TColor color = 0;
    EXPECT_EQ(ParseColorValue(row.text, row.needHash, color), row.ok) << row.text;
    if (row.ok) {
      EXPECT_EQ(color, row.color) << row.text;
    }
  }
}

TEST(PropertyValues, HexadecimalColoursCarryThePaletteFlagOnPaletteScreens) {
  pf::SetScreenBitsPerPixelOverride(8);
  pf::TColor hex = 0, name = 0, abc = 0;
  EXPECT_TRUE(ParseColorValue("#ff0000", true, hex));
  EXPECT_TRUE(ParseColorValue("red", true, name));
  pf::SetScreenBitsPerPixelOverride(0);
  EXPECT_EQ(hex, pf::clRed | pf::PaletteColorFlag);
  EXPECT_EQ(name, pf::clRed);
  // What one call accepted without "#" is no colour to the next call that wants one.
  EXPECT_TRUE(ParseColorValue("abc", false, abc));
  EXPECT_FALSE(ParseColorValue("abc", true, abc));
}

// The last colour read by number is answered again without being read: as the screen shows colours now, and not
// to a call that needs the "#" it was read without. Names are looked up every time.
TEST(PropertyValues, TheLastNumberColourIsRemembered) {
  struct Call {
    const char* text;
    bool needHash;
    int bits;  // the screen's depth
    bool ok;
    pf::TColor color;
    int64_t reads;  // texts read by number so far
  } calls[] = {
      {"#102030", true, 24, true, 0x302010, 1},
      {" #102030 ", true, 24, true, 0x302010, 1},
      {"#102030", true, 8, true, 0x302010 | pf::PaletteColorFlag, 1},
      {"rgb(1, 2, 3)", true, 24, true, 0x030201, 2},
      {"RGB(1, 2, 3)", false, 24, true, 0x030201, 2},
      {"red", true, 24, true, pf::clRed, 2},
      {"rgb(1, 2, 3)", true, 24, true, 0x030201, 2},
      {"102030", false, 24, true, 0x302010, 3},
      {"102030", true, 24, false, 0, 3},
      {"102030", false, 24, true, 0x302010, 3},
      {"#ggg", true, 24, false, 0, 4},
      {"#ggg", true, 24, false, 0, 5},
  };
  const int64_t start = ColorTextsRead();
  for (const Call& c : calls) {
    pf::SetScreenBitsPerPixelOverride(c.bits == 24 ? 0 : c.bits);
    pf::TColor color = 0;
    EXPECT_EQ(ParseColorValue(c.text, c.needHash, color), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(color, c.color) << c.text << " at " << c.bits;
    }
    EXPECT_EQ(ColorTextsRead() - start, c.reads) << c.text;
  }
  pf::SetScreenBitsPerPixelOverride(0);
}

TEST(PropertyValues, Lengths) {
  struct Row {
    const char* text;
    bool bareIsFactor;
    double base;
    int32_t expected;
  } rows[] = {
      {"12pt", false, 0, 16},
      {"2.54cm", false, 0, 96},
      {"25.4mm", false, 0, 96},
      {"1in", false, 0, 96},
      {"1pc", false, 0, 16},
      {"7px", false, 0, 7},
      {"50%", false, 300, 150},
      {"3", true, 14, 42},
      {"3", false, 14, 3},
      {"0.75em", false, 0, 10},
      {"2ex", false, 0, 14},
      {"1.5EM", false, 0, 21},
      {"-4px", false, 0, -4},
      {"auto", false, 0, -9},
      {"2e3px", false, 0, -9},
      {"1.5.3em", false, 0, -9},
      {"", false, 0, -9},
      // Beyond any page: held to the longest length of layout, also past a double's range.
      {"99999999999px", false, 0, kMaxLayoutLength},
      {"-99999999999in", false, 0, -kMaxLayoutLength},
      {"99999999999%", false, 300, kMaxLayoutLength},
  };
  const std::string digits(400, '9');
  EXPECT_EQ(LengthToPixels(digits + "px", false, 0, -9, 7, 14), kMaxLayoutLength);
  EXPECT_EQ(LengthToPixels("0." + digits + "px", false, 0, -9, 7, 14), 1);
  EXPECT_EQ(LengthToPixels("0." + std::string(400, '0') + "1px", false, 0, -9, 7, 14), 0);
  for (const Row& row : rows)
    EXPECT_EQ(LengthToPixels(row.text, row.bareIsFactor, row.base, -9, 7, 14), row.expected) << row.text;
}

TEST(PropertyValues, FontSizes) {
  SetDefPointSize(12);
  const std::pair<const char*, double> rows[] = {
      {"1.5em", 18}, {"larger", 15}, {"smaller", 9}, {"x-small", 10},  {"12px", 9},      {"12", 9},    {"1in", 72},
      {"1pc", 12},   {"50%", 6},     {"2ex", 12},    {"xx-large", 36}, {"medium", 14.4}, {"huge", 12},
  };
  for (auto [text, points] : rows) EXPECT_DOUBLE_EQ(FontSizeToPoints(text, 12), points) << text;
  const std::pair<double, int32_t> pixels[] = {{12, 16}, {10, 13}, {8, 11}, {14, 19}, {36, 48}, {0, 1}, {1e9, 2000}};
  for (auto [points, px] : pixels) EXPECT_EQ(PointsToPixelHeight(points), px) << points;
}

TEST(PropertyValues, Keywords) {
  const std::pair<const char*, int> aligns[] = {{"TOP", 1},      {"absmiddle", 2}, {"center", 2},
                                                {"baseline", 3}, {"bottom", 4},    {"left", 5},
                                                {"right", 6},    {"justify", 7},   {"texttop", 0}};
  for (auto [text, code] : aligns) {
    int got = -1;
    EXPECT_EQ(ParseAlignKeyword(text, got), code != 0) << text;
    EXPECT_EQ(got, code) << text;
  }
  const std::pair<const char*, const char*> urls[] = {
      {"url(a.gif)", "a.gif"}, {"url('a b.gif')", "a b.gif"}, {"x url(\"q\") y", "q"}, {"url('')", "''"}, {"none", ""}};
  for (auto [value, url] : urls) EXPECT_EQ(ExtractCssUrl(value), url) << value;
  EXPECT_EQ(BorderStyleCode("double"), 8);
  EXPECT_EQ(BorderStyleCode("wavy"), 0);
}

TEST(PropertyValues, Accessors) {
  TProperties p;
  p.EmSize = 10;
  p.ExSize = 5;
  auto set = [&](TPropertyIndex i, const char* value) { p.Props[i] = std::string(value); };
  int code = -1;
  EXPECT_EQ(p.GetLineHeight(14), -1);
  set(piLineHeight, "3");
  EXPECT_EQ(p.GetLineHeight(14), 42);
  set(piLineHeight, "150%");
  EXPECT_EQ(p.GetLineHeight(14), 15);
  set(piClear, "both");
  EXPECT_TRUE(p.GetClear(code));
  EXPECT_EQ(code, 3);
  EXPECT_FALSE(p.GetClear(code));  // consumed
  set(piFloat, "right");
  EXPECT_TRUE(p.GetFloat(code) && code == 6);
  set(piVerticalAlign, "text-top");
  EXPECT_TRUE(p.GetVerticalAlign(code) && code == 1);
  EXPECT_EQ(p.GetVisibility(), 2);
  bool percent = false;
  set(piTextIndent, "20%");
  EXPECT_EQ(p.GetTextIndent(percent), 20);
  EXPECT_TRUE(percent);
  set(piTextIndent, "2em");
  EXPECT_EQ(p.GetTextIndent(percent), 20);
  EXPECT_FALSE(percent);
  std::string url = "x";
  EXPECT_FALSE(p.GetBackgroundImage(url));
  set(piBackgroundImage, "none");
  EXPECT_TRUE(p.GetBackgroundImage(url) && url.empty());
  set(piZIndex, " 7");
  EXPECT_EQ(p.GetZIndex(), 7);
  TListStyleType type = lsDisc;
  set(piListStyleType, "upper-roman");
  EXPECT_TRUE(p.GetListStyleType(type) && type == lsUpperRoman);
  // Colours count only where they were set.
  p.Props[piBackgroundColor] = static_cast<int32_t>(pf::clRed);
  EXPECT_EQ(p.GetBackgroundColor(), pf::clNone);
  p.Assigned[piBackgroundColor] = true;
  EXPECT_EQ(p.SaveBackgroundColor(), pf::clRed);
  EXPECT_EQ(p.OwnBackground, pf::clRed);
}

// Whole numbers of a style beyond 32 bits count as the largest number of their sign: a colour component at the end
// of its range, a weight as bold, a layer above (or below) every other.
TEST(PropertyValues, WholeNumbersBeyondThirtyTwoBitsKeepTheirSign) {
  pf::TColor color = 0;
  EXPECT_TRUE(ParseColorValue("rgb(99999999999, -99999999999, 2147483648)", true, color));
  EXPECT_EQ(color, 0xFF00FFu);
  EXPECT_TRUE(ParseColorValue("rgb(+99999999999, 12, 9x)", true, color));
  EXPECT_EQ(color, 0x000CFFu);
  TProperties p, largest;
  for (const char* text : {"99999999999", "-99999999999"}) {
    const bool negative = text[0] == '-';
    p.Props[piZIndex] = std::string(text);
    largest.Props[piZIndex] = std::string(negative ? "-2147483648" : "2147483647");
    EXPECT_EQ(p.GetZIndex(), largest.GetZIndex()) << text;
    EXPECT_EQ(p.GetZIndex() > 1000000, !negative) << text;
    EXPECT_EQ(p.GetZIndex() < -1000000, negative) << text;
    p.Props[piFontWeight] = std::string(text);
    EXPECT_EQ((p.GetFontInfo().Style & pf::fsBold) != 0, !negative) << text;
  }
}

TEST(PropertyValues, BackgroundPosition) {
  struct Row {
    const char *position, *repeat;
    TBackgroundPositionType h, v;
    int32_t hValue, vValue;
    bool hRepeat, vRepeat;
  } rows[] = {
      {"right top", "", bpRight, bpTop, 0, 0, true, true},
      {"top left", "", bpLeft, bpTop, 0, 0, true, true},
      {"top", "repeat-x", bpCenter, bpTop, 0, 0, true, false},
      {"10px 50%", "repeat-y", bpLength, bpPercent, 10, 50, false, true},
      {"10px left", "no-repeat", bpLeft, bpLength, 0, 10, false, false},
      {"bottom 2em", "", bpLength, bpBottom, 20, 0, true, true},
      {"", "", bpLength, bpLength, 0, 0, true, true},
  };
  for (const Row& row : rows) {
    TProperties p;
    p.EmSize = 10;
    if (*row.position) p.Props[piBackgroundPosition] = std::string(row.position);
    if (*row.repeat) p.Props[piBackgroundRepeat] = std::string(row.repeat);
    const TBackgroundPosition b = p.GetBackgroundPosition();
    EXPECT_EQ(b.Horizontal.PosType, row.h) << row.position;
    EXPECT_EQ(b.Vertical.PosType, row.v) << row.position;
    EXPECT_EQ(b.Horizontal.Value, row.hValue) << row.position;
    EXPECT_EQ(b.Vertical.Value, row.vValue) << row.position;
    EXPECT_EQ(b.Horizontal.Repeat, row.hRepeat) << row.position;
    EXPECT_EQ(b.Vertical.Repeat, row.vRepeat) << row.position;
  }
}

TEST(PropertyValues, BoxValues) {
  TProperties p;
  p.AssignByName("border-top-style", "solid");
  p.AssignByName("border-right-style", "double");
  p.AssignByName("border-bottom-style", "dashed");
  const std::pair<TPropertyIndex, const char*> texts[] = {{piBorderTopWidth, "thin"},
                                                          {piBorderRightWidth, "thick"},
                                                          {piBorderLeftWidth, "thick"},
                                                          {piMarginLeft, "auto"},
                                                          {piMarginRight, "10%"},
                                                          {piPaddingTop, "1em"},
                                                          {piPaddingLeft, "25%"},
                                                          {piHeight, "50%"},
                                                          {piTop, "20%"},
                                                          {piMarginTop, "4px"}};
  for (auto [index, text] : texts) p.Props[index] = std::string(text);
  p.Props[piMarginBottom] = DefaultVerticalMargin;
  const TBoxVariantArray box = p.GetBoxVariants();
  EXPECT_EQ(IntOf(box[piBorderRightStyle], -1), 8);

  TBoxIntArray block;
  int autoCount = 0;
  ConvertBlockBoxValues(box, 400, 200, 10, 5, block, autoCount);
  const std::pair<TPropertyIndex, int32_t> blockPixels[] = {
      {piBorderTopWidth, 2},     {piBorderRightWidth, 6},
      {piBorderBottomWidth, 4},  {piBorderLeftWidth, 0},
      {piMarginLeft, AutoValue}, {piMarginRight, 40},
      {piPaddingTop, 10},        {piPaddingLeft, 100},
      {piPaddingRight, 0},       {piHeight, 100 - 10 - 2 - 4},
      {piWidth, AutoValue},      {piTop, 40},
      {piLeft, AutoValue},       {piBackgroundColor, static_cast<int32_t>(pf::clNone)}};
  for (auto [index, pixels] : blockPixels) EXPECT_EQ(block[index], pixels) << PropertyName(index);
  EXPECT_EQ(autoCount, 2);  // the left margin and the width

  TBoxIntArray inlineBox;
  ConvertInlineBoxValues(box, 400, 200, 10, 5, inlineBox);
  EXPECT_EQ(inlineBox[piMarginLeft], 0);
  EXPECT_EQ(inlineBox[piMarginTop], 4);
  EXPECT_EQ(inlineBox[piHeight], 100);
  TProperties unset;
  ConvertInlineBoxValues(unset.GetBoxVariants(), 400, 200, 10, 5, inlineBox);
  EXPECT_EQ(inlineBox[piMarginLeft], UnsetBoxValue);
  EXPECT_EQ(inlineBox[piHeight], AutoValue);

  TBoxIntArray margins;
  bool topDefault = true, bottomDefault = false;
  ConvertVerticalMargins(box, 400, 10, 5, margins, topDefault, bottomDefault);
  EXPECT_EQ(margins[piMarginTop], 4);
  EXPECT_EQ(margins[piMarginBottom], kDefaultVerticalMarginPixels);
  EXPECT_FALSE(topDefault);
  EXPECT_TRUE(bottomDefault);
  ConvertPaddings(box, 10, 5, margins);
  EXPECT_EQ(margins[piPaddingLeft], -25);
  EXPECT_EQ(margins[piPaddingTop], 10);
  EXPECT_EQ(margins[piPaddingRight], -1);
}

}  // namespace
