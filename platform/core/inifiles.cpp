#include "platform/core/inifiles.h"

#include <algorithm>

#include "platform/core/classes.h"
#include "platform/core/exceptions.h"
#include "platform/core/files.h"
#include "platform/core/strings.h"

namespace pf {

namespace {

// "[Name]" (blanks allowed around it and the name; a missing "]" is tolerated): true and the trimmed name.
bool ParseSection(std::string_view line, std::string& name) {
  std::string t = TrimLeft(line);
  if (t.empty() || t[0] != '[') return false;
  size_t close = t.find(']');
  name = Trim(std::string_view(t).substr(1, close == std::string::npos ? std::string::npos : close - 1));
  return true;
}

// "Key = value" (not a comment, not a section): true with the trimmed key and value.
bool ParseKey(std::string_view line, std::string& key, std::string& value) {
  std::string t = TrimLeft(line);
  if (t.empty() || t[0] == ';' || t[0] == '[') return false;
  size_t eq = t.find('=');
  if (eq == std::string::npos) return false;
  key = Trim(std::string_view(t).substr(0, eq));
  value = Trim(std::string_view(t).substr(eq + 1));
  return true;
}

// Line breaks inside a name or value would split the line and change the file's structure.
std::string OneLine(std::string_view s) {
  std::string r(s);
  std::replace(r.begin(), r.end(), '\r', ' ');
  std::replace(r.begin(), r.end(), '\n', ' ');
  return r;
}

// Fills a caller's list as one batch, closed also when an exception leaves early.
class Batch {
 public:
  explicit Batch(TStrings& list) : list_(list) {
    list_.BeginUpdate();
    list_.Clear();
  }
  ~Batch() { list_.EndUpdate(); }
  Batch(const Batch&) = delete;
  Batch& operator=(const Batch&) = delete;

 private:
  TStrings& list_;
};

struct KeyLine {
  size_t line;
  std::string key, value;
};

// The key lines of every occurrence of section, in file order.
std::vector<KeyLine> SectionKeys(const std::vector<std::string>& lines, std::string_view section) {
  std::vector<KeyLine> keys;
  bool inside = false;
  std::string name, key, value;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (ParseSection(lines[i], name)) {
      inside = AnsiSameText(name, section);
    } else if (inside && ParseKey(lines[i], key, value)) {
      keys.push_back({i, key, value});
    }
  }
  return keys;
}

const KeyLine* FindKey(const std::vector<KeyLine>& keys, std::string_view ident) {
  for (const KeyLine& k : keys) {
    if (AnsiSameText(k.key, ident)) return &k;
  }
  return nullptr;
}

// The first line of each key of section (a key repeated by hand counts once, as its first line reads).
std::vector<KeyLine> UniqueKeys(const std::vector<std::string>& lines, std::string_view section) {
  std::vector<KeyLine> keys = SectionKeys(lines, section);
  std::vector<KeyLine> unique;
  for (KeyLine& k : keys) {
    if (FindKey(unique, k.key) == nullptr) unique.push_back(std::move(k));
  }
  return unique;
}

}  // namespace

TIniFile::TIniFile(std::string fileName) : fileName_(std::move(fileName)) {}

std::vector<std::string> TIniFile::Lines() const {
  std::vector<std::string> lines;
  if (!FileExists(fileName_)) return lines;
  TStringList file;
  file.SetText(ReadFileBytes(fileName_));
  lines.reserve(static_cast<size_t>(file.Count()));
  for (int i = 0; i < file.Count(); ++i) lines.push_back(file[i]);
  return lines;
}

std::string TIniFile::ReadString(std::string_view section, std::string_view ident,
                                 std::string_view defaultValue) const {
  std::vector<KeyLine> keys = SectionKeys(Lines(), section);
  const KeyLine* k = FindKey(keys, ident);
  return k ? k->value : std::string(defaultValue);
}

void TIniFile::WriteString(std::string_view section, std::string_view ident, std::string_view value) {
  std::string sectionName = OneLine(section), key = OneLine(ident), text = OneLine(value);
  std::vector<std::string> lines = Lines();
  std::vector<KeyLine> keys = SectionKeys(lines, sectionName);
  if (const KeyLine* k = FindKey(keys, key)) {
    std::string line = k->key + "=" + text;
    if (lines[k->line] == line) return;  // already so: the file is left alone
    lines[k->line] = std::move(line);
  } else {
    // After the last key of the section's first occurrence, or right after its header.
    std::string name;
    size_t header = lines.size();
    for (size_t i = 0; i < lines.size() && header == lines.size(); ++i) {
      if (ParseSection(lines[i], name) && AnsiSameText(name, sectionName)) header = i;
    }
    if (header == lines.size()) {
      if (!lines.empty() && !Trim(lines.back()).empty()) lines.emplace_back();
      lines.push_back("[" + sectionName + "]");
      lines.push_back(key + "=" + text);
    } else {
      size_t at = header + 1;
      std::string k, v;
      for (size_t i = header + 1; i < lines.size() && !ParseSection(lines[i], name); ++i) {
        if (ParseKey(lines[i], k, v)) at = i + 1;
      }
      lines.insert(lines.begin() + static_cast<long>(at), key + "=" + text);
    }
  }
  Save(lines);
}

int32_t TIniFile::ReadInteger(std::string_view section, std::string_view ident, int32_t defaultValue) const {
  return StrToIntDef(ReadString(section, ident, ""), defaultValue);
}

void TIniFile::WriteInteger(std::string_view section, std::string_view ident, int32_t value) {
  WriteString(section, ident, IntToStr(value));
}

bool TIniFile::ReadBool(std::string_view section, std::string_view ident, bool defaultValue) const {
  return ReadInteger(section, ident, defaultValue ? 1 : 0) != 0;
}

void TIniFile::WriteBool(std::string_view section, std::string_view ident, bool value) {
  WriteString(section, ident, value ? "1" : "0");
}

bool TIniFile::SectionExists(std::string_view section) const {
  std::string name;
  std::vector<std::string> lines = Lines();
  return std::any_of(lines.begin(), lines.end(),
                     [&](const std::string& line) { return ParseSection(line, name) && AnsiSameText(name, section); });
}

bool TIniFile::ValueExists(std::string_view section, std::string_view ident) const {
  std::vector<KeyLine> keys = SectionKeys(Lines(), section);
  return FindKey(keys, ident) != nullptr;
}

void TIniFile::EraseSection(std::string_view section) {
  std::vector<std::string> lines = Lines(), kept;
  bool inside = false;
  std::string name;
  for (std::string& line : lines) {
    if (ParseSection(line, name)) inside = AnsiSameText(name, section);
    if (!inside) kept.push_back(std::move(line));
  }
  if (kept.size() != lines.size()) Save(kept);
}

void TIniFile::DeleteKey(std::string_view section, std::string_view ident) {
  // Every line of the key goes, so that a hand-made duplicate cannot reappear as its value.
  std::vector<std::string> lines = Lines();
  std::vector<KeyLine> keys = SectionKeys(lines, section);
  size_t before = lines.size();
  for (auto k = keys.rbegin(); k != keys.rend(); ++k) {
    if (AnsiSameText(k->key, ident)) lines.erase(lines.begin() + static_cast<long>(k->line));
  }
  if (lines.size() != before) Save(lines);
}

void TIniFile::ReadSection(std::string_view section, TStrings& keys) const {
  Batch batch(keys);
  for (const KeyLine& k : UniqueKeys(Lines(), section)) keys.Add(k.key);
}

void TIniFile::ReadSections(TStrings& sections) const {
  Batch batch(sections);
  std::vector<std::string> names;
  std::string name;
  for (const std::string& line : Lines()) {
    if (!ParseSection(line, name)) continue;
    if (std::none_of(names.begin(), names.end(), [&](const std::string& n) { return AnsiSameText(n, name); })) {
      names.push_back(name);
      sections.Add(name);
    }
  }
}

void TIniFile::ReadSectionValues(std::string_view section, TStrings& values) const {
  Batch batch(values);
  for (const KeyLine& k : UniqueKeys(Lines(), section)) values.Add(k.key + "=" + k.value);
}

void TIniFile::Save(const std::vector<std::string>& lines) const {
  std::string text;
  size_t total = 0;
  for (const std::string& line : lines) total += line.size() + 2;
  text.reserve(total);
  for (const std::string& line : lines) {
    text += line;
    text += "\r\n";
  }
  try {
    AtomicWriteFile(fileName_, text);
  } catch (const EStreamError&) {
    throw EIniFileException(Format("Unable to write to %s", {fileName_}));
  }
}

}  // namespace pf
