// The question window's page, and the window on real widgets (offscreen) with the editor that shows questions in it.
#include "app/fragen.h"
#include "app/peditor.h"
#include "platform/core/files.h"
#include "platform/core/strings.h"
#include "tests/app/app_test_support.h"

namespace {

using app::TFragenForm;
using enginetest::ReadFile;
using namespace pf::literals;

pf::TStringList Lines(const std::vector<std::string>& lines) {
  pf::TStringList list;
  for (const std::string& line : lines) list.Add(line);
  return list;
}

// The identifier row, the text, a picture (its prefix in lower case) and the right answer alone.
TEST(QuestionPage, ShowsTheIdentifierTheTextAPictureAndTheRightAnswer) {
  pf::TStringList pool;
  pool.SetText(
      std::string("V:1\n::TA100\nF:Erste\nR:a\nW:b\nW:c\nW:d\n::TA101\nF:Wie groß ist der Widerstand?\n"
                  "p:./pics/ta101.png\nR:10 kOhm ./pics/r.gif\nW:1 kOhm\nW:100 Ohm\nW:1 MOhm\n"
                  "::TA102\nF:Letzte\nR:a\nW:b\nW:c\nW:d\n"_l1));
  pf::TStringList page;
  ASSERT_TRUE(app::BuildQuestionPage(pool, "TA101", "#e7e7ff", "#f0f0ff", "/opt/pexu", page));
  enginetest::ExpectGolden(page.Text(), "", "question.html");
}

// Whatever cannot be shown whole leaves the page as it was.
TEST(QuestionPage, NothingNewWithoutTheWholeRecord) {
  const struct {
    const char* what;
    std::vector<std::string> pool;
    const char* id;
  } cases[] = {
      {"not in the pool", {"V:1", "::TA101", "F:t", "R:a", "W:b", "W:c", "W:d"}, "TA999"},
      {"no identifier", {"V:1", "::TA101", "F:t", "R:a", "W:b", "W:c", "W:d"}, ""},
      {"the beginning of an identifier", {"V:1", "::TA101", "F:t", "R:a", "W:b", "W:c", "W:d"}, "TA10"},
      {"cut off after the head", {"V:1", "::TA101", "F:t"}, "TA101"},
      {"cut off within the answers", {"V:1", "::TA101", "F:t", "R:a", "W:b"}, "TA101"},
      {"cut off after the picture", {"V:1", "::TA101", "F:t", "P:./pics/x.png", ""}, "TA101"},
      {"an empty pool", {}, "TA101"},
  };
  for (const auto& c : cases) {
    pf::TStringList page = Lines({"old"});
    EXPECT_FALSE(app::BuildQuestionPage(Lines(c.pool), c.id, "#e7e7ff", "#f0f0ff", "/opt/pexu", page)) << c.what;
    EXPECT_EQ(page.Text(), "old\r\n") << c.what;
  }
}

struct QuestionWindowTest : apptest::AppTest {
  QuestionWindowTest() { fragen = Create<TFragenForm>(); }
  std::string Page() const { return ReadFile(dir.File("html/LetzteFrage.html")); }
  bool Shows(const std::string& text) const { return Page().find(text) != std::string::npos; }
  std::unique_ptr<TFragenForm> fragen;
};

// A training sheet's question in the part's colours with its picture; the sheet keeps its count and time; an
// identifier not in the pool keeps the page; the link empties the window (the window flows see it shown and hidden).
TEST_F(QuestionWindowTest, ShowsAQuestionOfTheRunningSheetUntilItsLinkIsClicked) {
  char mode = 't';
  ASSERT_TRUE(engine.BuildExamSheet('T', 'A', state.SheetId, "TA1", mode));
  const auto sheet = std::tuple(state.QuestionCount, state.TimeLimitText, state.ModeLetter);
  fragen->ShowQuestion("TA", "TA105");
  EXPECT_EQ(fragen->FragenPageViewer->CurrentFile(), dir.File("html/LetzteFrage.html"));
  EXPECT_TRUE(Shows("<tr bgcolor=\"#e7e7ff\"><td colspan=\"2\"><b>TA105</b></td></tr>"));
  EXPECT_TRUE(Shows("/opt/pexu/pics/ta105.png"));
  EXPECT_EQ(std::tuple(state.QuestionCount, state.TimeLimitText, state.ModeLetter), sheet);

  const std::string shown = Page();
  fragen->ShowQuestion("TA", "TA999");
  EXPECT_EQ(Page(), shown);

  bool handled = false;
  fragen->FragenPageViewer->OnHotSpotClick(fragen->FragenPageViewer, "./", handled);
  EXPECT_TRUE(handled);
  EXPECT_EQ(fragen->FragenPageViewer->DocHeight(), 0);
  EXPECT_TRUE(port.warnings.empty());
}

// Every activation makes the page from the pool the running sheet has then; the same page stays loaded, so that a
// click which activates the window keeps its link.
TEST_F(QuestionWindowTest, ActivationShowsTheQuestionInThePoolOfThatMoment) {
  char mode = 'k';
  ASSERT_TRUE(engine.BuildExamSheet('T', 'A', state.SheetId, "", mode));
  fragen->ShowQuestion("TA", "TA101");
  int loads = 0;
  fragen->FragenPageViewer->OnParseEnd = [&](pf::TObject*) { ++loads; };
  auto main = ui_test::ActiveForm();
  Activate(*main);
  Activate(*fragen);
  EXPECT_EQ(loads, 0);
  state.CatalogueLines.Put(state.CatalogueLines.IndexOf("::TA101") + 1, "F:Neu gefasste Frage");
  Activate(*main);
  Activate(*fragen);
  EXPECT_EQ(loads, 1);
  EXPECT_TRUE(Shows("<b>Neu gefasste Frage</b>"));
}

// During an exam of part TA the editor shows a question of part VE: the window reads that pool itself and leaves
// the exam's part, class, mode and pool as they are (the window flows submit the exam and find it logged as TA).
TEST_F(QuestionWindowTest, TheEditorsQuestionOfAnotherPartLeavesTheRunningExamAlone) {
  char mode = 'k';
  ASSERT_TRUE(engine.BuildExamSheet('T', 'A', state.SheetId, "", mode));
  pf::TStringList sheetPool;
  sheetPool.Assign(state.CatalogueLines);
  auto editor = Create<app::TPEditorForm>();
  editor->OnShowQuestion = [this](const std::string& code, const std::string& id) { fragen->ShowQuestion(code, id); };
  Activate(*editor);
  ui_test::Pick(*editor->PruefungsAuswahlComboBox, 3);
  editor->FragenListBox->SetSelected(editor->FragenListBox->Items().IndexOf("VA102"), true);
  QTest::keyClick(ui_test::Widget(*editor->FragenListBox), Qt::Key_T, Qt::ControlModifier);

  EXPECT_TRUE(Shows("<tr bgcolor=\"#d0ffc0\"><td colspan=\"2\"><b>VA102</b></td></tr>"));
  EXPECT_EQ((std::string{state.PartLetter, state.ClassLetter, state.ModeLetter}), "TAk");
  EXPECT_TRUE(state.CatalogueLines.Equals(sheetPool));
  Activate(*fragen);
  EXPECT_TRUE(Shows("<b>VA102</b>"));
  EXPECT_TRUE(port.warnings.empty());
}

// A pool that cannot be read is reported once, when the question is asked for, never on activation.
TEST_F(QuestionWindowTest, AMissingPoolIsReportedOnce) {
  pf::DeleteFile(state.CatalogueFile);
  auto main = ui_test::ActiveForm();
  fragen->ShowQuestion("VE", "VA101");
  for (int i = 0; i < 3; ++i) {
    Activate(*main);
    Activate(*fragen);
  }
  EXPECT_EQ(port.warnings, std::vector<std::string>{"Die Datei " + state.CatalogueFile + " existiert nicht."});
  EXPECT_FALSE(pf::FileExists(dir.File("html/LetzteFrage.html")));
}

}  // namespace
