// The standard controls: labels, edits, memos, push buttons, check boxes, radio buttons, combo boxes, list boxes and
// scroll bars, each over the widget of its kind. Texts are Latin-1.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/core/classes.h"
#include "platform/ui/controls.h"

namespace pf {

enum TTextLayout { tlTop, tlCenter, tlBottom };
enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

// A caption. "&" marks the accelerator ("&&" is a plain "&") while ShowAccelChar holds; Alt with that letter
// focuses FocusControl. With AutoSize the label takes the size of its text (keeping its width with WordWrap).
class TCustomLabel : public TGraphicControl {
 public:
  explicit TCustomLabel(TComponent* owner);
  std::string ClassName() const override { return "TCustomLabel"; }

  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment value);
  TTextLayout Layout() const { return layout_; }
  void SetLayout(TTextLayout value);
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool value);
  // A transparent label shows its parent through; an opaque one fills itself with Color.
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool value);
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool value);
  bool ShowAccelChar() const { return showAccelChar_; }
  void SetShowAccelChar(bool value);
  TWinControl* FocusControl() const { return focusControl_; }
  void SetFocusControl(TWinControl* value);
  void SetBounds(int32_t left, int32_t top, int32_t width, int32_t height) override;

 protected:
  void TextChanged() override;
  void FontChanged() override;
  void Notification(TComponent* component, TOperation operation) override;
  void AdjustBounds();

 private:
  void ApplyText();
  TAlignment alignment_ = taLeftJustify;
  TTextLayout layout_ = tlTop;
  bool autoSize_ = true;
  bool transparent_ = false;
  bool wordWrap_ = false;
  bool showAccelChar_ = true;
  bool adjusting_ = false;
  TWinControl* focusControl_ = nullptr;
};

class TLabel : public TCustomLabel {
 public:
  using TCustomLabel::TCustomLabel;
  std::string ClassName() const override { return "TLabel"; }
};

// A one-line edit. OnChange runs on every change of the text, also one made by the program; Return reaches
// OnKeyPress as #13 unless a default button of the form takes it.
class TCustomEdit : public TWinControl {
 public:
  explicit TCustomEdit(TComponent* owner);
  std::string ClassName() const override { return "TCustomEdit"; }

  std::string GetText() const override;
  void SetText(const std::string& value) override;
  // 0: no limit.
  int32_t MaxLength() const { return maxLength_; }
  void SetMaxLength(int32_t value);
  // '\0': the text shows; another character stands for every character.
  char PasswordChar() const { return passwordChar_; }
  void SetPasswordChar(char value);
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool value);
  TBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TBorderStyle value);
  bool Modified() const;
  void SetModified(bool value);
  int32_t SelStart() const;
  void SetSelStart(int32_t value);
  int32_t SelLength() const;
  void SetSelLength(int32_t value);
  std::string SelText() const;
  void SelectAll();
  void Clear() { SetText(""); }

  TNotifyEvent OnChange;

 protected:
  TCustomEdit(TComponent* owner, std::unique_ptr<ControlHost> host);
  void WndProc(TMessage& message) override;
  virtual void Change();

 private:
  friend struct EditAccess;
  void Setup();
  int32_t maxLength_ = 0;
  char passwordChar_ = '\0';
  bool readOnly_ = false;
  TBorderStyle borderStyle_ = bsSingle;
};

class TEdit : public TCustomEdit {
 public:
  using TCustomEdit::TCustomEdit;
  std::string ClassName() const override { return "TEdit"; }
};

// A multi-line edit. Lines are the memo's lines as shown: with WordWrap each wrapped piece is a line of its own
// (changes through Lines address the paragraphs). Text joins the paragraphs with CR LF.
class TMemo : public TWinControl {
 public:
  explicit TMemo(TComponent* owner);
  ~TMemo() override;
  std::string ClassName() const override { return "TMemo"; }

  TStrings& Lines() { return *lines_; }
  std::string GetText() const override;
  void SetText(const std::string& value) override;
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool value);
  TScrollStyle ScrollBars() const { return scrollBars_; }
  void SetScrollBars(TScrollStyle value);
  // Tab inserts a tab character instead of moving the focus.
  bool WantTabs() const { return wantTabs_; }
  void SetWantTabs(bool value);
  // Return starts a new line instead of going to the form (its default button).
  bool WantReturns() const { return wantReturns_; }
  void SetWantReturns(bool value) { wantReturns_ = value; }
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool value);
  int32_t MaxLength() const { return maxLength_; }
  void SetMaxLength(int32_t value) { maxLength_ = value; }
  // bsSingle: the memo's own sunken frame; bsNone: no frame (the client area takes the whole control).
  TBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TBorderStyle value);
  bool Modified() const;
  void SetModified(bool value);
  int32_t SelStart() const;
  void SetSelStart(int32_t value);
  void Clear() { SetText(""); }
  // Puts the caret at the start and scrolls to the top.
  void ScrollToStart();

  TNotifyEvent OnChange;

 protected:
  void WndProc(TMessage& message) override;
  virtual void Change();

 private:
  friend struct MemoAccess;
  std::unique_ptr<TStrings> lines_;
  bool wordWrap_ = true;
  TScrollStyle scrollBars_ = ssNone;
  bool wantTabs_ = false;
  bool wantReturns_ = true;
  bool readOnly_ = false;
  int32_t maxLength_ = 0;
  TBorderStyle borderStyle_ = bsSingle;
};

// A push button. Default: Return anywhere in the form clicks it (unless the focus is on another button, which then
// takes Return); Cancel: Escape clicks it. A click sets the form's ModalResult to the button's.
class TButton : public TWinControl {
 public:
  explicit TButton(TComponent* owner);
  std::string ClassName() const override { return "TButton"; }
  bool Default() const { return default_; }
  void SetDefault(bool value);
  bool Cancel() const { return cancel_; }
  void SetCancel(bool value) { cancel_ = value; }
  int ModalResult() const { return modalResult_; }
  void SetModalResult(int value) { modalResult_ = value; }
  void Click() override;

 protected:
  void WndProc(TMessage& message) override;
  void TextChanged() override;

 private:
  bool default_ = false;
  bool cancel_ = false;
  int modalResult_ = 0;
};

enum TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };

// A check box. OnClick runs whenever the state changes, by the user or by the program.
class TCustomCheckBox : public TWinControl {
 public:
  explicit TCustomCheckBox(TComponent* owner);
  std::string ClassName() const override { return "TCustomCheckBox"; }
  bool Checked() const { return state_ == cbChecked; }
  void SetChecked(bool value) { SetState(value ? cbChecked : cbUnchecked); }
  TCheckBoxState State() const { return state_; }
  void SetState(TCheckBoxState value);
  bool AllowGrayed() const { return allowGrayed_; }
  void SetAllowGrayed(bool value);
  // taRightJustify: the caption right of the box (the default); taLeftJustify: left of it.
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment value);

 protected:
  TCustomCheckBox(TComponent* owner, std::unique_ptr<ControlHost> host);
  void WndProc(TMessage& message) override;
  void TextChanged() override;
  // The user clicked: unchecked -> checked -> grayed (with AllowGrayed) -> unchecked.
  virtual void Toggle();

 private:
  friend struct CheckAccess;
  void Setup();
  TCheckBoxState state_ = cbUnchecked;
  bool allowGrayed_ = false;
  TAlignment alignment_ = taRightJustify;
};

class TCheckBox : public TCustomCheckBox {
 public:
  using TCustomCheckBox::TCustomCheckBox;
  std::string ClassName() const override { return "TCheckBox"; }
};

// A radio button that keeps its own state: checking it leaves every other radio button as it is (grouping is the
// owner's business), and a user click on a checked one keeps it checked. OnClick runs for user clicks that check
// the button, not for SetChecked.
class TRadioButton : public TWinControl {
 public:
  explicit TRadioButton(TComponent* owner);
  std::string ClassName() const override { return "TRadioButton"; }
  bool Checked() const { return checked_; }
  virtual void SetChecked(bool value);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment value);
  // While clicks are disabled, a user click checks the button without OnClick.
  bool ClicksDisabled = false;

 protected:
  void WndProc(TMessage& message) override;
  void TextChanged() override;

 private:
  friend struct RadioAccess;
  void UserClicked();
  bool checked_ = false;
  TAlignment alignment_ = taRightJustify;
};

enum TComboBoxStyle { csDropDown, csDropDownList };

// A drop-down list (csDropDownList) or an edit with a drop-down list (csDropDown). OnChange runs when the user picks
// an item or edits the text, not for changes the program makes.
class TComboBox : public TWinControl {
 public:
  explicit TComboBox(TComponent* owner);
  ~TComboBox() override;
  std::string ClassName() const override { return "TComboBox"; }
  TComboBoxStyle Style() const { return style_; }
  void SetStyle(TComboBoxStyle value);
  TStrings& Items() { return *items_; }
  int ItemIndex() const;
  void SetItemIndex(int value);
  std::string GetText() const override;
  void SetText(const std::string& value) override;
  int DropDownCount() const { return dropDownCount_; }
  void SetDropDownCount(int value);
  // bsSingle: the box's own frame; bsNone: a flat box without it (the owner draws a border around it).
  TBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TBorderStyle value);
  void Clear();

  TNotifyEvent OnChange;

 protected:
  void WndProc(TMessage& message) override;
  virtual void Change();

 private:
  friend struct ComboAccess;
  std::unique_ptr<TStrings> items_;
  TComboBoxStyle style_ = csDropDown;
  int dropDownCount_ = 8;
  TBorderStyle borderStyle_ = bsSingle;
};

// A list of strings. MultiSelect with ExtendedSelect selects ranges with Shift and single items with Ctrl;
// MultiSelect alone toggles items by click. Columns > 0 lays the items out in that many columns per client width,
// top to bottom first. Typing a letter does not jump to an item (the owner may do that in OnKeyPress).
class TListBox : public TWinControl {
 public:
  explicit TListBox(TComponent* owner);
  ~TListBox() override;
  std::string ClassName() const override { return "TListBox"; }
  TStrings& Items() { return *items_; }
  // The item with the focus rectangle (and, in a single-selection list, the selected one); -1 when none.
  int ItemIndex() const;
  void SetItemIndex(int value);
  bool Selected(int index) const;  // EListError when out of range
  void SetSelected(int index, bool value);
  // Selected items of a multi-selection list; -1 for a single-selection list.
  int SelCount() const;
  int TopIndex() const;
  void SetTopIndex(int value);
  // Items sort by AnsiCompareText as they are added.
  bool Sorted() const { return sorted_; }
  void SetSorted(bool value);
  bool MultiSelect() const { return multiSelect_; }
  void SetMultiSelect(bool value);
  bool ExtendedSelect() const { return extendedSelect_; }
  void SetExtendedSelect(bool value);
  int Columns() const { return columns_; }
  void SetColumns(int value);
  // bsSingle: the list's own sunken frame; bsNone: no frame (the client area takes the whole control).
  TBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TBorderStyle value);
  int32_t ItemHeight() const;
  // The item at a client point; with existing false the index after the last item for a point below them, else -1.
  int ItemAtPos(const TPoint& pos, bool existing) const;
  TRect ItemRect(int index) const;
  void Clear();
  void ClearSelection();
  void SelectAll();

 protected:
  void WndProc(TMessage& message) override;

 private:
  friend struct ListAccess;
  void ApplySelectionMode();
  void ApplyColumns();
  std::unique_ptr<TStrings> items_;
  bool sorted_ = false;
  bool multiSelect_ = false;
  bool extendedSelect_ = true;
  int columns_ = 0;
  TBorderStyle borderStyle_ = bsSingle;
  int quiet_ = 0;                  // programmatic changes under way: no OnClick
  bool selectionClicked_ = false;  // the current click already raised OnClick through the selection
};

enum TScrollBarKind { sbHorizontal, sbVertical };
enum TScrollCode { scLineUp, scLineDown, scPageUp, scPageDown, scPosition, scTrack, scTop, scBottom, scEndScroll };
using TScrollEvent = std::function<void(TObject* Sender, TScrollCode ScrollCode, int32_t& ScrollPos)>;

// A scroll bar control. The thumb covers PageSize of the range Min..Max, so Position runs from Min to
// Max - PageSize + 1. User actions arrive as CN_HSCROLL / CN_VSCROLL (scroll code and track position) and go to
// Scroll: OnScroll may change the new position, which then becomes Position (OnChange when it changed).
class TScrollBar : public TWinControl {
 public:
  explicit TScrollBar(TComponent* owner);
  std::string ClassName() const override { return "TScrollBar"; }
  TScrollBarKind Kind() const { return kind_; }
  void SetKind(TScrollBarKind value);
  int32_t Min() const { return min_; }
  int32_t Max() const { return max_; }
  int32_t PageSize() const { return pageSize_; }
  int32_t Position() const { return position_; }
  void SetMin(int32_t value) { SetParams(position_, value, max_); }
  void SetMax(int32_t value) { SetParams(position_, min_, value); }
  void SetPosition(int32_t value) { SetParams(value, min_, max_); }
  // EInvalidOperation "Scrollbar property out of range" when max < min or the page does not fit the range.
  void SetParams(int32_t position, int32_t min, int32_t max);
  void SetPageSize(int32_t value);
  int32_t SmallChange() const { return smallChange_; }
  void SetSmallChange(int32_t value) { smallChange_ = value; }
  int32_t LargeChange() const { return largeChange_; }
  void SetLargeChange(int32_t value) { largeChange_ = value; }
  // The classic range record. With SIF_DISABLENOSCROLL a range the page covers disables the bar instead of
  // leaving it active. nTrackPos is the thumb's place while the user drags it.
  void SetScrollInfo(const TScrollInfo& info);
  void GetScrollInfo(TScrollInfo& info) const;
  void SetEnabled(bool value) override;

  TNotifyEvent OnChange;
  TScrollEvent OnScroll;

 protected:
  void WndProc(TMessage& message) override;
  virtual void Scroll(TScrollCode code, int32_t& position);
  virtual void Change();

 private:
  friend struct ScrollAccess;
  void Apply();
  void DoScroll(TMessage& message);
  TScrollBarKind kind_ = sbHorizontal;
  int32_t min_ = 0;
  int32_t max_ = 100;
  int32_t pageSize_ = 0;
  int32_t position_ = 0;
  int32_t smallChange_ = 1;
  int32_t largeChange_ = 1;
  int32_t trackPos_ = 0;
  bool disableNoScroll_ = false;
  bool scrolled_ = false;  // a line or page action waits for the release of the mouse button
};

}  // namespace pf
