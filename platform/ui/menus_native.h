// Private to the menu module: what the menu model asks of the window-system side (menus_qt.cpp).
#pragma once

#include <cstdint>
#include <string>

#include "platform/ui/menus.h"

namespace pf::menu_native {

// Installs the layer's seams for menus (pop-up menus on right clicks, shortcuts, form menu bars), once.
void InstallHandlers();
TMenuItem::Impl* NewItem(TMenuItem& item);
// The item goes: its window-system parts go with it.
void FreeItem(TMenuItem& item);
// The item shows something new (rebuild: its list of sub-items changed too).
void ItemChanged(TMenuItem& item, bool rebuild);
// A setting of the whole menu changed (owner drawing, images): every item is shown anew.
void MenuChanged(TMenu& menu);
// A main menu that goes leaves its form's menu bar.
void Detach(TMainMenu& menu);
TCustomForm* FormOf(const TMainMenu& menu);
// The form of a main menu is gone (and its menu bar with it).
void FormGone(TMainMenu& menu);
void Popup(TPopupMenu& menu, int32_t x, int32_t y);
// The caption without its accelerator marks.
std::string PlainCaption(const std::string& caption);

}  // namespace pf::menu_native
