// Controls: TControl (a rectangle in its parent, with colour, font, cursor, hint, mouse events and a message
// procedure), TWinControl (a control that holds children, takes the keyboard focus and is a stop of the tab chain),
// TCustomControl (a windowed control that paints itself on its canvas) and TGraphicControl (a control without
// focus that paints itself). Every control has a widget of its own behind it; Qt events reach a control only as the
// messages of messages.h, through its WindowProc and its message hooks, and every such entry is guarded: an
// exception goes to Application().HandleException and the event loop goes on.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/core/component.h"
#include "platform/graphics/canvas.h"
#include "platform/graphics/colors.h"
#include "platform/graphics/fonts.h"
#include "platform/graphics/geometry.h"
#include "platform/ui/messages.h"

namespace pf {

using TObject = TPersistent;

class TControl;
class TWinControl;
class TCustomForm;
class TPopupMenu;    // the menu module's pop-up menu (a TComponent)
struct ControlHost;  // the widget behind a control (private to the layer)

// Cursor shapes: the predefined ones and those registered by number for the page viewer.
using TCursor = int16_t;
constexpr TCursor crDefault = 0;
constexpr TCursor crNone = -1;
constexpr TCursor crArrow = -2;
constexpr TCursor crCross = -3;
constexpr TCursor crIBeam = -4;
constexpr TCursor crSizeNESW = -6;
constexpr TCursor crSizeNS = -7;
constexpr TCursor crSizeNWSE = -8;
constexpr TCursor crSizeWE = -9;
constexpr TCursor crUpArrow = -10;
constexpr TCursor crHourGlass = -11;
constexpr TCursor crDrag = -12;
constexpr TCursor crNoDrop = -13;
constexpr TCursor crHSplit = -14;
constexpr TCursor crVSplit = -15;
constexpr TCursor crMultiDrag = -16;
constexpr TCursor crSQLWait = -17;
constexpr TCursor crNo = -18;
constexpr TCursor crAppStart = -19;
constexpr TCursor crHelp = -20;
constexpr TCursor crHandPoint = -21;
constexpr TCursor crSizeAll = -22;
constexpr TCursor crLinkHand = 10101;   // the hand over links
constexpr TCursor crPanUpDown = 10103;  // panning, at rest
constexpr TCursor crPanUp = 10104;      // panning upwards
constexpr TCursor crPanDown = 10105;    // panning downwards

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
enum TAlignment { taLeftJustify, taRightJustify, taCenter };
// Window borders; panels and edits use bsNone and bsSingle.
enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
using TBorderStyle = TFormBorderStyle;

// Control style flags.
enum TControlStyleFlag : uint32_t {
  csAcceptsControls = 0x01,
  csCaptureMouse = 0x02,
  csClickEvents = 0x04,
  csOpaque = 0x08,  // paints every pixel: painting goes through a readable back buffer
  csDoubleClicks = 0x10,
};

using TNotifyEvent = std::function<void(TObject* Sender)>;
using TMouseEvent = std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y)>;
using TMouseMoveEvent = std::function<void(TObject* Sender, TShiftState Shift, int32_t X, int32_t Y)>;
// WheelDelta in 120ths of a notch, positive away from the user; MousePos in screen co-ordinates.
using TMouseWheelEvent =
    std::function<void(TObject* Sender, TShiftState Shift, int32_t WheelDelta, TPoint MousePos, bool& Handled)>;
// Key: a virtual-key code; a handler that sets it to 0 swallows the key.
using TKeyEvent = std::function<void(TObject* Sender, uint16_t& Key, TShiftState Shift)>;
// Key: the Latin-1 character; a handler that sets it to 0 swallows it.
using TKeyPressEvent = std::function<void(TObject* Sender, char& Key)>;
using TContextPopupEvent = std::function<void(TObject* Sender, TPoint MousePos, bool& Handled)>;

// Dragging one control onto another. dmAutomatic: a press of the left button starts dragging the control.
enum TDragMode { dmManual, dmAutomatic };
// What a drag does over the control asked: the pointer came onto it, left it (or the drag ends over it), moved on it.
enum TDragState { dsDragEnter, dsDragLeave, dsDragMove };
// Source: the control being dragged; X, Y: the pointer in Sender's client co-ordinates. Accept starts true.
using TDragOverEvent =
    std::function<void(TObject* Sender, TObject* Source, int32_t X, int32_t Y, TDragState State, bool& Accept)>;
using TDragDropEvent = std::function<void(TObject* Sender, TObject* Source, int32_t X, int32_t Y)>;

using TWndMethod = std::function<void(TMessage& Message)>;
// A message hook sees a message before the control's WindowProc; Previous runs the rest of the chain (older hooks,
// then WindowProc) and may be called before, after or instead of the hook's own work, or not at all.
using TMessageHook = std::function<void(TMessage& Message, const TWndMethod& Previous)>;

// Minimum and maximum size; 0 means no limit.
struct TSizeConstraints {
  int32_t MinWidth = 0;
  int32_t MinHeight = 0;
  int32_t MaxWidth = 0;
  int32_t MaxHeight = 0;
};

class TControl : public TComponent {
 public:
  explicit TControl(TComponent* owner);
  ~TControl() override;
  std::string ClassName() const override { return "TControl"; }

  // ---- Tree. Children of a windowed control are kept in z-order (bottom first).
  TWinControl* Parent() const { return parent_; }
  virtual void SetParent(TWinControl* parent);
  void BringToFront();
  void SendToBack();

  // ---- Bounds, in the parent's client co-ordinates. Width and height below 0 count as 0.
  int32_t Left() const { return left_; }
  int32_t Top() const { return top_; }
  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  void SetLeft(int32_t value) { SetBounds(value, top_, width_, height_); }
  void SetTop(int32_t value) { SetBounds(left_, value, width_, height_); }
  void SetWidth(int32_t value) { SetBounds(left_, top_, value, height_); }
  void SetHeight(int32_t value) { SetBounds(left_, top_, width_, value); }
  virtual void SetBounds(int32_t left, int32_t top, int32_t width, int32_t height);
  TRect BoundsRect() const { return {left_, top_, left_ + width_, top_ + height_}; }
  void SetBoundsRect(const TRect& r) { SetBounds(r.Left, r.Top, r.Width(), r.Height()); }
  // The client area, from (0, 0).
  virtual TRect ClientRect() const;
  int32_t ClientWidth() const { return ClientRect().Right; }
  int32_t ClientHeight() const { return ClientRect().Bottom; }
  void SetClientWidth(int32_t value);
  void SetClientHeight(int32_t value);
  // Screen position of the client area's (0, 0).
  TPoint ClientOrigin() const;
  TPoint ClientToScreen(const TPoint& point) const;
  TPoint ScreenToClient(const TPoint& point) const;
  TSizeConstraints Constraints() const { return constraints_; }
  virtual void SetConstraints(const TSizeConstraints& value);

  // ---- Alignment: alTop, alBottom, alLeft, alRight and alClient children are stacked in that order into the
  // parent's client area (see TWinControl::AlignControls).
  TAlign Align() const { return align_; }
  void SetAlign(TAlign value);

  // ---- State.
  bool Visible() const { return visible_; }
  virtual void SetVisible(bool value);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  // Visible, and every parent up to a shown form visible too.
  virtual bool Showing() const;
  bool Enabled() const { return enabled_; }
  virtual void SetEnabled(bool value);

  // ---- Look. Setting Color or Font clears ParentColor or ParentFont; with them set the control follows its
  // parent's values.
  TColor Color() const { return color_; }
  void SetColor(TColor value);
  bool ParentColor() const { return parentColor_; }
  void SetParentColor(bool value);
  TFont& Font() { return font_; }
  const TFont& Font() const { return font_; }
  bool ParentFont() const { return parentFont_; }
  void SetParentFont(bool value);
  TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor value);
  // Caption and Text are the same string (Latin-1).
  std::string Caption() const { return GetText(); }
  void SetCaption(const std::string& value) { SetText(value); }
  std::string Text() const { return GetText(); }
  virtual std::string GetText() const { return text_; }
  virtual void SetText(const std::string& value);

  // ---- Hints: "short|long"; the tool tip shows the short part while ShowHint holds, the application hint the long
  // part (see TApplication::Hint).
  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& value);
  bool ShowHint() const { return showHint_; }
  void SetShowHint(bool value);
  bool ParentShowHint() const { return parentShowHint_; }
  void SetParentShowHint(bool value);

  // ---- Pop-up menu slot: a right click shows it through the handler that the menu module installs.
  TPopupMenu* PopupMenu() const { return popupMenu_; }
  template <class Menu>
  void SetPopupMenu(Menu* menu) {
    SetPopupMenuSlot(menu, menu);
  }
  void SetPopupMenu(std::nullptr_t) { SetPopupMenuSlot(nullptr, nullptr); }
  void SetPopupMenuSlot(TPopupMenu* menu, TComponent* asComponent);

  // ---- Painting. Invalidate marks for a later paint; Update paints what is marked now; Repaint does both.
  virtual void Invalidate();
  void InvalidateRect(const TRect& r);
  virtual void Update();
  void Repaint();
  void Refresh() { Repaint(); }

  // ---- Messages. Perform sends a message through the hooks and WindowProc synchronously and answers its Result.
  TWndMethod WindowProc;
  LRESULT Perform(uint32_t msg, WPARAM wParam = 0, LPARAM lParam = 0);
  LRESULT Perform(TMessage& message);
  using THookHandle = uint64_t;
  // The newest hook sees messages first.
  THookHandle AddMessageHook(TMessageHook hook);
  void RemoveMessageHook(THookHandle handle);

  // ---- Mouse.
  virtual void Click();
  virtual void DblClick();
  uint32_t ControlStyle() const { return controlStyle_; }
  void SetControlStyle(uint32_t value) { controlStyle_ = value; }

  // ---- Dragging. While a control is dragged the mouse belongs to the drag: the control under the pointer is asked
  // through DragOver whether it takes the source (the cursor shows its answer), and the release of the left button
  // drops the source there when it does; the drag ends with the release in any case.
  TDragMode DragMode() const { return dragMode_; }
  void SetDragMode(TDragMode value) { dragMode_ = value; }
  // Starts dragging this control: at once, or (immediate false) once the pointer moves threshold pixels (-1: 5) from
  // where it is now, so that a click that does not move stays a click. Nothing while another drag runs.
  void BeginDrag(bool immediate, int32_t threshold = -1);
  // True from BeginDrag to the end of the drag.
  bool Dragging() const;

  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TMouseEvent OnMouseDown;
  TMouseMoveEvent OnMouseMove;
  TMouseEvent OnMouseUp;
  TMouseWheelEvent OnMouseWheel;
  TNotifyEvent OnResize;
  TContextPopupEvent OnContextPopup;
  TDragOverEvent OnDragOver;
  TDragDropEvent OnDragDrop;

  // For the implementation.
  ControlHost* Host() const { return host_.get(); }

 protected:
  // Standard controls hand over the widget of their kind; the plain constructor makes a generic one.
  TControl(TComponent* owner, std::unique_ptr<ControlHost> host);

  // The control's own message procedure: runs the handlers below and passes what they leave to DefaultHandler.
  virtual void WndProc(TMessage& message);
  // What the widget does itself with a message that came from one of its events; the layer's defaults otherwise.
  virtual void DefaultHandler(TMessage& message);

  virtual void MouseDown(TMouseButton button, TShiftState shift, int32_t x, int32_t y);
  virtual void MouseMove(TShiftState shift, int32_t x, int32_t y);
  virtual void MouseUp(TMouseButton button, TShiftState shift, int32_t x, int32_t y);
  // True when the wheel movement was used.
  virtual bool DoMouseWheel(TShiftState shift, int32_t wheelDelta, TPoint mousePos);
  virtual void Resize();
  // A drag over the control: accept starts true when OnDragOver is set (which then decides), false otherwise.
  virtual void DragOver(TObject* source, int32_t x, int32_t y, TDragState state, bool& accept);
  // The source was dropped on the control.
  virtual void DragDrop(TObject* source, int32_t x, int32_t y);
  virtual void TextChanged() {}
  virtual void ColorChanged();
  virtual void FontChanged();
  virtual void VisibleChanged();
  // The area that alignment of this control's children fills.
  virtual void AdjustClientRect(TRect& rect) const {}
  // The parent rearranges its aligned children after this control changed (this one first among equals).
  void RequestAlign();
  void Notification(TComponent* component, TOperation operation) override;
  // Applies the bounds to the widget.
  virtual void UpdateGeometry();
  // The canvas that WM_ERASEBKGND and WM_PAINT draw on (controls that paint themselves).
  virtual TCanvas* PaintCanvas() { return nullptr; }
  // What a control that paints itself does with them: WM_ERASEBKGND fills the area with Color when erase, WM_PAINT
  // runs Paint. False for any other message.
  bool PaintMessage(TMessage& message, bool erase);
  virtual void Paint() {}

  uint32_t controlStyle_ = csCaptureMouse | csClickEvents | csDoubleClicks;

 private:
  friend class TWinControl;
  friend class TCustomForm;
  friend struct ControlAccess;
  void InheritParentLook();
  void WheelMessage(TMessage& message);
  void MouseMessage(TMessage& message);

  std::unique_ptr<ControlHost> host_;
  TWinControl* parent_ = nullptr;
  int32_t left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  TSizeConstraints constraints_;
  TAlign align_ = alNone;
  bool visible_ = true;
  bool enabled_ = true;
  TColor color_ = clWindow;
  bool parentColor_ = true;
  TFont font_;
  // The font and colour the widget was last given: an assignment that changes neither (parents hand their font
  // down on every change and insertion) leaves the widget and its children as they are.
  TFontDesc shownFont_;
  TColor shownFontColor_ = clNone;
  bool parentFont_ = true;
  bool applyingParentFont_ = false;
  TCursor cursor_ = crDefault;
  TDragMode dragMode_ = dmManual;
  std::string text_;
  std::string hint_;
  bool showHint_ = false;
  bool parentShowHint_ = true;
  TPopupMenu* popupMenu_ = nullptr;
  TComponent* popupMenuComponent_ = nullptr;
  bool mouseDownInside_ = false;
  struct Hook {
    THookHandle handle;
    TMessageHook hook;
  };
  std::vector<Hook> hooks_;
  THookHandle nextHook_ = 0;
};

class TWinControl : public TControl {
 public:
  explicit TWinControl(TComponent* owner);
  // Sends WM_DESTROY, then frees the children (they go with their parent, as their owner would free them).
  ~TWinControl() override;
  std::string ClassName() const override { return "TWinControl"; }

  int ControlCount() const { return static_cast<int>(controls_.size()); }
  TControl* Controls(int index) const;  // EListError when out of range
  bool ContainsControl(const TControl* control) const;
  // The topmost visible child whose bounds hold pos (client co-ordinates); disabled ones only with allowDisabled.
  TControl* ControlAtPos(const TPoint& pos, bool allowDisabled, bool allowWinControls = true) const;

  // The widget exists for the whole life of the control.
  bool HandleAllocated() const { return Host() != nullptr; }

  // ---- Focus.
  bool Focused() const;
  // Enabled and showing, with every parent enabled and showing.
  virtual bool CanFocus() const;
  // EInvalidOperation "Cannot focus a disabled or invisible window" when it cannot.
  virtual void SetFocus();
  bool TabStop() const { return tabStop_; }
  void SetTabStop(bool value);
  // The index among the parent's windowed children in tab order; -1 without a parent. Setting a value moves the
  // control there (clamped to the list) and re-chains the widgets' tab chain of the form.
  int TabOrder() const;
  void SetTabOrder(int value);
  // Every windowed control below this one, depth first, each parent before its children, in tab order.
  void GetTabOrderList(std::vector<TWinControl*>& list) const;
  // The next (or previous) control after current in the tab order list that can take the focus (and is a tab stop
  // with checkTabStop; a direct child with checkParent); wraps around; nullptr when none.
  TWinControl* FindNextControl(TWinControl* current, bool goForward, bool checkTabStop, bool checkParent) const;
  void SelectNext(TWinControl* current, bool goForward, bool checkTabStop);

  // ---- Alignment.
  void DisableAlign() { ++alignDisabled_; }
  void EnableAlign();
  void Realign();

  // Moves the contents and the children by (dx, dy); the uncovered strip is invalidated.
  void ScrollBy(int32_t dx, int32_t dy);

  // ---- Timers with caller-chosen ids, delivered as WM_TIMER (WParam = id). Setting an id again restarts it.
  void SetTimer(uintptr_t id, uint32_t milliseconds);
  void KillTimer(uintptr_t id);

  TNotifyEvent OnEnter;
  TNotifyEvent OnExit;
  TKeyEvent OnKeyDown;
  TKeyPressEvent OnKeyPress;
  TKeyEvent OnKeyUp;

 protected:
  TWinControl(TComponent* owner, std::unique_ptr<ControlHost> host);
  void WndProc(TMessage& message) override;
  // Places the aligned children into rect (the client rectangle after AdjustClientRect); control is the one whose
  // change asked for it (placed first among equals), or nullptr.
  virtual void AlignControls(TControl* control, TRect& rect);
  // The form's KeyPreview, then the control's own handler; true when the key was swallowed.
  bool DoKeyDown(uint16_t& key, TShiftState shift);
  bool DoKeyUp(uint16_t& key, TShiftState shift);
  bool DoKeyPress(char& key);
  virtual void KeyDown(uint16_t& key, TShiftState shift);
  virtual void KeyUp(uint16_t& key, TShiftState shift);
  virtual void KeyPress(char& key);
  virtual void DoEnter();
  virtual void DoExit();
  void ColorChanged() override;
  void FontChanged() override;
  void UpdateFocusPolicy();

 private:
  friend class TControl;
  friend struct ControlAccess;
  void InsertControl(TControl* control);
  void RemoveControl(TControl* control);
  void AlignChildren(TControl* control);
  // The widgets' own tab chain follows the window's tab order: ChainTab puts the child at index of the tab order
  // (with the controls below it) into place after what precedes it, at the cost of its own controls, so that
  // building a window of many controls stays linear; RechainTabs chains the whole window.
  void ChainTab(size_t index);
  void RechainTabs();

  // Children mostly come at the end and leave from either end, which a deque takes at once.
  std::deque<TControl*> controls_;    // z-order
  std::deque<TWinControl*> tabList_;  // tab order of the windowed children
  bool tabStop_ = false;
  int alignDisabled_ = 0;
  bool alignPending_ = false;
  bool aligning_ = false;
  bool closing_ = false;  // the destructor runs: children leave without realigning
};

// A windowed control that paints itself: Paint (and OnPaint) runs with Canvas on the widget, clipped to the area to
// paint, after the background was erased with Color (WM_ERASEBKGND; answer 1 without erasing to keep it).
class TCustomControl : public TWinControl {
 public:
  explicit TCustomControl(TComponent* owner);
  ~TCustomControl() override;
  std::string ClassName() const override { return "TCustomControl"; }
  // The canvas draws only while the control paints.
  TCanvas& Canvas() { return *canvas_; }
  TNotifyEvent OnPaint;

 protected:
  TCustomControl(TComponent* owner, std::unique_ptr<ControlHost> host);
  void WndProc(TMessage& message) override;
  TCanvas* PaintCanvas() override { return canvas_.get(); }
  void Paint() override;

 private:
  std::unique_ptr<TCanvas> canvas_;
};

// A control without a window of its own in the classic framework: it never takes the focus and has no tab stop.
class TGraphicControl : public TControl {
 public:
  explicit TGraphicControl(TComponent* owner);
  ~TGraphicControl() override;
  std::string ClassName() const override { return "TGraphicControl"; }
  TCanvas& Canvas() { return *canvas_; }
  TNotifyEvent OnPaint;

 protected:
  TGraphicControl(TComponent* owner, std::unique_ptr<ControlHost> host);
  void WndProc(TMessage& message) override;
  TCanvas* PaintCanvas() override { return canvas_.get(); }
  void Paint() override;

 private:
  std::unique_ptr<TCanvas> canvas_;
};

// The canvas of a WM_ERASEBKGND or WM_PAINT message (nullptr for other messages).
TCanvas* MessageCanvas(const TMessage& message);

// Sends a message later (call it on the GUI thread): delivered after the current handler has returned, in posting
// order, also inside nested loops (modal forms, ProcessMessages); dropped, payload and all, when the control is
// destroyed first. False for a null control.
bool PostMessage(TControl* control, uint32_t msg, WPARAM wParam = 0, LPARAM lParam = 0, std::any payload = {});
inline LRESULT SendMessage(TControl* control, uint32_t msg, WPARAM wParam = 0, LPARAM lParam = 0) {
  return control != nullptr ? control->Perform(msg, wParam, lParam) : 0;
}

// The form that holds the control (nullptr when it has none).
TCustomForm* GetParentForm(const TControl* control);
// The control under a screen point (the innermost one; disabled ones only with allowDisabled), nullptr when none.
TControl* FindDragTarget(const TPoint& screenPos, bool allowDisabled);
// The mouse position in screen co-ordinates.
TPoint GetCursorPos();
// High bit set (the value is negative) while the key or mouse button is down; low bit set while the lock key (Caps,
// Num, Scroll Lock, Insert) is toggled on.
int16_t GetKeyState(int virtualKey);
int GetSystemMetrics(int index);
// Lines to scroll per wheel notch.
int WheelScrollLines();

// The short part of a hint (before "|") and the long part (after it; the whole hint when it has no "|").
std::string GetShortHint(const std::string& hint);
std::string GetLongHint(const std::string& hint);

// Shows a control's pop-up menu at a screen point; installed by the menu module. True when a menu was shown.
using TPopupMenuHandler = std::function<bool(TPopupMenu& menu, TControl& control, const TPoint& screenPos)>;
void SetPopupMenuHandler(TPopupMenuHandler handler);

}  // namespace pf
