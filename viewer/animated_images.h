// TgfAnimatedImage: a GIF picture of a page with all its frames side by side in one strip bitmap. It draws the
// current frame into a rectangle and steps through the frames when the document's animation timer calls it. Copies
// made for each place in a document that shows the picture share the strip.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/core/component.h"
#include "platform/core/streams.h"
#include "platform/graphics/canvas.h"
#include "viewer/ht_bitmap.h"

namespace viewer {

class TGif;

// Milliseconds of the animation clock, a 32-bit count that wraps (compare by unsigned differences): the monotonic
// clock unless a test installed its own.
uint32_t timeGetTime();
// nullptr restores the monotonic clock.
void SetAnimationClock(std::function<uint32_t()> clock);

// One frame's place on the logical screen, its delay in milliseconds and its disposal method (two bits).
struct TgfFrame {
  int32_t frLeft = 0, frTop = 0, frWidth = 0, frHeight = 0;
  int32_t frDelay = 0;
  int32_t frDisposal = 0;
};

// The frames, addressed 1-based.
class TgfFrameList {
 public:
  int32_t Count() const { return static_cast<int32_t>(frames_.size()); }
  const TgfFrame& operator[](int32_t index) const { return frames_.at(static_cast<size_t>(index) - 1); }
  void Add(const TgfFrame& frame) { frames_.push_back(frame); }

 private:
  std::vector<TgfFrame> frames_;
};

class TgfAnimatedImage : public pf::TPersistent {
 public:
  std::string ClassName() const override { return "TgfAnimatedImage"; }

  // A new image with this one's sizes, flags and strip and copies of its frames, at frame 1 of its first loop.
  std::unique_ptr<TgfAnimatedImage> CreateCopy() const;

  // Remembers (x, y, x + w, y + h) as the target and, when visible, stretches the current frame into it.
  void Draw(pf::TCanvas& canvas, int32_t x, int32_t y, int32_t w, int32_t h);

  // The timer step: when the current frame's delay has passed, moves to the next frame (or, after the last loop,
  // stops on the last frame) and has the control repaint the target rectangle. Control is anything with
  // InvalidateRect(const pf::TRect&), such as the viewer's paint panel.
  template <class Control>
  void StepAnimation(Control& control) {
    if (StepFrame()) control.InvalidateRect(stretchedRect_);
  }
  // The step without the repaint: true when the frame changed.
  bool StepFrame();

  bool Animate() const { return animate_; }
  void SetAnimating(bool value);
  int32_t CurrentFrame() const { return currentFrame_; }
  // Indexes above the count give frame 1, indexes below 1 the last frame.
  void SetCurrentFrame(int32_t index);

  // The first frame as a bitmap of its own, and its mask (nullptr when the image is not transparent); both made on
  // the first call and kept by the image.
  pf::TBitmap* GetBitmap();
  pf::TBitmap* GetMaskBitmap();

  bool Animated() const { return animated_; }
  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  int32_t NumFrames() const { return frames_.Count(); }
  // How many times the frames run: 0 endlessly.
  int32_t NumIterations() const { return numIterations_; }
  bool Transparent() const { return transparent_; }
  int32_t CurrentDisposal() const { return currentDisposal_; }
  const TgfFrameList& Frames() const { return frames_; }
  const ThtBitmap& Strip() const { return *strip_; }
  const pf::TRect& StretchedRect() const { return stretchedRect_; }
  bool IsCopy() const { return isCopy_; }

  bool Visible = true;
  // Cleared by the document's painter before it paints and set for each image it draws; the animation tick steps
  // only shown images.
  bool ShowIt = false;

 private:
  friend std::unique_ptr<TgfAnimatedImage> CreateGifImage(const TGif& gif);
  TgfAnimatedImage() = default;

  bool animated_ = false;
  int32_t currentFrame_ = 1;
  int32_t width_ = 0, height_ = 0;
  int32_t numIterations_ = 1;
  bool transparent_ = false;
  std::shared_ptr<ThtBitmap> strip_;  // shared with the copies
  pf::TRect stretchedRect_;
  bool animate_ = false;
  int32_t currentDisposal_ = 0;
  TgfFrameList frames_;
  int32_t currentIteration_ = 1;
  uint32_t lastTime_ = 0;
  int32_t currentInterval_ = 0;
  bool isCopy_ = false;
  std::unique_ptr<pf::TBitmap> firstBitmap_, firstMask_;
};

// Decodes a GIF (TGif) and builds its image: nullptr when the GIF does not load (GifLastErrorMessage says why).
// NonAnimated tells whether it has fewer than two frames.
std::unique_ptr<TgfAnimatedImage> CreateGifImageFromStream(bool& nonAnimated, pf::TStream& stream);
// The image of a GIF already read; raises EInvalidGraphicOperation as TGif does when its strip would be too large.
std::unique_ptr<TgfAnimatedImage> CreateGifImage(const TGif& gif);
// The same from a file opened for reading; a file that cannot be opened raises EFOpenError.
std::unique_ptr<TgfAnimatedImage> CreateGifImageFromFile(const std::string& fileName);

}  // namespace viewer
