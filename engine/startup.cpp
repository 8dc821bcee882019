#include "engine/startup.h"

#include "engine/catalogue.h"
#include "engine/procs.h"
#include "platform/core/exceptions.h"
#include "platform/core/files.h"
#include "platform/core/random.h"

namespace engine {

void StartUp(AppState& state, const std::string& programDir, EnginePort& port) {
  std::string programIni = pf::PathJoin(programDir, "Pexu.ini");
  state.SettingPortable = false;
  if (pf::FileExists(programIni)) {
    state.IniPath = programIni;
    pf::TIniFile ini(programIni);
    state.SettingPortable = ini.ReadBool("Einstellungen", "Portable", false);
  }

  OpenDataFolder(state, DataFolder(state.SettingPortable, programDir, GetEnvVar("USERPROFILE")), port);
  SeedCatalogue(programDir, state.CatalogueFile);
}

void SeedCatalogue(const std::string& programDir, const std::string& catalogueFile) {
  const std::string shipped = pf::PathJoin(pf::PathJoin(programDir, "Fragen"), CatalogueArchiveName);
  if (pf::FileExists(catalogueFile) || !pf::FileExists(shipped)) return;
  // Written beside its place and renamed into it, so that an interrupted copy never passes for a catalogue. A
  // copy that fails leaves the catalogue missing, which every reader reports when it is needed.
  try {
    pf::AtomicWriteFile(catalogueFile, pf::ReadFileBytes(shipped));
  } catch (const pf::Exception&) {
  }
}

std::string DataFolder(bool portable, const std::string& programDir, const std::string& profile) {
  // Without any home folder a folder "/Pexu" at the root would be tried; the program folder is the safer place.
  if (portable || !IsWinNT() || profile.empty()) return programDir;
  return pf::PathJoin(profile, "Pexu");
}

void OpenDataFolder(AppState& state, const std::string& dataDir, EnginePort& port) {
  state.DataDir = StripTrailingBackslash(dataDir);
  for (const char* folder : {"", "html", "Fragen"}) {
    std::string path = *folder ? pf::PathJoin(state.DataDir, folder) : state.DataDir;
    if (!pf::DirectoryExists(path)) pf::CreateDir(path);
  }

  state.IniPath = pf::PathJoin(state.DataDir, "Pexu.ini");
  state.IniFile = std::make_unique<pf::TIniFile>(state.IniPath);
  pf::TIniFile& ini = *state.IniFile;
  state.SettingDefault = ini.ReadBool("Einstellungen", "Default", true);
  state.SettingAskedList = ini.ReadBool("Einstellungen", "AskedList", false);
  state.SettingZufallszahlen = ini.ReadBool("Einstellungen", "Zufallszahlen", false);
  state.SettingFVBNetzA = ini.ReadBool("Einstellungen", "FVBNetzA", false);
  state.SettingFragenanordnung = ini.ReadBool("Einstellungen", "Fragenanordnung", false);
  state.QuestionDir = ini.ReadString("Verzeichnis", "Fragen", pf::PathJoin(state.DataDir, "Fragen"));

  state.LogPath = pf::PathJoin(state.DataDir, "Pexu.log");
  state.CatalogueFile = pf::PathJoin(pf::PathJoin(state.DataDir, "Fragen"), CatalogueArchiveName);

  state.CatalogueLines.Clear();
  state.SelectedQuestions.Clear();
  state.SelectedQuestions.SetSorted(true);
  state.ExamLog.Clear();
  if (pf::FileExists(state.LogPath)) state.ExamLog.LoadFromFile(state.LogPath);

  std::string oldAnswers = pf::PathJoin(pf::PathJoin(state.DataDir, "html"), "LetzteAntworten.html");
  if (pf::FileExists(oldAnswers)) pf::DeleteFile(oldAnswers);

  port.SetAntwortenlisteEnabled(false);
  state.OwnListTitle.clear();
  pf::Randomize();
}

void ShutDown(AppState& state) {
  if (state.IniFile) state.IniFile->WriteString("Verzeichnis", "Fragen", state.QuestionDir);
  state.IniFile.reset();
  state.CatalogueLines.Clear();
  state.SelectedQuestions.Clear();
  state.ExamLog.Clear();
}

}  // namespace engine
