// The settings window: how exam questions are drawn. Four modes, each a radio button on the tab "&Prüfungen", a
// clickable label beside it and a checkable menu item; exactly one is chosen and its setting alone is true. The
// choice takes effect at once and is written to the settings file whenever the window loses the focus and when it
// is destroyed.
#pragma once

#include <string>

#include "components/od_menu.h"
#include "components/status_bar.h"
#include "components/url_label.h"
#include "engine/state.h"
#include "platform/ui/comctrls.h"
#include "platform/ui/forms.h"
#include "platform/ui/menus.h"
#include "platform/ui/stdctrls.h"

namespace engine {
class Engine;
}

namespace app {

// The settings labels' own text colour; hovering shows them in clRed.
constexpr pf::TColor SettingsLabelColor = 0xA00000;  // RGB(0, 0, 160)

class TEinstellungenForm : public pf::TForm {
 public:
  TEinstellungenForm(pf::TComponent* owner, engine::Engine& engine);
  ~TEinstellungenForm() override;
  std::string ClassName() const override { return "TEinstellungenForm"; }

  // The main window's hint display: panel 0 := the application's hint.
  void ShowHint(const std::string& hint);

  components::TodMenu* MainMenu;
  pf::TPageControl* PageControl;
  pf::TTabSheet* PruefungenTabSheet;
  pf::TRadioButton* DefaultRadioButton;
  pf::TRadioButton* AbgefragtListeRadioButton;
  pf::TRadioButton* FragenauswahlRadioButton;
  pf::TRadioButton* FragenverteilungBNetzARadioButton;
  components::TUrlLabel* DefaultUrlLabel;
  components::TUrlLabel* AbgefragtListeUrlLabel;
  components::TUrlLabel* FragenauswahlUrlLabel;
  components::TUrlLabel* FragenverteilungBNetzAUrlLabel;
  pf::TMenuItem* EDefault;
  pf::TMenuItem* EAskedListverwenden;
  pf::TMenuItem* EZufallszahlenermittlung;
  pf::TMenuItem* EFragenverteilungBNetzA;
  components::TsbStatusBar* EinstellungensbStatusBar;

  void FormCreate();
  // Sets the radio buttons from the four settings (when several are true the last one wins), then
  // ApplySelectionMode.
  void FormActivate();
  void FormDeactivate();
  void FormDestroy();
  // Shows the tab; each mode's menu check mark and setting := its radio button's state.
  void ApplySelectionMode();

 private:
  // A click on a mode's radio button, label or menu item (modes in the order default, asked list, blocks, section
  // table; -1 none): that radio button alone is checked, then ApplySelectionMode.
  void Choose(int index);
  void WriteSettings();

  engine::Engine& engine_;
};

}  // namespace app
