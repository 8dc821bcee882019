// LZW and run-length image data: byte equality with giflib's encoder, decoding of giflib's output, and the
// behaviour on damaged or hostile data.
#include <gtest/gtest.h>

#include <random>

#include "gif/lzw.h"
#include "tests/gif/giflib_oracle.h"

namespace {

enum class Pattern { Random, Runs, Uniform };

std::vector<uint8_t> MakePixels(int width, int height, int bits, Pattern pattern, uint32_t seed) {
  std::mt19937 rng(seed);
  const int colors = 1 << bits;
  std::vector<uint8_t> px(static_cast<size_t>(width) * height);
  uint8_t current = 0;
  for (auto& p : px) {
    if (pattern == Pattern::Runs && rng() % 23 == 0) current = static_cast<uint8_t>(rng() % colors);
    p = static_cast<uint8_t>(pattern == Pattern::Random ? rng() % colors
                             : pattern == Pattern::Runs ? current
                                                        : colors - 1);
  }
  return px;
}

std::vector<uint8_t> Encode(const std::vector<uint8_t>& px, int w, int h, int bits, bool interlaced,
                            gif::TGIFCompression compression = gif::CompressLZW) {
  pf::TMemoryStream s;
  gif::EncodeImage(s, compression, bits, 1 << bits, px.data(), interlaced, h, w);
  return std::vector<uint8_t>(s.Memory(), s.Memory() + s.Size());
}

struct Decoded {
  std::vector<uint8_t> pixels;
  std::vector<std::string> warnings;
  int64_t consumed = 0;
};

Decoded Decode(const std::vector<uint8_t>& data, int w, int h, bool interlaced, uint8_t fill = 0) {
  Decoded d;
  d.pixels.assign(static_cast<size_t>(w) * h, fill);
  pf::TReadOnlyMemoryStream s(data.data(), static_cast<int64_t>(data.size()));
  gif::TGIFDecoder decoder(s, [&](int, const std::string& m) { d.warnings.push_back(m); });
  decoder.Decode(d.pixels.data(), w, h, interlaced);
  d.consumed = s.Position();
  return d;
}

// A minimal GIF87a file around an image data section, the frame with a zeroed local map of 2^bits entries.
std::vector<uint8_t> WrapInFile(const std::vector<uint8_t>& data, int w, int h, int bits) {
  const uint8_t wl = uint8_t(w), wh = uint8_t(w >> 8), hl = uint8_t(h), hh = uint8_t(h >> 8);
  const uint8_t head[] = {'G', 'I', 'F', '8', '7', 'a', wl, wh, hl, hh, 0, 0, 0, 0x2C, 0, 0, 0, 0, wl, wh, hl, hh};
  // Sized once and filled by copies: growing it by inserts trips a false array-bounds warning of GCC 12 at -O3.
  std::vector<uint8_t> file(sizeof head + 1 + (size_t{3} << bits) + data.size() + 1, 0);
  std::copy(std::begin(head), std::end(head), file.begin());
  file[sizeof head] = uint8_t(0x80 | (bits - 1));
  std::copy(data.begin(), data.end(), file.end() - static_cast<long>(data.size()) - 1);
  file.back() = 0x3B;
  return file;
}

// The same image data section with its codes cut into sub-blocks of the given size.
std::vector<uint8_t> Rechunk(const std::vector<uint8_t>& data, size_t size) {
  std::vector<uint8_t> codes;
  for (size_t pos = 1; data.at(pos) != 0; pos += data[pos] + 1u)
    codes.insert(codes.end(), data.begin() + static_cast<long>(pos) + 1,
                 data.begin() + static_cast<long>(pos + data[pos]) + 1);
  std::vector<uint8_t> out = {data[0]};
  for (size_t pos = 0; pos < codes.size(); pos += size) {
    const size_t n = std::min(size, codes.size() - pos);
    out.push_back(static_cast<uint8_t>(n));
    out.insert(out.end(), codes.begin() + static_cast<long>(pos), codes.begin() + static_cast<long>(pos + n));
  }
  out.push_back(0);
  return out;
}

TEST(LzwEncoder, ByteEqualToGiflibForEveryDepthSizeAndPattern) {
  const std::pair<int, int> sizes[] = {{1, 1}, {7, 3}, {64, 64}, {317, 211}, {1000, 1000}};
  uint32_t seed = 1;
  for (int bits : {1, 2, 4, 8})
    for (auto [w, h] : sizes)
      for (Pattern pattern : {Pattern::Random, Pattern::Runs, Pattern::Uniform}) {
        auto px = MakePixels(w, h, bits, pattern, seed++);
        SCOPED_TRACE("bits " + std::to_string(bits) + " size " + std::to_string(w) + "x" + std::to_string(h) +
                     " pattern " + std::to_string(static_cast<int>(pattern)));
        EXPECT_EQ(Encode(px, w, h, bits, false), giftest::GiflibImageData(px, w, h, bits, false));
      }
  // interlaced frames are coded in pass order
  for (int h : {1, 2, 3, 5, 9, 17}) {
    auto px = MakePixels(13, h, 4, Pattern::Random, 100u + static_cast<uint32_t>(h));
    EXPECT_EQ(Encode(px, 13, h, 4, true), giftest::GiflibImageData(px, 13, h, 4, true)) << "height " << h;
  }
}

TEST(LzwEncoder, EveryPixelIsRangeCheckedIncludingTheFirst) {
  for (auto px : {std::vector<uint8_t>{4, 0, 0, 0}, std::vector<uint8_t>{0, 0, 0, 4}}) {
    pf::TMemoryStream s;
    try {
      gif::EncodeImage(s, gif::CompressLZW, 2, 4, px.data(), false, 2, 2);
      FAIL() << "no exception";
    } catch (const gif::GIFException& e) {
      EXPECT_STREQ(e.what(), "Color not in color table");
    }
  }
}

TEST(RleEncoder, OutputDecodesIdenticallyWithGiflibAndOurs) {
  const std::pair<int, int> sizes[] = {{1, 1}, {5, 4}, {300, 200}, {1000, 1000}};
  uint32_t seed = 7;
  for (int bits : {1, 2, 8})
    for (auto [w, h] : sizes)
      for (Pattern pattern : {Pattern::Random, Pattern::Runs, Pattern::Uniform}) {
        auto px = MakePixels(w, h, bits, pattern, seed++);
        auto data = Encode(px, w, h, bits, false, gif::CompressRLE);
        auto oracle = giftest::GiflibRead(WrapInFile(data, w, h, bits));
        ASSERT_TRUE(oracle.ok) << oracle.error;
        EXPECT_EQ(oracle.frames.at(0).pixels, px);
        auto ours = Decode(data, w, h, false);
        EXPECT_EQ(ours.pixels, px);
        EXPECT_TRUE(ours.warnings.empty());
        if (pattern == Pattern::Uniform && w * h > 1000) {
          EXPECT_LT(data.size(), px.size() / 20);
        }
      }
}

TEST(LzwDecoder, ReadsGiflibOutputInBothRowOrders) {
  for (int bits : {1, 2, 4, 8})
    for (int h = 1; h <= 9; ++h)
      for (bool interlaced : {false, true}) {
        auto px = MakePixels(11, h, bits, Pattern::Random, static_cast<uint32_t>(bits * 100 + h));
        auto d = Decode(giftest::GiflibImageData(px, 11, h, bits, interlaced), 11, h, interlaced);
        EXPECT_EQ(d.pixels, px) << bits << " bits, height " << h << (interlaced ? " interlaced" : "");
        EXPECT_TRUE(d.warnings.empty());
      }
  auto big = MakePixels(1000, 1000, 8, Pattern::Random, 5);
  EXPECT_EQ(Decode(giftest::GiflibImageData(big, 1000, 1000, 8, false), 1000, 1000, false).pixels, big);
}

TEST(LzwDecoder, AnySubBlockSizeDecodesLikeGiflib) {
  // 8-bit random pixels run through every code width from 9 to 12 bits and a clear; 2-bit ones start at 3 bits
  for (int bits : {2, 8}) {
    const auto px = MakePixels(64, 64, bits, Pattern::Random, 11);
    const auto data = Encode(px, 64, 64, bits, false);
    for (size_t size = 1; size <= 255; ++size) {
      SCOPED_TRACE(std::to_string(bits) + " bits, sub-blocks of " + std::to_string(size));
      const auto chunked = Rechunk(data, size);
      const auto oracle = giftest::GiflibRead(WrapInFile(chunked, 64, 64, bits));
      ASSERT_TRUE(oracle.ok) << oracle.error;
      const auto ours = Decode(chunked, 64, 64, false);
      ASSERT_EQ(ours.pixels, oracle.frames.at(0).pixels);
      ASSERT_EQ(ours.pixels, px);
      EXPECT_TRUE(ours.warnings.empty());
      EXPECT_EQ(ours.consumed, static_cast<int64_t>(chunked.size()));
    }
  }
}

TEST(LzwDecoder, TruncatedDataKeepsTheFillValueAndWarnsOnce) {
  auto px = MakePixels(100, 100, 8, Pattern::Random, 9);
  auto data = Encode(px, 100, 100, 8, false);
  for (size_t cut : {size_t{700}, size_t{2 + 255}, size_t{2 + 256}, data.size() - 3}) {
    std::vector<uint8_t> part(data.begin(), data.begin() + static_cast<long>(cut));
    auto d = Decode(part, 100, 100, false, 77);
    ASSERT_EQ(d.warnings.size(), 1u) << "cut at " << cut;
    EXPECT_TRUE(d.warnings[0] == "Premature end of data" || d.warnings[0] == "Decoder bit buffer under-run");
    size_t same = 0;
    while (same < px.size() && d.pixels[same] == px[same]) ++same;
    EXPECT_GT(same, 0u);
    EXPECT_LT(same, px.size());
    // after the decoded part only the fill value remains (allowing for one partly decoded string)
    size_t tailStart = std::min(px.size(), same + 4096);
    for (size_t i = tailStart; i < px.size(); ++i) ASSERT_EQ(d.pixels[i], 77) << i;
  }
}

TEST(LzwDecoder, HostileDataStopsWithinBounds) {
  // minimum code size above 11
  {
    std::vector<uint8_t> data = {12, 1, 0xFF, 0};
    EXPECT_THROW(Decode(data, 4, 4, false), gif::GIFException);
  }
  // codes far beyond the next free code build prefix chains that loop; decoding must end with an exception or a
  // result, never hang or write outside the frame
  std::mt19937 rng(3);
  int exceptions = 0;
  for (int round = 0; round < 300; ++round) {
    std::vector<uint8_t> data = {static_cast<uint8_t>(rng() % 12)};
    for (int b = 0; b < 8; ++b) {
      data.push_back(255);
      for (int i = 0; i < 255; ++i) data.push_back(static_cast<uint8_t>(rng()));
    }
    data.push_back(0);
    try {
      Decode(data, 300, 300, round % 2 == 1);
    } catch (const gif::GIFException& e) {
      EXPECT_STREQ(e.what(), "Circular decoder table entry");
      ++exceptions;
    }
  }
  EXPECT_GT(exceptions, 0);
}

TEST(LzwDecoder, DataAfterTheLastPixelIsSkippedUpToTheTerminator) {
  // The data describe more rows than are decoded: the rest must be skipped so the next byte is the block after,
  // in one sub-block and over many.
  for (auto [size, bits, rows] : {std::tuple{4, 2, 1}, std::tuple{200, 8, 10}}) {
    auto px = MakePixels(size, size, bits, Pattern::Random, static_cast<uint32_t>(size));
    auto data = Encode(px, size, size, bits, false);
    data.push_back(0x3B);
    auto d = Decode(data, size, rows, false);
    EXPECT_EQ(std::vector<uint8_t>(px.begin(), px.begin() + size * rows), d.pixels) << size;
    EXPECT_EQ(d.consumed, static_cast<int64_t>(data.size()) - 1) << size;
  }
}

}  // namespace
