// The main window's construction, start and close, and its side of the engine's port.
#include "app/pexu_form.h"

#include <array>

#include "app/einstellungen.h"
#include "app/fragen.h"
#include "app/glyphs.h"
#include "app/info.h"
#include "app/main_rules.h"
#include "app/peditor.h"
#include "app/test_hooks.h"
#include "app/window_support.h"
#include "engine/procs.h"
#include "engine/startup.h"
#include "platform/core/exceptions.h"
#include "platform/core/files.h"
#include "platform/core/services.h"
#include "platform/core/strings.h"

namespace app {

using namespace pf::literals;

namespace {

constexpr int32_t kButtonPanelHeight = 40;
constexpr int32_t kButtonSize = 36;
constexpr pf::TColor kButtonPanelColor = 15790320;  // RGB(240, 240, 240)

}  // namespace

std::string& TPexuForm::ProgramFolder() {
  static std::string folder;
  return folder;
}

TPexuForm::TPexuForm(pf::TComponent* owner) : pf::TForm(owner), state_(std::make_unique<engine::AppState>()) {
  engine_ = std::make_unique<engine::Engine>(*state_, static_cast<engine::EnginePort&>(*this));
  pf::TForm::SetCaption(MainCaption);
  Font().SetName("Arial");
  Font().SetHeight(-13);
  SetShowHint(true);
  SetConstraints({MainMinWidth, MainMinHeight, 0, 0});

  BuildToolButtons();
  BuildStatusBar();
  BuildViewer();
  BuildMenus();

  PexuTimer = new pf::TTimer(this);
  PexuTimer->SetEnabled(false);
  PexuTimer->SetInterval(TestHooks::Active() ? TestHooks::ExamMinute() : ExamMinute);
  PexuTimer->SetOnTimer([this](pf::TObject*) { PexuTimerTimer(); });
  MsgTimer = new pf::TTimer(this);
  MsgTimer->SetEnabled(false);
  MsgTimer->SetInterval(MsgInterval);
  MsgTimer->SetOnTimer([this](pf::TObject*) { MsgTimerTimer(); });
  VersionInfo = new components::TVersionInfo(this);
  PrinterSetupDialog = new pf::TPrinterSetupDialog(this);
  OpenDialog = new pf::TOpenDialog(this);

  OnCreate = [this](pf::TObject*) { FormCreate(); };
  OnDestroy = [this](pf::TObject*) { GuardedDestroy([this] { FormDestroy(); }); };
}

TPexuForm::~TPexuForm() { BeforeDestruction(); }

void TPexuForm::BuildToolButtons() {
  SpeedButtonPanel = new pf::TPanel(this);
  SpeedButtonPanel->SetParent(this);
  SpeedButtonPanel->SetAlign(pf::alTop);
  SpeedButtonPanel->SetHeight(kButtonPanelHeight);
  SpeedButtonPanel->SetColor(kButtonPanelColor);
  SpeedButtonPanel->SetBevelOuter(pf::bvNone);
  SpeedButtonPanel->SetCaption("");

  struct ButtonSpec {
    pf::TSpeedButton* TPexuForm::*button;
    Glyph glyph;
    std::string_view hint;
    int32_t gapBefore;  // groups of buttons stand apart
    void (*click)(TPexuForm&, pf::TObject*);
  };
  static const std::array<ButtonSpec, 10> kButtons = {{
      {&TPexuForm::zurueckSpeedButton, Glyph::Left, " zurück"_l1, 0,
       [](TPexuForm& f, pf::TObject* s) { f.VorZurueckSpeedButtonClick(s); }},
      {&TPexuForm::vorSpeedButton, Glyph::Right, " vorwärts"_l1, 0,
       [](TPexuForm& f, pf::TObject* s) { f.VorZurueckSpeedButtonClick(s); }},
      {&TPexuForm::ReloadSpeedButton, Glyph::Reload, " Seite aktualisieren", 0,
       [](TPexuForm& f, pf::TObject*) { f.ReloadSpeedButtonClick(); }},
      {&TPexuForm::HomeSpeedButton, Glyph::Home, " zur Startseite", 0,
       [](TPexuForm& f, pf::TObject*) { f.HomeSpeedButtonClick(); }},
      {&TPexuForm::DruckenSpeedButton, Glyph::Print, " Drucken der Seite", 12,
       [](TPexuForm& f, pf::TObject*) { f.DruckenSpeedButtonClick(); }},
      {&TPexuForm::LogSpeedButton, Glyph::Log, " Prüfungslog"_l1, 0,
       [](TPexuForm& f, pf::TObject*) { f.Engine().LogSpeedButtonClick(); }},
      {&TPexuForm::PeditorSpeedButton, Glyph::Editor, " Prüfungseditor"_l1, 0,
       [](TPexuForm& f, pf::TObject*) { f.PruefungseditorClick(); }},
      {&TPexuForm::EinstellungenSpeedButton, Glyph::Settings, " Einstellungen", 0,
       [](TPexuForm& f, pf::TObject*) { f.MEinstellungenClick(); }},
      {&TPexuForm::HilfeSpeedButton, Glyph::Help, " Die Pexu Hilfe", 12,
       [](TPexuForm& f, pf::TObject*) { f.HilfeSpeedButtonClick(); }},
      {&TPexuForm::ExitSpeedButton, Glyph::Exit, " Programmende", 0,
       [](TPexuForm& f, pf::TObject*) { f.ExitSpeedButtonClick(); }},
  }};
  int32_t left = 4;
  for (const ButtonSpec& spec : kButtons) {
    auto* button = this->*spec.button = new pf::TSpeedButton(this);
    button->SetParent(SpeedButtonPanel);
    left += spec.gapBefore;
    button->SetBounds(left, (kButtonPanelHeight - kButtonSize) / 2, kButtonSize, kButtonSize);
    left += kButtonSize;
    button->SetFlat(true);
    DrawGlyph(button->Glyph(), spec.glyph);
    button->SetHint(std::string(spec.hint));
    button->SetShowHint(true);
    auto click = spec.click;
    button->OnClick = [this, click](pf::TObject* sender) { click(*this, sender); };
  }
}

void TPexuForm::BuildStatusBar() {
  PexusbStatusBar =
      AddStatusBar(*this, {{"Nachricht", "500"}, {"Zeit", "50", components::taCenter}, {"Balken", "150"}});
  PexusbStatusBar->Panels()[1]->SetText(" ");
  PexuProgressBar = new pf::TProgressBar(this);
  PexuProgressBar->SetMin(0);
  PexuProgressBar->SetMax(100);
  PexusbStatusBar->Panels()[2]->SetBevel(components::pbNone);
  PexusbStatusBar->Panels()[2]->SetComponent(PexuProgressBar);
}

void TPexuForm::BuildViewer() {
  PexuPageViewer = new viewer::TPageViewer(this);
  PexuPageViewer->SetParent(this);
  PexuPageViewer->SetAlign(pf::alClient);
  PexuPageViewer->SetDefBackground(pf::clWindow);
  PexuPageViewer->SetBorderStyle(viewer::htNone);
  PexuPageViewer->SetHistoryMaxCount(100);
  PexuPageViewer->SetDefFontName("Times New Roman");
  PexuPageViewer->SetDefPreFontName("Courier New");
  PexuPageViewer->SetScrollBars(pf::ssVertical);
  PexuPageViewer->SetImageCacheCount(0);
  PexuPageViewer->SetShowHint(true);
  PexuPageViewer->SetOnFormSubmit([this](pf::TObject*, const std::string& action, const std::string& target,
                                         const std::string& encType, const std::string& method,
                                         std::unique_ptr<pf::TStringList> results) {
    PexuPageViewerFormSubmit(action, target, encType, method, std::move(results));
  });
  PexuPageViewer->OnHotSpotClick = [this](pf::TObject*, const std::string& src, bool& handled) {
    PexuPageViewerHotSpotClick(src, handled);
  };
  PexuPageViewer->OnHotSpotCovered = [this](pf::TObject*, const std::string& src) {
    PexuPageViewerHotSpotCovered(src);
  };
  PexuPageViewer->OnMouseMove = [this](pf::TObject*, pf::TShiftState, int32_t, int32_t) { PexuPageViewerMouseMove(); };
  PexuPageViewer->OnHistoryChange = [this](pf::TObject*) { PexuPageViewerHistoryChange(); };
}

void TPexuForm::BuildMenus() {
  using pf::ShortCut;
  PexuodMenu = NewMainMenu(*this);
  pf::TMenuItem& bar = PexuodMenu->Items();
  auto item = [](pf::TMenuItem& parent, std::string_view caption, pf::TShortCut key, std::string_view hint,
                 std::function<void()> click) {
    return AddMenuItem(parent, std::string(caption), key, std::string(hint), std::move(click));
  };
  const pf::TShortCut none = pf::scNone;

  pf::TMenuItem* datei = AddMenuItem(bar, "&Datei");
  Pruefungladen =
      item(*datei, " Eigene &Prüfung"_l1, ShortCut(pf::VK_F10, 0),
           " Eigene Fragenauswahl laden und Fragebögen erzeugen"_l1, [this] { Engine().PruefungladenClick(); });
  Drucken = item(*datei, " Aktuelle Seite &drucken", ShortCut('P', pf::ssCtrl), " Aktuelle Seite drucken",
                 [this] { DruckenSpeedButtonClick(); });
  Druckereinrichten = item(*datei, " D&rucker einrichten", ShortCut('P', pf::ssCtrl | pf::ssAlt), " Drucker einrichten",
                           [this] { DruckereinrichtenClick(); });
  AddMenuItem(*datei, "-");
  Beenden = item(*datei, " Be&enden", ShortCut(pf::VK_F12, 0), " Programmende", [this] { ExitSpeedButtonClick(); });

  pf::TMenuItem* training = AddMenuItem(bar, "&Training");
  TrainingK2 = item(*training, "Klasse &A", ShortCut(pf::VK_F2, pf::ssShift), " Fragentraining zur Klasse A",
                    [this] { TrainingK2Click(); });
  TrainingK3 = item(*training, "Klasse &E", ShortCut(pf::VK_F3, pf::ssShift), " Fragentraining zur Klasse E",
                    [this] { TrainingK3Click(); });
  AddMenuItem(*training, "-");
  Antwortenliste = item(*training, "Ant&wortenliste", ShortCut('W', pf::ssCtrl),
                        " Zeigt die Antwortenverteilung des letzten Trainings oder der letzten Prüfung"_l1,
                        [this] { AntwortenlisteClick(); });
  AddMenuItem(*training, "-");
  MEinstellungen = item(*training, "Ei&nstellungen", ShortCut('E', pf::ssCtrl),
                        " Abgefragt-Liste / Auswahl des Fragenkatalogs", [this] { MEinstellungenClick(); });

  pf::TMenuItem* pruefungen = AddMenuItem(bar, std::string("&Prüfungen"_l1));
  Klasse2 = item(*pruefungen, " Klasse &A", none, " Die Prüfungsteile der Klasse A"_l1, nullptr);
  K2Technik = item(*Klasse2, " &Technische Kenntnisse", ShortCut(pf::VK_F2, 0), " Prüfung Technik Klasse 2 erzeugen"_l1,
                   [this] { K2TechnikClick(); });
  K2Betrieb = item(*Klasse2, " &Betriebliche Kenntnisse", ShortCut(pf::VK_F4, 0),
                   " Prüfung Betriebliche Kenntnisse Klasse 2 erzeugen"_l1, [this] { K2BetriebClick(); });
  K2Vorschriften = item(*Klasse2, " Kenntnisse von &Vorschriften", ShortCut(pf::VK_F5, 0),
                        " Prüfung Vorschriften Klasse 2 erzeugen"_l1, [this] { K2VorschriftenClick(); });
  Statistik2 = item(*Klasse2, " &Statistik", ShortCut(pf::VK_F2, pf::ssCtrl), " Statistik Klasse 2",
                    [this] { Statistik2Click(); });
  Klasse3 = item(*pruefungen, " Klasse &E", none, " Die Prüfungsteile der Klasse E"_l1, nullptr);
  K3Technik = item(*Klasse3, " &Technische Kenntnisse", ShortCut(pf::VK_F3, 0), " Prüfung Technik Klasse 3 erzeugen"_l1,
                   [this] { K3TechnikClick(); });
  K3Betrieb = item(*Klasse3, " &Betriebliche Kenntnisse", ShortCut(pf::VK_F4, 0),
                   " Prüfung Betriebliche Kenntnisse Klasse 3 erzeugen"_l1, [this] { K2BetriebClick(); });
  K3Vorschriften = item(*Klasse3, " Kenntnisse von &Vorschriften", ShortCut(pf::VK_F5, 0),
                        " Prüfung Vorschriften Klasse 3 erzeugen"_l1, [this] { K2VorschriftenClick(); });
  Statistik3 = item(*Klasse3, " &Statistik", ShortCut(pf::VK_F3, pf::ssCtrl), " Statistik Klasse 3",
                    [this] { Statistik3Click(); });
  EigenePruefung =
      item(*pruefungen, " Eigene &Prüfung"_l1, ShortCut(pf::VK_F10, 0),
           " Eigene Fragenauswahl laden und Fragebögen erzeugen"_l1, [this] { Engine().PruefungladenClick(); });
  AddMenuItem(*pruefungen, "-");
  Pruefungseditor = item(*pruefungen, " Prüfungse&ditor"_l1, ShortCut(pf::VK_F11, 0),
                         " Eigene Fragebögen zusammenstellen"_l1, [this] { PruefungseditorClick(); });
  AddMenuItem(*pruefungen, "-");
  Log = item(*pruefungen, " Prüfungs&log"_l1, ShortCut('L', pf::ssCtrl),
             "Übersicht über die Prüfungsergebnisse zur Kontrolle des Lernfortschritts"_l1,
             [this] { Engine().LogSpeedButtonClick(); });
  Logloeschen = item(*pruefungen, " P&rüfungslog löschen"_l1, ShortCut(pf::VK_DELETE, pf::ssCtrl),
                     " Prüfungslog löschen. Vorsicht: Es werden auch die Statistiken gelöscht."_l1,
                     [this] { Engine().LogloeschenClick(); });

  pf::TMenuItem* hilfe = AddMenuItem(bar, "&Hilfe");
  PexuHilfe = item(*hilfe, " &Hilfe", ShortCut(pf::VK_F1, 0), " Die Pexu Hilfe", [this] { HilfeSpeedButtonClick(); });
  Info = item(*hilfe, " über &Pexu"_l1, none, " Programmversion / Fragenversionen / Dank / Kontakt",
              [this] { InfoClick(); });
  // The items that do what a tool button does show its glyph.
  for (auto [menuItem, glyph] : {std::pair{Pruefungladen, Glyph::Open},
                                 {Drucken, Glyph::Print},
                                 {Beenden, Glyph::Exit},
                                 {MEinstellungen, Glyph::Settings},
                                 {EigenePruefung, Glyph::Open},
                                 {Pruefungseditor, Glyph::Editor},
                                 {Log, Glyph::Log},
                                 {Logloeschen, Glyph::Delete},
                                 {PexuHilfe, Glyph::Help}})
    WithGlyph(menuItem, glyph);
  SetMenu(PexuodMenu);
}

// ---- start and close

void TPexuForm::FormCreate() {
  if (ProgramFolder().empty()) ProgramFolder() = engine::StripTrailingBackslash(pf::ProgramDir());
  const std::string& programDir = ProgramFolder();
  VersionInfo->SetFileName(pf::ProgramFileName());
  // Steps 2-8 and 10-16 of the start: data folder, settings, paths, lists, answer list, random numbers.
  engine::StartUp(*state_, programDir, *this);
  // No sheet yet: neither exam nor training, so that the pages shown before the first sheet leave no exam.
  state_->ModeLetter = NoSheetMode;
  RestoreMainPosition();
  PexuPageViewer->SetServerRoot(programDir);
  PexuTimer->SetEnabled(false);
  SetPanelWidths(*PexusbStatusBar, {"70%", "10%", "20%"});
  PexusbStatusBar->Panels()[1]->SetText(" ");
  pf::Application().OnHint = [this](pf::TObject*) { ShowHint(); };
  TestHooks::Start(*this);
  ShowQuestion = [this](const std::string& partCode, const std::string& id) {
    CreateSecondaryWindows();
    FragenForm->ShowQuestion(partCode, id);
  };
  // The main window comes on the screen first: the secondary windows are made right after its first page.
  PexuPageViewer->PaintPanel().AddMessageHook(
      [this, posted = false](pf::TMessage& message, const pf::TWndMethod& previous) mutable {
        previous(message);
        if (posted || message.Msg != pf::WM_PAINT) return;
        posted = true;
        pf::PostMessage(this, SecondaryWindowsMessage);
      });
  // The start page comes last, once the shared state exists: a missing or broken start page is reported and the
  // program stays usable with an empty viewer.
  ShowStartPage();
}

void TPexuForm::RestoreMainPosition() {
  RestorePosition(*this, state_->IniFile.get(), "", DefaultMainBounds(pf::Screen().Width(), pf::Screen().Height()));
}

void TPexuForm::CreateSecondaryWindows() {
  if (FragenForm != nullptr) return;
  FragenForm = CreateSecondaryForm<TFragenForm>(&pf::Application(), *engine_);
  PEditorForm = CreateSecondaryForm<TPEditorForm>(&pf::Application(), *engine_);
  EinstellungenForm = CreateSecondaryForm<TEinstellungenForm>(&pf::Application(), *engine_);
  PexuAboutBox = CreateSecondaryForm<TPexuAboutBox>(&pf::Application(), *engine_);
  PEditorForm->OnShowQuestion = [this](const std::string& partCode, const std::string& id) {
    ShowQuestion(partCode, id);
  };
}

void TPexuForm::ShowStartPage() {
  try {
    LoadProgramPage("html/index.html");
  } catch (const pf::Exception& e) {
    pf::PostMessage(this, StartPageErrorMessage, 0, 0, e.Message());
  }
}

void TPexuForm::FormDestroy() {
  pf::Application().OnHint = nullptr;
  if (state_->IniFile) {
    // The normal geometry, not the one of a maximised window.
    SavePosition(*this, state_->IniFile.get(), "");
  }
  engine::ShutDown(*state_);
}

// ---- the engine's port

std::string TPexuForm::ServerRoot() const { return PexuPageViewer->ServerRoot(); }

void TPexuForm::LoadFromFile(const std::string& path) {
  // The flag that the engine sets for its own pages is spent once the load is over, also when the load added no
  // history entry (the same sheet again) or failed: else it would swallow the user's next step off the sheet.
  try {
    PexuPageViewer->LoadFromFile(path);
  } catch (...) {
    state_->IgnoreNextHistoryChange = false;
    throw;
  }
  state_->IgnoreNextHistoryChange = false;
}

std::string TPexuForm::DocumentTitle() const { return PexuPageViewer->GetDocumentTitle(); }

void TPexuForm::FocusViewer() {
  if (PexuPageViewer->CanFocus()) PexuPageViewer->SetFocus();
}

void TPexuForm::SetCaption(const std::string& caption) { pf::TForm::SetCaption(caption); }

void TPexuForm::SetPanelText(int panel, const std::string& text) { PexusbStatusBar->Panels()[panel]->SetText(text); }

void TPexuForm::SetPanelColor(int panel, uint32_t color) {
  PexusbStatusBar->Panels()[panel]->SetColor(static_cast<pf::TColor>(color));
}

void TPexuForm::Msg(const std::string& text) { app::Msg(*PexusbStatusBar, *MsgTimer, text); }

void TPexuForm::SetProgress(int position) {
  PexuProgressBar->SetPosition(position);
  // Sheets are drawn in one go: the bar must show each step without waiting for the event loop.
  PexuProgressBar->Repaint();
}

void TPexuForm::SetAntwortenlisteEnabled(bool enabled) { Antwortenliste->SetEnabled(enabled); }

void TPexuForm::StartExamClock() { PexuTimer->SetEnabled(true); }

void TPexuForm::StopExamClock() { PexuTimer->SetEnabled(false); }

void TPexuForm::ShowWarning(const std::string& text) { pf::MessageDlg(text, pf::mtWarning, pf::mbOK); }

bool TPexuForm::Confirm(const std::string& text) {
  return pf::MessageDlg(text, pf::mtWarning, pf::mbOK | pf::mbCancel) == pf::mrOk;
}

std::optional<std::string> TPexuForm::OpenFileDialog(const std::string& title, const std::string& filter,
                                                     const std::string& initialDir) {
  OpenDialog->Title = title;
  OpenDialog->Filter = filter;
  OpenDialog->InitialDir = initialDir;
  OpenDialog->FileName.clear();
  if (!OpenDialog->Execute()) return std::nullopt;
  return OpenDialog->FileName;
}

std::string TPexuForm::CompanyName() const { return VersionInfo->CompanyName(); }

std::string TPexuForm::ExamSheetPage() const {
  return pf::PathJoin(pf::PathJoin(state_->DataDir, "html"), "LetztePruefung.html");
}

}  // namespace app
