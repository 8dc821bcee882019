// TApplication and TScreen, the Qt application behind them, the exception guard, posted messages, idle time and the
// hint, and the layer's services for the core (message pump, busy cursor).
#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QEventLoop>
#include <QIcon>
#include <QIconEngine>
#include <QKeyEvent>
#include <QLibraryInfo>
#include <QMouseEvent>
#include <QPainter>
#include <QProxyStyle>
#include <QScreen>
#include <QStyleFactory>
#include <QStyleOptionProgressBar>
#include <QToolTip>
#include <QTranslator>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <functional>

#include "platform/core/exceptions.h"
#include "platform/core/strings.h"
#include "platform/graphics/canvas_qt.h"
#include "platform/ui/host_qt.h"
#include "platform/ui/stdctrls.h"
#include "platform/ui/system.h"

namespace pf {

namespace {

TApplication* theApplication = nullptr;
TScreen* theScreen = nullptr;

// An icon that is made when it is first drawn or measured.
class DeferredIconEngine : public QIconEngine {
 public:
  explicit DeferredIconEngine(std::function<QIcon()> make) : make_(std::move(make)) {}
  void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override {
    Icon().paint(painter, rect, Qt::AlignCenter, mode, state);
  }
  QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
    return Icon().pixmap(size, mode, state);
  }
  QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
    return Icon().actualSize(size, mode, state);
  }
  QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override {
    return Icon().availableSizes(mode, state);
  }
  QIconEngine* clone() const override { return new DeferredIconEngine(*this); }

 private:
  const QIcon& Icon() {
    if (!made_) icon_ = make_(), made_ = true;
    return icon_;
  }
  std::function<QIcon()> make_;
  QIcon icon_;
  bool made_ = false;
};

// Fusion (or the style QT_STYLE_OVERRIDE names) with the hint delays of the application and the password
// character of each edit.
class LayerStyle : public QProxyStyle {
 public:
  using QProxyStyle::QProxyStyle;
  // Every menu bar makes the icon of its overflow button, which is read from a picture file, and reading one
  // probes every installed picture format plugin; the icon is made when the button first shows instead.
  QIcon standardIcon(StandardPixmap icon, const QStyleOption* option, const QWidget* widget) const override {
    if (option == nullptr && (icon == SP_ToolBarHorizontalExtensionButton || icon == SP_ToolBarVerticalExtensionButton))
      return QIcon(new DeferredIconEngine([this, icon] { return QProxyStyle::standardIcon(icon, nullptr, nullptr); }));
    return QProxyStyle::standardIcon(icon, option, widget);
  }
  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* returnData) const override {
    if (hint == SH_LineEdit_PasswordCharacter && widget != nullptr)
      if (const auto* edit = dynamic_cast<const TCustomEdit*>(ControlOfWidget(widget)))
        if (edit->PasswordChar() != '\0') return static_cast<uint8_t>(edit->PasswordChar());
    if (hint == SH_ToolTip_WakeUpDelay && theApplication != nullptr) return theApplication->HintPause;
    if (hint == SH_ToolTip_FallAsleepDelay && theApplication != nullptr) return theApplication->HintHidePause;
    return QProxyStyle::styleHint(hint, option, widget, returnData);
  }
  // Progress bars are drawn flat with filled rectangles: the base style draws them with lines that the toolkit
  // blends on worker threads it starts for the purpose.
  void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                   const QWidget* widget) const override {
    const auto* bar = qstyleoption_cast<const QStyleOptionProgressBar*>(option);
    if (bar == nullptr || (element != CE_ProgressBarGroove && element != CE_ProgressBarContents)) {
      QProxyStyle::drawControl(element, option, painter, widget);
      return;
    }
    const QRect r = bar->rect;
    if (element == CE_ProgressBarGroove) {
      painter->fillRect(r, bar->palette.color(QPalette::Mid));
      painter->fillRect(r.adjusted(1, 1, -1, -1), bar->palette.color(QPalette::Base));
      return;
    }
    const int64_t range = int64_t{bar->maximum} - bar->minimum;
    if (range <= 0 || bar->progress <= bar->minimum) return;
    const QRect inner = r.adjusted(2, 2, -2, -2);
    const int64_t done = std::min<int64_t>(int64_t{bar->progress} - bar->minimum, range);
    QRect filled = inner;
    if (bar->state & State_Horizontal) {
      filled.setWidth(static_cast<int>(inner.width() * done / range));
    } else {
      filled.setTop(inner.bottom() + 1 - static_cast<int>(inner.height() * done / range));
    }
    painter->fillRect(filled, bar->palette.color(QPalette::Highlight));
  }
};

QPalette FixedSystemPalette() {
  QPalette palette;
  const struct {
    QPalette::ColorRole role;
    int index;
  } roles[] = {
      {QPalette::Window, COLOR_BTNFACE},
      {QPalette::WindowText, COLOR_WINDOWTEXT},
      {QPalette::Base, COLOR_WINDOW},
      {QPalette::AlternateBase, COLOR_BTNFACE},
      {QPalette::ToolTipBase, COLOR_INFOBK},
      {QPalette::ToolTipText, COLOR_INFOTEXT},
      {QPalette::PlaceholderText, COLOR_GRAYTEXT},
      {QPalette::Text, COLOR_WINDOWTEXT},
      {QPalette::Button, COLOR_BTNFACE},
      {QPalette::ButtonText, COLOR_BTNTEXT},
      {QPalette::Light, COLOR_BTNHIGHLIGHT},
      {QPalette::Midlight, COLOR_3DLIGHT},
      {QPalette::Dark, COLOR_BTNSHADOW},
      {QPalette::Mid, COLOR_BTNSHADOW},
      {QPalette::Shadow, COLOR_3DDKSHADOW},
      {QPalette::Highlight, COLOR_HIGHLIGHT},
      {QPalette::HighlightedText, COLOR_HIGHLIGHTTEXT},
      {QPalette::Link, COLOR_HOTLIGHT},
  };
  for (const auto& r : roles) palette.setColor(r.role, ToQColor(GetSysColor(r.index)));
  for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
    palette.setColor(QPalette::Disabled, role, ToQColor(GetSysColor(COLOR_GRAYTEXT)));
  return palette;
}

// ---- Input seen by the whole application: the widget under the mouse, the keys held, system changes.
QPointer<QWidget> hoveredWidget;
std::vector<uint16_t> keysDown;

class InputTracker : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* object, QEvent* event) override {
    auto* widget = qobject_cast<QWidget*>(object);
    switch (event->type()) {
      case QEvent::MouseMove:
        // The widget under the mouse: a move that a widget ignores goes on to its parents, and while a button is
        // held the moves go to the widget that took the mouse.
        hoveredWidget = QApplication::widgetAt(static_cast<QMouseEvent*>(event)->globalPosition().toPoint());
        break;
      case QEvent::Enter:
        if (widget != nullptr) hoveredWidget = widget;
        break;
      case QEvent::Leave:
        if (widget != nullptr && hoveredWidget == widget) hoveredWidget = nullptr;
        break;
      case QEvent::KeyPress:
      case QEvent::KeyRelease: {
        // A key event that a widget leaves goes on to its parents: the same event again, seen once here.
        auto* e = static_cast<QKeyEvent*>(event);
        if (e == lastKey_ && e->timestamp() == lastKeyTime_ && e->type() == lastKeyType_) break;
        lastKey_ = e, lastKeyTime_ = e->timestamp(), lastKeyType_ = e->type();
        const uint16_t vk = VirtualKeyOf(e->key(), e->modifiers());
        if (!e->isAutoRepeat()) NoteKey(vk, event->type() == QEvent::KeyPress);
        if (vk != 0) Guarded([&] { RunKeyboardHooks(vk, event->type() == QEvent::KeyPress, e->isAutoRepeat()); });
        break;
      }
      case QEvent::ApplicationFontChange:
      case QEvent::ApplicationPaletteChange:
      case QEvent::StyleChange:
        if (object == QCoreApplication::instance())
          Guarded([] {
            for (int i = 0; i < Screen().FormCount(); ++i) Screen().Forms(i)->Perform(WM_SETTINGCHANGE);
          });
        break;
      default:
        break;
    }
    return false;
  }

 private:
  const QKeyEvent* lastKey_ = nullptr;
  quint64 lastKeyTime_ = 0;
  QEvent::Type lastKeyType_ = QEvent::None;
};

// ---- Posted messages: one queue in posting order; each posted Qt event delivers the oldest message, so that nested
// loops deliver too. While held (ProcessMessagesWithoutInput) nothing is delivered and the events are made up later.
struct Posted {
  TControl* control;
  TMessage message;
};
std::deque<Posted> postedQueue;
int holdCount = 0;
int missedDeliveries = 0;
const QEvent::Type kDeliverEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

void DeliverOne() {
  if (holdCount > 0) {
    ++missedDeliveries;
    return;
  }
  if (postedQueue.empty()) return;
  Posted posted = std::move(postedQueue.front());
  postedQueue.pop_front();
  if (posted.message.Msg == CM_RELEASE)
    if (auto* form = dynamic_cast<TCustomForm*>(posted.control)) {
      Guarded([form] {
        form->BeforeDestruction();
        delete form;
      });
      return;
    }
  Guarded([&posted] { posted.control->Perform(posted.message); });
}

class Deliverer : public QObject {
 protected:
  bool event(QEvent* e) override {
    if (e->type() != kDeliverEvent) return QObject::event(e);
    DeliverOne();
    return true;
  }
};

void RequestDelivery() {
  static Deliverer* deliverer = new Deliverer();
  QCoreApplication::postEvent(deliverer, new QEvent(kDeliverEvent));
}

// ---- Services for the core.
class UiMessagePump : public IMessagePump {
 public:
  void ProcessMessages() override { Application().ProcessMessagesWithoutInput(); }
  // Terminate leaves its request standing (Terminated stays true and Run's loop has been told to exit), which is
  // what keeps the request seen by the loops outside the caller.
  bool PumpMessages() override {
    TApplication& app = Application();
    if (app.Terminated()) return false;
    app.ProcessMessages();
    return !app.Terminated();
  }
};

class UiCursorService : public ICursorService {
 public:
  void PushBusy() override { ScreenAccess::PushBusy(); }
  void PopBusy() override { ScreenAccess::PopBusy(); }
};

bool inIdle = false;

void RunIdle() {
  if (inIdle || theApplication == nullptr) return;
  inIdle = true;
  Guarded([] { theApplication->Idle(); });
  inIdle = false;
}

// Font measuring may start before the first control: the application object it then creates must be ours.
struct RegisterFactory {
  RegisterFactory() { SetGuiApplicationFactory(&EnsureUi); }
} registerFactory;

// The toolkit's own texts (file and printer dialogs, the edit fields' menus) in German, as every message box of the
// layer is; without the translation files they stay English.
void LoadToolkitTranslations() {
  auto* translator = new QTranslator(qApp);
  if (translator->load(QStringLiteral("qtbase_de"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    QCoreApplication::installTranslator(translator);
  else
    delete translator;
}

}  // namespace

void EnsureUi() {
  static bool ready = false;
  if (ready) return;
  QCoreApplication* existing = QCoreApplication::instance();
  if (existing != nullptr && qobject_cast<QApplication*>(existing) == nullptr)
    throw EInvalidOperation("The window system was started without widget support");
  ready = true;
  StartFontDatabaseFiller();
  if (existing == nullptr) {
    if (!std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY"))
      setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int argc = 1;
    static char name[] = "pexu";
    static char* argv[] = {name, nullptr};
    // Menu bars stay in their windows: offering one to the desktop's global menu asks the session bus first, and
    // that waits for good when a bus is being started and never answers.
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeMenuBar);
    new QApplication(argc, argv);
  }
  const char* styleOverride = std::getenv("QT_STYLE_OVERRIDE");
  QStyle* base = styleOverride != nullptr && *styleOverride != '\0' ? nullptr : QStyleFactory::create("Fusion");
  QApplication::setStyle(new LayerStyle(base));
  QApplication::setPalette(FixedSystemPalette());
  QApplication::setFont(ToQFont(TFont()));
  FillFontDatabaseInBackground();
  QApplication::setQuitOnLastWindowClosed(false);
  LoadToolkitTranslations();
  qApp->installEventFilter(new InputTracker(qApp));
  QObject::connect(qApp, &QApplication::focusChanged, qApp,
                   [](QWidget*, QWidget* now) { Guarded([now] { FocusMoved(now); }); });
  QObject::connect(qApp, &QGuiApplication::applicationStateChanged, qApp, [](Qt::ApplicationState state) {
    Guarded([state] { ApplicationAccess::ActiveChanged(state == Qt::ApplicationActive); });
  });
  if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance())
    QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, qApp, &RunIdle);
  static UiMessagePump pump;
  static UiCursorService cursor;
  SetMessagePump(&pump);
  SetCursor(&cursor);
  InstallTimerService();
  InstallClipboardService();
}

bool Guarded(const std::function<void()>& f) {
  try {
    f();
    return true;
  } catch (...) {
    Application().HandleCurrentException();
    return false;
  }
}

bool PostMessage(TControl* control, uint32_t msg, WPARAM wParam, LPARAM lParam, std::any payload) {
  if (control == nullptr) return false;
  EnsureUi();
  Posted posted{control, {}};
  posted.message.Msg = msg;
  posted.message.WParam = wParam;
  posted.message.LParam = lParam;
  posted.message.Payload = std::move(payload);
  postedQueue.push_back(std::move(posted));
  RequestDelivery();
  return true;
}

void HoldPostedMessages(bool hold) {
  if (hold) {
    ++holdCount;
    return;
  }
  if (holdCount > 0 && --holdCount == 0)
    for (; missedDeliveries > 0; --missedDeliveries) RequestDelivery();
}

void DropPostedMessages(const TControl* control) {
  std::erase_if(postedQueue, [control](const Posted& p) { return p.control == control; });
}

// ---- TApplication

TApplication::TApplication(TComponent* owner) : TComponent(owner) {}

TApplication::~TApplication() {
  if (theApplication == this) theApplication = nullptr;
}

TApplication& Application() {
  if (theApplication == nullptr) theApplication = new TApplication();
  return *theApplication;
}

void DoneApplication() {
  TApplication* app = theApplication;
  if (app == nullptr) return;
  while (app->ComponentCount() > 0) {
    TComponent* c = app->Components(app->ComponentCount() - 1);
    if (auto* form = dynamic_cast<TCustomForm*>(c)) form->BeforeDestruction();
    delete c;
  }
  delete app;
}

void ApplicationAccess::ForgetMainForm() {
  if (theApplication != nullptr) theApplication->mainForm_ = nullptr;
}

void ApplicationAccess::ActiveChanged(bool active) {
  if (theApplication == nullptr || theApplication->active_ == active) return;
  theApplication->active_ = active;
  for (int i = 0; i < Screen().FormCount(); ++i) Screen().Forms(i)->Perform(WM_ACTIVATEAPP, active ? 1 : 0);
  const TNotifyEvent& handler = active ? theApplication->OnActivate : theApplication->OnDeactivate;
  if (handler) handler(theApplication);
}

void ApplicationAccess::LoopStarted(void* loop) { Application().loops_.push_back(loop); }

void ApplicationAccess::LoopEnded(void* loop) {
  if (theApplication != nullptr) std::erase(theApplication->loops_, loop);
}

void TApplication::Initialize() {
  EnsureUi();
  InstallDialogService();
}

void TApplication::FormCreated(TCustomForm* form) {
  form->AfterConstruction();
  if (mainForm_ == nullptr) mainForm_ = form;
}

void TApplication::Run() {
  EnsureUi();
  if (mainForm_ != nullptr && ShowMainForm) mainForm_->Show();
  while (!terminated_) {
    QEventLoop loop;
    ApplicationAccess::LoopStarted(&loop);
    loop.exec();
    ApplicationAccess::LoopEnded(&loop);
  }
}

void TApplication::Terminate() {
  terminated_ = true;
  for (void* loop : loops_) static_cast<QEventLoop*>(loop)->exit();
}

void TApplication::ProcessMessages() {
  EnsureUi();
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void TApplication::ProcessMessagesWithoutInput() {
  EnsureUi();
  HoldPostedMessages(true);
  struct Release {
    ~Release() { HoldPostedMessages(false); }
  } release;
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TApplication::Idle() {
  // While a menu (or another pop-up) is open the hint is the highlighted item's, set by the menu.
  if (QApplication::activePopupWidget() == nullptr) {
    TControl* control = ControlOfWidget(hoveredWidget);
    if (ShowHint && control == nullptr) CancelHint();
    std::string hint;
    for (TControl* c = control; c != nullptr; c = c->Parent())
      if (!c->Hint().empty()) {
        hint = c->Hint();
        break;
      }
    SetHint(GetLongHint(hint));
  }
  bool done = true;
  if (OnIdle) OnIdle(this, done);
  // OnIdle wants to run again: wake the loop, which then comes back here before it waits.
  if (!done) QCoreApplication::postEvent(qApp, new QEvent(QEvent::None));
}

void TApplication::SetTitle(const std::string& value) {
  title_ = value;
  if (QCoreApplication::instance() != nullptr) QCoreApplication::setApplicationName(ToQString(value));
}

void TApplication::HandleException(const std::exception& e) {
  try {
    if (OnException)
      OnException(this, e);
    else
      ShowException(e);
  } catch (...) {
    // The guard's handler must not throw; the message at least reaches the terminal.
    std::fprintf(stderr, "%s\n", e.what());
  }
}

void TApplication::HandleCurrentException() {
  try {
    throw;
  } catch (const std::exception& e) {
    HandleException(e);
  } catch (...) {
    HandleException(Exception("Unknown exception"));
  }
}

void TApplication::ShowException(const std::exception& e) { pf::HandleException(e); }

void TApplication::SetHint(const std::string& value) {
  if (hint_ == value) return;
  hint_ = value;
  if (OnHint) OnHint(this);
}

void TApplication::CancelHint() {
  if (QCoreApplication::instance() != nullptr) QToolTip::hideText();
}

// ---- TScreen

TScreen::TScreen(TComponent* owner) : TComponent(owner) {}

TScreen::~TScreen() {
  if (theScreen == this) theScreen = nullptr;
}

TScreen& Screen() {
  if (theScreen == nullptr) theScreen = new TScreen();
  return *theScreen;
}

void TScreen::SetCursor(TCursor value) {
  if (value == cursor_) return;
  EnsureUi();
  if (cursor_ != crDefault) QGuiApplication::restoreOverrideCursor();
  cursor_ = value;
  if (value != crDefault) QGuiApplication::setOverrideCursor(ToQCursor(value));
}

int32_t TScreen::Width() const {
  EnsureUi();
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen != nullptr ? screen->geometry().width() : 0;
}

int32_t TScreen::Height() const {
  EnsureUi();
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen != nullptr ? screen->geometry().height() : 0;
}

const TStrings& TScreen::Fonts() {
  if (fonts_.Count() == 0) {
    fonts_.SetSorted(true);
    fonts_.SetDuplicates(dupIgnore);
    for (const std::string& family : FontService().Families()) fonts_.Add(family);
  }
  return fonts_;
}

TCustomForm* TScreen::ActiveForm() const { return activeForm_; }

TWinControl* TScreen::ActiveControl() const { return activeForm_ != nullptr ? activeForm_->ActiveControl() : nullptr; }

TControl* TScreen::FocusedControl() const { return ControlOfWidget(QApplication::focusWidget()); }

namespace {
std::string CaptionOf(const QWidget* window) { return window != nullptr ? FromQString(window->windowTitle()) : ""; }
}  // namespace

std::string TScreen::ActiveWindowCaption() const { return CaptionOf(QApplication::activeWindow()); }

std::string TScreen::ModalWindowCaption() const { return CaptionOf(QApplication::activeModalWidget()); }

bool TScreen::PopupShown() const { return QApplication::activePopupWidget() != nullptr; }

TCustomForm* TScreen::Forms(int index) const {
  if (index < 0 || index >= FormCount()) throw EListError(Format("List index out of bounds (%d)", {index}));
  return forms_[static_cast<size_t>(index)];
}

void ScreenAccess::SetActiveForm(TCustomForm* form) { Screen().activeForm_ = form; }

void ScreenAccess::FormGone(TCustomForm* form) {
  TScreen& screen = Screen();
  std::erase(screen.forms_, form);
  if (screen.activeForm_ == form) screen.activeForm_ = nullptr;
}

void ScreenAccess::PushBusy() {
  TScreen& screen = Screen();
  if (screen.busy_++ == 0) {
    screen.savedCursor_ = screen.cursor_;
    screen.SetCursor(crHourGlass);
  }
}

void ScreenAccess::PopBusy() {
  TScreen& screen = Screen();
  if (screen.busy_ > 0 && --screen.busy_ == 0) screen.SetCursor(screen.savedCursor_);
}

// ---- Window-system queries

TPoint GetCursorPos() {
  EnsureUi();
  return ToPoint(QCursor::pos());
}

TControl* FindDragTarget(const TPoint& screenPos, bool allowDisabled) {
  EnsureUi();
  TControl* control = ControlOfWidget(QApplication::widgetAt(QPoint(screenPos.X, screenPos.Y)));
  while (control != nullptr && !allowDisabled && !control->Enabled()) control = control->Parent();
  return control;
}

int16_t GetKeyState(int virtualKey) {
  bool down = false;
  if (QCoreApplication::instance() != nullptr) {
    const Qt::KeyboardModifiers modifiers = QGuiApplication::keyboardModifiers();
    const Qt::MouseButtons buttons = QGuiApplication::mouseButtons();
    switch (virtualKey) {
      case VK_SHIFT:
        down = (modifiers & Qt::ShiftModifier) != 0;
        break;
      case VK_CONTROL:
        down = (modifiers & Qt::ControlModifier) != 0;
        break;
      case VK_MENU:
        down = (modifiers & Qt::AltModifier) != 0;
        break;
      case VK_LBUTTON:
        down = (buttons & Qt::LeftButton) != 0;
        break;
      case VK_RBUTTON:
        down = (buttons & Qt::RightButton) != 0;
        break;
      case VK_MBUTTON:
        down = (buttons & Qt::MiddleButton) != 0;
        break;
      default:
        break;
    }
  }
  if (std::find(keysDown.begin(), keysDown.end(), virtualKey) != keysDown.end()) down = true;
  return static_cast<int16_t>((down ? -0x8000 : 0) | (IsLockKeyOn(virtualKey) ? 1 : 0));
}

void NoteKey(uint16_t virtualKey, bool down) {
  std::erase(keysDown, virtualKey);
  if (down && virtualKey != 0) keysDown.push_back(virtualKey);
}

int GetSystemMetrics(int index) {
  EnsureUi();
  const QStyle* style = QApplication::style();
  switch (index) {
    case SM_CXSCREEN:
      return Screen().Width();
    case SM_CYSCREEN:
      return Screen().Height();
    case SM_CXVSCROLL:
    case SM_CYHSCROLL:
      return style->pixelMetric(QStyle::PM_ScrollBarExtent);
    case SM_CYCAPTION:
      return style->pixelMetric(QStyle::PM_TitleBarHeight);
    case SM_CXMENUCHECK:
      return style->pixelMetric(QStyle::PM_IndicatorWidth);
    case SM_CYMENUCHECK:
      return style->pixelMetric(QStyle::PM_IndicatorHeight);
    case SM_CXDOUBLECLK:
    case SM_CYDOUBLECLK:
      return 4;
    default:
      return 0;
  }
}

int WheelScrollLines() {
  EnsureUi();
  return QApplication::wheelScrollLines();
}

}  // namespace pf
