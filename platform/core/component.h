// Persistent objects, components with owners, and collections.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace pf {

class TPersistent {
 public:
  virtual ~TPersistent() = default;
  // Copies source into this object. The default asks source.AssignTo(*this), which raises EConvertError
  // "Cannot assign a <source class> to a <this class>".
  virtual void Assign(const TPersistent& source);
  virtual std::string ClassName() const { return "TPersistent"; }

 protected:
  virtual void AssignTo(TPersistent& dest) const;
};

enum TOperation { opInsert, opRemove };

enum TComponentStateFlag : uint32_t {
  csLoading = 0x01,
  csReading = 0x02,
  csWriting = 0x04,
  csDestroying = 0x08,
  csDesigning = 0x10,
};

// A component belongs to its owner, which frees it (owned components in reverse order of insertion). Components
// asked for free notification hear Notification(c, opRemove) when c goes.
class TComponent : public TPersistent {
 public:
  explicit TComponent(TComponent* owner = nullptr);
  ~TComponent() override;
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;
  std::string ClassName() const override { return "TComponent"; }

  TComponent* Owner() const { return owner_; }
  const std::string& Name() const { return name_; }
  void SetName(std::string name) { name_ = std::move(name); }
  intptr_t Tag = 0;

  int ComponentCount() const { return static_cast<int>(components_.size()); }
  TComponent* Components(int index) const;                   // EListError when out of range
  TComponent* FindComponent(const std::string& name) const;  // case-insensitive
  void InsertComponent(TComponent* component);               // takes ownership
  void RemoveComponent(TComponent* component);               // gives ownership up

  uint32_t ComponentState() const { return state_; }
  bool Destroying() const { return (state_ & csDestroying) != 0; }
  void SetLoading(bool loading);  // Loaded() runs when loading ends
  virtual void Loaded() {}

  void FreeNotification(TComponent* component);
  void RemoveFreeNotification(TComponent* component);

 protected:
  virtual void Notification(TComponent* component, TOperation operation);
  uint32_t state_ = 0;

 private:
  TComponent* owner_ = nullptr;
  std::string name_;
  std::vector<TComponent*> components_;
  std::vector<TComponent*> freeNotifies_;
};

class TCollection;

class TCollectionItem : public TPersistent {
 public:
  explicit TCollectionItem(TCollection* collection);
  ~TCollectionItem() override;
  std::string ClassName() const override { return "TCollectionItem"; }

  TCollection* Collection() const { return collection_; }
  void SetCollection(TCollection* collection);
  int Index() const;
  void SetIndex(int index);
  int ID() const { return id_; }
  virtual std::string DisplayName() const;

 protected:
  // Tells the collection that this item (allItems: every item) changed.
  void Changed(bool allItems);

 private:
  friend class TCollection;
  TCollection* collection_ = nullptr;
  int id_ = 0;
};

// Owns its items. Update(item) runs after every change (item nullptr: the whole collection) unless inside
// BeginUpdate/EndUpdate, after which one Update(nullptr) runs.
class TCollection : public TPersistent {
 public:
  using ItemFactory = std::function<TCollectionItem*(TCollection*)>;
  explicit TCollection(ItemFactory factory);
  ~TCollection() override;
  std::string ClassName() const override { return "TCollection"; }

  int Count() const { return static_cast<int>(items_.size()); }
  TCollectionItem* Items(int index) const;  // EListError when out of range
  TCollectionItem* Add();
  TCollectionItem* Insert(int index);
  void Delete(int index);
  void Clear();
  TCollectionItem* FindItemID(int id) const;
  void BeginUpdate() { ++updateCount_; }
  void EndUpdate();
  int UpdateCount() const { return updateCount_; }
  void Assign(const TPersistent& source) override;  // from another TCollection: items assigned one by one

 protected:
  virtual void Update(TCollectionItem* item) {}
  void Changed();

 private:
  friend class TCollectionItem;
  void InsertItem(TCollectionItem* item);
  void RemoveItem(TCollectionItem* item);
  ItemFactory factory_;
  std::vector<TCollectionItem*> items_;
  int nextId_ = 0;
  int updateCount_ = 0;
};

}  // namespace pf
