// Writes the fixture sources and archives of tests/data/zip/legacy and, given a second folder (tests/data/fuzz),
// the seed inputs of the three fuzz targets (run once; the output is committed):
//   zip_legacy_fixtures <folder> [<fuzz folder>]
#include <cstdio>

#include "tests/zip_legacy/encoders.h"
#include "tests/zip_legacy/fixtures.h"

using namespace ziptest;

namespace {

// A fuzz input: parameter byte, 16-bit size, stream.
void WriteSeed(const std::string& path, uint8_t parameter, const Bytes& source, const Bytes& stream) {
  // Header in front of the data: appending to a 3-byte list trips GCC 12's false -Warray-bounds at -O2.
  Bytes seed = stream;
  seed.insert(seed.begin(), {parameter, static_cast<uint8_t>(source.size()), static_cast<uint8_t>(source.size() >> 8)});
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
  const std::string dir = argv[1];
  const auto sources = FixtureSources();
  for (const auto& [name, data] : sources) WriteFile(dir + "/" + name, data);
  for (const auto& [name, data] : FixtureArchives(sources)) WriteFile(dir + "/" + name, data);
  if (argc == 3) WriteSeeds(argv[2], sources.at("text.txt"), sources.at("binary.bin"));
  return 0;
}
