#include "fuzz/zip_legacy/legacy_fuzz.h"
#include "zip/legacy_methods.h"

// The parameter byte's low two bits select the compression factor 1 to 4.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return legacyfuzz::Run(data, size, [](zip::DecoderInput& in, zip::DecoderOutput& out, uint8_t p, uint64_t n) {
    zip::UnReduce(in, out, (p & 3) + 1, n);
  });
}
