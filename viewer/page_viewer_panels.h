// The page viewer's child windows: the paint panel that draws its document and the vertical bar with a 32-bit
// range.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/ui/controls.h"
#include "platform/ui/extctrls.h"
#include "platform/ui/messages.h"
#include "platform/ui/stdctrls.h"

namespace viewer {

class TPageViewer;

// The drawing surface: paints the background and the document of its viewer; a double click goes to the viewer.
class TPaintPanel : public pf::TCustomPanel {
 public:
  TPaintPanel(pf::TComponent* owner, TPageViewer* viewer);
  std::string ClassName() const override { return "TPaintPanel"; }
  TPageViewer* Viewer;

 protected:
  void WndProc(pf::TMessage& message) override;
  void Paint() override;

 private:
  bool painting_ = false;
};

// The vertical bar with a range of 32 bits: it keeps its position, range and page itself and gives them to the
// window system only when they change.
class T32ScrollBar : public pf::TScrollBar {
 public:
  explicit T32ScrollBar(pf::TComponent* owner);
  std::string ClassName() const override { return "T32ScrollBar"; }
  int32_t Position32() const { return position_; }
  int32_t Min32() const { return min_; }
  int32_t Max32() const { return max_; }
  int32_t Page32() const { return page_; }
  // Raises the bar's change notification when the position changed.
  void SetPosition32(int32_t value);
  void SetMin32(int32_t value);
  void SetMax32(int32_t value);
  void SetPage32(int32_t value);
  // A change of the bar's look after a change of the viewer's options.
  void SetDisableNoScroll(bool value);
  // The user's scroll actions (scroll code, track position).
  std::function<void(uint32_t code, int32_t trackPos)> OnVScroll;

 protected:
  void WndProc(pf::TMessage& message) override;

 private:
  void Apply();
  int32_t position_ = 0, min_ = 0, max_ = 0, page_ = 0;
  bool disableNoScroll_ = false;
  pf::TScrollInfo applied_;
};

}  // namespace viewer
