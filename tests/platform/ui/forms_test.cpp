// Forms and the application: geometry, the event loop and its no-input variant, the busy cursor, labels and memos.
#include <gtest/gtest.h>

#include <QLabel>
#include <QWindow>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/core/strings.h"
#include "platform/ui/extctrls.h"
#include "platform/ui/stdctrls.h"
#include "tests/platform/ui/ui_test_support.h"

namespace {

using namespace pf;
using ui_test::RunUntil;

TEST(FormGeometry, BoundsAreTheFrameAndTheClientFollowsWithItsSizeMessage) {
  TForm form(nullptr);
  std::vector<TPoint> sizes;
  int resized = 0;
  form.OnResize = [&](TObject*) { ++resized; };
  form.AddMessageHook([&](TMessage& m, const TWndMethod& previous) {
    if (m.Msg == WM_SIZE) sizes.push_back({GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)});
    previous(m);
  });
  form.SetConstraints({200, 150, 0, 0});
  form.SetBounds(5, 6, 100, 400);  // too narrow: the minimum holds
  EXPECT_EQ(form.BoundsRect(), (TRect{5, 6, 205, 406}));
  EXPECT_EQ(form.ClientRect(), (TRect{0, 0, 200, 400}));
  EXPECT_EQ(sizes.back(), (TPoint{200, 400}));
  const size_t reported = sizes.size();
  EXPECT_EQ(resized, int(reported));
  form.SetBounds(5, 6, 200, 400);  // no change, no message
  EXPECT_EQ(sizes.size(), reported);
  EXPECT_EQ(resized, int(reported));
  // Centred on the screen when it is first shown; window decorations, once known, come off the client area, not
  // on top of the bounds.
  form.SetPosition(poScreenCenter);
  form.Show();
  EXPECT_EQ(form.BoundsRect(), Bounds((Screen().Width() - 200) / 2, (Screen().Height() - 400) / 2, 200, 400));
  const TPoint origin = form.ClientOrigin();
  EXPECT_EQ(form.ClientToScreen({3, 4}), (TPoint{origin.X + 3, origin.Y + 4}));
  EXPECT_GE(origin.X, form.Left());
  EXPECT_LE(origin.X + form.ClientWidth(), form.Left() + form.Width());
  // Maximised, the window keeps the bounds it comes back to (a display without a window manager maximises nothing).
  const TRect restored = form.BoundsRect();
  EXPECT_EQ(form.RestoredBounds(), restored);
  form.SetWindowState(wsMaximized);
  if (RunUntil([&] { return form.Width() > restored.Right - restored.Left; }, 500)) {
    EXPECT_EQ(form.RestoredBounds(), restored);
    form.SetWindowState(wsNormal);
    EXPECT_TRUE(RunUntil([&] { return form.BoundsRect() == restored; }));
  }
}

// On a display, as a user does it with xdotool: the window is moved, and resized while the program is still taking in
// the move (a busy program hears of the resize only after the display made it). The window stays where the user put
// it, at the user's size, and the bounds the form keeps (those a program stores at its end) follow.
TEST(FormGeometry, APlaceTheUserGivesStandsWhileTheProgramCatchesUp) {
  TForm form(nullptr);
  if (QGuiApplication::platformName() != QLatin1String("xcb") || std::system("command -v xdotool >/dev/null") != 0)
    GTEST_SKIP() << "needs an X display and xdotool";
  form.SetBounds(119, 5, 785, 718);
  form.Show();
  QWidget* frame = ui_test::WindowOf(form);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(frame));
  const std::string id = std::to_string(frame->winId());
  auto text = [](const TRect& r) {
    return IntToStr(r.Left) + "," + IntToStr(r.Top) + " " + IntToStr(r.Width()) + "x" + IntToStr(r.Height());
  };
  // The display's own idea of the window.
  auto shown = [&id] {
    std::string out;
    if (FILE* pipe = popen(("xdotool getwindowgeometry " + id).c_str(), "r")) {
      char line[128];
      while (std::fgets(line, sizeof line, pipe) != nullptr) out += line;
      pclose(pipe);
    }
    int x = 0, y = 0, w = 0, h = 0;
    std::sscanf(out.c_str(), "Window %*s Position: %d,%d (screen: %*d) Geometry: %dx%d", &x, &y, &w, &h);
    return IntToStr(x) + "," + IntToStr(y) + " " + IntToStr(w) + "x" + IntToStr(h);
  };
  struct ResizeDuringTheMove : QObject {
    std::string command;
    bool eventFilter(QObject*, QEvent* e) override {
      if (e->type() == QEvent::Move && !command.empty()) {
        EXPECT_EQ(std::system(command.c_str()), 0);
        command.clear();
      }
      return false;
    }
  } user;
  user.command = "xdotool windowsize " + id + " 800 600";
  frame->windowHandle()->installEventFilter(&user);
  ASSERT_EQ(std::system(("xdotool windowmove " + id + " 40 30").c_str()), 0);
  const std::string placed = "40,30 800x600";
  EXPECT_TRUE(RunUntil([&] { return user.command.empty() && text(form.BoundsRect()) == placed; }, 10000))
      << text(form.BoundsRect());
  EXPECT_EQ(shown(), placed);
  EXPECT_EQ(text(form.RestoredBounds()), placed);
  EXPECT_EQ(form.ClientRect(), (TRect{0, 0, 800, 600}));
  frame->windowHandle()->removeEventFilter(&user);
}

TEST(EventLoop, RunEndsWithTerminateAndModalLoopsEndWithIt) {
  TForm* main = nullptr;
  TForm* dialog = nullptr;
  Application().CreateForm(main);
  Application().CreateForm(dialog);
  int result = -1;
  TTimer timer(nullptr);
  timer.SetInterval(20);
  timer.SetOnTimer([&](TObject*) {
    timer.SetEnabled(false);
    PostMessage(main, WM_USER);  // arrives inside the modal loop below and ends the program
    result = dialog->ShowModal();
  });
  main->AddMessageHook([&](TMessage& m, const TWndMethod& previous) {
    if (m.Msg == WM_USER) Application().Terminate();
    previous(m);
  });
  Application().Run();
  EXPECT_TRUE(main->Visible());  // Run showed the main form
  EXPECT_EQ(result, mrCancel);
  DoneApplication();
}

TEST(EventLoop, TheNoInputVariantHoldsPostedMessagesButRunsTimers) {
  TPanel target(nullptr);
  std::vector<WPARAM> delivered;
  target.AddMessageHook([&](TMessage& m, const TWndMethod& previous) {
    if (m.Msg == WM_USER) delivered.push_back(m.WParam);
    previous(m);
  });
  int ticks = 0;
  TTimer timer(nullptr);
  timer.SetInterval(5);
  timer.SetOnTimer([&](TObject*) { ++ticks; });
  PostMessage(&target, WM_USER, 1);
  PostMessage(&target, WM_USER, 2);
  ASSERT_TRUE(RunUntil([&] { return delivered.size() == 2; }));  // the full loop delivers them...
  delivered.clear();
  PostMessage(&target, WM_USER, 3);
  PostMessage(&target, WM_USER, 4);
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < 60) ProcessMessages();  // ...the core's pump (the layer's no-input variant) does not
  EXPECT_TRUE(delivered.empty());
  EXPECT_GT(ticks, 0);
  EXPECT_TRUE(RunUntil([&] { return delivered.size() == 2; }));
  EXPECT_EQ(delivered, (std::vector<WPARAM>{3, 4}));
}

TEST(Cursor, BusyCursorsStackOverTheScreenCursor) {
  EnsureUi();
  Screen().SetCursor(crDefault);
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
  {
    BusyCursor outer;
    EXPECT_EQ(Screen().Cursor(), crHourGlass);
    {
      BusyCursor inner;
      EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    }
    EXPECT_EQ(Screen().Cursor(), crHourGlass);
  }
  EXPECT_EQ(Screen().Cursor(), crDefault);
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST(Labels, ShowTheCaptionWithoutAcceleratorMarksAndSizeToIt) {
  TForm form(nullptr);
  auto* label = new TLabel(&form);
  label->SetParent(&form);
  const struct {
    const char* caption;
    const char* shown;
  } cases[] = {{"&Datei", "Datei"}, {"Fragen && Antworten", "Fragen & Antworten"}, {"ohne", "ohne"}};
  for (const auto& c : cases) {
    label->SetCaption(c.caption);
    EXPECT_EQ(static_cast<QLabel*>(ui_test::Widget(*label))->text().toStdString(), c.shown);
  }
  label->SetCaption("kurz");
  const int32_t narrow = label->Width();
  label->SetCaption("ein viel laengerer Text");
  EXPECT_GT(label->Width(), narrow);
  // A right-aligned label keeps its right edge.
  label->SetAlignment(taRightJustify);
  const int32_t right = label->Left() + label->Width();
  label->SetCaption("kurz");
  EXPECT_EQ(label->Left() + label->Width(), right);
}

TEST(Memos, ReturnAndTabGoToTheMemoOnlyWhenItWantsThem) {
  auto form = ui_test::ActiveForm();
  auto* memo = new TMemo(form.get());
  memo->SetParent(form.get());
  auto* after = new TEdit(form.get());
  after->SetParent(form.get());
  after->SetTop(120);
  struct Case {
    bool wantReturns, wantTabs;
    Qt::Key key;
    std::string text;
    bool memoKeepsFocus;
  } cases[] = {
      {true, false, Qt::Key_Return, "\r\n", true},
      {false, false, Qt::Key_Return, "", true},
      {true, true, Qt::Key_Tab, "\t", true},
      {true, false, Qt::Key_Tab, "", false},
  };
  for (const Case& c : cases) {
    memo->Clear();
    memo->SetWantReturns(c.wantReturns);
    memo->SetWantTabs(c.wantTabs);
    memo->SetFocus();
    QTest::keyClick(QApplication::focusWidget(), c.key);
    EXPECT_EQ(memo->Text(), c.text);
    EXPECT_EQ(memo->Focused(), c.memoKeepsFocus);
  }
}

}  // namespace
