// The shared routines: strings and tokens as tables, measuring with the fixed-metric font service, and drawing
// image-list glyphs enabled and embossed.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "components/sb_common.h"
#include "platform/graphics/bitmap.h"
#include "tests/components/components_test_support.h"

namespace components {
namespace {

TEST(SbCommon, StringRoutines) {
  auto n = [](int value) { return std::to_string(value); };
  const std::pair<std::string, std::string> cases[] = {
      {n(sbCountTokens("a,b,,c", ",")), "4"}, {n(sbCountTokens("", ",")), "0"},
      {n(sbCountTokens("abc", ",")), "1"},    {sbGetToken("a,b,,c", ",", 1), "b"},
      {sbGetToken("a,b,,c", ",", 2), ""},     {sbGetToken("a,b,,c", ",", 3), "c"},
      {sbGetToken("a,b,,c", ",", 9), ""},     {sbGetToken("a\r\nbc", "\r\n", 1), "bc"},
      {sbStripAccelChars("&Datei"), "Datei"}, {sbStripAccelChars("A&&B&"), "A&B"},
      {sbCopyFromTo("abcdef", 2, 4), "bcd"},  {sbCopyFromTo("abcdef", 3, 0), "cdef"},
      {n(sbPosFrom("a", "banana", 3)), "4"},  {n(sbPosNth("ana", "banana", 1)), "2"},
      {n(sbPosNth("ana", "banana", 2)), "0"},  // occurrences do not overlap
      {n(sbPosNth("a", "banana", 3)), "6"},   {sbReplaceString("a-b-c", "-", "+-"), "a+-b+-c"},
      {sbStripQuotes("\"x y\""), "x y"},      {sbStripQuotes("'x'"), "x"},
      {sbStripQuotes("\"x'"), "\"x'"},
  };
  for (const auto& [got, want] : cases) EXPECT_EQ(got, want);
}

TEST(SbCommon, NextTokenTakesWordsQuotesAndBreaks) {
  auto tokens = [](std::string_view s, std::string_view delimiters, uint32_t options) {
    std::vector<std::string> out;
    for (int position = 1; position <= static_cast<int>(s.size());) {
      std::string token = sbGetNextToken(s, position, delimiters, options);
      if (token.empty()) break;
      out.push_back(token);
    }
    return out;
  };
  using V = std::vector<std::string>;
  EXPECT_EQ(tokens("say \"hi there\", x", ",", sbtoSkipBlanks | sbtoQuotedToken), (V{"say", "\"hi there\"", ",", "x"}));
  EXPECT_EQ(tokens("a b,c", ",", sbtoBlanksInToken), (V{"a b", ",", "c"}));
  EXPECT_EQ(tokens("a \t b", "", 0), (V{"a", " ", "\t", " ", "b"}));
  EXPECT_EQ(tokens("x \"open  ", "", sbtoSkipBlanks | sbtoQuotedToken), (V{"x", "\"open  "}));
}

TEST(SbCommon, ColoursAndMeasuring) {
  uint8_t r = 0, g = 0, b = 0;
  sbSplitColor(pf::clBtnFace, r, g, b);
  EXPECT_EQ((std::vector<int>{r, g, b}), (std::vector<int>{212, 208, 200}));
  EXPECT_EQ((std::vector<uint32_t>{sbColorToImageListColor(pf::clNone), sbColorToImageListColor(pf::clDefault),
                                   sbColorToImageListColor(pf::clBtnFace)}),
            (std::vector<uint32_t>{pf::CLR_NONE, pf::CLR_DEFAULT, pf::RGB(212, 208, 200)}));

  test::WithFixedFonts fonts;
  pf::TBitmap bitmap(10, 10, pf::pf24bit);
  pf::TCanvas& canvas = bitmap.Canvas();
  canvas.Font().SetHeight(-16);
  // Lines of 16 and 32 pixels, 20 high, 5 apart; "&" marks are no ink unless prefixes are off.
  EXPECT_EQ(sbMeasureMultiLineText(canvas, "ab\r\nabcd", 5, 0), (pf::TSize{32, 45}));
  EXPECT_EQ(sbMeasureMultiLineText(canvas, "&ab", 5, 0), (pf::TSize{16, 20}));
  EXPECT_EQ(sbMeasureMultiLineText(canvas, "&ab", 5, pf::DT_NOPREFIX), (pf::TSize{24, 20}));
  EXPECT_EQ(sbGetTextHeight(canvas, "AgTpjW", 100, 0), 20);
}

TEST(SbCommon, ImageListGlyphsEnabledAndEmbossed) {
  pf::TBitmap glyph(4, 4, pf::pf24bit);  // white, two red pixels at (1, 1) and (2, 1)
  glyph.SetPixel(1, 1, pf::clRed);
  glyph.SetPixel(2, 1, pf::clRed);
  pf::TImageList images(nullptr, 4, 4);
  images.AddMasked(glyph, pf::clWhite);

  auto draw = [&](bool enabled) {
    auto target = std::make_unique<pf::TBitmap>(12, 12, pf::pf24bit);
    target->Canvas().Brush().SetColor(pf::clBtnFace);
    target->Canvas().FillRect(pf::Rect(0, 0, 12, 12));
    sbDrawImageListImage(target->Canvas(), images, 0, 5, 5, enabled);
    return std::vector<pf::TColor>{target->GetPixel(6, 6), target->GetPixel(7, 6), target->GetPixel(7, 7),
                                   target->GetPixel(8, 7), target->GetPixel(5, 5)};
  };
  const pf::TColor face = pf::ColorToRGB(pf::clBtnFace), shadow = pf::ColorToRGB(pf::clBtnShadow);
  EXPECT_EQ(draw(true), (std::vector<pf::TColor>{pf::clRed, pf::clRed, face, face, face}));
  EXPECT_EQ(draw(false), (std::vector<pf::TColor>{shadow, shadow, pf::clWhite, pf::clWhite, face}));
  images.SetBkColor(pf::clBlue);
  EXPECT_EQ(draw(true), (std::vector<pf::TColor>{pf::clRed, pf::clRed, pf::clBlue, pf::clBlue, pf::clBlue}));
}

}  // namespace
}  // namespace components
