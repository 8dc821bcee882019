#include "platform/core/resources.h"

#include <algorithm>
#include <vector>

#include "platform/core/exceptions.h"
#include "platform/core/streams.h"
#include "platform/core/strings.h"

// The linker marks the start and the end of the resource section when the program links one; without it both stay
// null.
extern "C" {
extern const char __start_pexu_rsrc[] __attribute__((weak, visibility("hidden")));
extern const char __stop_pexu_rsrc[] __attribute__((weak, visibility("hidden")));
}

namespace pf {

namespace {

thread_local uint32_t lastError = ERROR_SUCCESS;

constexpr uint64_t kHeaderSize = 8;
constexpr uint64_t kEntrySize = 16;
// No resource section of ours comes near this; a larger one is taken for damage rather than read.
constexpr uint64_t kMaxSectionSize = 64u << 20;

uint64_t ReadLE(std::string_view bytes, uint64_t offset, int size) {
  uint64_t value = 0;
  for (int i = size - 1; i >= 0; --i) value = (value << 8) | static_cast<uint8_t>(bytes[offset + i]);
  return value;
}

uint32_t U32(std::string_view bytes, uint64_t offset) { return static_cast<uint32_t>(ReadLE(bytes, offset, 4)); }

// The zero-terminated name at offset, or nullopt-like false when it runs past the end.
bool NameAt(std::string_view bytes, uint32_t offset, std::string_view& name) {
  if (offset >= bytes.size()) return false;
  size_t end = bytes.find('\0', offset);
  if (end == std::string_view::npos) return false;
  name = bytes.substr(offset, end - offset);
  return true;
}

bool NameMatches(std::string_view bytes, uint32_t stored, const TResourceName& wanted) {
  if ((stored & kResourceNumericName) != 0) return wanted.numeric && (stored & ~kResourceNumericName) == wanted.id;
  std::string_view name;
  return !wanted.numeric && NameAt(bytes, stored, name) && SameText(name, wanted.name);
}

// count bytes of the stream from offset, or false when the stream is shorter.
bool ReadAt(TStream& stream, uint64_t offset, uint64_t count, std::string& out) {
  uint64_t size = static_cast<uint64_t>(stream.Size());
  if (offset > size || count > size - offset || count > kMaxSectionSize) return false;
  out.assign(count, '\0');
  stream.SetPosition(static_cast<int64_t>(offset));
  return count == 0 || stream.Read(out.data(), static_cast<int32_t>(count)) == static_cast<int32_t>(count);
}

// Where the section-header fields lie for the two ELF classes.
struct ElfLayout {
  int addressSize;       // 4 or 8
  uint64_t shoff;        // e_shoff in the file header
  uint64_t shentsize;    // e_shentsize, then e_shnum and e_shstrndx follow
  uint64_t entrySize;    // the smallest section header
  uint64_t offsetField;  // sh_offset in a section header (sh_size follows)
};
constexpr ElfLayout kElf32{4, 0x20, 0x2E, 0x28, 0x10};
constexpr ElfLayout kElf64{8, 0x28, 0x3A, 0x40, 0x18};
constexpr uint32_t SHT_NOBITS = 8;

struct ElfSection {
  uint32_t name = 0;
  uint32_t type = 0;
  uint64_t offset = 0;
  uint64_t size = 0;
};

}  // namespace

uint32_t GetLastError() { return lastError; }
void SetLastError(uint32_t code) { lastError = code; }

TResourceModule TResourceModule::View(std::string_view bytes) {
  TResourceModule module;
  module.bytes_ = bytes;
  return module;
}

TResourceModule::TResourceModule(std::string bytes) : owned_(std::move(bytes)), bytes_(owned_) {}

bool TResourceModule::Valid() const {
  if (bytes_.size() < kHeaderSize || bytes_.substr(0, 4) != kResourceMagic) return false;
  return kHeaderSize + kEntrySize * U32(bytes_, 4) <= bytes_.size();
}

HMODULE MainInstance() {
  static const TResourceModule self = [] {
    const char* start = __start_pexu_rsrc;
    const char* stop = __stop_pexu_rsrc;
    return TResourceModule::View(start && stop > start ? std::string_view(start, static_cast<size_t>(stop - start))
                                                       : std::string_view());
  }();
  return &self;
}

bool ReadElfSection(TStream& file, std::string_view name, std::string& bytes) {
  std::string header;
  if (!ReadAt(file, 0, 64, header) ||
      header.compare(0, 4,
                     "\x7F"
                     "ELF") != 0 ||
      header[5] != 1)
    return false;
  const ElfLayout* layout = header[4] == 1 ? &kElf32 : header[4] == 2 ? &kElf64 : nullptr;
  if (!layout) return false;
  uint64_t shoff = ReadLE(header, layout->shoff, layout->addressSize);
  uint64_t entsize = ReadLE(header, layout->shentsize, 2);
  uint64_t count = ReadLE(header, layout->shentsize + 2, 2);
  uint64_t strIndex = ReadLE(header, layout->shentsize + 4, 2);
  std::string table;
  if (entsize < layout->entrySize || strIndex >= count || !ReadAt(file, shoff, entsize * count, table)) return false;

  std::vector<ElfSection> sections(count);
  for (uint64_t i = 0; i < count; ++i) {
    uint64_t at = i * entsize;
    sections[i] = {U32(table, at), U32(table, at + 4), ReadLE(table, at + layout->offsetField, layout->addressSize),
                   ReadLE(table, at + layout->offsetField + layout->addressSize, layout->addressSize)};
  }
  std::string names;
  const ElfSection& strtab = sections[strIndex];
  if (strtab.type == SHT_NOBITS || !ReadAt(file, strtab.offset, strtab.size, names)) return false;
  for (const ElfSection& section : sections) {
    std::string_view sectionName;
    if (section.type == SHT_NOBITS || !NameAt(names, section.name, sectionName) || sectionName != name) continue;
    return ReadAt(file, section.offset, section.size, bytes);
  }
  return false;
}

std::unique_ptr<TResourceModule> LoadResourceModule(const std::string& fileName) {
  try {
    TFileStream file(fileName, fmOpenRead);
    std::string bytes;
    if (!ReadElfSection(file, kResourceSection, bytes)) bytes.clear();
    return std::make_unique<TResourceModule>(std::move(bytes));
  } catch (const EStreamError&) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return nullptr;
  }
}

HRSRC FindResource(HMODULE module, const TResourceName& name, uint32_t type) {
  if (!module) module = MainInstance();
  std::string_view bytes = module->Bytes();
  if (!module->Valid()) {
    SetLastError(bytes.empty() ? ERROR_RESOURCE_TYPE_NOT_FOUND : ERROR_INVALID_DATA);
    return {};
  }
  bool typeFound = false;
  for (uint32_t i = 0, count = U32(bytes, 4); i < count; ++i) {
    uint64_t at = kHeaderSize + kEntrySize * i;
    if (U32(bytes, at) != type) continue;
    typeFound = true;
    if (NameMatches(bytes, U32(bytes, at + 4), name)) return {module, U32(bytes, at + 8), U32(bytes, at + 12)};
  }
  SetLastError(typeFound ? ERROR_RESOURCE_NAME_NOT_FOUND : ERROR_RESOURCE_TYPE_NOT_FOUND);
  return {};
}

HGLOBAL LoadResource(HMODULE module, HRSRC resource) {
  if (!module) module = MainInstance();
  std::string_view bytes = module->Bytes();
  if (!resource || resource.module != module || uint64_t{resource.offset} + resource.size > bytes.size()) {
    SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
    return {};
  }
  return {reinterpret_cast<const uint8_t*>(bytes.data()) + resource.offset, resource.size};
}

const uint8_t* LockResource(HGLOBAL resource) { return resource.data; }

uint32_t SizeofResource(HMODULE, HRSRC resource) { return resource.size; }

}  // namespace pf
