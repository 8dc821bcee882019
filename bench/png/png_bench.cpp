// PNG decoding, ours (TPNGImage into its bitmap) against libpng (its own row layout, no transformations) in the
// same run, on four files written by libpng at its default settings: a 2000 x 1500 photo-like RGB picture, a
// 1000 x 1000 palette picture, a 1000 x 1000 RGBA picture and a 1000 x 1000 interlaced RGB picture. One iteration
// decodes all four; each kind is also measured on its own.
#include <benchmark/benchmark.h>
#include <png.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "platform/core/streams.h"
#include "platform/graphics/png_image.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct Picture {
  const char* name;
  int width, height, colorType;
  bool interlaced;
};
const Picture kPictures[] = {{"photo", 2000, 1500, PNG_COLOR_TYPE_RGB, false},
                             {"palette", 1000, 1000, PNG_COLOR_TYPE_PALETTE, false},
                             {"rgba", 1000, 1000, PNG_COLOR_TYPE_RGBA, false},
                             {"interlaced", 1000, 1000, PNG_COLOR_TYPE_RGB, true}};

// Soft shapes with fine noise, as a photograph has; the palette picture is flat areas with lines, as a chart has.
uint8_t Sample(const Picture& p, int x, int y, int c, std::mt19937& rng) {
  if (p.colorType == PNG_COLOR_TYPE_PALETTE) return uint8_t(((x / 50) * 7 + (y / 40) * 13 + (x % 97 == 0) * 99) & 255);
  if (c == 3) return uint8_t(255 - (x + y) / 16);
  double v = 128 + 60 * std::sin(x / (90.0 + 20 * c)) * std::cos(y / 70.0) + 40 * std::sin((x + 2 * y) / 300.0);
  return uint8_t(std::lround(v) + int(rng() % 7) - 3);
}

void Append(png_structp png, png_bytep data, png_size_t size) {
  auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + size);
}
void NoFlush(png_structp) {}

Bytes Write(const Picture& p) {
  std::mt19937 rng(7);
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  Bytes out;
  if (setjmp(png_jmpbuf(png))) std::abort();
  png_set_write_fn(png, &out, Append, NoFlush);
  png_set_IHDR(png, info, png_uint_32(p.width), png_uint_32(p.height), 8, p.colorType,
               p.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  std::vector<png_color> palette(256);
  for (int i = 0; i < 256; ++i) palette[size_t(i)] = {png_byte(i * 3), png_byte(255 - i), png_byte(i * 7)};
  if (p.colorType == PNG_COLOR_TYPE_PALETTE) png_set_PLTE(png, info, palette.data(), 256);
  png_write_info(png, info);
  const int channels = p.colorType == PNG_COLOR_TYPE_RGBA ? 4 : p.colorType == PNG_COLOR_TYPE_RGB ? 3 : 1;
  std::vector<uint8_t> pixels(size_t(p.width) * size_t(p.height) * size_t(channels));
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x)
      for (int c = 0; c < channels; ++c)
        pixels[(size_t(y) * size_t(p.width) + size_t(x)) * size_t(channels) + size_t(c)] = Sample(p, x, y, c, rng);
  std::vector<png_bytep> rows(size_t(p.height));
  for (size_t y = 0; y < rows.size(); ++y) rows[y] = pixels.data() + y * size_t(p.width) * size_t(channels);
  png_write_image(png, rows.data());
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return out;
}

const std::vector<Bytes>& Files() {
  static const std::vector<Bytes> files = [] {
    std::vector<Bytes> f;
    for (const Picture& p : kPictures) f.push_back(Write(p));
    return f;
  }();
  return files;
}

void DecodeOurs(const Bytes& file, pf::TPNGImage& image) {
  pf::TReadOnlyMemoryStream stream(file.data(), int64_t(file.size()));
  image.LoadFromStream(stream);
}

struct Source {
  const Bytes* file;
  size_t pos;
};
void ReadMemory(png_structp png, png_bytep data, png_size_t size) {
  auto* s = static_cast<Source*>(png_get_io_ptr(png));
  if (s->pos + size > s->file->size()) png_error(png, "end of data");
  std::memcpy(data, s->file->data() + s->pos, size);
  s->pos += size;
}

// Decodes into out (resized once), rows in libpng's own layout.
void DecodeLibpng(const Bytes& file, Bytes& out) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  Source source{&file, 0};
  if (setjmp(png_jmpbuf(png))) std::abort();
  png_set_read_fn(png, &source, ReadMemory);
  png_read_info(png, info);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  const size_t rowBytes = png_get_rowbytes(png, info), height = png_get_image_height(png, info);
  out.resize(rowBytes * height);
  std::vector<png_bytep> rows(height);
  for (size_t y = 0; y < height; ++y) rows[y] = out.data() + y * rowBytes;
  png_read_image(png, rows.data());
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
}

// Our pixels and libpng's agree (checked once, before timing).
void Check() {
  static bool checked = false;
  if (checked) return;
  checked = true;
  for (size_t i = 0; i < Files().size(); ++i) {
    pf::TPNGImage image;
    DecodeOurs(Files()[i], image);
    Bytes ref;
    DecodeLibpng(Files()[i], ref);
    const int channels = kPictures[i].colorType == PNG_COLOR_TYPE_RGBA  ? 4
                         : kPictures[i].colorType == PNG_COLOR_TYPE_RGB ? 3
                                                                        : 1;
    for (int y = 0; y < image.Height(); ++y)
      for (int x = 0; x < image.Width(); ++x) {
        const uint8_t* p = &ref[(size_t(y) * size_t(image.Width()) + size_t(x)) * size_t(channels)];
        const uint8_t* q = image.ScanLine(y);
        bool same = channels == 1 ? q[x] == p[0] : q[3 * x] == p[2] && q[3 * x + 1] == p[1] && q[3 * x + 2] == p[0];
        if (!same) std::abort();
      }
  }
}

void BM_Ours(benchmark::State& state, int which) {
  Check();
  pf::TPNGImage image;
  for (auto _ : state)
    for (size_t i = 0; i < Files().size(); ++i)
      if (which < 0 || int(i) == which) DecodeOurs(Files()[i], image);
}

void BM_Libpng(benchmark::State& state, int which) {
  Bytes out;
  for (auto _ : state)
    for (size_t i = 0; i < Files().size(); ++i)
      if (which < 0 || int(i) == which) DecodeLibpng(Files()[i], out);
}

BENCHMARK_CAPTURE(BM_Ours, all, -1)->Name("png-decode/ours")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Libpng, all, -1)->Name("png-decode/libpng")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Ours, photo, 0)->Name("png-decode-photo/ours")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Libpng, photo, 0)->Name("png-decode-photo/libpng")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Ours, palette, 1)->Name("png-decode-palette/ours")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Libpng, palette, 1)->Name("png-decode-palette/libpng")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Ours, rgba, 2)->Name("png-decode-rgba/ours")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Libpng, rgba, 2)->Name("png-decode-rgba/libpng")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Ours, interlaced, 3)->Name("png-decode-interlaced/ours")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Libpng, interlaced, 3)->Name("png-decode-interlaced/libpng")->Unit(benchmark::kMillisecond);

}  // namespace
BENCHMARK_MAIN();
