// Colour reduction: any bitmap to an 8-bit bitmap of at most 256 colours by one of ten methods, the palettes of
// those methods, row access to bitmaps, and the octree quantiser.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "gif/dither.h"
#include "platform/graphics/bitmap.h"
#include "platform/graphics/palette.h"

namespace gif {

enum TColorReduction : uint8_t {
  ReduceNone = 0,
  ReduceWindows20 = 1,
  ReduceHalftone = 2,
  ReduceWindowsGrays = 3,
  ReduceMonochrome = 4,
  ReduceGray256 = 5,
  ReduceWebPalette = 6,
  ReduceOctree = 7,
  ReduceOctreeWindows = 8,
  ReducePalette = 9,
};

// Palette makers (each returns a new palette, version $300).
pf::HPALETTE WebPalette();          // 216 colours, entry r*36 + g*6 + b = (51r, 51g, 51b), flags 0
pf::HPALETTE GrayScalePalette();    // 256 greys, PC_NOCOLLAPSE
pf::HPALETTE WindowsGrayPalette();  // 0, 128, 192, 255, PC_NOCOLLAPSE
pf::HPALETTE MonochromePalette();   // black, white, PC_NOCOLLAPSE

// Row access to a bitmap at a pixel format; the bitmap itself is converted to that format.
class TDIBReader {
 public:
  TDIBReader(pf::TBitmap& bitmap, pf::TPixelFormat format);
  const uint8_t* ScanLine(int32_t row) const { return Bitmap.ScanLine(row); }
  pf::TBitmap& Bitmap;
  pf::TPixelFormat PixelFormat;
};

// Writes rows of an 8-bit (with a 256-entry colour table: the palette's entries, then zeros) or 24-bit image and
// hands them to the bitmap when finished. Other formats raise "Unsupported PixelFormat"; a zero width or height
// "Invalid image dimensions".
class TDIBWriter {
 public:
  TDIBWriter(pf::TBitmap& bitmap, const pf::HPALETTE& palette, int32_t height, int32_t width, pf::TPixelFormat format);
  ~TDIBWriter();
  TDIBWriter(const TDIBWriter&) = delete;
  TDIBWriter& operator=(const TDIBWriter&) = delete;
  uint8_t* ScanLine(int32_t row);
  // Hands the image to the bitmap (also done by the destructor).
  void Finish();

  pf::TBitmap& Bitmap;
  pf::TPixelFormat PixelFormat;

 private:
  std::unique_ptr<pf::TBitmap> dib_;
  pf::HPALETTE palette_;
  int32_t height_, width_;
};

// Octree quantiser.
struct TOctreeNode {
  bool Leaf = false;
  uint32_t Pixels = 0;
  // 64 bits: a colour of more than 16.8 million pixels would overflow 32-bit sums
  uint64_t SumRed = 0, SumGreen = 0, SumBlue = 0;
  TOctreeNode* NextReducible = nullptr;
  TOctreeNode* Children[8] = {};
};

class TColorQuantizer {
 public:
  TColorQuantizer(int maxColors, int colorBits);
  ~TColorQuantizer();
  TColorQuantizer(const TColorQuantizer&) = delete;
  TColorQuantizer& operator=(const TColorQuantizer&) = delete;
  // Adds every pixel of a row of B, G, R triples (reducing the tree whenever it has too many leaves).
  void ProcessRow(const uint8_t* bgr, int32_t width);
  void AddColor(uint8_t red, uint8_t green, uint8_t blue);
  // The leaves' average colours, depth first in child order.
  std::vector<pf::TPaletteEntry> ColorTable() const;
  int Leaves() const { return leaves_; }

 private:
  TOctreeNode* NewNode(int level);
  void Reduce();
  void Free(TOctreeNode* node);
  TOctreeNode* root_ = nullptr;
  int leaves_ = 0;
  TOctreeNode* reducible_[9] = {};
  int maxLeaves_;
  int depth_;
};

// The octree palette of the rows: Colors entries (missing ones black); with windows20 the default palette's first
// and last 10 colours frame 236 octree colours.
pf::HPALETTE BuildOctreePalette(const std::function<const uint8_t*(int32_t)>& row, int32_t width, int32_t height,
                                int colors, int colorBits, bool windows20);
pf::HPALETTE BuildOctreePaletteFromBitmap(pf::TBitmap& bitmap, int colors, int colorBits, bool windows20);

// A result bitmap of more than 500,000 pixels is set to 1 bit per pixel before its pixels are written, so that
// it holds little while it waits for them (and an empty result stays small).
inline bool IsLargeBitmap(int64_t width, int64_t height) { return width * height > 500000; }

// A new bitmap of at most 256 colours; method and dither mode as above. ReductionBits (clamped to 1..8) sets the
// octree's colour count. The source is converted to 24 bits unless the method is ReduceNone.
std::unique_ptr<pf::TBitmap> ReduceColors(pf::TBitmap& bitmap, int colorReduction, int ditherMode, int reductionBits,
                                          const pf::HPALETTE& palette);

}  // namespace gif
