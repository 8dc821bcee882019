#include "engine/startup.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "engine_test_support.h"
#include "platform/core/files.h"
#include "platform/core/random.h"

using enginetest::FakePort;
using enginetest::TempDir;
using enginetest::WriteFile;

namespace {

TEST(StartUpTest, PortableProgramFolderHoldsAllData) {
  TempDir program;
  WriteFile(program.File("Pexu.ini"),
            "[Einstellungen]\r\nPortable=1\r\nAskedList=1\r\nFVBNetzA=1\r\nDefault=0\r\n[IDs]\r\nTAID=5\r\n");
  WriteFile(program.File("Pexu.log"), "zeile 1\r\nzeile 2\r\n");
  WriteFile(program.File("html/LetzteAntworten.html"), "<html></html>");
  pf::ScriptedRandom script;
  FakePort port;
  engine::AppState state;
  state.OwnListTitle = "alt";
  {
    enginetest::ScopedRandom use(script);
    engine::StartUp(state, program.Path() + "/", port);
  }
  EXPECT_TRUE(state.SettingPortable);
  EXPECT_EQ(state.DataDir, program.Path());
  EXPECT_EQ(state.IniPath, program.File("Pexu.ini"));
  EXPECT_EQ(state.LogPath, program.File("Pexu.log"));
  EXPECT_EQ(state.CatalogueFile, program.File("Fragen/KAEFragen.qst"));
  EXPECT_EQ(state.QuestionDir, program.File("Fragen"));
  EXPECT_TRUE(pf::DirectoryExists(program.File("Fragen")));
  EXPECT_EQ((std::vector<bool>{state.SettingDefault, state.SettingAskedList, state.SettingZufallszahlen,
                               state.SettingFVBNetzA, state.SettingFragenanordnung}),
            (std::vector<bool>{false, true, false, true, false}));
  EXPECT_EQ(state.ExamLog.Count(), 2);
  EXPECT_FALSE(pf::FileExists(program.File("html/LetzteAntworten.html")));
  EXPECT_FALSE(port.answerListEnabled);
  EXPECT_EQ(state.OwnListTitle, "");
  EXPECT_TRUE(state.SelectedQuestions.Sorted());
  EXPECT_EQ(script.RandomizeCalls(), 1);

  state.QuestionDir = "/home/anna/Listen";
  engine::ShutDown(state);
  EXPECT_FALSE(state.IniFile);
  pf::TIniFile reread(program.File("Pexu.ini"));
  EXPECT_EQ(reread.ReadString("Verzeichnis", "Fragen", ""), "/home/anna/Listen");
  EXPECT_EQ(reread.ReadInteger("IDs", "TAID", 0), 5);
}

TEST(StartUpTest, FreshInstallationUsesTheProfileAndDefaults) {
  TempDir program, home;
  // "Portable=true" is no number and reads as false.
  WriteFile(program.File("Pexu.ini"), "[Einstellungen]\r\nPortable=true\r\n");
  WriteFile(program.File("Fragen/KAEFragen.qst"), "mitgeliefert");
  const char* old = std::getenv("USERPROFILE");
  std::string saved = old ? old : "";
  setenv("USERPROFILE", home.Path().c_str(), 1);
  FakePort port;
  engine::AppState state;
  engine::StartUp(state, program.Path(), port);
  old ? (void)setenv("USERPROFILE", saved.c_str(), 1) : (void)unsetenv("USERPROFILE");

  EXPECT_FALSE(state.SettingPortable);
  EXPECT_EQ(state.DataDir, home.File("Pexu"));
  EXPECT_TRUE(pf::DirectoryExists(home.File("Pexu/html")));
  EXPECT_EQ(state.IniPath, home.File("Pexu/Pexu.ini"));
  EXPECT_EQ((std::vector<bool>{state.SettingDefault, state.SettingAskedList, state.SettingFVBNetzA}),
            (std::vector<bool>{true, false, false}));
  EXPECT_EQ(state.QuestionDir, home.File("Pexu/Fragen"));
  EXPECT_EQ(state.ExamLog.Count(), 0);
  // The catalogue that came with the program is where every reader looks for it.
  EXPECT_EQ(enginetest::ReadFile(state.CatalogueFile), "mitgeliefert");
  engine::ShutDown(state);
  EXPECT_NE(enginetest::ReadFile(home.File("Pexu/Pexu.ini")).find("Fragen=" + home.File("Pexu/Fragen")),
            std::string::npos);
}

TEST(StartUpTest, TheShippedCatalogueNeverReplacesTheUsersOwn) {
  TempDir program, data;
  const std::string mine = data.File("Fragen/KAEFragen.qst");
  engine::SeedCatalogue(program.Path(), mine);  // the program came without one
  EXPECT_FALSE(pf::FileExists(mine));
  WriteFile(program.File("Fragen/KAEFragen.qst"), "mitgeliefert");
  WriteFile(mine, "eigener");
  engine::SeedCatalogue(program.Path(), mine);
  EXPECT_EQ(enginetest::ReadFile(mine), "eigener");
}

TEST(StartUpTest, DataFolderFallsBackToTheProgramFolder) {
  EXPECT_EQ(engine::DataFolder(false, "/opt/pexu", "/home/anna"), "/home/anna/Pexu");
  EXPECT_EQ(engine::DataFolder(false, "/opt/pexu", "/home/anna/"), "/home/anna/Pexu");
  EXPECT_EQ(engine::DataFolder(true, "/opt/pexu", "/home/anna"), "/opt/pexu");
  // No home folder at all: never "/Pexu" at the root.
  EXPECT_EQ(engine::DataFolder(false, "/opt/pexu", ""), "/opt/pexu");
}

}  // namespace
