// Text on a canvas: measuring (the font service's whole-pixel advances plus character extra and justification),
// drawing at the measured positions (turned by the font's escapement, scaled by the mapping) and DrawText's layout
// of lines in a rectangle.
#include <algorithm>
#include <cmath>
#include <string>

#include "platform/core/codepage.h"
#include "platform/graphics/canvas_internal_qt.h"

namespace pf {

namespace {

bool IsBreakChar(char16_t c) { return c == 0x20 || c == 0xA0; }

// Extents of text are held to this, so that a caller's sums with them stay within 32 bits however long the text
// and however wide its characters.
constexpr int64_t kMaxTextExtent = int64_t{1} << 30;

int32_t HeldExtent(int64_t extent) { return static_cast<int32_t>(std::clamp(extent, -kMaxTextExtent, kMaxTextExtent)); }

}  // namespace

// Advances of every unit including character extra and the justification share; consumes breaks when advance.
static std::vector<int32_t> MeasureUnits(const TFontFace& face, std::u16string_view text, int32_t charExtra,
                                         int32_t justifyExtra, int32_t justifyBreaks, int32_t& justifyDone) {
  std::vector<int32_t> advances = face.TextAdvances(text);
  for (size_t i = 0; i < text.size(); ++i) {
    if (advances[i] > 0 || (text[i] >= 0x20 && !(text[i] >= 0xDC00 && text[i] <= 0xDFFF)))
      advances[i] = HeldExtent(int64_t{advances[i]} + charExtra);
    if (justifyBreaks > 0 && IsBreakChar(text[i]) && justifyDone < justifyBreaks) {
      advances[i] = HeldExtent(int64_t{advances[i]} + justifyExtra / justifyBreaks +
                               (justifyDone < justifyExtra % justifyBreaks ? 1 : 0));
      ++justifyDone;
    }
  }
  return advances;
}

std::shared_ptr<const TFontFace> TCanvas::Face() {
  if (!face_ || faceGeneration_ != FontServiceGeneration()) {
    face_ = FontService().Realize(font_.Desc());
    faceGeneration_ = FontServiceGeneration();
  }
  return face_;
}

TSize TCanvas::TextExtent(std::string_view text) { return TextExtentW(Cp1252ToUtf16(text)); }

TSize TCanvas::TextExtentW(std::u16string_view text) { return GetTextExtentExPoint(text, -1, nullptr, nullptr); }

TSize TCanvas::GetTextExtentExPoint(std::u16string_view text, int32_t maxExtent, int32_t* fit,
                                    std::vector<int32_t>* dx) {
  RequireState();
  auto face = Face();
  int32_t done = state_.justifyDone;
  std::vector<int32_t> advances =
      MeasureUnits(*face, text, state_.charExtra, state_.justifyExtra, state_.justifyBreaks, done);
  int32_t total = 0;
  int32_t count = 0;
  if (dx) dx->clear();
  for (size_t i = 0; i < advances.size(); ++i) {
    total = HeldExtent(int64_t{total} + advances[i]);
    if (dx) dx->push_back(total);
    if (maxExtent >= 0 && total <= maxExtent && count == int32_t(i)) ++count;
  }
  if (fit) *fit = maxExtent < 0 ? 0 : count;
  return {total, face->Metrics().tmHeight};
}

TTextMetric TCanvas::GetTextMetrics() {
  RequireState();
  return Face()->Metrics();
}

uint32_t TCanvas::SetTextAlign(uint32_t align) {
  RequireState();
  return std::exchange(state_.textAlign, align);
}

void TCanvas::SetTextJustification(int32_t extra, int32_t breakCount) {
  RequireState();
  state_.justifyExtra = breakCount > 0 ? extra : 0;
  state_.justifyBreaks = breakCount > 0 ? breakCount : 0;
  state_.justifyDone = 0;
}

int32_t TCanvas::SetTextCharacterExtra(int32_t extra) {
  RequireState();
  return std::exchange(state_.charExtra, extra);
}

int TCanvas::SetBkMode(int mode) {
  RequireState();
  return mode == TRANSPARENT || mode == OPAQUE ? std::exchange(state_.bkMode, mode) : state_.bkMode;
}

int TCanvas::GetBkMode() {
  RequireState();
  return state_.bkMode;
}

TColor TCanvas::SetBkColor(TColor color) {
  RequireState();
  return std::exchange(state_.bkColor, color);
}

TColor TCanvas::GetBkColor() {
  RequireState();
  return state_.bkColor;
}

TColor TCanvas::SetTextColor(TColor color) {
  RequireState();
  return std::exchange(state_.textColor, color);
}

TColor TCanvas::GetTextColor() {
  RequireState();
  return state_.textColor;
}

void TCanvas::TextOut(int32_t x, int32_t y, std::string_view text) { TextOutW(x, y, Cp1252ToUtf16(text)); }

void TCanvas::TextRect(const TRect& r, int32_t x, int32_t y, std::string_view text) {
  TextRectW(r, x, y, Cp1252ToUtf16(text));
}

void TCanvas::TextOutW(int32_t x, int32_t y, std::u16string_view text) { DrawTextLine(x, y, text, nullptr); }

void TCanvas::DrawTextLine(int32_t x, int32_t y, std::u16string_view text, const std::vector<bool>* underlined) {
  RequireState();
  if (!target_) NoDrawing();
  auto face = Face();
  const TTextMetric& tm = face->Metrics();
  if (state_.textAlign & TA_UPDATECP) x = penPos_.X, y = penPos_.Y;
  std::vector<int32_t> advances =
      MeasureUnits(*face, text, state_.charExtra, state_.justifyExtra, state_.justifyBreaks, state_.justifyDone);
  int32_t width = 0;
  std::vector<int32_t> positions;
  for (int32_t a : advances) {
    positions.push_back(width);
    width = HeldExtent(int64_t{width} + a);
  }
  // The cell's top left relative to the reference point.
  int32_t left = 0;
  switch (state_.textAlign & TA_CENTER) {
    case TA_RIGHT:
      left = -width;
      break;
    case TA_CENTER:
      left = -(width / 2);
      break;
    default:
      break;
  }
  int32_t top = 0;
  if ((state_.textAlign & TA_BASELINE) == TA_BASELINE)
    top = -tm.tmAscent;
  else if (state_.textAlign & TA_BOTTOM)
    top = -tm.tmHeight;
  const int32_t escapement = font_.Escapement() % 3600;
  const double angle = escapement * 3.14159265358979323846 / 1800;
  if (!text.empty()) {
    // One painter for the cell and the glyphs, in logical units turned about the reference point.
    PaintOn(target_.get(), state_.clip, [&](QPainter& p) {
      const Mapping m = CanvasAccess::MappingOf(*this);
      if (!m.Identity()) p.setWorldTransform(m.Transform());
      p.translate(x, y);
      if (escapement != 0) p.rotate(-escapement / 10.0);
      if (state_.bkMode == OPAQUE && width > 0)
        p.fillRect(QRect(left, top, width, tm.tmHeight), ToQColor(state_.bkColor));
      p.setRenderHint(QPainter::TextAntialiasing, font_.Quality() != fqNonAntialiased);
      const QColor color = ToQColor(state_.textColor);
      TGlyphPainter glyphs{p, color};
      const int32_t baseline = top + tm.tmAscent;
      face->DrawGlyphs(glyphs, left, baseline, text, positions, width);
      for (size_t i = 0; underlined && i < text.size() && i < underlined->size(); ++i)
        if ((*underlined)[i])
          p.fillRect(left + positions[i], baseline + face->UnderlineOffset(), advances[i], face->LineThickness(),
                     color);
    });
  }
  // The pen moves along the baseline's direction.
  const int32_t dx = escapement == 0 ? width : int32_t(std::lround(width * std::cos(angle)));
  const int32_t dy = escapement == 0 ? 0 : -int32_t(std::lround(width * std::sin(angle)));
  const TPoint ahead{HeldExtent(int64_t{x} + dx), HeldExtent(int64_t{y} + dy)};
  if (state_.textAlign & TA_UPDATECP) {
    if ((state_.textAlign & TA_CENTER) == TA_LEFT) penPos_ = ahead;
    if ((state_.textAlign & TA_CENTER) == TA_RIGHT)
      penPos_ = {HeldExtent(int64_t{x} - dx), HeldExtent(int64_t{y} - dy)};
  } else {
    penPos_ = ahead;
  }
  if (OnChange) OnChange(*this);
}

// Runs f with another clip and background mode, restoring both afterwards.
template <class State, class F>
static void WithClipAndMode(State& state, const HRGN& clip, int mode, F f) {
  const HRGN saved = state.clip;
  const int oldMode = state.bkMode;
  state.clip = clip;
  state.bkMode = mode;
  try {
    f();
  } catch (...) {
    state.clip = saved;
    state.bkMode = oldMode;
    throw;
  }
  state.clip = saved;
  state.bkMode = oldMode;
}

void TCanvas::TextRectW(const TRect& r, int32_t x, int32_t y, std::u16string_view text) {
  RequireState();
  if (!target_) NoDrawing();
  const TRect device = CanvasAccess::MappingOf(*this).Map(r);
  HRGN clip = CreateRectRgnIndirect(device);
  if (state_.clip) CombineRgn(clip, clip, state_.clip, RGN_AND);
  if (state_.bkMode == OPAQUE) {
    QColor bk = ToQColor(state_.bkColor);
    PaintOn(target_.get(), clip, [&](QPainter& p) { p.fillRect(ToQRect(device), bk); });
  }
  WithClipAndMode(state_, clip, TRANSPARENT, [&] { TextOutW(x, y, text); });
}
// ---- DrawText ----

namespace {

constexpr char16_t kPrefix = u'&';
constexpr int32_t kDefaultTabChars = 8;

// A line of DrawText: its characters and which of them carry a prefix underline.
struct TextLine {
  std::u16string text;
  std::vector<bool> underlined;
};

// The text as shown: "&&" becomes "&", "&x" x underlined, a lone "&" at the end or before a line break nothing.
TextLine ApplyPrefixes(std::u16string_view text, bool noPrefix) {
  TextLine shown;
  for (size_t i = 0; i < text.size(); ++i) {
    if (noPrefix || text[i] != kPrefix) {
      shown.text += text[i];
      shown.underlined.push_back(false);
      continue;
    }
    if (i + 1 >= text.size() || text[i + 1] == u'\r' || text[i + 1] == u'\n') continue;
    ++i;
    shown.text += text[i];
    shown.underlined.push_back(text[i] != kPrefix);
  }
  return shown;
}

// Splits [begin, end) of a line's units at CR LF, CR or LF; a break at the very end starts no further line.
std::vector<std::pair<size_t, size_t>> Paragraphs(const std::u16string& text) {
  std::vector<std::pair<size_t, size_t>> result;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != u'\r' && text[i] != u'\n') continue;
    result.emplace_back(start, i);
    if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
    start = i + 1;
  }
  if (start < text.size() || result.empty()) result.emplace_back(start, text.size());
  return result;
}

}  // namespace

int32_t TCanvas::DrawText(std::string_view text, TRect& r, uint32_t format) {
  return DrawTextExW(Cp1252ToUtf16(text), r, format, nullptr);
}

int32_t TCanvas::DrawTextW(std::u16string_view text, TRect& r, uint32_t format) {
  return DrawTextExW(text, r, format, nullptr);
}

int32_t TCanvas::DrawTextEx(std::string_view text, TRect& r, uint32_t format, TDrawTextParams* params) {
  return DrawTextExW(Cp1252ToUtf16(text), r, format, params);
}

int32_t TCanvas::DrawTextExW(std::u16string_view text, TRect& r, uint32_t format, TDrawTextParams* params) {
  RequireState();
  if (params) params->uiLengthDrawn = uint32_t(text.size());
  const bool calcOnly = format & DT_CALCRECT;
  if (!calcOnly && !target_) NoDrawing();
  auto face = Face();
  const TTextMetric& tm = face->Metrics();
  const bool expandTabs = format & DT_EXPANDTABS;
  const int32_t tabWidth =
      std::max(1, (params && params->iTabLength > 0 ? params->iTabLength : kDefaultTabChars) * tm.tmAveCharWidth);
  const int32_t leftMargin = params ? params->iLeftMargin : 0, rightMargin = params ? params->iRightMargin : 0;
  const int32_t avail = r.Width() - leftMargin - rightMargin;
  // Advances without justification; a tab (with DT_EXPANDTABS) reaches the next stop from the line's start.
  auto advancesOf = [&](std::u16string_view t) {
    int32_t none = 0;
    return MeasureUnits(*face, t, state_.charExtra, 0, 0, none);
  };
  auto step = [&](int32_t x, char16_t c, int32_t advance) {
    return expandTabs && c == u'\t' ? (x / tabWidth + 1) * tabWidth : x + advance;
  };
  auto widthOf = [&](const std::u16string& t) {
    const std::vector<int32_t> adv = advancesOf(t);
    int32_t x = 0;
    for (size_t i = 0; i < t.size(); ++i) x = step(x, t[i], adv[i]);
    return x;
  };

  const TextLine shown = ApplyPrefixes(text, format & DT_NOPREFIX);
  std::vector<TextLine> lines;
  auto addLine = [&](size_t begin, size_t end) {
    lines.push_back(
        {shown.text.substr(begin, end - begin),
         std::vector<bool>(shown.underlined.begin() + ptrdiff_t(begin), shown.underlined.begin() + ptrdiff_t(end))});
  };
  const std::vector<int32_t> adv = advancesOf(shown.text);
  const bool singleLine = format & DT_SINGLELINE;
  for (const auto& [begin, end] :
       singleLine ? std::vector<std::pair<size_t, size_t>>{{0, shown.text.size()}} : Paragraphs(shown.text)) {
    if (!(format & DT_WORDBREAK) || singleLine) {
      addLine(begin, end);
      continue;
    }
    // Greedy: words join the line while they end within the width; the first word of a line always stays.
    size_t lineStart = begin, k = begin;
    int32_t x = 0;
    bool hasWord = false;
    while (k < end) {
      size_t wordStart = k;
      int32_t xs = x;
      while (wordStart < end && shown.text[wordStart] == u' ') xs = step(xs, u' ', adv[wordStart++]);
      size_t wordEnd = wordStart;
      int32_t xe = xs;
      while (wordEnd < end && shown.text[wordEnd] != u' ') xe = step(xe, shown.text[wordEnd], adv[wordEnd]), ++wordEnd;
      if (hasWord && wordEnd > wordStart && xe > avail) {
        addLine(lineStart, k);  // the blanks at the break belong to no line
        lineStart = k = wordStart;
        x = 0;
        hasWord = false;
        continue;
      }
      x = xe;
      k = wordEnd;
      hasWord = hasWord || wordEnd > wordStart;
    }
    addLine(lineStart, end);
  }
  if (text.empty()) lines.clear();

  std::vector<int32_t> widths;
  int32_t widest = 0;
  for (TextLine& line : lines) {
    int32_t w = widthOf(line.text);
    if ((format & DT_END_ELLIPSIS) && w > avail) {
      // The longest start that leaves room for the dots.
      const std::u16string dots = u"...";
      const int32_t dotsWidth = widthOf(dots);
      const std::vector<int32_t> la = advancesOf(line.text);
      size_t keep = 0;
      for (int32_t x = 0; keep < line.text.size(); ++keep) {
        x = step(x, line.text[keep], la[keep]);
        if (x + dotsWidth > avail) break;
      }
      line.text = line.text.substr(0, keep) + dots;
      line.underlined.resize(keep);
      line.underlined.resize(line.text.size(), false);
      w = widthOf(line.text);
    }
    widths.push_back(w);
    widest = std::max(widest, w);
  }
  const int32_t lineHeight = tm.tmHeight + ((format & DT_EXTERNALLEADING) ? tm.tmExternalLeading : 0);
  const int32_t height = lineHeight * int32_t(lines.size());
  if (calcOnly) {
    r.Right = r.Left + leftMargin + widest + rightMargin;
    r.Bottom = r.Top + height;
    return height;
  }

  int32_t y = r.Top;
  if (singleLine && (format & DT_VCENTER)) y = r.Top + (r.Height() - lineHeight) / 2;
  if (singleLine && (format & DT_BOTTOM)) y = r.Bottom - lineHeight;
  const int32_t result = singleLine && (format & (DT_VCENTER | DT_BOTTOM)) ? y - r.Top + lineHeight : height;
  HRGN clip = state_.clip;
  if (!(format & DT_NOCLIP)) {
    clip = CreateRectRgnIndirect(CanvasAccess::MappingOf(*this).Map(r));
    if (state_.clip) CombineRgn(clip, clip, state_.clip, RGN_AND);
  }
  // Lines are placed by their cell's top left, without justification.
  const uint32_t align = std::exchange(state_.textAlign, TA_TOP | TA_LEFT);
  const TPoint penPos = penPos_;
  const int32_t justifyExtra = std::exchange(state_.justifyExtra, 0),
                justifyBreaks = std::exchange(state_.justifyBreaks, 0);
  auto restore = [&] {
    penPos_ = penPos;
    state_.textAlign = align;
    state_.justifyExtra = justifyExtra;
    state_.justifyBreaks = justifyBreaks;
  };
  try {
    WithClipAndMode(state_, clip, state_.bkMode, [&] {
      for (size_t i = 0; i < lines.size(); ++i, y += lineHeight) {
        const TextLine& line = lines[i];
        int32_t x = r.Left + leftMargin;
        if (format & DT_CENTER)
          x += (avail - widths[i]) / 2;
        else if (format & DT_RIGHT)
          x = r.Right - rightMargin - widths[i];
        if (!expandTabs) {
          DrawTextLine(x, y, line.text, &line.underlined);
          continue;
        }
        // Each piece between tabs at its own stop.
        const std::vector<int32_t> la = advancesOf(line.text);
        int32_t at = 0;
        size_t start = 0;
        for (size_t k = 0; k <= line.text.size(); ++k) {
          if (k < line.text.size() && line.text[k] != u'\t') continue;
          const std::vector<bool> marks(line.underlined.begin() + ptrdiff_t(start),
                                        line.underlined.begin() + ptrdiff_t(k));
          DrawTextLine(x + at, y, std::u16string_view(line.text).substr(start, k - start), &marks);
          for (size_t j = start; j < k; ++j) at += la[j];
          if (k < line.text.size()) at = step(at, u'\t', 0);
          start = k + 1;
        }
      }
    });
  } catch (...) {
    restore();
    throw;
  }
  restore();
  return result;
}

}  // namespace pf
