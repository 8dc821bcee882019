// The status bar on shown forms (offscreen): widths and parts, the width and name rules, what each style draws,
// hosted controls, timers, lock keys, the mouse and the simple mode.
#include "components/status_bar.h"

#include <gtest/gtest.h>

#include <limits>
#include <map>

#include "platform/core/strings.h"
#include "platform/ui/comctrls.h"
#include "platform/ui/extctrls.h"
#include "platform/ui/menus.h"
#include "platform/ui/stdctrls.h"
#include "platform/ui/system.h"
#include "tests/platform/core/test_helpers.h"
#include "tests/platform/ui/ui_test_support.h"

namespace components {
namespace {

using pf::test::MessageOf;

constexpr const char* kWidthError =
    "Width must be a valid, positive integer, or must be an integer followed by a \"%\" sign.";

class StatusBarTest : public testing::Test {
 protected:
  // Fixed-metric fonts draw every glyph as a solid box in the text colour.
  void SetUp() override {
    pf::SetFontService(pf::CreateFixedMetricFontService());
    form = ui_test::ActiveForm(800, 200);
    bar = NewBar(759);
  }
  void TearDown() override {
    form.reset();
    pf::SetNowFunction(nullptr);
    pf::SetFontService(nullptr);
  }

  // Each bar in a row of its own, so that none hides another.
  TsbStatusBar* NewBar(int32_t width) {
    auto* b = new TsbStatusBar(form.get());
    b->SetParent(form.get());
    b->SetAlign(pf::alNone);
    b->SetBounds(0, 20 + 30 * static_cast<int32_t>(StatusBarList().size()), width, 20);
    // Every draw of every panel, counted by panel.
    b->OnDrawPanel = [this](TsbCustomStatusBar*, TsbStatusPanel* panel, const pf::TRect& r) {
      ++draws[panel];
      drawnRect[panel] = r;
    };
    return b;
  }
  static TsbStatusPanel* AddPanel(TsbCustomStatusBar* b, const std::string& width, TsbStatusPanelStyle style) {
    TsbStatusPanel* panel = b->Panels().Add();
    panel->SetWidth(width);
    panel->SetStyle(style);
    return panel;
  }
  // The whole bar is painted by the event loop, as after any change.
  static void PaintBar(TsbCustomStatusBar* b) {
    b->Invalidate();
    ui_test::RunFor(30);
  }
  // Paints that earlier changes left waiting are done before counting.
  void Settle() {
    ui_test::RunFor(30);
    draws.clear();
  }
  // A press and release, then the second press that the window system reports as a double click, and its release.
  static void DoubleClick(QWidget* widget, QPoint at) {
    QTest::mouseMove(widget, at);
    QTest::mouseClick(widget, Qt::LeftButton, {}, at);
    QTest::mouseDClick(widget, Qt::LeftButton, {}, at);
    QTest::mouseRelease(widget, Qt::LeftButton, {}, at);
  }
  // A panel painted on its own into a bitmap of its part's size, for pixel probes.
  static std::unique_ptr<pf::TBitmap> Painted(TsbStatusPanel* panel) {
    const pf::TRect part = panel->GetPanelRect();
    auto bitmap = std::make_unique<pf::TBitmap>(part.Width(), part.Height(), pf::pf24bit);
    panel->Paint(bitmap->Canvas(), {0, 0, part.Width(), part.Height()});
    return bitmap;
  }
  // The columns from the first to the last pixel of colour.
  static int32_t InkWidth(const pf::TBitmap& bitmap, pf::TColor color) {
    int32_t left = bitmap.Width(), right = 0;
    for (int32_t x = 0; x < bitmap.Width(); ++x)
      for (int32_t y = 0; y < bitmap.Height(); ++y)
        if (bitmap.GetPixel(x, y) == color) left = std::min(left, x), right = std::max(right, x + 1);
    return std::max(right - left, 0);
  }

  std::unique_ptr<pf::TForm> form;
  TsbStatusBar* bar = nullptr;
  std::map<const TsbStatusPanel*, int> draws;
  std::map<const TsbStatusPanel*, pf::TRect> drawnRect;
};

TEST_F(StatusBarTest, WidthsBecomePartsAcrossAResize) {
  constexpr int32_t kMaxWidth = std::numeric_limits<int32_t>::max();
  struct Case {
    std::vector<std::string> widths;
    int32_t barWidth;
    std::vector<int32_t> pixels;
    std::vector<pf::TRect> parts;
  };
  const Case cases[] = {
      {{"500", "50", "150"}, 759, {500, 50, 150}, {{0, 2, 500, 20}, {502, 2, 550, 20}, {552, 2, 759, 20}}},
      {{"70%", "10%", "20%"}, 759, {531, 75, 151}, {{0, 2, 531, 20}, {533, 2, 606, 20}, {608, 2, 759, 20}}},
      {{"70%", "10%", "20%"}, 1000, {700, 100, 200}, {{0, 2, 700, 20}, {702, 2, 800, 20}, {802, 2, 1000, 20}}},
      // Shares beyond 32 bits stop at the largest width; their parts end at the bar's end.
      {{"2147483647%", "2147483647%", "10"},
       300,
       {kMaxWidth, kMaxWidth, 10},
       {{0, 2, 300, 20}, {300, 2, 300, 20}, {300, 2, 300, 20}}},
      {{"100", "50%"}, 300, {100, 100}, {{0, 2, 100, 20}, {102, 2, 300, 20}}},
  };
  for (const Case& c : cases) {
    if (bar->Panels().Count() != static_cast<int>(c.widths.size())) {
      bar->Panels().Clear();
      for (const std::string& w : c.widths) AddPanel(bar, w, psTextOnly);
    }
    for (size_t i = 0; i < c.widths.size(); ++i) bar->Panels()[static_cast<int>(i)]->SetWidth(c.widths[i]);
    bar->SetWidth(c.barWidth);
    for (size_t i = 0; i < c.widths.size(); ++i) {
      const TsbStatusPanel* panel = bar->Panels()[static_cast<int>(i)];
      EXPECT_EQ(panel->PixelWidth(), c.pixels[i]) << c.widths[i] << " of " << c.barWidth;
      EXPECT_EQ(panel->GetPanelRect(), c.parts[i]) << c.widths[i] << " of " << c.barWidth;
    }
    EXPECT_EQ(bar->Parts().back(), -1);
  }
  EXPECT_EQ(bar->GetPanelAt(101, 10), nullptr);  // between two parts
  EXPECT_EQ(bar->GetPanelAt(250, 10), bar->Panels()[1]);
}

TEST_F(StatusBarTest, WidthAndNameRules) {
  TsbStatusPanel* panel = AddPanel(bar, "50", psTextOnly);
  for (const char* bad : {"-1", "abc", "%", "", " 5", "+5", "5%%", "2147483648"}) {
    EXPECT_EQ(MessageOf<pf::EInvalidOperation>([&] { panel->SetWidth(bad); }), kWidthError) << bad;
    EXPECT_EQ(panel->Width(), "50");
  }
  for (const char* good : {"0", "0%", "2147483647"}) {
    panel->SetWidth(good);
    EXPECT_EQ(panel->Width(), good);
  }

  EXPECT_EQ(panel->Name(), "Panel0");
  EXPECT_EQ(bar->Panels().Add()->Name(), "Panel1");
  panel->SetName("Nachricht");
  EXPECT_EQ(MessageOf<pf::EInvalidOperation>([&] { bar->Panels()[1]->SetName("nachricht"); }),
            "A panel named nachricht already exists.");
  EXPECT_EQ(bar->Panels()[1]->Name(), "Panel1");
  EXPECT_EQ(bar->Panels().Add()->Name(), "Panel0");
  EXPECT_EQ(bar->Panels()[2]->DisplayName(), "Panel0");
}

// The main window's status message: one text change is one draw and one notification; the colour is painted.
TEST_F(StatusBarTest, TextAndColourChangesRepaintTheirPart) {
  TsbStatusPanel* message = AddPanel(bar, "500", psTextOnly);
  AddPanel(bar, "50", psTextOnly);
  std::vector<std::string> changes;
  message->OnTextChanged = [&](pf::TObject*, const std::string& text) { changes.push_back(text); };
  Settle();
  message->SetColor(0xE0FFFF);
  message->SetText(" Frage TA101 hinzugef\xFCgt");
  message->SetText(" Frage TA101 hinzugef\xFCgt");
  EXPECT_EQ(changes, std::vector<std::string>{" Frage TA101 hinzugef\xFCgt"});
  EXPECT_EQ(draws[message], 1);
  EXPECT_EQ(draws[bar->Panels()[1]], 0);
  EXPECT_EQ(Painted(message)->GetPixel(400, 8), pf::TColor{0xE0FFFF});
}

// F-2: an "&" in a panel's text is a character, not an accelerator mark that swallows itself.
TEST_F(StatusBarTest, AmpersandsAreDrawnAsTheyAre) {
  TsbStatusPanel* panel = AddPanel(bar, "300", psTextOnly);
  auto inkWidth = [&](const std::string& text) {
    panel->SetText(text);
    return InkWidth(*Painted(panel), pf::clBlack);
  };
  EXPECT_EQ(inkWidth("&x"), inkWidth("ax"));
  EXPECT_EQ(inkWidth("&&x"), inkWidth("aax"));
}

// The grip shows, and the last panel leaves room for it, only on a bar that stands right on a form that can be
// resized: not on a dialog, not on a panel inside a sizeable form.
TEST_F(StatusBarTest, LastPanelLeavesRoomForTheGrip) {
  auto* holder = new pf::TPanel(form.get());
  holder->SetParent(form.get());
  holder->SetBounds(0, 100, 800, 60);
  bar->SetAlign(pf::alBottom);
  TsbStatusPanel* first = AddPanel(bar, "100", psTextOnly);
  TsbStatusPanel* last = AddPanel(bar, "100", psTextOnly);
  const int32_t trim = std::min(23, pf::GetSystemMetrics(pf::SM_CXVSCROLL) + 1);
  const struct {
    pf::TFormBorderStyle border;
    pf::TWinControl* parent;
    bool grip;
  } cases[] = {{pf::bsSizeable, form.get(), true}, {pf::bsDialog, form.get(), false}, {pf::bsSizeable, holder, false}};
  for (const auto& c : cases) {
    form->SetBorderStyle(c.border);
    bar->SetParent(c.parent);
    PaintBar(bar);
    EXPECT_EQ(bar->SizeGrip(), c.grip) << c.border;
    EXPECT_EQ(bar->GripShown(), c.grip) << c.border;
    EXPECT_EQ(drawnRect[last].Right, bar->ClientWidth() - 1 - (c.grip ? trim : 0)) << c.border;
    EXPECT_EQ(drawnRect[first].Right, 99);
  }
}

TEST_F(StatusBarTest, HostedControlLivesInOnePanelOfAllBars) {
  auto* progress = new pf::TProgressBar(form.get());
  progress->SetParent(form.get());
  AddPanel(bar, "500", psTextOnly);
  TsbStatusPanel* balken = AddPanel(bar, "150", psTextOnly);
  balken->SetBevel(pbNone);
  balken->SetComponent(progress);
  EXPECT_EQ(balken->Style(), psControl);
  EXPECT_EQ(MessageOf<pf::EInvalidOperation>([&] { balken->SetComponent(bar); }),
            "Control cannot equal parent StatusBar");
  PaintBar(bar);
  EXPECT_EQ(progress->Parent(), bar);
  EXPECT_EQ(progress->BoundsRect(), drawnRect[balken]);
  balken->SetMargin(2);
  PaintBar(bar);
  const pf::TRect part = drawnRect[balken];
  EXPECT_EQ(progress->BoundsRect(), (pf::TRect{part.Left + 2, part.Top + 2, part.Right - 2, part.Bottom - 2}));

  TsbStatusBar* second = NewBar(300);
  TsbStatusPanel* other = AddPanel(second, "100", psTextOnly);
  other->SetComponent(progress);
  EXPECT_EQ(balken->Component(), nullptr);
  EXPECT_EQ(balken->Style(), psTextOnly);
  PaintBar(second);
  EXPECT_EQ(progress->Parent(), second);
  delete progress;
  EXPECT_EQ(other->Component(), nullptr);
}

TEST_F(StatusBarTest, TimersRunWhileAPanelNeedsThem) {
  auto running = [&] {
    std::string ids;
    for (uintptr_t id : {kDateTimeTimer, kHintTimer, kRichEditTimer})
      if (bar->TimerActive(id)) ids += (ids.empty() ? "" : " ") + pf::IntToStr(static_cast<int64_t>(id));
    return ids;
  };
  auto* memo = new pf::TMemo(form.get());
  TsbStatusPanel* date = AddPanel(bar, "80", psDate);
  EXPECT_EQ(running(), "200");
  TsbStatusPanel* time = AddPanel(bar, "80", psTime);
  date->SetStyle(psTextOnly);
  EXPECT_EQ(running(), "200");
  time->SetStyle(psHintContainerOnly);
  EXPECT_EQ(running(), "300");
  date->SetComponent(memo);
  EXPECT_EQ(date->Style(), psRichEditStatus);
  EXPECT_EQ(running(), "300 400");
  bar->Panels().Delete(time->Index());
  EXPECT_EQ(running(), "400");
  date->SetComponent(nullptr);
  EXPECT_EQ(running(), "");
}

// Timer 200 ticks once a second; a tick repaints a date or time panel only when its value moved on.
TEST_F(StatusBarTest, DateAndTimePanelsRepaintWhenTheirValueMoves) {
  TsbStatusPanel* time = AddPanel(bar, "100", psTime);
  Settle();
  ui_test::RunFor(3200);
  EXPECT_GE(draws[time], 2);
  EXPECT_LE(draws[time], 4);

  const pf::TDateTime day = pf::EncodeDate(2026, 12, 6);
  pf::TDateTime now = day + pf::EncodeTime(23, 59, 58, 0);
  pf::SetNowFunction([&] { return now; });
  TsbStatusPanel* date = AddPanel(bar, "100", psDate);
  Settle();
  const struct {
    pf::TDateTime now;
    int timeDraws, dateDraws;
  } ticks[] = {{now, 0, 0}, {day + pf::EncodeTime(23, 59, 59, 0), 1, 0}, {pf::EncodeDate(2026, 12, 7), 1, 1}};
  for (const auto& tick : ticks) {
    now = tick.now;
    draws.clear();
    bar->Perform(pf::WM_TIMER, kDateTimeTimer);
    EXPECT_EQ(draws[time], tick.timeDraws) << tick.now;
    EXPECT_EQ(draws[date], tick.dateDraws) << tick.now;
  }
  EXPECT_EQ(date->Text(), "07.12.2026");
  EXPECT_EQ(time->Text(), "00:00:00");
}

// Caps Lock going down or up repaints every Caps Lock panel of every bar once, and nothing else: a display may
// switch the lock off only on the key's release. The text is enabled while the lock is on.
TEST_F(StatusBarTest, CapsLockRepaintsEveryCapsPanelOnEachKeyEvent) {
  TsbStatusBar* second = NewBar(300);
  TsbStatusPanel* caps[] = {AddPanel(bar, "60", psCapsLock), AddPanel(second, "60", psCapsLock)};
  TsbStatusPanel* others[] = {AddPanel(bar, "60", psNumLock), AddPanel(bar, "60", psTextOnly)};
  others[1]->SetText("Num");
  for (int event = 0; event < 4; ++event) {
    Settle();
    if (event % 2 == 0)
      QTest::keyPress(ui_test::Widget(*form), Qt::Key_CapsLock);
    else
      QTest::keyRelease(ui_test::Widget(*form), Qt::Key_CapsLock);
    for (TsbStatusPanel* panel : caps) EXPECT_EQ(draws[panel], 1) << event;
    for (TsbStatusPanel* panel : others) EXPECT_EQ(draws[panel], 0) << event;
    EXPECT_EQ(InkWidth(*Painted(caps[0]), pf::clBlack) > 0, pf::IsLockKeyOn(pf::VK_CAPITAL)) << event;
  }
}

// A double click on an Overwrite panel toggles the layer's Insert state and every Overwrite panel of every bar shows
// it at once; off an X display a Caps Lock panel cannot press its key and only raises OnDblClick.
TEST_F(StatusBarTest, DoubleClickOnALockKeyPanelTogglesTheKey) {
  TsbStatusBar* second = NewBar(300);
  TsbStatusPanel* overwrite[] = {AddPanel(bar, "100", psOverWrite), AddPanel(second, "100", psOverWrite)};
  TsbStatusPanel* caps = AddPanel(bar, "100", psCapsLock);
  std::vector<std::string> clicked;
  for (TsbStatusPanel* panel : {overwrite[0], caps})
    panel->OnDblClick = [&, panel](pf::TObject*) { clicked.push_back(panel->Name()); };
  QWidget* widget = ui_test::Widget(*bar);
  const bool insertBefore = pf::IsLockKeyOn(pf::VK_INSERT);
  for (int round = 1; round <= 2; ++round) {
    Settle();
    DoubleClick(widget, {50, 10});
    const bool on = pf::IsLockKeyOn(pf::VK_INSERT);
    EXPECT_EQ(on, round == 1 ? !insertBefore : insertBefore) << round;
    for (TsbStatusPanel* panel : overwrite) {
      EXPECT_EQ(draws[panel], 1) << round;
      EXPECT_EQ(InkWidth(*Painted(panel), pf::clBlack) > 0, on) << round;
    }
    EXPECT_EQ(draws[caps], 0) << round;
  }
  const bool capsBefore = pf::IsLockKeyOn(pf::VK_CAPITAL);
  DoubleClick(widget, {150, 10});
  EXPECT_EQ(clicked, (std::vector<std::string>{"Panel0", "Panel0", "Panel1"}));
  if (QGuiApplication::platformName() != QLatin1String("xcb")) {
    EXPECT_EQ(pf::IsLockKeyOn(pf::VK_CAPITAL), capsBefore);
  }
}

// F-1: with more than 128 panels the control keeps 128 parts, and drawing them does not lay them out again.
TEST_F(StatusBarTest, MorePanelsThanPartsDrawOnce) {
  bar->Panels().BeginUpdate();
  for (int i = 0; i < 130; ++i) AddPanel(bar, "5", psTextOnly);
  bar->Panels().EndUpdate();
  EXPECT_EQ(bar->PartCount(), kMaxPanelParts);
  Settle();
  bar->Repaint();
  ui_test::RunFor(100);
  EXPECT_EQ(draws.size(), static_cast<size_t>(kMaxPanelParts));
  for (const auto& [panel, count] : draws) EXPECT_EQ(count, 1) << panel->Name();
}

TEST_F(StatusBarTest, WhatEachStyleShows) {
  pf::SetNowFunction([] { return pf::EncodeDate(2026, 12, 6) + pf::EncodeTime(17, 5, 9, 0); });
  pf::TImageList images(nullptr, 16, 16);
  pf::TBitmap glyph(16, 16, pf::pf24bit);
  images.Add(glyph, nullptr);
  bar->SetImages(&images);
  auto* memo = new pf::TMemo(form.get());
  memo->SetParent(form.get());
  memo->SetBounds(400, 100, 185, 89);  // below the bar
  memo->SetText("erste\r\nzweite\r\ndritte Zeile");
  memo->SetSelStart(17);
  bar->StatusBarText().SetCapsLock("Feststell");
  const std::string user = pf::GetUserName(), host = pf::GetComputerName();
  const struct {
    TsbStatusPanelStyle style;
    std::string shown;  // "-": nothing drawn
  } cases[] = {
      {psDateTime, "06.12.2026 17:05:09"},
      {psDate, "06.12.2026"},
      {psTime, "17:05:09"},
      {psRichEditStatus, "Ln: 3, Col: 5"},
      {psCapsLock, "Feststell"},
      {psOverWrite, "Overwrite"},
      {psGlyph, "Bild"},
      {psHint, "Hinweis"},
      {psHintContainerOnly, "-"},  // the mouse is elsewhere
      {psUserName, user.size() < 25 ? user : "-"},
      {psComputerName, host.size() < 25 ? host : ""},
  };
  std::map<const TsbStatusPanel*, std::string> shown;
  std::map<const TsbStatusPanel*, int32_t> textLeft;
  for (const auto& c : cases) {
    TsbStatusPanel* panel = AddPanel(bar, "60", c.style);
    panel->OnDrawText = [&](TsbStatusPanel* p, std::string& text, bool&) {
      shown[p] = text;
      textLeft[p] = p->TextOptions().TextRect().Left - p->GetPanelRect().Left;
    };
    if (c.style == psGlyph) panel->SetText("Bild");
    if (c.style == psRichEditStatus) panel->SetComponent(memo);
  }
  QTest::mouseMove(ui_test::Widget(*form), {1000, 500});  // outside the form
  bar->Perform(pf::WM_TIMER, kRichEditTimer);
  pf::Application().SetHint("Hinweis");
  PaintBar(bar);
  for (size_t i = 0; i < std::size(cases); ++i) {
    const TsbStatusPanel* panel = bar->Panels()[static_cast<int>(i)];
    EXPECT_EQ(shown.count(panel) ? shown[panel] : "-", cases[i].shown) << i;
  }
  // The glyph takes the part's left, the text follows 5 pixels after it.
  EXPECT_EQ(textLeft[bar->Panels()[6]], 1 + 16 + 5 + 2);
  bar->SetImages(nullptr);
}

TEST_F(StatusBarTest, MouseEventsReachThePanelUnderTheCursor) {
  TsbStatusPanel* panels[] = {AddPanel(bar, "100", psTextOnly), AddPanel(bar, "100", psTextOnly)};
  panels[1]->SetHint("Zweites Feld");
  std::vector<std::string> events;
  for (TsbStatusPanel* panel : panels) {
    panel->OnClick = [&, panel](pf::TObject*) { events.push_back(panel->Name() + " click"); };
    panel->OnMouseDown = [&, panel](pf::TObject*, pf::TMouseButton b, pf::TShiftState, int32_t x, int32_t) {
      events.push_back(panel->Name() + " down " + pf::IntToStr(b) + " at " + pf::IntToStr(x));
    };
  }
  // The menu notes where it would pop up instead of showing itself.
  struct Menu : pf::TPopupMenu {
    using TPopupMenu::TPopupMenu;
    void Popup(int32_t x, int32_t y) override { at.push_back({x, y}); }
    std::vector<pf::TPoint> at;
  } menu(nullptr);
  panels[1]->SetPopupMenu(&menu);
  QWidget* widget = ui_test::Widget(*bar);
  QTest::mouseMove(widget, {150, 10});
  EXPECT_EQ(bar->Hint(), "Zweites Feld");
  QTest::mouseClick(widget, Qt::LeftButton, {}, {150, 10});
  QTest::mousePress(widget, Qt::RightButton, {}, {150, 10});
  QTest::mouseRelease(widget, Qt::RightButton, {}, {150, 10});
  QTest::mouseMove(widget, {20, 10});
  QTest::mouseClick(widget, Qt::LeftButton, {}, {20, 10});
  EXPECT_EQ(events, (std::vector<std::string>{"Panel1 down 0 at 150", "Panel1 click", "Panel1 down 1 at 150",
                                              "Panel0 down 0 at 20", "Panel0 click"}));
  ASSERT_EQ(menu.at.size(), 1u);
  EXPECT_EQ(bar->ScreenToClient(menu.at[0]), (pf::TPoint{150, 10}));
  EXPECT_EQ(bar->Hint(), "");
}

TEST_F(StatusBarTest, SimpleModeShowsOneTextOverTheBar) {
  TsbStatusPanel* panel = AddPanel(bar, "100", psTextOnly);
  panel->SetText("Teil");
  bar->SetSimpleText("Einfacher Text");
  bar->SetSimplePanel(true);
  Settle();
  PaintBar(bar);
  EXPECT_EQ(draws[panel], 0);
  EXPECT_EQ(bar->SimpleText(), "Einfacher Text");  // held by the control's simple part
  bar->SetSimplePanel(false);
  PaintBar(bar);
  EXPECT_EQ(draws[panel], 1);
}

// A bar of a derived class makes the panel collection of its own class; while a bar loads, invalidating it (also
// through a change of its lock-key texts) marks nothing for painting.
TEST_F(StatusBarTest, OwnPanelsClassAndNothingPaintedWhileLoading) {
  struct OwnPanels : TsbStatusPanels {
    using TsbStatusPanels::TsbStatusPanels;
    std::string ClassName() const override { return "OwnPanels"; }
  };
  struct OwnBar : TsbStatusBar {
    using TsbStatusBar::TsbStatusBar;
    TsbStatusPanelsClass GetPanelsClass() const override { return PanelsClassOf<OwnPanels>; }
  };
  auto* own = new OwnBar(form.get());
  own->SetParent(form.get());
  EXPECT_EQ(own->Panels().ClassName(), "OwnPanels");
  EXPECT_EQ(bar->Panels().ClassName(), "TsbStatusPanels");
  EXPECT_EQ(own->Panels().Add()->GetStatusBar(), own);

  TsbStatusPanel* first = AddPanel(bar, "100", psTextOnly);
  TsbStatusPanel* second = AddPanel(bar, "50", psTextOnly);
  Settle();
  bar->SetLoading(true);
  bar->Invalidate();
  bar->StatusBarText().SetCapsLock("Gross");
  ui_test::RunFor(30);
  EXPECT_TRUE(draws.empty());
  bar->SetLoading(false);
  PaintBar(bar);
  EXPECT_GT(draws[first], 0);
  EXPECT_GT(draws[second], 0);
}

}  // namespace
}  // namespace components
