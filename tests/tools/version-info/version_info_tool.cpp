// version-info: prints the version information of a program file (default: its own) as "Key=Value" lines, or the
// error and its code.
#include <cstdio>

#include "components/string_resource.h"
#include "components/version_info.h"

int main(int argc, char** argv) {
  try {
    components::TVersionInfo info;
    if (argc > 1) info.SetFileName(argv[1]);
    std::printf("FileName=%s\nCompanyName=%s\nFileVersion=%s\nProductVersion=%s\nLegalCopyright=%s\n",
                info.FileName().c_str(), info.CompanyName().c_str(), info.FileVersion().c_str(),
                info.ProductVersion().c_str(), info.LegalCopyright().c_str());
  } catch (const components::ELibException& e) {
    std::printf("Error %d: %s\n", e.ErrorCode, e.Message().c_str());
    return 1;
  }
  return 0;
}
