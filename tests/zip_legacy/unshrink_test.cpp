#include <gtest/gtest.h>

#include "tests/zip_legacy/decode_util.h"
#include "tests/zip_legacy/test_data.h"

namespace legacytest {
namespace {

// Hand-made stream: codes of the given widths.
Bytes Codes(std::initializer_list<std::pair<int, int>> codes) {
  BitWriter w;
  for (auto [code, width] : codes) w.Put(static_cast<uint32_t>(code), width);
  return w.Finish();
}

Bytes Str(const std::string& s) { return Bytes(s.begin(), s.end()); }

TEST(UnShrink, RoundTripsWithAndWithoutPartialClears) {
  for (const char* name : {"text.txt", "small.txt", "binary.bin", "runs.txt"}) {
    SCOPED_TRACE(name);
    Bytes src = Source(name);
    Bytes plain = Shrink(src, 0);
    Bytes cleared = Shrink(src, 300);
    Bytes often = Shrink(src, 5);
    EXPECT_NE(plain, often);
    for (const Bytes* stream : {&plain, &cleared, &often}) {
      Decoded d = DecodeEntry(1, 0, *stream, src.size());
      EXPECT_EQ(d.outcome, Outcome::Ok);
      EXPECT_EQ(d.bytes, src);
      EXPECT_EQ(d.consumed, stream->size());
    }
  }
}

TEST(UnShrink, HandMadeCodes) {
  // 'a', then 257 before its definition (KwKwK: "aa"), then 258 likewise ("aaa").
  EXPECT_EQ(DecodeEntry(1, 0, Codes({{'a', 9}, {257, 9}, {258, 9}}), 6).bytes, Str("aaaaaa"));
  // Widening: 256,1 switches to 10-bit codes; 257 = "ab" is then read in 10 bits.
  Decoded wide = DecodeEntry(1, 0, Codes({{'a', 9}, {'b', 9}, {256, 9}, {1, 9}, {257, 10}}), 4);
  EXPECT_EQ(wide.outcome, Outcome::Ok);
  EXPECT_EQ(wide.bytes, Str("abab"));
  // a b c: 257 = "ab", 258 = "bc". The partial clear frees both leaves; the next code defines the lowest free code,
  // 257, as "c" + "d"; 257 then reads "cd" and defines 258 = "dc"; 259 is the KwKwK code "cd" + "c".
  Decoded cleared =
      DecodeEntry(1, 0, Codes({{'a', 9}, {'b', 9}, {'c', 9}, {256, 9}, {2, 9}, {'d', 9}, {257, 9}, {259, 9}}), 9);
  EXPECT_EQ(cleared.outcome, Outcome::Ok);
  EXPECT_EQ(cleared.bytes, Str("abcdcdcdc"));
}

TEST(UnShrink, RefusesWhatTheFormatDoesNotAllow) {
  struct Case {
    const char* what;
    Bytes stream;
  };
  std::vector<Case> cases = {
      {"first code not a byte", Codes({{300, 9}})},
      {"undefined code beyond the next free one", Codes({{'a', 9}, {258, 9}})},
      {"unknown sub-code", Codes({{'a', 9}, {256, 9}, {3, 9}})},
      {"widening past 13 bits",
       Codes({{256, 9}, {1, 9}, {256, 10}, {1, 10}, {256, 11}, {1, 11}, {256, 12}, {1, 12}, {256, 13}, {1, 13}})},
      {"freed code used again", Codes({{'a', 9}, {'b', 9}, {'c', 9}, {256, 9}, {2, 9}, {258, 9}})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(DecodeEntry(1, 0, c.stream, 100).outcome, Outcome::BadData);
  }
}

TEST(UnShrink, StopsAtTheEntrySize) {
  Bytes src = Source("small.txt");
  Bytes stream = Shrink(src, 0);
  // A smaller stated size ends the entry there: no more input is read than needed, nothing beyond is written.
  Decoded shorter = DecodeEntry(1, 0, stream, 1000);
  EXPECT_EQ(shorter.bytes, Bytes(src.begin(), src.begin() + 1000));
  EXPECT_LT(shorter.consumed, stream.size() / 2);
  // A string that runs past the stated size is cut there and reported.
  Decoded cut = DecodeEntry(1, 0, Codes({{'a', 9}, {'b', 9}, {257, 9}}), 3);
  EXPECT_EQ(cut.outcome, Outcome::BadData);
  EXPECT_EQ(cut.bytes, Str("aba"));
  // Input that ends early raises through the input.
  EXPECT_EQ(DecodeEntry(1, 0, Bytes(stream.begin(), stream.begin() + 100), src.size()).outcome, Outcome::InputShort);
  EXPECT_EQ(DecodeEntry(1, 0, Bytes(), 0).outcome, Outcome::Ok);
}

}  // namespace
}  // namespace legacytest
