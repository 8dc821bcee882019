#include "viewer/animated_images.h"

#include <algorithm>
#include <cstring>

#include "platform/core/datetime.h"
#include "platform/core/exceptions.h"
#include "viewer/screen_palette.h"
#include "viewer/viewer_gif.h"

namespace viewer {

namespace {

std::function<uint32_t()>& Clock() {
  static std::function<uint32_t()> clock;
  return clock;
}

constexpr int32_t kMinFrameDelay = 30;  // milliseconds; GIF delays of 0 to 2 hundredths show this long

}  // namespace

uint32_t timeGetTime() { return Clock() ? Clock()() : pf::GetTickCount(); }

void SetAnimationClock(std::function<uint32_t()> clock) { Clock() = std::move(clock); }

std::unique_ptr<TgfAnimatedImage> CreateGifImageFromStream(bool& nonAnimated, pf::TStream& stream) {
  nonAnimated = true;
  TGif gif;
  std::unique_ptr<TgfAnimatedImage> image;
  try {
    gif.LoadFromStream(stream);
    image = CreateGifImage(gif);
  } catch (const pf::EInvalidGraphicOperation&) {
    return nullptr;  // the reason stays in GifLastErrorMessage
  }
  nonAnimated = !image->Animated();
  return image;
}

std::unique_ptr<TgfAnimatedImage> CreateGifImage(const TGif& gif) {
  std::unique_ptr<pf::TBitmap> mask;
  std::unique_ptr<ThtBitmap> strip = gif.GetStripBitmap(mask);
  std::unique_ptr<TgfAnimatedImage> image(new TgfAnimatedImage);
  const int32_t count = gif.GetImageCount();
  image->animated_ = count >= 2;
  image->width_ = gif.GetScreenWidth();
  image->height_ = gif.GetScreenHeight();
  image->transparent_ = gif.HasTransparency();
  const int32_t loops = gif.GetLoopCount();
  image->numIterations_ = loops < 0 ? 1 : loops == 0 ? 0 : loops + 1;
  strip->SetMask(std::move(mask));
  strip->SetPalette(pf::CopyPalette(SharedPalette()));
  image->strip_ = std::move(strip);
  for (int32_t i = 0; i < count; ++i)
    image->frames_.Add({gif.GetImageLeft(i), gif.GetImageTop(i), gif.GetImageWidth(i), gif.GetImageHeight(i),
                        std::max(kMinFrameDelay, 10 * gif.GetImageDelay(i)), gif.GetImageDisposal(i)});
  if (image->animated_) image->currentDisposal_ = 2;
  return image;
}

std::unique_ptr<TgfAnimatedImage> CreateGifImageFromFile(const std::string& fileName) {
  pf::TFileStream file(fileName, pf::fmOpenRead | pf::fmShareDenyWrite);
  bool nonAnimated = true;
  return CreateGifImageFromStream(nonAnimated, file);
}

std::unique_ptr<TgfAnimatedImage> TgfAnimatedImage::CreateCopy() const {
  std::unique_ptr<TgfAnimatedImage> copy(new TgfAnimatedImage);
  copy->animated_ = animated_;
  copy->width_ = width_;
  copy->height_ = height_;
  copy->numIterations_ = numIterations_;
  copy->transparent_ = transparent_;
  copy->Visible = Visible;
  copy->strip_ = strip_;
  copy->currentDisposal_ = animated_ ? 2 : 0;
  copy->frames_ = frames_;
  copy->isCopy_ = true;
  return copy;
}

void TgfAnimatedImage::Draw(pf::TCanvas& canvas, int32_t x, int32_t y, int32_t w, int32_t h) {
  stretchedRect_ = pf::Rect(x, y, x + w, y + h);
  canvas.SetStretchBltMode(pf::COLORONCOLOR);
  if (!Visible || NumFrames() < 1) return;
  const int32_t left = (currentFrame_ - 1) * width_;
  canvas.SetCopyMode(pf::SRCCOPY);
  strip_->StretchDraw(canvas, stretchedRect_, pf::Rect(left, 0, left + width_, height_));
}

bool TgfAnimatedImage::StepFrame() {
  if (!animate_) return false;
  const uint32_t now = timeGetTime();
  if (now - lastTime_ < static_cast<uint32_t>(currentInterval_)) return false;
  lastTime_ = now;
  if (currentFrame_ == NumFrames()) {
    if (numIterations_ >= 1 && numIterations_ <= currentIteration_) {
      animate_ = false;
      return false;
    }
    ++currentIteration_;
  }
  currentDisposal_ = frames_[currentFrame_].frDisposal;
  ++currentFrame_;
  if (currentFrame_ > NumFrames() || currentFrame_ < 1) currentFrame_ = 1;
  currentInterval_ = std::max(frames_[currentFrame_].frDelay, 1);
  return true;
}

void TgfAnimatedImage::SetAnimating(bool value) {
  if (value == animate_) return;
  animate_ = value;
  if (value && NumFrames() > 1) {
    currentInterval_ = std::max(frames_[currentFrame_].frDelay, 1);
    lastTime_ = timeGetTime();
  }
}

void TgfAnimatedImage::SetCurrentFrame(int32_t index) {
  if (index == currentFrame_) return;
  currentDisposal_ = frames_[currentFrame_].frDisposal;
  currentFrame_ = index > NumFrames() ? 1 : index < 1 ? NumFrames() : index;
  if (animated_) currentDisposal_ = 2;
}

pf::TBitmap* TgfAnimatedImage::GetBitmap() {
  if (!firstBitmap_) {
    auto bitmap = std::make_unique<pf::TBitmap>(width_, height_, strip_->PixelFormat());
    const size_t rowBytes = static_cast<size_t>(pf::BytesPerScanline(width_, strip_->BitsPerPixel()));
    for (int32_t y = 0; y < height_ && rowBytes > 0; ++y)
      std::memcpy(bitmap->ScanLine(y), strip_->ScanLine(y), rowBytes);
    bitmap->SetPalette(pf::CopyPalette(strip_->GetPalette()));
    firstBitmap_ = std::move(bitmap);
  }
  return firstBitmap_.get();
}

pf::TBitmap* TgfAnimatedImage::GetMaskBitmap() {
  if (!transparent_ || !strip_->Mask()) return nullptr;
  if (!firstMask_) {
    const pf::TBitmap& stripMask = *strip_->Mask();
    auto mask = std::make_unique<pf::TBitmap>(width_, height_, pf::pf1bit);
    const size_t whole = static_cast<size_t>(width_ / 8), rest = static_cast<size_t>(width_ % 8);
    for (int32_t y = 0; y < height_ && width_ > 0; ++y) {
      uint8_t* row = mask->ScanLine(y);
      const uint8_t* from = stripMask.ScanLine(y);
      std::memset(row, 0, static_cast<size_t>(mask->RowBytes()));
      std::memcpy(row, from, whole);
      if (rest > 0) row[whole] = static_cast<uint8_t>(from[whole] & (0xFF00 >> rest));  // the frame's last bits only
    }
    firstMask_ = std::move(mask);
  }
  return firstMask_.get();
}

}  // namespace viewer
