#include "gif/painter.h"

#include <algorithm>

#include "platform/core/mathutil.h"
#include "platform/core/services.h"

namespace gif {

int32_t GIFDefaultDelay = 10;
int32_t GIFMinimumDelay = 3;
int32_t GIFMaximumDelay = 1000;
int32_t GIFDelayExp = 12;

// ---- clocks ----

IAnimationClock::TTimerHandle TManualAnimationClock::Schedule(uint32_t ms, std::function<void()> callback) {
  timers_.push_back({++nextHandle_, now_ + ms, std::move(callback)});
  return nextHandle_;
}

void TManualAnimationClock::Cancel(TTimerHandle handle) {
  std::erase_if(timers_, [handle](const Timer& t) { return t.handle == handle; });
}

bool TManualAnimationClock::Sleep(uint32_t ms) {
  now_ += ms;
  return !Quitting;
}

void TManualAnimationClock::Advance(uint32_t ms) {
  const int64_t target = now_ + ms;
  for (;;) {
    auto next = timers_.end();
    for (auto it = timers_.begin(); it != timers_.end(); ++it)
      if (it->due <= target && (next == timers_.end() || it->due < next->due)) next = it;
    if (next == timers_.end()) break;
    Timer timer = std::move(*next);
    timers_.erase(next);
    now_ = std::max(now_, timer.due);
    timer.callback();
  }
  now_ = target;
}

namespace {
IAnimationClock* installedClock = nullptr;

TManualAnimationClock& DefaultClock() {
  static TManualAnimationClock clock;
  return clock;
}

// The user-interface layer's timers, when it runs: animations then advance in the event loop. It asks for the
// service at each call, so a painter made before the service went keeps working on the manual clock.
class ServiceClock : public IAnimationClock {
 public:
  uint32_t Now() override {
    pf::ITimerService* s = pf::TimerService();
    return s != nullptr ? s->Now() : DefaultClock().Now();
  }
  TTimerHandle Schedule(uint32_t ms, std::function<void()> callback) override {
    pf::ITimerService* s = pf::TimerService();
    return s != nullptr ? s->Schedule(ms, std::move(callback)) : DefaultClock().Schedule(ms, std::move(callback));
  }
  void Cancel(TTimerHandle handle) override {
    if (pf::ITimerService* s = pf::TimerService()) s->Cancel(handle);
  }
  bool Sleep(uint32_t ms) override {
    pf::ITimerService* s = pf::TimerService();
    return s != nullptr ? s->Sleep(ms) : DefaultClock().Sleep(ms);
  }
};
}  // namespace

IAnimationClock& AnimationClock() {
  static ServiceClock serviceClock;
  if (installedClock != nullptr) return *installedClock;
  if (pf::TimerService() != nullptr) return serviceClock;
  return DefaultClock();
}

void SetAnimationClock(IAnimationClock* clock) { installedClock = clock; }

// ---- painter ----

TGIFPainter::TGIFPainter(TGIFPainterList* list, TGifPicture& picture, pf::TCanvas& canvas, const pf::TRect& rect,
                         TGIFDrawOptions options, TGIFPainter** ref)
    : list_(list),
      image_(&picture),
      canvas_(&canvas),
      destRect_(rect),
      dc_(canvas.Handle()),
      ref_(ref),
      clock_(&AnimationClock()) {
  DrawOptions = options;
  if (picture.Images().Count() < 2) DrawOptions &= static_cast<TGIFDrawOptions>(~(DrawAsync | DrawAnimate));
  async_ = (DrawOptions & DrawAsync) != 0;
  AnimationSpeed = picture.AnimationSpeed;
  if (async_) Priority = picture.ThreadPriority;
  OnAnimationStart = picture.OnAnimationStart;
  OnFramePaint = picture.OnFramePaint;
  OnFramePainted = picture.OnFramePainted;
  OnAnimationLoop = picture.OnAnimationLoop;
  OnAnimationEnd = picture.OnAnimationEnd;
  Prepare();
  if (ref_ != nullptr) *ref_ = this;
}

TGIFPainter::~TGIFPainter() {
  if (timer_ != 0) clock_->Cancel(timer_);
}

void TGIFPainter::Prepare() {
  TGifPicture& picture = *image_;
  if (picture.BackgroundColor != pf::clNone)
    backgroundColor_ = picture.BackgroundColor;
  else if (picture.Header().ColorMap().Count() > 0)
    backgroundColor_ = picture.Header().ColorMap().Colors(picture.Header().BackgroundColorIndex);
  else
    backgroundColor_ = pf::GetSysColor(pf::COLOR_BTNFACE);

  bool toBackground = (DrawOptions & DrawClearOnLoop) != 0, toPrevious = false;
  for (int i = 0; i < picture.Images().Count(); ++i) {
    const TGIFGraphicControlExtension* gce = picture.Images()[i]->GraphicControlExtension();
    if (gce == nullptr) continue;
    toBackground = toBackground || gce->Disposal() == DisposeBackground;
    toPrevious = toPrevious || gce->Disposal() == DisposePrevious;
  }
  const int32_t w = destRect_.Width(), h = destRect_.Height();
  auto copyDestination = [&](pf::TBitmap& into) {
    pf::BitBlt(into.Canvas(), 0, 0, w, h, canvas_, destRect_.Left, destRect_.Top, pf::SRCCOPY);
  };
  if (toBackground && (DrawOptions & DrawTransparent)) {
    BackgroundBitmap = std::make_unique<pf::TBitmap>(w, h);
    copyDestination(*BackgroundBitmap);
  }
  if (toBackground || toPrevious) {
    BufferBitmap = std::make_unique<pf::TBitmap>();
    PreviousBitmap = std::make_unique<pf::TBitmap>();
    for (pf::TBitmap* bitmap : {BufferBitmap.get(), PreviousBitmap.get()}) {
      bitmap->Canvas().Brush().SetColor(backgroundColor_);
      bitmap->SetSize(w, h);
    }
    copyDestination(*BufferBitmap);
  }
}

void TGIFPainter::Start() {
  if (started_) return;
  started_ = true;
  Restart = true;
  if (async_)
    Tick();
  else
    RunInline();
}

void TGIFPainter::Stop() {
  terminated_ = true;
  Priority = tpNormal;
  if (timer_ != 0) {
    clock_->Cancel(timer_);
    timer_ = 0;
  }
  // A timer-driven painter between two timers has nothing on the stack: it ends here, which is what waiting for
  // it amounts to. One that is painting ends when its current step returns.
  if (async_ && started_ && !running_) Finish();
}

int64_t TGIFPainter::Step() {
  running_ = true;
  try {
    const int64_t wait = Advance();
    running_ = false;
    return wait;
  } catch (...) {
    // A failing frame or handler ends the painter; the error goes on to the caller or the event loop's guard.
    running_ = false;
    terminated_ = true;
    Finish();
    throw;
  }
}

void TGIFPainter::Tick() {
  auto self = shared_from_this();
  timer_ = 0;
  const int64_t wait = Step();
  if (wait == kDone) {
    Finish();
    return;
  }
  if (wait == kInfinite) return;  // until stopped
  std::weak_ptr<TGIFPainter> weak = self;
  timer_ = clock_->Schedule(static_cast<uint32_t>(wait), [weak] {
    if (auto painter = weak.lock()) painter->Tick();
  });
}

void TGIFPainter::RunInline() {
  auto self = shared_from_this();
  for (;;) {
    const int64_t wait = Step();
    if (wait == kDone) break;
    // Sleeps in slices of at most 100 ms and delivers the thread's messages after each, so that the program stays
    // usable while an endless animation plays, and a request to end the program ends the animation.
    for (int64_t left = wait; left > 0 && !terminated_;) {
      const int64_t slice = std::min<int64_t>(left, kInlineSlice);
      if (!clock_->Sleep(static_cast<uint32_t>(slice)) || !pf::MessagePump().PumpMessages()) terminated_ = true;
      left -= slice;
    }
  }
  Finish();
}

void TGIFPainter::Finish() {
  if (finished_) return;
  finished_ = true;
  auto self = shared_from_this();
  if (timer_ != 0) {
    clock_->Cancel(timer_);
    timer_ = 0;
  }
  ActiveImage = -1;
  if (ref_ != nullptr && *ref_ == this) *ref_ = nullptr;
  ref_ = nullptr;
  if (list_ != nullptr) list_->Remove(this);
  list_ = nullptr;
  image_ = nullptr;
  canvas_ = nullptr;
  BufferBitmap.reset();
  PreviousBitmap.reset();
  BackgroundBitmap.reset();
  destOwner_.reset();
}

void TGIFPainter::Dispatch(const TGIFNotifyEvent& handler) {
  if (terminated_ || !handler) return;
  TGIFNotifyEvent call = handler;  // the handler may replace the event it runs from
  call(*this);
}

TGIFSubImage* TGIFPainter::CurrentFrame() const {
  if (image_ == nullptr || ActiveImage < 0 || ActiveImage >= image_->Images().Count()) return nullptr;
  TGIFSubImage* frame = image_->Images()[ActiveImage];
  return frame->Empty() ? nullptr : frame;
}

int TGIFPainter::FrameDelay(TGIFSubImage& frame) const {
  const TGIFGraphicControlExtension* gce = frame.GraphicControlExtension();
  if (gce == nullptr || gce->Delay() == 0) return GIFDefaultDelay;
  int delay = std::max<int>(gce->Delay(), GIFMinimumDelay);
  if (!async_) delay = std::min(delay, GIFMaximumDelay);
  return delay;
}

int64_t TGIFPainter::ComputeWait() {
  const uint32_t now = clock_->Now();
  const int64_t drift = static_cast<int32_t>(now - timeBase_) - previousWait_;
  timeBase_ = now;
  int64_t wait;
  if (AnimationSpeed < 1) {
    if (async_) {
      previousWait_ = 0;
      return kInfinite;
    }
    wait = int64_t{GIFMaximumDelay} * GIFDelayExp;
  } else {
    const int64_t units = int64_t{pending_} * GIFDelayExp - drift / 2;
    wait = pf::MulDiv(static_cast<int32_t>(std::clamp<int64_t>(units, INT32_MIN, INT32_MAX)), 100, AnimationSpeed);
  }
  // A timer-driven painter with nothing left to wait still returns to the event loop between frames (a timer of
  // 0 ms), so that even the fastest animation never starves the GUI thread; an inline one waits at least 1 ms.
  wait = std::max<int64_t>(wait, async_ ? 0 : 1);
  previousWait_ = wait;
  return wait;
}

int64_t TGIFPainter::Advance() {
  for (;;) {
    if (terminated_ || image_ == nullptr) {
      ActiveImage = -1;
      return kDone;
    }
    switch (phase_) {
      case kRunStart:
        if (!Restart) {
          phase_ = kEnd;
          break;
        }
        ActiveImage = 0;
        Dispatch(OnAnimationStart);
        Restart = false;
        Started = false;
        loopsLeft_ = 1;
        loopStart_ = 0;
        loopSeen_ = false;
        pending_ = async_ ? 0 : 1;
        PreviousDisposal = DisposeNone;
        timeBase_ = clock_->Now();
        previousWait_ = 0;
        firstPass_ = true;
        phase_ = kPassStart;
        break;
      case kPassStart:
        if ((loopsLeft_ == 0 && !(DrawOptions & DrawLoopForever)) || Restart) {
          phase_ = kRunStart;
          break;
        }
        ActiveImage = loopStart_;
        if (!firstPass_) Dispatch(OnAnimationLoop);
        firstPass_ = false;
        paintedInPass_ = 0;
        phase_ = kFrame;
        break;
      case kFrame: {
        TGIFSubImage* frame = CurrentFrame();
        if (frame == nullptr || Restart) {
          phase_ = kPassEnd;
          break;
        }
        phase_ = kPaint;
        if (pending_ > 0) {
          frame->Bitmap();  // rendered ahead, so that the wait covers the rendering
          return ComputeWait();
        }
        break;
      }
      case kPaint: {
        if (CurrentFrame() == nullptr) {  // the frames changed while waiting
          phase_ = kPassEnd;
          break;
        }
        Dispatch(OnFramePaint);
        TGIFSubImage* frame = CurrentFrame();
        if (terminated_ || frame == nullptr) {
          phase_ = kPassEnd;
          break;
        }
        Disposal = DisposeNone;
        for (int i = 0; i < frame->Extensions().Count(); ++i) {
          TGIFExtension* extension = frame->Extensions()[i];
          if (auto* loop = dynamic_cast<TGIFAppExtNSLoop*>(extension)) {
            if (loopSeen_) continue;
            loopSeen_ = true;
            loopsLeft_ = loop->Loops;
            if (!(DrawOptions & DrawLoopForever) && loop->Loops != 0) loopStart_ = ActiveImage;
            if ((loop->Loops == 0 || (DrawOptions & DrawLoopForever)) && async_) {
              loopsLeft_ = -1;
              loopStart_ = ActiveImage;
            }
          } else if (auto* gce = dynamic_cast<TGIFGraphicControlExtension*>(extension)) {
            Disposal = static_cast<uint8_t>(gce->Disposal());
          }
        }
        const int delay = FrameDelay(*frame);
        Paint(*frame);
        PreviousDisposal = Disposal;
        pending_ = delay;
        ++paintedInPass_;
        const int32_t shown = ActiveImage;
        Dispatch(OnFramePainted);
        if (terminated_) break;
        if (ActiveImage == shown) ++ActiveImage;
        phase_ = (DrawOptions & DrawAnimate) ? kFrame : kPassEnd;
        break;
      }
      case kPassEnd:
        if (loopsLeft_ > 0) --loopsLeft_;
        if (paintedInPass_ == 0 && !Restart) {
          // Nothing could be shown (an empty frame at the loop start): repeating would spin without end.
          phase_ = kEnd;
          break;
        }
        phase_ = (DrawOptions & DrawAnimate) && (DrawOptions & DrawLoop) ? kPassStart : kRunStart;
        break;
      case kEnd:
        ActiveImage = -1;
        Dispatch(OnAnimationEnd);
        return kDone;
    }
  }
}

bool TGIFPainter::DestinationUsable() {
  // A canvas that is gone must not be touched at all; with DrawValidateCanvas its loss also ends the painter.
  if (canvas_ != nullptr && pf::IsCanvasHandleValid(dc_)) return true;
  if (DrawOptions & DrawValidateCanvas) terminated_ = true;
  return false;
}

void TGIFPainter::RestoreBackground(pf::TCanvas& target, const pf::TRect& targetRect, TGIFSubImage* frame) {
  auto restore = [&](const pf::TRect& area) {
    pf::TRect part;
    if (!pf::IntersectRect(part, area, targetRect)) return;
    if ((DrawOptions & DrawTransparent) && BackgroundBitmap) {
      pf::BitBlt(target, part.Left, part.Top, part.Width(), part.Height(), &BackgroundBitmap->Canvas(),
                 part.Left - targetRect.Left, part.Top - targetRect.Top, pf::SRCCOPY);
      return;
    }
    const pf::TColor oldColor = target.Brush().Color();
    const pf::TBrushStyle oldStyle = target.Brush().Style();
    target.Brush().SetColor(backgroundColor_);
    target.FillRect(part);
    target.Brush().SetColor(oldColor);
    target.Brush().SetStyle(oldStyle);
  };
  if (frame == nullptr || image_ == nullptr) {
    restore(targetRect);
    return;
  }
  // The frame's area as the frame draws itself: scaled into the rectangle, or at every tile position.
  int32_t screenW = image_->Width(), screenH = image_->Height();
  if (screenW <= 0) screenW = frame->Left() + frame->Width();
  if (screenH <= 0) screenH = frame->Top() + frame->Height();
  if (screenW <= 0 || screenH <= 0) return;
  if (!(DrawOptions & DrawTile)) {
    const int32_t w = targetRect.Width(), h = targetRect.Height();
    restore(pf::Rect(targetRect.Left + pf::MulDiv(frame->Left(), w, screenW),
                     targetRect.Top + pf::MulDiv(frame->Top(), h, screenH),
                     targetRect.Left + pf::MulDiv(frame->Left() + frame->Width(), w, screenW),
                     targetRect.Top + pf::MulDiv(frame->Top() + frame->Height(), h, screenH)));
    return;
  }
  for (int32_t y = targetRect.Top; y < targetRect.Bottom; y += screenH)
    for (int32_t x = targetRect.Left; x < targetRect.Right; x += screenW)
      restore(pf::Bounds(x + frame->Left(), y + frame->Top(), frame->Width(), frame->Height()));
}

void TGIFPainter::Paint(TGIFSubImage& frame) {
  const bool transparent = (DrawOptions & DrawTransparent) != 0, tile = (DrawOptions & DrawTile) != 0;
  if (!DestinationUsable()) return;
  if (!BufferBitmap) {
    frame.Draw(*canvas_, destRect_, transparent, tile);
    Started = true;
    return;
  }
  const int32_t w = destRect_.Width(), h = destRect_.Height();
  const pf::TRect whole = pf::Rect(0, 0, w, h);
  pf::TCanvas& buffer = BufferBitmap->Canvas();
  const bool clear = (DrawOptions & DrawClearOnLoop) && ActiveImage == 0;
  if (clear) RestoreBackground(buffer, whole, nullptr);
  pf::TCanvas* target = &buffer;
  pf::TRect targetRect = whole;
  if (Disposal == DisposePrevious) {
    if (PreviousDisposal == 0 || PreviousDisposal == DisposeNone) {
      // The back buffer keeps the state before this frame; the next frame brings it back.
      target = canvas_;
      targetRect = destRect_;
      if (clear) RestoreBackground(*canvas_, destRect_, nullptr);
    } else {
      pf::BitBlt(PreviousBitmap->Canvas(), 0, 0, w, h, &buffer, 0, 0, pf::SRCCOPY);
      target = &PreviousBitmap->Canvas();
    }
  }
  pf::HPALETTE palette = frame.Palette();
  if (!palette) palette = pf::DefaultPalette();
  const pf::HPALETTE oldPalette = pf::SelectPalette(*target, palette, false);
  pf::RealizePalette(*target);
  frame.Draw(*target, targetRect, transparent, tile);
  if (target != canvas_) pf::BitBlt(*canvas_, destRect_.Left, destRect_.Top, w, h, target, 0, 0, pf::SRCCOPY);
  if (Disposal == DisposeBackground) RestoreBackground(buffer, whole, &frame);
  pf::SelectPalette(*target, oldPalette, false);
  Started = true;
}

// ---- painter list ----

TGIFPainterList::TGIFPainterList(TGifPicture& picture) : picture_(picture) {}

TGIFPainterList::~TGIFPainterList() {
  alive_.reset();
  const auto painters = painters_;
  for (const auto& painter : painters) painter->Stop();
  // What is still listed is running on the stack of a handler that is freeing the picture: cut it loose.
  for (const auto& painter : painters_) {
    painter->terminated_ = true;
    painter->list_ = nullptr;
    painter->image_ = nullptr;
    painter->ref_ = nullptr;
  }
  painters_.clear();
}

void TGIFPainterList::Remove(TGIFPainter* painter) {
  if (current_ == painter) current_ = nullptr;
  std::erase_if(painters_, [painter](const std::shared_ptr<TGIFPainter>& p) { return p.get() == painter; });
}

TGIFPainter* TGIFPainterList::CreatePainter(pf::TCanvas& canvas, const pf::TRect& rect, TGIFDrawOptions options,
                                            TGIFPainter** ref) {
  return Create(canvas, rect, options, ref, nullptr);
}

TGIFPainter* TGIFPainterList::Create(pf::TCanvas& canvas, const pf::TRect& rect, TGIFDrawOptions options,
                                     TGIFPainter** ref, std::shared_ptr<pf::TBitmap> owner) {
  if (picture_.Empty() || rect.Width() <= 0 || rect.Height() <= 0) {
    if (ref != nullptr) *ref = nullptr;
    return nullptr;
  }
  std::shared_ptr<TGIFPainter> painter(new TGIFPainter(this, picture_, canvas, rect, options, ref));
  painter->destOwner_ = std::move(owner);
  painters_.push_back(painter);
  painter->Start();  // may free the picture and this list through an event handler: nothing of them is used after
  return painter->finished_ ? nullptr : painter.get();
}

void TGIFPainterList::DrawCached(pf::TCanvas& canvas, const pf::TRect& rect, pf::TBitmap& bitmap) {
  if (!(picture_.DrawOptions & DrawTile)) {
    canvas.StretchDraw(rect, bitmap);
    return;
  }
  const int32_t w = std::max(bitmap.Width(), 1), h = std::max(bitmap.Height(), 1);
  const int saved = canvas.SaveDC();
  canvas.IntersectClipRect(rect.Left, rect.Top, rect.Right, rect.Bottom);
  for (int32_t y = rect.Top; y < rect.Bottom; y += h)
    for (int32_t x = rect.Left; x < rect.Right; x += w) canvas.StretchDraw(pf::Bounds(x, y, w, h), bitmap);
  canvas.RestoreDC(saved);
}

bool TGIFPainterList::Draw(pf::TCanvas& canvas, const pf::TRect& rect) {
  if (picture_.Empty()) return true;
  if (bitmap_ && !(picture_.DrawOptions & DrawDirect)) {
    DrawCached(canvas, rect, *bitmap_);
    return true;
  }
  if (current_ != nullptr && current_->Canvas() == &canvas && current_->DestRect() == rect) return true;
  return StartAnimation(canvas, rect);
}

bool TGIFPainterList::StartAnimation(pf::TCanvas& canvas, const pf::TRect& rect, TGIFDrawOptions extra) {
  std::weak_ptr<int> alive = alive_;
  if (current_ != nullptr) current_->Stop();
  current_ = nullptr;
  FreeCachedBitmap();
  const TGIFDrawOptions options = picture_.DrawOptions | extra;
  if (options & DrawDirect) {
    Create(canvas, rect, options, &current_, nullptr);
    return !alive.expired();
  }
  const int32_t w = picture_.Width(), h = picture_.Height();
  const pf::HDC destination = canvas.Handle();
  auto bitmap = std::make_shared<pf::TBitmap>();
  bitmap->SetPalette(pf::CopyPalette(picture_.GetPalette()));
  bitmap->SetSize(w, h);
  bitmap->Canvas().CopyRect(pf::Rect(0, 0, w, h), canvas, rect);  // the background the animation is drawn over
  bitmap_ = bitmap;
  Create(bitmap->Canvas(), pf::Rect(0, 0, w, h), options, &current_, bitmap);
  if (alive.expired()) return false;
  // An inline animation delivers messages while it plays: their handlers may have freed the destination.
  if (pf::IsCanvasHandleValid(destination)) DrawCached(canvas, rect, *bitmap);
  return true;
}

void TGIFPainterList::StopAnimation() {
  const auto painters = painters_;
  for (const auto& painter : painters) painter->Stop();
}

void TGIFPainterList::FreeCachedBitmap() {
  if (!bitmap_) return;
  const auto painters = painters_;
  for (const auto& painter : painters)
    if (painter->destOwner_ == bitmap_) painter->Stop();
  bitmap_.reset();
}

}  // namespace gif
