// Exam and training sheets: the form dispatcher, the sheet builder with its page templates and the answer list.
#include <limits>

#include "engine/catalogue.h"
#include "engine/engine.h"
#include "engine/procs.h"
#include "platform/core/datetime.h"
#include "platform/core/exceptions.h"
#include "platform/core/files.h"
#include "platform/core/mathutil.h"
#include "platform/core/strings.h"

namespace engine {

using namespace pf::literals;

std::string PageDate() { return pf::FormatDateTime("dd.mm.yyyy  hh:nn:ss", pf::Now()); }
std::string LogDate() { return pf::FormatDateTime("dd.mm.yyyy hh:nn:ss", pf::Now()); }

std::string MailLink(const std::string& company) {
  return "<a class=\"text\" href=\"mailto:" + std::string(ContactAddress) + "\">" + company + "</a>";
}

void AddLines(pf::TStrings& page, std::initializer_list<std::string_view> lines) {
  for (std::string_view line : lines) page.Add(std::string(line));
}

void Engine::AddPageHead(pf::TStringList& page, const std::string& title) {
  AddLines(page, {"<html>", "<head>"});
  page.Add("<title>" + title + "</title>");
  page.Add("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=iso-8859-15\">");
  page.Add("<link rel=\"stylesheet\" href=\"" + port_.ServerRoot() + "/css/pexu2.css\" type=\"text/css\">");
  AddLines(page, {"</head>", "<body text=\"#202020\">", "<a name=\"top\"></a><div align=\"center\">"});
}

std::string Engine::HtmlPath(const std::string& name) const {
  return pf::PathJoin(pf::PathJoin(state_.DataDir, "html"), name);
}

void Engine::SavePage(const std::string& fileName, const pf::TStrings& lines) { lines.SaveToFile(fileName); }

void Engine::ShowPage(const std::string& fileName) {
  port_.LoadFromFile(fileName + "#top");
  port_.SetCaption(port_.DocumentTitle());
  port_.FocusViewer();
}

void Engine::SaveAndShowPage(const std::string& fileName, const pf::TStrings& lines) {
  SavePage(fileName, lines);
  ShowPage(fileName);
}

void Engine::NotePagePart(const std::string& fileName, char part, char cls) {
  const std::string path = pf::ExpandFileName(fileName);
  for (PageRecord& page : pageParts_) {
    if (pf::SameText(page.path, path)) {
      page.part = part;
      page.cls = cls;
      return;
    }
  }
  pageParts_.push_back({path, part, cls});
}

std::pair<char, char> Engine::PagePart(const std::string& path) const {
  const std::string expanded = pf::ExpandFileName(path);
  for (const PageRecord& page : pageParts_)
    if (pf::SameText(page.path, expanded)) return {page.part, page.cls};
  return {state_.PartLetter, state_.ClassLetter};
}

namespace {

bool IsPartLetter(char c) { return c == 'T' || c == 'B' || c == 'V'; }
bool IsClassLetter(char c) { return c == 'A' || c == 'E'; }

// A training section: a chapter prefix of two letters and a block digit 1-9.
bool IsSection(std::string_view s) {
  auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
  return s.size() == 3 && letter(s[0]) && letter(s[1]) && s[2] >= '1' && s[2] <= '9';
}

std::string ShownTime(const std::string& timeText) { return timeText == "9999" ? "-" : timeText; }

// The picture row takes this much of a picture path after its leading dot.
constexpr int kPicturePathLength = 50;
// Sheets of this run kept for grading; older ones are graded as sheets of unknown questions.
constexpr size_t kKeptSheets = 100;

}  // namespace

bool IsCataloguePart(char part, char cls) {
  return (part == 'T' && IsClassLetter(cls)) || ((part == 'B' || part == 'V') && cls == 'E');
}

void Engine::PexuPageViewerFormSubmit(const std::string& action, const std::string& target, const std::string& encType,
                                      const std::string& method, const pf::TStrings& results) {
  char kind = action.size() >= 5 ? action[4] : ' ';
  if (kind == 'A') {
    // The sheet's own form.
    std::string part = results.Values("gebiet"), id = results.Values("testid");
    if (part.size() != 1 || !IsPartLetter(part[0]) || id.empty() || results.Values("teil") != "A") {
      port_.ShowWarning("Die Antworten passen nicht zu einem Fragebogen von Pexu und werden nicht ausgewertet.");
      return;
    }
    for (int i = 0; i < results.Count(); ++i) {
      const std::string& line = results[i];
      std::string name = results.Names(i), value = results.ValueFromIndex(i);
      if (name == "teil" || name == "gebiet" || name == "testid") continue;
      bool sound = name.size() == 5 && name.find(' ') == std::string::npos &&
                   (value == "N" ||
                    (value.size() == 2 && (value[0] == 'R' || value[0] == 'W') && value[1] >= '1' && value[1] <= '4'));
      if (!sound) {
        port_.ShowWarning("Die Antworten passen nicht zu einem Fragebogen von Pexu und werden nicht ausgewertet (" +
                          line + ").");
        return;
      }
    }
    // The hidden fields name the sheet's part and number; technical sheets of both classes are numbered
    // separately, so the submitted questions tell which of them it is. A sheet older than the one drawn last is
    // graded with its own class and section as training and not logged.
    const SheetRecord* sheet = FindSubmittedSheet(part[0], id, results);
    char cls = sheet ? sheet->cls : part[0] == 'T' ? state_.ClassLetter : 'E';
    bool current = part[0] == state_.PartLetter && cls == state_.ClassLetter && id == state_.SheetId;
    std::string section = current ? state_.TrainingSection : sheet ? sheet->section : "";
    WriteEvaluationPage(part[0], cls, results, section, id, current ? state_.ModeLetter : 't');
    state_.ModeLetter = 't';
    return;
  }
  if (kind != 'T' && kind != 'U') {
    port_.ShowWarning("Unbekannte Formularaktion \"" + action + "\".");
    return;
  }
  char cls = action.size() >= 6 ? pf::AnsiUpperChar(action[5]) : ' ';
  char part = results.Count() >= 1 && results[0].size() >= 6 ? pf::AnsiUpperChar(results[0][5]) : ' ';
  if (!IsClassLetter(cls) || !IsPartLetter(part) || results[0].size() != 6) {
    port_.ShowWarning(
        std::string("Das Formular der Seite passt nicht zu Pexu: Teil und Klasse fehlen oder sind ungültig."_l1));
    return;
  }
  std::string sheetId = state_.SheetId;
  if (kind == 'T') {
    char mode = 'k';
    if (BuildExamSheet(part, cls, sheetId, "", mode)) state_.OwnListTitle.clear();
    return;
  }
  std::string section = results.Count() >= 2 ? pf::UpperCase(pf::Copy(results[1], 11, 3)) : "";
  if (results.Count() < 2 || results[1].size() != 13 || !IsSection(section)) {
    port_.ShowWarning(
        std::string("Das Trainingsformular der Seite passt nicht zu Pexu: der Abschnitt fehlt oder ist ungültig."_l1));
    return;
  }
  char mode = 't';
  BuildExamSheet(part, cls, sheetId, section, mode);
}

bool Engine::BuildExamSheet(char part, char cls, std::string& sheetId, const std::string& section, char& mode,
                            const QuestionList* ownList) {
  if (mode == 'a' && !ownList) throw pf::EInvalidOperation("BuildExamSheet: an own-list sheet needs its list");
  if (!IsCataloguePart(part, cls)) {
    port_.ShowWarning(std::string("Den Prüfungsteil "_l1) + part + cls + " gibt es nicht (nur TA, TE, BE und VE).");
    return false;
  }
  port_.SetPanelColor(0, PanelColorNormal);
  port_.SetPanelColor(1, PanelColorNormal);
  port_.SetPanelText(1, "");

  Sheet sheet;
  sheet.part = part;
  sheet.cls = cls;
  sheet.mode = mode;
  int32_t count = 0;
  PartInfo(cls, part, mode, count, sheet.timeText, sheet.dark, sheet.middle, sheet.light, sheet.title);
  // However the build ends without a sheet, by a warning or by a ZIP or file error on its way to the framework's
  // handler, the pool of the running sheet stays (the question window reads it).
  struct PoolKeeper {
    pf::TStringList& pool;
    pf::TStringList old;
    bool built = false;
    ~PoolKeeper() {
      if (!built) pool.Assign(old);
    }
  } keeper{state_.CatalogueLines, state_.CatalogueLines};
  sheet.selected.SetSorted(true);
  if (!CountPoolQuestions(part, cls, sheet.poolSize)) return false;
  bool drawn = false;
  if (mode == 'a') {
    sheet.questionCount = ownList->questionCount;
    sheet.timeText = ownList->timeText;
    drawn = SelectFromOwnList(*ownList, sheet.selected);
  } else if (mode == 'k') {
    sheet.questionCount = count;
    if (state_.SettingFVBNetzA) {
      int32_t sectionCount = 0;  // the questions drawn; PoolSize keeps the pool's size
      drawn = SelectBySections(part, cls, sectionCount, sheet.selected);
    } else {
      std::string asked = state_.SettingAskedList ? std::string{part, cls} : "";
      int eligible = 0;
      drawn = DrawQuestionNumbers(state_, sheet.poolSize, count, 1, asked, state_.SettingZufallszahlen, sheet.selected,
                                  &eligible);
      if (!drawn)
        port_.ShowWarning("Der Fragenkatalog " + std::string{part, cls} + " hat nur " + pf::IntToStr(eligible) +
                          std::string(" Fragen, ein Prüfungsbogen braucht "_l1) + pf::IntToStr(count) + ".");
    }
  } else {
    sheet.section = section;
    sheet.title = pf::Copy(section, 1, 2) + "/" + pf::Copy(section, 3, 1) + "  " + pf::Copy(sheet.title, 18, 1000);
    int32_t found = 0;
    drawn = SelectTrainingBlock(part, cls, found, sheet.selected, section);
    sheet.questionCount = found;
  }
  if (!drawn) return false;
  if (sheet.questionCount <= 0 || sheet.selected.Count() == 0) {
    port_.ShowWarning(std::string("Der Fragebogen enthält keine Fragen."_l1));
    return false;
  }
  if (!WriteSheet(sheet)) return false;
  keeper.built = true;
  sheetId = sheet.sheetId;
  return true;
}

void Engine::WriteSheetHeader(const Sheet& sheet, const std::string& version, pf::TStringList& page) {
  AddPageHead(page, "Pexu - Quendolar");
  AddLines(page, {"<form name=\"formular\" action=\"PexuA\" method=\"post\">",
                  "  <table border=\"0\" cellpadding=\"0\" cellspacing=\"0\" width=\"95%\">", "  <thead>",
                  "  <tr align=\"center\">", "    <td>",
                  "      <table border=\"0\" cellpadding=\"3\" cellspacing=\"0\" width=\"95%\">", "      <tr>"});
  page.Add("        <td><big>" + sheet.title + "</big></td>");
  page.Add("        <td align=\"center\">Amateurfunkzeugnis Klasse " + std::string(1, sheet.cls) + "</td>");
  page.Add("        <td align=\"right\">" + pf::IntToStr(sheet.questionCount) +
           " Fragen &nbsp; Zeit: " + ShownTime(sheet.timeText) + " Minuten</td>");
  AddLines(page, {"      </tr>", "      </table>", "    </td>", "  </tr>", "  </thead>", "  <tfoot>",
                  "  <tr align=\"center\">", "    <td>",
                  "      <table border=\"0\" cellspacing=\"0\" cellpadding=\"4\" width=\"95%\">"});
  page.Add("      <tr bgcolor=\"" + sheet.middle + "\">");
  AddLines(page, {"        <td><a class=\"text\" href=\"#top\" title=\" zum Seitenanfang\">[Top]</a></td>",
                  "        <td align=\"right\"><input type=\"submit\" value=\" auswerten \"></td>", "      </tr>",
                  "      </table>", "      <table border=\"0\" cellspacing=\"0\" cellpadding=\"2\" width=\"95%\">",
                  "      <tr>", "        <td align=\"left\">"});
  page.Add("          <small>Pexu &nbsp;" + version + " &nbsp; " + MailLink(port_.CompanyName()) + "</small>");
  AddLines(page, {"        </td>", "        <td align=\"right\">"});
  page.Add("          <small>" + std::string(1, sheet.part) + "ID: " + sheet.sheetId + " &nbsp; " + PageDate() +
           "</small><br></td>");
  AddLines(page, {"      </tr>", "      </table>", "    </td>", "  </tr>", "  </tfoot>", "  <tbody>"});
}

void WriteQuestionTextRow(pf::TStrings& page, const std::string& colour, const std::string& text) {
  page.Add("      <tr bgcolor=\"" + colour + "\">");
  page.Add("        <td colspan=\"2\"><b>" + UmlautsToEntities(text) + "</b></td>");
  page.Add("      </tr>");
}

void WritePictureRow(pf::TStrings& page, const std::string& colour, const std::string& root,
                     const std::string& picture) {
  page.Add("      <tr bgcolor=\"" + colour + "\">");
  page.Add("        <td colspan=\"2\"><img src=\"" + root + pf::Copy(picture, 2, kPicturePathLength) +
           "\" vspace=\"2\" hspace=\"5\" border=\"0\" alt=\"" + picture + "\"></td>");
  page.Add("      </tr>");
}

void WriteAnswerRow(pf::TStrings& page, const std::string& colour, const std::string& root, std::string answer,
                    const std::string& id, int position) {
  ReplaceAll(answer, "./pics", root + "/pics");
  page.Add("      <tr bgcolor=\"" + colour + "\">");
  if (id.empty()) {
    page.Add("        <td>&nbsp;</td>");
  } else {
    page.Add("        <td><input type=\"radio\" name=\"" + id + "\" value=\"" + pf::UpperCase(answer.substr(0, 1)) +
             pf::IntToStr(position) + "\"></td>");
  }
  page.Add("        <td>" + UmlautsToEntities(pf::Copy(answer, 3, static_cast<int>(answer.size()))) + "</td>");
  page.Add("      </tr>");
}

void Engine::WriteQuestionBlock(const Sheet& sheet, const QuestionRecord& record, int index, const pf::TStrings& order,
                                pf::TStringList& page, pf::TStrings& key) {
  const std::string root = port_.ServerRoot();
  const std::string& id = record.Id;
  const std::string& colour = sheet.light;
  AddLines(page, {"    <tr align=\"center\" {page-break-inside: avoid;} >", "      <td>",
                  "        <table border=\"0\" cellpadding=\"5\" cellspacing=\"0\" width=\"95%\">"});
  // The identifier row; training sheets link to the question window and, for part T, to the worked solution.
  page.Add("      <tr bgcolor=\"" + sheet.middle + "\">");
  page.Add("        <td width=\"2%\"><b>" + id + "</b></td>");
  std::string ordinal = "<font color=\"#000000\"><small>" + pf::IntToStr(index + 1) + "</small></font></td>";
  if (sheet.mode == 't') {
    page.Add("        <td width=\"98%\" align=\"right\">");
    page.Add(
        "          <a class=\"text\" href=\"" + id + ".qst\"><img src=\"" + root +
        "/pics/qm.gif\" vspace=\"2\" hspace=\"3\" align=\"left\" border=\"0\" title=\" Die richtige Antwort\"></a>");
    if (sheet.part == 'T')
      ordinal = "          <a class=\"text\" href=\"" + id + ".sln\"><img src=\"" + root +
                "/pics/L.gif\" vspace=\"2\" hspace=\"3\" align=\"left\" border=\"0\" title=\" Die L&ouml;sung zu " +
                id + " von QX7RTZ\"></a>" + ordinal;
    page.Add(ordinal);
  } else {
    page.Add("        <td width=\"98%\" align=\"right\">" + ordinal);
  }
  page.Add("      </tr>");
  WriteQuestionTextRow(page, colour, record.Text);
  if (!record.Picture.empty()) WritePictureRow(page, colour, root, record.Picture);
  // The answer in catalogue position j stands at display position order[j].
  for (int position = 1; position <= 4; ++position) {
    int j = 0;
    while (j < 4 && pf::StrToInt(order[j]) != position) ++j;
    const std::string& answer = record.Answers[j];
    WriteAnswerRow(page, colour, root, answer, id, position);
    if (IsRightAnswer(answer)) key.Add(id + PadWithZeros(pf::IntToStr(position), 4));
  }
  page.Add("        <tr bgcolor=\"#ffffff\">");
  page.Add("          <td colspan=\"2\" height=\"5\"><input type=\"hidden\" name=\"" + id + "\" value=\"N\"></td>");
  AddLines(page, {"        </tr>", "        </table>", "      </td>", "    </tr>"});
}

bool Engine::WriteSheet(Sheet& sheet) {
  const std::string code{sheet.part, sheet.cls};
  const pf::TStrings& lines = state_.CatalogueLines;

  // The sheet number comes from the settings file; it is written back once every question is placed. It stays
  // positive: past the largest number, or after a negative one in a damaged file, the count starts again at 1.
  pf::TIniFile& ini = *state_.IniFile;
  const int32_t stored = ini.ReadInteger("IDs", code + "ID", 0);
  const int32_t number = stored >= 0 && stored < std::numeric_limits<int32_t>::max() ? stored + 1 : 1;
  sheet.sheetId = pf::IntToStr(number);
  pf::TStringList page;
  WriteSheetHeader(sheet, PoolVersion(lines), page);

  // The selected questions in catalogue order, each with its own random answer order.
  pf::TStringList key;
  std::vector<std::string> ids;
  int placed = 0, questionNumber = 0;
  for (int i = 1; i < lines.Count() && placed < sheet.selected.Count(); ++i) {
    if (pf::Copy(lines[i], 1, 2) != "::") continue;
    ++questionNumber;
    if (questionNumber != pf::StrToIntDef(sheet.selected[placed], -1)) continue;
    pf::TStringList order;
    DrawAnswerOrder(state_, order);
    QuestionRecord record = ReadQuestionRecord(lines, i);
    if (record.Answers.size() != 4) {
      port_.SetProgress(0);
      port_.ShowWarning("Die Frage " + record.Id + " im Fragenkatalog " + code + " hat nicht vier Antworten.");
      return false;
    }
    WriteQuestionBlock(sheet, record, placed, order, page, key);
    ids.push_back(record.Id);
    ++placed;
    port_.SetProgress(pf::Trunc(80.0 * placed / sheet.questionCount + 0.5));
  }
  if (placed != sheet.selected.Count()) {
    port_.SetProgress(0);
    port_.ShowWarning("Nicht alle gezogenen Fragen stehen im Fragenkatalog " + code + ".");
    return false;
  }
  AddLines(page, {"  </tbody>", "  </table>", "  <input type=\"hidden\" name=\"teil\" value=\"A\">"});
  page.Add("  <input type=\"hidden\" name=\"gebiet\" value=\"" + std::string(1, sheet.part) + "\">");
  page.Add("  <input type=\"hidden\" name=\"testid\" value=\"" + sheet.sheetId + "\">");
  AddLines(page, {"</form>", "</div>", "</body>", "</html>"});

  ini.WriteInteger("IDs", code + "ID", number);
  pf::TStringList answers;
  WriteAnswerListPage(sheet, key, answers);
  std::string sheetPath = HtmlPath("LetztePruefung.html");
  SavePage(HtmlPath("LetzteAntworten.html"), answers);
  SavePage(sheetPath, page);

  // The pages are written: from here on the shared state describes the new sheet.
  state_.PartLetter = sheet.part;
  state_.ClassLetter = sheet.cls;
  state_.ModeLetter = sheet.mode;
  state_.SheetId = sheet.sheetId;
  state_.QuestionCount = sheet.questionCount;
  state_.PoolSize = sheet.poolSize;
  state_.TimeLimitText = sheet.timeText;
  state_.TimeLimit = pf::StrToIntDef(sheet.timeText, 0);
  if (sheet.mode == 't') state_.TrainingSection = sheet.section;
  state_.SelectedQuestions.Assign(sheet.selected);
  if (sheets_.size() == kKeptSheets) sheets_.erase(sheets_.begin());
  sheets_.push_back({sheet.part, sheet.cls, sheet.sheetId, sheet.section, std::move(ids)});
  NotePagePart(sheetPath, sheet.part, sheet.cls);
  NotePagePart(HtmlPath("LetzteAntworten.html"), sheet.part, sheet.cls);
  // Only an exam watches for being left; a training sheet leaves the flag to the history handler.
  if (sheet.mode != 't') state_.IgnoreNextHistoryChange = true;
  port_.SetAntwortenlisteEnabled(sheet.mode == 't');
  ShowPage(sheetPath);
  port_.SetProgress(0);
  port_.StopExamClock();
  port_.SetPanelText(1, "");
  state_.MinutesElapsed = 0;
  port_.StartExamClock();
  return true;
}

void Engine::WriteAnswerListPage(const Sheet& sheet, const pf::TStrings& key, pf::TStringList& page) {
  const std::string root = port_.ServerRoot();
  const std::string cls(1, sheet.cls);
  AddPageHead(page, "Pexu - Antwortenliste");
  AddLines(page, {"<table border=\"0\" cellpadding=\"0\" cellspacing=\"0\" width=\"95%\">", "<thead>", "<tr>", "  <td>",
                  "    <table border=\"0\" cellpadding=\"3\" cellspacing=\"0\" width=\"100%\">", "    <tr>"});
  page.Add("      <td><big>Antwortenliste zu " + std::string(1, sheet.part) + "ID " + sheet.sheetId + "</big></td>");
  AddLines(page, {"    </tr>", "    </table>", "  </td>", "</tr>", "<tr>", "  <td>",
                  "    <table border=\"0\" cellpadding=\"3\" cellspacing=\"0\" width=\"100%\">"});
  page.Add("    <tr bgcolor=\"" + sheet.dark + "\">");
  page.Add("      <td><big>" + sheet.title + "</big></td>");
  page.Add("      <td align=\"center\">Amateurfunkzeugnis Klasse " + cls + "</td>");
  page.Add("      <td align=\"right\">" + pf::IntToStr(sheet.questionCount) +
           " Fragen &nbsp; Zeit: " + ShownTime(sheet.timeText) + " Minuten</td>");
  AddLines(page, {"    </tr>", "    </table>", "  </td>", "</tr>", "<tr>", "  <td>",
                  "    <table border=\"0\" cellpadding=\"4\" cellspacing=\"2\" width=\"100%\">"});
  page.Add("    <tr bgcolor=\"" + sheet.middle + "\">");
  page.Add("      <td width=\"60\">Frage</td>");
  for (const char* letter : {"A", "B", "C", "D"})
    page.Add("      <td align=\"center\" width=\"30\" bgcolor=\"#f0f0f0\">" + std::string(letter) + "</td>");
  AddLines(
      page,
      {"      <td>&nbsp;</td>", "    </tr>", "    </table>", "  </td>", "</tr>", "</thead>", "<tfoot>", "<tr>",
       "  <td>", "    <table border=\"0\" cellpadding=\"4\" cellspacing=\"0\" width=\"100%\">",
       "    <tr bgcolor=\"#f7f7f7\"><td><small>Ein Klick auf die Fragenummer zeigt den Fragentext und die richtige "
       "Antwort.</small></td></tr>",
       "    <tr bgcolor=\"#f0f0f0\">"});
  page.Add("      <td><a class=\"text\" href=\"#top\" title=\" zum Seitenanfang\">[Top]</a> <a class=\"text\" href=\"" +
           root + "/html/training" + cls + ".html\">[Training]</a> <a class=\"text\" href=\"" + root + "/html/klasse" +
           cls + ".html\">[Pr&uuml;fungen]</a></td>");
  AddLines(page,
           {"    </tr>", "    </table>", "    <table border=\"0\" cellspacing=\"0\" cellpadding=\"2\" width=\"100%\">",
            "    <tr>", "      <td align=\"left\">"});
  page.Add("        <small>Pexu &nbsp;" + MailLink(port_.CompanyName()) + "</small>");
  AddLines(page, {"      </td>", "      <td align=\"right\">"});
  page.Add("        <small>" + PageDate() + "</small><br></td>");
  AddLines(page, {"    </tr>", "    </table>", "  </td>", "</tr>", "</tfoot>", "<tbody>", "<tr>", "  <td>",
                  "    <table border=\"0\" cellpadding=\"4\" cellspacing=\"2\" width=\"100%\">"});
  for (int i = 0; i < key.Count(); ++i) {
    const std::string& e = key[i];
    std::string id = pf::Copy(e, 1, 5);
    page.Add("  <tr bgcolor=\"" + sheet.light + "\">");
    page.Add("  <td width=\"60\"><a class=\"text\" href=\"" + id + ".qst\">" + id + "</a></td>");
    for (int k = 1; k <= 4; ++k) {
      if (pf::Copy(e, 9, 1) == pf::IntToStr(k))
        page.Add("  <td align=\"center\" width=\"30\" bgcolor=\"#d0ffd0\">" + std::string(1, char('A' + k - 1)) +
                 "</td>");
      else
        page.Add("    <td bgcolor=\"#fff0f0\">&nbsp;</td>");
    }
    AddLines(page, {"    <td>&nbsp;</td>", "  </tr>"});
  }
  AddLines(page, {"    </table>", "  </td>", "</tr>", "</tbody>", "</table>", "</div>", "</body>", "</html>"});
}

}  // namespace engine
