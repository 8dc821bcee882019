// Pictures: JPEG decoding against libjpeg's own encoder, the graphic registry and TPicture, palettes.
#include <gtest/gtest.h>
#include <jpeglib.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "platform/core/exceptions.h"
#include "platform/core/streams.h"
#include "platform/graphics/bitmap.h"
#include "platform/graphics/canvas.h"
#include "platform/graphics/jpeg.h"
#include "tests/platform/core/test_helpers.h"

namespace pf {
namespace {

// The test picture: smooth gradients, so that JPEG keeps every pixel close.
uint8_t Channel(int x, int y, int c) { return uint8_t(c == 0 ? x * 4 : c == 1 ? y * 4 : 128 + (x + y)); }

// A JPEG written by libjpeg itself (quality 95, no chroma subsampling): grey (1 component), RGB (3) or CMYK (4,
// stored with an Adobe marker: a channel's value is what remains of its colour, black 255).
std::vector<uint8_t> WriteJpeg(int w, int h, int components = 3) {
  jpeg_compress_struct info;
  jpeg_error_mgr err;
  info.err = jpeg_std_error(&err);
  jpeg_create_compress(&info);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &out, &size);
  info.image_width = JDIMENSION(w);
  info.image_height = JDIMENSION(h);
  info.input_components = components;
  info.in_color_space = components == 1 ? JCS_GRAYSCALE : components == 3 ? JCS_RGB : JCS_CMYK;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 95, TRUE);
  for (int i = 0; i < info.num_components; ++i) info.comp_info[i].h_samp_factor = info.comp_info[i].v_samp_factor = 1;
  jpeg_start_compress(&info, TRUE);
  std::vector<uint8_t> row(size_t(w) * size_t(components));
  while (info.next_scanline < info.image_height) {
    int y = int(info.next_scanline);
    for (int x = 0; x < w; ++x)
      for (int c = 0; c < components; ++c)
        row[size_t(x * components + c)] = c == 3 ? 255 : Channel(x, y, components == 1 ? 1 : c);
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&info, rows, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  std::vector<uint8_t> bytes(out, out + size);
  std::free(out);
  return bytes;
}

void LoadJpeg(TJPEGImage& image, const std::vector<uint8_t>& bytes) {
  TReadOnlyMemoryStream s(bytes.data(), int64_t(bytes.size()));
  image.LoadFromStream(s);
}

TEST(Jpeg, DecodesWithinTwoPerChannelAsBlueGreenRed) {
  for (int components : {3, 1, 4}) {
    SCOPED_TRACE(components);
    TJPEGImage image;
    int changes = 0;
    image.OnChange = [&](TPersistent&) { ++changes; };
    LoadJpeg(image, WriteJpeg(37, 21, components));
    EXPECT_EQ(changes, 1);
    ASSERT_EQ(image.Width(), 37);
    ASSERT_EQ(image.Height(), 21);
    const TBitmap& b = image.Bitmap();
    ASSERT_EQ(b.PixelFormat(), pf24bit);
    int worst = 0;
    for (int y = 0; y < 21; ++y)
      for (int x = 0; x < 37; ++x)
        for (int c = 0; c < 3; ++c) {
          int expected = Channel(x, y, components == 1 ? 1 : c);
          int got = b.ScanLine(y)[3 * x + (2 - c)];  // stored B, G, R
          worst = std::max(worst, std::abs(got - expected));
        }
    EXPECT_LE(worst, 2);
    // Drawn like any graphic, and handed to a bitmap by Assign.
    TBitmap copy;
    copy.Assign(image);
    EXPECT_EQ(copy.GetPixel(5, 6), b.GetPixel(5, 6));
    TBitmap canvas(40, 30, pf24bit);
    canvas.Canvas().Draw(2, 3, image);
    EXPECT_EQ(canvas.GetPixel(2 + 5, 3 + 6), b.GetPixel(5, 6));
  }
}

TEST(Jpeg, DamagedDataRaiseTheLayersExceptionAndKeepThePicture) {
  std::vector<uint8_t> good = WriteJpeg(16, 16);
  TJPEGImage image;
  LoadJpeg(image, good);
  for (size_t cut : {size_t(0), size_t(3), size_t(100), good.size() / 2, good.size() - 2}) {
    SCOPED_TRACE(cut);
    EXPECT_THROW(LoadJpeg(image, std::vector<uint8_t>(good.begin(), good.begin() + long(cut))), EInvalidGraphic);
  }
  std::vector<uint8_t> bad = good;
  for (size_t i = 0; i + 4 < bad.size(); ++i)
    if (bad[i] == 0xFF && bad[i + 1] == 0xC0) {
      bad[i + 4] = 7;  // a sample precision of 7 bits
      break;
    }
  EXPECT_THROW(LoadJpeg(image, bad), EInvalidGraphic);
  EXPECT_EQ(image.Width(), 16);
  TMemoryStream saved;
  image.SaveToStream(saved);
  EXPECT_EQ(saved.Size(), int64_t(good.size()));
  EXPECT_THROW(image.SetWidth(3), EInvalidGraphicOperation);
}

// A bitmap class that reports progress while it loads, and on request.
class ProgressBitmap : public TBitmap {
 public:
  std::string ClassName() const override { return "ProgressBitmap"; }
  void LoadFromStream(TStream& stream) override {
    Report(psStarting);
    TBitmap::LoadFromStream(stream);
  }
  void Report(TProgressStage stage) { Progress(*this, stage, 50, false, Rect(0, 0, 1, 1), "half"); }
};

TEST(Pictures, FilesPickTheirClassByExtensionAndPassOnProgress) {
  namespace fs = std::filesystem;
  fs::path dir = fs::temp_directory_path() / ("pexu_graphics_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  auto jpegClass = [] { return std::make_unique<TJPEGImage>(); };
  TPicture::RegisterFileFormat("jpg", "JPEG pictures", "TJPEGImage", jpegClass);
  TPicture::RegisterFileFormat(".JPEG", "JPEG pictures", "TJPEGImage", jpegClass);
  TPicture::RegisterFileFormat("tpg", "Progress test", "ProgressBitmap",
                               [] { return std::make_unique<ProgressBitmap>(); });
  TJPEGImage photo;
  LoadJpeg(photo, WriteJpeg(8, 4));
  photo.SaveToFile((dir / "photo.JPG").string());
  TBitmap bmp(3, 2, pf24bit);
  bmp.SaveToFile((dir / "small.bmp").string());
  bmp.SaveToFile((dir / "small.tpg").string());

  TPicture picture;
  int changes = 0;
  picture.OnChange = [&](TPersistent&) { ++changes; };
  picture.LoadFromFile((dir / "photo.JPG").string());
  ASSERT_NE(dynamic_cast<TJPEGImage*>(picture.Graphic()), nullptr);
  EXPECT_EQ(picture.Width(), 8);
  picture.LoadFromFile((dir / "small.bmp").string());
  EXPECT_EQ(picture.Bitmap().Width(), 3);
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(test::MessageOf<EInvalidGraphic>([&] { picture.LoadFromFile((dir / "notes.xyz").string()); }),
            "Unknown picture file extension (.xyz)");
  EXPECT_EQ(picture.Width(), 3);  // the picture held stays
  EXPECT_NE(TPicture::GraphicFilter().find("JPEG pictures (*.jpeg)|*.jpeg"), std::string::npos);

  // A graphic's progress reaches the picture while it loads and afterwards.
  std::vector<TProgressStage> stages;
  picture.OnProgress = [&](const TPersistent&, TProgressStage stage, uint8_t percent, bool, const TRect&,
                           const std::string& msg) {
    stages.push_back(stage);
    EXPECT_EQ(percent, 50);
    EXPECT_EQ(msg, "half");
  };
  picture.LoadFromFile((dir / "small.tpg").string());
  dynamic_cast<ProgressBitmap&>(*picture.Graphic()).Report(psEnding);
  EXPECT_EQ(stages, (std::vector<TProgressStage>{psStarting, psEnding}));

  TPicture::UnregisterGraphicClass("ProgressBitmap");
  TPicture::UnregisterGraphicClass("TJPEGImage");
  EXPECT_EQ(TPicture::CreateGraphicForExtension("jpg"), nullptr);
  EXPECT_NE(TPicture::CreateGraphicForExtension("BMP"), nullptr);
  TPicture::RegisterFileFormat("jpg", "JPEG Image File", "TJPEGImage", jpegClass);
  fs::remove_all(dir);
}

// Damaged pictures of every kind either load or raise EInvalidGraphic, within bounded time and memory.
TEST(DecoderRobustness, MutatedFilesNeverCrash) {
  std::vector<std::vector<uint8_t>> seeds;
  for (TPixelFormat f : {pf1bit, pf4bit, pf8bit, pf16bit, pf24bit, pf32bit}) {
    TBitmap b(9, 5, f);
    b.SetPixel(2, 3, clRed);
    TMemoryStream m;
    b.SaveToStream(m);
    seeds.emplace_back(m.Memory(), m.Memory() + m.Size());
  }
  std::vector<uint8_t> jpeg = WriteJpeg(24, 16);
  uint32_t seed = 12345;
  auto next = [&seed](uint32_t n) {
    seed = seed * 134775813u + 1;
    return uint32_t((uint64_t(seed) * n) >> 32);
  };
  int loaded = 0, refused = 0;
  for (int round = 0; round < 400; ++round) {
    bool isJpeg = round % 4 == 3;
    std::vector<uint8_t> data = isJpeg ? jpeg : seeds[next(uint32_t(seeds.size()))];
    for (uint32_t k = 0, n = 1 + next(6); k < n; ++k) data[next(uint32_t(data.size()))] = uint8_t(next(256));
    if (next(4) == 0) data.resize(next(uint32_t(data.size())));
    TReadOnlyMemoryStream s(data.data(), int64_t(data.size()));
    try {
      if (isJpeg) {
        TJPEGImage image;
        image.LoadFromStream(s);
      } else {
        TBitmap b;
        b.LoadFromStream(s);
      }
      ++loaded;
    } catch (const EInvalidGraphic&) {
      ++refused;
    }
  }
  EXPECT_GT(loaded, 0);
  EXPECT_GT(refused, 0);
}

TEST(Palettes, HandlesEntriesAndTheStockPalettes) {
  HPALETTE stock = DefaultPalette();
  EXPECT_EQ(stock, DefaultPalette());
  ASSERT_EQ(GetPaletteEntries(stock, 0, 0, nullptr), 20);
  TPaletteEntry e[4];
  EXPECT_EQ(GetPaletteEntries(stock, 18, 4, e), 2);
  EXPECT_EQ(e[1], (TPaletteEntry{255, 255, 255, 0}));
  EXPECT_EQ(GetPaletteEntries(stock, 20, 1, e), 0);
  HPALETTE copy = CopyPalette(stock);
  EXPECT_FALSE(copy == stock);
  EXPECT_EQ(copy.Entries(), stock.Entries());

  HPALETTE half = CreateHalftonePalette();
  ASSERT_EQ(half.Entries().size(), 256u);
  for (size_t i = 0; i < 256; ++i)
    for (size_t j = i + 1; j < 256; ++j) ASSERT_FALSE(half.Entries()[i] == half.Entries()[j]) << i << " " << j;
  EXPECT_EQ(GetNearestPaletteIndex(half, RGB(50, 100, 150)), GetNearestPaletteIndex(half, RGB(51, 102, 153)));
  EXPECT_EQ(half.Entries()[size_t(GetNearestPaletteIndex(half, RGB(50, 100, 150)))], (TPaletteEntry{51, 102, 153, 0}));
  EXPECT_FALSE(CreatePalette(nullptr, 0));
  std::vector<TPaletteEntry> tooMany(257);
  EXPECT_FALSE(CreatePalette(tooMany.data(), 257));
  DeleteObject(copy);
  EXPECT_FALSE(copy);

  TBitmap b(1, 1, pf24bit);
  EXPECT_FALSE(SelectPalette(b.Canvas(), half, false));
  EXPECT_EQ(SelectPalette(b.Canvas(), nullptr, false), half);
  EXPECT_EQ(RealizePalette(b.Canvas()), 0);
  EXPECT_EQ(ColorToRGB(clBtnFace), RGB(212, 208, 200));
  EXPECT_EQ(ColorToRGB(clNone), clNone);
  EXPECT_EQ(ColorToRGB(RGB(1, 2, 3)), RGB(1, 2, 3));
  SetScreenBitsPerPixelOverride(8);
  EXPECT_EQ(ScreenBitsPerPixel(), 8);
  EXPECT_EQ(TBitmap(1, 1).Canvas().GetDeviceCaps(BITSPIXEL), 8);
  SetScreenBitsPerPixelOverride(0);
  EXPECT_EQ(ScreenBitsPerPixel(), 32);
}

}  // namespace
}  // namespace pf
