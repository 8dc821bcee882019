#include "app/glyphs.h"

#include <map>
#include <vector>

#include "platform/graphics/canvas.h"

namespace app {

namespace {

constexpr pf::TColor kBack = pf::clFuchsia;
constexpr pf::TColor kGreen = 0x00A000;
constexpr pf::TColor kRed = 0x0000C0;
constexpr pf::TColor kYellow = 0x40C8F0;
constexpr pf::TColor kBlue = 0xB04020;

void Fill(pf::TCanvas& c, pf::TColor color, const std::vector<pf::TPoint>& points) {
  c.Brush().SetColor(color);
  c.Pen().SetColor(color == kYellow ? pf::clOlive : color);
  c.Polygon(points);
}

void Line(pf::TCanvas& c, pf::TColor color, int width, pf::TPoint from, pf::TPoint to) {
  c.Pen().SetColor(color);
  c.Pen().SetWidth(width);
  c.MoveTo(from.X, from.Y);
  c.LineTo(to.X, to.Y);
  c.Pen().SetWidth(1);
}

void DrawGlyphOn(pf::TBitmap& bitmap, Glyph glyph) {
  bitmap.SetSize(16, 16);
  bitmap.SetPixelFormat(pf::pf24bit);
  pf::TCanvas& c = bitmap.Canvas();
  c.Brush().SetColor(kBack);
  c.FillRect({0, 0, 16, 16});
  switch (glyph) {
    case Glyph::Open:
      Fill(c, kYellow, {{1, 4}, {6, 4}, {7, 5}, {14, 5}, {14, 13}, {1, 13}});
      break;
    case Glyph::Save:
      Fill(c, kBlue, {{2, 2}, {13, 2}, {14, 3}, {14, 14}, {2, 14}});
      c.Brush().SetColor(pf::clWhite);
      c.FillRect({4, 3, 12, 8});
      c.FillRect({5, 10, 11, 14});
      break;
    case Glyph::Right:
      Fill(c, kGreen, {{2, 6}, {8, 6}, {8, 2}, {14, 8}, {8, 14}, {8, 10}, {2, 10}});
      break;
    case Glyph::Left:
      Fill(c, kRed, {{14, 6}, {8, 6}, {8, 2}, {2, 8}, {8, 14}, {8, 10}, {14, 10}});
      break;
    case Glyph::Log:
      c.Brush().SetColor(pf::clBlack);
      c.FillRect({2, 1, 13, 15});
      c.Brush().SetColor(pf::clWhite);
      c.FillRect({3, 2, 12, 14});
      for (int y = 4; y < 13; y += 3) Line(c, y == 7 ? kRed : pf::clGray, 1, {4, y}, {11, y});
      break;
    case Glyph::Delete:
      Line(c, kRed, 3, {3, 3}, {13, 13});
      Line(c, kRed, 3, {13, 3}, {3, 13});
      break;
    case Glyph::Reload:
      c.Brush().SetStyle(pf::bsClear);
      c.Pen().SetColor(kGreen);
      c.Pen().SetWidth(2);
      c.Ellipse(2, 2, 14, 14);
      c.Pen().SetWidth(1);
      c.Brush().SetStyle(pf::bsSolid);
      Fill(c, kGreen, {{10, 1}, {15, 1}, {15, 6}});
      break;
    case Glyph::Home:
      Fill(c, kRed, {{1, 8}, {8, 1}, {15, 8}});
      Fill(c, kYellow, {{3, 8}, {13, 8}, {13, 14}, {3, 14}});
      c.Brush().SetColor(kBlue);
      c.FillRect({7, 10, 10, 15});
      break;
    case Glyph::Print:
      c.Brush().SetColor(pf::clWhite);
      c.Pen().SetColor(pf::clBlack);
      c.Rectangle(4, 1, 12, 7);
      c.Brush().SetColor(pf::clGray);
      c.Rectangle(1, 6, 15, 12);
      c.Brush().SetColor(pf::clWhite);
      c.Rectangle(4, 10, 12, 15);
      break;
    case Glyph::Editor:
      c.Brush().SetColor(pf::clWhite);
      c.Pen().SetColor(pf::clBlack);
      c.Rectangle(1, 1, 11, 15);
      for (int y = 4; y < 13; y += 3) Line(c, pf::clGray, 1, {3, y}, {9, y});
      Line(c, kBlue, 3, {14, 3}, {7, 12});
      break;
    case Glyph::Settings:
      c.Brush().SetColor(pf::clGray);
      c.Pen().SetColor(pf::clBlack);
      c.Ellipse(2, 2, 14, 14);
      // The teeth of the wheel.
      Line(c, pf::clBlack, 2, {8, 0}, {8, 16});
      Line(c, pf::clBlack, 2, {0, 8}, {16, 8});
      c.Brush().SetColor(kBack);
      c.Ellipse(6, 6, 10, 10);
      break;
    case Glyph::Help:
      // A question mark of strokes: drawn text would load a font just for a button.
      c.Brush().SetColor(kBlue);
      c.Pen().SetColor(kBlue);
      c.Ellipse(1, 1, 15, 15);
      Line(c, pf::clWhite, 2, {5, 5}, {7, 4});
      Line(c, pf::clWhite, 2, {7, 4}, {10, 5});
      Line(c, pf::clWhite, 2, {10, 5}, {10, 7});
      Line(c, pf::clWhite, 2, {10, 7}, {8, 9});
      Line(c, pf::clWhite, 2, {8, 9}, {8, 10});
      c.Brush().SetColor(pf::clWhite);
      c.FillRect({7, 11, 9, 13});
      break;
    case Glyph::Exit:
      c.Brush().SetColor(kYellow);
      c.Pen().SetColor(pf::clOlive);
      c.Rectangle(2, 1, 10, 15);
      Fill(c, kRed, {{7, 6}, {11, 6}, {11, 3}, {15, 8}, {11, 13}, {11, 10}, {7, 10}});
      break;
  }
}

}  // namespace

void DrawGlyph(pf::TBitmap& target, Glyph glyph) {
  // Each glyph is drawn once and handed over whole: a button remakes its picture on every change of its glyph.
  static std::map<Glyph, pf::TBitmap> drawn;
  auto it = drawn.find(glyph);
  if (it == drawn.end()) {
    it = drawn.try_emplace(glyph).first;
    DrawGlyphOn(it->second, glyph);
  }
  target.Assign(it->second);
}

void DrawProgramIcon(pf::TBitmap& bitmap, int32_t size) {
  bitmap.SetSize(size, size);
  bitmap.SetPixelFormat(pf::pf24bit);
  pf::TCanvas& c = bitmap.Canvas();
  c.Brush().SetColor(pf::clWhite);
  c.FillRect({0, 0, size, size});
  c.Brush().SetColor(kBlue);
  c.Pen().SetColor(kBlue);
  c.Ellipse(0, 0, size, size);
  const int32_t mid = size / 2, unit = size / 8;
  Line(c, pf::clWhite, 2, {mid, 2 * unit}, {mid, size - unit});
  Line(c, pf::clWhite, 2, {mid - 2 * unit, size - unit}, {mid, 3 * unit});
  Line(c, pf::clWhite, 2, {mid + 2 * unit, size - unit}, {mid, 3 * unit});
  // The waves: short strokes either side of the mast's top.
  for (int k = 1; k <= 2; ++k) {
    const int32_t dx = k * unit + unit / 2;
    Line(c, pf::clYellow, 2, {mid - dx, 2 * unit - k * unit / 2}, {mid - dx, 2 * unit + k * unit});
    Line(c, pf::clYellow, 2, {mid + dx, 2 * unit - k * unit / 2}, {mid + dx, 2 * unit + k * unit});
  }
}

}  // namespace app
