// Any bytes through the JPEG reader: it decodes or raises the layer's exception, within bounded time and memory.
#include <cstddef>
#include <cstdint>

#include "platform/core/exceptions.h"
#include "platform/core/streams.h"
#include "platform/graphics/jpeg.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  pf::TReadOnlyMemoryStream stream(data, static_cast<int64_t>(size));
  pf::TJPEGImage image;
  try {
    image.LoadFromStream(stream);
  } catch (const pf::Exception&) {
  }
  return 0;
}
