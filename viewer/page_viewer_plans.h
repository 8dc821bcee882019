// The page viewer's plans, pure for the layout cycle and its tests: where the scroll bars and the paint panel go,
// and the steps of automatic scrolling.
#pragma once

#include <cstdint>

#include "platform/ui/controls.h"
#include "platform/ui/stdctrls.h"

namespace viewer {

struct TScrollPlan {
  bool VBar = false, HBar = false;
  int32_t PanelLeft = 0, PanelTop = 0, PanelWidth = 0, PanelHeight = 0;
  int32_t MaxHorzExtent = 0;  // limited to kMaxHorzExtent
};
constexpr int32_t kMaxHorzExtent = 6000;
// The bars and the panel for a viewer of width x height with the given border (B 0 or 1), bar width, document
// height and widest line.
TScrollPlan PlanScrollBars(int32_t width, int32_t height, int32_t border, int32_t scrollWidth, int32_t docHeight,
                           int32_t maxHorzExtent, pf::TScrollStyle scrollBars, bool showVScroll);

// One step of automatic scrolling: the pixels to move and, while panning, the cursor to show (crDefault: keep).
struct TAutoScrollStep {
  int32_t Delta = 0;
  pf::TCursor Cursor = pf::crDefault;
};
// Panning: the pointer's y against the start y. Selecting: the pointer's y against the panel's height.
TAutoScrollStep PanningStep(int32_t y, int32_t panStartY);
TAutoScrollStep SelectingStep(int32_t y, int32_t panelHeight, int32_t smallChange);

}  // namespace viewer
