// Private to the platform layer: the Qt side of canvases, regions and fonts. Layers above pf_graphics within
// platform/ (pf_ui) derive their window and printer targets from CanvasTarget.
#pragma once

#include <QColor>
#include <QImage>
#include <QPaintDevice>
#include <QPainter>
#include <QRegion>

#include "platform/graphics/bitmap.h"
#include "platform/graphics/canvas.h"
#include "platform/graphics/fonts.h"

namespace pf {

// The surface behind a canvas.
struct CanvasTarget {
  virtual ~CanvasTarget() = default;
  virtual int32_t Width() const = 0;
  virtual int32_t Height() const = 0;
  // The bitmap painted on, if the target is one (its pixels are then read and written directly).
  virtual TBitmap* Bitmap() { return nullptr; }
  // An image holding the surface's pixels, readable and paintable until EndImage; nullptr when the surface can
  // only be painted (then PaintDevice is used and nothing can be read back). Calls may nest (a blit from a
  // canvas onto itself begins the image twice); each BeginImage is matched by one EndImage.
  virtual QImage* BeginImage() = 0;
  virtual void EndImage(bool changed) = 0;
  virtual QPaintDevice* PaintDevice() { return nullptr; }
  // A painter that stays active on the surface (for devices that take one painter per document, such as a PDF
  // writer or a recorded picture); used before PaintDevice. Each drawing saves and restores its state.
  virtual QPainter* Painter() { return nullptr; }
  virtual int BitsPerPixel() const { return ScreenBitsPerPixel(); }
  virtual int LogPixels() const { return kPixelsPerInch; }
  // Physical page size and offset for printers (HORZRES-sized for others).
  virtual TRect PhysicalPage() const { return {0, 0, Width(), Height()}; }
  // What GetDeviceCaps(TECHNOLOGY) answers: DT_RASDISPLAY for screens and bitmaps, DT_RASPRINTER for printers.
  virtual int Technology() const { return DT_RASDISPLAY; }
};

struct HRGN::Data {
  QRegion region;
};

// Where a font face draws: the painter (clip and antialiasing set) and the text colour.
struct TGlyphPainter {
  QPainter& painter;
  QColor color;
};

inline QColor ToQColor(TColor c) {
  c = ColorToDrawRGB(c);
  return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
}
inline TColor FromQRgb(QRgb rgb) { return RGB(uint8_t(qRed(rgb)), uint8_t(qGreen(rgb)), uint8_t(qBlue(rgb))); }
inline QRect ToQRect(const TRect& r) { return QRect(r.Left, r.Top, r.Width(), r.Height()); }

// The code point starting at unit i: a surrogate pair's, else the unit itself (a lone surrogate stays one).
inline char32_t CodePointAt(std::u16string_view text, size_t i) {
  char16_t c = text[i];
  if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF)
    return 0x10000 + ((char32_t(c) - 0xD800) << 10) + (char32_t(text[i + 1]) - 0xDC00);
  return c;
}

// The names of a comma-separated family list, trimmed, empty ones left out.
std::vector<std::string> SplitFontNames(std::string_view list);

// Counts the font service replacements (SetFontService) and font registrations, so that faces realised before are
// not reused.
uint64_t FontServiceGeneration();
void FontsChanged();  // a registration: faces realised so far are stale

// Creates the process's QGuiApplication on first need (headless when no display is set), so that fonts work in
// tests and tools that made none. A program that wants its own application object must create it before the
// first text is measured or drawn, or register a factory that makes it (the user-interface layer does, at start).
void EnsureGuiApplication();
void SetGuiApplicationFactory(void (*factory)());
// Fills the toolkit's font database (reading the font configuration and listing the installed families) on a thread
// of its own, while the caller goes on building windows: start the thread before making the application object and
// give the word once it exists. Whoever needs a font meanwhile waits for it under the toolkit's own lock instead of
// doing the same work again. Once per process.
void StartFontDatabaseFiller();
void FillFontDatabaseInBackground();

}  // namespace pf
