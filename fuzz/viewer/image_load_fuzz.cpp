// Any bytes through the viewer's image loading without GDI+: recognition, the decoders with the masks that come
// with their pictures, and the picture converted and drawn. A load answers a picture or a reason, and a mask always
// fits its bitmap.
#include <cstddef>
#include <cstdint>

#include "viewer/animated_images.h"
#include "viewer/image_cache.h"
#include "viewer/viewer_gif.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  viewer::GifMaxPixelBytes = int64_t{1} << 22;
  pf::TReadOnlyMemoryStream in(data, static_cast<int64_t>(size));
  viewer::TTransparency transparency = viewer::tkNone;
  std::unique_ptr<pf::TBitmap> mask;
  const viewer::TImageKind kind = viewer::DetectImageType(data, size);
  viewer::TLoadedImage image = kind == viewer::ikGif87 || kind == viewer::ikGif89
                                   ? viewer::LoadGifStream(in, transparency, mask)
                                   : viewer::ReadImageStream(in, transparency, mask);
  const viewer::TImageRef picture = viewer::RefOf(image);
  if (viewer::IsEmpty(picture)) {
    if (viewer::ImageLoadError().empty() || mask || transparency != viewer::tkNone) __builtin_trap();
    return 0;
  }
  const int32_t w = viewer::QueryImageWidth(picture), h = viewer::QueryImageHeight(picture);
  if (w <= 0 || h <= 0 || (mask != nullptr) != (transparency != viewer::tkNone)) __builtin_trap();
  if (mask && (mask->Width() != w || mask->Height() != h)) __builtin_trap();
  if (int64_t{w} * h > (1 << 20)) return 0;  // drawing huge pictures adds nothing but time
  auto printed = viewer::ConvertImageToBitmap(picture, 300, 2);
  if (!printed || printed->Height() != (h == 1 ? 2 : h)) __builtin_trap();
  pf::TBitmap target(9, 7);
  viewer::DrawPicture(target.Canvas(), picture, mask.get(), 1, 1, 7, 5);
  viewer::DrawPicture(target.Canvas(), picture, mask.get(), -3, 2, 15, 3, true);
  return 0;
}
