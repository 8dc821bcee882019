#include "platform/graphics/bitmap.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "platform/core/exceptions.h"
#include "platform/core/services.h"
#include "platform/core/streams.h"
#include "platform/graphics/bitmap_internal.h"
#include "platform/graphics/canvas.h"
#include "platform/graphics/canvas_qt.h"
#include "platform/graphics/dib.h"
#include "platform/graphics/nearest_color.h"

namespace pf {

namespace {

// Largest pixel buffer a bitmap may hold; beyond it creation fails cleanly instead of exhausting memory.
constexpr int64_t kMaxBitmapBytes = int64_t(1) << 30;

const TRGBQuad kVga16[16] = {
    {0, 0, 0, 0},     {0, 0, 128, 0},     {0, 128, 0, 0},     {0, 128, 128, 0},   {128, 0, 0, 0}, {128, 0, 128, 0},
    {128, 128, 0, 0}, {192, 192, 192, 0}, {128, 128, 128, 0}, {0, 0, 255, 0},     {0, 255, 0, 0}, {0, 255, 255, 0},
    {255, 0, 0, 0},   {255, 0, 255, 0},   {255, 255, 0, 0},   {255, 255, 255, 0},
};

// The padded row length of a bitmap of this size and format; a row or a picture beyond kMaxBitmapBytes (or a row
// length beyond 32 bits) raises EOutOfResources before anything is allocated.
int32_t CheckedStride(int32_t width, int32_t height, TPixelFormat format) {
  int64_t stride = ((int64_t(width) * PixelFormatBits(format) + 31) / 32) * 4;
  if (stride > kMaxBitmapBytes || stride * height > kMaxBitmapBytes)
    throw EOutOfResources("Not enough storage for a bitmap");
  return int32_t(stride);
}

}  // namespace

uint32_t NearestIndex::operator()(TColor c) {
  c &= 0xFFFFFF;
  auto it = cache_.find(c);
  if (it != cache_.end()) return it->second;
  auto best = uint32_t(NearestColorIndex(table_, c, &TRGBQuad::rgbRed, &TRGBQuad::rgbGreen, &TRGBQuad::rgbBlue));
  cache_.emplace(c, best);
  return best;
}

std::vector<TRGBQuad> DefaultColorTable(TPixelFormat format) {
  switch (format) {
    case pf1bit:
      return {{0, 0, 0, 0}, {255, 255, 255, 0}};
    case pf4bit:
      return std::vector<TRGBQuad>(std::begin(kVga16), std::end(kVga16));
    case pf8bit: {
      std::vector<TRGBQuad> table;
      for (const auto& e : SystemPalette().Entries()) table.push_back({e.peBlue, e.peGreen, e.peRed, 0});
      return table;
    }
    default:
      return {};
  }
}

int PixelFormatBits(TPixelFormat format) {
  switch (format) {
    case pf1bit:
      return 1;
    case pf4bit:
      return 4;
    case pf8bit:
      return 8;
    case pf15bit:
    case pf16bit:
      return 16;
    case pf24bit:
      return 24;
    default:
      return 32;
  }
}

int32_t BytesPerScanline(int32_t width, int bitsPerPixel) {
  return int32_t(((int64_t(width) * bitsPerPixel + 31) / 32) * 4);
}

TBitmap::TBitmap() = default;

TBitmap::TBitmap(int32_t width, int32_t height, TPixelFormat format) {
  format_ = format;
  if (IsPaletteFormat(format)) {
    colorTable_ = DefaultColorTable(format);
    SyncPaletteFromTable();
  }
  Reallocate(width, height, clWhite);
}

TBitmap::~TBitmap() = default;

void TBitmap::SyncPaletteFromTable() {
  if (colorTable_.empty()) {
    palette_ = nullptr;
    return;
  }
  std::vector<TPaletteEntry> entries;
  entries.reserve(colorTable_.size());
  for (const auto& q : colorTable_) entries.push_back({q.rgbRed, q.rgbGreen, q.rgbBlue, 0});
  palette_ = CreatePalette(entries.data(), int(entries.size()));
}

// Makes a buffer of the given size in the current format: old pixels keep their place, the rest is fill.
void TBitmap::Reallocate(int32_t width, int32_t height, TColor fill) {
  const TPixelFormat format = format_;
  width = std::max(width, 0);
  height = std::max(height, 0);
  int32_t stride = CheckedStride(width, height, format);
  std::vector<uint8_t> bits(size_t(stride) * size_t(height));
  fill = ColorToDrawRGB(fill);
  uint32_t raw = IsPaletteFormat(format) ? NearestIndex(colorTable_)(fill) : ColorToDirect(fill, format);
  int bpp = PixelFormatBits(format);
  if (height > 0 && width > 0) {
    // The first row (whole bytes of 1- and 4-bit pixels at once), then copies of it.
    int32_t x = 0;
    if (bpp < 8) {
      int32_t wholeBytes = int32_t(int64_t(width) * bpp / 8);
      std::memset(bits.data(), bpp == 1 ? (raw ? 0xFF : 0) : int(raw * 0x11), size_t(wholeBytes));
      x = wholeBytes * (8 / bpp);
    }
    for (; x < width; ++x) SetRaw(bits.data(), x, format, raw);
    for (int32_t y = 1; y < height; ++y) std::memcpy(bits.data() + size_t(y) * stride, bits.data(), size_t(stride));
  }
  int32_t keepW = std::min(width, width_), keepH = std::min(height, height_);
  for (int32_t y = 0; y < keepH && keepW > 0; ++y) {
    const uint8_t* src = bits_.data() + size_t(y) * stride_;
    uint8_t* dst = bits.data() + size_t(y) * stride;
    if (bpp >= 8) {
      std::memcpy(dst, src, size_t(keepW) * size_t(bpp / 8));
    } else {
      for (int32_t x = 0; x < keepW; ++x) SetRaw(dst, x, format, GetRaw(src, x, format));
    }
  }
  width_ = width;
  height_ = height;
  stride_ = stride;
  bits_ = std::move(bits);
}

void TBitmap::SetSize(int32_t width, int32_t height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (width == width_ && height == height_) return;
  TColor fill = clWhite;
  if (canvas_ && canvas_->Brush().Style() == bsSolid) fill = canvas_->Brush().Color();
  Reallocate(width, height, fill);
  Changed(this);
}

uint8_t* TBitmap::ScanLine(int32_t y) {
  if (y < 0 || y >= height_) throw EInvalidGraphicOperation("Scan line index out of range");
  return bits_.data() + size_t(y) * size_t(stride_);  // a zero-width bitmap has rows of no bytes
}

const uint8_t* TBitmap::ScanLine(int32_t y) const {
  if (y < 0 || y >= height_) throw EInvalidGraphicOperation("Scan line index out of range");
  return bits_.data() + size_t(y) * size_t(stride_);  // a zero-width bitmap has rows of no bytes
}

void TBitmap::SetPixelFormat(TPixelFormat format) {
  if (format == format_) return;
  int32_t stride = CheckedStride(width_, height_, format);
  TPixelFormat old = format_;
  std::vector<TRGBQuad> oldTable = colorTable_;
  std::vector<uint8_t> oldBits = std::move(bits_);
  int32_t oldStride = stride_;
  bool keepIndexes = IsPaletteFormat(old) && IsPaletteFormat(format) &&
                     oldTable.size() <= (size_t(1) << PixelFormatBits(format)) && !oldTable.empty();
  if (IsPaletteFormat(format)) {
    if (!keepIndexes) colorTable_ = DefaultColorTable(format);
  } else {
    colorTable_.clear();
  }
  std::vector<uint8_t> bits(size_t(stride) * size_t(height_));
  NearestIndex nearest(colorTable_);
  for (int32_t y = 0; y < height_; ++y) {
    const uint8_t* src = oldBits.data() + size_t(y) * oldStride;
    uint8_t* dst = bits.data() + size_t(y) * stride;
    for (int32_t x = 0; x < width_; ++x) {
      uint32_t v = GetRaw(src, x, old);
      if (keepIndexes) {
        SetRaw(dst, x, format, v);
        continue;
      }
      TColor c =
          IsPaletteFormat(old) ? (v < oldTable.size() ? RGBQuadToColor(oldTable[v]) : clBlack) : DirectToColor(v, old);
      SetRaw(dst, x, format, IsPaletteFormat(format) ? nearest(c) : ColorToDirect(c, format));
    }
  }
  bits_ = std::move(bits);
  stride_ = stride;
  format_ = format;
  if (IsPaletteFormat(format)) {
    if (!keepIndexes || !palette_) SyncPaletteFromTable();  // kept indexes keep their table and its palette
  } else if (IsPaletteFormat(old)) {
    palette_ = nullptr;
  }
  Changed(this);
}

void TBitmap::SetColorTable(const std::vector<TRGBQuad>& table) {
  if (!IsPaletteFormat(format_)) return;
  size_t max = size_t(1) << PixelFormatBits(format_);
  colorTable_.assign(table.begin(), table.begin() + std::min(max, table.size()));
  SyncPaletteFromTable();
  Changed(this);
}

void TBitmap::SetPalette(const HPALETTE& value) {
  if (value == palette_) return;
  if (IsPaletteFormat(format_)) {
    if (!value) {
      SyncPaletteFromTable();
    } else {
      size_t max = size_t(1) << PixelFormatBits(format_);
      colorTable_.clear();
      for (const auto& e : value.Entries()) {
        if (colorTable_.size() == max) break;
        colorTable_.push_back({e.peBlue, e.peGreen, e.peRed, 0});
      }
      palette_ = value;
    }
  } else {
    palette_ = value;
  }
  SetPaletteModified(true);
  Changed(this);
}

void TBitmap::SetMonochrome(bool value) {
  if (value == Monochrome()) return;
  if (!value) {
    SetPixelFormat(pfDevice);
    return;
  }
  // White pixels become 1, all others 0: the mask of white.
  std::unique_ptr<TBitmap> mono = CreateMask(clWhite);
  format_ = pf1bit;
  stride_ = mono->stride_;
  bits_ = std::move(mono->bits_);
  colorTable_ = std::move(mono->colorTable_);
  palette_ = mono->palette_;
  Changed(this);
}

TColor TBitmap::TransparentColor() const {
  if (transparentMode_ == tmFixed) return transparentColor_;
  if (GetEmpty()) return clDefault;
  return GetPixel(0, height_ - 1);
}

void TBitmap::SetTransparentColor(TColor value) {
  transparentColor_ = value;
  transparentMode_ = value == clDefault ? tmAuto : tmFixed;
  Changed(this);
}

void TBitmap::SetTransparentMode(TTransparentMode value) {
  if (value == transparentMode_) return;
  if (value == tmAuto) {
    transparentColor_ = clDefault;
  } else if (transparentColor_ == clDefault) {
    transparentColor_ = TransparentColor();
  }
  transparentMode_ = value;
  Changed(this);
}

void TBitmap::SetTransparent(bool value) { TGraphic::SetTransparent(value); }

std::unique_ptr<TBitmap> TBitmap::CreateMask(TColor color) const {
  auto mask = std::make_unique<TBitmap>(width_, height_, pf1bit);
  color = ColorToDrawRGB(color);
  PixelAccess src(const_cast<TBitmap&>(*this));
  for (int32_t y = 0; y < height_; ++y) {
    uint8_t* row = mask->ScanLine(y);
    for (int32_t x = 0; x < width_; ++x) SetRaw(row, x, pf1bit, src.Get(x, y) == color ? 1 : 0);
  }
  return mask;
}

void TBitmap::SetAlphaFormat(TAlphaFormat value) {
  if (value == alphaFormat_) return;
  alphaFormat_ = value;
  Changed(this);
}

TColor TBitmap::GetPixel(int32_t x, int32_t y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return clNone;
  return PixelAccess(const_cast<TBitmap&>(*this)).Get(x, y);
}

void TBitmap::SetPixel(int32_t x, int32_t y, TColor color) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  PixelAccess(*this).Set(x, y, ColorToDrawRGB(color));
}

TCanvas& TBitmap::Canvas() {
  if (!canvas_) canvas_ = std::make_unique<TCanvas>(MakeBitmapTarget(*this));
  return *canvas_;
}

void TBitmap::Assign(const TPersistent& source) {
  if (&source == this) return;
  auto* other = dynamic_cast<const TBitmap*>(&source);
  if (!other) {
    TGraphic::Assign(source);
    return;
  }
  width_ = other->width_;
  height_ = other->height_;
  format_ = other->format_;
  stride_ = other->stride_;
  bits_ = other->bits_;
  colorTable_ = other->colorTable_;
  palette_ = other->palette_;
  transparentColor_ = other->transparentColor_;
  transparentMode_ = other->transparentMode_;
  alphaFormat_ = other->alphaFormat_;
  transparent_ = other->transparent_;
  Changed(this);
}

void TBitmap::AssignTo(TPersistent& dest) const { TGraphic::AssignTo(dest); }

void TBitmap::Draw(TCanvas& canvas, const TRect& r) {
  if (GetEmpty()) return;
  TRect source = Rect(0, 0, width_, height_);
  if (Transparent())
    TransparentStretchBlt(canvas, r, *this, source, TransparentColor());
  else
    StretchBitmap(canvas, r, *this, source, canvas.CopyMode());
}

// ---- BMP files ----

namespace {

[[noreturn]] void InvalidBitmap() { throw EInvalidGraphic("Bitmap image is not valid"); }

uint32_t Le32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
uint16_t Le16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
void Put32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
}
void Put16(std::vector<uint8_t>& out, uint16_t v) {
  out.push_back(uint8_t(v));
  out.push_back(uint8_t(v >> 8));
}

void ReadExact(TStream& stream, void* buffer, int64_t count) {
  if (count < 0 || count > std::numeric_limits<int32_t>::max()) InvalidBitmap();
  if (stream.Read(buffer, int32_t(count)) != int32_t(count)) InvalidBitmap();
}

// One channel of a masked pixel value, scaled to 8 bits.
uint8_t MaskedChannel(uint32_t v, uint32_t mask) {
  if (mask == 0) return 0;
  int shift = 0;
  while (!((mask >> shift) & 1)) ++shift;
  uint32_t m = mask >> shift;
  uint64_t value = (v & mask) >> shift;
  return uint8_t((value * 255 + m / 2) / m);
}

// Decodes BI_RLE8 / BI_RLE4 data into a bottom-up palette image (rows of the target's stride, top-down storage).
// Pixels past the end of a row are dropped at no cost, so the column never runs beyond the width.
void DecodeRle(const std::vector<uint8_t>& data, bool four, TBitmap& target) {
  const int32_t w = target.Width(), h = target.Height();
  const TPixelFormat f = target.PixelFormat();
  int32_t x = 0, y = 0;  // y counts from the bottom row
  // Writes the first count pixels of a run (those within the row); index(k) is the k-th pixel's index.
  auto put = [&](int count, auto index) {
    int32_t n = std::min<int32_t>(count, w - x);
    uint8_t* row = target.ScanLine(h - 1 - y);
    for (int32_t k = 0; k < n; ++k) SetRaw(row, x + k, f, index(k));
    x += n;
  };
  size_t i = 0;
  while (y < h && i + 1 < data.size()) {
    uint8_t count = data[i], value = data[i + 1];
    i += 2;
    if (count > 0) {
      put(count, [&](int k) { return four ? ((k & 1) ? (value & 0x0F) : (value >> 4)) : value; });
    } else if (value == 0) {  // end of line
      x = 0;
      ++y;
    } else if (value == 1) {  // end of bitmap
      return;
    } else if (value == 2) {  // delta
      if (i + 1 >= data.size()) InvalidBitmap();
      x = std::min(w, x + data[i]);
      y += data[i + 1];
      i += 2;
    } else {  // absolute run of value pixels, padded to a 16-bit boundary
      size_t bytes = four ? (size_t(value) + 1) / 2 : value;
      if (i + bytes > data.size()) InvalidBitmap();
      const uint8_t* run = &data[i];
      put(value, [&](int k) { return four ? ((k & 1) ? (run[k / 2] & 0x0F) : (run[k / 2] >> 4)) : run[k]; });
      i += (bytes + 1) & ~size_t(1);
    }
  }
}

}  // namespace

void TBitmap::LoadFromStream(TStream& stream) {
  const int64_t start = stream.Position();
  uint8_t fileHeader[14];
  ReadExact(stream, fileHeader, 14);
  if (fileHeader[0] != 'B' || fileHeader[1] != 'M') InvalidBitmap();
  uint32_t offBits = Le32(fileHeader + 10);
  uint8_t info[124] = {};
  ReadExact(stream, info, 4);
  uint32_t headerSize = Le32(info);
  if (headerSize != 12 && headerSize != 40 && headerSize != 52 && headerSize != 56 && headerSize != 64 &&
      headerSize != 108 && headerSize != 124)
    InvalidBitmap();
  ReadExact(stream, info + 4, headerSize - 4);
  int64_t width, height;
  int bpp;
  uint32_t compression = BI_RGB, clrUsed = 0;
  bool core = headerSize == 12;
  if (core) {
    width = Le16(info + 4);
    height = Le16(info + 6);
    if (Le16(info + 8) != 1) InvalidBitmap();
    bpp = Le16(info + 10);
  } else {
    width = int32_t(Le32(info + 4));
    height = int32_t(Le32(info + 8));
    if (Le16(info + 12) != 1) InvalidBitmap();
    bpp = Le16(info + 14);
    compression = Le32(info + 16);
    clrUsed = Le32(info + 32);
  }
  bool topDown = height < 0;
  if (topDown) height = -height;
  if (width < 0 || width > 0xFFFF || height > 0xFFFF) InvalidBitmap();
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) InvalidBitmap();
  if (compression == BI_RLE8 && (bpp != 8 || topDown)) InvalidBitmap();
  if (compression == BI_RLE4 && (bpp != 4 || topDown)) InvalidBitmap();
  if (compression == BI_BITFIELDS && bpp != 16 && bpp != 32) InvalidBitmap();
  if (compression > BI_BITFIELDS) InvalidBitmap();
  int64_t consumed = 14 + headerSize;

  uint32_t masks[3] = {0, 0, 0};
  if (compression == BI_BITFIELDS) {
    if (headerSize >= 52) {
      for (int i = 0; i < 3; ++i) masks[i] = Le32(info + 40 + 4 * i);
    } else {
      uint8_t m[12];
      ReadExact(stream, m, 12);
      consumed += 12;
      for (int i = 0; i < 3; ++i) masks[i] = Le32(m + 4 * i);
    }
  } else if (bpp == 16) {
    masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F;
  } else if (bpp == 32) {
    masks[0] = 0xFF0000, masks[1] = 0xFF00, masks[2] = 0xFF;
  }

  std::vector<TRGBQuad> table;
  if (bpp <= 8) {
    uint32_t count = clrUsed == 0 ? (1u << bpp) : clrUsed;
    if (count > 256) InvalidBitmap();
    int entrySize = core ? 3 : 4;
    std::vector<uint8_t> raw(size_t(count) * entrySize);
    ReadExact(stream, raw.data(), int64_t(raw.size()));
    consumed += int64_t(raw.size());
    // Entries beyond what the depth can address are read past and dropped.
    count = std::min(count, 1u << bpp);
    for (uint32_t i = 0; i < count; ++i)
      table.push_back({raw[i * entrySize], raw[i * entrySize + 1], raw[i * entrySize + 2], 0});
  }

  TPixelFormat format = bpp == 1 ? pf1bit : bpp == 4 ? pf4bit : bpp == 8 ? pf8bit : bpp == 24 ? pf24bit : pf32bit;
  bool generic = false;
  if (bpp == 16) {
    if (masks[0] == 0x7C00 && masks[1] == 0x03E0 && masks[2] == 0x001F)
      format = pf15bit;
    else if (masks[0] == 0xF800 && masks[1] == 0x07E0 && masks[2] == 0x001F)
      format = pf16bit;
    else
      format = pf24bit, generic = true;
  } else if (bpp == 32 && !(masks[0] == 0xFF0000 && masks[1] == 0xFF00 && masks[2] == 0xFF)) {
    generic = true;
  }

  // Pixel data start where the file header says (never before what was read).
  if (offBits > consumed && stream.Seek(start + offBits, soBeginning) != start + offBits) InvalidBitmap();
  const bool rle = compression == BI_RLE8 || compression == BI_RLE4;
  const int32_t fileStride = BytesPerScanline(int32_t(width), bpp);
  const int32_t stride = BytesPerScanline(int32_t(width), PixelFormatBits(format));
  const int64_t available = stream.Size() - stream.Position();
  // Sizes are checked before anything is allocated: a short header must not claim a gigabyte it does not hold.
  if (int64_t(std::max(fileStride, stride)) * height > kMaxBitmapBytes) InvalidBitmap();
  if (!rle && int64_t(fileStride) * height > available) InvalidBitmap();

  TBitmap result;
  result.width_ = int32_t(width);
  result.height_ = int32_t(height);
  result.format_ = format;
  result.stride_ = stride;
  result.bits_.assign(size_t(stride) * size_t(height), 0);  // pixels that RLE data skip are index 0
  if (rle) {
    uint32_t sizeImage = Le32(info + 20);
    int64_t size = sizeImage ? std::min<int64_t>(sizeImage, available) : available;
    if (size < 0) InvalidBitmap();
    size = std::min<int64_t>(size, int64_t(width * height) * 2 + height * 2 + 64 + width * height);
    std::vector<uint8_t> data(static_cast<size_t>(size));
    ReadExact(stream, data.data(), size);
    DecodeRle(data, compression == BI_RLE4, result);
  } else {
    // Rows in the bitmap's own layout are read in place; others through a row buffer and the colour masks.
    std::vector<uint8_t> row(generic ? size_t(fileStride) : 0);
    for (int64_t i = 0; i < height && fileStride > 0; ++i) {
      uint8_t* dst = result.ScanLine(int32_t(topDown ? i : height - 1 - i));
      ReadExact(stream, generic ? row.data() : dst, fileStride);
      for (int32_t x = 0; generic && x < width; ++x) {
        uint32_t v = bpp == 16 ? Le16(&row[size_t(2 * x)]) : Le32(&row[size_t(4 * x)]);
        TColor c = RGB(MaskedChannel(v, masks[0]), MaskedChannel(v, masks[1]), MaskedChannel(v, masks[2]));
        SetRaw(dst, x, format, ColorToDirect(c, format));
      }
    }
  }
  width_ = result.width_;
  height_ = result.height_;
  format_ = result.format_;
  stride_ = result.stride_;
  bits_ = std::move(result.bits_);
  colorTable_ = std::move(table);
  if (IsPaletteFormat(format_))
    SyncPaletteFromTable();
  else
    palette_ = nullptr;
  Changed(this);
}

void TBitmap::LoadFromClipboardFormat(uint16_t format, const std::vector<uint8_t>& data, const HPALETTE&) {
  if (format != CF_BITMAP || data.empty()) TGraphic::LoadFromClipboardFormat(format, data, nullptr);
  TReadOnlyMemoryStream stream(data.data(), static_cast<int64_t>(data.size()));
  LoadFromStream(stream);
}

void TBitmap::SaveToClipboardFormat(uint16_t& format, std::vector<uint8_t>& data, HPALETTE& palette) const {
  TMemoryStream stream;
  SaveToStream(stream);
  format = CF_BITMAP;
  data.assign(stream.Memory(), stream.Memory() + stream.Size());
  palette = palette_;
}

void TBitmap::SaveToStream(TStream& stream) const {
  int bpp = PixelFormatBits(format_);
  bool bitfields = format_ == pf16bit;
  uint32_t tableBytes = uint32_t(colorTable_.size()) * 4;
  uint32_t offBits = 14 + 40 + (bitfields ? 12 : 0) + tableBytes;
  uint32_t imageSize = uint32_t(stride_) * uint32_t(height_);
  std::vector<uint8_t> header;
  header.push_back('B');
  header.push_back('M');
  Put32(header, offBits + imageSize);
  Put32(header, 0);
  Put32(header, offBits);
  Put32(header, 40);
  Put32(header, uint32_t(width_));
  Put32(header, uint32_t(height_));
  Put16(header, 1);
  Put16(header, uint16_t(bpp));
  Put32(header, bitfields ? BI_BITFIELDS : BI_RGB);
  Put32(header, imageSize);
  Put32(header, 0);
  Put32(header, 0);
  Put32(header, uint32_t(colorTable_.size()));
  Put32(header, 0);
  if (bitfields) {
    Put32(header, 0xF800);
    Put32(header, 0x07E0);
    Put32(header, 0x001F);
  }
  for (const auto& q : colorTable_) {
    header.push_back(q.rgbBlue);
    header.push_back(q.rgbGreen);
    header.push_back(q.rgbRed);
    header.push_back(0);
  }
  stream.WriteBuffer(header.data(), int32_t(header.size()));
  // Rows of a zero-width bitmap hold no bytes (and the buffer is empty).
  for (int32_t y = height_ - 1; y >= 0 && stride_ > 0; --y)
    stream.WriteBuffer(bits_.data() + size_t(y) * stride_, stride_);
}

}  // namespace pf
