// Deflate decoder (RFC 1951). The bit buffer is held locally in 64 bits and refilled eight bytes at a time while
// the input has them buffered; the output goes straight into the 32 KB window, which doubles as the history.
#include <cstring>
#include <new>
#include <vector>

#include "platform/core/services.h"
#include "zip/huftable.h"
#include "zip/methods.h"

namespace zip {

namespace {

constexpr int kLitRoot = 9;
constexpr int kDistRoot = 6;
constexpr uint32_t kWinMask = DecoderOutput::kWindowSize - 1;

// Symbols 256 (end of block), 257-285 (lengths) and 286-287 (never valid).
const uint16_t kLenBase[32] = {0,  3,  4,  5,  6,  7,  8,  9,  10,  11,  13,  15,  17,  19,  23, 27,
                               31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258, 0,  0};
const uint8_t kLenExtra[32] = {
    kExtraEnd,    0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0, kExtraInvalid,
    kExtraInvalid};
const uint16_t kDistBase[32] = {1,    2,    3,    4,    5,    7,     9,     13,    17,  25,   33,
                                49,   65,   97,   129,  193,  257,   385,   513,   769, 1025, 1537,
                                2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577, 0,   0};
const uint8_t kDistExtra[32] = {0,
                                0,
                                0,
                                0,
                                1,
                                1,
                                2,
                                2,
                                3,
                                3,
                                4,
                                4,
                                5,
                                5,
                                6,
                                6,
                                7,
                                7,
                                8,
                                8,
                                9,
                                9,
                                10,
                                10,
                                11,
                                11,
                                12,
                                12,
                                13,
                                13,
                                kExtraInvalid,
                                kExtraInvalid};
const uint8_t kCodeOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

struct Tables {
  std::vector<HufEntry> lit;
  std::vector<HufEntry> dist;
};

// An incomplete code is accepted only when it has at most one code (a lone distance code, or none).
int CheckedBuild(const uint8_t* lengths, int n, int numSimple, const uint16_t* base, const uint8_t* extra, int root,
                 std::vector<HufEntry>& table) {
  int rc = BuildHufTable(lengths, n, numSimple, base, extra, root, table);
  if (rc == kHufIncomplete) {
    int used = 0;
    for (int i = 0; i < n; ++i) used += lengths[i] != 0;
    return used <= 1 ? kHufOk : kHufBad;
  }
  return rc;
}

class Inflater {
 public:
  Inflater(DecoderInput& in, DecoderOutput& out)
      : in_(in), out_(out), bb_(in.bitBuffer), bc_(in.bitCount > 32 ? 32 : in.bitCount) {
    if (bc_ < 32) bb_ &= (uint64_t{1} << bc_) - 1;
  }

  int Run() {
    pos_ = static_cast<uint32_t>(out_.windowPos);
    wrapped_ = out_.Produced() > pos_;
    int rc = kInflateOk;
    bool last = false;
    do {
      Need(3);
      last = (bb_ & 1) != 0;
      uint32_t type = static_cast<uint32_t>(bb_ >> 1) & 3;
      Drop(3);
      if (type == 0) {
        rc = Stored();
      } else if (type == 1) {
        rc = FixedTables();
        if (rc == kInflateOk) rc = Codes(fixed_);
      } else if (type == 2) {
        rc = DynamicTables();
        if (rc == kInflateOk) rc = Codes(dynamic_);
      } else {
        rc = kInflateBadData;
      }
    } while (rc == kInflateOk && !last);
    SyncOut();
    in_.ResetBits();
    if (rc == kInflateOk) out_.FlushOutput();
    return rc;
  }

 private:
  void Need(int n) {
    if (bc_ < n) Refill(n);
  }
  void Refill(int n) {
    if (in_.inEnd - in_.inNext >= 8) {
      uint64_t v = 0;
      for (int i = 7; i >= 0; --i) v = (v << 8) | in_.inNext[i];  // little-endian load; compiles to one move
      bb_ |= v << bc_;
      in_.inNext += (63 - bc_) >> 3;
      bc_ |= 56;
      return;
    }
    bb_ &= bc_ == 0 ? 0 : (~uint64_t{0} >> (64 - bc_));  // forget read-ahead bits of bytes not consumed
    while (bc_ < n) {
      bb_ |= static_cast<uint64_t>(in_.NextByte()) << bc_;
      bc_ += 8;
    }
  }
  void Drop(int n) {
    bb_ >>= n;
    bc_ -= n;
  }
  uint32_t Bits(int n) const { return static_cast<uint32_t>(bb_) & ((1u << n) - 1); }

  void SyncOut() { out_.windowPos = static_cast<int>(pos_); }
  void FlushFull() {
    out_.windowPos = DecoderOutput::kWindowSize;
    out_.FlushOutput();
    pos_ = 0;
    wrapped_ = true;
  }

  int Stored() {
    Drop(bc_ & 7);
    Need(32);
    uint32_t len = Bits(16);
    uint32_t nlen = static_cast<uint32_t>(bb_ >> 16) & 0xFFFF;
    Drop(32);
    if (len != (~nlen & 0xFFFF)) return kInflateBadData;
    uint8_t* win = out_.window;
    // Whole bytes still in the bit buffer come first; a short block leaves the rest there for the next block.
    while (len > 0 && bc_ >= 8) {
      win[pos_++] = static_cast<uint8_t>(bb_);
      Drop(8);
      --len;
      if (pos_ == DecoderOutput::kWindowSize) FlushFull();
    }
    if (len == 0) return kInflateOk;
    // The bit buffer is empty: copy straight from the input (read-ahead bits are bytes not consumed yet).
    bb_ = 0;
    while (len > 0) {
      if (in_.inNext == in_.inEnd) {
        win[pos_++] = in_.ReadInputByte();
        --len;
      } else {
        uint32_t chunk = static_cast<uint32_t>(in_.inEnd - in_.inNext);
        if (chunk > len) chunk = len;
        if (chunk > DecoderOutput::kWindowSize - pos_) chunk = DecoderOutput::kWindowSize - pos_;
        std::memcpy(win + pos_, in_.inNext, chunk);
        in_.inNext += chunk;
        pos_ += chunk;
        len -= chunk;
      }
      if (pos_ == DecoderOutput::kWindowSize) FlushFull();
    }
    return kInflateOk;
  }

  int FixedTables() {
    if (!fixed_.lit.empty()) return kInflateOk;
    uint8_t lengths[288 + 32];
    for (int i = 0; i < 144; ++i) lengths[i] = 8;
    for (int i = 144; i < 256; ++i) lengths[i] = 9;
    for (int i = 256; i < 280; ++i) lengths[i] = 7;
    for (int i = 280; i < 288; ++i) lengths[i] = 8;
    for (int i = 0; i < 32; ++i) lengths[288 + i] = 5;
    int rc = BuildHufTable(lengths, 288, 256, kLenBase, kLenExtra, kLitRoot, fixed_.lit);
    if (rc == kHufOk) rc = BuildHufTable(lengths + 288, 32, 0, kDistBase, kDistExtra, kDistRoot, fixed_.dist);
    if (rc != kHufOk) {
      fixed_.lit.clear();
      return rc == kHufNoMemory ? kInflateNoMemory : kInflateBadTable;
    }
    return kInflateOk;
  }

  int DynamicTables() {
    Need(14);
    int nlen = static_cast<int>(Bits(5)) + 257;
    int ndist = static_cast<int>((bb_ >> 5) & 31) + 1;
    int ncode = static_cast<int>((bb_ >> 10) & 15) + 4;
    Drop(14);
    if (nlen > 286 || ndist > 30) return kInflateBadData;
    uint8_t codeLengths[19] = {};
    for (int i = 0; i < ncode; ++i) {
      Need(3);
      codeLengths[kCodeOrder[i]] = static_cast<uint8_t>(Bits(3));
      Drop(3);
    }
    std::vector<HufEntry> codeTable;
    int rc = BuildHufTable(codeLengths, 19, 19, nullptr, nullptr, 7, codeTable);
    if (rc == kHufNoMemory) return kInflateNoMemory;
    if (rc != kHufOk) return kInflateBadTable;
    uint8_t lengths[288 + 32] = {};
    int total = nlen + ndist;
    int i = 0;
    while (i < total) {
      Need(16);
      const HufEntry& e = codeTable[Bits(7)];
      if (e.op != kOpValue) return kInflateBadData;
      Drop(e.bits);
      int sym = e.val;
      if (sym < 16) {
        lengths[i++] = static_cast<uint8_t>(sym);
        continue;
      }
      int repeat;
      uint8_t value = 0;
      if (sym == 16) {
        if (i == 0) return kInflateBadData;
        value = lengths[i - 1];
        repeat = 3 + static_cast<int>(Bits(2));
        Drop(2);
      } else if (sym == 17) {
        repeat = 3 + static_cast<int>(Bits(3));
        Drop(3);
      } else {
        repeat = 11 + static_cast<int>(Bits(7));
        Drop(7);
      }
      if (i + repeat > total) return kInflateBadData;
      while (repeat-- > 0) lengths[i++] = value;
    }
    if (lengths[256] == 0) return kInflateBadData;  // no end-of-block code
    // The distance lengths follow the literal/length ones in the same sequence.
    uint8_t distLengths[32] = {};
    std::memcpy(distLengths, lengths + nlen, static_cast<size_t>(ndist));
    rc = CheckedBuild(lengths, nlen, 256, kLenBase, kLenExtra, kLitRoot, dynamic_.lit);
    if (rc == kHufOk) rc = CheckedBuild(distLengths, ndist, 0, kDistBase, kDistExtra, kDistRoot, dynamic_.dist);
    if (rc == kHufNoMemory) return kInflateNoMemory;
    return rc == kHufOk ? kInflateOk : kInflateBadTable;
  }

  int Codes(const Tables& t) {
    const HufEntry* lit = t.lit.data();
    const HufEntry* dist = t.dist.data();
    uint8_t* win = out_.window;
    for (;;) {
      Need(48);  // the longest length and distance codes with their extra bits
      const HufEntry* e = &lit[bb_ & ((1u << kLitRoot) - 1)];
      if (e->op == kOpLink) e = &lit[e->val + ((bb_ >> kLitRoot) & ((1u << e->bits) - 1))];
      Drop(e->bits);
      if (e->op == kOpValue) {
        win[pos_++] = static_cast<uint8_t>(e->val);
        if (pos_ == DecoderOutput::kWindowSize) FlushFull();
        continue;
      }
      if (e->op == kOpEnd) return kInflateOk;
      if (e->op >= kOpEnd) return kInflateBadData;
      int extra = e->op - kOpBase;
      uint32_t len = e->val + Bits(extra);
      Drop(extra);
      const HufEntry* d = &dist[bb_ & ((1u << kDistRoot) - 1)];
      if (d->op == kOpLink) d = &dist[d->val + ((bb_ >> kDistRoot) & ((1u << d->bits) - 1))];
      Drop(d->bits);
      if (d->op < kOpBase || d->op >= kOpEnd) return kInflateBadData;
      extra = d->op - kOpBase;
      uint32_t distance = d->val + Bits(extra);
      Drop(extra);
      if (!wrapped_ && distance > pos_) return kInflateBadData;  // before the start of the data
      Copy(win, distance, len);
    }
  }

  void Copy(uint8_t* win, uint32_t distance, uint32_t len) {
    uint32_t src = (pos_ - distance) & kWinMask;
    if (pos_ + len <= DecoderOutput::kWindowSize && src + len <= DecoderOutput::kWindowSize) {
      uint8_t* d = win + pos_;
      const uint8_t* s = win + src;
      if (src >= pos_ + len || src + len <= pos_) {
        std::memcpy(d, s, len);
      } else if (distance == 1) {
        std::memset(d, *s, len);
      } else if (src < pos_ && distance >= 8) {
        // Source and target overlap, but no 8-byte chunk overlaps itself.
        uint32_t i = 0;
        for (; i + 8 <= len; i += 8) std::memcpy(d + i, s + i, 8);
        for (; i < len; ++i) d[i] = s[i];
      } else {
        for (uint32_t i = 0; i < len; ++i) d[i] = s[i];
      }
      pos_ += len;
      if (pos_ == DecoderOutput::kWindowSize) FlushFull();
      return;
    }
    while (len-- > 0) {
      win[pos_++] = win[src];
      src = (src + 1) & kWinMask;
      if (pos_ == DecoderOutput::kWindowSize) FlushFull();
    }
  }

  DecoderInput& in_;
  DecoderOutput& out_;
  uint64_t bb_ = 0;
  int bc_ = 0;
  uint32_t pos_ = 0;
  bool wrapped_ = false;
  Tables fixed_;
  Tables dynamic_;
};

}  // namespace

int Inflate(DecoderInput& in, DecoderOutput& out) {
  int rc = kInflateNoMemory;
  try {
    Inflater inflater(in, out);
    rc = inflater.Run();
  } catch (const std::bad_alloc&) {
  }
  if (rc == kInflateNoMemory) pf::Dialogs().MessageBox("*** inflate out of memory ***", "Error", pf::MB_OK);
  return rc;
}

}  // namespace zip
