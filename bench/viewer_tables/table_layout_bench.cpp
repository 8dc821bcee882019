// Layout of a long table: 2,000 rows of 5 cells (and 1,000 and 4,000 rows: the work per row stays the same, though
// the time per row grows once the cells no longer fit the processor's caches), each cell with content of fixed
// minimum and maximum width and height, so that the time is the table's own: column widths, row heights and the
// final layout of the cells. No other program here lays out these tables, so the lines stand without a peer.
#include <benchmark/benchmark.h>

#include <string>

#include "platform/graphics/bitmap.h"
#include "platform/graphics/fonts.h"
#include "tests/viewer/fixed_content.h"
#include "viewer/blocks.h"
#include "viewer/html_parser.h"
#include "viewer/table_structure.h"

namespace {

using namespace viewer;

struct LongTable {
  explicit LongTable(int rows) : list(nullptr, nullptr) {
    pf::SetFontService(pf::CreateFixedMetricFontService());
    list.ApplyDefaultFontsAndColors("Times New Roman", "Courier New", 0, 0, pf::DEFAULT_CHARSET, true, false,
                                    pf::clWhite, 0, 0, 0, pf::clBlack, 12);
    std::string html = "<table width=\"95%\"><tr><td colspan=5>head</td></tr>";
    for (int r = 1; r < rows; ++r)
      html +=
          "<tr><td width=\"2%\">" + std::to_string(r) + "</td><td>a</td><td>b</td><td rowspan=1>c</td><td>d</td></tr>";
    TParseResult result;
    ParseHtmlDocument(html + "</table>", list, nullptr, nullptr, nullptr, nullptr, result);
    auto* body = dynamic_cast<TBlock*>(list[0]);
    table = dynamic_cast<TTableBlock*>((*body->MyCell)[0])->Table;
    for (int r = 0; r < table->Rows.Count(); ++r)
      for (int c = 0; c < table->Rows[r]->Count(); ++c)
        (*table->Rows[r])[c]->Cell = std::make_unique<FixedContent>(&list, 20 + 10 * c, 60 + 40 * c, 20);
  }
  // The table as a block 800 pixels wide lays it out.
  void LayOut() {
    ++list.LayoutCounter;
    table->TableWidthSpec = 760;
    int32_t minWidth = 0, maxWidth = 0, curs = 0;
    table->MeasureMinMaxWidth(canvas, minWidth, maxWidth);
    IndentManager indents;
    indents.SetEdges(0, 760);
    table->ComputeLayout(canvas, pf::TRect{}, indents, 0, 0, 760, 0, curs, maxWidth);
  }
  TSectionList list;
  ThtmlTable* table = nullptr;
  pf::TBitmap bitmap{1, 1, pf::pf24bit};
  pf::TCanvas& canvas = bitmap.Canvas();
};

void TableLayout(benchmark::State& state) {
  LongTable page(static_cast<int>(state.range(0)));
  page.LayOut();  // the span grid is made once
  for (auto _ : state) {
    page.LayOut();
    benchmark::DoNotOptimize(page.table->TableHeight);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));  // rows a second
}

}  // namespace

BENCHMARK(TableLayout)->Name("table-layout-rows/ours")->Arg(1000)->Arg(2000)->Arg(4000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
