// Drawing beyond the basics: 3-D edges, mapping modes, geometric pens, region fills, pattern brushes, smooth
// stretching, alpha, DIB transfers, device capabilities, and blits on surfaces that can only be painted.
#include <gtest/gtest.h>

#include <QPainter>
#include <QPicture>
#include <cstdlib>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/graphics/bitmap.h"
#include "platform/graphics/canvas.h"
#include "platform/graphics/dib.h"
#include "tests/platform/graphics/graphics_test_helpers.h"

namespace pf {
namespace {

TEST(Edges, DrawEdgeRingsAndFrame3DShrinkTheirRectangles) {
  // The light edge and the face share their colour; the background is lime.
  const std::map<TColor, char> names = {{ColorToRGB(cl3DLight), 'F'},
                                        {ColorToRGB(cl3DDkShadow), 'D'},
                                        {ColorToRGB(clBtnHighlight), 'H'},
                                        {ColorToRGB(clBtnShadow), 'S'},
                                        {clLime, '.'},
                                        {clRed, 'r'},
                                        {clBlue, 'b'}};
  auto limeBitmap = [](int32_t size) {
    auto b = std::make_unique<TBitmap>(size, size, pf24bit);
    b->Canvas().Brush().SetColor(clLime);
    b->Canvas().FillRect(Rect(0, 0, size, size));
    return b;
  };
  struct Case {
    uint32_t edge, flags;
    const char* picture;
    TRect after;
  };
  const Case cases[] = {
      {EDGE_RAISED, BF_RECT | BF_MIDDLE | BF_ADJUST, "FFFFD\nFHHSD\nFHFSD\nFSSSD\nDDDDD\n", {2, 2, 3, 3}},
      {EDGE_SUNKEN, BF_RECT, "SSSSH\nSDDFH\nSD.FH\nSFFFH\nHHHHH\n", {0, 0, 5, 5}},
      {EDGE_RAISED, BF_RECT | BF_FLAT, "SSSSS\nSFFFS\nSF.FS\nSFFFS\nSSSSS\n", {0, 0, 5, 5}},
  };
  for (const Case& k : cases) {
    auto b = limeBitmap(5);
    TRect r{0, 0, 5, 5};
    EXPECT_TRUE(DrawEdge(b->Canvas(), r, k.edge, k.flags));
    EXPECT_EQ(Letters(*b, names), k.picture);
    EXPECT_EQ(r, k.after);
  }
  auto b = limeBitmap(6);
  b->Canvas().Pen().SetColor(clYellow);
  TRect r{0, 0, 6, 6};
  Frame3D(b->Canvas(), r, clRed, clBlue, 2);
  EXPECT_EQ(Letters(*b, names),
            "rrrrrb\n"
            "rrrrbb\n"
            "rr..bb\n"
            "rr..bb\n"
            "rbbbbb\n"
            "bbbbbb\n");
  EXPECT_EQ(r, Rect(2, 2, 4, 4));
  EXPECT_EQ(b->Canvas().Pen().Color(), clYellow);
}

TEST(Mapping, AnisotropicScalesDrawingTextAndPensAndClipsInDeviceUnits) {
  WithService fixed{CreateFixedMetricFontService()};
  TBitmap b(300, 300, pf24bit);
  TCanvas& c = b.Canvas();
  EXPECT_EQ(c.SetMapMode(MM_ANISOTROPIC), MM_TEXT);
  EXPECT_TRUE(c.SetWindowExtEx(1000, 1000));
  EXPECT_TRUE(c.SetViewportExtEx(250, 250));
  EXPECT_FALSE(c.SetViewportExtEx(250, 0));
  c.Brush().SetColor(clRed);
  c.FillRect(Rect(0, 0, 1000, 1000));
  EXPECT_EQ(InkOf(b), Rect(0, 0, 250, 250));
  struct Conversion {
    TPoint logical, device;
  };
  const Conversion conversions[] = {
      {{0, 0}, {0, 0}}, {{1000, 1000}, {250, 250}}, {{2, 10}, {1, 3}}, {{-6, -2}, {-2, -1}}};
  for (const Conversion& k : conversions) {
    TPoint p = k.logical;
    c.LPtoDP(&p, 1);
    EXPECT_EQ(p, k.device);  // quarters, rounded half away from zero
  }

  // Regions are device pixels, clip rectangles logical units; ClipRect answers logical units.
  c.SelectClipRgn(CreateRectRgn(0, 0, 100, 100));
  EXPECT_EQ(c.ClipRect(), Rect(0, 0, 400, 400));
  c.IntersectClipRect(0, 0, 200, 1000);
  EXPECT_EQ(c.ClipRect(), Rect(0, 0, 200, 400));
  c.Brush().SetColor(clBlue);
  c.FillRect(Rect(0, 0, 1000, 1000));
  EXPECT_EQ(b.GetPixel(49, 99), clBlue);
  EXPECT_EQ(b.GetPixel(50, 99), clRed);
  EXPECT_EQ(b.GetPixel(49, 100), clRed);
  c.SelectClipRgn(nullptr);

  // Text keeps logical metrics and scales on the device: a 40-unit font draws 10 pixels.
  TBitmap t(300, 300, pf24bit);
  TCanvas& tc = t.Canvas();
  int saved = tc.SaveDC();
  tc.SetMapMode(MM_ANISOTROPIC);
  tc.SetWindowExtEx(1000, 1000);
  tc.SetViewportExtEx(250, 250);
  tc.SetWindowOrgEx(-400, -400);  // logical 0 lies at device 100
  tc.Font().SetHeight(-40);
  tc.Font().SetColor(clBlack);
  tc.Brush().SetStyle(bsClear);
  EXPECT_EQ(tc.TextExtent("a"), (TSize{20, 50}));
  tc.TextOut(0, 0, "a");  // glyph box 19 x 30 units from (0, 10): device x 100-104.75, y 102.5-110
  TRect ink = InkOf(t);
  EXPECT_NEAR(ink.Left, 100, 1);
  EXPECT_NEAR(ink.Right, 105, 1);
  EXPECT_NEAR(ink.Top, 103, 1);
  EXPECT_NEAR(ink.Bottom, 110, 1);
  // Pen widths are logical: 8 units draw 2 pixels.
  tc.Pen().SetWidth(8);
  tc.MoveTo(0, 400);
  tc.LineTo(400, 400);
  int32_t rows = 0;
  for (int32_t y = 190; y < 210; ++y) rows += t.GetPixel(150, y) == clBlack;
  EXPECT_EQ(rows, 2);
  EXPECT_TRUE(tc.RestoreDC(saved));
  EXPECT_EQ(tc.GetMapMode(), MM_TEXT);
  EXPECT_EQ(tc.GetWindowOrgEx(), Point(0, 0));
}

TEST(Pens, GeometricPensDashAlongOnePathAndInsideFrameStaysInside) {
  auto row = [](const TBitmap& b, int32_t y, int32_t count) {
    std::string s;
    for (int32_t x = 0; x < count; ++x) s += b.GetPixel(x, y) == clBlack ? '#' : '.';
    return s;
  };
  TBitmap dashes(40, 20, pf24bit);
  TCanvas& c = dashes.Canvas();
  c.Pen().SetWidth(3);
  c.Pen().SetStyle(psDash);  // dashes of 3 widths, gaps of 1
  c.Polyline({{0, 10}, {40, 10}});
  EXPECT_EQ(row(dashes, 10, 26), "#########...#########...##");

  // The pattern runs on round a corner of one polyline; separate lines start afresh.
  TBitmap path(20, 20, pf24bit), lines(20, 20, pf24bit);
  for (TBitmap* b : {&path, &lines}) {
    b->Canvas().Pen().SetWidth(3);
    b->Canvas().Pen().SetStyle(psDash);
  }
  path.Canvas().Polyline({{0, 5}, {10, 5}, {10, 19}});  // the corner falls into a gap (9-12)
  lines.Canvas().MoveTo(0, 5);
  lines.Canvas().LineTo(10, 5);
  lines.Canvas().LineTo(10, 19);
  EXPECT_EQ(path.GetPixel(10, 6), clWhite);
  EXPECT_EQ(lines.GetPixel(10, 6), clBlack);

  // Cosmetic dots (3 on, 3 off) carry on as well.
  TBitmap dots(5, 5, pf24bit);
  dots.Canvas().Pen().SetStyle(psDot);
  dots.Canvas().Polyline({{0, 0}, {4, 0}, {4, 5}});
  EXPECT_EQ(Picture(dots), "###..\n.....\n....#\n....#\n....#\n");

  for (TPenStyle style : {psSolid, psInsideFrame}) {
    TBitmap e(30, 30, pf24bit);
    e.Canvas().Pen().SetWidth(6);
    e.Canvas().Pen().SetStyle(style);
    e.Canvas().Brush().SetStyle(bsClear);
    e.Canvas().Ellipse(5, 5, 25, 25);
    TRect ink = InkOf(e), inside;
    EXPECT_EQ(IntersectRect(inside, ink, Rect(5, 5, 25, 25)) && inside == ink, style == psInsideFrame) << style;
  }
}

TEST(Regions, FillRgnAndFrameRgnPaintWithABrush) {
  TBitmap b(8, 7, pf24bit);
  TBrush blue;
  blue.SetColor(clBlue);
  HRGN region = CreateRectRgn(1, 1, 7, 6);
  EXPECT_TRUE(FrameRgn(b.Canvas(), region, blue, 2, 1));
  EXPECT_EQ(Picture(b),
            "........\n"
            ".bbbbbb.\n"
            ".bb..bb.\n"
            ".bb..bb.\n"
            ".bb..bb.\n"
            ".bbbbbb.\n"
            "........\n");
  TBrush red;
  red.SetColor(clRed);
  EXPECT_TRUE(FillRgn(b.Canvas(), CreateEllipticRgn(0, 0, 8, 7), red));
  EXPECT_EQ(b.GetPixel(4, 3), clRed);
  EXPECT_EQ(b.GetPixel(0, 0), clWhite);
  EXPECT_FALSE(FillRgn(b.Canvas(), nullptr, red));
}

// The classic checkerboard pattern: rows alternate 0x55 and 0xAA.
std::unique_ptr<TBitmap> Checkerboard() {
  auto checker = std::make_unique<TBitmap>(8, 8, pf1bit);
  for (int32_t y = 0; y < 8; ++y) checker->ScanLine(y)[0] = (y & 1) ? 0xAA : 0x55;
  return checker;
}

// A picture to draw in every way: red and blue, lime where it is transparent, a mask white over the lime, and a
// 32-bit picture with half-transparent red.
struct Pictures {
  TBitmap image{4, 4, pf24bit}, mask{4, 4, pf1bit}, alpha{4, 4, pf32bit};
  std::unique_ptr<TBitmap> checker = Checkerboard();
  Pictures() {
    for (int32_t y = 0; y < 4; ++y)
      for (int32_t x = 0; x < 4; ++x) {
        const bool hole = (x + y) % 3 == 0;
        image.SetPixel(x, y, hole ? clLime : x < 2 ? clRed : clBlue);
        mask.SetPixel(x, y, hole ? clWhite : clBlack);
        const uint32_t a = x < 2 ? 0x80u : 0xFFu;
        SetPixelRaw(alpha, x, y, (a << 24) | (y == 0 ? 0u : 0xFF0000u));
      }
    alpha.SetAlphaFormat(afDefined);
  }
  static void SetPixelRaw(TBitmap& b, int32_t x, int32_t y, uint32_t value) {
    uint8_t* p = b.ScanLine(y) + 4 * x;
    for (int i = 0; i < 4; ++i) p[i] = uint8_t(value >> (8 * i));
  }
};

// Every kind of blit and a dotted and a solid line over a two-coloured background.
void Scene(TCanvas& c, Pictures& p) {
  c.Brush().SetColor(clBlue);
  c.FillRect(Rect(0, 0, 48, 24));
  c.Brush().SetColor(clYellow);
  c.FillRect(Rect(0, 12, 48, 24));
  DrawMasked(c, Rect(0, 0, 8, 8), p.image, Rect(0, 0, 4, 4), p.mask);
  TransparentStretchBlt(c, Rect(8, 0, 16, 8), p.image, Rect(0, 0, 4, 4), clLime);
  StretchBlt(c, 16, 0, 8, 8, &p.image.Canvas(), 0, 0, 4, 4, SRCAND);
  StretchBlt(c, 24, 0, 8, 8, &p.image.Canvas(), 0, 0, 4, 4, SRCPAINT);
  StretchBlt(c, 32, 0, 8, 8, &p.image.Canvas(), 0, 0, 4, 4, SRCINVERT);
  // The two-blit way: the mask ANDed (white keeps), then the picture with black holes ORed.
  TBitmap holes;
  holes.Assign(p.image);
  for (int32_t y = 0; y < 4; ++y)
    for (int32_t x = 0; x < 4; ++x)
      if (holes.GetPixel(x, y) == clLime) holes.SetPixel(x, y, clBlack);
  c.SetTextColor(clBlack);
  c.SetBkColor(clWhite);
  BitBlt(c, 0, 12, 4, 4, &p.mask.Canvas(), 0, 0, SRCAND);
  BitBlt(c, 0, 12, 4, 4, &holes.Canvas(), 0, 0, SRCPAINT);
  c.Brush().SetBitmap(p.checker.get());
  PatBlt(c, 8, 12, 8, 8, 0x00A000C9);  // destination AND pattern: every other pixel black
  c.Brush().SetBitmap(nullptr);
  c.Draw(16, 12, p.alpha);
  c.DrawFocusRect(Rect(24, 12, 32, 20));
  c.Pen().SetStyle(psDot);
  c.MoveTo(0, 9);
  c.LineTo(48, 9);
  c.Pen().SetStyle(psSolid);
  c.Pen().SetColor(clRed);
  c.MoveTo(0, 10);
  c.LineTo(40, 10);
}

// A surface that records its painting in a picture through one painter, replayed onto an image.
struct RecordingTarget : PaintOnlyTarget {
  QPicture picture;
  QPainter recorder{&picture};
  RecordingTarget(int32_t w, int32_t h) : PaintOnlyTarget(w, h) {}
  QPainter* Painter() override { return &recorder; }
  void Replay() {
    recorder.end();
    QPainter painter(&image);
    painter.drawPicture(0, 0, picture);
  }
};

// The count of pixels that differ by more than 2 in a channel.
int Differences(const TBitmap& a, const TBitmap& b) {
  int count = 0;
  for (int32_t y = 0; y < a.Height(); ++y)
    for (int32_t x = 0; x < a.Width(); ++x) {
      const TColor p = a.GetPixel(x, y), q = b.GetPixel(x, y);
      if (std::abs(GetRValue(p) - GetRValue(q)) > 2 || std::abs(GetGValue(p) - GetGValue(q)) > 2 ||
          std::abs(GetBValue(p) - GetBValue(q)) > 2)
        ++count;
    }
  return count;
}

TEST(PaintOnlyBlits, BlitsAndLinesEqualTheBitmapResult) {
  Pictures p;
  TBitmap expected(48, 24, pf24bit);
  Scene(expected.Canvas(), p);
  // The bitmap result is what the drawing means.
  EXPECT_EQ(expected.GetPixel(0, 0), clBlue);              // a hole of the masked picture
  EXPECT_EQ(expected.GetPixel(2, 0), clRed);               // its picture
  EXPECT_EQ(expected.GetPixel(16, 0), clBlue & clLime);    // AND
  EXPECT_EQ(expected.GetPixel(8, 12), clBlack);            // the darkening pattern
  EXPECT_EQ(expected.GetPixel(9, 12), clYellow);           // and what it leaves
  EXPECT_EQ(expected.GetPixel(17, 13), RGB(255, 127, 0));  // half red over yellow
  for (bool recorded : {false, true}) {
    SCOPED_TRACE(recorded ? "recorded" : "painted");
    auto owned = recorded ? std::make_unique<RecordingTarget>(48, 24) : std::make_unique<PaintOnlyTarget>(48, 24);
    PaintOnlyTarget& target = *owned;
    TCanvas c(std::move(owned));
    Scene(c, p);
    if (recorded) static_cast<RecordingTarget&>(target).Replay();
    TBitmap seen(48, 24, pf24bit);
    target.CopyTo(seen);
    EXPECT_EQ(Differences(seen, expected), 0);
    EXPECT_EQ(c.Pixels(0, 0), clNone);  // nothing to read back
    EXPECT_GT(target.begun, 0);
    EXPECT_EQ(target.begun, target.ended);
  }
}

TEST(Stretching, HalftoneSmoothsWhereOtherModesTakeTheNearestPixel) {
  TBitmap src(4, 1, pf24bit);
  src.SetPixel(0, 0, clBlack);
  src.SetPixel(2, 0, clBlack);
  struct Case {
    int mode;
    int32_t width;
  };
  for (const Case& k : {Case{COLORONCOLOR, 2}, Case{HALFTONE, 2}, Case{COLORONCOLOR, 16}, Case{HALFTONE, 16}}) {
    TBitmap dest(k.width, 1, pf24bit);
    EXPECT_EQ(dest.Canvas().SetStretchBltMode(k.mode), BLACKONWHITE);
    StretchBlt(dest.Canvas(), 0, 0, k.width, 1, &src.Canvas(), 0, 0, 4, 1, SRCCOPY);
    int greys = 0;
    for (int32_t x = 0; x < k.width; ++x) greys += dest.GetPixel(x, 0) != clBlack && dest.GetPixel(x, 0) != clWhite;
    if (k.mode == HALFTONE)
      EXPECT_GT(greys, k.width / 4) << k.width;  // shrinking averages, enlarging blends the edges
    else
      EXPECT_EQ(greys, 0) << k.width;
  }
}

TEST(Dib, GetDIBitsAndStretchDIBitsRoundTripEveryDepth) {
  TBitmap b(3, 2, pf24bit);
  const TColor colours[2][3] = {{clRed, clLime, clBlue}, {clWhite, clBlack, clYellow}};
  for (int32_t y = 0; y < 2; ++y)
    for (int32_t x = 0; x < 3; ++x) b.SetPixel(x, y, colours[y][x]);
  for (uint16_t depth : {4, 8, 16, 24, 32}) {
    SCOPED_TRACE(depth);
    for (int32_t sign : {1, -1}) {
      TBitmapInfo info;
      info.bmiHeader.biBitCount = depth;
      info.bmiHeader.biHeight = sign;
      EXPECT_EQ(GetDIBits(b, 0, 2, {}, info, DIB_RGB_COLORS), 1);
      EXPECT_EQ(info.bmiHeader.biSizeImage, uint32_t(BytesPerScanline(3, depth) * 2));
      EXPECT_EQ(info.bmiHeader.biHeight, 2 * sign);
      std::vector<uint8_t> bits(info.bmiHeader.biSizeImage);
      EXPECT_EQ(GetDIBits(b, 0, 2, bits, info, DIB_RGB_COLORS), 2);
      TBitmap copy(3, 2, pf24bit);
      EXPECT_EQ(StretchDIBits(copy.Canvas(), 0, 0, 3, 2, 0, 0, 3, 2, bits, info, DIB_RGB_COLORS, SRCCOPY), 2);
      EXPECT_EQ(Differences(copy, b), 0);
      // The first DIB row is the bottom one of a bottom-up DIB.
      if (depth == 24) {
        EXPECT_EQ(bits[0], sign > 0 ? 0xFF : 0x00);
      }
      // A source rectangle of a bottom-up DIB counts from its bottom.
      TBitmap row(3, 1, pf24bit);
      StretchDIBits(row.Canvas(), 0, 0, 3, 1, 0, 0, 3, 1, bits, info, DIB_RGB_COLORS, SRCCOPY);
      if (depth >= 16) {
        EXPECT_EQ(row.GetPixel(2, 0), sign > 0 ? clYellow : clBlue);
      }
      EXPECT_EQ(StretchDIBits(row.Canvas(), 0, 0, 3, 1, 0, 0, 3, 1, std::span(bits).first(bits.size() - 1), info,
                              DIB_RGB_COLORS, SRCCOPY),
                0);  // too few bytes
    }
  }
  // A 1-bit DIB draws in the colours of its table, not in the canvas's text and background colours.
  TBitmapInfo mono;
  mono.bmiHeader = {40, 3, 1, 1, 1};
  mono.bmiColors = {ColorToRGBQuad(clRed), ColorToRGBQuad(clBlue)};
  const std::vector<uint8_t> monoBits = {0x40, 0, 0, 0};
  TBitmap drawn(3, 1, pf24bit);
  EXPECT_EQ(StretchDIBits(drawn.Canvas(), 0, 0, 3, 1, 0, 0, 3, 1, monoBits, mono, DIB_RGB_COLORS, SRCCOPY), 1);
  EXPECT_EQ(drawn.GetPixel(0, 0), clRed);
  EXPECT_EQ(drawn.GetPixel(1, 0), clBlue);
  TBitmapInfo bad;
  bad.bmiHeader.biBitCount = 7;
  std::vector<uint8_t> bits(64);
  EXPECT_EQ(GetDIBits(b, 0, 2, bits, bad, DIB_RGB_COLORS), 0);
}

TEST(DeviceCaps, TheTargetAnswers) {
  struct PrinterLike : PaintOnlyTarget {
    PrinterLike() : PaintOnlyTarget(100, 150) {}
    int LogPixels() const override { return 600; }
    TRect PhysicalPage() const override { return {-10, -20, 120, 180}; }
    int Technology() const override { return DT_RASPRINTER; }
  };
  TBitmap b(30, 20, pf8bit);
  TCanvas printer(std::make_unique<PrinterLike>());
  printer.SetMapMode(MM_ANISOTROPIC);  // capabilities stay in device units
  printer.SetWindowExtEx(96, 96);
  printer.SetViewportExtEx(600, 600);
  struct Case {
    int index, bitmap, printer;
  };
  const Case cases[] = {{HORZRES, 30, 100},       {BITSPIXEL, 8, 32},       {LOGPIXELSX, 96, 600},
                        {PHYSICALWIDTH, 30, 130}, {PHYSICALOFFSETX, 0, 10}, {TECHNOLOGY, DT_RASDISPLAY, DT_RASPRINTER}};
  for (const Case& k : cases) {
    EXPECT_EQ(b.Canvas().GetDeviceCaps(k.index), k.bitmap) << k.index;
    EXPECT_EQ(printer.GetDeviceCaps(k.index), k.printer) << k.index;
  }
}

}  // namespace
}  // namespace pf
