// TWinControl: children, alignment, focus and the tab order, keys, timers.
#include <algorithm>

#include "platform/core/exceptions.h"
#include "platform/core/strings.h"
#include "platform/ui/forms.h"
#include "platform/ui/host_qt.h"

namespace pf {

namespace {

// Whether c1 goes before c2 among the children aligned the same way (the framework's stacking order).
bool InsertBefore(const TControl* c1, const TControl* c2, TAlign align) {
  switch (align) {
    case alTop:
      return c1->Top() < c2->Top();
    case alBottom:
      return c1->Top() + c1->Height() >= c2->Top() + c2->Height();
    case alLeft:
      return c1->Left() < c2->Left();
    case alRight:
      return c1->Left() + c1->Width() >= c2->Left() + c2->Width();
    default:
      return false;
  }
}

// Puts an aligned control into the remaining rectangle and takes its room off it.
void DoPosition(TControl* control, TAlign align, TRect& rect) {
  const int32_t width = std::max(rect.Width(), 0), height = std::max(rect.Height(), 0);
  switch (align) {
    case alTop:
      control->SetBounds(rect.Left, rect.Top, width, control->Height());
      rect.Top += control->Height();
      break;
    case alBottom:
      rect.Bottom -= control->Height();
      control->SetBounds(rect.Left, rect.Bottom, width, control->Height());
      break;
    case alLeft:
      control->SetBounds(rect.Left, rect.Top, control->Width(), height);
      rect.Left += control->Width();
      break;
    case alRight:
      rect.Right -= control->Width();
      control->SetBounds(rect.Right, rect.Top, control->Width(), height);
      break;
    case alClient:
      control->SetBounds(rect.Left, rect.Top, width, height);
      break;
    default:
      break;
  }
}

// Takes item out of list, looked for from both ends at once: children mostly leave in the order they came or the
// reverse, so that a window of many children is emptied in linear time.
template <typename T>
void EraseFromEitherEnd(std::deque<T*>& list, const TControl* item) {
  for (size_t front = 0, back = list.size(); front < back; ++front) {
    if (list[front] == item) {
      list.erase(list.begin() + static_cast<std::ptrdiff_t>(front));
      return;
    }
    if (list[--back] == item) {
      list.erase(list.begin() + static_cast<std::ptrdiff_t>(back));
      return;
    }
  }
}

}  // namespace

TWinControl::TWinControl(TComponent* owner) : TWinControl(owner, MakeCustomHost()) {}

TWinControl::TWinControl(TComponent* owner, std::unique_ptr<ControlHost> host) : TControl(owner, std::move(host)) {
  UpdateFocusPolicy();
}

TWinControl::~TWinControl() {
  closing_ = true;
  Perform(WM_DESTROY);
  // Children go with their parent, topmost first; each leaves the list in its destructor.
  while (!controls_.empty()) delete controls_.back();
}

TControl* TWinControl::Controls(int index) const {
  if (index < 0 || index >= ControlCount()) throw EListError(Format("List index out of bounds (%d)", {index}));
  return controls_[static_cast<size_t>(index)];
}

bool TWinControl::ContainsControl(const TControl* control) const {
  while (control != nullptr && control != this) control = control->Parent();
  return control != nullptr;
}

TControl* TWinControl::ControlAtPos(const TPoint& pos, bool allowDisabled, bool allowWinControls) const {
  for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
    TControl* c = *it;
    if (!c->Visible() || (!c->Enabled() && !allowDisabled)) continue;
    if (!allowWinControls && dynamic_cast<TWinControl*>(c) != nullptr) continue;
    if (PtInRect(c->BoundsRect(), pos)) return c;
  }
  return nullptr;
}

void TWinControl::InsertControl(TControl* control) {
  control->parent_ = this;
  controls_.push_back(control);
  auto* win = dynamic_cast<TWinControl*>(control);
  if (win) tabList_.push_back(win);
  ControlHost* child = control->Host();
  child->outer->setParent(Host()->inner);
  control->UpdateGeometry();
  control->InheritParentLook();
  control->VisibleChanged();
  if (control->Align() != alNone) AlignChildren(control);
  if (win) ChainTab(tabList_.size() - 1);
}

void TWinControl::RemoveControl(TControl* control) {
  EraseFromEitherEnd(controls_, control);
  EraseFromEitherEnd(tabList_, control);
  control->parent_ = nullptr;
  if (closing_) return;
  // A control that leaves by SetParent takes its widget along; one that is being destroyed frees it itself.
  if (control->Host()->control != nullptr) {
    control->Host()->outer->hide();
    control->Host()->outer->setParent(nullptr);
  }
  // The widgets' chain closes over a widget that leaves it; the order of the others stays.
  if (control->Align() != alNone) AlignChildren(nullptr);
}

// ---- Alignment

void TWinControl::EnableAlign() {
  if (alignDisabled_ > 0 && --alignDisabled_ == 0 && alignPending_) Realign();
}

void TWinControl::Realign() { AlignChildren(nullptr); }

void TWinControl::AlignChildren(TControl* control) {
  if (closing_) return;
  if (alignDisabled_ > 0) {
    alignPending_ = true;
    return;
  }
  alignPending_ = false;
  aligning_ = true;
  struct Done {
    bool& flag;
    ~Done() { flag = false; }
  } done{aligning_};
  TRect rect = ClientRect();
  AdjustClientRect(rect);
  AlignControls(control, rect);
}

void TWinControl::AlignControls(TControl* control, TRect& rect) {
  for (TAlign align : {alTop, alBottom, alLeft, alRight, alClient}) {
    std::vector<TControl*> list;
    if (control != nullptr && control->Align() == align && control->Visible()) list.push_back(control);
    for (TControl* c : controls_) {
      if (c->Align() != align || !c->Visible() || c == control) continue;
      size_t j = 0;
      while (j < list.size() && !InsertBefore(c, list[j], align)) ++j;
      list.insert(list.begin() + static_cast<std::ptrdiff_t>(j), c);
    }
    for (TControl* c : list) DoPosition(c, align, rect);
  }
}

// ---- Look passed on to children that follow their parent

void TWinControl::ColorChanged() {
  TControl::ColorChanged();
  for (TControl* c : controls_)
    if (c->ParentColor() && c->Color() != Color()) {
      c->color_ = Color();
      c->ColorChanged();
    }
}

void TWinControl::FontChanged() {
  TControl::FontChanged();
  for (TControl* c : controls_)
    if (c->ParentFont()) {
      c->applyingParentFont_ = true;
      c->font_.Assign(Font());
      c->applyingParentFont_ = false;
    }
}

// ---- Focus and tab order

bool TWinControl::Focused() const { return Host()->inner->hasFocus(); }

bool TWinControl::CanFocus() const {
  TCustomForm* form = GetParentForm(this);
  if (form == nullptr) return false;
  for (const TControl* c = this; c != form; c = c->Parent())
    if (!c->Visible() || !c->Enabled()) return false;
  return true;
}

void TWinControl::SetFocus() {
  TCustomForm* form = GetParentForm(this);
  if (form != nullptr && form != this) {
    form->FocusControl(this);
    return;
  }
  if (form == this) {
    form->FocusControl(form->ActiveControl());
    return;
  }
  throw EInvalidOperation("Cannot focus a disabled or invisible window");
}

void TWinControl::SetTabStop(bool value) {
  if (tabStop_ == value) return;
  tabStop_ = value;
  UpdateFocusPolicy();
}

void TWinControl::UpdateFocusPolicy() {
  // Controls that take the focus when clicked keep doing so without a tab stop; the others only take it when
  // told to (SetFocus) or, as tab stops, by the Tab key.
  const bool native = Host()->nativeFocus;
  const Qt::FocusPolicy policy =
      tabStop_ ? (native ? Qt::StrongFocus : Qt::TabFocus) : (native ? Qt::ClickFocus : Qt::NoFocus);
  Host()->outer->setFocusPolicy(policy);
}

int TWinControl::TabOrder() const {
  if (Parent() == nullptr) return -1;
  const auto& list = Parent()->tabList_;
  return static_cast<int>(std::find(list.begin(), list.end(), this) - list.begin());
}

void TWinControl::SetTabOrder(int value) {
  if (Parent() == nullptr) return;
  auto& list = Parent()->tabList_;
  const int count = static_cast<int>(list.size());
  if (value < 0 || value >= count) value = count - 1;
  list.erase(std::find(list.begin(), list.end(), this));
  list.insert(list.begin() + value, this);
  Parent()->ChainTab(static_cast<size_t>(value));
}

void TWinControl::GetTabOrderList(std::vector<TWinControl*>& list) const {
  for (TWinControl* c : tabList_) {
    list.push_back(c);
    c->GetTabOrderList(list);
  }
}

TWinControl* TWinControl::FindNextControl(TWinControl* current, bool goForward, bool checkTabStop,
                                          bool checkParent) const {
  std::vector<TWinControl*> list;
  GetTabOrderList(list);
  return NextInCircle(list, current, goForward, [&](const TWinControl* c) {
    return c->CanFocus() && (!checkTabStop || c->TabStop()) && (!checkParent || c->Parent() == this);
  });
}

void TWinControl::SelectNext(TWinControl* current, bool goForward, bool checkTabStop) {
  if (TWinControl* next = FindNextControl(current, goForward, checkTabStop, !checkTabStop)) next->SetFocus();
}

void TWinControl::ChainTab(size_t index) {
  // What comes before the control in the window's order: the last control below its previous sibling, or this.
  TWinControl* control = tabList_[index];
  const TWinControl* before = this;
  if (index > 0) {
    before = tabList_[index - 1];
    while (!before->tabList_.empty()) before = before->tabList_.back();
  } else if (Parent() == nullptr) {
    RechainTabs();  // only a whole chain puts a window's first control first
    return;
  }
  std::vector<TWinControl*> list{control};
  control->GetTabOrderList(list);
  QWidget::setTabOrder(before->Host()->outer, list[0]->Host()->outer);
  for (size_t i = 1; i < list.size(); ++i) QWidget::setTabOrder(list[i - 1]->Host()->outer, list[i]->Host()->outer);
}

void TWinControl::RechainTabs() {
  // The widgets' own tab chain follows the tab order of the whole window.
  const TControl* top = this;
  while (top->Parent() != nullptr) top = top->Parent();
  const auto* root = dynamic_cast<const TWinControl*>(top);
  std::vector<TWinControl*> list;
  root->GetTabOrderList(list);
  for (size_t i = 1; i < list.size(); ++i) QWidget::setTabOrder(list[i - 1]->Host()->outer, list[i]->Host()->outer);
}

// ---- Messages and keys

void TWinControl::WndProc(TMessage& message) {
  switch (message.Msg) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYUP: {
      auto key = static_cast<uint16_t>(message.WParam);
      const TShiftState shift = KeyDataToShiftState(message.LParam);
      const bool down = message.Msg == WM_KEYDOWN || message.Msg == WM_SYSKEYDOWN;
      if (down ? DoKeyDown(key, shift) : DoKeyUp(key, shift)) return;
      message.WParam = key;
      break;
    }
    case WM_CHAR:
    case WM_SYSCHAR: {
      char c = static_cast<char>(message.WParam);
      if (DoKeyPress(c)) return;
      message.WParam = static_cast<uint8_t>(c);
      break;
    }
    case WM_SIZE:
      Realign();
      break;
    case CM_ENTER:
      DoEnter();
      return;
    case CM_EXIT:
      DoExit();
      return;
    case CM_DIALOGKEY:
    case CM_DIALOGCHAR:
      // Offered to every child until one takes it (buttons take their Return and Escape).
      for (size_t i = 0; i < controls_.size() && message.Result == 0; ++i) controls_[i]->Perform(message);
      return;
    default:
      break;
  }
  TControl::WndProc(message);
}

bool TWinControl::DoKeyDown(uint16_t& key, TShiftState shift) {
  TCustomForm* form = GetParentForm(this);
  if (form != nullptr && form != this && form->KeyPreview && static_cast<TWinControl*>(form)->DoKeyDown(key, shift))
    return true;
  KeyDown(key, shift);
  return key == 0;
}

bool TWinControl::DoKeyUp(uint16_t& key, TShiftState shift) {
  TCustomForm* form = GetParentForm(this);
  if (form != nullptr && form != this && form->KeyPreview && static_cast<TWinControl*>(form)->DoKeyUp(key, shift))
    return true;
  KeyUp(key, shift);
  return key == 0;
}

bool TWinControl::DoKeyPress(char& key) {
  TCustomForm* form = GetParentForm(this);
  if (form != nullptr && form != this && form->KeyPreview && static_cast<TWinControl*>(form)->DoKeyPress(key))
    return true;
  KeyPress(key);
  return key == 0;
}

void TWinControl::KeyDown(uint16_t& key, TShiftState shift) {
  if (OnKeyDown) OnKeyDown(this, key, shift);
}

void TWinControl::KeyUp(uint16_t& key, TShiftState shift) {
  if (OnKeyUp) OnKeyUp(this, key, shift);
}

void TWinControl::KeyPress(char& key) {
  if (OnKeyPress) OnKeyPress(this, key);
}

void TWinControl::DoEnter() {
  if (OnEnter) OnEnter(this);
}

void TWinControl::DoExit() {
  if (OnExit) OnExit(this);
}

// ---- Scrolling and timers

void TWinControl::ScrollBy(int32_t dx, int32_t dy) {
  Host()->client->scroll(dx, dy);
  // The widgets of the children moved along; their bounds follow.
  for (TControl* c : controls_) {
    c->left_ += dx;
    c->top_ += dy;
  }
}

void TWinControl::SetTimer(uintptr_t id, uint32_t milliseconds) {
  ControlHost* host = Host();
  QTimer*& timer = host->timers[id];
  if (timer == nullptr) {
    timer = new QTimer();
    timer->setTimerType(Qt::PreciseTimer);
    QObject::connect(timer, &QTimer::timeout, timer, [host, id] {
      if (host->control != nullptr) Guarded([&] { host->control->Perform(WM_TIMER, id); });
    });
  }
  timer->start(static_cast<int>(std::min<uint32_t>(milliseconds, INT32_MAX)));
}

void TWinControl::KillTimer(uintptr_t id) {
  auto& timers = Host()->timers;
  auto it = timers.find(id);
  if (it == timers.end()) return;
  it->second->stop();
  it->second->deleteLater();  // a WM_TIMER handler may kill its own timer
  timers.erase(it);
}

}  // namespace pf
