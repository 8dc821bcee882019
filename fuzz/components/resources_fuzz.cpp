// Any bytes as a program file, a resource container, a version block and a string table: the section reader,
// the resource lookups, the version queries and the string-table reader must stay inside the bytes and raise only
// their own exceptions.
#include <cstddef>
#include <cstdint>
#include <string>

#include "components/string_resource.h"
#include "components/tools/rcgen/resource_writer.h"
#include "platform/core/fileversion.h"
#include "platform/core/resources.h"
#include "platform/core/streams.h"

namespace {

void QueryVersionBlock(std::string_view block) {
  std::string value;
  pf::VS_FIXEDFILEINFO fixed;
  if (pf::VerQueryValue(block, "\\", value)) (void)pf::ReadFixedFileInfo(value, fixed);
  for (const char* path : {"\\VarFileInfo\\Translation", "StringFileInfo\\040704e4\\CompanyName",
                           "\\StringFileInfo\\040704E4\\FileVersion", "\\StringFileInfo\\x"})
    (void)pf::VerQueryValue(block, path, value);
}

void ReadStrings(const pf::TResourceModule& module, const char* name) {
  try {
    components::TStringResource table(&module, name);
    for (int32_t id = -1; id < 8; ++id) (void)table.GetString(id);
  } catch (const components::EStringResourceError&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  pf::TReadOnlyMemoryStream file(data, static_cast<int64_t>(size));
  std::string section;
  pf::TResourceModule module(pf::ReadElfSection(file, pf::kResourceSection, section) ? section : std::string(bytes));

  pf::HGLOBAL version = pf::LoadResource(&module, pf::FindResource(&module, 1u, pf::RT_VERSION));
  if (version) QueryVersionBlock({reinterpret_cast<const char*>(pf::LockResource(version)), version.size});
  ReadStrings(module, "RESMGR_STRINGS");

  QueryVersionBlock(bytes);
  pf::TResourceModule table(components::resgen::Container({{pf::RT_RCDATA, "T", std::string(bytes)}}));
  ReadStrings(table, "T");
  return 0;
}
