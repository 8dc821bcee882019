// The question window's page.
#include "app/fragen.h"

#include "engine/catalogue.h"
#include "engine/engine.h"
#include "engine/procs.h"

namespace app {

namespace {

constexpr size_t kAnswersPerQuestion = 4;

}  // namespace

bool BuildQuestionPage(const pf::TStrings& pool, const std::string& id, const std::string& middle,
                       const std::string& light, const std::string& root, pf::TStrings& page) {
  const int head = engine::FindLineStartingWith(pool, "::" + id, "");
  if (head <= 0) return false;
  // The whole record must be there: a pool cut off within its last record shows nothing new.
  const engine::QuestionRecord record = engine::ReadQuestionRecord(pool, head);
  if (record.Id != id || record.Answers.size() != kAnswersPerQuestion) return false;

  pf::TStringList lines;
  engine::AddLines(lines, {"<html>", "<head>", "<title>Pexu - Frage und richtige Antwort</title>",
                           "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=iso-8859-15\">"});
  lines.Add("<link rel=\"stylesheet\" href=\"" + root + "/css/pexu2.css\" type=\"text/css\">");
  engine::AddLines(lines, {"</head>", "<body text=\"#202020\" bgcolor=\"#ffffff\">", "<div align=\"center\">",
                           "<table border=\"0\" cellpadding=\"5\" cellspacing=\"0\" width=\"100%\">"});
  lines.Add("<tr bgcolor=\"" + middle + "\"><td colspan=\"2\"><b>" + id + "</b></td></tr>");
  lines.Add("<tr bgcolor=\"" + light + "\">");
  engine::WriteQuestionTextRow(lines, light, record.Text);
  if (!record.Picture.empty()) engine::WritePictureRow(lines, light, root, record.Picture);
  // The catalogue keeps the right answer first.
  engine::WriteAnswerRow(lines, light, root, record.Answers[0], "", 1);
  engine::AddLines(lines,
                   {"</table>", "<table border=\"0\" cellspacing=\"0\" cellpadding=\"2\" width=\"100%\">", "<tr>",
                    "  <td align=\"center\"><br><a class=\"text\" href=\"./\">[schlie&szlig;en]</a></td>", "</tr>",
                    "</table>", "</div>", "</body>", "</html>"});
  page.Assign(lines);
  return true;
}

}  // namespace app
