// Resources linked into a program. The build packs typed, named byte blocks (string tables, the version block)
// into one container and links it into the executable's own ELF section "pexu_rsrc". The running program reads its
// container straight from memory; any other file is searched for that section on disk, so that a file name keeps
// its meaning for the version routines.
//
// Container layout (little-endian): "PXRS", u32 count, count entries of 16 bytes (u32 type, u32 name, u32 data
// offset, u32 size), then names and data. A name with bit 31 set is a number (the low 31 bits); otherwise it is the
// offset of a zero-terminated ASCII name, compared without regard to case. Offsets count from the container start.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace pf {

class TStream;

// Resource types.
enum : uint32_t { RT_RCDATA = 10, RT_VERSION = 16 };

// The error codes that the resource and version routines leave for GetLastError.
enum : uint32_t {
  ERROR_SUCCESS = 0,
  ERROR_FILE_NOT_FOUND = 2,
  ERROR_INVALID_DATA = 13,
  ERROR_RESOURCE_DATA_NOT_FOUND = 1812,
  ERROR_RESOURCE_TYPE_NOT_FOUND = 1813,
  ERROR_RESOURCE_NAME_NOT_FOUND = 1814,
};
// The code of the last failing resource or version call on this thread.
uint32_t GetLastError();
void SetLastError(uint32_t code);

constexpr std::string_view kResourceSection = "pexu_rsrc";
constexpr std::string_view kResourceMagic = "PXRS";
constexpr uint32_t kResourceNumericName = 0x80000000u;

// A resource name: a number or a text.
struct TResourceName {
  TResourceName(uint32_t number) : id(number), numeric(true) {}
  TResourceName(std::string_view text) : name(text) {}
  TResourceName(const char* text) : name(text) {}
  std::string name;
  uint32_t id = 0;
  bool numeric = false;
};

class TResourceModule;
using HMODULE = const TResourceModule*;

// A found resource: where its bytes are said to lie in the module's container.
struct HRSRC {
  HMODULE module = nullptr;
  uint32_t offset = 0;
  uint32_t size = 0;
  explicit operator bool() const { return module != nullptr; }
};

// A loaded resource: its bytes, inside the container.
struct HGLOBAL {
  const uint8_t* data = nullptr;
  uint32_t size = 0;
  explicit operator bool() const { return data != nullptr; }
};

class TResourceModule {
 public:
  // A container held in memory that the module does not own (the program's own section).
  static TResourceModule View(std::string_view bytes);
  // A container the module keeps a copy of.
  explicit TResourceModule(std::string bytes);
  TResourceModule(const TResourceModule&) = delete;
  TResourceModule& operator=(const TResourceModule&) = delete;
  TResourceModule(TResourceModule&&) = default;

  std::string_view Bytes() const { return bytes_; }
  // Whether the bytes begin with the container's magic and hold its entry table.
  bool Valid() const;

 private:
  TResourceModule() = default;
  std::string owned_;
  std::string_view bytes_;
};

// The running program's own resources (an empty module when it links none).
HMODULE MainInstance();
// The resources of a file. nullptr when the file cannot be read (last error ERROR_FILE_NOT_FOUND); a file that is
// not an ELF file or has no resource section gives an empty module.
std::unique_ptr<TResourceModule> LoadResourceModule(const std::string& fileName);
// The bytes of a named section of an ELF file held in a stream; false when the stream is no well-formed ELF file
// or has no such section.
bool ReadElfSection(TStream& file, std::string_view name, std::string& bytes);

// The classic calls. FindResource fails (null, last error ERROR_RESOURCE_TYPE_NOT_FOUND or
// ERROR_RESOURCE_NAME_NOT_FOUND, or ERROR_INVALID_DATA for a damaged container); LoadResource fails (null, last
// error ERROR_RESOURCE_DATA_NOT_FOUND) when the entry's bytes lie outside the container; LockResource gives the
// bytes of a loaded resource (nullptr for a null one). Unlocking and freeing have nothing to release.
HRSRC FindResource(HMODULE module, const TResourceName& name, uint32_t type);
HGLOBAL LoadResource(HMODULE module, HRSRC resource);
const uint8_t* LockResource(HGLOBAL resource);
uint32_t SizeofResource(HMODULE module, HRSRC resource);
inline bool UnlockResource(HGLOBAL) { return false; }
inline bool FreeResource(HGLOBAL) { return false; }

}  // namespace pf
