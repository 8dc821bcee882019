// Tables after their column widths: row heights with row spans and height settings, the final layout of each cell
// with its vertical alignment, painting of rows and cells (backgrounds, borders, content, the page breaks of
// printing), and hit tests through the cell under the point.
#include <algorithm>
#include <utility>
#include <variant>

#include "platform/core/mathutil.h"
#include "viewer/blocks.h"
#include "viewer/borders.h"
#include "viewer/table_structure.h"

namespace viewer {

namespace {

enum { kTop, kRight, kBottom, kLeft };
// A row whose tallest cell is lower than this is never split over two pages.
constexpr int32_t kUnsplittableRowHeight = 101;

// A spanning cell's height h over the rows first..first+span-1: what they lack is shared evenly, the last row taking
// what the division leaves.
void GrowRows(std::vector<int32_t>& heights, int32_t first, int32_t span, int32_t h) {
  const int32_t lack = h - SumRange(heights, first, span);
  if (lack <= 0) return;
  const int32_t each = lack / span;
  for (int32_t r = first; r < first + span; ++r) heights[static_cast<size_t>(r)] += each;
  heights[static_cast<size_t>(first + span - 1)] += lack - each * span;
}

// Counts a table in the document's nesting count while its layout or painting runs.
class TNestingScope {
 public:
  explicit TNestingScope(TSectionList& document) : document_(document) { ++document_.TableNesting; }
  ~TNestingScope() { --document_.TableNesting; }
  TNestingScope(const TNestingScope&) = delete;
  TNestingScope& operator=(const TNestingScope&) = delete;

 private:
  TSectionList& document_;
};

}  // namespace

// ---- cells ----

int32_t TCellObj::LayoutContent(pf::TCanvas& canvas, const pf::TRect& clip, int32_t y, int32_t width, int32_t height,
                                int32_t& curs) {
  int32_t maxWidth = 0;
  ContentHt = Cell->ComputeLayout(canvas, clip, Cell->IMgr, 0, y, width, height, curs, maxWidth);
  return ContentHt;
}

void TCellObj::LayoutCell(pf::TCanvas& canvas, int32_t y, const pf::TRect& clip, int32_t cellSpacing, int32_t& curs) {
  const int32_t free = Ht - (VrSpace + cellSpacing) - ContentHt;
  constexpr uint8_t kMiddle = 2, kBaseline = 3, kBottomAlign = 4;
  YIndent = VAlign == kMiddle ? free / 2 : VAlign == kBaseline || VAlign == kBottomAlign ? free : 0;
  LayoutContent(canvas, clip, y + cellSpacing + Padding[kTop] + BorderWidths[kTop] + YIndent,
                Wd - HzSpace - cellSpacing, Ht - VrSpace - cellSpacing, curs);
  SizeBackgroundImage(canvas);
}

void TCellObj::SizeBackgroundImage(pf::TCanvas& canvas) {
  if (!BkImage || !Cell->MasterList->ShowImages) return;
  constexpr int32_t kWholeBase = 100;
  BkImage->ComputeSize(canvas, 0, kWholeBase, nullptr);
  if (BkImage->IsErrorPicture()) {
    BkImage.reset();
    HasBkImage = false;
  } else if (!std::holds_alternative<std::monostate>(BkImage->Image)) {
    HasBkImage = true;
  }
}

void TCellObj::Draw(pf::TCanvas& canvas, const pf::TRect& clip, int32_t x, int32_t y, const ThtmlTable& table,
                    int32_t xRef, int32_t yRef) {
  const int32_t spacing = table.CellSpacing;
  const pf::TRect box{x + spacing, y + spacing, x + Wd, y + Ht};
  const TSectionList& document = *table.OwnerList;
  Cell->CellLeft = box.Left + document.XOff;
  Cell->CellTop = box.Top + document.YOff;
  Cell->CellRight = box.Right + document.XOff;
  Cell->CellBottom = box.Bottom + document.YOff;
  if (document.Printing ? !document.OnPrintedPage(box.Top + document.YOff, box.Bottom + document.YOff, clip)
                        : box.Top > clip.Bottom || box.Bottom < clip.Top)
    return;
  const bool backgrounds = !document.Printing || document.PrintTableBackground;
  if (Cell->BkGnd && backgrounds)
    FillRectWithColor(canvas, box.Left, box.Top, box.Right, box.Bottom, Cell->BkColor | PaletteColorFlag());
  if (HasBkImage && BkImage && backgrounds && document.ShowImages) DrawBackgroundPicture(canvas, clip, box);
  DrawBorder(canvas, box, table);
  Cell->Paint(canvas, clip, Cell->IMgr, box.Left + BorderWidths[kLeft] + Padding[kLeft], xRef, yRef);
}

// The tiles are made anew for the visible part at each paint, so that a tall or wide cell costs no more memory than
// the part of it on the screen.
void TCellObj::DrawBackgroundPicture(pf::TCanvas& canvas, const pf::TRect& clip, const pf::TRect& box) {
  pf::TRect part;
  if (BkImage->IsPlaceholder() || !pf::IntersectRect(part, box, clip)) return;  // a picture still to come waits
  pf::OffsetRect(part, -box.Left, -box.Top);
  std::unique_ptr<pf::TBitmap> tiles, mask;
  std::unique_ptr<pf::TGpBitmap> gpTiles;
  bool opaque = false;
  try {
    if (BuildTiledBackground(box.Width(), box.Height(), *BkImage, BkPosition, tiles, gpTiles, mask, opaque, part))
      DrawTiledBackground(canvas, box.Left + part.Left, box.Top + part.Top, part.Width(), part.Height(), tiles.get(),
                          gpTiles.get(), mask.get(), opaque, *Cell->MasterList);
  } catch (...) {
    // A picture that cannot be drawn is given up; the colour, the border and the content still show.
    BkImage.reset();
    HasBkImage = false;
  }
}

void TCellObj::DrawBorder(pf::TCanvas& canvas, const pf::TRect& box, const ThtmlTable& table) const {
  if (!HasBorderStyle) {
    // The cells of a bordered table lie sunken in its raised frame.
    if (table.BorderWidth <= 0 || Cell->Count() == 0) return;
    if (table.BorderColorLight == pf::clBtnHighlight && table.BorderColorDark == pf::clBtnShadow)
      DrawBevelForDocument(*table.OwnerList, canvas, box, 1, false);
    else
      DrawBevel(canvas, box, 1, false, table.BorderColorLight, table.BorderColorDark);
    return;
  }
  const int32_t left = MargArray[piBorderLeftStyle], top = MargArray[piBorderTopStyle],
                right = MargArray[piBorderRightStyle], bottom = MargArray[piBorderBottomStyle];
  auto color = [this](int index) { return static_cast<pf::TColor>(MargArray[index]); };
  const pf::TColor colors[4] = {color(piBorderTopColor), color(piBorderRightColor), color(piBorderBottomColor),
                                color(piBorderLeftColor)};
  const bool thinSolid = std::all_of(BorderWidths.begin(), BorderWidths.end(), [](int32_t w) { return w == 1; }) &&
                         left == bssSolid && top == bssSolid && right == bssSolid && bottom == bssSolid &&
                         std::all_of(colors, colors + 4, [&](pf::TColor c) { return c == colors[0]; });
  if (thinSolid) {
    DrawBevel(canvas, box, 1, false, colors[0], colors[0]);
    return;
  }
  const pf::TRect inner{box.Left + BorderWidths[kLeft], box.Top + BorderWidths[kTop], box.Right - BorderWidths[kRight],
                        box.Bottom - BorderWidths[kBottom]};
  DrawBoxBorder(canvas, box, inner, MakeBorderColors(colors[kLeft], colors[kTop], colors[kRight], colors[kBottom]),
                pf::clNone,
                MakeBorderStyles(static_cast<uint8_t>(left), static_cast<uint8_t>(top), static_cast<uint8_t>(right),
                                 static_cast<uint8_t>(bottom)));
}

int TCellObjCell::GetLinkAt(pf::TCanvas& canvas, int32_t x, int32_t y, std::unique_ptr<TUrlTarget>& urlTarget,
                            TFormControlObj*& formControl, std::string& title) {
  constexpr int kLink = 1, kTitle = 4;
  int result = TCell::GetLinkAt(canvas, x, y, urlTarget, formControl, title);
  if (x < CellLeft || x >= CellRight || y < CellTop || y >= CellBottom) return result;
  if (!Title.empty() && (result & kTitle) == 0) {
    title = Title;
    result |= kTitle;
  }
  if ((result & kLink) == 0 && !Url.empty()) {
    urlTarget = std::make_unique<TUrlTarget>();
    urlTarget->Url = Url;
    urlTarget->Target = Target;
    result |= kLink;
  }
  return result;
}

// ---- rows ----

int32_t TCellList::FindRowHeight(pf::TCanvas& canvas, const std::vector<int32_t>& widths, int32_t span, int32_t aHeight,
                                 int32_t cellSpacing, int32_t numRows, bool& moreSpans, bool& hasSpec,
                                 int32_t& pctHeight, int32_t curs) {
  constexpr int32_t kWholePercent = 100;
  int32_t height = 0;
  moreSpans = hasSpec = false;
  pctHeight = 0;
  for (int c = 0; c < Count(); ++c) {
    TCellObj* cell = (*this)[c];
    if (!cell) continue;
    cell->Wd = SumRange(widths, c, cell->ColSpan);
    if (cell->RowSpan > span) moreSpans = true;
    if (cell->RowSpan != span) continue;
    const bool percent = cell->SpecHt < 1 && cell->SpecHtPercent > 0;
    const int32_t wanted = cell->SpecHt >= 1 ? cell->SpecHt
                           : percent         ? pf::MulDiv(cell->SpecHtPercent, aHeight, kWholePercent)
                           : numRows == 1    ? aHeight
                                             : 0;
    const int32_t content = cell->LayoutContent(canvas, pf::TRect{}, 0, cell->Wd - cell->HzSpace - cellSpacing,
                                                std::max(0, wanted - cell->VrSpace), curs);
    height = std::max(height, content + cell->VrSpace);
    if (cell->SpecHt >= 1) {
      height = std::max(height, cell->SpecHt);
      hasSpec = true;
    } else if (percent) {
      pctHeight = std::max(pctHeight, wanted);
      hasSpec = true;
    }
  }
  pctHeight = std::max(pctHeight, height);
  return height;
}

void TCellList::LayoutCells(pf::TCanvas& canvas, int32_t y, const pf::TRect& clip, int32_t cellSpacing, int32_t& curs) {
  for (int c = 0; c < Count(); ++c)
    if (TCellObj* cell = (*this)[c]) cell->LayoutCell(canvas, y, clip, cellSpacing, curs);
}

int32_t TCellList::Paint(pf::TCanvas& canvas, const pf::TRect& clip, int32_t x, int32_t y, const ThtmlTable& table,
                         int32_t xRef, int32_t yRef) {
  TSectionList& document = *table.OwnerList;
  const int32_t below = y + LaidOutHeight;
  if (document.Printing) {
    ApplyPageBreaks(document, clip, y + document.YOff, table.CellSpacing);
    // A row that ended on an earlier page, or starts on a later one, is printed there.
    if (!document.OnPrintedPage(y + document.YOff, y + document.YOff + MaxCellHeight, clip)) return below;
  } else if (y > clip.Bottom || y + MaxCellHeight < clip.Top) {
    return below;
  }
  PaintCells(canvas, clip, x, y, table, xRef, yRef);
  return below;
}

void TCellList::PaintCells(pf::TCanvas& canvas, const pf::TRect& clip, int32_t x, int32_t y, const ThtmlTable& table,
                           int32_t xRef, int32_t yRef) {
  int32_t cellX = x;
  for (int c = 0; c < Count(); ++c) {
    if (TCellObj* cell = (*this)[c]) cell->Draw(canvas, clip, cellX, y, table, xRef, yRef);
    cellX += table.Widths[static_cast<size_t>(c)];
  }
}

// The page ends where the row's cells ask for a break, and above a row that would be cut but should not be. A row
// at the top of its page never ends the page above itself, so that a row taller than a page goes on over pages.
void TCellList::ApplyPageBreaks(TSectionList& document, const pf::TRect& clip, int32_t top, int32_t cellSpacing) const {
  auto endPageAt = [&document](int32_t bottom) {
    if (bottom >= document.PageBottom) return;
    document.PageBottom = bottom;
    document.PageShortened = true;
  };
  const bool atPageTop = top <= clip.Top + document.YOff;
  const bool crosses = top < document.PageBottom && top + MaxCellHeight > document.PageBottom;
  const int32_t halfSpacing = cellSpacing / 2;
  if (BreakBefore && !atPageTop) endPageAt(top + halfSpacing);
  if (KeepIntact && crosses && !atPageTop) endPageAt(MaxCellHeight <= clip.Bottom - clip.Top ? top : top + halfSpacing);
  if (BreakAfter && top + LaidOutHeight + halfSpacing < document.PageBottom)
    endPageAt(top + LaidOutHeight + halfSpacing);
  if (MaxCellHeight < kUnsplittableRowHeight && crosses && !atPageTop) endPageAt(top);
}

// ---- the table ----

bool ThtmlTable::RowHeightsStale(int32_t aHeight) const {
  return heightsLayout_ != OwnerList->LayoutCounter || heightsFor_ != aHeight || heightsWidths_ != Widths ||
         (OwnerList->TableSecondPass && OwnerList->TableNesting < kMaxRecomputeNesting);
}

void ThtmlTable::FindRowHeights(pf::TCanvas& canvas, int32_t aHeight, int32_t curs) {
  const int rowCount = Rows.Count();
  heightsLayout_ = OwnerList->LayoutCounter;
  heightsFor_ = aHeight;
  heightsWidths_ = Widths;
  Heights.assign(static_cast<size_t>(rowCount), 0);
  if (rowCount == 0) return;
  // The cells are laid out at y 0 here: a list item's marker waits for the baseline of their final layout.
  struct TBaselineHeld {
    TSectionList& document;
    int32_t* pending = std::exchange(document.PendingFirstBaseline, nullptr);
    ~TBaselineHeld() { document.PendingFirstBaseline = pending; }
  } baselineHeld{*OwnerList};
  std::vector<int32_t> minHt(static_cast<size_t>(rowCount)), desHt(static_cast<size_t>(rowCount));
  std::vector<bool> hasSpec(static_cast<size_t>(rowCount));
  std::vector<std::pair<int32_t, int>> spanning;  // (row span, row) of the cells that span rows
  bool more = false, spec = false;
  int32_t pct = 0;
  for (int r = 0; r < rowCount; ++r) {
    const auto i = static_cast<size_t>(r);
    TCellList& row = *Rows[r];
    minHt[i] =
        row.FindRowHeight(canvas, Widths, 1, aHeight, CellSpacing, rowCount, more, spec, pct, curs) + CellSpacing;
    desHt[i] = pct + CellSpacing;
    hasSpec[i] = spec;
    for (int c = 0; c < row.Count(); ++c)
      if (const TCellObj* cell = row[c]; cell && cell->RowSpan > 1) spanning.emplace_back(cell->RowSpan, r);
  }
  // The passes for larger spans in order of span, each over the rows that hold such cells.
  std::sort(spanning.begin(), spanning.end());
  spanning.erase(std::unique(spanning.begin(), spanning.end()), spanning.end());
  for (auto [span, r] : spanning) {
    const int32_t h =
        Rows[r]->FindRowHeight(canvas, Widths, span, aHeight, CellSpacing, rowCount, more, spec, pct, curs) +
        CellSpacing;
    if (h <= CellSpacing) continue;
    GrowRows(minHt, r, span, h);
    GrowRows(desHt, r, span, pct + CellSpacing);
    if (spec)
      for (int k = r; k < r + span; ++k) hasSpec[static_cast<size_t>(k)] = true;
  }
  DistributeHeight(minHt, desHt, hasSpec, aHeight - CellSpacing);
  HoldRun(Heights);
}

// The rows' heights for a table height h: their minimum heights when those fill it; else towards the heights
// asked for; what is left over goes to the rows that asked for none, or to all rows when every row asked.
void ThtmlTable::DistributeHeight(const std::vector<int32_t>& minHt, const std::vector<int32_t>& desHt,
                                  const std::vector<bool>& hasSpec, int32_t h) {
  const auto rows = minHt.size();
  const int32_t sumMin = SumRange(minHt, 0, static_cast<int32_t>(rows));
  const int32_t sumDes = SumRange(desHt, 0, static_cast<int32_t>(rows));
  const auto free = static_cast<int32_t>(std::count(hasSpec.begin(), hasSpec.end(), false));
  if (sumMin >= h) {
    Heights = minHt;
    return;
  }
  auto lastTakesRest = [&] { Heights.back() = h - SumRange(Heights, 0, static_cast<int32_t>(rows) - 1); };
  if (sumDes >= h) {
    for (size_t r = 0; r + 1 < rows; ++r)
      Heights[r] = minHt[r] + pf::MulDiv(desHt[r] - minHt[r], h - sumMin, sumDes - sumMin);
    lastTakesRest();
  } else if (free == 0) {
    for (size_t r = 0; r + 1 < rows; ++r)
      Heights[r] = sumDes > 0 ? pf::MulDiv(desHt[r], h, sumDes) : h / static_cast<int32_t>(rows);
    lastTakesRest();
  } else {
    Heights = desHt;
    const int32_t each = (h - sumDes) / free;
    size_t lastFree = 0;
    for (size_t r = 0; r < rows; ++r) {
      if (hasSpec[r]) continue;
      Heights[r] += each;
      lastFree = r;
    }
    Heights[lastFree] += (h - sumDes) - each * free;
  }
}

int32_t ThtmlTable::ComputeLayout(pf::TCanvas& canvas, const pf::TRect& clip, IndentManager& indents, int32_t x,
                                  int32_t y, int32_t availWidth, int32_t availHeight, int32_t& curs,
                                  int32_t& maxWidth) {
  TNestingScope nesting(*OwnerList);
  const bool outermost = OwnerList->TableNesting == 1;
  YPosition = ContentTop = DrawTop = y;
  StartCurs = curs;
  TableLeft = x;
  ComputeWidths(canvas, indents, y);
  if (RowHeightsStale(availHeight)) FindRowHeights(canvas, availHeight, curs);
  SectionHeight = 0;
  HeaderRowCount = HeaderHeight = FootHeight = FootOffset = 0;
  FootStartRow = -1;
  bool hasBody = false;
  // The outermost table lays its cells out at their final places, and so do the tables inside them meanwhile.
  const bool secondPass = outermost || OwnerList->TableSecondPass;
  if (outermost) OwnerList->TableSecondPass = true;
  struct TPassEnd {
    TSectionList& document;
    bool outermost;
    ~TPassEnd() {
      if (outermost) document.TableSecondPass = false;
    }
  } passEnd{*OwnerList, outermost};
  for (int r = 0; r < Rows.Count(); ++r) {
    TCellList& row = *Rows[r];
    const int32_t height = Heights[static_cast<size_t>(r)];
    row.LaidOutHeight = height;
    if (row.RowType == TCellList::rpHead) {
      ++HeaderRowCount;
      HeaderHeight = BoundExtent(int64_t{HeaderHeight} + height);
    } else if (row.RowType == TCellList::rpFoot) {
      if (FootStartRow < 0) {
        FootStartRow = r;
        FootOffset = SectionHeight;
      }
      FootHeight = BoundExtent(int64_t{FootHeight} + height);
    } else {
      hasBody = true;
    }
    row.MaxCellHeight = 0;
    for (int c = 0; c < row.Count(); ++c) {
      if (TCellObj* cell = row[c]) {
        cell->Ht = SumRange(Heights, r, cell->RowSpan);
        row.MaxCellHeight = std::max(row.MaxCellHeight, cell->Ht);
      }
    }
    if (secondPass) row.LayoutCells(canvas, y + SectionHeight, clip, CellSpacing, curs);
    SectionHeight = GrowExtent(y, SectionHeight, height);
  }
  HeadOrFoot = (HeaderHeight > 0 || FootHeight >= 1) && hasBody;
  SectionHeight = Rows.Count() == 0 ? std::max(0, CellSpacing) : SectionHeight + CellSpacing;
  TableHeight = SectionHeight;
  Len = curs - StartCurs;
  maxWidth = TableWidth;
  DrawHeight = SectionHeight;
  ContentBottom = DrawBottom = y + SectionHeight;
  return SectionHeight;
}

int32_t ThtmlTable::Paint(pf::TCanvas& canvas, const pf::TRect& clip, IndentManager& indents, int32_t x, int32_t xRef,
                          int32_t yRef) {
  TableLeft = x + OwnerList->XOff;
  const int32_t top = ContentTop - OwnerList->YOff;
  if (!OwnerList->Printing && (top > clip.Bottom || top + TableHeight < clip.Top)) return ContentTop + SectionHeight;
  TNestingScope nesting(*OwnerList);
  const bool outermost = OwnerList->TableNesting == 1;
  if (!(OwnerList->Printing && outermost && HeadOrFoot && PaintByParts(canvas, clip, x, xRef, yRef)))
    PaintAllRows(canvas, clip, x, xRef, yRef);
  return ContentTop + SectionHeight;
}

void ThtmlTable::PaintAllRows(pf::TCanvas& canvas, const pf::TRect& clip, int32_t x, int32_t xRef, int32_t yRef) {
  int32_t rowTop = ContentTop - OwnerList->YOff;
  for (int r = 0; r < Rows.Count(); ++r) rowTop = Rows[r]->Paint(canvas, clip, x, rowTop, *this, xRef, yRef);
}

int32_t ThtmlTable::RowTop(int row) const { return ContentTop + SumRange(Heights, 0, row); }

// The page shows the document from its top (YOff + the clip's top) down to PageBottom. A table that crosses the
// page bottom leaves room for its foot rows there and ends the page above the first body row that reaches into
// that room; the print loop then prints the foot rows below the rows, and the head rows at the top of the next
// page. A table that starts on the page but whose head, first body row and foot do not fit below its top starts
// the next page, when they would fit on an empty one.
bool ThtmlTable::PaintByParts(pf::TCanvas& canvas, const pf::TRect& clip, int32_t x, int32_t xRef, int32_t yRef) {
  TSectionList& document = *OwnerList;
  if (document.PartTable && document.PartTable != this) return false;
  const int32_t pageTop = document.YOff + clip.Top, pageHeight = clip.Bottom - clip.Top;
  const int32_t tableEnd = ContentTop + SectionHeight;
  const bool continued = document.PartTable == this;
  if (ContentTop >= document.PageBottom) return false;
  if (tableEnd <= document.PageBottom) {
    if (continued) TablePart.TablePart = TTablePartRec::tpLast;
    return false;
  }
  constexpr int32_t kFootSlack = 5;
  const int32_t footRoom = FootHeight + CellSpacing + kFootSlack;
  const int bodyStart = BodyStartRow(), bodyEnd = FootStartRowOrEnd();
  if (ContentTop >= pageTop) {
    const int32_t firstRow = bodyStart < bodyEnd ? Heights[static_cast<size_t>(bodyStart)] : 0;
    const int32_t needed = HeaderHeight + firstRow + footRoom;
    if (ContentTop + needed > document.PageBottom) {
      if (ContentTop <= pageTop || needed > pageHeight) return false;  // it can never do better: as it comes
      document.PageBottom = ContentTop + CellSpacing / 2;
      document.PageShortened = true;
      TablePart = TTablePartRec{TTablePartRec::tpNoBody, ContentTop, 0, 0};
      return true;
    }
  }
  const int32_t limit = document.PageBottom - footRoom;
  if (limit <= pageTop) return false;
  // The page ends above the first body row that reaches into the foot's room; a row at the top of the page that
  // does so is cut at the room instead, so that every page moves on.
  int32_t cut = limit;
  for (int r = bodyStart; r < bodyEnd; ++r) {
    const int32_t top = RowTop(r);
    if (top + Heights[static_cast<size_t>(r)] <= limit) continue;
    if (top > pageTop) cut = top;
    break;
  }
  document.PageBottom = cut;
  document.PageShortened = true;
  document.PartTable = this;
  PaintAllRows(canvas, clip, x, xRef, yRef);
  // The rows' own page breaks may have ended the page higher still.
  const int32_t end = document.PageBottom;
  TablePart = TTablePartRec{continued ? TTablePartRec::tpMiddle : TTablePartRec::tpFirst, end,
                            end - std::max(pageTop, ContentTop), FootHeight + CellSpacing};
  return true;
}

void ThtmlTable::PaintRows(pf::TCanvas& canvas, const pf::TRect& clip, int firstRow, int endRow, int32_t canvasTop) {
  TSectionList& document = *OwnerList;
  const int32_t savedOffset = document.YOff, savedBottom = document.PageBottom;
  const bool savedShortened = document.PageShortened;
  const int32_t docTop = RowTop(firstRow);
  document.YOff = docTop - canvasTop;
  document.PageBottom = RowTop(endRow) + std::max(0, CellSpacing);
  document.PageShortened = true;
  TNestingScope nesting(document);
  int32_t y = canvasTop;
  const int32_t left = TableLeft - document.XOff;
  for (int r = firstRow; r < endRow; ++r) {
    Rows[r]->PaintCells(canvas, clip, left, y, *this, left, 0);
    y += Rows[r]->LaidOutHeight;
  }
  document.YOff = savedOffset;
  document.PageBottom = savedBottom;
  document.PageShortened = savedShortened;
}

TCellObj* ThtmlTable::CellAt(int32_t x, int32_t y) const {
  if (y < YPosition || y >= ContentBottom || x < TableLeft || x >= TableLeft + TableWidth) return nullptr;
  int32_t rowTop = YPosition;
  for (int r = 0; r < Rows.Count(); ++r) {
    const TCellList& row = *Rows[r];
    int32_t cellX = TableLeft;
    for (int c = 0; c < row.Count(); ++c) {
      TCellObj* cell = row[c];
      if (cell && x >= cellX && x < cellX + cell->Wd && y >= rowTop && y < rowTop + cell->Ht) return cell;
      cellX += Widths[static_cast<size_t>(c)];
    }
    rowTop += Heights[static_cast<size_t>(r)];
  }
  return nullptr;
}

int ThtmlTable::GetLinkAt(pf::TCanvas& canvas, int32_t x, int32_t y, std::unique_ptr<TUrlTarget>& urlTarget,
                          TFormControlObj*& formControl, std::string& title) {
  TCellObj* cell = CellAt(x, y);
  return cell ? cell->Cell->GetLinkAt(canvas, x, y, urlTarget, formControl, title) : 0;
}

TIDObject* ThtmlTable::FindObjectAt(int32_t x, int32_t y, int32_t& position) {
  TCellObj* cell = CellAt(x, y);
  return cell ? cell->Cell->FindObjectAt(x, y, position) : nullptr;
}

int32_t ThtmlTable::GetPositionAtPoint(pf::TCanvas& canvas, int32_t x, int32_t y, bool& inText, int32_t& lineHeight,
                                       int32_t& lineTop, int32_t& caretX) {
  TCellObj* cell = CellAt(x, y);
  return cell ? cell->Cell->GetPositionAtPoint(canvas, x, y, inText, lineHeight, lineTop, caretX) : -1;
}

template <typename T, typename Query>
T ThtmlTable::FirstCellAnswer(T none, Query query, bool backwards) const {
  std::vector<TCellObjCell*> cells;
  for (int r = 0; r < Rows.Count(); ++r)
    for (int c = 0; c < Rows[r]->Count(); ++c)
      if (TCellObj* cell = (*Rows[r])[c]) cells.push_back(cell->Cell.get());
  if (backwards) std::reverse(cells.begin(), cells.end());
  for (TCellObjCell* cell : cells)
    if (const T answer = query(*cell); answer != none) return answer;
  return none;
}

void ThtmlTable::CollectSelectedText(SelTextCount& collector) {
  FirstCellAnswer(false, [&](TCellObjCell& cell) {
    cell.CollectSelectedText(collector);
    return false;
  });
}

int32_t ThtmlTable::SearchForward(int32_t position, std::u16string_view text, bool matchCase) {
  return FirstCellAnswer(-1, [&](TCellObjCell& cell) { return cell.SearchForward(position, text, matchCase); });
}

int32_t ThtmlTable::SearchBackward(int32_t position, std::u16string_view text, bool matchCase) {
  auto query = [&](TCellObjCell& cell) { return cell.SearchBackward(position, text, matchCase); };
  return FirstCellAnswer(-1, query, true);
}

int32_t ThtmlTable::MapToSourcePos(int32_t docPos) {
  return FirstCellAnswer(-1, [&](TCellObjCell& cell) { return cell.MapToSourcePos(docPos); });
}

int32_t ThtmlTable::MapToDocPos(int32_t sourcePos, bool backwards) {
  auto query = [&](TCellObjCell& cell) { return cell.MapToDocPos(sourcePos, backwards); };
  return FirstCellAnswer(-1, query, backwards);
}

bool ThtmlTable::GetPositionXY(pf::TCanvas& canvas, int32_t docPos, int32_t& x, int32_t& y) {
  return FirstCellAnswer(false, [&](TCellObjCell& cell) { return cell.GetPositionXY(canvas, docPos, x, y); });
}

bool ThtmlTable::ReadCharAt(int32_t docPos, char16_t& ch, TSectionBase*& object) {
  return FirstCellAnswer(false, [&](TCellObjCell& cell) { return cell.ReadCharAt(docPos, ch, object); });
}

}  // namespace viewer
