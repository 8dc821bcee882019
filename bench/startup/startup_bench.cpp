// Start-up to the first painted page: pexu on a portable program folder (the sample pages and catalogue) until its
// start page has been painted, against a bare Qt window with one label until it has been painted; each iteration
// starts the program as a new process, as a user does. Both run on the same window system (offscreen when there is
// no display).
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

// A portable program folder of the benchmark's own, made once.
const std::string& ProgramFolder() {
  static const std::string folder = [] {
    const fs::path dir = fs::temp_directory_path() / ("pexu-startup-" + std::to_string(::getpid()));
    fs::create_directories(dir / "Fragen");
    fs::copy_file(PEXU_PROGRAM, dir / "pexu");
    for (const char* sub : {"html", "css", "pics"})
      fs::copy(fs::path(PEXU_SOURCE_DIR) / "resources" / sub, dir / sub, fs::copy_options::recursive);
    fs::copy_file(PEXU_CATALOGUE, dir / "Fragen" / "KAEFragen.qst");
    fs::copy_file(fs::path(PEXU_SOURCE_DIR) / "resources" / "Pexu.ini", dir / "Pexu.ini");
    setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
    if (!getenv("DISPLAY")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    std::atexit([] { fs::remove_all(ProgramFolder()); });
    return dir.string();
  }();
  return folder;
}

void Run(benchmark::State& state, const std::vector<std::string>& command) {
  std::vector<char*> argv;
  for (const std::string& arg : command) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  for (auto _ : state) {
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
      state.SkipWithError("cannot start the program");
      return;
    }
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      state.SkipWithError("the program failed");
      return;
    }
  }
}

void BM_StartupOurs(benchmark::State& state) { Run(state, {ProgramFolder() + "/pexu", "--exit-after-first-paint"}); }
void BM_StartupQtWindow(benchmark::State& state) {
  ProgramFolder();
  Run(state, {PEXU_QT_WINDOW});
}

}  // namespace

BENCHMARK(BM_StartupOurs)->Name("startup/ours")->UseRealTime()->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK(BM_StartupQtWindow)->Name("startup/qt-window")->UseRealTime()->Unit(benchmark::kMillisecond)->MinTime(3.0);

BENCHMARK_MAIN();
