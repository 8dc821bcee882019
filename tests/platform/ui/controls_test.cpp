// The control tree: alignment, showing, message hooks, posted messages, the exception guard, the hint and dragging.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QMouseEvent>
#include <memory>
#include <string>
#include <vector>

#include "platform/core/exceptions.h"
#include "platform/core/strings.h"
#include "platform/ui/extctrls.h"
#include "platform/ui/stdctrls.h"
#include "tests/platform/ui/ui_test_support.h"

namespace {

using namespace pf;
using ui_test::RunUntil;

TEST(Align, StacksAlignedChildrenInTheFrameworkOrderAcrossResizes) {
  TForm form(nullptr);
  form.SetBounds(0, 0, 300, 200);
  struct Case {
    TAlign align;
    TRect start;  // bounds before alignment: the order among equals follows them
    TRect at300x200, at400x300;
  } cases[] = {
      {alTop, {0, 50, 10, 60}, {0, 20, 300, 30}, {0, 20, 400, 30}},           // A: below B
      {alTop, {0, 0, 10, 20}, {0, 0, 300, 20}, {0, 0, 400, 20}},              // B: the topmost
      {alBottom, {0, 150, 10, 165}, {0, 180, 300, 195}, {0, 280, 400, 295}},  // C: above D
      {alBottom, {0, 190, 10, 195}, {0, 195, 300, 200}, {0, 295, 400, 300}},  // D: the lowest
      {alLeft, {0, 0, 30, 10}, {0, 30, 30, 180}, {0, 30, 30, 280}},           // E
      {alRight, {0, 0, 40, 10}, {260, 30, 300, 180}, {360, 30, 400, 280}},    // F
      {alClient, {5, 5, 6, 6}, {30, 30, 260, 180}, {30, 30, 360, 280}},       // G: what is left
  };
  std::vector<TPanel*> panels;
  form.DisableAlign();
  for (const Case& c : cases) {
    auto* panel = new TPanel(&form);
    panel->SetBoundsRect(c.start);
    panel->SetAlign(c.align);
    panel->SetParent(&form);
    panels.push_back(panel);
  }
  form.EnableAlign();
  for (size_t i = 0; i < panels.size(); ++i) EXPECT_EQ(panels[i]->BoundsRect(), cases[i].at300x200) << i;
  form.SetBounds(0, 0, 400, 300);
  for (size_t i = 0; i < panels.size(); ++i) EXPECT_EQ(panels[i]->BoundsRect(), cases[i].at400x300) << i;

  // The control that moves comes first among equals; a hidden one leaves its room to the others.
  panels[0]->SetTop(0);
  EXPECT_EQ(panels[0]->BoundsRect(), (TRect{0, 0, 400, 10}));
  EXPECT_EQ(panels[1]->BoundsRect(), (TRect{0, 10, 400, 30}));
  panels[1]->Hide();
  EXPECT_EQ(panels[6]->BoundsRect(), (TRect{30, 10, 360, 280}));
}

TEST(Showing, NeedsEveryParentUpToAShownForm) {
  TForm form(nullptr);
  auto* panel = new TPanel(&form);
  panel->SetParent(&form);
  auto* edit = new TEdit(&form);
  edit->SetParent(panel);
  TEdit orphan(nullptr);
  EXPECT_FALSE(edit->Showing());
  form.Show();
  EXPECT_TRUE(edit->Showing());
  panel->Hide();
  EXPECT_TRUE(edit->Visible());
  EXPECT_FALSE(edit->Showing());
  EXPECT_FALSE(edit->CanFocus());
  EXPECT_FALSE(ui_test::Widget(*edit)->isVisible());
  EXPECT_FALSE(orphan.Showing());
  EXPECT_THROW(orphan.SetFocus(), EInvalidOperation);
}

// A control that logs the user messages its own procedure sees.
class Logged : public TCustomControl {
 public:
  using TCustomControl::TCustomControl;
  std::vector<std::string>* log = nullptr;

 protected:
  void WndProc(TMessage& message) override {
    if (message.Msg >= WM_USER && log != nullptr) log->push_back("control " + std::to_string(message.WParam));
    TCustomControl::WndProc(message);
  }
};

TEST(MessageHooks, SeeMessagesFirstAndRunThePreviousProcedureWhenTheyChoose) {
  std::vector<std::string> log;
  Logged control(nullptr);
  control.log = &log;
  auto before = control.AddMessageHook([&](TMessage& m, const TWndMethod& previous) {
    log.push_back("before-hook " + std::to_string(m.WParam));
    previous(m);
  });
  auto after = control.AddMessageHook([&](TMessage& m, const TWndMethod& previous) {
    if (m.WParam == 2) {  // swallowed: neither the older hook nor the control sees it
      log.push_back("swallow 2");
      return;
    }
    previous(m);
    log.push_back("after-hook " + std::to_string(m.WParam));
    m.Result = 7;
  });
  EXPECT_EQ(control.Perform(WM_USER, 1), 7);
  control.Perform(WM_USER, 2);
  control.RemoveMessageHook(after);
  control.Perform(WM_USER, 3);
  control.RemoveMessageHook(before);
  // The replaceable procedure: a new one may call the saved one.
  TWndMethod saved = control.WindowProc;
  control.WindowProc = [&](TMessage& m) {
    log.push_back("replaced " + std::to_string(m.WParam));
    saved(m);
  };
  control.Perform(WM_USER, 4);
  EXPECT_EQ(log, (std::vector<std::string>{"before-hook 1", "control 1", "after-hook 1", "swallow 2", "before-hook 3",
                                           "control 3", "replaced 4", "control 4"}));
  // WM_DESTROY reaches the hooks while the control and its widget still exist.
  auto* doomed = new TPanel(nullptr);
  bool widgetAlive = false;
  doomed->AddMessageHook([&](TMessage& m, const TWndMethod& previous) {
    if (m.Msg == WM_DESTROY) widgetAlive = ui_test::Widget(*doomed) != nullptr && doomed->HandleAllocated();
    previous(m);
  });
  delete doomed;
  EXPECT_TRUE(widgetAlive);
}

TEST(Painting, InvalidateWaitsUpdateAndRepaintPaintAtOnceEraseFirst) {
  auto form = ui_test::ActiveForm();
  auto* control = new TCustomControl(form.get());
  control->SetParent(form.get());
  control->SetBounds(10, 10, 50, 40);
  QCoreApplication::processEvents();
  std::string log;
  control->AddMessageHook([&](TMessage& m, const TWndMethod& previous) {
    if (m.Msg == WM_ERASEBKGND) log += "erase ";
    if (m.Msg == WM_PAINT) log += "paint" + std::to_string(MessageCanvas(m)->ClipRect().Right) + " ";
    previous(m);
  });
  control->InvalidateRect({0, 0, 20, 20});
  EXPECT_EQ(log, "");
  control->Update();
  EXPECT_EQ(log, "erase paint20 ");
  control->Update();  // nothing left to paint
  control->Repaint();
  EXPECT_EQ(log, "erase paint20 erase paint50 ");
  delete control;
}

// A canvas draws straight on a plain image the widget is rendered into, otherwise on a buffer copied over: either
// way only inside the control, whatever it paints.
TEST(Painting, DrawsOnlyInsideTheControlOnEveryKindOfTarget) {
  auto form = ui_test::ActiveForm();
  form->SetColor(clYellow);
  auto* control = new TCustomControl(form.get());
  control->SetParent(form.get());
  control->SetBounds(10, 10, 50, 40);
  control->AddMessageHook([&](TMessage& m, const TWndMethod& previous) {
    previous(m);
    if (m.Msg != WM_PAINT) return;
    MessageCanvas(m)->Brush().SetColor(clRed);
    MessageCanvas(m)->FillRect({-100, -100, 500, 500});
  });
  auto* plainControl = new TCustomControl(form.get());  // paints nothing: its colour
  plainControl->SetParent(form.get());
  plainControl->SetColor(clLime);
  plainControl->SetBounds(70, 10, 20, 20);
  QWidget* window = ui_test::Widget(*form);
  QImage plain(window->size(), QImage::Format_RGB32);
  plain.fill(Qt::white);
  window->render(&plain);
  QImage rgba(window->size(), QImage::Format_ARGB32_Premultiplied);
  window->render(&rgba);
  for (const QImage& shot : {plain, rgba, window->grab().toImage()}) {
    EXPECT_EQ(shot.pixel(30, 30), ToQColor(clRed).rgb());
    EXPECT_EQ(shot.pixel(59, 49), ToQColor(clRed).rgb());
    EXPECT_EQ(shot.pixel(5, 5), ToQColor(clYellow).rgb());
    EXPECT_EQ(shot.pixel(60, 30), ToQColor(clYellow).rgb());
    EXPECT_EQ(shot.pixel(30, 50), ToQColor(clYellow).rgb());
    EXPECT_EQ(shot.pixel(80, 20), ToQColor(clLime).rgb());
  }
  delete control;
  delete plainControl;
}

// Pictures copied onto a widget keep every pixel's colour, from 24-bit and 32-bit bitmaps, partly outside the
// control, from inside the picture and stretched, however the widget is rendered.
TEST(Painting, PicturesCopiedOntoAWidgetKeepEveryPixel) {
  auto form = ui_test::ActiveForm();
  form->SetColor(clYellow);
  auto* control = new TCustomControl(form.get());
  control->SetParent(form.get());
  control->SetBounds(10, 10, 60, 40);
  control->SetColor(clWhite);
  auto colour = [](int32_t x, int32_t y) { return RGB(uint8_t(x * 5 + 1), uint8_t(y * 7 + 3), uint8_t((x + y) | 1)); };
  TBitmap deep(20, 10, pf24bit), wide(20, 10, pf32bit);
  for (int32_t y = 0; y < 10; ++y)
    for (int32_t x = 0; x < 20; ++x) {
      deep.Canvas().SetPixel(x, y, colour(x, y));
      wide.Canvas().SetPixel(x, y, colour(x, y));
    }
  control->OnPaint = [&](TPersistent*) {
    BitBlt(control->Canvas(), -5, 2, 20, 10, &deep.Canvas(), 0, 0, SRCCOPY);  // control (15..) = picture (5..)
    BitBlt(control->Canvas(), 30, 5, 15, 8, &wide.Canvas(), 3, 1, SRCCOPY);   // (30, 5) = (3, 1)
    StretchBlt(control->Canvas(), 0, 20, 40, 20, &deep.Canvas(), 0, 0, 20, 10, SRCCOPY);  // each pixel twice
  };
  QWidget* window = ui_test::Widget(*form);
  QImage plain(window->size(), QImage::Format_RGB32);
  window->render(&plain);
  QImage rgba(window->size(), QImage::Format_ARGB32_Premultiplied);
  window->render(&rgba);
  for (const QImage& shot : {plain, rgba, window->grab().toImage()}) {
    auto at = [&](int32_t x, int32_t y) { return FromQRgb(shot.pixel(10 + x, 10 + y)); };
    for (int32_t y = 0; y < 10; ++y)
      for (int32_t x = 0; x < 15; ++x) ASSERT_EQ(at(x, 2 + y), colour(x + 5, y)) << x << "," << y;
    for (int32_t y = 0; y < 8; ++y)
      for (int32_t x = 0; x < 15; ++x) ASSERT_EQ(at(30 + x, 5 + y), colour(3 + x, 1 + y)) << x << "," << y;
    for (int32_t y = 0; y < 20; ++y)
      for (int32_t x = 0; x < 40; ++x) ASSERT_EQ(at(x, 20 + y), colour(x / 2, y / 2)) << x << "," << y;
    EXPECT_EQ(at(50, 2), clWhite);
  }
  delete control;
}

TEST(PostMessage, DeliversInOrderAfterTheHandlerAndDropsWithTheControl) {
  std::vector<std::string> log;
  auto* control = new Logged(nullptr);
  control->log = &log;
  control->AddMessageHook([&](TMessage& m, const TWndMethod& previous) {
    previous(m);
    if (m.WParam == 1) {
      PostMessage(control, WM_USER, 3);
      log.push_back("posted 3");  // not yet delivered: the handler has not returned
    }
  });
  PostMessage(control, WM_USER, 1);
  PostMessage(control, WM_USER, 2);
  EXPECT_TRUE(log.empty());
  EXPECT_TRUE(RunUntil([&] { return log.size() == 4; }));
  EXPECT_EQ(log, (std::vector<std::string>{"control 1", "posted 3", "control 2", "control 3"}));

  // A message for a control that goes is dropped at once, payload and all.
  auto payload = std::make_shared<int>(5);
  std::weak_ptr<int> watch = payload;
  PostMessage(control, WM_USER, 9, 0, std::move(payload));
  delete control;
  EXPECT_TRUE(watch.expired());
  ui_test::RunFor(50);
  EXPECT_EQ(log.size(), 4u);
  EXPECT_FALSE(PostMessage(nullptr, WM_USER));
}

TEST(ExceptionGuard, ShowsOneErrorBoxPerFailedEventAndKeepsTheLoopRunning) {
  ui_test::RecordedDialogs dialogs;
  auto form = ui_test::ActiveForm();
  auto* button = new TButton(form.get());
  button->SetParent(form.get());
  struct Case {
    std::function<void()> raise;
    std::vector<std::string> shown;
  } cases[] = {
      {[] { throw EInvalidOperation("Kaputt"); }, {"Kaputt"}},
      {[] { throw std::runtime_error("plain"); }, {"plain"}},
      {[] { Abort(); }, {}},  // the silent exception
  };
  for (const Case& c : cases) {
    dialogs.service.ClearCalls();
    button->OnClick = [&](TObject*) { c.raise(); };
    QTest::mouseClick(ui_test::Widget(*button), Qt::LeftButton);
    std::vector<std::string> shown;
    for (const auto& call : dialogs.service.Calls()) {
      EXPECT_EQ(call.type, mtError);
      shown.push_back(call.text);
    }
    EXPECT_EQ(shown, c.shown);
  }
  // The loop goes on: a posted message still arrives, and a posted message's handler is guarded as well.
  bool arrived = false;
  form->AddMessageHook([&](TMessage& m, const TWndMethod& previous) {
    if (m.Msg != WM_USER + 7) return previous(m);
    arrived = true;
    throw EConvertError("posted");
  });
  dialogs.service.ClearCalls();
  PostMessage(form.get(), WM_USER + 7);
  EXPECT_TRUE(RunUntil([&] { return arrived; }));
  ASSERT_EQ(dialogs.service.Calls().size(), 1u);
  EXPECT_EQ(dialogs.service.Calls()[0].text, "posted");
}

TEST(Forms, CloseHidesASecondaryFormAndEndsTheProgramWithTheMainForm) {
  TForm* main = nullptr;
  TForm* second = nullptr;
  std::vector<std::string> log;
  Application().CreateForm(main);
  Application().CreateForm(second);
  EXPECT_EQ(Application().MainForm(), main);
  second->OnCloseQuery = [&](TObject*, bool& canClose) { canClose = !log.empty(); };
  second->OnClose = [&](TObject*, TCloseAction& action) { log.push_back("close"); };
  second->OnHide = [&](TObject*) { log.push_back("hide"); };
  second->Show();
  ui_test::WindowOf(*second)->close();  // the window system's close: WM_CLOSE
  EXPECT_TRUE(second->Visible());       // refused by OnCloseQuery
  log.push_back("asked");
  QTest::keyClick(ui_test::Widget(*second), Qt::Key_F4, Qt::AltModifier);  // the system menu's Close
  EXPECT_FALSE(second->Visible());
  EXPECT_FALSE(Application().Terminated());
  main->Show();
  main->Close();
  EXPECT_TRUE(Application().Terminated());
  EXPECT_TRUE(main->Visible());  // the program ends; the window stays until it is freed
  EXPECT_EQ(log, (std::vector<std::string>{"asked", "close", "hide"}));
  DoneApplication();  // frees both forms; the next Application() starts afresh
  EXPECT_EQ(Screen().FormCount(), 0);
  EXPECT_FALSE(Application().Terminated());
}

// Moves the mouse over a control's widget (the application sees the move like any other).
void MoveOver(const TControl& control) {
  QWidget* widget = ui_test::Widget(control);
  const QPointF local(1, 1);
  QMouseEvent move(QEvent::MouseMove, local, widget->mapToGlobal(local), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(widget, &move);
}

// A font reaches the widgets of every child that follows its parent's; a child that was given a font, even an equal
// one, keeps it; a change of colour alone still reaches the widget.
TEST(Fonts, ParentsHandTheirFontDownUntilAChildIsGivenItsOwn) {
  TForm form(nullptr);
  auto* panel = new TPanel(&form);
  panel->SetParent(&form);
  auto* label = new TLabel(&form);
  label->SetParent(panel);
  label->SetCaption("Wg");
  auto shown = [](const TControl& c) { return ui_test::Widget(c)->font().pixelSize(); };

  const int32_t smallHeight = label->Height();
  form.Font().SetHeight(-24);
  EXPECT_EQ(shown(*panel), 24);
  EXPECT_EQ(shown(*label), 24);
  EXPECT_GT(label->Height(), smallHeight);  // the label sized itself to the new font
  EXPECT_TRUE(label->ParentFont());

  label->Font().Assign(form.Font());  // equal, but the label's own from now on
  EXPECT_FALSE(label->ParentFont());
  form.Font().SetHeight(-13);
  EXPECT_EQ(shown(*panel), 13);
  EXPECT_EQ(shown(*label), 24);

  label->Font().SetColor(clRed);
  EXPECT_EQ(ui_test::Widget(*label)->palette().color(QPalette::Active, QPalette::WindowText), QColor(255, 0, 0));
  label->SetParentFont(true);
  EXPECT_EQ(shown(*label), 13);
  EXPECT_EQ(label->Font().Color(), form.Font().Color());
}

TEST(ApplicationHint, IsTheLongHintOfTheFirstControlUpTheParentsThatHasOne) {
  auto form = ui_test::ActiveForm();
  form->SetHint("Form|Form long");
  auto* panel = new TPanel(form.get());
  panel->SetParent(form.get());
  auto* plain = new TEdit(form.get());
  plain->SetParent(panel);
  auto* label = new TLabel(form.get());
  label->SetParent(panel);
  label->SetLeft(130);
  label->SetHint("no bar");
  int changes = 0;
  Application().SetHint("");
  Application().OnHint = [&](TObject*) { ++changes; };
  struct Step {
    const TControl* over;
    std::string hint;
    int changes;
  } steps[] = {{plain, "Form long", 1}, {label, "no bar", 2}, {label, "no bar", 2}, {panel, "Form long", 3}};
  for (const Step& step : steps) {
    MoveOver(*step.over);
    Application().Idle();
    EXPECT_EQ(Application().Hint(), step.hint);
    EXPECT_EQ(changes, step.changes);
  }
  // A new hint of the control under the mouse shows at the next idle time.
  panel->SetHint("|Panel long");
  Application().Idle();
  EXPECT_EQ(Application().Hint(), "Panel long");
  Application().OnHint = nullptr;
}

// A drag with the user's mouse (a real one on an X display): an automatic drag starts with the press, the control
// under the pointer is asked whether it takes the source and the cursor shows its answer, the release drops the
// source only where it was taken; controls see no mouse messages meanwhile. A drag that waits for the pointer to
// move leaves a click a click.
TEST(Dragging, TheControlUnderThePointerDecidesAndTheReleaseDropsThere) {
  auto form = ui_test::ActiveForm(400, 300);
  auto panel = [&](TRect bounds) {
    auto* p = new TPanel(form.get());
    p->SetParent(form.get());
    p->SetBoundsRect(bounds);
    return p;
  };
  TPanel* source = panel({10, 10, 70, 50});
  TPanel* target = panel({150, 10, 350, 110});  // takes the source on its left half
  TPanel* plain = panel({10, 150, 110, 250});   // asks for nothing
  TPanel* clickable = panel({10, 60, 90, 90});  // drags after a move of 5 pixels
  source->SetDragMode(dmAutomatic);
  std::vector<std::string> log;
  auto note = [&](const std::string& what, TObject* from, int32_t x, int32_t y) {
    log.push_back(what + " " +
                  (from == source      ? "source"
                   : from == clickable ? "clickable"
                                       : "?") +
                  " " + IntToStr(x) + "," + IntToStr(y));
  };
  target->OnDragOver = [&](TObject* sender, TObject* from, int32_t x, int32_t y, TDragState state, bool& accept) {
    EXPECT_EQ(sender, target);
    EXPECT_TRUE(accept);
    accept = x < 100;
    note(state == dsDragEnter ? "enter" : state == dsDragLeave ? "leave" : "move", from, x, y);
  };
  target->OnDragDrop = [&](TObject* sender, TObject* from, int32_t x, int32_t y) {
    EXPECT_EQ(sender, target);
    note("drop", from, x, y);
  };
  int mouseMessages = 0, clicks = 0;
  target->OnMouseMove = [&](TObject*, TShiftState, int32_t, int32_t) { ++mouseMessages; };
  source->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int32_t, int32_t) { ++mouseMessages; };
  clickable->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int32_t, int32_t) { clickable->BeginDrag(false); };
  clickable->OnClick = [&](TObject*) { ++clicks; };
  auto cursor = [] {
    const QCursor* shown = QGuiApplication::overrideCursor();
    return shown != nullptr ? shown->shape() : Qt::BlankCursor;
  };
  auto logged = [&](size_t count) { return RunUntil([&] { return log.size() == count; }); };
  ui_test::UserMouse mouse;

  // Released over the half that refuses it: the target hears the drag leave, nothing is dropped.
  mouse.Press(*source, {30, 20});
  ASSERT_TRUE(RunUntil([&] { return source->Dragging(); }));
  EXPECT_EQ(cursor(), Qt::ForbiddenCursor);
  mouse.MoveTo(*target, {50, 40});
  ASSERT_TRUE(logged(1));
  EXPECT_EQ(cursor(), Qt::DragCopyCursor);
  mouse.MoveTo(*target, {150, 60});
  ASSERT_TRUE(logged(2));
  EXPECT_EQ(cursor(), Qt::ForbiddenCursor);
  mouse.Release(*target, {150, 60});
  ASSERT_TRUE(logged(3));
  EXPECT_FALSE(source->Dragging());
  EXPECT_EQ(cursor(), Qt::BlankCursor);
  EXPECT_EQ(log, (std::vector<std::string>{"enter source 50,40", "move source 150,60", "leave source 150,60"}));

  // Off the target onto a control that asks for nothing and back; dropped where it is taken.
  log.clear();
  mouse.Press(*source, {30, 20});
  ASSERT_TRUE(RunUntil([&] { return source->Dragging(); }));
  mouse.MoveTo(*target, {20, 30});
  ASSERT_TRUE(logged(1));
  mouse.MoveTo(*plain, {50, 50});
  ASSERT_TRUE(logged(2));
  EXPECT_EQ(cursor(), Qt::ForbiddenCursor);
  mouse.MoveTo(*target, {40, 70});
  ASSERT_TRUE(logged(3));
  mouse.Release(*target, {40, 70});
  ASSERT_TRUE(logged(5));
  EXPECT_FALSE(source->Dragging());
  EXPECT_EQ(log, (std::vector<std::string>{"enter source 20,30", "leave source -90,190", "enter source 40,70",
                                           "leave source 40,70", "drop source 40,70"}));
  EXPECT_EQ(mouseMessages, 0);

  // Waiting for a move: a click without one is a click; a move past the threshold drags.
  log.clear();
  mouse.Press(*clickable, {20, 10});
  mouse.Release(*clickable, {20, 10});
  ASSERT_TRUE(RunUntil([&] { return clicks == 1; }));
  EXPECT_FALSE(clickable->Dragging());
  mouse.Press(*clickable, {20, 10});
  ASSERT_TRUE(RunUntil([&] { return clickable->Dragging(); }));
  EXPECT_EQ(cursor(), Qt::BlankCursor);  // not dragged yet
  mouse.MoveTo(*target, {10, 15});
  ASSERT_TRUE(logged(1));
  mouse.Release(*target, {10, 15});
  ASSERT_TRUE(logged(3));
  EXPECT_EQ(log, (std::vector<std::string>{"enter clickable 10,15", "leave clickable 10,15", "drop clickable 10,15"}));
  EXPECT_EQ(clicks, 1);
  EXPECT_FALSE(clickable->Dragging());
}

}  // namespace
