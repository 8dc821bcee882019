// PNG pictures: decoding against libpng on every colour type, depth, filter and interlace; files written by the class
// checked by pngcheck and libpng; damaged files; the format faults mended (tIME, RGB tRNS, 16-bit grey filters,
// chunk order on writing, gamma).
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>
#include <filesystem>
#include <functional>

#include "platform/core/streams.h"
#include "platform/graphics/png_image.h"
#include "png_oracle.h"

namespace pf {
namespace {

using test::Chunk;
using test::ChunkData;
using test::ChunkTypes;
using test::DecodePng;
using test::PngSpec;
using test::WritePng;
using Bytes = std::vector<uint8_t>;

// The text of the PNG error that f raises (after the common prefix, which must be there), or "(no exception)".
std::string PngError(const std::function<void()>& f) {
  const std::string prefix = "Portable Network Graphics format handler error\r\n\r\n";
  try {
    f();
  } catch (const EPNGImageException& e) {
    return e.Message().starts_with(prefix) ? e.Message().substr(prefix.size()) : "no prefix: " + e.Message();
  }
  return "(no exception)";
}

void Load(TPNGImage& image, const Bytes& file) {
  TReadOnlyMemoryStream stream(file.data(), int64_t(file.size()));
  image.LoadFromStream(stream);
}

Bytes Save(const TPNGImage& image) {
  TMemoryStream stream;
  image.SaveToStream(stream);
  return Bytes(stream.Memory(), stream.Memory() + stream.Size());
}

// "" when the bitmap shows libpng's pixels, else how many differ and where the first is.
std::string Differences(const TBitmap& bitmap, const test::RgbImage& ref) {
  if (ref.width != bitmap.Width() || ref.height != bitmap.Height()) return "libpng refused the file or sizes differ";
  int count = 0, first = -1;
  for (int i = 0; i < ref.width * ref.height; ++i) {
    const uint8_t* p = &ref.rgb[size_t(i) * 3];
    if (bitmap.GetPixel(i % ref.width, i / ref.width) != RGB(p[0], p[1], p[2]) && count++ == 0) first = i;
  }
  return count ? std::to_string(count) + " pixels differ, the first at x " + std::to_string(first % ref.width) + " y " +
                     std::to_string(first / ref.width)
               : "";
}

struct Combo {
  int colorType;
  int depth;
  TPixelFormat format;
};
const Combo kCombos[] = {{0, 1, pf1bit},  {0, 2, pf4bit},   {0, 4, pf4bit},  {0, 8, pf8bit},  {0, 16, pf8bit},
                         {2, 8, pf24bit}, {2, 16, pf24bit}, {3, 1, pf1bit},  {3, 2, pf4bit},  {3, 4, pf4bit},
                         {3, 8, pf8bit},  {4, 8, pf8bit},   {4, 16, pf8bit}, {6, 8, pf24bit}, {6, 16, pf24bit}};

// Alpha is dropped as the picture class defines it, so libpng's pixels are taken with the alpha stripped.
TEST(PngOracle, EveryColourTypeDepthFilterAndInterlaceDecodesAsLibpng) {
  for (const Combo& c : kCombos)
    for (bool interlaced : {false, true})
      for (int filter = -1; filter <= 4; ++filter)
        for (auto [w, h] : {std::pair{19, 13}, std::pair{1, 1}, std::pair{3, 9}, std::pair{601, 500}}) {
          // Forced filters on the first size; the large one (its rows come in several batches) with Up and free.
          if ((filter >= 0 && w != 19 && w != 601) || (w == 601 && (c.depth < 8 || (filter != -1 && filter != 2))))
            continue;
          PngSpec spec{c.colorType, c.depth, interlaced, filter, w, h};
          SCOPED_TRACE(testing::Message() << "type " << c.colorType << " depth " << c.depth << " interlaced "
                                          << interlaced << " filter " << filter << " size " << w << "x" << h);
          Bytes file = WritePng(spec);
          TPNGImage image;
          Load(image, file);
          EXPECT_EQ(image.PixelFormat(), c.format);
          EXPECT_EQ(Differences(image, DecodePng(file)), "");
        }
}

TEST(PngOracle, GammaCorrectionMatchesLibpngForADisplayGammaOf22) {
  for (int type : {0, 2, 3})
    for (int gamma : {100000, 45455, 220000}) {
      SCOPED_TRACE(testing::Message() << "type " << type << " gamma " << gamma);
      PngSpec spec{type, 8};
      spec.gamma = gamma;
      Bytes file = WritePng(spec);
      TPNGImage image;
      Load(image, file);
      EXPECT_EQ(Differences(image, DecodePng(file, test::Alpha::Strip, 2.2)), "");
      // Saving takes the correction back: the file loads to the same colours again.
      TPNGImage again;
      Load(again, Save(image));
      EXPECT_EQ(Differences(again, DecodePng(file, test::Alpha::Strip, 2.2)), "");
    }
}

// Runs pngcheck on the file; "" when it finds the file OK, else what it says.
std::string PngCheck(const Bytes& file) {
  std::string path = test::TempFile("check.png", file), output;
  std::FILE* p = ::popen(("pngcheck -v " + path + " 2>&1").c_str(), "r");
  for (char line[256]; std::fgets(line, sizeof line, p);) output += line;
  int status = ::pclose(p);
  std::filesystem::remove(path);
  return status == 0 ? "" : output;
}

TEST(PngWriter, EveryBitmapFormatPassesPngcheckAndDecodesToItsPixelsInLibpng) {
  for (TPixelFormat format : {pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfDevice})
    for (uint8_t filters : {uint8_t(kPngFilterDefault), uint8_t(0), uint8_t(31)}) {
      SCOPED_TRACE(testing::Message() << "format " << format << " filters " << int(filters));
      TPNGImage image;
      image.SetPixelFormat(format);
      image.SetSize(37, 11);
      for (int y = 0; y < 11; ++y)
        for (int x = 0; x < 37; ++x) image.SetPixel(x, y, RGB(uint8_t(x * 7), uint8_t(y * 23), uint8_t(x * y)));
      image.SetFilters(filters);
      Bytes file = Save(image);
      EXPECT_EQ(PngCheck(file), "");
      EXPECT_EQ(Differences(image, DecodePng(file)), "");
      bool palette = format == pf1bit || format == pf4bit || format == pf8bit;
      EXPECT_EQ(ChunkTypes(file), palette ? "IHDR PLTE IDAT IEND" : "IHDR IDAT IEND");
    }
}

TEST(PngWriter, KeepsGammaAndTimeDropsTextAndOrdersChunksAsTheFormatRequires) {
  PngSpec spec{2, 8};
  spec.gamma = 45455;
  spec.time = spec.text = true;
  spec.trns = {10, 20, 30};
  Bytes file = WritePng(spec);
  TPNGImage image;
  Load(image, file);
  EXPECT_TRUE(image.Transparent());
  EXPECT_EQ(image.TransparentColor(), RGB(10, 20, 30));
  // gAMA moved behind IEND still goes before the palette and image data.
  image.Chunks().Move(image.Chunks().IndexOfClass(&TChunkGAMA::Class), image.Chunks().Count() - 1);
  Bytes saved = Save(image);
  EXPECT_EQ(PngCheck(saved), "");
  EXPECT_EQ(ChunkTypes(saved), "IHDR tIME gAMA tRNS IDAT IEND");
  EXPECT_EQ(ChunkData(saved, "tRNS"), (Bytes{0, 10, 0, 20, 0, 30}));
  EXPECT_EQ(ChunkData(saved, "tIME"), ChunkData(file, "tIME"));
  // As a palette picture: the palette before the data, and no tRNS (it would carry nothing).
  image.SetPixelFormat(pf8bit);
  saved = Save(image);
  EXPECT_EQ(PngCheck(saved), "");
  EXPECT_EQ(ChunkTypes(saved), "IHDR tIME gAMA PLTE IDAT IEND");
}

// The pixels of a w x h picture that are transparent, as "x,y" joined by blanks.
std::string Where(int w, int h, const std::function<bool(int x, int y)>& transparent) {
  std::string where;
  for (int i = 0; i < w * h; ++i)
    if (transparent(i % w, i / w))
      where += (where.empty() ? "" : " ") + std::to_string(i % w) + "," + std::to_string(i / w);
  return where;
}

// The transparency of RGB pictures: the bitmap's transparent colour (a 16-bit key by its high bytes) and the key
// mask, which holds exactly the pixels that libpng makes transparent, also those whose samples differ from the key
// in their low bytes only, and whatever gamma makes of the colours. A palette picture's first fully transparent
// entry; a time stamp is no transparency.
TEST(PngReader, TransparentColoursKeyMasksAndPaletteEntries) {
  const std::vector<uint16_t> nearKey16 = {0x1234, 0x5678, 0x9ABC, 0x12FF, 0x5678, 0x9ABC, 0x1234, 0x5600,
                                           0x9ABC, 0xFFFF, 0xFFFF, 0xFFFF, 0x1234, 0x5678, 0x9A00};
  const std::vector<uint16_t> nearKey8 = {10, 20, 30, 10, 20, 31, 255, 255, 255};
  struct Case {
    const char* what;
    PngSpec spec;
    TColor color;  // clNone: not transparent
    int entry;     // the first transparent palette entry
  };
  std::vector<Case> cases;
  auto add = [&](const char* what, int type, int depth, std::vector<uint16_t> samples, std::vector<uint16_t> trns,
                 TColor color, int entry = -1) {
    PngSpec spec(type, depth);
    spec.samples = std::move(samples);
    spec.trns = std::move(trns);
    cases.push_back({what, spec, color, entry});
  };
  add("RGB 8 bits", 2, 8, nearKey8, {10, 20, 30}, RGB(10, 20, 30));
  add("RGB 16 bits", 2, 16, nearKey16, {0x1234, 0x5678, 0x9ABC}, RGB(0x12, 0x56, 0x9A));
  add("RGB 16 bits, a key no pixel has", 2, 16, nearKey16, {0x12FE, 0x5678, 0x9ABC}, RGB(0x12, 0x56, 0x9A));
  cases.push_back(cases[1]);
  cases.back().what = "RGB 16 bits, interlaced, gamma 1.0";
  cases.back().spec.interlaced = true;
  cases.back().spec.gamma = 100000;
  cases.back().color = clDefault;  // corrected: not checked
  PngSpec palette(3, 8), time(2, 8);
  palette.paletteAlpha = {255, 7, 0, 0};
  time.time = true;
  cases.push_back({"palette", palette, clNone, 2});
  cases.push_back({"a time stamp", time, clNone, -1});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Bytes file = WritePng(c.spec);
    TPNGImage image;
    Load(image, file);
    if (c.color != clDefault) {
      EXPECT_EQ(image.Transparent() ? image.TransparentColor() : clNone, c.color);
    }
    const test::RgbImage rgba = DecodePng(file, test::Alpha::Keep);
    const TBitmap* key = image.KeyMask();
    EXPECT_EQ(key != nullptr, c.spec.colorType == 2 && !c.spec.trns.empty());
    if (key) {
      EXPECT_EQ(Where(key->Width(), key->Height(), [&](int x, int y) { return key->GetPixel(x, y) == clWhite; }),
                Where(rgba.width, rgba.height,
                      [&](int x, int y) { return rgba.rgb[size_t(y * rgba.width + x) * 4 + 3] == 0; }));
    }
    const TChunkTRNS* trns = image.Chunks().Find<TChunkTRNS>();
    EXPECT_EQ(trns ? trns->FirstTransparentEntry() : -1, c.entry);
  }
}

// A valid 4 x 3 RGB picture built chunk by chunk, to be damaged in one place.
Bytes Ihdr(uint32_t w, uint32_t h, uint8_t depth, uint8_t type, uint8_t interlace = 0) {
  Bytes b = {0, 0, 0, 0, 0, 0, 0, 0, depth, type, 0, 0, interlace};
  for (size_t i = 0; i < 4; ++i) b[i] = uint8_t(w >> (24 - 8 * i)), b[4 + i] = uint8_t(h >> (24 - 8 * i));
  return b;
}
// An IDAT chunk of that many rows of 12 bytes, each with the filter byte.
Bytes Idat(int rows, uint8_t filter = 0) {
  Bytes raw, packed(1000);
  for (int i = 0; i < rows * 13; ++i) raw.push_back(i % 13 ? uint8_t(i * 5) : filter);
  uLongf size = uLongf(packed.size());
  compress(packed.data(), &size, raw.data(), uLong(raw.size()));
  packed.resize(size);
  return Chunk("IDAT", packed);
}
Bytes File(std::initializer_list<Bytes> chunks) {
  Bytes out = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  for (const Bytes& c : chunks) out.insert(out.end(), c.begin(), c.end());
  return out;
}

TEST(PngReader, DamagedFilesRaiseThePngErrorWithoutReadingOutOfBounds) {
  const Bytes header = Chunk("IHDR", Ihdr(4, 3, 8, 2)), data = Idat(3);
  const Bytes end = Chunk("IEND", {});
  const std::string corrupted = "Can't read the PNG image, it has corrupted data. ";
  Bytes badSignature = File({header, data, end}), badCrc = badSignature, hugeLength = File({header, data, end});
  badSignature[1] = 'p';
  badCrc[8 + 4 + 4 + 13] ^= 1;
  hugeLength[8 + 25 + 0] = 0x7F;  // the IDAT's length
  Bytes cutInHeader(badCrc.begin(), badCrc.begin() + 8 + 25 + 5);
  struct Case {
    const char* name;
    Bytes file;
    std::string message;
  } cases[] = {
      {"signature", badSignature, "Invalid Portable Graphics Network image, it has an invalid file header."},
      {"crc", badCrc, corrupted},
      {"length beyond the data", hugeLength, corrupted},
      {"cut in a chunk header", cutInHeader, corrupted},
      {"unknown critical chunk", File({header, Chunk("ABCD", {}), data, end}),
       "The currently being loaded image contains critical(s) chunk(s) not reconized by the decoder."},
      {"no chunks", File({}),
       "This PNG image is invalid, the IHDR chunk is either not present or it isn't the first chunk."},
      {"gAMA first", File({Chunk("gAMA", {0, 0, 177, 143}), header, data, end}),
       "This PNG image is invalid, the IHDR chunk is either not present or it isn't the first chunk."},
      {"no image data", File({header, end}), "The current image being loaded has no data and could not be loaded."},
      {"palette missing", File({Chunk("IHDR", Ihdr(4, 3, 8, 3)), data, end}),
       "The current image requeries a palette but it is not avaliable."},
      {"palette of 7 bytes", File({Chunk("IHDR", Ihdr(4, 3, 8, 3)), Chunk("PLTE", Bytes(7)), data, end}),
       "The current image being loaded has an invalid palette!"},
      {"palette of 257 entries", File({Chunk("IHDR", Ihdr(4, 3, 8, 3)), Chunk("PLTE", Bytes(771)), data, end}),
       "The current image being loaded has an invalid palette!"},
      {"colour type 5", File({Chunk("IHDR", Ihdr(4, 3, 8, 5)), data, end}),
       "Could not read the image because it has an unknown color type."},
      {"RGB of 4 bits", File({Chunk("IHDR", Ihdr(4, 3, 4, 2)), data, end}), corrupted},
      {"interlace method 2", File({Chunk("IHDR", Ihdr(4, 3, 8, 2, 2)), data, end}),
       "The image has an unknown interlace method."},
      {"filter 5", File({header, Idat(3, 5), end}),
       "The image could not be loaded because it uses an unknown set of filter types."},
      {"IHDR of 12 bytes", File({Chunk("IHDR", Bytes(12)), data, end}), corrupted},
      {"gAMA of 3 bytes", File({header, Chunk("gAMA", Bytes(3)), data, end}), corrupted},
      {"width 0", File({Chunk("IHDR", Ihdr(0, 3, 8, 2)), data, end}), corrupted},
      {"too many pixels", File({Chunk("IHDR", Ihdr(20000, 20000, 8, 2)), data, end}), corrupted},
      {"more rows than the data can hold", File({Chunk("IHDR", Ihdr(10000, 10000, 8, 0)), data, end}), corrupted},
      {"data end before the last row", File({header, Idat(2), end}), corrupted},
      {"damaged zlib data", File({header, Chunk("IDAT", Bytes(40, 0xEE)), end}), corrupted},
  };
  for (const Case& c : cases) {
    TPNGImage image;
    EXPECT_EQ(PngError([&] { Load(image, c.file); }), c.message) << c.name;
    EXPECT_TRUE(image.Empty()) << c.name;
  }
}

TEST(PngReader, EveryCutOfAFileFailsCleanlyUnlessItEndsAfterTheImageData) {
  PngSpec spec{3, 4, true};
  spec.idatSize = 40;
  Bytes file = WritePng(spec);
  const size_t withoutEnd = file.size() - 12;  // the IEND chunk takes the last 12 bytes
  // Where an IDAT chunk ends: a cut there may still hold all rows (when only the zlib check value is missing).
  std::vector<size_t> dataEnds;
  for (const auto& c : test::Chunks(file))
    if (c.type == "IDAT") dataEnds.push_back(c.end);
  for (size_t n = 0; n < file.size(); ++n) {
    TPNGImage image;
    std::string error = PngError([&] { Load(image, Bytes(file.begin(), file.begin() + long(n))); });
    bool loaded = error == "(no exception)";
    if (n == withoutEnd || loaded) {
      EXPECT_TRUE(loaded && std::count(dataEnds.begin(), dataEnds.end(), n)) << n << " " << error;
    }
  }
  TPNGImage image;
  Load(image, Bytes(file.begin(), file.begin() + long(withoutEnd)));
  EXPECT_EQ(Differences(image, DecodePng(file)), "");
}

TEST(PngReader, MergesImageDataKeepsUnknownAncillaryChunksAndWidensTwoBitGrey) {
  PngSpec spec{0, 2};
  spec.idatSize = 16;
  Bytes file = WritePng(spec);
  ASSERT_NE(ChunkTypes(file).find("IDAT IDAT"), std::string::npos);
  const Bytes unknown = Chunk("abCd", {1, 2, 3});
  file.insert(file.begin() + 8 + 25, unknown.begin(), unknown.end());
  TPNGImage image;
  Load(image, file);
  EXPECT_EQ(Differences(image, DecodePng(file)), "");
  std::string types;
  for (int i = 0; i < image.Chunks().Count(); ++i) types += image.Chunks().Item(i).ChunkType() + " ";
  EXPECT_EQ(types, "IHDR abCd IDAT IEND ");
  std::vector<TRGBQuad> ramp;
  for (int i = 0; i < 16; ++i) ramp.push_back({uint8_t(i % 4 * 85), uint8_t(i % 4 * 85), uint8_t(i % 4 * 85), 0});
  EXPECT_EQ(image.PixelFormat(), pf4bit);
  EXPECT_EQ(image.ColorTable(), ramp);
}

TEST(PngChunks, GammaTablesListAndRegistry) {
  TPNGImage image, other;
  TChunkList& list = image.Chunks();
  auto& gama = static_cast<TChunkGAMA&>(list.AddNew(&TChunkGAMA::Class));
  EXPECT_EQ(gama.ChunkType(), "gAMA");
  for (uint32_t value : {45455u, 0u}) {  // 1 / (0.45455 x 2.2) is 1 within rounding; 0 corrects nothing
    gama.SetGamma(value);
    for (int i = 0; i < 256; ++i) ASSERT_EQ(gama.GammaTable()[size_t(i)], i) << value;
  }
  TChunk& foreign = other.Chunks().AddNew(&TChunkIEND::Class);
  EXPECT_EQ(PngError([&] { list.Item(1); }), "The chunk index especified is out of the range.");
  EXPECT_EQ(PngError([&] { list.Move(0, 1); }), "The chunk index especified is out of the range.");
  EXPECT_EQ(PngError([&] { list.Remove(foreign); }),
            "The especified chunk is not inside the chunk list containing the method being used. The funcion could "
            "not be completed.");
  EXPECT_EQ(PngError([&] { ChunkClasses().Item(ChunkClasses().Count()); }),
            "The chunk class index especified is  out of range.");
  EXPECT_EQ(PngError([&] { static_cast<TChunkTRNS&>(list.AddNew(&TChunkTRNS::Class)).TransparentColor(); }),
            "Can not get transparency information because the current image color type is not RGB (value 3)");
  // Greys that no correction reaches are saved as the next darker one that it does, never as black.
  gama.SetGamma(100000);
  image.SetPixelFormat(pf24bit);
  image.SetSize(256, 1);
  for (int v = 0; v < 256; ++v) image.SetPixel(v, 0, RGB(uint8_t(v), uint8_t(v), uint8_t(v)));
  TPNGImage again;
  Load(again, Save(image));
  for (int v = 0; v < 256; ++v) {
    int back = GetRValue(again.GetPixel(v, 0));
    ASSERT_TRUE(back <= v && v - back <= 20) << v << " came back as " << back;  // 21 is the first level above 0
  }
}

TEST(PngImage, RegisteredPictureReportsProgressAndCopiesItsChunks) {
  PngSpec spec{3, 8};
  spec.time = true;
  Bytes file = WritePng(spec);
  std::string path = test::TempFile("picture.PNG", file);
  TPicture picture;
  std::string last;
  picture.OnProgress = [&](const TPersistent&, TProgressStage stage, uint8_t percent, bool, const TRect&,
                           const std::string& msg) {
    last = std::to_string(stage) + " " + std::to_string(percent) + " " + msg;
  };
  picture.LoadFromFile(path);
  std::filesystem::remove(path);
  ASSERT_EQ(picture.Graphic()->ClassName(), "TPNGImage");
  EXPECT_EQ(last, std::to_string(psEnding) + " 100 Drawing...");
  TPNGImage copy;
  copy.Assign(*picture.Graphic());
  EXPECT_EQ(ChunkTypes(Save(copy)), ChunkTypes(Save(static_cast<TPNGImage&>(*picture.Graphic()))));
  EXPECT_EQ(Differences(copy, DecodePng(file)), "");
}

}  // namespace
}  // namespace pf
