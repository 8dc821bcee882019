// Own question lists: collecting wrongly answered questions and exams drawn from a list.
#include "engine/engine.h"
#include "engine/procs.h"
#include "platform/core/exceptions.h"
#include "platform/core/files.h"
#include "platform/core/strings.h"

namespace engine {

using namespace pf::literals;

namespace {

constexpr int64_t kMaxListBytes = 1 << 20;

std::string TooFewQuestionsText() {
  return std::string("Zuwenig Fragen in der Fragenliste oder zuviele Fragen ausgewählt."_l1);
}

std::string Rest(std::string_view line, int from) { return pf::Copy(line, from, static_cast<int>(line.size())); }

}  // namespace

bool ReadQuestionList(const std::string& path, QuestionList& list) {
  pf::TStringList lines;
  try {
    if (pf::FileSize(path) > kMaxListBytes) return false;
    lines.LoadFromFile(path);
  } catch (const pf::Exception&) {
    return false;
  }
  // Blank lines carry nothing (a list edited by hand often ends with one).
  for (int i = lines.Count() - 1; i >= 0; --i) {
    if (pf::Trim(lines[i]).empty()) lines.Delete(i);
  }
  if (lines.Count() > 0 && pf::Copy(lines[0], 1, 1) == "#") {
    list.title = Rest(lines[0], 2);
    lines.Delete(0);
  }
  if (lines.Count() < 2) return false;
  list.partCode = pf::UpperCase(pf::Copy(lines[0], 1, 2));
  list.timeText = pf::Trim(Rest(lines[1], 6));
  if (pf::Copy(lines[0], 3, 1) != "=" || !pf::TryStrToInt(pf::Trim(Rest(lines[0], 4)), list.questionCount) ||
      pf::UpperCase(pf::Copy(lines[1], 1, 5)) != "ZEIT=" || !pf::TryStrToInt(list.timeText, list.minutes) ||
      list.minutes < 1)
    return false;
  for (int i = 2; i < lines.Count(); ++i) list.ids.push_back(lines[i]);
  return true;
}

void Engine::AddToWrongQuestionsList(char part, char cls, const std::string& id) {
  std::string code{part, cls};
  std::string path = pf::PathJoin(state_.QuestionDir, code + "FalscheFragen.qlt");
  pf::TStringList list;
  if (pf::FileExists(path)) {
    list.LoadFromFile(path);
  } else {
    list.Add("#Falsche Fragen " + code);
    list.Add(code + "=2");
    list.Add("Zeit=30");
  }
  if (list.IndexOf(id) < 0) list.Add(id);
  list.SaveToFile(path);
}

void Engine::PruefungladenClick() {
  std::optional<std::string> chosen =
      port_.OpenFileDialog(std::string(" Öffnen der Fragenliste"_l1), "Fragenlisten (*.qlt)|*.qlt", state_.QuestionDir);
  if (chosen) LoadOwnList(*chosen);
}

bool Engine::LoadOwnList(const std::string& path) {
  if (!pf::FileExists(path)) {
    port_.Msg(path + " nicht gefunden.");
    return false;
  }
  const std::string unreadable = path + " konnte nicht fehlerfrei eingelesen werden.";
  // The next dialog starts in the list's folder, also when the list is refused; the list is read into local values
  // and handed to the sheet builder, so a list that is refused leaves a running exam untouched.
  state_.QuestionDir = pf::ExtractFileDir(pf::ExpandFileName(path));
  QuestionList list;
  if (!ReadQuestionList(path, list)) {
    port_.ShowWarning(unreadable);
    return false;
  }
  if (list.questionCount < 2 || list.questionCount > 51) {
    port_.Msg(std::string("Weniger als 2 oder mehr als 51 Prüfungsfragen ausgewählt."_l1));
    return false;
  }
  if (static_cast<int>(list.ids.size()) < list.questionCount) {
    port_.Msg(TooFewQuestionsText());
    return false;
  }
  try {
    port_.SetPanelText(0, "");
    std::string sheetId = state_.SheetId;
    char mode = 'a';
    if (!BuildExamSheet(list.partCode[0], list.partCode[1], sheetId, "", mode, &list)) return false;
  } catch (const pf::Exception&) {
    port_.ShowWarning(unreadable);
    return false;
  }
  state_.OwnListTitle = list.title.value_or(std::string("Eigene Prüfungsauswahl"_l1));
  return true;
}

bool Engine::SelectFromOwnList(const QuestionList& ownList, pf::TStringList& selected) {
  pf::TStringList found;
  found.SetSorted(true);
  for (const std::string& line : ownList.ids) {
    std::string id = pf::Trim(line);
    // Only a whole identifier counts: "TA10" must not find TA101.
    int number = id.size() == 5 ? FindLineStartingWith(state_.CatalogueLines, "::" + id, "::") : -1;
    if (number < 0 || QuestionIdOfOrdinal(state_.CatalogueLines, number) != id) {
      port_.Msg("Die Frage \"" + line + "\" wurde nicht gefunden.");
      return false;
    }
    found.Add(PadWithZeros(pf::IntToStr(number), 4));
  }
  // A question listed twice counts once: positions are drawn from the distinct questions only.
  pf::TStringList positions;
  positions.SetSorted(true);
  if (found.Count() < ownList.questionCount || !DrawQuestionNumbers(state_, found.Count(), ownList.questionCount, 1, "",
                                                                    state_.SettingZufallszahlen, positions)) {
    port_.Msg(TooFewQuestionsText());
    return false;
  }
  for (int i = 0; i < positions.Count(); ++i) selected.Add(found[pf::StrToInt(positions[i]) - 1]);
  return true;
}

}  // namespace engine
