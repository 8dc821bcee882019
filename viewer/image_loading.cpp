// Recognising and loading pictures, their masks, their adaptation to palette screens, sizes and conversion.
#include <algorithm>
#include <array>
#include <cstring>
#include <new>

#include "platform/core/exceptions.h"
#include "platform/core/files.h"
#include "platform/graphics/jpeg.h"
#include "platform/graphics/palette.h"
#include "platform/graphics/png_image.h"
#include "viewer/animated_images.h"
#include "viewer/image_cache.h"
#include "viewer/screen_dither.h"
#include "viewer/screen_palette.h"
#include "viewer/viewer_gif.h"

namespace viewer {

TImageRef RefOf(const TLoadedImage& image) {
  return std::visit(
      [](const auto& owned) -> TImageRef {
        if constexpr (std::is_same_v<std::decay_t<decltype(owned)>, std::monostate>)
          return std::monostate();
        else
          return owned.get();
      },
      image);
}

// ---- recognition ----

namespace {

constexpr uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr size_t kKindBytes = 8;         // what recognition reads
constexpr int64_t kMinFileBytes = 10;    // a shorter file holds no picture
constexpr int64_t kMinStreamBytes = 20;  // a shorter stream holds no picture
constexpr const char* kNoPixels = "The picture has no pixels";

std::string& LastError() {
  static std::string error;
  return error;
}

TLoadedImage Fail(std::string message) {
  LastError() = std::move(message);
  return std::monostate();
}

template <class T>
TLoadedImage Loaded(std::unique_ptr<T> picture) {
  LastError().clear();
  return TLoadedImage(std::move(picture));
}

}  // namespace

TImageKind DetectImageType(const uint8_t* bytes, size_t count) {
  if (count >= 5 && std::memcmp(bytes, "GIF8", 4) == 0) return bytes[4] == '9' ? ikGif89 : ikGif87;
  if (count >= 4 && std::memcmp(bytes, kPngSignature, 4) == 0) return ikPng;
  if (count >= 2 && bytes[0] == 'B' && bytes[1] == 'M') return ikBmp;
  if (count >= 2 && bytes[0] == 0xFF && bytes[1] == 0xD8) return ikJpeg;
  return ikNone;
}

TImageKind DetectImageType(pf::TStream& stream) {
  const int64_t position = stream.Position();
  uint8_t bytes[kKindBytes];
  stream.SetPosition(0);
  const int32_t count = stream.Read(bytes, sizeof bytes);
  stream.SetPosition(position);
  return DetectImageType(bytes, static_cast<size_t>(std::max(count, 0)));
}

TImageKind DetectFileImageType(const std::string& fileName) {
  if (!pf::FileExists(fileName) || pf::FileSize(fileName) < kMinFileBytes) return ikNone;
  try {
    pf::TFileStream file(fileName, pf::fmOpenRead | pf::fmShareDenyWrite);
    return DetectImageType(file);
  } catch (const pf::EStreamError&) {
    return ikNone;
  }
}

const std::string& ImageLoadError() { return LastError(); }

// ---- masks and palette screens ----

std::unique_ptr<pf::TBitmap> ExtractMaskBitmap(pf::TBitmap& bitmap, bool useColor, pf::TColor color) {
  auto mask = bitmap.CreateMask(useColor ? color : bitmap.TransparentColor());
  bitmap.SetTransparent(false);
  return mask;
}

namespace {

// Sets the pixels under the mask's white to black, so that the picture ORs nothing where it is transparent.
void BlackOutMasked(pf::TBitmap& bitmap, const pf::TBitmap& mask) {
  if (bitmap.BitsPerPixel() <= 8) bitmap.SetPixelFormat(pf::pf24bit);  // a palette need not hold black
  for (int32_t y = 0; y < bitmap.Height(); ++y)
    for (int32_t x = 0; x < bitmap.Width(); ++x)
      if (mask.GetPixel(x, y) == pf::clWhite) bitmap.SetPixel(x, y, pf::clBlack);
}

}  // namespace

TDib::TDib(const pf::TBitmap& bitmap) {
  const int bits = bitmap.BitsPerPixel();
  info_.bmiHeader.biBitCount = static_cast<uint16_t>(bits <= 8 ? bits : 24);
  const int32_t rowBytes = DibRowBytes(bitmap.Width() * info_.bmiHeader.biBitCount);
  bits_.assign(static_cast<size_t>(rowBytes) * static_cast<size_t>(bitmap.Height()), 0);
  pf::GetDIBits(bitmap, 0, static_cast<uint32_t>(bitmap.Height()), bits_, info_, pf::DIB_RGB_COLORS);
}

void TDib::DrawDib(pf::TCanvas& canvas, int32_t x, int32_t y, int32_t w, int32_t h, pf::TCopyMode rop) const {
  const pf::TBitmapInfoHeader& header = info_.bmiHeader;
  pf::StretchDIBits(canvas, x, y, w, h, 0, 0, header.biWidth, std::abs(header.biHeight), bits_, info_,
                    pf::DIB_RGB_COLORS, rop);
}

std::unique_ptr<pf::TBitmap> TDib::MakeDeviceBitmap(const pf::HPALETTE& palette) const {
  const int32_t w = info_.bmiHeader.biWidth, h = std::abs(info_.bmiHeader.biHeight);
  auto device = std::make_unique<pf::TBitmap>(w, h, pf::pfDevice);
  pf::TCanvas& canvas = device->Canvas();
  const pf::HPALETTE old = pf::SelectPalette(canvas, palette, false);
  pf::RealizePalette(canvas);
  DrawDib(canvas, 0, 0, w, h, pf::SRCCOPY);
  pf::SelectPalette(canvas, old, false);
  return device;
}

std::unique_ptr<pf::TBitmap> RebuildBitmapWithPalette(const pf::TBitmap& bitmap) {
  auto device = TDib(bitmap).MakeDeviceBitmap(SharedPalette());
  if (ScreenColorDepth() <= 8) {
    const pf::HPALETTE own = bitmap.GetPalette();
    device->SetPalette(own ? pf::CopyPalette(own) : DuplicatePalette(SharedPalette()));
  }
  return device;
}

std::unique_ptr<pf::TBitmap> AdaptBitmapToScreen(std::unique_ptr<pf::TBitmap> bitmap) {
  if (!bitmap || bitmap->Empty()) return bitmap;
  if (ScreenColorDepth() > 8) return bitmap->BitsPerPixel() < 8 ? RebuildBitmapWithPalette(*bitmap) : std::move(bitmap);
  if (bitmap->HandleType() == pf::bmDIB) {
    auto reduced = ReduceBitmapColors(bitmap.get());
    return reduced ? std::move(reduced) : std::move(bitmap);
  }
  return RebuildBitmapWithPalette(*bitmap);
}

// ---- loaders ----

namespace {

// The mask of a PNG picture's transparency: the pixels of an RGB picture that match its colour key, those of a
// palette picture that have the colour of its first fully transparent entry; nullptr without either.
std::unique_ptr<pf::TBitmap> PngKeyMask(const pf::TPNGImage& png, pf::TBitmap& bitmap) {
  if (const pf::TBitmap* key = png.KeyMask()) {
    auto mask = std::make_unique<pf::TBitmap>();
    mask->Assign(*key);
    bitmap.SetTransparent(false);  // the mask says it, exactly
    return mask;
  }
  const pf::TChunkTRNS* trns = png.Chunks().Find<pf::TChunkTRNS>();
  const int entry = trns ? trns->FirstTransparentEntry() : -1;
  if (entry < 0 || static_cast<size_t>(entry) >= bitmap.ColorTable().size()) return nullptr;
  return ExtractMaskBitmap(bitmap, true, pf::RGBQuadToColor(bitmap.ColorTable()[static_cast<size_t>(entry)]));
}

// The picture data of a stream as a bitmap, by its kind.
std::unique_ptr<pf::TBitmap> DecodeBitmap(pf::TStream& stream, TImageKind kind, TTransparency& transparency,
                                          std::unique_ptr<pf::TBitmap>& mask) {
  auto bitmap = std::make_unique<pf::TBitmap>();
  if (kind == ikJpeg) {
    pf::TJPEGImage jpeg;  // 24-bit colour; palette screens get the shared palette through the adaptation
    jpeg.LoadFromStream(stream);
    bitmap->Assign(jpeg.Bitmap());
  } else if (kind == ikPng) {
    pf::TPNGImage png;
    png.LoadFromStream(stream);
    bitmap->Assign(png);
    if ((mask = PngKeyMask(png, *bitmap))) {
      BlackOutMasked(*bitmap, *mask);
      transparency = tkPngColor;
    }
  } else {
    bitmap->LoadFromStream(stream);
  }
  return bitmap;
}

// Whether a monochrome bitmap has a white (1) pixel; the bits past a row's end are 0.
bool AnyBitSet(const pf::TBitmap& mask) {
  const size_t bytes = static_cast<size_t>(mask.RowBytes()) * static_cast<size_t>(mask.Height());
  return std::any_of(mask.Bits(), mask.Bits() + bytes, [](uint8_t b) { return b != 0; });
}

// Runs a load; a failure answers nothing with its message.
template <class F>
TLoadedImage Guarded(TTransparency& transparency, std::unique_ptr<pf::TBitmap>& mask, F load) {
  try {
    return load();
  } catch (const pf::Exception& e) {
    LastError() = e.Message();
  } catch (const std::bad_alloc&) {
    LastError() = "Not enough memory for the picture";
  }
  transparency = tkNone;
  mask.reset();
  return std::monostate();
}

}  // namespace

TLoadedImage DecodeImageStream(pf::TStream& stream, TTransparency& transparency, std::unique_ptr<pf::TBitmap>& mask) {
  transparency = tkNone;
  mask.reset();
  return Guarded(transparency, mask, [&]() -> TLoadedImage {
    const TImageKind kind = DetectImageType(stream);
    stream.SetPosition(0);
    std::unique_ptr<pf::TBitmap> bitmap = DecodeBitmap(stream, kind, transparency, mask);
    if (bitmap->Empty()) throw pf::EInvalidGraphic(kNoPixels);
    return Loaded(AdaptBitmapToScreen(std::move(bitmap)));
  });
}

TLoadedImage ReadImageStream(pf::TStream& stream, TTransparency& transparency, std::unique_ptr<pf::TBitmap>& mask) {
  transparency = tkNone;
  mask.reset();
  if (stream.Size() < kMinStreamBytes) return Fail("The picture data are too short");
  stream.SetPosition(0);
  if (!pf::GdiPlusActive() || DetectImageType(stream) != ikPng) return DecodeImageStream(stream, transparency, mask);
  return Guarded(transparency, mask, [&] { return Loaded(std::make_unique<pf::TGpImage>(stream)); });
}

TLoadedImage ReadImageFile(const std::string& fileName, TTransparency& transparency,
                           std::unique_ptr<pf::TBitmap>& mask) {
  transparency = tkNone;
  mask.reset();
  if (!pf::FileExists(fileName)) return Fail("Picture file " + fileName + " not found");
  return Guarded(transparency, mask, [&]() -> TLoadedImage {
    if (pf::GdiPlusActive() && DetectFileImageType(fileName) == ikPng)
      return Loaded(std::make_unique<pf::TGpImage>(fileName));
    pf::TMemoryStream data;
    data.LoadFromFile(fileName);
    return ReadImageStream(data, transparency, mask);
  });
}

TLoadedImage LoadGifStream(pf::TStream& stream, TTransparency& transparency, std::unique_ptr<pf::TBitmap>& mask) {
  transparency = tkNone;
  mask.reset();
  return Guarded(transparency, mask, [&]() -> TLoadedImage {
    stream.SetPosition(0);
    TGif gif;
    gif.LoadFromStream(stream);  // a failure raises "TGif: " and the reason
    if (gif.GetScreenWidth() <= 0 || gif.GetScreenHeight() <= 0) throw pf::EInvalidGraphic(kNoPixels);
    if (gif.GetImageCount() >= 2) return Loaded(CreateGifImage(gif));
    // One frame: composed once, straight into the bitmap that is answered (a picture as large as the screen allows
    // must not be made twice), with a mask when a pixel of it is transparent.
    auto bitmap = std::make_unique<pf::TBitmap>();
    std::unique_ptr<pf::TBitmap> own;
    gif.ComposeStrip(*bitmap, own);
    bitmap->SetPalette(pf::CopyPalette(SharedPalette()));
    if (own && AnyBitSet(*own)) {
      mask = std::move(own);
      transparency = tkGivenMask;
    }
    return Loaded(std::move(bitmap));
  });
}

TLoadedImage LoadImageFile(const std::string& fileName, TTransparency& transparency,
                           std::unique_ptr<pf::TBitmap>& mask) {
  const TImageKind kind = DetectFileImageType(fileName);
  if (kind != ikGif87 && kind != ikGif89) return ReadImageFile(fileName, transparency, mask);
  return Guarded(transparency, mask, [&] {
    pf::TFileStream file(fileName, pf::fmOpenRead | pf::fmShareDenyWrite);
    return LoadGifStream(file, transparency, mask);
  });
}

// ---- sizes and conversion ----

namespace {

constexpr const char* kNotAPicture = "Not a TBitmap, TGifPicture, TMetafile, or TGpImage";
constexpr int32_t kMaxSpacerSide = 100;

struct SizeOf {
  bool width;
  int32_t operator()(std::monostate) const { throw pf::EGDIPlus(kNotAPicture); }
  int32_t operator()(pf::TBitmap* b) const { return width ? b->Width() : b->Height(); }
  int32_t operator()(pf::TGpImage* g) const { return width ? g->GetWidth() : g->GetHeight(); }
  int32_t operator()(TgfAnimatedImage* a) const { return width ? a->Width() : a->Height(); }
};

}  // namespace

int32_t QueryImageWidth(const TImageRef& image) { return std::visit(SizeOf{true}, image); }
int32_t QueryImageHeight(const TImageRef& image) { return std::visit(SizeOf{false}, image); }

std::unique_ptr<pf::TBitmap> ConvertImageToBitmap(const TImageRef& image, int32_t w, int32_t h) {
  std::unique_ptr<pf::TBitmap> composed;  // a GDI+ picture on white
  pf::TBitmap* source = nullptr;
  if (auto* b = std::get_if<pf::TBitmap*>(&image)) {
    source = *b;
  } else if (auto* g = std::get_if<pf::TGpImage*>(&image)) {
    composed = (*g)->GetBitmap();
    source = composed.get();
  } else if (auto* a = std::get_if<TgfAnimatedImage*>(&image)) {
    source = (*a)->GetBitmap();
  }
  if (!source || source->Empty()) return nullptr;
  const int32_t width = source->Width() == 1 ? std::min(kMaxSpacerSide, w) : source->Width();
  const int32_t height = source->Height() == 1 ? std::min(kMaxSpacerSide, h) : source->Height();
  auto copy = std::make_unique<pf::TBitmap>(std::max(width, 1), std::max(height, 1));
  copy->Canvas().StretchDraw(pf::Rect(0, 0, copy->Width(), copy->Height()), *source);
  return copy;
}

}  // namespace viewer
