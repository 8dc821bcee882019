// What the layout reads from a computed style: the font, codes of single properties, and the box values.
#include <algorithm>

#include "platform/core/mathutil.h"
#include "platform/core/strings.h"
#include "viewer/style_properties.h"

namespace viewer {

namespace {

bool Contains(const std::string& text, std::string_view part) { return text.find(part) != std::string::npos; }

// A number without a unit ("1.5"), which line-height takes as a factor.
bool IsBareNumber(std::string_view text) {
  const std::string t = pf::Trim(text);
  return !t.empty() && t.find_first_not_of("+-.0123456789") == std::string::npos &&
         t.find_first_of("0123456789") != std::string::npos;
}

}  // namespace

ThtFontInfo TProperties::GetFontInfo() const {
  ThtFontInfo info;
  const std::string& family = StringOf(Value(piFontFamily));
  info.Name = family.empty() ? FontName : FindInstalledFont(family);
  info.Size = FontSizeInPoints();
  const TPropValue& weight = Value(piFontWeight);
  if (Contains(StringOf(weight), "bold") || StyleInteger(StringOf(weight), IntOf(weight, 0)) >= 600)
    info.Style |= pf::fsBold;
  const std::string& style = StringOf(Value(piFontStyle));
  if (style == "italic" || style == "oblique") info.Style |= pf::fsItalic;
  const std::string& decoration = StringOf(Value(piTextDecoration));
  if (Contains(decoration, "underline")) info.Style |= pf::fsUnderline;
  if (Contains(decoration, "line-through")) info.Style |= pf::fsStrikeOut;
  info.Color = static_cast<pf::TColor>(IntOf(Value(piColor), static_cast<int32_t>(pf::clBlack)));
  // Text takes the background of the inline element it stands in; a box's own colour is painted by the box, under
  // its background picture, which a band of that colour behind the text would hide.
  const TPropValue& background = Value(piBackgroundColor);
  info.BackgroundColor = BoxPaintsBackground    ? pf::clNone
                         : IsNumber(background) ? static_cast<pf::TColor>(IntOf(background, 0))
                                                : OwnBackground;
  info.CharSet = CharSet;
  info.LetterSpacing = Value(piLetterSpacing);
  return info;
}

void TProperties::LeaveBackgroundToBox() {
  if (BoxPaintsBackground) return;
  BoxPaintsBackground = true;
  font_.reset();
}

std::unique_ptr<TMyFont> TProperties::GetFont() {
  if (!font_) {
    font_ = std::make_unique<TMyFont>();
    font_->ApplyFontInfo(GetFontInfo());
  }
  EmSize = font_->EmSize();
  ExSize = EmSize / 2;
  auto copy = std::make_unique<TMyFont>();
  copy->Assign(*font_);
  return copy;
}

bool TProperties::GetBackgroundImage(std::string& url) const {
  const TPropValue& v = Value(piBackgroundImage);
  if (!IsString(v)) return false;
  url = StringOf(v) == "none" ? "" : ExtractCssUrl(StringOf(v));
  return true;
}

TBackgroundPosition TProperties::GetBackgroundPosition() const {
  TBackgroundPosition result;
  TBackgroundPosition::Axis* axes[2] = {&result.Horizontal, &result.Vertical};
  const std::string position = pf::Trim(StringOf(Value(piBackgroundPosition)));
  if (!position.empty()) {
    const size_t blank = std::min(position.find(' '), position.size());
    const std::string words[2] = {position.substr(0, blank), pf::Trim(position.substr(blank))};
    const int count = words[1].empty() ? 1 : 2;
    result.Horizontal.PosType = result.Vertical.PosType = bpCenter;
    int next = 0;  // the record the next word fills
    for (int k = 0; k < count; ++k) {
      const std::string& w = words[k];
      TBackgroundPosition::Axis axis;
      if (w == "center") {
        axis.PosType = bpCenter;
      } else if (Contains(w, "%")) {
        axis.PosType = bpPercent;
        axis.Value = LengthToPixels(w, false, 100, 0, ExSize, EmSize);
      } else if (w == "left" || w == "right") {
        axis.PosType = w == "left" ? bpLeft : bpRight;
        // A second word for the horizontal record sends the first word's record to the vertical one.
        if (k == 1 && next == 1) result.Vertical = result.Horizontal;
        result.Horizontal = axis;
        next = 1;
        continue;
      } else if (w == "top" || w == "bottom") {
        axis.PosType = w == "top" ? bpTop : bpBottom;
        result.Vertical = axis;
        next = k == 0 ? 0 : next;
        continue;
      } else {
        axis.PosType = bpLength;
        axis.Value = LengthToPixels(w, false, 0, 0, ExSize, EmSize);
      }
      *axes[next] = axis;
      next = std::min(next + 1, 1);
    }
  }
  const std::string& repeat = StringOf(Value(piBackgroundRepeat));
  result.Horizontal.Repeat = repeat != "no-repeat" && repeat != "repeat-y";
  result.Vertical.Repeat = repeat != "no-repeat" && repeat != "repeat-x";
  result.Horizontal.Fixed = result.Vertical.Fixed = StringOf(Value(piBackgroundAttachment)) == "fixed";
  return result;
}

bool TProperties::GetVerticalAlign(int& align) const {
  static constexpr std::pair<const char*, int> kAligns[] = {
      {"top", 1}, {"text-top", 1}, {"middle", 2}, {"baseline", 3}, {"bottom", 4}, {"sub", 8}, {"super", 9}};
  const std::string& v = StringOf(Value(piVerticalAlign));
  for (auto [name, code] : kAligns) {
    if (v == name) {
      align = code;
      return true;
    }
  }
  return false;
}

bool TProperties::IsOverflowHidden() const { return StringOf(Value(piOverflow)) == "hidden"; }

bool TProperties::GetFloat(int& align) const {
  const std::string& v = StringOf(Value(piFloat));
  if (v != "left" && v != "right" && v != "none") return false;
  align = v == "left" ? 5 : v == "right" ? 6 : 0;
  return true;
}

bool TProperties::GetClear(int& clear) {
  const std::string v = StringOf(Value(piClear));
  Props[piClear] = std::monostate{};
  if (v != "left" && v != "right" && v != "both" && v != "none") return false;
  clear = v == "left" ? 1 : v == "right" ? 2 : v == "both" ? 3 : 0;
  return true;
}

bool TProperties::GetListStyleType(TListStyleType& type) const {
  return LookupListStyleType(StringOf(Value(piListStyleType)), type);
}

std::string TProperties::GetListStyleImage() const { return ExtractCssUrl(StringOf(Value(piListStyleImage))); }

int TProperties::GetPosition() const {
  const std::string& v = StringOf(Value(piPosition));
  return v == "absolute" ? 1 : v == "relative" ? 2 : 0;
}

int TProperties::GetVisibility() const { return IntOf(Value(piVisibility), 2) == 1 ? 1 : 2; }

int32_t TProperties::GetZIndex() const {
  // Layers far apart keep their order; the limit leaves room for the ten steps a block counts between them.
  constexpr int32_t kMaxZIndex = 100000000;
  const TPropValue& v = Value(piZIndex);
  return std::clamp(IsString(v) ? StyleInteger(pf::Trim(StringOf(v)), 0) : IntOf(v, 0), -kMaxZIndex, kMaxZIndex);
}

bool TProperties::IsDisplayNone() const { return StringOf(Value(piDisplay)) == "none"; }

bool TProperties::IsBorderCollapse() const { return StringOf(Value(piBorderCollapse)) == "collapse"; }

int32_t TProperties::GetLineHeight(int32_t normalHeight) const {
  const TPropValue& v = Value(piLineHeight);
  if (const auto* factor = std::get_if<double>(&v)) return RoundLength(normalHeight * *factor);
  if (const auto* factor = std::get_if<int32_t>(&v)) return BoundLength(int64_t{normalHeight} * *factor);
  if (!IsString(v)) return -1;
  if (IsBareNumber(StringOf(v))) return LengthToPixels(StringOf(v), true, normalHeight, -1, ExSize, EmSize);
  return LengthToPixels(StringOf(v), false, EmSize, -1, ExSize, EmSize);
}

int32_t TProperties::GetTextIndent(bool& isPercent) const {
  const TPropValue& v = Value(piTextIndent);
  isPercent = Contains(StringOf(v), "%");
  if (!IsString(v)) return BoundLength(IntOf(v, 0));
  return LengthToPixels(StringOf(v), false, isPercent ? 100 : 0, 0, ExSize, EmSize);
}

int TProperties::GetTextTransform() const { return IntOf(Value(piTextTransform), 0); }

std::string TProperties::GetFontVariant() const {
  return IsString(Value(piFontVariant)) ? StringOf(Value(piFontVariant)) : "normal";
}

void TProperties::GetPageBreaks(bool& before, bool& after, bool& insideAvoid) const {
  before = StringOf(Value(piPageBreakBefore)) == "always";
  after = StringOf(Value(piPageBreakAfter)) == "always";
  insideAvoid = StringOf(Value(piPageBreakInside)) == "avoid";
}

pf::TColor TProperties::GetBackgroundColor() const {
  const TPropValue& v = Value(piBackgroundColor);
  return Assigned[piBackgroundColor] && IsNumber(v) ? static_cast<pf::TColor>(IntOf(v, 0)) : pf::clNone;
}

pf::TColor TProperties::GetOwnColor() const {
  const TPropValue& v = Value(piColor);
  return Assigned[piColor] && IsNumber(v) ? static_cast<pf::TColor>(IntOf(v, 0)) : pf::clNone;
}

uint8_t TProperties::GetBorderStyle() const {
  return IsString(Value(piBorderStyle)) ? BorderStyleCode(StringOf(Value(piBorderStyle))) : 0;
}

bool TProperties::HasBorderStyle() const { return IsString(Value(piBorderStyle)); }

pf::TColor TProperties::SaveBackgroundColor() {
  const pf::TColor own = GetBackgroundColor();
  if (own != pf::clNone) OwnBackground = own;
  return OwnBackground;
}

TBoxVariantArray TProperties::GetBoxVariants() const {
  TBoxVariantArray box;
  for (int i = TBoxVariantArray::kFirst; i <= TBoxVariantArray::kLast; ++i) box[i] = Props[static_cast<size_t>(i)];
  for (int i = piBorderTopStyle; i <= piBorderLeftStyle; ++i)
    if (IsString(box[i])) box[i] = static_cast<int32_t>(BorderStyleCode(StringOf(box[i])));
  return box;
}

}  // namespace viewer
