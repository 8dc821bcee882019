// The question-list editor on real widgets (offscreen): lists, keys, menus, opening and saving.
#include <filesystem>

#include "app/peditor.h"
#include "app/window_support.h"
#include "platform/core/files.h"
#include "platform/core/strings.h"
#include "tests/app/app_test_support.h"

namespace {

using app::TPEditorForm;
using enginetest::ReadFile;
using enginetest::WriteFile;
using namespace pf::literals;

enum Row { TA, TE, BE, VE };

struct EditorTest : apptest::AppTest {
  EditorTest() {
    editor = Create<TPEditorForm>();
    editor->OnShowQuestion = [this](const std::string& code, const std::string& id) { shown.push_back(code + id); };
    editor->MsgTimer->SetInterval(50);
    Activate(*editor);
  }
  void Choose(Row row) { ui_test::Pick(*editor->PruefungsAuswahlComboBox, row); }
  // The user clicks into an edit and types.
  static void ClickAndType(pf::TCustomEdit& edit, const char* text) {
    QTest::mouseClick(ui_test::Widget(edit), Qt::LeftButton);
    QTest::keyClicks(ui_test::Widget(edit), QString::fromLatin1(text));
  }
  // Selects exactly these entries of a list.
  static void Select(pf::TListBox& list, std::initializer_list<const char*> ids) {
    list.ClearSelection();
    for (const char* id : ids) list.SetSelected(list.Items().IndexOf(id), true);
  }
  static std::string Items(pf::TListBox& list) { return list.Items().CommaText(); }
  void Key(pf::TControl& control, Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
    QTest::keyClick(ui_test::Widget(control), key, modifiers);
  }
  std::string Panel(int i) { return editor->PEditorsbStatusBar->Panels()[i]->Text(); }
  // An own list of TA with a comment, as the user makes it; count 2 (the first row) unless told otherwise.
  void MakeList(std::initializer_list<const char*> ids, bool pickCount = true, const char* time = "10") {
    Choose(TA);
    Select(*editor->FragenListBox, ids);
    Key(*editor->FragenListBox, Qt::Key_M, Qt::ControlModifier);
    if (pickCount) ui_test::Pick(*editor->FragenAuswahlComboBox, 0);
    ClickAndType(*editor->ZeitMaskEdit, time);
    ClickAndType(*editor->qltKommentarEdit, "Meine Liste");
  }
  // The save dialog answers path.
  void Save(const std::string& path) {
    dialogs.service.PushPath(path);
    Key(*editor->PruefungListBox, Qt::Key_S, Qt::ControlModifier);
  }
  void Open(const std::string& path) {
    dialogs.service.PushPath(path);
    Key(*editor->PruefungListBox, Qt::Key_F10);
  }

  std::unique_ptr<TPEditorForm> editor;
  std::vector<std::string> shown;
};

// Copying (Ctrl+M, Enter in the pool), the count list and the count panel follow the own list.
TEST_F(EditorTest, CopyingTakesEachQuestionOnceAndTheCountListFollows) {
  Choose(TA);
  EXPECT_EQ(std::pair(Panel(0), Panel(1)), std::pair(std::string(" 74 Fragen im Fragenpool"), std::string("74")));
  Select(*editor->FragenListBox, {"TA103", "TA101", "TB101"});
  Key(*editor->FragenListBox, Qt::Key_M, Qt::ControlModifier);
  Select(*editor->FragenListBox, {"TA101"});
  Key(*editor->FragenListBox, Qt::Key_Return);
  EXPECT_EQ(std::tuple(Items(*editor->PruefungListBox), editor->FragenAuswahlComboBox->Items().CommaText(), Panel(1)),
            std::tuple("TA101,TA103,TB101", "2,3", "3"));
  ui_test::Pick(*editor->FragenAuswahlComboBox, 1);
  EXPECT_EQ(Panel(1), "3/3");
  ClickAndType(*editor->ZeitMaskEdit, "45");
  EXPECT_EQ(Panel(1), "3/3/45");

  editor->FragenListBox->SelectAll();
  Key(*editor->FragenListBox, Qt::Key_M, Qt::ControlModifier);
  const pf::TStrings& counts = editor->FragenAuswahlComboBox->Items();
  EXPECT_EQ(std::tuple(editor->PruefungListBox->Items().Count(), counts.Count(), counts[counts.Count() - 1]),
            std::tuple(74, 49, "50"));
  Key(*editor->PruefungListBox, Qt::Key_D, Qt::ControlModifier);
  EXPECT_EQ(std::pair(Panel(1), counts.Count()), std::pair(std::string("0"), 0));
  Select(*editor->FragenListBox, {"TC112"});
  Key(*editor->FragenListBox, Qt::Key_Return);
  EXPECT_EQ(counts.Count(), 0);  // one question: no count to choose
}

// Letters select by the second character, Space shows, Del and Enter delete in the own list, Ctrl+T shows through
// the list's pop-up menu, F1 the help page; showing without a selection does nothing.
TEST_F(EditorTest, KeysInTheLists) {
  MakeList({"TA101", "TA102", "TB103", "TC104"});
  pf::TListBox& pool = *editor->FragenListBox;
  pf::TListBox& own = *editor->PruefungListBox;
  Key(pool, Qt::Key_C);
  EXPECT_EQ(pool.SelCount(), 1);
  EXPECT_TRUE(pool.Selected(pool.Items().IndexOf("TC101")));
  Key(pool, Qt::Key_Space);
  Key(own, Qt::Key_B);
  Key(own, Qt::Key_T, Qt::ControlModifier);
  EXPECT_EQ(shown, (std::vector<std::string>{"TATC101", "TATB103"}));
  Key(own, Qt::Key_Delete);
  Select(own, {"TA101"});
  Key(own, Qt::Key_Return);
  EXPECT_EQ(Items(own), "TA102,TC104");
  own.ClearSelection();
  Key(own, Qt::Key_Space);
  EXPECT_EQ(shown.size(), 2u);
  Key(own, Qt::Key_F1);
  EXPECT_EQ(port.loaded.back(), "/opt/pexu/html/peditorhilfe.html#top");
}

// The wrongly answered questions of the log that are in the chosen pool, each once; without a part a message.
TEST_F(EditorTest, ImportTakesTheWrongQuestionsOfThePartFromTheLog) {
  for (const char* line : {
           "<td valign=\"top\">nein</td><td>Richtig: 40 (78%) &nbsp; Falsch: TA102 TB104 TA999 </td>",
           "<td valign=\"top\">ok</td><td>Richtig: 30 (88%) &nbsp; Falsch: VA101 </td>",
           "<td valign=\"top\">ok</td><td>Richtig: 50 (98%) &nbsp; Falsch: TA102 <br>[Liste]</td>",
           "<td valign=\"top\">ok</td><td>Richtig: 51 (100%) &nbsp; Falsch: </td>",
       })
    state.ExamLog.Add(line);
  EXPECT_EQ(editor->PruefungsAuswahlComboBox->Text(), "");  // no part shows as chosen
  Key(*editor->PruefungListBox, Qt::Key_U, Qt::ControlModifier);
  EXPECT_EQ(Panel(0), "  Bitte den Prüfungsteil auswählen."_l1);
  Choose(TA);
  Key(*editor->PruefungListBox, Qt::Key_U, Qt::ControlModifier);
  EXPECT_EQ(Items(*editor->PruefungListBox), "TA102,TB104");
  EXPECT_EQ(Panel(1), "2");
  EXPECT_EQ(editor->FragenAuswahlComboBox->Items().CommaText(), "2");
}

// The list file: comment, part and count, time, sorted identifiers; ".qlt" is added to a name without a dot, also
// in a folder whose name has one; an existing file is replaced only after the user agreed.
TEST_F(EditorTest, SavingWritesTheListUnderItsName) {
  MakeList({"TB101", "TA105", "TA101"});
  std::filesystem::create_directories(dir.File("john.doe"));
  const struct {
    std::string chosen, written;
  } cases[] = {
      {dir.File("x"), dir.File("x.qlt")},
      {dir.File("a.b"), dir.File("a.b")},
      {dir.File("john.doe/liste"), dir.File("john.doe/liste.qlt")},
  };
  for (const auto& c : cases) {
    Save(c.chosen);
    EXPECT_EQ(ReadFile(c.written), "#Meine Liste\r\nTA=2\r\nZeit=10\r\nTA101\r\nTA105\r\nTB101\r\n") << c.chosen;
    EXPECT_EQ(Panel(0), "  " + c.written + " gespeichert.");
  }
  EXPECT_EQ(state.QuestionDir, dir.File("john.doe"));
  EXPECT_EQ(dialogs.service.Calls().back().text, " Speichern der Fragenliste");

  port.confirmAnswer = false;
  editor->qltKommentarEdit->SetText(" ");
  Save(dir.File("x"));
  ASSERT_EQ(port.confirmations.size(), 1u);
  EXPECT_EQ(port.confirmations[0], dir.File("x.qlt") + std::string(" existiert schon. Überschreiben?"_l1));
  EXPECT_EQ(ReadFile(dir.File("x.qlt")).substr(0, 5), "#Mein");
  port.confirmAnswer = true;
  Save(dir.File("x"));
  EXPECT_EQ(ReadFile(dir.File("x.qlt")).substr(0, 6), "TA=2\r\n");  // a blank comment is left out
}

// What is missing for a sheet is named, no dialog is shown, and the message colour goes back after its time. The
// count box shows no count until the user picks one.
TEST_F(EditorTest, SavingAnIncompleteListNamesWhatIsMissing) {
  const struct {
    std::initializer_list<const char*> ids;
    bool pickCount;
    const char* time;
    std::string_view message;
  } cases[] = {
      {{"TA101"}, false, "10", "  Weniger als 2 Fragen in der eigenen Fragenliste."},
      {{"TA101", "TA102"}, false, "10", "  Bitte die Anzahl der Prüfungsfragen festlegen."_l1},
      {{"TA101", "TA102"}, true, "", "  Bitte die Prüfungszeit [min] festlegen."_l1},
      {{"TA101", "TA102"}, true, "0", "  Bitte die Prüfungszeit [min] festlegen."_l1},
  };
  for (const auto& c : cases) {
    MakeList(c.ids, c.pickCount, c.time);
    EXPECT_EQ(editor->FragenAuswahlComboBox->Text(), c.pickCount ? "2" : "");
    Key(*editor->PruefungListBox, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(std::pair(Panel(0), editor->PEditorsbStatusBar->Panels()[0]->Color()),
              std::pair(std::string(c.message), app::MsgColor));
    EXPECT_TRUE(ui_test::RunUntil([&] { return editor->PEditorsbStatusBar->Panels()[0]->Color() == pf::clBtnFace; }));
    EXPECT_EQ(Panel(0), c.message);
  }
  EXPECT_TRUE(dialogs.service.Calls().empty());
}

// A list of part VE opened while TA is chosen switches the editor to VE with the list's count, time and comment.
TEST_F(EditorTest, OpeningAListOfAnotherPartSwitchesToIt) {
  Choose(TA);
  WriteFile(dir.File("listen/ve.qlt"), "#Vorschriften\r\nVE=3\r\nZeit=25\r\nVB101\r\n va102 \r\nVC115\r\n\r\n");
  Open(dir.File("listen/ve.qlt"));
  EXPECT_EQ(std::tuple(editor->PruefungsAuswahlComboBox->ItemIndex(), editor->EditorPartCode(),
                       editor->FragenListBox->Items().Count(), Items(*editor->PruefungListBox)),
            std::tuple(VE, "VE", 46, "VA102,VB101,VC115"));
  EXPECT_EQ(std::tuple(editor->FragenAuswahlComboBox->Text(), pf::Trim(editor->ZeitMaskEdit->Text()),
                       editor->qltKommentarEdit->Text(), Panel(1), state.QuestionDir),
            std::tuple("3", "25", "Vorschriften", "3/3/25", dir.File("listen")));
  EXPECT_EQ(dialogs.service.Calls().back().text, " Öffnen der Fragenliste"_l1);
}

// A damaged list (empty, cut short, a wrong head, a question not in the pool; the window flows open binary ones)
// gets the message and leaves the editor's work as it was, while its folder becomes the one the next list dialog
// starts in; a missing file is named and changes no folder.
TEST_F(EditorTest, ADamagedListKeepsTheWorkAndTakesItsFolder) {
  MakeList({"TA101", "TA102"});
  auto work = [&] {
    return Items(*editor->PruefungListBox) + "|" + editor->FragenAuswahlComboBox->Text() + "|" +
           editor->ZeitMaskEdit->Text() + "|" + editor->qltKommentarEdit->Text() + "|" + editor->EditorPartCode();
  };
  const std::string before = work();
  const std::string damaged[] = {
      "",
      "#nur ein Kommentar\r\n",
      "TA=2\r\nZeit=10\r\nTA101\r\nTA1",
      "BA=2\r\nZeit=10\r\nBA101\r\nBA102\r\n",   // no part of the catalogue
      "TA=2\r\nZeit=120\r\nTA101\r\nTA102\r\n",  // more than the time field holds
      "TA=zwei\r\nZeit=10\r\nTA101\r\nTA102\r\n",
      "TA=2\r\nDauer=10\r\nTA101\r\nTA102\r\n",
      "TA=2\r\nZeit=0\r\nTA101\r\nTA102\r\n",
      "VE=2\r\nZeit=10\r\nTA101\r\nTA102\r\n",
  };
  for (const std::string& bytes : damaged) {
    WriteFile(dir.File("kaputt/liste.qlt"), bytes);
    Open(dir.File("kaputt/liste.qlt"));
    EXPECT_EQ(Panel(0), "  Die Fragenliste passt nicht zum Prüfungsteil."_l1) << bytes;
    EXPECT_EQ(work(), before) << bytes;
    EXPECT_EQ(editor->PruefungsAuswahlComboBox->ItemIndex(), TA);
    EXPECT_EQ(state.QuestionDir, dir.File("kaputt"));
  }
  EXPECT_TRUE(port.warnings.empty());
  Open(dir.File("fehlt.qlt"));
  EXPECT_EQ(Panel(0), "  " + dir.File("fehlt.qlt") + " nicht gefunden.");
  EXPECT_EQ(std::pair(dialogs.service.Calls().back().initialDir, state.QuestionDir),
            std::pair(dir.File("kaputt"), dir.File("kaputt")));
}

// Without the catalogue a choice is refused with the warning and the part row shows the part of the pool again.
TEST_F(EditorTest, AMissingCatalogueKeepsThePoolShown) {
  Choose(TA);
  pf::DeleteFile(state.CatalogueFile);
  Choose(TE);
  ASSERT_EQ(port.warnings.size(), 1u);
  EXPECT_EQ(port.warnings[0], "Die Datei " + state.CatalogueFile + " existiert nicht.");
  EXPECT_EQ(editor->PruefungsAuswahlComboBox->ItemIndex(), TA);
  EXPECT_EQ(editor->FragenListBox->Items().Count(), 74);
}

}  // namespace
