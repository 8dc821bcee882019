#include "viewer/style_sheet_parser.h"

#include <algorithm>

#include "platform/core/strings.h"
#include "viewer/url_routines.h"
#include "viewer/viewer_shared.h"

namespace viewer {

namespace {

bool IsNameChar(char c) { return c == '-' || IsDigit(c) || IsLetter(c); }
bool IsSelectorChar(char c) {
  return c == ' ' || c == '#' || c == '*' || c == '-' || c == '.' || c == ':' || c == '>' || c == '_' || IsDigit(c) ||
         IsLetter(c);
}

// Nested media blocks deeper than this are skipped, so that no sheet can exhaust the stack.
constexpr int kMaxMediaDepth = 16;
constexpr size_t kMaxFontTerms = 7;

// One pair of enclosing quotes (both " or both ') removed.
std::string Unquote(std::string value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
    return value.substr(1, value.size() - 2);
  return value;
}

enum class FontGroup { None, Style, Weight, Variant, Size };

FontGroup FontKeywordGroup(std::string_view term) {
  static constexpr std::pair<const char*, FontGroup> kKeywords[] = {
      {"italic", FontGroup::Style},       {"oblique", FontGroup::Style},  {"normal", FontGroup::Weight},
      {"bolder", FontGroup::Weight},      {"lighter", FontGroup::Weight}, {"bold", FontGroup::Weight},
      {"small-caps", FontGroup::Variant}, {"larger", FontGroup::Size},    {"smaller", FontGroup::Size},
      {"xx-small", FontGroup::Size},      {"x-small", FontGroup::Size},   {"small", FontGroup::Size},
      {"medium", FontGroup::Size},        {"large", FontGroup::Size},     {"x-large", FontGroup::Size},
      {"xx-large", FontGroup::Size}};
  for (auto [keyword, group] : kKeywords)
    if (term == keyword) return group;
  return FontGroup::None;
}

bool IsBorderStyleKeyword(std::string_view term) {
  static constexpr const char* kStyles[] = {"none",   "solid", "dashed", "dotted", "double",
                                            "groove", "inset", "outset", "ridge"};
  return std::find(std::begin(kStyles), std::end(kStyles), term) != std::end(kStyles);
}

bool IsPlainInteger(std::string_view term) { return !term.empty() && std::all_of(term.begin(), term.end(), IsDigit); }

// Reads one sheet or one STYLE attribute.
class CssReader {
 public:
  // A sheet into styles.
  CssReader(TStyleList& styles, std::function<char()> getChar, bool linkedSheet, std::string basePath)
      : styles_(&styles), getChar_(std::move(getChar)), linked_(linkedSheet), base_(std::move(basePath)) {}
  // An inline style into properties.
  CssReader(TProperties& properties, std::function<char()> getChar)
      : properties_(&properties), getChar_(std::move(getChar)), inline_(true) {}

  char ReadSheet(char callerCh) {
    pushback_ = callerCh;
    ch_ = ' ';
    SkipWrapperStart();
    while (ch_ != 0 && !(ch_ == '<' && !linked_)) {
      ReadItem(0);
      SkipItemGap();
    }
    return static_cast<char>(pf::AnsiUpperChar(ch_));
  }

  void ReadInline() {
    Next();
    ReadDeclarations();
  }

 private:
  // ---- characters ----

  // The pushback or the next character; line ends and tabs read as blanks.
  char ReadRaw() {
    char c;
    if (pushback_ != 0) {
      c = pushback_;
      pushback_ = 0;
    } else {
      c = getChar_();
    }
    return c == '\r' || c == '\n' || c == '\t' || c == '\f' ? ' ' : c;
  }

  // The next character with comments left out; a comment also ends at "<" or the end.
  void Next() {
    char c = ReadRaw();
    while (c == '/') {
      const char after = ReadRaw();
      if (after != '*') {
        pushback_ = after;
        break;
      }
      char previous = 0;
      for (c = ReadRaw(); c != 0 && c != '<' && !(previous == '*' && c == '/'); c = ReadRaw()) previous = c;
      if (c != '/') break;
      c = ReadRaw();
    }
    ch_ = c;
  }

  void SkipSpaces() {
    while (ch_ == ' ') Next();
  }

  // Blanks and the "<!--" that wraps a STYLE element's content.
  void SkipWrapperStart() {
    while (ch_ == ' ' || ch_ == '!' || ch_ == '-' || ch_ == '<' || ch_ == '>') Next();
  }

  void SkipItemGap() {
    while (ch_ == ' ' || ch_ == '-' || ch_ == '>') Next();
  }

  // ---- rules ----

  void ReadItem(int depth) {
    if (ch_ == '@') {
      ReadAtRule(depth);
    } else if (ch_ == '<') {
      while (ch_ != ' ' && ch_ != 0) Next();
      SkipSpaces();
    } else {
      selectors_.clear();
      ReadSelectors();
      ReadDeclarations();
    }
  }

  // "@media" blocks whose media list names the screen are read; other blocks are skipped with their nested blocks;
  // "@import" and "@charset" end at their ";".
  void ReadAtRule(int depth) {
    Next();
    std::string text;
    while (ch_ != ';' && ch_ != '<' && ch_ != '{' && ch_ != 0) {
      text += ch_;
      Next();
    }
    if (ch_ == ';') {
      Next();
    } else if (ch_ == '{') {
      if (pf::LowerCase(text).find("screen") != std::string::npos && depth < kMaxMediaDepth) {
        Next();
        SkipItemGap();
        while (ch_ != '}' && ch_ != '<' && ch_ != 0) {
          ReadItem(depth + 1);
          SkipItemGap();
        }
        if (ch_ == '}') Next();
      } else {
        SkipBlock();
      }
    }
  }

  void SkipBlock() {
    int open = 0;
    do {
      if (ch_ == '{') ++open;
      if (ch_ == '}') --open;
      Next();
    } while (open > 0 && ch_ != 0 && !(ch_ == '<' && !linked_));
  }

  // Comma-separated selectors up to the "{". A selector with characters this reader does not understand
  // ("input[type=text]", "h1 + p") is dropped whole rather than read as a shorter selector that would match more.
  void ReadSelectors() {
    for (;;) {
      std::string text;
      while (IsSelectorChar(ch_)) {
        text += ch_ == '*' ? ' ' : ch_;
        Next();
      }
      const bool understood = ch_ == ',' || ch_ == '{' || ch_ == '<' || ch_ == 0;
      while (ch_ != ',' && ch_ != '{' && ch_ != '<' && ch_ != 0) Next();
      if (understood) {
        std::string key = SelectorKey(text);
        if (!key.empty()) selectors_.push_back(std::move(key));
      }
      if (ch_ != ',') return;
      Next();
    }
  }

  // The style list's key of a selector: lower case, a child ">" attached to its parent part, parts in canonical
  // order when one has two of ".", ":" and "#", and for several parts the subject first, then the count of the
  // others and a sequence number, then the ancestors nearest first, each followed by a blank.
  std::string SelectorKey(std::string_view selector) {
    std::string s = pf::Trim(pf::LowerCase(selector));
    while (!s.empty() && s.front() == '>') s = pf::Trim(s.substr(1));
    while (!s.empty() && s.back() == '>') s = pf::Trim(s.substr(0, s.size() - 1));
    // A child ">" sticks to its parent part and is followed by one blank.
    std::string normalized;
    for (char c : s) {
      if (c == '>') {
        while (!normalized.empty() && normalized.back() == ' ') normalized.pop_back();
        normalized += "> ";
      } else if (c != ' ' || (!normalized.empty() && normalized.back() != ' ')) {
        normalized += c;
      }
    }
    std::vector<std::string> parts;
    bool marked = false;
    for (size_t start = 0; start < normalized.size();) {
      const size_t end = std::min(normalized.find(' ', start), normalized.size());
      if (end > start) {
        parts.push_back(normalized.substr(start, end - start));
        marked = marked || std::count_if(parts.back().begin(), parts.back().end(),
                                         [](char c) { return c == '.' || c == ':' || c == '#'; }) >= 2;
      }
      start = end + 1;
    }
    if (parts.empty()) return "";
    if (marked)
      for (std::string& part : parts) part = SortSelectorParts(part);
    if (parts.size() == 1) return parts[0];
    std::string key =
        parts.back() + " " + pf::IntToStr(static_cast<int64_t>(parts.size() - 1)) + styles_->NextSequenceNumber();
    for (size_t k = parts.size() - 1; k-- > 0;) key += parts[k] + " ";
    return key;
  }

  // ---- declarations ----

  // "{" name ":" value ";" ... "}" of a sheet, or the pairs of an inline style up to the end.
  void ReadDeclarations() {
    if (!inline_) {
      if (ch_ != '{') return;
      Next();
    }
    for (;;) {
      SkipSpaces();
      if (ch_ == 0 || (!inline_ && ch_ == '<')) return;
      if (!inline_ && ch_ == '}') {
        Next();
        return;
      }
      std::string name;
      while (IsNameChar(ch_)) {
        name += ch_;
        Next();
      }
      name = pf::Trim(pf::LowerCase(name));
      SkipSpaces();
      if (ch_ == ':' || ch_ == '=') {
        Next();
        std::string value;
        while (ch_ != ';' && ch_ != 0 && (inline_ || (ch_ != '}' && ch_ != '<'))) {
          value += ch_;
          Next();
        }
        value = pf::Trim(pf::AnsiLowerCase(value));
        StoreDeclaration(name, name == "font" ? value : Unquote(value));
      }
      SkipSpaces();
      if (ch_ == ';') Next();
      while (!IsNameChar(ch_) && ch_ != 0 && (inline_ || (ch_ != '}' && ch_ != '<'))) Next();
    }
  }

  void Emit(const std::string& name, const std::string& value) {
    if (inline_) {
      properties_->AssignByName(name, value);
      return;
    }
    for (const std::string& selector : selectors_) styles_->SetRuleProperty(selector, name, value);
  }

  // A "url(...)" value with its address resolved against the sheet's base.
  std::string Absolute(const std::string& value) const {
    if (base_.empty() || value.find("url(") == std::string::npos) return value;
    return "url(" + ResolveStyleUrl(ExtractCssUrl(value), base_) + ")";
  }

  void StoreDeclaration(const std::string& name, const std::string& value) {
    static constexpr const char* kSides[] = {"top", "right", "bottom", "left"};
    const std::vector<std::string> terms = SplitCssTerms(value);
    if (name == "margin" || name == "padding" || name == "border-width" || name == "border-color" ||
        name == "border-style") {
      if (terms.empty()) return;
      // One term for all sides; two: top and bottom, right and left; three: top, right and left, bottom.
      static constexpr size_t kTermOfSide[4][4] = {{0, 0, 0, 0}, {0, 1, 0, 1}, {0, 1, 2, 1}, {0, 1, 2, 3}};
      const size_t count = std::min<size_t>(terms.size(), 4);
      const size_t dash = name.find('-');
      for (size_t side = 0; side < 4; ++side) {
        const std::string sideName = dash == std::string::npos
                                         ? name + "-" + kSides[side]
                                         : name.substr(0, dash) + "-" + kSides[side] + name.substr(dash);
        Emit(sideName, terms[kTermOfSide[count - 1][side]]);
      }
    } else if (name == "border" || name == "border-top" || name == "border-right" || name == "border-bottom" ||
               name == "border-left") {
      for (const std::string& term : terms) {
        pf::TColor color = 0;
        if (ParseColorValue(term, true, color)) {
          Emit(name + "-color", term);
        } else if (IsBorderStyleKeyword(term)) {
          Emit(name + "-style", term);
        } else if (name != "border") {
          Emit(name + "-width", term);
        } else {
          for (const char* side : kSides) Emit(std::string("border-") + side + "-width", term);
        }
      }
    } else if (name == "font") {
      StoreFont(terms);
    } else if (name == "background") {
      StoreBackground(terms);
    } else if (name == "list-style") {
      for (const std::string& term : terms)
        Emit(term.find("url(") != std::string::npos ? "list-style-image" : "list-style-type", Absolute(term));
    } else {
      Emit(name, Absolute(value));
    }
  }

  void StoreFont(const std::vector<std::string>& terms) {
    static constexpr const char* kGroupNames[] = {"", "font-style", "font-weight", "font-variant", "font-size"};
    for (size_t i = 0; i < std::min(terms.size(), kMaxFontTerms); ++i) {
      const std::string& term = terms[i];
      const FontGroup group = FontKeywordGroup(term);
      if (term[0] == '/') {
        Emit("line-height", term.substr(1));
      } else if (group != FontGroup::None) {
        Emit(kGroupNames[static_cast<int>(group)], term);
      } else if (!IsDigit(term[0])) {
        Emit("font-family", term);
      } else if (!IsPlainInteger(term) || pf::StrToInt64Def(term, 0) < 100) {
        Emit("font-size", term);
      }
    }
  }

  void StoreBackground(const std::vector<std::string>& terms) {
    std::vector<std::string> rest;
    for (const std::string& term : terms) {
      pf::TColor color = 0;
      if (term.find("rgb(") != std::string::npos) {
        Emit("background-color", term);
      } else if (term.find("url(") != std::string::npos) {
        Emit("background-image", Absolute(term));
      } else if (ParseColorValue(term, true, color)) {
        Emit("background-color", term);
      } else if (term == "none") {
        Emit("background-image", "none");
        Emit("background-color", "transparent");
      } else if (term.find("repeat") != std::string::npos) {
        Emit("background-repeat", term);
      } else if (term == "fixed" || term == "scroll") {
        Emit("background-attachment", term);
      } else {
        rest.push_back(term);
      }
    }
    if (rest.size() == 1) Emit("background-position", rest[0]);
    if (rest.size() >= 2) Emit("background-position", rest[rest.size() - 2] + " " + rest.back());
  }

  TStyleList* styles_ = nullptr;
  TProperties* properties_ = nullptr;
  std::function<char()> getChar_;
  bool linked_ = true;
  bool inline_ = false;
  std::string base_;
  char ch_ = ' ';
  char pushback_ = 0;
  std::vector<std::string> selectors_;
};

}  // namespace

void ParseStyleSheet(TStyleList& styles, char& ch, const std::function<char()>& getChar, bool linkedSheet,
                     const std::string& basePath) {
  ch = CssReader(styles, getChar, linkedSheet, basePath).ReadSheet(ch);
}

void ParseInlineStyle(std::string_view text, TProperties& properties) {
  const std::string lower = pf::AnsiLowerCase(text);
  size_t at = 0;
  CssReader(properties, [&]() { return at < lower.size() ? lower[at++] : '\0'; }).ReadInline();
}

std::string SortSelectorParts(std::string_view part) {
  std::string_view body = part;
  const bool child = !body.empty() && body.back() == '>';
  if (child) body.remove_suffix(1);
  // Group digit and piece: element 0, classes 1, id 2, pseudo-class 3.
  std::vector<std::string> pieces;
  for (size_t i = 0; i < body.size();) {
    const size_t start = i++;
    while (i < body.size() &&
           (body[i] == '-' || body[i] == '_' || IsDigit(body[i]) || (body[i] >= 'a' && body[i] <= 'z')))
      ++i;
    const char first = body[start];
    const char group = first == '.' ? '1' : first == '#' ? '2' : first == ':' ? '3' : '0';
    pieces.push_back(group + std::string(body.substr(start, i - start)));
  }
  std::sort(pieces.begin(), pieces.end());
  pieces.erase(std::unique(pieces.begin(), pieces.end()), pieces.end());
  std::string joined;
  for (const std::string& piece : pieces) joined += piece.substr(1);
  return child ? joined + ">" : joined;
}

std::vector<std::string> SplitCssTerms(std::string_view value) {
  std::vector<std::string> terms;
  std::string current;
  auto flush = [&] {
    if (current.empty()) return;
    // "12pt/14pt": the size, then the line height with its "/".
    const size_t slash = current.find('/');
    if (slash != std::string::npos && slash > 0 && current.find_first_of("\"'") == std::string::npos) {
      terms.push_back(current.substr(0, slash));
      terms.push_back(current.substr(slash));
    } else {
      terms.push_back(current);
    }
    current.clear();
  };
  for (size_t i = 0; i < value.size(); ++i) {
    const char c = value[i];
    if (value.substr(i).starts_with("url(") || value.substr(i).starts_with("rgb(")) {
      flush();
      const size_t close = std::min(value.find(')', i), value.size() - 1);
      terms.emplace_back(value.substr(i, close - i + 1));
      i = close;
    } else if (c == '"' || c == '\'') {
      const size_t close = std::min(value.find(c, i + 1), value.size() - 1);
      current += value.substr(i, close - i + 1);
      i = close;
    } else if (c == ' ') {
      if (!current.empty() && current.back() != ',') flush();
    } else {
      current += c;
    }
  }
  flush();
  return terms;
}

}  // namespace viewer
