// The three older ZIP compression methods: shrunk (1), reduced (2-5) and imploded (6).
//
// Each decoder reads the entry's compressed bytes from `in` and writes the entry's bytes through `out`; it stops as
// soon as `uncompressedSize` bytes have been produced, so it never asks for input beyond the last code. It never
// writes more than `uncompressedSize` bytes. Input shortage and cancellation raise through DecoderInput; data that
// the format does not allow (an undefined code, a control code or length out of range, a damaged code tree, a
// string or copy that runs past the entry's size) ends the entry with kLegacyBadData, and the entry's CRC check then
// fails. The output window is flushed before a decoder returns (not when it raises). Tables and windows are
// allocated per call and every access is checked against them, so any input ends within time proportional to the
// input and output sizes.
#pragma once

#include <cstdint>

#include "zip/decoder.h"

namespace zip {

constexpr int kLegacyOk = 0;
constexpr int kLegacyBadData = 1;

// Method 1: LZW with partial clearing, 9 to 13-bit codes.
int UnShrink(DecoderInput& in, DecoderOutput& out, uint64_t uncompressedSize);

// Methods 2-5: `factor` is the method minus 1 (1 to 4); any other factor returns kLegacyBadData at once.
int UnReduce(DecoderInput& in, DecoderOutput& out, int factor, uint64_t uncompressedSize);

// Method 6: `generalFlags` is the entry's general-purpose bit flag; bit 1 selects the 8 KB dictionary (else 4 KB),
// bit 2 the literal tree (three code trees instead of two).
int Explode(DecoderInput& in, DecoderOutput& out, uint16_t generalFlags, uint64_t uncompressedSize);

}  // namespace zip
