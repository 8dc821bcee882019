// The committed fixture archives of tests/data/zip/legacy: which entry is made from which source and how.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace legacytest {

struct FixtureEntry {
  std::string archive;  // shrink.zip, reduce.zip or implode.zip
  std::string name;     // entry name
  std::string source;   // source file beside the archives
  int method = 0;       // 1 to 6
  uint16_t flags = 0;
  int clearEvery = 0;   // shrink: codes between forced partial clears (0: only when the table is full)
  bool matches = true;  // reduce: copies (DLE sequences) or literals only
};

std::vector<FixtureEntry> FixtureEntries();

// The folder of the fixtures in the source tree.
std::string FixtureDir();

}  // namespace legacytest
