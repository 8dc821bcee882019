#include "platform/core/services.h"

#include <cstdio>
#include <map>

#include "platform/core/exceptions.h"
#include "platform/core/strings.h"

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
  bool PumpMessages() override { return true; }
};

// Takes the next scripted entry off queue, nullopt when there is none.
template <typename T>
std::optional<T> Next(std::vector<T>& queue) {
  if (queue.empty()) return std::nullopt;
  T value = std::move(queue.front());
  queue.erase(queue.begin());
  return value;
}

// The headless clipboard: formats in memory.
class MemoryClipboard : public IClipboardService {
 public:
  void Open() override { ++openCount_; }
  void Close() override {
    if (openCount_ > 0 && --openCount_ == 0) emptied_ = false;
  }
  void Clear() override {
    content_.clear();
    if (openCount_ > 0) emptied_ = true;
  }
  bool HasFormat(uint16_t format) override { return content_.count(format) != 0; }
  std::optional<std::vector<uint8_t>> GetData(uint16_t format) override {
    auto it = content_.find(format);
    if (it == content_.end()) return std::nullopt;
    return it->second;
  }
  bool SetData(uint16_t format, std::vector<uint8_t> data) override {
    if (!emptied_) Clear();
    content_[format] = std::move(data);
    return true;
  }

 private:
  std::map<uint16_t, std::vector<uint8_t>> content_;
  int openCount_ = 0;
  bool emptied_ = false;
};

struct RegisteredFormat {
  std::string name;
  std::string mimeType;
};
std::vector<RegisteredFormat>& RegisteredFormats() {
  static std::vector<RegisteredFormat> formats;
  return formats;
}
const RegisteredFormat* FindRegistered(uint16_t format) {
  const auto& formats = RegisteredFormats();
  const size_t index = format - size_t{kFirstRegisteredClipboardFormat};
  if (format < kFirstRegisteredClipboardFormat || index >= formats.size()) return nullptr;
  return &formats[index];
}

IDialogService* installedDialogs = nullptr;
ICursorService* installedCursor = nullptr;
IMessagePump* installedPump = nullptr;
ITimerService* installedTimers = nullptr;
IClipboardService* installedClipboard = nullptr;

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

std::optional<TFileDialogResult> IDialogService::FileDialog(const TFileDialogRequest& request) {
  if (request.Save) return std::nullopt;
  std::optional<std::string> path = OpenFileDialog(request.Title, request.Filter, request.InitialDir);
  if (!path) return std::nullopt;
  return TFileDialogResult{*path, request.FilterIndex};
}

std::optional<TFileDialogResult> RecordingDialogService::FileDialog(const TFileDialogRequest& request) {
  calls_.push_back(
      {request.Save ? "SaveFileDialog" : "OpenFileDialog", request.Title, request.Filter, 0, 0, request.InitialDir});
  std::optional<std::string> path = Next(paths_).value_or(std::nullopt);
  if (!path) return std::nullopt;
  return TFileDialogResult{*path, request.FilterIndex};
}

bool RecordingDialogService::PrinterSetupDialog() {
  calls_.push_back({"PrinterSetupDialog", "", "", 0, mbOK | mbCancel, ""});
  return Next(answers_).value_or(mrOk) != mrCancel;
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

IClipboardService& ClipboardService() {
  static MemoryClipboard headless;
  return installedClipboard != nullptr ? *installedClipboard : headless;
}

void SetClipboardService(IClipboardService* service) { installedClipboard = service; }

uint16_t RegisterClipboardFormat(std::string_view name, std::string_view mimeType) {
  auto& formats = RegisteredFormats();
  for (size_t i = 0; i < formats.size(); ++i)
    if (SameText(formats[i].name, name)) return static_cast<uint16_t>(kFirstRegisteredClipboardFormat + i);
  std::string type(mimeType);
  if (type.empty()) {
    type = "application/x-pexu-";
    for (char c : LowerCase(std::string(name))) type += (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ? c : '-';
  }
  formats.push_back({std::string(name), type});
  return static_cast<uint16_t>(kFirstRegisteredClipboardFormat + formats.size() - 1);
}

std::string ClipboardFormatName(uint16_t format) {
  const RegisteredFormat* f = FindRegistered(format);
  return f != nullptr ? f->name : std::string();
}

std::string ClipboardFormatMimeType(uint16_t format) {
  const RegisteredFormat* f = FindRegistered(format);
  return f != nullptr ? f->mimeType : std::string();
}

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
