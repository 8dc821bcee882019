#include "platform/core/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "platform/core/datetime.h"
#include "platform/core/exceptions.h"
#include "platform/core/streams.h"
#include "platform/core/strings.h"

namespace pf {

namespace {

bool StatPath(const std::string& path, struct stat& info) { return ::stat(path.c_str(), &info) == 0; }

bool Exists(const std::string& path) {
  struct stat info {};
  return StatPath(path, info);
}

// The entry of dir whose name equals name without regard to Latin-1 case; of several, the smallest byte-wise so
// that the choice does not depend on the directory's order. "" when there is none.
std::string FindEntryIgnoringCase(const std::string& dir, std::string_view name) {
  DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
  if (!d) return {};
  std::string best;
  while (dirent* entry = ::readdir(d)) {
    std::string_view candidate(entry->d_name);
    if (AnsiSameText(candidate, name) && (best.empty() || candidate < best)) best = candidate;
  }
  ::closedir(d);
  return best;
}

// Case-insensitive glob match of name against mask ("*" any run, "?" any one byte).
bool MatchesMask(std::string_view name, std::string_view mask) {
  size_t n = 0, m = 0, starMask = std::string_view::npos, starName = 0;
  while (n < name.size()) {
    if (m < mask.size() && mask[m] == '*') {
      starMask = m++;
      starName = n;
    } else if (m < mask.size() && (mask[m] == '?' || AnsiLowerChar(mask[m]) == AnsiLowerChar(name[n]))) {
      ++m;
      ++n;
    } else if (starMask != std::string_view::npos) {
      m = starMask + 1;
      n = ++starName;
    } else {
      return false;
    }
  }
  while (m < mask.size() && mask[m] == '*') ++m;
  return m == mask.size();
}

std::string CurrentDir() {
  std::string buffer(PATH_MAX, '\0');
  while (!::getcwd(buffer.data(), buffer.size())) {
    if (errno != ERANGE) return "/";
    buffer.resize(buffer.size() * 2);
  }
  buffer.resize(std::char_traits<char>::length(buffer.c_str()));
  return buffer;
}

bool WriteAll(int fd, std::string_view bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

// The file creation mask, read from /proc so that no other thread ever creates a file under a changed mask; only
// where /proc does not show it, set and restored.
mode_t CurrentUmask() {
  if (FILE* status = std::fopen("/proc/self/status", "re")) {
    char line[256];
    unsigned mask = 0;
    bool found = false;
    while (!found && std::fgets(line, sizeof line, status)) found = std::sscanf(line, "Umask: %o", &mask) == 1;
    std::fclose(status);
    if (found) return static_cast<mode_t>(mask);
  }
  mode_t mask = ::umask(022);
  ::umask(mask);
  return mask;
}

// Status of path, or of its case-insensitive match when the exact path does not exist (one stat when it does).
bool StatResolved(std::string_view path, struct stat& info) {
  std::string exact(path);
  return StatPath(exact, info) || StatPath(ResolvePath(path), info);
}

}  // namespace

std::string ResolvePath(std::string_view path) {
  std::string exact(path);
  if (path.empty() || Exists(exact)) return exact;
  std::string result = path.front() == '/' ? "/" : "";
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find('/', start);
    if (end == std::string_view::npos) end = path.size();
    std::string_view part = path.substr(start, end - start);
    if (!part.empty()) {
      std::string candidate = result + std::string(part);
      if (part != "." && part != ".." && !Exists(candidate)) {
        std::string match = FindEntryIgnoringCase(result, part);
        if (match.empty()) return exact;
        candidate = result + match;
      }
      result = candidate;
      if (end < path.size()) result += '/';
    }
    start = end + 1;
  }
  return result;
}

bool FileExists(std::string_view path) {
  struct stat info {};
  return StatResolved(path, info) && S_ISREG(info.st_mode);
}

bool DirectoryExists(std::string_view path) {
  struct stat info {};
  return !path.empty() && StatResolved(path, info) && S_ISDIR(info.st_mode);
}

bool CreateDir(std::string_view path) { return !path.empty() && ::mkdir(std::string(path).c_str(), 0777) == 0; }

bool ForceDirectories(std::string_view path) {
  std::string dir = ExcludeTrailingPathDelimiter(path);
  if (dir.empty()) return false;
  struct stat info {};
  if (StatPath(dir, info)) return S_ISDIR(info.st_mode);
  std::string parent = ExtractFileDir(dir);
  if (!parent.empty() && parent != dir && !ForceDirectories(parent)) return false;
  ::mkdir(dir.c_str(), 0777);
  return StatPath(dir, info) && S_ISDIR(info.st_mode);
}

bool RemoveDir(std::string_view path) { return !path.empty() && ::rmdir(std::string(path).c_str()) == 0; }

bool DeleteFile(std::string_view path) { return !path.empty() && ::unlink(std::string(path).c_str()) == 0; }

bool RenameFile(std::string_view oldName, std::string_view newName) {
  return !oldName.empty() && !newName.empty() &&
         ::rename(std::string(oldName).c_str(), std::string(newName).c_str()) == 0;
}

int64_t FileSize(std::string_view path) {
  struct stat info {};
  if (!StatResolved(path, info) || !S_ISREG(info.st_mode)) return -1;
  return static_cast<int64_t>(info.st_size);
}

std::string ExtractFileName(std::string_view path) {
  size_t slash = path.rfind('/');
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string ExtractFilePath(std::string_view path) {
  size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash + 1));
}

std::string ExtractFileDir(std::string_view path) {
  size_t slash = path.rfind('/');
  if (slash == std::string_view::npos) return {};
  return std::string(path.substr(0, slash == 0 ? 1 : slash));
}

std::string ExtractFileExt(std::string_view path) {
  size_t dot = path.rfind('.');
  size_t slash = path.rfind('/');
  if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) return {};
  return std::string(path.substr(dot));
}

std::string ChangeFileExt(std::string_view path, std::string_view ext) {
  size_t length = path.size() - ExtractFileExt(path).size();
  return std::string(path.substr(0, length)) + std::string(ext);
}

std::string IncludeTrailingPathDelimiter(std::string_view path) {
  std::string result(path);
  if (!result.empty() && result.back() != PathDelim) result += PathDelim;
  return result;
}

std::string ExcludeTrailingPathDelimiter(std::string_view path) {
  size_t length = path.size();
  while (length > 1 && path[length - 1] == PathDelim) --length;
  return std::string(path.substr(0, length));
}

std::string ExpandFileName(std::string_view path) {
  if (path.empty()) return {};
  std::string full = path.front() == '/' ? std::string(path) : PathJoin(CurrentDir(), path);
  std::vector<std::string_view> parts;
  std::string_view rest(full);
  size_t start = 0;
  while (start <= rest.size()) {
    size_t end = rest.find('/', start);
    if (end == std::string_view::npos) end = rest.size();
    std::string_view part = rest.substr(start, end - start);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    start = end + 1;
  }
  std::string result;
  for (std::string_view part : parts) {
    result += '/';
    result += part;
  }
  if (result.empty()) return "/";
  if (full.back() == '/') result += '/';
  return result;
}

std::string PathJoin(std::string_view a, std::string_view b) {
  std::string tail(b);
  std::replace(tail.begin(), tail.end(), '\\', '/');
  if (a.empty()) return tail;
  size_t skip = tail.find_first_not_of('/');
  tail.erase(0, skip == std::string::npos ? tail.size() : skip);
  return IncludeTrailingPathDelimiter(ExcludeTrailingPathDelimiter(a)) + tail;
}

int32_t FileAge(std::string_view path) {
  struct stat info {};
  if (!StatResolved(path, info)) return -1;
  std::tm local{};
  time_t seconds = info.st_mtime;
  if (!::localtime_r(&seconds, &local)) return -1;
  // Times outside 1980 to 2107 are clamped by the packing.
  return static_cast<int32_t>(PackDosDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                                              local.tm_min, local.tm_sec));
}

int FileSetDate(std::string_view path, int32_t dosDateTime) {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  UnpackDosDateTime(static_cast<uint32_t>(dosDateTime), year, month, day, hour, minute, second);
  if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 59) return EINVAL;
  std::tm local{};
  local.tm_year = year - 1900;
  local.tm_mon = month - 1;
  local.tm_mday = day;
  local.tm_hour = hour;
  local.tm_min = minute;
  local.tm_sec = second;
  local.tm_isdst = -1;
  time_t seconds = ::mktime(&local);
  // mktime rolls a day that the month lacks (30 February) into the next month: refuse it instead.
  if (seconds == static_cast<time_t>(-1) || local.tm_mday != day || local.tm_mon != month - 1) return EINVAL;
  struct timespec times[2] = {{0, UTIME_OMIT}, {seconds, 0}};
  std::string resolved = ResolvePath(path);
  return ::utimensat(AT_FDCWD, resolved.c_str(), times, 0) == 0 ? 0 : errno;
}

int32_t FileGetAttr(std::string_view path) {
  struct stat info {};
  if (!StatResolved(path, info)) return -1;
  int32_t attributes = 0;
  if (S_ISDIR(info.st_mode)) attributes |= faDirectory;
  if ((info.st_mode & 0222) == 0) attributes |= faReadOnly;
  return attributes;
}

int FileSetAttr(std::string_view path, int32_t attributes) {
  std::string resolved = ResolvePath(path);
  struct stat info {};
  if (!StatPath(resolved, info)) return errno;
  mode_t mode = info.st_mode & 07777;
  mode = (attributes & faReadOnly) ? (mode & ~0222) : (mode | ((0222 & ~CurrentUmask()) | 0200));
  return ::chmod(resolved.c_str(), mode) == 0 ? 0 : errno;
}

std::vector<std::string> ListFiles(std::string_view dir, std::string_view mask) {
  std::vector<std::string> names;
  std::string folder = dir.empty() ? "." : ResolvePath(dir);
  DIR* d = ::opendir(folder.c_str());
  if (!d) return names;
  std::string prefix = IncludeTrailingPathDelimiter(folder);
  while (dirent* entry = ::readdir(d)) {
    std::string_view name(entry->d_name);
    if (name == "." || name == ".." || !MatchesMask(name, mask)) continue;
    struct stat info {};
    if (StatPath(prefix + std::string(name), info) && S_ISREG(info.st_mode)) names.emplace_back(name);
  }
  ::closedir(d);
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    int order = AnsiCompareText(a, b);
    return order != 0 ? order < 0 : a < b;
  });
  return names;
}

void AtomicWriteFile(const std::string& path, std::string_view bytes) {
  // A symbolic link stays a link: the file it points to is the one replaced.
  std::string target = path;
  struct stat info {};
  if (::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
    if (char* real = ::realpath(path.c_str(), nullptr)) {
      target = real;
      std::free(real);
    }
  }
  std::string dir = ExtractFilePath(target);
  std::string temp = dir + "." + ExtractFileName(target) + ".XXXXXX";
  int fd = ExtractFileName(target).empty() ? -1 : ::mkstemp(temp.data());
  // The new file keeps the permissions of the one it replaces, or gets the usual ones for a new file. A read-only
  // file (no write bits) is refused, as writing into it would be: the rename must not get round the protection.
  bool exists = StatPath(target, info);
  mode_t mode = exists ? (info.st_mode & 07777) : (0666 & ~CurrentUmask());
  bool written = fd >= 0 && !(exists && S_ISREG(info.st_mode) && (mode & 0222) == 0) && ::fchmod(fd, mode) == 0 &&
                 WriteAll(fd, bytes) && ::fsync(fd) == 0;
  if (fd >= 0 && ::close(fd) != 0) written = false;
  if (!written || ::rename(temp.c_str(), target.c_str()) != 0) {
    if (fd >= 0) ::unlink(temp.c_str());
    throw EFCreateError(Format("Cannot create file \"%s\"", {path}));
  }
  // Make the rename itself durable.
  int dirFd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd >= 0) {
    ::fsync(dirFd);
    ::close(dirFd);
  }
}

std::string ReadFileBytes(const std::string& path) {
  TFileStream file(path, fmOpenRead);
  std::string bytes;
  bytes.reserve(static_cast<size_t>(file.Size()));
  char chunk[64 * 1024];
  while (int32_t n = file.Read(chunk, sizeof chunk)) bytes.append(chunk, static_cast<size_t>(n));
  return bytes;
}

std::string ProgramFileName() {
  // The link's length is not known beforehand: a path that fills the buffer may have been cut, so grow and retry.
  for (size_t size = PATH_MAX;; size *= 2) {
    std::string buffer(size, '\0');
    ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n <= 0) return "";
    if (static_cast<size_t>(n) < buffer.size()) {
      buffer.resize(static_cast<size_t>(n));
      return buffer;
    }
  }
}

std::string ProgramDir() {
  std::string program = ProgramFileName();
  return program.empty() ? IncludeTrailingPathDelimiter(CurrentDir()) : ExtractFilePath(program);
}

std::string GetEnvVar(std::string_view name) {
  auto get = [](const char* key) -> std::string {
    const char* value = std::getenv(key);
    return value ? value : "";
  };
  if (name != "USERPROFILE") return get(std::string(name).c_str());
  for (const char* key : {"USERPROFILE", "HOME"}) {
    std::string value = get(key);
    if (!value.empty()) return value;
  }
  long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(static_cast<size_t>(size > 0 ? size : 16384));
  struct passwd entry {};
  struct passwd* found = nullptr;
  while (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == ERANGE) {
    buffer.resize(buffer.size() * 2);
  }
  return found && found->pw_dir ? found->pw_dir : "";
}

}  // namespace pf
