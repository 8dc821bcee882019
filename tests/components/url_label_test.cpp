// The URL label on a shown form (offscreen), with the desktop's shell and warning sound replaced by recorders.
#include "components/url_label.h"

#include <gtest/gtest.h>

#include "platform/ui/system.h"
#include "tests/platform/ui/ui_test_support.h"

namespace components {
namespace {

constexpr pf::TColor kOwnColor = 0xA00000;

class UrlLabelTest : public testing::Test {
 protected:
  void SetUp() override {
    form = ui_test::ActiveForm(400, 200);
    label = new TUrlLabel(form.get());
    label->SetParent(form.get());
    label->SetAutoSize(false);
    label->SetBounds(20, 20, 200, 20);
    label->Font().SetColor(kOwnColor);
    label->OnClick = [this](pf::TObject*) { ++clicks; };
    pf::SetShellHandler([this](const std::string& target) {
      opened.push_back(target);
      return target.find("kaputt") == std::string::npos;
    });
    pf::SetBeepHandler([this] { ++beeps; });
  }
  void TearDown() override {
    pf::SetShellHandler(nullptr);
    pf::SetBeepHandler(nullptr);
  }
  // The cursor of the control under the mouse, which the window system shows.
  static pf::TCursor ShownCursor() {
    const pf::TControl* under = pf::FindDragTarget(pf::GetCursorPos(), true);
    return under != nullptr ? under->Cursor() : pf::crDefault;
  }
  // The mouse goes elsewhere on the form; within about a hover interval the label shows colour.
  void LeaveFor(pf::TColor color) {
    QTest::mouseMove(ui_test::Widget(*form), {300, 150});
    QElapsedTimer clock;
    clock.start();
    EXPECT_TRUE(ui_test::RunUntil([&] { return label->Font().Color() == color; }, 1000));
    EXPECT_LT(clock.elapsed(), 400);
  }

  std::unique_ptr<pf::TForm> form;
  TUrlLabel* label = nullptr;
  std::vector<std::string> opened;
  int beeps = 0;
  int clicks = 0;
};

TEST_F(UrlLabelTest, HoverHighlightsAndLeavingRestores) {
  label->SetURL("https://www.example.org/");
  EXPECT_EQ(label->Text(), "https://www.example.org/");
  label->SetCaption("Webseite");
  EXPECT_EQ(label->Text(), "Webseite");
  EXPECT_TRUE(label->UnderlineURL());

  QTest::mouseMove(ui_test::Widget(*label), {10, 10});
  EXPECT_EQ(label->Font().Color(), pf::clRed);
  EXPECT_EQ(ShownCursor(), pf::crHandPoint);
  // A new highlight while the mouse is over the label keeps the label's own colour for the way back.
  label->SetHighlightColor(pf::clGreen);
  LeaveFor(kOwnColor);
  EXPECT_NE(ShownCursor(), pf::crHandPoint);

  QTest::mouseMove(ui_test::Widget(*label), {10, 10});
  EXPECT_EQ(label->Font().Color(), pf::clGreen);
  label->SetUseVisitedColor(true);
  label->SetVisitedColor(pf::clPurple);
  QTest::mouseClick(ui_test::Widget(*label), Qt::LeftButton, {}, {10, 10});
  LeaveFor(pf::clPurple);
}

TEST_F(UrlLabelTest, ClickOpensTheAddressOnceThenRaisesOnClick) {
  const std::string longUrl = "https://example.org/?q=" + std::string(1500, 'a');
  const struct {
    std::string url;
    std::vector<std::string> opened;
    int beeps;
  } cases[] = {
      {"", {}, 0},  // a caption without an address only raises OnClick
      {"https://www.example.org/", {"https://www.example.org/"}, 0},
      {"mailto:kaputt@example.org", {"mailto:kaputt@example.org"}, 1},  // nothing could open it
      {longUrl, {longUrl}, 0},                                          // opened whole
  };
  label->SetCaption("Verweis");
  for (const auto& c : cases) {
    label->SetURL(c.url);
    opened.clear();
    beeps = clicks = 0;
    QTest::mouseClick(ui_test::Widget(*label), Qt::LeftButton, {}, {10, 10});
    EXPECT_EQ(opened, c.opened) << c.url.substr(0, 30);
    EXPECT_EQ(beeps, c.beeps) << c.url.substr(0, 30);
    EXPECT_EQ(clicks, 1) << c.url.substr(0, 30);
  }
}

// The desktop's own opener: an address for which it finds no program beeps once, one it hands to a program does not;
// both raise OnClick.
TEST_F(UrlLabelTest, AnAddressThatNoProgramOpensBeeps) {
  pf::SetShellHandler(nullptr);
  label->SetURL("mailto:pexu@example.org");
  for (const bool found : {false, true}) {
    ui_test::StandInDesktop desktop(found ? "exit 0" : "exit 3", "exit 0");
    beeps = clicks = 0;
    QTest::mouseClick(ui_test::Widget(*label), Qt::LeftButton, {}, {10, 10});
    EXPECT_EQ(beeps, found ? 0 : 1) << found;
    EXPECT_EQ(clicks, 1) << found;
  }
}

}  // namespace
}  // namespace components
