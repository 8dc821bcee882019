#include "png_oracle.h"

#include <png.h>
#include <zlib.h>

#include <unistd.h>

#include <csetjmp>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace pf::test {

namespace {
uint32_t Next(uint32_t& seed) { return (seed = seed * 1103515245u + 12345u) >> 8; }
}  // namespace

std::vector<uint8_t> WritePng(const PngSpec& s) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  std::vector<uint8_t> out;
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return {};
  }
  auto append = [](png_structp png, png_bytep data, png_size_t size) {
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + size);
  };
  png_set_write_fn(png, &out, append, [](png_structp) {});
  png_set_IHDR(png, info, png_uint_32(s.width), png_uint_32(s.height), s.depth, s.colorType,
               s.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  uint32_t seed = uint32_t(s.colorType * 131 + s.depth * 7 + s.width);
  if (s.colorType == PNG_COLOR_TYPE_PALETTE) {
    std::vector<png_color> palette(size_t(1) << s.depth);
    for (auto& c : palette) c = {png_byte(Next(seed)), png_byte(Next(seed)), png_byte(Next(seed))};
    png_set_PLTE(png, info, palette.data(), int(palette.size()));
  }
  const int channels = s.colorType == 2 ? 3 : s.colorType == 4 ? 2 : s.colorType == 6 ? 4 : 1;
  const size_t rowBytes = (size_t(s.width) * size_t(channels * s.depth) + 7) / 8;
  std::vector<uint8_t> pixels(rowBytes * size_t(s.height));
  // Smooth rows with some noise, so that every filter has something to do.
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = uint8_t(i * 3 + (Next(seed) & 0x1F));
  const size_t bytes = s.samples.empty() ? 0 : size_t(s.depth) / 8;
  for (size_t i = 0; bytes > 0 && i < pixels.size() / bytes; ++i) {
    const uint16_t v = s.samples[i % s.samples.size()];
    if (bytes == 2) pixels[2 * i] = uint8_t(v >> 8);
    pixels[bytes * i + bytes - 1] = uint8_t(v);
  }
  if (s.gamma) png_set_gAMA_fixed(png, info, s.gamma);
  if (s.time) {
    png_time t{2024, 5, 17, 12, 30, 0};
    png_set_tIME(png, info, &t);
  }
  if (s.text) {
    png_text text{PNG_TEXT_COMPRESSION_NONE, const_cast<char*>("Comment"), const_cast<char*>("a test"), 6, 0, {}, {}};
    png_set_text(png, info, &text, 1);
  }
  std::vector<uint16_t> key = s.trns;
  if (s.keyFirstPixel) {  // the samples of pixel 0 (depth 8 or 16)
    key.clear();
    for (int c = 0; c < channels; ++c)
      key.push_back(s.depth == 16  ? uint16_t(pixels[size_t(2 * c)] << 8 | pixels[size_t(2 * c + 1)])
                    : s.depth == 8 ? pixels[size_t(c)]
                                   : uint16_t(pixels[0] >> (8 - s.depth)));
  }
  if (!key.empty()) {
    png_color_16 c{};
    c.gray = key[0];
    if (key.size() == 3) c.red = key[0], c.green = key[1], c.blue = key[2];
    png_set_tRNS(png, info, nullptr, 0, &c);
  }
  if (!s.paletteAlpha.empty()) png_set_tRNS(png, info, s.paletteAlpha.data(), int(s.paletteAlpha.size()), nullptr);
  if (s.filter >= 0) png_set_filter(png, 0, PNG_FILTER_NONE << s.filter);
  if (s.idatSize) png_set_compression_buffer_size(png, s.idatSize);
  png_write_info(png, info);
  std::vector<png_bytep> rows(size_t(s.height));
  for (size_t y = 0; y < rows.size(); ++y) rows[y] = pixels.data() + y * rowBytes;
  png_write_image(png, rows.data());
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return out;
}

RgbImage DecodePng(const std::vector<uint8_t>& file, Alpha alpha, double screenGamma) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  std::pair<const std::vector<uint8_t>*, size_t> source{&file, 0};  // the bytes and how many were read
  RgbImage result;
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    return {};
  }
  png_set_read_fn(png, &source, [](png_structp png, png_bytep data, png_size_t size) {
    auto* s = static_cast<std::pair<const std::vector<uint8_t>*, size_t>*>(png_get_io_ptr(png));
    if (s->second + size > s->first->size()) png_error(png, "end of data");
    std::memcpy(data, s->first->data() + s->second, size);
    s->second += size;
  });
  png_read_info(png, info);
  png_set_palette_to_rgb(png);
  png_set_expand_gray_1_2_4_to_8(png);
  png_set_gray_to_rgb(png);
  png_set_strip_16(png);
  double fileGamma = 0;
  if (screenGamma > 0 && png_get_gAMA(png, info, &fileGamma)) png_set_gamma(png, screenGamma, fileGamma);
  if (alpha == Alpha::Keep) {
    png_set_tRNS_to_alpha(png);
    png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
  } else if (alpha == Alpha::Strip) {
    png_set_strip_alpha(png);
  } else {
    png_color_16 white{0, 255, 255, 255, 255};
    png_set_background(png, &white, PNG_BACKGROUND_GAMMA_SCREEN, 0, 1.0);
  }
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  result.width = int(png_get_image_width(png, info));
  result.height = int(png_get_image_height(png, info));
  const size_t rowBytes = size_t(result.width) * (alpha == Alpha::Keep ? 4 : 3);
  if (png_get_rowbytes(png, info) != rowBytes) png_error(png, "not RGB");
  result.rgb.resize(rowBytes * size_t(result.height));
  std::vector<png_bytep> rows(size_t(result.height));
  for (size_t y = 0; y < rows.size(); ++y) rows[y] = result.rgb.data() + y * rowBytes;
  png_read_image(png, rows.data());
  png_destroy_read_struct(&png, &info, nullptr);
  return result;
}

std::vector<ChunkRecord> Chunks(const std::vector<uint8_t>& file) {
  std::vector<ChunkRecord> chunks;
  for (size_t at = 8; at + 12 <= file.size();) {
    const uint8_t* p = &file[at];
    size_t length = size_t(p[0]) << 24 | size_t(p[1]) << 16 | size_t(p[2]) << 8 | p[3];
    if (length > file.size() - at - 12) break;
    chunks.push_back({std::string(reinterpret_cast<const char*>(p + 4), 4), {p + 8, p + 8 + length}, at + 12 + length});
    at += 12 + length;
  }
  return chunks;
}

std::string ChunkTypes(const std::vector<uint8_t>& file) {
  std::string types;
  for (const ChunkRecord& c : Chunks(file)) types += (types.empty() ? "" : " ") + c.type;
  return types;
}

std::vector<uint8_t> ChunkData(const std::vector<uint8_t>& file, const std::string& type) {
  for (const ChunkRecord& c : Chunks(file))
    if (c.type == type) return c.data;
  return {};
}

std::string TempFile(const std::string& name, const std::vector<uint8_t>& bytes) {
  std::string path = std::filesystem::temp_directory_path() / ("pexu-" + std::to_string(::getpid()) + "-" + name);
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  return path;
}

std::vector<uint8_t> Chunk(const std::string& type, const std::vector<uint8_t>& data) {
  std::vector<uint8_t> out;
  uint32_t n = uint32_t(data.size());
  for (int s : {24, 16, 8, 0}) out.push_back(uint8_t(n >> s));
  for (size_t i = 0; i < 4; ++i) out.push_back(uint8_t(type.at(i)));
  out.insert(out.end(), data.begin(), data.end());
  uLong crc = crc32(crc32(0, nullptr, 0), reinterpret_cast<const Bytef*>(type.data()), 4);
  if (!data.empty()) crc = crc32(crc, data.data(), uInt(data.size()));
  for (int s : {24, 16, 8, 0}) out.push_back(uint8_t(crc >> s));
  return out;
}

}  // namespace pf::test
