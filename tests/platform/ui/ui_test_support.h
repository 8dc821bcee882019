// Helpers of the window-layer tests: running the event loop, forms that are shown and active, a pick from a drop-down
// list, recorded dialogs.
#pragma once

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QTest>
#include <QWindow>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>

#include "platform/core/services.h"
#include "platform/ui/forms.h"
#include "platform/ui/host_qt.h"
#include "platform/ui/stdctrls.h"

namespace ui_test {

// Runs the event loop until done() holds or timeoutMs passed; answers done().
inline bool RunUntil(const std::function<bool()>& done, int timeoutMs = 30000) {
  QElapsedTimer clock;
  clock.start();
  while (!done() && clock.elapsed() < timeoutMs)
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 20);
  return done();
}

inline void RunFor(int ms) {
  QElapsedTimer clock;
  clock.start();
  RunUntil([&] { return clock.elapsed() >= ms; }, ms + 1000);
}

inline QWidget* Widget(const pf::TControl& control) { return control.Host()->inner; }
inline QWidget* WindowOf(const pf::TCustomForm& form) { return form.Host()->outer; }

// A form of the given client size, shown and active (so that it has the keyboard focus).
inline std::unique_ptr<pf::TForm> ActiveForm(int width = 320, int height = 240) {
  auto form = std::make_unique<pf::TForm>(nullptr);
  form->SetBounds(10, 10, width, height);
  form->Show();
  EXPECT_TRUE(QTest::qWaitForWindowActive(WindowOf(*form), 5000));
  return form;
}

// The user opens the drop-down of a box with a click, goes to one of its rows with the arrow keys and takes it.
inline void Pick(const pf::TComboBox& box, int row) {
  auto* combo = static_cast<QComboBox*>(Widget(box));
  QTest::mouseClick(combo, Qt::LeftButton);
  QAbstractItemView* view = combo->view();
  ASSERT_TRUE(RunUntil([&] { return view->isVisible(); }));
  for (int i = 0; i < combo->count() && view->currentIndex().row() != row; ++i)
    QTest::keyClick(view, view->currentIndex().row() < row ? Qt::Key_Down : Qt::Key_Up);
  QTest::keyClick(view, Qt::Key_Return);
  ASSERT_TRUE(RunUntil([&] { return !view->isVisible(); }));
}

// The user's left mouse button and pointer at client points of controls: on an X display with xdotool the server's
// own (a real press, move and release, as a hand makes them), else the toolkit's input to the window, which routes
// it as the window system would (the widget pressed keeps the mouse until the release). Nothing waits here: the
// caller waits for what the input makes happen.
class UserMouse {
 public:
  UserMouse()
      : real_(QGuiApplication::platformName() == QLatin1String("xcb") &&
              std::system("command -v xdotool >/dev/null") == 0) {}
  bool Real() const { return real_; }
  void Press(const pf::TControl& control, pf::TPoint point) { Act(control, point, kPress); }
  void MoveTo(const pf::TControl& control, pf::TPoint point) { Act(control, point, kMove); }
  void Release(const pf::TControl& control, pf::TPoint point) { Act(control, point, kRelease); }

 private:
  enum Step { kPress, kMove, kRelease };
  void Act(const pf::TControl& control, pf::TPoint point, Step step) {
    const QPoint screen = control.Host()->client->mapToGlobal(QPoint(point.X, point.Y));
    if (real_) {
      const char* const button[] = {" mousedown 1", "", " mouseup 1"};
      const std::string command =
          "xdotool mousemove " + std::to_string(screen.x()) + " " + std::to_string(screen.y()) + button[step];
      ASSERT_EQ(std::system(command.c_str()), 0) << command;
      return;
    }
    QWindow* window = control.Host()->client->window()->windowHandle();
    ASSERT_NE(window, nullptr);
    const QPoint at = window->mapFromGlobal(screen);
    if (step == kPress) QTest::mousePress(window, Qt::LeftButton, {}, at);
    if (step == kMove) QTest::mouseMove(window, at);
    if (step == kRelease) QTest::mouseRelease(window, Qt::LeftButton, {}, at);
  }
  bool real_;
};

// The desktop's opener (xdg-open) and its type helper (xdg-mime) replaced, while this lives, by shell scripts in a
// folder of their own put first on the path. In the scripts "$1" is the target (opener) or "query" (helper, then
// "default TYPE" or "filetype FILE"), and $DIR is the folder, where a script may leave files.
class StandInDesktop {
 public:
  StandInDesktop(const std::string& opener, const std::string& typeHelper) {
    char pattern[] = "/tmp/pexu-desktop-XXXXXX";
    dir_ = ::mkdtemp(pattern);
    Write("xdg-open", opener);
    Write("xdg-mime", typeHelper);
    const char* path = std::getenv("PATH");
    oldPath_ = path != nullptr ? path : "/usr/bin:/bin";
    ::setenv("PATH", (dir_ + ":" + oldPath_).c_str(), 1);
  }
  ~StandInDesktop() {
    ::setenv("PATH", oldPath_.c_str(), 1);
    std::filesystem::remove_all(dir_);
  }
  const std::string& Dir() const { return dir_; }
  // A file that a script left in the folder ("" when there is none).
  std::string Read(const std::string& name) const {
    std::ifstream in(dir_ + "/" + name);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

 private:
  void Write(const std::string& name, const std::string& body) {
    const std::string path = dir_ + "/" + name;
    std::ofstream(path) << "#!/bin/sh\nDIR='" << dir_ << "'\n" << body << "\n";
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
  }
  std::string dir_, oldPath_;
};

// Records the dialogs that the layer shows while it lives.
struct RecordedDialogs {
  RecordedDialogs() { pf::SetDialogs(&service); }
  ~RecordedDialogs() { pf::SetDialogs(nullptr); }
  pf::RecordingDialogService service;
};

}  // namespace ui_test
