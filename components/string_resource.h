// String tables kept as RCDATA resources in the "STR0" layout, the component library's two tables, and the
// exceptions whose messages come from them.
//
// Table layout (little-endian): "STR0", u32 count, count entries of 12 bytes sorted by id (u32 id, u32 byte offset
// of the text from the table start, u32 text length in UTF-16 units), then the UTF-16LE texts, not terminated.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/core/exceptions.h"
#include "platform/core/resources.h"

namespace components {

class EStringResourceError : public pf::Exception {
 public:
  using pf::Exception::Exception;
};

// An exception with the code of its message in LIBRARY_STRINGS_ENGLISH.
class ELibException : public pf::Exception {
 public:
  using pf::Exception::Exception;
  int32_t ErrorCode = 0;
};
class EVersionInfoError : public ELibException {
 public:
  using ELibException::ELibException;
};

// Message ids of RESMGR_STRINGS.
enum : int32_t {
  SStringNotFound = 1,        // "String not found: %d"
  SCannotLockResource = 2,    // "Cannot lock resource"
  SResourceNotFound = 3,      // "String resource not found: %s"
  SCannotOpenResource = 4,    // "Unable to open string resource: %s"
  SInvalidStringResource = 5  // "Invalid string resource"
};
// The codes of LIBRARY_STRINGS_ENGLISH that this program raises.
enum : int32_t {
  SErrorOpeningFile = 73,
  SNoVersionInfo = 100,
  SCannotReadVersionInfo = 101,
  SVersionKeyNotFound = 134,
};

constexpr std::string_view kStringTableMagic = "STR0";

class TStringResource {
 public:
  // Loads the named RCDATA table from instance's module, or from the main module when it is not there (instance
  // nullptr: the main module alone). An empty name holds no table. Raises EStringResourceError when the table is
  // missing, cannot be loaded or is no well-formed "STR0" table (every text must lie inside it).
  TStringResource(pf::HMODULE instance, std::string_view resourceName);
  virtual ~TStringResource() = default;
  TStringResource(const TStringResource&) = delete;
  TStringResource& operator=(const TStringResource&) = delete;

  // The text of id in the system code page; "" when the table has no such id, or EStringResourceError "String not
  // found: <id>" while ReportErrors is set. Without a table: EStringResourceError "Cannot lock resource".
  std::string GetString(int32_t id);
  // The text of id, without raising; false when there is no table or no such id.
  bool FindString(int32_t id, std::string& text) const;

  bool ReportErrors() const { return reportErrors_; }
  void SetReportErrors(bool value) { reportErrors_ = value; }

 private:
  bool reportErrors_ = false;
  pf::HGLOBAL resource_;
};

// The unit's two tables, made from the program's own resources by the first InitializeStringResources and freed
// by the matching last FinalizeStringResources (null outside).
extern TStringResource* RESMGR_STRINGS;
extern TStringResource* LIBRARY_STRINGS_ENGLISH;
void InitializeStringResources();
void FinalizeStringResources();

// The LIBRARY_STRINGS_ENGLISH text of code (read from the program's resources when the tables are not made).
std::string LibraryString(int32_t code);

// Raises an exception of class E whose message is the LIBRARY_STRINGS_ENGLISH text of code and whose ErrorCode is
// code.
template <class E>
[[noreturn]] void RaiseLibError(int32_t code) {
  E error(LibraryString(code));
  error.ErrorCode = code;
  throw error;
}

}  // namespace components
