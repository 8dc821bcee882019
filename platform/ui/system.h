// What the desktop offers besides windows: opening files and addresses with the programs the user chose, the
// warning sound, a keyboard hook for the whole GUI thread, the user's and the computer's names, and the guard that
// keeps a program to one instance per user.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace pf {

// ---- Shell. Opens a file (a path; a missing file fails at once) or an address ("scheme:...") with the desktop's
// program for it, through the desktop's opener (xdg-open). Success means that a program will open it: the desktop
// names its program for the file's type or the address's scheme (xdg-mime), or else the opener has not answered
// within a few seconds that it found none (while it waits, the program waits). ShellExecute answers a number above
// 32 on success, else SE_ERR_FNF (the file does not exist) or SE_ERR_NOASSOC (no program, no opener, or the opener
// failed); only the verb "open" (or none) is known, others give SE_ERR_NOASSOC.
enum : int { SE_ERR_FNF = 2, SE_ERR_NOASSOC = 31, SE_OK = 42 };
int ShellExecute(const std::string& verb, const std::string& fileOrUrl, const std::string& parameters = {},
                 const std::string& directory = {});
bool ShellOpen(const std::string& fileOrUrl);
// The warning sound.
void Beep();
// Test seams: a handler that answers for the desktop (true: it opened) and one that counts the sounds; an empty
// function restores the desktop.
using TShellHandler = std::function<bool(const std::string& target)>;
void SetShellHandler(TShellHandler handler);
void SetBeepHandler(std::function<void()> handler);

// ---- Keyboard hook: sees every key that goes down (also repeated) or up on the GUI thread, with its virtual-key
// code, before the window it is meant for; it can never stop a key. The newest hook runs first.
using TKeyboardHook = std::function<void(uint16_t VirtualKey, bool Down, bool Repeat)>;
using THookId = uint64_t;
THookId AddKeyboardHook(TKeyboardHook hook);
void RemoveKeyboardHook(THookId id);
// Whether a lock key (VK_CAPITAL, VK_NUMLOCK, VK_SCROLL, VK_INSERT) is toggled on: the keyboard's indicators on an
// X display, else (and always for Insert, which has none) the toggles counted from the keys seen since start.
bool IsLockKeyOn(int virtualKey);
// Toggles a lock key as a press and release of it would: Caps, Num and Scroll Lock through the X display's test
// extension (the display switches the lock and its indicator), Insert in the layer's own state. False, and nothing
// changes, where the display cannot press keys: no X display (offscreen), no such extension or no such key.
bool ToggleLockKey(int virtualKey);

// ---- Names ("" when the system cannot tell).
std::string GetUserName();
std::string GetComputerName();

// ---- One instance per user: a non-blocking exclusive lock on a file named after the program's name, in
// XDG_RUNTIME_DIR (else /tmp, with the user id in the file name). The second process to try learns that it is
// second; the lock goes when its holder ends, also by a crash, so nothing stale is left. When no lock file can be
// made at all the program runs unguarded, as it would on a system without the guard.
class TInstanceGuard {
 public:
  explicit TInstanceGuard(const std::string& name);
  ~TInstanceGuard();
  TInstanceGuard(const TInstanceGuard&) = delete;
  TInstanceGuard& operator=(const TInstanceGuard&) = delete;
  // Another process holds the lock.
  bool AlreadyRunning() const { return alreadyRunning_; }
  const std::string& LockFileName() const { return path_; }

 private:
  std::string path_;
  int fd_ = -1;
  bool alreadyRunning_ = false;
};

}  // namespace pf
