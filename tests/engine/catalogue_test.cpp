#include <gtest/gtest.h>

#include "engine/catalogue.h"
#include "engine_test_support.h"
#include "platform/core/files.h"
#include "platform/core/strings.h"

using enginetest::EngineFixture;
using enginetest::MakePool;

namespace {

TEST(RecordTest, ReaderFollowsTheRecordLayout) {
  pf::TStringList pool = MakePool({{"TA1", 2}});
  pool.Insert(9, "p:./pics/ta102.gif");  // lower-case picture prefix
  pool.Put(10, "r:5 A");
  engine::QuestionRecord first = engine::ReadQuestionRecord(pool, 1);
  EXPECT_EQ(first.Id, "TA101");
  EXPECT_EQ(first.Text, "Frage TA101");
  EXPECT_EQ(first.Picture, "");
  ASSERT_EQ(first.Answers.size(), 4u);
  EXPECT_EQ(first.Answers[0], "R:richtig TA101");
  EXPECT_EQ(first.NextLine, 7);
  engine::QuestionRecord second = engine::ReadQuestionRecord(pool, first.NextLine);
  EXPECT_EQ(second.Picture, "./pics/ta102.gif");
  ASSERT_EQ(second.Answers.size(), 4u);
  EXPECT_EQ(second.Answers[0], "r:5 A");
  EXPECT_TRUE(engine::IsRightAnswer(second.Answers[0]));
  EXPECT_EQ(second.NextLine, pool.Count());

  EXPECT_EQ(engine::PoolVersion(pool), "Test");
  pool.Put(0, "Version 3");
  EXPECT_EQ(engine::PoolVersion(pool), "");
  EXPECT_EQ(engine::CheckPool(pool), "");  // line 0 is still only the version line
}

TEST(RecordTest, MalformedPoolsAreRefusedWithTheLine) {
  struct Case {
    std::function<void(pf::TStringList&)> damage;
    const char* fault;
  };
  const Case cases[] = {
      {[](pf::TStringList& p) { p.Delete(6); }, "Zeile 7: vier Antworten erwartet (Frage TA101)."},
      {[](pf::TStringList& p) { p.Put(4, "R:auch richtig"); },
       "Zeile 5: nur die erste Antwort darf richtig sein, hier \"W:\" erwartet."},
      {[](pf::TStringList& p) { p.Exchange(3, 4); }, "Zeile 4: die erste Antwort muss die richtige sein (\"R:\")."},
      {[](pf::TStringList& p) { p.Put(7, "::TA10"); }, "Zeile 8: \"::\" und eine Kennung aus 5 Zeichen erwartet."},
      {[](pf::TStringList& p) { p.Put(7, "::TA 02"); }, "Zeile 8: \"::\" und eine Kennung aus 5 Zeichen erwartet."},
      {[](pf::TStringList& p) { p.Put(8, "F:"); }, "Zeile 9: Fragetext erwartet."},
      {[](pf::TStringList& p) { p.Add("W:eine zu viel"); },
       "Zeile 14: \"::\" und eine Kennung aus 5 Zeichen erwartet."},
      {[](pf::TStringList& p) { p.Delete(0); }, "Zeile 1: die erste Zeile muss die Versionszeile \"V:\" sein."},
      {[](pf::TStringList& p) { p.Clear(); }, "die Datei ist leer."},
  };
  for (const Case& c : cases) {
    pf::TStringList pool = MakePool({{"TA1", 2}});
    c.damage(pool);
    EXPECT_EQ(engine::CheckPool(pool), c.fault);
  }
}

TEST(PoolTest, CountPoolQuestionsSucceedsOnlyWithQuestions) {
  EngineFixture f;
  f.entries["TAfragen.txt"] = MakePool({{"TA1", 3}, {"TB1", 2}});
  int32_t poolSize = -1;
  ASSERT_TRUE(f.engine.CountPoolQuestions('T', 'A', poolSize));
  EXPECT_EQ(poolSize, 5);
  EXPECT_EQ(f.state.CatalogueLines.Count(), 31);

  // A missing entry (or one the reader could not extract) and a pool without questions are failures.
  poolSize = -1;
  EXPECT_FALSE(f.engine.CountPoolQuestions('B', 'E', poolSize));
  EXPECT_EQ(f.port.warnings.back(),
            "Die Datei BEfragen.txt fehlt im Fragenkatalog oder ist besch\xE4"
            "digt.");
  EXPECT_EQ(f.state.CatalogueLines.Count(), 0);
  f.entries["VEfragen.txt"].Add("V:leer");
  EXPECT_FALSE(f.engine.CountPoolQuestions('V', 'E', poolSize));
  EXPECT_EQ(f.port.warnings.back(), "Die Datei VEfragen.txt enth\xE4lt keine Fragen.");
  f.entries["TEfragen.txt"] = MakePool({{"TE1", 3}});
  f.entries["TEfragen.txt"].Delete(18);
  EXPECT_FALSE(f.engine.CountPoolQuestions('T', 'E', poolSize));
  EXPECT_EQ(f.port.warnings.back(), "Fehler in TEfragen.txt  Zeile 19: vier Antworten erwartet (Frage TE103).");
  EXPECT_EQ(f.state.CatalogueLines.Count(), 0);
  EXPECT_EQ(poolSize, -1);
  EXPECT_EQ(f.port.warnings.size(), 3u);
}

TEST(PoolTest, MissingArchiveNamesItsFullPath) {
  EngineFixture f;
  f.entries["TAfragen.txt"] = MakePool({{"TA1", 3}});
  f.state.CatalogueLines.Add("alt");
  pf::DeleteFile(f.state.CatalogueFile);
  int32_t poolSize = -1;
  EXPECT_FALSE(f.engine.CountPoolQuestions('T', 'A', poolSize));
  ASSERT_EQ(f.port.warnings.size(), 1u);
  EXPECT_EQ(f.port.warnings[0], "Die Datei " + f.dir.Path() + "/Fragen/KAEFragen.qst existiert nicht.");
  EXPECT_EQ(f.state.CatalogueLines.Count(), 0);
  EXPECT_EQ(poolSize, -1);
}

}  // namespace
