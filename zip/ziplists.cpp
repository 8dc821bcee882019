#include "zip/ziplists.h"

#include <algorithm>
#include <map>

#include "platform/core/exceptions.h"
#include "platform/core/strings.h"

namespace zip {

namespace {

std::map<std::string, TListClassInfo>& Registry() {
  static std::map<std::string, TListClassInfo> registry;
  return registry;
}

void WriteBytes(pf::TStream& stream, const void* data, int32_t count) { stream.WriteBuffer(data, count); }

uint32_t ReadU32(pf::TStream& stream) {
  uint8_t b[4];
  stream.ReadBuffer(b, 4);
  return b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<uint32_t>(b[3]) << 24);
}

}  // namespace

void RegisterListClass(TListClassInfo info) {
  if (info.name.size() > 63) info.name.resize(63);
  Registry()[info.name] = std::move(info);
}

TObjectList::~TObjectList() { TObjectList::Clear(); }

void TObjectList::Error(int index) const { throw pf::EListError(pf::Format("List index out of bounds (%d)", {index})); }

void TObjectList::Grow() {
  int delta = capacity_ > 8 ? 16 : capacity_ > 4 ? 8 : 4;
  capacity_ += delta;
  items_.reserve(static_cast<size_t>(capacity_));
}

void TObjectList::Put(int index, pf::TPersistent* item) {
  if (index < 0 || index >= Count()) {
    if (ownsObjects_) FreeObject(item);
    Error(index);
  }
  if (items_[static_cast<size_t>(index)] != item) FreeObject(items_[static_cast<size_t>(index)]);
  items_[static_cast<size_t>(index)] = item;
}

void TObjectList::FreeObject(pf::TPersistent* item) {
  if (ownsObjects_) delete item;
}

int TObjectList::Add(pf::TPersistent* item) {
  InsertAt(Count(), item);
  return Count() - 1;
}

void TObjectList::Clear() {
  std::vector<pf::TPersistent*> items;
  items.swap(items_);
  for (pf::TPersistent* item : items) FreeObject(item);
  capacity_ = 0;
}

int TObjectList::IndexOf(const pf::TPersistent* item) const {
  auto it = std::find(items_.begin(), items_.end(), item);
  return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

void TObjectList::Insert(int index, pf::TPersistent* item) {
  if (index < 0 || index > Count()) {
    if (ownsObjects_) FreeObject(item);
    Error(index);
  }
  InsertAt(index, item);
}

void TObjectList::InsertAt(int index, pf::TPersistent* item) {
  if (Count() == capacity_) Grow();
  items_.insert(items_.begin() + index, item);
}

void TObjectList::Delete(int index) {
  if (index < 0 || index >= Count()) Error(index);
  pf::TPersistent* item = items_[static_cast<size_t>(index)];
  items_.erase(items_.begin() + index);
  FreeObject(item);
}

pf::TPersistent* TObjectList::Items(int index) const {
  if (index < 0 || index >= Count()) Error(index);
  return items_[static_cast<size_t>(index)];
}

pf::TPersistent* TObjectList::First() const { return items_.empty() ? nullptr : items_.front(); }
pf::TPersistent* TObjectList::Last() const { return items_.empty() ? nullptr : items_.back(); }

pf::TPersistent* TObjectList::GetRelative(const pf::TPersistent* item, bool forward) const {
  if (item == nullptr) return forward ? First() : Last();
  int index = TObjectList::IndexOf(item);
  if (index < 0) throw pf::EListError(pf::Format("tObject %s not in item list", {item->ClassName()}));
  index += forward ? 1 : -1;
  return index < 0 || index >= Count() ? nullptr : items_[static_cast<size_t>(index)];
}

// Stream layout: owns-objects byte, 32-bit count, then per item its class name as a short string (length byte and
// at most 63 characters) followed by the data its registered write procedure produced.
void TObjectList::SaveToStream(pf::TStream& stream) const {
  uint8_t owns = ownsObjects_ ? 1 : 0;
  WriteBytes(stream, &owns, 1);
  uint32_t count = static_cast<uint32_t>(Count());
  uint8_t c[4] = {static_cast<uint8_t>(count), static_cast<uint8_t>(count >> 8), static_cast<uint8_t>(count >> 16),
                  static_cast<uint8_t>(count >> 24)};
  WriteBytes(stream, c, 4);
  for (const pf::TPersistent* item : items_) {
    if (item == nullptr) throw pf::EClassNotFound("Nil Source Class!");
    const TListClassInfo* info = nullptr;
    for (const auto& [name, entry] : Registry())
      if (entry.isInstance && entry.isInstance(*item)) info = &entry;
    if (info == nullptr) throw pf::EClassNotFound(pf::Format("Source Class <%s> not registered", {item->ClassName()}));
    uint8_t len = static_cast<uint8_t>(info->name.size());
    WriteBytes(stream, &len, 1);
    WriteBytes(stream, info->name.data(), len);
    info->write(stream, *item);
  }
}

void TObjectList::LoadFromStream(pf::TStream& stream) {
  Clear();
  uint8_t owns = 0;
  stream.ReadBuffer(&owns, 1);
  ownsObjects_ = owns != 0;
  uint32_t count = ReadU32(stream);
  for (uint32_t i = 0; i < count; ++i) {
    uint8_t len = 0;
    stream.ReadBuffer(&len, 1);
    std::string name(len, '\0');
    stream.ReadBuffer(name.data(), len);
    auto it = Registry().find(name);
    if (it == Registry().end()) throw pf::EClassNotFound(pf::Format("Class <%s> not registered", {name}));
    std::unique_ptr<pf::TPersistent> item(it->second.create());
    it->second.read(stream, *item);
    Add(item.release());
  }
}

void TSortedObjectList::Put(int, pf::TPersistent* item) {
  if (ownsObjects_) FreeObject(item);
  throw pf::EListError("Cannot <Put> an Object in a sorted list!");
}

bool TSortedObjectList::Find(const pf::TPersistent* key, int& index) const {
  int low = 0;
  int high = Count() - 1;
  bool found = false;
  while (low <= high) {
    int mid = (low + high) / 2;
    int c = Compare(KeyOf(items_[static_cast<size_t>(mid)]), key);
    if (c < 0) {
      low = mid + 1;
    } else {
      high = mid - 1;
      if (c == 0) {
        found = true;
        if (duplicates_ == dupAcceptItem) low = mid;
      }
    }
  }
  index = low;
  return found;
}

int TSortedObjectList::Add(pf::TPersistent* item) {
  std::unique_ptr<pf::TPersistent> guard(ownsObjects_ ? item : nullptr);
  int index = 0;
  if (Find(KeyOf(item), index)) {
    if (duplicates_ == dupIgnoreItem) return -1;  // the guard frees an owned item
    if (duplicates_ == dupErrorItem) throw pf::EListError("Duplicate Object index");
    // Accepted: after the equal items, so that equal keys keep the order of adding.
    const pf::TPersistent* key = KeyOf(item);
    while (index < Count() && Compare(KeyOf(items_[static_cast<size_t>(index)]), key) == 0) ++index;
  }
  InsertAt(index, item);
  guard.release();
  return index;
}

int TSortedObjectList::IndexOf(const pf::TPersistent* item) const {
  int index = 0;
  if (!Find(KeyOf(item), index)) return -1;
  // Among equal keys, the item itself.
  for (int i = index; i < Count() && Compare(KeyOf(items_[static_cast<size_t>(i)]), KeyOf(item)) == 0; ++i)
    if (items_[static_cast<size_t>(i)] == item) return i;
  for (int i = index - 1; i >= 0 && Compare(KeyOf(items_[static_cast<size_t>(i)]), KeyOf(item)) == 0; --i)
    if (items_[static_cast<size_t>(i)] == item) return i;
  return index;
}

void TSortedObjectList::Insert(int, pf::TPersistent* item) { Add(item); }

void TSortedObjectList::SaveToStream(pf::TStream& stream) const {
  uint8_t d = duplicates_;
  stream.WriteBuffer(&d, 1);
  TObjectList::SaveToStream(stream);
}

void TSortedObjectList::LoadFromStream(pf::TStream& stream) {
  uint8_t d = 0;
  stream.ReadBuffer(&d, 1);
  if (d > dupErrorItem) throw pf::EReadError("Stream read error");
  duplicates_ = static_cast<TListDuplicates>(d);
  TObjectList::LoadFromStream(stream);
}

}  // namespace zip
