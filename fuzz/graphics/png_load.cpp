// Any bytes through the PNG reader: it loads or raises EPNGImageException, within bounded time and memory, never
// reading beyond the data. A picture that loads saves and loads again to the same size, format, colours and pixels.
// Each input is tried as it is and with the CRCs of its chunks made right, so that mutations get past the CRC check.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/core/streams.h"
#include "platform/graphics/png_image.h"
#include "round_trip.h"

namespace {

uint32_t Get32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }

// The bytes with the CRC of every complete chunk recomputed.
std::vector<uint8_t> WithGoodCrcs(const uint8_t* data, size_t size) {
  std::vector<uint8_t> bytes(data, data + size);
  for (size_t at = 8; at + 12 <= size;) {
    uint32_t length = Get32(&bytes[at]);
    if (length > size - at - 12) break;
    uint32_t crc = pf::Crc32(0, &bytes[at + 4], length + 4);
    for (int i = 0; i < 4; ++i) bytes[at + 8 + length + size_t(i)] = uint8_t(crc >> (24 - 8 * i));
    at += 12 + length;
  }
  return bytes;
}

void LoadAndRoundTrip(const uint8_t* data, size_t size) {
  pf::TReadOnlyMemoryStream stream(data, static_cast<int64_t>(size));
  pf::TPNGImage image;
  try {
    image.LoadFromStream(stream);
  } catch (const pf::EPNGImageException&) {
    return;
  }
  CheckRoundTrip(image);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  LoadAndRoundTrip(data, size);
  std::vector<uint8_t> repaired = WithGoodCrcs(data, size);
  LoadAndRoundTrip(repaired.data(), repaired.size());
  return 0;
}
