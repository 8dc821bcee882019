// TZipReader: a non-visual component that reads ZIP archives (from a file or from a stream handed over to it) and
// extracts entries into files, into a caller's stream or into a caller's memory buffer.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/core/classes.h"
#include "platform/core/component.h"
#include "platform/core/streams.h"
#include "zip/zip_errors.h"
#include "zip/zipheaders.h"

namespace zip {

enum TUZOverwriteMode { Prompt, Always, Never, ifNewer, ifOlder };
enum TIncompleteZipMode { izAssumeMulti, izAssumeBad, izAssumeNotAZip };
// Why an entry was skipped: a wrong password, an existing file that is not to be overwritten, a stored name that
// would leave the destination folder, a local header that is missing or damaged.
enum TSkipReason { srBadPassword = 0, srNoOverwrite = 1, srUnsafeName = 2, srBadLocalHeader = 3 };

class TZipReader : public pf::TComponent {
 public:
  explicit TZipReader(pf::TComponent* owner = nullptr);
  ~TZipReader() override;
  std::string ClassName() const override { return "TZipReader"; }
  void Assign(const pf::TPersistent& source) override;
  void Loaded() override;

  // Changing the archive name releases the held directory and archive stream; a name ending in "?" asks with a
  // file dialog (cancel: EUserCanceled).
  virtual void SetZipName(const std::string& name);
  virtual bool GetUseFlag() const { return useFlag_; }
  virtual void SetUseFlag(bool value) { useFlag_ = value; }
  // 0 single archive, 1 volumes on a removable drive, 2 volumes in numbered files. Reading the directory sets it
  // through this hook and the component reads it back through GetMultiMode, so a subclass may keep it itself.
  virtual int GetMultiMode() const { return multiMode_; }
  virtual void SetMultiMode(int value) { multiMode_ = value; }

  // Properties.
  int ThisVersion() const { return thisVersion_; }
  void SetThisVersion(int) { thisVersion_ = 222; }
  const std::string& ZipName() const { return zipName_; }
  const std::string& DestDir() const { return destDir_; }
  void SetDestDir(const std::string& dir);  // "?" asks with a folder dialog; a trailing "/" is removed
  const std::string& RootDir() const { return rootDir_; }
  void SetRootDir(const std::string& dir);  // "/" becomes "\"; a non-empty value gets a trailing "\"
  TZipSortMode SortMode() const { return sortMode_; }
  void SetSortMode(TZipSortMode mode);
  pf::TStringList& FilesList() { return filesList_; }
  void SetFilesList(const pf::TStrings& list) { filesList_.Assign(list); }
  bool RecreateDirs = false;
  TUZOverwriteMode OverwriteMode = Prompt;
  bool DoAll = false;
  TIncompleteZipMode IncompleteZipMode = izAssumeMulti;
  bool KeepZipOpen = false;
  bool DoProcessMessages = true;
  bool RetainAttributes = true;
  bool ReplaceReadOnly = false;
  bool FlushFilesOnClose = false;
  std::string Password;
  // The most bytes one run may write into a caller's stream or the component's own buffer: an entry's stated size
  // is no bound (a small archive can claim and inflate to gigabytes). More raises EMemoryLimitExceeded.
  static constexpr int64_t kDefaultMemoryLimit = int64_t{32} << 20;
  int64_t MemoryLimit = kDefaultMemoryLimit;

  // Events.
  std::function<void(TZipReader& sender, int numFiles, int64_t totalBytes, bool& stopNow)> OnStartUnZipInfo;
  std::function<void(TZipReader& sender, int percent)> OnFilePercentDone;
  std::function<void(TZipReader& sender, int percent)> OnTotalPercentDone;
  std::function<void(TZipReader& sender, int fileIndex, std::string& fName, bool& skip)> OnStartUnZip;
  std::function<void(TZipReader& sender, int fileIndex, const std::string& fName)> OnEndUnZip;
  std::function<void(TZipReader& sender, bool& overWriteIt, int fileIndex, std::string& fName)> OnPromptForOverwrite;
  std::function<void(TZipReader& sender, TSkipReason reason, const std::string& fName, int fileIndex, bool& retry)>
      OnSkippingFile;
  std::function<void(TZipReader& sender, int fileIndex, std::string& newPassword)> OnBadPassword;
  std::function<void(TZipReader& sender, uint32_t calcCRC, uint32_t storedCRC, int fileIndex)> OnBadCRC;
  std::function<void(TZipReader& sender, TIncompleteZipMode& incompleteMode)> OnInCompleteZip;
  std::function<void(TZipReader& sender, int nextDisk, std::string& fName)> OnGetNextDisk;
  std::function<void(TZipReader& sender, int fileCount)> OnUnZipComplete;
  std::function<void(TZipReader& sender, uint8_t*& buffer, const std::string& fName, int64_t amountUsed, int bufferNum,
                     bool& quit)>
      OnGetNextBuffer;

  // The component reads the archive from stream from now on and owns it (nullptr ends stream mode). The caller may
  // keep a plain pointer to fill it.
  void SetSourceStream(std::unique_ptr<pf::TStream> stream);
  pf::TStream* ArchiveStream() const { return archive_.get(); }
  bool StreamMode() const { return streamMode_; }
  void ReadDirectory();
  void OpenArchive();
  void CloseArchive();
  // Extracts every entry matching entryName (a wildcard pattern) into stream; returns the number extracted.
  int ExtractToStream(pf::TStream* stream, const std::string& entryName);
  // Extracts entryName's matches into a caller's buffer of bufferSize bytes (buffer nullptr: into the component's
  // own buffer, Buffer(), which holds the entries' bytes afterwards). OnGetNextBuffer is asked for room when the
  // caller's buffer is full.
  int ExtractToBuffer(uint8_t* buffer, int64_t bufferSize, const std::string& entryName);
  const std::vector<uint8_t>& Buffer() const { return ownBuffer_; }
  // The extraction run over FilesList (or DoAll, or individually marked entries); to files when no target stream
  // or buffer is set.
  int ExtractMatchingEntries(pf::TStream* stream);
  // Marks an entry of the view for the next run instead of FilesList.
  void SelectEntry(int index, bool selected);
  // Asks for a running read or extraction to stop (EUserCanceled "User Aborted Operation").
  void Cancel() { cancel_ = true; }

  // The directory in view order; an index outside raises EListError "Index %d is out of range".
  int Count() const;
  TZipHeaderInfo& Items(int index) const;
  const TEndCentral& EndCentral() const { return endCentral_; }
  int NumberOfDisks() const { return numberOfDisks_; }

  // The directory reading and its helpers (also used by the extraction run).
  void ReadCentralDirectory(pf::TStream*& stream);

 private:
  struct Run;
  friend struct Run;
  class EntryInput;
  class EntryOutput;
  class EntryExtraction;
  friend class EntryExtraction;

  // Runs the extraction into the target set by the caller (FilesList replaced by pattern when given); the target
  // is cleared and the archive closed afterwards, also after an exception.
  int ExtractWithTarget(const std::string* pattern);
  int RunExtraction();
  // Which entries of the view take part in a run; numFiles and totalBytes count the named ones among them.
  std::vector<bool> SelectEntries(int& numFiles, int64_t& totalBytes);
  void ClearArchive();
  void FreeDirectory();
  void ExtractEntry(int index);
  bool RebuildFromLocalHeaders(pf::TStream& stream);
  bool SwitchToDisk(int disk, const char* refusal = kMsgCancelNewDisk);
  void DefaultGetNextDisk(TZipReader& sender, int nextDisk, std::string& fName);
  std::string VolumeOnLabelMount(const std::string& volume, const std::string& number) const;
  void CheckCancel();
  bool SelectionMatches(const TZipHeaderInfo& entry) const;

  int thisVersion_ = 222;
  std::string zipName_;
  std::string destDir_;
  std::string rootDir_;
  TZipSortMode sortMode_ = ByNone;
  pf::TStringList filesList_;
  bool useFlag_ = true;
  int multiMode_ = 0;

  std::unique_ptr<pf::TStream> archive_;
  bool streamMode_ = false;
  std::unique_ptr<TSortedZip> directory_;  // archive order, owns the entries
  std::unique_ptr<TSortedZip> view_;       // sorted view, not owning (null when SortMode is ByNone)
  TEndCentral endCentral_;
  TZipHeaderInfo working_;
  int32_t archiveDate_ = 0;
  bool cancel_ = false;
  bool busy_ = false;
  bool marked_ = false;  // entries were marked individually
  int currentDisk_ = 0;
  int numberOfDisks_ = 1;
  std::string archiveBelowMount_;  // a set on removable media: the archive's path below its medium's mount point

  pf::TStream* target_ = nullptr;
  bool toStream_ = false;
  uint8_t* callerBuffer_ = nullptr;
  int64_t callerBufferSize_ = 0;
  bool toBuffer_ = false;
  std::vector<uint8_t> ownBuffer_;
  std::unique_ptr<Run> run_;

  static constexpr int kArchiveBufferSize = 8192;
};

}  // namespace zip
