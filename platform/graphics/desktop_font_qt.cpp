// The menu font that the desktop names, as the toolkit's platform theme reads it from the desktop's settings (a KDE
// session's "menuFont", for one). Only the theme itself can say that it names none: the public font classes know
// the general and the fixed font alone, and the widgets' per-class fonts answer the general font in its place.
#include <private/qguiapplication_p.h>
#include <qpa/qplatformtheme.h>
#include <QFont>
#include <algorithm>
#include <cmath>

#include "platform/graphics/canvas_qt.h"
#include "platform/graphics/fonts.h"

namespace pf {

namespace {
constexpr int kLargestPixels = 2000;
}  // namespace

bool GetMenuFont(TFont& font) {
  EnsureGuiApplication();
  const QPlatformTheme* theme = QGuiApplicationPrivate::platformTheme();
  const QFont* menuFont = theme != nullptr ? theme->font(QPlatformTheme::MenuFont) : nullptr;
  if (menuFont == nullptr) return false;
  // A size in points becomes pixels at the layer's fixed resolution, as every font of the layer is built; a size
  // beyond any screen's is held to the largest the font service makes.
  const double points = menuFont->pointSizeF();
  const int pixels = menuFont->pixelSize() > 0 ? std::min(menuFont->pixelSize(), kLargestPixels)
                     : points > 0 ? int(std::lround(std::min(points * kPixelsPerInch / 72, double(kLargestPixels))))
                                  : 0;
  if (pixels <= 0) return false;
  TFontDesc desc;
  desc.Name = menuFont->family().toLatin1().toStdString();
  desc.Height = -pixels;
  desc.Style = TFontStyles((menuFont->weight() >= QFont::Bold ? fsBold : 0) | (menuFont->italic() ? fsItalic : 0) |
                           (menuFont->underline() ? fsUnderline : 0) | (menuFont->strikeOut() ? fsStrikeOut : 0));
  font.SetDesc(desc);
  return true;
}

}  // namespace pf
