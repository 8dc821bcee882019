// TControl: bounds, look, hints, painting requests, messages and mouse handling.
#include <QPalette>
#include <algorithm>

#include "platform/core/exceptions.h"
#include "platform/core/strings.h"
#include "platform/ui/forms.h"
#include "platform/ui/host_qt.h"

namespace pf {

namespace {

// The widget's own handling of the messages that are being translated from Qt events, innermost last.
struct PendingDefault {
  const TControl* control;
  uint32_t msg;
  const std::function<void(TMessage&)>* run;
  bool ran;
};
std::vector<PendingDefault*>& PendingDefaults() {
  static std::vector<PendingDefault*> pending;
  return pending;
}

TPopupMenuHandler& PopupHandler() {
  static TPopupMenuHandler handler;
  return handler;
}

}  // namespace

bool PerformWithDefault(TControl& control, TMessage& message, const std::function<void(TMessage&)>& widgetDefault) {
  PendingDefault pending{&control, message.Msg, &widgetDefault, false};
  auto& stack = PendingDefaults();
  stack.push_back(&pending);
  struct Pop {
    std::vector<PendingDefault*>& stack;
    ~Pop() { stack.pop_back(); }
  } pop{stack};
  control.Perform(message);
  return pending.ran;
}

void SetPopupMenuHandler(TPopupMenuHandler handler) { PopupHandler() = std::move(handler); }

std::string GetShortHint(const std::string& hint) {
  size_t bar = hint.find('|');
  return bar == std::string::npos ? hint : hint.substr(0, bar);
}

std::string GetLongHint(const std::string& hint) {
  size_t bar = hint.find('|');
  return bar == std::string::npos ? hint : hint.substr(bar + 1);
}

TCustomForm* GetParentForm(const TControl* control) {
  if (control == nullptr) return nullptr;
  while (control->Parent() != nullptr) control = control->Parent();
  return dynamic_cast<TCustomForm*>(const_cast<TControl*>(control));
}

TCanvas* MessageCanvas(const TMessage& message) {
  if (message.Msg != WM_ERASEBKGND && message.Msg != WM_PAINT) return nullptr;
  const auto* canvas = std::any_cast<TCanvas*>(&message.Payload);
  return canvas != nullptr ? *canvas : nullptr;
}

// ---- TControl

TControl::TControl(TComponent* owner) : TControl(owner, MakeCustomHost()) {}

TControl::TControl(TComponent* owner, std::unique_ptr<ControlHost> host) : TComponent(owner), host_(std::move(host)) {
  host_->control = this;
  WindowProc = [this](TMessage& message) { WndProc(message); };
  font_.OnChange = [this](TFont&) {
    if (!applyingParentFont_) parentFont_ = false;
    if (font_.Desc() != shownFont_ || font_.Color() != shownFontColor_) FontChanged();
  };
  host_->outer->hide();
  TControl::FontChanged();
}

TControl::~TControl() {
  DropPostedMessages(this);
  ForgetControl(this);
  ForgetDragControl(this);
  // The widget goes with the control: it leaves its parent's widget as it is freed, which costs nothing, while
  // taking it out first would walk the window's whole focus chain.
  host_->control = nullptr;
  if (parent_ != nullptr) parent_->RemoveControl(this);
  host_->Release();
  if (host_->orphaned) (void)host_.release();  // freed by the event that is still being handled
}

void TControl::SetParent(TWinControl* parent) {
  if (parent == parent_) return;
  for (const TControl* p = parent; p != nullptr; p = p->parent_)
    if (p == this) throw EInvalidOperation("A control cannot be its own parent or a parent of its parent");
  if (parent_ != nullptr) parent_->RemoveControl(this);
  if (parent != nullptr) parent->InsertControl(this);
}

void TControl::BringToFront() {
  if (parent_ != nullptr) {
    auto& list = parent_->controls_;
    list.erase(std::find(list.begin(), list.end(), this));
    list.push_back(this);
  }
  host_->outer->raise();
}

void TControl::SendToBack() {
  if (parent_ != nullptr) {
    auto& list = parent_->controls_;
    list.erase(std::find(list.begin(), list.end(), this));
    list.insert(list.begin(), this);
  }
  host_->outer->lower();
}

void TControl::SetBounds(int32_t left, int32_t top, int32_t width, int32_t height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (constraints_.MinWidth > 0) width = std::max(width, constraints_.MinWidth);
  if (constraints_.MinHeight > 0) height = std::max(height, constraints_.MinHeight);
  if (constraints_.MaxWidth > 0) width = std::min(width, constraints_.MaxWidth);
  if (constraints_.MaxHeight > 0) height = std::min(height, constraints_.MaxHeight);
  const bool sized = width != width_ || height != height_;
  const bool moved = left != left_ || top != top_;
  if (!sized && !moved) return;
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  UpdateGeometry();
  if (sized) Perform(WM_SIZE, SIZE_RESTORED, MAKELPARAM(ClientWidth(), ClientHeight()));
  if (moved) Perform(WM_MOVE, 0, MAKELPARAM(left, top));
  RequestAlign();
}

void TControl::UpdateGeometry() { host_->outer->setGeometry(left_, top_, width_, height_); }

TRect TControl::ClientRect() const {
  if (host_->client != host_->outer) return {0, 0, host_->client->width(), host_->client->height()};
  return {0, 0, width_, height_};
}

void TControl::SetClientWidth(int32_t value) { SetWidth(width_ - ClientWidth() + value); }
void TControl::SetClientHeight(int32_t value) { SetHeight(height_ - ClientHeight() + value); }

TPoint TControl::ClientOrigin() const { return ToPoint(host_->client->mapToGlobal(QPoint(0, 0))); }

TPoint TControl::ClientToScreen(const TPoint& point) const {
  TPoint origin = ClientOrigin();
  return {point.X + origin.X, point.Y + origin.Y};
}

TPoint TControl::ScreenToClient(const TPoint& point) const {
  TPoint origin = ClientOrigin();
  return {point.X - origin.X, point.Y - origin.Y};
}

void TControl::SetConstraints(const TSizeConstraints& value) {
  constraints_ = value;
  int32_t w = width_, h = height_;
  width_ = height_ = -1;  // applies the limits to the current size
  SetBounds(left_, top_, w, h);
}

void TControl::SetAlign(TAlign value) {
  if (align_ == value) return;
  align_ = value;
  if (value != alNone)
    RequestAlign();
  else if (parent_ != nullptr && !parent_->aligning_ && !parent_->closing_)
    parent_->AlignChildren(nullptr);  // the aligned ones close up
}

void TControl::RequestAlign() {
  // Only aligned controls are placed by their parent: a control without alignment moves alone, so that moving
  // one of many controls costs no pass over all of them.
  if (align_ != alNone && parent_ != nullptr && !parent_->aligning_ && !parent_->closing_) parent_->AlignChildren(this);
}

void TControl::SetVisible(bool value) {
  if (visible_ == value) return;
  visible_ = value;
  VisibleChanged();
  if (parent_ != nullptr && align_ != alNone) parent_->AlignChildren(value ? this : nullptr);
}

void TControl::VisibleChanged() {
  // A control without a parent never shows: its widget would become a window of its own.
  host_->outer->setVisible(visible_ && parent_ != nullptr);
}

bool TControl::Showing() const { return visible_ && parent_ != nullptr && parent_->Showing(); }

void TControl::SetEnabled(bool value) {
  if (enabled_ == value) return;
  enabled_ = value;
  host_->outer->setEnabled(value);
  Invalidate();
}

void TControl::SetColor(TColor value) {
  if (color_ == value) return;
  color_ = value;
  parentColor_ = false;
  ColorChanged();
}

void TControl::SetParentColor(bool value) {
  if (parentColor_ == value) return;
  parentColor_ = value;
  if (value && parent_ != nullptr && color_ != parent_->color_) {
    color_ = parent_->color_;
    ColorChanged();
  }
}

void TControl::ColorChanged() {
  QWidget* w = host_->inner;
  QPalette palette = w->palette();
  palette.setColor(QPalette::Window, ToQColor(color_));
  palette.setColor(QPalette::Base, ToQColor(color_));
  w->setPalette(palette);
  Invalidate();
}

void TControl::SetParentFont(bool value) {
  if (parentFont_ == value) return;
  parentFont_ = value;
  if (value && parent_ != nullptr) {
    applyingParentFont_ = true;
    font_.Assign(parent_->font_);
    applyingParentFont_ = false;
  }
}

void TControl::FontChanged() {
  shownFont_ = font_.Desc();
  shownFontColor_ = font_.Color();
  QWidget* w = host_->inner;
  w->setFont(ToQFont(font_));
  QPalette palette = w->palette();
  const QColor text = ToQColor(font_.Color());
  for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
    palette.setColor(QPalette::Active, role, text), palette.setColor(QPalette::Inactive, role, text);
  w->setPalette(palette);
  Invalidate();
}

void TControl::InheritParentLook() {
  if (parent_ == nullptr) return;
  if (parentColor_ && color_ != parent_->color_) {
    color_ = parent_->color_;
    ColorChanged();
  }
  if (parentFont_) {
    applyingParentFont_ = true;
    font_.Assign(parent_->font_);
    applyingParentFont_ = false;
  }
  if (parentShowHint_) showHint_ = parent_->showHint_;
  SetHint(hint_);  // the tool tip follows the inherited ShowHint
}

void TControl::SetCursor(TCursor value) {
  cursor_ = value;
  if (value == crDefault)
    host_->inner->setCursor(host_->nativeCursor);
  else
    host_->inner->setCursor(ToQCursor(value));
}

void TControl::SetText(const std::string& value) {
  if (text_ == value) return;
  text_ = value;
  TextChanged();
}

void TControl::SetHint(const std::string& value) {
  hint_ = value;
  const bool show = showHint_ && Application().ShowHint;
  host_->inner->setToolTip(show ? ToQString(GetShortHint(hint_)) : QString());
}

void TControl::SetShowHint(bool value) {
  parentShowHint_ = false;
  showHint_ = value;
  SetHint(hint_);
  if (auto* self = dynamic_cast<TWinControl*>(this))
    for (TControl* child : self->controls_)
      if (child->parentShowHint_) {
        child->SetShowHint(value);
        child->parentShowHint_ = true;
      }
}

void TControl::SetParentShowHint(bool value) {
  parentShowHint_ = value;
  if (value && parent_ != nullptr) {
    SetShowHint(parent_->showHint_);
    parentShowHint_ = true;
  }
}

void TControl::SetPopupMenuSlot(TPopupMenu* menu, TComponent* asComponent) {
  if (popupMenuComponent_ != nullptr) popupMenuComponent_->RemoveFreeNotification(this);
  popupMenu_ = menu;
  popupMenuComponent_ = asComponent;
  if (asComponent != nullptr) asComponent->FreeNotification(this);
}

void TControl::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove && component == popupMenuComponent_) popupMenu_ = nullptr, popupMenuComponent_ = nullptr;
}

void TControl::Invalidate() { InvalidateRect(ClientRect()); }

void TControl::InvalidateRect(const TRect& r) {
  QRect rect = ToQRect(r);
  host_->invalid += rect;
  host_->client->update(rect);
}

void TControl::Update() {
  if (host_->invalid.isEmpty()) return;
  host_->client->repaint(host_->invalid);
}

void TControl::Repaint() {
  Invalidate();
  Update();
}

// ---- Messages

LRESULT TControl::Perform(uint32_t msg, WPARAM wParam, LPARAM lParam) {
  TMessage message;
  message.Msg = msg;
  message.WParam = wParam;
  message.LParam = lParam;
  return Perform(message);
}

LRESULT TControl::Perform(TMessage& message) {
  if (hooks_.empty()) {
    if (WindowProc) WindowProc(message);
    return message.Result;
  }
  // A snapshot: hooks that a hook adds or removes take effect from the next message on.
  std::vector<TMessageHook> chain;
  for (const Hook& h : hooks_) chain.push_back(h.hook);
  std::function<void(TMessage&, size_t)> call = [&](TMessage& m, size_t n) {
    if (n == 0) {
      if (WindowProc) WindowProc(m);
      return;
    }
    chain[n - 1](m, [&call, n](TMessage& mm) { call(mm, n - 1); });
  };
  call(message, chain.size());
  return message.Result;
}

TControl::THookHandle TControl::AddMessageHook(TMessageHook hook) {
  hooks_.push_back({++nextHook_, std::move(hook)});
  return nextHook_;
}

void TControl::RemoveMessageHook(THookHandle handle) {
  std::erase_if(hooks_, [handle](const Hook& h) { return h.handle == handle; });
}

void TControl::WndProc(TMessage& message) {
  switch (message.Msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      // An automatic drag takes the press: the control itself never sees it.
      if (dragMode_ == dmAutomatic) {
        StartDrag(*this, true, -1, ClientToScreen({GET_X_LPARAM(message.LParam), GET_Y_LPARAM(message.LParam)}));
        return;
      }
      [[fallthrough]];
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK:
      MouseMessage(message);
      return;
    case WM_MOUSEMOVE:
      DefaultHandler(message);
      MouseMove(KeysToShiftState(message.WParam), GET_X_LPARAM(message.LParam), GET_Y_LPARAM(message.LParam));
      return;
    case WM_MOUSEWHEEL:
      WheelMessage(message);
      return;
    case WM_SIZE:
      DefaultHandler(message);
      Resize();
      return;
    case WM_CONTEXTMENU: {
      const TPoint screen{GET_X_LPARAM(message.LParam), GET_Y_LPARAM(message.LParam)};
      bool handled = false;
      if (OnContextPopup) OnContextPopup(this, ScreenToClient(screen), handled);
      if (handled) return;
      for (TControl* c = this; c != nullptr; c = c->parent_) {
        if (c->popupMenu_ == nullptr) continue;
        if (PopupHandler() && PopupHandler()(*c->popupMenu_, *this, screen)) {
          message.Result = 1;
          return;
        }
        break;
      }
      DefaultHandler(message);
      return;
    }
    default:
      DefaultHandler(message);
  }
}

void TControl::DefaultHandler(TMessage& message) {
  auto& stack = PendingDefaults();
  for (auto it = stack.rbegin(); it != stack.rend(); ++it) {
    PendingDefault& pending = **it;
    if (pending.control != this || pending.msg != message.Msg) continue;
    if (!pending.ran) {
      pending.ran = true;
      (*pending.run)(message);
    }
    return;
  }
}

void TControl::MouseMessage(TMessage& message) {
  TMouseButton button = mbLeft;
  int kind = 0;  // 0 down, 1 up, 2 double click
  switch (message.Msg) {
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_RBUTTONDBLCLK:
      button = mbRight;
      break;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_MBUTTONDBLCLK:
      button = mbMiddle;
      break;
    default:
      break;
  }
  if (message.Msg == WM_LBUTTONUP || message.Msg == WM_RBUTTONUP || message.Msg == WM_MBUTTONUP) kind = 1;
  if (message.Msg == WM_LBUTTONDBLCLK || message.Msg == WM_RBUTTONDBLCLK || message.Msg == WM_MBUTTONDBLCLK) kind = 2;
  const TShiftState shift = KeysToShiftState(message.WParam);
  const int32_t x = GET_X_LPARAM(message.LParam), y = GET_Y_LPARAM(message.LParam);
  // The widget's own handling first, as the system's window procedure comes first in the classic framework.
  DefaultHandler(message);
  if (kind == 0) {
    if (button == mbLeft && (controlStyle_ & csClickEvents) != 0) mouseDownInside_ = true;
    MouseDown(button, shift, x, y);
  } else if (kind == 2) {
    if (button == mbLeft && (controlStyle_ & csClickEvents) != 0) DblClick();
    MouseDown(button, shift | ssDouble, x, y);
  } else {
    if (button == mbLeft && mouseDownInside_) {
      mouseDownInside_ = false;
      if (PtInRect(ClientRect(), {x, y})) Click();
    }
    MouseUp(button, shift, x, y);
  }
}

void TControl::WheelMessage(TMessage& message) {
  const auto delta = static_cast<int16_t>(HIWORD(message.WParam));
  const TShiftState shift = KeysToShiftState(LOWORD(message.WParam));
  const TPoint pos{GET_X_LPARAM(message.LParam), GET_Y_LPARAM(message.LParam)};
  if (DoMouseWheel(shift, delta, pos))
    message.Result = 1;
  else
    DefaultHandler(message);
}

void TControl::Click() {
  if (OnClick) OnClick(this);
}

void TControl::DblClick() {
  if (OnDblClick) OnDblClick(this);
}

void TControl::MouseDown(TMouseButton button, TShiftState shift, int32_t x, int32_t y) {
  if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
}

void TControl::MouseMove(TShiftState shift, int32_t x, int32_t y) {
  if (OnMouseMove) OnMouseMove(this, shift, x, y);
}

void TControl::MouseUp(TMouseButton button, TShiftState shift, int32_t x, int32_t y) {
  if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
}

bool TControl::DoMouseWheel(TShiftState shift, int32_t wheelDelta, TPoint mousePos) {
  bool handled = false;
  if (OnMouseWheel) OnMouseWheel(this, shift, wheelDelta, mousePos, handled);
  return handled;
}

void TControl::Resize() {
  if (OnResize) OnResize(this);
}

// ---- TCustomControl and TGraphicControl

bool TControl::PaintMessage(TMessage& message, bool erase) {
  if (message.Msg == WM_ERASEBKGND) {
    TCanvas* canvas = MessageCanvas(message);
    if (erase && canvas != nullptr) {
      canvas->Brush().SetColor(Color());
      canvas->FillRect(canvas->ClipRect());
    }
    message.Result = 1;
    return true;
  }
  if (message.Msg != WM_PAINT) return false;
  Paint();
  return true;
}

TCustomControl::TCustomControl(TComponent* owner) : TCustomControl(owner, MakeCustomHost()) {}

TCustomControl::TCustomControl(TComponent* owner, std::unique_ptr<ControlHost> host)
    : TWinControl(owner, std::move(host)), canvas_(std::make_unique<TCanvas>()) {
  controlStyle_ |= csOpaque;
}

TCustomControl::~TCustomControl() = default;

void TCustomControl::WndProc(TMessage& message) {
  if (!PaintMessage(message, true)) TWinControl::WndProc(message);
}

void TCustomControl::Paint() {
  if (OnPaint) OnPaint(this);
}

TGraphicControl::TGraphicControl(TComponent* owner) : TGraphicControl(owner, MakeCustomHost()) {}

TGraphicControl::TGraphicControl(TComponent* owner, std::unique_ptr<ControlHost> host)
    : TControl(owner, std::move(host)), canvas_(std::make_unique<TCanvas>()) {}

TGraphicControl::~TGraphicControl() = default;

void TGraphicControl::WndProc(TMessage& message) {
  // The parent's background stays under a graphic control unless it paints every pixel itself.
  if (!PaintMessage(message, (controlStyle_ & csOpaque) != 0)) TControl::WndProc(message);
}

void TGraphicControl::Paint() {
  if (OnPaint) OnPaint(this);
}

}  // namespace pf
