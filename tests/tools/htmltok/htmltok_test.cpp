// htmltok as a black box: the golden token lists, every static page and every page the engine writes.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/engine/engine_test_support.h"

namespace fs = std::filesystem;

namespace {

// The tool's output; its exit status goes to *status.
std::string Tokens(const std::string& file, int* status) {
  int wait = -1;
  std::string out = enginetest::RunCommand(std::string(PEXU_HTMLTOK) + " '" + file + "'", &wait);
  *status = WIFEXITED(wait) ? WEXITSTATUS(wait) : -1;
  return out;
}

std::vector<fs::path> Files(const fs::path& dir, const std::string& extension) {
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(dir))
    if (entry.path().extension() == extension) files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  return files;
}

// Each NAME.html of the folder against NAME.tok; a list that ends with ERROR expects exit status 1.
TEST(Htmltok, GoldenTokenLists) {
  const fs::path dir = fs::path(PEXU_SOURCE_DIR) / "tests/data/viewer/htmltok";
  const auto inputs = Files(dir, ".html");
  EXPECT_GE(inputs.size(), 16u);
  for (const auto& input : inputs) {
    const std::string expected = enginetest::ReadFile(fs::path(input).replace_extension(".tok").string());
    int status = -1;
    EXPECT_EQ(Tokens(input.string(), &status), expected) << input;
    EXPECT_EQ(status, expected.find("\nERROR ") != std::string::npos ? 1 : 0) << input;
  }
}

void ExpectReadToTheEnd(const fs::path& page, const std::string& contains = "") {
  int status = -1;
  const std::string tokens = Tokens(page.string(), &status);
  EXPECT_EQ(status, 0) << page;
  EXPECT_TRUE(tokens.size() > 4 && tokens.compare(tokens.size() - 4, 4, "EOF\n") == 0) << page << "\n" << tokens;
  EXPECT_NE(tokens.find("TAG 2"), std::string::npos) << page;  // a BODY was read
  if (!contains.empty()) {
    EXPECT_NE(tokens.find(contains), std::string::npos) << page;
  }
}

TEST(Htmltok, EveryStaticPageReadsToTheEnd) {
  const auto pages = Files(fs::path(PEXU_SOURCE_DIR) / "resources/html", ".html");
  EXPECT_GE(pages.size(), 10u);
  for (const auto& page : pages) ExpectReadToTheEnd(page);
}

TEST(Htmltok, EveryPageTheEngineWritesReadsToTheEnd) {
  enginetest::TempDir data;
  fs::create_directories(data.File("Fragen"));
  fs::copy_file(PEXU_CATALOGUE, data.File("Fragen/KAEFragen.qst"));
  auto drive = [&](const std::string& commands) {
    int status = -1;
    const std::string out =
        enginetest::RunCommand(std::string(PEXU_DRIVER) + " --program '" + PEXU_SOURCE_DIR + "/resources' --data '" +
                                   data.Path() + "' --seed 3 " + commands + " 2>&1",
                               &status);
    ASSERT_EQ(status, 0) << out;
  };
  drive("submit PexuUA teil=T abschnitt=TA1");
  fs::copy_file(data.File("html/LetztePruefung.html"), data.File("training-sheet.html"));
  ExpectReadToTheEnd(data.File("training-sheet.html"), "{102 action 0 \"PexuA\"}");
  drive("submit PexuTA teil=T -- answer right=30 -- log -- statistics A -- statistics E");

  const char* const written[] = {"LetztePruefung.html", "LetzteAuswertung.html", "LetzteAntworten.html",
                                 "LetztesLog.html",     "statistikA.html",       "statistikE.html"};
  for (const char* page : written) {
    ASSERT_TRUE(fs::exists(data.File(std::string("html/") + page))) << page;
    ExpectReadToTheEnd(data.File(std::string("html/") + page),
                       std::string(page) == "LetztePruefung.html" ? "{102 action 0 \"PexuA\"}" : "");
  }
}

}  // namespace
