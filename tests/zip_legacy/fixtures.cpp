#include "tests/zip_legacy/fixtures.h"

#include <random>
#include <sstream>

#include "tests/zip_legacy/encoders.h"

namespace ziptest {

namespace {

// Word salad in Latin-1 with lines and digit groups: many repeats of short strings, as in a question catalogue.
Bytes Text(size_t size, unsigned seed) {
  std::vector<std::string> words;
  std::istringstream list(
      "Antenne Frequenz Spannung Strom Widerstand der die das und mit ist Kondensator Spule Dipol Welle Leistung "
      "Sender Empf\344nger Band Kanal Modulation Oszillator Filter D\344mpfung Ohm Watt Volt Hertz Pr\374fung "
      "Gr\366\337e");
  for (std::string w; list >> w;) words.push_back(w);
  std::mt19937 random(seed);
  Bytes out;
  while (out.size() < size) {
    const std::string& w = words[random() % words.size()];
    out.insert(out.end(), w.begin(), w.end());
    out.push_back(random() % 9 == 0 ? '\n' : ' ');
    if (random() % 50 == 0)
      for (unsigned i = random() % 40; i > 0; --i) out.push_back(static_cast<uint8_t>('0' + random() % 10));
  }
  out.resize(size);
  return out;
}

// Random bytes, repeated blocks and many DLE (144) bytes.
Bytes Binary(size_t size, unsigned seed) {
  std::mt19937 random(seed);
  Bytes out;
  while (out.size() < size) {
    if (out.size() > 64 && random() % 3 == 0) {
      size_t length = 3 + random() % 60;
      size_t from = out.size() - 1 - random() % std::min<size_t>(out.size() - 1, 5000);
      for (size_t i = 0; i < length; ++i) out.push_back(out[from + i]);
    } else {
      for (unsigned i = 1 + random() % 20; i > 0; --i)
        out.push_back(random() % 4 == 0 ? 144 : static_cast<uint8_t>(random()));
    }
  }
  out.resize(size);
  return out;
}

// Long runs of one byte (the shrink KwKwK case) and of two alternating bytes.
Bytes Runs() {
  Bytes out(3000, 'a');
  for (int i = 0; i < 1500; ++i) out.push_back("ab"[i % 2]);
  out.insert(out.end(), 500, 144);
  return out;
}

}  // namespace

std::vector<FixtureEntry> FixtureEntries() {
  std::vector<FixtureEntry> list;
  // text.txt nearly fills the 8192-code table, so its stream also holds the clears made then;
  // small.txt never fills it: once without any clear and once with a partial clear every 300 codes.
  for (const char* name : {"text.txt", "small.txt", "small-cleared.txt", "binary.bin", "runs.txt", "empty.txt"}) {
    bool cleared = std::string(name) == "small-cleared.txt";
    list.push_back({"shrink.zip", name, cleared ? "small.txt" : name, 1, 0, cleared ? 300 : 0, true});
  }
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

Bytes Compress(const FixtureEntry& f, const Bytes& source) {
  if (f.method == 1) return Shrink(source, f.clearEvery);
  if (f.method == 6) return Implode(source, (f.flags & 2) != 0, (f.flags & 4) != 0);
  return Reduce(source, f.method - 1, f.matches);
}

std::map<std::string, Bytes> FixtureSources() {
  return {{"text.txt", Text(60000, 1)},
          {"small.txt", Text(12000, 2)},
          {"binary.bin", Binary(8000, 3)},
          {"runs.txt", Runs()},
          {"empty.txt", Bytes()}};
}

std::map<std::string, Bytes> FixtureArchives(const std::map<std::string, Bytes>& sources) {
  std::map<std::string, TestArchive> archives;
  for (const FixtureEntry& f : FixtureEntries()) {
    TestEntry e = MakeEntry(f.name, sources.at(f.source), static_cast<uint16_t>(f.method));
    e.packed = Compress(f, e.data);
    e.flags = f.flags;
    e.versionMadeBy = 20;  // MS-DOS host, version 2.0
    e.versionNeeded = 10;
    e.internalAttributes = 0;
    e.dosDateTime = ((2024u - 1980u) << 9 | 1u << 5 | 15u) << 16 | (12u << 11 | 30u << 5);  // 15 Jan 2024 12:30
    archives[f.archive].entries.push_back(std::move(e));
  }
  std::map<std::string, Bytes> out;
  for (const auto& [name, archive] : archives) out[name] = BuildZip(archive);
  return out;
}

std::string FixtureDir() { return std::string(PEXU_SOURCE_DIR) + "/tests/data/zip/legacy"; }

}  // namespace ziptest
