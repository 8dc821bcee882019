// Styled text on offscreen bitmaps with the fixed-metric font service, whose glyphs are solid boxes: each effect
// is checked at the pixels its layer must cover. A 16-pixel "H" drawn with its cell at (x, y) covers x .. x + 10,
// y + 4 .. y + 15.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "components/sb_common.h"
#include "components/sb_text.h"
#include "platform/graphics/bitmap.h"
#include "tests/components/components_test_support.h"

namespace components {
namespace {

using test::WithFixedFonts;

// Opens the protected steps for their arithmetic.
class OpenText : public TsbCaptionText {
 public:
  using TsbCaptionText::TsbCaptionText;
  using TsbText::GetLogFont;
  pf::TSize RotatedExtentOf(pf::TSize textSize) {
    textSize_ = textSize;
    return GetRotatedExtent(false);
  }
};

// The bounds of every pixel that differs from the background.
pf::TRect InkOf(const pf::TBitmap& b, pf::TColor background) {
  pf::TRect r{b.Width(), b.Height(), 0, 0};
  for (int32_t y = 0; y < b.Height(); ++y)
    for (int32_t x = 0; x < b.Width(); ++x)
      if (b.GetPixel(x, y) != background)
        r = pf::Rect(std::min(r.Left, x), std::min(r.Top, y), std::max(r.Right, x + 1), std::max(r.Bottom, y + 1));
  return r;
}

bool SamePixels(const pf::TBitmap& a, const pf::TBitmap& b) {
  for (int32_t y = 0; y < a.Height(); ++y)
    for (int32_t x = 0; x < a.Width(); ++x)
      if (a.GetPixel(x, y) != b.GetPixel(x, y)) return false;
  return true;
}

const pf::TColor kFace = pf::ColorToRGB(pf::clBtnFace);
const pf::TColor kShadow = pf::ColorToRGB(pf::clBtnShadow);
const pf::TColor kHighlight = pf::ColorToRGB(pf::clBtnHighlight);

class StyledText : public testing::Test {
 protected:
  StyledText() {
    font.SetHeight(-16);
    font.SetColor(pf::clBlack);
    Clear(bitmap);
    text.SetText("H");
    text.SetTextRect(pf::Rect(10, 10, 110, 70));
  }
  static void Clear(pf::TBitmap& b) {
    b.Canvas().Brush().SetColor(pf::clBtnFace);
    b.Canvas().FillRect(pf::Rect(0, 0, b.Width(), b.Height()));
  }
  // Draws the same text on a second bitmap after set changes it.
  std::unique_ptr<pf::TBitmap> DrawnOther(const std::function<void(TsbText&)>& set) {
    auto other = std::make_unique<pf::TBitmap>(bitmap.Width(), bitmap.Height(), pf::pf24bit);
    Clear(*other);
    TsbText copy({}, &other->Canvas(), &font);
    copy.Assign(text);
    copy.SetText(text.Text());
    copy.SetTextRect(text.TextRect());
    set(copy);
    copy.Draw();
    return other;
  }
  pf::TColor At(int32_t x, int32_t y) const { return bitmap.GetPixel(x, y); }

  WithFixedFonts fonts;
  pf::TBitmap bitmap{130, 80, pf::pf24bit};
  pf::TFont font;
  int repaints = 0;
  bool enabled = true;
  OpenText text{{[this] { ++repaints; }, nullptr, [this] { return enabled; }}, &bitmap.Canvas(), &font};
};

TEST_F(StyledText, EachEffectPaintsItsLayers) {
  // Probes: the face's top-left (10, 14), the up-left ring pixel (9, 13), the down-right one (21, 26), a pixel
  // only the shadow reaches (22, 26).
  struct Case {
    const char* name;
    std::function<void()> set;
    std::vector<pf::TColor> probes;
  };
  const Case cases[] = {
      {"plain", [] {}, {pf::clBlack, kFace, kFace, kFace}},
      {"lowered", [&] { text.SetStyle(sblsLowered); }, {pf::clBlack, kShadow, kHighlight, kFace}},
      {"raised", [&] { text.SetStyle(sblsRaised); }, {pf::clBlack, kHighlight, kShadow, kFace}},
      {"raised without highlight",
       [&] { text.SetStyle(sblsRaised), text.SetHighlightColor(pf::clNone); },
       {pf::clBlack, kFace, kShadow, kFace}},
      {"outline",
       [&] { text.SetStyle(sblsOutline), text.SetOutlineColor(pf::clRed); },
       {pf::clBlack, pf::clRed, pf::clRed, kFace}},
      {"disabled outline", [&] { text.SetStyle(sblsOutline), enabled = false; }, {kHighlight, kShadow, kShadow, kFace}},
      // Disabled plain text looks lowered in the disabled colours: the face in the shade colour, the highlight
      // copy one pixel down and right.
      {"disabled", [&] { enabled = false; }, {kShadow, kShadow, kHighlight, kFace}},
      {"shadow",
       [&] { text.Shadow().SetEnabled(true), text.Shadow().SetXOffset(2), text.Shadow().SetYOffset(1); },
       {pf::clBlack, kFace, kShadow, kShadow}},
  };
  for (const Case& c : cases) {
    Clear(bitmap);
    OpenText fresh({nullptr, nullptr, [this] { return enabled; }}, &bitmap.Canvas(), &font);
    text.Assign(fresh);
    enabled = true;
    c.set();
    text.Draw();
    EXPECT_EQ((std::vector<pf::TColor>{At(10, 14), At(9, 13), At(21, 26), At(22, 26)}), c.probes) << c.name;
  }
}

TEST_F(StyledText, ExtrusionFadesFromFarToNear) {
  text.ExtrudeEffects().SetEnabled(true);
  text.ExtrudeEffects().SetNearColor(pf::clRed);
  text.Draw();
  // Bottom-right extrusion of depth 10: layer i lies 11 - i pixels down and right of the face; the far corner of
  // layers 1 and 3 and the rim of layer 10 show their colours (red = Round(255 * i / 10), halves to even).
  EXPECT_EQ((std::vector<pf::TColor>{At(20 + 10, 25 + 10), At(20 + 8, 25 + 8), At(21, 26), At(10, 14)}),
            (std::vector<pf::TColor>{pf::RGB(26, 0, 0), pf::RGB(76, 0, 0), pf::clRed, pf::clBlack}));
  EXPECT_EQ(InkOf(bitmap, kFace), pf::Rect(10, 14, 31, 36));

  // Every orientation extrudes toward its side: layer 1 lies 10 steps against the step, alone at its far corner.
  for (int o = sbTopLeft; o <= sbBottom; ++o) {
    auto other = DrawnOther([o](TsbText& t) { t.ExtrudeEffects().SetOrientation(static_cast<TsbOrientation>(o)); });
    const TsbStep& step = kOrientationSteps[o];
    int32_t x = step.dx > 0 ? 0 : step.dx < 0 ? 30 : 15, y = step.dy > 0 ? 4 : step.dy < 0 ? 35 : 20;
    EXPECT_EQ(other->GetPixel(x, y), pf::RGB(26, 0, 0)) << o;
  }
  TsbExtrudeEffects striated;
  striated.SetStriated(true);
  striated.SetFarColor(pf::RGB(10, 0, 0));
  striated.SetNearColor(pf::RGB(200, 0, 0));
  EXPECT_EQ((std::vector<pf::TColor>{striated.LayerColor(1), striated.LayerColor(2), striated.LayerColor(9)}),
            (std::vector<pf::TColor>{pf::RGB(29, 0, 0), pf::RGB(14, 0, 0), pf::RGB(261 - 256, 0, 0)}));
}

TEST_F(StyledText, AlignmentPlacesTheText) {
  struct Case {
    TAlignment alignment;
    TsbVAlignment vAlignment;
    const char* text;
    pf::TRect ink;
  };
  const Case cases[] = {
      {taLeftJustify, vaTop, "H", pf::Rect(10, 14, 21, 26)},
      {taRightJustify, vaBottom, "H", pf::Rect(88, 54, 99, 66)},  // the text's width is 13 (12 + 1)
      {taCenter, vaVCenter, "H", pf::Rect(49, 34, 60, 46)},
      // Too wide for the rectangle: cut to "HHHHHH..." (72 + 12 pixels), not clipped at its right edge.
      {taLeftJustify, vaTop, "HHHHHHHHHH", pf::Rect(10, 14, 10 + 83, 26)},
  };
  text.SetTextRect(pf::Rect(10, 10, 100, 70));
  text.SetOptions(toShowEllipsis);
  for (const Case& c : cases) {
    Clear(bitmap);
    text.SetText(c.text);
    text.SetAlignment(c.alignment);
    text.SetVAlignment(c.vAlignment);
    text.Draw();
    EXPECT_EQ(InkOf(bitmap, kFace), c.ink) << c.text << " " << c.alignment;
  }
}

TEST_F(StyledText, VariantsThatDrawTheSame) {
  text.SetAlignment(taCenter);
  text.SetVAlignment(vaVCenter);
  text.SetStyle(sblsRaised);
  text.Shadow().SetEnabled(true);
  text.Draw();
  auto turnedFull = DrawnOther([](TsbText& t) { t.SetRotation(360); });
  auto buffered = DrawnOther([](TsbText& t) { t.SetDoubleBuffered(true); });
  auto copied = DrawnOther([](TsbText&) {});
  EXPECT_TRUE(SamePixels(bitmap, *turnedFull));
  EXPECT_TRUE(SamePixels(bitmap, *buffered));
  EXPECT_TRUE(SamePixels(bitmap, *copied));
  auto lowered = DrawnOther([](TsbText& t) { t.SetStyle(sblsLowered); });
  EXPECT_FALSE(SamePixels(bitmap, *lowered));
}

TEST_F(StyledText, RotationTurnsTheFontAndPlacesByTheTurnedExtent) {
  text.SetRotation(90);
  bitmap.Canvas().Font().SetStyle(pf::fsBold);
  TsbLogFont lf = text.GetLogFont();
  EXPECT_EQ((std::vector<int32_t>{lf.Escapement, lf.Orientation, lf.Weight, lf.OutPrecision, lf.CharSet}),
            (std::vector<int32_t>{900, 900, 700, 7, 0}));
  EXPECT_EQ(text.RotatedExtentOf({100, 20}), (pf::TSize{20, 100}));
  text.SetRotation(30);
  EXPECT_EQ(text.RotatedExtentOf({100, 20}), (pf::TSize{97, 67}));  // 86.6 + 10, 50 + 17.3

  text.SetRotation(90);
  text.SetText("HHH");  // 37 wide, 20 high: turned, 20 wide and 37 high about the centre (60, 40)
  for (TAlignment alignment : {taLeftJustify, taRightJustify}) {
    Clear(bitmap);
    text.SetAlignment(alignment);
    text.Draw();
    pf::TRect ink = InkOf(bitmap, kFace);
    EXPECT_LE(std::abs((ink.Left + ink.Right) / 2 - 60), 10) << alignment;
    EXPECT_LE(std::abs((ink.Top + ink.Bottom) / 2 - 40), 3) << alignment;
    EXPECT_GT(ink.Height(), ink.Width()) << alignment;
  }
}

TEST_F(StyledText, FullJustificationFillsEveryLineButTheLast) {
  text.SetTextRect(pf::Rect(0, 0, 40, 80));
  text.SetWordWrap(true);
  text.SetOptions(toFullJustify);
  text.SetText("ab ab ab ab");
  text.Draw();
  // "ab ab" is 36 wide; the first line spreads 4 pixels over its blank, so its last box ends at 38. Lines are 20
  // apart (the sample height); the last line keeps its width.
  auto inkOfRow = [&](int32_t y) {
    int32_t right = 0;
    for (int32_t x = 0; x < bitmap.Width(); ++x)
      if (At(x, y) != kFace) right = x + 1;
    return right;
  };
  EXPECT_EQ((std::vector<int32_t>{inkOfRow(4), inkOfRow(24), inkOfRow(44)}), (std::vector<int32_t>{39, 35, 0}));
}

TEST_F(StyledText, ChangesAskForOneRepaint) {
  text.SetStyle(sblsRaised);
  text.SetStyle(sblsRaised);
  text.SetText("x");
  text.SetTextRect(pf::Rect(0, 0, 5, 5));
  text.Shadow().SetXOffset(3);
  text.ExtrudeEffects().SetDepth(10);
  text.DisabledColors().SetShadeColor(pf::clRed);
  EXPECT_EQ(repaints, 3);
  EXPECT_EQ(text.DrawFlags(), uint32_t{0});
  text.SetOptions(toShowEllipsis);
  text.SetWordWrap(true);
  EXPECT_EQ(text.DrawFlags(), uint32_t{pf::DT_NOPREFIX | pf::DT_END_ELLIPSIS | pf::DT_WORDBREAK});
}

}  // namespace
}  // namespace components
