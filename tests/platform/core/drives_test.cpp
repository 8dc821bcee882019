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
// disk "sdz", whose attribute "removable" holds removable; labels/ links labels to device names.
class FakeSystem {
 public:
  FakeSystem(const std::string& root, const std::string& folder) : root_(root) {
    struct stat info {};
    EXPECT_EQ(::stat(folder.c_str(), &info), 0);
    const std::string number = std::to_string(major(info.st_dev)) + ":" + std::to_string(minor(info.st_dev));
    fs::create_directories(root + "/sys/dev/block");
    fs::create_directories(root + "/sys/devices/pci0/block/sdz/sdz1");
    fs::create_directories(root + "/labels");
    fs::create_symlink("../../devices/pci0/block/sdz/sdz1", root + "/sys/dev/block/" + number);
  }
  void SetRemovable(const char* value) { std::ofstream(root_ + "/sys/devices/pci0/block/sdz/removable") << value; }
  void Label(const std::string& linkName, const std::string& device) {
    fs::create_symlink("../../" + device, root_ + "/labels/" + linkName);
  }
  pf::SystemDriveService Service() const { return pf::SystemDriveService(root_ + "/sys", root_ + "/labels"); }

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

}  // namespace
