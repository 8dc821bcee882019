// Small classes and routines shared by the viewer's reader, document and control: the owning list, parsed
// attributes, the reader's character collectors, and the path helpers for file URLs.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "viewer/html_tables.h"

namespace viewer {

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
  T* Add(std::unique_ptr<T> item) {
    items_.push_back(std::move(item));
    return items_.back().get();
  }
  virtual void Clear() { FreeAll(); }

 private:
  void FreeAll() {
    for (auto& item : items_) item.reset();
    items_.clear();
  }
  std::vector<std::unique_ptr<T>> items_;
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

// Each "%" followed by two hexadecimal digits becomes the byte of that code.
std::string DecodePercentEscapes(std::string_view s);
// A "file:" URL as a path: escapes decoded; when it holds a "/", a leading "file:" (any case) is removed and the
// slashes after it become one, so "file:///home/a%20b.html" is "/home/a b.html"; every "\" becomes "/".
std::string UrlToDosPath(std::string_view s);

}  // namespace viewer
