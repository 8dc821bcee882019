// Shared by the reader's tests: an archive handed to a reader the application's way, and what a memory stream holds.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/core/streams.h"
#include "zip/zip_reader.h"

namespace ziptest {

// Hands a memory stream to the reader, fills it with the archive's bytes and reads the directory.
inline void LoadArchive(zip::TZipReader& reader, const std::vector<uint8_t>& bytes) {
  auto stream = std::make_unique<pf::TMemoryStream>();
  pf::TMemoryStream* raw = stream.get();
  reader.SetSourceStream(std::move(stream));
  if (!bytes.empty()) raw->WriteBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
  reader.ReadDirectory();
}

inline std::string Contents(pf::TMemoryStream& s) {
  return std::string(reinterpret_cast<const char*>(s.Memory()), static_cast<size_t>(s.Size()));
}

}  // namespace ziptest
