// Shrink, Reduce and Implode: hand-made streams that pin the format's corner cases and what it does not allow; the
// committed fixture archives decoded to their sources, by Debian's unzip and by zipcat; mutated streams that end
// within bounded time.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>
#include <random>

#include "tests/thread_clock.h"
#include "tests/zip/support.h"
#include "tests/zip/zip_writer.h"

namespace ziptest {
namespace {

// An entry of the committed archives in tests/data/zip/legacy, its stream read from the local header. The name says
// the source: "small-f2-literals.txt" is small.txt, reduced with factor 2 and without copies.
struct Fixture {
  std::string archive, name, source;
  int method;
  uint16_t flags;
  Bytes stream;
};

std::string FixtureDir() { return std::string(PEXU_SOURCE_DIR) + "/tests/data/zip/legacy"; }
Bytes Source(const std::string& name) { return ReadFile(FixtureDir() + "/" + name); }

std::vector<Fixture> Fixtures() {
  std::vector<Fixture> list;
  for (const char* archive : {"shrink.zip", "reduce.zip", "implode.zip"}) {
    const Bytes zip = Source(archive);
    const auto slice = [&zip](size_t from, size_t to) {
      return Bytes(zip.begin() + static_cast<long>(from), zip.begin() + static_cast<long>(to));
    };
    for (size_t at = 0; at + 30 <= zip.size() && GetLE32(zip, at) == 0x04034B50;) {
      const size_t name = at + 30, data = name + GetLE16(zip, at + 26) + GetLE16(zip, at + 28);
      const size_t end = data + GetLE32(zip, at + 18);
      const Bytes entry = slice(name, name + GetLE16(zip, at + 26));
      const std::string entryName(entry.begin(), entry.end());
      const std::string source =
          entryName.substr(0, entryName.find_first_of("-.")) + entryName.substr(entryName.rfind('.'));
      list.push_back({archive, entryName, source, GetLE16(zip, at + 8), GetLE16(zip, at + 6), slice(data, end)});
      at = end;
    }
  }
  return list;
}

const Fixture& Find(const std::vector<Fixture>& list, const std::string& name) {
  return *std::find_if(list.begin(), list.end(), [&](const Fixture& f) { return f.name == name; });
}

// Every stream decodes to its source, read to its last byte and no further. Debian's unzip implements unshrink and
// explode (not unreduce): an independent check of those streams and of the archive framing. zipcat, when built
// beside this test, takes the whole road from the directory through the dispatch to the decoders for all three.
TEST(LegacyFixtures, DecodeToTheirSourcesAsUnzipAndZipcatDo) {
  const std::vector<Fixture> fixtures = Fixtures();
  ASSERT_EQ(fixtures.size(), 30u);
  int status = 0;
  Shell("unzip -v >/dev/null 2>&1", status);
  const bool haveUnzip = status == 0;
  const std::filesystem::path zipcat = std::filesystem::read_symlink("/proc/self/exe").parent_path() / "zipcat";
  for (const Fixture& f : fixtures) {
    SCOPED_TRACE(f.archive + ": " + f.name);
    const Bytes source = Source(f.source);
    Decoded d = DecodeEntry(f.method, f.flags, f.stream, source.size());
    EXPECT_EQ(d.outcome, Outcome::Ok);
    EXPECT_TRUE(d.bytes == source);
    EXPECT_EQ(d.consumed, f.stream.size());
    const std::string path = Quote(FixtureDir() + "/" + f.archive), expected(source.begin(), source.end());
    if (haveUnzip && f.archive != "reduce.zip") {
      EXPECT_TRUE(Shell("unzip -p " + path + " " + Quote(f.name), status) == expected);
    }
    if (std::filesystem::exists(zipcat)) {
      EXPECT_TRUE(Shell(Quote(zipcat.string()) + " " + path + " " + Quote(f.name), status) == expected);
      EXPECT_EQ(status, 0);
    }
  }
}

Bytes Mutate(const Bytes& stream, std::mt19937& random) {
  Bytes m = stream;
  switch (random() % 5) {
    case 0:  // a few flipped bits
      for (unsigned i = 1 + random() % 8; i > 0; --i)
        m[random() % m.size()] ^= static_cast<uint8_t>(1u << random() % 8);
      break;
    case 1:  // a run of random bytes
      for (size_t at = random() % m.size(), n = 1 + random() % 16; n > 0 && at < m.size(); --n, ++at)
        m[at] = static_cast<uint8_t>(random());
      break;
    case 2:  // cut short
      m.resize(random() % m.size());
      break;
    case 3:  // bytes inserted
      m.insert(m.begin() + static_cast<long>(random() % m.size()), 1 + random() % 8, static_cast<uint8_t>(random()));
      break;
    default:  // noise of the same length
      for (auto& b : m) b = static_cast<uint8_t>(random());
      break;
  }
  return m;
}

// 1,000 mutants of a valid stream per method and variant, with the true size, twice it and a random size: each ends
// with a result or an input shortage, writes at most the stated size and takes bounded time.
TEST(LegacyFixtures, MutatedStreamsEndWithinBoundedTime) {
  using Clock = testing_clock::ThreadClock;
  const std::vector<Fixture> fixtures = Fixtures();
  std::mt19937 random(20240115);
  // Shrink with partial clears, every reduce factor, every implode variant.
  for (const char* name : {"small-cleared.txt", "small-f1.txt", "small-f2.txt", "small-f3.txt", "small-f4.txt",
                           "binary-4k.bin", "binary-8k.bin", "binary-4k-lit.bin", "binary-8k-lit.bin"}) {
    const Fixture& v = Find(fixtures, name);
    SCOPED_TRACE(v.name);
    const uint64_t trueSize = Source(v.source).size();
    int bad = 0, shortInput = 0;
    Clock::duration slowest{};
    for (int i = 0; i < 1000; ++i) {
      Bytes m = Mutate(v.stream, random);
      uint64_t size = i % 3 == 0 ? trueSize : i % 3 == 1 ? 2 * trueSize : random() % 20000;
      auto start = Clock::now();
      Decoded d = DecodeEntry(v.method, v.flags, m, size);
      slowest = std::max(slowest, Clock::now() - start);
      ASSERT_LE(d.bytes.size(), size);
      ASSERT_LE(d.consumed, m.size());
      bad += d.outcome == Outcome::BadData;
      shortInput += d.outcome == Outcome::InputShort;
    }
    EXPECT_GT(bad, 0);
    EXPECT_GT(shortInput, 0);
    EXPECT_LT(slowest, std::chrono::seconds(1));
  }
}

// Hand-made shrink stream: codes of the given widths.
Bytes Codes(std::initializer_list<std::pair<int, int>> codes) {
  BitWriter w;
  for (auto [code, width] : codes) w.Put(static_cast<uint32_t>(code), width);
  return w.Finish();
}

void ExpectDecodes(const Decoded& d, const Bytes& expected, Outcome outcome = Outcome::Ok) {
  EXPECT_EQ(d.outcome, outcome);
  EXPECT_EQ(d.bytes, expected);
}

TEST(UnShrink, HandMadeCodes) {
  // 'a', then 257 before its definition (KwKwK: "aa"), then 258 likewise ("aaa").
  ExpectDecodes(DecodeEntry(1, 0, Codes({{'a', 9}, {257, 9}, {258, 9}}), 6), ToBytes("aaaaaa"));
  // Widening: 256,1 switches to 10-bit codes; 257 = "ab" is then read in 10 bits.
  ExpectDecodes(DecodeEntry(1, 0, Codes({{'a', 9}, {'b', 9}, {256, 9}, {1, 9}, {257, 10}}), 4), ToBytes("abab"));
  // a b c: 257 = "ab", 258 = "bc". The partial clear frees both leaves; the next code defines the lowest free code,
  // 257, as "c" + "d"; 257 then reads "cd" and defines 258 = "dc"; 259 is the KwKwK code "cd" + "c".
  ExpectDecodes(
      DecodeEntry(1, 0, Codes({{'a', 9}, {'b', 9}, {'c', 9}, {256, 9}, {2, 9}, {'d', 9}, {257, 9}, {259, 9}}), 9),
      ToBytes("abcdcdcdc"));
  // A string that runs past the stated size is cut there and reported.
  ExpectDecodes(DecodeEntry(1, 0, Codes({{'a', 9}, {'b', 9}, {257, 9}}), 3), ToBytes("aba"), Outcome::BadData);
  EXPECT_EQ(DecodeEntry(1, 0, Bytes(), 0).outcome, Outcome::Ok);
}

TEST(UnShrink, RefusesWhatTheFormatDoesNotAllow) {
  const std::pair<const char*, Bytes> cases[] = {
      {"first code not a byte", Codes({{300, 9}})},
      {"undefined code beyond the next free one", Codes({{'a', 9}, {258, 9}})},
      {"unknown sub-code", Codes({{'a', 9}, {256, 9}, {3, 9}})},
      {"widening past 13 bits",
       Codes({{256, 9}, {1, 9}, {256, 10}, {1, 10}, {256, 11}, {1, 11}, {256, 12}, {1, 12}, {256, 13}, {1, 13}})},
      {"freed code used again", Codes({{'a', 9}, {'b', 9}, {'c', 9}, {256, 9}, {2, 9}, {258, 9}})},
  };
  for (const auto& [what, stream] : cases) EXPECT_EQ(DecodeEntry(1, 0, stream, 100).outcome, Outcome::BadData) << what;
}

TEST(UnShrink, StopsAtTheEntrySize) {
  const Bytes src = Source("small.txt");
  const Bytes stream = Find(Fixtures(), "small.txt").stream;
  // A smaller stated size ends the entry there: no more input is read than needed, nothing beyond is written.
  Decoded shorter = DecodeEntry(1, 0, stream, 1000);
  EXPECT_EQ(shorter.bytes, Bytes(src.begin(), src.begin() + 1000));
  EXPECT_LT(shorter.consumed, stream.size() / 2);
  // Input that ends early raises through the input.
  EXPECT_EQ(DecodeEntry(1, 0, Bytes(stream.begin(), stream.begin() + 100), src.size()).outcome, Outcome::InputShort);
}

// Follower sets as stored (byte 255 first); each byte whose predecessor has an empty set then goes out as 8 bits.
BitWriter Header(const std::map<int, Bytes>& sets) {
  BitWriter w;
  for (int x = 255; x >= 0; --x) {
    auto it = sets.find(x);
    w.Put(it == sets.end() ? 0 : static_cast<uint32_t>(it->second.size()), 6);
    if (it != sets.end())
      for (uint8_t c : it->second) w.Put(c, 8);
  }
  return w;
}

Bytes Plain(const Bytes& bytes) {
  BitWriter w = Header({});
  for (uint8_t b : bytes) w.Put(b, 8);
  return w.Finish();
}

TEST(UnReduce, HandMadeDleSequencesAndFollowerSets) {
  // Factor 2: V holds 6 length bits and 2 distance bits. DLE 0 is a literal DLE; DLE 1 2 copies 1 + 3 bytes from
  // distance 3 (overlapping what it writes).
  ExpectDecodes(DecodeEntry(3, 0, Plain({'A', 'B', 144, 0, 144, 1, 2}), 7), {'A', 'B', 144, 'A', 'B', 144, 'A'});
  // Distance bits 01 and Y 0: distance 257, before the start of the entry, which reads as zeros.
  ExpectDecodes(DecodeEntry(3, 0, Plain({144, 0x40, 0, 'Z'}), 4), {0, 0, 0, 'Z'});
  // Length 63 takes the next byte as well: 63 + 10 + 3 copies of 'Q' at distance 1.
  ExpectDecodes(DecodeEntry(3, 0, Plain({'Q', 144, 63, 10, 0}), 77), Bytes(77, 'Q'));
  // A copy that runs past the stated size is cut there and reported.
  ExpectDecodes(DecodeEntry(3, 0, Plain({'A', 144, 5, 0}), 4), Bytes(4, 'A'), Outcome::BadData);
  // Factor 4: V holds 4 length bits; V 0xF2 with Y 255 copies 2 + 3 bytes from distance 15 * 256 + 256 = 4096.
  Bytes far, escaped;
  for (int i = 0; i < 4096; ++i) far.push_back(static_cast<uint8_t>(i * 7 + i / 256));
  for (uint8_t b : far) {
    escaped.push_back(b);
    if (b == 144) escaped.push_back(0);
  }
  escaped.insert(escaped.end(), {144, 0xF2, 255});
  Bytes expected = far;
  expected.insert(expected.end(), far.begin(), far.begin() + 5);
  ExpectDecodes(DecodeEntry(5, 0, Plain(escaped), expected.size()), expected);

  // Set of 0 (the start): x y; set of y: q (one follower still takes one index bit); set of q: r.
  BitWriter w = Header({{0, {'x', 'y'}}, {'y', {'q'}}, {'q', {'r'}}});
  for (auto [value, bits] : {std::pair{0, 1}, {1, 1}, {0, 1}, {0, 1}, {1, 1}, {'s', 8}, {'t', 8}})
    w.Put(static_cast<uint32_t>(value), bits);  // y from the set of 0, q from the set of y, s and t as plain bytes
  ExpectDecodes(DecodeEntry(2, 0, w.Finish(), 4), ToBytes("yqst"));
  BitWriter largest = Header({{7, Bytes(32, 'a')}});  // 32 followers is the largest set
  largest.Put('b', 8);
  ExpectDecodes(DecodeEntry(2, 0, largest.Finish(), 1), {'b'});
}

TEST(UnReduce, RefusesWhatTheFormatDoesNotAllow) {
  Bytes text = Source("small.txt");
  MemoryInput in(text);
  VectorOutput out(100);
  EXPECT_EQ(zip::UnReduce(in, out, 0, 100), zip::kLegacyBadData);
  EXPECT_EQ(zip::UnReduce(in, out, 5, 100), zip::kLegacyBadData);
  BitWriter w33;
  w33.Put(33, 6);  // set of 255 with 33 followers
  EXPECT_EQ(DecodeEntry(2, 0, w33.Finish(), 10).outcome, Outcome::BadData);
  BitWriter badIndex = Header({{0, {'x', 'y', 'z'}}});
  badIndex.Put(0, 1);
  badIndex.Put(3, 2);  // index 3 of a set of 3
  EXPECT_EQ(DecodeEntry(2, 0, badIndex.Finish(), 10).outcome, Outcome::BadData);
}

// 64 codes of 6 bits: symbol s has the code 63 - s (codes count up from the last symbol).
void FlatTree(BitWriter& w) {
  w.Put(3, 8);
  for (int i = 0; i < 4; ++i) w.Put(0xF5, 8);
}

// A copy: low distance bits, then the codes of the distance's high bits and of the length (flat trees).
void Copy(BitWriter& w, uint32_t low, int lowBits, uint32_t distanceCode, uint32_t lengthCode, int lengthBits = 6) {
  w.Put(0, 1);
  w.Put(low, lowBits);
  w.PutCode(distanceCode, 6);
  w.PutCode(lengthCode, lengthBits);
}

void Literal(BitWriter& w, uint8_t c) {
  w.Put(1, 1);
  w.Put(c, 8);
}

TEST(Explode, HandMadeCodes) {
  // 4 KB dictionary, no literal tree (minimum copy 2). Length tree: symbol 0 one bit, 1 two bits, 2-61 eight bits,
  // 62-63 seven bits. Counting up from the longest: 61 = 00000000, ..., 2 = 00111011, 63 = 0011110, 62 = 0011111,
  // 1 = 01, 0 = 1. Distance 1 is low bits 0 with high symbol 0 (code 0x3F).
  BitWriter w;
  w.Put(6, 8);
  for (uint32_t b : {0x00, 0x01, 0xF7, 0xF7, 0xF7, 0xB7, 0x16}) w.Put(b, 8);
  FlatTree(w);
  Literal(w, 'A');
  Copy(w, 0, 6, 0x3F, 0x1, 2);  // symbol 1: length 3
  Literal(w, 'B');
  Copy(w, 0, 6, 0x3F, 0x1E, 7);  // symbol 63: 63 + 2 + the next byte
  w.Put(0, 8);
  Literal(w, 'C');
  Copy(w, 0, 6, 0x3F, 0x3B, 8);  // symbol 2: length 4
  Bytes expected(4, 'A');
  expected.insert(expected.end(), 66, 'B');
  expected.insert(expected.end(), 5, 'C');
  ExpectDecodes(DecodeEntry(6, 0, w.Finish(), expected.size()), expected);

  // 8 KB dictionary: 7 low distance bits. The first copy reaches before the start (zeros), the second copies "xy".
  BitWriter b;
  FlatTree(b);
  FlatTree(b);
  Copy(b, 9, 7, 63, 63);  // distance 10, length 2
  Literal(b, 'x');
  Literal(b, 'y');
  Copy(b, 1, 7, 63, 62);  // distance 2, length 3
  ExpectDecodes(DecodeEntry(6, 2, b.Finish(), 7), {0, 0, 'x', 'y', 'x', 'y', 'x'});

  // A copy running past the stated size is cut there and reported.
  BitWriter c;
  FlatTree(c);
  FlatTree(c);
  Literal(c, 'z');
  Copy(c, 0, 6, 63, 50);  // distance 1, length 15
  ExpectDecodes(DecodeEntry(6, 0, c.Finish(), 5), Bytes(5, 'z'), Outcome::BadData);
}

TEST(Explode, RefusesDamagedTrees) {
  const std::pair<const char*, Bytes> cases[] = {
      {"runs beyond 64 codes", {4, 0xF5, 0xF5, 0xF5, 0xF5, 0xF5}},
      {"runs short of 64 codes", {2, 0xF5, 0xF5, 0xF5}},
      {"incomplete code", {3, 0xF6, 0xF6, 0xF6, 0xF6}},
      {"over-subscribed code", {3, 0xF4, 0xF4, 0xF4, 0xF4}},
  };
  const Bytes flat = {3, 0xF5, 0xF5, 0xF5, 0xF5};
  for (const auto& [what, tree] : cases) {
    SCOPED_TRACE(what);
    Bytes asLengths = tree;
    asLengths.insert(asLengths.end(), flat.begin(), flat.end());
    EXPECT_EQ(DecodeEntry(6, 0, asLengths, 10).outcome, Outcome::BadData);
    Bytes asDistances = flat;
    asDistances.insert(asDistances.end(), tree.begin(), tree.end());
    EXPECT_EQ(DecodeEntry(6, 0, asDistances, 10).outcome, Outcome::BadData);
  }
}

}  // namespace
}  // namespace ziptest
