#include "app/main_rules.h"

#include <gtest/gtest.h>
#include <limits>

#include "platform/core/strings.h"

namespace {

using namespace pf::literals;

struct ClockCase {
  int32_t minutes, limit;
  pf::TColor color;
  std::string text;  // panel 0, "" when the step leaves it
  bool stop;
};

TEST(ExamClock, ColoursTextsAndStop) {
  const std::string over(" Die Prüfungszeit ist um."_l1);
  auto warn = [](int p) { return " " + std::to_string(p) + std::string("% der Prüfungszeit sind vorbei."_l1); };
  const ClockCase cases[] = {
      {1, 60, pf::clBtnFace, "", false},
      {44, 60, pf::clBtnFace, "", false},  // 73 %: not yet
      {45, 60, app::ClockWarnColor, warn(75), false},
      {59, 60, app::ClockWarnColor, warn(98), false},
      {60, 60, app::ClockOverColor, over, true},
      {33, 40, app::ClockWarnColor, warn(82), false},  // 82.5 rounds to the even 82
      {7, 8, app::ClockWarnColor, warn(88), false},    // 87.5 rounds to the even 88
      {37, 50, pf::clBtnFace, "", false},              // exactly 74 % is not more than 74 %
      {5, 4, app::ClockOverColor, over, true},
      // A limit of 0 or less never divides: the time counts as up.
      {1, 0, app::ClockOverColor, over, true},
      {1, -5, app::ClockOverColor, over, true},
  };
  for (const ClockCase& c : cases) {
    const app::ClockStep step = app::ExamClockStep(c.minutes, c.limit);
    EXPECT_EQ(std::tuple(step.color, step.hasText, step.text, step.stop),
              std::tuple(c.color, !c.text.empty(), c.text, c.stop))
        << c.minutes << "/" << c.limit;
  }
}

TEST(ProgramLinks, FirstRuleThatAppliesWins) {
  using app::LinkKind;
  const std::pair<std::string, LinkKind> cases[] = {
      {"/data/html/LetztesLog.html", LinkKind::LastLog},
      {"Infobox", LinkKind::About},
      {"x/StatistikA.html", LinkKind::StatisticsA},
      {"statistike.html#top", LinkKind::StatisticsE},
      {"TA101.qst", LinkKind::Question},
      {"TA101.qst#top", LinkKind::Question},
      {"TA101.qff", LinkKind::WrongAndOrPdf},
      {"TA101.sln", LinkKind::WrongAndOrPdf},
      {"#top", LinkKind::Top},
      {"/prog/html/index.html#top", LinkKind::Top},
      {"/prog/html/index.html", LinkKind::Other},
      {"infobox", LinkKind::Other},  // case-sensitive, unlike the statistics pages
      {"TA101.QST", LinkKind::Other},
  };
  for (const auto& [src, kind] : cases) EXPECT_EQ(app::ClassifyLink(src), kind) << src;
  EXPECT_TRUE(app::LinkAddsWrongQuestion("TA101.qff"));
  EXPECT_FALSE(app::LinkOpensSolution("TA101.qff"));
  EXPECT_EQ(app::SolutionFile("/opt/pexu", 'E', "TE201"), "/opt/pexu/Fragen/QX7RTZ/KlasseE/TE201.pdf");
}

TEST(MainGeometry, DefaultsAndPlacesOnTheScreen) {
  const pf::TRect d = app::DefaultMainBounds(1024, 768);
  EXPECT_EQ(d, (pf::TRect{119, 5, 119 + 785, 5 + 718}));
  // A screen narrower than the window: the left edge is the absolute value, as stored.
  EXPECT_EQ(app::DefaultMainBounds(700, 30).Left, 42);
  EXPECT_EQ(app::DefaultMainBounds(700, 30).Bottom - app::DefaultMainBounds(700, 30).Top, 20);

  constexpr int32_t kMax = std::numeric_limits<int32_t>::max(), kMin = std::numeric_limits<int32_t>::min();
  struct Case {
    int32_t left, top, width, height;
    pf::TRect shown;
  };
  const Case cases[] = {
      {119, 5, 785, 718, {119, 5, 904, 723}},         // on the screen: unchanged
      {2000, 100, 785, 718, {239, 50, 1024, 768}},    // saved on a second monitor to the right
      {-900, -40, 785, 718, {0, 0, 785, 718}},        // left of and above the screen
      {0, 0, 3000, 2000, {0, 0, 1024, 768}},          // larger than the screen
      {500, 600, 785, 718, {239, 50, 1024, 768}},     // hanging off the bottom right
      {2500, 2000, 340, 242, {684, 526, 1024, 768}},  // a settings window far off the screen
      {10, 20, 540, 32767, {10, 0, 550, 768}},        // 32,767 pixels tall (a damaged settings file)
      {kMax, kMin, kMax, kMax, {0, 0, 1024, 768}},    // the largest numbers: nothing overflows
      {100, 100, -5, 0, {100, 100, 101, 101}},        // no size: the window's constraints enlarge it
  };
  for (const Case& c : cases)
    EXPECT_EQ(app::ShownBounds(c.left, c.top, c.width, c.height, 1024, 768), c.shown) << c.left << "," << c.top;
}

}  // namespace
