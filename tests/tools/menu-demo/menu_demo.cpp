// menu-demo: a form with an owner-drawn main menu (sub-menu, checked, radio and disabled items, shortcuts, glyphs,
// a banner), a status line that shows the application's hint, a drop shadow and a client texture, for screenshots.
// Every change of the hint is also written to standard output as "hint: <text>".
//   menu-demo [--timeout MS]   ends with exit code 2 when nobody closed the window within MS milliseconds
#include <cstdio>
#include <string>

#include "components/dyn_form.h"
#include "components/od_menu.h"
#include "platform/core/strings.h"
#include "platform/graphics/imagelist.h"
#include "platform/ui/extctrls.h"
#include "platform/ui/forms.h"
#include "platform/ui/stdctrls.h"
#include "tests/tools/demo_support.h"

namespace {

using namespace pf;
using namespace pf::literals;
using components::TodMenu;
using components::TodMenuItem;

constexpr TColor kMenuColor = 0xF7F7F7;

std::string L1(std::string_view latin1) { return std::string(latin1); }

// The glyphs of the image list: 16 x 16 on a fuchsia background that stays transparent.
enum Glyph { gExam, gPrint, gExit, gHelp, gCount };

void DrawGlyph(TCanvas& c, Glyph glyph) {
  c.Brush().SetColor(clFuchsia);
  c.FillRect({0, 0, 16, 16});
  c.Pen().SetColor(clBlack);
  switch (glyph) {
    case gExam:  // a sheet with lines
      c.Brush().SetColor(clWhite);
      c.Rectangle(3, 1, 13, 15);
      for (int y = 4; y < 13; y += 3) c.MoveTo(5, y), c.LineTo(11, y);
      break;
    case gPrint:  // a printer
      c.Brush().SetColor(clWhite);
      c.Rectangle(4, 1, 12, 7);
      c.Brush().SetColor(clGray);
      c.Rectangle(1, 6, 15, 12);
      c.Brush().SetColor(clLime);
      c.FillRect({11, 8, 13, 10});
      break;
    case gExit:  // a red door
      c.Brush().SetColor(clRed);
      c.Rectangle(3, 1, 12, 15);
      c.Brush().SetColor(clYellow);
      c.FillRect({9, 7, 11, 9});
      break;
    case gHelp:  // a blue disc
      c.Brush().SetColor(clNavy);
      c.Ellipse(1, 1, 15, 15);
      c.Brush().SetColor(clWhite);
      c.FillRect({7, 4, 9, 9});
      c.FillRect({7, 10, 9, 12});
      break;
    case gCount:
      break;
  }
}

// A plain window behind the demo, so that the shadow has something to darken.
class Backdrop : public TForm {
 public:
  explicit Backdrop(TComponent* owner) : TForm(owner) {
    SetBorderStyle(bsNone);
    SetBounds(0, 0, 760, 520);
    SetColor(RGB(120, 180, 120));
    SetCaption("Pexu Menu-Demo Hintergrund");
  }
};

class DemoForm : public TForm {
 public:
  explicit DemoForm(TComponent* owner) : TForm(owner) {
    (new Backdrop(this))->Show();
    SetCaption("Pexu Menu-Demo");
    SetBounds(60, 60, 560, 360);
    Font().SetName("Arial");
    Font().SetHeight(-13);

    images_ = new TImageList(this);
    for (int g = 0; g < gCount; ++g) {
      TBitmap glyph(16, 16, pf24bit);
      DrawGlyph(glyph.Canvas(), static_cast<Glyph>(g));
      images_->AddMasked(glyph, clFuchsia);
    }
    BuildMenu();

    status_ = new TPanel(this);
    status_->SetParent(this);
    status_->SetAlign(alBottom);
    status_->SetHeight(24);
    status_->SetBevelOuter(bvLowered);
    status_->SetAlignment(taLeftJustify);
    auto* label = new TLabel(this);
    label->SetParent(this);
    label->SetBounds(16, 16, 400, 20);
    label->SetCaption(L1("Alt+D, Alt+A, Alt+H: die Menüs"_l1));
    label->SetHint(" Das Etikett der Demo");

    // A soft blue texture behind the client area, and the shadow.
    auto* dyn = new components::TDynForm(this);
    TBitmap& texture = dyn->ClientTexture().Bitmap();
    texture.SetSize(8, 8);
    texture.SetPixelFormat(pf24bit);
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x) texture.SetPixel(x, y, (x + y) % 4 == 0 ? RGB(200, 215, 240) : RGB(230, 238, 250));
    dyn->ClientTexture().Bitmap().PixelsChanged();
    dyn->Shadow().SetStyle(components::ssPattern);

    // A pop-up menu on the client area.
    auto* popup = new components::TodPopupMenu(this);
    popup->Font().SetName("Arial");
    popup->Font().SetHeight(-13);
    popup->SetOptions(components::odmCustomFont | components::odmBackground);
    popup->SetColor(kMenuColor);
    popup->SetSelectionStyle(components::odmRaisedSel);
    popup->SetImageList(images_);
    Add(popup->Items(), " &Kopieren", ShortCut('C', ssCtrl), " Text in die Zwischenablage", gPrint);
    Add(popup->Items(), " &Alles markieren", ShortCut('A', ssCtrl), " Den ganzen Text markieren");
    Add(popup->Items(), "-");
    Add(popup->Items(), " &Zeilenumbruch", scNone, " Lange Zeilen umbrechen")->SetChecked(true);
    SetPopupMenu(popup);

    Application().OnHint = [this](TObject*) {
      status_->SetCaption(Application().Hint());
      std::printf("hint: %s\n", Application().Hint().c_str());
      std::fflush(stdout);
    };
  }

 private:
  TodMenuItem* Add(TMenuItem& parent, const std::string& caption, TShortCut shortCut = scNone,
                   const std::string& hint = {}, int glyph = -1) {
    auto* item = new TodMenuItem(this);
    item->SetCaption(caption);
    item->SetShortCut(shortCut);
    item->SetHint(hint);
    item->SetImageIndex(glyph);
    item->OnClick = [this, item](TObject*) {
      status_->SetCaption(L1(" Gewählt: "_l1) + item->Caption());
      std::printf("click: %s\n", item->Caption().c_str());
      std::fflush(stdout);
    };
    parent.Add(item);
    return item;
  }

  void BuildMenu() {
    auto* menu = new TodMenu(this);
    menu->SetImageList(images_);
    menu->Font().SetName("Arial");
    menu->Font().SetHeight(-13);
    menu->SetOptions(components::odmCustomFont | components::odmBackground | components::odmBanner);
    menu->SetColor(kMenuColor);
    menu->Banner().SetEnabled(false);

    TMenuItem& root = menu->Items();
    TodMenuItem* file = Add(root, "&Datei");
    Add(*file, L1(" Eigene &Prüfung"_l1), ShortCut(VK_F10, 0),
        L1(" Eigene Fragenauswahl laden und Fragebögen erzeugen"_l1), gExam);
    Add(*file, " Aktuelle Seite &drucken", ShortCut('P', ssCtrl), " Aktuelle Seite drucken", gPrint);
    Add(*file, " D&rucker einrichten", ShortCut('P', ssCtrl | ssAlt), " Drucker einrichten");
    Add(*file, "-");
    Add(*file, " Be&enden", ShortCut(VK_F12, 0), " Programmende", gExit)->OnClick = [this](TObject*) { Close(); };

    TodMenuItem* view = Add(root, "&Ansicht");
    // This drop-down has a banner: a vertical strip with a gradient.
    view->SubMenuBanner().SetEnabled(true);
    view->SubMenuBanner().SetVertical(true);
    view->SubMenuBanner().SetCaption("Pexu");
    view->SubMenuBanner().SetWidth(22);
    view->SubMenuBanner().SetColor(RGB(10, 36, 106));
    view->SubMenuBanner().SetGradient(RGB(166, 202, 240));
    view->SubMenuBanner().SetStyle(components::odmVertGradient);
    view->SubMenuBanner().Font().SetHeight(-14);
    view->SubMenuBanner().Font().SetStyle(fsBold);
    TodMenuItem* bar = Add(*view, " &Statusleiste", scNone, " Statuszeile zeigen");
    bar->SetChecked(true);
    bar->OnClick = [bar](TObject*) { bar->SetChecked(!bar->Checked()); };
    Add(*view, "-");
    for (const char* letter : {"A", "E"}) {
      TodMenuItem* radio =
          Add(*view, std::string(" Klasse &") + letter, scNone, std::string(" Fragen der Klasse ") + letter);
      radio->SetRadioItem(true);
      radio->SetGroupIndex(1);
      radio->OnClick = [radio](TObject*) { radio->SetChecked(true); };
    }
    view->Items(2)->SetChecked(true);
    Add(*view, "-");
    Add(*view, " &Vollbild", ShortCut(VK_F2, ssShift), " Nicht in dieser Demo")->SetEnabled(false);
    TodMenuItem* size = Add(*view, L1(" Schrift&größe"_l1), scNone, L1(" Die Schriftgröße der Seiten"_l1));
    Add(*size, " &Klein", ShortCut('1', ssCtrl), " Kleine Schrift");
    Add(*size, " &Mittel", ShortCut('2', ssCtrl), " Mittlere Schrift");
    Add(*size, L1(" G&roß"_l1), ShortCut('3', ssCtrl), L1(" Große Schrift"_l1));

    TodMenuItem* help = Add(root, "&Hilfe");
    Add(*help, " &Hilfe", ShortCut(VK_F1, 0), " Die Pexu Hilfe", gHelp);
    Add(*help, L1(" über &Pexu"_l1), scNone, " Programmversion / Fragenversionen / Dank / Kontakt");
    SetMenu(menu);
  }

  TImageList* images_ = nullptr;
  TPanel* status_ = nullptr;
};

}  // namespace

int main(int argc, char** argv) { return demo::RunDemo<DemoForm>(argc, argv, "menu-demo", "Pexu Menu-Demo"); }
