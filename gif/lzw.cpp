#include "gif/lzw.h"

#include <algorithm>
#include <cstring>

namespace gif {

int BitsNeeded(int colors) {
  if (colors <= 0) return 0;
  if (colors <= 2) return 1;
  int bits = 1;
  while ((1 << bits) < colors) ++bits;
  return bits;
}

std::vector<int> RowOrder(int height, bool interlaced) {
  std::vector<int> rows;
  rows.reserve(static_cast<size_t>(std::max(height, 0)));
  if (!interlaced) {
    for (int y = 0; y < height; ++y) rows.push_back(y);
    return rows;
  }
  static const int kStart[4] = {0, 4, 2, 1};
  static const int kStep[4] = {8, 8, 4, 2};
  for (int pass = 0; pass < 4; ++pass)
    for (int y = kStart[pass]; y < height; y += kStep[pass]) rows.push_back(y);
  return rows;
}

// --- TGIFStream / TGIFWriter -------------------------------------------------------------------------------------

int32_t TGIFStream::Read(void*, int32_t) { throw pf::Exception(msg::InvalidStreamOperation); }
int32_t TGIFStream::Write(const void*, int32_t) { throw pf::Exception(msg::InvalidStreamOperation); }
int64_t TGIFStream::Seek(int64_t, pf::TSeekOrigin) { throw pf::Exception(msg::InvalidStreamOperation); }

int32_t TGIFWriter::Write(const void* buffer, int32_t count) {
  const uint8_t* p = static_cast<const uint8_t*>(buffer);
  for (int32_t i = 0; i < count; ++i) Put(p[i]);
  return count;
}

void TGIFWriter::FlushBlock() {
  block_[0] = kMaxSubBlockSize;
  pending_.insert(pending_.end(), block_, block_ + kBlockBytes);
  count_ = 1;
  if (pending_.size() >= 64 * 1024) Drain();
}

void TGIFWriter::Drain() {
  if (!pending_.empty()) target_.WriteBuffer(pending_.data(), static_cast<int32_t>(pending_.size()));
  pending_.clear();
}

void TGIFWriter::Finish() {
  if (count_ > 1) {
    block_[0] = static_cast<uint8_t>(count_ - 1);
    pending_.insert(pending_.end(), block_, block_ + count_);
    count_ = 1;
  }
  Drain();
}

// --- THashTable --------------------------------------------------------------------------------------------------

void THashTable::Clear() { std::fill(std::begin(slots_), std::end(slots_), kEmpty); }

void THashTable::Insert(uint32_t key, int code) {
  uint32_t i = Hash(key);
  while (slots_[i] != kEmpty) i = Step(i);
  slots_[i] = (key << 12) | static_cast<uint32_t>(code);
}

int THashTable::Lookup(uint32_t key) const {
  uint32_t i = Hash(key);
  for (;;) {
    uint32_t slot = slots_[i];
    if (slot == kEmpty) return -1;
    if ((slot >> 12) == key) return static_cast<int>(slot & 0xFFF);
    i = Step(i);
  }
}

// --- TGIFEncoder -------------------------------------------------------------------------------------------------

void TGIFEncoder::ColorError() { throw GIFException(msg::ColorNotInTable); }

void TGIFEncoder::Output(int code) { PutCode(code); }

void TGIFEncoder::Encode(pf::TStream& stream, int bitsPerPixel, int colors, const uint8_t* data, bool interlaced,
                         int height, int width) {
  minCodeSize_ = std::max(bitsPerPixel, 2);
  colors_ = colors;
  uint8_t sizeByte = static_cast<uint8_t>(minCodeSize_);
  stream.WriteBuffer(&sizeByte, 1);
  initCodeSize_ = minCodeSize_ + 1;
  codeSize_ = initCodeSize_;
  clearCode_ = 1 << minCodeSize_;
  endCode_ = clearCode_ + 1;
  firstFree_ = clearCode_ + 2;
  maxCode_ = (1 << codeSize_) - 1;
  accumulator_ = 0;
  bitCount_ = 0;
  cleared_ = false;

  TGIFWriter writer(stream);
  writer_ = &writer;
  std::vector<uint8_t> reordered;
  if (data != nullptr && height >= 1 && width >= 1) {
    pixelCount_ = static_cast<int64_t>(width) * height;
    pixels_ = data;
    if (interlaced) {
      reordered.resize(static_cast<size_t>(pixelCount_));
      uint8_t* out = reordered.data();
      for (int row : RowOrder(height, true)) {
        std::memcpy(out, data + static_cast<size_t>(row) * width, static_cast<size_t>(width));
        out += width;
      }
      pixels_ = reordered.data();
    }
    Compress();
  }
  Output(endCode_);
  while (bitCount_ > 0) {
    writer.Put(static_cast<uint8_t>(accumulator_));
    accumulator_ >>= 8;
    bitCount_ -= 8;
  }
  bitCount_ = 0;
  accumulator_ = 0;
  writer.Finish();
  writer_ = nullptr;
  pixels_ = nullptr;
  uint8_t zero = 0;
  stream.WriteBuffer(&zero, 1);
}

// --- TLZWEncoder -------------------------------------------------------------------------------------------------

void TLZWEncoder::Clear() {
  cleared_ = true;
  Emit(clearCode_);
  table_.Clear();
  nextFree_ = clearCode_ + 2;
}

void TLZWEncoder::Compress() {
  const uint8_t* p = pixels_;
  const uint8_t* end = pixels_ + pixelCount_;
  const int colors = colors_;
  Clear();
  if (*p >= colors) ColorError();
  int prefix = *p++;
  for (; p < end; ++p) {
    int pixel = *p;
    if (pixel >= colors) ColorError();
    uint32_t key = (static_cast<uint32_t>(prefix) << 8) | static_cast<uint32_t>(pixel);
    uint32_t slot;
    int code = table_.Find(key, slot);
    if (code >= 0) {
      prefix = code;
      continue;
    }
    Emit(prefix);
    prefix = pixel;
    if (nextFree_ >= kLzwMaxCode) {  // code 4095 is never assigned: the table starts over
      TLZWEncoder::Clear();
    } else {
      table_.Store(slot, key, nextFree_++);
    }
  }
  Emit(prefix);
}

// --- TRLEEncoder -------------------------------------------------------------------------------------------------

void TRLEEncoder::Output(int code) { PutCode(code); }

void TRLEEncoder::Clear() {
  Output(clearCode_);
  codeSize_ = initCodeSize_;
  limit_ = 2 * clearCode_;
  decoderFree_ = clearCode_ + 2;
  firstAfterClear_ = true;
  previousRun_ = 0;
  ForgetRuns();
}

void TRLEEncoder::ForgetRuns() {
  std::fill(runCodes_.begin(), runCodes_.begin() + maxKnown_ + 1, -1);
  maxKnown_ = 1;
  if (runPixel_ >= 0) runCodes_[1] = runPixel_;
}

void TRLEEncoder::Emit(int code, int length, bool pure) {
  Output(code);
  if (!firstAfterClear_ && decoderFree_ < kLzwTableSize) {
    // The decoder now adds the previous string followed by this string's first pixel.
    if (previousRun_ > 0 && runCodes_[static_cast<size_t>(previousRun_) + 1] < 0) {
      runCodes_[static_cast<size_t>(previousRun_) + 1] = decoderFree_;
      maxKnown_ = std::max(maxKnown_, previousRun_ + 1);
    }
    ++decoderFree_;
    if (decoderFree_ >= limit_ && limit_ <= kLzwMaxCode) {
      limit_ *= 2;
      ++codeSize_;
    }
  }
  firstAfterClear_ = false;
  previousRun_ = pure ? length : 0;
}

void TRLEEncoder::EncodeRun(int pixel, int64_t length) {
  if (pixel != runPixel_) {
    runPixel_ = pixel;
    ForgetRuns();
    previousRun_ = 0;
  }
  while (length > 0) {
    // Keep the table below 4095 entries so codes never need more than 12 bits.
    if (decoderFree_ >= kLzwMaxCode - 1) Clear();
    int best = static_cast<int>(std::min<int64_t>(length, maxKnown_));
    while (runCodes_[static_cast<size_t>(best)] < 0) --best;
    int grown = previousRun_ + 1;
    if (previousRun_ > 0 && !firstAfterClear_ && grown <= length && grown > best) {
      // The next free code repeats the previous string plus its first pixel: one pixel longer.
      Emit(decoderFree_, grown, true);
      length -= grown;
    } else {
      Emit(runCodes_[static_cast<size_t>(best)], best, true);
      length -= best;
    }
  }
}

void TRLEEncoder::Compress() {
  runCodes_.assign(kLzwTableSize + 2, -1);
  maxKnown_ = 1;
  runPixel_ = -1;
  codeSize_ = initCodeSize_;
  Clear();
  const uint8_t* p = pixels_;
  const uint8_t* end = pixels_ + pixelCount_;
  while (p < end) {
    int pixel = *p;
    if (pixel >= colors_) ColorError();
    const uint8_t* q = p + 1;
    while (q < end && *q == pixel) ++q;
    EncodeRun(pixel, q - p);
    p = q;
  }
}

void EncodeImage(pf::TStream& stream, TGIFCompression compression, int bitsPerPixel, int colors, const uint8_t* data,
                 bool interlaced, int height, int width) {
  if (compression == CompressRLE) {
    TRLEEncoder encoder;
    encoder.Encode(stream, bitsPerPixel, colors, data, interlaced, height, width);
  } else {
    TLZWEncoder encoder;
    encoder.Encode(stream, bitsPerPixel, colors, data, interlaced, height, width);
  }
}

// --- TGIFDecoder -------------------------------------------------------------------------------------------------

void TGIFDecoder::Warn(const char* message) {
  if (warned_) return;
  warned_ = true;
  if (warning_) warning_(1, message);
}

int TGIFDecoder::ReadCode() {
  if (firstCall_) {
    firstCall_ = false;
    return clearCode_;
  }
  // Short sub-blocks (down to one byte) may hold less than a code: load until the code is complete.
  while (currentBit_ + codeSize_ > lastBit_) {
    if (done_) {
      if (currentBit_ >= lastBit_) Warn(msg::BitBufferUnderrun);
      return -1;
    }
    if (!LoadSubBlock()) return -1;
  }
  const int index = currentBit_ >> 3;
  const uint32_t bits = static_cast<uint32_t>(buffer_[index]) | (static_cast<uint32_t>(buffer_[index + 1]) << 8) |
                        (static_cast<uint32_t>(buffer_[index + 2]) << 16);
  const int code = static_cast<int>((bits >> (currentBit_ & 7)) & ((1u << codeSize_) - 1));
  currentBit_ += codeSize_;
  return code;
}

// Keeps the last two bytes (the unread bits of a code are fewer than 12, so they lie within them) and appends the
// next sub-block. False when not even its length byte could be read.
bool TGIFDecoder::LoadSubBlock() {
  buffer_[0] = buffer_[lastByte_ - 2];
  buffer_[1] = buffer_[lastByte_ - 1];
  uint8_t length = 0;
  if (stream_.Read(&length, 1) != 1) {
    Warn(msg::PrematureEnd);
    done_ = true;
    return false;
  }
  int count = length;
  if (count == 0) {
    zeroBlockSeen_ = true;
    done_ = true;
  } else {
    const int got = stream_.Read(buffer_ + kCarryBytes, count);
    if (got < count) {
      Warn(msg::PrematureEnd);
      count = std::max(got, 0);
      done_ = true;  // nothing more can follow
    }
  }
  lastByte_ = count + kCarryBytes;
  buffer_[lastByte_] = buffer_[lastByte_ + 1] = 0;  // what a code read near the end may touch
  currentBit_ = currentBit_ - lastBit_ + 8 * kCarryBytes;
  lastBit_ = lastByte_ * 8;
  return true;
}

void TGIFDecoder::SkipBlocks() {
  if (zeroBlockSeen_) return;
  uint8_t scratch[kMaxSubBlockSize];
  for (;;) {
    uint8_t length = 0;
    if (stream_.Read(&length, 1) != 1 || length == 0) break;
    if (stream_.Read(scratch, length) != length) break;
  }
  zeroBlockSeen_ = true;
  done_ = true;
}

void TGIFDecoder::Reset() {
  for (int i = 0; i < clearCode_; ++i) {
    prefix_[i] = 0;
    suffix_[i] = static_cast<uint16_t>(i);
  }
  std::fill(prefix_ + clearCode_, std::end(prefix_), 0);
  std::fill(suffix_ + clearCode_, std::end(suffix_), 0);
  codeSize_ = initCodeSize_;
  limit_ = 2 * clearCode_;
  firstFree_ = clearCode_ + 2;
}

// Puts decoded pixels straight into their rows, in storage order (the four passes for interlaced frames).
class TRowWriter {
 public:
  TRowWriter(uint8_t* pixels, int width, int height, bool interlaced)
      : pixels_(pixels),
        width_(width),
        left_(width > 0 && height > 0 ? static_cast<int64_t>(width) * height : 0),
        rows_(RowOrder(left_ > 0 ? height : 0, interlaced)),
        row_(left_ > 0 ? pixels + static_cast<size_t>(rows_[0]) * width : nullptr) {}
  bool Full() const { return left_ == 0; }
  void Put(uint8_t pixel) {
    row_[x_++] = pixel;
    --left_;
    if (x_ == width_) NextRow();
  }
  // Pops up to sp pixels off the stack (a string comes out of the table backwards); what the frame has no room for
  // is dropped.
  void PutStack(const uint8_t* stack, int sp) {
    int64_t n = std::min<int64_t>(sp, left_);
    left_ -= n;
    while (n > 0) {
      const int chunk = static_cast<int>(std::min<int64_t>(n, width_ - x_));
      uint8_t* dst = row_ + x_;
      for (int i = 0; i < chunk; ++i) dst[i] = stack[--sp];
      x_ += chunk;
      n -= chunk;
      if (x_ == width_) NextRow();
    }
  }

 private:
  void NextRow() {
    x_ = 0;
    if (++rowIndex_ < rows_.size()) row_ = pixels_ + static_cast<size_t>(rows_[rowIndex_]) * width_;
  }
  uint8_t* const pixels_;
  const int width_;
  int64_t left_;
  const std::vector<int> rows_;
  size_t rowIndex_ = 0;
  uint8_t* row_;
  int x_ = 0;
};

bool TGIFDecoder::Decode(uint8_t* pixels, int width, int height, bool interlaced) {
  uint8_t minCodeSize = 0;
  if (stream_.Read(&minCodeSize, 1) != 1) return false;
  // Wider codes would not fit the 12-bit tables.
  if (minCodeSize >= kLzwMaxCodeBits) throw GIFException(msg::InvalidData);
  initCodeSize_ = minCodeSize + 1;
  clearCode_ = 1 << minCodeSize;
  endCode_ = clearCode_ + 1;
  codeSize_ = initCodeSize_;
  Reset();
  TRowWriter out(pixels, width, height, interlaced);
  if (DecodePixels(out)) return true;
  // Every pixel is there: consume the end code and anything the encoder wrote after it, up to the terminator.
  if (!done_) ReadCode();
  SkipBlocks();
  return true;
}

// Decodes until the frame is full (false) or the data end first (true: by the end code, the terminator or the
// end of the stream).
bool TGIFDecoder::DecodePixels(TRowWriter& out) {
  int first = 0;     // first pixel of the previous string
  int previous = 0;  // the previous code
  while (!out.Full()) {
    int code = ReadCode();
    if (code == clearCode_) {
      Reset();
      do code = ReadCode();
      while (code == clearCode_);
      if (code >= 0 && code != endCode_) {
        // the first code after a clear stands for itself
        first = previous = code;
        out.Put(static_cast<uint8_t>(code));
        continue;
      }
    }
    if (code < 0) return true;
    if (code == endCode_) {
      SkipBlocks();
      return true;
    }
    out.PutStack(stack_, ExpandCode(code, first, previous));
    previous = code;
  }
  return false;
}

// Pushes the string of code onto the stack, last pixel first, and adds the previous string plus its first pixel
// to the table. Returns the stack size.
int TGIFDecoder::ExpandCode(int code, int& first, int previous) {
  int sp = 0;
  if (code >= firstFree_) {  // the string being defined right now: the previous one plus its own first pixel
    stack_[sp++] = static_cast<uint8_t>(first);
    code = previous;
  }
  while (code >= clearCode_) {
    // A chain longer than the table can only come from crafted data that loops.
    if (sp >= kLzwTableSize || prefix_[code] == code) throw GIFException(msg::CircularEntry);
    stack_[sp++] = static_cast<uint8_t>(suffix_[code]);
    code = prefix_[code];
  }
  first = suffix_[code];
  stack_[sp++] = static_cast<uint8_t>(first);
  if (firstFree_ < kLzwTableSize) {
    prefix_[firstFree_] = static_cast<uint16_t>(previous);
    suffix_[firstFree_] = static_cast<uint16_t>(first);
    ++firstFree_;
    if (firstFree_ >= limit_ && limit_ <= kLzwMaxCode) {
      limit_ *= 2;
      ++codeSize_;
    }
  }
  return sp;
}

}  // namespace gif
