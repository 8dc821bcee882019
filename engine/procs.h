// Small shared routines of the engine and the windows: the part table, string and list helpers, and the question
// drawing of the random, block and asked-list modes. Strings are Latin-1; positions are 1-based.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/core/classes.h"

namespace engine {

struct AppState;

// The part table: class rows first, then part rows, then the training time. Outputs no row sets keep the caller's
// values. The title begins with "Teil&nbsp;" + digit + "&nbsp;"; the plain part name starts at character 18.
void PartInfo(char classLetter, char partLetter, char modeLetter, int32_t& count, std::string& time, std::string& dark,
              std::string& middle, std::string& light, std::string& title);

// Replaces every occurrence of oldText, left to right in one pass: a replacement that contains oldText is not
// searched again.
void ReplaceAll(std::string& text, std::string_view oldText, std::string_view newText);
// Deletes length(oldText) characters at the 1-based position and inserts newText there.
void ReplaceAt(std::string& text, std::string_view oldText, std::string_view newText, int position);

// Walks lines 0 .. Count-2 (the last line is never examined). Lines that begin with countPrefix are counted, the
// line itself included; at the first line that begins with key the result is that count when countPrefix is
// non-empty, else the line's index. -1 when no line matches.
int FindLineStartingWith(const pf::TStrings& list, std::string_view key, std::string_view countPrefix);
// The 5 characters from position 3 of the n-th line beginning with "::" (lines 0 .. Count-2); "" when none.
std::string QuestionIdOfOrdinal(const pf::TStrings& list, int n);

std::string UmlautsToEntities(std::string_view text);
// The warning dialog of these routines is EnginePort::ShowWarning: every dialog of the engine goes through its port.
// "1.2.3.4" -> "1.2.3"; a version without four fields is returned unchanged.
std::string StripLastVersionField(std::string_view version);
std::string PadWithZeros(std::string_view text, int width);
bool IsInteger(std::string_view text);
// Removes one trailing path delimiter ("/" or "\"), never from a lone "/".
std::string StripTrailingBackslash(std::string_view path);
// The non-portable data folder is always taken from the user's profile here.
bool IsWinNT();
std::string GetEnvVar(std::string_view name);

// Training blocks: from index on (while index < Count-1) counts "::" lines in questionCounter; a "::" line whose
// identifier begins with prefix counts in prefixCounter, and when blockStart < prefixCounter <= blockStart + 40
// the result is true with index on that line.
bool FindNextInTrainingBlock(std::string_view prefix, const pf::TStrings& lines, int& index, int& questionCounter,
                             int blockStart, int& prefixCounter);
// The question numbers of the first run of consecutive questions whose identifiers begin with prefix.
bool FindIdPrefixRange(std::string_view prefix, const pf::TStrings& lines, int& first, int& last);

// Adds n question numbers ("0007") from offset .. offset+total-1 to list. Block mode: one from each of n slices of
// total div n numbers, the last slice at the end of the pool. Random mode: numbers not yet in list and, with an
// askedPrefix, not in the part's asked list, which is then extended and saved. Returns false and changes nothing
// when the request cannot be met (fewer eligible numbers than n, a pool smaller than n in block mode).
// The number of eligible numbers is left in eligible.
bool DrawQuestionNumbers(const AppState& state, int total, int n, int offset, std::string_view askedPrefix,
                         bool blockMode, pf::TStringList& list, int* eligible = nullptr);
// Fills the sorted askedList from DataDir/Fragen/<prefix>AskedList.txt when it exists, then empties it when it
// holds more than total - n lines.
void LoadAskedList(const AppState& state, int total, int n, pf::TStringList& askedList, std::string_view prefix);
std::string AskedListPath(const AppState& state, std::string_view prefix);

// A random order of the four answers: a permutation of "0001" .. "0004" in draw order.
void DrawAnswerOrder(const AppState& state, pf::TStringList& order);

}  // namespace engine
