#include "platform/core/drives.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#include "platform/core/codepage.h"
#include "platform/core/files.h"

namespace pf {

namespace fs = std::filesystem;

namespace {

// The device number of the file system holding path, or of its nearest existing folder (a volume asked for may
// not be there yet). False when not even "/" answers.
bool DeviceOf(std::string_view path, dev_t& device) {
  fs::path p = path.empty() ? fs::path(".") : fs::path(std::string(path));
  for (;;) {
    struct stat info {};
    if (::stat(p.c_str(), &info) == 0) {
      device = info.st_dev;
      return true;
    }
    fs::path parent = p.parent_path();
    if (parent.empty() && p.is_relative()) parent = ".";
    if (parent.empty() || parent == p) return false;
    p = parent;
  }
}

// "1" in an attribute file; false when it is missing.
bool FlagSet(const fs::path& file) {
  std::ifstream in(file);
  char c = 0;
  return in.get(c) && c == '1';
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The device manager writes unsafe bytes of a label link's name as "\xNN"; the label is UTF-8.
std::string DecodeLabel(const std::string& linkName) {
  std::string bytes;
  for (size_t i = 0; i < linkName.size(); ++i) {
    if (linkName[i] == '\\' && i + 3 < linkName.size() && linkName[i + 1] == 'x' && HexDigit(linkName[i + 2]) >= 0 &&
        HexDigit(linkName[i + 3]) >= 0) {
      bytes += static_cast<char>(HexDigit(linkName[i + 2]) * 16 + HexDigit(linkName[i + 3]));
      i += 3;
    } else {
      bytes += linkName[i];
    }
  }
  return Utf8ToLatin1(bytes);
}

// The mount table writes a blank, a tab, a newline and a backslash in a field as "\040", "\011", "\012" and
// "\134".
std::string UnescapeMountField(std::string_view field) {
  std::string out;
  auto octal = [](char c) { return c >= '0' && c <= '7'; };
  for (size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size() && octal(field[i + 1]) && octal(field[i + 2]) && octal(field[i + 3])) {
      out += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0'));
      i += 3;
    } else {
      out += field[i];
    }
  }
  return out;
}

// True when the mount point mountPoint holds the absolute path full.
bool Holds(const std::string& mountPoint, const std::string& full) {
  if (mountPoint == "/") return true;
  return full.compare(0, mountPoint.size(), mountPoint) == 0 &&
         (full.size() == mountPoint.size() || full[mountPoint.size()] == '/');
}

SystemDriveService& SystemDrives() {
  static SystemDriveService service;
  return service;
}

IDriveService* installedDrives = nullptr;

}  // namespace

SystemDriveService::SystemDriveService(std::string sysRoot, std::string labelDir, std::string mountTable)
    : sysRoot_(std::move(sysRoot)), labelDir_(std::move(labelDir)), mountTable_(std::move(mountTable)) {}

std::string SystemDriveService::DeviceFolder(std::string_view path) const {
  dev_t device = 0;
  if (!DeviceOf(path, device)) return {};
  const std::string number = std::to_string(major(device)) + ":" + std::to_string(minor(device));
  std::error_code ec;
  fs::path folder = fs::canonical(fs::path(sysRoot_) / "dev" / "block" / number, ec);
  return ec ? std::string() : folder.string();
}

bool SystemDriveService::FolderIsRemovable(const std::string& folder) const {
  // A partition has no attribute of its own: its disk, the folder above, has it.
  const fs::path own = fs::path(folder) / "removable";
  std::error_code ec;
  return fs::exists(own, ec) ? FlagSet(own) : FlagSet(fs::path(folder).parent_path() / "removable");
}

bool SystemDriveService::IsRemovable(std::string_view path) {
  const std::string folder = DeviceFolder(path);
  return !folder.empty() && FolderIsRemovable(folder);
}

std::string SystemDriveService::LabelOfDevice(const std::string& name) const {
  std::error_code ec;
  for (fs::directory_iterator it(labelDir_, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code linkError;
    const fs::path target = fs::read_symlink(it->path(), linkError);
    if (!linkError && target.filename() == name) return DecodeLabel(it->path().filename().string());
  }
  return {};
}

std::string SystemDriveService::VolumeLabel(std::string_view path) {
  const std::string folder = DeviceFolder(path);
  return folder.empty() ? std::string() : LabelOfDevice(fs::path(folder).filename().string());
}

std::vector<SystemDriveService::MountEntry> SystemDriveService::ReadMountTable() const {
  std::ifstream in(mountTable_);
  if (!in && mountTable_ == "/proc/self/mounts") in.open("/proc/mounts");
  std::vector<MountEntry> table;
  for (std::string line; std::getline(in, line);) {
    std::istringstream fields(line);
    std::string device, mountPoint;
    if (fields >> device >> mountPoint) table.push_back({UnescapeMountField(device), UnescapeMountField(mountPoint)});
  }
  return table;
}

std::vector<MountedVolume> SystemDriveService::RemovableMounts() {
  std::vector<MountedVolume> mounts;
  for (const MountEntry& entry : ReadMountTable()) {
    if (entry.device.empty() || entry.device[0] != '/') continue;  // no block device: proc, tmpfs, ...
    // A device named by a link ("/dev/disk/by-uuid/...", "/dev/mapper/...") is the device it links to.
    std::error_code ec;
    const fs::path device = fs::canonical(entry.device, ec);
    const std::string name = (ec ? fs::path(entry.device) : device).filename().string();
    const fs::path folder = fs::canonical(fs::path(sysRoot_) / "class" / "block" / name, ec);
    if (ec || !FolderIsRemovable(folder.string())) continue;
    mounts.push_back({entry.mountPoint, LabelOfDevice(folder.filename().string())});
  }
  return mounts;
}

bool SystemDriveService::MountPointOf(std::string_view path, std::string& mountPoint, std::string& below) {
  std::error_code ec;
  fs::path resolved = fs::weakly_canonical(fs::path(ExpandFileName(path)), ec);
  const std::string full = ec ? ExpandFileName(path) : resolved.string();
  const std::vector<MountEntry> table = ReadMountTable();
  const MountEntry* best = nullptr;
  // The innermost mount point holding the path; of two at one place the later one, which covers the other.
  for (const MountEntry& entry : table)
    if (Holds(entry.mountPoint, full) && (!best || entry.mountPoint.size() >= best->mountPoint.size())) best = &entry;
  if (!best) return false;
  mountPoint = best->mountPoint;
  const size_t rest = full.find_first_not_of('/', std::min(full.size(), mountPoint.size()));
  below = rest == std::string::npos ? std::string() : full.substr(rest);
  return true;
}

IDriveService& Drives() { return installedDrives != nullptr ? *installedDrives : SystemDrives(); }

void SetDrives(IDriveService* service) { installedDrives = service; }

}  // namespace pf
