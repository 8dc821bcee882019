// Private to the canvas implementation files: pixel access to a canvas's surface, painting with a clip, raster
// operations, the logical-to-device mapping and access to a canvas's device state.
#pragma once

#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QRegion>
#include <QTransform>
#include <memory>
#include <vector>

#include "platform/graphics/bitmap_internal.h"
#include "platform/graphics/canvas_qt.h"

namespace pf {

[[noreturn]] void NoDrawing();

HRGN MakeRegion(QRegion region);
const QRegion& RegionOf(const HRGN& r);
int RegionKind(const QRegion& r);

// Runs paint with a QPainter on the canvas's surface (device pixels, antialiasing off), clipped. Nothing happens
// for an empty surface.
template <class F>
void PaintOn(CanvasTarget* target, const HRGN& clip, F paint) {
  if (!target) NoDrawing();
  QImage* image = target->BeginImage();
  if (QPainter* active = image ? nullptr : target->Painter()) {
    active->save();
    active->resetTransform();
    active->setRenderHint(QPainter::Antialiasing, false);
    if (clip)
      active->setClipRegion(clip.data()->region);
    else
      active->setClipping(false);
    paint(*active);
    active->restore();
    target->EndImage(true);
    return;
  }
  QPaintDevice* device = image ? static_cast<QPaintDevice*>(image) : target->PaintDevice();
  if (!device) {
    target->EndImage(false);
    return;
  }
  {
    QPainter painter(device);
    painter.setRenderHint(QPainter::Antialiasing, false);
    if (clip) painter.setClipRegion(clip.data()->region);
    paint(painter);
  }
  target->EndImage(true);
}

// Whether the painter's device applies raster operations (raster images and recorded pages do; PDF pages do not,
// whatever their engine claims).
inline bool HasRasterOps(QPainter& p) {
  const QPaintEngine::Type type = p.paintEngine()->type();
  return type == QPaintEngine::Raster || type == QPaintEngine::Picture;
}

// Pixel access to a canvas's surface (a bitmap directly, or the target's image), for raster operations.
class PixelSurface {
 public:
  explicit PixelSurface(TBitmap& bitmap) : bitmap_(&bitmap), access_(std::make_unique<PixelAccess>(bitmap)) {}
  explicit PixelSurface(CanvasTarget* target) : target_(target) {
    if (!target) return;
    if (TBitmap* b = target->Bitmap()) {
      bitmap_ = b;
      target_ = nullptr;
      access_ = std::make_unique<PixelAccess>(*b);
    } else {
      image_ = target->BeginImage();
    }
  }
  ~PixelSurface() {
    if (target_) target_->EndImage(changed_);  // every BeginImage is matched, also when it gave no image
    if (bitmap_ && changed_) bitmap_->PixelsChanged();
  }
  PixelSurface(const PixelSurface&) = delete;
  PixelSurface& operator=(const PixelSurface&) = delete;

  bool Valid() const { return bitmap_ || image_; }
  TBitmap* Bitmap() const { return bitmap_; }
  QImage* Image() const { return image_; }
  void MarkChanged() { changed_ = true; }
  int32_t Width() const { return bitmap_ ? bitmap_->Width() : image_ ? image_->width() : 0; }
  int32_t Height() const { return bitmap_ ? bitmap_->Height() : image_ ? image_->height() : 0; }
  bool Mono() const { return bitmap_ && bitmap_->PixelFormat() == pf1bit; }
  uint32_t NearestBit(TColor c) const {
    const auto& t = bitmap_->ColorTable();
    if (t.size() < 2) return (GetRValue(c) + GetGValue(c) + GetBValue(c)) >= 384 ? 1 : 0;
    return NearestIndex(t)(c);
  }
  TColor Get(int32_t x, int32_t y) const {
    if (bitmap_) return access_->Get(x, y);
    return FromQRgb(image_->pixel(x, y));
  }
  uint32_t GetBit(int32_t x, int32_t y) const {
    return GetRaw(bitmap_->Bits() + size_t(y) * bitmap_->RowBytes(), x, pf1bit);
  }
  void Set(int32_t x, int32_t y, TColor c) {
    changed_ = true;
    if (bitmap_)
      access_->Set(x, y, c);
    else
      image_->setPixel(x, y, ToQColor(c).rgb());
  }
  void SetBit(int32_t x, int32_t y, uint32_t bit) {
    changed_ = true;
    SetRaw(bitmap_->Bits() + size_t(y) * bitmap_->RowBytes(), x, pf1bit, bit);
  }

 private:
  TBitmap* bitmap_ = nullptr;
  CanvasTarget* target_ = nullptr;
  QImage* image_ = nullptr;
  std::unique_ptr<PixelAccess> access_;
  bool changed_ = false;
};

// Applies a ternary raster operation bitwise: bit i of the table byte is the result for (P, S, D) = i's bits.
uint32_t Rop3(uint32_t rop, uint32_t p, uint32_t s, uint32_t d);
bool RopUsesSource(uint32_t rop);
// The clip as rectangles within the surface.
std::vector<QRect> ClipRects(const HRGN& clip, const QRect& surface, const QRect& area);

// Solid fills and 1-pixel frames of device rectangles.
void FillSolid(CanvasTarget* target, const HRGN& clip, const TRect& r, TColor color);
void FrameSolid(CanvasTarget* target, const HRGN& clip, const TRect& r, TColor color);

// The logical-to-device mapping of a canvas.
struct Mapping {
  TPoint windowOrg, viewportOrg;
  TSize windowExt{1, 1}, viewportExt{1, 1};
  bool Identity() const { return windowOrg == TPoint{} && viewportOrg == TPoint{} && windowExt == viewportExt; }
  int32_t X(int32_t x) const;
  int32_t Y(int32_t y) const;
  TPoint Map(const TPoint& p) const { return {X(p.X), Y(p.Y)}; }
  // Both corners mapped, then ordered (a mirroring mapping swaps them).
  TRect Map(const TRect& r) const;
  TPoint Unmap(const TPoint& p) const;
  // A logical length along x in device pixels (at least 1 for a length of at least 1).
  int32_t Length(int32_t length) const;
  QTransform Transform() const;
};

// What the canvas files need of a canvas's private state.
struct CanvasAccess {
  static TCanvas::DeviceState& State(TCanvas& c) {
    c.RequireState();
    return c.state_;
  }
  static Mapping MappingOf(const TCanvas& c) {
    const auto& s = c.state_;
    return {s.windowOrg, s.viewportOrg, s.windowExt, s.viewportExt};
  }
};

// Combines a device rectangle with a pattern brush by a raster operation (PATCOPY for a plain fill).
void PatternFill(TCanvas& canvas, const TBrush& brush, const TRect& deviceRect, uint32_t rop);

}  // namespace pf
