// Animation of GIF pictures on a manual clock: frame times, delay rules, loop counts, disposal methods, the order of
// the events, and painters that outlive their picture or their canvas.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "gif/gif_image.h"
#include "gif/painter.h"

namespace {

using namespace gif;

// A picture that owns its painters the way the library's picture is to: they stop before the frames go.
class AnimatedPicture : public TGifPicture {
 public:
  TGIFPainterList Painters{*this};
};

struct FrameSpec {
  int left, top, width, height;
  uint8_t index;  // 0 white, 1 red, 2 lime, 3 blue, 4 yellow
  int delay;
  int disposal;
};

// A 4 x 4 screen with a global map whose background entry is yellow. loops < 0: no loop extension.
std::unique_ptr<AnimatedPicture> MakePicture(const std::vector<FrameSpec>& frames, int loops = -1) {
  auto picture = std::make_unique<AnimatedPicture>();
  picture->Header().Width = 4;
  picture->Header().Height = 4;
  for (pf::TColor c : {pf::clWhite, pf::clRed, pf::clLime, pf::clBlue, pf::clYellow})
    picture->Header().ColorMap().Add(c);
  picture->Header().BackgroundColorIndex = 4;
  for (size_t i = 0; i < frames.size(); ++i) {
    const FrameSpec& spec = frames[i];
    auto frame = std::make_unique<TGIFSubImage>(picture.get());
    frame->SetBounds(spec.left, spec.top, spec.width, spec.height);
    std::fill(frame->Data().begin(), frame->Data().end(), spec.index);
    if (i == 0 && loops >= 0) {
      auto loop = std::make_unique<TGIFAppExtNSLoop>(frame.get());
      loop->Loops = static_cast<uint16_t>(loops);
      frame->Extensions().Add(std::move(loop));
    }
    auto gce = std::make_unique<TGIFGraphicControlExtension>(frame.get());
    gce->SetDelay(static_cast<uint16_t>(spec.delay));
    gce->SetDisposal(spec.disposal);
    frame->Extensions().Add(std::move(gce));
    picture->Add(std::move(frame));
  }
  return picture;
}

// Frame 0 covers the screen in red, frame 1 is lime top left, frame 2 blue bottom right.
std::unique_ptr<AnimatedPicture> ThreeFrames(int disposal0 = 1, int disposal1 = 1, int disposal2 = 1, int loops = -1) {
  return MakePicture({{0, 0, 4, 4, 1, 10, disposal0}, {0, 0, 2, 2, 2, 20, disposal1}, {2, 2, 2, 2, 3, 30, disposal2}},
                     loops);
}

class PainterTest : public ::testing::Test {
 protected:
  void SetUp() override { SetAnimationClock(&clock); }
  void TearDown() override { SetAnimationClock(nullptr); }

  // Logs every event as name, ActiveImage and time: "paint1@120".
  void Record(TGifPicture& picture) {
    auto log = [this](std::string name) {
      return [this, name](pf::TPersistent& sender) {
        events.push_back(name + std::to_string(static_cast<TGIFPainter&>(sender).ActiveImage) + "@" +
                         std::to_string(clock.Now()));
      };
    };
    picture.OnAnimationStart = log("start");
    picture.OnFramePaint = log("paint");
    picture.OnFramePainted = log("painted");
    picture.OnAnimationLoop = log("loop");
    picture.OnAnimationEnd = log("end");
  }
  // The times at which frames were painted.
  std::vector<std::string> Painted() const {
    std::vector<std::string> result;
    for (const auto& e : events)
      if (e.rfind("painted", 0) == 0) result.push_back(e.substr(7));
    return result;
  }
  int Count(const std::string& prefix) const {
    return static_cast<int>(
        std::count_if(events.begin(), events.end(), [&](const std::string& e) { return e.rfind(prefix, 0) == 0; }));
  }

  TManualAnimationClock clock;
  std::vector<std::string> events;
  pf::TBitmap dest{4, 4};
  const pf::TRect all = pf::Rect(0, 0, 4, 4);
};

TEST_F(PainterTest, FramesAppearAtTheirDelaysWithEventsInOrder) {
  {  // timer-driven: the first frame at once, then 10 and 20 units of 12 ms
    auto picture = ThreeFrames();
    picture->DrawOptions = DrawAsync | DrawAnimate | DrawDirect;
    Record(*picture);
    EXPECT_TRUE(picture->Painters.Draw(dest.Canvas(), all));
    EXPECT_EQ(events, (std::vector<std::string>{"start0@0", "paint0@0", "painted0@0"}));
    ASSERT_EQ(picture->Painters.Count(), 1);
    EXPECT_EQ(picture->Painters.CurrentPainter()->ActiveImage, 1);
    clock.Advance(119);
    EXPECT_EQ(events.size(), 3u);
    clock.Advance(10000);
    EXPECT_EQ(events, (std::vector<std::string>{"start0@0", "paint0@0", "painted0@0", "paint1@120", "painted1@120",
                                                "paint2@360", "painted2@360", "end-1@360"}));
    EXPECT_EQ(picture->Painters.Count(), 0);
    EXPECT_EQ(picture->Painters.CurrentPainter(), nullptr);
    EXPECT_EQ(clock.PendingTimers(), 0);
  }
  {  // with a loop extension of 2 loops the passes repeat once, announced by the loop event
    events.clear();
    auto picture = ThreeFrames(1, 1, 1, 2);
    picture->DrawOptions = DrawAsync | DrawAnimate | DrawLoop | DrawDirect;
    Record(*picture);
    const uint32_t t0 = clock.Now();
    picture->Painters.Draw(dest.Canvas(), all);
    clock.Advance(5000);
    std::vector<std::string> expected;
    for (auto [name, ms] : std::vector<std::pair<std::string, uint32_t>>{{"start0", 0},
                                                                         {"paint0", 0},
                                                                         {"painted0", 0},
                                                                         {"paint1", 120},
                                                                         {"painted1", 120},
                                                                         {"paint2", 360},
                                                                         {"painted2", 360},
                                                                         {"loop0", 360},
                                                                         {"paint0", 720},
                                                                         {"painted0", 720},
                                                                         {"paint1", 840},
                                                                         {"painted1", 840},
                                                                         {"paint2", 1080},
                                                                         {"painted2", 1080},
                                                                         {"end-1", 1080}})
      expected.push_back(name + "@" + std::to_string(t0 + ms));
    EXPECT_EQ(events, expected);
  }
  {  // inline: everything happens inside Draw, the first frame after one unit
    events.clear();
    auto picture = ThreeFrames();
    picture->DrawOptions = DrawAnimate | DrawDirect;
    Record(*picture);
    const uint32_t t0 = clock.Now();
    EXPECT_TRUE(picture->Painters.Draw(dest.Canvas(), all));
    EXPECT_EQ(clock.Now() - t0, 372u);
    EXPECT_EQ(Count("painted"), 3);
    EXPECT_EQ(events.back(), "end-1@" + std::to_string(t0 + 372));
    EXPECT_EQ(events[1], "paint0@" + std::to_string(t0 + 12));
    EXPECT_EQ(picture->Painters.Count(), 0);
    EXPECT_EQ(clock.PendingTimers(), 0);
  }
}

TEST_F(PainterTest, DelayRulesAndSpeed) {
  struct Case {
    TGIFDrawOptions async;
    int speed;
    std::vector<std::string> painted;
  };
  // Delays 1 (raised to 3), 5000 (cut to 1000 inline) and 0 (the default 10).
  for (const Case& c :
       {Case{DrawAsync, 100, {"0@0", "1@36", "2@60036"}}, Case{0, 100, {"0@12", "1@48", "2@12048"}},
        Case{DrawAsync, 200, {"0@0", "1@18", "2@30018"}}, Case{0, 0, {"0@12000", "1@24000", "2@36000"}}}) {
    TManualAnimationClock fresh;
    SetAnimationClock(&fresh);
    events.clear();
    auto picture =
        MakePicture({{0, 0, 4, 4, 1, 1, 1}, {0, 0, 4, 4, 2, 5000, 1}, {0, 0, 4, 4, 3, 0, 1}, {0, 0, 4, 4, 1, 0, 1}});
    picture->Images().Delete(3);  // keeps three frames, the last with no delay of its own
    picture->DrawOptions = c.async | DrawAnimate | DrawDirect;
    picture->AnimationSpeed = c.speed;
    auto log = [this, &fresh](pf::TPersistent& sender) {
      events.push_back(std::to_string(static_cast<TGIFPainter&>(sender).ActiveImage) + "@" +
                       std::to_string(fresh.Now()));
    };
    picture->OnFramePainted = log;
    picture->Painters.Draw(dest.Canvas(), all);
    fresh.Advance(100000);
    EXPECT_EQ(events, c.painted) << "async " << c.async << " speed " << c.speed;
    picture.reset();
    SetAnimationClock(&clock);
  }
  {  // painting that takes 20 ms: half of the overrun is taken off the following waits
    events.clear();
    auto picture = ThreeFrames();
    picture->DrawOptions = DrawAsync | DrawAnimate | DrawDirect;
    const uint32_t t0 = clock.Now();
    picture->OnFramePainted = [&](pf::TPersistent&) {
      events.push_back(std::to_string(clock.Now() - t0));
      clock.Sleep(20);
    };
    picture->Painters.Draw(dest.Canvas(), all);
    clock.Advance(10000);
    EXPECT_EQ(events, (std::vector<std::string>{"0", "130", "380"}));
  }
  {  // speed 0: a timer-driven painter shows its first frame and then waits until it is stopped
    events.clear();
    auto picture = ThreeFrames();
    picture->DrawOptions = DrawAsync | DrawAnimate | DrawDirect;
    picture->AnimationSpeed = 0;
    Record(*picture);
    picture->Painters.Draw(dest.Canvas(), all);
    EXPECT_EQ(clock.PendingTimers(), 0);
    clock.Advance(1000000);
    EXPECT_EQ(Count("painted"), 1);
    ASSERT_EQ(picture->Painters.Count(), 1);
    picture->Painters.StopAnimation();
    EXPECT_EQ(picture->Painters.Count(), 0);
    EXPECT_EQ(Count("end"), 0);  // no event once stopped
  }
}

TEST_F(PainterTest, LoopCounts) {
  {  // Loops 0: endless for a timer-driven painter, once inline
    auto picture = ThreeFrames(1, 1, 1, 0);
    picture->DrawOptions = DrawAsync | DrawAnimate | DrawLoop | DrawDirect;
    Record(*picture);
    picture->Painters.Draw(dest.Canvas(), all);
    clock.Advance(720 * 50);
    EXPECT_EQ(Count("loop"), 50);
    ASSERT_EQ(picture->Painters.Count(), 1);
    TGIFPainter* painter = picture->Painters.CurrentPainter();
    ASSERT_NE(painter, nullptr);
    painter->Stop();
    EXPECT_EQ(picture->Painters.Count(), 0);
    EXPECT_EQ(clock.PendingTimers(), 0);

    events.clear();
    picture->DrawOptions = DrawAnimate | DrawLoop | DrawDirect;
    picture->Painters.StartAnimation(dest.Canvas(), all);
    EXPECT_EQ(Count("painted"), 3);
    EXPECT_EQ(Count("loop"), 0);
  }
  {  // DrawLoopForever: endless inline too, until a handler stops it; without a loop extension DrawLoop plays once
    events.clear();
    auto picture = ThreeFrames(1, 1, 1, 2);
    picture->DrawOptions = DrawAnimate | DrawLoop | DrawLoopForever | DrawDirect;
    Record(*picture);
    int loops = 0;
    picture->OnAnimationLoop = [&](pf::TPersistent& sender) {
      if (++loops == 4) static_cast<TGIFPainter&>(sender).Stop();
    };
    picture->Painters.Draw(dest.Canvas(), all);
    EXPECT_EQ(loops, 4);
    EXPECT_EQ(Count("painted"), 12);
    EXPECT_EQ(Count("end"), 0);

    auto once = ThreeFrames();
    once->DrawOptions = DrawAsync | DrawAnimate | DrawLoop | DrawDirect;
    events.clear();
    Record(*once);
    once->Painters.Draw(dest.Canvas(), all);
    clock.Advance(10000);
    EXPECT_EQ(Count("painted"), 3);
    EXPECT_EQ(Count("end"), 1);
  }
  {  // an endless inline painter ends when the application quits while it waits
    events.clear();
    auto picture = ThreeFrames(1, 1, 1, 0);
    picture->DrawOptions = DrawAnimate | DrawLoop | DrawLoopForever | DrawDirect;
    Record(*picture);
    picture->OnFramePainted = [&](pf::TPersistent&) { clock.Quitting = Count("paint") == 5; };
    picture->Painters.Draw(dest.Canvas(), all);
    EXPECT_EQ(Count("paint"), 5);
    EXPECT_EQ(picture->Painters.Count(), 0);
  }
}

// The colours at the top-left, top-right and bottom-right pixels: R red, G lime, B blue, Y yellow, - grey.
std::string Probe(const pf::TBitmap& bitmap) {
  std::string s;
  for (auto [x, y] : {std::pair{0, 0}, std::pair{3, 0}, std::pair{3, 3}}) {
    switch (bitmap.GetPixel(x, y)) {
      case pf::clRed:
        s += 'R';
        break;
      case pf::clLime:
        s += 'G';
        break;
      case pf::clBlue:
        s += 'B';
        break;
      case pf::clYellow:
        s += 'Y';
        break;
      case pf::clGray:
        s += '-';
        break;
      default:
        s += '?';
    }
  }
  return s;
}

TEST_F(PainterTest, DisposalMethods) {
  struct Case {
    int disposal0, disposal1;
    TGIFDrawOptions extra;
    std::vector<std::string> shown;  // the destination after each frame
  };
  const Case cases[] = {
      {1, 0, 0, {"RRR", "GRR", "GRB"}},                // unspecified: left in place
      {1, 1, 0, {"RRR", "GRR", "GRB"}},                // do not dispose
      {1, 2, 0, {"RRR", "GRR", "YRB"}},                // restore background: the map's background colour
      {1, 3, 0, {"RRR", "GRR", "RRB"}},                // restore previous (frame 1 drawn straight on the destination)
      {2, 3, 0, {"RRR", "GYY", "YYB"}},                // previous after background: drawn in the second buffer
      {1, 2, DrawTransparent, {"RRR", "GRR", "-RB"}},  // transparent drawing restores what lay underneath
  };
  for (const Case& c : cases) {
    dest.Canvas().Brush().SetColor(pf::clGray);
    dest.Canvas().FillRect(all);
    auto picture = ThreeFrames(c.disposal0, c.disposal1, 1);
    picture->DrawOptions = DrawAsync | DrawAnimate | DrawDirect | c.extra;
    std::vector<std::string> shown;
    picture->OnFramePainted = [&](pf::TPersistent&) { shown.push_back(Probe(dest)); };
    picture->Painters.Draw(dest.Canvas(), all);
    clock.Advance(10000);
    EXPECT_EQ(shown, c.shown) << "disposals " << c.disposal0 << "," << c.disposal1 << " options " << c.extra;
  }
  {  // through the cached bitmap: the animation is drawn over what the canvas showed, and later draws blit it
    dest.Canvas().Brush().SetColor(pf::clGray);
    dest.Canvas().FillRect(all);
    auto picture = ThreeFrames(1, 2, 1);
    picture->DrawOptions = DrawAsync | DrawAnimate;
    picture->Painters.Draw(dest.Canvas(), all);
    EXPECT_EQ(Probe(dest), "RRR");
    clock.Advance(360);
    ASSERT_NE(picture->Painters.CachedBitmap(), nullptr);
    EXPECT_EQ(Probe(*picture->Painters.CachedBitmap()), "YRB");
    pf::TBitmap other(4, 4);
    picture->Painters.Draw(other.Canvas(), all);
    EXPECT_EQ(Probe(other), "YRB");
  }
}

TEST_F(PainterTest, DrawReusesOrRestartsTheAnimation) {
  auto picture = ThreeFrames();
  picture->DrawOptions = DrawAsync | DrawAnimate | DrawLoop | DrawLoopForever | DrawDirect;
  Record(*picture);
  picture->Painters.Draw(dest.Canvas(), all);
  clock.Advance(130);
  picture->Painters.Draw(dest.Canvas(), all);  // already animating there
  EXPECT_EQ(Count("start"), 1);
  TGIFPainter* first = picture->Painters.CurrentPainter();
  picture->Painters.Draw(dest.Canvas(), pf::Rect(0, 0, 2, 2));  // another place: the old painter stops
  EXPECT_EQ(Count("start"), 2);
  ASSERT_EQ(picture->Painters.Count(), 1);
  EXPECT_NE(picture->Painters.Items(0), first);

  // A single frame never animates; an empty rectangle makes no painter.
  auto still = MakePicture({{0, 0, 4, 4, 3, 10, 1}});
  still->DrawOptions = DrawAsync | DrawAnimate | DrawLoop | DrawDirect;
  TGIFDrawOptions seen = 0xFFFF;
  still->OnAnimationStart = [&](pf::TPersistent& sender) { seen = static_cast<TGIFPainter&>(sender).DrawOptions; };
  TGIFPainter* ref = first;
  EXPECT_EQ(still->Painters.CreatePainter(dest.Canvas(), all, still->DrawOptions, &ref), nullptr);
  EXPECT_EQ(seen, DrawLoop | DrawDirect);
  EXPECT_EQ(ref, nullptr);
  EXPECT_EQ(Probe(dest), "BBB");
  seen = 0;
  ref = first;
  EXPECT_EQ(still->Painters.CreatePainter(dest.Canvas(), pf::Rect(2, 2, 2, 5), still->DrawOptions, &ref), nullptr);
  EXPECT_EQ(seen, 0);
  EXPECT_EQ(ref, nullptr);
}

TEST_F(PainterTest, FreeingThePictureWhileAnimatingStopsCleanly) {
  {  // between two timers
    auto picture = ThreeFrames(1, 3, 2);
    picture->DrawOptions = DrawAsync | DrawAnimate | DrawLoop | DrawLoopForever;
    Record(*picture);
    picture->Painters.Draw(dest.Canvas(), all);
    clock.Advance(150);
    picture.reset();
    const size_t seen = events.size();
    EXPECT_EQ(clock.PendingTimers(), 0);
    clock.Advance(10000);
    EXPECT_EQ(events.size(), seen);
  }
  {  // by a handler of a timer-driven painter
    events.clear();
    auto picture = ThreeFrames(1, 2, 3);
    picture->DrawOptions = DrawAsync | DrawAnimate | DrawLoop | DrawLoopForever | DrawDirect;
    Record(*picture);
    picture->OnFramePaint = [&](pf::TPersistent& sender) {
      if (static_cast<TGIFPainter&>(sender).ActiveImage == 2) picture.reset();
    };
    picture->Painters.Draw(dest.Canvas(), all);
    clock.Advance(10000);
    EXPECT_EQ(picture, nullptr);
    EXPECT_EQ(clock.PendingTimers(), 0);
  }
  {  // by a handler of an inline painter: Draw tells its caller that the picture is gone
    events.clear();
    auto picture = ThreeFrames(2, 3, 1);
    picture->DrawOptions = DrawAnimate | DrawLoop | DrawLoopForever;
    Record(*picture);
    picture->OnFramePainted = [&](pf::TPersistent& sender) {
      events.push_back("painted");
      if (static_cast<TGIFPainter&>(sender).ActiveImage == 1) picture.reset();
    };
    TGIFPainterList& painters = picture->Painters;
    EXPECT_FALSE(painters.Draw(dest.Canvas(), all));
    EXPECT_EQ(Count("painted"), 2);
    EXPECT_EQ(Count("end"), 0);
  }
}

TEST_F(PainterTest, LostCanvas) {
  for (TGIFDrawOptions validate : {TGIFDrawOptions{DrawValidateCanvas}, TGIFDrawOptions{0}}) {
    events.clear();
    auto canvas = std::make_unique<pf::TBitmap>(4, 4);
    auto picture = ThreeFrames(1, 2, 1);
    picture->DrawOptions = DrawAsync | DrawAnimate | DrawDirect | validate;
    Record(*picture);
    picture->Painters.Draw(canvas->Canvas(), all);
    canvas.reset();
    clock.Advance(10000);
    if (validate) {  // ends quietly at the next frame
      EXPECT_EQ(Count("painted"), 1);
      EXPECT_EQ(Count("end"), 0);
    } else {  // plays on without painting
      EXPECT_EQ(Count("painted"), 3);
      EXPECT_EQ(Count("end"), 1);
    }
    EXPECT_EQ(picture->Painters.Count(), 0);
  }
}

}  // namespace
