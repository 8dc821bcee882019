// The viewer's GIF reader: giflib-written files decode to giflib's indices and compose into the strip by the
// frame rules; damaged files fail with the reader's error numbers and messages; limits hold without large memory.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "gif/gif_image.h"
#include "platform/core/exceptions.h"
#include "tests/gif/giflib_oracle.h"
#include "viewer/viewer_gif.h"

namespace {

using namespace viewer;
using giftest::OracleFrame;
using giftest::OracleGif;

std::vector<uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

// Loads the bytes; returns "" or the message raised.
std::string Load(TGif& gif, const std::vector<uint8_t>& bytes) {
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
// Image data of 3-bit codes (minimum code size 2; the codes given stay below the first size change).
std::string Codes(std::initializer_list<int> codes) {
  std::string bytes;
  uint32_t acc = 0;
  int bits = 0;
  for (int c : codes) {
    acc |= static_cast<uint32_t>(c) << bits;
    for (bits += 3; bits >= 8; bits -= 8, acc >>= 8) bytes += static_cast<char>(acc & 0xFF);
  }
  if (bits > 0) bytes += static_cast<char>(acc);
  return std::string("\x02", 1) + static_cast<char>(bytes.size()) + bytes + std::string(1, '\0');
}
std::string Gce(int packed, int index = 0) {
  return std::string("!\xF9\x04", 3) + static_cast<char>(packed) + std::string("\0\0", 2) + static_cast<char>(index) +
         std::string(1, '\0');
}
const std::string kPixels01 = Codes({4, 0, 1, 5});  // pixels 0, 1

uint32_t MapColor(const std::vector<uint8_t>& map, int index) {
  if (3 * static_cast<size_t>(index) + 2 >= map.size()) return 0;
  return map[3 * index] | (map[3 * index + 1] << 8) | (map[3 * index + 2] << 16);
}

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
    color = MapColor(f.localMap.empty() ? g.globalMap : f.localMap, index);
    clear = false;
  }
  return {color, clear};
}

OracleGif Random(std::mt19937& rng, int w, int h, int frames, bool transparent, bool local, bool interlaced) {
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
    f.interlaced = interlaced;
    if (local && i % 2 == 1) f.localMap = map(4);
    const int colors = f.localMap.empty() ? 16 : 4;
    for (int p = 0; p < f.width * f.height; ++p) f.pixels.push_back(static_cast<uint8_t>(rng() % colors));
    if (transparent) f.transparent = i % colors;
    f.disposal = i % 4;
    f.delay = i;
    g.frames.push_back(f);
  }
  return g;
}

TEST(ViewerGif, GiflibFilesDecodeToTheirIndicesAndComposeByTheFrameRules) {
  std::mt19937 rng(24);
  struct Case {
    int w, h, frames;
    bool transparent, local, interlaced;
  } cases[] = {{37, 23, 1, false, false, false}, {9, 9, 1, false, false, true},  {16, 11, 4, true, true, false},
               {13, 17, 5, true, false, true},   {20, 6, 3, false, true, false}, {1, 1, 2, true, false, false}};
  for (const Case& c : cases) {
    const OracleGif written = Random(rng, c.w, c.h, c.frames, c.transparent, c.local, c.interlaced);
    const std::vector<uint8_t> file = giftest::GiflibWrite(written);
    const OracleGif oracle = giftest::GiflibRead(file);
    ASSERT_TRUE(oracle.ok) << oracle.error;
    TGif gif;
    ASSERT_EQ(Load(gif, file), "");
    ASSERT_EQ(gif.GetImageCount(), c.frames);
    EXPECT_EQ(gif.HasTransparency(), c.transparent);
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
          if (mask) {
            EXPECT_EQ(mask->GetPixel(s * c.w + x, y) == pf::clWhite, clear) << s << " " << x << "," << y;
          }
          if (!mask || !clear) {
            EXPECT_EQ(strip->GetPixel(s * c.w + x, y), color) << s << " " << x << "," << y;
          }
        }
  }
}

TEST(ViewerGif, ALibraryChartDecodesToItsWebColours) {
  pf::TBitmap chart(277, 200);
  chart.Canvas().Brush().SetColor(pf::RGB(255, 0, 0));
  chart.Canvas().FillRect(pf::Rect(20, 30, 120, 190));
  gif::TGifPicture picture;
  picture.Assign(chart);
  pf::TMemoryStream out;
  picture.SaveToStream(out);
  TGif gif;
  ASSERT_EQ(Load(gif, std::vector<uint8_t>(out.Memory(), out.Memory() + out.Size())), "");
  std::unique_ptr<pf::TBitmap> mask;
  auto strip = gif.GetStripBitmap(mask);
  EXPECT_EQ(mask, nullptr);
  ASSERT_EQ(strip->Width(), 277);
  for (auto [x, y] : {std::pair{0, 0}, {20, 30}, {119, 189}, {120, 190}, {276, 199}})
    EXPECT_EQ(strip->GetPixel(x, y), chart.GetPixel(x, y)) << x << "," << y;
}

TEST(ViewerGif, TolerancesOfTheReader) {
  TGif gif;
  // lower-case signature, no trailer after a complete image
  ASSERT_EQ(Load(gif, Bytes("gif89a" + Screen(2, 1).substr(6) + Image(2, 1, kPixels01))), "");
  EXPECT_EQ(gif.Image(0).Pixels, (std::vector<uint8_t>{0, 1}));
  // a first code beyond the table counts as 0; data after the last pixel are not read
  ASSERT_EQ(Load(gif, Bytes(Screen(2, 1) + Image(2, 1, Codes({4, 7, 1, 7, 7})) + ";")), "");
  EXPECT_EQ(gif.Image(0).Pixels, (std::vector<uint8_t>{0, 1}));
  // an image taller than the screen is cut; interlaced rows keep their places (data order: rows 0, 2, 1, 3)
  const std::vector<uint8_t> rows = {0, 0, 1, 1, 0, 1, 1, 0};
  for (bool interlaced : {false, true}) {
    OracleGif tall;
    tall.width = 2, tall.height = 2, tall.globalMap = {0, 0, 0, 255, 255, 255};
    OracleFrame frame;
    frame.width = 2, frame.height = 4, frame.interlaced = interlaced, frame.pixels = rows;
    tall.frames.push_back(frame);
    ASSERT_EQ(Load(gif, giftest::GiflibWrite(tall)), "");
    EXPECT_EQ(gif.GetImageHeight(0), 2);
    EXPECT_EQ(gif.Image(0).Pixels, std::vector<uint8_t>(rows.begin(), rows.begin() + 4)) << interlaced;
  }
  // the NETSCAPE loop count
  OracleGif looped;
  looped.width = looped.height = 1, looped.globalMap = {0, 0, 0, 1, 1, 1}, looped.loops = 7;
  OracleFrame dot;
  dot.width = dot.height = 1, dot.pixels = {1};
  looped.frames.push_back(dot);
  ASSERT_EQ(Load(gif, giftest::GiflibWrite(looped)), "");
  EXPECT_EQ(gif.GetLoopCount(), 7);
  ASSERT_EQ(Load(gif, Bytes(Screen(2, 1) + Image(2, 1, kPixels01))), "");
  EXPECT_EQ(gif.GetLoopCount(), -1);
  EXPECT_EQ(GifLastError(), 0);
}

TEST(ViewerGif, DamagedFilesRaiseTheirErrors) {
  const std::string img = Image(2, 1, kPixels01);
  struct Row {
    std::string bytes;
    int code;
    const char* message;
  } rows[] = {
      {"GIF90a" + Screen(2, 1).substr(6) + img, 1, "TGif: Invalid GIF Signature Code"},
      {"GIF8", 1, "TGif: Invalid GIF Signature Code"},
      {"GIF89a" + Le16(2) + Le16(1) + std::string(3, '\0') + img, 2, "TGif: No Local or Global Color Table for Image"},
      {Screen(2, 1) + "x", 4, "TGif: Unknown Graphics Operation Code"},
      {Screen(2, 1) + std::string("!\xF9\x05", 3) + img, 5, "TGif: Invalid Extension Block Size"},
      {Screen(2, 1) + std::string("!\x01\x0B", 3) + img, 5, "TGif: Invalid Extension Block Size"},
      {Screen(2, 1) + std::string("!\x02\x00", 3) + img, 6, "TGif: unknown extension: 0002"},
      {Screen(2, 1) + Gce(0).substr(0, 7) + "x" + img, 7, "TGif: Invalid Extension Block Terminator"},
      {Screen(2, 1) + Image(2, 1, std::string("\x0C\x01\x00\x00", 4)), 12, "TGif: Invalid LZW Code Size"},
      {Screen(2, 1) + Image(2, 1, Codes({4, 5})), 13, "TGif: Invalid LZW Data Format"},
      {Screen(2, 1) + Image(2, 1, Codes({4, 0, 7})), 13, "TGif: Invalid LZW Data Format"},
      {Screen(2, 1) + ";", 18, "TGif: No Image Description"},
      {Screen(2, 1) + Image(2, 1, std::string("\x02\x05\x44", 3)), 24, "TGif: Unexpected end of file"},
      {Screen(2, 1) + ",\0", 24, "TGif: Unexpected end of file"},
      {Screen(2, 1) + Image(0, 1, kPixels01), 26, "TGif: Zero width or height"},
  };
  for (const Row& r : rows) {
    TGif gif;
    EXPECT_EQ(Load(gif, Bytes(r.bytes)), r.message) << r.code;
    EXPECT_EQ(GifLastError(), r.code);
    EXPECT_EQ("TGif: " + GifLastErrorMessage(), r.message);
    EXPECT_EQ(gif.GetImageCount(), 0);
  }
  TGif gif;
  ASSERT_EQ(Load(gif, Bytes(Screen(2, 1) + img)), "");
  EXPECT_THROW(gif.GetImageDelay(1), pf::EInvalidGraphicOperation);
  EXPECT_EQ(GifLastError(), 15);
}

TEST(ViewerGif, StripSizeLimitsHoldIn64Bits) {
  // 1018 images of 1 x 1 on a screen 65535 pixels wide need a strip of over 200,000,000 bytes: refused while reading.
  std::string many = Screen(65535, 1);
  for (int i = 0; i < 1100; ++i) many += Image(1, 1, Codes({4, 1, 5}));
  TGif gif;
  EXPECT_EQ(Load(gif, Bytes(many)), "TGif: Animated GIF too large");
  // Two transparent frames on 5000 x 5000 (150,000,054 bytes) pass the plain limit but not the transparent one.
  const std::string one = Gce(1) + Image(1, 1, Codes({4, 1, 5}));
  ASSERT_EQ(Load(gif, Bytes(Screen(5000, 5000) + one + one)), "");
  std::unique_ptr<pf::TBitmap> mask;
  EXPECT_THROW(gif.GetStripBitmap(mask), pf::EInvalidGraphicOperation);
  EXPECT_EQ(GifLastError(), 25);
  // Pixel memory: an image claiming 65535 x 65535 on a tall screen is refused before it is allocated.
  EXPECT_EQ(Load(gif, Bytes(Screen(1, 65535) + Image(65535, 65535, kPixels01))), "TGif: Animated GIF too large");
}

}  // namespace
