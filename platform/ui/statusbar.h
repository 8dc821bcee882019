// The status-bar common control: a bar along the bottom of a form divided into parts by their right edges, each
// with a text (or the program's own drawing) inside a one-pixel bevel, a simple mode with one part over the whole
// bar, and a size grip in the bottom-right corner of sizeable forms.
// Geometry: the bar is 20 pixels high; part i spans x from the previous part's right edge + 2 (0 for the first) to
// its own right edge (-1, or an edge beyond the bar: the bar's right end), y from 2 to the bottom; the bevel is the
// part rectangle's outermost pixel ring (lowered, raised with SBT_POPOUT, none with SBT_NOBORDERS), and text or the
// program's drawing goes into the rectangle inside it (the whole part rectangle without borders).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/ui/controls.h"

namespace pf {

// Flags of a part's text.
enum : uint32_t { SBT_NOBORDERS = 0x0100, SBT_POPOUT = 0x0200, SBT_OWNERDRAW = 0x1000 };
// The part of the simple mode.
constexpr int SB_SIMPLEID = 255;
constexpr int kMaxStatusBarParts = 256;
constexpr int32_t kStatusBarHeight = 20;

class TStatusBarControl : public TCustomControl {
 public:
  // Aligned to the bottom, 20 pixels high, clBtnFace, one part over the whole bar.
  explicit TStatusBarControl(TComponent* owner);
  std::string ClassName() const override { return "TStatusBarControl"; }

  // Parts by their right edges in client co-ordinates (-1: to the right end); the first 256 are taken, and an
  // empty list makes one part over the whole bar. Texts stay with their part numbers.
  void SetParts(const std::vector<int32_t>& rightEdges);
  const std::vector<int32_t>& Parts() const { return edges_; }
  int PartCount() const { return static_cast<int>(edges_.size()); }
  // A part's text and flags (SB_SIMPLEID: the simple mode's). One leading tab centres the text, two right-align
  // it. A part number that does not exist is ignored.
  void SetPartText(int part, const std::string& text, uint32_t flags = 0);
  std::string PartText(int part) const;
  uint32_t PartFlags(int part) const;
  // Simple mode shows only part SB_SIMPLEID over the whole bar; the parts keep their texts for later.
  bool Simple() const { return simple_; }
  void SetSimple(bool value);
  // A part's rectangle, bevel included (SB_SIMPLEID: the simple part's); empty for a part that does not exist.
  TRect PartRect(int part) const;
  // The rectangle inside a part's bevel, where its text or the program's drawing goes.
  TRect PartContentRect(int part) const;
  // The index of the part that holds a client point, -1 when none does (SB_SIMPLEID in simple mode).
  int PartAt(const TPoint& point) const;
  // The grip shows only while SizeGrip holds and the bar stands right on a form that can be resized by its frame
  // (not on a panel or another control inside one).
  bool SizeGrip() const { return sizeGrip_; }
  void SetSizeGrip(bool value);
  bool GripShown() const;

  // Paints a part that has SBT_OWNERDRAW into its content rectangle (the canvas is clipped to the part).
  std::function<void(TStatusBarControl& Sender, TCanvas& Canvas, int Part, const TRect& Rect)> OnDrawPart;

 protected:
  void Paint() override;
  void Resize() override;

 private:
  struct PartEntry {
    std::string text;
    uint32_t flags = 0;
  };
  const PartEntry* TextOf(int part) const;
  void PaintPart(int part);
  void PlaceGrip();

  std::vector<int32_t> edges_{-1};
  std::vector<PartEntry> texts_{PartEntry{}};
  PartEntry simpleText_;
  bool simple_ = false;
  bool sizeGrip_ = true;
};

}  // namespace pf
