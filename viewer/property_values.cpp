#include "viewer/property_values.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <span>

#include "platform/core/mathutil.h"
#include "platform/core/strings.h"
#include "viewer/borders.h"

namespace viewer {

namespace {

constexpr const char* kPropertyNames[kPropertyCount] = {"font-family",
                                                        "font-size",
                                                        "font-style",
                                                        "font-weight",
                                                        "text-align",
                                                        "text-decoration",
                                                        "letter-spacing",
                                                        "border-style",
                                                        "color",
                                                        "background-color",
                                                        "border-color",
                                                        "margin-top",
                                                        "margin-right",
                                                        "margin-bottom",
                                                        "margin-left",
                                                        "padding-top",
                                                        "padding-right",
                                                        "padding-bottom",
                                                        "padding-left",
                                                        "border-top-width",
                                                        "border-right-width",
                                                        "border-bottom-width",
                                                        "border-left-width",
                                                        "border-top-color",
                                                        "border-right-color",
                                                        "border-bottom-color",
                                                        "border-left-color",
                                                        "border-top-style",
                                                        "border-right-style",
                                                        "border-bottom-style",
                                                        "border-left-style",
                                                        "width",
                                                        "height",
                                                        "top",
                                                        "bottom",
                                                        "right",
                                                        "left",
                                                        "visibility",
                                                        "line-height",
                                                        "background-image",
                                                        "background-position",
                                                        "background-repeat",
                                                        "background-attachment",
                                                        "vertical-align",
                                                        "position",
                                                        "z-index",
                                                        "list-style-type",
                                                        "list-style-image",
                                                        "float",
                                                        "clear",
                                                        "text-indent",
                                                        "page-break-before",
                                                        "page-break-after",
                                                        "page-break-inside",
                                                        "text-transform",
                                                        "word-wrap",
                                                        "font-variant",
                                                        "border-collapse",
                                                        "overflow",
                                                        "display"};

constexpr const char* kBorderStyleNames[] = {"none",  "solid",  "inset",  "outset", "groove",
                                             "ridge", "dashed", "dotted", "double"};
constexpr const char* kListStyleNames[] = {"blank",       "circle", "decimal", "disc",        "lower-alpha",
                                           "lower-roman", "none",   "square",  "upper-alpha", "upper-roman"};

double defPointSize = 12;
constexpr double kPointsPerInch = 72;
constexpr double kCmPerInch = 2.54;
constexpr double kMmPerInch = 25.4;
constexpr double kPointsPerPica = 12;
constexpr int32_t kLargestFontPixels = 2000;
constexpr double kHugeNumber = 1e300;

// A length split into its leading decimal number (cut before an "e": 2em is 2 with the unit em) and the trimmed,
// lower-cased rest. hasNumber is false when the text starts with no digit.
struct NumberAndUnit {
  double number = 0;
  bool hasNumber = false;
  std::string unit;
};

NumberAndUnit SplitNumber(std::string_view text) {
  const std::string t = pf::Trim(text);
  size_t end = 0;
  if (end < t.size() && (t[end] == '+' || t[end] == '-')) ++end;
  const size_t digitsStart = end;
  while (end < t.size() && t[end] >= '0' && t[end] <= '9') ++end;
  if (end < t.size() && t[end] == '.') ++end;
  while (end < t.size() && t[end] >= '0' && t[end] <= '9') ++end;
  NumberAndUnit result;
  const std::string_view digits = std::string_view(t).substr(digitsStart, end - digitsStart);
  if (digits.empty() || digits == ".") {
    result.unit = pf::LowerCase(t);
    return result;
  }
  // Beyond a double's range the number is huge (to be held to the largest length) or, all its digits after the
  // point, tiny.
  if (std::from_chars(digits.data(), digits.data() + digits.size(), result.number).ec == std::errc::result_out_of_range)
    result.number = digits.find_first_of("123456789") < digits.find('.') ? kHugeNumber : 0;
  if (t[0] == '-') result.number = -result.number;
  result.hasNumber = true;
  result.unit = pf::LowerCase(pf::Trim(std::string_view(t).substr(end)));
  return result;
}

}  // namespace

const char* PropertyName(int index) { return index >= 0 && index < kPropertyCount ? kPropertyNames[index] : ""; }

int LookupPropertyName(std::string_view name) {
  for (int i = 0; i < kPropertyCount; ++i)
    if (name == kPropertyNames[i]) return i;
  return -1;
}

const std::string& StringOf(const TPropValue& v) {
  static const std::string empty;
  const std::string* s = std::get_if<std::string>(&v);
  return s ? *s : empty;
}

int32_t IntOf(const TPropValue& v, int32_t def) {
  if (const auto* i = std::get_if<int32_t>(&v)) return *i;
  if (const auto* d = std::get_if<double>(&v)) return RoundLength(*d);
  return def;
}

int32_t StyleInteger(std::string_view text, int32_t def) {
  int32_t value = 0;
  if (pf::TryStrToInt(text, value)) return value;
  const bool negative = text.starts_with('-');
  if (negative || text.starts_with('+')) text.remove_prefix(1);
  if (text.empty() || !std::all_of(text.begin(), text.end(), IsDigit)) return def;
  return negative ? std::numeric_limits<int32_t>::min() : std::numeric_limits<int32_t>::max();
}

namespace {

// A length given as a number (by an attribute or a default), held like every length of layout; the markers for
// unset, auto and the default margin stay.
int32_t NumberLength(const TPropValue& v, int32_t def) {
  const int32_t n = IntOf(v, def);
  return n == UnsetBoxValue || n == AutoValue || n == DefaultVerticalMargin ? n : BoundLength(n);
}

}  // namespace

// ---- colours ----

namespace {

constexpr size_t kMaxHexDigits = 6;

// "r, g, b" inside the parentheses after "rgb"; a component with "%" is a percentage of 255, others integers (0 when
// no number), each clamped to 0..255.
bool ParseFunctionalColor(std::string_view s, pf::TColor& color) {
  const size_t open = s.find('('), close = s.find(')');
  if (open == std::string_view::npos || close == std::string_view::npos || close < open) return false;
  std::string_view inner = s.substr(open + 1, close - open - 1);
  int32_t components[3] = {0, 0, 0};
  for (int32_t& component : components) {
    const size_t comma = std::min(inner.find(','), inner.size());
    const std::string item = pf::Trim(inner.substr(0, comma));
    inner = comma < inner.size() ? inner.substr(comma + 1) : std::string_view();
    if (item.find('%') != std::string::npos) {
      double percent = 0;
      pf::TryStrToFloat(pf::Trim(item.substr(0, item.find('%'))), percent);
      component = RoundLength(percent * 2.55);
    } else {
      component = StyleInteger(item, 0);
    }
    component = std::clamp(component, 0, 255);
  }
  color = pf::RGB(static_cast<uint8_t>(components[0]), static_cast<uint8_t>(components[1]),
                  static_cast<uint8_t>(components[2]));
  return true;
}

// Hexadecimal RRGGBB (each of three digits doubled); false for anything but 1 to 6 hexadecimal digits.
bool ParseHexColor(std::string_view digits, pf::TColor& color) {
  std::string text(digits);
  if (text.empty() || text.size() > kMaxHexDigits) return false;
  if (text.size() <= 3) {
    std::string doubled;
    for (char c : text) doubled.append(2, c);
    text = doubled;
  }
  uint32_t value = 0;
  for (char c : text) {
    const int digit = HexDigitValue(c);
    if (digit < 0) return false;
    value = value * 16 + static_cast<uint32_t>(digit);
  }
  color = pf::RGB(static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value));
  return true;
}

// The last colour text read by number (pages repeat their colours): the text as compared (empty, which no input
// equals, until the first), its colour without the palette flag, whether it was hexadecimal and whether it was so
// without a "#" (no colour to a call that needs one).
struct TLastColor {
  std::string text;
  pf::TColor color = 0;
  bool hex = false, withoutHash = false;
};
TLastColor lastColor;
int64_t colorTextsRead = 0;

}  // namespace

bool ParseColorValue(std::string_view text, bool needHash, pf::TColor& color) {
  const std::string s = pf::LowerCase(pf::Trim(text));
  if (s.empty()) return false;
  auto remembered = [&color] {
    color = lastColor.hex ? lastColor.color | PaletteColorFlag() : lastColor.color;
    return true;
  };
  if (s == lastColor.text && !(needHash && lastColor.withoutHash)) return remembered();
  if (s[0] != '#' && s.find("rgb(") == std::string::npos && LookupColorName(s, color)) return true;
  TLastColor read;
  if (const size_t rgb = s.find("rgb"); rgb != std::string::npos) {
    ++colorTextsRead;
    if (!ParseFunctionalColor(std::string_view(s).substr(rgb + 3), read.color)) return false;
  } else {
    const size_t hash = s.rfind('#');
    if (hash == std::string::npos && needHash) return false;
    ++colorTextsRead;
    if (!ParseHexColor(pf::Trim(hash == std::string::npos ? s : s.substr(hash + 1)), read.color)) return false;
    read.hex = true;
    read.withoutHash = hash == std::string::npos;
  }
  read.text = s;
  lastColor = std::move(read);
  return remembered();
}

int64_t ColorTextsRead() { return colorTextsRead; }

// ---- lengths and font sizes ----

double DefPointSize() { return defPointSize; }
void SetDefPointSize(double points) { defPointSize = points; }

int32_t LengthToPixels(std::string_view text, bool bareIsFactor, double base, int32_t def, int32_t exSize,
                       int32_t emSize) {
  const NumberAndUnit v = SplitNumber(text);
  const double n = v.number, ppi = pf::kPixelsPerInch;
  double pixels;
  if (v.unit.empty() && v.hasNumber)
    pixels = bareIsFactor ? base * n : n;
  else if (v.unit == "in")
    pixels = n * ppi;
  else if (v.unit == "cm")
    pixels = n * ppi / kCmPerInch;
  else if (v.unit == "mm")
    pixels = n * ppi / kMmPerInch;
  else if (v.unit == "pt")
    pixels = n * ppi / kPointsPerInch;
  else if (v.unit == "px")
    pixels = n;
  else if (v.unit == "pc")
    pixels = n * ppi / (kPointsPerInch / kPointsPerPica);
  else if (v.unit == "em")
    pixels = n * emSize;
  else if (v.unit == "ex")
    pixels = n * exSize;
  else if (v.unit == "%")
    pixels = base * n / 100;
  else
    return def;
  return RoundLength(pixels);
}

double FontSizeToPoints(std::string_view text, double parentSize) {
  const NumberAndUnit v = SplitNumber(text);
  const double n = v.number, d = defPointSize;
  const std::string& u = v.unit;
  if ((u.empty() && v.hasNumber) || u == "px") return n * kPointsPerInch / pf::kPixelsPerInch;
  if (u == "in") return kPointsPerInch * n;
  if (u == "cm") return kPointsPerInch * n / kCmPerInch;
  if (u == "mm") return kPointsPerInch * n / kMmPerInch;
  if (u == "pt") return n;
  if (u == "pc") return kPointsPerPica * n;
  if (u == "em") return n * parentSize;
  if (u == "ex") return n * parentSize / 2;
  if (u == "%") return n * parentSize / 100;
  if (u == "smaller") return 0.75 * parentSize;
  if (u == "larger") return 1.25 * parentSize;
  if (u == "xx-small") return d / 1.5;
  if (u == "x-small") return d / 1.2;
  if (u == "small") return d;
  if (u == "medium") return 1.2 * d;
  if (u == "large") return 1.5 * d;
  if (u == "x-large") return 2 * d;
  if (u == "xx-large") return 3 * d;
  return d;
}

int32_t PointsToPixelHeight(double points) {
  return std::clamp(RoundLength(pf::kPixelsPerInch * points / kPointsPerInch), 1, kLargestFontPixels);
}

std::string FindInstalledFont(std::string_view familyList) {
  static constexpr std::pair<const char*, const char*> kGeneric[] = {{"serif", "Times New Roman"},
                                                                     {"monospace", "Courier New"},
                                                                     {"sans-serif", "Arial"},
                                                                     {"cursive", "Lucida Handwriting"},
                                                                     {"helvetica", "Arial"}};
  std::string first;
  for (size_t start = 0; start <= familyList.size();) {
    const size_t comma = std::min(familyList.find(',', start), familyList.size());
    std::string name = pf::Trim(familyList.substr(start, comma - start));
    start = comma + 1;
    for (auto [generic, face] : kGeneric)
      if (pf::SameText(name, generic)) name = face;
    if (!name.empty() && (name.front() == '"' || name.front() == '\'')) name.erase(0, 1);
    if (!name.empty() && (name.back() == '"' || name.back() == '\'')) name.pop_back();
    name = pf::Trim(name);
    if (name.empty()) continue;
    if (pf::FontService().HasFamily(name)) return name;
    if (first.empty()) first = name;
  }
  return first;
}

// ---- keywords ----

std::string ExtractCssUrl(std::string_view value) {
  const size_t start = value.find("url(");
  if (start == std::string_view::npos) return "";
  std::string_view inner = value.substr(start + 4);
  inner = inner.substr(0, inner.find(')'));
  if (inner.size() > 2 && (inner.front() == '"' || inner.front() == '\'')) inner = inner.substr(1, inner.size() - 2);
  return std::string(inner);
}

bool ParseAlignKeyword(std::string_view text, int& code) {
  static constexpr std::pair<const char*, int> kAligns[] = {{"top", 1},    {"middle", 2},   {"absmiddle", 2},
                                                            {"center", 2}, {"baseline", 3}, {"bottom", 4},
                                                            {"left", 5},   {"right", 6},    {"justify", 7}};
  const std::string s = pf::LowerCase(text);
  code = 0;
  for (auto [name, value] : kAligns)
    if (s == name) code = value;
  return code != 0;
}

uint8_t BorderStyleCode(std::string_view name) {
  for (size_t i = 0; i < std::size(kBorderStyleNames); ++i)
    if (name == kBorderStyleNames[i]) return static_cast<uint8_t>(i);
  return 0;
}

bool LookupListStyleType(std::string_view name, TListStyleType& type) {
  for (size_t i = 0; i < std::size(kListStyleNames); ++i) {
    if (name == kListStyleNames[i]) {
      type = static_cast<TListStyleType>(i);
      return true;
    }
  }
  return false;
}

// ---- fonts ----

void TMyFont::Assign(const pf::TPersistent& source) {
  pf::TFont::Assign(source);
  if (const auto* other = dynamic_cast<const TMyFont*>(&source)) {
    Metrics = other->Metrics;
    FixedPitch = other->FixedPitch;
    CharExtra = other->CharExtra;
    BackgroundColor = other->BackgroundColor;
  }
}

void TMyFont::UpdateMetrics() {
  const uint8_t wanted = Charset();
  pf::TFontDesc desc = Desc();
  desc.Charset = pf::DEFAULT_CHARSET;
  const pf::TTextMetric m = pf::FontService().Realize(desc)->Metrics();
  // A symbol font keeps its own character set whatever was asked for.
  if (m.tmCharSet == pf::SYMBOL_CHARSET && wanted != pf::SYMBOL_CHARSET) SetCharset(pf::SYMBOL_CHARSET);
  Metrics = m;
  Metrics.tmCharSet = Charset();
  FixedPitch = (m.tmPitchAndFamily & 1) == 0;
}

void TMyFont::ApplyFontInfo(const ThtFontInfo& info) {
  SetName(info.Name);
  SetHeight(-PointsToPixelHeight(info.Size));
  SetStyle(info.Style);
  SetColor(info.Color);
  SetCharset(info.CharSet);
  BackgroundColor = info.BackgroundColor;
  UpdateMetrics();
  CharExtra = LetterSpacingPixels(info.LetterSpacing, EmSize(), EmSize() / 2);
}

void TMyFont::AssignToCanvas(pf::TCanvas& canvas) const {
  canvas.Font().Assign(*this);
  canvas.SetTextCharacterExtra(CharExtra);
}

int32_t LetterSpacingPixels(const TPropValue& spacing, int32_t emSize, int32_t exSize) {
  if (IsNumber(spacing)) return NumberLength(spacing, 0);
  const std::string& text = StringOf(spacing);
  if (text.empty() || text == "normal") return 0;
  return LengthToPixels(text, false, emSize, 0, exSize, emSize);
}

// ---- box values ----

namespace {

enum class BoxRule {
  Color,       // a number, else no colour
  Margin,      // a block's side margin: auto counted; unset 0
  InlineEdge,  // a picture's margin: unset kept
  Length,      // paddings, a block's height: unset 0
  Side,        // side colours and styles: unset 0, a number as it is
  Auto,        // a picture's width and height, top .. left: unset auto
  Width,       // a block's width: unset auto, counted
};

int32_t BorderWidthPixels(const TPropValue& v, uint8_t sideStyle, double base, int32_t exSize, int32_t emSize) {
  if (sideStyle == 0) return 0;
  const std::string& text = StringOf(v);
  if (!IsString(v)) return IntOf(v, UnsetBoxValue) == UnsetBoxValue ? 4 : NumberLength(v, 4);
  if (text == "thin") return 2;
  if (text == "medium") return 4;
  if (text == "thick") return 6;
  return LengthToPixels(text, false, base, 4, exSize, emSize);
}

int32_t ConvertOne(const TPropValue& v, BoxRule rule, double base, int32_t exSize, int32_t emSize, int& autoCount) {
  const bool unset = !IsAssigned(v) || (IsNumber(v) && IntOf(v, 0) == UnsetBoxValue);
  switch (rule) {
    case BoxRule::Color:
      return IsNumber(v) ? IntOf(v, 0) : static_cast<int32_t>(pf::clNone);
    case BoxRule::Margin:
      if (StringOf(v) == "auto") {
        ++autoCount;
        return AutoValue;
      }
      break;
    case BoxRule::InlineEdge:
      if (unset) return UnsetBoxValue;
      break;
    case BoxRule::Auto:
    case BoxRule::Width: {
      const int32_t value = IsString(v) ? LengthToPixels(StringOf(v), false, base, AutoValue, exSize, emSize)
                                        : (unset ? AutoValue : NumberLength(v, AutoValue));
      if (rule == BoxRule::Width && value == AutoValue) ++autoCount;
      return value;
    }
    default:
      break;
  }
  if (IsString(v)) return LengthToPixels(StringOf(v), false, base, 0, exSize, emSize);
  return unset ? 0 : rule == BoxRule::Side ? IntOf(v, 0) : NumberLength(v, 0);
}

void ConvertBox(const TBoxVariantArray& values, bool inlineBox, int32_t baseWidth, int32_t baseHeight, int32_t emSize,
                int32_t exSize, TBoxIntArray& m, int& autoCount) {
  for (int i : {piBackgroundColor, piBorderColor}) m[i] = ConvertOne(values[i], BoxRule::Color, 0, 0, 0, autoCount);
  const int margins[] = {piMarginRight, piMarginLeft, piMarginTop, piMarginBottom};
  for (int i : inlineBox ? std::span<const int>(margins) : std::span<const int>(margins, 2))
    m[i] =
        ConvertOne(values[i], inlineBox ? BoxRule::InlineEdge : BoxRule::Margin, baseWidth, exSize, emSize, autoCount);
  for (int i = piPaddingTop; i <= piPaddingLeft; ++i)
    m[i] = ConvertOne(values[i], BoxRule::Length, baseWidth, exSize, emSize, autoCount);
  for (int side = 0; side < 4; ++side) {
    const uint8_t style = static_cast<uint8_t>(std::max(0, IntOf(values[piBorderTopStyle + side], 0)));
    m[piBorderTopWidth + side] = BorderWidthPixels(values[piBorderTopWidth + side], style, baseWidth, exSize, emSize);
  }
  for (int i = piBorderTopColor; i <= piBorderLeftStyle; ++i)
    m[i] = ConvertOne(values[i], BoxRule::Side, baseWidth, exSize, emSize, autoCount);
  m[piWidth] =
      ConvertOne(values[piWidth], inlineBox ? BoxRule::Auto : BoxRule::Width, baseWidth, exSize, emSize, autoCount);
  m[piHeight] =
      ConvertOne(values[piHeight], inlineBox ? BoxRule::Auto : BoxRule::Length, baseHeight, exSize, emSize, autoCount);
  // A block's height in percent is the box's height less its paddings and borders.
  if (!inlineBox && StringOf(values[piHeight]).find('%') != std::string::npos)
    m[piHeight] -= m[piPaddingTop] + m[piPaddingBottom] + m[piBorderTopWidth] + m[piBorderBottomWidth];
  m[piTop] = ConvertOne(values[piTop], BoxRule::Auto, baseHeight, exSize, emSize, autoCount);
  for (int i : {piBottom, piRight, piLeft})
    m[i] = ConvertOne(values[i], BoxRule::Auto, baseWidth, exSize, emSize, autoCount);
}

}  // namespace

void ConvertBlockBoxValues(const TBoxVariantArray& values, int32_t baseWidth, int32_t baseHeight, int32_t emSize,
                           int32_t exSize, TBoxIntArray& result, int& autoCount) {
  autoCount = 0;
  ConvertBox(values, false, baseWidth, baseHeight, emSize, exSize, result, autoCount);
}

void ConvertInlineBoxValues(const TBoxVariantArray& values, int32_t baseWidth, int32_t baseHeight, int32_t emSize,
                            int32_t exSize, TBoxIntArray& result) {
  int autoCount = 0;
  ConvertBox(values, true, baseWidth, baseHeight, emSize, exSize, result, autoCount);
}

void ApplyInlineSpaces(const TBoxIntArray& box, bool bordered, int32_t& left, int32_t& right, int32_t& top,
                       int32_t& bottom) {
  auto space = [&](int32_t& target, int margin, int padding, int border) {
    if (box[margin] != UnsetBoxValue) target = box[margin];
    if (bordered) target += std::max(0, box[padding]) + box[border];
  };
  space(left, piMarginLeft, piPaddingLeft, piBorderLeftWidth);
  space(right, piMarginRight, piPaddingRight, piBorderRightWidth);
  space(top, piMarginTop, piPaddingTop, piBorderTopWidth);
  space(bottom, piMarginBottom, piPaddingBottom, piBorderBottomWidth);
}

void ConvertPaddings(const TBoxVariantArray& values, int32_t emSize, int32_t exSize, TBoxIntArray& result) {
  constexpr double kNegativePercentBase = -100;
  for (int i = piPaddingTop; i <= piPaddingLeft; ++i) {
    const TPropValue& v = values[i];
    if (IsString(v))
      result[i] = LengthToPixels(StringOf(v), false, kNegativePercentBase, 0, exSize, emSize);
    else
      result[i] = !IsAssigned(v) || IntOf(v, UnsetBoxValue) == UnsetBoxValue ? -1 : NumberLength(v, -1);
  }
}

void ConvertVerticalMargins(const TBoxVariantArray& values, int32_t baseWidth, int32_t emSize, int32_t exSize,
                            TBoxIntArray& result, bool& topIsDefault, bool& bottomIsDefault) {
  for (int i : {piMarginTop, piMarginBottom}) {
    const TPropValue& v = values[i];
    bool& isDefault = i == piMarginTop ? topIsDefault : bottomIsDefault;
    isDefault = IsNumber(v) && IntOf(v, 0) == DefaultVerticalMargin;
    if (isDefault)
      result[i] = kDefaultVerticalMarginPixels;
    else if (IsString(v))
      result[i] = LengthToPixels(StringOf(v), false, baseWidth, 0, exSize, emSize);
    else
      result[i] = !IsAssigned(v) || IntOf(v, UnsetBoxValue) == UnsetBoxValue ? 0 : NumberLength(v, 0);
  }
}

}  // namespace viewer
