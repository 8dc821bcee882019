// What the system knows of the drive a path lies on: whether its medium is removable and the label of its file
// system, and where removable media are mounted. The archive reader asks for volumes of a disk set through it;
// tests install their own.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace pf {

// A mounted file system: its mount point (as the file system names it) and its label (Latin-1, "" when none).
struct MountedVolume {
  std::string mountPoint;
  std::string label;
};

class IDriveService {
 public:
  virtual ~IDriveService() = default;
  // True when the file system holding path (or, when path does not exist, its nearest existing folder) lies on a
  // removable medium.
  virtual bool IsRemovable(std::string_view path) = 0;
  // The label of that file system (Latin-1); "" when it has none or nothing is known of it.
  virtual std::string VolumeLabel(std::string_view path) = 0;
  // The mounted file systems on removable media, in the order they were mounted.
  virtual std::vector<MountedVolume> RemovableMounts() = 0;
  // The mount point of the file system holding path (symbolic links followed as far as path exists) and the rest
  // of path below it, without a leading "/". False when no mount point is known.
  virtual bool MountPointOf(std::string_view path, std::string& mountPoint, std::string& below) = 0;
};

// Asks the kernel's block devices (removable: the device's or, for a partition, its disk's "removable" attribute
// under sysRoot), the device manager's label links in labelDir and the kernel's mount table.
class SystemDriveService : public IDriveService {
 public:
  explicit SystemDriveService(std::string sysRoot = "/sys", std::string labelDir = "/dev/disk/by-label",
                              std::string mountTable = "/proc/self/mounts");
  bool IsRemovable(std::string_view path) override;
  std::string VolumeLabel(std::string_view path) override;
  std::vector<MountedVolume> RemovableMounts() override;
  bool MountPointOf(std::string_view path, std::string& mountPoint, std::string& below) override;

 private:
  struct MountEntry {
    std::string device;
    std::string mountPoint;
  };
  // The folder under sysRoot of the block device holding path (a partition's ends in its name, "sdb1"); "" when
  // none.
  std::string DeviceFolder(std::string_view path) const;
  bool FolderIsRemovable(const std::string& folder) const;
  std::string LabelOfDevice(const std::string& name) const;
  std::vector<MountEntry> ReadMountTable() const;
  std::string sysRoot_;
  std::string labelDir_;
  std::string mountTable_;
};

// The installed service (the system's until replaced; nullptr restores it).
IDriveService& Drives();
void SetDrives(IDriveService* service);

}  // namespace pf
