// Animation of GIF pictures on a manual clock: frame times, delay rules, loop counts, disposal methods, the order of
// the events, and painters that outlive their picture or their canvas.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "gif/gif_image.h"
#include "gif/painter.h"
#include "platform/core/streams.h"

namespace {

using namespace gif;

struct FrameDef {
  int left, top, size;
  uint8_t index;  // 0 white, 1 red, 2 lime, 3 blue, 4 yellow
  int delay, disposal;
};

// A 4 x 4 screen with a global map whose background entry is yellow. loops < 0: no loop extension.
std::unique_ptr<TGifPicture> MakePicture(const std::vector<FrameDef>& frames, int loops = -1) {
  auto picture = std::make_unique<TGifPicture>();
  picture->Header().Width = picture->Header().Height = 4;
  for (pf::TColor c : {pf::clWhite, pf::clRed, pf::clLime, pf::clBlue, pf::clYellow})
    picture->Header().ColorMap().Add(c);
  picture->Header().BackgroundColorIndex = 4;
  for (const FrameDef& def : frames) {
    auto frame = std::make_unique<TGIFSubImage>(picture.get());
    frame->SetBounds(def.left, def.top, def.size, def.size);
    std::fill(frame->Data().begin(), frame->Data().end(), def.index);
    if (loops >= 0 && picture->Images().Count() == 0) {
      auto loop = std::make_unique<TGIFAppExtNSLoop>(frame.get());
      loop->Loops = static_cast<uint16_t>(loops);
      frame->Extensions().Add(std::move(loop));
    }
    auto gce = std::make_unique<TGIFGraphicControlExtension>(frame.get());
    gce->SetDelay(static_cast<uint16_t>(def.delay));
    gce->SetDisposal(def.disposal);
    frame->Extensions().Add(std::move(gce));
    picture->Add(std::move(frame));
  }
  return picture;
}

// Delays 10, 20, 30: frame 0 covers the screen in red, frame 1 is lime top left, frame 2 blue bottom right.
std::unique_ptr<TGifPicture> ThreeFrames(int disposal0 = 1, int disposal1 = 1, int loops = -1) {
  return MakePicture({{0, 0, 4, 1, 10, disposal0}, {0, 0, 2, 2, 20, disposal1}, {2, 2, 2, 3, 30, 1}}, loops);
}

class PainterTest : public ::testing::Test {
 protected:
  void SetUp() override { SetAnimationClock(&clock); }
  void TearDown() override { SetAnimationClock(nullptr); }

  // Starts over at time 0 (no painter may be running) with the picture's draw options set and its events logged
  // as S start, P frame paint, D frame painted, L loop, E end, each with ActiveImage and the time.
  std::unique_ptr<TGifPicture> Recorded(std::unique_ptr<TGifPicture> picture, TGIFDrawOptions options) {
    clock = TManualAnimationClock();
    log.clear();
    picture->DrawOptions = options;
    auto add = [this](char name) {
      return [this, name](pf::TPersistent& sender) {
        log += std::string(log.empty() ? "" : " ") + name +
               std::to_string(static_cast<TGIFPainter&>(sender).ActiveImage) + "@" + std::to_string(clock.Now());
      };
    };
    picture->OnAnimationStart = add('S');
    picture->OnFramePaint = add('P');
    picture->OnFramePainted = add('D');
    picture->OnAnimationLoop = add('L');
    picture->OnAnimationEnd = add('E');
    return picture;
  }
  // Event letters appear nowhere else in the log.
  int Count(char name) const { return static_cast<int>(std::count(log.begin(), log.end(), name)); }
  // The times of the painted frames: "0@0 1@120 ...".
  std::string Painted() const {
    std::string s;
    for (size_t i = log.find('D'); i != std::string::npos; i = log.find('D', i + 1))
      s += (s.empty() ? "" : " ") + log.substr(i + 1, log.find(' ', i) - i - 1);
    return s;
  }

  TManualAnimationClock clock;
  std::string log;
  pf::TBitmap dest{4, 4};
  const pf::TRect all = pf::Rect(0, 0, 4, 4);
};

TEST_F(PainterTest, FramesAppearAtTheirDelaysWithEventsInOrder) {
  {  // timer-driven: the first frame at once, then waits of 10 and 20 units of 12 ms; DrawLoop without a loop
     // extension plays once
    auto picture = Recorded(ThreeFrames(), DrawAsync | DrawAnimate | DrawLoop | DrawDirect);
    EXPECT_TRUE(picture->Painters().Draw(dest.Canvas(), all));
    EXPECT_EQ(log, "S0@0 P0@0 D0@0");
    ASSERT_EQ(picture->Painters().Count(), 1);
    EXPECT_EQ(picture->Painters().CurrentPainter()->ActiveImage, 1);
    clock.Advance(119);
    EXPECT_EQ(Count('P'), 1);
    clock.Advance(10000);
    EXPECT_EQ(log, "S0@0 P0@0 D0@0 P1@120 D1@120 P2@360 D2@360 E-1@360");
    EXPECT_EQ(picture->Painters().Count(), 0);
    EXPECT_EQ(picture->Painters().CurrentPainter(), nullptr);
    EXPECT_EQ(clock.PendingTimers(), 0);
  }
  {  // a loop extension of 2 loops: the frames play twice, the second pass announced by the loop event (the
     // picture read back from its GIF stream)
    pf::TMemoryStream stream;
    ThreeFrames(1, 1, 2)->SaveToStream(stream);
    stream.SetPosition(0);
    auto picture = Recorded(std::make_unique<TGifPicture>(), DrawAsync | DrawAnimate | DrawLoop | DrawDirect);
    picture->LoadFromStream(stream);
    picture->Painters().Draw(dest.Canvas(), all);
    clock.Advance(5000);
    EXPECT_EQ(log,
              "S0@0 P0@0 D0@0 P1@120 D1@120 P2@360 D2@360 L0@360 P0@720 D0@720 P1@840 D1@840 P2@1080 D2@1080 "
              "E-1@1080");
  }
  {  // inline: all of it inside Draw, the first frame after one unit
    auto picture = Recorded(ThreeFrames(), DrawAnimate | DrawDirect);
    EXPECT_TRUE(picture->Painters().Draw(dest.Canvas(), all));
    EXPECT_EQ(log, "S0@0 P0@12 D0@12 P1@132 D1@132 P2@372 D2@372 E-1@372");
    EXPECT_EQ(picture->Painters().Count(), 0);
    EXPECT_EQ(clock.PendingTimers(), 0);
  }
  {  // the picture's StartAnimation: animated on timers whatever the draw options say, until StopAnimation
    auto picture = Recorded(ThreeFrames(), DrawLoop);
    picture->StartAnimation(dest.Canvas(), all);
    EXPECT_EQ(log, "S0@0 P0@0 D0@0");
    clock.Advance(130);
    EXPECT_EQ(log, "S0@0 P0@0 D0@0 P1@120 D1@120");
    picture->StopAnimation();
    EXPECT_EQ(picture->Painters().Count(), 0);
    EXPECT_EQ(clock.PendingTimers(), 0);
  }
}

TEST_F(PainterTest, DelayRulesAndSpeed) {
  struct Case {
    TGIFDrawOptions async;
    int speed;
    const char* painted;
  };
  // Delays 1 (raised to 3 units), 5000 (cut to 1000 inline) and 0 (the default 10).
  for (const Case& c : {Case{DrawAsync, 100, "0@0 1@36 2@60036"}, Case{0, 100, "0@12 1@48 2@12048"},
                        Case{DrawAsync, 200, "0@0 1@18 2@30018"}, Case{0, 0, "0@12000 1@24000 2@36000"}}) {
    auto picture = Recorded(MakePicture({{0, 0, 4, 1, 1, 1}, {0, 0, 4, 2, 5000, 1}, {0, 0, 4, 3, 0, 1}}),
                            c.async | DrawAnimate | DrawDirect);
    picture->AnimationSpeed = c.speed;
    picture->Painters().Draw(dest.Canvas(), all);
    clock.Advance(100000);
    EXPECT_EQ(Painted(), c.painted) << "async " << c.async << " speed " << c.speed;
  }
  {  // painting that takes 20 ms: half of the overrun is taken off the following wait
    auto picture = Recorded(ThreeFrames(), DrawAsync | DrawAnimate | DrawDirect);
    auto record = picture->OnFramePainted;
    picture->OnFramePainted = [&](pf::TPersistent& sender) {
      record(sender);
      clock.Sleep(20);
    };
    picture->Painters().Draw(dest.Canvas(), all);
    clock.Advance(10000);
    EXPECT_EQ(Painted(), "0@0 1@130 2@380");
  }
  {  // speed 0: a timer-driven painter shows its first frame and then waits until it is stopped
    auto picture = Recorded(ThreeFrames(), DrawAsync | DrawAnimate | DrawDirect);
    picture->AnimationSpeed = 0;
    picture->Painters().Draw(dest.Canvas(), all);
    EXPECT_EQ(clock.PendingTimers(), 0);
    clock.Advance(1000000);
    ASSERT_EQ(picture->Painters().Count(), 1);
    picture->Painters().StopAnimation();
    EXPECT_EQ(picture->Painters().Count(), 0);
    EXPECT_EQ(log, "S0@0 P0@0 D0@0");  // no event once stopped
  }
}

TEST_F(PainterTest, LoopCounts) {
  {  // Loops 0: endless for a timer-driven painter, once inline
    auto picture = Recorded(ThreeFrames(1, 1, 0), DrawAsync | DrawAnimate | DrawLoop | DrawDirect);
    picture->Painters().Draw(dest.Canvas(), all);
    clock.Advance(720 * 50);
    EXPECT_EQ(Count('L'), 50);
    ASSERT_NE(picture->Painters().CurrentPainter(), nullptr);
    picture->Painters().CurrentPainter()->Stop();
    EXPECT_EQ(picture->Painters().Count(), 0);
    EXPECT_EQ(clock.PendingTimers(), 0);

    log.clear();
    picture->DrawOptions = DrawAnimate | DrawLoop | DrawDirect;
    picture->Painters().StartAnimation(dest.Canvas(), all);
    EXPECT_EQ(Count('D'), 3);
    EXPECT_EQ(Count('L'), 0);
  }
  {  // DrawLoopForever: endless inline too, until a handler stops it
    auto picture = Recorded(ThreeFrames(1, 1, 2), DrawAnimate | DrawLoop | DrawLoopForever | DrawDirect);
    auto record = picture->OnAnimationLoop;
    picture->OnAnimationLoop = [&](pf::TPersistent& sender) {
      record(sender);
      if (Count('L') == 4) static_cast<TGIFPainter&>(sender).Stop();
    };
    picture->Painters().Draw(dest.Canvas(), all);
    EXPECT_EQ(Count('D'), 12);
    EXPECT_EQ(Count('E'), 0);
  }
  {  // an endless inline painter ends when the application quits while it waits
    auto picture = Recorded(ThreeFrames(1, 1, 0), DrawAnimate | DrawLoop | DrawLoopForever | DrawDirect);
    picture->OnFramePainted = [&](pf::TPersistent&) { clock.Quitting = Count('P') == 5; };
    picture->Painters().Draw(dest.Canvas(), all);
    clock.Quitting = false;
    EXPECT_EQ(Count('P'), 5);
    EXPECT_EQ(picture->Painters().Count(), 0);
  }
}

// The colours at the top-left, top-right and bottom-right pixels: R red, G lime, B blue, Y yellow, - grey.
std::string Probe(const pf::TBitmap& bitmap) {
  std::string s;
  for (auto [x, y] : {std::pair{0, 0}, std::pair{3, 0}, std::pair{3, 3}}) {
    const pf::TColor c = bitmap.GetPixel(x, y);
    s += c == pf::clRed ? 'R' : c == pf::clLime ? 'G' : c == pf::clBlue ? 'B' : c == pf::clYellow ? 'Y' : '-';
  }
  return s;
}

TEST_F(PainterTest, DisposalMethods) {
  struct Case {
    int disposal0, disposal1;
    TGIFDrawOptions extra;
    const char* shown;  // the destination after each frame
  };
  for (const Case& c : {
           Case{1, 0, 0, "RRR GRR GRB"},                // unspecified: left in place
           Case{1, 1, 0, "RRR GRR GRB"},                // do not dispose
           Case{1, 2, 0, "RRR GRR YRB"},                // restore background: the map's background colour
           Case{1, 3, 0, "RRR GRR RRB"},                // restore previous (frame 1 drawn straight on the destination)
           Case{2, 3, 0, "RRR GYY YYB"},                // previous after background: drawn on the second buffer
           Case{1, 2, DrawTransparent, "RRR GRR -RB"},  // transparent drawing restores what lay underneath
       }) {
    dest.Canvas().Brush().SetColor(pf::clGray);
    dest.Canvas().FillRect(all);
    auto picture = ThreeFrames(c.disposal0, c.disposal1);
    picture->DrawOptions = DrawAsync | DrawAnimate | DrawDirect | c.extra;
    std::string shown;
    picture->OnFramePainted = [&](pf::TPersistent&) { shown += (shown.empty() ? "" : " ") + Probe(dest); };
    picture->Painters().Draw(dest.Canvas(), all);
    clock.Advance(10000);
    EXPECT_EQ(shown, c.shown) << "disposals " << c.disposal0 << "," << c.disposal1 << " options " << c.extra;
  }
  // Through the cached bitmap: the animation goes on in it, and later draws show it.
  auto picture = ThreeFrames(1, 2);
  picture->DrawOptions = DrawAsync | DrawAnimate;
  picture->Painters().Draw(dest.Canvas(), all);
  EXPECT_EQ(Probe(dest), "RRR");
  clock.Advance(360);
  pf::TBitmap other(4, 4);
  picture->Painters().Draw(other.Canvas(), all);
  EXPECT_EQ(Probe(other), "YRB");
  EXPECT_EQ(picture->Painters().Count(), 0);
}

TEST_F(PainterTest, DrawReusesOrRestartsTheAnimation) {
  auto picture = Recorded(ThreeFrames(), DrawAsync | DrawAnimate | DrawLoop | DrawLoopForever | DrawDirect);
  picture->Painters().Draw(dest.Canvas(), all);
  clock.Advance(130);
  picture->Painters().Draw(dest.Canvas(), all);  // already animating there
  EXPECT_EQ(Count('S'), 1);
  picture->Painters().Draw(dest.Canvas(), pf::Rect(0, 0, 2, 2));  // another place: the old painter stops
  EXPECT_EQ(Count('S'), 2);
  ASSERT_EQ(picture->Painters().Count(), 1);
  EXPECT_EQ(picture->Painters().Items(0)->DestRect(), pf::Rect(0, 0, 2, 2));
  TGIFPainter* const first = picture->Painters().Items(0);

  // A single frame never animates; an empty rectangle makes no painter.
  auto still = MakePicture({{0, 0, 4, 3, 10, 1}});
  TGIFDrawOptions seen = 0;
  still->OnAnimationStart = [&](pf::TPersistent& sender) { seen = static_cast<TGIFPainter&>(sender).DrawOptions; };
  TGIFPainter* ref = first;
  const TGIFDrawOptions options = DrawAsync | DrawAnimate | DrawLoop | DrawDirect;
  EXPECT_EQ(still->Painters().CreatePainter(dest.Canvas(), all, options, &ref), nullptr);
  EXPECT_EQ(seen, DrawLoop | DrawDirect);
  EXPECT_EQ(ref, nullptr);
  EXPECT_EQ(Probe(dest), "BBB");
  seen = 0;
  ref = first;
  EXPECT_EQ(still->Painters().CreatePainter(dest.Canvas(), pf::Rect(2, 2, 2, 5), options, &ref), nullptr);
  EXPECT_EQ(seen, 0);
  EXPECT_EQ(ref, nullptr);
}

TEST_F(PainterTest, PictureChangesEndTheAnimationAndDropItsBitmap) {
  const std::vector<std::pair<const char*, std::function<void(TGifPicture&)>>> changes = {
      {"Clear", [](TGifPicture& p) { p.Clear(); }},
      {"Add", [](TGifPicture& p) { p.Add(*p.Images()[1]); }},
      {"SetWidth", [](TGifPicture& p) { p.SetWidth(8); }},
      {"SetHeight", [](TGifPicture& p) { p.SetHeight(8); }},
      {"SetPalette", [](TGifPicture& p) { p.SetPalette(WebPalette()); }},
      {"Optimize", [](TGifPicture& p) { p.Optimize(ooColorMap, ReduceNone, DitherNearest, 8); }},
  };
  for (const auto& [name, change] : changes) {
    auto picture = Recorded(ThreeFrames(), DrawAsync | DrawAnimate | DrawLoop | DrawLoopForever);
    picture->Draw(dest.Canvas(), all);
    ASSERT_NE(picture->Painters().CachedBitmap(), nullptr) << name;
    ASSERT_EQ(picture->Painters().Count(), 1) << name;
    clock.Advance(130);
    change(*picture);
    EXPECT_EQ(picture->Painters().CachedBitmap(), nullptr) << name;
    EXPECT_EQ(picture->Painters().Count(), 0) << name;
    const std::string seen = log;
    clock.Advance(10000);
    EXPECT_EQ(log, seen) << name;
  }
}

TEST_F(PainterTest, FreeingThePictureWhileAnimatingStopsCleanly) {
  {  // between two timers
    auto picture = Recorded(ThreeFrames(1, 3), DrawAsync | DrawAnimate | DrawLoop | DrawLoopForever);
    picture->Painters().Draw(dest.Canvas(), all);
    clock.Advance(150);
    picture.reset();
    const std::string seen = log;
    EXPECT_EQ(clock.PendingTimers(), 0);
    clock.Advance(10000);
    EXPECT_EQ(log, seen);
  }
  {  // by a handler of a timer-driven painter
    auto picture = ThreeFrames(2, 3);
    picture->DrawOptions = DrawAsync | DrawAnimate | DrawLoop | DrawLoopForever | DrawDirect;
    picture->OnFramePaint = [&](pf::TPersistent& sender) {
      if (static_cast<TGIFPainter&>(sender).ActiveImage == 2) picture.reset();
    };
    picture->Painters().Draw(dest.Canvas(), all);
    clock.Advance(10000);
    EXPECT_EQ(picture, nullptr);
    EXPECT_EQ(clock.PendingTimers(), 0);
  }
  // by a handler of an inline painter: the painter list's Draw tells its caller that the picture is gone, and the
  // picture's own Draw must not touch the freed picture afterwards
  for (bool own : {false, true}) {
    auto picture = Recorded(ThreeFrames(2, 3), DrawAnimate | DrawLoop | DrawLoopForever);
    picture->OnFramePainted = [&](pf::TPersistent& sender) {
      if (static_cast<TGIFPainter&>(sender).ActiveImage == 1) picture.reset();
    };
    TGifPicture* raw = picture.get();
    if (own)
      raw->Draw(dest.Canvas(), all);
    else
      EXPECT_FALSE(raw->Painters().Draw(dest.Canvas(), all));
    EXPECT_EQ(picture, nullptr);
    EXPECT_EQ(log, "S0@0 P0@12 P1@132") << (own ? "picture's Draw" : "painter list's Draw");
  }
}

TEST_F(PainterTest, LostCanvasOrFailingHandler) {
  for (TGIFDrawOptions validate : {TGIFDrawOptions{DrawValidateCanvas}, TGIFDrawOptions{0}}) {
    auto canvas = std::make_unique<pf::TBitmap>(4, 4);
    auto picture = Recorded(ThreeFrames(1, 2), DrawAsync | DrawAnimate | DrawDirect | validate);
    picture->Painters().Draw(canvas->Canvas(), all);
    canvas.reset();
    clock.Advance(10000);
    // With the check the painter ends quietly at the next frame; without it the animation plays on unpainted.
    EXPECT_EQ(log, validate ? "S0@0 P0@0 D0@0 P1@120" : "S0@0 P0@0 D0@0 P1@120 D1@120 P2@360 D2@360 E-1@360");
    EXPECT_EQ(picture->Painters().Count(), 0);
  }
  auto picture = ThreeFrames();
  picture->DrawOptions = DrawAsync | DrawAnimate | DrawDirect;
  picture->OnFramePaint = [](pf::TPersistent& sender) {
    if (static_cast<TGIFPainter&>(sender).ActiveImage == 1) throw std::runtime_error("handler failed");
  };
  picture->Painters().Draw(dest.Canvas(), all);
  EXPECT_THROW(clock.Advance(10000), std::runtime_error);
  EXPECT_EQ(picture->Painters().Count(), 0);
  EXPECT_EQ(clock.PendingTimers(), 0);
}

}  // namespace
