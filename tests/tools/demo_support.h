// What the window demos share: a glyph, their command line "[--timeout MS]" and the run of the application with
// their one form. The run ends with exit code 0 when the window is closed (WM_CLOSE), with 2 when nobody closed it
// within MS milliseconds, with 1 for a bad command line.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/graphics/bitmap.h"
#include "platform/ui/extctrls.h"
#include "platform/ui/forms.h"

namespace demo {

// A 16 x 16 glyph: a blue arrow on a fuchsia background, the colour that buttons and image lists leave out.
inline void DrawGlyph(pf::TBitmap& glyph) {
  glyph.SetSize(16, 16);
  glyph.SetPixelFormat(pf::pf24bit);
  pf::TCanvas& canvas = glyph.Canvas();
  canvas.Brush().SetColor(pf::clFuchsia);
  canvas.FillRect({0, 0, 16, 16});
  canvas.Brush().SetColor(pf::clNavy);
  canvas.Pen().SetColor(pf::clNavy);
  canvas.Polygon({{2, 8}, {9, 2}, {9, 6}, {14, 6}, {14, 10}, {9, 10}, {9, 14}});
}

// Runs the application with Form as its main form until the window is closed or timeout ms (0: no limit) passed.
template <class Form>
int RunForm(const char* program, const char* title, int timeout) {
  pf::Application().Initialize();
  pf::Application().SetTitle(title);
  Form* form = nullptr;
  pf::Application().CreateForm(form);
  bool timedOut = false;
  pf::TTimer watchdog(nullptr);
  watchdog.SetEnabled(timeout > 0);
  watchdog.SetInterval(static_cast<uint32_t>(timeout));
  watchdog.SetOnTimer([&timedOut](pf::TObject*) {
    timedOut = true;
    pf::Application().Terminate();
  });
  pf::Application().Run();
  pf::DoneApplication();
  if (timedOut) std::fprintf(stderr, "%s: nobody closed the window within %d ms\n", program, timeout);
  return timedOut ? 2 : 0;
}

template <class Form>
int RunDemo(int argc, char** argv, const char* program, const char* title) {
  int timeout = 0;
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) == "--timeout" && i + 1 < argc) {
      timeout = std::atoi(argv[++i]);
    } else {
      std::fprintf(stderr, "usage: %s [--timeout MS]\n", program);
      return 1;
    }
  }
  return RunForm<Form>(program, title, timeout);
}

}  // namespace demo
