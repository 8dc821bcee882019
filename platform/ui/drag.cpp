// Dragging a control onto another: one drag at a time, which takes the mouse from every control while it runs, asks
// the control under the pointer whether it accepts the source, shows the answer as the cursor and drops the source
// on release.
#include <QGuiApplication>
#include <QMouseEvent>
#include <cstdlib>

#include "platform/ui/host_qt.h"

namespace pf {

namespace {

constexpr int32_t kDragThreshold = 5;  // pixels the pointer moves before a drag that waits for it starts

struct DragRun {
  TControl* source = nullptr;  // nullptr: no drag
  bool started = false;        // false: waiting for the pointer to move past the threshold
  TPoint origin;               // where the pointer was when the drag was asked for (screen)
  int32_t threshold = kDragThreshold;
  TControl* target = nullptr;  // the control under the pointer that was asked last
  bool accepted = false;       // its answer
};

DragRun& Drag() {
  static DragRun run;
  return run;
}

bool Ask(TControl& target, const TPoint& screenPos, TDragState state) {
  bool accept = false;
  const TPoint p = target.ScreenToClient(screenPos);
  ControlAccess::DragOver(target, Drag().source, p.X, p.Y, state, accept);
  return accept;
}

void ShowAnswer() {
  if (Drag().started) QGuiApplication::changeOverrideCursor(ToQCursor(Drag().accepted ? crDrag : crNoDrop));
}

// The pointer is at screenPos: the control there is asked (after the one it left), each handler may end the drag.
void DragTo(const TPoint& screenPos) {
  DragRun& d = Drag();
  TControl* target = FindDragTarget(screenPos, false);
  if (target != d.target) {
    TControl* left = d.target;
    d.target = nullptr;
    d.accepted = false;
    if (left != nullptr) Ask(*left, screenPos, dsDragLeave);
    if (d.source == nullptr) return;
    d.target = target = FindDragTarget(screenPos, false);
    if (target != nullptr) {
      const bool accepted = Ask(*target, screenPos, dsDragEnter);
      if (d.target == target) d.accepted = accepted;
    }
  } else if (target != nullptr) {
    const bool accepted = Ask(*target, screenPos, dsDragMove);
    if (d.target == target) d.accepted = accepted;
  }
  ShowAnswer();
}

void Activate(const TPoint& screenPos) {
  Drag().started = true;
  QGuiApplication::setOverrideCursor(ToQCursor(crNoDrop));
  DragTo(screenPos);
}

// The drag being ended: its controls while the target hears the end (nullptr once one of them goes).
DragRun*& Ending() {
  static DragRun* ending = nullptr;
  return ending;
}

// The release ends the drag; the target it ends over hears it leave and, when it accepted, gets the source dropped
// on it. The drag is over before they hear it: their handlers have the mouse (a dialog they show takes clicks).
void Drop(const TPoint& screenPos) {
  if (FindDragTarget(screenPos, false) != Drag().target) DragTo(screenPos);
  DragRun ended = Drag();
  Drag() = DragRun();
  if (ended.started) QGuiApplication::restoreOverrideCursor();
  if (ended.source == nullptr || ended.target == nullptr) return;
  Ending() = &ended;
  struct Done {
    ~Done() { Ending() = nullptr; }
  } done;
  const TPoint p = ended.target->ScreenToClient(screenPos);
  bool ignored = false;
  ControlAccess::DragOver(*ended.target, ended.source, p.X, p.Y, dsDragLeave, ignored);
  if (ended.accepted && ended.source != nullptr && ended.target != nullptr)
    ControlAccess::DragDrop(*ended.target, ended.source, p.X, p.Y);
}

}  // namespace

void StartDrag(TControl& source, bool immediate, int32_t threshold, const TPoint& screenPos) {
  DragRun& d = Drag();
  if (d.source != nullptr) return;
  d.source = &source;
  d.origin = screenPos;
  d.threshold = threshold < 0 ? kDragThreshold : threshold;
  if (immediate) Activate(screenPos);
}

bool DragMouseEvent(QMouseEvent* event) {
  DragRun& d = Drag();
  if (d.source == nullptr) return false;
  const TPoint screenPos = ToPoint(event->globalPosition().toPoint());
  const bool leftUp = event->type() == QEvent::MouseButtonRelease && event->button() == Qt::LeftButton;
  if (!d.started) {
    // Until the pointer moves far enough the control has its mouse as usual; a release there ends the wait.
    const bool far =
        std::abs(screenPos.X - d.origin.X) >= d.threshold || std::abs(screenPos.Y - d.origin.Y) >= d.threshold;
    if (event->type() == QEvent::MouseMove && far) {
      Activate(screenPos);
      event->accept();
      return true;
    }
    if (leftUp) d = DragRun();
    return false;
  }
  if (event->type() == QEvent::MouseMove)
    DragTo(screenPos);
  else if (leftUp)
    Drop(screenPos);
  event->accept();
  return true;
}

void ForgetDragControl(const TControl* control) {
  if (DragRun* ending = Ending()) {
    if (ending->source == control) ending->source = nullptr;
    if (ending->target == control) ending->target = nullptr;
  }
  DragRun& d = Drag();
  if (d.source == nullptr) return;
  if (d.source == control) {
    if (d.started) QGuiApplication::restoreOverrideCursor();
    d = DragRun();
  } else if (d.target == control) {
    d.target = nullptr;
    d.accepted = false;
    ShowAnswer();
  }
}

// ---- TControl

void TControl::BeginDrag(bool immediate, int32_t threshold) {
  EnsureUi();
  StartDrag(*this, immediate, threshold, GetCursorPos());
}

bool TControl::Dragging() const { return Drag().source == this; }

void TControl::DragOver(TObject* source, int32_t x, int32_t y, TDragState state, bool& accept) {
  accept = static_cast<bool>(OnDragOver);
  if (OnDragOver) OnDragOver(this, source, x, y, state, accept);
}

void TControl::DragDrop(TObject* source, int32_t x, int32_t y) {
  if (OnDragDrop) OnDragDrop(this, source, x, y);
}

}  // namespace pf
