// Writes the program's resources: string tables in the "STR0" layout, the version block, the resource container
// and the C++ source that links the container into the program's resource section.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/core/resources.h"

namespace components::resgen {

// "STR0", u32 count, count entries of (u32 id, u32 byte offset from the start, u32 length in UTF-16 units) sorted by
// id, then the UTF-16LE texts in the same order, without terminators.
struct StringEntry {
  uint32_t id = 0;
  std::u16string text;
};
std::string StringTable(std::vector<StringEntry> entries);

struct VersionData {
  std::array<uint16_t, 4> fileVersion{};
  std::array<uint16_t, 4> productVersion{};
  uint16_t language = 0x0407;  // German (Germany)
  uint16_t codePage = 0x04E4;  // Windows-1252
  // The text values of the string table, in order.
  std::vector<std::pair<std::string, std::u16string>> strings;
};
std::string VersionBlock(const VersionData& data);

struct Resource {
  uint32_t type = 0;
  pf::TResourceName name;
  std::string bytes;
};
std::string Container(const std::vector<Resource>& resources);

// A C++ source file that defines the container bytes in the resource section.
std::string SectionSource(std::string_view container);

}  // namespace components::resgen
