// Forms, the application and the screen.
//   - TCustomForm / TForm: a top-level window. Left, Top, Width and Height are the outer frame; the client area holds
//     the children (below the menu bar, when the form has one). Closing a secondary form hides it, closing the main
//     form ends the program; ShowModal runs a nested loop until ModalResult is set.
//   - TApplication (Application()): the event loop, the exception guard every event passes, the hint, idle time.
//   - TScreen (Screen()): the global cursor, the screen size, the fonts, the active form.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/core/classes.h"
#include "platform/core/services.h"
#include "platform/ui/controls.h"

namespace pf {

class TMainMenu;  // the menu module's main menu (a TComponent)

enum TPosition {
  poDesigned,
  poDefault,
  poDefaultPosOnly,
  poDefaultSizeOnly,
  poScreenCenter,
  poDesktopCenter,
  poMainFormCenter,
  poOwnerFormCenter,
};
enum TWindowState { wsNormal, wsMinimized, wsMaximized };
enum TFormStyle { fsNormal, fsStayOnTop };
enum TCloseAction { caNone, caHide, caFree, caMinimize };

using TCloseEvent = std::function<void(TObject* Sender, TCloseAction& Action)>;
using TCloseQueryEvent = std::function<void(TObject* Sender, bool& CanClose)>;

class TCustomForm : public TCustomControl {
 public:
  explicit TCustomForm(TComponent* owner);
  ~TCustomForm() override;
  std::string ClassName() const override { return "TCustomForm"; }

  // Raises OnCreate; Application().CreateForm calls it once the form is constructed.
  void AfterConstruction();
  // Raises OnDestroy (once) while the whole form still exists; the destructor calls it when nobody did.
  void BeforeDestruction();

  TFormBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TFormBorderStyle value);
  TPosition Position() const { return position_; }
  void SetPosition(TPosition value) { position_ = value; }
  TWindowState WindowState() const;
  void SetWindowState(TWindowState value);
  // The bounds of the window when it is neither maximised nor minimised: its bounds now in that state, else the
  // ones it had the last time it was in it.
  TRect RestoredBounds() const { return restoredBounds_; }
  TFormStyle FormStyle() const { return formStyle_; }
  void SetFormStyle(TFormStyle value);
  // The form's key handlers see every key of its controls first.
  bool KeyPreview = false;

  // The control that has (or gets, when the form is activated) the focus.
  TWinControl* ActiveControl() const { return activeControl_; }
  void SetActiveControl(TWinControl* control);
  // Makes control the active control and gives it the focus when the form is active.
  void FocusControl(TWinControl* control);

  // Menu slot, filled by the menu module.
  TMainMenu* Menu() const { return menu_; }
  template <class MainMenu>
  void SetMenu(MainMenu* menu) {
    SetMenuSlot(menu, menu);
  }
  void SetMenu(std::nullptr_t) { SetMenuSlot(nullptr, nullptr); }
  void SetMenuSlot(TMainMenu* menu, TComponent* asComponent);

  // Shows, raises and activates the form.
  void Show();
  // A secondary form hides (or what OnClose says); the main form ends the program; a modal form sets mrCancel.
  void Close();
  // OnCloseQuery's answer (true without a handler).
  virtual bool CloseQuery();
  // Shows the form modally and runs a nested loop until ModalResult becomes non-zero; answers it. A visible or
  // disabled form raises EInvalidOperation "Cannot make a visible window modal".
  int ShowModal();
  int ModalResult() const { return modalResult_; }
  void SetModalResult(int value);
  // The form is the active window.
  bool Active() const { return active_; }
  // Frees the form once the current event has been handled.
  void Release();

  void SetBounds(int32_t left, int32_t top, int32_t width, int32_t height) override;
  TRect ClientRect() const override;
  bool Showing() const override { return Visible(); }
  void SetVisible(bool value) override;
  void SetConstraints(const TSizeConstraints& value) override;
  void SetText(const std::string& value) override;

  TNotifyEvent OnCreate;
  TNotifyEvent OnDestroy;
  TNotifyEvent OnShow;
  TNotifyEvent OnHide;
  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;
  TCloseEvent OnClose;
  TCloseQueryEvent OnCloseQuery;

 protected:
  void WndProc(TMessage& message) override;
  virtual void Activate();
  virtual void Deactivate();
  virtual void DoClose(TCloseAction& action);
  void UpdateGeometry() override;
  void Notification(TComponent* component, TOperation operation) override;

 private:
  friend struct FormAccess;
  void CloseModal();
  void PlaceOnFirstShow();
  void FrameChanged();
  void SendMove();
  void WindowStateChanged();
  void ActivationChanged(bool active);
  void FocusChanged(TWinControl* now);

  TFormBorderStyle borderStyle_ = bsSizeable;
  TPosition position_ = poDesigned;
  TFormStyle formStyle_ = fsNormal;
  TWindowState requestedState_ = wsNormal;
  TRect restoredBounds_;
  TWinControl* activeControl_ = nullptr;
  TWinControl* focusedControl_ = nullptr;  // the control whose OnEnter ran last
  TMainMenu* menu_ = nullptr;
  TComponent* menuComponent_ = nullptr;
  int modalResult_ = mrNone;
  bool modal_ = false;
  bool active_ = false;
  bool created_ = false;
  bool destroyed_ = false;
  bool placed_ = false;
  void* modalLoop_ = nullptr;
};

class TForm : public TCustomForm {
 public:
  using TCustomForm::TCustomForm;
  std::string ClassName() const override { return "TForm"; }
};

using TIdleEvent = std::function<void(TObject* Sender, bool& Done)>;
using TExceptionEvent = std::function<void(TObject* Sender, const std::exception& E)>;

class TApplication : public TComponent {
 public:
  explicit TApplication(TComponent* owner = nullptr);
  ~TApplication() override;
  std::string ClassName() const override { return "TApplication"; }

  // Starts the window system (Fusion style, the fixed system colours) and installs the layer's services: the
  // message pump, the busy cursor, the timer service that animations use, the clipboard and the dialogs (message
  // boxes and choosers on the screen; a program that never calls Initialize keeps the core's recording dialogs).
  void Initialize();
  // Creates a form owned by the application; the first one becomes the main form. Raises OnCreate.
  template <class T>
  void CreateForm(T*& reference) {
    T* form = new T(this);
    reference = form;
    FormCreated(form);
  }
  // Shows the main form (when ShowMainForm) and runs the event loop until Terminate.
  void Run();
  void Terminate();
  bool Terminated() const { return terminated_; }
  // Handles every waiting event, user input included.
  void ProcessMessages();
  // Handles waiting paint and timer work only: no user input and no posted messages, so nothing the user does and
  // nothing posted can re-enter the caller.
  void ProcessMessagesWithoutInput();
  // Waits for at least one event and handles what is waiting; runs Idle when the queue is empty.
  void HandleMessage();
  // Idle time: the control under the mouse is found, Hint becomes its long hint (walking up to the first parent that
  // has one), then OnIdle. The event loop runs it whenever it is about to wait.
  void Idle();

  TCustomForm* MainForm() const { return mainForm_; }
  bool ShowMainForm = true;
  const std::string& Title() const { return title_; }
  void SetTitle(const std::string& value);

  // The exception guard's handler: OnException when set, else ShowException. Never throws.
  void HandleException(const std::exception& e);
  // The same for the exception being handled (inside a catch block), of any type.
  void HandleCurrentException();
  // Shows the message in an error box (nothing for EAbort).
  void ShowException(const std::exception& e);
  TExceptionEvent OnException;

  // The long hint of the control under the mouse; OnHint runs whenever it changes (also to "").
  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& value);
  // Hides a tool tip that shows.
  void CancelHint();
  bool ShowHint = true;
  int HintPause = 500;       // ms before a tool tip shows
  int HintHidePause = 2500;  // ms a tool tip stays
  TNotifyEvent OnHint;
  TIdleEvent OnIdle;

  // The application is the active one on the desktop.
  bool Active() const { return active_; }
  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;

 private:
  friend struct ApplicationAccess;
  void FormCreated(TCustomForm* form);

  TCustomForm* mainForm_ = nullptr;
  std::string title_;
  std::string hint_;
  bool terminated_ = false;
  bool active_ = false;
  bool idleWanted_ = false;
  std::vector<void*> loops_;  // the running event loops, innermost last
};

class TScreen : public TComponent {
 public:
  explicit TScreen(TComponent* owner = nullptr);
  ~TScreen() override;
  std::string ClassName() const override { return "TScreen"; }

  // The cursor over every window of the program; crDefault lets each control show its own.
  TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor value);
  int32_t Width() const;
  int32_t Height() const;
  int32_t PixelsPerInch() const { return kPixelsPerInch; }
  // The font families on offer, sorted.
  const TStrings& Fonts();
  TCustomForm* ActiveForm() const;
  TWinControl* ActiveControl() const;
  // The window system's own view, which window tests wait on: the control whose window has the keyboard focus
  // (nullptr when none of ours has it, as in a dialog of the toolkit's own), the captions of the active window (where
  // keys go) and of an open modal dialog (also one of the toolkit's own; empty when none), and whether a pop-up (an
  // open drop-down list or menu) takes the input.
  TControl* FocusedControl() const;
  std::string ActiveWindowCaption() const;
  std::string ModalWindowCaption() const;
  bool PopupShown() const;
  int FormCount() const { return static_cast<int>(forms_.size()); }
  TCustomForm* Forms(int index) const;  // EListError when out of range

 private:
  friend class TCustomForm;
  friend struct ScreenAccess;
  TCursor cursor_ = crDefault;
  std::vector<TCustomForm*> forms_;
  TCustomForm* activeForm_ = nullptr;
  TStringList fonts_;
  int busy_ = 0;
  TCursor savedCursor_ = crDefault;
};

TApplication& Application();
TScreen& Screen();
// Frees the application's forms in the reverse order of their creation (each with BeforeDestruction first), then the
// application object; the next Application() starts afresh.
void DoneApplication();

}  // namespace pf
