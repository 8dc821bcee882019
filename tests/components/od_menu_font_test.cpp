// The default font of an owner-drawn menu on an X display. The toolkit reads the desktop's settings once, as it
// starts, so each case is a new process (the menu-font tool) with a desktop of its own: a KDE session whose settings
// folder names a menu font, and no desktop at all.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/core/strings.h"
#include "platform/graphics/colors.h"
#include "tests/platform/core/test_helpers.h"

namespace {

class OdMenuFont : public pf::test::TempDirTest {
 protected:
  // The line the tool prints for a new menu, started with the environment settings env besides the X display.
  static std::string MenuFontWith(const std::string& env) {
    const std::string command =
        "env -u XDG_CURRENT_DESKTOP -u KDE_SESSION_VERSION -u KDE_FULL_SESSION -u DESKTOP_SESSION "
        "-u QT_QPA_PLATFORMTHEME -u KDEHOME QT_LOGGING_RULES=qt.qpa.theme.dbus=false " +
        env + " " PEXU_MENU_FONT_TOOL " 2>/dev/null";
    std::string out;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
      char buffer[256];
      while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) out += buffer;
      ::pclose(pipe);
    }
    return out;
  }
  // A KDE session of the given version whose settings name menuFont.
  std::string KdeSession(int version, const std::string& menuFont) {
    const std::string config = Path("config" + std::to_string(version));
    std::filesystem::create_directories(config);
    std::ofstream(config + "/kdeglobals") << "[General]\nmenuFont=" << menuFont << "\n";
    return "XDG_CURRENT_DESKTOP=KDE KDE_SESSION_VERSION=" + std::to_string(version) + " XDG_CONFIG_HOME=" + config;
  }
};

TEST_F(OdMenuFont, IsTheDesktopsMenuFontElseTheStockFont) {
  const char* platform = std::getenv("QT_QPA_PLATFORM");
  if (platform == nullptr || std::string(platform) != "xcb") GTEST_SKIP() << "needs an X display";
  const std::string menuText = "|" + pf::IntToHex(pf::clMenuText, 8) + "|1\n";
  // A size in points at 96 dpi (13 points: 17 pixels), bold from weight 700 (the older scale's 75).
  EXPECT_EQ(MenuFontWith(KdeSession(5, "DejaVu Sans,13,-1,5,75,1,0,0,0,0")), "DejaVu Sans|-17|13|bi" + menuText);
  // A size in pixels; weight 600 is not bold; an aliased face keeps its name.
  EXPECT_EQ(MenuFontWith(KdeSession(6, "Arial,-1,15,5,600,0,1,1,0,0,0,0,0,0,0,1")), "Arial|-15|11|us" + menuText);
  // No desktop, whatever its settings folder holds: the stock font.
  EXPECT_EQ(MenuFontWith("XDG_CONFIG_HOME=" + Path("config5")), "Arial|-11|8|-" + menuText);
}

}  // namespace
