// The pool check and the extraction road (through the ZIP component, on archives made by Info-ZIP zip).
#include <gtest/gtest.h>

#include <chrono>
#include <functional>

#include "engine/catalogue.h"
#include "engine_test_support.h"
#include "platform/core/files.h"
#include "platform/core/strings.h"
#include "tests/thread_clock.h"

using enginetest::EngineFixture;
using enginetest::MakePool;

namespace {

using namespace pf::literals;

TEST(RecordTest, MalformedPoolsAreRefusedWithTheLine) {
  const std::pair<std::function<void(pf::TStringList&)>, const char*> cases[] = {
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
  for (const auto& [damage, fault] : cases) {
    pf::TStringList pool = MakePool({{"TA1", 2}});
    damage(pool);
    EXPECT_EQ(engine::CheckPool(pool), fault);
  }
}

// Writes each (name, text) into a folder and zips them (zip -j) into the fixture's catalogue archive.
void MakeArchive(EngineFixture& f, const std::vector<std::pair<std::string, std::string>>& files,
                 const char* options = "-X") {
  std::string names;
  for (const auto& [name, text] : files) {
    enginetest::WriteFile(f.dir.File("src/" + name), text);
    names += " '" + f.dir.File("src/" + name) + "'";
  }
  pf::DeleteFile(f.state.CatalogueFile);
  int status = -1;
  enginetest::RunCommand("zip -q -j " + std::string(options) + " '" + f.state.CatalogueFile + "'" + names, &status);
  ASSERT_EQ(status, 0);
}

TEST(EntzippenTest, EntriesMatchWithoutRegardToCaseAndAreReadAfresh) {
  EngineFixture f;
  f.engine.SetEntryExtractor(nullptr);
  MakeArchive(f, {{"tafragen.txt", MakePool({{"TA1", 3}}).Text()}, {"FragenVersion.txt", "TA: eins\r\n"}});
  int32_t poolSize = 0;
  ASSERT_TRUE(f.engine.CountPoolQuestions('T', 'A', poolSize));
  EXPECT_EQ(poolSize, 3);
  pf::TStringList list;
  EXPECT_EQ(f.engine.Entzippen(f.state.CatalogueFile, "fragenversion.TXT", list), 1);
  EXPECT_EQ(list.Text(), "TA: eins\r\n");
  // A missing entry leaves the list as it was and ends with the warning at once.
  EXPECT_EQ(f.engine.Entzippen(f.state.CatalogueFile, "BEfragen.txt", list), 0);
  EXPECT_EQ(list.Text(), "TA: eins\r\n");
  auto start = testing_clock::ThreadClock::now();
  EXPECT_FALSE(f.engine.CountPoolQuestions('B', 'E', poolSize));
  EXPECT_LT(testing_clock::ThreadClock::now() - start, std::chrono::milliseconds(500));
  EXPECT_EQ(f.port.warnings, std::vector<std::string>{
                                 std::string("Die Datei BEfragen.txt fehlt im Fragenkatalog oder ist beschädigt."_l1)});

  // A replaced archive is seen at once (here made without -X, so local and central extra fields differ).
  MakeArchive(f, {{"TAfragen.txt", MakePool({{"TA1", 5}}).Text()}}, "");
  ASSERT_TRUE(f.engine.CountPoolQuestions('T', 'A', poolSize));
  EXPECT_EQ(poolSize, 5);
}

}  // namespace
