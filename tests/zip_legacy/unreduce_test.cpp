#include <gtest/gtest.h>

#include <map>

#include "tests/zip_legacy/decode_util.h"
#include "tests/zip_legacy/test_data.h"

namespace legacytest {
namespace {

// Follower sets as stored (byte 255 first), then the given bytes: each byte whose predecessor has an empty set goes
// out as 8 plain bits.
BitWriter Header(const std::map<int, Bytes>& sets) {
  BitWriter w;
  for (int x = 255; x >= 0; --x) {
    auto it = sets.find(x);
    if (it == sets.end()) {
      w.Put(0, 6);
      continue;
    }
    w.Put(static_cast<uint32_t>(it->second.size()), 6);
    for (uint8_t c : it->second) w.Put(c, 8);
  }
  return w;
}

Bytes Plain(const Bytes& bytes) {
  BitWriter w = Header({});
  for (uint8_t b : bytes) w.Put(b, 8);
  return w.Finish();
}

TEST(UnReduce, RoundTripsEveryFactorWithAndWithoutCopies) {
  for (const char* name : {"small.txt", "binary.bin", "runs.txt"}) {
    Bytes src = Source(name);
    for (int factor = 1; factor <= 4; ++factor) {
      for (bool matches : {true, false}) {
        SCOPED_TRACE(std::string(name) + " factor " + std::to_string(factor) + (matches ? " copies" : " literals"));
        Bytes stream = Reduce(src, factor, matches);
        Decoded d = DecodeEntry(factor + 1, 0, stream, src.size());
        EXPECT_EQ(d.outcome, Outcome::Ok);
        EXPECT_EQ(d.bytes, src);
      }
    }
  }
}

TEST(UnReduce, HandMadeDleSequences) {
  // Factor 2: V holds 6 length bits and 2 distance bits. DLE 0 is a literal DLE; DLE 1 2 copies 1 + 3 bytes from
  // distance 3 (overlapping what it writes).
  EXPECT_EQ(DecodeEntry(3, 0, Plain({'A', 'B', 144, 0, 144, 1, 2}), 7).bytes,
            Bytes({'A', 'B', 144, 'A', 'B', 144, 'A'}));
  // Distance bits 01 and Y 0: distance 257, before the start of the entry, which reads as zeros.
  EXPECT_EQ(DecodeEntry(3, 0, Plain({144, 0x40, 0, 'Z'}), 4).bytes, Bytes({0, 0, 0, 'Z'}));
  // Length 63 takes the next byte as well: 63 + 10 + 3 copies of 'Q' at distance 1.
  Decoded longRun = DecodeEntry(3, 0, Plain({'Q', 144, 63, 10, 0}), 77);
  EXPECT_EQ(longRun.outcome, Outcome::Ok);
  EXPECT_EQ(longRun.bytes, Bytes(77, 'Q'));
  // Factor 4: V holds 4 length bits; V 0xF2 with Y 255 copies 2 + 3 bytes from distance 15 * 256 + 256 = 4096.
  Bytes far;
  for (int i = 0; i < 4096; ++i) far.push_back(static_cast<uint8_t>(i * 7 + i / 256));
  Bytes plainStream;
  for (uint8_t b : far) {
    plainStream.push_back(b);
    if (b == 144) plainStream.push_back(0);
  }
  for (uint8_t b : {144, 0xF2, 255}) plainStream.push_back(b);
  Bytes expected = far;
  expected.insert(expected.end(), far.begin(), far.begin() + 5);
  EXPECT_EQ(DecodeEntry(5, 0, Plain(plainStream), expected.size()).bytes, expected);
}

TEST(UnReduce, FollowerSets) {
  // Set of 0 (the start): x y; set of y: q (one follower still takes one index bit); set of q: r.
  BitWriter w = Header({{0, {'x', 'y'}}, {'y', {'q'}}, {'q', {'r'}}});
  w.Put(0, 1);  // from the set of 0, index 1: y
  w.Put(1, 1);
  w.Put(0, 1);  // from the set of y, index 0: q
  w.Put(0, 1);
  w.Put(1, 1);  // set of q not used: plain byte s
  w.Put('s', 8);
  w.Put('t', 8);  // the set of s is empty: plain byte
  Decoded d = DecodeEntry(2, 0, w.Finish(), 4);
  EXPECT_EQ(d.outcome, Outcome::Ok);
  EXPECT_EQ(d.bytes, Bytes({'y', 'q', 's', 't'}));
}

TEST(UnReduce, RefusesWhatTheFormatDoesNotAllow) {
  Bytes text = Source("small.txt");
  VectorInput in(text);
  VectorOutput out(100);
  EXPECT_EQ(zip::UnReduce(in, out, 0, 100), zip::kLegacyBadData);
  EXPECT_EQ(zip::UnReduce(in, out, 5, 100), zip::kLegacyBadData);

  BitWriter largest = Header({{7, Bytes(32, 'a')}});  // 32 followers is the largest set
  largest.Put('b', 8);
  EXPECT_EQ(DecodeEntry(2, 0, largest.Finish(), 1).bytes, Bytes({'b'}));
  BitWriter w33;
  w33.Put(33, 6);  // set of 255 with 33 followers
  EXPECT_EQ(DecodeEntry(2, 0, w33.Finish(), 10).outcome, Outcome::BadData);

  BitWriter badIndex = Header({{0, {'x', 'y', 'z'}}});
  badIndex.Put(0, 1);
  badIndex.Put(3, 2);  // index 3 of a set of 3
  EXPECT_EQ(DecodeEntry(2, 0, badIndex.Finish(), 10).outcome, Outcome::BadData);

  // A copy that runs past the stated size is cut there and reported.
  Decoded cut = DecodeEntry(3, 0, Plain({'A', 144, 5, 0}), 4);
  EXPECT_EQ(cut.outcome, Outcome::BadData);
  EXPECT_EQ(cut.bytes, Bytes(4, 'A'));
}

}  // namespace
}  // namespace legacytest
