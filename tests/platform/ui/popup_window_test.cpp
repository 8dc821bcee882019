// Pop-up windows: shown beside a form without taking its activation, painted over the screen beneath them.
#include <gtest/gtest.h>

#include "platform/ui/popup_window.h"
#include "tests/platform/ui/ui_test_support.h"

namespace {

using namespace pf;

TEST(PopupWindow, ShowsWithoutActivationOverWhatLiesBeneath) {
  auto form = ui_test::ActiveForm(200, 150);
  form->SetColor(clRed);
  form->Repaint();
  const TPoint origin = form->ClientOrigin();
  TPopupWindow popup(nullptr, form.get());
  popup.SetColor(clBlue);
  // Painting leaves the backdrop as it is and darkens every other pixel of it.
  popup.WindowProc = [&popup](TMessage& m) {
    if (m.Msg != WM_ERASEBKGND) return;
    TCanvas& canvas = *MessageCanvas(m);
    for (int32_t x = 0; x < popup.Width(); x += 2) canvas.SetPixel(x, 0, clBlack);
    m.Result = 1;
  };
  popup.SetBounds(origin.X + 20, origin.Y + 30, 10, 4);
  EXPECT_FALSE(ui_test::Widget(popup)->isVisible());
  popup.Show();
  ASSERT_TRUE(ui_test::RunUntil([&] { return ui_test::Widget(popup)->isVisible(); }));
  ui_test::RunFor(50);
  EXPECT_TRUE(form->Active());
  EXPECT_EQ(ui_test::Widget(popup)->geometry(), QRect(origin.X + 20, origin.Y + 30, 10, 4));
  const QImage shot = ui_test::Widget(popup)->grab().toImage();
  EXPECT_EQ(shot.pixelColor(1, 2), QColor(255, 0, 0));  // the form beneath
  EXPECT_EQ(shot.pixelColor(2, 0), QColor(0, 0, 0));

  // Moved while shown, it looks at the screen at its new place; the owner form's going is survived.
  popup.SetBounds(origin.X + 500, origin.Y + 30, 10, 4);
  ui_test::RunFor(50);
  EXPECT_TRUE(ui_test::Widget(popup)->isVisible());
  EXPECT_NE(ui_test::Widget(popup)->grab().toImage().pixelColor(1, 2), QColor(255, 0, 0));
  form.reset();
  EXPECT_EQ(popup.OwnerForm(), nullptr);
}

}  // namespace
