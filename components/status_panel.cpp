// TsbStatusPanel: properties, the width rule, hosted controls, style timers, painting by style and mouse events.
#include <algorithm>
#include <cmath>
#include <limits>

#include "components/sb_common.h"
#include "components/status_bar.h"
#include "platform/core/exceptions.h"
#include "platform/core/strings.h"
#include "platform/ui/forms.h"
#include "platform/ui/menus.h"
#include "platform/ui/stdctrls.h"
#include "platform/ui/system.h"

namespace components {

namespace {

constexpr const char* kWidthError =
    "Width must be a valid, positive integer, or must be an integer followed by a \"%\" sign.";
constexpr int32_t kTextInset = 2;         // between the part's left and right edges and its text
constexpr int32_t kGlyphTextGap = 5;      // between a glyph and the text after it
constexpr int32_t kControlGap = 2;        // between a text and the control beside it
constexpr size_t kNameBufferLength = 25;  // what the system's name queries fill, terminating zero included

// The collection is held in an update while a panel is being made, so that no layout sees it half built.
pf::TCollection* HeldForUpdate(pf::TCollection* collection) {
  if (collection != nullptr) collection->BeginUpdate();
  return collection;
}

// A memo's lines are joined by CR LF, and the memo counts a line break as one position: where each line starts.
std::vector<int32_t> LineStarts(std::string_view text) {
  std::vector<int32_t> starts{0};
  int32_t position = 0;
  for (size_t i = 0; i < text.size(); ++i, ++position) {
    if (text.compare(i, 2, "\r\n") != 0) continue;
    ++i;
    starts.push_back(position + 1);
  }
  return starts;
}

}  // namespace

// ---- Making and copying

TsbStatusPanel::TsbStatusPanel(pf::TCollection* collection)
    : TsbCollectionItem(HeldForUpdate(collection)),
      textOptions_(
          std::make_unique<TsbCaptionText>(TsbTextCallbacks{[this] { Repaint(); }, [this] { TextOptionsChanged(); },
                                                            [this] { return GetDrawEnabled(); }},
                                           nullptr, &font_)) {
  struct EndUpdate {
    pf::TCollection* collection;
    ~EndUpdate() {
      if (collection != nullptr) collection->EndUpdate();
    }
  } endUpdate{collection};
  name_ = GetDefaultName();
  if (TsbCustomStatusBar* bar = GetStatusBar()) font_.Assign(bar->Font());
  font_.OnChange = [this](pf::TFont&) { Changed(); };
  textOptions_->SetVAlignment(vaVCenter);
  // Panel texts are status messages, file names and addresses: an "&" in them is a character, not a mark.
  textOptions_->SetOptions(0);
}

TsbStatusPanel::~TsbStatusPanel() {
  if (TsbCustomStatusBar* bar = GetStatusBar()) bar->ReleaseTimerOf(style_, this);
}

void TsbStatusPanel::AssignTo(pf::TPersistent& dest) const {
  auto* panel = dynamic_cast<TsbStatusPanel*>(&dest);
  if (panel == nullptr) return TsbCollectionItem::AssignTo(dest);
  panel->SetBevel(bevel_);
  panel->SetColor(color_);
  panel->SetComponent(component_);
  panel->SetEnabled(enabled_);
  panel->SetFont(font_);
  panel->SetHint(hint_);
  panel->SetImageIndex(imageIndex_);
  panel->SetIndent(indent_);
  panel->SetMargin(margin_);
  panel->SetPopupMenu(popupMenu_);
  panel->SetStyle(style_);
  panel->SetText(text_);
  panel->SetWidth(width_);
  panel->OnClick = OnClick;
  panel->OnDblClick = OnDblClick;
  panel->OnDrawText = OnDrawText;
  panel->OnMouseDown = OnMouseDown;
  panel->OnMouseMove = OnMouseMove;
  panel->OnMouseUp = OnMouseUp;
  panel->OnTextChanged = OnTextChanged;
}

std::string TsbStatusPanel::DisplayName() const { return name_.empty() ? TsbCollectionItem::DisplayName() : name_; }

std::string TsbStatusPanel::GetDefaultName() const {
  for (int n = 0;; ++n)
    if (std::string name = "Panel" + pf::IntToStr(n); !NameTaken(name)) return name;
}

bool TsbStatusPanel::NameTaken(const std::string& name) const {
  const TsbCustomStatusBar* bar = GetStatusBar();
  for (int i = 0; bar != nullptr && i < bar->PanelCount(); ++i)
    if (const TsbStatusPanel* other = bar->panels_->Items(i); other != this && pf::SameText(other->name_, name))
      return true;
  return false;
}

TsbCustomStatusBar* TsbStatusPanel::GetStatusBar() const {
  auto* panels = dynamic_cast<TsbStatusPanels*>(Collection());
  return panels != nullptr ? panels->StatusBar() : nullptr;
}

void TsbStatusPanel::Changed() { pf::TCollectionItem::Changed(false); }

void TsbStatusPanel::Notification(pf::TComponent* component, pf::TOperation operation) {
  if (operation != pf::opRemove || component == nullptr) return;
  if (component == component_) component_ = nullptr;
  if (component == popupMenu_) popupMenu_ = nullptr;
}

// ---- Properties

pf::TControl* TsbStatusPanel::HostedControl() const {
  return style_ == psControl ? dynamic_cast<pf::TControl*>(component_) : nullptr;
}

void TsbStatusPanel::SetBevel(TsbStatusPanelBevel value) { Change(bevel_, value); }

void TsbStatusPanel::SetColor(pf::TColor value) { Change(color_, value); }

void TsbStatusPanel::SetEnabled(bool value) {
  if (value == enabled_) return;
  enabled_ = value;
  if (pf::TControl* control = HostedControl()) control->SetEnabled(value);
  Changed();
}

void TsbStatusPanel::SetFont(const pf::TFont& value) {
  font_.Assign(value);
  if (pf::TControl* control = HostedControl()) control->Font().Assign(value);
  Changed();
}

void TsbStatusPanel::SetHint(const std::string& value) {
  hint_ = value;
  if (pf::TControl* control = HostedControl()) control->SetHint(value);
  Changed();
}

void TsbStatusPanel::SetImageIndex(int32_t value) { Change(imageIndex_, value); }

void TsbStatusPanel::SetIndent(int32_t value) { Change(indent_, value); }

void TsbStatusPanel::SetMargin(int32_t value) { Change(margin_, value); }

void TsbStatusPanel::SetName(const std::string& value) {
  if (value == name_) return;
  if (NameTaken(value)) throw pf::EInvalidOperation(pf::Format("A panel named %s already exists.", {value}));
  name_ = value;
  Changed();
}

void TsbStatusPanel::SetPopupMenu(pf::TPopupMenu* value) {
  popupMenu_ = value;
  if (TsbCustomStatusBar* bar = GetStatusBar(); bar != nullptr && value != nullptr) bar->FreeNotification(value);
}

void TsbStatusPanel::SetText(const std::string& value) {
  if (value == text_) return;
  text_ = value;
  DoTextChanged(value);
  Repaint();
}

bool TsbStatusPanel::ParseWidth(std::string_view width, int32_t& pixels, int32_t& percent) {
  const bool isPercent = !width.empty() && width.back() == '%';
  if (isPercent) width.remove_suffix(1);
  if (width.empty() || width.size() > 10) return false;
  int64_t value = 0;
  for (char c : width) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  if (value > std::numeric_limits<int32_t>::max()) return false;
  pixels = isPercent ? -1 : static_cast<int32_t>(value);
  percent = isPercent ? static_cast<int32_t>(value) : 0;
  return true;
}

void TsbStatusPanel::SetWidth(const std::string& value) {
  if (value == width_) return;
  int32_t pixels = 0, percent = 0;
  if (!ParseWidth(value, pixels, percent)) throw pf::EInvalidOperation(kWidthError);
  width_ = value;
  pixelWidth_ = std::max(pixels, 0);
  if (TsbCustomStatusBar* bar = GetStatusBar()) bar->Resize();
  pf::TCollectionItem::Changed(true);
}

// ---- Hosted controls and timers

void TsbStatusPanel::SetComponent(pf::TComponent* value) {
  if (value == nullptr && component_ == nullptr) return;
  TsbCustomStatusBar* bar = GetStatusBar();
  if (value != nullptr && value == bar) throw pf::EInvalidOperation("Control cannot equal parent StatusBar");
  if (auto* control = dynamic_cast<pf::TControl*>(component_);
      control != nullptr && !control->Destroying() && style_ != psRichEditStatus)
    control->SetParent(pf::GetParentForm(bar));
  component_ = value;
  if (value == nullptr) {
    if (bar != nullptr) bar->ReleaseTimerOf(style_, this);
    style_ = psTextOnly;
  } else {
    if (bar != nullptr) bar->FreeNotification(value);
    SetStyle(dynamic_cast<pf::TMemo*>(value) != nullptr ? psRichEditStatus : psControl);
  }
  Changed();
}

void TsbStatusPanel::SetStyle(TsbStatusPanelStyle value) {
  TsbCustomStatusBar* bar = GetStatusBar();
  if (value != style_) {
    if (bar != nullptr) bar->ReleaseTimerOf(style_, this);
    style_ = value;
    const uintptr_t timer = TimerOfStyle(value);
    if (bar != nullptr && timer != 0 && (bar->ComponentState() & pf::csDesigning) == 0)
      bar->StartTimer(timer, timer == kDateTimeTimer ? kDateTimeInterval
                             : timer == kHintTimer   ? kHintInterval
                                                     : kRichEditInterval);
  }
  // A control is hosted by one panel of all bars at most.
  if (style_ == psControl && component_ != nullptr)
    for (TsbCustomStatusBar* other : std::vector<TsbCustomStatusBar*>(StatusBarList()))
      for (int i = 0; i < other->PanelCount(); ++i) {
        TsbStatusPanel* panel = other->Panels()[i];
        if (panel != this && panel->component_ == component_) panel->SetComponent(nullptr);
      }
  Changed();
}

// ---- Painting

bool TsbStatusPanel::UpdateDateTimeText() {
  const pf::TDateTime now = pf::Now();
  std::string text;
  switch (style_) {
    case psDateTime:
      text = pf::FormatDateTime(std::string(kShortDateFormat) + " " + kLongTimeFormat, now);
      break;
    case psDate:
      text = pf::FormatDateTime(kShortDateFormat, now);
      break;
    case psTime:
      text = pf::FormatDateTime(kLongTimeFormat, now);
      break;
    default:
      return false;
  }
  lastTimeValue_ = CurrentTimeValue(now);
  if (text == text_) return false;
  text_ = text;
  DoTextChanged(text_);
  return true;
}

// Date and time panels compare the whole value, dates the whole days, times the fraction of the day.
pf::TDateTime TsbStatusPanel::CurrentTimeValue(pf::TDateTime now) const {
  switch (style_) {
    case psDate:
      return std::floor(now);
    case psTime:
      return now - std::floor(now);
    default:
      return now;
  }
}

void TsbStatusPanel::Paint(pf::TCanvas& canvas, const pf::TRect& rect) {
  struct Restore {
    TsbStatusPanel& panel;
    pf::TCanvas* canvas;
    pf::TRect rect;
    ~Restore() { panel.canvas_ = canvas, panel.rect_ = rect; }
  } restore{*this, canvas_, rect_};
  canvas_ = &canvas;
  rect_ = rect;
  if (TimerOfStyle(style_) == kDateTimeTimer) UpdateDateTimeText();
  if (style_ != psControl) {
    canvas.Brush().SetColor(color_);
    canvas.Brush().SetStyle(pf::bsSolid);
    canvas.FillRect(rect);
  }
  switch (style_) {
    case psTextOnly:
    case psDateTime:
    case psDate:
    case psTime:
      return PaintText(text_, enabled_);
    case psControl:
      return PaintControl();
    case psOverWrite:
    case psCapsLock:
    case psNumLock:
    case psScrollLock:
      return PaintKeyboardState();
    case psGlyph:
      return PaintGlyph();
    case psRichEditStatus:
      return PaintRichEditStatus();
    case psHint:
    case psHintContainerOnly:
      return PaintHint();
    case psUserName:
      return PaintUserName();
    case psComputerName:
      return PaintComputerName();
  }
}

void TsbStatusPanel::PaintText(const std::string& text, bool enabled) {
  if (canvas_ == nullptr) return;
  pf::TRect r = rect_;
  r.Left += kTextInset + indent_;
  r.Right -= kTextInset;
  canvas_->Font().Assign(font_);
  textOptions_->SetCanvas(canvas_);
  textOptions_->SetTextRect(r);
  if (painting_) return;
  std::string drawn = text;
  {
    painting_ = true;
    struct Guard {
      bool& flag;
      ~Guard() { flag = false; }
    } guard{painting_};
    if (OnDrawText) OnDrawText(this, drawn, enabled);
    textOptions_->SetText(drawn);
    drawEnabled_ = enabled;
    canvas_->Brush().SetStyle(pf::bsClear);
    textOptions_->Draw();
  }
  if (drawn != text_) DoTextChanged(drawn);
}

// The control takes the part beside the text (or the whole part without one), less Margin on every side.
void TsbStatusPanel::PaintControl() {
  TsbCustomStatusBar* bar = GetStatusBar();
  if (bar == nullptr || bar->IsLoading()) return;
  pf::TControl* control = HostedControl();
  if (control != nullptr && control->Parent() != bar) control->SetParent(bar);
  PaintText(text_, enabled_);
  if (control == nullptr) return;
  pf::TRect r = rect_;
  if (!text_.empty()) {
    if (textOptions_->Alignment() == taLeftJustify) r.Left = textOptions_->DrawnRect().Right + kControlGap;
    if (textOptions_->Alignment() == taRightJustify) r.Right = textOptions_->DrawnRect().Left - kControlGap;
  }
  pf::InflateRect(r, -margin_, -margin_);
  if (r.Width() <= 0 || r.Height() <= 0 || control->BoundsRect() == r) return;
  control->SetBoundsRect(r);
  control->Invalidate();
}

void TsbStatusPanel::PaintGlyph() {
  TsbCustomStatusBar* bar = GetStatusBar();
  const pf::TImageList* images = bar != nullptr ? bar->Images() : nullptr;
  if (images != nullptr && imageIndex_ >= 0 && imageIndex_ < images->Count()) {
    const int32_t y = rect_.Top + (rect_.Height() - images->Height()) / 2;
    sbDrawImageListImage(*canvas_, *images, imageIndex_, rect_.Left + margin_, y, enabled_);
    rect_.Left += images->Width() + kGlyphTextGap;
  }
  PaintText(text_, enabled_);
}

void TsbStatusPanel::PaintKeyboardState() {
  TsbCustomStatusBar* bar = GetStatusBar();
  const TsbStatusBarText& texts = bar->StatusBarText();
  int key = 0;
  std::string text;
  switch (style_) {
    case psOverWrite:
      key = pf::VK_INSERT, text = texts.Overwrite();
      break;
    case psCapsLock:
      key = pf::VK_CAPITAL, text = texts.CapsLock();
      break;
    case psNumLock:
      key = pf::VK_NUMLOCK, text = texts.NumLock();
      break;
    case psScrollLock:
      key = pf::VK_SCROLL, text = texts.ScrollLock();
      break;
    default:
      return;
  }
  text_.clear();
  const bool keyIsOn = (pf::GetKeyState(key) & 1) != 0;
  if (bar->OnDrawKeyboardState) bar->OnDrawKeyboardState(bar, this, keyIsOn, rect_, text);
  PaintText(text, keyIsOn);
}

void TsbStatusPanel::PaintHint() {
  if (style_ == psHintContainerOnly && !GetStatusBar()->ContainerHasMouse()) return;
  PaintText(pf::Application().Hint(), enabled_);
}

// The system's name calls fill a buffer of 25 characters: a longer name is a failure.
void TsbStatusPanel::PaintUserName() {
  const std::string name = pf::GetUserName();
  if (name.empty() || name.size() >= kNameBufferLength) return;
  PaintText(name, enabled_);
}

void TsbStatusPanel::PaintComputerName() {
  std::string name = pf::GetComputerName();
  if (name.size() >= kNameBufferLength) name.clear();
  PaintText(name, enabled_);
}

void TsbStatusPanel::PaintRichEditStatus() {
  PaintText("Ln: " + pf::IntToStr(line_ + 1) + ", Col: " + pf::IntToStr(column_ + 1), enabled_);
}

// The line and column of the edit's selection start; its lines are its paragraphs, so a position belongs to
// exactly one line.
bool TsbStatusPanel::UpdateCaretPosition() {
  auto* memo = dynamic_cast<pf::TMemo*>(component_);
  if (memo == nullptr) return false;
  const std::vector<int32_t> starts = LineStarts(memo->GetText());
  const int32_t selStart = memo->SelStart();
  const auto line = static_cast<int32_t>(std::upper_bound(starts.begin(), starts.end(), selStart) - starts.begin() - 1);
  const int32_t column = selStart - starts[static_cast<size_t>(std::max(line, 0))];
  if (line == line_ && column == column_) return false;
  line_ = line;
  column_ = column;
  return true;
}

pf::TPoint TsbStatusPanel::PanelToScreen(const pf::TPoint& point) const {
  const pf::TRect r = GetPanelRect();
  TsbCustomStatusBar* bar = GetStatusBar();
  return bar != nullptr ? bar->ClientToScreen({r.Left + point.X, r.Top + point.Y}) : point;
}

pf::TRect TsbStatusPanel::GetPanelRect() const {
  TsbCustomStatusBar* bar = GetStatusBar();
  return bar != nullptr ? bar->PartRect(Index()) : pf::TRect{};
}

// The part is drawn again at once (the window layer paints through its own back buffer, so nothing flickers);
// while the bar paints, it is only marked.
void TsbStatusPanel::Repaint() {
  TsbCustomStatusBar* bar = GetStatusBar();
  if (bar == nullptr || bar->IsLoading()) return;
  if (!bar->InResize() && TimerOfStyle(style_) == kDateTimeTimer && CurrentTimeValue(pf::Now()) == lastTimeValue_)
    return;
  const pf::TRect r = GetPanelRect();
  if (pf::IsRectEmpty(r)) return;
  bar->InvalidateRect(r);
  if (!bar->painting_) bar->Update();
}

// ---- Mouse

void TsbStatusPanel::Click() {
  if (OnClick) OnClick(this);
}

// A double click on a lock-key panel toggles its key where the window layer can press it. The key's own events
// reach the program only while one of its windows has the focus, so every bar shows the new state here.
void TsbStatusPanel::DblClick() {
  const TsbStatusPanelStyle style = style_;  // the handler may free the panel
  if (OnDblClick) OnDblClick(this);
  const int key = LockKeyOfStyle(style);
  if (key != 0 && pf::ToggleLockKey(key)) RepaintStyleInEveryBar(style);
}

void TsbStatusPanel::MouseDown(pf::TMouseButton button, pf::TShiftState shift, int32_t x, int32_t y) {
  if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
  if (button == pf::mbRight && popupMenu_ != nullptr) {
    const pf::TPoint at = sbGetCursorPos();
    popupMenu_->Popup(at.X, at.Y);
  }
}

void TsbStatusPanel::MouseMove(pf::TShiftState shift, int32_t x, int32_t y) {
  if (OnMouseMove) OnMouseMove(this, shift, x, y);
  TsbCustomStatusBar* bar = GetStatusBar();
  if (bar != nullptr && bar->Hint() != hint_) {
    pf::Application().CancelHint();
    bar->SetHint(hint_);
  }
}

void TsbStatusPanel::MouseUp(pf::TMouseButton button, pf::TShiftState shift, int32_t x, int32_t y) {
  if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
}

void TsbStatusPanel::DoTextChanged(const std::string& text) {
  if (OnTextChanged) OnTextChanged(this, text);
}

}  // namespace components
