// Keyboard and focus: key messages and their swallowing, dialog keys, the tab order and the enter/exit events.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/ui/extctrls.h"
#include "platform/ui/input.h"
#include "platform/ui/stdctrls.h"
#include "tests/platform/ui/ui_test_support.h"

namespace {

using namespace pf;
using ui_test::Widget;

TEST(Keys, HandlersSwallowOrChangeKeysBeforeTheWidgetSeesThem) {
  auto form = ui_test::ActiveForm();
  auto* edit = new TEdit(form.get());
  edit->SetParent(form.get());
  edit->SetFocus();
  std::string pressed;
  edit->OnKeyDown = [](TObject*, uint16_t& key, TShiftState) {
    if (key == 'X') key = 0;
  };
  edit->OnKeyPress = [&](TObject*, char& key) {
    pressed += key;
    if (key == 'a') key = 'b';
    if (key == 'z') key = 0;
  };
  form->OnKeyDown = [](TObject*, uint16_t& key, TShiftState) {
    if (key == 'Q') key = 0;
  };
  struct Case {
    bool keyPreview;
    const char* typed;
    std::string text, pressed;
  } cases[] = {
      {false, "aXc", "bc", "ac"},  // X swallowed by OnKeyDown, a changed to b by OnKeyPress
      {false, "qz", "q", "qz"},    // z swallowed by OnKeyPress; Q reaches the edit without KeyPreview
      {true, "qQk", "k", "k"},     // with KeyPreview the form swallows Q first
  };
  for (const Case& c : cases) {
    edit->SetText("");
    pressed.clear();
    form->KeyPreview = c.keyPreview;
    QTest::keyClicks(Widget(*edit), c.typed);
    EXPECT_EQ(edit->Text(), c.text) << c.typed;
    EXPECT_EQ(pressed, c.pressed) << c.typed;
  }
  form->KeyPreview = false;
  // Return reaches OnKeyPress as #13 while the form has no default button; a default button takes it then.
  pressed.clear();
  QTest::keyClick(Widget(*edit), Qt::Key_Return);
  EXPECT_EQ(pressed, "\r");
  auto* button = new TButton(form.get());
  button->SetParent(form.get());
  button->SetDefault(true);
  int clicks = 0;
  button->OnClick = [&](TObject*) { ++clicks; };
  pressed.clear();
  QTest::keyClick(Widget(*edit), Qt::Key_Return);
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(pressed, "");
}

TEST(TabOrder, ChainsTheWidgetsAndReachesAFocusStopOutOfSight) {
  auto form = ui_test::ActiveForm(400, 300);
  std::vector<std::string> log;
  auto track = [&](TWinControl* c, const std::string& name) {
    c->SetName(name);
    c->OnEnter = [&log, name](TObject*) { log.push_back("enter " + name); };
    c->OnExit = [&log, name](TObject*) { log.push_back("exit " + name); };
  };
  auto* edit1 = new TEdit(form.get());
  edit1->SetParent(form.get());
  track(edit1, "edit1");
  // A link's focus stop: 1 x 1 pixel, visible, far to the left of the window.
  auto* stop = new TWinControl(form.get());
  stop->SetParent(form.get());
  stop->SetBounds(-4000, 10, 1, 1);
  stop->SetTabStop(true);
  track(stop, "stop");
  auto* panel = new TPanel(form.get());
  panel->SetParent(form.get());
  panel->SetTop(100);
  track(panel, "panel");
  auto* edit3 = new TEdit(form.get());
  edit3->SetParent(panel);
  track(edit3, "edit3");
  auto* edit2 = new TEdit(form.get());
  edit2->SetParent(form.get());
  edit2->SetTop(50);
  track(edit2, "edit2");
  edit2->SetTabOrder(0);

  std::vector<TWinControl*> order;
  form->GetTabOrderList(order);
  EXPECT_EQ(order, (std::vector<TWinControl*>{edit2, edit1, stop, panel, edit3}));
  EXPECT_EQ(edit1->TabOrder(), 1);
  // The widgets' own chain follows the same order.
  std::vector<TControl*> chain;
  for (QWidget* w = Widget(*edit2); chain.size() < order.size(); w = w->nextInFocusChain())
    if (TControl* c = ControlOfWidget(w); c != form.get() && (chain.empty() || chain.back() != c)) chain.push_back(c);
  EXPECT_EQ(chain, (std::vector<TControl*>{edit2, edit1, stop, panel, edit3}));
  EXPECT_EQ(form->FindNextControl(edit3, true, true, false), edit2);  // wraps; the panel is no tab stop

  edit2->SetFocus();
  log.clear();
  const struct {
    Qt::KeyboardModifiers modifiers;
    TWinControl* focused;
  } steps[] = {{Qt::NoModifier, edit1}, {Qt::NoModifier, stop}, {Qt::NoModifier, edit3}, {Qt::ShiftModifier, stop}};
  for (const auto& step : steps) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, step.modifiers);
    EXPECT_TRUE(step.focused->Focused()) << step.focused->Name();
    EXPECT_EQ(form->ActiveControl(), step.focused);
  }
  EXPECT_EQ(log, (std::vector<std::string>{"exit edit2", "enter edit1", "exit edit1", "enter stop", "exit stop",
                                           "enter panel", "enter edit3", "exit edit3", "exit panel", "enter stop"}));
}

// Synthetic input takes the road of the user's: a click focuses, checks a radio button (its click event runs) and
// selects the row under it in a list, Ctrl adds rows, keys reach OnKeyDown and OnKeyPress and then the widget.
TEST(SyntheticInput, ClicksAndKeysTakeTheUsersRoad) {
  auto form = ui_test::ActiveForm(400, 300);
  auto* radio = new TRadioButton(form.get());
  radio->SetParent(form.get());
  int radioClicks = 0;
  radio->OnClick = [&](TObject*) { ++radioClicks; };
  SendMouseClick(*radio, {radio->Width() / 2, radio->Height() / 2});
  SendMouseClick(*radio, {radio->Width() / 2, radio->Height() / 2});
  EXPECT_TRUE(radio->Checked());
  EXPECT_EQ(radioClicks, 1);

  auto* list = new TListBox(form.get());
  list->SetParent(form.get());
  list->SetBounds(0, 40, 100, 120);
  list->SetMultiSelect(true);
  for (const char* item : {"a", "b", "c"}) list->Items().Add(item);
  auto centre = [&](int index) {
    const TRect r = list->ItemRect(index);
    return TPoint{(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2};
  };
  SendMouseClick(*list, centre(2));
  SendMouseClick(*list, centre(0), ssCtrl);
  EXPECT_EQ((std::vector<bool>{list->Selected(0), list->Selected(1), list->Selected(2)}),
            (std::vector<bool>{true, false, true}));
  EXPECT_TRUE(list->Focused());  // the press gave it the focus

  auto* edit = new TEdit(form.get());
  edit->SetParent(form.get());
  edit->SetTop(200);
  edit->SetFocus();
  std::string pressed;
  std::vector<uint16_t> downs;
  edit->OnKeyPress = [&](TObject*, char& key) { pressed += key; };
  edit->OnKeyDown = [&](TObject*, uint16_t& key, TShiftState) { downs.push_back(key); };
  SendText(*edit, "x\xE4y");
  SendKeyStroke(*edit, VK_HOME);
  SendKeyStroke(*edit, VK_RETURN, 0, '\r');
  EXPECT_EQ(edit->Text(), "x\xE4y");
  EXPECT_EQ(pressed, "x\xE4y\r");
  EXPECT_EQ(downs, (std::vector<uint16_t>{VK_HOME, VK_RETURN}));
  EXPECT_EQ(edit->SelStart(), 0);
}

}  // namespace
