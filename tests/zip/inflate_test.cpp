// Inflate and UnStore against zlib as the oracle: every raw deflate stream zlib writes must come out unchanged.
#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <string>

#include "tests/zip/support.h"
#include "tests/zip/zip_writer.h"
#include "zip/methods.h"

namespace {

using ziptest::BitWriter;
using ziptest::Bytes;
using ziptest::RawDeflate;

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

Bytes InflateAll(const Bytes& packed, size_t chunk = 32768) {
  ziptest::MemoryInput in(packed, chunk);
  ziptest::VectorOutput out;
  EXPECT_EQ(zip::Inflate(in, out), zip::kInflateOk);
  return out.bytes;
}

TEST(Inflate, MatchesZlibOnEveryLevelAndStrategy) {
  const Bytes inputs[] = {Random(70000, 1), Bytes(100000, 'a'), Mixed(300000), Bytes{}, Bytes{'x'}};
  for (const Bytes& data : inputs) {
    for (int level = 0; level <= 9; ++level)
      EXPECT_EQ(InflateAll(RawDeflate(data, level)), data) << "level " << level << " size " << data.size();
    for (int strategy : {Z_FIXED, Z_HUFFMAN_ONLY, Z_RLE, Z_FILTERED})
      EXPECT_EQ(InflateAll(RawDeflate(data, 6, strategy)), data) << "strategy " << strategy;
  }
  // Refills at every input boundary, in coded and in stored blocks.
  const Bytes mixed = Mixed(120000);
  for (int level : {0, 9})
    for (size_t chunk : {1u, 3u, 7u, 8u, 9u, 4093u})
      EXPECT_EQ(InflateAll(RawDeflate(mixed, level), chunk), mixed) << "level " << level << " chunk " << chunk;
}

// Hand-written fixed-Huffman blocks (zlib never uses the distance 32768 itself).
void BlockHeader(BitWriter& w, bool last) {
  w.Put(last ? 1 : 0, 1);
  w.Put(1, 2);
}
void Literal(BitWriter& w, uint8_t v) { v < 144 ? w.PutCode(0x30u + v, 8) : w.PutCode(0x190u + v - 144u, 9); }
void EndOfBlock(BitWriter& w) { w.PutCode(0, 7); }
// Only the lengths 3 (symbol 257) and 258 (symbol 285) and the distances 2 (symbol 1) and 32768 (symbol 29).
void Match(BitWriter& w, int len, int dist) {
  len == 3 ? w.PutCode(1, 7) : w.PutCode(0xC5, 8);
  dist == 2 ? w.PutCode(1, 5) : (w.PutCode(29, 5), w.Put(8191, 13));
}

TEST(Inflate, LongestMatchAtTheFarthestDistance) {
  // One non-final stored block of 32768 random bytes, then 130 matches of 258 at distance 32768.
  Bytes data = Random(32768, 9);
  // Header in front of the data: appending to a 5-byte list trips GCC 12's false -Warray-bounds at -O2.
  Bytes stored = data;
  stored.insert(stored.begin(), {0x00, 0x00, 0x80, 0xFF, 0x7F});
  BitWriter w;
  BlockHeader(w, true);
  for (int i = 0; i < 130; ++i) Match(w, 258, 32768);
  EndOfBlock(w);
  Bytes block = w.Finish();
  stored.insert(stored.end(), block.begin(), block.end());
  Bytes expected = data;
  for (int i = 0; i < 130 * 258; ++i) expected.push_back(expected[expected.size() - 32768]);
  EXPECT_EQ(InflateAll(stored, 1000), expected);
}

TEST(Inflate, InvalidDataIsRefused) {
  BitWriter early;  // a distance before the start of the output
  BlockHeader(early, true);
  Literal(early, 'a');
  Match(early, 3, 2);
  EndOfBlock(early);
  const Bytes cases[] = {early.Finish(),
                         {0x07} /* block type 3 */,
                         {0x01, 0x05, 0x00, 0x00, 0x00, 'a', 'b', 'c', 'd', 'e'} /* stored length mismatch */};
  for (const Bytes& bad : cases) {
    ziptest::MemoryInput in(bad);
    ziptest::VectorOutput out;
    EXPECT_EQ(zip::Inflate(in, out), zip::kInflateBadData);
  }
  BitWriter ok;
  BlockHeader(ok, true);
  Literal(ok, 'a');
  Literal(ok, 200);
  Match(ok, 3, 2);
  EndOfBlock(ok);
  EXPECT_EQ(InflateAll(ok.Finish()), (Bytes{'a', 200, 'a', 200, 'a'}));
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

// Empty and tiny stored blocks between other blocks: the bytes after them are not lost.
TEST(Inflate, TinyStoredBlocksKeepTheBytesAfterThem) {
  Bytes text = Text(5000);
  const std::vector<size_t> pieces = {1, 2, 700, 1, 1500, 2};
  for (int level : {0, 6})
    for (int flush : {Z_SYNC_FLUSH, Z_FULL_FLUSH})
      for (size_t chunk : {1u, 32768u})
        EXPECT_EQ(InflateAll(DeflateInPieces(text, pieces, level, flush), chunk), text)
            << "level " << level << " flush " << flush << " chunk " << chunk;
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
