// Test-side access to giflib as an independent oracle: encode pixels to a GIF in memory and decode GIF bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace giftest {

struct OracleFrame {
  int left = 0, top = 0, width = 0, height = 0;
  bool interlaced = false;        // written: rows go out in pass order; read: rows come back de-interlaced
  std::vector<uint8_t> localMap;  // r, g, b triples, a power of two of them (2..256); empty when none
  std::vector<uint8_t> pixels;    // row by row
  int transparent = -1;           // from a graphic control block, -1 when none
  int delay = 0, disposal = 0;
  std::string comment;  // written in front of the frame when not empty
};

struct OracleGif {
  int width = 0, height = 0;
  std::vector<uint8_t> globalMap;
  int loops = -1;  // written: >= 0 puts a NETSCAPE2.0 loop block in front of frame 0
  std::vector<OracleFrame> frames;
  bool ok = false;  // read: giflib accepted the file, else error says why
  std::string error;
};

std::vector<uint8_t> GiflibWrite(const OracleGif& in);
OracleGif GiflibRead(const std::vector<uint8_t>& bytes);

// The image data section (minimum code size byte through the terminator) that giflib writes for these pixels.
std::vector<uint8_t> GiflibImageData(const std::vector<uint8_t>& pixels, int width, int height, int bits,
                                     bool interlaced);

}  // namespace giftest
