// ThtBitmap: a bitmap that may carry its own transparency mask, drawn masked when the mask is in use.
#pragma once

#include <memory>

#include "platform/graphics/bitmap.h"
#include "platform/graphics/canvas.h"

namespace viewer {

class ThtBitmap : public pf::TBitmap {
 public:
  std::string ClassName() const override { return "ThtBitmap"; }

  // The mask (1-bit, white = transparent, the bitmap's size), owned; nullptr when there is none.
  pf::TBitmap* Mask() const { return mask_.get(); }
  // Takes the mask and uses it when there is one.
  void SetMask(std::unique_ptr<pf::TBitmap> mask);
  bool MaskUsed() const { return maskUsed_; }
  void SetMaskUsed(bool value) { maskUsed_ = value; }

  // Draws sourceRect of the bitmap scaled into destRect with the bitmap's palette selected: masked when the mask is
  // in use, else with the canvas's copy mode. On palette screens a true-colour bitmap is stretched in HALFTONE mode.
  void StretchDraw(pf::TCanvas& canvas, const pf::TRect& destRect, const pf::TRect& sourceRect);
  void Draw(pf::TCanvas& canvas, const pf::TRect& r) override;

 private:
  std::unique_ptr<pf::TBitmap> mask_;
  bool maskUsed_ = false;
};

}  // namespace viewer
