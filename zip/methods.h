// The decoders of the methods stored (0) and deflated (8). Both decode the current entry completely into the
// output window; input shortage, cancellation and an entry larger than stated raise through the input and output.
#pragma once

#include <cstdint>

#include "zip/decoder.h"

namespace zip {

// Inflate's results: 0 done; any other value ends the entry (its CRC check then fails).
enum { kInflateOk = 0, kInflateBadData = 1, kInflateBadTable = 2, kInflateNoMemory = 3 };

// Copies count compressed bytes unchanged.
void UnStore(DecoderInput& in, DecoderOutput& out, int64_t count);

// Raw Deflate data (RFC 1951) with a 32 KB window. A table that cannot be built for lack of memory shows
// "*** inflate out of memory ***" captioned "Error" and returns kInflateNoMemory. The window is flushed at the end.
int Inflate(DecoderInput& in, DecoderOutput& out);

}  // namespace zip
