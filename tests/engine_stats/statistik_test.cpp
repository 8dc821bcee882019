#include "engine/statistik.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/core/datetime.h"
#include "platform/core/strings.h"
#include "platform/graphics/bitmap.h"
#include "platform/graphics/canvas.h"
#include "platform/graphics/fonts.h"
#include "tests/engine/engine_test_support.h"

namespace {

using engine::NormalisedLogLine;
using namespace pf::literals;
namespace fs = std::filesystem;

// The two log lines of one exam, as the evaluation writes them.
void AddExam(engine::AppState& state, const std::string& code, int sheet, int total, int right) {
  int pct = 100 * right / total;
  state.ExamLog.Add("<td>" + code + "/" + std::to_string(sheet) + "&nbsp;&nbsp;</td><td>[06.12.2024 16:51:03] &nbsp;" +
                    std::to_string(total) + " von " + std::to_string(total) +
                    " Fragen in 42 min (90) bearbeitet.</td>");
  state.ExamLog.Add(std::string("<td valign=\"top\"><b><font color=\"") +
                    (pct >= 73 ? "#00a000\">ok" : "#d00000\">nein") + "</font></b></td><td>Richtig: " +
                    std::to_string(right) + " (" + std::to_string(pct) + "%) &nbsp; Falsch: TA102 </td>");
}

struct StatsTest : ::testing::Test, enginetest::EngineFixture {
  StatsTest() {
    fs::create_directories(dir.File("html"));
    state.LogPath = dir.File("Pexu.log");
  }
  ~StatsTest() override { pf::SetNowFunction(nullptr); }
  std::vector<NormalisedLogLine> Normalised() {
    std::vector<NormalisedLogLine> lines;
    EXPECT_TRUE(engine::NormaliseLog(engine, lines));
    return lines;
  }
};

constexpr pf::TColor White = 0xFFFFFF, Black = 0x000000;

TEST_F(StatsTest, NormalisingReadsEveryFieldAfterItsMarker) {
  state.ExamLog.Add(
      "<td>TA/17&nbsp;&nbsp;</td><td>[06.12.2024 16:51:03] &nbsp;47 von 51 Fragen in 42 min (90) "
      "bearbeitet.</td>");
  state.ExamLog.Add(
      "<td valign=\"top\"><b><font color=\"#00a000\">ok</font></b></td><td>Richtig: 40 (78%) &nbsp; "
      "Falsch: TA102 TA205 </td>");
  // Wider than the usual columns: a 7-digit sheet, 5-digit minutes, a 3-digit limit, 3-digit counts.
  state.ExamLog.Add(
      "<td>VE/1234567&nbsp;&nbsp;</td><td>[06.12.2024 17:20:44] &nbsp;120 von 150 Fragen in 12345 min "
      "(120) bearbeitet.</td>");
  state.ExamLog.Add(
      "<td valign=\"top\"><b><font color=\"#d00000\">nein</font></b></td><td>Richtig: 100 (66%) "
      "&nbsp; Falsch: VE101 <br>[Meine (2) Liste: alt]</td>");
  // The sheet number may also end at a blank within the first 15 characters.
  state.ExamLog.Add("<td>BE/9 </td><td>[06.12.2024 17:20:44] &nbsp;3 von 34 Fragen in 5 min (60) bearbeitet.</td>");
  state.ExamLog.Add("<td valign=\"top\"><b><font color=\"#d00000\">nein</font></b></td><td>Richtig: 2 (5%) </td>");
  // An unpaired last line is dropped without complaint.
  state.ExamLog.Add("<td>TE/3&nbsp;&nbsp;</td><td>[06.12.2024 17:20:44] &nbsp;3 von 34 Fragen in 5 min (60) .</td>");

  std::vector<std::pair<std::string, std::vector<int>>> read;
  for (const NormalisedLogLine& l : Normalised())
    read.push_back({l.Code, {l.Sheet, l.Answered, l.Total, l.Minutes, l.TimeLimit, l.Right, l.Percentage}});
  EXPECT_EQ(read, (decltype(read){{"TA", {17, 47, 51, 42, 90, 40, 78}},
                                  {"VE", {1234567, 120, 150, 12345, 120, 100, 66}},
                                  {"BE", {9, 3, 34, 5, 60, 2, 5}}}));
  EXPECT_TRUE(port.messages.empty() && port.warnings.empty());
}

TEST_F(StatsTest, ABrokenLogLineIsNamedAndNothingIsWritten) {
  const std::string head = "<td>TA/1&nbsp;&nbsp;</td><td>[06.12.2024 16:51:03] &nbsp;",
                    good = head + "5 von 51 Fragen in 4 min (90) .",
                    result = "<td valign=\"top\"></td><td>Richtig: 40 (78%) &nbsp; Falsch: </td>";
  const std::tuple<std::string, std::string, int> cases[] = {
      {head + "xx von 51 Fragen in 4 min (90) .", result, 3},
      {"<td>TA/1x&nbsp;&nbsp;</td><td>[06.12.2024] &nbsp;5 von 51 Fragen in 4 min (90) .", result, 3},
      {good, "<td valign=\"top\"></td><td>Richtig: 40 (7B%) &nbsp; Falsch: </td>", 4},
      {good, "<td>Richtig: 99999999999 (7%)</td>", 4},
      {good, "<td>Richtig: 52 (101%)</td>", 4},  // more right answers than questions
      {head + "0 von 0 Fragen in 4 min (90) .", result, 3},
      {head + "5 von 51 Fragen in 4 min (90 .", result, 3},
  };
  for (const auto& [header, second, badLine] : cases) {
    SCOPED_TRACE(header + " / " + second);
    port = enginetest::FakePort();
    state.ExamLog.Clear();
    AddExam(state, "TA", 7, 51, 40);
    state.ExamLog.Add(header);
    state.ExamLog.Add(second);
    enginetest::WriteFile(dir.File("html/statistikA.html"), "earlier page");
    engine::ShowStatistics(engine, 'A');
    std::string n = std::to_string(badLine);
    EXPECT_EQ(port.messages, std::vector<std::string>{" Fehler in Pexu.log Zeile " + n +
                                                      std::string(". Bitte das Log bereinigen oder löschen."_l1)});
    EXPECT_EQ(port.warnings,
              std::vector<std::string>{"Die Statistik kann wegen eines Fehlers in Zeile " + n +
                                       " der Logdatei nicht aufgebaut werden.\n\rSchauen Sie sich die Datei " +
                                       state.DataDir +
                                       std::string("/Pexu.log an oder löschen Sie die Logdatei mit <Strg-Entf>."_l1)});
    EXPECT_EQ(enginetest::ReadFile(dir.File("html/statistikA.html")), "earlier page");
    EXPECT_EQ(std::tuple(fs::exists(dir.File("html/TAStatistik0.gif")), port.loaded.size(), port.progress.size()),
              std::tuple(false, 0u, 0u));
  }
}

// Charts are checked with the fixed-metric font service, whose glyphs are solid boxes, so that the caption's
// extent tells which caption was drawn.
struct ChartTest : StatsTest {
  ChartTest() { pf::SetFontService(pf::CreateFixedMetricFontService()); }
  ~ChartTest() override { pf::SetFontService(nullptr); }

  // The rightmost caption pixel must end where the expected caption (Latin-1) ends.
  void ExpectCaption(pf::TBitmap& chart, std::string_view caption) {
    pf::TBitmap scratch(10, 10);
    scratch.Canvas().Font().SetName("Verdana, Arial, helvetica");
    scratch.Canvas().Font().SetSize(10);
    int width = scratch.Canvas().TextWidth(caption);
    int right = -1;
    for (int y = 182; y < 200; ++y)
      for (int x = 0; x < 277; ++x)
        if (chart.GetPixel(x, y) == 0xA00000) right = std::max(right, x);
    EXPECT_EQ(right, 25 + width - 2) << std::string(caption);  // the last glyph box is its advance less one pixel wide
  }
};

TEST_F(ChartTest, BarsLinesAndAxesOfThreeExams) {
  AddExam(state, "TA", 1, 51, 40);  // 78 %: 125 pixels high
  AddExam(state, "BE", 2, 34, 30);  // another part: not in this chart
  AddExam(state, "TA", 3, 51, 30);  // 58 %, failed: 94 pixels
  AddExam(state, "TA", 4, 51, 51);  // 100 %: 160 pixels, the newest
  std::vector<NormalisedLogLine> lines = Normalised();

  std::unique_ptr<pf::TBitmap> chart = engine::PaintStatisticsChart(lines, "TA", 0);
  ASSERT_EQ(std::pair(chart->GetWidth(), chart->GetHeight()), std::pair(277, 200));
  ExpectCaption(*chart, "Alle 3 Prüfungen"_l1);
  const pf::TColor passEven = 0xFFCCCC, failOdd = 0x0000FF;
  struct Bar {
    int left, right, top;
    pf::TColor color;
  };
  // 250 div 3 = 83 pixels each, the newest at the right.
  for (const Bar& b : {Bar{25, 107, 55, passEven}, Bar{108, 190, 86, failOdd}, Bar{191, 273, 20, passEven}}) {
    SCOPED_TRACE(b.left);
    int mid = (b.left + b.right) / 2;
    EXPECT_EQ(chart->GetPixel(b.left + 1, 100), b.color);
    EXPECT_EQ(chart->GetPixel(b.right, 100), b.color);
    EXPECT_EQ(chart->GetPixel(mid, 179), b.color);
    if (b.top > 20) {
      EXPECT_EQ(chart->GetPixel(mid, b.top), b.color);
      EXPECT_EQ(chart->GetPixel(mid, b.top - 1), White);
    }
  }
  EXPECT_EQ(chart->GetPixel(274, 100), White);
  // The marks are drawn over the bars from x 25 to 274; the axes over them.
  for (auto [y, color] : std::map<int, pf::TColor>{{73, 0x0000FF}, {63, 0x009FFF}, {20, 0x00FF00}}) {
    for (int x = 26; x <= 274; ++x) ASSERT_EQ(chart->GetPixel(x, y), color) << x << "," << y;
    EXPECT_EQ(chart->GetPixel(275, y), White);
  }
  for (int y = 20; y <= 180; ++y) ASSERT_EQ(chart->GetPixel(25, y), Black) << y;
  for (int x = 25; x <= 274; ++x) ASSERT_EQ(chart->GetPixel(x, 180), Black) << x;
  EXPECT_EQ(chart->GetPixel(25, 19), White);
  EXPECT_EQ(chart->GetPixel(275, 180), White);
  EXPECT_EQ(chart->GetPixel(24, 100), White);

  ExpectCaption(*engine::PaintStatisticsChart(lines, "TA", 20), "Die letzten 3 Prüfungen"_l1);
}

TEST_F(ChartTest, PassColourStartsAt73PercentAndOnlyTheNewest250Show) {
  AddExam(state, "TE", 1, 100, 73);
  AddExam(state, "TE", 2, 100, 72);
  std::vector<NormalisedLogLine> lines = Normalised();
  std::unique_ptr<pf::TBitmap> chart = engine::PaintStatisticsChart(lines, "TE", 0);
  EXPECT_EQ(chart->GetPixel(100, 150), 0xFF9966u);  // 73 %, k 1
  EXPECT_EQ(chart->GetPixel(200, 150), 0x0000F0u);  // 72 %, k 0
  // The other parts' pass colours, k 0.
  for (auto [code, colour] : {std::pair{"BE", 0xB0FFFFu}, {"VE", 0xD0FFD0u}}) {
    state.ExamLog.Clear();
    AddExam(state, code, 1, 34, 30);
    EXPECT_EQ(engine::PaintStatisticsChart(Normalised(), code, 0)->GetPixel(150, 170), colour) << code;
  }

  state.ExamLog.Clear();
  for (int i = 1; i <= 300; ++i) AddExam(state, "VE", i, 34, i % 35);
  lines = Normalised();
  chart = engine::PaintStatisticsChart(lines, "VE", 0);
  ExpectCaption(*chart, "Die letzten 250 von 300 Prüfungen"_l1);
  // One-pixel bars: exam i at x = 25 + (i - 51); exams with no right answer have no bar.
  for (int i = 52; i <= 300; ++i) {
    int x = 25 + (i - 51), top = 180 - (i % 35) * 160 / 34;
    for (int y : {top - 1, top, 179}) {
      if (y != 73 && y != 63 && y < 180) {
        ASSERT_EQ(chart->GetPixel(x, y) != White, y >= top) << i << "," << y;
      }
    }
  }
  // Without exams of the part: the axes alone.
  chart = engine::PaintStatisticsChart(lines, "TA", 20);
  int marked = 0;
  for (int y = 0; y < 200; ++y)
    for (int x = 0; x < 277; ++x) marked += chart->GetPixel(x, y) != White;
  EXPECT_EQ(marked, 161 + 249);
}

// The whole road for class A: its three parts' charts, the page, the progress steps; then class E.
TEST_F(StatsTest, ShowStatisticsWritesChartsAndPage) {
  pf::SetNowFunction([] { return pf::EncodeDate(2026, 12, 6) + pf::EncodeTime(17, 5, 9, 0); });
  port.title = "Pexu - Statistik";
  for (int right : {30, 40, 51}) AddExam(state, "TA", right, 51, right);
  engine::ShowStatistics(engine, 'A');

  EXPECT_EQ(port.progress, (std::vector<int>{5, 25, 30, 50, 55, 75, 80, 0}));
  for (const char* code : {"TA", "BE", "VE"})
    for (int n : {20, 0}) EXPECT_TRUE(fs::exists(engine::StatisticsChartPath(state, code, n))) << code << n;
  EXPECT_FALSE(fs::exists(dir.File("html/TEStatistik0.gif")));
  ASSERT_EQ(port.loaded, std::vector<std::string>{dir.File("html/statistikA.html#top")});
  EXPECT_EQ(port.caption, "Pexu - Statistik");
  enginetest::ExpectGolden(enginetest::ReadFile(dir.File("html/statistikA.html")), dir.Path(), "statistics.html");

  // Class E from a lower-case link: its own technical part and colour.
  engine::ShowStatistics(engine, 'e');
  EXPECT_NE(enginetest::ReadFile(dir.File("html/statistikE.html"))
                .find("bgcolor=\"#e0f0ff\" colspan=\"2\"><big>Technische Kenntnisse Klasse E</big>"),
            std::string::npos);
  EXPECT_TRUE(fs::exists(dir.File("html/TEStatistik20.gif")));
}

}  // namespace
