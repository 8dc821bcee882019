#include "platform/graphics/gdiplus.h"

#include <QImage>
#include <QPainter>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/core/files.h"
#include "platform/core/streams.h"
#include "platform/core/strings.h"
#include "platform/graphics/canvas_internal_qt.h"
#include "platform/graphics/png_image.h"

namespace pf {

// ---- the library's state ----

namespace {

int32_t useCount = 0;
bool active = false;
// The environment can make the library look missing for a whole run (the fallback roads of a real program).
bool available = [] {
  const char* value = std::getenv("PEXU_GDIPLUS");
  return !(value && std::strcmp(value, "missing") == 0);
}();

// Pictures no larger than this in a direction are enlarged by repeating pixels.
constexpr int32_t kSmallImage = 10;

void RequireActive(const char* message) {
  if (!active) throw EGDIPlus(message);
}

}  // namespace

bool GdiPlusActive() { return active; }

void LoadGdiPlus() {
  if (useCount == 0) active = available;
  ++useCount;
}

void UnloadGdiPlus() {
  if (useCount > 0) --useCount;
  if (useCount == 0) active = false;
}

void SetGdiPlusAvailable(bool value) { available = value; }

// ---- images ----

struct TGpImage::Pixels {
  // Pictures read from data are premultiplied (drawn fastest); bitmaps made in memory are not, so that the
  // colours set pixel by pixel come back as they were set.
  QImage image;
};

namespace {

QImage ReadPicture(const uint8_t* bytes, size_t count) {
  QImage image;
  if (count > 0) image.loadFromData(bytes, int(count));
  return image;
}

// A PNG picture of 16-bit RGB samples: the only kind whose colour key the painting engine's reader gets wrong (wrong
// colours, the key's pixels opaque). The header chunk stands first, so its fields stand at fixed places.
bool IsDeepRgbPng(const std::vector<uint8_t>& bytes) {
  constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  constexpr size_t kDepthAt = 24, kColorTypeAt = 25;
  return bytes.size() > kColorTypeAt && std::memcmp(bytes.data(), kSignature, sizeof kSignature) == 0 &&
         bytes[kDepthAt] == 16 && bytes[kColorTypeAt] == 2;
}

// Such a picture with a colour key: read without its tRNS chunk, then the pixels that the PNG class finds to match
// the key in all 16 bits of their samples are made transparent. A null image when the PNG class finds no key.
QImage ReadKeyedPng(const std::vector<uint8_t>& bytes) {
  TPNGImage png;
  try {
    TReadOnlyMemoryStream in(bytes.data(), int64_t(bytes.size()));
    png.LoadFromStream(in);
  } catch (const Exception&) {
    return QImage();
  }
  const TBitmap* key = png.KeyMask();
  if (!key) return QImage();
  TMemoryStream keyless;
  keyless.WriteBuffer(bytes.data(), 8);  // the signature
  for (int i = 0; i < png.Chunks().Count(); ++i) {
    TChunk& chunk = png.Chunks().Item(i);
    if (chunk.ClassType() != &TChunkTRNS::Class) chunk.TChunk::SaveToStream(keyless);  // as read
  }
  QImage image = ReadPicture(keyless.Memory(), size_t(keyless.Size())).convertToFormat(QImage::Format_ARGB32);
  if (image.width() != key->Width() || image.height() != key->Height()) return QImage();
  for (int32_t y = 0; y < image.height(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int32_t x = 0; x < image.width(); ++x)
      if (key->GetPixel(x, y) == clWhite) row[x] = 0;
  }
  return image;
}

// Decodes picture bytes; a null image when they are no picture.
QImage DecodePicture(const std::vector<uint8_t>& bytes) {
  QImage image;
  if (IsDeepRgbPng(bytes)) image = ReadKeyedPng(bytes);
  if (image.isNull()) image = ReadPicture(bytes.data(), bytes.size());
  return image.isNull() ? image : image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

}  // namespace

TGpImage::TGpImage(const std::string& fileName, bool deleteOnFree) : pixels_(std::make_unique<Pixels>()) {
  if (!FileExists(fileName)) throw EGDIPlus(Format("Image file %s not found.", {fileName}));
  const std::string loadError = Format("Can't load image file %s.", {fileName});
  RequireActive(loadError.c_str());
  std::vector<uint8_t> bytes;
  try {
    TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
    bytes = ReadToEnd(file);
  } catch (const EStreamError&) {
    throw EGDIPlus(loadError);
  }
  pixels_->image = DecodePicture(bytes);
  if (pixels_->image.isNull()) throw EGDIPlus(loadError);
  width_ = pixels_->image.width();
  height_ = pixels_->image.height();
  if (deleteOnFree) fileName_ = fileName;
}

TGpImage::TGpImage(TStream& stream) : pixels_(std::make_unique<Pixels>()) {
  constexpr const char* kLoadError = "Can't load image from stream.";
  RequireActive(kLoadError);
  pixels_->image = DecodePicture(ReadToEnd(stream));
  if (pixels_->image.isNull()) throw EGDIPlus(kLoadError);
  width_ = pixels_->image.width();
  height_ = pixels_->image.height();
}

TGpImage::TGpImage(int32_t width, int32_t height) : pixels_(std::make_unique<Pixels>()) {
  RequireActive("Can't create bitmap");
  if (width > 0 && height > 0) pixels_->image = QImage(width, height, QImage::Format_ARGB32);
  if (pixels_->image.isNull()) throw EGDIPlus("Can't create bitmap");
  pixels_->image.fill(Qt::transparent);
  width_ = width;
  height_ = height;
}

TGpImage::~TGpImage() {
  if (!fileName_.empty()) DeleteFile(fileName_);
}

std::unique_ptr<TBitmap> TGpImage::GetBitmap() {
  auto bitmap = std::make_unique<TBitmap>(width_, height_);
  PatBlt(bitmap->Canvas(), 0, 0, width_, height_, WHITENESS);
  TGpGraphics(bitmap->Canvas()).DrawImage(*this, 0, 0, width_, height_);
  return bitmap;
}

uint32_t TGpBitmap::GetPixel(int32_t x, int32_t y) const {
  const QImage& image = Image().image;
  return image.valid(x, y) ? image.pixel(x, y) : 0;
}

void TGpBitmap::SetPixel(int32_t x, int32_t y, uint32_t argb) {
  QImage& image = Image().image;
  if (image.valid(x, y)) image.setPixel(x, y, argb);
}

// ---- graphics ----

struct GpPainting {
  // Runs draw with a painter on the graphics' surface (for a canvas: the canvas's way of painting, with its clip),
  // scaled and with the interpolation set.
  template <class F>
  static void Paint(const TGpGraphics& g, F draw) {
    auto setUp = [&](QPainter& painter) {
      painter.setRenderHint(QPainter::SmoothPixmapTransform, !g.nearest_);
      painter.scale(g.scaleX_, g.scaleY_);
      draw(painter);
    };
    if (g.image_) {
      QPainter painter(&g.image_->Image().image);
      setUp(painter);
    } else {
      PaintOn(g.canvas_->Target(), g.canvas_->GetClipRgn(), setUp);
    }
  }
};

TGpGraphics::TGpGraphics(TCanvas& canvas) : canvas_(&canvas) {
  RequireActive("Can't Create Graphics");
  if (!canvas.HasSurface()) throw EGDIPlus("Can't Create Graphics");
}

std::unique_ptr<TGpGraphics> TGpGraphics::CreateFromImage(TGpImage& image) {
  RequireActive("Can't Create Graphics");
  std::unique_ptr<TGpGraphics> g(new TGpGraphics);
  g->image_ = &image;
  return g;
}

TGpGraphics::~TGpGraphics() = default;

void TGpGraphics::DrawImage(TGpImage& image, int32_t x, int32_t y, int32_t w, int32_t h) {
  const int32_t iw = image.GetWidth(), ih = image.GetHeight();
  if (w <= 0 || h <= 0) return;
  if ((iw > kSmallImage || w <= iw) && (ih > kSmallImage || h <= ih)) {
    GpPainting::Paint(*this, [&](QPainter& p) { p.drawImage(QRect(x, y, w, h), image.Image().image); });
    return;
  }
  // Enlarged by repeating pixels, so that edges stay sharp, straight onto the surface, which computes only what lies
  // in its clip: an enlarged copy of the whole target size could take gigabytes.
  const bool smooth = !nearest_;
  nearest_ = true;
  DrawImageRectRect(image, x, y, w, h, 0, 0, iw, ih);
  nearest_ = !smooth;
}

void TGpGraphics::DrawImageAt(TGpImage& image, int32_t x, int32_t y) {
  GpPainting::Paint(
      *this, [&](QPainter& p) { p.drawImage(QRect(x, y, image.GetWidth(), image.GetHeight()), image.Image().image); });
}

void TGpGraphics::DrawImagePart(TGpImage& image, float x, float y, float srcX, float srcY, float srcW, float srcH) {
  GpPainting::Paint(*this, [&](QPainter& p) {
    p.drawImage(QRectF(x, y, srcW, srcH), image.Image().image, QRectF(srcX, srcY, srcW, srcH));
  });
}

void TGpGraphics::DrawImageRectRect(TGpImage& image, int32_t dstX, int32_t dstY, int32_t dstW, int32_t dstH,
                                    int32_t srcX, int32_t srcY, int32_t srcW, int32_t srcH) {
  GpPainting::Paint(*this, [&](QPainter& p) {
    p.drawImage(QRect(dstX, dstY, dstW, dstH), image.Image().image, QRect(srcX, srcY, srcW, srcH));
  });
}

void TGpGraphics::Clear(uint32_t argb) {
  GpPainting::Paint(*this, [&](QPainter& p) {
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.resetTransform();
    p.fillRect(QRect(0, 0, p.device()->width(), p.device()->height()), QColor::fromRgba(argb));
  });
}

void TGpGraphics::ScaleTransform(float sx, float sy) {
  scaleX_ *= sx;
  scaleY_ *= sy;
}

}  // namespace pf
