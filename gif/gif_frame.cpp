// Frames: bounds, pixels, palette, drawing, reading and writing, copying and cropping.
#include "gif/gif_image.h"

#include <algorithm>
#include <cstring>

#include "gif/gif_io.h"
#include "platform/core/mathutil.h"
#include "platform/graphics/canvas.h"
#include "platform/graphics/icon.h"
#include "platform/graphics/metafile.h"

namespace gif {

// --- TGIFSubImage ------------------------------------------------------------------------------------------------

TGIFSubImage::TGIFSubImage(TGifPicture* image) : TGIFItem(image), colorMap_(this), extensions_(this) {}

TGIFSubImage::~TGIFSubImage() {
  extensions_.Clear();
  gce_ = nullptr;
}

int TGIFSubImage::GetVersion() const { return colorMap_.Optimized() || extensions_.Count() > 0 ? gv89a : gv87a; }

void TGIFSubImage::FreeBitmap() {
  bitmap_.reset();
  mask_.reset();
  maskDirty_ = true;
  if (image_ != nullptr) image_->FreeCachedBitmap();
}

void TGIFSubImage::FreeMask() {
  mask_.reset();
  maskDirty_ = true;
}

void TGIFSubImage::Clear() {
  FreeBitmap();
  palette_ = nullptr;
  data_.clear();
  colorMap_.Clear();
  extensions_.Clear();
  left_ = top_ = width_ = height_ = 0;
  packed_ = 0;
  transparent_ = false;
}

void TGIFSubImage::AllocateData(uint8_t fill) {
  const int64_t n = static_cast<int64_t>(width_) * height_;
  data_.assign(static_cast<size_t>(n), fill);
}

void TGIFSubImage::SetBounds(int left, int top, int width, int height) {
  left = std::clamp(left, 0, kMaxWordValue);
  top = std::clamp(top, 0, kMaxWordValue);
  width = std::clamp(width, 0, kMaxWordValue);
  height = std::clamp(height, 0, kMaxWordValue);
  if (width != width_ || height != height_) {
    FreeBitmap();
    width_ = static_cast<uint16_t>(width);
    height_ = static_cast<uint16_t>(height);
    AllocateData(0);
  }
  left_ = static_cast<uint16_t>(left);
  top_ = static_cast<uint16_t>(top);
  if (image_ == nullptr) return;
  TGIFHeader& header = image_->Header();
  bool warned = false;
  if (header.Width < left + width) {
    if (header.Width != 0) {
      Warning(1, msg::WidthTooSmall);
      warned = true;
    }
    header.Width = static_cast<uint16_t>(std::min(left + width, kMaxWordValue));
  }
  if (header.Height < top + height) {
    if (header.Height != 0) {
      Warning(1, msg::HeightTooSmall);
      warned = true;
    }
    header.Height = static_cast<uint16_t>(std::min(top + height, kMaxWordValue));
  }
  if (warned) Warning(1, msg::ExceedsScreen);
}

void TGIFSubImage::SetInterlaced(bool value) {
  packed_ = static_cast<uint8_t>(value ? packed_ | kImageInterlaced : packed_ & ~kImageInterlaced);
}

uint8_t* TGIFSubImage::ScanLine(int y) {
  if (y < 0 || y >= height_) throw GIFException(msg::InvalidPixelCoordinates);
  if (data_.empty()) {
    AllocateData(0);
    if (data_.empty()) throw GIFException(msg::ImageEmpty);
  }
  return data_.data() + static_cast<size_t>(y) * width_;
}

uint8_t TGIFSubImage::Pixels(int x, int y) {
  if (x < 0 || x >= width_) throw GIFException(msg::InvalidPixelCoordinates);
  return ScanLine(y)[x];
}

void TGIFSubImage::SetPixels(int x, int y, uint8_t value) {
  if (x < 0 || x >= width_) throw GIFException(msg::InvalidPixelCoordinates);
  ScanLine(y)[x] = value;
  FreeBitmap();
}

bool TGIFSubImage::ShowsGlobalColors() const {
  return colorMap_.Count() == 0 && image_ != nullptr && image_->Header().ColorMap().Count() > 0;
}

TGIFColorMap& TGIFSubImage::ActiveColorMap() {
  if (ShowsGlobalColors()) return image_->Header().ColorMap();
  return colorMap_;
}

const TGIFColorMap& TGIFSubImage::ActiveColorMap() const {
  if (ShowsGlobalColors()) return image_->Header().ColorMap();
  return colorMap_;
}

bool TGIFSubImage::Dithered() const { return image_ != nullptr && image_->DoDither(); }

pf::HPALETTE TGIFSubImage::Palette() {
  if (bitmap_ && bitmap_->GetPalette()) return bitmap_->GetPalette();
  if (palette_) return palette_;
  if (Dithered()) {
    palette_ = WebPalette();
  } else if (colorMap_.Count() > 0) {
    palette_ = colorMap_.ExportPalette();
  } else if (image_ != nullptr) {
    palette_ = image_->GetPalette();
  }
  return palette_;
}

void TGIFSubImage::SetPalette(const pf::HPALETTE& value) {
  if (value == palette_) return;
  palette_ = value;
  bitmap_.reset();
  mask_.reset();
  maskDirty_ = true;
  if (image_ != nullptr) image_->FreeCachedBitmap();
}

void TGIFSubImage::SetBitmap(std::unique_ptr<pf::TBitmap> value) {
  FreeBitmap();
  bitmap_ = std::move(value);
}

pf::TBitmap* TGIFSubImage::Bitmap() {
  if (!bitmap_) RenderBitmap();
  return bitmap_.get();
}

pf::TBitmap* TGIFSubImage::Mask() {
  Bitmap();
  return mask_.get();
}

void TGIFSubImage::Draw(pf::TCanvas& canvas, const pf::TRect& rect, bool transparent, bool tile) {
  pf::TBitmap* bmp = Bitmap();
  if (bmp == nullptr || bmp->Empty()) return;
  pf::TBitmap* mask = transparent && transparent_ ? Mask() : nullptr;
  const pf::TRect source = pf::Rect(0, 0, width_, height_);
  auto drawOne = [&](const pf::TRect& dest) {
    if (mask != nullptr)
      pf::DrawMasked(canvas, dest, *bmp, source, *mask);
    else
      canvas.StretchDraw(dest, *bmp);
  };
  int screenW = image_ != nullptr ? image_->Width() : 0;
  int screenH = image_ != nullptr ? image_->Height() : 0;
  if (screenW <= 0) screenW = left_ + width_;
  if (screenH <= 0) screenH = top_ + height_;
  if (!tile) {
    const int32_t w = rect.Width(), h = rect.Height();
    pf::TRect dest =
        pf::Rect(rect.Left + pf::MulDiv(left_, w, screenW), rect.Top + pf::MulDiv(top_, h, screenH),
                 rect.Left + pf::MulDiv(left_ + width_, w, screenW), rect.Top + pf::MulDiv(top_ + height_, h, screenH));
    drawOne(dest);
    return;
  }
  // Copies at the screen size, clipped to the rectangle.
  int saved = canvas.SaveDC();
  canvas.IntersectClipRect(rect.Left, rect.Top, rect.Right, rect.Bottom);
  for (int32_t y = rect.Top; y < rect.Bottom; y += screenH)
    for (int32_t x = rect.Left; x < rect.Right; x += screenW) drawOne(pf::Bounds(x + left_, y + top_, width_, height_));
  canvas.RestoreDC(saved);
}

void TGIFSubImage::DecodeImageData(pf::TStream& stream) {
  const uint8_t fill = transparent_ && gce_ != nullptr ? gce_->TransparentColorIndex() : 0;
  AllocateData(fill);
  TGIFDecoder decoder(stream, [this](int severity, const std::string& m) { Warning(severity, m); });
  decoder.Decode(data_.data(), width_, height_, Interlaced());
}

void TGIFSubImage::EncodeImageData(pf::TStream& stream) const {
  int bits, colors;
  if (colorMap_.Count() > 0) {
    colors = colorMap_.Count();
    bits = BitsNeeded(colors);
  } else {
    bits = 0;
    if (image_ != nullptr) {
      const TGifPicture& picture = *image_;
      bits = picture.Header().ColorMap().BitsPerPixel();
      const TGifPictureList& images = picture.Images();
      for (int i = 0; i < images.Count(); ++i) bits = std::max(bits, images[i]->ColorMap().BitsPerPixel());
    }
    colors = 1 << bits;
  }
  const uint8_t compression = image_ != nullptr ? image_->Compression : static_cast<uint8_t>(CompressLZW);
  const bool interlaced = colorMap_.Count() == 0 && Interlaced();
  EncodeImage(stream, compression == CompressRLE ? CompressRLE : CompressLZW, bits, colors, data_.data(), interlaced,
              height_, width_);
}

void TGIFSubImage::SaveToStream(pf::TStream& stream) const {
  extensions_.SaveToStream(stream);
  if (Empty()) return;
  uint8_t packed;
  if (colorMap_.Count() > 0) {
    // A frame with its own colours is written row by row: the interlace flag goes.
    packed = static_cast<uint8_t>(kImageLocalMap | (colorMap_.Optimized() ? kImageSorted : 0) |
                                  ((colorMap_.BitsPerPixel() - 1) & kMapSizeMask));
  } else {
    packed = static_cast<uint8_t>(packed_ & (kImageInterlaced | kImageReserved));
  }
  uint8_t d[kImageDescriptorSize] = {kImageSeparator};
  PutWord(d + 1, left_);
  PutWord(d + 3, top_);
  PutWord(d + 5, width_);
  PutWord(d + 7, height_);
  d[9] = packed;
  stream.WriteBuffer(d, kImageDescriptorSize);
  if (colorMap_.Count() > 0) colorMap_.SaveToStream(stream);
  EncodeImageData(stream);
}

void TGIFSubImage::LoadFromStream(pf::TStream& stream) {
  Clear();
  extensions_.LoadFromStream(stream);
  // A descriptor is read only behind its separator; anything else leaves the frame without an image.
  if (PeekByte(stream) != kImageSeparator) return;
  uint8_t d[kImageDescriptorSize];
  ReadFixed(stream, d, kImageDescriptorSize);
  left_ = Word(d + 1);
  top_ = Word(d + 3);
  width_ = Word(d + 5);
  height_ = Word(d + 7);
  packed_ = d[9];
  if (width_ == 0 || height_ == 0) {
    if (image_ != nullptr) {
      width_ = image_->Header().Width;
      height_ = image_->Header().Height;
    }
    Warning(1, msg::ExceedsScreen);
  }
  if (image_ != nullptr) image_->ReservePixels(static_cast<int64_t>(width_) * height_);
  if (packed_ & kImageLocalMap) {
    colorMap_.LoadFromStream(stream, MapEntries(packed_));
    colorMap_.SetOptimized((packed_ & kImageSorted) != 0);
  }
  DecodeImageData(stream);
  if (GIFRenderOnLoad) Bitmap();
}

void TGIFSubImage::AssignTo(pf::TPersistent& dest) const {
  if (auto* bmp = dynamic_cast<pf::TBitmap*>(&dest)) {
    bmp->Assign(*const_cast<TGIFSubImage*>(this)->Bitmap());
    return;
  }
  TGIFItem::AssignTo(dest);
}

void TGIFSubImage::Assign(const pf::TPersistent& source) {
  if (&source == this) return;
  if (auto* other = dynamic_cast<const TGIFSubImage*>(&source)) {
    Clear();
    const TGIFSubImage* src = other;
    if (!src->Empty()) {
      left_ = src->left_;
      top_ = src->top_;
      width_ = src->width_;
      height_ = src->height_;
      packed_ = src->packed_;
      transparent_ = src->transparent_;
      data_ = src->data_;
      colorMap_.Assign(src->colorMap_);
    }
    for (int i = 0; i < src->extensions_.Count(); ++i) extensions_.Add(src->extensions_[i]->CloneFor(this));
    if (src->extensions_.Count() == 0 && src->bitmap_) {
      bitmap_ = std::make_unique<pf::TBitmap>();
      bitmap_->Assign(*src->bitmap_);
    }
    return;
  }
  if (auto* bmp = dynamic_cast<const pf::TBitmap*>(&source)) {
    // The source itself is converted to 24 bits when it is reduced (TDIBReader), as callers of Assign expect.
    AssignFromBitmap(*const_cast<pf::TBitmap*>(bmp));
    return;
  }
  if (auto* icon = dynamic_cast<const pf::TIcon*>(&source)) {
    pf::TBitmap drawn;
    drawn.Assign(*icon);
    AssignMasked(drawn, icon->Mask());
    return;
  }
  if (auto* metafile = dynamic_cast<const pf::TMetafile*>(&source)) {
    // What the drawing leaves untouched is white on white and black on black: exclusive-or makes it white.
    pf::TBitmap drawn, onBlack(metafile->Width(), metafile->Height(), pf::pf24bit);
    drawn.Assign(*metafile);
    onBlack.Canvas().Brush().SetColor(pf::clBlack);
    onBlack.Canvas().FillRect(pf::Rect(0, 0, onBlack.Width(), onBlack.Height()));
    const_cast<pf::TMetafile*>(metafile)->Draw(onBlack.Canvas(), pf::Rect(0, 0, onBlack.Width(), onBlack.Height()));
    pf::BitBlt(onBlack.Canvas(), 0, 0, onBlack.Width(), onBlack.Height(), &drawn.Canvas(), 0, 0, pf::SRCINVERT);
    AssignMasked(drawn, *onBlack.CreateMask(pf::clWhite));
    return;
  }
  if (auto* picture = dynamic_cast<const pf::TPicture*>(&source)) {
    if (picture->Graphic() != nullptr)
      Assign(*picture->Graphic());
    else
      Clear();
    return;
  }
  if (auto* graphic = dynamic_cast<const pf::TGraphic*>(&source)) {
    pf::TBitmap bmp;
    bmp.Assign(*graphic);
    AssignFromBitmap(bmp);
    return;
  }
  TGIFItem::Assign(source);
}

void TGIFSubImage::Crop() {
  if (!transparent_ || gce_ == nullptr || Empty()) return;
  const uint8_t t = gce_->TransparentColorIndex();
  auto columnClear = [&](int x) {
    for (int y = 0; y < height_; ++y)
      if (data_[static_cast<size_t>(y) * width_ + x] != t) return false;
    return true;
  };
  auto rowClear = [&](int y) {
    for (int x = 0; x < width_; ++x)
      if (data_[static_cast<size_t>(y) * width_ + x] != t) return false;
    return true;
  };
  int x0 = 0, x1 = width_, y0 = 0, y1 = height_;
  while (x0 < x1 && columnClear(x0)) ++x0;
  while (x1 > x0 && columnClear(x1 - 1)) --x1;
  if (x0 == x1) {
    FreeBitmap();
    data_.clear();
    width_ = height_ = 0;
    return;
  }
  while (y0 < y1 && rowClear(y0)) ++y0;
  while (y1 > y0 && rowClear(y1 - 1)) --y1;
  if (x0 == 0 && y0 == 0 && x1 == width_ && y1 == height_) return;
  std::vector<uint8_t> cropped;
  cropped.reserve(static_cast<size_t>(x1 - x0) * (y1 - y0));
  for (int y = y0; y < y1; ++y) {
    const uint8_t* row = data_.data() + static_cast<size_t>(y) * width_;
    cropped.insert(cropped.end(), row + x0, row + x1);
  }
  FreeBitmap();
  data_ = std::move(cropped);
  left_ = static_cast<uint16_t>(left_ + x0);
  top_ = static_cast<uint16_t>(top_ + y0);
  width_ = static_cast<uint16_t>(x1 - x0);
  height_ = static_cast<uint16_t>(y1 - y0);
}

}  // namespace gif
