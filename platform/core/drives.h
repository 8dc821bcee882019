// What the system knows of the drive a path lies on: whether its medium is removable and the label of its file
// system. The archive reader asks for volumes of a disk set through it; tests install their own.
#pragma once

#include <string>
#include <string_view>

namespace pf {

class IDriveService {
 public:
  virtual ~IDriveService() = default;
  // True when the file system holding path (or, when path does not exist, its nearest existing folder) lies on a
  // removable medium.
  virtual bool IsRemovable(std::string_view path) = 0;
  // The label of that file system (Latin-1); "" when it has none or nothing is known of it.
  virtual std::string VolumeLabel(std::string_view path) = 0;
};

// Asks the kernel's block devices (removable: the device's or, for a partition, its disk's "removable" attribute
// under sysRoot) and the device manager's label links in labelDir.
class SystemDriveService : public IDriveService {
 public:
  explicit SystemDriveService(std::string sysRoot = "/sys", std::string labelDir = "/dev/disk/by-label");
  bool IsRemovable(std::string_view path) override;
  std::string VolumeLabel(std::string_view path) override;

 private:
  // The kernel's name of the block device holding path ("sdb1"), with its folder under sysRoot; "" when none.
  std::string DeviceFolder(std::string_view path) const;
  std::string sysRoot_;
  std::string labelDir_;
};

// The installed service (the system's until replaced; nullptr restores it).
IDriveService& Drives();
void SetDrives(IDriveService* service);

}  // namespace pf
