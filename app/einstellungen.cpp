#include "app/einstellungen.h"

#include <string_view>

#include "app/window_support.h"
#include "engine/catalogue.h"
#include "engine/engine.h"
#include "platform/core/strings.h"

namespace app {

using namespace pf::literals;

namespace {

constexpr std::string_view kSection = "Einstellungen";

using Form = TEinstellungenForm;

struct ModeSpec {
  std::string_view caption;  // label and menu item
  std::string_view hint;     // label and radio button
  std::string_view menuHint;
  uint16_t key;  // with Ctrl
  bool engine::AppState::*setting;
  std::string_view iniKey;
  pf::TRadioButton* Form::*radio;
  components::TUrlLabel* Form::*label;
  pf::TMenuItem* Form::*item;
};

// In the order in which the window reads the settings: the last true one wins.
const ModeSpec kModes[] = {
    {"&Grundeinstellung", " zufällige Fragenauswahl"_l1, " zufällige Fragenauswahl"_l1, 'G',
     &engine::AppState::SettingDefault, "Default", &Form::DefaultRadioButton, &Form::DefaultUrlLabel, &Form::EDefault},
    {"&Abgefragt-Liste verwenden", " zum Ausschließen schon gestellter Fragen"_l1,
     " zum Ausschließen schon gestellter Fragen"_l1, 'A', &engine::AppState::SettingAskedList, "AskedList",
     &Form::AbgefragtListeRadioButton, &Form::AbgefragtListeUrlLabel, &Form::EAskedListverwenden},
    {"Alternative &zufällige Fragenauswahl"_l1, " Fragenauswahl aus Fragenblöcken"_l1,
     " Fragenauswahl aus Fragenblöcken"_l1, 'Z', &engine::AppState::SettingZufallszahlen, "Zufallszahlen",
     &Form::FragenauswahlRadioButton, &Form::FragenauswahlUrlLabel, &Form::EZufallszahlenermittlung},
    {"Fragenverteilung nach &BNetzA Vorgabe", " nach Gewichtung der Bundesnetzagentur",
     " Fragenverteilung gemäss Vorgabe der BNetzA"_l1, 'B', &engine::AppState::SettingFVBNetzA, "FVBNetzA",
     &Form::FragenverteilungBNetzARadioButton, &Form::FragenverteilungBNetzAUrlLabel, &Form::EFragenverteilungBNetzA},
};
constexpr int kModeCount = 4;

constexpr int32_t kRowTop = 16;
constexpr int32_t kRowHeight = 30;

}  // namespace

TEinstellungenForm::TEinstellungenForm(pf::TComponent* owner, engine::Engine& engine)
    : pf::TForm(owner), engine_(engine) {
  SetCaption(std::string(" Pexu - Einstellungen"));
  Font().SetName("Arial");
  Font().SetHeight(-13);
  SetShowHint(true);

  MainMenu = NewMainMenu(*this);
  pf::TMenuItem* settings = AddMenuItem(MainMenu->Items(), "&Einstellungen");
  pf::TMenuItem* help = AddMenuItem(MainMenu->Items(), "&Hilfe");
  EinstellungensbStatusBar = AddStatusBar(*this, {{"Nachricht", "500"}});
  PageControl = new pf::TPageControl(this);
  PageControl->SetParent(this);
  PageControl->SetAlign(pf::alClient);
  PruefungenTabSheet = new pf::TTabSheet(this);
  PruefungenTabSheet->SetPageControl(PageControl);
  PruefungenTabSheet->SetCaption(std::string("&Prüfungen"_l1));

  for (int i = 0; i < kModeCount; ++i) {
    const ModeSpec& spec = kModes[i];
    auto* radio = this->*spec.radio = new pf::TRadioButton(this);
    radio->SetParent(PruefungenTabSheet);
    radio->SetBounds(14, kRowTop + i * kRowHeight, 17, 17);
    radio->SetHint(std::string(spec.hint));
    radio->OnClick = [this, i](pf::TObject*) { Choose(i); };
    auto* label = this->*spec.label = new components::TUrlLabel(this);
    label->SetParent(PruefungenTabSheet);
    label->SetCaption(std::string(spec.caption));
    label->SetHint(std::string(spec.hint));
    label->Font().SetName("Verdana");
    label->Font().SetHeight(-13);
    label->SetUnderlineURL(false);
    label->Font().SetColor(SettingsLabelColor);
    label->SetBounds(36, kRowTop + i * kRowHeight, label->Width(), label->Height());
    label->SetFocusControl(radio);
    label->OnClick = [this, i](pf::TObject*) { Choose(i); };
    pf::TMenuItem* item = this->*spec.item =
                              AddMenuItem(*settings, std::string(spec.caption), pf::ShortCut(spec.key, pf::ssCtrl),
                                          std::string(spec.menuHint), [this, i] { Choose(i); });
    // One of the four is chosen, as with the radio buttons: the checked item shows the bullet.
    item->SetRadioItem(true);
    item->SetGroupIndex(1);
  }

  AddMenuItem(*settings, "-");
  WithGlyph(AddMenuItem(*settings, " Einstellungen be&enden", pf::ShortCut(pf::VK_F12, 0), "", [this] { Close(); }),
            Glyph::Exit);
  WithGlyph(AddMenuItem(*help, " &Hilfe zu den Einstellungen", pf::ShortCut(pf::VK_F1, 0), "",
                        [this] {
                          engine::EnginePort& port = engine_.Port();
                          port.LoadFromFile(port.ServerRoot() + "/html/einstellungenhilfe.html#top");
                        }),
            Glyph::Help);
  SetMenu(MainMenu);

  OnCreate = [this](pf::TObject*) { FormCreate(); };
  OnActivate = [this](pf::TObject*) { FormActivate(); };
  OnDeactivate = [this](pf::TObject*) { FormDeactivate(); };
  OnDestroy = [this](pf::TObject*) { FormDestroy(); };
}

TEinstellungenForm::~TEinstellungenForm() { BeforeDestruction(); }

void TEinstellungenForm::ShowHint(const std::string& hint) { EinstellungensbStatusBar->Panels()[0]->SetText(hint); }

void TEinstellungenForm::FormCreate() {
  RestorePosition(*this, engine_.State().IniFile.get(), "Einstellungen", 340, 242);
}

void TEinstellungenForm::FormActivate() {
  // The settings are read before any radio button changes, so that nothing set on the way can overwrite them.
  const engine::AppState& state = engine_.State();
  int chosen = -1;
  for (int i = 0; i < kModeCount; ++i) {
    if (state.*kModes[i].setting) chosen = i;
  }
  Choose(chosen);
}

void TEinstellungenForm::Choose(int index) {
  for (int i = 0; i < kModeCount; ++i) (this->*kModes[i].radio)->SetChecked(i == index);
  ApplySelectionMode();
}

void TEinstellungenForm::ApplySelectionMode() {
  PageControl->SetActivePage(PruefungenTabSheet);
  engine::AppState& state = engine_.State();
  for (const ModeSpec& mode : kModes) {
    const bool checked = (this->*mode.radio)->Checked();
    (this->*mode.item)->SetChecked(checked);
    state.*mode.setting = checked;
  }
}

void TEinstellungenForm::WriteSettings() {
  const engine::AppState& state = engine_.State();
  pf::TIniFile* ini = state.IniFile.get();
  if (ini == nullptr) return;
  for (const ModeSpec& spec : kModes) ini->WriteBool(kSection, spec.iniKey, state.*spec.setting);
  ini->WriteBool(kSection, "Fragenanordnung", state.SettingFragenanordnung);
}

void TEinstellungenForm::FormDeactivate() { WriteSettings(); }

void TEinstellungenForm::FormDestroy() {
  GuardedDestroy([this] {
    pf::TIniFile* ini = engine_.State().IniFile.get();
    SavePosition(*this, ini, "Einstellungen");
    if (ini != nullptr) ini->WriteString(kSection, "Fragenkatalog", engine::CatalogueArchiveName);
    // Also here: a choice made while this window was the active one at the program's end reaches the disk.
    WriteSettings();
  });
}

}  // namespace app
