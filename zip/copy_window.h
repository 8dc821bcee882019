// Output for the reduced and imploded methods: writes the entry's bytes, at most its size, and keeps the last of them
// for copies from earlier output (bytes before the entry's start read as zeros).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "zip/decoder.h"

namespace zip {

class CopyWindow {
 public:
  // size: a power of two, at least the longest distance of the method.
  CopyWindow(DecoderOutput& out, size_t size, uint64_t limit)
      : out_(out), bytes_(size, 0), mask_(size - 1), limit_(limit) {}

  // True once the entry's size has been written.
  bool Done() const { return produced_ >= limit_; }

  void Put(uint8_t b) {
    bytes_[static_cast<size_t>(produced_) & mask_] = b;
    out_.PutOutputByte(b);
    ++produced_;
  }

  // Copies length bytes from distance back. A copy that would run past the entry's end is cut there and gives
  // false.
  bool Copy(uint64_t distance, uint64_t length) {
    const bool fits = length <= limit_ - produced_;
    if (!fits) length = limit_ - produced_;
    for (uint64_t i = 0; i < length; ++i) Put(bytes_[static_cast<size_t>(produced_ - distance) & mask_]);
    return fits;
  }

 private:
  DecoderOutput& out_;
  std::vector<uint8_t> bytes_;
  size_t mask_;
  uint64_t limit_;
  uint64_t produced_ = 0;
};

}  // namespace zip
