// Writes the fixture sources and archives of tests/data/zip/legacy and, given a second folder (tests/data/fuzz),
// the seed inputs of the three fuzz targets (run once; the output is committed):
//   zip_legacy_fixtures <folder> [<fuzz folder>]
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

// A fuzz input: parameter byte, 16-bit size, stream.
void WriteSeed(const std::string& path, uint8_t parameter, const Bytes& source, const Bytes& stream) {
  Bytes seed = {parameter, static_cast<uint8_t>(source.size()), static_cast<uint8_t>(source.size() >> 8)};
  seed.insert(seed.end(), stream.begin(), stream.end());
  WriteFile(path, seed);
}

void WriteSeeds(const std::string& dir, const Bytes& text, const Bytes& binary) {
  Bytes t(text.begin(), text.begin() + 2000);
  Bytes b(binary.begin(), binary.begin() + 1500);
  WriteSeed(dir + "/unshrink/text", 0, t, Shrink(t, 0));
  WriteSeed(dir + "/unshrink/text-cleared", 0, t, Shrink(t, 30));
  WriteSeed(dir + "/unshrink/binary", 0, b, Shrink(b, 0));
  for (int factor = 1; factor <= 4; ++factor) {
    std::string f = std::to_string(factor);
    WriteSeed(dir + "/unreduce/text-f" + f, static_cast<uint8_t>(factor - 1), t, Reduce(t, factor, true));
    WriteSeed(dir + "/unreduce/binary-f" + f, static_cast<uint8_t>(factor - 1), b, Reduce(b, factor, true));
  }
  for (int variant = 0; variant < 4; ++variant) {
    bool big = (variant & 1) != 0;
    bool literals = (variant & 2) != 0;
    uint8_t flags = static_cast<uint8_t>(ImplodeFlags(big, literals));
    std::string v = std::to_string(flags);
    WriteSeed(dir + "/explode/text-" + v, flags, t, Implode(t, big, literals));
    WriteSeed(dir + "/explode/binary-" + v, flags, b, Implode(b, big, literals));
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 && argc != 3) {
    std::fprintf(stderr, "usage: zip_legacy_fixtures <folder> [<fuzz folder>]\n");
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
  if (argc == 3) WriteSeeds(argv[2], sources.at("text.txt"), sources.at("binary.bin"));
  return 0;
}
