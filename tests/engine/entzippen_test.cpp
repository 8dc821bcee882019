// The extraction road through the ZIP component, on archives made by Info-ZIP zip.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>

#include "engine_test_support.h"
#include "platform/core/files.h"

using enginetest::EngineFixture;
using enginetest::MakePool;
using enginetest::WriteFile;

namespace {

// Writes each (name, lines) into a folder and zips them (zip -j) into the fixture's catalogue archive.
void MakeArchive(EngineFixture& f, const std::vector<std::pair<std::string, std::string>>& files,
                 const char* options = "-X") {
  std::string folder = f.dir.File("src");
  std::string names;
  for (const auto& [name, text] : files) {
    WriteFile(folder + "/" + name, text);
    names += " '" + folder + "/" + name + "'";
  }
  pf::DeleteFile(f.state.CatalogueFile);
  std::string command = "zip -q -j " + std::string(options) + " '" + f.state.CatalogueFile + "'" + names;
  ASSERT_EQ(std::system(command.c_str()), 0);
}

TEST(EntzippenTest, EntryNamesMatchWithoutRegardToCase) {
  EngineFixture f;
  f.engine.SetEntryExtractor(nullptr);
  MakeArchive(f, {{"tafragen.txt", MakePool({{"TA1", 3}}).Text()}, {"FragenVersion.txt", "TA: eins\r\n"}});
  int32_t poolSize = 0;
  ASSERT_TRUE(f.engine.CountPoolQuestions('T', 'A', poolSize));
  EXPECT_EQ(poolSize, 3);
  pf::TStringList version;
  EXPECT_EQ(f.engine.Entzippen(f.state.CatalogueFile, "fragenversion.TXT", version), 1);
  EXPECT_EQ(version.Text(), "TA: eins\r\n");

  // Every extraction reads the archive afresh: a replaced file is seen at once (here made without -X, so local
  // and central extra fields differ).
  MakeArchive(f, {{"TAfragen.txt", MakePool({{"TA1", 5}}).Text()}}, "");
  ASSERT_TRUE(f.engine.CountPoolQuestions('T', 'A', poolSize));
  EXPECT_EQ(poolSize, 5);
  EXPECT_TRUE(f.port.warnings.empty());
}

TEST(EntzippenTest, MissingEntryLeavesTheListAndEndsQuickly) {
  EngineFixture f;
  f.engine.SetEntryExtractor(nullptr);
  MakeArchive(f, {{"TAfragen.txt", MakePool({{"TA1", 3}}).Text()}});
  pf::TStringList list;
  list.Add("bleibt");
  EXPECT_EQ(f.engine.Entzippen(f.state.CatalogueFile, "BEfragen.txt", list), 0);
  EXPECT_EQ(list.Text(), "bleibt\r\n");

  auto start = std::chrono::steady_clock::now();
  int32_t poolSize = -1;
  EXPECT_FALSE(f.engine.CountPoolQuestions('B', 'E', poolSize));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
  ASSERT_EQ(f.port.warnings.size(), 1u);
  EXPECT_EQ(f.port.warnings[0],
            "Die Datei BEfragen.txt fehlt im Fragenkatalog oder ist besch\xE4"
            "digt.");
  EXPECT_EQ(poolSize, -1);
}

}  // namespace
