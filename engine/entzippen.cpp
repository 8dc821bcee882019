#include "engine/engine.h"
#include "platform/core/streams.h"
#include "zip/zip_reader.h"

namespace engine {

Engine::Engine(AppState& state, EnginePort& port)
    : state_(state), port_(port), unzipper_(std::make_unique<zip::TZipReader>()) {
  unzipper_->MemoryLimit = 8 << 20;  // a catalogue entry is well under 1 MB; a damaged one must not fill memory
}

Engine::~Engine() = default;

int Engine::Entzippen(const std::string& archivePath, const std::string& entryName, pf::TStrings& list) {
  zip::TZipReader& unzipper = *unzipper_;
  unzipper.SetZipName(archivePath);
  unzipper.Password.clear();
  {
    // The whole archive goes into memory, read afresh each time, so a changed file is picked up at once.
    pf::TFileStream file(archivePath, pf::fmOpenRead);
    auto source = std::make_unique<pf::TMemoryStream>();
    pf::TMemoryStream& archive = *source;
    unzipper.SetSourceStream(std::move(source));
    int64_t size = file.Size();
    if (size > 0) archive.CopyFrom(file, size);
  }
  unzipper.ReadDirectory();
  pf::TMemoryStream entry;
  int extracted = unzipper.ExtractToStream(&entry, entryName);
  if (extracted > 0) {
    entry.SetPosition(0);
    list.Clear();
    list.LoadFromStream(entry);
  }
  return extracted;
}

}  // namespace engine
