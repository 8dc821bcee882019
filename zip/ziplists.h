// The reader's own object lists: TObjectList (optionally owning its items) and TSortedObjectList, kept in order by
// a Compare that derived classes supply. Items are TPersistent objects held by pointer.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/core/component.h"
#include "platform/core/streams.h"

namespace zip {

class TObjectList : public pf::TPersistent {
 public:
  explicit TObjectList(bool ownsObjects = true) : ownsObjects_(ownsObjects) {}
  ~TObjectList() override;
  TObjectList(const TObjectList&) = delete;
  TObjectList& operator=(const TObjectList&) = delete;
  std::string ClassName() const override { return "TObjectList"; }

  // Raises EListError "List index out of bounds (%d)".
  [[noreturn]] virtual void Error(int index) const;
  virtual void Grow();
  virtual void Put(int index, pf::TPersistent* item);
  virtual void FreeObject(pf::TPersistent* item);
  // Appends; an owning list takes the item over (also when a derived list drops or refuses it). Returns the index,
  // -1 when the item was dropped.
  virtual int Add(pf::TPersistent* item);
  virtual void Clear();
  virtual int IndexOf(const pf::TPersistent* item) const;
  virtual void Insert(int index, pf::TPersistent* item);
  virtual void LoadFromStream(pf::TStream& stream);
  virtual void SaveToStream(pf::TStream& stream) const;
  virtual pf::TPersistent* First() const;
  virtual pf::TPersistent* Last() const;
  // The item after (forward) or before Item; nil past either end; a nil Item gives the first (forward) or last.
  // An Item not in the list raises EListError "tObject %s not in item list".
  virtual pf::TPersistent* GetRelative(const pf::TPersistent* item, bool forward) const;

  int Add(std::unique_ptr<pf::TPersistent> item) { return Add(item.release()); }
  // Removes the item at index; an owning list frees it.
  void Delete(int index);
  pf::TPersistent* Items(int index) const;
  int Count() const { return static_cast<int>(items_.size()); }
  int Capacity() const { return capacity_; }
  bool OwnsObjects() const { return ownsObjects_; }

 protected:
  void InsertAt(int index, pf::TPersistent* item);
  bool ownsObjects_;
  std::vector<pf::TPersistent*> items_;
  int capacity_ = 0;
};

enum TListDuplicates : uint8_t { dupIgnoreItem = 0, dupAcceptItem = 1, dupErrorItem = 2 };

class TSortedObjectList : public TObjectList {
 public:
  explicit TSortedObjectList(TListDuplicates duplicates, bool ownsObjects = true)
      : TObjectList(ownsObjects), duplicates_(duplicates) {}
  std::string ClassName() const override { return "TSortedObjectList"; }

  // Always raises EListError "Cannot <Put> an Object in a sorted list!".
  void Put(int index, pf::TPersistent* item) override;
  // Inserts at the sorted place. An equal item: ignore drops (and, owning, frees) the new one; error raises
  // EListError "Duplicate Object index"; accept inserts after the equal ones.
  int Add(pf::TPersistent* item) override;
  int IndexOf(const pf::TPersistent* item) const override;
  // Inserting by position would break the order: the item is added at its sorted place instead.
  void Insert(int index, pf::TPersistent* item) override;
  void LoadFromStream(pf::TStream& stream) override;
  void SaveToStream(pf::TStream& stream) const override;
  virtual const pf::TPersistent* KeyOf(const pf::TPersistent* item) const { return item; }
  virtual int Compare(const pf::TPersistent* key1, const pf::TPersistent* key2) const = 0;
  // Binary search; index is the first equal item (or the insertion point). With accept, the search stops at the
  // first equal item it meets.
  virtual bool Find(const pf::TPersistent* key, int& index) const;

  using TObjectList::Add;
  TListDuplicates Duplicates() const { return duplicates_; }

 protected:
  TListDuplicates duplicates_;
};

// The registry of classes whose objects a list can write and read: a class name (at most 63 characters), a
// factory, and the procedures that write and read an object's data.
struct TListClassInfo {
  std::string name;
  std::function<bool(const pf::TPersistent&)> isInstance;
  std::function<pf::TPersistent*()> create;
  std::function<void(pf::TStream&, pf::TPersistent&)> read;
  std::function<void(pf::TStream&, const pf::TPersistent&)> write;
};
void RegisterListClass(TListClassInfo info);

}  // namespace zip
