#include "engine/engine.h"

#include "engine/catalogue.h"
#include "engine/procs.h"
#include "platform/core/files.h"
#include "platform/core/random.h"
#include "platform/core/strings.h"

namespace engine {

using namespace pf::literals;

namespace {

std::string PartCode(char part, char cls) { return std::string{part, cls}; }

// A section table line, columns as stored: 1-5 start prefix, 7-11 end prefix, 13-14 count, 17 "+" or "-".
struct SectionLine {
  int first = 0;
  int last = 0;
  int count = 0;
  char partner = ' ';  // '+', '-' or ' ' for a line of 14 characters
};

}  // namespace

std::string MissingFileText(const std::string& path) { return "Die Datei " + path + " existiert nicht."; }

int Engine::Extract(const std::string& entryName, pf::TStrings& list) {
  if (extractor_) return extractor_(state_.CatalogueFile, entryName, list);
  return Entzippen(state_.CatalogueFile, entryName, list);
}

bool Engine::ArchiveExists() {
  if (pf::FileExists(state_.CatalogueFile)) return true;
  port_.ShowWarning(MissingFileText(state_.CatalogueFile));
  return false;
}

bool Engine::ReadPool(const std::string& partCode, pf::TStrings& lines) {
  lines.Clear();
  if (!ArchiveExists()) return false;
  std::string entry = QuestionPoolFile(partCode);
  if (Extract(entry, lines) <= 0) {
    lines.Clear();
    port_.ShowWarning("Die Datei " + entry + std::string(" fehlt im Fragenkatalog oder ist beschädigt."_l1));
    return false;
  }
  std::string fault = CheckPool(lines);
  if (!fault.empty()) {
    lines.Clear();
    port_.ShowWarning("Fehler in " + entry + "  " + fault);
    return false;
  }
  return true;
}

bool Engine::LoadPool(char part, char cls) { return ReadPool(PartCode(part, cls), state_.CatalogueLines); }

bool Engine::CountPoolQuestions(char part, char cls, int32_t& poolSize) {
  if (!LoadPool(part, cls)) return false;
  int32_t count = 0;
  for (int i = 0; i < state_.CatalogueLines.Count(); ++i) count += pf::Copy(state_.CatalogueLines[i], 1, 2) == "::";
  if (count == 0) {
    state_.CatalogueLines.Clear();
    port_.ShowWarning("Die Datei " + QuestionPoolFile(PartCode(part, cls)) + std::string(" enthält keine Fragen."_l1));
    return false;
  }
  poolSize = count;
  return true;
}

bool Engine::SelectTrainingBlock(char part, char cls, int32_t& count, pf::TStringList& list,
                                 const std::string& section) {
  if (section.size() != 3 || section[2] < '1' || section[2] > '9') {
    port_.ShowWarning("Der Trainingsabschnitt \"" + section + std::string("\" ist ungültig."_l1));
    return false;
  }
  if (!LoadPool(part, cls)) return false;
  const pf::TStrings& lines = state_.CatalogueLines;
  int blockStart = (section[2] - '1') * 40;
  std::string prefix = section.substr(0, 2);
  int index = 0, questionCounter = 0, prefixCounter = 0;
  pf::TStringList found;
  found.SetSorted(true);
  while (index < lines.Count() - 3) {
    if (FindNextInTrainingBlock(prefix, lines, index, questionCounter, blockStart, prefixCounter))
      found.Add(PadWithZeros(pf::IntToStr(questionCounter), 4));
    ++index;
  }
  if (found.Count() == 0) {
    port_.ShowWarning("Der Trainingsabschnitt " + section + std::string(" enthält keine Fragen."_l1));
    return false;
  }
  for (int i = 0; i < found.Count(); ++i) list.Add(found[i]);
  count = list.Count();
  return true;
}

bool Engine::SelectBySections(char part, char cls, int32_t& poolSize, pf::TStringList& list) {
  std::string entry = SectionTableFile(PartCode(part, cls));
  if (!ArchiveExists()) return false;
  pf::TStringList table;
  if (Extract(entry, table) <= 0) {
    port_.ShowWarning(MissingFileText(entry));
    return false;
  }
  while (table.Count() > 0 && pf::Copy(table[0], 1, 1) == "#") table.Delete(0);
  if (table.Count() == 0) {
    port_.ShowWarning("Die Datei " + entry + std::string(" enthält keine Abschnitte."_l1));
    return false;
  }
  auto fault = [&](int n, std::string_view column) {
    port_.ShowWarning("Fehler in " + entry + "  Zeile " + pf::IntToStr(n) + std::string(column) + ".");
    return false;
  };
  // Trailing blanks after column 14 carry no meaning; without this a line padded to 16 characters would fail at
  // column 17. Up to column 14 they stay: a count may be written "5 ".
  std::vector<std::string> rows;
  for (int i = 0; i < table.Count(); ++i) {
    std::string row = table[i];
    while (row.size() > 14 && static_cast<unsigned char>(row.back()) <= ' ') row.pop_back();
    if (row.size() < 14) return fault(i + 1, "");
    rows.push_back(std::move(row));
  }

  // Every line is checked before the first question is drawn, so an error never leaves a partial sheet.
  const pf::TStrings& lines = state_.CatalogueLines;
  std::vector<SectionLine> sections;
  int32_t wanted = 0, sum = 0;
  // A "+" line hands its extra question to the next "-" line: the line number of a "+" line still waiting for it.
  int openPlus = 0;
  std::string time, dark, middle, light, title;
  PartInfo(cls, part, 'k', wanted, time, dark, middle, light, title);
  for (size_t i = 0; i < rows.size(); ++i) {
    const std::string& row = rows[i];
    int n = static_cast<int>(i) + 1;
    SectionLine s;
    std::string startPrefix = pf::Trim(pf::Copy(row, 1, 5));
    std::string endPrefix = pf::Trim(pf::Copy(row, 7, 5));
    if (startPrefix.size() < 2 || !FindIdPrefixRange(startPrefix, lines, s.first, s.last)) return fault(n, " Spalte 1");
    if (endPrefix.size() >= 2 && endPrefix != startPrefix) {
      int endFirst = 0;
      if (!FindIdPrefixRange(endPrefix, lines, endFirst, s.last) || s.last < s.first) return fault(n, " Spalte 7");
    }
    std::string countText = pf::Trim(pf::Copy(row, 13, 2));
    if (countText.empty() || countText.find_first_not_of("0123456789") != std::string::npos)
      return fault(n, " Spalte 13");
    s.count = pf::StrToInt(countText);
    if (row.size() > 14) {
      s.partner = row.size() >= 17 ? row[16] : ' ';
      if (s.partner != '+' && s.partner != '-') return fault(n, " Spalte 17");
    }
    // Every "+" needs its "-" before the next "+" and the table's end, every "-" a "+" before it, and a "-" line
    // must be able to give the extra question back; otherwise the sheet would not hold the part's count.
    if (s.partner == '+') {
      if (openPlus > 0) return fault(openPlus, " Spalte 17");
      openPlus = n;
    } else if (s.partner == '-') {
      if (openPlus == 0) return fault(n, " Spalte 17");
      if (s.count == 0) return fault(n, " Spalte 13");
      openPlus = 0;
    }
    int rangeSize = s.last - s.first + 1;
    int most = s.count + (s.partner == '+' ? 1 : 0);
    if (most > rangeSize) {
      port_.ShowWarning("Fehler in " + entry + "  Zeile " + pf::IntToStr(n) + ": " + pf::IntToStr(most) +
                        " Fragen verlangt, der Bereich hat nur " + pf::IntToStr(rangeSize) + ".");
      return false;
    }
    sum += s.count;
    sections.push_back(s);
  }
  if (openPlus > 0) return fault(openPlus, " Spalte 17");
  if (sum != wanted) {
    port_.ShowWarning("Fehler in " + entry + ": die Abschnitte ergeben " + pf::IntToStr(sum) + " Fragen statt " +
                      pf::IntToStr(wanted) + ".");
    return false;
  }

  pf::TStringList drawn;
  drawn.SetSorted(true);
  for (int i = 0; i < list.Count(); ++i) drawn.Add(list[i]);
  int saved = 0;
  for (size_t i = 0; i < sections.size(); ++i) {
    const SectionLine& s = sections[i];
    int extra = 0;
    if (s.partner == '+') {
      extra = static_cast<int>(pf::Random() + 0.5);
      saved = -extra;
    } else if (s.partner == '-') {
      extra = saved;
    }
    int eligible = 0;
    int rangeSize = s.last - s.first + 1;
    if (!DrawQuestionNumbers(state_, rangeSize, s.count + extra, s.first, "", false, drawn, &eligible)) {
      // Overlapping ranges: earlier lines took questions this line needs.
      port_.ShowWarning("Fehler in " + entry + "  Zeile " + pf::IntToStr(static_cast<int>(i) + 1) + ": " +
                        pf::IntToStr(s.count + extra) + " Fragen verlangt, im Bereich sind nur noch " +
                        pf::IntToStr(eligible) + " frei.");
      return false;
    }
  }
  list.Assign(drawn);
  poolSize = list.Count();
  return true;
}

}  // namespace engine
