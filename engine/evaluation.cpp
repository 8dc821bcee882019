// Evaluation of a submitted sheet, the exam log lines, the log page and deleting the log.
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

}  // namespace

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
    port_.ShowWarning(
        "Das Pr\xFC"
        "fungslog konnte nicht gespeichert werden: " +
        e.Message());
    return false;
  }
  return true;
}

void Engine::WriteEvaluationPage(char part, char cls, const pf::TStrings& results, const std::string& section,
                                 const std::string& sheetId, char mode) {
  port_.StopExamClock();
  port_.SetPanelText(1, "");
  // The state changes only once the page is written.
  const int32_t elapsed = state_.MinutesElapsed == 0 ? 1 : state_.MinutesElapsed;
  port_.SetAntwortenlisteEnabled(true);

  int32_t count = 0;
  std::string time, dark, middle, light, title;
  PartInfo(cls, part, mode, count, time, dark, middle, light, title);
  bool training = mode == 't';
  std::string timeText = state_.TimeLimitText;
  // A stale sheet is graded against its own questions: one hidden "=N" line stands for each.
  int32_t questionCount = state_.QuestionCount;
  if (sheetId != state_.SheetId) {
    questionCount = 0;
    for (int i = 0; i < results.Count(); ++i) questionCount += pf::Copy(results[i], 6, 2) == "=N";
  }
  if (training) {
    std::string s = section.empty() ? "---" : section;
    timeText = "-";
    title = "Training  " + pf::Copy(s, 1, 2) + "/" + pf::Copy(s, 3, 1) + "  " + pf::Copy(title, 18, 1000);
  }
  int answered = CountAnswered(results);
  const std::string root = port_.ServerRoot();
  const std::string minutes = pf::IntToStr(elapsed);
  const std::string partText(1, part), classText(1, cls);

  pf::TStringList page;
  auto add = [&page](std::string line) { page.Add(std::move(line)); };
  auto addAll = [&page](std::initializer_list<const char*> items) {
    for (const char* item : items) page.Add(item);
  };
  AddPageHead(page, "Pexu - Auswertung");
  addAll({"<table border=\"0\" cellspacing=\"2\" cellpadding=\"4\" width=\"95%\">", "<thead>", "<tr>",
          "  <td colspan=\"3\">", "    <table border=\"0\" cellspacing=\"0\" cellpadding=\"0\" width=\"100%\">",
          "    <tr>", "      <td><big>Auswertung</big></td>"});
  add("      <td align=\"right\">Amateurfunkzeugnis Klasse " + classText + "</td>");
  addAll({"    </tr>", "    </table>", "  </td>", "</tr>", "<tr>"});
  add("  <td colspan=\"3\" bgcolor=\"" + dark + "\"><big>" + title + "</big></td>");
  addAll({"</tr>", "<tr>"});
  add("  <td colspan=\"3\" bgcolor=\"" + middle + "\">" + pf::IntToStr(answered) + " von " +
      pf::IntToStr(questionCount) + " Fragen in " + minutes + " min (" + timeText + ") bearbeitet.</td>");
  addAll({"</tr>", "</thead>", "<tfoot>", "<tr>", "  <td colspan=\"3\">",
          "    <table border=\"0\" cellspacing=\"0\" cellpadding=\"0\" width=\"100%\">", "    <tr>"});
  add("      <td align=\"left\"><small>Pexu &nbsp;" + MailLink(port_.CompanyName()) + "</small></td>");
  add("      <td align=\"right\">");
  add("        <small>" + partText + "ID: " + sheetId + " &nbsp; " + PageDate() + "</small><br></td>");
  addAll({"    </tr>", "    </table>", "  </td>", "</tr>", "</tfoot>", "<tbody>"});

  int right = 0;
  std::string wrong;
  for (int i = 0; i < results.Count(); ++i) {
    const std::string& line = results[i];
    if (!Contains(line, "=N") && !Contains(line, "=W") && !Contains(line, "=R")) continue;
    std::string id = pf::Copy(line, 1, 5);
    add("<tr>");
    add("  <td bgcolor=\"" + light + "\" width=\"8%\"><b>" + id + "</b>");
    add("  </td>");
    add("  <td bgcolor=\"" + light + "\" width=\"6%\">");
    add("    <a class=\"text\" href=\"" + id + ".qst\"><img src=\"" + root +
        "/pics/qm.gif\" vspace=\"2\" hspace=\"3\" align=\"left\" border=\"0\" title=\" Fragentext und richtige "
        "L&ouml;sung\"></a>");
    if (part == 'T')
      add("    <a class=\"text\" href=\"" + id + ".sln\"><img src=\"" + root +
          "/pics/L.gif\" vspace=\"2\" hspace=\"3\" align=\"left\" border=\"0\" title=\" Die L&ouml;sung zu " + id +
          " von QX7RTZ\"></a>");
    if (Contains(line, "=W"))
      add("    <a class=\"text\" href=\"" + id + ".qff\"><img src=\"" + root +
          "/pics/F.gif\" vspace=\"2\" hspace=\"3\" align=\"left\" border=\"0\" title=\" " + id + " zu " + partText +
          classText + "FalscheFragen.qlt hinzuf&uuml;gen\"></a>");
    add("  </td>");
    add("  <td bgcolor=\"" + light + "\" width=\"86%\">");
    if (Contains(results[i], "=N")) add("    <b><font color=\"#8f8f8f\">nicht bearbeitet</font></b></td>");
    if (Contains(results[i], "=W")) {
      add("    <b><font color=\"#d00000\">falsch</font></b></td>");
      wrong += id + " ";
      ++i;  // the question's hidden "=N" line
    }
    if (i < results.Count() && Contains(results[i], "=R")) {
      add("    <b><font color=\"#00a000\">ok</font></b></td>");
      ++right;
      ++i;
    }
    add("</tr>");
  }

  // No questions: nothing is right, and nothing divides by zero.
  int percentage = questionCount > 0 ? static_cast<int>(pf::Trunc(100.0 * right / questionCount)) : 0;
  bool passed = questionCount > 0 && right >= questionCount * 0.73;
  add("<tr bgcolor=\"#f0f0f0\">");
  add("  <td colspan=\"3\" bgcolor=\"" + middle + "\">" + pf::IntToStr(right) + " von " + pf::IntToStr(questionCount) +
      (passed ? " Fragen = <b><font color=\"#00a000\">" : " Fragen = <b><font color=\"#d00000\">") +
      pf::IntToStr(percentage) + "%</font></b> richtig</td>");
  add("</tr>");
  if (!training) {
    if (!passed)
      add("<tr bgcolor=\"#ffd0d0\"><td colspan=\"3\">Schade, das wars noch nicht. Zum Bestehen dieses "
          "Pr&uuml;fungsteils m&uuml;ssen 73% erreicht werden. Auf ein <a class=\"text\" href=\"" +
          root + "/html/klasse" + classText + ".html\">Neues!</a></td></tr>");
    else if (pf::StrToIntDef(timeText, 0) > elapsed)
      add("<tr bgcolor=\"#d0ffd0\"><td colspan=\"3\">Gratulation! Sie haben diesen Pr&uuml;fungsteil "
          "bestanden!</td></tr>");
    else
      add("<tr bgcolor=\"#ffd0d0\"><td colspan=\"3\">Schade, Sie haben die 73% erreicht, aber das Zeitlimit "
          "&uuml;berschritten.</td></tr>");
  }
  add("<tr bgcolor=\"#f7f7f7\"><td colspan=\"3\"><small>Ein Klick auf das Fragezeichen zeigt den Fragentext und die "
      "richtige Antwort, einer auf das L die L&ouml;sung von QX7RTZ.</small></td></tr>");
  addAll({"<tr bgcolor=\"#f0f0f0\">", "  <td colspan=\"3\">",
          "    <a class=\"text\" href=\"#top\" title=\" zum Seitenanfang\">[Top]</a> "});
  if (training)
    add("<a class=\"text\" href=\"" + root +
        "/html/trainingA.html\">[Training Klasse A]</a> <a class=\"text\" href=\"" + root +
        "/html/trainingE.html\">[Training Klasse E]</a>");
  else
    add("<a class=\"text\" href=\"" + root +
        "/html/klasseA.html\">[Pr&uuml;fungen Klasse A]</a> <a class=\"text\" href=\"" + root +
        "/html/klasseE.html\">[Pr&uuml;fungen Klasse E]</a> <a class=\"text\" href=\"" + root + "/html/statistik" +
        classText + ".html\">[Statistik]</a>");
  add("<a class=\"text\" href=\"" + state_.DataDir + "/html/LetzteAntworten.html\"> [Antwortenliste]</a></td>");
  addAll({"</tr>", "</tbody>", "</table>", "</div>", "</body>", "</html>"});

  std::string pagePath = HtmlPath("LetzteAuswertung.html");
  SavePage(pagePath, page);
  state_.MinutesElapsed = elapsed;
  state_.TimeLimitText = timeText;
  if (!training) {
    std::string header = "<td>" + partText + classText + "/" + sheetId + "&nbsp;&nbsp;</td><td>[" + LogDate() +
                         "] &nbsp;" + pf::IntToStr(answered) + " von " + pf::IntToStr(questionCount) + " Fragen in " +
                         minutes + " min (" + timeText + ") bearbeitet.</td>";
    std::string verdict =
        percentage >= 73 ? "<b><font color=\"#00a000\">ok</font></b>" : "<b><font color=\"#d00000\">nein</font></b>";
    std::string listTitle = state_.OwnListTitle.empty() || mode != 'a' ? "" : "<br>[" + state_.OwnListTitle + "]";
    std::string result = "<td valign=\"top\">" + verdict + "</td><td>Richtig: " + pf::IntToStr(right) + " (" +
                         pf::IntToStr(percentage) + "%) &nbsp; Falsch: " + wrong + listTitle + "</td>";
    SaveExamLog(header, result);
    state_.OwnListTitle.clear();
  }
  state_.IgnoreNextHistoryChange = true;
  ShowPage(pagePath);
  port_.SetPanelColor(0, PanelColorNormal);
  port_.SetPanelColor(1, PanelColorNormal);
}

void Engine::LogSpeedButtonClick() {
  const std::string root = port_.ServerRoot();
  const pf::TStringList& log = state_.ExamLog;
  pf::TStringList page;
  auto add = [&page](std::string line) { page.Add(std::move(line)); };
  auto addAll = [&page](std::initializer_list<const char*> items) {
    for (const char* item : items) page.Add(item);
  };
  AddPageHead(page, "Pexu - Pr&uuml;fungslog");
  addAll({"<table border=\"0\" cellpadding=\"2\" cellspacing=\"0\" width=\"95%\">", "<thead>", "<tr>",
          "  <td colspan=\"2\">", "    <table border=\"0\" cellpadding=\"2\" cellspacing=\"0\" width=\"100%\">",
          "    <tr>", "      <td><big>Pr&uuml;fungslog</big></td>"});
  add("      <td align=\"right\">" + pf::IntToStr(log.Count() / 2) + " Eintr&auml;ge</td>");
  addAll({"      <td>&nbsp;</td>", "    </tr>", "    </table>", "  </td>", "</tr>", "</thead>", "<tfoot>",
          "<tr bgcolor=\"#f0f0f0\">"});
  add("  <td colspan=\"2\"><a class=\"text\" href=\"#top\" title=\" zum Seitenanfang\">[Top]</a> <a class=\"text\" "
      "href=\"" +
      root + "/html/pruefungen.html\">[Pr&uuml;fungen]</a> <a class=\"text\" href=\"" + root +
      "/html/statistikA.html\">[Statistik Klasse A]</a> <a class=\"text\" href=\"" + root +
      "/html/statistikE.html\">[Statistik Klasse E]</a></td>");
  addAll({"</tr>", "<tr>", "  <td colspan=\"2\">",
          "    <table border=\"0\" cellpadding=\"2\" cellspacing=\"0\" width=\"100%\">", "    <tr>",
          "      <td align=\"left\">"});
  add("        <small>Pexu &nbsp;" + MailLink(port_.CompanyName()) + "</small>");
  addAll({"      </td>", "      <td align=\"right\">"});
  add("        <small>" + PageDate() + "</small><br></td>");
  addAll({"    </tr>", "    </table>", "  </td>", "</tr>", "</tfoot>", "<tbody>"});
  std::string colour;
  for (int i = 0; i < log.Count(); ++i) {
    if (i % 2 == 0) {
      // A hand-edited log may end with a header line alone: it takes the colour of a passed entry.
      // The verdict cell decides, not a list title that happens to contain the word.
      bool failed = i + 1 < log.Count() && Contains(log[i + 1], ">nein</font>");
      bool second = (i / 2) % 2 == 1;
      colour = failed ? (second ? "#fff0f0" : "#ffe7e7") : (second ? "#f0fff0" : "#e0ffe0");
    }
    add("<tr bgcolor=\"" + colour + "\">");
    add("  " + log[i]);
    add("</tr>");
  }
  addAll({"</tbody>", "</table>", "</div>", "</body>", "</html>"});
  SaveAndShowPage(HtmlPath("LetztesLog.html"), page);
}

void Engine::LogloeschenClick() {
  if (!pf::FileExists(state_.LogPath)) return;
  if (!port_.Confirm("Wollen Sie " + pf::ExtractFileName(state_.LogPath) + " wirklich l\xF6schen?")) return;
  // The file found may differ from LogPath in case only; a log that stays on disk is not reported as deleted.
  if (!pf::DeleteFile(pf::ResolvePath(state_.LogPath))) {
    port_.ShowWarning(state_.LogPath + " konnte nicht gel\xF6scht werden.");
    return;
  }
  state_.ExamLog.Clear();
  LogSpeedButtonClick();
  port_.SetPanelText(0, " " + state_.LogPath + " wurde gel\xF6scht.");
}

}  // namespace engine
