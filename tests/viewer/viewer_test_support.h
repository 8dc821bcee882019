// What viewer tests share: a viewer stand-in for documents read without a viewer control.
#pragma once

#include <string>

#include "viewer/section_list.h"

namespace viewertest {

// Answers every question of a document about its viewer with nothing, names unchanged.
class NoViewer : public viewer::IViewerControl {
 public:
  pf::TObject* Sender() override { return nullptr; }
  std::string ExpandFileName(const std::string& name) override { return name; }
  void SetCodePage(int) override {}
  void FollowLinkByKey(const viewer::TUrlTarget&) override {}
  void DocumentKeyPress(char&) override {}
  void DoProgress(int) override {}
};

}  // namespace viewertest
