// Push buttons, check boxes and radio buttons.
#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>

#include "platform/ui/host_qt.h"
#include "platform/ui/stdctrls.h"

namespace pf {

namespace {

// A check box or radio button takes a click anywhere in its bounds, as the classic controls do.
template <class Base>
class WholeAreaButton : public THost<Base> {
 protected:
  bool hitButton(const QPoint& pos) const override { return this->rect().contains(pos); }
};

// A radio button that a click never unchecks: the owner groups radio buttons, not the widget.
class RadioWidget : public WholeAreaButton<QRadioButton> {
 protected:
  void nextCheckState() override {
    if (!isChecked()) setChecked(true);
  }
};

template <class W>
std::unique_ptr<ControlHost> NewButtonHost(W* widget) {
  EnsureUi();
  return MakeHost(widget, false, true, false);
}

constexpr Qt::CheckState kCheckStates[] = {Qt::Unchecked, Qt::Checked, Qt::PartiallyChecked};

// Sets a widget's check mark without its signals.
template <class W, class F>
void Quietly(W* widget, F set) {
  const bool blocked = widget->blockSignals(true);
  set(widget);
  widget->blockSignals(blocked);
}

}  // namespace

// ---- TButton

TButton::TButton(TComponent* owner) : TWinControl(owner, NewButtonHost(new THost<QPushButton>())) {
  controlStyle_ &= ~csClickEvents;  // a click is the widget's (mouse or Space)
  auto* button = WidgetOf<QPushButton>(*this);
  button->setAutoDefault(false);
  QObject::connect(button, &QPushButton::clicked, button, [this] { Guarded([this] { Click(); }); });
  SetTabStop(true);
  SetBounds(0, 0, 75, 25);
}

void TButton::SetDefault(bool value) {
  default_ = value;
  WidgetOf<QPushButton>(*this)->setDefault(value);
}

void TButton::TextChanged() { WidgetOf<QPushButton>(*this)->setText(ToQString(Caption())); }

void TButton::Click() {
  if (modalResult_ != mrNone)
    if (TCustomForm* form = GetParentForm(this)) form->SetModalResult(modalResult_);
  TWinControl::Click();
}

void TButton::WndProc(TMessage& message) {
  switch (message.Msg) {
    case WM_GETDLGCODE:
      message.Result = DLGC_BUTTON | (default_ ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON);
      return;
    case CM_DIALOGKEY: {
      // Return goes to the focused button, else to the default button; Escape to the cancel button.
      const auto key = static_cast<uint16_t>(message.WParam);
      const TCustomForm* form = GetParentForm(this);
      const TWinControl* focused = form != nullptr ? form->ActiveControl() : nullptr;
      const bool takesReturn = dynamic_cast<const TButton*>(focused) != nullptr ? focused == this : default_;
      const bool plain = (KeyDataToShiftState(message.LParam) & (ssShift | ssAlt | ssCtrl)) == 0;
      if (plain && ((key == VK_RETURN && takesReturn) || (key == VK_ESCAPE && cancel_)) && CanFocus()) {
        Click();
        message.Result = 1;
      }
      return;
    }
    default:
      TWinControl::WndProc(message);
  }
}

// ---- TCustomCheckBox

TCustomCheckBox::TCustomCheckBox(TComponent* owner)
    : TCustomCheckBox(owner, NewButtonHost(new WholeAreaButton<QCheckBox>())) {}

TCustomCheckBox::TCustomCheckBox(TComponent* owner, std::unique_ptr<ControlHost> host)
    : TWinControl(owner, std::move(host)) {
  Setup();
}

void TCustomCheckBox::Setup() {
  controlStyle_ &= ~csClickEvents;
  auto* box = WidgetOf<QCheckBox>(*this);
  QObject::connect(box, &QCheckBox::clicked, box, [this] { Guarded([this] { Toggle(); }); });
  SetTabStop(true);
  SetBounds(0, 0, 97, 17);
}

void TCustomCheckBox::Toggle() {
  switch (state_) {
    case cbUnchecked:
      SetState(cbChecked);
      break;
    case cbChecked:
      SetState(allowGrayed_ ? cbGrayed : cbUnchecked);
      break;
    default:
      SetState(cbUnchecked);
  }
}

void TCustomCheckBox::SetState(TCheckBoxState value) {
  // The widget may have stepped on by its own rule: it shows ours.
  Quietly(WidgetOf<QCheckBox>(*this), [&](QCheckBox* box) { box->setCheckState(kCheckStates[value]); });
  if (state_ == value) return;
  state_ = value;
  Click();
}

void TCustomCheckBox::SetAllowGrayed(bool value) {
  allowGrayed_ = value;
  WidgetOf<QCheckBox>(*this)->setTristate(value);
}

void TCustomCheckBox::SetAlignment(TAlignment value) {
  alignment_ = value;
  WidgetOf<QCheckBox>(*this)->setLayoutDirection(value == taLeftJustify ? Qt::RightToLeft : Qt::LeftToRight);
}

void TCustomCheckBox::TextChanged() { WidgetOf<QCheckBox>(*this)->setText(ToQString(Caption())); }

void TCustomCheckBox::WndProc(TMessage& message) {
  switch (message.Msg) {
    case WM_GETDLGCODE:
      message.Result = DLGC_BUTTON;
      return;
    case BM_GETCHECK: {
      // The mark the widget shows (BM_SETCHECK sets it alone, without State and without a click).
      const Qt::CheckState mark = WidgetOf<QCheckBox>(*this)->checkState();
      message.Result = mark == Qt::Checked            ? BST_CHECKED
                       : mark == Qt::PartiallyChecked ? BST_INDETERMINATE
                                                      : BST_UNCHECKED;
      return;
    }
    case BM_SETCHECK: {
      const Qt::CheckState mark = message.WParam == BST_CHECKED         ? Qt::Checked
                                  : message.WParam == BST_INDETERMINATE ? Qt::PartiallyChecked
                                                                        : Qt::Unchecked;
      Quietly(WidgetOf<QCheckBox>(*this), [&](QCheckBox* box) { box->setCheckState(mark); });
      return;
    }
    default:
      TWinControl::WndProc(message);
  }
}

// ---- TRadioButton

TRadioButton::TRadioButton(TComponent* owner) : TWinControl(owner, NewButtonHost(new RadioWidget())) {
  controlStyle_ &= ~csClickEvents;
  auto* radio = WidgetOf<QRadioButton>(*this);
  radio->setAutoExclusive(false);
  QObject::connect(radio, &QRadioButton::clicked, radio, [this] { Guarded([this] { UserClicked(); }); });
  SetBounds(0, 0, 113, 17);
}

void TRadioButton::UserClicked() {
  if (checked_) return;
  SetChecked(true);
  if (!ClicksDisabled) Click();
}

void TRadioButton::SetChecked(bool value) {
  Quietly(WidgetOf<QRadioButton>(*this), [&](QRadioButton* radio) { radio->setChecked(value); });
  if (checked_ == value) return;
  checked_ = value;
  SetTabStop(value);
}

void TRadioButton::SetAlignment(TAlignment value) {
  alignment_ = value;
  WidgetOf<QRadioButton>(*this)->setLayoutDirection(value == taLeftJustify ? Qt::RightToLeft : Qt::LeftToRight);
}

void TRadioButton::TextChanged() { WidgetOf<QRadioButton>(*this)->setText(ToQString(Caption())); }

void TRadioButton::WndProc(TMessage& message) {
  switch (message.Msg) {
    case WM_GETDLGCODE:
      message.Result = DLGC_BUTTON | DLGC_RADIOBUTTON;
      return;
    case BM_GETCHECK:
      message.Result = WidgetOf<QRadioButton>(*this)->isChecked() ? BST_CHECKED : BST_UNCHECKED;
      return;
    case BM_SETCHECK:
      Quietly(WidgetOf<QRadioButton>(*this), [&](QRadioButton* r) { r->setChecked(message.WParam == BST_CHECKED); });
      return;
    default:
      TWinControl::WndProc(message);
  }
}

}  // namespace pf
