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

}  // namespace

class TZipReader::EntryInput : public DecoderInput {
 public:
  explicit EntryInput(TZipReader& reader) : r_(reader), buffer_(kInputSize + 12) {}
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
    while (got < n && r_.multiMode_ != 0) {
      // The entry continues on the next volume.
      // No further volume (a refusal raises on its own): the archive ends inside the data.
      if (!r_.SwitchToDisk(r_.currentDisk_ + 1)) throw EFatalUnzipError(kMsgPrematureEnd);
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
  }
  uint32_t crc = 0xFFFFFFFF;
  int64_t totalBytes = 0;
  int64_t totalWritten = 0;
  int bufferNum = 0;
  int64_t bufferUsed = 0;

 protected:
  void FlushWindow(const uint8_t* data, int count) override {
    // The limit counts this entry's bytes, not the target's position (several entries may share one stream).
    if (written_ + count > size_) throw EBiggerThanUncompressed(kMsgBiggerThanUncompressed);
    if (road_ == Road::Buffer && r_.callerBuffer_ == nullptr) {
      // The component's own buffer grows with the data (never beyond the stated size checked above), so a
      // damaged size field costs no memory.
      r_.ownBuffer_.insert(r_.ownBuffer_.end(), data, data + count);
    } else if (road_ == Road::Buffer) {
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
    } else if (target_->Write(data, count) != count) {
      throw ECantWriteUCF(kMsgCantWrite);
    }
    UpdateCRC(crc, data, count);
    written_ += count;
    totalWritten += count;
    if (r_.OnFilePercentDone) r_.OnFilePercentDone(r_, PercentOf64(size_, written_));
    if (r_.OnTotalPercentDone) r_.OnTotalPercentDone(r_, PercentOf64(totalBytes, totalWritten));
  }

 private:
  TZipReader& r_;
  Road road_ = Road::Stream;
  pf::TStream* target_ = nullptr;
  int64_t size_ = 0;
  int64_t written_ = 0;
  std::string name_;
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
      r.marked_ = false;
    }
  } restore{*this, savedKeep, savedMode};
  run_ = std::make_unique<Run>(*this);
  const bool fileRoad = !toStream_ && !toBuffer_;
  if (fileRoad && !destDir_.empty() && !pf::DirectoryExists(destDir_)) CreateDirectoryPath(destDir_);
  if (multiMode_ != 0 && sortMode_ != ByNone) SetSortMode(ByNone);

  const int n = Count();
  std::vector<bool> selected(static_cast<size_t>(n), false);
  int numFiles = n;
  int64_t totalBytes = 0;
  for (int i = 0; i < n; ++i) {
    TZipHeaderInfo& entry = Items(i);
    bool sel = DoAll;
    if (!sel) {
      if (marked_) {
        sel = entry.Selected;
        entry.Selected = false;
      } else {
        sel = SelectionMatches(entry);
      }
    }
    if (entry.FileName.empty() && !RecreateDirs) sel = false;
    selected[static_cast<size_t>(i)] = sel;
    if (sel && !entry.FileName.empty())
      totalBytes += entry.UncompressedSize;
    else if (!sel)
      --numFiles;
  }
  run_->output.totalBytes = totalBytes;
  bool stopNow = false;
  if (OnStartUnZipInfo) OnStartUnZipInfo(*this, numFiles, totalBytes, stopNow);
  if (!stopNow && numFiles > 0) {
    for (int i = 0; i < n; ++i) {
      if (!selected[static_cast<size_t>(i)]) continue;
      run_->triedPassword = Password;
      do {
        run_->retry = false;
        ExtractEntry(i);
      } while (run_->retry);
    }
  }
  int count = run_->count;
  if (OnUnZipComplete) OnUnZipComplete(*this, count);
  return count;
}

void TZipReader::ExtractEntry(int index) {
  Run& run = *run_;
  working_ = Items(index);
  const Road road = toStream_ ? Road::Stream : toBuffer_ ? Road::Buffer : Road::File;
  const std::string storedName = working_.FullName();

  auto skip = [&](TSkipReason reason, const std::string& fName) {
    bool retry = false;
    if (OnSkippingFile) OnSkippingFile(*this, reason, fName, index, retry);
    run.output.totalBytes -= working_.UncompressedSize;
  };

  // Target name. On the file road the folder is the stored one (less RootDir) with RecreateDirs, for files and
  // folder entries alike; a name that would leave the destination folder is skipped.
  std::string fName = storedName;
  if (road == Road::File) {
    if (IsUnsafeName(storedName)) {
      skip(srUnsafeName, storedName);
      return;
    }
    std::string folder;
    if (RecreateDirs && !working_.Directory.empty()) {
      folder = working_.Directory;
      if (!rootDir_.empty() && folder.size() >= rootDir_.size() &&
          pf::AnsiSameText(folder.substr(0, rootDir_.size()), rootDir_))
        folder.erase(0, rootDir_.size());
    }
    fName = pf::PathJoin(destDir_.empty() ? "." : destDir_, folder + working_.FileName);
  }

  // A folder entry: counts as extracted; on the file road its folder is made.
  if (working_.FileName.empty()) {
    if (road == Road::File && RecreateDirs && !pf::DirectoryExists(fName)) CreateDirectoryPath(fName);
    ++run.count;
    return;
  }

  // A volume that does not exist (a refusal raises on its own): the directory entry is wrong.
  if (multiMode_ != 0 && !SwitchToDisk(working_.DiskNumberStart)) throw EBadZipFile(kMsgNotAZip);
  pf::TStream& archive = *archive_;
  if (working_.RelativeOffset > archive.Size()) throw EFatalUnzipError(kMsgPrematureEnd);
  archive.Seek(working_.RelativeOffset, pf::soBeginning);
  uint8_t local[kLocalSize];
  if (ReadFully(archive, local, kLocalSize) < kLocalSize) throw EFatalUnzipError(kMsgPrematureEnd);
  if (GetU32(local) != LocalSignature()) throw EBadZipFile(kMsgNotAZip);
  // The data follows the local header's own name and extra field, whose lengths may differ from the central ones.
  const int64_t dataOffset =
      static_cast<int64_t>(working_.RelativeOffset) + kLocalSize + GetU16(local + 26) + GetU16(local + 28);

  bool skipIt = false;
  if (OnStartUnZip) OnStartUnZip(*this, index, fName, skipIt);
  if (skipIt) return;
  if (road == Road::File) {
    std::string dir = pf::ExtractFileDir(fName);
    if (!dir.empty() && !pf::DirectoryExists(dir)) CreateDirectoryPath(dir);
  }

  // Password check on the 12-byte header.
  const bool encrypted = working_.IsEncrypted();
  int64_t compressed = working_.CompressedSize;
  if (encrypted) {
    // With the sizes after the data, the high byte of the time as the local header stores it (the directory's
    // copy is clamped into range); else the CRC's high byte.
    const uint8_t expected = working_.HasDataDescriptor() ? local[11] : static_cast<uint8_t>(working_.CRC32 >> 24);
    for (;;) {
      archive.Seek(dataOffset, pf::soBeginning);
      compressed = working_.CompressedSize;
      if (run.decrypter.ReadEncryptionHeader(run.triedPassword, archive, compressed) == expected) break;
      std::string newPassword = run.triedPassword;
      if (OnBadPassword) OnBadPassword(*this, index, newPassword);
      if (!OnBadPassword || newPassword == run.triedPassword) {
        skip(srBadPassword, fName);
        return;
      }
      run.triedPassword = newPassword;
    }
  }

  // Checked before any output exists, so that an existing file is not replaced by nothing.
  const uint16_t method = working_.CompressionMethod;
  if (!IsKnownMethod(method)) {
    pf::Dialogs().MessageBox("Unknown Compression Method", "Zip Error", pf::MB_OK);
    return;
  }

  // Output.
  std::unique_ptr<TLFNFileStream> file;
  pf::TStream* target = target_;
  int64_t streamStart = 0;
  if (road == Road::File) {
    if (pf::FileExists(fName)) {
      bool overwrite = false;
      switch (OverwriteMode) {
        case Always:
          overwrite = true;
          break;
        case Prompt:
          if (OnPromptForOverwrite)
            OnPromptForOverwrite(*this, overwrite, index, fName);
          else
            overwrite = pf::Dialogs().MessageBox("Replace existing file " + storedName + "?", "File Exists Alert",
                                                 pf::MB_YESNO) == pf::mrYes;
          break;
        case Never:
          break;
        case ifNewer:
          overwrite = working_.DateTime > static_cast<uint32_t>(pf::FileAge(fName));
          break;
        case ifOlder:
          overwrite = working_.DateTime < static_cast<uint32_t>(pf::FileAge(fName));
          break;
      }
      if (!overwrite) {
        skip(srNoOverwrite, fName);
        return;
      }
    }
    file = std::make_unique<TLFNFileStream>(fName, pf::fmCreate, FlushFilesOnClose, kArchiveBufferSize);
    target = file.get();
  } else if (road == Road::Stream) {
    streamStart = target->Position();
  }
  // Nothing of a failed entry stays behind: the caller's stream is cut back, a written file is removed.
  auto discard = [&] {
    if (road == Road::Stream) {
      target->SetSize(streamStart);
      target->Seek(streamStart, pf::soBeginning);
    } else if (road == Road::File) {
      file.reset();
      pf::DeleteFile(fName);
    }
  };

  // Decode (the decoders flush the window themselves).
  EntryInput& in = run.input;
  EntryOutput& out = run.output;
  bool decoded = false;
  try {
    archive.Seek(dataOffset + (encrypted ? 12 : 0), pf::soBeginning);
    in.Start(compressed, encrypted ? &run.decrypter : nullptr);
    out.Start(road, target, working_.UncompressedSize, fName);
    switch (method) {
      case 0:
        UnStore(in, out, compressed);
        decoded = true;
        break;
      case 1:
        decoded = UnShrink(in, out, working_.UncompressedSize) == kLegacyOk;
        break;
      case 2:
      case 3:
      case 4:
      case 5:
        decoded = UnReduce(in, out, method - 1, working_.UncompressedSize) == kLegacyOk;
        break;
      case 6:
        decoded = Explode(in, out, working_.Flags, working_.UncompressedSize) == kLegacyOk;
        break;
      case 8:
        decoded = Inflate(in, out) == kInflateOk;
        break;
    }
  } catch (...) {
    try {
      discard();
    } catch (const pf::Exception&) {
    }
    throw;
  }

  const uint32_t crc = ~out.crc;
  if (decoded && crc == working_.CRC32) {
    if (file) {
      file.reset();
      pf::FileSetDate(fName, static_cast<int32_t>(ClampDosDateTime(working_.DateTime)));
      if (RetainAttributes)
        pf::FileSetAttr(fName, static_cast<int32_t>(working_.ExternalAttributes) &
                                   (pf::faReadOnly | pf::faHidden | pf::faSysFile | pf::faArchive));
    }
    if (OnEndUnZip) OnEndUnZip(*this, index, fName);
    ++run.count;
    return;
  }
  discard();
  if (encrypted) {
    std::string newPassword = run.triedPassword;
    if (OnBadPassword) OnBadPassword(*this, index, newPassword);
    if (OnBadPassword && newPassword != run.triedPassword) {
      run.triedPassword = newPassword;
      run.retry = true;
    } else {
      skip(srBadPassword, fName);
    }
  } else if (OnBadCRC) {
    OnBadCRC(*this, crc, working_.CRC32, index);
  }
}

}  // namespace zip
