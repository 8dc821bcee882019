#include "platform/graphics/palette.h"

#include <algorithm>

#include "platform/graphics/nearest_color.h"

namespace pf {

struct HPALETTE::Data {
  uint16_t version = 0x300;
  std::vector<TPaletteEntry> entries;
};

const std::vector<TPaletteEntry>& HPALETTE::Entries() const {
  static const std::vector<TPaletteEntry> none;
  return data_ ? data_->entries : none;
}

uint16_t HPALETTE::Version() const { return data_ ? data_->version : 0; }

HPALETTE CreatePalette(const TLogPalette& logPalette) {
  HPALETTE result;
  if (logPalette.palPalEntry.empty() || logPalette.palPalEntry.size() > 256) return result;
  auto data = std::make_shared<HPALETTE::Data>();
  data->version = logPalette.palVersion;
  data->entries = logPalette.palPalEntry;
  result.data_ = std::move(data);
  return result;
}

HPALETTE CreatePalette(const TPaletteEntry* entries, int count) {
  TLogPalette log;
  if (entries && count > 0) log.palPalEntry.assign(entries, entries + count);
  return CreatePalette(log);
}

int GetPaletteEntries(const HPALETTE& palette, int start, int count, TPaletteEntry* entries) {
  const auto& all = palette.Entries();
  int size = static_cast<int>(all.size());
  if (!entries) return size;
  if (start < 0 || start >= size || count <= 0) return 0;
  int n = std::min(count, size - start);
  std::copy_n(all.begin() + start, n, entries);
  return n;
}

HPALETTE CopyPalette(const HPALETTE& palette) {
  if (!palette) return nullptr;
  TLogPalette log;
  log.palVersion = palette.Version();
  log.palPalEntry = palette.Entries();
  return CreatePalette(log);
}

void DeleteObject(HPALETTE& palette) { palette = nullptr; }

int GetNearestPaletteIndex(const HPALETTE& palette, TColor color) {
  return int(NearestColorIndex(palette.Entries(), color, &TPaletteEntry::peRed, &TPaletteEntry::peGreen,
                               &TPaletteEntry::peBlue));
}

namespace {

const TPaletteEntry kStaticColors[20] = {
    {0, 0, 0, 0},       {128, 0, 0, 0},     {0, 128, 0, 0},     {128, 128, 0, 0},   {0, 0, 128, 0},
    {128, 0, 128, 0},   {0, 128, 128, 0},   {192, 192, 192, 0}, {192, 220, 192, 0}, {166, 202, 240, 0},
    {255, 251, 240, 0}, {160, 160, 164, 0}, {128, 128, 128, 0}, {255, 0, 0, 0},     {0, 255, 0, 0},
    {255, 255, 0, 0},   {0, 0, 255, 0},     {255, 0, 255, 0},   {0, 255, 255, 0},   {255, 255, 255, 0},
};

TLogPalette HalftoneLog() {
  TLogPalette log;
  auto& e = log.palPalEntry;
  auto has = [&e](const TPaletteEntry& p) { return std::find(e.begin(), e.end(), p) != e.end(); };
  std::vector<TPaletteEntry> middle;
  for (int r = 0; r < 6; ++r)
    for (int g = 0; g < 6; ++g)
      for (int b = 0; b < 6; ++b) {
        TPaletteEntry p{uint8_t(r * 51), uint8_t(g * 51), uint8_t(b * 51), 0};
        if (std::find(std::begin(kStaticColors), std::end(kStaticColors), p) == std::end(kStaticColors))
          middle.push_back(p);
      }
  e.assign(kStaticColors, kStaticColors + 10);
  e.insert(e.end(), middle.begin(), middle.end());
  // Grey steps between the cube's greys until 246 entries, then the last 10 static colours.
  for (int step = 8; e.size() < 246 && step < 256; step += 8) {
    TPaletteEntry grey{uint8_t(step), uint8_t(step), uint8_t(step), 0};
    if (!has(grey) && std::find(kStaticColors + 10, kStaticColors + 20, grey) == kStaticColors + 20) e.push_back(grey);
  }
  for (int v = 4; e.size() < 246 && v < 256; v += 8) {
    TPaletteEntry grey{uint8_t(v), uint8_t(v), uint8_t(v), 0};
    if (!has(grey)) e.push_back(grey);
  }
  e.insert(e.end(), kStaticColors + 10, kStaticColors + 20);
  return log;
}

}  // namespace

HPALETTE DefaultPalette() {
  static const HPALETTE stock = CreatePalette(kStaticColors, 20);
  return stock;
}

HPALETTE CreateHalftonePalette() { return CreatePalette(HalftoneLog()); }

HPALETTE SystemPalette() {
  static const HPALETTE system = CreateHalftonePalette();
  return system;
}

}  // namespace pf
