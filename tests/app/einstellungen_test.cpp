// The settings window and the about box on real widgets (offscreen).
#include "app/einstellungen.h"
#include "app/fragen.h"
#include "app/info.h"
#include "app/peditor.h"
#include "engine/catalogue.h"
#include "platform/core/files.h"
#include "platform/core/strings.h"
#include "tests/app/app_test_support.h"

namespace {

using app::TEinstellungenForm;
using app::TPexuAboutBox;
using apptest::AppTest;
using namespace pf::literals;

constexpr const char* kModeKeys[] = {"Default", "AskedList", "Zufallszahlen", "FVBNetzA"};

struct SettingsTest : AppTest {
  void ExpectWritten(int chosen) {
    for (int i = 0; i < 4; ++i) EXPECT_EQ(Ini("Einstellungen", kModeKeys[i]), i == chosen ? "1" : "0") << kModeKeys[i];
    EXPECT_EQ(Ini("Einstellungen", "Fragenanordnung"), "0");
  }
};

// Each mode by its radio button, its label and its menu shortcut: the window shows the one choice at once, the
// engine sees it at once, and the settings file gets it as soon as another window is active.
TEST_F(SettingsTest, AChoiceIsTheOnlyTrueSettingOnceAnotherWindowIsActive) {
  auto settings = Create<TEinstellungenForm>();
  auto main = ui_test::ActiveForm();
  pf::TRadioButton* radios[] = {settings->DefaultRadioButton, settings->AbgefragtListeRadioButton,
                                settings->FragenauswahlRadioButton, settings->FragenverteilungBNetzARadioButton};
  components::TUrlLabel* labels[] = {settings->DefaultUrlLabel, settings->AbgefragtListeUrlLabel,
                                     settings->FragenauswahlUrlLabel, settings->FragenverteilungBNetzAUrlLabel};
  pf::TMenuItem* items[] = {settings->EDefault, settings->EAskedListverwenden, settings->EZufallszahlenermittlung,
                            settings->EFragenverteilungBNetzA};
  bool engine::AppState::*flags[] = {&engine::AppState::SettingDefault, &engine::AppState::SettingAskedList,
                                     &engine::AppState::SettingZufallszahlen, &engine::AppState::SettingFVBNetzA};
  const Qt::Key keys[] = {Qt::Key_G, Qt::Key_A, Qt::Key_Z, Qt::Key_B};
  for (int route = 0; route < 3; ++route) {
    for (int mode : {2, 0, 3, 1}) {
      SCOPED_TRACE(testing::Message() << "route " << route << ", mode " << kModeKeys[mode]);
      Activate(*settings);
      if (route == 0) QTest::mouseClick(ui_test::Widget(*radios[mode]), Qt::LeftButton, {}, {8, 8});
      if (route == 1) QTest::mouseClick(ui_test::Widget(*labels[mode]), Qt::LeftButton, {}, {5, 5});
      if (route == 2) QTest::keyClick(ui_test::Widget(*settings), keys[mode], Qt::ControlModifier);
      for (int i = 0; i < 4; ++i)
        EXPECT_EQ(std::tuple(radios[i]->Checked(), items[i]->Checked(), state.*flags[i]),
                  std::tuple(i == mode, i == mode, i == mode))
            << i;
      Activate(*main);
      ExpectWritten(mode);
    }
  }
  // F1 shows the settings help in the main window's viewer.
  QTest::keyClick(ui_test::Widget(*settings), Qt::Key_F1);
  ASSERT_FALSE(port.loaded.empty());
  EXPECT_EQ(port.loaded.back(), "/opt/pexu/html/einstellungenhilfe.html#top");
}

// A hand-edited file with two modes: the later one in the window's order is shown and, at the next deactivation,
// written as the only one.
TEST_F(SettingsTest, TheLastTrueSettingWinsWhenTheWindowIsActivated) {
  state.IniFile->WriteBool("Einstellungen", "AskedList", true);
  state.IniFile->WriteBool("Einstellungen", "FVBNetzA", true);
  engine::OpenDataFolder(state, dir.Path(), port);
  auto settings = Create<TEinstellungenForm>();
  auto main = ui_test::ActiveForm();
  Activate(*settings);
  EXPECT_TRUE(settings->FragenverteilungBNetzARadioButton->Checked());
  EXPECT_FALSE(settings->AbgefragtListeRadioButton->Checked());
  EXPECT_FALSE(state.SettingAskedList);
  Activate(*main);
  ExpectWritten(3);
}

// The program may end while the settings window is the active one: the choice is written when it is destroyed,
// with the catalogue's name.
TEST_F(SettingsTest, AChoiceReachesTheFileWhenTheWindowIsDestroyedWhileActive) {
  auto settings = Create<TEinstellungenForm>();
  Activate(*settings);
  QTest::keyClick(ui_test::Widget(*settings), Qt::Key_Z, Qt::ControlModifier);
  settings.reset();
  ExpectWritten(2);
  EXPECT_EQ(Ini("Einstellungen", "Fragenkatalog"), "KAEFragen.qst");
}

// The option labels are 13-pixel Verdana in dark blue without underline, whatever font the window has.
TEST_F(SettingsTest, OptionLabelsInVerdana) {
  auto settings = Create<TEinstellungenForm>();
  Activate(*settings);
  for (components::TUrlLabel* label : {settings->DefaultUrlLabel, settings->AbgefragtListeUrlLabel,
                                       settings->FragenauswahlUrlLabel, settings->FragenverteilungBNetzAUrlLabel}) {
    SCOPED_TRACE(label->Caption());
    const pf::TFont& font = label->Font();
    EXPECT_EQ(std::tuple(font.Name(), font.Height(), font.Color(), font.Style()),
              std::tuple(std::string("Verdana"), -13, app::SettingsLabelColor, pf::TFontStyles{}));
    EXPECT_GE(label->Height(), 15);  // sized for its 13-pixel font
  }
}

// Without stored keys a window is centred on the screen at its own size; its place is written when it goes and taken
// the next time.
TEST_F(AppTest, WindowsKeepTheirPlaceInTheSettingsFile) {
  const int w = pf::Screen().Width(), h = pf::Screen().Height();
  using Make = std::function<std::unique_ptr<pf::TCustomForm>()>;
  const struct {
    const char* prefix;
    int width, height;
    Make make;
  } windows[] = {
      {"Fragen", 540, 400, [this] { return std::unique_ptr<pf::TCustomForm>(Create<app::TFragenForm>()); }},
      {"PEditor", 520, 300, [this] { return std::unique_ptr<pf::TCustomForm>(Create<app::TPEditorForm>()); }},
      {"Einstellungen", 340, 242, [this] { return std::unique_ptr<pf::TCustomForm>(Create<TEinstellungenForm>()); }},
  };
  for (const auto& window : windows) {
    SCOPED_TRACE(window.prefix);
    const int left = (w - window.width) / 2, top = (h - window.height) / 2;
    std::unique_ptr<pf::TCustomForm> form = window.make();
    EXPECT_EQ(form->BoundsRect(), pf::TRect({left, top, left + window.width, top + window.height}));
    form->SetBounds(11, 12, 600, 400);
    form.reset();
    const std::string p = window.prefix;
    EXPECT_EQ(Ini("Position", p + "Left") + " " + Ini("Position", p + "Top") + " " + Ini("Position", p + "Width") +
                  " " + Ini("Position", p + "Height"),
              "11 12 600 400");
    EXPECT_EQ(window.make()->BoundsRect(), pf::TRect({11, 12, 611, 412}));
  }
}

struct AboutTest : AppTest {
  // Shows the box modally; while it is open, `during` runs, then the box is closed.
  void ShowBox(TPexuAboutBox& box, const std::function<void()>& during = {}) {
    pf::TTimer once(nullptr);
    once.SetInterval(10);
    once.SetOnTimer([&](pf::TObject*) {
      once.SetEnabled(false);
      if (during) during();
      box.ExitSpeedButtonClick();
    });
    box.ShowModal();
  }
};

TEST_F(AboutTest, ShowsTheProgramsVersionAndTheCataloguesVersions) {
  auto box = Create<TPexuAboutBox>();
  state.SettingPortable = true;
  ShowBox(*box);
  const std::string version = PEXU_PROJECT_VERSION;
  EXPECT_EQ(box->VersionLabel->Caption(), "Version " + version + " portable  (" + version + ")");
  EXPECT_EQ(app::VersionLabelText("2.3.4.5", "2.3", false), "Version 2.3.4  (2.3)");  // the build number is left out
  EXPECT_EQ(box->Copyright->Caption(), "Copyright © Pexu-Team"_l1);
  pf::TStringList expected;
  expected.LoadFromFile(std::string(PEXU_SOURCE_DIR) + "/resources/catalogue/FragenVersion.txt");
  EXPECT_EQ(box->FragenVersionListBox->Items().Text(), expected.Text());
  EXPECT_TRUE(port.warnings.empty());
  // The web and mail links are drawn in green.
  for (components::TUrlLabel* link : {box->WebUrlLabel, box->MailUrlLabel}) {
    EXPECT_EQ(link->Font().Color(), pf::TColor{0x00A000});
    const QImage shot = ui_test::Widget(*link)->grab().toImage();
    int green = 0;
    for (int y = 0; y < shot.height(); ++y)
      for (int x = 0; x < shot.width(); ++x) green += shot.pixel(x, y) == qRgb(0, 160, 0);
    EXPECT_GT(green, shot.width() / 2) << link->Caption();
  }
}

// The warning about a missing catalogue closes and gives the box the focus again: that must not bring it back.
TEST_F(AboutTest, AMissingCatalogueIsReportedOncePerOpening) {
  pf::DeleteFile(state.CatalogueFile);
  auto box = Create<TPexuAboutBox>();
  for (int opening = 1; opening <= 2; ++opening) {
    ShowBox(*box, [&] {
      for (int i = 0; i < 3; ++i) {
        box->Perform(pf::WM_ACTIVATE, pf::WA_INACTIVE);
        box->Perform(pf::WM_ACTIVATE, pf::WA_ACTIVE);
      }
    });
    ASSERT_EQ(port.warnings.size(), static_cast<size_t>(opening));
    EXPECT_EQ(port.warnings.back(), "Die Datei " + state.CatalogueFile + " existiert nicht.");
    EXPECT_EQ(box->FragenVersionListBox->Items().Count(), 0);
  }
}

}  // namespace
