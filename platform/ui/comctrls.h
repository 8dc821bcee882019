// Progress bars and page controls with their tab sheets.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/ui/controls.h"

namespace pf {

enum TProgressBarOrientation { pbHorizontal, pbVertical };

// A bar that fills from Min to Position of Min..Max; it repaints when a value changes.
class TProgressBar : public TWinControl {
 public:
  explicit TProgressBar(TComponent* owner);
  std::string ClassName() const override { return "TProgressBar"; }
  int32_t Min() const { return min_; }
  void SetMin(int32_t value);
  int32_t Max() const { return max_; }
  void SetMax(int32_t value);
  int32_t Position() const { return position_; }
  // Clamped to Min..Max.
  void SetPosition(int32_t value);
  int32_t Step() const { return step_; }
  void SetStep(int32_t value) { step_ = value; }
  // Position + Step (or + delta), wrapping to Min past Max as the classic control does.
  void StepIt();
  void StepBy(int32_t delta);
  TProgressBarOrientation Orientation() const { return orientation_; }
  void SetOrientation(TProgressBarOrientation value);

 private:
  void Apply();
  int32_t min_ = 0;
  int32_t max_ = 100;
  int32_t position_ = 0;
  int32_t step_ = 10;
  TProgressBarOrientation orientation_ = pbHorizontal;
};

class TPageControl;

// One page of a page control: its Caption is the tab's text; it fills the page control's display area.
class TTabSheet : public TWinControl {
 public:
  explicit TTabSheet(TComponent* owner);
  ~TTabSheet() override;
  std::string ClassName() const override { return "TTabSheet"; }
  TPageControl* PageControl() const { return pageControl_; }
  // Makes the sheet a page of pageControl (its child), the last one.
  void SetPageControl(TPageControl* pageControl);
  // The index among the page control's pages; -1 without one.
  int PageIndex() const;
  void SetPageIndex(int value);
  bool TabVisible() const { return tabVisible_; }
  void SetTabVisible(bool value);
  // The index among the visible tabs; -1 when the tab is hidden.
  int TabIndex() const;

 protected:
  void TextChanged() override;

 private:
  friend class TPageControl;
  TPageControl* pageControl_ = nullptr;
  bool tabVisible_ = true;
};

// Tabs along the top and the active sheet below them. A click on a tab asks OnChanging (which may refuse), shows
// that sheet and raises OnChange; setting ActivePage does the same without the events.
class TPageControl : public TWinControl {
 public:
  explicit TPageControl(TComponent* owner);
  ~TPageControl() override;
  std::string ClassName() const override { return "TPageControl"; }
  int PageCount() const { return static_cast<int>(pages_.size()); }
  TTabSheet* Pages(int index) const;  // EListError when out of range
  TTabSheet* ActivePage() const { return activePage_; }
  void SetActivePage(TTabSheet* page);
  int ActivePageIndex() const;
  void SetActivePageIndex(int value);
  // The area below the tabs that the sheets fill, in client co-ordinates.
  TRect DisplayRect() const;
  // The next (or previous) sheet with a visible tab after current, wrapping; nullptr when there is none.
  TTabSheet* FindNextPage(TTabSheet* current, bool goForward, bool checkTabVisible) const;
  void SelectNextPage(bool goForward);

  TNotifyEvent OnChange;
  std::function<void(TObject* Sender, bool& AllowChange)> OnChanging;

 protected:
  void AlignControls(TControl* control, TRect& rect) override;
  void WndProc(TMessage& message) override;

 private:
  friend class TTabSheet;
  void InsertPage(TTabSheet* page);
  void RemovePage(TTabSheet* page);
  void UpdateTabs();
  void TabClicked(int tabIndex);
  std::vector<TTabSheet*> pages_;
  TTabSheet* activePage_ = nullptr;
  bool updatingTabs_ = false;
};

}  // namespace pf
