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
  EXPECT_TRUE(form->Active());
  EXPECT_EQ(ui_test::Widget(popup)->geometry(), QRect(origin.X + 20, origin.Y + 30, 10, 4));
  const QImage shot = ui_test::Widget(popup)->grab().toImage();
  EXPECT_EQ(shot.pixelColor(1, 2), QColor(255, 0, 0));  // the form beneath
  EXPECT_EQ(shot.pixelColor(2, 0), QColor(0, 0, 0));

  // Moved while shown, it looks at the screen at its new place; the owner form's going is survived.
  popup.SetBounds(origin.X + 500, origin.Y + 30, 10, 4);
  ASSERT_TRUE(ui_test::RunUntil([&] { return ui_test::Widget(popup)->isVisible(); }));
  EXPECT_NE(ui_test::Widget(popup)->grab().toImage().pixelColor(1, 2), QColor(255, 0, 0));
  form.reset();
  EXPECT_EQ(popup.OwnerForm(), nullptr);
}

// A window that moves with its form to where the form was pictures what lies beneath once that is painted again,
// not what the form left on the screen.
TEST(PopupWindow, MovedWithItsFormPicturesWhatTheFormUncovered) {
  auto backdrop = ui_test::ActiveForm(400, 300);
  backdrop->SetColor(clRed);
  auto form = ui_test::ActiveForm(150, 100);
  form->SetColor(clLime);
  form->SetBounds(200, 60, 150, 100);
  TPopupWindow popup(nullptr, form.get());
  popup.WindowProc = [](TMessage& m) { m.Result = 1; };  // shows its picture as it is
  const auto pictured = [&](QColor color) {
    QWidget* widget = ui_test::Widget(popup);
    return ui_test::RunUntil([&] { return widget->isVisible() && widget->grab().toImage().pixelColor(2, 5) == color; });
  };
  popup.SetBounds(350, 70, 5, 90);
  popup.Show();
  EXPECT_TRUE(pictured(QColor(255, 0, 0)));
  form->SetBounds(100, 60, 150, 100);
  popup.SetBounds(250, 70, 5, 90);
  EXPECT_TRUE(pictured(QColor(255, 0, 0)));
}

}  // namespace
