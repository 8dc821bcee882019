// String tables: the byte layout of the program's two tables, lookups in a large table, and damaged tables.
#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <vector>

#include "components/string_resource.h"
#include "components/tools/rcgen/resource_writer.h"
#include "platform/core/codepage.h"
#include "tests/platform/core/test_helpers.h"

namespace components {
namespace {

using Entry = std::array<uint32_t, 3>;  // id, byte offset, length in UTF-16 units

uint32_t U32(std::string_view b, size_t at) {
  return static_cast<uint8_t>(b[at]) | (static_cast<uint8_t>(b[at + 1]) << 8) |
         (static_cast<uint8_t>(b[at + 2]) << 16) | (uint32_t{static_cast<uint8_t>(b[at + 3])} << 24);
}

std::string_view ResourceBytes(pf::HMODULE module, const pf::TResourceName& name, uint32_t type) {
  pf::HGLOBAL loaded = pf::LoadResource(module, pf::FindResource(module, name, type));
  return {reinterpret_cast<const char*>(pf::LockResource(loaded)), loaded.size};
}

std::string MessageOf(const std::function<void()>& action) { return pf::test::MessageOf<EStringResourceError>(action); }

TEST(StringTables, ProgramTablesHaveTheirLayoutAndTexts) {
  struct Case {
    const char* name;
    std::vector<Entry> entries;
    size_t size;
    std::vector<std::string> texts;
  };
  const Case cases[] = {
      {"RESMGR_STRINGS",
       {{1, 68, 20}, {2, 108, 20}, {3, 148, 29}, {4, 206, 34}, {5, 274, 23}},
       320,
       {"String not found: %d", "Cannot lock resource", "String resource not found: %s",
        "Unable to open string resource: %s", "Invalid string resource"}},
      {"LIBRARY_STRINGS_ENGLISH",
       {{73, 56, 18}, {100, 92, 34}, {101, 160, 27}, {134, 214, 50}},
       314,
       {"Error opening file", "File does not contain version info", "Unable to read version info",
        "The specified key cannnot be found in version info"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string_view bytes = ResourceBytes(pf::MainInstance(), c.name, pf::RT_RCDATA);
    ASSERT_EQ(bytes.size(), c.size);
    EXPECT_EQ(bytes.substr(0, 4), "STR0");
    std::vector<Entry> entries(U32(bytes, 4));
    for (size_t i = 0; i < entries.size(); ++i)
      entries[i] = {U32(bytes, 8 + 12 * i), U32(bytes, 12 + 12 * i), U32(bytes, 16 + 12 * i)};
    EXPECT_EQ(entries, c.entries);

    TStringResource table(nullptr, c.name);
    std::vector<std::string> texts;
    for (const Entry& e : c.entries) texts.push_back(table.GetString(static_cast<int32_t>(e[0])));
    EXPECT_EQ(texts, c.texts);
  }
}

TEST(StringTables, BisectionFindsEveryIdOfALargeTable) {
  // 176 ids from 0 to 325 with gaps (6 is one of them); the last text needs the system code page.
  std::vector<resgen::StringEntry> entries;
  for (uint32_t i = 0; i < 176; ++i)
    entries.push_back({i * 325 / 175, u"text " + pf::Latin1ToUtf16(std::to_string(i))});
  entries.back().text = u"Pr\u00FCfung \u20AC \u0416";
  pf::TResourceModule module(resgen::Container({{pf::RT_RCDATA, "BIG", resgen::StringTable(entries)}}));
  TStringResource table(&module, "big");

  EXPECT_EQ(table.GetString(0), "text 0");
  EXPECT_EQ(table.GetString(1), "text 1");
  EXPECT_EQ(table.GetString(7), "text 4");
  EXPECT_EQ(table.GetString(325),
            "Pr\xFC"
            "fung \x80 ?");
  EXPECT_EQ(table.GetString(6), "");
  EXPECT_EQ(table.GetString(-1), "");
  table.SetReportErrors(true);
  EXPECT_EQ(MessageOf([&] { table.GetString(6); }), "String not found: 6");
}

TEST(StringTables, DamagedOrMissingTablesRaiseTheirMessages) {
  const std::string good = resgen::StringTable({{1, u"one"}, {2, u"two"}});
  auto patched = [&](size_t at, std::string_view bytes) { return std::string(good).replace(at, bytes.size(), bytes); };
  auto container = [](std::string table) { return resgen::Container({{pf::RT_RCDATA, "T", std::move(table)}}); };
  std::string outside = container(good);
  outside[8 + 12] = '\x7F';  // the entry's size runs past the container

  struct Case {
    std::string container;
    const char* name;
    const char* message;
  };
  const Case cases[] = {
      {container(patched(0, "STR1")), "T", "Invalid string resource"},
      {container(patched(4, "\x09")), "T", "Invalid string resource"},        // more entries than it holds
      {container(patched(12 + 12, "\xFF")), "T", "Invalid string resource"},  // a text past the end
      {container(good.substr(0, 3)), "T", "Invalid string resource"},         // shorter than its header
      {container(good), "NOPE", "String resource not found: NOPE"},
      {"PXRS\x05", "T", "String resource not found: T"},  // a damaged container
      {outside, "T", "Unable to open string resource: T"},
  };
  for (const Case& c : cases) {
    pf::TResourceModule module(c.container);
    EXPECT_EQ(MessageOf([&] { TStringResource table(&module, c.name); }), c.message) << c.message;
  }
  TStringResource none(nullptr, "");
  EXPECT_EQ(MessageOf([&] { none.GetString(1); }), "Cannot lock resource");
  // A module without the table leaves it to the program's own.
  pf::TResourceModule empty(container(good));
  EXPECT_EQ(TStringResource(&empty, "RESMGR_STRINGS").GetString(5), "Invalid string resource");
}

TEST(StringTables, LibErrorsCarryTheTextAndCodeAndTheTablesAreCounted) {
  auto raise = [] {
    try {
      RaiseLibError<EVersionInfoError>(SCannotReadVersionInfo);
    } catch (const ELibException& e) {
      return std::to_string(e.ErrorCode) + " " + e.Message();
    }
    return std::string("(no exception)");
  };
  EXPECT_EQ(raise(), "101 Unable to read version info");  // before the tables are made

  InitializeStringResources();
  InitializeStringResources();
  FinalizeStringResources();
  ASSERT_NE(LIBRARY_STRINGS_ENGLISH, nullptr);
  EXPECT_EQ(raise(), "101 Unable to read version info");
  FinalizeStringResources();
  EXPECT_EQ(RESMGR_STRINGS, nullptr);
  EXPECT_EQ(LIBRARY_STRINGS_ENGLISH, nullptr);
}

}  // namespace
}  // namespace components
