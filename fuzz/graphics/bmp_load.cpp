// Any bytes through the BMP reader: it loads or raises the layer's exception, within bounded time and memory.
#include <cstddef>
#include <cstdint>

#include "platform/core/exceptions.h"
#include "platform/core/streams.h"
#include "platform/graphics/bitmap.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  pf::TReadOnlyMemoryStream stream(data, static_cast<int64_t>(size));
  pf::TBitmap bitmap;
  try {
    bitmap.LoadFromStream(stream);
    if (bitmap.GetWidth() > 0 && bitmap.GetHeight() > 0) (void)bitmap.ScanLine(bitmap.GetHeight() - 1);
  } catch (const pf::Exception&) {
  }
  return 0;
}
