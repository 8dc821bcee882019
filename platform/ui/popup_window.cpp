// Pop-up windows: frameless tool windows that never take the focus or the input, with the screen beneath them as
// their backdrop.
#include "platform/ui/popup_window.h"

#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include "platform/ui/host_qt.h"

namespace pf {

namespace {

// Other programs' windows paint what a window uncovers in their own time; this is what they get before the picture
// of the screen is taken.
constexpr int kRepaintGraceMs = 40;

class PopupWidget : public THost<QWidget> {
 public:
  explicit PopupWidget(const TPopupWindow* window) : window_(window) {
    reveal_.setSingleShot(true);
    reveal_.setInterval(kRepaintGraceMs);
    QObject::connect(&reveal_, &QTimer::timeout, this, [this] { Reveal(); });
  }

  // Off the screen now; back once the windows beneath have painted what it, and any window moved with it, uncovered.
  void ShowLater() {
    hide();
    reveal_.start();
  }
  void HideNow() {
    reveal_.stop();
    hide();
  }

 protected:
  // Called before the window is mapped: the screen still shows what lies beneath it.
  void showEvent(QShowEvent* e) override {
    if (host != nullptr) host->backdrop = ScreenBeneath();
    if (window_->OwnerForm() != nullptr)
      if (QWindow* own = windowHandle(); own != nullptr)
        own->setTransientParent(window_->OwnerForm()->Host()->outer->windowHandle());
    THost<QWidget>::showEvent(e);
  }

 private:
  QImage ScreenBeneath() const {
    const QRect area = geometry();
    QScreen* screen = QGuiApplication::screenAt(area.topLeft());
    if (screen == nullptr) screen = QGuiApplication::primaryScreen();
    if (screen == nullptr || area.isEmpty()) return {};
    const QPoint origin = screen->geometry().topLeft();
    const QImage shot = screen->grabWindow(0, area.x() - origin.x(), area.y() - origin.y(), area.width(), area.height())
                            .toImage()
                            .convertToFormat(QImage::Format_RGB32);
    return shot.size() == area.size() ? shot : QImage();
  }

  // The window system answers every request made so far and the layer's own windows paint what they were told is
  // uncovered; then the window shows, unless it was hidden or moved again meanwhile.
  void Reveal() {
    if (revealing_) return;
    const QPointer<PopupWidget> self(this);
    revealing_ = true;
    QGuiApplication::sync();
    if (self == nullptr) return;
    revealing_ = false;
    if (host == nullptr || host->control == nullptr || reveal_.isActive() || !window_->Visible()) return;
    show();
  }

  const TPopupWindow* window_;
  QTimer reveal_;
  bool revealing_ = false;
};

PopupWidget& PopupOf(const TControl& control) { return *static_cast<PopupWidget*>(control.Host()->outer); }

std::unique_ptr<ControlHost> MakePopupHost(const TPopupWindow* window) {
  EnsureUi();
  auto* widget = new PopupWidget(window);
  // A tool-tip window: not managed by the window manager, never activated (also by platforms that activate every
  // other kind of window they show).
  widget->setWindowFlags(Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus |
                         Qt::WindowTransparentForInput | Qt::NoDropShadowWindowHint);
  widget->setAttribute(Qt::WA_ShowWithoutActivating);
  widget->setAttribute(Qt::WA_OpaquePaintEvent);
  widget->setFocusPolicy(Qt::NoFocus);
  return MakeHost(widget, true, false, false);
}

}  // namespace

TPopupWindow::TPopupWindow(TComponent* owner, TCustomForm* ownerForm)
    : TCustomControl(owner, MakePopupHost(this)), ownerForm_(ownerForm) {
  SetVisible(false);
  if (ownerForm_ != nullptr) ownerForm_->FreeNotification(this);
}

TPopupWindow::~TPopupWindow() {
  if (ownerForm_ != nullptr) ownerForm_->RemoveFreeNotification(this);
}

void TPopupWindow::VisibleChanged() {
  if (Visible())
    PopupOf(*this).ShowLater();
  else
    PopupOf(*this).HideNow();
}

void TPopupWindow::UpdateGeometry() {
  PopupWidget& widget = PopupOf(*this);
  widget.hide();
  widget.setGeometry(Left(), Top(), Width(), Height());
  if (Visible()) widget.ShowLater();
}

void TPopupWindow::Notification(TComponent* component, TOperation operation) {
  TCustomControl::Notification(component, operation);
  if (operation == opRemove && component == ownerForm_) ownerForm_ = nullptr;
}

}  // namespace pf
