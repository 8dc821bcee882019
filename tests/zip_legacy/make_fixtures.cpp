// Writes the fixture sources and archives of tests/data/zip/legacy (run once; the output is committed):
//   zip_legacy_fixtures <folder>
#include <cstdio>
#include <map>
#include <random>

#include "tests/zip_legacy/encoders.h"
#include "tests/zip_legacy/fixtures.h"

using namespace legacytest;

namespace {

// Word salad in Latin-1 with lines and digit groups: many repeats of short strings, as in a question catalogue.
Bytes Text(size_t size, unsigned seed) {
  static const char* const kWords[] = {"Antenne",
                                       "Frequenz",
                                       "Spannung",
                                       "Strom",
                                       "Widerstand",
                                       "der",
                                       "die",
                                       "das",
                                       "und",
                                       "mit",
                                       "ist",
                                       "Kondensator",
                                       "Spule",
                                       "Dipol",
                                       "Welle",
                                       "Leistung",
                                       "Sender",
                                       "Empf\xe4nger",
                                       "Band",
                                       "Kanal",
                                       "Modulation",
                                       "Oszillator",
                                       "Filter",
                                       "D\xe4mpfung",
                                       "Ohm",
                                       "Watt",
                                       "Volt",
                                       "Hertz",
                                       "Pr\xfc"
                                       "fung",
                                       "Gr\xf6\xdf"
                                       "e"};
  std::mt19937 random(seed);
  Bytes out;
  while (out.size() < size) {
    for (const char* w = kWords[random() % std::size(kWords)]; *w; ++w) out.push_back(static_cast<uint8_t>(*w));
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

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: zip_legacy_fixtures <folder>\n");
    return 2;
  }
  std::string dir = argv[1];
  std::map<std::string, Bytes> sources = {{"text.txt", Text(60000, 1)},
                                          {"small.txt", Text(12000, 2)},
                                          {"binary.bin", Binary(8000, 3)},
                                          {"runs.txt", Runs()},
                                          {"empty.txt", Bytes()}};
  for (const auto& [name, data] : sources) WriteFile(dir + "/" + name, data);

  std::map<std::string, std::vector<ZipEntry>> archives;
  for (const FixtureEntry& f : FixtureEntries()) {
    const Bytes& data = sources.at(f.source);
    ZipEntry e;
    e.name = f.name;
    e.method = static_cast<uint16_t>(f.method);
    e.flags = f.flags;
    e.crc = Crc32(data);
    e.size = static_cast<uint32_t>(data.size());
    if (f.method == 1)
      e.compressed = Shrink(data, f.clearEvery);
    else if (f.method == 6)
      e.compressed = Implode(data, (f.flags & 2) != 0, (f.flags & 4) != 0);
    else
      e.compressed = Reduce(data, f.method - 1, f.matches);
    archives[f.archive].push_back(std::move(e));
  }
  for (const auto& [name, entries] : archives) WriteFile(dir + "/" + name, WriteZip(entries));
  return 0;
}
