// cssdump as a black box: the style-sheet cases with their expected rules, and the program's own style sheets.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// The tool's output; its exit status goes to *status.
std::string Cssdump(const std::string& arguments, int* status = nullptr) {
  std::string out;
  FILE* pipe = popen((std::string(PEXU_CSSDUMP) + " " + arguments + " 2>/dev/null").c_str(), "r");
  if (!pipe) return out;
  char buffer[4096];
  for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
  const int wait = pclose(pipe);
  if (status) *status = WIFEXITED(wait) ? WEXITSTATUS(wait) : -1;
  return out;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The line of a rule key ("" when the list has none).
std::string RuleOf(const std::vector<std::string>& lines, const std::string& key) {
  const std::string head = (key.find(' ') == std::string::npos ? key : "\"" + key + "\"") + ":";
  for (const std::string& line : lines)
    if (line.compare(0, head.size(), head) == 0) return line + " ";
  return "";
}

std::string DumpSheet(const std::string& css, const std::string& base = "") {
  const fs::path file = fs::temp_directory_path() / ("cssdump_" + std::to_string(getpid()) + ".css");
  std::ofstream(file, std::ios::binary) << css;
  const std::string out = Cssdump((base.empty() ? "" : "--base '" + base + "' ") + "'" + file.string() + "'");
  fs::remove(file);
  return out;
}

struct Expected {
  const char* key;
  std::vector<const char*> has;     // name=value items of the rule
  std::vector<const char*> hasNot;  // items it must not hold
};

struct SheetCase {
  const char* name;
  const char* css;
  std::vector<Expected> rules;
  std::vector<const char*> absentKeys;
};

void Check(const SheetCase& c, const std::vector<std::string>& lines) {
  for (const Expected& e : c.rules) {
    const std::string line = RuleOf(lines, e.key);
    ASSERT_FALSE(line.empty()) << c.name << ": no rule " << e.key;
    for (const char* item : e.has)
      EXPECT_NE(line.find(" " + std::string(item) + " "), std::string::npos) << c.name << ": " << line;
    for (const char* item : e.hasNot)
      EXPECT_EQ(line.find(" " + std::string(item)), std::string::npos) << c.name << ": " << line;
  }
  for (const char* key : c.absentKeys) EXPECT_EQ(RuleOf(lines, key), "") << c.name << ": " << key;
}

TEST(Cssdump, StyleSheetCases) {
  const std::vector<SheetCase> cases = {
      {"C01", "P { COLOR: Red }", {{"p", {"color=$0000FF"}, {}}}, {}},
      {"C02",
       "h1, h2 { margin: 1px 2px 3px }",
       {{"h1", {"margin-top=1px", "margin-right=2px", "margin-bottom=3px", "margin-left=2px"}, {}},
        {"h2", {"margin-top=1px", "margin-right=2px", "margin-bottom=3px", "margin-left=2px"}, {}}},
       {}},
      {"C03",
       "div p { color: blue } ul > li { color: red }",
       {{"p 110div ", {"color=$FF0000"}, {}}, {"li 111ul> ", {"color=$0000FF"}, {}}},
       {}},
      {"C04",
       "a:hover.x { color: red } .b.a { color: red }",
       {{"a.x:hover", {"color=$0000FF"}, {}}, {".a.b", {"color=$0000FF"}, {}}},
       {"a:hover.x", ".b.a"}},
      {"C05",
       "@media print { p {color:red} } @media screen, print { em {color:red} } @import url(x.css); i {color:red}",
       {{"p", {}, {"color="}}, {"em", {"color=$0000FF"}, {}}, {"i", {"color=$0000FF"}, {}}},
       {}},
      {"C06",
       "p { font: bold 12pt/14pt Arial }",
       {{"p", {"font-family=arial", "font-size=12pt", "font-weight=bold", "line-height=14pt"}, {}}},
       {}},
      {"C07",
       "p { border: 2px solid #ff0000 }",
       {{"p",
         {"border-style=solid", "border-color=$0000FF", "border-top-width=2px", "border-right-width=2px",
          "border-bottom-width=2px", "border-left-width=2px", "border-top-color=$0000FF", "border-left-color=$0000FF",
          "border-top-style=solid", "border-bottom-style=solid"},
         {}}},
       {}},
      {"C09", "p { color: /* c */ red; x: y; margin-top: 3px }", {{"p", {"color=$0000FF", "margin-top=3px"}, {}}}, {}},
      {"C10", "p { color red; margin-top: 3px }", {{"p", {"margin-top=3px"}, {"color="}}}, {}},
      {"C11", "a { color: #00ff00 }", {{"a", {"color=$00FF00"}, {}}, {"::link", {"color=$00FF00"}, {}}}, {}},
      {"C13",
       "a#x:hover {color:red} input[type=text] {color:red} h1 + p {color:red} td, b[x] {color:red}",
       {{"a#x:hover", {"color=$0000FF"}, {}},
        {"input", {}, {"color=$0000FF"}},
        {"h1", {}, {"color="}},
        {"td", {"color=$0000FF"}, {}},
        {"b", {}, {"color="}}},
       {"b[x]"}},
      {"comments, wrappers and line ends",
       "<!-- p {color:#1} /* a /* b */ -->\r\ndiv\n\tp\n{ color:\tred }",
       {{"p", {"color=$110000"}, {}}, {"p 110div ", {"color=$0000FF"}, {}}},
       {}},
      {"quotes and priority",
       "p { font-family: 'Comic Sans'; color: red !important }",
       {{"p", {"font-family=\"comic sans\""}, {"color="}}},
       {}},
  };
  for (const SheetCase& c : cases) Check(c, Lines(DumpSheet(c.css)));
}

TEST(Cssdump, UrlsResolveAgainstTheSheetsBase) {
  const auto lines = Lines(DumpSheet("p { background: url(Img/BG.gif) no-repeat #fff top left }", "/srv/css/"));
  Check({"C08",
         "",
         {{"p",
           {"background-image=url(/srv/css/img/bg.gif)", "background-color=$FFFFFF", "background-repeat=no-repeat",
            "background-position=\"top left\""},
           {}}},
         {}},
        lines);
}

TEST(Cssdump, InlineStyle) {
  EXPECT_EQ(Cssdump("--inline 'COLOR: Red; Margin: 0 1px'"),
            "style: color=$0000FF margin-top=0 margin-right=1px margin-bottom=0 margin-left=1px\n");
}

// Every rule of the program's own sheets, with every value it sets.
TEST(Cssdump, ProgramStyleSheets) {
  const std::string shared[] = {
      "td: font-family=\"arial, helvetica, sans-serif\" font-size=13px",
      "small: font-size=11px",
      "a.text: text-decoration=none color=$A00000",
      "a.text:hover: text-decoration=underline color=$0000D0",
      "a.sel: text-decoration=none color=$FFFFFF background-color=$A06050",
      "a.menu: font-weight=bold text-decoration=none color=$602020",
      "a.menu:hover: color=$0000D0",
  };
  const std::vector<std::string> own[] = {
      {"body: font-family=\"arial, helvetica, sans-serif\" font-size=13px color=$202020 background-color=$FFFFFF "
       "margin-top=8px margin-right=8px margin-bottom=8px margin-left=8px",
       "h1: font-size=20px font-weight=bold color=$602020 margin-top=4px margin-bottom=8px",
       "h2: font-size=16px font-weight=bold color=$602020 margin-top=14px margin-bottom=6px",
       "p: margin-top=4px margin-bottom=8px", "table.box: background-color=$FFF0F0",
       "td.head: font-weight=bold background-color=$FFD7D0"},
      {"body: font-family=\"arial, helvetica, sans-serif\" font-size=13px background-color=$FFFFFF margin-top=8px "
       "margin-right=8px margin-bottom=8px margin-left=8px",
       "big: font-size=16px font-weight=bold"}};
  const char* files[] = {"pexu.css", "pexu2.css"};
  const std::string defaults = Cssdump("/dev/null");
  for (int f = 0; f < 2; ++f) {
    const auto lines = Lines(Cssdump("'" + std::string(PEXU_SOURCE_DIR) + "/resources/css/" + files[f] + "'"));
    std::vector<std::string> expected(std::begin(shared), std::end(shared));
    expected.insert(expected.end(), own[f].begin(), own[f].end());
    for (const std::string& line : expected)
      EXPECT_NE(std::find(lines.begin(), lines.end(), line), lines.end()) << files[f] << ": " << line;
    // The keys new to the default sheet are exactly those of the file.
    const size_t newKeys = f == 0 ? 9 : 7;
    EXPECT_EQ(lines.size(), Lines(defaults).size() + newKeys) << files[f];
  }
}

TEST(Cssdump, BadArgumentsAndMissingFiles) {
  int status = 0;
  EXPECT_EQ(Cssdump("", &status), "");
  EXPECT_EQ(status, 1);
  EXPECT_EQ(Cssdump("/no/such/file.css", &status), "");
  EXPECT_EQ(status, 2);
}

}  // namespace
