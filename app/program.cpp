#include "app/program.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/pexu_form.h"
#include "components/string_resource.h"
#include "platform/core/exceptions.h"
#include "platform/core/services.h"
#include "platform/core/strings.h"
#include "platform/ui/forms.h"
#include "platform/ui/system.h"

namespace app {

using namespace pf::literals;

namespace {

bool Set(const char* variable) {
  const char* value = std::getenv(variable);
  return value != nullptr && *value != '\0';
}

// Once the viewer's drawing surface has painted a page: says so on stdout ("painted") and ends the event loop.
void ExitAfterFirstPaint(TPexuForm& form) {
  form.PexuPageViewer->PaintPanel().AddMessageHook(
      [&form, painted = false](pf::TMessage& message, const pf::TWndMethod& previous) mutable {
        previous(message);
        if (painted || message.Msg != pf::WM_PAINT || form.PexuPageViewer->CurrentFile().empty()) return;
        painted = true;
        std::fputs("painted\n", stdout);
        std::fflush(stdout);
        pf::Application().Terminate();
      });
}

// A local X display ":N" (or ":N.S") answers on its socket; one that is gone would make the toolkit abort.
bool LocalDisplayReachable(const std::string& display) {
  if (display.size() < 2 || display[0] != ':') return true;  // a remote display: the toolkit finds out
  const std::string number = display.substr(1, display.find('.') - 1);
  return std::filesystem::exists("/tmp/.X11-unix/X" + number);
}

// The component library's string tables, made from the program's own resources for as long as it runs. A damaged
// resource section is reported; the program still runs, and a message that needs a table reads it when it is due.
class StringTables {
 public:
  StringTables() {
    try {
      components::InitializeStringResources();
      made_ = true;
    } catch (const pf::Exception& e) {
      std::fprintf(stderr, "pexu: %s\n", e.Message().c_str());
    }
  }
  ~StringTables() {
    if (made_) components::FinalizeStringResources();
  }
  StringTables(const StringTables&) = delete;
  StringTables& operator=(const StringTables&) = delete;

 private:
  bool made_ = false;
};

}  // namespace

bool DisplayAvailable() {
  if (Set("QT_QPA_PLATFORM") || Set("WAYLAND_DISPLAY")) return true;
  return Set("DISPLAY") && LocalDisplayReachable(std::getenv("DISPLAY"));
}

int RunProgram(int argc, char** argv) {
  bool exitAfterPaint = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--exit-after-first-paint") {
      exitAfterPaint = true;
    } else {
      std::fprintf(stderr, "pexu: unknown argument \"%s\" (usage: pexu [--exit-after-first-paint])\n", argv[i]);
      return 2;
    }
  }
  if (!DisplayAvailable()) {
    std::fprintf(
        stderr,
        "pexu: no display to open a window on (DISPLAY is not set or cannot be reached); start Pexu on a desktop.\n");
    return 1;
  }
  // Declared first, so that it goes last: after every window has written its settings.
  pf::TInstanceGuard guard(InstanceName);
  const StringTables tables;
  pf::Application().Initialize();
  if (guard.AlreadyRunning()) {
    pf::MessageDlg(std::string("Pexu läuft schon!"_l1), pf::mtWarning, pf::mbOK);
    pf::DoneApplication();
    return 0;
  }
  pf::Application().SetTitle(" Pexu");
  TPexuForm* form = nullptr;
  pf::Application().CreateForm(form);
  if (exitAfterPaint) ExitAfterFirstPaint(*form);
  pf::Application().Run();
  // A window not made yet (the user left at once) is made now: every window writes its settings at the end.
  form->CreateSecondaryWindows();
  pf::DoneApplication();
  return 0;
}

}  // namespace app
