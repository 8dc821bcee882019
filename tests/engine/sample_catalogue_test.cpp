// The generated sample catalogue: the archive is sound, every pool passes the pool check through the engine's own
// extraction road, every section table adds up, and no entry holds UTF-8 or a bare line feed; beside it, the
// worked solution of every technical question.
#include <gtest/gtest.h>

#include <cctype>
#include <set>

#include "engine/catalogue.h"
#include "engine/procs.h"
#include "engine_test_support.h"
#include "platform/core/codepage.h"
#include "platform/core/files.h"
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
    EXPECT_EQ(std::tuple(utf8, lf > 0, lf), std::tuple(0u, true, crlf));
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

// Each technical question has a sound one-page PDF named after it in the folder of its class, which shows the
// question and ends in the question's right answer; poppler's tools read them.
TEST(SampleCatalogueTest, EveryTechnicalQuestionHasItsWorkedSolution) {
  enginetest::EngineFixture f;
  f.engine.SetEntryExtractor(nullptr);
  f.state.CatalogueFile = PEXU_CATALOGUE;
  // pdftotext breaks long lines: texts are compared with every run of blanks and line ends as one blank.
  auto flat = [](const std::string& text) {
    std::string out;
    for (char c : text) {
      if (!std::isspace(static_cast<unsigned char>(c)))
        out += c;
      else if (!out.empty() && out.back() != ' ')
        out += ' ';
    }
    return out;
  };
  for (char cls : {'A', 'E'}) {
    SCOPED_TRACE(cls);
    int32_t poolSize = 0;
    ASSERT_TRUE(f.engine.CountPoolQuestions('T', cls, poolSize));
    const std::string folder = pf::ExtractFilePath(PEXU_CATALOGUE) + "QX7RTZ/Klasse" + cls;
    EXPECT_EQ(static_cast<int32_t>(pf::ListFiles(folder, "*.pdf").size()), poolSize);
    const pf::TStrings& lines = f.state.CatalogueLines;
    for (int i = 1; i + 2 < lines.Count(); ++i) {
      if (pf::Copy(lines[i], 1, 2) != "::") continue;
      const std::string id = pf::Copy(lines[i], 3, 5);
      int r = i + 2;
      while (r < lines.Count() && pf::Copy(lines[r], 1, 2) != "R:") ++r;
      ASSERT_LT(r, lines.Count()) << id;
      const std::string pdf = "'" + folder + "/" + id + ".pdf'";
      int status = -1;
      const std::string info = enginetest::RunCommand("pdfinfo " + pdf + " 2>&1", &status);
      EXPECT_EQ(status, 0) << id << ": " << info;
      EXPECT_NE(info.find("Pages:           1\n"), std::string::npos) << id;
      const std::string text = flat(enginetest::RunCommand("pdftotext -enc UTF-8 -nopgbrk " + pdf + " -"));
      for (const std::string& expected :
           {"Lösungsweg zu " + id, "Frage: " + pf::Latin1ToUtf8(pf::Copy(lines[i + 1], 3, 10000)),
            "Ergebnis: " + pf::Latin1ToUtf8(pf::Copy(lines[r], 3, 10000))})
        EXPECT_NE(text.find(flat(expected)), std::string::npos) << id << ": " << expected;
    }
  }
}

}  // namespace
