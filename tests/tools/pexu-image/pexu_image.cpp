// pexu-image: loads a picture through the viewer's image loading, for black-box tests.
//   pexu-image [--own-png] [--background RRGGBB] IN OUT.bmp   the first frame composed over the background (default
//                                                             white), written as a 24-bit BMP
//   pexu-image [--own-png] --info IN                           format, size, frame count and transparency
// --own-png reads PNG pictures with the viewer's own PNG class even while GDI+ is active. A picture that does not
// load exits with 2 and the reason; wrong arguments exit with 1.
#include <cstdio>
#include <string>
#include <vector>

#include "platform/core/exceptions.h"
#include "platform/core/streams.h"
#include "platform/graphics/bitmap.h"
#include "viewer/animated_images.h"
#include "viewer/image_cache.h"

namespace {

using namespace viewer;

int Usage(const char* problem) {
  std::fprintf(stderr,
               "pexu-image: %s\n"
               "usage: pexu-image [--own-png] [--background RRGGBB] IN OUT.bmp\n"
               "       pexu-image [--own-png] --info IN\n",
               problem);
  return 1;
}

struct Picture {
  TLoadedImage image;
  std::unique_ptr<pf::TBitmap> mask;
};

Picture Load(const std::string& file, bool ownPng) {
  Picture p;
  TTransparency transparency = tkNone;
  if (ownPng && DetectFileImageType(file) == ikPng) {
    pf::TMemoryStream data;
    data.LoadFromFile(file);
    p.image = DecodeImageStream(data, transparency, p.mask);
  } else {
    p.image = LoadImageFile(file, transparency, p.mask);
  }
  return p;
}

// Whether any pixel of a GDI+ picture is less than opaque.
bool HasAlpha(pf::TGpImage& image) {
  pf::TGpBitmap copy(image.GetWidth(), image.GetHeight());
  pf::TGpGraphics::CreateFromImage(copy)->DrawImageAt(image, 0, 0);
  for (int32_t y = 0; y < copy.GetHeight(); ++y)
    for (int32_t x = 0; x < copy.GetWidth(); ++x)
      if (copy.GetPixel(x, y) >> 24 != 0xFF) return true;
  return false;
}

int Info(const std::string& file, const Picture& p) {
  static const char* const kFormats[] = {"none", "BMP", "GIF87a", "GIF89a", "PNG", "JPEG"};
  const TImageRef ref = RefOf(p.image);
  int frames = 1;
  bool transparent = p.mask != nullptr;
  std::string kind = "mask";
  if (auto* gif = std::get_if<TgfAnimatedImage*>(&ref)) {
    frames = (*gif)->NumFrames();
    transparent = (*gif)->Transparent();
  } else if (auto* gp = std::get_if<pf::TGpImage*>(&ref)) {
    transparent = HasAlpha(**gp);
    kind = "alpha";
  }
  std::printf("format %s\nsize %dx%d\nframes %d\ntransparency %s\n", kFormats[DetectFileImageType(file)],
              QueryImageWidth(ref), QueryImageHeight(ref), frames, transparent ? kind.c_str() : "none");
  return 0;
}

int Convert(const Picture& p, pf::TColor background, const std::string& out) {
  const TImageRef ref = RefOf(p.image);
  const int32_t w = QueryImageWidth(ref), h = QueryImageHeight(ref);
  pf::TBitmap bitmap(w, h);
  bitmap.Canvas().Brush().SetColor(background);
  bitmap.Canvas().FillRect(pf::Rect(0, 0, w, h));
  DrawPicture(bitmap.Canvas(), ref, p.mask.get(), 0, 0, w, h);
  bitmap.SetPixelFormat(pf::pf24bit);
  bitmap.SaveToFile(out);
  return 0;
}

bool ParseColor(const std::string& text, pf::TColor& color) {
  if (text.size() != 6 || text.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) return false;
  const unsigned long rgb = std::stoul(text, nullptr, 16);
  color = pf::RGB(uint8_t(rgb >> 16), uint8_t(rgb >> 8), uint8_t(rgb));
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  bool ownPng = false, info = false;
  pf::TColor background = pf::clWhite;
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--own-png") {
      ownPng = true;
    } else if (arg == "--info") {
      info = true;
    } else if (arg == "--background") {
      if (++i >= argc || !ParseColor(argv[i], background)) return Usage("--background needs a colour RRGGBB");
    } else if (arg.starts_with("--")) {
      return Usage(("unknown option " + arg).c_str());
    } else {
      files.push_back(arg);
    }
  }
  if (files.size() != (info ? 1u : 2u)) return Usage(info ? "--info takes one picture" : "give IN and OUT.bmp");
  pf::LoadGdiPlus();  // as the viewer's image cache does
  try {
    const Picture p = Load(files[0], ownPng);
    if (IsEmpty(RefOf(p.image))) {
      std::fprintf(stderr, "pexu-image: %s: %s\n", files[0].c_str(), ImageLoadError().c_str());
      return 2;
    }
    return info ? Info(files[0], p) : Convert(p, background, files[1]);
  } catch (const pf::Exception& e) {
    std::fprintf(stderr, "pexu-image: %s\n", e.Message().c_str());
    return 1;
  }
}
