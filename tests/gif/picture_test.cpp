// The GIF file structure and TGifPicture: the chart file the statistics write, round trips through giflib, the
// reader's tolerance and refusals, writing rules, copying, optimisation and drawing.
#include <gtest/gtest.h>

#include <random>

#include "gif/gif_image.h"
#include "platform/core/services.h"
#include "platform/graphics/canvas.h"
#include "tests/gif/giflib_oracle.h"

namespace {

using namespace gif;

std::vector<uint8_t> Save(const TGifPicture& pic) {
  pf::TMemoryStream s;
  pic.SaveToStream(s);
  return std::vector<uint8_t>(s.Memory(), s.Memory() + s.Size());
}

std::string ErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const GIFException& e) {
    return e.what();
  }
  return "";
}

struct Loaded {
  std::unique_ptr<TGifPicture> pic = std::make_unique<TGifPicture>();
  std::vector<std::string> warnings;
  std::string error;
};

Loaded Load(const std::vector<uint8_t>& bytes) {
  Loaded l;
  l.pic->OnWarning = [&l](const pf::TPersistent&, int severity, const std::string& m) {
    EXPECT_EQ(severity, 1);
    l.warnings.push_back(m);
  };
  pf::TReadOnlyMemoryStream s(bytes.data(), static_cast<int64_t>(bytes.size()));
  l.error = ErrorOf([&] { l.pic->LoadFromStream(s); });
  l.pic->OnWarning = nullptr;
  return l;
}

std::vector<uint8_t> Cat(std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// A minimal GIF: 4x2 screen with a 2-colour global map and one frame of the given extension bytes.
std::vector<uint8_t> SmallGif(const std::vector<uint8_t>& extensions, uint8_t frameWidth = 4) {
  auto g = Cat({'G', 'I', 'F', '8', '9', 'a', 4, 0, 2, 0, 0x80, 0, 0, 0, 0, 0, 255, 255, 255}, extensions);
  g = Cat(g, {',', 0, 0, 0, 0, frameWidth, 0, 2, 0, 0});
  pf::TMemoryStream data;
  std::vector<uint8_t> px = {0, 1, 1, 0, 1, 0, 0, 1};
  EncodeImage(data, CompressLZW, 1, 2, px.data(), false, 2, 4);
  g.insert(g.end(), data.Memory(), data.Memory() + data.Size());
  g.push_back(';');
  return g;
}

// A frame for pic, with a local map when colors are given and a graphic control block when transparent or delay
// is set.
struct FrameSpec {
  int left = 0, top = 0, width = 0, height = 0;
  std::vector<uint8_t> pixels = {};
  std::vector<pf::TColor> colors = {};
  int transparent = -1, delay = -1;
};

TGIFSubImage* AddFrame(TGifPicture& pic, const FrameSpec& s) {
  auto f = std::make_unique<TGIFSubImage>(&pic);
  for (pf::TColor c : s.colors) f->ColorMap().Add(c);
  f->SetBounds(s.left, s.top, s.width, s.height);
  if (!s.pixels.empty()) f->Data() = s.pixels;
  if (s.transparent >= 0 || s.delay >= 0) {
    auto gce = std::make_unique<TGIFGraphicControlExtension>(f.get());
    if (s.delay >= 0) gce->SetDelay(static_cast<uint16_t>(s.delay));
    if (s.transparent >= 0) {
      gce->SetTransparentColorIndex(s.transparent);
      gce->SetTransparent(true);
    }
    f->Extensions().Add(std::move(gce));
  }
  TGIFSubImage* frame = f.get();
  pic.Add(std::move(f));
  return frame;
}

void AddColors(TGifPicture& pic, std::initializer_list<pf::TColor> colors) {
  for (pf::TColor c : colors) pic.Header().ColorMap().Add(c);
}

TEST(GifPicture, ChartBitmapSavedWithTheDefaults) {
  pf::TBitmap chart;
  chart.SetSize(277, 200);
  chart.Canvas().Brush().SetColor(0x0000FF);
  chart.Canvas().FillRect(pf::Rect(25, 20, 35, 30));
  chart.Canvas().Brush().SetColor(0x0000F0);  // no web colour: the nearest one, not dithered
  chart.Canvas().FillRect(pf::Rect(40, 20, 50, 30));
  TGifPicture pic;
  pic.Assign(chart);
  auto bytes = Save(pic);
  // header and descriptor, then a 256-entry local table: the web palette and 40 black entries, and code size 8
  std::vector<uint8_t> head = {'G',  'I',  'F', '8', '7', 'a', 0x15, 0x01, 0xC8, 0x00, 0x77, 0x00,
                               0x00, 0x2C, 0,   0,   0,   0,   0x15, 0x01, 0xC8, 0x00, 0x87};
  for (int i = 0; i < 216; ++i)
    head.insert(head.end(), {uint8_t(51 * (i / 36)), uint8_t(51 * (i / 6 % 6)), uint8_t(51 * (i % 6))});
  head.resize(head.size() + 40 * 3, 0);
  head.push_back(8);
  ASSERT_GT(bytes.size(), head.size());
  EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + static_cast<long>(head.size())), head);
  EXPECT_EQ(bytes.back(), ';');
  auto oracle = giftest::GiflibRead(bytes);
  ASSERT_TRUE(oracle.ok) << oracle.error;
  ASSERT_EQ(oracle.frames.size(), 1u);
  EXPECT_TRUE(oracle.globalMap.empty());
  EXPECT_EQ(oracle.frames[0].pixels[0], 215);
  EXPECT_EQ(oracle.frames[0].pixels[25 * 277 + 30], 180);
  for (int x = 40; x < 50; ++x) EXPECT_EQ(oracle.frames[0].pixels[25 * 277 + x], 144) << x;
  EXPECT_EQ(oracle.frames[0].pixels[199 * 277 + 276], 215);
}

giftest::OracleGif AnimatedSample() {
  std::mt19937 rng(42);
  giftest::OracleGif in;
  in.width = 40;
  in.height = 30;
  for (int i = 0; i < 4; ++i) in.globalMap.insert(in.globalMap.end(), {uint8_t(i * 60), uint8_t(255 - i * 60), 7});
  in.loops = 3;
  auto frame = [&](int l, int t, int w, int h, int colors, bool local, bool interlaced) {
    giftest::OracleFrame f;
    f.left = l, f.top = t, f.width = w, f.height = h, f.interlaced = interlaced;
    if (local)
      for (int i = 0; i < colors; ++i)
        f.localMap.insert(f.localMap.end(), {uint8_t(i), uint8_t(i * 3), uint8_t(i * 5)});
    for (int i = 0; i < w * h; ++i) f.pixels.push_back(static_cast<uint8_t>(rng() % colors));
    return f;
  };
  in.frames.push_back(frame(0, 0, 40, 30, 4, false, false));
  in.frames.back().comment = std::string(300, 'c');
  in.frames.push_back(frame(5, 3, 17, 11, 16, true, true));
  in.frames.back().transparent = 9;
  in.frames.back().delay = 25;
  in.frames.back().disposal = 2;
  in.frames.push_back(frame(1, 2, 9, 9, 4, false, true));
  in.frames.push_back(frame(0, 0, 40, 30, 256, true, false));
  return in;
}

TEST(GifPicture, GiflibFilesLoadWithFramesMapsAndExtensions) {
  auto in = AnimatedSample();
  auto l = Load(giftest::GiflibWrite(in));
  ASSERT_EQ(l.error, "");
  EXPECT_TRUE(l.warnings.empty());
  TGifPicture& pic = *l.pic;
  EXPECT_EQ(pic.Header().LoadedVersion, "89a");
  EXPECT_EQ(pic.Width(), 40);
  EXPECT_EQ(pic.Height(), 30);
  EXPECT_EQ(pic.Header().ColorMap().Count(), 4);
  ASSERT_EQ(pic.Images().Count(), 4);
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE("frame " + std::to_string(i));
    TGIFSubImage& f = *pic.Images()[i];
    const auto& want = in.frames[static_cast<size_t>(i)];
    EXPECT_EQ(f.BoundsRect(), pf::Rect(want.left, want.top, want.left + want.width, want.top + want.height));
    EXPECT_EQ(f.Data(), want.pixels);
    EXPECT_EQ(f.ColorMap().Count(), static_cast<int>(want.localMap.size() / 3));
    EXPECT_EQ(f.Interlaced(), want.interlaced);
  }
  // frame 0: the loop block and the comment (one 255-byte and one 45-byte line)
  auto& ext0 = pic.Images()[0]->Extensions();
  ASSERT_EQ(ext0.Count(), 2);
  auto* loop = dynamic_cast<TGIFAppExtNSLoop*>(ext0[0]);
  auto* comment = dynamic_cast<TGIFCommentExtension*>(ext0[1]);
  ASSERT_TRUE(loop != nullptr && comment != nullptr);
  EXPECT_EQ(loop->Loops, 3);
  ASSERT_EQ(comment->Text.Count(), 2);
  EXPECT_EQ(comment->Text[0].size(), 255u);
  EXPECT_EQ(comment->Text[1].size(), 45u);
  // frame 1: graphic control
  TGIFSubImage& f1 = *pic.Images()[1];
  ASSERT_NE(f1.GraphicControlExtension(), nullptr);
  EXPECT_TRUE(f1.Transparent());
  EXPECT_EQ(f1.GraphicControlExtension()->TransparentColorIndex(), 9);
  EXPECT_EQ(f1.GraphicControlExtension()->Delay(), 25);
  EXPECT_EQ(f1.GraphicControlExtension()->Disposal(), DisposeBackground);

  // saved again: giflib reads the same pixels and maps; local-map frames are written row by row
  auto again = giftest::GiflibRead(Save(pic));
  ASSERT_TRUE(again.ok) << again.error;
  ASSERT_EQ(again.frames.size(), 4u);
  EXPECT_EQ(again.globalMap, in.globalMap);
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(again.frames[i].pixels, in.frames[i].pixels) << "frame " << i;
    EXPECT_EQ(again.frames[i].localMap, in.frames[i].localMap) << "frame " << i;
  }
  EXPECT_FALSE(again.frames[1].interlaced);
  EXPECT_TRUE(again.frames[2].interlaced);
  EXPECT_EQ(again.frames[1].transparent, 9);
  EXPECT_EQ(again.frames[1].delay, 25);
}

TEST(GifPicture, ReaderToleratesHarmlessInputAndRefusesBrokenBlocks) {
  const auto good = SmallGif({});
  auto lower = good;
  lower[0] = 'g', lower[1] = 'i', lower[2] = 'f';
  auto tailJunk = good;  // bytes after the frames that are neither a block nor the trailer
  tailJunk.back() = 'X';
  tailJunk.push_back('Y');
  // an extension followed by garbage instead of an image separator: no descriptor is read from the garbage
  auto garbage = Cat({good.begin(), good.begin() + 19}, {'!', 0xFE, 1, 'x', 0, 'Z', 0, 0, 0, 0, 9, 0, 9, 0, 0, 2, 1});
  garbage = Cat(garbage, {0, 0, ';'});
  // sizes that would need gigabytes are refused before allocating
  std::vector<uint8_t> huge = {'G', 'I', 'F', '8', '9', 'a', 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0};
  for (int i = 0; i < 20; ++i) huge = Cat(huge, {',', 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 2, 0});
  const std::vector<uint8_t> app9 = {'!', 0xFF, 9, 'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', '1', 0};
  const std::vector<uint8_t> badLoop = {'!', 0xFF, 11,  'N', 'E', 'T', 'S', 'C', 'A',
                                        'P', 'E',  '2', '.', '0', 2,   1,   5,   0};
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
    const char* error;
    std::vector<std::string> warnings;
  };
  const Case cases[] = {
      {"4 junk bytes", Cat({1, 2, 3, 4}, good), "", {}},
      {"3 junk bytes", Cat({1, 2, 3}, good), "Invalid GIF signature", {}},
      {"lower case", lower, "", {}},
      {"zero width", SmallGif({}, 0), "", {"Image exceeds Logical Screen size"}},
      {"tail junk", tailJunk, "", {"Unknown GIF block type", "Invalid Image trailer"}},
      {"garbage", garbage, "", {"Invalid extension introducer", "Unknown GIF block type", "Invalid Image trailer"}},
      {"huge", huge, "Invalid image dimensions", {}},
      {"app block of 9", SmallGif(app9), "Unsupported Application Extension block size", {}},
      {"loop block", SmallGif(badLoop), "Invalid GIF data", {}},
      {"unknown extension", SmallGif({'!', 0x33, 0}), "Unknown extension type", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto l = Load(c.bytes);
    EXPECT_EQ(l.error, c.error);
    EXPECT_EQ(l.warnings, c.warnings);
  }
  EXPECT_EQ(Load(SmallGif({}, 0)).pic->Images()[0]->Width(), 4);
  EXPECT_EQ(Load(tailJunk).pic->Images().Count(), 1);  // the frame stays
  auto g = Load(garbage);
  ASSERT_EQ(g.pic->Images().Count(), 1);
  EXPECT_TRUE(g.pic->Images()[0]->Empty());

  // application block of size 10: kept as unknown data
  auto app10 = Load(SmallGif({'!', 0xFF, 10, 'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', '1', '2', 2, 7, 8, 0}));
  ASSERT_EQ(app10.error, "");
  auto* unknown = dynamic_cast<TGIFUnknownAppExtension*>(app10.pic->Images()[0]->Extensions()[0]);
  ASSERT_NE(unknown, nullptr);
  ASSERT_EQ(unknown->Blocks.size(), 1u);
  EXPECT_EQ(unknown->Blocks[0].Data, (std::vector<uint8_t>{7, 8}));

  // minimum code size 12 in the second frame: the first frame stays, the progress ends at 0 %
  auto two = SmallGif({});
  two.pop_back();
  two = Cat(two, {',', 0, 0, 0, 0, 2, 0, 2, 0, 0, 12, 1, 0, 0, ';'});
  Loaded l;
  std::vector<int> ends;
  l.pic->OnProgress = [&](const pf::TPersistent&, pf::TProgressStage stage, uint8_t percent, bool, const pf::TRect&,
                          const std::string& m) {
    if (stage == pf::psEnding && m == "Loading...") ends.push_back(percent);
  };
  pf::TReadOnlyMemoryStream s(two.data(), static_cast<int64_t>(two.size()));
  EXPECT_EQ(ErrorOf([&] { l.pic->LoadFromStream(s); }), "Invalid GIF data");
  EXPECT_EQ(l.pic->Images().Count(), 2);
  EXPECT_EQ(l.pic->Images()[0]->Data(), (std::vector<uint8_t>{0, 1, 1, 0, 1, 0, 0, 1}));
  EXPECT_EQ(ends, std::vector<int>{0});
}

TEST(GifPicture, VersionAndDescriptorRules) {
  TGifPicture pic;
  EXPECT_EQ(ErrorOf([&] { Save(pic); }), "Unsupported GIF version");
  TGIFSubImage* f = AddFrame(pic, {.width = 3, .height = 2, .colors = {pf::clBlack, pf::clWhite}});
  f->SetInterlaced(true);
  auto bytes = Save(pic);
  EXPECT_EQ(std::string(bytes.begin() + 3, bytes.begin() + 6), "87a");
  EXPECT_EQ(bytes[13 + 9] & 0x40, 0);  // local map: written row by row
  f->Extensions().Add(std::make_unique<TGIFGraphicControlExtension>(f));
  bytes = Save(pic);
  EXPECT_EQ(std::string(bytes.begin() + 3, bytes.begin() + 6), "89a");

  // adding the frame that is already in the list gives a copy, not a second owner
  pic.Add(std::unique_ptr<TGIFSubImage>(f));
  ASSERT_EQ(pic.Images().Count(), 2);
  EXPECT_NE(pic.Images()[1], f);
  EXPECT_EQ(pic.Images()[1]->Data(), f->Data());
  // so does a frame made for another picture, whose extensions then report to this one, not to the other
  std::vector<std::string> warnings;
  pic.OnWarning = [&](const pf::TPersistent&, int, const std::string& m) { warnings.push_back(m); };
  auto other = std::make_unique<TGifPicture>();
  auto foreign = std::make_unique<TGIFSubImage>(other.get());
  foreign->SetBounds(0, 0, 1, 1);
  foreign->ColorMap().Add(pf::clRed);
  foreign->Extensions().Add(std::make_unique<TGIFGraphicControlExtension>(foreign.get()));
  pic.Add(std::move(foreign));
  other.reset();
  ASSERT_EQ(pic.Images().Count(), 3);
  EXPECT_EQ(pic.Images()[2]->Image(), &pic);
  pic.Images()[2]->GraphicControlExtension()->SetTransparentColorIndex(5);
  EXPECT_EQ(warnings, std::vector<std::string>{"Invalid color index"});
  pic.OnWarning = nullptr;

  EXPECT_EQ(ErrorOf([&] { pic.SetWidth(2); }), "Image width too small for contained frames");
  EXPECT_EQ(pic.Width(), 3);
  EXPECT_EQ(ErrorOf([&] { pic.SetHeight(1); }), "Image height too small for contained frames");
}

TEST(GifPicture, BitmapConversionRules) {
  pf::TBitmap many;
  many.SetPixelFormat(pf::pf24bit);
  many.SetSize(257, 1);
  for (int x = 0; x < 257; ++x) many.SetPixel(x, 0, pf::RGB(static_cast<uint8_t>(x), static_cast<uint8_t>(x / 256), 9));
  TGifPicture pic;
  pic.ColorReduction = ReduceNone;
  EXPECT_EQ(ErrorOf([&] { pic.Assign(many); }), "Color table overflow");
  many.SetSize(256, 1);
  pic.Assign(many);
  EXPECT_EQ(pic.Images()[0]->ColorMap().Count(), 256);
  EXPECT_EQ(pic.Images()[0]->ColorMap().Colors(pic.Images()[0]->Data()[200]), pf::RGB(200, 0, 9));

  pf::TBitmap bits4;
  bits4.SetPixelFormat(pf::pf4bit);
  bits4.SetSize(3, 1);
  bits4.SetPixel(1, 0, pf::clRed);
  TGifPicture p4;
  p4.Assign(bits4);
  auto& f = *p4.Images()[0];
  EXPECT_EQ(f.ColorMap().Count(), 16);
  EXPECT_EQ(f.ColorMap().Colors(f.Data()[1]), pf::clRed);
  EXPECT_EQ(f.ColorMap().Colors(f.Data()[0]), pf::clWhite);

  // and back: AssignTo a bitmap renders frame 0
  pf::TBitmap out;
  out.Assign(p4);
  EXPECT_EQ(out.GetPixel(1, 0), pf::clRed);
}

TEST(GifPicture, CopyTakesTheListedSettingsAndClearsTheHandlers) {
  auto l = Load(giftest::GiflibWrite(AnimatedSample()));
  TGifPicture& src = *l.pic;
  src.Compression = CompressRLE;
  src.ReductionBits = 4;
  src.AnimationSpeed = 50;
  src.DrawOptions = DrawAsync;
  int sourceProgress = 0;
  src.OnProgress = [&](const pf::TPersistent&, pf::TProgressStage, uint8_t, bool, const pf::TRect&,
                       const std::string&) { ++sourceProgress; };
  TGifPicture copy;
  copy.OnWarning = [](const pf::TPersistent&, int, const std::string&) {};
  copy.OnProgress = src.OnProgress;
  copy.Assign(src);
  EXPECT_EQ(copy.DrawOptions, DrawAsync);
  EXPECT_EQ(copy.Compression, CompressLZW);
  EXPECT_EQ(copy.ReductionBits, 8);
  EXPECT_EQ(copy.AnimationSpeed, 100);
  EXPECT_EQ(sourceProgress, 2 + 4);  // the copy reported through the source's handler: start, four frames, end
  EXPECT_FALSE(copy.OnWarning);
  EXPECT_FALSE(copy.OnProgress);
  ASSERT_EQ(copy.Images().Count(), 4);
  EXPECT_EQ(copy.Images()[0]->Extensions().Count(), 2);
  // the source writes run-length data, the copy LZW data; both decode to the same frames
  auto a = giftest::GiflibRead(Save(src)), b = giftest::GiflibRead(Save(copy));
  ASSERT_TRUE(a.ok && b.ok);
  for (size_t i = 0; i < 4; ++i) EXPECT_EQ(a.frames[i].pixels, b.frames[i].pixels);
}

TEST(GifColorMap, CapacityOrderAndOptimisation) {
  TGifPicture pic;
  TGIFColorMap& map = pic.Header().ColorMap();
  EXPECT_EQ(map.BitsPerPixel(), 0);
  map.Add(pf::clRed);
  EXPECT_EQ(map.BitsPerPixel(), 1);
  for (int i = 1; i < 17; ++i) map.Add(pf::RGB(static_cast<uint8_t>(i), 0, 0));
  EXPECT_EQ(map.BitsPerPixel(), 5);
  map.Add(pf::clRed);
  EXPECT_EQ(map.IndexOf(pf::clRed), 17);  // unsorted: searched from the end
  map.SetOptimized(true);
  EXPECT_EQ(map.IndexOf(pf::clRed), 0);
  while (map.Count() < 256) map.Add(pf::clBlue);
  EXPECT_EQ(ErrorOf([&] { map.Add(pf::clBlue); }), "Color table overflow");
  EXPECT_EQ(ErrorOf([&] { map.Delete(256); }), "Invalid color index");

  // usage A:1, B:5, C:0 becomes [B, A]; pixels and the transparent index follow
  TGifPicture p2;
  TGIFSubImage* f = AddFrame(p2, {.width = 6,
                                  .height = 1,
                                  .pixels = {0, 1, 1, 1, 1, 1},
                                  .colors = {pf::clRed, pf::clLime, pf::clBlue},
                                  .transparent = 0});
  EXPECT_TRUE(f->ColorMap().Optimize());
  EXPECT_EQ(f->ColorMap().Count(), 2);
  EXPECT_EQ(f->ColorMap().Colors(0), pf::clLime);
  EXPECT_EQ(f->Data(), (std::vector<uint8_t>{1, 0, 0, 0, 0, 0}));
  EXPECT_EQ(f->GraphicControlExtension()->TransparentColorIndex(), 1);
}

TEST(GifPicture, OptimizeCropsMergesAndCleansUp) {
  // the second frame differs in one pixel, the third is identical to the second; each has a comment
  auto fill = [](TGifPicture& pic) {
    AddColors(pic, {pf::clBlack, pf::clWhite, pf::clRed});
    std::vector<uint8_t> base = {0, 0, 0, 0, 0, 1, 1, 0, 0, 1, 1, 0, 0, 0, 0, 0};
    auto changed = base;
    changed[5] = 2;
    for (auto [px, delay] : {std::pair{base, 10}, std::pair{changed, 20}, std::pair{changed, 30}}) {
      TGIFSubImage* f = AddFrame(pic, {.width = 4, .height = 4, .pixels = px, .delay = delay});
      auto c = std::make_unique<TGIFCommentExtension>(f);
      c->Text.Add("note");
      f->Extensions().Add(std::move(c));
    }
  };
  // with optimise-on-save the picture is optimised first, and the file holds it as it is then
  TGifPicture saved;
  fill(saved);
  GIFDefaultOptimizeOnSave = true;
  pf::TMemoryStream written;
  saved.WriteData(written);
  GIFDefaultOptimizeOnSave = false;
  EXPECT_EQ(saved.Images().Count(), 2);
  EXPECT_EQ(std::vector<uint8_t>(written.Memory(), written.Memory() + written.Size()), Save(saved));

  TGifPicture pic;
  fill(pic);
  pic.Optimize(ooCrop | ooMerge | ooCleanup, ReduceNone, DitherNearest, 8);
  ASSERT_EQ(pic.Images().Count(), 2);
  TGIFSubImage& second = *pic.Images()[1];
  EXPECT_EQ(second.BoundsRect(), pf::Rect(1, 1, 2, 2));
  EXPECT_EQ(second.Data(), std::vector<uint8_t>{2});
  EXPECT_EQ(second.GraphicControlExtension()->Delay(), 50);
  for (int i = 0; i < 2; ++i)
    for (int e = 0; e < pic.Images()[i]->Extensions().Count(); ++e)
      EXPECT_EQ(dynamic_cast<TGIFCommentExtension*>(pic.Images()[i]->Extensions()[e]), nullptr);
  EXPECT_EQ(ErrorOf([&] { pic.Optimize(ooReduceColors, ReducePalette, 0, 8); }), "Invalid reduction method");

  // a cropped-away frame's delay joins the one before without wrapping past the largest delay
  TGifPicture longer;
  AddColors(longer, {pf::clBlack, pf::clWhite});
  for (uint8_t pixel : {1, 0})
    AddFrame(longer,
             {.width = 2, .height = 2, .pixels = {pixel, pixel, pixel, pixel}, .transparent = 0, .delay = 40000});
  longer.Optimize(ooCrop, ReduceNone, DitherNearest, 8);
  ASSERT_EQ(longer.Images().Count(), 1);
  EXPECT_EQ(longer.Images()[0]->GraphicControlExtension()->Delay(), 65535);
}

// What the screen shows after each frame, every frame drawn over the ones before.
std::vector<std::vector<pf::TColor>> Looks(TGifPicture& pic) {
  std::vector<std::vector<pf::TColor>> looks;
  std::vector<pf::TColor> screen(static_cast<size_t>(pic.Width()) * pic.Height(), pf::clNone);
  for (int i = 0; i < pic.Images().Count(); ++i) {
    TGIFSubImage& f = *pic.Images()[i];
    const int t = f.Transparent() ? f.GraphicControlExtension()->TransparentColorIndex() : -1;
    for (int y = 0; y < f.Height(); ++y)
      for (int x = 0; x < f.Width(); ++x)
        if (const int px = f.Pixels(x, y); px != t)
          screen[static_cast<size_t>(f.Top() + y) * pic.Width() + f.Left() + x] = f.ActiveColorMap().Colors(px);
    looks.push_back(screen);
  }
  return looks;
}

TEST(GifPicture, MergingKeepsWhatEveryFrameShows) {
  // white 0, red 1; the lower frame is transparent on red
  struct Case {
    const char* name;
    std::vector<uint8_t> over;
    int transparentIndex;  // of the upper frame afterwards
    int colors;            // of the global map afterwards
  };
  const Case cases[] = {
      {"red shown above", {0, 1, 1, 0}, 2, 3},   // red may not become transparent: black is added for it
      {"no red above", {0, 0, 0, 0}, 1, 2},      // the lower frame's index is borrowed
      {"nothing repeats", {1, 1, 0, 0}, -1, 2},  // over red (transparent below) and white on red
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TGifPicture pic;
    AddColors(pic, {pf::clWhite, pf::clRed});
    AddFrame(pic, {.width = 4, .height = 1, .pixels = {0, 0, 1, 1}, .transparent = 1});
    AddFrame(pic, {.width = 4, .height = 1, .pixels = c.over});
    const auto before = Looks(pic);
    pic.Optimize(ooMerge, ReduceNone, DitherNearest, 8);
    EXPECT_EQ(Looks(pic), before);
    const TGIFSubImage& over = *pic.Images()[1];
    EXPECT_EQ(over.Transparent() ? over.GraphicControlExtension()->TransparentColorIndex() : -1, c.transparentIndex);
    EXPECT_EQ(pic.Header().ColorMap().Count(), c.colors);
  }

  // one map holding red twice: red over red repeats the colour whatever its index; red over white does not
  TGifPicture twice;
  AddColors(twice, {pf::clRed, pf::clRed, pf::clWhite});
  AddFrame(twice, {.width = 2, .height = 1, .pixels = {0, 2}});
  AddFrame(twice, {.width = 2, .height = 1, .pixels = {1, 1}});
  const auto before = Looks(twice);
  twice.Optimize(ooMerge, ReduceNone, DitherNearest, 8);
  EXPECT_EQ(Looks(twice), before);
  const TGIFSubImage& over = *twice.Images()[1];
  ASSERT_TRUE(over.Transparent());
  EXPECT_EQ(over.GraphicControlExtension()->TransparentColorIndex(), 3);  // black added for it
  EXPECT_EQ(over.Data(), (std::vector<uint8_t>{3, 1}));
}

// The cached bitmap of the picture tells it when its palette changes. A frame bitmap of more than 500,000 pixels
// starts at 1 bit per pixel, which shows where nothing replaces it: a frame without pixels, here one whose load
// broke off in its colour table.
TEST(GifPicture, BitmapsOfThePictureAndItsFrames) {
  TGifPicture pic;
  AddFrame(pic, {.width = 2, .height = 1, .pixels = {0, 1}, .colors = {pf::clBlack, pf::clWhite}});
  pf::TBitmap* cached = pic.Bitmap();
  ASSERT_NE(cached, nullptr);
  pic.SetPaletteModified(false);
  cached->SetSize(3, 1);  // no palette change
  EXPECT_FALSE(pic.PaletteModified());
  cached->SetPalette(WebPalette());
  EXPECT_TRUE(pic.PaletteModified());
  EXPECT_EQ(pic.Bitmap(), cached);

  for (const int height : {500, 501}) {
    SCOPED_TRACE(height);
    const auto h0 = static_cast<uint8_t>(height & 0xFF), h1 = static_cast<uint8_t>(height >> 8);
    // a black and white screen of 1000 x height, and a frame of that size announcing a local table of 256 colours
    // that is not there
    const std::vector<uint8_t> screen = {'G',  'I', 'F', '8', '9', 'a', 0xE8, 0x03, h0, h1,
                                         0x80, 0,   0,   0,   0,   0,   255,  255,  255};
    Loaded l = Load(Cat(screen, {',', 0, 0, 0, 0, 0xE8, 0x03, h0, h1, 0x87, 1, 2, 3}));
    EXPECT_EQ(l.error, "Premature end of data");
    ASSERT_EQ(l.pic->Images().Count(), 1);
    ASSERT_TRUE(l.pic->Images()[0]->Empty());
    const pf::TBitmap* bmp = l.pic->Images()[0]->Bitmap();
    EXPECT_EQ(bmp->PixelFormat(), height > 500 ? pf::pf1bit : pf::pfDevice);
    EXPECT_EQ(bmp->Width(), 1000);
    EXPECT_EQ(bmp->Height(), height);
  }
}

TEST(GifPicture, DrawingScalesMasksAndTiles) {
  TGifPicture pic;
  AddColors(pic, {pf::clBlue, pf::clLime});
  AddFrame(pic, {.width = 2, .height = 2, .pixels = {0, 1, 1, 0}, .transparent = 1});
  pic.SetWidth(4);
  pic.SetHeight(4);

  pf::TBitmap target{8, 8};
  target.Canvas().Brush().SetColor(pf::clRed);
  target.Canvas().FillRect(pf::Rect(0, 0, 8, 8));
  pic.Draw(target.Canvas(), pf::Rect(0, 0, 8, 8));  // frame covers the top-left quarter, scaled by 2
  EXPECT_EQ(target.Canvas().Pixels(0, 0), pf::clBlue);
  EXPECT_EQ(target.Canvas().Pixels(3, 0), pf::clRed);  // transparent: left as it was
  EXPECT_EQ(target.Canvas().Pixels(2, 2), pf::clBlue);
  EXPECT_EQ(target.Canvas().Pixels(5, 5), pf::clRed);  // outside the frame

  pic.DrawOptions = static_cast<TGIFDrawOptions>(pic.DrawOptions | DrawTile);
  pf::TBitmap tiled{10, 10};
  pic.Draw(tiled.Canvas(), pf::Rect(0, 0, 10, 10));
  EXPECT_EQ(tiled.Canvas().Pixels(4, 4), pf::clBlue);
  EXPECT_EQ(tiled.Canvas().Pixels(8, 8), pf::clBlue);
  EXPECT_EQ(tiled.Canvas().Pixels(9, 8), pf::clWhite);

  TGifPicture empty;
  pf::TBitmap untouched{2, 2};
  empty.Draw(untouched.Canvas(), pf::Rect(0, 0, 2, 2));
  EXPECT_EQ(untouched.GetPixel(0, 0), pf::clWhite);
}

TEST(GifPicture, DitheredRenderingProgressAndClipboard) {
  TGifPicture pic;
  AddColors(pic, {pf::RGB(51, 102, 153), pf::RGB(255, 255, 255), pf::RGB(100, 100, 100)});
  AddFrame(pic, {.width = 3, .height = 1, .pixels = {0, 1, 2}});
  AddFrame(pic, {.width = 3, .height = 1, .pixels = {0, 1, 2}, .transparent = 2});

  // forced dithering: web colours come out exactly; a transparent pixel keeps the web index of its colour
  pic.DrawOptions = static_cast<TGIFDrawOptions>((pic.DrawOptions | DrawDither) & ~DrawAutoDither);
  pf::TBitmap* plain = pic.Images()[0]->Bitmap();
  EXPECT_EQ(plain->ScanLine(0)[0], 1 * 36 + 2 * 6 + 3);
  EXPECT_EQ(plain->ScanLine(0)[1], 215);
  pf::TBitmap* masked = pic.Images()[1]->Bitmap();
  EXPECT_EQ(masked->ScanLine(0)[2], 2 * 36 + 2 * 6 + 2);  // (100, 100, 100) at level 2
  ASSERT_NE(pic.Images()[1]->Mask(), nullptr);
  EXPECT_EQ(pic.Images()[1]->Mask()->ScanLine(0)[0], 0x20);
  EXPECT_EQ(pf::GetPaletteEntries(pic.GetPalette(), 0, 0, nullptr), 216);

  std::vector<std::pair<int, int>> progress;
  pic.OnProgress = [&](const pf::TPersistent&, pf::TProgressStage stage, uint8_t percent, bool, const pf::TRect&,
                       const std::string& m) {
    if (m == "Saving...") progress.emplace_back(stage, percent);
  };
  uint16_t format = 0;
  std::vector<uint8_t> data;
  pf::HPALETTE palette;
  pic.SaveToClipboardFormat(format, data, palette);
  EXPECT_EQ(progress, (std::vector<std::pair<int, int>>{
                          {pf::psStarting, 0}, {pf::psRunning, 50}, {pf::psRunning, 100}, {pf::psEnding, 100}}));
  // the bitmap goes out to the caller, the GIF bytes straight onto the clipboard
  EXPECT_EQ(format, pf::CF_BITMAP);
  EXPECT_TRUE(pf::ClipboardService().HasFormat(CF_GIF()));
  TGifPicture back;
  back.LoadFromClipboardFormat(CF_GIF(), {}, palette);  // no data: taken from the clipboard
  ASSERT_EQ(back.Images().Count(), 2);
  EXPECT_TRUE(back.Images()[1]->Transparent());
  TGifPicture flat;
  flat.LoadFromClipboardFormat(format, data, palette);
  ASSERT_EQ(flat.Images().Count(), 1);
  EXPECT_EQ(flat.Width(), 3);
  EXPECT_THROW(back.LoadFromClipboardFormat(12345, data, palette), GIFException);

  // registered as a graphic class for the extension
  auto graphic = pf::TPicture::CreateGraphicForExtension("gif");
  ASSERT_NE(graphic, nullptr);
  EXPECT_EQ(graphic->ClassName(), "TGifPicture");
}

TEST(GifPicture, AClipboardThatRefusesTheGifBytesIsReported) {
  struct Refusing : pf::IClipboardService {
    void Open() override {}
    void Close() override {}
    void Clear() override {}
    bool HasFormat(uint16_t) override { return false; }
    std::optional<std::vector<uint8_t>> GetData(uint16_t) override { return std::nullopt; }
    bool SetData(uint16_t, std::vector<uint8_t>) override { return false; }
  } refusing;
  TGifPicture pic;
  AddFrame(pic, {.width = 2, .height = 1, .pixels = {0, 1}, .colors = {pf::clBlack, pf::clWhite}});
  pf::SetClipboardService(&refusing);
  uint16_t format = 0;
  std::vector<uint8_t> data;
  pf::HPALETTE palette;
  std::string message;
  try {
    pic.SaveToClipboardFormat(format, data, palette);
  } catch (const GIFException& e) {
    message = e.what();
  }
  EXPECT_EQ(message, "Failed to store GIF on clipboard");
  EXPECT_THROW(pic.LoadFromClipboardFormat(CF_GIF(), {}, palette), GIFException);  // nothing to read
  pf::SetClipboardService(nullptr);
}

TEST(GifPicture, FrameBoundsAndTransparentIndexWarn) {
  TGifPicture pic;
  std::vector<std::string> warnings;
  pic.OnWarning = [&](const pf::TPersistent&, int, const std::string& m) { warnings.push_back(m); };
  auto f = std::make_unique<TGIFSubImage>(&pic);
  TGIFSubImage* frame = f.get();
  pic.Add(std::move(f));
  frame->SetBounds(0, 0, 10, 5);  // an empty screen just grows
  EXPECT_TRUE(warnings.empty());
  EXPECT_EQ(pic.Width(), 10);
  frame->SetBounds(4, 0, 10, 6);
  EXPECT_EQ(warnings, (std::vector<std::string>{"Image width too small for contained frames",
                                                "Image height too small for contained frames",
                                                "Image exceeds Logical Screen size"}));
  EXPECT_EQ(pic.Width(), 14);
  EXPECT_EQ(pic.Height(), 6);
  EXPECT_EQ(frame->DataSize(), 60);
  EXPECT_EQ(ErrorOf([&] { frame->Pixels(10, 0); }), "Invalid pixel coordinates");

  warnings.clear();
  frame->ColorMap().Add(pf::clBlack);
  frame->ColorMap().Add(pf::clWhite);
  auto gce = std::make_unique<TGIFGraphicControlExtension>(frame);
  gce->SetTransparentColorIndex(2);
  EXPECT_EQ(gce->TransparentColorIndex(), 0);
  EXPECT_EQ(warnings, std::vector<std::string>{"Invalid color index"});
  EXPECT_EQ(frame->ColorMap().Colors(5), pf::clBlack);  // warns and reads entry 0
  frame->ColorMap().Clear();
  EXPECT_EQ(ErrorOf([&] { frame->ColorMap().Colors(0); }), "Color table is empty");
}

}  // namespace
