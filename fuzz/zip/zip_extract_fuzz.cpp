// A whole archive through the application's road: hand over a memory stream, read the directory, extract every
// entry into a memory stream, at most 8 MB of it.
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
  reader.MemoryLimit = 8 << 20;
  try {
    reader.SetZipName("fuzz.zip");
    auto stream = std::make_unique<pf::TMemoryStream>();
    if (size > 0) stream->WriteBuffer(data, static_cast<int32_t>(size));
    reader.SetSourceStream(std::move(stream));
    reader.Password = "secret";
    reader.ReadDirectory();
    pf::TMemoryStream target;
    reader.ExtractToStream(&target, "*");
  } catch (const pf::Exception&) {
  }
  return 0;
}
