// Lines and shapes on a canvas: cosmetic pens walk pixels (the last point of a line left out), geometric pens paint
// strokes; rectangles, ellipses, polygons, focus rectangles, 3-D edges and region fills.
#include <QPainterPath>
#include <QPolygon>
#include <algorithm>
#include <cstdlib>

#include "platform/graphics/canvas_internal_qt.h"

namespace pf {

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

// Where a dash pattern stands; it carries on from one segment of a polyline to the next.
struct DashState {
  size_t index = 0;
  int left = -1;  // pixels left in the current dash or gap; -1 before the first pixel
};

// Calls plot(x, y) for every pixel of the line from (x0, y0) to (x1, y1) but the last one (Bresenham), leaving out
// the gaps of a dash pattern.
template <class F>
void WalkLine(int32_t x0, int32_t y0, int32_t x1, int32_t y1, const std::vector<int>& dash, DashState& state, F plot) {
  if (!dash.empty() && state.left < 0) state.left = dash[0];
  const int64_t dx = std::abs(int64_t(x1) - x0), dy = -std::abs(int64_t(y1) - y0);
  const int32_t sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
  int64_t err = dx + dy;
  for (int32_t x = x0, y = y0; !(x == x1 && y == y1);) {
    if (dash.empty() || state.index % 2 == 0) plot(x, y);
    if (!dash.empty() && --state.left == 0) {
      state.index = (state.index + 1) % dash.size();
      state.left = dash[state.index];
    }
    int64_t e2 = 2 * err;
    if (e2 >= dy) err += dy, x += sx;
    if (e2 <= dx) err += dx, y += sy;
  }
}

// A geometric pen of width device pixels; dashes and gaps of the styled pens in multiples of the width.
QPen GeometricPen(const TPen& pen, int32_t width) {
  QPen q(ToQColor(pen.Color()), width, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
  QList<qreal> dashes;
  switch (pen.Style()) {
    case psDash:
      dashes = {3, 1};
      break;
    case psDot:
      dashes = {1, 1};
      break;
    case psDashDot:
      dashes = {3, 1, 1, 1};
      break;
    case psDashDotDot:
      dashes = {3, 1, 1, 1, 1, 1};
      break;
    default:
      return q;
  }
  q.setCapStyle(Qt::FlatCap);  // the dashes keep their length
  q.setDashPattern(dashes);
  return q;
}

}  // namespace

// Strokes device points with the canvas's pen, as one path (closed: back to the first point).
static void Stroke(TCanvas& canvas, const std::vector<TPoint>& points, bool closed) {
  const auto& st = CanvasAccess::State(canvas);
  const TPen& pen = canvas.Pen();
  CanvasTarget* target = canvas.Target();
  if (!target) NoDrawing();
  if (pen.Style() == psClear || points.size() < 2) return;
  const int32_t width = CanvasAccess::MappingOf(canvas).Length(pen.Width());
  if (width > 1) {
    QPolygon polygon;
    for (const TPoint& pt : points) polygon << QPoint(pt.X, pt.Y);
    PaintOn(target, st.clip, [&](QPainter& p) {
      p.setPen(GeometricPen(pen, width));
      p.setBrush(Qt::NoBrush);
      if (closed)
        p.drawPolygon(polygon);
      else
        p.drawPolyline(polygon);
    });
    return;
  }
  const TColor color = ColorToDrawRGB(pen.Color());
  const std::vector<int> dash = DashPattern(pen.Style());
  // Every segment, each without its last point; the dash pattern runs on.
  auto walk = [&](auto plot) {
    DashState state;
    const size_t segments = closed ? points.size() : points.size() - 1;
    for (size_t i = 0; i < segments; ++i) {
      const TPoint& a = points[i];
      const TPoint& b = points[(i + 1) % points.size()];
      WalkLine(a.X, a.Y, b.X, b.Y, dash, state, plot);
    }
  };
  PixelSurface surface(target);
  if (!surface.Valid()) {
    // A paint-only surface: the same points through a painter.
    QPolygon dots;
    walk([&](int32_t x, int32_t y) { dots << QPoint(x, y); });
    PaintOn(target, st.clip, [&](QPainter& p) {
      p.setPen(ToQColor(color));
      p.drawPoints(dots);
    });
    return;
  }
  QRegion region(0, 0, surface.Width(), surface.Height());
  if (st.clip) region = region.intersected(st.clip.data()->region);
  const bool mono = surface.Mono();
  const uint32_t bit = mono ? surface.NearestBit(color) : 0;
  walk([&](int32_t x, int32_t y) {
    if (region.contains(QPoint(x, y))) mono ? surface.SetBit(x, y, bit) : surface.Set(x, y, color);
  });
}

// Fills a device rectangle with the canvas's brush (colour or pattern).
static void FillWithBrush(TCanvas& canvas, const TBrush& brush, const TRect& device) {
  if (brush.Style() == bsClear) return;
  if (brush.Bitmap())
    PatternFill(canvas, brush, device, PATCOPY);
  else
    FillSolid(canvas.Target(), CanvasAccess::State(canvas).clip, device, brush.Color());
}

void TCanvas::MoveTo(int32_t x, int32_t y) { penPos_ = {x, y}; }

void TCanvas::LineTo(int32_t x, int32_t y) {
  const Mapping m = CanvasAccess::MappingOf(*this);
  Stroke(*this, {m.Map(penPos_), m.Map(TPoint{x, y})}, false);
  penPos_ = {x, y};
  if (OnChange) OnChange(*this);
}

void TCanvas::Polyline(const std::vector<TPoint>& points) {
  const Mapping m = CanvasAccess::MappingOf(*this);
  std::vector<TPoint> device;
  for (const TPoint& p : points) device.push_back(m.Map(p));
  Stroke(*this, device, false);
  if (OnChange) OnChange(*this);
}

void TCanvas::Rectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  RequireState();
  if (!target_) NoDrawing();
  const TRect r = CanvasAccess::MappingOf(*this).Map(TRect{x1, y1, x2, y2});
  const bool styled = pen_.Style() != psSolid && pen_.Style() != psInsideFrame && pen_.Style() != psClear;
  if (pen_.Style() == psClear) {
    FillWithBrush(*this, brush_, {r.Left, r.Top, r.Right - 1, r.Bottom - 1});
  } else {
    const int32_t w = CanvasAccess::MappingOf(*this).Length(pen_.Width());
    FillWithBrush(*this, brush_, {r.Left + w, r.Top + w, r.Right - w, r.Bottom - w});
    if (styled) {
      // The border's centre line, inside the rectangle.
      const int32_t in = w / 2, l = r.Left + in, t = r.Top + in, rr = r.Right - 1 - (w - 1 - in),
                    b = r.Bottom - 1 - (w - 1 - in);
      Stroke(*this, {{l, t}, {rr, t}, {rr, b}, {l, b}}, true);
    } else {
      for (int32_t i = 0; i < w; ++i)
        FrameSolid(target_.get(), state_.clip, {r.Left + i, r.Top + i, r.Right - i, r.Bottom - i}, pen_.Color());
    }
  }
  if (OnChange) OnChange(*this);
}

void TCanvas::Ellipse(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  RequireState();
  const TRect r = CanvasAccess::MappingOf(*this).Map(TRect{x1, y1, x2, y2});
  if (r.Width() < 1 || r.Height() < 1) return;
  const int32_t w = CanvasAccess::MappingOf(*this).Length(pen_.Width());
  PaintOn(target_.get(), state_.clip, [&](QPainter& p) {
    p.setBrush(brush_.Style() == bsClear ? QBrush(Qt::NoBrush) : QBrush(ToQColor(brush_.Color())));
    QRectF shape(r.Left, r.Top, r.Width() - 1, r.Height() - 1);
    if (pen_.Style() == psClear) {
      p.setPen(Qt::NoPen);
    } else if (w > 1) {
      p.setPen(GeometricPen(pen_, w));
      if (pen_.Style() == psInsideFrame) shape.adjust(w / 2.0, w / 2.0, -w / 2.0, -w / 2.0);
    } else {
      p.setPen(QPen(ToQColor(pen_.Color()), 0));
    }
    p.drawEllipse(shape);
  });
  if (OnChange) OnChange(*this);
}

void TCanvas::Polygon(const std::vector<TPoint>& points) {
  RequireState();
  if (points.empty()) return;
  const Mapping m = CanvasAccess::MappingOf(*this);
  std::vector<TPoint> device;
  QPolygon polygon;
  for (const auto& pt : points) {
    device.push_back(m.Map(pt));
    polygon << QPoint(device.back().X, device.back().Y);
  }
  if (brush_.Style() != bsClear) {
    if (!target_) NoDrawing();
    for (const QRect& r : QRegion(polygon, Qt::OddEvenFill))
      FillWithBrush(*this, brush_, {r.left(), r.top(), r.right() + 1, r.bottom() + 1});
  }
  Stroke(*this, device, true);
  if (OnChange) OnChange(*this);
}

void TCanvas::DrawFocusRect(const TRect& logical) {
  RequireState();
  if (!target_) NoDrawing();
  const TRect r = CanvasAccess::MappingOf(*this).Map(logical);
  if (IsRectEmpty(r)) return;
  // The frame's dots: every other pixel, by the parity of x + y.
  auto forEachDot = [&](auto dot) {
    auto at = [&](int32_t x, int32_t y) {
      if (!((x + y) & 1)) dot(x, y);
    };
    for (int32_t x = r.Left; x < r.Right; ++x) {
      at(x, r.Top);
      if (r.Bottom - 1 > r.Top) at(x, r.Bottom - 1);
    }
    for (int32_t y = r.Top + 1; y < r.Bottom - 1; ++y) {
      at(r.Left, y);
      if (r.Right - 1 > r.Left) at(r.Right - 1, y);
    }
  };
  PixelSurface surface(target_.get());
  if (!surface.Valid()) {
    QPolygon dots;
    forEachDot([&](int32_t x, int32_t y) { dots << QPoint(x, y); });
    PaintOn(target_.get(), state_.clip, [&](QPainter& p) {
      if (!HasRasterOps(p)) return;
      p.setCompositionMode(QPainter::RasterOp_NotDestination);
      p.setPen(Qt::black);
      p.drawPoints(dots);
    });
    return;
  }
  QRegion region(0, 0, surface.Width(), surface.Height());
  if (state_.clip) region = region.intersected(state_.clip.data()->region);
  forEachDot([&](int32_t x, int32_t y) {
    if (!region.contains(QPoint(x, y))) return;
    if (surface.Mono())
      surface.SetBit(x, y, surface.GetBit(x, y) ^ 1);
    else
      surface.Set(x, y, ~surface.Get(x, y) & 0xFFFFFF);
  });
}

TColor TCanvas::Pixels(int32_t x, int32_t y) const {
  const TPoint d = CanvasAccess::MappingOf(*this).Map(TPoint{x, y});
  if (!target_ || d.X < 0 || d.Y < 0 || d.X >= target_->Width() || d.Y >= target_->Height()) return clNone;
  PixelSurface surface(target_.get());
  if (!surface.Valid()) return clNone;
  return surface.Get(d.X, d.Y);
}

void TCanvas::SetPixel(int32_t x, int32_t y, TColor color) {
  RequireState();
  if (!target_) NoDrawing();
  const TPoint d = CanvasAccess::MappingOf(*this).Map(TPoint{x, y});
  if (d.X < 0 || d.Y < 0 || d.X >= target_->Width() || d.Y >= target_->Height()) return;
  if (state_.clip && !state_.clip.data()->region.contains(QPoint(d.X, d.Y))) return;
  PixelSurface surface(target_.get());
  if (surface.Valid()) surface.Set(d.X, d.Y, ColorToDrawRGB(color));
}

// ---- 3-D edges ----

// One ring of 1 logical unit along the given sides of r: top and left in topLeft, bottom and right in bottomRight
// (which owns the top-right and bottom-left corners).
static void DrawRing(TCanvas& canvas, const TRect& r, uint32_t sides, TColor topLeft, TColor bottomRight) {
  if (IsRectEmpty(r)) return;
  const Mapping m = CanvasAccess::MappingOf(canvas);
  const HRGN& clip = CanvasAccess::State(canvas).clip;
  auto fill = [&](const TRect& part, TColor color) { FillSolid(canvas.Target(), clip, m.Map(part), color); };
  if (sides & BF_TOP) fill({r.Left, r.Top, r.Right - 1, r.Top + 1}, topLeft);
  if (sides & BF_LEFT) fill({r.Left, r.Top, r.Left + 1, r.Bottom - 1}, topLeft);
  if (sides & BF_BOTTOM) fill({r.Left, r.Bottom - 1, r.Right, r.Bottom}, bottomRight);
  if (sides & BF_RIGHT) fill({r.Right - 1, r.Top, r.Right, r.Bottom}, bottomRight);
}

// Moves the flagged sides of r inwards by one unit.
static void InsetSides(TRect& r, uint32_t sides) {
  if (sides & BF_LEFT) ++r.Left;
  if (sides & BF_TOP) ++r.Top;
  if (sides & BF_RIGHT) --r.Right;
  if (sides & BF_BOTTOM) --r.Bottom;
}

bool DrawEdge(TCanvas& canvas, TRect& r, uint32_t edge, uint32_t flags) {
  if (!canvas.Target()) return false;
  const uint32_t sides = flags & BF_RECT;
  TRect inner = r;
  struct Ring {
    uint32_t raised, sunken;
    TColor raisedTopLeft, raisedBottomRight, sunkenTopLeft, sunkenBottomRight;
  };
  const Ring rings[2] = {
      {BDR_RAISEDOUTER, BDR_SUNKENOUTER, cl3DLight, cl3DDkShadow, clBtnShadow, clBtnHighlight},
      {BDR_RAISEDINNER, BDR_SUNKENINNER, clBtnHighlight, clBtnShadow, cl3DDkShadow, cl3DLight},
  };
  for (int i = 0; i < 2; ++i) {
    const Ring& ring = rings[i];
    if (!(edge & (ring.raised | ring.sunken))) continue;
    TColor tl, br;
    if (flags & BF_MONO) {
      tl = br = i == 0 ? clWindowFrame : clWindow;
    } else if (flags & BF_FLAT) {
      tl = br = i == 0 ? clBtnShadow : clBtnFace;
    } else {
      const bool raised = edge & ring.raised;
      tl = raised ? ring.raisedTopLeft : ring.sunkenTopLeft;
      br = raised ? ring.raisedBottomRight : ring.sunkenBottomRight;
      // Soft edges exchange the top-left colours of the two rings.
      if (flags & BF_SOFT) tl = raised ? rings[1 - i].raisedTopLeft : rings[1 - i].sunkenTopLeft;
    }
    DrawRing(canvas, inner, sides, tl, br);
    InsetSides(inner, sides);
  }
  if ((flags & BF_MIDDLE) && !IsRectEmpty(inner))
    FillSolid(canvas.Target(), CanvasAccess::State(canvas).clip, CanvasAccess::MappingOf(canvas).Map(inner),
              (flags & BF_MONO) ? clWindow : clBtnFace);
  if (flags & BF_ADJUST) r = inner;
  if (canvas.OnChange) canvas.OnChange(canvas);
  return true;
}

void Frame3D(TCanvas& canvas, TRect& rect, TColor topColor, TColor bottomColor, int32_t width) {
  if (!canvas.Target()) NoDrawing();
  for (int32_t i = 0; i < width; ++i) {
    DrawRing(canvas, rect, BF_RECT, topColor, bottomColor);
    InflateRect(rect, -1, -1);
  }
  if (canvas.OnChange) canvas.OnChange(canvas);
}

// ---- regions ----

// The region in device pixels.
static QRegion DeviceRegion(const TCanvas& canvas, const HRGN& region) {
  const Mapping m = CanvasAccess::MappingOf(canvas);
  return m.Identity() ? RegionOf(region) : m.Transform().map(RegionOf(region));
}

static void FillRegionRects(TCanvas& canvas, const QRegion& region, const TBrush& brush) {
  for (const QRect& r : region) FillWithBrush(canvas, brush, {r.left(), r.top(), r.right() + 1, r.bottom() + 1});
  if (canvas.OnChange) canvas.OnChange(canvas);
}

bool FillRgn(TCanvas& canvas, const HRGN& region, const TBrush& brush) {
  if (!canvas.Target() || !region) return false;
  FillRegionRects(canvas, DeviceRegion(canvas, region), brush);
  return true;
}

bool FrameRgn(TCanvas& canvas, const HRGN& region, const TBrush& brush, int32_t width, int32_t height) {
  if (!canvas.Target() || !region || width < 1 || height < 1) return false;
  const Mapping m = CanvasAccess::MappingOf(canvas);
  const QRegion whole = DeviceRegion(canvas, region);
  const int32_t w = m.Length(width);
  const int32_t h = std::max(1, std::abs(m.Y(height) - m.Y(0)));
  // The inside: pixels whose neighbours up to w across and h down and up all lie in the region.
  QRegion across = whole;
  for (int32_t d = 1; d <= w; ++d)
    across = across.intersected(whole.translated(d, 0)).intersected(whole.translated(-d, 0));
  QRegion inside = across;
  for (int32_t d = 1; d <= h; ++d)
    inside = inside.intersected(across.translated(0, d)).intersected(across.translated(0, -d));
  FillRegionRects(canvas, whole.subtracted(inside), brush);
  return true;
}

}  // namespace pf
