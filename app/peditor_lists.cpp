// The editor's list work: pools, copying, importing from the log, opening and saving question lists.
#include <algorithm>
#include <vector>

#include "app/peditor.h"
#include "engine/engine.h"
#include "engine/procs.h"
#include "platform/core/exceptions.h"
#include "platform/core/files.h"
#include "platform/core/services.h"
#include "platform/core/strings.h"

namespace app {

using namespace pf::literals;

namespace {

constexpr int kMaxQuestionCount = 50;
constexpr int kMaxMinutes = 99;  // the time field holds two digits
constexpr std::string_view kListFilter = "Fragenlisten (*.qlt)|*.qlt";
constexpr std::string_view kWrongMarker = "Falsch: ";

std::string Rest(std::string_view line, int from) { return pf::Copy(line, from, static_cast<int>(line.size())); }

std::string UnfitListText() { return std::string(" Die Fragenliste passt nicht zum Prüfungsteil."_l1); }

}  // namespace

// A question list as read from its file, checked against the pool of its part before anything is shown.
struct TPEditorForm::OpenedList {
  engine::QuestionList list;  // the identifiers as the pool writes them
  pf::TStringList pool;
};

bool TPEditorForm::ReadPool(const std::string& code, pf::TStringList& lines) {
  try {
    if (engine_.ReadPool(code, lines)) return true;
  } catch (const pf::Exception& e) {  // a damaged archive
    lines.Clear();
    engine_.Port().ShowWarning(e.what());
  }
  SelectPartRow(editorPartCode_);
  return false;
}

void TPEditorForm::ShowPool(const std::string& code, const pf::TStrings& lines, bool plainChoice) {
  FragenListBox->Clear();
  if (plainChoice) {
    PruefungListBox->Clear();
    FragenAuswahlComboBox->Clear();
    qltKommentarEdit->Clear();
    ZeitMaskEdit->Clear();
  }
  editorPartCode_ = code;
  pf::TStrings& pool = FragenListBox->Items();
  pool.BeginUpdate();
  for (int i = 0; i < lines.Count(); ++i) {
    if (pf::Copy(lines[i], 1, 2) == "::") pool.Add(pf::Copy(lines[i], 3, 5));
  }
  pool.EndUpdate();
  PEditorsbStatusBar->Panels()[0]->SetText(" " + pf::IntToStr(pool.Count()) + " Fragen im Fragenpool");
  SetCountsText(pf::IntToStr(pool.Count()));
  FormResize();
  if (FragenListBox->CanFocus()) FragenListBox->SetFocus();
}

void TPEditorForm::PruefungsAuswahlComboBoxChange() {
  SetCountsText("");
  const int row = PruefungsAuswahlComboBox->ItemIndex();
  if (row < 0) return;
  const std::string code = pf::Copy(PruefungsAuswahlComboBox->Items()[row], 50, 2);
  pf::TStringList lines;
  if (ReadPool(code, lines)) ShowPool(code, lines, true);
}

void TPEditorForm::RemoveDuplicateQuestions() {
  pf::TStrings& items = PruefungListBox->Items();
  // A list box hands out its items one at a time (each read may replace the one before), so one is copied.
  for (int i = items.Count() - 1; i > 0; --i) {
    const std::string later = items[i];
    if (pf::SameText(later, items[i - 1])) items.Delete(i);
  }
}

void TPEditorForm::FillQuestionCountCombo() {
  pf::TStrings& counts = FragenAuswahlComboBox->Items();
  FragenAuswahlComboBox->Clear();
  const int size = PruefungListBox->Items().Count();
  for (int n = 2; n <= std::min(size, kMaxQuestionCount); ++n) counts.Add(pf::IntToStr(n));
  SetCountsText(pf::IntToStr(size));
}

void TPEditorForm::FragenAuswahlComboBoxChange() {
  if (FragenAuswahlComboBox->ItemIndex() < 0) return;
  SetCountsText(pf::IntToStr(PruefungListBox->Items().Count()) + "/" + FragenAuswahlComboBox->Text());
}

void TPEditorForm::ZeitMaskEditChange() {
  const int size = PruefungListBox->Items().Count();
  if (size == 0 || FragenAuswahlComboBox->ItemIndex() < 0) return;
  SetCountsText(pf::IntToStr(size) + "/" + FragenAuswahlComboBox->Text() + "/" + pf::Trim(ZeitMaskEdit->Text()));
}

void TPEditorForm::RechtsSpeedButtonClick() {
  const pf::TStrings& pool = FragenListBox->Items();
  for (int i = 0; i < pool.Count(); ++i) {
    if (FragenListBox->Selected(i)) PruefungListBox->Items().Add(pool[i]);
  }
  RemoveDuplicateQuestions();
  FillQuestionCountCombo();
}

void TPEditorForm::LinksSpeedButtonClick() {
  pf::TStrings& own = PruefungListBox->Items();
  for (int i = own.Count() - 1; i >= 0; --i) {
    if (PruefungListBox->Selected(i)) own.Delete(i);
  }
  FillQuestionCountCombo();
}

void TPEditorForm::LoeschenSpeedButtonClick() {
  PruefungListBox->Clear();
  FillQuestionCountCombo();
}

void TPEditorForm::LogSpeedButtonClick() {
  const pf::TStrings& pool = FragenListBox->Items();
  if (PruefungsAuswahlComboBox->ItemIndex() < 0 || pool.Count() == 0) {
    Msg(std::string(" Bitte den Prüfungsteil auswählen."_l1));
    if (PruefungsAuswahlComboBox->CanFocus()) PruefungsAuswahlComboBox->SetFocus();
    return;
  }
  pf::BusyCursor busy;
  PruefungListBox->Clear();
  const char partLetter = pool[0][0];
  const pf::TStrings& log = engine_.State().ExamLog;
  for (int i = 0; i < log.Count(); ++i) {
    const int at = pf::Pos(kWrongMarker, log[i]);
    if (at == 0) continue;
    const std::string wrong = Rest(log[i], at + static_cast<int>(kWrongMarker.size()));
    if (wrong.empty() || wrong[0] != partLetter) continue;
    // Identifiers stand 6 characters apart (identifier and blank).
    for (size_t k = 0; k + 5 <= wrong.size(); k += 6) {
      const std::string id = wrong.substr(k, 5);
      if (pool.IndexOf(id) >= 0) PruefungListBox->Items().Add(id);
    }
  }
  RemoveDuplicateQuestions();
  FillQuestionCountCombo();
}

void TPEditorForm::FragentextanzeigenClick(pf::TListBox& list) {
  const pf::TStrings& items = list.Items();
  for (int i = 0; i < items.Count(); ++i) {
    if (!list.Selected(i)) continue;
    if (OnShowQuestion && !editorPartCode_.empty()) OnShowQuestion(editorPartCode_, items[i]);
    return;
  }
}

// The editor takes a list that the engine can read when it can show all of it: a part of the catalogue, a time that
// fits the two-digit field, and questions that are all in the pool of that part, which is read on the way (a
// missing or damaged pool has been reported then).
bool TPEditorForm::ReadQuestionList(const std::string& path, OpenedList& opened) {
  engine::QuestionList& list = opened.list;
  if (!engine::ReadQuestionList(path, list) || !engine::IsCataloguePart(list.partCode[0], list.partCode[1]) ||
      list.minutes > kMaxMinutes || !ReadPool(list.partCode, opened.pool))
    return false;
  pf::TStringList ids;
  ids.SetSorted(true);
  for (int i = 0; i < opened.pool.Count(); ++i) {
    if (pf::Copy(opened.pool[i], 1, 2) == "::") ids.Add(pf::Copy(opened.pool[i], 3, 5));
  }
  for (std::string& id : list.ids) {
    int index = -1;
    if (!ids.Find(pf::Trim(id), index)) return false;
    id = ids[index];
  }
  return true;
}

void TPEditorForm::TakeQuestionList(const OpenedList& opened) {
  const engine::QuestionList& list = opened.list;
  ShowPool(list.partCode, opened.pool, false);
  pf::TStrings& own = PruefungListBox->Items();
  own.Clear();
  for (const std::string& id : list.ids) own.Add(id);
  RemoveDuplicateQuestions();
  qltKommentarEdit->SetText(list.title.value_or(""));
  FillQuestionCountCombo();
  const int countIndex = list.questionCount - 2;
  if (countIndex >= 0 && countIndex < FragenAuswahlComboBox->Items().Count()) {
    FragenAuswahlComboBox->SetItemIndex(countIndex);
    FragenAuswahlComboBoxChange();
  }
  ZeitMaskEdit->SetText(pf::IntToStr(list.minutes));
  SelectPartRow(list.partCode);
}

void TPEditorForm::OeffnenSpeedButtonClick() {
  PEditorsbStatusBar->Panels()[0]->SetText("");
  OpenDialog->Title = std::string(" Öffnen der Fragenliste"_l1);
  OpenDialog->Filter = std::string(kListFilter);
  OpenDialog->InitialDir = engine_.State().QuestionDir;
  OpenDialog->FileName.clear();
  if (!OpenDialog->Execute()) return;
  const std::string path = OpenDialog->FileName;
  if (!pf::FileExists(path)) {
    Msg(" " + path + " nicht gefunden.");
    return;
  }
  // The next list dialog starts in this folder, whether or not the list fits.
  engine_.State().QuestionDir = pf::ExtractFileDir(pf::ExpandFileName(path));
  // The editor's work changes only when the whole file fits: a damaged list leaves it as it was.
  OpenedList opened;
  if (!ReadQuestionList(path, opened)) {
    Msg(UnfitListText());
    return;
  }
  TakeQuestionList(opened);
}

void TPEditorForm::SpeichernSpeedButtonClick() {
  const pf::TStrings& own = PruefungListBox->Items();
  const std::string time = pf::Trim(ZeitMaskEdit->Text());
  if (own.Count() < 2) {
    Msg(" Weniger als 2 Fragen in der eigenen Fragenliste.");
    return;
  }
  if (FragenAuswahlComboBox->ItemIndex() < 0) {
    Msg(std::string(" Bitte die Anzahl der Prüfungsfragen festlegen."_l1));
    if (FragenAuswahlComboBox->CanFocus()) FragenAuswahlComboBox->SetFocus();
    return;
  }
  if (!engine::IsInteger(time) || pf::StrToInt(time) == 0) {
    Msg(std::string(" Bitte die Prüfungszeit [min] festlegen."_l1));
    if (ZeitMaskEdit->CanFocus()) ZeitMaskEdit->SetFocus();
    return;
  }
  SaveDialog->Title = " Speichern der Fragenliste";
  SaveDialog->Filter = std::string(kListFilter);
  SaveDialog->InitialDir = engine_.State().QuestionDir;
  SaveDialog->FileName.clear();
  if (!SaveDialog->Execute()) return;
  std::string path = SaveDialog->FileName;
  engine_.State().QuestionDir = pf::ExtractFileDir(pf::ExpandFileName(path));
  // Only the file's own name counts: a folder with a dot in its name does not make an extension.
  if (pf::ExtractFileName(path).find('.') == std::string::npos) path += ".qlt";
  if (pf::FileExists(path) && !engine_.Port().Confirm(path + std::string(" existiert schon. Überschreiben?"_l1)))
    return;
  pf::TStringList lines;
  if (!pf::Trim(qltKommentarEdit->Text()).empty()) lines.Add("#" + qltKommentarEdit->Text());
  lines.Add(editorPartCode_ + "=" + FragenAuswahlComboBox->Text());
  lines.Add("Zeit=" + time);
  for (int i = 0; i < own.Count(); ++i) lines.Add(own[i]);
  lines.SaveToFile(path);  // written to a temporary file and renamed into place
  Msg(" " + path + " gespeichert.");
}

}  // namespace app
