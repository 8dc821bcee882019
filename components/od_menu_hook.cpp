// Menu window hooking: window hooks, the form hooks of the owner-drawn menu bars and the hidden pop-up window.
#include "components/od_menu_hook.h"

#include <algorithm>

#include "components/od_menu_draw.h"
#include "platform/core/strings.h"

namespace components {

namespace {

using pf::TMessage;

struct HookState {
  std::vector<TMenuFormSubclass*>* formHooks = nullptr;  // exists while there is a form hook
  int rehookTries = 0;                                   // shared by every hook
  uintptr_t openingPopup = 0;
  bool itemSelected = false;
};
HookState& Hooks() {
  static HookState state;
  return state;
}

// Lives until the end of the program; its window exists while there are pop-up menus.
struct PopupList {
  std::vector<TodCustomPopupMenu*> menus;
  std::unique_ptr<pf::TWinControl> window;
};
PopupList& Popups() {
  static auto* list = new PopupList();
  return *list;
}

// Opening the sub-menu of an item with SubMenu (or a menu action) copies the pop-up menu's items into it: the
// window layer does not click items whose sub-menus open. False when the menu has no such sub-menu.
bool DispatchSubMenu(pf::TMenu* menu, uintptr_t handle) {
  pf::TMenuItem* item = menu != nullptr ? menu->FindItem(handle, pf::fkHandle) : nullptr;
  if (item == nullptr) return false;
  if (auto* own = dynamic_cast<TodMenuItem*>(item); own != nullptr && (own->SubMenu() || own->Action())) own->Click();
  return true;
}

bool HasOwnDrawing(const pf::TMenuItem& item, bool draw) {
  return draw ? item.OnDrawItem || item.OnAdvancedDrawItem : static_cast<bool>(item.OnMeasureItem);
}

// Measures or draws a menu item for its message; Result 1 when done.
void MeasureOrDraw(pf::TMenuItem& item, TMessage& message) {
  if (message.Msg == pf::WM_DRAWITEM) {
    auto& record = *reinterpret_cast<TDrawItemStruct*>(message.LParam);
    DrawItem(item, *record.Canvas, record);
  } else {
    auto& record = *reinterpret_cast<TMeasureItemStruct*>(message.LParam);
    MeasureItem(item, *record.Canvas, record);
  }
  message.Result = 1;
}

uint32_t OwnerDrawControlType(const TMessage& message) {
  return message.Msg == pf::WM_DRAWITEM ? reinterpret_cast<const TDrawItemStruct*>(message.LParam)->CtlType
                                        : reinterpret_cast<const TMeasureItemStruct*>(message.LParam)->CtlType;
}
uint32_t OwnerDrawItemId(const TMessage& message) {
  return message.Msg == pf::WM_DRAWITEM ? reinterpret_cast<const TDrawItemStruct*>(message.LParam)->itemID
                                        : reinterpret_cast<const TMeasureItemStruct*>(message.LParam)->itemID;
}

// An item of a pop-up menu that is not owner-drawn here: the system colours, then its own drawing events (or the
// window layer's drawing when it has none).
void DrawForeignItem(pf::TMenuItem& item, TMessage& message) {
  if (message.Msg != pf::WM_DRAWITEM) {
    MeasureOrDraw(item, message);
    return;
  }
  auto& record = *reinterpret_cast<TDrawItemStruct*>(message.LParam);
  const bool selected = (record.itemState & pf::odSelected) != 0;
  record.Canvas->Brush().SetColor(selected ? pf::clHighlight : pf::clMenu);
  record.Canvas->Font().SetColor(selected ? pf::clHighlightText : pf::clMenuText);
  if (item.OnAdvancedDrawItem)
    item.OnAdvancedDrawItem(&item, *record.Canvas, record.rcItem, record.itemState);
  else if (item.OnDrawItem)
    item.OnDrawItem(&item, *record.Canvas, record.rcItem, selected);
  else
    return;
  message.Result = 1;
}

// The hidden pop-up window's messages; false for those it leaves to its own procedure.
bool PopupWindowMessage(TMessage& message) {
  const std::vector<TodCustomPopupMenu*> menus = Popups().menus;
  switch (message.Msg) {
    case pf::WM_COMMAND:
      for (TodCustomPopupMenu* menu : menus)
        if (pf::TMenuItem* item = menu->FindItem(pf::LOWORD(message.WParam), pf::fkCommand)) {
          item->Click();
          return true;
        }
      return true;
    case pf::WM_INITMENU:
      ResetBannerFlag();
      return true;
    case pf::WM_INITMENUPOPUP:
      for (TodCustomPopupMenu* menu : menus)
        if (DispatchSubMenu(menu, message.WParam)) break;
      return true;
    case pf::WM_MEASUREITEM:
    case pf::WM_DRAWITEM: {
      if (OwnerDrawControlType(message) != ODT_MENU) return true;
      for (TodCustomPopupMenu* menu : menus) {
        pf::TMenuItem* item = menu->FindItem(OwnerDrawItemId(message), pf::fkCommand);
        if (item == nullptr) continue;
        if (dynamic_cast<TodMenuItem*>(item) == nullptr)
          DrawForeignItem(*item, message);
        else if (!menu->OwnerDraw() || !HasOwnDrawing(*item, message.Msg == pf::WM_DRAWITEM))
          MeasureOrDraw(*item, message);
        return true;
      }
      return true;
    }
    default:
      return false;
  }
}

pf::LRESULT MakeMenuCharResult(int index, uint32_t action) {
  return static_cast<pf::LRESULT>((static_cast<uint32_t>(index) & 0xFFFF) | (action << 16));
}

// The accelerator of a caption ('\0' when it has none).
char AcceleratorOf(const std::string& caption) {
  for (size_t i = 0; i + 1 < caption.size(); ++i)
    if (caption[i] == '&') {
      if (caption[i + 1] != '&') return caption[i + 1];
      ++i;
    }
  return '\0';
}

}  // namespace

// ---- Messages for owner drawing

bool SendMeasureItem(pf::TMenu& menu, pf::TMenuItem& item, pf::TCanvas& canvas, int32_t& width, int32_t& height) {
  pf::TWinControl* window = menu.WindowHandle();
  if (window == nullptr) return false;
  TMeasureItemStruct record;
  record.itemID = item.Command();
  record.itemWidth = width;
  record.itemHeight = height;
  record.Canvas = &canvas;
  if (window->Perform(pf::WM_MEASUREITEM, 0, reinterpret_cast<pf::LPARAM>(&record)) == 0) return false;
  width = record.itemWidth;
  height = record.itemHeight;
  return true;
}

bool SendDrawItem(pf::TMenu& menu, pf::TMenuItem& item, pf::TCanvas& canvas, const pf::TRect& rect,
                  pf::TOwnerDrawState state) {
  pf::TWinControl* window = menu.WindowHandle();
  if (window == nullptr) return false;
  TDrawItemStruct record;
  record.itemID = item.Command();
  record.itemState = state;
  record.Canvas = &canvas;
  record.rcItem = rect;
  return window->Perform(pf::WM_DRAWITEM, 0, reinterpret_cast<pf::LPARAM>(&record)) != 0;
}

// ---- TodBaseSubClass

TodBaseSubClass::TodBaseSubClass(pf::TComponent* owner) : pf::TComponent(owner) {}

TodBaseSubClass::~TodBaseSubClass() {
  state_ |= pf::csDestroying;
  SetActive(false);
  if (control_ != nullptr) control_->RemoveFreeNotification(this);
}

void TodBaseSubClass::SetActive(bool value) {
  if (active_ == value) return;
  if (value)
    Hook();
  else
    Unhook();
  active_ = value;
  if (!Destroying()) Changed();
}

void TodBaseSubClass::Hook() {
  if (control_ == nullptr) throw ENotOwnerError("Not a valid Window");
  if (controlMode_) {
    savedWindowProc_ = control_->WindowProc;
    control_->WindowProc = [this](TMessage& message) { Dispatch(message); };
  } else {
    hook_ = control_->AddMessageHook([this](TMessage& message, const pf::TWndMethod& previous) {
      const pf::TWndMethod* outer = previous_;
      previous_ = &previous;
      Dispatch(message);
      previous_ = outer;
    });
  }
  handle_ = control_;
}

void TodBaseSubClass::Unhook() {
  if (handle_ == nullptr) return;
  if (controlMode_)
    handle_->WindowProc = std::move(savedWindowProc_);
  else
    handle_->RemoveMessageHook(hook_);
  savedWindowProc_ = nullptr;
  handle_ = nullptr;
}

void TodBaseSubClass::Dispatch(TMessage& message) {
  WndProc(message);
  // A hooked window goes with its control; look for the control's next window.
  if (message.Msg == pf::WM_DESTROY && !controlMode_ && timer_ == nullptr) {
    timer_ = new pf::TTimer(this);
    timer_->SetInterval(kRehookInterval);
    timer_->SetOnTimer([this](pf::TObject*) { RehookTimerTick(); });
  }
}

void TodBaseSubClass::WndProc(TMessage& message) { CallPrevious(message); }

void TodBaseSubClass::CallPrevious(TMessage& message) {
  if (controlMode_) {
    if (savedWindowProc_) savedWindowProc_(message);
  } else if (previous_ != nullptr) {
    (*previous_)(message);
  }
}

void TodBaseSubClass::Rehook() {
  if (!active_) return;
  Unhook();
  if (control_ != nullptr) Hook();
}

void TodBaseSubClass::RehookTimerTick() {
  int& tries = Hooks().rehookTries;
  if (control_ == nullptr && tries < kRehookTries) {
    ++tries;
    return;
  }
  Rehook();
  tries = 0;
  pf::TTimer* timer = timer_;
  timer_ = nullptr;
  delete timer;
}

void TodBaseSubClass::SetControl(pf::TWinControl* control) {
  if (control == nullptr || control == control_) return;
  if (active_) Unhook();
  if (control_ != nullptr) control_->RemoveFreeNotification(this);
  control_ = control;
  control->FreeNotification(this);
  if (active_) Hook();
}

void TodBaseSubClass::SetControlMode(bool value) {
  if (controlMode_ == value) return;
  if (active_) Unhook();
  controlMode_ = value;
  if (active_ && control_ != nullptr) Hook();
}

void TodBaseSubClass::Notification(pf::TComponent* component, pf::TOperation operation) {
  pf::TComponent::Notification(component, operation);
  if (operation != pf::opRemove || component != control_) return;
  // The control is going: its window and hooks go with it.
  control_ = nullptr;
  handle_ = nullptr;
  savedWindowProc_ = nullptr;
}

// ---- TMenuFormSubclass

TMenuFormSubclass::TMenuFormSubclass() : TodBaseSubClass(nullptr) {}

TodMenu* TMenuFormSubclass::FormMenu() const {
  auto* form = dynamic_cast<pf::TCustomForm*>(Control());
  return form != nullptr ? dynamic_cast<TodMenu*>(form->Menu()) : nullptr;
}

void TMenuFormSubclass::Rehook() {
  TodBaseSubClass::Rehook();
  if (TodMenu* menu = FormMenu()) menu->MenuChanged(nullptr);
}

void TMenuFormSubclass::OwnerDrawMessage(TMessage& message) {
  TodMenu* menu = FormMenu();
  if (menu == nullptr || menu->Style() == odmNormal || OwnerDrawControlType(message) != ODT_MENU) {
    CallPrevious(message);
    return;
  }
  pf::TMenuItem* item = menu->FindItem(OwnerDrawItemId(message), pf::fkCommand);
  // The bar's own items are the framework's; so are items that draw themselves in a menu with OwnerDraw.
  if (item == nullptr || item->Parent() == &menu->Items() ||
      (menu->OwnerDraw() && HasOwnDrawing(*item, message.Msg == pf::WM_DRAWITEM))) {
    CallPrevious(message);
    return;
  }
  MeasureOrDraw(*item, message);
}

void TMenuFormSubclass::WndProc(TMessage& message) {
  HookState& state = Hooks();
  switch (message.Msg) {
    case pf::WM_SETTINGCHANGE:
      if (CheckBitmapsOutdated()) RebuildCheckBitmaps();
      break;
    case pf::WM_DRAWITEM:
    case pf::WM_MEASUREITEM:
      OwnerDrawMessage(message);
      return;
    case pf::WM_INITMENU:
      CallPrevious(message);
      if (TodMenu* menu = FormMenu()) {
        menu->ApplyOwnerDrawSwitch();
        ResetBannerFlag();
      }
      return;
    case pf::WM_INITMENUPOPUP:
      state.openingPopup = message.WParam;
      state.itemSelected = false;
      CallPrevious(message);
      DispatchSubMenu(FormMenu(), message.WParam);
      return;
    case pf::WM_MENUSELECT:
      state.itemSelected = true;
      break;
    case pf::WM_MENUCHAR:
      if (TodMenu* menu = FormMenu()) {
        message.Result = MenuCharAnswer(*menu, static_cast<uintptr_t>(message.LParam),
                                        static_cast<char>(pf::LOWORD(message.WParam)));
        return;
      }
      break;
    default:
      break;
  }
  CallPrevious(message);
}

TMenuFormSubclass* JoinMenuFormSubclass(pf::TCustomForm& form) {
  auto*& list = Hooks().formHooks;
  if (list != nullptr)
    for (TMenuFormSubclass* subclass : *list)
      if (subclass->Control() == &form) {
        ++subclass->refCount_;
        return subclass;
      }
  auto* subclass = new TMenuFormSubclass();
  subclass->SetControlMode(true);
  subclass->SetControl(&form);
  subclass->SetActive(true);
  subclass->refCount_ = 1;
  if (list == nullptr) list = new std::vector<TMenuFormSubclass*>();
  list->push_back(subclass);
  return subclass;
}

void LeaveMenuFormSubclass(TMenuFormSubclass* subclass) {
  if (subclass == nullptr || --subclass->refCount_ > 0) return;
  auto*& list = Hooks().formHooks;
  std::erase(*list, subclass);
  delete subclass;
  if (list->empty()) {
    delete list;
    list = nullptr;
  }
}

std::vector<TMenuFormSubclass*> MenuFormSubclasses() {
  const auto* list = Hooks().formHooks;
  return list != nullptr ? *list : std::vector<TMenuFormSubclass*>();
}

uintptr_t OpeningPopupHandle() { return Hooks().openingPopup; }
bool MenuItemSelected() { return Hooks().itemSelected; }

// ---- Pop-up menus

void RegisterPopupMenu(TodCustomPopupMenu& menu) {
  PopupList& popups = Popups();
  popups.menus.push_back(&menu);
  if (popups.window) return;
  popups.window = std::make_unique<pf::TWinControl>(nullptr);
  pf::TWinControl* window = popups.window.get();
  window->WindowProc = [original = window->WindowProc](TMessage& message) {
    if (!PopupWindowMessage(message)) original(message);
  };
}

void UnregisterPopupMenu(TodCustomPopupMenu& menu) {
  PopupList& popups = Popups();
  std::erase(popups.menus, &menu);
  if (popups.menus.empty()) popups.window.reset();
}

const std::vector<TodCustomPopupMenu*>& PopupMenus() { return Popups().menus; }

pf::TWinControl* PopupListWindow() { return Popups().window.get(); }

pf::LRESULT MenuCharAnswer(const pf::TMenu& menu, uintptr_t subMenuHandle, char key) {
  const pf::TMenuItem* parent = menu.FindItem(subMenuHandle, pf::fkHandle);
  if (parent == nullptr) return MakeMenuCharResult(0, MNC_IGNORE);
  int index = 0;
  for (int i = 0; i < parent->Count(); ++i) {
    const pf::TMenuItem* item = parent->Items(i);
    if (!item->Visible()) continue;
    const char accelerator = AcceleratorOf(item->Caption());
    if (item->Enabled() && accelerator != '\0' && pf::AnsiSameText({&accelerator, 1}, {&key, 1}))
      return MakeMenuCharResult(index, MNC_EXECUTE);
    ++index;
  }
  return MakeMenuCharResult(0, MNC_IGNORE);
}

}  // namespace components
