// The committed fixtures of tests/data/zip/legacy: the generated sources, and which archive entry is made from
// which source and how. The fixture tool writes them; the tests regenerate them and compare.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "tests/zip/zip_writer.h"

namespace ziptest {

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

// The entry's stream, made by the test-only encoder of its method.
Bytes Compress(const FixtureEntry& entry, const Bytes& source);

// The source files by name.
std::map<std::string, Bytes> FixtureSources();

// The archives by name, made from the sources.
std::map<std::string, Bytes> FixtureArchives(const std::map<std::string, Bytes>& sources);

// The folder of the fixtures in the source tree, and one of its files.
std::string FixtureDir();
inline Bytes Source(const std::string& name) { return ReadFile(FixtureDir() + "/" + name); }

}  // namespace ziptest
