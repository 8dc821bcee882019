#include "zip/zipheaders.h"

#include <vector>

#include "platform/core/codepage.h"
#include "platform/core/exceptions.h"
#include "platform/core/strings.h"
#include "zip/ziputils.h"

namespace zip {

namespace {

uint32_t gCentral = 0x02014B50;
uint32_t gLocal = 0x04034B50;
uint32_t gEnd = 0x06054B50;

constexpr uint16_t kUtf8Flag = 0x0800;

// Reads the name that follows a record; on a short read the stream goes back to start and the result is false.
bool ReadName(pf::TStream& stream, int64_t start, uint16_t length, std::string& raw) {
  raw.assign(length, '\0');
  if (ReadFully(stream, raw.data(), length) == length) return true;
  stream.Seek(start, pf::soBeginning);
  return false;
}

}  // namespace

void SetSignatures(uint32_t central, uint32_t local, uint32_t end) {
  gCentral = central ? central : 0x02014B50;
  gLocal = local ? local : 0x04034B50;
  gEnd = end ? end : 0x06054B50;
}
uint32_t CentralSignature() { return gCentral; }
uint32_t LocalSignature() { return gLocal; }
uint32_t EndSignature() { return gEnd; }

int32_t ReadFully(pf::TStream& stream, void* buffer, int32_t count) {
  int32_t done = 0;
  auto* p = static_cast<uint8_t*>(buffer);
  while (done < count) {
    int32_t n = stream.Read(p + done, count - done);
    if (n <= 0) break;
    done += n;
  }
  return done;
}

void TZipHeaderInfo::Clear() {
  VersionMadeBy = 20;
  VersionNeeded = 20;
  Flags = 0;
  CompressionMethod = 8;
  DateTime = 0;
  CRC32 = 0xFFFFFFFF;
  CompressedSize = 0;
  UncompressedSize = 0;
  FileNameLength = 0;
  ExtraFieldLength = 0;
  LocalExtraFieldLength = 0;
  FileCommentLength = 0;
  DiskNumberStart = 0;
  InternalAttributes = 1;
  ExternalAttributes = 0x20;
  RelativeOffset = 0;
  CentralOffset = 0;
  FileName.clear();
  Directory.clear();
  fileComment_.clear();
  Selected = false;
  MatchFlag = false;
  Skipped = false;
}

void TZipHeaderInfo::CopyFrom(const TZipHeaderInfo& o) {
  if (this == &o) return;
  VersionMadeBy = o.VersionMadeBy;
  VersionNeeded = o.VersionNeeded;
  Flags = o.Flags;
  CompressionMethod = o.CompressionMethod;
  DateTime = o.DateTime;
  CRC32 = o.CRC32;
  CompressedSize = o.CompressedSize;
  UncompressedSize = o.UncompressedSize;
  FileNameLength = o.FileNameLength;
  ExtraFieldLength = o.ExtraFieldLength;
  LocalExtraFieldLength = o.LocalExtraFieldLength;
  FileCommentLength = o.FileCommentLength;
  DiskNumberStart = o.DiskNumberStart;
  InternalAttributes = o.InternalAttributes;
  ExternalAttributes = o.ExternalAttributes;
  RelativeOffset = o.RelativeOffset;
  CentralOffset = o.CentralOffset;
  FileName = o.FileName;
  Directory = o.Directory;
  fileComment_ = o.fileComment_;
  Selected = o.Selected;
  MatchFlag = o.MatchFlag;
  Skipped = o.Skipped;
}

void TZipHeaderInfo::Assign(const pf::TPersistent& source) {
  if (auto* other = dynamic_cast<const TZipHeaderInfo*>(&source)) {
    CopyFrom(*other);
    return;
  }
  pf::TPersistent::Assign(source);
}

void TZipHeaderInfo::AssignTo(pf::TPersistent& dest) const {
  if (auto* other = dynamic_cast<TZipHeaderInfo*>(&dest)) {
    other->CopyFrom(*this);
    return;
  }
  pf::TPersistent::AssignTo(dest);
}

void TZipHeaderInfo::SetFileComment(std::string comment) {
  fileComment_ = std::move(comment);
  FileCommentLength = static_cast<uint16_t>(fileComment_.size() > 0xFFFF ? 0xFFFF : fileComment_.size());
}

// Central and local records hold these fields in the same order (from offset 6 and 4).
void TZipHeaderInfo::ReadSharedFields(const uint8_t* p) {
  VersionNeeded = GetU16(p);
  Flags = GetU16(p + 2);
  CompressionMethod = GetU16(p + 4);
  DateTime = ClampDosDateTime(GetU32(p + 6));
  CRC32 = GetU32(p + 10);
  CompressedSize = GetU32(p + 14);
  UncompressedSize = GetU32(p + 18);
}

// Stored names use "/" between folders; the reader lists them with "\". Names flagged as UTF-8 are decoded to
// Latin-1, names from FAT hosts converted from the DOS code page.
void TZipHeaderInfo::SetName(std::string raw, bool fromFatHost) {
  std::string name;
  if (Flags & kUtf8Flag)
    name = pf::Utf8ToLatin1(raw);
  else if (fromFatHost)
    name = pf::Cp437ToLatin1(raw);
  else
    name = std::move(raw);
  name = SlashesToBackslashes(name);
  size_t slash = name.rfind('\\');
  if (slash == std::string::npos) {
    Directory.clear();
    FileName = name;
  } else {
    Directory = name.substr(0, slash + 1);
    FileName = name.substr(slash + 1);
  }
}

bool TZipHeaderInfo::ReadCentralFromStream(pf::TStream*& stream, const TNextDiskCallback& nextDisk) {
  int64_t start = stream->Position();
  uint8_t h[kCentralSize];
  int32_t got = ReadFully(*stream, h, kCentralSize);
  if (got < kCentralSize && nextDisk && (got == 0 || (got >= 4 && GetU32(h) == gCentral))) {
    if (nextDisk(stream)) {
      start = got == 0 ? stream->Position() : start;
      got += ReadFully(*stream, h + got, kCentralSize - got);
    }
  }
  if (got < kCentralSize || GetU32(h) != gCentral) {
    stream->Seek(start, pf::soBeginning);
    return false;
  }
  std::string raw;
  if (!ReadName(*stream, start, GetU16(h + 28), raw)) return false;
  VersionMadeBy = GetU16(h + 4);
  ReadSharedFields(h + 6);
  FileNameLength = GetU16(h + 28);
  ExtraFieldLength = GetU16(h + 30);
  FileCommentLength = GetU16(h + 32);
  DiskNumberStart = GetU16(h + 34);
  InternalAttributes = GetU16(h + 36);
  ExternalAttributes = GetU32(h + 38);
  RelativeOffset = GetU32(h + 42);
  CentralOffset = static_cast<uint32_t>(start);
  SetName(std::move(raw), (VersionMadeBy >> 8) == 0);
  // Past the extra field; the comment follows (cut short when the stream ends, never read beyond it).
  stream->Seek(ExtraFieldLength, pf::soCurrent);
  fileComment_.assign(FileCommentLength, '\0');
  int32_t commentGot = ReadFully(*stream, fileComment_.data(), FileCommentLength);
  fileComment_.resize(static_cast<size_t>(commentGot));
  return true;
}

bool TZipHeaderInfo::ReadLocalFromStream(pf::TStream& stream) {
  int64_t start = stream.Position();
  uint8_t h[kLocalSize];
  if (ReadFully(stream, h, kLocalSize) < kLocalSize || GetU32(h) != gLocal) {
    stream.Seek(start, pf::soBeginning);
    return false;
  }
  std::string raw;
  if (!ReadName(stream, start, GetU16(h + kLocalNameLength), raw)) return false;
  ReadSharedFields(h + 4);
  FileNameLength = GetU16(h + kLocalNameLength);
  LocalExtraFieldLength = GetU16(h + kLocalExtraLength);
  RelativeOffset = static_cast<uint32_t>(start);
  SetName(std::move(raw), true);
  return true;
}

void TEndCentral::Clear() {
  Signature = gEnd;
  ThisDisk = 0;
  StartDisk = 0;
  EntriesOnDisk = 0;
  TotalEntries = 0;
  CentralSize = 0;
  CentralOffset = 0;
  CommentLength = 0;
  Comment.clear();
  CommentOffset = 0;
  CommentChanged = false;
}

void TEndCentral::Assign(const pf::TPersistent& source) {
  if (auto* other = dynamic_cast<const TEndCentral*>(&source)) {
    if (other != this) *this = *other;
    return;
  }
  pf::TPersistent::Assign(source);
}

void TEndCentral::AssignTo(pf::TPersistent& dest) const {
  if (auto* other = dynamic_cast<TEndCentral*>(&dest)) {
    if (other != this) *other = *this;
    return;
  }
  pf::TPersistent::AssignTo(dest);
}

bool TEndCentral::ReadFromStream(pf::TStream& stream) {
  Clear();
  int64_t size = stream.Size();
  if (size == 0) return true;
  if (size < kEndSize) return false;
  int64_t n = size < 65557 ? size : 65557;
  std::vector<uint8_t> tail(static_cast<size_t>(n));
  stream.Seek(size - n, pf::soBeginning);
  if (ReadFully(stream, tail.data(), static_cast<int32_t>(n)) < n) return false;
  const uint8_t first = static_cast<uint8_t>(gEnd & 0xFF);
  for (int64_t i = n - kEndSize; i >= 0; --i) {
    const uint8_t* p = tail.data() + i;
    if (p[0] != first || GetU32(p) != gEnd) continue;
    Signature = gEnd;
    ThisDisk = GetU16(p + 4);
    StartDisk = GetU16(p + 6);
    EntriesOnDisk = GetU16(p + 8);
    TotalEntries = GetU16(p + 10);
    CentralSize = GetU32(p + 12);
    CentralOffset = GetU32(p + 16);
    CommentLength = GetU16(p + 20);
    CommentOffset = size - n + i + kEndSize;
    int64_t available = n - i - kEndSize;
    Comment.assign(reinterpret_cast<const char*>(p + kEndSize),
                   static_cast<size_t>(CommentLength < available ? CommentLength : available));
    return true;
  }
  return false;
}

int CompressionRate(const TZipHeaderInfo& entry) {
  return PercentOf64(static_cast<int64_t>(entry.UncompressedSize), static_cast<int64_t>(entry.CompressedSize));
}

int TSortedZip::Compare(const pf::TPersistent* key1, const pf::TPersistent* key2) const {
  const auto& a = static_cast<const TZipHeaderInfo&>(*key1);
  const auto& b = static_cast<const TZipHeaderInfo&>(*key2);
  auto descending = [](uint32_t x, uint32_t y) { return x > y ? -1 : x < y ? 1 : 0; };
  switch (SortMode) {
    case ByName:
      return pf::CompareText(a.FullName(), b.FullName());
    case ByFileName:
      return pf::CompareText(a.FileName, b.FileName);
    case ByDirectoryName:
      return pf::CompareText(a.Directory, b.Directory);
    case ByDate:
      return descending(a.DateTime, b.DateTime);
    case ByCompressedSize:
      return descending(a.CompressedSize, b.CompressedSize);
    case ByUnCompressedSize:
      return descending(a.UncompressedSize, b.UncompressedSize);
    case ByRate:
      return descending(static_cast<uint32_t>(CompressionRate(a)), static_cast<uint32_t>(CompressionRate(b)));
    case ByNone:
      break;
  }
  if (a.DiskNumberStart != b.DiskNumberStart) return a.DiskNumberStart < b.DiskNumberStart ? -1 : 1;
  return a.RelativeOffset < b.RelativeOffset ? -1 : a.RelativeOffset > b.RelativeOffset ? 1 : 0;
}

}  // namespace zip
