// The program's windows as the main window makes them: every menu owner-drawn with one look and drawn through its
// own window's hook (background, highlight, glyph and shortcut columns), and the main window's side of the engine
// port reading the company name from the program's own version block.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/einstellungen.h"
#include "app/peditor.h"
#include "app/pexu_form.h"
#include "components/od_menu.h"
#include "platform/core/strings.h"
#include "platform/graphics/colors.h"
#include "platform/ui/forms.h"
#include "tests/engine/engine_test_support.h"
#include "tests/platform/ui/ui_test_support.h"

namespace {

using components::TodMenuItem;
using components::TodMenuProperties;

// The main window started on a portable program folder (the data stay beside it) holding a start page.
struct WindowMenusTest : testing::Test {
  WindowMenusTest() {
    enginetest::WriteFile(dir.File("Pexu.ini"), "[Einstellungen]\nPortable=1\n");
    enginetest::WriteFile(dir.File("html/index.html"),
                          "<html><head><title>Start</title></head><body>Pexu</body></html>");
    app::TPexuForm::ProgramFolder() = dir.Path();
    pf::Application().CreateForm(form);
    form->CreateSecondaryWindows();
  }
  ~WindowMenusTest() override {
    pf::DoneApplication();  // the windows go in the reverse order of their creation
    app::TPexuForm::ProgramFolder().clear();
  }

  enginetest::TempDir dir;
  ui_test::RecordedDialogs dialogs;
  app::TPexuForm* form = nullptr;
};

// Every item below item, depth first.
void CollectItems(const pf::TMenuItem& item, std::vector<const pf::TMenuItem*>& items) {
  for (int i = 0; i < item.Count(); ++i) {
    items.push_back(item.Items(i));
    CollectItems(*item.Items(i), items);
  }
}

struct WindowMenu {
  const char* name;
  pf::TMenu* menu;
  pf::TMenuItem* sample;  // a drop-down item with a glyph and a shortcut
};

std::vector<WindowMenu> MenusOf(app::TPexuForm& form) {
  app::TPEditorForm& editor = *form.PEditorForm;
  app::TEinstellungenForm& settings = *form.EinstellungenForm;
  return {
      {"main window", form.PexuodMenu, form.Drucken},
      {"editor", editor.MainMenu, editor.MainMenu->Items().Items(0)->Items(1)},
      {"editor pool pop-up", editor.FragenPopupMenu, editor.FragenPopupMenu->Items().Items(1)},
      {"editor list pop-up", editor.PruefungPopupMenu, editor.PruefungPopupMenu->Items().Items(1)},
      {"settings window", settings.MainMenu, settings.MainMenu->Items().Items(0)->Items(5)},
  };
}

// Every item of every menu is drawn by the menu, in the menu's font (13-pixel Arial).
TEST_F(WindowMenusTest, EveryItemIsOwnerDrawnInTheMenusFont) {
  for (const WindowMenu& window : MenusOf(*form)) {
    SCOPED_TRACE(window.name);
    ASSERT_NE(dynamic_cast<TodMenuProperties*>(window.menu), nullptr);
    std::vector<const pf::TMenuItem*> items;
    CollectItems(window.menu->Items(), items);
    for (const pf::TMenuItem* item : items) {
      const auto* od = dynamic_cast<const TodMenuItem*>(item);
      ASSERT_NE(od, nullptr) << item->Caption();
      EXPECT_EQ(od->Font().Name(), "Arial") << item->Caption();
      EXPECT_EQ(od->Font().Height(), -13) << item->Caption();
    }
  }
}

// An item measured and drawn the way the window system asks for it, through the menu's handlers (the form's hook
// or the pop-up window): the light grey background up to the right edge, the glyph at the left, the shortcut in its
// column at the right, and the highlight colour all over when selected.
TEST_F(WindowMenusTest, ItemsAreDrawnThroughTheirWindowsHook) {
  const uint32_t background = pf::ColorToRGB(0xF7F7F7);
  const uint32_t highlight = pf::ColorToRGB(pf::clHighlight);
  for (const WindowMenu& window : MenusOf(*form)) {
    SCOPED_TRACE(window.name);
    pf::TMenuItem& item = *window.sample;
    ASSERT_FALSE(item.Bitmap().Empty());
    ASSERT_NE(item.ShortCut(), pf::scNone);
    pf::TBitmap scratch(1, 1);
    int32_t width = 0, height = 0;
    ASSERT_TRUE(window.menu->MeasureItemHandler(item, scratch.Canvas(), width, height));
    EXPECT_EQ(height, 16 + 4);  // the glyph decides over a 13-pixel line
    ASSERT_GT(width, 100);

    for (const bool selected : {false, true}) {
      pf::TBitmap target(width, height, pf::pf24bit);
      ASSERT_TRUE(window.menu->DrawItemHandler(item, target.Canvas(), {0, 0, width, height},
                                               selected ? pf::TOwnerDrawState{pf::odSelected} : 0));
      EXPECT_EQ(target.GetPixel(width - 2, 1), selected ? highlight : background) << "selected " << selected;
      int glyphPixels = 0, shortcutPixels = 0;
      const uint32_t fill = selected ? highlight : background;
      for (int32_t y = 2; y < height - 2; ++y) {
        for (int32_t x = 0; x < 22; ++x) glyphPixels += target.GetPixel(x, y) != fill;
        for (int32_t x = width * 3 / 4; x < width - 4; ++x) shortcutPixels += target.GetPixel(x, y) != fill;
      }
      EXPECT_GT(glyphPixels, 20) << "selected " << selected;
      EXPECT_GT(shortcutPixels, 10) << "selected " << selected;
    }
  }
}

// The footers of the pages the engine writes name the company of the program's own version block.
TEST_F(WindowMenusTest, PageFootersNameTheCompanyOfTheProgramsVersionBlock) {
  EXPECT_EQ(form->CompanyName(), "Pexu-Team");
  form->Engine().LogSpeedButtonClick();
  const std::string page = enginetest::ReadFile(dir.File("html/LetztesLog.html"));
  EXPECT_NE(page.find("<small>Pexu &nbsp;<a class=\"text\" href=\"mailto:"), std::string::npos) << page;
  EXPECT_NE(page.find(">Pexu-Team</a></small>"), std::string::npos) << page;
}

}  // namespace
