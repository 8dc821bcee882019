// Object lists and wildcard matching.
#include <gtest/gtest.h>

#include "platform/core/exceptions.h"
#include "platform/core/streams.h"
#include "tests/zip/support.h"
#include "zip/ziplists.h"
#include "zip/zipmatch.h"

namespace {

using ziptest::ExpectRaises;

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
  std::vector<int> Values(bool tags = false) const {
    std::vector<int> v;
    for (int i = 0; i < Count(); ++i)
      v.push_back(tags ? static_cast<Num*>(Items(i))->tag : static_cast<Num*>(Items(i))->value);
    return v;
  }
};

TEST(SortedObjectList, DuplicatesAreDroppedRefusedOrKeptInOrder) {
  {
    NumList ignore(zip::dupIgnoreItem);
    for (int v : {5, 1, 3, 5, 1}) ignore.Add(std::make_unique<Num>(v));
    EXPECT_EQ(ignore.Values(), (std::vector<int>{1, 3, 5}));
    EXPECT_EQ(Num::live, 3);  // the dropped duplicates were destroyed

    NumList error(zip::dupErrorItem);
    error.Add(std::make_unique<Num>(2));
    ExpectRaises<pf::EListError>([&] { error.Add(std::make_unique<Num>(2)); }, "Duplicate Object index");
    EXPECT_EQ(error.Count(), 1);
    EXPECT_EQ(Num::live, 4);

    NumList accept(zip::dupAcceptItem);
    for (int tag = 0; tag < 6; ++tag) accept.Add(std::make_unique<Num>(tag % 2 ? 7 : 3, tag));
    EXPECT_EQ(accept.Values(true), (std::vector<int>{0, 2, 4, 1, 3, 5}));  // equal keys keep their order
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
  ExpectRaises<pf::EListError>([&] { list.Put(0, new Num(1)); }, "Cannot <Put> an Object in a sorted list!");
  EXPECT_THROW(list.Items(4), pf::EListError);
  EXPECT_THROW(list.Items(-1), pf::EListError);
  // Neighbours.
  EXPECT_EQ(list.GetRelative(list.Items(1), true), list.Items(2));
  EXPECT_EQ(list.GetRelative(list.Items(0), false), nullptr);
  EXPECT_EQ(list.GetRelative(nullptr, true), list.First());
  EXPECT_EQ(list.GetRelative(nullptr, false), list.Last());
  EXPECT_THROW(list.GetRelative(&key, true), pf::EListError);
}

TEST(ObjectList, FreesOnlyWhatItOwns) {
  zip::TObjectList list(true);
  for (int i = 0; i < 30; ++i) list.Add(std::make_unique<Num>(i));
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
  EXPECT_EQ(copy.Duplicates(), zip::dupAcceptItem);
  EXPECT_EQ(copy.Values(), (std::vector<int>{1, 2, 3}));

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
  ExpectRaises<pf::EClassNotFound>([&] { target.LoadFromStream(bad); }, "Class <Xyz> not registered");
}

TEST(Wildcard, MatchesTheTableOfCases) {
  struct Case {
    const char* pattern;
    std::vector<std::string> matches, misses;
  };
  const Case cases[] = {
      {"*.txt", {"fragen\\tafragen.txt"}, {}},  // the star crosses folders
      {"TAfragen.txt", {"tafragen.txt"}, {}},
      {"tafragen.txt", {"TAFRAGEN.TXT"}, {"tafragen.txt.bak", "xtafragen.txt"}},
      {"<a-c>x", {"bx"}, {"dx"}},
      {"<!a-c>x", {"dx"}, {"bx"}},
      {"<^a-c>x", {}, {"bx"}},
      {"<c-a>x", {"bx"}, {"dx"}},
      {"<abz>", {"z"}, {}},
      {"<a-cx", {}, {"bx", "<a-cx"}},  // an unclosed set matches nothing
      {"?", {"a"}, {"", "ab"}},
      {"a?c", {"abc"}, {}},
      {"ab*", {"ab"}, {}},
      {"*", {""}, {}},
      {"", {""}, {"a"}},
      {"*a*b*c*", {"xxaxxbxxcxx"}, {"xxaxxcxxbxx"}},
      {"*.t?t", {"a.b.txt"}, {}},
      {"\xC4*", {"\xE4rger"}, {}},  // Latin-1 letters are lower-cased too
  };
  for (const Case& c : cases) {
    for (const std::string& name : c.matches)
      EXPECT_TRUE(zip::IsWildcardMatch(c.pattern, name)) << c.pattern << " / " << name;
    for (const std::string& name : c.misses)
      EXPECT_FALSE(zip::IsWildcardMatch(c.pattern, name)) << c.pattern << " / " << name;
  }
  // Many stars stay fast.
  std::string pattern;
  for (int i = 0; i < 40; ++i) pattern += "*a";
  EXPECT_FALSE(zip::IsWildcardMatch(pattern + "b", std::string(2000, 'a')));
}

}  // namespace
