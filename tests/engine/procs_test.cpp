#include <gtest/gtest.h>

#include "engine/procs.h"
#include "engine_test_support.h"
#include "platform/core/strings.h"

using namespace pf::literals;

namespace {

TEST(ProcsTest, ReplaceAllIsOnePassLeftToRight) {
  // The program folder's path may itself contain the text being replaced: no endless loop, nothing replaced twice.
  const std::tuple<std::string, std::string, std::string, std::string> cases[] = {
      {"<img src=\"./pics/a.gif\"> <img src=\"./pics/b.gif\">", "./pics", "/x./pics/pics",
       "<img src=\"/x./pics/pics/a.gif\"> <img src=\"/x./pics/pics/b.gif\">"},
      {"aaa", "a", "aa", "aaaaaa"},
      {"aaaaa", "aa", "b", "bba"},
  };
  for (auto [text, from, to, expected] : cases) {
    engine::ReplaceAll(text, from, to);
    EXPECT_EQ(text, expected);
  }
}

TEST(ProcsTest, LineSearchesNeverExamineTheLastLine) {
  pf::TStringList pool = enginetest::MakePool({{"TA1", 3}});
  pool.Insert(9, "P:./pics/ta102.gif");  // TA102's record is seven lines long
  pool.Add("::TA199");
  const std::tuple<const char*, const char*, int> finds[] = {
      {"::TA103", "::", 3}, {"::TA101", "::", 1}, {"::TA103", "", 14}, {"::TA109", "::", -1}, {"::TA199", "", -1}};
  for (auto [key, prefix, expected] : finds)
    EXPECT_EQ(engine::FindLineStartingWith(pool, key, prefix), expected) << key;
  for (auto [n, id] : {std::pair{1, "TA101"}, {3, "TA103"}, {4, ""}, {0, ""}})
    EXPECT_EQ(engine::QuestionIdOfOrdinal(pool, n), id) << n;
}

TEST(ProcsTest, SmallTextHelpers) {
  EXPECT_EQ(engine::PadWithZeros("12345", 4), "12345");
  EXPECT_EQ(engine::StripLastVersionField("1.2.3.4"), "1.2.3");
  EXPECT_EQ(engine::StripLastVersionField("1.2.3"), "1.2.3");
  EXPECT_EQ(engine::UmlautsToEntities("Größe ½ ÄÖÜäü é"_l1), "Gr&ouml;&szlig;e ½ &Auml;&Ouml;&Uuml;&auml;&uuml; é"_l1);
  for (const char* good : {"12", "-7"}) EXPECT_TRUE(engine::IsInteger(good)) << good;
  for (const char* bad : {"1x", "", "99999999999"}) EXPECT_FALSE(engine::IsInteger(bad)) << bad;
  EXPECT_EQ(engine::StripTrailingBackslash("/"), "/");
}

}  // namespace
