// htmltree as a black box: the golden document trees, pages that must build however they nest, every static page
// and every page the engine writes, and what the exam sheet's form must hold.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "tests/engine/engine_test_support.h"

namespace fs = std::filesystem;

namespace {

std::string Tree(const std::string& arguments, int* status) {
  int wait = -1;
  std::string out = enginetest::RunCommand(std::string(PEXU_HTMLTREE) + " " + arguments, &wait);
  *status = WIFEXITED(wait) ? WEXITSTATUS(wait) : -1;
  return out;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  for (size_t start = 0, end; start < text.size(); start = end + 1) {
    end = std::min(text.find('\n', start), text.size());
    lines.push_back(text.substr(start, end - start));
  }
  return lines;
}

// Each NAME.html of the folder against NAME.tree; NAME.txt is read as plain text.
TEST(Htmltree, GoldenTrees) {
  const fs::path dir = fs::path(PEXU_SOURCE_DIR) / "tests/data/viewer/htmltree";
  int count = 0;
  for (const auto& entry : fs::directory_iterator(dir)) {
    const fs::path input = entry.path();
    if (input.extension() != ".html" && input.extension() != ".txt") continue;
    ++count;
    const std::string expected = enginetest::ReadFile(fs::path(input).replace_extension(".tree").string());
    int status = -1;
    const std::string options = input.extension() == ".txt" ? "--text " : "";
    EXPECT_EQ(Tree(options + "'" + input.string() + "'", &status), expected) << input;
    EXPECT_EQ(status, 0) << input;
  }
  EXPECT_GE(count, 38);
}

TEST(Htmltree, LinksBeyondFourHundredSetTheManyLinksFlag) {
  enginetest::TempDir dir;
  for (int links : {400, 401}) {
    std::string page;
    for (int i = 0; i < links; ++i) page += "<a href=x>y</a>";
    enginetest::WriteFile(dir.File("links.html"), page);
    int status = -1;
    const std::vector<std::string> lines = Lines(Tree(dir.File("links.html"), &status));
    const bool many = std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
      return line.starts_with("links ") && line.ends_with(" many");
    });
    EXPECT_EQ(many, links > 400) << links;
  }
}

// Nesting that has no end of its own builds without exhausting the stack, to a bounded depth; elements left open
// (inline ones, a wrapping PRE, BODY) count against the cap of open elements, so that their computed styles (some
// kilobytes each) take bounded memory.
TEST(Htmltree, HundredThousandNestedBlocksBuild) {
  enginetest::TempDir dir;
  constexpr long kMaxKilobytes = 256 * 1024;
  const struct {
    const char* tag;
    bool leftOpen;
  } rows[] = {{"div", false},    {"blockquote", false}, {"ul", false},      {"form", false},
              {"center", false}, {"table", false},      {"li", false},      {"span", true},
              {"font", true},    {"a name=n", true},    {"pre wrap", true}, {"body", true}};
  for (const auto& row : rows) {
    std::string page;
    for (int i = 0; i < 100000; ++i) page += std::string("<") + row.tag + ">";
    page += "inside";
    enginetest::WriteFile(dir.File("deep.html"), page);
    int status = -1;
    const std::string tree = Tree(dir.File("deep.html"), &status);
    EXPECT_EQ(status, 0) << row.tag;
    EXPECT_NE(tree.find("\"inside \""), std::string::npos) << row.tag;
    size_t deepest = 0;
    for (const std::string& line : Lines(tree)) deepest = std::max(deepest, line.find_first_not_of(' '));
    EXPECT_LE(deepest, 2u * 3u * 200u) << row.tag;
    if (row.leftOpen) {
      EXPECT_LT(enginetest::RunMeasured({PEXU_HTMLTREE, dir.File("deep.html")}, "/dev/null").peakKilobytes,
                kMaxKilobytes)
          << row.tag;
    }
  }
}

void ExpectBuilds(const fs::path& page, std::string* tree = nullptr) {
  int status = -1;
  const std::string out =
      Tree("--root '" + std::string(PEXU_SOURCE_DIR) + "/resources' '" + page.string() + "'", &status);
  EXPECT_EQ(status, 0) << page << "\n" << out;
  EXPECT_TRUE(out.starts_with("BodyBlock(body)")) << page;
  if (tree) *tree = out;
}

TEST(Htmltree, EveryStaticPageBuilds) {
  int count = 0;
  for (const auto& entry : fs::directory_iterator(fs::path(PEXU_SOURCE_DIR) / "resources/html")) {
    if (entry.path().extension() != ".html") continue;
    ExpectBuilds(entry.path());
    ++count;
  }
  EXPECT_GE(count, 10);
}

// The exam sheet: the foot rows after the question rows, per question its radio group followed by its hidden "N"
// field, and the form that posts to "PexuA".
void ExpectExamSheet(const std::string& tree) {
  const std::vector<std::string> lines = Lines(tree);
  std::vector<std::string> outerRows;  // the rows of the outermost table, in order
  const std::regex outerRow("^ {10}Row part ([0-9])");
  std::smatch match;
  for (const std::string& line : lines)
    if (std::regex_search(line, match, outerRow)) outerRows.push_back(match[1]);
  ASSERT_GE(outerRows.size(), 3u);
  EXPECT_EQ(outerRows.front(), "0");  // the head
  EXPECT_EQ(outerRows.back(), "2");   // the foot, after
  EXPECT_EQ(std::count(outerRows.begin(), outerRows.end(), "1"), static_cast<long>(outerRows.size() - 2));

  const auto form =
      std::find(lines.begin(), lines.end(), "form method \"post\" action \"PexuA\" target \"\" enctype \"\"");
  ASSERT_NE(form, lines.end());
  const std::regex control("^  (radio|hidden|submit) name \"([^\"]*)\" value \"([^\"]*)\"");
  int questions = 0;
  std::string group;
  int radios = 0;
  for (auto it = form + 1; it != lines.end() && it->starts_with("  "); ++it) {
    ASSERT_TRUE(std::regex_search(*it, match, control)) << *it;
    if (match[1] == "radio") {
      if (match[2] != group) radios = 0;
      group = match[2];
      ++radios;
    } else if (match[1] == "hidden" && match[2] == group) {
      EXPECT_EQ(match[3], "N") << group;
      EXPECT_EQ(radios, 4) << group;
      ++questions;
      group.clear();
    }
  }
  EXPECT_EQ(questions, std::count(outerRows.begin(), outerRows.end(), "1"));
}

TEST(Htmltree, EveryPageTheEngineWritesBuilds) {
  enginetest::TempDir data;
  fs::create_directories(data.File("Fragen"));
  fs::copy_file(PEXU_CATALOGUE, data.File("Fragen/KAEFragen.qst"));
  int status = -1;
  const std::string out = enginetest::RunCommand(
      std::string(PEXU_DRIVER) + " --program '" + PEXU_SOURCE_DIR + "/resources' --data '" + data.Path() +
          "' --seed 3 submit PexuTA teil=T -- answer right=30 -- log -- statistics A -- statistics E 2>&1",
      &status);
  ASSERT_EQ(status, 0) << out;
  for (const char* page : {"LetztePruefung.html", "LetzteAuswertung.html", "LetzteAntworten.html", "LetztesLog.html",
                           "statistikA.html", "statistikE.html"}) {
    std::string tree;
    ExpectBuilds(data.File(std::string("html/") + page), &tree);
    if (std::string(page) == "LetztePruefung.html") ExpectExamSheet(tree);
  }
}

}  // namespace
