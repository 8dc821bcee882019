// Private to the graphics layer: pixel access on a bitmap's rows in every format, and the hooks between the bitmap
// and its canvas.
#pragma once

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "platform/graphics/bitmap.h"

namespace pf {

struct CanvasTarget;

// Made by the canvas implementation: a target that paints on the bitmap's own memory.
std::unique_ptr<CanvasTarget> MakeBitmapTarget(TBitmap& bitmap);
// Draws sourceRect of bitmap scaled into destRect of canvas with a raster operation (the canvas's blit path).
void StretchBitmap(TCanvas& canvas, const TRect& destRect, const TBitmap& bitmap, const TRect& sourceRect,
                   uint32_t rop);

// The default colour table of a palette format: black and white (1 bit), the 16 VGA colours (4 bits), the halftone
// palette (8 bits).
std::vector<TRGBQuad> DefaultColorTable(TPixelFormat format);

inline bool IsPaletteFormat(TPixelFormat f) { return f == pf1bit || f == pf4bit || f == pf8bit; }

// The raw value (an index for palette formats) of pixel x of a row.
inline uint32_t GetRaw(const uint8_t* row, int32_t x, TPixelFormat f) {
  switch (f) {
    case pf1bit:
      return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case pf4bit:
      return (x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4);
    case pf8bit:
      return row[x];
    case pf15bit:
    case pf16bit:
      return uint32_t(row[2 * x]) | (uint32_t(row[2 * x + 1]) << 8);
    case pf24bit:
      return uint32_t(row[3 * x]) | (uint32_t(row[3 * x + 1]) << 8) | (uint32_t(row[3 * x + 2]) << 16);
    default:
      return uint32_t(row[4 * x]) | (uint32_t(row[4 * x + 1]) << 8) | (uint32_t(row[4 * x + 2]) << 16) |
             (uint32_t(row[4 * x + 3]) << 24);
  }
}

inline void SetRaw(uint8_t* row, int32_t x, TPixelFormat f, uint32_t v) {
  switch (f) {
    case pf1bit: {
      uint8_t bit = uint8_t(0x80 >> (x & 7));
      row[x >> 3] = (v & 1) ? (row[x >> 3] | bit) : (row[x >> 3] & ~bit);
      break;
    }
    case pf4bit:
      if (x & 1)
        row[x >> 1] = uint8_t((row[x >> 1] & 0xF0) | (v & 0x0F));
      else
        row[x >> 1] = uint8_t((row[x >> 1] & 0x0F) | ((v & 0x0F) << 4));
      break;
    case pf8bit:
      row[x] = uint8_t(v);
      break;
    case pf15bit:
    case pf16bit:
      row[2 * x] = uint8_t(v);
      row[2 * x + 1] = uint8_t(v >> 8);
      break;
    case pf24bit:
      row[3 * x] = uint8_t(v);
      row[3 * x + 1] = uint8_t(v >> 8);
      row[3 * x + 2] = uint8_t(v >> 16);
      break;
    default:
      row[4 * x] = uint8_t(v);
      row[4 * x + 1] = uint8_t(v >> 8);
      row[4 * x + 2] = uint8_t(v >> 16);
      row[4 * x + 3] = uint8_t(v >> 24);
      break;
  }
}

// Raw value <-> RGB colour (0x00BBGGRR) for the direct formats. For 32 bits the X byte is written as 0xFF, the value
// painting leaves there too.
inline TColor DirectToColor(uint32_t v, TPixelFormat f) {
  switch (f) {
    case pf15bit: {
      uint32_t r = (v >> 10) & 31, g = (v >> 5) & 31, b = v & 31;
      return RGB(uint8_t((r << 3) | (r >> 2)), uint8_t((g << 3) | (g >> 2)), uint8_t((b << 3) | (b >> 2)));
    }
    case pf16bit: {
      uint32_t r = (v >> 11) & 31, g = (v >> 5) & 63, b = v & 31;
      return RGB(uint8_t((r << 3) | (r >> 2)), uint8_t((g << 2) | (g >> 4)), uint8_t((b << 3) | (b >> 2)));
    }
    default:  // 24 and 32 bits: B, G, R
      return RGB(uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v));
  }
}

inline uint32_t ColorToDirect(TColor c, TPixelFormat f) {
  uint32_t r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
  switch (f) {
    case pf15bit:
      return ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3);
    case pf16bit:
      return ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3);
    case pf24bit:
      return (r << 16) | (g << 8) | b;
    default:
      return 0xFF000000u | (r << 16) | (g << 8) | b;
  }
}

// Nearest colour-table index (squared distance, first of equals), with a cache for repeated colours.
class NearestIndex {
 public:
  explicit NearestIndex(const std::vector<TRGBQuad>& table) : table_(table) {}
  uint32_t operator()(TColor c);

 private:
  const std::vector<TRGBQuad>& table_;
  std::unordered_map<TColor, uint32_t> cache_;
};

// Reads and writes colours of one bitmap whatever its format.
class PixelAccess {
 public:
  explicit PixelAccess(TBitmap& b) : bitmap_(b), nearest_(b.ColorTable()) {}
  TColor Get(int32_t x, int32_t y) const {
    uint32_t v = GetRaw(bitmap_.Bits() + size_t(y) * size_t(bitmap_.RowBytes()), x, bitmap_.PixelFormat());
    if (!IsPaletteFormat(bitmap_.PixelFormat())) return DirectToColor(v, bitmap_.PixelFormat());
    const auto& t = bitmap_.ColorTable();
    return v < t.size() ? RGBQuadToColor(t[v]) : clBlack;
  }
  void Set(int32_t x, int32_t y, TColor c) {
    TPixelFormat f = bitmap_.PixelFormat();
    SetRaw(bitmap_.Bits() + size_t(y) * size_t(bitmap_.RowBytes()), x, f,
           IsPaletteFormat(f) ? nearest_(c) : ColorToDirect(c, f));
  }

 private:
  TBitmap& bitmap_;
  NearestIndex nearest_;
};

}  // namespace pf
