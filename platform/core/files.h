// Files, folders and paths. Paths use "/". Every open for reading goes through ResolvePath, which falls back to a
// case-insensitive match, component by component, when the exact path does not exist.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pf {

constexpr char PathDelim = '/';

// The exact path when it exists; otherwise the first case-insensitive (Latin-1) match of each component in turn;
// otherwise path unchanged.
std::string ResolvePath(std::string_view path);

bool FileExists(std::string_view path);        // a regular file (through ResolvePath)
bool DirectoryExists(std::string_view path);   // through ResolvePath
bool CreateDir(std::string_view path);         // one level; false on failure or when it exists
bool ForceDirectories(std::string_view path);  // all levels; true when the folder exists afterwards
bool RemoveDir(std::string_view path);
bool DeleteFile(std::string_view path);
bool RenameFile(std::string_view oldName, std::string_view newName);  // replaces an existing newName
int64_t FileSize(std::string_view path);                              // -1 when missing

// "dir/name.ext" -> "name.ext", "dir/", ".ext"; ExtractFileDir has no trailing delimiter.
std::string ExtractFileName(std::string_view path);
std::string ExtractFilePath(std::string_view path);
std::string ExtractFileDir(std::string_view path);
std::string ExtractFileExt(std::string_view path);
std::string ChangeFileExt(std::string_view path, std::string_view ext);
std::string IncludeTrailingPathDelimiter(std::string_view path);
std::string ExcludeTrailingPathDelimiter(std::string_view path);  // never strips a lone "/"
// Absolute and normalised ("." and ".." removed); relative paths are taken from the current folder.
std::string ExpandFileName(std::string_view path);
// a + "/" + b with exactly one delimiter between them; a "\" in b becomes "/".
std::string PathJoin(std::string_view a, std::string_view b);

// Modification time as a packed DOS date/time (date high word), -1 when missing.
int32_t FileAge(std::string_view path);
// Sets the modification time from a packed DOS date/time; 0 on success, an errno value otherwise.
int FileSetDate(std::string_view path, int32_t dosDateTime);

// Attributes: read-only maps to the absence of write bits.
enum : int32_t {
  faReadOnly = 0x01,
  faHidden = 0x02,
  faSysFile = 0x04,
  faVolumeID = 0x08,
  faDirectory = 0x10,
  faArchive = 0x20,
};
int32_t FileGetAttr(std::string_view path);                  // -1 when missing
int FileSetAttr(std::string_view path, int32_t attributes);  // 0 on success

// Names (not paths) of the regular files in dir whose name matches the mask ("*.qlt", "*"), sorted.
std::vector<std::string> ListFiles(std::string_view dir, std::string_view mask);

// Writes bytes to a temporary file beside path, flushes it and renames it over path (over the file a symbolic link
// points to, keeping the link). Raises EFCreateError, also for a read-only file (one without write bits).
void AtomicWriteFile(const std::string& path, std::string_view bytes);
// Reads a whole file through ResolvePath. Raises EFOpenError.
std::string ReadFileBytes(const std::string& path);

// The full path of the running executable, however long ("" when the system does not tell it).
std::string ProgramFileName();
// The folder of the running executable, with a trailing "/" (the current folder when the path is unknown).
std::string ProgramDir();
// An environment variable; "USERPROFILE" answers USERPROFILE when set, else HOME, else the user's home from the
// password database. "" when unset.
std::string GetEnvVar(std::string_view name);

}  // namespace pf
