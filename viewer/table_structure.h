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

class ThtmlTable;

// The sum of count values from first, held within 32 bits.
int32_t SumRange(const std::vector<int32_t>& values, int32_t first, int32_t count);

// Which part of a table is being printed on the current page, as the table's painting leaves it for the print
// loop: in one piece (0), its first page (1: its rows down to PartStart, then the foot rows), a page inside it (2:
// the head rows, the rows from the page's top down to PartStart, the foot rows), no body of it (3), or its last page
// (4: the head rows, then the rest of the table and what follows it). PartHeight is the height of the rows printed
// on the page, FootHeight the height of the foot rows with their spacing.
struct TTablePartRec {
  enum : uint8_t { tpWhole = 0, tpFirst = 1, tpMiddle = 2, tpNoBody = 3, tpLast = 4 };
  uint8_t TablePart = tpWhole;
  int32_t PartStart = 0;
  int32_t PartHeight = 0;
  int32_t FootHeight = 0;
  // The table goes on over the next page: its foot rows close this one.
  bool GoesOn() const { return TablePart == tpFirst || TablePart == tpMiddle; }
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
  // The print copy: the content's copies for ownerList, a fresh indent manager, the cell rectangle kept.
  TCellObjCell(TSectionList* ownerList, const TCellObjCell& source);
  bool BkGnd = false;
  pf::TColor BkColor = pf::clNone;
  std::string Url, Target;
  std::string Title;
  // The cell's rectangle at the last paint, in document coordinates.
  int32_t CellLeft = 0, CellTop = 0, CellRight = 0, CellBottom = 0;

  // The content's answer; then, inside the cell's rectangle, the cell's title when the content gave none and the
  // cell's HREF when the content gave no link.
  int GetLinkAt(pf::TCanvas& canvas, int32_t x, int32_t y, std::unique_ptr<TUrlTarget>& urlTarget,
                TFormControlObj*& formControl, std::string& title) override;
};

// One cell position of a row.
class TCellObj {
 public:
  static constexpr int32_t kFiller = 0;  // the spans of a cell that only fills a position of a spanning cell
  // ROWSPAN, COLSPAN, WIDTH, HEIGHT, BGCOLOR, BACKGROUND, HREF, TARGET and TITLE, then the style; vAlign is the
  // row's (or the cell's VALIGN).
  TCellObj(TSectionList* ownerList, uint8_t vAlign, const TAttributeList& attributes, TProperties& prop);
  // The print copy.
  TCellObj(TSectionList* ownerList, const TCellObj& source);
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
  TBoxIntArray MargArray;
  bool BreakBefore = false, BreakAfter = false, KeepIntact = false;
  int32_t ContentHt = 0;  // the content's height at its last layout

  // Unset paddings take the table's; a bordered table gives cells without a border style at least 1-pixel borders;
  // the horizontal and vertical spaces follow; a cell without a background picture takes the row's.
  void FinishSetup(int32_t cellPadding, const std::string& rowBkImage, bool tableHasBorder,
                   const TBackgroundPosition& rowBkPosition);
  // Lays the content out at width for a height of height from y (document positions from curs); its height.
  int32_t LayoutContent(pf::TCanvas& canvas, const pf::TRect& clip, int32_t y, int32_t width, int32_t height,
                        int32_t& curs);
  // The final layout in a row at y once Ht and Wd are known: the vertical alignment gives YIndent.
  void LayoutCell(pf::TCanvas& canvas, int32_t y, const pf::TRect& clip, int32_t cellSpacing, int32_t& curs);
  // Paints the cell whose slot starts at (x, y) on the canvas: background, border, content; xRef and yRef as the
  // table got them.
  void Draw(pf::TCanvas& canvas, const pf::TRect& clip, int32_t x, int32_t y, const ThtmlTable& table, int32_t xRef,
            int32_t yRef);

 private:
  void DrawBorder(pf::TCanvas& canvas, const pf::TRect& box, const ThtmlTable& table) const;
  // The background picture tiled over the part of the cell's box that lies in the clip rectangle.
  void DrawBackgroundPicture(pf::TCanvas& canvas, const pf::TRect& clip, const pf::TRect& box);
  // The background picture is sized; one that failed to load is dropped.
  void SizeBackgroundImage(pf::TCanvas& canvas);
};

// One row of cells.
class TCellList : public TFreeList<TCellObj> {
 public:
  enum TRowPart : uint8_t { rpHead = 0, rpBody = 1, rpFoot = 2 };
  // HEIGHT, BGCOLOR and BACKGROUND of the TR element (the style's background when it gives one).
  TCellList(const TAttributeList* attributes, TProperties& prop);
  // The print copy: the row's settings and a copy of each cell (fillers stay fillers).
  TCellList(TSectionList* ownerList, const TCellList& source);

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
  // Cells whose content has no background take the row's colour.
  void FillBackground();
  // The row's height for its cells of row span span (each cell's Wd set from the column widths first); moreSpans
  // when a cell spans more rows, hasSpec when a cell asks for a height, pctHeight the height asked in percent of
  // aHeight (at least the row's).
  int32_t FindRowHeight(pf::TCanvas& canvas, const std::vector<int32_t>& widths, int32_t span, int32_t aHeight,
                        int32_t cellSpacing, int32_t numRows, bool& moreSpans, bool& hasSpec, int32_t& pctHeight,
                        int32_t curs);
  void LayoutCells(pf::TCanvas& canvas, int32_t y, const pf::TRect& clip, int32_t cellSpacing, int32_t& curs);
  // Paints the row whose top is at y on the canvas; the y below it. While printing the row may end the page above
  // or below itself.
  int32_t Paint(pf::TCanvas& canvas, const pf::TRect& clip, int32_t x, int32_t y, const ThtmlTable& table, int32_t xRef,
                int32_t yRef);
  // Draws the cells of the row whose top is at y on the canvas, whatever the page.
  void PaintCells(pf::TCanvas& canvas, const pf::TRect& clip, int32_t x, int32_t y, const ThtmlTable& table,
                  int32_t xRef, int32_t yRef);

 private:
  void ApplyPageBreaks(TSectionList& document, const pf::TRect& clip, int32_t top, int32_t cellSpacing) const;
};

// A table: rows of cells on a grid whose positions a spanning cell fills with nil entries (fillers), the column
// widths and the row heights.
class ThtmlTable : public TSectionBase {
 public:
  static constexpr int32_t kMaxBorder = 100, kMaxCellPadding = 50, kMaxCellSpacing = 40;
  // A COLSPAN above this is taken as this, as browsers do.
  static constexpr int32_t kMaxColSpan = 1000;
  // A grid of more positions (span completion included) is built with every span taken as 1, so that hostile spans
  // cost no more than the cells written.
  static constexpr int64_t kMaxGridPositions = int64_t{1} << 22;
  // Tables nested this deep or deeper keep their row heights through the outermost table's second pass.
  static constexpr int32_t kMaxRecomputeNesting = 6;
  // FitWidths' width for percentages that cannot all be met.
  static constexpr int32_t kUnsatisfiable = 30000;
  // BORDER, CELLPADDING, CELLSPACING, BORDERCOLOR, BORDERCOLORLIGHT and BORDERCOLORDARK; a collapsed border in the
  // style makes the spacing -1.
  ThtmlTable(TSectionList* ownerList, const TAttributeList& attributes, TProperties& prop);
  // The print copy: settings, rows, cells and column specifications; the row heights are computed anew at its
  // first layout.
  ThtmlTable(TSectionList* ownerList, const ThtmlTable& source);
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
  int32_t TableLeft = 0;  // the document x of the table's left edge, where the last layout or paint put it
  int32_t HeaderRowCount = 0, HeaderHeight = 0, FootHeight = 0, FootStartRow = -1, FootOffset = 0;
  bool HeadOrFoot = false;

  void AddColumn(int32_t width, bool asPercent, const std::string& align, uint8_t vAlign);
  int ColumnCount() const { return ColSpecs ? ColSpecs->Count() : 0; }

  // ---- structure ----
  // Once: backgrounds and spaces of the cells, the span grid with its fillers, the column specifications.
  void Initialize();
  // The table's background colour (its block's BGCOLOR): the colour of every cell that has none of its own or of its
  // row, also when the table was measured (and so initialized) before its block set it.
  void SetBackgroundColor(pf::TColor color);

  // ---- column widths (per-mille percentages) ----
  // Column minimum and maximum widths from the pixel widths of the cells; their sums.
  void GetMinMaxAbs(pf::TCanvas& canvas, int32_t& minWidth, int32_t& maxWidth);
  // The same with percentages for a table that may take width w (pixel widths count as their share of w).
  void GetMinMaxWidths(pf::TCanvas& canvas, int32_t w, int32_t& minWidth, int32_t& maxWidth);
  // Widths for w by the pixel method.
  void GetWidthsAbs(pf::TCanvas& canvas, int32_t w);
  // Widths summing to the fixed table width w from the percentages and the minimum and maximum widths.
  void DistributePercent(int32_t w);
  // Widths for a table without a fixed width: room w, the sums minWidth and maxWidth of the columns.
  void FitWidths(int32_t minWidth, int32_t maxWidth, int32_t w);

  // ---- row heights ----
  // Heights of the rows for a table of aHeight pixels (0: as high as its content).
  void FindRowHeights(pf::TCanvas& canvas, int32_t aHeight, int32_t curs);

  // ---- layout, painting and queries ----
  std::unique_ptr<TSectionBase> CreateClone(TSectionList* ownerList) const override;
  // availHeight is the table's own height (0 when it has none).
  int32_t ComputeLayout(pf::TCanvas& canvas, const pf::TRect& clip, IndentManager& indents, int32_t x, int32_t y,
                        int32_t availWidth, int32_t availHeight, int32_t& curs, int32_t& maxWidth) override;
  int32_t Paint(pf::TCanvas& canvas, const pf::TRect& clip, IndentManager& indents, int32_t x, int32_t xRef,
                int32_t yRef) override;
  int GetLinkAt(pf::TCanvas& canvas, int32_t x, int32_t y, std::unique_ptr<TUrlTarget>& urlTarget,
                TFormControlObj*& formControl, std::string& title) override;
  void MeasureMinMaxWidth(pf::TCanvas& canvas, int32_t& minWidth, int32_t& maxWidth) override;
  // Points ask the cell under them; positions ask the cells' contents row by row, the first answer winning.
  TIDObject* FindObjectAt(int32_t x, int32_t y, int32_t& position) override;
  int32_t GetPositionAtPoint(pf::TCanvas& canvas, int32_t x, int32_t y, bool& inText, int32_t& lineHeight,
                             int32_t& lineTop, int32_t& caretX) override;
  void CollectSelectedText(SelTextCount& collector) override;
  int32_t SearchForward(int32_t position, std::u16string_view text, bool matchCase) override;
  int32_t SearchBackward(int32_t position, std::u16string_view text, bool matchCase) override;
  int32_t MapToSourcePos(int32_t docPos) override;
  int32_t MapToDocPos(int32_t sourcePos, bool backwards) override;
  bool GetPositionXY(pf::TCanvas& canvas, int32_t docPos, int32_t& x, int32_t& y) override;
  bool ReadCharAt(int32_t docPos, char16_t& ch, TSectionBase*& object) override;

  // ---- printing by parts ----
  // The first row after the head rows and the first foot row (the row count when there is none).
  int BodyStartRow() const { return HeaderRowCount; }
  int FootStartRowOrEnd() const { return FootStartRow >= 0 ? FootStartRow : Rows.Count(); }
  // Paints rows firstRow..endRow-1 with the first one's top at canvasTop (at the x of the last paint), as printed
  // bands of a page: no page breaks, the document's offset lent for the time.
  void PaintRows(pf::TCanvas& canvas, const pf::TRect& clip, int firstRow, int endRow, int32_t canvasTop);
  // The document y of a row's top (of the table's end for the row count).
  int32_t RowTop(int row) const;

 private:
  // The first answer that is not none of the cells' contents, row by row (from the last cell when backwards).
  template <typename T, typename Query>
  T FirstCellAnswer(T none, Query query, bool backwards = false) const;
  struct TGridCell {
    int32_t Row, Col;
    TCellObj* Cell;
  };
  // The rows rebuilt on the grid; false when it would take more than kMaxGridPositions.
  bool BuildGrid();
  void IgnoreSpans();
  // The table's colour into the cells that have none (after their rows' colours).
  void FillCellBackgrounds();
  void ApplyColumnSpecs();
  // The cells on the grid by column span, then in row order.
  void SortCellsBySpan();
  // Minimum and maximum of a cell's content with its spaces.
  void MeasureCell(pf::TCanvas& canvas, TCellObj& cell, int32_t& minWidth, int32_t& maxWidth) const;
  // A spanning cell's minimum and maximum spread over its columns by the per-mille method.
  void SpreadSpanningCell(const TGridCell& at, int32_t w, int32_t minWidth, int32_t maxWidth, int32_t percent);
  // FitWidths' loop for percentages that need more than w; false when no percentage is left.
  bool ShrinkPercents(int32_t w, std::vector<int32_t>& percents, int32_t& minWidth, int32_t& maxWidth);
  // Column widths for the room at y (or the width the table block imposes).
  void ComputeWidths(pf::TCanvas& canvas, IndentManager& indents, int32_t y);
  bool RowHeightsStale(int32_t aHeight) const;
  void DistributeHeight(const std::vector<int32_t>& minHt, const std::vector<int32_t>& desHt,
                        const std::vector<bool>& hasSpec, int32_t h);
  // The cell whose slot holds the document point, or nullptr.
  TCellObj* CellAt(int32_t x, int32_t y) const;
  // Printing: decides whether the table is printed by parts on this page and, when it is, ends the page where the
  // foot rows still fit below it (TablePart tells the print loop); true when the table's rows were painted.
  bool PaintByParts(pf::TCanvas& canvas, const pf::TRect& clip, int32_t x, int32_t xRef, int32_t yRef);
  void PaintAllRows(pf::TCanvas& canvas, const pf::TRect& clip, int32_t x, int32_t xRef, int32_t yRef);

  std::vector<TGridCell> cellsBySpan_;  // the cells on the grid, by column span, then in row order
  // What the row heights were computed for: the document layout, the table height and the column widths.
  int32_t heightsLayout_ = -1;
  int32_t heightsFor_ = 0;
  std::vector<int32_t> heightsWidths_;
};

}  // namespace viewer
