// Shared by the fuzz targets of the older ZIP methods. An input is a 3-byte header (a parameter byte and the
// entry's size, 16 bits little-endian) followed by the compressed stream.
#pragma once

#include <cstddef>
#include <cstdint>

#include "zip/decoder.h"

namespace legacyfuzz {

struct OutOfInput {};

class Input : public zip::DecoderInput {
 public:
  Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  uint8_t ReadInputByte() override {
    if (pos_ >= size_) throw OutOfInput();
    return data_[pos_++];
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

// The decoders promise never to write more than the entry's size: anything more is a fault.
class Output : public zip::DecoderOutput {
 public:
  explicit Output(uint64_t limit) : limit_(limit) {}

 protected:
  void FlushWindow(const uint8_t*, int count) override {
    written_ += static_cast<uint64_t>(count);
    if (written_ > limit_) __builtin_trap();
  }

 private:
  uint64_t limit_;
  uint64_t written_ = 0;
};

// Runs decode(input, output, parameter, size) on the fuzzer's bytes.
template <typename Decode>
int Run(const uint8_t* data, size_t size, Decode decode) {
  if (size < 3) return 0;
  uint8_t parameter = data[0];
  uint64_t entrySize = static_cast<uint64_t>(data[1] | data[2] << 8);
  Input in(data + 3, size - 3);
  Output out(entrySize);
  try {
    decode(in, out, parameter, entrySize);
  } catch (const OutOfInput&) {
  }
  return 0;
}

}  // namespace legacyfuzz
