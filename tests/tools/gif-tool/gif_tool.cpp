// gif-tool: drives the GIF library from the command line for black-box tests.
//   gif-tool encode IN.bmp OUT.gif         the bitmap assigned to a TGifPicture and saved with the defaults
//   gif-tool decode IN.gif OUT.bmp [FRAME] frame FRAME (default 0) written as a 24-bit BMP
//   gif-tool info IN.gif                   version, screen size and one line per frame
#include <cstdio>
#include <cstdlib>
#include <string>

#include "gif/gif_image.h"
#include "platform/core/exceptions.h"
#include "platform/graphics/bitmap.h"

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: gif-tool encode IN.bmp OUT.gif\n"
               "       gif-tool decode IN.gif OUT.bmp [FRAME]\n"
               "       gif-tool info IN.gif\n");
  return 2;
}

void PrintWarning(const pf::TPersistent&, int, const std::string& message) {
  std::fprintf(stderr, "warning: %s\n", message.c_str());
}

int Encode(const std::string& in, const std::string& out) {
  pf::TBitmap bitmap;
  bitmap.LoadFromFile(in);
  gif::TGifPicture picture;
  picture.OnWarning = PrintWarning;
  picture.Assign(bitmap);
  picture.SaveToFile(out);
  return 0;
}

int Decode(const std::string& in, const std::string& out, int frame) {
  gif::TGifPicture picture;
  picture.OnWarning = PrintWarning;
  picture.LoadFromFile(in);
  if (frame < 0 || frame >= picture.Images().Count()) {
    std::fprintf(stderr, "gif-tool: %s has %d frame(s); there is no frame %d\n", in.c_str(), picture.Images().Count(),
                 frame);
    return 1;
  }
  gif::TGIFSubImage& sub = *picture.Images()[frame];
  if (sub.Empty()) {
    std::fprintf(stderr, "gif-tool: frame %d holds no image\n", frame);
    return 1;
  }
  pf::TBitmap bitmap;
  bitmap.Assign(*sub.Bitmap());
  bitmap.SetPixelFormat(pf::pf24bit);
  bitmap.SaveToFile(out);
  return 0;
}

int Info(const std::string& in) {
  gif::TGifPicture picture;
  picture.OnWarning = PrintWarning;
  picture.LoadFromFile(in);
  std::printf("version %s\n", picture.Header().LoadedVersion.c_str());
  std::printf("screen %dx%d\n", picture.Width(), picture.Height());
  for (int i = 0; i < picture.Images().Count(); ++i) {
    gif::TGIFSubImage& f = *picture.Images()[i];
    gif::TGIFGraphicControlExtension* gce = f.GraphicControlExtension();
    std::string transparent = f.Transparent() && gce != nullptr ? std::to_string(gce->TransparentColorIndex()) : "-";
    std::printf("frame %d: position %d,%d size %dx%d colors %d transparent %s delay %d disposal %d\n", i, f.Left(),
                f.Top(), f.Width(), f.Height(), f.ActiveColorMap().Count(), transparent.c_str(),
                gce != nullptr ? gce->Delay() : 0, gce != nullptr ? gce->Disposal() : 0);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  const std::string command = argv[1];
  try {
    if (command == "encode" && argc == 4) return Encode(argv[2], argv[3]);
    if (command == "decode" && (argc == 4 || argc == 5)) {
      int frame = 0;
      if (argc == 5) {
        char* end = nullptr;
        long value = std::strtol(argv[4], &end, 10);
        if (end == argv[4] || *end != '\0') return Usage();
        frame = static_cast<int>(value);
      }
      return Decode(argv[2], argv[3], frame);
    }
    if (command == "info" && argc == 3) return Info(argv[2]);
  } catch (const pf::Exception& e) {
    std::fprintf(stderr, "gif-tool: %s\n", e.Message().c_str());
    return 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "gif-tool: %s\n", e.what());
    return 1;
  }
  return Usage();
}
