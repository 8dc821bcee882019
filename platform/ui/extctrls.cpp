// Panels, images, bevels and shapes.
#include <cmath>

#include "platform/ui/extctrls.h"
#include "platform/ui/host_qt.h"

namespace pf {

namespace {

// Colours of a bevel: a lowered one is dark at the top and left, any other light.
void BevelColors(TPanelBevel bevel, TColor& top, TColor& bottom) {
  top = bevel == bvLowered ? clBtnShadow : clBtnHighlight;
  bottom = bevel == bvLowered ? clBtnHighlight : clBtnShadow;
}

}  // namespace

// ---- TCustomPanel

TCustomPanel::TCustomPanel(TComponent* owner) : TCustomControl(owner) {
  controlStyle_ |= csAcceptsControls;
  SetColor(clBtnFace);
  SetBounds(0, 0, 185, 41);
}

void TCustomPanel::Changed() {
  Realign();
  Invalidate();
}

void TCustomPanel::SetBevelInner(TPanelBevel value) {
  bevelInner_ = value;
  Changed();
}

void TCustomPanel::SetBevelOuter(TPanelBevel value) {
  bevelOuter_ = value;
  Changed();
}

void TCustomPanel::SetBevelWidth(int32_t value) {
  bevelWidth_ = std::max(value, 1);
  Changed();
}

void TCustomPanel::SetBorderWidth(int32_t value) {
  borderWidth_ = std::max(value, 0);
  Changed();
}

void TCustomPanel::SetBorderStyle(TBorderStyle value) {
  borderStyle_ = value == bsSingle ? bsSingle : bsNone;
  Changed();
}

void TCustomPanel::SetAlignment(TAlignment value) {
  alignment_ = value;
  Invalidate();
}

void TCustomPanel::TextChanged() { Invalidate(); }

void TCustomPanel::AdjustClientRect(TRect& rect) const {
  int32_t inset = borderWidth_ + (borderStyle_ == bsSingle ? 1 : 0);
  if (bevelOuter_ != bvNone) inset += bevelWidth_;
  if (bevelInner_ != bvNone) inset += bevelWidth_;
  InflateRect(rect, -inset, -inset);
}

void TCustomPanel::Paint() {
  TCanvas& canvas = Canvas();
  TRect rect = ClientRect();
  TColor top, bottom;
  if (borderStyle_ == bsSingle) Frame3D(canvas, rect, clWindowFrame, clWindowFrame, 1);
  if (bevelOuter_ != bvNone) {
    BevelColors(bevelOuter_, top, bottom);
    Frame3D(canvas, rect, top, bottom, bevelWidth_);
  }
  Frame3D(canvas, rect, Color(), Color(), borderWidth_);
  if (bevelInner_ != bvNone) {
    BevelColors(bevelInner_, top, bottom);
    Frame3D(canvas, rect, top, bottom, bevelWidth_);
  }
  canvas.Brush().SetColor(Color());
  canvas.FillRect(rect);
  // The caption: one line of the font's height in the middle; "&" marks an accelerator.
  canvas.Brush().SetStyle(bsClear);
  canvas.Font().Assign(Font());
  const int32_t fontHeight = canvas.TextHeight("W");
  rect.Top = (rect.Bottom + rect.Top - fontHeight) / 2;
  rect.Bottom = rect.Top + fontHeight;
  static constexpr uint32_t kAlignments[] = {DT_LEFT, DT_RIGHT, DT_CENTER};
  canvas.DrawText(Caption(), rect, DT_EXPANDTABS | DT_VCENTER | kAlignments[alignment_]);
  TCustomControl::Paint();
}

// ---- TImage

TImage::TImage(TComponent* owner) : TGraphicControl(owner) {
  picture_.OnChange = [this](TPersistent&) { PictureChanged(); };
  SetBounds(0, 0, 105, 105);
}

TImage::~TImage() { picture_.OnChange = nullptr; }

void TImage::PictureChanged() {
  if (TGraphic* graphic = picture_.Graphic()) {
    if (graphic->Transparent() != transparent_) graphic->SetTransparent(transparent_);
    if (autoSize_ && graphic->Width() > 0 && graphic->Height() > 0)
      SetBounds(Left(), Top(), graphic->Width(), graphic->Height());
  }
  Invalidate();
}

void TImage::SetStretch(bool value) {
  stretch_ = value;
  Invalidate();
}

void TImage::SetCenter(bool value) {
  center_ = value;
  Invalidate();
}

void TImage::SetTransparent(bool value) {
  transparent_ = value;
  PictureChanged();
}

void TImage::SetAutoSize(bool value) {
  autoSize_ = value;
  PictureChanged();
}

TRect TImage::DestRect() const {
  int32_t w = picture_.Width(), h = picture_.Height();
  const TRect client = ClientRect();
  if (stretch_) w = client.Right, h = client.Bottom;
  TRect r{0, 0, w, h};
  if (center_) OffsetRect(r, (client.Right - w) / 2, (client.Bottom - h) / 2);
  return r;
}

void TImage::Paint() {
  TGraphic* graphic = picture_.Graphic();
  if (graphic != nullptr && !graphic->Empty()) Canvas().StretchDraw(DestRect(), *graphic);
  TGraphicControl::Paint();
}

// ---- TBevel

TBevel::TBevel(TComponent* owner) : TGraphicControl(owner) { SetBounds(0, 0, 50, 50); }

void TBevel::SetShape(TBevelShape value) {
  shape_ = value;
  Invalidate();
}

void TBevel::SetStyle(TBevelStyle value) {
  style_ = value;
  Invalidate();
}

void TBevel::Paint() {
  TCanvas& canvas = Canvas();
  TColor color1 = style_ == bsLowered ? clBtnShadow : clBtnHighlight;
  TColor color2 = style_ == bsLowered ? clBtnHighlight : clBtnShadow;
  const int32_t w = Width(), h = Height();
  canvas.Pen().SetWidth(1);
  auto rect = [&](const TRect& r, TColor c1, TColor c2) {
    canvas.Pen().SetColor(c1);
    canvas.Polyline({{r.Left, r.Bottom}, {r.Left, r.Top}, {r.Right, r.Top}});
    canvas.Pen().SetColor(c2);
    canvas.Polyline({{r.Right, r.Top}, {r.Right, r.Bottom}, {r.Left, r.Bottom}});
  };
  auto line = [&](TColor c, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    canvas.Pen().SetColor(c);
    canvas.MoveTo(x1, y1);
    canvas.LineTo(x2, y2);
  };
  switch (shape_) {
    case bsBox:
      rect({0, 0, w - 1, h - 1}, color1, color2);
      break;
    case bsFrame:
      rect({1, 1, w - 1, h - 1}, color2, color2);
      rect({0, 0, w - 2, h - 2}, color1, color1);
      break;
    case bsTopLine:
      line(color1, 0, 0, w, 0);
      line(color2, 0, 1, w, 1);
      break;
    case bsBottomLine:
      line(color1, 0, h - 2, w, h - 2);
      line(color2, 0, h - 1, w, h - 1);
      break;
    case bsLeftLine:
      line(color1, 0, 0, 0, h);
      line(color2, 1, 0, 1, h);
      break;
    case bsRightLine:
      line(color1, w - 2, 0, w - 2, h);
      line(color2, w - 1, 0, w - 1, h);
      break;
    default:
      break;
  }
  TGraphicControl::Paint();
}

// ---- TShape

TShape::TShape(TComponent* owner) : TGraphicControl(owner) {
  pen_.OnChange = [this](TPen&) { Invalidate(); };
  brush_.OnChange = [this](TBrush&) { Invalidate(); };
  SetBounds(0, 0, 65, 65);
}

void TShape::SetShape(TShapeType value) {
  shape_ = value;
  Invalidate();
}

void TShape::Paint() {
  TCanvas& canvas = Canvas();
  canvas.Pen().Assign(pen_);
  canvas.Brush().Assign(brush_);
  int32_t x = pen_.Width() / 2, y = x;
  int32_t w = Width() - pen_.Width() + 1, h = Height() - pen_.Width() + 1;
  const int32_t s = std::min(w, h);
  if (shape_ == stSquare || shape_ == stRoundSquare || shape_ == stCircle) {
    x += (w - s) / 2;
    y += (h - s) / 2;
    w = h = s;
  }
  switch (shape_) {
    case stRectangle:
    case stSquare:
      canvas.Rectangle(x, y, x + w, y + h);
      break;
    case stEllipse:
    case stCircle:
      canvas.Ellipse(x, y, x + w, y + h);
      break;
    default: {
      // A rectangle with quarter circles of a quarter of the smaller side at its corners.
      const double radius = s / 8.0;
      const double cx[] = {x + w - radius, x + radius, x + radius, x + w - radius};
      const double cy[] = {y + radius, y + radius, y + h - radius, y + h - radius};
      std::vector<TPoint> points;
      for (int corner = 0; corner < 4; ++corner)
        for (int step = 0; step <= 8; ++step) {
          const double angle = (corner * 90 + step * 90 / 8.0) * M_PI / 180;
          points.push_back({static_cast<int32_t>(std::lround(cx[corner] + radius * std::cos(angle))),
                            static_cast<int32_t>(std::lround(cy[corner] - radius * std::sin(angle)))});
        }
      canvas.Polygon(points);
    }
  }
  TGraphicControl::Paint();
}

}  // namespace pf
