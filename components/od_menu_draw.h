// Measuring and painting the items of owner-drawn drop-down and pop-up menus: fonts and 3-D caption effects, check
// marks, glyphs, separators, selection styles, multi-line captions, the shortcut column, banners and backgrounds.
//
// Layout of an item (r: its rectangle; fh: |font height|; il: the font's internal leading):
//   - a vertical banner takes its width off the left of every item, a horizontal one off the top of the first;
//   - odmWin95: when an item of the sub-menu is checked, a check column of the system's check-mark width comes
//     first; when an item has a glyph, a glyph column of the glyph width + 4 follows (the glyph 2 pixels in) in
//     every item, also in what they measure; the text starts 4 pixels after the glyph column, or fh + il + 4
//     pixels after the check column without one;
//   - odmWin97: a glyph area as wide as the glyph + 4 (without glyphs: as the item is high), framed, then the text
//     4 pixels after it;
//   - the caption is left-aligned and centred vertically; the shortcut text is right-aligned fh - il pixels before
//     the right edge, so that the shortcuts of a sub-menu form a column. The measured width holds the caption, fh
//     for the gap before the shortcut, and the shortcut.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "components/od_menu.h"
#include "components/od_menu_hook.h"
#include "platform/graphics/bitmap.h"

namespace components {

// Measures an item: itemWidth and itemHeight of the record (the window system then adds the check-mark width).
void MeasureItem(pf::TMenuItem& item, pf::TCanvas& canvas, TMeasureItemStruct& record);
// Paints an item into record.rcItem of record.Canvas (the menu window's canvas).
void DrawItem(pf::TMenuItem& item, pf::TCanvas& canvas, TDrawItemStruct& record);

// The layers of a 3-D effect: draw(dx, dy, colour) is called for each layer from the back to the face (none for
// od3None). The face uses textColor.
void DrawEffectLayers(T3DEffect effect, pf::TColor textColor,
                      const std::function<void(int32_t dx, int32_t dy, pf::TColor color)>& draw);
// text drawn with DrawText in r (format: DT_ flags) with the effect's layers.
void Draw3DText(pf::TCanvas& canvas, std::string_view text, const pf::TRect& r, uint32_t format, T3DEffect effect);
// text shortened from the end until it plus "..." fits into width (then "..." appended); unchanged when it fits.
std::string ShortenText(pf::TCanvas& canvas, const std::string& text, int32_t width);
// The caption that is measured and drawn: "||" as line breaks with odmMultiLine.
std::string DisplayCaption(const std::string& caption, TodmOptions options);

// The check mark and the radio bullet: monochrome bitmaps of the system's check-mark size (0 where the mark is).
const pf::TBitmap& CheckMarkBitmap();
const pf::TBitmap& RadioBulletBitmap();
// True when they no longer have the system's check-mark size; RebuildCheckBitmaps makes them anew.
bool CheckBitmapsOutdated();
void RebuildCheckBitmaps();

// The banner of the sub-menu being shown was painted; reset when a menu opens or changes. Cached backgrounds are
// painted anew after a reset.
bool BannerDrawn();
void ResetBannerFlag();

}  // namespace components
