// Services that windows provide: message dialogs, file and folder choosers, the busy cursor and the message pump.
// The core has headless defaults (dialogs answer their default button and are recorded; the rest does nothing);
// the user-interface layer installs the real ones.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pf {

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };

// Button set bits for MessageDlg.
enum TMsgDlgBtn : unsigned {
  mbYes = 0x001,
  mbNo = 0x002,
  mbOK = 0x004,
  mbCancel = 0x008,
  mbAbort = 0x010,
  mbRetry = 0x020,
  mbIgnore = 0x040,
  mbAll = 0x080,
  mbNoToAll = 0x100,
  mbYesToAll = 0x200,
};

// Results of MessageDlg (modal results) and of MessageBox (the same numbers as the Windows IDOK ... IDNO).
enum TModalResult : int {
  mrNone = 0,
  mrOk = 1,
  mrCancel = 2,
  mrAbort = 3,
  mrRetry = 4,
  mrIgnore = 5,
  mrYes = 6,
  mrNo = 7,
  mrAll = 8,
  mrNoToAll = 9,
  mrYesToAll = 10,
};

// MessageBox flags (the Windows values).
enum : unsigned {
  MB_OK = 0x00,
  MB_OKCANCEL = 0x01,
  MB_ABORTRETRYIGNORE = 0x02,
  MB_YESNOCANCEL = 0x03,
  MB_YESNO = 0x04,
  MB_RETRYCANCEL = 0x05,
  MB_ICONERROR = 0x10,
  MB_ICONQUESTION = 0x20,
  MB_ICONWARNING = 0x30,
  MB_ICONINFORMATION = 0x40,
  MB_DEFBUTTON2 = 0x100,
};

class IDialogService {
 public:
  virtual ~IDialogService() = default;
  // Texts are Latin-1. Returns a TModalResult.
  virtual int MessageDlg(std::string_view text, TMsgDlgType type, unsigned buttons) = 0;
  virtual int MessageBox(std::string_view text, std::string_view caption, unsigned flags) = 0;
  // filter: "Description|*.ext|..." pairs. nullopt when cancelled.
  virtual std::optional<std::string> OpenFileDialog(std::string_view title, std::string_view filter,
                                                    std::string_view initialDir) = 0;
  virtual std::optional<std::string> SelectDirectory(std::string_view caption, std::string_view initialDir) = 0;
};

// Records every dialog and answers from a queue of scripted results, else with the default: OK for OK-only and
// OK/Cancel sets, Yes for sets with Yes, the first button otherwise (a MessageBox with MB_DEFBUTTON2 answers its
// second button, its default); file and folder choosers answer nullopt unless scripted.
class RecordingDialogService : public IDialogService {
 public:
  struct Call {
    std::string kind;        // "MessageDlg", "MessageBox", "OpenFileDialog", "SelectDirectory"
    std::string text;        // message text or title
    std::string caption;     // MessageBox caption; OpenFileDialog filter
    int type = 0;            // TMsgDlgType for MessageDlg
    unsigned buttons = 0;    // buttons or flags
    std::string initialDir;  // OpenFileDialog, SelectDirectory
  };
  int MessageDlg(std::string_view text, TMsgDlgType type, unsigned buttons) override;
  int MessageBox(std::string_view text, std::string_view caption, unsigned flags) override;
  std::optional<std::string> OpenFileDialog(std::string_view title, std::string_view filter,
                                            std::string_view initialDir) override;
  std::optional<std::string> SelectDirectory(std::string_view caption, std::string_view initialDir) override;

  void PushAnswer(int result) { answers_.push_back(result); }
  void PushPath(std::optional<std::string> path) { paths_.push_back(std::move(path)); }
  const std::vector<Call>& Calls() const { return calls_; }
  void ClearCalls() { calls_.clear(); }

 private:
  std::vector<Call> calls_;
  std::vector<int> answers_;
  std::vector<std::optional<std::string>> paths_;
};

class ICursorService {
 public:
  virtual ~ICursorService() = default;
  virtual void PushBusy() = 0;  // hourglass, nestable
  virtual void PopBusy() = 0;
};

class IMessagePump {
 public:
  virtual ~IMessagePump() = default;
  // Delivers pending paint and timer work only, never user input, so no user action can re-enter the caller.
  virtual void ProcessMessages() = 0;
};

// Single-shot callbacks on the GUI thread and a millisecond clock, for code below the user-interface layer that
// must wait without blocking (animations). Only the user-interface layer provides one; headless there is none.
class ITimerService {
 public:
  using THandle = uint64_t;  // 0 is no timer
  virtual ~ITimerService() = default;
  // Milliseconds on a monotonic clock (wraps like a 32-bit tick count).
  virtual uint32_t Now() = 0;
  // Calls callback once, on the GUI thread, after ms milliseconds (from the event loop).
  virtual THandle Schedule(uint32_t ms, std::function<void()> callback) = 0;
  // Drops a scheduled callback; unknown or spent handles are ignored.
  virtual void Cancel(THandle handle) = 0;
  // Blocks for ms milliseconds without delivering anything; false when the program is ending.
  virtual bool Sleep(uint32_t ms) = 0;
};

// The installed services (headless defaults until replaced; nullptr restores the default).
IDialogService& Dialogs();
void SetDialogs(IDialogService* service);
ICursorService& Cursor();
void SetCursor(ICursorService* service);
IMessagePump& MessagePump();
void SetMessagePump(IMessagePump* pump);
// nullptr when no timer service is installed.
ITimerService* TimerService();
void SetTimerService(ITimerService* service);

inline int MessageDlg(std::string_view text, TMsgDlgType type, unsigned buttons) {
  return Dialogs().MessageDlg(text, type, buttons);
}
inline void ProcessMessages() { MessagePump().ProcessMessages(); }

// Shows the busy cursor for its lifetime.
class BusyCursor {
 public:
  BusyCursor() { Cursor().PushBusy(); }
  ~BusyCursor() { Cursor().PopBusy(); }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;
};

// The default exception handler: shows the message of e in an error dialog (nothing for EAbort) and returns.
void HandleException(const std::exception& e);

}  // namespace pf
