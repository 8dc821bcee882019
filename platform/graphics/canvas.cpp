// The canvas's core: brushes and pens, regions, bitmap targets, device state, fills, clipping and mapping. Lines and
// shapes, text, and blits have files of their own.
#include <algorithm>
#include <cstdlib>
#include <unordered_set>
#include <utility>

#include "platform/core/exceptions.h"
#include "platform/graphics/canvas_internal_qt.h"
#include "platform/graphics/graphic.h"

namespace pf {

// ---- brush and pen ----

void TBrush::Assign(const TPersistent& source) {
  if (auto* b = dynamic_cast<const TBrush*>(&source)) {
    color_ = b->color_;
    style_ = b->style_;
    bitmap_ = b->bitmap_;
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

void TBrush::SetBitmap(TBitmap* value) {
  bitmap_ = value;
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
        format = QImage::Format_RGB32;
        break;
      case pf32bit:
        format = bitmap_.AlphaFormat() == afDefined         ? QImage::Format_ARGB32
                 : bitmap_.AlphaFormat() == afPremultiplied ? QImage::Format_ARGB32_Premultiplied
                                                            : QImage::Format_RGB32;
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

}  // namespace

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

std::vector<QRect> ClipRects(const HRGN& clip, const QRect& surface, const QRect& area) {
  QRegion region(surface.intersected(area));
  if (clip) region = region.intersected(clip.data()->region);
  return std::vector<QRect>(region.begin(), region.end());
}

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
    case TECHNOLOGY:
      return target_ ? target_->Technology() : DT_RASDISPLAY;
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

[[noreturn]] void NoDrawing() { throw EInvalidOperation("Canvas does not allow drawing"); }

// Fills r (clipped) with one colour.
void FillSolid(CanvasTarget* target, const HRGN& clip, const TRect& r, TColor color) {
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

void FrameSolid(CanvasTarget* target, const HRGN& clip, const TRect& r, TColor color) {
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
  const TRect device = CanvasAccess::MappingOf(*this).Map(r);
  if (brush_.Bitmap())
    PatternFill(*this, brush_, device, PATCOPY);
  else
    FillSolid(target_.get(), state_.clip, device, brush_.Color());
  if (OnChange) OnChange(*this);
}

void TCanvas::FrameRect(const TRect& r) {
  RequireState();
  if (!target_) NoDrawing();
  if (brush_.Style() == bsClear) return;
  FrameSolid(target_.get(), state_.clip, CanvasAccess::MappingOf(*this).Map(r), brush_.Color());
  if (OnChange) OnChange(*this);
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
  TRect result{0, 0, DeviceWidth(), DeviceHeight()};
  if (state_.clip) {
    TRect box;
    GetRgnBox(state_.clip, box);
    IntersectRect(result, box, TRect(result));
  }
  TPoint corners[2] = {result.TopLeft(), result.BottomRight()};
  DPtoLP(corners, 2);
  return {std::min(corners[0].X, corners[1].X), std::min(corners[0].Y, corners[1].Y),
          std::max(corners[0].X, corners[1].X), std::max(corners[0].Y, corners[1].Y)};
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
  QRegion r(ToQRect(CanvasAccess::MappingOf(*this).Map(TRect{left, top, right, bottom})));
  QRegion current = state_.clip ? state_.clip.data()->region : QRegion(0, 0, DeviceWidth(), DeviceHeight());
  state_.clip = MakeRegion(current.intersected(r));
  return RegionKind(state_.clip.data()->region);
}

int TCanvas::ExcludeClipRect(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  RequireState();
  QRegion r(ToQRect(CanvasAccess::MappingOf(*this).Map(TRect{left, top, right, bottom})));
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

// ---- mapping ----

namespace {

// v * num / den rounded to the nearest integer, halves away from zero.
int32_t ScaleRound(int64_t v, int32_t num, int32_t den) {
  int64_t p = v * num;
  int64_t q = (2 * std::abs(p) + std::abs(int64_t(den))) / (2 * std::abs(int64_t(den)));
  return int32_t((p < 0) != (den < 0) ? -q : q);
}

}  // namespace

int32_t Mapping::X(int32_t x) const {
  return ScaleRound(int64_t(x) - windowOrg.X, viewportExt.cx, windowExt.cx) + viewportOrg.X;
}

int32_t Mapping::Y(int32_t y) const {
  return ScaleRound(int64_t(y) - windowOrg.Y, viewportExt.cy, windowExt.cy) + viewportOrg.Y;
}

TRect Mapping::Map(const TRect& r) const {
  if (Identity()) return r;
  TPoint a = Map(r.TopLeft()), b = Map(r.BottomRight());
  return {std::min(a.X, b.X), std::min(a.Y, b.Y), std::max(a.X, b.X), std::max(a.Y, b.Y)};
}

TPoint Mapping::Unmap(const TPoint& p) const {
  return {ScaleRound(int64_t(p.X) - viewportOrg.X, windowExt.cx, viewportExt.cx) + windowOrg.X,
          ScaleRound(int64_t(p.Y) - viewportOrg.Y, windowExt.cy, viewportExt.cy) + windowOrg.Y};
}

int32_t Mapping::Length(int32_t length) const {
  int32_t device = std::abs(ScaleRound(length, viewportExt.cx, windowExt.cx));
  return length >= 1 ? std::max(device, 1) : device;
}

QTransform Mapping::Transform() const {
  const double sx = double(viewportExt.cx) / windowExt.cx, sy = double(viewportExt.cy) / windowExt.cy;
  return QTransform(sx, 0, 0, sy, viewportOrg.X - windowOrg.X * sx, viewportOrg.Y - windowOrg.Y * sy);
}

int TCanvas::SetMapMode(int mode) {
  RequireState();
  if (mode != MM_TEXT && mode != MM_ANISOTROPIC) return 0;
  if (mode == MM_TEXT) state_.windowExt = state_.viewportExt = {1, 1};
  return std::exchange(state_.mapMode, mode);
}

bool TCanvas::SetWindowExtEx(int32_t x, int32_t y, TSize* old) {
  RequireState();
  if (old) *old = state_.windowExt;
  if (x == 0 || y == 0) return false;
  if (state_.mapMode == MM_ANISOTROPIC) state_.windowExt = {x, y};
  return true;
}

bool TCanvas::SetViewportExtEx(int32_t x, int32_t y, TSize* old) {
  RequireState();
  if (old) *old = state_.viewportExt;
  if (x == 0 || y == 0) return false;
  if (state_.mapMode == MM_ANISOTROPIC) state_.viewportExt = {x, y};
  return true;
}

bool TCanvas::SetWindowOrgEx(int32_t x, int32_t y, TPoint* old) {
  RequireState();
  if (old) *old = state_.windowOrg;
  state_.windowOrg = {x, y};
  return true;
}

bool TCanvas::SetViewportOrgEx(int32_t x, int32_t y, TPoint* old) {
  RequireState();
  if (old) *old = state_.viewportOrg;
  state_.viewportOrg = {x, y};
  return true;
}

void TCanvas::LPtoDP(TPoint* points, int count) const {
  const Mapping m = CanvasAccess::MappingOf(*this);
  for (int i = 0; i < count; ++i) points[i] = m.Map(points[i]);
}

void TCanvas::DPtoLP(TPoint* points, int count) const {
  const Mapping m = CanvasAccess::MappingOf(*this);
  for (int i = 0; i < count; ++i) points[i] = m.Unmap(points[i]);
}

// ---- saved states ----

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

}  // namespace pf
