// The form shadow on a virtual X display, the form moved as a window manager moves a window: the left button held
// down (on the desktop, where a window manager's title bar would take it) while the window system moves the form
// (xdotool). The strips leave the screen for the move and come back beside the form at its new place once the button
// is released. Probed in screenshots over a white form beneath, saved as gui-shots/form-shadow-<step>.png.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "components/dyn_form.h"
#include "platform/core/strings.h"
#include "tests/gui/screen_probe.h"
#include "tests/platform/ui/ui_test_support.h"

namespace {

using components::TDynForm;

bool Shell(const std::string& command) { return std::system(command.c_str()) == 0; }

class FormShadow : public testing::Test {
 protected:
  void SetUp() override {
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (platform == nullptr || std::string(platform) != "xcb" || !Shell("command -v xdotool import convert >/dev/null"))
      GTEST_SKIP() << "needs an X display, xdotool and ImageMagick";
    std::filesystem::create_directories(PEXU_GUI_SHOTS_DIR);
    desk = std::make_unique<pf::TForm>(nullptr);
    desk->SetBorderStyle(pf::bsNone);
    desk->SetColor(pf::clWhite);
    desk->SetBounds(0, 0, 800, 600);
    desk->Show();
    // The shadow comes with the form, as in a window's layout, and shows once the form is active.
    form = std::make_unique<pf::TForm>(nullptr);
    dyn = new TDynForm(form.get());
    form->SetBounds(10, 10, 300, 200);
    form->Show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(ui_test::WindowOf(*form), 5000));
  }
  void TearDown() override {
    Shell("xdotool mouseup 1");
    form.reset();
    desk.reset();
  }

  // Whether a screenshot shows the right strip's checkerboard where the strip stands beside a form of bounds r: about
  // every other pixel there black on the white beneath. The last screenshot stays as name.
  bool ShadowShown(const pf::TRect& r, bool shown, const std::string& name) {
    const int pos = dyn->Shadow().Pos(), width = dyn->Shadow().Width();
    bool seen = false;
    ui_test::RunUntil([&] {
      const std::string rgb = gui_test::ScreenArea(std::string(PEXU_GUI_SHOTS_DIR) + "/form-shadow-" + name + ".png",
                                                   r.Right, r.Top + pos, width, r.Height() - pos);
      size_t black = 0;
      for (size_t i = 0; i + 2 < rgb.size(); i += 3) black += rgb[i] == 0 && rgb[i + 1] == 0 && rgb[i + 2] == 0;
      const size_t pixels = rgb.size() / 3;
      return seen = pixels > 0 && (shown ? black * 3 > pixels : black == 0);
    });
    return seen;
  }

  std::unique_ptr<pf::TForm> desk, form;
  TDynForm* dyn = nullptr;
};

TEST_F(FormShadow, HidesWhileTheMouseMovesTheForm) {
  const pf::TRect before = form->BoundsRect();
  ASSERT_TRUE(ShadowShown(before, true, "before"));
  const std::string window = pf::IntToStr(static_cast<int64_t>(ui_test::WindowOf(*form)->winId()));
  ASSERT_TRUE(Shell("xdotool mousemove 1000 740 mousedown 1"));
  ASSERT_TRUE(Shell("xdotool windowmove " + window + " 200 150"));
  ASSERT_TRUE(ui_test::RunUntil([&] { return form->Left() == 200 && form->Top() == 150; }));
  const pf::TRect after = form->BoundsRect();
  EXPECT_TRUE(ShadowShown(before, false, "moving-old-place")) << "the shadow left the old place";
  EXPECT_TRUE(ShadowShown(after, false, "moving-new-place")) << "no shadow while the button is held";
  EXPECT_FALSE(dyn->RightStrip()->Visible() || dyn->BottomStrip()->Visible());
  EXPECT_EQ(dyn->Shadow().Style(), components::ssNone);
  ASSERT_TRUE(Shell("xdotool mouseup 1"));
  EXPECT_TRUE(ShadowShown(after, true, "after")) << "the shadow is back beside the form";
  EXPECT_EQ(dyn->Shadow().Style(), components::ssSoild);
}

}  // namespace
