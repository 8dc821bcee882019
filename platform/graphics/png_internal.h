// Private to the PNG picture class: the format's constants, the error texts and byte helpers shared by its reader,
// decoder and encoder.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/graphics/bitmap.h"

namespace pf::png {

inline constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

enum : uint8_t { kGrey = 0, kRGB = 2, kPalette = 3, kGreyAlpha = 4, kRGBA = 6 };
enum : uint8_t { kFilterNone = 0, kFilterSub = 1, kFilterUp = 2, kFilterAverage = 3, kFilterPaeth = 4 };
enum : uint8_t { kInterlaceNone = 0, kInterlaceAdam7 = 1 };

inline constexpr uint32_t kIHDRSize = 13;
inline constexpr uint32_t kGAMASize = 4;
inline constexpr uint32_t kMaxChunkLength = 0x7FFFFFFF;
// Largest picture decoded (pixels); larger ones are refused before anything is allocated.
inline constexpr uint64_t kMaxPixels = uint64_t(1) << 27;
// Deflate produces at most 1032 bytes from one compressed byte (a 258-byte match in 2 bits), so image data that
// would need more is damaged, whatever its header claims.
inline constexpr uint64_t kMaxInflateRatio = 1032;

inline constexpr std::string_view kMsgChunkIndex = "The chunk index especified is out of the range.";
inline constexpr std::string_view kMsgNotInList =
    "The especified chunk is not inside the chunk list containing the method being used. The funcion could not be "
    "completed.";
inline constexpr std::string_view kMsgClassIndex = "The chunk class index especified is  out of range.";
inline constexpr std::string_view kMsgHeader =
    "Invalid Portable Graphics Network image, it has an invalid file header.";
inline constexpr std::string_view kMsgCritical =
    "The currently being loaded image contains critical(s) chunk(s) not reconized by the decoder.";
inline constexpr std::string_view kMsgCorrupted = "Can't read the PNG image, it has corrupted data. ";
inline constexpr std::string_view kMsgNoIHDR =
    "This PNG image is invalid, the IHDR chunk is either not present or it isn't the first chunk.";
inline constexpr std::string_view kMsgNoData = "The current image being loaded has no data and could not be loaded.";
inline constexpr std::string_view kMsgNotRGB =
    "Can not get transparency information because the current image color type is not RGB (value 3)";
inline constexpr std::string_view kMsgNoPalette = "The current image requeries a palette but it is not avaliable.";
inline constexpr std::string_view kMsgBadPalette = "The current image being loaded has an invalid palette!";
inline constexpr std::string_view kMsgColorType = "Could not read the image because it has an unknown color type.";
inline constexpr std::string_view kMsgFilter =
    "The image could not be loaded because it uses an unknown set of filter types.";
inline constexpr std::string_view kMsgInterlace = "The image has an unknown interlace method.";
inline constexpr std::string_view kMsgEmpty = "The image is empty and could not be saved.";
inline constexpr std::string_view kMsgProgress = "Drawing...";

[[noreturn]] void Fail(std::string_view text);

inline uint32_t GetBE32(const uint8_t* p) {
  return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}
inline void PutBE32(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v >> 24);
  p[1] = uint8_t(v >> 16);
  p[2] = uint8_t(v >> 8);
  p[3] = uint8_t(v);
}

// How a colour type and bit depth are laid out and stored.
struct SampleLayout {
  int channels;         // samples per pixel
  int bitsPerPixel;     // channels x depth
  size_t filterBpp;     // bytes of one complete pixel for the filters (at least 1)
  TPixelFormat format;  // the bitmap that holds the picture
};

// Raises for an unknown colour type and for a bit depth that the colour type does not allow.
SampleLayout LayoutOf(uint8_t colorType, uint8_t bitDepth);

// Bytes of a row of width pixels (without the filter byte).
inline uint64_t RowBytes(uint64_t width, int bitsPerPixel) { return (width * uint64_t(bitsPerPixel) + 7) / 8; }

// The Paeth predictor: a when |p-a| is smallest, else b when |p-b| <= |p-c|, else c.
inline uint8_t Paeth(int a, int b, int c) {
  int p = a + b - c;
  int pa = p > a ? p - a : a - p, pb = p > b ? p - b : b - p, pc = p > c ? p - c : c - p;
  if (pa <= pb && pa <= pc) return uint8_t(a);
  return uint8_t(pb <= pc ? b : c);
}

}  // namespace pf::png
