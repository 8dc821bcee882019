// Small classes and routines shared by the viewer's reader, document and control: the owning list, the objects an
// ID can point to and the base of every laid-out document object, parsed attributes, the reader's character
// collectors, link targets, selected-text collectors, the ID name list, and string, wide-string and path helpers.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/classes.h"
#include "platform/graphics/canvas.h"
#include "viewer/html_tables.h"

namespace viewer {

class TProperties;
class IndentManager;
class TSectionBase;
class TSectionList;
class TFontObj;
class TBlock;
class TFormControlObj;
class TUrlTarget;
class SelTextCount;

// A list that owns its items; Clear and the destructor free them in index order.
template <typename T>
class TFreeList {
 public:
  TFreeList() = default;
  TFreeList(const TFreeList&) = delete;
  TFreeList& operator=(const TFreeList&) = delete;
  virtual ~TFreeList() { FreeAll(); }

  int Count() const { return static_cast<int>(items_.size()); }
  T* operator[](int index) const { return items_.at(static_cast<size_t>(index)).get(); }
  T* Last() const { return items_.empty() ? nullptr : items_.back().get(); }
  T* Add(std::unique_ptr<T> item) {
    items_.push_back(std::move(item));
    return items_.back().get();
  }
  T* Insert(int index, std::unique_ptr<T> item) {
    return items_.insert(items_.begin() + index, std::move(item))->get();
  }
  // Frees the item and removes it.
  void Delete(int index) { items_.erase(items_.begin() + index); }
  // Takes the item out of the list's ownership, leaving a nil entry in its place.
  std::unique_ptr<T> Release(int index) { return std::move(items_.at(static_cast<size_t>(index))); }
  int IndexOf(const T* item) const {
    for (size_t i = 0; i < items_.size(); ++i)
      if (items_[i].get() == item) return static_cast<int>(i);
    return -1;
  }
  virtual void Clear() { FreeAll(); }

 private:
  void FreeAll() {
    for (auto& item : items_) item.reset();
    items_.clear();
  }
  std::vector<std::unique_ptr<T>> items_;
};

// What the shared objects ask of the document (the section list) that holds them.
class IDocumentRoot {
 public:
  virtual ~IDocumentRoot() = default;
  // The document y of a text position; false when no text section holds it.
  virtual bool GetYOfCharPos(int32_t charPos, int32_t& y) = 0;
  // Enters a laid-out object into the list the document searches by y.
  virtual void AddToPositionList(TSectionBase* object) = 0;
  // Links change their look under the mouse (a style rule for ":hover" was read).
  virtual void SetLinksActive() = 0;
  // What the document bevels depend on: the page's background colour, whether it is being printed, and whether
  // printing draws in black on monochrome devices.
  virtual pf::TColor BackgroundColor() const = 0;
  virtual bool IsPrinting() const = 0;
  virtual bool PrintMonoBlack() const = 0;
};

// Anything that an ID or a fragment name in a link can point to.
class TIDObject {
 public:
  virtual ~TIDObject() = default;
  // The document y of the object's top, used to scroll to it.
  virtual int32_t GetPositionY() = 0;
};

// The base of every document object laid out one below the other in a cell. The virtual operations keep their
// order; each answers "nothing here" in the base.
class TSectionBase : public TIDObject {
 public:
  static constexpr int32_t kNotLaidOut = 999999999;
  explicit TSectionBase(TSectionList* ownerList) : OwnerList(ownerList) {}
  // The print copy: the laid-out height and the value beside it.
  TSectionBase(TSectionList* ownerList, const TSectionBase& source)
      : OwnerList(ownerList), SectionHeight(source.SectionHeight), ZIndex(source.ZIndex) {}

  TBlock* OwnerBlock = nullptr;
  TSectionList* OwnerList;  // the document; a cell stamps its own into each object it receives
  int32_t SectionHeight = 0;
  int32_t DrawHeight = 0;  // at least SectionHeight; more when floating objects reach below the text
  int32_t StartCurs = 0;   // the first document position this object occupies
  int32_t Len = 0;         // the document positions it occupies
  int32_t ZIndex = 0;
  int32_t YPosition = kNotLaidOut;
  int32_t ContentBottom = 0;
  int32_t DrawTop = 0;
  int32_t DrawBottom = 0;
  int32_t ContentTop = 0;

  int32_t GetPositionY() override { return YPosition; }
  virtual std::unique_ptr<TSectionBase> CreateClone(TSectionList* ownerList) const;
  virtual void CollectSelectedText(SelTextCount& collector) {}
  // Lays the object out at y; curs is the running document position. Returns the height.
  virtual int32_t ComputeLayout(pf::TCanvas& canvas, const pf::TRect& clip, IndentManager& indents, int32_t x,
                                int32_t y, int32_t availWidth, int32_t availHeight, int32_t& curs, int32_t& maxWidth);
  // Paints what meets clip; returns the bottom of the content.
  virtual int32_t Paint(pf::TCanvas& canvas, const pf::TRect& clip, IndentManager& indents, int32_t x, int32_t xRef,
                        int32_t yRef) {
    return ContentTop + SectionHeight;
  }
  // A set: 1 a link (urlTarget is a new copy of its target), 2 a form control, 4 a title.
  virtual int GetLinkAt(pf::TCanvas& canvas, int32_t x, int32_t y, std::unique_ptr<TUrlTarget>& urlTarget,
                        TFormControlObj*& formControl, std::string& title) {
    return 0;
  }
  // The picture or floating object at the point and its text position; nullptr when none.
  virtual TIDObject* FindObjectAt(int32_t x, int32_t y, int32_t& position) { return nullptr; }
  // The document position at the point; -1 when the object does not hold it.
  virtual int32_t GetPositionAtPoint(pf::TCanvas& canvas, int32_t x, int32_t y, bool& inText, int32_t& lineHeight,
                                     int32_t& lineTop, int32_t& caretX) {
    return -1;
  }
  virtual int32_t SearchForward(int32_t position, std::u16string_view text, bool matchCase) { return -1; }
  virtual int32_t SearchBackward(int32_t position, std::u16string_view text, bool matchCase) { return -1; }
  virtual int32_t MapToSourcePos(int32_t docPos) { return -1; }
  virtual int32_t MapToDocPos(int32_t sourcePos, bool backwards) { return -1; }
  virtual bool GetPositionXY(pf::TCanvas& canvas, int32_t docPos, int32_t& x, int32_t& y) { return false; }
  virtual bool ReadCharAt(int32_t docPos, char16_t& ch, TSectionBase*& object) { return false; }
  virtual void MeasureMinMaxWidth(pf::TCanvas& canvas, int32_t& minWidth, int32_t& maxWidth) {
    minWidth = maxWidth = 0;
  }
  virtual void AddToPositionList();
};

// What pictures and embedded panels share: their place in the text, size, alignment and spaces.
class TFloatingObj : public TIDObject {
 public:
  TFloatingObj() = default;
  // The print copy: the alternative text, the laid-out size, the alignment, the spaces, the own border and the
  // position.
  TFloatingObj(const TFloatingObj& source);
  TFloatingObj& operator=(const TFloatingObj&) = delete;

  int32_t Pos = 0;  // the text index of the object character
  int32_t ObjHeight = 0;
  int32_t ObjWidth = 0;
  uint8_t Floating = 4;  // 1 top, 2 middle, 4 bottom, 5 float left, 6 float right
  int32_t HSpaceL = 0, HSpaceR = 0, VSpaceT = 0, VSpaceB = 0;
  int32_t BorderID = -1;  // the style whose border is the object's own (its inline border's ID); -1: none
  int32_t SpecWidth = -1, SpecHeight = -1;  // as given (percent 1..100 with the flag), -1 when not given
  bool PercentWidth = false, PercentHeight = false;
  std::string Alt;
  std::u16string AltWide;
  bool SizeFixed = false;  // the size no longer depends on the room or the picture
  int32_t Indent = 0;      // a float's x (inside its left space) relative to the x of the section it stands in
  int32_t DrawYY = 0;      // the document y of its top (the line's until painting places it)
  int32_t DrawXX = 0;      // the document x of its left edge at the last paint
  int32_t ImageWidth = 0, ImageHeight = 0;  // the natural size
  std::string Title;

  int32_t GetPositionY() override { return DrawYY; }
  // The laid-out size for the room (availHeight 0: availWidth is the base of percentage heights); linkRun is the
  // font run of a link the object stands in, or nullptr. The base sizes nothing.
  virtual void ComputeSize(pf::TCanvas& canvas, int32_t availHeight, int32_t availWidth, TFontObj* linkRun) {}
  virtual std::unique_ptr<TFloatingObj> CreateClone(TSectionList* ownerList) const;
  // The element's style as pictures and panels take it: vertical-align or float, title, margins (plus the border and
  // its padding when bordered, the border then the object's own), width and height.
  virtual void ApplyStyleProperties(TProperties& prop);
};

// One parsed attribute: its symbol, numeric value, name as written, value text and the code page of that text.
class TAttribute {
 public:
  TAttribute(THtmlSymbol which, int32_t value, std::string name, std::string text, int codePage)
      : Which(which), Value(value), Name(std::move(name)), Text(std::move(text)), CodePage(codePage) {}
  THtmlSymbol Which;
  int32_t Value;
  std::string Name;
  std::string Text;
  int CodePage;
};

// The attributes of one tag in source order.
class TAttributeList : public TFreeList<TAttribute> {
 public:
  // True and the first attribute with that symbol; false when there is none.
  bool FindSymbol(THtmlSymbol symbol, TAttribute*& attribute) const;
  // The text of the first attribute with that symbol; empty when there is none.
  std::string TextOf(THtmlSymbol symbol) const;
  // The CLASS value lower-cased, several classes joined by "." in their canonical order ("b  a" gives "a.b").
  std::string GetClassNames() const;
  // The ID value lower-cased (looked up once per tag).
  const std::string& GetIdValue();
  std::string GetTitleText() const;
  // The properties of the STYLE attribute (a new set each call; nullptr without STYLE). The elements that take it
  // share it, so it lives as long as any of them.
  std::shared_ptr<TProperties> BuildStyle();
  // One "name=value" line per attribute, the name as written.
  std::unique_ptr<pf::TStringList> ToNameValueList() const;
  void Clear() override;

 private:
  std::string id_;
  bool idKnown_ = false;
  std::shared_ptr<TProperties> style_;
};

// Characters with one source position each, the base of the reader's collectors.
template <typename String>
class TPositionedText {
 public:
  void Clear() {
    text_.clear();
    indexes_.clear();
  }
  const String& GetText() const { return text_; }
  const std::vector<int>& Indexes() const { return indexes_; }

 protected:
  void Put(typename String::value_type ch, int index) {
    text_.push_back(ch);
    indexes_.push_back(index);
  }
  String text_;
  std::vector<int> indexes_;
};

// The reader's 8-bit text run.
class TCharCollection : public TPositionedText<std::string> {
 public:
  void Add(char ch, int index) { Put(ch, index); }
  void Append(const TCharCollection& other) {
    text_ += other.text_;
    indexes_.insert(indexes_.end(), other.indexes_.begin(), other.indexes_.end());
  }
  int GetCount() const { return static_cast<int>(text_.size()); }
};

// The reader's current text token in wide characters.
class TokenObj : public TPositionedText<std::u16string> {
 public:
  void AddWideChar(char16_t ch, int index) { Put(ch, index); }
  // The 8-bit characters converted in codePage, one source position per wide character (that of the character's
  // first byte); in the system code page when codePage yields nothing.
  void AddCollection(const TCharCollection& collection, int codePage);
  int Count() const { return static_cast<int>(text_.size()); }
};

// The character range of a link's text (-1 when not set).
struct TutText {
  int32_t Start = -1;
  int32_t Last = -1;
};

// A link that is open while a section is read, and the answer of a link hit test.
class TUrlTarget {
 public:
  std::string Url;
  std::string Target;
  int32_t ID = 0;    // one number per link of the process
  std::string Attr;  // the anchor's attributes as "name=value" lines
  int32_t TabIndex = 0;
  TutText utText;

  // ID := the next link number.
  void SetLink(const std::string& url, const std::string& target, int32_t textStart, const TAttributeList& attributes);
  void CopyFrom(const TUrlTarget& source);
  void Clear();
  int32_t GetTextStart() const { return utText.Start; }
  int32_t GetTextEnd() const { return utText.Last; }
  // Sets the end here and in the targets at the end of linkList that carry the same ID (walking back until one with
  // another ID).
  void SetTextEnd(const std::vector<TUrlTarget*>& linkList, int32_t last);
};

// Counts the selected characters that the document objects pass on: every character but the control codes 2 (form
// control) and 4 (picture). A forced line break (8) counts though it is not copied, so the count bounds the copy.
class SelTextCount {
 public:
  virtual ~SelTextCount() = default;
  virtual void AddChars(const char16_t* chars, int32_t count);
  // The run, then CR LF.
  void AddCharsWithBreak(const char16_t* chars, int32_t count);
  virtual int32_t Finish() { return Len; }

 protected:
  int32_t Len = 0;
};

// Copies the selected characters but the codes 2, 4 and 8 into the caller's buffer of bufferSize characters, never
// more than bufferSize - 1 of them, so that the terminating 0 always fits.
class SelTextBuf : public SelTextCount {
 public:
  SelTextBuf(char16_t* buffer, int32_t bufferSize) : Buffer(buffer), BufferSize(bufferSize) {}
  void AddChars(const char16_t* chars, int32_t count) override;
  // Writes the terminating 0; answers the characters written with it.
  int32_t Finish() override;

 private:
  void Put(char16_t ch);
  char16_t* Buffer;
  int32_t BufferSize;
};

// A named position inside the document's text.
class TChPosObj : public TIDObject {
 public:
  TChPosObj(IDocumentRoot* ownerList, int32_t chPos) : ChPos(chPos), OwnerList(ownerList) {}
  int32_t ChPos;
  IDocumentRoot* OwnerList;
  // The y of ChPos in the document; 0 when no section holds it.
  int32_t GetPositionY() override;
};

// The document's ID and anchor names, each with the object it names; looked up without regard to case. A name added
// again replaces the earlier entry. Only the text positions (TChPosObj) belong to the list.
class TIDNameList {
 public:
  explicit TIDNameList(IDocumentRoot* ownerList) : OwnerList(ownerList) {}
  void AddObject(const std::string& name, TIDObject* object);
  void AddCharPosition(const std::string& name, int32_t chPos);
  // True and the object when the name is there.
  bool Find(std::string_view name, TIDObject*& object) const;
  // Forgets the entries that name object (a document object that is discarded).
  void RemoveObject(const TIDObject* object);
  int Count() const { return static_cast<int>(entries_.size()); }
  void Clear() { entries_.clear(); }
  IDocumentRoot* OwnerList;

 private:
  struct NoCase {
    bool operator()(const std::string& a, const std::string& b) const;
  };
  struct Entry {
    TIDObject* object = nullptr;
    std::unique_ptr<TChPosObj> owned;
  };
  std::map<std::string, Entry, NoCase> entries_;
};

inline int32_t MinOf(int32_t a, int32_t b) { return a < b ? a : b; }
inline int32_t MaxOf(int32_t a, int32_t b) { return a > b ? a : b; }

// Lengths in layout. A page may give any number for a length: every length that enters layout from a style or an
// attribute (boxes, pictures, controls, letter spacing, indents, line heights, tables) is held to
// kMaxLayoutLength pixels either way, and every sum over a number of objects that the page decides (a cell's
// objects, a section's lines, a line's pieces, a table's rows and columns) keeps the position it reaches within
// kMaxLayoutExtent. Layout adds a few extents and a few hundred lengths at most at a time (nesting is capped),
// which stays well inside 32 bits.
constexpr int32_t kMaxLayoutLength = 1 << 19;  // 524,288 pixels
constexpr int32_t kMaxLayoutExtent = 1 << 28;  // 268,435,456 pixels
inline int32_t BoundLength(int64_t pixels) {
  return static_cast<int32_t>(std::clamp<int64_t>(pixels, -kMaxLayoutLength, kMaxLayoutLength));
}
// A length in pixels to the nearest whole pixel (halves to even), held as BoundLength holds it; 0 for no number.
int32_t RoundLength(double pixels);
// a * b / c in 64 bits, rounded as MulDiv rounds (halves away from zero); 0 when c is 0. For proportions of
// lengths and extents, which the caller holds as it holds them.
int64_t Scaled(int64_t a, int64_t b, int64_t c);
inline int32_t BoundExtent(int64_t pixels) {
  return static_cast<int32_t>(std::clamp<int64_t>(pixels, -kMaxLayoutExtent, kMaxLayoutExtent));
}
// sum += more, held as BoundExtent holds it: for sums over objects the page decides the number of.
inline void AddExtent(int32_t& sum, int64_t more) { sum = BoundExtent(sum + more); }
// Sizes laid one after another (a table's columns or rows): each is cut so that their running sum stays within
// kMaxLayoutExtent.
void HoldRun(std::vector<int32_t>& sizes);
// A run of objects laid out one after another from start on, extent so far, grown by more: the end it reaches
// (start + extent) stays within kMaxLayoutExtent, so what comes beyond is laid out there.
inline int32_t GrowExtent(int32_t start, int32_t extent, int64_t more) {
  const int64_t room = std::max<int64_t>(0, int64_t{kMaxLayoutExtent} - start);
  return static_cast<int32_t>(std::clamp<int64_t>(int64_t{extent} + more, -kMaxLayoutExtent, room));
}

// ASCII character classes of the readers of pages and style sheets (no locale).
constexpr bool IsDigit(char c) { return c >= '0' && c <= '9'; }
constexpr bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
// The value of a hexadecimal digit of either case, -1 for any other character.
constexpr int HexDigitValue(char c) {
  return IsDigit(c) ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
}

// 1-based position of sub in s at or after start (the whole of s when start <= 1); 0 when absent.
int PosFrom(std::string_view sub, std::string_view s, int start);
std::string ReplaceChar(std::string_view s, char from, char to);
// Each "%" followed by two hexadecimal digits becomes the byte of that code; "%00" stays as written, so that no
// file name gets a NUL inside.
std::string DecodePercentEscapes(std::string_view s);
// A "file:" URL as a path: escapes decoded; when it holds a "/", a leading "file:" (any case) is removed and the
// slashes after it become one, so "file:///home/a%20b.html" is "/home/a b.html"; every "\" becomes "/".
std::string UrlToDosPath(std::string_view s);
// UrlToDosPath, trimmed; a path that begins with a single "/" is taken as root + path when that file exists (pages
// may link "/css/x.css" under the server root), otherwise as the absolute path it is.
std::string UrlToRootedDosPath(std::string_view s, std::string_view root);

// Zero-terminated wide strings: the first occurrence of sub, and the first and last occurrence of a character;
// nullptr when absent.
const char16_t* WideStrPos(const char16_t* s, const char16_t* sub);
const char16_t* WideStrScan(const char16_t* s, char16_t ch);
const char16_t* WideStrRScan(const char16_t* s, char16_t ch);
// 1-based position of sub in s, 0 when absent.
int WideSubstringPos(std::u16string_view sub, std::u16string_view s);
// Case mapping of every letter by the platform's Unicode tables, one UTF-16 unit for one, so that positions keep
// their meaning (pf::CharUpperBuffW).
std::u16string UpperCaseWide(std::u16string_view s);
std::u16string LowerCaseWide(std::u16string_view s);
inline bool SameWideStr(std::u16string_view a, std::u16string_view b) { return a == b; }
// Without leading and trailing characters below 33.
std::u16string TrimWide(std::u16string_view s);
// Conversions in a code page; in the system code page when the given one yields nothing.
std::u16string AnsiToWideInCodePage(std::string_view s, int codePage);
std::string WideToAnsiInCodePage(std::u16string_view w, int codePage);
// The byte length of the character s starts with (0 at the end).
int CharByteCount(std::string_view s, int codePage);
int32_t WideTextWidth(pf::TCanvas& canvas, std::u16string_view w);
// How many leading characters of w fit into width, and their extent.
int32_t CountFittingChars(pf::TCanvas& canvas, std::u16string_view w, int32_t width, int32_t& extent);
// w drawn word-wrapped into r, with the text alignment 0 meanwhile.
void DrawWrappedTextW(pf::TCanvas& canvas, const pf::TRect& r, std::u16string_view w);

// A memory block with its size.
struct TMemRec {
  std::unique_ptr<uint8_t[]> Data;
  size_t Size = 0;
};
TMemRec AllocateMemRec(size_t size);
void FreeMemRec(TMemRec& rec);

}  // namespace viewer
