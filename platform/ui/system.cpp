// Shell, sound, keyboard hook, lock keys, names and the single-instance guard.
#include "platform/ui/system.h"

#include <fcntl.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QUrl>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <map>
#include <optional>
#include <thread>
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

// ---- The desktop's opener and its helper (the freedesktop.org tools): the opener hands a file or an address to the
// program the user chose for it; the helper names that program for a file type or an address's scheme.
constexpr const char* kOpener = "xdg-open";
constexpr const char* kMimeHelper = "xdg-mime";
constexpr int kOpenerFileNotFound = 2;  // the opener's exit status for a file that does not exist
// How long a helper may take to answer, and how long an opener may take to say that it found no program. An opener
// still at work then is running the program it found (some wait for that program to end).
constexpr auto kHelperTime = std::chrono::seconds(5);
constexpr auto kOpenerAnswerTime = std::chrono::seconds(5);

using Clock = std::chrono::steady_clock;

// Starts a program found on the path with the given arguments, its input from /dev/null, and (when output is given)
// its standard output into a pipe whose reading end output receives. An opener gets a session of its own, so that
// the program it starts outlives ours. -1 when it cannot be started.
pid_t Spawn(const std::vector<std::string>& argv, int* output, bool ownSession) {
  int pipeFds[2] = {-1, -1};
  if (output != nullptr && ::pipe2(pipeFds, O_CLOEXEC) != 0) return -1;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  if (output != nullptr) posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t signalSet;
  sigemptyset(&signalSet);
  posix_spawnattr_setsigmask(&attributes, &signalSet);  // nothing of our blocked signals
  sigaddset(&signalSet, SIGPIPE);
  posix_spawnattr_setsigdefault(&attributes, &signalSet);
  posix_spawnattr_setflags(&attributes, static_cast<short>(POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF |
                                                           (ownSession ? POSIX_SPAWN_SETSID : 0)));
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  pid_t pid = -1;
  const int result = ::posix_spawnp(&pid, args[0], &actions, &attributes, args.data(), environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  if (output != nullptr) {
    ::close(pipeFds[1]);
    if (result == 0)
      *output = pipeFds[0];
    else
      ::close(pipeFds[0]);
  }
  return result == 0 ? pid : -1;
}

// The exit status of a child that ends before the deadline (-1 for one ended by a signal); nullopt while it runs.
// A child that someone else already reaped counts as a success: nothing more can be learned about it.
std::optional<int> WaitUntil(pid_t pid, Clock::time_point deadline) {
  for (;;) {
    int status = 0;
    const pid_t result = ::waitpid(pid, &status, WNOHANG);
    if (result == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (result < 0 && errno != EINTR) return 0;
    if (Clock::now() >= deadline) return std::nullopt;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

// What a helper prints, when it ends in time with success; a helper that takes too long is ended.
std::optional<std::string> Ask(const std::vector<std::string>& argv) {
  int output = -1;
  const pid_t pid = Spawn(argv, &output, false);
  if (pid < 0) return std::nullopt;
  const Clock::time_point deadline = Clock::now() + kHelperTime;
  std::string text;
  for (bool open = true; open;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    pollfd fd{output, POLLIN, 0};
    const int ready = left > 0 ? ::poll(&fd, 1, static_cast<int>(left)) : 0;
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) break;
    char buffer[512];
    const ssize_t n = ::read(output, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n > 0) text.append(buffer, static_cast<size_t>(n));
    open = n > 0 && text.size() < 65536;
  }
  ::close(output);
  std::optional<int> status = WaitUntil(pid, deadline);
  if (!status) {
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    return std::nullopt;
  }
  if (*status != 0) return std::nullopt;
  return text;
}

// The first line of a helper's answer, without what follows a ";" (a type's parameters) and without blanks.
std::string FirstWord(const std::string& text) {
  const std::string line = text.substr(0, text.find_first_of(";\r\n"));
  return Trim(line);
}

// The program the desktop names for a type ("x-scheme-handler/mailto", "application/pdf"); "" for none.
std::string DefaultProgram(const std::string& type) {
  if (type.empty()) return {};
  return FirstWord(Ask({kMimeHelper, "query", "default", type}).value_or(""));
}

// Openers that were still at work when their call returned; each is reaped by a later call once it ended.
std::vector<pid_t>& OpenersAtWork() {
  static std::vector<pid_t> openers;
  return openers;
}

void ReapOpeners() {
  std::erase_if(OpenersAtWork(), [](pid_t pid) { return ::waitpid(pid, nullptr, WNOHANG) != 0; });
}

// Hands target to the desktop's opener once a program will open it: the desktop names its program for the type, or
// the opener, asked without one, does not answer at once that it found none (it may still find one by other roads).
int OpenWithDesktop(const std::string& target, const std::string& type) {
  ReapOpeners();
  const bool named = !DefaultProgram(type).empty();
  const pid_t pid = Spawn({kOpener, target}, nullptr, true);
  if (pid < 0) return SE_ERR_NOASSOC;
  const std::optional<int> status = named ? std::nullopt : WaitUntil(pid, Clock::now() + kOpenerAnswerTime);
  if (!status) {
    OpenersAtWork().push_back(pid);
    return SE_OK;
  }
  if (*status == 0) return SE_OK;
  return *status == kOpenerFileNotFound ? SE_ERR_FNF : SE_ERR_NOASSOC;
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

// The keyboard indicator of a lock key on an X display; nullopt without one.
std::optional<bool> IndicatorOn(int vk) {
  Display* display = vk != VK_INSERT ? ApplicationXDisplay() : nullptr;
  if (display == nullptr) return std::nullopt;
  const char* name = vk == VK_CAPITAL ? "Caps Lock" : vk == VK_NUMLOCK ? "Num Lock" : "Scroll Lock";
  const Atom atom = XInternAtom(display, name, True);
  Bool on = False;
  if (atom == None || !XkbGetNamedIndicator(display, atom, nullptr, &on, nullptr, nullptr)) return std::nullopt;
  return on != False;
}

}  // namespace

// ---- The X display

Display* ApplicationXDisplay() {
  if (qGuiApp == nullptr || QGuiApplication::platformName() != QLatin1String("xcb")) return nullptr;
  auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  return x11 != nullptr ? x11->display() : nullptr;
}

// ---- Shell

int ShellExecute(const std::string& verb, const std::string& fileOrUrl, const std::string& parameters,
                 const std::string& directory) {
  if (!verb.empty() && !SameText(verb, "open")) return SE_ERR_NOASSOC;
  std::string target = fileOrUrl;
  const bool isUrl = IsUrl(fileOrUrl);
  if (!isUrl) {
    if (!directory.empty() && !fileOrUrl.empty() && fileOrUrl.front() != '/') target = PathJoin(directory, fileOrUrl);
    target = ResolvePath(target);
    if (!FileExists(target) && !DirectoryExists(target)) return SE_ERR_FNF;
  }
  (void)parameters;  // the desktop's openers take no parameters
  if (ShellHandler()) return ShellHandler()(target) ? SE_OK : SE_ERR_NOASSOC;
  if (!isUrl) {
    const std::string type = FirstWord(Ask({kMimeHelper, "query", "filetype", target}).value_or(""));
    return OpenWithDesktop(target, type);
  }
  // An address goes out as the toolkit encodes it (characters outside ASCII percent-encoded).
  const QUrl url(ToQString(fileOrUrl));
  return OpenWithDesktop(url.toEncoded().toStdString(), "x-scheme-handler/" + url.scheme().toLower().toStdString());
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
  Display* display = ApplicationXDisplay();
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
