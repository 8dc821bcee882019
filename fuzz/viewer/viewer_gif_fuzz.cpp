// Any bytes through the viewer's GIF decoding: the reader, and for small screens the animated image built from it:
// every frame drawn, the animation stepped on an injected clock, the first frame and its mask, and that frame
// reduced for palette screens of 8 and 4 bits. A refusal must carry one of the reader's error codes.
#include <cstddef>
#include <cstdint>

#include "platform/core/exceptions.h"
#include "platform/graphics/graphic.h"
#include "viewer/animated_images.h"
#include "viewer/screen_dither.h"
#include "viewer/viewer_gif.h"

namespace {

constexpr int64_t kMaxScreenPixels = 1 << 16;  // larger screens are only read, not composed

struct Control {
  void InvalidateRect(const pf::TRect&) {}
};

void Exercise(viewer::TgfAnimatedImage& image) {
  const viewer::ThtBitmap& strip = image.Strip();
  if (strip.Width() != image.Width() * image.NumFrames() || (strip.Mask() != nullptr) != image.Transparent())
    __builtin_trap();
  pf::TBitmap target(12, 9);
  for (int32_t frame = 1; frame <= image.NumFrames() && frame <= 8; ++frame) {
    image.SetCurrentFrame(frame);
    image.Draw(target.Canvas(), 1, 1, 10, 7);
  }
  static uint32_t now = 0;
  viewer::SetAnimationClock([] { return now; });
  Control control;
  image.SetAnimating(true);
  for (int tick = 0; tick < 64 && image.Animate(); ++tick) {
    now += 25;
    image.StepAnimation(control);
    if (image.CurrentFrame() < 1 || image.CurrentFrame() > image.NumFrames()) __builtin_trap();
  }
  viewer::SetAnimationClock(nullptr);
  pf::TBitmap* first = image.GetBitmap();
  if ((image.GetMaskBitmap() != nullptr) != image.Transparent()) __builtin_trap();
  for (int bits : {8, 4}) {
    pf::SetScreenBitsPerPixelOverride(bits);
    auto reduced = viewer::ReduceBitmapColors(first);
    if (!first->Empty() && (!reduced || reduced->Width() != first->Width())) __builtin_trap();
  }
  pf::SetScreenBitsPerPixelOverride(0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Keep single inputs fast: a few million pixel indices reach every path.
  viewer::GifMaxPixelBytes = int64_t{1} << 22;
  pf::TReadOnlyMemoryStream in(data, static_cast<int64_t>(size));
  viewer::TGif gif;
  try {
    gif.LoadFromStream(in);
  } catch (const pf::EInvalidGraphicOperation&) {
    if (viewer::GifLastError() < 1 || viewer::GifLastError() > 27 || gif.GetImageCount() != 0) __builtin_trap();
    return 0;
  }
  if (int64_t{gif.GetScreenWidth()} * gif.GetScreenHeight() > kMaxScreenPixels) return 0;
  in.SetPosition(0);
  bool nonAnimated = false;
  auto image = viewer::CreateGifImageFromStream(nonAnimated, in);
  if (!image) return 0;  // a strip refused as too large
  if (nonAnimated != (image->NumFrames() < 2)) __builtin_trap();
  Exercise(*image);
  auto copy = image->CreateCopy();
  image.reset();
  Exercise(*copy);
  return 0;
}
