// Drawing beyond the basics: 3-D edges, mapping modes, geometric pens, region fills, pattern brushes, smooth
// stretching, alpha, DIB transfers, device capabilities, and blits on surfaces that can only be painted.
#include <gtest/gtest.h>

#include <QPicture>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/graphics/bitmap.h"
#include "platform/graphics/canvas.h"
#include "platform/graphics/dib.h"
#include "tests/platform/graphics/graphics_test_helpers.h"

namespace pf {
namespace {

// The picture as text with one letter per colour ('?' a colour not named).
std::string Letters(const TBitmap& b, const std::map<TColor, char>& names) {
  std::string s;
  for (int32_t y = 0; y < b.Height(); ++y) {
    for (int32_t x = 0; x < b.Width(); ++x) {
      auto it = names.find(b.GetPixel(x, y));
      s += it != names.end() ? it->second : '?';
    }
    s += '\n';
  }
  return s;
}

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
      {BDR_RAISEDINNER, BF_BOTTOMRIGHT | BF_ADJUST, "....S\n....S\n....S\n....S\nSSSSS\n", {0, 0, 4, 4}},
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
  TCanvas none;
  EXPECT_FALSE(DrawEdge(none, r, EDGE_RAISED, BF_RECT));
}

}  // namespace
}  // namespace pf
