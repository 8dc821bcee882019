#include "platform/graphics/dib.h"

#include <cstdlib>

#include "platform/graphics/bitmap_internal.h"

namespace pf {

namespace {

// The bitmap format that a DIB depth is stored in (16 bits: x-5-5-5); pfDevice for a depth we do not take.
TPixelFormat FormatOfDepth(uint32_t bits) {
  switch (bits) {
    case 1:
      return pf1bit;
    case 4:
      return pf4bit;
    case 8:
      return pf8bit;
    case 16:
      return pf15bit;
    case 24:
      return pf24bit;
    case 32:
      return pf32bit;
    default:
      return pfDevice;
  }
}

}  // namespace

int GetDIBits(const TBitmap& bitmap, uint32_t startScan, uint32_t scanLines, std::span<uint8_t> bits, TBitmapInfo& info,
              uint32_t usage) {
  TBitmapInfoHeader& h = info.bmiHeader;
  if (usage != DIB_RGB_COLORS || bitmap.Empty()) return 0;
  if (h.biBitCount == 0) {
    h.biBitCount = uint16_t(bitmap.BitsPerPixel());
    h.biCompression = bitmap.PixelFormat() == pf16bit ? BI_BITFIELDS : BI_RGB;
  } else if (h.biCompression != BI_RGB) {
    return 0;
  }
  const TPixelFormat own = bitmap.PixelFormat() == pfDevice ? pf32bit : bitmap.PixelFormat();
  const TPixelFormat format = h.biCompression == BI_BITFIELDS ? own : FormatOfDepth(h.biBitCount);
  if (format == pfDevice) return 0;
  const bool topDown = h.biHeight < 0;
  const int32_t width = bitmap.Width(), height = bitmap.Height();
  const int32_t stride = BytesPerScanline(width, PixelFormatBits(format));
  h.biWidth = width;
  h.biHeight = topDown ? -height : height;
  h.biPlanes = 1;
  h.biSizeImage = uint32_t(stride) * uint32_t(height);
  info.bmiColors.clear();
  if (IsPaletteFormat(format))
    info.bmiColors = own == format && !bitmap.ColorTable().empty() ? bitmap.ColorTable() : DefaultColorTable(format);
  h.biClrUsed = uint32_t(info.bmiColors.size());
  if (bits.empty()) return 1;
  if (startScan >= uint32_t(height)) return 0;
  const uint32_t lines = std::min(scanLines, uint32_t(height) - startScan);
  if (bits.size() < size_t(lines) * size_t(stride)) return 0;
  PixelAccess source(const_cast<TBitmap&>(bitmap));
  NearestIndex nearest(info.bmiColors);
  const bool sameLayout = own == format;
  for (uint32_t k = 0; k < lines; ++k) {
    const uint32_t scan = startScan + k;
    const int32_t row = topDown ? int32_t(scan) : height - 1 - int32_t(scan);
    uint8_t* out = bits.data() + size_t(k) * size_t(stride);
    if (sameLayout) {
      std::copy_n(bitmap.ScanLine(row), std::min(stride, bitmap.RowBytes()), out);
      continue;
    }
    for (int32_t x = 0; x < width; ++x) {
      const TColor c = source.Get(x, row);
      SetRaw(out, x, format, IsPaletteFormat(format) ? nearest(c) : ColorToDirect(c, format));
    }
  }
  return int(lines);
}

int StretchDIBits(TCanvas& dest, int32_t x, int32_t y, int32_t width, int32_t height, int32_t sx, int32_t sy,
                  int32_t sourceWidth, int32_t sourceHeight, std::span<const uint8_t> bits, const TBitmapInfo& info,
                  uint32_t usage, TCopyMode rop) {
  const TBitmapInfoHeader& h = info.bmiHeader;
  const TPixelFormat format = FormatOfDepth(h.biBitCount);
  if (usage != DIB_RGB_COLORS || h.biCompression != BI_RGB || format == pfDevice || h.biWidth <= 0 || h.biHeight == 0 ||
      h.biWidth > 0xFFFF || std::abs(int64_t(h.biHeight)) > 0xFFFF)
    return 0;
  if (IsPaletteFormat(format) && info.bmiColors.empty()) return 0;
  const int32_t rows = int32_t(std::abs(int64_t(h.biHeight)));
  const int32_t stride = BytesPerScanline(h.biWidth, h.biBitCount);
  if (bits.size() < size_t(stride) * size_t(rows)) return 0;
  TBitmap image(h.biWidth, rows, format);
  if (IsPaletteFormat(format)) image.SetColorTable(info.bmiColors);
  for (int32_t r = 0; r < rows; ++r) {
    const uint8_t* in = bits.data() + size_t(h.biHeight < 0 ? r : rows - 1 - r) * size_t(stride);
    std::copy_n(in, std::min(stride, image.RowBytes()), image.ScanLine(r));
  }
  // A DIB's pixels take the colours of its table, a 1-bit one too (only monochrome bitmaps of a canvas take the
  // text and background colours).
  if (format == pf1bit) image.SetPixelFormat(pf8bit);
  // A bottom-up DIB counts its source rectangle from the bottom-left corner.
  const int32_t top = h.biHeight < 0 ? sy : rows - sy - sourceHeight;
  StretchBitmap(dest, Bounds(x, y, width, height), image, Bounds(sx, top, sourceWidth, sourceHeight), rop);
  return rows;
}

}  // namespace pf
