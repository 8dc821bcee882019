// Cell content that measures and lays out at fixed sizes, for driving the table layout without text: narrower than
// its widest it takes two lines of height, else one.
#pragma once

#include <cstdint>

#include "viewer/table_structure.h"

class FixedContent : public viewer::TCellObjCell {
 public:
  FixedContent(viewer::TSectionList* list, int32_t minWidth, int32_t maxWidth, int32_t height)
      : viewer::TCellObjCell(list), min_(minWidth), max_(maxWidth), height_(height) {}
  void MeasureMinMaxWidth(pf::TCanvas&, int32_t& minWidth, int32_t& maxWidth) override {
    minWidth = min_;
    maxWidth = max_;
  }
  int32_t ComputeLayout(pf::TCanvas&, const pf::TRect&, viewer::IndentManager&, int32_t, int32_t, int32_t width,
                        int32_t, int32_t& curs, int32_t& maxWidth) override {
    ++curs;
    maxWidth = width;
    return width < max_ ? 2 * height_ : height_;
  }

 private:
  int32_t min_, max_, height_;
};
