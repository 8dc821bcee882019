// Progress bars, page controls and tab sheets.
#include <QFrame>
#include <QProgressBar>
#include <QTabBar>
#include <algorithm>

#include "platform/core/exceptions.h"
#include "platform/core/strings.h"
#include "platform/ui/comctrls.h"
#include "platform/ui/host_qt.h"

namespace pf {

// ---- TProgressBar

namespace {

std::unique_ptr<ControlHost> NewProgressHost() {
  EnsureUi();
  auto* bar = new THost<QProgressBar>();
  bar->setTextVisible(false);
  return MakeHost(bar, false, false, false);
}

}  // namespace

TProgressBar::TProgressBar(TComponent* owner) : TWinControl(owner, NewProgressHost()) {
  SetBounds(0, 0, 150, 16);
  Apply();
}

void TProgressBar::SetMin(int32_t value) {
  min_ = value;
  max_ = std::max(max_, min_);
  SetPosition(position_);
}

void TProgressBar::SetMax(int32_t value) {
  max_ = value;
  min_ = std::min(min_, max_);
  SetPosition(position_);
}

void TProgressBar::SetPosition(int32_t value) {
  position_ = std::clamp(value, min_, max_);
  Apply();
}

void TProgressBar::StepIt() {
  const int64_t next = int64_t{position_} + step_;
  SetPosition(next > max_ || next < min_ ? min_ : static_cast<int32_t>(next));
}

void TProgressBar::StepBy(int32_t delta) {
  SetPosition(static_cast<int32_t>(std::clamp<int64_t>(int64_t{position_} + delta, min_, max_)));
}

void TProgressBar::SetOrientation(TProgressBarOrientation value) {
  orientation_ = value;
  Apply();
}

// The bar shows a new value at once: long work that runs without the event loop still shows its progress.
void TProgressBar::Apply() {
  auto* bar = WidgetOf<QProgressBar>(*this);
  bar->setOrientation(orientation_ == pbHorizontal ? Qt::Horizontal : Qt::Vertical);
  bar->setRange(min_, max_);
  bar->setValue(position_);
  if (bar->isVisible()) bar->repaint();
}

// ---- TPageControl

namespace {

QTabBar* TabBarOf(const TPageControl& control) { return control.Host()->inner->findChild<QTabBar*>(); }
QFrame* PaneOf(const TPageControl& control) { return control.Host()->inner->findChild<QFrame*>(); }

std::unique_ptr<ControlHost> NewPageHost() {
  EnsureUi();
  auto* widget = new THost<QWidget>();
  auto* pane = new QFrame(widget);
  pane->setFrameShape(QFrame::StyledPanel);
  auto* tabs = new QTabBar(widget);
  tabs->setFocusPolicy(Qt::NoFocus);
  tabs->setDrawBase(false);
  return MakeHost(widget, false, true);
}

}  // namespace

TPageControl::TPageControl(TComponent* owner) : TWinControl(owner, NewPageHost()) {
  QTabBar* tabs = TabBarOf(*this);
  QObject::connect(tabs, &QTabBar::currentChanged, tabs, [this](int tab) {
    if (!updatingTabs_) Guarded([this, tab] { TabClicked(tab); });
  });
  SetColor(clBtnFace);
  SetTabStop(true);
  SetBounds(0, 0, 289, 193);
}

TPageControl::~TPageControl() {
  // The sheets go with their parent afterwards; they must not come back here then.
  for (TTabSheet* page : pages_) page->pageControl_ = nullptr;
  pages_.clear();
}

TTabSheet* TPageControl::Pages(int index) const {
  if (index < 0 || index >= PageCount()) throw EListError(Format("List index out of bounds (%d)", {index}));
  return pages_[static_cast<size_t>(index)];
}

int TPageControl::ActivePageIndex() const {
  auto it = std::find(pages_.begin(), pages_.end(), activePage_);
  return it == pages_.end() ? -1 : static_cast<int>(it - pages_.begin());
}

void TPageControl::SetActivePageIndex(int value) {
  SetActivePage(value >= 0 && value < PageCount() ? pages_[static_cast<size_t>(value)] : nullptr);
}

void TPageControl::SetActivePage(TTabSheet* page) {
  if (page != nullptr && page->pageControl_ != this) return;
  activePage_ = page;
  for (TTabSheet* p : pages_) p->SetVisible(p == page);
  UpdateTabs();
  Realign();
}

TRect TPageControl::DisplayRect() const {
  const TRect client = ClientRect();
  const int32_t tabs = TabBarOf(*this)->sizeHint().height();
  const int32_t frame = PaneOf(*this)->frameWidth();
  return {client.Left + frame, tabs + frame, std::max(client.Left + frame, client.Right - frame),
          std::max(tabs + frame, client.Bottom - frame)};
}

TTabSheet* TPageControl::FindNextPage(TTabSheet* current, bool goForward, bool checkTabVisible) const {
  return NextInCircle(pages_, current, goForward,
                      [checkTabVisible](const TTabSheet* page) { return !checkTabVisible || page->TabVisible(); });
}

void TPageControl::SelectNextPage(bool goForward) {
  TTabSheet* page = FindNextPage(activePage_, goForward, true);
  if (page == nullptr || page == activePage_) return;
  bool allow = true;
  if (OnChanging) OnChanging(this, allow);
  if (!allow) return;
  SetActivePage(page);
  if (OnChange) OnChange(this);
}

void TPageControl::TabClicked(int tabIndex) {
  TTabSheet* page = nullptr;
  for (TTabSheet* p : pages_)
    if (p->TabIndex() == tabIndex) page = p;
  if (page == nullptr || page == activePage_) return;
  bool allow = true;
  if (OnChanging) OnChanging(this, allow);
  if (!allow) {
    UpdateTabs();  // the tab goes back to the page that stays
    return;
  }
  SetActivePage(page);
  if (OnChange) OnChange(this);
}

void TPageControl::UpdateTabs() {
  QTabBar* tabs = TabBarOf(*this);
  updatingTabs_ = true;
  while (tabs->count() > 0) tabs->removeTab(0);
  for (TTabSheet* page : pages_)
    if (page->TabVisible()) tabs->addTab(ToQString(page->Caption()));
  tabs->setCurrentIndex(activePage_ != nullptr ? activePage_->TabIndex() : -1);
  updatingTabs_ = false;
}

void TPageControl::InsertPage(TTabSheet* page) {
  pages_.push_back(page);
  if (activePage_ == nullptr)
    SetActivePage(page);
  else
    page->SetVisible(false), UpdateTabs();
}

void TPageControl::RemovePage(TTabSheet* page) {
  auto it = std::find(pages_.begin(), pages_.end(), page);
  if (it == pages_.end()) return;
  const auto index = it - pages_.begin();
  pages_.erase(it);
  if (activePage_ == page) {
    TTabSheet* next =
        pages_.empty() ? nullptr : pages_[std::min<size_t>(static_cast<size_t>(index), pages_.size() - 1)];
    SetActivePage(next);
  } else {
    UpdateTabs();
  }
}

void TPageControl::AlignControls(TControl* control, TRect& rect) {
  QTabBar* tabs = TabBarOf(*this);
  const TRect client = ClientRect();
  const int32_t height = tabs->sizeHint().height();
  tabs->setGeometry(0, 0, client.Width(), height);
  QFrame* pane = PaneOf(*this);
  pane->setGeometry(0, height, client.Width(), std::max(0, client.Height() - height));
  pane->lower();
  const TRect display = DisplayRect();
  for (TTabSheet* page : pages_) page->SetBoundsRect(display);
  rect = display;
  TWinControl::AlignControls(control, rect);
}

void TPageControl::WndProc(TMessage& message) {
  switch (message.Msg) {
    case WM_GETDLGCODE:
      message.Result = DLGC_WANTARROWS;
      return;
    case WM_KEYDOWN:
      TWinControl::WndProc(message);
      if (message.WParam == VK_LEFT || message.WParam == VK_RIGHT) SelectNextPage(message.WParam == VK_RIGHT);
      return;
    case CM_DIALOGKEY:
      // Ctrl+Tab and Ctrl+Shift+Tab turn the pages.
      if (message.WParam == VK_TAB && (KeyDataToShiftState(message.LParam) & ssCtrl) != 0 && Focused()) {
        SelectNextPage((KeyDataToShiftState(message.LParam) & ssShift) == 0);
        message.Result = 1;
        return;
      }
      break;
    default:
      break;
  }
  TWinControl::WndProc(message);
}

// ---- TTabSheet

TTabSheet::TTabSheet(TComponent* owner) : TWinControl(owner) {
  SetColor(clBtnFace);
  SetVisible(false);
}

TTabSheet::~TTabSheet() {
  if (pageControl_ != nullptr) pageControl_->RemovePage(this);
}

void TTabSheet::SetPageControl(TPageControl* pageControl) {
  if (pageControl_ == pageControl) return;
  if (pageControl_ != nullptr) pageControl_->RemovePage(this);
  pageControl_ = pageControl;
  SetParent(pageControl);
  if (pageControl != nullptr) pageControl->InsertPage(this);
}

int TTabSheet::PageIndex() const {
  if (pageControl_ == nullptr) return -1;
  const auto& pages = pageControl_->pages_;
  return static_cast<int>(std::find(pages.begin(), pages.end(), this) - pages.begin());
}

void TTabSheet::SetPageIndex(int value) {
  if (pageControl_ == nullptr) return;
  auto& pages = pageControl_->pages_;
  value = std::clamp(value, 0, static_cast<int>(pages.size()) - 1);
  pages.erase(std::find(pages.begin(), pages.end(), this));
  pages.insert(pages.begin() + value, this);
  pageControl_->UpdateTabs();
}

void TTabSheet::SetTabVisible(bool value) {
  tabVisible_ = value;
  if (pageControl_ != nullptr) pageControl_->UpdateTabs();
}

int TTabSheet::TabIndex() const {
  if (pageControl_ == nullptr || !tabVisible_) return -1;
  int index = 0;
  for (TTabSheet* page : pageControl_->pages_) {
    if (page == this) return index;
    if (page->tabVisible_) ++index;
  }
  return -1;
}

void TTabSheet::TextChanged() {
  if (pageControl_ != nullptr) pageControl_->UpdateTabs();
}

}  // namespace pf
