// Runs the legacy decoders over byte vectors, as the extraction pipeline would over an entry.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <vector>

#include "tests/zip_legacy/encoders.h"
#include "zip/decoder.h"
#include "zip/legacy_methods.h"

namespace legacytest {

struct InputExhausted : std::runtime_error {
  InputExhausted() : std::runtime_error("Premature end of file reached") {}
};

class VectorInput : public zip::DecoderInput {
 public:
  explicit VectorInput(const Bytes& data) : data_(data) {}
  uint8_t ReadInputByte() override {
    if (pos_ >= data_.size()) throw InputExhausted();
    return data_[pos_++];
  }
  size_t Consumed() const { return pos_; }

 private:
  const Bytes& data_;
  size_t pos_ = 0;
};

// Collects the flushed bytes; like the pipeline, refuses to grow beyond a limit.
class VectorOutput : public zip::DecoderOutput {
 public:
  explicit VectorOutput(uint64_t limit) : limit_(limit) {}
  Bytes bytes;

 protected:
  void FlushWindow(const uint8_t* data, int count) override {
    if (bytes.size() + static_cast<size_t>(count) > limit_) throw std::length_error("larger than uncompressed size");
    bytes.insert(bytes.end(), data, data + count);
  }

 private:
  uint64_t limit_;
};

enum class Outcome { Ok, BadData, InputShort };

struct Decoded {
  Outcome outcome = Outcome::Ok;
  Bytes bytes;
  size_t consumed = 0;
};

// Method 1 to 6 with the entry's flags; the decoder stops after `size` bytes.
inline Decoded DecodeEntry(int method, uint16_t flags, const Bytes& compressed, uint64_t size) {
  VectorInput in(compressed);
  VectorOutput out(size);
  Decoded d;
  try {
    int rc = method == 1   ? zip::UnShrink(in, out, size)
             : method == 6 ? zip::Explode(in, out, flags, size)
                           : zip::UnReduce(in, out, method - 1, size);
    d.outcome = rc == zip::kLegacyOk ? Outcome::Ok : Outcome::BadData;
  } catch (const InputExhausted&) {
    out.Flush();
    d.outcome = Outcome::InputShort;
  }
  d.bytes = std::move(out.bytes);
  d.consumed = in.Consumed();
  return d;
}

}  // namespace legacytest
