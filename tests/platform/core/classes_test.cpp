#include "platform/core/classes.h"

#include <gtest/gtest.h>

#include "platform/core/exceptions.h"
#include "platform/core/files.h"
#include "platform/core/streams.h"
#include "platform/core/strings.h"
#include "tests/platform/core/test_helpers.h"

namespace {

using namespace pf;
using namespace pf::literals;
using pf::test::Lines;
using pf::test::MessageOf;
using V = std::vector<std::string>;

TEST(StringListLoading, SplitsAtCrLfLfAndLoneCr) {
  struct Case {
    std::string text;
    V lines;
  };
  const std::string umlauts("ÄÖÜäöüß"_l1);
  const std::vector<Case> cases = {
      {"", {}},
      {"a\r\n", {"a"}},  // no empty line after a final break
      {"a\r\nb\nc\rd", {"a", "b", "c", "d"}},
      {"\r\n\r\n", {"", ""}},
      {"a\n\rb", {"a", "", "b"}},  // LF CR is two breaks
      {"a\r\r\nb\r", {"a", "", "b"}},
      {"x\t " + umlauts + "\r\n", {"x\t " + umlauts}},  // bytes unchanged
      {std::string("nul\0inside\n", 11), {std::string("nul\0inside", 10)}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    TStringList fromText;
    fromText.SetText(c.text);
    EXPECT_EQ(Lines(fromText), c.lines);

    // A memory stream is read from its current position to its end.
    TMemoryStream memory;
    memory.WriteBuffer("skip", 4);
    memory.WriteBuffer(c.text.data(), static_cast<int32_t>(c.text.size()));
    memory.SetPosition(4);
    TStringList fromMemory;
    fromMemory.Add("old line");
    fromMemory.LoadFromStream(memory);
    EXPECT_EQ(Lines(fromMemory), c.lines);
    EXPECT_EQ(memory.Position(), memory.Size());
  }
}

TEST(StringListLoading, LargeTextThroughAStreamThatIsNotInMemory) {
  TStringList list;
  for (int i = 0; i < 20000; ++i) list.Add(Format("%.5d Prüfungsfrage mit Text"_l1, {i}));
  // Through a compressed stream, which is neither a memory stream nor seekable: the chunked road.
  TMemoryStream packed;
  {
    TZCompressionStream z(packed);
    list.SaveToStream(z);
  }
  packed.SetPosition(0);
  TZDecompressionStream unpacked(packed);
  TStringList back;
  back.LoadFromStream(unpacked);
  EXPECT_TRUE(back.Equals(list));
}

TEST(StringListSorted, IgnoresDuplicatesInCaseInsensitiveOrder) {
  TStringList list;
  list.SetSorted(true);
  EXPECT_EQ(list.Duplicates(), dupIgnore);
  for (const char* s : {"0010 TB", "b", "0002 TA101", "B", "a", "\xE4", "\xC4pfel", "\xC4", "0001 TA101"}) {
    list.Add(s);
  }
  // "B" and "Ä" were dropped as equal to "b" and "ä".
  EXPECT_EQ(Lines(list), (V{"0001 TA101", "0002 TA101", "0010 TB", "a", "b", "\xE4", "\xC4pfel"}));
  int index = -1;
  EXPECT_TRUE(list.Find("B", index) && index == 4);
  EXPECT_EQ(list.IndexOf("\xC4PFEL"), 6);
  EXPECT_EQ(list.Add("A"), 3);  // an ignored duplicate answers the index of its equal

  void* tag = &index;
  list.AddObject("a", tag);
  EXPECT_EQ(list.Objects(3), nullptr);  // the ignored duplicate does not take over the object

  EXPECT_EQ(MessageOf<EListError>([&] { list.Put(0, "x"); }), "Operation not allowed on sorted list");
  EXPECT_EQ(MessageOf<EListError>([&] { list.Insert(0, "x"); }), "Operation not allowed on sorted list");
  EXPECT_EQ(MessageOf<EListError>([&] { list.Move(0, 2); }), "Operation not allowed on sorted list");
  EXPECT_EQ(list.Count(), 7);  // the refused move lost nothing

  list.SetDuplicates(dupError);
  EXPECT_EQ(MessageOf<EListError>([&] { list.Add("A"); }), "String list does not allow duplicates");
  list.SetDuplicates(dupAccept);
  list.Add("A");
  EXPECT_TRUE(list.Find("a", index) && index == 3);  // the first of the equals
}

TEST(StringListSorted, LoadingKeepsWhatAddingOneByOneKeeps) {
  const V lines = {"b", "0002", "B", "a", "\xC4", "\xE4pfel", "\xE4", "0001", "b", "A", "\xC4PFEL"};
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  for (TDuplicates mode : {dupIgnore, dupAccept}) {
    TStringList added, loaded;
    for (TStringList* list : {&added, &loaded}) {
      list->SetSorted(true);
      list->SetDuplicates(mode);
    }
    for (const std::string& line : lines) added.Add(line);
    loaded.SetText(text);
    EXPECT_EQ(Lines(loaded), Lines(added)) << "duplicates mode " << mode;
  }
}

TEST(StringListSorted, CaseSensitivityAndSortingAnExistingList) {
  TStringList list;
  list.SetText("b\nB\na\nA\nc");
  list.SetCaseSensitive(true);
  list.SetSorted(true);
  EXPECT_EQ(Lines(list), (V{"A", "B", "a", "b", "c"}));
  list.SetCaseSensitive(false);  // re-sorted without regard to case, stably
  EXPECT_EQ(Lines(list), (V{"A", "a", "B", "b", "c"}));

  TStringList plain;
  plain.SetText("x2\nx10\nX1");
  EXPECT_EQ(plain.IndexOf("x1"), 2);  // unsorted: linear, without regard to case
  plain.CustomSort(
      [](const TStringList& l, int i, int j) { return StrToInt(l[i].substr(1)) - StrToInt(l[j].substr(1)); });
  EXPECT_EQ(Lines(plain), (V{"X1", "x2", "x10"}));
}

TEST(StringListEditing, IndexErrorsMovesAndExchanges) {
  TStringList list;
  list.SetText("a\nb\nc\nd");
  EXPECT_EQ(MessageOf<EListError>([&] { list.Get(4); }) + MessageOf<EListError>([&] { list.Insert(5, "x"); }),
            "List index out of bounds (4)List index out of bounds (5)");
  int tags[2];
  list.PutObject(0, &tags[0]);
  list.Move(0, 2);
  EXPECT_EQ(Lines(list), (V{"b", "c", "a", "d"}));
  EXPECT_EQ(list.IndexOfObject(&tags[0]), 2);
  list.Exchange(0, 2);
  EXPECT_EQ(Lines(list), (V{"a", "c", "b", "d"}));
  EXPECT_EQ(list.Objects(0), &tags[0]);
  EXPECT_THROW(list.Move(0, 4), EListError);
  EXPECT_EQ(list.Count(), 4);

  list.AddStrings(list);  // adding a list to itself doubles it
  EXPECT_EQ(list.Text(), "a\r\nc\r\nb\r\nd\r\na\r\nc\r\nb\r\nd\r\n");
  TStringList copy;
  copy.Assign(list);
  copy.Put(0, "A");
  EXPECT_FALSE(copy.Equals(list));  // Equals is exact
  copy.Put(0, "a");
  EXPECT_TRUE(copy.Equals(list));
}

TEST(StringListText, CommaTextAndNameValuePairs) {
  TStringList list;
  list.SetText("plain\nwith blank\nwith,comma\nsay \"hi\"\n\nlast");
  std::string comma = list.CommaText();
  EXPECT_EQ(comma, "plain,\"with blank\",\"with,comma\",\"say \"\"hi\"\"\",,last");
  TStringList back;
  back.SetCommaText(comma);
  EXPECT_TRUE(back.Equals(list));

  back.SetCommaText("  a b,\"c d\" ,e,");
  EXPECT_EQ(Lines(back), (V{"a", "b", "c d", "e", ""}));
  back.SetCommaText(std::string_view("a\0b\0,c", 6));  // a NUL separates like a blank, never stalls
  EXPECT_EQ(Lines(back), (V{"a", "b", "c"}));
  back.SetText("\n");
  EXPECT_EQ(back.CommaText(), "\"\"");
  back.SetCommaText("\"\"");
  EXPECT_EQ(Lines(back), V{""});

  TStringList pairs;
  pairs.SetText("Name=Wert\nnoequals\nPfad=a=b\nLeer=");
  EXPECT_EQ(pairs.Names(1), "");
  EXPECT_EQ(pairs.Values("PFAD"), "a=b");
  EXPECT_EQ(pairs.IndexOfName("leer"), 3);
  pairs.SetValue("name", "Neu");
  pairs.SetValue("Extra", "1");
  pairs.SetValue("PFAD", "");  // an empty value deletes the line
  EXPECT_EQ(Lines(pairs), (V{"name=Neu", "noequals", "Leer=", "Extra=1"}));
}

TEST(StringListEvents, BatchesReportOneChange) {
  TStringList list;
  int changing = 0, changed = 0;
  void* lastObject = nullptr;
  list.OnChanging = [&](TStringList&) { ++changing; };
  list.OnChange = [&](TStringList& l) {
    ++changed;
    lastObject = l.Count() > 0 ? l.Objects(l.Count() - 1) : nullptr;
  };
  list.Add("a");
  list.AddObject("b", &changed);
  EXPECT_EQ(changed, 2);  // one event per addition, the object already in place
  EXPECT_EQ(lastObject, &changed);
  list.SetText("x\ny\nz");
  EXPECT_EQ(changing, 3);
  EXPECT_EQ(changed, 3);
  list.BeginUpdate();
  list.Delete(0);
  list.Clear();
  EXPECT_EQ(changed, 3);
  list.EndUpdate();
  EXPECT_EQ(changed, 4);
  list.SetSorted(true);
  list.SetDuplicates(dupError);
  list.SetText("r\nq");
  changed = 0;
  EXPECT_THROW(list.SetText("q\nq"), EListError);
  EXPECT_EQ(list.UpdateCount(), 0);
  EXPECT_EQ(Lines(list), (V{"q", "r"}));  // a refused load leaves the list as it was, unreported
  EXPECT_EQ(changed, 0);
}

using StringListFiles = pf::test::TempDirTest;

TEST_F(StringListFiles, SaveWithCrLfLoadWithoutRegardToCase) {
  TStringList list, back;
  list.SetText("Eigene Prüfungsauswahl\n0001 TA101"_l1);
  list.SaveToFile(Path("Liste.qlt"));
  EXPECT_EQ(ReadFileBytes(Path("Liste.qlt")), "Eigene Prüfungsauswahl\r\n0001 TA101\r\n"_l1);
  back.LoadFromFile(Path("LISTE.QLT"));
  EXPECT_TRUE(back.Equals(list));
}

}  // namespace
