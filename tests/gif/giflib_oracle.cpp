#include "tests/gif/giflib_oracle.h"

#include <gif_lib.h>

#include <cstring>
#include <stdexcept>

namespace giftest {
namespace {

int WriteToVector(GifFileType* gif, const GifByteType* data, int length) {
  auto* out = static_cast<std::vector<uint8_t>*>(gif->UserData);
  out->insert(out->end(), data, data + length);
  return length;
}

struct ReadState {
  const std::vector<uint8_t>* bytes;
  size_t pos;
};

int ReadFromVector(GifFileType* gif, GifByteType* data, int length) {
  auto* s = static_cast<ReadState*>(gif->UserData);
  size_t n = std::min(static_cast<size_t>(length), s->bytes->size() - s->pos);
  std::memcpy(data, s->bytes->data() + s->pos, n);
  s->pos += n;
  return static_cast<int>(n);
}

ColorMapObject* MakeMap(const std::vector<uint8_t>& triples) {
  if (triples.empty()) return nullptr;
  int count = static_cast<int>(triples.size() / 3);
  std::vector<GifColorType> colors(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) colors[i] = {triples[3 * i], triples[3 * i + 1], triples[3 * i + 2]};
  ColorMapObject* map = GifMakeMapObject(count, colors.data());
  if (map == nullptr) throw std::runtime_error("giflib: colour map size must be a power of two");
  return map;
}

std::vector<uint8_t> MapBytes(const ColorMapObject* map) {
  std::vector<uint8_t> out;
  if (map == nullptr) return out;
  for (int i = 0; i < map->ColorCount; ++i)
    out.insert(out.end(), {map->Colors[i].Red, map->Colors[i].Green, map->Colors[i].Blue});
  return out;
}

void Check(int result, GifFileType* gif, const char* what) {
  if (result != GIF_OK) throw std::runtime_error(std::string("giflib: ") + what + ": " + GifErrorString(gif->Error));
}

}  // namespace

std::vector<uint8_t> GiflibWrite(const OracleGif& in) {
  std::vector<uint8_t> out;
  int error = 0;
  GifFileType* gif = EGifOpen(&out, WriteToVector, &error);
  if (gif == nullptr) throw std::runtime_error("giflib: EGifOpen failed");
  ColorMapObject* global = MakeMap(in.globalMap);
  EGifSetGifVersion(gif, true);
  Check(EGifPutScreenDesc(gif, in.width, in.height, 8, 0, global), gif, "screen");
  GifFreeMapObject(global);
  for (size_t i = 0; i < in.frames.size(); ++i) {
    const OracleFrame& f = in.frames[i];
    if (i == 0 && in.loops >= 0) {
      Check(EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE), gif, "leader");
      Check(EGifPutExtensionBlock(gif, 11, "NETSCAPE2.0"), gif, "app id");
      unsigned char loop[3] = {1, static_cast<unsigned char>(in.loops & 0xFF),
                               static_cast<unsigned char>(in.loops >> 8)};
      Check(EGifPutExtensionBlock(gif, 3, loop), gif, "loop");
      Check(EGifPutExtensionTrailer(gif), gif, "trailer");
    }
    if (!f.comment.empty()) Check(EGifPutComment(gif, f.comment.c_str()), gif, "comment");
    if (f.transparent >= 0 || f.delay != 0 || f.disposal != 0) {
      GraphicsControlBlock gcb{};
      gcb.DisposalMode = f.disposal;
      gcb.UserInputFlag = false;
      gcb.DelayTime = f.delay;
      gcb.TransparentColor = f.transparent >= 0 ? f.transparent : NO_TRANSPARENT_COLOR;
      GifByteType ext[4];
      size_t len = EGifGCBToExtension(&gcb, ext);
      Check(EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(len), ext), gif, "gcb");
    }
    ColorMapObject* local = MakeMap(f.localMap);
    if (local == nullptr && gif->Image.ColorMap != nullptr) {
      // the oracle would drop its copy of the previous frame's map without freeing it
      GifFreeMapObject(gif->Image.ColorMap);
      gif->Image.ColorMap = nullptr;
    }
    Check(EGifPutImageDesc(gif, f.left, f.top, f.width, f.height, f.interlaced, local), gif, "image");
    GifFreeMapObject(local);
    std::vector<GifPixelType> row(static_cast<size_t>(f.width));
    static const int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
    for (int p = 0; p < (f.interlaced ? 4 : 1); ++p)
      for (int y = f.interlaced ? start[p] : 0; y < f.height; y += f.interlaced ? step[p] : 1) {
        std::memcpy(row.data(), f.pixels.data() + static_cast<size_t>(y) * f.width, row.size());
        Check(EGifPutLine(gif, row.data(), f.width), gif, "line");
      }
  }
  if (EGifCloseFile(gif, &error) != GIF_OK) throw std::runtime_error("giflib: close failed");
  return out;
}

OracleGif GiflibRead(const std::vector<uint8_t>& bytes) {
  OracleGif result;
  ReadState state{&bytes, 0};
  int error = 0;
  GifFileType* gif = DGifOpen(&state, ReadFromVector, &error);
  if (gif == nullptr) {
    result.error = GifErrorString(error);
    return result;
  }
  if (DGifSlurp(gif) != GIF_OK) {
    result.error = GifErrorString(gif->Error);
    DGifCloseFile(gif, &error);
    return result;
  }
  result.width = gif->SWidth;
  result.height = gif->SHeight;
  result.globalMap = MapBytes(gif->SColorMap);
  for (int i = 0; i < gif->ImageCount; ++i) {
    const SavedImage& s = gif->SavedImages[i];
    OracleFrame f;
    f.left = s.ImageDesc.Left, f.top = s.ImageDesc.Top, f.width = s.ImageDesc.Width, f.height = s.ImageDesc.Height;
    f.interlaced = s.ImageDesc.Interlace;
    f.localMap = MapBytes(s.ImageDesc.ColorMap);
    f.pixels.assign(s.RasterBits, s.RasterBits + static_cast<size_t>(f.width) * f.height);
    GraphicsControlBlock gcb{};
    if (DGifSavedExtensionToGCB(gif, i, &gcb) == GIF_OK) {
      f.transparent = gcb.TransparentColor, f.delay = gcb.DelayTime, f.disposal = gcb.DisposalMode;
    }
    result.frames.push_back(std::move(f));
  }
  result.ok = true;
  DGifCloseFile(gif, &error);
  return result;
}

std::vector<uint8_t> GiflibImageData(const std::vector<uint8_t>& pixels, int width, int height, int bits,
                                     bool interlaced) {
  OracleFrame f;
  f.width = width, f.height = height, f.interlaced = interlaced, f.pixels = pixels;
  f.localMap.assign(static_cast<size_t>(3 << bits), 0);
  OracleGif in;
  in.width = width, in.height = height, in.frames = {f};
  const std::vector<uint8_t> file = GiflibWrite(in);
  size_t pos = 13 + 10 + (static_cast<size_t>(3) << bits);
  size_t start = pos;
  ++pos;  // minimum code size
  while (pos < file.size() && file[pos] != 0) pos += file[pos] + 1u;
  return std::vector<uint8_t>(file.begin() + static_cast<long>(start), file.begin() + static_cast<long>(pos + 1));
}

}  // namespace giftest
