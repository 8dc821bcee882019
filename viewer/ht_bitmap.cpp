#include "viewer/ht_bitmap.h"

#include "platform/graphics/palette.h"

namespace viewer {

void ThtBitmap::SetMask(std::unique_ptr<pf::TBitmap> mask) {
  mask_ = std::move(mask);
  maskUsed_ = mask_ != nullptr;
}

void ThtBitmap::StretchDraw(pf::TCanvas& canvas, const pf::TRect& destRect, const pf::TRect& sourceRect) {
  const pf::HPALETTE oldPalette = pf::SelectPalette(canvas, GetPalette(), true);
  pf::RealizePalette(canvas);
  const pf::TPixelFormat format = PixelFormat();
  const bool trueColor = format == pf::pf15bit || format == pf::pf16bit || format == pf::pf24bit;
  if (pf::ScreenBitsPerPixel() < 9 && trueColor) {
    canvas.SetStretchBltMode(pf::HALFTONE);
    canvas.SetBrushOrgEx({0, 0});
  } else if (!Monochrome()) {
    canvas.SetStretchBltMode(pf::COLORONCOLOR);
  }
  if (mask_ && maskUsed_) {
    pf::DrawMasked(canvas, destRect, *this, sourceRect, *mask_);
  } else {
    pf::StretchBlt(canvas, destRect.Left, destRect.Top, destRect.Width(), destRect.Height(), &Canvas(), sourceRect.Left,
                   sourceRect.Top, sourceRect.Width(), sourceRect.Height(), canvas.CopyMode());
  }
  pf::SelectPalette(canvas, oldPalette, true);
}

void ThtBitmap::Draw(pf::TCanvas& canvas, const pf::TRect& r) {
  if (GetEmpty()) return;
  StretchDraw(canvas, r, pf::Rect(0, 0, Width(), Height()));
}

}  // namespace viewer
