// app-forms-demo: the settings window, the question-list editor, the question window and the about box on a data
// folder of their own, opened from a plain stand-in for the main window (F11 editor, Strg+E settings, F9 about box;
// the editor shows its questions in the question window), for screenshots and black-box checks. A shown window
// reports the screen points of its controls on stdout ("NAME X Y"); the editor's question display, the question
// window's hiding, help pages and warnings are reported too. The program ends when the stand-in is closed.
//   app-forms-demo --data DIR [--no-catalogue] [--timeout MS]
#include <cstdio>
#include <filesystem>
#include <string>

#include "app/einstellungen.h"
#include "app/fragen.h"
#include "app/info.h"
#include "app/peditor.h"
#include "app/window_support.h"
#include "engine/engine.h"
#include "engine/startup.h"
#include "platform/core/files.h"
#include "platform/core/services.h"
#include "platform/core/strings.h"
#include "platform/ui/extctrls.h"
#include "platform/ui/forms.h"
#include "platform/ui/stdctrls.h"
#include "tests/engine/quiet_port.h"
#include "tests/tools/demo_support.h"

namespace {

using namespace pf::literals;

std::string dataDir;
bool withCatalogue = true;

void Report(const std::string& name, const pf::TControl& control, pf::TPoint at) {
  const pf::TPoint p = control.ClientToScreen(at);
  std::printf("%s %d %d\n", name.c_str(), p.X, p.Y);
  std::fflush(stdout);
}

void Report(const std::string& name, const pf::TControl& control) {
  Report(name, control, {control.Width() / 2, control.Height() / 2});
}

// The quiet port with what the demo shows: the pages it would load, and its warnings and questions as dialogs.
class DemoPort : public QuietPort {
 public:
  DemoPort() : QuietPort(std::string(PEXU_SOURCE_DIR) + "/resources", true, "Pexu-Team") {}
  void LoadFromFile(const std::string& path) override { std::printf("load %s\n", path.c_str()), std::fflush(stdout); }
  void ShowWarning(const std::string& text) override {
    std::printf("warning %s\n", text.c_str()), std::fflush(stdout);
    pf::MessageDlg(text, pf::mtWarning, pf::mbOK);
  }
  bool Confirm(const std::string& text) override {
    return pf::MessageDlg(text, pf::mtWarning, pf::mbOK | pf::mbCancel) == pf::mrOk;
  }
};

class DemoMain : public pf::TForm {
 public:
  explicit DemoMain(pf::TComponent* owner) : pf::TForm(owner) {
    SetCaption("Pexu Demo-Hauptfenster");
    SetBounds(0, 0, 300, 120);
    auto* label = new pf::TLabel(this);
    label->SetParent(this);
    label->SetCaption("F11 Editor, Strg+E Einstellungen, F9 Info");
    label->SetBounds(10, 10, label->Width(), label->Height());
    menu_ = new pf::TMainMenu(this);
    pf::TMenuItem* windows = app::AddMenuItem(menu_->Items(), "&Fenster");
    app::AddMenuItem(*windows, std::string(" Prüfungse&ditor"_l1), pf::ShortCut(pf::VK_F11, 0), "", [this] {
      editor_->Show();
      ReportLater([this] { ReportEditor(); });
    });
    app::AddMenuItem(*windows, "Ei&nstellungen", pf::ShortCut('E', pf::ssCtrl), "", [this] {
      settings_->Show();
      ReportLater([this] { ReportSettings(); });
    });
    app::AddMenuItem(*windows, " &Info", pf::ShortCut(pf::VK_F9, 0), "", [this] {
      ReportLater([this] { Report("about-exit", *about_->ExitSpeedButton); }, about_);
      about_->ShowModal();
      std::printf("about closed\n"), std::fflush(stdout);
    });
    SetMenu(menu_);
    report_ = new pf::TTimer(this);
    report_->SetEnabled(false);
    report_->SetInterval(500);

    engine::OpenDataFolder(state_, dataDir, port_);
    if (withCatalogue)
      std::filesystem::copy_file(PEXU_CATALOGUE, state_.CatalogueFile,
                                 std::filesystem::copy_options::overwrite_existing);
    // The windows as the main window creates them, with its hint display.
    fragen_ = app::CreateSecondaryForm<app::TFragenForm>(&pf::Application(), engine_);
    editor_ = app::CreateSecondaryForm<app::TPEditorForm>(&pf::Application(), engine_);
    settings_ = app::CreateSecondaryForm<app::TEinstellungenForm>(&pf::Application(), engine_);
    about_ = app::CreateSecondaryForm<app::TPexuAboutBox>(&pf::Application(), engine_);
    // The pool's items are reported once a part is chosen.
    pf::TNotifyEvent choose = editor_->PruefungsAuswahlComboBox->OnChange;
    editor_->PruefungsAuswahlComboBox->OnChange = [this, choose](pf::TObject* sender) {
      choose(sender);
      ReportLater([this] { ReportEditor(); });
    };
    editor_->OnShowQuestion = [this](const std::string& code, const std::string& id) {
      std::printf("show %s %s\n", code.c_str(), id.c_str()), std::fflush(stdout);
      fragen_->ShowQuestion(code, id);
      ReportLater([this] { ReportQuestionLink(); }, fragen_);
    };
    fragen_->OnHide = [](pf::TObject*) { std::printf("question hidden\n"), std::fflush(stdout); };
    pf::Application().OnHint = [this](pf::TObject*) {
      editor_->ShowHint(pf::Application().Hint());
      settings_->ShowHint(pf::Application().Hint());
    };
  }

 private:
  // Reports half a second later, once shown is visible (a warning may come before it).
  void ReportLater(std::function<void()> report, const pf::TCustomForm* shown = nullptr) {
    report_->SetOnTimer([this, report, shown](pf::TObject*) {
      if (shown != nullptr && !shown->Visible()) return;
      report_->SetEnabled(false);
      report();
    });
    report_->SetEnabled(true);
  }
  void ReportSettings() {
    Report("settings-blocks", *settings_->FragenauswahlUrlLabel, {10, 6});
    Report("settings-asked-radio", *settings_->AbgefragtListeRadioButton);
  }
  void ReportEditor() {
    Report("editor-part", *editor_->PruefungsAuswahlComboBox);
    Report("editor-count", *editor_->FragenAuswahlComboBox);
    Report("editor-time", *editor_->ZeitMaskEdit, {4, 11});
    Report("editor-comment", *editor_->qltKommentarEdit);
    Report("editor-own", *editor_->PruefungListBox);
    for (int i : {0, 2, 4}) {
      if (i >= editor_->FragenListBox->Items().Count()) break;
      const pf::TRect r = editor_->FragenListBox->ItemRect(i);
      Report("editor-pool" + std::to_string(i), *editor_->FragenListBox, {r.Left + 12, (r.Top + r.Bottom) / 2});
    }
  }

  // The middle of the first link of the question page, found by the viewer's own hit test down the page's middle.
  void ReportQuestionLink() {
    viewer::TPageViewer& v = *fragen_->FragenPageViewer;
    pf::TBitmap measure;
    measure.SetWidth(1);
    measure.SetHeight(1);
    const int32_t x = v.PaintPanel().Width() / 2;
    auto isLink = [&](int32_t y) {
      std::unique_ptr<viewer::TUrlTarget> link;
      viewer::TFormControlObj* control = nullptr;
      std::string title;
      return (v.SectionList().GetLinkAt(measure.Canvas(), x, y, link, control, title) & 1) != 0;
    };
    int32_t top = 0;
    while (top < v.DocHeight() && !isLink(top)) ++top;
    int32_t bottom = top;
    while (bottom < v.DocHeight() && isLink(bottom)) ++bottom;
    if (top == bottom) {
      std::printf("question-link none\n"), std::fflush(stdout);
      return;
    }
    Report("question-link", v.PaintPanel(), {x, (top + bottom) / 2 - v.VScrollBarPosition()});
  }

  DemoPort port_;
  engine::AppState state_;
  engine::Engine engine_{state_, port_};
  pf::TMainMenu* menu_ = nullptr;
  pf::TTimer* report_ = nullptr;
  app::TFragenForm* fragen_ = nullptr;
  app::TPEditorForm* editor_ = nullptr;
  app::TEinstellungenForm* settings_ = nullptr;
  app::TPexuAboutBox* about_ = nullptr;
};

}  // namespace

int main(int argc, char** argv) {
  int timeout = 0;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--data" && i + 1 < argc) {
      dataDir = pf::ExpandFileName(argv[++i]);
    } else if (arg == "--no-catalogue") {
      withCatalogue = false;
    } else if (arg == "--timeout" && i + 1 < argc) {
      timeout = std::atoi(argv[++i]);
    } else {
      dataDir.clear();
      break;
    }
  }
  if (dataDir.empty()) {
    std::fprintf(stderr, "usage: app-forms-demo --data DIR [--no-catalogue] [--timeout MS]\n");
    return 1;
  }
  return demo::RunForm<DemoMain>("app-forms-demo", " Pexu", timeout);
}
