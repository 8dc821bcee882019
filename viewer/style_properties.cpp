#include "viewer/style_properties.h"

#include <algorithm>

#include "platform/core/codepage.h"
#include "platform/core/strings.h"
#include "viewer/borders.h"

namespace viewer {

namespace {

int32_t sequenceCounter = 0;

enum class Inheritance : uint8_t { Yes, No, Reset };

constexpr Inheritance InheritanceOf(int index) {
  if (index >= piMarginTop && index <= piLeft) return Inheritance::Reset;
  switch (index) {
    case piBorderStyle:
    case piBackgroundColor:
    case piBorderColor:
    case piBackgroundImage:
    case piBackgroundPosition:
    case piBackgroundRepeat:
    case piBackgroundAttachment:
    case piPosition:
    case piFloat:
    case piClear:
    case piPageBreakBefore:
    case piPageBreakAfter:
    case piPageBreakInside:
    case piBorderCollapse:
    case piOverflow:
    case piDisplay:
      return Inheritance::No;
    default:
      return Inheritance::Yes;
  }
}

TPropValue ColorValue(pf::TColor color) { return static_cast<int32_t>(color); }

// A font size in points: numbers as they are, text against parentSize; the default size when unset.
double PointsOf(const TPropValue& v, double parentSize) {
  if (const auto* d = std::get_if<double>(&v)) return *d;
  if (const auto* i = std::get_if<int32_t>(&v)) return *i;
  return IsString(v) ? FontSizeToPoints(StringOf(v), parentSize) : DefPointSize();
}

// Stores one property from CSS text the way a style rule holds it; false when nothing was stored (a colour that
// does not convert, an unknown keyword).
bool StoreValue(TProperties& target, int index, std::string_view text) {
  auto& props = target.Props;
  const std::string value(text);
  pf::TColor color = 0;
  switch (index) {
    case piBorderStyle:
      for (int i : {piBorderStyle, piBorderTopStyle, piBorderRightStyle, piBorderBottomStyle, piBorderLeftStyle})
        props[static_cast<size_t>(i)] = value;
      return true;
    case piColor:
    case piBorderTopColor:
    case piBorderRightColor:
    case piBorderBottomColor:
    case piBorderLeftColor:
      if (!ParseColorValue(value, true, color)) return false;
      props[static_cast<size_t>(index)] = ColorValue(color);
      return true;
    case piBackgroundColor:
      props[piBackgroundColor] = ColorValue(ParseColorValue(value, true, color) ? color : pf::clNone);
      return true;
    case piBorderColor:
      if (!ParseColorValue(value, true, color)) return false;
      for (int i : {piBorderColor, piBorderTopColor, piBorderRightColor, piBorderBottomColor, piBorderLeftColor})
        props[static_cast<size_t>(i)] = ColorValue(color);
      return true;
    case piBorderTopStyle:
    case piBorderRightStyle:
    case piBorderBottomStyle:
    case piBorderLeftStyle:
      props[static_cast<size_t>(index)] = value;
      if (value != "none") props[piBorderStyle] = value;
      return true;
    case piVisibility:
      if (value != "visible" && value != "hidden") return false;
      props[piVisibility] = value == "visible" ? 2 : 1;
      return true;
    case piTextTransform:
      props[piTextTransform] = value == "uppercase" ? 1 : value == "lowercase" ? 2 : 0;
      return true;
    case piWordWrap:
      props[piWordWrap] = std::string(value == "break-word" ? "break-word" : "normal");
      return true;
    case piFontVariant:
      if (value != "small-caps" && value != "normal") return false;
      props[piFontVariant] = value;
      return true;
    default:
      props[static_cast<size_t>(index)] = value;
      return true;
  }
}

// What a merged value changes in the four looks of a link; size is the element's font size after the merge.
void UpdateLinkLooks(TFontInfoArray& looks, int index, const TPropValue& v, double size) {
  const std::string& text = StringOf(v);
  const std::string family = index == piFontFamily ? FindInstalledFont(text) : "";
  for (ThtFontInfo& info : looks.Info) {
    switch (index) {
      case piFontFamily:
        info.Name = family;
        break;
      case piFontSize:
        info.Size = size;
        break;
      case piFontStyle:
        if (text == "italic" || text == "oblique") info.Style |= pf::fsItalic;
        if (text == "normal") info.Style &= static_cast<pf::TFontStyles>(~pf::fsItalic);
        break;
      case piFontWeight:
        if (text.find("bold") != std::string::npos || StyleInteger(text, 0) >= 600) info.Style |= pf::fsBold;
        if (text.find("normal") != std::string::npos) info.Style &= static_cast<pf::TFontStyles>(~pf::fsBold);
        break;
      case piTextDecoration:
        if (text == "underline") info.Style |= pf::fsUnderline;
        if (text == "line-through") info.Style |= pf::fsStrikeOut;
        if (text == "none") info.Style &= static_cast<pf::TFontStyles>(~(pf::fsUnderline | pf::fsStrikeOut));
        break;
      case piLetterSpacing:
        info.LetterSpacing = v;
        break;
      case piColor:
        info.Color = static_cast<pf::TColor>(IntOf(v, 0));
        break;
      case piBackgroundColor:
        info.BackgroundColor = static_cast<pf::TColor>(IntOf(v, static_cast<int32_t>(pf::clNone)));
        break;
      default:
        break;
    }
  }
}

}  // namespace

TProperties::TProperties() : Sequence(sequenceCounter++) {
  for (int i = piMarginTop; i <= piLeft; ++i) Props[static_cast<size_t>(i)] = UnsetBoxValue;
  Props[piZIndex] = 0;
}

TProperties::~TProperties() = default;

void TProperties::CopyDefaults(const TProperties& source) {
  Props = source.Props;
  ApplyCharSet(source.CharSet);
  FontName = source.FontName;
  PropTag = "default";
  font_.reset();
}

void TProperties::InheritFrom(std::string_view tag, const TProperties& parent) {
  const std::string& parentTag = parent.PropTag;
  const bool group = parentTag == "thead" || parentTag == "tbody" || parentTag == "tfoot";
  for (int i = 0; i < kPropertyCount; ++i) {
    const auto k = static_cast<size_t>(i);
    if (group) {
      Props[k] = parent.Props[k];
      Assigned[k] = parent.Assigned[k];
    } else if (parentTag == "span") {
      if (i != piBorderStyle) Props[k] = parent.Props[k];
    } else if (InheritanceOf(i) == Inheritance::Yes) {
      Props[k] = parent.Props[k];
    } else if (InheritanceOf(i) == Inheritance::Reset) {
      Props[k] = UnsetBoxValue;
    }
  }
  if (tag == "table") Props[piWordWrap] = std::string("normal");
  FontName = parent.FontName;
  OwnBackground = parent.OwnBackground;
  CharSet = parent.CharSet;
  CodePage = parent.CodePage;
  PropTitle = parent.PropTitle;
  IsLink = parent.IsLink;
  LinkFontInfo = parent.LinkFontInfo ? std::make_unique<TFontInfoArray>(*parent.LinkFontInfo) : nullptr;
  EmSize = parent.EmSize;
  ExSize = EmSize / 2;
  font_.reset();
}

void TProperties::UpdateFromParent(const TProperties& parent, const TStyleList& styles, TPropStack& stack) {
  for (size_t k = 0; k < Props.size(); ++k)
    if (!Assigned[k]) Props[k] = parent.Props[k];
  font_.reset();
  if (!LinkFontInfo) return;
  if (parent.IsLink) {
    LinkFontInfo = std::make_unique<TFontInfoArray>(*parent.LinkFontInfo);
  } else if (PropPseudo == "link") {
    BuildLinkFontInfo(styles, stack);
  } else {
    LinkFontInfo.reset();
    IsLink = false;
  }
}

void TProperties::AssignByName(std::string_view name, std::string_view value) {
  AssignByIndex(LookupPropertyName(name), value);
}

void TProperties::AssignByIndex(int index, std::string_view value) {
  if (index < 0 || index >= kPropertyCount) return;
  StoreValue(*this, index, value);
  font_.reset();
}

void TProperties::AssignIfNotSet(TPropertyIndex index, const TPropValue& value) {
  if (Assigned[index]) return;
  Props[index] = value;
  Assigned[index] = true;
  font_.reset();
  if (!LinkFontInfo) return;
  for (ThtFontInfo& info : LinkFontInfo->Info) {
    if (index == piFontFamily)
      info.Name = FindInstalledFont(StringOf(value));
    else if (index == piFontSize)
      info.Size = PointsOf(value, info.Size);
    else if (index == piColor)
      info.Color = static_cast<pf::TColor>(IntOf(value, 0));
  }
}

void TProperties::ApplyCharSet(int charset) {
  if (charset == Iso8859_2Charset) return;
  CharSet = static_cast<uint8_t>(charset);
  CodePage = pf::CharsetToCodePage(charset);
  font_.reset();
}

void TProperties::SetUtf8CodePage() { CodePage = pf::CodePageUtf8; }

void TProperties::Merge(const TProperties& rule, double parentSize) {
  for (int i = 0; i < kPropertyCount; ++i) {
    const TPropValue& v = rule.Props[static_cast<size_t>(i)];
    if (!IsAssigned(v)) continue;
    if (i >= piMarginTop && i <= piLeft && std::get_if<int32_t>(&v) && std::get<int32_t>(v) == UnsetBoxValue) continue;
    // Relative font sizes count against the parent's size once, here.
    Props[static_cast<size_t>(i)] = i == piFontSize && IsString(v) ? FontSizeToPoints(StringOf(v), parentSize) : v;
    Assigned[static_cast<size_t>(i)] = true;
    if (LinkFontInfo) UpdateLinkLooks(*LinkFontInfo, i, v, FontSizeInPoints());
  }
  font_.reset();
}

double TProperties::FontSizeInPoints() const { return PointsOf(Value(piFontSize), DefPointSize()); }

// ---- the property stack ----

std::vector<const TProperties*> TPropStack::AncestorsOf(const TProperties* element) const {
  // The element is nearly always the top entry: search from there.
  int below = Count();
  for (int i = Count() - 1; i >= 0; --i) {
    if ((*this)[i] == element) {
      below = i;
      break;
    }
  }
  std::vector<const TProperties*> ancestors;
  for (int i = below - 1; i >= 1; --i) ancestors.push_back((*this)[i]);
  return ancestors;
}

// ---- the style list ----

const std::vector<TStyleList::Entry>& TStyleList::Sorted() const {
  if (sortedCount_ < rules_.size()) {
    auto byKey = [](const Entry& a, const Entry& b) { return a.key < b.key; };
    const auto middle = rules_.begin() + static_cast<std::ptrdiff_t>(sortedCount_);
    // Both steps are stable: rules of equal keys stay in the order they came.
    std::stable_sort(middle, rules_.end(), byKey);
    std::inplace_merge(rules_.begin(), middle, rules_.end(), byKey);
    sortedCount_ = rules_.size();
    anchorsKnown_ = false;
    contextual_.clear();
    for (size_t i = 0; i < rules_.size(); ++i)
      if (rules_[i].key.find(' ') != std::string::npos) contextual_.push_back(static_cast<int>(i));
  }
  return rules_;
}

const std::vector<int>& TStyleList::ContextualRules() const {
  Sorted();
  return contextual_;
}

int TStyleList::LowerBound(std::string_view key, bool& found) const {
  const std::vector<Entry>& rules = Sorted();
  auto it = std::lower_bound(rules.begin(), rules.end(), key,
                             [](const Entry& e, std::string_view k) { return std::string_view(e.key) < k; });
  found = it != rules.end() && it->key == key;
  return static_cast<int>(it - rules.begin());
}

TProperties* TStyleList::Find(const std::string& key) const {
  const auto it = firstOfKey_.find(key);
  return it == firstOfKey_.end() ? nullptr : it->second;
}

void TStyleList::Clear() {
  rules_.clear();
  contextual_.clear();
  anchors_.clear();
  anchorsKnown_ = false;
  firstOfKey_.clear();
  sortedCount_ = 0;
  defaults_ = nullptr;
  sequence_ = kFirstSequence;
}

std::string TStyleList::NextSequenceNumber() {
  // Keys sort as text: two digits while they last, then "99" and a fixed width, which sorts after every two-digit
  // number and in order among itself.
  constexpr int kLastShort = 98;
  constexpr int kLongLimit = 9999999;
  const int n = std::min(sequence_++, kLongLimit);
  return n <= kLastShort ? pf::IntToStr(n) : "99" + pf::Format("%.7d", {n});
}

TProperties& TStyleList::AddRule(const std::string& key) {
  TProperties& rule = *rules_.emplace_back(Entry{key, std::make_unique<TProperties>(), nullptr}).props;
  firstOfKey_.emplace(key, &rule);
  return rule;
}

TProperties& TStyleList::RuleFor(const std::string& key) {
  TProperties* rule = Find(key);
  return rule ? *rule : AddRule(key);
}

void TStyleList::SetRuleProperty(const std::string& selector, std::string_view propName, std::string_view value) {
  const int index = LookupPropertyName(propName);
  if (index < 0) return;
  TProperties& rule = RuleFor(selector);
  // A colour for unvisited links also colours the visited and hover looks, one for visited links the hover look.
  if (StoreValue(rule, index, value) && index == piColor && (selector == ":link" || selector == ":visited")) {
    for (const char* pseudo : {"::hover", "::visited"}) {
      TProperties* look = Find(pseudo);
      if (look && (selector == ":link" || std::string_view(pseudo) == "::hover"))
        look->Props[piColor] = rule.Props[piColor];
    }
  }
  if (selector.find(":hover") != std::string::npos && Owner) Owner->SetLinksActive();
  if (selector == "a") SetRuleProperty("::link", propName, value);
}

void TStyleList::SetPseudoClassColor(std::string_view pseudo, pf::TColor color) {
  if (TProperties* look = Find("::" + std::string(pseudo))) look->Props[piColor] = ColorValue(color);
}

void TStyleList::AddCopy(const std::string& key, const TProperties& source) { AddRule(key).Props = source.Props; }

void TStyleList::BuildDefaultStyles(const std::string& fontName, const std::string& preFontName, int32_t marginWidth,
                                    int32_t marginHeight, uint8_t charSet, bool underlineLinks, pf::TColor linkColor,
                                    pf::TColor visitedColor, pf::TColor hoverColor, pf::TColor fontColor,
                                    double fontSize) {
  Clear();
  SetDefPointSize(fontSize);
  auto set = [this](std::initializer_list<const char*> keys, std::initializer_list<std::pair<int, TPropValue>> values) {
    for (const char* key : keys)
      for (const auto& [index, value] : values) RuleFor(key).Props[static_cast<size_t>(index)] = value;
  };
  using S = std::string;
  set({"default"}, {{piFontFamily, fontName},
                    {piFontSize, fontSize},
                    {piFontStyle, S("none")},
                    {piFontWeight, S("normal")},
                    {piTextAlign, S("left")},
                    {piTextDecoration, S("none")},
                    {piLetterSpacing, 0},
                    {piColor, ColorValue(fontColor)},
                    {piMarginTop, marginHeight},
                    {piMarginBottom, marginHeight},
                    {piMarginLeft, marginWidth},
                    {piMarginRight, marginWidth},
                    {piVisibility, 2},
                    {piTextTransform, 0},
                    {piWordWrap, S("normal")},
                    {piFontVariant, S("normal")}});
  defaults_ = &RuleFor("default");
  defaults_->FontName = fontName;
  defaults_->ApplyCharSet(charSet);
  const pf::TColor flag = PaletteColorFlag();
  set({"::link"},
      {{piColor, ColorValue(linkColor | flag)}, {piTextDecoration, S(underlineLinks ? "underline" : "none")}});
  set({"::visited"}, {{piColor, ColorValue(visitedColor | flag)}});
  set({"::hover"}, {{piColor, ColorValue(hoverColor | flag)}});
  RuleFor("null");
  set({"pre"}, {{piFontFamily, preFontName},
                {piFontSize, fontSize * 10 / 12},
                {piFontStyle, S("none")},
                {piFontWeight, S("normal")},
                {piTextDecoration, S("none")}});
  set({"p"}, {{piMarginTop, DefaultVerticalMargin}, {piMarginBottom, DefaultVerticalMargin}});
  set({"p 11pre"}, {{piMarginTop, 0}});
  set({"ul", "ol", "menu", "dir"}, {{piPaddingLeft, 35},
                                    {piMarginTop, DefaultVerticalMargin},
                                    {piMarginBottom, DefaultVerticalMargin},
                                    {piListStyleType, S("blank")}});
  set({"dl"},
      {{piPaddingLeft, 0}, {piMarginTop, 0}, {piMarginBottom, 0}, {piMarginLeft, 0}, {piListStyleType, S("none")}});
  set({"dd"}, {{piPaddingLeft, 35}, {piMarginTop, 0}, {piMarginBottom, 0}});
  set({"blockquote"}, {{piPaddingLeft, 35}, {piMarginTop, DefaultVerticalMargin}, {piMarginBottom, 14}});
  set({"code", "tt", "kbd", "samp"}, {{piFontFamily, preFontName}, {piFontSize, S("0.833em")}});
  set({"b", "strong", "th"}, {{piFontWeight, S("bold")}});
  set({"sup"}, {{piFontSize, S("75%")}, {piVerticalAlign, S("super")}});
  set({"sub"}, {{piFontSize, S("75%")}, {piVerticalAlign, S("sub")}});
  set({"big"}, {{piFontSize, S("1.25em")}});
  set({"small"}, {{piFontSize, S("0.75em")}});
  set({"table"}, {{piTextAlign, S("none")}});
  set({"i", "em", "cite", "var", "address"}, {{piFontStyle, S("italic")}});
  set({"u"}, {{piTextDecoration, S("underline")}});
  set({"s", "strike"}, {{piTextDecoration, S("line-through")}});
  set({"center", "caption"}, {{piTextAlign, S("center")}});
  set({"input", "select", "textarea"}, {{piFontFamily, S("Arial Unicode MS, Arial")},
                                        {piFontSize, S("10pt")},
                                        {piFontStyle, S("none")},
                                        {piFontWeight, S("normal")},
                                        {piTextAlign, S("left")},
                                        {piTextDecoration, S("none")},
                                        {piColor, ColorValue(fontColor)}});
  set({"textarea"}, {{piFontFamily, preFontName}});
  set({"hr"}, {{piMarginLeft, 0}, {piMarginRight, 0}, {piMarginTop, 10}, {piMarginBottom, 10}});
  const double scale = fontSize / 12;
  const double headingPoints[] = {24, 18, 14, 12, 10, 8};
  for (int level = 1; level <= 6; ++level) {
    const std::string key = "h" + pf::IntToStr(level);
    set({key.c_str()}, {{piFontSize, headingPoints[level - 1] * scale},
                        {piMarginTop, 19},
                        {piMarginBottom, 19},
                        {piFontWeight, S("bold")}});
  }
}

}  // namespace viewer
