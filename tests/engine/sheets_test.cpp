// Sheets, evaluation, the exam log page and question lists, with a fixed clock and random source.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>

#include "engine/procs.h"
#include "engine_test_support.h"
#include "platform/core/datetime.h"
#include "platform/core/exceptions.h"
#include "platform/core/files.h"
#include "platform/core/random.h"
#include "platform/core/strings.h"
#include "tests/thread_clock.h"

using enginetest::CountOf;
using enginetest::MakePool;
using enginetest::WriteFile;
using namespace pf::literals;

namespace {

constexpr auto npos = std::string::npos;

struct SheetFixture : enginetest::EngineFixture {
  SheetFixture() {
    std::filesystem::create_directories(dir.File("html"));
    state.IniFile = std::make_unique<pf::TIniFile>(dir.File("Pexu.ini"));
    state.LogPath = dir.File("Pexu.log");
    state.QuestionDir = dir.File("Fragen");
    state.SheetId = "0";
    pf::SetNowFunction([] { return pf::EncodeDate(2026, 12, 6) + pf::EncodeTime(16, 51, 3, 0); });
    pf::SetRandomSource(&random);
  }
  ~SheetFixture() {
    pf::SetNowFunction(nullptr);
    pf::SetRandomSource(nullptr);
  }
  void Submit(const std::string& action, std::initializer_list<const char*> lines) {
    pf::TStringList results;
    for (const char* line : lines) results.Add(line);
    engine.PexuPageViewerFormSubmit(action, "", "", "post", results);
  }
  void Grade(const pf::TStringList& answers) { engine.PexuPageViewerFormSubmit("PexuA", "", "", "post", answers); }
  // What the last sheet's form submits with its first `right` questions answered right and the rest wrong.
  pf::TStringList Answers(int right) {
    pf::TStringList sheet, results;
    sheet.SetText(Page("LetztePruefung.html"));
    std::string r, w;
    int question = 0;
    for (int i = 0; i < sheet.Count(); ++i) {
      const std::string& line = sheet[i];
      size_t v = line.find("value=\"");
      if (line.find("type=\"radio\"") != npos) (line[v + 7] == 'R' ? r : w) = line.substr(v + 7, 2);
      if (line.find("type=\"hidden\"") == npos) continue;
      size_t n = line.find("name=\"") + 6;
      std::string name = line.substr(n, line.find('"', n) - n),
                  value = line.substr(v + 7, line.find('"', v + 7) - v - 7);
      if (value == "N" && name.size() == 5) results.Add(name + "=" + (question++ < right ? r : w));
      results.Add(name + "=" + value);
    }
    return results;
  }
  std::string Page(const std::string& name) { return enginetest::ReadFile(dir.File("html/" + name)); }
  pf::LcgRandom random{42};
};

// Every page template in one comparison: a training sheet of part T with its answer list and evaluation, an exam
// from an own list of part B with its evaluation, and the log page of a hand-edited log.
TEST(SheetGoldenTest, EveryTemplate) {
  SheetFixture f;
  std::string pages;
  auto take = [&](const char* name) { pages += std::string("==> ") + name + " <==\r\n" + f.Page(name); };
  pf::TStringList pool = MakePool({{"TA1", 3}});
  // Picture and answer prefixes in any case; the picture row takes 50 characters of the path after its dot;
  // "./pics" is rewritten in answers only.
  pool.Insert(9, "p:./pics/schaltungen/spannungsteiler-mit-lastwiderstand-ta102.png");
  pool.Put(8, std::string("F:Welche Spannung liegt am Widerstand? Größe <i>U</i> (./pics)"_l1));
  pool.Put(10, "r:richtig TA102");
  pool.Put(11, "W:<img src=\"./pics/ta102b.png\">");
  f.entries["TAfragen.txt"] = pool;
  f.Submit("PexuUA", {"teil=T", "abschnitt=TA1"});
  ASSERT_TRUE(f.port.warnings.empty());
  EXPECT_FALSE(f.state.IgnoreNextHistoryChange);  // only exams watch for being left
  take("LetztePruefung.html");
  take("LetzteAntworten.html");
  f.Grade(f.Answers(2));
  take("LetzteAuswertung.html");

  // The static exam form of class E, part B in lower case; its pool has no version line.
  f.entries["BEfragen.txt"] = MakePool({{"BA1", 40}});
  f.entries["BEfragen.txt"].Put(0, "Version 3");
  f.Submit("PexuTE", {"teil=b"});
  EXPECT_EQ(std::string({f.state.PartLetter, f.state.ClassLetter, f.state.ModeLetter}), "BEk");
  EXPECT_EQ(std::tuple(f.state.QuestionCount, f.state.SheetId, f.state.IniFile->ReadInteger("IDs", "BEID", 0)),
            std::tuple(34, "1", 1));
  EXPECT_EQ(std::tuple(f.state.IgnoreNextHistoryChange, f.port.answerListEnabled, f.port.clockRunning),
            std::tuple(true, false, true));
  EXPECT_EQ(f.port.loaded.back(), f.dir.File("html/LetztePruefung.html") + "#top");
  EXPECT_EQ(f.port.progress.back(), 0);
  // An own list of three of its questions, the first left blank, the second right, the third wrong.
  WriteFile(f.dir.File("Fragen/be.qlt"), "#Meine Liste\r\nBE=3\r\nZeit=20\r\nBA103\r\nBA101\r\nBA102\r\n");
  f.port.chosen = f.dir.File("Fragen/be.qlt");
  f.engine.PruefungladenClick();
  take("LetztePruefung.html");
  f.state.MinutesElapsed = 12;
  pf::TStringList answers = f.Answers(2);
  answers.Delete(0);
  f.Grade(answers);
  take("LetzteAuswertung.html");
  // Entries alternate between the two colours of their verdict, which the verdict cell decides (not a title that
  // holds the word); a last header line alone is shown too.
  for (const char* line : {"<td>BE/7&nbsp;&nbsp;</td><td>x</td>",
                           "<td valign=\"top\"><b><font color=\"#d00000\">nein</font></b></td><td>y</td>",
                           "<td>TA/8&nbsp;&nbsp;</td><td>x</td>",
                           "<td valign=\"top\"><b><font color=\"#00a000\">ok</font></b></td><td><br>[nein danke]</td>",
                           "<td>TE/9&nbsp;&nbsp;</td><td>x</td>"})
    f.state.ExamLog.Add(line);
  f.engine.LogSpeedButtonClick();
  take("LetztesLog.html");
  enginetest::ExpectGolden(pages, f.dir.Path(), "pages.txt");

  // The sheet number counts on from the settings file and stays positive at the end of the range and after a
  // damaged value.
  for (const auto& [stored, next] : {std::pair{"1", "2"}, {"2147483647", "1"}, {"-7", "1"}}) {
    f.state.IniFile->WriteString("IDs", "BEID", stored);
    f.Submit("PexuTE", {"teil=B"});
    EXPECT_EQ(std::tuple(f.state.SheetId, f.state.IniFile->ReadString("IDs", "BEID", "")), std::tuple(next, next))
        << stored;
  }
}

// Requests that cannot be met end with a warning at once: no drawing, no sheet, no counter, no change of state.
TEST(SheetTest, RefusedRequestsChangeNothingAndEndQuickly) {
  SheetFixture f;
  pf::ScriptedRandom script;  // empty: any draw would raise
  pf::SetRandomSource(&script);
  f.entries["TEfragen.txt"] = MakePool({{"TE1", 20}});  // Total 20 < N 34
  f.entries["VEfragen.txt"].Add("V:leer");              // a pool without questions
  f.entries["BEfragen.txt"] = MakePool({{"BA1", 40}});
  f.entries["BEfragen.txt"].Delete(6);  // a record with three answers
  f.entries["TAfragen.txt"] = MakePool({{"TA1", 50}, {"TB1", 10}});
  f.entries["TAabschnitte.txt"].SetText("TA1   TA1   39\r\nTB    TB    12\r\n");  // TB has only 10
  f.state.SheetId = "3";
  f.state.ModeLetter = 't';
  f.state.PartLetter = 'B';
  f.state.OwnListTitle = "Liste";
  f.state.CatalogueLines.Add("vorher");
  enum Setup { kNone, kSections, kNoArchive };
  const struct {
    const char *action, *part, *section;
    Setup setup;
    std::string warning;
  } requests[] = {
      // Operating and regulations exist for class E only: a class-A form asking for them is refused.
      {"PexuTA", "teil=B", nullptr, kNone,
       std::string("Den Prüfungsteil BA gibt es nicht (nur TA, TE, BE und VE)."_l1)},
      {"PexuUA", "teil=V", "abschnitt=VA1", kNone,
       std::string("Den Prüfungsteil VA gibt es nicht (nur TA, TE, BE und VE)."_l1)},
      {"PexuUA", "teil=T", "abschnitt=TA9", kNone, std::string("Der Trainingsabschnitt TA9 enthält keine Fragen."_l1)},
      {"PexuTE", "teil=T", nullptr, kNone,
       std::string("Der Fragenkatalog TE hat nur 20 Fragen, ein Prüfungsbogen braucht 34."_l1)},
      {"PexuTE", "teil=V", nullptr, kNone, std::string("Die Datei VEfragen.txt enthält keine Fragen."_l1)},
      {"PexuTE", "teil=B", nullptr, kNone, "Fehler in BEfragen.txt  Zeile 7: vier Antworten erwartet (Frage BA101)."},
      {"PexuTA", "teil=T", nullptr, kSections,
       "Fehler in TAabschnitte.txt  Zeile 2: 12 Fragen verlangt, der Bereich hat nur 10."},
      {"PexuTA", "teil=T", nullptr, kNoArchive, "Die Datei " + f.state.CatalogueFile + " existiert nicht."},
  };
  for (const auto& r : requests) {
    f.port.warnings.clear();
    f.state.SettingFVBNetzA = r.setup == kSections;
    if (r.setup == kNoArchive) pf::DeleteFile(f.state.CatalogueFile);
    auto start = testing_clock::ThreadClock::now();
    if (r.section)
      f.Submit(r.action, {r.part, r.section});
    else
      f.Submit(r.action, {r.part});
    EXPECT_LT(testing_clock::ThreadClock::now() - start, std::chrono::milliseconds(500)) << r.warning;
    EXPECT_EQ(f.port.warnings, std::vector<std::string>{r.warning});
  }
  // A damaged archive: the ZIP error goes on to the framework's handler, and the pool read last stays.
  WriteFile(f.state.CatalogueFile, "");
  f.engine.SetEntryExtractor([](const std::string&, const std::string&, pf::TStrings& list) -> int {
    list.Add("halb");
    throw pf::EReadError("Archiv defekt");
  });
  EXPECT_THROW(f.Submit("PexuTA", {"teil=T"}), pf::EReadError);
  EXPECT_EQ(std::tuple(f.state.ModeLetter, f.state.PartLetter, f.state.IgnoreNextHistoryChange, f.state.OwnListTitle,
                       f.state.CatalogueLines.Text(), f.state.SheetId),
            std::tuple('t', 'B', false, "Liste", "vorher\r\n", "3"));
  EXPECT_TRUE(f.port.loaded.empty());
  EXPECT_FALSE(f.port.clockRunning);
  EXPECT_FALSE(f.state.IniFile->SectionExists("IDs"));
  pf::SetRandomSource(&f.random);
}

// PoolSize is the size of the current sheet's pool whichever way the sheet was drawn; a refused sheet leaves it.
TEST(SheetTest, PoolSizeIsThatOfTheCurrentSheetsPool) {
  SheetFixture f;
  f.entries["TAfragen.txt"] = MakePool({{"TA1", 30}, {"TB1", 31}});
  f.entries["TAabschnitte.txt"].SetText("TA1   TA1   25  +\r\nTB    TB    26  -\r\n");
  f.entries["TEfragen.txt"] = MakePool({{"TE1", 40}});
  f.entries["BEfragen.txt"] = MakePool({{"BA1", 20}});  // too few for an exam
  WriteFile(f.dir.File("Fragen/te.qlt"), "TE=2\r\nZeit=20\r\nTE101\r\nTE102\r\n");
  std::vector<int32_t> sizes;
  f.Submit("PexuTA", {"teil=T"});
  sizes.push_back(f.state.PoolSize);
  f.Submit("PexuUE", {"teil=T", "abschnitt=TE1"});
  sizes.push_back(f.state.PoolSize);
  f.state.SettingFVBNetzA = true;
  f.Submit("PexuTA", {"teil=T"});
  sizes.push_back(f.state.PoolSize);
  f.port.chosen = f.dir.File("Fragen/te.qlt");
  f.engine.PruefungladenClick();
  sizes.push_back(f.state.PoolSize);
  f.state.SettingFVBNetzA = false;
  f.Submit("PexuTE", {"teil=B"});
  sizes.push_back(f.state.PoolSize);
  EXPECT_EQ(sizes, (std::vector<int32_t>{61, 40, 61, 40, 40}));
  EXPECT_EQ(f.port.warnings.size(), 1u);
  EXPECT_EQ(f.state.ModeLetter, 'a');
}

// The exams of every part from the static forms: the count and limit of the part on the sheet, the evaluation and
// the log line; the pass rule and the time.
TEST(EvaluationTest, PassRuleTimeAndLog) {
  const struct {
    const char *action, *part;
    int count, right, minutes;
    const char *limit, *summary, *verdict, *logged;
  } cases[] = {
      {"PexuTE", "teil=T", 34, 25, 20, "60", "25 von 34 Fragen = <b><font color=\"#00a000\">73%", "Gratulation!",
       ">ok<"},
      {"PexuTE", "teil=T", 34, 24, 20, "60", "24 von 34 Fragen = <b><font color=\"#d00000\">70%",
       "Schade, das wars noch nicht.", ">nein<"},
      {"PexuTA", "teil=T", 51, 38, 91, "90", "38 von 51 Fragen = <b><font color=\"#00a000\">74%",
       "aber das Zeitlimit &uuml;berschritten", ">ok<"},
      {"PexuTE", "teil=T", 34, 34, 0, "60", "34 von 34 Fragen", "in 1 min (60) bearbeitet.", ">ok<"},
      {"PexuTE", "teil=b", 34, 25, 12, "60", "25 von 34 Fragen = <b><font color=\"#00a000\">73%", "Gratulation!",
       ">ok<"},
      {"PexuTE", "teil=V", 34, 24, 59, "60", "24 von 34 Fragen = <b><font color=\"#d00000\">70%",
       "Schade, das wars noch nicht.", ">nein<"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.part) + " " + c.summary);
    SheetFixture f;
    f.entries["TAfragen.txt"] = MakePool({{"TA1", 60}});
    f.entries["TEfragen.txt"] = MakePool({{"TA1", 60}});
    f.entries["BEfragen.txt"] = MakePool({{"BA1", 40}});
    f.entries["VEfragen.txt"] = MakePool({{"VA1", 40}});
    f.Submit(c.action, {c.part});
    f.state.MinutesElapsed = c.minutes;
    ASSERT_EQ(f.state.TimeLimitText, c.limit);
    EXPECT_NE(
        f.Page("LetztePruefung.html").find(pf::IntToStr(c.count) + " Fragen &nbsp; Zeit: " + c.limit + " Minuten</td>"),
        npos);
    f.Grade(f.Answers(c.right));
    std::string page = f.Page("LetzteAuswertung.html");
    EXPECT_NE(page.find(c.summary), npos);
    EXPECT_NE(page.find(c.verdict), npos);
    ASSERT_EQ(f.state.ExamLog.Count(), 2);
    EXPECT_NE(f.state.ExamLog[1].find(c.logged), npos);
    const std::string worked = pf::IntToStr(c.count) + " von " + pf::IntToStr(c.count) + " Fragen in " +
                               pf::IntToStr(std::max(c.minutes, 1)) + " min (" + c.limit + ") bearbeitet.</td>";
    EXPECT_NE(page.find(worked), npos);
    EXPECT_NE(f.state.ExamLog[0].find(worked), npos);
    EXPECT_EQ(CountOf(page, ".qff\">"), static_cast<size_t>(c.count - c.right));
    EXPECT_EQ(std::tuple(f.state.ModeLetter, f.port.clockRunning, f.port.answerListEnabled),
              std::tuple('t', false, true));
    // A second submission of the same sheet is graded as training and not logged.
    f.Grade(f.Answers(c.right));
    EXPECT_EQ(f.state.ExamLog.Count(), 2);
  }
}

// Lines of questions that are not on the sheet, and a question submitted twice, count for nothing. Technical sheets
// of both classes are numbered separately: a class-E sheet submitted after a class-A sheet of the same number was
// drawn is graded with its own class and questions, as training and without a log line.
TEST(EvaluationTest, OnlyTheSheetsQuestionsAreGradedEachOnce) {
  SheetFixture f;
  f.entries["TEfragen.txt"] = MakePool({{"TA1", 60}});
  f.entries["TAfragen.txt"] = MakePool({{"TE1", 60}});
  f.Submit("PexuTE", {"teil=T"});
  std::string sheet = f.Page("LetztePruefung.html"), offSheet;  // a question of the pool that is not on the sheet
  for (int k = 1; offSheet.empty() || sheet.find("\"" + offSheet + "\"") != npos; ++k)
    offSheet = "TA1" + engine::PadWithZeros(pf::IntToStr(k), 2);
  pf::TStringList answers = f.Answers(24);  // 70 %: not passed
  int at = 2;
  for (std::string extra :
       {std::string("XX999=R1"), std::string("XX999=N"), offSheet + "=R1", offSheet + "=N", answers[0], answers[1]})
    answers.Insert(at++, extra);
  f.Grade(answers);
  std::string page = f.Page("LetzteAuswertung.html");
  EXPECT_NE(page.find("34 von 34 Fragen in "), npos);
  EXPECT_NE(page.find("24 von 34 Fragen = <b><font color=\"#d00000\">70%"), npos);
  EXPECT_EQ(CountOf(page, "width=\"8%\""), 34u);
  EXPECT_EQ(page.find("XX999"), npos);
  EXPECT_EQ(page.find(offSheet), npos);
  ASSERT_EQ(f.state.ExamLog.Count(), 2);
  EXPECT_NE(f.state.ExamLog[1].find(">nein<"), npos);
  EXPECT_NE(f.state.ExamLog[1].find("Richtig: 24 (70%)"), npos);

  f.Submit("PexuTE", {"teil=T"});
  pf::TStringList older = f.Answers(34);
  f.state.IniFile->WriteInteger("IDs", "TAID", 1);
  f.Submit("PexuTA", {"teil=T"});
  ASSERT_EQ(std::tuple(f.state.ClassLetter, f.state.SheetId), std::tuple('A', "2"));
  f.Grade(older);
  page = f.Page("LetzteAuswertung.html");
  // Its links act on the class of the sheet it graded; the sheet's links and those of other pages on the new sheet.
  EXPECT_EQ(std::tuple(f.engine.PagePart(f.dir.File("html/LetzteAuswertung.html")),
                       f.engine.PagePart(f.dir.File("html/LetztePruefung.html")),
                       f.engine.PagePart(f.dir.File("html/LetztesLog.html"))),
            std::tuple(std::pair('T', 'E'), std::pair('T', 'A'), std::pair('T', 'A')));
  EXPECT_NE(page.find("Amateurfunkzeugnis Klasse E"), npos);
  EXPECT_NE(page.find("<big>Training  --/-  Technische Kenntnisse</big>"), npos);
  EXPECT_NE(page.find("34 von 34 Fragen = <b><font color=\"#00a000\">100%"), npos);
  EXPECT_EQ(f.state.ExamLog.Count(), 2);
}

TEST(EvaluationTest, UnsavableLogKeepsBothLinesAndWarns) {
  SheetFixture f;
  f.entries["TEfragen.txt"] = MakePool({{"TA1", 60}});
  std::filesystem::create_directories(f.state.LogPath);  // a folder where the file should be: saving fails
  f.Submit("PexuTE", {"teil=T"});
  f.Grade(f.Answers(30));
  EXPECT_EQ(f.state.ExamLog.Count(), 2);
  ASSERT_EQ(f.port.warnings.size(), 1u);
  EXPECT_EQ(f.port.warnings[0].rfind(std::string("Das Prüfungslog konnte nicht gespeichert werden: "_l1), 0), 0u);
  EXPECT_EQ(f.port.loaded.back(), f.dir.File("html/LetzteAuswertung.html") + "#top");  // the result is still shown
}

// Deleting asks first, and only when there is a log file.
TEST(LogPageTest, Deletion) {
  SheetFixture f;
  f.engine.LogloeschenClick();  // no log file: nothing asked
  EXPECT_TRUE(f.port.confirmations.empty());
  // A log whose name differs in case only is read as the log, so it is the file that gets deleted.
  WriteFile(f.dir.File("pexu.log"), "x\r\ny\r\n");
  f.engine.LogloeschenClick();
  EXPECT_FALSE(pf::FileExists(f.state.LogPath));
  WriteFile(f.state.LogPath, "x\r\ny\r\n");
  f.state.ExamLog.Add("x");
  f.port.confirmAnswer = false;
  f.engine.LogloeschenClick();
  EXPECT_TRUE(pf::FileExists(f.state.LogPath));
  f.port.confirmAnswer = true;
  f.engine.LogloeschenClick();
  EXPECT_EQ(f.port.confirmations.back(), std::string("Wollen Sie Pexu.log wirklich löschen?"_l1));
  EXPECT_FALSE(pf::FileExists(f.state.LogPath));
  EXPECT_EQ(f.state.ExamLog.Count(), 0);
  EXPECT_EQ(f.port.panels[0], " " + f.state.LogPath + std::string(" wurde gelöscht."_l1));
  EXPECT_NE(f.Page("LetztesLog.html").find(">0 Eintr&auml;ge<"), npos);
  EXPECT_TRUE(f.port.warnings.empty());
}

TEST(QuestionListTest, WrongQuestionsAreCollectedOnce) {
  SheetFixture f;
  for (const char* id : {"TA102", "ta102", "TA205"}) f.engine.AddToWrongQuestionsList('T', 'A', id);
  EXPECT_EQ(enginetest::ReadFile(f.dir.File("Fragen/TAFalscheFragen.qlt")),
            "#Falsche Fragen TA\r\nTA=2\r\nZeit=30\r\nTA102\r\nTA205\r\n");
}

// The own-list road and the menu-exam road: a list is checked and drawn before the running exam is touched, and an
// own list's title goes into the log of its own exam only.
TEST(QuestionListTest, OwnListAndMenuExamRoads) {
  SheetFixture f;
  f.entries["TAfragen.txt"] = MakePool({{"TA1", 30}});
  f.entries["TEfragen.txt"] = MakePool({{"TE1", 40}});
  f.Submit("PexuTE", {"teil=T"});
  const std::string running = f.state.SelectedQuestions.Text(), file = f.dir.File("Listen/liste.qlt");
  const std::string tooFew(("Zuwenig Fragen in der Fragenliste oder zuviele Fragen ausgewählt."_l1));
  const std::string unreadable = file + " konnte nicht fehlerfrei eingelesen werden.";
  const struct {
    std::string list;
    bool warning;  // a warning dialog, else a status message
    std::string text;
  } refused[] = {
      {"TA=52\r\nZeit=20\r\nTA101\r\n", false,
       std::string("Weniger als 2 oder mehr als 51 Prüfungsfragen ausgewählt."_l1)},
      {"TA=10\r\nZeit=20\r\nTA101\r\nTA102\r\nTA103\r\nTA104\r\nTA105\r\nTA106\r\nTA107\r\nTA108\r\nTA109\r\n", false,
       tooFew},
      {"TA=2\r\nZeit=20\r\nTA101\r\nTA101\r\n TA101\r\n", false, tooFew},
      {"TA=2\r\nZeit=20\r\nTA101\r\n TA999\r\n", false, "Die Frage \" TA999\" wurde nicht gefunden."},
      {"TA=2\r\nZeit=20\r\nTA101\r\nTA10\r\n", false, "Die Frage \"TA10\" wurde nicht gefunden."},
      {"BA=2\r\nZeit=20\r\nBA101\r\nBA102\r\n", true,
       std::string("Den Prüfungsteil BA gibt es nicht (nur TA, TE, BE und VE)."_l1)},
      {"TA=zehn\r\nZeit=20\r\nTA101\r\nTA102\r\n", true, unreadable},
      {"TA=2\r\nZeit=x\r\nTA101\r\nTA102\r\n", true, unreadable},
      // A time of no minutes would leave the exam clock nothing to count against.
      {"TA=2\r\nZeit=0\r\nTA101\r\nTA102\r\n", true, unreadable},
      {"TA=2\r\nZeit=-5\r\nTA101\r\nTA102\r\n", true, unreadable},
      {"TA=2\r\nZeit=20\r\nTA101\r\nTA102\r\n" + std::string(1 << 20, ' '), true, unreadable},  // too large
  };
  // The lists lie in another folder than the question lists' folder: the first dialog starts in the question
  // lists' folder, and a chosen list names its folder for the next dialog even when it is refused.
  const std::string dialog(" Öffnen der Fragenliste|Fragenlisten (*.qlt)|*.qlt|"_l1);
  for (const auto& r : refused) {
    SCOPED_TRACE(r.list.substr(0, 60));
    WriteFile(file, r.list);
    f.port.chosen = file;
    f.port.messages.clear();
    f.port.warnings.clear();
    const std::string startedIn = f.dir.File(&r == refused ? "Fragen" : "Listen");
    f.engine.PruefungladenClick();
    EXPECT_EQ(f.port.dialogs.back(), dialog + startedIn);
    EXPECT_EQ(r.warning ? f.port.warnings : f.port.messages, std::vector<std::string>{r.text});
    EXPECT_EQ(std::tuple(f.state.ModeLetter, f.state.QuestionCount, f.state.TimeLimitText, f.state.OwnListTitle,
                         f.state.SelectedQuestions.Text(), f.state.QuestionDir),
              std::tuple('k', 34, "60", "", running, f.dir.File("Listen")));
  }
  f.port.messages.clear();
  f.engine.PruefungladenClick();  // cancelled
  f.port.chosen = f.dir.File("Fragen/fehlt.qlt");
  f.engine.PruefungladenClick();
  EXPECT_EQ(f.port.messages, std::vector<std::string>{f.dir.File("Fragen/fehlt.qlt") + " nicht gefunden."});
  EXPECT_EQ(f.state.QuestionDir, f.dir.File("Listen")) << "a list that does not exist names no folder";

  // A sound list, with a trailing blank line and an identifier listed twice, and without a title; its time is longer
  // than the editor's field holds.
  WriteFile(file, "TA=3\r\nZeit=120\r\nTA105\r\nTA103\r\nTA105\r\nTA120\r\n\r\n");
  f.port.chosen = file;
  f.engine.PruefungladenClick();
  const std::string title(("Eigene Prüfungsauswahl"_l1));
  EXPECT_EQ(std::tuple(f.state.ModeLetter, f.state.QuestionCount, f.state.TimeLimitText, f.state.OwnListTitle,
                       f.state.SelectedQuestions.Text(), f.state.QuestionDir),
            std::tuple('a', 3, "120", title, "0003\r\n0005\r\n0020\r\n", f.dir.File("Listen")));
  // An own exam left unfinished keeps its title; an exam from the menu does not carry it into the log.
  std::string sheetId;
  char mode = 'k';
  ASSERT_TRUE(f.engine.BuildExamSheet('T', 'E', sheetId, "", mode));
  EXPECT_EQ(std::tuple(f.state.ModeLetter, f.state.QuestionCount, sheetId, f.state.OwnListTitle),
            std::tuple('k', 34, "2", title));
  f.Grade(f.Answers(34));
  ASSERT_EQ(f.state.ExamLog.Count(), 2);
  EXPECT_EQ(f.state.ExamLog[0].find("<td>TE/2&nbsp;"), 0u);
  EXPECT_EQ(f.state.ExamLog[1].find("<br>["), npos);
  EXPECT_EQ(f.state.OwnListTitle, "");
}

}  // namespace
