// The main window: the page viewer, the tool buttons, the main menu, the status bar with its progress bar, the exam
// clock and the message timer. It owns the shared state and the engine, implements the engine's port, creates the
// secondary windows after its own start, and routes the viewer's events to the engine. Start and close are in
// pexu_form.cpp, the handlers in pexu_handlers.cpp.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "components/od_menu.h"
#include "components/status_bar.h"
#include "components/version_info.h"
#include "engine/engine.h"
#include "engine/port.h"
#include "engine/state.h"
#include "platform/ui/buttons.h"
#include "platform/ui/comctrls.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/extctrls.h"
#include "platform/ui/forms.h"
#include "platform/ui/menus.h"
#include "viewer/page_viewer.h"

namespace app {

class TFragenForm;
class TPEditorForm;
class TEinstellungenForm;
class TPexuAboutBox;

// The caption until the first page's title replaces it.
constexpr const char* MainCaption = " Pexu - Quendolar";
// The exam clock's minute.
constexpr uint32_t ExamMinute = 60000;
// The mode before the first sheet.
constexpr char NoSheetMode = ' ';
// Posted after a "#top" link was handed to the viewer: the jump is over, whether or not it changed the history.
constexpr uint32_t TopJumpDoneMessage = pf::WM_USER + 200;
// Posted once the page viewer has painted for the first time: the secondary windows are made then.
constexpr uint32_t SecondaryWindowsMessage = pf::WM_USER + 201;
// Posted at start when the start page could not be shown: the message (the payload) comes over the main window.
constexpr uint32_t StartPageErrorMessage = pf::WM_USER + 202;

class TPexuForm : public pf::TForm, public engine::EnginePort {
 public:
  explicit TPexuForm(pf::TComponent* owner);
  ~TPexuForm() override;
  std::string ClassName() const override { return "TPexuForm"; }

  engine::AppState& State() { return *state_; }
  engine::Engine& Engine() { return *engine_; }

  // ---- components
  viewer::TPageViewer* PexuPageViewer;
  pf::TPanel* SpeedButtonPanel;
  pf::TSpeedButton* zurueckSpeedButton;
  pf::TSpeedButton* vorSpeedButton;
  pf::TSpeedButton* ReloadSpeedButton;
  pf::TSpeedButton* HomeSpeedButton;
  pf::TSpeedButton* DruckenSpeedButton;
  pf::TSpeedButton* LogSpeedButton;
  pf::TSpeedButton* PeditorSpeedButton;
  pf::TSpeedButton* EinstellungenSpeedButton;
  pf::TSpeedButton* HilfeSpeedButton;
  pf::TSpeedButton* ExitSpeedButton;
  components::TsbStatusBar* PexusbStatusBar;
  pf::TProgressBar* PexuProgressBar;
  pf::TTimer* PexuTimer;
  pf::TTimer* MsgTimer;
  components::TVersionInfo* VersionInfo;
  pf::TPrinterSetupDialog* PrinterSetupDialog;
  pf::TOpenDialog* OpenDialog;
  components::TodMenu* PexuodMenu;
  // menu items
  pf::TMenuItem *Pruefungladen, *Drucken, *Druckereinrichten, *Beenden;
  pf::TMenuItem *TrainingK2, *TrainingK3, *Antwortenliste, *MEinstellungen;
  pf::TMenuItem *Klasse2, *K2Technik, *K2Betrieb, *K2Vorschriften, *Statistik2;
  pf::TMenuItem *Klasse3, *K3Technik, *K3Betrieb, *K3Vorschriften, *Statistik3;
  pf::TMenuItem *EigenePruefung, *Pruefungseditor, *Log, *Logloeschen;
  pf::TMenuItem *PexuHilfe, *Info;

  // ---- the secondary windows (owned by the application; created by FormCreate)
  TFragenForm* FragenForm = nullptr;
  TPEditorForm* PEditorForm = nullptr;
  TEinstellungenForm* EinstellungenForm = nullptr;
  TPexuAboutBox* PexuAboutBox = nullptr;
  // Shows the question id of part partCode ("TA") in the question window.
  std::function<void(const std::string& partCode, const std::string& id)> ShowQuestion;
  // Creates the question window, the editor, the settings window and the about box, in this order, unless they
  // exist. The start makes them once the first page is on the screen; whatever needs one earlier makes them then,
  // and the program's end makes them when the user left before, so that every window writes its settings.
  void CreateSecondaryWindows();

  // ---- start and close
  void FormCreate();
  void FormDestroy();
  // The program folder (the viewer's server root); set before the window is created, else the executable's.
  static std::string& ProgramFolder();

  // ---- handlers
  void VorZurueckSpeedButtonClick(pf::TObject* sender);
  void ReloadSpeedButtonClick();
  void HomeSpeedButtonClick();
  void TrainingK2Click();
  void TrainingK3Click();
  void HilfeSpeedButtonClick();
  void K2TechnikClick();
  void K2BetriebClick();
  void K2VorschriftenClick();
  void K3TechnikClick();
  void Statistik2Click();
  void Statistik3Click();
  void AntwortenlisteClick();
  void InfoClick();
  void MEinstellungenClick();
  void PruefungseditorClick();
  void DruckenSpeedButtonClick();
  void DruckereinrichtenClick();
  void ExitSpeedButtonClick();
  void PexuPageViewerFormSubmit(const std::string& action, const std::string& target, const std::string& encType,
                                const std::string& method, std::unique_ptr<pf::TStringList> results);
  void PexuPageViewerHotSpotClick(const std::string& src, bool& handled);
  void PexuPageViewerHotSpotCovered(const std::string& src);
  void PexuPageViewerMouseMove();
  void PexuPageViewerHistoryChange();
  void ShowHint();
  void MsgTimerTimer();
  void PexuTimerTimer();

  // ---- engine::EnginePort
  std::string ServerRoot() const override;
  void LoadFromFile(const std::string& path) override;
  std::string DocumentTitle() const override;
  void FocusViewer() override;
  void SetCaption(const std::string& caption) override;
  void SetPanelText(int panel, const std::string& text) override;
  void SetPanelColor(int panel, uint32_t color) override;
  void Msg(const std::string& text) override;
  void SetProgress(int position) override;
  void SetAntwortenlisteEnabled(bool enabled) override;
  void StartExamClock() override;
  void StopExamClock() override;
  void ShowWarning(const std::string& text) override;
  bool Confirm(const std::string& text) override;
  std::optional<std::string> OpenFileDialog(const std::string& title, const std::string& filter,
                                            const std::string& initialDir) override;
  std::string CompanyName() const override;

  // The exam sheet page that the leaving rule watches.
  std::string ExamSheetPage() const;

 protected:
  void WndProc(pf::TMessage& message) override;

 private:
  void BuildToolButtons();
  void BuildMenus();
  void BuildStatusBar();
  void BuildViewer();
  void RestoreMainPosition();
  void ShowStartPage();
  // An exam of the menus: part and class as given, mode 'k'; the state changes only when the sheet was made.
  void MenuExam(char part, char cls);
  // Loads a page of the program folder (name below root, optionally with "#top") as a program-made change.
  void LoadProgramPage(const std::string& relative);
  void ExamBrokenOff();

  std::unique_ptr<engine::AppState> state_;
  std::unique_ptr<engine::Engine> engine_;
};

}  // namespace app
