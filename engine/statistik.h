// Statistics of the logged exams: per licence class one page with two bar charts for each of its three parts (the
// last 20 exams and all exams, at most the newest 250), drawn onto bitmaps and saved as GIF files beside the page.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/engine.h"
#include "engine/state.h"

namespace pf {
class TBitmap;
}

namespace engine {

// One logged exam (a header line and its result line). Kept as numbers, not as fixed-width text, so that a sheet
// number or time limit wider than usual cannot shift the other fields.
struct NormalisedLogLine {
  std::string Code;  // part code: "TA", "TE", "BE", "VE"
  int32_t Sheet = 0;
  int32_t Answered = 0;
  int32_t Total = 0;  // questions on the sheet
  int32_t Minutes = 0;
  int32_t TimeLimit = 0;
  int32_t Right = 0;
  int32_t Percentage = 0;
};

// Reads the whole exam log into lines, one per entry; an unpaired last line is dropped. At the first bad line
// (a field that is not a number, no questions, more right answers than questions) it tells the user which line is
// broken (status message and warning) and returns false.
bool NormaliseLog(Engine& engine, std::vector<NormalisedLogLine>& lines);

// The chart file of a part code: DataDir/html/<code>Statistik<n>.gif.
std::string StatisticsChartPath(const AppState& state, std::string_view code, int n);

// The chart of part code over the last n exams (n 0: all, at most the newest 250) as a 277 x 200 bitmap.
std::unique_ptr<pf::TBitmap> PaintStatisticsChart(const std::vector<NormalisedLogLine>& lines, std::string_view code,
                                                  int n);
// Paints the chart and saves it to its chart file.
void DrawStatisticsChart(const AppState& state, const std::vector<NormalisedLogLine>& lines, std::string_view code,
                         int n);
// The black axes of a chart; leaves the canvas with the chart's caption font.
void DrawChartAxes(pf::TBitmap& bitmap);
// Saves the bitmap as a GIF file with the GIF library's defaults (palette and compression are its choice).
void SaveChartAsGif(pf::TBitmap& bitmap, const std::string& fileName);

// Writes DataDir/html/statistik<class>.html and shows it.
void WriteStatisticsPage(Engine& engine, char classLetter);

// The whole road for class 'A' or 'E': read the log, draw and save the six charts, write and show the page, with
// the progress bar stepping along. A broken log stops it before anything is written.
void ShowStatistics(Engine& engine, char classLetter);

}  // namespace engine
