#include "viewer/form_controls.h"

#include <algorithm>

#include "platform/core/codepage.h"
#include "platform/core/strings.h"
#include "platform/ui/stdctrls.h"
#include "viewer/borders.h"
#include "viewer/font_runs.h"
#include "viewer/image_cache.h"
#include "viewer/panels.h"
#include "viewer/section_list.h"
#include "viewer/style_properties.h"

namespace viewer {

namespace {

constexpr int32_t kMaxPercent = 100;
constexpr int32_t kGiven = 10;  // a width or height below this counts as not given
constexpr int32_t kMaxControlSize = 32000;
constexpr int32_t kEditWidth = 120;
constexpr int32_t kEditExtra = 23;
constexpr int32_t kButtonExtraWidth = 20, kButtonExtraHeight = 8;
constexpr int32_t kListExtra = 10;
constexpr int kMaxListRows = 8;
constexpr int32_t kTextAreaExtra = 5;
constexpr int32_t kPercentTextAreaWidth = 50;
constexpr int32_t kCheckBoxSize = 13;
constexpr int32_t kRadioWidth = 13, kRadioHeight = 14, kLargeRadioSize = 16;
constexpr int kLargeScreenPixelsPerInch = 100;
constexpr int32_t kPrintedCircle = 14;
constexpr int32_t kTextInset = 3;
constexpr char kEnter = 13;

// A size that no attribute or style can push past what a window takes (nor overflow on the way).
int32_t ClampedSize(int64_t size) { return static_cast<int32_t>(std::clamp<int64_t>(size, 0, kMaxControlSize)); }

std::string CheckedState(bool checked) { return checked ? "1" : ""; }

// The state the page gives a radio button's window as it is read, whatever key is down: the button's Tab guard is
// for the focus that the user moves, not for the page.
void SetReadState(pf::TWinControl* window, bool checked) {
  if (auto* radio = dynamic_cast<pf::TRadioButton*>(window)) radio->pf::TRadioButton::SetChecked(checked);
}

// The font of a control in the canvas, and the height of "A" in it.
int32_t HeightOfA(const TMyFont& font, pf::TCanvas& canvas) {
  font.AssignToCanvas(canvas);
  return canvas.TextHeight("A");
}

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

ThtmlForm::TRadioGroup& ThtmlForm::RadioGroup(const std::string& name) { return radioGroups_[pf::LowerCase(name)]; }

void ThtmlForm::InsertControl(std::unique_ptr<TFormControlObj> control) {
  if (!dynamic_cast<THiddenFormControlObj*>(control.get())) ++NonHiddenCount;
  TFormControlObj* added = Controls.Add(std::move(control));
  if (auto* radio = dynamic_cast<TRadioButtonFormControlObj*>(added)) RadioGroup(radio->Name).Members.push_back(radio);
  if (added->TabIndex > 0 && added->GetControl())
    Owner->TabOrderList.AddObject(TabOrderKey(added->TabIndex, Owner->TabOrderList.Count()), added->GetControl());
}

void ThtmlForm::UncheckOtherRadios(TFormControlObj* radio) {
  if (radio->Name.empty()) return;
  for (TRadioButtonFormControlObj* other : RadioGroup(radio->Name).Members) {
    if (other == radio) continue;
    other->SetChecked(false);
    if (other->GetControl()) other->GetControl()->SetTabStop(false);
    other->HandleExit();
  }
}

void ThtmlForm::ResetControls() {
  for (int i = 0; i < Controls.Count(); ++i) Controls[i]->ResetToDefault();
}

void ThtmlForm::Submit(const std::string& buttonPair) {
  // One submission at a time: a second click while the first waits for delivery is not another answer.
  if (!Owner->SubmitForm || Owner->SubmitPending) return;
  auto results = std::make_unique<pf::TStringList>();
  for (int i = 0; i < Controls.Count(); ++i) {
    TFormControlObj* control = Controls[i];
    if (control->Disabled) continue;
    std::string s;
    for (int index = 0; control->GetSubmission(index, s); ++index)
      if (!s.empty()) results->Add(s);
  }
  if (!buttonPair.empty()) results->Add(buttonPair);
  Owner->PostSubmission(
      std::make_unique<TFormSubmission>(TFormSubmission{Action, Target, EncType, Method, std::move(results)}));
}

std::unique_ptr<pf::TStringList> ThtmlForm::CollectValues() {
  auto values = std::make_unique<pf::TStringList>();
  for (int i = 0; i < Controls.Count(); ++i) {
    std::string s;
    for (int index = 0; Controls[i]->GetSubmission(index, s); ++index)
      if (!s.empty()) values->AddObject(s, reinterpret_cast<void*>(static_cast<intptr_t>(i + 1)));
  }
  return values;
}

bool ThtmlForm::RestoreByIndex(const pf::TStringList& values) {
  for (int k = 0; k < values.Count(); ++k) {
    const auto tag = reinterpret_cast<intptr_t>(values.Objects(k));
    const size_t equals = values[k].find('=');
    if (tag < 1 || tag > Controls.Count() || equals == std::string::npos ||
        !pf::SameText(values[k].substr(0, equals), Controls[static_cast<int>(tag - 1)]->Name))
      return false;
  }
  for (int i = 0; i < Controls.Count(); ++i) Controls[i]->ClearData();
  std::vector<int> next(static_cast<size_t>(Controls.Count()), 0);
  for (int k = 0; k < values.Count(); ++k) {
    const auto control = static_cast<int>(reinterpret_cast<intptr_t>(values.Objects(k)) - 1);
    Controls[control]->SetSubmissionData(next[static_cast<size_t>(control)]++,
                                         values[k].substr(values[k].find('=') + 1));
  }
  return true;
}

void ThtmlForm::RestoreValues(const pf::TStringList& values) {
  // Lines collected from this very form go back to their own controls; other lines go by name, each control of
  // that name receiving all of them in turn.
  if (RestoreByIndex(values)) return;
  for (int i = 0; i < Controls.Count(); ++i) {
    TFormControlObj* control = Controls[i];
    control->ClearData();
    int index = 0;
    for (int k = 0; k < values.Count(); ++k) {
      const size_t equals = values[k].find('=');
      if (equals != std::string::npos && pf::SameText(values[k].substr(0, equals), control->Name))
        control->SetSubmissionData(index++, values[k].substr(equals + 1));
    }
  }
}

void ThtmlForm::AdjustControlSizes(pf::TCanvas& canvas) {
  for (int i = 0; i < Controls.Count(); ++i) Controls[i]->AdjustSizeToFont(canvas);
}

void ThtmlForm::EditKeyPress(pf::TObject* sender, char& key) {
  if (key != kEnter || !dynamic_cast<pf::TCustomEdit*>(sender)) return;
  key = 0;
  Submit("");
}

TFormControlObj* ThtmlForm::ControlOf(const pf::TObject* sender) const {
  for (int i = 0; i < Controls.Count(); ++i)
    if (Controls[i]->GetControl() == sender) return Controls[i];
  return nullptr;
}

void ThtmlForm::ControlKeyDown(pf::TObject* sender, uint16_t& key, pf::TShiftState shift) {
  auto* radio = dynamic_cast<TRadioButtonFormControlObj*>(ControlOf(sender));
  const bool back = key == pf::VK_LEFT || key == pf::VK_UP;
  const bool forward = key == pf::VK_RIGHT || key == pf::VK_DOWN;
  if (!radio || (!back && !forward)) {
    if (Owner->TheOwner) Owner->TheOwner->DocumentKeyDown(key, shift);
    return;
  }
  key = 0;
  const std::vector<TRadioButtonFormControlObj*>& members = RadioGroup(radio->Name).Members;
  const auto at = std::find(members.begin(), members.end(), radio);
  if (at == members.end() || (back && at == members.begin()) || (forward && at + 1 == members.end())) return;
  TRadioButtonFormControlObj* target = back ? *(at - 1) : *(at + 1);
  pf::TWinControl* window = target->GetControl();
  if (!window || !window->CanFocus()) return;
  window->SetFocus();
  // The arrow keys choose within the group as they move; the newly checked button raises its click handling.
  target->SetChecked(true);
}

// ---- controls ----

TFormControlObj::TFormControlObj(TSectionList* owner, int32_t pos, TAttributeList& attributes, TProperties& prop)
    : AttributeText(attributes.ToNameValueList()), CodePage(prop.CodePage), Pos(pos), Owner(owner) {
  Font = prop.GetFont();
  // A control outside any FORM element gets a form of its own, which later controls share.
  if (!owner->CurrentForm) owner->CurrentForm = ThtmlForm::Create(owner, nullptr);
  MyForm = owner->CurrentForm;
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
        TabIndex = std::max(0, a.Value);
        break;
      default:
        break;
    }
  }
  ID = attributes.GetIdValue();
  owner->FormControlList.push_back(this);
  if (!ID.empty()) owner->IDNameList.AddObject(ID, this);
}

TFormControlObj::~TFormControlObj() = default;

pf::TObject* TFormControlObj::Viewer() const { return Owner->TheOwner ? Owner->TheOwner->Sender() : nullptr; }

std::string TFormControlObj::ToWindow(const std::string& text) const {
  return pf::Utf16ToLatin1(AnsiToWideInCodePage(text, CodePage));
}

std::string TFormControlObj::FromWindow(const std::string& shown) const {
  if (shown == ToWindow(windowSource_)) return windowSource_;
  return WideToAnsiInCodePage(pf::Latin1ToUtf16(shown), CodePage);
}

void TFormControlObj::SetWindowText(const std::string& text) {
  windowSource_ = text;
  if (TheControl) TheControl->SetText(ToWindow(text));
}

std::string TFormControlObj::WindowText() const { return TheControl ? FromWindow(TheControl->Text()) : windowSource_; }

void TFormControlObj::TextInBox(pf::TCanvas& canvas, const pf::TRect& box, int32_t x, int32_t y,
                                const std::string& text) const {
  canvas.SetBkMode(pf::TRANSPARENT);
  canvas.TextRectW(box, x, y, AnsiToWideInCodePage(text, CodePage));
}

void TFormControlObj::InstallControl(std::unique_ptr<pf::TWinControl> control, std::function<void()> click) {
  control->SetLeft(kParkedLeft);
  control->SetEnabled(!Disabled);
  control->Font().Assign(*Font);
  control->SetParentFont(false);
  control->OnEnter = [this](pf::TObject*) { FormControlEnter(); };
  control->OnExit = [this](pf::TObject*) { FormControlExit(); };
  control->OnClick = [click = std::move(click)](pf::TObject*) { click(); };
  control->OnMouseMove = [this](pf::TObject*, pf::TShiftState shift, int32_t x, int32_t y) {
    FormControlMouseMove(shift, x, y);
  };
  control->SetParent(Owner->PPanel);
  TheControl = std::move(control);
}

void TFormControlObj::ShowAt(int32_t left, int32_t top) {
  ShowIt = true;
  if (!TheControl) return;
  TheControl->SetBounds(left, top, TheControl->Width(), TheControl->Height());
  TheControl->Show();
}

void TFormControlObj::FormControlEnter() {
  if (Owner->IsCopy) return;
  Active = true;
  if (Owner->PPanel) Owner->PPanel->Invalidate();
  if (Owner->OnScrollIntoView) Owner->OnScrollIntoView(PositionY, false);
  if (Owner->OnObjectFocus && !OnFocusText.empty()) Owner->OnObjectFocus(Viewer(), this, OnFocusText);
  if (!OnChangeText.empty()) HandleEnter();
}

void TFormControlObj::FormControlExit() {
  Active = false;
  if (!OnChangeText.empty()) HandleExit();
  if (Owner->OnObjectBlur && !OnBlurText.empty()) Owner->OnObjectBlur(Viewer(), this, OnBlurText);
  if (Owner->PPanel) Owner->PPanel->Invalidate();
}

void TFormControlObj::FormControlClick() {
  if (Owner->OnObjectClick) Owner->OnObjectClick(Viewer(), this, OnClickText);
}

void TFormControlObj::FormControlMouseMove(pf::TShiftState shift, int32_t x, int32_t y) {
  if (Owner->TheOwner) Owner->TheOwner->FormControlMouseMove(this, shift, x, y);
}

void TFormControlObj::ReportChange(const std::string& value) {
  if (value != EnterValue && Owner->OnObjectChange) Owner->OnObjectChange(Viewer(), this, OnChangeText);
}

void TFormControlObj::ApplyStyleProperties(TProperties& prop) {
  const TBoxVariantArray values = prop.GetBoxVariants();
  TBoxIntArray box;
  ConvertInlineBoxValues(values, 0, 0, prop.EmSize, prop.ExSize, box);
  const bool bordered = prop.GetBorderStyle() != 0;
  ApplyInlineSpaces(box, bordered, HSpaceL, HSpaceR, VSpaceT, VSpaceB);
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
  // Boxes that show text take the style's background; their own frame gives way to a style border.
  const bool textBox = dynamic_cast<TEditFormControlObj*>(this) || dynamic_cast<TListBoxFormControlObj*>(this) ||
                       dynamic_cast<TTextAreaFormControlObj*>(this);
  if (TheControl && textBox && BkColor != pf::clNone) TheControl->SetColor(BkColor | PaletteColorFlag());
  if (bordered) {
    BorderID = prop.Sequence;
    pf::TWinControl* window = TheControl.get();
    if (auto* edit = dynamic_cast<pf::TEdit*>(window)) edit->SetBorderStyle(pf::bsNone);
    if (auto* memo = dynamic_cast<pf::TMemo*>(window)) memo->SetBorderStyle(pf::bsNone);
    if (auto* list = dynamic_cast<pf::TListBox*>(window)) list->SetBorderStyle(pf::bsNone);
    if (auto* combo = dynamic_cast<pf::TComboBox*>(window)) combo->SetBorderStyle(pf::bsNone);
  }
}

// ---- image inputs and hidden fields ----

TImageFormControlObj::TImageFormControlObj(TSectionList* owner, int32_t pos, TAttributeList& attributes,
                                           TProperties& prop)
    : TFormControlObj(owner, pos, attributes, prop) {
  if (!owner->PPanel) return;
  // The picture is drawn in the text; this button takes the focus, and pressed from the keyboard it clicks the
  // picture at its corner.
  auto button = std::make_unique<pf::TButton>(nullptr);
  button->SetBounds(0, 0, 1, 1);
  InstallControl(std::move(button), [this] {
    XTmp = YTmp = 0;
    HandleClick();
  });
}

void TImageFormControlObj::ApplyStyleProperties(TProperties& prop) {
  TFormControlObj::ApplyStyleProperties(prop);
  if (MyImage) MyImage->ApplyStyleProperties(prop);
}

bool TImageFormControlObj::GetSubmission(int index, std::string& s) {
  if (XPos < 0 || index > 1) return false;
  const std::string prefix = Name.empty() ? "" : Name + ".";
  if (index == 0) {
    s = prefix + "x=" + pf::IntToStr(XPos);
  } else {
    s = prefix + "y=" + pf::IntToStr(YPos);
    XPos = -1;  // a click is submitted once
  }
  return true;
}

void TImageFormControlObj::HandleClick() {
  if (pf::TWinControl* button = GetControl(); button && button->CanFocus()) button->SetFocus();
  FormControlClick();
  XPos = XTmp;
  YPos = YTmp;
  if (!Disabled) MyForm->Submit("");
  // A click that was not submitted is not left for a later collection either.
  XPos = -1;
}

bool THiddenFormControlObj::GetSubmission(int index, std::string& s) {
  if (index > 0) return false;
  s = Pair(Value);
  return true;
}

// ---- edit boxes ----

TEditFormControlObj::TEditFormControlObj(TSectionList* owner, int32_t pos, TAttributeList& attributes,
                                         TProperties& prop, bool password)
    : TFormControlObj(owner, pos, attributes, prop), Password(password) {
  TAttribute* attribute = nullptr;
  // A SIZE that starts with a number takes that number ("20px" is 20 characters); anything else keeps 15.
  if (attributes.FindSymbol(SizeSy, attribute) && attribute->Value >= 1) EditSize = attribute->Value;
  if (attributes.FindSymbol(MaxLengthSy, attribute)) MaxLength = std::max(0, attribute->Value);
  tmAveCharWidth = Font->Metrics.tmAveCharWidth;
  if (owner->PPanel) {
    auto edit = std::make_unique<pf::TEdit>(nullptr);
    edit->SetWidth(kEditWidth);
    if (Password) edit->SetPasswordChar('*');
    edit->SetMaxLength(MaxLength);
    edit->SetReadOnly(ReadOnly);
    edit->OnKeyPress = [this](pf::TObject* sender, char& key) { MyForm->EditKeyPress(sender, key); };
    InstallControl(std::move(edit), [this] { FormControlClick(); });
  }
  SetWindowText(Value);
}

pf::TEdit* TEditFormControlObj::Edit() const { return static_cast<pf::TEdit*>(TheControl.get()); }

void TEditFormControlObj::HandleEnter() { EnterValue = WindowText(); }

void TEditFormControlObj::HandleExit() { ReportChange(WindowText()); }

void TEditFormControlObj::ResetToDefault() { SetWindowText(Value); }

bool TEditFormControlObj::GetSubmission(int index, std::string& s) {
  if (index > 0) return false;
  s = Pair(WindowText());
  return true;
}

void TEditFormControlObj::SetSubmissionData(int index, const std::string& value) { SetWindowText(value); }

void TEditFormControlObj::AdjustSizeToFont(pf::TCanvas& canvas) {
  if (!Edit()) return;
  const int32_t height = std::max(Height, std::max(HeightOfA(*Font, canvas), kGiven));
  const int64_t width = PercentWidth      ? kGiven
                        : Width >= kGiven ? Width
                                          : int64_t{tmAveCharWidth} * EditSize + kEditExtra;
  Edit()->SetBounds(Edit()->Left(), Edit()->Top(), ClampedSize(width), ClampedSize(height));
}

void TEditFormControlObj::Paint(pf::TCanvas& canvas, int32_t x, int32_t y) {
  const pf::TRect box{x, y, x + ControlWidth(), y + ControlHeight()};
  DrawControlFrame(canvas, box.Left, box.Top, box.Right, box.Bottom, pf::clWhite, Disabled, Owner->PrintMonochromeBlack,
                   false);
  Font->AssignToCanvas(canvas);
  const std::string text = WindowText();
  const int32_t top = y + (box.Height() - canvas.TextHeight("A")) / 2;
  TextInBox(canvas, box, x + kTextInset, top, Password ? std::string(text.size(), '*') : text);
}

// ---- buttons ----

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
  if (!owner->PPanel) return;
  auto button = std::make_unique<pf::TButton>(nullptr);
  button->SetCaption(ToWindow(Caption));
  InstallControl(std::move(button), [this] { HandleClick(); });
}

void TButtonFormControlObj::HandleClick() {
  FormControlClick();
  switch (Which) {
    case bkSubmit:
      MyForm->Submit(Name.empty() ? "" : Pair(Value));
      break;
    case bkReset:
      MyForm->ResetControls();
      break;
    case bkBrowse:
      if (Owner->OnFileBrowse && MyEdit && MyEdit->Edit()) {
        std::string fileName = MyEdit->WindowText();
        Owner->OnFileBrowse(Viewer(), MyEdit, fileName);
        MyEdit->SetWindowText(fileName);
      }
      break;
    case bkButton:
      break;
  }
}

void TButtonFormControlObj::AdjustSizeToFont(pf::TCanvas& canvas) {
  if (!TheControl) return;
  const int32_t height = std::max(Height, HeightOfA(*Font, canvas) + kButtonExtraHeight);
  const int32_t width = Width >= kGiven && !PercentWidth
                            ? Width
                            : canvas.TextExtentW(AnsiToWideInCodePage(Caption, CodePage)).cx + kButtonExtraWidth;
  TheControl->SetBounds(TheControl->Left(), TheControl->Top(), ClampedSize(width), ClampedSize(height));
}

void TButtonFormControlObj::Paint(pf::TCanvas& canvas, int32_t x, int32_t y) {
  const pf::TRect box{x, y, x + ControlWidth(), y + ControlHeight()};
  DrawControlFrame(canvas, box.Left, box.Top, box.Right, box.Bottom, pf::clBtnFace, Disabled,
                   Owner->PrintMonochromeBlack, true);
  Font->AssignToCanvas(canvas);
  const pf::TSize extent = canvas.TextExtentW(AnsiToWideInCodePage(Caption, CodePage));
  TextInBox(canvas, box, x + (box.Width() - extent.cx) / 2, y + (box.Height() - extent.cy) / 2, Caption);
}

// ---- check boxes and radio buttons ----

TCheckableFormControlObj::TCheckableFormControlObj(TSectionList* owner, int32_t pos, TAttributeList& attributes,
                                                   TProperties& prop)
    : TFormControlObj(owner, pos, attributes, prop) {
  TAttribute* attribute = nullptr;
  IsChecked = attributes.FindSymbol(CheckedSy, attribute);
  checked_ = IsChecked;
  VerticalAlign = 3;
}

bool TCheckableFormControlObj::Checked() const {
  if (auto* box = dynamic_cast<pf::TCheckBox*>(TheControl.get())) return box->Checked();
  if (auto* radio = dynamic_cast<pf::TRadioButton*>(TheControl.get())) return radio->Checked();
  return checked_;
}

void TCheckableFormControlObj::SetChecked(bool value) {
  checked_ = value;
  if (auto* box = dynamic_cast<pf::TCheckBox*>(TheControl.get())) box->SetChecked(value);
  if (auto* radio = dynamic_cast<pf::TRadioButton*>(TheControl.get())) radio->SetChecked(value);
}

void TCheckableFormControlObj::HandleEnter() { EnterValue = CheckedState(Checked()); }

void TCheckableFormControlObj::HandleExit() { ReportChange(CheckedState(Checked())); }

void TCheckableFormControlObj::ResetToDefault() { SetChecked(IsChecked); }

bool TCheckableFormControlObj::GetSubmission(int index, std::string& s) {
  if (index > 0 || !Checked()) return false;
  s = Pair(Value);
  return true;
}

void TCheckableFormControlObj::SetSubmissionData(int index, const std::string& value) {
  if (pf::SameText(value, Value)) SetChecked(true);
}

TCheckBoxFormControlObj::TCheckBoxFormControlObj(TSectionList* owner, int32_t pos, TAttributeList& attributes,
                                                 TProperties& prop)
    : TCheckableFormControlObj(owner, pos, attributes, prop) {
  if (Value.empty()) Value = "on";
  if (!owner->PPanel) return;
  auto box = std::make_unique<TFormCheckBox>(nullptr);
  box->SetBounds(0, 0, kCheckBoxSize, kCheckBoxSize);
  box->SetChecked(IsChecked);
  box->OnKeyDown = [this](pf::TObject* sender, uint16_t& key, pf::TShiftState shift) {
    MyForm->ControlKeyDown(sender, key, shift);
  };
  InstallControl(std::move(box), [this] { FormControlClick(); });
}

void TCheckBoxFormControlObj::Paint(pf::TCanvas& canvas, int32_t x, int32_t y) {
  const int32_t w = TheControl ? ControlWidth() : kCheckBoxSize, h = TheControl ? ControlHeight() : kCheckBoxSize;
  DrawControlFrame(canvas, x, y, x + w, y + h, pf::clWhite, Disabled, Owner->PrintMonochromeBlack, false);
  if (!Checked()) return;
  // A tick of two strokes about the middle of the box.
  const int32_t middle = y + h / 2;
  canvas.Pen().SetColor(pf::clBlack);
  canvas.MoveTo(x + 3, middle);
  canvas.LineTo(x + 5, middle + 2);
  canvas.LineTo(x + 9, middle - 2);
}

TRadioButtonFormControlObj::TRadioButtonFormControlObj(TSectionList* owner, int32_t pos, TAttributeList& attributes,
                                                       TProperties& prop)
    : TCheckableFormControlObj(owner, pos, attributes, prop) {
  ThtmlForm::TRadioGroup& group = MyForm->RadioGroup(Name);
  const bool first = group.Members.empty();
  if (IsChecked) {
    // Of a group only the last radio written checked starts checked, and it alone is a tab stop.
    if (group.Checked) {
      group.Checked->IsChecked = group.Checked->checked_ = false;
      SetReadState(group.Checked->GetControl(), false);
    }
    if (!first && group.Members.front()->GetControl()) group.Members.front()->GetControl()->SetTabStop(false);
    group.Checked = this;
  }
  if (!owner->PPanel) return;
  // Checking the window raises the click handling (the group's others unchecked, the click event), also when the
  // program checks it; the state the page gives is set before the handling is connected.
  auto radio = std::make_unique<TFormRadioButton>(nullptr);
  const bool large = pf::kPixelsPerInch > kLargeScreenPixelsPerInch;
  radio->SetBounds(0, 0, large ? kLargeRadioSize : kRadioWidth, large ? kLargeRadioSize : kRadioHeight);
  SetReadState(radio.get(), IsChecked);
  // Unchecked, it is a tab stop only as the first of its group while none is checked.
  if (!IsChecked) radio->SetTabStop(first);
  radio->OnKeyDown = [this](pf::TObject* sender, uint16_t& key, pf::TShiftState shift) {
    MyForm->ControlKeyDown(sender, key, shift);
  };
  InstallControl(std::move(radio), [this] { HandleClick(); });
}

void TRadioButtonFormControlObj::HandleClick() {
  MyForm->UncheckOtherRadios(this);
  FormControlClick();
}

void TRadioButtonFormControlObj::Paint(pf::TCanvas& canvas, int32_t x, int32_t y) {
  canvas.Pen().SetColor(pf::clBlack);
  canvas.Brush().SetColor(Disabled ? pf::clBtnFace : pf::clWhite);
  canvas.Ellipse(x, y, x + kPrintedCircle, y + kPrintedCircle);
  if (!Checked()) return;
  constexpr int32_t kMark = 4;
  canvas.Brush().SetColor(pf::clBlack);
  canvas.Ellipse(x + kMark, y + kMark, x + kPrintedCircle - kMark, y + kPrintedCircle - kMark);
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
    : TListBoxFormControlObj(owner, pos, attributes, prop, TWithoutWindow{}) {
  TAttribute* attribute = nullptr;
  Multiple = attributes.FindSymbol(MultipleSy, attribute);
  if (!owner->PPanel) return;
  auto list = std::make_unique<pf::TListBox>(nullptr);
  list->SetMultiSelect(Multiple);
  list->SetExtendedSelect(Multiple);
  InstallControl(std::move(list), [this] { FormControlClick(); });
}

TListBoxFormControlObj::TListBoxFormControlObj(TSectionList* owner, int32_t pos, TAttributeList& attributes,
                                               TProperties& prop, TWithoutWindow)
    : TFormControlObj(owner, pos, attributes, prop) {
  TAttribute* attribute = nullptr;
  if (attributes.FindSymbol(SizeSy, attribute)) LBSize = attribute->Value;
}

pf::TListBox* TListBoxFormControlObj::List() const { return static_cast<pf::TListBox*>(TheControl.get()); }

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
  ShowOption(TheOptions.Count() - 1);
}

void TListBoxFormControlObj::ShowOption(int index) {
  if (!TheControl) return;
  List()->Items().Add(ToWindow(TheOptions[index]));
  if (TheOptions.GetSelected(index)) SelectOption(index);
}

void TListBoxFormControlObj::SelectOption(int index) {
  if (!TheControl) return;
  if (Multiple)
    List()->SetSelected(index, true);
  else
    List()->SetItemIndex(index);
}

int TListBoxFormControlObj::MarkedIndex() const {
  for (int i = TheOptions.Count() - 1; i >= 0; --i)
    if (TheOptions.GetSelected(i)) return i;
  return -1;
}

int TListBoxFormControlObj::ItemIndex() const {
  for (int i = TheOptions.Count() - 1; i >= 0; --i)
    if (IsSelected(i)) return i;
  return -1;
}

bool TListBoxFormControlObj::IsSelected(int index) const {
  if (index < 0 || index >= TheOptions.Count()) return false;
  if (TheControl) return index < List()->Items().Count() && List()->Selected(index);
  // Without a window a single-selection list shows the last option marked selected.
  return Multiple ? TheOptions.GetSelected(index) : index == MarkedIndex();
}

void TListBoxFormControlObj::SaveSelection() {
  EnterItems = TheOptions.Count();
  EnterSelected.assign(static_cast<size_t>(std::min(EnterItems, kEnterItems)), false);
  for (size_t i = 0; i < EnterSelected.size(); ++i) EnterSelected[i] = IsSelected(static_cast<int>(i));
}

void TListBoxFormControlObj::HandleEnter() { SaveSelection(); }

void TListBoxFormControlObj::HandleExit() {
  const std::vector<bool> before = EnterSelected;
  const int itemsBefore = EnterItems;
  SaveSelection();
  const bool changed = itemsBefore != EnterItems || before != EnterSelected;
  if (changed && Owner->OnObjectChange) Owner->OnObjectChange(Viewer(), this, OnChangeText);
}

void TListBoxFormControlObj::ResetToDefault() {
  if (TheControl) List()->Clear();
  for (int i = 0; i < TheOptions.Count(); ++i) ShowOption(i);
}

bool TListBoxFormControlObj::GetSubmission(int index, std::string& s) {
  // One index per option; an option that is not selected answers with nothing to submit.
  if (index < 0 || index >= TheOptions.Count()) return false;
  s = IsSelected(index) ? Pair(TheOptions.GetValue(index)) : "";
  return true;
}

void TListBoxFormControlObj::SetSubmissionData(int index, const std::string& value) {
  if (!TheControl) return;
  if (index == 0) {
    if (Multiple) List()->ClearSelection();
    List()->SetItemIndex(0);
  }
  for (int i = 0; i < TheOptions.Count(); ++i)
    if (pf::SameText(TheOptions.GetValue(i), value)) SelectOption(i);
}

int32_t TListBoxFormControlObj::BoxWidth() const {
  const int64_t natural = int64_t{pf::GetSystemMetrics(pf::SM_CXVSCROLL)} + Longest + kListExtra;
  return ClampedSize(PercentWidth ? kGiven : Width >= kGiven ? Width : natural);
}

void TListBoxFormControlObj::AdjustSizeToFont(pf::TCanvas& canvas) {
  if (!TheControl) return;
  int64_t height = Height;
  if (Height < kGiven) {
    const int rows = LBSize >= 1 ? LBSize : std::max(1, std::min(kMaxListRows, TheOptions.Count()));
    height = int64_t{HeightOfA(*Font, canvas)} * rows;
  }
  TheControl->SetBounds(TheControl->Left(), TheControl->Top(), BoxWidth(), ClampedSize(height));
}

void TListBoxFormControlObj::Paint(pf::TCanvas& canvas, int32_t x, int32_t y) {
  const pf::TRect box{x, y, x + ControlWidth(), y + ControlHeight()};
  DrawControlFrame(canvas, box.Left, box.Top, box.Right, box.Bottom, pf::clWhite, Disabled, Owner->PrintMonochromeBlack,
                   false);
  Font->AssignToCanvas(canvas);
  const int32_t lineHeight = canvas.TextHeight("A");
  const int top = TheControl ? List()->TopIndex() : 0;
  for (int i = top, line = y + kTextInset; i < TheOptions.Count() && line < box.Bottom; ++i, line += lineHeight) {
    if (IsSelected(i)) FillRectWithColor(canvas, x + 2, line, box.Right - 2, line + lineHeight, pf::clSilver);
    TextInBox(canvas, box, x + kTextInset, line, TheOptions[i]);
  }
}

TComboFormControlObj::TComboFormControlObj(TSectionList* owner, int32_t pos, TAttributeList& attributes,
                                           TProperties& prop)
    : TListBoxFormControlObj(owner, pos, attributes, prop, TWithoutWindow{}) {
  if (!owner->PPanel) return;
  auto box = std::make_unique<pf::TComboBox>(nullptr);
  box->SetStyle(pf::csDropDownList);
  InstallControl(std::move(box), [this] { FormControlClick(); });
}

pf::TComboBox* TComboFormControlObj::Combo() const { return static_cast<pf::TComboBox*>(TheControl.get()); }

void TComboFormControlObj::ShowOption(int index) {
  if (!TheControl) return;
  Combo()->Items().Add(ToWindow(TheOptions[index]));
  if (TheOptions.GetSelected(index)) Combo()->SetItemIndex(index);  // without a selected option the box shows none
}

void TComboFormControlObj::SelectOption(int index) {
  if (TheControl) Combo()->SetItemIndex(index);
}

int TComboFormControlObj::ItemIndex() const { return TheControl ? Combo()->ItemIndex() : MarkedIndex(); }

void TComboFormControlObj::ResetToDefault() {
  if (TheControl) Combo()->Clear();
  for (int i = 0; i < TheOptions.Count(); ++i) ShowOption(i);
}

bool TComboFormControlObj::GetSubmission(int index, std::string& s) {
  if (index > 0) return false;
  const int selected = ItemIndex();
  s = selected >= 0 ? Pair(TheOptions.GetValue(selected)) : "";
  return true;
}

void TComboFormControlObj::SetSubmissionData(int index, const std::string& value) {
  for (int i = 0; i < TheOptions.Count(); ++i) {
    if (pf::SameText(TheOptions.GetValue(i), value)) {
      SelectOption(i);
      return;
    }
  }
}

void TComboFormControlObj::AdjustSizeToFont(pf::TCanvas& canvas) {
  if (!TheControl) return;
  // Without a given height the box keeps its own.
  const int32_t height = Height >= kGiven ? ClampedSize(Height) : TheControl->Height();
  TheControl->SetBounds(TheControl->Left(), TheControl->Top(), BoxWidth(), height);
}

void TComboFormControlObj::Paint(pf::TCanvas& canvas, int32_t x, int32_t y) {
  const pf::TRect box{x, y, x + ControlWidth(), y + ControlHeight()};
  DrawControlFrame(canvas, box.Left, box.Top, box.Right, box.Bottom, pf::clWhite, Disabled, Owner->PrintMonochromeBlack,
                   false);
  Font->AssignToCanvas(canvas);
  const int index = ItemIndex();
  if (index >= 0) TextInBox(canvas, box, x + kTextInset, y + kTextInset, TheOptions[index]);
}

// ---- text areas ----

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
  if (!owner->PPanel) return;
  auto memo = std::make_unique<pf::TMemo>(nullptr);
  memo->SetWordWrap(Wrap != wrapOff);
  memo->SetScrollBars(Wrap == wrapOff ? pf::ssBoth : pf::ssVertical);
  memo->SetReadOnly(ReadOnly);
  memo->OnKeyPress = [this](pf::TObject* sender, char& key) { MyForm->EditKeyPress(sender, key); };
  InstallControl(std::move(memo), [this] { FormControlClick(); });
}

pf::TMemo* TTextAreaFormControlObj::Memo() const { return static_cast<pf::TMemo*>(TheControl.get()); }

std::string TTextAreaFormControlObj::SubmittedText() const {
  if (!Memo() || Wrap != wrapHard) return WindowText();
  pf::TStrings& lines = Memo()->Lines();
  std::string text;
  for (int i = 0; i < lines.Count(); ++i) text += (i > 0 ? "\r\n" : "") + lines[i];
  return FromWindow(text);
}

void TTextAreaFormControlObj::HandleEnter() { EnterValue = SubmittedText(); }

void TTextAreaFormControlObj::HandleExit() { ReportChange(SubmittedText()); }

void TTextAreaFormControlObj::ResetToDefault() {
  SetWindowText(TheText);
  if (Memo()) Memo()->ScrollToStart();
}

bool TTextAreaFormControlObj::GetSubmission(int index, std::string& s) {
  if (index > 0) return false;
  s = Pair(SubmittedText());
  return true;
}

void TTextAreaFormControlObj::SetSubmissionData(int index, const std::string& value) { SetWindowText(value); }

void TTextAreaFormControlObj::AdjustSizeToFont(pf::TCanvas& canvas) {
  pf::TMemo* memo = Memo();
  if (!memo) return;
  const int32_t heightOfA = HeightOfA(*Font, canvas);
  if (PercentWidth)
    memo->SetWidth(kPercentTextAreaWidth);
  else if (Width >= kGiven)
    memo->SetWidth(ClampedSize(Width));
  else
    memo->SetClientWidth(ClampedSize(int64_t{canvas.TextWidth("s")} * Cols + kTextAreaExtra));
  if (Height >= kGiven)
    memo->SetHeight(ClampedSize(Height));
  else
    memo->SetClientHeight(ClampedSize(int64_t{heightOfA} * Rows + kTextAreaExtra));
}

void TTextAreaFormControlObj::Paint(pf::TCanvas& canvas, int32_t x, int32_t y) {
  const pf::TRect box{x, y, x + ControlWidth(), y + ControlHeight()};
  DrawControlFrame(canvas, box.Left, box.Top, box.Right, box.Bottom, pf::clWhite, Disabled, Owner->PrintMonochromeBlack,
                   false);
  Font->AssignToCanvas(canvas);
  pf::TStringList lines;
  lines.SetText(WindowText());
  const int32_t lineHeight = canvas.TextHeight("A");
  for (int i = 0, line = y + kTextInset; i < lines.Count() && line < box.Bottom; ++i, line += lineHeight)
    TextInBox(canvas, box, x + kTextInset, line, lines[i]);
}

// ---- the controls of a section ----

// The controls stand in text order, so a search halves.
std::vector<TFormControlObj*>::const_iterator TFormControlList::FirstAtOrAfter(int32_t pos) const {
  return std::lower_bound(items_.begin(), items_.end(), pos,
                          [](const TFormControlObj* control, int32_t p) { return control->Pos < p; });
}

TFormControlObj* TFormControlList::FindControlAt(int32_t pos) const {
  const auto at = FirstAtOrAfter(pos);
  return at != items_.end() && (*at)->Pos == pos ? *at : nullptr;
}

int32_t TFormControlList::GetDistanceToNextControl(int32_t pos) const {
  constexpr int32_t kNone = 9999;
  const auto at = FirstAtOrAfter(pos);
  return at != items_.end() ? std::min(kNone, (*at)->Pos - pos) : kNone;
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
