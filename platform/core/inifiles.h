// The settings file with the profile-file semantics: section and key names without regard to case, values
// trimmed, Booleans as "1"/"0" (any non-zero integer reads true; "true" is no number and reads as the default),
// unknown sections, keys, comments and blank lines kept in their order. Every write is on disk when the call
// returns, written to a temporary file and renamed into place; a write of the line the file already holds leaves
// the file alone. Like the profile functions, every call reads the file as it is on disk, so that changes made
// meanwhile by another TIniFile or by hand are neither missed nor overwritten. A missing file reads as empty. A
// failed write raises EIniFileException "Unable to write to %s".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pf {

class TStrings;

class TIniFile {
 public:
  explicit TIniFile(std::string fileName);  // read through ResolvePath; written under the exact name
  const std::string& FileName() const { return fileName_; }

  std::string ReadString(std::string_view section, std::string_view ident, std::string_view defaultValue) const;
  void WriteString(std::string_view section, std::string_view ident, std::string_view value);
  // StrToIntDef semantics ("$1F" and "0x1F" read as hexadecimal).
  int32_t ReadInteger(std::string_view section, std::string_view ident, int32_t defaultValue) const;
  void WriteInteger(std::string_view section, std::string_view ident, int32_t value);
  bool ReadBool(std::string_view section, std::string_view ident, bool defaultValue) const;
  void WriteBool(std::string_view section, std::string_view ident, bool value);

  bool SectionExists(std::string_view section) const;
  bool ValueExists(std::string_view section, std::string_view ident) const;
  void EraseSection(std::string_view section);
  void DeleteKey(std::string_view section, std::string_view ident);
  void ReadSection(std::string_view section, TStrings& keys) const;          // key names in file order
  void ReadSections(TStrings& sections) const;                               // section names in file order
  void ReadSectionValues(std::string_view section, TStrings& values) const;  // "key=value" lines
  void UpdateFile() {}                                                       // writes are already on disk

 private:
  std::vector<std::string> Lines() const;  // the file's lines as they are now; none when it is missing
  void Save(const std::vector<std::string>& lines) const;
  std::string fileName_;
};

}  // namespace pf
