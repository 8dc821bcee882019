// The main window's rules that need no window: the exam clock's step, the reading of a clicked link, the default
// geometry of the main window and where any window is shown. The windows apply what they answer.
#pragma once

#include <cstdint>
#include <string>

#include "platform/graphics/colors.h"
#include "platform/graphics/geometry.h"

namespace app {

// Panel colours of the exam clock (0x00BBGGRR).
constexpr pf::TColor ClockWarnColor = pf::clInfoBk;  // more than 74 % of the time gone
constexpr pf::TColor ClockOverColor = 0xA6CAF0;      // the time is up

// What one minute of the exam clock shows: panel 1 always gets minutes + " Min"; panel 0 gets its text only when
// hasText; both panels take color; stop switches the clock off.
struct ClockStep {
  std::string minutesText;
  pf::TColor color = pf::clBtnFace;
  bool hasText = false;
  std::string text;
  bool stop = false;
};
// The clock after minutesElapsed minutes of a limit of timeLimit minutes. Integer arithmetic only: the warning
// comes when 100 * minutes > 74 * limit, the percentage is rounded half to even; a limit of 0 or less (never
// accepted from a list, but possible in the state) counts as over at once instead of dividing by it.
ClockStep ExamClockStep(int32_t minutesElapsed, int32_t timeLimit);

// What a clicked link of the program's own pages asks for, tested in this order.
enum class LinkKind {
  LastLog,        // "LetztesLog.html": write the log page; the viewer then follows the link too
  About,          // "Infobox"
  StatisticsA,    // "statistika.html" in any letter case
  StatisticsE,    // "statistike.html"
  Question,       // ".qst": show the question (first five characters) in the question window
  WrongAndOrPdf,  // ".qff" and/or ".sln" (both may apply)
  Top,            // "#top" without any of the above: a jump on the shown page
  Other,          // an ordinary link, left to the viewer
};
LinkKind ClassifyLink(const std::string& src);
bool LinkAddsWrongQuestion(const std::string& src);  // ".qff"
bool LinkOpensSolution(const std::string& src);      // ".sln"
// The worked solution of a question: programDir/Fragen/QX7RTZ/Klasse<cls>/<id>.pdf.
std::string SolutionFile(const std::string& programDir, char classLetter, const std::string& id);

// Section "Position" defaults of the main window on a screen of that size.
constexpr int32_t MainDefaultWidth = 785;
constexpr int32_t MainMinWidth = 767;
constexpr int32_t MainMinHeight = 540;
pf::TRect DefaultMainBounds(int32_t screenWidth, int32_t screenHeight);

// Where a window stored at left, top, width, height is shown on a screen of that size: no larger than the screen
// (at least 1 x 1), moved so that it lies wholly on it. A place saved on a screen that is gone, or any number of a
// damaged settings file, would otherwise put it out of reach. Stored values stay as they are.
pf::TRect ShownBounds(int32_t left, int32_t top, int32_t width, int32_t height, int32_t screenWidth,
                      int32_t screenHeight);

}  // namespace app
