#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <map>

#include "tests/zip_legacy/decode_util.h"
#include "tests/zip_legacy/test_data.h"

namespace legacytest {
namespace {

namespace fs = std::filesystem;

std::map<std::string, FixtureEntry> Manifest(const std::string& archive) {
  std::map<std::string, FixtureEntry> m;
  for (const FixtureEntry& f : FixtureEntries())
    if (f.archive == archive) m[f.name] = f;
  return m;
}

// Runs a command and returns what it printed; the exit status in `status`.
Bytes RunCommand(const std::string& command, int& status) {
  Bytes out;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) {
    status = -1;
    return out;
  }
  std::array<char, 4096> buffer;
  size_t n;
  while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
    out.insert(out.end(), buffer.data(), buffer.data() + n);
  status = pclose(pipe);
  return out;
}

const char* const kArchives[] = {"shrink.zip", "reduce.zip", "implode.zip"};

TEST(LegacyFixtures, EveryEntryDecodesToItsSource) {
  for (const char* archive : kArchives) {
    auto manifest = Manifest(archive);
    std::vector<ZipEntry> entries = ReadZip(ReadFile(FixtureDir() + "/" + archive));
    ASSERT_EQ(entries.size(), manifest.size()) << archive;
    for (const ZipEntry& e : entries) {
      SCOPED_TRACE(std::string(archive) + ": " + e.name);
      ASSERT_EQ(manifest.count(e.name), 1u);
      const FixtureEntry& f = manifest[e.name];
      EXPECT_EQ(e.method, f.method);
      EXPECT_EQ(e.flags, f.flags);
      Bytes src = Source(f.source);
      EXPECT_EQ(e.size, src.size());
      EXPECT_EQ(e.crc, Crc32(src));
      Decoded d = DecodeEntry(e.method, e.flags, e.compressed, e.size);
      EXPECT_EQ(d.outcome, Outcome::Ok);
      EXPECT_EQ(d.bytes, src);
      EXPECT_EQ(d.consumed, e.compressed.size());
    }
  }
  // The partially cleared shrink stream differs from the plain one and still gives the same bytes (checked above).
  auto shrink = ReadZip(ReadFile(FixtureDir() + "/shrink.zip"));
  EXPECT_NE(shrink[1].compressed, shrink[2].compressed);
}

// Debian's unzip implements unshrink and explode (not unreduce): an independent check of both streams and of the
// archive framing.
TEST(LegacyFixtures, ShrinkAndImplodePassUnzipTest) {
  int status = 0;
  RunCommand("unzip -v 2>/dev/null", status);
  if (status != 0) GTEST_SKIP() << "unzip is not installed";
  for (const char* archive : {"shrink.zip", "implode.zip"}) {
    std::string path = FixtureDir() + "/" + archive;
    Bytes report = RunCommand("unzip -t '" + path + "' 2>&1", status);
    EXPECT_EQ(status, 0) << std::string(report.begin(), report.end());
    for (const auto& [name, f] : Manifest(archive)) {
      Bytes extracted = RunCommand("unzip -p '" + path + "' '" + name + "'", status);
      EXPECT_EQ(extracted, Source(f.source)) << name;
    }
  }
}

// The reader's own command-line tool, when it is built beside this test: the whole road from the directory through
// the dispatch to these decoders.
TEST(LegacyFixtures, ZipcatExtractsThemByteIdentically) {
  fs::path zipcat = fs::read_symlink("/proc/self/exe").parent_path() / "zipcat";
  if (!fs::exists(zipcat)) GTEST_SKIP() << "zipcat is not built";
  for (const char* archive : kArchives) {
    for (const auto& [name, f] : Manifest(archive)) {
      int status = 0;
      Bytes extracted =
          RunCommand("'" + zipcat.string() + "' '" + FixtureDir() + "/" + archive + "' '" + name + "'", status);
      EXPECT_EQ(status, 0) << archive << ": " << name;
      EXPECT_EQ(extracted, Source(f.source)) << archive << ": " << name;
    }
  }
}

}  // namespace
}  // namespace legacytest
