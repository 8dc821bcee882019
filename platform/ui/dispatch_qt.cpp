// The one place where the Qt events of a control's widgets become the control's messages.
#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEngine>
#include <QPaintEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>
#include <deque>
#include <optional>

#include "platform/graphics/canvas_qt.h"
#include "platform/ui/host_qt.h"

namespace pf {

namespace {

WPARAM MouseKeys(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) {
  WPARAM keys = 0;
  if (buttons & Qt::LeftButton) keys |= MK_LBUTTON;
  if (buttons & Qt::RightButton) keys |= MK_RBUTTON;
  if (buttons & Qt::MiddleButton) keys |= MK_MBUTTON;
  if (modifiers & Qt::ShiftModifier) keys |= MK_SHIFT;
  if (modifiers & Qt::ControlModifier) keys |= MK_CONTROL;
  return keys;
}

// Messages of a mouse button: down, up, double click.
bool ButtonMessages(Qt::MouseButton button, uint32_t& down, uint32_t& up, uint32_t& dbl) {
  switch (button) {
    case Qt::LeftButton:
      down = WM_LBUTTONDOWN, up = WM_LBUTTONUP, dbl = WM_LBUTTONDBLCLK;
      return true;
    case Qt::RightButton:
      down = WM_RBUTTONDOWN, up = WM_RBUTTONUP, dbl = WM_RBUTTONDBLCLK;
      return true;
    case Qt::MiddleButton:
      down = WM_MBUTTONDOWN, up = WM_MBUTTONUP, dbl = WM_MBUTTONDBLCLK;
      return true;
    default:
      return false;
  }
}

bool MouseEvent(ControlHost& h, QMouseEvent* e, const std::function<bool(QEvent*)>& base) {
  TControl& c = *h.control;
  const QPoint global = e->globalPosition().toPoint();
  const QPoint pos = h.client->mapFromGlobal(global);
  TMessage m;
  m.WParam = MouseKeys(e->buttons(), e->modifiers());
  m.LParam = MAKELPARAM(pos.x(), pos.y());
  uint32_t down = 0, up = 0, dbl = 0;
  if (e->type() == QEvent::MouseMove) {
    m.Msg = WM_MOUSEMOVE;
  } else {
    if (!ButtonMessages(e->button(), down, up, dbl)) return base(e);
    if (e->type() == QEvent::MouseButtonPress) m.Msg = down;
    if (e->type() == QEvent::MouseButtonRelease) m.Msg = up;
    if (e->type() == QEvent::MouseButtonDblClick) m.Msg = (c.ControlStyle() & csDoubleClicks) != 0 ? dbl : down;
  }
  bool result = true;
  if (!PerformWithDefault(c, m, [&](TMessage&) { result = base(e); })) e->accept();
  // The context menu follows the release of the right button, as on the classic system.
  if (m.Msg == WM_RBUTTONUP && h.control != nullptr) {
    TMessage menu;
    menu.Msg = WM_CONTEXTMENU;
    menu.LParam = MAKELPARAM(global.x(), global.y());
    PerformWithDefault(*h.control, menu, [&](TMessage&) {
      QContextMenuEvent event(QContextMenuEvent::Mouse, e->position().toPoint(), global, e->modifiers());
      base(&event);
    });
  }
  return result;
}

bool WheelEvent(ControlHost& h, QWheelEvent* e, const std::function<bool(QEvent*)>& base) {
  const int delta = e->angleDelta().y();
  if (delta == 0) return base(e);
  const QPoint global = e->globalPosition().toPoint();
  TMessage m;
  m.Msg = WM_MOUSEWHEEL;
  m.WParam = (static_cast<WPARAM>(static_cast<uint16_t>(delta)) << 16) | MouseKeys(e->buttons(), e->modifiers());
  m.LParam = MAKELPARAM(global.x(), global.y());
  bool result = true;
  if (!PerformWithDefault(*h.control, m, [&](TMessage&) { result = base(e); })) {
    e->accept();
    return true;
  }
  return result;  // a wheel movement nobody used goes on to the parent widget
}

TShortCutHandler& ShortCuts() {
  static TShortCutHandler handler;
  return handler;
}

bool IsArrow(uint16_t vk) { return vk == VK_LEFT || vk == VK_RIGHT || vk == VK_UP || vk == VK_DOWN; }

// The dialog keys a control gets only when it asks for them through WM_GETDLGCODE.
uint32_t DialogKeyMask(uint16_t vk) {
  if (vk == VK_TAB) return DLGC_WANTTAB;
  if (IsArrow(vk)) return DLGC_WANTARROWS;
  if (vk == VK_RETURN || vk == VK_ESCAPE || vk == VK_EXECUTE || vk == VK_CANCEL) return DLGC_WANTALLKEYS;
  return 0;
}

// Key down: the form's dialog keys (Tab, arrows, Return, Escape) unless the control wants them, then WM_KEYDOWN
// (the form's KeyPreview and OnKeyDown may swallow it), then one WM_CHAR per character (OnKeyPress may change or
// swallow it), then the widget's own handling. The key never goes on to the parent widget.
bool KeyPressEvent(ControlHost& h, QKeyEvent* e, const std::function<bool(QEvent*)>& base) {
  auto* control = dynamic_cast<TWinControl*>(h.control);
  if (control == nullptr) return base(e);
  e->accept();
  const uint16_t vk = VirtualKeyOf(e->key(), e->modifiers());
  const TShiftState shift = ShiftStateOf(e->modifiers(), Qt::NoButton);
  const LPARAM keyData = ShiftStateToKeyData(shift);
  TCustomForm* form = GetParentForm(control);

  if (vk != 0 && ShortCuts() && ShortCuts()(*control, vk, shift)) return true;

  const uint32_t mask = DialogKeyMask(vk);
  const auto dialogCode = static_cast<uint32_t>(mask != 0 ? control->Perform(WM_GETDLGCODE, vk) : 0);
  if (mask != 0 && (dialogCode & (mask | DLGC_WANTALLKEYS)) == 0 && form != nullptr &&
      form->Perform(CM_DIALOGKEY, vk, keyData) != 0)
    return true;

  const bool alt = (shift & ssAlt) != 0 && (shift & ssCtrl) == 0;
  if (vk != 0) {
    TMessage down;
    down.Msg = alt ? WM_SYSKEYDOWN : WM_KEYDOWN;
    down.WParam = vk;
    down.LParam = keyData;
    if (!PerformWithDefault(*control, down, [](TMessage&) {})) return true;
    if (h.control == nullptr) return true;
    if (alt && vk == VK_F4 && form != nullptr) {  // the system menu's Close
      form->Perform(WM_SYSCOMMAND, SC_CLOSE);
      return true;
    }
  }

  const QString text = e->text();
  QString passed;
  bool changed = false;
  for (QChar ch : text) {
    if (ch.unicode() > 0xFF || h.control == nullptr) {
      passed += ch;
      continue;
    }
    TMessage m;
    m.Msg = alt ? WM_SYSCHAR : WM_CHAR;
    m.WParam = ch.unicode();
    m.LParam = keyData;
    if (!PerformWithDefault(*control, m, [](TMessage&) {})) {
      changed = true;
      continue;
    }
    const QChar out(static_cast<char16_t>(static_cast<uint8_t>(m.WParam)));
    changed = changed || out != ch;
    passed += out;
  }
  if (h.control == nullptr || (!text.isEmpty() && passed.isEmpty())) return true;
  if (IsArrow(vk) && !h.nativeArrows) return true;
  if (changed) {
    QKeyEvent copy(e->type(), e->key(), e->modifiers(), passed, e->isAutoRepeat(), static_cast<quint16>(e->count()));
    base(&copy);
  } else {
    base(e);
  }
  e->accept();
  return true;
}

bool KeyReleaseEvent(ControlHost& h, QKeyEvent* e, const std::function<bool(QEvent*)>& base) {
  auto* control = dynamic_cast<TWinControl*>(h.control);
  if (control == nullptr) return base(e);
  const uint16_t vk = VirtualKeyOf(e->key(), e->modifiers());
  const TShiftState shift = ShiftStateOf(e->modifiers(), Qt::NoButton);
  TMessage up;
  up.Msg = (shift & ssAlt) != 0 && (shift & ssCtrl) == 0 ? WM_SYSKEYUP : WM_KEYUP;
  up.WParam = vk;
  up.LParam = ShiftStateToKeyData(shift);
  if (vk != 0) PerformWithDefault(*control, up, [&](TMessage&) { base(e); });
  e->accept();
  return true;
}

// The memory of the paint events' back buffers, one per nesting level (the parent of a control that lets it show
// through is painted into the control's buffer first), kept from one paint to the next: a fresh buffer of a
// window's size costs a page fault for every few kilobytes on its first use.
class BackBuffers {
 public:
  // A buffer of the size for the paint at the current level, on memory of that level; the next level while it lives.
  class Lease {
   public:
    explicit Lease(const QSize& size) : level_(Level()) {
      if (Pool().size() <= level_) Pool().emplace_back();
      QImage& memory = Pool()[level_];
      if (memory.width() < size.width() || memory.height() < size.height())
        memory = QImage(std::max(memory.width(), size.width()), std::max(memory.height(), size.height()),
                        QImage::Format_RGB32);
      image = QImage(memory.bits(), size.width(), size.height(), memory.bytesPerLine(), QImage::Format_RGB32);
      ++Level();
    }
    ~Lease() { --Level(); }
    Lease(const Lease&) = delete;
    Lease& operator=(const Lease&) = delete;
    QImage image;

   private:
    size_t level_;
  };

 private:
  static std::deque<QImage>& Pool() {
    static std::deque<QImage> pool;
    return pool;
  }
  static size_t& Level() {
    static size_t level = 0;
    return level;
  }
};

// The image a widget's painting lands in (the window's backing store, or the image the widget is rendered into),
// seen at the widget's place, when a canvas can draw on it directly: plain 32-bit pixels, one per device pixel, the
// widget wholly on it. A null image otherwise.
QImage DirectView(QWidget* w) {
  QPainter painter(w);
  QPaintEngine* engine = painter.paintEngine();
  QPaintDevice* device = engine != nullptr && engine->type() == QPaintEngine::Raster ? engine->paintDevice() : nullptr;
  if (device == nullptr || device->devType() != QInternal::Image) return {};
  auto* target = static_cast<QImage*>(device);
  const QTransform placed = painter.deviceTransform();
  if (target->format() != QImage::Format_RGB32 || target->devicePixelRatio() != 1.0 ||
      placed.type() > QTransform::TxTranslate)
    return {};
  const QRect place(QPoint(qRound(placed.dx()), qRound(placed.dy())), w->size());
  if (!target->rect().contains(place)) return {};
  painter.end();
  const qsizetype bytesPerLine = target->bytesPerLine();
  return QImage(target->bits() + place.y() * bytesPerLine + place.x() * qsizetype(sizeof(QRgb)), place.width(),
                place.height(), bytesPerLine, QImage::Format_RGB32);
}

// WM_ERASEBKGND then WM_PAINT on the control's canvas, clipped to the region to paint, which starts with Color. An
// opaque control's canvas draws straight on the image the widget's painting lands in where it can (DirectView).
// Otherwise it draws on a back buffer (readable, so that every raster operation works) that starts with Color (and
// the host's backdrop over it), or, under a control that lets its parent show through (no csOpaque), with the
// parent's own painting; the buffer is then copied to the widget.
void PaintEvent(ControlHost& h, QWidget* w, QPaintEvent* e) {
  TControl& c = *h.control;
  const QRegion region = e->region();
  h.invalid -= region;
  TCanvas* canvas = ControlAccess::PaintCanvas(c);
  const bool showsParent = canvas != nullptr && (c.ControlStyle() & csOpaque) == 0;
  QImage direct = showsParent || !h.backdrop.isNull() ? QImage() : DirectView(w);
  std::optional<BackBuffers::Lease> buffer;
  if (direct.isNull()) {
    buffer.emplace(w->size());
    QImage& image = buffer->image;
    image.fill(ToQColor(c.Color()));
    if (!h.backdrop.isNull()) QPainter(&image).drawImage(0, 0, h.backdrop);
    if (showsParent)
      if (QWidget* parent = w->parentWidget()) parent->render(&image, QPoint(), QRegion(w->geometry()), {});
  } else {
    QPainter fill(&direct);
    for (const QRect& part : region) fill.fillRect(part, ToQColor(c.Color()));
  }
  QImage& image = buffer ? buffer->image : direct;
  if (canvas != nullptr) {
    canvas->SetTarget(std::make_unique<QImageTarget>(image));
    const int saved = canvas->SaveDC();
    struct Restore {
      ControlHost& h;
      TCanvas* canvas;
      int saved;
      ~Restore() {
        if (h.control == nullptr) return;  // the canvas went with its control
        canvas->RestoreDC(saved);
        canvas->SetTarget(nullptr);
      }
    } restore{h, canvas, saved};
    canvas->SelectClipRgn(HRGN(std::make_shared<HRGN::Data>(HRGN::Data{region})));
    canvas->Font().Assign(c.Font());
    canvas->Brush().SetColor(c.Color());
    for (uint32_t msg : {WM_ERASEBKGND, WM_PAINT}) {
      if (h.control == nullptr) return;
      TMessage m;
      m.Msg = msg;
      m.WParam = canvas->Handle();
      m.Payload = canvas;
      c.Perform(m);
    }
  }
  if (!buffer) return;
  // Copied a rectangle at a time: under a clip of several rectangles the toolkit blends line by line on its worker
  // threads, under a single one it copies at once.
  QPainter painter(w);
  for (const QRect& part : region) {
    painter.setClipRect(part);
    painter.drawImage(0, 0, image);
  }
}

// Whether nothing of the widget lies inside the widgets it stands in.
bool OutOfSight(const QWidget& widget) {
  QRect area = widget.rect();
  for (const QWidget* w = &widget; !w->isWindow() && w->parentWidget() != nullptr; w = w->parentWidget()) {
    area.translate(w->pos());
    area &= w->parentWidget()->rect();
    if (area.isEmpty()) return true;
  }
  return false;
}

bool Translate(ControlHost& h, QWidget* w, QEvent* e, const std::function<bool(QEvent*)>& base) {
  TControl& c = *h.control;
  auto* form = dynamic_cast<TCustomForm*>(&c);
  const bool frame = form != nullptr && w == h.outer;
  switch (e->type()) {
    case QEvent::UpdateLater:
      // A widget shown out of sight asks to be painted all the same; for many parked controls the window would go
      // over all their siblings once for each. What comes into sight later is painted as it moves there.
      return OutOfSight(*w) || base(e);
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
      if (DragMouseEvent(static_cast<QMouseEvent*>(e))) return true;
      return frame ? base(e) : MouseEvent(h, static_cast<QMouseEvent*>(e), base);
    case QEvent::Wheel:
      return frame ? base(e) : WheelEvent(h, static_cast<QWheelEvent*>(e), base);
    case QEvent::KeyPress:
      return KeyPressEvent(h, static_cast<QKeyEvent*>(e), base);
    case QEvent::KeyRelease:
      return KeyReleaseEvent(h, static_cast<QKeyEvent*>(e), base);
    case QEvent::ContextMenu:
      // Mouse context menus come after the right button's release (above); the keyboard's come here.
      if (static_cast<QContextMenuEvent*>(e)->reason() == QContextMenuEvent::Mouse) return true;
      {
        TMessage m;
        m.Msg = WM_CONTEXTMENU;
        m.LParam = MAKELPARAM(-1, -1);
        bool result = true;
        PerformWithDefault(c, m, [&](TMessage&) { result = base(e); });
        return result;
      }
    case QEvent::FocusIn:
    case QEvent::FocusOut: {
      if (frame) return base(e);
      TMessage m;
      m.Msg = e->type() == QEvent::FocusIn ? WM_SETFOCUS : WM_KILLFOCUS;
      bool result = true;
      PerformWithDefault(c, m, [&](TMessage&) { result = base(e); });
      return result;
    }
    case QEvent::Paint:
      if (h.customPaint && w == h.client) {
        PaintEvent(h, w, static_cast<QPaintEvent*>(e));
        return true;
      }
      return base(e);
    case QEvent::Resize:
    case QEvent::Move: {
      const bool result = base(e);
      // A move by the mouse begins before the form hears of the first change it makes.
      if (frame && e->spontaneous()) FrameChangedByWindowSystem(*form);
      if (frame) FormAccess::FrameChanged(*form);
      return result;
    }
    case QEvent::WindowStateChange: {
      const bool result = base(e);
      if (frame) FormAccess::WindowStateChanged(*form);
      return result;
    }
    case QEvent::WindowActivate:
    case QEvent::WindowDeactivate: {
      const bool result = base(e);
      if (frame) c.Perform(WM_ACTIVATE, e->type() == QEvent::WindowActivate ? WA_ACTIVE : WA_INACTIVE);
      return result;
    }
    case QEvent::Close:
      // The form decides (Close: hide, end the program or nothing); the window system never closes it itself.
      e->ignore();
      if (frame) c.Perform(WM_CLOSE);
      return true;
    case QEvent::Enter:
    case QEvent::Leave: {
      const bool result = base(e);
      if (w == h.client) c.Perform(e->type() == QEvent::Enter ? CM_MOUSEENTER : CM_MOUSELEAVE);
      return result;
    }
    default:
      return base(e);
  }
}

}  // namespace

void SetShortCutHandler(TShortCutHandler handler) { ShortCuts() = std::move(handler); }

bool DispatchEvent(ControlHost* host, QWidget* widget, QEvent* event, const std::function<bool(QEvent*)>& base) {
  if (host == nullptr || host->control == nullptr) return base(event);
  ++host->dispatching;
  bool result = true;
  Guarded([&] { result = Translate(*host, widget, event, base); });
  if (--host->dispatching == 0 && host->orphaned) delete host;
  return result;
}

}  // namespace pf
