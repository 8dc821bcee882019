// The menu model and the shortcut names; the window-system side is menus_qt.cpp.
#include "platform/ui/menus.h"

#include <algorithm>

#include "platform/core/exceptions.h"
#include "platform/core/strings.h"
#include "platform/ui/forms.h"
#include "platform/ui/menus_native.h"

namespace pf {

using namespace pf::literals;

namespace {

// ---- Shortcut texts: the German key names of the classic German system.

constexpr struct {
  uint16_t key;
  std::string_view name;
} kKeyNames[] = {
    {VK_BACK, "Rück"_l1},   {VK_TAB, "Tab"},      {VK_RETURN, "Eingabe"}, {VK_ESCAPE, "Esc"},   {VK_SPACE, "Leer"},
    {VK_PRIOR, "Bild auf"}, {VK_NEXT, "Bild ab"}, {VK_END, "Ende"},       {VK_HOME, "Pos1"},    {VK_LEFT, "Links"},
    {VK_UP, "Auf"},         {VK_RIGHT, "Rechts"}, {VK_DOWN, "Ab"},        {VK_INSERT, "Einfg"}, {VK_DELETE, "Entf"},
};
// Names also read back (the English ones, so that hand-written texts work).
constexpr struct {
  std::string_view name;
  uint16_t key;
} kKeyAliases[] = {
    {"Backspace", VK_BACK}, {"Enter", VK_RETURN}, {"Return", VK_RETURN}, {"Escape", VK_ESCAPE}, {"Space", VK_SPACE},
    {"PgUp", VK_PRIOR},     {"PgDn", VK_NEXT},    {"Home", VK_HOME},     {"Left", VK_LEFT},     {"Up", VK_UP},
    {"Right", VK_RIGHT},    {"Down", VK_DOWN},    {"Ins", VK_INSERT},    {"Del", VK_DELETE},    {"Delete", VK_DELETE},
};
constexpr struct {
  TShortCut bit;
  std::string_view name;
} kModifiers[] = {{scShift, "Umsch+"}, {scCtrl, "Strg+"}, {scAlt, "Alt+"}};
constexpr struct {
  std::string_view name;
  TShortCut bit;
} kModifierAliases[] = {{"Umschalt+", scShift}, {"Shift+", scShift}, {"Ctrl+", scCtrl}};

std::string KeyName(uint16_t key) {
  for (const auto& k : kKeyNames)
    if (k.key == key) return std::string(k.name);
  if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z')) return std::string(1, static_cast<char>(key));
  if (key >= VK_NUMPAD0 && key <= VK_NUMPAD0 + 9)
    return "Num " + std::string(1, static_cast<char>('0' + key - VK_NUMPAD0));
  if (key >= VK_F1 && key <= VK_F24) return "F" + IntToStr(key - VK_F1 + 1);
  return {};
}

// The command numbers of the living items.
std::vector<uint16_t>& CommandsInUse() {
  static std::vector<uint16_t> used;
  return used;
}

uint16_t NewCommand() {
  static uint16_t next = 0;
  auto& used = CommandsInUse();
  do {
    next = next == 0xFFFE ? 1 : static_cast<uint16_t>(next + 1);
  } while (std::find(used.begin(), used.end(), next) != used.end());
  used.push_back(next);
  return next;
}

TMenuItem* FindIn(const TMenuItem& parent, uintptr_t value, TFindItemKind kind) {
  for (int i = 0; i < parent.Count(); ++i) {
    TMenuItem* item = parent.Items(i);
    const uintptr_t key = kind == fkShortCut ? item->ShortCut() : item->Command();
    if (key == value && (kind != fkShortCut || value != scNone)) return item;
    if (TMenuItem* found = FindIn(*item, value, kind)) return found;
  }
  return nullptr;
}

// The first item in menu order that carries shortCut and can be clicked: visible, enabled and not below a hidden or
// disabled item.
TMenuItem* FindClickable(const TMenuItem& parent, TShortCut shortCut) {
  for (int i = 0; i < parent.Count(); ++i) {
    TMenuItem* item = parent.Items(i);
    if (!item->Visible() || !item->Enabled()) continue;
    if (item->ShortCut() == shortCut) return item;
    if (TMenuItem* found = FindClickable(*item, shortCut)) return found;
  }
  return nullptr;
}

[[noreturn]] void IndexError() { throw EMenuError("Menu index out of range"); }

// ---- Automatic hot keys and line reduction

// The accelerator of a caption in upper case: the character after a single "&" ("&&" is a plain "&"); 0 for none.
char AcceleratorOf(const std::string& caption) {
  for (size_t i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != '&') continue;
    if (caption[i + 1] != '&') return AnsiUpperCase(caption.substr(i + 1, 1))[0];
    ++i;
  }
  return 0;
}

// Letters and digits can be hot keys.
char HotkeyOf(char c) {
  if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ? c : 0;
}

}  // namespace

TShortCut ShortCut(uint16_t key, TShiftState shift) {
  TShortCut result = key & 0xFF;
  if ((shift & ssShift) != 0) result |= scShift;
  if ((shift & ssCtrl) != 0) result |= scCtrl;
  if ((shift & ssAlt) != 0) result |= scAlt;
  return result;
}

void ShortCutToKey(TShortCut shortCut, uint16_t& key, TShiftState& shift) {
  key = shortCut & 0xFF;
  shift = 0;
  if ((shortCut & scShift) != 0) shift |= ssShift;
  if ((shortCut & scCtrl) != 0) shift |= ssCtrl;
  if ((shortCut & scAlt) != 0) shift |= ssAlt;
}

std::string ShortCutToText(TShortCut shortCut) {
  const std::string name = KeyName(shortCut & 0xFF);
  if (name.empty()) return {};
  std::string result;
  for (const auto& m : kModifiers)
    if ((shortCut & m.bit) != 0) result += m.name;
  return result + name;
}

TShortCut TextToShortCut(const std::string& text) {
  std::string_view rest = text;
  TShortCut modifiers = 0;
  for (bool found = true; found;) {
    found = false;
    auto take = [&](std::string_view name, TShortCut bit) {
      if (rest.size() > name.size() && AnsiSameText(rest.substr(0, name.size()), name)) {
        rest.remove_prefix(name.size());
        modifiers |= bit;
        found = true;
      }
    };
    for (const auto& m : kModifiers) take(m.name, m.bit);
    for (const auto& m : kModifierAliases) take(m.name, m.bit);
  }
  for (uint16_t key = 1; key <= 0xFF; ++key)
    if (const std::string name = KeyName(key); !name.empty() && AnsiSameText(name, rest))
      return static_cast<TShortCut>(key | modifiers);
  for (const auto& a : kKeyAliases)
    if (AnsiSameText(a.name, rest)) return static_cast<TShortCut>(a.key | modifiers);
  return scNone;
}

// ---- TMenuItem

TMenuItem::TMenuItem(TComponent* owner)
    : TComponent(owner), impl_(menu_native::NewItem(*this)), command_(NewCommand()) {}

TMenuItem::~TMenuItem() {
  state_ |= csDestroying;
  while (!items_.empty()) delete items_.back();
  if (parent_ != nullptr) parent_->Remove(this);
  menu_native::FreeItem(*this);
  std::erase(CommandsInUse(), command_);
}

TMenu* TMenuItem::GetParentMenu() const {
  const TMenuItem* item = this;
  while (item->parent_ != nullptr) item = item->parent_;
  return item->menu_;
}

void TMenuItem::MenuChanged(bool rebuild) {
  if (Destroying()) return;
  menu_native::ItemChanged(*this, rebuild);
  if (TMenu* menu = GetParentMenu()) menu->MenuChanged(this);
}

void TMenuItem::SetCaption(const std::string& value) {
  if (caption_ == value) return;
  caption_ = value;
  MenuChanged(false);
}

void TMenuItem::SetShortCut(TShortCut value) {
  if (shortCut_ == value) return;
  shortCut_ = value;
  MenuChanged(false);
}

void TMenuItem::SetChecked(bool value) {
  if (checked_ == value) return;
  checked_ = value;
  if (value && radioItem_) UncheckRadioSiblings();
  MenuChanged(false);
}

void TMenuItem::UncheckRadioSiblings() {
  if (parent_ == nullptr) return;
  for (TMenuItem* sibling : parent_->items_)
    if (sibling != this && sibling->radioItem_ && sibling->groupIndex_ == groupIndex_) sibling->SetChecked(false);
}

void TMenuItem::SetRadioItem(bool value) {
  if (radioItem_ == value) return;
  radioItem_ = value;
  if (value && checked_) UncheckRadioSiblings();
  MenuChanged(false);
}

void TMenuItem::SetGroupIndex(uint8_t value) {
  if (groupIndex_ == value) return;
  groupIndex_ = value;
  if (radioItem_ && checked_) UncheckRadioSiblings();
}

void TMenuItem::SetEnabled(bool value) {
  if (enabled_ == value) return;
  enabled_ = value;
  MenuChanged(false);
}

void TMenuItem::SetVisible(bool value) {
  lineReduced_ = false;
  if (visible_ == value) return;
  visible_ = value;
  MenuChanged(false);
}

void TMenuItem::SetDefault(bool value) {
  if (default_ == value) return;
  if (value && parent_ != nullptr)
    for (TMenuItem* sibling : parent_->items_)
      if (sibling->default_) {
        sibling->default_ = false;
        sibling->MenuChanged(false);
      }
  default_ = value;
  MenuChanged(false);
}

TBitmap& TMenuItem::Bitmap() {
  if (!bitmap_) {
    bitmap_ = std::make_unique<TBitmap>();
    bitmap_->OnChange = [this](TPersistent&) { MenuChanged(false); };
  }
  return *bitmap_;
}

void TMenuItem::SetImageIndex(int value) {
  if (imageIndex_ == value) return;
  imageIndex_ = value;
  MenuChanged(false);
}

TMenuItem* TMenuItem::Items(int index) const {
  if (index < 0 || index >= Count()) IndexError();
  return items_[static_cast<size_t>(index)];
}

void TMenuItem::Insert(int index, TMenuItem* item) {
  if (item == nullptr) return;
  if (item->parent_ != nullptr || item->menu_ != nullptr) throw EMenuError("Menu inserted twice");
  if (index < 0 || index > Count()) IndexError();
  for (const TMenuItem* p = this; p != nullptr; p = p->parent_)
    if (p == item) throw EMenuError("Menu inserted twice");
  items_.insert(items_.begin() + index, item);
  item->parent_ = this;
  if (item->radioItem_ && item->checked_) item->UncheckRadioSiblings();
  MenuChanged(true);
}

void TMenuItem::Remove(TMenuItem* item) {
  auto it = std::find(items_.begin(), items_.end(), item);
  if (it == items_.end()) throw EMenuError("Menu index out of range");
  items_.erase(it);
  item->parent_ = nullptr;
  MenuChanged(true);
}

void TMenuItem::Delete(int index) { delete Items(index); }

void TMenuItem::Clear() {
  while (!items_.empty()) delete items_.back();
}

int TMenuItem::IndexOf(const TMenuItem* item) const {
  auto it = std::find(items_.begin(), items_.end(), item);
  return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

void TMenuItem::SetMenuIndex(int value) {
  if (parent_ == nullptr) return;
  TMenuItem* parent = parent_;
  value = std::clamp(value, 0, parent->Count() - 1);
  if (value == MenuIndex()) return;
  parent->Remove(this);
  parent->Insert(value, this);
}

TMenuItem* TMenuItem::Find(const std::string& caption) const {
  const std::string wanted = menu_native::PlainCaption(caption);
  for (TMenuItem* item : items_)
    if (AnsiSameText(menu_native::PlainCaption(item->caption_), wanted)) return item;
  return nullptr;
}

void TMenuItem::Click() {
  if (enabled_ && OnClick) OnClick(this);
}

// The items of one sub-menu: those that have an accelerator keep it, every other visible one takes the first
// letter or digit of its caption that is still free.
bool TMenuItem::RethinkHotkeys() {
  bool changed = false;
  if (AutoFlagSet(&TMenu::AutoHotkeys)) {
    std::string used;
    for (const TMenuItem* item : items_)
      if (const char key = AcceleratorOf(item->caption_); key != 0 && item->visible_ && !item->IsLine()) used += key;
    for (TMenuItem* item : std::vector<TMenuItem*>(items_)) {
      if (!item->visible_ || item->IsLine() || AcceleratorOf(item->caption_) != 0) continue;
      const std::string& caption = item->caption_;
      for (size_t i = 0; i < caption.size(); ++i) {
        const char key = caption[i] == '&' ? 0 : HotkeyOf(caption[i]);
        if (caption[i] == '&') ++i;  // "&&" stands for one "&"
        if (key == 0 || used.find(key) != std::string::npos) continue;
        used += key;
        item->SetCaption(caption.substr(0, i) + '&' + caption.substr(i));
        changed = true;
        break;
      }
    }
  }
  for (TMenuItem* item : std::vector<TMenuItem*>(items_)) changed = item->RethinkHotkeys() || changed;
  return changed;
}

// A separator stays only between two visible items that are no separators, one separator per gap; separators that
// the program hid itself stay hidden.
bool TMenuItem::RethinkLines() {
  bool changed = false;
  if (AutoFlagSet(&TMenu::AutoLineReduction)) {
    auto content = [](const TMenuItem* item) { return item->visible_ && !item->IsLine(); };
    bool itemBefore = false;  // a visible item since the last separator shown
    for (size_t i = 0; i < items_.size(); ++i) {
      TMenuItem* item = items_[i];
      if (content(item)) itemBefore = true;
      if (!item->IsLine() || (!item->visible_ && !item->lineReduced_)) continue;
      const bool needed =
          itemBefore && std::any_of(items_.begin() + static_cast<ptrdiff_t>(i) + 1, items_.end(), content);
      if (needed) itemBefore = false;
      if (item->visible_ == needed) continue;
      item->visible_ = needed;
      item->lineReduced_ = !needed;
      item->MenuChanged(false);
      changed = true;
    }
  }
  for (TMenuItem* item : std::vector<TMenuItem*>(items_)) changed = item->RethinkLines() || changed;
  return changed;
}

bool TMenuItem::AutoFlagSet(TMenuAutoFlag (TMenu::*flag)() const) const {
  const TMenu* menu = GetParentMenu();
  return menu == nullptr || (menu->*flag)() == maAutomatic;
}

// ---- TMenu

TMenu::TMenu(TComponent* owner) : TComponent(owner), items_(std::make_unique<TMenuItem>(nullptr)) {
  menu_native::InstallHandlers();
  items_->SetMenu(this);
}

TMenu::~TMenu() {
  state_ |= csDestroying;
  items_.reset();
}

TMenuItem* TMenu::FindItem(uintptr_t value, TFindItemKind kind) const {
  if (kind == fkHandle && value == items_->Handle()) return items_.get();
  return FindIn(*items_, value, kind);
}

bool TMenu::IsShortCut(uint16_t key, TShiftState shift) {
  const TShortCut shortCut = ShortCut(key, shift);
  if ((shortCut & 0xFF) == 0) return false;
  TMenuItem* item = FindClickable(*items_, shortCut);
  if (item == nullptr) return false;
  item->Click();
  return true;
}

TWinControl* TMenu::WindowHandle() const {
  for (TComponent* c = Owner(); c != nullptr; c = c->Owner())
    if (auto* form = dynamic_cast<TCustomForm*>(c)) return form;
  return nullptr;
}

void TMenu::SetOwnerDraw(bool value) {
  if (ownerDraw_ == value) return;
  ownerDraw_ = value;
  MenuChanged(nullptr);
}

void TMenu::SetImages(TImageList* value) {
  if (images_ == value) return;
  if (images_ != nullptr) images_->RemoveFreeNotification(this);
  images_ = value;
  if (value != nullptr) value->FreeNotification(this);
  MenuChanged(nullptr);
}

void TMenu::MenuChanged(TMenuItem* item) {
  if (item == nullptr && !Destroying()) menu_native::MenuChanged(*this);
}

void TMenu::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove && component == images_) {
    images_ = nullptr;
    MenuChanged(nullptr);
  }
}

// ---- TMainMenu

TMainMenu::TMainMenu(TComponent* owner) : TMenu(owner) {}

TMainMenu::~TMainMenu() {
  state_ |= csDestroying;
  menu_native::Detach(*this);
}

TCustomForm* TMainMenu::Form() const { return menu_native::FormOf(*this); }

TWinControl* TMainMenu::WindowHandle() const { return Form(); }

void TMainMenu::Notification(TComponent* component, TOperation operation) {
  TMenu::Notification(component, operation);
  if (operation == opRemove && component != nullptr && component == Form()) menu_native::FormGone(*this);
}

// ---- TPopupMenu

TPopupMenu::TPopupMenu(TComponent* owner) : TMenu(owner) {}

TPopupMenu::~TPopupMenu() { state_ |= csDestroying; }

void TPopupMenu::SetPopupComponent(TComponent* value) {
  if (popupComponent_ == value) return;
  if (popupComponent_ != nullptr) popupComponent_->RemoveFreeNotification(this);
  popupComponent_ = value;
  if (value != nullptr) value->FreeNotification(this);
}

void TPopupMenu::Notification(TComponent* component, TOperation operation) {
  TMenu::Notification(component, operation);
  if (operation == opRemove && component == popupComponent_) popupComponent_ = nullptr;
}

void TPopupMenu::Popup(int32_t x, int32_t y) {
  if (OnPopup) OnPopup(this);
  ShowAt(x, y);
}

void TPopupMenu::ShowAt(int32_t x, int32_t y) { menu_native::Popup(*this, x, y); }

}  // namespace pf
