// TIcon: an icon picture with its own mask, read from .ico files through the toolkit's image reader (the file's
// first image). Drawing blends the picture over the destination: where the mask is set the destination stays.
// Damaged data raise EInvalidGraphic; nothing of the old icon is lost then.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/graphics/bitmap.h"
#include "platform/graphics/graphic.h"

namespace pf {

class TIcon : public TGraphic {
 public:
  TIcon();
  ~TIcon() override;
  std::string ClassName() const override { return "TIcon"; }

  void Assign(const TPersistent& source) override;
  void Draw(TCanvas& canvas, const TRect& r) override;
  bool GetEmpty() const override { return image_->Empty(); }
  int32_t GetWidth() const override { return image_->Width(); }
  int32_t GetHeight() const override { return image_->Height(); }
  // An icon's size comes from its file: setting it raises EInvalidGraphicOperation.
  void SetWidth(int32_t value) override;
  void SetHeight(int32_t value) override;

  // Reads the rest of the stream as one .ico file.
  void LoadFromStream(TStream& stream) override;
  // Writes the .ico data as loaded (nothing for an empty icon).
  void SaveToStream(TStream& stream) const override;

  // The icon's mask: pf1bit of the icon's size, 1 (white) where the icon is transparent (less than half opaque).
  const TBitmap& Mask() const { return *mask_; }

 private:
  std::vector<uint8_t> data_;
  std::unique_ptr<TBitmap> image_;  // pf32bit with straight alpha
  std::unique_ptr<TBitmap> mask_;
};

}  // namespace pf
