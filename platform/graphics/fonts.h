// Fonts and text metrics. Every measurement and every drawn glyph goes through one font service:
//   - the Qt service: the Windows family names map to metric-compatible faces through the layer's own alias table
//     (Times New Roman -> Liberation Serif, Arial and Helvetica -> Liberation Sans, Courier New -> Liberation Mono,
//     Verdana -> DejaVu Sans), fonts are built by pixel size at a fixed 96 dpi, each character has one whole-pixel
//     advance (no kerning, no ligatures) and glyphs are drawn at exactly the measured positions;
//   - a fixed-metric service whose numbers follow simple integer rules (below), for layout tests without real
//     fonts; its "glyphs" are solid boxes, so that placement can be checked pixel by pixel.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/component.h"
#include "platform/graphics/colors.h"

namespace pf {

enum TFontStyle : uint8_t { fsBold = 0x01, fsItalic = 0x02, fsUnderline = 0x04, fsStrikeOut = 0x08 };
using TFontStyles = uint8_t;
enum TFontPitch { fpDefault, fpVariable, fpFixed };
// fqDefault and fqAntialiased draw smoothed glyphs; fqNonAntialiased draws hard pixels (charts saved as GIF).
enum TFontQuality { fqDefault, fqNonAntialiased, fqAntialiased };

enum : uint8_t { ANSI_CHARSET = 0, DEFAULT_CHARSET = 1, SYMBOL_CHARSET = 2, OEM_CHARSET = 255 };
enum : uint8_t { DEFAULT_PITCH = 0, FIXED_PITCH = 1, VARIABLE_PITCH = 2 };

// The fixed resolution of every screen conversion (points to pixels).
constexpr int kPixelsPerInch = 96;

// What a font is made from. Height < 0: the character (em) height in pixels; Height > 0: the cell height
// (ascent + descent); 0: the default 16 pixels. Name may be a comma-separated list: the first installed family wins,
// else the layer's default face.
struct TFontDesc {
  std::string Name = "Arial";
  int32_t Height = -11;
  TFontStyles Style = 0;
  uint8_t Charset = DEFAULT_CHARSET;
  TFontPitch Pitch = fpDefault;
  TFontQuality Quality = fqDefault;
  // The angle of the text's baseline in tenths of degrees, counter-clockwise (900: the text runs upwards); it turns
  // the drawing, not the measurement.
  int32_t Escapement = 0;
  friend bool operator==(const TFontDesc&, const TFontDesc&) = default;
};

// The text metrics the layout relies on, in pixels. tmHeight = tmAscent + tmDescent; tmHeight - tmInternalLeading
// is the em size (the requested character height).
struct TTextMetric {
  int32_t tmHeight = 0;
  int32_t tmAscent = 0;
  int32_t tmDescent = 0;
  int32_t tmInternalLeading = 0;
  int32_t tmExternalLeading = 0;
  int32_t tmAveCharWidth = 0;
  int32_t tmMaxCharWidth = 0;
  int32_t tmWeight = 400;
  uint8_t tmItalic = 0;
  uint8_t tmUnderlined = 0;
  uint8_t tmStruckOut = 0;
  uint8_t tmPitchAndFamily = 0;  // bit 0 (TMPF_FIXED_PITCH) set for a VARIABLE pitch font, as GDI does
  uint8_t tmCharSet = ANSI_CHARSET;
};

class TFont : public TPersistent {
 public:
  TFont() = default;
  std::string ClassName() const override { return "TFont"; }
  void Assign(const TPersistent& source) override;

  const std::string& Name() const { return desc_.Name; }
  void SetName(const std::string& value);
  // Height in pixels (negative: character height); Size in points (Size = -Height * 72 / 96, rounded).
  int32_t Height() const { return desc_.Height; }
  void SetHeight(int32_t value);
  int32_t Size() const;
  void SetSize(int32_t points);
  TColor Color() const { return color_; }
  void SetColor(TColor value);
  TFontStyles Style() const { return desc_.Style; }
  void SetStyle(TFontStyles value);
  uint8_t Charset() const { return desc_.Charset; }
  void SetCharset(uint8_t value);
  TFontPitch Pitch() const { return desc_.Pitch; }
  void SetPitch(TFontPitch value);
  TFontQuality Quality() const { return desc_.Quality; }
  void SetQuality(TFontQuality value);
  int32_t Escapement() const { return desc_.Escapement; }
  void SetEscapement(int32_t tenthsOfDegrees);
  int32_t PixelsPerInch() const { return kPixelsPerInch; }

  const TFontDesc& Desc() const { return desc_; }
  void SetDesc(const TFontDesc& desc);

  std::function<void(TFont&)> OnChange;

 private:
  void Changed();
  // Stores a property's new value and tells the owner.
  template <class T>
  void Change(T& field, const T& value) {
    field = value;
    Changed();
  }
  TFontDesc desc_;
  TColor color_ = clWindowText;
};

// Where a face's drawing happens; defined by the canvas implementation.
struct TGlyphPainter;

// A realised font: its metrics and per-character advances.
class TFontFace {
 public:
  virtual ~TFontFace() = default;
  const TTextMetric& Metrics() const { return metrics_; }
  // The family as the font's user named it (the Windows name for an alias).
  const std::string& FamilyName() const { return familyName_; }
  // Whole-pixel advance of one character (a code point): 0 for control characters (below 32) and lone surrogates.
  // In UTF-16 text a surrogate pair's advance sits on its high unit, 0 on its low unit (see TextAdvances).
  virtual int32_t CharWidth(char32_t c) const = 0;
  // The advance of every UTF-16 unit of text, by the rule above.
  std::vector<int32_t> TextAdvances(std::u16string_view text) const;
  // Draws text with unit i's glyph cell starting at x + positions[i] (positions from the caller's measurement), the
  // baseline at baseline; underline and strike-out (by the metrics' flags) across width pixels.
  virtual void DrawGlyphs(TGlyphPainter& painter, int32_t x, int32_t baseline, std::u16string_view text,
                          const std::vector<int32_t>& positions, int32_t width) const = 0;
  // Underline and strike-out lines: the top of the line relative to the baseline (positive downwards) and the
  // thickness.
  int32_t UnderlineOffset() const { return underlineOffset_; }
  int32_t StrikeOutOffset() const { return strikeOutOffset_; }
  int32_t LineThickness() const { return lineThickness_; }

 protected:
  TTextMetric metrics_;
  std::string familyName_;
  int32_t underlineOffset_ = 1;
  int32_t strikeOutOffset_ = -3;
  int32_t lineThickness_ = 1;
};

class IFontService {
 public:
  virtual ~IFontService() = default;
  // A face for the description (cached: equal descriptions give the same face).
  virtual std::shared_ptr<const TFontFace> Realize(const TFontDesc& desc) = 0;
  // Whether a family of this (Windows or real) name is available, without regard to case.
  virtual bool HasFamily(std::string_view name) = 0;
  // The families on offer: the Windows names whose alias is installed, then the real families.
  virtual std::vector<std::string> Families() = 0;
};

// The service in use (the Qt one unless replaced).
IFontService& FontService();
// Replaces the service; nullptr returns to the Qt one.
void SetFontService(std::shared_ptr<IFontService> service);
std::shared_ptr<IFontService> CreateQtFontService();
// Makes the faces of a TrueType or OpenType file available to the Qt service, for tests (the generated fonts with
// known glyph boxes): their family names then resolve like installed families, in font names and HasFamily.
// Returns those names; raises EInvalidGraphic when the file cannot be read as a font.
std::vector<std::string> RegisterFontFile(const std::string& path);

// Fixed-metric service. For a character height px (from Height < 0; Height > 0 gives px = Height * 4 / 5;
// 0 gives 16) and b = 1 when bold, else 0:
//   tmInternalLeading = px / 4, tmHeight = px + px / 4, tmDescent = tmHeight / 5, tmAscent = tmHeight - tmDescent,
//   tmExternalLeading = px / 8, tmAveCharWidth = px / 2 + b, tmMaxCharWidth = px * 3 / 4 + b;
//   advances: characters below 32 and low surrogates 0; space and "il.,;:'!|" max(1, px / 4) + b; upper-case
//   ASCII letters, "m", "w" and "@" px * 3 / 4 + b; everything else px / 2 + b. The fixed-pitch families
//   ("Courier New", "Fixed") give every character from 32 on px * 3 / 5 + b, which is then also the average and
//   maximum width.
// Every non-blank character draws as a solid box from its cell's left edge, advance - 1 pixels wide, from
// baseline - (tmAscent - tmInternalLeading) to the baseline (excluded). Underline: 1 pixel at baseline + 1;
// strike-out: 1 pixel at baseline - (tmAscent - tmInternalLeading) / 2. It offers the families of the Qt service's
// alias table plus "Fixed".
std::shared_ptr<IFontService> CreateFixedMetricFontService();

// The menu font that the desktop names (face, height in pixels at 96 dpi, italic, underline, strike-out, and bold from
// a weight of 700 on) replaces the font's description; false, and the font untouched, where the desktop's theme
// names none (no desktop, or one whose settings the toolkit does not read). The colour stays.
bool GetMenuFont(TFont& font);

// The Linux face that stands in for a Windows family name ("" when the name has no alias).
std::string FontAliasTarget(std::string_view windowsName);
// The em height in pixels of a size in points at 96 dpi (12 -> 16, 10 -> 13, 8 -> 11).
int32_t PointsToPixels(int32_t points);

}  // namespace pf
