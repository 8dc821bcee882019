#include "components/version_info.h"

#include "components/string_resource.h"
#include "platform/core/files.h"
#include "platform/core/fileversion.h"
#include "platform/core/resources.h"
#include "platform/core/strings.h"

namespace components {

namespace {

constexpr const char* kTranslation = "\\VarFileInfo\\Translation";
constexpr const char* kFixedInfo = "\\";
// 100-nanosecond ticks per day, and the days from the file-time epoch (1601-01-01) to the date-time epoch.
constexpr double kTicksPerDay = 864000000000.0;
constexpr double kFileTimeEpochDays = 109205.0;

[[noreturn]] void Fail(int32_t code) { RaiseLibError<EVersionInfoError>(code); }

pf::TDateTime FileTimeToDateTime(uint32_t high, uint32_t low) {
  uint64_t ticks = (uint64_t{high} << 32) | low;
  return ticks == 0 ? 0.0 : static_cast<double>(ticks) / kTicksPerDay - kFileTimeEpochDays;
}

std::string Query(const std::string& block, const std::string& subBlock) {
  std::string value;
  return pf::VerQueryValue(block, subBlock, value) ? value : std::string();
}

}  // namespace

double VersionNumber(const std::string& text) {
  double number = 0;
  if (pf::TryStrToFloat(text, number)) return number;
  int firstDot = pf::Pos(".", text);
  int secondDot = firstDot ? pf::PosEx(".", text, firstDot + 1) : 0;
  if (secondDot == 0 || secondDot >= 7 || !pf::TryStrToFloat(pf::Copy(text, 1, secondDot - 1), number)) return 0;
  return number;
}

TCustomVersionInfo::TCustomVersionInfo(pf::TComponent* owner) : TResComponent(owner) { SetFileName(""); }

void TCustomVersionInfo::Loaded() {
  TResComponent::Loaded();
  if (fileName_.empty()) SetFileName("");
}

void TCustomVersionInfo::SetFileName(const std::string& value) {
  if (!value.empty() && !Designing() && !pf::FileExists(value)) Fail(SErrorOpeningFile);
  if (value != fileName_) loaded_ = false;
  fileName_ = value;
  // The running program's path, however long its folder.
  if (fileName_.empty() && !Designing()) fileName_ = pf::ProgramFileName();
}

const TCustomVersionInfo::Data& TCustomVersionInfo::Fields() {
  if (!loaded_) {
    std::string unused;
    LoadVersionInfo("", unused);
  }
  return data_;
}

void TCustomVersionInfo::LoadVersionInfo(const std::string& key, std::string& value) {
  // A size of 0 says why: no version block at all, or one that cannot be read.
  uint32_t size = pf::GetFileVersionInfoSize(fileName_);
  if (size == 0)
    Fail(pf::GetLastError() == pf::ERROR_RESOURCE_TYPE_NOT_FOUND ? SNoVersionInfo : SCannotReadVersionInfo);
  std::string block;
  if (!pf::GetFileVersionInfo(fileName_, size, block)) Fail(SCannotReadVersionInfo);

  std::string translation;
  if (!pf::VerQueryValue(block, kTranslation, translation) || translation.size() < 4) Fail(SCannotReadVersionInfo);
  const uint32_t language = static_cast<uint8_t>(translation[0]) | (static_cast<uint8_t>(translation[1]) << 8) |
                            (static_cast<uint8_t>(translation[2]) << 16) |
                            (uint32_t{static_cast<uint8_t>(translation[3])} << 24);
  const std::string prefix = pf::Format("StringFileInfo\\%.4x%.4x\\", {language & 0xFFFF, language >> 16});
  // Every read, keyed or not, marks the information as read; so that the getters then find it, the first read
  // fills every field even when it was asked for one key.
  if (key.empty() || !loaded_) data_ = ReadFields(block, prefix);
  data_.language = language;
  data_.translationCount = static_cast<int32_t>(translation.size() / 4);
  data_.languageName = pf::VerLanguageName(language & 0xFFFF);
  loaded_ = true;

  if (!key.empty()) {
    value.clear();
    if (!pf::VerQueryValue(block, prefix + key, value)) Fail(SVersionKeyNotFound);
  }
}

TCustomVersionInfo::Data TCustomVersionInfo::ReadFields(const std::string& block, const std::string& prefix) {
  std::string fixedValue;
  pf::VS_FIXEDFILEINFO fixed;
  if (!pf::VerQueryValue(block, kFixedInfo, fixedValue) || !pf::ReadFixedFileInfo(fixedValue, fixed))
    Fail(SCannotReadVersionInfo);
  Data data;
  data.fileVersionHigh = fixed.dwFileVersionMS;
  data.fileVersionLow = fixed.dwFileVersionLS;
  data.productVersionHigh = fixed.dwProductVersionMS;
  data.productVersionLow = fixed.dwProductVersionLS;
  data.fileFlagsMask = fixed.dwFileFlagsMask;
  data.fileFlags = fixed.dwFileFlags;
  data.fileOS = fixed.dwFileOS;
  data.fileType = fixed.dwFileType;
  data.fileSubType = fixed.dwFileSubtype;
  data.fileDate = FileTimeToDateTime(fixed.dwFileDateMS, fixed.dwFileDateLS);

  data.comments = Query(block, prefix + "Comments");
  data.companyName = Query(block, prefix + "CompanyName");
  data.fileDescription = Query(block, prefix + "FileDescription");
  data.fileVersion = Query(block, prefix + "FileVersion");
  data.internalName = Query(block, prefix + "InternalName");
  data.legalCopyright = Query(block, prefix + "LegalCopyright");
  data.legalTrademarks = Query(block, prefix + "LegalTrademarks");
  data.originalFilename = Query(block, prefix + "OriginalFilename");
  data.productName = Query(block, prefix + "ProductName");
  data.productVersion = Query(block, prefix + "ProductVersion");
  data.fileVersionNumber = VersionNumber(data.fileVersion);
  data.productVersionNumber = VersionNumber(data.productVersion);
  return data;
}

}  // namespace components
