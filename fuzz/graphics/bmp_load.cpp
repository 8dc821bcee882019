// Any bytes through the BMP reader: it loads or raises the layer's exception, within bounded time and memory. A
// picture that loads saves and loads again to the same pixels.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "platform/core/exceptions.h"
#include "platform/core/streams.h"
#include "platform/graphics/bitmap.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  pf::TReadOnlyMemoryStream stream(data, static_cast<int64_t>(size));
  pf::TBitmap bitmap;
  try {
    bitmap.LoadFromStream(stream);
  } catch (const pf::Exception&) {
    return 0;
  }
  if (int64_t(bitmap.RowBytes()) * bitmap.GetHeight() > (int64_t(1) << 24)) return 0;  // keep the run fast
  pf::TMemoryStream saved;
  bitmap.SaveToStream(saved);
  saved.SetPosition(0);
  pf::TBitmap again;
  again.LoadFromStream(saved);  // a picture the layer wrote must load: an exception here is a finding
  if (again.GetWidth() != bitmap.GetWidth() || again.GetHeight() != bitmap.GetHeight() ||
      again.PixelFormat() != bitmap.PixelFormat() || again.ColorTable() != bitmap.ColorTable())
    __builtin_trap();
  const size_t pixelBytes = (size_t(bitmap.GetWidth()) * size_t(bitmap.BitsPerPixel()) + 7) / 8;
  for (int32_t y = 0; y < bitmap.GetHeight(); ++y)
    if (pixelBytes > 0 && std::memcmp(again.ScanLine(y), bitmap.ScanLine(y), pixelBytes) != 0) __builtin_trap();
  return 0;
}
