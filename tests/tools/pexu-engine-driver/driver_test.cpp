// Black-box checks of the engine through pexu-engine-driver on the sample catalogue and the static pages.
#include <gtest/gtest.h>
#include <regex.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "platform/core/files.h"
#include "tests/engine/engine_test_support.h"

namespace fs = std::filesystem;
using enginetest::CountOf;
using enginetest::ReadFile;

namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line.substr(0, line.find('\r')));
  return lines;
}

bool Matches(const std::string& text, const char* pattern) {
  regex_t re;
  if (regcomp(&re, pattern, REG_EXTENDED | REG_NOSUB) != 0) return false;
  bool ok = regexec(&re, text.c_str(), 0, nullptr, 0) == 0;
  regfree(&re);
  return ok;
}

// A data folder with the sample catalogue; the program folder is the project's resources folder.
class DriverTest : public ::testing::Test {
 protected:
  DriverTest() { fs::copy_file(PEXU_CATALOGUE, dir_.File("Fragen/KAEFragen.qst")); }

  // Runs the driver with the commands (separated by "--") and returns its output.
  std::string Run(const std::string& commands) {
    int status = -1;
    std::string output = enginetest::RunCommand(std::string(PEXU_DRIVER) + " --program '" + Program() + "' --data '" +
                                                    dir_.Path() + "' --seed 7 " + commands + " 2>&1",
                                                &status);
    EXPECT_EQ(status, 0) << output;
    return output;
  }
  static std::string Program() { return std::string(PEXU_SOURCE_DIR) + "/resources"; }
  std::string Html(const std::string& name) const { return dir_.File("html/" + name); }
  std::vector<std::string> Log() const { return Lines(ReadFile(dir_.File("Pexu.log"))); }
  std::map<std::string, std::string> Snapshot() const {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(dir_.Path()))
      if (entry.is_regular_file()) files[entry.path().string()] = ReadFile(entry.path().string());
    return files;
  }

  struct Folder : enginetest::TempDir {
    Folder() { fs::create_directories(File("Fragen")); }
  } dir_;
};

const char* const kHeaderPattern =
    "^<td>(TA|TE|BE|VE)/[0-9]+&nbsp;&nbsp;</td><td>\\[[0-9]{2}\\.[0-9]{2}\\.[0-9]{4} [0-9]{2}:[0-9]{2}:[0-9]{2}\\] "
    "&nbsp;[0-9]+ von [0-9]+ Fragen in [0-9]+ min \\([0-9]+\\) bearbeitet\\.</td>$";
const char* const kResultPattern =
    "^<td valign=\"top\"><b><font color=\"#(00a000\">ok|d00000\">nein)</font></b></td><td>Richtig: [0-9]+ "
    "\\([0-9]+%\\) &nbsp; Falsch: ([^ ]{5} )*(<br>\\[.*\\])?</td>$";

// Two exams of part TA, one all right and one with 37 of 51 right, then the statistics of class A.
TEST_F(DriverTest, ExamsAreGradedLoggedAndCharted) {
  std::string out =
      Run("submit PexuTA teil=T -- answer all-right -- submit PexuTA teil=T -- answer right=37 -- statistics A");
  EXPECT_EQ(out.find("WARNING"), std::string::npos) << out;
  EXPECT_NE(out.find("SHOWN " + Html("statistikA.html")), std::string::npos) << out;

  // 51 questions, each four radio buttons whose values are a permutation of the positions with one "R", then the
  // hidden "N" field.
  int questions = 0;
  std::string kinds, positions;  // of the current question's radio values, e.g. "W2" "R1" ..
  for (const std::string& line : Lines(ReadFile(Html("LetztePruefung.html")))) {
    size_t v = line.find("type=\"radio\"");
    if (v != std::string::npos) {
      size_t at = line.find("value=\"", v) + 7;
      kinds += line[at], positions += line[at + 1];
    } else if (line.find("type=\"hidden\"") != std::string::npos && line.find("value=\"N\"") != std::string::npos) {
      std::sort(kinds.begin(), kinds.end());
      std::sort(positions.begin(), positions.end());
      EXPECT_EQ(kinds + positions, "RWWW1234") << "question " << questions;
      kinds.clear(), positions.clear();
      ++questions;
    }
  }
  EXPECT_EQ(questions, 51);

  std::vector<std::string> log = Log();
  ASSERT_EQ(log.size(), 4u);
  for (size_t i = 0; i < 4; ++i) EXPECT_TRUE(Matches(log[i], i % 2 ? kResultPattern : kHeaderPattern)) << log[i];
  EXPECT_NE(log[1].find(">ok<"), std::string::npos);
  EXPECT_NE(log[3].find(">nein<"), std::string::npos);
  EXPECT_NE(log[3].find("Richtig: 37 (72%)"), std::string::npos);
  size_t wrong = log[3].find("Falsch: ") + 8;
  EXPECT_EQ(log[3].size() - 5 - wrong, 14 * 6u);  // 14 wrong identifiers, each followed by a blank
  EXPECT_NE(ReadFile(Html("LetzteAuswertung.html")).find("Schade, das wars noch nicht."), std::string::npos);
  EXPECT_NE(ReadFile(dir_.File("Pexu.ini")).find("TAID=2"), std::string::npos);
  for (const char* code : {"TA", "BE", "VE"}) {
    for (int n : {20, 0}) {
      // The GIF's logical screen width and height.
      std::string b = ReadFile(Html(code + std::string("Statistik") + std::to_string(n) + ".gif"));
      ASSERT_TRUE(b.size() > 10 && b.compare(0, 3, "GIF") == 0) << code << n;
      auto u16 = [&](size_t at) { return uint8_t(b[at]) | uint8_t(b[at + 1]) << 8; };
      EXPECT_EQ(std::pair(u16(6), u16(8)), std::pair(277, 200)) << code << n;
    }
  }
}

TEST_F(DriverTest, BadSubmissionsChangeNothing) {
  Run("submit PexuTE teil=V -- answer none");
  fs::remove(Html("LetzteAntworten.html"));  // every start removes the answer list of an earlier run
  auto before = Snapshot();
  for (const char* bad : {"submit PexuUE teil=B abschnitt=XY9", "submit PexuTA", "submit PexuUA teil=T",
                          "submit PexuUA teil=T abschnitt=TAX", "submit PexuTX teil=T", "submit PexuTA teil=Q",
                          "submit PexuA TA101=R1 TA101=N", "submit PexuTA teil=B", "submit PexuUA teil=V abschnitt=VE1",
                          "menu-exam B A"}) {
    SCOPED_TRACE(bad);
    std::string out = Run(bad);
    EXPECT_NE(out.find("WARNING "), std::string::npos) << out;
    EXPECT_EQ(out.find("SHOWN"), std::string::npos) << out;
    EXPECT_TRUE(Snapshot() == before);
  }
}

TEST_F(DriverTest, TrainingIsNeverLoggedAndEverySheetCountsOnce) {
  std::string out =
      Run("submit PexuUA teil=T abschnitt=TA2 -- answer all-right -- submit PexuTA teil=T -- "
          "submit PexuUA teil=t abschnitt=tb1 -- answer none");
  EXPECT_EQ(out.find("WARNING"), std::string::npos) << out;
  EXPECT_FALSE(fs::exists(dir_.File("Pexu.log")));
  EXPECT_NE(ReadFile(dir_.File("Pexu.ini")).find("TAID=3"), std::string::npos);
  EXPECT_EQ(CountOf(ReadFile(Html("LetztePruefung.html")), "value=\"N\""), 12u);  // chapter TB has 12 questions

  // A sheet submitted after a newer one was drawn is graded as training and not logged; the newer one is logged.
  out = Run("submit PexuTE teil=B -- submit PexuTE teil=B -- submit PexuA BA101=W2 BA101=N teil=A gebiet=B testid=1");
  EXPECT_EQ(out.find("WARNING"), std::string::npos) << out;
  EXPECT_FALSE(fs::exists(dir_.File("Pexu.log")));
  EXPECT_NE(ReadFile(Html("LetzteAuswertung.html")).find("<big>Training  --/-  Betriebliche Kenntnisse</big>"),
            std::string::npos);
  Run("submit PexuTE teil=B -- submit PexuTE teil=B -- submit PexuA BA101=W2 BA101=N teil=A gebiet=B testid=4");
  std::vector<std::string> log = Log();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0].find("<td>BE/4&nbsp;"), 0u) << log[0];
}

// Every href and src of the static pages and of the generated pages names an existing file; only the program's
// own link targets and mail links are left out.
TEST_F(DriverTest, EveryLinkResolves) {
  Run("submit PexuUA teil=T abschnitt=TA1 -- answer right=3 -- submit PexuTA teil=T -- answer right=40 -- log");
  std::vector<fs::path> pages;
  for (const auto& entry : fs::directory_iterator(Program() + "/html")) pages.push_back(entry.path());
  for (const char* name : {"LetztePruefung.html", "LetzteAuswertung.html", "LetzteAntworten.html", "LetztesLog.html"})
    pages.push_back(Html(name));
  // Names are matched without regard to case, as the program does.
  auto exists = [](const fs::path& p) { return pf::FileExists(p.string()); };
  int checked = 0;
  for (const fs::path& page : pages) {
    std::string text = ReadFile(page.string());
    for (const char* attribute : {"href=\"", "src=\""}) {
      for (size_t p = text.find(attribute); p != std::string::npos; p = text.find(attribute, p + 1)) {
        size_t start = p + std::strlen(attribute);
        std::string link = text.substr(start, text.find('"', start) - start), lower = link;
        for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        bool skip = link.empty() || link[0] == '#' || link.rfind("mailto:", 0) == 0;
        for (const char* own :
             {"letzteslog.html", "infobox", "statistika.html", "statistike.html", ".qst", ".qff", ".sln"})
          skip |= lower.find(own) != std::string::npos;
        if (skip) continue;
        link = link.substr(0, link.find('#'));
        fs::path target = link[0] == '/' ? fs::path(link) : page.parent_path() / link;
        if (link[0] == '/' && exists(Program() + link)) target = Program() + link;  // rooted at the program folder
        EXPECT_TRUE(exists(target)) << page << ": " << link;
        ++checked;
      }
    }
  }
  EXPECT_GT(checked, 100);
}

}  // namespace
