// Colour lookups (a colour to a palette index) and the dither engines that turn rows of true-colour pixels into
// palette indices, spreading each pixel's rounding error over its neighbours. All engines scan serpentine.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/graphics/palette.h"

namespace gif {

class TColorLookup {
 public:
  virtual ~TColorLookup() = default;
  // The palette index for the colour; R, G, B receive that entry's colour.
  virtual uint8_t Lookup(uint8_t red, uint8_t green, uint8_t blue, uint8_t& r, uint8_t& g, uint8_t& b) = 0;
  int32_t Colors = 0;
};

// Nearest entry of up to 256 palette colours (smallest |dr| + |dg| + |db|, first on ties), cached per 15-bit key.
class TFastColorLookup : public TColorLookup {
 public:
  explicit TFastColorLookup(const pf::HPALETTE& palette);
  explicit TFastColorLookup(const std::vector<pf::TPaletteEntry>& entries);
  uint8_t Lookup(uint8_t red, uint8_t green, uint8_t blue, uint8_t& r, uint8_t& g, uint8_t& b) override;

 private:
  void Init();
  static int Key(uint8_t red, uint8_t green, uint8_t blue) {
    return (red >> 3) | ((green >> 3) << 5) | ((blue >> 3) << 10);
  }
  std::vector<pf::TPaletteEntry> entries_;
  std::vector<uint16_t> cache_;
};

// The 216-colour web palette: levels (c + 3) div 51, index b + 6g + 36r.
class TNetscapeColorLookup : public TColorLookup {
 public:
  TNetscapeColorLookup() { Colors = 216; }
  uint8_t Lookup(uint8_t red, uint8_t green, uint8_t blue, uint8_t& r, uint8_t& g, uint8_t& b) override;
};

class TGrayScaleLookup : public TColorLookup {
 public:
  TGrayScaleLookup() { Colors = 256; }
  uint8_t Lookup(uint8_t red, uint8_t green, uint8_t blue, uint8_t& r, uint8_t& g, uint8_t& b) override;
};

class TMonochromeLookup : public TColorLookup {
 public:
  TMonochromeLookup() { Colors = 2; }
  uint8_t Lookup(uint8_t red, uint8_t green, uint8_t blue, uint8_t& r, uint8_t& g, uint8_t& b) override;
};

enum TDitherMode : uint8_t {
  DitherNearest = 0,
  DitherFloydSteinberg = 1,
  DitherStucki = 2,
  DitherSierra = 3,
  DitherJaJuNI = 4,
  DitherSteveArche = 5,
  DitherBurkes = 6,
};

// Nearest colour, no error carried. Feed pixels at Column, Column + Direction, ... while 0 <= Column < Width and
// call NextLine after each row.
class TDitherEngine {
 public:
  TDitherEngine(int32_t width, TColorLookup& lookup) : Width(width), Lookup(&lookup) {}
  virtual ~TDitherEngine() = default;
  virtual uint8_t Dither(uint8_t red, uint8_t green, uint8_t blue, uint8_t& r, uint8_t& g, uint8_t& b);
  virtual void NextLine();
  // Passes over the pixel at Column without dithering it (no error is taken or spread).
  virtual void Skip() { Column += Direction; }

  int32_t Direction = 1;
  int32_t Column = 0;
  int32_t Width;
  TColorLookup* Lookup;  // not owned
};

class TFloydSteinbergDitherer : public TDitherEngine {
 public:
  TFloydSteinbergDitherer(int32_t width, TColorLookup& lookup);
  uint8_t Dither(uint8_t red, uint8_t green, uint8_t blue, uint8_t& r, uint8_t& g, uint8_t& b) override;
  void NextLine() override;
  void Skip() override;

 private:
  struct Channel {
    std::vector<int32_t> row;  // Width + 2 entries; entry k belongs to column k - 1
    int32_t cur = 0, below = 0, belowPrev = 0;
  };
  Channel ch_[3];
  int32_t p_ = 0;
};

// Error diffusion over explicit error rows (current row plus rows below), each Width + 2 * margin long.
class TErrorRowDitherer : public TDitherEngine {
 public:
  uint8_t Dither(uint8_t red, uint8_t green, uint8_t blue, uint8_t& r, uint8_t& g, uint8_t& b) override;
  void NextLine() override;
  void Skip() override { Column += Direction; }

 protected:
  TErrorRowDitherer(int32_t width, TColorLookup& lookup, int rows, int margin, int32_t divisor);
  // Adds error times the engine's weights to the rows (rows[0] current, rows[1] next, ...) around position pos.
  virtual void DistributeError(int32_t* const* rows, int32_t pos, int32_t error) = 0;
  int32_t Divisor;
  int rows_;
  int margin_;

 private:
  std::vector<std::vector<int32_t>> buffers_[3];  // per channel, rows_ rows
  std::vector<int32_t*> rowPtr_[3];
};

class T5by3Ditherer : public TErrorRowDitherer {
 protected:
  T5by3Ditherer(int32_t width, TColorLookup& lookup, int32_t divisor)
      : TErrorRowDitherer(width, lookup, 3, 2, divisor) {}
};

class TStuckiDitherer : public T5by3Ditherer {
 public:
  TStuckiDitherer(int32_t width, TColorLookup& lookup) : T5by3Ditherer(width, lookup, 42) {}

 protected:
  void DistributeError(int32_t* const* rows, int32_t pos, int32_t error) override;
};

class TSierraDitherer : public T5by3Ditherer {
 public:
  TSierraDitherer(int32_t width, TColorLookup& lookup) : T5by3Ditherer(width, lookup, 32) {}

 protected:
  void DistributeError(int32_t* const* rows, int32_t pos, int32_t error) override;
};

class TJaJuNiDitherer : public T5by3Ditherer {
 public:
  TJaJuNiDitherer(int32_t width, TColorLookup& lookup) : T5by3Ditherer(width, lookup, 48) {}

 protected:
  void DistributeError(int32_t* const* rows, int32_t pos, int32_t error) override;
};

class TSteveArcheDitherer : public TErrorRowDitherer {
 public:
  TSteveArcheDitherer(int32_t width, TColorLookup& lookup) : TErrorRowDitherer(width, lookup, 4, 3, 200) {}

 protected:
  void DistributeError(int32_t* const* rows, int32_t pos, int32_t error) override;
};

class TBurkesDitherer : public TErrorRowDitherer {
 public:
  TBurkesDitherer(int32_t width, TColorLookup& lookup) : TErrorRowDitherer(width, lookup, 2, 2, 32) {}

 protected:
  void DistributeError(int32_t* const* rows, int32_t pos, int32_t error) override;
};

// The engine for a dither mode; nullptr for a mode of 7 or more.
std::unique_ptr<TDitherEngine> CreateDitherEngine(int mode, int32_t width, TColorLookup& lookup);

// Feeds one row of B, G, R pixels through the engine in its scan order, stores the indices at their columns of
// out and calls NextLine. Pixels whose skip flag is set (skip may be null) only advance the column.
void DitherRow(TDitherEngine& engine, const uint8_t* bgr, int bytesPerPixel, uint8_t* out,
               const uint8_t* skip = nullptr);

}  // namespace gif
