// What the windows share: creating them, their place in the settings file, status messages, and owner-drawn menus
// with items built from one line each.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "app/glyphs.h"
#include "components/od_menu.h"
#include "components/status_bar.h"
#include "platform/core/inifiles.h"
#include "platform/ui/extctrls.h"
#include "platform/ui/forms.h"
#include "platform/ui/menus.h"

namespace engine {
class Engine;
}

namespace app {

// Creates a window of the application with its part of the shared state and runs its OnCreate, as
// Application().CreateForm does for the main window.
template <class Form>
Form* CreateSecondaryForm(pf::TComponent* owner, engine::Engine& engine) {
  auto* form = new Form(owner, engine);
  form->AfterConstruction();
  return form;
}

// Section "Position": prefix + "Top", "Left", "Width", "Height", a missing key taken from defaults; without a
// settings file the window gets the defaults. Every window is shown by the same rule: at least as large as its
// constraints ask, then brought wholly onto the screen (ShownBounds).
void RestorePosition(pf::TCustomForm& form, const pf::TIniFile* ini, std::string_view prefix,
                     const pf::TRect& defaults);
// The same with a window of that size centred on the screen (Abs((screen - size) div 2)) as the default.
void RestorePosition(pf::TCustomForm& form, const pf::TIniFile* ini, std::string_view prefix, int32_t width,
                     int32_t height);
void SavePosition(const pf::TCustomForm& form, pf::TIniFile* ini, std::string_view prefix);

// Runs a window's OnDestroy work; a failure (a settings file that cannot be written) is shown, never thrown out of
// the destruction.
void GuardedDestroy(const std::function<void()>& work);

// A message in a window's status panel 0: a blank and the text on light yellow; after MsgInterval the panel's
// colour falls back to the button face while the text stays.
constexpr pf::TColor MsgColor = 0xE0FFFF;
constexpr uint32_t MsgInterval = 3000;
void Msg(components::TsbStatusBar& bar, pf::TTimer& msgTimer, const std::string& text);
void MsgTimerTimer(components::TsbStatusBar& bar, pf::TTimer& msgTimer);
// A status bar for a window: aligned to the bottom, 13-pixel Verdana, one panel per entry with its name, width
// ("500" pixels, "80%") and alignment, text empty.
struct PanelLayout {
  const char* name;
  const char* width;
  components::TAlignment alignment = components::taLeftJustify;
};
constexpr const char* StatusBarFontName = "Verdana";
constexpr int32_t StatusBarFontHeight = -13;
components::TsbStatusBar* AddStatusBar(pf::TWinControl& parent, std::initializer_list<PanelLayout> panels);
// The panels' widths in order, as a window sets them when it starts.
void SetPanelWidths(components::TsbStatusBar& bar, std::initializer_list<const char*> widths);

// The look of every window's menus: Arial at 13 pixels on a light grey that the background fills, the highlight
// colour for the selected item, captions without 3-D effect. The drop-down and pop-up items are drawn by the menu
// itself; the window system keeps drawing the menu bar.
constexpr pf::TColor MenuColor = 0xF7F7F7;
void SetMenuLook(components::TodMenuProperties& menu);
// A window's owner-drawn menu bar (give it to SetMenu once its items are in) and its pop-up menus, with that look.
components::TodMenu* NewMainMenu(pf::TCustomForm& form);
components::TodPopupMenu* NewPopupMenu(pf::TCustomForm& form);

// A menu item under parent: caption ("-" for a separator), shortcut, hint and what a click does. It is an
// owner-drawn item that takes its font, effects and colours from its menu.
components::TodMenuItem* AddMenuItem(pf::TMenuItem& parent, const std::string& caption,
                                     pf::TShortCut shortCut = pf::scNone, const std::string& hint = "",
                                     std::function<void()> click = nullptr);
// Gives the item the glyph of the tool button that does the same; answers the item.
pf::TMenuItem* WithGlyph(pf::TMenuItem* item, Glyph glyph);

}  // namespace app
