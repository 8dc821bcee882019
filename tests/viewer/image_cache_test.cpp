// The image cache and loading from inside: recognition, the loader choice with and without GDI+, masks of
// transparent GIF and PNG pictures, the transparent colour of PNG files, the cache's reference counts and ageing,
// and picture objects sized, painted and hit in the text.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "platform/core/files.h"
#include "platform/core/strings.h"
#include "platform/graphics/fonts.h"
#include "tests/gif/giflib_oracle.h"
#include "tests/platform/graphics/png_oracle.h"
#include "viewer/animated_images.h"
#include "viewer/borders.h"
#include "viewer/font_runs.h"
#include "viewer/html_tables.h"
#include "viewer/image_cache.h"
#include "viewer/image_map.h"
#include "viewer/section_list.h"

namespace {

using namespace viewer;
using Bytes = std::vector<uint8_t>;

std::string Text(const Bytes& b) { return std::string(b.begin(), b.end()); }

// A folder of its own for the test's files.
struct Folder {
  Folder() : path(std::filesystem::temp_directory_path() / ("pexu-images-" + std::to_string(::getpid()))) {
    std::filesystem::create_directories(path);
  }
  ~Folder() { std::filesystem::remove_all(path); }
  std::string File(const std::string& name) const { return (path / name).string(); }
  void Write(const std::string& name, const Bytes& bytes) const { pf::AtomicWriteFile(File(name), Text(bytes)); }
  std::filesystem::path path;
};

// A 3 x 2 GIF (red, green, blue, white) with pixels (1, 0) and (2, 1) transparent; frames > 1 makes it animated.
Bytes TransparentGif(int frames = 1) {
  giftest::OracleGif g;
  g.width = 3, g.height = 2, g.globalMap = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255};
  for (int i = 0; i < frames; ++i) {
    giftest::OracleFrame f;
    f.width = 3, f.height = 2, f.pixels = {0, 3, 1, 2, 1, 3}, f.transparent = 3;
    g.frames.push_back(f);
  }
  return giftest::GiflibWrite(g);
}

// The PNG file with its chunks as edit leaves them.
template <class Edit>
Bytes Rechunked(const Bytes& png, Edit edit) {
  std::vector<pf::test::ChunkRecord> chunks = pf::test::Chunks(png);
  edit(chunks);
  Bytes out(png.begin(), png.begin() + 8);
  for (const pf::test::ChunkRecord& c : chunks) {
    const Bytes framed = pf::test::Chunk(c.type, c.data);
    out.insert(out.end(), framed.begin(), framed.end());
  }
  return out;
}

Bytes BmpOf(int32_t w, int32_t h) {
  pf::TBitmap bitmap(w, h, pf::pf24bit);
  pf::TMemoryStream out;
  bitmap.SaveToStream(out);
  return Bytes(out.Memory(), out.Memory() + out.Size());
}

// The white pixels of a mask as "x,y" joined by blanks.
std::string WhiteOf(const pf::TBitmap& mask) {
  std::string where;
  for (int32_t y = 0; y < mask.Height(); ++y)
    for (int32_t x = 0; x < mask.Width(); ++x)
      if (mask.GetPixel(x, y) == pf::clWhite)
        where += (where.empty() ? "" : " ") + std::to_string(x) + "," + std::to_string(y);
  return where;
}

// GDI+ available or not for the test's lifetime (no other user may hold it).
struct GdiPlus {
  explicit GdiPlus(bool available) {
    pf::SetGdiPlusAvailable(available);
    pf::LoadGdiPlus();
  }
  ~GdiPlus() {
    pf::UnloadGdiPlus();
    pf::SetGdiPlusAvailable(true);
  }
};

TEST(ImageLoading, PicturesAreRecognisedByTheirBytes) {
  const struct {
    std::string bytes;
    TImageKind kind;
  } cases[] = {{"GIF89a", ikGif89}, {"GIF87a", ikGif87},      {"GIF8x", ikGif87}, {"\x89PNG\r\n\x1a\n", ikPng},
               {"BM", ikBmp},       {"\xFF\xD8\xFF", ikJpeg}, {"ABCD", ikNone},   {"GIF", ikNone}};
  for (const auto& c : cases)
    EXPECT_EQ(DetectImageType(reinterpret_cast<const uint8_t*>(c.bytes.data()), c.bytes.size()), c.kind) << c.bytes;
  Folder dir;
  dir.Write("photo.jpg", pf::test::WritePng({2, 8}));
  EXPECT_EQ(DetectFileImageType(dir.File("photo.jpg")), ikPng);
  EXPECT_THROW(QueryImageWidth(TImageRef()), pf::EGDIPlus);
}

// Which class each kind of file becomes, with GDI+ and without, and the masks that come with it.
TEST(ImageLoading, TheLoaderChoiceAndTheMasksOfTransparentPictures) {
  Folder dir;
  pf::test::PngSpec palette(3, 4);
  palette.paletteAlpha = {255, 255, 0};  // entry 2 transparent
  pf::test::PngSpec keyed(2, 8);
  keyed.keyFirstPixel = true;
  keyed.gamma = 45455;  // the mask must match the corrected colours
  // A GIF whose transparent colour no pixel has.
  giftest::OracleGif opaque;
  opaque.width = 2, opaque.height = 1, opaque.globalMap = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255};
  opaque.frames.resize(1);
  opaque.frames[0].width = 2, opaque.frames[0].height = 1, opaque.frames[0].pixels = {0, 1};
  opaque.frames[0].transparent = 2;
  // The palette picture's tRNS out of place behind the image data, and with alphas for one entry more than the
  // palette has: neither counts.
  const Bytes paletteFile = pf::test::WritePng(palette);
  const Bytes trnsBehind = Rechunked(paletteFile, [](std::vector<pf::test::ChunkRecord>& chunks) {
    auto trns = std::find_if(chunks.begin(), chunks.end(), [](const auto& c) { return c.type == "tRNS"; });
    const pf::test::ChunkRecord moved = *trns;
    chunks.erase(trns);
    chunks.insert(chunks.end() - 1, moved);
  });
  const size_t entries = pf::test::ChunkData(paletteFile, "PLTE").size() / 3;
  const Bytes trnsTooLong = Rechunked(paletteFile, [&](std::vector<pf::test::ChunkRecord>& chunks) {
    for (pf::test::ChunkRecord& c : chunks)
      if (c.type == "tRNS") c.data.resize(entries + 1, 255);
  });
  const std::pair<const char*, Bytes> files[] = {
      {"a.gif", TransparentGif()}, {"b.gif", TransparentGif(2)},
      {"c.png", paletteFile},      {"d.png", pf::test::WritePng(keyed)},
      {"e.bmp", BmpOf(4, 3)},      {"g.gif", giftest::GiflibWrite(opaque)},
      {"h.png", trnsBehind},       {"i.png", trnsTooLong},
  };
  for (const auto& [name, bytes] : files) dir.Write(name, bytes);
  std::filesystem::copy_file(std::string(PEXU_SOURCE_DIR) + "/resources/pics/seitenkopf.jpg", dir.File("f.jpg"));
  // The pixels libpng makes transparent.
  auto transparentOf = [](const Bytes& png) {
    const pf::test::RgbImage rgba = pf::test::DecodePng(png, pf::test::Alpha::Keep);
    std::string where;
    for (int i = 0; i < rgba.width * rgba.height; ++i)
      if (rgba.rgb[size_t(i) * 4 + 3] == 0)
        where += (where.empty() ? "" : " ") + std::to_string(i % rgba.width) + "," + std::to_string(i / rgba.width);
    return where;
  };
  const struct {
    const char* name;
    bool gdiPlus;
    int kind;  // the variant's index: 1 bitmap, 2 GDI+ picture, 3 animated
    uint8_t transparency;
    std::string masked;
  } cases[] = {
      {"a.gif", true, 1, tkGivenMask, "1,0 2,1"},
      {"b.gif", true, 3, tkNone, ""},
      {"c.png", true, 2, tkNone, ""},
      {"c.png", false, 1, tkPngColor, transparentOf(files[2].second)},
      {"d.png", false, 1, tkPngColor, transparentOf(files[3].second)},
      {"e.bmp", false, 1, tkNone, ""},
      {"f.jpg", true, 1, tkNone, ""},
      {"g.gif", true, 1, tkNone, ""},
      {"h.png", false, 1, tkNone, transparentOf(files[6].second)},
      {"i.png", false, 1, tkNone, transparentOf(files[7].second)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.name) + (c.gdiPlus ? " with GDI+" : " without GDI+"));
    GdiPlus gdiPlus(c.gdiPlus);
    TTransparency transparency = tkNone;
    std::unique_ptr<pf::TBitmap> mask;
    const TLoadedImage image = LoadImageFile(dir.File(c.name), transparency, mask);
    EXPECT_EQ(int(image.index()), c.kind) << ImageLoadError();
    EXPECT_EQ(transparency, c.transparency);
    EXPECT_EQ(mask ? WhiteOf(*mask) : "", c.masked);
    if (mask) {  // black under the mask, so that ORing the picture adds nothing there
      const pf::TBitmap& bitmap = *std::get<std::unique_ptr<pf::TBitmap>>(image);
      for (int32_t y = 0; y < bitmap.Height(); ++y)
        for (int32_t x = 0; x < bitmap.Width(); ++x)
          if (mask->GetPixel(x, y) == pf::clWhite) {
            EXPECT_EQ(bitmap.GetPixel(x, y), pf::clBlack);
          }
    }
  }
}

// The cache under a script of document loads: a picture nobody uses stays MaxCache loads after its last use, a used
// one stays however old, usage never drops below 0, and a lower limit frees the old unused pictures at once.
TEST(ImageCache, ReferenceCountsAndAgeing) {
  TStringBitmapList cache;
  const struct {
    const char* op;
    const char* key;
    int times;
    const char* cached;  // after the step
  } script[] = {
      {"limit", "", 5, ""},          {"add", "A", 1, "A"},     {"add", "H", 1, "A H"},   {"release", "A", 1, "A H"},
      {"release", "NONE", 1, "A H"}, {"load", "", 5, "A H"},                         // A is 5 loads old
      {"load", "", 1, "H"},                                                          // 6 > 5: dropped; H is held
      {"release", "H", 2, "H"},                                                      // not below 0
      {"use", "H", 1, "H"},                                                          // held again, age 0
      {"load", "", 10, "H"},         {"release", "H", 1, "H"}, {"load", "", 1, ""},  // 11 loads old and free
      {"add", "B", 1, "B"},          {"use", "B", 1, "B"},                           // two users
      {"release", "B", 1, "B"},      {"load", "", 7, "B"},     {"release", "B", 1, "B"}, {"add", "C", 1, "B C"},
      {"release", "C", 1, "B C"},    {"limit", "", 0, "C"},  // B (7 loads old) goes, C (0 loads old) stays
      {"load", "", 1, ""},
  };
  for (const auto& step : script) {
    const std::string op = step.op;
    for (int i = 0; i < step.times; ++i) {
      int index = -1;
      if (op == "add")
        cache.AddObject(step.key, std::make_unique<TBitmapItem>(std::make_unique<pf::TBitmap>(1, 1), nullptr, tkNone));
      else if (op == "use" && cache.Find(step.key, index))
        cache.UseImage(index);
      else if (op == "release")
        cache.ReleaseUsage(step.key);
      else if (op == "load")
        cache.AgeAndPurge();
    }
    if (op == "limit") cache.ApplyCacheLimit(step.times);
    std::string keys;
    for (int i = 0; i < cache.Count(); ++i) keys += (keys.empty() ? "" : " ") + cache[i];
    EXPECT_EQ(keys, step.cached) << op << " " << step.key;
  }
  EXPECT_EQ(cache.MaxCache, 0);
}

// Bitmaps for the screen: below 8 bits per pixel rebuilt in their colours, true colour reduced to the shared
// palette on palette screens.
TEST(ImageLoading, BitmapsForTheScreen) {
  auto mono = std::make_unique<pf::TBitmap>(2, 1, pf::pf1bit);
  mono->SetColorTable({pf::ColorToRGBQuad(pf::clRed), pf::ColorToRGBQuad(pf::clBlue)});
  mono->SetPixel(0, 0, pf::clRed);
  mono->SetPixel(1, 0, pf::clBlue);
  auto rebuilt = AdaptBitmapToScreen(std::move(mono));
  EXPECT_EQ(rebuilt->PixelFormat(), pf::pfDevice);
  EXPECT_EQ(std::make_pair(rebuilt->GetPixel(0, 0), rebuilt->GetPixel(1, 0)), std::make_pair(pf::clRed, pf::clBlue));
  pf::SetScreenBitsPerPixelOverride(8);
  auto reduced = AdaptBitmapToScreen(std::make_unique<pf::TBitmap>(4, 4, pf::pf24bit));
  pf::SetScreenBitsPerPixelOverride(0);
  EXPECT_EQ(reduced->PixelFormat(), pf::pf8bit);
  EXPECT_EQ(reduced->ColorTable().size(), 256u);
}

// ---- pictures in a document ----

class Viewer : public IViewerControl {
 public:
  pf::TObject* Sender() override { return nullptr; }
  std::string ExpandFileName(const std::string& name) override { return pf::PathJoin(folder, name); }
  void SetCodePage(int) override {}
  void FollowLinkByKey(const TUrlTarget&) override {}
  void DocumentKeyPress(char&) override {}
  void DoProgress(int) override {}
  std::string folder;
};

struct Page {
  Page() : list(&viewer, nullptr) {
    pf::SetFontService(pf::CreateFixedMetricFontService());
    InitializeViewerShared();
    viewer.folder = dir.path.string();
    list.BitmapList = &cache;
    dir.Write("p.bmp", BmpOf(200, 100));
    dir.Write("a.gif", TransparentGif());
    dir.Write("b.gif", TransparentGif(2));
  }
  ~Page() {
    FinalizeViewerShared();
    pf::SetFontService(nullptr);
  }
  // A picture of IMG attributes ("SRC=p.bmp WIDTH=50%"), sized for the room.
  std::unique_ptr<TImageObj> Image(const std::string& attributes, int32_t availWidth = 400, int32_t availHeight = 0,
                                   TFontObj* run = nullptr) {
    TAttributeList parsed;
    std::istringstream words(attributes);
    for (std::string a; words >> a;) {
      const std::string name = a.substr(0, a.find('=')), value = a.substr(a.find('=') + 1);
      parsed.Add(std::make_unique<TAttribute>(LookupAttribute(pf::UpperCase(name)), std::atoi(value.c_str()), name,
                                              value, 1252));
    }
    auto image = std::make_unique<TImageObj>(&list, 0, parsed);
    image->ComputeSize(canvas.Canvas(), availHeight, availWidth, run);
    return image;
  }
  int Users(const std::string& name) {
    int index = -1;
    return cache.Find(ImageCacheKey(dir.File(name)), index) ? cache.Item(index)->UsageCount : -1;
  }
  Folder dir;
  Viewer viewer;
  TStringBitmapList cache;
  TSectionList list;
  pf::TBitmap canvas{100, 100, pf::pf24bit};
};

// Masks only where a picture is transparent, and only for the requests that get them: a page background asks for the
// mask of a bitmap's own transparent colour, yet a GIF or BMP without transparency gets none (its bottom-left colour
// stays); a bitmap handler's transparent picture gets one for that request alone, the same picture fetched for an IMG
// afterwards none. Names that differ in letter case are two files.
TEST(ImageCache, MasksOnlyWhereAPictureIsTransparentAndOnlyForTheRequestsThatAsk) {
  Page page;
  giftest::OracleGif two;  // red and blue, without transparency: the bottom-left pixel is red
  two.width = 2, two.height = 1, two.globalMap = {255, 0, 0, 0, 0, 255};
  giftest::OracleFrame frame;
  frame.width = 2, frame.height = 1, frame.pixels = {0, 1};
  two.frames.push_back(frame);
  page.dir.Write("two.gif", giftest::GiflibWrite(two));
  pf::test::PngSpec red(2, 8, false, -1, 1, 1), blue = red;
  red.samples = {255, 0, 0}, blue.samples = {0, 0, 255};
  page.dir.Write("c.png", pf::test::WritePng(red));
  page.dir.Write("C.png", pf::test::WritePng(blue));
  const struct {
    const char* name;
    TMaskRequest request;
    TTransparency transparency;
    std::string masked;
    std::vector<pf::TColor> shown;  // the top row of the picture drawn at its size over grey
  } steps[] = {
      {"two.gif", mrOwnMask, tkNone, "", {pf::clRed, pf::clBlue}},
      {"two.gif", mrNone, tkNone, "", {pf::clRed, pf::clBlue}},
      {"a.gif", mrOwnMask, tkGivenMask, "1,0 2,1", {pf::clRed, pf::clGray, pf::clLime}},
      {"c.png", mrNone, tkNone, "", {pf::clRed}},
      {"C.png", mrNone, tkNone, "", {pf::clBlue}},
      {"keyed", mrNone, tkNone, "", {pf::clLime, pf::clGray}},  // the bitmap itself is transparent
      {"keyed", mrOwnMask, tkOwnMask, "1,0", {pf::clLime, pf::clGray}},
      {"keyed", mrNone, tkNone, "", {pf::clLime, pf::clGray}},
  };
  for (const auto& step : steps) {
    const std::string name = step.name;
    SCOPED_TRACE(name + (step.request == mrOwnMask ? " with an own mask asked for" : ""));
    if (name == "keyed")  // a handler's picture, marked transparent in yellow
      page.list.OnBitmapRequest = [](pf::TObject*, const std::string&, pf::TBitmap*& bitmap, pf::TColor&) {
        bitmap = new pf::TBitmap(2, 1, pf::pf24bit);
        bitmap->SetPixel(0, 0, pf::clLime);
        bitmap->SetPixel(1, 0, pf::clYellow);
        bitmap->SetTransparentColor(pf::clYellow);
        bitmap->SetTransparent(true);
      };
    TTransparency transparency = tkPngColor;
    pf::TBitmap* mask = nullptr;
    bool fromCache = false, delayed = false;
    const TImageRef image = FetchImage(page.list, name == "keyed" ? name : page.dir.File(name), step.request,
                                       transparency, mask, fromCache, delayed);
    ASSERT_FALSE(IsEmpty(image)) << ImageLoadError();
    EXPECT_EQ(transparency, step.transparency);
    EXPECT_EQ(mask ? WhiteOf(*mask) : "", step.masked);
    const int32_t w = QueryImageWidth(image), h = QueryImageHeight(image);
    pf::TBitmap shown(w, h, pf::pf24bit);
    shown.Canvas().Brush().SetColor(pf::clGray);
    shown.Canvas().FillRect(pf::Rect(0, 0, w, h));
    DrawPicture(shown.Canvas(), image, mask, 0, 0, w, h);
    std::vector<pf::TColor> colors;
    for (int32_t x = 0; x < w; ++x) colors.push_back(shown.GetPixel(x, 0));
    EXPECT_EQ(colors, step.shown);
  }
  EXPECT_EQ(page.cache.Count(), 5);
}

// Sizes of a 200 x 100 picture and of placeholders (ALT text in the fixed-metric Arial 8 pt: "Logo" is 23 x 13).
TEST(ImageObjects, SizeForTheRoomTheAttributesAndTheLink) {
  Page page;
  TFontObj link(nullptr, std::make_unique<TMyFont>(), 0);
  link.UrlTarget.Url = "x.html";
  const struct {
    const char* attributes;
    int32_t availWidth, availHeight;
    bool inLink;
    int32_t width, height;
    bool fixed;
  } cases[] = {
      {"SRC=p.bmp", 400, 0, false, 200, 100, false},
      {"SRC=p.bmp WIDTH=50%", 400, 0, false, 200, 100, false},
      {"SRC=p.bmp HEIGHT=50", 400, 0, false, 100, 50, false},
      {"SRC=p.bmp WIDTH=30 HEIGHT=70", 400, 0, false, 30, 70, true},
      {"SRC=p.bmp WIDTH=50% HEIGHT=25%", 400, 200, false, 200, 50, false},
      {"SRC=p.bmp HEIGHT=50%", 400, 0, false, 400, 200, false},  // no height: the width is the base
      {"SRC=p.bmp", 400, 0, true, 202, 102, false},
      {"SRC=p.bmp BORDER=0", 400, 0, true, 200, 100, false},
      {"SRC=p.bmp BORDER=3 WIDTH=100%", 400, 0, false, 400, 203, false},  // the room less the frame, then the frame
      {"SRC=none.gif ALT=Logo", 400, 0, false, 49, 24, false},
      {"SRC=none.gif", 400, 0, false, 24, 24, false},
      {"SRC=none.gif WIDTH=10 HEIGHT=12", 400, 0, false, 10, 12, false},
  };
  for (const auto& c : cases) {
    auto image = page.Image(c.attributes, c.availWidth, c.availHeight, c.inLink ? &link : nullptr);
    EXPECT_EQ(image->ObjWidth, c.width) << c.attributes;
    EXPECT_EQ(image->ObjHeight, c.height) << c.attributes;
    EXPECT_EQ(image->SizeFixed, c.fixed) << c.attributes;
    EXPECT_EQ(image->IsPlaceholder(), std::string(c.attributes).find("none") != std::string::npos) << c.attributes;
  }
}

// Every picture object counts as a user of its cached picture while it holds it, print copies too; an animated
// picture is copied per object into the document's animated list; a picture still to come waits in MissingImages.
TEST(ImageObjects, UsersOfCachedPicturesAnimatedCopiesAndWaitingPictures) {
  Page page;
  {
    auto first = page.Image("SRC=p.bmp"), second = page.Image("SRC=p.bmp");
    EXPECT_EQ(page.cache.Count(), 1);
    EXPECT_EQ(page.Users("p.bmp"), 2);
    {
      TImageObj copy(&page.list, *second);
      EXPECT_EQ(page.Users("p.bmp"), 3);
    }
    first.reset();
    EXPECT_EQ(page.Users("p.bmp"), 1);
    auto gif = page.Image("SRC=b.gif"), again = page.Image("SRC=b.gif");
    EXPECT_NE(std::get<TgfAnimatedImage*>(gif->Image), std::get<TgfAnimatedImage*>(again->Image));
    EXPECT_EQ(page.list.AGifList, (std::vector<TgfAnimatedImage*>{gif->OwnGif.get(), again->OwnGif.get()}));
    gif.reset();
    EXPECT_EQ(page.list.AGifList.size(), 1u);
  }
  EXPECT_EQ(page.Users("p.bmp"), 0);
  EXPECT_EQ(page.Users("b.gif"), 0);
  page.list.OnImageRequest = [](pf::TObject*, const std::string&, pf::TMemoryStream*& stream) {
    stream = ImageWaitStream();
  };
  auto waiting = page.Image("SRC=later.gif"), also = page.Image("SRC=later.gif");
  EXPECT_TRUE(waiting->Delayed && also->Delayed);
  EXPECT_EQ(std::get<pf::TBitmap*>(waiting->Image), DefBitmap());
  EXPECT_EQ(page.list.MissingImages.Count(), 2);
  waiting.reset();
  ASSERT_EQ(page.list.MissingImages.Count(), 1);
  EXPECT_EQ(page.list.MissingImages.GetObject(0), also.get());
  // The picture arrives: fetched anew, it comes from the handler's stream.
  pf::TMemoryStream arrived;
  const Bytes gif = TransparentGif();
  arrived.WriteBuffer(gif.data(), int32_t(gif.size()));
  page.list.OnImageRequest = [&](pf::TObject*, const std::string&, pf::TMemoryStream*& stream) { stream = &arrived; };
  also->ReleasePicture();
  also->ComputeSize(page.canvas.Canvas(), 0, 400, nullptr);
  EXPECT_EQ(page.list.MissingImages.Count(), 0);
  EXPECT_EQ(std::make_tuple(also->ObjWidth, also->Transparent, also->Delayed), std::make_tuple(3, tkGivenMask, false));
}

// A page laid out while images are off shows placeholder boxes with the error picture; once images are shown, the
// pictures come.
TEST(ImageObjects, PicturesLaidOutWithImagesOffComeWhenImagesAreShown) {
  Page page;
  page.list.ShowImages = false;
  auto image = page.Image("SRC=p.bmp ALT=Logo ALIGN=TOP");
  EXPECT_TRUE(image->IsPlaceholder());
  EXPECT_EQ(std::make_pair(image->ObjWidth, image->ObjHeight), std::make_pair(49, 24));
  image->Paint(page.canvas.Canvas(), 0, 0, 0, nullptr);
  EXPECT_EQ(page.canvas.GetPixel(4 + 3, 4 + 4), pf::clRed);  // the error picture's cross
  page.list.ShowImages = true;
  image->ComputeSize(page.canvas.Canvas(), 0, 400, nullptr);
  EXPECT_FALSE(image->IsPlaceholder());
  EXPECT_EQ(std::make_pair(image->ObjWidth, image->ObjHeight), std::make_pair(200, 100));
}

// A transparent GIF drawn in a frame of the link's colour shows the page through its transparent pixels; alignment
// places it in the line; the hit test finds the point inside the frame and the picture's map.
TEST(ImageObjects, PaintPlacementAndHitTests) {
  Page page;
  TFontObj link(nullptr, std::make_unique<TMyFont>(), 0);
  link.TheFont->SetColor(pf::clBlue);
  link.UrlTarget.Url = "x.html";
  auto image = page.Image("SRC=a.gif WIDTH=30 HEIGHT=20 BORDER=2 HSPACE=4 ALIGN=TOP USEMAP=#Nav", 400, 0, &link);
  page.list.MapList.Add(std::make_unique<TMapItem>());
  page.list.MapList[0]->MapName = "nav";
  pf::TCanvas& canvas = page.canvas.Canvas();
  page.list.YOff = 100;
  const struct {
    int32_t x, y;
    pf::TColor color;
  } probes[] = {{13, 5, pf::clGray},  {14, 5, pf::clBlue},  {47, 28, pf::clBlue}, {21, 12, pf::clRed},
                {31, 12, pf::clGray}, {41, 12, pf::clLime}, {41, 22, pf::clGray}, {48, 12, pf::clGray}};
  for (bool printing : {false, true}) {  // printing draws through DIBs clipped to the opaque pixels
    canvas.Brush().SetColor(pf::clGray);
    canvas.FillRect(pf::Rect(0, 0, 100, 100));
    page.list.Printing = printing;
    image->Paint(canvas, 10, 5, 60, &link);  // the frame at (14, 5)-(48, 29), the picture at (16, 7)
    for (const auto& p : probes) EXPECT_EQ(page.canvas.GetPixel(p.x, p.y), p.color) << p.x << "," << p.y;
  }
  page.list.Printing = false;
  TImageObjList list;
  TImageObj* raw = image.get();
  list.Add(std::move(image));
  int32_t ix = -1, iy = -1;
  TFloatingObj* hit = nullptr;
  bool isMap = true, usesMap = false;
  const TMapItem* map = nullptr;
  EXPECT_TRUE(list.PtInImage(31, 112, ix, iy, hit, isMap, map, usesMap));  // document y: YOff more
  EXPECT_EQ(hit, raw);
  EXPECT_EQ(std::make_pair(ix, iy), std::make_pair(15, 5));
  EXPECT_FALSE(isMap);
  EXPECT_TRUE(usesMap);
  EXPECT_EQ(map, page.list.MapList[0]);
  EXPECT_FALSE(list.PtInObject(14, 105, hit, iy));  // on the frame
  // A missing picture: the error picture in a sunken box.
  auto missing = page.Image("SRC=none.gif ALT=Logo ALIGN=TOP");
  missing->Paint(canvas, 50, 40, 0, nullptr);                          // the box at (50, 40)-(99, 64)
  EXPECT_EQ(page.canvas.GetPixel(50 + 4 + 3, 40 + 4 + 4), pf::clRed);  // the cross
  EXPECT_EQ(page.canvas.GetPixel(50, 40), pf::ColorToRGB(pf::clBtnShadow));
  EXPECT_EQ(page.canvas.GetPixel(50 + 4, 40 + 4), pf::clGray);  // outside the error picture's outline
  // Placement in a line with text top 5 and baseline 60: top, middle (no run: centred on the baseline), bottom.
  for (auto [floating, top] : {std::pair{1, 5}, {2, 48}, {4, 36}}) {
    raw->Floating = uint8_t(floating);
    raw->Paint(canvas, 10, 5, 60, nullptr);
    EXPECT_EQ(raw->DrawYY, top + 100) << floating;
  }
}

}  // namespace
