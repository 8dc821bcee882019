// LZW encoding and decoding of 8-bit images, ours against giflib in the same run. Each iteration codes two
// 1000 x 1000 images: a photo-like one (gradients with noise) and a flat, chart-like one.
#include <benchmark/benchmark.h>
#include <gif_lib.h>

#include <cstring>
#include <random>
#include <vector>

#include "gif/gif_image.h"
#include "gif/lzw.h"

namespace {

constexpr int kW = 1000, kH = 1000;

std::vector<uint8_t> PhotoLike() {
  std::mt19937 rng(1);
  std::vector<uint8_t> px(static_cast<size_t>(kW) * kH);
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x)
      px[static_cast<size_t>(y) * kW + x] = static_cast<uint8_t>((x / 4 + y / 3 + static_cast<int>(rng() % 5)) & 255);
  return px;
}

std::vector<uint8_t> Flat() {
  std::vector<uint8_t> px(static_cast<size_t>(kW) * kH, 215);
  for (int bar = 0; bar < 40; ++bar)
    for (int y = 200 + bar * 7; y < kH - 20; ++y)
      for (int x = 30 + bar * 24; x < 50 + bar * 24; ++x)
        px[static_cast<size_t>(y) * kW + x] = static_cast<uint8_t>(100 + bar);
  for (int x = 30; x < kW - 10; ++x) px[static_cast<size_t>(kH - 20) * kW + x] = 0;
  return px;
}

const std::vector<uint8_t>& Image(int i) {
  static const std::vector<uint8_t> images[2] = {PhotoLike(), Flat()};
  return images[i];
}

int WriteVector(GifFileType* gif, const GifByteType* data, int length) {
  auto* out = static_cast<std::vector<uint8_t>*>(gif->UserData);
  out->insert(out->end(), data, data + length);
  return length;
}

std::vector<uint8_t> GiflibEncode(const std::vector<uint8_t>& px) {
  std::vector<uint8_t> out;
  out.reserve(px.size());
  int error = 0;
  GifFileType* gif = EGifOpen(&out, WriteVector, &error);
  GifColorType colors[256] = {};
  ColorMapObject* map = GifMakeMapObject(256, colors);
  EGifPutScreenDesc(gif, kW, kH, 8, 0, map);
  EGifPutImageDesc(gif, 0, 0, kW, kH, false, nullptr);
  for (int y = 0; y < kH; ++y) EGifPutLine(gif, const_cast<GifPixelType*>(px.data()) + static_cast<size_t>(y) * kW, kW);
  EGifCloseFile(gif, &error);
  GifFreeMapObject(map);
  return out;
}

std::vector<uint8_t> OursEncode(const std::vector<uint8_t>& px) {
  gif::TGifPicture pic;
  for (int i = 0; i < 256; ++i) pic.Header().ColorMap().Add(static_cast<pf::TColor>(i));
  auto frame = std::make_unique<gif::TGIFSubImage>(&pic);
  frame->SetBounds(0, 0, kW, kH);
  frame->Data() = px;
  pic.Add(std::move(frame));
  pf::TMemoryStream s;
  pic.SaveToStream(s);
  return std::vector<uint8_t>(s.Memory(), s.Memory() + s.Size());
}

void EncodeOurs(benchmark::State& state) {
  for (auto _ : state) {
    for (int i = 0; i < 2; ++i) {
      pf::TMemoryStream s;
      gif::EncodeImage(s, gif::CompressLZW, 8, 256, Image(i).data(), false, kH, kW);
      benchmark::DoNotOptimize(s.Memory());
    }
  }
}

void EncodeGiflib(benchmark::State& state) {
  for (auto _ : state)
    for (int i = 0; i < 2; ++i) benchmark::DoNotOptimize(GiflibEncode(Image(i)).data());
}

const std::vector<uint8_t>& File(int i) {
  static const std::vector<uint8_t> files[2] = {OursEncode(Image(0)), OursEncode(Image(1))};
  return files[i];
}

struct ReadState {
  const std::vector<uint8_t>* bytes;
  size_t pos;
};

int ReadVector(GifFileType* gif, GifByteType* data, int length) {
  auto* s = static_cast<ReadState*>(gif->UserData);
  size_t n = std::min(static_cast<size_t>(length), s->bytes->size() - s->pos);
  std::memcpy(data, s->bytes->data() + s->pos, n);
  s->pos += n;
  return static_cast<int>(n);
}

void DecodeOurs(benchmark::State& state) {
  for (auto _ : state)
    for (int i = 0; i < 2; ++i) {
      gif::TGifPicture pic;
      pf::TReadOnlyMemoryStream s(File(i).data(), static_cast<int64_t>(File(i).size()));
      pic.LoadFromStream(s);
      benchmark::DoNotOptimize(pic.Images()[0]->Data().data());
    }
}

void DecodeGiflib(benchmark::State& state) {
  for (auto _ : state)
    for (int i = 0; i < 2; ++i) {
      ReadState rs{&File(i), 0};
      int error = 0;
      GifFileType* gif = DGifOpen(&rs, ReadVector, &error);
      DGifSlurp(gif);
      benchmark::DoNotOptimize(gif->SavedImages[0].RasterBits);
      DGifCloseFile(gif, &error);
    }
}

}  // namespace

BENCHMARK(EncodeOurs)->Name("gif-encode/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(EncodeGiflib)->Name("gif-encode/giflib")->Unit(benchmark::kMillisecond);
BENCHMARK(DecodeOurs)->Name("gif-decode/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(DecodeGiflib)->Name("gif-decode/giflib")->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
