#include "gif/dither.h"

#include <algorithm>
#include <cstdlib>

namespace gif {

namespace {
inline int32_t Clamp255(int32_t v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }
}  // namespace

// --- lookups -----------------------------------------------------------------------------------------------------

TFastColorLookup::TFastColorLookup(const pf::HPALETTE& palette) {
  int count = std::min(pf::GetPaletteEntries(palette, 0, 0, nullptr), 256);
  entries_.resize(static_cast<size_t>(count));
  if (count > 0) pf::GetPaletteEntries(palette, 0, count, entries_.data());
  Init();
}

TFastColorLookup::TFastColorLookup(const std::vector<pf::TPaletteEntry>& entries)
    : entries_(entries.begin(), entries.begin() + std::min<size_t>(entries.size(), 256)) {
  Init();
}

void TFastColorLookup::Init() {
  Colors = static_cast<int32_t>(entries_.size());
  cache_.assign(32768, 65535);
  for (size_t i = 0; i < entries_.size(); ++i) {
    int key = Key(entries_[i].peRed, entries_[i].peGreen, entries_[i].peBlue);
    if (cache_[static_cast<size_t>(key)] == 65535) cache_[static_cast<size_t>(key)] = static_cast<uint16_t>(i);
  }
}

uint8_t TFastColorLookup::Lookup(uint8_t red, uint8_t green, uint8_t blue, uint8_t& r, uint8_t& g, uint8_t& b) {
  uint16_t& slot = cache_[static_cast<size_t>(Key(red, green, blue))];
  if (slot == 65535) {
    int best = 3 * 65536;
    int bestIndex = 0;
    for (size_t i = 0; i < entries_.size(); ++i) {
      const auto& e = entries_[i];
      int d = std::abs(e.peRed - red) + std::abs(e.peGreen - green) + std::abs(e.peBlue - blue);
      if (d < best) {
        best = d;
        bestIndex = static_cast<int>(i);
      }
    }
    slot = static_cast<uint16_t>(bestIndex);
  }
  if (entries_.empty()) {
    r = g = b = 0;
    return 0;
  }
  const auto& e = entries_[slot];
  r = e.peRed;
  g = e.peGreen;
  b = e.peBlue;
  return static_cast<uint8_t>(slot);
}

uint8_t TNetscapeColorLookup::Lookup(uint8_t red, uint8_t green, uint8_t blue, uint8_t& r, uint8_t& g, uint8_t& b) {
  int lr = (red + 3) / 51, lg = (green + 3) / 51, lb = (blue + 3) / 51;
  r = static_cast<uint8_t>(51 * lr);
  g = static_cast<uint8_t>(51 * lg);
  b = static_cast<uint8_t>(51 * lb);
  return static_cast<uint8_t>(lb + 6 * lg + 36 * lr);
}

uint8_t TGrayScaleLookup::Lookup(uint8_t red, uint8_t green, uint8_t blue, uint8_t& r, uint8_t& g, uint8_t& b) {
  uint8_t index = static_cast<uint8_t>((77 * red + 150 * green + 29 * blue) >> 8);
  r = g = b = index;
  return index;
}

uint8_t TMonochromeLookup::Lookup(uint8_t red, uint8_t green, uint8_t blue, uint8_t& r, uint8_t& g, uint8_t& b) {
  int sum = 77 * red + 150 * green + 29 * blue;
  if (sum < 32513) {
    r = g = b = 0;
    return 0;
  }
  r = g = b = 255;
  return 1;
}

// --- engines -----------------------------------------------------------------------------------------------------

uint8_t TDitherEngine::Dither(uint8_t red, uint8_t green, uint8_t blue, uint8_t& r, uint8_t& g, uint8_t& b) {
  uint8_t index = Lookup->Lookup(red, green, blue, r, g, b);
  Column += Direction;
  return index;
}

void TDitherEngine::NextLine() {
  Direction = -Direction;
  Column = Direction == 1 ? 0 : Width - 1;
}

TFloydSteinbergDitherer::TFloydSteinbergDitherer(int32_t width, TColorLookup& lookup) : TDitherEngine(width, lookup) {
  for (auto& c : ch_) c.row.assign(static_cast<size_t>(width) + 2, 0);
}

uint8_t TFloydSteinbergDitherer::Dither(uint8_t red, uint8_t green, uint8_t blue, uint8_t& r, uint8_t& g, uint8_t& b) {
  const uint8_t in[3] = {red, green, blue};
  int32_t value[3];
  for (int i = 0; i < 3; ++i) {
    Channel& c = ch_[i];
    value[i] = Clamp255(in[i] + (c.row[static_cast<size_t>(p_ + Direction)] + c.cur + 8) / 16);
  }
  uint8_t chosen[3];
  uint8_t index = Lookup->Lookup(static_cast<uint8_t>(value[0]), static_cast<uint8_t>(value[1]),
                                 static_cast<uint8_t>(value[2]), chosen[0], chosen[1], chosen[2]);
  for (int i = 0; i < 3; ++i) {
    Channel& c = ch_[i];
    int32_t e = value[i] - chosen[i];
    c.row[static_cast<size_t>(p_)] = c.belowPrev + 3 * e;
    c.belowPrev = c.below + 5 * e;
    c.below = e;
    c.cur = 7 * e;
  }
  r = chosen[0];
  g = chosen[1];
  b = chosen[2];
  p_ += Direction;
  Column += Direction;
  return index;
}

void TFloydSteinbergDitherer::Skip() {
  for (auto& c : ch_) {
    c.row[static_cast<size_t>(p_)] = c.belowPrev;
    c.belowPrev = c.below;
    c.below = 0;
    c.cur = 0;
  }
  p_ += Direction;
  Column += Direction;
}

void TFloydSteinbergDitherer::NextLine() {
  for (auto& c : ch_) {
    c.row[static_cast<size_t>(p_)] = c.belowPrev;
    c.cur = c.below = c.belowPrev = 0;
  }
  TDitherEngine::NextLine();
  p_ = Direction == 1 ? 0 : Width + 1;
}

TErrorRowDitherer::TErrorRowDitherer(int32_t width, TColorLookup& lookup, int rows, int margin, int32_t divisor)
    : TDitherEngine(width, lookup), Divisor(divisor), rows_(rows), margin_(margin) {
  for (int c = 0; c < 3; ++c) {
    buffers_[c].assign(static_cast<size_t>(rows), std::vector<int32_t>(static_cast<size_t>(width + 2 * margin), 0));
    for (auto& row : buffers_[c]) rowPtr_[c].push_back(row.data());
  }
}

uint8_t TErrorRowDitherer::Dither(uint8_t red, uint8_t green, uint8_t blue, uint8_t& r, uint8_t& g, uint8_t& b) {
  const uint8_t in[3] = {red, green, blue};
  const int32_t pos = Column + margin_;
  int32_t value[3];
  for (int c = 0; c < 3; ++c) value[c] = Clamp255(in[c] + (rowPtr_[c][0][pos] + Divisor / 2) / Divisor);
  uint8_t chosen[3];
  uint8_t index = Lookup->Lookup(static_cast<uint8_t>(value[0]), static_cast<uint8_t>(value[1]),
                                 static_cast<uint8_t>(value[2]), chosen[0], chosen[1], chosen[2]);
  for (int c = 0; c < 3; ++c) {
    int32_t error = value[c] - chosen[c];
    if (error != 0) DistributeError(rowPtr_[c].data(), pos, error);
  }
  r = chosen[0];
  g = chosen[1];
  b = chosen[2];
  Column += Direction;
  return index;
}

void TErrorRowDitherer::NextLine() {
  for (int c = 0; c < 3; ++c) {
    auto& rows = rowPtr_[c];
    int32_t* done = rows[0];
    std::fill(done, done + Width + 2 * margin_, 0);
    std::rotate(rows.begin(), rows.begin() + 1, rows.end());
  }
  TDitherEngine::NextLine();
}

// Weights by offset in the scan direction; d is the direction.
void TStuckiDitherer::DistributeError(int32_t* const* rows, int32_t pos, int32_t e) {
  const int32_t d = Direction;
  rows[0][pos + d] += 8 * e;
  rows[0][pos + 2 * d] += 4 * e;
  static const int32_t next[5] = {2, 4, 8, 4, 2}, after[5] = {1, 2, 4, 2, 1};
  for (int k = -2; k <= 2; ++k) {
    rows[1][pos + k * d] += next[k + 2] * e;
    rows[2][pos + k * d] += after[k + 2] * e;
  }
}

void TSierraDitherer::DistributeError(int32_t* const* rows, int32_t pos, int32_t e) {
  const int32_t d = Direction;
  rows[0][pos + d] += 5 * e;
  rows[0][pos + 2 * d] += 3 * e;
  static const int32_t next[5] = {2, 4, 5, 4, 2};
  for (int k = -2; k <= 2; ++k) rows[1][pos + k * d] += next[k + 2] * e;
  rows[2][pos - d] += 2 * e;
  rows[2][pos] += 3 * e;
  rows[2][pos + d] += 2 * e;
}

void TJaJuNiDitherer::DistributeError(int32_t* const* rows, int32_t pos, int32_t e) {
  const int32_t d = Direction;
  rows[0][pos + d] += 7 * e;
  rows[0][pos + 2 * d] += 5 * e;
  static const int32_t next[5] = {3, 5, 7, 5, 3}, after[5] = {1, 3, 5, 3, 1};
  for (int k = -2; k <= 2; ++k) {
    rows[1][pos + k * d] += next[k + 2] * e;
    rows[2][pos + k * d] += after[k + 2] * e;
  }
}

void TSteveArcheDitherer::DistributeError(int32_t* const* rows, int32_t pos, int32_t e) {
  const int32_t d = Direction;
  rows[0][pos + 2 * d] += 32 * e;
  rows[1][pos - 3 * d] += 12 * e;
  rows[1][pos - d] += 26 * e;
  rows[1][pos + d] += 30 * e;
  rows[1][pos + 3 * d] += 16 * e;
  rows[2][pos - 2 * d] += 12 * e;
  rows[2][pos] += 26 * e;
  rows[2][pos + 2 * d] += 12 * e;
  rows[3][pos - 3 * d] += 5 * e;
  rows[3][pos - d] += 12 * e;
  rows[3][pos + d] += 12 * e;
  rows[3][pos + 3 * d] += 5 * e;
}

void TBurkesDitherer::DistributeError(int32_t* const* rows, int32_t pos, int32_t e) {
  const int32_t d = Direction;
  rows[0][pos + d] += 8 * e;
  rows[0][pos + 2 * d] += 4 * e;
  static const int32_t next[5] = {2, 4, 8, 4, 2};
  for (int k = -2; k <= 2; ++k) rows[1][pos + k * d] += next[k + 2] * e;
}

std::unique_ptr<TDitherEngine> CreateDitherEngine(int mode, int32_t width, TColorLookup& lookup) {
  switch (mode) {
    case DitherNearest:
      return std::make_unique<TDitherEngine>(width, lookup);
    case DitherFloydSteinberg:
      return std::make_unique<TFloydSteinbergDitherer>(width, lookup);
    case DitherStucki:
      return std::make_unique<TStuckiDitherer>(width, lookup);
    case DitherSierra:
      return std::make_unique<TSierraDitherer>(width, lookup);
    case DitherJaJuNI:
      return std::make_unique<TJaJuNiDitherer>(width, lookup);
    case DitherSteveArche:
      return std::make_unique<TSteveArcheDitherer>(width, lookup);
    case DitherBurkes:
      return std::make_unique<TBurkesDitherer>(width, lookup);
    default:
      return nullptr;
  }
}

void DitherRow(TDitherEngine& engine, const uint8_t* bgr, int bytesPerPixel, uint8_t* out, const uint8_t* skip) {
  uint8_t r, g, b;
  while (engine.Column >= 0 && engine.Column < engine.Width) {
    const int32_t x = engine.Column;
    if (skip != nullptr && skip[x]) {
      engine.Skip();
      continue;
    }
    const uint8_t* px = bgr + static_cast<size_t>(x) * bytesPerPixel;
    out[x] = engine.Dither(px[2], px[1], px[0], r, g, b);
  }
  engine.NextLine();
}

}  // namespace gif
