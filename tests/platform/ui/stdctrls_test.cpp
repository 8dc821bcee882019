// The standard controls' semantics that the program relies on.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/core/exceptions.h"
#include "platform/ui/buttons.h"
#include "platform/ui/capture.h"
#include "platform/ui/comctrls.h"
#include "platform/ui/mask.h"
#include "platform/ui/stdctrls.h"
#include "tests/platform/ui/ui_test_support.h"

namespace {

using namespace pf;
using ui_test::Widget;

TEST(Buttons, RadioButtonsKeepTheirOwnStateAndClickOnlyForTheUser) {
  auto form = ui_test::ActiveForm();
  auto* first = new TRadioButton(form.get());
  auto* second = new TRadioButton(form.get());
  first->SetParent(form.get());
  second->SetParent(form.get());
  second->SetTop(30);
  int clicks = 0;
  second->OnClick = [&](TObject*) { ++clicks; };
  first->SetChecked(true);
  second->SetChecked(true);  // the program: no click, and the first stays checked
  EXPECT_TRUE(first->Checked());
  EXPECT_EQ(clicks, 0);
  second->SetChecked(false);
  QTest::mouseClick(Widget(*second), Qt::LeftButton);  // checks it
  QTest::mouseClick(Widget(*second), Qt::LeftButton);  // a checked one stays checked, no second click
  EXPECT_TRUE(second->Checked());
  EXPECT_TRUE(first->Checked());
  EXPECT_EQ(clicks, 1);
  EXPECT_TRUE(second->TabStop());

  // A check box clicks on every change of its state, also one by the program.
  auto* box = new TCheckBox(form.get());
  box->SetParent(form.get());
  box->SetTop(60);
  int boxClicks = 0;
  box->OnClick = [&](TObject*) { ++boxClicks; };
  box->SetChecked(true);
  QTest::mouseClick(Widget(*box), Qt::LeftButton);
  EXPECT_FALSE(box->Checked());
  EXPECT_EQ(boxClicks, 2);
}

TEST(Lists, ChangeEventsComeFromTheUserOnly) {
  auto form = ui_test::ActiveForm();
  auto* combo = new TComboBox(form.get());
  combo->SetParent(form.get());
  combo->SetStyle(csDropDownList);
  // A filled box shows no item until one is chosen; an edit box keeps its text.
  auto* edit = new TComboBox(form.get());
  edit->SetText("frei");
  for (TComboBox* box : {combo, edit}) {
    for (const char* item : {"TA", "TE", "BE"}) box->Items().Add(item);
    EXPECT_EQ(box->ItemIndex(), -1);
  }
  EXPECT_EQ(combo->Text(), "");
  EXPECT_EQ(edit->Text(), "frei");
  int changes = 0;
  combo->OnChange = [&](TObject*) { ++changes; };
  combo->SetItemIndex(1);
  EXPECT_EQ(combo->Text(), "TE");
  EXPECT_EQ(changes, 0);
  combo->SetFocus();
  QTest::keyClick(Widget(*combo), Qt::Key_Down);
  EXPECT_EQ(combo->ItemIndex(), 2);
  EXPECT_EQ(changes, 1);

  auto* list = new TListBox(form.get());
  list->SetParent(form.get());
  list->SetTop(40);
  list->SetSorted(true);
  for (const char* item : {"VE301", "ta102", "TA101"}) list->Items().Add(item);
  EXPECT_EQ(list->Items().Text(), "TA101\r\nta102\r\nVE301\r\n");
  // Two items read one after the other are two texts, not one reused buffer.
  for (TStrings* items : {&combo->Items(), &list->Items()}) {
    const std::string& first = (*items)[0];
    EXPECT_NE(first, (*items)[1]);
  }
  EXPECT_EQ(list->SelCount(), -1);
  int clicks = 0;
  list->OnClick = [&](TObject*) { ++clicks; };
  list->SetItemIndex(1);
  EXPECT_TRUE(list->Selected(1));
  EXPECT_EQ(clicks, 0);
  QTest::mouseClick(list->Host()->client, Qt::LeftButton, {}, QPoint(5, list->ItemRect(2).Top + 2));
  EXPECT_EQ(list->ItemIndex(), 2);
  EXPECT_EQ(clicks, 1);
  list->SetMultiSelect(true);
  list->SetSelected(0, true);
  EXPECT_EQ(list->SelCount(), 2);
  EXPECT_THROW(list->Selected(3), EListError);
}

// With BorderStyle bsNone an edit, a memo, a list box and a drop-down list lose their own frame: their edges show
// their colour and a memo's or list's client area is the whole control; the flat drop-down list shows its chosen
// text highlighted while it has the focus.
TEST(Frames, BoxesWithoutBorderStyleShowNoFrameOfTheirOwn) {
  auto form = ui_test::ActiveForm(400, 300);
  auto* edit = new TEdit(form.get());
  auto* memo = new TMemo(form.get());
  auto* list = new TListBox(form.get());
  auto* combo = new TComboBox(form.get());
  combo->SetStyle(csDropDownList);
  combo->Items().Add("Klasse A");
  combo->SetItemIndex(0);
  list->Items().Add("TA101");
  const TRect places[] = {{10, 10, 130, 34}, {10, 50, 190, 120}, {200, 10, 320, 90}, {200, 120, 320, 144}};
  std::vector<TWinControl*> boxes{edit, memo, list, combo};
  for (size_t i = 0; i < boxes.size(); ++i) {
    boxes[i]->SetParent(form.get());
    boxes[i]->SetBoundsRect(places[i]);
    boxes[i]->SetColor(clWhite);
  }
  // The pixels along the left and top edges that are not the box's colour (on the form: a frame may lie outside the
  // client area).
  auto framed = [&](TWinControl& box) {
    std::unique_ptr<TBitmap> shown = CaptureControl(*form);
    const TRect r = box.BoundsRect();
    int others = 0;
    for (int32_t y = r.Top; y < r.Bottom; ++y) others += (shown->Canvas().Pixels(r.Left, y) & 0xFFFFFF) != clWhite;
    for (int32_t x = r.Left; x < r.Left + r.Width() * 3 / 4; ++x)
      others += (shown->Canvas().Pixels(x, r.Top) & 0xFFFFFF) != clWhite;
    return others;
  };
  for (TWinControl* box : boxes) EXPECT_GT(framed(*box), 20) << box->ClassName();
  EXPECT_LT(memo->ClientWidth(), memo->Width());
  EXPECT_LT(list->ClientHeight(), list->Height());
  edit->SetBorderStyle(bsNone);
  memo->SetBorderStyle(bsNone);
  list->SetBorderStyle(bsNone);
  combo->SetBorderStyle(bsNone);
  EXPECT_EQ(combo->BorderStyle(), bsNone);
  for (TWinControl* box : boxes) EXPECT_EQ(framed(*box), 0) << box->ClassName();
  EXPECT_EQ(memo->ClientRect(), (TRect{0, 0, memo->Width(), memo->Height()}));
  EXPECT_EQ(list->ClientRect(), (TRect{0, 0, list->Width(), list->Height()}));

  auto highlighted = [&] {
    combo->Repaint();
    std::unique_ptr<TBitmap> shown = CaptureControl(*combo);
    int count = 0;
    for (int32_t x = 0; x < combo->Width(); ++x)
      count += (shown->Canvas().Pixels(x, combo->Height() / 2) & 0xFFFFFF) == ColorToDrawRGB(clHighlight);
    return count;
  };
  EXPECT_EQ(highlighted(), 0);
  combo->SetFocus();
  ASSERT_TRUE(ui_test::RunUntil([&] { return combo->Focused(); }));
  EXPECT_GT(highlighted(), 10);
  memo->SetBorderStyle(bsSingle);
  EXPECT_LT(memo->ClientWidth(), memo->Width());
}

TEST(Edits, TextChangesAndMasks) {
  TForm form(nullptr);
  auto* edit = new TEdit(&form);
  int changes = 0;
  edit->OnChange = [&](TObject*) { ++changes; };
  edit->SetText("Antwort");
  edit->SetMaxLength(3);
  EXPECT_EQ(changes, 2);  // the program's change, and the cut to the maximum length
  EXPECT_EQ(edit->Text(), "Ant");

  struct MaskCase {
    std::string mask, toolkit, typed, text;
  } masks[] = {
      {"09;1; ", "90; ", "7", "7 "},
      {"!99/99;0;_", "00/00;_", "1224", "1224"},
      {">LL-00;1", ">AA-99;_", "ab12", "AB-12"},
  };
  for (const MaskCase& m : masks) {
    EXPECT_EQ(MaskToToolkitMask(m.mask), m.toolkit) << m.mask;
    auto* masked = new TMaskEdit(&form);
    masked->SetEditMask(m.mask);
    QTest::keyClicks(Widget(*masked), QString::fromLatin1(m.typed.c_str()));
    EXPECT_EQ(masked->Text(), m.text) << m.mask;
  }

  // A click puts the caret on the first free position, or where it lands when that is before it: typing right after
  // the click fills the field.
  auto active = ui_test::ActiveForm();
  struct ClickCase {
    const char* before;
    int x;  // where the click lands in a field of 28 pixels
    const char* typed;
    const char* text;
  } clicks[] = {{"", 14, "10", "10"}, {"", 26, "7", "7 "}, {"5", 26, "0", "50"}, {"10", 1, "2", "20"}};
  for (const ClickCase& c : clicks) {
    auto* time = new TMaskEdit(active.get());
    time->SetParent(active.get());
    time->SetEditMask("09;1; ");
    time->SetBounds(4, 4, 28, 22);
    time->SetText(c.before);
    QTest::mouseClick(Widget(*time), Qt::LeftButton, {}, QPoint(c.x, 11));
    QTest::keyClicks(Widget(*time), c.typed);
    EXPECT_EQ(time->Text(), c.text) << c.before << " + " << c.typed;
    delete time;
  }

  // Memo lines are the lines as shown: wrapped paragraphs give several.
  auto* memo = new TMemo(&form);
  memo->SetParent(&form);
  memo->SetBounds(0, 0, 120, 80);
  memo->Lines().Add("eins");
  memo->Lines().Add("zwei");
  EXPECT_EQ(memo->Text(), "eins\r\nzwei\r\n");
  memo->Lines().Delete(0);
  memo->Lines().Insert(1, "drei");
  EXPECT_EQ(memo->Lines().Text(), "zwei\r\ndrei\r\n");
  EXPECT_NE(memo->Lines()[0], memo->Lines()[1]);
  memo->SetText(std::string(60, 'x') + " " + std::string(60, 'y'));
  EXPECT_GT(memo->Lines().Count(), 1);
  memo->SetWordWrap(false);
  EXPECT_EQ(memo->Lines().Count(), 1);
}

TEST(ScrollBars, ScrollCodesPositionsAndTheDisabledEmptyRange) {
  TForm form(nullptr);
  TScrollBar bar(nullptr);
  bar.SetParent(&form);
  bar.SetKind(sbVertical);
  bar.SetParams(0, 0, 100);
  bar.SetPageSize(20);
  bar.SetSmallChange(3);
  bar.SetLargeChange(15);
  int changes = 0;
  std::vector<TScrollCode> codes;
  bar.OnChange = [&](TObject*) { ++changes; };
  bar.OnScroll = [&](TObject*, TScrollCode code, int32_t& pos) {
    codes.push_back(code);
    if (code == scPageDown && pos > 50) pos = 50;  // the handler may settle on another position
  };
  const struct {
    uint32_t code;
    int32_t position;
  } steps[] = {{SB_LINEDOWN, 3}, {SB_PAGEDOWN, 18}, {SB_BOTTOM, 81}, {SB_LINEUP, 78}, {SB_PAGEDOWN, 50}, {SB_TOP, 0}};
  for (const auto& step : steps) {
    bar.Perform(CN_VSCROLL, step.code);
    EXPECT_EQ(bar.Position(), step.position) << step.code;
  }
  EXPECT_EQ(changes, 6);
  EXPECT_EQ(codes.size(), 6u);
  EXPECT_THROW(bar.SetParams(0, 10, 5), EInvalidOperation);
  TScrollInfo info{SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL, 0, 99, 100, 0, 0};
  bar.SetScrollInfo(info);
  EXPECT_FALSE(Widget(bar)->isEnabled());
  info.nMax = 500;
  bar.SetScrollInfo(info);
  EXPECT_TRUE(Widget(bar)->isEnabled());
}

TEST(SpeedButtons, AGroupKeepsOneButtonDown) {
  auto form = ui_test::ActiveForm();
  std::vector<TSpeedButton*> buttons;
  for (int i = 0; i < 3; ++i) {
    auto* b = new TSpeedButton(form.get());
    b->SetParent(form.get());
    b->SetLeft(30 * i);
    b->SetGroupIndex(1);
    buttons.push_back(b);
  }
  buttons[0]->SetDown(true);
  QTest::mouseClick(Widget(*buttons[2]), Qt::LeftButton);
  EXPECT_EQ((std::vector<bool>{buttons[0]->Down(), buttons[1]->Down(), buttons[2]->Down()}),
            (std::vector<bool>{false, false, true}));
  QTest::mouseClick(Widget(*buttons[2]), Qt::LeftButton);  // without AllowAllUp it stays down
  EXPECT_TRUE(buttons[2]->Down());
  buttons[2]->SetAllowAllUp(true);
  QTest::mouseClick(Widget(*buttons[2]), Qt::LeftButton);
  EXPECT_FALSE(buttons[2]->Down());
}

TEST(PageControls, OnChangingMayRefuseAPage) {
  auto form = ui_test::ActiveForm();
  auto* pages = new TPageControl(form.get());
  pages->SetParent(form.get());
  std::vector<TTabSheet*> sheets;
  for (const char* caption : {"Eins", "Zwei", "Drei"}) {
    auto* sheet = new TTabSheet(form.get());
    sheet->SetPageControl(pages);
    sheet->SetCaption(caption);
    sheets.push_back(sheet);
  }
  bool allow = false;
  int changes = 0;
  pages->OnChanging = [&](TObject*, bool& ok) { ok = allow; };
  pages->OnChange = [&](TObject*) { ++changes; };
  EXPECT_EQ(pages->ActivePage(), sheets[0]);
  pages->SelectNextPage(true);
  EXPECT_EQ(pages->ActivePage(), sheets[0]);
  allow = true;
  pages->SelectNextPage(false);  // wraps to the last
  EXPECT_EQ(pages->ActivePage(), sheets[2]);
  EXPECT_EQ(changes, 1);
  EXPECT_TRUE(sheets[2]->Showing());
  EXPECT_FALSE(sheets[0]->Showing());
  EXPECT_EQ(sheets[2]->BoundsRect(), pages->DisplayRect());
  sheets[1]->SetTabVisible(false);
  EXPECT_EQ(sheets[2]->TabIndex(), 1);
  delete sheets[2];
  EXPECT_EQ(pages->ActivePage(), sheets[1]);
}

TEST(ProgressBars, StepItWrapsAndStepByStops) {
  TProgressBar bar(nullptr);
  bar.SetMax(30);
  bar.SetPosition(25);
  bar.StepIt();
  EXPECT_EQ(bar.Position(), 0);
  bar.StepBy(100);
  EXPECT_EQ(bar.Position(), 30);
  bar.SetPosition(-5);
  EXPECT_EQ(bar.Position(), 0);

  // Drawn flat: a frame, the done part in the highlight colour from the left, the rest in the window colour.
  bar.SetBounds(0, 0, 104, 16);
  bar.SetPosition(15);
  const QImage half = Widget(bar)->grab().toImage();
  EXPECT_EQ(half.pixel(0, 8), ToQColor(clBtnShadow).rgb());
  EXPECT_EQ(half.pixel(2, 8), ToQColor(clHighlight).rgb());
  EXPECT_EQ(half.pixel(51, 8), ToQColor(clHighlight).rgb());
  EXPECT_EQ(half.pixel(52, 8), ToQColor(clWindow).rgb());
  bar.SetPosition(0);
  EXPECT_EQ(Widget(bar)->grab().toImage().pixel(2, 8), ToQColor(clWindow).rgb());
}

}  // namespace
