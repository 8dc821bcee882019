#include "viewer/html_tokenizer.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <limits>

#include "platform/core/codepage.h"
#include "platform/core/mathutil.h"
#include "platform/core/strings.h"

namespace viewer {

namespace {

constexpr unsigned char kCR = '\r';
constexpr unsigned char kLF = '\n';
constexpr size_t kMaxNulCharacters = 100;  // NULs that become spaces; the document ends before one more
constexpr size_t kMaxTagName = 255;
constexpr size_t kMaxEntityName = 11;
constexpr int32_t kBeyondUnicode = 0x110000;  // numeric references saturate here
constexpr char16_t kReplacementCharacter = 0xFFFD;

bool IsUpper(unsigned char c) { return c >= 'A' && c <= 'Z'; }
// Command and parameter names of an include.
bool IsNameChar(unsigned char c) { return IsDigit(c) || IsUpper(c) || c == '_'; }

// Codes a reference cannot stand for as one 16-bit character.
bool OutsideBmp(int32_t code) { return code > 0xFFFF || (code >= 0xD800 && code <= 0xDFFF); }

// The leading decimal number of s (one sign, digits, a fraction) to the nearest integer, halves to even as the
// platform rounds, held within 32 bits; 0 when s starts with none. Only digits make a number: "nan" and "inf",
// which the conversion would take, are none.
int32_t NumberValue(std::string_view s) {
  bool negative = false;
  if (!s.empty() && (s[0] == '+' || s[0] == '-')) {
    negative = s[0] == '-';
    s.remove_prefix(1);
  }
  const bool startsWithDigit = !s.empty() && (IsDigit(s[0]) || (s[0] == '.' && s.size() > 1 && IsDigit(s[1])));
  if (!startsWithDigit) return 0;
  double value = 0;
  auto result = std::from_chars(s.data(), s.data() + s.size(), value, std::chars_format::fixed);
  if (result.ec == std::errc::result_out_of_range) value = std::numeric_limits<double>::max();
  if (result.ec == std::errc::invalid_argument) value = 0;
  if (negative) value = -value;
  constexpr double kMin = std::numeric_limits<int32_t>::min(), kMax = std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(pf::Round(value < kMin ? kMin : value > kMax ? kMax : value));
}

// Sets a flag for the lifetime of the object.
class FlagScope {
 public:
  FlagScope(bool& flag, bool value) : flag_(flag), saved_(flag) { flag = value; }
  ~FlagScope() { flag_ = saved_; }
  FlagScope(const FlagScope&) = delete;
  FlagScope& operator=(const FlagScope&) = delete;

 private:
  bool& flag_;
  bool saved_;
};

}  // namespace

// An entity as read: its code, or the text as written with the source position of each character.
struct THtmlTokenizer::Entity {
  bool numeric = false;
  int32_t code = 0;
  int32_t position = 0;  // of the "&"
  std::string written;
  std::vector<int32_t> positions;
};

void THtmlTokenizer::SetDocument(std::string document) {
  size_t nuls = 0;
  for (size_t i = 0; i < document.size(); ++i) {
    if (document[i] != 0) continue;
    if (++nuls > kMaxNulCharacters) {
      document.resize(i);
      break;
    }
    document[i] = ' ';
  }
  Utf8Document = ShiftJisDocument = eucConverted_ = false;
  firstPosition_ = -1;
  if (document.size() > 3 && document.compare(0, 3, "\xEF\xBB\xBF") == 0) {
    document.erase(0, 3);
    firstPosition_ = 2;
    Utf8Document = true;
  } else if (IsJisEncoded(document)) {
    document = JisToShiftJis(document);
    ShiftJisDocument = true;
  }
  document_ = std::move(document);
  Rewind();
}

void THtmlTokenizer::Rewind() {
  documentPos_ = 0;
  position_ = chPosition_ = firstPosition_;
  included_.clear();
  includedPos_ = 0;
  inIncluded_ = false;
  lineEnd_ = 0;
  inComment_ = false;
  LCh = Ch = 0;
  Sy = EofSy;
  HeadingLevel = 0;
  Token.Clear();
  Attributes.Clear();
  collection_.Clear();
}

int THtmlTokenizer::CodePage() const {
  if (CurrentCodePage) return CurrentCodePage();
  return Utf8Document       ? pf::CodePageUtf8
         : ShiftJisDocument ? pf::CharsetToCodePage(ShiftJisCharset)
                            : pf::SystemCodePage;
}

bool THtmlTokenizer::LookupCharset(std::string_view name, int& charset) {
  int found = 0;
  if (!viewer::LookupCharset(name, found)) return false;
  if (found == EucJpCharset) {
    if (!eucConverted_) {
      // The current character was read already; when it came from the document, the conversion starts with it,
      // so that a character right after the tag keeps its lead byte.
      const bool current =
          Ch != 0 && !inIncluded_ && documentPos_ > 0 && static_cast<unsigned char>(document_[documentPos_ - 1]) == LCh;
      const size_t from = current ? documentPos_ - 1 : documentPos_;
      std::string rest = document_.substr(from);
      EucJpToShiftJis(rest);
      document_.replace(from, std::string::npos, rest);
      // Only bytes above 160 change, and never into ASCII letters.
      if (current && static_cast<unsigned char>(document_[from]) != LCh)
        LCh = Ch = static_cast<unsigned char>(document_[from]);
      eucConverted_ = ShiftJisDocument = true;
    }
    found = ShiftJisCharset;
  }
  charset = found;
  return true;
}

unsigned char THtmlTokenizer::ReadRawChar() {
  if (inIncluded_) {
    if (includedPos_ < included_.size()) return static_cast<unsigned char>(included_[includedPos_++]);
    inIncluded_ = false;
    included_.clear();
    includedPos_ = 0;
  }
  if (documentPos_ >= document_.size()) return 0;
  const auto c = static_cast<unsigned char>(document_[documentPos_++]);
  if (position_ < std::numeric_limits<int32_t>::max()) ++position_;
  if (documentPos_ % ProgressStep == 0 && OnProgress && !Counting)
    OnProgress(static_cast<int64_t>(documentPos_), static_cast<int64_t>(document_.size()));
  return c;
}

unsigned char THtmlTokenizer::PeekRawChar() const {
  if (inIncluded_ && includedPos_ < included_.size()) return static_cast<unsigned char>(included_[includedPos_]);
  return documentPos_ < document_.size() ? static_cast<unsigned char>(document_[documentPos_]) : 0;
}

// One character with the line-end and tab rules: CR LF, LF CR, LF and CR each become one CR.
void THtmlTokenizer::GetCh() {
  unsigned char c = ReadRawChar();
  chPosition_ = position_;
  while (c == kCR || c == kLF) {
    const int state = c == kCR ? 1 : 2;
    if (lineEnd_ != 3 - state) {
      lineEnd_ = state;
      c = kCR;
      break;
    }
    // The second half of a CR LF or LF CR pair.
    lineEnd_ = 0;
    c = ReadRawChar();
    chPosition_ = position_;
  }
  if (c != kCR) lineEnd_ = 0;
  if (c == '\t') c = ' ';
  LCh = c;
  Ch = c >= 'a' && c <= 'z' ? static_cast<unsigned char>(c - 32) : c;
  if (c == 0 && inComment_) {
    inComment_ = false;
    throw EParseError(std::string(OpenCommentMessage));
  }
}

void THtmlTokenizer::NextChar() {
  GetCh();
  if (RawMode) return;
  while (Ch == '<') {
    const unsigned char next = PeekRawChar();
    if (next == '%') {
      SkipServerSection();
    } else if (next == '!') {
      GetCh();  // "!"
      GetCh();
      if (Ch == '-' && PeekRawChar() == '-') {
        GetCh();  // the second "-"
        if (PeekRawChar() == '#' && OnInclude && !Counting) {
          ReadInclude();
        } else {
          SkipComment();
        }
      } else {
        SkipDeclaration();
      }
    } else {
      return;
    }
    GetCh();  // the character after the construct, which may start the next one
  }
}

// From "<%" up to and including the next "%>" (or the end).
void THtmlTokenizer::SkipServerSection() {
  GetCh();  // "%"
  for (;;) {
    GetCh();
    if (Ch == 0) return;
    if (Ch == '%' && PeekRawChar() == '>') {
      GetCh();
      return;
    }
  }
}

// "<!" and anything up to the next ">" (a document type, for one).
void THtmlTokenizer::SkipDeclaration() {
  while (Ch != '>' && Ch != 0) GetCh();
}

void THtmlTokenizer::SkipComment() {
  inComment_ = true;
  GetCh();
  SkipCommentBody();
}

// A comment ends at "--" (any number of "-"), optional spaces and line ends, an optional "!" and ">".
void THtmlTokenizer::SkipCommentBody() {
  inComment_ = true;
  for (;;) {
    if (Ch != '-') {
      GetCh();
      continue;
    }
    int dashes = 0;
    while (Ch == '-') {
      ++dashes;
      GetCh();
    }
    if (dashes < 2) continue;
    while (Ch == ' ' || Ch == kCR) GetCh();
    if (Ch == '!') GetCh();
    if (Ch == '>') break;
  }
  inComment_ = false;
}

// "<!--#command name=value ...-->": the handler's text is read next, before what followed the comment.
void THtmlTokenizer::ReadInclude() {
  pf::TStringList params;
  std::string command;
  {
    FlagScope raw(RawMode, true);
    inComment_ = true;
    GetCh();  // "#"
    GetCh();
    while (IsNameChar(Ch)) {
      command.push_back(static_cast<char>(LCh));
      GetCh();
    }
    for (;;) {
      SkipSpaces();
      if (!IsUpper(Ch)) break;
      std::string name;
      while (IsNameChar(Ch)) {
        name.push_back(static_cast<char>(LCh));
        GetCh();
      }
      SkipSpaces();
      std::string value;
      if (Ch == '=') {
        GetCh();
        SkipSpaces();
        value = ReadIncludeValue();
      }
      params.Add(name + "=" + value);
    }
    SkipCommentBody();
  }
  std::string text;
  TokenObj saved = Token;
  OnInclude(command, params, text);
  Token = std::move(saved);
  if (text.empty()) return;
  for (char& c : text)
    if (c == 0) c = ' ';
  if (inIncluded_) text.append(included_, includedPos_);
  included_ = std::move(text);
  includedPos_ = 0;
  inIncluded_ = true;
}

std::string THtmlTokenizer::ReadIncludeValue() {
  std::string value;
  if (Ch == '"' || Ch == '\'') {
    const unsigned char quote = Ch;
    GetCh();
    while (Ch != quote && Ch != 0) {
      if (Ch == '&') {
        ReadEntity(pf::SystemCodePage, value);
        continue;
      }
      value.push_back(Ch == kCR ? ' ' : static_cast<char>(LCh));
      GetCh();
    }
    if (Ch == quote) GetCh();
  } else {
    while (Ch != ' ' && Ch != kCR && Ch != '-' && Ch != '>' && Ch != 0) {
      value.push_back(static_cast<char>(LCh));
      GetCh();
    }
  }
  return value;
}

void THtmlTokenizer::SkipSpaces() {
  while (Ch == ' ' || Ch == kCR) NextChar();
}

// A "<" starts a tag when "/", "?" or a letter follows; otherwise it is text.
bool THtmlTokenizer::StartsTag() const {
  const unsigned char next = PeekRawChar();
  return next == '/' || next == '?' || IsLetter(next);
}

void THtmlTokenizer::GetNextToken() {
  Token.Clear();
  if (Ch == 0) {
    Sy = EofSy;
    return;
  }
  if (Ch == '<' && StartsTag()) {
    ReadTag();
    return;
  }
  // A control code would collide with the placeholders of the section text; it is read as "?".
  if (Ch < 9) LCh = Ch = '?';
  ReadTextRun();
}

void THtmlTokenizer::GetNextPreformattedToken() {
  Token.Clear();
  if (Ch == 0) {
    Sy = EofSy;
  } else if (Ch == kCR) {
    Sy = RawLineEndSy;
    TagPosition = chPosition_;
    NextChar();
  } else if (Ch == '<' && StartsTag()) {
    ReadTag();
  } else {
    ReadPreformattedRun();
  }
}

void THtmlTokenizer::ReadTag() {
  TagPosition = chPosition_;
  HeadingLevel = 0;
  NextChar();
  bool endTag = false;
  if (Ch == '/') {
    endTag = true;
    NextChar();
  }
  std::string name;
  while (name.size() < kMaxTagName && (IsDigit(Ch) || IsUpper(Ch) || Ch == '_')) {
    name.push_back(static_cast<char>(Ch));
    NextChar();
    if (name == "H" && Ch >= '1' && Ch <= '6') {
      HeadingLevel = Ch - '0';
      NextChar();
      break;
    }
  }
  Sy = LookupTag(name, endTag);
  if (Sy != HeadingSy && Sy != HeadingEndSy) HeadingLevel = 0;
  Attributes.Clear();
  while (ReadAttribute()) {
  }
  while (Ch != '>' && Ch != 0) NextChar();
  // Raw content is read from the ">" on (ReadRawContent).
  if (Ch == '>' && !HasRawContent(Sy)) NextChar();
}

bool THtmlTokenizer::ReadAttribute() {
  SkipSpaces();
  if (!IsUpper(Ch)) return false;
  std::string name, upperName;
  while (Ch == '-' || IsDigit(Ch) || IsUpper(Ch)) {
    name.push_back(static_cast<char>(LCh));
    upperName.push_back(static_cast<char>(Ch));
    NextChar();
  }
  const THtmlSymbol which = LookupAttribute(upperName);
  int32_t value = which == BorderSy ? 1 : 0;
  std::string text;
  SkipSpaces();
  if (Ch == '=') {
    NextChar();
    SkipSpaces();
    if (Ch == '"' || Ch == '\'') {
      ReadQuotedValue(which, value, text);
    } else {
      ReadUnquotedValue(Ch == '+' || Ch == '-' || IsDigit(Ch), value, text);
    }
  }
  if (which == IDSy && !text.empty() && !Counting && OnIdAttribute) OnIdAttribute(text, position_);
  Attributes.Add(std::make_unique<TAttribute>(which, value, std::move(name), std::move(text), CodePage()));
  return true;
}

// Up to the same quote. Line ends stay as CR LF in TITLE and ALT and vanish elsewhere; the text is trimmed and
// gives the numeric value when it starts like a number (one trailing "%" aside).
void THtmlTokenizer::ReadQuotedValue(THtmlSymbol which, int32_t& value, std::string& text) {
  const unsigned char quote = Ch;
  const bool keepLineEnds = which == TitleSy || which == AltSy;
  // Entities in the element's code page, quoted or not, so the text agrees with the code page it is stored with.
  const int codePage = CodePage();
  NextChar();
  while (Ch != quote && Ch != 0) {
    if (Ch == kCR) {
      if (keepLineEnds) text += "\r\n";
      NextChar();
    } else if (Ch == '&') {
      ReadEntity(codePage, text);
    } else {
      text.push_back(static_cast<char>(LCh));
      NextChar();
    }
  }
  if (Ch == quote) NextChar();
  text = pf::Trim(text);
  if (!text.empty() && (text[0] == '+' || text[0] == '-' || text[0] == '.' || IsDigit(text[0]))) {
    std::string_view number = text;
    if (number.back() == '%') number.remove_suffix(1);
    value = NumberValue(number);
  }
}

// Up to a space, a line end or ">"; a numeric value also stops at "%", which is then appended to the text.
void THtmlTokenizer::ReadUnquotedValue(bool numeric, int32_t& value, std::string& text) {
  const int codePage = CodePage();
  while (Ch != ' ' && Ch != kCR && Ch != '>' && Ch != 0 && !(numeric && Ch == '%')) {
    if (Ch == '&') {
      ReadEntity(codePage, text);
    } else {
      text.push_back(static_cast<char>(LCh));
      NextChar();
    }
  }
  if (!numeric) return;
  value = NumberValue(text);
  if (Ch == '%') {
    text.push_back('%');
    NextChar();
  }
}

// Characters up to a tag or a control code; every run of spaces and line ends becomes one space.
void THtmlTokenizer::ReadTextRun() {
  Sy = TextSy;
  collection_.Clear();
  for (;;) {
    if (Ch == ' ' || Ch == kCR) {
      if (!Counting) collection_.Add(' ', chPosition_);
      while (Ch == ' ' || Ch == kCR) NextChar();
    } else if (Ch == '&') {
      AddTextEntity();
    } else if (Ch < 9 || (Ch == '<' && StartsTag())) {
      break;
    } else {
      if (!Counting) collection_.Add(static_cast<char>(LCh), chPosition_);
      NextChar();
    }
  }
  FlushCollection();
}

// Characters up to a tag, a line end or the end, blanks as they are; control codes read as "?".
void THtmlTokenizer::ReadPreformattedRun() {
  Sy = TextSy;
  collection_.Clear();
  while (Ch != 0 && Ch != kCR && !(Ch == '<' && StartsTag())) {
    if (Ch == '&') {
      AddTextEntity();
      continue;
    }
    if (!Counting) collection_.Add(Ch < 9 ? '?' : static_cast<char>(LCh), chPosition_);
    NextChar();
  }
  FlushCollection();
}

bool THtmlTokenizer::HasRawContent(THtmlSymbol sy) { return sy == ScriptSy || sy == StyleSy || sy == TextAreaSy; }

std::string THtmlTokenizer::ReadRawContent(std::string_view name, int entityCodePage) {
  const std::string endTag = "/" + std::string(name);
  std::string text;
  bool ended = false;
  {
    FlagScope raw(RawMode, true);
    NextChar();  // past the start tag's ">"
    while (Ch != 0 && !ended) {
      if (Ch == kCR) {
        text += "\r\n";
        NextChar();
      } else if (Ch == '&' && entityCodePage != 0) {
        ReadEntity(entityCodePage, text);
      } else if (Ch == '<') {
        std::string word;
        for (NextChar(); Ch != 0 && Ch != ' ' && Ch != kCR && Ch != '>' && Ch != '<' && word.size() <= endTag.size();
             NextChar())
          word.push_back(static_cast<char>(LCh));
        ended = pf::SameText(word, endTag) && Ch != '<';
        if (!ended) text += "<" + word;
      } else {
        text.push_back(static_cast<char>(LCh));
        NextChar();
      }
    }
    while (ended && Ch != '>' && Ch != 0) NextChar();
  }
  if (Ch == '>') NextChar();
  return text;
}

void THtmlTokenizer::FlushCollection() {
  if (collection_.GetCount() == 0) return;
  Token.AddCollection(collection_, CodePage());
  collection_.Clear();
}

// At "&": a numeric reference ("#" and decimal digits, or "#x" and hexadecimal digits) or a name of the entity
// list, each with an optional ";". In attribute values a name above 255 needs its ";". False when the text is no
// entity; it is then in entity.written.
bool THtmlTokenizer::ScanEntity(bool attribute, Entity& entity) {
  entity.position = chPosition_;
  auto keep = [&] {
    entity.written.push_back(static_cast<char>(LCh));
    entity.positions.push_back(chPosition_);
    NextChar();
  };
  keep();  // "&"
  if (Ch == '#') {
    keep();
    const bool hex = Ch == 'X';
    if (hex) keep();
    auto digit = [&]() -> int {
      const auto c = static_cast<char>(Ch);
      return hex ? HexDigitValue(c) : IsDigit(c) ? c - '0' : -1;
    };
    if (digit() < 0) return false;
    int64_t code = 0;
    for (int d = digit(); d >= 0; d = digit()) {
      code = std::min<int64_t>(code * (hex ? 16 : 10) + d, kBeyondUnicode);
      NextChar();
    }
    if (Ch == ';') NextChar();
    entity.numeric = true;
    entity.code = static_cast<int32_t>(code);
    return true;
  }
  std::string name;
  while (name.size() < kMaxEntityName && (IsDigit(Ch) || IsUpper(Ch))) {
    name.push_back(static_cast<char>(LCh));
    keep();
  }
  int code = 0;
  if (name.empty() || !EntityList().Find(name, code) || (attribute && code > 255 && Ch != ';')) return false;
  if (Ch == ';') NextChar();
  entity.code = code;
  return true;
}

// Tabs become a space and other control codes "?"; a numeric 127..159 is a byte of the current code page; every
// other character goes into the token as it is, and one that needs more than 16 bits as U+FFFD.
void THtmlTokenizer::AddTextEntity() {
  Entity entity;
  if (!ScanEntity(false, entity)) {
    if (Counting) return;
    for (size_t k = 0; k < entity.written.size(); ++k) collection_.Add(entity.written[k], entity.positions[k]);
    return;
  }
  if (Counting) return;
  const int32_t code = entity.code;
  if (code == '\t') {
    collection_.Add(' ', entity.position);
  } else if (code < 32) {
    collection_.Add('?', entity.position);
  } else if (entity.numeric && code >= 127 && code <= 159) {
    collection_.Add(static_cast<char>(code), entity.position);
  } else {
    FlushCollection();
    Token.AddWideChar(OutsideBmp(code) ? kReplacementCharacter : static_cast<char16_t>(code), entity.position);
  }
}

void THtmlTokenizer::ReadEntity(int codePage, std::string& text) {
  Entity entity;
  if (!ScanEntity(true, entity)) {
    text += entity.written;
    return;
  }
  const int32_t code = entity.code;
  if (code == '\t') {
    text.push_back(' ');
  } else if (code < 32 || OutsideBmp(code)) {
    text.push_back('?');
  } else if (entity.numeric && code >= 127 && code <= 159) {
    text.push_back(static_cast<char>(code));
  } else {
    text += pf::Utf16ToCodePage(std::u16string(1, static_cast<char16_t>(code)), codePage);
  }
}

}  // namespace viewer
