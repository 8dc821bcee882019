#include "viewer/screen_palette.h"

#include <vector>

#include "platform/graphics/graphic.h"

namespace viewer {

namespace {

constexpr int kSharedPaletteSize = 256;
constexpr int kCubeStart = 10;  // after the first ten system colours
constexpr uint8_t kCubeLevels[6] = {55, 115, 165, 205, 235, 255};
constexpr int kNearWhiteEntry = 245;

}  // namespace

int ScreenColorDepth() {
  const int bits = pf::ScreenBitsPerPixel();
  return bits < 5 ? 4 : bits > 8 ? 24 : 8;
}

pf::HPALETTE CreateSharedPalette() {
  std::vector<pf::TPaletteEntry> entries(kSharedPaletteSize);
  pf::GetPaletteEntries(pf::SystemPalette(), 0, kSharedPaletteSize, entries.data());
  size_t next = kCubeStart;
  for (uint8_t blue : kCubeLevels)
    for (uint8_t green : kCubeLevels)
      for (uint8_t red : kCubeLevels)
        if (red != 255 || green != 255 || blue != 255) entries[next++] = {red, green, blue, 0};
  for (int i = 1; i <= 24; ++i) {
    if (i == 7 || i == 15 || i == 21) continue;
    const auto grey = static_cast<uint8_t>(130 + 5 * i);
    entries[next++] = {grey, grey, grey, 0};
  }
  entries[kNearWhiteEntry] = {255, 255, 254, 0};
  return pf::CreatePalette(entries.data(), kSharedPaletteSize);
}

pf::HPALETTE SharedPalette() {
  if (ScreenColorDepth() > 8) return nullptr;
  static const pf::HPALETTE shared = CreateSharedPalette();
  return shared;
}

pf::HPALETTE DuplicatePalette(const pf::HPALETTE& palette) {
  if (ScreenColorDepth() > 8) return nullptr;
  std::vector<pf::TPaletteEntry> entries(kSharedPaletteSize);
  const int count = pf::GetPaletteEntries(palette, 0, kSharedPaletteSize, entries.data());
  return count > 0 ? pf::CreatePalette(entries.data(), count) : nullptr;
}

}  // namespace viewer
