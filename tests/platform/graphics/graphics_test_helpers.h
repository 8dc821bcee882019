// Helpers shared by the graphics tests: a font service for one test, pictures of bitmaps as text, ink bounds and a
// surface that can only be painted.
#pragma once

#include <QImage>
#include <algorithm>
#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "platform/graphics/bitmap.h"
#include "platform/graphics/canvas.h"
#include "platform/graphics/canvas_qt.h"
#include "platform/graphics/fonts.h"
#include "tests/largest_allocation.h"

namespace pf {

// Installs a font service for the test's lifetime.
class WithService {
 public:
  explicit WithService(std::shared_ptr<IFontService> s) { SetFontService(std::move(s)); }
  ~WithService() { SetFontService(nullptr); }
};

// The picture as text with one letter per colour ('?' a colour not named), a line per row.
inline std::string Letters(const TBitmap& b, const std::map<TColor, char>& names) {
  std::string s;
  for (int32_t y = 0; y < b.Height(); ++y) {
    for (int32_t x = 0; x < b.Width(); ++x) {
      auto it = names.find(b.GetPixel(x, y));
      s += it != names.end() ? it->second : '?';
    }
    s += '\n';
  }
  return s;
}

// '.' white, '#' black, 'r' red, 'b' blue.
inline std::string Picture(const TBitmap& b) {
  return Letters(b, {{clWhite, '.'}, {clBlack, '#'}, {clRed, 'r'}, {clBlue, 'b'}});
}

// The bounds of every pixel other than white.
inline TRect InkOf(const TBitmap& b) {
  TRect r{b.Width(), b.Height(), 0, 0};
  for (int32_t y = 0; y < b.Height(); ++y)
    for (int32_t x = 0; x < b.Width(); ++x)
      if (b.GetPixel(x, y) != clWhite)
        r = Rect(std::min(r.Left, x), std::min(r.Top, y), std::max(r.Right, x + 1), std::max(r.Bottom, y + 1));
  return r;
}

// A surface that can only be painted, like a window or a printer page: its pixels cannot be read back through the
// canvas. The image is what was painted.
struct PaintOnlyTarget : CanvasTarget {
  QImage image;
  int begun = 0, ended = 0;
  PaintOnlyTarget(int32_t width, int32_t height) : image(width, height, QImage::Format_RGB32) { image.fill(Qt::white); }
  int32_t Width() const override { return image.width(); }
  int32_t Height() const override { return image.height(); }
  QImage* BeginImage() override { return ++begun, nullptr; }
  void EndImage(bool) override { ++ended; }
  QPaintDevice* PaintDevice() override { return &image; }
  // What was painted, as a bitmap.
  void CopyTo(TBitmap& b) const {
    b.SetSize(image.width(), image.height());
    for (int32_t y = 0; y < image.height(); ++y)
      for (int32_t x = 0; x < image.width(); ++x) b.SetPixel(x, y, FromQRgb(image.pixel(x, y)));
  }
};

}  // namespace pf
