// The question catalogue: pool entries, question records and the pool check.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/core/classes.h"

namespace engine {

constexpr std::string_view CatalogueArchiveName = "KAEFragen.qst";
constexpr std::string_view CatalogueVersionFile = "FragenVersion.txt";

// Entry names of a part code ("TA"): "TAfragen.txt" and "TAabschnitte.txt".
std::string QuestionPoolFile(std::string_view partCode);
std::string SectionTableFile(std::string_view partCode);

// The version of a pool: line 0 from position 3 when it begins with "V:", else "".
std::string PoolVersion(const pf::TStrings& lines);

// One question record read from its "::" line.
struct QuestionRecord {
  std::string Id;                    // characters 3-7 of the head line
  std::string Text;                  // the text line from position 3
  std::string Picture;               // the "P:" line from position 3, or ""
  std::vector<std::string> Answers;  // the answer lines as they stand ("R:..." / "W:...")
  int NextLine = 0;                  // the line after the record
};
QuestionRecord ReadQuestionRecord(const pf::TStrings& lines, int index);
// "R:" / "W:" prefix of an answer line, without regard to case.
bool IsAnswerLine(std::string_view line);
bool IsRightAnswer(std::string_view line);

// Checks a pool entry: line 0 is the version line (never a record head); from line 1 on only records, each a head
// "::" + a 5-character identifier (no blanks, no "="), a text line, an optional picture line and four answer lines,
// the first "R:", the others "W:". Returns "" for a sound pool, else the 1-based line number and what is wrong,
// e.g. "Zeile 17: ...".
std::string CheckPool(const pf::TStrings& lines);

}  // namespace engine
