// Inflate and UnStore against zlib as the oracle: every raw deflate stream zlib writes must come out unchanged.
#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <string>

#include "tests/zip/decoder_io.h"
#include "zip/methods.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes RawDeflate(const Bytes& data, int level, int strategy = Z_DEFAULT_STRATEGY) {
  z_stream z{};
  EXPECT_EQ(deflateInit2(&z, level, Z_DEFLATED, -15, 8, strategy), Z_OK);
  Bytes out(deflateBound(&z, data.size()) + 16);
  z.next_in = const_cast<Bytef*>(data.data());
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = out.data();
  z.avail_out = static_cast<uInt>(out.size());
  EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

Bytes Text(size_t size) {
  static const char* words[] = {"Antenne ",     "Frequenz ", "Spannung ", "Widerstand ", "der ",   "die ",   "und ",
                                "Kondensator ", "Welle\r\n", "Ohm ",      "Leistung ",   "Strom ", "TA101 ", "0,5 "};
  std::mt19937 rng(7);
  std::string s;
  while (s.size() < size) s += words[rng() % 14];
  return Bytes(s.begin(), s.begin() + static_cast<std::ptrdiff_t>(size));
}

Bytes Random(size_t size, uint32_t seed) {
  std::mt19937 rng(seed);
  Bytes b(size);
  for (auto& c : b) c = static_cast<uint8_t>(rng());
  return b;
}

// Runs (short text, long runs, over 64 KB) mixed with random stretches.
Bytes Mixed(size_t size) {
  Bytes b = Text(size);
  std::mt19937 rng(3);
  for (size_t i = 0; i + 5000 < size; i += 20000) {
    uint8_t v = static_cast<uint8_t>(rng());
    for (size_t j = 0; j < 3000; ++j) b[i + j] = v;
    for (size_t j = 3000; j < 5000; ++j) b[i + j] = static_cast<uint8_t>(rng());
  }
  return b;
}

Bytes InflateAll(const Bytes& packed, size_t chunk = 32768, int* rc = nullptr) {
  ziptest::MemoryInput in(packed, chunk);
  ziptest::VectorOutput out;
  int result = zip::Inflate(in, out);
  if (rc) *rc = result;
  EXPECT_EQ(result, zip::kInflateOk);
  return out.bytes;
}

TEST(Inflate, MatchesZlibOnEveryLevelAndStrategy) {
  const Bytes inputs[] = {Text(200000), Random(70000, 1), Bytes(100000, 'a'), Mixed(300000), Bytes{}, Bytes{'x'}};
  for (const Bytes& data : inputs) {
    for (int level = 0; level <= 9; ++level)
      EXPECT_EQ(InflateAll(RawDeflate(data, level)), data) << "level " << level << " size " << data.size();
    for (int strategy : {Z_FIXED, Z_HUFFMAN_ONLY, Z_RLE, Z_FILTERED})
      EXPECT_EQ(InflateAll(RawDeflate(data, 6, strategy)), data) << "strategy " << strategy;
  }
}

TEST(Inflate, RefillsAtEveryInputBoundary) {
  Bytes data = Mixed(120000);
  Bytes packed = RawDeflate(data, 9);
  for (size_t chunk : {1u, 3u, 7u, 8u, 9u, 4093u}) EXPECT_EQ(InflateAll(packed, chunk), data) << "chunk " << chunk;
}

// A hand-written fixed-Huffman block (zlib never uses the distance 32768 itself).
class FixedBlockWriter {
 public:
  Bytes bytes;
  void Bits(uint32_t value, int count) {
    for (int i = 0; i < count; ++i) Bit((value >> i) & 1);
  }
  void Code(uint32_t code, int len) {  // Huffman codes go most significant bit first
    for (int i = len - 1; i >= 0; --i) Bit((code >> i) & 1);
  }
  void Header(bool last) {
    Bits(last ? 1 : 0, 1);
    Bits(1, 2);
  }
  void Literal(uint8_t v) { v < 144 ? Code(0x30u + v, 8) : Code(0x190u + v - 144u, 9); }
  void End() { Code(0, 7); }
  // Only the lengths 3 (symbol 257) and 258 (symbol 285) and the distances 2 (symbol 1) and 32768 (symbol 29).
  void Match(int len, int dist) {
    len == 3 ? Code(1, 7) : Code(0xC5, 8);
    if (dist == 2) {
      Code(1, 5);
    } else {
      Code(29, 5);
      Bits(8191, 13);
    }
  }

 private:
  void Bit(uint32_t b) {
    if (used_ == 0) bytes.push_back(0);
    bytes.back() |= static_cast<uint8_t>(b << used_);
    used_ = (used_ + 1) & 7;
  }
  int used_ = 0;
};

TEST(Inflate, LongestMatchAtTheFarthestDistance) {
  // One non-final stored block of 32768 random bytes, then 130 matches of 258 at distance 32768.
  Bytes data = Random(32768, 9);
  Bytes stored = {0x00, 0x00, 0x80, 0xFF, 0x7F};
  stored.insert(stored.end(), data.begin(), data.end());
  FixedBlockWriter w;
  w.Header(true);
  for (int i = 0; i < 130; ++i) w.Match(258, 32768);
  w.End();
  stored.insert(stored.end(), w.bytes.begin(), w.bytes.end());
  Bytes expected = data;
  for (int i = 0; i < 130 * 258; ++i) expected.push_back(expected[expected.size() - 32768]);
  EXPECT_EQ(InflateAll(stored, 1000), expected);
}

TEST(Inflate, DistanceBeforeTheStartIsRefused) {
  FixedBlockWriter w;
  w.Header(true);
  w.Literal('a');
  w.Match(3, 2);
  w.End();
  ziptest::MemoryInput in(w.bytes);
  ziptest::VectorOutput out;
  EXPECT_EQ(zip::Inflate(in, out), zip::kInflateBadData);
  FixedBlockWriter ok;
  ok.Header(true);
  ok.Literal('a');
  ok.Literal(200);
  ok.Match(3, 2);
  ok.End();
  EXPECT_EQ(InflateAll(ok.bytes), (Bytes{'a', 200, 'a', 200, 'a'}));
}

// Deflates the data in pieces, flushing after each one: a flush ends with an empty stored block, and at level 0 a
// piece of one or two bytes is a stored block shorter than the bits a decoder may hold.
Bytes DeflateInPieces(const Bytes& data, const std::vector<size_t>& pieces, int level, int flush) {
  z_stream z{};
  EXPECT_EQ(deflateInit2(&z, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY), Z_OK);
  Bytes out(deflateBound(&z, data.size()) + 64 * pieces.size() + 64);
  z.next_out = out.data();
  z.avail_out = static_cast<uInt>(out.size());
  size_t at = 0;
  for (size_t i = 0; i <= pieces.size(); ++i) {
    size_t n = i < pieces.size() ? pieces[i] : data.size() - at;
    z.next_in = const_cast<Bytef*>(data.data() + at);
    z.avail_in = static_cast<uInt>(n);
    at += n;
    EXPECT_EQ(deflate(&z, i < pieces.size() ? flush : Z_FINISH), i < pieces.size() ? Z_OK : Z_STREAM_END);
  }
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

TEST(Inflate, StoredBlocksAreCopiedUnchanged) {
  Bytes data = Random(100000, 5);
  Bytes packed = RawDeflate(data, 0);
  EXPECT_EQ(InflateAll(packed, 5), data);
  // Empty and tiny stored blocks between other blocks: the bytes after them are not lost.
  Bytes text = Text(5000);
  const std::vector<size_t> pieces = {1, 2, 700, 1, 1500, 2};
  for (int level : {0, 6})
    for (int flush : {Z_SYNC_FLUSH, Z_FULL_FLUSH})
      for (size_t chunk : {1u, 32768u})
        EXPECT_EQ(InflateAll(DeflateInPieces(text, pieces, level, flush), chunk), text)
            << "level " << level << " flush " << flush << " chunk " << chunk;
}

TEST(Inflate, DamagedStreamsEndWithAnErrorCodeOrException) {
  Bytes data = Mixed(50000);
  Bytes packed = RawDeflate(data, 6);
  std::mt19937 rng(11);
  int failures = 0;
  for (int round = 0; round < 1000; ++round) {
    Bytes bad = packed;
    int flips = 1 + static_cast<int>(rng() % 4);
    for (int f = 0; f < flips; ++f) bad[rng() % bad.size()] ^= static_cast<uint8_t>(1u << (rng() % 8));
    if (round % 3 == 0) bad.resize(rng() % bad.size());
    ziptest::MemoryInput in(bad, 1000);
    ziptest::VectorOutput out(data.size() + 100000);
    try {
      if (zip::Inflate(in, out) != zip::kInflateOk || out.bytes != data) ++failures;
    } catch (const pf::Exception&) {
      ++failures;
    }
  }
  EXPECT_GT(failures, 900);
}

TEST(Inflate, InvalidHeadersAreRefused) {
  // Block type 3.
  Bytes type3 = {0x07};
  ziptest::MemoryInput in(type3);
  ziptest::VectorOutput out;
  EXPECT_EQ(zip::Inflate(in, out), zip::kInflateBadData);
  // Stored block whose length and complement disagree.
  Bytes stored = {0x01, 0x05, 0x00, 0x00, 0x00, 'a', 'b', 'c', 'd', 'e'};
  ziptest::MemoryInput in2(stored);
  ziptest::VectorOutput out2;
  EXPECT_EQ(zip::Inflate(in2, out2), zip::kInflateBadData);
}

TEST(UnStore, CopiesExactlyTheCountGiven) {
  Bytes data = Random(100000, 2);
  ziptest::MemoryInput in(data, 777);
  ziptest::VectorOutput out;
  zip::UnStore(in, out, 99999);
  EXPECT_EQ(out.bytes, Bytes(data.begin(), data.end() - 1));
  ziptest::MemoryInput shortIn(data);
  ziptest::VectorOutput out2;
  EXPECT_THROW(zip::UnStore(shortIn, out2, 200000), zip::EFatalUnzipError);
}

}  // namespace
