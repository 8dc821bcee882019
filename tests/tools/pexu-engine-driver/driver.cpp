// Runs the real exam engine with file-backed stand-ins for the windows, for black-box tests:
//   pexu-engine-driver --program DIR --data DIR [--seed N] COMMAND [-- COMMAND ...]
// Commands: submit ACTION [LINE ...] | answer all-right|none|right=K | menu-exam PART CLASS | minutes N | log |
//           delete-log | wrong ID | own-list FILE | statistics A|E
// Prints SHOWN <path> for every page the viewer loads, STATUS <panel> <text> and WARNING <text> (UTF-8).
#include <cstdio>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "engine/procs.h"
#include "engine/startup.h"
#include "engine/statistik.h"
#include "platform/core/codepage.h"
#include "platform/core/exceptions.h"
#include "platform/core/files.h"
#include "platform/core/random.h"
#include "platform/core/strings.h"

namespace {

std::string Utf8(const std::string& latin1) { return pf::Latin1ToUtf8(latin1); }
std::string Latin1(const std::string& utf8) { return pf::Utf8ToLatin1(utf8); }

class DriverPort : public engine::EnginePort {
 public:
  explicit DriverPort(std::string root) : root_(std::move(root)) {}
  std::string ServerRoot() const override { return root_; }
  void LoadFromFile(const std::string& path) override {
    std::string file = path.substr(0, path.find('#'));
    std::cout << "SHOWN " << Utf8(file) << "\n";
    title_.clear();
    try {
      std::string bytes = pf::ReadFileBytes(file);
      size_t a = bytes.find("<title>"), b = bytes.find("</title>");
      if (a != std::string::npos && b != std::string::npos && b > a) title_ = bytes.substr(a + 7, b - a - 7);
    } catch (const pf::Exception&) {
    }
  }
  std::string DocumentTitle() const override { return title_; }
  void FocusViewer() override {}
  void SetCaption(const std::string&) override {}
  void SetPanelText(int panel, const std::string& text) override {
    std::cout << "STATUS " << panel << " " << Utf8(text) << "\n";
  }
  void SetPanelColor(int, uint32_t) override {}
  void Msg(const std::string& text) override { SetPanelText(0, " " + text); }
  void SetProgress(int) override {}
  void SetAntwortenlisteEnabled(bool) override {}
  void StartExamClock() override {}
  void StopExamClock() override {}
  void ShowWarning(const std::string& text) override { std::cout << "WARNING " << Utf8(text) << "\n"; }
  bool Confirm(const std::string&) override { return true; }
  std::optional<std::string> OpenFileDialog(const std::string&, const std::string&, const std::string&) override {
    std::optional<std::string> path = chosen;
    chosen.reset();
    return path;
  }
  std::string CompanyName() const override { return "Pexu-Team"; }

  std::optional<std::string> chosen;  // the path the next file dialog gives, once

 private:
  std::string root_;
  std::string title_;
};

// The value of attribute name in one tag ("" when absent).
std::string Attribute(const std::string& tag, const std::string& name) {
  std::string key = name + "=\"";
  size_t a = tag.find(key);
  if (a == std::string::npos) return "";
  a += key.size();
  size_t b = tag.find('"', a);
  return b == std::string::npos ? "" : tag.substr(a, b - a);
}

// Composes what the viewer would submit for the last sheet: per question the chosen radio pair and the hidden
// "=N" pair, then the hidden fields, in document order. rightCount < 0 answers every question right.
bool AnswerSheet(engine::Engine& engine, const std::string& how) {
  std::string bytes = pf::ReadFileBytes(pf::PathJoin(engine.State().DataDir, "html/LetztePruefung.html"));
  int rightCount = -1;
  bool none = how == "none";
  if (how.rfind("right=", 0) == 0) {
    rightCount = std::stoi(how.substr(6));
  } else if (how != "all-right" && !none) {
    std::cerr << "answer: all-right, none or right=K\n";
    return false;
  }
  pf::TStringList lines;
  std::string action;
  int question = 0;
  std::string right, wrong;  // the radio values of the current question
  size_t pos = 0;
  while ((pos = bytes.find('<', pos)) != std::string::npos) {
    size_t end = bytes.find('>', pos);
    if (end == std::string::npos) break;
    std::string tag = bytes.substr(pos, end - pos + 1);
    pos = end;
    if (tag.rfind("<form", 0) == 0) action = Attribute(tag, "action");
    if (tag.rfind("<input", 0) != 0) continue;
    std::string type = Attribute(tag, "type"), name = Attribute(tag, "name"), value = Attribute(tag, "value");
    if (type == "radio") {
      (value[0] == 'R' ? right : wrong) = value;
    } else if (type == "hidden") {
      if (value == "N" && name.size() == 5) {
        bool answerRight = rightCount < 0 || question < rightCount;
        if (!none) lines.Add(name + "=" + (answerRight ? right : wrong));
        ++question;
        right.clear();
        wrong.clear();
      }
      lines.Add(name + "=" + value);
    }
  }
  engine.PexuPageViewerFormSubmit(action, "", "", "post", lines);
  return true;
}

int Run(int argc, char** argv) {
  std::string program, data;
  long seed = -1;
  int i = 1;
  for (; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--program" && i + 1 < argc) {
      program = argv[++i];
    } else if (a == "--data" && i + 1 < argc) {
      data = argv[++i];
    } else if (a == "--seed" && i + 1 < argc) {
      seed = std::stol(argv[++i]);
    } else {
      break;
    }
  }
  if (program.empty() || data.empty() || i >= argc) {
    std::cerr << "usage: pexu-engine-driver --program DIR --data DIR [--seed N] COMMAND [-- COMMAND ...]\n";
    return 2;
  }
  std::vector<std::vector<std::string>> commands(1);
  for (; i < argc; ++i) {
    if (std::strcmp(argv[i], "--") == 0) {
      commands.emplace_back();
    } else {
      commands.back().push_back(Latin1(argv[i]));
    }
  }

  pf::LcgRandom random;
  pf::SetRandomSource(&random);
  DriverPort port(engine::StripTrailingBackslash(program));
  engine::AppState state;
  engine::OpenDataFolder(state, data, port);
  if (seed >= 0) random.SetSeed(static_cast<uint32_t>(seed));
  engine::Engine engine(state, port);

  for (const auto& c : commands) {
    if (c.empty()) continue;
    const std::string& name = c[0];
    if (name == "submit" && c.size() >= 2) {
      pf::TStringList lines;
      for (size_t k = 2; k < c.size(); ++k) lines.Add(c[k]);
      engine.PexuPageViewerFormSubmit(c[1], "", "", "post", lines);
    } else if (name == "answer" && c.size() == 2) {
      if (!AnswerSheet(engine, c[1])) return 2;
    } else if (name == "menu-exam" && c.size() == 3 && c[1].size() == 1 && c[2].size() == 1) {
      std::string sheetId = state.SheetId;
      char mode = 'k';
      engine.BuildExamSheet(c[1][0], c[2][0], sheetId, "", mode);
    } else if (name == "minutes" && c.size() == 2) {
      state.MinutesElapsed += std::stoi(c[1]);
    } else if (name == "log" && c.size() == 1) {
      engine.LogSpeedButtonClick();
    } else if (name == "delete-log" && c.size() == 1) {
      engine.LogloeschenClick();
    } else if (name == "wrong" && c.size() == 2) {
      engine.AddToWrongQuestionsList(state.PartLetter, state.ClassLetter, c[1]);
    } else if (name == "own-list" && c.size() == 2) {
      port.chosen = c[1];
      engine.PruefungladenClick();
    } else if (name == "statistics" && c.size() == 2 && (c[1] == "A" || c[1] == "E")) {
      engine::ShowStatistics(engine, c[1][0]);
    } else {
      std::cerr << "unknown command: " << name << "\n";
      return 2;
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return Run(argc, argv);
  } catch (const std::exception& e) {
    std::cout << "ERROR " << Utf8(e.what()) << "\n";
    return 1;
  }
}
