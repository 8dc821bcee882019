// Three small document objects: a forced page break for printing, the horizontal rule, and the text section of
// preformatted text.
#pragma once

#include <cstdint>
#include <memory>

#include "viewer/text_sections.h"

namespace viewer {

// A forced page break.
class TPage : public TSectionBase {
 public:
  using TSectionBase::TSectionBase;
  std::unique_ptr<TSectionBase> CreateClone(TSectionList* ownerList) const override;
  int32_t Paint(pf::TCanvas& canvas, const pf::TRect& clip, IndentManager& indents, int32_t x, int32_t xRef,
                int32_t yRef) override;
};

// The HR rule.
class THorzLine : public TSectionBase {
 public:
  static constexpr int32_t kDefaultSize = 2, kMaxSize = 20;
  // SIZE, ALIGN, NOSHADE, WIDTH and COLOR; the style's text-align sets the alignment too.
  THorzLine(TSectionList* masterList, const TAttributeList& attributes, TProperties& prop);
  THorzLine(TSectionList* masterList, const THorzLine& source);

  int32_t VSize = kDefaultSize;  // thickness in pixels
  uint8_t Align = 2;             // 1 left, 2 center, 3 right
  bool NoShade = false;
  int32_t Width = 100;  // pixels, or percent (of the room) with WidthPercent
  bool WidthPercent = true;
  pf::TColor Color = pf::clNone;  // none: drawn in 3D
  int32_t XPos = 0;               // from the layout: the left of the room
  int32_t AvailWidth = 0;         // and its width

  std::unique_ptr<TSectionBase> CreateClone(TSectionList* ownerList) const override;
  void CollectSelectedText(SelTextCount& collector) override;
  int32_t ComputeLayout(pf::TCanvas& canvas, const pf::TRect& clip, IndentManager& indents, int32_t x, int32_t y,
                        int32_t availWidth, int32_t availHeight, int32_t& curs, int32_t& maxWidth) override;
  int32_t Paint(pf::TCanvas& canvas, const pf::TRect& clip, IndentManager& indents, int32_t x, int32_t xRef,
                int32_t yRef) override;
  // The rule's rectangle in document coordinates for a layout at x.
  pf::TRect RuleRect(int32_t x) const;

 private:
  int32_t layoutX_ = 0;  // the x of the last layout: XPos moves with the x the rule is painted at
};

// Preformatted text: every blank counts and no character breaks the line.
class TPreFormated : public TSection {
 public:
  static constexpr int32_t kMaxMinWidth = 6000;  // a longer line asks for no more room than this
  // A section of preformatted text; a style that breaks words lets it wrap.
  TPreFormated(TSectionList* ownerList, const TAttributeList* attributes, TProperties& prop,
               const TUrlTarget* urlTarget, TCellBasic* cell, bool firstInParagraph, ISectionBuilder* builder);
  TPreFormated(TSectionList* ownerList, const TPreFormated& source);
  bool AllowWrap = false;  // the style allows wrapping: then it lays out as a plain section

  bool IsPreformatted() const override { return true; }
  // A blank after the text, the soft hyphens out, and the buffers finished; the blanks of the text stay.
  void FinishText(int32_t sourceIndex) override;
  std::unique_ptr<TSectionBase> CreateClone(TSectionList* ownerList) const override;
  // One line however wide; an empty section is one line high. maxWidth is the width of the whole text.
  int32_t ComputeLayout(pf::TCanvas& canvas, const pf::TRect& clip, IndentManager& indents, int32_t x, int32_t y,
                        int32_t availWidth, int32_t availHeight, int32_t& curs, int32_t& maxWidth) override;
  // The widest is the whole text, leading blanks included; the narrowest the same, at most kMaxMinWidth.
  void MeasureMinMaxWidth(pf::TCanvas& canvas, int32_t& minWidth, int32_t& maxWidth) override;

 private:
  // The width of the whole text, kept in MaxWidthCache.
  int32_t WholeWidth(pf::TCanvas& canvas);
};

}  // namespace viewer
