// What viewer tests share: a viewer stand-in for documents read without a viewer control, and the box test font.
#pragma once

#include <string>

#include "platform/graphics/fonts.h"
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

// Registers the box test font once and switches to the font service that renders it: every character advances 10
// pixels at 20 pixels, its black box in columns [x + 1, x + 9).
inline void UseBoxFont() {
  static const bool registered = [] {
    pf::RegisterFontFile(PEXU_TEST_FONTS_DIR "/HtBox.ttf");
    return true;
  }();
  (void)registered;
  pf::SetFontService(nullptr);
}

}  // namespace viewertest
