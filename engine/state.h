// The shared application state: created by the main window at start, read and written by the engine and the
// windows, freed at close. One object, owned by the application.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/core/classes.h"
#include "platform/core/inifiles.h"

namespace engine {

struct AppState {
  AppState() { SelectedQuestions.SetSorted(true); }

  std::unique_ptr<pf::TIniFile> IniFile;  // DataDir + "/Pexu.ini", open from start to close
  pf::TStringList CatalogueLines;         // lines of the pool entry last extracted
  pf::TStringList SelectedQuestions;      // sorted 4-digit question numbers of the current sheet
  pf::TStringList ExamLog;                // lines of the exam log

  std::string DataDir;        // no trailing delimiter
  std::string QuestionDir;    // folder of the own question lists
  std::string CatalogueFile;  // full path of the catalogue archive
  std::string IniPath;
  std::string LogPath;
  std::string TimeLimitText;  // minutes; "9999" no limit, "-" after a training sheet was evaluated
  std::string OwnListTitle;   // empty for sheets drawn from the pool

  int32_t TimeLimit = 0;
  int32_t MinutesElapsed = 0;
  int32_t PoolSize = 0;  // questions in the pool of the current sheet
  int32_t QuestionCount = 0;

  char PartLetter = 'T';   // 'T', 'B', 'V'
  char ClassLetter = 'A';  // 'A', 'E'
  char ModeLetter = 'k';   // 'k' exam, 't' training, 'a' exam from an own list

  std::string ShownQuestionId;  // at most 5 characters
  std::string SheetId;
  std::string TrainingSection;  // chapter prefix + block digit

  bool SettingDefault = true;
  bool SettingPortable = false;
  bool SettingAskedList = false;
  bool SettingZufallszahlen = false;
  bool SettingFVBNetzA = false;
  bool SettingFragenanordnung = false;

  bool IgnoreNextHistoryChange = false;
};

}  // namespace engine
