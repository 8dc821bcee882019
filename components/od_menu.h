// Owner-drawn menus: the settings that a menu shares with its items (TodMenuData with its banner and background),
// the items (TodMenuItem) and the values they take from their parents, the menus (TodMenu for a form's menu bar,
// TodPopupMenu, TodPopupDynamicMenu), TodMenuAction, captions as lines (TCaptionStrings, TMenuStrings) and colour
// gradients (TGradient). The items of drop-down and pop-up menus are measured and painted by od_menu_draw.h; the
// messages that carry measuring and painting reach it through the hooks of od_menu_hook.h.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/core/classes.h"
#include "platform/graphics/graphic.h"
#include "platform/ui/menus.h"

namespace components {

enum TodmStyle { odmNormal, odmWin95, odmWin97 };
enum TodmOption : uint32_t {
  odmCustomFont = 0x01,
  odmBanner = 0x02,
  odmBackground = 0x04,
  odmMultiLine = 0x08,
  odmUseTagAsImageIndex = 0x10,
};
using TodmOptions = uint32_t;
enum TodmSelectionStyle { odmNormSel, odmNoSel, odmRaisedSel, odmInsetSel };
enum T3DEffect { od3Normal, od3Flat, od3Raised, od3Inset, od3Ridged, od3Grooved, od3Shadow, od3None, od3Disabled };
enum TodmBackStyle { odmSolid, odmPictureClip, odmPictureStretch, odmPicturePattern, odmHorzGradient, odmVertGradient };

// What changed in a menu's or an item's settings, passed down to the items.
enum TodmChange { odcAll = 0, odcFont = 1, odcFont3D = 2, odcBanner = 3, odcBackground = 4, odcColor = 5 };

// ---- Colour gradients: Colors bands from BeginColor to EndColor, per channel
// band i = begin - (begin - end) * i / Colors (truncated).
class TGradient : public pf::TPersistent {
 public:
  static constexpr int kDefaultColors = 128;
  std::string ClassName() const override { return "TGradient"; }
  void Assign(const pf::TPersistent& source) override;

  pf::TColor BeginColor = pf::clBlack;
  pf::TColor EndColor = pf::clWhite;
  int Colors = kDefaultColors;  // values below 1 count as 1
  bool Vertical = false;        // bands run from top to bottom instead of from left to right
  bool Reverse = false;         // the last band comes first

  // The colour of band index; pf::EListError "Index out of range" outside 0..Colors-1.
  pf::TColor Band(int index) const;
  // Covers r with the bands, each one band-width + 1 wide.
  void Draw(pf::TCanvas& canvas, const pf::TRect& r) const;
};

// ---- Background of a sub-menu and banner strip. Both tell OnChange about every change.
class TodMenuBack : public pf::TPersistent {
 public:
  TodMenuBack();
  std::string ClassName() const override { return "TodMenuBack"; }
  void Assign(const pf::TPersistent& source) override;

  TodmBackStyle Style() const { return style_; }
  void SetStyle(TodmBackStyle value);
  pf::TPicture& Picture() { return picture_; }
  const pf::TPicture& Picture() const { return picture_; }
  // The end colour of a gradient (it starts with the sub-menu's colour).
  pf::TColor Gradient() const { return gradient_; }
  void SetGradient(pf::TColor value);

  std::function<void()> OnChange;

 protected:
  void Changed() const {
    if (OnChange) OnChange();
  }

 private:
  TodmBackStyle style_ = odmSolid;
  pf::TPicture picture_;
  pf::TColor gradient_ = pf::clWhite;
};

// A strip along the left edge (Vertical) or the top of a sub-menu, with a caption.
class TodBanner : public TodMenuBack {
 public:
  static constexpr uint16_t kDefaultWidth = 17;
  TodBanner();
  std::string ClassName() const override { return "TodBanner"; }
  void Assign(const pf::TPersistent& source) override;

  pf::TFont& Font() { return font_; }
  const pf::TFont& Font() const { return font_; }
  pf::TColor Color() const { return color_; }
  void SetColor(pf::TColor value);
  T3DEffect Font3D() const { return font3D_; }
  void SetFont3D(T3DEffect value);
  uint16_t Width() const { return width_; }
  void SetWidth(uint16_t value);
  bool Vertical() const { return vertical_; }
  void SetVertical(bool value);
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& value);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value);
  // The strip is at least as thick as its caption's line (plus 4 pixels).
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool value);

 private:
  pf::TFont font_;
  pf::TColor color_ = 0x808080;
  T3DEffect font3D_ = od3Normal;
  uint16_t width_ = kDefaultWidth;
  bool vertical_ = false;
  std::string caption_;
  bool enabled_ = true;
  bool autoSize_ = true;
};

// ---- A caption seen as lines: the pieces between "||". Writing joins the lines with "||" (the line break after the
// last line is dropped), stores the caption and raises OnChange.
class TCaptionStrings : public pf::TStrings {
 public:
  TCaptionStrings(std::function<std::string()> getCaption, std::function<void(const std::string&)> setCaption);
  int Count() const override;
  const std::string& Get(int index) const override;
  void Put(int index, std::string s) override;
  void* GetObject(int index) const override { return nullptr; }
  void PutObject(int index, void* object) override {}
  void Insert(int index, std::string s) override;
  void Delete(int index) override;
  void Clear() override;

  std::function<void()> OnChange;

 protected:
  void SetLines(std::vector<std::string> lines) override;

 private:
  const std::vector<std::string>& Read() const;
  void Write(const std::vector<std::string>& lines);
  std::function<std::string()> getCaption_;
  std::function<void(const std::string&)> setCaption_;
  mutable std::vector<std::string> lines_;  // the last lines read
};

// The caption of an item as lines.
class TMenuStrings : public TCaptionStrings {
 public:
  explicit TMenuStrings(pf::TMenuItem& item);
};

// The font that menus use by default: the menu font that the desktop names (face, size, italic, underline,
// strike-out, bold), or where its theme names none the stock system font (the layer's default face at 8 points);
// either in the menu text colour.
void AssignSystemMenuFont(pf::TFont& font);

// ---- The settings a menu shares with its items.
class TodMenuData : public pf::TPersistent {
 public:
  explicit TodMenuData(pf::TMenu* menu);
  std::string ClassName() const override { return "TodMenuData"; }

  pf::TMenu* Menu() const { return menu_; }
  // Starts as the system menu font; any change of it ends that.
  pf::TFont& Font() { return font_; }
  const pf::TFont& Font() const { return font_; }
  bool SystemFont() const { return systemFont_; }
  T3DEffect Font3D() const { return font3D_; }
  void SetFont3D(T3DEffect value);
  pf::TColor Color() const { return color_; }
  void SetColor(pf::TColor value);
  TodBanner& Banner() { return banner_; }
  const TodBanner& Banner() const { return banner_; }
  TodMenuBack& Background() { return background_; }
  const TodMenuBack& Background() const { return background_; }
  TodmStyle Style() const { return style_; }
  void SetStyle(TodmStyle value);
  TodmOptions Options() const { return options_; }
  void SetOptions(TodmOptions value);
  TodmSelectionStyle SelectionStyle() const { return selectionStyle_; }
  void SetSelectionStyle(TodmSelectionStyle value);
  // Items with their own measuring and drawing events leave them to those events.
  bool OwnerDraw() const { return ownerDraw_; }
  void SetOwnerDraw(bool value);

  // Every change, with its code.
  std::function<void(TodmChange)> OnChange;

 private:
  template <class T>
  void Change(T& field, T value, TodmChange code) {
    if (field == value) return;
    field = value;
    Changed(code);
  }
  void Changed(TodmChange code);
  void PartChanged(TodmOption option, TodmChange code);

  pf::TMenu* menu_;
  pf::TFont font_;
  T3DEffect font3D_ = od3Normal;
  pf::TColor color_ = pf::clMenu;
  TodBanner banner_;
  TodMenuBack background_;
  bool systemFont_ = true;
  bool applyingSystemFont_ = false;
  TodmStyle style_ = odmWin95;
  TodmOptions options_ = odmMultiLine;
  TodmSelectionStyle selectionStyle_ = odmNormSel;
  bool ownerDraw_ = false;
};

class TodCustomPopupMenu;
class TodMenuAction;
class TMenuFormSubclass;

// ---- An item of an owner-drawn menu.
class TodMenuItem : public pf::TMenuItem {
 public:
  explicit TodMenuItem(pf::TComponent* owner);
  ~TodMenuItem() override;
  std::string ClassName() const override { return "TodMenuItem"; }

  // Values of the item and of its sub-menu. Setting one (also through the owned objects) clears its Parent flag;
  // with the flag set the value follows the parent item's sub-menu value, or the menu's for a top-level item.
  T3DEffect Font3D() const { return font3D_; }
  void SetFont3D(T3DEffect value);
  T3DEffect SubMenuFont3D() const { return subMenuFont3D_; }
  void SetSubMenuFont3D(T3DEffect value);
  pf::TFont& Font() { return font_; }
  const pf::TFont& Font() const { return font_; }
  pf::TFont& SubMenuFont() { return subMenuFont_; }
  const pf::TFont& SubMenuFont() const { return subMenuFont_; }
  pf::TColor SubMenuColor() const { return subMenuColor_; }
  void SetSubMenuColor(pf::TColor value);
  TodMenuBack& SubMenuBackground() { return subMenuBackground_; }
  const TodMenuBack& SubMenuBackground() const { return subMenuBackground_; }
  TodBanner& SubMenuBanner() { return subMenuBanner_; }
  const TodBanner& SubMenuBanner() const { return subMenuBanner_; }

  enum ParentValue {
    pvFont,
    pvFont3D,
    pvSubMenuFont,
    pvSubMenuFont3D,
    pvSubMenuBackground,
    pvSubMenuBanner,
    pvSubMenuColor,
    pvCount
  };
  bool ParentFlag(ParentValue value) const { return (parentFlags_ & (1u << value)) != 0; }
  // Setting a flag takes the parent's value at once.
  void SetParentFlag(ParentValue value, bool on);
  bool ParentFont() const { return ParentFlag(pvFont); }
  bool ParentFont3D() const { return ParentFlag(pvFont3D); }
  bool ParentSubMenuFont() const { return ParentFlag(pvSubMenuFont); }
  bool ParentSubMenuFont3D() const { return ParentFlag(pvSubMenuFont3D); }
  bool ParentSubMenuBackground() const { return ParentFlag(pvSubMenuBackground); }
  bool ParentSubMenuBanner() const { return ParentFlag(pvSubMenuBanner); }
  bool ParentSubMenuColor() const { return ParentFlag(pvSubMenuColor); }

  // The caption as lines.
  TMenuStrings& Lines() { return lines_; }
  // Fills the item but a one-pixel ring, over background and selection; clDefault: no fill.
  pf::TColor Color() const { return color_; }
  void SetColor(pf::TColor value);

  // A pop-up menu whose items this item shows as its sub-menu, copied afresh each time it opens.
  TodCustomPopupMenu* SubMenu() const { return subMenu_; }
  void SetSubMenu(TodCustomPopupMenu* value);
  // An action whose pop-up menu becomes the sub-menu.
  TodMenuAction* Action() const { return action_; }
  void SetAction(TodMenuAction* value);
  // The items made from SubMenu last time.
  const std::vector<pf::TMenuItem*>& CreatedItems() const { return created_; }

  // Takes the values of the items above for every flag that is set (code: which ones) and passes the code on to
  // the sub-items.
  void ParentChanged(TodmChange code);
  // Copies every setting of source except its name (for a TodMenuItem also its own values), and its sub-items.
  void AssignItem(const pf::TMenuItem& source);
  void Loaded() override;
  // Opens the sub-menu afresh (SubMenu) before the click event.
  void Click() override;

 protected:
  void MenuChanged(bool rebuild) override;
  void Notification(pf::TComponent* component, pf::TOperation operation) override;

 private:
  // A value of the item itself changed: its Parent flag is cleared (unless the parent's value is being taken) and
  // the sub-items hear code.
  void OwnValueChanged(ParentValue value, TodmChange code);
  void RebuildSubMenu();
  void FreeCreatedItems();

  T3DEffect font3D_ = od3Normal;
  T3DEffect subMenuFont3D_ = od3Normal;
  pf::TFont font_;
  pf::TFont subMenuFont_;
  pf::TColor subMenuColor_ = pf::clMenu;
  TodMenuBack subMenuBackground_;
  TodBanner subMenuBanner_;
  uint32_t parentFlags_ = (1u << pvCount) - 1;
  bool takingParentValues_ = false;
  TMenuStrings lines_;
  pf::TColor color_ = pf::clDefault;
  TodCustomPopupMenu* subMenu_ = nullptr;
  TodMenuAction* action_ = nullptr;
  TodMenuItem* placeholder_ = nullptr;  // the invisible sub-item that makes an item with SubMenu open a sub-menu
  std::vector<pf::TMenuItem*> created_;
};

// ---- The settings as properties of the menus, forwarded to their TodMenuData; setting one rebuilds the menu.
class TodMenuProperties {
 public:
  virtual ~TodMenuProperties();
  TodMenuData& Data() { return *data_; }
  const TodMenuData& Data() const { return *data_; }

  pf::TFont& Font() { return data_->Font(); }
  void SetFont(const pf::TFont& value) { data_->Font().Assign(value); }
  TodmStyle Style() const { return data_->Style(); }
  void SetStyle(TodmStyle value) { data_->SetStyle(value); }
  TodmOptions Options() const { return data_->Options(); }
  void SetOptions(TodmOptions value) { data_->SetOptions(value); }
  pf::TColor Color() const { return data_->Color(); }
  void SetColor(pf::TColor value) { data_->SetColor(value); }
  TodBanner& Banner() { return data_->Banner(); }
  void SetBanner(const TodBanner& value) { data_->Banner().Assign(value); }
  // The banner's caption.
  const std::string& Caption() const { return data_->Banner().Caption(); }
  void SetCaption(const std::string& value) { data_->Banner().SetCaption(value); }
  T3DEffect Font3D() const { return data_->Font3D(); }
  void SetFont3D(T3DEffect value) { data_->SetFont3D(value); }
  TodMenuBack& Background() { return data_->Background(); }
  void SetBackground(const TodMenuBack& value) { data_->Background().Assign(value); }
  TodmSelectionStyle SelectionStyle() const { return data_->SelectionStyle(); }
  void SetSelectionStyle(TodmSelectionStyle value) { data_->SetSelectionStyle(value); }
  bool OwnerDraw() const { return data_->OwnerDraw(); }
  void SetOwnerDraw(bool value) { data_->SetOwnerDraw(value); }
  pf::TImageList* ImageList() const { return menu_.Images(); }
  void SetImageList(pf::TImageList* value) { menu_.SetImages(value); }

  // Measuring and painting follow Style: with odmNormal the window system draws the items, otherwise the window
  // that hears the menu's messages gets WM_MEASUREITEM and WM_DRAWITEM for them. Nothing happens when the menu is
  // already in that state.
  void ApplyOwnerDrawSwitch();
  // Resets the banner, applies the switch (odmWin97: off and on again, so that every item is made anew) and shows
  // the items anew.
  void RebuildMenu();

 protected:
  explicit TodMenuProperties(pf::TMenu& menu);
  // The menu's items changed: top-level items that came in take the menu's values that they follow.
  void ItemsChanged(const pf::TMenuItem* item);

 private:
  void DataChanged(TodmChange code);
  void PassChange(TodmChange code);
  void SetOwnerDrawn(bool on);
  pf::TMenu& menu_;
  std::unique_ptr<TodMenuData> data_;
  bool ownerDrawn_ = false;
};

// The settings of the menu an item belongs to; nullptr for a menu that is not owner-drawn by this module.
TodMenuProperties* MenuPropertiesOf(const pf::TMenuItem& item);

// ---- A form's owner-drawn menu bar. It joins the form's menu hook (created with the first menu of the form).
class TodMenu : public pf::TMainMenu, public TodMenuProperties {
 public:
  explicit TodMenu(pf::TComponent* owner);
  ~TodMenu() override;
  std::string ClassName() const override { return "TodMenu"; }
  using TodMenuProperties::OwnerDraw;
  using TodMenuProperties::SetOwnerDraw;
  void MenuChanged(pf::TMenuItem* item) override;
  void Loaded() override;

 private:
  TMenuFormSubclass* subclass_ = nullptr;  // the hook of the owner form
};

// ---- Pop-up menus. While it is shown its messages go to the module's hidden pop-up window.
class TodCustomPopupMenu : public pf::TPopupMenu, public TodMenuProperties {
 public:
  explicit TodCustomPopupMenu(pf::TComponent* owner);
  ~TodCustomPopupMenu() override;
  std::string ClassName() const override { return "TodCustomPopupMenu"; }
  using TodMenuProperties::OwnerDraw;
  using TodMenuProperties::SetOwnerDraw;

  // OnPopup; the items get automatic hot keys and lose redundant separators, the first item is shown anew, the
  // banner is reset, and the menu shows at the screen point as given.
  void Popup(int32_t x, int32_t y) override;
  pf::TWinControl* WindowHandle() const override;
  void MenuChanged(pf::TMenuItem* item) override;
  // Before its items are copied into an item's sub-menu (a dynamic menu fills them here).
  virtual void PrepareItems() {}

 protected:
  // Shows the menu (the window system's tracking), without OnPopup.
  virtual void TrackPopup(int32_t x, int32_t y);
};

class TodPopupMenu : public TodCustomPopupMenu {
 public:
  using TodCustomPopupMenu::TodCustomPopupMenu;
  std::string ClassName() const override { return "TodPopupMenu"; }
};

// A pop-up menu that fills its items through OnFill before they are shown as a sub-menu.
class TodPopupDynamicMenu : public TodPopupMenu {
 public:
  using TodPopupMenu::TodPopupMenu;
  std::string ClassName() const override { return "TodPopupDynamicMenu"; }
  void PrepareItems() override {
    if (OnFill) OnFill(this);
  }
  pf::TNotifyEvent OnFill;
};

// ---- An action that pops its menu up at the mouse position. The menu's going clears the reference.
class TodMenuAction : public pf::TComponent {
 public:
  explicit TodMenuAction(pf::TComponent* owner) : pf::TComponent(owner) {}
  ~TodMenuAction() override;
  std::string ClassName() const override { return "TodMenuAction"; }
  TodCustomPopupMenu* PopupMenu() const { return popupMenu_; }
  void SetPopupMenu(TodCustomPopupMenu* value);
  // OnExecute, then the pop-up menu at the mouse position; true.
  bool Execute();
  pf::TNotifyEvent OnExecute;

 protected:
  void Notification(pf::TComponent* component, pf::TOperation operation) override;

 private:
  TodCustomPopupMenu* popupMenu_ = nullptr;
};

}  // namespace components
