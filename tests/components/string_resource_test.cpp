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

std::string MessageOf(const std::function<void()>& action) { return pf::test::MessageOf<EStringResourceError>(action); }

TEST(StringTables, ProgramTablesHaveTheirTexts) {
  const std::pair<const char*, std::vector<std::pair<int32_t, std::string>>> tables[] = {
      {"RESMGR_STRINGS",
       {{1, "String not found: %d"},
        {2, "Cannot lock resource"},
        {3, "String resource not found: %s"},
        {4, "Unable to open string resource: %s"},
        {5, "Invalid string resource"}}},
      {"LIBRARY_STRINGS_ENGLISH",
       {{73, "Error opening file"},
        {100, "File does not contain version info"},
        {101, "Unable to read version info"},
        {134, "The specified key cannnot be found in version info"}}},
  };
  for (const auto& [name, texts] : tables) {
    TStringResource table(nullptr, name);
    for (const auto& [id, text] : texts) EXPECT_EQ(table.GetString(id), text) << name << " " << id;
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
