// Black-box checks of the engine through pexu-engine-driver on the sample catalogue and the static pages.
#include <gtest/gtest.h>
#include <regex.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "platform/core/files.h"

namespace fs = std::filesystem;

namespace {

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

bool Matches(const std::string& text, const char* pattern) {
  regex_t re;
  if (regcomp(&re, pattern, REG_EXTENDED | REG_NOSUB) != 0) return false;
  bool ok = regexec(&re, text.c_str(), 0, nullptr, 0) == 0;
  regfree(&re);
  return ok;
}

size_t CountOf(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
  return n;
}

// A data folder with the sample catalogue; the program folder is the project's resources folder.
class DriverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    data_ = fs::temp_directory_path() / ("pexu-driver-" + std::to_string(::getpid()) + "-" +
                                         ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(data_);
    fs::create_directories(data_ / "Fragen");
    fs::copy_file(PEXU_CATALOGUE, data_ / "Fragen" / "KAEFragen.qst");
  }
  void TearDown() override { fs::remove_all(data_); }

  // Runs the driver with the commands (separated by "--") and returns its output.
  std::string Run(const std::string& commands, int seed = 7) {
    std::string command = std::string(PEXU_DRIVER) + " --program '" + Program() + "' --data '" + data_.string() +
                          "' --seed " + std::to_string(seed) + " " + commands + " 2>&1";
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
    EXPECT_EQ(pclose(pipe), 0) << output;
    return output;
  }
  static std::string Program() { return std::string(PEXU_SOURCE_DIR) + "/resources"; }
  fs::path Html(const char* name) const { return data_ / "html" / name; }
  std::vector<std::string> Log() const { return Lines(ReadAll(data_ / "Pexu.log")); }

  std::map<std::string, std::string> Snapshot() const {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(data_)) {
      if (entry.is_regular_file()) files[entry.path().string()] = ReadAll(entry.path());
    }
    return files;
  }

  fs::path data_;
};

const char* const kHeaderPattern =
    "^<td>(TA|TE|BE|VE)/[0-9]+&nbsp;&nbsp;</td><td>\\[[0-9]{2}\\.[0-9]{2}\\.[0-9]{4} [0-9]{2}:[0-9]{2}:[0-9]{2}\\] "
    "&nbsp;[0-9]+ von [0-9]+ Fragen in [0-9]+ min \\([0-9]+\\) bearbeitet\\.</td>$";
const char* const kResultPattern =
    "^<td valign=\"top\"><b><font color=\"#(00a000\">ok|d00000\">nein)</font></b></td><td>Richtig: [0-9]+ "
    "\\([0-9]+%\\) &nbsp; Falsch: ([^ ]{5} )*(<br>\\[.*\\])?</td>$";

TEST_F(DriverTest, AnExamAnsweredRightPassesAndIsLoggedOnce) {
  std::string out = Run("submit PexuTA teil=T -- answer all-right");
  EXPECT_EQ(out.find("WARNING"), std::string::npos) << out;
  EXPECT_NE(out.find("SHOWN " + Html("LetztePruefung.html").string()), std::string::npos);
  EXPECT_NE(out.find("SHOWN " + Html("LetzteAuswertung.html").string()), std::string::npos);

  // 51 questions, each four radio buttons whose values are a permutation of the positions with one "R", then the
  // hidden "N" field.
  std::vector<std::string> sheet = Lines(ReadAll(Html("LetztePruefung.html")));
  int questions = 0;
  std::vector<std::string> values;
  for (const std::string& line : sheet) {
    size_t v = line.find("type=\"radio\"");
    if (v != std::string::npos) {
      size_t at = line.find("value=\"", v) + 7;
      values.push_back(line.substr(at, 2));
    } else if (line.find("type=\"hidden\"") != std::string::npos && line.find("value=\"N\"") != std::string::npos) {
      ASSERT_EQ(values.size(), 4u) << "question " << questions;
      std::set<char> positions;
      int rights = 0;
      for (const std::string& value : values) {
        positions.insert(value[1]);
        rights += value[0] == 'R';
        EXPECT_TRUE(value[0] == 'R' || value[0] == 'W');
      }
      EXPECT_EQ(positions, (std::set<char>{'1', '2', '3', '4'}));
      EXPECT_EQ(rights, 1);
      values.clear();
      ++questions;
    }
  }
  EXPECT_EQ(questions, 51);

  std::string evaluation = ReadAll(Html("LetzteAuswertung.html"));
  EXPECT_NE(evaluation.find("51 von 51"), std::string::npos);
  EXPECT_NE(evaluation.find("Gratulation!"), std::string::npos);
  std::vector<std::string> log = Log();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_TRUE(Matches(log[0], kHeaderPattern)) << log[0];
  EXPECT_TRUE(Matches(log[1], kResultPattern)) << log[1];
  EXPECT_NE(log[1].find(">ok<"), std::string::npos);
  EXPECT_NE(ReadAll(data_ / "Pexu.ini").find("TAID=1"), std::string::npos);
}

TEST_F(DriverTest, ThirtySevenOfFiftyOneFails) {
  Run("submit PexuTA teil=T -- answer right=37");
  std::vector<std::string> log = Log();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_TRUE(Matches(log[1], kResultPattern)) << log[1];
  EXPECT_NE(log[1].find(">nein<"), std::string::npos);
  EXPECT_NE(log[1].find("Richtig: 37 (72%)"), std::string::npos);
  size_t wrong = log[1].find("Falsch: ") + 8;
  EXPECT_EQ(log[1].size() - 5 - wrong, 14 * 6u);  // 14 wrong identifiers, each followed by a blank
  std::string evaluation = ReadAll(Html("LetzteAuswertung.html"));
  EXPECT_NE(evaluation.find("Schade, das wars noch nicht."), std::string::npos);
}

TEST_F(DriverTest, BadSubmissionsChangeNothing) {
  Run("submit PexuTE teil=V -- answer none");
  fs::remove(Html("LetzteAntworten.html"));  // every start removes the answer list of an earlier run
  auto before = Snapshot();
  for (const char* bad : {"submit PexuUE teil=B abschnitt=XY9", "submit PexuTA", "submit PexuUA teil=T",
                          "submit PexuUA teil=T abschnitt=TAX", "submit PexuTX teil=T", "submit PexuTA teil=Q",
                          "submit PexuA TA101=R1 TA101=N"}) {
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
  EXPECT_FALSE(fs::exists(data_ / "Pexu.log"));
  EXPECT_NE(ReadAll(data_ / "Pexu.ini").find("TAID=3"), std::string::npos);
  std::string sheet = ReadAll(Html("LetztePruefung.html"));
  EXPECT_EQ(CountOf(sheet, "value=\"N\""), 12u);  // chapter TB has 12 questions
  EXPECT_NE(sheet.find("TB/1  Technische Kenntnisse"), std::string::npos);
  EXPECT_NE(sheet.find("Zeit: - Minuten"), std::string::npos);
  EXPECT_NE(sheet.find(".sln\"><img"), std::string::npos);
  std::string evaluation = ReadAll(Html("LetzteAuswertung.html"));
  EXPECT_NE(evaluation.find("(-) bearbeitet."), std::string::npos);
  EXPECT_EQ(evaluation.find("Gratulation"), std::string::npos);

  // A sheet submitted after a newer one was drawn is graded as training and not logged; the newer one is logged.
  out = Run("submit PexuTE teil=B -- submit PexuTE teil=B -- submit PexuA BA101=W2 BA101=N teil=A gebiet=B testid=1");
  EXPECT_EQ(out.find("WARNING"), std::string::npos) << out;
  EXPECT_FALSE(fs::exists(data_ / "Pexu.log"));
  EXPECT_NE(ReadAll(Html("LetzteAuswertung.html")).find("<big>Training  --/-  Betriebliche Kenntnisse</big>"),
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
    std::string text = ReadAll(page);
    for (const char* attribute : {"href=\"", "src=\""}) {
      for (size_t p = text.find(attribute); p != std::string::npos; p = text.find(attribute, p + 1)) {
        size_t start = p + std::strlen(attribute), end = text.find('"', start);
        std::string link = text.substr(start, end - start);
        std::string lower = link;
        for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (link.empty() || link[0] == '#' || link.rfind("mailto:", 0) == 0 ||
            link.find("LetztesLog.html") != std::string::npos || link.find("Infobox") != std::string::npos ||
            lower.find("statistika.html") != std::string::npos || lower.find("statistike.html") != std::string::npos ||
            link.find(".qst") != std::string::npos || link.find(".qff") != std::string::npos ||
            link.find(".sln") != std::string::npos)
          continue;
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

namespace {

// Logical screen width and height of a GIF file (0 x 0 when it is not one).
std::pair<int, int> GifScreenSize(const fs::path& path) {
  std::string b = ReadAll(path);
  if (b.size() < 10 || b.compare(0, 3, "GIF") != 0) return {0, 0};
  auto u16 = [&](size_t at) { return static_cast<unsigned char>(b[at]) | static_cast<unsigned char>(b[at + 1]) << 8; };
  return {u16(6), u16(8)};
}

TEST_F(DriverTest, StatisticsOfThreeExamsWriteThePageAndSixCharts) {
  std::string out =
      Run("submit PexuTA teil=T -- answer all-right -- submit PexuTA teil=T -- answer right=37 -- "
          "submit PexuTA teil=T -- answer none -- statistics A");
  EXPECT_EQ(CountOf(out, "WARNING"), 0u) << out;
  EXPECT_EQ(Log().size(), 6u);
  EXPECT_NE(out.find("SHOWN " + Html("statistikA.html").string()), std::string::npos) << out;
  for (const char* code : {"TA", "BE", "VE"}) {
    for (int n : {20, 0}) {
      fs::path chart = Html((std::string(code) + "Statistik" + std::to_string(n) + ".gif").c_str());
      EXPECT_EQ(GifScreenSize(chart), std::make_pair(277, 200)) << chart;
    }
  }
  EXPECT_FALSE(fs::exists(Html("TEStatistik20.gif")));
}

TEST_F(DriverTest, StatisticsOfABrokenLogWarnAndWriteNoPage) {
  Run("submit PexuTA teil=T -- answer right=40");
  std::string log = ReadAll(data_ / "Pexu.log");
  size_t at = log.find(" von ");
  ASSERT_NE(at, std::string::npos);
  log.replace(at - 2, 2, "xy");  // the number of right answers becomes letters
  std::ofstream(data_ / "Pexu.log", std::ios::binary) << log;

  std::string out = Run("statistics A");
  EXPECT_NE(out.find("WARNING"), std::string::npos) << out;
  EXPECT_FALSE(fs::exists(Html("statistikA.html")));
  EXPECT_EQ(out.find("SHOWN"), std::string::npos) << out;
}

}  // namespace
