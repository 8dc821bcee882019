// Shared by the component tests: the fixed-metric font service for a scope, a minimal 64-bit ELF file holding one
// named section, and a scratch folder.
#pragma once

#include <fstream>
#include <string>
#include <string_view>

#include "platform/graphics/fonts.h"
#include "tests/platform/core/test_helpers.h"

namespace components::test {

// Glyphs are solid boxes of known sizes while it lives.
class WithFixedFonts {
 public:
  WithFixedFonts() { pf::SetFontService(pf::CreateFixedMetricFontService()); }
  ~WithFixedFonts() { pf::SetFontService(nullptr); }
};

// An ELF64 little-endian file: header, the section's bytes, the section-name table, three section headers (none,
// the section, the name table).
inline std::string ElfWith(std::string_view section, std::string_view bytes) {
  auto put = [](std::string& out, size_t at, uint64_t value, int size) {
    for (int i = 0; i < size; ++i) out[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
  };
  std::string names = std::string("\0.shstrtab\0", 11) + std::string(section) + '\0';
  size_t dataAt = 64, namesAt = dataAt + bytes.size(), headersAt = (namesAt + names.size() + 7) & ~size_t{7};
  std::string elf(headersAt + 3 * 64, '\0');
  elf.replace(0, 7,
              "\x7F"
              "ELF\x02\x01\x01");
  put(elf, 16, 2, 2);          // an executable
  put(elf, 18, 62, 2);         // x86-64
  put(elf, 20, 1, 4);          // version
  put(elf, 40, headersAt, 8);  // section headers
  put(elf, 52, 64, 2);         // header size
  put(elf, 58, 64, 2);         // section header size
  put(elf, 60, 3, 2);          // section count
  put(elf, 62, 2, 2);          // the name table's index
  elf.replace(dataAt, bytes.size(), bytes);
  elf.replace(namesAt, names.size(), names);
  auto header = [&](int index, uint32_t name, uint32_t type, uint64_t offset, uint64_t size) {
    size_t at = headersAt + 64 * index;
    put(elf, at, name, 4);
    put(elf, at + 4, type, 4);
    put(elf, at + 0x18, offset, 8);
    put(elf, at + 0x20, size, 8);
  };
  header(1, 11, 1, dataAt, bytes.size());  // PROGBITS
  header(2, 1, 3, namesAt, names.size());  // STRTAB
  return elf;
}

// A scratch folder that takes whole files.
class ScratchFolder : public pf::test::TempDirTest {
 protected:
  std::string Write(const std::string& name, std::string_view bytes) const {
    std::string path = Path(name);
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
};

}  // namespace components::test
