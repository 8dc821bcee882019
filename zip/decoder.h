// The interface between the extraction pipeline and the decompression methods. A decoder reads the entry's
// compressed (already decrypted) bytes from a DecoderInput and writes what it decodes into a DecoderOutput's
// 32 KB window, which is flushed to the target each time it is full and once at the end of the entry.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace zip {

class DecoderInput {
 public:
  virtual ~DecoderInput() = default;
  // The next compressed byte. When the entry's bytes are used up the pipeline gives a few zero bytes (room for a
  // decoder's look-ahead) and then raises "Premature end of file reached"; it also raises when the user cancelled,
  // so a decoder on damaged data always ends.
  // An implementation may expose the bytes it already holds in [inNext, inEnd); ReadInputByte must then take
  // its next byte from there first, so that NextByte and ReadInputByte can be mixed freely.
  virtual uint8_t ReadInputByte() = 0;

  // The next compressed byte without a virtual call while buffered bytes remain.
  uint8_t NextByte() { return inNext != inEnd ? *inNext++ : ReadInputByte(); }

  // Bit buffer, least significant bit first, filled a byte at a time (at most 32 bits held).
  void NeedBits(int count) {
    while (bitCount < count) {
      bitBuffer |= static_cast<uint32_t>(NextByte()) << bitCount;
      bitCount += 8;
    }
  }
  uint32_t PeekBits(int count) const { return count == 0 ? 0 : bitBuffer & (0xFFFFFFFFu >> (32 - count)); }
  void DumpBits(int count) {
    bitBuffer = count >= 32 ? 0 : bitBuffer >> count;
    bitCount -= count;
  }
  uint32_t ReadBits(int count) {
    NeedBits(count);
    uint32_t value = PeekBits(count);
    DumpBits(count);
    return value;
  }
  // Drops the bits up to the next byte boundary.
  void AlignToByte() { DumpBits(bitCount & 7); }
  void ResetBits() {
    bitBuffer = 0;
    bitCount = 0;
  }

  uint32_t bitBuffer = 0;
  int bitCount = 0;
  // Buffered input not yet consumed (empty unless the implementation fills it).
  const uint8_t* inNext = nullptr;
  const uint8_t* inEnd = nullptr;
};

class DecoderOutput {
 public:
  static constexpr int kWindowSize = 32768;
  virtual ~DecoderOutput() = default;

  void PutOutputByte(uint8_t value) {
    window[windowPos++] = value;
    if (windowPos == kWindowSize) FlushOutput();
  }
  // Appends count bytes, flushing each time the window is full.
  void CopyToOutput(const uint8_t* bytes, int64_t count) {
    while (count > 0) {
      const int chunk = static_cast<int>(std::min<int64_t>(count, kWindowSize - windowPos));
      std::memcpy(window + windowPos, bytes, static_cast<size_t>(chunk));
      windowPos += chunk;
      bytes += chunk;
      count -= chunk;
      if (windowPos == kWindowSize) FlushOutput();
    }
  }
  // Hands the window's bytes to the target (CRC, size limit, write) and empties it.
  void FlushOutput() {
    if (windowPos > 0) FlushWindow(window, windowPos);
    total += static_cast<uint64_t>(windowPos);
    windowPos = 0;
  }
  // Starts a new entry: empty window, nothing produced.
  void ResetWindow() {
    windowPos = 0;
    total = 0;
  }
  // Bytes produced so far, flushed or not.
  uint64_t Produced() const { return total + static_cast<uint64_t>(windowPos); }

  uint8_t window[kWindowSize + 1] = {};
  int windowPos = 0;

 protected:
  // Raises the pipeline's exception when the entry grows beyond its stated size.
  virtual void FlushWindow(const uint8_t* data, int count) = 0;

 private:
  uint64_t total = 0;
};

}  // namespace zip
