// The GIF stream format: block introducers, extension labels, the packed fields of the descriptors and of the
// graphic control block, and the versions a stream may declare.
#pragma once

#include <cstdint>

namespace gif {

enum TGIFVersion { gvUnknown = 0, gv87a = 1, gv89a = 2 };
const char* GIFVersionString(int version);  // "87a", "89a", "" for none

// Blocks start with one of these bytes.
constexpr uint8_t kExtensionIntroducer = 0x21;  // '!'
constexpr uint8_t kImageSeparator = 0x2C;       // ','
constexpr uint8_t kTrailerByte = 0x3B;          // ';'

// Extension labels.
constexpr uint8_t kPlainTextLabel = 0x01;
constexpr uint8_t kGraphicControlLabel = 0xF9;
constexpr uint8_t kCommentLabel = 0xFE;
constexpr uint8_t kApplicationLabel = 0xFF;

// Sizes of the fixed blocks.
constexpr int kSignatureSize = 6;         // "GIF" and the version
constexpr int kScreenDescriptorSize = 7;  // after the signature
constexpr int kImageDescriptorSize = 10;  // separator included
constexpr int kGraphicControlSize = 6;    // block size, packed, delay, index, terminator
constexpr int kPlainTextSize = 13;        // block size and twelve bytes
constexpr int kApplicationIdSize = 11;    // identifier (8) and authentication code (3)

// Sizes, positions and delays are 16-bit fields.
constexpr int kMaxWordValue = 0xFFFF;

// Packed field of the logical screen descriptor.
constexpr uint8_t kScreenGlobalMap = 0x80;
constexpr uint8_t kScreenResolutionShift = 4;  // bits 6-4: colour resolution - 1
constexpr uint8_t kScreenSorted = 0x08;
// Packed field of the image descriptor.
constexpr uint8_t kImageLocalMap = 0x80;
constexpr uint8_t kImageInterlaced = 0x40;
constexpr uint8_t kImageSorted = 0x20;
constexpr uint8_t kImageReserved = 0x18;
// Both descriptors: bits 2-0 give a colour table of 2^(n + 1) entries.
constexpr uint8_t kMapSizeMask = 0x07;
constexpr int MapEntries(uint8_t packed) { return 2 << (packed & kMapSizeMask); }

// Packed field of the graphic control block.
constexpr uint8_t kGceTransparent = 0x01;
constexpr uint8_t kGceUserInput = 0x02;
constexpr uint8_t kGceDisposalShift = 2;  // bits 4-2
constexpr uint8_t kGceDisposalMask = 0x1C;

// Disposal values 0 and 1 both leave the frame in place.
constexpr int DisposeNone = 1;
constexpr int DisposeBackground = 2;
constexpr int DisposePrevious = 3;

}  // namespace gif
