// The builder's tables: rows, cells, captions, row groups and column specifications.
#include <algorithm>

#include "platform/core/strings.h"
#include "viewer/html_builder.h"
#include "viewer/table_structure.h"

namespace viewer {

namespace {

constexpr int kMaxSpan = 100;
// The column specifications a table keeps; the span grid has a slot per specification in every row.
constexpr int kMaxColumnSpecs = 1000;
// How far a ROWSPAN reaches into the span grid; the grid would otherwise grow with any number written.
constexpr int kMaxGridRowSpan = 1000;

// The symbols that end a cell's or a caption's content.
const TSymbolSet kTableStructure =
    SymbolSet({TRSy, TREndSy, TDSy, TDEndSy, THSy, THEndSy, TableEndSy, CaptionSy, CaptionEndSy, THeadSy, TBodySy,
               TFootSy, THeadEndSy, TBodyEndSy, TFootEndSy, ColSy, ColGroupSy, ColGroupEndSy});

// VALIGN of a row or cell: "top" and "baseline" 1, "middle" 2, "bottom" 4, compared as written.
uint8_t VerticalAlign(const TAttributeList& attributes, uint8_t current) {
  TAttribute* valign = nullptr;
  if (!attributes.FindSymbol(VAlignSy, valign)) return current;
  if (valign->Text == "top" || valign->Text == "baseline") return 1;
  if (valign->Text == "middle") return 2;
  if (valign->Text == "bottom") return 4;
  return current;
}

bool IsBlankText(const std::u16string& text) {
  return std::all_of(text.begin(), text.end(), [](char16_t c) { return c == u' '; });
}

}  // namespace

// ---- the span grid ----

void TCellManager::AddRow() { Add(std::string(static_cast<size_t>(Table->ColumnCount()), 'o')); }

int TCellManager::FindColNum(int row) {
  while (Count() <= row) AddRow();
  const size_t free = Get(row).find('o');
  return free == std::string::npos ? -1 : static_cast<int>(free);
}

void TCellManager::AddCell(int row, TCellObj& cell) {
  const int rowSpan = std::clamp(cell.RowSpan, 1, kMaxGridRowSpan);
  while (Count() < row + rowSpan) AddRow();
  const int column = FindColNum(row);
  if (column < 0) return;
  int span = cell.ColSpan;
  for (int r = row; r < row + rowSpan; ++r) {
    std::string slots = Get(r);
    int marked = 0;
    for (auto k = static_cast<size_t>(column); marked < span && k < slots.size() && slots[k] == 'o'; ++k, ++marked)
      slots[k] = 'x';
    Put(r, slots);
    // The first row decides: slots beyond the specified columns count as taken.
    if (r == row) span = marked;
  }
  cell.ColSpan = span;
}

// ---- tables ----

struct THtmlBuilder::TTableState {
  TCellBasic* outerCell = nullptr;
  std::unique_ptr<TAttributeList> attributes;
  ThtmlTable* table = nullptr;
  std::unique_ptr<TTableBlock> block;
  std::unique_ptr<TTableAndCaptionBlock> wrapper;
  std::unique_ptr<TBlock> caption;
  bool captionOnTop = true;
  std::vector<std::unique_ptr<TCellList>> footRows;
  std::unique_ptr<TCellList> row;
  uint8_t rowVAlign = 2;
  uint8_t rowPart = TCellList::rpHead;
  std::unique_ptr<TCellObj> cell;
  std::unique_ptr<TCellManager> cellManager;
  int rowIndex = 0;    // rows read so far, in document order
  int tableLevel = 0;  // property stack entries with the table's
  int groupLevel = 0;  // and with the row group's
  int rowLevel = 0;    // and with the row's
  bool savedNoBreak = false;
  int32_t savedListLevel = 0;
  bool assembled = false;
};

void THtmlBuilder::DoTable() {
  TDepth depth(blockDepth_);
  if (tableDepth_ >= kMaxTableDepth || depth.Exceeded()) {
    NextToken();
    return;
  }
  ++tableDepth_;
  EndLink();
  CloseSection();
  TOrdinaryReading ordinary(preformatted_);
  TTableState t;
  t.outerCell = CurrentCell;
  t.savedNoBreak = NoBreakFlag;
  t.savedListLevel = ListLevel;
  const std::string& enclosingAlign = StringOf(Top().Props[piTextAlign]);
  const uint8_t position = enclosingAlign == "center" ? 2 : enclosingAlign == "right" ? 3 : 0;
  t.attributes = CopyAttributes(Tokenizer.Attributes);
  TProperties& prop = PushTagProperties("table", *t.attributes);
  t.tableLevel = t.groupLevel = t.rowLevel = PropStack.Count();
  auto table = std::make_unique<ThtmlTable>(SectionList, *t.attributes, prop);
  t.table = table.get();
  t.block = std::make_unique<TTableBlock>(SectionList, prop, t.outerCell, std::move(table), t.attributes.get());
  if (t.block->TableAlign == 0 && t.block->FloatLR == 0) t.block->TableAlign = position;
  t.wrapper =
      std::make_unique<TTableAndCaptionBlock>(SectionList, prop, t.outerCell, t.attributes.get(), t.block.get());
  NextToken();
  try {
    ReadTableContent(t);
  } catch (...) {
    AssembleTable(t);
    --tableDepth_;
    throw;
  }
  AssembleTable(t);
  --tableDepth_;
  ordinary.Resume();
  if (Sy() == TableEndSy) NextToken();
}

void THtmlBuilder::ReadTableContent(TTableState& t) {
  while (Sy() != TableEndSy && Sy() != EofSy) {
    const THtmlSymbol sy = Sy();
    switch (sy) {
      case TRSy:
        FinishRow(t);
        StartRow(t, false);
        NextToken();
        break;
      case TREndSy:
        FinishRow(t);
        NextToken();
        break;
      case TDSy:
      case THSy:
        StartCell(t);
        break;
      case TDEndSy:
      case THEndSy:
        FinishCell(t);
        if (t.row) PopToLevel(t.rowLevel);
        NextToken();
        break;
      case CaptionSy:
        DoCaption(t);
        break;
      case THeadSy:
      case TBodySy:
      case TFootSy:
      case THeadEndSy:
      case TBodyEndSy:
      case TFootEndSy:
        FinishRow(t);
        PopToLevel(t.tableLevel);
        t.groupLevel = t.tableLevel;
        if ((sy == THeadSy && t.rowIndex == 0) || sy == TBodySy || sy == TFootSy) {
          PushTagProperties(SymbolToTagName(sy), Tokenizer.Attributes);
          t.groupLevel = PropStack.Count();
          t.rowPart = sy == TFootSy ? TCellList::rpFoot : sy == TBodySy ? TCellList::rpBody : TCellList::rpHead;
        } else if (sy == TFootEndSy) {
          t.rowPart = TCellList::rpBody;  // rows after a closed foot are body rows
        }
        NextToken();
        break;
      case ColSy:
      case ColGroupSy:
        ReadColumns(t);
        break;
      case TextSy:
        if (IsBlankText(Tokenizer.Token.GetText())) {
          NextToken();
          break;
        }
        [[fallthrough]];
      default:
        if (sy == OtherTagSy || sy == CaptionEndSy || sy == ColGroupEndSy) {
          NextToken();  // stray end tags and tags missing from the tables
          break;
        }
        // Anything else outside a cell shows before the table.
        FinishCell(t);
        CurrentCell = t.outerCell;
        DoDocument(kTableStructure);
        CloseSection();
        break;
    }
  }
}

void THtmlBuilder::StartRow(TTableState& t, bool implied) {
  if (implied) {
    PushTagProperties("", "", "", "", "", nullptr);
    t.row = std::make_unique<TCellList>(nullptr, Top());
    t.rowVAlign = 2;
  } else {
    TProperties& prop = PushTagProperties("tr", Tokenizer.Attributes);
    AssignAlign(prop, AttributeText(AlignSy));
    t.row = std::make_unique<TCellList>(&Tokenizer.Attributes, prop);
    t.rowVAlign = VerticalAlign(Tokenizer.Attributes, 2);
  }
  t.row->RowType = t.rowPart;
  t.rowLevel = PropStack.Count();
}

void THtmlBuilder::StartCell(TTableState& t) {
  EndLink();
  if (!t.row) {
    StartRow(t, true);
  } else {
    FinishCell(t);
    PopToLevel(t.rowLevel);
  }
  const bool header = Sy() == THSy;
  auto attributes = CopyAttributes(Tokenizer.Attributes);
  TProperties& prop = PushTagProperties(header ? "th" : "td", *attributes);
  uint8_t vAlign = VerticalAlign(*attributes, t.rowVAlign);
  const TColObj* column = nullptr;
  if (t.cellManager) {
    const int index = t.cellManager->FindColNum(t.rowIndex);
    if (index >= 0 && index < t.table->ColumnCount()) column = (*t.table->ColSpecs)[index];
  }
  AssignAlign(prop, attributes->TextOf(AlignSy));
  if (column) AssignAlign(prop, column->ColAlign);
  if (column && column->ColVAlign != 0) vAlign = column->ColVAlign;
  if (StringOf(prop.Props[piTextAlign]) == "none") prop.AssignByName("text-align", header ? "center" : "left");
  CloseSection();
  t.cell = std::make_unique<TCellObj>(SectionList, vAlign, *attributes, prop);
  TAttribute* noWrap = nullptr;
  if (attributes->FindSymbol(NoWrapSy, noWrap) && (t.cell->SpecWd == 0 || t.cell->AsPercent)) NoBreakFlag = true;
  CurrentCell = t.cell->Cell.get();
  NextToken();
  DoDocument(kTableStructure);
}

void THtmlBuilder::DoCaption(TTableState& t) {
  EndLink();
  FinishCell(t);
  if (pf::SameText(AttributeText(AlignSy), "bottom")) t.captionOnTop = false;
  auto attributes = CopyAttributes(Tokenizer.Attributes);
  TProperties& prop = PushTagProperties("caption", *attributes);
  if (!t.caption) t.caption = std::make_unique<TBlock>(SectionList, prop, t.wrapper->MyCell.get(), attributes.get());
  TCellBasic* saved = CurrentCell;
  CurrentCell = t.caption->MyCell.get();
  NextToken();
  DoDocument(kTableStructure);
  CloseSection();
  CurrentCell = saved;
  PopTagProperties("caption");
  if (Sy() == CaptionEndSy) NextToken();
}

void THtmlBuilder::ReadColumns(TTableState& t) {
  struct Spec {
    std::string align;
    uint8_t vAlign = 0;
    int32_t width = 0;
    bool percent = false;
    int span = 1;
  };
  auto read = [](const TAttributeList& attributes, Spec spec) {
    for (int i = 0; i < attributes.Count(); ++i) {
      const TAttribute& a = *attributes[i];
      int code = 0;
      const bool keyword = ParseAlignKeyword(pf::LowerCase(pf::Trim(a.Text)), code);
      if (a.Which == AlignSy && keyword && (code == 2 || code == 5 || code == 6 || code == 7)) {
        spec.align = pf::LowerCase(pf::Trim(a.Text));
      } else if (a.Which == VAlignSy && keyword && code >= 1 && code <= 4) {
        spec.vAlign = static_cast<uint8_t>(code);
      } else if (a.Which == WidthSy) {
        spec.percent = a.Text.find('%') != std::string::npos;
        spec.width = spec.percent ? std::clamp(a.Value, 1, 100) * 10 : a.Value;
      } else if (a.Which == SpanSy) {
        spec.span = std::clamp(a.Value, 1, kMaxSpan);
      }
    }
    return spec;
  };
  auto add = [&t](const Spec& spec) {
    for (int i = 0; i < spec.span && t.table->ColumnCount() < kMaxColumnSpecs; ++i)
      t.table->AddColumn(spec.width, spec.percent, spec.align, spec.vAlign);
  };
  if (Sy() == ColSy) {
    add(read(Tokenizer.Attributes, Spec()));
    NextToken();
  } else {
    Spec group = read(Tokenizer.Attributes, Spec());
    group.span = 1;  // the group's span is its own; its COLs repeat their own
    for (NextToken(); Sy() == ColSy || (Sy() == TextSy && IsBlankText(Tokenizer.Token.GetText())); NextToken())
      if (Sy() == ColSy) add(read(Tokenizer.Attributes, group));
    if (Sy() == ColGroupEndSy) NextToken();
  }
  if (!t.cellManager && t.table->ColumnCount() > 0) t.cellManager = std::make_unique<TCellManager>(t.table);
}

void THtmlBuilder::FinishCell(TTableState& t) {
  if (!t.cell) return;
  CloseSection();
  t.cell->Cell->DropLastBottomMargin();
  if (t.cellManager) t.cellManager->AddCell(t.rowIndex, *t.cell);
  t.row->AddCell(std::move(t.cell));
  CurrentCell = t.outerCell;
  NoBreakFlag = t.savedNoBreak;
}

void THtmlBuilder::FinishRow(TTableState& t) {
  EndLink();
  FinishCell(t);
  if (t.row) {
    if (t.row->RowType == TCellList::rpFoot)
      t.footRows.push_back(std::move(t.row));
    else
      t.table->Rows.Add(std::move(t.row));
    ++t.rowIndex;
  }
  PopToLevel(t.groupLevel);
}

void THtmlBuilder::AssembleTable(TTableState& t) noexcept {
  if (t.assembled) return;
  t.assembled = true;
  FinishRow(t);
  for (auto& row : t.footRows) t.table->Rows.Add(std::move(row));
  CurrentCell = t.outerCell;
  if (!t.caption) {
    t.outerCell->Add(std::move(t.block), Tokenizer.TagPosition);
  } else {
    TBlock* caption = t.caption.get();
    t.wrapper->CaptionOnTop = t.captionOnTop;
    t.wrapper->SetCaptionBlock(caption);
    TCellBasic& cell = *t.wrapper->MyCell;
    if (t.captionOnTop) cell.Add(std::move(t.caption), Tokenizer.TagPosition);
    cell.Add(std::move(t.block), Tokenizer.TagPosition);
    if (!t.captionOnTop) cell.Add(std::move(t.caption), Tokenizer.TagPosition);
    t.wrapper->RegisterID();
    t.outerCell->Add(std::move(t.wrapper), Tokenizer.TagPosition);
  }
  PopToLevel(t.tableLevel - 1);
  NoBreakFlag = t.savedNoBreak;
  ListLevel = t.savedListLevel;
}

}  // namespace viewer
