// An engine port that shows nothing and asks nobody: for the fuzz targets and benchmarks that only drive the engine,
// and the base of the demos' ports.
#pragma once

#include <optional>
#include <string>

#include "engine/engine.h"

class QuietPort : public engine::EnginePort {
 public:
  QuietPort(std::string serverRoot, bool confirm, std::string company)
      : serverRoot_(std::move(serverRoot)), confirm_(confirm), company_(std::move(company)) {}
  std::string ServerRoot() const override { return serverRoot_; }
  void LoadFromFile(const std::string&) override {}
  std::string DocumentTitle() const override { return ""; }
  void FocusViewer() override {}
  void SetCaption(const std::string&) override {}
  void SetPanelText(int, const std::string&) override {}
  void SetPanelColor(int, uint32_t) override {}
  void Msg(const std::string&) override {}
  void SetProgress(int) override {}
  void SetAntwortenlisteEnabled(bool) override {}
  void StartExamClock() override {}
  void StopExamClock() override {}
  void ShowWarning(const std::string&) override {}
  bool Confirm(const std::string&) override { return confirm_; }
  std::optional<std::string> OpenFileDialog(const std::string&, const std::string&, const std::string&) override {
    return std::nullopt;
  }
  std::string CompanyName() const override { return company_; }

 private:
  std::string serverRoot_;
  bool confirm_;
  std::string company_;
};
