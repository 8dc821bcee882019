// The main window on real widgets (offscreen), on a portable program folder with the sample pages and catalogue, and
// the menus of the windows it makes: every menu owner-drawn with one look and drawn through its own window's hook.
#include <filesystem>

#include "app/einstellungen.h"
#include "app/fragen.h"
#include "app/info.h"
#include "app/main_rules.h"
#include "app/peditor.h"
#include "app/pexu_form.h"
#include "app/test_hooks.h"
#include "components/od_menu.h"
#include "engine/catalogue.h"
#include "platform/core/files.h"
#include "platform/core/strings.h"
#include "platform/graphics/colors.h"
#include "platform/ui/capture.h"
#include "platform/ui/printers.h"
#include "platform/ui/system.h"
#include "tests/app/app_test_support.h"
#include "tests/platform/ui/ui_test_support.h"
#include "tests/pump_until.h"

namespace {

using app::TPexuForm;
using namespace pf::literals;
namespace fs = std::filesystem;

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

  enginetest::TempDir program;
  ui_test::RecordedDialogs dialogs;
  TPexuForm* form = nullptr;
};

// The start page first; the secondary windows are made once it has been painted (the window flows check the places
// they write at the end).
TEST_F(MainWindowTest, StartsOnTheStartPageAndMakesTheOtherWindowsAfterIt) {
  Start();
  EXPECT_TRUE(Warnings().empty());
  EXPECT_EQ(State().DataDir, program.Path());
  EXPECT_TRUE(pf::SameText(Shown(), program.File("html/index.html")));
  EXPECT_EQ(form->CompanyName(), "Pexu-Team");  // the pages' footers name the program's own version block's company
  EXPECT_EQ(form->FragenForm, nullptr);
  testing_clock::PumpUntil([&] { return form->FragenForm != nullptr; });
  ASSERT_TRUE(form->FragenForm && form->PEditorForm && form->EinstellungenForm && form->PexuAboutBox);
}

TEST_F(MainWindowTest, StoredPlacesOffTheScreenAreShownOnIt) {
  enginetest::WriteFile(program.File("Pexu.ini"),
                        "[Einstellungen]\r\nPortable=1\r\n[Position]\r\nLeft=5000\r\nTop=-300\r\nWidth=800\r\n"
                        "Height=600\r\nEinstellungenLeft=2500\r\nEinstellungenTop=2000\r\nFragenHeight=32767\r\n"
                        "PEditorLeft=-2147483648\r\nPEditorWidth=2147483647\r\n");
  Start();
  EXPECT_EQ(form->BoundsRect(), pf::TRect({pf::Screen().Width() - 800, 0, pf::Screen().Width(), 600}));
  // Every window comes up wholly on the screen.
  form->CreateSecondaryWindows();
  for (pf::TCustomForm* window : std::initializer_list<pf::TCustomForm*>{form->FragenForm, form->PEditorForm,
                                                                         form->EinstellungenForm, form->PexuAboutBox}) {
    const pf::TRect r = window->BoundsRect();
    EXPECT_TRUE(r.Left >= 0 && r.Top >= 0 && r.Right <= pf::Screen().Width() && r.Bottom <= pf::Screen().Height())
        << window->Caption();
  }
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

// A start page that cannot be read is reported once, over the main window once it is up (the window flows draw a
// sheet after it). The empty viewer, as every page whose style gives no background colour, shows the window colour
// without a frame, also while it has the focus.
TEST_F(MainWindowTest, AMissingStartPageIsReportedOnceTheWindowIsUp) {
  fs::remove(program.File("html/index.html"));
  Start();
  EXPECT_TRUE(Warnings().empty());
  testing_clock::PumpUntil([&] { return !Warnings().empty(); });
  ASSERT_EQ(Warnings().size(), 1u);
  EXPECT_NE(Warnings()[0].find("index.html"), std::string::npos);

  viewer::TPageViewer& viewer = *form->PexuPageViewer;
  viewer.SetFocus();
  ASSERT_TRUE(testing_clock::PumpUntil([&] { return viewer.Focused(); }));
  const pf::TColor window = pf::ColorToDrawRGB(pf::clWindow);
  auto corners = [&] {
    viewer.Repaint();
    viewer.PaintPanel().Update();
    std::unique_ptr<pf::TBitmap> shown = pf::CaptureControl(viewer);
    const int32_t right = viewer.PaintPanel().Width() - 1, bottom = viewer.Height() - 1;
    std::vector<pf::TColor> colours;
    for (pf::TPoint p : {pf::TPoint{0, 0}, pf::TPoint{right, 0}, pf::TPoint{0, bottom}, pf::TPoint{right, bottom},
                         pf::TPoint{right / 2, bottom / 2}})
      colours.push_back(shown->Canvas().Pixels(p.X, p.Y) & 0xFFFFFF);
    return colours;
  };
  EXPECT_EQ(corners(), std::vector<pf::TColor>(5, window));
  enginetest::WriteFile(program.File("html/ohne.html"), "<html><body><p>Ohne Hintergrund</p></body></html>");
  viewer.LoadFromFile(program.File("html/ohne.html"));
  EXPECT_EQ(corners(), std::vector<pf::TColor>(5, window));

  form->K2TechnikClick();
  EXPECT_EQ(Warnings().size(), 1u);
}

// What the window flows do not see of leaving an exam: the program's own loads leave no flag behind, the warning's
// text, the section and the clock.
TEST_F(MainWindowTest, LeavingAnExamWarnsOnceAndMakesItTraining) {
  Start();
  form->K2TechnikClick();
  ASSERT_TRUE(OnSheet());
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
  EXPECT_EQ(Warnings(),
            std::vector<std::string>{std::string("Die Prüfung wurde unterbrochen und ist nun Training."_l1)});
  EXPECT_EQ(std::tuple(State().ModeLetter, State().TrainingSection), std::tuple('t', "T--"));
  EXPECT_TRUE(form->PexuTimer->Enabled());  // the clock keeps running
}

// Menu exams: a refused one (no catalogue) changes nothing; a made one ends an own list's title.
TEST_F(MainWindowTest, MenuExamsChangeTheStateOnlyWhenTheSheetWasMade) {
  Start();
  State().OwnListTitle = "Meine Liste";
  fs::rename(program.File("Fragen/KAEFragen.qst"), program.File("Fragen/weg.qst"));
  form->K3TechnikClick();
  ASSERT_EQ(Warnings().size(), 1u);
  EXPECT_EQ(std::tuple(State().ModeLetter, State().OwnListTitle), std::tuple(app::NoSheetMode, "Meine Liste"));
  form->HilfeSpeedButtonClick();
  EXPECT_EQ(Warnings().size(), 1u);  // no exam was left
  fs::rename(program.File("Fragen/weg.qst"), program.File("Fragen/KAEFragen.qst"));
  form->K2VorschriftenClick();
  EXPECT_TRUE(OnSheet());
  EXPECT_EQ(std::tuple(State().PartLetter, State().ClassLetter, State().OwnListTitle), std::tuple('V', 'E', ""));
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
  for (const bool exists : {false, true}) {
    if (exists) enginetest::WriteFile(pdf, "%PDF-1.4");
    for (const bool opens : {false, true}) {
      shellOpens = opens;
      form->SetPanelText(0, "");
      form->PexuPageViewerHotSpotClick("TA102.sln", handled);
      EXPECT_EQ(Panel(0), exists && opens ? "" : " " + pdf + " nicht gefunden") << exists << opens;
    }
  }
  EXPECT_EQ(opened.size(), 2u);
  pf::SetShellHandler(nullptr);
  // The desktop's own opener: finding no program for the file gives the same message, handing it on gives none.
  for (const bool opens : {false, true}) {
    ui_test::StandInDesktop desktop(opens ? "exit 0" : "exit 3", "exit 0");
    form->SetPanelText(0, "");
    form->PexuPageViewerHotSpotClick("TA102.sln", handled);
    EXPECT_EQ(Panel(0), opens ? "" : " " + pdf + " nicht gefunden") << opens;
  }

  form->PexuPageViewerHotSpotClick("/x/StatistikA.html", handled);
  EXPECT_TRUE(handled);
  EXPECT_TRUE(pf::SameText(pf::ExtractFileName(Shown()), "statistikA.html"));
}

// The question links of an evaluation page act on the part and class of the sheet it graded, also after a sheet of
// another part was drawn and the user went back to it.
TEST_F(MainWindowTest, LinksActOnThePartOfTheirPage) {
  Start();
  form->K2TechnikClick();
  // The TA sheet submitted with its first question answered wrong and the others left blank.
  pf::TStringList sheet;
  sheet.LoadFromFile(form->ExamSheetPage());
  auto results = std::make_unique<pf::TStringList>();
  std::string id;
  for (int i = 0; i < sheet.Count(); ++i) {
    const size_t at = sheet[i].find("type=\"hidden\" name=\"");
    if (at == std::string::npos || sheet[i].find("value=\"N\"") == std::string::npos) continue;
    const std::string name = sheet[i].substr(at + 20, 5);
    if (id.empty()) results->Add((id = name) + "=W1");
    results->Add(name + "=N");
  }
  for (const std::string& field : {std::string("teil=A"), std::string("gebiet=T"), "testid=" + State().SheetId})
    results->Add(field);
  form->PexuPageViewerFormSubmit("PexuA", "", "", "post", std::move(results));
  const std::string evaluation = Shown();
  ASSERT_NE(enginetest::ReadFile(evaluation).find(id + ".qff"), std::string::npos);
  form->K2BetriebClick();
  Back();
  ASSERT_EQ(Shown(), evaluation);
  ASSERT_EQ(std::tuple(State().PartLetter, State().ClassLetter), std::tuple('B', 'E'));

  std::vector<std::pair<std::string, std::string>> shownQuestions;
  form->ShowQuestion = [&](const std::string& code, const std::string& shown) {
    shownQuestions.push_back({code, shown});
  };
  std::vector<std::string> opened;
  pf::SetShellHandler([&](const std::string& target) {
    opened.push_back(target);
    return true;
  });
  const std::string pdf = app::SolutionFile(program.Path(), 'A', id);
  enginetest::WriteFile(pdf, "%PDF-1.4");
  bool handled = true;
  for (const std::string& link : {id + ".qff", id + ".qst", id + ".sln"})
    form->PexuPageViewerHotSpotClick(link, handled);
  pf::SetShellHandler(nullptr);
  EXPECT_EQ(enginetest::ReadFile(program.File("Fragen/TAFalscheFragen.qlt")),
            "#Falsche Fragen TA\r\nTA=2\r\nZeit=30\r\n" + id + "\r\n");
  EXPECT_FALSE(pf::FileExists(program.File("Fragen/BEFalscheFragen.qlt")));
  EXPECT_EQ(shownQuestions, (std::vector<std::pair<std::string, std::string>>{{"TA", id}}));
  EXPECT_EQ(opened, std::vector<std::string>{pf::ResolvePath(pdf)});
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

TEST_F(MainWindowTest, HintsAndMessagesReachEveryStatusBar) {
  Start();
  form->CreateSecondaryWindows();
  pf::Application().SetHint(" Seite aktualisieren");
  EXPECT_EQ(std::tuple(Panel(0), Panel(1), form->PEditorForm->PEditorsbStatusBar->Panels()[0]->Text(),
                       form->EinstellungenForm->EinstellungensbStatusBar->Panels()[0]->Text()),
            std::tuple(" Seite aktualisieren", " ", " Seite aktualisieren", " Seite aktualisieren"));
  form->Msg("Achtung");
  EXPECT_EQ(std::tuple(Panel(0), form->PexusbStatusBar->Panels()[0]->Color()), std::tuple(" Achtung", app::MsgColor));
}

// Every window's status bar in 13-pixel Verdana with the named panels of its layout, at the widths the window sets
// when it starts; the minute count and the editor's counts stand in the middle of their panel, and the progress
// bar fills its part with no sunken frame round it.
TEST_F(MainWindowTest, EveryStatusBarInVerdanaWithNamedPanels) {
  using components::taCenter;
  using components::taLeftJustify;
  Start();
  form->CreateSecondaryWindows();
  {
    app::TPEditorForm layout(nullptr, form->Engine());  // before its start
    EXPECT_EQ(
        std::pair(layout.PEditorsbStatusBar->Panels()[0]->Width(), layout.PEditorsbStatusBar->Panels()[1]->Width()),
        std::pair(std::string("500"), std::string("50")));
  }
  struct Panel {
    std::string name, width;
    components::TAlignment alignment;
  };
  const std::pair<components::TsbStatusBar*, std::vector<Panel>> bars[] = {
      {form->PexusbStatusBar,
       {{"Nachricht", "70%", taLeftJustify}, {"Zeit", "10%", taCenter}, {"Balken", "20%", taLeftJustify}}},
      {form->PEditorForm->PEditorsbStatusBar, {{"Nachricht", "80%", taLeftJustify}, {"Zeit", "20%", taCenter}}},
      {form->EinstellungenForm->EinstellungensbStatusBar, {{"Nachricht", "500", taLeftJustify}}},
      {form->FragenForm->FragensbStatusBar, {{"Nachricht", "500", taLeftJustify}}},
  };
  for (const auto& [bar, panels] : bars) {
    SCOPED_TRACE(pf::GetParentForm(bar)->ClassName());
    EXPECT_EQ(std::pair(bar->Font().Name(), bar->Font().Height()), std::pair(std::string("Verdana"), -13));
    ASSERT_EQ(bar->Panels().Count(), static_cast<int>(panels.size()));
    for (int i = 0; i < bar->Panels().Count(); ++i) {
      components::TsbStatusPanel* panel = bar->Panels()[i];
      const Panel& expected = panels[static_cast<size_t>(i)];
      EXPECT_EQ(std::tuple(panel->Name(), panel->Width(), panel->TextOptions().Alignment()),
                std::tuple(expected.name, expected.width, expected.alignment));
      EXPECT_EQ(std::pair(panel->Font().Name(), panel->Font().Height()), std::pair(std::string("Verdana"), -13));
    }
  }

  for (components::TsbStatusPanel* counts :
       {form->PexusbStatusBar->Panels()[1], form->PEditorForm->PEditorsbStatusBar->Panels()[1]}) {
    counts->SetText("12 Min");
    pf::TBitmap painted(90, 18, pf::pf24bit);
    counts->Paint(painted.Canvas(), {0, 0, 90, 18});
    int32_t left = 90, right = 0;
    for (int32_t x = 0; x < 90; ++x)
      for (int32_t y = 0; y < 18; ++y)
        if (painted.GetPixel(x, y) != pf::ColorToRGB(pf::clBtnFace))
          left = std::min(left, x), right = std::max(right, x + 1);
    ASSERT_LT(left, right);
    EXPECT_LE(std::abs(left - (90 - right)), 2) << "ink from " << left << " to " << right;
  }

  components::TsbStatusPanel* balken = form->PexusbStatusBar->Panels()[2];
  EXPECT_EQ(std::tuple(balken->Style(), balken->Bevel(), balken->Component()),
            std::tuple(components::psControl, components::pbNone, static_cast<pf::TComponent*>(form->PexuProgressBar)));
  // The panel places the bar when it paints.
  const pf::TRect part = form->PexusbStatusBar->PartRect(2);
  const pf::TControl& progress = *form->PexuProgressBar;
  testing_clock::PumpUntil([&] { return progress.Top() != 0; }, std::chrono::seconds(5));
  EXPECT_EQ(std::tuple(progress.Left(), progress.Top(), progress.Height()),
            std::tuple(part.Left, part.Top, part.Height()));
}

// Every item below item, depth first.
void CollectItems(const pf::TMenuItem& item, std::vector<const pf::TMenuItem*>& items) {
  for (int i = 0; i < item.Count(); ++i) {
    items.push_back(item.Items(i));
    CollectItems(*item.Items(i), items);
  }
}

struct WindowMenu {
  const char* name;
  pf::TMenu* menu;
  pf::TMenuItem* sample;  // a drop-down item with a glyph and a shortcut
};

std::vector<WindowMenu> MenusOf(TPexuForm& form) {
  form.CreateSecondaryWindows();
  app::TPEditorForm& editor = *form.PEditorForm;
  app::TEinstellungenForm& settings = *form.EinstellungenForm;
  return {
      {"main window", form.PexuodMenu, form.Drucken},
      {"editor", editor.MainMenu, editor.MainMenu->Items().Items(0)->Items(1)},
      {"editor pool pop-up", editor.FragenPopupMenu, editor.FragenPopupMenu->Items().Items(1)},
      {"editor list pop-up", editor.PruefungPopupMenu, editor.PruefungPopupMenu->Items().Items(1)},
      {"settings window", settings.MainMenu, settings.MainMenu->Items().Items(0)->Items(5)},
  };
}

// Every item of every menu is drawn by the menu, in the menu's font (13-pixel Arial).
TEST_F(MainWindowTest, EveryMenuItemIsOwnerDrawnInTheMenusFont) {
  Start();
  for (const WindowMenu& window : MenusOf(*form)) {
    SCOPED_TRACE(window.name);
    ASSERT_NE(dynamic_cast<components::TodMenuProperties*>(window.menu), nullptr);
    std::vector<const pf::TMenuItem*> items;
    CollectItems(window.menu->Items(), items);
    for (const pf::TMenuItem* item : items) {
      const auto* od = dynamic_cast<const components::TodMenuItem*>(item);
      ASSERT_NE(od, nullptr) << item->Caption();
      EXPECT_EQ(std::pair(od->Font().Name(), od->Font().Height()), std::pair(std::string("Arial"), -13))
          << item->Caption();
    }
  }
}

// An item measured and drawn the way the window system asks for it, through the menu's handlers (the form's hook
// or the pop-up window): the light grey background up to the right edge, the glyph at the left, the shortcut in its
// column at the right, and the highlight colour all over when selected.
TEST_F(MainWindowTest, MenuItemsAreDrawnThroughTheirWindowsHook) {
  Start();
  const uint32_t background = pf::ColorToRGB(0xF7F7F7);
  const uint32_t highlight = pf::ColorToRGB(pf::clHighlight);
  for (const WindowMenu& window : MenusOf(*form)) {
    SCOPED_TRACE(window.name);
    pf::TMenuItem& item = *window.sample;
    ASSERT_FALSE(item.Bitmap().Empty());
    ASSERT_NE(item.ShortCut(), pf::scNone);
    pf::TBitmap scratch(1, 1);
    int32_t width = 0, height = 0;
    ASSERT_TRUE(window.menu->MeasureItemHandler(item, scratch.Canvas(), width, height));
    EXPECT_EQ(height, 16 + 4);  // the glyph decides over a 13-pixel line
    ASSERT_GT(width, 100);

    for (const bool selected : {false, true}) {
      pf::TBitmap target(width, height, pf::pf24bit);
      ASSERT_TRUE(window.menu->DrawItemHandler(item, target.Canvas(), {0, 0, width, height},
                                               selected ? pf::TOwnerDrawState{pf::odSelected} : 0));
      const uint32_t fill = selected ? highlight : background;
      EXPECT_EQ(target.GetPixel(width - 2, 1), fill) << "selected " << selected;
      int glyphPixels = 0, shortcutPixels = 0;
      for (int32_t y = 2; y < height - 2; ++y) {
        for (int32_t x = 0; x < 22; ++x) glyphPixels += target.GetPixel(x, y) != fill;
        for (int32_t x = width * 3 / 4; x < width - 4; ++x) shortcutPixels += target.GetPixel(x, y) != fill;
      }
      EXPECT_GT(glyphPixels, 20) << "selected " << selected;
      EXPECT_GT(shortcutPixels, 10) << "selected " << selected;
    }
  }
}

}  // namespace
