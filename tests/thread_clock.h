// Processor time of the calling thread, for tests that bound or compare the work a call does: other processes on a
// busy machine stretch wall-clock time, not this.
#pragma once

#include <time.h>

#include <chrono>

namespace testing_clock {

struct ThreadClock {
  using duration = std::chrono::nanoseconds;
  using rep = duration::rep;
  using period = duration::period;
  using time_point = std::chrono::time_point<ThreadClock>;
  static constexpr bool is_steady = true;
  static time_point now() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return time_point(std::chrono::seconds(t.tv_sec) + std::chrono::nanoseconds(t.tv_nsec));
  }
};

}  // namespace testing_clock
