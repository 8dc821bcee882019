// Canvases on bitmaps: the GDI edge rules, raster operations, mono <-> colour blits, masks, clipping, state.
#include <gtest/gtest.h>

#include <string>

#include "platform/core/exceptions.h"
#include "platform/graphics/bitmap.h"
#include "platform/graphics/canvas.h"
#include "tests/platform/graphics/graphics_test_helpers.h"

namespace pf {
namespace {

TEST(CanvasEdges, FillRectExcludesRightAndBottom) {
  TBitmap b(6, 4, pf24bit);
  b.Canvas().Brush().SetColor(clRed);
  b.Canvas().FillRect(Rect(1, 1, 4, 3));
  EXPECT_EQ(Picture(b),
            "......\n"
            ".rrr..\n"
            ".rrr..\n"
            "......\n");
  b.Canvas().Brush().SetStyle(bsClear);
  b.Canvas().FillRect(Rect(0, 0, 6, 4));  // a clear brush paints nothing
  b.Canvas().Brush().SetColor(clBlue);
  b.Canvas().FrameRect(Rect(0, 0, 3, 3));
  EXPECT_EQ(Picture(b),
            "bbb...\n"
            "brbr..\n"
            "bbbr..\n"
            "......\n");
}

TEST(CanvasEdges, LinesLeaveOutTheirLastPoint) {
  TBitmap b(6, 5, pf24bit);
  TCanvas& c = b.Canvas();
  c.MoveTo(0, 0);
  c.LineTo(5, 0);
  c.MoveTo(0, 1);
  c.LineTo(3, 4);
  EXPECT_EQ(c.PenPos(), Point(3, 4));
  c.Pen().SetColor(clRed);
  c.Polyline({{5, 1}, {5, 3}, {3, 3}});  // the corner comes from the second segment; (3, 3) stays white
  EXPECT_EQ(Picture(b),
            "#####.\n"
            "#....r\n"
            ".#...r\n"
            "..#.rr\n"
            "......\n");
}

TEST(CanvasEdges, RectangleHasAPenBorderAndABrushInside) {
  TBitmap b(5, 4, pf24bit);
  TCanvas& c = b.Canvas();
  c.Brush().SetColor(clRed);
  c.Rectangle(0, 0, 4, 4);
  EXPECT_EQ(c.GetBkColor(), clRed);  // the border's colour never becomes the background
  c.Pen().SetStyle(psClear);
  c.Brush().SetColor(clBlue);
  c.Rectangle(3, 0, 5, 2);  // without a pen the fill is one pixel smaller
  EXPECT_EQ(Picture(b),
            "###b.\n"
            "#rr#.\n"
            "#rr#.\n"
            "####.\n");
}

TEST(CanvasBlits, RasterOperationsCombineSourceDestinationAndBrush) {
  const TColor d = RGB(0xF0, 0x0F, 0x55), s = RGB(0x3C, 0x3C, 0xFF), p = RGB(0x00, 0xFF, 0x0F);
  struct Case {
    TCopyMode rop;
    TColor expected;
  };
  const Case cases[] = {
      {SRCCOPY, s},
      {SRCAND, d & s},
      {SRCPAINT, d | s},
      {SRCINVERT, d ^ s},
      {NOTSRCCOPY, ~s & 0xFFFFFF},
      {SRCERASE, s & ~d & 0xFFFFFF},
      {DSTINVERT, ~d & 0xFFFFFF},
      {BLACKNESS, clBlack},
      {WHITENESS, clWhite},
      {PATCOPY, p},
      {PATINVERT, p ^ d},
      {MERGECOPY, p & s},
      {DSTCOPY, d},
  };
  TBitmap source(1, 1, pf24bit);
  source.SetPixel(0, 0, s);
  for (const auto& k : cases) {
    SCOPED_TRACE(k.rop);
    TBitmap dest(2, 1, pf32bit);
    dest.SetPixel(0, 0, d);
    dest.Canvas().Brush().SetColor(p);
    EXPECT_TRUE(BitBlt(dest.Canvas(), 0, 0, 1, 1, &source.Canvas(), 0, 0, k.rop));
    EXPECT_EQ(dest.GetPixel(0, 0), k.expected);
    EXPECT_EQ(dest.GetPixel(1, 0), clWhite);
  }
}

TEST(CanvasBlits, MonoSourcesTakeTextAndBackgroundColoursAndColourSourcesBecomeMono) {
  TBitmap mono(2, 1, pf1bit);
  mono.ScanLine(0)[0] = 0x40;  // pixel 0 = 0, pixel 1 = 1
  TBitmap colour(2, 1, pf24bit);
  colour.Canvas().SetTextColor(clRed);
  colour.Canvas().SetBkColor(clBlue);
  BitBlt(colour.Canvas(), 0, 0, 2, 1, &mono.Canvas(), 0, 0, SRCCOPY);
  EXPECT_EQ(Picture(colour), "rb\n");

  // Colour to mono: pixels equal to the source's background colour become 1, all others 0.
  TBitmap back(2, 1, pf1bit);
  colour.Canvas().SetBkColor(clRed);
  BitBlt(back.Canvas(), 0, 0, 2, 1, &colour.Canvas(), 0, 0, SRCCOPY);
  EXPECT_EQ(back.ScanLine(0)[0] & 0xC0, 0x80);
}

TEST(CanvasBlits, StretchingIsNearestNeighbourAndNegativeSizesMirror) {
  TBitmap src(2, 1, pf24bit);
  src.SetPixel(0, 0, clRed);
  src.SetPixel(1, 0, clBlue);
  TBitmap dest(4, 2, pf24bit);
  dest.Canvas().StretchDraw(Rect(0, 0, 4, 1), src);
  StretchBlt(dest.Canvas(), 3, 1, -4, 1, &src.Canvas(), 0, 0, 2, 1, SRCCOPY);
  EXPECT_EQ(Picture(dest),
            "rrbb\n"
            "bbrr\n");
}

TEST(CanvasBlits, MaskedDrawingKeepsTheDestinationWhereTheMaskIsWhite) {
  TBitmap image(3, 1, pf24bit);
  image.Canvas().Brush().SetColor(clRed);
  image.Canvas().FillRect(Rect(0, 0, 3, 1));
  TBitmap mask(3, 1, pf1bit);
  mask.ScanLine(0)[0] = 0x40;  // 0 1 0: the middle pixel is transparent
  TBitmap dest(3, 1, pf24bit);
  dest.Canvas().Brush().SetColor(clBlue);
  dest.Canvas().FillRect(Rect(0, 0, 3, 1));
  DrawMasked(dest.Canvas(), Rect(0, 0, 3, 1), image, Rect(0, 0, 3, 1), mask);
  EXPECT_EQ(Picture(dest), "rbr\n");

  // The classic two-blit way gives the same: mask AND (mono -> black/white), then the image with black holes OR.
  TBitmap dest2(3, 1, pf24bit);
  dest2.Canvas().Brush().SetColor(clBlue);
  dest2.Canvas().FillRect(Rect(0, 0, 3, 1));
  dest2.Canvas().SetTextColor(clBlack);
  dest2.Canvas().SetBkColor(clWhite);
  image.SetPixel(1, 0, clBlack);
  BitBlt(dest2.Canvas(), 0, 0, 3, 1, &mask.Canvas(), 0, 0, SRCAND);
  BitBlt(dest2.Canvas(), 0, 0, 3, 1, &image.Canvas(), 0, 0, SRCPAINT);
  EXPECT_EQ(Picture(dest2), "rbr\n");

  // MaskBlt: foreground operation where the mask is 1, background where it is 0.
  TBitmap dest3(3, 1, pf24bit);
  MaskBlt(dest3.Canvas(), 0, 0, 3, 1, image.Canvas(), 0, 0, mask, 0, 0, MAKEROP4(BLACKNESS, SRCCOPY));
  EXPECT_EQ(Picture(dest3), "r#r\n");

  // A transparent bitmap draws without its transparent colour.
  image.SetPixel(1, 0, clLime);
  image.SetTransparentColor(clLime);
  image.SetTransparent(true);
  dest3.Canvas().Draw(0, 0, image);
  EXPECT_EQ(Picture(dest3), "r#r\n");
}

TEST(CanvasClip, RectanglesRegionsAndSavedStatesLimitEveryOperation) {
  TBitmap b(5, 3, pf24bit);
  TCanvas& c = b.Canvas();
  int saved = c.SaveDC();
  c.IntersectClipRect(1, 0, 4, 3);
  c.ExcludeClipRect(2, 1, 3, 2);
  EXPECT_EQ(c.ClipRect(), Rect(1, 0, 4, 3));
  c.Brush().SetColor(clRed);
  c.FillRect(Rect(0, 0, 5, 3));
  c.MoveTo(0, 2);
  c.LineTo(5, 2);
  EXPECT_TRUE(c.RestoreDC(saved));
  EXPECT_EQ(c.ClipRect(), Rect(0, 0, 5, 3));
  HRGN region = CreateRectRgn(0, 0, 1, 1);
  c.SelectClipRgn(region);
  TBitmap src(5, 3, pf24bit);
  src.Canvas().Brush().SetColor(clBlue);
  src.Canvas().FillRect(Rect(0, 0, 5, 3));
  c.CopyRect(Rect(0, 0, 5, 3), src.Canvas(), Rect(0, 0, 5, 3));
  EXPECT_EQ(Picture(b),
            "brrr.\n"
            ".r.r.\n"
            ".###.\n");
  EXPECT_TRUE(PtInRegion(region, 0, 0));
  EXPECT_FALSE(PtInRegion(region, 1, 0));
  HRGN both;
  EXPECT_EQ(CombineRgn(both, region, CreateRectRgn(3, 0, 4, 1), RGN_OR), COMPLEXREGION);
  TRect box;
  GetRgnBox(both, box);
  EXPECT_EQ(box, Rect(0, 0, 4, 1));
}

TEST(CanvasState, TheBrushSetsTheBackgroundLazilyAndCallsHoldUntilItChanges) {
  TBitmap b(1, 1, pf24bit);
  TCanvas& c = b.Canvas();
  EXPECT_EQ(c.GetBkMode(), OPAQUE);
  EXPECT_EQ(c.GetBkColor(), clWhite);
  c.SetBkMode(TRANSPARENT);
  c.FillRect(Rect(0, 0, 1, 1));  // drawing does not undo the call
  EXPECT_EQ(c.GetBkMode(), TRANSPARENT);
  c.Brush().SetColor(clRed);  // a brush change does
  EXPECT_EQ(c.GetBkMode(), OPAQUE);
  EXPECT_EQ(c.GetBkColor(), clRed);
  c.Brush().SetStyle(bsClear);
  EXPECT_EQ(c.GetBkMode(), TRANSPARENT);
  c.Font().SetColor(clBlue);
  EXPECT_EQ(c.GetTextColor(), clBlue);
}

TEST(CanvasSurfaces, EveryPixelFormatCanBePaintedOn) {
  for (TPixelFormat f : {pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit}) {
    SCOPED_TRACE(f);
    TBitmap b(8, 8, f);
    TCanvas& c = b.Canvas();
    c.Brush().SetColor(clBlack);
    c.FillRect(Rect(0, 0, 4, 4));
    c.Ellipse(4, 4, 8, 8);
    c.Pen().SetColor(clBlack);
    c.MoveTo(0, 7);
    c.LineTo(3, 7);
    EXPECT_EQ(b.GetPixel(3, 3), clBlack);
    EXPECT_EQ(b.GetPixel(4, 3), clWhite);
    EXPECT_EQ(b.GetPixel(6, 6), clBlack);
    EXPECT_EQ(b.GetPixel(2, 7), clBlack);
    EXPECT_EQ(b.GetPixel(3, 7), clWhite);
    EXPECT_EQ(b.PixelFormat(), f);
  }
}

TEST(CanvasSurfaces, PaletteBitmapsAndMissingSurfaces) {
  // Painting on an 8-bit bitmap maps colours to its table and keeps the table.
  TBitmap b(4, 1, pf8bit);
  b.SetColorTable({{255, 255, 255, 0}, {0, 0, 255, 0}, {255, 0, 0, 0}});
  HPALETTE palette = b.GetPalette();
  b.Canvas().FillRect(Rect(0, 0, 4, 1));
  b.Canvas().Brush().SetColor(RGB(250, 10, 10));
  b.Canvas().FillRect(Rect(1, 0, 3, 1));
  b.Canvas().Brush().SetColor(RGB(0, 0, 200));
  b.Canvas().Pen().SetStyle(psClear);
  b.Canvas().Polygon({{3, 0}, {4, 0}, {4, 1}, {3, 1}});  // painted through a 32-bit copy
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(b.ScanLine(0)), 4), std::string("\0\1\1\2", 4));
  EXPECT_EQ(b.GetPalette(), palette);

  TCanvas none;
  EXPECT_THROW(none.FillRect(Rect(0, 0, 1, 1)), EInvalidOperation);
  EXPECT_FALSE(BitBlt(b.Canvas(), 0, 0, 1, 1, &none, 0, 0, SRCCOPY));
  HDC handle = none.Handle();
  EXPECT_TRUE(IsCanvasHandleValid(handle));
  {
    TCanvas other;
    EXPECT_NE(other.Handle(), handle);
    handle = other.Handle();
  }
  EXPECT_FALSE(IsCanvasHandleValid(handle));
}

}  // namespace
}  // namespace pf
