// The document's HTML forms and their controls: one form per FORM element, one control object per INPUT, SELECT
// and TEXTAREA, each standing in its section's text as a placeholder character.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/core/classes.h"
#include "platform/ui/controls.h"
#include "viewer/property_values.h"
#include "viewer/viewer_shared.h"

namespace viewer {

class TFormControlObj;
class TImageObj;

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

  void InsertControl(std::unique_ptr<TFormControlObj> control);
};

class TFormControlObj : public TIDObject {
 public:
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
  pf::TColor BkColor = pf::clNone;
  bool Disabled = false;
  bool ReadOnly = false;
  std::unique_ptr<pf::TWinControl> TheControl;  // none in a document without windows
  std::string OnClickText, OnFocusText, OnBlurText, OnChangeText;
  std::string EnterValue;
  std::unique_ptr<TMyFont> Font;  // the element's font
  bool ShowIt = false;            // painting placed the control during the current paint

  int32_t GetPositionY() override { return PositionY; }
  virtual pf::TWinControl* GetControl() { return TheControl.get(); }
  virtual void HandleExit() {}
  virtual void HandleEnter() {}
  // Margins, width, height, vertical-align and background colour of the element's style.
  virtual void ApplyStyleProperties(TProperties& prop);
  // Drawn for printing (built with the form controls' painting).
  virtual void Paint(pf::TCanvas& canvas, int32_t x, int32_t y) {}
  virtual void ResetToDefault() {}
  // The index-th "name=value" pair to submit; false when there is none.
  virtual bool GetSubmission(int index, std::string& s) { return false; }
  virtual void SetSubmissionData(int index, const std::string& value) {}
  virtual void ClearData() {}
  virtual void AdjustSizeToFont(pf::TCanvas& canvas) {}
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
  using TFormControlObj::TFormControlObj;
  // The style goes to the picture too.
  void ApplyStyleProperties(TProperties& prop) override;
  int32_t XPos = -1, YPos = -1;  // the click to submit (-1: none)
  int32_t XTmp = 0, YTmp = 0;    // the pending click offset
  TImageObj* MyImage = nullptr;
};

class THiddenFormControlObj : public TFormControlObj {
 public:
  using TFormControlObj::TFormControlObj;
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
};

class TCheckBoxFormControlObj : public TFormControlObj {
 public:
  TCheckBoxFormControlObj(TSectionList* owner, int32_t pos, TAttributeList& attributes, TProperties& prop);
  bool IsChecked;
};

class TRadioButtonFormControlObj : public TFormControlObj {
 public:
  TRadioButtonFormControlObj(TSectionList* owner, int32_t pos, TAttributeList& attributes, TProperties& prop);
  bool IsChecked;
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
};

// SELECT shown as a drop-down list.
class TComboFormControlObj : public TListBoxFormControlObj {
 public:
  using TListBoxFormControlObj::TListBoxFormControlObj;
};

class TTextAreaFormControlObj : public TFormControlObj {
 public:
  enum TWrap : uint8_t { wrapOff = 0, wrapSoft = 1, wrapHard = 2 };
  TTextAreaFormControlObj(TSectionList* owner, int32_t pos, TAttributeList& attributes, TProperties& prop);
  int32_t Rows = 5, Cols = 30;
  TWrap Wrap = wrapSoft;
  std::string TheText;  // the initial text, lines ended by CR LF

  void AddText(const std::string& text) { TheText += text; }
};

// The form controls of one section by text position (the controls belong to their forms).
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
  // Sizes of the windowed controls (built with the layout).
  int32_t GetControlHeightAt(int32_t pos, uint8_t& verticalAlign) const;
  int32_t GetControlWidthAt(int32_t pos, int32_t& hSpaceLeft, int32_t& hSpaceRight) const;

 private:
  std::vector<TFormControlObj*> items_;
};

}  // namespace viewer
