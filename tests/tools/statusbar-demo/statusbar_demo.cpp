// statusbar-demo: a form with a status bar that has a panel of every style, the last one hosting a progress bar,
// for screenshots. Once shown it prints each panel's style and its part's rectangle on the screen, and the screen
// point of a control with a hint ("hint X Y"), so that a script can point there and check the picture.
// It ends with exit code 0 when its window is closed (WM_CLOSE).
//   statusbar-demo [--timeout MS]   ends with exit code 2 when nobody closed the window within MS milliseconds
#include <cstdio>
#include <string>

#include "components/status_bar.h"
#include "platform/core/strings.h"
#include "platform/ui/comctrls.h"
#include "platform/ui/extctrls.h"
#include "platform/ui/forms.h"
#include "platform/ui/stdctrls.h"
#include "tests/tools/demo_support.h"

namespace {

using namespace pf;
using namespace pf::literals;
using components::TsbStatusPanel;
using components::TsbStatusPanelStyle;

struct PanelSpec {
  TsbStatusPanelStyle style;
  const char* name;
  const char* width;
};

// Every style once, in the styles' order; the hosting panel last.
constexpr PanelSpec kPanels[] = {
    {components::psTextOnly, "psTextOnly", "40%"},
    {components::psOverWrite, "psOverWrite", "80"},
    {components::psCapsLock, "psCapsLock", "50"},
    {components::psNumLock, "psNumLock", "45"},
    {components::psDateTime, "psDateTime", "150"},
    {components::psDate, "psDate", "90"},
    {components::psTime, "psTime", "75"},
    {components::psGlyph, "psGlyph", "85"},
    {components::psRichEditStatus, "psRichEditStatus", "100"},
    {components::psHint, "psHint", "130"},
    {components::psUserName, "psUserName", "90"},
    {components::psComputerName, "psComputerName", "130"},
    {components::psScrollLock, "psScrollLock", "55"},
    {components::psHintContainerOnly, "psHintContainerOnly", "130"},
    {components::psControl, "psControl", "60%"},
};

class DemoForm : public TForm {
 public:
  explicit DemoForm(TComponent* owner) : TForm(owner) {
    SetCaption("Pexu Statusbar-Demo");
    SetBounds(20, 20, 1560, 260);
    Font().SetName("Arial");
    Font().SetHeight(-13);

    hinted_ = new TPanel(this);
    hinted_->SetParent(this);
    hinted_->SetBounds(12, 12, 360, 60);
    hinted_->SetCaption("Feld mit Hinweis");
    hinted_->SetHint("Feldhinweis");
    auto* memo = new TMemo(this);
    memo->SetParent(this);
    memo->SetBounds(390, 12, 300, 80);
    memo->SetText("Erste Zeile\r\nZweite Zeile\r\nDritte Zeile");
    memo->SetSelStart(29);  // line 3, column 5
    auto* progress = new TProgressBar(this);
    progress->SetPosition(60);
    auto* images = new TImageList(this, 16, 16);
    TBitmap glyph;
    demo::DrawGlyph(glyph);
    images->AddMasked(glyph, clFuchsia);

    bar_ = new components::TsbStatusBar(this);
    bar_->Font().SetName("Verdana");
    bar_->Font().SetHeight(-13);
    bar_->SetParent(this);
    bar_->SetImages(images);
    for (const PanelSpec& spec : kPanels) {
      TsbStatusPanel* panel = bar_->Panels().Add();
      panel->SetName(spec.name);
      panel->SetWidth(spec.width);
      panel->SetStyle(spec.style);
    }
    TsbStatusPanel* message = bar_->Panels()[0];
    message->SetText(std::string(" Prüfung & Übung"_l1));
    message->SetColor(0xE0FFFF);
    bar_->Panels()[7]->SetText("Glyphe");
    bar_->Panels()[8]->SetComponent(memo);
    TsbStatusPanel* last = bar_->Panels()[14];
    last->SetBevel(components::pbNone);
    last->SetComponent(progress);

    report_ = new TTimer(this);
    report_->SetInterval(500);
    report_->SetOnTimer([this](TObject*) { Report(); });
  }

 private:
  // Each panel's style and part rectangle on the screen, then where the hinted control is.
  void Report() {
    report_->SetEnabled(false);
    for (int i = 0; i < bar_->Panels().Count(); ++i) {
      const TRect r = bar_->Panels()[i]->GetPanelRect();
      const TPoint origin = bar_->ClientToScreen(r.TopLeft());
      std::printf("panel %s %d %d %d %d\n", kPanels[i].name, origin.X, origin.Y, r.Width(), r.Height());
    }
    const TPoint hint = hinted_->ClientToScreen({hinted_->Width() / 2, hinted_->Height() / 2});
    std::printf("hint %d %d\n", hint.X, hint.Y);
    std::fflush(stdout);
  }

  components::TsbStatusBar* bar_ = nullptr;
  TPanel* hinted_ = nullptr;
  TTimer* report_ = nullptr;
};

}  // namespace

int main(int argc, char** argv) { return demo::RunDemo<DemoForm>(argc, argv, "statusbar-demo", "Pexu Statusbar-Demo"); }
