#include "viewer/viewer_gif.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "gif/gif_format.h"
#include "gif/lzw.h"
#include "platform/core/exceptions.h"
#include "platform/core/strings.h"

namespace viewer {

namespace {

constexpr const char* kMessages[] = {
    "no error",
    "Invalid GIF Signature Code",
    "No Local or Global Color Table for Image",
    "Unknown Graphics Extension Type",
    "Unknown Graphics Operation Code",
    "Invalid Extension Block Size",
    "[special message]",
    "Invalid Extension Block Terminator",
    "Invalid Integer Size",
    "No GIF Terminator Found",
    "Extension Block Out-Of-Order With Image Data",
    "Invalid Image Descriptor Index",
    "Invalid LZW Code Size",
    "Invalid LZW Data Format",
    "LZW Code Overflow",
    "Value Out Of Range",
    "NIL Pointer assigned",
    "Invalid Color Table Size",
    "No Image Description",
    "Invalid Bitmap Image",
    "Invalid Color Table Index",
    "Invalid Interlace Pass",
    "Invalid Bitmap",
    "Too Many Colors In Bitmap",
    "Unexpected end of file",
    "Animated GIF too large",
    "Zero width or height",
    "next message",
};
constexpr int kMessageCount = static_cast<int>(sizeof(kMessages) / sizeof(kMessages[0]));

int lastError = gifNoError;
std::string lastErrorMessage = kMessages[gifNoError];

void SetLastError(int code, std::string message) {
  lastError = code;
  lastErrorMessage = std::move(message);
}

[[noreturn]] void Fail(int code, const std::string& special = {}) {
  SetLastError(code, special.empty() ? GifErrorMessage(code) : special);
  throw pf::EInvalidGraphicOperation("TGif: " + lastErrorMessage);
}

// The values of the block-size bytes in front of the fixed extension blocks.
constexpr uint8_t kGraphicControlBlockSize = 4;
constexpr uint8_t kPlainTextBlockSize = 12;
constexpr uint8_t kApplicationBlockSize = gif::kApplicationIdSize;
constexpr int kBmpHeaderSize = 54;

// The size of the strip as a 24-bit BMP file; 64-bit, so that many wide frames cannot wrap it past the limits.
int64_t StripFileSize(int64_t screenWidth, int64_t screenHeight, int64_t images) {
  const int64_t rowSize = (screenWidth * 3 * images + 3) / 4 * 4;
  return screenHeight * rowSize + kBmpHeaderSize;
}

// Decodes the LZW codes of one image and places the pixels: row by row, or in the four interlace passes, over the
// image's full height; rows at or below the (cut) height of the pixel buffer are dropped, and so is anything after
// the last pixel.
class LzwDecoder {
 public:
  LzwDecoder(const std::vector<uint8_t>& data, TGifImageRecord& image, int32_t fullHeight)
      : data_(data), image_(image), rows_(gif::RowOrder(fullHeight, image.Interlaced)) {}

  void Decode() {
    const int codeSize = image_.MinCodeSize + 1;
    if (codeSize < 1 || codeSize > gif::kLzwMaxCodeBits) Fail(gifInvalidLzwCodeSize);
    clear_ = 1 << image_.MinCodeSize;
    initialSize_ = codeSize;
    Reset();
    int previous = -1;  // no code yet since the start or the last clear
    int code;
    while (!Full() && (code = ReadCode()) >= 0) {
      if (code == clear_) {
        Reset();
        while ((code = ReadCode()) == clear_) {
        }
        if (code < 0) return;
        if (code == clear_ + 1) Fail(gifInvalidLzwData);  // an end code right after a clear
        previous = -1;
      }
      if (code == clear_ + 1) return;
      if (previous < 0) {
        if (code >= nextFree_) code = 0;
        Output(code, -1);
      } else {
        if (code > nextFree_) Fail(gifInvalidLzwData);
        // The code just being defined (KwKwK) is the previous string and its own first pixel.
        const int first = Output(code == nextFree_ ? previous : code, code == nextFree_ ? first_ : -1);
        if (nextFree_ < gif::kLzwTableSize) {
          prefix_[nextFree_] = static_cast<uint16_t>(previous);
          suffix_[nextFree_] = static_cast<uint8_t>(first);
          if (++nextFree_ >= (1 << codeSize_) && codeSize_ < gif::kLzwMaxCodeBits) ++codeSize_;
        }
      }
      previous = code;
    }
  }

 private:
  void Reset() {
    codeSize_ = initialSize_;
    nextFree_ = clear_ + 2;
  }

  // The next code of the current size, least significant bit first; -1 when the data are used up.
  int ReadCode() {
    if (bitPos_ + static_cast<uint64_t>(codeSize_) > data_.size() * 8) return -1;
    size_t byte = static_cast<size_t>(bitPos_ >> 3);
    uint32_t bits = 0;
    for (size_t i = 0; i < 3 && byte + i < data_.size(); ++i) bits |= static_cast<uint32_t>(data_[byte + i]) << (8 * i);
    const int code = static_cast<int>((bits >> (bitPos_ & 7)) & ((1u << codeSize_) - 1));
    bitPos_ += static_cast<uint64_t>(codeSize_);
    return code;
  }

  // Places the string of code (followed by the pixel extra when it is not -1); returns the string's first pixel.
  int Output(int code, int extra) {
    int sp = 0;
    if (extra >= 0) stack_[sp++] = static_cast<uint8_t>(extra);
    // Every table entry's prefix is an older code, so the walk ends at a root within the table's size.
    while (code >= clear_) {
      stack_[sp++] = suffix_[code];
      code = prefix_[code];
    }
    stack_[sp++] = static_cast<uint8_t>(code);
    first_ = code;
    while (sp > 0 && !Full()) Place(stack_[--sp]);
    return first_;
  }

  bool Full() const { return row_ >= rows_.size(); }

  void Place(uint8_t pixel) {
    const int32_t y = rows_[row_];
    if (y < image_.Height) image_.Pixels[static_cast<size_t>(y) * static_cast<size_t>(image_.Width) + column_] = pixel;
    if (++column_ == static_cast<size_t>(image_.Width)) {
      column_ = 0;
      ++row_;
    }
  }

  const std::vector<uint8_t>& data_;
  TGifImageRecord& image_;
  const std::vector<int> rows_;
  size_t row_ = 0, column_ = 0;
  uint64_t bitPos_ = 0;
  int clear_ = 0, initialSize_ = 0, codeSize_ = 0, nextFree_ = 0, first_ = 0;
  uint16_t prefix_[gif::kLzwTableSize] = {};
  uint8_t suffix_[gif::kLzwTableSize] = {};
  uint8_t stack_[gif::kLzwTableSize + 1] = {};
};

// Composes the strip: a 24-bit picture, black at first, and while composing one mask byte per pixel (1 = white,
// transparent), packed into a monochrome bitmap at the end.
class StripComposer {
 public:
  StripComposer(pf::TBitmap& picture, int32_t slot, int32_t height, int32_t count, bool transparent)
      : slot_(slot), height_(height), width_(slot * count), transparent_(transparent), picture_(picture) {
    picture_.SetPixelFormat(pf::pf24bit);
    picture_.SetSize(width_, height_);
    if (picture_.Empty()) return;
    std::memset(picture_.Bits(), 0, static_cast<size_t>(picture_.RowBytes()) * static_cast<size_t>(height_));
    if (transparent_) mask_.assign(static_cast<size_t>(width_) * static_cast<size_t>(height_), 1);
  }

  // Slot i starts as a copy of slot i - 1; when the image there is disposed of, its rectangle becomes transparent.
  void StartFromPrevious(int32_t i, const TGifImageRecord& before, int32_t disposal) {
    if (picture_.Empty()) return;
    const size_t x0 = static_cast<size_t>(i) * static_cast<size_t>(slot_), n = static_cast<size_t>(slot_);
    for (int32_t y = 0; y < height_; ++y) {
      uint8_t* row = picture_.ScanLine(y);
      std::memcpy(row + 3 * x0, row + 3 * (x0 - n), 3 * n);
      if (transparent_) std::memcpy(MaskRow(y) + x0, MaskRow(y) + x0 - n, n);
    }
    if (!transparent_ || (disposal != 2 && disposal != 3)) return;
    const int32_t right = std::min(before.Left + before.Width, slot_);
    const int32_t bottom = std::min(before.Top + before.Height, height_);
    if (before.Left >= right) return;
    for (int32_t y = before.Top; y < bottom; ++y)
      std::memset(MaskRow(y) + x0 + static_cast<size_t>(before.Left), 1, static_cast<size_t>(right - before.Left));
  }

  // Draws image i into its slot, within the slot's right edge and the screen's bottom. A transparent pixel is black
  // in the first slot and shows the composite below it in later ones.
  void Draw(int32_t i, const TGifImageRecord& image, const TGifColorTable& table, int32_t transparentIndex) {
    const int32_t right = std::min(image.Left + image.Width, slot_);
    const int32_t bottom = std::min(image.Top + image.Height, height_);
    const size_t x0 = static_cast<size_t>(i) * static_cast<size_t>(slot_);
    for (int32_t y = image.Top; y < bottom; ++y) {
      const uint8_t* pixels =
          image.Pixels.data() + static_cast<size_t>(y - image.Top) * static_cast<size_t>(image.Width);
      uint8_t* row = picture_.ScanLine(y);
      for (int32_t x = image.Left; x < right; ++x) {
        const int index = pixels[x - image.Left];
        uint8_t* bgr = row + 3 * (x0 + static_cast<size_t>(x));
        if (index == transparentIndex) {
          if (i == 0) bgr[0] = bgr[1] = bgr[2] = 0;
          continue;
        }
        const uint32_t color = table.Color(index);
        bgr[0] = static_cast<uint8_t>(color >> 16);
        bgr[1] = static_cast<uint8_t>(color >> 8);
        bgr[2] = static_cast<uint8_t>(color);
        if (transparent_) MaskRow(y)[x0 + static_cast<size_t>(x)] = 0;
      }
    }
  }

  void Finish(std::unique_ptr<pf::TBitmap>& mask) {
    if (transparent_) {
      mask = std::make_unique<pf::TBitmap>(width_, height_, pf::pf1bit);
      for (int32_t y = 0; y < height_ && !mask->Empty(); ++y) {
        uint8_t* bits = mask->ScanLine(y);
        std::memset(bits, 0, static_cast<size_t>(mask->RowBytes()));
        const uint8_t* m = MaskRow(y);
        for (int32_t x = 0; x < width_; ++x)
          if (m[x]) bits[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
      }
    }
  }

 private:
  uint8_t* MaskRow(int32_t y) { return mask_.data() + static_cast<size_t>(y) * static_cast<size_t>(width_); }

  int32_t slot_, height_, width_;
  bool transparent_;
  pf::TBitmap& picture_;
  std::vector<uint8_t> mask_;
};

}  // namespace

const char* GifErrorMessage(int code) { return code >= 0 && code < kMessageCount ? kMessages[code] : ""; }
int GifLastError() { return lastError; }
const std::string& GifLastErrorMessage() { return lastErrorMessage; }

int64_t GifMaxPixelBytes = kGifMaxStripFileSize;

const TGifExtension* TGifImageRecord::GraphicControl() const {
  for (auto it = Extensions.rbegin(); it != Extensions.rend(); ++it)
    if (it->Label == gif::kGraphicControlLabel) return &*it;
  return nullptr;
}

// The whole file in memory and a read position. Fixed fields read past the end are error 24.
struct TGif::Reader {
  explicit Reader(pf::TStream& stream) {
    source.LoadFromStream(stream);
    data = source.Memory();
    size = static_cast<size_t>(source.Size());
  }
  pf::TMemoryStream source;
  const uint8_t* data = nullptr;
  size_t size = 0;
  size_t pos = 0;

  bool AtEnd() const { return pos >= size; }
  size_t Left() const { return size - pos; }
  uint8_t Byte() {
    if (AtEnd()) Fail(gifUnexpectedEof);
    return data[pos++];
  }
  int32_t Word() {
    const uint8_t low = Byte();
    return low | (Byte() << 8);
  }
  const uint8_t* Bytes(size_t n) {
    if (Left() < n) Fail(gifUnexpectedEof);
    const uint8_t* p = data + pos;
    pos += n;
    return p;
  }
  // Hands each data sub-block to sink, up to the zero-length block; a file that ends there instead ends them too.
  template <class Sink>
  void SubBlocks(Sink sink) {
    while (!AtEnd()) {
      const uint8_t length = Byte();
      if (length == 0) return;
      if (Left() < length) Fail(gifUnexpectedEof);
      sink(Bytes(length), length);
    }
  }
};

TGif::TGif() { Clear(); }

void TGif::Clear() {
  signature_.fill('-');
  screen_ = TGifScreen{};
  images_.clear();
  colorTables_.clear();
  waiting_.clear();
  pixelBytes_ = 0;
  loopCount_ = -1;
}

void TGif::LoadFromStream(pf::TStream& stream) {
  Clear();
  SetLastError(gifNoError, kMessages[gifNoError]);
  try {
    Reader in(stream);
    for (char& c : signature_)
      if (!in.AtEnd()) c = static_cast<char>(std::toupper(in.Byte()));
    const std::string signature(signature_.begin(), signature_.end());
    if (signature != "GIF87A" && signature != "GIF89A") Fail(gifInvalidSignature);
    ReadScreen(in);
    for (bool done = false; !done;) {
      const uint8_t block = in.AtEnd() ? 0 : in.Byte();  // a missing trailer ends the file
      switch (block) {
        case 0:
        case gif::kTrailerByte:
          done = true;
          break;
        case gif::kImageSeparator:
          ReadImage(in);
          break;
        case gif::kExtensionIntroducer:
          ReadExtension(in);
          break;
        default:
          Fail(gifUnknownOperationCode);
      }
    }
    if (images_.empty()) Fail(gifNoImageDescription);
    waiting_.clear();
  } catch (...) {
    Clear();
    throw;
  }
}

void TGif::ReadScreen(Reader& in) {
  screen_.Width = in.Word();
  screen_.Height = in.Word();
  const uint8_t packed = in.Byte();
  screen_.GlobalTable = (packed & gif::kScreenGlobalMap) != 0;
  screen_.ColorResolution = ((packed >> gif::kScreenResolutionShift) & 7) + 1;
  screen_.Sorted = (packed & gif::kScreenSorted) != 0;
  screen_.GlobalTableSize = gif::MapEntries(packed);
  screen_.BackgroundIndex = in.Byte();
  screen_.AspectRatio = in.Byte();
  if (screen_.GlobalTable) screen_.GlobalTableIndex = ReadColorTable(in, screen_.GlobalTableSize);
}

int32_t TGif::ReadColorTable(Reader& in, int32_t size) {
  const uint8_t* rgb = in.Bytes(static_cast<size_t>(size) * 3);
  TGifColorTable table;
  table.Entries.resize(static_cast<size_t>(size));
  for (size_t i = 0; i < table.Entries.size(); ++i, rgb += 3)
    table.Entries[i] = rgb[0] | (rgb[1] << 8) | (static_cast<uint32_t>(rgb[2]) << 16);
  colorTables_.push_back(std::move(table));
  return static_cast<int32_t>(colorTables_.size()) - 1;
}

void TGif::ReadImage(Reader& in) {
  TGifImageRecord& image = images_.emplace_back();
  image.Index = static_cast<int32_t>(images_.size()) - 1;
  image.Extensions = std::move(waiting_);
  waiting_.clear();
  image.Left = in.Word();
  image.Top = in.Word();
  image.Width = in.Word();
  const int32_t fullHeight = in.Word();
  image.Height = std::min(fullHeight, screen_.Height);
  const uint8_t packed = in.Byte();
  image.LocalTable = (packed & gif::kImageLocalMap) != 0;
  image.Interlaced = (packed & gif::kImageInterlaced) != 0;
  image.Sorted = (packed & gif::kImageSorted) != 0;
  image.LocalTableSize = gif::MapEntries(packed);
  image.ColorTableIndex = image.LocalTable ? ReadColorTable(in, image.LocalTableSize) : screen_.GlobalTableIndex;
  if (image.ColorTableIndex < 0) Fail(gifNoColorTable);
  image.MinCodeSize = in.Byte();
  std::vector<uint8_t> lzw;
  in.SubBlocks([&](const uint8_t* data, size_t n) { lzw.insert(lzw.end(), data, data + n); });
  if (static_cast<int64_t>(image.Width) * image.Height == 0) Fail(gifZeroSize);
  // Refuse what the strip could not hold anyway before any pixel memory is taken.
  pixelBytes_ += static_cast<int64_t>(image.Width) * fullHeight;
  if (pixelBytes_ > GifMaxPixelBytes ||
      StripFileSize(screen_.Width, screen_.Height, GetImageCount()) > kGifMaxStripFileSize)
    Fail(gifAnimatedTooLarge);
  image.Pixels.assign(static_cast<size_t>(image.Width) * static_cast<size_t>(image.Height), 0);
  LzwDecoder(lzw, image, fullHeight).Decode();
}

void TGif::ReadExtension(Reader& in) {
  TGifExtension ext;
  ext.Label = in.Byte();
  auto keep = [&ext](const uint8_t* data, size_t n) { ext.SubBlocks.emplace_back(data, data + n); };
  switch (ext.Label) {
    case gif::kGraphicControlLabel: {
      if (in.Byte() != kGraphicControlBlockSize) Fail(gifInvalidExtensionBlockSize);
      const uint8_t packed = in.Byte();
      ext.Disposal = (packed & gif::kGceDisposalMask) >> gif::kGceDisposalShift;
      ext.UserInput = (packed & gif::kGceUserInput) != 0;
      ext.TransparentFlag = (packed & gif::kGceTransparent) != 0;
      ext.Delay = static_cast<uint16_t>(in.Word());
      ext.TransparentIndex = in.Byte();
      if (in.Byte() != 0) Fail(gifInvalidExtensionTerminator);
      break;
    }
    case gif::kCommentLabel:
      in.SubBlocks(keep);
      break;
    case gif::kPlainTextLabel:
      if (in.Byte() != kPlainTextBlockSize) Fail(gifInvalidExtensionBlockSize);
      ext.GridLeft = static_cast<uint16_t>(in.Word());
      ext.GridTop = static_cast<uint16_t>(in.Word());
      ext.GridWidth = static_cast<uint16_t>(in.Word());
      ext.GridHeight = static_cast<uint16_t>(in.Word());
      ext.CellWidth = in.Byte();
      ext.CellHeight = in.Byte();
      ext.ForegroundIndex = in.Byte();
      ext.BackgroundIndex = in.Byte();
      in.SubBlocks(keep);
      break;
    case gif::kApplicationLabel: {
      const uint8_t size = in.Byte();
      if (size == kApplicationBlockSize) {
        std::memcpy(ext.Identifier.data(), in.Bytes(ext.Identifier.size()), ext.Identifier.size());
        std::memcpy(ext.AuthenticationCode.data(), in.Bytes(ext.AuthenticationCode.size()),
                    ext.AuthenticationCode.size());
      } else {
        in.Bytes(size);
      }
      in.SubBlocks(keep);
      static constexpr uint8_t kNetscape[8] = {'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E'};
      if (size == kApplicationBlockSize && std::memcmp(ext.Identifier.data(), kNetscape, sizeof kNetscape) == 0 &&
          !ext.SubBlocks.empty() && ext.SubBlocks[0].size() == 3)
        loopCount_ = ext.SubBlocks[0][1] | (ext.SubBlocks[0][2] << 8);
      break;
    }
    default:
      Fail(gifSpecialMessage, "unknown extension: " + pf::IntToHex(ext.Label, 4));
  }
  waiting_.push_back(std::move(ext));
}

const TGifImageRecord& TGif::Checked(int index) const {
  if (index < 0 || index >= GetImageCount()) Fail(gifValueOutOfRange);
  return images_[static_cast<size_t>(index)];
}

const TGifImageRecord& TGif::Image(int index) const { return Checked(index); }

bool TGif::HasTransparency() const {
  return std::any_of(images_.begin(), images_.end(), [](const TGifImageRecord& image) {
    const TGifExtension* gce = image.GraphicControl();
    return gce && gce->TransparentFlag;
  });
}

int32_t TGif::GetImageDelay(int index) const {
  const TGifExtension* gce = Checked(index).GraphicControl();
  return gce ? std::max<int32_t>(gce->Delay, 1) : 1;
}

int32_t TGif::GetImageDisposal(int index) const {
  const TGifExtension* gce = Checked(index).GraphicControl();
  return gce ? gce->Disposal & 3 : 0;
}

int32_t TGif::GetImageTransparentIndex(int index) const {
  const TGifExtension* gce = Checked(index).GraphicControl();
  return gce && gce->TransparentFlag ? gce->TransparentIndex : -1;
}

int32_t TGif::GetImageLeft(int index) const { return Checked(index).Left; }
int32_t TGif::GetImageTop(int index) const { return Checked(index).Top; }
int32_t TGif::GetImageWidth(int index) const { return Checked(index).Width; }
int32_t TGif::GetImageHeight(int index) const { return Checked(index).Height; }

std::unique_ptr<ThtBitmap> TGif::GetStripBitmap(std::unique_ptr<pf::TBitmap>& mask) const {
  auto strip = std::make_unique<ThtBitmap>();
  ComposeStrip(*strip, mask);
  return strip;
}

void TGif::ComposeStrip(pf::TBitmap& picture, std::unique_ptr<pf::TBitmap>& mask) const {
  mask.reset();
  const int32_t count = GetImageCount();
  const bool transparent = HasTransparency();
  const int64_t fileSize = StripFileSize(screen_.Width, screen_.Height, count);
  if (fileSize > kGifMaxStripFileSize || (transparent && fileSize > kGifMaxTransparentStripFileSize))
    Fail(gifAnimatedTooLarge);
  StripComposer strip(picture, screen_.Width, screen_.Height, count, transparent);
  for (int32_t i = 0; i < count; ++i) {
    const TGifImageRecord& image = images_[static_cast<size_t>(i)];
    if (i > 0) {
      const TGifImageRecord& before = images_[static_cast<size_t>(i) - 1];
      strip.StartFromPrevious(i, before, GetImageDisposal(i - 1));
    }
    strip.Draw(i, image, colorTables_[static_cast<size_t>(image.ColorTableIndex)], GetImageTransparentIndex(i));
  }
  strip.Finish(mask);
}

}  // namespace viewer
