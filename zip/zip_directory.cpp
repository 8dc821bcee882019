// Reading an archive's directory: the end record (or a ".zfc" side file), the central entries, the multi-volume
// state, and the rebuilding of a directory from local headers when the end record is missing.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "platform/core/datetime.h"
#include "platform/core/drives.h"
#include "platform/core/files.h"
#include "platform/core/services.h"
#include "platform/core/strings.h"
#include "zip/bufstream.h"
#include "zip/zip_reader.h"
#include "zip/ziputils.h"

namespace zip {

namespace {

constexpr uint32_t kDescriptorSignature = 0x08074B50;

// Finds the first offset >= from at which pred holds for the bytes there, reading in chunks (bytes at the end of
// the stream count too). Returns -1 at the end of the stream. every is called after each 10240 bytes passed.
template <typename Pred, typename Tick>
int64_t ScanStream(pf::TStream& stream, int64_t from, int window, Pred pred, Tick every) {
  const int64_t size = stream.Size();
  std::vector<uint8_t> chunk(65536 + static_cast<size_t>(window));
  int64_t pos = from;
  int64_t sinceTick = 0;
  while (pos < size) {
    stream.Seek(pos, pf::soBeginning);
    int32_t got = ReadFully(stream, chunk.data(), static_cast<int32_t>(chunk.size()));
    if (got <= 0) break;
    int32_t limit = pos + got >= size ? got : got - window;  // keep a full window ahead except at the end
    if (limit <= 0) limit = got;
    for (int32_t i = 0; i < limit; ++i) {
      if (pred(chunk.data() + i, got - i, pos + i)) return pos + i;
      if (++sinceTick >= 10240) {
        sinceTick = 0;
        every();
      }
    }
    pos += limit;
  }
  return -1;
}

}  // namespace

void TZipReader::FreeDirectory() {
  view_.reset();
  directory_.reset();
  marked_ = false;  // the marked entries are gone
}

void TZipReader::SetSortMode(TZipSortMode mode) {
  sortMode_ = mode;
  view_.reset();
  if (!directory_ || mode == ByNone) return;
  view_ = std::make_unique<TSortedZip>(dupAcceptItem, false, mode);
  for (int i = 0; i < directory_->Count(); ++i) view_->Add(directory_->Items(i));
}

void TZipReader::CheckCancel() {
  if (DoProcessMessages) pf::ProcessMessages();
  if (cancel_) {
    cancel_ = false;
    throw EUserCanceled(kMsgUserAborted);
  }
}

// The volume's name: the archive's with the extension ".%3.3d" of the disk's number, the last volume (which holds
// the end record) the archive itself. On a removable drive the user changes the disk, and the disk in the drive is
// taken once its label ends in the number; Cancel empties the name.
void TZipReader::DefaultGetNextDisk(TZipReader&, int nextDisk, std::string& fName) {
  const std::string number = pf::Format("%3.3d", {nextDisk});
  fName = nextDisk == endCentral_.ThisDisk + 1 ? zipName_ : pf::ChangeFileExt(zipName_, "." + number);
  if (GetMultiMode() != 1) return;
  const std::string named = fName;
  for (;;) {
    const std::string prompt = "Please insert disk " + pf::IntToStr(nextDisk) + " of the multi-disk set.";
    if (pf::Dialogs().MessageBox(prompt, "", pf::MB_OKCANCEL) != pf::mrOk) {
      fName.clear();
      return;
    }
    if (RightStr(GetVolumeLabel(named), 3) == number) return;  // a drive with a fixed mount point
    const std::string mounted = VolumeOnLabelMount(named, number);
    if (!mounted.empty()) {
      fName = mounted;
      return;
    }
  }
}

// A desktop mounts each medium at a folder named by its label, so the folder that held the archive goes with its
// disk: the disk asked for is then the removable medium whose label ends in the number, and the volume lies at the
// archive's place below that medium's mount point. "" when no such medium is mounted.
std::string TZipReader::VolumeOnLabelMount(const std::string& volume, const std::string& number) const {
  if (archiveBelowMount_.empty()) return {};
  for (const pf::MountedVolume& mount : pf::Drives().RemovableMounts())
    if (RightStr(LeftStr(mount.label, 14), 3) == number)
      return pf::PathJoin(mount.mountPoint, pf::ExtractFilePath(archiveBelowMount_) + pf::ExtractFileName(volume));
  return {};
}

// Volume d (from 0) is named by OnGetNextDisk for disk d + 1; in numbered files the last one is the archive
// itself and nobody is asked, while on a removable drive every change of disk is asked for. False when there is
// no such volume (in stream mode there is only the stream); a volume nobody names raises EUserCanceled with
// refusal.
bool TZipReader::SwitchToDisk(int disk, const char* refusal) {
  if (disk == currentDisk_ && archive_) return true;
  if (streamMode_ || disk < 0 || disk > endCentral_.ThisDisk) return false;
  std::string name = zipName_;
  if (disk != endCentral_.ThisDisk || GetMultiMode() == 1) {
    name.clear();
    if (OnGetNextDisk) OnGetNextDisk(*this, disk + 1, name);
    if (name.empty()) throw EUserCanceled(refusal);
  }
  archive_.reset();
  archive_ = std::make_unique<TLFNFileStream>(name, pf::fmOpenRead | pf::fmShareDenyWrite, false, kArchiveBufferSize);
  currentDisk_ = disk;
  return true;
}

bool TZipReader::RebuildFromLocalHeaders(pf::TStream& stream) {
  const int64_t size = stream.Size();
  int64_t from = pf::AnsiSameText(pf::ExtractFileExt(zipName_), ".exe") ? 14000 : 0;
  if (from > size) from = size;
  const uint32_t sig = LocalSignature();
  auto isLocal = [sig](const uint8_t* p, int32_t avail, int64_t) {
    return avail >= 6 && GetU32(p) == sig && p[5] < 10;
  };
  int64_t start = ScanStream(stream, from, 6, isLocal, [this] { CheckCancel(); });
  if (start < 0) return false;

  auto list = std::make_unique<TSortedZip>(dupIgnoreItem, true, ByNone);
  int64_t pos = start;
  stream.Seek(pos, pf::soBeginning);
  for (;;) {
    auto entry = std::make_unique<TZipHeaderInfo>();
    if (!entry->ReadLocalFromStream(stream)) break;
    int64_t data = pos + kLocalSize + entry->FileNameLength + entry->LocalExtraFieldLength;
    int64_t next = data + entry->CompressedSize;
    if (entry->HasDataDescriptor() && entry->CompressedSize == 0) {
      // The sizes follow the data: find the descriptor whose compressed size equals its distance from the data.
      auto isDescriptor = [data](const uint8_t* p, int32_t avail, int64_t at) {
        return avail >= 16 && GetU32(p) == kDescriptorSignature && GetU32(p + 8) == static_cast<uint64_t>(at - data);
      };
      int64_t d = ScanStream(stream, data, 16, isDescriptor, [this] { CheckCancel(); });
      if (d < 0) {
        // No descriptor follows: the stream ends inside the data or its descriptor. The entry claims one byte
        // more than is left, so that its extraction meets the end; its size is unknown.
        entry->CompressedSize = static_cast<uint32_t>(std::clamp<int64_t>(size - data + 1, 1, UINT32_MAX));
        entry->UncompressedSize = UINT32_MAX;
        next = size + 1;
      } else {
        uint8_t desc[16];
        stream.Seek(d, pf::soBeginning);
        ReadFully(stream, desc, 16);
        entry->CRC32 = GetU32(desc + 4);
        entry->CompressedSize = GetU32(desc + 8);
        entry->UncompressedSize = GetU32(desc + 12);
        next = d + 16;
      }
    } else if (entry->HasDataDescriptor()) {
      next += 16;
    }
    list->Add(entry.release());
    if (next > size) {
      // Cut short: the entry is listed (its extraction raises the premature end) and nothing follows it.
      pos = size;
      break;
    }
    pos = next;
    stream.Seek(pos, pf::soBeginning);
  }
  if (list->Count() == 0) return false;
  directory_ = std::move(list);
  endCentral_.ThisDisk = 0;
  endCentral_.CentralOffset = static_cast<uint32_t>(pos);
  endCentral_.TotalEntries = static_cast<uint16_t>(directory_->Count() > 0xFFFF ? 0xFFFF : directory_->Count());
  currentDisk_ = 0;
  stream.Seek(pos, pf::soBeginning);
  return true;
}

void TZipReader::ReadCentralDirectory(pf::TStream*& stream) {
  archiveDate_ = streamMode_ ? pf::DateTimeToFileDate(pf::Now()) : pf::FileAge(zipName_);
  FreeDirectory();
  numberOfDisks_ = 1;
  SetMultiMode(0);
  archiveBelowMount_.clear();
  currentDisk_ = 0;

  std::unique_ptr<pf::TStream> side;
  bool found = endCentral_.ReadFromStream(*stream);
  if (!found && !streamMode_ && !zipName_.empty()) {
    std::string sideName = pf::ChangeFileExt(zipName_, ".zfc");
    if (pf::FileExists(sideName)) {
      side =
          std::make_unique<TLFNFileStream>(sideName, pf::fmOpenRead | pf::fmShareDenyWrite, false, kArchiveBufferSize);
      found = endCentral_.ReadFromStream(*side);
      if (!found) side.reset();
    }
  }
  pf::TStream* source = stream;
  bool scanned = false;
  if (found) {
    if (side) {
      currentDisk_ = 0;
      endCentral_.ThisDisk = 0;
      source = side.get();
      source->Seek(0, pf::soBeginning);
    } else {
      currentDisk_ = endCentral_.ThisDisk;
      if (currentDisk_ != 0) {
        const bool removable = !streamMode_ && pf::Drives().IsRemovable(zipName_);
        SetMultiMode(removable ? 1 : 2);
        std::string mountPoint;
        // Read while the archive's disk is in the drive: the other disks' volumes lie at the same place below
        // their own mount points.
        if (removable && !pf::Drives().MountPointOf(zipName_, mountPoint, archiveBelowMount_))
          archiveBelowMount_.clear();
      }
      if (endCentral_.TotalEntries > 0) {
        if (GetMultiMode() != 0 && endCentral_.StartDisk != currentDisk_) {
          SwitchToDisk(endCentral_.StartDisk);
          stream = archive_.get();
          source = stream;
        }
        source->Seek(endCentral_.CentralOffset, pf::soBeginning);
      }
    }
  } else {
    TIncompleteZipMode mode = IncompleteZipMode;
    if (OnInCompleteZip) OnInCompleteZip(*this, mode);
    if (mode == izAssumeNotAZip) throw ENotAZipFile(kMsgNotAZip);
    if (mode == izAssumeMulti) throw EIncompleteZip(kMsgIncompleteZip);
    if (!RebuildFromLocalHeaders(*stream)) {
      ClearArchive();
      throw EBadZipFile(kMsgNotAZip);
    }
    scanned = true;
  }

  if (!directory_) directory_ = std::make_unique<TSortedZip>(dupIgnoreItem, true, ByNone);
  const bool volumes = GetMultiMode() != 0;
  TNextDiskCallback nextDisk;
  if (volumes) {
    nextDisk = [this, &stream](pf::TStream*& s) {
      if (!SwitchToDisk(currentDisk_ + 1)) return false;
      s = archive_.get();
      stream = s;
      return true;
    };
  }
  int toRead = endCentral_.TotalEntries;
  for (int i = 0; i < toRead || scanned; ++i) {
    auto entry = std::make_unique<TZipHeaderInfo>();
    bool ok = entry->ReadCentralFromStream(source, nextDisk);
    if (!ok) {
      if (scanned) break;  // after a scan the first unreadable entry ends the reading
      if (volumes || side || !RebuildFromLocalHeaders(*source)) {
        ClearArchive();
        throw EBadZipFile(kMsgNotAZip);
      }
      scanned = true;
      continue;
    }
    if (!scanned) {
      directory_->Add(entry.release());
      continue;
    }
    // Merge into the scanned entry at the same place; entries without one are dropped.
    int index = 0;
    if (directory_->Find(entry.get(), index)) {
      TZipHeaderInfo* target = directory_->Entry(index);
      uint16_t localExtra = target->LocalExtraFieldLength;
      uint32_t offset = target->RelativeOffset;
      target->Assign(*entry);
      target->LocalExtraFieldLength = localExtra;
      target->RelativeOffset = offset;
    }
  }
  numberOfDisks_ = endCentral_.ThisDisk + 1;
  SetSortMode(sortMode_);
}

}  // namespace zip
