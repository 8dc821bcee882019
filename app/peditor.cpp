// The editor's window: its controls, menus, layout and keys. The list work is in peditor_lists.cpp.
#include <algorithm>
#include <array>
#include <string_view>

#include "app/peditor.h"
#include "app/window_support.h"
#include "engine/engine.h"
#include "platform/core/strings.h"

namespace app {

using namespace pf::literals;

namespace {

// The part rows; the code stands at characters 50-51.
constexpr std::array<std::string_view, 4> kPartRows = {
    "Technische Kenntnisse Klasse A                   TA",
    "Technische Kenntnisse Klasse E                   TE",
    "Betriebliche Kenntnisse                          BE",
    "Kenntnisse von Vorschriften                      VE",
};
static_assert([] {
  for (std::string_view row : kPartRows)
    if (row.size() != 51) return false;
  return true;
}());

constexpr int32_t kButtonPanelWidth = 40;
constexpr int32_t kButtonSize = 28;
constexpr int32_t kRowHeight = 30;    // the part row above the lists and the comment row below them
constexpr int32_t kColumnWidth = 50;  // a list gets one column per 50 pixels of its width
constexpr int32_t kCommentIndent = 81;

template <class T>
T* Place(pf::TWinControl& parent, pf::TComponent* owner) {
  auto* control = new T(owner);
  control->SetParent(&parent);
  return control;
}

}  // namespace

TPEditorForm::TPEditorForm(pf::TComponent* owner, engine::Engine& engine) : pf::TForm(owner), engine_(engine) {
  SetCaption(std::string(" Pexu - Prüfungseditor"_l1));
  Font().SetName("Arial");
  Font().SetHeight(-13);
  SetShowHint(true);
  PEditorsbStatusBar = AddStatusBar(*this, {{"Nachricht", "500"}, {"Zeit", "50", components::taCenter}});
  BuildControls();
  BuildMenus();
  MsgTimer = new pf::TTimer(this);
  MsgTimer->SetEnabled(false);
  MsgTimer->SetInterval(MsgInterval);
  MsgTimer->SetOnTimer([this](pf::TObject*) { MsgTimerTimer(*PEditorsbStatusBar, *MsgTimer); });
  OpenDialog = new pf::TOpenDialog(this);
  SaveDialog = new pf::TSaveDialog(this);  // without its own overwrite prompt: the editor asks itself

  OnCreate = [this](pf::TObject*) { FormCreate(); };
  OnDestroy = [this](pf::TObject*) { FormDestroy(); };
  OnResize = [this](pf::TObject*) { FormResize(); };
  // A change of the window state that brought no resize is laid out at the next click.
  OnClick = [this](pf::TObject*) {
    if (WindowState() != layoutState_) FormResize();
  };
}

TPEditorForm::~TPEditorForm() { BeforeDestruction(); }

void TPEditorForm::BuildControls() {
  PruefungsAuswahlComboBox = Place<pf::TComboBox>(*this, this);
  PruefungsAuswahlComboBox->SetStyle(pf::csDropDownList);
  PruefungsAuswahlComboBox->OnChange = [this](pf::TObject*) { PruefungsAuswahlComboBoxChange(); };
  AnzahlLabel = Place<pf::TLabel>(*this, this);
  AnzahlLabel->SetCaption("Anzahl:");
  FragenAuswahlComboBox = Place<pf::TComboBox>(*this, this);
  FragenAuswahlComboBox->SetStyle(pf::csDropDownList);
  FragenAuswahlComboBox->OnChange = [this](pf::TObject*) { FragenAuswahlComboBoxChange(); };
  ZeitLabel = Place<pf::TLabel>(*this, this);
  ZeitLabel->SetCaption("Zeit:");
  ZeitMaskEdit = Place<pf::TMaskEdit>(*this, this);
  ZeitMaskEdit->SetEditMask("09;1; ");
  ZeitMaskEdit->SetMaxLength(2);
  ZeitMaskEdit->OnChange = [this](pf::TObject*) { ZeitMaskEditChange(); };

  for (pf::TListBox** list : {&FragenListBox, &PruefungListBox}) {
    *list = Place<pf::TListBox>(*this, this);
    (*list)->SetSorted(true);
    (*list)->SetMultiSelect(true);
    (*list)->SetExtendedSelect(true);
    pf::TListBox& box = **list;
    box.OnKeyDown = [this, &box](pf::TObject*, uint16_t& key, pf::TShiftState shift) { ListKeyDown(box, key, shift); };
  }
  FragenListBox->SetColumns(7);
  PruefungListBox->SetColumns(3);

  ButtonPanel = Place<pf::TPanel>(*this, this);
  ButtonPanel->SetBevelOuter(pf::bvNone);
  OeffnenSpeedButton = AddToolButton(Glyph::Open, " Eigene Fragenliste laden", &TPEditorForm::OeffnenSpeedButtonClick);
  SpeichernSpeedButton = AddToolButton(Glyph::Save, std::string(" Speichern der ausgewählten Fragen"_l1),
                                       &TPEditorForm::SpeichernSpeedButtonClick);
  RechtsSpeedButton = AddToolButton(Glyph::Right, std::string(" Markierte Fragen in die Fragenliste übernehmen"_l1),
                                    &TPEditorForm::RechtsSpeedButtonClick);
  LinksSpeedButton = AddToolButton(Glyph::Left, std::string(" Markierte Fragen aus der Fragenliste löschen"_l1),
                                   &TPEditorForm::LinksSpeedButtonClick);
  LogSpeedButton = AddToolButton(Glyph::Log, std::string(" Falsche Fragen aus dem Log übernehmen"_l1),
                                 &TPEditorForm::LogSpeedButtonClick);
  LoeschenSpeedButton = AddToolButton(Glyph::Delete, std::string(" Löschen der eigenen Prüfungszusammenstellung"_l1),
                                      &TPEditorForm::LoeschenSpeedButtonClick);

  KommentarLabel = Place<pf::TLabel>(*this, this);
  KommentarLabel->SetCaption("Kommentar:");
  qltKommentarEdit = Place<pf::TEdit>(*this, this);
  qltKommentarEdit->SetMaxLength(250);
}

pf::TSpeedButton* TPEditorForm::AddToolButton(Glyph glyph, const std::string& hint, void (TPEditorForm::*click)()) {
  auto* button = Place<pf::TSpeedButton>(*ButtonPanel, this);
  const int index = ButtonPanel->ControlCount() - 1;
  button->SetBounds((kButtonPanelWidth - kButtonSize) / 2, 2 + index * (kButtonSize + 2), kButtonSize, kButtonSize);
  button->SetFlat(true);
  DrawGlyph(button->Glyph(), glyph);
  button->SetHint(hint);
  button->OnClick = [this, click](pf::TObject*) { (this->*click)(); };
  return button;
}

void TPEditorForm::BuildMenus() {
  using pf::ShortCut;
  using pf::ssCtrl;
  const std::string copyCaption(" Markierte Fragen &übernehmen"_l1), copyHint(RechtsSpeedButton->Hint());
  const std::string deleteCaption("&Markierte Fagen löschen"_l1), deleteHint(LinksSpeedButton->Hint());
  const std::string logCaption(" Falsche Fragen aus dem &Log übernehmen"_l1), logHint(LogSpeedButton->Hint());
  const std::string clearCaption("&Alle Fragen löschen"_l1), clearHint(LoeschenSpeedButton->Hint());
  const std::string showCaption("Fragen&text anzeigen");
  auto copy = [this] { RechtsSpeedButtonClick(); };
  auto remove = [this] { LinksSpeedButtonClick(); };
  auto log = [this] { LogSpeedButtonClick(); };
  auto clear = [this] { LoeschenSpeedButtonClick(); };

  MainMenu = NewMainMenu(*this);
  pf::TMenuItem* file = AddMenuItem(MainMenu->Items(), "&Datei");
  WithGlyph(AddMenuItem(*file, std::string(" Eigene Fragenliste &öffnen"_l1), ShortCut(pf::VK_F10, 0),
                        OeffnenSpeedButton->Hint(), [this] { OeffnenSpeedButtonClick(); }),
            Glyph::Open);
  WithGlyph(AddMenuItem(*file, " Eigene Fragenliste &speichern", ShortCut('S', ssCtrl), SpeichernSpeedButton->Hint(),
                        [this] { SpeichernSpeedButtonClick(); }),
            Glyph::Save);
  AddMenuItem(*file, "-");
  WithGlyph(
      AddMenuItem(*file, std::string(" Prüfungseditor be&enden"_l1), ShortCut(pf::VK_F12, 0), "", [this] { Close(); }),
      Glyph::Exit);
  pf::TMenuItem* edit = AddMenuItem(MainMenu->Items(), "&Bearbeiten");
  WithGlyph(AddMenuItem(*edit, copyCaption, ShortCut('M', ssCtrl), copyHint, copy), Glyph::Right);
  WithGlyph(AddMenuItem(*edit, deleteCaption, ShortCut('L', ssCtrl), deleteHint, remove), Glyph::Left);
  WithGlyph(AddMenuItem(*edit, logCaption, ShortCut('U', ssCtrl), logHint, log), Glyph::Log);
  WithGlyph(AddMenuItem(*edit, clearCaption, ShortCut('D', ssCtrl), clearHint, clear), Glyph::Delete);
  pf::TMenuItem* help = AddMenuItem(MainMenu->Items(), "&Hilfe");
  WithGlyph(AddMenuItem(*help, std::string(" &Hilfe zum Prüfungseditor"_l1), ShortCut(pf::VK_F1, 0), "",
                        [this] {
                          engine::EnginePort& port = engine_.Port();
                          port.LoadFromFile(port.ServerRoot() + "/html/peditorhilfe.html#top");
                        }),
            Glyph::Help);
  SetMenu(MainMenu);

  FragenPopupMenu = NewPopupMenu(*this);
  AddMenuItem(FragenPopupMenu->Items(), showCaption, ShortCut('T', ssCtrl), "",
              [this] { FragentextanzeigenClick(*FragenListBox); });
  WithGlyph(AddMenuItem(FragenPopupMenu->Items(), copyCaption, ShortCut('M', ssCtrl), copyHint, copy), Glyph::Right);
  FragenListBox->SetPopupMenu(FragenPopupMenu);

  PruefungPopupMenu = NewPopupMenu(*this);
  AddMenuItem(PruefungPopupMenu->Items(), showCaption, ShortCut('T', ssCtrl), "",
              [this] { FragentextanzeigenClick(*PruefungListBox); });
  WithGlyph(AddMenuItem(PruefungPopupMenu->Items(), deleteCaption, ShortCut('L', ssCtrl), deleteHint, remove),
            Glyph::Left);
  WithGlyph(AddMenuItem(PruefungPopupMenu->Items(), logCaption, ShortCut('U', ssCtrl), logHint, log), Glyph::Log);
  WithGlyph(AddMenuItem(PruefungPopupMenu->Items(), clearCaption, ShortCut('D', ssCtrl), clearHint, clear),
            Glyph::Delete);
  PruefungListBox->SetPopupMenu(PruefungPopupMenu);
}

void TPEditorForm::FormCreate() {
  RestorePosition(*this, engine_.State().IniFile.get(), "PEditor", 520, 300);
  for (std::string_view row : kPartRows) PruefungsAuswahlComboBox->Items().Add(std::string(row));
  SetPanelWidths(*PEditorsbStatusBar, {"80%", "20%"});
  editorPartCode_.clear();
  layoutState_ = WindowState();
  FormResize();
}

void TPEditorForm::FormDestroy() {
  GuardedDestroy([this] { SavePosition(*this, engine_.State().IniFile.get(), "PEditor"); });
}

void TPEditorForm::ShowHint(const std::string& hint) { PEditorsbStatusBar->Panels()[0]->SetText(hint); }

void TPEditorForm::Msg(const std::string& text) { app::Msg(*PEditorsbStatusBar, *MsgTimer, text); }

void TPEditorForm::SetCountsText(const std::string& text) { PEditorsbStatusBar->Panels()[1]->SetText(text); }

void TPEditorForm::SelectPartRow(const std::string& code) {
  int index = -1;
  for (int i = 0; i < static_cast<int>(kPartRows.size()); ++i) {
    if (kPartRows[i].substr(49, 2) == code) index = i;
  }
  PruefungsAuswahlComboBox->SetItemIndex(index);
}

// The own list takes a third of what the button panel leaves, the pool twice that; the comment field is 81 pixels
// narrower than the pool. Count and time stand above the own list.
void TPEditorForm::FormResize() {
  layoutState_ = WindowState();
  const int32_t width = ClientWidth();
  const int32_t ownWidth = std::max(0, (width - kButtonPanelWidth) / 3);
  const int32_t poolWidth = 2 * ownWidth;
  const int32_t ownLeft = poolWidth + kButtonPanelWidth;
  const int32_t listHeight = std::max(0, ClientHeight() - PEditorsbStatusBar->Height() - 2 * kRowHeight);
  const int32_t bottom = kRowHeight + listHeight;

  PruefungsAuswahlComboBox->SetBounds(4, 4, std::max(0, poolWidth - 8), 22);
  // Labels keep the size of their text.
  auto moveLabel = [](pf::TLabel& label, int32_t left, int32_t top) {
    label.SetBounds(left, top, label.Width(), label.Height());
  };
  moveLabel(*AnzahlLabel, ownLeft + 2, 8);
  FragenAuswahlComboBox->SetBounds(ownLeft + 46, 4, 44, 22);
  moveLabel(*ZeitLabel, ownLeft + 96, 8);
  ZeitMaskEdit->SetBounds(ownLeft + 124, 4, 28, 22);
  FragenListBox->SetBounds(0, kRowHeight, poolWidth, listHeight);
  ButtonPanel->SetBounds(poolWidth, kRowHeight, kButtonPanelWidth, listHeight);
  PruefungListBox->SetBounds(ownLeft, kRowHeight, ownWidth, listHeight);
  FragenListBox->SetColumns(poolWidth / kColumnWidth);
  PruefungListBox->SetColumns(ownWidth / kColumnWidth);
  moveLabel(*KommentarLabel, 4, bottom + 8);
  qltKommentarEdit->SetBounds(kCommentIndent, bottom + 4, std::max(0, poolWidth - kCommentIndent), 22);
}

void TPEditorForm::ListKeyDown(pf::TListBox& list, uint16_t& key, pf::TShiftState shift) {
  if ((shift & (pf::ssCtrl | pf::ssAlt)) != 0) return;
  const bool own = &list == PruefungListBox;
  if (key == pf::VK_SPACE) {
    FragentextanzeigenClick(list);
  } else if (key == pf::VK_RETURN || (own && key == pf::VK_DELETE)) {
    own ? LinksSpeedButtonClick() : RechtsSpeedButtonClick();
  } else if (key >= 'A' && key <= 'Z') {
    SelectByLetter(list, static_cast<char>(key));
  } else {
    return;
  }
  key = 0;
}

void TPEditorForm::SelectByLetter(pf::TListBox& list, char letter) {
  const pf::TStrings& items = list.Items();
  for (int i = 0; i < items.Count(); ++i) {
    if (items[i].size() < 2 || pf::AnsiUpperChar(items[i][1]) != letter) continue;
    list.ClearSelection();
    list.SetItemIndex(i);
    list.SetSelected(i, true);
    return;
  }
}

}  // namespace app
