// TsbCustomStatusBar and TsbStatusPanels: panel widths and parts, owner drawing, timers, the lock-key hook and the
// mouse.
#include "components/status_bar.h"

#include <algorithm>
#include <limits>

#include "components/sb_common.h"
#include "platform/ui/forms.h"
#include "platform/ui/stdctrls.h"
#include "platform/ui/system.h"

namespace components {

namespace {

constexpr int32_t kGripArea = 25;         // the corner repainted when the bar only changes its width
constexpr int32_t kMaxGripTrimming = 23;  // the last panel leaves at most this much to the size grip

// Every bar that exists, and the keyboard hook they share while there is one.
struct BarRegistry {
  std::vector<TsbCustomStatusBar*> bars;
  pf::THookId hook = 0;
};

BarRegistry& Registry() {
  static BarRegistry registry;
  return registry;
}

// Every event of a lock key draws the panels that show it again: a display may switch a lock on when its key goes
// down and off only when it comes up.
void LockKeyHook(uint16_t virtualKey, bool, bool) {
  for (const TsbStatusPanelStyle style : {psCapsLock, psOverWrite, psNumLock, psScrollLock})
    if (LockKeyOfStyle(style) == virtualKey) RepaintStyleInEveryBar(style);
}

}  // namespace

uintptr_t TimerOfStyle(TsbStatusPanelStyle style) {
  switch (style) {
    case psDateTime:
    case psDate:
    case psTime:
      return kDateTimeTimer;
    case psHint:
    case psHintContainerOnly:
      return kHintTimer;
    case psRichEditStatus:
      return kRichEditTimer;
    default:
      return 0;
  }
}

const std::vector<TsbCustomStatusBar*>& StatusBarList() { return Registry().bars; }

int LockKeyOfStyle(TsbStatusPanelStyle style) {
  switch (style) {
    case psOverWrite:
      return pf::VK_INSERT;
    case psCapsLock:
      return pf::VK_CAPITAL;
    case psNumLock:
      return pf::VK_NUMLOCK;
    case psScrollLock:
      return pf::VK_SCROLL;
    default:
      return 0;
  }
}

void RepaintStyleInEveryBar(TsbStatusPanelStyle style) {
  for (TsbCustomStatusBar* bar : std::vector<TsbCustomStatusBar*>(Registry().bars))
    if (bar->PanelCount() > 0) bar->Panels().RepaintStyle(style);
}

// ---- TsbStatusBarText

void TsbStatusBarText::Assign(const pf::TPersistent& source) {
  auto* from = dynamic_cast<const TsbStatusBarText*>(&source);
  if (from == nullptr) return pf::TPersistent::Assign(source);
  capsLock_ = from->capsLock_;
  overwrite_ = from->overwrite_;
  numLock_ = from->numLock_;
  scrollLock_ = from->scrollLock_;
  statusBar_->Invalidate();
}

void TsbStatusBarText::Change(std::string& field, const std::string& value) {
  if (field == value) return;
  field = value;
  statusBar_->Invalidate();
}

// ---- TsbStatusPanels

TsbStatusPanels::TsbStatusPanels(TsbCustomStatusBar* statusBar)
    : TsbCollection(statusBar, [](pf::TCollection* c) { return new TsbStatusPanel(c); }), statusBar_(statusBar) {}

TsbStatusPanels::~TsbStatusPanels() {
  // The panels go while they can still reach their bar through this collection; no layout runs for them.
  BeginUpdate();
  while (Count() > 0) delete pf::TCollection::Items(Count() - 1);
}

TsbStatusPanel* TsbStatusPanels::Items(int index) const {
  return static_cast<TsbStatusPanel*>(pf::TCollection::Items(index));
}

TsbStatusPanel* TsbStatusPanels::Add() { return static_cast<TsbStatusPanel*>(pf::TCollection::Add()); }

void TsbStatusPanels::RepaintStyle(TsbStatusPanelStyle style) {
  for (int i = 0; i < Count(); ++i)
    if (Items(i)->Style() == style) Items(i)->Repaint();
}

void TsbStatusPanels::Update(pf::TCollectionItem* item) {
  if (item == nullptr)
    statusBar_->UpdatePanels();
  else
    statusBar_->SetPanelText(item->Index(), true);
}

// ---- TsbCustomStatusBar: life

TsbCustomStatusBar::TsbCustomStatusBar(pf::TComponent* owner) : pf::TStatusBarControl(owner), statusBarText_(this) {
  SetControlStyle(pf::csCaptureMouse | pf::csClickEvents | pf::csOpaque | pf::csDoubleClicks);
  SetColor(pf::clBtnFace);
  SetHeight(pf::kStatusBarHeight);
  SetAlign(pf::alBottom);
  SetSizeGrip(true);
  OnDrawPart = [this](pf::TStatusBarControl&, pf::TCanvas& canvas, int part, const pf::TRect& rect) {
    DrawPart(canvas, part, rect);
  };
  BarRegistry& registry = Registry();
  if (registry.bars.empty()) registry.hook = pf::AddKeyboardHook(LockKeyHook);
  registry.bars.push_back(this);
  UpdatePanels();
}

TsbCustomStatusBar::~TsbCustomStatusBar() {
  BarRegistry& registry = Registry();
  std::erase(registry.bars, this);
  if (registry.bars.empty()) pf::RemoveKeyboardHook(registry.hook);
  OnDrawPart = nullptr;
  panels_.reset();
  for (uintptr_t id : std::set<uintptr_t>(timers_)) StopTimer(id);
}

void TsbCustomStatusBar::Loaded() {
  pf::TStatusBarControl::Loaded();
  Resize();
}

void TsbCustomStatusBar::Invalidate() {
  if (!IsLoading()) pf::TStatusBarControl::Invalidate();
}

TsbStatusPanelsClass TsbCustomStatusBar::GetPanelsClass() const { return PanelsClassOf<TsbStatusPanels>; }

TsbStatusPanels& TsbCustomStatusBar::Panels() {
  if (panels_ == nullptr) panels_ = GetPanelsClass()(this);
  return *panels_;
}

void TsbCustomStatusBar::Notification(pf::TComponent* component, pf::TOperation operation) {
  pf::TStatusBarControl::Notification(component, operation);
  if (operation != pf::opRemove) return;
  if (component == images_) images_ = nullptr;
  for (int i = 0; i < PanelCount(); ++i) panels_->Items(i)->Notification(component, operation);
}

void TsbCustomStatusBar::SetImages(pf::TImageList* value) {
  images_ = value;
  if (value != nullptr) FreeNotification(value);
  Invalidate();
}

// ---- Widths and parts

void TsbCustomStatusBar::Resize() {
  const int32_t width = Width();
  if (!IsLoading() && width != 0) {
    // Fixed widths in order, each at most what is left; then every share of what the fixed ones leave.
    int32_t total = 0;
    bool anyPercent = false;
    for (int i = 0; i < PanelCount(); ++i) {
      TsbStatusPanel* panel = panels_->Items(i);
      int32_t pixels = -1, percent = 0;
      TsbStatusPanel::ParseWidth(panel->Width(), pixels, percent);
      anyPercent = anyPercent || percent != 0 || pixels < 0;
      panel->SetPixelWidth(std::min(width - total, pixels));
      if (panel->PixelWidth() != -1) total += panel->PixelWidth();
    }
    for (int i = 0; i < PanelCount(); ++i) {
      TsbStatusPanel* panel = panels_->Items(i);
      int32_t pixels = 0, percent = 0;
      if (panel->PixelWidth() != -1 || width - total <= 0) continue;
      TsbStatusPanel::ParseWidth(panel->Width(), pixels, percent);
      const int64_t share = int64_t{percent} * (width - total) / 100;
      panel->SetPixelWidth(static_cast<int32_t>(std::min<int64_t>(share, std::numeric_limits<int32_t>::max())));
    }
    if (lastSize_ == pf::TSize{0, 0} || lastSize_.cy != Height()) {
      UpdatePanels();
    } else {
      pf::TRect grip{width - kGripArea, 0, width, Height()};
      if (width > lastSize_.cx) grip.Left = lastSize_.cx - kGripArea;
      InvalidateRect(grip);
    }
    lastSize_ = {width, Height()};
    if (anyPercent) UpdatePanels();
  }
  pf::TStatusBarControl::Resize();
}

void TsbCustomStatusBar::UpdatePanels() {
  const int count = std::min(PanelCount(), kMaxPanelParts);
  if (count == 0) {
    SetParts({-1});
    SetPartText(0, "");
    return;
  }
  // Shares of up to 2^31-1 per cent add up beyond 32 bits: an edge past the bar's end is its end anyway.
  std::vector<int32_t> edges;
  int64_t right = 0;
  for (int i = 0; i < count - 1; ++i) {
    right += panels_->Items(i)->PixelWidth();
    edges.push_back(static_cast<int32_t>(std::min<int64_t>(right, std::numeric_limits<int32_t>::max())));
  }
  edges.push_back(-1);
  SetParts(edges);
  for (int i = 0; i < count; ++i) SetPanelText(i, false);
}

// One tab in front centres the part's text, two right-align it.
void TsbCustomStatusBar::SetPanelText(int index, bool repaint) {
  if (index < 0 || index >= std::min(PartCount(), PanelCount())) return;
  const TsbStatusPanel* panel = panels_->Items(index);
  uint32_t flags = pf::SBT_OWNERDRAW;
  if (panel->Bevel() == pbNone) flags |= pf::SBT_NOBORDERS;
  if (panel->Bevel() == pbRaised) flags |= pf::SBT_POPOUT;
  std::string text = panel->Text();
  const TAlignment alignment = panels_->Items(index)->TextOptions().Alignment();
  if (alignment == taRightJustify) text = "\t\t" + text;
  if (alignment == taCenter) text = "\t" + text;
  SetPartText(index, text, flags);
  if (repaint) InvalidateRect(PartRect(index));
}

TsbStatusPanel* TsbCustomStatusBar::GetPanelAt(int32_t x, int32_t y) {
  const pf::TPoint point = x == -1 && y == -1 ? ScreenToClient(sbGetCursorPos()) : pf::TPoint{x, y};
  for (int i = 0; i < PanelCount(); ++i)
    if (pf::PtInRect(panels_->Items(i)->GetPanelRect(), point)) return panels_->Items(i);
  return nullptr;
}

// ---- Drawing

// With more panels than parts the control keeps the first 128, so only another count means the parts are stale.
void TsbCustomStatusBar::DrawPart(pf::TCanvas& canvas, int part, const pf::TRect& rect) {
  if (PartCount() != std::min(PanelCount(), kMaxPanelParts)) {
    UpdatePanels();
    return;
  }
  pf::TRect visible;
  if (part < 0 || part >= PanelCount() || !pf::IntersectRect(visible, canvas.ClipRect(), rect)) return;
  const int saved = canvas.SaveDC();
  struct Restore {
    TsbCustomStatusBar& bar;
    pf::TCanvas& canvas;
    int saved;
    ~Restore() {
      bar.painting_ = false;
      canvas.RestoreDC(saved);
    }
  } restore{*this, canvas, saved};
  painting_ = true;
  canvas.Font().Assign(Font());
  canvas.Brush().SetColor(pf::clBtnFace);
  canvas.Brush().SetStyle(pf::bsSolid);
  DrawPanel(panels_->Items(part), rect);
}

pf::TRect TsbCustomStatusBar::TrimmedForGrip(const TsbStatusPanel* panel, pf::TRect rect) const {
  if (SizeGrip() && panel->Index() == PanelCount() - 1)
    rect.Right -= std::min(kMaxGripTrimming, pf::GetSystemMetrics(pf::SM_CXVSCROLL) + 1);
  return rect;
}

void TsbCustomStatusBar::DrawPanel(TsbStatusPanel* panel, const pf::TRect& rect) {
  const pf::TRect r = TrimmedForGrip(panel, rect);
  panel->Paint(Canvas(), r);
  if (OnDrawPanel) OnDrawPanel(this, panel, r);
}

// ---- Messages and timers

void TsbCustomStatusBar::WndProc(pf::TMessage& message) {
  switch (message.Msg) {
    case pf::WM_SIZE: {
      inResize_ = true;
      struct Done {
        bool& flag;
        ~Done() { flag = false; }
      } done{inResize_};
      pf::TStatusBarControl::WndProc(message);
      for (int i = 0; i < PanelCount(); ++i) {
        TsbStatusPanel* panel = panels_->Items(i);
        if (panel->Component() == nullptr || dynamic_cast<pf::TMemo*>(panel->Component()) != nullptr) panel->Repaint();
      }
      return;
    }
    case pf::WM_TIMER:
      if (message.WParam == kDateTimeTimer || message.WParam == kHintTimer || message.WParam == kRichEditTimer) {
        Timer(message.WParam);
        return;
      }
      break;
    default:
      break;
  }
  pf::TStatusBarControl::WndProc(message);
}

void TsbCustomStatusBar::Timer(uintptr_t id) {
  for (int i = 0; i < PanelCount(); ++i) {
    TsbStatusPanel* panel = panels_->Items(i);
    if (TimerOfStyle(panel->Style()) != id) continue;
    if (id == kDateTimeTimer) panel->Repaint();
    if (id == kHintTimer && (panel->Style() == psHint || ContainerHasMouse())) panel->SetText(pf::Application().Hint());
    if (id == kRichEditTimer && panel->UpdateCaretPosition()) panel->Repaint();
  }
}

void TsbCustomStatusBar::StartTimer(uintptr_t id, uint32_t milliseconds) {
  SetTimer(id, milliseconds);
  timers_.insert(id);
}

void TsbCustomStatusBar::StopTimer(uintptr_t id) {
  KillTimer(id);
  timers_.erase(id);
}

void TsbCustomStatusBar::ReleaseTimerOf(TsbStatusPanelStyle style, const TsbStatusPanel* leaving) {
  const uintptr_t id = TimerOfStyle(style);
  if (id == 0) return;
  for (int i = 0; i < PanelCount(); ++i)
    if (panels_->Items(i) != leaving && TimerOfStyle(panels_->Items(i)->Style()) == id) return;
  StopTimer(id);
}

// The mouse is over the form that holds the bar, and that form is the active one.
bool TsbCustomStatusBar::ContainerHasMouse() const {
  const pf::TCustomForm* form = pf::GetParentForm(this);
  if (form == nullptr || !form->Active()) return false;
  return pf::PtInRect(form->BoundsRect(), sbGetCursorPos());
}

// ---- Mouse: the panel under the cursor hears each event first.

void TsbCustomStatusBar::Click() {
  if (TsbStatusPanel* panel = GetPanelAt(-1, -1)) panel->Click();
  pf::TStatusBarControl::Click();
}

void TsbCustomStatusBar::DblClick() {
  if (TsbStatusPanel* panel = GetPanelAt(-1, -1)) panel->DblClick();
  pf::TStatusBarControl::DblClick();
}

void TsbCustomStatusBar::MouseDown(pf::TMouseButton button, pf::TShiftState shift, int32_t x, int32_t y) {
  if (TsbStatusPanel* panel = GetPanelAt(-1, -1)) panel->MouseDown(button, shift, x, y);
  pf::TStatusBarControl::MouseDown(button, shift, x, y);
}

void TsbCustomStatusBar::MouseMove(pf::TShiftState shift, int32_t x, int32_t y) {
  if (TsbStatusPanel* panel = GetPanelAt(-1, -1)) panel->MouseMove(shift, x, y);
  pf::TStatusBarControl::MouseMove(shift, x, y);
}

void TsbCustomStatusBar::MouseUp(pf::TMouseButton button, pf::TShiftState shift, int32_t x, int32_t y) {
  if (TsbStatusPanel* panel = GetPanelAt(-1, -1)) panel->MouseUp(button, shift, x, y);
  pf::TStatusBarControl::MouseUp(button, shift, x, y);
}

}  // namespace components
