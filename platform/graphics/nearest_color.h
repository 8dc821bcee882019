// Private to the graphics layer: the nearest colour of a table, shared by palettes and colour tables.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

#include "platform/graphics/colors.h"

namespace pf {

// The index of the entry nearest to color (squared RGB distance, the first of equals; 0 for an empty table); the
// member pointers name an entry's red, green and blue bytes.
template <class Entry>
size_t NearestColorIndex(const std::vector<Entry>& table, TColor color, uint8_t Entry::*red, uint8_t Entry::*green,
                         uint8_t Entry::*blue) {
  size_t best = 0;
  int bestDistance = std::numeric_limits<int>::max();
  const int r = GetRValue(color), g = GetGValue(color), b = GetBValue(color);
  for (size_t i = 0; i < table.size() && bestDistance > 0; ++i) {
    int dr = table[i].*red - r, dg = table[i].*green - g, db = table[i].*blue - b;
    int d = dr * dr + dg * dg + db * db;
    if (d < bestDistance) bestDistance = d, best = i;
  }
  return best;
}

}  // namespace pf
