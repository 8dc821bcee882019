// Huffman decoding tables for Inflate and Explode: a first-level table indexed by the next rootBits input bits
// (least significant bit first), with linked second-level tables for longer codes.
//
// Use:
//   std::vector<HufEntry> table;
//   int rc = BuildHufTable(lengths, n, numSimple, base, extra, rootBits, table);
//   // rc: kHufOk, kHufIncomplete (usable; unused bit patterns decode to kOpInvalid), kHufBad, kHufNoMemory.
//   const HufEntry* e = &table[bits & ((1u << rootBits) - 1)];
//   if (e->op == kOpLink) e = &table[e->val + ((bits >> rootBits) & ((1u << e->bits) - 1))];
//   // now drop e->bits bits (the code's full length) and act on e->op:
//   //   kOpValue: e->val is the symbol (a code below numSimple);
//   //   kOpEnd: the symbol whose extra entry is kExtraEnd (Deflate's end of block);
//   //   kOpBase + k: e->val is base[symbol - numSimple], followed by k extra bits (0 <= k <= 15);
//   //   kOpInvalid: a bit pattern that no code has, or a symbol marked kExtraInvalid.
// Codes are assigned canonically (shorter codes first, equal lengths in symbol order) as in Deflate; a decoder whose
// codes are stored with inverted bits (Explode) complements the input bits before the lookup. Lengths may be 0
// (symbol unused) to 16. A caller needs at least the longest code length of bits available for the lookup.
#pragma once

#include <cstdint>
#include <vector>

namespace zip {

struct HufEntry {
  uint16_t val = 0;
  uint8_t bits = 0;  // code length (a link: the index width of the second-level table)
  uint8_t op = 0;
};

enum : uint8_t {
  kOpValue = 0,
  kOpBase = 16,  // + number of extra bits
  kOpEnd = 32,
  kOpLink = 64,
  kOpInvalid = 128,
};

inline constexpr uint8_t kExtraEnd = 99;      // in the extra array: the symbol ends the block
inline constexpr uint8_t kExtraInvalid = 98;  // in the extra array: the symbol has a code but must not occur
inline constexpr int kHufMaxBits = 16;

enum { kHufOk = 0, kHufIncomplete = 1, kHufBad = 2, kHufNoMemory = 3 };

// Builds the table for n code lengths. Symbols below numSimple decode as kOpValue; symbol s >= numSimple decodes
// with base[s - numSimple] and extra[s - numSimple] (base and extra may be null when numSimple >= n).
// An over-subscribed set of lengths or a length above 16 gives kHufBad; a set that leaves bit patterns unused gives
// kHufIncomplete (the caller decides whether to accept it); all lengths 0 gives kHufIncomplete with every entry
// invalid.
int BuildHufTable(const uint8_t* lengths, int n, int numSimple, const uint16_t* base, const uint8_t* extra,
                  int rootBits, std::vector<HufEntry>& table);

// The longest code length of a set (0 when all are 0).
int MaxCodeLength(const uint8_t* lengths, int n);

}  // namespace zip
