// Forms on a page shown in an offscreen window: the controls' windows, what the user does through them, and the
// submission, history values, reset, tab order and sizes that follow. The page-level submissions (the engine's
// sheet, the static pages, the cases of each control kind) are checked black-box through formsubmit.
#include <gtest/gtest.h>

#include "platform/graphics/fonts.h"
#include "platform/ui/extctrls.h"
#include "platform/ui/forms.h"
#include "platform/ui/input.h"
#include "platform/ui/stdctrls.h"
#include "tests/viewer/viewer_test_support.h"
#include "viewer/form_controls.h"
#include "viewer/html_parser.h"
#include "viewer/panels.h"

namespace {

using namespace viewer;

class WindowViewer : public IViewerControl {
 public:
  pf::TObject* Sender() override { return window; }
  std::string ExpandFileName(const std::string& name) override { return name; }
  void SetCodePage(int) override {}
  void FollowLinkByKey(const TUrlTarget&) override {}
  void DocumentKeyPress(char&) override {}
  void DoProgress(int) override {}
  pf::TWinControl* Window() override { return window; }
  void DocumentKeyDown(uint16_t& key, pf::TShiftState) override { passedKeys.push_back(key); }
  pf::TWinControl* window = nullptr;
  std::vector<uint16_t> passedKeys;
};

// A page in a shown window whose submissions are recorded, each as its lines joined by "|".
class Page {
 public:
  explicit Page(const std::string& html) {
    pf::SetFontService(pf::CreateFixedMetricFontService());
    form.SetBounds(0, 0, 640, 480);
    panel->SetParent(&form);
    panel->SetAlign(pf::alClient);
    viewer.window = &form;
    form.AddMessageHook([this](pf::TMessage& m, const pf::TWndMethod& previous) {
      if (m.Msg == FormSubmitMessage) document->DeliverSubmission(m);
      previous(m);
    });
    document = std::make_unique<TSectionList>(&viewer, panel);
    document->ApplyDefaultFontsAndColors("Times New Roman", "Courier New", 10, 5, pf::DEFAULT_CHARSET, true, false,
                                         pf::clWhite, 0xFF, 0xFF00, 0xFF0000, pf::clBlack, 12);
    document->SubmitForm = [this](pf::TObject* sender, const std::string& action, const std::string&,
                                  const std::string&, const std::string& method,
                                  std::unique_ptr<pf::TStringList> results) {
      std::string lines = action + " " + method;
      for (int i = 0; i < results->Count(); ++i) lines += "|" + (*results)[i];
      submissions.push_back(lines);
      EXPECT_EQ(sender, &form);
    };
    form.Show();
    for (int i = 0; i < 50 && !form.Active(); ++i) pf::Application().ProcessMessages();
    // Read into the hidden panel, as the viewer reads a page: the controls show with the panel, at once.
    panel->SetVisible(false);
    TParseResult result;
    ParseHtmlDocument(html, *document, {}, {}, {}, {}, result);
    panel->SetVisible(true);
    Layout();
  }
  ~Page() { document.reset(); }
  void Layout() {
    int32_t width = 0;
    document->ComputeLayout(measure.Canvas(), {0, 0, panel->Width(), panel->Height()}, width);
  }
  void Pump() {
    for (int i = 0; i < 5; ++i) pf::Application().ProcessMessages();
  }
  ThtmlForm& Form(int index = 0) { return *document->htmlFormList[index]; }
  template <class T = TFormControlObj>
  T& Control(int index, int formIndex = 0) {
    return dynamic_cast<T&>(*Form(formIndex).Controls[index]);
  }
  void Click(TFormControlObj& control) {
    pf::TWinControl& w = *control.GetControl();
    pf::SendMouseClick(w, {w.Width() / 2, w.Height() / 2});
  }
  std::string Values(int formIndex = 0) {
    auto values = Form(formIndex).CollectValues();
    std::string text;
    for (int i = 0; i < values->Count(); ++i) text += (i ? "|" : "") + (*values)[i];
    return text;
  }

  pf::TForm form{nullptr};
  pf::TPanel* panel = new pf::TPanel(&form);
  WindowViewer viewer;
  std::unique_ptr<TSectionList> document;
  pf::TBitmap measure;
  std::vector<std::string> submissions;
};

const char* const kQuestions =
    "<form action=PexuA method=post>"
    "<input type=radio name=A value=W1><input type=radio name=A value=R2><input type=radio name=A value=W3>"
    "<input type=hidden name=A value=N>"
    "<input type=radio name=B value=R1 checked><input type=radio name=b value=W2><input type=hidden name=B value=N>"
    "<input type=submit></form>";

TEST(FormControls, RadioGroupsClicksAndArrowKeys) {
  Page page(kQuestions);
  auto radio = [&](int i) -> TRadioButtonFormControlObj& { return page.Control<TRadioButtonFormControlObj>(i); };
  auto state = [&] {
    std::string s;
    for (int i : {0, 1, 2, 4, 5})
      s += std::string(radio(i).Checked() ? "x" : "-") + (radio(i).GetControl()->TabStop() ? "t" : " ");
    return s;
  };
  // Only the checked radio of a group, or its first while none is, is a tab stop; names compare without case.
  EXPECT_EQ(state(), "-t- - xt- ");
  page.Click(radio(1));
  page.Click(radio(2));
  page.Click(radio(2));  // a checked radio stays checked
  EXPECT_EQ(state(), "- - xtxt- ");
  // The arrow keys move the focus and the choice within the group, and stop at its ends; others go to the viewer.
  radio(2).GetControl()->SetFocus();
  for (uint16_t key : {pf::VK_UP, pf::VK_LEFT, pf::VK_UP, pf::VK_SPACE})
    pf::SendKeyStroke(*page.form.ActiveControl(), key);
  EXPECT_EQ(state(), "xt- - xt- ");
  EXPECT_TRUE(radio(0).GetControl()->Focused());
  EXPECT_EQ(page.viewer.passedKeys, std::vector<uint16_t>{pf::VK_SPACE});
  pf::SendKeyStroke(*radio(0).GetControl(), pf::VK_DOWN);
  EXPECT_EQ(state(), "- xt- xt- ");
  page.Click(radio(5));
  EXPECT_EQ(state(), "- xt- - xt");
  EXPECT_EQ(page.Values(), "A=R2|A=N|b=W2|B=N");
  page.Form().ResetControls();
  EXPECT_EQ(page.Values(), "A=N|B=R1|B=N");
}

// A fast double click submits once; once delivered, the next click submits again.
TEST(FormControls, ASubmissionWaitsForDeliveryAndASecondOneMeanwhileIsIgnored) {
  Page page(kQuestions);
  page.Click(page.Control(1));
  page.Click(page.Control(7));
  page.Click(page.Control(7));
  EXPECT_TRUE(page.submissions.empty());
  EXPECT_TRUE(page.document->SubmitPending);
  page.Pump();
  EXPECT_EQ(page.submissions, std::vector<std::string>{"PexuA post|A=R2|A=N|B=R1|B=N"});
  page.Click(page.Control(7));
  page.Pump();
  EXPECT_EQ(page.submissions.size(), 2u);
  // Without a submit handler a press submits nothing and leaves nothing pending.
  page.document->SubmitForm = nullptr;
  page.Click(page.Control(7));
  EXPECT_FALSE(page.document->SubmitPending);
}

TEST(FormControls, HistoryValuesGoBackToTheirOwnControls) {
  Page page(
      "<form><input type=hidden name=a value=1><input type=hidden name=a value=2><input name=e value=x disabled>"
      "<input type=checkbox name=c value=on checked><select name=s multiple><option>p<option value=q>Q</select>"
      "<select name=d><option>u<option selected>v</select><textarea name=t>z</textarea></form>");
  auto saved = page.document->SaveFormValues();
  ASSERT_TRUE(saved);
  // Disabled controls are part of the values (not of a submission).
  EXPECT_EQ(page.Values(), "a=1|a=2|e=x|c=on|d=v|t=z");
  pf::SendMouseClick(*page.Control(3).GetControl(), {5, 5});
  page.Control<TTextAreaFormControlObj>(6).SetSubmissionData(0, "y");
  page.Control<THiddenFormControlObj>(0).Value = "7";
  EXPECT_EQ(page.Values(), "a=7|a=2|e=x|d=v|t=y");
  page.document->RestoreFormValues(*saved);
  EXPECT_EQ(page.Values(), "a=1|a=2|e=x|c=on|d=v|t=z");
  // Lines that did not come from this form go by name: each control of the name gets them all in turn.
  pf::TStringList byName;
  byName.SetText("a=5\r\na=6\r\ns=p\r\ns=q\r\nd=u");
  page.Form().RestoreValues(byName);
  EXPECT_EQ(page.Values(), "a=6|a=6|e=x|s=p|s=q|d=u|t=z");
  EXPECT_EQ(Page("<p>no form").document->SaveFormValues(), nullptr);
}

TEST(FormControls, SizesFollowTheFontAndNoAttributeOverflowsThem) {
  Page page(
      "<form><input size=4><input style='width:90px'><input style='width:50%'><input type=submit value=Go>"
      "<select name=l multiple><option>a<option>bb</select><select name=m size=3><option>a<option>b</select>"
      "<textarea rows=2 cols=3></textarea><input size=2000000000><textarea rows=2000000000 cols=2000000000>"
      "</textarea></form>");
  // Controls take the default sheet's 10 pt, 13 pixels in the fixed-metric fonts: "A" 16 high, 6 wide on average,
  // "G" 9, "o", "a" and "b" 6; a text area's fixed-pitch font is 7 wide.
  const int32_t bar = pf::GetSystemMetrics(pf::SM_CXVSCROLL);
  struct Case {
    int index;
    int32_t width, height;
    bool client;
  } cases[] = {
      {0, 6 * 4 + 23, 16, false},
      {1, 90, 16, false},
      {2, (page.panel->Width() - 2 * 10) / 2, 16, false},  // half the room within the body's margins
      {3, 9 + 6 + 20, 16 + 8, false},
      {4, bar + 12 + 10, 32, false},
      {5, bar + 6 + 10, 48, false},
      {6, 7 * 3 + 5, 16 * 2 + 5, true},
      {7, 32000, 16, false},
      {8, 32000, 32000, true},
  };
  for (const Case& c : cases) {
    pf::TWinControl& w = *page.Control(c.index).GetControl();
    EXPECT_EQ(c.client ? w.ClientWidth() : w.Width(), c.width) << c.index;
    EXPECT_EQ(c.client ? w.ClientHeight() : w.Height(), c.height) << c.index;
  }
}

TEST(FormControls, TabIndexComesFirstInTheTabOrder) {
  Page page("<form><input name=a tabindex=2><input name=b><input name=c tabindex=2><input name=d tabindex=1></form>");
  EXPECT_EQ(page.document->TabOrderList.Count(), 0);  // used up by the layout
  std::vector<int> order;
  for (int i = 0; i < 4; ++i) order.push_back(page.Control(i).GetControl()->TabOrder());
  EXPECT_EQ(order, (std::vector<int>{1, 3, 2, 0}));
  // In the document's tab-order list keys sort by TABINDEX, then by entry, past the 999th entry and past five
  // digits of TABINDEX too.
  const std::pair<int32_t, int> keys[] = {{3, 999}, {3, 1000}, {4, 0}, {99998, 5}, {123456, 0}};
  pf::TStringList& list = page.document->TabOrderList;
  for (int i = 4; i >= 0; --i) list.Add(TabOrderKey(keys[i].first, keys[i].second));
  for (int i = 0; i < 5; ++i) EXPECT_EQ(list[i], TabOrderKey(keys[i].first, keys[i].second)) << i;
}

// On a UTF-8 page the windows show the page's characters (in the window layer's Latin-1), and what comes back,
// typed or left as it was, is in the page's code page; the drop-down list submits its one selected option.
TEST(FormControls, TextsCrossBetweenThePagesCodePageAndTheWindows) {
  Page page(
      "\xEF\xBB\xBF<form><input type=submit value=\"Gr\xC3\xBC\xC3\x9F\xC3\xA9\"><select name=s><option value=1>"
      "\xC3\x84pfel<option selected value=2>Birnen</select><input name=e value=\"\xE2\x82\xAC\xC3\xA4\">"
      "<input name=f value=x><textarea name=t>\xC3\xB6</textarea></form>");
  EXPECT_EQ(page.Control(0).GetControl()->Caption(), "Gr\xFC\xDF\xE9");
  auto& select = page.Control<TComboFormControlObj>(1);
  EXPECT_EQ(dynamic_cast<pf::TComboBox&>(*select.GetControl()).Items()[0], "\xC4pfel");
  EXPECT_EQ(page.Control(2).GetControl()->Text(), "?\xE4");  // the euro sign is no Latin-1 character
  pf::TWinControl& typed = *page.Control(3).GetControl();
  typed.SetFocus();
  pf::SendKeyStroke(typed, 'A', pf::ssCtrl);
  pf::SendText(typed, "\xDF");
  EXPECT_EQ(page.Values(), "s=2|e=\xE2\x82\xAC\xC3\xA4|f=\xC3\x9F|t=\xC3\xB6");
  std::string pair;
  EXPECT_TRUE(select.GetSubmission(0, pair));
  EXPECT_EQ(pair, "s=2");
  EXPECT_FALSE(select.GetSubmission(1, pair));
}

// Controls that painting did not place wait at the parked left, visible (so that they keep their tab order);
// painting places those whose lines it paints.
TEST(FormControls, ParkingAfterLayoutAndPainting) {
  std::string html = "<form><input name=a>";
  for (int i = 0; i < 60; ++i) html += "<br>";
  Page page(html + "<input name=b></form>");
  TFormControlObj& a = page.Control(0);
  TFormControlObj& b = page.Control(1);
  for (TFormControlObj* c : {&a, &b}) {
    EXPECT_TRUE(c->GetControl()->Visible());
    EXPECT_EQ(c->GetControl()->Left(), TFormControlObj::kParkedLeft);
  }
  page.document->Paint(page.measure.Canvas(), {0, 0, page.panel->Width(), page.panel->Height()}, 0);
  EXPECT_TRUE(a.ShowIt);
  EXPECT_EQ(a.GetControl()->Left(), 10);
  EXPECT_FALSE(b.ShowIt);
  EXPECT_EQ(b.GetControl()->Left(), TFormControlObj::kParkedLeft);
}

// The document's object events: focus (after the scroll into view), change when the value differs from the one
// the control had on entry, blur, click.
TEST(FormControls, FocusChangeBlurAndClickEvents) {
  Page page("<form><input name=a onfocus=F onblur=B onchange=C><input type=checkbox name=b onclick=K></form>");
  std::vector<std::string> events;
  auto record = [&](const char* what) {
    return [&events, what](pf::TObject*, TFormControlObj* control, const std::string& text) {
      events.push_back(std::string(what) + " " + control->Name + " " + text);
    };
  };
  TSectionList& doc = *page.document;
  doc.OnObjectFocus = record("focus");
  doc.OnObjectBlur = record("blur");
  doc.OnObjectChange = record("change");
  doc.OnObjectClick = record("click");
  doc.OnScrollIntoView = [&](int32_t, bool isLink) { events.push_back(isLink ? "scroll link" : "scroll"); };
  TFormControlObj& a = page.Control(0);
  a.GetControl()->SetFocus();
  EXPECT_TRUE(a.Active);
  pf::SendText(*a.GetControl(), "x");
  page.Click(page.Control(1));
  a.GetControl()->SetFocus();
  page.Control(1).GetControl()->SetFocus();
  EXPECT_FALSE(a.Active);
  EXPECT_EQ(events, (std::vector<std::string>{"scroll", "focus a F", "change a C", "blur a B", "scroll", "click b K",
                                              "scroll", "focus a F", "blur a B", "scroll"}));
}

// The windows of check boxes and radio buttons are the document's own: a radio button that the program checks
// raises its click handling as a user's click does (the others of its name unchecked, the click event once), but
// not while the Tab key moves the focus.
TEST(FormControls, ARadioButtonCheckedByTheProgramUnchecksItsGroupUnlessTabIsDown) {
  Page page(
      "<form><input type=radio name=A value=W1 checked onclick=K1><input type=radio name=A value=R2 onclick=K2>"
      "<input type=radio name=A value=W3 onclick=K3><input name=e onfocus=F><input type=checkbox name=c></form>");
  auto radio = [&](int i) -> TRadioButtonFormControlObj& { return page.Control<TRadioButtonFormControlObj>(i); };
  EXPECT_TRUE(dynamic_cast<TFormRadioButton*>(radio(0).GetControl()));
  EXPECT_TRUE(dynamic_cast<TFormCheckBox*>(page.Control(4).GetControl()));
  std::vector<std::string> clicks;
  page.document->OnObjectClick = [&](pf::TObject*, TFormControlObj*, const std::string& text) {
    clicks.push_back(text);
  };
  radio(1).SetChecked(true);
  radio(1).SetChecked(true);
  EXPECT_EQ(page.Values(), "A=R2|e=");
  EXPECT_EQ(clicks, std::vector<std::string>{"K2"});
  // An arrow key checks the next one, which clicks once.
  radio(1).GetControl()->SetFocus();
  pf::SendKeyStroke(*radio(1).GetControl(), pf::VK_DOWN);
  EXPECT_EQ(page.Values(), "A=W3|e=");
  EXPECT_EQ(clicks, (std::vector<std::string>{"K2", "K3"}));
  page.Form().ResetControls();
  EXPECT_EQ(page.Values(), "A=W1|e=");
  EXPECT_EQ(clicks, (std::vector<std::string>{"K2", "K3", "K1"}));
  // Tab from the checked radio to the edit box: a check the program makes meanwhile is ignored.
  page.document->OnObjectFocus = [&](pf::TObject*, TFormControlObj*, const std::string&) { radio(2).SetChecked(true); };
  radio(0).GetControl()->SetFocus();
  pf::SendKeyStroke(*radio(0).GetControl(), pf::VK_TAB);
  EXPECT_TRUE(page.Control(3).GetControl()->Focused());
  EXPECT_EQ(page.Values(), "A=W1|e=");
  EXPECT_EQ(clicks.size(), 3u);
}

// The printed looks show the state: the tick of a checked box, the dot of a checked radio button.
TEST(FormControls, PrintedLooksShowTheCheckedState) {
  Page page(
      "<form><input type=checkbox checked><input type=radio checked><input type=checkbox><input type=radio>"
      "</form>");
  for (int i = 0; i < 4; ++i) {
    pf::TBitmap bitmap;
    bitmap.SetSize(20, 20);
    page.Control(i).Paint(bitmap.Canvas(), 0, 0);
    const pf::TPoint mark = i % 2 == 0 ? pf::TPoint{4, 7} : pf::TPoint{7, 7};
    EXPECT_EQ(bitmap.Canvas().Pixels(mark.X, mark.Y), i < 2 ? pf::clBlack : pf::clWhite) << i;
  }
}

// A form of many radio buttons builds, lays out, submits and goes in linear time: four times the controls take
// far less than the sixteen times of quadratic work. The windows themselves cost much in proportion, so a search
// over all controls for each shows only in thousands: at 16,000 it made the run twice as long, seven times that of
// 4,000. The sanitizers see that nothing leaks.
TEST(FormControls, ALargeFormCostsInProportionToItsSize) {
  auto run = [](int count) {
    std::string html = "<form action=big>";
    for (int i = 0; i < count; ++i)
      html += "<input type=radio name=q" + std::to_string(i / 4) + " value=R" + std::to_string(i % 4) + ">";
    html += "<input type=hidden name=h value=N></form>";
    return viewertest::BestSeconds([&] {
      Page page(html);
      page.Control<TRadioButtonFormControlObj>(count - 1).SetChecked(true);
      page.Form().Submit("");
      page.Pump();
      ASSERT_EQ(page.submissions.size(), 1u);
      EXPECT_EQ(page.submissions[0], "big get|q" + std::to_string((count - 1) / 4) + "=R3|h=N");
    });
  };
  const double small = run(1000), large = run(4000), larger = run(16000);
  EXPECT_LT(large, 8 * small) << small << " s and " << large << " s";
  EXPECT_LT(larger, 6 * large) << large << " s and " << larger << " s";
}

}  // namespace
