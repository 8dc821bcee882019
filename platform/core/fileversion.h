// File version information: a file's version block (resource RT_VERSION, id 1) and queries into it.
//
// The block is a tree of nodes, each: u16 length (with its children), u16 value length (characters for text
// values, bytes otherwise), u16 type (1 text, 0 binary), a zero-terminated UTF-16 key, padding to 4 bytes, the
// value, padding to 4 bytes, the children. The root "VS_VERSION_INFO" holds the fixed file information as its value
// and the children "StringFileInfo" (one table per translation, keyed by language and code page as eight hex
// digits, holding the text values) and "VarFileInfo" (its "Translation" value: pairs of u16 language, u16 code page).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace pf {

constexpr uint32_t VS_FFI_SIGNATURE = 0xFEEF04BD;
constexpr uint32_t VS_FFI_STRUCVERSION = 0x00010000;
constexpr uint32_t VS_FFI_FILEFLAGSMASK = 0x3F;
constexpr uint32_t VOS_UNKNOWN = 0;
constexpr uint32_t VFT_APP = 1;

// The fixed file information: 13 little-endian u32 values, 52 bytes.
struct VS_FIXEDFILEINFO {
  uint32_t dwSignature = 0;
  uint32_t dwStrucVersion = 0;
  uint32_t dwFileVersionMS = 0;
  uint32_t dwFileVersionLS = 0;
  uint32_t dwProductVersionMS = 0;
  uint32_t dwProductVersionLS = 0;
  uint32_t dwFileFlagsMask = 0;
  uint32_t dwFileFlags = 0;
  uint32_t dwFileOS = 0;
  uint32_t dwFileType = 0;
  uint32_t dwFileSubtype = 0;
  uint32_t dwFileDateMS = 0;
  uint32_t dwFileDateLS = 0;
};
constexpr uint32_t kFixedFileInfoSize = 52;

// The size of the file's version block; 0 on failure, with GetLastError ERROR_RESOURCE_TYPE_NOT_FOUND when the file
// has no version block (also when it has no resources at all or is no program file), ERROR_FILE_NOT_FOUND when it
// cannot be read, ERROR_INVALID_DATA or ERROR_RESOURCE_DATA_NOT_FOUND when its resources are damaged.
uint32_t GetFileVersionInfoSize(const std::string& fileName);
// The first size bytes of the file's version block; false on failure (last error as above).
bool GetFileVersionInfo(const std::string& fileName, uint32_t size, std::string& block);
// The value at subBlock: "\" the root's value (the fixed file information), "\VarFileInfo\Translation",
// "\StringFileInfo\040704e4\CompanyName" (the leading "\" may be left out; keys compare without regard to case).
// Binary values come as their bytes, text values converted to the system code page up to their terminator. False
// when a node on the path is missing or the block is damaged.
bool VerQueryValue(std::string_view block, std::string_view subBlock, std::string& value);
// The fixed file information of a "\" value; false when the value is shorter or lacks the signature.
bool ReadFixedFileInfo(std::string_view value, VS_FIXEDFILEINFO& info);
// The German name of a language id ("Deutsch (Deutschland)" for 0x0407); "" for one it does not know.
std::string VerLanguageName(uint32_t language);

}  // namespace pf
