// The engine part of the main window: catalogue access through the ZIP component and the selection of the
// questions of a sheet. It works on the shared state and reaches windows only through the port.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "engine/port.h"
#include "engine/state.h"
#include "platform/core/classes.h"

namespace zip {
class TZipReader;
}

namespace engine {

class Engine {
 public:
  Engine(AppState& state, EnginePort& port);
  ~Engine();
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;

  AppState& State() { return state_; }
  EnginePort& Port() { return port_; }

  // Extracts one entry of the archive into list through the ZIP component; returns the number of entries
  // extracted (0: missing or damaged, list unchanged). ZIP and file errors pass to the caller as exceptions.
  int Entzippen(const std::string& archivePath, const std::string& entryName, pf::TStrings& list);

  // Loads the pool of part + class into CatalogueLines, checks it and counts its questions. A missing archive or
  // entry, a damaged or malformed pool and a pool without questions end with a warning and false
  // (CatalogueLines then empty).
  bool CountPoolQuestions(char part, char cls, int32_t& poolSize);

  // The questions of training section (chapter prefix + block digit "1".."9") into list; count := their number.
  // A bad section, a missing pool and an empty block end with a warning and false.
  bool SelectTrainingBlock(char part, char cls, int32_t& count, pf::TStringList& list, const std::string& section);

  // The questions of an exam drawn by the part's section table into list; poolSize := their number. Any error of
  // the table ends with a warning and false before a question is drawn.
  bool SelectBySections(char part, char cls, int32_t& poolSize, pf::TStringList& list);

  // For tests: replaces the extraction road (archive path, entry name, list) -> entries extracted.
  using EntryExtractor = std::function<int(const std::string&, const std::string&, pf::TStrings&)>;
  void SetEntryExtractor(EntryExtractor extractor) { extractor_ = std::move(extractor); }

 private:
  int Extract(const std::string& entryName, pf::TStrings& list);
  bool ArchiveExists();
  bool LoadPool(char part, char cls);

  AppState& state_;
  EnginePort& port_;
  std::unique_ptr<zip::TZipReader> unzipper_;  // the main window's Unzipper
  EntryExtractor extractor_;
};

// Warning texts shared by the readers.
std::string MissingFileText(const std::string& path);  // "Die Datei " + path + " existiert nicht."

}  // namespace engine
