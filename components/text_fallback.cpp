#include "components/text_fallback.h"

#include <string>

#include "components/sb_common.h"

namespace components {

int32_t FallbackDrawText(pf::TCanvas& canvas, std::string_view text, pf::TRect& r, uint32_t format) {
  std::string line = (format & DT_NOPREFIX) ? std::string(text) : sbStripAccelChars(text);
  int32_t height = text.empty() ? 0 : canvas.GetTextMetrics().tmHeight;
  int32_t width = canvas.TextWidth(line);
  if (format & DT_CALCRECT) {
    r.Right = r.Left + width;
    r.Bottom = r.Top + height;
    return height;
  }
  if ((format & DT_END_ELLIPSIS) && width > r.Width()) {
    while (!line.empty() && canvas.TextWidth(line + "...") > r.Width()) line.pop_back();
    line += "...";
    width = canvas.TextWidth(line);
  }
  int32_t x = (format & DT_RIGHT) ? r.Right - width : (format & DT_CENTER) ? r.Left + (r.Width() - width) / 2 : r.Left;
  if (format & DT_NOCLIP) {
    canvas.TextOut(x, r.Top, line);
  } else {
    canvas.TextRect(r, x, r.Top, line);
  }
  return height;
}

}  // namespace components
