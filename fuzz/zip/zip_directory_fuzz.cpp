// Reads a directory from arbitrary bytes, in each of the incomplete-archive modes, and walks every sort order.
#include <cstdint>
#include <memory>

#include "fuzz/zip/fuzz_support.h"
#include "platform/core/exceptions.h"
#include "platform/core/streams.h"
#include "zip/zip_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  zipfuzz::InstallQuietDialogs();
  zip::TZipReader reader;
  reader.DoProcessMessages = false;
  reader.IncompleteZipMode = static_cast<zip::TIncompleteZipMode>(size % 3);
  try {
    auto stream = std::make_unique<pf::TMemoryStream>();
    if (size > 0) stream->WriteBuffer(data, static_cast<int32_t>(size));
    reader.SetSourceStream(std::move(stream));
    reader.ReadDirectory();
    for (int mode = zip::ByName; mode <= zip::ByNone; ++mode) {
      reader.SetSortMode(static_cast<zip::TZipSortMode>(mode));
      uint64_t sum = 0;
      for (int i = 0; i < reader.Count(); ++i) sum += reader.Items(i).FullName().size();
      (void)sum;
    }
  } catch (const pf::Exception&) {
  }
  return 0;
}
