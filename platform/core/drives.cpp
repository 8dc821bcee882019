#include "platform/core/drives.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <filesystem>
#include <fstream>
#include <system_error>

#include "platform/core/codepage.h"

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

SystemDriveService& SystemDrives() {
  static SystemDriveService service;
  return service;
}

IDriveService* installedDrives = nullptr;

}  // namespace

SystemDriveService::SystemDriveService(std::string sysRoot, std::string labelDir)
    : sysRoot_(std::move(sysRoot)), labelDir_(std::move(labelDir)) {}

std::string SystemDriveService::DeviceFolder(std::string_view path) const {
  dev_t device = 0;
  if (!DeviceOf(path, device)) return {};
  const std::string number = std::to_string(major(device)) + ":" + std::to_string(minor(device));
  std::error_code ec;
  fs::path folder = fs::canonical(fs::path(sysRoot_) / "dev" / "block" / number, ec);
  return ec ? std::string() : folder.string();
}

bool SystemDriveService::IsRemovable(std::string_view path) {
  const std::string folder = DeviceFolder(path);
  if (folder.empty()) return false;
  // A partition has no attribute of its own: its disk, the folder above, has it.
  const fs::path own = fs::path(folder) / "removable";
  std::error_code ec;
  return fs::exists(own, ec) ? FlagSet(own) : FlagSet(fs::path(folder).parent_path() / "removable");
}

std::string SystemDriveService::VolumeLabel(std::string_view path) {
  const std::string folder = DeviceFolder(path);
  if (folder.empty()) return {};
  const std::string name = fs::path(folder).filename().string();
  std::error_code ec;
  for (fs::directory_iterator it(labelDir_, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code linkError;
    const fs::path target = fs::read_symlink(it->path(), linkError);
    if (!linkError && target.filename() == name) return DecodeLabel(it->path().filename().string());
  }
  return {};
}

IDriveService& Drives() { return installedDrives != nullptr ? *installedDrives : SystemDrives(); }

void SetDrives(IDriveService* service) { installedDrives = service; }

}  // namespace pf
