// The float bookkeeping of one layout pass: the left and right edges that floating pictures, panels and blocks
// take from the boxes beside them, and the levels at which cleared blocks start.
#pragma once

#include <cstdint>
#include <memory>

#include "viewer/viewer_shared.h"

namespace viewer {

// One float edge. X is relative to the manager's left edge for both sides.
struct IndentRec {
  static constexpr int32_t kOpenBottom = 9999999;  // until the float's height is known
  int32_t X = 0;
  int32_t YT = 0;                 // the first y the edge covers
  int32_t YB = kOpenBottom;       // the first y below it
  const TBlock* Owner = nullptr;  // the block whose own edge this is; nullptr for a float that holds for all below
};

class IndentManagerBasic {
 public:
  IndentManagerBasic() = default;
  virtual ~IndentManagerBasic() = default;
  IndentManagerBasic(const IndentManagerBasic&) = delete;
  IndentManagerBasic& operator=(const IndentManagerBasic&) = delete;

  TFreeList<IndentRec> L;  // left edges
  TFreeList<IndentRec> R;  // right edges
  const TBlock* CurrentOwner = nullptr;
  int32_t LfEdge = 0;
  int32_t RtEdge = 0;

  // Frees every record; CurrentOwner := nullptr.
  void Clear();
  void SetEdges(int32_t left, int32_t right);
  // The left and right edges at y: the innermost record of each side that covers y and is general or the current
  // owner's; LfEdge and RtEdge when none does.
  int32_t LeftEdgeAt(int32_t y) const;
  int32_t RightEdgeAt(int32_t y) const;
  // The lowest bottom of the floats (0 when none).
  int32_t LowestFloatBottom() const;
  // The y at which a block that clears the left or the right floats starts: 1 + the lowest bottom of that side's
  // floats, 0 when there are none.
  void GetClearLevels(int32_t& leftLevel, int32_t& rightLevel) const;
  // The room that a box starting at y leaves above itself to pass the floats it clears (clear: 1 left, 2 right,
  // 3 both, else none).
  int32_t ClearSpace(uint8_t clear, int32_t y) const;
  // The nearest float bottom below y (the smallest bottom greater than y); y itself when there is none.
  int32_t NextFloatEnd(int32_t y) const;
  // A record at x (relative to LfEdge) from yt down, owned by CurrentOwner; returns its index. The caller sets YB
  // once the height is known.
  int AddLeftRec(int32_t x, int32_t yt);
  int AddRightRec(int32_t x, int32_t yt);
  void DeleteLeftRec(int index) { L.Delete(index); }
  void DeleteRightRec(int index) { R.Delete(index); }

 protected:
  // A float record {x, yt, yb} that holds for everything below.
  void AddFloat(TFreeList<IndentRec>& side, int32_t x, int32_t yt, int32_t yb);
};

class IndentManager : public IndentManagerBasic {
 public:
  enum : uint8_t { kFloatLeft = 5, kFloatRight = 6 };
  // A picture or panel floating left or right at y: its edge record, and its Indent (x relative to LfEdge, inside
  // its horizontal spaces). Other alignments add nothing.
  void AddImageFloat(int32_t y, TFloatingObj& object);
  // A floating block from y down, height high. Left (align 5): extent is the x where the block ends; right (6):
  // extent is the block's width.
  void AddBlockFloat(int32_t y, int32_t extent, uint8_t align, int32_t height);
};

}  // namespace viewer
