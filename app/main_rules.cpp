#include "app/main_rules.h"

#include <algorithm>
#include <cstdlib>

#include "platform/core/files.h"
#include "platform/core/strings.h"

namespace app {

using namespace pf::literals;

namespace {

bool Contains(const std::string& s, const char* part) { return s.find(part) != std::string::npos; }

// 100 * minutes / limit, rounded half to even, for a positive limit.
int32_t PercentHalfEven(int32_t minutes, int32_t limit) {
  const int64_t scaled = 100LL * minutes;
  int64_t quotient = scaled / limit;
  const int64_t twiceRest = 2 * (scaled % limit);
  if (twiceRest > limit || (twiceRest == limit && quotient % 2 != 0)) ++quotient;
  return static_cast<int32_t>(quotient);
}

}  // namespace

ClockStep ExamClockStep(int32_t minutesElapsed, int32_t timeLimit) {
  ClockStep step;
  step.minutesText = pf::IntToStr(minutesElapsed) + " Min";
  if (timeLimit > 0 && 100LL * minutesElapsed <= 74LL * timeLimit) return step;
  if (timeLimit > 0) {
    step.color = ClockWarnColor;
    step.hasText = true;
    step.text = " " + pf::IntToStr(PercentHalfEven(minutesElapsed, timeLimit)) +
                std::string("% der Prüfungszeit sind vorbei."_l1);
  }
  if (minutesElapsed >= timeLimit) {
    step.color = ClockOverColor;
    step.hasText = true;
    step.text = std::string(" Die Prüfungszeit ist um."_l1);
    step.stop = true;
  }
  return step;
}

LinkKind ClassifyLink(const std::string& src) {
  const std::string lower = pf::LowerCase(src);
  if (Contains(src, "LetztesLog.html")) return LinkKind::LastLog;
  if (Contains(src, "Infobox")) return LinkKind::About;
  if (Contains(lower, "statistika.html")) return LinkKind::StatisticsA;
  if (Contains(lower, "statistike.html")) return LinkKind::StatisticsE;
  if (Contains(src, ".qst")) return LinkKind::Question;
  if (LinkAddsWrongQuestion(src) || LinkOpensSolution(src)) return LinkKind::WrongAndOrPdf;
  if (Contains(src, "#top")) return LinkKind::Top;
  return LinkKind::Other;
}

bool LinkAddsWrongQuestion(const std::string& src) { return Contains(src, ".qff"); }
bool LinkOpensSolution(const std::string& src) { return Contains(src, ".sln"); }

std::string SolutionFile(const std::string& programDir, char classLetter, const std::string& id) {
  return pf::PathJoin(programDir, "Fragen/QX7RTZ/Klasse" + std::string(1, classLetter) + "/" + id + ".pdf");
}

pf::TRect DefaultMainBounds(int32_t screenWidth, int32_t screenHeight) {
  const int32_t left = std::abs((screenWidth - MainDefaultWidth) / 2);
  const int32_t top = 5;
  return {left, top, left + MainDefaultWidth, top + std::abs(screenHeight - 50)};
}

pf::TRect ShownBounds(int32_t left, int32_t top, int32_t width, int32_t height, int32_t screenWidth,
                      int32_t screenHeight) {
  // Nothing stored is added to anything before it is bounded by the screen: the sums cannot overflow.
  width = std::clamp(width, 1, std::max(1, screenWidth));
  height = std::clamp(height, 1, std::max(1, screenHeight));
  left = std::clamp(left, 0, std::max(0, screenWidth - width));
  top = std::clamp(top, 0, std::max(0, screenHeight - height));
  return {left, top, left + width, top + height};
}

}  // namespace app
