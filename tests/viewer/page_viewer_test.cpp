// The page viewer control in an offscreen window: loading, anchors, history with positions and form values, links,
// deferred submissions, scrolling by keys, wheel and resize, selection, panning and automatic scrolling on a fake
// clock, drags onto the page, and the pure bar plan.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/core/exceptions.h"
#include "platform/core/strings.h"
#include "platform/graphics/canvas.h"
#include "platform/graphics/fonts.h"
#include "platform/graphics/png_image.h"
#include "platform/ui/capture.h"
#include "platform/ui/extctrls.h"
#include "platform/ui/forms.h"
#include "platform/ui/input.h"
#include "platform/ui/system.h"
#include "tests/platform/ui/ui_test_support.h"
#include "tests/pump_until.h"
#include "viewer/form_controls.h"
#include "viewer/page_viewer.h"

namespace {

using namespace viewer;
namespace fs = std::filesystem;

TEST(PageViewerPlan, ScrollBars) {
  struct Case {
    int32_t w, h, b, doc, horz;
    pf::TScrollStyle style;
    bool showV;
    bool vBar, hBar;
    int32_t panelW, panelH, maxHorz;
  };
  const Case cases[] = {
      {400, 300, 0, 300, 400, pf::ssBoth, false, false, false, 400, 300, 400},     // exactly fits: no bar
      {400, 300, 0, 300, 400, pf::ssBoth, true, true, true, 384, 284, 400},        // kept bar: the width no longer fits
      {400, 300, 0, 301, 100, pf::ssVertical, false, true, false, 384, 300, 100},  // one pixel too high
      {400, 300, 1, 299, 100, pf::ssVertical, false, true, false, 382, 298, 100},  // the border takes two pixels
      {400, 300, 0, 100, 7000, pf::ssBoth, false, false, true, 400, 284, 6000},    // wide line: range ends at 6000
      {400, 300, 0, 310, 390, pf::ssBoth, false, true, true, 384, 284, 390},       // the bar's width tips the width
      {400, 300, 0, 900, 900, pf::ssNone, false, false, false, 400, 300, 900},
      {400, 300, 0, 900, 900, pf::ssHorizontal, false, false, true, 400, 284, 900},
  };
  for (const Case& c : cases) {
    const TScrollPlan plan = PlanScrollBars(c.w, c.h, c.b, 16, c.doc, c.horz, c.style, c.showV);
    EXPECT_EQ(plan.VBar, c.vBar) << c.doc << "x" << c.horz;
    EXPECT_EQ(plan.HBar, c.hBar) << c.doc << "x" << c.horz;
    EXPECT_EQ(plan.PanelWidth, c.panelW) << c.doc << "x" << c.horz;
    EXPECT_EQ(plan.PanelHeight, c.panelH) << c.doc << "x" << c.horz;
    EXPECT_EQ(plan.MaxHorzExtent, c.maxHorz);
  }
}

TEST(PageViewerPlan, AutoScrollSteps) {
  struct Case {
    int32_t y;
    int32_t pan, panCursor, select;
  };
  // Panning from y 100; selecting in a panel 200 high with a small change of 16.
  const Case cases[] = {
      {100, 0, pf::crDefault, 0},   {121, 8, pf::crPanDown, 0},    {161, 32, pf::crPanDown, 0},
      {79, -8, pf::crPanUp, 0},     {39, -32, pf::crPanUp, 0},     {0, -32, pf::crPanUp, -16},
      {-15, -32, pf::crPanUp, -16}, {-16, -32, pf::crPanUp, -128}, {201, 32, pf::crPanDown, 16},
      {215, 32, pf::crPanDown, 16}, {216, 32, pf::crPanDown, 128}, {200, 32, pf::crPanDown, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PanningStep(c.y, 100).Delta, c.pan) << c.y;
    EXPECT_EQ(PanningStep(c.y, 100).Cursor, c.panCursor) << c.y;
    EXPECT_EQ(SelectingStep(c.y, 200, 16).Delta, c.select) << c.y;
  }
}

// A viewer whose pointer and clock the test sets.
class TestViewer : public TPageViewer {
 public:
  using TPageViewer::TPageViewer;
  TPointerState pointer;
  uint32_t clock = 1000;

 protected:
  TPointerState PointerState() override { return pointer; }
  uint32_t TickCount() override { return clock; }
};

// Pages in a fresh folder and a viewer (main-window settings) in a shown 640 x 480 window.
class PageViewerTest : public ::testing::Test {
 protected:
  PageViewerTest() {
    pf::SetFontService(pf::CreateFixedMetricFontService());
    dir_ = fs::temp_directory_path() / ("pexu-viewer-" + std::to_string(::getpid()) + "-" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
    form_.SetBounds(0, 0, 640, 480);
    viewer_ = new TestViewer(&form_);
    viewer_->SetParent(&form_);
    viewer_->SetAlign(pf::alClient);
    viewer_->SetBorderStyle(htNone);
    viewer_->SetScrollBars(pf::ssVertical);
    viewer_->SetHistoryMaxCount(100);
    viewer_->SetOnFormSubmit([this](pf::TObject*, const std::string& action, const std::string&, const std::string&,
                                    const std::string& method, std::unique_ptr<pf::TStringList> results) {
      std::string s = action + " " + method;
      for (int i = 0; i < results->Count(); ++i) s += "|" + (*results)[i];
      submissions_.push_back(s);
    });
    viewer_->OnHistoryChange = [this](pf::TObject*) { ++historyChanges_; };
    form_.Show();
    Pump();
  }
  ~PageViewerTest() override {
    pf::SetShellHandler({});
    fs::remove_all(dir_);
  }

  std::string Write(const std::string& name, const std::string& html) {
    const std::string path = (dir_ / name).string();
    std::ofstream(path, std::ios::binary) << html;
    return path;
  }
  // A page of n lines of text below a form of three radio buttons "q" and a submit button, with an anchor
  // "mitte" halfway.
  std::string LongPage(const std::string& name, int lines = 120) {
    std::string html = "<html><head><title>" + name + "</title></head><body><a href=\"b.html\">zu b</a>";
    html += "<form action=PexuA method=post><input type=radio name=q value=R1><input type=radio name=q value=W2>";
    html += "<input type=radio name=q value=W3><input type=hidden name=q value=N><input type=submit value=Ab></form>";
    for (int i = 0; i < lines; ++i) html += (i == lines / 2 ? "<a name=mitte></a>" : "") + std::string("Zeile<br>");
    return Write(name, html + "</body></html>");
  }
  void Pump() {
    for (int i = 0; i < 10; ++i) pf::Application().ProcessMessages();
  }
  TRadioButtonFormControlObj& Radio(int i) {
    return dynamic_cast<TRadioButtonFormControlObj&>(*viewer_->SectionList().FormControlList[static_cast<size_t>(i)]);
  }
  int CheckedRadio() {
    for (int i = 0; i < 3; ++i)
      if (Radio(i).Checked()) return i;
    return -1;
  }
  int32_t Y() const { return viewer_->VScrollBarPosition(); }

  fs::path dir_;
  pf::TForm form_{nullptr};
  TestViewer* viewer_ = nullptr;
  std::vector<std::string> submissions_;
  int historyChanges_ = 0;
};

TEST_F(PageViewerTest, LoadingAnchorsAndFailedLoads) {
  const std::string a = LongPage("a.html");
  viewer_->LoadFromFile(a + "#mitte");
  EXPECT_EQ(viewer_->GetDocumentTitle(), "a.html");
  EXPECT_EQ(viewer_->CurrentFile(), a);
  EXPECT_GT(viewer_->DocHeight(), viewer_->PaintPanel().Height());
  EXPECT_TRUE(viewer_->VScrollBar().Visible());
  const int32_t mitte = Y();
  EXPECT_GT(mitte, 0);
  viewer_->PositionTo("#nirgends");
  EXPECT_EQ(Y(), mitte);  // a missing name does not move the view
  // Another page with a missing name starts at the top.
  viewer_->LoadFromFile(LongPage("c.html") + "#nirgends");
  EXPECT_EQ(Y(), 0);
  // A missing file, and a file that is there but cannot be read (the kernel refuses to read this one from its
  // start), leave the shown page, its file, its controls and the history as they were.
  const int entries = viewer_->History().Count();
  const int32_t height = viewer_->DocHeight();
  const size_t controls = viewer_->SectionList().FormControlList.size();
  for (const std::string& bad : {(dir_ / "fehlt.html").string(), std::string("/proc/self/mem")}) {
    EXPECT_ANY_THROW(viewer_->LoadFromFile(bad)) << bad;
    EXPECT_EQ(viewer_->CurrentFile(), (dir_ / "c.html").string());
    EXPECT_EQ(viewer_->GetDocumentTitle(), "c.html");
    EXPECT_EQ(viewer_->DocHeight(), height);
    EXPECT_EQ(viewer_->SectionList().FormControlList.size(), controls);
    EXPECT_EQ(viewer_->History().Count(), entries);
    EXPECT_FALSE(viewer_->Processing());
  }
  EXPECT_THROW(viewer_->LoadFromFile((dir_ / "fehlt.html").string()), pf::EInOutError);
  // A text file shows as preformatted text, a new history entry.
  viewer_->LoadTextFile(Write("notiz.txt", "<b>kein HTML</b>\nzweite Zeile\n"));
  EXPECT_EQ(viewer_->CurrentFileType(), TextType);
  EXPECT_EQ(viewer_->History().Count(), entries + 1);
  EXPECT_GT(viewer_->DocHeight(), 0);
  viewer_->SetHistoryIndex(1);
  EXPECT_EQ(viewer_->CurrentFileType(), HTMLType);
  // The same file again adds no entry and raises no history change.
  const int changes = historyChanges_;
  viewer_->LoadFromFile(viewer_->CurrentFile());
  EXPECT_EQ(viewer_->History().Count(), entries + 1);
  EXPECT_EQ(historyChanges_, changes);
}

TEST_F(PageViewerTest, HistoryBringsBackPositionsAndRadios) {
  const std::string pages[] = {LongPage("a.html"), LongPage("b.html"), LongPage("c.html")};
  const int32_t positions[] = {200, 330, 70};
  for (int i = 0; i < 3; ++i) {
    viewer_->LoadFromFile(pages[i]);
    viewer_->ScrollTo(positions[i]);
    Radio(i).SetChecked(true);
  }
  ASSERT_EQ(viewer_->History().Count(), 3);
  auto expectPage = [&](int page) {
    EXPECT_EQ(viewer_->CurrentFile(), pages[page]);
    EXPECT_EQ(Y(), positions[page]);
    EXPECT_EQ(CheckedRadio(), page);
  };
  viewer_->SetHistoryIndex(1);
  expectPage(1);
  viewer_->SetHistoryIndex(2);
  expectPage(0);
  viewer_->SetHistoryIndex(1);
  expectPage(1);
  EXPECT_EQ(viewer_->HistoryIndex(), 1);
  // A new page from there drops the newer entry.
  viewer_->LoadFromFile(LongPage("d.html"));
  EXPECT_EQ(viewer_->History().Count(), 3);
  EXPECT_EQ(viewer_->History()[0], (dir_ / "d.html").string());
  EXPECT_EQ(viewer_->History()[1], pages[1]);
  // Out of range or unchanged: ignored.
  const int changes = historyChanges_;
  for (int index : {-1, 0, 3}) viewer_->SetHistoryIndex(index);
  EXPECT_EQ(historyChanges_, changes);
  // Past the limit the oldest entry goes.
  viewer_->SetHistoryMaxCount(3);  // smaller: the history starts again
  EXPECT_EQ(viewer_->History().Count(), 0);
  for (const std::string& page : pages) viewer_->LoadFromFile(page);
  viewer_->LoadFromFile((dir_ / "d.html").string());
  EXPECT_EQ(viewer_->History().Count(), 3);
  EXPECT_EQ(viewer_->History()[2], pages[1]);
}

TEST_F(PageViewerTest, PositionsPastSixteenBitsComeBackExactly) {
  // One paragraph far higher than 65535 pixels: the offset inside it is kept whole.
  std::string html = "<p>";
  for (int i = 0; i < 5000; ++i) html += "Zeile<br>";
  viewer_->LoadFromFile(Write("lang.html", html + "</p><p>Ende</p>"));
  ASSERT_GT(viewer_->DocHeight(), 70000);
  viewer_->ScrollTo(70001);
  const TViewerPosition position = viewer_->GetPosition();
  viewer_->ScrollTo(0);
  viewer_->SetPosition(position);
  EXPECT_EQ(Y(), 70001);
  viewer_->Reload();
  EXPECT_EQ(Y(), 70001);
}

// With htShowVScroll the bar stays shown; it is disabled while nothing scrolls, also for a page exactly as high as
// the panel, and takes the user's scrolling again once the page is one pixel higher.
TEST_F(PageViewerTest, AKeptBarIsDisabledWhileNothingScrolls) {
  viewer_->SethtOptions(viewer_->htOptions() | htShowVScroll);
  auto page = [&](int32_t height) {
    viewer_->LoadFromFile(
        Write("hoch.html", "<body marginheight=0><div style=\"height:" + std::to_string(height) + "px\"></div>"));
  };
  page(100);
  const int32_t panel = viewer_->PaintPanel().Height(), fixed = viewer_->DocHeight() - 100;
  for (const int32_t extra : {-50, 0, 1}) {
    page(panel - fixed + extra);
    ASSERT_EQ(viewer_->DocHeight(), panel + extra);
    EXPECT_TRUE(viewer_->VScrollBar().Visible()) << extra;
    EXPECT_EQ(ui_test::Widget(viewer_->VScrollBar())->isEnabled(), extra > 0) << extra;
  }
}

TEST_F(PageViewerTest, LinksAndTheirTargets) {
  LongPage("b.html");
  Write("bild.png", "");
  std::vector<std::string> opened;
  pf::SetShellHandler([&](const std::string& target) {
    opened.push_back(target);
    return true;
  });
  std::vector<std::string> clicked;
  viewer_->OnHotSpotClick = [&](pf::TObject*, const std::string& url, bool&) { clicked.push_back(url); };
  const std::string start =
      Write("start.html",
            "<a href=\"b.html#mitte\">BBBBBBBBBB</a><br><a href=\"http://example.org/x.html\">"
            "HHHHHHHHHH</a><br><a href=\"doc.pdf\">PPPPPPPPPP</a><br><a href=\"bild.png\">IIIIIIIII</a>");
  struct Case {
    int row;
    std::string file, opened;
    ViewerFileType type;
  };
  const Case cases[] = {
      {0, "b.html", "", HTMLType},
      {1, "start.html", "http://example.org/x.html", HTMLType},  // another scheme goes to the desktop
      {2, "start.html", "", HTMLType},                           // nothing shows a PDF file
      {3, "bild.png", "", ImgType},
  };
  for (const Case& c : cases) {
    viewer_->LoadFromFile(start);
    opened.clear();
    const int32_t row = 5 + c.row * 20 + 8;  // text rows of 20 pixels below the top margin
    pf::SendMouseClick(viewer_->PaintPanel(), {30, row});
    Pump();
    EXPECT_EQ(viewer_->CurrentFile(), (dir_ / c.file).string()) << c.row;
    EXPECT_EQ(viewer_->CurrentFileType(), c.type) << c.row;
    EXPECT_EQ(opened.empty() ? "" : opened[0], c.opened) << c.row;
    EXPECT_EQ(Y() > 0, c.row == 0) << c.row;  // b.html opens at "mitte"
  }
  EXPECT_EQ(clicked.size(), 4u);
  // A drag over the link's text selects it and follows nothing.
  viewer_->LoadFromFile(start);
  Pump();
  viewer_->PanelMouseDown(&viewer_->PaintPanel(), pf::mbLeft, 0, 14, 13);
  viewer_->PanelMouseMove(&viewer_->PaintPanel(), pf::ssLeft, 60, 13);
  viewer_->PanelMouseUp(&viewer_->PaintPanel(), pf::mbLeft, 0, 60, 13);
  EXPECT_GT(viewer_->SelLength(), 0);
  EXPECT_EQ(clicked.size(), 4u);
  EXPECT_EQ(viewer_->CurrentFile(), start);
  EXPECT_GE(viewer_->Visited().IndexOf((dir_ / "b.html#mitte").string()), 0);
  // A link given by key is followed after the key's handling, with the link it was given even when the pointer
  // has gone over another meanwhile.
  viewer_->LoadFromFile(start);
  TUrlTarget link;
  link.Url = "b.html";
  viewer_->FollowLinkByKey(link);
  viewer_->PanelMouseMove(&viewer_->PaintPanel(), 0, 30, 5 + 20 + 8);
  EXPECT_EQ(viewer_->URL(), "http://example.org/x.html");
  EXPECT_EQ(viewer_->CurrentFile(), start);
  Pump();
  EXPECT_EQ(viewer_->CurrentFile(), (dir_ / "b.html").string());
}

// With both scroll bars (the viewer's default) and the view scrolled right, links answer where the last paint put
// them: a cell's address, a link in text and a picture's link, each under its own document x less the scroll.
TEST_F(PageViewerTest, LinksAnswerWhereTheyArePaintedWhenScrolledRight) {
  viewer_->SetScrollBars(pf::ssBoth);
  // Columns from the body's margin (10): 700, 300 (the cell's address), 300 and 1000 wide; the text link starts the
  // last one, at 1310; the picture's link stands at 1310 below the table.
  viewer_->LoadFromFile(Write("breit.html",
                              "<table cellspacing=0 cellpadding=0><tr><td width=700>a<td width=300 href=zelle.html>z"
                              "<td width=300>b<td width=1000><a href=text.html>Verweis</a></table>"
                              "<div style=\"margin-left:1300px\"><a href=bild.html>"
                              "<img src=none.gif width=40 height=30></a></div>"));
  std::vector<std::string> clicked;
  viewer_->OnHotSpotClick = [&](pf::TObject*, const std::string& url, bool& handled) {
    clicked.push_back(url);
    handled = true;
  };
  constexpr int32_t kScroll = 600;
  for (int i = 0; i < kScroll / 15; ++i) {
    uint16_t right = pf::VK_RIGHT;
    viewer_->DocumentKeyDown(right, 0);
  }
  ASSERT_EQ(viewer_->HScrollBarPosition(), kScroll);
  viewer_->PaintPanel().Update();
  Pump();
  const struct {
    int32_t docX;
    std::string url;
  } links[] = {{860, "zelle.html"}, {1313, "text.html"}, {1320, "bild.html"}};
  for (const auto& link : links) {
    // The first point down the column that is over the link; a click there follows it.
    const int32_t x = link.docX - kScroll;
    int32_t y = 0;
    for (; y < viewer_->PaintPanel().Height(); ++y) {
      viewer_->PanelMouseMove(&viewer_->PaintPanel(), 0, x, y);
      if (viewer_->URL() == link.url) break;
    }
    ASSERT_LT(y, viewer_->PaintPanel().Height()) << link.url;
    pf::SendMouseClick(viewer_->PaintPanel(), {x, y});
    Pump();
    EXPECT_EQ(clicked.empty() ? "" : clicked.back(), link.url);
  }
  EXPECT_EQ(clicked.size(), 3u);
}

TEST_F(PageViewerTest, SubmissionArrivesOnceAfterTheClick) {
  viewer_->LoadFromFile(LongPage("a.html"));
  viewer_->PaintPanel().Update();
  Pump();
  pf::SendMouseClick(*Radio(1).GetControl(), {4, 4});
  TFormControlObj& submit = *viewer_->SectionList().FormControlList[4];
  pf::TWinControl& button = *submit.GetControl();
  pf::SendMouseClick(button, {button.Width() / 2, button.Height() / 2});
  EXPECT_TRUE(submissions_.empty());  // not inside the click
  Pump();
  ASSERT_EQ(submissions_.size(), 1u);
  EXPECT_EQ(submissions_[0], "PexuA post|q=W2|q=N");
  EXPECT_EQ(viewer_->FormAction(), "PexuA");
  // Without a handler no submission is built.
  viewer_->SetOnFormSubmit(nullptr);
  pf::SendMouseClick(button, {button.Width() / 2, button.Height() / 2});
  Pump();
  EXPECT_EQ(submissions_.size(), 1u);
}

// An image input submits its form with the point clicked in its picture, by the mouse or (at its corner) by the
// keyboard.
TEST_F(PageViewerTest, AnImageInputSubmitsWhereItIsClicked) {
  viewer_->LoadFromFile(Write("i.html",
                              "<p>Text<form action=go><input type=image name=map src=none.gif width=40 height=30>"
                              "<input type=hidden name=h value=1></form>"));
  viewer_->PaintPanel().Update();
  Pump();
  auto& input = dynamic_cast<TImageFormControlObj&>(*viewer_->SectionList().FormControlList[0]);
  ASSERT_TRUE(input.MyImage);
  pf::SendMouseClick(viewer_->PaintPanel(), {input.MyImage->DrawXX + 5, input.MyImage->DrawYY - Y() + 7});
  Pump();
  pf::SendKeyStroke(*input.GetControl(), pf::VK_SPACE, 0, ' ');
  Pump();
  EXPECT_EQ(submissions_, (std::vector<std::string>{"go get|map.x=5|map.y=7|h=1", "go get|map.x=0|map.y=0|h=1"}));
}

TEST_F(PageViewerTest, KeysWheelAndResize) {
  viewer_->LoadFromFile(LongPage("a.html", 300));
  const int32_t panel = viewer_->PaintPanel().Height();
  const int32_t bottom = viewer_->DocHeight() - panel;
  // A key, a wheel movement (1/120 notch) or a scroll code of the vertical bar.
  enum Kind { kKey, kWheel, kBar };
  struct Step {
    Kind kind;
    int32_t value;
    int32_t expected;
  };
  const Step steps[] = {
      {kKey, pf::VK_NEXT, panel - 16},
      {kKey, pf::VK_DOWN, panel},
      {kKey, pf::VK_UP, panel - 16},
      {kKey, pf::VK_END, bottom},
      {kKey, pf::VK_HOME, 0},
      {kWheel, -120, 48},
      {kWheel, -60, 72},
      {kWheel, -60, 96},
      {kWheel, 120, 48},
      {kBar, pf::SB_LINEDOWN, 64},
      {kBar, pf::SB_PAGEDOWN, 64 + panel - 16},
      {kBar, pf::SB_BOTTOM, bottom},
      {kBar, pf::SB_LINEDOWN, bottom},
      {kBar, pf::SB_TOP, 0},
      {kKey, pf::VK_PRIOR, 0},
  };
  for (const Step& s : steps) {
    uint16_t key = static_cast<uint16_t>(s.value);
    if (s.kind == kKey)
      viewer_->DocumentKeyDown(key, 0);
    else if (s.kind == kWheel)
      viewer_->Perform(pf::WM_MOUSEWHEEL, static_cast<pf::WPARAM>(key) << 16, 0);
    else
      viewer_->VScrollBar().Perform(pf::CN_VSCROLL, key);
    EXPECT_EQ(Y(), s.expected) << s.kind << " " << s.value;
  }
  // A resize keeps the reading position (the anchor stays at the top of the view).
  viewer_->PositionTo("mitte");
  const int32_t before = Y();
  form_.SetBounds(0, 0, 500, 400);
  Pump();
  EXPECT_EQ(viewer_->PaintPanel().Height(), form_.ClientHeight());
  EXPECT_EQ(Y(), before);
  // After a scroll of one line every radio button in view is still shown.
  viewer_->ScrollTo(0);
  viewer_->PaintPanel().Update();
  uint16_t down = pf::VK_DOWN;
  viewer_->DocumentKeyDown(down, 0);
  viewer_->PaintPanel().Update();
  Pump();
  for (int i = 0; i < 3; ++i) EXPECT_GE(Radio(i).GetControl()->Left(), 0) << i;
}

TEST_F(PageViewerTest, SelectionDoubleClickAndHover) {
  viewer_->LoadFromFile(Write("w.html",
                              "<p>ab Pr&uuml;fung2x mehr</p><p><a href=\"x.html\" title=\"Zum Ziel\">Verweis</a></p>"
                              "<form><input type=text name=t title=\"Hilfe\"></form>"));
  Pump();  // hit tests find what painting placed
  // x 45 lies inside the word, on the first line.
  viewer_->PaintPanel().Perform(pf::WM_LBUTTONDBLCLK, 0, pf::MAKELPARAM(45, 15));
  EXPECT_EQ(viewer_->SelStart(), 3);
  EXPECT_EQ(viewer_->SelLength(), 9);
  std::string word;
  viewer_->OnRightClick = [&](pf::TObject*, const TRightClickParameters& p) { word = p.ClickWord; };
  viewer_->PanelMouseUp(&viewer_->PaintPanel(), pf::mbRight, 0, 45, 15);
  EXPECT_EQ(word,
            "Pr\xfc"
            "fung2x");
  // Hover: entering a link raises its address once, leaving the panel raises "" once the timer looks.
  std::vector<std::string> covered;
  viewer_->OnHotSpotCovered = [&](pf::TObject*, const std::string& url) { covered.push_back(url); };
  int32_t linkY = 0;
  for (int32_t y = 20; y < 80 && viewer_->URL().empty(); ++y) {
    viewer_->PanelMouseMove(&viewer_->PaintPanel(), 0, 20, y);
    linkY = y;
  }
  viewer_->PanelMouseMove(&viewer_->PaintPanel(), 0, 21, linkY);
  ASSERT_EQ(covered, std::vector<std::string>{"x.html"});
  EXPECT_EQ(viewer_->LinkText(), "Verweis");
  // Titles are the hint: the link's, and a form control's while the pointer is over it.
  EXPECT_EQ(viewer_->HintText(), "Zum Ziel");
  viewer_->FormControlMouseMove(viewer_->SectionList().FormControlList[0], 0, 2, 2);
  EXPECT_EQ(viewer_->HintText(), "Hilfe");
  viewer_->pointer.OverPanel = false;
  testing_clock::PumpUntil([&] { return covered.size() >= 2; });
  EXPECT_EQ(covered, (std::vector<std::string>{"x.html", ""}));
}

TEST_F(PageViewerTest, PanningAndDragScrollingOnTheClock) {
  viewer_->LoadFromFile(LongPage("a.html", 400));
  auto wait = [&](uint32_t ms) {
    viewer_->clock += ms;
    for (int i = 0; i < 20; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
      pf::Application().ProcessMessages();
    }
  };
  // A middle click that does not move leaves panning on; 21 pixels below the start move 8 per step, 61 move 32.
  viewer_->PanelMouseDown(&viewer_->PaintPanel(), pf::mbMiddle, 0, 100, 200);
  viewer_->PanelMouseUp(&viewer_->PaintPanel(), pf::mbMiddle, 0, 100, 200);
  viewer_->pointer.Point = {100, 221};
  viewer_->PanelMouseMove(&viewer_->PaintPanel(), 0, 100, 221);
  wait(100);
  EXPECT_EQ(Y(), 8);
  EXPECT_EQ(viewer_->PaintPanel().Cursor(), pf::crPanDown);
  wait(50);  // within the step gate: no step
  EXPECT_EQ(Y(), 8);
  viewer_->pointer.Point = {100, 261};
  wait(100);
  EXPECT_EQ(Y(), 40);
  viewer_->PanelMouseDown(&viewer_->PaintPanel(), pf::mbLeft, 0, 100, 261);  // any press ends panning
  viewer_->PanelMouseUp(&viewer_->PaintPanel(), pf::mbLeft, 0, 100, 261);
  wait(100);
  EXPECT_EQ(Y(), 40);
  // Dragging a selection below the panel scrolls a line per step, eight lines further than 15 pixels below.
  const int32_t panel = viewer_->PaintPanel().Height();
  viewer_->PanelMouseDown(&viewer_->PaintPanel(), pf::mbLeft, 0, 20, 100);
  viewer_->pointer = {{20, panel + 5}, true, true};
  viewer_->PanelMouseMove(&viewer_->PaintPanel(), pf::ssLeft, 20, panel + 5);
  wait(100);
  EXPECT_EQ(Y(), 56);
  viewer_->pointer.Point.Y = panel + 16;
  wait(100);
  EXPECT_EQ(Y(), 184);
  EXPECT_GT(viewer_->SelLength(), 0);
  viewer_->pointer.LeftDown = false;
  viewer_->PanelMouseUp(&viewer_->PaintPanel(), pf::mbLeft, 0, 20, panel + 16);
  wait(100);
  EXPECT_EQ(Y(), 184);
}

TEST_F(PageViewerTest, MetaRefreshAndServerRoot) {
  struct Case {
    std::string content;
    int32_t delay;
    std::string url;
  };
  const Case cases[] = {{"0; URL=next.html", 1, "next.html"}, {"5", 5, ""}, {"x", -1, ""}};
  for (const Case& c : cases) {
    int32_t delay = -1;
    std::string url;
    viewer_->OnMetaRefresh = [&](pf::TObject*, int32_t d, const std::string& u) { delay = d, url = u; };
    viewer_->LoadFromFile(Write("r" + std::to_string(&c - cases) + ".html",
                                "<meta http-equiv=Refresh content=\"" + c.content + "\"><p>x</p>"));
    EXPECT_EQ(delay, c.delay) << c.content;
    EXPECT_EQ(url, c.url) << c.content;
  }
  for (const char* root : {"  /opt/pexu/  ", "/opt/pexu", " /opt/pexu\\"}) {
    viewer_->SetServerRoot(root);
    EXPECT_EQ(viewer_->ServerRoot(), "/opt/pexu");
  }
  // A page's root-relative style sheet and the engine's absolute form both name the file below the root.
  viewer_->SetServerRoot(dir_.string());
  fs::create_directories(dir_ / "css");
  Write("css/pexu2.css", "p {}");
  EXPECT_EQ(viewer_->ExpandFileName("/css/pexu2.css"), (dir_ / "css/pexu2.css").string());
  EXPECT_EQ(viewer_->ExpandFileName(dir_.string() + "/css/pexu2.css"), (dir_ / "css/pexu2.css").string());
}

TEST_F(PageViewerTest, BackgroundPictures) {
  pf::TPNGImage tile;
  tile.SetPixelFormat(pf::pf24bit);
  tile.SetSize(20, 10);
  tile.Canvas().Brush().SetColor(pf::clRed);
  tile.Canvas().FillRect({0, 0, 20, 10});
  tile.SaveToFile((dir_ / "tile.png").string());
  auto red = [&](int32_t x, int32_t y) {
    viewer_->PaintPanel().Update();
    return pf::CaptureControl(viewer_->PaintPanel())->Canvas().Pixels(x, y) == pf::clRed;
  };
  const int32_t w = viewer_->Width(), h = viewer_->Height();
  // Centred without repeating: only the middle; repeated: everywhere.
  viewer_->LoadFromFile(Write("c.html", "<body style=\"background: white url(tile.png) no-repeat center\">x</body>"));
  EXPECT_TRUE(red(w / 2, h / 2));
  EXPECT_FALSE(red(w / 2 + 15, h / 2));
  viewer_->LoadFromFile(Write("r.html", "<body background=tile.png>x</body>"));
  EXPECT_TRUE(red(w - 3, h - 3));
  // A fixed picture stays in the middle of the panel while the page scrolls, one that scrolls leaves it.
  std::string lines;
  for (int i = 0; i < 200; ++i) lines += "Zeile<br>";
  for (const std::string attachment : {"fixed", "scroll"}) {
    viewer_->LoadFromFile(
        Write(std::string(attachment) + ".html",
              "<body style=\"background: white url(tile.png) no-repeat center; background-attachment: " + attachment +
                  "\">" + lines + "</body>"));
    viewer_->ScrollTo(500);
    const int32_t panelW = viewer_->PaintPanel().Width();
    EXPECT_EQ(red(panelW / 2, h / 2), attachment == "fixed") << attachment;
  }
}

// A control dragged onto the page with the user's mouse (a real one on an X display): the viewer is asked, as the
// Sender and in the paint panel's co-ordinates, whether it takes the source, and gets it dropped where it did; a
// viewer without OnDragOver takes nothing. The page under the drag sees no mouse.
TEST_F(PageViewerTest, ADragOverThePageIsTheViewers) {
  auto* source = new pf::TPanel(&form_);
  source->SetParent(&form_);
  source->SetAlign(pf::alLeft);
  source->SetWidth(60);
  source->SetDragMode(pf::dmAutomatic);
  viewer_->SetBorderStyle(htSingle);  // the paint panel at (1, 1) of the viewer
  viewer_->LoadFromFile(LongPage("a.html"));
  std::vector<std::string> log;
  viewer_->OnDragOver = [&](pf::TObject* sender, pf::TObject* from, int32_t x, int32_t y, pf::TDragState state,
                            bool& accept) {
    EXPECT_EQ(sender, viewer_);
    EXPECT_EQ(from, source);
    EXPECT_TRUE(accept);
    accept = y < 200;
    const char* const names[] = {"enter", "leave", "move"};
    log.push_back(std::string(names[state]) + " " + pf::IntToStr(x) + "," + pf::IntToStr(y));
  };
  viewer_->OnDragDrop = [&](pf::TObject* sender, pf::TObject* from, int32_t x, int32_t y) {
    EXPECT_EQ(sender, viewer_);
    EXPECT_EQ(from, source);
    log.push_back("drop " + pf::IntToStr(x) + "," + pf::IntToStr(y));
  };
  int mouseMessages = 0;
  viewer_->OnMouseMove = [&](pf::TObject*, pf::TShiftState, int32_t, int32_t) { ++mouseMessages; };
  TPaintPanel& page = viewer_->PaintPanel();
  ui_test::UserMouse mouse;
  auto drag = [&](pf::TPoint over, pf::TPoint to) {
    mouse.Press(*source, {30, 30});
    ASSERT_TRUE(ui_test::RunUntil([&] { return source->Dragging(); }));
    mouse.MoveTo(page, over);
    ASSERT_TRUE(ui_test::RunUntil([&] { return !log.empty(); }));
    mouse.MoveTo(page, to);
    ASSERT_TRUE(ui_test::RunUntil([&] { return log.size() == 2; }));
    mouse.Release(page, to);
    ASSERT_TRUE(ui_test::RunUntil([&] { return !source->Dragging(); }));
  };
  drag({300, 60}, {300, 300});
  EXPECT_EQ(log, (std::vector<std::string>{"enter 300,60", "move 300,300", "leave 300,300"}));
  log.clear();
  drag({300, 300}, {320, 150});
  EXPECT_EQ(log, (std::vector<std::string>{"enter 300,300", "move 320,150", "leave 320,150", "drop 320,150"}));
  EXPECT_EQ(mouseMessages, 0);
  EXPECT_EQ(viewer_->SelLength(), 0);

  log.clear();
  viewer_->OnDragOver = nullptr;
  mouse.Press(*source, {30, 30});
  ASSERT_TRUE(ui_test::RunUntil([&] { return source->Dragging(); }));
  mouse.MoveTo(page, {320, 150});
  mouse.Release(page, {320, 150});
  ASSERT_TRUE(ui_test::RunUntil([&] { return !source->Dragging(); }));
  EXPECT_TRUE(log.empty());
}

}  // namespace
