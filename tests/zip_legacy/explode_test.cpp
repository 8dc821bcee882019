#include <gtest/gtest.h>

#include "tests/zip_legacy/decode_util.h"
#include "tests/zip_legacy/test_data.h"

namespace legacytest {
namespace {

// 64 codes of 6 bits: symbol s has the code 63 - s (codes count up from the last symbol).
void FlatTree(BitWriter& w) {
  w.Put(3, 8);
  for (int i = 0; i < 4; ++i) w.Put(0xF5, 8);
}

TEST(Explode, RoundTripsBothDictionariesWithAndWithoutLiteralTree) {
  for (const char* name : {"text.txt", "binary.bin", "runs.txt"}) {
    Bytes src = Source(name);
    for (bool big : {false, true}) {
      for (bool literals : {false, true}) {
        SCOPED_TRACE(std::string(name) + (big ? " 8k" : " 4k") + (literals ? " literal tree" : ""));
        Bytes stream = Implode(src, big, literals);
        Decoded d = DecodeEntry(6, ImplodeFlags(big, literals), stream, src.size());
        EXPECT_EQ(d.outcome, Outcome::Ok);
        EXPECT_EQ(d.bytes, src);
        // The last code is fetched bit by bit: no byte beyond the entry's data is asked for.
        EXPECT_EQ(d.consumed, stream.size());
      }
    }
  }
}

TEST(Explode, HandMadeCodes) {
  // 4 KB dictionary, no literal tree (minimum copy 2). Length tree: symbol 0 one bit, 1 two bits, 2-61 eight bits,
  // 62-63 seven bits. Counting up from the longest: 61 = 00000000, ..., 2 = 00111011, 63 = 0011110, 62 = 0011111,
  // 1 = 01, 0 = 1.
  BitWriter w;
  w.Put(6, 8);
  for (uint32_t b : {0x00, 0x01, 0xF7, 0xF7, 0xF7, 0xB7, 0x16}) w.Put(b, 8);
  FlatTree(w);
  auto copyFromDistance1 = [&](uint32_t lengthCode, int bits) {
    w.Put(0, 1);
    w.Put(0, 6);         // low distance bits
    w.PutCode(0x3F, 6);  // high distance bits: symbol 0
    w.PutCode(lengthCode, bits);
  };
  w.Put(1, 1);
  w.Put('A', 8);
  copyFromDistance1(0x1, 2);  // symbol 1: length 3
  w.Put(1, 1);
  w.Put('B', 8);
  copyFromDistance1(0x1E, 7);  // symbol 63: 63 + 2 + the next byte
  w.Put(0, 8);
  w.Put(1, 1);
  w.Put('C', 8);
  copyFromDistance1(0x3B, 8);  // symbol 2: length 4
  Bytes stream = w.Finish();
  Bytes expected(4, 'A');
  expected.insert(expected.end(), 66, 'B');
  expected.insert(expected.end(), 5, 'C');
  Decoded d = DecodeEntry(6, 0, stream, expected.size());
  EXPECT_EQ(d.outcome, Outcome::Ok);
  EXPECT_EQ(d.bytes, expected);

  // 8 KB dictionary: 7 low distance bits. The first copy reaches before the start (zeros), the second copies "xy".
  BitWriter b;
  FlatTree(b);
  FlatTree(b);
  b.Put(0, 1);
  b.Put(9, 7);
  b.PutCode(63, 6);  // distance 10
  b.PutCode(63, 6);  // length 2
  for (uint8_t c : {'x', 'y'}) {
    b.Put(1, 1);
    b.Put(c, 8);
  }
  b.Put(0, 1);
  b.Put(1, 7);
  b.PutCode(63, 6);  // distance 2
  b.PutCode(62, 6);  // length 3
  EXPECT_EQ(DecodeEntry(6, 2, b.Finish(), 7).bytes, Bytes({0, 0, 'x', 'y', 'x', 'y', 'x'}));
}

TEST(Explode, RefusesDamagedTreesAndCopies) {
  struct Case {
    const char* what;
    Bytes tree;
  };
  std::vector<Case> cases = {
      {"runs beyond 64 codes", {4, 0xF5, 0xF5, 0xF5, 0xF5, 0xF5}},
      {"runs short of 64 codes", {2, 0xF5, 0xF5, 0xF5}},
      {"incomplete code", {3, 0xF6, 0xF6, 0xF6, 0xF6}},
      {"over-subscribed code", {3, 0xF4, 0xF4, 0xF4, 0xF4}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Bytes asLengths = c.tree;
    asLengths.insert(asLengths.end(), {3, 0xF5, 0xF5, 0xF5, 0xF5});
    EXPECT_EQ(DecodeEntry(6, 0, asLengths, 10).outcome, Outcome::BadData);
    Bytes asDistances = {3, 0xF5, 0xF5, 0xF5, 0xF5};
    asDistances.insert(asDistances.end(), c.tree.begin(), c.tree.end());
    EXPECT_EQ(DecodeEntry(6, 0, asDistances, 10).outcome, Outcome::BadData);
  }

  // A copy running past the stated size is cut there and reported.
  BitWriter w;
  FlatTree(w);
  FlatTree(w);
  w.Put(1, 1);
  w.Put('z', 8);
  w.Put(0, 1);
  w.Put(0, 6);
  w.PutCode(63, 6);
  w.PutCode(50, 6);  // length 15
  Decoded cut = DecodeEntry(6, 0, w.Finish(), 5);
  EXPECT_EQ(cut.outcome, Outcome::BadData);
  EXPECT_EQ(cut.bytes, Bytes(5, 'z'));
}

}  // namespace
}  // namespace legacytest
