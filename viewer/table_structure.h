// Tables: the table object with its rows of cells and column specifications, and the content cell of a table
// cell.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "viewer/image_cache.h"
#include "viewer/section_list.h"

namespace viewer {

// Which part of a table is being printed on the current page.
struct TTablePartRec {
  uint8_t TablePart = 0;
  int32_t PartStart = 0;
  int32_t PartHeight = 0;
  int32_t FootHeight = 0;
};

// One column specification from COL or COLGROUP.
struct TColObj {
  int32_t ColWidth = 0;  // per-mille when AsPercent
  bool AsPercent = false;
  std::string ColAlign;
  uint8_t ColVAlign = 0;  // 0 not given, 1 top, 2 middle, 3 baseline, 4 bottom
};

// The content of a table cell.
class TCellObjCell : public TCell {
 public:
  using TCell::TCell;
  bool BkGnd = false;
  pf::TColor BkColor = pf::clNone;
  std::string Url, Target;
  std::string Title;
  int32_t CellLeft = 0, CellTop = 0, CellRight = 0, CellBottom = 0;  // the cell's rectangle at the last paint
};

// One cell position of a row.
class TCellObj {
 public:
  static constexpr int32_t kFiller = 0;  // the spans of a cell that only fills a position of a spanning cell
  // ROWSPAN, COLSPAN, WIDTH, HEIGHT, BGCOLOR, BACKGROUND, HREF, TARGET and TITLE, then the style; vAlign is the
  // row's (or the cell's VALIGN).
  TCellObj(TSectionList* ownerList, uint8_t vAlign, const TAttributeList& attributes, TProperties& prop);
  ~TCellObj();

  int32_t ColSpan = 1, RowSpan = 1;
  int32_t Ht = 0, Wd = 0;
  int32_t SpecHt = 0;
  int32_t SpecHtPercent = 0;
  int32_t YIndent = 0;
  uint8_t VAlign;
  int32_t SpecWd = 0;  // pixels, or per-mille with AsPercent
  bool AsPercent = false;
  int32_t EmSize = 0, ExSize = 0;
  TBackgroundPosition BkPosition;
  std::array<int32_t, 4> Padding{};       // top, right, bottom, left; -1 until the table's CELLPADDING fills it
  std::array<int32_t, 4> BorderWidths{};  // top, right, bottom, left
  int32_t HzSpace = 0, VrSpace = 0;
  bool HasBorderStyle = false;
  std::unique_ptr<TCellObjCell> Cell;
  std::unique_ptr<TImageObj> BkImage;
  bool HasBkImage = false;
  std::unique_ptr<pf::TBitmap> BkBitmap;
  TBoxIntArray MargArray;
  bool BreakBefore = false, BreakAfter = false, KeepIntact = false;
};

// One row of cells.
class TCellList : public TFreeList<TCellObj> {
 public:
  enum TRowPart : uint8_t { rpHead = 0, rpBody = 1, rpFoot = 2 };
  // HEIGHT, BGCOLOR and BACKGROUND of the TR element (the style's background when it gives one).
  TCellList(const TAttributeList* attributes, TProperties& prop);

  int32_t RowHeight = 0;
  int32_t RowHeightPercent = 0;
  bool BkGnd = false;
  pf::TColor BkColor = pf::clNone;
  std::string BkImage;
  TBackgroundPosition BkPosition;
  bool BreakBefore = false, BreakAfter = false, KeepIntact = false;
  uint8_t RowType = rpHead;
  int32_t LaidOutHeight = 0;
  int32_t MaxCellHeight = 0;

  // Appends the cell; the row's page breaks and height pass to it.
  void AddCell(std::unique_ptr<TCellObj> cell);
};

class ThtmlTable : public TSectionBase {
 public:
  static constexpr int32_t kMaxBorder = 100, kMaxCellPadding = 50, kMaxCellSpacing = 40;
  // BORDER, CELLPADDING, CELLSPACING, BORDERCOLOR, BORDERCOLORLIGHT and BORDERCOLORDARK; a collapsed border in the
  // style makes the spacing -1.
  ThtmlTable(TSectionList* ownerList, const TAttributeList& attributes, TProperties& prop);
  ~ThtmlTable() override;

  TTablePartRec TablePart;
  TFreeList<TCellList> Rows;
  bool Initialized = false;
  int32_t BorderWidth = 0;
  int32_t NumCols = 0;
  int32_t TableWidth = 0;
  int32_t TableWidthSpec = 0;
  bool HasPixelWidths = false;
  int32_t TableHeight = 0;
  int32_t CellPadding = 1;
  int32_t CellSpacing = 2;
  pf::TColor BorderColorLight = pf::clBtnHighlight;
  pf::TColor BorderColorDark = pf::clBtnShadow;
  bool BkGnd = false;
  pf::TColor BkColor = pf::clNone;
  std::unique_ptr<TFreeList<TColObj>> ColSpecs;
  std::vector<int32_t> Widths, MaxWidths, MinWidths, Percents, Heights;
  bool Float = false;  // the table block floats
  // Printing and painting bookkeeping.
  int32_t TableLeft = 0;
  int32_t HeaderRowCount = 0, HeaderHeight = 0, FootHeight = 0, FootStartRow = -1, FootOffset = 0;
  bool HeadOrFoot = false;

  void AddColumn(int32_t width, bool asPercent, const std::string& align, uint8_t vAlign);
  int ColumnCount() const { return ColSpecs ? ColSpecs->Count() : 0; }

  // ---- column widths, row heights, layout and painting (built with the table layout) ----
  std::unique_ptr<TSectionBase> CreateClone(TSectionList* ownerList) const override;
  int32_t ComputeLayout(pf::TCanvas& canvas, const pf::TRect& clip, IndentManager& indents, int32_t x, int32_t y,
                        int32_t availWidth, int32_t availHeight, int32_t& curs, int32_t& maxWidth) override;
  int32_t Paint(pf::TCanvas& canvas, const pf::TRect& clip, IndentManager& indents, int32_t x, int32_t xRef,
                int32_t yRef) override;
  void MeasureMinMaxWidth(pf::TCanvas& canvas, int32_t& minWidth, int32_t& maxWidth) override;
};

}  // namespace viewer
