// pexu-image as a black box: PNG files written by libpng decode to libpng's pixels through the own PNG class and
// through GDI+; the project's pictures and the engine's chart GIFs load and convert as giflib and libpng read them;
// damaged pictures exit with 2 and say why.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "platform/graphics/bitmap.h"
#include "tests/engine/engine_test_support.h"
#include "tests/gif/giflib_oracle.h"
#include "tests/platform/graphics/png_oracle.h"

namespace fs = std::filesystem;

namespace {

struct ToolRun {
  int status;
  std::string out;
};

ToolRun Tool(const std::string& args, const std::string& environment = "") {
  int wait = -1;
  std::string out = enginetest::RunCommand(environment + " " + PEXU_IMAGE + " " + args + " 2>&1", &wait);
  return {WIFEXITED(wait) ? WEXITSTATUS(wait) : -1, out};
}

// The picture the tool wrote, as R, G, B bytes row by row.
pf::test::RgbImage ReadBmp(const std::string& path) {
  pf::TBitmap bitmap;
  bitmap.LoadFromFile(path);
  EXPECT_EQ(bitmap.PixelFormat(), pf::pf24bit);
  pf::test::RgbImage image{bitmap.Width(), bitmap.Height(), {}};
  for (int y = 0; y < image.height; ++y)
    for (int x = 0; x < image.width; ++x) {
      const pf::TColor c = bitmap.GetPixel(x, y);
      image.rgb.insert(image.rgb.end(), {pf::GetRValue(c), pf::GetGValue(c), pf::GetBValue(c)});
    }
  return image;
}

// Compares the tool's picture with the expected RGB bytes; a channel may differ by tolerance.
void ExpectPixels(const pf::test::RgbImage& got, const pf::test::RgbImage& want, int tolerance) {
  ASSERT_EQ(got.width, want.width);
  ASSERT_EQ(got.height, want.height);
  for (size_t i = 0; i < want.rgb.size(); ++i)
    if (std::abs(got.rgb[i] - want.rgb[i]) > tolerance) {
      ADD_FAILURE() << "pixel " << i / 3 << " channel " << i % 3 << ": " << int(got.rgb[i]) << " for "
                    << int(want.rgb[i]);
      return;
    }
}

constexpr uint8_t kBackground[3] = {0x33, 0x66, 0xCC};

// libpng's RGBA composed on the background: every alpha blended, or only alpha 0 (as a colour key) taken.
pf::test::RgbImage Compose(const pf::test::RgbImage& rgba, bool keyOnly) {
  pf::test::RgbImage out{rgba.width, rgba.height, {}};
  for (size_t i = 0; i < rgba.rgb.size(); i += 4) {
    const int a = keyOnly ? (rgba.rgb[i + 3] == 0 ? 0 : 255) : rgba.rgb[i + 3];
    for (int c = 0; c < 3; ++c)
      out.rgb.push_back(uint8_t((rgba.rgb[i + c] * a + kBackground[c] * (255 - a) + 127) / 255));
  }
  return out;
}

// Every colour type and depth, interlaced and not, with and without a transparent colour or palette alphas, and
// 16-bit RGB pictures whose pixels differ from their colour key in the low bytes only. The own PNG class keeps
// colours as libpng gives them with alpha stripped; of transparency it keeps the colour keys of RGB pictures and the
// first fully transparent palette entry (masked: the background shows), and drops alpha channels, partial palette
// alphas and grey keys. GDI+ composes every alpha on the background as libpng's alpha does, within rounding. Without
// GDI+ the default road is the own class.
TEST(PexuImage, LibpngPicturesDecodeToLibpngsPixels) {
  enginetest::TempDir dir;
  const std::string out = dir.File("out.bmp");
  const std::pair<int, int> kinds[] = {{0, 1}, {0, 2}, {0, 4}, {0, 8}, {0, 16}, {2, 8}, {2, 16}, {3, 1},
                                       {3, 2}, {3, 4}, {3, 8}, {4, 8}, {4, 16}, {6, 8}, {6, 16}};
  std::vector<pf::test::PngSpec> specs;
  for (auto [type, depth] : kinds)
    for (bool interlaced : {false, true})
      for (bool transparent : {false, true}) {
        pf::test::PngSpec spec(type, depth, interlaced);
        if (transparent && (type == 4 || type == 6)) continue;
        spec.keyFirstPixel = transparent && type != 3;
        if (transparent && type == 3)
          spec.paletteAlpha = depth == 1 ? std::vector<uint8_t>{255, 0} : std::vector<uint8_t>{255, 0, 128};
        specs.push_back(spec);
      }
  for (bool interlaced : {false, true}) {
    pf::test::PngSpec spec(2, 16, interlaced);
    spec.samples = {0x1234, 0x5678, 0x9ABC, 0x12FF, 0x5678, 0x9ABC, 0x1234, 0x5600, 0x9ABC,
                    0xFFFF, 0xFFFF, 0xFFFF, 0x1234, 0x5678, 0x9A00, 0,      0,      0};
    spec.trns = {0x1234, 0x5678, 0x9ABC};
    specs.push_back(spec);
  }
  for (const pf::test::PngSpec& spec : specs) {
    const int type = spec.colorType, depth = spec.depth;
    const bool transparent = spec.keyFirstPixel || !spec.trns.empty() || !spec.paletteAlpha.empty();
    SCOPED_TRACE(testing::Message() << "type " << type << " depth " << depth << " interlaced " << spec.interlaced
                                    << " transparent " << transparent << (spec.samples.empty() ? "" : " near key"));
    const std::string in = dir.File("in.png");
    const std::vector<uint8_t> file = pf::test::WritePng(spec);
    enginetest::WriteFile(in, std::string(file.begin(), file.end()));
    const pf::test::RgbImage rgba = pf::test::DecodePng(file, pf::test::Alpha::Keep);
    const bool keyed = transparent && type != 0;

    const ToolRun own = Tool("--own-png --background 3366CC " + in + " " + out);
    ASSERT_EQ(own.status, 0) << own.out;
    const pf::test::RgbImage ownPixels = ReadBmp(out);
    ExpectPixels(ownPixels, keyed ? Compose(rgba, true) : pf::test::DecodePng(file), 0);

    ASSERT_EQ(Tool("--background 3366CC " + in + " " + out).status, 0);
    ExpectPixels(ReadBmp(out), Compose(rgba, false), 2);

    ASSERT_EQ(Tool("--background 3366CC " + in + " " + out, "PEXU_GDIPLUS=missing").status, 0);
    ExpectPixels(ReadBmp(out), ownPixels, 0);
  }
  EXPECT_EQ(specs.size(), 54u);
}

// giflib's first frame over the background (black where it covers nothing, as a picture without transparency).
pf::test::RgbImage GiflibFrame(const giftest::OracleGif& gif) {
  const giftest::OracleFrame& f = gif.frames.at(0);
  const std::vector<uint8_t>& map = f.localMap.empty() ? gif.globalMap : f.localMap;
  pf::test::RgbImage image{gif.width, gif.height, std::vector<uint8_t>(size_t(gif.width * gif.height) * 3, 0)};
  if (f.transparent >= 0)
    for (size_t i = 0; i < image.rgb.size(); ++i) image.rgb[i] = kBackground[i % 3];
  for (int y = 0; y < f.height && f.top + y < gif.height; ++y)
    for (int x = 0; x < f.width && f.left + x < gif.width; ++x) {
      const uint8_t index = f.pixels[size_t(y * f.width + x)];
      if (index == f.transparent) continue;
      for (int c = 0; c < 3; ++c)
        image.rgb[size_t(((f.top + y) * gif.width + f.left + x) * 3 + c)] = map.at(index * 3u + c);
    }
  return image;
}

// The static pages' GIF, PNG and JPEG pictures and the statistics charts the engine writes.
TEST(PexuImage, TheProjectsPicturesAndChartsLoadAndConvert) {
  enginetest::TempDir data;
  fs::create_directories(data.File("Fragen"));
  fs::copy_file(PEXU_CATALOGUE, data.File("Fragen/KAEFragen.qst"));
  int status = -1;
  const std::string driver = enginetest::RunCommand(
      std::string(PEXU_DRIVER) + " --program '" + PEXU_SOURCE_DIR + "/resources' --data '" + data.Path() +
          "' --seed 3 submit PexuTA teil=T -- answer right=30 -- log -- statistics A 2>&1",
      &status);
  ASSERT_EQ(status, 0) << driver;
  std::vector<fs::path> files;
  for (const fs::path& folder : {fs::path(PEXU_SOURCE_DIR) / "resources/pics", fs::path(data.File("html"))})
    for (const auto& entry : fs::directory_iterator(folder))
      if (entry.path().extension() != ".html") files.push_back(entry.path());
  const auto charts = std::count_if(files.begin(), files.end(), [](const fs::path& p) {
    return p.filename().string().find("Statistik") != std::string::npos;
  });
  EXPECT_EQ(charts, 6);  // two charts for each part of class A
  const std::string out = data.File("out.bmp");
  for (const fs::path& file : files) {
    SCOPED_TRACE(file.string());
    const std::string bytes = enginetest::ReadFile(file.string());
    const std::vector<uint8_t> raw(bytes.begin(), bytes.end());
    const ToolRun run = Tool("--background 3366CC '" + file.string() + "' " + out);
    ASSERT_EQ(run.status, 0) << run.out;
    const pf::test::RgbImage pixels = ReadBmp(out);
    std::string format = "JPEG", transparency = "none", frames = "1";
    if (file.extension() == ".gif") {
      const giftest::OracleGif gif = giftest::GiflibRead(raw);
      ASSERT_TRUE(gif.ok) << gif.error;
      format = bytes.substr(0, 6), frames = std::to_string(gif.frames.size());
      if (gif.frames[0].transparent >= 0) transparency = "mask";
      ExpectPixels(pixels, GiflibFrame(gif), 0);
    } else if (file.extension() == ".png") {
      const pf::test::RgbImage rgba = pf::test::DecodePng(raw, pf::test::Alpha::Keep);
      format = "PNG";
      for (size_t i = 3; i < rgba.rgb.size(); i += 4)
        if (rgba.rgb[i] != 255) transparency = "alpha";
      ExpectPixels(pixels, Compose(rgba, false), 2);
    }
    EXPECT_EQ(Tool("--info '" + file.string() + "'").out,
              "format " + format + "\nsize " + std::to_string(pixels.width) + "x" + std::to_string(pixels.height) +
                  "\nframes " + frames + "\ntransparency " + transparency + "\n");
  }
}

// A GIF whose logical screen is 32,768 x 1,792 and whose one frame is a single opaque pixel (35 bytes): its bitmap
// is composed once, straight into the bitmap the loader answers, and without a mask. Loading it takes less than
// one 32-bit bitmap of the screen more than loading the same frame on a screen of one pixel.
TEST(PexuImage, AOneFrameGifIsComposedOnce) {
  enginetest::TempDir dir;
  auto write = [&](const std::string& name, int width, int height) {
    giftest::OracleGif gif;
    gif.width = width, gif.height = height, gif.globalMap = {0, 0, 0, 255, 255, 255};
    giftest::OracleFrame frame;
    frame.width = frame.height = 1, frame.pixels = {1};
    gif.frames.push_back(frame);
    const std::vector<uint8_t> bytes = giftest::GiflibWrite(gif);
    enginetest::WriteFile(dir.File(name), std::string(bytes.begin(), bytes.end()));
    return dir.File(name);
  };
  constexpr int kWidth = 32768, kHeight = 1792;
  const std::string small = write("small.gif", 1, 1), large = write("large.gif", kWidth, kHeight);
  EXPECT_EQ(fs::file_size(large), 35u);
  const enginetest::RunCost base = enginetest::RunMeasured({PEXU_IMAGE, "--info", small}, dir.File("small.txt"));
  const enginetest::RunCost cost = enginetest::RunMeasured({PEXU_IMAGE, "--info", large}, dir.File("large.txt"));
  ASSERT_EQ(base.status, 0);
  ASSERT_EQ(cost.status, 0);
  EXPECT_EQ(enginetest::ReadFile(dir.File("large.txt")),
            "format GIF89a\nsize 32768x1792\nframes 1\ntransparency none\n");
  const long screen32Kilobytes = long(kWidth) * kHeight * 4 / 1024;
  EXPECT_LT(cost.peakKilobytes - base.peakKilobytes, screen32Kilobytes)
      << cost.peakKilobytes << " kB against " << base.peakKilobytes << " kB";
}

// Damaged or missing pictures: exit 2 and the reason, on both roads for PNG data.
TEST(PexuImage, PicturesThatDoNotLoadExitWithTheirReason) {
  enginetest::TempDir dir;
  const std::string pics = std::string(PEXU_SOURCE_DIR) + "/resources/pics/";
  const std::string png = enginetest::ReadFile(pics + "ta105.png");
  std::string badCrc = png;
  badCrc[badCrc.find("IDAT") + 10] ^= 0x55;
  const struct {
    const char* name;
    std::string bytes;
    const char* options;
    const char* reason;
  } cases[] = {
      {"cut.png", png.substr(0, 100), "", "Can't load image"},
      {"cut.png", png.substr(0, 100), "--own-png", "corrupted data"},
      {"crc.png", badCrc, "--own-png", "corrupted data"},
      {"cut.gif", enginetest::ReadFile(pics + "hglogo.gif").substr(0, 50), "", "TGif: Unexpected end of file"},
      {"cut.jpg", enginetest::ReadFile(pics + "seitenkopf.jpg").substr(0, 300), "", "JPEG"},
      {"text.gif", std::string(40, 'x'), "", "Bitmap image is not valid"},
      {"wide0.gif",
       enginetest::ReadFile(std::string(PEXU_SOURCE_DIR) + "/tests/data/fuzz/image_load/gif_screen_width_0.gif"), "",
       "no pixels"},
      {"short.png", "\x89PNG\r\n", "", "too short"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " " + c.options);
    enginetest::WriteFile(dir.File(c.name), c.bytes);
    for (const std::string& files : {dir.File(c.name) + " " + dir.File("out.bmp"), "--info " + dir.File(c.name)}) {
      const ToolRun run = Tool(std::string(c.options) + " " + files);
      EXPECT_EQ(run.status, 2) << run.out;
      EXPECT_NE(run.out.find(c.reason), std::string::npos) << run.out;
    }
  }
  EXPECT_FALSE(fs::exists(dir.File("out.bmp")));
  const ToolRun missing = Tool(dir.File("none.gif") + " " + dir.File("out.bmp"));
  EXPECT_EQ(missing.status, 2);
  EXPECT_NE(missing.out.find("not found"), std::string::npos) << missing.out;
}

}  // namespace
