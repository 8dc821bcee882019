// The pictures of the windows' tool buttons and the program's icon, drawn rather than loaded, so that the windows
// need no picture files.
#pragma once

#include <cstdint>

#include "platform/graphics/bitmap.h"

namespace app {

enum class Glyph { Open, Save, Right, Left, Log, Delete, Reload, Home, Print, Editor, Settings, Help, Exit };

// A 16 x 16 tool-button glyph on fuchsia, the colour that buttons leave out.
void DrawGlyph(pf::TBitmap& bitmap, Glyph glyph);
// The program icon at size x size pixels: a mast with its waves on a blue disc, on white.
void DrawProgramIcon(pf::TBitmap& bitmap, int32_t size);

}  // namespace app
