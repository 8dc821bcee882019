// The main window's handlers: navigation, exams and training, links, the exam clock, leaving an exam, hints and
// messages, printing.
#include "app/einstellungen.h"
#include "app/info.h"
#include "app/main_rules.h"
#include "app/peditor.h"
#include "app/pexu_form.h"
#include "app/window_support.h"
#include "engine/statistik.h"
#include "platform/core/files.h"
#include "platform/core/strings.h"
#include "platform/ui/system.h"

namespace app {

using namespace pf::literals;

void TPexuForm::LoadProgramPage(const std::string& relative) { LoadFromFile(pf::PathJoin(ServerRoot(), relative)); }

void TPexuForm::VorZurueckSpeedButtonClick(pf::TObject* sender) {
  // Entry 0 is the newest: back is one entry further down the list.
  const int32_t step = sender == zurueckSpeedButton ? 1 : -1;
  PexuPageViewer->SetHistoryIndex(PexuPageViewer->HistoryIndex() + step);
}

void TPexuForm::ReloadSpeedButtonClick() {
  PexuPageViewer->Reload();
  FocusViewer();
}

void TPexuForm::HomeSpeedButtonClick() { LoadProgramPage("html/index.html"); }
void TPexuForm::TrainingK2Click() { LoadProgramPage("html/traininga.html#top"); }
void TPexuForm::TrainingK3Click() { LoadProgramPage("html/traininge.html#top"); }
void TPexuForm::HilfeSpeedButtonClick() { LoadProgramPage("html/PexuHilfe.html#top"); }

void TPexuForm::MenuExam(char part, char cls) {
  std::string sheetId = state_->SheetId;
  char mode = 'k';
  // Only a sheet that was made changes the mode and ends an own list's title: a refused request (no catalogue)
  // leaves the running sheet as it was.
  if (engine_->BuildExamSheet(part, cls, sheetId, "", mode)) state_->OwnListTitle.clear();
}

void TPexuForm::K2TechnikClick() { MenuExam('T', 'A'); }
void TPexuForm::K2BetriebClick() { MenuExam('B', 'E'); }
void TPexuForm::K2VorschriftenClick() { MenuExam('V', 'E'); }
void TPexuForm::K3TechnikClick() { MenuExam('T', 'E'); }
void TPexuForm::Statistik2Click() { engine::ShowStatistics(*engine_, 'A'); }
void TPexuForm::Statistik3Click() { engine::ShowStatistics(*engine_, 'E'); }

void TPexuForm::AntwortenlisteClick() {
  const std::string page = pf::PathJoin(pf::PathJoin(state_->DataDir, "html"), "LetzteAntworten.html");
  if (pf::FileExists(page)) LoadFromFile(page + "#top");
}

void TPexuForm::InfoClick() {
  CreateSecondaryWindows();
  PexuAboutBox->ShowModal();
}
void TPexuForm::MEinstellungenClick() {
  CreateSecondaryWindows();
  EinstellungenForm->Show();
}
void TPexuForm::PruefungseditorClick() {
  CreateSecondaryWindows();
  PEditorForm->Show();
}
void TPexuForm::DruckenSpeedButtonClick() { PexuPageViewer->Print(1, 999); }
void TPexuForm::DruckereinrichtenClick() { PrinterSetupDialog->Execute(); }
void TPexuForm::ExitSpeedButtonClick() { Close(); }

void TPexuForm::PexuPageViewerFormSubmit(const std::string& action, const std::string& target,
                                         const std::string& encType, const std::string& method,
                                         std::unique_ptr<pf::TStringList> results) {
  engine_->PexuPageViewerFormSubmit(action, target, encType, method, *results);
}

void TPexuForm::PexuPageViewerHotSpotClick(const std::string& src, bool& handled) {
  handled = false;
  // A question link acts on the part and class of the page it stands on, which may be older than the running sheet.
  const auto [part, cls] = engine_->PagePart(PexuPageViewer->CurrentFile());
  switch (ClassifyLink(src)) {
    case LinkKind::LastLog:
      engine_->LogSpeedButtonClick();
      return;
    case LinkKind::About:
      handled = true;
      InfoClick();
      return;
    case LinkKind::StatisticsA:
      handled = true;
      Statistik2Click();
      return;
    case LinkKind::StatisticsE:
      handled = true;
      Statistik3Click();
      return;
    case LinkKind::Question:
      state_->ShownQuestionId = pf::Copy(src, 1, 5);
      ShowQuestion(std::string{part, cls}, state_->ShownQuestionId);
      return;
    case LinkKind::WrongAndOrPdf: {
      const std::string id = pf::Copy(src, 1, 5);
      if (LinkAddsWrongQuestion(src)) {
        engine_->AddToWrongQuestionsList(part, cls, id);
        SetPanelText(0, " " + id + std::string(" hinzugefügt"_l1));
      }
      if (LinkOpensSolution(src)) {
        const std::string path = SolutionFile(ServerRoot(), cls, id);
        // Reported when the file is missing or nothing could open it, never from a stale error code.
        if (!pf::FileExists(path) || pf::ShellExecute("open", pf::ResolvePath(path)) <= 32)
          SetPanelText(0, " " + path + " nicht gefunden");
      }
      return;
    }
    case LinkKind::Top:
      state_->IgnoreNextHistoryChange = true;
      // The viewer scrolls after this handler; a jump that adds no history entry must not leave the flag set.
      pf::PostMessage(this, TopJumpDoneMessage);
      return;
    case LinkKind::Other:
      return;
  }
}

void TPexuForm::WndProc(pf::TMessage& message) {
  if (message.Msg == TopJumpDoneMessage) {
    state_->IgnoreNextHistoryChange = false;
    return;
  }
  if (message.Msg == SecondaryWindowsMessage) {
    CreateSecondaryWindows();
    return;
  }
  if (message.Msg == StartPageErrorMessage) {
    pf::MessageDlg(std::any_cast<std::string>(message.Payload), pf::mtError, pf::mbOK);
    return;
  }
  pf::TForm::WndProc(message);
}

void TPexuForm::PexuPageViewerHotSpotCovered(const std::string& src) {
  SetPanelText(0, " " + src);
  if (!PexuTimer->Enabled()) SetPanelText(1, " ");
}

void TPexuForm::PexuPageViewerMouseMove() { PexuPageViewer->SetHint(PexuPageViewer->HintText()); }

void TPexuForm::PexuPageViewerHistoryChange() {
  pf::TForm::SetCaption(PexuPageViewer->GetDocumentTitle());
  for (int panel : {0, 1}) {
    SetPanelColor(panel, pf::clBtnFace);
    SetPanelText(panel, "");
  }
  if (state_->ModeLetter != 'k' && state_->ModeLetter != 'a') return;
  if (state_->IgnoreNextHistoryChange) {
    // The change came from the program: a sheet or page it loaded, a "#top" jump.
    state_->IgnoreNextHistoryChange = false;
    return;
  }
  // A step within the sheet itself (another position of the same page) does not leave the exam.
  const std::string shown = PexuPageViewer->CurrentFile();
  if (!shown.empty() && pf::SameText(pf::ExpandFileName(shown), pf::ExpandFileName(ExamSheetPage()))) return;
  ExamBrokenOff();
}

void TPexuForm::ExamBrokenOff() {
  ShowWarning(std::string("Die Prüfung wurde unterbrochen und ist nun Training."_l1));
  state_->ModeLetter = 't';
  state_->TrainingSection = std::string(1, state_->PartLetter) + "--";
  SetAntwortenlisteEnabled(true);
}

void TPexuForm::ShowHint() {
  const std::string& hint = pf::Application().Hint();
  SetPanelText(0, hint);
  if (PEditorForm) PEditorForm->ShowHint(hint);
  if (EinstellungenForm) EinstellungenForm->ShowHint(hint);
  if (!PexuTimer->Enabled()) SetPanelText(1, " ");
}

void TPexuForm::MsgTimerTimer() { app::MsgTimerTimer(*PexusbStatusBar, *MsgTimer); }

void TPexuForm::PexuTimerTimer() {
  ++state_->MinutesElapsed;
  const ClockStep step = ExamClockStep(state_->MinutesElapsed, state_->TimeLimit);
  SetPanelText(1, step.minutesText);
  SetPanelColor(0, step.color);
  SetPanelColor(1, step.color);
  if (step.hasText) SetPanelText(0, step.text);
  if (step.stop) PexuTimer->SetEnabled(false);
}

}  // namespace app
