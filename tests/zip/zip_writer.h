// A small ZIP writer for tests: archives with chosen header fields, so that the reader meets what real archives
// hold and what damaged ones do.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ziptest {

using Bytes = std::vector<uint8_t>;

struct TestEntry {
  std::string name;     // as stored (bytes)
  Bytes data;           // uncompressed
  uint16_t method = 0;  // 0 stored, 8 deflated (by zlib), anything else stored as given
  Bytes packed;         // when not empty: the entry's compressed bytes as given
  uint16_t flags = 0;
  uint16_t versionMadeBy = 0x0314;  // host 3 (Unix)
  uint16_t versionNeeded = 20;
  uint16_t internalAttributes = 1;
  uint32_t dosDateTime = 0x5A8C6000;
  uint16_t localExtra = 0;    // bytes of zero-filled extra field in the local header
  uint16_t centralExtra = 0;  // ... and in the central record
  uint32_t externalAttributes = 0x20;
  std::optional<std::string> password;  // encrypted the traditional way with it (flag bit 0 is set)
  int64_t uncompressedDelta = 0;        // added to the stored uncompressed size
};

struct TestArchive {
  std::vector<TestEntry> entries;
  std::string comment;
  bool writeEnd = true;
  bool writeCentral = true;
  Bytes trailer;  // bytes after the end record (beyond its comment)
};

// An entry with the given name, data and method; the other fields keep their defaults.
TestEntry MakeEntry(std::string name, Bytes data, uint16_t method = 0);
uint32_t Crc32Of(const Bytes& data);
inline uint16_t GetLE16(const Bytes& b, size_t at) { return static_cast<uint16_t>(b[at] | (b[at + 1] << 8)); }
inline uint32_t GetLE32(const Bytes& b, size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}
inline void SetLE32(Bytes& b, size_t at, uint32_t v) {
  for (size_t i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
Bytes RawDeflate(const Bytes& data, int level = 6, int strategy = 0);
Bytes BuildZip(const TestArchive& archive);
// An archive of just these entries.
inline Bytes ZipOf(std::vector<TestEntry> entries) {
  TestArchive a;
  a.entries = std::move(entries);
  return BuildZip(a);
}
Bytes ToBytes(const std::string& s);
Bytes ReadFile(const std::string& path);
void WriteFile(const std::string& path, const Bytes& data);

}  // namespace ziptest
