// The archive's records as the reader holds them: an entry (TZipHeaderInfo), the end record (TEndCentral), and the
// sorted list of entries (TSortedZip). All integers of the format are little-endian and read byte by byte.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/core/component.h"
#include "platform/core/streams.h"
#include "zip/ziplists.h"

namespace zip {

// The record signatures in use (0 selects the standard value: central 0x02014B50, local 0x04034B50,
// end 0x06054B50).
void SetSignatures(uint32_t central, uint32_t local, uint32_t end);
uint32_t CentralSignature();
uint32_t LocalSignature();
uint32_t EndSignature();

inline constexpr int kCentralSize = 46;
inline constexpr int kLocalSize = 30;
inline constexpr int kEndSize = 22;
// Offsets of local header fields: DOS time, name length, extra-field length.
inline constexpr int kLocalTime = 10;
inline constexpr int kLocalNameLength = 26;
inline constexpr int kLocalExtraLength = 28;

// Little-endian field access.
inline uint16_t GetU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t GetU32(const uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// Reads up to count bytes, looping over short reads; returns the number read.
int32_t ReadFully(pf::TStream& stream, void* buffer, int32_t count);

// Called when a central entry continues on the next volume; switches stream to it. False when there is none.
using TNextDiskCallback = std::function<bool(pf::TStream*& stream)>;

class TZipHeaderInfo : public pf::TPersistent {
 public:
  TZipHeaderInfo() { Clear(); }
  TZipHeaderInfo(const TZipHeaderInfo& other) : pf::TPersistent() { CopyFrom(other); }
  TZipHeaderInfo& operator=(const TZipHeaderInfo& other) {
    CopyFrom(other);
    return *this;
  }
  std::string ClassName() const override { return "TZipHeaderInfo"; }
  void Assign(const pf::TPersistent& source) override;

  void Clear();
  bool IsEncrypted() const { return (Flags & 1) != 0; }
  bool HasDataDescriptor() const { return (Flags & 8) != 0; }
  bool HasComment() const { return FileCommentLength > 0; }
  void SetFileComment(std::string comment);
  const std::string& FileComment() const { return fileComment_; }
  // Folder plus name, as the directory holds it (folders end with "\").
  std::string FullName() const { return Directory + FileName; }

  // One central entry at the stream's position; on failure the position is restored and the result is False.
  bool ReadCentralFromStream(pf::TStream*& stream, const TNextDiskCallback& nextDisk);
  // One local header and its name at the stream's position; on failure the position is restored.
  bool ReadLocalFromStream(pf::TStream& stream);

  uint16_t VersionMadeBy;
  uint16_t VersionNeeded;
  uint16_t Flags;
  uint16_t CompressionMethod;
  uint32_t DateTime;  // DOS date (high word) and time (low word)
  uint32_t CRC32;
  uint32_t CompressedSize;
  uint32_t UncompressedSize;
  uint16_t FileNameLength;
  uint16_t ExtraFieldLength;
  uint16_t LocalExtraFieldLength;
  uint16_t FileCommentLength;
  uint16_t DiskNumberStart;
  uint16_t InternalAttributes;
  uint32_t ExternalAttributes;
  uint32_t RelativeOffset;  // of the local header
  uint32_t CentralOffset;   // stream position of the central record
  std::string FileName;
  std::string Directory;
  bool Selected;
  bool MatchFlag;
  bool Skipped;

 protected:
  void AssignTo(pf::TPersistent& dest) const override;

 private:
  void CopyFrom(const TZipHeaderInfo& other);
  void ReadSharedFields(const uint8_t* p);
  void SetName(std::string raw, bool fromFatHost);
  std::string fileComment_;
};

class TEndCentral : public pf::TPersistent {
 public:
  TEndCentral() { Clear(); }
  std::string ClassName() const override { return "TEndCentral"; }
  void Assign(const pf::TPersistent& source) override;
  void Clear();
  // Finds the end record in the last min(65557, size) bytes. An empty stream counts as found (no entries);
  // 1 to 21 bytes never hold one.
  bool ReadFromStream(pf::TStream& stream);

  uint32_t Signature;
  uint16_t ThisDisk;
  uint16_t StartDisk;
  uint16_t EntriesOnDisk;
  uint16_t TotalEntries;
  uint32_t CentralSize;
  uint32_t CentralOffset;
  uint16_t CommentLength;
  std::string Comment;
  int64_t CommentOffset;
  bool CommentChanged;

 protected:
  void AssignTo(pf::TPersistent& dest) const override;
};

enum TZipSortMode {
  ByName,
  ByFileName,
  ByDirectoryName,
  ByDate,
  ByCompressedSize,
  ByUnCompressedSize,
  ByRate,
  ByNone,
};

class TSortedZip : public TSortedObjectList {
 public:
  TSortedZip(TListDuplicates duplicates, bool ownsObjects, TZipSortMode mode = ByNone)
      : TSortedObjectList(duplicates, ownsObjects), SortMode(mode) {}
  std::string ClassName() const override { return "TSortedZip"; }
  int Compare(const pf::TPersistent* key1, const pf::TPersistent* key2) const override;
  TZipHeaderInfo* Entry(int index) const { return static_cast<TZipHeaderInfo*>(Items(index)); }
  TZipSortMode SortMode;
};

// The compression rate of an entry: compressed * 100 / uncompressed, rounded, at most 100, 0 when empty.
int CompressionRate(const TZipHeaderInfo& entry);

}  // namespace zip
