// The windows on a fresh data folder with the sample catalogue, an engine whose port records what reaches the
// main window, and recorded dialogs; the windows are real and shown (offscreen).
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "app/window_support.h"
#include "engine/startup.h"
#include "tests/engine/engine_test_support.h"
#include "tests/platform/ui/ui_test_support.h"

namespace apptest {

struct AppTest : testing::Test {
  AppTest() {
    engine::OpenDataFolder(state, dir.Path(), port);
    std::filesystem::copy_file(PEXU_CATALOGUE, state.CatalogueFile);
  }
  template <class Form>
  std::unique_ptr<Form> Create() {
    return std::unique_ptr<Form>(app::CreateSecondaryForm<Form>(nullptr, engine));
  }
  // Shows the form and waits until it is the active window.
  static void Activate(pf::TCustomForm& form) {
    form.Show();
    EXPECT_TRUE(QTest::qWaitForWindowActive(ui_test::WindowOf(form), 5000));
  }
  std::string Ini(const std::string& section, const std::string& key) const {
    return state.IniFile->ReadString(section, key, "-");
  }

  enginetest::TempDir dir;
  enginetest::FakePort port;
  engine::AppState state;
  engine::Engine engine{state, port};
  ui_test::RecordedDialogs dialogs;
};

}  // namespace apptest
