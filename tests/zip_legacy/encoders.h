// Test-only compressors for the three older ZIP methods. They exist to produce valid streams for the decoders'
// tests and the committed fixture archives; they favour clarity over ratio.
#pragma once

#include "tests/zip/bit_writer.h"

namespace ziptest {

// Method 1. `clearEvery` > 0 emits a partial clear after that many codes (besides the clears when the table is
// full); 0 clears only when the table is full.
Bytes Shrink(const Bytes& data, int clearEvery = 0);

// Methods 2-5 (factor 1-4). Without `matches` the output holds literals only (DLE bytes still escaped).
Bytes Reduce(const Bytes& data, int factor, bool matches);

// Method 6 with the 8 KB or 4 KB dictionary, with or without the literal tree.
Bytes Implode(const Bytes& data, bool dictionary8k, bool literalTree);

// General-purpose flags of an imploded entry.
uint16_t ImplodeFlags(bool dictionary8k, bool literalTree);

}  // namespace ziptest
