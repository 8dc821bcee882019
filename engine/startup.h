// The data and settings side of the main window's start and close: portable mode, the data folder and its
// folders, the settings file and the selection options, the paths of the question folder, the exam log and the
// catalogue, the lists, the removal of an old answer list, and seeding the random numbers.
#pragma once

#include <string>

#include "engine/port.h"
#include "engine/state.h"

namespace engine {

// Fills state in the order of the main window's start. programDir is the program's own folder.
void StartUp(AppState& state, const std::string& programDir, EnginePort& port);
// The data folder: the program folder when portable or when no profile folder is known, else profile + "/Pexu".
std::string DataFolder(bool portable, const std::string& programDir, const std::string& profile);
// The steps after the data folder is known: folders, settings, paths, lists, answer list, random numbers.
void OpenDataFolder(AppState& state, const std::string& dataDir, EnginePort& port);
// A data folder without a catalogue gets a copy of the one that came with the program (programDir/Fragen), as an
// installer would have put it there; a catalogue the user has is never replaced.
void SeedCatalogue(const std::string& programDir, const std::string& catalogueFile);

// The engine's part of the main window's close: writes the question folder, then frees the settings file and the
// lists. The window writes its own position before.
void ShutDown(AppState& state);

}  // namespace engine
