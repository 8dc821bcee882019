// Services that windows provide: message dialogs, file and folder choosers, the busy cursor, the message pump and
// the clipboard. The core has headless defaults (dialogs answer their default button and are recorded, the
// clipboard lives in memory, the rest does nothing); the user-interface layer installs the real ones.
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

// What a file chooser is asked for (TOpenDialog, TSaveDialog) and what the user picked.
struct TFileDialogRequest {
  bool Save = false;
  std::string Title;
  std::string Filter;   // "Description|*.ext;*.ext2|..." pairs
  int FilterIndex = 1;  // 1-based pair shown first
  std::string InitialDir;
  std::string FileName;          // the name proposed (a folder part overrides InitialDir)
  std::string DefaultExt;        // without the dot: appended to a chosen name that has no extension
  bool OverwritePrompt = false;  // saving: ask before an existing file is chosen
  bool FileMustExist = false;    // opening: only existing files can be chosen
};
struct TFileDialogResult {
  std::string FileName;
  int FilterIndex = 1;
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
  // The chooser behind TOpenDialog and TSaveDialog; nullopt when cancelled. The default asks OpenFileDialog when
  // opening and cancels when saving.
  virtual std::optional<TFileDialogResult> FileDialog(const TFileDialogRequest& request);
  // The current printer's set-up dialog; true when the user confirmed it. The default cancels.
  virtual bool PrinterSetupDialog() { return false; }
};

// Records every dialog and answers from a queue of scripted results, else with the default: OK for OK-only and
// OK/Cancel sets, Yes for sets with Yes, the first button otherwise (a MessageBox with MB_DEFBUTTON2 answers its
// second button, its default); file and folder choosers answer nullopt unless scripted.
class RecordingDialogService : public IDialogService {
 public:
  struct Call {
    std::string kind;        // "MessageDlg", "MessageBox", "OpenFileDialog", "SaveFileDialog", "SelectDirectory", ...
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
  // Recorded as "OpenFileDialog" or "SaveFileDialog" (text: title, caption: filter); answered from the path queue.
  std::optional<TFileDialogResult> FileDialog(const TFileDialogRequest& request) override;
  // Recorded as "PrinterSetupDialog"; a scripted mrCancel cancels, anything else confirms.
  bool PrinterSetupDialog() override;

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
  // Delivers every pending message, user input and posted messages included, as the application's own loop does,
  // for callers that wait in slices on the GUI thread. False when the application has been asked to end (then
  // nothing more is delivered): the request stays standing, so that the loops outside the caller end as well.
  virtual bool PumpMessages() = 0;
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

// Clipboard formats: the standard ones and those registered by name.
enum : uint16_t { CF_TEXT = 1, CF_BITMAP = 2, CF_UNICODETEXT = 13 };
constexpr uint16_t kFirstRegisteredClipboardFormat = 0xC000;
// The number of a named format (0xC000 and up): the same for the same name (without regard to case) for the life
// of the process. mimeType names the format on the window system's clipboard (empty: a private type made from the
// name); the first registration of a name decides it.
uint16_t RegisterClipboardFormat(std::string_view name, std::string_view mimeType = {});
// The name and the window system's type of a registered format; "" when the number is not registered.
std::string ClipboardFormatName(uint16_t format);
std::string ClipboardFormatMimeType(uint16_t format);

// The clipboard as formats holding bytes: CF_TEXT holds Latin-1 text, CF_UNICODETEXT UTF-16 (little-endian) text,
// CF_BITMAP a BMP file, a registered format whatever its owner stores. Open and Close bracket a series of calls
// (they nest): the first SetData or Clear inside the outermost bracket empties the clipboard, and the others see
// the new content when it is closed. A call outside a bracket stands alone (SetData then replaces the content).
class IClipboardService {
 public:
  virtual ~IClipboardService() = default;
  virtual void Open() = 0;
  virtual void Close() = 0;
  virtual void Clear() = 0;
  virtual bool HasFormat(uint16_t format) = 0;
  virtual std::optional<std::vector<uint8_t>> GetData(uint16_t format) = 0;
  // False when the data could not be stored.
  virtual bool SetData(uint16_t format, std::vector<uint8_t> data) = 0;
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
// Headless: a clipboard in memory, private to the process.
IClipboardService& ClipboardService();
void SetClipboardService(IClipboardService* service);

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
