// Menus: shortcut names, the form's shortcut dispatcher, hints and menu messages, pop-up menus and owner drawing.
#include <gtest/gtest.h>

#include <QMenu>
#include <QMenuBar>
#include <QProxyStyle>
#include <QTimer>

#include "platform/core/strings.h"
#include "platform/ui/menus.h"
#include "platform/ui/stdctrls.h"
#include "tests/platform/ui/ui_test_support.h"

namespace {

using namespace pf;
using namespace pf::literals;

TEST(ShortCuts, GermanNamesRoundTrip) {
  const struct {
    TShortCut shortCut;
    std::string_view text;
  } cases[] = {
      {ShortCut(VK_F2, ssShift), "Umsch+F2"},
      {ShortCut(VK_DELETE, ssCtrl), "Strg+Entf"},
      {ShortCut('P', ssCtrl | ssAlt), "Strg+Alt+P"},
      {ShortCut('A', ssCtrl | ssShift), "Umsch+Strg+A"},
      {ShortCut(VK_F10, 0), "F10"},
      {ShortCut(VK_NEXT, ssCtrl), "Strg+Bild ab"},
      {ShortCut(VK_BACK, 0), "Rück"_l1},
      {ShortCut(VK_INSERT, ssShift), "Umsch+Einfg"},
      {ShortCut(VK_NUMPAD0 + 5, 0), "Num 5"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ShortCutToText(c.shortCut), c.text);
    EXPECT_EQ(TextToShortCut(std::string(c.text)), c.shortCut) << c.text;
  }
  // Hand-written texts: any case, the English names; nonsense reads as no shortcut.
  EXPECT_EQ(TextToShortCut("strg+entf"), ShortCut(VK_DELETE, ssCtrl));
  EXPECT_EQ(TextToShortCut("Ctrl+Shift+Del"), ShortCut(VK_DELETE, ssCtrl | ssShift));
  EXPECT_EQ(TextToShortCut("Strg+Foo"), scNone);
  EXPECT_EQ(TextToShortCut("Strg+"), scNone);
  EXPECT_EQ(ShortCutToText(scNone), "");
}

TMenuItem* AddItem(TMenuItem& parent, const std::string& caption, TShortCut shortCut = scNone,
                   std::vector<std::string>* clicks = nullptr) {
  auto* item = new TMenuItem(nullptr);  // the parent item frees it
  item->SetCaption(caption);
  item->SetShortCut(shortCut);
  if (clicks != nullptr) item->OnClick = [clicks, caption](TObject*) { clicks->push_back(caption); };
  parent.Add(item);
  return item;
}

// The main menu goes before the pop-up menus of the focused control and its parents; within a menu the first
// visible and enabled item in menu order wins, and nothing below a disabled item counts.
TEST(ShortCuts, FirstClickableItemInMenuOrderWins) {
  auto form = ui_test::ActiveForm();
  std::vector<std::string> clicks;
  TMainMenu menu(form.get());
  TMenuItem* file = AddItem(menu.Items(), "&Datei");
  TMenuItem* classA = AddItem(*file, "Klasse &A");
  TMenuItem* first = AddItem(*classA, "Betrieb A", ShortCut(VK_F4, 0), &clicks);
  TMenuItem* classE = AddItem(*file, "Klasse &E");
  TMenuItem* second = AddItem(*classE, "Betrieb E", ShortCut(VK_F4, 0), &clicks);
  form->SetMenu(&menu);
  TPopupMenu popup(form.get());
  AddItem(popup.Items(), "Pop-up F4", ShortCut(VK_F4, 0), &clicks);
  AddItem(popup.Items(), "Fragentext", ShortCut('T', ssCtrl), &clicks);
  TEdit edit(form.get());
  edit.SetParent(form.get());
  edit.SetPopupMenu(&popup);
  edit.SetFocus();
  uint16_t keysSeen = 0;
  edit.OnKeyDown = [&](TObject*, uint16_t& key, TShiftState) {
    if (key != VK_CONTROL) keysSeen = key;
  };

  QWidget* w = ui_test::Widget(edit);
  QTest::keyClick(w, Qt::Key_F4);
  first->SetEnabled(false);
  QTest::keyClick(w, Qt::Key_F4);
  classE->SetVisible(false);  // hides the second below its parent
  QTest::keyClick(w, Qt::Key_F4);
  QTest::keyClick(w, Qt::Key_T, Qt::ControlModifier);
  EXPECT_EQ(clicks, (std::vector<std::string>{"Betrieb A", "Betrieb E", "Pop-up F4", "Fragentext"}));
  EXPECT_EQ(keysSeen, 0);  // a key that a shortcut took goes no further
  QTest::keyClick(w, Qt::Key_F5);
  EXPECT_EQ(keysSeen, VK_F5);
  (void)second;
}

// A highlighted item's long hint becomes the application's hint, and the form hears the menu loop.
TEST(Menus, HighlightedItemHintAndMenuMessages) {
  auto form = ui_test::ActiveForm();
  std::vector<std::string> messages;
  form->AddMessageHook([&](TMessage& m, const TWndMethod& previous) {
    if (m.Msg == WM_INITMENU) messages.push_back("INITMENU");
    if (m.Msg == WM_INITMENUPOPUP) messages.push_back("INITMENUPOPUP");
    if (m.Msg == WM_MENUSELECT && HIWORD(m.WParam) != 0xFFFF) messages.push_back("MENUSELECT");
    if (m.Msg == WM_EXITMENULOOP) messages.push_back("EXITMENULOOP");
    previous(m);
  });
  TMainMenu menu(form.get());
  TMenuItem* file = AddItem(menu.Items(), "&Datei");
  TMenuItem* print = AddItem(*file, " Aktuelle Seite &drucken", ShortCut('P', ssCtrl));
  print->SetHint("Drucken| Aktuelle Seite drucken");
  form->SetMenu(&menu);
  std::vector<std::string> hints;
  Application().OnHint = [&](TObject*) { hints.push_back(Application().Hint()); };

  auto* bar = ui_test::WindowOf(*form)->findChild<QMenuBar*>();
  ASSERT_NE(bar, nullptr);
  ASSERT_EQ(bar->actions().size(), 1);
  QMenu* dropDown = bar->actions()[0]->menu();
  ASSERT_NE(dropDown, nullptr);
  EXPECT_EQ(dropDown->actions()[0]->text(), QString::fromUtf8(" Aktuelle Seite &drucken\tStrg+P"));
  bar->setActiveAction(bar->actions()[0]);  // opens the drop-down, as a click would
  ASSERT_TRUE(ui_test::RunUntil([&] { return dropDown->isVisible(); }));
  dropDown->setActiveAction(dropDown->actions()[0]);
  ui_test::RunFor(50);  // idle time passes: the item's hint stays
  EXPECT_EQ(Application().Hint(), " Aktuelle Seite drucken");
  dropDown->hide();
  bar->setActiveAction(nullptr);
  ASSERT_TRUE(ui_test::RunUntil([&] { return !messages.empty() && messages.back() == "EXITMENULOOP"; }));
  EXPECT_EQ(messages, (std::vector<std::string>{"INITMENU", "INITMENUPOPUP", "MENUSELECT", "EXITMENULOOP"}));
  EXPECT_EQ(hints.front(), " Aktuelle Seite drucken");
  Application().OnHint = nullptr;
}

// A right click on a control opens its pop-up menu where the button was released, and blocks until the menu has
// closed; OnPopup runs first, the chosen item's OnClick before the click returns. Owner drawing: the handlers measure
// (the check-mark column is added) and paint the items.
TEST(Menus, PopupWithOwnerDrawnItems) {
  auto form = ui_test::ActiveForm();
  TPopupMenu popup(form.get());
  TEdit edit(form.get());
  edit.SetParent(form.get());
  edit.SetPopupMenu(&popup);
  std::vector<std::string> events;
  popup.OnPopup = [&](TObject*) { events.push_back("OnPopup"); };
  AddItem(popup.Items(), "Eins")->OnClick = [&](TObject*) { events.push_back("Eins"); };
  AddItem(popup.Items(), "-");
  AddItem(popup.Items(), "Zwei")->OnClick = [&](TObject*) { events.push_back("Zwei"); };
  int measured = 0;
  popup.MeasureItemHandler = [&](TMenuItem& item, TCanvas&, int32_t& w, int32_t& h) {
    ++measured;
    w = 150;
    h = item.IsLine() ? 8 : 22;
    return true;
  };
  popup.DrawItemHandler = [&](TMenuItem& item, TCanvas& canvas, const TRect& r, TOwnerDrawState) {
    canvas.Brush().SetColor(item.IsLine() ? clBlue : clRed);
    canvas.FillRect(r);
    return true;
  };
  QImage shot;
  QPoint at;
  QTimer::singleShot(100, [&] {
    auto* shown = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (shown == nullptr) return;
    shot = shown->grab().toImage();
    at = shown->pos();
    shown->actions()[2]->trigger();
    shown->close();
  });
  QTest::mouseClick(ui_test::Widget(edit), Qt::RightButton, {}, QPoint(5, 6));
  events.push_back("returned");
  EXPECT_EQ(events, (std::vector<std::string>{"OnPopup", "Zwei", "returned"}));
  EXPECT_EQ(at, ui_test::Widget(edit)->mapToGlobal(QPoint(5, 6)));
  EXPECT_EQ(popup.PopupComponent(), &edit);
  EXPECT_GT(measured, 0);
  ASSERT_FALSE(shot.isNull());
  EXPECT_GE(shot.width(), 150 + GetSystemMetrics(SM_CXMENUCHECK));
  int red = 0, blue = 0;
  for (int y = 0; y < shot.height(); ++y)
    for (int x = 0; x < shot.width(); ++x) {
      const QRgb p = shot.pixel(x, y);
      red += p == qRgb(255, 0, 0);
      blue += p == qRgb(0, 0, 255);
    }
  EXPECT_GE(red, 2 * 150 * 22);  // both items painted at their measured size
  EXPECT_GE(blue, 150 * 8);      // the separator too
}

TEST(Menus, ItemListsAndRadioGroups) {
  TPopupMenu menu(nullptr);
  TMenuItem& root = menu.Items();
  TMenuItem* a = AddItem(root, "&Grundeinstellung");
  TMenuItem* b = AddItem(root, "&Abgefragt-Liste verwenden");
  TMenuItem* c = AddItem(root, "Andere Gruppe");
  for (TMenuItem* item : {a, b, c}) item->SetRadioItem(true);
  c->SetGroupIndex(1);
  a->SetChecked(true);
  c->SetChecked(true);
  b->SetChecked(true);
  EXPECT_FALSE(a->Checked());
  EXPECT_TRUE(b->Checked());
  EXPECT_TRUE(c->Checked());  // another group

  EXPECT_EQ(root.Find("abgefragt-liste VERWENDEN"), b);
  EXPECT_EQ(menu.FindItem(b->Command(), fkCommand), b);
  b->SetMenuIndex(0);
  EXPECT_EQ(root.IndexOf(b), 0);
  EXPECT_EQ(a->MenuIndex(), 1);
  EXPECT_THROW(root.Add(a), EMenuError);  // already in a menu
  EXPECT_THROW(root.Items(3), EMenuError);
  root.Delete(0);
  EXPECT_EQ(root.Count(), 2);
  EXPECT_EQ(root.Items(0), a);
  root.Clear();
  EXPECT_EQ(root.Count(), 0);
}

// Every visible item without an accelerator takes the first free letter or digit of its caption ("&&" is a plain
// "&"), in each sub-menu on its own; separators stay only between visible items, one per gap, and come back when
// they separate items again. A menu set to maManual keeps its items as they are.
TEST(Menus, AutomaticHotKeysAndLineReduction) {
  TPopupMenu menu(nullptr);
  TMenuItem& root = menu.Items();
  TMenuItem* leading = AddItem(root, "-");
  TMenuItem* plainAmpersand = AddItem(root, "&& Datei");
  TMenuItem* print = AddItem(root, "&Drucken");
  TMenuItem* page = AddItem(*print, "Seite");
  TMenuItem* between = AddItem(root, "-");
  TMenuItem* doubled = AddItem(root, "-");
  TMenuItem* umlaut = AddItem(root, std::string("Öl"_l1));
  TMenuItem* digits = AddItem(root, std::string("Ö 2"_l1));
  TMenuItem* hiddenLine = AddItem(root, "-");
  hiddenLine->SetVisible(false);
  TMenuItem* trailing = AddItem(root, "-");
  TMenuItem* hidden = AddItem(root, "Versteckt");
  hidden->SetVisible(false);

  EXPECT_TRUE(root.RethinkHotkeys());
  EXPECT_EQ(plainAmpersand->Caption(), "&& D&atei");  // D is taken by "&Drucken"
  EXPECT_EQ(page->Caption(), "&Seite");
  EXPECT_EQ(umlaut->Caption(), "Ö&l"_l1);
  EXPECT_EQ(digits->Caption(), "Ö &2"_l1);
  EXPECT_EQ(hidden->Caption(), "Versteckt");
  EXPECT_FALSE(root.RethinkHotkeys());

  EXPECT_TRUE(root.RethinkLines());
  auto shown = [&] {
    std::vector<bool> visible;
    for (TMenuItem* item : {leading, between, doubled, hiddenLine, trailing}) visible.push_back(item->Visible());
    return visible;
  };
  EXPECT_EQ(shown(), (std::vector<bool>{false, true, false, false, false}));
  hidden->SetVisible(true);
  EXPECT_TRUE(root.RethinkLines());
  EXPECT_EQ(shown(), (std::vector<bool>{false, true, false, false, true}));

  TPopupMenu manual(nullptr);
  manual.SetAutoHotkeys(maManual);
  manual.SetAutoLineReduction(maManual);
  TMenuItem* line = AddItem(manual.Items(), "-");
  TMenuItem* item = AddItem(manual.Items(), "Eins");
  EXPECT_FALSE(manual.Items().RethinkHotkeys());
  EXPECT_FALSE(manual.Items().RethinkLines());
  EXPECT_EQ(std::pair(item->Caption(), line->Visible()), std::pair(std::string("Eins"), true));
}

// The overflow button of a menu bar shows the framework's own arrows, though they are made only when first drawn.
TEST(Menus, OverflowArrowsAreTheFrameworksOwn) {
  TForm form(nullptr);  // makes the window system ready with the layer's style
  auto* layer = qobject_cast<QProxyStyle*>(QApplication::style());
  ASSERT_NE(layer, nullptr);
  for (QStyle::StandardPixmap arrow :
       {QStyle::SP_ToolBarHorizontalExtensionButton, QStyle::SP_ToolBarVerticalExtensionButton}) {
    const QImage shown = QApplication::style()->standardIcon(arrow).pixmap(16, 16).toImage();
    EXPECT_FALSE(shown.isNull());
    EXPECT_EQ(shown, layer->baseStyle()->standardIcon(arrow).pixmap(16, 16).toImage()) << arrow;
  }
}

}  // namespace
