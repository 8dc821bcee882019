// Small helpers of the archive reader: percentages, names, DOS dates and folders. Stored names use "\" as their
// folder separator; file-system paths use "/".
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace zip {

int64_t Min64(int64_t a, int64_t b);
int64_t Max64(int64_t a, int64_t b);
// part * 100 / whole, rounded, at most 100; 0 when whole < 1.
int PercentOf(int32_t whole, int32_t part);
// The same on 64-bit values; 0 when whole <= 0.
int PercentOf64(int64_t whole, int64_t part);
std::string SlashesToBackslashes(std::string_view s);
std::string LeftStr(std::string_view s, int count);
std::string RightStr(std::string_view s, int count);
// Clamps the fields of a packed DOS date/time (date in the high word) into range: hour <= 23, minute <= 59,
// seconds <= 58, year <= 2099, month 1..12, day >= 1. A value already in range comes back unchanged.
uint32_t ClampDosDateTime(uint32_t dosDateTime);
// Creates a folder with its parents; true when it exists afterwards.
bool CreateDirectoryPath(std::string_view path);
bool DoesFileExist(std::string_view path);
bool DoesDirectoryExist(std::string_view path);
// The current folder of a drive; without drives on this system, the current folder.
std::string GetDriveDirectory(char drive);
std::string PCharToString(const char* s);
std::unique_ptr<char[]> StringToNewPChar(std::string_view s);
// Copies s into buffer (size bytes, zero-terminated, cut to fit) and returns buffer.
char* StringToPChar(std::string_view s, char* buffer, int size);
// The label of the file system that path lies on (drives are paths here), at most 14 characters; "" without one.
std::string GetVolumeLabel(std::string_view path);

}  // namespace zip
