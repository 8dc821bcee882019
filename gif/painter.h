// Animation of GIF pictures: TGIFPainter plays the frames of a picture on a canvas with their delays, disposal
// methods and loop count and reports through five events; TGIFPainterList keeps a picture's painters, its current
// painter and the bitmap the animation is drawn into.
//
// Everything runs on the one GUI thread. An asynchronous painter (DrawAsync) is a state machine driven by single-shot
// timers of the animation clock: each timer paints the next frame and schedules the one after it, so the caller gets
// control back after the first frame. An inline painter runs to its end inside the call that created it: it waits
// between frames through the clock's Sleep in slices of at most 100 ms and delivers the application's messages after
// each slice (the core's message pump), so that a request to end the application ends it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "gif/gif_image.h"
#include "platform/graphics/bitmap.h"
#include "platform/graphics/canvas.h"

namespace gif {

// Timing settings (program-wide, writable). Delays count in units of GIFDelayExp milliseconds.
extern int32_t GIFDefaultDelay;  // 10: frames without a delay of their own
extern int32_t GIFMinimumDelay;  // 3
extern int32_t GIFMaximumDelay;  // 1000: applies to inline painters only
extern int32_t GIFDelayExp;      // 12 ms per delay unit

// The time source and timer service of the animations.
class IAnimationClock {
 public:
  using TTimerHandle = uint64_t;  // 0 is no timer
  virtual ~IAnimationClock() = default;
  // Milliseconds on a monotonic clock (wraps around like a 32-bit tick count).
  virtual uint32_t Now() = 0;
  // Calls callback once, on the GUI thread, after ms milliseconds.
  virtual TTimerHandle Schedule(uint32_t ms, std::function<void()> callback) = 0;
  // Drops a scheduled callback; unknown or spent handles are ignored.
  virtual void Cancel(TTimerHandle handle) = 0;
  // Blocks the calling thread for ms milliseconds without delivering any messages. False when the application is
  // quitting: the waiting painter then ends.
  virtual bool Sleep(uint32_t ms) = 0;
};

// A clock whose time moves only when told: Advance runs the timers that fall due, in order of their due time (timers
// due at the same time in the order they were scheduled); Sleep moves the time on and runs nothing.
class TManualAnimationClock : public IAnimationClock {
 public:
  uint32_t Now() override { return static_cast<uint32_t>(now_); }
  TTimerHandle Schedule(uint32_t ms, std::function<void()> callback) override;
  void Cancel(TTimerHandle handle) override;
  bool Sleep(uint32_t ms) override;
  void Advance(uint32_t ms);
  int PendingTimers() const { return static_cast<int>(timers_.size()); }
  bool Quitting = false;  // what Sleep answers (inverted)

 private:
  struct Timer {
    TTimerHandle handle;
    int64_t due;
    std::function<void()> callback;
  };
  int64_t now_ = 0;
  TTimerHandle nextHandle_ = 0;
  std::vector<Timer> timers_;
};

// The clock painters use from their creation on: the one installed by SetAnimationClock; else the timer service of
// the user-interface layer when it runs (pf::TimerService), so that animations advance in windows; else a
// process-wide TManualAnimationClock.
IAnimationClock& AnimationClock();
// nullptr restores the default.
void SetAnimationClock(IAnimationClock* clock);

class TGIFPainterList;

class TGIFPainter : public pf::TPersistent, public std::enable_shared_from_this<TGIFPainter> {
 public:
  ~TGIFPainter() override;
  TGIFPainter(const TGIFPainter&) = delete;
  TGIFPainter& operator=(const TGIFPainter&) = delete;
  std::string ClassName() const override { return "TGIFPainter"; }

  // The picture; nullptr once the painter has ended or the picture is gone.
  TGifPicture* Image() const { return image_; }
  pf::TCanvas* Canvas() const { return canvas_; }
  const pf::TRect& DestRect() const { return destRect_; }
  TGIFDrawOptions DrawOptions = 0;
  int32_t AnimationSpeed = 100;
  int32_t ActiveImage = -1;  // the frame being shown; -1 outside a run
  uint8_t Disposal = 0;
  uint8_t PreviousDisposal = 0;
  std::unique_ptr<pf::TBitmap> BufferBitmap;      // back buffer (disposal to background or previous)
  std::unique_ptr<pf::TBitmap> PreviousBitmap;    // state kept for a frame disposed to previous
  std::unique_ptr<pf::TBitmap> BackgroundBitmap;  // the destination under the rectangle (transparent drawing)
  TThreadPriority Priority = tpNormal;            // kept for the picture's setting; timers have no priority
  bool Restart = false;
  bool Started = false;  // the first frame has been painted
  TGIFNotifyEvent OnAnimationStart, OnFramePaint, OnFramePainted, OnAnimationLoop, OnAnimationEnd;

  // Whether the painter is driven by timers (DrawAsync) rather than run inline.
  bool Async() const { return async_; }
  bool Terminated() const { return terminated_; }
  pf::TColor BackgroundColor() const { return backgroundColor_; }

  // Runs the painter: an asynchronous one paints up to its first wait and continues on timers; an inline one runs
  // to its end and ends the painter. Only the first call does anything.
  void Start();
  // Ends the animation: no further event is raised and nothing more is painted. An asynchronous painter that is not
  // painting at this moment ends at once (it leaves the list); otherwise the painter ends when control returns to it.
  void Stop();
  // Paints the frame ActiveImage with the current disposal (back buffer, disposal, background restoring).
  void Paint(TGIFSubImage& frame);

 private:
  friend class TGIFPainterList;
  enum Phase { kRunStart, kPassStart, kFrame, kPaint, kPassEnd, kEnd };
  static constexpr int64_t kDone = -1;
  static constexpr int64_t kInfinite = -2;
  static constexpr int64_t kInlineSlice = 100;  // ms an inline painter sleeps before it delivers messages

  TGIFPainter(TGIFPainterList* list, TGifPicture& picture, pf::TCanvas& canvas, const pf::TRect& rect,
              TGIFDrawOptions options, TGIFPainter** ref);
  void Prepare();
  int64_t Advance();
  int64_t Step();
  int64_t ComputeWait();
  void Tick();
  void RunInline();
  void Finish();
  void Dispatch(const TGIFNotifyEvent& handler);
  TGIFSubImage* CurrentFrame() const;
  int FrameDelay(TGIFSubImage& frame) const;
  bool DestinationUsable();
  void RestoreBackground(pf::TCanvas& target, const pf::TRect& targetRect, TGIFSubImage* frame);

  TGIFPainterList* list_;
  TGifPicture* image_;
  pf::TCanvas* canvas_;
  pf::TRect destRect_;
  std::shared_ptr<pf::TBitmap> destOwner_;  // keeps the cached bitmap alive while the painter draws into it
  pf::HDC dc_ = 0;
  TGIFPainter** ref_;
  IAnimationClock* clock_;
  IAnimationClock::TTimerHandle timer_ = 0;
  pf::TColor backgroundColor_ = pf::clNone;
  bool async_ = false;
  bool terminated_ = false;
  bool started_ = false;
  bool running_ = false;
  bool finished_ = false;
  Phase phase_ = kRunStart;
  int32_t loopsLeft_ = 1;
  int32_t loopStart_ = 0;
  bool loopSeen_ = false;
  bool firstPass_ = true;
  int paintedInPass_ = 0;
  int32_t pending_ = 0;
  uint32_t timeBase_ = 0;
  int64_t previousWait_ = 0;
};

// The painters of one picture. Meant to be owned by the picture, which forwards to it (see the members below).
class TGIFPainterList {
 public:
  explicit TGIFPainterList(TGifPicture& picture);
  // Stops every painter and detaches those that are still running (an inline painter on the stack of a handler
  // that freed the picture unwinds without touching it).
  ~TGIFPainterList();
  TGIFPainterList(const TGIFPainterList&) = delete;
  TGIFPainterList& operator=(const TGIFPainterList&) = delete;

  int Count() const { return static_cast<int>(painters_.size()); }
  TGIFPainter* Items(int index) const { return painters_.at(static_cast<size_t>(index)).get(); }
  // The painter animating the picture for Draw; nullptr when none runs.
  TGIFPainter* CurrentPainter() const { return current_; }
  // The bitmap the animation is drawn into (screen size); nullptr until an animation started without DrawDirect.
  pf::TBitmap* CachedBitmap() const { return bitmap_.get(); }

  // Makes a painter for canvas and rect with the given options and starts it. Nothing is made (nullptr, and *ref
  // becomes nullptr) when the picture is empty or the rectangle has no area. Returns the painter while it runs,
  // nullptr once it has ended (an inline painter always has).
  TGIFPainter* CreatePainter(pf::TCanvas& canvas, const pf::TRect& rect, TGIFDrawOptions options,
                             TGIFPainter** ref = nullptr);
  // Drawing of a picture of two or more frames with DrawAnimate: the cached bitmap when there is one (and not
  // DrawDirect), nothing when the current painter already draws on canvas at rect, else StartAnimation. False
  // when the picture was freed meanwhile (by an event handler): the caller must then not touch it.
  bool Draw(pf::TCanvas& canvas, const pf::TRect& rect);
  // Stops the current animation, drops the cached bitmap and starts a new one with the picture's DrawOptions:
  // into the cached bitmap (which first takes the canvas's content under rect, and is then drawn into rect) or,
  // with DrawDirect, straight on canvas. extra: options added to the picture's for this animation. False when the
  // picture was freed meanwhile.
  bool StartAnimation(pf::TCanvas& canvas, const pf::TRect& rect, TGIFDrawOptions extra = 0);
  // Stops every painter of the picture.
  void StopAnimation();
  // Drops the cached bitmap; the painter drawing into it is stopped first.
  void FreeCachedBitmap();

 private:
  friend class TGIFPainter;
  void Remove(TGIFPainter* painter);
  TGIFPainter* Create(pf::TCanvas& canvas, const pf::TRect& rect, TGIFDrawOptions options, TGIFPainter** ref,
                      std::shared_ptr<pf::TBitmap> owner);
  void DrawCached(pf::TCanvas& canvas, const pf::TRect& rect, pf::TBitmap& bitmap);

  TGifPicture& picture_;
  std::vector<std::shared_ptr<TGIFPainter>> painters_;
  TGIFPainter* current_ = nullptr;
  std::shared_ptr<pf::TBitmap> bitmap_;
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

}  // namespace gif
