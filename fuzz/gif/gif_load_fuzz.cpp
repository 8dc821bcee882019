// Any bytes through TGifPicture::LoadFromStream; what loads is also saved again and its small frames rendered.
#include <cstddef>
#include <cstdint>

#include "gif/gif_image.h"
#include "platform/core/exceptions.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Keep single inputs fast: 4 million pixels per picture are plenty to reach every path.
  gif::GIFMaxPicturePixels = int64_t{1} << 22;
  gif::TGifPicture picture;
  picture.OnWarning = [](pf::TPersistent&, int, const std::string&) {};
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
    if (static_cast<int64_t>(frame.Width()) * frame.Height() > 65536) continue;
    try {
      frame.Bitmap();
    } catch (const pf::Exception&) {
    }
  }
  return 0;
}
