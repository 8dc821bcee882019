// Menus: TMenuItem (an entry with its sub-items), TMenu with its two kinds, TMainMenu (the bar of a form) and
// TPopupMenu (shown at a point, or on a right click over a control that names it), and shortcuts with their German
// key names.
//   - A main menu becomes its form's menu bar when the form's Menu is set to it.
//   - Shortcuts are the form's, not the window system's: a key goes first to the form's main menu, then to the pop-up
//     menus of the focused control and its parents; the first visible and enabled item (in menu order, not below a
//     hidden or disabled one) that carries the key is clicked and the key goes no further. Items show their shortcut
//     text (ShortCutToText) beside their caption.
//   - While an item is highlighted, Application().Hint is its long hint.
//   - Automatic hot keys and line reduction (each on by default for a menu): RethinkHotkeys gives every visible item
//     without an accelerator the first letter or digit of its caption that no other item of its sub-menu uses;
//     RethinkLines hides the separators that would stand first, last or next to another separator among the
//     visible items of a sub-menu, and shows those it hid again once they separate items.
//   - The menu's window hears what happens: WM_INITMENU when a menu starts showing (WParam: the menu's Handle),
//     WM_INITMENUPOPUP for every sub-menu about to show (WParam: the Handle of the item whose sub-menu it is, LParam:
//     that item's index), WM_MENUSELECT when an item is highlighted (WParam: MAKEWPARAM(Command, or the index of an
//     item with sub-items, MF_* flags), LParam: the Handle of the item that holds it; 0xFFFF flags and LParam 0
//     when the menu closes) and WM_EXITMENULOOP when the last menu has closed. A main menu's window is its form; a
//     pop-up menu's is the first form among its owners (none: the messages go nowhere).
//   - Owner drawing: a menu with a MeasureItemHandler and a DrawItemHandler measures and paints the items of its
//     drop-down and pop-up menus itself (the top-level items of a menu bar stay the window system's). A handler that
//     answers false leaves the item to the framework: with OwnerDraw set an item's own OnMeasureItem, OnDrawItem and
//     OnAdvancedDrawItem run, otherwise the item is measured and drawn normally. The system adds the check-mark
//     width (GetSystemMetrics(SM_CXMENUCHECK)) to every measured width, as owner-drawn menus expect, and draws the
//     arrow of an owner-drawn item that opens a sub-menu over the item's right end.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/core/exceptions.h"
#include "platform/graphics/bitmap.h"
#include "platform/graphics/imagelist.h"
#include "platform/ui/controls.h"

namespace pf {

// ---- Shortcuts: a virtual-key code in the low byte and modifier bits above it.
using TShortCut = uint16_t;
constexpr TShortCut scShift = 0x2000;
constexpr TShortCut scCtrl = 0x4000;
constexpr TShortCut scAlt = 0x8000;
constexpr TShortCut scNone = 0;

TShortCut ShortCut(uint16_t key, TShiftState shift);
void ShortCutToKey(TShortCut shortCut, uint16_t& key, TShiftState& shift);
// "Strg+Umsch+F2", "Strg+Entf", "Alt+Bild ab"; the empty text for scNone or a key without a name.
std::string ShortCutToText(TShortCut shortCut);
// The inverse (modifiers and key names without regard to case, the English names "Ctrl", "Shift", "Del", ... too);
// scNone for a text it cannot read.
TShortCut TextToShortCut(const std::string& text);

// WM_MENUSELECT flags and the states handed to owner drawing.
enum : uint32_t {
  MF_GRAYED = 0x0001,
  MF_DISABLED = 0x0002,
  MF_CHECKED = 0x0008,
  MF_POPUP = 0x0010,
  MF_SEPARATOR = 0x0800,
  MF_HILITE = 0x0080,
};
constexpr uintptr_t MAKEWPARAM(uint16_t low, uint16_t high) { return low | (uintptr_t{high} << 16); }
enum TOwnerDrawStateFlag : uint32_t {
  odSelected = 0x0001,
  odGrayed = 0x0002,
  odDisabled = 0x0004,
  odChecked = 0x0008,
  odFocused = 0x0010,
  odDefault = 0x0020,
};
using TOwnerDrawState = uint32_t;

enum TFindItemKind { fkCommand, fkHandle, fkShortCut };
enum TMenuAutoFlag { maAutomatic, maManual };
enum TPopupAlignment { paLeft, paRight, paCenter };

class TMenu;
class TMainMenu;
class TPopupMenu;

using TMenuMeasureItemEvent = std::function<void(TObject* Sender, TCanvas& ACanvas, int32_t& Width, int32_t& Height)>;
using TMenuDrawItemEvent = std::function<void(TObject* Sender, TCanvas& ACanvas, const TRect& ARect, bool Selected)>;
using TAdvancedMenuDrawItemEvent =
    std::function<void(TObject* Sender, TCanvas& ACanvas, const TRect& ARect, TOwnerDrawState State)>;

class TMenuItem : public TComponent {
 public:
  explicit TMenuItem(TComponent* owner);
  // Leaves its parent item and frees its sub-items.
  ~TMenuItem() override;
  std::string ClassName() const override { return "TMenuItem"; }

  // "&" marks the accelerator ("&&" is a plain "&"); "-" makes a separator.
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& value);
  bool IsLine() const { return caption_ == "-"; }
  TShortCut ShortCut() const { return shortCut_; }
  void SetShortCut(TShortCut value);
  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& value) { hint_ = value; }
  // Checking a RadioItem unchecks the radio items of the same GroupIndex among its siblings.
  bool Checked() const { return checked_; }
  void SetChecked(bool value);
  bool RadioItem() const { return radioItem_; }
  void SetRadioItem(bool value);
  uint8_t GroupIndex() const { return groupIndex_; }
  void SetGroupIndex(uint8_t value);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value);
  bool Visible() const { return visible_; }
  void SetVisible(bool value);
  // The default item of its menu is shown in bold.
  bool Default() const { return default_; }
  void SetDefault(bool value);
  // The glyph: ImageIndex into the menu's Images when that holds it, else Bitmap (its bottom-left colour is
  // transparent) when not empty.
  TBitmap& Bitmap();
  int ImageIndex() const { return imageIndex_; }
  void SetImageIndex(int value);

  // ---- Sub-items. Insert and Add take ownership; an item that has a parent raises EMenuError "Menu inserted
  // twice". An index outside the list raises EMenuError "Menu index out of range".
  int Count() const { return static_cast<int>(items_.size()); }
  TMenuItem* Items(int index) const;
  TMenuItem* Parent() const { return parent_; }
  void Insert(int index, TMenuItem* item);
  void Add(TMenuItem* item) { Insert(Count(), item); }
  // Removes the item from the list without freeing it (the caller owns it then).
  void Remove(TMenuItem* item);
  // Frees the sub-item at index.
  void Delete(int index);
  // Frees every sub-item.
  void Clear();
  int IndexOf(const TMenuItem* item) const;
  // The index among the parent's items (-1 without a parent); setting it moves the item there.
  int MenuIndex() const { return parent_ != nullptr ? parent_->IndexOf(this) : -1; }
  void SetMenuIndex(int value);
  // The sub-item with that caption (accelerator marks ignored, without regard to case), or nullptr.
  TMenuItem* Find(const std::string& caption) const;
  // The menu this item belongs to (through its parents), or nullptr.
  TMenu* GetParentMenu() const;

  // The item's command number (unique while the item lives) and the handle of its sub-menu (its own number).
  uint16_t Command() const { return command_; }
  uintptr_t Handle() const { return command_; }

  // Raises OnClick when the item is enabled.
  virtual void Click();

  // The sub-items and theirs get automatic hot keys and lose redundant separators (see the file comment), unless
  // the menu's AutoHotkeys or AutoLineReduction is maManual; true when an item changed.
  bool RethinkHotkeys();
  bool RethinkLines();

  // Something about the item changed that the window system shows; rebuild: its sub-items changed.
  virtual void MenuChanged(bool rebuild);

  TNotifyEvent OnClick;
  TMenuMeasureItemEvent OnMeasureItem;
  TMenuDrawItemEvent OnDrawItem;
  TAdvancedMenuDrawItemEvent OnAdvancedDrawItem;

  // For the implementation.
  struct Impl;
  struct ImplDeleter {
    void operator()(Impl* impl) const;
  };
  Impl& Native() const { return *impl_; }

 private:
  friend class TMenu;
  void SetMenu(TMenu* menu) { menu_ = menu; }
  void UncheckRadioSiblings();
  bool AutoFlagSet(TMenuAutoFlag (TMenu::*flag)() const) const;

  std::unique_ptr<Impl, ImplDeleter> impl_;
  TMenu* menu_ = nullptr;  // set on the root item of a menu
  TMenuItem* parent_ = nullptr;
  std::vector<TMenuItem*> items_;
  std::string caption_;
  TShortCut shortCut_ = scNone;
  std::string hint_;
  bool checked_ = false;
  bool radioItem_ = false;
  uint8_t groupIndex_ = 0;
  bool enabled_ = true;
  bool visible_ = true;
  bool lineReduced_ = false;  // a separator that RethinkLines hid
  bool default_ = false;
  std::unique_ptr<TBitmap> bitmap_;
  int imageIndex_ = -1;
  uint16_t command_ = 0;
};

// Measures an item: Width and Height come in as the framework's own size and go out as the item's; true when done.
using TMenuMeasureHandler = std::function<bool(TMenuItem& Item, TCanvas& Canvas, int32_t& Width, int32_t& Height)>;
// Paints an item into Rect of Canvas (the whole menu window's canvas); true when done.
using TMenuDrawHandler =
    std::function<bool(TMenuItem& Item, TCanvas& Canvas, const TRect& Rect, TOwnerDrawState State)>;

class TMenu : public TComponent {
 public:
  explicit TMenu(TComponent* owner);
  ~TMenu() override;
  std::string ClassName() const override { return "TMenu"; }

  // The root item: its sub-items are the menu's items.
  TMenuItem& Items() const { return *items_; }
  // The item with that command number, sub-menu handle or shortcut (the first in menu order), or nullptr.
  TMenuItem* FindItem(uintptr_t value, TFindItemKind kind) const;
  // Clicks the first visible, enabled item that carries the shortcut of key and shift (see the file comment);
  // true when one was clicked.
  bool IsShortCut(uint16_t key, TShiftState shift);
  // The handle of the menu as a whole (WParam of WM_INITMENU).
  uintptr_t Handle() const { return items_->Handle(); }
  // The control that hears the menu's messages (see the file comment), or nullptr.
  virtual TWinControl* WindowHandle() const;

  bool OwnerDraw() const { return ownerDraw_; }
  void SetOwnerDraw(bool value);
  TMenuAutoFlag AutoHotkeys() const { return autoHotkeys_; }
  void SetAutoHotkeys(TMenuAutoFlag value) { autoHotkeys_ = value; }
  TMenuAutoFlag AutoLineReduction() const { return autoLineReduction_; }
  void SetAutoLineReduction(TMenuAutoFlag value) { autoLineReduction_ = value; }
  TImageList* Images() const { return images_; }
  void SetImages(TImageList* value);
  TMenuMeasureHandler MeasureItemHandler;
  TMenuDrawHandler DrawItemHandler;

  // Something in the menu changed (item: the item, nullptr: the whole menu).
  virtual void MenuChanged(TMenuItem* item);

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  std::unique_ptr<TMenuItem> items_;
  bool ownerDraw_ = false;
  TMenuAutoFlag autoHotkeys_ = maAutomatic;
  TMenuAutoFlag autoLineReduction_ = maAutomatic;
  TImageList* images_ = nullptr;
};

class TMainMenu : public TMenu {
 public:
  explicit TMainMenu(TComponent* owner);
  ~TMainMenu() override;
  std::string ClassName() const override { return "TMainMenu"; }
  // The form whose menu bar this is, or nullptr.
  TCustomForm* Form() const;
  TWinControl* WindowHandle() const override;

 protected:
  void Notification(TComponent* component, TOperation operation) override;
};

class TPopupMenu : public TMenu {
 public:
  explicit TPopupMenu(TComponent* owner);
  ~TPopupMenu() override;
  std::string ClassName() const override { return "TPopupMenu"; }

  // Raises OnPopup, then shows the menu with its top-left corner (or, by Alignment, its top-right corner or the
  // middle of its top) at the screen point, and returns when it has closed; a chosen item is clicked before that.
  virtual void Popup(int32_t x, int32_t y);
  TPopupAlignment Alignment() const { return alignment_; }
  void SetAlignment(TPopupAlignment value) { alignment_ = value; }
  // Shown by a right click over a control whose PopupMenu it is (the control becomes PopupComponent).
  bool AutoPopup = true;
  TComponent* PopupComponent() const { return popupComponent_; }
  void SetPopupComponent(TComponent* value);
  TNotifyEvent OnPopup;

 protected:
  void Notification(TComponent* component, TOperation operation) override;
  // Shows the menu as Popup does, without OnPopup.
  void ShowAt(int32_t x, int32_t y);

 private:
  TPopupAlignment alignment_ = paLeft;
  TComponent* popupComponent_ = nullptr;
};

PF_DECLARE_EXCEPTION(EMenuError, Exception)

}  // namespace pf
