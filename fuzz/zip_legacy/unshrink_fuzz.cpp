#include "fuzz/zip_legacy/legacy_fuzz.h"
#include "zip/legacy_methods.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return legacyfuzz::Run(data, size, [](zip::DecoderInput& in, zip::DecoderOutput& out, uint8_t, uint64_t n) {
    zip::UnShrink(in, out, n);
  });
}
