// The main window on real widgets (offscreen), on a portable program folder with the sample pages and catalogue.
#include <filesystem>

#include "app/einstellungen.h"
#include "app/fragen.h"
#include "app/info.h"
#include "app/main_rules.h"
#include "app/peditor.h"
#include "app/pexu_form.h"
#include "app/test_hooks.h"
#include "engine/catalogue.h"
#include "platform/core/files.h"
#include "platform/core/strings.h"
#include "platform/ui/printers.h"
#include "platform/ui/system.h"
#include "tests/app/app_test_support.h"
#include "tests/pump_until.h"

namespace {

using app::TPexuForm;
using namespace pf::literals;
namespace fs = std::filesystem;

const std::string kBrokenOff("Die Prüfung wurde unterbrochen und ist nun Training."_l1);

struct MainWindowTest : testing::Test {
  MainWindowTest() {
    for (const char* folder : {"html", "css", "pics"})
      fs::copy(std::string(PEXU_SOURCE_DIR) + "/resources/" + folder, program.File(folder),
               fs::copy_options::recursive);
    enginetest::WriteFile(program.File("Pexu.ini"), "[Einstellungen]\r\nPortable=1\r\n");
    enginetest::WriteFile(program.File("Fragen/KAEFragen.qst"), enginetest::ReadFile(PEXU_CATALOGUE));
    TPexuForm::ProgramFolder() = program.Path();
  }
  ~MainWindowTest() override {
    if (form) Close();
    TPexuForm::ProgramFolder().clear();
  }
  void Start() {
    pf::Application().CreateForm(form);
    form->Show();
  }
  // The program's end: the windows go in the reverse order of their creation.
  void Close() {
    pf::DoneApplication();
    form = nullptr;
  }
  engine::AppState& State() { return form->State(); }
  std::string Panel(int i) { return form->PexusbStatusBar->Panels()[i]->Text(); }
  std::vector<std::string> Warnings() {
    std::vector<std::string> texts;
    for (const auto& call : dialogs.service.Calls())
      if (call.kind == "MessageDlg") texts.push_back(call.text);
    return texts;
  }
  std::string Shown() { return form->PexuPageViewer->CurrentFile(); }
  bool OnSheet() { return pf::SameText(Shown(), form->ExamSheetPage()); }
  void Back() { form->VorZurueckSpeedButtonClick(form->zurueckSpeedButton); }
  void Forward() { form->VorZurueckSpeedButtonClick(form->vorSpeedButton); }

  enginetest::TempDir program;
  ui_test::RecordedDialogs dialogs;
  TPexuForm* form = nullptr;
};

TEST_F(MainWindowTest, StartsOnTheStartPageAndKeepsEveryWindowsPlace) {
  enginetest::WriteFile(program.File("html/LetzteAntworten.html"), "<html></html>");
  Start();
  EXPECT_TRUE(Warnings().empty());
  EXPECT_EQ(State().DataDir, program.Path());
  EXPECT_TRUE(pf::SameText(Shown(), program.File("html/index.html")));
  EXPECT_FALSE(form->Caption().empty());
  EXPECT_EQ(form->Caption(), form->PexuPageViewer->GetDocumentTitle());
  EXPECT_FALSE(form->Antwortenliste->Enabled());
  EXPECT_FALSE(pf::FileExists(program.File("html/LetzteAntworten.html")));
  const pf::TRect m = app::DefaultMainBounds(pf::Screen().Width(), pf::Screen().Height());
  const pf::TRect d =
      app::ShownBounds(m.Left, m.Top, m.Width(), m.Height(), pf::Screen().Width(), pf::Screen().Height());
  EXPECT_EQ((pf::TRect{form->Left(), form->Top(), form->Left() + form->Width(), form->Top() + form->Height()}), d);
  // The secondary windows are made once the first page has been painted.
  EXPECT_EQ(form->FragenForm, nullptr);
  testing_clock::PumpUntil([&] { return form->FragenForm != nullptr; });
  ASSERT_TRUE(form->FragenForm && form->PEditorForm && form->EinstellungenForm && form->PexuAboutBox);
  Close();
  // The secondary windows wrote their places through the settings file before the main window closed it.
  pf::TIniFile ini(program.File("Pexu.ini"));
  for (const char* key : {"Top", "PEditorTop", "EinstellungenTop", "Width", "PEditorWidth"})
    EXPECT_TRUE(ini.ValueExists("Position", key)) << key;
  EXPECT_EQ(ini.ReadInteger("Position", "Width", 0), d.Width());
  EXPECT_EQ(ini.ReadString("Verzeichnis", "Fragen", ""), program.File("Fragen"));
  EXPECT_EQ(ini.ReadString("Einstellungen", "Portable", ""), "1");
}

TEST_F(MainWindowTest, StoredPlacesOffTheScreenAreShownOnIt) {
  enginetest::WriteFile(program.File("Pexu.ini"),
                        "[Einstellungen]\r\nPortable=1\r\n[Position]\r\nLeft=5000\r\nTop=-300\r\nWidth=800\r\n"
                        "Height=600\r\nEinstellungenLeft=2500\r\nEinstellungenTop=2000\r\nFragenHeight=32767\r\n"
                        "PEditorLeft=-2147483648\r\nPEditorWidth=2147483647\r\n");
  Start();
  EXPECT_EQ(form->Left(), pf::Screen().Width() - 800);
  EXPECT_EQ(form->Top(), 0);
  EXPECT_EQ(form->Width(), 800);
  // Every window comes up wholly on the screen.
  form->CreateSecondaryWindows();
  for (pf::TCustomForm* window : std::initializer_list<pf::TCustomForm*>{form->FragenForm, form->PEditorForm,
                                                                         form->EinstellungenForm, form->PexuAboutBox}) {
    SCOPED_TRACE(window->Caption());
    EXPECT_GE(window->Left(), 0);
    EXPECT_GE(window->Top(), 0);
    EXPECT_LE(window->Left() + window->Width(), pf::Screen().Width());
    EXPECT_LE(window->Top() + window->Height(), pf::Screen().Height());
  }
  EXPECT_EQ(form->EinstellungenForm->Left(), pf::Screen().Width() - form->EinstellungenForm->Width());
  EXPECT_EQ(form->FragenForm->Height(), pf::Screen().Height());
}

TEST_F(MainWindowTest, AMaximisedWindowStoresThePlaceItComesBackTo) {
  Start();
  const pf::TRect normal = form->BoundsRect();
  form->SetWindowState(pf::wsMaximized);
  testing_clock::PumpUntil([&] { return form->Width() != normal.Width(); });
  ASSERT_GT(form->Width(), normal.Width());
  Close();
  pf::TIniFile ini(program.File("Pexu.ini"));
  EXPECT_EQ(ini.ReadInteger("Position", "Width", 0), normal.Width());
  EXPECT_EQ(ini.ReadInteger("Position", "Left", -1), normal.Left);
}

// A start page that cannot be read is reported once; the program is usable and draws sheets.
TEST_F(MainWindowTest, AMissingStartPageLeavesAWorkingProgram) {
  fs::remove(program.File("html/index.html"));
  Start();
  // Reported once the main window is up.
  EXPECT_TRUE(Warnings().empty());
  for (int round = 0; round < 100 && Warnings().empty(); ++round) pf::Application().ProcessMessages();
  ASSERT_EQ(Warnings().size(), 1u);
  EXPECT_NE(Warnings()[0].find("index.html"), std::string::npos);
  EXPECT_EQ(State().LogPath, program.File("Pexu.log"));
  form->K2TechnikClick();
  EXPECT_TRUE(OnSheet());
  EXPECT_EQ(State().ModeLetter, 'k');
  EXPECT_EQ(Warnings().size(), 1u);
}

TEST_F(MainWindowTest, LeavingAnExamWarnsOnceAndMakesItTraining) {
  Start();
  form->K2TechnikClick();
  ASSERT_TRUE(OnSheet());
  EXPECT_EQ(State().ModeLetter, 'k');
  EXPECT_TRUE(form->PexuTimer->Enabled());
  EXPECT_FALSE(form->Antwortenliste->Enabled());
  // "[Top]" on the sheet: the viewer scrolls; once it is done no flag is left behind.
  bool handled = true;
  form->PexuPageViewerHotSpotClick("#top", handled);
  EXPECT_FALSE(handled);
  form->PexuPageViewer->LoadFromFile(form->ExamSheetPage() + "#top");
  pf::Application().ProcessMessages();
  EXPECT_FALSE(State().IgnoreNextHistoryChange);
  // A second exam on the same page adds no history entry and must leave no flag either.
  form->K2TechnikClick();
  EXPECT_FALSE(State().IgnoreNextHistoryChange);
  EXPECT_TRUE(Warnings().empty());

  Back();
  EXPECT_FALSE(OnSheet());
  EXPECT_EQ(Warnings(), std::vector<std::string>{kBrokenOff});
  EXPECT_EQ(State().ModeLetter, 't');
  EXPECT_EQ(State().TrainingSection, "T--");
  EXPECT_TRUE(form->Antwortenliste->Enabled());
  EXPECT_TRUE(form->PexuTimer->Enabled());  // the clock keeps running
  Forward();
  Back();
  EXPECT_EQ(Warnings().size(), 1u);
}

// Menu exams: a refused one (no catalogue) changes nothing; a made one ends an own list's title.
TEST_F(MainWindowTest, MenuExamsChangeTheStateOnlyWhenTheSheetWasMade) {
  Start();
  State().OwnListTitle = "Meine Liste";
  fs::rename(program.File("Fragen/KAEFragen.qst"), program.File("Fragen/weg.qst"));
  form->K3TechnikClick();
  ASSERT_EQ(Warnings().size(), 1u);
  EXPECT_EQ(State().ModeLetter, app::NoSheetMode);
  EXPECT_EQ(State().OwnListTitle, "Meine Liste");
  form->HilfeSpeedButtonClick();
  EXPECT_EQ(Warnings().size(), 1u);  // no exam was left

  fs::rename(program.File("Fragen/weg.qst"), program.File("Fragen/KAEFragen.qst"));
  form->K2VorschriftenClick();
  EXPECT_TRUE(OnSheet());
  EXPECT_EQ(State().PartLetter, 'V');
  EXPECT_EQ(State().ClassLetter, 'E');
  EXPECT_EQ(State().OwnListTitle, "");
}

TEST_F(MainWindowTest, ProgramLinks) {
  Start();
  std::vector<std::pair<std::string, std::string>> shownQuestions;
  form->ShowQuestion = [&](const std::string& code, const std::string& id) { shownQuestions.push_back({code, id}); };
  std::vector<std::string> opened;
  bool shellOpens = true;
  pf::SetShellHandler([&](const std::string& target) {
    opened.push_back(target);
    return shellOpens;
  });
  bool handled = true;
  form->PexuPageViewerHotSpotClick("TA103.qst", handled);
  EXPECT_FALSE(handled);
  EXPECT_EQ(State().ShownQuestionId, "TA103");
  EXPECT_EQ(shownQuestions, (std::vector<std::pair<std::string, std::string>>{{"TA", "TA103"}}));

  form->PexuPageViewerHotSpotClick("TA101.qff", handled);
  form->PexuPageViewerHotSpotClick("TA101.qff", handled);
  EXPECT_EQ(Panel(0), std::string(" TA101 hinzugefügt"_l1));
  const std::string list = enginetest::ReadFile(program.File("Fragen/TAFalscheFragen.qlt"));
  EXPECT_EQ(enginetest::CountOf(list, "TA101"), 1u);

  // A solution that is missing, one that nothing opens, and one that opens.
  const std::string pdf = app::SolutionFile(program.Path(), 'A', "TA102");
  form->PexuPageViewerHotSpotClick("TA102.sln", handled);
  EXPECT_EQ(Panel(0), " " + pdf + " nicht gefunden");
  EXPECT_TRUE(opened.empty());
  enginetest::WriteFile(pdf, "%PDF-1.4");
  shellOpens = false;
  form->SetPanelText(0, "");
  form->PexuPageViewerHotSpotClick("TA102.sln", handled);
  EXPECT_EQ(Panel(0), " " + pdf + " nicht gefunden");
  shellOpens = true;
  form->SetPanelText(0, "");
  form->PexuPageViewerHotSpotClick("TA102.sln", handled);
  EXPECT_EQ(Panel(0), "");
  EXPECT_EQ(opened.size(), 2u);
  pf::SetShellHandler(nullptr);

  form->PexuPageViewerHotSpotClick("/x/StatistikA.html", handled);
  EXPECT_TRUE(handled);
  EXPECT_TRUE(pf::SameText(pf::ExtractFileName(Shown()), "statistikA.html"));
}

// The print command prints the shown page, all of it.
TEST_F(MainWindowTest, PrintsTheShownPage) {
  Start();
  pf::TPrinter printer;
  printer.SetBackend(pf::pbRecording);
  pf::TPrinter* previous = pf::SetPrinter(&printer);
  form->K2TechnikClick();
  form->Drucken->Click();
  pf::SetPrinter(previous);
  EXPECT_GT(printer.RecordedPageCount(), 1);  // 51 questions fill more than a page
  EXPECT_TRUE(Warnings().empty());
}

TEST_F(MainWindowTest, HintsReachEveryStatusBarAndTheStateFile) {
  Start();
  form->CreateSecondaryWindows();
  pf::Application().SetHint(" Seite aktualisieren");
  EXPECT_EQ(Panel(0), " Seite aktualisieren");
  EXPECT_EQ(Panel(1), " ");
  EXPECT_EQ(form->PEditorForm->PEditorsbStatusBar->Panels()[0]->Text(), " Seite aktualisieren");
  EXPECT_EQ(form->EinstellungenForm->EinstellungensbStatusBar->Panels()[0]->Text(), " Seite aktualisieren");
  form->Msg("Achtung");
  const std::string json = app::TestHooks::StateJson(*form);
  EXPECT_NE(json.find("{\"text\": \" Achtung\", \"color\": \"#FFFFE0\"}"), std::string::npos) << json;
  EXPECT_NE(json.find("\"Training/Antwortenliste\": {\"enabled\": false"), std::string::npos) << json;
  EXPECT_NE(json.find("\"Prüfungen/Klasse E/Betriebliche Kenntnisse\": {\"enabled\": true, \"shortcut\": \"F4\"}"),
            std::string::npos)
      << json;
}

}  // namespace
