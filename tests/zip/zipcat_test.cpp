// Black-box checks with Info-ZIP as the oracle: archives made by zip extract through zipcat (the application's
// road) exactly as unzip -p extracts them; damaged archives end cleanly; a bomb ends at the memory limit.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "platform/core/exceptions.h"
#include "platform/core/files.h"
#include "platform/core/services.h"
#include "platform/core/strings.h"
#include "tests/zip/support.h"
#include "tests/zip/zip_writer.h"

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
  // zip marks encrypted entries as followed by a descriptor: the check byte is the time's high byte.
  std::string archive = Zip("secret.zip", "-P secret");
  ExpectSameAsUnzip(archive, "secret");
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

// The reader's own exceptions: what a damaged archive may end with.
bool IsReadersOwn(const pf::Exception& e) {
  return dynamic_cast<const zip::EBadZipFile*>(&e) || dynamic_cast<const zip::EIncompleteZip*>(&e) ||
         dynamic_cast<const zip::ENotAZipFile*>(&e) || dynamic_cast<const zip::EFatalUnzipError*>(&e) ||
         dynamic_cast<const zip::EBiggerThanUncompressed*>(&e) || dynamic_cast<const zip::EMemoryLimitExceeded*>(&e);
}

// Damaged archives: an entry that counts as extracted has its original bytes, and every failure is one of the
// reader's exceptions (no other exception, no wrong bytes reported as success).
TEST_F(InfoZip, MutatedArchivesGiveTheRightBytesOrTheReadersException) {
  const std::string original = pf::ReadFileBytes(Zip("mutate.zip", "-9"));
  std::vector<std::pair<std::string, std::string>> files;
  for (const char* name : {"Fragen/TAfragen.txt", "random.bin", "runs.bin", "empty.txt", "small.txt"})
    files.emplace_back(name, pf::ReadFileBytes(dir_ / ("src/" + std::string(name))));
  pf::RecordingDialogService dialogs;
  pf::SetDialogs(&dialogs);
  auto guarded = [](auto&& action) {
    try {
      action();
      return true;
    } catch (const pf::Exception& e) {
      EXPECT_TRUE(IsReadersOwn(e)) << e.Message();
      return false;
    }
  };
  std::mt19937 rng(17);
  int extracted = 0, refused = 0;
  for (int round = 0; round < 400; ++round) {
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
    if (!guarded([&] { LoadArchive(reader, bytes); })) continue;
    for (const auto& [name, content] : files) {
      guarded([&] {
        pf::TMemoryStream target;
        if (reader.ExtractToStream(&target, name) != 1) return ++refused;
        EXPECT_TRUE(Contents(target) == content) << "round " << round << ": " << name;
        return ++extracted;
      });
    }
  }
  pf::SetDialogs(nullptr);
  EXPECT_GT(extracted, 0);
  EXPECT_GT(refused, 0);
}

// A bomb: 1 MB of Deflate data (a zero, then copies of 258 bytes from distance 1) that inflates to 166 MB, in an
// entry claiming 4 GB. The application's road (zipcat, with the component's default limit) ends with the limit's
// message and keeps the process small.
TEST(Zipcat, ABombEndsAtTheMemoryLimitInLittleMemory) {
  const std::string zipcat = (fs::read_symlink("/proc/self/exe").parent_path() / "zipcat").string();
  if (!fs::exists(zipcat)) GTEST_SKIP() << "zipcat is not built";
  BitWriter w;
  w.Put(0b011, 3);     // the last block, fixed Huffman codes
  w.PutCode(0x30, 8);  // literal 0
  for (int i = 0; i < 645000; ++i) {
    w.PutCode(0xC5, 8);  // length 258
    w.PutCode(0, 5);     // distance 1
  }
  w.PutCode(0, 7);  // end of block
  TestEntry bomb = MakeEntry("bomb.txt", {}, 8);
  bomb.packed = w.Finish();
  bomb.uncompressedDelta = 0xFFFFFFFF;
  ScratchDir dir;
  WriteFile(dir / "bomb.zip", ZipOf({bomb}));
  ASSERT_LT(fs::file_size(dir.path / "bomb.zip"), 1100000u);
  // GNU time measures the peak memory of zipcat alone (a child inherits the peak of the process it was forked from).
  int status = 0;
  Shell("/usr/bin/time -q -o " + Quote(dir / "peak") + " -f %M " + Quote(zipcat) + " " + Quote(dir / "bomb.zip") +
            " bomb.txt >/dev/null 2>" + Quote(dir / "errors"),
        status);
  EXPECT_EQ(status, 2);
  EXPECT_EQ(pf::ReadFileBytes(dir / "errors"),
            pf::Format(std::string(zip::kMsgMemoryLimit) + "\n", {zip::TZipReader::kDefaultMemoryLimit}));
  const long peakKb = std::stol(pf::ReadFileBytes(dir / "peak"));
  EXPECT_LT(peakKb, 200 * 1024);
}

}  // namespace
