#include "app/test_hooks.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>
#include <utility>
#include <vector>

#include "app/einstellungen.h"
#include "app/fragen.h"
#include "app/info.h"
#include "app/peditor.h"
#include "app/pexu_form.h"
#include "platform/core/codepage.h"
#include "platform/core/datetime.h"
#include "platform/core/files.h"
#include "platform/core/random.h"
#include "platform/core/strings.h"
#include "platform/graphics/colors.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/menus.h"
#include "viewer/form_controls.h"

namespace app {

namespace {

constexpr const char* kStateVariable = "PEXU_TEST_STATE";
// Set (to anything): the state file also lists the viewers' links.
constexpr const char* kLinksVariable = "PEXU_TEST_LINKS";
constexpr uint32_t kFixedSeed = 12345;
constexpr uint32_t kStatePollInterval = 100;
constexpr const char* kPingSuffix = ".ping";
// Set to "manual": the exam clock ticks only when the test creates the state file's name + ".tick".
constexpr const char* kClockVariable = "PEXU_TEST_CLOCK";
constexpr const char* kTickSuffix = ".tick";
constexpr uint32_t kManualExamMinute = 24 * 60 * 60 * 1000;
// The grid on which a viewer's links are looked for (pixels across, down).
constexpr int32_t kLinkGridX = 6;
constexpr int32_t kLinkGridY = 3;
constexpr std::chrono::milliseconds kLinkRefresh{500};

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

std::string Point(const pf::TControl& control, pf::TPoint at) {
  const pf::TPoint p = control.ClientToScreen(at);
  return "[" + pf::IntToStr(p.X) + ", " + pf::IntToStr(p.Y) + "]";
}

std::string Centre(const pf::TControl& control) { return Point(control, {control.Width() / 2, control.Height() / 2}); }

// The links a viewer shows, in screen co-ordinates: each link address with the first point of the viewer's own hit
// test on a grid over the visible page. Worked out again when the page, its scroll position or the panel's size or
// place changed, and at least every kLinkRefresh: a layout at a new width can come after the resize that asked for
// it without changing any of those.
std::string ViewerLinks(viewer::TPageViewer& v) {
  struct Cached {
    std::string key, json;
    std::chrono::steady_clock::time_point at;
  };
  static std::map<const viewer::TPageViewer*, Cached> cache;
  viewer::TPaintPanel& panel = v.PaintPanel();
  const std::string key = v.CurrentFile() + "|" + pf::IntToStr(v.VScrollBarPosition()) + "|" +
                          pf::IntToStr(v.HScrollBarPosition()) + "|" + pf::IntToStr(panel.Width()) + "x" +
                          pf::IntToStr(panel.Height()) + "|" + Point(panel, {0, 0});
  const auto now = std::chrono::steady_clock::now();
  Cached& cached = cache[&v];
  if (cached.key == key && now - cached.at < kLinkRefresh) return cached.json;
  cached.key = key;
  cached.at = now;
  std::string& json = cached.json;
  json = "[";
  pf::TBitmap measure;
  measure.SetWidth(1);
  measure.SetHeight(1);
  std::set<std::string> found;
  for (int32_t y = 0; y < panel.Height(); y += kLinkGridY) {
    for (int32_t x = 0; x < panel.Width(); x += kLinkGridX) {
      std::unique_ptr<viewer::TUrlTarget> link;
      viewer::TFormControlObj* control = nullptr;
      std::string title;
      const int kind = v.SectionList().GetLinkAt(measure.Canvas(), x + v.HScrollBarPosition(),
                                                 y + v.VScrollBarPosition(), link, control, title);
      if ((kind & 1) == 0 || !link || !found.insert(link->Url).second) continue;
      json += (found.size() > 1 ? ", " : "") + std::string("{\"url\": ") + Quoted(link->Url) +
              ", \"at\": " + Point(panel, {x + 1, y + 1}) + "}";
    }
  }
  return json += "]";
}

// The secondary windows' controls that the window tests use, while their window shows: name, control and the
// screen point a test clicks.
struct NamedPoint {
  std::string name;
  const pf::TControl* control;
  std::string at;
};

std::vector<NamedPoint> WindowPoints(TPexuForm& form) {
  std::vector<NamedPoint> points;
  auto centre = [&points](const std::string& name, const pf::TControl& c) { points.push_back({name, &c, Centre(c)}); };
  if (form.PEditorForm != nullptr && form.PEditorForm->Visible()) {
    TPEditorForm& e = *form.PEditorForm;
    centre("editor-part", *e.PruefungsAuswahlComboBox);
    centre("editor-count", *e.FragenAuswahlComboBox);
    centre("editor-time", *e.ZeitMaskEdit);
    centre("editor-comment", *e.qltKommentarEdit);
    centre("editor-own", *e.PruefungListBox);
    for (int i = 0; i < e.FragenListBox->Items().Count() && i < 5; ++i) {
      const pf::TRect r = e.FragenListBox->ItemRect(i);
      points.push_back({"editor-pool" + pf::IntToStr(i), e.FragenListBox,
                        Point(*e.FragenListBox, {r.Left + 12, (r.Top + r.Bottom) / 2})});
    }
  }
  if (form.EinstellungenForm != nullptr && form.EinstellungenForm->Visible())
    points.push_back({"settings-blocks", form.EinstellungenForm->FragenauswahlUrlLabel,
                      Point(*form.EinstellungenForm->FragenauswahlUrlLabel, {10, 6})});
  if (form.PexuAboutBox != nullptr && form.PexuAboutBox->Visible())
    centre("about-exit", *form.PexuAboutBox->ExitSpeedButton);
  return points;
}

// What has the keyboard, as the window system sees it: the active window's caption, the focused control (by its
// name among the points, else by its class), an open modal dialog's caption and whether a pop-up is open. Tests wait
// on it before they type.
std::string FocusState(const std::vector<NamedPoint>& points) {
  const pf::TScreen& screen = pf::Screen();
  const pf::TControl* focused = screen.FocusedControl();
  std::string control = focused != nullptr ? focused->ClassName() : "";
  for (const NamedPoint& p : points)
    if (p.control == focused) {
      control = p.name.rfind("editor-pool", 0) == 0 ? "editor-pool" : p.name;
      break;
    }
  return "{\"window\": " + Quoted(screen.ActiveWindowCaption()) + ", \"control\": " + Quoted(control) +
         ", \"modal\": " + Quoted(screen.ModalWindowCaption()) +
         ", \"popup\": " + (screen.PopupShown() ? "true" : "false") + "}";
}

// The editor's status panels and own list, for the checks of opening and saving lists.
std::string EditorState(TPEditorForm& e) {
  std::string json = "{\"panels\": [";
  components::TsbStatusPanels& panels = e.PEditorsbStatusBar->Panels();
  for (int i = 0; i < panels.Count(); ++i) json += (i ? ", " : "") + Quoted(panels[i]->Text());
  json += "], \"own\": [";
  const pf::TStrings& own = e.PruefungListBox->Items();
  for (int i = 0; i < own.Count(); ++i) json += (i ? ", " : "") + Quoted(own[i]);
  return json + "], \"part\": " + Quoted(e.EditorPartCode()) + "}";
}

bool ManualClock() {
  const char* clock = std::getenv(kClockVariable);
  return clock != nullptr && std::string(clock) == "manual";
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
  json += "],\n  \"dialog\": [";
  const std::vector<std::string> dialogTexts = pf::ModalDialogTexts();
  for (size_t i = 0; i < dialogTexts.size(); ++i) json += (i ? ", " : "") + Quoted(dialogTexts[i]);
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
          ",\n  \"progress\": " + pf::IntToStr(form.PexuProgressBar->Position()) +
          ",\n  \"scroll\": " + pf::IntToStr(form.PexuPageViewer->VScrollBarPosition()) +
          ",\n  \"hover\": " + Quoted(form.PexuPageViewer->URL()) + ",\n  \"controls\": [";
  AddControls(json, *form.PexuPageViewer);
  json += "\n  ],\n  \"buttons\": {";
  for (int i = 0; i < form.SpeedButtonPanel->ControlCount(); ++i) {
    const pf::TControl& button = *form.SpeedButtonPanel->Controls(i);
    const pf::TPoint centre = button.ClientToScreen({button.Width() / 2, button.Height() / 2});
    json += (i ? ", " : "") + Quoted(pf::Trim(button.Hint())) + ": [" + pf::IntToStr(centre.X) + ", " +
            pf::IntToStr(centre.Y) + "]";
  }
  json += "}";
  // Finding links costs a hit-test scan of every new view: only the tests that click links ask for them.
  if (std::getenv(kLinksVariable) != nullptr) {
    json += ",\n  \"links\": " + ViewerLinks(*form.PexuPageViewer);
    if (form.FragenForm != nullptr && form.FragenForm->Visible())
      json += ",\n  \"question\": {\"links\": " + ViewerLinks(*form.FragenForm->FragenPageViewer) +
              ", \"hover\": " + Quoted(form.FragenForm->FragenPageViewer->URL()) + "}";
  }
  if (form.PEditorForm != nullptr) json += ",\n  \"editor\": " + EditorState(*form.PEditorForm);
  const std::vector<NamedPoint> points = WindowPoints(form);
  json += ",\n  \"focus\": " + FocusState(points) + ",\n  \"points\": {";
  for (size_t i = 0; i < points.size(); ++i) json += (i ? ", " : "") + Quoted(points[i].name) + ": " + points[i].at;
  json += "}\n}\n";
  return json;
}

uint32_t TestHooks::ExamMinute() { return ManualClock() ? kManualExamMinute : 1000; }

void TestHooks::Start(TPexuForm& form) {
  if (!Active()) return;
  static FixedSeedRandom random;
  pf::SetRandomSource(&random);
  const pf::TDateTime fixed = pf::EncodeDate(2026, 12, 1) + pf::EncodeTime(10, 0, 0, 0);
  pf::SetNowFunction([fixed] { return fixed; });
  // Polled rather than hooked into every setter: a change shows up in the file within a tenth of a second.
  struct Writer {
    TPexuForm& form;
    std::string path, last;
    int pingPolls = 0;  // polls that saw a ping not yet answered
    int answered = 0;
    void Write() {
      std::string json = StateJson(form);
      json.insert(json.size() - 3, ",\n  \"answered\": " + pf::IntToStr(answered));
      if (json == last) return;
      pf::AtomicWriteFile(path, json);
      last = std::move(json);
    }
  };
  static Writer writer{form, std::getenv(kStateVariable), {}};
  auto* poll = new pf::TTimer(&form);
  poll->SetInterval(kStatePollInterval);
  poll->SetOnTimer([](pf::TObject*) {
    if (pf::FileExists(writer.path + kPingSuffix)) ++writer.pingPolls;
    // A tick asked for is a minute of the running clock, as its timer would give it; a stopped clock ignores it.
    if (pf::FileExists(writer.path + kTickSuffix)) {
      pf::DeleteFile(writer.path + kTickSuffix);
      if (writer.form.PexuTimer->Enabled()) writer.form.PexuTimerTimer();
    }
    writer.Write();
  });
  // A test that needs the program to have handled everything it sent so far (a check that something did not
  // happen) creates the state file's name + ".ping"; it is answered - removed, "answered" counted up - when the event
  // loop is next about to wait after a second poll saw it, so that what was queued before the ping has been handled.
  pf::Application().OnIdle = [](pf::TObject*, bool&) {
    if (writer.pingPolls < 2) return;
    writer.pingPolls = 0;
    pf::DeleteFile(writer.path + kPingSuffix);
    ++writer.answered;
    writer.Write();
  };
  poll->SetEnabled(true);
}

}  // namespace app
