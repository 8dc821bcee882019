// The status bar: a status-bar control divided into one part per panel, every part drawn by its panel. A panel
// has a name, a text drawn with styled-text options, a background colour, a width in pixels ("N") or as a share
// of what the fixed panels leave ("N%"), and a style that decides what it shows: its text, a hosted control, a
// lock key's state, the date or time, a glyph, the caret position of a multi-line edit, the application's hint,
// or the user's or the computer's name. The bar keeps the timers those styles need running while such a panel
// exists, and one keyboard hook for all bars repaints the lock-key panels whenever a lock key goes down or up.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "components/sb_collection.h"
#include "components/sb_text.h"
#include "platform/core/datetime.h"
#include "platform/graphics/imagelist.h"
#include "platform/ui/statusbar.h"

namespace pf {
class TPopupMenu;
}

namespace components {

enum TsbStatusPanelBevel { pbNone, pbLowered, pbRaised };
enum TsbStatusPanelStyle {
  psTextOnly,
  psControl,
  psOverWrite,
  psCapsLock,
  psNumLock,
  psDateTime,
  psDate,
  psTime,
  psGlyph,
  psRichEditStatus,
  psHint,
  psUserName,
  psComputerName,
  psScrollLock,
  psHintContainerOnly,
};

// The bar's timers: date and time panels every second, hint panels and caret positions every 100 ms.
constexpr uintptr_t kDateTimeTimer = 200;
constexpr uintptr_t kHintTimer = 300;
constexpr uintptr_t kRichEditTimer = 400;
constexpr uint32_t kDateTimeInterval = 1000;
constexpr uint32_t kHintInterval = 100;
constexpr uint32_t kRichEditInterval = 100;
// The bar's timer that panels of a style need (0: none).
uintptr_t TimerOfStyle(TsbStatusPanelStyle style);
// Only the first panels become parts of the control.
constexpr int kMaxPanelParts = 128;
// Dates and times as the program shows them everywhere.
constexpr const char* kShortDateFormat = "dd.mm.yyyy";
constexpr const char* kLongTimeFormat = "hh:nn:ss";

class TsbCustomStatusBar;
class TsbStatusPanel;
class TsbStatusPanels;

// The class of a bar's panel collection: makes the collection for the bar.
using TsbStatusPanelsClass = std::unique_ptr<TsbStatusPanels> (*)(TsbCustomStatusBar* statusBar);
template <class Panels>
constexpr TsbStatusPanelsClass PanelsClassOf = [](TsbCustomStatusBar* statusBar) -> std::unique_ptr<TsbStatusPanels> {
  return std::make_unique<Panels>(statusBar);
};

using TsbDrawTextEvent = std::function<void(TsbStatusPanel* Panel, std::string& Text, bool& Enabled)>;
using TsbTextChangedEvent = std::function<void(pf::TObject* Sender, const std::string& Text)>;
using TsbDrawKeyboardStateEvent = std::function<void(TsbCustomStatusBar* StatusBar, TsbStatusPanel* StatusPanel,
                                                     bool KeyIsOn, const pf::TRect& Rect, std::string& AText)>;
using TsbDrawPanelEvent =
    std::function<void(TsbCustomStatusBar* StatusBar, TsbStatusPanel* Panel, const pf::TRect& Rect)>;

// The texts of the lock-key panels; a change repaints the bar.
class TsbStatusBarText : public pf::TPersistent {
 public:
  explicit TsbStatusBarText(TsbCustomStatusBar* statusBar) : statusBar_(statusBar) {}
  std::string ClassName() const override { return "TsbStatusBarText"; }
  void Assign(const pf::TPersistent& source) override;

  const std::string& CapsLock() const { return capsLock_; }
  void SetCapsLock(const std::string& value) { Change(capsLock_, value); }
  const std::string& Overwrite() const { return overwrite_; }
  void SetOverwrite(const std::string& value) { Change(overwrite_, value); }
  const std::string& NumLock() const { return numLock_; }
  void SetNumLock(const std::string& value) { Change(numLock_, value); }
  const std::string& ScrollLock() const { return scrollLock_; }
  void SetScrollLock(const std::string& value) { Change(scrollLock_, value); }

 private:
  void Change(std::string& field, const std::string& value);
  TsbCustomStatusBar* statusBar_;
  std::string capsLock_ = "Caps";
  std::string overwrite_ = "Overwrite";
  std::string numLock_ = "Num";
  std::string scrollLock_ = "Scroll";
};

class TsbStatusPanels : public TsbCollection {
 public:
  explicit TsbStatusPanels(TsbCustomStatusBar* statusBar);
  ~TsbStatusPanels() override;
  std::string ClassName() const override { return "TsbStatusPanels"; }
  TsbStatusPanel* Items(int index) const;  // EListError when out of range
  TsbStatusPanel* operator[](int index) const { return Items(index); }
  TsbStatusPanel* Add();
  TsbCustomStatusBar* StatusBar() const { return statusBar_; }

  // Repaints every panel of the style.
  virtual void RepaintStyle(TsbStatusPanelStyle style);

 protected:
  // Without an item every part is laid out again; with one, that part's text is sent and the part repainted.
  void Update(pf::TCollectionItem* item) override;

 private:
  TsbCustomStatusBar* statusBar_;
};

class TsbStatusPanel : public TsbCollectionItem {
 public:
  explicit TsbStatusPanel(pf::TCollection* collection);
  ~TsbStatusPanel() override;
  std::string ClassName() const override { return "TsbStatusPanel"; }

  // ---- Virtual operations in their slot order.
 protected:
  // To another panel: everything but Name and TextOptions, events included.
  void AssignTo(pf::TPersistent& dest) const override;

 public:
  std::string DisplayName() const override;
  // "Panel" and the smallest number from 0 up that no panel of the bar is named.
  virtual std::string GetDefaultName() const;
  virtual TsbCustomStatusBar* GetStatusBar() const;
  virtual bool IsWidthStored() const { return width_ != "0"; }
  // The part's text is sent again and the part repainted.
  virtual void Changed();
  // Forgets a hosted control or pop-up menu that goes.
  virtual void Notification(pf::TComponent* component, pf::TOperation operation);
  // Whether the text being drawn is enabled (asked by TextOptions).
  virtual bool GetDrawEnabled() const { return drawEnabled_; }

 protected:
  virtual void TextOptionsChanged() {}
  // Makes Text from the clock; true when it changed.
  virtual bool UpdateDateTimeText();

 public:
  // Draws the panel into rect of canvas.
  virtual void Paint(pf::TCanvas& canvas, const pf::TRect& rect);

 protected:
  virtual void PaintControl();
  virtual void PaintGlyph();
  virtual void PaintKeyboardState();
  virtual void PaintHint();
  virtual void PaintUserName();
  virtual void PaintComputerName();
  virtual void PaintRichEditStatus();
  virtual void PaintText(const std::string& text, bool enabled);

 public:
  // A point of the panel (from its part's top-left corner) on the screen.
  virtual pf::TPoint PanelToScreen(const pf::TPoint& point) const;
  // The part's rectangle in the bar (empty when the panel is no part).
  virtual pf::TRect GetPanelRect() const;
  // Draws the part again at once, unless a date or time panel still shows the current value.
  virtual void Repaint();

  // ---- Mouse, passed on by the bar for the panel under the cursor.
  virtual void Click();
  // OnDblClick; on a lock-key panel it then toggles the key (where the window layer can) and every bar shows it.
  virtual void DblClick();
  virtual void MouseDown(pf::TMouseButton button, pf::TShiftState shift, int32_t x, int32_t y);
  virtual void MouseMove(pf::TShiftState shift, int32_t x, int32_t y);
  virtual void MouseUp(pf::TMouseButton button, pf::TShiftState shift, int32_t x, int32_t y);

 protected:
  virtual void DoTextChanged(const std::string& text);

 public:
  // ---- Properties.
  TsbStatusPanelBevel Bevel() const { return bevel_; }
  void SetBevel(TsbStatusPanelBevel value);
  // The background (not painted behind a hosted control).
  pf::TColor Color() const { return color_; }
  void SetColor(pf::TColor value);
  // The hosted control, or the multi-line edit whose caret a psRichEditStatus panel shows. Setting one chooses
  // the style; a control is hosted by one panel of all bars at most. EInvalidOperation "Control cannot equal
  // parent StatusBar" for the panel's own bar.
  pf::TComponent* Component() const { return component_; }
  void SetComponent(pf::TComponent* value);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value);
  pf::TFont& Font() { return font_; }
  void SetFont(const pf::TFont& value);
  // The bar's hint while the mouse is over this panel.
  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& value);
  // The glyph of a psGlyph panel in the bar's Images.
  int32_t ImageIndex() const { return imageIndex_; }
  void SetImageIndex(int32_t value);
  // Added to the text's left edge.
  int32_t Indent() const { return indent_; }
  void SetIndent(int32_t value);
  // Inset of a hosted control, left offset of a glyph.
  int32_t Margin() const { return margin_; }
  void SetMargin(int32_t value);
  // Unique within the bar (without regard to case): EInvalidOperation "A panel named %s already exists.".
  const std::string& Name() const { return name_; }
  void SetName(const std::string& value);
  // The part's width from the last layout.
  int32_t PixelWidth() const { return pixelWidth_; }
  pf::TPopupMenu* PopupMenu() const { return popupMenu_; }
  void SetPopupMenu(pf::TPopupMenu* value);
  TsbStatusPanelStyle Style() const { return style_; }
  void SetStyle(TsbStatusPanelStyle value);
  // A changed text is stored, reported through OnTextChanged and painted at once.
  const std::string& Text() const { return text_; }
  void SetText(const std::string& value);
  TsbCaptionText& TextOptions() { return *textOptions_; }
  // "N" pixels or "N%" of what the fixed panels leave: EInvalidOperation "Width must be a valid, positive integer,
  // or must be an integer followed by a "%" sign." for anything else, and the width stays.
  const std::string& Width() const { return width_; }
  void SetWidth(const std::string& value);
  // The caret's line and column (from 0) of a psRichEditStatus panel.
  int32_t Line() const { return line_; }
  int32_t Column() const { return column_; }
  // The clock value that the shown date or time was made from.
  pf::TDateTime LastTimeValue() const { return lastTimeValue_; }

  pf::TNotifyEvent OnClick;
  pf::TNotifyEvent OnDblClick;
  TsbDrawTextEvent OnDrawText;
  pf::TMouseEvent OnMouseDown;
  pf::TMouseMoveEvent OnMouseMove;
  pf::TMouseEvent OnMouseUp;
  TsbTextChangedEvent OnTextChanged;

 private:
  friend class TsbCustomStatusBar;
  void SetPixelWidth(int32_t value) { pixelWidth_ = value; }
  // Another panel of the bar has the name (without regard to case).
  bool NameTaken(const std::string& name) const;
  // The control of a psControl panel (nullptr for other styles).
  pf::TControl* HostedControl() const;
  // Stores a changed value and repaints the part.
  template <class T>
  void Change(T& field, T value) {
    if (field == value) return;
    field = value;
    Changed();
  }
  // The caret position of the hosted edit; true when it moved.
  bool UpdateCaretPosition();
  // The part of the clock value that the panel's style shows.
  pf::TDateTime CurrentTimeValue(pf::TDateTime now) const;
  // "N" or "N%", N decimal digits that fit 32 bits: pixels (-1 for a share) and the share in per cent.
  static bool ParseWidth(std::string_view width, int32_t& pixels, int32_t& percent);

  TsbStatusPanelBevel bevel_ = pbLowered;
  pf::TColor color_ = pf::clBtnFace;
  pf::TComponent* component_ = nullptr;
  bool enabled_ = true;
  bool drawEnabled_ = true;
  bool painting_ = false;
  pf::TFont font_;
  std::string hint_;
  int32_t imageIndex_ = 0;
  int32_t indent_ = 0;
  int32_t margin_ = 0;
  std::string name_;
  int32_t pixelWidth_ = 50;
  pf::TPopupMenu* popupMenu_ = nullptr;
  TsbStatusPanelStyle style_ = psTextOnly;
  std::string text_;
  pf::TDateTime lastTimeValue_ = 0;
  std::unique_ptr<TsbCaptionText> textOptions_;
  std::string width_ = "50";
  int32_t line_ = 0;
  int32_t column_ = 0;
  pf::TCanvas* canvas_ = nullptr;
  pf::TRect rect_;
};

class TsbCustomStatusBar : public pf::TStatusBarControl {
 public:
  // Aligned to the bottom, 20 pixels high, clBtnFace, no panels, a size grip on sizeable forms.
  explicit TsbCustomStatusBar(pf::TComponent* owner);
  ~TsbCustomStatusBar() override;
  std::string ClassName() const override { return "TsbCustomStatusBar"; }

  void Loaded() override;
  // Nothing is marked while the bar is loading.
  void Invalidate() override;
  // The class of the panel collection: TsbStatusPanels.
  virtual TsbStatusPanelsClass GetPanelsClass() const;
  // Lays the parts out from the panels' pixel widths (the first 128 panels; the last part runs to the end).
  virtual void UpdatePanels();
  // The first panel whose part holds the client point; (-1, -1): the mouse cursor's position. nullptr for none.
  virtual TsbStatusPanel* GetPanelAt(int32_t x, int32_t y);
  // Paints a panel into its part's rectangle (the last panel leaves room for the size grip), then OnDrawPanel.
  virtual void DrawPanel(TsbStatusPanel* panel, const pf::TRect& rect);

  void Click() override;
  void DblClick() override;

  pf::TImageList* Images() const { return images_; }
  void SetImages(pf::TImageList* value);
  // Made from GetPanelsClass when first asked for (a derived bar's class is known only once the bar is made).
  TsbStatusPanels& Panels();
  // The number of panels, without making the collection.
  int PanelCount() const { return panels_ != nullptr ? panels_->Count() : 0; }
  bool SimplePanel() const { return Simple(); }
  void SetSimplePanel(bool value) { SetSimple(value); }
  std::string SimpleText() const { return PartText(pf::SB_SIMPLEID); }
  void SetSimpleText(const std::string& value) { SetPartText(pf::SB_SIMPLEID, value); }
  // True when the grip is wanted and the bar stands on a form that can be resized by its frame: the grip shows then.
  bool SizeGrip() const { return GripShown(); }
  void SetSizeGrip(bool value) { TStatusBarControl::SetSizeGrip(value); }
  TsbStatusBarText& StatusBarText() { return statusBarText_; }
  // A WM_SIZE is being handled.
  bool InResize() const { return inResize_; }
  // Whether one of the bar's timers runs.
  bool TimerActive(uintptr_t id) const { return timers_.count(id) != 0; }

  TsbDrawKeyboardStateEvent OnDrawKeyboardState;
  TsbDrawPanelEvent OnDrawPanel;

 protected:
  void Notification(pf::TComponent* component, pf::TOperation operation) override;
  void WndProc(pf::TMessage& message) override;
  // Computes the panels' pixel widths: fixed ones in order, then the shares of what they leave.
  void Resize() override;
  void MouseDown(pf::TMouseButton button, pf::TShiftState shift, int32_t x, int32_t y) override;
  void MouseMove(pf::TShiftState shift, int32_t x, int32_t y) override;
  void MouseUp(pf::TMouseButton button, pf::TShiftState shift, int32_t x, int32_t y) override;

 private:
  friend class TsbStatusPanel;
  friend class TsbStatusPanels;
  bool IsLoading() const { return (ComponentState() & pf::csLoading) != 0; }
  // Sends a panel's text and flags to its part; with repaint the part is drawn again.
  void SetPanelText(int index, bool repaint);
  // The control asks for a part: the panel draws it, unless the parts no longer match the panels.
  void DrawPart(pf::TCanvas& canvas, int part, const pf::TRect& rect);
  void Timer(uintptr_t id);
  void StartTimer(uintptr_t id, uint32_t milliseconds);
  void StopTimer(uintptr_t id);
  // Stops the timer that a panel leaving the style used, when no other panel needs it.
  void ReleaseTimerOf(TsbStatusPanelStyle style, const TsbStatusPanel* leaving);
  bool ContainerHasMouse() const;
  // The panel is the last and the bar shows a grip: the right edge moves left.
  pf::TRect TrimmedForGrip(const TsbStatusPanel* panel, pf::TRect rect) const;

  pf::TImageList* images_ = nullptr;
  std::unique_ptr<TsbStatusPanels> panels_;
  TsbStatusBarText statusBarText_;
  bool inResize_ = false;
  bool painting_ = false;
  pf::TSize lastSize_{0, 0};
  std::set<uintptr_t> timers_;
};

class TsbStatusBar : public TsbCustomStatusBar {
 public:
  using TsbCustomStatusBar::TsbCustomStatusBar;
  std::string ClassName() const override { return "TsbStatusBar"; }
};

// Every status bar that exists, in order of creation.
const std::vector<TsbCustomStatusBar*>& StatusBarList();
// The key whose state a lock-key panel shows (VK_INSERT, VK_CAPITAL, VK_NUMLOCK, VK_SCROLL); 0 for other styles.
int LockKeyOfStyle(TsbStatusPanelStyle style);
// The panels of style are drawn again in every bar (a lock key changed).
void RepaintStyleInEveryBar(TsbStatusPanelStyle style);

}  // namespace components
