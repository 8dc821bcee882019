// Hooks for window tests, compiled in only with the CMake option PEXU_TEST_HOOKS and active only when the
// environment names a state file (PEXU_TEST_STATE=path): a fixed random seed and clock, an exam minute of one
// second (or, with PEXU_TEST_CLOCK=manual, one minute for each tick the test asks for), and a JSON file with what the
// windows show (captions, status panels, menu items, the shown page, the texts of an open dialog), rewritten whenever
// it changes, so that a test can check exact texts without reading pixels.
#pragma once

#include <cstdint>
#include <string>

namespace app {

class TPexuForm;

class TestHooks {
 public:
  // Whether the hooks are compiled in and switched on.
  static bool Active();
  // The exam clock's minute under the hooks: a second, or a day when the test ticks the clock itself.
  static uint32_t ExamMinute();
  // Installs the fixed seed and clock and starts writing the state of form.
  static void Start(TPexuForm& form);
  // The state of form as JSON (also without the hooks: the tests of the hooks use it).
  static std::string StateJson(TPexuForm& form);
};

}  // namespace app
