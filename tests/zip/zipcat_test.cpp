// Black-box checks with Info-ZIP as the oracle: archives made by zip extract through zipcat (the application's
// road) exactly as unzip -p extracts them; and damaged archives end cleanly.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "platform/core/exceptions.h"
#include "platform/core/files.h"
#include "platform/core/services.h"
#include "platform/core/streams.h"
#include "tests/zip/reader_support.h"
#include "zip/zip_reader.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::string;

Bytes Shell(const std::string& command, int& status) {
  Bytes out;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return out;
  char buffer[65536];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  int rc = ::pclose(pipe);
  status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  return out;
}

std::string Quote(const std::string& s) { return "'" + s + "'"; }

class InfoZip : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::system("command -v zip >/dev/null && command -v unzip >/dev/null") != 0) GTEST_SKIP() << "no Info-ZIP";
    zipcat_ = (fs::read_symlink("/proc/self/exe").parent_path() / "zipcat").string();
    if (!fs::exists(zipcat_)) GTEST_SKIP() << "zipcat is not built";
    dir_ = fs::temp_directory_path() / ("zipcat-" + std::to_string(::getpid()));
    fs::create_directories(dir_ / "src/Fragen");
    std::mt19937 rng(5);
    std::string text;
    while (text.size() < 150000) text += "Frage " + std::to_string(rng() % 1000) + ": Welche Antenne? A B C D\r\n";
    Write("src/Fragen/TAfragen.txt", text);
    std::string random(70000, '\0');
    for (char& c : random) c = static_cast<char>(rng());
    Write("src/random.bin", random);
    Write("src/runs.bin", std::string(200000, 'x') + std::string(1000, 'y'));
    Write("src/empty.txt", "");
    Write("src/small.txt", "klein\n");
  }
  void TearDown() override {
    if (!dir_.empty()) fs::remove_all(dir_);
  }
  void Write(const std::string& name, const std::string& bytes) {
    std::ofstream(dir_ / name, std::ios::binary) << bytes;
  }
  std::string Zip(const std::string& name, const std::string& options) {
    std::string archive = (dir_ / name).string();
    int status = 0;
    Shell("cd " + Quote((dir_ / "src").string()) + " && zip -q " + options + " " + Quote(archive) + " -r . 2>&1",
          status);
    EXPECT_EQ(status, 0) << options;
    return archive;
  }
  std::vector<std::string> Entries(const std::string& archive) {
    int status = 0;
    std::istringstream list(Shell("unzip -Z1 " + Quote(archive), status));
    std::vector<std::string> names;
    for (std::string line; std::getline(list, line);)
      if (!line.empty() && line.back() != '/') names.push_back(line);
    return names;
  }
  void ExpectSameAsUnzip(const std::string& archive, const std::string& password = "") {
    std::vector<std::string> names = Entries(archive);
    EXPECT_GE(names.size(), 5u) << archive;
    for (const std::string& name : names) {
      int status = 0;
      Bytes expected = Shell(
          "unzip -p " + (password.empty() ? "" : "-P " + password + " ") + Quote(archive) + " " + Quote(name), status);
      ASSERT_EQ(status, 0) << name;
      Bytes ours = Shell(Quote(zipcat_) + (password.empty() ? "" : " --password " + password) + " " + Quote(archive) +
                             " " + Quote(name),
                         status);
      EXPECT_EQ(status, 0) << archive << ": " << name;
      EXPECT_TRUE(ours == expected) << archive << ": " << name << " (" << ours.size() << " vs " << expected.size()
                                    << ")";
    }
  }
  std::string zipcat_;
  fs::path dir_;
};

TEST_F(InfoZip, ZipcatEqualsUnzipForEveryWayOfWriting) {
  ExpectSameAsUnzip(Zip("default.zip", ""));
  ExpectSameAsUnzip(Zip("plain.zip", "-X"));
  ExpectSameAsUnzip(Zip("stored.zip", "-0"));
  ExpectSameAsUnzip(Zip("best.zip", "-9"));
  // Written to a pipe: sizes and CRC follow the data in descriptors.
  std::string piped = (dir_ / "piped.zip").string();
  int status = 0;
  Shell("cd " + Quote((dir_ / "src").string()) + " && zip -q -r - . | cat > " + Quote(piped), status);
  ASSERT_EQ(status, 0);
  Bytes listing = Shell(Quote(zipcat_) + " --list " + Quote(piped), status);
  EXPECT_EQ(status, 0);
  EXPECT_NE(listing.find("Fragen\\TAfragen.txt\t"), std::string::npos);
  ExpectSameAsUnzip(piped);

  // Without its directory the archive is rebuilt from the local headers, the sizes taken from the descriptors.
  zip::TZipReader reader;
  auto stream = std::make_unique<pf::TMemoryStream>();
  stream->LoadFromFile(piped);
  reader.SetSourceStream(std::move(stream));
  reader.ReadDirectory();
  ASSERT_GT(reader.Count(), 0);
  EXPECT_TRUE(reader.Items(0).HasDataDescriptor());
  const std::string bytes = pf::ReadFileBytes(piped);
  zip::TZipReader rebuilt;
  rebuilt.IncompleteZipMode = zip::izAssumeBad;
  auto source = std::make_unique<pf::TMemoryStream>();
  source->WriteBuffer(bytes.data(), static_cast<int32_t>(bytes.find("PK\x01\x02")));
  rebuilt.SetSourceStream(std::move(source));
  rebuilt.ReadDirectory();
  pf::TMemoryStream text;
  EXPECT_EQ(rebuilt.ExtractToStream(&text, "fragen/tafragen.txt"), 1);
  EXPECT_EQ(ziptest::Contents(text), pf::ReadFileBytes((dir_ / "src/Fragen/TAfragen.txt").string()));
}

TEST_F(InfoZip, EncryptedArchives) {
  std::string archive = Zip("secret.zip", "-P secret");
  ExpectSameAsUnzip(archive, "secret");
  // Through a pipe the check byte is the time's high byte (sizes and CRC come after the data).
  std::string piped = (dir_ / "piped-secret.zip").string();
  int pipeStatus = 0;
  Shell("cd " + Quote((dir_ / "src").string()) + " && zip -q -P secret -r - . | cat > " + Quote(piped), pipeStatus);
  ExpectSameAsUnzip(piped, "secret");
  int status = 0;
  Bytes out = Shell(Quote(zipcat_) + " --password wrong " + Quote(archive) + " small.txt", status);
  EXPECT_EQ(status, 1);
  EXPECT_TRUE(out.empty());
  // The event may offer another password; the entry is then tried again.
  zip::TZipReader reader;
  auto stream = std::make_unique<pf::TMemoryStream>();
  stream->LoadFromFile(archive);
  reader.SetSourceStream(std::move(stream));
  reader.ReadDirectory();
  reader.Password = "wrong";
  int asked = 0;
  reader.OnBadPassword = [&](zip::TZipReader&, int, std::string& password) {
    ++asked;
    password = "secret";
  };
  pf::TMemoryStream target;
  EXPECT_EQ(reader.ExtractToStream(&target, "small.txt"), 1);
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(ziptest::Contents(target), "klein\n");
}

TEST_F(InfoZip, MutatedArchivesEndWithACountOrAnException) {
  std::string archive = Zip("mutate.zip", "-9");
  const std::string original = pf::ReadFileBytes(archive);
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
      auto stream = std::make_unique<pf::TMemoryStream>();
      stream->WriteBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
      reader.SetSourceStream(std::move(stream));
      reader.ReadDirectory();
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
