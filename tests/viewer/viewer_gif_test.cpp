// The viewer's GIF reader: giflib-written files decode to giflib's indices and compose into the strip by the
// frame rules; damaged files fail with the reader's error numbers and messages; limits hold without large memory.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "platform/core/exceptions.h"
#include "tests/gif/giflib_oracle.h"
#include "viewer/viewer_gif.h"

namespace {

using namespace viewer;
using giftest::OracleFrame;
using giftest::OracleGif;

// Loads the bytes; returns "" or the message raised.
std::string Load(TGif& gif, const std::string& bytes) {
  pf::TReadOnlyMemoryStream in(bytes.data(), static_cast<int64_t>(bytes.size()));
  try {
    gif.LoadFromStream(in);
  } catch (const pf::EInvalidGraphicOperation& e) {
    return e.what();
  }
  return "";
}

std::string Le16(int v) { return {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)}; }
// A screen with a two-colour global table (black, white).
std::string Screen(int w, int h) { return "GIF89a" + Le16(w) + Le16(h) + std::string("\x80\0\0\0\0\0\xFF\xFF\xFF", 9); }
std::string Image(int w, int h, const std::string& data, int packed = 0) {
  return "," + Le16(0) + Le16(0) + Le16(w) + Le16(h) + static_cast<char>(packed) + data;
}
// Image data of 3-bit codes (minimum code size 2; at most two codes after each clear keep that size).
std::string Codes(std::initializer_list<int> codes) {
  std::string bytes;
  uint32_t acc = 0;
  int bits = 0;
  for (int c : codes)
    for (acc |= static_cast<uint32_t>(c) << bits, bits += 3; bits >= 8; bits -= 8, acc >>= 8)
      bytes += static_cast<char>(acc & 0xFF);
  if (bits > 0) bytes += static_cast<char>(acc);
  return std::string("\x02", 1) + static_cast<char>(bytes.size()) + bytes + std::string(1, '\0');
}
const std::string kGce = std::string("!\xF9\x04\x01\0\0\0", 7);  // transparent index 0, no terminator yet
const std::string kPixels01 = Codes({4, 0, 1, 5});

bool Inside(const OracleFrame& f, int x, int y) {
  return x >= f.left && y >= f.top && x < f.left + f.width && y < f.top + f.height;
}

// What slot s shows at (x, y): the colour (red low) and whether the mask leaves it transparent. Each frame starts
// from the one before; a disposed frame's rectangle turns transparent; a transparent pixel keeps what is below.
std::pair<uint32_t, bool> Expected(const OracleGif& g, int s, int x, int y) {
  uint32_t color = 0;
  bool clear = true;
  for (int i = 0; i <= s; ++i) {
    if (i > 0 && (g.frames[i - 1].disposal & 2) && Inside(g.frames[i - 1], x, y)) clear = true;
    const OracleFrame& f = g.frames[i];
    if (!Inside(f, x, y)) continue;
    const int index = f.pixels[(y - f.top) * f.width + x - f.left];
    if (index == f.transparent) continue;
    const uint8_t* rgb = (f.localMap.empty() ? g.globalMap : f.localMap).data() + 3 * index;
    color = rgb[0] | (rgb[1] << 8) | (rgb[2] << 16), clear = false;
  }
  return {color, clear};
}

// Frames at random places with random pixels; odd frames have a local map of 4 colours, disposals cycle 0 to 3.
OracleGif Random(std::mt19937& rng, int w, int h, int frames, bool transparent, bool interlaced) {
  OracleGif g;
  g.width = w, g.height = h;
  auto map = [&](int n) {
    std::vector<uint8_t> m(3 * static_cast<size_t>(n));
    for (auto& c : m) c = static_cast<uint8_t>(rng());
    return m;
  };
  g.globalMap = map(16);
  for (int i = 0; i < frames; ++i) {
    OracleFrame f;
    f.width = 1 + static_cast<int>(rng() % w), f.height = 1 + static_cast<int>(rng() % h);
    f.left = static_cast<int>(rng() % (w - f.width + 1)), f.top = static_cast<int>(rng() % (h - f.height + 1));
    f.interlaced = interlaced, f.disposal = i % 4, f.delay = i;
    if (i % 2 == 1) f.localMap = map(4);
    const int colors = f.localMap.empty() ? 16 : 4;
    for (int p = 0; p < f.width * f.height; ++p) f.pixels.push_back(static_cast<uint8_t>(rng() % colors));
    if (transparent) f.transparent = i % colors;
    g.frames.push_back(f);
  }
  return g;
}

TEST(ViewerGif, GiflibFilesDecodeToTheirIndicesAndComposeByTheFrameRules) {
  std::mt19937 rng(24);
  struct Case {
    int w, h, frames;
    bool transparent, interlaced;
  } cases[] = {{37, 23, 1, false, false}, {9, 9, 1, false, true},   {16, 11, 4, true, false},
               {13, 17, 5, true, true},   {20, 6, 3, false, false}, {1, 1, 2, true, false}};
  for (const Case& c : cases) {
    const std::vector<uint8_t> file =
        giftest::GiflibWrite(Random(rng, c.w, c.h, c.frames, c.transparent, c.interlaced));
    const OracleGif oracle = giftest::GiflibRead(file);
    ASSERT_TRUE(oracle.ok) << oracle.error;
    TGif gif;
    ASSERT_EQ(Load(gif, std::string(file.begin(), file.end())), "");
    ASSERT_EQ(gif.GetImageCount(), c.frames);
    for (int i = 0; i < c.frames; ++i) {
      EXPECT_EQ(gif.Image(i).Pixels, oracle.frames[i].pixels) << "frame " << i;
      EXPECT_EQ(gif.GetImageTransparentIndex(i), oracle.frames[i].transparent);
      EXPECT_EQ(gif.GetImageDisposal(i), oracle.frames[i].disposal);
      EXPECT_EQ(gif.GetImageDelay(i), std::max(1, oracle.frames[i].delay));
    }
    std::unique_ptr<pf::TBitmap> mask;
    auto strip = gif.GetStripBitmap(mask);
    ASSERT_EQ(strip->Width(), c.w * c.frames);
    ASSERT_EQ(mask != nullptr, c.transparent);
    for (int s = 0; s < c.frames; ++s)
      for (int y = 0; y < c.h; ++y)
        for (int x = 0; x < c.w; ++x) {
          auto [color, clear] = Expected(oracle, s, x, y);
          const bool shown = !mask || mask->GetPixel(s * c.w + x, y) == pf::clBlack;
          EXPECT_EQ(shown, !mask || !clear) << s << " " << x << "," << y;
          if (shown) {
            EXPECT_EQ(strip->GetPixel(s * c.w + x, y), color) << s << " " << x << "," << y;
          }
        }
  }
}

TEST(ViewerGif, ToleratedAndRefusedInput) {
  const std::string img = Image(2, 1, kPixels01), rows0213 = Codes({4, 0, 0, 4, 1, 1, 4, 0, 1, 4, 1, 0, 5});
  struct Row {
    std::string bytes;
    int error;
    std::vector<uint8_t> pixels;  // of the first image, when it loads
    std::string message = "no error";
  } rows[] = {
      {"gif89a" + Screen(2, 1).substr(6) + img, 0, {0, 1}},                   // lower case, no trailer
      {Screen(2, 1) + Image(2, 1, Codes({4, 7, 1, 7, 7})) + ";", 0, {0, 1}},  // a first code beyond the table is 0;
                                                                              // nothing after the last pixel is read
      {Screen(2, 2) + Image(2, 4, rows0213), 0, {0, 0, 1, 1}},                // cut to the screen
      {Screen(2, 2) + Image(2, 4, rows0213, 0x40), 0, {0, 0, 0, 1}},          // interlaced: rows 0, 2, 1, 3 in the data
      {"GIF90a" + Screen(2, 1).substr(6) + img, 1, {}, "Invalid GIF Signature Code"},
      {"GIF8", 1, {}, "Invalid GIF Signature Code"},
      {"GIF89a" + Le16(2) + Le16(1) + std::string(3, '\0') + img, 2, {}, "No Local or Global Color Table for Image"},
      {Screen(2, 1) + "x", 4, {}, "Unknown Graphics Operation Code"},
      {Screen(2, 1) + std::string("!\xF9\x05", 3) + img, 5, {}, "Invalid Extension Block Size"},
      {Screen(2, 1) + std::string("!\x01\x0B", 3) + img, 5, {}, "Invalid Extension Block Size"},
      {Screen(2, 1) + std::string("!\x02\x00", 3) + img, 6, {}, "unknown extension: 0002"},
      {Screen(2, 1) + kGce + "x" + img, 7, {}, "Invalid Extension Block Terminator"},
      {Screen(2, 1) + Image(2, 1, std::string("\x0C\x01\x00\x00", 4)), 12, {}, "Invalid LZW Code Size"},
      {Screen(2, 1) + Image(2, 1, Codes({4, 5})), 13, {}, "Invalid LZW Data Format"},
      {Screen(2, 1) + Image(2, 1, Codes({4, 0, 7})), 13, {}, "Invalid LZW Data Format"},
      {Screen(2, 1) + ";", 18, {}, "No Image Description"},
      {Screen(2, 1) + Image(2, 1, std::string("\x02\x05\x44", 3)), 24, {}, "Unexpected end of file"},
      {Screen(2, 1) + std::string(",\0", 2), 24, {}, "Unexpected end of file"},
      {Screen(2, 1) + Image(0, 1, kPixels01), 26, {}, "Zero width or height"},
  };
  for (const Row& r : rows) {
    TGif gif;
    EXPECT_EQ(Load(gif, r.bytes), r.error ? "TGif: " + r.message : "") << r.error;
    EXPECT_EQ(GifLastError(), r.error);
    EXPECT_EQ(GifLastErrorMessage(), r.message);
    if (r.error == 0) {
      EXPECT_EQ(gif.Image(0).Pixels, r.pixels);
    }
  }
  TGif gif;
  ASSERT_EQ(Load(gif, Screen(2, 1) + img), "");
  EXPECT_EQ(gif.GetLoopCount(), -1);
  EXPECT_THROW(gif.GetImageDelay(1), pf::EInvalidGraphicOperation);
  EXPECT_EQ(GifLastError(), 15);
  const std::string loop = std::string("!\xFF\x0BNETSCAPE2.0\x03\x01\x07\x00\x00", 19);
  ASSERT_EQ(Load(gif, Screen(2, 1) + loop + img), "");
  EXPECT_EQ(gif.GetLoopCount(), 7);
}

TEST(ViewerGif, StripSizeLimitsHoldIn64Bits) {
  // 1018 images of 1 x 1 on a screen 65535 pixels wide need a strip of over 200,000,000 bytes: refused while reading.
  std::string many = Screen(65535, 1);
  for (int i = 0; i < 1100; ++i) many += Image(1, 1, kPixels01);
  TGif gif;
  EXPECT_EQ(Load(gif, many), "TGif: Animated GIF too large");
  // Two transparent frames on 5000 x 5000 (150,000,054 bytes) pass the plain limit but not the transparent one.
  const std::string one = kGce + std::string(1, '\0') + Image(1, 1, kPixels01);
  ASSERT_EQ(Load(gif, Screen(5000, 5000) + one + one), "");
  std::unique_ptr<pf::TBitmap> mask;
  EXPECT_THROW(gif.GetStripBitmap(mask), pf::EInvalidGraphicOperation);
  EXPECT_EQ(GifLastError(), 25);
  // Pixel memory: an image claiming 65535 x 65535 on a tall screen is refused before it is allocated.
  EXPECT_EQ(Load(gif, Screen(1, 65535) + Image(65535, 65535, kPixels01)), "TGif: Animated GIF too large");
}

}  // namespace
