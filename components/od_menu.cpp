// The owner-drawn menu model: gradients, backgrounds and banners, caption lines, the shared settings, the items
// with their inherited values, and the menus.
#include "components/od_menu.h"

#include <algorithm>

#include "components/od_menu_draw.h"
#include "components/od_menu_hook.h"
#include "components/sb_common.h"
#include "platform/core/exceptions.h"
#include "platform/graphics/fonts.h"

namespace components {

namespace {

// Stores value in field and calls changed when it differs.
template <class T, class F>
void SetAndNotify(T& field, const T& value, F changed) {
  if (field == value) return;
  field = value;
  changed();
}

}  // namespace

// ---- TGradient

void TGradient::Assign(const pf::TPersistent& source) {
  if (const auto* g = dynamic_cast<const TGradient*>(&source)) {
    BeginColor = g->BeginColor;
    EndColor = g->EndColor;
    Colors = g->Colors;
    Vertical = g->Vertical;
    Reverse = g->Reverse;
    return;
  }
  pf::TPersistent::Assign(source);
}

pf::TColor TGradient::Band(int index) const {
  const int count = std::max(Colors, 1);
  if (index < 0 || index >= count) throw pf::EListError("Index out of range");
  uint8_t b[3], e[3];
  sbSplitColor(BeginColor, b[0], b[1], b[2]);
  sbSplitColor(EndColor, e[0], e[1], e[2]);
  uint8_t c[3];
  for (int i = 0; i < 3; ++i) c[i] = static_cast<uint8_t>(b[i] - (b[i] - e[i]) * index / count);
  return pf::RGB(c[0], c[1], c[2]);
}

void TGradient::Draw(pf::TCanvas& canvas, const pf::TRect& r) const {
  const int count = std::max(Colors, 1);
  const int32_t extent = Vertical ? r.Height() : r.Width();
  const int32_t bandWidth = extent / count;
  for (int i = 0; i < count; ++i) {
    const auto start = static_cast<int32_t>(int64_t{extent} * i / count);
    pf::TRect band = Vertical ? pf::Rect(r.Left, r.Top + start, r.Right, r.Top + start + bandWidth + 1)
                              : pf::Rect(r.Left + start, r.Top, r.Left + start + bandWidth + 1, r.Bottom);
    pf::IntersectRect(band, band, r);
    canvas.Brush().SetColor(Band(Reverse ? count - 1 - i : i));
    canvas.FillRect(band);
  }
}

// ---- Backgrounds and banners

TodMenuBack::TodMenuBack() {
  picture_.OnChange = [this](pf::TPersistent&) { Changed(); };
}

void TodMenuBack::Assign(const pf::TPersistent& source) {
  if (const auto* b = dynamic_cast<const TodMenuBack*>(&source)) {
    style_ = b->style_;
    gradient_ = b->gradient_;
    picture_.Assign(b->picture_);
    Changed();
    return;
  }
  pf::TPersistent::Assign(source);
}

void TodMenuBack::SetStyle(TodmBackStyle value) {
  SetAndNotify(style_, value, [this] { Changed(); });
}

void TodMenuBack::SetGradient(pf::TColor value) {
  SetAndNotify(gradient_, value, [this] { Changed(); });
}

TodBanner::TodBanner() {
  font_.SetName("Arial");
  font_.SetSize(8);
  font_.SetColor(pf::clWhite);
  font_.OnChange = [this](pf::TFont&) { Changed(); };
}

void TodBanner::Assign(const pf::TPersistent& source) {
  if (const auto* b = dynamic_cast<const TodBanner*>(&source)) {
    color_ = b->color_;
    font3D_ = b->font3D_;
    width_ = b->width_;
    vertical_ = b->vertical_;
    caption_ = b->caption_;
    enabled_ = b->enabled_;
    autoSize_ = b->autoSize_;
    font_.Assign(b->font_);
  }
  TodMenuBack::Assign(source);
}

void TodBanner::SetColor(pf::TColor value) {
  SetAndNotify(color_, value, [this] { Changed(); });
}
void TodBanner::SetFont3D(T3DEffect value) {
  SetAndNotify(font3D_, value, [this] { Changed(); });
}
void TodBanner::SetWidth(uint16_t value) {
  SetAndNotify(width_, value, [this] { Changed(); });
}
void TodBanner::SetVertical(bool value) {
  SetAndNotify(vertical_, value, [this] { Changed(); });
}
void TodBanner::SetCaption(const std::string& value) {
  SetAndNotify(caption_, value, [this] { Changed(); });
}
void TodBanner::SetEnabled(bool value) {
  SetAndNotify(enabled_, value, [this] { Changed(); });
}
void TodBanner::SetAutoSize(bool value) {
  SetAndNotify(autoSize_, value, [this] { Changed(); });
}

// ---- Caption lines

TCaptionStrings::TCaptionStrings(std::function<std::string()> getCaption,
                                 std::function<void(const std::string&)> setCaption)
    : getCaption_(std::move(getCaption)), setCaption_(std::move(setCaption)) {}

const std::vector<std::string>& TCaptionStrings::Read() const {
  const std::string caption = getCaption_();
  const int count = sbCountTokens(caption, "||");
  lines_.clear();
  for (int i = 0; i < count; ++i) lines_.push_back(sbGetToken(caption, "||", i));
  return lines_;
}

void TCaptionStrings::Write(const std::vector<std::string>& lines) {
  std::string caption;
  for (size_t i = 0; i < lines.size(); ++i) caption += (i > 0 ? "||" : "") + lines[i];
  setCaption_(caption);
  if (OnChange) OnChange();
}

int TCaptionStrings::Count() const { return static_cast<int>(Read().size()); }

const std::string& TCaptionStrings::Get(int index) const {
  if (index < 0 || index >= Count()) IndexError(index);
  return lines_[static_cast<size_t>(index)];
}

void TCaptionStrings::Put(int index, std::string s) {
  std::vector<std::string> lines = Read();
  if (index < 0 || index >= static_cast<int>(lines.size())) IndexError(index);
  lines[static_cast<size_t>(index)] = std::move(s);
  Write(lines);
}

void TCaptionStrings::Insert(int index, std::string s) {
  std::vector<std::string> lines = Read();
  if (index < 0 || index > static_cast<int>(lines.size())) IndexError(index);
  lines.insert(lines.begin() + index, std::move(s));
  Write(lines);
}

void TCaptionStrings::Delete(int index) {
  std::vector<std::string> lines = Read();
  if (index < 0 || index >= static_cast<int>(lines.size())) IndexError(index);
  lines.erase(lines.begin() + index);
  Write(lines);
}

void TCaptionStrings::Clear() { Write({}); }

void TCaptionStrings::SetLines(std::vector<std::string> lines) { Write(lines); }

TMenuStrings::TMenuStrings(pf::TMenuItem& item)
    : TCaptionStrings([&item] { return item.Caption(); }, [&item](const std::string& c) { item.SetCaption(c); }) {}

// ---- The shared settings

void AssignSystemMenuFont(pf::TFont& font) {
  pf::TFont menuFont;
  if (!pf::GetMenuFont(menuFont)) menuFont.SetSize(8);
  menuFont.SetColor(pf::clMenuText);
  font.Assign(menuFont);
}

TodMenuData::TodMenuData(pf::TMenu* menu) : menu_(menu) {
  applyingSystemFont_ = true;
  AssignSystemMenuFont(font_);
  applyingSystemFont_ = false;
  font_.OnChange = [this](pf::TFont&) {
    if (!applyingSystemFont_) systemFont_ = false;
    PartChanged(odmCustomFont, odcFont);
  };
  banner_.OnChange = [this] { PartChanged(odmBanner, odcBanner); };
  background_.OnChange = [this] { PartChanged(odmBackground, odcBackground); };
}

void TodMenuData::Changed(TodmChange code) {
  if (OnChange) OnChange(code);
}

// A menu being designed switches on the option whose part was changed.
void TodMenuData::PartChanged(TodmOption option, TodmChange code) {
  if (menu_ != nullptr && (menu_->ComponentState() & pf::csDesigning) != 0) options_ |= option;
  Changed(code);
}

void TodMenuData::SetFont3D(T3DEffect value) { Change(font3D_, value, odcFont3D); }
void TodMenuData::SetColor(pf::TColor value) { Change(color_, value, odcColor); }
void TodMenuData::SetStyle(TodmStyle value) { Change(style_, value, odcAll); }
void TodMenuData::SetOptions(TodmOptions value) { Change(options_, value, odcAll); }
void TodMenuData::SetSelectionStyle(TodmSelectionStyle value) { Change(selectionStyle_, value, odcAll); }
void TodMenuData::SetOwnerDraw(bool value) { Change(ownerDraw_, value, odcAll); }

// ---- TodMenuItem

TodMenuItem::TodMenuItem(pf::TComponent* owner) : pf::TMenuItem(owner), lines_(*this) {
  font_.OnChange = [this](pf::TFont&) { OwnValueChanged(pvFont, odcFont); };
  subMenuFont_.OnChange = [this](pf::TFont&) { OwnValueChanged(pvSubMenuFont, odcFont); };
  subMenuBackground_.OnChange = [this] { OwnValueChanged(pvSubMenuBackground, odcBackground); };
  subMenuBanner_.OnChange = [this] { OwnValueChanged(pvSubMenuBanner, odcBanner); };
}

TodMenuItem::~TodMenuItem() {
  state_ |= pf::csDestroying;
  if (subMenu_ != nullptr) subMenu_->RemoveFreeNotification(this);
  if (action_ != nullptr) action_->RemoveFreeNotification(this);
}

void TodMenuItem::SetFont3D(T3DEffect value) {
  SetAndNotify(font3D_, value, [this] { OwnValueChanged(pvFont3D, odcFont3D); });
}
void TodMenuItem::SetSubMenuFont3D(T3DEffect value) {
  SetAndNotify(subMenuFont3D_, value, [this] { OwnValueChanged(pvSubMenuFont3D, odcFont3D); });
}
void TodMenuItem::SetSubMenuColor(pf::TColor value) {
  SetAndNotify(subMenuColor_, value, [this] { OwnValueChanged(pvSubMenuColor, odcColor); });
}
void TodMenuItem::SetColor(pf::TColor value) {
  SetAndNotify(color_, value, [this] { MenuChanged(false); });
}

void TodMenuItem::OwnValueChanged(ParentValue value, TodmChange code) {
  if (takingParentValues_) return;
  parentFlags_ &= ~(1u << value);
  ResetBannerFlag();
  for (int i = 0; i < Count(); ++i)
    if (auto* child = dynamic_cast<TodMenuItem*>(Items(i))) child->ParentChanged(code);
  if (pf::TMenu* menu = GetParentMenu()) menu->MenuChanged(nullptr);
}

void TodMenuItem::SetParentFlag(ParentValue value, bool on) {
  const uint32_t bit = 1u << value;
  if (((parentFlags_ & bit) != 0) == on) return;
  parentFlags_ ^= bit;
  if (!on) return;
  constexpr TodmChange kCodes[pvCount] = {odcFont, odcFont3D, odcFont, odcFont3D, odcBackground, odcBanner, odcColor};
  ParentChanged(kCodes[value]);
  ResetBannerFlag();
  if (pf::TMenu* menu = GetParentMenu()) menu->MenuChanged(nullptr);
}

void TodMenuItem::ParentChanged(TodmChange code) {
  auto* parentItem = dynamic_cast<TodMenuItem*>(Parent());
  TodMenuProperties* properties = parentItem == nullptr ? MenuPropertiesOf(*this) : nullptr;
  if (parentItem != nullptr || properties != nullptr) {
    takingParentValues_ = true;
    const auto wanted = [&](ParentValue value, TodmChange valueCode) {
      return ParentFlag(value) && (code == odcAll || code == valueCode);
    };
    const TodMenuData* data = properties != nullptr ? &properties->Data() : nullptr;
    const pf::TFont& font = parentItem != nullptr ? parentItem->subMenuFont_ : data->Font();
    const T3DEffect font3D = parentItem != nullptr ? parentItem->subMenuFont3D_ : data->Font3D();
    if (wanted(pvFont, odcFont)) font_.Assign(font);
    if (wanted(pvSubMenuFont, odcFont)) subMenuFont_.Assign(font);
    if (wanted(pvFont3D, odcFont3D)) font3D_ = font3D;
    if (wanted(pvSubMenuFont3D, odcFont3D)) subMenuFont3D_ = font3D;
    if (wanted(pvSubMenuBackground, odcBackground))
      subMenuBackground_.Assign(parentItem != nullptr ? parentItem->subMenuBackground_ : data->Background());
    if (wanted(pvSubMenuBanner, odcBanner))
      subMenuBanner_.Assign(parentItem != nullptr ? parentItem->subMenuBanner_ : data->Banner());
    if (wanted(pvSubMenuColor, odcColor))
      subMenuColor_ = parentItem != nullptr ? parentItem->subMenuColor_ : data->Color();
    takingParentValues_ = false;
  }
  for (int i = 0; i < Count(); ++i)
    if (auto* child = dynamic_cast<TodMenuItem*>(Items(i))) child->ParentChanged(code);
}

void TodMenuItem::Loaded() {
  pf::TMenuItem::Loaded();
  ParentChanged(odcAll);
}

void TodMenuItem::MenuChanged(bool rebuild) {
  if (Destroying()) return;
  ResetBannerFlag();
  // Sub-items that came in take the values of this item that they follow.
  if (rebuild)
    for (int i = 0; i < Count(); ++i)
      if (auto* child = dynamic_cast<TodMenuItem*>(Items(i))) child->ParentChanged(odcAll);
  pf::TMenuItem::MenuChanged(rebuild);
}

void TodMenuItem::SetSubMenu(TodCustomPopupMenu* value) {
  if (subMenu_ == value) return;
  if (subMenu_ != nullptr) subMenu_->RemoveFreeNotification(this);
  subMenu_ = value;
  if (value != nullptr) {
    value->FreeNotification(this);
    if (placeholder_ == nullptr) {
      placeholder_ = new TodMenuItem(nullptr);  // freed as a sub-item
      placeholder_->SetCaption("Hack");
      placeholder_->SetVisible(false);
      Add(placeholder_);
    }
    return;
  }
  FreeCreatedItems();
  delete placeholder_;
  placeholder_ = nullptr;
}

void TodMenuItem::SetAction(TodMenuAction* value) {
  if (action_ == value) return;
  if (action_ != nullptr) action_->RemoveFreeNotification(this);
  action_ = value;
  if (value != nullptr) {
    value->FreeNotification(this);
    SetSubMenu(value->PopupMenu());
  }
}

void TodMenuItem::Notification(pf::TComponent* component, pf::TOperation operation) {
  pf::TMenuItem::Notification(component, operation);
  if (operation != pf::opRemove) return;
  if (component == subMenu_) {
    subMenu_ = nullptr;
    FreeCreatedItems();
    delete placeholder_;
    placeholder_ = nullptr;
  }
  if (component == action_) action_ = nullptr;
}

void TodMenuItem::FreeCreatedItems() {
  std::vector<pf::TMenuItem*> items;
  items.swap(created_);
  for (pf::TMenuItem* item : items) delete item;
}

void TodMenuItem::RebuildSubMenu() {
  FreeCreatedItems();
  if (subMenu_ == nullptr) return;
  subMenu_->PrepareItems();
  const pf::TMenuItem& source = subMenu_->Items();
  for (int i = 0; i < source.Count(); ++i) {
    auto* copy = new TodMenuItem(nullptr);  // freed as a sub-item
    copy->AssignItem(*source.Items(i));
    Add(copy);
    created_.push_back(copy);
  }
}

void TodMenuItem::Click() {
  if (action_ != nullptr) SetSubMenu(action_->PopupMenu());
  if (subMenu_ != nullptr) RebuildSubMenu();
  pf::TMenuItem::Click();
}

void TodMenuItem::AssignItem(const pf::TMenuItem& source) {
  auto& from = const_cast<pf::TMenuItem&>(source);  // its bitmap is made on first use
  SetCaption(from.Caption());
  SetShortCut(from.ShortCut());
  SetHint(from.Hint());
  SetGroupIndex(from.GroupIndex());
  SetRadioItem(from.RadioItem());
  SetChecked(from.Checked());
  SetEnabled(from.Enabled());
  SetVisible(from.Visible());
  SetDefault(from.Default());
  SetImageIndex(from.ImageIndex());
  if (!from.Bitmap().Empty()) Bitmap().Assign(from.Bitmap());
  Tag = from.Tag;
  OnClick = from.OnClick;
  OnMeasureItem = from.OnMeasureItem;
  OnDrawItem = from.OnDrawItem;
  OnAdvancedDrawItem = from.OnAdvancedDrawItem;
  if (const auto* od = dynamic_cast<const TodMenuItem*>(&source)) {
    takingParentValues_ = true;  // the flags are copied as they are
    font3D_ = od->font3D_;
    subMenuFont3D_ = od->subMenuFont3D_;
    font_.Assign(od->font_);
    subMenuFont_.Assign(od->subMenuFont_);
    subMenuColor_ = od->subMenuColor_;
    subMenuBackground_.Assign(od->subMenuBackground_);
    subMenuBanner_.Assign(od->subMenuBanner_);
    takingParentValues_ = false;
    parentFlags_ = od->parentFlags_;
    color_ = od->color_;
    SetAction(od->action_);
    SetSubMenu(od->subMenu_);
  }
  for (int i = 0; i < source.Count(); ++i) {
    const pf::TMenuItem* child = source.Items(i);
    if (dynamic_cast<const TodMenuItem*>(&source) != nullptr &&
        child == static_cast<const TodMenuItem&>(source).placeholder_)
      continue;
    auto* copy = new TodMenuItem(nullptr);  // freed as a sub-item
    copy->AssignItem(*child);
    Add(copy);
  }
}

// ---- Menu properties

TodMenuProperties::TodMenuProperties(pf::TMenu& menu) : menu_(menu), data_(std::make_unique<TodMenuData>(&menu)) {
  data_->OnChange = [this](TodmChange code) { DataChanged(code); };
  ApplyOwnerDrawSwitch();
}

TodMenuProperties::~TodMenuProperties() {
  menu_.MeasureItemHandler = nullptr;
  menu_.DrawItemHandler = nullptr;
}

TodMenuProperties* MenuPropertiesOf(const pf::TMenuItem& item) {
  return dynamic_cast<TodMenuProperties*>(item.GetParentMenu());
}

void TodMenuProperties::SetOwnerDrawn(bool on) {
  if (ownerDrawn_ == on) return;
  ownerDrawn_ = on;
  if (on) {
    pf::TMenu* menu = &menu_;
    menu_.MeasureItemHandler = [menu](pf::TMenuItem& item, pf::TCanvas& canvas, int32_t& width, int32_t& height) {
      return SendMeasureItem(*menu, item, canvas, width, height);
    };
    menu_.DrawItemHandler = [menu](pf::TMenuItem& item, pf::TCanvas& canvas, const pf::TRect& rect,
                                   pf::TOwnerDrawState state) {
      return SendDrawItem(*menu, item, canvas, rect, state);
    };
  } else {
    menu_.MeasureItemHandler = nullptr;
    menu_.DrawItemHandler = nullptr;
  }
  // The window system's own switch: with it, items that the hooks leave alone run their own drawing events.
  menu_.SetOwnerDraw(on);
}

void TodMenuProperties::ApplyOwnerDrawSwitch() { SetOwnerDrawn(Style() != odmNormal); }

void TodMenuProperties::RebuildMenu() {
  ResetBannerFlag();
  if (Style() == odmWin97) SetOwnerDrawn(false);
  ApplyOwnerDrawSwitch();
  menu_.MenuChanged(nullptr);
}

void TodMenuProperties::PassChange(TodmChange code) {
  const pf::TMenuItem& root = menu_.Items();
  for (int i = 0; i < root.Count(); ++i)
    if (auto* item = dynamic_cast<TodMenuItem*>(root.Items(i))) item->ParentChanged(code);
}

void TodMenuProperties::DataChanged(TodmChange code) {
  if (menu_.Destroying()) return;
  PassChange(code);
  RebuildMenu();
}

void TodMenuProperties::ItemsChanged(const pf::TMenuItem* item) {
  if (item == &menu_.Items() && !menu_.Destroying()) PassChange(odcAll);
}

// ---- Menus

TodMenu::TodMenu(pf::TComponent* owner) : pf::TMainMenu(owner), TodMenuProperties(static_cast<pf::TMenu&>(*this)) {
  if (auto* form = dynamic_cast<pf::TCustomForm*>(owner)) subclass_ = JoinMenuFormSubclass(*form);
}

TodMenu::~TodMenu() {
  state_ |= pf::csDestroying;
  LeaveMenuFormSubclass(subclass_);
}

void TodMenu::MenuChanged(pf::TMenuItem* item) {
  ItemsChanged(item);
  pf::TMainMenu::MenuChanged(item);
}

void TodMenu::Loaded() {
  pf::TMainMenu::Loaded();
  if (pf::TCustomForm* form = Form(); form != nullptr && form->Menu() == this && subclass_ != nullptr)
    subclass_->Rehook();
}

TodCustomPopupMenu::TodCustomPopupMenu(pf::TComponent* owner)
    : pf::TPopupMenu(owner), TodMenuProperties(static_cast<pf::TMenu&>(*this)) {
  RegisterPopupMenu(*this);
}

TodCustomPopupMenu::~TodCustomPopupMenu() {
  state_ |= pf::csDestroying;
  UnregisterPopupMenu(*this);
}

void TodCustomPopupMenu::MenuChanged(pf::TMenuItem* item) {
  ItemsChanged(item);
  pf::TPopupMenu::MenuChanged(item);
}

pf::TWinControl* TodCustomPopupMenu::WindowHandle() const { return PopupListWindow(); }

void TodCustomPopupMenu::Popup(int32_t x, int32_t y) {
  if (OnPopup) OnPopup(this);
  if ((ComponentState() & pf::csDesigning) == 0) {
    Items().RethinkHotkeys();
    Items().RethinkLines();
  }
  if (Items().Count() > 0) Items().Items(0)->MenuChanged(false);
  ResetBannerFlag();
  // The point is used as given: screens left of or above the first one have negative co-ordinates.
  TrackPopup(x, y);
}

void TodCustomPopupMenu::TrackPopup(int32_t x, int32_t y) { ShowAt(x, y); }

// ---- TodMenuAction

TodMenuAction::~TodMenuAction() {
  state_ |= pf::csDestroying;
  if (popupMenu_ != nullptr) popupMenu_->RemoveFreeNotification(this);
}

void TodMenuAction::SetPopupMenu(TodCustomPopupMenu* value) {
  if (popupMenu_ == value) return;
  if (popupMenu_ != nullptr) popupMenu_->RemoveFreeNotification(this);
  popupMenu_ = value;
  if (value != nullptr) value->FreeNotification(this);
}

bool TodMenuAction::Execute() {
  if (OnExecute) OnExecute(this);
  if (popupMenu_ != nullptr) {
    const pf::TPoint at = pf::GetCursorPos();
    popupMenu_->Popup(at.X, at.Y);
  }
  return true;
}

void TodMenuAction::Notification(pf::TComponent* component, pf::TOperation operation) {
  pf::TComponent::Notification(component, operation);
  if (operation == pf::opRemove && component == popupMenu_) popupMenu_ = nullptr;
}

}  // namespace components
