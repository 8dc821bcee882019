// The form shadow: where the strips go, when they show, what they paint; the client texture and its tiling.
#include <gtest/gtest.h>

#include <memory>

#include "components/dyn_form.h"
#include "platform/core/exceptions.h"
#include "platform/ui/extctrls.h"
#include "tests/platform/core/test_helpers.h"
#include "tests/pump_until.h"

namespace components {
namespace {

// A form that is shown and active.
std::unique_ptr<pf::TForm> ActiveForm() {
  auto form = std::make_unique<pf::TForm>(nullptr);
  form->SetBounds(100, 100, 400, 300);
  form->Show();
  EXPECT_TRUE(testing_clock::PumpUntil([&] { return form->Active(); }));
  return form;
}

TEST(DynForm, StripsBesideTheFormAndRefusedOwners) {
  pf::TForm form(nullptr);
  form.SetBounds(100, 100, 400, 300);
  auto* dyn = new TDynForm(&form);
  const struct {
    int32_t pos, width;
    pf::TRect right, bottom;
  } cases[] = {
      {5, 5, pf::Bounds(500, 105, 5, 295), pf::Bounds(105, 400, 400, 5)},
      {10, 3, pf::Bounds(500, 110, 3, 290), pf::Bounds(110, 400, 393, 3)},
  };
  for (const auto& c : cases) {
    dyn->Shadow().SetPos(c.pos);
    dyn->Shadow().SetWidth(c.width);
    EXPECT_EQ(dyn->RightStrip()->BoundsRect(), c.right);
    EXPECT_EQ(dyn->BottomStrip()->BoundsRect(), c.bottom);
  }
  form.SetBounds(0, 0, 200, 100);  // WM_MOVE and WM_SIZE take them along
  EXPECT_EQ(dyn->RightStrip()->BoundsRect(), pf::Bounds(200, 10, 3, 90));
  EXPECT_EQ(dyn->BottomStrip()->OwnerForm(), &form);

  pf::TPanel panel(nullptr);
  pf::TForm docked(nullptr);
  docked.SetParent(&form);
  EXPECT_EQ(pf::test::MessageOf<pf::EInvalidCast>([] { TDynForm dyn(nullptr); }), "TForm(Owner)");
  EXPECT_EQ(pf::test::MessageOf<pf::EInvalidCast>([&] { new TDynForm(&panel); }), "TForm(Owner)");
  EXPECT_EQ(pf::test::MessageOf<pf::EInvalidCast>([&] { new TDynForm(&docked); }), "MDIChild(Owner)");
  docked.SetParent(nullptr);
}

// Shown while the form is active and neither minimised nor maximised; never with ssNone. The messages come as the
// window system would send them.
TEST(DynForm, ShadowFollowsActivationAndWindowState) {
  for (TDynShadowStyle style : {ssPattern, ssNone}) {
    auto form = ActiveForm();
    auto* dyn = new TDynForm(form.get());
    dyn->Shadow().SetStyle(style);
    const bool shows = style != ssNone;
    bool hiddenDuringDrag = false;
    form->WindowProc = [&, procedure = form->WindowProc](pf::TMessage& m) {
      if (m.Msg == pf::WM_NCLBUTTONDOWN) hiddenDuringDrag = !dyn->RightStrip()->Visible();
      procedure(m);
    };
    const struct {
      uint32_t msg;
      pf::WPARAM wParam;
      bool visible;
    } steps[] = {
        {pf::WM_ACTIVATE, pf::WA_ACTIVE, shows},
        {pf::WM_SIZE, pf::SIZE_MINIMIZED, false},
        {pf::WM_SIZE, pf::SIZE_RESTORED, shows},
        {pf::WM_SIZE, pf::SIZE_MAXIMIZED, false},
        {pf::WM_MOVE, 0, shows},
        {pf::WM_ACTIVATE, pf::WA_INACTIVE, false},
        {pf::WM_ACTIVATE, pf::WA_CLICKACTIVE, shows},
        {pf::WM_ACTIVATEAPP, 0, false},
        {pf::WM_ACTIVATEAPP, 1, shows},
        {pf::WM_ACTIVATE, pf::WA_INACTIVE, false},
        {pf::WM_ACTIVATEAPP, 1, false},  // the application became active, not this form
        {pf::WM_ACTIVATE, pf::WA_ACTIVE, shows},
        {pf::WM_NCLBUTTONDOWN, 0, shows},
        {pf::WM_CLOSE, 0, false},
    };
    for (const auto& step : steps) {
      form->Perform(step.msg, step.wParam);
      EXPECT_EQ(dyn->RightStrip()->Visible(), step.visible) << style << " " << step.msg << " " << step.wParam;
      EXPECT_EQ(dyn->BottomStrip()->Visible(), step.visible);
    }
    EXPECT_TRUE(hiddenDuringDrag);
    EXPECT_EQ(dyn->Shadow().Style(), style);  // back after the drag
    form->Perform(pf::WM_DESTROY);
    EXPECT_EQ(dyn->RightStrip(), nullptr);
  }
}

// A move by the mouse, as the window layer reports it: no shadow from its start to its end, whatever the form hears
// meanwhile, then the shadow beside the form at its new place, in its own style; with ssNone none at all.
TEST(DynForm, MoveByTheMouseHidesTheShadowUntilItEnds) {
  for (TDynShadowStyle style : {ssPattern, ssNone}) {
    auto form = ActiveForm();
    auto* dyn = new TDynForm(form.get());
    dyn->Shadow().SetStyle(style);
    form->Perform(pf::WM_ACTIVATE, pf::WA_ACTIVE);
    ASSERT_EQ(dyn->RightStrip()->Visible(), style != ssNone);
    form->Perform(pf::WM_ENTERSIZEMOVE);
    form->SetBounds(150, 120, 400, 300);
    for (uint32_t msg : {pf::WM_MOUSEMOVE, pf::WM_NCHITTEST, pf::WM_LBUTTONUP, pf::WM_ACTIVATE})
      form->Perform(msg, msg == pf::WM_ACTIVATE ? pf::WPARAM{pf::WA_ACTIVE} : 0);
    EXPECT_FALSE(dyn->RightStrip()->Visible()) << style;
    EXPECT_FALSE(dyn->BottomStrip()->Visible()) << style;
    form->Perform(pf::WM_EXITSIZEMOVE);
    EXPECT_EQ(dyn->Shadow().Style(), style);
    EXPECT_EQ(dyn->RightStrip()->Visible(), style != ssNone) << style;
    EXPECT_EQ(dyn->BottomStrip()->Visible(), style != ssNone) << style;
    const pf::TRect r = form->BoundsRect();
    EXPECT_EQ(dyn->RightStrip()->BoundsRect(), pf::Bounds(r.Right, r.Top + 5, 5, r.Height() - 5));
  }
}

// The strips AND a checkerboard onto what lies beneath: rows 55 and AA (the leftmost pixel is the high bit).
TEST(DynForm, StripsDarkenEveryOtherPixel) {
  pf::TForm form(nullptr);
  auto* dyn = new TDynForm(&form);
  TShadowStrip& strip = *dyn->RightStrip();
  pf::TBitmap beneath(strip.Width(), 4, pf::pf24bit);
  beneath.Canvas().Brush().SetColor(pf::clYellow);
  beneath.Canvas().FillRect({0, 0, beneath.Width(), 4});
  pf::TMessage erase;
  erase.Msg = pf::WM_ERASEBKGND;
  erase.Payload = &beneath.Canvas();
  strip.Perform(erase);
  EXPECT_EQ(erase.Result, -1);
  const pf::TColor expected[2][4] = {{pf::clBlack, pf::clYellow, pf::clBlack, pf::clYellow},
                                     {pf::clYellow, pf::clBlack, pf::clYellow, pf::clBlack}};
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(beneath.GetPixel(x, y), expected[y][x]) << x << "," << y;
}

TEST(DynForm, ClientTextureTiles) {
  // A 4 x 4 bitmap whose pixel (x, y) has red 10 x and green 10 y.
  pf::TBitmap tile(4, 4, pf::pf24bit);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) tile.SetPixel(x, y, pf::RGB(10 * x, 10 * y, 0));
  const auto TileAt = [](int x, int y) { return pf::RGB(10 * x, 10 * y, 0); };

  // Over a 10 x 7 area at (1, 1) moved by (5, 2): columns start one pixel in, rows two; the last row is cut.
  pf::TBitmap target(12, 9, pf::pf24bit);
  target.Canvas().Brush().SetColor(pf::clWhite);
  target.Canvas().FillRect({0, 0, 12, 9});
  TileBitmap(target.Canvas(), pf::Rect(1, 1, 11, 8), tile, 5, 2);
  const struct {
    int x, y;
    pf::TColor color;
  } probes[] = {{1, 1, TileAt(1, 2)}, {4, 1, TileAt(0, 2)},  {10, 1, TileAt(2, 2)},
                {1, 3, TileAt(1, 0)}, {10, 7, TileAt(2, 0)}, {0, 0, pf::clWhite},
                {11, 4, pf::clWhite}, {5, 8, pf::clWhite},   {7, 6, TileAt(3, 3)}};
  for (const auto& p : probes) EXPECT_EQ(target.GetPixel(p.x, p.y), p.color) << p.x << "," << p.y;

  // The form's background: the area's left and top edges go down to multiples of the bitmap's size, so that the
  // tiling stays put wherever the area to paint begins. Without a bitmap the form erases as usual.
  pf::TForm form(nullptr);
  form.SetColor(pf::clRed);
  auto* dyn = new TDynForm(&form);
  pf::TBitmap client(12, 9, pf::pf24bit);
  pf::TMessage erase;
  erase.Msg = pf::WM_ERASEBKGND;
  erase.Payload = &client.Canvas();
  client.Canvas().IntersectClipRect(6, 5, 12, 9);
  form.Perform(erase);
  EXPECT_EQ(client.GetPixel(7, 6), pf::clRed);
  dyn->ClientTexture().Bitmap().Assign(tile);
  dyn->ClientTexture().SetX(1);
  form.Perform(erase);
  EXPECT_EQ(erase.Result, 1);
  EXPECT_EQ(client.GetPixel(7, 6), TileAt(0, 2));
  EXPECT_EQ(client.GetPixel(11, 8), TileAt(0, 0));
}

}  // namespace
}  // namespace components
