// Black-box checks with Info-ZIP as the oracle: archives made by zip extract through zipcat (the application's
// road) exactly as unzip -p extracts them; and damaged archives end cleanly.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "platform/core/exceptions.h"
#include "platform/core/files.h"
#include "platform/core/services.h"
#include "tests/zip/support.h"

namespace {

namespace fs = std::filesystem;
using namespace ziptest;

class InfoZip : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::system("command -v zip >/dev/null && command -v unzip >/dev/null") != 0) GTEST_SKIP() << "no Info-ZIP";
    zipcat_ = (fs::read_symlink("/proc/self/exe").parent_path() / "zipcat").string();
    if (!fs::exists(zipcat_)) GTEST_SKIP() << "zipcat is not built";
    fs::create_directories(dir_.path / "src/Fragen");
    std::mt19937 rng(5);
    std::string text, random(70000, '\0');
    while (text.size() < 150000) text += "Frage " + std::to_string(rng() % 1000) + ": Welche Antenne? A B C D\r\n";
    for (char& c : random) c = static_cast<char>(rng());
    const std::pair<const char*, std::string> files[] = {
        {"Fragen/TAfragen.txt", text},
        {"random.bin", random},
        {"runs.bin", std::string(200000, 'x') + std::string(1000, 'y')},
        {"empty.txt", ""},
        {"small.txt", "klein\n"}};
    for (const auto& [name, bytes] : files) std::ofstream(dir_.path / "src" / name, std::ios::binary) << bytes;
  }
  // An archive of the source folder; `piped` writes it to standard output, so sizes and CRC follow the data.
  std::string Zip(const std::string& name, const std::string& options, bool piped = false) {
    std::string archive = dir_ / name;
    int status = 0;
    Shell("cd " + Quote(dir_ / "src") + " && zip -q " + options + " -r " +
              (piped ? "- . | cat > " + Quote(archive) : Quote(archive) + " ."),
          status);
    EXPECT_EQ(status, 0) << options;
    return archive;
  }
  void ExpectSameAsUnzip(const std::string& archive, const std::string& password = "") {
    int status = 0;
    std::istringstream list(Shell("unzip -Z1 " + Quote(archive), status));
    int files = 0;
    for (std::string name; std::getline(list, name);) {
      if (name.empty() || name.back() == '/') continue;
      ++files;
      std::string expected = Shell(
          "unzip -p " + (password.empty() ? "" : "-P " + password + " ") + Quote(archive) + " " + Quote(name), status);
      ASSERT_EQ(status, 0) << name;
      std::string ours = Shell(Quote(zipcat_) + (password.empty() ? "" : " --password " + password) + " " +
                                   Quote(archive) + " " + Quote(name),
                               status);
      EXPECT_EQ(status, 0) << archive << ": " << name;
      EXPECT_TRUE(ours == expected) << archive << ": " << name << " (" << ours.size() << " vs " << expected.size()
                                    << ")";
    }
    EXPECT_EQ(files, 5) << archive;
  }
  std::string zipcat_;
  ScratchDir dir_;
};

TEST_F(InfoZip, ZipcatEqualsUnzipForEveryWayOfWriting) {
  ExpectSameAsUnzip(Zip("default.zip", ""));
  ExpectSameAsUnzip(Zip("plain.zip", "-X"));
  ExpectSameAsUnzip(Zip("stored.zip", "-0"));
  ExpectSameAsUnzip(Zip("best.zip", "-9"));
  std::string piped = Zip("piped.zip", "", true);
  int status = 0;
  std::string listing = Shell(Quote(zipcat_) + " --list " + Quote(piped), status);
  EXPECT_EQ(status, 0);
  EXPECT_NE(listing.find("Fragen\\TAfragen.txt\t"), std::string::npos);
  ExpectSameAsUnzip(piped);

  // Without its directory the archive is rebuilt from the local headers, the sizes taken from the descriptors.
  const std::string bytes = pf::ReadFileBytes(piped);
  zip::TZipReader reader;
  LoadArchive(reader, bytes);
  ASSERT_GT(reader.Count(), 0);
  EXPECT_TRUE(reader.Items(0).HasDataDescriptor());
  zip::TZipReader rebuilt;
  rebuilt.IncompleteZipMode = zip::izAssumeBad;
  LoadArchive(rebuilt, bytes.substr(0, bytes.find("PK\x01\x02")));
  pf::TMemoryStream text;
  EXPECT_EQ(rebuilt.ExtractToStream(&text, "fragen/tafragen.txt"), 1);
  EXPECT_EQ(Contents(text), pf::ReadFileBytes(dir_ / "src/Fragen/TAfragen.txt"));
}

TEST_F(InfoZip, EncryptedArchives) {
  std::string archive = Zip("secret.zip", "-P secret");
  ExpectSameAsUnzip(archive, "secret");
  // Through a pipe the check byte is the time's high byte (sizes and CRC come after the data).
  ExpectSameAsUnzip(Zip("piped-secret.zip", "-P secret", true), "secret");
  int status = 0;
  std::string out = Shell(Quote(zipcat_) + " --password wrong " + Quote(archive) + " small.txt", status);
  EXPECT_EQ(status, 1);
  EXPECT_TRUE(out.empty());
  // The event may offer another password; the entry is then tried again.
  zip::TZipReader reader;
  LoadArchive(reader, pf::ReadFileBytes(archive));
  reader.Password = "wrong";
  int asked = 0;
  reader.OnBadPassword = [&](zip::TZipReader&, int, std::string& password) {
    ++asked;
    password = "secret";
  };
  pf::TMemoryStream target;
  EXPECT_EQ(reader.ExtractToStream(&target, "small.txt"), 1);
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(Contents(target), "klein\n");
}

TEST_F(InfoZip, MutatedArchivesEndWithACountOrAnException) {
  const std::string original = pf::ReadFileBytes(Zip("mutate.zip", "-9"));
  pf::RecordingDialogService dialogs;
  pf::SetDialogs(&dialogs);
  std::mt19937 rng(17);
  int counts = 0;
  int exceptions = 0;
  for (int round = 0; round < 1000; ++round) {
    std::string bytes = original;
    int flips = 1 + static_cast<int>(rng() % 8);
    for (int f = 0; f < flips; ++f) {
      // Half of the damage hits the directory at the end, where a flip changes the most.
      size_t at = rng() % 2 ? rng() % bytes.size() : bytes.size() - 1 - rng() % std::min<size_t>(600, bytes.size());
      bytes[at] = static_cast<char>(rng());
    }
    if (round % 10 == 0) bytes.resize(rng() % bytes.size());
    zip::TZipReader reader;
    reader.IncompleteZipMode = static_cast<zip::TIncompleteZipMode>(round % 3);
    try {
      LoadArchive(reader, bytes);
      pf::TMemoryStream target;
      int count = reader.ExtractToStream(&target, "*");
      EXPECT_GE(count, 0);
      EXPECT_LE(count, reader.Count());
      ++counts;
    } catch (const pf::Exception&) {
      ++exceptions;
    }
  }
  pf::SetDialogs(nullptr);
  EXPECT_EQ(counts + exceptions, 1000);
  EXPECT_GT(exceptions, 0);
  EXPECT_GT(counts, 0);
}

}  // namespace
