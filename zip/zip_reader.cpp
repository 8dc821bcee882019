// The component: properties, the archive stream it owns, and the application's road (SetSourceStream,
// ReadDirectory, ExtractToStream).
#include "zip/zip_reader.h"

#include "platform/core/exceptions.h"
#include "platform/core/files.h"
#include "platform/core/services.h"
#include "platform/core/strings.h"
#include "zip/bufstream.h"
#include "zip/ziputils.h"

namespace zip {

namespace {

constexpr const char* kMsgBusy = "The archive reader is busy with another operation";

// Refuses a second entry into the component while it works (a message pump could otherwise start one).
class BusyGuard {
 public:
  explicit BusyGuard(bool& busy) : busy_(busy) {
    if (busy_) throw pf::EInvalidOperation(kMsgBusy);
    busy_ = true;
  }
  ~BusyGuard() { busy_ = false; }
  BusyGuard(const BusyGuard&) = delete;
  BusyGuard& operator=(const BusyGuard&) = delete;

 private:
  bool& busy_;
};

}  // namespace

void TZipReader::Assign(const pf::TPersistent& source) {
  auto* other = dynamic_cast<const TZipReader*>(&source);
  if (other == nullptr) {
    pf::TComponent::Assign(source);
    return;
  }
  if (other == this) return;
  SetZipName(other->zipName_);
  destDir_ = other->destDir_;
  rootDir_ = other->rootDir_;
  SetSortMode(other->sortMode_);
  RecreateDirs = other->RecreateDirs;
  OverwriteMode = other->OverwriteMode;
  filesList_.Assign(other->filesList_);
  DoAll = other->DoAll;
  IncompleteZipMode = other->IncompleteZipMode;
  KeepZipOpen = other->KeepZipOpen;
  DoProcessMessages = other->DoProcessMessages;
  RetainAttributes = other->RetainAttributes;
  ReplaceReadOnly = other->ReplaceReadOnly;
  FlushFilesOnClose = other->FlushFilesOnClose;
  MemoryLimit = other->MemoryLimit;
}

void TZipReader::Loaded() {
  pf::TComponent::Loaded();
  thisVersion_ = 222;
}

// Linux file names differ by letter case, so only the identical name keeps the held directory.
void TZipReader::SetZipName(const std::string& name) {
  if (name == zipName_) return;
  // Releasing the archive under a running read or extraction would pull the data from under it.
  if (busy_) throw pf::EInvalidOperation(kMsgBusy);
  std::string chosen = name;
  if (!name.empty() && name.back() == '?') {
    std::string folder = pf::ExtractFilePath(name);
    if (folder.empty() || !pf::DirectoryExists(folder)) folder = pf::GetEnvVar("HOME");
    auto picked = pf::Dialogs().OpenFileDialog(
        "Open a Zip File",
        "Zip Files (*.ZIP)|*.zip|SFX Files (*.EXE)|*.exe|Jar Files (*.JAR)|*.jar|All Files (*.*)|*.*", folder);
    if (!picked) throw EUserCanceled(kMsgCancelZipName);
    chosen = *picked;
  }
  ClearArchive();
  zipName_ = chosen;
  streamMode_ = false;
}

void TZipReader::SetDestDir(const std::string& dir) {
  std::string value = dir;
  if (value == "?") {
    auto picked = pf::Dialogs().SelectDirectory("", destDir_);
    if (!picked) throw EUserCanceled(kMsgCancelDestDir);
    value = *picked;
  }
  while (value.size() > 1 && (value.back() == '/' || value.back() == '\\')) value.pop_back();
  destDir_ = value;
}

// Stored folders are compared in their listed form, so a value written with "/" means the same.
void TZipReader::SetRootDir(const std::string& dir) {
  rootDir_ = SlashesToBackslashes(dir);
  if (!rootDir_.empty() && rootDir_.back() != '\\') rootDir_ += '\\';
}

void TZipReader::ClearArchive() {
  archive_.reset();
  FreeDirectory();
  endCentral_.Clear();
  archiveDate_ = 0;
  SetMultiMode(0);
  currentDisk_ = 0;
  numberOfDisks_ = 1;
  if (!streamMode_) zipName_.clear();
}

void TZipReader::SetSourceStream(std::unique_ptr<pf::TStream> stream) {
  BusyGuard guard(busy_);
  ClearArchive();
  if (!stream) {
    streamMode_ = false;
    return;
  }
  archive_ = std::move(stream);
  KeepZipOpen = true;
  streamMode_ = true;
}

void TZipReader::ReadDirectory() {
  BusyGuard guard(busy_);
  cancel_ = false;
  pf::BusyCursor cursor;
  OpenArchive();
  CloseArchive();
}

void TZipReader::OpenArchive() {
  if (!archive_) {
    if (streamMode_) throw EBadZipFile(kMsgNotAZip);
    archive_ = std::make_unique<TLFNFileStream>(zipName_, pf::fmOpenRead | pf::fmShareDenyWrite, FlushFilesOnClose,
                                                kArchiveBufferSize);
    currentDisk_ = endCentral_.ThisDisk;
  }
  bool stale = !directory_;
  if (!stale && !streamMode_ && pf::FileAge(zipName_) != archiveDate_) stale = true;
  if (stale) {
    pf::TStream* stream = archive_.get();
    try {
      ReadCentralDirectory(stream);
    } catch (...) {
      // A volume refused half way leaves no half directory, and the next read starts again at the archive itself.
      FreeDirectory();
      if (!streamMode_) archive_.reset();
      throw;
    }
  }
}

void TZipReader::CloseArchive() {
  if (!KeepZipOpen) archive_.reset();
}

int TZipReader::Count() const {
  if (!directory_) return 0;
  return directory_->Count();
}

TZipHeaderInfo& TZipReader::Items(int index) const {
  if (index < 0 || index >= Count()) throw pf::EListError(pf::Format("Index %d is out of range", {index}));
  const TSortedZip& list = view_ ? *view_ : *directory_;
  return *list.Entry(index);
}

void TZipReader::SelectEntry(int index, bool selected) {
  Items(index).Selected = selected;
  if (selected) marked_ = true;
}

int TZipReader::ExtractToStream(pf::TStream* stream, const std::string& entryName) {
  if (pf::Trim(entryName).empty() || stream == nullptr) return 0;
  BusyGuard guard(busy_);
  toStream_ = true;
  target_ = stream;
  return ExtractWithTarget(&entryName);
}

int TZipReader::ExtractToBuffer(uint8_t* buffer, int64_t bufferSize, const std::string& entryName) {
  if (pf::Trim(entryName).empty()) return 0;
  BusyGuard guard(busy_);
  toBuffer_ = true;
  callerBuffer_ = bufferSize > 0 ? buffer : nullptr;
  callerBufferSize_ = callerBuffer_ ? bufferSize : 0;
  ownBuffer_.clear();
  return ExtractWithTarget(&entryName);
}

int TZipReader::ExtractMatchingEntries(pf::TStream* stream) {
  BusyGuard guard(busy_);
  toStream_ = stream != nullptr;
  target_ = stream;
  return ExtractWithTarget(nullptr);
}

int TZipReader::ExtractWithTarget(const std::string* pattern) {
  struct Reset {
    TZipReader& r;
    ~Reset() {
      r.toStream_ = false;
      r.target_ = nullptr;
      r.toBuffer_ = false;
      r.callerBuffer_ = nullptr;
      r.callerBufferSize_ = 0;
      r.CloseArchive();
    }
  } reset{*this};
  cancel_ = false;
  OpenArchive();
  if (pattern) {
    filesList_.Clear();
    filesList_.Add(*pattern);
  }
  return RunExtraction();
}

}  // namespace zip
