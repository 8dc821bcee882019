#include "engine/procs.h"

#include <unordered_set>

#include "engine/state.h"
#include "platform/core/files.h"
#include "platform/core/random.h"
#include "platform/core/strings.h"

namespace engine {

namespace {

bool StartsWith(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && s.substr(0, prefix.size()) == prefix;
}

}  // namespace

void PartInfo(char classLetter, char partLetter, char modeLetter, int32_t& count, std::string& time, std::string& dark,
              std::string& middle, std::string& light, std::string& title) {
  struct Row {
    int32_t count;
    const char *time, *dark, *middle, *light, *title;
  };
  // clang-format off
  static constexpr Row kClassA{51, "90", "#e0e0ff", "#e7e7ff", "#f0f0ff", "Teil&nbsp;1&nbsp;Technische Kenntnisse"};
  static constexpr Row kClassE{34, "60", "#d0e7ff", "#e0f0ff", "#e7f7ff", "Teil&nbsp;1&nbsp;Technische Kenntnisse"};
  static constexpr Row kPartB{34, "60", "#ffffb0", "#ffffc7", "#ffffe0", "Teil&nbsp;2&nbsp;Betriebliche Kenntnisse"};
  static constexpr Row kPartV{34, "60", "#c0ffb0", "#d0ffc0", "#e0ffd7",
                              "Teil&nbsp;3&nbsp;Kenntnisse von Vorschriften"};
  // clang-format on
  auto apply = [&](const Row& row) {
    count = row.count;
    time = row.time;
    dark = row.dark;
    middle = row.middle;
    light = row.light;
    title = row.title;
  };
  // The class row first; parts B and V then replace it (a letter without a row leaves the values as they are).
  if (classLetter == 'A') apply(kClassA);
  if (classLetter == 'E') apply(kClassE);
  if (partLetter == 'B') apply(kPartB);
  if (partLetter == 'V') apply(kPartV);
  if (modeLetter == 't') time = "9999";
}

void ReplaceAt(std::string& text, std::string_view oldText, std::string_view newText, int position) {
  pf::Delete(text, position, static_cast<int>(oldText.size()));
  pf::Insert(newText, text, position);
}

void ReplaceAll(std::string& text, std::string_view oldText, std::string_view newText) {
  if (oldText.empty()) return;
  int position = pf::Pos(oldText, text);
  while (position > 0) {
    ReplaceAt(text, oldText, newText, position);
    position = pf::PosEx(oldText, text, position + static_cast<int>(newText.size()));
  }
}

int FindLineStartingWith(const pf::TStrings& list, std::string_view key, std::string_view countPrefix) {
  int counted = 0;
  for (int i = 0; i < list.Count() - 1; ++i) {
    const std::string& line = list[i];
    if (!countPrefix.empty() && StartsWith(line, countPrefix)) ++counted;
    if (StartsWith(line, key)) return countPrefix.empty() ? i : counted;
  }
  return -1;
}

std::string QuestionIdOfOrdinal(const pf::TStrings& list, int n) {
  int counted = 0;
  for (int i = 0; i < list.Count() - 1; ++i) {
    if (StartsWith(list[i], "::") && ++counted == n) return pf::Copy(list[i], 3, 5);
  }
  return "";
}

std::string UmlautsToEntities(std::string_view text) {
  std::string result;
  result.reserve(text.size());
  for (char c : text) {
    switch (static_cast<unsigned char>(c)) {
      case 0xE4:
        result += "&auml;";
        break;
      case 0xC4:
        result += "&Auml;";
        break;
      case 0xF6:
        result += "&ouml;";
        break;
      case 0xD6:
        result += "&Ouml;";
        break;
      case 0xFC:
        result += "&uuml;";
        break;
      case 0xDC:
        result += "&Uuml;";
        break;
      case 0xDF:
        result += "&szlig;";
        break;
      default:
        result += c;
    }
  }
  return result;
}

std::string StripLastVersionField(std::string_view version) {
  size_t dots = 0;
  for (char c : version) dots += c == '.';
  if (dots != 3) return std::string(version);
  return std::string(version.substr(0, version.rfind('.')));
}

std::string PadWithZeros(std::string_view text, int width) {
  std::string result(text);
  if (static_cast<int>(result.size()) < width) result.insert(0, width - result.size(), '0');
  return result;
}

bool IsInteger(std::string_view text) {
  int32_t value = 0;
  return pf::TryStrToInt(text, value);
}

std::string StripTrailingBackslash(std::string_view path) {
  if (path.size() > 1 && (path.back() == '/' || path.back() == '\\')) path.remove_suffix(1);
  return std::string(path);
}

bool IsWinNT() { return true; }

std::string GetEnvVar(std::string_view name) { return pf::GetEnvVar(name); }

bool FindNextInTrainingBlock(std::string_view prefix, const pf::TStrings& lines, int& index, int& questionCounter,
                             int blockStart, int& prefixCounter) {
  while (index < lines.Count() - 1) {
    const std::string& line = lines[index];
    // Only record heads count: a question or answer text that begins with the chapter letters is no question.
    if (StartsWith(line, "::")) {
      ++questionCounter;
      if (pf::Copy(line, 3, 2) == prefix) {
        ++prefixCounter;
        if (prefixCounter > blockStart && prefixCounter <= blockStart + 40) return true;
      }
    }
    ++index;
  }
  return false;
}

bool FindIdPrefixRange(std::string_view prefix, const pf::TStrings& lines, int& first, int& last) {
  // Every line is scanned: a record with a picture line is seven lines long, so skipping a fixed six lines after a
  // match could step over the next record head and miscount every later question.
  bool found = false;
  int number = 0;
  for (int i = 0; i < lines.Count() - 1; ++i) {
    const std::string& line = lines[i];
    if (!StartsWith(line, "::")) continue;
    ++number;
    if (pf::Copy(line, 3, static_cast<int>(prefix.size())) == prefix) {
      if (!found) first = number;
      last = number;
      found = true;
    } else if (found) {
      break;
    }
  }
  return found;
}

std::string AskedListPath(const AppState& state, std::string_view prefix) {
  return pf::PathJoin(pf::PathJoin(state.DataDir, "Fragen"), std::string(prefix) + "AskedList.txt");
}

void LoadAskedList(const AppState& state, int total, int n, pf::TStringList& askedList, std::string_view prefix) {
  std::string path = AskedListPath(state, prefix);
  if (pf::FileExists(path)) askedList.LoadFromFile(path);
  if (askedList.Count() > total - n) askedList.Clear();
}

bool DrawQuestionNumbers(const AppState& state, int total, int n, int offset, std::string_view askedPrefix,
                         bool blockMode, pf::TStringList& list, int* eligible) {
  if (eligible) *eligible = 0;
  if (n <= 0) return true;
  if (blockMode) {
    if (total < n) {
      if (eligible) *eligible = total > 0 ? total : 0;
      return false;
    }
    if (eligible) *eligible = total;
    int bs = total / n;
    for (int i = 0; i <= n - 2; ++i) list.Add(PadWithZeros(pf::IntToStr(bs * i + pf::Random(bs) + 1), 4));
    list.Add(PadWithZeros(pf::IntToStr(bs * (n - 1) + pf::Random(bs) + (total % n) + 1), 4));
    return true;
  }

  pf::TStringList asked;
  asked.SetSorted(true);
  if (!askedPrefix.empty()) LoadAskedList(state, total, n, asked, askedPrefix);
  std::unordered_set<std::string> askedNumbers;
  for (int i = 0; i < asked.Count(); ++i) askedNumbers.insert(pf::Copy(asked[i], 1, 4));

  // Count what can still be drawn before drawing: a request that cannot be met must not loop.
  auto isFree = [&](const std::string& s) { return askedNumbers.count(s) == 0 && list.IndexOf(s) < 0; };
  int free = 0;
  for (int v = 0; v < total; ++v) free += isFree(PadWithZeros(pf::IntToStr(v + offset), 4));
  if (eligible) *eligible = free;
  if (free < n) return false;

  int count = 0;
  while (count < n) {
    int number = pf::Random(total) + offset;
    std::string s = PadWithZeros(pf::IntToStr(number), 4);
    if (!isFree(s)) continue;
    list.Add(s);
    if (!askedPrefix.empty()) {
      asked.Add(s + " " + QuestionIdOfOrdinal(state.CatalogueLines, number));
      askedNumbers.insert(s);
    }
    ++count;
  }
  if (!askedPrefix.empty()) asked.SaveToFile(AskedListPath(state, askedPrefix));
  return true;
}

void DrawAnswerOrder(const AppState& state, pf::TStringList& order) {
  order.Clear();
  order.SetSorted(false);  // a sorted list would give "0001" .. "0004" in order and never shuffle
  DrawQuestionNumbers(state, 4, 4, 1, "", false, order);
}

}  // namespace engine
