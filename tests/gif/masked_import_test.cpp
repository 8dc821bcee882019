// Icons and recorded drawings assigned to a GIF picture: what their masks leave out becomes the frame's transparent
// colour, and nothing is added when nothing is masked.
#include <gtest/gtest.h>

#include <functional>

#include "gif/gif_image.h"
#include "platform/core/exceptions.h"
#include "platform/graphics/canvas.h"
#include "platform/graphics/icon.h"
#include "platform/graphics/metafile.h"
#include "tests/gif/giflib_oracle.h"

namespace {

using namespace gif;

std::vector<uint8_t> Save(const TGifPicture& pic) {
  pf::TMemoryStream s;
  pic.SaveToStream(s);
  return std::vector<uint8_t>(s.Memory(), s.Memory() + s.Size());
}

// Checks every pixel of the frame: transparent (the extension's index) exactly where masked(x, y), else of colour
// expected(x, y); the saved file says the same to giflib.
void ExpectFrame(const TGifPicture& pic, const std::function<bool(int, int)>& masked,
                 const std::function<pf::TColor(int, int)>& expected) {
  ASSERT_EQ(pic.Images().Count(), 1);
  const TGIFSubImage& frame = *pic.Images()[0];
  ASSERT_TRUE(frame.Transparent());
  ASSERT_NE(frame.GraphicControlExtension(), nullptr);
  const int t = frame.GraphicControlExtension()->TransparentColorIndex();
  EXPECT_EQ(t, frame.ColorMap().Count() - 1);  // the entry added last
  EXPECT_EQ(frame.ColorMap().Colors(t), pf::clBlack);
  const giftest::OracleGif file = giftest::GiflibRead(Save(pic));
  ASSERT_TRUE(file.ok) << file.error;
  EXPECT_EQ(file.frames.at(0).transparent, t);
  for (int y = 0; y < frame.Height(); ++y)
    for (int x = 0; x < frame.Width(); ++x) {
      const uint8_t index = frame.Data()[static_cast<size_t>(y) * frame.Width() + x];
      EXPECT_EQ(index == t, masked(x, y)) << x << "," << y;
      if (index != t) {
        EXPECT_EQ(frame.ColorMap().Colors(index), expected(x, y)) << x << "," << y;
      }
      EXPECT_EQ(file.frames[0].pixels[static_cast<size_t>(y) * frame.Width() + x], index);
    }
}

// hole.ico: 16 x 16, blue in rows 0 and 1, red below, with a fully transparent square at (4, 4)-(11, 11).
TEST(GifMaskedImport, AnIconsMaskedPixelsAndNoOthersBecomeTransparent) {
  pf::TIcon icon;
  icon.LoadFromFile(PEXU_SOURCE_DIR "/tests/data/gif/hole.ico");
  ASSERT_EQ(icon.Width(), 16);
  ASSERT_EQ(icon.Height(), 16);
  auto hole = [](int x, int y) { return x >= 4 && x < 12 && y >= 4 && y < 12; };
  auto colour = [](int, int y) { return y < 2 ? pf::clBlue : pf::clRed; };
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) EXPECT_EQ(icon.Mask().GetPixel(x, y) == pf::clWhite, hole(x, y)) << x << "," << y;

  TGifPicture pic;
  pic.Assign(icon);
  ExpectFrame(pic, hole, colour);
  // Drawn with the default options (transparent), the destination shows through the hole only.
  pf::TBitmap dest(16, 16);
  dest.Canvas().Brush().SetColor(pf::clLime);
  dest.Canvas().FillRect(pf::Rect(0, 0, 16, 16));
  dest.Canvas().Draw(0, 0, pic);
  EXPECT_EQ(dest.GetPixel(7, 7), pf::clLime);
  EXPECT_EQ(dest.GetPixel(1, 1), pf::clBlue);
  EXPECT_EQ(dest.GetPixel(14, 14), pf::clRed);

  // Data that are no icon are refused and the icon stays.
  const std::string junk = "GIF89a, no icon";
  pf::TReadOnlyMemoryStream in(junk.data(), static_cast<int64_t>(junk.size()));
  EXPECT_THROW(icon.LoadFromStream(in), pf::EInvalidGraphic);
  EXPECT_EQ(icon.Width(), 16);
}

TEST(GifMaskedImport, WhatARecordedDrawingLeavesUntouchedBecomesTransparent) {
  // 12 x 8: red left half, white (drawn, so opaque) at (6, 0)-(8, 3), black at (9, 0)-(11, 1); the rest untouched.
  pf::TMetafile drawing;
  drawing.SetWidth(12);
  drawing.SetHeight(8);
  {
    pf::TMetafileCanvas canvas(drawing);
    for (auto [colour, r] : {std::pair{pf::clRed, pf::Rect(0, 0, 6, 8)}, std::pair{pf::clWhite, pf::Rect(6, 0, 9, 4)},
                             std::pair{pf::clBlack, pf::Rect(9, 0, 12, 2)}}) {
      canvas.Brush().SetColor(colour);
      canvas.FillRect(r);
    }
  }
  auto untouched = [](int x, int y) { return x >= 6 && (y >= 4 || (x >= 9 && y >= 2)); };
  auto colour = [](int x, int) { return x < 6 ? pf::clRed : x < 9 ? pf::clWhite : pf::clBlack; };
  TGifPicture pic;
  pic.Assign(drawing);
  ExpectFrame(pic, untouched, colour);

  // Played on any canvas, scaled into the rectangle; the untouched part keeps the destination.
  pf::TBitmap dest(24, 16);
  dest.Canvas().Brush().SetColor(pf::clLime);
  dest.Canvas().FillRect(pf::Rect(0, 0, 24, 16));
  dest.Canvas().StretchDraw(pf::Rect(0, 0, 24, 16), drawing);
  EXPECT_EQ(dest.GetPixel(11, 15), pf::clRed);
  EXPECT_EQ(dest.GetPixel(17, 7), pf::clWhite);
  EXPECT_EQ(dest.GetPixel(23, 3), pf::clBlack);
  EXPECT_EQ(dest.GetPixel(23, 5), pf::clLime);
  EXPECT_EQ(dest.GetPixel(12, 8), pf::clLime);
}

TEST(GifMaskedImport, WithoutMaskedPixelsNoColourIsAdded) {
  pf::TMetafile drawing;  // no size: it takes the extent of the drawing
  {
    pf::TMetafileCanvas canvas(drawing);
    canvas.Brush().SetColor(pf::clBlue);
    canvas.FillRect(pf::Rect(0, 0, 5, 3));
    canvas.Brush().SetColor(pf::clRed);
    canvas.FillRect(pf::Rect(0, 1, 5, 3));
  }
  ASSERT_EQ(drawing.Width(), 5);
  ASSERT_EQ(drawing.Height(), 3);
  TGifPicture pic;
  pic.Assign(drawing);
  const TGIFSubImage& frame = *pic.Images()[0];
  EXPECT_FALSE(frame.Transparent());
  EXPECT_EQ(frame.Extensions().Count(), 0);
  ASSERT_EQ(frame.ColorMap().Count(), 2);  // optimised: the colours in use, most used first
  EXPECT_EQ(frame.ColorMap().Colors(0), pf::clRed);
  EXPECT_EQ(frame.ColorMap().Colors(1), pf::clBlue);
  const std::vector<uint8_t> bytes = Save(pic);
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 6), "GIF87a");
}

}  // namespace
