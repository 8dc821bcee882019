// Menu window hooking: the owner-drawn menus' messages (WM_MEASUREITEM, WM_DRAWITEM and the menu loop) reach the
// menu code through a hook on each form that carries a TodMenu (one per form, shared by its menus) and through a
// hidden window that hears every TodPopupMenu while it is shown. Everything else goes on to the window's previous
// procedure.
//   - A hook in control mode replaces the control's WindowProc and survives anything that happens to the window; in
//     window mode it is a message hook on the window (AddMessageHook), which goes with the window: after WM_DESTROY
//     a 250 ms timer looks for the control's new window and gives up after 11 ticks without one.
//   - The window layer hands a menu's measuring and drawing to the menu; these menus pass them on as WM_MEASUREITEM
//     and WM_DRAWITEM (LParam: the TMeasureItemStruct or TDrawItemStruct) to the window that hears the menu, so
//     that the hooks and the window's own procedure see them as messages. Answered 0, the layer measures and draws
//     the item itself (with the menu's OwnerDraw, through the item's own events).
//   - The window layer has no MDI windows, so there are no stand-ins for the items of an MDI window menu and no
//     refresh of an MDI client's menu after the menu loop; and it never sends WM_MENUCHAR (the toolkit's menus answer
//     their mnemonics themselves), so the hook's answer to it serves only a caller that sends one.
#pragma once

#include <cstdint>
#include <vector>

#include "components/od_menu.h"
#include "platform/core/exceptions.h"
#include "platform/ui/extctrls.h"
#include "platform/ui/forms.h"

namespace components {

class ENotOwnerError : public pf::Exception {
 public:
  using pf::Exception::Exception;
};

// ---- The records of WM_MEASUREITEM and WM_DRAWITEM for menu items.
constexpr uint32_t ODT_MENU = 1;
struct TMeasureItemStruct {
  uint32_t CtlType = ODT_MENU;
  uint32_t itemID = 0;    // the item's command number
  int32_t itemWidth = 0;  // in: the layer's own size; out: the item's
  int32_t itemHeight = 0;
  pf::TCanvas* Canvas = nullptr;  // the menu window's canvas, for measuring text
};
struct TDrawItemStruct {
  uint32_t CtlType = ODT_MENU;
  uint32_t itemID = 0;
  pf::TOwnerDrawState itemState = 0;
  pf::TCanvas* Canvas = nullptr;  // the whole menu window's canvas
  pf::TRect rcItem;               // the item in it
};
// WM_MENUCHAR answers: what the menu does with the key (high word) and the item (low word).
enum : uint32_t { MNC_IGNORE = 0, MNC_CLOSE = 1, MNC_EXECUTE = 2, MNC_SELECT = 3 };

// Sends WM_MEASUREITEM / WM_DRAWITEM for an item of menu to the window that hears it; true when it was answered.
bool SendMeasureItem(pf::TMenu& menu, pf::TMenuItem& item, pf::TCanvas& canvas, int32_t& width, int32_t& height);
bool SendDrawItem(pf::TMenu& menu, pf::TMenuItem& item, pf::TCanvas& canvas, const pf::TRect& rect,
                  pf::TOwnerDrawState state);

// ---- A hook on one window.
class TodBaseSubClass : public pf::TComponent {
 public:
  static constexpr uint32_t kRehookInterval = 250;  // ms
  static constexpr int kRehookTries = 11;

  explicit TodBaseSubClass(pf::TComponent* owner);
  ~TodBaseSubClass() override;
  std::string ClassName() const override { return "TodBaseSubClass"; }

  bool Active() const { return active_; }
  // True hooks (ENotOwnerError "Not a valid Window" without a window), false unhooks; then Changed.
  virtual void SetActive(bool value);
  // The hook's message procedure: by default the previous procedure.
  virtual void WndProc(pf::TMessage& message);
  virtual void Changed() {}
  // Hooks the control's window again (keeping Active).
  virtual void Rehook();

  // The control whose window is hooked; a different, non-nil control replaces the old one at once.
  pf::TWinControl* Control() const { return control_; }
  void SetControl(pf::TWinControl* control);
  bool ControlMode() const { return controlMode_; }
  void SetControlMode(bool value);
  // The window hooked right now (nullptr: none).
  pf::TWinControl* Handle() const { return handle_; }
  bool RehookPending() const { return timer_ != nullptr; }

 protected:
  void CallPrevious(pf::TMessage& message);
  void Notification(pf::TComponent* component, pf::TOperation operation) override;
  void RehookTimerTick();

 private:
  void Hook();
  void Unhook();
  void Dispatch(pf::TMessage& message);

  bool active_ = false;
  bool controlMode_ = false;
  pf::TWinControl* control_ = nullptr;
  pf::TWinControl* handle_ = nullptr;
  pf::TWndMethod savedWindowProc_;  // control mode
  pf::TControl::THookHandle hook_ = 0;
  const pf::TWndMethod* previous_ = nullptr;  // window mode: the rest of the chain during a message
  pf::TTimer* timer_ = nullptr;
};

// ---- The hook of one form, shared by its TodMenus (reference-counted).
class TMenuFormSubclass : public TodBaseSubClass {
 public:
  TMenuFormSubclass();
  std::string ClassName() const override { return "TMenuFormSubclass"; }
  int RefCount() const { return refCount_; }
  void WndProc(pf::TMessage& message) override;
  // Hooks again and shows the form's menu bar anew.
  void Rehook() override;

 private:
  friend TMenuFormSubclass* JoinMenuFormSubclass(pf::TCustomForm& form);
  friend void LeaveMenuFormSubclass(TMenuFormSubclass* subclass);
  TodMenu* FormMenu() const;
  void OwnerDrawMessage(pf::TMessage& message);
  int refCount_ = 0;
};

// The hook of form (made in control mode and activated when the form has none), its count raised by one.
TMenuFormSubclass* JoinMenuFormSubclass(pf::TCustomForm& form);
// Lowers the count; at 0 the hook leaves the list and goes.
void LeaveMenuFormSubclass(TMenuFormSubclass* subclass);
// Every form hook; empty when there is none.
std::vector<TMenuFormSubclass*> MenuFormSubclasses();
// State of the menu being opened: the handle from the last WM_INITMENUPOPUP, and whether an item was selected since.
uintptr_t OpeningPopupHandle();
bool MenuItemSelected();

// ---- The pop-up menus and the hidden window that hears them while they are shown.
void RegisterPopupMenu(TodCustomPopupMenu& menu);
void UnregisterPopupMenu(TodCustomPopupMenu& menu);
const std::vector<TodCustomPopupMenu*>& PopupMenus();
// Made with the first pop-up menu, gone with the last.
pf::TWinControl* PopupListWindow();

// The answer of a menu to a menu key (WM_MENUCHAR): MNC_EXECUTE with the index of the visible, enabled item of the
// sub-menu whose accelerator is key (without regard to case), else MNC_IGNORE.
pf::LRESULT MenuCharAnswer(const pf::TMenu& menu, uintptr_t subMenuHandle, char key);

}  // namespace components
