// Helpers for the engine tests: a recording port, temporary folders, pool builders and random sources.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/engine.h"
#include "engine/port.h"
#include "engine/state.h"
#include "platform/core/classes.h"
#include "platform/core/random.h"

namespace enginetest {

class FakePort : public engine::EnginePort {
 public:
  std::string ServerRoot() const override { return root; }
  void LoadFromFile(const std::string& path) override { loaded.push_back(path); }
  std::string DocumentTitle() const override { return title; }
  void FocusViewer() override {}
  void SetCaption(const std::string& c) override { caption = c; }
  void SetPanelText(int panel, const std::string& text) override { panels[panel] = text; }
  void SetPanelColor(int, uint32_t) override {}
  void Msg(const std::string& text) override { messages.push_back(text); }
  void SetProgress(int position) override { progress.push_back(position); }
  void SetAntwortenlisteEnabled(bool enabled) override { answerListEnabled = enabled; }
  void StartExamClock() override { clockRunning = true; }
  void StopExamClock() override { clockRunning = false; }
  void ShowWarning(const std::string& text) override { warnings.push_back(text); }
  bool Confirm(const std::string& text) override {
    confirmations.push_back(text);
    return confirmAnswer;
  }
  std::optional<std::string> OpenFileDialog(const std::string& title, const std::string& filter,
                                            const std::string& initialDir) override {
    dialogs.push_back(title + "|" + filter + "|" + initialDir);
    return std::exchange(chosen, std::nullopt);
  }
  std::string CompanyName() const override { return "Pexu-Team"; }

  std::string root = "/opt/pexu", title, caption;
  std::map<int, std::string> panels;
  std::vector<std::string> loaded, messages, warnings, confirmations, dialogs;
  std::vector<int> progress;
  bool answerListEnabled = true, clockRunning = false, confirmAnswer = true;
  std::optional<std::string> chosen;  // what the next file dialog gives, once
};

// A fresh folder under the system's temporary folder, removed again at the end of the test.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  const std::string& Path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

void WriteFile(const std::string& path, const std::string& bytes);  // creates the parent folders
std::string ReadFile(const std::string& path);
size_t CountOf(const std::string& text, const std::string& what);
// Compares written pages, with the data folder's path replaced by "DATADIR", to tests/data/engine/<golden>;
// PEXU_UPDATE_GOLDEN=1 rewrites the golden file instead.
void ExpectGolden(std::string text, const std::string& dataDir, const std::string& golden);
// Runs a shell command and returns what it printed; the exit status goes to *status when given.
std::string RunCommand(const std::string& command, int* status = nullptr);
// What a program took: its exit status (-1 when it did not exit), its peak memory and its processor time.
struct RunCost {
  int status = -1;
  long peakKilobytes = 0;
  double seconds = 0;
};
// Runs argv[0] with argv (no shell), its standard output going to outFile, and measures it.
RunCost RunMeasured(const std::vector<std::string>& argv, const std::string& outFile);

// A pool: "V:Test" and then, per (3-character identifier prefix, count), records prefix + 2 digits
// ("TA1", 25 -> TA101 .. TA125), each with a text line and four answers, the right one first.
pf::TStringList MakePool(const std::vector<std::pair<std::string, int>>& chapters);

// Installs a random source for the lifetime of the object.
struct ScopedRandom {
  explicit ScopedRandom(pf::IRandomSource& source) { pf::SetRandomSource(&source); }
  ~ScopedRandom() { pf::SetRandomSource(nullptr); }
};

// Integers from a seeded generator, reals from a script (an unexpected real draw raises); installed for the
// lifetime of the object.
class MixedRandom : public pf::IRandomSource {
 public:
  explicit MixedRandom(uint32_t seed, std::initializer_list<double> reals = {}) : ints_(seed), reals_(reals) {
    pf::SetRandomSource(this);
  }
  ~MixedRandom() override { pf::SetRandomSource(nullptr); }
  void Randomize() override {}
  int32_t Random(int32_t range) override { return ints_.Random(range); }
  double RandomReal() override;

 private:
  pf::LcgRandom ints_;
  std::deque<double> reals_;
};

// Engine on a data folder whose catalogue entries come from memory (an existing, empty archive file stands in).
struct EngineFixture {
  EngineFixture();
  TempDir dir;
  FakePort port;
  engine::AppState state;
  engine::Engine engine{state, port};
  std::map<std::string, pf::TStringList> entries;  // entry name -> lines
};

}  // namespace enginetest
