// Own question lists: collecting wrongly answered questions and exams drawn from a list.
#include "engine/engine.h"
#include "engine/procs.h"
#include "platform/core/exceptions.h"
#include "platform/core/files.h"
#include "platform/core/services.h"
#include "platform/core/strings.h"

namespace engine {

using namespace pf::literals;

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
  std::optional<std::string> chosen = pf::Dialogs().OpenFileDialog(
      " \xD6"
      "ffnen der Fragenliste",
      "Fragenlisten (*.qlt)|*.qlt", state_.QuestionDir);
  if (!chosen) return;
  LoadOwnList(*chosen);
}

bool Engine::LoadOwnList(const std::string& path) {
  if (!pf::FileExists(path)) {
    port_.Msg(path + " nicht gefunden.");
    return false;
  }
  pf::TStringList oldLines(state_.CatalogueLines);
  auto fail = [&] {
    state_.CatalogueLines.Assign(oldLines);
    return false;
  };
  try {
    // Everything is read into local values: a list that is refused leaves a running exam untouched, and the
    // folder of the wrongly answered questions' lists stays where it was.
    std::string folder = pf::ExtractFileDir(pf::ExpandFileName(path));
    pf::TStringList list;
    list.LoadFromFile(path);
    // Blank lines carry nothing (a list edited by hand often ends with one).
    for (int i = list.Count() - 1; i >= 0; --i) {
      if (pf::Trim(list[i]).empty()) list.Delete(i);
    }
    std::string title =
        "Eigene Pr\xFC"
        "fungsauswahl";
    if (list.Count() > 0 && pf::Copy(list[0], 1, 1) == "#") {
      title = pf::Copy(list[0], 2, static_cast<int>(list[0].size()));
      list.Delete(0);
    }
    if (list.Count() < 2) throw pf::EConvertError("too short");
    char part = pf::UpperCase(pf::Copy(list[0], 1, 1))[0];
    char cls = pf::UpperCase(pf::Copy(list[0], 2, 1))[0];
    int32_t questionCount = pf::StrToInt(pf::Copy(list[0], 4, static_cast<int>(list[0].size())));
    std::string timeText = pf::Trim(pf::Copy(list[1], 6, static_cast<int>(list[1].size())));
    bool knownPart = (part == 'T' && (cls == 'A' || cls == 'E')) || ((part == 'B' || part == 'V') && cls == 'E');
    int32_t minutes = 0;
    if (!knownPart || pf::Copy(list[0], 3, 1) != "=" || pf::UpperCase(pf::Copy(list[1], 1, 5)) != "ZEIT=" ||
        !pf::TryStrToInt(timeText, minutes) || minutes <= 0)
      throw pf::EConvertError("header");
    if (questionCount < 2 || questionCount > 51) {
      port_.Msg(
          "Weniger als 2 oder mehr als 51 Pr\xFC"
          "fungsfragen ausgew\xE4hlt.");
      return fail();
    }
    if (list.Count() - 2 < questionCount) {
      port_.Msg("Zuwenig Fragen in der Fragenliste oder zuviele Fragen ausgew\xE4hlt.");
      return fail();
    }
    int32_t poolSize = 0;
    if (!CountPoolQuestions(part, cls, poolSize)) return fail();

    pf::TStringList found;
    found.SetSorted(true);
    for (int i = 2; i < list.Count(); ++i) {
      std::string id = pf::Trim(list[i]);
      // Only a whole identifier counts: "TA10" must not find TA101.
      int number = id.size() == 5 ? FindLineStartingWith(state_.CatalogueLines, "::" + id, "::") : -1;
      if (number < 0 || QuestionIdOfOrdinal(state_.CatalogueLines, number) != id) {
        port_.Msg("Die Frage \"" + list[i] + "\" wurde nicht gefunden.");
        return fail();
      }
      found.Add(PadWithZeros(pf::IntToStr(number), 4));
    }
    // A question listed twice counts once: positions are drawn from the distinct questions only.
    pf::TStringList positions;
    positions.SetSorted(true);
    if (found.Count() < questionCount ||
        !DrawQuestionNumbers(state_, found.Count(), questionCount, 1, "", state_.SettingZufallszahlen, positions)) {
      port_.Msg("Zuwenig Fragen in der Fragenliste oder zuviele Fragen ausgew\xE4hlt.");
      return fail();
    }
    Sheet sheet;
    sheet.part = part;
    sheet.cls = cls;
    sheet.mode = 'a';
    int32_t count = 0;
    std::string time;
    PartInfo(cls, part, 'a', count, time, sheet.dark, sheet.middle, sheet.light, sheet.title);
    sheet.questionCount = questionCount;
    sheet.timeText = timeText;
    sheet.selected.SetSorted(true);
    for (int i = 0; i < positions.Count(); ++i) sheet.selected.Add(found[pf::StrToInt(positions[i]) - 1]);
    port_.SetPanelText(0, "");
    port_.SetPanelColor(0, PanelColorNormal);
    port_.SetPanelColor(1, PanelColorNormal);
    port_.SetPanelText(1, "");
    if (!WriteSheet(sheet)) return fail();
    state_.QuestionDir = folder;
    state_.OwnListTitle = title;
    return true;
  } catch (const pf::Exception&) {
    port_.ShowWarning(path + " konnte nicht fehlerfrei eingelesen werden.");
    return fail();
  }
}

}  // namespace engine
