// Object lists and wildcard matching.
#include <gtest/gtest.h>

#include "platform/core/exceptions.h"
#include "platform/core/streams.h"
#include "zip/ziplists.h"
#include "zip/zipmatch.h"

namespace {

// An item that counts its live instances, so that leaks and double frees show.
struct Num : pf::TPersistent {
  explicit Num(int v, int tag = 0) : value(v), tag(tag) { ++live; }
  ~Num() override { --live; }
  std::string ClassName() const override { return "Num"; }
  int value;
  int tag;
  static inline int live = 0;
};

class NumList : public zip::TSortedObjectList {
 public:
  using zip::TSortedObjectList::TSortedObjectList;
  int Compare(const pf::TPersistent* a, const pf::TPersistent* b) const override {
    return static_cast<const Num*>(a)->value - static_cast<const Num*>(b)->value;
  }
  int ValueAt(int i) const { return static_cast<Num*>(Items(i))->value; }
  int TagAt(int i) const { return static_cast<Num*>(Items(i))->tag; }
};

TEST(SortedObjectList, DuplicatesAreDroppedRefusedOrKeptInOrder) {
  {
    NumList ignore(zip::dupIgnoreItem);
    for (int v : {5, 1, 3, 5, 1}) ignore.Add(std::make_unique<Num>(v));
    ASSERT_EQ(ignore.Count(), 3);
    EXPECT_EQ(ignore.ValueAt(0), 1);
    EXPECT_EQ(ignore.ValueAt(2), 5);
    EXPECT_EQ(Num::live, 3);  // the dropped duplicates were destroyed

    NumList error(zip::dupErrorItem);
    error.Add(std::make_unique<Num>(2));
    try {
      error.Add(std::make_unique<Num>(2));
      FAIL() << "no exception";
    } catch (const pf::EListError& e) {
      EXPECT_EQ(e.Message(), "Duplicate Object index");
    }
    EXPECT_EQ(error.Count(), 1);
    EXPECT_EQ(Num::live, 4);

    NumList accept(zip::dupAcceptItem);
    for (int tag = 0; tag < 6; ++tag) accept.Add(std::make_unique<Num>(tag % 2 ? 7 : 3, tag));
    ASSERT_EQ(accept.Count(), 6);
    // Equal keys keep the order in which they came.
    EXPECT_EQ(accept.TagAt(0), 0);
    EXPECT_EQ(accept.TagAt(1), 2);
    EXPECT_EQ(accept.TagAt(2), 4);
    EXPECT_EQ(accept.TagAt(3), 1);
    EXPECT_EQ(accept.TagAt(5), 5);
  }
  EXPECT_EQ(Num::live, 0);
}

TEST(SortedObjectList, FindLandsOnTheFirstEqualAndPutIsRefused) {
  NumList list(zip::dupIgnoreItem);
  for (int v : {10, 20, 30, 40}) list.Add(std::make_unique<Num>(v));
  Num key(30);
  int index = -1;
  EXPECT_TRUE(list.Find(&key, index));
  EXPECT_EQ(index, 2);
  Num missing(25);
  EXPECT_FALSE(list.Find(&missing, index));
  EXPECT_EQ(index, 2);  // the insertion point
  EXPECT_EQ(list.IndexOf(list.Items(3)), 3);
  EXPECT_EQ(list.IndexOf(&missing), -1);
  try {
    list.Put(0, new Num(1));
    FAIL() << "no exception";
  } catch (const pf::EListError& e) {
    EXPECT_EQ(e.Message(), "Cannot <Put> an Object in a sorted list!");
  }
  EXPECT_THROW(list.Items(4), pf::EListError);
  EXPECT_THROW(list.Items(-1), pf::EListError);
  // Neighbours.
  EXPECT_EQ(list.GetRelative(list.Items(1), true), list.Items(2));
  EXPECT_EQ(list.GetRelative(list.Items(0), false), nullptr);
  EXPECT_EQ(list.GetRelative(nullptr, true), list.First());
  EXPECT_EQ(list.GetRelative(nullptr, false), list.Last());
  EXPECT_THROW(list.GetRelative(&key, true), pf::EListError);
}

TEST(ObjectList, GrowsInStepsAndFreesOnlyWhatItOwns) {
  zip::TObjectList list(true);
  std::vector<int> capacities;
  for (int i = 0; i < 30; ++i) {
    list.Add(std::make_unique<Num>(i));
    if (capacities.empty() || capacities.back() != list.Capacity()) capacities.push_back(list.Capacity());
  }
  EXPECT_EQ(capacities, (std::vector<int>{4, 8, 16, 32}));
  list.Delete(0);
  EXPECT_EQ(Num::live, 29);
  list.Clear();
  EXPECT_EQ(Num::live, 0);
  Num outside(1);
  {
    zip::TObjectList view(false);
    view.Add(&outside);
    view.Insert(0, &outside);
    EXPECT_THROW(view.Insert(5, &outside), pf::EListError);
  }
  EXPECT_EQ(Num::live, 1);
}

TEST(ObjectList, StreamsRegisteredClassesAndRefusesOthers) {
  zip::RegisterListClass(
      {"Num", [](const pf::TPersistent& p) { return dynamic_cast<const Num*>(&p) != nullptr; },
       [] { return new Num(0); },
       [](pf::TStream& s, pf::TPersistent& p) { s.ReadBuffer(&static_cast<Num&>(p).value, 4); },
       [](pf::TStream& s, const pf::TPersistent& p) { s.WriteBuffer(&static_cast<const Num&>(p).value, 4); }});
  pf::TMemoryStream stream;
  {
    NumList list(zip::dupAcceptItem);
    for (int v : {3, 1, 2}) list.Add(std::make_unique<Num>(v));
    list.SaveToStream(stream);
  }
  stream.SetPosition(0);
  NumList copy(zip::dupErrorItem);
  copy.LoadFromStream(stream);
  ASSERT_EQ(copy.Count(), 3);
  EXPECT_EQ(copy.Duplicates(), zip::dupAcceptItem);
  EXPECT_EQ(copy.ValueAt(0), 1);
  EXPECT_EQ(copy.ValueAt(2), 3);

  struct Other : pf::TPersistent {};
  zip::TObjectList unknown(true);
  unknown.Add(std::make_unique<Other>());
  pf::TMemoryStream out;
  EXPECT_THROW(unknown.SaveToStream(out), pf::EClassNotFound);
  // A class name nobody registered.
  pf::TMemoryStream bad;
  uint8_t bytes[] = {1, 1, 0, 0, 0, 3, 'X', 'y', 'z'};
  bad.WriteBuffer(bytes, sizeof bytes);
  bad.SetPosition(0);
  zip::TObjectList target(true);
  try {
    target.LoadFromStream(bad);
    FAIL() << "no exception";
  } catch (const pf::EClassNotFound& e) {
    EXPECT_EQ(e.Message(), "Class <Xyz> not registered");
  }
}

TEST(Wildcard, MatchesTheTableOfCases) {
  struct Case {
    const char* pattern;
    const char* name;
    bool match;
  };
  const Case cases[] = {
      {"*.txt", "fragen\\tafragen.txt", true},  // the star crosses folders
      {"TAfragen.txt", "tafragen.txt", true},
      {"tafragen.txt", "TAFRAGEN.TXT", true},
      {"tafragen.txt", "tafragen.txt.bak", false},
      {"tafragen.txt", "xtafragen.txt", false},
      {"<a-c>x", "bx", true},
      {"<a-c>x", "dx", false},
      {"<!a-c>x", "dx", true},
      {"<!a-c>x", "bx", false},
      {"<^a-c>x", "bx", false},
      {"<c-a>x", "bx", true},
      {"<c-a>x", "dx", false},
      {"<abz>", "z", true},
      {"<a-cx", "bx", false},  // an unclosed set matches nothing
      {"<a-cx", "<a-cx", false},
      {"?", "a", true},
      {"?", "", false},
      {"?", "ab", false},
      {"a?c", "abc", true},
      {"ab*", "ab", true},
      {"*", "", true},
      {"", "", true},
      {"", "a", false},
      {"*a*b*c*", "xxaxxbxxcxx", true},
      {"*a*b*c*", "xxaxxcxxbxx", false},
      {"*.t?t", "a.b.txt", true},
      {"\xC4*", "\xE4rger", true},  // Latin-1 letters are lower-cased too
  };
  for (const Case& c : cases)
    EXPECT_EQ(zip::IsWildcardMatch(c.pattern, c.name), c.match) << c.pattern << " / " << c.name;
}

TEST(Wildcard, ManyStarsStayFast) {
  std::string name(2000, 'a');
  std::string pattern;
  for (int i = 0; i < 40; ++i) pattern += "*a";
  pattern += "b";
  EXPECT_FALSE(zip::IsWildcardMatch(pattern, name));
}

}  // namespace
