// Between frames and bitmaps: rendering a frame (directly or dithered into the web palette) with its mask, and
// turning a bitmap of any format into a frame.
#include "gif/gif_image.h"

#include <cstring>

namespace gif {

namespace {

// The last eight colours met and their indices, searched backwards from the last hit: neighbouring pixels mostly
// repeat a few colours, so few of them need a search of the map.
class TRecentColors {
 public:
  int IndexOf(pf::TColor color, TGIFColorMap& map) {
    for (int k = 0, i = last_; k < kSize; ++k, i = (i + kSize - 1) % kSize) {
      if (ring_[i].index < 0) break;
      if (ring_[i].color == color) {
        last_ = i;
        return ring_[i].index;
      }
    }
    const int index = map.AddUnique(color);  // "Color table overflow" beyond 256 colours
    last_ = (last_ + 1) % kSize;
    ring_[last_] = {color, index};
    return index;
  }

 private:
  static constexpr int kSize = 8;
  struct Entry {
    pf::TColor color = 0;
    int index = -1;
  } ring_[kSize];
  int last_ = 0;
};

}  // namespace

void TGIFSubImage::RenderBitmap() {
  auto bmp = std::make_unique<pf::TBitmap>();
  if (IsLargeBitmap(width_, height_)) bmp->SetPixelFormat(pf::pf1bit);
  const pf::HPALETTE palette = Palette();
  if (Empty()) {
    bmp->SetPalette(pf::CopyPalette(palette));
    bmp->SetSize(width_, height_);
    bitmap_ = std::move(bmp);
    return;
  }
  if (image_ != nullptr) image_->ReportProgress(pf::psStarting, 0, msg::Rendering);
  if (Dithered())
    RenderDithered(*bmp);
  else
    RenderDirect(*bmp, palette);
  if (image_ != nullptr) image_->ReportProgress(pf::psEnding, 100, msg::Rendering);
  if (maskDirty_ && transparent_ && gce_ != nullptr) BuildMask();
  bitmap_ = std::move(bmp);
}

void TGIFSubImage::ReportRenderedRow(int y) const {
  if (image_ != nullptr && y % 32 == 0) image_->ReportProgress(pf::psRunning, y * 100 / height_, msg::Rendering);
}

// The pixels as they are, under the frame's palette.
void TGIFSubImage::RenderDirect(pf::TBitmap& bmp, const pf::HPALETTE& palette) const {
  TDIBWriter writer(bmp, palette, height_, width_, pf::pf8bit);
  for (int y = 0; y < height_; ++y) {
    std::memcpy(writer.ScanLine(y), data_.data() + static_cast<size_t>(y) * width_, width_);
    ReportRenderedRow(y);
  }
  writer.Finish();
}

// The colours dithered (Floyd-Steinberg) into the web palette. Transparent pixels take the web index of the
// transparent colour and pass the engine by, so they stay recognisable.
void TGIFSubImage::RenderDithered(pf::TBitmap& bmp) {
  // Colours of the active map, read once (indices outside it read entry 0, with one warning).
  const TGIFColorMap& map = ActiveColorMap();
  uint8_t rgb[256][3] = {};
  if (map.Count() > 0)
    for (int i = 0; i < 256; ++i) std::memcpy(rgb[i], map.Data() + (i < map.Count() ? i : 0) * 3, 3);
  const bool transparent = transparent_ && gce_ != nullptr;
  const uint8_t transparentIndex = gce_ != nullptr ? gce_->TransparentColorIndex() : 0;
  TNetscapeColorLookup lookup;
  uint8_t fillIndex = 0, r, g, b;
  if (transparent) {
    const uint8_t* c = rgb[transparentIndex];
    fillIndex = lookup.Lookup(c[0], c[1], c[2], r, g, b);
  }
  TFloydSteinbergDitherer engine(width_, lookup);
  TDIBWriter writer(bmp, WebPalette(), height_, width_, pf::pf8bit);
  std::vector<uint8_t> bgr(static_cast<size_t>(width_) * 3);
  std::vector<uint8_t> skip(static_cast<size_t>(width_));
  bool outside = false;
  for (int y = 0; y < height_; ++y) {
    const uint8_t* src = data_.data() + static_cast<size_t>(y) * width_;
    uint8_t* out = writer.ScanLine(y);
    for (int x = 0; x < width_; ++x) {
      if (src[x] >= map.Count()) outside = true;
      const uint8_t* c = rgb[src[x]];
      uint8_t* px = bgr.data() + static_cast<size_t>(x) * 3;
      px[0] = c[2];
      px[1] = c[1];
      px[2] = c[0];
      skip[static_cast<size_t>(x)] = transparent && src[x] == transparentIndex;
    }
    if (transparent) std::memset(out, fillIndex, width_);
    DitherRow(engine, bgr.data(), 3, out, transparent ? skip.data() : nullptr);
    ReportRenderedRow(y);
  }
  writer.Finish();
  if (outside) Warning(1, msg::InvalidColorIndex);
}

// A monochrome mask, white (bit set) where the pixel is the transparent index; none when no pixel is.
void TGIFSubImage::BuildMask() {
  const uint8_t transparentIndex = gce_->TransparentColorIndex();
  auto mask = std::make_unique<pf::TBitmap>();
  mask->SetPixelFormat(pf::pf1bit);
  mask->SetColorTable({{0, 0, 0, 0}, {255, 255, 255, 0}});
  mask->SetSize(width_, height_);
  bool any = false;
  for (int y = 0; y < height_; ++y) {
    uint8_t* row = mask->ScanLine(y);
    std::memset(row, 0, static_cast<size_t>(mask->RowBytes()));
    const uint8_t* src = data_.data() + static_cast<size_t>(y) * width_;
    for (int x = 0; x < width_; ++x)
      if (src[x] == transparentIndex) {
        row[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));  // most significant bit first
        any = true;
      }
  }
  mask_ = any ? std::move(mask) : nullptr;
  maskDirty_ = false;
}

void TGIFSubImage::AssignFromBitmap(pf::TBitmap& source) {
  Clear();
  if (source.Empty()) return;
  if (source.Width() > kMaxWordValue || source.Height() > kMaxWordValue) throw GIFException(msg::InvalidDimensions);
  const pf::TPixelFormat format = source.PixelFormat();
  std::unique_ptr<pf::TBitmap> bmp;
  if (format == pf::pf1bit || format == pf::pf4bit || format == pf::pf8bit) {
    bmp = std::make_unique<pf::TBitmap>();
    bmp->Assign(source);
  } else {
    const int method = image_ != nullptr ? image_->ColorReduction : GIFDefaultColorReduction;
    bmp = ReduceColors(source, method, image_ != nullptr ? image_->DitherMode : GIFDefaultDitherMode,
                       image_ != nullptr ? image_->ReductionBits : GIFDefaultColorReductionBits, nullptr);
    // an unknown method or dither mode gives nothing to convert
    if (bmp->Empty()) throw GIFException(msg::InvalidReduction);
  }
  SetBounds(0, 0, source.Width(), source.Height());
  pf::TPixelFormat readFormat = bmp->PixelFormat();
  if (readFormat != pf::pf1bit && readFormat != pf::pf4bit && readFormat != pf::pf8bit) readFormat = pf::pf24bit;
  TDIBReader reader(*bmp, readFormat);
  switch (readFormat) {
    case pf::pf8bit:
      colorMap_.ImportColorTable(bmp->ColorTable());
      break;
    case pf::pf4bit:
    case pf::pf1bit:
      colorMap_.ImportPalette(bmp->GetPalette());
      break;
    default:
      break;
  }
  TRecentColors recent;
  if (image_ != nullptr) image_->ReportProgress(pf::psStarting, 0, msg::Converting);
  for (int y = 0; y < height_; ++y) {
    const uint8_t* src = reader.ScanLine(y);
    uint8_t* dst = data_.data() + static_cast<size_t>(y) * width_;
    switch (readFormat) {
      case pf::pf8bit:
        std::memcpy(dst, src, width_);
        break;
      case pf::pf4bit:  // high nibble first
        for (int x = 0; x < width_; ++x) dst[x] = (x & 1) ? (src[x >> 1] & 0x0F) : (src[x >> 1] >> 4);
        break;
      case pf::pf1bit:  // most significant bit first
        for (int x = 0; x < width_; ++x) dst[x] = (src[x >> 3] >> (7 - (x & 7))) & 1;
        break;
      default:  // blue, green, red
        for (int x = 0; x < width_; ++x) {
          const uint8_t* px = src + x * 3;
          dst[x] = static_cast<uint8_t>(recent.IndexOf(pf::RGB(px[2], px[1], px[0]), colorMap_));
        }
        break;
    }
    if (image_ != nullptr && y % 32 == 0) image_->ReportProgress(pf::psRunning, y * 100 / height_, msg::Converting);
  }
  if (image_ != nullptr) image_->ReportProgress(pf::psEnding, 100, msg::Converting);
  bitmap_ = std::move(bmp);
}

void TGIFSubImage::AssignMasked(pf::TBitmap& drawn, const pf::TBitmap& mask) {
  AssignFromBitmap(drawn);
  if (Empty()) return;
  colorMap_.Optimize();
  // A full map has no room for the transparent entry: the masked pixels then keep what was drawn there.
  if (colorMap_.Count() < 1 || colorMap_.Count() > 255) return;
  const int transparentIndex = colorMap_.Add(pf::clBlack);
  bool masked = false;
  for (int y = 0; y < height_ && y < mask.Height(); ++y) {
    uint8_t* row = data_.data() + static_cast<size_t>(y) * width_;
    for (int x = 0; x < width_ && x < mask.Width(); ++x)
      if (mask.GetPixel(x, y) == pf::clWhite) {
        row[x] = static_cast<uint8_t>(transparentIndex);
        masked = true;
      }
  }
  if (!masked) {
    // Nothing is transparent: neither the entry nor an extension pointing at it stays.
    colorMap_.Delete(transparentIndex);
    return;
  }
  FreeBitmap();
  auto control = std::make_unique<TGIFGraphicControlExtension>(this);
  control->SetTransparentColorIndex(transparentIndex);
  control->SetTransparent(true);
  extensions_.Add(std::move(control));
}

}  // namespace gif
