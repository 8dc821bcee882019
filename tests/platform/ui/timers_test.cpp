// Timers: restarts, no queued ticks, modal loops, and GIF animations on the layer's clock.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QImage>
#include <memory>
#include <thread>
#include <utility>
#include <vector>

#include "gif/gif_image.h"
#include "gif/painter.h"
#include "platform/ui/extctrls.h"
#include "tests/platform/ui/ui_test_support.h"

namespace {

using namespace pf;
using ui_test::RunFor;
using ui_test::RunUntil;

TEST(Timers, AChangeRestartsTheFullIntervalAndTicksNeverQueueUp) {
  TTimer timer(nullptr);
  std::vector<qint64> ticks;
  QElapsedTimer clock;
  timer.SetInterval(300);
  clock.start();
  timer.SetOnTimer([&](TObject*) { ticks.push_back(clock.elapsed()); });
  RunFor(150);
  timer.SetEnabled(true);  // no change: the countdown goes on
  timer.SetEnabled(false);
  timer.SetEnabled(true);  // a change back: the full interval again
  const qint64 restarted = clock.elapsed();
  ASSERT_TRUE(RunUntil([&] { return !ticks.empty(); }));
  EXPECT_GE(ticks[0] - restarted, 295);

  // A handler that takes five intervals gets one tick afterwards, not five at once.
  ticks.clear();
  timer.SetInterval(40);
  qint64 handlerEnd = 0;
  timer.SetOnTimer([&](TObject*) {
    ticks.push_back(clock.elapsed());
    if (ticks.size() == 1) {
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
      handlerEnd = clock.elapsed();
    }
  });
  ASSERT_TRUE(RunUntil([&] { return ticks.size() >= 3; }));
  EXPECT_GE(ticks[2] - handlerEnd, 30);
}

TEST(Timers, KeepFiringInsideAModalLoop) {
  TForm dialog(nullptr);
  TTimer closer(nullptr), other(nullptr);
  int closerTicks = 0, otherTicks = 0;
  other.SetInterval(10);
  other.SetOnTimer([&](TObject*) { ++otherTicks; });
  closer.SetInterval(30);
  closer.SetOnTimer([&](TObject*) {
    if (++closerTicks == 3) dialog.SetModalResult(mrOk);
  });
  EXPECT_EQ(dialog.ShowModal(), mrOk);
  EXPECT_EQ(closerTicks, 3);
  EXPECT_GE(otherTicks, 3);
  EXPECT_FALSE(dialog.Visible());

  // Closing a modal form gives mrCancel unless OnCloseQuery refuses; posted messages arrive inside the loop.
  closer.SetEnabled(false);
  int queries = 0;
  dialog.OnCloseQuery = [&](TObject*, bool& canClose) { canClose = ++queries > 1; };
  dialog.AddMessageHook([&](TMessage& m, const TWndMethod& previous) {
    if (m.Msg != WM_USER) return previous(m);
    dialog.Close();
    if (queries < 2) PostMessage(&dialog, WM_USER);
  });
  PostMessage(&dialog, WM_USER);
  EXPECT_EQ(dialog.ShowModal(), mrCancel);
  EXPECT_EQ(queries, 2);
  dialog.Show();
  EXPECT_THROW(dialog.ShowModal(), EInvalidOperation);
}

// A 4 x 4 picture of three frames: red all over (delay 10), lime top left (20), blue bottom right (30).
std::unique_ptr<gif::TGifPicture> ThreeFrames() {
  auto picture = std::make_unique<gif::TGifPicture>();
  picture->Header().Width = picture->Header().Height = 4;
  for (TColor c : {clRed, clLime, clBlue}) picture->Header().ColorMap().Add(c);
  const struct {
    int left, top, size;
    uint8_t index;
    uint16_t delay;
  } frames[] = {{0, 0, 4, 0, 10}, {0, 0, 2, 1, 20}, {2, 2, 2, 2, 30}};
  for (const auto& f : frames) {
    auto frame = std::make_unique<gif::TGIFSubImage>(picture.get());
    frame->SetBounds(f.left, f.top, f.size, f.size);
    std::fill(frame->Data().begin(), frame->Data().end(), f.index);
    auto control = std::make_unique<gif::TGIFGraphicControlExtension>(frame.get());
    control->SetDelay(f.delay);
    control->SetDisposal(1);
    frame->Extensions().Add(std::move(control));
    picture->Add(std::move(frame));
  }
  return picture;
}

TEST(GifAnimation, AdvancesOnTheLayersClockAndShowsInAWindow) {
  auto form = ui_test::ActiveForm();
  TBitmap frame(40, 40);
  auto* view = new TCustomControl(form.get());
  view->SetParent(form.get());
  view->SetBounds(0, 0, 40, 40);
  view->OnPaint = [&](TObject*) { view->Canvas().Draw(0, 0, frame); };
  auto picture = ThreeFrames();
  picture->DrawOptions = gif::DrawDirect;
  std::vector<std::pair<int, qint64>> painted;
  QElapsedTimer clock;
  picture->OnFramePainted = [&](TPersistent& sender) {
    painted.emplace_back(static_cast<gif::TGIFPainter&>(sender).ActiveImage, clock.elapsed());
    view->Invalidate();
  };
  clock.start();
  picture->StartAnimation(frame.Canvas(), Rect(0, 0, 40, 40));
  ASSERT_TRUE(RunUntil([&] { return painted.size() >= 3; }, 20000));
  picture->StopAnimation();
  // Frames in order, each after the delays before it (units of 12 ms). The painter takes half of a late frame's
  // overrun off the next wait, so the second gap alone may be shorter than its delay; the sum never is.
  EXPECT_EQ((std::vector<int>{painted[0].first, painted[1].first, painted[2].first}), (std::vector<int>{0, 1, 2}));
  EXPECT_GE(painted[1].second - painted[0].second, 10 * 12 - 1);
  EXPECT_GE(painted[2].second - painted[0].second, (10 + 20) * 12 - 1);
  view->Update();
  const QImage shot = ui_test::Widget(*view)->grab().toImage();
  EXPECT_EQ(shot.pixel(35, 35), qRgb(0, 0, 255));  // the third frame
  EXPECT_EQ(shot.pixel(5, 5), qRgb(0, 255, 0));    // over the second
}

// The picture of ThreeFrames without its last frame, played inline (no DrawAsync) without end. Each painted frame is
// counted; a frame painted after bound milliseconds stops the painter and sets cutShort, since nothing but message
// delivery inside the animation could end it otherwise.
struct EndlessInline {
  explicit EndlessInline(int boundMs = 10000) : picture(ThreeFrames()), bound(boundMs) {
    picture->Images().Delete(2);
    picture->DrawOptions = gif::DrawAnimate | gif::DrawLoop | gif::DrawLoopForever;
    picture->OnFramePainted = [this](TPersistent& sender) {
      ++painted;
      if (clock.elapsed() <= bound) return;
      cutShort = true;
      static_cast<gif::TGIFPainter&>(sender).Stop();
    };
  }
  void Draw(TCanvas& canvas) {
    clock.start();
    picture->Draw(canvas, Rect(0, 0, 4, 4));
  }
  std::unique_ptr<gif::TGifPicture> picture;
  QElapsedTimer clock;
  int bound;
  int painted = 0;
  bool cutShort = false;
};

TEST(GifAnimation, AnEndlessInlineAnimationEndsWithTheApplication) {
  EndlessInline animation;
  TBitmap dest(4, 4);
  int paintedBeforeEnd = -1;
  bool drawReturned = false;
  // The end is asked for by a posted message, which only the full delivery of messages brings.
  TPanel target(nullptr);
  target.AddMessageHook([&](TMessage& m, const TWndMethod& previous) {
    if (m.Msg == WM_USER) {
      paintedBeforeEnd = animation.painted;
      Application().Terminate();
    }
    previous(m);
  });
  TTimer end(nullptr);
  end.SetEnabled(false);
  end.SetInterval(400);
  end.SetOnTimer([&](TObject*) {
    end.SetEnabled(false);
    PostMessage(&target, WM_USER);
  });
  TTimer start(nullptr);
  start.SetInterval(1);
  start.SetOnTimer([&](TObject*) {
    start.SetEnabled(false);
    end.SetEnabled(true);
    animation.Draw(dest.Canvas());
    drawReturned = true;
  });
  bool hung = false;
  TTimer watchdog(nullptr);
  watchdog.SetInterval(20000);
  watchdog.SetOnTimer([&](TObject*) {
    hung = true;
    Application().Terminate();
  });
  Application().Run();  // returns at once only when the request to end outlived the animation that saw it
  EXPECT_FALSE(hung);
  EXPECT_TRUE(drawReturned);
  EXPECT_FALSE(animation.cutShort);
  EXPECT_GT(paintedBeforeEnd, 1);
  EXPECT_EQ(animation.painted, paintedBeforeEnd);  // nothing painted once the end was asked for
  EXPECT_TRUE(Application().Terminated());
  DoneApplication();
}

TEST(GifAnimation, AnInlineAnimationLeavesADestinationFreedMeanwhileAlone) {
  EndlessInline animation;
  auto dest = std::make_unique<TBitmap>(4, 4);
  TTimer close(nullptr);
  close.SetInterval(300);
  close.SetOnTimer([&](TObject*) {
    close.SetEnabled(false);
    dest.reset();  // the window that was drawn on goes, and the animation with it
    animation.picture->StopAnimation();
  });
  animation.Draw(dest->Canvas());
  EXPECT_FALSE(animation.cutShort);
  EXPECT_TRUE(dest == nullptr);
  EXPECT_GT(animation.painted, 1);
}

}  // namespace
