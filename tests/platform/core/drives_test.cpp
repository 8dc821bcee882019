#include "platform/core/drives.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "tests/platform/core/test_helpers.h"

namespace {

namespace fs = std::filesystem;
using Drives = pf::test::TempDirTest;

// A kernel and device-manager view made up for the test's folder: its file system lies on partition "sdz1" of
// disk "sdz", whose attribute "removable" holds removable; labels/ links labels to device names; mounts is the
// mount table.
class FakeSystem {
 public:
  FakeSystem(const std::string& root, const std::string& folder) : root_(root) {
    struct stat info {};
    EXPECT_EQ(::stat(folder.c_str(), &info), 0);
    const std::string number = std::to_string(major(info.st_dev)) + ":" + std::to_string(minor(info.st_dev));
    fs::create_directories(root + "/sys/dev/block");
    fs::create_directories(root + "/labels");
    Partition("sdz", "sdz1");
    fs::create_symlink("../../devices/pci0/block/sdz/sdz1", root + "/sys/dev/block/" + number);
  }
  // A partition of a disk, listed among the kernel's block devices by name.
  void Partition(const std::string& disk, const std::string& name) {
    fs::create_directories(root_ + "/sys/devices/pci0/block/" + disk + "/" + name);
    fs::create_directories(root_ + "/sys/class/block");
    fs::create_symlink("../../devices/pci0/block/" + disk + "/" + name, root_ + "/sys/class/block/" + name);
  }
  void SetRemovable(const char* value) { std::ofstream(root_ + "/sys/devices/pci0/block/sdz/removable") << value; }
  void Label(const std::string& linkName, const std::string& device) {
    fs::create_symlink("../../" + device, root_ + "/labels/" + linkName);
  }
  void Mounts(const std::string& table) { std::ofstream(root_ + "/mounts") << table; }
  pf::SystemDriveService Service() const {
    return pf::SystemDriveService(root_ + "/sys", root_ + "/labels", root_ + "/mounts");
  }

 private:
  std::string root_;
};

TEST_F(Drives, RemovableIsTheDisksAttributeForAPartition) {
  FakeSystem system(Path("fake"), dir_);
  pf::SystemDriveService drives = system.Service();
  system.SetRemovable("1\n");
  EXPECT_TRUE(drives.IsRemovable(dir_));
  // A volume not there yet is on the drive of its nearest folder.
  EXPECT_TRUE(drives.IsRemovable(Path("missing/set.001")));
  system.SetRemovable("0\n");
  EXPECT_FALSE(drives.IsRemovable(dir_));
  // A whole disk carries the attribute itself.
  std::ofstream(Path("fake/sys/devices/pci0/block/sdz/sdz1/removable")) << "1\n";
  EXPECT_TRUE(drives.IsRemovable(dir_));
  // A file system on no block device the kernel lists.
  pf::SystemDriveService nowhere(Path("none"), Path("none"));
  EXPECT_FALSE(nowhere.IsRemovable(dir_));
  EXPECT_EQ(nowhere.VolumeLabel(dir_), "");
}

TEST_F(Drives, TheLabelComesFromTheLinkToTheDevice) {
  FakeSystem system(Path("fake"), dir_);
  pf::SystemDriveService drives = system.Service();
  EXPECT_EQ(drives.VolumeLabel(dir_), "");
  system.Label("OTHER", "sda1");
  system.Label("SET\\x20DISK\\x2f001\\xc3\\xa4", "sdz1");  // blank, slash and a UTF-8 umlaut written as escapes
  EXPECT_EQ(drives.VolumeLabel(Path("missing/set.001")), "SET DISK/001\xe4");
}

// Removable media are the mount table's file systems on removable devices, with the labels of their devices; the
// mount point holding a path is the innermost one, symbolic links followed.
TEST_F(Drives, MountsComeFromTheMountTable) {
  FakeSystem system(Path("fake"), dir_);
  system.SetRemovable("1\n");
  system.Partition("sda", "sda1");  // a fixed disk: it has no "removable" that says 1
  system.Label("SYSTEM", "sda1");
  system.Label("SET\\x20DISK\\x20002", "sdz1");
  const std::string root = fs::canonical(dir_).string();
  const std::string medium = root + "/media/anna/SET DISK 002";
  fs::create_directories(medium + "/backup");
  system.Mounts("/dev/sda1 / ext4 rw 0 0\nproc /proc proc rw 0 0\n/dev/sdz1 " + root +
                "/media/anna/SET\\040DISK\\040002 vfat rw 0 0\n/dev/sdz9 /elsewhere vfat rw 0 0\n");
  pf::SystemDriveService drives = system.Service();
  const std::vector<pf::MountedVolume> mounts = drives.RemovableMounts();
  ASSERT_EQ(mounts.size(), 1u);
  EXPECT_EQ(mounts[0].mountPoint + "|" + mounts[0].label, medium + "|SET DISK 002");

  std::string mountPoint, below;
  EXPECT_TRUE(drives.MountPointOf(medium + "/backup/set.zip", mountPoint, below));
  EXPECT_EQ(mountPoint + "|" + below, medium + "|backup/set.zip");
  fs::create_symlink(medium, Path("stick"));
  EXPECT_TRUE(drives.MountPointOf(Path("stick/backup/set.zip"), mountPoint, below));
  EXPECT_EQ(mountPoint + "|" + below, medium + "|backup/set.zip");
  EXPECT_TRUE(drives.MountPointOf(root + "/media/anna/SET DISK 0021/x", mountPoint, below));
  EXPECT_EQ(mountPoint + "|" + below, "/|" + root.substr(1) + "/media/anna/SET DISK 0021/x");
}

}  // namespace
