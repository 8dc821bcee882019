#include "components/url_label.h"

#include "components/sb_common.h"
#include "platform/ui/system.h"

namespace components {

TUrlLabel::TUrlLabel(pf::TComponent* owner) : pf::TCustomLabel(owner) {
  SetCursor(pf::crHandPoint);
  SetUnderlineURL(true);
}

TUrlLabel::~TUrlLabel() = default;

void TUrlLabel::Loaded() {
  pf::TCustomLabel::Loaded();
  savedColor_ = kNoSavedColor;
}

void TUrlLabel::SetCaption(const std::string& value) {
  caption_ = value;
  SetText(caption_.empty() ? url_ : caption_);
}

void TUrlLabel::SetURL(const std::string& value) {
  url_ = value;
  if (caption_.empty()) SetText(url_);
}

void TUrlLabel::SetHighlightColor(pf::TColor value) {
  highlightColor_ = value == pf::clNone ? Font().Color() : value;
  ForgetSavedColor();
}

void TUrlLabel::SetVisitedColor(pf::TColor value) {
  visitedColor_ = value == pf::clNone ? Font().Color() : value;
  ForgetSavedColor();
}

void TUrlLabel::ForgetSavedColor() {
  if (hoverTimer_ == nullptr) savedColor_ = kNoSavedColor;
}

void TUrlLabel::SetUnderlineURL(bool value) {
  const pf::TFontStyles style = Font().Style();
  Font().SetStyle(static_cast<pf::TFontStyles>(value ? style | pf::fsUnderline : style & ~pf::fsUnderline));
}

// The whole address goes to the desktop, however long it is.
void TUrlLabel::Click() {
  if (!url_.empty() && pf::ShellExecute("open", url_) <= 32) pf::Beep();
  pf::TCustomLabel::Click();
  if (useVisitedColor_) savedColor_ = visitedColor_;
}

void TUrlLabel::MouseMove(pf::TShiftState shift, int32_t x, int32_t y) {
  pf::TCustomLabel::MouseMove(shift, x, y);
  if (hoverTimer_ != nullptr || !pf::PtInRect(ClientRect(), {x, y})) return;
  if (savedColor_ == kNoSavedColor) savedColor_ = Font().Color();
  Font().SetColor(highlightColor_);
  hoverTimer_ = std::make_unique<pf::TTimer>(nullptr);
  hoverTimer_->SetInterval(kHoverInterval);
  hoverTimer_->SetOnTimer([this](pf::TObject*) { HoverTimerTimer(); });
}

// The pointer may leave without a move over the label (quickly, or onto another window): the timer looks.
void TUrlLabel::HoverTimerTimer() {
  if (pf::PtInRect(ClientRect(), ScreenToClient(sbGetCursorPos()))) return;
  hoverTimer_.reset();  // from its own tick, which the window layer allows
  Font().SetColor(savedColor_);
  Repaint();
}

}  // namespace components
