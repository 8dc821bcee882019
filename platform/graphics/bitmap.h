// TBitmap: a device-independent bitmap with the Windows byte layouts, rows stored top-down.
//
// Layouts (row y at ScanLine(y), each row padded to a multiple of 4 bytes):
//   pf1bit   8 pixels a byte, most significant bit first, each bit an index into the colour table
//   pf4bit   2 pixels a byte, high nibble first
//   pf8bit   1 index a pixel
//   pf15bit  16-bit little-endian words x-5-5-5 (red in bits 10-14, blue in bits 0-4)
//   pf16bit  16-bit little-endian words 5-6-5 (red in bits 11-15, blue in bits 0-4)
//   pf24bit  B, G, R
//   pf32bit  B, G, R, X
//   pfDevice as pf32bit (the screen's format); painting may set the X byte to 0xFF
// Formats of 8 bits and less carry a colour table (2^bpp entries by default, fewer when a BMP file said so),
// kept in step with the bitmap's palette handle. New area (a new bitmap, a larger size) is white.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/graphics/colors.h"
#include "platform/graphics/graphic.h"

namespace pf {

enum TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit };
enum TBitmapHandleType { bmDIB, bmDDB };
enum TTransparentMode { tmAuto, tmFixed };
// What the fourth byte of a pf32bit pixel means: nothing (afIgnored), straight alpha (afDefined) or alpha with the
// colour premultiplied by it (afPremultiplied). Drawing a 32-bit bitmap with alpha blends it over the destination
// (SRCCOPY), also on surfaces that can only be painted; painting on it keeps the channel in its meaning.
enum TAlphaFormat { afIgnored, afDefined, afPremultiplied };

struct TRGBQuad {
  uint8_t rgbBlue = 0;
  uint8_t rgbGreen = 0;
  uint8_t rgbRed = 0;
  uint8_t rgbReserved = 0;
  friend bool operator==(const TRGBQuad&, const TRGBQuad&) = default;
};

inline TRGBQuad ColorToRGBQuad(TColor c) { return {GetBValue(c), GetGValue(c), GetRValue(c), 0}; }
inline TColor RGBQuadToColor(const TRGBQuad& q) { return RGB(q.rgbRed, q.rgbGreen, q.rgbBlue); }

// Bits per pixel of a format (pfDevice: 32).
int PixelFormatBits(TPixelFormat format);
// Bytes in one padded row.
int32_t BytesPerScanline(int32_t width, int bitsPerPixel);

class TBitmap : public TGraphic {
 public:
  TBitmap();
  TBitmap(int32_t width, int32_t height, TPixelFormat format = pfDevice);
  ~TBitmap() override;
  TBitmap(const TBitmap&) = delete;
  TBitmap& operator=(const TBitmap&) = delete;
  std::string ClassName() const override { return "TBitmap"; }

  // Copies a bitmap (pixels, format, colour table, palette, transparency); nullptr-like empty sources make this
  // empty. Other graphics draw themselves into this bitmap (through their AssignTo).
  void Assign(const TPersistent& source) override;

  // Size. Existing pixels keep their place; new area is filled with the canvas brush colour (white by default),
  // for palette formats with the nearest colour-table entry. Negative sizes count as 0.
  void SetSize(int32_t width, int32_t height);
  int32_t GetWidth() const override { return width_; }
  int32_t GetHeight() const override { return height_; }
  void SetWidth(int32_t value) override { SetSize(value, height_); }
  void SetHeight(int32_t value) override { SetSize(width_, value); }
  bool GetEmpty() const override { return width_ == 0 || height_ == 0; }

  // Format. Converting keeps the picture: to a palette format it maps each colour to the nearest entry of the
  // new colour table (the halftone palette for 8 bits, the 16 VGA colours for 4 bits, black and white for 1 bit;
  // an existing palette is kept when the old format had one of a size that fits); from 1 bit to colour it uses
  // the colour table.
  TPixelFormat PixelFormat() const { return format_; }
  void SetPixelFormat(TPixelFormat format);
  int BitsPerPixel() const { return PixelFormatBits(format_); }
  // bmDDB for pfDevice, bmDIB for every explicit format.
  TBitmapHandleType HandleType() const { return format_ == pfDevice ? bmDDB : bmDIB; }
  int32_t RowBytes() const { return stride_; }

  // Row y counted from the top; y outside 0..Height-1 raises EInvalidGraphicOperation "Scan line index out of
  // range". Writing through the pointer changes the bitmap (call Modified-setting code yourself if needed).
  uint8_t* ScanLine(int32_t y);
  const uint8_t* ScanLine(int32_t y) const;

  // The colour table (formats of 8 bits and less; empty otherwise). Setting it resizes nothing: entries beyond
  // the format's 2^bpp are dropped; the palette handle is replaced by a new one made from the table.
  const std::vector<TRGBQuad>& ColorTable() const { return colorTable_; }
  void SetColorTable(const std::vector<TRGBQuad>& table);

  // The palette handle: for palette formats made from the colour table; for others whatever was set (or null).
  // Setting a palette on a palette format replaces the colour table by its entries (up to 2^bpp).
  HPALETTE GetPalette() const override { return palette_; }
  void SetPalette(const HPALETTE& value) override;

  // Monochrome: true for pf1bit. Setting true converts to pf1bit with a black-and-white table (colour pixels
  // equal to white become 1, all others 0); setting false converts to pfDevice.
  bool Monochrome() const { return format_ == pf1bit; }
  void SetMonochrome(bool value);

  // Transparency: TransparentColor is the bottom-left pixel in tmAuto mode, the set colour in tmFixed mode.
  TColor TransparentColor() const;
  void SetTransparentColor(TColor value);  // also sets tmFixed (clDefault sets tmAuto)
  TTransparentMode TransparentMode() const { return transparentMode_; }
  void SetTransparentMode(TTransparentMode value);

  // Applies to pf32bit only (other formats draw opaque whatever is set). Setting it changes no pixel.
  TAlphaFormat AlphaFormat() const { return alphaFormat_; }
  void SetAlphaFormat(TAlphaFormat value);

  // A new pf1bit mask of this size: bit 1 (white) where the pixel's colour equals color, 0 (black) elsewhere.
  std::unique_ptr<TBitmap> CreateMask(TColor color) const;

  // The pixel's RGB colour (a table entry's colour for palette formats); clNone outside the bitmap.
  TColor GetPixel(int32_t x, int32_t y) const;
  // Sets one pixel (palette formats: the nearest table entry); ignored outside the bitmap.
  void SetPixel(int32_t x, int32_t y, TColor color);

  // The canvas that paints on this bitmap (made on first use; owned by the bitmap).
  TCanvas& Canvas();
  bool HasCanvas() const { return canvas_ != nullptr; }

  // BMP files: loading takes 1, 4, 8, 16, 24 and 32 bits (BI_RGB and BI_BITFIELDS with the standard masks,
  // BI_RLE8 and BI_RLE4), bottom-up and top-down, with biClrUsed colour tables; 16 bits become pf15bit or pf16bit.
  // Damaged or truncated data raise EInvalidGraphic and leave the bitmap unchanged. Saving writes BI_RGB,
  // bottom-up, the format's bit depth (pfDevice as 32, pf15bit and pf16bit as 16 with BI_BITFIELDS for 5-6-5),
  // and the whole colour table.
  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) const override;
  // Clipboard: CF_BITMAP holds a BMP file; other formats and empty data raise EInvalidGraphic "Unsupported
  // clipboard format".
  void LoadFromClipboardFormat(uint16_t format, const std::vector<uint8_t>& data, const HPALETTE& palette) override;
  void SaveToClipboardFormat(uint16_t& format, std::vector<uint8_t>& data, HPALETTE& palette) const override;

  void Draw(TCanvas& canvas, const TRect& r) override;
  void SetTransparent(bool value) override;

  // Direct access to all rows (row 0 first, RowBytes apart).
  uint8_t* Bits() { return bits_.data(); }
  const uint8_t* Bits() const { return bits_.data(); }

  // Tells the bitmap that its pixels changed (raises OnChange).
  void PixelsChanged() { Changed(this); }

 protected:
  void AssignTo(TPersistent& dest) const override;

 private:
  friend class TCanvas;
  friend struct BitmapAccess;
  void Reallocate(int32_t width, int32_t height, TColor fill);
  void SyncPaletteFromTable();

  int32_t width_ = 0;
  int32_t height_ = 0;
  TPixelFormat format_ = pfDevice;
  int32_t stride_ = 0;
  std::vector<uint8_t> bits_;
  std::vector<TRGBQuad> colorTable_;
  HPALETTE palette_;
  TColor transparentColor_ = clDefault;
  TTransparentMode transparentMode_ = tmAuto;
  TAlphaFormat alphaFormat_ = afIgnored;
  std::unique_ptr<TCanvas> canvas_;
};

}  // namespace pf
