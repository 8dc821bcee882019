// Test-only compressors for the three older ZIP methods and a minimal ZIP writer. They exist to produce valid
// streams for the decoders' tests and the committed fixture archives; they favour clarity over ratio.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace legacytest {

using Bytes = std::vector<uint8_t>;

// Bits are packed least significant first, as the decoders read them.
class BitWriter {
 public:
  void Put(uint32_t value, int bits) {
    for (int i = 0; i < bits; ++i) {
      acc_ |= ((value >> i) & 1u) << count_;
      if (++count_ == 8) {
        bytes_.push_back(static_cast<uint8_t>(acc_));
        acc_ = 0;
        count_ = 0;
      }
    }
  }
  // A prefix code whose first bit is its most significant one.
  void PutCode(uint32_t code, int bits) {
    for (int i = bits - 1; i >= 0; --i) Put((code >> i) & 1u, 1);
  }
  Bytes Finish() {
    if (count_ > 0) bytes_.push_back(static_cast<uint8_t>(acc_));
    acc_ = 0;
    count_ = 0;
    return std::move(bytes_);
  }

 private:
  Bytes bytes_;
  uint32_t acc_ = 0;
  int count_ = 0;
};

// Method 1. `clearEvery` > 0 emits a partial clear after that many codes (besides the clears when the table is
// full); 0 clears only when the table is full.
Bytes Shrink(const Bytes& data, int clearEvery = 0);

// Methods 2-5 (factor 1-4). Without `matches` the output holds literals only (DLE bytes still escaped).
Bytes Reduce(const Bytes& data, int factor, bool matches);

// Method 6 with the 8 KB or 4 KB dictionary, with or without the literal tree.
Bytes Implode(const Bytes& data, bool dictionary8k, bool literalTree);

// General-purpose flags of an imploded entry.
uint16_t ImplodeFlags(bool dictionary8k, bool literalTree);

uint32_t Crc32(const Bytes& data);

struct ZipEntry {
  std::string name;
  uint16_t method = 0;
  uint16_t flags = 0;
  Bytes compressed;
  uint32_t crc = 0;
  uint32_t size = 0;
};

// An archive of the entries (local headers, central directory, end record; fixed date, no extra fields).
Bytes WriteZip(const std::vector<ZipEntry>& entries);

// Reads back the entries of an archive written by WriteZip (local headers only, as written there).
std::vector<ZipEntry> ReadZip(const Bytes& archive);

Bytes ReadFile(const std::string& path);
void WriteFile(const std::string& path, const Bytes& data);

}  // namespace legacytest
