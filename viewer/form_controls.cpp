#include "viewer/form_controls.h"

#include <algorithm>

#include "platform/core/strings.h"
#include "viewer/font_runs.h"
#include "viewer/image_cache.h"
#include "viewer/section_list.h"
#include "viewer/style_properties.h"

namespace viewer {

namespace {

constexpr int32_t kMaxPercent = 100;

}  // namespace

// ---- forms ----

ThtmlForm::ThtmlForm(TSectionList* owner, const TAttributeList* attributes) : Owner(owner), Method("get") {
  for (int i = 0; attributes && i < attributes->Count(); ++i) {
    const TAttribute& a = *(*attributes)[i];
    if (a.Which == MethodSy) Method = a.Text.substr(0, kMaxMethod);
    if (a.Which == ActionSy) Action = a.Text;
    if (a.Which == TargetSy) Target = a.Text;
    if (a.Which == EncTypeSy) EncType = a.Text;
  }
}

ThtmlForm* ThtmlForm::Create(TSectionList* owner, const TAttributeList* attributes) {
  return owner->htmlFormList.Add(std::make_unique<ThtmlForm>(owner, attributes));
}

ThtmlForm::~ThtmlForm() = default;

void ThtmlForm::InsertControl(std::unique_ptr<TFormControlObj> control) {
  if (!dynamic_cast<THiddenFormControlObj*>(control.get())) ++NonHiddenCount;
  Controls.Add(std::move(control));
}

// ---- controls ----

TFormControlObj::TFormControlObj(TSectionList* owner, int32_t pos, TAttributeList& attributes, TProperties& prop)
    : AttributeText(attributes.ToNameValueList()), CodePage(prop.CodePage), Pos(pos), Owner(owner) {
  Font = prop.GetFont();
  // A control outside any FORM element gets a form of its own, which later controls share.
  if (!owner->CurrentForm) owner->CurrentForm = ThtmlForm::Create(owner, nullptr);
  MyForm = owner->CurrentForm;
  int32_t tabIndex = 0;
  for (int i = 0; i < attributes.Count(); ++i) {
    const TAttribute& a = *attributes[i];
    switch (a.Which) {
      case ValueSy:
        Value = a.Text;
        break;
      case NameSy:
        Name = a.Text;
        break;
      case TitleSy:
        Title = a.Text;
        break;
      case DisabledSy: {
        const std::string value = pf::LowerCase(a.Text);
        Disabled = value != "no" && value != "0";
        break;
      }
      case ReadonlySy:
        ReadOnly = true;
        break;
      case OnClickSy:
        OnClickText = a.Text;
        break;
      case OnFocusSy:
        OnFocusText = a.Text;
        break;
      case OnBlurSy:
        OnBlurText = a.Text;
        break;
      case OnChangeSy:
        OnChangeText = a.Text;
        break;
      case TabIndexSy:
        tabIndex = a.Value;
        break;
      default:
        break;
    }
  }
  ID = attributes.GetIdValue();
  owner->FormControlList.push_back(this);
  if (!ID.empty()) owner->IDNameList.AddObject(ID, this);
  if (tabIndex > 0) owner->TabOrderList.AddObject(TabOrderKey(tabIndex, owner->TabOrderList.Count()), GetControl());
}

TFormControlObj::~TFormControlObj() = default;

void TFormControlObj::ApplyStyleProperties(TProperties& prop) {
  const TBoxVariantArray values = prop.GetBoxVariants();
  TBoxIntArray box;
  ConvertInlineBoxValues(values, 0, 0, prop.EmSize, prop.ExSize, box);
  const bool bordered = prop.GetBorderStyle() != 0;
  auto space = [&](int32_t& target, int margin, int padding, int border) {
    if (box[margin] != UnsetBoxValue) target = box[margin];
    if (bordered) target += std::max(0, box[padding]) + box[border];
  };
  space(HSpaceL, piMarginLeft, piPaddingLeft, piBorderLeftWidth);
  space(HSpaceR, piMarginRight, piPaddingRight, piBorderRightWidth);
  space(VSpaceT, piMarginTop, piPaddingTop, piBorderTopWidth);
  space(VSpaceB, piMarginBottom, piPaddingBottom, piBorderBottomWidth);
  const TPropValue& width = values[piWidth];
  const bool percent = IsString(width) && StringOf(width).find('%') != std::string::npos;
  const int32_t widthPercent = percent ? LengthToPixels(StringOf(width), false, kMaxPercent, 0, 0, 0) : 0;
  if (percent && widthPercent <= kMaxPercent) {
    Width = widthPercent;
    PercentWidth = true;
  } else if (box[piWidth] > 0) {
    Width = box[piWidth];
  }
  if (box[piHeight] > 0) Height = box[piHeight] - VSpaceT - VSpaceB;
  int align = 0;
  if (prop.GetVerticalAlign(align) && align >= 1 && align <= 4) VerticalAlign = static_cast<uint8_t>(align);
  const pf::TColor background = prop.GetBackgroundColor();
  if (background != pf::clNone) BkColor = background;
}

void TImageFormControlObj::ApplyStyleProperties(TProperties& prop) {
  TFormControlObj::ApplyStyleProperties(prop);
  if (MyImage) MyImage->ApplyStyleProperties(prop);
}

TEditFormControlObj::TEditFormControlObj(TSectionList* owner, int32_t pos, TAttributeList& attributes,
                                         TProperties& prop, bool password)
    : TFormControlObj(owner, pos, attributes, prop), Password(password) {
  TAttribute* attribute = nullptr;
  // A SIZE that starts with a number takes that number ("20px" is 20 characters); anything else keeps 15.
  if (attributes.FindSymbol(SizeSy, attribute) && attribute->Value >= 1) EditSize = attribute->Value;
  if (attributes.FindSymbol(MaxLengthSy, attribute)) MaxLength = std::max(0, attribute->Value);
  tmAveCharWidth = Font->Metrics.tmAveCharWidth;
}

TButtonFormControlObj::TButtonFormControlObj(TSectionList* owner, int32_t pos, TAttributeList& attributes,
                                             TProperties& prop, TKind kind, TEditFormControlObj* edit)
    : TFormControlObj(owner, pos, attributes, prop), Which(kind), MyEdit(edit) {
  if (kind == bkBrowse) {
    // The browse button of a file input submits nothing of its own.
    Caption = "Browse...";
    Value.clear();
    Name.clear();
    ID.clear();
  } else {
    Caption = !Value.empty() ? Value : kind == bkSubmit ? "Submit" : kind == bkReset ? "Reset" : "Button";
  }
}

TCheckBoxFormControlObj::TCheckBoxFormControlObj(TSectionList* owner, int32_t pos, TAttributeList& attributes,
                                                 TProperties& prop)
    : TFormControlObj(owner, pos, attributes, prop) {
  TAttribute* attribute = nullptr;
  IsChecked = attributes.FindSymbol(CheckedSy, attribute);
  if (Value.empty()) Value = "on";
  VerticalAlign = 3;
}

TRadioButtonFormControlObj::TRadioButtonFormControlObj(TSectionList* owner, int32_t pos, TAttributeList& attributes,
                                                       TProperties& prop)
    : TFormControlObj(owner, pos, attributes, prop) {
  TAttribute* attribute = nullptr;
  IsChecked = attributes.FindSymbol(CheckedSy, attribute);
  VerticalAlign = 3;
  // Of a group only the last radio written checked starts checked.
  if (!IsChecked) return;
  for (int i = 0; i < MyForm->Controls.Count(); ++i) {
    auto* other = dynamic_cast<TRadioButtonFormControlObj*>(MyForm->Controls[i]);
    if (other && pf::SameText(other->Name, Name)) other->IsChecked = false;
  }
}

// ---- lists ----

ThtOptionStringList::~ThtOptionStringList() { ThtOptionStringList::Clear(); }

void ThtOptionStringList::AddOption(const std::string& text, std::unique_ptr<TOptionObj> option) {
  AddObject(text, option.release());
}

std::string ThtOptionStringList::GetValue(int index) const {
  return index >= 0 && index < Count() ? Option(index)->Value : "";
}

bool ThtOptionStringList::GetSelected(int index) const {
  return index >= 0 && index < Count() && Option(index)->Selected;
}

void ThtOptionStringList::Clear() {
  for (int i = 0; i < Count(); ++i) delete Option(i);
  pf::TStringList::Clear();
}

TListBoxFormControlObj::TListBoxFormControlObj(TSectionList* owner, int32_t pos, TAttributeList& attributes,
                                               TProperties& prop)
    : TFormControlObj(owner, pos, attributes, prop) {
  TAttribute* attribute = nullptr;
  if (attributes.FindSymbol(SizeSy, attribute)) LBSize = attribute->Value;
  Multiple = attributes.FindSymbol(MultipleSy, attribute);
}

void TListBoxFormControlObj::AddOption(const std::string& text, bool selected, const TAttributeList& attributes) {
  const std::string shown = text.empty() ? " " : text;
  auto option = std::make_unique<TOptionObj>();
  TAttribute* value = nullptr;
  option->Value = attributes.FindSymbol(ValueSy, value) ? value->Text : shown;
  option->Selected = selected;
  option->Attributes = attributes.ToNameValueList();
  TheOptions.AddOption(shown, std::move(option));
  const std::vector<int32_t> advances =
      pf::FontService().Realize(Font->Desc())->TextAdvances(AnsiToWideInCodePage(shown, CodePage));
  int32_t width = 0;
  for (int32_t advance : advances) width += advance;
  Longest = std::max(Longest, width);
}

TTextAreaFormControlObj::TTextAreaFormControlObj(TSectionList* owner, int32_t pos, TAttributeList& attributes,
                                                 TProperties& prop)
    : TFormControlObj(owner, pos, attributes, prop) {
  for (int i = 0; i < attributes.Count(); ++i) {
    const TAttribute& a = *attributes[i];
    if (a.Which == RowsSy && a.Value > 0) Rows = a.Value;
    if (a.Which == ColsSy && a.Value > 0) Cols = a.Value;
    if (a.Which == WrapSy) {
      const std::string wrap = pf::LowerCase(a.Text);
      Wrap = wrap == "off" ? wrapOff : wrap == "hard" ? wrapHard : wrapSoft;
    }
  }
}

// ---- the controls of a section ----

TFormControlObj* TFormControlList::FindControlAt(int32_t pos) const {
  for (TFormControlObj* control : items_)
    if (control->Pos == pos) return control;
  return nullptr;
}

int32_t TFormControlList::GetDistanceToNextControl(int32_t pos) const {
  constexpr int32_t kNone = 9999;
  int32_t distance = kNone;
  for (TFormControlObj* control : items_)
    if (control->Pos >= pos) distance = std::min(distance, control->Pos - pos);
  return distance;
}

int32_t TFormControlList::GetControlHeightAt(int32_t pos, uint8_t& verticalAlign) const {
  TFormControlObj* control = FindControlAt(pos);
  if (!control) return -1;
  verticalAlign = control->VerticalAlign;
  const pf::TWinControl* window = control->GetControl();
  return window ? window->Height() : 0;
}

int32_t TFormControlList::GetControlWidthAt(int32_t pos, int32_t& hSpaceLeft, int32_t& hSpaceRight) const {
  TFormControlObj* control = FindControlAt(pos);
  if (!control) return -1;
  hSpaceLeft = control->HSpaceL;
  hSpaceRight = control->HSpaceR;
  const pf::TWinControl* window = control->GetControl();
  return window ? window->Width() : 0;
}

void TFormControlList::DecPositionsAfter(int32_t pos) {
  RemapPositions([pos](int32_t p) { return p > pos ? p - 1 : p; });
}

}  // namespace viewer
