// libpng as the independent reference for PNG files: it writes the test pictures and decodes files to 8-bit RGB.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pf::test {

// A test picture: samples come from a fixed pseudo-random sequence (palette pictures index a palette of
// 2^depth random colours).
struct PngSpec {
  PngSpec(int colorType, int depth, bool interlaced = false, int filter = -1, int width = 19, int height = 13)
      : colorType(colorType), depth(depth), interlaced(interlaced), filter(filter), width(width), height(height) {}
  int colorType;
  int depth;
  bool interlaced;
  int filter;  // 0..4 forces that filter on every row; -1 leaves the choice to libpng
  int width;
  int height;
  size_t idatSize = 0;                // when not 0, the image data is split into chunks of at most this size
  int gamma = 0;                      // gAMA value (stored) when not 0
  bool time = false;                  // a tIME chunk before the image data
  bool text = false;                  // a tEXt chunk
  std::vector<uint16_t> samples;      // when not empty: the samples of a picture of depth 8 or 16, repeated
  std::vector<uint16_t> trns;         // tRNS samples of a grey (one) or RGB (three) picture
  bool keyFirstPixel = false;         // a grey or RGB picture's tRNS is the colour of its first pixel
  std::vector<uint8_t> paletteAlpha;  // tRNS of a palette picture: the alpha of its first entries
};

std::vector<uint8_t> WritePng(const PngSpec& spec);

enum class Alpha { Strip, OnWhite, Keep };

// libpng's decoding to 8-bit RGB: palettes and grey expanded, 16-bit samples cut to their high byte, alpha dropped
// or composed on white; with Alpha::Keep to RGBA, 4 bytes a pixel (tRNS as alpha, 255 where there is none). With
// screenGamma > 0 libpng corrects for that display gamma. Empty when libpng refuses the file.
struct RgbImage {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb;
};
RgbImage DecodePng(const std::vector<uint8_t>& file, Alpha alpha = Alpha::Strip, double screenGamma = 0);

// The complete chunks of a PNG file in order, each with the offset where it ends.
struct ChunkRecord {
  std::string type;
  std::vector<uint8_t> data;
  size_t end;
};
std::vector<ChunkRecord> Chunks(const std::vector<uint8_t>& file);
// Their types joined by blanks, and the data of the first chunk of a type (empty when none).
std::string ChunkTypes(const std::vector<uint8_t>& file);
std::vector<uint8_t> ChunkData(const std::vector<uint8_t>& file, const std::string& type);
// A chunk framed with its length and CRC.
std::vector<uint8_t> Chunk(const std::string& type, const std::vector<uint8_t>& data);
// Writes the bytes to a file of that name in the temporary folder; returns its path.
std::string TempFile(const std::string& name, const std::vector<uint8_t>& bytes);

}  // namespace pf::test
