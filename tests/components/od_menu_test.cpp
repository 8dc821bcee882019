// Owner-drawn menus: caption lines, gradients, inherited values, measuring, and items drawn on offscreen bitmaps with
// the fixed-metric font service (glyphs are solid boxes). A 13-pixel Arial has fh 13, internal leading 3 and a
// 16-pixel cell; upper-case letters (and "m") are 9 pixels wide, other letters and digits 6, "." 3; a glyph's box
// runs from its cell's left edge, advance - 1 pixels wide, rows cell top + 3 .. + 12.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "components/od_menu.h"
#include "components/od_menu_draw.h"
#include "platform/core/exceptions.h"
#include "platform/graphics/bitmap.h"
#include "tests/components/components_test_support.h"
#include "tests/platform/core/test_helpers.h"

namespace components {
namespace {

using pf::TColor;
using pf::TRect;

const TColor kMenuColor = 0xF7F7F7;
const TColor kHighlight = pf::ColorToRGB(pf::clHighlight);
const TColor kHighlightText = pf::ColorToRGB(pf::clHighlightText);
const TColor kShadow = pf::ColorToRGB(pf::clBtnShadow);
const TColor kLight = pf::ColorToRGB(pf::clBtnHighlight);
const TColor kFace = pf::ColorToRGB(pf::clBtnFace);

int CheckWidth() { return pf::GetSystemMetrics(pf::SM_CXMENUCHECK); }

using test::WithFixedFonts;

// The columns that hold a pixel of colour in rows top..bottom-1 of the bitmap: first and last (-1 when none).
std::pair<int32_t, int32_t> ColumnsOf(const pf::TBitmap& b, TColor color, int32_t top, int32_t bottom,
                                      int32_t from = 0) {
  std::pair<int32_t, int32_t> found{-1, -1};
  for (int32_t x = from; x < b.Width(); ++x)
    for (int32_t y = top; y < bottom; ++y)
      if (b.GetPixel(x, y) == color) {
        if (found.first < 0) found.first = x;
        found.second = x;
        break;
      }
  return found;
}

// A pop-up menu with Arial 13 pixels in the menu colour, measured and drawn like the menu window does: items one
// below the other, all as wide as the widest.
class MenuDrawing : public testing::Test {
 protected:
  MenuDrawing() {
    menu.Font().SetName("Arial");
    menu.Font().SetHeight(-13);
    menu.Font().SetColor(pf::clBlack);
    menu.SetColor(kMenuColor);
    menu.SetOptions(odmCustomFont | odmBackground | odmMultiLine);
  }
  TodMenuItem* Add(const std::string& caption, pf::TShortCut shortCut = pf::scNone) {
    auto* item = new TodMenuItem(nullptr);
    item->SetCaption(caption);
    item->SetShortCut(shortCut);
    menu.Items().Add(item);
    return item;
  }
  pf::TSize Measure(pf::TMenuItem& item) {
    TMeasureItemStruct record;
    MeasureItem(item, bitmap.Canvas(), record);
    return {record.itemWidth, record.itemHeight};
  }
  // Draws every item (state for the item at selected: odSelected; disabled items odDisabled) and answers their
  // rectangles.
  std::vector<TRect> DrawAll(int selected = -1) {
    std::vector<TRect> rects;
    int32_t width = 0, top = 0;
    for (int i = 0; i < menu.Items().Count(); ++i)
      width = std::max(width, Measure(*menu.Items().Items(i)).cx + CheckWidth());
    bitmap.SetSize(width, 200);
    bitmap.Canvas().Brush().SetColor(pf::clMenu);
    bitmap.Canvas().FillRect({0, 0, width, 200});
    for (int i = 0; i < menu.Items().Count(); ++i) {
      pf::TMenuItem& item = *menu.Items().Items(i);
      rects.push_back(pf::Bounds(0, top, width, Measure(item).cy));
      top += rects.back().Height();
    }
    for (int i = 0; i < menu.Items().Count(); ++i) {
      TDrawItemStruct record;
      record.rcItem = rects[static_cast<size_t>(i)];
      record.itemState = i == selected ? pf::odSelected : 0u;
      if (!menu.Items().Items(i)->Enabled()) record.itemState |= pf::odDisabled | pf::odGrayed;
      DrawItem(*menu.Items().Items(i), bitmap.Canvas(), record);
    }
    return rects;
  }

  WithFixedFonts fonts;
  pf::TBitmap bitmap{200, 200, pf::pf24bit};
  TodPopupMenu menu{nullptr};
};

TEST(MenuModel, CaptionLinesAndDisplayedCaptions) {
  std::string caption = "a||b";
  TCaptionStrings lines([&] { return caption; }, [&](const std::string& c) { caption = c; });
  int changes = 0;
  lines.OnChange = [&] { ++changes; };
  EXPECT_EQ(pf::test::Lines(lines), (std::vector<std::string>{"a", "b"}));
  lines.Add("c");
  EXPECT_EQ(caption, "a||b||c");
  lines.Delete(0);
  lines.Put(0, "x");
  EXPECT_EQ(caption, "x||c");
  lines.SetText("one\r\ntwo\r\n");  // the break after the last line is dropped
  EXPECT_EQ(caption, "one||two");
  lines.Clear();
  EXPECT_EQ(caption, "");
  EXPECT_EQ(lines.Count(), 0);
  EXPECT_EQ(changes, 5);
  EXPECT_THROW(lines.Get(0), pf::EListError);

  EXPECT_EQ(DisplayCaption("Zeile 1||Zeile 2", odmMultiLine), "Zeile 1\r\nZeile 2");
  EXPECT_EQ(DisplayCaption("Zeile 1||Zeile 2", odmCustomFont), "Zeile 1||Zeile 2");
}

TEST(MenuModel, GradientBands) {
  TGradient gradient;
  gradient.Colors = 4;
  const struct {
    TColor begin, end;
    int band;
    TColor expected;
  } cases[] = {
      {pf::clBlack, pf::clWhite, 0, pf::RGB(0, 0, 0)},
      {pf::clBlack, pf::clWhite, 1, pf::RGB(63, 63, 63)},
      {pf::clBlack, pf::clWhite, 3, pf::RGB(191, 191, 191)},
      {pf::clRed, pf::clBlue, 2, pf::RGB(128, 0, 127)},
      {pf::clBtnFace, pf::clBtnFace, 3, kFace},  // system colours are resolved
  };
  for (const auto& c : cases) {
    gradient.BeginColor = c.begin;
    gradient.EndColor = c.end;
    EXPECT_EQ(gradient.Band(c.band), c.expected) << c.band;
  }
  EXPECT_EQ(pf::test::MessageOf<pf::EListError>([&] { gradient.Band(4); }), "Index out of range");

  // Bands cover the rectangle in order, or reversed.
  pf::TBitmap b(8, 2, pf::pf24bit);
  gradient.BeginColor = pf::clBlack;
  gradient.EndColor = pf::clWhite;
  for (bool reverse : {false, true}) {
    gradient.Reverse = reverse;
    gradient.Draw(b.Canvas(), {0, 0, 8, 2});
    for (int x = 0; x < 8; ++x) EXPECT_EQ(b.GetPixel(x, 1), gradient.Band(reverse ? 3 - x / 2 : x / 2)) << x;
  }
}

// Values with their Parent flag follow the parent item's sub-menu values, or the menu's for top-level items.
TEST(MenuModel, ItemsFollowTheirParentsUntilTheyHaveOwnValues) {
  TodPopupMenu menu(nullptr);
  auto* top = new TodMenuItem(nullptr);
  auto* own = new TodMenuItem(nullptr);
  auto* child = new TodMenuItem(nullptr);
  top->Add(child);
  menu.Items().Add(top);
  menu.Items().Add(own);
  own->SetSubMenuColor(pf::clYellow);
  EXPECT_FALSE(own->ParentSubMenuColor());

  menu.SetColor(kMenuColor);
  menu.SetFont3D(od3Raised);
  menu.Font().SetHeight(-20);
  menu.Banner().SetCaption("Pexu");
  EXPECT_EQ(top->SubMenuColor(), kMenuColor);
  EXPECT_EQ(own->SubMenuColor(), pf::clYellow);
  EXPECT_EQ(top->Font3D(), od3Raised);
  EXPECT_EQ(top->Font().Height(), -20);
  EXPECT_EQ(child->Font().Height(), -20);  // through the top item's sub-menu font
  EXPECT_EQ(child->SubMenuBanner().Caption(), "Pexu");

  // A sub-item follows its parent's sub-menu values, not the menu's; its own value ends that.
  top->SetSubMenuFont3D(od3Shadow);
  EXPECT_EQ(child->Font3D(), od3Shadow);
  child->SetFont3D(od3Inset);
  EXPECT_FALSE(child->ParentFont3D());
  top->SetSubMenuFont3D(od3Flat);
  EXPECT_EQ(child->Font3D(), od3Inset);
  child->SetParentFlag(TodMenuItem::pvFont3D, true);
  EXPECT_EQ(child->Font3D(), od3Flat);

  // An item that comes in later takes the values at once.
  auto* late = new TodMenuItem(nullptr);
  menu.Items().Add(late);
  EXPECT_EQ(late->SubMenuColor(), kMenuColor);
}

TEST_F(MenuDrawing, MeasuredSizes) {
  const int cw = CheckWidth();
  TodMenuItem* plain = Add("Abc");
  TodMenuItem* keyed = Add("Abc", pf::ShortCut(pf::VK_F2, 0));
  TodMenuItem* lines = Add("Abc||de");
  TodMenuItem* line = Add("-");
  // Abc: 21 wide, one 16-pixel line (fh 13 + leading 3) + 4; the check width comes off without checked items, twice
  // the font height goes on; "F2" adds 13 for the gap and 15.
  EXPECT_EQ(Measure(*plain), (pf::TSize{21 + 4 - cw + 26, 20}));
  EXPECT_EQ(Measure(*keyed), (pf::TSize{21 + 13 + 15 + 4 - cw + 26, 20}));
  EXPECT_EQ(Measure(*lines), (pf::TSize{21 + 4 - cw + 26, 36}));
  EXPECT_EQ(Measure(*line), (pf::TSize{cw, 8}));

  lines->SetChecked(true);  // a checked item keeps the check width in
  EXPECT_EQ(Measure(*plain).cx, 21 + 4 + 26);
  lines->SetChecked(false);
  menu.SetStyle(odmWin97);  // the glyph area: as wide as the item is high
  EXPECT_EQ(Measure(*plain).cx, 21 + 4 + 20 - cw + 26);
  menu.SetStyle(odmWin95);

  menu.SetOptions(menu.Options() | odmBanner);
  menu.Banner().SetAutoSize(false);
  menu.Banner().SetVertical(true);  // every item makes room for the strip
  EXPECT_EQ(Measure(*keyed).cx, 21 + 13 + 15 + 4 - cw + 26 + 17);
  EXPECT_EQ(Measure(*line).cx, cw + 17);
  menu.Banner().SetVertical(false);  // only the first item is higher
  EXPECT_EQ(Measure(*plain).cy, 20 + 17);
  EXPECT_EQ(Measure(*keyed).cy, 20);
  menu.SetOptions(odmCustomFont);

  pf::TImageList images(nullptr, 16, 16);
  pf::TBitmap red(16, 16, pf::pf24bit);
  images.AddMasked(red, pf::clFuchsia);
  menu.SetImageList(&images);
  keyed->SetImageIndex(0);
  EXPECT_EQ(Measure(*keyed), (pf::TSize{16 + 21 + 13 + 15 + 4 - cw + 26, 20}));
  EXPECT_EQ(Measure(*plain).cx, 16 + 21 + 4 - cw + 26);  // its text starts after the glyph column too
}

TEST_F(MenuDrawing, BackgroundSelectionStylesAndItemColour) {
  Add("Abc");
  TodMenuItem* second = Add("Abc");
  const struct {
    TodmSelectionStyle style;
    TColor inside, topLeft, bottomRight;
  } cases[] = {
      {odmNormSel, kHighlight, kHighlight, kHighlight},
      {odmNoSel, kMenuColor, kMenuColor, kMenuColor},
      {odmRaisedSel, kMenuColor, kLight, kShadow},
      {odmInsetSel, kMenuColor, kShadow, kLight},
  };
  for (const auto& c : cases) {
    menu.SetSelectionStyle(c.style);
    const std::vector<TRect> r = DrawAll(1);
    const int32_t right = r[1].Right - 1, bottom = r[1].Bottom - 1;
    EXPECT_EQ(bitmap.GetPixel(right - 2, r[0].Top + 2), kMenuColor) << c.style;  // unselected
    EXPECT_EQ(bitmap.GetPixel(right - 2, r[1].Top + 2), c.inside) << c.style;
    EXPECT_EQ(bitmap.GetPixel(0, r[1].Top), c.topLeft) << c.style;
    EXPECT_EQ(bitmap.GetPixel(right, bottom), c.bottomRight) << c.style;
  }
  // The selected text is drawn in the highlight text colour.
  menu.SetSelectionStyle(odmNormSel);
  std::vector<TRect> r = DrawAll(1);
  EXPECT_GE(ColumnsOf(bitmap, kHighlightText, r[1].Top, r[1].Bottom).first, 0);

  // Without odmBackground unselected items get the menu colour of the system; an item colour fills all but a ring.
  menu.SetOptions(odmCustomFont);
  second->SetColor(pf::clYellow);
  r = DrawAll();
  EXPECT_EQ(bitmap.GetPixel(r[0].Right - 3, r[0].Top + 2), pf::ColorToRGB(pf::clMenu));
  EXPECT_EQ(bitmap.GetPixel(r[1].Right - 3, r[1].Top + 2), pf::clYellow);
  EXPECT_EQ(bitmap.GetPixel(r[1].Right - 1, r[1].Top), pf::ColorToRGB(pf::clMenu));
}

// Win95: a check column when some item is checked, a glyph column when some item has a glyph, then the text.
TEST_F(MenuDrawing, CheckAndGlyphColumnsComeBeforeTheText) {
  const int cw = CheckWidth();
  pf::TImageList images(nullptr, 16, 16);
  pf::TBitmap glyph(16, 16, pf::pf24bit);
  glyph.Canvas().Brush().SetColor(pf::clRed);
  glyph.Canvas().FillRect({0, 0, 16, 16});
  images.AddMasked(glyph, pf::clFuchsia);
  menu.SetImageList(&images);
  TodMenuItem* checked = Add("Abc");
  TodMenuItem* radio = Add("Abc");
  TodMenuItem* withGlyph = Add("Abc");
  const struct {
    bool check, glyph;
    int32_t glyphLeft, textLeft;
  } cases[] = {
      {false, false, -1, 13 + 3 + 4},
      {true, false, -1, cw + 13 + 3 + 4},
      {false, true, 2, 16 + 8},
      {true, true, cw + 2, cw + 16 + 8},
  };
  for (const auto& c : cases) {
    checked->SetChecked(c.check);
    radio->SetRadioItem(true);
    radio->SetChecked(c.check);
    withGlyph->SetImageIndex(c.glyph ? 0 : -1);
    const std::vector<TRect> r = DrawAll();
    const TColor text = pf::clBlack;
    EXPECT_EQ(ColumnsOf(bitmap, text, r[0].Top, r[0].Bottom, c.check ? cw : 0).first, c.textLeft) << c.check << c.glyph;
    EXPECT_EQ(ColumnsOf(bitmap, text, r[2].Top, r[2].Bottom).first, c.textLeft) << c.check << c.glyph;
    EXPECT_EQ(ColumnsOf(bitmap, pf::clRed, r[2].Top, r[2].Bottom).first, c.glyphLeft);
    // The check mark and the radio bullet lie in the check column, different in shape.
    int mark = 0, bullet = 0;
    for (int32_t x = 0; x < cw; ++x)
      for (int32_t y = 0; y < r[0].Height(); ++y) {
        mark += bitmap.GetPixel(x, r[0].Top + y) == text;
        bullet += bitmap.GetPixel(x, r[1].Top + y) == text;
      }
    EXPECT_EQ(mark > 0 && bullet > 0 && mark != bullet, c.check) << mark << " " << bullet;
  }
}

// Shortcuts are right-aligned in one column; the top-level items of a menu bar show none.
TEST_F(MenuDrawing, ShortcutColumnIsRightAligned) {
  Add("Abc", pf::ShortCut('P', pf::ssCtrl));
  Add("Abcdefgh", pf::ShortCut(pf::VK_F2, 0));
  Add("Ab", pf::ShortCut(pf::VK_F2, pf::ssShift | pf::ssCtrl));
  const std::vector<TRect> r = DrawAll();
  const int32_t right = ColumnsOf(bitmap, pf::clBlack, r[0].Top, r[0].Bottom).second;
  EXPECT_LE(right, r[0].Right - (13 - 3));
  for (int i = 1; i < 3; ++i) EXPECT_EQ(ColumnsOf(bitmap, pf::clBlack, r[i].Top, r[i].Bottom).second, right) << i;
  // Between caption and shortcut the widest item (the last) keeps the font height, the others more.
  const int32_t captionEnds[] = {20 + 21, 20 + 51, 20 + 15};
  for (int i = 0; i < 3; ++i) {
    const int32_t shortCutStart = ColumnsOf(bitmap, pf::clBlack, r[i].Top, r[i].Bottom, captionEnds[i]).first;
    EXPECT_GE(shortCutStart - captionEnds[i], 13) << i;
    if (i == 2) {
      EXPECT_EQ(shortCutStart - captionEnds[i], 13);
    }
  }

  TodMenu bar(nullptr);
  bar.SetFont(menu.Font());
  bar.SetOptions(menu.Options());
  auto* top = new TodMenuItem(nullptr);
  top->SetCaption("Abc");
  top->SetShortCut(pf::ShortCut(pf::VK_F2, 0));
  bar.Items().Add(top);
  TMeasureItemStruct record;
  MeasureItem(*top, bitmap.Canvas(), record);
  EXPECT_EQ(record.itemWidth, 21 + 4 - CheckWidth() + 26);
}

TEST_F(MenuDrawing, SeparatorsAndDisabledItems) {
  Add("Abc");
  Add("-");
  TodMenuItem* disabled = Add("Abc");
  disabled->SetEnabled(false);
  std::vector<TRect> r = DrawAll();
  const int32_t m = r[1].Top + r[1].Height() / 2;
  EXPECT_EQ(r[1].Height(), 8);
  EXPECT_EQ(bitmap.GetPixel(5, m - 1), kShadow);
  EXPECT_EQ(bitmap.GetPixel(5, m), kLight);
  EXPECT_EQ(bitmap.GetPixel(5, m + 1), kMenuColor);
  // Embossed: the face in the shadow colour, a light copy one pixel down and right ("A" at 20..27, rows +5..+14).
  const int32_t top = r[2].Top + 2;
  EXPECT_EQ(bitmap.GetPixel(24, top + 8), kShadow);
  EXPECT_EQ(bitmap.GetPixel(28, top + 13), kLight);
  // Selected, it is flat: the face in the shadow colour on the highlight, no light copy.
  r = DrawAll(2);
  EXPECT_EQ(bitmap.GetPixel(24, top + 8), kShadow);
  EXPECT_EQ(bitmap.GetPixel(28, top + 13), kHighlight);
}

TEST_F(MenuDrawing, BannerAndBackgroundSpanTheWholeSubMenu) {
  Add("Abc");
  Add("Abc");
  menu.SetOptions(odmCustomFont | odmBackground | odmBanner);
  menu.Background().SetStyle(odmVertGradient);
  menu.Background().SetGradient(pf::clWhite);
  menu.SetColor(pf::clBlack);
  menu.Banner().SetVertical(true);
  menu.Banner().SetAutoSize(false);
  menu.Banner().SetColor(pf::clNavy);
  const std::vector<TRect> r = DrawAll();
  // The strip runs down both items at the left; the gradient runs from the first item's top to the second's bottom.
  for (const TRect& item : r) EXPECT_EQ(bitmap.GetPixel(1, item.Bottom - 1), pf::clNavy);
  const uint8_t top = pf::GetRValue(bitmap.GetPixel(r[0].Right - 3, r[0].Top));
  const uint8_t middle = pf::GetRValue(bitmap.GetPixel(r[0].Right - 3, r[0].Bottom - 1));
  const uint8_t bottom = pf::GetRValue(bitmap.GetPixel(r[1].Right - 3, r[1].Bottom - 1));
  EXPECT_LT(top, middle);
  EXPECT_LT(middle, bottom);
  EXPECT_TRUE(BannerDrawn());
  ResetBannerFlag();
  EXPECT_FALSE(BannerDrawn());
}

// Each effect at four points of an "H" whose cell is at (10, 10): its face (13, 17), just below and right of it
// (18, 23), just above and left (9, 12), and two pixels further down and right (19, 24).
TEST(MenuText, ThreeDEffects) {
  WithFixedFonts fonts;
  const TColor B = pf::clBlack, bg = kFace;
  const struct {
    T3DEffect effect;
    TColor text, face, belowRight, aboveLeft, twoDown;
  } cases[] = {
      {od3Normal, B, B, bg, bg, bg},
      {od3Flat, B, kShadow, bg, bg, bg},
      {od3Raised, B, B, bg, kLight, bg},
      {od3Raised, pf::clWhite, pf::clWhite, kShadow, bg, bg},
      {od3Inset, B, B, kLight, bg, bg},
      {od3Inset, pf::clWhite, pf::clWhite, bg, kShadow, bg},
      {od3Ridged, B, B, kShadow, kLight, bg},
      {od3Grooved, B, B, kLight, kShadow, bg},
      {od3Shadow, B, B, kShadow, bg, kShadow},
      {od3None, B, bg, bg, bg, bg},
      {od3Disabled, B, kShadow, kLight, bg, bg},
  };
  for (const auto& c : cases) {
    pf::TBitmap b(40, 40, pf::pf24bit);
    b.Canvas().Brush().SetColor(bg);
    b.Canvas().FillRect({0, 0, 40, 40});
    b.Canvas().Font().SetHeight(-13);
    b.Canvas().Font().SetColor(c.text);
    Draw3DText(b.Canvas(), "H", {10, 10, 40, 40}, pf::DT_LEFT, c.effect);
    EXPECT_EQ(b.GetPixel(13, 17), c.face) << c.effect;
    EXPECT_EQ(b.GetPixel(18, 23), c.belowRight) << c.effect;
    EXPECT_EQ(b.GetPixel(9, 12), c.aboveLeft) << c.effect;
    EXPECT_EQ(b.GetPixel(19, 24), c.twoDown) << c.effect;
  }
}

TEST(MenuText, ShortenedFromTheEnd) {
  WithFixedFonts fonts;
  pf::TBitmap b(10, 10);
  b.Canvas().Font().SetHeight(-13);
  const struct {
    int32_t width;
    const char* expected;
  } cases[] = {{39, "Abcdef"}, {38, "Abcd..."}, {30, "Abc..."}, {29, "Ab..."}, {5, "..."}};
  for (const auto& c : cases) EXPECT_EQ(ShortenText(b.Canvas(), "Abcdef", c.width), c.expected) << c.width;
}

}  // namespace
}  // namespace components
