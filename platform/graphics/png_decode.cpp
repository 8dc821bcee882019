// Decoding the image data of a PNG picture into its bitmap: the bitmap's format and palette, inflating the rows in
// batches, the row filters, Adam7 passes and storing the samples in the bitmap's layout.
#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/graphics/bitmap_internal.h"
#include "platform/graphics/png_image.h"
#include "platform/graphics/png_internal.h"

namespace pf {

using namespace png;

namespace {

// Inflated bytes are fetched in batches of about this size, so that the stream is called per batch, not per row.
constexpr size_t kBatchBytes = 256 * 1024;

// Where a pass starts and how it steps; the whole picture is one pass of step 1.
struct Pass {
  uint32_t x0, y0, dx, dy;
};
constexpr Pass kWhole = {0, 0, 1, 1};
constexpr Pass kAdam7[7] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                            {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};

uint32_t PassExtent(uint32_t full, uint32_t start, uint32_t step) {
  return full > start ? (full - start + step - 1) / step : 0;
}

// The inflated image data, handed out one filtered row (filter byte and row) at a time. Rows of one size stand
// one after the other in the buffer, and a refill keeps the row before the next one, so that the previous row of
// a pass is always the bytes just before the current one.
class RowSource {
 public:
  RowSource(TStream& compressed, uint64_t total) : inflater_(compressed), left_(total) {}

  uint8_t* Next(size_t n) {
    if (end_ - pos_ < n) Refill(n);
    uint8_t* row = buffer_.data() + pos_;
    pos_ += n;
    return row;
  }

 private:
  void Refill(size_t n) {
    const size_t from = pos_ >= n ? pos_ - n : pos_;
    const size_t kept = end_ - from;
    const size_t room = std::max(kBatchBytes, 2 * n);
    if (buffer_.size() < room) buffer_.resize(room);
    std::memmove(buffer_.data(), buffer_.data() + from, kept);
    pos_ -= from;
    end_ = kept;
    size_t want = size_t(std::min<uint64_t>(room - end_, left_));
    if (end_ + want - pos_ < n) Fail(kMsgCorrupted);
    left_ -= want;
    try {
      while (want > 0) {
        int32_t got = inflater_.Read(buffer_.data() + end_, int32_t(std::min<size_t>(want, 1u << 30)));
        if (got <= 0) Fail(kMsgCorrupted);  // the data end before the last row
        end_ += size_t(got);
        want -= size_t(got);
      }
    } catch (const EZDecompressionError&) {
      Fail(kMsgCorrupted);
    }
  }

  TZDecompressionStream inflater_;
  std::vector<uint8_t> buffer_;
  size_t pos_ = 0;
  size_t end_ = 0;
  uint64_t left_;
};

// Undoes a row's filter in place; prev is the previous row of the pass (zeros for its first row).
template <size_t Bpp>
void UnfilterRow(uint8_t filter, uint8_t* row, const uint8_t* prev, size_t len) {
  switch (filter) {
    case kFilterNone:
      return;
    case kFilterSub:
      for (size_t i = Bpp; i < len; ++i) row[i] = uint8_t(row[i] + row[i - Bpp]);
      return;
    case kFilterUp:
      for (size_t i = 0; i < len; ++i) row[i] = uint8_t(row[i] + prev[i]);
      return;
    case kFilterAverage:
      for (size_t i = 0; i < Bpp && i < len; ++i) row[i] = uint8_t(row[i] + (prev[i] >> 1));
      for (size_t i = Bpp; i < len; ++i) row[i] = uint8_t(row[i] + ((row[i - Bpp] + prev[i]) >> 1));
      return;
    case kFilterPaeth:
      for (size_t i = 0; i < Bpp && i < len; ++i) row[i] = uint8_t(row[i] + prev[i]);  // a = c = 0: b wins
      for (size_t i = Bpp; i < len; ++i) row[i] = uint8_t(row[i] + Paeth(row[i - Bpp], prev[i], prev[i - Bpp]));
      return;
    default:
      Fail(kMsgFilter);
  }
}

using UnfilterFn = void (*)(uint8_t, uint8_t*, const uint8_t*, size_t);

UnfilterFn UnfilterFor(size_t bpp) {
  switch (bpp) {
    case 1:
      return UnfilterRow<1>;
    case 2:
      return UnfilterRow<2>;
    case 3:
      return UnfilterRow<3>;
    case 4:
      return UnfilterRow<4>;
    case 6:
      return UnfilterRow<6>;
    default:
      return UnfilterRow<8>;
  }
}

// Stores width pixels of an unfiltered row in the bitmap's layout; gamma (or nullptr) corrects colour samples.
using StoreFn = void (*)(const uint8_t* src, uint8_t* dst, uint32_t width, const uint8_t* gamma);

template <int Bits>
void StorePacked(const uint8_t* src, uint8_t* dst, uint32_t width, const uint8_t*) {
  std::memcpy(dst, src, size_t(RowBytes(width, Bits)));
}

// Four 2-bit samples of a byte become four 4-bit pixels (two bytes).
void StoreTwoBit(const uint8_t* src, uint8_t* dst, uint32_t width, const uint8_t*) {
  static const auto table = [] {
    std::array<uint16_t, 256> t{};
    for (int v = 0; v < 256; ++v)
      t[size_t(v)] = uint16_t((((v >> 6) & 3) << 12) | (((v >> 4) & 3) << 8) | (((v >> 2) & 3) << 4) | (v & 3));
    return t;
  }();
  const size_t bytes = size_t(RowBytes(width, 2));
  const size_t out = size_t(RowBytes(width, 4));
  for (size_t i = 0; i < bytes; ++i) {
    uint16_t v = table[src[i]];
    dst[2 * i] = uint8_t(v >> 8);
    if (2 * i + 1 < out) dst[2 * i + 1] = uint8_t(v);
  }
}

// The first byte of every Step bytes: 16-bit grey keeps its high byte, grey with alpha drops the alpha.
template <int Step>
void StoreFirstOf(const uint8_t* src, uint8_t* dst, uint32_t width, const uint8_t*) {
  for (uint32_t x = 0; x < width; ++x) dst[x] = src[size_t(x) * Step];
}

// Red, green and blue (Sample bytes apart, the first byte of each) of every Step bytes, stored blue, green, red.
template <int Step, int Sample>
void StoreColor(const uint8_t* src, uint8_t* dst, uint32_t width, const uint8_t* gamma) {
  if (gamma) {
    for (uint32_t x = 0; x < width; ++x, src += Step, dst += 3) {
      dst[0] = gamma[src[2 * Sample]];
      dst[1] = gamma[src[Sample]];
      dst[2] = gamma[src[0]];
    }
    return;
  }
  for (uint32_t x = 0; x < width; ++x, src += Step, dst += 3) {
    dst[0] = src[2 * Sample];
    dst[1] = src[Sample];
    dst[2] = src[0];
  }
}

StoreFn StoreFor(uint8_t colorType, uint8_t depth) {
  switch (colorType) {
    case kRGB:
      return depth == 16 ? StoreColor<6, 2> : StoreColor<3, 1>;
    case kRGBA:
      return depth == 16 ? StoreColor<8, 2> : StoreColor<4, 1>;
    case kGreyAlpha:
      return depth == 16 ? StoreFirstOf<4> : StoreFirstOf<2>;
    default:  // grey and palette
      switch (depth) {
        case 1:
          return StorePacked<1>;
        case 2:
          return StoreTwoBit;
        case 4:
          return StorePacked<4>;
        case 8:
          return StorePacked<8>;
        default:
          return StoreFirstOf<2>;
      }
  }
}

// Copies the pixels of a pass row (in the bitmap's layout) to their places in a bitmap row.
void Scatter(const uint8_t* passRow, uint8_t* row, uint32_t count, const Pass& pass, TPixelFormat format) {
  switch (format) {
    case pf24bit:
      for (uint32_t i = 0, x = pass.x0; i < count; ++i, x += pass.dx)
        std::memcpy(row + 3 * size_t(x), passRow + 3 * size_t(i), 3);
      return;
    case pf8bit:
      for (uint32_t i = 0, x = pass.x0; i < count; ++i, x += pass.dx) row[x] = passRow[i];
      return;
    default:
      for (uint32_t i = 0, x = pass.x0; i < count; ++i, x += pass.dx)
        SetRaw(row, int32_t(x), format, GetRaw(passRow, int32_t(i), format));
  }
}

// The pixels of an RGB picture whose samples equal its colour key, marked in a mask as the rows are decoded. The raw
// samples are compared, before gamma correction and before 16 bits are cut to 8, so that exactly the key's pixels
// are marked.
class KeyMarker {
 public:
  KeyMarker(const std::array<uint16_t, 3>& key, uint8_t depth, uint32_t width, uint32_t height)
      : key_(key), depth_(depth), mask_(std::make_unique<TBitmap>(int32_t(width), int32_t(height), pf1bit)) {
    if (depth != 16)  // an 8-bit picture's key is the low byte of each stored sample
      for (uint16_t& sample : key_) sample &= 0xFF;
    for (int32_t y = 0; y < mask_->Height(); ++y) std::memset(mask_->ScanLine(y), 0, size_t(mask_->RowBytes()));
  }

  // An unfiltered row of count pixels of a pass, standing in picture row y.
  void Mark(const uint8_t* row, uint32_t count, const Pass& pass, uint32_t y) {
    uint8_t* line = mask_->ScanLine(int32_t(y));
    const size_t step = depth_ == 16 ? 6 : 3;
    for (uint32_t i = 0; i < count; ++i, row += step)
      if (Sample(row, 0) == key_[0] && Sample(row, 1) == key_[1] && Sample(row, 2) == key_[2])
        SetRaw(line, int32_t(pass.x0 + i * pass.dx), pf1bit, 1);
  }

  std::unique_ptr<TBitmap> Take() {
    mask_->PixelsChanged();
    return std::move(mask_);
  }

 private:
  uint16_t Sample(const uint8_t* pixel, int channel) const {
    return depth_ == 16 ? uint16_t(pixel[2 * channel] << 8 | pixel[2 * channel + 1]) : pixel[channel];
  }

  std::array<uint16_t, 3> key_;
  uint8_t depth_;
  std::unique_ptr<TBitmap> mask_;
};

// Gives the bitmap its format, palette and size.
void PrepareBitmap(TPNGImage& image, const TChunkIHDR& header, const SampleLayout& layout, const uint8_t* gamma) {
  image.SetSize(0, 0);
  image.SetPixelFormat(layout.format);
  const uint8_t depth = header.BitDepth();
  if (header.ColorType() == kPalette) {
    TChunkPLTE* plte = image.Chunks().Find<TChunkPLTE>();
    if (!plte) Fail(kMsgNoPalette);
    image.SetPalette(plte->MakePalette(gamma, depth));
  } else if (layout.format != pf24bit) {  // grey: a ramp from black to white
    const int entries = depth == 16 ? 256 : 1 << depth;
    std::vector<TRGBQuad> table;
    for (int i = 0; i < entries; ++i) {
      uint8_t v = uint8_t(i * 255 / (entries - 1));
      if (gamma) v = gamma[v];
      table.push_back({v, v, v, 0});
    }
    for (size_t i = table.size(); depth == 2 && i < 16; ++i) table.push_back(table[i % 4]);
    image.SetColorTable(table);
  }
  image.SetSize(int32_t(header.Width()), int32_t(header.Height()));
}

}  // namespace

void TChunkIDAT::Process() {
  TPNGImage& image = Image();
  const TChunkIHDR* header = Owner().Find<TChunkIHDR>();
  if (!header) Fail(kMsgNoIHDR);
  const SampleLayout layout = LayoutOf(header->ColorType(), header->BitDepth());
  const uint8_t interlace = header->InterlaceMethod();
  if (interlace != kInterlaceNone && interlace != kInterlaceAdam7) Fail(kMsgInterlace);
  const uint32_t width = header->Width(), height = header->Height();
  if (width == 0 || height == 0 || width > kMaxChunkLength || height > kMaxChunkLength ||
      uint64_t(width) * height > kMaxPixels)
    Fail(kMsgCorrupted);
  std::vector<Pass> passes;
  uint64_t total = 0;  // inflated bytes of all rows with their filter bytes
  for (const Pass& p : interlace == kInterlaceAdam7 ? std::vector<Pass>(std::begin(kAdam7), std::end(kAdam7))
                                                    : std::vector<Pass>{kWhole}) {
    uint32_t w = PassExtent(width, p.x0, p.dx), h = PassExtent(height, p.y0, p.dy);
    if (w == 0 || h == 0) continue;  // an empty pass has no rows at all
    passes.push_back(p);
    total += (RowBytes(w, layout.bitsPerPixel) + 1) * h;
  }
  if (total > kMaxInflateRatio * (uint64_t(Size()) + 1)) Fail(kMsgCorrupted);

  const TChunkGAMA* gama = Owner().Find<TChunkGAMA>();
  const uint8_t* gamma = gama && gama->Gamma() != 0 ? gama->GammaTable().data() : nullptr;
  PrepareBitmap(image, *header, layout, gamma);
  const UnfilterFn unfilter = UnfilterFor(layout.filterBpp);
  const StoreFn store = StoreFor(header->ColorType(), header->BitDepth());
  std::array<uint16_t, 3> key{};
  const TChunkTRNS* trns = Owner().Find<TChunkTRNS>();
  std::unique_ptr<KeyMarker> keyed;
  if (trns && trns->KeySamples(key)) keyed = std::make_unique<KeyMarker>(key, header->BitDepth(), width, height);

  Data().SetPosition(0);
  RowSource rows(Data(), total);
  const size_t maxRow = size_t(RowBytes(width, layout.bitsPerPixel));
  std::vector<uint8_t> zeros(maxRow + 1);
  std::vector<uint8_t> passRow(interlace == kInterlaceAdam7 ? size_t(image.RowBytes()) : 0);
  uint64_t rowsDone = 0, rowsTotal = 0;
  for (const Pass& p : passes) rowsTotal += PassExtent(height, p.y0, p.dy);
  int percent = 0;
  image.Report(psStarting, 0);
  for (const Pass& p : passes) {
    const uint32_t w = PassExtent(width, p.x0, p.dx), h = PassExtent(height, p.y0, p.dy);
    const size_t len = size_t(RowBytes(w, layout.bitsPerPixel));
    for (uint32_t i = 0; i < h; ++i) {
      uint8_t* raw = rows.Next(len + 1);
      unfilter(raw[0], raw + 1, i == 0 ? zeros.data() : raw - len, len);  // the previous row stands just before
      uint8_t* dst = image.ScanLine(int32_t(p.y0 + i * p.dy));
      if (keyed) keyed->Mark(raw + 1, w, p, p.y0 + i * p.dy);
      if (p.dx == 1) {
        store(raw + 1, dst, w, gamma);
      } else {
        store(raw + 1, passRow.data(), w, gamma);
        Scatter(passRow.data(), dst, w, p, layout.format);
      }
      int now = int(++rowsDone * 100 / rowsTotal);
      if (now != percent) image.Report(psRunning, percent = now);
    }
  }
  image.Report(psEnding, 100);
  image.PixelsChanged();
  if (keyed) image.keyMask_ = keyed->Take();
}

}  // namespace pf
