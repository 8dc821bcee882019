// Decoder input and output over memory, for testing the decoders alone.
#pragma once

#include <cstdint>
#include <vector>

#include "zip/decoder.h"
#include "zip/zip_errors.h"

namespace ziptest {

// Hands out the bytes in chunks of chunkSize (so that refills at every offset are exercised); after the end it
// gives a few zero bytes and then raises, as the pipeline does.
class MemoryInput : public zip::DecoderInput {
 public:
  explicit MemoryInput(const std::vector<uint8_t>& data, size_t chunkSize = 32768) : data_(data), chunk_(chunkSize) {}
  uint8_t ReadInputByte() override {
    if (inNext != inEnd) return *inNext++;
    if (offset_ < data_.size()) {
      size_t n = std::min(chunk_, data_.size() - offset_);
      inNext = data_.data() + offset_;
      inEnd = inNext + n;
      offset_ += n;
      return *inNext++;
    }
    if (++zeros_ > 64) throw zip::EFatalUnzipError(zip::kMsgPrematureEnd);
    return 0;
  }

 private:
  const std::vector<uint8_t>& data_;
  size_t chunk_;
  size_t offset_ = 0;
  int zeros_ = 0;
};

// Collects the flushed bytes; raises beyond limit bytes.
class VectorOutput : public zip::DecoderOutput {
 public:
  explicit VectorOutput(size_t limit = SIZE_MAX) : limit_(limit) {}
  std::vector<uint8_t> bytes;
  int flushes = 0;

 protected:
  void FlushWindow(const uint8_t* data, int count) override {
    if (bytes.size() + static_cast<size_t>(count) > limit_)
      throw zip::EBiggerThanUncompressed(zip::kMsgBiggerThanUncompressed);
    bytes.insert(bytes.end(), data, data + count);
    ++flushes;
  }

 private:
  size_t limit_;
};

}  // namespace ziptest
