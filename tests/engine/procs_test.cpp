#include <gtest/gtest.h>

#include "engine/procs.h"
#include "engine_test_support.h"
#include "platform/core/strings.h"

using namespace pf::literals;

namespace {

struct PartRow {
  char cls, part, mode;
  int count;
  const char* time;
  const char* dark;
  const char* middle;
  const char* light;
  const char* title;
};

TEST(PartInfoTest, ClassRowsThenPartRowsThenTrainingTime) {
  const PartRow rows[] = {
      {'A', 'T', 'k', 51, "90", "#e0e0ff", "#e7e7ff", "#f0f0ff", "Teil&nbsp;1&nbsp;Technische Kenntnisse"},
      {'E', 'T', 't', 34, "9999", "#d0e7ff", "#e0f0ff", "#e7f7ff", "Teil&nbsp;1&nbsp;Technische Kenntnisse"},
      {'A', 'B', 'k', 34, "60", "#ffffb0", "#ffffc7", "#ffffe0", "Teil&nbsp;2&nbsp;Betriebliche Kenntnisse"},
      {'E', 'V', 'a', 34, "60", "#c0ffb0", "#d0ffc0", "#e0ffd7", "Teil&nbsp;3&nbsp;Kenntnisse von Vorschriften"},
      {'E', 'B', 't', 34, "9999", "#ffffb0", "#ffffc7", "#ffffe0", "Teil&nbsp;2&nbsp;Betriebliche Kenntnisse"},
  };
  for (const PartRow& r : rows) {
    int32_t count = -1;
    std::string time, dark, middle, light, title;
    engine::PartInfo(r.cls, r.part, r.mode, count, time, dark, middle, light, title);
    SCOPED_TRACE((std::string{r.cls, r.part, r.mode}));
    EXPECT_EQ(count, r.count);
    EXPECT_EQ(time, r.time);
    EXPECT_EQ(dark, r.dark);
    EXPECT_EQ(middle, r.middle);
    EXPECT_EQ(light, r.light);
    EXPECT_EQ(title, r.title);
    EXPECT_EQ(pf::Copy(title, 1, 17).substr(0, 10), "Teil&nbsp;");
  }
  // The plain part name starts at character 18; outputs no row sets keep the caller's values.
  int32_t count = 7;
  std::string time = "x", dark = "d", middle = "m", light = "l", title = "t";
  engine::PartInfo('A', 'V', 'k', count, time, dark, middle, light, title);
  EXPECT_EQ(pf::Copy(title, 18, 100), "Kenntnisse von Vorschriften");
  count = 7, time = "x", title = "t";
  engine::PartInfo('X', 'T', 'k', count, time, dark, middle, light, title);
  EXPECT_EQ(count, 7);
  EXPECT_EQ(time, "x");
  EXPECT_EQ(title, "t");
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
  engine::ReplaceAll(s, "x", "y");
  EXPECT_EQ(s, "bbb");
  std::string t = "abcabc";
  engine::ReplaceAt(t, "bc", "XYZ", 5);
  EXPECT_EQ(t, "abcaXYZ");
}

TEST(ProcsTest, LineSearchesOnASmallPool) {
  pf::TStringList pool = enginetest::MakePool({{"TA1", 3}});
  // TA102 gets a picture line: its record is seven lines long.
  pool.Insert(9, "P:./pics/ta102.gif");
  EXPECT_EQ(engine::FindLineStartingWith(pool, "::TA103", "::"), 3);
  EXPECT_EQ(engine::FindLineStartingWith(pool, "::TA101", "::"), 1);
  EXPECT_EQ(engine::FindLineStartingWith(pool, "::TA103", ""), 14);
  EXPECT_EQ(engine::FindLineStartingWith(pool, "::TA109", "::"), -1);
  // The last line is never examined.
  pool.Add("::TA199");
  EXPECT_EQ(engine::FindLineStartingWith(pool, "::TA199", ""), -1);

  EXPECT_EQ(engine::QuestionIdOfOrdinal(pool, 1), "TA101");
  EXPECT_EQ(engine::QuestionIdOfOrdinal(pool, 3), "TA103");
  EXPECT_EQ(engine::QuestionIdOfOrdinal(pool, 4), "");  // only on the last line
  EXPECT_EQ(engine::QuestionIdOfOrdinal(pool, 0), "");
}

TEST(ProcsTest, SmallTextHelpers) {
  EXPECT_EQ(engine::PadWithZeros("123", 4), "0123");
  EXPECT_EQ(engine::PadWithZeros("12345", 4), "12345");
  EXPECT_EQ(engine::StripLastVersionField("1.2.3.4"), "1.2.3");
  EXPECT_EQ(engine::StripLastVersionField("1.2.3"), "1.2.3");
  EXPECT_EQ(engine::UmlautsToEntities("Gr\xF6\xDF"
                                      "e \xBD \xC4\xD6\xDC\xE4\xFC \xE9"),
            "Gr&ouml;&szlig;e \xBD &Auml;&Ouml;&Uuml;&auml;&uuml; \xE9");
  EXPECT_TRUE(engine::IsInteger("12"));
  EXPECT_TRUE(engine::IsInteger("-7"));
  EXPECT_FALSE(engine::IsInteger("1x"));
  EXPECT_FALSE(engine::IsInteger(""));
  EXPECT_FALSE(engine::IsInteger("99999999999"));
  EXPECT_EQ(engine::StripTrailingBackslash("/home/anna/"), "/home/anna");
  EXPECT_EQ(engine::StripTrailingBackslash("/home/anna"), "/home/anna");
  EXPECT_EQ(engine::StripTrailingBackslash("/"), "/");
}

}  // namespace
