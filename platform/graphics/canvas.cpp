#include <QGuiApplication>
#include <QPainterPath>
#include <QPolygon>
#include <algorithm>
#include <cstdlib>
#include <unordered_set>
#include <utility>

#include "platform/core/codepage.h"
#include "platform/core/exceptions.h"
#include "platform/graphics/bitmap_internal.h"
#include "platform/graphics/canvas_qt.h"
#include "platform/graphics/graphic.h"

namespace pf {

// ---- brush and pen ----

void TBrush::Assign(const TPersistent& source) {
  if (auto* b = dynamic_cast<const TBrush*>(&source)) {
    color_ = b->color_;
    style_ = b->style_;
    if (OnChange) OnChange(*this);
    return;
  }
  TPersistent::Assign(source);
}

void TBrush::SetColor(TColor value) {
  color_ = value;
  style_ = bsSolid;
  if (OnChange) OnChange(*this);
}

void TBrush::SetStyle(TBrushStyle value) {
  style_ = value;
  if (OnChange) OnChange(*this);
}

void TPen::Assign(const TPersistent& source) {
  if (auto* p = dynamic_cast<const TPen*>(&source)) {
    color_ = p->color_;
    width_ = p->width_;
    style_ = p->style_;
    if (OnChange) OnChange(*this);
    return;
  }
  TPersistent::Assign(source);
}

void TPen::SetColor(TColor value) {
  color_ = value;
  if (OnChange) OnChange(*this);
}

void TPen::SetWidth(int32_t value) {
  width_ = std::max(value, 1);
  if (OnChange) OnChange(*this);
}

void TPen::SetStyle(TPenStyle value) {
  style_ = value;
  if (OnChange) OnChange(*this);
}

// ---- regions ----

namespace {

HRGN MakeRegion(QRegion region) {
  auto data = std::make_shared<HRGN::Data>();
  data->region = std::move(region);
  return HRGN(std::move(data));
}

const QRegion& RegionOf(const HRGN& r) {
  static const QRegion empty;
  return r ? r.data()->region : empty;
}

int RegionKind(const QRegion& r) {
  if (r.isEmpty()) return NULLREGION;
  return r.rectCount() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

}  // namespace

HRGN CreateRectRgn(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  if (right < left) std::swap(left, right);
  if (bottom < top) std::swap(top, bottom);
  return MakeRegion(QRegion(left, top, right - left, bottom - top));
}

HRGN CreateRectRgnIndirect(const TRect& r) { return CreateRectRgn(r.Left, r.Top, r.Right, r.Bottom); }

HRGN CreateEllipticRgn(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  if (right < left) std::swap(left, right);
  if (bottom < top) std::swap(top, bottom);
  return MakeRegion(QRegion(left, top, right - left, bottom - top, QRegion::Ellipse));
}

HRGN CreatePolygonRgn(const TPoint* points, int count, int fillMode) {
  QPolygon polygon;
  for (int i = 0; i < count; ++i) polygon << QPoint(points[i].X, points[i].Y);
  return MakeRegion(QRegion(polygon, fillMode == WINDING ? Qt::WindingFill : Qt::OddEvenFill));
}

int CombineRgn(HRGN& dest, const HRGN& a, const HRGN& b, int mode) {
  const QRegion& ra = RegionOf(a);
  const QRegion& rb = RegionOf(b);
  QRegion result;
  switch (mode) {
    case RGN_AND:
      result = ra.intersected(rb);
      break;
    case RGN_OR:
      result = ra.united(rb);
      break;
    case RGN_XOR:
      result = ra.xored(rb);
      break;
    case RGN_DIFF:
      result = ra.subtracted(rb);
      break;
    case RGN_COPY:
      result = ra;
      break;
    default:
      return RGN_ERROR;
  }
  dest = MakeRegion(result);
  return RegionKind(result);
}

bool PtInRegion(const HRGN& region, int32_t x, int32_t y) { return RegionOf(region).contains(QPoint(x, y)); }

int GetRgnBox(const HRGN& region, TRect& box) {
  QRect r = RegionOf(region).boundingRect();
  box = r.isEmpty() ? TRect{} : TRect{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
  return RegionKind(RegionOf(region));
}

void OffsetRgn(HRGN& region, int32_t dx, int32_t dy) {
  if (region) region = MakeRegion(RegionOf(region).translated(dx, dy));
}

void DeleteObject(HRGN& region) { region = nullptr; }

// ---- palettes on canvases ----

HPALETTE SelectPalette(TCanvas& canvas, const HPALETTE& palette, bool) { return canvas.SetSelectedPalette(palette); }
int RealizePalette(TCanvas&) { return 0; }

// ---- bitmap targets ----

namespace {

std::unordered_set<HDC>& LiveHandles() {
  static std::unordered_set<HDC> live;
  return live;
}
HDC nextHandle = 0;

class BitmapTarget : public CanvasTarget {
 public:
  explicit BitmapTarget(TBitmap& bitmap) : bitmap_(bitmap) {}
  int32_t Width() const override { return bitmap_.Width(); }
  int32_t Height() const override { return bitmap_.Height(); }
  TBitmap* Bitmap() override { return &bitmap_; }
  int BitsPerPixel() const override {
    return bitmap_.PixelFormat() == pfDevice ? ScreenBitsPerPixel() : bitmap_.BitsPerPixel();
  }

  QImage* BeginImage() override {
    if (bitmap_.Empty()) return nullptr;
    QImage::Format format;
    switch (bitmap_.PixelFormat()) {
      case pf15bit:
        format = QImage::Format_RGB555;
        break;
      case pf16bit:
        format = QImage::Format_RGB16;
        break;
      case pf24bit:
        format = QImage::Format_BGR888;
        break;
      case pfDevice:
      case pf32bit:
        format = QImage::Format_RGB32;
        break;
      default: {  // palette formats paint on a 32-bit copy that is mapped back afterwards
        image_ = QImage(bitmap_.Width(), bitmap_.Height(), QImage::Format_RGB32);
        const TPixelFormat f = bitmap_.PixelFormat();
        QRgb colors[256] = {};  // index -> colour; indexes beyond the table are black
        for (size_t i = 0; i < bitmap_.ColorTable().size() && i < 256; ++i) {
          const TRGBQuad& q = bitmap_.ColorTable()[i];
          colors[i] = qRgb(q.rgbRed, q.rgbGreen, q.rgbBlue);
        }
        for (int32_t y = 0; y < bitmap_.Height(); ++y) {
          const uint8_t* row = bitmap_.ScanLine(y);
          auto* line = reinterpret_cast<QRgb*>(image_.scanLine(y));
          for (int32_t x = 0; x < bitmap_.Width(); ++x) line[x] = colors[GetRaw(row, x, f)] | 0xFF000000u;
        }
        copied_ = true;
        return &image_;
      }
    }
    copied_ = false;
    image_ = QImage(bitmap_.Bits(), bitmap_.Width(), bitmap_.Height(), bitmap_.RowBytes(), format);
    return &image_;
  }

  void EndImage(bool changed) override {
    if (copied_ && changed) {
      PixelAccess access(bitmap_);
      for (int32_t y = 0; y < bitmap_.Height(); ++y) {
        auto* line = reinterpret_cast<const QRgb*>(image_.constScanLine(y));
        for (int32_t x = 0; x < bitmap_.Width(); ++x) access.Set(x, y, FromQRgb(line[x]));
      }
    }
    image_ = QImage();
    copied_ = false;
    if (changed) bitmap_.PixelsChanged();
  }

 private:
  TBitmap& bitmap_;
  QImage image_;
  bool copied_ = false;
};

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
uint32_t Rop3(uint32_t rop, uint32_t p, uint32_t s, uint32_t d) {
  uint32_t table = (rop >> 16) & 0xFF;
  uint32_t result = 0;
  for (int i = 0; i < 8; ++i)
    if ((table >> i) & 1) result |= ((i & 4) ? p : ~p) & ((i & 2) ? s : ~s) & ((i & 1) ? d : ~d);
  return result;
}
bool RopUsesSource(uint32_t rop) {
  uint32_t t = (rop >> 16) & 0xFF;
  return ((t & 0xCC) >> 2) != (t & 0x33);
}

// The clip as rectangles within the surface.
std::vector<QRect> ClipRects(const HRGN& clip, const QRect& surface, const QRect& area) {
  QRegion region(surface.intersected(area));
  if (clip) region = region.intersected(clip.data()->region);
  return std::vector<QRect>(region.begin(), region.end());
}

}  // namespace

std::unique_ptr<CanvasTarget> MakeBitmapTarget(TBitmap& bitmap) { return std::make_unique<BitmapTarget>(bitmap); }

bool IsCanvasHandleValid(HDC handle) { return handle != 0 && LiveHandles().count(handle) != 0; }

// ---- canvas ----

TCanvas::TCanvas() : TCanvas(nullptr) {}

TCanvas::TCanvas(std::unique_ptr<CanvasTarget> target) : target_(std::move(target)) {
  handle_ = ++nextHandle;
  LiveHandles().insert(handle_);
  brush_.OnChange = [this](TBrush&) { brushDirty_ = true; };
  font_.OnChange = [this](TFont&) {
    fontDirty_ = true;
    face_.reset();
  };
}

TCanvas::~TCanvas() { LiveHandles().erase(handle_); }

void TCanvas::SetTarget(std::unique_ptr<CanvasTarget> target) { target_ = std::move(target); }

HPALETTE TCanvas::SetSelectedPalette(const HPALETTE& palette) { return std::exchange(state_.palette, palette); }

void TCanvas::RequireState() {
  if (brushDirty_) {
    state_.bkColor = brush_.Color();
    state_.bkMode = brush_.Style() == bsClear ? TRANSPARENT : OPAQUE;
    brushDirty_ = false;
  }
  if (fontDirty_) {
    state_.textColor = font_.Color();
    fontDirty_ = false;
  }
}

int32_t TCanvas::DeviceWidth() const { return target_ ? target_->Width() : 0; }
int32_t TCanvas::DeviceHeight() const { return target_ ? target_->Height() : 0; }

int TCanvas::GetDeviceCaps(int index) const {
  int bits = target_ ? target_->BitsPerPixel() : ScreenBitsPerPixel();
  TRect page = target_ ? target_->PhysicalPage() : TRect{};
  switch (index) {
    case HORZRES:
      return DeviceWidth();
    case VERTRES:
      return DeviceHeight();
    case BITSPIXEL:
      return bits;
    case PLANES:
      return 1;
    case NUMCOLORS:
      return bits <= 8 ? (1 << bits) : -1;
    case RASTERCAPS:
      return bits <= 8 ? RC_PALETTE : 0;
    case SIZEPALETTE:
      return bits <= 8 ? 256 : 0;
    case LOGPIXELSX:
    case LOGPIXELSY:
      return target_ ? target_->LogPixels() : kPixelsPerInch;
    case PHYSICALWIDTH:
      return page.Width();
    case PHYSICALHEIGHT:
      return page.Height();
    case PHYSICALOFFSETX:
      return -page.Left;
    case PHYSICALOFFSETY:
      return -page.Top;
    default:
      return 0;
  }
}

namespace {

[[noreturn]] void NoDrawing() { throw EInvalidOperation("Canvas does not allow drawing"); }

// Runs paint with a QPainter on the canvas's surface, clipped. Nothing happens for an empty surface.
template <class F>
void PaintOn(CanvasTarget* target, const HRGN& clip, F paint) {
  if (!target) NoDrawing();
  QImage* image = target->BeginImage();
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

}  // namespace

// Fills r (clipped) with one colour.
static void FillSolid(CanvasTarget* target, const HRGN& clip, const TRect& r, TColor color) {
  if (!target) NoDrawing();
  if (IsRectEmpty(r)) return;
  color = ColorToDrawRGB(color);
  TBitmap* bitmap = target->Bitmap();
  if (!bitmap || !IsPaletteFormat(bitmap->PixelFormat())) {
    // The painter fills exactly the rectangle's pixels.
    PaintOn(target, clip, [&](QPainter& p) { p.fillRect(ToQRect(r), ToQColor(color)); });
    return;
  }
  // Palette formats cannot be painted on: the nearest table entry is written as an index.
  PixelSurface surface(*bitmap);
  const TPixelFormat format = bitmap->PixelFormat();
  const uint32_t index = surface.Mono() ? surface.NearestBit(color) : NearestIndex(bitmap->ColorTable())(color);
  for (const QRect& q : ClipRects(clip, QRect(0, 0, bitmap->Width(), bitmap->Height()), ToQRect(r)))
    for (int y = q.top(); y <= q.bottom(); ++y) {
      uint8_t* row = bitmap->ScanLine(y);
      for (int x = q.left(); x <= q.right(); ++x) SetRaw(row, x, format, index);
    }
  surface.MarkChanged();
}

static void FrameSolid(CanvasTarget* target, const HRGN& clip, const TRect& r, TColor color) {
  if (IsRectEmpty(r)) return;
  FillSolid(target, clip, {r.Left, r.Top, r.Right, r.Top + 1}, color);
  FillSolid(target, clip, {r.Left, r.Bottom - 1, r.Right, r.Bottom}, color);
  FillSolid(target, clip, {r.Left, r.Top + 1, r.Left + 1, r.Bottom - 1}, color);
  FillSolid(target, clip, {r.Right - 1, r.Top + 1, r.Right, r.Bottom - 1}, color);
}

void TCanvas::FillRect(const TRect& r) {
  RequireState();
  if (!target_) NoDrawing();
  if (brush_.Style() == bsClear) return;
  FillSolid(target_.get(), state_.clip, r, brush_.Color());
  if (OnChange) OnChange(*this);
}

void TCanvas::FrameRect(const TRect& r) {
  RequireState();
  if (!target_) NoDrawing();
  if (brush_.Style() == bsClear) return;
  FrameSolid(target_.get(), state_.clip, r, brush_.Color());
  if (OnChange) OnChange(*this);
}

namespace {

// The on/off pattern of a cosmetic pen style (pixels), empty for solid.
std::vector<int> DashPattern(TPenStyle style) {
  switch (style) {
    case psDash:
      return {18, 6};
    case psDot:
      return {3, 3};
    case psDashDot:
      return {9, 6, 3, 6};
    case psDashDotDot:
      return {9, 3, 3, 3, 3, 3};
    default:
      return {};
  }
}

// Calls plot(x, y) for every pixel of the line from (x0, y0) to (x1, y1) but the last one (Bresenham), leaving out
// the gaps of a dash pattern.
template <class F>
void WalkLine(int32_t x0, int32_t y0, int32_t x1, int32_t y1, const std::vector<int>& dash, F plot) {
  size_t dashIndex = 0;
  int dashLeft = dash.empty() ? 0 : dash[0];
  const int64_t dx = std::abs(int64_t(x1) - x0), dy = -std::abs(int64_t(y1) - y0);
  const int32_t sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
  int64_t err = dx + dy;
  for (int32_t x = x0, y = y0; !(x == x1 && y == y1);) {
    if (dash.empty() || dashIndex % 2 == 0) plot(x, y);
    if (!dash.empty() && --dashLeft == 0) {
      dashIndex = (dashIndex + 1) % dash.size();
      dashLeft = dash[dashIndex];
    }
    int64_t e2 = 2 * err;
    if (e2 >= dy) err += dy, x += sx;
    if (e2 <= dx) err += dx, y += sy;
  }
}

}  // namespace

// Draws a line from (x0, y0) towards (x1, y1) without its last point.
static void DrawLineOn(CanvasTarget* target, const HRGN& clip, const TPen& pen, int32_t x0, int32_t y0, int32_t x1,
                       int32_t y1) {
  if (!target) NoDrawing();
  if (pen.Style() == psClear || (x0 == x1 && y0 == y1)) return;
  TColor color = ColorToDrawRGB(pen.Color());
  if (pen.Width() > 1) {
    PaintOn(target, clip, [&](QPainter& p) {
      p.setPen(QPen(ToQColor(color), pen.Width(), Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
      p.drawLine(x0, y0, x1, y1);
    });
    return;
  }
  const std::vector<int> dash = DashPattern(pen.Style());
  PixelSurface surface(target);
  if (!surface.Valid()) {
    // A paint-only surface: the same points through a painter.
    QPolygon points;
    WalkLine(x0, y0, x1, y1, dash, [&](int32_t x, int32_t y) { points << QPoint(x, y); });
    PaintOn(target, clip, [&](QPainter& p) {
      p.setPen(ToQColor(color));
      p.drawPoints(points);
    });
    return;
  }
  QRegion region(0, 0, surface.Width(), surface.Height());
  if (clip) region = region.intersected(clip.data()->region);
  bool mono = surface.Mono();
  uint32_t bit = mono ? surface.NearestBit(color) : 0;
  WalkLine(x0, y0, x1, y1, dash, [&](int32_t x, int32_t y) {
    if (region.contains(QPoint(x, y))) mono ? surface.SetBit(x, y, bit) : surface.Set(x, y, color);
  });
}

void TCanvas::MoveTo(int32_t x, int32_t y) { penPos_ = {x, y}; }

void TCanvas::LineTo(int32_t x, int32_t y) {
  RequireState();
  DrawLineOn(target_.get(), state_.clip, pen_, penPos_.X, penPos_.Y, x, y);
  penPos_ = {x, y};
  if (OnChange) OnChange(*this);
}

void TCanvas::Polyline(const std::vector<TPoint>& points) {
  RequireState();
  for (size_t i = 1; i < points.size(); ++i)
    DrawLineOn(target_.get(), state_.clip, pen_, points[i - 1].X, points[i - 1].Y, points[i].X, points[i].Y);
  if (OnChange) OnChange(*this);
}

void TCanvas::Rectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  RequireState();
  if (!target_) NoDrawing();
  if (x2 < x1) std::swap(x1, x2);
  if (y2 < y1) std::swap(y1, y2);
  if (pen_.Style() == psClear) {
    if (brush_.Style() != bsClear) FillSolid(target_.get(), state_.clip, {x1, y1, x2 - 1, y2 - 1}, brush_.Color());
  } else {
    int32_t w = pen_.Width();
    if (brush_.Style() != bsClear)
      FillSolid(target_.get(), state_.clip, {x1 + w, y1 + w, x2 - w, y2 - w}, brush_.Color());
    for (int32_t i = 0; i < w; ++i)
      FrameSolid(target_.get(), state_.clip, {x1 + i, y1 + i, x2 - i, y2 - i}, pen_.Color());
  }
  if (OnChange) OnChange(*this);
}

void TCanvas::Ellipse(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  RequireState();
  if (x2 < x1) std::swap(x1, x2);
  if (y2 < y1) std::swap(y1, y2);
  if (x2 - x1 < 1 || y2 - y1 < 1) return;
  PaintOn(target_.get(), state_.clip, [&](QPainter& p) {
    p.setBrush(brush_.Style() == bsClear ? QBrush(Qt::NoBrush) : QBrush(ToQColor(brush_.Color())));
    if (pen_.Style() == psClear)
      p.setPen(Qt::NoPen);
    else
      p.setPen(QPen(ToQColor(pen_.Color()), pen_.Width() > 1 ? pen_.Width() : 0));
    p.drawEllipse(QRect(x1, y1, x2 - x1 - 1, y2 - y1 - 1));
  });
  if (OnChange) OnChange(*this);
}

void TCanvas::Polygon(const std::vector<TPoint>& points) {
  RequireState();
  if (points.empty()) return;
  QPolygon polygon;
  for (const auto& pt : points) polygon << QPoint(pt.X, pt.Y);
  if (brush_.Style() != bsClear) {
    QRegion area(polygon, Qt::OddEvenFill);
    PaintOn(target_.get(), state_.clip, [&](QPainter& p) {
      for (const QRect& r : area) p.fillRect(r, ToQColor(brush_.Color()));
    });
  }
  for (size_t i = 0; i < points.size(); ++i) {
    const TPoint& a = points[i];
    const TPoint& b = points[(i + 1) % points.size()];
    DrawLineOn(target_.get(), state_.clip, pen_, a.X, a.Y, b.X, b.Y);
  }
  if (OnChange) OnChange(*this);
}

void TCanvas::DrawFocusRect(const TRect& r) {
  RequireState();
  if (!target_) NoDrawing();
  if (IsRectEmpty(r)) return;
  PixelSurface surface(target_.get());
  if (!surface.Valid()) return;
  QRegion region(0, 0, surface.Width(), surface.Height());
  if (state_.clip) region = region.intersected(state_.clip.data()->region);
  auto flip = [&](int32_t x, int32_t y) {
    if (((x + y) & 1) || !region.contains(QPoint(x, y))) return;
    if (surface.Mono())
      surface.SetBit(x, y, surface.GetBit(x, y) ^ 1);
    else
      surface.Set(x, y, ~surface.Get(x, y) & 0xFFFFFF);
  };
  for (int32_t x = r.Left; x < r.Right; ++x) {
    flip(x, r.Top);
    if (r.Bottom - 1 > r.Top) flip(x, r.Bottom - 1);
  }
  for (int32_t y = r.Top + 1; y < r.Bottom - 1; ++y) {
    flip(r.Left, y);
    if (r.Right - 1 > r.Left) flip(r.Right - 1, y);
  }
}

TColor TCanvas::Pixels(int32_t x, int32_t y) const {
  if (!target_ || x < 0 || y < 0 || x >= target_->Width() || y >= target_->Height()) return clNone;
  PixelSurface surface(target_.get());
  if (!surface.Valid()) return clNone;
  return surface.Get(x, y);
}

void TCanvas::SetPixel(int32_t x, int32_t y, TColor color) {
  RequireState();
  if (!target_) NoDrawing();
  if (x < 0 || y < 0 || x >= target_->Width() || y >= target_->Height()) return;
  if (state_.clip && !state_.clip.data()->region.contains(QPoint(x, y))) return;
  PixelSurface surface(target_.get());
  if (surface.Valid()) surface.Set(x, y, ColorToDrawRGB(color));
}

// ---- text ----

namespace {

bool IsBreakChar(char16_t c) { return c == 0x20 || c == 0xA0; }

}  // namespace

// Advances of every unit including character extra and the justification share; consumes breaks when advance.
static std::vector<int32_t> MeasureUnits(const TFontFace& face, std::u16string_view text, int32_t charExtra,
                                         int32_t justifyExtra, int32_t justifyBreaks, int32_t& justifyDone) {
  std::vector<int32_t> advances = face.TextAdvances(text);
  for (size_t i = 0; i < text.size(); ++i) {
    if (advances[i] > 0 || (text[i] >= 0x20 && !(text[i] >= 0xDC00 && text[i] <= 0xDFFF))) advances[i] += charExtra;
    if (justifyBreaks > 0 && IsBreakChar(text[i]) && justifyDone < justifyBreaks) {
      advances[i] += justifyExtra / justifyBreaks + (justifyDone < justifyExtra % justifyBreaks ? 1 : 0);
      ++justifyDone;
    }
  }
  return advances;
}

std::shared_ptr<const TFontFace> TCanvas::Face() {
  if (!face_ || faceGeneration_ != FontServiceGeneration()) {
    face_ = FontService().Realize(font_.Desc());
    faceGeneration_ = FontServiceGeneration();
  }
  return face_;
}

TSize TCanvas::TextExtent(std::string_view text) { return TextExtentW(Cp1252ToUtf16(text)); }

TSize TCanvas::TextExtentW(std::u16string_view text) { return GetTextExtentExPoint(text, -1, nullptr, nullptr); }

TSize TCanvas::GetTextExtentExPoint(std::u16string_view text, int32_t maxExtent, int32_t* fit,
                                    std::vector<int32_t>* dx) {
  RequireState();
  auto face = Face();
  int32_t done = state_.justifyDone;
  std::vector<int32_t> advances =
      MeasureUnits(*face, text, state_.charExtra, state_.justifyExtra, state_.justifyBreaks, done);
  int32_t total = 0;
  int32_t count = 0;
  if (dx) dx->clear();
  for (size_t i = 0; i < advances.size(); ++i) {
    total += advances[i];
    if (dx) dx->push_back(total);
    if (maxExtent >= 0 && total <= maxExtent && count == int32_t(i)) ++count;
  }
  if (fit) *fit = maxExtent < 0 ? 0 : count;
  return {total, face->Metrics().tmHeight};
}

TTextMetric TCanvas::GetTextMetrics() {
  RequireState();
  return Face()->Metrics();
}

uint32_t TCanvas::SetTextAlign(uint32_t align) {
  RequireState();
  return std::exchange(state_.textAlign, align);
}

void TCanvas::SetTextJustification(int32_t extra, int32_t breakCount) {
  RequireState();
  state_.justifyExtra = breakCount > 0 ? extra : 0;
  state_.justifyBreaks = breakCount > 0 ? breakCount : 0;
  state_.justifyDone = 0;
}

int32_t TCanvas::SetTextCharacterExtra(int32_t extra) {
  RequireState();
  return std::exchange(state_.charExtra, extra);
}

int TCanvas::SetBkMode(int mode) {
  RequireState();
  return mode == TRANSPARENT || mode == OPAQUE ? std::exchange(state_.bkMode, mode) : state_.bkMode;
}

int TCanvas::GetBkMode() {
  RequireState();
  return state_.bkMode;
}

TColor TCanvas::SetBkColor(TColor color) {
  RequireState();
  return std::exchange(state_.bkColor, color);
}

TColor TCanvas::GetBkColor() {
  RequireState();
  return state_.bkColor;
}

TColor TCanvas::SetTextColor(TColor color) {
  RequireState();
  return std::exchange(state_.textColor, color);
}

TColor TCanvas::GetTextColor() {
  RequireState();
  return state_.textColor;
}

void TCanvas::TextOut(int32_t x, int32_t y, std::string_view text) { TextOutW(x, y, Cp1252ToUtf16(text)); }

void TCanvas::TextRect(const TRect& r, int32_t x, int32_t y, std::string_view text) {
  TextRectW(r, x, y, Cp1252ToUtf16(text));
}

void TCanvas::TextOutW(int32_t x, int32_t y, std::u16string_view text) {
  RequireState();
  if (!target_) NoDrawing();
  auto face = Face();
  const TTextMetric& tm = face->Metrics();
  if (state_.textAlign & TA_UPDATECP) x = penPos_.X, y = penPos_.Y;
  std::vector<int32_t> advances =
      MeasureUnits(*face, text, state_.charExtra, state_.justifyExtra, state_.justifyBreaks, state_.justifyDone);
  int32_t width = 0;
  std::vector<int32_t> positions;
  for (int32_t a : advances) {
    positions.push_back(width);
    width += a;
  }
  int32_t left = x;
  switch (state_.textAlign & TA_CENTER) {
    case TA_RIGHT:
      left = x - width;
      break;
    case TA_CENTER:
      left = x - width / 2;
      break;
    default:
      break;
  }
  int32_t top = y;
  if ((state_.textAlign & TA_BASELINE) == TA_BASELINE)
    top = y - tm.tmAscent;
  else if (state_.textAlign & TA_BOTTOM)
    top = y - tm.tmHeight;
  if (!text.empty()) {
    // One painter for the cell and the glyphs.
    PaintOn(target_.get(), state_.clip, [&](QPainter& p) {
      if (state_.bkMode == OPAQUE && width > 0)
        p.fillRect(QRect(left, top, width, tm.tmHeight), ToQColor(state_.bkColor));
      p.setRenderHint(QPainter::TextAntialiasing, font_.Quality() != fqNonAntialiased);
      TGlyphPainter glyphs{p, ToQColor(state_.textColor)};
      face->DrawGlyphs(glyphs, left, top + tm.tmAscent, text, positions, width);
    });
  }
  if (state_.textAlign & TA_UPDATECP) {
    if ((state_.textAlign & TA_CENTER) == TA_LEFT) penPos_.X = x + width;
    if ((state_.textAlign & TA_CENTER) == TA_RIGHT) penPos_.X = x - width;
  } else {
    penPos_ = {x + width, y};
  }
  if (OnChange) OnChange(*this);
}

void TCanvas::TextRectW(const TRect& r, int32_t x, int32_t y, std::u16string_view text) {
  RequireState();
  if (!target_) NoDrawing();
  HRGN saved = state_.clip;
  HRGN clip = CreateRectRgnIndirect(r);
  if (saved) CombineRgn(clip, clip, saved, RGN_AND);
  if (state_.bkMode == OPAQUE) {
    QColor bk = ToQColor(state_.bkColor);
    PaintOn(target_.get(), clip, [&](QPainter& p) { p.fillRect(ToQRect(r), bk); });
  }
  int oldMode = state_.bkMode;
  state_.bkMode = TRANSPARENT;
  state_.clip = clip;
  try {
    TextOutW(x, y, text);
  } catch (...) {
    state_.clip = saved;
    state_.bkMode = oldMode;
    throw;
  }
  state_.clip = saved;
  state_.bkMode = oldMode;
}

// ---- graphics ----

void TCanvas::Draw(int32_t x, int32_t y, TGraphic& graphic) {
  RequireState();
  if (graphic.Empty()) return;
  graphic.Draw(*this, Bounds(x, y, graphic.Width(), graphic.Height()));
}

void TCanvas::StretchDraw(const TRect& r, TGraphic& graphic) {
  RequireState();
  if (graphic.Empty()) return;
  graphic.Draw(*this, r);
}

void TCanvas::CopyRect(const TRect& dest, TCanvas& source, const TRect& sourceRect) {
  StretchBlt(*this, dest.Left, dest.Top, dest.Width(), dest.Height(), &source, sourceRect.Left, sourceRect.Top,
             sourceRect.Width(), sourceRect.Height(), copyMode_);
}

// ---- clipping and state ----

TRect TCanvas::ClipRect() const {
  TRect surface{0, 0, DeviceWidth(), DeviceHeight()};
  if (!state_.clip) return surface;
  TRect box;
  GetRgnBox(state_.clip, box);
  TRect result;
  IntersectRect(result, box, surface);
  return result;
}

int TCanvas::SelectClipRgn(const HRGN& region) {
  RequireState();
  if (!region) {
    state_.clip = nullptr;
    return SIMPLEREGION;
  }
  state_.clip = MakeRegion(region.data()->region);
  return RegionKind(state_.clip.data()->region);
}

HRGN TCanvas::GetClipRgn() const { return state_.clip ? MakeRegion(state_.clip.data()->region) : nullptr; }

int TCanvas::IntersectClipRect(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  RequireState();
  QRegion r(left, top, right - left, bottom - top);
  QRegion current = state_.clip ? state_.clip.data()->region : QRegion(0, 0, DeviceWidth(), DeviceHeight());
  state_.clip = MakeRegion(current.intersected(r));
  return RegionKind(state_.clip.data()->region);
}

int TCanvas::ExcludeClipRect(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  RequireState();
  QRegion r(left, top, right - left, bottom - top);
  QRegion current = state_.clip ? state_.clip.data()->region : QRegion(0, 0, DeviceWidth(), DeviceHeight());
  state_.clip = MakeRegion(current.subtracted(r));
  return RegionKind(state_.clip.data()->region);
}

int TCanvas::SetStretchBltMode(int mode) {
  RequireState();
  return mode >= BLACKONWHITE && mode <= HALFTONE ? std::exchange(state_.stretchMode, mode) : state_.stretchMode;
}

TPoint TCanvas::SetBrushOrgEx(const TPoint& origin) {
  RequireState();
  return std::exchange(state_.brushOrg, origin);
}

int TCanvas::SaveDC() {
  RequireState();
  saved_.push_back(state_);
  return int(saved_.size());
}

bool TCanvas::RestoreDC(int savedState) {
  int index = savedState < 0 ? int(saved_.size()) + savedState : savedState - 1;
  if (index < 0 || index >= int(saved_.size())) return false;
  RequireState();
  state_ = saved_[size_t(index)];
  saved_.resize(size_t(index));
  return true;
}

// ---- blits ----

namespace {

struct BlitSource {
  PixelSurface* surface = nullptr;
  TColor bkColor = clWhite;  // the source's background colour (colour -> mono conversion)
};

struct BlitMask {
  const TBitmap* mask = nullptr;
  int32_t x = 0, y = 0;
  uint32_t backRop = 0;  // where the mask bit is 0
};

// One axis of a blit: the destination span and the source span it samples. A negative size mirrors: the span then
// runs from start + size + 1 to start, both included.
struct StretchAxis {
  int32_t dest = 0, size = 0, source = 0, sourceSize = 0;
  bool flip = false;
  StretchAxis(int32_t d, int32_t n, int32_t s, int32_t sn) {
    if (n < 0) d += n + 1, n = -n, flip = !flip;
    if (sn < 0) s += sn + 1, sn = -sn, flip = !flip;
    dest = d, size = n, source = s, sourceSize = sn;
  }
  // The source coordinate that destination coordinate d takes (nearest neighbour, at the pixel centres).
  int32_t Source(int32_t d) const {
    int64_t u = int64_t(d) - dest;
    if (flip) u = size - 1 - u;
    return source + int32_t((2 * u + 1) * sourceSize / (2 * int64_t(size)));
  }
};

}  // namespace

struct CanvasAccess {
  static TCanvas::DeviceState& State(TCanvas& c) {
    c.RequireState();
    return c.state_;
  }
};

namespace {

// The core of every blit: the destination and source spans, the operation, an optional mask (per pixel it chooses
// rop or mask.backRop) and an optional transparent colour of the source (such pixels leave the destination). The
// canvas's clip, brush, text and background colours take part.
bool Blit(TCanvas& dest, const StretchAxis& ax, const StretchAxis& ay, const BlitSource& src, uint32_t rop,
          const BlitMask* mask, const TColor* transparent) {
  const auto& st = CanvasAccess::State(dest);
  CanvasTarget* target = dest.Target();
  if (!target) return false;
  const TColor brushColor = ColorToDrawRGB(dest.Brush().Color()), textColor = ColorToDrawRGB(st.textColor),
               bkColor = ColorToDrawRGB(st.bkColor);
  const bool brushClear = dest.Brush().Style() == bsClear;
  if (ax.size == 0 || ay.size == 0) return true;
  bool useSource = RopUsesSource(rop) || (mask && RopUsesSource(mask->backRop)) || transparent;
  if (useSource && (!src.surface || !src.surface->Valid())) return false;
  if (useSource && (ax.sourceSize == 0 || ay.sourceSize == 0)) return true;
  const QRect area(ax.dest, ay.dest, ax.size, ay.size);
  PixelSurface surface(target);
  if (!surface.Valid()) {
    // A paint-only surface: compose against white and paint the result.
    QImage composed(area.size(), QImage::Format_RGB32);
    for (int32_t dy = area.top(); dy <= area.bottom(); ++dy)
      for (int32_t dx = area.left(); dx <= area.right(); ++dx) {
        TColor s = clWhite;
        int32_t px = ax.Source(dx), py = ay.Source(dy);
        if (useSource && px >= 0 && py >= 0 && px < src.surface->Width() && py < src.surface->Height())
          s = src.surface->Mono() ? (src.surface->GetBit(px, py) ? bkColor : textColor) : src.surface->Get(px, py);
        composed.setPixel(dx - area.left(), dy - area.top(),
                          ToQColor(Rop3(rop, brushColor, s, 0xFFFFFF) & 0xFFFFFF).rgb());
      }
    PaintOn(target, st.clip, [&](QPainter& p) { p.drawImage(area.topLeft(), composed); });
    return true;
  }
  TBitmap* destBitmap = surface.Bitmap();
  TBitmap* srcBitmap = useSource ? src.surface->Bitmap() : nullptr;
  // The common picture copy between direct formats: raw pixels, no raster operation.
  const bool direct = rop == SRCCOPY && !mask && !transparent && destBitmap && srcBitmap &&
                      !IsPaletteFormat(destBitmap->PixelFormat()) && !IsPaletteFormat(srcBitmap->PixelFormat());
  const TPixelFormat df = destBitmap ? destBitmap->PixelFormat() : pfDevice;
  const TPixelFormat sf = srcBitmap ? srcBitmap->PixelFormat() : pfDevice;
  const bool sameLayout = PixelFormatBits(df) == PixelFormatBits(sf) && (df == sf || PixelFormatBits(df) == 32);
  const bool destMono = surface.Mono();
  const bool srcMono = useSource && src.surface->Mono();
  const uint32_t pattern =
      destMono ? (brushClear ? 0 : (surface.NearestBit(brushColor) ? 0xFFFFFFFFu : 0)) : (brushClear ? 0 : brushColor);
  const int32_t srcWidth = useSource ? src.surface->Width() : 0, srcHeight = useSource ? src.surface->Height() : 0;
  for (const QRect& q : ClipRects(st.clip, QRect(0, 0, surface.Width(), surface.Height()), area)) {
    std::vector<int32_t> columns(size_t(q.width()));  // the source column of every destination column
    for (int32_t dx = q.left(); dx <= q.right(); ++dx) columns[size_t(dx - q.left())] = ax.Source(dx);
    for (int32_t dy = q.top(); dy <= q.bottom(); ++dy) {
      const int32_t py = ay.Source(dy);
      if (useSource && (py < 0 || py >= srcHeight)) continue;
      if (direct) {
        const uint8_t* srcRow = srcBitmap->Bits() + size_t(py) * size_t(srcBitmap->RowBytes());
        uint8_t* destRow = destBitmap->Bits() + size_t(dy) * size_t(destBitmap->RowBytes());
        for (int32_t dx = q.left(); dx <= q.right(); ++dx) {
          int32_t px = columns[size_t(dx - q.left())];
          if (px < 0 || px >= srcWidth) continue;
          uint32_t raw = GetRaw(srcRow, px, sf);
          SetRaw(destRow, dx, df, sameLayout ? raw : ColorToDirect(DirectToColor(raw, sf), df));
        }
        surface.MarkChanged();
        continue;
      }
      // The mask row for this source row (mask coordinates follow the source's).
      const int32_t my = mask ? mask->y + (py - ay.source) : 0;
      const uint8_t* maskRow = mask && my >= 0 && my < mask->mask->Height() ? mask->mask->ScanLine(my) : nullptr;
      for (int32_t dx = q.left(); dx <= q.right(); ++dx) {
        const int32_t px = columns[size_t(dx - q.left())];
        uint32_t op = rop;
        uint32_t s = 0;
        if (useSource) {
          if (px < 0 || px >= srcWidth) continue;
          if (srcMono) {
            uint32_t bit = src.surface->GetBit(px, py);
            s = destMono ? (bit ? 0xFFFFFFFFu : 0) : (bit ? bkColor : textColor);
          } else {
            TColor c = src.surface->Get(px, py);
            if (transparent && c == *transparent) continue;
            s = destMono ? (c == src.bkColor ? 0xFFFFFFFFu : 0) : c;
          }
        }
        if (mask) {
          const int32_t mx = mask->x + (px - ax.source);
          bool on = maskRow && mx >= 0 && mx < mask->mask->Width() && GetRaw(maskRow, mx, mask->mask->PixelFormat());
          if (!on) op = mask->backRop;
        }
        if (destMono) {
          uint32_t d = surface.GetBit(dx, dy) ? 0xFFFFFFFFu : 0;
          surface.SetBit(dx, dy, Rop3(op, pattern, s, d) & 1);
        } else {
          uint32_t d = surface.Get(dx, dy);
          surface.Set(dx, dy, Rop3(op, pattern, s, d) & 0xFFFFFF);
        }
      }
    }
  }
  return true;
}

// Blits from a bitmap; when it is the destination's own bitmap, from a copy, so that overlapping areas come out
// right.
bool BlitFromBitmap(TCanvas& dest, const TBitmap& image, TColor sourceBk, const StretchAxis& ax, const StretchAxis& ay,
                    uint32_t rop, const BlitMask* mask, const TColor* transparent) {
  TBitmap copy;
  const TBitmap* from = &image;
  if (dest.Target() && dest.Target()->Bitmap() == &image) {
    copy.Assign(image);
    from = &copy;
  }
  PixelSurface surface(const_cast<TBitmap&>(*from));
  return Blit(dest, ax, ay, {&surface, sourceBk}, rop, mask, transparent);
}

bool BlitFromCanvas(TCanvas& dest, int32_t x, int32_t y, int32_t w, int32_t h, TCanvas* source, int32_t sx, int32_t sy,
                    int32_t sw, int32_t sh, uint32_t rop, const BlitMask* mask) {
  if (!dest.Target()) return false;
  StretchAxis ax(x, w, sx, sw), ay(y, h, sy, sh);
  bool ok;
  if (!source || !source->Target()) {
    ok = Blit(dest, ax, ay, {}, rop, mask, nullptr);
  } else {
    TColor sourceBk = ColorToDrawRGB(CanvasAccess::State(*source).bkColor);
    if (const TBitmap* b = source->Target()->Bitmap()) {
      ok = BlitFromBitmap(dest, *b, sourceBk, ax, ay, rop, mask, nullptr);
    } else {
      PixelSurface surface(source->Target());
      ok = Blit(dest, ax, ay, {&surface, sourceBk}, rop, mask, nullptr);
    }
  }
  if (ok && dest.OnChange) dest.OnChange(dest);
  return ok;
}

// Draws sourceRect of a bitmap into destRect of a canvas that must have a surface.
void BlitBitmap(TCanvas& dest, const TRect& destRect, const TBitmap& image, const TRect& sourceRect, uint32_t rop,
                const BlitMask* mask, const TColor* transparent) {
  if (!dest.Target()) NoDrawing();
  BlitFromBitmap(
      dest, image, clWhite, StretchAxis(destRect.Left, destRect.Width(), sourceRect.Left, sourceRect.Width()),
      StretchAxis(destRect.Top, destRect.Height(), sourceRect.Top, sourceRect.Height()), rop, mask, transparent);
  if (dest.OnChange) dest.OnChange(dest);
}

}  // namespace

bool BitBlt(TCanvas& dest, int32_t x, int32_t y, int32_t width, int32_t height, TCanvas* source, int32_t sx, int32_t sy,
            TCopyMode rop) {
  return BlitFromCanvas(dest, x, y, width, height, source, sx, sy, width, height, rop, nullptr);
}

bool StretchBlt(TCanvas& dest, int32_t x, int32_t y, int32_t width, int32_t height, TCanvas* source, int32_t sx,
                int32_t sy, int32_t sourceWidth, int32_t sourceHeight, TCopyMode rop) {
  return BlitFromCanvas(dest, x, y, width, height, source, sx, sy, sourceWidth, sourceHeight, rop, nullptr);
}

bool PatBlt(TCanvas& dest, int32_t x, int32_t y, int32_t width, int32_t height, TCopyMode rop) {
  return BlitFromCanvas(dest, x, y, width, height, nullptr, 0, 0, 0, 0, rop, nullptr);
}

bool MaskBlt(TCanvas& dest, int32_t x, int32_t y, int32_t width, int32_t height, TCanvas& source, int32_t sx,
             int32_t sy, const TBitmap& mask, int32_t mx, int32_t my, uint32_t rop4) {
  BlitMask m{&mask, mx, my, (rop4 >> 8) & 0x00FF0000u};
  return BlitFromCanvas(dest, x, y, width, height, &source, sx, sy, width, height, rop4 & 0x00FFFFFFu, &m);
}

void StretchBitmap(TCanvas& canvas, const TRect& destRect, const TBitmap& bitmap, const TRect& sourceRect,
                   uint32_t rop) {
  BlitBitmap(canvas, destRect, bitmap, sourceRect, rop, nullptr, nullptr);
}

void DrawMasked(TCanvas& dest, const TRect& destRect, const TBitmap& image, const TRect& sourceRect,
                const TBitmap& mask) {
  // Mask bit 1 (transparent): keep the destination; 0: copy the image.
  BlitMask m{&mask, sourceRect.Left, sourceRect.Top, SRCCOPY};
  BlitBitmap(dest, destRect, image, sourceRect, DSTCOPY, &m, nullptr);
}

void TransparentStretchBlt(TCanvas& dest, const TRect& destRect, const TBitmap& image, const TRect& sourceRect,
                           TColor transparentColor) {
  TColor t = ColorToDrawRGB(transparentColor);
  BlitBitmap(dest, destRect, image, sourceRect, SRCCOPY, nullptr, &t);
}

}  // namespace pf
