#include "viewer/borders.h"

#include <algorithm>

#include "platform/core/mathutil.h"

namespace viewer {

TBorderStyleSides MakeBorderStyles(uint8_t left, uint8_t top, uint8_t right, uint8_t bottom) {
  return TBorderStyleSides(left) | TBorderStyleSides(top) << 8 | TBorderStyleSides(right) << 16 |
         TBorderStyleSides(bottom) << 24;
}

TBorderColors MakeBorderColors(pf::TColor left, pf::TColor top, pf::TColor right, pf::TColor bottom) {
  return {left, top, right, bottom};
}

// ---- unit set-up ----

namespace {

struct SharedState {
  int users = 0;
  std::unique_ptr<pf::TBitmap> defBitmap, errorBitmap, errorMask;
  std::unique_ptr<pf::TMemoryStream> waitStream;
};

SharedState& State() {
  static SharedState state;
  return state;
}

// The placeholder pictures, drawn here: '.' is outside the picture, '#' its outline, 'w' the page, 'x' the red
// cross of a picture that failed, 'b' the lines of one still to come.
constexpr int kPictureSize = 16;
constexpr const char* kErrorPicture[kPictureSize] = {
    "..#########.....", "..#wwwwwww##....", "..#wwwwwww#w#...", "..#wwwwwww####..",
    "..#xwwwwwwwxww#.", "..#wxwwwwwxwww#.", "..#wwxwwwxwwww#.", "..#wwwxwxwwwww#.",
    "..#wwwwxwwwwww#.", "..#wwwxwxwwwww#.", "..#wwxwwwxwwww#.", "..#wxwwwwwxwww#.",
    "..#xwwwwwwwxww#.", "..#wwwwwwwwwww#.", "..#############.", "................"};
constexpr const char* kWaitPicture[kPictureSize] = {
    "..#########.....", "..#wwwwwww##....", "..#wwwwwww#w#...", "..#wwwwwww####..",
    "..#wwwwwwwwwww#.", "..#wbbbbbbbbww#.", "..#wwwwwwwwwww#.", "..#wbbbbbbbwww#.",
    "..#wwwwwwwwwww#.", "..#wbbbbbbbbbw#.", "..#wwwwwwwwwww#.", "..#wbbbbbwwwww#.",
    "..#wwwwwwwwwww#.", "..#wwwwwwwwwww#.", "..#############.", "................"};
constexpr std::pair<char, pf::TColor> kInks[] = {
    {'#', pf::clGray}, {'w', pf::clWhite}, {'x', pf::clRed}, {'b', pf::clNavy}};
constexpr pf::TColor kOutsideColor = pf::clFuchsia;

std::unique_ptr<pf::TBitmap> DrawPicture(const char* const rows[kPictureSize], pf::TColor outside) {
  auto bitmap = std::make_unique<pf::TBitmap>(kPictureSize, kPictureSize, pf::pf24bit);
  for (int y = 0; y < kPictureSize; ++y) {
    for (int x = 0; x < kPictureSize; ++x) {
      pf::TColor color = outside;
      for (auto [mark, ink] : kInks)
        if (rows[y][x] == mark) color = ink;
      bitmap->SetPixel(x, y, color);
    }
  }
  return bitmap;
}

}  // namespace

void InitializeViewerShared() {
  SharedState& s = State();
  if (s.users++ > 0) return;
  s.defBitmap = DrawPicture(kWaitPicture, pf::clWhite);
  s.errorBitmap = DrawPicture(kErrorPicture, kOutsideColor);
  s.errorMask = s.errorBitmap->CreateMask(kOutsideColor);
  s.waitStream = std::make_unique<pf::TMemoryStream>();
}

void FinalizeViewerShared() {
  SharedState& s = State();
  if (s.users == 0 || --s.users > 0) return;
  FreeSharedResources();
}

pf::TColor PaletteColorFlag() { return ScreenColorDepth() <= 8 ? pf::PaletteColorFlag : 0; }
pf::TBitmap* DefBitmap() { return State().defBitmap.get(); }
pf::TBitmap* ErrorBitmap() { return State().errorBitmap.get(); }
pf::TBitmap* ErrorBitmapMask() { return State().errorMask.get(); }
pf::TMemoryStream* ImageWaitStream() { return State().waitStream.get(); }

void FreeSharedResources() {
  SharedState& s = State();
  s.defBitmap.reset();
  s.errorBitmap.reset();
  s.errorMask.reset();
  s.waitStream.reset();
}

// ---- drawing ----

namespace {

constexpr int32_t kClipLow = -200;
constexpr int32_t kClipHigh = 5000;

int32_t ClampCoord(int32_t v) { return std::clamp(v, kClipLow, kClipHigh); }

pf::TRect ClampRect(const pf::TRect& r) {
  return {ClampCoord(r.Left), ClampCoord(r.Top), ClampCoord(r.Right), ClampCoord(r.Bottom)};
}

// The quadrilateral of one side in the ring between outer and inner, corners clockwise from the outer start.
std::array<pf::TPoint, 4> SideCorners(const pf::TRect& o, const pf::TRect& i, TBorderSide side) {
  switch (side) {
    case bsLeft:
      return {{{o.Left, o.Top}, {i.Left, i.Top}, {i.Left, i.Bottom}, {o.Left, o.Bottom}}};
    case bsTop:
      return {{{o.Left, o.Top}, {o.Right, o.Top}, {i.Right, i.Top}, {i.Left, i.Top}}};
    case bsRight:
      return {{{o.Right, o.Top}, {o.Right, o.Bottom}, {i.Right, i.Bottom}, {i.Right, i.Top}}};
    case bsBottom:
      return {{{o.Left, o.Bottom}, {i.Left, i.Bottom}, {i.Right, i.Bottom}, {o.Right, o.Bottom}}};
  }
  return {};
}

int32_t SideWidth(const pf::TRect& o, const pf::TRect& i, TBorderSide side) {
  switch (side) {
    case bsLeft:
      return i.Left - o.Left;
    case bsTop:
      return i.Top - o.Top;
    case bsRight:
      return o.Right - i.Right;
    case bsBottom:
      return o.Bottom - i.Bottom;
  }
  return 0;
}

// r moved inwards by the amounts of each side.
pf::TRect Inset(const pf::TRect& r, const std::array<int32_t, 4>& by) {
  return {r.Left + by[bsLeft], r.Top + by[bsTop], r.Right - by[bsRight], r.Bottom - by[bsBottom]};
}

void DrawBand(pf::TCanvas& canvas, const pf::TRect& outer, const pf::TRect& inner, TBorderSide side, pf::TColor color) {
  const int32_t width = SideWidth(outer, inner, side);
  if (width > 0) DrawBorderSide(canvas, SideCorners(outer, inner, side), color, width == 1, side);
}

// Dashes and dots along the middle of the side with a pen as wide as the side.
void DrawBrokenSide(pf::TCanvas& canvas, const pf::TRect& o, int32_t width, TBorderSide side, pf::TColor color,
                    pf::TPenStyle style) {
  canvas.Pen().SetColor(color);
  canvas.Pen().SetStyle(style);
  canvas.Pen().SetWidth(width);
  const int32_t half = width / 2;
  switch (side) {
    case bsLeft:
      canvas.MoveTo(o.Left + half, o.Top), canvas.LineTo(o.Left + half, o.Bottom);
      break;
    case bsTop:
      canvas.MoveTo(o.Left, o.Top + half), canvas.LineTo(o.Right, o.Top + half);
      break;
    case bsRight:
      canvas.MoveTo(o.Right - 1 - half, o.Top), canvas.LineTo(o.Right - 1 - half, o.Bottom);
      break;
    case bsBottom:
      canvas.MoveTo(o.Left, o.Bottom - 1 - half), canvas.LineTo(o.Right, o.Bottom - 1 - half);
      break;
  }
}

bool LeavesGaps(uint8_t style) { return style == bssDashed || style == bssDotted || style == bssDouble; }

// Inset and groove look sunken: their top and left (of the outer half) in the dimmed colour; outset and ridge
// raised.
bool DimmedSide(bool sunken, TBorderSide side) { return sunken == (side == bsLeft || side == bsTop); }

}  // namespace

bool IsMonochromeDevice(pf::TCanvas& canvas) {
  return canvas.GetDeviceCaps(pf::BITSPIXEL) == 1 && canvas.GetDeviceCaps(pf::PLANES) == 1;
}

ToolsSaver::ToolsSaver(pf::TCanvas& canvas) : canvas_(canvas) {
  brush_.Assign(canvas.Brush());
  pen_.Assign(canvas.Pen());
}

ToolsSaver::~ToolsSaver() {
  canvas_.Brush().Assign(brush_);
  canvas_.Pen().Assign(pen_);
}

void FillRectWithColor(pf::TCanvas& canvas, int32_t left, int32_t top, int32_t right, int32_t bottom,
                       pf::TColor color) {
  ToolsSaver saver(canvas);
  canvas.Brush().SetColor(color);
  canvas.FillRect({left, top, right, bottom});
}

void DrawControlFrame(pf::TCanvas& canvas, int32_t left, int32_t top, int32_t right, int32_t bottom, pf::TColor color,
                      bool disabled, bool monoBlack, bool raised) {
  ToolsSaver saver(canvas);
  const bool mono = IsMonochromeDevice(canvas);
  canvas.Brush().SetColor(disabled && !mono ? pf::clBtnFace : color);
  pf::TRect r{left, top, right, bottom};
  canvas.FillRect(r);
  if (monoBlack && mono) {
    canvas.Brush().SetColor(pf::clBlack);
    canvas.FrameRect(r);
  } else {
    const pf::TColor shadow = pf::clBtnShadow, lit = pf::clSilver;
    pf::Frame3D(canvas, r, raised ? lit : shadow, raised ? shadow : lit, 2);
  }
}

void DrawThinBevel(pf::TCanvas& canvas, int32_t left, int32_t top, int32_t right, int32_t bottom, bool raised,
                   pf::TColor light, pf::TColor dark) {
  pf::TRect r{left, ClampCoord(top), right, ClampCoord(bottom)};
  pf::Frame3D(canvas, r, raised ? light : dark, raised ? dark : light, 1);
}

void DrawBevel(pf::TCanvas& canvas, const pf::TRect& r, int32_t width, bool raised, pf::TColor light, pf::TColor dark) {
  if (width == 1) {
    DrawThinBevel(canvas, r.Left, r.Top, r.Right, r.Bottom, raised, light, dark);
    return;
  }
  const pf::TColor upper = raised ? light : dark, lower = raised ? dark : light;
  const pf::TRect inner{r.Left + width, r.Top + width, r.Right - width, r.Bottom - width};
  DrawBoxBorder(canvas, r, inner, MakeBorderColors(upper, upper, lower, lower), pf::clNone,
                MakeBorderStyles(bssSolid, bssSolid, bssSolid, bssSolid));
}

void DrawBevelForDocument(const IDocumentRoot& document, pf::TCanvas& canvas, const pf::TRect& r, int32_t width,
                          bool raised) {
  const bool whitePage = pf::ColorToDrawRGB(document.BackgroundColor()) == pf::clWhite;
  pf::TColor light = whitePage || document.IsPrinting() ? pf::clSilver : pf::clBtnHighlight;
  pf::TColor dark = pf::clBtnShadow;
  if (document.IsPrinting() && document.PrintMonoBlack() && IsMonochromeDevice(canvas)) light = dark = pf::clBlack;
  DrawBevel(canvas, r, width, raised, light, dark);
}

pf::TColor DimColor(pf::TColor color) {
  const pf::TColor rgb = pf::ColorToDrawRGB(color);
  auto dim = [](uint8_t c) { return static_cast<uint8_t>(pf::Round(c * 0.75)); };
  return pf::RGB(dim(pf::GetRValue(rgb)), dim(pf::GetGValue(rgb)), dim(pf::GetBValue(rgb)));
}

void DrawBorderSide(pf::TCanvas& canvas, const std::array<pf::TPoint, 4>& corners, pf::TColor color, bool thin,
                    TBorderSide side) {
  if (!thin) {
    pf::TBrush brush;
    brush.SetColor(color);
    pf::FillRgn(canvas, pf::CreatePolygonRgn(corners.data(), 4, pf::WINDING), brush);
    return;
  }
  // The outer edge: the first corner and the last (left, bottom) or second (top, right); the right and bottom
  // edges lie one pixel inside the excluded coordinate.
  constexpr int kEnd[4] = {3, 1, 1, 3};
  const pf::TPoint from = corners[0], to = corners[static_cast<size_t>(kEnd[side])];
  const int32_t dx = side == bsRight ? -1 : 0, dy = side == bsBottom ? -1 : 0;
  ToolsSaver saver(canvas);
  canvas.Pen().SetColor(color);
  canvas.Pen().SetStyle(pf::psSolid);
  canvas.Pen().SetWidth(1);
  canvas.MoveTo(from.X + dx, from.Y + dy);
  canvas.LineTo(to.X + dx, to.Y + dy);
}

void DrawBoxBorder(pf::TCanvas& canvas, const pf::TRect& outerBox, const pf::TRect& innerBox,
                   const TBorderColors& colors, pf::TColor fill, TBorderStyleSides styles) {
  ToolsSaver saver(canvas);
  const pf::TRect outer = ClampRect(outerBox), inner = ClampRect(innerBox);
  constexpr TBorderSide kSides[] = {bsLeft, bsTop, bsRight, bsBottom};
  std::array<int32_t, 4> widths{}, halves{}, thirds{};
  for (TBorderSide side : kSides) {
    const int32_t w = std::max(0, SideWidth(outer, inner, side));
    widths[side] = w;
    halves[side] = w / 2;
    thirds[side] = w / 3 + (w % 3 == 2 ? 1 : 0);
  }
  if (fill != pf::clNone)
    for (TBorderSide side : kSides)
      if (LeavesGaps(BorderStyleOf(styles, side))) DrawBand(canvas, outer, inner, side, fill);

  const pf::TRect middle = Inset(outer, halves);
  const pf::TRect outerLine = Inset(outer, thirds);
  std::array<int32_t, 4> outwards{};
  for (TBorderSide side : kSides) outwards[side] = -thirds[side];
  const pf::TRect innerLine = Inset(inner, outwards);
  for (TBorderSide side : kSides) {
    const uint8_t style = BorderStyleOf(styles, side);
    const pf::TColor color = colors[side];
    if (widths[side] == 0) continue;
    switch (style) {
      case bssSolid:
        DrawBand(canvas, outer, inner, side, color);
        break;
      case bssInset:
      case bssOutset:
        DrawBand(canvas, outer, inner, side, DimmedSide(style == bssInset, side) ? DimColor(color) : color);
        break;
      case bssGroove:
      case bssRidge: {
        const bool sunken = style == bssGroove;
        DrawBand(canvas, outer, middle, side, DimmedSide(sunken, side) ? DimColor(color) : color);
        DrawBand(canvas, middle, inner, side, DimmedSide(!sunken, side) ? DimColor(color) : color);
        break;
      }
      case bssDouble:
        DrawBand(canvas, outer, outerLine, side, color);
        DrawBand(canvas, innerLine, inner, side, color);
        break;
      case bssDashed:
      case bssDotted:
        DrawBrokenSide(canvas, outer, widths[side], side, color, style == bssDashed ? pf::psDash : pf::psDot);
        break;
      default:
        break;
    }
  }
}

void ClipToRect(pf::TCanvas& canvas, const pf::TRect& r, pf::HRGN& oldRegion, pf::HRGN& newRegion) {
  oldRegion = canvas.GetClipRgn();
  pf::TPoint corners[2] = {r.TopLeft(), r.BottomRight()};
  canvas.LPtoDP(corners, 2);
  newRegion = pf::CreateRectRgn(corners[0].X, corners[0].Y, corners[1].X, corners[1].Y);
  if (oldRegion) pf::CombineRgn(newRegion, newRegion, oldRegion, pf::RGN_AND);
  canvas.SelectClipRgn(newRegion);
}

}  // namespace viewer
