// Reading archive directories: the end record search, names, sort orders, and archives without an end record.
#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>

#include "platform/core/drives.h"
#include "platform/core/exceptions.h"
#include "platform/core/services.h"
#include "platform/core/streams.h"
#include "tests/zip/support.h"
#include "tests/zip/zip_writer.h"
#include "zip/zip_reader.h"
#include "zip/ziputils.h"

namespace {

using namespace ziptest;

TestArchive ThreeEntries() {
  TestArchive a;
  a.entries = {MakeEntry("b.txt", ToBytes("bbb")), MakeEntry("a.txt", ToBytes("a"), 8),
               MakeEntry("c.txt", ToBytes("cc"))};
  a.entries[0].dosDateTime = 0x5A000000;
  a.entries[1].dosDateTime = 0x5B000000;
  a.entries[2].dosDateTime = 0x5A000000;
  return a;
}

std::vector<std::string> Names(const zip::TZipReader& reader) {
  std::vector<std::string> names;
  for (int i = 0; i < reader.Count(); ++i) names.push_back(reader.Items(i).FullName());
  return names;
}

TEST(Directory, EndRecordIsFoundBehindTheLongestComment) {
  TestArchive a = ThreeEntries();
  a.comment = std::string(65535, 'k');
  zip::TZipReader reader;
  LoadArchive(reader, BuildZip(a));
  EXPECT_EQ(reader.Count(), 3);
  EXPECT_EQ(reader.EndCentral().Comment.size(), 65535u);

  // 65536 bytes after the record are more than a comment can state: the record is out of reach.
  TestArchive far = ThreeEntries();
  far.trailer = Bytes(65536, 'k');
  zip::TZipReader reader2;
  ExpectRaises<zip::EIncompleteZip>([&] { LoadArchive(reader2, BuildZip(far)); }, "Incomplete Zip File");
}

TEST(Directory, EmptyAndTinyStreams) {
  zip::TZipReader reader;
  LoadArchive(reader, Bytes{});
  EXPECT_EQ(reader.Count(), 0);
  zip::TZipReader tiny;
  EXPECT_THROW(LoadArchive(tiny, Bytes(10, 'x')), zip::EIncompleteZip);
  EXPECT_EQ(tiny.Count(), 0);
}

TEST(Directory, MissingEndRecordFollowsTheIncompleteMode) {
  TestArchive a = ThreeEntries();
  a.entries[0].centralExtra = 4;
  a.entries[0].localExtra = 9;
  a.writeEnd = false;
  const Bytes bytes = BuildZip(a);

  zip::TZipReader notZip;
  notZip.IncompleteZipMode = zip::izAssumeNotAZip;
  ExpectRaises<zip::ENotAZipFile>([&] { LoadArchive(notZip, bytes); }, "Not a valid zip file!");

  // The event may change the mode.
  zip::TZipReader bad;
  int events = 0;
  bad.OnInCompleteZip = [&](zip::TZipReader&, zip::TIncompleteZipMode& mode) {
    ++events;
    mode = zip::izAssumeBad;
  };
  LoadArchive(bad, bytes);
  EXPECT_EQ(events, 1);
  EXPECT_EQ(Names(bad), (std::vector<std::string>{"b.txt", "a.txt", "c.txt"}));
  // The central records that follow the scanned entries give them their fields; the local extra length stays.
  EXPECT_EQ(bad.Items(0).VersionMadeBy, 0x0314);
  EXPECT_EQ(bad.Items(0).LocalExtraFieldLength, 9);
  EXPECT_EQ(bad.Items(1).CompressionMethod, 8);
  EXPECT_EQ(bad.Items(2).UncompressedSize, 2u);

  // Without any central record the local headers alone make the directory.
  a.writeCentral = false;
  zip::TZipReader localOnly;
  localOnly.IncompleteZipMode = zip::izAssumeBad;
  LoadArchive(localOnly, BuildZip(a));
  EXPECT_EQ(localOnly.Count(), 3);
  EXPECT_EQ(localOnly.Items(2).CRC32, Crc32Of(ToBytes("cc")));

  // Nothing that looks like a local header: not an archive.
  zip::TZipReader garbage;
  garbage.IncompleteZipMode = zip::izAssumeBad;
  EXPECT_THROW(LoadArchive(garbage, Bytes(50000, 'P')), zip::EBadZipFile);
}

// An archive cut inside an entry's data still lists that entry from its local header, and nothing after it;
// extracting it meets the end of the stream.
TEST(Directory, AnEntryCutShortIsListedFromItsLocalHeader) {
  const Bytes text(3000, 'x');
  TestEntry later = MakeEntry("later.txt", text, 8);
  later.flags = 8;
  Bytes described = ZipOf({later});
  std::fill(described.begin() + 14, described.begin() + 26, 0);  // CRC and sizes follow the data
  // Archives, where they are cut (inside their last entry's data), and their entries.
  const std::tuple<Bytes, size_t, int> cases[] = {
      {ZipOf({MakeEntry("first.txt", ToBytes("complete")), MakeEntry("second.txt", text)}), 87 + 700, 2},
      {ZipOf({MakeEntry("only.txt", text)}), 38 + 700, 1},
      {described, 39 + 10, 1}};
  for (auto [bytes, cut, entries] : cases) {
    bytes.resize(cut);
    zip::TZipReader reader;
    reader.IncompleteZipMode = zip::izAssumeBad;
    LoadArchive(reader, bytes);
    ASSERT_EQ(reader.Count(), entries);
    EXPECT_EQ(reader.EndCentral().CentralOffset, bytes.size());
    pf::TMemoryStream out;
    if (entries == 2) reader.ExtractToStream(&out, "first.txt");
    ExpectRaises<zip::EFatalUnzipError>([&] { reader.ExtractToStream(&out, reader.Items(entries - 1).FileName); },
                                        "Premature end of file reached");
    EXPECT_EQ(Contents(out), entries == 2 ? "complete" : "");
  }
}

TEST(Directory, DamagedCentralDirectoryFallsBackOrFails) {
  // The end record promises more entries than there are: the reader rebuilds from the local headers.
  Bytes bytes = BuildZip(ThreeEntries());
  bytes[bytes.size() - 22 + 10] = 9;  // total entries
  zip::TZipReader reader;
  LoadArchive(reader, bytes);
  EXPECT_EQ(reader.Count(), 3);

  // The central directory's offset points past the end and no local header exists either.
  Bytes broken = ZipOf({MakeEntry("x", ToBytes("x"))});
  broken[0] = 'Q';  // the only local header is gone
  SetLE32(broken, broken.size() - 22 + 16, 0xFFFF);
  zip::TZipReader reader2;
  EXPECT_THROW(LoadArchive(reader2, broken), zip::EBadZipFile);
  EXPECT_EQ(reader2.Count(), 0);

  // Lengths in a central record that run past the stream never read out of bounds.
  Bytes longName = BuildZip(ThreeEntries());
  size_t central = longName.size() - 22 - (46 * 3 + 15);
  longName[central + 28] = longName[central + 29] = 0xFF;
  zip::TZipReader reader3;
  LoadArchive(reader3, longName);  // the local headers still give all three
  EXPECT_EQ(reader3.Count(), 3);
}

TEST(Directory, NamesAreListedWithBackslashesAndInLatin1) {
  TestArchive a;
  a.entries = {MakeEntry("Fragen/TAfragen.txt", ToBytes("x")), MakeEntry("M\x84rz.txt", ToBytes("y")),
               MakeEntry("\xC3\xA4nderung\xE2\x82\xAC.txt", ToBytes("z")), MakeEntry("Fragen/", {})};
  a.entries[1].versionMadeBy = 0x0014;  // FAT host
  a.entries[2].flags = 0x0800;          // UTF-8 name
  zip::TZipReader reader;
  LoadArchive(reader, BuildZip(a));
  ASSERT_EQ(reader.Count(), 4);
  EXPECT_EQ(reader.Items(0).Directory, "Fragen\\");
  EXPECT_EQ(reader.Items(0).FileName, "TAfragen.txt");
  EXPECT_EQ(reader.Items(1).FileName, "M\xE4rz.txt");       // from the DOS code page
  EXPECT_EQ(reader.Items(2).FileName, "\xE4nderung?.txt");  // from UTF-8, "?" for what Latin-1 lacks
  EXPECT_EQ(reader.Items(3).Directory, "Fragen\\");
  EXPECT_EQ(reader.Items(3).FileName, "");
  ExpectRaises<pf::EListError>([&] { reader.Items(4); }, "Index 4 is out of range");
}

TEST(Directory, SortModesOrderTheView) {
  zip::TZipReader reader;
  LoadArchive(reader, BuildZip(ThreeEntries()));
  EXPECT_EQ(Names(reader), (std::vector<std::string>{"b.txt", "a.txt", "c.txt"}));
  reader.SetSortMode(zip::ByDate);  // newest first, equal dates in archive order
  EXPECT_EQ(Names(reader), (std::vector<std::string>{"a.txt", "b.txt", "c.txt"}));
  reader.SetSortMode(zip::ByName);
  EXPECT_EQ(Names(reader), (std::vector<std::string>{"a.txt", "b.txt", "c.txt"}));
  reader.SetSortMode(zip::ByUnCompressedSize);
  EXPECT_EQ(Names(reader), (std::vector<std::string>{"b.txt", "c.txt", "a.txt"}));
  reader.SetSortMode(zip::ByNone);
  EXPECT_EQ(Names(reader), (std::vector<std::string>{"b.txt", "a.txt", "c.txt"}));
  // The mode set before reading applies to the new directory.
  zip::TZipReader sorted;
  sorted.SetSortMode(zip::ByDate);
  LoadArchive(sorted, BuildZip(ThreeEntries()));
  EXPECT_EQ(sorted.Items(0).FileName, "a.txt");
}

TEST(Directory, ArchiveFilesAndTheSideFile) {
  ScratchDir dir;
  WriteFile(dir / "one.zip", BuildZip(ThreeEntries()));
  zip::TZipReader reader;
  reader.SetZipName(dir / "one.zip");
  reader.ReadDirectory();
  EXPECT_EQ(reader.Count(), 3);
  reader.SetZipName(dir / "one.zip");  // the same name keeps the directory
  EXPECT_EQ(reader.Count(), 3);
  reader.SetZipName(dir / "ONE.zip");  // another file on this system
  EXPECT_EQ(reader.Count(), 0);

  // An archive without its directory, and a side file holding directory and end record.
  Bytes full = BuildZip(ThreeEntries());
  size_t centralStart = full.size() - 22 - (46 * 3 + 15);
  Bytes data(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(centralStart));
  Bytes side(full.begin() + static_cast<std::ptrdiff_t>(centralStart), full.end());
  SetLE32(side, side.size() - 22 + 16, 0);  // the directory starts the side file
  WriteFile(dir / "two.zip", data);
  WriteFile(dir / "two.zfc", side);
  zip::TZipReader reader2;
  reader2.SetZipName(dir / "two.zip");
  reader2.ReadDirectory();
  EXPECT_EQ(Names(reader2), (std::vector<std::string>{"b.txt", "a.txt", "c.txt"}));
}

// A reader that keeps the volume state itself: the component tells it through the hook and asks it back.
class VolumeKeeper : public zip::TZipReader {
 public:
  int GetMultiMode() const override { return mode; }
  void SetMultiMode(int value) override {
    mode = value;
    told.push_back(value);
  }
  int mode = -1;
  std::vector<int> told;
};

// Two entries, "first.txt" and "second.txt", in two volumes: the first `split` bytes (at most the first entry's
// local header and data, 50 bytes) go to "set.001", the rest with the directory to "set.zip".
void WriteTwoVolumes(const ScratchDir& dir, size_t split) {
  Bytes whole =
      ZipOf({MakeEntry("first.txt", ToBytes("on disk one")), MakeEntry("second.txt", ToBytes("on disk two"), 8)});
  Bytes first(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(split));
  Bytes last(whole.begin() + static_cast<std::ptrdiff_t>(split), whole.end());
  size_t end = last.size() - 22;
  uint32_t centralOffset = GetLE32(last, end + 16) - static_cast<uint32_t>(split);
  SetLE32(last, end + 16, centralOffset);
  last[end + 4] = 1;  // this disk
  last[end + 6] = 1;  // the directory starts on disk 1
  size_t second = centralOffset + 46 + 9;
  last[second + 34] = 1;  // the second entry starts on disk 1
  SetLE32(last, second + 42, static_cast<uint32_t>(30 + 9 + 11 - split));
  WriteFile(dir / "set.001", first);
  WriteFile(dir / "set.zip", last);
}

TEST(Directory, VolumesInNumberedFiles) {
  ScratchDir dir;
  // The first entry's local header and data are the first volume; the second starts the last one.
  WriteTwoVolumes(dir, 30 + 9 + 11);
  VolumeKeeper reader;
  reader.SetZipName(dir / "set.zip");
  reader.ReadDirectory();
  ASSERT_FALSE(reader.told.empty());
  EXPECT_EQ(reader.told.back(), 2);
  EXPECT_EQ(reader.NumberOfDisks(), 2);
  ASSERT_EQ(reader.Count(), 2);
  pf::TMemoryStream out;
  EXPECT_EQ(reader.ExtractToStream(&out, "*.txt"), 2);
  EXPECT_EQ(Contents(out), "on disk oneon disk two");
  // A volume nobody names ends the run.
  reader.OnGetNextDisk = [](zip::TZipReader&, int, std::string& name) { name.clear(); };
  ExpectRaises<zip::EUserCanceled>([&] { reader.ExtractToStream(&out, "first.txt"); },
                                   "User canceled loading new disk.");
  // A single archive read afterwards is told as such.
  WriteFile(dir / "single.zip", ZipOf({MakeEntry("one.txt", ToBytes("one"))}));
  reader.SetZipName(dir / "single.zip");
  reader.ReadDirectory();
  EXPECT_EQ(reader.told.back(), 0);
  pf::TMemoryStream single;
  EXPECT_EQ(reader.ExtractToStream(&single, "one.txt"), 1);
}

// A drive whose disk the user changes: everything below `mount` is on it, and the disk in it has `label`.
class FakeDrive : public pf::IDriveService {
 public:
  bool IsRemovable(std::string_view path) override { return path.substr(0, mount.size()) == mount; }
  std::string VolumeLabel(std::string_view path) override { return IsRemovable(path) ? label : ""; }
  std::vector<pf::MountedVolume> RemovableMounts() override { return {{mount, label}}; }
  bool MountPointOf(std::string_view path, std::string& mountPoint, std::string& below) override {
    if (!IsRemovable(path)) return false;
    mountPoint = mount;
    below = path.substr(mount.size() + 1);
    return true;
  }
  std::string mount;
  std::string label;
};

// The user at the disk prompts: puts the next disk of `disks` into the drive, then answers as scripted (OK when
// nothing is). With `media` set, the desktop mounts each disk at media/<label>: the folder of the disk taken out
// vanishes (its files wait in media/.out), and a user out of disks cancels.
class DiskChanger : public pf::RecordingDialogService {
 public:
  explicit DiskChanger(FakeDrive& drive) : drive_(drive) {}
  int MessageBox(std::string_view text, std::string_view caption, unsigned flags) override {
    if (!media.empty() && disks.empty()) PushAnswer(pf::mrCancel);
    if (!disks.empty()) {
      if (!media.empty()) {
        std::filesystem::rename(drive_.mount, media + "/.out/" + drive_.label);
        drive_.mount = media + "/" + disks.front();
        std::filesystem::rename(media + "/.out/" + disks.front(), drive_.mount);
      }
      drive_.label = disks.front();
      disks.erase(disks.begin());
    }
    return RecordingDialogService::MessageBox(text, caption, flags);
  }
  std::string media;
  // The texts of the prompts, each with OK and Cancel.
  std::vector<std::string> Prompts() const {
    std::vector<std::string> texts;
    for (const auto& call : Calls()) texts.push_back(call.buttons == pf::MB_OKCANCEL ? call.text : "?");
    return texts;
  }
  std::vector<std::string> disks;

 private:
  FakeDrive& drive_;
};

// Installs the fake drive and the user for a test.
struct RemovableDrive {
  explicit RemovableDrive(const ScratchDir& dir) : user(drive) {
    drive.mount = dir.path.string();
    pf::SetDrives(&drive);
    pf::SetDialogs(&user);
  }
  ~RemovableDrive() {
    pf::SetDialogs(nullptr);
    pf::SetDrives(nullptr);
  }
  FakeDrive drive;
  DiskChanger user;
};

const std::string kDisk1 = "Please insert disk 1 of the multi-disk set.";
const std::string kDisk2 = "Please insert disk 2 of the multi-disk set.";

// On a removable drive every change of volume is asked for, the last volume's too, and a disk is taken only when
// its label ends in its number; a wrong disk is asked for again, Cancel ends the run.
TEST(Directory, VolumesOnARemovableDrive) {
  ScratchDir dir;
  WriteTwoVolumes(dir, 30 + 9 + 11);
  RemovableDrive drive(dir);
  drive.drive.label = "PKBACK# 002";  // the last disk is in the drive
  VolumeKeeper reader;
  reader.SetZipName(dir / "set.zip");
  reader.ReadDirectory();
  EXPECT_EQ(reader.told.back(), 1);
  EXPECT_TRUE(drive.user.Calls().empty());  // the directory is on the disk in the drive

  drive.user.disks = {"PKBACK# 002", "PKBACK# 001", "PKBACK# 002"};  // the first answer leaves the wrong disk in
  pf::TMemoryStream out;
  EXPECT_EQ(reader.ExtractToStream(&out, "*.txt"), 2);
  EXPECT_EQ(Contents(out), "on disk oneon disk two");
  EXPECT_EQ(drive.user.Prompts(), (std::vector<std::string>{kDisk1, kDisk1, kDisk2}));

  // Cancel empties the name the component's handler gives, and the component refuses to go on.
  drive.user.ClearCalls();
  drive.user.PushAnswer(pf::mrCancel);
  std::string name = "unchanged";
  reader.OnGetNextDisk(reader, 1, name);
  EXPECT_EQ(name, "");
  drive.user.disks = {"PKBACK# 001"};
  reader.OnGetNextDisk(reader, 1, name);
  EXPECT_EQ(name, dir / "set.001");
  drive.user.PushAnswer(pf::mrCancel);
  pf::TMemoryStream cancelled;
  ExpectRaises<zip::EUserCanceled>([&] { reader.ExtractToStream(&cancelled, "first.txt"); },
                                   "User canceled loading new disk.");
  EXPECT_EQ(cancelled.Size(), 0);
  EXPECT_EQ(drive.user.Prompts(), (std::vector<std::string>{kDisk1, kDisk1, kDisk1}));
  // Labels are read up to 14 characters.
  drive.drive.label = "ARCHIVE DISK 001";
  EXPECT_EQ(zip::GetVolumeLabel(dir / "set.001"), "ARCHIVE DISK 0");
}

// A desktop mounts each disk at a folder named by its label: with the archive's disk out of the drive its folder is
// gone, and the disk asked for is found among the mounted removable media by its label, at the archive's place
// below the mount point. A wrong disk is asked for again.
TEST(Directory, DisksMountedUnderTheirLabels) {
  ScratchDir dir;
  WriteTwoVolumes(dir, 30 + 9 + 5);  // first.txt goes on from disk 1 to disk 2
  for (const char* folder : {"media/.out/SET001/backup", "media/.out/SET003", "media/SET002/backup"})
    std::filesystem::create_directories(dir.path / folder);
  std::filesystem::rename(dir / "set.001", dir / "media/.out/SET001/backup/set.001");
  std::filesystem::rename(dir / "set.zip", dir / "media/SET002/backup/set.zip");
  RemovableDrive drive(dir);
  drive.drive.mount = dir / "media/SET002";
  drive.drive.label = "SET002";
  drive.user.media = dir / "media";
  zip::TZipReader reader;
  reader.SetZipName(dir / "media/SET002/backup/set.zip");
  reader.ReadDirectory();
  drive.user.disks = {"SET003", "SET001", "SET002"};
  pf::TMemoryStream out;
  EXPECT_EQ(reader.ExtractToStream(&out, "*.txt"), 2);
  EXPECT_EQ(Contents(out), "on disk oneon disk two");
  EXPECT_EQ(drive.user.Prompts(), (std::vector<std::string>{kDisk1, kDisk1, kDisk2}));
}

// An entry that goes on on the next disk asks for it in the middle of its data; refusing that disk aborts the run.
TEST(Directory, AnEntryContinuedOnTheNextRemovableDisk) {
  ScratchDir dir;
  WriteTwoVolumes(dir, 30 + 9 + 5);  // "on di" on the first disk, "sk one" on the second
  RemovableDrive drive(dir);
  drive.drive.label = "BACKUP002";
  zip::TZipReader reader;
  reader.SetZipName(dir / "set.zip");
  reader.ReadDirectory();
  drive.user.disks = {"BACKUP001", "BACKUP002"};
  pf::TMemoryStream out;
  EXPECT_EQ(reader.ExtractToStream(&out, "first.txt"), 1);
  EXPECT_EQ(Contents(out), "on disk one");
  EXPECT_EQ(drive.user.Prompts(), (std::vector<std::string>{kDisk1, kDisk2}));

  drive.user.disks = {"BACKUP001"};
  drive.user.PushAnswer(pf::mrOk);
  drive.user.PushAnswer(pf::mrCancel);
  pf::TMemoryStream refused;
  ExpectRaises<zip::EUserCanceled>([&] { reader.ExtractToStream(&refused, "first.txt"); }, "User Aborted Operation");
  EXPECT_EQ(refused.Size(), 0);
}

// A directory that goes on on the next disk: cancelling that disk leaves no half directory behind.
TEST(Directory, CancellingTheDirectorysNextDiskKeepsNoHalfDirectory) {
  ScratchDir dir;
  Bytes whole =
      ZipOf({MakeEntry("first.txt", ToBytes("on disk one")), MakeEntry("second.txt", ToBytes("on disk two"))});
  const size_t split = GetLE32(whole, whole.size() - 22 + 16) + 46 + 9;  // behind the first central record
  Bytes last(whole.begin() + static_cast<std::ptrdiff_t>(split), whole.end());
  last[last.size() - 22 + 4] = 1;  // this disk; the directory starts on disk 0
  WriteFile(dir / "set.001", Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(split)));
  WriteFile(dir / "set.zip", last);
  RemovableDrive drive(dir);
  drive.drive.label = "V002";
  zip::TZipReader reader;
  reader.SetZipName(dir / "set.zip");
  drive.user.disks = {"V001", "V001"};
  drive.user.PushAnswer(pf::mrOk);
  drive.user.PushAnswer(pf::mrCancel);
  ExpectRaises<zip::EUserCanceled>([&] { reader.ReadDirectory(); }, "User canceled loading new disk.");
  EXPECT_EQ(reader.Count(), 0);
  drive.user.disks = {"V001", "V002"};
  reader.ReadDirectory();  // anew, from the archive's last volume
  EXPECT_EQ(reader.Count(), 2);
  EXPECT_EQ(drive.user.Prompts(), (std::vector<std::string>{kDisk1, kDisk2, kDisk1, kDisk2}));
}

}  // namespace
