// Any bytes through the core's text readers: string-list loading, comma text, name=value lookups, number parsing
// and the settings file. Each must end within bounded time and memory and raise only the core's exceptions.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/core/classes.h"
#include "platform/core/exceptions.h"
#include "platform/core/files.h"
#include "platform/core/inifiles.h"
#include "platform/core/streams.h"
#include "platform/core/strings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  try {
    pf::TReadOnlyMemoryStream stream(data, static_cast<int64_t>(size));
    pf::TStringList lines;
    lines.SetSorted(size % 2 == 0);
    lines.LoadFromStream(stream);
    for (int i = 0; i < lines.Count() && i < 64; ++i) {
      (void)lines.Values(lines.Names(i));
      int32_t value = 0;
      (void)pf::TryStrToInt(lines[i], value);
      (void)pf::StrToIntDef(lines[i], 0);
    }
    pf::TStringList items;
    items.SetCommaText(text);
    pf::TStringList again;
    again.SetCommaText(items.CommaText());
    if (!again.Equals(items)) __builtin_trap();  // comma text must round-trip
  } catch (const pf::Exception&) {
  }

  // One scratch settings file per process, removed at exit.
  static const struct Scratch {
    std::string path = "/tmp/pexu-fuzz-core-" + std::to_string(::getpid()) + ".ini";
    ~Scratch() { pf::DeleteFile(path); }
  } scratch;
  const std::string& path = scratch.path;
  try {
    pf::AtomicWriteFile(path, text);
    pf::TIniFile ini(path);
    pf::TStringList sections, keys;
    ini.ReadSections(sections);
    for (int i = 0; i < sections.Count() && i < 16; ++i) {
      ini.ReadSection(sections[i], keys);
      for (int k = 0; k < keys.Count() && k < 16; ++k) (void)ini.ReadInteger(sections[i], keys[k], 0);
    }
    ini.WriteString("Einstellungen", "Portable", "1");
    if (!ini.ReadBool("Einstellungen", "Portable", false)) __builtin_trap();  // a write must read back
  } catch (const pf::Exception&) {
  }
  return 0;
}
