// Private to the platform layer: the widgets behind controls, the one place where Qt events become messages, and
// the conversions at the Qt boundary.
#pragma once

#include <QAbstractScrollArea>
#include <QCursor>
#include <QEvent>
#include <QFont>
#include <QPixmap>
#include <QPointer>
#include <QRegion>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "platform/graphics/canvas_qt.h"
#include "platform/ui/controls.h"
#include "platform/ui/forms.h"

class QMouseEvent;

namespace pf {

// The link between a control and its widgets. Owned by the control; while an event of its widgets is being handled
// when the control goes, it lives on (detached) until that event has been handled.
struct ControlHost {
  ControlHost() = default;
  ~ControlHost();
  ControlHost(const ControlHost&) = delete;
  ControlHost& operator=(const ControlHost&) = delete;

  TControl* control = nullptr;  // nullptr once the control is gone
  QWidget* outer = nullptr;     // the widget placed in the parent (a form's frame window)
  QWidget* inner = nullptr;     // the widget that holds the children and gets the input (a form's client area)
  QWidget* client = nullptr;    // the widget whose co-ordinates are client co-ordinates (a scroll area's viewport)
  bool customPaint = false;     // the control paints itself (WM_ERASEBKGND, WM_PAINT)
  bool nativeArrows = true;     // the widget moves its caret or selection with the arrow keys
  bool nativeFocus = false;     // the widget takes the focus when clicked, as edit and button controls do
  QCursor nativeCursor;         // the widget's own cursor, shown for crDefault
  QWidget* menuBar = nullptr;   // a form's menu bar, above the client area
  QSize frameMargins;           // a form's window decorations last seen (outer size - inner size)
  QSize clientSize;             // a form's client size last reported by WM_SIZE
  int dispatching = 0;          // events of the widgets being handled right now
  bool orphaned = false;        // the control is gone; the host is freed when the last event returns
  QRegion invalid;              // marked by Invalidate, not yet painted
  QImage backdrop;              // what painting starts from instead of Color (a pop-up window's screen beneath)
  std::map<uintptr_t, QTimer*> timers;
  QTimer* sizeMoveWatch = nullptr;  // a form's look at the mouse button while the window system moves or sizes it

  // Detaches the widgets from the control (called by the control's destructor): deletes them at once, or hides,
  // unparents and deletes them later when one of their events is being handled.
  void Release();
};

// Access to the protected parts of controls and forms for the event translation.
struct ControlAccess {
  static TCanvas* PaintCanvas(TControl& c) { return c.PaintCanvas(); }
  static void DragOver(TControl& c, TObject* source, int32_t x, int32_t y, TDragState state, bool& accept) {
    c.DragOver(source, x, y, state, accept);
  }
  static void DragDrop(TControl& c, TObject* source, int32_t x, int32_t y) { c.DragDrop(source, x, y); }
};
struct FormAccess {
  static void FrameChanged(TCustomForm& f) { f.FrameChanged(); }
  static void WindowStateChanged(TCustomForm& f) { f.WindowStateChanged(); }
  static void FocusChanged(TCustomForm& f, TWinControl* now) { f.FocusChanged(now); }
  static void Forget(TCustomForm& f, const TControl* c) {
    if (f.activeControl_ == c) f.activeControl_ = nullptr;
    if (f.focusedControl_ == c) f.focusedControl_ = &f;
  }
  static void* ModalLoop(TCustomForm& f) { return f.modalLoop_; }
};

struct ApplicationAccess {
  static void ForgetMainForm();
  static void ActiveChanged(bool active);
  // The event loops that Terminate ends (Run's and the modal ones).
  static void LoopStarted(void* loop);
  static void LoopEnded(void* loop);
};
struct ScreenAccess {
  static void SetActiveForm(TCustomForm* form);
  static void FormGone(TCustomForm* form);
  // The busy cursor (the core's cursor service): crHourGlass while at least one is pushed.
  static void PushBusy();
  static void PopBusy();
};

// Every widget of a control carries a pointer to its host.
class HostWidget {
 public:
  virtual ~HostWidget() = default;
  ControlHost* host = nullptr;
};

// The control of a widget or of the nearest widget above it that belongs to one; nullptr when none.
TControl* ControlOfWidget(const QWidget* widget);

// Handles one Qt event of a widget of host: translates it into the control's messages; base runs the widget's own
// handling (Qt's), which the messages reach through DefaultHandler. Guarded: an exception goes to
// Application().HandleCurrentException and the event counts as handled.
bool DispatchEvent(ControlHost* host, QWidget* widget, QEvent* event, const std::function<bool(QEvent*)>& base);

// A widget of a control.
template <class Base>
class THost : public Base, public HostWidget {
 public:
  using Base::Base;

 protected:
  bool event(QEvent* e) override {
    return DispatchEvent(host, this, e, [this](QEvent* ev) { return Base::event(ev); });
  }
};

// A scroll-area widget of a control: its viewport's events are the control's client events.
template <class Base>
class TScrollHost : public THost<Base> {
 public:
  using THost<Base>::THost;

 protected:
  bool viewportEvent(QEvent* e) override {
    return DispatchEvent(this->host, this->viewport(), e, [this](QEvent* ev) { return Base::viewportEvent(ev); });
  }
};

// Makes the host of a control with one widget (outer = inner = client = widget). The widget gets mouse tracking and
// the host pointer; nativeFocus controls take the focus when clicked.
template <class W>
std::unique_ptr<ControlHost> MakeHost(W* widget, bool customPaint, bool nativeFocus, bool nativeArrows = true) {
  auto host = std::make_unique<ControlHost>();
  widget->host = host.get();
  host->outer = host->inner = host->client = widget;
  host->customPaint = customPaint;
  host->nativeFocus = nativeFocus;
  host->nativeArrows = nativeArrows;
  host->nativeCursor = widget->cursor();
  widget->setMouseTracking(true);
  return host;
}
// The generic widget of a control that paints itself.
std::unique_ptr<ControlHost> MakeCustomHost();

// Runs f; an exception goes to Application().HandleCurrentException. False when one was raised.
bool Guarded(const std::function<void()>& f);

// The Qt application of the layer: created on first need (offscreen without a display), with the Fusion style
// (unless QT_STYLE_OVERRIDE names another), the fixed system colours and the layer's services installed.
void EnsureUi();
// Installs the layer's timer service for the core (pf::TimerService).
void InstallTimerService();

// The widget of a control with one widget, as its kind.
template <class W>
W* WidgetOf(const TControl& control) {
  return static_cast<W*>(control.Host()->inner);
}

// The next item after current in list, going round (from the end when current is not in it), that ok accepts;
// nullptr when none does.
template <class T, class Ok>
T* NextInCircle(const std::vector<T*>& list, const T* current, bool goForward, Ok ok) {
  const int count = static_cast<int>(list.size());
  if (count == 0) return nullptr;
  int start = static_cast<int>(std::find(list.begin(), list.end(), current) - list.begin());
  if (start == count) start = goForward ? count - 1 : 0;
  int i = start;
  do {
    i = goForward ? (i + 1) % count : (i + count - 1) % count;
    if (ok(list[static_cast<size_t>(i)])) return list[static_cast<size_t>(i)];
  } while (i != start);
  return nullptr;
}

// A canvas surface on an image that someone else owns (readable, so that every raster operation works).
class QImageTarget : public CanvasTarget {
 public:
  explicit QImageTarget(QImage& image) : image_(image) {}
  int32_t Width() const override { return image_.width(); }
  int32_t Height() const override { return image_.height(); }
  QImage* BeginImage() override { return &image_; }
  void EndImage(bool) override {}

 private:
  QImage& image_;
};

// ---- Conversions.
// A caption with its accelerator marks taken out: "&&" is a plain "&", any other "&" goes.
std::string StripAccelerators(const std::string& text);
inline QString ToQString(std::string_view latin1) {
  return QString::fromLatin1(latin1.data(), static_cast<qsizetype>(latin1.size()));
}
// Characters outside Latin-1 become "?".
std::string FromQString(const QString& text);

// Item texts of widget-backed string lists: TStrings hands out references, so each index keeps its own copy (a
// reference to item i stays valid while item j is read, and while items are added).
class TItemTextCache {
 public:
  const std::string& Keep(int index, const QString& text) const {
    if (cache_.size() <= static_cast<size_t>(index)) cache_.resize(static_cast<size_t>(index) + 1);
    return cache_[static_cast<size_t>(index)] = FromQString(text);
  }

 private:
  mutable std::deque<std::string> cache_;
};
QFont ToQFont(const TFont& font);
QCursor ToQCursor(TCursor cursor);
// The first of count images side by side in a glyph, its transparent colour (bottom-left pixel) see-through.
QPixmap GlyphPixmap(const TBitmap& glyph, int count = 1);
// The virtual-key code of a Qt key event's key (0 when it has none).
uint16_t VirtualKeyOf(int qtKey, Qt::KeyboardModifiers modifiers);
// The Qt key of a virtual key (0 when none stands for it).
int QtKeyOf(uint16_t virtualKey);
TShiftState ShiftStateOf(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons);
// The screen co-ordinates of a widget point.
inline TPoint ToPoint(const QPoint& p) { return {p.x(), p.y()}; }

// ---- Key state kept from the input events (GetKeyState).
void NoteKey(uint16_t virtualKey, bool down);

// ---- Messages that come from a Qt event: Perform with the widget's own handling as the DefaultHandler of that
// message. True when the control's procedures passed the message on to it.
bool PerformWithDefault(TControl& control, TMessage& message, const std::function<void(TMessage&)>& widgetDefault);

// ---- Posted messages held back while ProcessMessagesWithoutInput runs.
void HoldPostedMessages(bool hold);
// Forgets the posted messages of a control that goes.
void DropPostedMessages(const TControl* control);

// ---- Dragging (drag.cpp). StartDrag: source is dragged from the screen point where the pointer is. DragMouseEvent:
// a mouse event of any control's widget while a drag runs; true when the drag took it (no control sees it).
// ForgetDragControl: a control that goes ends the drag it is dragged in and is no longer its target.
void StartDrag(TControl& source, bool immediate, int32_t threshold, const TPoint& screenPos);
bool DragMouseEvent(QMouseEvent* event);
void ForgetDragControl(const TControl* control);

// ---- The X display the program runs on (Xlib's Display); nullptr off X, as offscreen.
struct _XDisplay* ApplicationXDisplay();

// ---- Forms: the window system moved or sized a form's frame on its own. While the display's left mouse button is
// held, that is a move or size by the mouse: the form hears WM_ENTERSIZEMOVE, and WM_EXITSIZEMOVE once the button
// is released (the window manager's move loop tells the program nothing else).
void FrameChangedByWindowSystem(TCustomForm& form);

// ---- Forms: a control that goes is no longer a form's active or focused control.
void ForgetControl(const TControl* control);
// Focus moved to a widget: the form's enter and exit events run (focus that only moves with the active window is
// not a change).
void FocusMoved(QWidget* now);

// ---- Seams that the menu module fills (unset: nothing happens).
// A form's main menu changes from old to menu (either may be nullptr).
using TFormMenuHandler = std::function<void(TCustomForm& form, TMainMenu* old, TMainMenu* menu)>;
void SetFormMenuHandler(TFormMenuHandler handler);
// A key goes down in control: true when a shortcut took it (the key then goes no further).
using TShortCutHandler = std::function<bool(TWinControl& control, uint16_t key, TShiftState shift)>;
void SetShortCutHandler(TShortCutHandler handler);

// ---- Keyboard: the thread-wide hooks (system.h) see every key event.
void RunKeyboardHooks(uint16_t virtualKey, bool down, bool repeat);

// ---- Dialogs: the window system's message boxes and choosers become the core's dialog service; the printer set-up
// dialog of the current printer (true when confirmed); the window system's clipboard becomes the core's.
void InstallDialogService();
bool ShowPrinterSetup(QWidget* parent);
void InstallClipboardService();

// ---- Forms: the menu bar sits above the client area (set by the menu module; nullptr removes it).
void SetFormMenuBar(TCustomForm& form, QWidget* menuBar);
QWidget* FormMenuBar(const TCustomForm& form);

}  // namespace pf
