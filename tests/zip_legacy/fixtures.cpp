#include "tests/zip_legacy/fixtures.h"

#include "tests/zip_legacy/encoders.h"

namespace legacytest {

std::vector<FixtureEntry> FixtureEntries() {
  std::vector<FixtureEntry> list;
  // text.txt nearly fills the 8192-code table, so its stream also holds the clears made then;
  // small.txt never fills it: once without any clear and once with a partial clear every 300 codes.
  list.push_back({"shrink.zip", "text.txt", "text.txt", 1, 0, 0, true});
  list.push_back({"shrink.zip", "small.txt", "small.txt", 1, 0, 0, true});
  list.push_back({"shrink.zip", "small-cleared.txt", "small.txt", 1, 0, 300, true});
  list.push_back({"shrink.zip", "binary.bin", "binary.bin", 1, 0, 0, true});
  list.push_back({"shrink.zip", "runs.txt", "runs.txt", 1, 0, 0, true});
  list.push_back({"shrink.zip", "empty.txt", "empty.txt", 1, 0, 0, true});
  for (int factor = 1; factor <= 4; ++factor) {
    std::string f = "-f" + std::to_string(factor);
    list.push_back({"reduce.zip", "small" + f + ".txt", "small.txt", factor + 1, 0, 0, true});
    list.push_back({"reduce.zip", "small" + f + "-literals.txt", "small.txt", factor + 1, 0, 0, false});
    list.push_back({"reduce.zip", "binary" + f + ".bin", "binary.bin", factor + 1, 0, 0, true});
  }
  for (int variant = 0; variant < 4; ++variant) {
    bool big = (variant & 1) != 0;
    bool literals = (variant & 2) != 0;
    std::string v = std::string(big ? "-8k" : "-4k") + (literals ? "-lit" : "");
    uint16_t flags = ImplodeFlags(big, literals);
    list.push_back({"implode.zip", "text" + v + ".txt", "text.txt", 6, flags, 0, true});
    list.push_back({"implode.zip", "binary" + v + ".bin", "binary.bin", 6, flags, 0, true});
    list.push_back({"implode.zip", "runs" + v + ".txt", "runs.txt", 6, flags, 0, true});
  }
  return list;
}

std::string FixtureDir() { return std::string(PEXU_SOURCE_DIR) + "/tests/data/zip/legacy"; }

}  // namespace legacytest
