// The engine's way to everything that belongs to windows: the viewer, the main window's status bar, progress bar,
// menu item and exam clock, its caption, dialogs and the version information. The main window implements it;
// tests fake it. Texts are Latin-1.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace engine {

// Panel colours (0x00BBGGRR; the high bit names a system colour as in the graphics layer).
constexpr uint32_t PanelColorNormal = 0x8000000F;  // the button face

class EnginePort {
 public:
  virtual ~EnginePort() = default;

  // The viewer: its server root (the program folder, no trailing delimiter), loading a page (a path, optionally
  // followed by "#top"), and the title of the document it shows.
  virtual std::string ServerRoot() const = 0;
  virtual void LoadFromFile(const std::string& path) = 0;
  virtual std::string DocumentTitle() const = 0;
  virtual void FocusViewer() = 0;

  // The main window.
  virtual void SetCaption(const std::string& caption) = 0;
  virtual void SetPanelText(int panel, const std::string& text) = 0;
  virtual void SetPanelColor(int panel, uint32_t color) = 0;  // 0x00BBGGRR
  virtual void Msg(const std::string& text) = 0;              // panel 0 on $E0FFFF for 3 s
  virtual void SetProgress(int position) = 0;                 // 0..100
  virtual void SetAntwortenlisteEnabled(bool enabled) = 0;    // menu item Antwortenliste
  virtual void StartExamClock() = 0;                          // PexuTimer on
  virtual void StopExamClock() = 0;                           // PexuTimer off

  // Dialogs: a warning with one OK button (the ShowWarning of the shared routines); a warning with OK and Cancel
  // (true for OK); a file-open dialog with its title, filter ("Description|*.ext") and initial folder, giving the
  // chosen path or nothing on Cancel.
  virtual void ShowWarning(const std::string& text) = 0;
  virtual bool Confirm(const std::string& text) = 0;
  virtual std::optional<std::string> OpenFileDialog(const std::string& title, const std::string& filter,
                                                    const std::string& initialDir) = 0;

  // The version information's CompanyName.
  virtual std::string CompanyName() const = 0;
};

}  // namespace engine
