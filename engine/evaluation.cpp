// Evaluation of a submitted sheet, the exam log lines, the log page and deleting the log.
#include <algorithm>
#include <set>

#include "engine/engine.h"
#include "engine/procs.h"
#include "platform/core/exceptions.h"
#include "platform/core/files.h"
#include "platform/core/mathutil.h"
#include "platform/core/strings.h"

namespace engine {

using namespace pf::literals;

namespace {

bool Contains(std::string_view line, std::string_view what) { return line.find(what) != std::string_view::npos; }

bool Holds(const std::vector<std::string>& questions, std::string_view id) {
  return std::find(questions.begin(), questions.end(), id) != questions.end();
}

// The submitted lines of the sheet's questions (of every question when questions is null), each question once and
// as the sheet's form sends it: its answer line, when one was chosen, followed by its "=N" line. Lines of other
// questions and repeats of a question are dropped, so they can neither count nor shift the pairs.
pf::TStringList SheetLines(const pf::TStrings& results, const std::vector<std::string>* questions) {
  pf::TStringList lines;
  std::set<std::string> seen;
  for (int i = 0; i < results.Count(); ++i) {
    const std::string& line = results[i];
    bool answered = Contains(line, "=W") || Contains(line, "=R");
    if (!answered && !Contains(line, "=N")) continue;
    std::string id = pf::Copy(line, 1, 5);
    if ((questions && !Holds(*questions, id)) || !seen.insert(id).second) continue;
    lines.Add(line);
    if (answered) {
      lines.Add(id + "=N");
      if (i + 1 < results.Count() && results[i + 1] == id + "=N") ++i;
    }
  }
  return lines;
}

}  // namespace

const Engine::SheetRecord* Engine::FindSheet(char part, char cls, const std::string& id) const {
  for (auto it = sheets_.rbegin(); it != sheets_.rend(); ++it)
    if (it->part == part && it->cls == cls && it->id == id) return &*it;
  return nullptr;
}

const Engine::SheetRecord* Engine::FindSubmittedSheet(char part, const std::string& id,
                                                      const pf::TStrings& results) const {
  const SheetRecord* found = nullptr;
  int mostHits = -1;
  for (auto it = sheets_.rbegin(); it != sheets_.rend(); ++it) {
    if (it->part != part || it->id != id) continue;
    int hits = 0;
    for (int i = 0; i < results.Count(); ++i) hits += Holds(it->questions, results.Names(i));
    if (hits > mostHits) {
      found = &*it;
      mostHits = hits;
    }
  }
  return found;
}

int Engine::CountAnswered(const pf::TStrings& results) {
  int count = 0;
  for (int i = 0; i < results.Count(); ++i) count += Contains(results[i], "=W") || Contains(results[i], "=R");
  return count;
}

bool Engine::SaveExamLog(const std::string& header, const std::string& result) {
  // Both lines of one exam go to the file in one write, so the log never holds half an entry.
  state_.ExamLog.Add(header);
  state_.ExamLog.Add(result);
  try {
    state_.ExamLog.SaveToFile(state_.LogPath);
  } catch (const pf::Exception& e) {
    port_.ShowWarning(std::string("Das Prüfungslog konnte nicht gespeichert werden: "_l1) + e.Message());
    return false;
  }
  return true;
}

void Engine::WriteEvaluationPage(char part, char cls, const pf::TStrings& results, const std::string& section,
                                 const std::string& sheetId, char mode) {
  port_.StopExamClock();
  port_.SetPanelText(1, "");
  port_.SetAntwortenlisteEnabled(true);
  // The state changes only once the page is written.
  Evaluation e;
  e.part = part;
  e.cls = cls;
  e.sheetId = sheetId;
  e.training = mode == 't';
  e.minutes = state_.MinutesElapsed == 0 ? 1 : state_.MinutesElapsed;
  int32_t count = 0;
  std::string time;
  PartInfo(cls, part, mode, count, time, e.dark, e.middle, e.light, e.title);
  e.timeText = state_.TimeLimitText;
  // Only the sheet's own questions are graded. An older sheet has its own count; for a sheet this run did not
  // write, the questions submitted (one "=N" line each) stand for it.
  const SheetRecord* sheet = FindSheet(part, cls, sheetId);
  const pf::TStringList lines = SheetLines(results, sheet ? &sheet->questions : nullptr);
  e.questionCount = state_.QuestionCount;
  if (part != state_.PartLetter || cls != state_.ClassLetter || sheetId != state_.SheetId) {
    e.questionCount = sheet ? static_cast<int32_t>(sheet->questions.size()) : 0;
    for (int i = 0; !sheet && i < lines.Count(); ++i) e.questionCount += Contains(lines[i], "=N");
  }
  if (e.training) {
    std::string s = section.empty() ? "---" : section;
    e.timeText = "-";
    e.title = "Training  " + pf::Copy(s, 1, 2) + "/" + pf::Copy(s, 3, 1) + "  " + pf::Copy(e.title, 18, 1000);
  }
  e.answered = CountAnswered(lines);

  pf::TStringList page;
  WriteEvaluationHead(e, page);
  GradeQuestions(e, lines, page);
  // No questions: nothing is right, and nothing divides by zero.
  e.percentage = e.questionCount > 0 ? static_cast<int>(pf::Trunc(100.0 * e.right / e.questionCount)) : 0;
  e.passed = e.questionCount > 0 && e.right >= e.questionCount * 0.73;
  WriteEvaluationFoot(e, page);

  std::string pagePath = HtmlPath("LetzteAuswertung.html");
  SavePage(pagePath, page);
  NotePagePart(pagePath, part, cls);
  state_.MinutesElapsed = e.minutes;
  state_.TimeLimitText = e.timeText;
  if (!e.training) {
    const std::string minutes = pf::IntToStr(e.minutes);
    std::string header = "<td>" + std::string{part, cls} + "/" + sheetId + "&nbsp;&nbsp;</td><td>[" + LogDate() +
                         "] &nbsp;" + pf::IntToStr(e.answered) + " von " + pf::IntToStr(e.questionCount) +
                         " Fragen in " + minutes + " min (" + e.timeText + ") bearbeitet.</td>";
    std::string verdict =
        e.percentage >= 73 ? "<b><font color=\"#00a000\">ok</font></b>" : "<b><font color=\"#d00000\">nein</font></b>";
    std::string listTitle = state_.OwnListTitle.empty() || mode != 'a' ? "" : "<br>[" + state_.OwnListTitle + "]";
    std::string result = "<td valign=\"top\">" + verdict + "</td><td>Richtig: " + pf::IntToStr(e.right) + " (" +
                         pf::IntToStr(e.percentage) + "%) &nbsp; Falsch: " + e.wrong + listTitle + "</td>";
    SaveExamLog(header, result);
    state_.OwnListTitle.clear();
  }
  state_.IgnoreNextHistoryChange = true;
  ShowPage(pagePath);
  port_.SetPanelColor(0, PanelColorNormal);
  port_.SetPanelColor(1, PanelColorNormal);
}

void Engine::WriteEvaluationHead(const Evaluation& e, pf::TStringList& page) {
  AddPageHead(page, "Pexu - Auswertung");
  AddLines(page, {"<table border=\"0\" cellspacing=\"2\" cellpadding=\"4\" width=\"95%\">", "<thead>", "<tr>",
                  "  <td colspan=\"3\">", "    <table border=\"0\" cellspacing=\"0\" cellpadding=\"0\" width=\"100%\">",
                  "    <tr>", "      <td><big>Auswertung</big></td>"});
  page.Add("      <td align=\"right\">Amateurfunkzeugnis Klasse " + std::string(1, e.cls) + "</td>");
  AddLines(page, {"    </tr>", "    </table>", "  </td>", "</tr>", "<tr>"});
  page.Add("  <td colspan=\"3\" bgcolor=\"" + e.dark + "\"><big>" + e.title + "</big></td>");
  AddLines(page, {"</tr>", "<tr>"});
  page.Add("  <td colspan=\"3\" bgcolor=\"" + e.middle + "\">" + pf::IntToStr(e.answered) + " von " +
           pf::IntToStr(e.questionCount) + " Fragen in " + pf::IntToStr(e.minutes) + " min (" + e.timeText +
           ") bearbeitet.</td>");
  AddLines(page, {"</tr>", "</thead>", "<tfoot>", "<tr>", "  <td colspan=\"3\">",
                  "    <table border=\"0\" cellspacing=\"0\" cellpadding=\"0\" width=\"100%\">", "    <tr>"});
  page.Add("      <td align=\"left\"><small>Pexu &nbsp;" + MailLink(port_.CompanyName()) + "</small></td>");
  page.Add("      <td align=\"right\">");
  page.Add("        <small>" + std::string(1, e.part) + "ID: " + e.sheetId + " &nbsp; " + PageDate() +
           "</small><br></td>");
  AddLines(page, {"    </tr>", "    </table>", "  </td>", "</tr>", "</tfoot>", "<tbody>"});
}

void Engine::GradeQuestions(Evaluation& e, const pf::TStrings& lines, pf::TStringList& page) {
  const std::string root = port_.ServerRoot();
  for (int i = 0; i < lines.Count(); ++i) {
    const std::string& line = lines[i];
    if (!Contains(line, "=N") && !Contains(line, "=W") && !Contains(line, "=R")) continue;
    std::string id = pf::Copy(line, 1, 5);
    page.Add("<tr>");
    page.Add("  <td bgcolor=\"" + e.light + "\" width=\"8%\"><b>" + id + "</b>");
    page.Add("  </td>");
    page.Add("  <td bgcolor=\"" + e.light + "\" width=\"6%\">");
    page.Add("    <a class=\"text\" href=\"" + id + ".qst\"><img src=\"" + root +
             "/pics/qm.gif\" vspace=\"2\" hspace=\"3\" align=\"left\" border=\"0\" title=\" Fragentext und richtige "
             "L&ouml;sung\"></a>");
    if (e.part == 'T')
      page.Add("    <a class=\"text\" href=\"" + id + ".sln\"><img src=\"" + root +
               "/pics/L.gif\" vspace=\"2\" hspace=\"3\" align=\"left\" border=\"0\" title=\" Die L&ouml;sung zu " + id +
               " von QX7RTZ\"></a>");
    if (Contains(line, "=W"))
      page.Add("    <a class=\"text\" href=\"" + id + ".qff\"><img src=\"" + root +
               "/pics/F.gif\" vspace=\"2\" hspace=\"3\" align=\"left\" border=\"0\" title=\" " + id + " zu " +
               std::string{e.part, e.cls} + "FalscheFragen.qlt hinzuf&uuml;gen\"></a>");
    page.Add("  </td>");
    page.Add("  <td bgcolor=\"" + e.light + "\" width=\"86%\">");
    if (Contains(lines[i], "=N")) page.Add("    <b><font color=\"#8f8f8f\">nicht bearbeitet</font></b></td>");
    if (Contains(lines[i], "=W")) {
      page.Add("    <b><font color=\"#d00000\">falsch</font></b></td>");
      e.wrong += id + " ";
      ++i;  // the question's hidden "=N" line
    }
    if (i < lines.Count() && Contains(lines[i], "=R")) {
      page.Add("    <b><font color=\"#00a000\">ok</font></b></td>");
      ++e.right;
      ++i;
    }
    page.Add("</tr>");
  }
}

void Engine::WriteEvaluationFoot(const Evaluation& e, pf::TStringList& page) {
  const std::string root = port_.ServerRoot();
  page.Add("<tr bgcolor=\"#f0f0f0\">");
  page.Add("  <td colspan=\"3\" bgcolor=\"" + e.middle + "\">" + pf::IntToStr(e.right) + " von " +
           pf::IntToStr(e.questionCount) +
           (e.passed ? " Fragen = <b><font color=\"#00a000\">" : " Fragen = <b><font color=\"#d00000\">") +
           pf::IntToStr(e.percentage) + "%</font></b> richtig</td>");
  page.Add("</tr>");
  if (!e.training) {
    if (!e.passed)
      page.Add(
          "<tr bgcolor=\"#ffd0d0\"><td colspan=\"3\">Schade, das wars noch nicht. Zum Bestehen dieses "
          "Pr&uuml;fungsteils m&uuml;ssen 73% erreicht werden. Auf ein <a class=\"text\" href=\"" +
          root + "/html/klasse" + std::string(1, e.cls) + ".html\">Neues!</a></td></tr>");
    else if (pf::StrToIntDef(e.timeText, 0) > e.minutes)
      page.Add(
          "<tr bgcolor=\"#d0ffd0\"><td colspan=\"3\">Gratulation! Sie haben diesen Pr&uuml;fungsteil "
          "bestanden!</td></tr>");
    else
      page.Add(
          "<tr bgcolor=\"#ffd0d0\"><td colspan=\"3\">Schade, Sie haben die 73% erreicht, aber das Zeitlimit "
          "&uuml;berschritten.</td></tr>");
  }
  page.Add(
      "<tr bgcolor=\"#f7f7f7\"><td colspan=\"3\"><small>Ein Klick auf das Fragezeichen zeigt den Fragentext und die "
      "richtige Antwort, einer auf das L die L&ouml;sung von QX7RTZ.</small></td></tr>");
  AddLines(page, {"<tr bgcolor=\"#f0f0f0\">", "  <td colspan=\"3\">",
                  "    <a class=\"text\" href=\"#top\" title=\" zum Seitenanfang\">[Top]</a> "});
  if (e.training)
    page.Add("<a class=\"text\" href=\"" + root +
             "/html/trainingA.html\">[Training Klasse A]</a> <a class=\"text\" href=\"" + root +
             "/html/trainingE.html\">[Training Klasse E]</a>");
  else
    page.Add("<a class=\"text\" href=\"" + root +
             "/html/klasseA.html\">[Pr&uuml;fungen Klasse A]</a> <a class=\"text\" href=\"" + root +
             "/html/klasseE.html\">[Pr&uuml;fungen Klasse E]</a> <a class=\"text\" href=\"" + root + "/html/statistik" +
             std::string(1, e.cls) + ".html\">[Statistik]</a>");
  page.Add("<a class=\"text\" href=\"" + state_.DataDir + "/html/LetzteAntworten.html\"> [Antwortenliste]</a></td>");
  AddLines(page, {"</tr>", "</tbody>", "</table>", "</div>", "</body>", "</html>"});
}

void Engine::LogSpeedButtonClick() {
  const std::string root = port_.ServerRoot();
  const pf::TStringList& log = state_.ExamLog;
  pf::TStringList page;
  AddPageHead(page, "Pexu - Pr&uuml;fungslog");
  AddLines(page, {"<table border=\"0\" cellpadding=\"2\" cellspacing=\"0\" width=\"95%\">", "<thead>", "<tr>",
                  "  <td colspan=\"2\">", "    <table border=\"0\" cellpadding=\"2\" cellspacing=\"0\" width=\"100%\">",
                  "    <tr>", "      <td><big>Pr&uuml;fungslog</big></td>"});
  page.Add("      <td align=\"right\">" + pf::IntToStr(log.Count() / 2) + " Eintr&auml;ge</td>");
  AddLines(page, {"      <td>&nbsp;</td>", "    </tr>", "    </table>", "  </td>", "</tr>", "</thead>", "<tfoot>",
                  "<tr bgcolor=\"#f0f0f0\">"});
  page.Add(
      "  <td colspan=\"2\"><a class=\"text\" href=\"#top\" title=\" zum Seitenanfang\">[Top]</a> <a class=\"text\" "
      "href=\"" +
      root + "/html/pruefungen.html\">[Pr&uuml;fungen]</a> <a class=\"text\" href=\"" + root +
      "/html/statistikA.html\">[Statistik Klasse A]</a> <a class=\"text\" href=\"" + root +
      "/html/statistikE.html\">[Statistik Klasse E]</a></td>");
  AddLines(page, {"</tr>", "<tr>", "  <td colspan=\"2\">",
                  "    <table border=\"0\" cellpadding=\"2\" cellspacing=\"0\" width=\"100%\">", "    <tr>",
                  "      <td align=\"left\">"});
  page.Add("        <small>Pexu &nbsp;" + MailLink(port_.CompanyName()) + "</small>");
  AddLines(page, {"      </td>", "      <td align=\"right\">"});
  page.Add("        <small>" + PageDate() + "</small><br></td>");
  AddLines(page, {"    </tr>", "    </table>", "  </td>", "</tr>", "</tfoot>", "<tbody>"});
  std::string colour;
  for (int i = 0; i < log.Count(); ++i) {
    if (i % 2 == 0) {
      // A hand-edited log may end with a header line alone: it takes the colour of a passed entry.
      // The verdict cell decides, not a list title that happens to contain the word.
      bool failed = i + 1 < log.Count() && Contains(log[i + 1], ">nein</font>");
      bool second = (i / 2) % 2 == 1;
      colour = failed ? (second ? "#fff0f0" : "#ffe7e7") : (second ? "#f0fff0" : "#e0ffe0");
    }
    page.Add("<tr bgcolor=\"" + colour + "\">");
    page.Add("  " + log[i]);
    page.Add("</tr>");
  }
  AddLines(page, {"</tbody>", "</table>", "</div>", "</body>", "</html>"});
  SaveAndShowPage(HtmlPath("LetztesLog.html"), page);
}

void Engine::LogloeschenClick() {
  if (!pf::FileExists(state_.LogPath)) return;
  if (!port_.Confirm("Wollen Sie " + pf::ExtractFileName(state_.LogPath) + std::string(" wirklich löschen?"_l1)))
    return;
  // The file found may differ from LogPath in case only; a log that stays on disk is not reported as deleted.
  if (!pf::DeleteFile(pf::ResolvePath(state_.LogPath))) {
    port_.ShowWarning(state_.LogPath + std::string(" konnte nicht gelöscht werden."_l1));
    return;
  }
  state_.ExamLog.Clear();
  LogSpeedButtonClick();
  port_.SetPanelText(0, " " + state_.LogPath + std::string(" wurde gelöscht."_l1));
}

}  // namespace engine
