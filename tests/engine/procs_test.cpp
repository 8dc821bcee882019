#include <gtest/gtest.h>

#include "engine/procs.h"
#include "engine_test_support.h"
#include "platform/core/strings.h"

namespace {

TEST(PartInfoTest, ClassRowsThenPartRowsThenTrainingTime) {
  const char* const rows[][7] = {
      // class part mode, count, time, dark, middle, light, title
      {"ATk", "51", "90", "#e0e0ff", "#e7e7ff", "#f0f0ff", "Teil&nbsp;1&nbsp;Technische Kenntnisse"},
      {"ETt", "34", "9999", "#d0e7ff", "#e0f0ff", "#e7f7ff", "Teil&nbsp;1&nbsp;Technische Kenntnisse"},
      {"ABk", "34", "60", "#ffffb0", "#ffffc7", "#ffffe0", "Teil&nbsp;2&nbsp;Betriebliche Kenntnisse"},
      {"EVa", "34", "60", "#c0ffb0", "#d0ffc0", "#e0ffd7", "Teil&nbsp;3&nbsp;Kenntnisse von Vorschriften"},
      {"EBt", "34", "9999", "#ffffb0", "#ffffc7", "#ffffe0", "Teil&nbsp;2&nbsp;Betriebliche Kenntnisse"},
      {"XTk", "7", "x", "d", "m", "l", "t"},  // no row: the caller's values stay
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r[0]);
    int32_t count = 7;
    std::string time = "x", dark = "d", middle = "m", light = "l", title = "t";
    engine::PartInfo(r[0][0], r[0][1], r[0][2], count, time, dark, middle, light, title);
    EXPECT_EQ(std::vector<std::string>({pf::IntToStr(count), time, dark, middle, light, title}),
              std::vector<std::string>(r + 1, r + 7));
  }
  // The plain part name starts at character 18.
  int32_t count;
  std::string time, dark, middle, light, title;
  engine::PartInfo('A', 'V', 'k', count, time, dark, middle, light, title);
  EXPECT_EQ(pf::Copy(title, 18, 100), "Kenntnisse von Vorschriften");
}

TEST(ProcsTest, ReplaceAllIsOnePassLeftToRight) {
  // The program folder's path may itself contain the text being replaced: no endless loop, nothing replaced twice.
  std::string page = "<img src=\"./pics/a.gif\"> und <img src=\"./pics/b.gif\">";
  engine::ReplaceAll(page, "./pics", "/home/x./pics/pics");
  EXPECT_EQ(page, "<img src=\"/home/x./pics/pics/a.gif\"> und <img src=\"/home/x./pics/pics/b.gif\">");
  std::string s = "aaa";
  engine::ReplaceAll(s, "a", "aa");
  EXPECT_EQ(s, "aaaaaa");
  engine::ReplaceAll(s, "aa", "b");
  EXPECT_EQ(s, "bbb");
  std::string t = "abcabc";
  engine::ReplaceAt(t, "bc", "XYZ", 5);
  EXPECT_EQ(t, "abcaXYZ");
}

TEST(ProcsTest, LineSearchesOnASmallPool) {
  pf::TStringList pool = enginetest::MakePool({{"TA1", 3}});
  pool.Insert(9, "P:./pics/ta102.gif");  // TA102's record is seven lines long
  EXPECT_EQ(engine::FindLineStartingWith(pool, "::TA103", "::"), 3);
  EXPECT_EQ(engine::FindLineStartingWith(pool, "::TA101", "::"), 1);
  EXPECT_EQ(engine::FindLineStartingWith(pool, "::TA103", ""), 14);
  EXPECT_EQ(engine::FindLineStartingWith(pool, "::TA109", "::"), -1);
  pool.Add("::TA199");  // the last line is never examined
  EXPECT_EQ(engine::FindLineStartingWith(pool, "::TA199", ""), -1);
  EXPECT_EQ(engine::QuestionIdOfOrdinal(pool, 1), "TA101");
  EXPECT_EQ(engine::QuestionIdOfOrdinal(pool, 3), "TA103");
  EXPECT_EQ(engine::QuestionIdOfOrdinal(pool, 4), "");
  EXPECT_EQ(engine::QuestionIdOfOrdinal(pool, 0), "");
}

TEST(ProcsTest, SmallTextHelpers) {
  EXPECT_EQ(engine::PadWithZeros("12345", 4), "12345");
  EXPECT_EQ(engine::StripLastVersionField("1.2.3.4"), "1.2.3");
  EXPECT_EQ(engine::StripLastVersionField("1.2.3"), "1.2.3");
  EXPECT_EQ(engine::UmlautsToEntities("Gr\xF6\xDF"
                                      "e \xBD \xC4\xD6\xDC\xE4\xFC \xE9"),
            "Gr&ouml;&szlig;e \xBD &Auml;&Ouml;&Uuml;&auml;&uuml; \xE9");
  for (const char* good : {"12", "-7"}) EXPECT_TRUE(engine::IsInteger(good)) << good;
  for (const char* bad : {"1x", "", "99999999999"}) EXPECT_FALSE(engine::IsInteger(bad)) << bad;
  EXPECT_EQ(engine::StripTrailingBackslash("/"), "/");
}

}  // namespace
