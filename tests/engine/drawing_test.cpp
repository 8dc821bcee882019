#include <gtest/gtest.h>

#include <chrono>
#include <set>

#include "engine/procs.h"
#include "engine_test_support.h"
#include "platform/core/files.h"
#include "platform/core/random.h"
#include "platform/core/strings.h"
#include "tests/thread_clock.h"

using enginetest::EngineFixture;
using enginetest::MakePool;
using enginetest::MixedRandom;
using enginetest::ScopedRandom;
using namespace pf::literals;

namespace {

std::vector<int> Numbers(const pf::TStrings& list) {
  std::vector<int> v;
  for (int i = 0; i < list.Count(); ++i) v.push_back(pf::StrToInt(list[i]));
  return v;
}

TEST(DrawTest, BlockModeTakesOneFromEachSliceAndTheLastFromTheEnd) {
  engine::AppState state;
  for (int pick : {0, 1}) {
    pf::ScriptedRandom script;
    ScopedRandom use(script);
    for (int i = 0; i < 34; ++i) script.PushInt(pick);
    pf::TStringList list;
    list.SetSorted(true);
    ASSERT_TRUE(engine::DrawQuestionNumbers(state, 100, 34, 1, "", true, list));
    std::vector<int> v = Numbers(list);
    ASSERT_EQ(v.size(), 34u);
    for (int i = 0; i < 33; ++i) EXPECT_EQ(v[i], 2 * i + 1 + pick);
    EXPECT_EQ(v[33], 99 + pick);  // 67 .. 98 are never drawn
    EXPECT_EQ(script.Remaining(), 0u);
  }
}

TEST(DrawTest, RandomModeDrawsEveryNumberAndNeverADuplicate) {
  engine::AppState state;
  pf::LcgRandom lcg(20261206);
  ScopedRandom use(lcg);
  std::vector<int> seen(101, 0);
  for (int run = 0; run < 10000; ++run) {
    pf::TStringList list;
    list.SetSorted(true);
    list.SetDuplicates(pf::dupAccept);  // a duplicate would show up as an extra entry
    ASSERT_TRUE(engine::DrawQuestionNumbers(state, 100, 34, 1, "", false, list));
    ASSERT_EQ(list.Count(), 34);
    std::set<int> distinct;
    for (int v : Numbers(list)) {
      ASSERT_TRUE(v >= 1 && v <= 100) << v;
      distinct.insert(v);
      ++seen[v];
    }
    ASSERT_EQ(distinct.size(), 34u);
  }
  for (int v = 1; v <= 100; ++v) EXPECT_TRUE(seen[v] > 3000 && seen[v] < 3800) << v;  // expected 3400 each
}

TEST(DrawTest, AnswerOrderIsAPermutationInDrawOrder) {
  engine::AppState state;
  pf::ScriptedRandom script;
  ScopedRandom use(script);
  for (int v : {2, 2, 0, 3, 0, 1}) script.PushInt(v);
  pf::TStringList order;
  order.SetSorted(true);  // the routine must not keep a sorted list
  engine::DrawAnswerOrder(state, order);
  EXPECT_EQ(order.Text(), "0003\r\n0001\r\n0004\r\n0002\r\n");
}

// 66 lines (100 - 34) are used as they are, so only the 34 never asked remain; 67 are emptied before drawing. New
// lines are "NNNN IIIII" with the question's identifier, kept in ascending order.
TEST(DrawTest, AskedListIsKeptUpToTotalMinusNThenEmptied) {
  enginetest::TempDir dir;
  engine::AppState state;
  state.DataDir = dir.Path();
  state.CatalogueLines = MakePool({{"TA1", 50}, {"TA2", 50}});
  const std::string path = engine::AskedListPath(state, "TA");
  EXPECT_EQ(path, dir.File("Fragen/TAAskedList.txt"));
  pf::LcgRandom lcg(7);
  ScopedRandom use(lcg);
  for (int lines : {66, 67}) {
    std::string content, expected;
    for (int v = 1; v <= lines; ++v) content += engine::PadWithZeros(pf::IntToStr(v), 4) + " XX000\r\n";
    enginetest::WriteFile(path, content);
    pf::TStringList list, saved;
    list.SetSorted(true);
    ASSERT_TRUE(engine::DrawQuestionNumbers(state, 100, 34, 1, "TA", false, list));
    for (int v = 1; v <= 100; ++v) {
      const std::string number = engine::PadWithZeros(pf::IntToStr(v), 4);
      if (lines == 66 && v <= 66) expected += number + " XX000\r\n";
      if (list.IndexOf(number) >= 0)
        expected +=
            number + (v <= 50 ? " TA1" : " TA2") + engine::PadWithZeros(pf::IntToStr((v - 1) % 50 + 1), 2) + "\r\n";
    }
    saved.LoadFromFile(path);
    EXPECT_EQ(saved.Text(), expected) << lines;
  }
}

TEST(DrawTest, IdPrefixRangesScanEveryLine) {
  pf::TStringList pool = MakePool({{"TA1", 3}, {"TB1", 4}, {"TA2", 2}});
  pool.Insert(2, "P:./pics/ta101.gif");  // a seven-line record must not hide the next head
  // "TA" stops at the first non-matching head.
  for (auto [prefix, first, last] : {std::tuple{"TA1", 1, 3}, {"TB", 4, 7}, {"TA", 1, 3}}) {
    int f = 0, l = 0;
    ASSERT_TRUE(engine::FindIdPrefixRange(prefix, pool, f, l)) << prefix;
    EXPECT_EQ(std::pair(f, l), std::pair(first, last)) << prefix;
  }
  int f = 0, l = 0;
  EXPECT_FALSE(engine::FindIdPrefixRange("TC", pool, f, l));
}

TEST(TrainingBlockTest, BlockTwoOfAFiftyQuestionChapterAndRefusedSections) {
  EngineFixture f;
  pf::TStringList pool = MakePool({{"TA1", 20}, {"TB1", 40}, {"TB2", 10}, {"TC1", 5}});
  pool.Put(2, "F:TB ist hier nur Text");  // a text line beginning with the chapter letters is no question of it
  f.entries["TAfragen.txt"] = pool;
  pf::TStringList list;
  list.SetSorted(true);
  int32_t count = -1;
  ASSERT_TRUE(f.engine.SelectTrainingBlock('T', 'A', count, list, "TB2"));
  std::string block;  // the chapter's questions 41-50
  for (int n = 20 + 41; n <= 20 + 50; ++n) block += "00" + std::to_string(n) + "\r\n";
  EXPECT_EQ(std::pair(count, list.Text()), std::pair(10, block));
  ASSERT_TRUE(f.engine.SelectTrainingBlock('T', 'A', count, list, "TA1"));
  EXPECT_EQ(count, 30);  // the list keeps what it held
  EXPECT_TRUE(f.port.warnings.empty());

  const std::pair<const char*, std::string_view> refused[] = {
      {"TA0", "Der Trainingsabschnitt \"TA0\" ist ungültig."_l1},
      {"TA", "Der Trainingsabschnitt \"TA\" ist ungültig."_l1},  // short: must not read past its end
      {"TAX", "Der Trainingsabschnitt \"TAX\" ist ungültig."_l1},
      {"TA12", "Der Trainingsabschnitt \"TA12\" ist ungültig."_l1},
      {"TA2", "Der Trainingsabschnitt TA2 enthält keine Fragen."_l1},
  };
  for (const auto& [section, warning] : refused) {
    pf::TStringList empty;
    count = -1;
    f.port.warnings.clear();
    EXPECT_FALSE(f.engine.SelectTrainingBlock('T', 'A', count, empty, section));
    EXPECT_EQ(std::tuple(f.port.warnings, count, empty.Count()),
              std::tuple(std::vector<std::string>{std::string(warning)}, -1, 0));
  }
  EXPECT_FALSE(f.engine.SelectTrainingBlock('T', 'E', count, list, "TA1"));
  EXPECT_EQ(f.port.warnings.back(),
            std::string("Die Datei TEfragen.txt fehlt im Fragenkatalog oder ist beschädigt."_l1));
}

// The pool of the section tests: TA1xx 1-25, TA2xx 26-50, TB 51-62, TC 63-74.
struct SectionFixture : EngineFixture {
  SectionFixture() { state.CatalogueLines = MakePool({{"TA1", 25}, {"TA2", 25}, {"TB1", 12}, {"TC1", 12}}); }
  bool Run(const std::string& table, pf::TStringList& list) {
    entries["TAabschnitte.txt"].SetText(table);
    int32_t poolSize = -1;
    bool ok = engine.SelectBySections('T', 'A', poolSize, list);
    EXPECT_EQ(poolSize, ok ? list.Count() : -1);
    return ok;
  }
};

TEST(SectionTest, PartnerLinesShareOneQuestion) {
  for (double real : {0.6, 0.4}) {
    SCOPED_TRACE(real);
    SectionFixture f;
    MixedRandom random(11, {real});
    pf::TStringList list;
    list.SetSorted(true);
    ASSERT_TRUE(
        f.Run("# TAabschnitte.txt\r\n#2345678901234567\r\nTA1   TA2   31  +\r\nTB    TB    10  -\r\nTC          10\r\n",
              list));
    EXPECT_TRUE(f.port.warnings.empty());
    int ta = 0, tb = 0, tc = 0;
    for (int v : Numbers(list)) (v <= 50 ? ta : v <= 62 ? tb : tc)++;
    int extra = real >= 0.5 ? 1 : 0;
    EXPECT_EQ(std::vector<int>({ta, tb, tc}), std::vector<int>({31 + extra, 10 - extra, 10}));
  }
}

TEST(SectionTest, EveryTableErrorIsReportedBeforeDrawing) {
  const std::pair<const char*, std::string_view> cases[] = {
      {"TA1   TA1   25\r\nTA2   TA2 17\r\n", "Fehler in TAabschnitte.txt  Zeile 2."},
      {"TA1   TA1   25\r\nTX    TX    26\r\n", "Fehler in TAabschnitte.txt  Zeile 2 Spalte 1."},
      {"T     TA2   51\r\n", "Fehler in TAabschnitte.txt  Zeile 1 Spalte 1."},
      {"TA1   TX    51\r\n", "Fehler in TAabschnitte.txt  Zeile 1 Spalte 7."},
      {"TA2   TA1   51\r\n", "Fehler in TAabschnitte.txt  Zeile 1 Spalte 7."},
      {"TA1   TA2   25  *\r\nTB    TC    26\r\n", "Fehler in TAabschnitte.txt  Zeile 1 Spalte 17."},
      {"TA1   TA2   25 x\r\nTB    TC    26\r\n", "Fehler in TAabschnitte.txt  Zeile 1 Spalte 17."},
      {"TA1   TA2   2x\r\n", "Fehler in TAabschnitte.txt  Zeile 1 Spalte 13."},
      {"TA1   TA1   26\r\nTA2   TC    25\r\n",
       "Fehler in TAabschnitte.txt  Zeile 1: 26 Fragen verlangt, der Bereich hat nur 25."},
      {"TA1   TA1   25  +\r\nTA2   TC    26  -\r\n",
       "Fehler in TAabschnitte.txt  Zeile 1: 26 Fragen verlangt, der Bereich hat nur 25."},
      // A "+" line without its "-" line, a "-" line without a "+" line before it, and a "-" line that has no
      // question to give back would make the sheet longer or shorter than the part's count.
      {"TA1   TA2   31  +\r\nTB    TB    10\r\nTC          10\r\n", "Fehler in TAabschnitte.txt  Zeile 1 Spalte 17."},
      {"TA1   TA1   20  +\r\nTA2   TA2   21  +\r\nTB    TC    10  -\r\n",
       "Fehler in TAabschnitte.txt  Zeile 1 Spalte 17."},
      {"TA1   TA2   41\r\nTB    TC    10  -\r\n", "Fehler in TAabschnitte.txt  Zeile 2 Spalte 17."},
      {"TA1   TA2   31  +\r\nTB    TB    10  -\r\nTC          10  -\r\n",
       "Fehler in TAabschnitte.txt  Zeile 3 Spalte 17."},
      {"TA1   TC    51  +\r\nTB    TB    00  -\r\n", "Fehler in TAabschnitte.txt  Zeile 2 Spalte 13."},
      {"TA1   TC    50\r\n", "Fehler in TAabschnitte.txt: die Abschnitte ergeben 50 Fragen statt 51."},
      {"# nur Kommentar\r\n", "Die Datei TAabschnitte.txt enthält keine Abschnitte."_l1},
      {nullptr, "Die Datei TAabschnitte.txt existiert nicht."},
  };
  for (const auto& [table, message] : cases) {
    SCOPED_TRACE(table ? table : "no table");
    SectionFixture f;
    pf::ScriptedRandom script;  // empty: a draw would raise
    ScopedRandom use(script);
    pf::TStringList list;
    auto start = testing_clock::ThreadClock::now();
    if (table) {
      EXPECT_FALSE(f.Run(table, list));
    } else {
      int32_t poolSize = -1;
      EXPECT_FALSE(f.engine.SelectBySections('T', 'A', poolSize, list));
    }
    EXPECT_LT(testing_clock::ThreadClock::now() - start, std::chrono::milliseconds(500));
    EXPECT_EQ(f.port.warnings, std::vector<std::string>{std::string(message)});
    EXPECT_EQ(list.Count(), 0);
  }
}

TEST(SectionTest, BlanksOverlapsAndUsedUpRanges) {
  SectionFixture f;
  MixedRandom random(3);
  // Trailing blanks do not make a line longer; overlapping ranges never give a question twice; a count written
  // flush left keeps its blank in column 14.
  for (const char* table : {"TA1   TC    40  \r\nTA1   TA2   11\r\n", "TA1   TA2   42\r\nTB    TC    9 \r\n"}) {
    pf::TStringList list;
    list.SetSorted(true);
    ASSERT_TRUE(f.Run(table, list)) << table;
    EXPECT_EQ(list.Count(), 51);
  }
  EXPECT_TRUE(f.port.warnings.empty());
  // The first line takes all of TB, so the second line finds its range used up.
  pf::TStringList list;
  f.state.CatalogueLines = MakePool({{"TA1", 45}, {"TB1", 6}});
  EXPECT_FALSE(f.Run("TB    TB    06\r\nTB    TB    01\r\nTA    TA    44\r\n", list));
  EXPECT_EQ(f.port.warnings, std::vector<std::string>{"Fehler in TAabschnitte.txt  Zeile 2: 1 Fragen verlangt, im "
                                                      "Bereich sind nur noch 0 frei."});
}

}  // namespace
