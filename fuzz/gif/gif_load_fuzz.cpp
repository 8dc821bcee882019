// Any bytes through TGifPicture::LoadFromStream; what loads is also saved again, its small frames rendered, and a
// small picture drawn: the whole picture, dithered and masked frames, and its animation on a manual clock.
#include <cstddef>
#include <cstdint>

#include "gif/gif_image.h"
#include "gif/painter.h"
#include "platform/core/exceptions.h"

namespace {

bool Small(int64_t width, int64_t height) { return width * height <= 65536; }

// Draws the picture twice: animated into its cached bitmap (dithered, transparent, looping), then straight on the
// canvas, tiled and cleared on each loop, by an inline painter.
void DrawPicture(gif::TGifPicture& picture) {
  if (picture.Empty() || !Small(picture.Width(), picture.Height())) return;
  for (int i = 0; i < picture.Images().Count(); ++i)
    if (!Small(picture.Images()[i]->Width(), picture.Images()[i]->Height())) return;
  for (int i = 0; i < picture.Images().Count(); ++i) picture.Images()[i]->FreeBitmap();  // rendered again, dithered
  static gif::TManualAnimationClock clock;
  gif::SetAnimationClock(&clock);
  pf::TBitmap target(24, 16);
  const pf::TRect rect = pf::Rect(0, 0, 24, 16);
  try {
    picture.DrawOptions = gif::DrawAsync | gif::DrawAnimate | gif::DrawLoop | gif::DrawTransparent | gif::DrawDither;
    picture.Draw(target.Canvas(), rect);
    clock.Advance(3000);
    picture.StopAnimation();
    picture.Bitmap();
    picture.DrawOptions = gif::DrawAnimate | gif::DrawDirect | gif::DrawTile | gif::DrawClearOnLoop;
    picture.Draw(target.Canvas(), pf::Rect(0, 0, 7, 5));
  } catch (const pf::Exception&) {
  }
  picture.StopAnimation();
  gif::SetAnimationClock(nullptr);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Keep single inputs fast: 4 million pixels per picture are plenty to reach every path.
  gif::GIFMaxPicturePixels = int64_t{1} << 22;
  gif::TGifPicture picture;
  picture.OnWarning = [](const pf::TPersistent&, int, const std::string&) {};
  pf::TReadOnlyMemoryStream in(data, static_cast<int64_t>(size));
  try {
    picture.LoadFromStream(in);
  } catch (const pf::Exception&) {
    // refused input; what was read so far stays and is exercised below
  }
  try {
    pf::TMemoryStream out;
    picture.SaveToStream(out);
  } catch (const pf::Exception&) {
  }
  for (int i = 0; i < picture.Images().Count() && i < 4; ++i) {
    gif::TGIFSubImage& frame = *picture.Images()[i];
    if (!Small(frame.Width(), frame.Height())) continue;
    try {
      frame.Bitmap();
    } catch (const pf::Exception&) {
    }
  }
  DrawPicture(picture);
  return 0;
}
