// The question-list editor: the user picks questions from the pool of one exam part (or takes the wrongly answered
// ones from the exam log), sets the questions per sheet, the time and a comment, and saves or opens own question
// lists ("*.qlt"). It keeps its pool to itself: the running sheet's part, class and pool stay as they are.
#pragma once

#include <functional>
#include <string>

#include "app/glyphs.h"
#include "components/od_menu.h"
#include "components/status_bar.h"
#include "platform/ui/buttons.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/extctrls.h"
#include "platform/ui/forms.h"
#include "platform/ui/mask.h"
#include "platform/ui/menus.h"
#include "platform/ui/stdctrls.h"

namespace engine {
class Engine;
}

namespace app {

class TPEditorForm : public pf::TForm {
 public:
  TPEditorForm(pf::TComponent* owner, engine::Engine& engine);
  ~TPEditorForm() override;
  std::string ClassName() const override { return "TPEditorForm"; }

  // Set by the main window: the question window shows the question id of the part partCode ("TA", "TA101").
  std::function<void(const std::string& partCode, const std::string& id)> OnShowQuestion;
  // The main window's hint display: panel 0 := the application's hint.
  void ShowHint(const std::string& hint);
  // The part whose pool the editor shows ("TA"); empty before the first choice.
  const std::string& EditorPartCode() const { return editorPartCode_; }

  pf::TComboBox* PruefungsAuswahlComboBox;  // the four parts; the code stands at characters 50-51
  pf::TListBox* FragenListBox;              // the pool
  pf::TListBox* PruefungListBox;            // the own list
  pf::TComboBox* FragenAuswahlComboBox;     // questions per sheet
  pf::TMaskEdit* ZeitMaskEdit;              // minutes
  pf::TEdit* qltKommentarEdit;
  pf::TLabel* AnzahlLabel;
  pf::TLabel* ZeitLabel;
  pf::TLabel* KommentarLabel;
  pf::TPanel* ButtonPanel;
  pf::TSpeedButton* OeffnenSpeedButton;
  pf::TSpeedButton* SpeichernSpeedButton;
  pf::TSpeedButton* RechtsSpeedButton;
  pf::TSpeedButton* LinksSpeedButton;
  pf::TSpeedButton* LogSpeedButton;
  pf::TSpeedButton* LoeschenSpeedButton;
  pf::TOpenDialog* OpenDialog;
  pf::TSaveDialog* SaveDialog;
  pf::TTimer* MsgTimer;
  components::TsbStatusBar* PEditorsbStatusBar;  // panel 0 messages and hints, panel 1 counts
  components::TodMenu* MainMenu;
  components::TodPopupMenu* FragenPopupMenu;
  components::TodPopupMenu* PruefungPopupMenu;

  void FormCreate();
  void FormDestroy();
  void FormResize();
  // Loads the pool of the chosen part; the own list, the count, the time and the comment start empty.
  void PruefungsAuswahlComboBoxChange();
  // Copies the selected pool questions into the own list (each once).
  void RechtsSpeedButtonClick();
  // Deletes the selected own-list entries.
  void LinksSpeedButtonClick();
  // Own list := the wrongly answered questions of the exam log that belong to the pool.
  void LogSpeedButtonClick();
  // Empties the own list.
  void LoeschenSpeedButtonClick();
  void OeffnenSpeedButtonClick();
  void SpeichernSpeedButtonClick();
  // Shows the first selected question of the list in the question window; nothing when none is selected.
  void FragentextanzeigenClick(pf::TListBox& list);
  void Msg(const std::string& text);

 private:
  struct OpenedList;
  void BuildMenus();
  void BuildControls();
  pf::TSpeedButton* AddToolButton(Glyph glyph, const std::string& hint, void (TPEditorForm::*click)());
  // The pool of code read into lines; a failure is reported and puts the part row back.
  bool ReadPool(const std::string& code, pf::TStringList& lines);
  // Shows the pool read by ReadPool; a plain choice of the user also empties the own list, count, time and comment.
  void ShowPool(const std::string& code, const pf::TStrings& lines, bool plainChoice);
  // The list at path when the editor can show it.
  bool ReadQuestionList(const std::string& path, OpenedList& opened);
  void TakeQuestionList(const OpenedList& opened);
  void SelectPartRow(const std::string& code);
  void RemoveDuplicateQuestions();
  void FillQuestionCountCombo();
  void SetCountsText(const std::string& text);
  void FragenAuswahlComboBoxChange();
  void ZeitMaskEditChange();
  void ListKeyDown(pf::TListBox& list, uint16_t& key, pf::TShiftState shift);
  // The first entry whose second character is letter becomes the only selected one.
  static void SelectByLetter(pf::TListBox& list, char letter);

  engine::Engine& engine_;
  std::string editorPartCode_;
  pf::TWindowState layoutState_ = pf::wsNormal;  // the window state of the last layout
};

}  // namespace app
