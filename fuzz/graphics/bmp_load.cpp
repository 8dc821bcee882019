// Any bytes through the BMP reader: it loads or raises the layer's exception, within bounded time and memory. A
// picture that loads saves and loads again to the same pixels.
#include <cstddef>
#include <cstdint>

#include "platform/core/exceptions.h"
#include "platform/core/streams.h"
#include "platform/graphics/bitmap.h"
#include "round_trip.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  pf::TReadOnlyMemoryStream stream(data, static_cast<int64_t>(size));
  pf::TBitmap bitmap;
  try {
    bitmap.LoadFromStream(stream);
  } catch (const pf::Exception&) {
    return 0;
  }
  CheckRoundTrip(bitmap);
  return 0;
}
