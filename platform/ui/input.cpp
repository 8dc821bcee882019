// Synthetic input through the widgets' own event path.
#include "platform/ui/input.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>

#include "platform/ui/host_qt.h"

namespace pf {

namespace {

Qt::KeyboardModifiers ModifiersOf(TShiftState shift) {
  Qt::KeyboardModifiers modifiers = Qt::NoModifier;
  if (shift & ssShift) modifiers |= Qt::ShiftModifier;
  if (shift & ssCtrl) modifiers |= Qt::ControlModifier;
  if (shift & ssAlt) modifiers |= Qt::AltModifier;
  return modifiers;
}

// The widget that takes a key for control: the focused one when it belongs to control, else the control's own.
QWidget* KeyTarget(TWinControl& control) {
  QWidget* focused = QApplication::focusWidget();
  if (focused != nullptr && ControlOfWidget(focused) == &control) return focused;
  return control.Host()->inner;
}

}  // namespace

void SendMouseClick(TControl& control, const TPoint& point, TShiftState shift) {
  EnsureUi();
  QWidget* client = control.Host()->client;
  const QPoint pos(point.X, point.Y);
  QWidget* target = client->childAt(pos);
  if (target == nullptr) target = client;
  const QPointF local = target->mapFrom(client, pos);
  const QPointF global = client->mapToGlobal(pos);
  const Qt::KeyboardModifiers modifiers = ModifiersOf(shift);
  QPointer<QWidget> alive(target);
  // A press gives the focus first, to the nearest widget that takes it by clicks, as the window system does.
  for (QWidget* w = target; w != nullptr; w = w->isWindow() ? nullptr : w->parentWidget()) {
    if (!w->isEnabled() || (w->focusPolicy() & Qt::ClickFocus) == 0) continue;
    w->setFocus(Qt::MouseFocusReason);
    break;
  }
  if (alive.isNull()) return;
  QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton, modifiers);
  QCoreApplication::sendEvent(target, &press);
  // The press may have freed the widget (a handler that replaced the page).
  if (alive.isNull()) return;
  QMouseEvent release(QEvent::MouseButtonRelease, local, global, Qt::LeftButton, Qt::NoButton, modifiers);
  QCoreApplication::sendEvent(target, &release);
}

void SendKeyStroke(TWinControl& control, uint16_t virtualKey, TShiftState shift, char typed) {
  EnsureUi();
  QWidget* target = KeyTarget(control);
  const int key = QtKeyOf(virtualKey);
  const Qt::KeyboardModifiers modifiers = ModifiersOf(shift);
  const QString text = typed != 0 ? QString(QChar(static_cast<char16_t>(static_cast<uint8_t>(typed)))) : QString();
  QPointer<QWidget> alive(target);
  QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
  QCoreApplication::sendEvent(target, &press);
  if (alive.isNull()) return;
  QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
  QCoreApplication::sendEvent(target, &release);
}

void SendText(TWinControl& control, std::string_view text) {
  for (char ch : text) SendKeyStroke(control, 0, 0, ch);
}

}  // namespace pf
