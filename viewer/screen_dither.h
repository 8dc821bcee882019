// Screen dithering: on screens of 8 bits per pixel or less every loaded true-colour picture is reduced to an 8-bit
// bitmap with a fixed palette before it is cached and drawn, so that pages look the same on palette screens. The
// colour lookups, the dither engines and the octree quantiser are the GIF library's; the reduction modes, the bitmap
// writer and the error class are this module's own.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/core/exceptions.h"
#include "platform/graphics/bitmap.h"

namespace viewer {

// This module's errors (a class of its own, not the GIF library's).
class GIFException : public pf::EInvalidGraphic {
 public:
  using pf::EInvalidGraphic::EInvalidGraphic;
};

// Palettes of ReduceColors. Mode 2 and modes above 5 make none: the result is the sized 8-bit bitmap, unconverted.
enum TScreenReduction : int {
  srNone = 0,           // a 24-bit copy
  srWindows20 = 1,      // the 20 colours of the default palette
  srWebPalette = 3,     // the 216-colour web cube, entry 36r + 6g + b = (51r, 51g, 51b)
  srSharedPalette = 4,  // a copy of SharedPalette
  srOctreeWindows = 5,  // 236 colours of the picture between the default palette's first and last ten
};
// Dither modes of ReduceColors; others leave the result unconverted.
enum TScreenDither : int { sdNearest = 0, sdFloydSteinberg = 1 };

// Writes the rows of a bitmap at 1, 4, 8 or 24 bits per pixel. The rows start as the bitmap's own pixels; up to 8
// bits the colour table is the bitmap's palette (as many entries as fit, the rest black). Finishing, or destroying
// the writer, hands the rows to the bitmap.
class TDIBWriter {
 public:
  TDIBWriter(pf::TBitmap& bitmap, pf::TPixelFormat format) : bitmap_(bitmap), format_(format) {}
  ~TDIBWriter();
  TDIBWriter(const TDIBWriter&) = delete;
  TDIBWriter& operator=(const TDIBWriter&) = delete;
  // Row y from the top. The first call reads the bitmap: an empty one raises GIFException "Bitmap image is not
  // valid", a format other than 1, 4, 8 or 24 bits "Invalid pixel format". After Finish: "Image has no DIB".
  uint8_t* ScanLine(int32_t row);
  void Finish();

 private:
  void Open();
  pf::TBitmap& bitmap_;
  pf::TPixelFormat format_;
  std::unique_ptr<pf::TBitmap> dib_;
  bool finished_ = false;
};

// A new bitmap: the source reduced to the mode's palette with the dither mode. Any mode but srNone first converts
// the source itself to 24 bits per pixel.
std::unique_ptr<pf::TBitmap> ReduceColors(pf::TBitmap& bitmap, int mode, int ditherMode);

// The picture for a palette screen: nullptr when graphic is not a TBitmap or is empty; a plain copy of a bitmap in
// the device format; otherwise the bitmap reduced with Floyd-Steinberg dithering to the shared palette
// (ScreenColorDepth 8) or to the 20 default colours (less). The caller owns the result and the input.
std::unique_ptr<pf::TBitmap> ReduceBitmapColors(pf::TGraphic* graphic);

}  // namespace viewer
