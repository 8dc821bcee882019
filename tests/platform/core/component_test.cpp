#include "platform/core/component.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/core/exceptions.h"
#include "tests/platform/core/test_helpers.h"

namespace {

using pf::test::MessageOf;

// Appends "<name>:<event>" to a shared log; keeps a reference to a partner that Notification must clear.
class Probe : public pf::TComponent {
 public:
  Probe(pf::TComponent* owner, std::string name, std::vector<std::string>& log) : TComponent(owner), log_(log) {
    SetName(std::move(name));
  }
  ~Probe() override { log_.push_back(Name() + ":freed"); }
  void Loaded() override { log_.push_back(Name() + ":loaded"); }
  Probe* partner = nullptr;
  bool partnerWasDestroying = false;

 protected:
  void Notification(pf::TComponent* component, pf::TOperation operation) override {
    TComponent::Notification(component, operation);
    if (operation == pf::opRemove && component == partner) {
      partnerWasDestroying = partner->Destroying();
      partner = nullptr;
      log_.push_back(Name() + ":lost " + component->Name());
    }
  }

 private:
  std::vector<std::string>& log_;
};

TEST(Component, OwnerFreesOwnedInReverseOrderAndChildrenLeaveTheirOwner) {
  std::vector<std::string> log;
  auto* form = new Probe(nullptr, "Form", log);
  auto* a = new Probe(form, "A", log);
  new Probe(form, "B", log);
  auto* c = new Probe(form, "C", log);
  new Probe(a, "A1", log);
  ASSERT_EQ(form->ComponentCount(), 3);
  EXPECT_EQ(MessageOf<pf::EListError>([&] { form->Components(3); }), "List index out of bounds (3)");
  EXPECT_EQ(form->FindComponent("b")->Name(), "B");  // case-insensitive
  EXPECT_EQ(form->FindComponent("A1"), nullptr);     // only direct children
  EXPECT_EQ(form->FindComponent(""), nullptr);

  delete c;  // a child freed on its own leaves its owner's list
  EXPECT_EQ(form->ComponentCount(), 2);
  log.clear();
  delete form;
  // Each destructor logs before its base frees what it owns: Form, then its children from the last (C was freed).
  EXPECT_EQ(log, (std::vector<std::string>{"Form:freed", "B:freed", "A:freed", "A1:freed"}));
}

TEST(Component, OwnershipMovesAndLoadingEndsWithLoaded) {
  std::vector<std::string> log;
  Probe first(nullptr, "First", log);
  Probe second(nullptr, "Second", log);
  auto* item = new Probe(&first, "Item", log);
  second.InsertComponent(item);  // moves, never owned twice
  EXPECT_EQ(item->Owner(), &second);
  EXPECT_EQ(first.ComponentCount(), 0);
  EXPECT_EQ(second.ComponentCount(), 1);
  EXPECT_THROW(item->InsertComponent(&second), pf::EInvalidOperation);  // would own its owner
  EXPECT_THROW(item->InsertComponent(item), pf::EInvalidOperation);
  second.RemoveComponent(item);
  EXPECT_EQ(item->Owner(), nullptr);
  EXPECT_EQ(second.ComponentCount(), 0);

  item->SetLoading(true);
  EXPECT_TRUE(item->ComponentState() & pf::csLoading);
  item->SetLoading(false);
  item->SetLoading(false);  // Loaded only once per loading phase
  EXPECT_EQ(std::count(log.begin(), log.end(), "Item:loaded"), 1);
  delete item;
}

TEST(Component, FreeNotificationClearsReferencesBothWays) {
  std::vector<std::string> log;
  Probe late(nullptr, "Late", log);
  {
    Probe owner(nullptr, "Owner", log);
    auto* bar = new Probe(&owner, "Bar", log);  // created first: freed last
    auto* menu = new Probe(&owner, "Menu", log);
    auto* images = new Probe(nullptr, "Images", log);  // another owner
    bar->partner = menu;
    bar->FreeNotification(menu);
    bar->FreeNotification(menu);  // asking twice registers once
    menu->partner = bar;
    images->partner = bar;
    images->FreeNotification(bar);  // linked from the other side
    delete images;
    EXPECT_EQ(bar->partner, menu);
    delete menu;
    EXPECT_EQ(bar->partner, nullptr);
    EXPECT_TRUE(bar->partnerWasDestroying);
    // Notified exactly once: directly, then through the owner, the second finding nothing to clear.
    EXPECT_EQ(std::count(log.begin(), log.end(), "Bar:lost Menu"), 1);

    late.partner = bar;
    late.FreeNotification(bar);
    late.RemoveFreeNotification(bar);
    log.clear();
  }
  // The link was taken back: Bar's end is not reported to Late (its pointer is left as it was).
  EXPECT_EQ(log, (std::vector<std::string>{"Owner:freed", "Bar:freed"}));
  EXPECT_NE(late.partner, nullptr);
  late.partner = nullptr;
}

class Panel : public pf::TCollectionItem {
 public:
  explicit Panel(pf::TCollection* c) : TCollectionItem(c) {}
  void Assign(const pf::TPersistent& source) override {
    if (auto* p = dynamic_cast<const Panel*>(&source)) {
      text = p->text;
      return;
    }
    TCollectionItem::Assign(source);
  }
  void Touch(bool all) { Changed(all); }
  std::string text;
};

class Panels : public pf::TCollection {
 public:
  Panels() : TCollection([](pf::TCollection* c) { return new Panel(c); }) {}
  Panel* At(int i) const { return static_cast<Panel*>(Items(i)); }
  std::vector<std::string> updates;

 protected:
  void Update(pf::TCollectionItem* item) override {
    updates.push_back(item == nullptr ? "all" : static_cast<Panel*>(item)->text);
  }
};

std::vector<std::string> Texts(const Panels& p) {
  std::vector<std::string> r;
  for (int i = 0; i < p.Count(); ++i) r.push_back(p.At(i)->text);
  return r;
}

TEST(Collection, ItemsIdsAndIndexes) {
  Panels panels;
  for (const char* t : {"a", "b", "c"}) static_cast<Panel*>(panels.Add())->text = t;
  EXPECT_EQ(panels.At(2)->ID(), 2);

  panels.At(2)->SetIndex(0);
  EXPECT_EQ(Texts(panels), (std::vector<std::string>{"c", "a", "b"}));
  static_cast<Panel*>(panels.Insert(1))->text = "x";
  EXPECT_EQ(Texts(panels), (std::vector<std::string>{"c", "x", "a", "b"}));
  EXPECT_EQ(panels.At(1)->ID(), 3);

  panels.Delete(1);
  EXPECT_EQ(panels.FindItemID(3), nullptr);  // IDs are never reused
  EXPECT_EQ(panels.FindItemID(2)->Index(), 0);
  EXPECT_EQ(static_cast<Panel*>(panels.Add())->ID(), 4);

  // Bad indexes raise and change nothing.
  EXPECT_EQ(MessageOf<pf::EListError>([&] { panels.Items(4); }), "List index out of bounds (4)");
  EXPECT_THROW(panels.Items(-1), pf::EListError);
  EXPECT_THROW(panels.Delete(9), pf::EListError);
  EXPECT_THROW(panels.Insert(9), pf::EListError);
  EXPECT_THROW(panels.At(0)->SetIndex(4), pf::EListError);
  EXPECT_EQ(Texts(panels), (std::vector<std::string>{"c", "a", "b", ""}));

  // An item moved to another collection gets a new ID there.
  Panels other;
  Panel* moved = panels.At(0);
  moved->SetCollection(&other);
  EXPECT_EQ(panels.Count(), 3);
  EXPECT_EQ(other.At(0), moved);
  EXPECT_EQ(moved->ID(), 0);
  delete moved;  // an item freed on its own leaves its collection
  EXPECT_EQ(other.Count(), 0);
}

TEST(Collection, UpdatesAreBatchedInsideBeginEndUpdate) {
  Panels panels;
  panels.Add();
  panels.At(0)->text = "p";
  panels.At(0)->Touch(false);
  panels.At(0)->Touch(true);
  EXPECT_EQ(panels.updates, (std::vector<std::string>{"all", "p", "all"}));  // the addition, then each change
  panels.updates.clear();

  panels.BeginUpdate();
  panels.BeginUpdate();
  panels.Add();
  panels.At(0)->Touch(false);
  panels.EndUpdate();
  EXPECT_TRUE(panels.updates.empty());  // still nested
  panels.EndUpdate();
  EXPECT_EQ(panels.updates, (std::vector<std::string>{"all"}));
  panels.EndUpdate();  // unbalanced: the count stays at zero and updates keep flowing
  EXPECT_EQ(panels.UpdateCount(), 0);
  panels.updates.clear();
  panels.Clear();  // one update for the whole clear
  EXPECT_EQ(panels.updates, (std::vector<std::string>{"all"}));
}

TEST(Collection, AssignCopiesItemByItemAndSelfAssignKeepsItems) {
  Panels source, dest;
  for (const char* t : {"1", "2"}) static_cast<Panel*>(source.Add())->text = t;
  static_cast<Panel*>(dest.Add())->text = "old";
  dest.updates.clear();
  dest.Assign(source);
  EXPECT_EQ(Texts(dest), (std::vector<std::string>{"1", "2"}));
  EXPECT_EQ(dest.updates, (std::vector<std::string>{"all"}));  // one update for the whole assignment

  source.Assign(source);
  EXPECT_EQ(Texts(source), (std::vector<std::string>{"1", "2"}));

  pf::TComponent notACollection;
  EXPECT_EQ(MessageOf<pf::EConvertError>([&] { dest.Assign(notACollection); }),
            "Cannot assign a TComponent to a TCollection");
  EXPECT_EQ(Texts(dest), (std::vector<std::string>{"1", "2"}));

  // Items without their own Assign report the classes.
  pf::TCollection plain([](pf::TCollection* c) { return new pf::TCollectionItem(c); });
  plain.Add();
  pf::TCollection plainCopy([](pf::TCollection* c) { return new pf::TCollectionItem(c); });
  EXPECT_EQ(MessageOf<pf::EConvertError>([&] { plainCopy.Assign(plain); }),
            "Cannot assign a TCollectionItem to a TCollectionItem");
  EXPECT_EQ(plainCopy.UpdateCount(), 0);  // the batch is closed after the failure
}

}  // namespace
