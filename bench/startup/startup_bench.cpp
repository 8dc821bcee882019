// Start-up to the first painted page: pexu on a portable program folder (the sample pages and catalogue) until its
// start page has been painted, against a bare Qt window with one label until it has been painted. Each iteration
// starts the program as a new process, as a user does, and times it from the start to its "painted" on stdout (the
// end of the process is not counted). Both run on the same window system (offscreen when there is no display), side
// by side: every timed start follows an untimed start of the other program. Started right after itself, the smaller
// program found its memory still in the processor's caches now and then and started up to a quarter faster; taken
// in turns, each start meets what the other left.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;
constexpr int kStartsPerIteration = 10;

// A portable program folder of the benchmark's own, made once.
const std::string& ProgramFolder() {
  static const std::string folder = [] {
    const fs::path dir = fs::temp_directory_path() / ("pexu-startup-" + std::to_string(::getpid()));
    fs::create_directories(dir / "Fragen");
    fs::create_directories(dir / "runtime");
    fs::permissions(dir / "runtime", fs::perms::owner_all);
    fs::copy_file(PEXU_PROGRAM, dir / "pexu");
    for (const char* sub : {"html", "css", "pics"})
      fs::copy(fs::path(PEXU_SOURCE_DIR) / "resources" / sub, dir / sub, fs::copy_options::recursive);
    fs::copy_file(PEXU_CATALOGUE, dir / "Fragen" / "KAEFragen.qst");
    fs::copy_file(fs::path(PEXU_SOURCE_DIR) / "resources" / "Pexu.ini", dir / "Pexu.ini");
    setenv("XDG_RUNTIME_DIR", (dir / "runtime").c_str(), 1);
    if (!getenv("DISPLAY")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    std::atexit([] { fs::remove_all(ProgramFolder()); });
    return dir.string();
  }();
  return folder;
}

// Starts the command and answers the seconds until it wrote its first byte to stdout, then waits for its end; a
// negative answer when it could not be started or ended badly.
double TimeToFirstOutput(std::vector<char*>& argv) {
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) return -1;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(pipeEnds[1]);
  char byte = 0;
  const bool wrote = spawned == 0 && read(pipeEnds[0], &byte, 1) == 1;
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  close(pipeEnds[0]);
  int status = 0;
  if (spawned == 0) waitpid(pid, &status, 0);
  return wrote && WIFEXITED(status) && WEXITSTATUS(status) == 0 ? seconds : -1;
}

std::vector<char*> Argv(std::vector<std::string>& command) {
  std::vector<char*> argv;
  for (std::string& arg : command) argv.push_back(arg.data());
  argv.push_back(nullptr);
  return argv;
}

// Times command, each start after one of other.
void Run(benchmark::State& state, std::vector<std::string> command, std::vector<std::string> other) {
  ProgramFolder();
  std::vector<char*> argv = Argv(command);
  std::vector<char*> otherArgv = Argv(other);
  for (auto _ : state) {
    double total = 0;
    for (int i = 0; i < kStartsPerIteration; ++i) {
      const double seconds = TimeToFirstOutput(otherArgv) < 0 ? -1 : TimeToFirstOutput(argv);
      if (seconds < 0) {
        state.SkipWithError("the program did not start, paint and end");
        return;
      }
      total += seconds;
    }
    state.SetIterationTime(total / kStartsPerIteration);
  }
}

std::vector<std::string> Ours() { return {ProgramFolder() + "/pexu", "--exit-after-first-paint"}; }
std::vector<std::string> QtWindow() { return {PEXU_QT_WINDOW}; }

void BM_StartupOurs(benchmark::State& state) { Run(state, Ours(), QtWindow()); }
void BM_StartupQtWindow(benchmark::State& state) { Run(state, QtWindow(), Ours()); }

}  // namespace

BENCHMARK(BM_StartupOurs)->Name("startup/ours")->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StartupQtWindow)->Name("startup/qt-window")->UseManualTime()->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
