// GIF image data: the LZW decoder and the two encoders (LZW and run-length through LZW codes), with the writer
// that packs bytes into data sub-blocks of at most 255 bytes.
#pragma once

#include <cstdint>
#include <vector>

#include "gif/gif_errors.h"
#include "platform/core/streams.h"

namespace gif {

enum TGIFCompression : uint8_t { CompressLZW = 0, CompressRLE = 1 };

// Codes are at most 12 bits wide, so the string table holds 4096 entries.
constexpr int kLzwMaxCodeBits = 12;
constexpr int kLzwTableSize = 1 << kLzwMaxCodeBits;  // 4096
constexpr int kLzwMaxCode = kLzwTableSize - 1;       // 4095
// Image data travel in sub-blocks: a length byte, then at most 255 bytes.
constexpr int kMaxSubBlockSize = 255;

// Bits needed for n colours: 0 for 0, 1 for up to 2, else the smallest b with 2^b >= n.
int BitsNeeded(int colors);

// Rows of an image in the order they are stored: top to bottom, or in the four interlace passes.
std::vector<int> RowOrder(int height, bool interlaced);

// A stream that only exists to be written through; reading, writing and seeking it directly is an error.
class TGIFStream : public pf::TStream {
 public:
  int32_t Read(void* buffer, int32_t count) override;
  int32_t Write(const void* buffer, int32_t count) override;
  int64_t Seek(int64_t offset, pf::TSeekOrigin origin) override;
};

// Packs bytes into data sub-blocks (a length byte, then up to 255 bytes) on the target stream. Finish writes the
// last, partly filled block; the caller writes the terminating zero-length block.
class TGIFWriter : public TGIFStream {
 public:
  explicit TGIFWriter(pf::TStream& target) : target_(target) {}
  int32_t Write(const void* buffer, int32_t count) override;
  void Put(uint8_t b) {
    block_[count_++] = b;
    if (count_ == kBlockBytes) FlushBlock();
  }
  void Finish();

 private:
  void FlushBlock();
  void Drain();
  static constexpr int kBlockBytes = kMaxSubBlockSize + 1;  // the length byte and the data
  pf::TStream& target_;
  uint8_t block_[kBlockBytes] = {};
  int count_ = 1;
  std::vector<uint8_t> pending_;  // whole blocks not yet handed to the target
};

// Open-addressed table of (prefix, pixel) -> code with 8009 slots; a slot holds (key shl 12) or code.
class THashTable {
 public:
  THashTable() { Clear(); }
  void Clear();
  void Insert(uint32_t key, int code);
  int Lookup(uint32_t key) const;  // code or -1
  // Lookup that also tells where the key would be inserted: the code, or -1 with slot set to the empty slot.
  int Find(uint32_t key, uint32_t& slot) const {
    uint32_t i = Hash(key);
    for (;;) {
      const uint32_t s = slots_[i];
      if (s == kEmpty) {
        slot = i;
        return -1;
      }
      if ((s >> kLzwMaxCodeBits) == key) return static_cast<int>(s & kCodeMask);
      i = Step(i);
    }
  }
  void Store(uint32_t slot, uint32_t key, int code) {
    slots_[slot] = (key << kLzwMaxCodeBits) | static_cast<uint32_t>(code);
  }

 private:
  static constexpr uint32_t kSize = 8009;  // a prime
  static constexpr uint32_t kEmpty = 0xFFFFFFFFu;
  static constexpr uint32_t kCodeMask = kLzwTableSize - 1;
  // Fibonacci hashing spreads the neighbouring keys of smooth images over the whole table; linear probing then
  // stays within a cache line or two.
  static uint32_t Hash(uint32_t key) {
    return static_cast<uint32_t>((static_cast<uint64_t>(key * 2654435761u) * kSize) >> 32);
  }
  static uint32_t Step(uint32_t i) { return i + 1 == kSize ? 0 : i + 1; }
  uint32_t slots_[kSize];
};

// Writes one image data section: the minimum-code-size byte, the codes in sub-blocks and the terminator.
class TGIFEncoder {
 public:
  virtual ~TGIFEncoder() = default;
  // Data holds Width * Height pixels row by row; every pixel must be below Colors ("Color not in color table").
  void Encode(pf::TStream& stream, int bitsPerPixel, int colors, const uint8_t* data, bool interlaced, int height,
              int width);

 protected:
  virtual void Output(int code);
  virtual void Clear() = 0;
  virtual void Compress() = 0;

  void PutCode(int code) {
    accumulator_ |= static_cast<uint32_t>(code) << bitCount_;
    bitCount_ += codeSize_;
    while (bitCount_ >= 8) {
      writer_->Put(static_cast<uint8_t>(accumulator_));
      accumulator_ >>= 8;
      bitCount_ -= 8;
    }
  }
  [[noreturn]] static void ColorError();

  int colors_ = 0;
  int minCodeSize_ = 0;
  const uint8_t* pixels_ = nullptr;  // in coding order
  int64_t pixelCount_ = 0;
  TGIFWriter* writer_ = nullptr;
  uint32_t accumulator_ = 0;
  int bitCount_ = 0;
  bool cleared_ = false;
  int codeSize_ = 0;
  int initCodeSize_ = 0;
  int maxCode_ = 0;
  int clearCode_ = 0;
  int endCode_ = 0;
  int firstFree_ = 0;
};

class TLZWEncoder final : public TGIFEncoder {
 protected:
  void Output(int code) override { Emit(code); }
  void Clear() override;
  void Compress() override;

 private:
  void Emit(int code) {
    PutCode(code);
    if (cleared_) {
      codeSize_ = initCodeSize_;
      cleared_ = false;
    } else if (nextFree_ > maxCode_) {
      ++codeSize_;
    }
    // At 12 bits the size stays: the table clears before it would need a wider code.
    maxCode_ = codeSize_ >= kLzwMaxCodeBits ? kLzwTableSize : (1 << codeSize_) - 1;
  }
  int nextFree_ = 0;
  THashTable table_;
};

// Writes runs of equal pixels as codes of strings that the decoder builds from the encoder's own output: a pixel
// code followed by the next free codes gives strings of that pixel of length 2, 3, 4, ...
class TRLEEncoder final : public TGIFEncoder {
 protected:
  void Output(int code) override;
  void Clear() override;
  void Compress() override;

 private:
  void EncodeRun(int pixel, int64_t length);
  void Emit(int code, int length, bool pure);
  void ForgetRuns();
  int maxKnown_ = 1;     // no run length above this is known
  int decoderFree_ = 0;  // the decoder's next free code
  int limit_ = 0;        // the decoder's code-size limit
  bool firstAfterClear_ = true;
  int runPixel_ = -1;          // pixel whose strings are tracked in runCodes_
  int previousRun_ = 0;        // length of the last emitted string when it is made of runPixel_ only, else 0
  std::vector<int> runCodes_;  // runCodes_[n]: code of runPixel_ repeated n times, or -1
};

class TRowWriter;  // where decoded pixels go

// Reads one image data section into Width * Height pixels (normal or interlaced row order). Pixels that the data
// does not reach keep their value. Truncation gives one warning; invalid data raises GIFException.
class TGIFDecoder {
 public:
  TGIFDecoder(pf::TStream& stream, TGIFWarning warning) : stream_(stream), warning_(std::move(warning)) {}
  // Returns false when not even the minimum-code-size byte could be read.
  bool Decode(uint8_t* pixels, int width, int height, bool interlaced);

 private:
  bool DecodePixels(TRowWriter& out);
  int ExpandCode(int code, int& first, int previous);
  int ReadCode();
  bool LoadSubBlock();
  void SkipBlocks();
  void Warn(const char* message);
  void Reset();

  pf::TStream& stream_;
  TGIFWarning warning_;
  bool warned_ = false;
  int initCodeSize_ = 0;
  int clearCode_ = 0;
  int endCode_ = 0;
  int firstFree_ = 0;
  int codeSize_ = 0;
  int limit_ = 0;
  // Bit reader: the current sub-block behind the last two bytes of the one before (a code spans at most three
  // bytes), with room for reading three bytes at the last position.
  static constexpr int kCarryBytes = 2;
  uint8_t buffer_[kCarryBytes + kMaxSubBlockSize + 3] = {};
  int currentBit_ = 0;
  int lastBit_ = 0;
  int lastByte_ = kCarryBytes;
  bool firstCall_ = true;
  bool zeroBlockSeen_ = false;
  bool done_ = false;
  uint16_t prefix_[kLzwTableSize] = {};
  uint16_t suffix_[kLzwTableSize] = {};
  uint8_t stack_[kLzwTableSize + 1] = {};  // a string of the longest chain and its first pixel
};

// Convenience wrapper: TLZWEncoder or TRLEEncoder by compression.
void EncodeImage(pf::TStream& stream, TGIFCompression compression, int bitsPerPixel, int colors, const uint8_t* data,
                 bool interlaced, int height, int width);

}  // namespace gif
