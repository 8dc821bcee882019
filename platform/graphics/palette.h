// Logical palettes as handles with identity: every CreatePalette gives a new palette; copies of one handle compare
// equal. A palette lives as long as a handle refers to it (DeleteObject just lets go of one handle). On the
// true-colour surfaces of this platform, selecting and realising a palette changes nothing that is drawn.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/graphics/colors.h"

namespace pf {

class TCanvas;

struct TPaletteEntry {
  uint8_t peRed = 0;
  uint8_t peGreen = 0;
  uint8_t peBlue = 0;
  uint8_t peFlags = 0;
  friend bool operator==(const TPaletteEntry&, const TPaletteEntry&) = default;
};

enum : uint8_t { PC_RESERVED = 0x01, PC_EXPLICIT = 0x02, PC_NOCOLLAPSE = 0x04 };

// A logical palette: version (0x300) and its entries (palNumEntries is palPalEntry.size(), at most 256).
struct TLogPalette {
  uint16_t palVersion = 0x300;
  std::vector<TPaletteEntry> palPalEntry;
};

class HPALETTE {
 public:
  HPALETTE() = default;
  HPALETTE(std::nullptr_t) {}
  explicit operator bool() const { return data_ != nullptr; }
  friend bool operator==(const HPALETTE& a, const HPALETTE& b) { return a.data_ == b.data_; }
  // The entries (empty for the null handle) and the version the palette was made with.
  const std::vector<TPaletteEntry>& Entries() const;
  uint16_t Version() const;

 private:
  struct Data;
  friend HPALETTE CreatePalette(const TLogPalette& logPalette);
  std::shared_ptr<const Data> data_;
};

// A new palette; the null handle when the log palette has no entries or more than 256.
HPALETTE CreatePalette(const TLogPalette& logPalette);
HPALETTE CreatePalette(const TPaletteEntry* entries, int count);
// Copies up to count entries from start into entries; returns the number copied (0 for a null handle or a start
// past the end). With entries == nullptr returns the palette's entry count.
int GetPaletteEntries(const HPALETTE& palette, int start, int count, TPaletteEntry* entries);
// A new palette with the same entries (and version); null for null.
HPALETTE CopyPalette(const HPALETTE& palette);
// Lets go of this handle (sets it to null).
void DeleteObject(HPALETTE& palette);
// The index of the entry nearest to color (squared RGB distance; first of equals); 0 for a null palette.
int GetNearestPaletteIndex(const HPALETTE& palette, TColor color);

// The stock palette of the 20 static colours; the same handle on every call.
HPALETTE DefaultPalette();
// A new 256-colour halftone palette: the 20 static colours (first 10 at the start, last 10 at the end), between
// them the 6x6x6 colour cube with levels 0, 51, ..., 255, then grey steps, no two entries equal.
HPALETTE CreateHalftonePalette();
// The system palette the layer pretends to have for palette screens (256 entries, the halftone colours); the same
// handle on every call.
HPALETTE SystemPalette();

// The palette selected into a canvas; returns the previously selected one. Accepted for the drawing code's sake.
HPALETTE SelectPalette(TCanvas& canvas, const HPALETTE& palette, bool forceBackground);
// Returns the number of entries mapped into the system palette: always 0 here (nothing to map).
int RealizePalette(TCanvas& canvas);

}  // namespace pf
