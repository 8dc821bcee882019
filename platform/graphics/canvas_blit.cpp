// Blits: every copy, stretch, pattern and masked drawing goes through one routine that combines source, destination
// and brush by a ternary raster operation. Readable surfaces are changed pixel by pixel; surfaces that can only be
// painted get the result composed as images (see Blit).
#include <QPaintEngine>
#include <algorithm>
#include <cstring>
#include <utility>

#include "platform/graphics/canvas_internal_qt.h"

namespace pf {

namespace {

struct BlitSource {
  PixelSurface* surface = nullptr;
  TColor bkColor = clWhite;        // the source's background colour (colour -> mono conversion)
  TAlphaFormat alpha = afIgnored;  // a 32-bit bitmap source with an alpha channel is blended (SRCCOPY)
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

// The brush as the pattern operand of a blit: one value, or a bitmap's pixels tiled from the brush origin (a
// monochrome bitmap's 0 bits in the text colour, 1 bits in the background colour). On a monochrome destination the
// values are all ones or all zeros.
class Pattern {
 public:
  Pattern(const TBrush& brush, TColor textColor, TColor bkColor, TPoint origin, const PixelSurface& dest)
      : origin_(origin) {
    const bool mono = dest.Mono();
    auto value = [&](TColor c) -> uint32_t {
      c = ColorToDrawRGB(c);
      return mono ? (dest.NearestBit(c) ? 0xFFFFFFFFu : 0) : c;
    };
    const TBitmap* b = brush.Bitmap();
    if (brush.Style() == bsClear) return;  // value 0
    if (!b || b->Empty()) {
      solid_ = value(brush.Color());
      return;
    }
    width_ = b->Width(), height_ = b->Height();
    PixelAccess access(const_cast<TBitmap&>(*b));
    for (int32_t y = 0; y < height_; ++y)
      for (int32_t x = 0; x < width_; ++x) {
        const bool monoPattern = b->PixelFormat() == pf1bit;
        TColor c = monoPattern ? (GetRaw(b->ScanLine(y), x, pf1bit) ? bkColor : textColor) : access.Get(x, y);
        tiles_.push_back(value(c));
      }
  }
  uint32_t At(int32_t x, int32_t y) const {
    if (tiles_.empty()) return solid_;
    int32_t px = (x - origin_.X) % width_, py = (y - origin_.Y) % height_;
    if (px < 0) px += width_;
    if (py < 0) py += height_;
    return tiles_[size_t(py) * size_t(width_) + size_t(px)];
  }

 private:
  uint32_t solid_ = 0;
  std::vector<uint32_t> tiles_;
  int32_t width_ = 0, height_ = 0;
  TPoint origin_;
};

// A 32-bit source pixel with its alpha blended over d (premultiplied or straight colour).
TColor BlendOver(uint32_t raw, TAlphaFormat format, TColor d) {
  const uint32_t a = raw >> 24;
  auto channel = [&](int shift, uint32_t dc) {
    const uint32_t s = (raw >> shift) & 0xFF;
    return format == afPremultiplied ? std::min<uint32_t>(255, s + (dc * (255 - a) + 127) / 255)
                                     : (s * a + dc * (255 - a) + 127) / 255;
  };
  return RGB(uint8_t(channel(16, GetRValue(d))), uint8_t(channel(8, GetGValue(d))), uint8_t(channel(0, GetBValue(d))));
}

// The straight-alpha QRgb of a 32-bit source pixel.
QRgb StraightArgb(uint32_t raw, TAlphaFormat format) {
  const uint32_t a = raw >> 24;
  if (format != afPremultiplied || a == 255) return raw;
  if (a == 0) return 0;
  auto un = [&](int shift) { return std::min<uint32_t>(255, (((raw >> shift) & 0xFF) * 255 + a / 2) / a); };
  return qRgba(int(un(16)), int(un(8)), int(un(0)), int(a));
}

// A pixel of a paint-only blit whose result depends on the destination D: D AND andMask XOR xorValue.
struct DependentPixel {
  int32_t x, y;
  uint32_t andMask, xorValue;
};

// Paints a composed blit on a surface that cannot be read: over holds the pixels with a fixed result (opaque) and
// those left alone (transparent); the dependent pixels go through the AND and XOR raster operations where the
// device applies them (raster images and recorded pages), else they are taken against white paper.
void PaintComposed(CanvasTarget* target, const HRGN& clip, const QRect& area, QImage& over,
                   const std::vector<DependentPixel>& dependent) {
  PaintOn(target, clip, [&](QPainter& p) {
    if (!dependent.empty() && !HasRasterOps(p))
      for (const DependentPixel& d : dependent)
        over.setPixel(d.x - area.left(), d.y - area.top(), 0xFF000000u | ToQColor(d.andMask ^ d.xorValue).rgb());
    p.drawImage(area.topLeft(), over);
    if (dependent.empty() || !HasRasterOps(p)) return;
    QImage andImage(area.size(), QImage::Format_RGB32), xorImage(area.size(), QImage::Format_RGB32);
    andImage.fill(Qt::white);
    xorImage.fill(Qt::black);
    for (const DependentPixel& d : dependent) {
      andImage.setPixel(d.x - area.left(), d.y - area.top(), ToQColor(d.andMask).rgb());
      xorImage.setPixel(d.x - area.left(), d.y - area.top(), ToQColor(d.xorValue).rgb());
    }
    p.setCompositionMode(QPainter::RasterOp_SourceAndDestination);
    p.drawImage(area.topLeft(), andImage);
    p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    p.drawImage(area.topLeft(), xorImage);
  });
}

// The core of every blit: the destination and source spans (device pixels), the operation, an optional mask (per
// pixel it chooses rop or mask.backRop) and an optional transparent colour of the source (such pixels leave the
// destination). The canvas's clip, brush, text and background colours take part.
bool Blit(TCanvas& dest, const TBrush& brush, const StretchAxis& ax, const StretchAxis& ay, const BlitSource& src,
          uint32_t rop, const BlitMask* mask, const TColor* transparent) {
  const auto& st = CanvasAccess::State(dest);
  CanvasTarget* target = dest.Target();
  if (!target) return false;
  const TColor textColor = ColorToDrawRGB(st.textColor), bkColor = ColorToDrawRGB(st.bkColor);
  if (ax.size == 0 || ay.size == 0) return true;
  bool useSource = RopUsesSource(rop) || (mask && RopUsesSource(mask->backRop)) || transparent;
  if (useSource && (!src.surface || !src.surface->Valid())) return false;
  if (useSource && (ax.sourceSize == 0 || ay.sourceSize == 0)) return true;
  const QRect wanted(ax.dest, ay.dest, ax.size, ay.size);
  PixelSurface surface(target);
  TBitmap* destBitmap = surface.Bitmap();
  TBitmap* srcBitmap = useSource ? src.surface->Bitmap() : nullptr;
  const TPixelFormat df = destBitmap ? destBitmap->PixelFormat() : pfDevice;
  const TPixelFormat sf = srcBitmap ? srcBitmap->PixelFormat() : pfDevice;
  const bool blend = src.alpha != afIgnored && sf == pf32bit && rop == SRCCOPY && !mask && !transparent;
  // The common picture copy between direct formats: raw pixels, no raster operation.
  const bool direct = rop == SRCCOPY && !mask && !transparent && !blend && destBitmap && srcBitmap &&
                      !IsPaletteFormat(df) && !IsPaletteFormat(sf);
  const bool sameLayout = PixelFormatBits(df) == PixelFormatBits(sf) && (df == sf || PixelFormatBits(df) == 32);
  const bool unscaledX = ax.size == ax.sourceSize && !ax.flip;
  const size_t bytes = sf == pf24bit ? 3 : sf == pf15bit || sf == pf16bit ? 2 : 4;  // of a direct source's pixel
  // A picture copied onto a window's 32-bit image: each row written at once, as Set would write it pixel by pixel.
  QImage* destImage = surface.Image();
  const bool toImage = rop == SRCCOPY && !mask && !transparent && !blend && destImage && srcBitmap &&
                       (sf == pf24bit || sf == pf32bit) &&
                       (destImage->format() == QImage::Format_RGB32 || destImage->format() == QImage::Format_ARGB32 ||
                        destImage->format() == QImage::Format_ARGB32_Premultiplied);
  const bool destMono = surface.Mono();
  const bool srcMono = useSource && src.surface->Mono();
  const Pattern pattern(brush, textColor, bkColor, st.brushOrg, surface);
  const int32_t srcWidth = useSource ? src.surface->Width() : 0, srcHeight = useSource ? src.surface->Height() : 0;
  const bool paintOnly = !surface.Valid();
  const QRect bounds =
      paintOnly ? QRect(0, 0, target->Width(), target->Height()) : QRect(0, 0, surface.Width(), surface.Height());
  // A surface that cannot be read gets the pixels through an image of the part that lies on it within the clip.
  QRect area = wanted;
  if (paintOnly) {
    area &= bounds;
    TRect box;
    if (st.clip) {
      GetRgnBox(st.clip, box);
      area &= ToQRect(box);
    }
  }
  if (area.isEmpty()) return true;
  QImage over;
  std::vector<DependentPixel> dependent;
  if (paintOnly) {
    over = QImage(area.size(), QImage::Format_ARGB32);
    over.fill(0);
  }
  for (const QRect& q : ClipRects(paintOnly ? HRGN() : st.clip, bounds, area)) {
    std::vector<int32_t> columns(size_t(q.width()));  // the source column of every destination column
    for (int32_t dx = q.left(); dx <= q.right(); ++dx) columns[size_t(dx - q.left())] = ax.Source(dx);
    for (int32_t dy = q.top(); dy <= q.bottom(); ++dy) {
      const int32_t py = ay.Source(dy);
      if (useSource && (py < 0 || py >= srcHeight)) continue;
      const uint8_t* srcRow = srcBitmap ? srcBitmap->Bits() + size_t(py) * size_t(srcBitmap->RowBytes()) : nullptr;
      if (toImage) {
        auto* destRow = reinterpret_cast<QRgb*>(destImage->scanLine(dy));
        for (int32_t dx = q.left(); dx <= q.right(); ++dx) {
          const int32_t px = columns[size_t(dx - q.left())];
          if (px >= 0 && px < srcWidth) destRow[dx] = 0xFF000000u | (GetRaw(srcRow, px, sf) & 0xFFFFFFu);
        }
        surface.MarkChanged();
        continue;
      }
      if (direct) {
        uint8_t* destRow = destBitmap->Bits() + size_t(dy) * size_t(destBitmap->RowBytes());
        if (sameLayout && unscaledX) {
          // The same bytes in the same order: the part of the row that has source pixels moves at once (a bitmap
          // may be copied onto itself).
          const int32_t first = std::max(q.left(), ax.dest - ax.source);
          const int32_t stop = std::min(q.right(), ax.dest - ax.source + srcWidth - 1);
          if (first <= stop)
            std::memmove(destRow + size_t(first) * bytes, srcRow + size_t(first - ax.dest + ax.source) * bytes,
                         size_t(stop - first + 1) * bytes);
          surface.MarkChanged();
          continue;
        }
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
          if (blend) {
            const uint32_t raw = GetRaw(srcRow, px, pf32bit);
            if (paintOnly)
              over.setPixel(dx - area.left(), dy - area.top(), StraightArgb(raw, src.alpha));
            else
              surface.Set(dx, dy, BlendOver(raw, src.alpha, surface.Get(dx, dy)));
            continue;
          }
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
        const uint32_t p = pattern.At(dx, dy);
        if (paintOnly) {
          // Per bit the result is 0, 1, D or not D: D AND (r0 XOR r1) XOR r0.
          const uint32_t r0 = Rop3(op, p, s, 0) & 0xFFFFFF, r1 = Rop3(op, p, s, 0xFFFFFF) & 0xFFFFFF;
          const uint32_t keep = r0 ^ r1;
          if (keep == 0)
            over.setPixel(dx - area.left(), dy - area.top(), 0xFF000000u | ToQColor(r0).rgb());
          else if (keep != 0xFFFFFF || r0 != 0)
            dependent.push_back({dx, dy, keep, r0});
        } else if (destMono) {
          uint32_t d = surface.GetBit(dx, dy) ? 0xFFFFFFFFu : 0;
          surface.SetBit(dx, dy, Rop3(op, p, s, d) & 1);
        } else {
          uint32_t d = surface.Get(dx, dy);
          surface.Set(dx, dy, Rop3(op, p, s, d) & 0xFFFFFF);
        }
      }
    }
  }
  if (paintOnly) PaintComposed(target, st.clip, area, over, dependent);
  return true;
}

// A HALFTONE stretch of a colour bitmap: the source rectangle scaled smoothly, then copied 1:1. False when it does
// not apply (no scaling, a monochrome source, a source rectangle outside the bitmap).
bool SmoothBlit(TCanvas& dest, const TBitmap& image, TColor sourceBk, const StretchAxis& ax, const StretchAxis& ay,
                uint32_t rop) {
  if (CanvasAccess::State(dest).stretchMode != HALFTONE || image.PixelFormat() == pf1bit) return false;
  if (ax.size == ax.sourceSize && ay.size == ay.sourceSize) return false;
  if (ax.source < 0 || ay.source < 0 || ax.sourceSize < 1 || ay.sourceSize < 1 ||
      ax.source + ax.sourceSize > image.Width() || ay.source + ay.sourceSize > image.Height())
    return false;
  const TAlphaFormat alpha = image.PixelFormat() == pf32bit ? image.AlphaFormat() : afIgnored;
  QImage part(ax.sourceSize, ay.sourceSize,
              alpha == afIgnored ? QImage::Format_RGB32 : QImage::Format_ARGB32_Premultiplied);
  PixelAccess access(const_cast<TBitmap&>(image));
  for (int32_t y = 0; y < ay.sourceSize; ++y)
    for (int32_t x = 0; x < ax.sourceSize; ++x) {
      if (alpha == afIgnored) {
        part.setPixel(x, y, ToQColor(access.Get(ax.source + x, ay.source + y)).rgb());
      } else {
        const uint32_t raw = GetRaw(image.ScanLine(ay.source + y), ax.source + x, pf32bit);
        part.setPixel(x, y, qPremultiply(StraightArgb(raw, alpha)));
      }
    }
  QImage scaled = part.scaled(ax.size, ay.size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                      .convertToFormat(QImage::Format_ARGB32_Premultiplied);
  if (ax.flip || ay.flip) scaled = scaled.mirrored(ax.flip, ay.flip);
  TBitmap smooth(ax.size, ay.size, pf32bit);
  smooth.SetAlphaFormat(alpha == afIgnored ? afIgnored : afPremultiplied);
  for (int32_t y = 0; y < ay.size; ++y) {
    const QRgb* line = reinterpret_cast<const QRgb*>(scaled.constScanLine(y));
    for (int32_t x = 0; x < ax.size; ++x)
      SetRaw(smooth.ScanLine(y), x, pf32bit, alpha == afIgnored ? (line[x] | 0xFF000000u) : line[x]);
  }
  PixelSurface surface(smooth);
  return Blit(dest, dest.Brush(), StretchAxis(ax.dest, ax.size, 0, ax.size), StretchAxis(ay.dest, ay.size, 0, ay.size),
              {&surface, sourceBk, smooth.AlphaFormat()}, rop, nullptr, nullptr);
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
  if (!mask && !transparent && RopUsesSource(rop) && SmoothBlit(dest, *from, sourceBk, ax, ay, rop)) return true;
  PixelSurface surface(const_cast<TBitmap&>(*from));
  const TAlphaFormat alpha = from->PixelFormat() == pf32bit ? from->AlphaFormat() : afIgnored;
  return Blit(dest, dest.Brush(), ax, ay, {&surface, sourceBk, alpha}, rop, mask, transparent);
}

// One axis of a blit from logical positions and sizes: the mapped ends (a mirrored mapping gives a negative size).
StretchAxis MappedAxis(int32_t d, int32_t n, int32_t s, int32_t sn, int32_t (Mapping::*map)(int32_t) const,
                       const Mapping& destMap, const Mapping& sourceMap) {
  const int32_t d0 = (destMap.*map)(d), s0 = (sourceMap.*map)(s);
  return StretchAxis(d0, (destMap.*map)(d + n) - d0, s0, (sourceMap.*map)(s + sn) - s0);
}

bool BlitFromCanvas(TCanvas& dest, int32_t x, int32_t y, int32_t w, int32_t h, TCanvas* source, int32_t sx, int32_t sy,
                    int32_t sw, int32_t sh, uint32_t rop, const BlitMask* mask) {
  if (!dest.Target()) return false;
  const Mapping destMap = CanvasAccess::MappingOf(dest);
  const Mapping sourceMap = source ? CanvasAccess::MappingOf(*source) : Mapping{};
  const StretchAxis ax = MappedAxis(x, w, sx, sw, &Mapping::X, destMap, sourceMap);
  const StretchAxis ay = MappedAxis(y, h, sy, sh, &Mapping::Y, destMap, sourceMap);
  bool ok;
  if (!source || !source->Target()) {
    ok = Blit(dest, dest.Brush(), ax, ay, {}, rop, mask, nullptr);
  } else {
    TColor sourceBk = ColorToDrawRGB(CanvasAccess::State(*source).bkColor);
    if (const TBitmap* b = source->Target()->Bitmap()) {
      ok = BlitFromBitmap(dest, *b, sourceBk, ax, ay, rop, mask, nullptr);
    } else {
      PixelSurface surface(source->Target());
      ok = Blit(dest, dest.Brush(), ax, ay, {&surface, sourceBk}, rop, mask, nullptr);
    }
  }
  if (ok && dest.OnChange) dest.OnChange(dest);
  return ok;
}

// Draws sourceRect of a bitmap into destRect (logical) of a canvas that must have a surface.
void BlitBitmap(TCanvas& dest, const TRect& destRect, const TBitmap& image, const TRect& sourceRect, uint32_t rop,
                const BlitMask* mask, const TColor* transparent) {
  if (!dest.Target()) NoDrawing();
  const Mapping m = CanvasAccess::MappingOf(dest);
  const int32_t x0 = m.X(destRect.Left), y0 = m.Y(destRect.Top);
  BlitFromBitmap(dest, image, clWhite, StretchAxis(x0, m.X(destRect.Right) - x0, sourceRect.Left, sourceRect.Width()),
                 StretchAxis(y0, m.Y(destRect.Bottom) - y0, sourceRect.Top, sourceRect.Height()), rop, mask,
                 transparent);
  if (dest.OnChange) dest.OnChange(dest);
}

}  // namespace

void PatternFill(TCanvas& canvas, const TBrush& brush, const TRect& deviceRect, uint32_t rop) {
  Blit(canvas, brush, StretchAxis(deviceRect.Left, deviceRect.Width(), 0, 0),
       StretchAxis(deviceRect.Top, deviceRect.Height(), 0, 0), {}, rop, nullptr, nullptr);
}

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
