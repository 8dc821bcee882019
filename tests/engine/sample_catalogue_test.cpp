// The generated sample catalogue: the archive is sound, every pool passes the pool check through the engine's own
// extraction road, every section table adds up, and no entry holds UTF-8 or a bare line feed.
#include <gtest/gtest.h>

#include <set>

#include "engine/catalogue.h"
#include "engine/procs.h"
#include "engine_test_support.h"
#include "platform/core/strings.h"

namespace {

TEST(SampleCatalogueTest, ArchiveIsSoundLatin1WithCrLf) {
  const std::string archive = "'" + std::string(PEXU_CATALOGUE) + "'";
  int status = -1;
  enginetest::RunCommand("unzip -tq " + archive, &status);
  EXPECT_EQ(status, 0);
  for (const char* name : {"TAfragen.txt", "TEfragen.txt", "BEfragen.txt", "VEfragen.txt", "TAabschnitte.txt",
                           "TEabschnitte.txt", "BEabschnitte.txt", "VEabschnitte.txt", "FragenVersion.txt"}) {
    SCOPED_TRACE(name);
    std::string bytes = enginetest::RunCommand("unzip -p " + archive + " " + name);  // the Info-ZIP oracle
    ASSERT_FALSE(bytes.empty());
    size_t lf = 0, crlf = 0, utf8 = 0;
    for (size_t i = 0; i < bytes.size(); ++i) {
      unsigned char a = bytes[i], b = i + 1 < bytes.size() ? bytes[i + 1] : 0;
      utf8 += a >= 0xC2 && a <= 0xF4 && b >= 0x80 && b <= 0xBF;
      lf += a == '\n';
      crlf += a == '\r' && b == '\n';
    }
    EXPECT_EQ(utf8, 0u);
    EXPECT_GT(lf, 0u);
    EXPECT_EQ(lf, crlf);
  }
}

TEST(SampleCatalogueTest, PoolsPassTheCheckAndSectionTablesAddUp) {
  enginetest::EngineFixture f;
  f.engine.SetEntryExtractor(nullptr);  // the real road through the ZIP component
  f.state.CatalogueFile = PEXU_CATALOGUE;
  const std::pair<std::string, int> minimum[] = {{"TA", 70}, {"TE", 50}, {"BE", 45}, {"VE", 45}};
  for (const auto& [code, least] : minimum) {
    SCOPED_TRACE(code);
    int32_t poolSize = 0;
    ASSERT_TRUE(f.engine.CountPoolQuestions(code[0], code[1], poolSize));
    EXPECT_GE(poolSize, least);
    EXPECT_NE(engine::PoolVersion(f.state.CatalogueLines), "");
    // At least two chapters, a picture line somewhere in the technical pools.
    std::set<std::string> chapters;
    int pictures = 0;
    for (int i = 1; i < f.state.CatalogueLines.Count(); ++i) {
      const std::string& line = f.state.CatalogueLines[i];
      if (pf::Copy(line, 1, 2) == "::") chapters.insert(pf::Copy(line, 3, 2));
      pictures += pf::Copy(line, 1, 2) == "P:";
    }
    EXPECT_GE(chapters.size(), 2u);
    EXPECT_TRUE(code[0] != 'T' || pictures > 0);
    // The section table gives exactly the part's question count, for both values of the shared question.
    for (double real : {0.2, 0.8}) {
      enginetest::MixedRandom random(5, {real});
      pf::TStringList list;
      list.SetSorted(true);
      int32_t drawn = 0;
      ASSERT_TRUE(f.engine.SelectBySections(code[0], code[1], drawn, list));
      EXPECT_EQ(drawn, code == "TA" ? 51 : 34);
    }
  }
  EXPECT_TRUE(f.port.warnings.empty());
}

}  // namespace
