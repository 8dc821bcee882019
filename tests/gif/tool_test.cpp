// gif-tool end to end: files it writes decode with giflib to the expected indices, and it reads giflib's files.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/graphics/bitmap.h"
#include "tests/gif/giflib_oracle.h"

namespace {

namespace fs = std::filesystem;

struct ToolRun {
  int status;
  std::string out;
};

ToolRun Tool(const std::string& args) {
  std::string command = std::string(GIF_TOOL) + " " + args + " 2>&1";
  ToolRun r{-1, ""};
  FILE* p = popen(command.c_str(), "r");
  if (p == nullptr) return r;
  char buffer[512];
  while (size_t n = fread(buffer, 1, sizeof buffer, p)) r.out.append(buffer, n);
  r.status = pclose(p);
  return r;
}

std::vector<uint8_t> ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

int WebIndex(uint8_t r, uint8_t g, uint8_t b) { return (b + 3) / 51 + 6 * ((g + 3) / 51) + 36 * ((r + 3) / 51); }

TEST(GifTool, EncodeDecodeAndInfo) {
  const fs::path dir = fs::temp_directory_path() / ("gif-tool-test-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  pf::TBitmap source;
  source.SetPixelFormat(pf::pf24bit);
  source.SetSize(13, 5);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 13; ++x)
      source.SetPixel(x, y, pf::RGB(static_cast<uint8_t>(x * 20), static_cast<uint8_t>(y * 60), 130));
  source.SaveToFile((dir / "in.bmp").string());

  ASSERT_EQ(Tool("encode " + (dir / "in.bmp").string() + " " + (dir / "out.gif").string()).status, 0);
  auto oracle = giftest::GiflibRead(ReadFile(dir / "out.gif"));
  ASSERT_TRUE(oracle.ok) << oracle.error;
  ASSERT_EQ(oracle.frames.size(), 1u);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 13; ++x)
      ASSERT_EQ(oracle.frames[0].pixels[static_cast<size_t>(y * 13 + x)],
                WebIndex(uint8_t(x * 20), uint8_t(y * 60), 130));

  ASSERT_EQ(Tool("decode " + (dir / "out.gif").string() + " " + (dir / "back.bmp").string()).status, 0);
  pf::TBitmap back;
  back.LoadFromFile((dir / "back.bmp").string());
  EXPECT_EQ(back.PixelFormat(), pf::pf24bit);
  EXPECT_EQ(back.GetPixel(12, 4), pf::RGB(204, 204, 102));  // (240, 240, 130) at web levels 4, 4, 2

  giftest::OracleGif in;
  in.width = 20, in.height = 10;
  in.globalMap = {0, 0, 0, 255, 255, 255};
  for (int i = 0; i < 2; ++i) {
    giftest::OracleFrame f;
    f.left = i * 3, f.top = i, f.width = 5, f.height = 4, f.delay = 7 * i, f.disposal = i + 1,
    f.transparent = i == 0 ? -1 : 1;
    f.pixels.assign(20, static_cast<uint8_t>(i));
    in.frames.push_back(f);
  }
  auto two = giftest::GiflibWrite(in);
  std::ofstream(dir / "two.gif", std::ios::binary)
      .write(reinterpret_cast<const char*>(two.data()), static_cast<long>(two.size()));
  ToolRun info = Tool("info " + (dir / "two.gif").string());
  EXPECT_EQ(info.status, 0);
  EXPECT_EQ(info.out,
            "version 89a\nscreen 20x10\n"
            "frame 0: position 0,0 size 5x4 colors 2 transparent - delay 0 disposal 1\n"
            "frame 1: position 3,1 size 5x4 colors 2 transparent 1 delay 7 disposal 2\n");
  ASSERT_EQ(Tool("decode " + (dir / "two.gif").string() + " " + (dir / "f1.bmp").string() + " 1").status, 0);
  pf::TBitmap f1;
  f1.LoadFromFile((dir / "f1.bmp").string());
  EXPECT_EQ(f1.Width(), 5);
  EXPECT_EQ(f1.GetPixel(0, 0), pf::clWhite);

  fs::remove_all(dir);
}

}  // namespace
