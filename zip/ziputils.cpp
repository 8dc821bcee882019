#include "zip/ziputils.h"

#include <unistd.h>

#include <cstring>

#include "platform/core/drives.h"
#include "platform/core/files.h"
#include "platform/core/strings.h"

namespace zip {

int64_t Min64(int64_t a, int64_t b) { return a < b ? a : b; }
int64_t Max64(int64_t a, int64_t b) { return a > b ? a : b; }

int PercentOf(int32_t whole, int32_t part) {
  if (whole < 1) return 0;
  return PercentOf64(whole, part);
}

int PercentOf64(int64_t whole, int64_t part) {
  if (whole <= 0) return 0;
  // Rounded half away from zero, without overflow for sizes up to 2^56.
  int64_t scaled = part * 100;
  int64_t result = scaled >= 0 ? (scaled + whole / 2) / whole : -((-scaled + whole / 2) / whole);
  return result > 100 ? 100 : static_cast<int>(result);
}

std::string SlashesToBackslashes(std::string_view s) {
  std::string r(s);
  for (char& c : r)
    if (c == '/') c = '\\';
  return r;
}

std::string LeftStr(std::string_view s, int count) {
  if (count <= 0) return {};
  return std::string(s.substr(0, static_cast<size_t>(count)));
}

std::string RightStr(std::string_view s, int count) {
  if (count <= 0) return {};
  size_t n = static_cast<size_t>(count);
  return std::string(n >= s.size() ? s : s.substr(s.size() - n));
}

uint32_t ClampDosDateTime(uint32_t dos) {
  uint32_t sec = dos & 0x1F;
  uint32_t min = (dos >> 5) & 0x3F;
  uint32_t hour = (dos >> 11) & 0x1F;
  uint32_t day = (dos >> 16) & 0x1F;
  uint32_t month = (dos >> 21) & 0x0F;
  uint32_t year = (dos >> 25) & 0x7F;
  bool changed = false;
  auto clamp = [&changed](uint32_t& v, uint32_t lo, uint32_t hi) {
    if (v < lo) v = lo, changed = true;
    if (v > hi) v = hi, changed = true;
  };
  clamp(hour, 0, 23);
  clamp(min, 0, 59);
  clamp(sec, 0, 29);
  clamp(year, 0, 2099 - 1980);
  clamp(month, 1, 12);
  clamp(day, 1, 31);
  if (!changed) return dos;
  return (year << 25) | (month << 21) | (day << 16) | (hour << 11) | (min << 5) | sec;
}

bool CreateDirectoryPath(std::string_view path) { return pf::ForceDirectories(path); }
bool DoesFileExist(std::string_view path) { return pf::FileExists(path); }
bool DoesDirectoryExist(std::string_view path) { return pf::DirectoryExists(path); }

std::string GetDriveDirectory(char) {
  char buffer[4096];
  return getcwd(buffer, sizeof buffer) ? std::string(buffer) : std::string();
}

std::string PCharToString(const char* s) { return s ? std::string(s) : std::string(); }

std::unique_ptr<char[]> StringToNewPChar(std::string_view s) {
  auto p = std::make_unique<char[]>(s.size() + 1);
  std::memcpy(p.get(), s.data(), s.size());
  p[s.size()] = '\0';
  return p;
}

char* StringToPChar(std::string_view s, char* buffer, int size) {
  if (size <= 0) return buffer;
  size_t n = s.size() < static_cast<size_t>(size - 1) ? s.size() : static_cast<size_t>(size - 1);
  std::memcpy(buffer, s.data(), n);
  buffer[n] = '\0';
  return buffer;
}

std::string GetVolumeLabel(std::string_view path) { return LeftStr(pf::Drives().VolumeLabel(path), 14); }

}  // namespace zip
