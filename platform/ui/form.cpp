// TCustomForm: the frame window, showing and closing, modal loops, activation and the focus bookkeeping.
#include <QEventLoop>
#include <QGuiApplication>
#include <QTimer>
#include <QWindow>
#include <algorithm>

#include "platform/core/exceptions.h"
#include "platform/ui/host_qt.h"

// Last: the X headers define names (None, Bool, KeyPress) that Qt's headers use otherwise.
#include <X11/Xlib.h>

namespace pf {

namespace {

// A form has two widgets: the frame (the top-level window, with the menu bar) and the client area inside it.
std::unique_ptr<ControlHost> MakeFormHost() {
  EnsureUi();
  auto* frame = new THost<QWidget>();
  auto* client = new THost<QWidget>(frame);
  auto host = MakeHost(client, true, false, false);
  frame->host = host.get();
  frame->setMouseTracking(true);
  host->outer = frame;
  return host;
}

// Places the menu bar and the client area in the frame.
void LayoutFrame(ControlHost& h) {
  QWidget* frame = h.outer;
  int top = 0;
  if (h.menuBar != nullptr) {
    top = h.menuBar->sizeHint().height();
    h.menuBar->setGeometry(0, 0, frame->width(), top);
  }
  h.inner->setGeometry(0, top, frame->width(), std::max(0, frame->height() - top));
}

QSize Decorations(const QWidget* frame) {
  return {frame->frameGeometry().width() - frame->width(), frame->frameGeometry().height() - frame->height()};
}

// Whether the toolkit's size of the window is the one the window system holds now. A move or resize by the user
// reaches the toolkit an event later; decorations reckoned in between mix the new size with the old one (a window
// 800x600 on the display taken as 785x718 gives decorations of 15 by -118).
bool SizeIsCurrent(const QWidget* frame) {
  const WId id = frame->internalWinId();
  Display* display = id != 0 ? ApplicationXDisplay() : nullptr;
  Window root = 0;
  int x = 0, y = 0;
  unsigned width = 0, height = 0, border = 0, depth = 0;
  if (display == nullptr || !XGetGeometry(display, id, &root, &x, &y, &width, &height, &border, &depth)) return true;
  const qreal ratio = frame->devicePixelRatioF();
  return QSize(int(width), int(height)) == QSize(qRound(frame->width() * ratio), qRound(frame->height() * ratio));
}

// The window's decorations as far as they can be trusted: a change is taken only when the toolkit's size of the
// window is current, else the last ones stand until the window system's change has arrived.
QSize KnownDecorations(const ControlHost& h) {
  const QSize deco = Decorations(h.outer);
  return deco == h.frameMargins || SizeIsCurrent(h.outer) ? deco : h.frameMargins;
}

// A dialog frame belongs to the program's main window, as in the classic framework: the window system treats it as
// that window's dialog, kept above it and, where the window manager follows the frame's hints, without buttons to
// minimise or maximise it.
void AttachDialogToMainForm(TCustomForm& form) {
  const TCustomForm* main = Application().MainForm();
  if (form.BorderStyle() != bsDialog || main == nullptr || main == &form || !main->Visible()) return;
  QWidget* frame = form.Host()->outer;
  frame->winId();  // the window exists, so that it can be given its owner
  if (QWindow* window = frame->windowHandle()) window->setTransientParent(main->Host()->outer->windowHandle());
}

// Whether the display's left mouse button is down, wherever the pointer is (also while the window manager holds it
// for a move); false off X.
bool DisplayLeftButtonDown() {
  Display* display = ApplicationXDisplay();
  Window root = 0, child = 0;
  int rootX = 0, rootY = 0, x = 0, y = 0;
  unsigned mask = 0;
  return display != nullptr &&
         XQueryPointer(display, DefaultRootWindow(display), &root, &child, &rootX, &rootY, &x, &y, &mask) &&
         (mask & Button1Mask) != 0;
}

constexpr int kButtonWatchMs = 50;  // how often a move by the mouse looks whether the button came up

}  // namespace

void FrameChangedByWindowSystem(TCustomForm& form) {
  ControlHost& h = *form.Host();
  if (h.sizeMoveWatch != nullptr || !DisplayLeftButtonDown()) return;
  auto* watch = new QTimer(h.outer);
  h.sizeMoveWatch = watch;
  // The host stops the watch when its control goes.
  QObject::connect(watch, &QTimer::timeout, watch, [host = &h, watch] {
    if (DisplayLeftButtonDown()) return;
    watch->stop();
    watch->deleteLater();
    host->sizeMoveWatch = nullptr;
    if (host->control != nullptr) Guarded([host] { host->control->Perform(WM_EXITSIZEMOVE); });
  });
  watch->start(kButtonWatchMs);
  form.Perform(WM_ENTERSIZEMOVE);
}

TFormMenuHandler& FormMenuHandler() {
  static TFormMenuHandler handler;
  return handler;
}

void SetFormMenuHandler(TFormMenuHandler handler) { FormMenuHandler() = std::move(handler); }

void ForgetControl(const TControl* control) {
  for (int i = 0; i < Screen().FormCount(); ++i) FormAccess::Forget(*Screen().Forms(i), control);
}

void FocusMoved(QWidget* now) {
  auto* control = dynamic_cast<TWinControl*>(ControlOfWidget(now));
  if (control == nullptr) return;
  if (TCustomForm* form = GetParentForm(control)) FormAccess::FocusChanged(*form, control);
}

void SetFormMenuBar(TCustomForm& form, QWidget* menuBar) {
  ControlHost& h = *form.Host();
  h.menuBar = menuBar;
  if (menuBar != nullptr) menuBar->setParent(h.outer), menuBar->show();
  FormAccess::FrameChanged(form);
}

QWidget* FormMenuBar(const TCustomForm& form) { return form.Host()->menuBar; }

TCustomForm::TCustomForm(TComponent* owner) : TCustomControl(owner, MakeFormHost()) {
  visible_ = false;
  focusedControl_ = this;
  Screen().forms_.push_back(this);
  SetColor(clBtnFace);
  SetBorderStyle(bsSizeable);
  SetBounds(0, 0, 400, 300);
}

TCustomForm::~TCustomForm() {
  BeforeDestruction();
  ScreenAccess::FormGone(this);
  if (Application().MainForm() == this) ApplicationAccess::ForgetMainForm();
}

void TCustomForm::AfterConstruction() {
  if (created_) return;
  created_ = true;
  if (OnCreate) OnCreate(this);
}

void TCustomForm::BeforeDestruction() {
  if (destroyed_) return;
  destroyed_ = true;
  state_ |= csDestroying;
  if (OnDestroy) OnDestroy(this);
}

// ---- Window attributes

void TCustomForm::SetBorderStyle(TFormBorderStyle value) {
  borderStyle_ = value;
  QWidget* frame = Host()->outer;
  Qt::WindowFlags flags = Qt::Window;
  switch (value) {
    case bsNone:
      flags |= Qt::FramelessWindowHint;
      break;
    case bsDialog:
      flags = Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
      break;
    case bsToolWindow:
    case bsSizeToolWin:
      flags = Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;
      break;
    default:
      break;
  }
  if (formStyle_ == fsStayOnTop) flags |= Qt::WindowStaysOnTopHint;
  const bool shown = frame->isVisible();
  frame->setWindowFlags(flags);
  UpdateGeometry();
  if (shown) frame->show();
}

void TCustomForm::SetFormStyle(TFormStyle value) {
  if (formStyle_ == value) return;
  formStyle_ = value;
  SetBorderStyle(borderStyle_);
}

TWindowState TCustomForm::WindowState() const {
  if (!Host()->outer->isVisible()) return requestedState_;
  const Qt::WindowStates state = Host()->outer->windowState();
  if (state & Qt::WindowMinimized) return wsMinimized;
  if (state & Qt::WindowMaximized) return wsMaximized;
  return wsNormal;
}

void TCustomForm::SetWindowState(TWindowState value) {
  requestedState_ = value;
  if (!Visible()) return;
  QWidget* frame = Host()->outer;
  if (value == wsMinimized) frame->showMinimized();
  if (value == wsMaximized) frame->showMaximized();
  if (value == wsNormal) frame->showNormal();
}

void TCustomForm::SetText(const std::string& value) {
  TCustomControl::SetText(value);
  Host()->outer->setWindowTitle(ToQString(value));
}

void TCustomForm::SetMenuSlot(TMainMenu* menu, TComponent* asComponent) {
  TMainMenu* old = menu_;
  if (FormMenuHandler() && old != menu) FormMenuHandler()(*this, old, menu);
  if (menuComponent_ != nullptr) menuComponent_->RemoveFreeNotification(this);
  menu_ = menu;
  menuComponent_ = asComponent;
  if (asComponent != nullptr) asComponent->FreeNotification(this);
}

void TCustomForm::Notification(TComponent* component, TOperation operation) {
  TCustomControl::Notification(component, operation);
  if (operation == opRemove && component == menuComponent_) menu_ = nullptr, menuComponent_ = nullptr;
}

// ---- Geometry: the bounds are the outer frame; the client area is what the frame leaves below the menu bar.

void TCustomForm::SetBounds(int32_t left, int32_t top, int32_t width, int32_t height) {
  width = std::max(width, constraints_.MinWidth);
  height = std::max(height, constraints_.MinHeight);
  if (constraints_.MaxWidth > 0) width = std::min(width, constraints_.MaxWidth);
  if (constraints_.MaxHeight > 0) height = std::min(height, constraints_.MaxHeight);
  const bool moved = left != left_ || top != top_;
  left_ = left;
  top_ = top;
  width_ = std::max(width, 0);
  height_ = std::max(height, 0);
  UpdateGeometry();
  FrameChanged();
  if (moved) SendMove();
}

void TCustomForm::UpdateGeometry() {
  ControlHost& h = *Host();
  QWidget* frame = h.outer;
  const QSize deco = KnownDecorations(h);
  h.frameMargins = deco;
  const QSize inner(std::max(0, width_ - deco.width()), std::max(0, height_ - deco.height()));
  if (borderStyle_ == bsSizeable || borderStyle_ == bsSizeToolWin || borderStyle_ == bsNone) {
    frame->setMinimumSize(std::max(0, constraints_.MinWidth - deco.width()),
                          std::max(0, constraints_.MinHeight - deco.height()));
    frame->setMaximumSize(constraints_.MaxWidth > 0 ? constraints_.MaxWidth - deco.width() : QWIDGETSIZE_MAX,
                          constraints_.MaxHeight > 0 ? constraints_.MaxHeight - deco.height() : QWIDGETSIZE_MAX);
  } else {
    frame->setFixedSize(inner);
  }
  frame->move(left_, top_);
  frame->resize(inner);
  LayoutFrame(h);
}

void TCustomForm::SetConstraints(const TSizeConstraints& value) {
  constraints_ = value;
  SetBounds(left_, top_, width_, height_);
}

TRect TCustomForm::ClientRect() const {
  const QWidget* client = Host()->inner;
  return {0, 0, client->width(), client->height()};
}

// The frame moved or changed its size (the window system's doing or ours): the bounds follow; the children are
// aligned again and WM_SIZE reports a new client size.
void TCustomForm::FrameChanged() {
  ControlHost& h = *Host();
  QWidget* frame = h.outer;
  bool moved = false;
  if (frame->isVisible() && KnownDecorations(h) != h.frameMargins && WindowState() == wsNormal) {
    UpdateGeometry();  // the decorations became known: the outer size stays what the program asked for
  } else if (frame->isVisible()) {
    const QRect outer = frame->frameGeometry();
    moved = outer.x() != left_ || outer.y() != top_;
    left_ = outer.x();
    top_ = outer.y();
    width_ = outer.width();
    height_ = outer.height();
    LayoutFrame(h);
  } else {
    LayoutFrame(h);
  }
  if (moved) SendMove();
  if (WindowState() == wsNormal) restoredBounds_ = BoundsRect();
  const QSize client = h.inner->size();
  if (client == h.clientSize) return;
  h.clientSize = client;
  const uint32_t type = WindowState() == wsMaximized ? SIZE_MAXIMIZED : SIZE_RESTORED;
  Perform(WM_SIZE, type, MAKELPARAM(client.width(), client.height()));
}

// WM_MOVE carries the screen position of the client area.
void TCustomForm::SendMove() {
  const TPoint origin = ClientOrigin();
  Perform(WM_MOVE, 0, MAKELPARAM(origin.X, origin.Y));
}

void TCustomForm::WindowStateChanged() {
  const TWindowState state = WindowState();
  if (state == wsMinimized) {
    Perform(WM_SIZE, SIZE_MINIMIZED, 0);
    return;
  }
  Host()->clientSize = QSize(-1, -1);  // report the size with its new type
  FrameChanged();
}

// ---- Showing and hiding

void TCustomForm::SetVisible(bool value) {
  if (visible_ == value) return;
  QWidget* frame = Host()->outer;
  if (value) {
    if (OnShow) OnShow(this);
    visible_ = true;
    PlaceOnFirstShow();
    AttachDialogToMainForm(*this);
    if (requestedState_ == wsMaximized)
      frame->showMaximized();
    else if (requestedState_ == wsMinimized)
      frame->showMinimized();
    else
      frame->show();
    FrameChanged();  // the window's decorations may be known now
  } else {
    visible_ = false;
    frame->hide();
    if (OnHide) OnHide(this);
  }
}

void TCustomForm::PlaceOnFirstShow() {
  if (placed_) return;
  placed_ = true;
  const TCustomForm* over = nullptr;
  switch (position_) {
    case poMainFormCenter:
      over = Application().MainForm();
      break;
    case poOwnerFormCenter:
      over = dynamic_cast<const TCustomForm*>(Owner());
      break;
    case poScreenCenter:
    case poDesktopCenter:
      break;
    default:
      return;
  }
  if (over == this || (over != nullptr && !over->Visible())) over = nullptr;
  const TRect area = over != nullptr ? over->BoundsRect() : TRect{0, 0, Screen().Width(), Screen().Height()};
  SetBounds(area.Left + (area.Width() - width_) / 2, area.Top + (area.Height() - height_) / 2, width_, height_);
}

void TCustomForm::Show() {
  SetVisible(true);
  QWidget* frame = Host()->outer;
  if (QGuiApplication::platformName() != QLatin1String("offscreen")) frame->raise();  // it has no stacking
  frame->activateWindow();
}

void TCustomForm::Release() { PostMessage(this, CM_RELEASE); }

bool TCustomForm::CloseQuery() {
  bool canClose = true;
  if (OnCloseQuery) OnCloseQuery(this, canClose);
  return canClose;
}

void TCustomForm::DoClose(TCloseAction& action) {
  if (OnClose) OnClose(this, action);
}

void TCustomForm::Close() {
  if (modal_) {
    SetModalResult(mrCancel);
    return;
  }
  if (!CloseQuery()) return;
  TCloseAction action = caHide;
  DoClose(action);
  if (action == caNone) return;
  if (Application().MainForm() == this)
    Application().Terminate();
  else if (action == caHide)
    Hide();
  else if (action == caMinimize)
    SetWindowState(wsMinimized);
  else
    Release();
}

// ---- Modal loop

void TCustomForm::SetModalResult(int value) {
  modalResult_ = value;
  if (value != mrNone && modalLoop_ != nullptr) static_cast<QEventLoop*>(modalLoop_)->exit();
}

void TCustomForm::CloseModal() {
  TCloseAction action = caNone;
  if (CloseQuery()) {
    action = caHide;
    DoClose(action);
  }
  if (action == caNone) modalResult_ = mrNone;
  if (action == caFree) Release();
}

int TCustomForm::ShowModal() {
  if (Visible() || !Enabled() || modal_) throw EInvalidOperation("Cannot make a visible window modal");
  QWidget* frame = Host()->outer;
  QEventLoop loop;
  modal_ = true;
  modalLoop_ = &loop;
  modalResult_ = mrNone;
  frame->setWindowModality(Qt::ApplicationModal);
  struct Leave {
    TCustomForm& form;
    QWidget* frame;
    ~Leave() {
      ApplicationAccess::LoopEnded(form.modalLoop_);
      form.modalLoop_ = nullptr;
      form.modal_ = false;
      form.Hide();
      frame->setWindowModality(Qt::NonModal);
    }
  } leave{*this, frame};
  ApplicationAccess::LoopStarted(&loop);
  Show();
  while (true) {
    if (modalResult_ == mrNone && !Application().Terminated()) loop.exec();
    if (Application().Terminated())
      modalResult_ = mrCancel;
    else if (modalResult_ != mrNone)
      CloseModal();
    if (modalResult_ != mrNone) break;
  }
  return modalResult_;
}

// ---- Activation and focus

void TCustomForm::ActivationChanged(bool active) {
  if (active == active_) return;
  active_ = active;
  if (!active) {
    Deactivate();
    return;
  }
  ScreenAccess::SetActiveForm(this);
  if (activeControl_ != nullptr && activeControl_->CanFocus() && !activeControl_->Focused())
    activeControl_->Host()->outer->setFocus(Qt::ActiveWindowFocusReason);
  Activate();
}

void TCustomForm::Activate() {
  if (OnActivate) OnActivate(this);
}

void TCustomForm::Deactivate() {
  if (OnDeactivate) OnDeactivate(this);
}

void TCustomForm::SetActiveControl(TWinControl* control) {
  if (control != nullptr && (control == this || GetParentForm(control) != this || !control->CanFocus()))
    throw EInvalidOperation("Cannot focus a disabled or invisible window");
  activeControl_ = control;
  if (control != nullptr && Host()->outer->isVisible()) control->Host()->outer->setFocus(Qt::OtherFocusReason);
}

void TCustomForm::FocusControl(TWinControl* control) {
  if (control == nullptr) {
    Host()->outer->activateWindow();
    return;
  }
  SetActiveControl(control);
  if (!Host()->outer->isVisible()) return;
  if (!active_) Host()->outer->activateWindow();
}

// The classic form's enter and exit walk: OnExit from the control that had the focus up to the first parent that
// also holds the new one, then OnEnter from below that parent down to the new control.
void TCustomForm::FocusChanged(TWinControl* now) {
  activeControl_ = now;
  if (focusedControl_ == nullptr) focusedControl_ = this;
  while (focusedControl_ != this && !focusedControl_->ContainsControl(now)) {
    TWinControl* leaving = focusedControl_;
    focusedControl_ = leaving->Parent() != nullptr ? leaving->Parent() : this;
    leaving->Perform(CM_EXIT);
  }
  while (focusedControl_ != now) {
    TWinControl* entering = now;
    while (entering->Parent() != nullptr && entering->Parent() != focusedControl_) entering = entering->Parent();
    if (entering->Parent() == nullptr) return;  // now is not a control of this form
    focusedControl_ = entering;
    entering->Perform(CM_ENTER);
  }
}

// ---- Messages

void TCustomForm::WndProc(TMessage& message) {
  switch (message.Msg) {
    case WM_CLOSE:
      Close();
      return;
    case WM_SYSCOMMAND:
      if ((message.WParam & 0xFFF0) == SC_CLOSE) Perform(WM_CLOSE);
      return;
    case WM_ACTIVATE:
      ActivationChanged(LOWORD(message.WParam) != WA_INACTIVE);
      return;
    case CM_DIALOGKEY: {
      const auto key = static_cast<uint16_t>(message.WParam);
      const TShiftState shift = KeyDataToShiftState(message.LParam);
      if ((shift & ssAlt) != 0) break;
      if (key == VK_TAB && (shift & ssCtrl) == 0) {
        SelectNext(activeControl_, (shift & ssShift) == 0, true);
        message.Result = 1;
        return;
      }
      if (key == VK_LEFT || key == VK_RIGHT || key == VK_UP || key == VK_DOWN) {
        if (activeControl_ != nullptr && activeControl_->Parent() != nullptr) {
          activeControl_->Parent()->SelectNext(activeControl_, key == VK_RIGHT || key == VK_DOWN, false);
          message.Result = 1;
        }
        return;
      }
      break;
    }
    default:
      break;
  }
  TCustomControl::WndProc(message);
}

}  // namespace pf
