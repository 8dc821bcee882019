#include "zip/huftable.h"

#include <new>

namespace zip {

int MaxCodeLength(const uint8_t* lengths, int n) {
  int maxLen = 0;
  for (int i = 0; i < n; ++i)
    if (lengths[i] > maxLen) maxLen = lengths[i];
  return maxLen;
}

namespace {

// Reverses the low len bits of code (canonical codes are defined most significant bit first, the input arrives
// least significant bit first).
uint32_t Reverse(uint32_t code, int len) {
  uint32_t r = 0;
  for (int i = 0; i < len; ++i) {
    r = (r << 1) | (code & 1);
    code >>= 1;
  }
  return r;
}

}  // namespace

int BuildHufTable(const uint8_t* lengths, int n, int numSimple, const uint16_t* base, const uint8_t* extra,
                  int rootBits, std::vector<HufEntry>& table) {
  int count[kHufMaxBits + 1] = {};
  for (int i = 0; i < n; ++i) {
    if (lengths[i] > kHufMaxBits) return kHufBad;
    ++count[lengths[i]];
  }
  count[0] = 0;
  // Over-subscription check and the first code of each length.
  int left = 1;
  for (int len = 1; len <= kHufMaxBits; ++len) {
    left <<= 1;
    left -= count[len];
    if (left < 0) return kHufBad;
  }
  uint32_t next[kHufMaxBits + 2] = {};
  uint32_t code = 0;
  for (int len = 1; len <= kHufMaxBits; ++len) {
    code = (code + static_cast<uint32_t>(count[len - 1])) << 1;
    next[len] = code;
  }

  const uint32_t rootSize = 1u << rootBits;
  const uint32_t rootMask = rootSize - 1;
  HufEntry invalid;
  invalid.op = kOpInvalid;
  invalid.bits = 1;
  try {
    table.assign(rootSize, invalid);
    // Second-level tables: one per root slot reached by a code longer than rootBits. Its index width is the
    // longest such code's length minus rootBits.
    std::vector<uint8_t> subWidth(rootSize, 0);
    // Assign codes in symbol order per length; record the needed widths first.
    uint32_t probe[kHufMaxBits + 2];
    for (int len = 0; len <= kHufMaxBits; ++len) probe[len] = next[len];
    for (int s = 0; s < n; ++s) {
      int len = lengths[s];
      if (len <= rootBits) continue;
      uint32_t rev = Reverse(probe[len]++, len);
      uint32_t slot = rev & rootMask;
      int width = len - rootBits;
      if (width > subWidth[slot]) subWidth[slot] = static_cast<uint8_t>(width);
    }
    for (uint32_t slot = 0; slot < rootSize; ++slot) {
      if (subWidth[slot] == 0) continue;
      HufEntry link;
      link.op = kOpLink;
      link.bits = subWidth[slot];
      link.val = static_cast<uint16_t>(table.size());
      if (table.size() + (1u << subWidth[slot]) > 0xFFFF) return kHufBad;
      table[slot] = link;
      table.resize(table.size() + (1u << subWidth[slot]), invalid);
    }
    for (int s = 0; s < n; ++s) {
      int len = lengths[s];
      if (len == 0) continue;
      HufEntry e;
      e.bits = static_cast<uint8_t>(len);
      if (s < numSimple) {
        e.op = kOpValue;
        e.val = static_cast<uint16_t>(s);
      } else if (extra[s - numSimple] == kExtraEnd) {
        e.op = kOpEnd;
        e.val = 0;
      } else if (extra[s - numSimple] == kExtraInvalid) {
        e.op = kOpInvalid;
        e.val = 0;
      } else {
        e.op = static_cast<uint8_t>(kOpBase + extra[s - numSimple]);
        e.val = base[s - numSimple];
      }
      uint32_t rev = Reverse(next[len]++, len);
      if (len <= rootBits) {
        // Replicate over every root index whose low len bits are the code.
        for (uint32_t i = rev; i < rootSize; i += 1u << len) table[i] = e;
      } else {
        const HufEntry link = table[rev & rootMask];
        uint32_t sub = rev >> rootBits;
        int width = link.bits;
        for (uint32_t i = sub; i < (1u << width); i += 1u << (len - rootBits)) table[link.val + i] = e;
      }
    }
  } catch (const std::bad_alloc&) {
    return kHufNoMemory;
  }
  return left > 0 ? kHufIncomplete : kHufOk;
}

}  // namespace zip
