// Any bytes read as HTML; every table of the page is measured, laid out in a room the first byte picks, painted and
// hit-tested, with cell content of minimum and maximum widths and heights taken from the following bytes. The
// laid-out table must hold together: every row within the column count, every span within its row and the table's
// rows, the table as wide as its spacing and columns and as high as its spacing and rows.
#include <cstddef>
#include <cstdint>
#include <numeric>
#include <string>
#include <vector>

#include "platform/core/exceptions.h"
#include "platform/graphics/bitmap.h"
#include "platform/graphics/fonts.h"
#include "tests/viewer/fixed_content.h"
#include "viewer/blocks.h"
#include "viewer/html_parser.h"
#include "viewer/table_structure.h"

namespace {

using namespace viewer;

void Trap(bool failed) {
  if (failed) __builtin_trap();
}

// The tables outside other tables' cells.
void CollectTables(TCellBasic& cell, std::vector<ThtmlTable*>& tables) {
  for (int i = 0; i < cell.Count(); ++i) {
    if (auto* table = dynamic_cast<ThtmlTable*>(cell[i])) tables.push_back(table);
    if (auto* block = dynamic_cast<TBlock*>(cell[i])) CollectTables(*block->MyCell, tables);
  }
}

int64_t Sum(const std::vector<int32_t>& values) { return std::accumulate(values.begin(), values.end(), int64_t{0}); }

void Check(const ThtmlTable& table) {
  Trap(table.Widths.size() != static_cast<size_t>(table.NumCols));
  Trap(table.Heights.size() != static_cast<size_t>(table.Rows.Count()));
  for (int r = 0; r < table.Rows.Count(); ++r) {
    const TCellList& row = *table.Rows[r];
    Trap(row.Count() > table.NumCols);
    for (int c = 0; c < row.Count(); ++c) {
      const TCellObj* cell = row[c];
      if (!cell) continue;
      Trap(cell->ColSpan < 1 || c + cell->ColSpan > row.Count());
      Trap(cell->RowSpan < 1 || r + cell->RowSpan > table.Rows.Count());
    }
  }
  if (table.NumCols > 0) Trap(table.TableWidth != table.CellSpacing + Sum(table.Widths));
  if (table.Rows.Count() > 0) Trap(table.TableHeight != table.CellSpacing + Sum(table.Heights));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool fixedFonts = (pf::SetFontService(pf::CreateFixedMetricFontService()), true);
  (void)fixedFonts;
  if (size < 2) return 0;
  const int32_t room = 50 + data[0] * 4;
  const std::string sizes(reinterpret_cast<const char*>(data) + 1, std::min<size_t>(size - 1, 16));
  const std::string document(reinterpret_cast<const char*>(data) + 1, size - 1);
  TSectionList list(nullptr, nullptr);
  list.ApplyDefaultFontsAndColors("Times New Roman", "Courier New", 10, 5, pf::DEFAULT_CHARSET, true, false,
                                  pf::clWhite, 0xFF0000, 0x800080, 0xFF0000, pf::clBlack, 12);
  TParseResult result;
  try {
    ParseHtmlDocument(document, list, nullptr, nullptr, nullptr, nullptr, result);
  } catch (const pf::Exception&) {
  }
  std::vector<ThtmlTable*> tables;
  CollectTables(list, tables);
  pf::TBitmap bitmap(64, 64, pf::pf24bit);
  pf::TCanvas& canvas = bitmap.Canvas();
  size_t next = 0;
  auto byte = [&]() { return static_cast<uint8_t>(sizes[next++ % sizes.size()]); };
  for (ThtmlTable* table : tables) {
    // Content of its own replaces the cells' (and with it any table inside them).
    for (int r = 0; r < table->Rows.Count(); ++r) {
      for (int c = 0; c < table->Rows[r]->Count(); ++c) {
        TCellObj& cell = *(*table->Rows[r])[c];
        const int32_t minWidth = byte() % 64, maxWidth = minWidth + byte() % 128, height = byte() % 64;
        cell.Cell = std::make_unique<FixedContent>(&list, minWidth, maxWidth, height);
      }
    }
    ++list.LayoutCounter;
    int32_t minWidth = 0, maxWidth = 0, curs = 0;
    table->MeasureMinMaxWidth(canvas, minWidth, maxWidth);
    const int32_t width = std::max(minWidth, std::min(maxWidth, room));
    IndentManager indents;
    indents.SetEdges(0, width);
    table->ComputeLayout(canvas, pf::TRect{}, indents, 0, 0, width, byte() % 2 ? 0 : room, curs, maxWidth);
    Check(*table);
    list.Printing = byte() % 2 == 0;
    list.PageBottom = byte();
    table->Paint(canvas, pf::TRect{0, 0, 64, 64}, indents, 0, 0, 0);
    std::unique_ptr<TUrlTarget> target;
    TFormControlObj* control = nullptr;
    std::string title;
    for (int32_t y = 0; y < table->TableHeight; y += 7)
      table->GetLinkAt(canvas, (y * 13) % std::max(1, table->TableWidth), y, target, control, title);
  }
  return 0;
}
