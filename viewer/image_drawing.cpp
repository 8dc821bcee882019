// Drawing pictures: masked bitmaps on screen, bitmaps through DIBs for printers, GDI+ pictures blended; background
// pictures tiled.
#include <algorithm>
#include <vector>

#include "platform/core/mathutil.h"
#include "platform/graphics/palette.h"
#include "viewer/animated_images.h"
#include "viewer/image_cache.h"
#include "viewer/screen_palette.h"

namespace viewer {

void StretchDrawMasked(pf::TCanvas& canvas, int32_t x, int32_t y, int32_t w, int32_t h, pf::TBitmap& image,
                       pf::TBitmap& mask) {
  pf::DrawMasked(canvas, pf::Rect(x, y, x + w, y + h), image, pf::Rect(0, 0, image.Width(), image.Height()), mask);
}

void StretchDrawDib(pf::TCanvas& canvas, int32_t x, int32_t y, int32_t w, int32_t h, const pf::TBitmap& bitmap) {
  const pf::HPALETTE old = pf::SelectPalette(canvas, SharedPalette(), false);
  pf::RealizePalette(canvas);
  TDib(bitmap).DrawDib(canvas, x, y, w, h, pf::SRCCOPY);
  pf::SelectPalette(canvas, old, false);
}

namespace {

// The union of the regions, merged in pairs so that many small regions cost little.
pf::HRGN UnionOf(std::vector<pf::HRGN> regions) {
  if (regions.empty()) return pf::CreateRectRgn(0, 0, 0, 0);
  while (regions.size() > 1) {
    std::vector<pf::HRGN> merged;
    for (size_t i = 0; i + 1 < regions.size(); i += 2) {
      pf::HRGN both;
      pf::CombineRgn(both, regions[i], regions[i + 1], pf::RGN_OR);
      merged.push_back(both);
    }
    if (regions.size() % 2 == 1) merged.push_back(regions.back());
    regions = std::move(merged);
  }
  return regions.front();
}

// The runs of pixels other than color, each row's run mapped onto the device rectangle dest.
pf::HRGN RunsToRegion(const pf::TBitmap& bitmap, pf::TColor color, const pf::TRect& dest) {
  const int32_t bw = bitmap.Width(), bh = bitmap.Height();
  auto mapX = [&](int32_t x) { return dest.Left + pf::MulDiv(x, dest.Width(), bw); };
  auto mapY = [&](int32_t y) { return dest.Top + pf::MulDiv(y, dest.Height(), bh); };
  color = pf::ColorToRGB(color);
  std::vector<pf::HRGN> runs;
  for (int32_t y = 0; y < bh; ++y) {
    for (int32_t x = 0; x < bw;) {
      if (bitmap.GetPixel(x, y) == color) {
        ++x;
        continue;
      }
      const int32_t start = x;
      while (x < bw && bitmap.GetPixel(x, y) != color) ++x;
      runs.push_back(pf::CreateRectRgn(mapX(start), mapY(y), mapX(x), mapY(y + 1)));
    }
  }
  return UnionOf(std::move(runs));
}

}  // namespace

pf::HRGN BitmapToRegion(const pf::TBitmap& bitmap, pf::TColor transparentColor) {
  return RunsToRegion(bitmap, transparentColor, pf::Rect(0, 0, bitmap.Width(), bitmap.Height()));
}

void StretchDrawDibMasked(pf::TCanvas& canvas, int32_t x, int32_t y, int32_t w, int32_t h, const pf::TBitmap& bitmap,
                          const pf::TBitmap& mask) {
  if (mask.Empty() || w <= 0 || h <= 0) return;
  pf::TPoint corners[2] = {{x, y}, {x + w, y + h}};
  canvas.LPtoDP(corners, 2);
  pf::HRGN opaque = RunsToRegion(mask, pf::clWhite, pf::Rect(corners[0].X, corners[0].Y, corners[1].X, corners[1].Y));
  const pf::HRGN old = canvas.GetClipRgn();
  if (old) pf::CombineRgn(opaque, opaque, old, pf::RGN_AND);
  canvas.SelectClipRgn(opaque);
  StretchDrawDib(canvas, x, y, w, h, bitmap);
  canvas.SelectClipRgn(old);
}

// ---- GDI+ pictures ----

void PaintGpImage(pf::TCanvas& canvas, int32_t x, int32_t y, pf::TGpImage& image) {
  pf::TGpGraphics(canvas).DrawImageAt(image, x, y);
}

void PaintGpImagePart(pf::TCanvas& canvas, int32_t x, int32_t y, pf::TGpImage& image, const pf::TRect& source) {
  pf::TGpGraphics(canvas).DrawImagePart(image, float(x), float(y), float(source.Left), float(source.Top),
                                        float(source.Width()), float(source.Height()));
}

void PaintGpImageStretched(pf::TCanvas& canvas, int32_t x, int32_t y, int32_t w, int32_t h, pf::TGpImage& image) {
  pf::TGpGraphics(canvas).DrawImage(image, x, y, w, h);
}

void PaintGpImageScaled(pf::TCanvas& canvas, int32_t x, int32_t y, pf::TGpImage& image, float scaleX, float scaleY) {
  pf::TGpGraphics graphics(canvas);
  graphics.ScaleTransform(scaleX, scaleY);
  graphics.DrawImageAt(image, x, y);
}

void PaintGpImageStretchedScaled(pf::TCanvas& canvas, int32_t x, int32_t y, int32_t w, int32_t h, pf::TGpImage& image,
                                 float scaleX, float scaleY) {
  pf::TGpGraphics graphics(canvas);
  graphics.ScaleTransform(scaleX, scaleY);
  graphics.DrawImage(image, x, y, w, h);
}

void PaintGpImageOnBackground(pf::TCanvas& canvas, int32_t x, int32_t y, int32_t w, int32_t h, pf::TGpImage& image,
                              pf::TColor background) {
  pf::TBitmap composed(image.GetWidth(), image.GetHeight());
  composed.Canvas().Brush().SetColor(background);
  composed.Canvas().FillRect(pf::Rect(0, 0, composed.Width(), composed.Height()));
  pf::TGpGraphics(composed.Canvas()).DrawImageAt(image, 0, 0);
  canvas.StretchDraw(pf::Rect(x, y, x + w, y + h), composed);
}

// ---- any picture ----

void DrawPicture(pf::TCanvas& canvas, const TImageRef& image, pf::TBitmap* mask, int32_t x, int32_t y, int32_t w,
                 int32_t h, bool printing, float scaleX, float scaleY) {
  if (w <= 0 || h <= 0) return;
  if (auto* b = std::get_if<pf::TBitmap*>(&image)) {
    pf::TBitmap& bitmap = **b;
    if (printing && mask)
      StretchDrawDibMasked(canvas, x, y, w, h, bitmap, *mask);
    else if (printing)
      StretchDrawDib(canvas, x, y, w, h, bitmap);
    else if (mask)
      StretchDrawMasked(canvas, x, y, w, h, bitmap, *mask);
    else
      canvas.StretchDraw(pf::Rect(x, y, x + w, y + h), bitmap);
  } else if (auto* g = std::get_if<pf::TGpImage*>(&image)) {
    if (printing)
      PaintGpImageStretchedScaled(canvas, x, y, w, h, **g, scaleX, scaleY);
    else
      PaintGpImageStretched(canvas, x, y, w, h, **g);
  } else if (auto* a = std::get_if<TgfAnimatedImage*>(&image)) {
    (*a)->ShowIt = true;
    (*a)->Draw(canvas, x, y, w, h);
  }
}

// ---- background pictures ----

namespace {

// Where a background picture's first tile starts on an axis of an area starting at areaStart (before repeating).
int32_t TileStart(const TBackgroundPosition::Axis& axis, int32_t imageSize, int32_t areaStart, int32_t areaSize) {
  switch (axis.PosType) {
    case bpTop:
    case bpLeft:
      return areaStart;
    case bpCenter:
      return areaStart + areaSize / 2 - imageSize / 2;
    case bpBottom:
    case bpRight:
      return areaStart + areaSize - imageSize;
    case bpPercent:
      // A percentage far beyond 100 puts the picture far outside the area; the start is held where sums of it stay
      // within 32 bits.
      return BoundExtent(areaStart + int64_t{areaSize - imageSize} * axis.Value / 100);
    default:
      return areaStart + axis.Value;
  }
}

// The tiles of one axis that meet [clipStart, clipEnd): the first start and the count.
void TileRange(int32_t start, int32_t size, bool repeat, int32_t clipStart, int32_t clipEnd, int32_t& first,
               int32_t& count) {
  if (size <= 0) {
    count = 0;
    return;
  }
  if (!repeat) {
    first = start;
    count = start < clipEnd && start + size > clipStart ? 1 : 0;
    return;
  }
  // The last position at or before the clip's start that lies a whole number of tiles from start.
  int32_t shift = (clipStart - start) / size;
  if ((clipStart - start) % size < 0) --shift;
  first = start + shift * size;
  count = (clipEnd - first + size - 1) / size;
}

}  // namespace

void DrawBackgroundPicture(pf::TCanvas& canvas, const pf::TRect& clip, const TImageRef& image, pf::TBitmap* mask,
                           const TBackgroundPosition& position, const pf::TRect& area, const pf::TRect& view,
                           bool printing, float scaleX, float scaleY) {
  if (IsEmpty(image)) return;
  const int32_t iw = QueryImageWidth(image), ih = QueryImageHeight(image);
  const pf::TRect& across = position.Horizontal.Fixed ? view : area;
  const pf::TRect& down = position.Vertical.Fixed ? view : area;
  int32_t x0 = TileStart(position.Horizontal, iw, across.Left, across.Width());
  int32_t y0 = TileStart(position.Vertical, ih, down.Top, down.Height());
  // A picture one pixel wide or high is stretched over the clip in that direction, so that few tiles are drawn.
  int32_t tw = iw, th = ih;
  if (iw == 1 && position.Horizontal.Repeat) x0 = clip.Left, tw = clip.Width();
  if (ih == 1 && position.Vertical.Repeat) y0 = clip.Top, th = clip.Height();
  int32_t firstX = 0, countX = 0, firstY = 0, countY = 0;
  TileRange(x0, tw, position.Horizontal.Repeat, clip.Left, clip.Right, firstX, countX);
  TileRange(y0, th, position.Vertical.Repeat, clip.Top, clip.Bottom, firstY, countY);
  for (int32_t j = 0; j < countY; ++j)
    for (int32_t i = 0; i < countX; ++i)
      DrawPicture(canvas, image, mask, firstX + i * tw, firstY + j * th, tw, th, printing, scaleX, scaleY);
}

}  // namespace viewer
