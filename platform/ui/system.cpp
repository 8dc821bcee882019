// Shell, sound, keyboard hook, lock keys, names and the single-instance guard.
#include "platform/ui/system.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QDesktopServices>
#include <QFile>
#include <QUrl>
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <map>
#include <vector>

#include "platform/core/files.h"
#include "platform/core/strings.h"
#include "platform/ui/host_qt.h"
#include "platform/ui/messages.h"

// Last: the X headers define names (None, Bool, KeyPress) that Qt's headers use otherwise.
#include <X11/XKBlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace pf {

namespace {

TShellHandler& ShellHandler() {
  static TShellHandler handler;
  return handler;
}

std::function<void()>& BeepHandler() {
  static std::function<void()> handler;
  return handler;
}

// "scheme:rest" with a scheme of two or more characters (a drive letter is no scheme).
bool IsUrl(const std::string& target) {
  const size_t colon = target.find(':');
  if (colon == std::string::npos || colon < 2) return false;
  return std::all_of(target.begin(), target.begin() + static_cast<std::ptrdiff_t>(colon), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '+' || c == '-' ||
           c == '.';
  });
}

struct KeyboardHook {
  THookId id;
  TKeyboardHook hook;
};
std::vector<KeyboardHook>& KeyboardHooks() {
  static std::vector<KeyboardHook> hooks;
  return hooks;
}

// Toggles counted from the keys seen, for displays without indicators (and for Insert).
std::map<int, bool>& CountedToggles() {
  static std::map<int, bool> toggles;
  return toggles;
}

bool IsLockKey(int vk) { return vk == VK_CAPITAL || vk == VK_NUMLOCK || vk == VK_SCROLL || vk == VK_INSERT; }

// The X display the program runs on; nullptr off X.
Display* XDisplay() {
  if (qGuiApp == nullptr || QGuiApplication::platformName() != QLatin1String("xcb")) return nullptr;
  auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  return x11 != nullptr ? x11->display() : nullptr;
}

// The keyboard indicator of a lock key on an X display; nullopt without one.
std::optional<bool> IndicatorOn(int vk) {
  Display* display = vk != VK_INSERT ? XDisplay() : nullptr;
  if (display == nullptr) return std::nullopt;
  const char* name = vk == VK_CAPITAL ? "Caps Lock" : vk == VK_NUMLOCK ? "Num Lock" : "Scroll Lock";
  const Atom atom = XInternAtom(display, name, True);
  Bool on = False;
  if (atom == None || !XkbGetNamedIndicator(display, atom, nullptr, &on, nullptr, nullptr)) return std::nullopt;
  return on != False;
}

}  // namespace

// ---- Shell

int ShellExecute(const std::string& verb, const std::string& fileOrUrl, const std::string& parameters,
                 const std::string& directory) {
  if (!verb.empty() && !SameText(verb, "open")) return SE_ERR_NOASSOC;
  std::string target = fileOrUrl;
  QUrl url;
  if (IsUrl(fileOrUrl)) {
    url = QUrl(ToQString(fileOrUrl));
  } else {
    if (!directory.empty() && !fileOrUrl.empty() && fileOrUrl.front() != '/') target = PathJoin(directory, fileOrUrl);
    target = ResolvePath(target);
    if (!FileExists(target) && !DirectoryExists(target)) return SE_ERR_FNF;
    url = QUrl::fromLocalFile(QFile::decodeName(QByteArray::fromStdString(target)));
  }
  (void)parameters;  // the desktop's openers take no parameters
  bool opened = false;
  if (ShellHandler()) {
    opened = ShellHandler()(target);
  } else {
    EnsureUi();
    opened = QDesktopServices::openUrl(url);
  }
  return opened ? SE_OK : SE_ERR_NOASSOC;
}

bool ShellOpen(const std::string& fileOrUrl) { return ShellExecute("open", fileOrUrl) > 32; }

void Beep() {
  if (BeepHandler()) {
    BeepHandler()();
    return;
  }
  EnsureUi();
  QApplication::beep();
}

void SetShellHandler(TShellHandler handler) { ShellHandler() = std::move(handler); }
void SetBeepHandler(std::function<void()> handler) { BeepHandler() = std::move(handler); }

// ---- Keyboard

THookId AddKeyboardHook(TKeyboardHook hook) {
  static THookId next = 0;
  KeyboardHooks().push_back({++next, std::move(hook)});
  return next;
}

void RemoveKeyboardHook(THookId id) {
  std::erase_if(KeyboardHooks(), [id](const KeyboardHook& h) { return h.id == id; });
}

void RunKeyboardHooks(uint16_t virtualKey, bool down, bool repeat) {
  if (down && !repeat && IsLockKey(virtualKey)) CountedToggles()[virtualKey] = !CountedToggles()[virtualKey];
  // A hook may add or remove hooks: run over a copy, newest first.
  const std::vector<KeyboardHook> hooks = KeyboardHooks();
  for (auto it = hooks.rbegin(); it != hooks.rend(); ++it) it->hook(virtualKey, down, repeat);
}

bool IsLockKeyOn(int virtualKey) {
  if (!IsLockKey(virtualKey)) return false;
  if (std::optional<bool> on = IndicatorOn(virtualKey)) return *on;
  return CountedToggles()[virtualKey];
}

// The display's own keyboard takes the press and release, so its lock and indicator change as if the key had been
// pressed; the events reach the program only where one of its windows has the focus. The layer's table of keys held
// down is not touched: those events, when they come, leave it as it was.
bool ToggleLockKey(int virtualKey) {
  if (!IsLockKey(virtualKey)) return false;
  if (virtualKey == VK_INSERT) {
    CountedToggles()[VK_INSERT] = !CountedToggles()[VK_INSERT];
    return true;
  }
  Display* display = XDisplay();
  int eventBase = 0, errorBase = 0, major = 0, minor = 0;
  if (display == nullptr || !XTestQueryExtension(display, &eventBase, &errorBase, &major, &minor)) return false;
  const KeySym symbol = virtualKey == VK_CAPITAL   ? XK_Caps_Lock
                        : virtualKey == VK_NUMLOCK ? XK_Num_Lock
                                                   : XK_Scroll_Lock;
  const KeyCode code = XKeysymToKeycode(display, symbol);
  if (code == 0) return false;  // the keymap has no such key
  XTestFakeKeyEvent(display, code, True, CurrentTime);
  XTestFakeKeyEvent(display, code, False, CurrentTime);
  XSync(display, False);  // the server has switched the lock when this returns
  return true;
}

// ---- Names

std::string GetUserName() {
  long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(static_cast<size_t>(size > 0 ? size : 16384));
  struct passwd entry {};
  struct passwd* found = nullptr;
  while (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) == ERANGE)
    buffer.resize(buffer.size() * 2);
  if (found != nullptr && found->pw_name != nullptr) return found->pw_name;
  const char* user = std::getenv("USER");
  return user != nullptr ? user : "";
}

std::string GetComputerName() {
  char name[256] = {};
  if (::gethostname(name, sizeof name - 1) != 0) return {};
  return name;
}

// ---- Single instance

TInstanceGuard::TInstanceGuard(const std::string& name) {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  path_ = runtime != nullptr && *runtime != '\0'
              ? PathJoin(runtime, name + ".lock")
              : "/tmp/" + name + "-" + IntToStr(static_cast<int64_t>(::getuid())) + ".lock";
  fd_ = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd_ < 0) return;
  // A file that another user made is no lock of ours.
  struct stat info {};
  if (::fstat(fd_, &info) != 0 || info.st_uid != ::getuid()) {
    ::close(fd_);
    fd_ = -1;
    return;
  }
  int result;
  do {
    result = ::flock(fd_, LOCK_EX | LOCK_NB);
  } while (result != 0 && errno == EINTR);
  if (result != 0) {
    alreadyRunning_ = errno == EWOULDBLOCK;
    ::close(fd_);
    fd_ = -1;
  }
}

TInstanceGuard::~TInstanceGuard() {
  if (fd_ >= 0) ::close(fd_);  // the lock goes with the descriptor; the file stays for the next start
}

}  // namespace pf
