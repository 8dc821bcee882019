// The extraction run: selection of entries, naming of targets, overwrite rules, the password loop, the dispatch to
// a decoder, the CRC check, and the block-wise input and output of the entry's bytes.
#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/core/exceptions.h"
#include "platform/core/files.h"
#include "platform/core/services.h"
#include "platform/core/strings.h"
#include "zip/bufstream.h"
#include "zip/legacy_methods.h"
#include "zip/methods.h"
#include "zip/zip_crypt.h"
#include "zip/zip_reader.h"
#include "zip/zipmatch.h"
#include "zip/ziputils.h"

namespace zip {

namespace {

constexpr int kInputSize = 32768;
// Zero bytes a decoder may read past the entry's data (look-ahead of its bit buffer) before the entry counts as cut
// short.
constexpr int kZeroAllowance = 64;

enum class Road { File, Stream, Buffer };

// True for a stored name that would leave the destination folder: a leading separator, a drive, or a ".."
// component.
bool IsUnsafeName(const std::string& name) {
  if (name.empty()) return false;
  if (name[0] == '\\' || name[0] == '/') return true;
  if (name.size() >= 2 && name[1] == ':') return true;
  size_t start = 0;
  while (start <= name.size()) {
    size_t end = name.find_first_of("\\/", start);
    if (end == std::string::npos) end = name.size();
    if (name.compare(start, end - start, "..") == 0 && end - start == 2) return true;
    start = end + 1;
  }
  return false;
}

// Stored (0), shrunk (1), reduced (2-5), imploded (6) and deflated (8).
bool IsKnownMethod(uint16_t method) { return method <= 6 || method == 8; }

// Decodes the entry with its method's decoder (the decoders flush the window themselves); false when the decoder
// refused the data.
bool RunDecoder(const TZipHeaderInfo& entry, int64_t compressed, DecoderInput& in, DecoderOutput& out) {
  const uint16_t method = entry.CompressionMethod;
  switch (method) {
    case 0:
      UnStore(in, out, compressed);
      return true;
    case 1:
      return UnShrink(in, out, entry.UncompressedSize) == kLegacyOk;
    case 2:
    case 3:
    case 4:
    case 5:
      return UnReduce(in, out, method - 1, entry.UncompressedSize) == kLegacyOk;
    case 6:
      return Explode(in, out, entry.Flags, entry.UncompressedSize) == kLegacyOk;
    case 8:
      return Inflate(in, out) == kInflateOk;
  }
  return false;
}

}  // namespace

class TZipReader::EntryInput : public DecoderInput {
 public:
  explicit EntryInput(TZipReader& reader) : r_(reader), buffer_(kInputSize + kEncryptionHeaderSize) {}
  void Start(int64_t remaining, ZipDecrypter* decrypter) {
    remaining_ = remaining;
    decrypter_ = decrypter;
    zeros_ = 0;
    inNext = inEnd = nullptr;
    ResetBits();
  }
  int64_t Remaining() const { return remaining_; }

  uint8_t ReadInputByte() override {
    if (inNext != inEnd) return *inNext++;
    r_.CheckCancel();
    if (remaining_ <= 0) {
      if (++zeros_ > kZeroAllowance) throw EFatalUnzipError(kMsgPrematureEnd);
      return 0;
    }
    int32_t n = static_cast<int32_t>(std::min<int64_t>(kInputSize, remaining_));
    remaining_ -= n;
    int32_t got = ReadFully(*r_.archive_, buffer_.data(), n);
    while (got < n && r_.GetMultiMode() != 0) {
      // The entry continues on the next volume; refusing it aborts the run. No further volume: the archive ends
      // inside the data.
      if (!r_.SwitchToDisk(r_.currentDisk_ + 1, kMsgUserAborted)) throw EFatalUnzipError(kMsgPrematureEnd);
      got += ReadFully(*r_.archive_, buffer_.data() + got, n - got);
    }
    if (got < n) throw EFatalUnzipError(kMsgPrematureEnd);
    if (decrypter_) decrypter_->DecryptBuffer(buffer_.data(), n);
    inNext = buffer_.data();
    inEnd = inNext + n;
    return *inNext++;
  }

 private:
  TZipReader& r_;
  std::vector<uint8_t> buffer_;
  int64_t remaining_ = 0;
  ZipDecrypter* decrypter_ = nullptr;
  int zeros_ = 0;
};

class TZipReader::EntryOutput : public DecoderOutput {
 public:
  explicit EntryOutput(TZipReader& reader) : r_(reader) {}
  void Start(Road road, pf::TStream* target, int64_t size, const std::string& name) {
    ResetWindow();
    road_ = road;
    target_ = target;
    size_ = size;
    written_ = 0;
    name_ = name;
    crc = 0xFFFFFFFF;
    toMemory_ = road == Road::Stream || (road == Road::Buffer && r_.callerBuffer_ == nullptr);
  }
  // The entry's bytes were taken out of the target again: they no longer count against the memory limit.
  void Discarded() {
    if (toMemory_) memoryUsed -= written_;
  }
  uint32_t crc = 0xFFFFFFFF;
  int64_t totalBytes = 0;
  int64_t totalWritten = 0;
  int64_t memoryUsed = 0;  // bytes of this run held in the caller's stream or the own buffer
  int bufferNum = 0;
  int64_t bufferUsed = 0;

 protected:
  void FlushWindow(const uint8_t* data, int count) override {
    // The limit counts this entry's bytes, not the target's position (several entries may share one stream).
    if (written_ + count > size_) throw EBiggerThanUncompressed(kMsgBiggerThanUncompressed);
    if (toMemory_ && memoryUsed + count > r_.MemoryLimit)
      throw EMemoryLimitExceeded(pf::Format(kMsgMemoryLimit, {r_.MemoryLimit}));
    if (road_ == Road::Buffer && r_.callerBuffer_ == nullptr) {
      r_.ownBuffer_.insert(r_.ownBuffer_.end(), data, data + count);
    } else if (road_ == Road::Buffer) {
      WriteToCallersBuffer(data, count);
    } else if (target_->Write(data, count) != count) {
      throw ECantWriteUCF(kMsgCantWrite);
    }
    UpdateCRC(crc, data, count);
    written_ += count;
    totalWritten += count;
    if (toMemory_) memoryUsed += count;
    if (r_.OnFilePercentDone) r_.OnFilePercentDone(r_, PercentOf64(size_, written_));
    if (r_.OnTotalPercentDone) r_.OnTotalPercentDone(r_, PercentOf64(totalBytes, totalWritten));
  }

 private:
  // Fills the caller's buffer; each time it is full, OnGetNextBuffer takes it and may hand over the next one.
  void WriteToCallersBuffer(const uint8_t* data, int count) {
    int done = 0;
    while (done < count) {
      if (bufferUsed == r_.callerBufferSize_) {
        bool quit = !r_.OnGetNextBuffer;
        if (r_.OnGetNextBuffer) r_.OnGetNextBuffer(r_, r_.callerBuffer_, name_, bufferUsed, ++bufferNum, quit);
        if (quit || r_.callerBuffer_ == nullptr) throw EUserCanceled(kMsgCancelBuffered);
        bufferUsed = 0;
      }
      int64_t n = std::min<int64_t>(count - done, r_.callerBufferSize_ - bufferUsed);
      std::memcpy(r_.callerBuffer_ + bufferUsed, data + done, static_cast<size_t>(n));
      bufferUsed += n;
      done += static_cast<int>(n);
    }
  }

  TZipReader& r_;
  Road road_ = Road::Stream;
  pf::TStream* target_ = nullptr;
  int64_t size_ = 0;
  int64_t written_ = 0;
  std::string name_;
  bool toMemory_ = false;
};

struct TZipReader::Run {
  explicit Run(TZipReader& r) : input(r), output(r) {}
  EntryInput input;
  EntryOutput output;
  ZipDecrypter decrypter;
  int count = 0;
  bool retry = false;
  std::string triedPassword;  // kept while an entry is retried with a password from OnBadPassword
};

// One entry of a run, in the steps of its extraction: target name, local header, start event, password, output,
// decoding, and the CRC check that decides whether it counts.
class TZipReader::EntryExtraction {
 public:
  EntryExtraction(TZipReader& reader, int index)
      : r_(reader),
        run_(*reader.run_),
        entry_(reader.working_),
        index_(index),
        road_(reader.toStream_   ? Road::Stream
              : reader.toBuffer_ ? Road::Buffer
                                 : Road::File) {
    entry_ = reader.Items(index);
  }

  void Extract() {
    if (!NameTarget()) return;
    const bool folder = entry_.FileName.empty();
    if (!folder && !ReadLocalHeader()) return;
    bool skip = false;
    if (r_.OnStartUnZip) r_.OnStartUnZip(r_, index_, fName_, skip);
    if (skip) return;
    if (folder) {
      // A folder entry counts as extracted; on the file road its folder is made.
      if (road_ == Road::File && r_.RecreateDirs && !pf::DirectoryExists(fName_)) CreateDirectoryPath(fName_);
      ++run_.count;
      return;
    }
    if (road_ == Road::File) {
      const std::string dir = pf::ExtractFileDir(fName_);
      if (!dir.empty() && !pf::DirectoryExists(dir)) CreateDirectoryPath(dir);
    }
    if (entry_.IsEncrypted() && !CheckPassword()) return;
    // Checked before any output exists, so that an existing file is not replaced by nothing.
    if (!IsKnownMethod(entry_.CompressionMethod)) {
      pf::Dialogs().MessageBox("Unknown Compression Method", "Zip Error", pf::MB_OK);
      return;
    }
    if (!OpenOutput()) return;
    CheckResult(Decode());
  }

 private:
  // The stored name on the stream and buffer roads. On the file road DestDir plus, with RecreateDirs, the stored
  // folder less RootDir, for files and folder entries alike; a name that would leave DestDir is skipped.
  bool NameTarget() {
    const std::string stored = entry_.FullName();
    fName_ = stored;
    if (road_ != Road::File) return true;
    if (IsUnsafeName(stored)) {
      Skip(srUnsafeName);
      return false;
    }
    std::string folder;
    if (r_.RecreateDirs && !entry_.Directory.empty()) {
      folder = entry_.Directory;
      const std::string& root = r_.rootDir_;
      if (!root.empty() && folder.size() >= root.size() && pf::AnsiSameText(folder.substr(0, root.size()), root))
        folder.erase(0, root.size());
    }
    fName_ = pf::PathJoin(r_.destDir_.empty() ? "." : r_.destDir_, folder + entry_.FileName);
    return true;
  }

  // The data follows the local header's own name and extra field, whose lengths may differ from the central ones.
  // A header that is missing or damaged fails this entry alone.
  bool ReadLocalHeader() {
    // A volume that does not exist (a refusal raises on its own): the directory entry is wrong.
    if (r_.GetMultiMode() != 0 && !r_.SwitchToDisk(entry_.DiskNumberStart)) throw EBadZipFile(kMsgNotAZip);
    pf::TStream& archive = *r_.archive_;
    uint8_t local[kLocalSize];
    const int64_t offset = entry_.RelativeOffset;
    if (offset > archive.Size() || archive.Seek(offset, pf::soBeginning) != offset ||
        ReadFully(archive, local, kLocalSize) < kLocalSize || GetU32(local) != LocalSignature()) {
      Skip(srBadLocalHeader);
      return false;
    }
    dataOffset_ = offset + kLocalSize + GetU16(local + kLocalNameLength) + GetU16(local + kLocalExtraLength);
    localTimeHigh_ = local[kLocalTime + 1];
    compressed_ = entry_.CompressedSize;
    return true;
  }

  // The decrypted 12-byte header must end in the check byte: with the sizes after the data, the high byte of the
  // time as the local header stores it (the directory's copy is clamped into range); else the CRC's high byte.
  bool CheckPassword() {
    const uint8_t expected = entry_.HasDataDescriptor() ? localTimeHigh_ : static_cast<uint8_t>(entry_.CRC32 >> 24);
    for (;;) {
      r_.archive_->Seek(dataOffset_, pf::soBeginning);
      compressed_ = entry_.CompressedSize;
      if (run_.decrypter.ReadEncryptionHeader(run_.triedPassword, *r_.archive_, compressed_) == expected) return true;
      if (!AskForNewPassword()) {
        Skip(srBadPassword);
        return false;
      }
    }
  }

  // OnBadPassword may offer another password, which is then the one tried; true when it did.
  bool AskForNewPassword() {
    if (!r_.OnBadPassword) return false;
    std::string newPassword = run_.triedPassword;
    r_.OnBadPassword(r_, index_, newPassword);
    if (newPassword == run_.triedPassword) return false;
    run_.triedPassword = newPassword;
    return true;
  }

  // OverwriteMode, for a target file that exists.
  bool MayOverwrite() {
    switch (r_.OverwriteMode) {
      case Always:
        return true;
      case Prompt: {
        bool overwrite = false;
        if (r_.OnPromptForOverwrite)
          r_.OnPromptForOverwrite(r_, overwrite, index_, fName_);
        else
          overwrite = pf::Dialogs().MessageBox("Replace existing file " + entry_.FullName() + "?", "File Exists Alert",
                                               pf::MB_YESNO) == pf::mrYes;
        return overwrite;
      }
      case Never:
        return false;
      case ifNewer:
        return entry_.DateTime > static_cast<uint32_t>(pf::FileAge(fName_));
      case ifOlder:
        return entry_.DateTime < static_cast<uint32_t>(pf::FileAge(fName_));
    }
    return false;
  }

  bool OpenOutput() {
    target_ = r_.target_;
    if (road_ == Road::Stream) streamStart_ = target_->Position();
    if (road_ == Road::Buffer) bufferStart_ = r_.ownBuffer_.size();
    if (road_ != Road::File) return true;
    if (pf::FileExists(fName_) && !MayOverwrite()) {
      Skip(srNoOverwrite);
      return false;
    }
    file_ = std::make_unique<TLFNFileStream>(fName_, pf::fmCreate, r_.FlushFilesOnClose, kArchiveBufferSize);
    target_ = file_.get();
    return true;
  }

  // Runs the method's decoder over the entry's data; false when it refused the data. An entry that raises is taken
  // out of the caller's stream and the own buffer again; a file keeps what was written up to the failure.
  bool Decode() {
    const bool encrypted = entry_.IsEncrypted();
    try {
      r_.archive_->Seek(dataOffset_ + (encrypted ? kEncryptionHeaderSize : 0), pf::soBeginning);
      run_.input.Start(compressed_, encrypted ? &run_.decrypter : nullptr);
      run_.output.Start(road_, target_, entry_.UncompressedSize, fName_);
      return RunDecoder(entry_, compressed_, run_.input, run_.output);
    } catch (...) {
      try {
        Discard(false);
      } catch (const pf::Exception&) {
      }
      throw;
    }
  }

  // The file is closed first (its last bytes may fail to go out). A good CRC counts the entry (a file gets its date
  // and attributes); otherwise nothing of it stays, and a wrong password, which shows only here, may be replaced
  // through OnBadPassword for another try.
  void CheckResult(bool decoded) {
    if (file_) CloseFile();
    const uint32_t crc = ~run_.output.crc;
    if (decoded && crc == entry_.CRC32) {
      if (road_ == Road::File) SetFileDateAndAttributes();
      if (r_.OnEndUnZip) r_.OnEndUnZip(r_, index_, fName_);
      ++run_.count;
      return;
    }
    Discard(true);
    if (!entry_.IsEncrypted()) {
      if (r_.OnBadCRC) r_.OnBadCRC(r_, crc, entry_.CRC32, index_);
    } else if (AskForNewPassword()) {
      run_.retry = true;
    } else {
      Skip(srBadPassword);
    }
  }

  // The file's last bytes are written only now: a short write here fails the entry as one on the way does, and
  // the file stays as far as it was written.
  void CloseFile() {
    const bool complete = file_->Finish();
    file_.reset();
    if (!complete) throw ECantWriteUCF(kMsgCantWrite);
  }

  void SetFileDateAndAttributes() {
    pf::FileSetDate(fName_, static_cast<int32_t>(ClampDosDateTime(entry_.DateTime)));
    if (r_.RetainAttributes)
      pf::FileSetAttr(fName_, static_cast<int32_t>(entry_.ExternalAttributes) &
                                  (pf::faReadOnly | pf::faHidden | pf::faSysFile | pf::faArchive));
  }

  // Takes the entry's bytes out again: the caller's stream and the own buffer are cut back; a file is closed, and
  // removed with removeFile.
  void Discard(bool removeFile) {
    run_.output.Discarded();
    if (road_ == Road::Stream) {
      target_->SetSize(streamStart_);
      target_->Seek(streamStart_, pf::soBeginning);
    } else if (road_ == Road::Buffer && r_.callerBuffer_ == nullptr) {
      r_.ownBuffer_.resize(bufferStart_);
    } else if (road_ == Road::File) {
      file_.reset();
      if (removeFile) pf::DeleteFile(fName_);
    }
  }

  void Skip(TSkipReason reason) {
    bool retry = false;
    if (r_.OnSkippingFile) r_.OnSkippingFile(r_, reason, fName_, index_, retry);
    run_.output.totalBytes -= entry_.UncompressedSize;
  }

  TZipReader& r_;
  Run& run_;
  TZipHeaderInfo& entry_;  // the component's working header
  const int index_;
  const Road road_;
  std::string fName_;
  int64_t dataOffset_ = 0;
  uint8_t localTimeHigh_ = 0;
  int64_t compressed_ = 0;
  std::unique_ptr<TLFNFileStream> file_;
  pf::TStream* target_ = nullptr;
  int64_t streamStart_ = 0;
  size_t bufferStart_ = 0;
};

// Construction and destruction live beside the run state they own.
TZipReader::TZipReader(pf::TComponent* owner) : pf::TComponent(owner) {
  OnGetNextDisk = [this](TZipReader& sender, int nextDisk, std::string& fName) {
    DefaultGetNextDisk(sender, nextDisk, fName);
  };
}

TZipReader::~TZipReader() {
  run_.reset();
  archive_.reset();
  FreeDirectory();
}

bool TZipReader::SelectionMatches(const TZipHeaderInfo& entry) const {
  const std::string name = pf::AnsiLowerCase(entry.FullName());
  // Stored names separate folders with "\"; a pattern written with "/" means the same.
  for (int i = 0; i < filesList_.Count(); ++i)
    if (IsWildcardMatch(pf::AnsiLowerCase(SlashesToBackslashes(filesList_[i])), name)) return true;
  return false;
}

// DoAll, the individual marks or FilesList select; folder entries take part only with RecreateDirs. Every run takes
// and clears the marks, also one over all entries. Only entries with a name count as files to do and add their size.
std::vector<bool> TZipReader::SelectEntries(int& numFiles, int64_t& totalBytes) {
  const int n = Count();
  std::vector<bool> selected(static_cast<size_t>(n), false);
  numFiles = n;
  totalBytes = 0;
  for (int i = 0; i < n; ++i) {
    TZipHeaderInfo& entry = Items(i);
    const bool mark = entry.Selected;
    entry.Selected = false;
    bool sel = DoAll || (marked_ ? mark : SelectionMatches(entry));
    if (entry.FileName.empty() && !RecreateDirs) sel = false;
    selected[static_cast<size_t>(i)] = sel;
    if (sel && !entry.FileName.empty())
      totalBytes += entry.UncompressedSize;
    else
      --numFiles;
  }
  return selected;
}

int TZipReader::RunExtraction() {
  const bool savedKeep = KeepZipOpen;
  KeepZipOpen = true;
  const TZipSortMode savedMode = sortMode_;
  struct Restore {
    TZipReader& r;
    bool keep;
    TZipSortMode mode;
    ~Restore() {
      r.run_.reset();
      if (r.sortMode_ != mode) r.SetSortMode(mode);
      r.KeepZipOpen = keep;
    }
  } restore{*this, savedKeep, savedMode};
  run_ = std::make_unique<Run>(*this);
  const bool fileRoad = !toStream_ && !toBuffer_;
  if (fileRoad && !destDir_.empty() && !pf::DirectoryExists(destDir_)) CreateDirectoryPath(destDir_);
  if (GetMultiMode() != 0 && sortMode_ != ByNone) SetSortMode(ByNone);

  int numFiles = 0;
  int64_t totalBytes = 0;
  const std::vector<bool> selected = SelectEntries(numFiles, totalBytes);
  marked_ = false;
  run_->output.totalBytes = totalBytes;
  bool stopNow = false;
  if (OnStartUnZipInfo) OnStartUnZipInfo(*this, numFiles, totalBytes, stopNow);
  for (size_t i = 0; i < selected.size() && !stopNow; ++i) {
    if (!selected[i]) continue;
    run_->triedPassword = Password;
    do {
      run_->retry = false;
      ExtractEntry(static_cast<int>(i));
    } while (run_->retry);
  }
  int count = run_->count;
  if (OnUnZipComplete) OnUnZipComplete(*this, count);
  return count;
}

void TZipReader::ExtractEntry(int index) { EntryExtraction(*this, index).Extract(); }

}  // namespace zip
