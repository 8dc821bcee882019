// Method 1 (shrunk): LZW whose code width the compressor controls (9 to 13 bits) and whose table is partially
// cleared on request. Code 256 is a control code followed by a sub-code: 1 widens the codes by one bit, 2 frees
// every code that is not the prefix of another code. New codes take the lowest free code from 257 upwards. After a
// clear the code read next still defines an entry whose prefix is the code read before the clear. Codes read while
// the table is full define nothing (compressors clear before that happens).
#include <cstddef>
#include <cstdint>
#include <vector>

#include "zip/legacy_methods.h"

namespace zip {

namespace {

constexpr int kCodeCount = 8192;  // 13-bit codes
constexpr int kControl = 256;
constexpr int kFirstFree = 257;
constexpr int kMinWidth = 9;
constexpr int kMaxWidth = 13;

struct ShrinkTable {
  std::vector<int16_t> parent = std::vector<int16_t>(kCodeCount, -1);
  std::vector<uint8_t> suffix = std::vector<uint8_t>(kCodeCount, 0);
  std::vector<uint8_t> inUse = std::vector<uint8_t>(kCodeCount, 0);
  int freeCode = kFirstFree;     // lowest free code, kCodeCount when the table is full
  int highest = kFirstFree - 1;  // no code above this one is in use

  ShrinkTable() {
    for (int c = 0; c < 256; ++c) {
      suffix[c] = static_cast<uint8_t>(c);
      inUse[c] = 1;
    }
  }

  void NextFree(int from) {
    freeCode = from;
    while (freeCode < kCodeCount && inUse[freeCode]) ++freeCode;
  }

  void Add(int prefix, uint8_t last) {
    if (freeCode >= kCodeCount) return;
    parent[freeCode] = static_cast<int16_t>(prefix);
    suffix[freeCode] = last;
    inUse[freeCode] = 1;
    if (freeCode > highest) highest = freeCode;
    NextFree(freeCode + 1);
  }

  // Frees the leaves: codes in use that no code in use names as its prefix. Only codes up to the highest in use
  // are visited, so a stream of nothing but clears stays cheap.
  void PartialClear() {
    for (int c = kFirstFree; c <= highest; ++c) isPrefix[c] = 0;
    for (int c = kFirstFree; c <= highest; ++c)
      if (inUse[c] && parent[c] >= kFirstFree) isPrefix[parent[c]] = 1;
    int stillUsed = kFirstFree - 1;
    for (int c = kFirstFree; c <= highest; ++c) {
      if (inUse[c] && !isPrefix[c]) inUse[c] = 0;
      if (inUse[c]) stillUsed = c;
    }
    highest = stillUsed;
    NextFree(kFirstFree);
  }

  std::vector<uint8_t> isPrefix = std::vector<uint8_t>(kCodeCount, 0);
};

}  // namespace

int UnShrink(DecoderInput& in, DecoderOutput& out, uint64_t uncompressedSize) {
  ShrinkTable table;
  // A string is built backwards from its last byte; no valid string is longer than the number of codes, so a longer
  // chain can only come from damaged data (a prefix cycle after clears) and ends the entry.
  std::vector<uint8_t> stack(kCodeCount);
  int width = kMinWidth;
  int prev = -1;
  uint64_t produced = 0;
  int result = kLegacyOk;

  while (produced < uncompressedSize) {
    int code = static_cast<int>(in.ReadBits(width));
    if (code == kControl) {
      int sub = static_cast<int>(in.ReadBits(width));
      if (sub == 1 && width < kMaxWidth) {
        ++width;
      } else if (sub == 2) {
        table.PartialClear();
      } else {
        result = kLegacyBadData;
        break;
      }
      continue;
    }
    if (prev < 0) {  // the first code stands for one byte
      if (code > 255) {
        result = kLegacyBadData;
        break;
      }
      out.PutOutputByte(static_cast<uint8_t>(code));
      ++produced;
      prev = code;
      continue;
    }

    int top = kCodeCount;
    bool pending = !table.inUse[code];
    if (pending && code != table.freeCode) {  // only the code about to be defined may be used before its definition
      result = kLegacyBadData;
      break;
    }
    // The KwKwK case: the string is the previous string plus its own first byte, filled in below.
    int walk = pending ? prev : code;
    if (pending) --top;
    while (walk > 255 && top > 0) {
      stack[--top] = table.suffix[walk];
      walk = table.parent[walk];
    }
    if (top == 0) {
      result = kLegacyBadData;
      break;
    }
    uint8_t first = static_cast<uint8_t>(walk);
    stack[--top] = first;
    if (pending) stack[kCodeCount - 1] = first;
    table.Add(prev, first);

    uint64_t length = static_cast<uint64_t>(kCodeCount - top);
    if (length > uncompressedSize - produced) {  // a string running past the entry's end
      length = uncompressedSize - produced;
      result = kLegacyBadData;
    }
    out.CopyToOutput(stack.data() + top, static_cast<int64_t>(length));
    produced += length;
    if (result != kLegacyOk) break;
    prev = code;
  }
  out.FlushOutput();
  return result;
}

}  // namespace zip
