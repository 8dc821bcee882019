// Text in rectangles for styled text. The graphics layer is gaining DrawText and font escapement; while the canvas
// lacks them, these helpers draw one unrotated, unwrapped line per call on TextOut ("&" marks removed, not
// underlined). As soon as pf::TCanvas::DrawText and pf::TFont::SetEscapement exist, the helpers forward to them.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/graphics/canvas.h"

namespace components {

// The DrawText formats that styled text uses (the layer's values).
enum : uint32_t {
  DT_CENTER = 0x1,
  DT_RIGHT = 0x2,
  DT_WORDBREAK = 0x10,
  DT_NOCLIP = 0x100,
  DT_CALCRECT = 0x400,
  DT_NOPREFIX = 0x800,
  DT_END_ELLIPSIS = 0x8000,
};

int32_t FallbackDrawText(pf::TCanvas& canvas, std::string_view text, pf::TRect& r, uint32_t format);

// The canvas's DrawText: returns the height of the text; DT_CALCRECT only measures into r.
template <class Canvas>
int32_t DrawText(Canvas& canvas, std::string_view text, pf::TRect& r, uint32_t format) {
  if constexpr (requires { canvas.DrawText(text, r, format); }) {
    return canvas.DrawText(text, r, format);
  } else {
    return FallbackDrawText(canvas, text, r, format);
  }
}

// Turns the font's text by tenths of degrees, counter-clockwise, where the layer can.
template <class Font>
void SetEscapement(Font& font, int32_t tenthsOfDegrees) {
  if constexpr (requires { font.SetEscapement(tenthsOfDegrees); }) font.SetEscapement(tenthsOfDegrees);
}

template <class Font>
constexpr bool CanRotateText(const Font&) {
  return requires(Font & f) { f.SetEscapement(0); };
}

}  // namespace components
