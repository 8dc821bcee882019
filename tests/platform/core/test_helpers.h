// Small helpers shared by the core tests: a scratch folder per test, exception-message capture, joined results.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "platform/core/classes.h"

namespace pf::test {

// A fresh folder under /tmp for each test, removed afterwards.
class TempDirTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char templ[] = "/tmp/pexu-core-XXXXXX";
    ASSERT_NE(::mkdtemp(templ), nullptr);
    dir_ = templ;
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string Path(std::string_view name) const { return dir_ + "/" + std::string(name); }
  std::string dir_;
};

// The message of the exception of type E that action raises, or "(no exception)".
template <typename E>
std::string MessageOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const E& e) {
    return e.Message();
  }
  return "(no exception)";
}

// f applied to each input, the results joined with "|": a table of cases compared in one check.
template <typename F>
std::string JoinEach(F f, std::initializer_list<std::string_view> inputs) {
  std::string joined;
  for (auto it = inputs.begin(); it != inputs.end(); ++it) joined += (it == inputs.begin() ? "" : "|") + f(*it);
  return joined;
}

inline std::vector<std::string> Lines(const TStrings& list) {
  std::vector<std::string> lines;
  for (int i = 0; i < list.Count(); ++i) lines.push_back(list[i]);
  return lines;
}

}  // namespace pf::test
