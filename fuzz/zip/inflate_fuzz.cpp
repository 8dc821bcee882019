// Inflates arbitrary bytes as raw Deflate data; output is capped so that a valid but huge stream ends too.
#include <cstdint>

#include "fuzz/zip/fuzz_support.h"
#include "platform/core/exceptions.h"
#include "zip/methods.h"
#include "zip/zip_errors.h"

namespace {

class Input : public zip::DecoderInput {
 public:
  Input(const uint8_t* data, size_t size) {
    inNext = data;
    inEnd = data + size;
  }
  uint8_t ReadInputByte() override {
    if (inNext != inEnd) return *inNext++;
    if (++zeros_ > 64) throw zip::EFatalUnzipError(zip::kMsgPrematureEnd);
    return 0;
  }

 private:
  int zeros_ = 0;
};

class Output : public zip::DecoderOutput {
 protected:
  void FlushWindow(const uint8_t* data, int count) override {
    sum_ += data[0] + data[count - 1];
    total_ += static_cast<uint64_t>(count);
    if (total_ > (4u << 20)) throw zip::EBiggerThanUncompressed(zip::kMsgBiggerThanUncompressed);
  }

 private:
  uint64_t total_ = 0;
  uint32_t sum_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  zipfuzz::InstallQuietDialogs();
  Input in(data, size);
  Output out;
  try {
    zip::Inflate(in, out);
  } catch (const pf::Exception&) {
  }
  return 0;
}
