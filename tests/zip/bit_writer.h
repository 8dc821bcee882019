// Bit streams written by hand or by the test-only encoders.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

namespace ziptest {

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

}  // namespace ziptest
