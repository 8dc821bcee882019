#include "engine/catalogue.h"

#include "platform/core/strings.h"

namespace engine {

using namespace pf::literals;

namespace {

std::string Prefix2Upper(std::string_view line) { return pf::UpperCase(pf::Copy(line, 1, 2)); }

bool IsPictureLine(std::string_view line) { return Prefix2Upper(line) == "P:"; }

bool IsHeadLine(std::string_view line) { return line.size() >= 2 && line.substr(0, 2) == "::"; }

bool IsSoundId(std::string_view line) {
  if (line.size() != 7) return false;
  for (char c : line.substr(2)) {
    if (static_cast<unsigned char>(c) <= ' ' || c == '=') return false;
  }
  return true;
}

std::string LineError(int index, std::string_view what) {
  return "Zeile " + pf::IntToStr(index + 1) + ": " + std::string(what);
}

}  // namespace

std::string QuestionPoolFile(std::string_view partCode) { return std::string(partCode) + "fragen.txt"; }
std::string SectionTableFile(std::string_view partCode) { return std::string(partCode) + "abschnitte.txt"; }

std::string PoolVersion(const pf::TStrings& lines) {
  if (lines.Count() == 0 || pf::Copy(lines[0], 1, 2) != "V:") return "";
  return pf::Copy(lines[0], 3, static_cast<int>(lines[0].size()));
}

bool IsAnswerLine(std::string_view line) {
  std::string p = Prefix2Upper(line);
  return p == "R:" || p == "W:";
}

bool IsRightAnswer(std::string_view line) { return Prefix2Upper(line) == "R:"; }

QuestionRecord ReadQuestionRecord(const pf::TStrings& lines, int index) {
  QuestionRecord record;
  auto line = [&](int i) -> std::string_view { return i < lines.Count() ? std::string_view(lines[i]) : ""; };
  record.Id = pf::Copy(line(index), 3, 5);
  std::string_view text = line(index + 1);
  record.Text = pf::Copy(text, 3, static_cast<int>(text.size()));
  int i = index + 2;
  if (IsPictureLine(line(i))) {
    record.Picture = pf::Copy(line(i), 3, static_cast<int>(line(i).size()));
    ++i;
  }
  while (i < lines.Count() && IsAnswerLine(lines[i])) record.Answers.push_back(lines[i++]);
  record.NextLine = i;
  return record;
}

std::string CheckPool(const pf::TStrings& lines) {
  if (lines.Count() == 0) return "die Datei ist leer.";
  if (IsHeadLine(lines[0])) return LineError(0, "die erste Zeile muss die Versionszeile \"V:\" sein.");
  int i = 1;
  while (i < lines.Count()) {
    if (!IsHeadLine(lines[i]) || !IsSoundId(lines[i]))
      return LineError(i, "\"::\" und eine Kennung aus 5 Zeichen erwartet."_l1);
    int head = i++;
    if (i >= lines.Count() || IsHeadLine(lines[i]) || lines[i].size() < 3) return LineError(i, "Fragetext erwartet.");
    ++i;
    if (i < lines.Count() && IsPictureLine(lines[i])) {
      if (lines[i].size() < 3) return LineError(i, "Bildpfad fehlt.");
      ++i;
    }
    for (int k = 0; k < 4; ++k, ++i) {
      if (i >= lines.Count() || !IsAnswerLine(lines[i]))
        return LineError(i, "vier Antworten erwartet (Frage " + lines[head].substr(2) + ").");
      if (IsRightAnswer(lines[i]) != (k == 0))
        return LineError(i, k == 0 ? "die erste Antwort muss die richtige sein (\"R:\")."
                                   : "nur die erste Antwort darf richtig sein, hier \"W:\" erwartet.");
    }
  }
  return "";
}

}  // namespace engine
