#include "engine_test_support.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "platform/core/strings.h"

namespace enginetest {

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "pexu-engine-XXXXXX").string();
  char* made = mkdtemp(pattern.data());
  if (!made) throw std::runtime_error("mkdtemp failed");
  path_ = made;
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

size_t CountOf(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
  return n;
}

void ExpectGolden(std::string text, const std::string& dataDir, const std::string& golden) {
  const std::string path = std::string(PEXU_SOURCE_DIR) + "/tests/data/engine/" + golden;
  for (size_t p; !dataDir.empty() && (p = text.find(dataDir)) != std::string::npos;)
    text.replace(p, dataDir.size(), "DATADIR");
  if (std::getenv("PEXU_UPDATE_GOLDEN")) WriteFile(path, text);
  EXPECT_EQ(text, ReadFile(path)) << golden;
}

std::string RunCommand(const std::string& command, int* status) {
  std::string output;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) throw std::runtime_error("popen failed: " + command);
  char buffer[4096];
  for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
  int rc = pclose(pipe);
  if (status) *status = rc;
  return output;
}

// The program runs under GNU time, whose own child is forked from a small process: a child forked straight from the
// test process starts with the test's peak memory as its own (the kernel carries the forked address space's peak
// into the child's), which would count the test's memory against the program.
RunCost RunMeasured(const std::vector<std::string>& argv, const std::string& outFile) {
  std::string report = (std::filesystem::temp_directory_path() / "pexu-cost-XXXXXX").string();
  const int reportFd = mkstemp(report.data());
  if (reportFd < 0) return {};
  close(reportFd);
  std::vector<std::string> measured = {"/usr/bin/time", "-f", "%M %U %S", "-o", report};
  measured.insert(measured.end(), argv.begin(), argv.end());
  std::vector<char*> args;
  for (const std::string& a : measured) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  pid_t pid = -1;
  const int spawned = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  RunCost cost;
  int status = 0;
  if (spawned != 0 || waitpid(pid, &status, 0) != pid) {
    std::remove(report.c_str());
    return cost;
  }
  // The report ends with "peak user system"; a line before it tells of a program ended by a signal.
  std::istringstream lines(ReadFile(report));
  std::remove(report.c_str());
  bool signalled = false;
  for (std::string line; std::getline(lines, line);) {
    if (line.find("terminated by signal") != std::string::npos) signalled = true;
    double user = 0, system = 0;
    if (std::istringstream(line) >> cost.peakKilobytes >> user >> system) cost.seconds = user + system;
  }
  cost.status = signalled || !WIFEXITED(status) ? -1 : WEXITSTATUS(status);
  return cost;
}

pf::TStringList MakePool(const std::vector<std::pair<std::string, int>>& chapters) {
  pf::TStringList pool;
  pool.Add("V:Test");
  for (const auto& [prefix, count] : chapters) {
    for (int k = 1; k <= count; ++k) {
      std::string id = prefix + (k < 10 ? "0" : "") + pf::IntToStr(k);
      for (std::string line : {"::" + id, "F:Frage " + id, "R:richtig " + id, std::string("W:falsch 1"),
                               std::string("W:falsch 2"), std::string("W:falsch 3")})
        pool.Add(line);
    }
  }
  return pool;
}

double MixedRandom::RandomReal() {
  if (reals_.empty()) throw std::runtime_error("unexpected real draw");
  double r = reals_.front();
  reals_.pop_front();
  return r;
}

EngineFixture::EngineFixture() {
  state.DataDir = dir.Path();
  state.CatalogueFile = dir.File("Fragen/KAEFragen.qst");
  WriteFile(state.CatalogueFile, "");
  engine.SetEntryExtractor([this](const std::string&, const std::string& entry, pf::TStrings& list) {
    for (auto& [name, lines] : entries) {
      if (pf::AnsiSameText(name, entry)) {
        list.Assign(lines);
        return 1;
      }
    }
    return 0;
  });
}

}  // namespace enginetest
