// The document's HTML forms and their controls: one form per FORM element, one control object per INPUT, SELECT
// and TEXTAREA, each standing in its section's text as a placeholder character.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/core/classes.h"
#include "platform/ui/controls.h"
#include "viewer/property_values.h"
#include "viewer/viewer_shared.h"

namespace pf {
class TEdit;
class TListBox;
class TComboBox;
class TMemo;
}  // namespace pf

namespace viewer {

class TFormControlObj;
class TImageObj;
class TRadioButtonFormControlObj;

class ThtmlForm {
 public:
  static constexpr size_t kMaxMethod = 4;
  // METHOD (at most 4 characters, "get" when absent), ACTION, TARGET and ENCTYPE.
  ThtmlForm(TSectionList* owner, const TAttributeList* attributes);
  // A new form in the owner's form list.
  static ThtmlForm* Create(TSectionList* owner, const TAttributeList* attributes);
  ~ThtmlForm();
  ThtmlForm(const ThtmlForm&) = delete;
  ThtmlForm& operator=(const ThtmlForm&) = delete;

  TSectionList* Owner;
  std::string Method;
  std::string Action, Target, EncType;
  TFreeList<TFormControlObj> Controls;  // in document order
  int NonHiddenCount = 0;

  // Appends a fully made control (counted when not hidden) and enters its windowed control into the document's
  // tab order when the element has a TABINDEX above 0.
  void InsertControl(std::unique_ptr<TFormControlObj> control);
  // The other radio buttons of radio's name (letter case ignored) become unchecked and lose their tab stop.
  void UncheckOtherRadios(TFormControlObj* radio);
  void ResetControls();
  // Collects the pairs of the enabled controls in document order, buttonPair last, and hands them to the
  // document's submit handler (nothing without one).
  void Submit(const std::string& buttonPair);
  // Every non-empty pair of every control, disabled ones included; each line's object is the index of its control
  // + 1, so that a restore into the same form gives each control its own lines.
  std::unique_ptr<pf::TStringList> CollectValues();
  void RestoreValues(const pf::TStringList& values);
  void AdjustControlSizes(pf::TCanvas& canvas);
  // Return in an edit box submits the form.
  void EditKeyPress(pf::TObject* sender, char& key);
  // Arrow keys move the focus (and the check) among the radio buttons of one name; other keys go to the viewer.
  void ControlKeyDown(pf::TObject* sender, uint16_t& key, pf::TShiftState shift);

  // The radio buttons of one name (letter case ignored) in document order, and the one that was made checked last.
  struct TRadioGroup {
    std::vector<TRadioButtonFormControlObj*> Members;
    TRadioButtonFormControlObj* Checked = nullptr;
  };
  // The group of name (made empty when new); the radio buttons join theirs as they are inserted.
  TRadioGroup& RadioGroup(const std::string& name);

 private:
  // The control whose windowed control is sender, or nullptr.
  TFormControlObj* ControlOf(const pf::TObject* sender) const;
  // Restores by the control indexes that CollectValues stored, when the form still has controls of those names.
  bool RestoreByIndex(const pf::TStringList& values);
  std::map<std::string, TRadioGroup> radioGroups_;  // by lower-cased name
};

class TFormControlObj : public TIDObject {
 public:
  static constexpr int32_t kParkedLeft = -4000;  // where a windowed control waits while out of view
  // Reads the element (see the definition); registers the control with the document. The caller gives it to
  // MyForm (MakeFormControl).
  TFormControlObj(TSectionList* owner, int32_t pos, TAttributeList& attributes, TProperties& prop);
  ~TFormControlObj() override;

  int32_t PositionY = 0;
  bool Active = false;
  std::unique_ptr<pf::TStringList> AttributeText;  // "name=value" per attribute
  std::string Title;
  int CodePage;
  int32_t Pos;  // the placeholder's index in the section's text
  TSectionList* Owner;
  ThtmlForm* MyForm;
  std::string Value;
  std::string Name;
  std::string ID;
  uint8_t VerticalAlign = 4;      // 1 top, 2 middle, 3 baseline, 4 bottom
  int32_t Height = 0, Width = 0;  // below 10: not given
  bool PercentWidth = false;
  int32_t HSpaceL = 0, HSpaceR = 0, VSpaceT = 0, VSpaceB = 0;
  int32_t BorderID = -1;  // the style whose border is the control's own (its inline border's ID); -1: none
  pf::TColor BkColor = pf::clNone;
  bool Disabled = false;
  bool ReadOnly = false;
  std::unique_ptr<pf::TWinControl> TheControl;  // none in a document without windows
  std::string OnClickText, OnFocusText, OnBlurText, OnChangeText;
  std::string EnterValue;
  std::unique_ptr<TMyFont> Font;  // the element's font
  int32_t TabIndex = 0;           // TABINDEX, 0 when absent or not above 0
  bool ShowIt = false;            // painting placed the windowed control in view since the last scroll

  int32_t GetPositionY() override { return PositionY; }
  virtual pf::TWinControl* GetControl() { return TheControl.get(); }
  virtual void HandleExit() {}
  virtual void HandleEnter() {}
  // Margins, width, height, vertical-align and background colour of the element's style.
  virtual void ApplyStyleProperties(TProperties& prop);
  // The printed look at (x, y): windowed controls are not printed.
  virtual void Paint(pf::TCanvas& canvas, int32_t x, int32_t y) {}
  virtual void ResetToDefault() {}
  // The index-th "name=value" pair to submit; false when there is none.
  virtual bool GetSubmission(int index, std::string& s) { return false; }
  virtual void SetSubmissionData(int index, const std::string& value) {}
  virtual void ClearData() {}
  virtual void AdjustSizeToFont(pf::TCanvas& canvas) {}

  // Texts go between the element's code page and the window layer's Latin-1 both ways. A window text left as it
  // was set reads back as the text it was set from, so that characters Latin-1 lacks are not lost.
  std::string ToWindow(const std::string& text) const;
  std::string FromWindow(const std::string& shown) const;
  // The window's text (edit box, memo) set from, and read back into, the element's code page; without a window,
  // the text last set.
  void SetWindowText(const std::string& text);
  std::string WindowText() const;

  // Painting puts the windowed control at (left, top) of the paint panel, shows it and marks it shown.
  void ShowAt(int32_t left, int32_t top);
  // The size of the windowed control (0 without one).
  int32_t ControlWidth() const { return TheControl ? TheControl->Width() : 0; }
  int32_t ControlHeight() const { return TheControl ? TheControl->Height() : 0; }

  // The handlers of the windowed control.
  void FormControlEnter();
  void FormControlExit();
  void FormControlClick();
  void FormControlMouseMove(pf::TShiftState shift, int32_t x, int32_t y);

 protected:
  // Places a new windowed control on the paint panel out of sight and connects its events; click is what a click
  // on it does.
  void InstallControl(std::unique_ptr<pf::TWinControl> control, std::function<void()> click);
  // The change event when value differs from the value the control had when it got the focus.
  void ReportChange(const std::string& value);
  // "Name=" + value.
  std::string Pair(const std::string& value) const { return Name + "=" + value; }
  pf::TObject* Viewer() const;
  // The text in the element's code page drawn clipped to box, for the printed looks.
  void TextInBox(pf::TCanvas& canvas, const pf::TRect& box, int32_t x, int32_t y, const std::string& text) const;

 private:
  std::string windowSource_;  // the text the window's text was last set from
};

// Makes a control of class T and gives it to its form.
template <class T, class... Args>
T* MakeFormControl(Args&&... args) {
  auto control = std::make_unique<T>(std::forward<Args>(args)...);
  T* result = control.get();
  result->MyForm->InsertControl(std::move(control));
  return result;
}

// INPUT TYPE=image: the picture is an image object; an invisible button takes the focus.
class TImageFormControlObj : public TFormControlObj {
 public:
  // The style goes to the picture too.
  void ApplyStyleProperties(TProperties& prop) override;

  int32_t XPos = -1, YPos = -1;  // the click to submit (-1: none)
  int32_t XTmp = 0, YTmp = 0;    // the pending click offset
  TImageObj* MyImage = nullptr;

  TImageFormControlObj(TSectionList* owner, int32_t pos, TAttributeList& attributes, TProperties& prop);
  bool GetSubmission(int index, std::string& s) override;
  // A click on the picture (at the pending offset): the focus, the click event, then the submission.
  void HandleClick();
};

class THiddenFormControlObj : public TFormControlObj {
 public:
  using TFormControlObj::TFormControlObj;
  bool GetSubmission(int index, std::string& s) override;
  void SetSubmissionData(int index, const std::string& value) override { Value = value; }
};

// INPUT TYPE=text or password, and the edit box of a file input.
class TEditFormControlObj : public TFormControlObj {
 public:
  static constexpr int32_t kDefaultSize = 15;
  TEditFormControlObj(TSectionList* owner, int32_t pos, TAttributeList& attributes, TProperties& prop, bool password);
  int32_t EditSize = kDefaultSize;  // in characters
  int32_t MaxLength = 0;            // 0: unlimited
  bool Password;
  int32_t tmAveCharWidth = 0;

  pf::TEdit* Edit() const;
  void HandleExit() override;
  void HandleEnter() override;
  void Paint(pf::TCanvas& canvas, int32_t x, int32_t y) override;
  void ResetToDefault() override;
  bool GetSubmission(int index, std::string& s) override;
  void SetSubmissionData(int index, const std::string& value) override;
  void AdjustSizeToFont(pf::TCanvas& canvas) override;
};

// INPUT TYPE=submit, reset, button, and the button of a file input.
class TButtonFormControlObj : public TFormControlObj {
 public:
  enum TKind : uint8_t { bkSubmit = 0, bkReset = 1, bkButton = 2, bkBrowse = 3 };
  TButtonFormControlObj(TSectionList* owner, int32_t pos, TAttributeList& attributes, TProperties& prop, TKind kind,
                        TEditFormControlObj* edit);
  TKind Which;
  std::string Caption;
  TEditFormControlObj* MyEdit;  // the edit box a browse button fills

  void Paint(pf::TCanvas& canvas, int32_t x, int32_t y) override;
  void AdjustSizeToFont(pf::TCanvas& canvas) override;
  // A click: submit (with the button's own pair when it has a name), reset, or browse for a file.
  void HandleClick();
};

// What check boxes and radio buttons share: the checked state (on the window when there is one), submitted as the
// pair with Value while checked.
class TCheckableFormControlObj : public TFormControlObj {
 public:
  TCheckableFormControlObj(TSectionList* owner, int32_t pos, TAttributeList& attributes, TProperties& prop);
  bool IsChecked;  // CHECKED was written

  bool Checked() const;
  void SetChecked(bool value);
  void HandleExit() override;
  void HandleEnter() override;
  void ResetToDefault() override;
  bool GetSubmission(int index, std::string& s) override;
  void SetSubmissionData(int index, const std::string& value) override;
  void ClearData() override { SetChecked(false); }

 protected:
  bool checked_;  // the state of a control without a window
};

class TCheckBoxFormControlObj : public TCheckableFormControlObj {
 public:
  TCheckBoxFormControlObj(TSectionList* owner, int32_t pos, TAttributeList& attributes, TProperties& prop);
  void Paint(pf::TCanvas& canvas, int32_t x, int32_t y) override;
};

class TRadioButtonFormControlObj : public TCheckableFormControlObj {
 public:
  TRadioButtonFormControlObj(TSectionList* owner, int32_t pos, TAttributeList& attributes, TProperties& prop);
  void Paint(pf::TCanvas& canvas, int32_t x, int32_t y) override;
  // A click that checked it: the others of its name become unchecked.
  void HandleClick();
};

// One option of a list: its value, whether it is selected, and a copy of the OPTION's attributes.
struct TOptionObj {
  std::string Value;
  bool Selected = false;
  std::unique_ptr<pf::TStringList> Attributes;
};

// Option texts with their TOptionObj, freed with the list.
class ThtOptionStringList : public pf::TStringList {
 public:
  ~ThtOptionStringList() override;
  void AddOption(const std::string& text, std::unique_ptr<TOptionObj> option);
  TOptionObj* Option(int index) const { return static_cast<TOptionObj*>(GetObject(index)); }
  // Empty (false) for an index out of range.
  std::string GetValue(int index) const;
  bool GetSelected(int index) const;
  void Clear() override;
};

// SELECT shown as a list.
class TListBoxFormControlObj : public TFormControlObj {
 public:
  static constexpr int kEnterItems = 51;
  TListBoxFormControlObj(TSectionList* owner, int32_t pos, TAttributeList& attributes, TProperties& prop);
  ThtOptionStringList TheOptions;
  int32_t LBSize = -1;  // SIZE, -1 when absent
  bool Multiple = false;
  int32_t Longest = 0;  // the widest option text in pixels
  int EnterItems = 0;
  std::vector<bool> EnterSelected;

  // An OPTION: its text (a blank when empty), value (VALUE, else the text), selected flag and attributes.
  void AddOption(const std::string& text, bool selected, const TAttributeList& attributes);
  // The selected option of a single selection (-1 when none), and whether option index is selected; read from the
  // window when there is one.
  virtual int ItemIndex() const;
  virtual bool IsSelected(int index) const;
  void HandleExit() override;
  void HandleEnter() override;
  void Paint(pf::TCanvas& canvas, int32_t x, int32_t y) override;
  void ResetToDefault() override;
  bool GetSubmission(int index, std::string& s) override;
  void SetSubmissionData(int index, const std::string& value) override;
  void AdjustSizeToFont(pf::TCanvas& canvas) override;

 protected:
  // Reads the element without making a window (the drop-down list makes its own).
  struct TWithoutWindow {};
  TListBoxFormControlObj(TSectionList* owner, int32_t pos, TAttributeList& attributes, TProperties& prop,
                         TWithoutWindow);
  // Adds option index to the window with its selection; selects option index in the window.
  virtual void ShowOption(int index);
  virtual void SelectOption(int index);
  // The last option marked SELECTED (-1 when none): what a single selection without a window holds.
  int MarkedIndex() const;
  // Width: given, else the scroll bar, the widest option and 10; within what a window takes.
  int32_t BoxWidth() const;
  // The count and the selection flags of the first kEnterItems options.
  void SaveSelection();

 private:
  pf::TListBox* List() const;
};

// SELECT shown as a drop-down list: one selected option, shown in its box.
class TComboFormControlObj : public TListBoxFormControlObj {
 public:
  TComboFormControlObj(TSectionList* owner, int32_t pos, TAttributeList& attributes, TProperties& prop);
  int ItemIndex() const override;
  bool IsSelected(int index) const override { return index >= 0 && index == ItemIndex(); }
  void Paint(pf::TCanvas& canvas, int32_t x, int32_t y) override;
  void ResetToDefault() override;
  // The selected option's pair (empty when none is selected).
  bool GetSubmission(int index, std::string& s) override;
  void SetSubmissionData(int index, const std::string& value) override;
  void AdjustSizeToFont(pf::TCanvas& canvas) override;

 protected:
  void ShowOption(int index) override;
  void SelectOption(int index) override;

 private:
  pf::TComboBox* Combo() const;
};

class TTextAreaFormControlObj : public TFormControlObj {
 public:
  enum TWrap : uint8_t { wrapOff = 0, wrapSoft = 1, wrapHard = 2 };
  TTextAreaFormControlObj(TSectionList* owner, int32_t pos, TAttributeList& attributes, TProperties& prop);
  int32_t Rows = 5, Cols = 30;
  TWrap Wrap = wrapSoft;
  std::string TheText;  // the initial text, lines ended by CR LF

  void AddText(const std::string& text) { TheText += text; }
  pf::TMemo* Memo() const;
  // The text as submitted: with hard wrap the lines as shown, joined by CR LF.
  std::string SubmittedText() const;
  void HandleExit() override;
  void HandleEnter() override;
  void Paint(pf::TCanvas& canvas, int32_t x, int32_t y) override;
  void ResetToDefault() override;
  bool GetSubmission(int index, std::string& s) override;
  void SetSubmissionData(int index, const std::string& value) override;
  void AdjustSizeToFont(pf::TCanvas& canvas) override;
};

// The form controls of one section by text position (the controls belong to their forms), in text order: each is
// added at the end of the text, and positions only move together.
class TFormControlList {
 public:
  int Count() const { return static_cast<int>(items_.size()); }
  TFormControlObj* operator[](int index) const { return items_.at(static_cast<size_t>(index)); }
  void Add(TFormControlObj* control) { items_.push_back(control); }
  // The control at text index pos, or nullptr.
  TFormControlObj* FindControlAt(int32_t pos) const;
  // The characters from pos to the next control (9999 when there is none).
  int32_t GetDistanceToNextControl(int32_t pos) const;
  // A character before the controls after pos was removed.
  void DecPositionsAfter(int32_t pos);
  template <typename F>
  void RemapPositions(F newPosition) {
    for (TFormControlObj* c : items_) c->Pos = newPosition(c->Pos);
  }
  // The size of the windowed control at pos with its alignment or horizontal spaces; -1 when none stands there.
  int32_t GetControlHeightAt(int32_t pos, uint8_t& verticalAlign) const;
  int32_t GetControlWidthAt(int32_t pos, int32_t& hSpaceLeft, int32_t& hSpaceRight) const;

 private:
  std::vector<TFormControlObj*>::const_iterator FirstAtOrAfter(int32_t pos) const;
  std::vector<TFormControlObj*> items_;
};

}  // namespace viewer
