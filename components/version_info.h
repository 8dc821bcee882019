// TVersionInfo: the version information of a program file (by default the running program's own) as properties.
#pragma once

#include <cstdint>
#include <string>

#include "platform/core/component.h"
#include "platform/core/datetime.h"

namespace components {

// The base of the library's resource readers; its Version is fixed.
class TResComponent : public pf::TComponent {
 public:
  using pf::TComponent::TComponent;
  std::string ClassName() const override { return "TResComponent"; }
  std::string Version() const { return "3.03"; }
  void SetVersion(const std::string&) {}  // read-only: writing is ignored
};

class TCustomVersionInfo : public TResComponent {
 public:
  explicit TCustomVersionInfo(pf::TComponent* owner = nullptr);
  std::string ClassName() const override { return "TCustomVersionInfo"; }
  void Loaded() override;

  // The file to read. A non-empty name of a missing file raises EVersionInfoError 73; an empty name stands for the
  // running program. A different name is read again at the next getter.
  const std::string& FileName() const { return fileName_; }
  void SetFileName(const std::string& value);

  // Reads the first translation's language and marks the information as read (the first read fills every field).
  // With a key, value is that text value of the first translation (EVersionInfoError 134 when it is missing);
  // without one, every field is read again. EVersionInfoError 100 for a file without version information, 101 when
  // it cannot be read or is damaged.
  void LoadVersionInfo(const std::string& key, std::string& value);

  // Each getter reads the file first when it has not been read since creation or the last change of FileName.
  const std::string& Comments() { return Fields().comments; }
  const std::string& CompanyName() { return Fields().companyName; }
  const std::string& FileDescription() { return Fields().fileDescription; }
  const std::string& FileVersion() { return Fields().fileVersion; }
  const std::string& InternalName() { return Fields().internalName; }
  const std::string& LegalCopyright() { return Fields().legalCopyright; }
  const std::string& LegalTrademarks() { return Fields().legalTrademarks; }
  const std::string& OriginalFilename() { return Fields().originalFilename; }
  const std::string& ProductName() { return Fields().productName; }
  const std::string& ProductVersion() { return Fields().productVersion; }
  // FileVersion and ProductVersion as numbers (see VersionNumber).
  double FileVersionNumber() { return Fields().fileVersionNumber; }
  double ProductVersionNumber() { return Fields().productVersionNumber; }
  // The fixed file information.
  uint32_t FileVersionHigh() { return Fields().fileVersionHigh; }
  uint32_t FileVersionLow() { return Fields().fileVersionLow; }
  uint32_t ProductVersionHigh() { return Fields().productVersionHigh; }
  uint32_t ProductVersionLow() { return Fields().productVersionLow; }
  uint32_t FileFlagsMask() { return Fields().fileFlagsMask; }
  uint32_t FileFlags() { return Fields().fileFlags; }
  uint32_t FileOS() { return Fields().fileOS; }
  uint32_t FileType() { return Fields().fileType; }
  uint32_t FileSubType() { return Fields().fileSubType; }
  pf::TDateTime FileDate() { return Fields().fileDate; }
  // The first translation: language in the low word, code page in the high word.
  uint32_t Language() { return Fields().language; }
  int32_t TranslationCount() { return Fields().translationCount; }
  const std::string& LanguageName() { return Fields().languageName; }

 private:
  struct Data {
    std::string comments, companyName, fileDescription, fileVersion, internalName, legalCopyright, legalTrademarks,
        originalFilename, productName, productVersion, languageName;
    double fileVersionNumber = 0, productVersionNumber = 0;
    uint32_t fileVersionHigh = 0, fileVersionLow = 0, productVersionHigh = 0, productVersionLow = 0;
    uint32_t fileFlagsMask = 0, fileFlags = 0, fileOS = 0, fileType = 0, fileSubType = 0;
    pf::TDateTime fileDate = 0;
    uint32_t language = 0;
    int32_t translationCount = 0;
  };
  const Data& Fields();
  // The fixed information and the text values of the version block; EVersionInfoError 101 without the former.
  static Data ReadFields(const std::string& block, const std::string& prefix);
  bool Designing() const { return (ComponentState() & pf::csDesigning) != 0; }

  std::string fileName_;
  bool loaded_ = false;
  Data data_;
};

class TVersionInfo : public TCustomVersionInfo {
 public:
  using TCustomVersionInfo::TCustomVersionInfo;
  std::string ClassName() const override { return "TVersionInfo"; }
};

// A version text as a number: the whole text when it reads as one ("5.2"), else the text before its second "."
// ("5.2.0.123" gives 5.2); 0 when neither reads, the text has fewer than two dots or the second lies at position 7
// or later.
double VersionNumber(const std::string& text);

}  // namespace components
