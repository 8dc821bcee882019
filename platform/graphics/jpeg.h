// TJPEGImage: JPEG pictures decoded with libjpeg into a 24-bit bitmap (grey pictures are expanded to colour).
// Damaged data raise EInvalidGraphic; nothing of the old picture is lost then.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/graphics/bitmap.h"
#include "platform/graphics/graphic.h"

namespace pf {

// jf24Bit decodes to pf24bit; jf8Bit reduces the result to pf8bit with the halftone palette (palette screens).
enum TJPEGPixelFormat { jf24Bit, jf8Bit };

class TJPEGImage : public TGraphic {
 public:
  TJPEGImage();
  ~TJPEGImage() override;
  std::string ClassName() const override { return "TJPEGImage"; }

  void Assign(const TPersistent& source) override;
  void Draw(TCanvas& canvas, const TRect& r) override;
  bool GetEmpty() const override { return bitmap_->Empty(); }
  int32_t GetWidth() const override { return bitmap_->Width(); }
  int32_t GetHeight() const override { return bitmap_->Height(); }
  // A JPEG picture's size comes from its data: setting it raises EInvalidGraphicOperation.
  void SetWidth(int32_t value) override;
  void SetHeight(int32_t value) override;
  HPALETTE GetPalette() const override { return bitmap_->GetPalette(); }

  // Reads the rest of the stream as one JPEG file and decodes it at once.
  void LoadFromStream(TStream& stream) override;
  // Writes the JPEG data as loaded (nothing for an empty picture).
  void SaveToStream(TStream& stream) const override;

  TJPEGPixelFormat PixelFormat() const { return pixelFormat_; }
  // Applies to the next decoding (and re-decodes loaded data).
  void SetPixelFormat(TJPEGPixelFormat value);
  // The decoded picture.
  const TBitmap& Bitmap() const { return *bitmap_; }

 protected:
  void AssignTo(TPersistent& dest) const override;

 private:
  std::vector<uint8_t> data_;
  std::unique_ptr<TBitmap> bitmap_;
  TJPEGPixelFormat pixelFormat_ = jf24Bit;
};

// Decodes JPEG bytes into a new pf24bit bitmap; raises EInvalidGraphic for damaged or unsupported data.
std::unique_ptr<TBitmap> DecodeJpeg(const uint8_t* data, size_t size);

}  // namespace pf
