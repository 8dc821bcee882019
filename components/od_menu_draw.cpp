// Measuring and painting owner-drawn menu items.
#include "components/od_menu_draw.h"

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <vector>

#include "components/sb_common.h"
#include "platform/ui/controls.h"

namespace components {

namespace {

using pf::TCanvas;
using pf::TColor;
using pf::TRect;
using pf::TSize;

constexpr int32_t kSeparatorHeight = 8;
constexpr int32_t kDefaultGlyphSize = 16;
constexpr int32_t kBannerTextMargin = 4;
constexpr int kCheckerSize = 8;

// A painted background (of a sub-menu or its banner), kept while its area and settings stay the same.
struct TBackgroundBits {
  std::unique_ptr<pf::TBitmap> bits;
  TRect area;
  const TodMenuBack* settings = nullptr;
  TColor color = 0;
  uint64_t generation = 0;
};

struct DrawingState {
  std::unique_ptr<pf::TBitmap> checkMark;
  std::unique_ptr<pf::TBitmap> radioBullet;
  TBackgroundBits background;
  TBackgroundBits banner;
  bool bannerDrawn = false;
  uint64_t generation = 1;  // raised by every reset: cached backgrounds are painted anew
};

// Lives until the end of the program: menus may paint at any time.
DrawingState& State() {
  static auto* state = new DrawingState();
  return *state;
}

// ---- The look of an item: the values it is measured and drawn with.

struct ItemLook {
  TodmStyle style = odmWin95;
  TodmOptions options = odmMultiLine;
  TodmSelectionStyle selection = odmNormSel;
  const pf::TFont* font = nullptr;
  T3DEffect font3D = od3Normal;
  TColor color = pf::clMenu;  // of the sub-menu
  const TodBanner* banner = nullptr;
  const TodMenuBack* background = nullptr;
  const pf::TImageList* images = nullptr;
  bool ShowsBanner() const { return (options & odmBanner) != 0 && banner->Enabled(); }
};

const TodMenuData& DefaultData() {
  static const TodMenuData* data = new TodMenuData(nullptr);
  return *data;
}
const pf::TFont& SystemMenuFont() {
  static const pf::TFont* font = [] {
    auto* f = new pf::TFont();
    AssignSystemMenuFont(*f);
    return f;
  }();
  return *font;
}

// Banner, background and colour of the sub-menu come from the parent item when it is owner-drawn, else from the
// menu; font and 3-D effect from the item itself when it is owner-drawn.
ItemLook LookOf(const pf::TMenuItem& item) {
  const TodMenuProperties* properties = MenuPropertiesOf(item);
  const TodMenuData& data = properties != nullptr ? properties->Data() : DefaultData();
  ItemLook look;
  look.style = data.Style();
  look.options = data.Options();
  look.selection = data.SelectionStyle();
  const auto* parent = dynamic_cast<const TodMenuItem*>(item.Parent());
  look.color = parent != nullptr ? parent->SubMenuColor() : data.Color();
  look.banner = parent != nullptr ? &parent->SubMenuBanner() : &data.Banner();
  look.background = parent != nullptr ? &parent->SubMenuBackground() : &data.Background();
  const auto* own = dynamic_cast<const TodMenuItem*>(&item);
  look.font = (look.options & odmCustomFont) == 0 ? &SystemMenuFont() : own != nullptr ? &own->Font() : &data.Font();
  look.font3D = own != nullptr ? own->Font3D() : data.Font3D();
  if (const pf::TMenu* menu = item.GetParentMenu()) look.images = menu->Images();
  return look;
}

struct FontMetrics {
  int32_t fh = 0;          // |font height|
  int32_t il = 0;          // internal leading
  int32_t lineHeight = 0;  // fh + il
  int32_t cellHeight = 0;  // tmHeight
};

// The metrics of the canvas's font.
FontMetrics Metrics(TCanvas& canvas) {
  const pf::TTextMetric tm = canvas.GetTextMetrics();
  FontMetrics m;
  m.fh = std::abs(canvas.Font().Height());
  m.il = tm.tmInternalLeading;
  m.lineHeight = m.fh + m.il;
  m.cellHeight = tm.tmHeight;
  return m;
}

FontMetrics SelectFont(TCanvas& canvas, const pf::TFont& font) {
  canvas.Font().Assign(font);
  return Metrics(canvas);
}

// ---- The items of a sub-menu as the window system shows them: visible ones, without separators at the ends or
// right after another separator.

std::vector<pf::TMenuItem*> ShownItems(const pf::TMenuItem& parent) {
  std::vector<pf::TMenuItem*> shown;
  for (int i = 0; i < parent.Count(); ++i) {
    pf::TMenuItem* item = parent.Items(i);
    if (!item->Visible()) continue;
    if (item->IsLine() && (shown.empty() || shown.back()->IsLine())) continue;
    shown.push_back(item);
  }
  if (!shown.empty() && shown.back()->IsLine()) shown.pop_back();
  return shown;
}

// What the items of a sub-menu share in measuring and drawing.
struct SubMenu {
  std::vector<pf::TMenuItem*> shown;  // the item alone when it is not shown
  bool anyChecked = false;            // a check column
  bool hasGlyph = false;              // a glyph column
};

// ---- Glyphs

struct Glyph {
  const pf::TImageList* list = nullptr;  // an image of the menu's image list ...
  int index = -1;
  const pf::TBitmap* bitmap = nullptr;  // ... or the item's own bitmap
  bool Present() const { return list != nullptr || bitmap != nullptr; }
};

Glyph GlyphOf(pf::TMenuItem& item, const ItemLook& look) {
  Glyph glyph;
  const int index = (look.options & odmUseTagAsImageIndex) != 0 ? static_cast<int>(item.Tag) : item.ImageIndex();
  if (look.images != nullptr && index >= 0 && index < look.images->Count()) {
    glyph.list = look.images;
    glyph.index = index;
  } else if (!item.Bitmap().Empty()) {
    glyph.bitmap = &item.Bitmap();
  }
  return glyph;
}

TSize GlyphSize(const ItemLook& look) {
  if (look.images != nullptr) return {look.images->Width(), look.images->Height()};
  return {kDefaultGlyphSize, kDefaultGlyphSize};
}

SubMenu SubMenuOf(pf::TMenuItem& item) {
  SubMenu sub;
  if (item.Parent() != nullptr) sub.shown = ShownItems(*item.Parent());
  if (std::find(sub.shown.begin(), sub.shown.end(), &item) == sub.shown.end()) sub.shown.assign(1, &item);
  for (pf::TMenuItem* sibling : sub.shown) {
    sub.anyChecked = sub.anyChecked || sibling->Checked();
    sub.hasGlyph = sub.hasGlyph || GlyphOf(*sibling, LookOf(*sibling)).Present();
  }
  return sub;
}

void DrawGlyph(TCanvas& canvas, const Glyph& glyph, TSize size, int32_t x, int32_t y, bool enabled) {
  if (glyph.list != nullptr) {
    sbDrawImageListImage(canvas, *glyph.list, glyph.index, x, y, enabled);
    return;
  }
  const pf::TBitmap& bitmap = *glyph.bitmap;
  const TRect source = pf::Rect(0, 0, bitmap.Width(), bitmap.Height());
  const TColor transparent = bitmap.TransparentColor();
  if (enabled) {
    pf::TransparentStretchBlt(canvas, pf::Bounds(x, y, size.cx, size.cy), bitmap, source, transparent);
    return;
  }
  pf::TBitmap shape(size.cx, size.cy, pf::pf1bit);
  for (int32_t gy = 0; gy < size.cy; ++gy)
    for (int32_t gx = 0; gx < size.cx; ++gx) {
      const TColor pixel = bitmap.GetPixel(gx * bitmap.Width() / size.cx, gy * bitmap.Height() / size.cy);
      shape.SetPixel(gx, gy, pixel == pf::ColorToDrawRGB(transparent) ? pf::clWhite : pf::clBlack);
    }
  sbDrawEmbossed(canvas, shape, x, y);
}

// ---- Check marks

std::unique_ptr<pf::TBitmap> MakeMark(bool bullet) {
  const int32_t w = pf::GetSystemMetrics(pf::SM_CXMENUCHECK), h = pf::GetSystemMetrics(pf::SM_CYMENUCHECK);
  auto mark = std::make_unique<pf::TBitmap>(w, h, pf::pf24bit);
  TCanvas& c = mark->Canvas();
  c.Brush().SetColor(pf::clBlack);
  c.Pen().SetColor(pf::clBlack);
  if (bullet) {
    const int32_t d = std::max(4, std::min(w, h) / 2);
    c.Ellipse(pf::Bounds((w - d) / 2, (h - d) / 2, d, d));
  } else {
    c.Pen().SetWidth(std::max(2, w / 7));
    c.Polyline({{w * 3 / 14, h / 2}, {w * 6 / 14, h * 10 / 14}, {w * 11 / 14, h * 4 / 14}});
  }
  mark->SetMonochrome(true);
  return mark;
}

pf::TBitmap& Mark(bool bullet) {
  DrawingState& s = State();
  if (!s.checkMark) RebuildCheckBitmaps();
  return bullet ? *s.radioBullet : *s.checkMark;
}

// Transparently: AND with the mask turns the mark black, OR puts its colour in.
void DrawCheck(TCanvas& canvas, pf::TBitmap& mark, int32_t x, int32_t y, TColor color) {
  canvas.SetTextColor(pf::clBlack);
  canvas.SetBkColor(pf::clWhite);
  pf::BitBlt(canvas, x, y, mark.Width(), mark.Height(), &mark.Canvas(), 0, 0, pf::SRCAND);
  canvas.SetTextColor(color);
  canvas.SetBkColor(pf::clBlack);
  pf::BitBlt(canvas, x, y, mark.Width(), mark.Height(), &mark.Canvas(), 0, 0, pf::SRCPAINT);
}

void FillCheckerboard(TCanvas& canvas, const TRect& r) {
  pf::TBitmap pattern(kCheckerSize, kCheckerSize, pf::pf24bit);
  for (int y = 0; y < kCheckerSize; ++y)
    for (int x = 0; x < kCheckerSize; ++x) pattern.SetPixel(x, y, (x + y) % 2 == 0 ? pf::clBtnFace : pf::clWhite);
  canvas.Brush().SetBitmap(&pattern);
  canvas.FillRect(r);
  canvas.Brush().SetBitmap(nullptr);
}

// ---- Texts

struct ItemText {
  std::string caption;
  std::string shortCut;
};

bool TopLevelOfMainMenu(const pf::TMenuItem& item) {
  return item.Parent() != nullptr && item.Parent()->Parent() == nullptr &&
         dynamic_cast<const pf::TMainMenu*>(item.GetParentMenu()) != nullptr;
}

ItemText TextOf(const pf::TMenuItem& item, const ItemLook& look) {
  ItemText text{DisplayCaption(item.Caption(), look.options), {}};
  if (item.Count() == 0 && item.ShortCut() != pf::scNone && !TopLevelOfMainMenu(item))
    text.shortCut = pf::ShortCutToText(item.ShortCut());
  return text;
}

// The caption's size, with the gap (fh) and the shortcut beside it.
TSize MeasureText(TCanvas& canvas, const ItemText& text, const FontMetrics& m) {
  TRect r;
  canvas.DrawText(text.caption, r, pf::DT_CALCRECT);
  TSize size{r.Width(), r.Height()};
  if (!text.shortCut.empty()) {
    size.cx += m.fh + canvas.TextWidth(text.shortCut);
    size.cy = std::max(size.cy, m.cellHeight);
  }
  return size;
}

// ---- Banners and backgrounds

int32_t BannerThickness(TCanvas& canvas, const TodBanner& banner) {
  if (!banner.AutoSize()) return banner.Width();
  return std::max<int32_t>(banner.Width(), SelectFont(canvas, banner.Font()).cellHeight + kBannerTextMargin);
}

void PaintBack(TCanvas& canvas, const TodMenuBack& back, TColor color, const TRect& r) {
  canvas.Brush().SetColor(color);
  canvas.FillRect(r);
  pf::TGraphic* picture = back.Picture().Graphic();
  switch (back.Style()) {
    case odmSolid:
      break;
    case odmPictureClip:
      if (picture != nullptr) canvas.Draw(r.Left, r.Top, *picture);
      break;
    case odmPictureStretch:
      if (picture != nullptr) canvas.StretchDraw(r, *picture);
      break;
    case odmPicturePattern:
      if (picture != nullptr && picture->Width() > 0 && picture->Height() > 0)
        for (int32_t y = r.Top; y < r.Bottom; y += picture->Height())
          for (int32_t x = r.Left; x < r.Right; x += picture->Width()) canvas.Draw(x, y, *picture);
      break;
    case odmHorzGradient:
    case odmVertGradient: {
      TGradient gradient;
      gradient.BeginColor = color;
      gradient.EndColor = back.Gradient();
      gradient.Vertical = back.Style() == odmVertGradient;
      gradient.Draw(canvas, r);
      break;
    }
  }
}

// The painted area (held for the next items) and the part of it that lies in part, copied to the canvas.
void CopyBackground(TBackgroundBits& cache, TCanvas& canvas, const TodMenuBack& back, TColor color, const TRect& area,
                    const TRect& part) {
  const uint64_t generation = State().generation;
  if (!cache.bits || cache.area != area || cache.settings != &back || cache.color != color ||
      cache.generation != generation) {
    cache.bits = std::make_unique<pf::TBitmap>(area.Width(), area.Height(), pf::pf24bit);
    PaintBack(cache.bits->Canvas(), back, color, pf::Rect(0, 0, area.Width(), area.Height()));
    cache.area = area;
    cache.settings = &back;
    cache.color = color;
    cache.generation = generation;
  }
  pf::BitBlt(canvas, part.Left, part.Top, part.Width(), part.Height(), &cache.bits->Canvas(), part.Left - area.Left,
             part.Top - area.Top, pf::SRCCOPY);
}

std::string BannerCaption(const pf::TMenuItem& item, const TodBanner& banner) {
  if (!banner.Caption().empty()) return banner.Caption();
  if (const TodMenuProperties* properties = MenuPropertiesOf(item); properties && !properties->Caption().empty())
    return properties->Caption();
  const pf::TMenuItem* parent = item.Parent();
  return parent != nullptr ? sbStripAccelChars(parent->Caption()) : std::string();
}

void DrawBanner(TCanvas& canvas, const pf::TMenuItem& item, const TodBanner& banner, const TRect& strip,
                const TRect& itemRect) {
  TRect part;
  if (!pf::IntersectRect(part, strip, itemRect)) return;
  CopyBackground(State().banner, canvas, banner, banner.Color(), strip, part);
  const int saved = canvas.SaveDC();
  canvas.IntersectClipRect(part.Left, part.Top, part.Right, part.Bottom);
  canvas.Font().Assign(banner.Font());
  canvas.Font().SetEscapement(banner.Vertical() ? 900 : 0);
  const FontMetrics m = Metrics(canvas);
  const int32_t length = (banner.Vertical() ? strip.Height() : strip.Width()) - 2 * kBannerTextMargin;
  const std::string caption = ShortenText(canvas, BannerCaption(item, banner), length);
  canvas.SetBkMode(pf::TRANSPARENT);
  const int32_t x =
      banner.Vertical() ? strip.Left + (strip.Width() - m.cellHeight) / 2 : strip.Left + kBannerTextMargin;
  const int32_t y =
      banner.Vertical() ? strip.Bottom - kBannerTextMargin : strip.Top + (strip.Height() - m.cellHeight) / 2;
  DrawEffectLayers(banner.Font3D(), banner.Font().Color(), [&](int32_t dx, int32_t dy, TColor color) {
    canvas.Font().SetColor(color);
    canvas.TextOut(x + dx, y + dy, caption);
  });
  canvas.RestoreDC(saved);
  canvas.Font().SetEscapement(0);
  State().bannerDrawn = true;
}

// ---- Sizes

// The item's size as measured.
TSize ItemSize(pf::TMenuItem& item, TCanvas& canvas, const SubMenu& sub) {
  const ItemLook look = LookOf(item);
  const int32_t checkWidth = pf::GetSystemMetrics(pf::SM_CXMENUCHECK);
  int32_t bannerWidth = 0, bannerHeight = 0;
  if (look.ShowsBanner()) {
    // Every item gets a vertical banner's width, so that the widest one keeps its room beside the strip.
    const int32_t thickness = BannerThickness(canvas, *look.banner);
    if (look.banner->Vertical())
      bannerWidth = thickness;
    else if (sub.shown.front() == &item)
      bannerHeight = thickness;
  }
  if (item.IsLine()) return {checkWidth + bannerWidth, kSeparatorHeight + bannerHeight};
  const FontMetrics m = SelectFont(canvas, *look.font);
  const ItemText text = TextOf(item, look);
  const TSize textSize = MeasureText(canvas, text, m);
  const int32_t h = std::max(textSize.cy, m.lineHeight);
  int32_t width = 0, height = 0;
  if (sub.hasGlyph) {
    // An item without a glyph in a sub-menu with glyphs also has its text after the glyph column.
    const TSize glyph = GlyphSize(look);
    height = std::max(h, GlyphOf(item, look).Present() ? glyph.cy : 0) + 4;
    width = glyph.cx + textSize.cx + 4 + bannerWidth;
  } else {
    height = h + 4;
    width = textSize.cx + 4 + bannerWidth;
    if (look.style == odmWin97) width += height;
  }
  height += bannerHeight;
  if (look.style == odmWin97 || !sub.anyChecked) width -= checkWidth;
  if (!text.caption.empty() || !text.shortCut.empty()) width += 2 * m.fh;
  return {width, height};
}

// The union of the rectangles of the items that the sub-menu shows: they lie one below the other, each as high as
// it was measured, all as wide as the item.
TRect SubMenuArea(pf::TMenuItem& item, TCanvas& canvas, const SubMenu& sub, const TRect& rect) {
  int32_t top = rect.Top, total = 0;
  bool above = true;
  for (pf::TMenuItem* shown : sub.shown) {
    const int32_t height = ItemSize(*shown, canvas, sub).cy;
    if (shown == &item)
      above = false;
    else if (above)
      top -= height;
    total += height;
  }
  return {rect.Left, top, rect.Right, top + total};
}

// ---- Painting steps

struct ItemState {
  bool selected = false;
  bool disabled = false;
  TColor textColor = pf::clMenuText;
};

// Background and selection; answers the text colour.
void PaintItemBackground(TCanvas& canvas, const ItemLook& look, const TRect& area, const TRect& r, ItemState& state) {
  if (state.selected && look.selection == odmNormSel) {
    canvas.Brush().SetColor(pf::clHighlight);
    canvas.FillRect(r);
    state.textColor = pf::clHighlightText;
    return;
  }
  canvas.Brush().SetColor(pf::clMenu);
  state.textColor = (look.options & odmCustomFont) != 0 ? look.font->Color() : pf::clMenuText;
  if ((look.options & odmBackground) != 0)
    CopyBackground(State().background, canvas, *look.background, look.color, area, r);
  else
    canvas.FillRect(r);
  if (!state.selected || (look.selection != odmRaisedSel && look.selection != odmInsetSel)) return;
  const bool raised = look.selection == odmRaisedSel;
  TRect frame = r;
  pf::Frame3D(canvas, frame, raised ? pf::clBtnHighlight : pf::clBtnShadow,
              raised ? pf::clBtnShadow : pf::clBtnHighlight, 1);
}

void DrawSeparator(TCanvas& canvas, const TRect& r) {
  const int32_t m = r.Top + (r.Bottom - r.Top) / 2;
  for (auto [y, color] : {std::pair{m - 1, pf::clBtnShadow}, std::pair{m, pf::clBtnHighlight}}) {
    canvas.Pen().SetColor(color);
    canvas.MoveTo(r.Left, y);
    canvas.LineTo(r.Right, y);
  }
}

// Check mark and glyph; answers where the text starts.
int32_t DrawCheckAndGlyph(TCanvas& canvas, pf::TMenuItem& item, const ItemLook& look, const SubMenu& sub,
                          const TRect& r, const FontMetrics& m, const ItemState& state) {
  const Glyph glyph = GlyphOf(item, look);
  const TSize glyphSize = GlyphSize(look);
  const bool glyphColumn = sub.hasGlyph;
  pf::TBitmap& mark = Mark(item.RadioItem());
  if (look.style == odmWin97) {
    TRect box = pf::Rect(r.Left, r.Top, r.Left + (glyphColumn ? glyphSize.cx + 4 : r.Height()), r.Bottom);
    const int32_t textLeft = box.Right + 4;
    if (item.Checked()) {
      FillCheckerboard(canvas, box);
      pf::Frame3D(canvas, box, pf::clBtnShadow, pf::clBtnHighlight, 1);
    } else if (state.selected && glyph.Present()) {
      pf::Frame3D(canvas, box, pf::clBtnHighlight, pf::clBtnShadow, 1);
    }
    if (glyph.Present())
      DrawGlyph(canvas, glyph, glyphSize, box.Left + (box.Width() - glyphSize.cx) / 2,
                box.Top + (box.Height() - glyphSize.cy) / 2, !state.disabled);
    else if (item.Checked())
      DrawCheck(canvas, mark, box.Left + (box.Width() - mark.Width()) / 2, box.Top + (box.Height() - mark.Height()) / 2,
                state.textColor);
    return textLeft;
  }
  int32_t x = r.Left;
  if (sub.anyChecked) {
    if (item.Checked()) DrawCheck(canvas, mark, x, r.Top + (r.Height() - mark.Height()) / 2, state.textColor);
    x += pf::GetSystemMetrics(pf::SM_CXMENUCHECK);
  }
  if (!glyphColumn) return x + m.fh + m.il + 4;
  if (glyph.Present())
    DrawGlyph(canvas, glyph, glyphSize, x + 2, r.Top + (r.Height() - glyphSize.cy) / 2, !state.disabled);
  return x + glyphSize.cx + 8;
}

void DrawItemText(TCanvas& canvas, const ItemText& text, const TRect& r, int32_t textLeft, const FontMetrics& m,
                  T3DEffect effect, TColor textColor) {
  TRect captionRect = pf::Rect(textLeft, r.Top, r.Right - std::max(m.fh - m.il, 2), r.Bottom);
  TRect measured;
  const int32_t captionHeight = canvas.DrawText(text.caption, measured, pf::DT_CALCRECT);
  captionRect.Top = r.Top + (r.Height() - captionHeight) / 2;
  captionRect.Bottom = captionRect.Top + captionHeight;
  TRect shortCutRect = captionRect;
  shortCutRect.Top = r.Top + (r.Height() - m.cellHeight) / 2;
  shortCutRect.Bottom = shortCutRect.Top + m.cellHeight;
  canvas.SetBkMode(pf::TRANSPARENT);
  DrawEffectLayers(effect, textColor, [&](int32_t dx, int32_t dy, TColor color) {
    canvas.Font().SetColor(color);
    TRect c = captionRect;
    pf::OffsetRect(c, dx, dy);
    canvas.DrawText(text.caption, c, pf::DT_LEFT | pf::DT_NOCLIP);
    if (text.shortCut.empty()) return;
    TRect s = shortCutRect;
    pf::OffsetRect(s, dx, dy);
    canvas.DrawText(text.shortCut, s, pf::DT_RIGHT | pf::DT_SINGLELINE | pf::DT_NOPREFIX | pf::DT_NOCLIP);
  });
}

}  // namespace

// ---- Public routines

void MeasureItem(pf::TMenuItem& item, TCanvas& canvas, TMeasureItemStruct& record) {
  const TSize size = ItemSize(item, canvas, SubMenuOf(item));
  record.itemWidth = size.cx;
  record.itemHeight = size.cy;
}

void DrawItem(pf::TMenuItem& item, TCanvas& canvas, TDrawItemStruct& record) {
  const ItemLook look = LookOf(item);
  TRect r = record.rcItem;
  const SubMenu sub = SubMenuOf(item);
  TRect area = SubMenuArea(item, canvas, sub, r);  // without the banner strip, once drawn
  ItemState state;
  state.selected = (record.itemState & pf::odSelected) != 0;
  state.disabled = (record.itemState & (pf::odDisabled | pf::odGrayed)) != 0;
  if (look.ShowsBanner()) {
    const int32_t thickness = BannerThickness(canvas, *look.banner);
    const bool vertical = look.banner->Vertical();
    const TRect strip = vertical ? pf::Rect(area.Left, area.Top, area.Left + thickness, area.Bottom)
                                 : pf::Rect(area.Left, area.Top, area.Right, area.Top + thickness);
    DrawBanner(canvas, item, *look.banner, strip, r);
    if (vertical) {
      r.Left = strip.Right;
      area.Left = strip.Right;
    } else {
      r.Top = std::max(r.Top, strip.Bottom);
      area.Top = strip.Bottom;
    }
  }
  PaintItemBackground(canvas, look, area, r, state);
  if (item.IsLine()) {
    DrawSeparator(canvas, r);
    return;
  }
  if (const auto* own = dynamic_cast<const TodMenuItem*>(&item); own != nullptr && own->Color() != pf::clDefault) {
    TRect inner = r;
    pf::InflateRect(inner, -1, -1);
    canvas.Brush().SetColor(own->Color());
    canvas.FillRect(inner);
  }
  const FontMetrics m = SelectFont(canvas, *look.font);
  const int32_t textLeft = DrawCheckAndGlyph(canvas, item, look, sub, r, m, state);
  const T3DEffect effect = !state.disabled ? look.font3D : state.selected ? od3Flat : od3Disabled;
  DrawItemText(canvas, TextOf(item, look), r, textLeft, m, effect, state.textColor);
}

void DrawEffectLayers(T3DEffect effect, TColor textColor,
                      const std::function<void(int32_t dx, int32_t dy, TColor color)>& draw) {
  const TColor dark = pf::clBtnShadow, light = pf::clBtnHighlight;
  const bool textIsLight = pf::ColorToDrawRGB(textColor) == pf::ColorToDrawRGB(light);
  switch (effect) {
    case od3Normal:
      break;
    case od3Flat:
      draw(0, 0, dark);
      return;
    case od3Raised:
      textIsLight ? draw(1, 1, dark) : draw(-1, -1, light);
      break;
    case od3Inset:
      textIsLight ? draw(-1, -1, dark) : draw(1, 1, light);
      break;
    case od3Ridged:
      draw(1, 1, dark);
      draw(-1, -1, light);
      break;
    case od3Grooved:
      draw(1, 1, light);
      draw(-1, -1, dark);
      break;
    case od3Shadow:
      draw(2, 2, dark);
      break;
    case od3None:
      return;
    case od3Disabled:
      draw(1, 1, light);
      draw(0, 0, dark);
      return;
  }
  draw(0, 0, textColor);
}

void Draw3DText(TCanvas& canvas, std::string_view text, const TRect& r, uint32_t format, T3DEffect effect) {
  const TColor face = canvas.Font().Color();
  canvas.SetBkMode(pf::TRANSPARENT);
  DrawEffectLayers(effect, face, [&](int32_t dx, int32_t dy, TColor color) {
    canvas.Font().SetColor(color);
    TRect layer = r;
    pf::OffsetRect(layer, dx, dy);
    canvas.DrawText(text, layer, format);
  });
  canvas.Font().SetColor(face);
}

std::string ShortenText(TCanvas& canvas, const std::string& text, int32_t width) {
  if (canvas.TextWidth(text) <= width) return text;
  std::string shortened = text;
  while (!shortened.empty() && canvas.TextWidth(shortened + "...") > width) shortened.pop_back();
  return shortened + "...";
}

std::string DisplayCaption(const std::string& caption, TodmOptions options) {
  return (options & odmMultiLine) != 0 ? sbReplaceString(caption, "||", "\r\n") : caption;
}

const pf::TBitmap& CheckMarkBitmap() { return Mark(false); }
const pf::TBitmap& RadioBulletBitmap() { return Mark(true); }

bool CheckBitmapsOutdated() {
  const DrawingState& s = State();
  return !s.checkMark || s.checkMark->Width() != pf::GetSystemMetrics(pf::SM_CXMENUCHECK) ||
         s.checkMark->Height() != pf::GetSystemMetrics(pf::SM_CYMENUCHECK);
}

void RebuildCheckBitmaps() {
  DrawingState& s = State();
  s.checkMark = MakeMark(false);
  s.radioBullet = MakeMark(true);
}

bool BannerDrawn() { return State().bannerDrawn; }

void ResetBannerFlag() {
  DrawingState& s = State();
  s.bannerDrawn = false;
  ++s.generation;
}

}  // namespace components
