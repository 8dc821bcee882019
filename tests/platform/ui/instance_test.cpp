// The single-instance guard between real processes: the second is refused, and after the first was killed the next
// one runs.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "platform/core/strings.h"
#include "platform/ui/system.h"

namespace {

constexpr const char* kName = "pexuzentalwokrin";

TEST(InstanceGuard, SecondProcessRefusedUntilTheFirstIsKilled) {
  namespace fs = std::filesystem;
  const fs::path runtime = fs::temp_directory_path() / ("pexu-guard-" + std::to_string(getpid()));
  fs::create_directories(runtime);
  setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t first = fork();
  ASSERT_GE(first, 0);
  if (first == 0) {
    pf::TInstanceGuard guard(kName);
    const char answer = guard.AlreadyRunning() ? '2' : '1';
    if (write(ready[1], &answer, 1) != 1) _exit(1);
    pause();
    _exit(0);
  }
  char answer = 0;
  ASSERT_EQ(read(ready[0], &answer, 1), 1);
  EXPECT_EQ(answer, '1');
  {
    pf::TInstanceGuard second(kName);
    EXPECT_TRUE(second.AlreadyRunning());
    EXPECT_EQ(second.LockFileName(), (runtime / "pexuzentalwokrin.lock").string());
  }
  kill(first, SIGKILL);
  int status = 0;
  waitpid(first, &status, 0);
  {
    pf::TInstanceGuard next(kName);
    EXPECT_FALSE(next.AlreadyRunning());  // the kernel let go of the dead holder's lock
    pf::TInstanceGuard again(kName);
    EXPECT_TRUE(again.AlreadyRunning());  // also within one process a second guard is refused
  }
  unsetenv("XDG_RUNTIME_DIR");
  EXPECT_EQ(pf::TInstanceGuard(kName).LockFileName(),
            "/tmp/pexuzentalwokrin-" + pf::IntToStr(static_cast<int64_t>(getuid())) + ".lock");
  close(ready[0]);
  close(ready[1]);
  fs::remove_all(runtime);
}

}  // namespace
