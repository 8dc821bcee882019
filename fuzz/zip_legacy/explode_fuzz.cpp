#include "fuzz/zip_legacy/legacy_fuzz.h"
#include "zip/legacy_methods.h"

// The parameter byte is the entry's general-purpose flags (bit 1: 8 KB dictionary, bit 2: literal tree).
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return legacyfuzz::Run(data, size, [](zip::DecoderInput& in, zip::DecoderOutput& out, uint8_t p, uint64_t n) {
    zip::Explode(in, out, p, n);
  });
}
