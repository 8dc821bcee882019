#include "components/sb_common.h"

#include <memory>

#include "platform/core/strings.h"
#include "platform/ui/controls.h"

namespace components {

void sbSplitColor(pf::TColor color, uint8_t& red, uint8_t& green, uint8_t& blue) {
  pf::TColor rgb = pf::ColorToDrawRGB(color);
  red = pf::GetRValue(rgb);
  green = pf::GetGValue(rgb);
  blue = pf::GetBValue(rgb);
}

pf::TPoint sbGetCursorPos() { return pf::GetCursorPos(); }

std::string sbCopyFromTo(std::string_view s, int from, int to) {
  return to == 0 ? pf::Copy(s, from, static_cast<int>(s.size())) : pf::Copy(s, from, to - from + 1);
}

int sbPosFrom(std::string_view sub, std::string_view s, int from) { return pf::PosEx(sub, s, from); }

int sbPosNth(std::string_view sub, std::string_view s, int n) {
  int position = 0;
  for (int found = 0; found < n; ++found) {
    position = pf::PosEx(sub, s, position == 0 ? 1 : position + static_cast<int>(sub.size()));
    if (position == 0) return 0;
  }
  return position;
}

int sbCountTokens(std::string_view s, std::string_view delimiter) {
  if (s.empty()) return 0;
  if (delimiter.empty()) return 1;
  int count = 1;
  for (size_t at = s.find(delimiter); at != std::string_view::npos; at = s.find(delimiter, at + delimiter.size()))
    ++count;
  return count;
}

std::string sbGetToken(std::string_view s, std::string_view delimiter, int index) {
  if (index < 0 || index >= sbCountTokens(s, delimiter)) return "";
  size_t start = 0;
  for (int i = 0; i < index; ++i) start = s.find(delimiter, start) + delimiter.size();
  return std::string(s.substr(start, delimiter.empty() ? std::string_view::npos : s.find(delimiter, start) - start));
}

std::string sbStripAccelChars(std::string_view s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '&') {
      out.push_back(s[i]);
    } else if (i + 1 < s.size() && s[i + 1] == '&') {
      out.push_back('&');
      ++i;
    }
  }
  return out;
}

std::string sbReplaceString(std::string_view s, std::string_view from, std::string_view to) {
  return pf::StringReplaceAll(s, from, to);
}

std::string sbStripQuotes(std::string_view token) {
  if (token.size() >= 2 && (token[0] == '"' || token[0] == '\'') && token.back() == token[0])
    return std::string(token.substr(1, token.size() - 2));
  return std::string(token);
}

std::string sbGetNextToken(std::string_view s, int& position, std::string_view delimiters, uint32_t options) {
  auto at = [&](int p) { return s[static_cast<size_t>(p - 1)]; };
  int length = static_cast<int>(s.size());
  if (position < 1) position = 1;
  if (options & sbtoSkipBlanks)
    while (position <= length && (at(position) == ' ' || at(position) == '\t')) ++position;
  if (position > length) return "";
  int start = position;
  if ((options & sbtoQuotedToken) && at(position) == '"') {
    int close = pf::PosEx("\"", s, position + 1);
    position = close == 0 ? length + 1 : close + 1;
    return pf::Copy(s, start, position - start);
  }
  for (; position <= length; ++position) {
    unsigned char c = static_cast<unsigned char>(at(position));
    bool blankInToken = c == ' ' && (options & sbtoBlanksInToken);
    if ((c < 33 && !blankInToken) || delimiters.find(static_cast<char>(c)) != std::string_view::npos) break;
  }
  // A breaking character at the start is a token of its own, so that the caller always moves on.
  if (position == start) ++position;
  return pf::Copy(s, start, position - start);
}

int32_t sbGetTextHeight(pf::TCanvas& canvas, std::string_view text, int32_t width, uint32_t drawFlags) {
  pf::TRect r = pf::Rect(0, 0, width, 0);
  canvas.DrawText(text, r, drawFlags | pf::DT_CALCRECT | pf::DT_WORDBREAK);
  return r.Height();
}

pf::TSize sbMeasureMultiLineText(pf::TCanvas& canvas, std::string_view text, int32_t lineSpacing, uint32_t drawFlags) {
  pf::TSize size;
  int lines = sbCountTokens(text, "\r\n");
  for (int i = 0; i < lines; ++i) {
    pf::TRect r;
    canvas.DrawText(sbGetToken(text, "\r\n", i), r,
                    (drawFlags | pf::DT_CALCRECT) & ~(pf::DT_WORDBREAK | pf::DT_END_ELLIPSIS));
    size.cx = sbMax(size.cx, r.Width());
    size.cy += r.Height() + (i > 0 ? lineSpacing : 0);
  }
  return size;
}

uint32_t sbColorToImageListColor(pf::TColor color) {
  if (color == pf::clNone) return pf::CLR_NONE;
  if (color == pf::clDefault) return pf::CLR_DEFAULT;
  return pf::ColorToDrawRGB(color);
}

void sbDrawImageListImage(pf::TCanvas& canvas, const pf::TImageList& images, int index, int32_t x, int32_t y,
                          bool enabled) {
  if (index < 0 || index >= images.Count()) return;
  if (enabled) {
    pf::ImageList_DrawEx(images, index, canvas, x, y, 0, 0, sbColorToImageListColor(images.BkColor()),
                         sbColorToImageListColor(images.BlendColor()), pf::ILD_NORMAL);
    return;
  }
  // The monochrome copy: every opaque pixel that is not white belongs to the glyph (mask 1 = not drawn).
  int32_t w = images.Width(), h = images.Height();
  pf::TBitmap glyph(w, h, pf::pf1bit);
  for (int32_t gy = 0; gy < h; ++gy)
    for (int32_t gx = 0; gx < w; ++gx) {
      bool drawn =
          images.Mask(index).GetPixel(gx, gy) != pf::clWhite && images.Image(index).GetPixel(gx, gy) != pf::clWhite;
      glyph.SetPixel(gx, gy, drawn ? pf::clBlack : pf::clWhite);
    }
  sbDrawEmbossed(canvas, glyph, x, y);
}

void sbDrawEmbossed(pf::TCanvas& canvas, const pf::TBitmap& shape, int32_t x, int32_t y) {
  const int32_t w = shape.Width(), h = shape.Height();
  pf::TBitmap ink(w, h, pf::pf24bit);
  for (auto [dx, color] : {std::pair{1, pf::clBtnHighlight}, std::pair{0, pf::clBtnShadow}}) {
    ink.Canvas().Brush().SetColor(color);
    ink.Canvas().FillRect(pf::Rect(0, 0, w, h));
    pf::DrawMasked(canvas, pf::Bounds(x + dx, y + dx, w, h), ink, pf::Rect(0, 0, w, h), shape);
  }
}

}  // namespace components
