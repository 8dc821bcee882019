#include "viewer/table_structure.h"

#include <algorithm>

#include "viewer/style_properties.h"

namespace viewer {

namespace {

constexpr int32_t kMaxPercent = 100;
// Pixel widths and heights of cells and rows are taken at most this large, so that sums over a table stay in range.
constexpr int32_t kMaxLength = 32000;

bool HasPercent(const TAttribute& a) { return a.Text.find('%') != std::string::npos; }

}  // namespace

// ---- cells ----

TCellObj::TCellObj(TSectionList* ownerList, uint8_t vAlign, const TAttributeList& attributes, TProperties& prop)
    : VAlign(vAlign), Cell(std::make_unique<TCellObjCell>(ownerList)) {
  Cell->Tag = prop.PropTag;
  for (int i = 0; i < attributes.Count(); ++i) {
    const TAttribute& a = *attributes[i];
    switch (a.Which) {
      case RowSpanSy:
        if (a.Value > 1) RowSpan = a.Value;
        break;
      case ColSpanSy:
        if (a.Value > 1) ColSpan = a.Value;
        break;
      case WidthSy:
        if (!HasPercent(a)) {
          if (a.Value > 0) SpecWd = std::min(a.Value, kMaxLength);
        } else if (a.Value >= 1 && a.Value <= kMaxPercent) {
          SpecWd = a.Value * 10;
          AsPercent = true;
        }
        break;
      case HeightSy:
        if (HasPercent(a))
          SpecHtPercent = std::clamp(a.Value, 0, kMaxPercent);
        else
          SpecHt = std::clamp(a.Value, 0, kMaxLength);
        break;
      case BGColorSy:
        Cell->BkGnd = ParseColorValue(a.Text, false, Cell->BkColor);
        break;
      case BackgroundSy:
        BkImage = TImageObj::CreateFromUrl(ownerList, a.Text);
        HasBkImage = true;
        break;
      case HRefSy:
        Cell->Url = a.Text;
        break;
      case TargetSy:
        Cell->Target = a.Text;
        break;
      case TitleSy:
        Cell->Title = a.Text;
        break;
      default:
        break;
    }
  }
  int align = 0;
  if (prop.GetVerticalAlign(align) && (align == 1 || align == 2 || align == 4)) VAlign = static_cast<uint8_t>(align);
  prop.GetFont();
  EmSize = prop.EmSize;
  ExSize = prop.ExSize;
  const TBoxVariantArray box = prop.GetBoxVariants();
  int autoCount = 0;
  ConvertBlockBoxValues(box, 0, 0, EmSize, ExSize, MargArray, autoCount);
  const TPropValue& width = box[piWidth];
  const bool percentWidth = IsString(width) && StringOf(width).find('%') != std::string::npos;
  if (percentWidth) {
    const int32_t percent = LengthToPixels(StringOf(width), false, kMaxPercent, 0, ExSize, EmSize);
    if (percent > 0 && percent < kMaxPercent) {
      SpecWd = percent * 10;
      AsPercent = true;
    }
  } else if (MargArray[piWidth] > 0) {
    SpecWd = std::min(MargArray[piWidth], kMaxLength);
    AsPercent = false;
  }
  if (MargArray[piHeight] > 0) SpecHt = std::min(MargArray[piHeight], kMaxLength);
  const pf::TColor background = prop.GetBackgroundColor();
  if (background != pf::clNone) {
    Cell->BkGnd = true;
    Cell->BkColor = background;
    prop.LeaveBackgroundToBox();
  }
  std::string url;
  if (prop.GetBackgroundImage(url) && !url.empty()) {
    BkImage = TImageObj::CreateFromUrl(ownerList, url);
    HasBkImage = true;
    BkPosition = prop.GetBackgroundPosition();
  }
  HasBorderStyle = prop.HasBorderStyle();
  TBoxIntArray paddings;
  ConvertPaddings(box, EmSize, ExSize, paddings);
  Padding = {paddings[piPaddingTop], paddings[piPaddingRight], paddings[piPaddingBottom], paddings[piPaddingLeft]};
  BorderWidths = {MargArray[piBorderTopWidth], MargArray[piBorderRightWidth], MargArray[piBorderBottomWidth],
                  MargArray[piBorderLeftWidth]};
  for (int32_t& space : Padding) space = std::min(space, kMaxLength);
  for (int32_t& space : BorderWidths) space = std::min(space, kMaxLength);
  prop.GetPageBreaks(BreakBefore, BreakAfter, KeepIntact);
}

TCellObj::TCellObj(TSectionList* ownerList, const TCellObj& source)
    : ColSpan(source.ColSpan),
      RowSpan(source.RowSpan),
      Ht(source.Ht),
      Wd(source.Wd),
      SpecHt(source.SpecHt),
      SpecHtPercent(source.SpecHtPercent),
      YIndent(source.YIndent),
      VAlign(source.VAlign),
      SpecWd(source.SpecWd),
      AsPercent(source.AsPercent),
      EmSize(source.EmSize),
      ExSize(source.ExSize),
      BkPosition(source.BkPosition),
      Padding(source.Padding),
      BorderWidths(source.BorderWidths),
      HzSpace(source.HzSpace),
      VrSpace(source.VrSpace),
      HasBorderStyle(source.HasBorderStyle),
      Cell(std::make_unique<TCellObjCell>(ownerList, *source.Cell)),
      BkImage(source.BkImage ? std::make_unique<TImageObj>(ownerList, *source.BkImage) : nullptr),
      HasBkImage(source.HasBkImage),
      MargArray(source.MargArray),
      BreakBefore(source.BreakBefore),
      BreakAfter(source.BreakAfter),
      KeepIntact(source.KeepIntact),
      ContentHt(source.ContentHt) {}

TCellObj::~TCellObj() = default;

TCellObjCell::TCellObjCell(TSectionList* ownerList, const TCellObjCell& source)
    : TCell(ownerList, source),
      BkGnd(source.BkGnd),
      BkColor(source.BkColor),
      Url(source.Url),
      Target(source.Target),
      Title(source.Title),
      CellLeft(source.CellLeft),
      CellTop(source.CellTop),
      CellRight(source.CellRight),
      CellBottom(source.CellBottom) {}

void TCellObj::FinishSetup(int32_t cellPadding, const std::string& rowBkImage, bool tableHasBorder,
                           const TBackgroundPosition& rowBkPosition) {
  for (int32_t& padding : Padding)
    if (padding < 0) padding = cellPadding;
  if (tableHasBorder && !HasBorderStyle)
    for (int32_t& border : BorderWidths) border = std::max(border, 1);
  enum { kTop, kRight, kBottom, kLeft };
  HzSpace = Padding[kLeft] + BorderWidths[kLeft] + BorderWidths[kRight] + Padding[kRight];
  VrSpace = Padding[kTop] + BorderWidths[kTop] + BorderWidths[kBottom] + Padding[kBottom];
  if (!BkImage && !rowBkImage.empty()) {
    BkImage = TImageObj::CreateFromUrl(Cell->MasterList, rowBkImage);
    BkPosition = rowBkPosition;
    HasBkImage = true;
  }
}

// ---- rows ----

TCellList::TCellList(const TAttributeList* attributes, TProperties& prop) {
  for (int i = 0; attributes && i < attributes->Count(); ++i) {
    const TAttribute& a = *(*attributes)[i];
    if (a.Which == HeightSy) {
      if (HasPercent(a))
        RowHeightPercent = std::clamp(a.Value, 0, kMaxPercent);
      else
        RowHeight = std::clamp(a.Value, 0, kMaxLength);
    } else if (a.Which == BGColorSy) {
      BkGnd = ParseColorValue(a.Text, false, BkColor);
    } else if (a.Which == BackgroundSy) {
      BkImage = a.Text;
    }
  }
  const pf::TColor background = prop.GetBackgroundColor();
  if (background != pf::clNone) {
    BkGnd = true;
    BkColor = background;
  }
  std::string url;
  if (prop.GetBackgroundImage(url) && !url.empty()) {
    BkImage = url;
    BkPosition = prop.GetBackgroundPosition();
  }
  prop.GetPageBreaks(BreakBefore, BreakAfter, KeepIntact);
}

TCellList::TCellList(TSectionList* ownerList, const TCellList& source)
    : RowHeight(source.RowHeight),
      RowHeightPercent(source.RowHeightPercent),
      BkGnd(source.BkGnd),
      BkColor(source.BkColor),
      BkImage(source.BkImage),
      BkPosition(source.BkPosition),
      BreakBefore(source.BreakBefore),
      BreakAfter(source.BreakAfter),
      KeepIntact(source.KeepIntact),
      RowType(source.RowType),
      LaidOutHeight(source.LaidOutHeight),
      MaxCellHeight(source.MaxCellHeight) {
  for (int i = 0; i < source.Count(); ++i) Add(source[i] ? std::make_unique<TCellObj>(ownerList, *source[i]) : nullptr);
}

void TCellList::AddCell(std::unique_ptr<TCellObj> cell) {
  BreakBefore = BreakBefore || cell->BreakBefore;
  BreakAfter = BreakAfter || cell->BreakAfter;
  KeepIntact = KeepIntact || cell->KeepIntact;
  if (RowHeight >= 1)
    cell->SpecHt = std::max(cell->SpecHt, RowHeight);
  else if (RowHeightPercent > 0)
    cell->SpecHtPercent = std::max(cell->SpecHtPercent, RowHeightPercent);
  Add(std::move(cell));
}

void TCellList::FillBackground() {
  if (!BkGnd) return;
  for (int i = 0; i < Count(); ++i) {
    TCellObj* cell = (*this)[i];
    if (cell && !cell->Cell->BkGnd) {
      cell->Cell->BkGnd = true;
      cell->Cell->BkColor = BkColor;
    }
  }
}

// ---- the table ----

ThtmlTable::ThtmlTable(TSectionList* ownerList, const TAttributeList& attributes, TProperties& prop)
    : TSectionBase(ownerList) {
  for (int i = 0; i < attributes.Count(); ++i) {
    const TAttribute& a = *attributes[i];
    pf::TColor color = 0;
    switch (a.Which) {
      case BorderSy:
        BorderWidth = std::clamp(a.Value, 0, kMaxBorder);
        break;
      case CellPaddingSy:
        if (a.Value >= 0) CellPadding = std::min(a.Value, kMaxCellPadding);
        break;
      case CellSpacingSy:
        if (a.Value >= -1) CellSpacing = std::min(a.Value, kMaxCellSpacing);
        break;
      case BorderColorSy:
        if (ParseColorValue(a.Text, false, color)) BorderColorLight = BorderColorDark = color;
        break;
      case BorderColorLightSy:
        ParseColorValue(a.Text, false, BorderColorLight);
        break;
      case BorderColorDarkSy:
        ParseColorValue(a.Text, false, BorderColorDark);
        break;
      default:
        break;
    }
  }
  if (prop.IsBorderCollapse()) CellSpacing = -1;
}

ThtmlTable::ThtmlTable(TSectionList* ownerList, const ThtmlTable& source)
    : TSectionBase(ownerList, source),
      Initialized(source.Initialized),
      BorderWidth(source.BorderWidth),
      NumCols(source.NumCols),
      TableWidth(source.TableWidth),
      TableWidthSpec(source.TableWidthSpec),
      HasPixelWidths(source.HasPixelWidths),
      TableHeight(source.TableHeight),
      CellPadding(source.CellPadding),
      CellSpacing(source.CellSpacing),
      BorderColorLight(source.BorderColorLight),
      BorderColorDark(source.BorderColorDark),
      BkGnd(source.BkGnd),
      BkColor(source.BkColor),
      Widths(source.Widths),
      MaxWidths(source.MaxWidths),
      MinWidths(source.MinWidths),
      Percents(source.Percents),
      Heights(source.Heights),
      Float(source.Float) {
  for (int r = 0; r < source.Rows.Count(); ++r) Rows.Add(std::make_unique<TCellList>(ownerList, *source.Rows[r]));
  if (source.ColSpecs) {
    ColSpecs = std::make_unique<TFreeList<TColObj>>();
    for (int i = 0; i < source.ColSpecs->Count(); ++i) ColSpecs->Add(std::make_unique<TColObj>(*(*source.ColSpecs)[i]));
  }
  if (Initialized) SortCellsBySpan();
}

ThtmlTable::~ThtmlTable() = default;

void ThtmlTable::AddColumn(int32_t width, bool asPercent, const std::string& align, uint8_t vAlign) {
  if (!ColSpecs) ColSpecs = std::make_unique<TFreeList<TColObj>>();
  ColSpecs->Add(std::make_unique<TColObj>(TColObj{width, asPercent, align, vAlign}));
}

// ---- the span grid ----

namespace {

// Walks the rows as span completion lays them on the grid: each entry of a row (a cell, then a filler for each
// further column it spans) takes the next column that no row span from above covers, covered columns holding
// fillers. visit(row, cell index, entry of the cell, column) for every entry; false once the walk has taken more
// than limit steps.
template <typename Visit>
bool WalkGrid(const TFreeList<TCellList>& rows, int64_t limit, Visit visit) {
  std::vector<int32_t> coveredThrough;  // per column: the last row that a span from above covers
  int64_t steps = 0;
  for (int r = 0; r < rows.Count(); ++r) {
    const TCellList& row = *rows[r];
    size_t col = 0;
    for (int i = 0; i < row.Count(); ++i) {
      const TCellObj& cell = *row[i];
      for (int32_t k = 0; k < cell.ColSpan; ++k, ++col) {
        for (; col < coveredThrough.size() && coveredThrough[col] >= r; ++col)
          if (++steps > limit) return false;
        if (++steps > limit) return false;
        if (cell.RowSpan > 1) {
          if (col >= coveredThrough.size()) coveredThrough.resize(col + 1, -1);
          coveredThrough[col] = r + cell.RowSpan - 1;
        }
        visit(r, i, k, static_cast<int32_t>(col));
      }
    }
  }
  return true;
}

}  // namespace

void ThtmlTable::Initialize() {
  if (Initialized) return;
  Initialized = true;
  const int rowCount = Rows.Count();
  for (int r = 0; r < rowCount; ++r) {
    TCellList& row = *Rows[r];
    row.FillBackground();
    for (int i = row.Count() - 1; i >= 0; --i) {
      TCellObj& cell = *row[i];
      cell.FinishSetup(CellPadding, row.BkImage, BorderWidth > 0, row.BkPosition);
      if (cell.SpecWd > 0 && !cell.AsPercent) HasPixelWidths = true;
      cell.RowSpan = std::clamp(cell.RowSpan, 1, rowCount - r);
      cell.ColSpan = std::clamp(cell.ColSpan, 1, kMaxColSpan);
    }
  }
  FillCellBackgrounds();
  if (!BuildGrid()) IgnoreSpans();
  NumCols = 0;
  for (int r = 0; r < rowCount; ++r) NumCols = std::max(NumCols, static_cast<int32_t>(Rows[r]->Count()));
  ApplyColumnSpecs();
  for (auto* column : {&Widths, &MaxWidths, &MinWidths, &Percents}) column->assign(static_cast<size_t>(NumCols), 0);
  Heights.assign(static_cast<size_t>(rowCount), 0);
  SortCellsBySpan();
}

void ThtmlTable::SetBackgroundColor(pf::TColor color) {
  if (BkGnd && BkColor == color) return;
  BkGnd = true;
  BkColor = color;
  if (Initialized) FillCellBackgrounds();
}

void ThtmlTable::FillCellBackgrounds() {
  if (!BkGnd) return;
  for (int r = 0; r < Rows.Count(); ++r)
    for (int c = 0; c < Rows[r]->Count(); ++c) {
      TCellObj* cell = (*Rows[r])[c];
      if (cell && !cell->Cell->BkGnd) {
        cell->Cell->BkGnd = true;
        cell->Cell->BkColor = BkColor;
      }
    }
}

void ThtmlTable::SortCellsBySpan() {
  cellsBySpan_.clear();
  for (int r = 0; r < Rows.Count(); ++r)
    for (int c = 0; c < Rows[r]->Count(); ++c)
      if (TCellObj* cell = (*Rows[r])[c]) cellsBySpan_.push_back({r, c, cell});
  std::stable_sort(cellsBySpan_.begin(), cellsBySpan_.end(),
                   [](const TGridCell& a, const TGridCell& b) { return a.Cell->ColSpan < b.Cell->ColSpan; });
}

// Columns that hold nothing but fillers at the right end of every row are dropped with the spans that made them,
// as the width algorithms never see them: the grid is NumCols wide where NumCols is one more than the last column
// any cell starts in. A filler that a row span put at a row's end is dropped without touching another cell.
bool ThtmlTable::BuildGrid() {
  const int rowCount = Rows.Count();
  std::vector<std::vector<int32_t>> columns(static_cast<size_t>(rowCount));
  int32_t gridWidth = 0;
  const bool placed = WalkGrid(Rows, kMaxGridPositions, [&](int r, int i, int32_t k, int32_t col) {
    if (k != 0) return;
    columns[static_cast<size_t>(r)].push_back(col);
    gridWidth = std::max(gridWidth, col + 1);
  });
  if (!placed) return false;
  std::vector<std::vector<int32_t>> spans(static_cast<size_t>(rowCount));
  for (int r = 0; r < rowCount; ++r) spans[static_cast<size_t>(r)].assign(static_cast<size_t>(Rows[r]->Count()), 0);
  WalkGrid(Rows, kMaxGridPositions, [&](int r, int i, int32_t, int32_t col) {
    if (col < gridWidth) ++spans[static_cast<size_t>(r)][static_cast<size_t>(i)];
  });
  for (int r = 0; r < rowCount; ++r) {
    TCellList& row = *Rows[r];
    const std::vector<int32_t>& at = columns[static_cast<size_t>(r)];
    if (at.empty()) continue;
    std::vector<std::unique_ptr<TCellObj>> cells;
    for (int i = 0; i < row.Count(); ++i) cells.push_back(row.Release(i));
    row.Clear();
    int32_t length = 0;
    for (size_t i = 0; i < cells.size(); ++i) {
      cells[i]->ColSpan = spans[static_cast<size_t>(r)][i];
      length = std::max(length, at[i] + cells[i]->ColSpan);
    }
    for (int32_t col = 0, i = 0; col < length; ++col) {
      if (static_cast<size_t>(i) < cells.size() && at[static_cast<size_t>(i)] == col)
        row.Add(std::move(cells[static_cast<size_t>(i++)]));
      else
        row.Add(nullptr);
    }
  }
  return true;
}

void ThtmlTable::IgnoreSpans() {
  for (int r = 0; r < Rows.Count(); ++r)
    for (int i = 0; i < Rows[r]->Count(); ++i) (*Rows[r])[i]->ColSpan = (*Rows[r])[i]->RowSpan = 1;
}

void ThtmlTable::ApplyColumnSpecs() {
  if (!ColSpecs) return;
  const int specified = std::min(ColSpecs->Count(), static_cast<int>(NumCols));
  for (int c = 0; c < specified; ++c) {
    const TColObj& spec = *(*ColSpecs)[c];
    if (spec.ColWidth <= 0) continue;
    for (int r = 0; r < Rows.Count(); ++r) {
      if (c >= Rows[r]->Count()) continue;
      if (TCellObj* cell = (*Rows[r])[c]) {
        cell->SpecWd = std::min(spec.ColWidth, spec.AsPercent ? 1000 : kMaxLength);
        cell->AsPercent = spec.AsPercent;
      }
    }
  }
  // The pixel method serves tables that still have a cell with a width in pixels.
  HasPixelWidths = false;
  for (int r = 0; r < Rows.Count(); ++r)
    for (int c = 0; c < Rows[r]->Count(); ++c)
      if (const TCellObj* cell = (*Rows[r])[c]; cell && cell->SpecWd > 0 && !cell->AsPercent) HasPixelWidths = true;
  ColSpecs.reset();
}

std::unique_ptr<TSectionBase> ThtmlTable::CreateClone(TSectionList* ownerList) const {
  return std::make_unique<ThtmlTable>(ownerList, *this);
}

}  // namespace viewer
