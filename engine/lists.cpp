// Own question lists: collecting wrongly answered questions and exams drawn from a list.
#include "engine/engine.h"
#include "engine/procs.h"
#include "platform/core/exceptions.h"
#include "platform/core/files.h"
#include "platform/core/strings.h"

namespace engine {

using namespace pf::literals;

namespace {

std::string TooFewQuestionsText() {
  return std::string("Zuwenig Fragen in der Fragenliste oder zuviele Fragen ausgewählt."_l1);
}

}  // namespace

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
  try {
    // The list is read into local values and handed to the sheet builder: a list that is refused leaves a running
    // exam untouched, and the folder of the wrongly answered questions' lists stays where it was.
    std::string folder = pf::ExtractFileDir(pf::ExpandFileName(path));
    pf::TStringList list;
    list.LoadFromFile(path);
    // Blank lines carry nothing (a list edited by hand often ends with one).
    for (int i = list.Count() - 1; i >= 0; --i) {
      if (pf::Trim(list[i]).empty()) list.Delete(i);
    }
    std::string title(("Eigene Prüfungsauswahl"_l1));
    if (list.Count() > 0 && pf::Copy(list[0], 1, 1) == "#") {
      title = pf::Copy(list[0], 2, static_cast<int>(list[0].size()));
      list.Delete(0);
    }
    if (list.Count() < 2) throw pf::EConvertError("too short");
    char part = pf::UpperCase(pf::Copy(list[0], 1, 1))[0];
    char cls = pf::UpperCase(pf::Copy(list[0], 2, 1))[0];
    OwnList ownList;
    ownList.questionCount = pf::StrToInt(pf::Copy(list[0], 4, static_cast<int>(list[0].size())));
    ownList.timeText = pf::Trim(pf::Copy(list[1], 6, static_cast<int>(list[1].size())));
    int32_t minutes = 0;
    if (pf::Copy(list[0], 3, 1) != "=" || pf::UpperCase(pf::Copy(list[1], 1, 5)) != "ZEIT=" ||
        !pf::TryStrToInt(ownList.timeText, minutes) || minutes <= 0)
      throw pf::EConvertError("header");
    if (ownList.questionCount < 2 || ownList.questionCount > 51) {
      port_.Msg(std::string("Weniger als 2 oder mehr als 51 Prüfungsfragen ausgewählt."_l1));
      return false;
    }
    if (list.Count() - 2 < ownList.questionCount) {
      port_.Msg(TooFewQuestionsText());
      return false;
    }
    for (int i = 2; i < list.Count(); ++i) ownList.ids.push_back(list[i]);
    port_.SetPanelText(0, "");
    std::string sheetId = state_.SheetId;
    char mode = 'a';
    if (!BuildExamSheet(part, cls, sheetId, "", mode, &ownList)) return false;
    state_.QuestionDir = folder;
    state_.OwnListTitle = title;
    return true;
  } catch (const pf::Exception&) {
    port_.ShowWarning(path + " konnte nicht fehlerfrei eingelesen werden.");
    return false;
  }
}

bool Engine::SelectFromOwnList(const OwnList& ownList, pf::TStringList& selected) {
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
