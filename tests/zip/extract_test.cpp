// The extraction run through the component: the application's road, the file road, passwords, failures, and the
// buffered streams and helpers under them.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "platform/core/exceptions.h"
#include "platform/core/files.h"
#include "platform/core/services.h"
#include "platform/core/streams.h"
#include "tests/zip/support.h"
#include "tests/zip/zip_writer.h"
#include "zip/bufstream.h"
#include "zip/ziputils.h"

namespace {

namespace fs = std::filesystem;
using namespace ziptest;

// Archive order (zeta, two, sub\mid, alpha) differs from name order.
TestArchive Texts() {
  TestArchive a;
  a.entries = {MakeEntry("zeta.txt", ToBytes("zeta\n"), 8), MakeEntry("two.dat", ToBytes("binary")),
               MakeEntry("sub/mid.txt", ToBytes("mid\n")), MakeEntry("alpha.txt", ToBytes("alpha\n"), 8)};
  return a;
}

TEST(Extract, PatternsSelectInViewOrderIntoOneStream) {
  zip::TZipReader reader;
  LoadArchive(reader, BuildZip(Texts()));
  pf::TMemoryStream out;
  EXPECT_EQ(reader.ExtractToStream(&out, "*.TXT"), 3);  // the limit counts each entry, not the stream position
  EXPECT_EQ(Contents(out), "zeta\nmid\nalpha\n");
  reader.SetSortMode(zip::ByName);
  pf::TMemoryStream sorted;
  EXPECT_EQ(reader.ExtractToStream(&sorted, "*.txt"), 3);
  EXPECT_EQ(Contents(sorted), "alpha\nmid\nzeta\n");
  pf::TMemoryStream none;
  EXPECT_EQ(reader.ExtractToStream(&none, "missing.txt"), 0);
  EXPECT_EQ(reader.ExtractToStream(&none, "   "), 0);
  EXPECT_EQ(reader.ExtractToStream(nullptr, "zeta.txt"), 0);
  EXPECT_EQ(none.Size(), 0);
  // Two lines matching one entry extract it once.
  reader.FilesList().Clear();
  reader.FilesList().Add("zeta.*");
  reader.FilesList().Add("*.txt");
  pf::TMemoryStream twice;
  EXPECT_EQ(reader.ExtractMatchingEntries(&twice), 3);
  EXPECT_EQ(Contents(twice), "alpha\nmid\nzeta\n");
}

// A missing or damaged local header fails its entry alone, as unzip does: the run goes on and counts the others.
TEST(Extract, ADamagedLocalHeaderFailsOnlyItsEntry) {
  const Bytes good = BuildZip(Texts());
  zip::TZipReader probe;
  LoadArchive(probe, good);
  Bytes badSignature = good, pastTheEnd = good;
  badSignature[probe.Items(1).RelativeOffset] = 'X';
  SetLE32(pastTheEnd, probe.Items(1).CentralOffset + 42, 0x7FFFFFF0);
  for (const Bytes& bytes : {badSignature, pastTheEnd}) {
    zip::TZipReader reader;
    LoadArchive(reader, bytes);
    std::vector<std::string> skipped;
    reader.OnSkippingFile = [&](zip::TZipReader& r, zip::TSkipReason reason, const std::string& name, int index,
                                bool&) {
      EXPECT_EQ(reason, zip::srBadLocalHeader);
      EXPECT_EQ(r.Items(index).FullName(), name);
      skipped.push_back(name);
    };
    pf::TMemoryStream out;
    EXPECT_EQ(reader.ExtractToStream(&out, "*"), 3);
    EXPECT_EQ(Contents(out), "zeta\nmid\nalpha\n");
    EXPECT_EQ(skipped, std::vector<std::string>{"two.dat"});
  }
}

// Folder entries take part only with RecreateDirs; then OnStartUnZip announces them (and may skip them), they count
// as extracted, but not among the files and bytes announced by OnStartUnZipInfo.
TEST(Extract, FolderEntriesAreAnnouncedButNotCountedAsFiles) {
  zip::TZipReader reader;
  LoadArchive(reader,
              ZipOf({MakeEntry("sub/", {}), MakeEntry("sub/a.txt", ToBytes("a")), MakeEntry("b.txt", ToBytes("bb"))}));
  struct Case {
    bool recreate;
    std::string skip;
    int count;
    std::vector<std::string> started;
  };
  const Case cases[] = {{true, "", 3, {"sub\\", "sub\\a.txt", "b.txt"}},
                        {true, "sub\\", 2, {"sub\\", "sub\\a.txt", "b.txt"}},
                        {false, "", 2, {"sub\\a.txt", "b.txt"}}};
  for (const Case& c : cases) {
    reader.RecreateDirs = c.recreate;
    int numFiles = -1;
    int64_t totalBytes = -1;
    reader.OnStartUnZipInfo = [&](zip::TZipReader&, int n, int64_t bytes, bool&) {
      numFiles = n;
      totalBytes = bytes;
    };
    std::vector<std::string> started;
    reader.OnStartUnZip = [&](zip::TZipReader&, int, std::string& name, bool& skip) {
      started.push_back(name);
      skip = name == c.skip;
    };
    pf::TMemoryStream out;
    EXPECT_EQ(reader.ExtractToStream(&out, "*"), c.count);
    EXPECT_EQ(Contents(out), "abb");
    EXPECT_EQ(numFiles, 2);
    EXPECT_EQ(totalBytes, 3);
    EXPECT_EQ(started, c.started);
  }
}

// A run holds at most MemoryLimit bytes in memory, whatever the entries claim: the caller's stream and the own
// buffer are limited (the failed entry leaves nothing), a caller's buffer handed on through the event is not
// (CallersBufferRoad).
TEST(Extract, TheMemoryLimitEndsARunWithItsMessage) {
  const Bytes data(60000, 'm');
  zip::TZipReader reader;
  LoadArchive(reader, ZipOf({MakeEntry("a.bin", data, 8), MakeEntry("b.bin", data, 8)}));
  reader.MemoryLimit = 100000;  // each entry fits, the two do not
  const std::string message = "The extracted data exceeds the memory limit of 100000 bytes";
  pf::TMemoryStream out;
  EXPECT_EQ(reader.ExtractToStream(&out, "a.bin"), 1);
  ExpectRaises<zip::EMemoryLimitExceeded>([&] { reader.ExtractToStream(&out, "*.bin"); }, message);
  EXPECT_EQ(out.Size(), 120000);
  ExpectRaises<zip::EMemoryLimitExceeded>([&] { reader.ExtractToBuffer(nullptr, 0, "*.bin"); }, message);
  EXPECT_EQ(reader.Buffer(), data);
}

// A damaged entry leaves the caller's stream as it was: a bad CRC fires its event once and the entry is not counted,
// an unknown method shows its message, the others raise. The component stays usable.
TEST(Extract, DamagedEntriesLeaveTheStreamAsItWas) {
  Bytes badCrc = ZipOf({MakeEntry("e", ToBytes("0123456789"))});
  badCrc[30 + 1 + 4] ^= 0x20;  // a byte of the stored data
  TestEntry big = MakeEntry("e", ToBytes("abcdef"), 8);
  big.uncompressedDelta = -1;  // stated smaller than it is
  Bytes cut = ZipOf({MakeEntry("e", Bytes(1000, 'b'))});
  SetLE32(cut, 18, 0x7FFF);  // local and central compressed sizes far beyond the stream
  SetLE32(cut, cut.size() - 22 - 46 - 1 + 20, 0x7FFF);
  // An end record that calls the stream the second volume of a set: no other volume exists, so an entry on the
  // first one is not in this archive, and one whose data runs past the stream is cut short. Nobody cancelled.
  Bytes second = ZipOf({MakeEntry("e", ToBytes("volume"))});
  const size_t end = second.size() - 22;
  second[end + 4] = second[end + 6] = 1;  // this disk, the directory's disk
  Bytes secondShort = second;
  secondShort[end - 47 + 34] = 1;                      // the entry starts on disk 1 too
  secondShort[end - 47 + 20] = secondShort[18] = 200;  // and is longer than the stream
  const std::string premature = "Premature end of file reached";
  const struct {
    const char* name;
    Bytes bytes;
    std::string outcome;  // the message raised or shown, or the CRC event
  } cases[] = {
      {"bad CRC", badCrc, "bad CRC"},
      {"larger than stated", ZipOf({big}), "File is larger than uncompressed size!"},
      {"data cut short", cut, premature},
      {"on another volume", second, "Not a valid zip file!"},
      {"past the volume", secondShort, premature},
      {"unknown method", ZipOf({MakeEntry("e", ToBytes("payload"), 99)}), "Unknown Compression Method"},
  };
  pf::RecordingDialogService dialogs;
  pf::SetDialogs(&dialogs);
  std::vector<std::string> reported;
  zip::TZipReader reader;
  reader.OnBadCRC = [&](zip::TZipReader&, uint32_t calc, uint32_t stored, int) {
    EXPECT_NE(calc, stored);
    EXPECT_EQ(stored, Crc32Of(ToBytes("0123456789")));
    reported.push_back("bad CRC");
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    LoadArchive(reader, c.bytes);
    ASSERT_EQ(reader.Count(), 1);
    dialogs.ClearCalls();
    reported.clear();
    pf::TMemoryStream out;
    out.WriteBuffer("kept", 4);
    try {
      EXPECT_EQ(reader.ExtractToStream(&out, "e"), 0);
      for (const auto& call : dialogs.Calls()) reported.push_back(call.text);
      EXPECT_EQ(reported, std::vector<std::string>{c.outcome});
    } catch (const pf::Exception& e) {
      EXPECT_EQ(e.Message(), c.outcome);
    }
    EXPECT_EQ(Contents(out), "kept");
  }
  pf::SetDialogs(nullptr);
  LoadArchive(reader, BuildZip(Texts()));
  pf::TMemoryStream again;
  EXPECT_EQ(reader.ExtractToStream(&again, "zeta.txt"), 1);
}

// On the file road a failed entry's file stays as written up to the failure (whole output windows of 32768 bytes);
// after a wrong CRC, or a wrong password that shows only in the CRC, it goes.
TEST(Extract, AFailedFileKeepsWhatWasWrittenUnlessItsCrcFailed) {
  Bytes data(100000);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 31 / 7);
  Bytes badCrc = ZipOf({MakeEntry("f.bin", data)});
  badCrc[30 + 5 + 50000] ^= 1;
  TestEntry stated = MakeEntry("f.bin", data);
  stated.uncompressedDelta = -60000;  // the second window is more than the stated 40000 bytes
  Bytes cut = ZipOf({MakeEntry("f.bin", data)});
  SetLE32(cut, 18, 200000);  // the stream ends inside the fourth input block
  SetLE32(cut, cut.size() - 22 - 46 - 5 + 20, 200000);
  TestEntry locked = MakeEntry("f.bin", data);
  locked.password = "pw";
  Bytes damaged = ZipOf({locked});
  damaged[30 + 5 + 12 + 70000] ^= 1;
  const struct {
    const char* name;
    Bytes bytes;
    std::string raised;
    size_t kept;  // bytes of the file afterwards; 0: no file
  } cases[] = {
      {"bad CRC", badCrc, "", 0},
      {"larger than stated", ZipOf({stated}), "File is larger than uncompressed size!", 32768},
      {"data cut short", cut, "Premature end of file reached", 3 * 32768},
      {"wrong password found by the CRC", damaged, "", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchDir dir;
    zip::TZipReader reader;
    LoadArchive(reader, c.bytes);
    reader.SetDestDir(dir.path.string());
    reader.Password = "pw";
    reader.DoAll = true;
    std::string raised;
    try {
      EXPECT_EQ(reader.ExtractMatchingEntries(nullptr), 0);
    } catch (const pf::Exception& e) {
      raised = e.Message();
    }
    EXPECT_EQ(raised, c.raised);
    EXPECT_EQ(fs::exists(dir.path / "f.bin"), c.kept > 0);
    if (c.kept > 0) {
      EXPECT_EQ(ReadFile(dir / "f.bin"), Bytes(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(c.kept)));
    }
  }
}

// Meant for a child process: extracts every entry of archive into destDir while files may grow to at most limit
// bytes, as on a full disk (the signal that would end the process is ignored, so writes beyond come back short),
// and ends the process with the outcome on standard error: the exception's message, the run's result (-1 when it
// raised) and the number of OnEndUnZip calls.
void ReportLimitedRun(const Bytes& archive, const std::string& destDir, rlim_t limit, bool flushFilesOnClose) {
  std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit saved {};
  ::getrlimit(RLIMIT_FSIZE, &saved);
  struct rlimit small = saved;
  small.rlim_cur = limit;
  ::setrlimit(RLIMIT_FSIZE, &small);
  std::string raised;
  int count = -1, ended = 0;
  try {
    zip::TZipReader reader;
    LoadArchive(reader, archive);
    reader.SetDestDir(destDir);
    reader.DoAll = true;
    reader.FlushFilesOnClose = flushFilesOnClose;
    reader.OnEndUnZip = [&ended](zip::TZipReader&, int, const std::string&) { ++ended; };
    count = reader.ExtractMatchingEntries(nullptr);
  } catch (const pf::Exception& e) {
    raised = e.Message();
  }
  ::setrlimit(RLIMIT_FSIZE, &saved);  // standard error is a file too
  std::fprintf(stderr, "raised: [%s] count: %d ended: %d\n", raised.c_str(), count, ended);
  std::_Exit(0);
}

// Every write of an entry's bytes counts, the last one at closing too: a file that the disk did not take whole is
// no extracted file, whether it is larger than the file buffer of 8192 bytes or smaller. It stays as written.
TEST(Extract, AShortWriteToTheFileFailsTheEntry) {
  Bytes data(10000);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 13 / 5);
  const Bytes small = ToBytes("nineteen bytes long");
  const char* failed = "raised: \\[Cant write uncompressed file\\] count: -1 ended: 0";
  const struct {
    Bytes data;
    rlim_t limit;
    const char* outcome;
  } cases[] = {{data, 8192, failed}, {small, 0, failed}, {small, 19, "raised: \\[\\] count: 1 ended: 1"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.limit);
    ScratchDir dir;
    const Bytes archive = ZipOf({MakeEntry("f.bin", c.data, 8)});
    EXPECT_EXIT(ReportLimitedRun(archive, dir.path.string(), c.limit, false), testing::ExitedWithCode(0), c.outcome);
    const size_t kept = std::min<size_t>(c.data.size(), c.limit);
    EXPECT_EQ(ReadFile(dir / "f.bin"), Bytes(c.data.begin(), c.data.begin() + static_cast<std::ptrdiff_t>(kept)));
  }
}

// With FlushFilesOnClose a file that cannot be flushed to disk (here a pipe) fails the entry instead of ending
// the program.
TEST(Extract, AFileThatCannotBeFlushedToDiskFailsTheEntry) {
  ScratchDir dir;
  ASSERT_EQ(::mkfifo((dir / "f.bin").c_str(), 0600), 0);
  const Bytes archive = ZipOf({MakeEntry("f.bin", ToBytes("into a pipe"))});
  EXPECT_EXIT(ReportLimitedRun(archive, dir.path.string(), RLIM_INFINITY, true), testing::ExitedWithCode(0),
              "raised: \\[Cant write uncompressed file\\] count: -1 ended: 0");
}

// On the file road an entry of an unknown method does not replace an existing file of that name, nor ask about it.
TEST(Extract, UnknownMethodLeavesAnExistingFile) {
  pf::RecordingDialogService dialogs;
  pf::SetDialogs(&dialogs);
  zip::TZipReader reader;
  LoadArchive(reader, ZipOf({MakeEntry("odd.bin", ToBytes("payload"), 99)}));
  ScratchDir dir;
  std::ofstream(dir.path / "odd.bin") << "mine";
  reader.SetDestDir(dir.path.string());
  reader.FilesList().Add("odd.bin");
  for (zip::TUZOverwriteMode mode : {zip::Always, zip::Prompt}) {
    reader.OverwriteMode = mode;
    EXPECT_EQ(reader.ExtractMatchingEntries(nullptr), 0);
    EXPECT_EQ(pf::ReadFileBytes(dir / "odd.bin"), "mine");
  }
  pf::SetDialogs(nullptr);
  ASSERT_EQ(dialogs.Calls().size(), 2u);
  for (const auto& call : dialogs.Calls())
    EXPECT_EQ(call.text + " / " + call.caption, "Unknown Compression Method / Zip Error");
}

TEST(Extract, FileRoadStaysInsideTheDestination) {
  ScratchDir dir;
  TestArchive a;
  a.entries = {MakeEntry("../evil.txt", ToBytes("evil")), MakeEntry("..\\evil2.txt", ToBytes("evil")),
               MakeEntry("/abs.txt", ToBytes("evil")), MakeEntry("sub/ok.txt", ToBytes("fine"), 8),
               MakeEntry("sub/deeper/", {})};
  a.entries[3].dosDateTime = 0x5A8C6000;  // 2025-04-12 12:00:00
  zip::TZipReader reader;
  LoadArchive(reader, BuildZip(a));
  reader.SetDestDir(dir / "dest" + "/");
  reader.RecreateDirs = true;
  reader.DoAll = true;
  std::vector<std::string> skipped;
  reader.OnSkippingFile = [&](zip::TZipReader&, zip::TSkipReason reason, const std::string& name, int, bool&) {
    EXPECT_EQ(reason, zip::srUnsafeName);
    skipped.push_back(name);
  };
  EXPECT_EQ(reader.ExtractMatchingEntries(nullptr), 2);  // the file and the folder entry
  EXPECT_EQ(skipped, (std::vector<std::string>{"..\\evil.txt", "..\\evil2.txt", "\\abs.txt"}));
  EXPECT_FALSE(fs::exists(dir.path / "evil.txt"));
  EXPECT_FALSE(fs::exists(dir.path / "evil2.txt"));
  EXPECT_FALSE(fs::exists("/abs.txt"));
  EXPECT_EQ(pf::ReadFileBytes(dir / "dest/sub/ok.txt"), "fine");
  EXPECT_TRUE(fs::is_directory(dir.path / "dest/sub/deeper"));
  EXPECT_EQ(pf::FileAge(dir / "dest/sub/ok.txt"), 0x5A8C6000);

  // RootDir comes off the stored folder of files and folder entries alike.
  reader.SetDestDir(dir / "rooted");
  reader.SetRootDir("SUB/");
  EXPECT_EQ(reader.RootDir(), "SUB\\");
  reader.DoAll = false;
  reader.FilesList().Add("sub\\*");
  EXPECT_EQ(reader.ExtractMatchingEntries(nullptr), 2);
  EXPECT_EQ(pf::ReadFileBytes(dir / "rooted/ok.txt"), "fine");
  EXPECT_TRUE(fs::is_directory(dir.path / "rooted/deeper"));
  EXPECT_FALSE(fs::exists(dir.path / "rooted/sub"));
}

// Each overwrite mode against an existing file a day older or newer than the entry; Prompt asks the event or,
// without one, the dialog. A file that stays is reported as skipped.
TEST(Extract, OverwriteModesDecideOnAnExistingFile) {
  constexpr int32_t kEntryDate = 0x5A8C6000, kDayBefore = 0x5A8B6000, kDayAfter = 0x5A8D6000;
  TestEntry entry = MakeEntry("f.txt", ToBytes("new"));
  entry.dosDateTime = kEntryDate;
  ScratchDir dir;
  zip::TZipReader reader;
  LoadArchive(reader, ZipOf({entry}));
  reader.SetDestDir(dir.path.string());
  reader.FilesList().Add("f.txt");
  int skipped = 0;
  reader.OnSkippingFile = [&](zip::TZipReader&, zip::TSkipReason reason, const std::string&, int, bool&) {
    EXPECT_EQ(reason, zip::srNoOverwrite);
    ++skipped;
  };
  pf::RecordingDialogService dialogs;
  pf::SetDialogs(&dialogs);
  enum Ask { kNone, kDialogYes, kDialogNo, kEventYes, kEventNo };
  struct Case {
    zip::TUZOverwriteMode mode;
    int32_t fileDate;
    Ask ask;
    bool replaced;
  };
  const Case cases[] = {{zip::Never, kDayBefore, kNone, false},      {zip::Always, kDayAfter, kNone, true},
                        {zip::Prompt, kDayBefore, kDialogYes, true}, {zip::Prompt, kDayBefore, kDialogNo, false},
                        {zip::Prompt, kDayAfter, kEventYes, true},   {zip::Prompt, kDayAfter, kEventNo, false},
                        {zip::ifNewer, kDayBefore, kNone, true},     {zip::ifNewer, kDayAfter, kNone, false},
                        {zip::ifOlder, kDayAfter, kNone, true},      {zip::ifOlder, kDayBefore, kNone, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.mode) + " " + std::to_string(c.ask));
    WriteFile(dir / "f.txt", ToBytes("old"));
    pf::FileSetDate(dir / "f.txt", c.fileDate);
    reader.OverwriteMode = c.mode;
    reader.OnPromptForOverwrite = nullptr;
    if (c.ask == kEventYes || c.ask == kEventNo)
      reader.OnPromptForOverwrite = [&](zip::TZipReader&, bool& overwrite, int, std::string&) {
        overwrite = c.ask == kEventYes;
      };
    if (c.ask == kDialogYes || c.ask == kDialogNo) dialogs.PushAnswer(c.ask == kDialogYes ? pf::mrYes : pf::mrNo);
    skipped = 0;
    EXPECT_EQ(reader.ExtractMatchingEntries(nullptr), c.replaced ? 1 : 0);
    EXPECT_EQ(skipped, c.replaced ? 0 : 1);
    EXPECT_EQ(pf::ReadFileBytes(dir / "f.txt"), c.replaced ? "new" : "old");
  }
  pf::SetDialogs(nullptr);
  ASSERT_EQ(dialogs.Calls().size(), 2u);
  EXPECT_EQ(dialogs.Calls()[0].text, "Replace existing file f.txt?");
  EXPECT_EQ(dialogs.Calls()[0].caption, "File Exists Alert");
}

TEST(Extract, RetainAttributesGivesTheStoredReadOnlyBit) {
  TestEntry entry = MakeEntry("locked.txt", ToBytes("x"));
  entry.externalAttributes = 0x21;  // archive, read-only
  for (bool retain : {true, false}) {
    ScratchDir dir;
    zip::TZipReader reader;
    LoadArchive(reader, ZipOf({entry}));
    reader.SetDestDir(dir.path.string());
    reader.DoAll = true;
    reader.RetainAttributes = retain;
    EXPECT_EQ(reader.ExtractMatchingEntries(nullptr), 1);
    const auto perms = fs::status(dir.path / "locked.txt").permissions();
    EXPECT_EQ((perms & fs::perms::owner_write) == fs::perms::none, retain);
  }
}

// Marks made with SelectEntry replace FilesList for one run. From an event, Cancel stops the run at the next read and
// a second run is refused.
TEST(Extract, MarkedEntriesAndCallsFromAnEvent) {
  zip::TZipReader reader;
  LoadArchive(reader, BuildZip(Texts()));
  reader.FilesList().Add("*.txt");
  reader.SelectEntry(3, true);
  reader.SelectEntry(1, true);
  reader.SelectEntry(1, false);
  pf::TMemoryStream out;
  EXPECT_EQ(reader.ExtractMatchingEntries(&out), 1);
  EXPECT_EQ(Contents(out), "alpha\n");
  pf::TMemoryStream again;
  EXPECT_EQ(reader.ExtractMatchingEntries(&again), 3);
  EXPECT_EQ(Contents(again), "zeta\nmid\nalpha\n");
  // Every run takes the marks, one over all entries too: a later marked run extracts only what was marked since.
  reader.SelectEntry(0, true);
  reader.DoAll = true;
  pf::TMemoryStream all;
  EXPECT_EQ(reader.ExtractMatchingEntries(&all), 4);
  reader.DoAll = false;
  reader.SelectEntry(1, true);
  pf::TMemoryStream marked;
  EXPECT_EQ(reader.ExtractMatchingEntries(&marked), 1);
  EXPECT_EQ(Contents(marked), "binary");

  bool refused = false;
  reader.OnEndUnZip = [&](zip::TZipReader& r, int, const std::string&) {
    pf::TMemoryStream inner;
    try {
      r.ExtractToStream(&inner, "two.dat");
    } catch (const pf::EInvalidOperation&) {
      refused = true;
    }
    r.Cancel();
  };
  pf::TMemoryStream cut;
  ExpectRaises<zip::EUserCanceled>([&] { reader.ExtractToStream(&cut, "*.txt"); }, "User Aborted Operation");
  EXPECT_EQ(Contents(cut), "zeta\n");
  EXPECT_TRUE(refused);
  reader.OnEndUnZip = nullptr;
  EXPECT_EQ(reader.ExtractToStream(&cut, "sub/mid.txt"), 1);  // a new run starts without the request
}

TEST(Extract, CallersBufferRoad) {
  Bytes data(100000);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 7 / 13);
  zip::TZipReader reader;
  LoadArchive(reader, ZipOf({MakeEntry("big.bin", data, 8)}));
  EXPECT_EQ(reader.ExtractToBuffer(nullptr, 0, "big.bin"), 1);
  EXPECT_EQ(reader.Buffer(), data);
  // A small buffer is handed back through the event each time it is full; memory held is the caller's affair.
  reader.MemoryLimit = 50000;
  std::vector<uint8_t> small(30000);
  Bytes collected;
  reader.OnGetNextBuffer = [&](zip::TZipReader&, uint8_t*& buffer, const std::string&, int64_t used, int, bool&) {
    collected.insert(collected.end(), buffer, buffer + used);
  };
  EXPECT_EQ(reader.ExtractToBuffer(small.data(), 30000, "big.bin"), 1);
  collected.insert(collected.end(), small.begin(), small.begin() + 10000);
  EXPECT_EQ(collected, data);
  reader.OnGetNextBuffer = [&](zip::TZipReader&, uint8_t*&, const std::string&, int64_t, int, bool& quit) {
    quit = true;
  };
  EXPECT_THROW(reader.ExtractToBuffer(small.data(), 30000, "big.bin"), zip::EUserCanceled);
  // A size field claiming 2 GB costs no memory: the component's buffer holds what really came.
  TestEntry claim = MakeEntry("claim.txt", ToBytes("tiny"));
  claim.uncompressedDelta = 0x7FFF0000;
  LoadArchive(reader, ZipOf({claim}));
  EXPECT_EQ(reader.ExtractToBuffer(nullptr, 0, "claim.txt"), 1);
  EXPECT_EQ(reader.Buffer(), ToBytes("tiny"));
}

TEST(Extract, PasswordCheckUsesTheStoredTime) {
  // Sizes after the data: the check byte is the high byte of the time as stored, here one with hour 31 and
  // minute 63, which the directory lists clamped to 23:59.
  TestArchive a;
  a.entries = {MakeEntry("late.txt", ToBytes("after hours"), 8), MakeEntry("crc.txt", ToBytes("by the CRC"))};
  a.entries[0].flags = 8;
  a.entries[0].dosDateTime = 0x5A8CFFE0;
  for (auto& e : a.entries) e.password = "pw";
  zip::TZipReader reader;
  LoadArchive(reader, BuildZip(a));
  EXPECT_EQ(reader.Items(0).DateTime & 0xFFFF, (23u << 11) | (59u << 5));
  reader.Password = "pw";
  pf::TMemoryStream out;
  EXPECT_EQ(reader.ExtractToStream(&out, "*.txt"), 2);
  EXPECT_EQ(Contents(out), "after hoursby the CRC");
  // A wrong password is refused by the check byte: skipped, nothing written.
  reader.Password = "wrong";
  int skipped = 0;
  reader.OnSkippingFile = [&](zip::TZipReader&, zip::TSkipReason reason, const std::string&, int, bool&) {
    EXPECT_EQ(reason, zip::srBadPassword);
    ++skipped;
  };
  pf::TMemoryStream none;
  EXPECT_EQ(reader.ExtractToStream(&none, "*.txt"), 0);
  EXPECT_EQ(none.Size(), 0);
  EXPECT_EQ(skipped, 2);

  // An empty password still runs the header through the keys.
  TestEntry open = MakeEntry("open.txt", ToBytes("no secret"), 8);
  open.password = "";
  LoadArchive(reader, ZipOf({open}));
  for (const char* password : {"", "x"}) {
    reader.Password = password;
    pf::TMemoryStream target;
    EXPECT_EQ(reader.ExtractToStream(&target, "open.txt"), *password ? 0 : 1);
    EXPECT_EQ(Contents(target), *password ? "" : "no secret");
  }
}

TEST(Utils, DosDatesClampedOnlyWhenOutOfRangeAndPercentages) {
  const uint32_t valid = 0x5A8C6000;  // 2025-04-12 12:00:00
  EXPECT_EQ(zip::ClampDosDateTime(valid), valid);
  // {field mask, out-of-range value, clamped value}: month 0, 60 seconds, hour 25.
  const uint32_t cases[][3] = {{0xFu << 21, 0, 1u << 21}, {0x1Fu, 30, 29}, {0x1Fu << 11, 25u << 11, 23u << 11}};
  for (const auto& [mask, bad, clamped] : cases)
    EXPECT_EQ(zip::ClampDosDateTime((valid & ~mask) | bad) & mask, clamped);
  EXPECT_EQ(zip::PercentOf(0, 5), 0);
  EXPECT_EQ(zip::PercentOf(3, 2), 67);
  EXPECT_EQ(zip::PercentOf64(10, 50), 100);
}

TEST(BufferStream, WritesSeeksReadsAndRefusesBadRequests) {
  pf::TMemoryStream backing;
  {
    zip::TS_BufferStream s(&backing, 8192);
    Bytes data(20000);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i % 251);
    EXPECT_EQ(s.Write(data.data(), 20000), 20000);
    EXPECT_EQ(s.Position(), 20000);
    EXPECT_EQ(s.Seek(0, pf::soBeginning), 0);
    Bytes back(20000);
    EXPECT_EQ(s.Read(back.data(), 20000), 20000);
    EXPECT_EQ(back, data);
    EXPECT_EQ(s.Seek(-100, pf::soEnd), 19900);
    uint8_t b = 0;
    EXPECT_EQ(s.Read(&b, 1), 1);
    EXPECT_EQ(b, data[19900]);
    s.PutBack(0xAB);
    EXPECT_EQ(s.Read(&b, 1), 1);
    EXPECT_EQ(b, 0xAB);
    ExpectRaises<pf::EStreamError>([&] { s.Seek(0, static_cast<pf::TSeekOrigin>(3)); }, "Invalid seek origin (3)");
    s.Seek(0, pf::soBeginning);
    ExpectRaises<pf::EStreamError>([&] { s.PutBack(1); }, "Putback overflow");
    // Writing after reading goes to the logical position.
    s.Seek(10, pf::soBeginning);
    s.Read(&b, 1);
    s.Write("Z", 1);
  }
  EXPECT_EQ(backing.Size(), 20000);
  EXPECT_EQ(backing.Memory()[11], 'Z');
}

}  // namespace
