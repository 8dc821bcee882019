// The computed style of an element (TProperties), inheritance, the document's style sheet (TStyleList) with its
// selector keys and default rules, and the cascade that applies the matching rules to an element.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "viewer/property_values.h"
#include "viewer/viewer_shared.h"

namespace viewer {

class TStyleList;
class TPropStack;

class TProperties {
 public:
  TProperties();
  ~TProperties();
  TProperties(const TProperties&) = delete;
  TProperties& operator=(const TProperties&) = delete;

  bool IsLink = false;   // the element is a link (LinkFontInfo holds its four looks)
  std::string FontName;  // the document's default font name, carried along
  std::string PropTag, PropClass, PropID, PropPseudo, PropTitle;
  // The element's STYLE attribute, shared with the attribute list that read it.
  std::shared_ptr<const TProperties> InlineStyle;
  pf::TColor OwnBackground = pf::clNone;
  // The element's box (a block, a table cell) paints its background colour, so its text is drawn without one.
  bool BoxPaintsBackground = false;
  uint8_t CharSet = pf::DEFAULT_CHARSET;
  int CodePage = 1252;
  int32_t EmSize = 0;  // of the element's font, in pixels
  int32_t ExSize = 0;
  std::array<TPropValue, kPropertyCount> Props;
  std::array<bool, kPropertyCount> Assigned{};  // set here rather than inherited
  std::unique_ptr<TFontInfoArray> LinkFontInfo;
  int32_t Sequence;  // creation number

  // The root of a property stack: the values of source (the style list's defaults), its charset and font name;
  // PropTag "default".
  void CopyDefaults(const TProperties& source);
  // The values an element takes from its parent before its own rules apply.
  void InheritFrom(std::string_view tag, const TProperties& parent);
  // The cascade: the matching rules of styles for this element, then its inline style. The element is on stack
  // (its ancestors below it) or, when it is not, the whole stack is its ancestry.
  void ApplyStyles(const TStyleList& styles, TPropStack& stack, std::string_view tag, std::string_view classes,
                   std::string_view id, std::string_view pseudo, std::string_view title,
                   std::shared_ptr<const TProperties> inlineStyle);
  // After the parent changed: every value not assigned here is taken from it again; the link looks follow.
  void UpdateFromParent(const TProperties& parent, const TStyleList& styles, TPropStack& stack);
  // One property from CSS text, converted as a style rule converts it; names not in the table are ignored.
  void AssignByName(std::string_view name, std::string_view value);
  void AssignByIndex(int index, std::string_view value);
  // A presentational attribute: only when the property is not assigned here; then it is. A link's looks take a
  // family, size or colour too.
  void AssignIfNotSet(TPropertyIndex index, const TPropValue& value);
  // The charset of a META or FONT tag and its code page (the unsupported Latin-2 value is ignored).
  void ApplyCharSet(int charset);
  void SetUtf8CodePage();

  // ---- fonts ----
  // A new font for the element (its size, family, style and colours); sets EmSize and ExSize.
  std::unique_ptr<TMyFont> GetFont();
  // The font description the element's values give.
  ThtFontInfo GetFontInfo() const;
  // The element's box paints its background colour from now on: its font's text background is none.
  void LeaveBackgroundToBox();
  // The four looks of a link, from temporary styles for the visited and hover states pushed on the stack.
  void BuildLinkFontInfo(const TStyleList& styles, TPropStack& stack);

  // ---- accessors ----
  // false when unset; true with an empty URL for "none", else the address inside url(...).
  bool GetBackgroundImage(std::string& url) const;
  TBackgroundPosition GetBackgroundPosition() const;
  // top 1, middle 2, baseline 3, bottom 4, sub 8, super 9; false for anything else.
  bool GetVerticalAlign(int& align) const;
  bool IsOverflowHidden() const;
  // left 5, right 6, none 0; false otherwise.
  bool GetFloat(int& align) const;
  // left 1, right 2, both 3, none 0; false otherwise. The property is consumed: a second call answers false.
  bool GetClear(int& clear);
  bool GetListStyleType(TListStyleType& type) const;
  std::string GetListStyleImage() const;
  // absolute 1, relative 2, else 0.
  int GetPosition() const;
  // hidden 1, visible 2 (also when unset).
  int GetVisibility() const;
  int32_t GetZIndex() const;
  bool IsDisplayNone() const;
  bool IsBorderCollapse() const;
  // -1 when unset; a bare number times normalHeight; otherwise a length against EmSize.
  int32_t GetLineHeight(int32_t normalHeight) const;
  // Pixels; a percentage gives its number with isPercent set; 0 when unset.
  int32_t GetTextIndent(bool& isPercent) const;
  // 0 none, 1 upper case, 2 lower case.
  int GetTextTransform() const;
  std::string GetFontVariant() const;
  void GetPageBreaks(bool& before, bool& after, bool& insideAvoid) const;
  // Colours given at this element as numbers; clNone otherwise.
  pf::TColor GetBackgroundColor() const;
  pf::TColor GetOwnColor() const;
  // The code of border-style when it holds text, else 0.
  uint8_t GetBorderStyle() const;
  bool HasBorderStyle() const;
  // Stores a background colour assigned here in OwnBackground; returns it.
  pf::TColor SaveBackgroundColor();
  // Properties 9..36 with the side border styles as codes.
  TBoxVariantArray GetBoxVariants() const;

  // Takes the assigned values of a rule (box values it leaves unset excepted), relative font sizes against
  // parentSize; a link's looks follow.
  void Merge(const TProperties& rule, double parentSize);

 private:
  // The assigned value at index, or nothing (the value itself when it is set here or inherited).
  const TPropValue& Value(TPropertyIndex index) const { return Props[static_cast<size_t>(index)]; }
  // The font-size in points: a number as it is, text against the default size.
  double FontSizeInPoints() const;
  std::unique_ptr<TMyFont> font_;  // built by GetFont, dropped whenever the values change
};

// The computed styles of the open elements; entry 0 is the document root.
class TPropStack : public TFreeList<TProperties> {
 public:
  // The entries below element (nearest first) down to entry 1; the whole stack when element is not on it.
  std::vector<const TProperties*> AncestorsOf(const TProperties* element) const;
};

// One blank-separated part of a contextual selector key as the cascade matches it: tag, "." class list, "#" id,
// ":" pseudo-class.
struct TSelectorPart {
  std::string tag, classes, id, pseudo;
  bool directParent = false;  // this ancestor must be the direct parent of what the part before it matched
};

// The style sheet of one document: rules keyed by selector, sorted by key (rules of equal keys in the order they
// came), each owning its property set. New rules are gathered unsorted and merged into the order at the next
// look-up by position, so that a sheet of many rules costs n log n, not n squared.
class TStyleList {
 public:
  explicit TStyleList(IDocumentRoot* owner = nullptr) : Owner(owner) {}
  IDocumentRoot* Owner;

  int Count() const { return static_cast<int>(rules_.size()); }
  const std::string& Key(int index) const { return Sorted().at(static_cast<size_t>(index)).key; }
  TProperties& Rule(int index) const { return *Sorted().at(static_cast<size_t>(index)).props; }
  // The first rule whose key is not less than key (Count() when none); found tells whether it equals key.
  int LowerBound(std::string_view key, bool& found) const;
  // The first rule of key, nullptr when there is none.
  TProperties* Find(const std::string& key) const;
  // The rules with contextual keys (a blank in the key), as indexes in key order: the cascade's walks over them
  // pass no simple key.
  const std::vector<int>& ContextualRules() const;
  // The parts of the contextual key at index, subject first (split once, when first asked for).
  const std::vector<TSelectorPart>& ContextParts(int index) const;
  // The contextual rules by what an ancestor must have for them to match: the id ("#x"), else a class (".c"), else
  // the tag ("<t") of one of their ancestor parts; under "" those whose ancestor parts name none. Each group holds
  // rule indexes in key order.
  const std::unordered_map<std::string, std::vector<int>>& ContextAnchors() const;
  // The default rule ("default"), nullptr before BuildDefaultStyles.
  TProperties* Defaults() const { return defaults_; }

  // Frees every rule; the sequence counter starts again.
  void Clear();
  // The sequence number of the next contextual selector, as text that sorts like the number (two digits, then "99"
  // and seven digits), so that later rules of the same selector stay later.
  std::string NextSequenceNumber();
  // The style-sheet parser's entry: one property of the rule for selector, converted by the property's kind.
  void SetRuleProperty(const std::string& selector, std::string_view propName, std::string_view value);
  // The colour of "::link", "::visited" or "::hover" when that rule exists.
  void SetPseudoClassColor(std::string_view pseudo, pf::TColor color);
  // A new rule under key with the values of source.
  void AddCopy(const std::string& key, const TProperties& source);
  // The default style sheet every document starts with; also sets the document default font size.
  void BuildDefaultStyles(const std::string& fontName, const std::string& preFontName, int32_t marginWidth,
                          int32_t marginHeight, uint8_t charSet, bool underlineLinks, pf::TColor linkColor,
                          pf::TColor visitedColor, pf::TColor hoverColor, pf::TColor fontColor, double fontSize);

 private:
  struct Entry {
    std::string key;
    std::unique_ptr<TProperties> props;
    mutable std::unique_ptr<std::vector<TSelectorPart>> parts;  // of a contextual key, once split
  };
  // The rule of key (a new one, added after its last equal, when there is none).
  TProperties& RuleFor(const std::string& key);
  TProperties& AddRule(const std::string& key);
  // The rules in key order: the ones added since the last look-up are sorted and merged in.
  const std::vector<Entry>& Sorted() const;
  mutable std::vector<Entry> rules_;
  mutable size_t sortedCount_ = 0;  // rules_[0, sortedCount_) are in order
  mutable std::vector<int> contextual_;
  mutable std::unordered_map<std::string, std::vector<int>> anchors_;
  mutable bool anchorsKnown_ = false;                         // anchors_ groups the rules in their present order
  std::unordered_map<std::string, TProperties*> firstOfKey_;  // the first rule of each key
  int sequence_ = kFirstSequence;
  TProperties* defaults_ = nullptr;
  static constexpr int kFirstSequence = 10;
};

}  // namespace viewer
