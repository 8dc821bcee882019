// zipcat: drives the archive reader the way the application does, for black-box tests.
//   zipcat [--password PW] ARCHIVE PATTERN   the matching entries' bytes on standard output; exit 0 when at least
//                                            one was extracted, 1 when none, 2 with the message on an exception
//   zipcat --list ARCHIVE                    name, size, method and CRC-32 of every directory entry
#include <cstdio>
#include <exception>
#include <memory>
#include <string>

#include "platform/core/exceptions.h"
#include "platform/core/streams.h"
#include "zip/zip_reader.h"

namespace {

int Usage() {
  std::fprintf(stderr, "usage: zipcat [--password PW] ARCHIVE PATTERN\n       zipcat --list ARCHIVE\n");
  return 2;
}

// Takes the application's road: name, a memory stream handed over and filled with the whole file, the directory.
void Open(zip::TZipReader& reader, const std::string& archive) {
  reader.SetZipName(archive);
  pf::TFileStream file(archive, pf::fmOpenRead);
  auto source = std::make_unique<pf::TMemoryStream>();
  pf::TMemoryStream& memory = *source;
  reader.SetSourceStream(std::move(source));
  int64_t size = file.Size();
  if (size > 0) memory.CopyFrom(file, size);
  reader.ReadDirectory();
}

}  // namespace

int main(int argc, char** argv) {
  try {
    zip::TZipReader reader;
    if (argc == 3 && std::string(argv[1]) == "--list") {
      Open(reader, argv[2]);
      for (int i = 0; i < reader.Count(); ++i) {
        const zip::TZipHeaderInfo& e = reader.Items(i);
        std::printf("%s\t%u\t%u\t%08x\n", e.FullName().c_str(), e.UncompressedSize,
                    static_cast<unsigned>(e.CompressionMethod), e.CRC32);
      }
      return 0;
    }
    int arg = 1;
    std::string password;
    if (argc == 5 && std::string(argv[1]) == "--password") {
      password = argv[2];
      arg = 3;
    } else if (argc != 3) {
      return Usage();
    }
    Open(reader, argv[arg]);
    reader.Password = password;
    pf::TMemoryStream target;
    int count = reader.ExtractToStream(&target, argv[arg + 1]);
    if (target.Size() > 0) std::fwrite(target.Memory(), 1, static_cast<size_t>(target.Size()), stdout);
    std::fflush(stdout);
    return count >= 1 ? 0 : 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 2;
  }
}
