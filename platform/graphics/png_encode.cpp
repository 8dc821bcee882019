// Encoding a bitmap as the image data of a PNG picture: its rows in the format's layout, one filter per row chosen
// from the writer's set, deflated at zlib's default level.
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/graphics/bitmap_internal.h"
#include "platform/graphics/png_image.h"
#include "platform/graphics/png_internal.h"

namespace pf {

using namespace png;

namespace {

// Filtered rows are handed to the compressor in blocks of about this size.
constexpr size_t kFlushBytes = 64 * 1024;

// The pixels of bitmap row y as the picture stores them: palette formats as they are, the others as red, green,
// blue (through the inverse gamma table, when one is given).
void ReadRow(const TBitmap& bitmap, int32_t y, uint8_t* out, size_t len, const uint8_t* inverse) {
  const uint8_t* row = bitmap.ScanLine(y);
  const TPixelFormat format = bitmap.PixelFormat();
  if (IsPaletteFormat(format)) {
    std::memcpy(out, row, len);
    return;
  }
  const int32_t width = bitmap.Width();
  for (int32_t x = 0; x < width; ++x, out += 3) {
    TColor c = format == pf24bit                         ? RGB(row[3 * x + 2], row[3 * x + 1], row[3 * x])
               : format == pf32bit || format == pfDevice ? RGB(row[4 * x + 2], row[4 * x + 1], row[4 * x])
                                                         : DirectToColor(GetRaw(row, x, format), format);
    out[0] = GetRValue(c);
    out[1] = GetGValue(c);
    out[2] = GetBValue(c);
    if (inverse) out[0] = inverse[out[0]], out[1] = inverse[out[1]], out[2] = inverse[out[2]];
  }
}

// out = row filtered with the filter type against the previous row; bpp bytes make a complete pixel.
void FilterRow(uint8_t filter, const uint8_t* row, const uint8_t* prev, size_t len, size_t bpp, uint8_t* out) {
  for (size_t i = 0; i < len; ++i) {
    int a = i >= bpp ? row[i - bpp] : 0, b = prev[i], c = i >= bpp ? prev[i - bpp] : 0;
    int predictor = filter == kFilterSub       ? a
                    : filter == kFilterUp      ? b
                    : filter == kFilterAverage ? (a + b) >> 1
                    : filter == kFilterPaeth   ? Paeth(a, b, c)
                                               : 0;
    out[i] = uint8_t(row[i] - predictor);
  }
}

// How well a filtered row may compress: the sum of its bytes taken as signed values (smaller is better).
uint64_t Cost(const uint8_t* bytes, size_t len) {
  uint64_t sum = 0;
  for (size_t i = 0; i < len; ++i) sum += uint64_t(std::abs(int(int8_t(bytes[i]))));
  return sum;
}

}  // namespace

void TChunkIDAT::SaveToStream(TStream& stream) {
  const TPNGImage& image = Image();
  const bool palette = IsPaletteFormat(image.PixelFormat());
  const size_t bpp = palette ? 1 : 3;
  const size_t len =
      palette ? size_t(RowBytes(uint64_t(image.Width()), image.BitsPerPixel())) : 3 * size_t(image.Width());
  const TChunkGAMA* gama = Owner().Find<TChunkGAMA>();
  const uint8_t* inverse = gama && !palette ? gama->InverseTable().data() : nullptr;
  const uint8_t filters = image.Filters();

  std::vector<uint8_t> row(len), prev(len), trial(len + 1), best(len + 1), out;
  out.reserve(kFlushBytes + len + 1);
  Data().Clear();
  TZCompressionStream deflater(Data());
  for (int32_t y = 0; y < image.Height(); ++y) {
    ReadRow(image, y, row.data(), len, inverse);
    uint64_t bestCost = UINT64_MAX;
    for (uint8_t filter = kFilterNone; filter <= kFilterPaeth; ++filter) {
      if (!(filters & (1 << filter))) continue;
      trial[0] = filter;
      FilterRow(filter, row.data(), prev.data(), len, bpp, trial.data() + 1);
      uint64_t cost = filters == kPngFilterNone ? 0 : Cost(trial.data() + 1, len);
      if (cost < bestCost) {
        bestCost = cost;
        best.swap(trial);
      }
    }
    out.insert(out.end(), best.begin(), best.end());
    if (out.size() >= kFlushBytes) {
      deflater.WriteBuffer(out.data(), int32_t(out.size()));
      out.clear();
    }
    row.swap(prev);
  }
  if (!out.empty()) deflater.WriteBuffer(out.data(), int32_t(out.size()));
  deflater.Finish();
  TChunk::SaveToStream(stream);
}

}  // namespace pf
