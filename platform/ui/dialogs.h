// Message boxes and the common dialogs. MessageDlg and MessageBox (platform/core/services.h), ShowMessage and the
// Execute of the dialog components all go through the core's dialog service: Application().Initialize() installs
// the screen's (boxes with the German button texts "OK", "Abbrechen", "Ja", "Nein", and captions by type; the file
// choosers of the toolkit, not the desktop's); a program without it, or a test that installs its own service (such
// as the core's RecordingDialogService), gets its answers without anything shown.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/core/component.h"
#include "platform/core/services.h"

namespace pf {

// A box with the text and one OK button, captioned with the application's title.
void ShowMessage(const std::string& text);
// What a person reads in the toolkit's modal dialog that is open now (a file chooser, a message box): its title,
// then the texts of its labels and buttons and the choices of its lists, in Latin-1. Empty when none is open. For
// window tests.
std::vector<std::string> ModalDialogTexts();

enum TOpenOption : uint32_t {
  ofOverwritePrompt = 0x01,  // saving: ask before an existing file is chosen
  ofFileMustExist = 0x02,    // opening: only existing files
  ofPathMustExist = 0x04,
  ofNoChangeDir = 0x08,
};
using TOpenOptions = uint32_t;

// Chooses a file to open. Filter: "Description|*.ext;*.ext2|..."; FilterIndex counts its pairs from 1. Execute
// answers false when the user cancelled; else FileName (and FilterIndex) hold the choice.
class TOpenDialog : public TComponent {
 public:
  explicit TOpenDialog(TComponent* owner) : TComponent(owner) {}
  std::string ClassName() const override { return "TOpenDialog"; }
  std::string Title;
  std::string Filter;
  int FilterIndex = 1;
  std::string InitialDir;
  std::string FileName;
  std::string DefaultExt;  // without the dot: added to a typed name that has no extension
  TOpenOptions Options = 0;
  virtual bool Execute();

 protected:
  bool Run(bool save);
};

// Chooses a file name to save under; with ofOverwritePrompt the chooser asks before an existing file is taken.
class TSaveDialog : public TOpenDialog {
 public:
  using TOpenDialog::TOpenDialog;
  std::string ClassName() const override { return "TSaveDialog"; }
  bool Execute() override;
};

// The set-up dialog of the current printer (Printer()): printer, paper orientation, copies, or a PDF file.
class TPrinterSetupDialog : public TComponent {
 public:
  explicit TPrinterSetupDialog(TComponent* owner) : TComponent(owner) {}
  std::string ClassName() const override { return "TPrinterSetupDialog"; }
  bool Execute();
};

}  // namespace pf
