#include "platform/core/classes.h"

#include <algorithm>
#include <numeric>

#include "platform/core/exceptions.h"
#include "platform/core/files.h"
#include "platform/core/streams.h"
#include "platform/core/strings.h"

namespace pf {

namespace {

constexpr int32_t kChunk = 64 * 1024;

// Keeps a list inside one update batch for the lifetime of the guard, also when an exception leaves early.
class UpdateGuard {
 public:
  explicit UpdateGuard(TStrings& list) : list_(list) { list_.BeginUpdate(); }
  ~UpdateGuard() { list_.EndUpdate(); }
  UpdateGuard(const UpdateGuard&) = delete;
  UpdateGuard& operator=(const UpdateGuard&) = delete;

 private:
  TStrings& list_;
};

bool NeedsQuotes(std::string_view s) {
  return std::any_of(s.begin(), s.end(),
                     [](char c) { return static_cast<unsigned char>(c) <= ' ' || c == ',' || c == '"'; });
}

}  // namespace

// ---------------------------------------------------------------- TStrings

void TStrings::IndexError(int index) { throw EListError(Format("List index out of bounds (%d)", {index})); }

void TStrings::InsertObject(int index, std::string s, void* object) {
  Insert(index, std::move(s));
  PutObject(index, object);
}

int TStrings::Add(std::string s) {
  int index = Count();
  Insert(index, std::move(s));
  return index;
}

int TStrings::AddObject(std::string s, void* object) {
  int before = Count();
  int index = Add(std::move(s));
  if (Count() > before) PutObject(index, object);  // an ignored duplicate keeps its own object
  return index;
}

int TStrings::IndexOf(std::string_view s) const {
  for (int i = 0, n = Count(); i < n; ++i) {
    if (AnsiSameText(Get(i), s)) return i;
  }
  return -1;
}

int TStrings::IndexOfObject(const void* object) const {
  for (int i = 0, n = Count(); i < n; ++i) {
    if (GetObject(i) == object) return i;
  }
  return -1;
}

void TStrings::Exchange(int index1, int index2) {
  std::string s1 = Get(index1), s2 = Get(index2);
  void* o1 = GetObject(index1);
  void* o2 = GetObject(index2);
  UpdateGuard guard(*this);
  Put(index1, std::move(s2));
  Put(index2, std::move(s1));
  PutObject(index1, o2);
  PutObject(index2, o1);
}

void TStrings::Move(int curIndex, int newIndex) {
  if (curIndex == newIndex) return;
  std::string s = Get(curIndex);
  void* object = GetObject(curIndex);
  if (newIndex < 0 || newIndex >= Count()) IndexError(newIndex);
  UpdateGuard guard(*this);
  // Insert first: a list that refuses the insertion raises before anything is lost.
  if (newIndex > curIndex) {
    InsertObject(newIndex + 1, std::move(s), object);
    Delete(curIndex);
  } else {
    InsertObject(newIndex, std::move(s), object);
    Delete(curIndex + 1);
  }
}

void TStrings::Assign(const TStrings& source) {
  if (&source == this) return;
  UpdateGuard guard(*this);
  Clear();
  AddStrings(source);
}

void TStrings::AddStrings(const TStrings& source) {
  UpdateGuard guard(*this);
  int n = source.Count();
  std::vector<std::pair<std::string, void*>> copy;  // source may be this list
  copy.reserve(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) copy.emplace_back(source.Get(i), source.GetObject(i));
  for (auto& [s, object] : copy) AddObject(std::move(s), object);
}

bool TStrings::Equals(const TStrings& other) const {
  int n = Count();
  if (n != other.Count()) return false;
  for (int i = 0; i < n; ++i) {
    if (Get(i) != other.Get(i)) return false;
  }
  return true;
}

std::string TStrings::Text() const {
  int n = Count();
  size_t total = 0;
  for (int i = 0; i < n; ++i) total += Get(i).size() + 2;
  std::string text;
  text.reserve(total);
  for (int i = 0; i < n; ++i) {
    text += Get(i);
    text += "\r\n";
  }
  return text;
}

void TStrings::SetText(std::string_view text) {
  std::vector<std::string> lines;
  const char* p = text.data();
  const char* end = p + text.size();
  while (p < end) {
    const char* start = p;
    while (p < end && *p != '\r' && *p != '\n') ++p;
    lines.emplace_back(start, p);
    if (p < end) p += (*p == '\r' && p + 1 < end && p[1] == '\n') ? 2 : 1;
  }
  SetLines(std::move(lines));
}

void TStrings::SetLines(std::vector<std::string> lines) {
  UpdateGuard guard(*this);
  Clear();
  for (std::string& line : lines) Add(std::move(line));
}

std::string TStrings::CommaText() const {
  int n = Count();
  if (n == 1 && Get(0).empty()) return "\"\"";
  std::string text;
  for (int i = 0; i < n; ++i) {
    if (i > 0) text += ',';
    const std::string& s = Get(i);
    if (!NeedsQuotes(s)) {
      text += s;
      continue;
    }
    text += '"';
    for (char c : s) {
      if (c == '"') text += '"';
      text += c;
    }
    text += '"';
  }
  return text;
}

// Items are separated by commas or blanks; a double-quoted item may hold both, with quotes doubled.
void TStrings::SetCommaText(std::string_view text) {
  UpdateGuard guard(*this);
  Clear();
  size_t i = 0, n = text.size();
  // Control bytes, NUL included, separate like blanks (an item can neither start nor grow at a NUL).
  auto isBlank = [&](size_t at) { return at < n && static_cast<unsigned char>(text[at]) <= ' '; };
  while (isBlank(i)) ++i;
  while (i < n) {
    std::string item;
    if (text[i] == '"') {
      ++i;
      while (i < n) {
        if (text[i] == '"') {
          if (i + 1 < n && text[i + 1] == '"') {
            item += '"';
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        item += text[i++];
      }
    } else {
      size_t start = i;
      while (i < n && !isBlank(i) && text[i] != ',') ++i;
      item.assign(text.substr(start, i - start));
    }
    Add(std::move(item));
    while (isBlank(i)) ++i;
    if (i < n && text[i] == ',') {
      if (i + 1 == n) Add(std::string());  // a trailing comma ends with an empty item
      do ++i;
      while (isBlank(i));
    }
  }
}

std::string TStrings::Names(int index) const {
  const std::string& s = Get(index);
  size_t eq = s.find('=');
  return eq == std::string::npos ? std::string() : s.substr(0, eq);
}

std::string TStrings::ValueFromIndex(int index) const {
  const std::string& s = Get(index);
  size_t eq = s.find('=');
  return eq == std::string::npos ? std::string() : s.substr(eq + 1);
}

std::string TStrings::Values(std::string_view name) const {
  int index = IndexOfName(name);
  return index < 0 ? std::string() : ValueFromIndex(index);
}

void TStrings::SetValue(std::string_view name, std::string_view value) {
  int index = IndexOfName(name);
  if (value.empty()) {
    if (index >= 0) Delete(index);
    return;
  }
  std::string line = std::string(name) + "=" + std::string(value);
  if (index < 0) {
    Add(std::move(line));
  } else {
    Put(index, std::move(line));
  }
}

int TStrings::IndexOfName(std::string_view name) const {
  for (int i = 0, n = Count(); i < n; ++i) {
    const std::string& s = Get(i);
    size_t eq = s.find('=');
    if (eq != std::string::npos && AnsiSameText(std::string_view(s).substr(0, eq), name)) return i;
  }
  return -1;
}

void TStrings::LoadFromStream(TStream& stream) {
  // Memory streams are split in place; other streams are read in large chunks.
  if (auto* memory = dynamic_cast<TCustomMemoryStream*>(&stream)) {
    int64_t position = memory->Position();
    int64_t size = memory->Size();
    std::string_view text;
    if (position < size && memory->Memory()) {
      text = std::string_view(reinterpret_cast<const char*>(memory->Memory()) + position,
                              static_cast<size_t>(size - position));
    }
    memory->Seek(0, soEnd);
    SetText(text);
    return;
  }
  std::string bytes;
  for (;;) {
    size_t used = bytes.size();
    bytes.resize(used + kChunk);
    int32_t n = stream.Read(bytes.data() + used, kChunk);
    bytes.resize(used + static_cast<size_t>(std::max(n, 0)));
    if (n <= 0) break;
  }
  SetText(bytes);
}

void TStrings::LoadFromFile(const std::string& fileName) { SetText(ReadFileBytes(fileName)); }

void TStrings::SaveToStream(TStream& stream) const {
  std::string text = Text();
  for (size_t done = 0; done < text.size();) {
    int32_t n = static_cast<int32_t>(std::min<size_t>(text.size() - done, kChunk));
    stream.WriteBuffer(text.data() + done, n);
    done += static_cast<size_t>(n);
  }
}

void TStrings::SaveToFile(const std::string& fileName) const { AtomicWriteFile(fileName, Text()); }

// ---------------------------------------------------------------- TStringList

TStringList::TStringList(const TStringList& other)
    : TStrings(),
      items_(other.items_),
      sorted_(other.sorted_),
      caseSensitive_(other.caseSensitive_),
      duplicates_(other.duplicates_) {}

TStringList& TStringList::operator=(const TStringList& other) {
  if (this == &other) return *this;
  Changing();
  items_ = other.items_;
  sorted_ = other.sorted_;
  caseSensitive_ = other.caseSensitive_;
  duplicates_ = other.duplicates_;
  Changed();
  return *this;
}

const std::string& TStringList::Get(int index) const {
  if (index < 0 || index >= Count()) IndexError(index);
  return items_[static_cast<size_t>(index)].text;
}

void TStringList::Put(int index, std::string s) {
  if (sorted_) throw EListError("Operation not allowed on sorted list");
  if (index < 0 || index >= Count()) IndexError(index);
  Changing();
  items_[static_cast<size_t>(index)].text = std::move(s);
  Changed();
}

void* TStringList::GetObject(int index) const {
  if (index < 0 || index >= Count()) IndexError(index);
  return items_[static_cast<size_t>(index)].object;
}

void TStringList::PutObject(int index, void* object) {
  if (index < 0 || index >= Count()) IndexError(index);
  Changing();
  items_[static_cast<size_t>(index)].object = object;
  Changed();
}

void TStringList::Insert(int index, std::string s) { InsertObject(index, std::move(s), nullptr); }

void TStringList::InsertObject(int index, std::string s, void* object) {
  if (sorted_) throw EListError("Operation not allowed on sorted list");
  if (index < 0 || index > Count()) IndexError(index);
  Changing();
  items_.insert(items_.begin() + index, Item{std::move(s), object});
  Changed();
}

void TStringList::Delete(int index) {
  if (index < 0 || index >= Count()) IndexError(index);
  Changing();
  items_.erase(items_.begin() + index);
  Changed();
}

void TStringList::Clear() {
  if (items_.empty()) return;
  Changing();
  items_.clear();
  Changed();
}

int TStringList::AddObject(std::string s, void* object) {
  int index = Count();
  if (sorted_ && Find(s, index)) {
    if (duplicates_ == dupIgnore) return index;
    if (duplicates_ == dupError) throw EListError("String list does not allow duplicates");
  }
  Changing();
  items_.insert(items_.begin() + index, Item{std::move(s), object});
  Changed();
  return index;
}

int TStringList::IndexOf(std::string_view s) const {
  if (sorted_) {
    int index = 0;
    return Find(s, index) ? index : -1;
  }
  for (int i = 0, n = Count(); i < n; ++i) {
    if (CompareStrings(items_[static_cast<size_t>(i)].text, s) == 0) return i;
  }
  return -1;
}

bool TStringList::Find(std::string_view s, int& index) const {
  auto it = std::lower_bound(items_.begin(), items_.end(), s, [this](const Item& item, std::string_view key) {
    return CompareStrings(item.text, key) < 0;
  });
  index = static_cast<int>(it - items_.begin());
  return it != items_.end() && CompareStrings(it->text, s) == 0;
}

void TStringList::Sort() {
  CustomSort([](const TStringList& list, int i, int j) {
    return list.CompareStrings(list.items_[static_cast<size_t>(i)].text, list.items_[static_cast<size_t>(j)].text);
  });
}

void TStringList::CustomSort(const std::function<int(const TStringList&, int, int)>& compare) {
  if (sorted_ || items_.size() < 2) return;
  std::vector<int> order(items_.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return compare(*this, a, b) < 0; });
  Changing();
  std::vector<Item> sortedItems;
  sortedItems.reserve(items_.size());
  for (int i : order) sortedItems.push_back(std::move(items_[static_cast<size_t>(i)]));
  items_ = std::move(sortedItems);
  Changed();
}

void TStringList::SetLines(std::vector<std::string> lines) {
  std::vector<Item> items;
  items.reserve(lines.size());
  if (!sorted_) {
    for (std::string& line : lines) items.push_back({std::move(line), nullptr});
  } else {
    // Reversed before the stable sort, each run of equal strings stands as one-by-one adding leaves it: the latest
    // first (it went in before its equals), the earliest, which dupIgnore keeps, last.
    for (auto line = lines.rbegin(); line != lines.rend(); ++line) items.push_back({std::move(*line), nullptr});
    auto before = [this](const Item& a, const Item& b) { return CompareStrings(a.text, b.text) < 0; };
    std::stable_sort(items.begin(), items.end(), before);
    if (duplicates_ != dupAccept) {
      size_t kept = 0;
      for (size_t i = 0; i < items.size(); ++i) {
        bool last = i + 1 == items.size() || before(items[i], items[i + 1]);
        if (!last && duplicates_ == dupError) throw EListError("String list does not allow duplicates");
        if (!last) continue;
        if (kept != i) items[kept] = std::move(items[i]);
        ++kept;
      }
      items.resize(kept);
    }
  }
  Changing();
  items_ = std::move(items);
  Changed();
}

void TStringList::SetSorted(bool sorted) {
  if (sorted == sorted_) return;
  if (sorted) Sort();
  sorted_ = sorted;
}

void TStringList::SetCaseSensitive(bool caseSensitive) {
  if (caseSensitive == caseSensitive_) return;
  caseSensitive_ = caseSensitive;
  if (sorted_) {
    sorted_ = false;
    Sort();
    sorted_ = true;
  }
}

int TStringList::CompareStrings(std::string_view a, std::string_view b) const {
  return caseSensitive_ ? AnsiCompareStr(a, b) : AnsiCompareText(a, b);
}

void TStringList::SetUpdateState(bool updating) {
  if (updating) {
    if (OnChanging) OnChanging(*this);
  } else if (OnChange) {
    OnChange(*this);
  }
}

void TStringList::Changing() {
  if (UpdateCount() == 0 && OnChanging) OnChanging(*this);
}

void TStringList::Changed() {
  if (UpdateCount() == 0 && OnChange) OnChange(*this);
}

}  // namespace pf
