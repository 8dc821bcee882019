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

const std::vector<uint8_t> kMap = {0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255};  // black, red, green, blue
const pf::TColor kRed = pf::RGB(255, 0, 0), kGreen = pf::RGB(0, 255, 0);

giftest::OracleFrame Frame2x2(std::vector<uint8_t> pixels, int delay, int transparent = -1) {
  giftest::OracleFrame f;
  f.width = f.height = 2, f.pixels = std::move(pixels), f.delay = delay, f.transparent = transparent;
  return f;
}

// Frames of 2 x 2 on a 2 x 2 screen, frame i all of colour i + 1 (mod 4).
std::vector<uint8_t> Gif(int frames, int loops, int delay) {
  giftest::OracleGif g;
  g.width = g.height = 2, g.globalMap = kMap, g.loops = loops;
  for (int i = 0; i < frames; ++i) {
    const auto c = static_cast<uint8_t>((i + 1) % 4);
    g.frames.push_back(Frame2x2({c, c, c, c}, delay));
  }
  return giftest::GiflibWrite(g);
}

// Two frames with transparent index 0: red with (0,0) transparent, then green with (0,0) and (1,1) transparent.
std::vector<uint8_t> TransparentGif() {
  giftest::OracleGif g;
  g.width = g.height = 2, g.globalMap = kMap;
  g.frames.push_back(Frame2x2({0, 1, 1, 1}, 0, 0));
  g.frames.push_back(Frame2x2({0, 2, 2, 0}, 0, 0));
  return giftest::GiflibWrite(g);
}

std::unique_ptr<TgfAnimatedImage> Make(const std::vector<uint8_t>& bytes, bool* nonAnimated = nullptr) {
  pf::TReadOnlyMemoryStream in(bytes.data(), static_cast<int64_t>(bytes.size()));
  bool flag = false;
  auto image = CreateGifImageFromStream(flag, in);
  if (nonAnimated) *nonAnimated = flag;
  return image;
}

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
  // Ticks every 10 ms for up to ms milliseconds; the frames and their times after each change.
  std::vector<std::pair<int, uint32_t>> Run(TgfAnimatedImage& image, uint32_t ms) {
    std::vector<std::pair<int, uint32_t>> shown;
    const uint32_t start = now;
    for (FakeControl control; now - start < ms && image.Animate();) {
      now += 10;
      image.StepAnimation(control);
      if (!control.invalidated.empty()) shown.emplace_back(image.CurrentFrame(), now - start);
      control.invalidated.clear();
    }
    return shown;
  }
  static std::vector<int> Frames(const std::vector<std::pair<int, uint32_t>>& shown) {
    std::vector<int> frames;
    for (auto [frame, time] : shown) frames.push_back(frame);
    return frames;
  }
  uint32_t now = 0xFFFFFF00u;  // the 32-bit count wraps during the run
};

TEST_F(AnimatedImage, FramesRunInOrderAsOftenAsTheLoopCountSays) {
  struct Row {
    int loops;
    std::vector<int> frames;
    bool stillRunning;
  } rows[] = {
      {-1, {2, 3}, false},                        // no loop extension: once, then it stays on the last frame
      {2, {2, 3, 1, 2, 3, 1, 2, 3}, false},       // n: n + 1 runs
      {0, {2, 3, 1, 2, 3, 1, 2, 3, 1, 2}, true},  // 0: until switched off
  };
  for (const Row& r : rows) {
    auto image = Make(Gif(3, r.loops, 4));
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->CurrentDisposal(), 2);
    image->SetAnimating(true);
    EXPECT_EQ(Frames(Run(*image, 400)), r.frames) << r.loops;
    EXPECT_EQ(image->Animate(), r.stillRunning);
    if (!r.stillRunning) {
      EXPECT_EQ(image->CurrentFrame(), 3);
    }
  }
}

TEST_F(AnimatedImage, DelaysAreTenTimesTheGifValueAndAtLeast30Ms) {
  for (auto [gifDelay, ms] : {std::pair{0u, 30u}, {1u, 30u}, {2u, 30u}, {7u, 70u}}) {
    auto image = Make(Gif(2, 0, static_cast<int>(gifDelay)));
    EXPECT_EQ(image->Frames()[1].frDelay, static_cast<int32_t>(ms));
    image->SetAnimating(true);
    auto shown = Run(*image, ms * 2);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].second, ms);
    EXPECT_EQ(shown[1].second, 2 * ms);
  }
}

TEST_F(AnimatedImage, ASingleFrameNeverChanges) {
  bool nonAnimated = false;
  auto image = Make(Gif(1, 0, 4), &nonAnimated);
  EXPECT_TRUE(nonAnimated);
  EXPECT_FALSE(image->Animated());
  image->SetAnimating(true);
  for (auto [frame, time] : Run(*image, 200)) EXPECT_EQ(frame, 1);
  EXPECT_EQ(image->CurrentFrame(), 1);
}

TEST_F(AnimatedImage, SetCurrentFrameWrapsAround) {
  auto image = Make(Gif(3, 0, 4));
  for (auto [index, frame] : {std::pair{0, 3}, {4, 1}, {2, 2}, {-5, 3}}) {
    image->SetCurrentFrame(index);
    EXPECT_EQ(image->CurrentFrame(), frame) << index;
  }
}

TEST_F(AnimatedImage, DrawsTheCurrentFrameThroughItsMask) {
  auto image = Make(TransparentGif());
  ASSERT_NE(image, nullptr);
  EXPECT_TRUE(image->Transparent());
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
  // The timer step repaints that rectangle.
  image->SetCurrentFrame(1);
  image->SetAnimating(true);
  now += 1000;
  FakeControl control;
  image->StepAnimation(control);
  EXPECT_EQ(control.invalidated, std::vector<pf::TRect>{pf::Rect(10, 10, 14, 14)});
  EXPECT_EQ(image->CurrentFrame(), 2);
}

TEST_F(AnimatedImage, FirstFrameBitmapAndMask) {
  auto image = Make(TransparentGif());
  pf::TBitmap* bitmap = image->GetBitmap();
  pf::TBitmap* mask = image->GetMaskBitmap();
  ASSERT_NE(mask, nullptr);
  EXPECT_EQ(image->GetBitmap(), bitmap);  // made once
  EXPECT_FALSE(bitmap->Transparent());
  const pf::TColor pixels[] = {pf::clBlack, kRed, kRed, kRed};  // a transparent pixel of the first frame is black
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(bitmap->GetPixel(i % 2, i / 2), pixels[i]);
    EXPECT_EQ(mask->GetPixel(i % 2, i / 2), i == 0 ? pf::clWhite : pf::clBlack);
  }
  EXPECT_EQ(Make(Gif(2, 0, 4))->GetMaskBitmap(), nullptr);
}

TEST_F(AnimatedImage, CopiesShareTheStripAndOutliveTheOriginal) {
  auto original = Make(TransparentGif());
  original->SetCurrentFrame(2);
  auto copy = original->CreateCopy();
  EXPECT_TRUE(copy->IsCopy());
  EXPECT_EQ(&copy->Strip(), &original->Strip());
  EXPECT_EQ(copy->CurrentFrame(), 1);
  EXPECT_EQ(copy->Frames().Count(), 2);
  original.reset();
  pf::TBitmap target(2, 2);
  copy->Draw(target.Canvas(), 0, 0, 2, 2);
  EXPECT_EQ(target.GetPixel(1, 1), kRed);
  EXPECT_EQ(target.GetPixel(0, 0), pf::clWhite);
}

TEST_F(AnimatedImage, ABrokenGifGivesNoPictureAndSaysWhy) {
  std::vector<uint8_t> bytes = Gif(2, 0, 4);
  bytes.resize(bytes.size() - 3);  // into the last image's data sub-block
  EXPECT_EQ(Make(bytes), nullptr);
  EXPECT_EQ(GifLastErrorMessage(), "Unexpected end of file");
  EXPECT_THROW(CreateGifImageFromFile("/nonexistent/picture.gif"), pf::EFOpenError);
}

}  // namespace
