// A control's picture through the toolkit's own rendering of the widget and its children.
#include "platform/ui/capture.h"

#include <algorithm>

#include <QImage>
#include <QPixmap>
#include <QWidget>

#include "platform/ui/host_qt.h"

namespace pf {

std::unique_ptr<TBitmap> CaptureControl(TControl& control) {
  EnsureUi();
  QWidget* client = control.Host()->client;
  const QImage image = client->grab().toImage().convertToFormat(QImage::Format_RGB888);
  const int32_t width = std::min<int32_t>(image.width(), control.ClientWidth());
  const int32_t height = std::min<int32_t>(image.height(), control.ClientHeight());
  auto bitmap = std::make_unique<TBitmap>(width, height, pf24bit);
  for (int32_t y = 0; y < height; ++y) {
    const uchar* source = image.constScanLine(y);
    uint8_t* row = bitmap->ScanLine(y);
    // The toolkit's rows are R, G, B; a bitmap's are B, G, R.
    for (int32_t x = 0; x < width; ++x) {
      row[3 * x] = source[3 * x + 2];
      row[3 * x + 1] = source[3 * x + 1];
      row[3 * x + 2] = source[3 * x];
    }
  }
  return bitmap;
}

}  // namespace pf
