#include "platform/core/files.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <optional>

#include "platform/core/exceptions.h"
#include "platform/core/strings.h"

namespace {

using namespace pf;
using namespace pf::literals;

void WriteText(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

class FilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char templ[] = "/tmp/pexu-files-XXXXXX";
    dir_ = ::mkdtemp(templ);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string Path(std::string_view name) const { return dir_ + "/" + std::string(name); }
  std::string dir_;
};

TEST_F(FilesTest, ResolvePathMatchesEachComponentWithoutRegardToCase) {
  ASSERT_TRUE(ForceDirectories(Path("html/Sub")));
  WriteText(Path("html/KlasseA.html"), "A");
  std::string latin1Name = std::string("Pr"_l1) + std::string("\xFC") + "fung.txt";  // "Prüfung.txt" in Latin-1
  WriteText(Path("html/Sub/" + latin1Name), "P");

  EXPECT_EQ(ResolvePath(Path("html/klassea.html")), Path("html/KlasseA.html"));
  EXPECT_EQ(ResolvePath(Path("HTML/KLASSEA.HTML")), Path("html/KlasseA.html"));
  EXPECT_EQ(ResolvePath(Path("Html/sub/PR\xDC"
                             "FUNG.TXT")),
            Path("html/Sub/" + latin1Name));
  EXPECT_EQ(ResolvePath(Path("html/./SUB/../klassea.html")), Path("html/./Sub/../KlasseA.html"));
  EXPECT_EQ(ResolvePath(Path("html/SUB/")), Path("html/Sub/"));
  // Exact paths and paths with no match come back unchanged.
  EXPECT_EQ(ResolvePath(Path("html/KlasseA.html")), Path("html/KlasseA.html"));
  EXPECT_EQ(ResolvePath(Path("html/KlasseB.html")), Path("html/KlasseB.html"));
  EXPECT_EQ(ResolvePath(Path("nope/klassea.html")), Path("nope/klassea.html"));

  EXPECT_TRUE(FileExists(Path("HTML/klassea.HTML")));
  EXPECT_FALSE(FileExists(Path("html/sub")));  // a folder is no file
  EXPECT_TRUE(DirectoryExists(Path("HTML/SUB")));
  EXPECT_FALSE(DirectoryExists(Path("html/klassea.html")));
  EXPECT_EQ(FileSize(Path("html/KLASSEA.html")), 1);
  EXPECT_EQ(FileSize(Path("html/missing")), -1);
  EXPECT_EQ(ReadFileBytes(Path("HTML/KLASSEA.HTML")), "A");
}

TEST(PathNames, SplitJoinAndNormalise) {
  EXPECT_EQ(ExtractFileName("dir/sub/name.ext"), "name.ext");
  EXPECT_EQ(ExtractFilePath("dir/sub/name.ext"), "dir/sub/");
  EXPECT_EQ(ExtractFileDir("dir/sub/name.ext"), "dir/sub");
  EXPECT_EQ(ExtractFileDir("/name"), "/");
  EXPECT_EQ(ExtractFileDir("name"), "");
  EXPECT_EQ(ExtractFileExt("dir/name.tar.gz"), ".gz");
  EXPECT_EQ(ExtractFileExt("dir.d/name"), "");
  EXPECT_EQ(ChangeFileExt("a.d/name.qlt", ".bak"), "a.d/name.bak");
  EXPECT_EQ(ChangeFileExt("a.d/name", ".bak"), "a.d/name.bak");
  EXPECT_EQ(IncludeTrailingPathDelimiter("dir"), "dir/");
  EXPECT_EQ(IncludeTrailingPathDelimiter("dir/"), "dir/");
  EXPECT_EQ(ExcludeTrailingPathDelimiter("dir//"), "dir");
  EXPECT_EQ(ExcludeTrailingPathDelimiter("/"), "/");
  EXPECT_EQ(PathJoin("a/", "/b"), "a/b");
  EXPECT_EQ(PathJoin("a", "Fragen\\QX7RTZ\\x.pdf"), "a/Fragen/QX7RTZ/x.pdf");
  EXPECT_EQ(PathJoin("/", "etc"), "/etc");
  EXPECT_EQ(ExpandFileName("/a/./b/../c//d/"), "/a/c/d/");
  EXPECT_EQ(ExpandFileName("/a/../../b"), "/b");
  std::string cwd = std::filesystem::current_path().string();
  EXPECT_EQ(ExpandFileName("x/../y"), cwd + "/y");
}

TEST_F(FilesTest, FoldersFilesAndRenames) {
  EXPECT_FALSE(CreateDir(Path("a/b")));  // one level only
  EXPECT_TRUE(CreateDir(Path("a")));
  EXPECT_FALSE(CreateDir(Path("a")));  // exists already
  EXPECT_TRUE(ForceDirectories(Path("a/b/c/")));
  EXPECT_TRUE(ForceDirectories(Path("a/b/c")));
  WriteText(Path("a/file"), "x");
  EXPECT_FALSE(ForceDirectories(Path("a/file/d")));
  EXPECT_FALSE(RemoveDir(Path("a/b")));  // not empty
  EXPECT_TRUE(RemoveDir(Path("a/b/c")));

  WriteText(Path("old"), "old");
  WriteText(Path("new"), "replaced");
  EXPECT_TRUE(RenameFile(Path("old"), Path("new")));
  EXPECT_EQ(ReadFileBytes(Path("new")), "old");
  EXPECT_FALSE(RenameFile(Path("old"), Path("other")));
  EXPECT_TRUE(DeleteFile(Path("new")));
  EXPECT_FALSE(DeleteFile(Path("new")));
  EXPECT_FALSE(DeleteFile(Path("a")));  // folders are not deleted as files
}

TEST_F(FilesTest, DosDatesAndAttributes) {
  std::string file = Path("f.txt");
  WriteText(file, "x");
  // 2024-03-15 13:45:30 local time.
  int32_t dos = (44 << 25) | (3 << 21) | (15 << 16) | (13 << 11) | (45 << 5) | 15;
  EXPECT_EQ(FileSetDate(Path("F.TXT"), dos), 0);
  EXPECT_EQ(FileAge(file), dos);
  std::tm local{};
  local.tm_year = 124, local.tm_mon = 2, local.tm_mday = 15, local.tm_hour = 13, local.tm_min = 45, local.tm_sec = 30;
  local.tm_isdst = -1;
  struct stat info {};
  ASSERT_EQ(::stat(file.c_str(), &info), 0);
  EXPECT_EQ(info.st_mtime, std::mktime(&local));

  EXPECT_EQ(FileAge(Path("missing")), -1);
  EXPECT_NE(FileSetDate(Path("missing"), dos), 0);
  EXPECT_EQ(FileSetDate(file, (44 << 25) | (13 << 21) | (1 << 16)), EINVAL);  // month 13
  EXPECT_EQ(FileSetDate(file, (44 << 25) | (2 << 21) | (30 << 16)), EINVAL);  // 30 February
  EXPECT_EQ(FileAge(file), dos);
  struct timespec old[2] = {{0, UTIME_OMIT}, {86400 * 365, 0}};  // 1971: before DOS dates begin
  ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), old, 0), 0);
  EXPECT_EQ(FileAge(file), (1 << 21) | (1 << 16));  // clamped to 1980-01-01

  EXPECT_EQ(FileGetAttr(file) & faReadOnly, 0);
  EXPECT_EQ(FileSetAttr(file, faReadOnly), 0);
  ASSERT_EQ(::stat(file.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0222, 0u);
  EXPECT_EQ(FileGetAttr(file), faReadOnly);
  EXPECT_EQ(FileSetAttr(file, 0), 0);
  ASSERT_EQ(::stat(file.c_str(), &info), 0);
  EXPECT_NE(info.st_mode & 0200, 0u);
  EXPECT_EQ(FileGetAttr(file), 0);
  EXPECT_EQ(FileGetAttr(dir_) & faDirectory, faDirectory);
  EXPECT_EQ(FileGetAttr(Path("missing")), -1);
}

TEST_F(FilesTest, ListFilesFiltersAndSorts) {
  for (const char* name : {"b.qlt", "A.QLT", "c.qlt.bak", "notes.txt", "x1.qlt"}) WriteText(Path(name), "");
  ASSERT_TRUE(CreateDir(Path("dir.qlt")));
  EXPECT_EQ(ListFiles(dir_, "*.qlt"), (std::vector<std::string>{"A.QLT", "b.qlt", "x1.qlt"}));
  EXPECT_EQ(ListFiles(dir_, "?.Q*"), (std::vector<std::string>{"A.QLT", "b.qlt", "c.qlt.bak"}));
  EXPECT_EQ(ListFiles(dir_, "*").size(), 5u);
  EXPECT_EQ(ListFiles(dir_, "*t*.*t"), std::vector<std::string>{"notes.txt"});
  EXPECT_EQ(ListFiles(dir_, "*L*t"), (std::vector<std::string>{"A.QLT", "b.qlt", "x1.qlt"}));
  EXPECT_TRUE(ListFiles(Path("missing"), "*").empty());
}

TEST_F(FilesTest, AtomicWriteReplacesOrLeavesTheOldFile) {
  std::string file = Path("Pexu.ini");
  AtomicWriteFile(file, "first");
  WriteText(file, "old contents");
  ::chmod(file.c_str(), 0640);
  AtomicWriteFile(file, std::string("new\0bytes", 9));
  EXPECT_EQ(ReadFileBytes(file), std::string("new\0bytes", 9));
  struct stat info {};
  ASSERT_EQ(::stat(file.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0640u);  // the permissions survive the replacement

  // A write that fails half-way (file size limit, which binds root too) leaves the old file and no temporary.
  struct rlimit saved {};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = saved;
  small.rlim_cur = 4096;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  std::optional<std::string> message;
  try {
    AtomicWriteFile(file, std::string(100000, 'x'));
  } catch (const EFCreateError& e) {
    message = e.Message();
  }
  ::setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, oldHandler);
  EXPECT_EQ(message, "Cannot create file \"" + file + "\"");
  EXPECT_EQ(ReadFileBytes(file), std::string("new\0bytes", 9));
  EXPECT_EQ(ListFiles(dir_, "*"), std::vector<std::string>{"Pexu.ini"});

  // A folder that cannot exist (its parent is a file).
  EXPECT_THROW(AtomicWriteFile(Path("Pexu.ini/inner"), "x"), EFCreateError);
  EXPECT_THROW(AtomicWriteFile(dir_, "x"), EFCreateError);  // a folder is not replaced
  try {
    ReadFileBytes(Path("missing"));
    FAIL() << "no exception";
  } catch (const EFOpenError& e) {
    EXPECT_EQ(e.Message(), "Cannot open file \"" + Path("missing") + "\"");
  }
}

TEST(Environment, ProgramDirAndUserProfile) {
  std::string dir = ProgramDir();
  ASSERT_FALSE(dir.empty());
  EXPECT_EQ(dir.back(), '/');
  EXPECT_TRUE(FileExists(dir + "core_tests"));

  auto keep = [](const char* name) -> std::optional<std::string> {
    const char* v = std::getenv(name);
    return v ? std::optional<std::string>(v) : std::nullopt;
  };
  auto restore = [](const char* name, const std::optional<std::string>& v) {
    v ? ::setenv(name, v->c_str(), 1) : ::unsetenv(name);
  };
  std::optional<std::string> profile = keep("USERPROFILE"), home = keep("HOME");
  ::setenv("USERPROFILE", "/profile", 1);
  ::setenv("HOME", "/home/someone", 1);
  EXPECT_EQ(GetEnvVar("USERPROFILE"), "/profile");
  ::unsetenv("USERPROFILE");
  EXPECT_EQ(GetEnvVar("USERPROFILE"), "/home/someone");
  EXPECT_EQ(GetEnvVar("HOME"), "/home/someone");
  ::unsetenv("HOME");
  struct passwd* entry = ::getpwuid(::getuid());
  EXPECT_EQ(GetEnvVar("USERPROFILE"), entry && entry->pw_dir ? entry->pw_dir : "");
  EXPECT_EQ(GetEnvVar("PEXU_SURELY_UNSET_VARIABLE"), "");
  restore("USERPROFILE", profile);
  restore("HOME", home);
}

}  // namespace
