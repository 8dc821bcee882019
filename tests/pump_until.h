// Handles the application's messages until a condition holds, for tests that wait for timers, painting or window
// state: the deadline is a bound, not a pause, so a busy machine only makes the wait longer.
#pragma once

#include <chrono>
#include <thread>

#include "platform/ui/forms.h"

namespace testing_clock {

template <class Done>
bool PumpUntil(Done done, std::chrono::seconds bound = std::chrono::seconds(30)) {
  const auto end = std::chrono::steady_clock::now() + bound;
  while (!done() && std::chrono::steady_clock::now() < end) {
    pf::Application().ProcessMessages();
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return done();
}

}  // namespace testing_clock
