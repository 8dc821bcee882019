// Speed buttons over tool-button widgets.
#include <QIcon>
#include <QPixmap>
#include <QToolButton>

#include "platform/ui/buttons.h"
#include "platform/ui/host_qt.h"

namespace pf {

namespace {

// A tool button whose down state is the control's: a click never toggles it by itself.
class SpeedButtonWidget : public THost<QToolButton> {
 protected:
  void nextCheckState() override {}
};

std::unique_ptr<ControlHost> NewSpeedButtonHost() {
  EnsureUi();
  auto* button = new SpeedButtonWidget();
  button->setFocusPolicy(Qt::NoFocus);
  button->setCheckable(true);
  return MakeHost(button, false, false, false);
}

}  // namespace

TSpeedButton::TSpeedButton(TComponent* owner)
    : TGraphicControl(owner, NewSpeedButtonHost()), glyph_(std::make_unique<TBitmap>()) {
  controlStyle_ &= ~csClickEvents;
  glyph_->OnChange = [this](TPersistent&) { GlyphChanged(); };
  auto* button = WidgetOf<QToolButton>(*this);
  QObject::connect(button, &QToolButton::clicked, button, [this] { Guarded([this] { UserClicked(); }); });
  SetBounds(0, 0, 23, 22);
  SetLayout(blGlyphLeft);
}

TSpeedButton::~TSpeedButton() { glyph_->OnChange = nullptr; }

void TSpeedButton::GlyphChanged() {
  const QPixmap pixmap = GlyphPixmap(*glyph_, numGlyphs_);
  auto* button = WidgetOf<QToolButton>(*this);
  button->setIcon(pixmap.isNull() ? QIcon() : QIcon(pixmap));
  if (!pixmap.isNull()) button->setIconSize(pixmap.size());
  SetLayout(layout_);
}

void TSpeedButton::SetNumGlyphs(int value) {
  numGlyphs_ = std::clamp(value, 1, 4);
  GlyphChanged();
}

void TSpeedButton::SetFlat(bool value) {
  flat_ = value;
  WidgetOf<QToolButton>(*this)->setAutoRaise(value);
}

void TSpeedButton::SetLayout(TButtonLayout value) {
  layout_ = value;
  auto* button = WidgetOf<QToolButton>(*this);
  const bool text = !button->text().isEmpty(), icon = !button->icon().isNull();
  button->setToolButtonStyle(!text                                           ? Qt::ToolButtonIconOnly
                             : !icon                                         ? Qt::ToolButtonTextOnly
                             : value == blGlyphTop || value == blGlyphBottom ? Qt::ToolButtonTextUnderIcon
                                                                             : Qt::ToolButtonTextBesideIcon);
}

void TSpeedButton::TextChanged() {
  WidgetOf<QToolButton>(*this)->setText(ToQString(Caption()));
  SetLayout(layout_);
}

void TSpeedButton::SetGroupIndex(int value) {
  groupIndex_ = value;
  if (value == 0) SetDown(false);
}

// A button of a group stays down until another of the group goes down (or a click puts it up with AllowAllUp);
// a button without a group is never down.
void TSpeedButton::SetDown(bool value) {
  if (groupIndex_ == 0) value = false;
  if (value != down_ && !(down_ && !allowAllUp_ && !value)) {
    down_ = value;
    if (value && Parent() != nullptr)
      for (int i = 0; i < Parent()->ControlCount(); ++i) {
        auto* other = dynamic_cast<TSpeedButton*>(Parent()->Controls(i));
        if (other != nullptr && other != this && other->groupIndex_ == groupIndex_ && other->down_) {
          other->down_ = false;
          WidgetOf<QToolButton>(*other)->setChecked(false);
        }
      }
  }
  WidgetOf<QToolButton>(*this)->setChecked(down_);
}

void TSpeedButton::UserClicked() {
  if (groupIndex_ != 0) SetDown(!down_ || !allowAllUp_);
  Click();
}

}  // namespace pf
