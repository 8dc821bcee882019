// The question window's page, from pool lines to page lines.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/fragen.h"
#include "platform/core/strings.h"

namespace {

using namespace pf::literals;

pf::TStringList Lines(const std::vector<std::string>& lines) {
  pf::TStringList list;
  for (const std::string& line : lines) list.Add(line);
  return list;
}

const char* const kMiddle = "#e7e7ff";
const char* const kLight = "#f0f0ff";
const char* const kRoot = "/opt/pexu";

TEST(QuestionPage, ShowsTheIdentifierTheTextAndTheRightAnswer) {
  pf::TStringList pool = Lines({"V:1", "::TA100", "F:Erste", "R:a", "W:b", "W:c", "W:d", "::TA101",
                                std::string("F:Wie groß ist der Widerstand?"_l1), "R:10 kOhm ./pics/r.gif", "W:1 kOhm",
                                "W:100 Ohm", "W:1 MOhm", "::TA102", "F:Letzte", "R:a", "W:b", "W:c", "W:d"});
  pf::TStringList page;
  ASSERT_TRUE(app::BuildQuestionPage(pool, "TA101", kMiddle, kLight, kRoot, page));
  const std::vector<std::string> expected = {
      "<html>",
      "<head>",
      "<title>Pexu - Frage und richtige Antwort</title>",
      "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=iso-8859-15\">",
      "<link rel=\"stylesheet\" href=\"/opt/pexu/css/pexu2.css\" type=\"text/css\">",
      "</head>",
      "<body text=\"#202020\" bgcolor=\"#ffffff\">",
      "<div align=\"center\">",
      "<table border=\"0\" cellpadding=\"5\" cellspacing=\"0\" width=\"100%\">",
      "<tr bgcolor=\"#e7e7ff\"><td colspan=\"2\"><b>TA101</b></td></tr>",
      "<tr bgcolor=\"#f0f0ff\">",
      "      <tr bgcolor=\"#f0f0ff\">",
      "        <td colspan=\"2\"><b>Wie gro&szlig; ist der Widerstand?</b></td>",
      "      </tr>",
      "      <tr bgcolor=\"#f0f0ff\">",
      "        <td>&nbsp;</td>",
      "        <td>10 kOhm /opt/pexu/pics/r.gif</td>",
      "      </tr>",
      "</table>",
      "<table border=\"0\" cellspacing=\"0\" cellpadding=\"2\" width=\"100%\">",
      "<tr>",
      "  <td align=\"center\"><br><a class=\"text\" href=\"./\">[schlie&szlig;en]</a></td>",
      "</tr>",
      "</table>",
      "</div>",
      "</body>",
      "</html>",
  };
  ASSERT_EQ(page.Count(), static_cast<int>(expected.size()));
  for (int i = 0; i < page.Count(); ++i) EXPECT_EQ(page[i], expected[i]) << "line " << i;
}

// A picture line (in any letter case) gives the picture row, and the answer is the line after it.
TEST(QuestionPage, APictureComesBeforeTheAnswer) {
  pf::TStringList pool =
      Lines({"V:1", "::TE201", "F:Was zeigt das Bild?", "p:./pics/te201.png", "R:Ein Dipol", "W:b", "W:c", "W:d", ""});
  pf::TStringList page;
  ASSERT_TRUE(app::BuildQuestionPage(pool, "TE201", kMiddle, kLight, kRoot, page));
  const std::string text = page.Text();
  const size_t picture = text.find(
      "<img src=\"/opt/pexu/pics/te201.png\" vspace=\"2\" hspace=\"5\" border=\"0\" alt=\"./pics/te201.png\">");
  const size_t answer = text.find("<td>Ein Dipol</td>");
  ASSERT_NE(picture, std::string::npos);
  ASSERT_NE(answer, std::string::npos);
  EXPECT_LT(picture, answer);
  EXPECT_EQ(text.find("W:"), std::string::npos);
}

// Whatever cannot be shown whole leaves the page as it was.
TEST(QuestionPage, NothingNewWithoutTheWholeRecord) {
  const struct {
    const char* what;
    std::vector<std::string> pool;
    const char* id;
  } cases[] = {
      {"not in the pool", {"V:1", "::TA101", "F:t", "R:a", "W:b", "W:c", "W:d"}, "TA999"},
      {"no identifier", {"V:1", "::TA101", "F:t", "R:a", "W:b", "W:c", "W:d"}, ""},
      {"the beginning of an identifier", {"V:1", "::TA101", "F:t", "R:a", "W:b", "W:c", "W:d"}, "TA10"},
      {"cut off after the head", {"V:1", "::TA101", "F:t"}, "TA101"},
      {"cut off within the answers", {"V:1", "::TA101", "F:t", "R:a", "W:b"}, "TA101"},
      {"cut off after the picture", {"V:1", "::TA101", "F:t", "P:./pics/x.png", ""}, "TA101"},
      {"an empty pool", {}, "TA101"},
  };
  for (const auto& c : cases) {
    pf::TStringList page = Lines({"old"});
    EXPECT_FALSE(app::BuildQuestionPage(Lines(c.pool), c.id, kMiddle, kLight, kRoot, page)) << c.what;
    EXPECT_EQ(page.Text(), Lines({"old"}).Text()) << c.what;
  }
}

}  // namespace
