// The lock-key panels of a status bar on a virtual X display, the keys pressed as a user presses them (xdotool, through
// the X server): a panel's text turns black when its lock goes on and goes back to the disabled greys when the second
// press switches the lock off again, which the server does only when that key comes up. Probed in screenshots of the
// display, saved as gui-shots/lock-keys-<key>-<step>.png. A double click on a panel presses its key the same way.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "components/status_bar.h"
#include "platform/core/strings.h"
#include "platform/ui/system.h"
#include "tests/gui/screen_probe.h"
#include "tests/platform/ui/ui_test_support.h"

namespace {

using components::TsbStatusBar;
using components::TsbStatusPanel;

bool Shell(const std::string& command) { return std::system(command.c_str()) == 0; }

// What a screenshot shows inside a panel's bevel: black pixels (enabled text) and pixels of the button shadow
// (the disabled text's face).
struct Ink {
  int black = 0;
  int shadow = 0;
};

class LockKeyPanels : public testing::Test {
 protected:
  void SetUp() override {
    form = ui_test::ActiveForm(420, 80);
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (platform == nullptr || std::string(platform) != "xcb" || !Shell("command -v xdotool import convert >/dev/null"))
      GTEST_SKIP() << "needs an X display, xdotool and ImageMagick";
    std::filesystem::create_directories(PEXU_GUI_SHOTS_DIR);
    bar = new TsbStatusBar(form.get());
    bar->SetParent(form.get());
    bar->Font().SetName("Verdana");
    bar->Font().SetHeight(-13);
    for (auto [style, width] :
         {std::pair{components::psCapsLock, "80"}, {components::psNumLock, "80"}, {components::psTextOnly, "100%"}}) {
      TsbStatusPanel* panel = bar->Panels().Add();
      panel->SetWidth(width);
      panel->SetStyle(style);
    }
    hook = pf::AddKeyboardHook(
        [this](uint16_t vk, bool down, bool) { heard.push_back(pf::IntToStr(vk) + (down ? " down" : " up")); });
  }
  void TearDown() override {
    if (hook != 0) pf::RemoveKeyboardHook(hook);
    form.reset();
  }

  // A screenshot of the display saved as name, and what it shows in the panel's part.
  Ink Shot(const TsbStatusPanel* panel, const std::string& name) {
    const pf::TRect part = panel->GetPanelRect();
    const pf::TPoint origin = bar->ClientToScreen(part.TopLeft());
    const std::string rgb = gui_test::ScreenArea(std::string(PEXU_GUI_SHOTS_DIR) + "/lock-keys-" + name + ".png",
                                                 origin.X + 3, origin.Y + 3, part.Width() - 6, part.Height() - 6);
    const pf::TColor shadow = pf::ColorToDrawRGB(pf::clBtnShadow);
    Ink ink;
    for (size_t i = 0; i + 2 < rgb.size(); i += 3) {
      const auto r = static_cast<uint8_t>(rgb[i]), g = static_cast<uint8_t>(rgb[i + 1]),
                 b = static_cast<uint8_t>(rgb[i + 2]);
      if (r < 64 && g < 64 && b < 64) ++ink.black;
      if (pf::RGB(r, g, b) == shadow) ++ink.shadow;
    }
    return ink;
  }
  // Waits until a screenshot shows the panel's text enabled (on) or disabled (off); the last one stays as name.
  bool Shows(const TsbStatusPanel* panel, bool on, const std::string& name) {
    bool shown = false;
    ui_test::RunUntil([&] {
      const Ink ink = Shot(panel, name);
      return shown = on ? ink.black > 10 : ink.black == 0 && ink.shadow > 10;
    });
    return shown;
  }
  // Sends a key going down or up as the keyboard does and waits until the program has heard it.
  void Key(const char* action, const char* key, uint16_t vk) {
    const std::string expected = pf::IntToStr(vk) + (std::string(action) == "keydown" ? " down" : " up");
    heard.clear();
    ASSERT_TRUE(Shell(std::string("xdotool ") + action + " " + key));
    ASSERT_TRUE(ui_test::RunUntil([&] { return !heard.empty(); })) << action << " " << key;
    EXPECT_EQ(heard, std::vector<std::string>{expected});
  }

  std::unique_ptr<pf::TForm> form;
  TsbStatusBar* bar = nullptr;
  pf::THookId hook = 0;
  std::vector<std::string> heard;
};

TEST_F(LockKeyPanels, FollowTheLockKeysPressedOnTheDisplay) {
  const struct {
    const char* key;
    uint16_t vk;
    int panel;
    const char* name;
  } locks[] = {{"Caps_Lock", pf::VK_CAPITAL, 0, "caps"}, {"Num_Lock", pf::VK_NUMLOCK, 1, "num"}};
  for (const auto& lock : locks) {
    const TsbStatusPanel* panel = bar->Panels()[lock.panel];
    const TsbStatusPanel* other = bar->Panels()[1 - lock.panel];
    const std::string name = lock.name;
    ASSERT_FALSE(pf::IsLockKeyOn(lock.vk)) << "a fresh display starts with its locks off";
    EXPECT_TRUE(Shows(panel, false, name + "-off")) << name;
    Key("keydown", lock.key, lock.vk);
    EXPECT_TRUE(Shows(panel, true, name + "-on")) << name << " goes on when its key goes down";
    EXPECT_TRUE(Shows(other, false, name + "-other")) << "the other lock's panel stays off";
    Key("keyup", lock.key, lock.vk);
    Key("keydown", lock.key, lock.vk);
    EXPECT_TRUE(Shows(panel, true, name + "-second-press")) << name << " stays on until its key comes up again";
    Key("keyup", lock.key, lock.vk);
    EXPECT_TRUE(Shows(panel, false, name + "-off-again")) << name << " goes off when its key comes up";
    EXPECT_FALSE(pf::IsLockKeyOn(lock.vk));
  }
}

// A double click on a lock-key panel, made with the display's own mouse, toggles the key on the display: its lock
// and indicator change and the panel shows it; a second double click toggles it back.
TEST_F(LockKeyPanels, DoubleClicksToggleTheKeyOfThePanel) {
  const struct {
    uint16_t vk;
    int panel;
    const char* name;
  } locks[] = {{pf::VK_CAPITAL, 0, "caps"}, {pf::VK_NUMLOCK, 1, "num"}};
  for (const auto& lock : locks) {
    const TsbStatusPanel* panel = bar->Panels()[lock.panel];
    const pf::TRect part = panel->GetPanelRect();
    const pf::TPoint at = bar->ClientToScreen({(part.Left + part.Right) / 2, (part.Top + part.Bottom) / 2});
    const std::string click =
        "xdotool mousemove " + pf::IntToStr(at.X) + " " + pf::IntToStr(at.Y) + " click --repeat 2 --delay 80 1";
    const bool before = pf::IsLockKeyOn(lock.vk);
    for (int round = 1; round <= 2; ++round) {
      const bool expected = round == 1 ? !before : before;
      const std::string name = std::string(lock.name) + "-double-click-" + pf::IntToStr(round);
      ASSERT_TRUE(Shell(click));
      EXPECT_TRUE(ui_test::RunUntil([&] { return pf::IsLockKeyOn(lock.vk) == expected; })) << name;
      EXPECT_TRUE(Shows(panel, expected, name)) << name;
    }
  }
}

}  // namespace
