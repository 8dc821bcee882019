// Checks of the generated sample catalogue: the archive is sound, every pool passes the pool check through the
// engine's own extraction road, every section table adds up, and no entry holds UTF-8 or a bare line feed.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <set>

#include "engine/catalogue.h"
#include "engine/procs.h"
#include "engine_test_support.h"
#include "platform/core/files.h"
#include "platform/core/strings.h"

namespace {

const char* const kEntries[] = {"TAfragen.txt",     "TEfragen.txt",     "BEfragen.txt",
                                "VEfragen.txt",     "TAabschnitte.txt", "TEabschnitte.txt",
                                "BEabschnitte.txt", "VEabschnitte.txt", "FragenVersion.txt"};

// An entry as stored, through the Info-ZIP oracle.
std::string UnzipEntry(const std::string& name) {
  std::string command = "unzip -p '" + std::string(PEXU_CATALOGUE) + "' '" + name + "'";
  std::string bytes;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return bytes;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) bytes.append(buffer, n);
  pclose(pipe);
  return bytes;
}

bool HasUtf8Sequence(const std::string& bytes) {
  for (size_t i = 0; i + 1 < bytes.size(); ++i) {
    unsigned char a = bytes[i], b = bytes[i + 1];
    if (a >= 0xC2 && a <= 0xF4 && b >= 0x80 && b <= 0xBF) return true;
  }
  return false;
}

TEST(SampleCatalogueTest, ArchiveIsSoundLatin1WithCrLf) {
  ASSERT_TRUE(pf::FileExists(PEXU_CATALOGUE));
  std::string command = "unzip -tq '" + std::string(PEXU_CATALOGUE) + "' > /dev/null";
  EXPECT_EQ(std::system(command.c_str()), 0);
  for (const char* name : kEntries) {
    SCOPED_TRACE(name);
    std::string bytes = UnzipEntry(name);
    ASSERT_FALSE(bytes.empty());
    EXPECT_FALSE(HasUtf8Sequence(bytes));
    size_t lf = 0, crlf = 0;
    for (size_t i = 0; i < bytes.size(); ++i) {
      if (bytes[i] != '\n') continue;
      ++lf;
      crlf += i > 0 && bytes[i - 1] == '\r';
    }
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
    if (code[0] == 'T') {
      EXPECT_GE(pictures, 1);
    }

    // Drawing by the section table gives exactly the part's question count; the table sums to it for both
    // values of the shared question.
    for (double real : {0.2, 0.8}) {
      enginetest::MixedRandom random(5);
      random.PushReal(real);
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
