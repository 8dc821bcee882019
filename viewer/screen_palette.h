// The screen's colour depth as the viewer sees it and the shared palette for palette screens.
#pragma once

#include "platform/graphics/palette.h"

namespace viewer {

// Bits per pixel times planes of the screen (pf::ScreenBitsPerPixel, so the test override applies), rounded:
// below 5 gives 4, above 8 gives 24, else 8.
int ScreenColorDepth();

// A 256-entry palette: the system palette, from entry 10 on a 6 x 6 x 6 colour cube without white (levels 55, 115,
// 165, 205, 235, 255; blue slowest, red fastest), then the greys 130 + 5i (i = 1..24 but not 7, 15 and 21, which the
// cube has), and entry 245 set to (255, 255, 254).
pf::HPALETTE CreateSharedPalette();
// The palette for screens of 8 bits or less, made once; null on true-colour screens.
pf::HPALETTE SharedPalette();
// A copy of up to 256 entries of the palette; null when the colour depth is above 8 bits.
pf::HPALETTE DuplicatePalette(const pf::HPALETTE& palette);

}  // namespace viewer
