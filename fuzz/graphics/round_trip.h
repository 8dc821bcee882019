// Shared by the picture fuzz targets: a picture that loaded is saved, loaded again into a new picture of its class,
// and must come back with the same size, format, colour table, transparency and pixels.
#pragma once

#include <cstdint>
#include <cstring>

#include "platform/core/streams.h"
#include "platform/graphics/bitmap.h"

template <class Picture>
void CheckRoundTrip(const Picture& picture) {
  if (int64_t(picture.RowBytes()) * picture.GetHeight() > (int64_t(1) << 24)) return;  // keep the run fast
  pf::TMemoryStream saved;
  picture.SaveToStream(saved);
  saved.SetPosition(0);
  Picture again;
  again.LoadFromStream(saved);  // a picture the layer wrote must load: an exception here is a finding
  if (again.GetWidth() != picture.GetWidth() || again.GetHeight() != picture.GetHeight() ||
      again.PixelFormat() != picture.PixelFormat() || again.ColorTable() != picture.ColorTable() ||
      again.Transparent() != picture.Transparent() ||
      (picture.Transparent() && again.TransparentColor() != picture.TransparentColor()))
    __builtin_trap();
  const size_t bits = size_t(picture.GetWidth()) * size_t(picture.BitsPerPixel());
  const size_t bytes = (bits + 7) / 8;
  const int spare = int(bytes * 8 - bits);  // bits after the last pixel of a 1- or 4-bit row are no pixels
  for (int32_t y = 0; y < picture.GetHeight() && bytes > 0; ++y) {
    const uint8_t* a = picture.ScanLine(y);
    const uint8_t* b = again.ScanLine(y);
    if (std::memcmp(a, b, bytes - 1) != 0 || (a[bytes - 1] >> spare) != (b[bytes - 1] >> spare)) __builtin_trap();
  }
}
