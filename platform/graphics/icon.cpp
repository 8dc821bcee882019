#include "platform/graphics/icon.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <cstring>

#include "platform/core/exceptions.h"
#include "platform/core/streams.h"
#include "platform/graphics/bitmap_internal.h"
#include "platform/graphics/canvas.h"

namespace pf {

namespace {

constexpr const char* kInvalidIcon = "Icon image is not valid";
// Pixels less opaque than this are masked: the mask has one bit, and a pixel counts as the side it is nearer to.
constexpr int kHalfOpaque = 128;

struct DecodedIcon {
  std::unique_ptr<TBitmap> image;
  std::unique_ptr<TBitmap> mask;
};

// The first image of .ico data as a 32-bit bitmap with straight alpha, and its mask.
DecodedIcon DecodeIcon(const std::vector<uint8_t>& data) {
  const QByteArray bytes =
      QByteArray::fromRawData(reinterpret_cast<const char*>(data.data()), static_cast<qsizetype>(data.size()));
  QBuffer buffer;
  buffer.setData(bytes);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer, "ico");
  reader.setDecideFormatFromContent(false);  // icon data only, as the class promises
  const QImage image = reader.read().convertToFormat(QImage::Format_ARGB32);
  if (image.isNull()) throw EInvalidGraphic(kInvalidIcon);

  const int32_t w = image.width(), h = image.height();
  DecodedIcon icon{std::make_unique<TBitmap>(w, h, pf32bit), std::make_unique<TBitmap>()};
  icon.image->SetAlphaFormat(afDefined);
  icon.mask->SetPixelFormat(pf1bit);
  icon.mask->SetColorTable({{0, 0, 0, 0}, {255, 255, 255, 0}});
  icon.mask->SetSize(w, h);
  for (int32_t y = 0; y < h; ++y) {
    const auto* src = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    uint8_t* dst = icon.image->ScanLine(y);
    uint8_t* bits = icon.mask->ScanLine(y);
    std::memset(bits, 0, static_cast<size_t>(icon.mask->RowBytes()));
    for (int32_t x = 0; x < w; ++x) {
      const QRgb px = src[x];
      uint8_t* out = dst + 4 * x;  // blue, green, red, alpha
      out[0] = static_cast<uint8_t>(qBlue(px));
      out[1] = static_cast<uint8_t>(qGreen(px));
      out[2] = static_cast<uint8_t>(qRed(px));
      out[3] = static_cast<uint8_t>(qAlpha(px));
      if (qAlpha(px) < kHalfOpaque) SetRaw(bits, x, pf1bit, 1);
    }
  }
  return icon;
}

}  // namespace

TIcon::TIcon() : image_(std::make_unique<TBitmap>()), mask_(std::make_unique<TBitmap>()) {
  transparent_ = true;  // an icon always draws through its mask
}

TIcon::~TIcon() = default;

void TIcon::Assign(const TPersistent& source) {
  if (auto* other = dynamic_cast<const TIcon*>(&source)) {
    if (other == this) return;
    data_ = other->data_;
    image_->Assign(*other->image_);
    mask_->Assign(*other->mask_);
    Changed(this);
    return;
  }
  TGraphic::Assign(source);
}

void TIcon::Draw(TCanvas& canvas, const TRect& r) {
  if (GetEmpty()) return;
  StretchBitmap(canvas, r, *image_, Rect(0, 0, GetWidth(), GetHeight()), SRCCOPY);  // blended by its alpha
}

void TIcon::SetWidth(int32_t) { throw EInvalidGraphicOperation("Cannot change the size of an icon"); }
void TIcon::SetHeight(int32_t) { throw EInvalidGraphicOperation("Cannot change the size of an icon"); }

void TIcon::LoadFromStream(TStream& stream) {
  std::vector<uint8_t> data = ReadToEnd(stream);
  DecodedIcon icon = DecodeIcon(data);  // the old icon stays when this raises
  data_ = std::move(data);
  image_ = std::move(icon.image);
  mask_ = std::move(icon.mask);
  Changed(this);
}

void TIcon::SaveToStream(TStream& stream) const {
  if (!data_.empty()) stream.WriteBuffer(data_.data(), static_cast<int32_t>(data_.size()));
}

}  // namespace pf
