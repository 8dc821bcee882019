#include "platform/core/files.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <ctime>
#include <fstream>
#include <optional>

#include "platform/core/exceptions.h"
#include "platform/core/strings.h"
#include "tests/platform/core/test_helpers.h"

namespace {

using namespace pf;
using namespace pf::literals;
using pf::test::MessageOf;
using Files = pf::test::TempDirTest;
using V = std::vector<std::string>;

void WriteText(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

TEST_F(Files, ResolvePathMatchesEachComponentWithoutRegardToCase) {
  ASSERT_TRUE(ForceDirectories(Path("html/Sub")));
  WriteText(Path("html/KlasseA.html"), "A");
  WriteText(Path("html/Sub/Prüfung.txt"_l1), "P");
  EXPECT_EQ(ResolvePath(Path("html/klassea.html")), Path("html/KlasseA.html"));
  EXPECT_EQ(ResolvePath(Path("Html/sub/PRÜFUNG.TXT"_l1)), Path("html/Sub/Prüfung.txt"_l1));  // Latin-1 names
  EXPECT_EQ(ResolvePath(Path("html/./SUB/../klassea.html")), Path("html/./Sub/../KlasseA.html"));
  EXPECT_EQ(ResolvePath(Path("html/SUB/")), Path("html/Sub/"));
  EXPECT_EQ(ResolvePath(Path("nope/klassea.html")), Path("nope/klassea.html"));  // no match: unchanged
  EXPECT_TRUE(FileExists(Path("HTML/klassea.HTML")));
  EXPECT_FALSE(FileExists(Path("html/sub")));  // a folder is no file
  EXPECT_TRUE(DirectoryExists(Path("HTML/SUB")));
  EXPECT_EQ(FileSize(Path("html/KLASSEA.html")), 1);
  EXPECT_EQ(FileSize(Path("html/missing")), -1);
  EXPECT_EQ(ReadFileBytes(Path("HTML/KLASSEA.HTML")), "A");
}

TEST(PathNames, SplitJoinAndNormalise) {
  EXPECT_EQ(ExtractFilePath("dir/sub/name.ext"), "dir/sub/");
  EXPECT_EQ(ExtractFileDir("dir/sub/name.ext"), "dir/sub");
  EXPECT_EQ(ExtractFileDir("/name"), "/");
  EXPECT_EQ(ExtractFileExt("dir/name.tar.gz"), ".gz");
  EXPECT_EQ(ExtractFileExt("dir.d/name"), "");
  EXPECT_EQ(ChangeFileExt("a.d/name", ".bak"), "a.d/name.bak");
  EXPECT_EQ(ExcludeTrailingPathDelimiter("dir//"), "dir");
  EXPECT_EQ(ExcludeTrailingPathDelimiter("/"), "/");
  EXPECT_EQ(PathJoin("a/", "/b"), "a/b");
  EXPECT_EQ(PathJoin("a", "Fragen\\QX7RTZ\\x.pdf"), "a/Fragen/QX7RTZ/x.pdf");
  EXPECT_EQ(ExpandFileName("/a/./b/../c//d/"), "/a/c/d/");
  EXPECT_EQ(ExpandFileName("/a/../../b"), "/b");
  EXPECT_EQ(ExpandFileName("x/../y"), std::filesystem::current_path().string() + "/y");
}

TEST_F(Files, FoldersRenamesAndDeletes) {
  EXPECT_FALSE(CreateDir(Path("a/b")));  // one level only
  EXPECT_TRUE(CreateDir(Path("a")));
  EXPECT_FALSE(CreateDir(Path("a")));  // exists already
  EXPECT_TRUE(ForceDirectories(Path("a/b/c/")));
  WriteText(Path("a/file"), "x");
  EXPECT_FALSE(ForceDirectories(Path("a/file/d")));
  EXPECT_FALSE(RemoveDir(Path("a/b")));  // not empty
  WriteText(Path("new"), "replaced");
  EXPECT_TRUE(RenameFile(Path("a/file"), Path("new")));
  EXPECT_EQ(ReadFileBytes(Path("new")), "x");
  EXPECT_TRUE(DeleteFile(Path("new")));
  EXPECT_FALSE(DeleteFile(Path("new")));
  EXPECT_FALSE(DeleteFile(Path("a")));  // folders are not deleted as files
}

TEST_F(Files, DosDatesAndAttributes) {
  std::string file = Path("f.txt");
  WriteText(file, "x");
  int32_t dos = (44 << 25) | (3 << 21) | (15 << 16) | (13 << 11) | (45 << 5) | 15;  // 2024-03-15 13:45:30
  EXPECT_EQ(FileSetDate(Path("F.TXT"), dos), 0);
  EXPECT_EQ(FileAge(file), dos);
  std::tm local{};
  local.tm_year = 124, local.tm_mon = 2, local.tm_mday = 15, local.tm_hour = 13, local.tm_min = 45, local.tm_sec = 30;
  local.tm_isdst = -1;
  struct stat info {};
  ASSERT_EQ(::stat(file.c_str(), &info), 0);
  EXPECT_EQ(info.st_mtime, std::mktime(&local));                              // local time
  EXPECT_EQ(FileSetDate(file, (44 << 25) | (2 << 21) | (30 << 16)), EINVAL);  // 30 February
  EXPECT_NE(FileSetDate(Path("missing"), dos), 0);
  EXPECT_EQ(FileAge(Path("missing")), -1);
  struct timespec old[2] = {{0, UTIME_OMIT}, {86400 * 365, 0}};  // 1971
  ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), old, 0), 0);
  EXPECT_EQ(FileAge(file), (1 << 21) | (1 << 16));  // clamped to 1980-01-01

  EXPECT_EQ(FileSetAttr(file, faReadOnly), 0);
  ASSERT_EQ(::stat(file.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0222, 0u);
  EXPECT_EQ(FileGetAttr(file), faReadOnly);
  EXPECT_EQ(FileSetAttr(file, 0), 0);
  EXPECT_EQ(FileGetAttr(file), 0);
  EXPECT_EQ(FileGetAttr(dir_), faDirectory);
  EXPECT_EQ(FileGetAttr(Path("missing")), -1);
}

TEST_F(Files, ListFilesMatchesMasksWithoutRegardToCase) {
  for (const char* name : {"b.qlt", "A.QLT", "c.qlt.bak", "notes.txt", "x1.qlt"}) WriteText(Path(name), "");
  ASSERT_TRUE(CreateDir(Path("dir.qlt")));
  EXPECT_EQ(ListFiles(dir_, "*.qlt"), (V{"A.QLT", "b.qlt", "x1.qlt"}));
  EXPECT_EQ(ListFiles(dir_, "?.Q*"), (V{"A.QLT", "b.qlt", "c.qlt.bak"}));
  EXPECT_EQ(ListFiles(dir_, "*t*.*t"), V{"notes.txt"});
  EXPECT_EQ(ListFiles(dir_, "*").size(), 5u);
  EXPECT_TRUE(ListFiles(Path("missing"), "*").empty());
}

TEST_F(Files, AtomicWriteReplacesOrLeavesTheOldFile) {
  std::string file = Path("Pexu.ini");
  WriteText(file, "old contents");
  ::chmod(file.c_str(), 0640);
  AtomicWriteFile(file, std::string("new\0bytes", 9));
  EXPECT_EQ(ReadFileBytes(file), std::string("new\0bytes", 9));
  struct stat info {};
  ASSERT_EQ(::stat(file.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0640u);  // the permissions survive the replacement

  // A write that fails half-way (the file size limit binds root too) leaves the old file and no temporary.
  struct rlimit saved {};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = saved;
  small.rlim_cur = 4096;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  std::string message = MessageOf<EFCreateError>([&] { AtomicWriteFile(file, std::string(100000, 'x')); });
  ::setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, oldHandler);
  EXPECT_EQ(message, "Cannot create file \"" + file + "\"");
  EXPECT_EQ(ReadFileBytes(file), std::string("new\0bytes", 9));
  EXPECT_EQ(ListFiles(dir_, "*"), V{"Pexu.ini"});

  // A symbolic link stays a link; the file it points to gets the new bytes.
  ASSERT_EQ(::symlink("Pexu.ini", Path("link.ini").c_str()), 0);
  AtomicWriteFile(Path("link.ini"), "through the link");
  ASSERT_EQ(::lstat(Path("link.ini").c_str(), &info), 0);
  EXPECT_TRUE(S_ISLNK(info.st_mode));
  EXPECT_EQ(ReadFileBytes(file), "through the link");

  // A read-only file is not replaced behind its protection.
  ASSERT_EQ(FileSetAttr(file, faReadOnly), 0);
  EXPECT_THROW(AtomicWriteFile(file, "x"), EFCreateError);
  EXPECT_EQ(ReadFileBytes(file), "through the link");
  EXPECT_EQ(ListFiles(dir_, "*"), (V{"link.ini", "Pexu.ini"}));  // no temporary left behind

  EXPECT_THROW(AtomicWriteFile(Path("Pexu.ini/inner"), "x"), EFCreateError);  // its folder is a file
  EXPECT_THROW(AtomicWriteFile(dir_, "x"), EFCreateError);                    // a folder is not replaced

  // A new file, and a file made writable again, follow the process's creation mask (which stays as it was).
  mode_t savedMask = ::umask(027);
  AtomicWriteFile(Path("new.txt"), "x");
  ASSERT_EQ(FileSetAttr(Path("new.txt"), faReadOnly), 0);
  ASSERT_EQ(FileSetAttr(Path("new.txt"), 0), 0);
  mode_t maskAfter = ::umask(savedMask);
  ASSERT_EQ(::stat(Path("new.txt").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0640u);
  EXPECT_EQ(maskAfter, 027u);
}

TEST(Environment, ProgramDirAndUserProfile) {
  EXPECT_TRUE(FileExists(ProgramDir() + "core_tests"));

  auto keep = [](const char* name) -> std::optional<std::string> {
    const char* v = std::getenv(name);
    return v ? std::optional<std::string>(v) : std::nullopt;
  };
  std::optional<std::string> profile = keep("USERPROFILE"), home = keep("HOME");
  ::setenv("USERPROFILE", "/profile", 1);
  ::setenv("HOME", "/home/someone", 1);
  EXPECT_EQ(GetEnvVar("USERPROFILE"), "/profile");
  ::unsetenv("USERPROFILE");
  EXPECT_EQ(GetEnvVar("USERPROFILE"), "/home/someone");
  ::unsetenv("HOME");
  struct passwd* entry = ::getpwuid(::getuid());
  EXPECT_EQ(GetEnvVar("USERPROFILE"), entry && entry->pw_dir ? entry->pw_dir : "");
  EXPECT_EQ(GetEnvVar("PEXU_SURELY_UNSET_VARIABLE"), "");
  for (auto [name, value] : {std::pair{"USERPROFILE", profile}, std::pair{"HOME", home}}) {
    value ? ::setenv(name, value->c_str(), 1) : ::unsetenv(name);
  }
}

}  // namespace
