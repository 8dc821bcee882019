// Test-side access to giflib as an independent oracle: encode pixels to a GIF in memory and decode GIF bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace giftest {

struct OracleFrame {
  int left = 0, top = 0, width = 0, height = 0;
  bool interlaced = false;
  std::vector<uint8_t> localMap;  // r, g, b triples; empty when the frame has none
  std::vector<uint8_t> pixels;    // row by row, de-interlaced
  int transparent = -1;           // from a graphic control block, -1 when none
  int delay = 0;
  int disposal = 0;
  std::vector<std::pair<int, std::string>> extensions;  // (function, first data block) as giflib reports them
};

struct OracleGif {
  int width = 0, height = 0;
  std::vector<uint8_t> globalMap;
  std::vector<OracleFrame> frames;
  bool ok = false;
  std::string error;
};

struct OracleFrameIn {
  int left = 0, top = 0, width = 0, height = 0;
  bool interlaced = false;
  std::vector<uint8_t> localMap;  // triples; size must be a power of two (2..256) or empty
  std::vector<uint8_t> pixels;    // row by row (the oracle writes interlaced rows in pass order)
  int transparent = -1;
  int delay = 0;
  int disposal = 0;
  std::string comment;  // empty: none
};

struct OracleGifIn {
  int width = 0, height = 0;
  std::vector<uint8_t> globalMap;
  int loops = -1;  // >= 0: a NETSCAPE2.0 loop block in front of frame 0
  std::vector<OracleFrameIn> frames;
};

std::vector<uint8_t> GiflibWrite(const OracleGifIn& in);
OracleGif GiflibRead(const std::vector<uint8_t>& bytes);

// The image data section (minimum code size byte through the terminator) that giflib writes for these pixels.
std::vector<uint8_t> GiflibImageData(const std::vector<uint8_t>& pixels, int width, int height, int bits,
                                     bool interlaced);

}  // namespace giftest
