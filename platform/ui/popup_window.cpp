// Pop-up windows: frameless tool windows that never take the focus or the input, with the screen beneath them as
// their backdrop.
#include "platform/ui/popup_window.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWindow>

#include "platform/ui/host_qt.h"

namespace pf {

namespace {

class PopupWidget : public THost<QWidget> {
 public:
  explicit PopupWidget(const TPopupWindow* window) : window_(window) {}

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
  const TPopupWindow* window_;
};

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

void TPopupWindow::VisibleChanged() { Host()->outer->setVisible(Visible()); }

void TPopupWindow::UpdateGeometry() {
  QWidget* widget = Host()->outer;
  const bool shown = widget->isVisible();
  if (shown) widget->hide();
  widget->setGeometry(Left(), Top(), Width(), Height());
  if (shown) widget->show();
}

void TPopupWindow::Notification(TComponent* component, TOperation operation) {
  TCustomControl::Notification(component, operation);
  if (operation == opRemove && component == ownerForm_) ownerForm_ = nullptr;
}

}  // namespace pf
