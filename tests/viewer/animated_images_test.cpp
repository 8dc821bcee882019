// Animated pictures: frames, delays and loop counts stepped on an injected clock; drawing a frame, masks, copies.
#include <gtest/gtest.h>

#include <vector>

#include "platform/core/exceptions.h"
#include "platform/graphics/canvas.h"
#include "tests/gif/giflib_oracle.h"
#include "viewer/animated_images.h"
#include "viewer/viewer_gif.h"

namespace {

using namespace viewer;

const pf::TColor kRed = pf::RGB(255, 0, 0), kGreen = pf::RGB(0, 255, 0);

// 2 x 2 frames on a 2 x 2 screen (black, red, green, blue); loops -1 writes no loop extension.
std::unique_ptr<TgfAnimatedImage> Make(const std::vector<std::vector<uint8_t>>& frames, int loops, int delay,
                                       int transparent = -1) {
  giftest::OracleGif g;
  g.width = g.height = 2, g.globalMap = {0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255}, g.loops = loops;
  for (const auto& pixels : frames) {
    giftest::OracleFrame f;
    f.width = f.height = 2, f.pixels = pixels, f.delay = delay, f.transparent = transparent;
    g.frames.push_back(f);
  }
  const std::vector<uint8_t> bytes = giftest::GiflibWrite(g);
  pf::TReadOnlyMemoryStream in(bytes.data(), static_cast<int64_t>(bytes.size()));
  bool nonAnimated = false;
  auto image = CreateGifImageFromStream(nonAnimated, in);
  EXPECT_EQ(nonAnimated, frames.size() < 2);
  return image;
}
std::vector<std::vector<uint8_t>> Plain(int n) { return std::vector<std::vector<uint8_t>>(n, {1, 1, 1, 1}); }
// Red with (0,0) transparent, then green with (0,0) and (1,1) transparent.
std::unique_ptr<TgfAnimatedImage> Transparent() { return Make({{0, 1, 1, 1}, {0, 2, 2, 0}}, -1, 0, 0); }

struct FakeControl {
  std::vector<pf::TRect> invalidated;
  void InvalidateRect(const pf::TRect& r) { invalidated.push_back(r); }
};

class AnimatedImage : public ::testing::Test {
 protected:
  void SetUp() override {
    SetAnimationClock([this] { return now; });
  }
  void TearDown() override { SetAnimationClock(nullptr); }
  uint32_t now = 0xFFFFFF00u;  // the 32-bit count wraps during a run
};

TEST_F(AnimatedImage, FramesRunInOrderWithTheirDelaysAsOftenAsTheLoopCountSays) {
  struct Row {
    int frames, loops, gifDelay;
    uint32_t ms;
    std::vector<int> shown;
    bool running;
  } rows[] = {
      {3, -1, 4, 40, {2, 3}, false},                        // no loop extension: once, then it stays on the last frame
      {3, 2, 0, 30, {2, 3, 1, 2, 3, 1, 2, 3}, false},       // n: n + 1 runs; a delay of 0 shows 30 ms
      {3, 0, 1, 30, {2, 3, 1, 2, 3, 1, 2, 3, 1, 2}, true},  // 0: until switched off
      {2, 0, 7, 70, {2, 1, 2, 1, 2, 1, 2, 1, 2, 1}, true},
      {1, -1, 4, 40, {}, false},  // a single frame never changes
  };
  for (const Row& r : rows) {
    auto image = Make(Plain(r.frames), r.loops, r.gifDelay);
    EXPECT_EQ(image->CurrentDisposal(), r.frames > 1 ? 2 : 0);
    image->SetAnimating(true);
    std::vector<int> shown;
    const uint32_t start = now;
    for (FakeControl control; now - start <= 10 * r.ms && image->Animate(); now += 10) {
      image->StepAnimation(control);
      if (control.invalidated.size() > shown.size()) {
        shown.push_back(image->CurrentFrame());
        EXPECT_EQ(now - start, shown.size() * r.ms);
      }
    }
    EXPECT_EQ(shown, r.shown) << r.frames << " " << r.loops;
    EXPECT_EQ(image->Animate(), r.running);
    EXPECT_EQ(image->CurrentFrame(), r.running ? r.shown.back() : r.frames);
  }
  auto image = Make(Plain(3), 0, 4);
  for (auto [index, frame] : {std::pair{0, 3}, {4, 1}, {2, 2}, {-5, 3}}) {
    image->SetCurrentFrame(index);
    EXPECT_EQ(image->CurrentFrame(), frame) << index;
  }
}

TEST_F(AnimatedImage, DrawsTheCurrentFrameThroughItsMaskAndRepaintsIt) {
  auto image = Transparent();
  pf::TBitmap target(20, 20);
  image->SetCurrentFrame(2);
  image->Draw(target.Canvas(), 10, 10, 4, 4);
  // Frame 2 at twice its size: (0,0) transparent since frame 1, (1,1) shows frame 1's red through frame 2.
  for (int y = 8; y < 16; ++y)
    for (int x = 8; x < 16; ++x) {
      const int fx = (x - 10) / 2, fy = (y - 10) / 2;
      const bool inside = x >= 10 && y >= 10 && x < 14 && y < 14;
      const pf::TColor expected = !inside || (fx == 0 && fy == 0) ? pf::clWhite : fx == fy ? kRed : kGreen;
      EXPECT_EQ(target.GetPixel(x, y), expected) << x << "," << y;
    }
  image->SetCurrentFrame(1);
  image->SetAnimating(true);
  now += 1000;
  FakeControl control;
  image->StepAnimation(control);
  EXPECT_EQ(control.invalidated, std::vector<pf::TRect>{pf::Rect(10, 10, 14, 14)});
  EXPECT_EQ(image->CurrentFrame(), 2);
}

TEST_F(AnimatedImage, FirstFrameAndCopiesThatOutliveTheOriginal) {
  auto original = Transparent();
  pf::TBitmap* bitmap = original->GetBitmap();
  pf::TBitmap* mask = original->GetMaskBitmap();
  ASSERT_NE(mask, nullptr);
  EXPECT_EQ(original->GetBitmap(), bitmap);  // made once
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(bitmap->GetPixel(i % 2, i / 2), i == 0 ? pf::clBlack : kRed);  // transparent pixels are black
    EXPECT_EQ(mask->GetPixel(i % 2, i / 2), i == 0 ? pf::clWhite : pf::clBlack);
  }
  EXPECT_EQ(Make(Plain(2), 0, 4)->GetMaskBitmap(), nullptr);

  original->SetCurrentFrame(2);
  auto copy = original->CreateCopy();
  EXPECT_TRUE(copy->IsCopy());
  EXPECT_EQ(&copy->Strip(), &original->Strip());
  EXPECT_EQ(copy->CurrentFrame(), 1);
  original.reset();
  pf::TBitmap target(2, 2);
  copy->Draw(target.Canvas(), 0, 0, 2, 2);
  EXPECT_EQ(target.GetPixel(1, 1), kRed);
  EXPECT_EQ(target.GetPixel(0, 0), pf::clWhite);
}

TEST_F(AnimatedImage, ABrokenGifGivesNoPictureAndSaysWhy) {
  const char truncated[] =
      "GIF89a\x02\x00\x02\x00\x80\x00\x00\x00\x00\x00\xFF\xFF\xFF,\x00\x00\x00\x00\x02\x00\x02"
      "\x00\x00\x02\x05\x44";
  pf::TReadOnlyMemoryStream in(truncated, sizeof truncated - 1);
  bool nonAnimated = false;
  EXPECT_EQ(CreateGifImageFromStream(nonAnimated, in), nullptr);
  EXPECT_EQ(GifLastErrorMessage(), "Unexpected end of file");
  EXPECT_THROW(CreateGifImageFromFile("/nonexistent/picture.gif"), pf::EFOpenError);
}

}  // namespace
