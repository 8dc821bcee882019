#include "app/test_hooks.h"

#include <cstdio>
#include <cstdlib>

#include "app/pexu_form.h"
#include "platform/core/codepage.h"
#include "platform/core/datetime.h"
#include "platform/core/files.h"
#include "platform/core/random.h"
#include "platform/core/strings.h"
#include "platform/graphics/colors.h"
#include "platform/ui/menus.h"
#include "viewer/form_controls.h"

namespace app {

namespace {

constexpr const char* kStateVariable = "PEXU_TEST_STATE";
constexpr uint32_t kFixedSeed = 12345;
constexpr uint32_t kStatePollInterval = 100;

// A random source with a fixed seed that start-up cannot reseed from the clock.
class FixedSeedRandom : public pf::LcgRandom {
 public:
  FixedSeedRandom() : pf::LcgRandom(kFixedSeed) {}
  void Randomize() override {}
};

std::string Quoted(const std::string& latin1) {
  std::string out = "\"";
  for (char c : pf::Latin1ToUtf8(latin1)) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (u < 0x20) {
      char buffer[8];
      std::snprintf(buffer, sizeof buffer, "\\u%04x", u);
      out += buffer;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string ColorText(pf::TColor color) {
  const uint32_t rgb = pf::ColorToRGB(color);
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "#%02X%02X%02X", rgb & 0xFF, (rgb >> 8) & 0xFF, (rgb >> 16) & 0xFF);
  return Quoted(buffer);
}

// A caption without its accelerator marks and blanks at the ends.
std::string PlainCaption(const std::string& caption) {
  std::string plain;
  for (size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&' && i + 1 < caption.size()) ++i;
    plain += caption[i];
  }
  return pf::Trim(plain);
}

// Every item under item, keyed by its path of plain captions ("Prüfungen/Klasse A/Statistik").
void AddMenu(std::string& json, const pf::TMenuItem& item, const std::string& path, bool& first) {
  for (int i = 0; i < item.Count(); ++i) {
    const pf::TMenuItem& child = *item.Items(i);
    if (child.Caption() == "-") continue;
    const std::string key = path + PlainCaption(child.Caption());
    json += first ? "\n    " : ",\n    ";
    first = false;
    json += Quoted(key) + ": {\"enabled\": " + (child.Enabled() ? "true" : "false") +
            ", \"shortcut\": " + Quoted(pf::ShortCutToText(child.ShortCut())) + "}";
    AddMenu(json, child, key + "/", first);
  }
}

// The page's form controls that have windows, one per line, with the screen point of their centre and whether
// that point lies in the viewer's visible page (a control out of view waits far to the left).
void AddControls(std::string& json, viewer::TPageViewer& viewer) {
  pf::TControl& page = viewer.PaintPanel();
  const pf::TPoint pageTopLeft = page.ClientToScreen({0, 0});
  bool first = true;
  for (viewer::TFormControlObj* control : viewer.SectionList().FormControlList) {
    pf::TWinControl* window = control->GetControl();
    if (window == nullptr) continue;
    const pf::TPoint centre = window->ClientToScreen({window->Width() / 2, window->Height() / 2});
    const bool visible = window->Visible() && window->Left() >= 0 && centre.X >= pageTopLeft.X &&
                         centre.Y >= pageTopLeft.Y && centre.X < pageTopLeft.X + page.Width() &&
                         centre.Y < pageTopLeft.Y + page.Height();
    auto* checkable = dynamic_cast<viewer::TCheckableFormControlObj*>(control);
    json += first ? "\n    " : ",\n    ";
    first = false;
    json += "{\"kind\": " + Quoted(window->ClassName()) + ", \"name\": " + Quoted(control->Name) +
            ", \"value\": " + Quoted(control->Value) +
            ", \"checked\": " + (checkable && checkable->Checked() ? "true" : "false") +
            ", \"x\": " + pf::IntToStr(centre.X) + ", \"y\": " + pf::IntToStr(centre.Y) +
            ", \"visible\": " + (visible ? "true" : "false") + "}";
  }
}

}  // namespace

#ifdef PEXU_TEST_HOOKS
bool TestHooks::Active() { return std::getenv(kStateVariable) != nullptr; }
#else
bool TestHooks::Active() { return false; }
#endif

std::string TestHooks::StateJson(TPexuForm& form) {
  const engine::AppState& state = form.State();
  std::string json = "{\n  \"caption\": " + Quoted(form.Caption()) + ",\n  \"windows\": [";
  bool first = true;
  for (int i = 0; i < pf::Screen().FormCount(); ++i) {
    const pf::TCustomForm& shown = *pf::Screen().Forms(i);
    if (!shown.Visible()) continue;
    json += first ? "" : ", ";
    first = false;
    json += Quoted(shown.Caption());
  }
  json += "],\n  \"panels\": [";
  components::TsbStatusPanels& panels = form.PexusbStatusBar->Panels();
  for (int i = 0; i < panels.Count(); ++i) {
    json += i ? ", " : "";
    json += "{\"text\": " + Quoted(panels[i]->Text()) + ", \"color\": " + ColorText(panels[i]->Color()) + "}";
  }
  json += "],\n  \"menu\": {";
  first = true;
  AddMenu(json, form.PexuodMenu->Items(), "", first);
  json += "\n  },\n  \"page\": " + Quoted(form.PexuPageViewer->CurrentFile()) +
          ",\n  \"mode\": " + Quoted(std::string(1, state.ModeLetter)) +
          ",\n  \"part\": " + Quoted(std::string{state.PartLetter, state.ClassLetter}) +
          ",\n  \"clock\": " + (form.PexuTimer->Enabled() ? "true" : "false") +
          ",\n  \"minutes\": " + pf::IntToStr(state.MinutesElapsed) +
          ",\n  \"progress\": " + pf::IntToStr(form.PexuProgressBar->Position()) + ",\n  \"controls\": [";
  AddControls(json, *form.PexuPageViewer);
  json += "\n  ],\n  \"buttons\": {";
  for (int i = 0; i < form.SpeedButtonPanel->ControlCount(); ++i) {
    const pf::TControl& button = *form.SpeedButtonPanel->Controls(i);
    const pf::TPoint centre = button.ClientToScreen({button.Width() / 2, button.Height() / 2});
    json += (i ? ", " : "") + Quoted(pf::Trim(button.Hint())) + ": [" + pf::IntToStr(centre.X) + ", " +
            pf::IntToStr(centre.Y) + "]";
  }
  json += "}\n}\n";
  return json;
}

void TestHooks::Start(TPexuForm& form) {
  if (!Active()) return;
  static FixedSeedRandom random;
  pf::SetRandomSource(&random);
  const pf::TDateTime fixed = pf::EncodeDate(2026, 12, 1) + pf::EncodeTime(10, 0, 0, 0);
  pf::SetNowFunction([fixed] { return fixed; });
  const std::string path = std::getenv(kStateVariable);
  // Polled rather than hooked into every setter: a change shows up in the file within a tenth of a second.
  auto* poll = new pf::TTimer(&form);
  poll->SetInterval(kStatePollInterval);
  poll->SetOnTimer([&form, path, last = std::string()](pf::TObject*) mutable {
    std::string json = StateJson(form);
    if (json == last) return;
    pf::AtomicWriteFile(path, json);
    last = std::move(json);
  });
  poll->SetEnabled(true);
}

}  // namespace app
