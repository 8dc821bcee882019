// ui-demo: a form with one of each standard control, a main menu with sub-menus, a pop-up menu, a status bar with
// three parts, a timer and a posted message, for screenshots of the window layer. "Seite drucken" (Strg+P) prints
// two pages of text through an anisotropic mapping on the current printer (PEXU_PRINTER=pdf:FILE for a PDF file).
// It ends with exit code 0 when its window is closed (WM_CLOSE).
//   ui-demo [--timeout MS]   ends with exit code 2 when nobody closed the window within MS milliseconds
#include <string>

#include "platform/core/exceptions.h"
#include "platform/core/strings.h"
#include "platform/ui/buttons.h"
#include "platform/ui/comctrls.h"
#include "platform/ui/extctrls.h"
#include "platform/ui/forms.h"
#include "platform/ui/mask.h"
#include "platform/ui/menus.h"
#include "platform/ui/printers.h"
#include "platform/ui/statusbar.h"
#include "platform/ui/stdctrls.h"
#include "tests/tools/demo_support.h"

namespace {

using namespace pf;
using namespace pf::literals;

constexpr uint32_t kDemoMessage = WM_USER + 1;

TMenuItem* AddItem(TMenuItem& parent, std::string_view caption, TShortCut shortCut = scNone,
                   std::string_view hint = {}) {
  auto* item = new TMenuItem(nullptr);
  item->SetCaption(std::string(caption));
  item->SetShortCut(shortCut);
  item->SetHint(std::string(hint));
  parent.Add(item);
  return item;
}

// Two pages, each with a line of text placed in logical units of 96 per inch, whatever the printer's resolution.
void PrintTwoPages() {
  TPrinter& printer = Printer();
  printer.Title = "Pexu UI-Demo";
  printer.BeginDoc();
  TCanvas& c = printer.Canvas();
  c.SetMapMode(MM_ANISOTROPIC);
  c.SetWindowExtEx(96, 96);
  c.SetViewportExtEx(c.GetDeviceCaps(LOGPIXELSX), c.GetDeviceCaps(LOGPIXELSY));
  c.Font().SetName("Arial");
  c.Font().SetHeight(-20);
  c.TextOut(96, 96, "Erste Seite der Demo");
  printer.NewPage();
  c.TextOut(96, 480, "Zweite Seite der Demo");
  printer.EndDoc();
}

class DemoForm : public TForm {
 public:
  explicit DemoForm(TComponent* owner) : TForm(owner) {
    SetCaption("Pexu UI-Demo");
    SetBounds(40, 40, 660, 470);
    Font().SetHeight(-13);

    auto* top = new TPanel(this);
    top->SetParent(this);
    top->SetAlign(alTop);
    top->SetHeight(40);
    top->SetCaption("TPanel (alTop)");
    auto* speed = new TSpeedButton(this);
    speed->SetParent(top);
    speed->SetBounds(4, 4, 32, 32);
    speed->SetFlat(true);
    speed->SetHint("Speed button|A flat speed button with a glyph");
    speed->SetShowHint(true);
    demo::DrawGlyph(speed->Glyph());

    status_ = new TStatusBarControl(this);
    status_->OnResize = [this](TObject*) {
      const int32_t width = status_->ClientWidth(), first = width * 70 / 100, second = width * 10 / 100;
      status_->SetParts({first, first + second, -1});
    };
    status_->SetParent(this);
    Application().OnHint = [this](TObject*) { status_->SetPartText(2, Application().Hint()); };
    BuildMenus();

    auto* label = new TLabel(this);
    label->SetParent(this);
    label->SetBounds(12, 52, 60, 17);
    label->SetCaption("&Label:");
    auto* edit = new TEdit(this);
    edit->SetParent(this);
    edit->SetBounds(80, 50, 150, 23);
    edit->SetText("TEdit");
    label->SetFocusControl(edit);
    auto* mask = new TMaskEdit(this);
    mask->SetParent(this);
    mask->SetBounds(240, 50, 60, 23);
    mask->SetEditMask("09;1; ");
    mask->SetText("42");

    auto* memo = new TMemo(this);
    memo->SetParent(this);
    memo->SetBounds(12, 82, 218, 80);
    memo->SetScrollBars(ssVertical);
    memo->Lines().Add("TMemo, line one");
    memo->Lines().Add("line two");
    memo->SetPopupMenu(popup_);

    auto* button = new TButton(this);
    button->SetParent(this);
    button->SetBounds(240, 82, 90, 27);
    button->SetCaption("&Button");
    button->SetDefault(true);
    button->OnClick = [this](TObject*) { ShowStatus("Button clicked"); };
    auto* check = new TCheckBox(this);
    check->SetParent(this);
    check->SetBounds(240, 116, 110, 20);
    check->SetCaption("TCheckBox");
    check->SetChecked(true);
    auto* radio1 = new TRadioButton(this);
    radio1->SetParent(this);
    radio1->SetBounds(240, 140, 110, 20);
    radio1->SetCaption("TRadioButton");
    radio1->SetChecked(true);
    auto* radio2 = new TRadioButton(this);
    radio2->SetParent(this);
    radio2->SetBounds(240, 162, 110, 20);
    radio2->SetCaption("Radio two");

    auto* combo = new TComboBox(this);
    combo->SetParent(this);
    combo->SetBounds(360, 50, 140, 23);
    combo->SetStyle(csDropDownList);
    for (const char* item : {"TComboBox", "Klasse A", "Klasse E"}) combo->Items().Add(item);
    combo->SetItemIndex(0);
    auto* list = new TListBox(this);
    list->SetParent(this);
    list->SetBounds(360, 82, 140, 100);
    list->SetMultiSelect(true);
    list->SetSorted(true);
    for (const char* item : {"TListBox", "TA101", "TA102", "BE201", "VE301"}) list->Items().Add(item);
    list->SetSelected(1, true);
    auto* scroll = new TScrollBar(this);
    scroll->SetParent(this);
    scroll->SetBounds(12, 172, 218, 18);
    scroll->SetPageSize(20);
    scroll->SetPosition(30);
    progress_ = new TProgressBar(this);
    progress_->SetParent(this);
    progress_->SetBounds(240, 190, 260, 18);
    progress_->SetPosition(10);

    auto* pages = new TPageControl(this);
    pages->SetParent(this);
    pages->SetBounds(12, 200, 218, 150);
    for (const char* caption : {"TPageControl", "Sheet 2"}) {
      auto* sheet = new TTabSheet(this);
      sheet->SetPageControl(pages);
      sheet->SetCaption(caption);
      auto* text = new TLabel(this);
      text->SetParent(sheet);
      text->SetBounds(8, 8, 180, 17);
      text->SetCaption(std::string("TTabSheet: ") + caption);
    }

    auto* image = new TImage(this);
    image->SetParent(this);
    image->SetBounds(240, 220, 64, 64);
    image->SetStretch(true);
    TBitmap& picture = image->Picture().Bitmap();
    demo::DrawGlyph(picture);
    auto* bevel = new TBevel(this);
    bevel->SetParent(this);
    bevel->SetBounds(316, 220, 80, 64);
    auto* shape = new TShape(this);
    shape->SetParent(this);
    shape->SetBounds(408, 220, 90, 64);
    shape->SetShape(stEllipse);
    shape->Brush().SetColor(clYellow);

    timer_ = new TTimer(this);
    timer_->SetInterval(100);
    timer_->SetOnTimer([this](TObject*) {
      ++ticks_;
      progress_->SetPosition(10 + ticks_ % 90);
      ShowStatus("TTimer ticks: " + IntToStr(ticks_) + "   " + posted_);
    });
    ShowStatus("");
    PostMessage(this, kDemoMessage, 0, 0, std::string("posted message arrived"));
  }

  ~DemoForm() override { Application().OnHint = nullptr; }

 protected:
  void WndProc(TMessage& message) override {
    if (message.Msg == kDemoMessage) {
      if (const auto* text = std::any_cast<std::string>(&message.Payload)) posted_ = *text;
      return;
    }
    TForm::WndProc(message);
  }

 private:
  void ShowStatus(const std::string& text) { status_->SetPartText(0, " " + text); }

  void BuildMenus() {
    auto* menu = new TMainMenu(this);
    TMenuItem* file = AddItem(menu->Items(), "&Datei");
    AddItem(*file, " Aktuelle Seite &drucken", ShortCut('P', ssCtrl), " Zwei Seiten drucken")->OnClick =
        [this](TObject*) {
          PrintTwoPages();
          status_->SetPartText(1, "\tgedruckt");
        };
    AddItem(*file, "-");
    AddItem(*file, " Be&enden", ShortCut(VK_F12, 0), " Programmende")->OnClick = [this](TObject*) { Close(); };
    TMenuItem* exams = AddItem(menu->Items(), "&Prüfungen"_l1);
    TMenuItem* classA = AddItem(*exams, " Klasse &A", scNone, " Die Prüfungsteile der Klasse A"_l1);
    AddItem(*classA, " &Technische Kenntnisse", ShortCut(VK_F2, 0), " Prüfung Technik Klasse 2 erzeugen"_l1);
    AddItem(*classA, " &Betriebliche Kenntnisse", ShortCut(VK_F4, 0));
    TMenuItem* classE = AddItem(*exams, " Klasse &E", scNone, " Die Prüfungsteile der Klasse E"_l1);
    AddItem(*classE, " &Technische Kenntnisse", ShortCut(VK_F3, 0));
    AddItem(*classE, " &Betriebliche Kenntnisse", ShortCut(VK_F4, 0));
    AddItem(*exams, "-");
    TMenuItem* log = AddItem(*exams, " Prüfungs&log"_l1, ShortCut('L', ssCtrl));
    log->SetChecked(true);
    AddItem(*exams, " P&rüfungslog löschen"_l1, ShortCut(VK_DELETE, ssCtrl))->SetEnabled(false);
    TMenuItem* help = AddItem(menu->Items(), "&Hilfe");
    AddItem(*help, " über &Pexu"_l1, scNone, " Programmversion");
    for (TMenuItem* item : {classA->Items(0), classA->Items(1), classE->Items(0), classE->Items(1)})
      item->OnClick = [this, item](TObject*) { status_->SetPartText(1, "\t" + item->Parent()->Caption()); };
    SetMenu(menu);

    popup_ = new TPopupMenu(this);
    AddItem(popup_->Items(), "Fragen&text anzeigen", ShortCut('T', ssCtrl));
    AddItem(popup_->Items(), "&Alle Fragen löschen"_l1);
  }

  TStatusBarControl* status_ = nullptr;
  TPopupMenu* popup_ = nullptr;
  TProgressBar* progress_ = nullptr;
  TTimer* timer_ = nullptr;
  int ticks_ = 0;
  std::string posted_;
};

}  // namespace

int main(int argc, char** argv) { return demo::RunDemo<DemoForm>(argc, argv, "ui-demo", "Pexu UI-Demo"); }
