// Menu hooking: the form hooks shared by a form's menus, the owner-draw messages through the form and through the
// hidden pop-up window, the menu-loop messages, sub-menus copied from pop-up menus, menu keys and the window hooks.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "components/od_menu.h"
#include "components/od_menu_draw.h"
#include "components/od_menu_hook.h"
#include "tests/platform/core/test_helpers.h"

namespace components {
namespace {

TodMenuItem* AddItem(pf::TMenuItem& parent, const std::string& caption, std::vector<std::string>* clicks = nullptr) {
  auto* item = new TodMenuItem(nullptr);
  item->SetCaption(caption);
  if (clicks != nullptr) item->OnClick = [clicks, caption](pf::TObject*) { clicks->push_back(caption); };
  parent.Add(item);
  return item;
}

pf::LRESULT SendMeasure(pf::TWinControl& window, const pf::TMenuItem& item, TMeasureItemStruct& record) {
  pf::TBitmap scratch(1, 1);
  record.itemID = item.Command();
  record.Canvas = &scratch.Canvas();
  return window.Perform(pf::WM_MEASUREITEM, 0, reinterpret_cast<pf::LPARAM>(&record));
}

pf::LRESULT SendDraw(pf::TWinControl& window, const pf::TMenuItem& item, pf::TBitmap& target) {
  TDrawItemStruct record;
  record.itemID = item.Command();
  record.Canvas = &target.Canvas();
  record.rcItem = {0, 0, target.Width(), target.Height()};
  return window.Perform(pf::WM_DRAWITEM, 0, reinterpret_cast<pf::LPARAM>(&record));
}

TEST(FormHooks, OneHookPerFormSharedByItsMenus) {
  pf::TForm form(nullptr);
  auto* first = new TodMenu(&form);
  auto* second = new TodMenu(&form);
  pf::TForm other(nullptr);
  auto* third = new TodMenu(&other);
  ASSERT_EQ(MenuFormSubclasses().size(), 2u);
  EXPECT_EQ(MenuFormSubclasses()[0]->Control(), &form);
  EXPECT_EQ(MenuFormSubclasses()[0]->RefCount(), 2);
  EXPECT_TRUE(MenuFormSubclasses()[0]->ControlMode());
  delete first;
  EXPECT_EQ(MenuFormSubclasses()[0]->RefCount(), 1);
  delete second;
  delete third;
  EXPECT_TRUE(MenuFormSubclasses().empty());
  // The form's own procedure is back: nobody answers an owner-draw message.
  TodMenu menu(nullptr);
  TMeasureItemStruct record;
  EXPECT_EQ(SendMeasure(form, *AddItem(*AddItem(menu.Items(), "&Datei"), "Eins"), record), 0);
}

// The form's menu is measured and drawn through WM_MEASUREITEM and WM_DRAWITEM, except the bar's own items, items
// with their own drawing in a menu with OwnerDraw, and menus of the odmNormal style.
TEST(FormHooks, OwnerDrawMessagesThroughTheForm) {
  pf::TForm form(nullptr);
  auto* menu = new TodMenu(&form);
  TodMenuItem* file = AddItem(menu->Items(), "&Datei");
  TodMenuItem* open = AddItem(*file, " &Laden");
  TodMenuItem* custom = AddItem(*file, " &Eigen");
  custom->OnDrawItem = [](pf::TObject*, pf::TCanvas&, const pf::TRect&, bool) {};
  custom->OnMeasureItem = [](pf::TObject*, pf::TCanvas&, int32_t&, int32_t&) {};
  form.SetMenu(menu);
  EXPECT_TRUE(menu->MeasureItemHandler);

  TMeasureItemStruct record;
  EXPECT_EQ(SendMeasure(form, *open, record), 1);
  TMeasureItemStruct direct;
  pf::TBitmap scratch(1, 1);
  MeasureItem(*open, scratch.Canvas(), direct);
  EXPECT_EQ(record.itemWidth, direct.itemWidth);
  EXPECT_EQ(record.itemHeight, direct.itemHeight);
  pf::TBitmap target(120, 20, pf::pf24bit);
  EXPECT_EQ(SendDraw(form, *open, target), 1);
  EXPECT_EQ(target.GetPixel(118, 2), pf::ColorToRGB(pf::clMenu));

  EXPECT_EQ(SendMeasure(form, *file, record), 0);    // the bar's item
  EXPECT_EQ(SendMeasure(form, *custom, record), 1);  // its own events count only with OwnerDraw
  menu->SetOwnerDraw(true);
  EXPECT_EQ(SendMeasure(form, *custom, record), 0);
  EXPECT_EQ(SendDraw(form, *custom, target), 0);
  menu->SetStyle(odmNormal);
  EXPECT_EQ(SendMeasure(form, *open, record), 0);
  EXPECT_FALSE(menu->MeasureItemHandler);
  EXPECT_FALSE(menu->pf::TMenu::OwnerDraw());
  menu->SetStyle(odmWin97);
  EXPECT_TRUE(menu->MeasureItemHandler);
  EXPECT_EQ(SendMeasure(form, *open, record), 1);
}

TEST(FormHooks, MenuLoopMessagesAndMenuKeys) {
  pf::TForm form(nullptr);
  auto* menu = new TodMenu(&form);
  TodMenuItem* file = AddItem(menu->Items(), "&Datei");
  AddItem(*file, " &Laden");
  AddItem(*file, " &Drucken")->SetEnabled(false);
  AddItem(*file, " Zweimal &drucken");
  AddItem(*file, " Be&enden");
  form.SetMenu(menu);

  pf::TBitmap target(120, 40, pf::pf24bit);
  menu->SetOptions(odmBanner);
  SendDraw(form, *file->Items(0), target);
  EXPECT_TRUE(BannerDrawn());
  form.Perform(pf::WM_INITMENU, menu->Handle());
  EXPECT_FALSE(BannerDrawn());
  form.Perform(pf::WM_MENUSELECT);
  form.Perform(pf::WM_INITMENUPOPUP, file->Handle());
  EXPECT_EQ(OpeningPopupHandle(), file->Handle());
  EXPECT_FALSE(MenuItemSelected());
  form.Perform(pf::WM_MENUSELECT);
  EXPECT_TRUE(MenuItemSelected());

  // A menu key picks the first enabled item with that accelerator, by its place among the visible items.
  const auto key = [&](char c) {
    return form.Perform(pf::WM_MENUCHAR, static_cast<uint8_t>(c), static_cast<pf::LPARAM>(file->Handle()));
  };
  file->Items(0)->SetVisible(false);
  EXPECT_EQ(key('D'), (MNC_EXECUTE << 16) | 1);
  EXPECT_EQ(key('e'), (MNC_EXECUTE << 16) | 2);
  EXPECT_EQ(key('x'), 0);
}

// An item with SubMenu shows a copy of the pop-up menu's items, made afresh each time it opens.
TEST(FormHooks, SubMenusAreCopiedWhenTheyOpen) {
  pf::TForm form(nullptr);
  auto* menu = new TodMenu(&form);
  TodMenuItem* file = AddItem(menu->Items(), "&Datei");
  TodMenuItem* recent = AddItem(*file, " &Zuletzt");
  form.SetMenu(menu);
  auto* source = new TodPopupDynamicMenu(&form);
  std::vector<std::string> clicks;
  int fills = 0;
  source->OnFill = [&](pf::TObject*) {
    ++fills;
    source->Items().Clear();
    AddItem(source->Items(), "Liste " + std::to_string(fills), &clicks)->SetShortCut(pf::ShortCut('L', pf::ssCtrl));
    AddItem(*AddItem(source->Items(), "Mehr"), "Tief", &clicks);
  };
  recent->SetSubMenu(source);
  ASSERT_EQ(recent->Count(), 1);  // the placeholder that makes it a sub-menu
  EXPECT_FALSE(recent->Items(0)->Visible());

  for (int open = 1; open <= 2; ++open) {
    form.Perform(pf::WM_INITMENUPOPUP, recent->Handle());
    ASSERT_EQ(recent->CreatedItems().size(), 2u);
    EXPECT_EQ(recent->Count(), 3);
    EXPECT_EQ(recent->CreatedItems()[0]->Caption(), "Liste " + std::to_string(open));
    EXPECT_EQ(recent->CreatedItems()[0]->ShortCut(), pf::ShortCut('L', pf::ssCtrl));
    ASSERT_EQ(recent->CreatedItems()[1]->Count(), 1);
    recent->CreatedItems()[1]->Items(0)->Click();
  }
  recent->CreatedItems()[0]->Click();
  EXPECT_EQ(clicks, (std::vector<std::string>{"Tief", "Tief", "Liste 2"}));

  // An action's pop-up menu becomes the sub-menu; the menu's going takes the copies with it.
  TodMenuAction action(&form);
  action.SetPopupMenu(source);
  TodMenuItem* viaAction = AddItem(*file, " &Aktion");
  viaAction->SetAction(&action);
  form.Perform(pf::WM_INITMENUPOPUP, viaAction->Handle());
  EXPECT_EQ(viaAction->CreatedItems().size(), 2u);
  delete source;
  EXPECT_EQ(recent->Count(), 0);
  EXPECT_EQ(viaAction->SubMenu(), nullptr);
  EXPECT_EQ(action.PopupMenu(), nullptr);
}

// Pop-up menus are heard by the hidden window: commands, owner drawing (items that are not owner-drawn keep their
// own drawing in the system colours), and the point they are shown at is used as given.
TEST(PopupMenus, HiddenWindowAndThePointAsGiven) {
  class Recording : public TodPopupMenu {
   public:
    using TodPopupMenu::TodPopupMenu;
    std::vector<pf::TPoint> shownAt;

   protected:
    void TrackPopup(int32_t x, int32_t y) override { shownAt.push_back({x, y}); }
  };
  EXPECT_EQ(PopupListWindow(), nullptr);
  auto popup = std::make_unique<Recording>(nullptr);
  pf::TWinControl* window = PopupListWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(popup->WindowHandle(), window);
  std::vector<std::string> clicks;
  TodMenuItem* item = AddItem(popup->Items(), "Eins", &clicks);
  auto* plain = new pf::TMenuItem(nullptr);
  plain->SetCaption("Fremd");
  pf::TColor brush = 0, text = 0;
  plain->OnDrawItem = [&](pf::TObject*, pf::TCanvas& canvas, const pf::TRect&, bool) {
    brush = canvas.Brush().Color();
    text = canvas.Font().Color();
  };
  popup->Items().Add(plain);

  window->Perform(pf::WM_COMMAND, item->Command());
  EXPECT_EQ(clicks, std::vector<std::string>{"Eins"});
  TMeasureItemStruct record;
  EXPECT_EQ(SendMeasure(*window, *item, record), 1);
  pf::TBitmap target(100, 20, pf::pf24bit);
  EXPECT_EQ(SendDraw(*window, *plain, target), 1);
  EXPECT_EQ(brush, pf::clMenu);
  EXPECT_EQ(text, pf::clMenuText);

  // A screen left of and above the first one has negative co-ordinates.
  popup->Popup(-50, -20);
  popup->Popup(30, 40);
  EXPECT_EQ(popup->shownAt, (std::vector<pf::TPoint>{{-50, -20}, {30, 40}}));
  popup.reset();
  EXPECT_EQ(PopupListWindow(), nullptr);
}

// Before a pop-up menu is tracked: OnPopup, then the items get their hot keys and lose the separators that would
// stand first, doubled or last, and the first item is shown anew (each time, also when nothing else changed).
TEST(PopupMenus, OnPopupThenHotKeysLinesAndTheFirstItemBeforeTracking) {
  class Recording : public TodPopupMenu {
   public:
    using TodPopupMenu::TodPopupMenu;
    std::vector<std::string> events;
    void MenuChanged(pf::TMenuItem* item) override {
      if (item != nullptr) events.push_back("changed " + item->Caption());
      TodPopupMenu::MenuChanged(item);
    }

   protected:
    void TrackPopup(int32_t, int32_t) override { events.push_back("tracked"); }
  };
  Recording popup(nullptr);
  popup.OnPopup = [&](pf::TObject*) { popup.events.push_back("popup"); };
  TodMenuItem* show = AddItem(popup.Items(), "Fragentext anzeigen");
  TodMenuItem* line = AddItem(popup.Items(), "-");
  TodMenuItem* doubled = AddItem(popup.Items(), "-");
  AddItem(popup.Items(), "&Alle Fragen");
  TodMenuItem* trailing = AddItem(popup.Items(), "-");
  popup.events.clear();

  popup.Popup(10, 20);
  ASSERT_GE(popup.events.size(), 3u);
  EXPECT_EQ(popup.events.front(), "popup");
  EXPECT_EQ(popup.events.back(), "tracked");
  EXPECT_EQ(show->Caption(), "&Fragentext anzeigen");
  EXPECT_EQ(std::tuple(line->Visible(), doubled->Visible(), trailing->Visible()), std::tuple(true, false, false));
  popup.events.clear();
  popup.Popup(10, 20);
  EXPECT_EQ(popup.events, (std::vector<std::string>{"popup", "changed &Fragentext anzeigen", "tracked"}));
}

// A hook that opens the steps of its re-hook timer.
class OpenHook : public TodBaseSubClass {
 public:
  using TodBaseSubClass::RehookTimerTick;
  using TodBaseSubClass::TodBaseSubClass;
  void WndProc(pf::TMessage& message) override {
    seen.push_back(message.Msg);
    CallPrevious(message);
  }
  std::vector<uint32_t> seen;
};

TEST(WindowHooks, ControlAndWindowModes) {
  OpenHook hook(nullptr);
  EXPECT_EQ(pf::test::MessageOf<ENotOwnerError>([&] { hook.SetActive(true); }), "Not a valid Window");
  EXPECT_FALSE(hook.Active());

  pf::TWinControl control(nullptr);
  uint32_t procedureSaw = 0;
  control.WindowProc = [&](pf::TMessage& m) { procedureSaw = m.Msg; };
  for (bool controlMode : {true, false}) {
    hook.SetControlMode(controlMode);
    hook.SetControl(&control);
    hook.SetActive(true);
    control.Perform(pf::WM_USER + 1);
    EXPECT_EQ(hook.seen.back(), pf::WM_USER + 1);
    EXPECT_EQ(procedureSaw, pf::WM_USER + 1);  // passed on
    hook.SetActive(false);
    control.Perform(pf::WM_USER + 2);
    EXPECT_EQ(hook.seen.back(), pf::WM_USER + 1);
    EXPECT_EQ(procedureSaw, pf::WM_USER + 2);
  }

  // In window mode WM_DESTROY starts the timer; while the control is there its next tick hooks it again.
  hook.SetActive(true);
  control.Perform(pf::WM_DESTROY);
  EXPECT_TRUE(hook.RehookPending());
  hook.RehookTimerTick();
  EXPECT_FALSE(hook.RehookPending());
  control.Perform(pf::WM_USER + 3);
  EXPECT_EQ(hook.seen.back(), pf::WM_USER + 3);
  EXPECT_EQ(std::count(hook.seen.begin(), hook.seen.end(), pf::WM_USER + 3), 1);  // hooked once, not twice
}

TEST(WindowHooks, GivesUpAfterElevenTicksWithoutAWindow) {
  OpenHook hook(nullptr);
  auto control = std::make_unique<pf::TWinControl>(nullptr);
  hook.SetControl(control.get());
  hook.SetActive(true);
  control.reset();  // WM_DESTROY, then the control goes
  EXPECT_TRUE(hook.RehookPending());
  for (int tick = 0; tick < TodBaseSubClass::kRehookTries; ++tick) hook.RehookTimerTick();
  EXPECT_TRUE(hook.RehookPending());
  hook.RehookTimerTick();
  EXPECT_FALSE(hook.RehookPending());
  EXPECT_TRUE(hook.Active());
  EXPECT_EQ(hook.Handle(), nullptr);
  // A new control is hooked at once.
  pf::TWinControl next(nullptr);
  hook.SetControl(&next);
  next.Perform(pf::WM_USER + 4);
  EXPECT_EQ(hook.seen.back(), pf::WM_USER + 4);
}

}  // namespace
}  // namespace components
