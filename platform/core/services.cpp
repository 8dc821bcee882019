#include "platform/core/services.h"

#include <cstdio>

#include "platform/core/exceptions.h"

namespace pf {

namespace {

// The answer a dialog gives when nobody clicks: see RecordingDialogService.
int DefaultDlgAnswer(unsigned buttons) {
  if ((buttons & mbYes) != 0) return mrYes;
  if ((buttons & mbOK) != 0) return mrOk;
  static constexpr struct {
    unsigned button;
    int result;
  } kOrder[] = {{mbNo, mrNo},         {mbCancel, mrCancel}, {mbAbort, mrAbort},     {mbRetry, mrRetry},
                {mbIgnore, mrIgnore}, {mbAll, mrAll},       {mbNoToAll, mrNoToAll}, {mbYesToAll, mrYesToAll}};
  for (const auto& b : kOrder)
    if ((buttons & b.button) != 0) return b.result;
  return mrNone;
}

int DefaultBoxAnswer(unsigned flags) {
  int first, second;
  switch (flags & 0x0F) {
    case MB_OKCANCEL:
      first = mrOk, second = mrCancel;
      break;
    case MB_ABORTRETRYIGNORE:
      first = mrAbort, second = mrRetry;
      break;
    case MB_YESNOCANCEL:
    case MB_YESNO:
      first = mrYes, second = mrNo;
      break;
    case MB_RETRYCANCEL:
      first = mrRetry, second = mrCancel;
      break;
    default:
      first = second = mrOk;
      break;
  }
  return (flags & 0xF00) == MB_DEFBUTTON2 ? second : first;
}

class NoCursor : public ICursorService {
 public:
  void PushBusy() override {}
  void PopBusy() override {}
};

class NoMessagePump : public IMessagePump {
 public:
  void ProcessMessages() override {}
};

// Takes the next scripted entry off queue, nullopt when there is none.
template <typename T>
std::optional<T> Next(std::vector<T>& queue) {
  if (queue.empty()) return std::nullopt;
  T value = std::move(queue.front());
  queue.erase(queue.begin());
  return value;
}

IDialogService* installedDialogs = nullptr;
ICursorService* installedCursor = nullptr;
IMessagePump* installedPump = nullptr;
ITimerService* installedTimers = nullptr;

}  // namespace

int RecordingDialogService::MessageDlg(std::string_view text, TMsgDlgType type, unsigned buttons) {
  calls_.push_back({"MessageDlg", std::string(text), "", type, buttons, ""});
  return Next(answers_).value_or(DefaultDlgAnswer(buttons));
}

int RecordingDialogService::MessageBox(std::string_view text, std::string_view caption, unsigned flags) {
  calls_.push_back({"MessageBox", std::string(text), std::string(caption), 0, flags, ""});
  return Next(answers_).value_or(DefaultBoxAnswer(flags));
}

std::optional<std::string> RecordingDialogService::OpenFileDialog(std::string_view title, std::string_view filter,
                                                                  std::string_view initialDir) {
  calls_.push_back({"OpenFileDialog", std::string(title), std::string(filter), 0, 0, std::string(initialDir)});
  return Next(paths_).value_or(std::nullopt);
}

std::optional<std::string> RecordingDialogService::SelectDirectory(std::string_view caption,
                                                                   std::string_view initialDir) {
  calls_.push_back({"SelectDirectory", std::string(caption), "", 0, 0, std::string(initialDir)});
  return Next(paths_).value_or(std::nullopt);
}

IDialogService& Dialogs() {
  static RecordingDialogService headless;
  return installedDialogs != nullptr ? *installedDialogs : headless;
}

void SetDialogs(IDialogService* service) { installedDialogs = service; }

ICursorService& Cursor() {
  static NoCursor headless;
  return installedCursor != nullptr ? *installedCursor : headless;
}

void SetCursor(ICursorService* service) { installedCursor = service; }

IMessagePump& MessagePump() {
  static NoMessagePump headless;
  return installedPump != nullptr ? *installedPump : headless;
}

void SetMessagePump(IMessagePump* pump) { installedPump = pump; }

ITimerService* TimerService() { return installedTimers; }

void SetTimerService(ITimerService* service) { installedTimers = service; }

void HandleException(const std::exception& e) {
  if (dynamic_cast<const EAbort*>(&e) != nullptr) return;
  const auto* own = dynamic_cast<const Exception*>(&e);
  std::string message = own != nullptr ? own->Message() : std::string(e.what());
  try {
    Dialogs().MessageDlg(message, mtError, mbOK);
  } catch (...) {
    // The handler must not throw (it guards the event loop); the message at least reaches the terminal.
    std::fprintf(stderr, "%s\n", message.c_str());
  }
}

}  // namespace pf
