// Device-independent pixel transfers: a bitmap's pixels read into a caller's buffer in a chosen DIB layout, and a
// DIB buffer drawn on a canvas. DIB rows are padded to 4 bytes; a positive height stores the bottom row first, a
// negative one the top row first. 16-bit pixels are x-5-5-5, 24- and 32-bit ones B, G, R(, X).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "platform/graphics/bitmap.h"
#include "platform/graphics/canvas.h"

namespace pf {

enum : uint32_t { BI_RGB = 0, BI_RLE8 = 1, BI_RLE4 = 2, BI_BITFIELDS = 3 };
enum : uint32_t { DIB_RGB_COLORS = 0, DIB_PAL_COLORS = 1 };

struct TBitmapInfoHeader {
  uint32_t biSize = 40;
  int32_t biWidth = 0;
  int32_t biHeight = 0;
  uint16_t biPlanes = 1;
  uint16_t biBitCount = 0;
  uint32_t biCompression = BI_RGB;
  uint32_t biSizeImage = 0;
  int32_t biXPelsPerMeter = 0;
  int32_t biYPelsPerMeter = 0;
  uint32_t biClrUsed = 0;
  uint32_t biClrImportant = 0;
};

struct TBitmapInfo {
  TBitmapInfoHeader bmiHeader;
  std::vector<TRGBQuad> bmiColors;  // the colour table of 1-, 4- and 8-bit DIBs
};

// Reads scanLines DIB rows from startScan (counted from the bottom for a positive height) into bits, in the depth
// that info.bmiHeader.biBitCount asks for (1, 4, 8, 16, 24 or 32, BI_RGB); width and height become the bitmap's
// (the sign of the height kept), biSizeImage the size of all rows, and bmiColors the colour table (the bitmap's own
// at its own depth, else the default table, colours mapped to the nearest entry). A biBitCount of 0 only describes
// the bitmap in its own depth. With empty bits only the header and table are filled (returns 1). Returns the rows
// copied, 0 on failure (another usage than DIB_RGB_COLORS, an unknown depth, a buffer too small).
int GetDIBits(const TBitmap& bitmap, uint32_t startScan, uint32_t scanLines, std::span<uint8_t> bits, TBitmapInfo& info,
              uint32_t usage);

// Draws the source rectangle of a DIB (x, y from its top-left corner for a top-down DIB, from its bottom-left
// corner for a bottom-up one, as the classic call has it) scaled into the logical rectangle at (x, y) with a raster
// operation. Returns the DIB's row count, 0 when the DIB is not valid (BI_RGB of 1, 4, 8, 16, 24 or 32 bits with a
// colour table up to 8 bits, DIB_RGB_COLORS) or bits hold fewer bytes than its rows.
int StretchDIBits(TCanvas& dest, int32_t x, int32_t y, int32_t width, int32_t height, int32_t sx, int32_t sy,
                  int32_t sourceWidth, int32_t sourceHeight, std::span<const uint8_t> bits, const TBitmapInfo& info,
                  uint32_t usage, TCopyMode rop);

}  // namespace pf
