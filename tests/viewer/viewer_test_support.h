// What viewer tests share: a viewer stand-in for documents read without a viewer control, and the box test font.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/graphics/fonts.h"
#include "tests/gif/giflib_oracle.h"
#include "tests/thread_clock.h"
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

// A 4 x 4 GIF checkered red (where x + y is even) and blue, its corner (3, 3) transparent.
inline std::vector<uint8_t> CheckeredGif() {
  giftest::OracleGif gif;
  gif.width = gif.height = 4;
  gif.globalMap = {255, 0, 0, 0, 0, 255, 0, 0, 0, 0, 0, 0};
  giftest::OracleFrame frame;
  frame.width = frame.height = 4;
  frame.transparent = 2;
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) frame.pixels.push_back(x == 3 && y == 3 ? 2 : (x + y) % 2);
  gif.frames.push_back(frame);
  return giftest::GiflibWrite(gif);
}

// Processor seconds of this thread for the best of three runs of action: the run least disturbed by other work
// on the machine. Tests of cost compare work of size n with work of size 4n: linear work takes about four times as
// long, quadratic work sixteen times.
inline double BestSeconds(const std::function<void()>& action) {
  double best = 1e9;
  for (int run = 0; run < 3; ++run) {
    const auto start = testing_clock::ThreadClock::now();
    action();
    best = std::min(best, std::chrono::duration<double>(testing_clock::ThreadClock::now() - start).count());
  }
  return best;
}

}  // namespace viewertest
