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
  EXPECT_EQ(std::tuple(state.SettingPortable, state.DataDir, state.IniPath, state.LogPath, state.CatalogueFile,
                       state.QuestionDir),
            std::tuple(true, program.Path(), program.File("Pexu.ini"), program.File("Pexu.log"),
                       program.File("Fragen/KAEFragen.qst"), program.File("Fragen")));
  EXPECT_TRUE(pf::DirectoryExists(program.File("Fragen")));
  EXPECT_EQ((std::vector<bool>{state.SettingDefault, state.SettingAskedList, state.SettingZufallszahlen,
                               state.SettingFVBNetzA, state.SettingFragenanordnung}),
            (std::vector<bool>{false, true, false, true, false}));
  // The log is read, the answer list of an earlier run goes, and the random source is seeded once.
  EXPECT_EQ(std::tuple(state.ExamLog.Count(), pf::FileExists(program.File("html/LetzteAntworten.html")),
                       port.answerListEnabled, state.OwnListTitle, script.RandomizeCalls()),
            std::tuple(2, false, false, "", 1));

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

  EXPECT_EQ(std::tuple(state.SettingPortable, state.DataDir, state.IniPath, state.QuestionDir, state.ExamLog.Count()),
            std::tuple(false, home.File("Pexu"), home.File("Pexu/Pexu.ini"), home.File("Pexu/Fragen"), 0));
  EXPECT_TRUE(pf::DirectoryExists(home.File("Pexu/html")));
  EXPECT_EQ((std::vector<bool>{state.SettingDefault, state.SettingAskedList, state.SettingFVBNetzA}),
            (std::vector<bool>{true, false, false}));
  // The catalogue that came with the program is where every reader looks for it; the user's own is never replaced,
  // and a program without one leaves nothing.
  EXPECT_EQ(enginetest::ReadFile(state.CatalogueFile), "mitgeliefert");
  WriteFile(state.CatalogueFile, "eigener");
  engine::SeedCatalogue(program.Path(), state.CatalogueFile);
  EXPECT_EQ(enginetest::ReadFile(state.CatalogueFile), "eigener");
  engine::SeedCatalogue(home.Path(), home.File("x.qst"));
  EXPECT_FALSE(pf::FileExists(home.File("x.qst")));
  engine::ShutDown(state);
  EXPECT_NE(enginetest::ReadFile(home.File("Pexu/Pexu.ini")).find("Fragen=" + home.File("Pexu/Fragen")),
            std::string::npos);
}

TEST(StartUpTest, DataFolderFallsBackToTheProgramFolder) {
  EXPECT_EQ(engine::DataFolder(false, "/opt/pexu", "/home/anna"), "/home/anna/Pexu");
  EXPECT_EQ(engine::DataFolder(false, "/opt/pexu", "/home/anna/"), "/home/anna/Pexu");
  EXPECT_EQ(engine::DataFolder(true, "/opt/pexu", "/home/anna"), "/opt/pexu");
  // No home folder at all: never "/Pexu" at the root.
  EXPECT_EQ(engine::DataFolder(false, "/opt/pexu", ""), "/opt/pexu");
}

}  // namespace
