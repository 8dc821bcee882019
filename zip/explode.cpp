// Method 6 (imploded): a sliding dictionary of 4 KB or 8 KB whose literals, copy lengths and the high bits of copy
// distances are coded with Shannon-Fano trees. The trees arrive as runs of code lengths. The format assigns codes
// counting up from the longest lengths, which makes each code the bit complement of the canonical code of Deflate
// for a complete tree, so the Deflate table builder serves and the input bits are complemented before a lookup.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "zip/copy_window.h"
#include "zip/huftable.h"
#include "zip/legacy_methods.h"

namespace zip {

namespace {

constexpr size_t kWindowSize = 8192;  // the larger dictionary; a power of two

struct Tree {
  std::vector<HufEntry> table;
  int rootBits = 0;
};

// Reads a tree of n codes: a byte holding the count of following bytes less one, then bytes of
// (run - 1) << 4 | (length - 1). The runs must cover exactly n codes and the lengths must form a complete code.
bool ReadTree(DecoderInput& in, int n, Tree& tree) {
  std::vector<uint8_t> lengths(static_cast<size_t>(n));
  int runs = static_cast<int>(in.ReadBits(8)) + 1;
  int filled = 0;
  for (int i = 0; i < runs; ++i) {
    uint32_t b = in.ReadBits(8);
    int length = static_cast<int>(b & 15) + 1;
    int run = static_cast<int>(b >> 4) + 1;
    if (filled + run > n) return false;
    for (int k = 0; k < run; ++k) lengths[static_cast<size_t>(filled++)] = static_cast<uint8_t>(length);
  }
  if (filled != n) return false;
  int longest = MaxCodeLength(lengths.data(), n);
  tree.rootBits = longest < 9 ? longest : 9;
  // An incomplete tree would give codes other than the format's; it cannot come from a valid compressor.
  return BuildHufTable(lengths.data(), n, n, nullptr, nullptr, tree.rootBits, tree.table) == kHufOk;
}

// The next symbol of a tree, or -1. Fetches input only up to the code's own length, so the last code of an entry
// never asks for bytes beyond the entry's data. Bits above bitCount are 0 in the buffer, 1 once complemented:
// a table entry whose length fits the bits held is found correctly whatever the missing bits are.
int DecodeSymbol(DecoderInput& in, const Tree& tree) {
  const uint32_t rootMask = (1u << tree.rootBits) - 1;
  for (;;) {
    uint32_t bits = ~in.bitBuffer;
    const HufEntry* e = &tree.table[bits & rootMask];
    if (e->op == kOpLink) {
      if (in.bitCount < tree.rootBits) {
        in.NeedBits(in.bitCount + 1);
        continue;
      }
      e = &tree.table[e->val + ((bits >> tree.rootBits) & ((1u << e->bits) - 1))];
    }
    if (e->bits > in.bitCount) {
      in.NeedBits(in.bitCount + 1);
      continue;
    }
    in.DumpBits(e->bits);
    return e->op == kOpValue ? e->val : -1;
  }
}

}  // namespace

int Explode(DecoderInput& in, DecoderOutput& out, uint16_t generalFlags, uint64_t uncompressedSize) {
  if (uncompressedSize == 0) return kLegacyOk;
  const bool bigDictionary = (generalFlags & 2) != 0;
  const bool literalTree = (generalFlags & 4) != 0;
  const int lowBits = bigDictionary ? 7 : 6;
  const uint64_t minLength = literalTree ? 3 : 2;

  Tree literals, lengths, distances;
  if ((literalTree && !ReadTree(in, 256, literals)) || !ReadTree(in, 64, lengths) || !ReadTree(in, 64, distances))
    return kLegacyBadData;

  CopyWindow output(out, kWindowSize, uncompressedSize);
  int result = kLegacyOk;
  while (!output.Done()) {
    if (in.ReadBits(1) == 1) {
      int literal = literalTree ? DecodeSymbol(in, literals) : static_cast<int>(in.ReadBits(8));
      if (literal < 0) {
        result = kLegacyBadData;
        break;
      }
      output.Put(static_cast<uint8_t>(literal));
      continue;
    }
    uint32_t low = in.ReadBits(lowBits);
    int high = DecodeSymbol(in, distances);
    if (high < 0) {
      result = kLegacyBadData;
      break;
    }
    uint64_t distance = (static_cast<uint64_t>(high) << lowBits | low) + 1;
    int code = DecodeSymbol(in, lengths);
    if (code < 0) {
      result = kLegacyBadData;
      break;
    }
    uint64_t length = static_cast<uint64_t>(code) + minLength;
    if (code == 63) length += in.ReadBits(8);
    if (!output.Copy(distance, length)) {  // a copy running past the entry's end
      result = kLegacyBadData;
      break;
    }
  }
  out.FlushOutput();
  return result;
}

}  // namespace zip
