#include "viewer/indent_manager.h"

#include <algorithm>

namespace viewer {

namespace {

bool Covers(const IndentRec& r, int32_t y) { return r.YT <= y && y < r.YB; }

// The largest bottom of the floats of one side, or none when there are none.
int32_t LowestBottom(const TFreeList<IndentRec>& side, int32_t none) {
  int32_t lowest = none;
  for (int i = 0; i < side.Count(); ++i)
    if (side[i]->Owner == nullptr) lowest = std::max(lowest, side[i]->YB);
  return lowest;
}

}  // namespace

void IndentManagerBasic::Clear() {
  L.Clear();
  R.Clear();
  CurrentOwner = nullptr;
}

void IndentManagerBasic::SetEdges(int32_t left, int32_t right) {
  LfEdge = left;
  RtEdge = right;
  CurrentOwner = nullptr;
}

int32_t IndentManagerBasic::LeftEdgeAt(int32_t y) const {
  int32_t x = -99999;
  for (int i = 0; i < L.Count(); ++i)
    if (Covers(*L[i], y) && (L[i]->Owner == nullptr || L[i]->Owner == CurrentOwner)) x = std::max(x, L[i]->X);
  return x == -99999 ? LfEdge : x + LfEdge;
}

int32_t IndentManagerBasic::RightEdgeAt(int32_t y) const {
  int32_t x = 99999;
  for (int i = 0; i < R.Count(); ++i)
    if (Covers(*R[i], y) && (R[i]->Owner == nullptr || R[i]->Owner == CurrentOwner)) x = std::min(x, R[i]->X);
  return x == 99999 ? RtEdge : x + LfEdge;
}

int32_t IndentManagerBasic::LowestFloatBottom() const { return std::max({0, LowestBottom(L, 0), LowestBottom(R, 0)}); }

void IndentManagerBasic::GetClearLevels(int32_t& leftLevel, int32_t& rightLevel) const {
  leftLevel = LowestBottom(L, -1) + 1;
  rightLevel = LowestBottom(R, -1) + 1;
}

int32_t IndentManagerBasic::ClearSpace(uint8_t clear, int32_t y) const {
  int32_t leftLevel = 0, rightLevel = 0;
  GetClearLevels(leftLevel, rightLevel);
  const int32_t left = std::max(0, leftLevel - y - 1), right = std::max(0, rightLevel - y - 1);
  switch (clear) {
    case 1:
      return left;
    case 2:
      return right;
    case 3:
      return std::max(left, right);
    default:
      return 0;
  }
}

int32_t IndentManagerBasic::NextFloatEnd(int32_t y) const {
  int32_t nearest = INT32_MAX;
  for (const auto* side : {&L, &R})
    for (int i = 0; i < side->Count(); ++i)
      if ((*side)[i]->Owner == nullptr && (*side)[i]->YB > y) nearest = std::min(nearest, (*side)[i]->YB);
  return nearest == INT32_MAX ? y : nearest;
}

int IndentManagerBasic::AddLeftRec(int32_t x, int32_t yt) {
  L.Add(std::make_unique<IndentRec>(IndentRec{x, yt, IndentRec::kOpenBottom, CurrentOwner}));
  return L.Count() - 1;
}

int IndentManagerBasic::AddRightRec(int32_t x, int32_t yt) {
  R.Add(std::make_unique<IndentRec>(IndentRec{x, yt, IndentRec::kOpenBottom, CurrentOwner}));
  return R.Count() - 1;
}

void IndentManagerBasic::AddFloat(TFreeList<IndentRec>& side, int32_t x, int32_t yt, int32_t yb) {
  side.Add(std::make_unique<IndentRec>(IndentRec{x, yt, yb, nullptr}));
}

// Right records hold their x relative to LfEdge like the left ones, so that a right float ends flush with the right
// edge of a box that does not start at 0.
void IndentManager::AddImageFloat(int32_t y, TFloatingObj& object) {
  const int32_t width = object.ObjWidth + object.HSpaceL + object.HSpaceR;
  const int32_t height = object.ObjHeight + object.VSpaceT + object.VSpaceB;
  if (object.Floating == kFloatLeft) {
    const int32_t x0 = LeftEdgeAt(y) - LfEdge;
    object.Indent = x0 + object.HSpaceL;
    AddFloat(L, x0 + width, y, y + height);
  } else if (object.Floating == kFloatRight) {
    const int32_t x = RightEdgeAt(y) - LfEdge - width;
    object.Indent = x + object.HSpaceL;
    AddFloat(R, x, y, y + height);
  }
}

void IndentManager::AddBlockFloat(int32_t y, int32_t extent, uint8_t align, int32_t height) {
  if (align == kFloatLeft)
    AddFloat(L, extent - LfEdge, y, y + height);
  else if (align == kFloatRight)
    AddFloat(R, RightEdgeAt(y) - LfEdge - extent, y, y + height);
}

}  // namespace viewer
