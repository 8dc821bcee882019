// The program's start and end: the display check, the single-instance guard, the application with the main window
// (which creates the secondary windows), the event loop, and the destruction of the windows in the reverse order of
// their creation before the guard goes.
#pragma once

namespace app {

// The name of the single-instance lock.
constexpr const char* InstanceName = "pexuzentalwokrin";

// Runs Pexu; answers the process's exit code. Arguments: "--exit-after-first-paint" prints "painted" once the
// start page has been painted and ends the program (for measuring the start).
int RunProgram(int argc, char** argv);

// Whether a window system can be reached: an X or Wayland display, or a platform chosen through QT_QPA_PLATFORM.
bool DisplayAvailable();

}  // namespace app
