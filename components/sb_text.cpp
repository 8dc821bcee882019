#include "components/sb_text.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "components/sb_common.h"
#include "platform/core/mathutil.h"
#include "platform/core/strings.h"
#include "platform/graphics/bitmap.h"

namespace components {

namespace {

constexpr int32_t kBoldWeight = 700;
constexpr int32_t kNormalWeight = 400;
constexpr uint8_t kTrueTypeOnlyPrecision = 7;
constexpr uint8_t kTrueTypePrecision = 4;
constexpr uint8_t kProofQuality = 2;
constexpr uint8_t kVariablePitch = 2;
constexpr int32_t kMinSampleWidth = 5;
constexpr const char* kSampleText = "AgTpjW";

int32_t RoundToInt(double value) { return static_cast<int32_t>(pf::Round(value)); }

// Puts the canvas's font and background mode back when a draw ends, also by an exception.
class CanvasStateKeeper {
 public:
  explicit CanvasStateKeeper(pf::TCanvas& canvas) : canvas_(canvas) { font_.Assign(canvas.Font()); }
  ~CanvasStateKeeper() { canvas_.Font().Assign(font_); }
  CanvasStateKeeper(const CanvasStateKeeper&) = delete;
  CanvasStateKeeper& operator=(const CanvasStateKeeper&) = delete;

 private:
  pf::TCanvas& canvas_;
  pf::TFont font_;
};

}  // namespace

// ---- effect objects ----

void TsbShadowEffects::Assign(const pf::TPersistent& source) {
  auto* from = dynamic_cast<const TsbShadowEffects*>(&source);
  if (!from) return pf::TPersistent::Assign(source);
  color_ = from->color_;
  enabled_ = from->enabled_;
  xOffset_ = from->xOffset_;
  yOffset_ = from->yOffset_;
  if (OnChange) OnChange();
}

void TsbExtrudeEffects::Assign(const pf::TPersistent& source) {
  auto* from = dynamic_cast<const TsbExtrudeEffects*>(&source);
  if (!from) return pf::TPersistent::Assign(source);
  depth_ = from->depth_;
  enabled_ = from->enabled_;
  farColor_ = from->farColor_;
  nearColor_ = from->nearColor_;
  orientation_ = from->orientation_;
  striated_ = from->striated_;
  if (OnChange) OnChange();
}

pf::TColor TsbExtrudeEffects::LayerColor(int32_t i) const {
  uint8_t far[3], near[3];
  sbSplitColor(farColor_, far[0], far[1], far[2]);
  sbSplitColor(nearColor_, near[0], near[1], near[2]);
  uint8_t channel[3];
  for (int c = 0; c < 3; ++c) {
    int32_t f = far[c], n = near[c];
    if (!striated_) {
      channel[c] = static_cast<uint8_t>(RoundToInt(f + static_cast<double>(n - f) * i / depth_));
    } else {
      // Bands: the value grows with the layer and drops to a quarter on even layers, wrapping as a byte.
      int32_t v = ((n - f) / depth_ + f) * i;
      channel[c] = static_cast<uint8_t>(i % 2 == 0 ? v / 4 : v);
    }
  }
  return pf::RGB(channel[0], channel[1], channel[2]);
}

void TsbDisabledColors::Assign(const pf::TPersistent& source) {
  auto* from = dynamic_cast<const TsbDisabledColors*>(&source);
  if (!from) return pf::TPersistent::Assign(source);
  highlightColor_ = from->highlightColor_;
  shadeColor_ = from->shadeColor_;
  if (OnChange) OnChange();
}

// ---- TsbText ----

TsbText::TsbText(TsbTextCallbacks callbacks, pf::TCanvas* canvas, pf::TFont* font)
    : callbacks_(std::move(callbacks)), canvas_(canvas), font_(font) {
  for (TsbEffect* effect : std::initializer_list<TsbEffect*>{&shadow_, &extrude_, &disabledColors_})
    effect->OnChange = [this] { Changed(); };
  SetOptions(toShowAccel);
}

void TsbText::Assign(const pf::TPersistent& source) {
  auto* from = dynamic_cast<const TsbText*>(&source);
  if (!from) return pf::TPersistent::Assign(source);
  alignment_ = from->alignment_;
  vAlignment_ = from->vAlignment_;
  style_ = from->style_;
  highlightColor_ = from->highlightColor_;
  shadeColor_ = from->shadeColor_;
  outlineColor_ = from->outlineColor_;
  lineSpacing_ = from->lineSpacing_;
  rotation_ = from->rotation_;
  options_ = from->options_;
  wordWrap_ = from->wordWrap_;
  doubleBuffered_ = from->doubleBuffered_;
  drawFlags_ = from->drawFlags_;
  shadow_.Assign(from->shadow_);
  extrude_.Assign(from->extrude_);
  disabledColors_.Assign(from->disabledColors_);
  Changed();
}

void TsbText::Changed() {
  if (callbacks_.Repaint) callbacks_.Repaint();
  NotifyOwner();
}

void TsbText::NotifyOwner() {
  if (callbacks_.Changed) callbacks_.Changed();
}

void TsbText::SetOptions(TsbTextOptions value) {
  drawFlags_ = sbSetFlag(drawFlags_, pf::DT_NOPREFIX, (value & toShowAccel) == 0);
  drawFlags_ = sbSetFlag(drawFlags_, pf::DT_END_ELLIPSIS, (value & toShowEllipsis) != 0);
  Change(options_, value);
}

void TsbText::SetWordWrap(bool value) {
  drawFlags_ = sbSetFlag(drawFlags_, pf::DT_WORDBREAK, value);
  Change(wordWrap_, value);
}

double TsbText::Angle() const { return rotation_ * std::numbers::pi / 180.0; }

TsbLogFont TsbText::GetLogFont() {
  const pf::TFont& font = canvas_->Font();
  TsbLogFont lf;
  lf.Height =
      scaleByScreen_ ? RoundToInt(font.Height() * static_cast<double>(pf::kPixelsPerInch) / 96.0) : font.Height();
  lf.Escapement = lf.Orientation = rotation_ * 10;
  lf.Weight = (font.Style() & pf::fsBold) ? kBoldWeight : kNormalWeight;
  lf.Italic = (font.Style() & pf::fsItalic) != 0;
  lf.Underline = (font.Style() & pf::fsUnderline) != 0;
  lf.StrikeOut = (font.Style() & pf::fsStrikeOut) != 0;
  lf.CharSet = font.Charset() == pf::DEFAULT_CHARSET ? uint8_t{pf::ANSI_CHARSET} : font.Charset();
  lf.OutPrecision = rotation_ != 0 ? kTrueTypeOnlyPrecision : kTrueTypePrecision;
  lf.Quality = kProofQuality;
  lf.PitchAndFamily = kVariablePitch;
  lf.FaceName = font.Name();
  return lf;
}

void TsbText::PrepareFont() {
  canvas_->Font().Assign(*font_);
  TsbLogFont lf = GetLogFont();
  pf::TFontDesc desc = canvas_->Font().Desc();
  desc.Name = lf.FaceName;
  desc.Height = lf.Height;
  desc.Style =
      static_cast<pf::TFontStyles>((lf.Weight >= kBoldWeight ? pf::fsBold : 0) | (lf.Italic ? pf::fsItalic : 0) |
                                   (lf.Underline ? pf::fsUnderline : 0) | (lf.StrikeOut ? pf::fsStrikeOut : 0));
  desc.Charset = lf.CharSet;
  canvas_->Font().SetDesc(desc);
  // A full turn is no turn: the layer gets the angle within one turn, so that 360 draws exactly like 0.
  canvas_->Font().SetEscapement(lf.Escapement % 3600);
  canvas_->Font().SetColor(font_->Color());
  textSize_ = GetTextSize();
}

pf::TSize TsbText::GetTextSize() {
  pf::TSize size = sbMeasureMultiLineText(*canvas_, text_, lineSpacing_, drawFlags_);
  ++size.cx;
  return size;
}

// The extra room of the shadow and the extrusion (and the outline ring) beside the text.
pf::TSize TsbText::GetRotatedExtent(bool limitToRect) {
  int32_t w = textSize_.cx, h = textSize_.cy;
  if (shadow_.Enabled()) w += std::abs(shadow_.XOffset()), h += std::abs(shadow_.YOffset());
  if (extrude_.Enabled()) {
    const TsbStep& step = kOrientationSteps[extrude_.Orientation()];
    w += extrude_.Depth() * std::abs(step.dx);
    h += extrude_.Depth() * std::abs(step.dy);
  }
  if (style_ == sblsOutline) w += 2, h += 2;
  double a = Angle();
  pf::TSize extent{RoundToInt(std::abs(std::cos(a)) * w + std::abs(std::sin(a)) * h),
                   RoundToInt(std::abs(std::sin(a)) * w + std::abs(std::cos(a)) * h)};
  if (limitToRect) {
    extent.cx = sbMin(extent.cx, sbRectWidth(textRect_));
    extent.cy = sbMin(extent.cy, sbRectHeight(textRect_));
  }
  return extent;
}

pf::TPoint TsbText::GetRotatedOrigin() {
  double a = Angle();
  int32_t w = textSize_.cx, h = textSize_.cy;
  int32_t x = textRect_.Left + sbRectWidth(textRect_) / 2;
  int32_t y = textRect_.Top + sbRectHeight(textRect_) / 2;
  if (shadow_.Enabled()) x -= shadow_.XOffset() / 2, y -= shadow_.YOffset() / 2;
  if (extrude_.Enabled()) {
    const TsbStep& step = kOrientationSteps[extrude_.Orientation()];
    x -= extrude_.Depth() * std::abs(step.dx) / 2;
    y -= extrude_.Depth() * std::abs(step.dy) / 2;
  }
  x -= RoundToInt(std::cos(a) * w) / 2 + RoundToInt(std::sin(a) * h) / 2;
  y += RoundToInt(std::sin(a) * w) / 2 - RoundToInt(std::cos(a) * h) / 2;
  return {x, y};
}

void TsbText::CalcRect() {
  pf::TRect r = textRect_;
  lineFlags_ = drawFlags_ & ~(pf::DT_CENTER | pf::DT_RIGHT);
  if (rotation_ % 360 != 0) {
    // Rotated text starts at its origin and runs along the angle, so alignment does not apply and the rectangle
    // must not clip it.
    pf::TPoint origin = GetRotatedOrigin();
    pf::TSize extent = GetRotatedExtent(true);
    r = pf::Bounds(origin.X, origin.Y, extent.cx, extent.cy);
    pf::OffsetRect(r, sbMax(0, textRect_.Left - r.Left), sbMax(0, textRect_.Top - r.Top));
    lineFlags_ |= pf::DT_NOCLIP;
    drawRect_ = r;
    return;
  }
  int32_t w = textSize_.cx, h = textSize_.cy;
  switch (alignment_) {
    case taLeftJustify:
      r.Right = sbMin(r.Left + w, textRect_.Right);
      break;
    case taRightJustify:
      lineFlags_ |= pf::DT_RIGHT;
      r.Left = sbMax(r.Right - w, textRect_.Left);
      break;
    case taCenter:
      lineFlags_ |= pf::DT_CENTER;
      break;
  }
  switch (vAlignment_) {
    case vaTop:
      r.Bottom = r.Top + h;
      break;
    case vaVCenter:
      r.Top += (sbRectHeight(textRect_) - h) / 2;
      r.Bottom = r.Top + h;
      break;
    case vaBottom:
      r.Top = r.Bottom - h;
      break;
  }
  drawRect_ = r;
}

void TsbText::Draw() {
  if (!canvas_ || !font_) return;
  if (!doubleBuffered_) return DrawStyled();
  // The same drawing on a copy of the area, which then goes back in one piece.
  pf::TRect target = textRect_;
  if (pf::IsRectEmpty(target)) return;
  pf::TRect local = pf::Rect(0, 0, target.Width(), target.Height());
  pf::TBitmap buffer(target.Width(), target.Height(), pf::pf24bit);
  buffer.Canvas().CopyRect(local, *canvas_, target);
  pf::TCanvas* screen = canvas_;
  canvas_ = &buffer.Canvas();
  textRect_ = local;
  try {
    DrawStyled();
  } catch (...) {
    canvas_ = screen;
    textRect_ = target;
    throw;
  }
  canvas_ = screen;
  textRect_ = target;
  canvas_->CopyRect(target, buffer.Canvas(), local);
}

void TsbText::DrawStyled() {
  CanvasStateKeeper keep(*canvas_);
  PrepareFont();
  CalcRect();
  switch (style_) {
    case sblsDefault:
      return DrawDefault();
    case sblsLowered:
      return DrawLoweredRaised(false);
    case sblsRaised:
      return DrawLoweredRaised(true);
    case sblsOutline:
      return DrawOutline();
  }
}

void TsbText::DrawDefault() {
  if (!TextEnabled()) return DrawLoweredRaised(false);
  DrawExtrusion(drawRect_);
  DrawShadow(drawRect_);
  DrawLines(drawRect_, font_->Color());
}

void TsbText::DrawLoweredRaised(bool raised) {
  bool enabled = TextEnabled();
  DrawExtrusion(drawRect_);
  DrawShadow(drawRect_);
  pf::TColor highlight = enabled ? highlightColor_ : disabledColors_.HighlightColor();
  pf::TColor shade = enabled ? shadeColor_ : disabledColors_.ShadeColor();
  DrawEmbossed(drawRect_, raised ? highlight : shade, raised ? shade : highlight);
  DrawLines(drawRect_, enabled ? font_->Color() : disabledColors_.ShadeColor());
}

void TsbText::DrawEmbossed(const pf::TRect& r, pf::TColor upLeft, pf::TColor downRight) {
  for (auto [offset, color] : {std::pair{-1, upLeft}, std::pair{1, downRight}}) {
    if (color == pf::clNone) continue;
    pf::TRect layer = r;
    pf::OffsetRect(layer, offset, offset);
    DrawLines(layer, color);
  }
}

void TsbText::DrawOutline() {
  bool enabled = TextEnabled();
  DrawExtrusion(drawRect_);
  DrawShadow(drawRect_);
  DrawOutlineRing(drawRect_, enabled ? outlineColor_ : disabledColors_.ShadeColor());
  DrawLines(drawRect_, enabled ? font_->Color() : disabledColors_.HighlightColor());
}

void TsbText::DrawOutlineRing(const pf::TRect& r, pf::TColor color) {
  for (const TsbStep& step : kOrientationSteps) {
    pf::TRect layer = r;
    pf::OffsetRect(layer, step.dx, step.dy);
    DrawLines(layer, color);
  }
}

void TsbText::DrawShadow(const pf::TRect& r) {
  if (!shadow_.Enabled()) return;
  pf::TRect layer = r;
  pf::OffsetRect(layer, shadow_.XOffset(), shadow_.YOffset());
  DrawLines(layer, TextEnabled() ? shadow_.Color() : disabledColors_.ShadeColor());
}

// The layers come from the far end (Depth steps away, against the step) toward the text, the last one beside it.
void TsbText::DrawExtrusion(const pf::TRect& r) {
  if (!extrude_.Enabled() || extrude_.Depth() <= 0) return;
  const TsbStep& step = kOrientationSteps[extrude_.Orientation()];
  for (int32_t i = 1; i <= extrude_.Depth(); ++i) {
    pf::TRect layer = r;
    int32_t back = i - extrude_.Depth() - 1;
    pf::OffsetRect(layer, back * step.dx, back * step.dy);
    DrawLines(layer, extrude_.LayerColor(i));
  }
}

void TsbText::DrawLines(const pf::TRect& r, pf::TColor color) {
  canvas_->Font().SetColor(color);
  int bkMode = canvas_->SetBkMode(pf::TRANSPARENT);
  double sine = std::sin(Angle()), cosine = std::cos(Angle());
  pf::TRect line = r;
  auto advance = [&](int32_t step) { pf::OffsetRect(line, RoundToInt(sine * step), RoundToInt(cosine * step)); };
  if (!(wordWrap_ && (options_ & toFullJustify))) {
    for (int i = 0, count = sbCountTokens(text_, "\r\n"); i < count; ++i) {
      pf::TRect drawn = line;
      int32_t height = canvas_->DrawText(sbGetToken(text_, "\r\n", i), drawn, lineFlags_);
      advance(height + lineSpacing_);
    }
    canvas_->SetBkMode(bkMode);
    return;
  }
  // Full justification: words fill each line while it stays narrower than the rectangle; every line but a
  // paragraph's last spreads the missing width over its blanks.
  int32_t sample = sbGetTextHeight(*canvas_, kSampleText, sbMax(sbRectWidth(r), kMinSampleWidth), lineFlags_);
  auto emit = [&](const std::string& words, bool justify) {
    std::string text = pf::Trim(words);
    int blanks = static_cast<int>(std::count(text.begin(), text.end(), ' '));
    int32_t missing = sbRectWidth(r) - canvas_->TextWidth(text);
    if (justify && blanks > 0 && missing > 0) canvas_->SetTextJustification(missing, blanks);
    canvas_->TextOut(line.Left, line.Top, text);
    canvas_->SetTextJustification(0, 0);
    advance(sample);
  };
  std::string_view breakAt = text_.find("\n\n") != std::string::npos ? "\n\n" : "\r\n";
  for (int p = 0, count = sbCountTokens(text_, breakAt); p < count; ++p) {
    std::string paragraph = sbReplaceString(sbReplaceString(sbGetToken(text_, breakAt, p), "\r\n", " "), "\n", " ");
    std::string words;
    for (int position = 1; position <= static_cast<int>(paragraph.size());) {
      std::string token = sbGetNextToken(paragraph, position, "", sbtoSkipBlanks);
      if (token.empty()) break;
      std::string longer = words.empty() ? token : words + " " + token;
      if (words.empty() || canvas_->TextWidth(longer) < sbRectWidth(r)) {
        words = longer;
      } else {
        emit(words, true);
        words = token;
      }
    }
    emit(words, false);
    advance(lineSpacing_);
  }
  canvas_->SetBkMode(bkMode);
}

}  // namespace components
