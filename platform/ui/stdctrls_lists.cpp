// Combo boxes, list boxes and scroll bars.
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QScrollBar>
#include <QStylePainter>
#include <algorithm>

#include "platform/core/exceptions.h"
#include "platform/core/strings.h"
#include "platform/ui/host_qt.h"
#include "platform/ui/stdctrls.h"

namespace pf {

// Programmatic changes of a list box raise no OnClick.
struct ListAccess {
  template <class F>
  static void Quiet(TListBox& list, F f) {
    ++list.quiet_;
    f();
    --list.quiet_;
  }
};

namespace {

void* ObjectOf(const QVariant& data) { return reinterpret_cast<void*>(data.value<quintptr>()); }
QVariant DataOf(void* object) { return QVariant::fromValue(reinterpret_cast<quintptr>(object)); }

// ---- Combo box items, kept in the widget.
class TComboStrings : public TStrings {
 public:
  explicit TComboStrings(TComboBox& combo) : combo_(combo) {}
  int Count() const override { return Box()->count(); }
  const std::string& Get(int index) const override {
    Check(index, Count());
    return cache_.Keep(index, Box()->itemText(index));
  }
  void Put(int index, std::string s) override {
    Check(index, Count());
    Box()->setItemText(index, ToQString(s));
  }
  void* GetObject(int index) const override {
    Check(index, Count());
    return ObjectOf(Box()->itemData(index));
  }
  void PutObject(int index, void* object) override {
    Check(index, Count());
    Box()->setItemData(index, DataOf(object));
  }
  void Insert(int index, std::string s) override { InsertObject(index, std::move(s), nullptr); }
  void InsertObject(int index, std::string s, void* object) override {
    Check(index, Count() + 1);
    QComboBox* box = Box();
    const bool none = box->currentIndex() < 0;
    const QString text = box->currentText();
    box->insertItem(index, ToQString(s), DataOf(object));
    // The widget chooses the first item of a box that was empty; here a box with no item chosen shows none, and an
    // edit box keeps what it showed.
    if (none && box->currentIndex() >= 0) {
      box->setCurrentIndex(-1);
      if (box->isEditable()) box->setEditText(text);
    }
  }
  void Delete(int index) override {
    Check(index, Count());
    Box()->removeItem(index);
  }
  void Clear() override { Box()->clear(); }

 private:
  static void Check(int index, int limit) {
    if (index < 0 || index >= limit) IndexError(index);
  }
  QComboBox* Box() const { return WidgetOf<QComboBox>(combo_); }
  TComboBox& combo_;
  TItemTextCache cache_;
};

// ---- List box items, kept in the widget; a sorted list puts added items at their place.
class TListStrings : public TStrings {
 public:
  explicit TListStrings(TListBox& list) : list_(list) {}
  int Count() const override { return List()->count(); }
  const std::string& Get(int index) const override {
    Check(index, Count());
    return cache_.Keep(index, List()->item(index)->text());
  }
  void Put(int index, std::string s) override {
    Check(index, Count());
    List()->item(index)->setText(ToQString(s));
  }
  void* GetObject(int index) const override {
    Check(index, Count());
    return ObjectOf(List()->item(index)->data(Qt::UserRole));
  }
  void PutObject(int index, void* object) override {
    Check(index, Count());
    List()->item(index)->setData(Qt::UserRole, DataOf(object));
  }
  void Insert(int index, std::string s) override { InsertObject(index, std::move(s), nullptr); }
  void InsertObject(int index, std::string s, void* object) override {
    Check(index, Count() + 1);
    auto* item = new QListWidgetItem(ToQString(s));
    item->setData(Qt::UserRole, DataOf(object));
    ListAccess::Quiet(list_, [&] { List()->insertItem(index, item); });
  }
  int AddObject(std::string s, void* object) override {
    int index = Count();
    if (list_.Sorted()) {
      // After the last item that does not sort after s.
      index = 0;
      while (index < Count() && AnsiCompareText(Get(index), s) <= 0) ++index;
    }
    InsertObject(index, std::move(s), object);
    return index;
  }
  int Add(std::string s) override { return AddObject(std::move(s), nullptr); }
  void Delete(int index) override {
    Check(index, Count());
    ListAccess::Quiet(list_, [&] { delete List()->takeItem(index); });
  }
  void Clear() override {
    ListAccess::Quiet(list_, [&] { List()->clear(); });
  }

 private:
  static void Check(int index, int limit) {
    if (index < 0 || index >= limit) IndexError(index);
  }
  QListWidget* List() const { return WidgetOf<QListWidget>(list_); }
  TListBox& list_;
  TItemTextCache cache_;
};

// A list widget without type-ahead: a typed letter is the owner's to use.
class ListWidget : public TScrollHost<QListWidget> {
 public:
  void keyboardSearch(const QString&) override {}
};

// A drop-down list in the classic proportions: inside a 2-pixel frame an arrow button as wide as a vertical scroll
// bar at the right, and the text 2 pixels from the frame; so an item fits in its own width plus a scroll bar's and
// 10 pixels. With a frame it is a bevelled button; without one a flat field in the box's colour, the chosen text
// highlighted while it has the focus. An editable box is the style's own.
class ComboWidget : public THost<QComboBox> {
 protected:
  void paintEvent(QPaintEvent* e) override {
    if (isEditable()) {
      QComboBox::paintEvent(e);
      return;
    }
    constexpr int kFrame = 2, kTextMargin = 2;
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    const QRect inside = hasFrame() ? rect().adjusted(kFrame, kFrame, -kFrame, -kFrame) : rect();
    const int arrowWidth = std::min(style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this), inside.width());
    QStyleOption arrow = option;
    arrow.rect = QRect(inside.right() + 1 - arrowWidth, inside.top(), arrowWidth, inside.height());
    const QRect field(inside.left(), inside.top(), inside.width() - arrowWidth, inside.height());
    QPalette::ColorRole text = QPalette::ButtonText;
    if (hasFrame()) {
      QStyleOptionButton button;
      button.QStyleOption::operator=(option);
      if (option.state & QStyle::State_On) button.state |= QStyle::State_Sunken;
      painter.drawPrimitive(QStyle::PE_PanelButtonCommand, button);
    } else {
      painter.fillRect(rect(), palette().color(QPalette::Base));
      text = QPalette::Text;
      if (hasFocus()) {
        painter.fillRect(field, palette().color(QPalette::Highlight));
        text = QPalette::HighlightedText;
      }
    }
    painter.drawPrimitive(QStyle::PE_IndicatorArrowDown, arrow);
    painter.setClipRect(field);
    painter.drawItemText(field.adjusted(kTextMargin, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, palette(), isEnabled(),
                         option.currentText, text);
  }
};

std::unique_ptr<ControlHost> NewComboHost() {
  EnsureUi();
  return MakeHost(new ComboWidget(), false, true);
}

std::unique_ptr<ControlHost> NewListHost() {
  EnsureUi();
  auto* list = new ListWidget();
  auto host = MakeHost(list, false, true);
  host->client = list->viewport();
  list->viewport()->setMouseTracking(true);
  return host;
}

}  // namespace

// ---- TComboBox

TComboBox::TComboBox(TComponent* owner)
    : TWinControl(owner, NewComboHost()), items_(std::make_unique<TComboStrings>(*this)) {
  auto* box = WidgetOf<QComboBox>(*this);
  QObject::connect(box, &QComboBox::activated, box, [this] { Guarded([this] { Change(); }); });
  SetStyle(csDropDown);
  SetColor(clWindow);
  SetTabStop(true);
  SetDropDownCount(8);
  SetBounds(0, 0, 145, 21);
}

TComboBox::~TComboBox() = default;

void TComboBox::SetStyle(TComboBoxStyle value) {
  style_ = value;
  auto* box = WidgetOf<QComboBox>(*this);
  box->setEditable(value == csDropDown);
  if (QLineEdit* edit = box->lineEdit())
    QObject::connect(edit, &QLineEdit::textEdited, box, [this] { Guarded([this] { Change(); }); });
}

void TComboBox::SetBorderStyle(TBorderStyle value) {
  borderStyle_ = value;
  WidgetOf<QComboBox>(*this)->setFrame(value != bsNone);
}

int TComboBox::ItemIndex() const { return WidgetOf<QComboBox>(*this)->currentIndex(); }

void TComboBox::SetItemIndex(int value) {
  auto* box = WidgetOf<QComboBox>(*this);
  box->setCurrentIndex(value >= 0 && value < box->count() ? value : -1);
}

std::string TComboBox::GetText() const {
  const auto* box = WidgetOf<QComboBox>(*this);
  return FromQString(box->isEditable() ? box->currentText() : box->itemText(box->currentIndex()));
}

void TComboBox::SetText(const std::string& value) {
  auto* box = WidgetOf<QComboBox>(*this);
  if (box->isEditable())
    box->setEditText(ToQString(value));
  else
    SetItemIndex(items_->IndexOf(value));
}

void TComboBox::SetDropDownCount(int value) {
  dropDownCount_ = value;
  WidgetOf<QComboBox>(*this)->setMaxVisibleItems(std::max(value, 1));
}

void TComboBox::Clear() {
  items_->Clear();
  SetText("");
}

void TComboBox::WndProc(TMessage& message) {
  if (message.Msg == WM_GETDLGCODE) {
    message.Result = DLGC_WANTARROWS | DLGC_WANTCHARS;
    return;
  }
  TWinControl::WndProc(message);
}

void TComboBox::Change() {
  if (OnChange) OnChange(this);
}

// ---- TListBox

TListBox::TListBox(TComponent* owner)
    : TWinControl(owner, NewListHost()), items_(std::make_unique<TListStrings>(*this)) {
  controlStyle_ &= ~csClickEvents;  // OnClick comes from a selection made by the user
  auto* list = WidgetOf<QListWidget>(*this);
  QObject::connect(list, &QListWidget::itemSelectionChanged, list, [this] {
    if (quiet_ > 0) return;
    selectionClicked_ = true;
    Guarded([this] { Click(); });
  });
  QObject::connect(list, &QListWidget::itemClicked, list, [this] {
    // A click that selected nothing new still counts, once.
    if (!selectionClicked_) Guarded([this] { Click(); });
    selectionClicked_ = false;
  });
  SetColor(clWindow);
  SetTabStop(true);
  ApplySelectionMode();
  SetBounds(0, 0, 121, 97);
}

TListBox::~TListBox() = default;

void TListBox::SetBorderStyle(TBorderStyle value) {
  borderStyle_ = value;
  WidgetOf<QListWidget>(*this)->setFrameStyle(value == bsNone ? QFrame::NoFrame : QFrame::StyledPanel | QFrame::Sunken);
}

int TListBox::ItemIndex() const { return WidgetOf<QListWidget>(*this)->currentRow(); }

void TListBox::SetItemIndex(int value) {
  auto* list = WidgetOf<QListWidget>(*this);
  if (value < 0 || value >= list->count()) value = -1;
  ListAccess::Quiet(*this, [&] {
    if (multiSelect_)
      list->setCurrentRow(value, QItemSelectionModel::NoUpdate);
    else if (value < 0)
      list->setCurrentRow(-1, QItemSelectionModel::Clear);
    else
      list->setCurrentRow(value, QItemSelectionModel::ClearAndSelect);
  });
}

bool TListBox::Selected(int index) const {
  const auto* list = WidgetOf<QListWidget>(*this);
  if (index < 0 || index >= list->count()) throw EListError(Format("List index out of bounds (%d)", {index}));
  return list->item(index)->isSelected();
}

void TListBox::SetSelected(int index, bool value) {
  auto* list = WidgetOf<QListWidget>(*this);
  if (index < 0 || index >= list->count()) throw EListError(Format("List index out of bounds (%d)", {index}));
  ListAccess::Quiet(*this, [&] {
    if (!multiSelect_ && value) list->setCurrentRow(index, QItemSelectionModel::ClearAndSelect);
    list->item(index)->setSelected(value);
  });
}

int TListBox::SelCount() const {
  return multiSelect_ ? static_cast<int>(WidgetOf<QListWidget>(*this)->selectedItems().size()) : -1;
}

int TListBox::TopIndex() const {
  const auto* list = WidgetOf<QListWidget>(*this);
  const int row = list->indexAt(QPoint(1, 1)).row();
  return row < 0 ? 0 : row;
}

void TListBox::SetTopIndex(int value) {
  auto* list = WidgetOf<QListWidget>(*this);
  if (QListWidgetItem* item = list->item(value)) list->scrollToItem(item, QAbstractItemView::PositionAtTop);
}

void TListBox::SetSorted(bool value) {
  if (sorted_ == value) return;
  sorted_ = value;
  if (!value) return;
  std::vector<std::pair<std::string, void*>> entries;
  for (int i = 0; i < items_->Count(); ++i) entries.emplace_back(items_->Get(i), items_->GetObject(i));
  std::stable_sort(entries.begin(), entries.end(),
                   [](const auto& a, const auto& b) { return AnsiCompareText(a.first, b.first) < 0; });
  items_->Clear();
  for (auto& [text, object] : entries) items_->InsertObject(items_->Count(), text, object);
}

void TListBox::SetMultiSelect(bool value) {
  multiSelect_ = value;
  ApplySelectionMode();
}

void TListBox::SetExtendedSelect(bool value) {
  extendedSelect_ = value;
  ApplySelectionMode();
}

void TListBox::ApplySelectionMode() {
  WidgetOf<QListWidget>(*this)->setSelectionMode(!multiSelect_     ? QAbstractItemView::SingleSelection
                                                 : extendedSelect_ ? QAbstractItemView::ExtendedSelection
                                                                   : QAbstractItemView::MultiSelection);
}

void TListBox::SetColumns(int value) {
  columns_ = std::max(value, 0);
  ApplyColumns();
}

// Columns fill the client width and flow top to bottom, then left to right.
void TListBox::ApplyColumns() {
  auto* list = WidgetOf<QListWidget>(*this);
  list->setFlow(QListView::TopToBottom);
  list->setWrapping(columns_ > 0);
  list->setResizeMode(QListView::Adjust);
  if (columns_ == 0) {
    list->setGridSize(QSize());
    return;
  }
  const int width = std::max(1, list->contentsRect().width() / columns_);
  list->setGridSize(QSize(width, ItemHeight()));
}

int32_t TListBox::ItemHeight() const {
  const auto* list = WidgetOf<QListWidget>(*this);
  if (list->count() > 0 && columns_ == 0) return list->visualItemRect(list->item(0)).height();
  return QFontMetrics(list->font()).height() + 2;
}

int TListBox::ItemAtPos(const TPoint& pos, bool existing) const {
  const auto* list = WidgetOf<QListWidget>(*this);
  const int row = list->indexAt(QPoint(pos.X, pos.Y)).row();
  if (row >= 0) return row;
  return existing ? -1 : list->count();
}

TRect TListBox::ItemRect(int index) const {
  const auto* list = WidgetOf<QListWidget>(*this);
  const QListWidgetItem* item = list->item(index);
  if (item == nullptr) return {};
  const QRect r = list->visualItemRect(item);
  return {r.left(), r.top(), r.right() + 1, r.bottom() + 1};
}

void TListBox::Clear() { items_->Clear(); }

void TListBox::ClearSelection() {
  ListAccess::Quiet(*this, [&] { WidgetOf<QListWidget>(*this)->clearSelection(); });
}

void TListBox::SelectAll() {
  if (!multiSelect_) return;
  ListAccess::Quiet(*this, [&] { WidgetOf<QListWidget>(*this)->selectAll(); });
}

void TListBox::WndProc(TMessage& message) {
  switch (message.Msg) {
    case WM_GETDLGCODE:
      message.Result = DLGC_WANTARROWS | DLGC_WANTCHARS;
      return;
    case WM_LBUTTONDOWN:
      selectionClicked_ = false;
      break;
    case WM_SIZE:
      if (columns_ > 0) ApplyColumns();
      break;
    default:
      break;
  }
  TWinControl::WndProc(message);
}

// ---- TScrollBar

namespace {

std::unique_ptr<ControlHost> NewScrollBarHost() {
  EnsureUi();
  return MakeHost(new THost<QScrollBar>(Qt::Horizontal), false, true);
}

}  // namespace

TScrollBar::TScrollBar(TComponent* owner) : TWinControl(owner, NewScrollBarHost()) {
  auto* bar = WidgetOf<QScrollBar>(*this);
  // Each user action becomes a scroll code; the position that OnScroll settles on is what the bar shows.
  QObject::connect(bar, &QAbstractSlider::actionTriggered, bar, [this, bar](int action) {
    static const struct {
      int action;
      uint32_t code;
    } kCodes[] = {
        {QAbstractSlider::SliderSingleStepAdd, SB_LINEDOWN}, {QAbstractSlider::SliderSingleStepSub, SB_LINEUP},
        {QAbstractSlider::SliderPageStepAdd, SB_PAGEDOWN},   {QAbstractSlider::SliderPageStepSub, SB_PAGEUP},
        {QAbstractSlider::SliderToMinimum, SB_TOP},          {QAbstractSlider::SliderToMaximum, SB_BOTTOM},
        {QAbstractSlider::SliderMove, SB_THUMBTRACK}};
    for (const auto& entry : kCodes)
      if (entry.action == action) {
        trackPos_ = bar->sliderPosition();
        Guarded([&] {
          Perform(kind_ == sbHorizontal ? CN_HSCROLL : CN_VSCROLL,
                  (static_cast<WPARAM>(static_cast<uint16_t>(trackPos_)) << 16) | entry.code);
        });
        if (entry.code != SB_THUMBTRACK) scrolled_ = true;
        bar->setSliderPosition(position_);
      }
  });
  QObject::connect(bar, &QAbstractSlider::sliderReleased, bar, [this, bar] {
    trackPos_ = bar->sliderPosition();
    const uint32_t msg = kind_ == sbHorizontal ? CN_HSCROLL : CN_VSCROLL;
    Guarded([&] {
      Perform(msg, (static_cast<WPARAM>(static_cast<uint16_t>(trackPos_)) << 16) | SB_THUMBPOSITION);
      Perform(msg, SB_ENDSCROLL);
    });
  });
  SetTabStop(true);
  SetBounds(0, 0, 121, GetSystemMetrics(SM_CYHSCROLL));
  Apply();
}

void TScrollBar::SetKind(TScrollBarKind value) {
  if (kind_ == value) return;
  kind_ = value;
  WidgetOf<QScrollBar>(*this)->setOrientation(value == sbHorizontal ? Qt::Horizontal : Qt::Vertical);
  SetBounds(Left(), Top(), Height(), Width());
}

void TScrollBar::SetParams(int32_t position, int32_t min, int32_t max) {
  if (max < min || max < pageSize_) throw EInvalidOperation("Scrollbar property out of range");
  min_ = min;
  max_ = max;
  position = std::clamp(position, min, std::max(min, max - std::max(pageSize_ - 1, 0)));
  const bool changed = position != position_;
  position_ = position;
  Apply();
  if (changed) Change();
}

void TScrollBar::SetPageSize(int32_t value) {
  if (value < 0 || value > max_) throw EInvalidOperation("Scrollbar property out of range");
  pageSize_ = value;
  SetParams(position_, min_, max_);
}

void TScrollBar::SetScrollInfo(const TScrollInfo& info) {
  if (info.fMask & SIF_RANGE) min_ = info.nMin, max_ = std::max(info.nMax, info.nMin);
  if (info.fMask & SIF_PAGE) pageSize_ = static_cast<int32_t>(std::min<uint32_t>(info.nPage, INT32_MAX));
  if (info.fMask & SIF_POS) position_ = info.nPos;
  disableNoScroll_ = (info.fMask & SIF_DISABLENOSCROLL) != 0;
  position_ = std::clamp(position_, min_, std::max(min_, max_ - std::max(pageSize_ - 1, 0)));
  Apply();
}

void TScrollBar::GetScrollInfo(TScrollInfo& info) const {
  if (info.fMask & SIF_RANGE) info.nMin = min_, info.nMax = max_;
  if (info.fMask & SIF_PAGE) info.nPage = static_cast<uint32_t>(pageSize_);
  if (info.fMask & SIF_POS) info.nPos = position_;
  if (info.fMask & SIF_TRACKPOS) info.nTrackPos = trackPos_;
}

// The widget's range is the positions the thumb's start can take; its page step is the thumb's length.
void TScrollBar::Apply() {
  auto* bar = WidgetOf<QScrollBar>(*this);
  const bool blocked = bar->blockSignals(true);
  bar->setRange(min_, std::max(min_, max_ - std::max(pageSize_ - 1, 0)));
  bar->setPageStep(std::max(pageSize_, 1));
  bar->setSingleStep(std::max(smallChange_, 1));
  bar->setValue(position_);
  bar->blockSignals(blocked);
  trackPos_ = position_;
  const bool covered = pageSize_ > max_ - min_;
  bar->setEnabled(Enabled() && !(disableNoScroll_ && covered));
}

void TScrollBar::SetEnabled(bool value) {
  TWinControl::SetEnabled(value);
  Apply();
}

void TScrollBar::WndProc(TMessage& message) {
  switch (message.Msg) {
    case WM_GETDLGCODE:
      message.Result = DLGC_WANTARROWS;
      return;
    case CN_HSCROLL:
    case CN_VSCROLL:
      DoScroll(message);
      return;
    case WM_LBUTTONUP:
      TWinControl::WndProc(message);
      // Line and page clicks end when the button is released.
      if (scrolled_) {
        scrolled_ = false;
        Perform(kind_ == sbHorizontal ? CN_HSCROLL : CN_VSCROLL, SB_ENDSCROLL);
      }
      return;
    default:
      TWinControl::WndProc(message);
  }
}

void TScrollBar::DoScroll(TMessage& message) {
  const auto code = static_cast<TScrollCode>(LOWORD(message.WParam));
  int32_t position = position_;
  switch (code) {
    case scLineUp:
      position -= smallChange_;
      break;
    case scLineDown:
      position += smallChange_;
      break;
    case scPageUp:
      position -= largeChange_;
      break;
    case scPageDown:
      position += largeChange_;
      break;
    case scPosition:
    case scTrack:
      position = trackPos_;
      break;
    case scTop:
      position = min_;
      break;
    case scBottom:
      position = max_;
      break;
    default:
      break;
  }
  position = std::clamp(position, min_, std::max(min_, max_ - std::max(pageSize_ - 1, 0)));
  Scroll(code, position);
  SetPosition(position);
}

void TScrollBar::Scroll(TScrollCode code, int32_t& position) {
  if (OnScroll) OnScroll(this, code, position);
}

void TScrollBar::Change() {
  if (OnChange) OnChange(this);
}

}  // namespace pf
