// The collection and item bases of the status bar's panels.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/core/component.h"

namespace components {

class TsbCollectionItem;

// A collection that knows its owner and may own one companion object, which goes with the collection.
class TsbCollection : public pf::TCollection {
 public:
  TsbCollection(pf::TPersistent* owner, ItemFactory factory) : pf::TCollection(std::move(factory)), owner_(owner) {}
  std::string ClassName() const override { return "TsbCollection"; }
  pf::TPersistent* Owner() const { return owner_; }
  pf::TPersistent* Companion() const { return companion_.get(); }

  virtual void SetCompanion(std::unique_ptr<pf::TPersistent> companion) { companion_ = std::move(companion); }
  // The owner when it is an item of another collection, else nullptr.
  virtual TsbCollectionItem* GetOwnerItem() const;

 private:
  pf::TPersistent* owner_;
  std::unique_ptr<pf::TPersistent> companion_;
};

// An item with a change handler. The four hooks are for derived items; here only DoChange does something.
class TsbCollectionItem : public pf::TCollectionItem {
 public:
  using pf::TCollectionItem::TCollectionItem;
  std::string ClassName() const override { return "TsbCollectionItem"; }
  std::function<void(TsbCollectionItem* Sender)> OnChange;

 protected:
  virtual void ItemLoaded() {}
  virtual void DoChange() {
    if (OnChange) OnChange(this);
  }
  virtual void BeginChange() {}
  virtual void EndChange() {}
};

inline TsbCollectionItem* TsbCollection::GetOwnerItem() const { return dynamic_cast<TsbCollectionItem*>(owner_); }

}  // namespace components
