// The values of style properties: the property index and its names, the value type and its sentinels, colours,
// lengths, font sizes and families, keyword codes, the font descriptions of links, the element font with its
// metrics, and the converters of box values into pixels.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <variant>

#include "platform/graphics/canvas.h"
#include "platform/graphics/colors.h"
#include "platform/graphics/fonts.h"

namespace viewer {

// The style properties; the order is the index of every property array and of the name table.
enum TPropertyIndex : int {
  piFontFamily,
  piFontSize,
  piFontStyle,
  piFontWeight,
  piTextAlign,
  piTextDecoration,
  piLetterSpacing,
  piBorderStyle,
  piColor,
  piBackgroundColor,
  piBorderColor,
  piMarginTop,
  piMarginRight,
  piMarginBottom,
  piMarginLeft,
  piPaddingTop,
  piPaddingRight,
  piPaddingBottom,
  piPaddingLeft,
  piBorderTopWidth,
  piBorderRightWidth,
  piBorderBottomWidth,
  piBorderLeftWidth,
  piBorderTopColor,
  piBorderRightColor,
  piBorderBottomColor,
  piBorderLeftColor,
  piBorderTopStyle,
  piBorderRightStyle,
  piBorderBottomStyle,
  piBorderLeftStyle,
  piWidth,
  piHeight,
  piTop,
  piBottom,
  piRight,
  piLeft,
  piVisibility,
  piLineHeight,
  piBackgroundImage,
  piBackgroundPosition,
  piBackgroundRepeat,
  piBackgroundAttachment,
  piVerticalAlign,
  piPosition,
  piZIndex,
  piListStyleType,
  piListStyleImage,
  piFloat,
  piClear,
  piTextIndent,
  piPageBreakBefore,
  piPageBreakAfter,
  piPageBreakInside,
  piTextTransform,
  piWordWrap,
  piFontVariant,
  piBorderCollapse,
  piOverflow,
  piDisplay,
};
constexpr int kPropertyCount = 60;
// The CSS name of a property ("font-family" ...).
const char* PropertyName(int index);
// The index of a CSS name, -1 when the name is not in the table.
int LookupPropertyName(std::string_view name);

// A property value: unassigned, CSS text (lower case from style sheets), an integer (colours, pixels, codes) or a
// double (font sizes in points).
using TPropValue = std::variant<std::monostate, std::string, int32_t, double>;
inline bool IsAssigned(const TPropValue& v) { return !std::holds_alternative<std::monostate>(v); }
inline bool IsString(const TPropValue& v) { return std::holds_alternative<std::string>(v); }
inline bool IsNumber(const TPropValue& v) {
  return std::holds_alternative<int32_t>(v) || std::holds_alternative<double>(v);
}
// The text of a string value, "" for any other.
const std::string& StringOf(const TPropValue& v);
// An integer value, a double rounded; def for text and unassigned values.
int32_t IntOf(const TPropValue& v, int32_t def);
// A whole number written in a style (a colour component, a weight, a layer): as the platform reads integers, a
// run of decimal digits beyond 32 bits held at the 32-bit end of its sign; def when the text is no number.
int32_t StyleInteger(std::string_view text, int32_t def);

// Sentinels shared by style and layout.
constexpr int32_t UnsetBoxValue = -12345678;          // a box property that nothing set
constexpr int32_t AutoValue = -12348765;              // "auto"
constexpr int32_t DefaultVerticalMargin = -12348766;  // the default margin of paragraphs and lists
constexpr int32_t kDefaultVerticalMarginPixels = 14;

// ---- colours ----

// Colour text: a name (never with the palette flag), "rgb(r, g, b)" with numbers or percentages, or hexadecimal
// "#rgb" / "#rrggbb" (also without "#" when needHash is false; with the palette flag of the screen). Text that is
// none of these (a bad or too long hexadecimal number among them) gives false.
// The last text read as a number colour is remembered and answered again without being read.
bool ParseColorValue(std::string_view text, bool needHash, pf::TColor& color);
// How many texts ParseColorValue has read as number colours (answers from its memory and names not counted).
int64_t ColorTextsRead();
// The colour of a lower-case colour name (system colour names give 0x80000000 + the index); false for no name.
bool LookupColorName(std::string_view name, pf::TColor& color);

// ---- lengths and font sizes ----

// The document default font size in points (set by the default style sheet; 12 until then).
double DefPointSize();
void SetDefPointSize(double points);
// Pixels of a length: in, cm, mm, pt, px, pc, em, ex, % of base; a bare number is base x n when bareIsFactor, else
// n pixels; any other unit (and text without a number, such as "auto") gives def. Rounded, halves to even.
int32_t LengthToPixels(std::string_view text, bool bareIsFactor, double base, int32_t def, int32_t exSize,
                       int32_t emSize);
// Points of a font size: units as above (a bare number is pixels), relative units against parentSize, the keywords
// smaller, larger and xx-small .. xx-large; anything else the default size.
double FontSizeToPoints(std::string_view text, double parentSize);
// The character height in pixels of a size in points at the screen's 96 pixels per inch (12 gives 16).
int32_t PointsToPixelHeight(double points);
// The first family of a comma-separated list (generic names mapped, one enclosing quote removed) that the font
// service offers; the first name when it offers none.
std::string FindInstalledFont(std::string_view familyList);

// ---- keywords ----

// The text inside url(...) of a value (quotes removed); "" when there is none.
std::string ExtractCssUrl(std::string_view value);
// top 1, middle/absmiddle/center 2, baseline 3, bottom 4, left 5, right 6, justify 7; false and 0 for anything
// else.
bool ParseAlignKeyword(std::string_view text, int& code);
// The border style code of a name ("none" 0 .. "double" 8); 0 for an unknown name.
uint8_t BorderStyleCode(std::string_view name);
enum TListStyleType : uint8_t {
  lsBlank,
  lsCircle,
  lsDecimal,
  lsDisc,
  lsLowerAlpha,
  lsLowerRoman,
  lsNone,
  lsSquare,
  lsUpperAlpha,
  lsUpperRoman
};
// False when the name is no list-style type.
bool LookupListStyleType(std::string_view name, TListStyleType& type);

// ---- fonts ----

// One font description of a link state.
struct ThtFontInfo {
  std::string Name;
  double Size = 12;  // points
  pf::TFontStyles Style = 0;
  pf::TColor Color = pf::clBlack;
  pf::TColor BackgroundColor = pf::clNone;
  uint8_t CharSet = pf::DEFAULT_CHARSET;
  TPropValue LetterSpacing;
};

// The four looks of a link.
struct TFontInfoArray {
  enum : int { fiLink = 0, fiVisited = 1, fiHover = 2, fiVisitedHover = 3 };
  std::array<ThtFontInfo, 4> Info;
};

// A font with the metrics the layout needs.
class TMyFont : public pf::TFont {
 public:
  std::string ClassName() const override { return "TMyFont"; }
  // Copies the metrics too when source is a TMyFont.
  void Assign(const pf::TPersistent& source) override;
  // Name, height, style, colour and charset from a description, then the metrics, then the character extra of its
  // letter spacing (lengths against the font's own em size).
  void ApplyFontInfo(const ThtFontInfo& info);
  // Reads the metrics of the font as it is now from the font service.
  void UpdateMetrics();
  // Selects the font into the canvas with its character extra.
  void AssignToCanvas(pf::TCanvas& canvas) const;
  int32_t EmSize() const { return Metrics.tmHeight - Metrics.tmInternalLeading; }

  pf::TTextMetric Metrics;  // tmCharSet: the character set the font was made with
  bool FixedPitch = false;
  int32_t CharExtra = 0;                    // extra pixels between characters (letter-spacing)
  pf::TColor BackgroundColor = pf::clNone;  // the text's own background (an inline element's background-color)
};
// The character extra of a letter-spacing value: an integer as it is, text other than "normal" a length against
// emSize; 0 otherwise.
int32_t LetterSpacingPixels(const TPropValue& spacing, int32_t emSize, int32_t exSize);

// ---- box values ----

// Values indexed like the properties background-color (9) to left (36).
template <typename T>
class TBoxArray {
 public:
  static constexpr int kFirst = piBackgroundColor;
  static constexpr int kLast = piLeft;
  T& operator[](int index) { return values_.at(static_cast<size_t>(index - kFirst)); }
  const T& operator[](int index) const { return values_.at(static_cast<size_t>(index - kFirst)); }

 private:
  std::array<T, kLast - kFirst + 1> values_{};
};
using TBoxVariantArray = TBoxArray<TPropValue>;
using TBoxIntArray = TBoxArray<int32_t>;

// Pixels of a block's box: lengths against baseWidth (baseHeight for height and top) and the em and ex sizes.
// margin-top and margin-bottom are left to ConvertVerticalMargins. autoCount counts the auto left and right
// margins and an auto width.
void ConvertBlockBoxValues(const TBoxVariantArray& values, int32_t baseWidth, int32_t baseHeight, int32_t emSize,
                           int32_t exSize, TBoxIntArray& result, int& autoCount);
// The same for pictures and form controls: every margin converted, unset margins kept as UnsetBoxValue, an unset
// height auto.
void ConvertInlineBoxValues(const TBoxVariantArray& values, int32_t baseWidth, int32_t baseHeight, int32_t emSize,
                            int32_t exSize, TBoxIntArray& result);
// The spaces beside a picture, panel or form control from its converted box: a margin the style gives replaces the
// space, and a border adds its width and the padding inside it, so that the border goes round the object within its
// spaces.
void ApplyInlineSpaces(const TBoxIntArray& box, bool bordered, int32_t& left, int32_t& right, int32_t& top,
                       int32_t& bottom);
// The paddings alone: a percentage comes out as its negative (the layout resolves it against its own width); unset
// -1.
void ConvertPaddings(const TBoxVariantArray& values, int32_t emSize, int32_t exSize, TBoxIntArray& result);
// margin-top and margin-bottom; the default margin becomes 14 pixels and is reported per side.
void ConvertVerticalMargins(const TBoxVariantArray& values, int32_t baseWidth, int32_t emSize, int32_t exSize,
                            TBoxIntArray& result, bool& topIsDefault, bool& bottomIsDefault);

// Where a background picture goes, per axis.
enum TBackgroundPositionType : uint8_t {
  bpTop = 0,
  bpCenter = 1,
  bpBottom = 2,
  bpLeft = 3,
  bpRight = 4,
  bpPercent = 5,
  bpLength = 6
};
struct TBackgroundPosition {
  struct Axis {
    TBackgroundPositionType PosType = bpLength;
    int32_t Value = 0;
    bool Repeat = true;
    bool Fixed = false;
  };
  Axis Horizontal, Vertical;
};

}  // namespace viewer
