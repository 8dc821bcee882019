// Sheets, evaluation, the exam log page and question lists, with a fixed clock and random source.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>

#include "engine/procs.h"
#include "engine_test_support.h"
#include "platform/core/datetime.h"
#include "platform/core/exceptions.h"
#include "platform/core/files.h"
#include "platform/core/random.h"
#include "platform/core/services.h"
#include "platform/core/strings.h"

using enginetest::CountOf;
using enginetest::MakePool;
using enginetest::ReadFile;
using enginetest::WriteFile;

namespace {

struct SheetFixture : enginetest::EngineFixture {
  SheetFixture() {
    std::filesystem::create_directories(dir.File("html"));
    state.IniFile = std::make_unique<pf::TIniFile>(dir.File("Pexu.ini"));
    state.LogPath = dir.File("Pexu.log");
    state.QuestionDir = dir.File("Fragen");
    state.SheetId = "0";
    pf::SetNowFunction([] { return pf::EncodeDate(2026, 12, 6) + pf::EncodeTime(16, 51, 3, 0); });
    pf::SetRandomSource(&random);
    pf::SetDialogs(&dialogs);
  }
  ~SheetFixture() {
    pf::SetNowFunction(nullptr);
    pf::SetRandomSource(nullptr);
    pf::SetDialogs(nullptr);
  }
  void Submit(const std::string& action, std::initializer_list<const char*> lines) {
    pf::TStringList results;
    for (const char* line : lines) results.Add(line);
    engine.PexuPageViewerFormSubmit(action, "", "", "post", results);
  }
  void Grade(const pf::TStringList& answers) { engine.PexuPageViewerFormSubmit("PexuA", "", "", "post", answers); }
  // The submission of the last sheet with the first `right` questions answered right, the rest wrong.
  pf::TStringList Answers(int right) {
    pf::TStringList sheet, results;
    sheet.LoadFromFile(dir.File("html/LetztePruefung.html"));
    std::string r, w;
    int question = 0;
    for (int i = 0; i < sheet.Count(); ++i) {
      const std::string& line = sheet[i];
      size_t v = line.find("value=\"");
      if (line.find("type=\"radio\"") != std::string::npos) (line[v + 7] == 'R' ? r : w) = line.substr(v + 7, 2);
      if (line.find("type=\"hidden\"") == std::string::npos) continue;
      size_t n = line.find("name=\"") + 6;
      std::string name = line.substr(n, line.find('"', n) - n),
                  value = line.substr(v + 7, line.find('"', v + 7) - v - 7);
      if (value == "N" && name.size() == 5) results.Add(name + "=" + (question++ < right ? r : w));
      results.Add(name + "=" + value);
    }
    return results;
  }
  void ExpectGolden(const std::string& page, const std::string& golden) {
    enginetest::ExpectGolden(dir.File("html/" + page), dir.Path(), golden);
  }
  pf::LcgRandom random{42};
  pf::RecordingDialogService dialogs;
};

TEST(SheetGoldenTest, EveryTemplate) {
  SheetFixture f;
  pf::TStringList pool = MakePool({{"TA1", 3}});
  pool.Insert(9, "P:./pics/ta102.png");
  pool.Put(8,
           "F:Welche Spannung liegt am Widerstand? Gr\xF6\xDF"
           "e <i>U</i>");
  pool.Put(11, "W:<img src=\"./pics/ta102b.png\">");
  f.entries["TAfragen.txt"] = pool;
  f.Submit("PexuUA", {"teil=T", "abschnitt=TA1"});
  ASSERT_TRUE(f.port.warnings.empty());
  EXPECT_FALSE(f.state.IgnoreNextHistoryChange);  // only exams watch for being left
  f.ExpectGolden("LetztePruefung.html", "sheet-training.html");
  f.ExpectGolden("LetzteAntworten.html", "answers.html");
  f.Grade(f.Answers(2));
  f.ExpectGolden("LetzteAuswertung.html", "evaluation-training.html");

  // An exam of part B from the class A form: parts B and V exist for class E only.
  f.entries["BEfragen.txt"] = MakePool({{"BA1", 40}});
  f.Submit("PexuTA", {"teil=b"});
  f.ExpectGolden("LetztePruefung.html", "sheet-exam.html");
  EXPECT_EQ(std::string({f.state.PartLetter, f.state.ClassLetter, f.state.ModeLetter}), "BEk");
  EXPECT_EQ(f.state.QuestionCount, 34);
  EXPECT_EQ(f.state.SheetId, "1");
  EXPECT_EQ(f.state.IniFile->ReadInteger("IDs", "BEID", 0), 1);
  EXPECT_TRUE(f.state.IgnoreNextHistoryChange);
  EXPECT_FALSE(f.port.answerListEnabled);
  EXPECT_TRUE(f.port.clockRunning);
  EXPECT_EQ(f.port.loaded.back(), f.dir.File("html/LetztePruefung.html") + "#top");
  EXPECT_EQ(f.port.progress.back(), 0);
  f.state.MinutesElapsed = 12;
  pf::TStringList answers = f.Answers(25);
  answers.Put(1, "BA101=N");  // the first question left blank
  answers.Delete(0);
  f.Grade(answers);
  f.ExpectGolden("LetzteAuswertung.html", "evaluation.html");
  f.engine.LogSpeedButtonClick();
  f.ExpectGolden("LetztesLog.html", "log.html");
  f.Submit("PexuTE", {"teil=B"});
  EXPECT_EQ(f.state.SheetId, "2");
}

// Requests that cannot be met end with a warning at once: no drawing, no sheet, no counter, no change of state.
TEST(SheetTest, RefusedRequestsChangeNothingAndEndQuickly) {
  SheetFixture f;
  pf::ScriptedRandom script;  // empty: any draw would raise
  pf::SetRandomSource(&script);
  f.entries["TEfragen.txt"] = MakePool({{"TE1", 20}});  // Total 20 < N 34
  f.entries["VEfragen.txt"].Add("V:leer");              // a pool without questions
  f.entries["TAfragen.txt"] = MakePool({{"TA1", 50}, {"TB1", 10}});
  f.entries["TAabschnitte.txt"].SetText("TA1   TA1   39\r\nTB    TB    12\r\n");  // TB has only 10
  f.state.SheetId = "3";
  f.state.ModeLetter = 't';
  f.state.PartLetter = 'B';
  f.state.OwnListTitle = "Liste";
  f.state.CatalogueLines.Add("vorher");
  const std::string missingArchive = "Die Datei " + f.state.CatalogueFile + " existiert nicht.";
  pf::DeleteFile(f.state.CatalogueFile);
  const std::pair<std::function<void()>, std::string> requests[] = {
      {[&] { f.Submit("PexuTA", {"teil=T"}); }, missingArchive},
      {[&] {
         f.Submit("PexuUA", {"teil=T", "abschnitt=TA9"});
       },
       missingArchive},
      {[&] {
         enginetest::WriteFile(f.state.CatalogueFile, "");
         f.Submit("PexuUA", {"teil=T", "abschnitt=TA9"});
       },
       "Der Trainingsabschnitt TA9 enth\xE4lt keine Fragen."},
      {[&] { f.Submit("PexuTE", {"teil=T"}); },
       "Der Fragenkatalog TE hat nur 20 Fragen, ein Pr\xFC"
       "fungsbogen braucht 34."},
      {[&] { f.Submit("PexuTE", {"teil=V"}); }, "Die Datei VEfragen.txt enth\xE4lt keine Fragen."},
      {[&] { f.Submit("PexuTE", {"teil=B"}); },
       "Die Datei BEfragen.txt fehlt im Fragenkatalog oder ist besch\xE4"
       "digt."},
      {[&] {
         f.state.SettingFVBNetzA = true;
         f.Submit("PexuTA", {"teil=T"});
       },
       "Fehler in TAabschnitte.txt  Zeile 2: 12 Fragen verlangt, der Bereich hat nur 10."},
  };
  for (const auto& [request, warning] : requests) {
    f.port.warnings.clear();
    auto start = std::chrono::steady_clock::now();
    request();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100)) << warning;
    EXPECT_EQ(f.port.warnings, std::vector<std::string>{warning});
  }
  // A damaged archive: the ZIP error goes on to the framework's handler, and the pool read last stays.
  f.engine.SetEntryExtractor([](const std::string&, const std::string&, pf::TStrings& list) -> int {
    list.Add("halb");
    throw pf::EReadError("Archiv defekt");
  });
  EXPECT_THROW(f.Submit("PexuTA", {"teil=T"}), pf::EReadError);
  EXPECT_EQ(std::string({f.state.ModeLetter, f.state.PartLetter}), "tB");
  EXPECT_FALSE(f.state.IgnoreNextHistoryChange);
  EXPECT_EQ(f.state.OwnListTitle, "Liste");
  EXPECT_EQ(f.state.CatalogueLines.Text(), "vorher\r\n");
  EXPECT_TRUE(f.port.loaded.empty());
  EXPECT_FALSE(f.port.clockRunning);
  EXPECT_EQ(f.state.SheetId, "3");
  EXPECT_FALSE(f.state.IniFile->SectionExists("IDs"));
  pf::SetRandomSource(&f.random);
}

TEST(EvaluationTest, PassRuleTimeAndLog) {
  const struct {
    int count, right, minutes;
    const char *limit, *summary, *verdict, *logged;
  } cases[] = {
      {34, 25, 20, "60", "25 von 34 Fragen = <b><font color=\"#00a000\">73%", "Gratulation!", ">ok<"},
      {34, 24, 20, "60", "24 von 34 Fragen = <b><font color=\"#d00000\">70%", "Schade, das wars noch nicht.", ">nein<"},
      {51, 38, 91, "90", "38 von 51 Fragen = <b><font color=\"#00a000\">74%", "aber das Zeitlimit &uuml;berschritten",
       ">ok<"},
      {34, 34, 0, "60", "34 von 34 Fragen", "in 1 min (60) bearbeitet.", ">ok<"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.summary);
    SheetFixture f;
    f.entries["TAfragen.txt"] = MakePool({{"TA1", 60}});
    f.entries["TEfragen.txt"] = MakePool({{"TA1", 60}});
    f.Submit(c.count == 51 ? "PexuTA" : "PexuTE", {"teil=T"});
    f.state.MinutesElapsed = c.minutes;
    ASSERT_EQ(f.state.TimeLimitText, c.limit);
    f.Grade(f.Answers(c.right));
    std::string page = ReadFile(f.dir.File("html/LetzteAuswertung.html"));
    EXPECT_NE(page.find(c.summary), std::string::npos);
    EXPECT_NE(page.find(c.verdict), std::string::npos);
    ASSERT_EQ(f.state.ExamLog.Count(), 2);
    EXPECT_NE(f.state.ExamLog[1].find(c.logged), std::string::npos);
    EXPECT_EQ(CountOf(page, ".qff\">"), static_cast<size_t>(c.count - c.right));
    EXPECT_EQ(std::tuple(f.state.ModeLetter, f.port.clockRunning, f.port.answerListEnabled),
              std::tuple('t', false, true));
    // A second submission of the same sheet is graded as training and not logged.
    f.Grade(f.Answers(c.right));
    EXPECT_EQ(f.state.ExamLog.Count(), 2);
  }
}

TEST(EvaluationTest, UnsavableLogKeepsBothLinesAndWarns) {
  SheetFixture f;
  f.entries["TEfragen.txt"] = MakePool({{"TA1", 60}});
  std::filesystem::create_directories(f.state.LogPath);  // a folder where the file should be: saving fails
  f.Submit("PexuTE", {"teil=T"});
  f.Grade(f.Answers(30));
  EXPECT_EQ(f.state.ExamLog.Count(), 2);
  ASSERT_EQ(f.port.warnings.size(), 1u);
  EXPECT_EQ(f.port.warnings[0].rfind("Das Pr\xFC"
                                     "fungslog konnte nicht gespeichert werden: ",
                                     0),
            0u);
  EXPECT_EQ(f.port.loaded.back(), f.dir.File("html/LetzteAuswertung.html") + "#top");  // the result is still shown
}

TEST(LogPageTest, ColoursCountAndDeletion) {
  SheetFixture f;
  auto entry = [](const char* id, bool passed, const char* title = "") {
    return std::vector<std::string>{std::string("<td>") + id + "&nbsp;&nbsp;</td><td>x</td>",
                                    std::string("<td valign=\"top\"><b><font color=\"#") +
                                        (passed ? "00a000\">ok" : "d00000\">nein") + "</font></b></td><td>" + title +
                                        "</td>"};
  };
  for (const auto& e : {entry("TA/1", true, "<br>[nein danke]"), entry("TA/2", false), entry("TA/3", true)})
    for (const std::string& line : e) f.state.ExamLog.Add(line);
  f.engine.LogSpeedButtonClick();
  std::string page = ReadFile(f.dir.File("html/LetztesLog.html"));
  EXPECT_NE(page.find(">3 Eintr&auml;ge<"), std::string::npos);
  size_t a = page.find("TA/1"), b = page.find("TA/2"), c = page.find("TA/3");
  EXPECT_EQ(page.rfind("bgcolor=", a), page.rfind("bgcolor=\"#e0ffe0\"", a));
  EXPECT_EQ(page.rfind("bgcolor=", b), page.rfind("bgcolor=\"#fff0f0\"", b));
  EXPECT_EQ(page.rfind("bgcolor=", c), page.rfind("bgcolor=\"#e0ffe0\"", c));
  EXPECT_EQ(CountOf(page, "<tr bgcolor=\"#fff0f0\">"), 2u);

  f.state.ExamLog.Delete(5);  // a hand-edited log with an odd number of lines
  f.engine.LogSpeedButtonClick();
  EXPECT_NE(ReadFile(f.dir.File("html/LetztesLog.html")).find(">2 Eintr&auml;ge<"), std::string::npos);

  f.engine.LogloeschenClick();  // no log file: nothing asked
  EXPECT_TRUE(f.port.confirmations.empty());
  // A log whose name differs in case only is read as the log, so it is the file that gets deleted.
  WriteFile(f.dir.File("pexu.log"), "x\r\ny\r\n");
  f.engine.LogloeschenClick();
  EXPECT_FALSE(pf::FileExists(f.state.LogPath));
  EXPECT_TRUE(f.port.warnings.empty());
  WriteFile(f.state.LogPath, "x\r\ny\r\n");
  f.port.confirmAnswer = false;
  f.engine.LogloeschenClick();
  EXPECT_TRUE(pf::FileExists(f.state.LogPath));
  f.port.confirmAnswer = true;
  f.engine.LogloeschenClick();
  EXPECT_EQ(f.port.confirmations.back(), "Wollen Sie Pexu.log wirklich l\xF6schen?");
  EXPECT_FALSE(pf::FileExists(f.state.LogPath));
  EXPECT_EQ(f.state.ExamLog.Count(), 0);
  EXPECT_EQ(f.port.panels[0], " " + f.state.LogPath + " wurde gel\xF6scht.");
  EXPECT_NE(ReadFile(f.dir.File("html/LetztesLog.html")).find(">0 Eintr&auml;ge<"), std::string::npos);
}

TEST(QuestionListTest, WrongQuestionsAreCollectedOnce) {
  SheetFixture f;
  f.engine.AddToWrongQuestionsList('T', 'A', "TA102");
  f.engine.AddToWrongQuestionsList('T', 'A', "ta102");
  f.engine.AddToWrongQuestionsList('T', 'A', "TA205");
  EXPECT_EQ(ReadFile(f.dir.File("Fragen/TAFalscheFragen.qlt")),
            "#Falsche Fragen TA\r\nTA=2\r\nZeit=30\r\nTA102\r\nTA205\r\n");
}

TEST(QuestionListTest, OwnListsAreCheckedBeforeTheRunningExamIsTouched) {
  SheetFixture f;
  f.entries["TAfragen.txt"] = MakePool({{"TA1", 30}});
  f.entries["TEfragen.txt"] = MakePool({{"TE1", 40}});
  f.Submit("PexuTE", {"teil=T"});
  std::string running = f.state.SelectedQuestions.Text();
  const std::pair<const char*, const char*> refused[] = {
      {"TA=52\r\nZeit=20\r\nTA101\r\n",
       " Weniger als 2 oder mehr als 51 Pr\xFC"
       "fungsfragen ausgew\xE4hlt."},
      {"TA=10\r\nZeit=20\r\nTA101\r\nTA102\r\nTA103\r\nTA104\r\nTA105\r\nTA106\r\nTA107\r\nTA108\r\nTA109\r\n",
       " Zuwenig Fragen in der Fragenliste oder zuviele Fragen ausgew\xE4hlt."},
      {"TA=2\r\nZeit=20\r\nTA101\r\nTA101\r\n TA101\r\n",
       " Zuwenig Fragen in der Fragenliste oder zuviele Fragen ausgew\xE4hlt."},
      {"TA=2\r\nZeit=20\r\nTA101\r\n TA999\r\n", " Die Frage \" TA999\" wurde nicht gefunden."},
      {"TA=2\r\nZeit=20\r\nTA101\r\nTA10\r\n", " Die Frage \"TA10\" wurde nicht gefunden."},
      {"TA=zehn\r\nZeit=20\r\nTA101\r\nTA102\r\n", "WARNING"},
      {"XY=2\r\nZeit=20\r\nTA101\r\nTA102\r\n", "WARNING"},
      {"TA=2\r\nZeit=x\r\nTA101\r\nTA102\r\n", "WARNING"},
  };
  // The lists lie in another folder than the question lists' folder, which only a list that is taken changes.
  std::filesystem::create_directories(f.dir.File("Listen"));
  for (const auto& [list, message] : refused) {
    SCOPED_TRACE(list);
    WriteFile(f.dir.File("Listen/liste.qlt"), list);
    f.dialogs.PushPath(f.dir.File("Listen/liste.qlt"));
    f.port.messages.clear();
    f.port.warnings.clear();
    f.engine.PruefungladenClick();
    bool unreadable = std::string(message) == "WARNING";
    EXPECT_EQ(unreadable ? f.port.warnings : f.port.messages,
              std::vector<std::string>{unreadable ? f.dir.File("Listen/liste.qlt") +
                                                        " konnte nicht fehlerfrei eingelesen werden."
                                                  : std::string(message + 1)});
    EXPECT_EQ(std::tuple(f.state.ModeLetter, f.state.QuestionCount, f.state.TimeLimitText, f.state.OwnListTitle,
                         f.state.SelectedQuestions.Text(), f.state.QuestionDir),
              std::tuple('k', 34, "60", "", running, f.dir.File("Fragen")));
  }

  f.port.messages.clear();
  f.engine.PruefungladenClick();  // cancelled
  f.dialogs.PushPath(f.dir.File("Fragen/fehlt.qlt"));
  f.engine.PruefungladenClick();
  ASSERT_EQ(f.port.messages.size(), 1u);
  EXPECT_EQ(f.port.messages[0], f.dir.File("Fragen/fehlt.qlt") + " nicht gefunden.");

  // A sound list, with a trailing blank line and an identifier listed twice, and without a title.
  WriteFile(f.dir.File("Listen/gut.qlt"), "TA=3\r\nZeit=15\r\nTA105\r\nTA103\r\nTA105\r\nTA120\r\n\r\n");
  f.dialogs.PushPath(f.dir.File("Listen/gut.qlt"));
  f.engine.PruefungladenClick();
  EXPECT_EQ(f.dialogs.Calls().back().text,
            " \xD6"
            "ffnen der Fragenliste");
  EXPECT_EQ(std::tuple(f.state.ModeLetter, f.state.QuestionCount, f.state.TimeLimitText, f.state.OwnListTitle,
                       f.state.SelectedQuestions.Text(), f.state.QuestionDir),
            std::tuple('a', 3, "15",
                       "Eigene Pr\xFC"
                       "fungsauswahl",
                       "0003\r\n0005\r\n0020\r\n", f.dir.File("Listen")));
  f.Grade(f.Answers(1));
  ASSERT_EQ(f.state.ExamLog.Count(), 2);
  EXPECT_NE(f.state.ExamLog[1].find("Falsch: TA105 TA120 <br>[Eigene Pr\xFC"
                                    "fungsauswahl]</td>"),
            std::string::npos);
  EXPECT_EQ(f.state.OwnListTitle, "");
}

}  // namespace
