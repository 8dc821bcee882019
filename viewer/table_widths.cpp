// Column widths of tables: minimum and maximum widths by the pixel and by the per-mille method, and the final
// widths for a fixed table width, for the room a table may take, and by the pixel method.
#include <algorithm>
#include <limits>
#include <numeric>

#include "platform/core/mathutil.h"
#include "viewer/table_structure.h"

namespace viewer {

namespace {

constexpr int32_t kWhole = 1000;  // per-mille of the whole
// The shrinking of percentages that cannot all be met stops after this many passes at the latest.
constexpr int kMaxShrinkPasses = 64;

int32_t SumOf(const std::vector<int32_t>& values) { return SumRange(values, 0, static_cast<int32_t>(values.size())); }

// The columns first..first+span-1 grow in proportion to what they hold until they sum to at least need; when they
// hold nothing the first takes it all.
void GrowToAtLeast(std::vector<int32_t>& columns, int32_t first, int32_t span, int32_t need) {
  const int32_t sum = SumRange(columns, first, span);
  if (sum >= need) return;
  if (sum < 1) {
    columns[static_cast<size_t>(first)] = need;
    return;
  }
  for (int32_t c = first; c < first + span; ++c)
    columns[static_cast<size_t>(c)] += pf::MulDiv(columns[static_cast<size_t>(c)], need - sum, sum);
}

// The columns first..first+span-1 take need in proportion to what they held against sum (evenly when sum is 0);
// what the rounding leaves goes to the first.
void ShareOut(std::vector<int32_t>& columns, int32_t first, int32_t span, int32_t need, int32_t sum) {
  int32_t given = 0;
  for (int32_t c = first; c < first + span; ++c) {
    int32_t& column = columns[static_cast<size_t>(c)];
    column = sum == 0 ? need / span : pf::MulDiv(need, column, sum);
    given += column;
  }
  columns[static_cast<size_t>(first)] += need - given;
}

}  // namespace

int32_t SumRange(const std::vector<int32_t>& values, int32_t first, int32_t count) {
  const auto begin = values.begin() + first;
  return BoundExtent(std::accumulate(begin, begin + count, int64_t{0}));
}

void ThtmlTable::MeasureCell(pf::TCanvas& canvas, TCellObj& cell, int32_t& minWidth, int32_t& maxWidth) const {
  cell.Cell->MeasureMinMaxWidth(canvas, minWidth, maxWidth);
  minWidth += cell.HzSpace + CellSpacing;
  maxWidth += cell.HzSpace + CellSpacing;
}

void ThtmlTable::GetMinMaxAbs(pf::TCanvas& canvas, int32_t& minWidth, int32_t& maxWidth) {
  std::fill(MinWidths.begin(), MinWidths.end(), 0);
  std::fill(MaxWidths.begin(), MaxWidths.end(), 0);
  for (const TGridCell& at : cellsBySpan_) {
    TCellObj& cell = *at.Cell;
    int32_t cellMin = 0, cellMax = 0;
    MeasureCell(canvas, cell, cellMin, cellMax);
    const bool pixels = cell.SpecWd > 0 && !cell.AsPercent;
    const auto col = static_cast<size_t>(at.Col);
    if (cell.ColSpan == 1) {
      if (pixels) cellMin = cellMax = std::max(cellMin, cell.SpecWd + cell.HzSpace + CellSpacing);
      MinWidths[col] = std::max(MinWidths[col], cellMin);
      MaxWidths[col] = std::max(MaxWidths[col], cellMax);
    } else {
      if (pixels) cellMin = cellMax = std::max(cellMin, cell.SpecWd);
      GrowToAtLeast(MinWidths, at.Col, cell.ColSpan, cellMin);
      GrowToAtLeast(MaxWidths, at.Col, cell.ColSpan, cellMax);
    }
  }
  minWidth = SumOf(MinWidths);
  maxWidth = SumOf(MaxWidths);
}

void ThtmlTable::GetMinMaxWidths(pf::TCanvas& canvas, int32_t w, int32_t& minWidth, int32_t& maxWidth) {
  for (auto* column : {&MinWidths, &MaxWidths, &Percents}) std::fill(column->begin(), column->end(), 0);
  for (const TGridCell& at : cellsBySpan_) {
    TCellObj& cell = *at.Cell;
    int32_t cellMin = 0, cellMax = 0;
    MeasureCell(canvas, cell, cellMin, cellMax);
    int32_t percent = 0;
    if (cell.AsPercent)
      percent = cell.SpecWd;
    else if (cell.SpecWd > 0 && w > 0)
      percent = std::min(kWhole, pf::MulDiv(cell.SpecWd, kWhole, w));
    if (cell.ColSpan == 1) {
      const auto col = static_cast<size_t>(at.Col);
      MinWidths[col] = std::max(MinWidths[col], cellMin);
      MaxWidths[col] = std::max(MaxWidths[col], cellMax);
      Percents[col] = std::max(Percents[col], percent);
    } else {
      SpreadSpanningCell(at, w, cellMin, cellMax, percent);
    }
  }
  minWidth = SumOf(MinWidths);
  maxWidth = SumOf(MaxWidths);
}

void ThtmlTable::SpreadSpanningCell(const TGridCell& at, int32_t w, int32_t cellMin, int32_t cellMax,
                                    int32_t cellPercent) {
  const int32_t first = at.Col, span = at.Cell->ColSpan, last = first + span;
  int32_t sumMin = SumRange(MinWidths, first, span), sumMax = SumRange(MaxWidths, first, span);
  int32_t pctSum = 0, noPct = 0;
  for (int32_t c = first; c < last; ++c) {
    const int32_t p = Percents[static_cast<size_t>(c)];
    if (p > 0)
      pctSum += p;
    else
      ++noPct;
  }
  if (span == NumCols) {
    sumMin = std::max(sumMin, w);
    sumMax = std::max(sumMax, w);
  }
  const int32_t exMin = cellMin - sumMin, exMax = cellMax - sumMax;
  if (cellPercent == 0 && pctSum == 0) {
    if (exMin > 0) ShareOut(MinWidths, first, span, cellMin, sumMin);
    if (exMax > 0) ShareOut(MaxWidths, first, span, cellMax, sumMax);
    return;
  }
  const int32_t each = noPct > 0 ? std::max(0, (cellPercent - pctSum) / noPct) : 0;
  if (noPct == 0 && pctSum + 1 < cellPercent) {
    for (int32_t c = first; c < last; ++c) {
      int32_t& p = Percents[static_cast<size_t>(c)];
      p = pf::MulDiv(p, cellPercent, pctSum);
    }
  } else if (each > 0) {
    for (int32_t c = first; c < last; ++c)
      if (Percents[static_cast<size_t>(c)] == 0) Percents[static_cast<size_t>(c)] = each;
  }
  const int32_t pctTotal = std::max(pctSum, cellPercent);
  if (exMin > 0) {
    const bool byPercent = noPct < 1 || sumMax < 1;
    for (int32_t c = first; c < last; ++c) {
      const auto col = static_cast<size_t>(c);
      MinWidths[col] +=
          byPercent ? pf::MulDiv(exMin, Percents[col], pctTotal) : pf::MulDiv(exMin, MaxWidths[col], sumMax);
    }
  }
  if (exMax >= 1)
    for (int32_t c = first; c < last; ++c)
      MaxWidths[static_cast<size_t>(c)] += pf::MulDiv(exMax, Percents[static_cast<size_t>(c)], pctTotal);
}

void ThtmlTable::MeasureMinMaxWidth(pf::TCanvas& canvas, int32_t& minWidth, int32_t& maxWidth) {
  Initialize();
  if (HasPixelWidths && TableWidthSpec == 0)
    GetMinMaxAbs(canvas, minWidth, maxWidth);
  else
    GetMinMaxWidths(canvas, TableWidthSpec, minWidth, maxWidth);
  minWidth = std::max(minWidth + CellSpacing, TableWidthSpec);
  maxWidth = std::max(maxWidth + CellSpacing, TableWidthSpec);
}

void ThtmlTable::ComputeWidths(pf::TCanvas& canvas, IndentManager& indents, int32_t y) {
  const bool specified = TableWidthSpec > 0;
  int32_t w = specified ? TableWidthSpec : indents.RightEdgeAt(y) - indents.LeftEdgeAt(y);
  w -= CellSpacing;
  Initialize();
  if (NumCols == 0) {
    TableWidth = std::max(0, CellSpacing);
    return;
  }
  if (HasPixelWidths && !specified) {
    GetWidthsAbs(canvas, w);
  } else {
    int32_t minWidth = 0, maxWidth = 0;
    GetMinMaxWidths(canvas, w, minWidth, maxWidth);
    if (w <= minWidth)
      Widths = MinWidths;
    else if (specified)
      DistributePercent(w);
    else
      FitWidths(minWidth, maxWidth, w);
  }
  HoldRun(Widths);
  TableWidth = CellSpacing + SumOf(Widths);
}

void ThtmlTable::GetWidthsAbs(pf::TCanvas& canvas, int32_t w) {
  int32_t minWidth = 0, maxWidth = 0;
  GetMinMaxAbs(canvas, minWidth, maxWidth);
  if (minWidth > w) {
    Widths = MinWidths;
    return;
  }
  if (maxWidth <= w) {
    Widths = MaxWidths;
    return;
  }
  const int32_t range = maxWidth - minWidth;  // at least 1 here
  for (size_t c = 0; c < Widths.size(); ++c)
    Widths[c] = MinWidths[c] + pf::MulDiv(MaxWidths[c] - MinWidths[c], w - minWidth, range);
  // What the rounding left over: a pixel per column in column order, taken only from columns that grew.
  for (int32_t diff = SumOf(Widths) - w; diff != 0;) {
    const int32_t before = diff;
    for (size_t c = 0; c < Widths.size() && diff != 0; ++c) {
      if (diff > 0 && MaxWidths[c] > MinWidths[c]) {
        --Widths[c];
        --diff;
      } else if (diff < 0) {
        ++Widths[c];
        ++diff;
      }
    }
    if (diff == before) break;
  }
}

void ThtmlTable::DistributePercent(int32_t w) {
  const auto cols = static_cast<size_t>(NumCols);
  std::vector<bool> fixed(cols, false);
  int32_t pctSum = 0, freeRoom = 0, plainCount = 0;
  int lastPlain = -1;
  for (size_t c = 0; c < cols; ++c) {
    const int32_t p = Percents[c];
    if (p > 0) {
      Widths[c] = pf::MulDiv(w, p, kWhole);
      if (Widths[c] < MinWidths[c]) {
        Widths[c] = MinWidths[c];
        fixed[c] = true;
      } else {
        AddExtent(pctSum, p);
      }
    } else {
      Widths[c] = MinWidths[c];
      AddExtent(freeRoom, std::max(0, MaxWidths[c] - MinWidths[c]));
      lastPlain = static_cast<int>(c);
      ++plainCount;
    }
  }
  auto unfixedPercent = [&](size_t c) { return Percents[c] > 0 && !fixed[c]; };
  int32_t excess = SumOf(Widths) - w;
  if (excess > 0) {
    for (int pass = 0; pass < 4; ++pass) {
      bool fixedAny = false;
      for (size_t c = 0; c < cols && pctSum > 0; ++c) {
        if (!unfixedPercent(c) || Widths[c] - pf::MulDiv(excess, Percents[c], pctSum) >= MinWidths[c]) continue;
        excess -= Widths[c] - MinWidths[c];
        Widths[c] = MinWidths[c];
        fixed[c] = true;
        pctSum -= Percents[c];
        fixedAny = true;
      }
      if (!fixedAny) break;
    }
    if (pctSum > 0 && excess > 0) {
      const int32_t toShed = excess;
      for (size_t c = 0; c < cols; ++c)
        if (unfixedPercent(c)) Widths[c] -= pf::MulDiv(toShed, Percents[c], pctSum);
    }
  } else if (excess < 0) {
    const int32_t room = -excess;
    if (plainCount == 0) {
      for (size_t c = 0; c < cols && pctSum > 0; ++c)
        if (unfixedPercent(c)) Widths[c] += pf::MulDiv(room, Percents[c], pctSum);
    } else if (freeRoom > 0 && room / 4 <= freeRoom) {
      for (size_t c = 0; c < cols; ++c)
        if (Percents[c] <= 0) Widths[c] += pf::MulDiv(room, std::max(0, MaxWidths[c] - MinWidths[c]), freeRoom);
    } else {
      for (size_t c = 0; c < cols; ++c)
        if (Percents[c] <= 0) Widths[c] += room / plainCount;
    }
  }
  int32_t diff = SumOf(Widths) - w;
  if (diff > 0) {
    // A surplus comes off the first unfixed column, then off others, never below a column's minimum; what no column
    // can give leaves the table that much wider.
    for (int round = 0; round < 2 && diff > 0; ++round)
      for (size_t c = 0; c < cols && diff > 0; ++c) {
        if (round == 0 && fixed[c]) continue;
        const int32_t give = std::min(diff, Widths[c] - MinWidths[c]);
        if (give <= 0) continue;
        Widths[c] -= give;
        diff -= give;
      }
  } else if (diff < 0) {
    int32_t shortfall = -diff;
    if (lastPlain >= 0) {
      Widths[static_cast<size_t>(lastPlain)] += shortfall;
    } else {
      const int32_t share = shortfall / NumCols;
      for (size_t c = 0; c < cols; ++c) Widths[c] += share;
      shortfall -= share * NumCols;
      for (size_t c = 0; c < cols && shortfall > 0; ++c, --shortfall) ++Widths[c];
    }
  }
}

void ThtmlTable::FitWidths(int32_t minWidth, int32_t maxWidth, int32_t w) {
  const auto cols = static_cast<size_t>(NumCols);
  const int32_t pctTotal = SumOf(Percents);
  if (pctTotal > 0 && pctTotal <= kWhole) {
    int32_t rest = 0, needed = 0;
    for (size_t c = 0; c < cols; ++c) {
      if (Percents[c] > 0)
        needed = std::max(needed, pf::MulDiv(MaxWidths[c], kWhole, Percents[c]));
      else
        AddExtent(rest, MaxWidths[c]);
    }
    if (pctTotal >= kWhole)
      needed = std::max(needed, rest > 0 ? kUnsatisfiable : 0);
    else
      needed = std::max(needed, pf::MulDiv(rest, kWhole, kWhole - pctTotal));
    if (needed <= w) {
      const int32_t plainRoom = pf::MulDiv(needed, kWhole - pctTotal, kWhole);
      for (size_t c = 0; c < cols; ++c) {
        if (Percents[c] > 0)
          Widths[c] = pf::MulDiv(needed, Percents[c], kWhole);
        else
          Widths[c] = rest < 1 ? 0 : pf::MulDiv(MaxWidths[c], plainRoom, rest);
      }
      return;
    }
    std::vector<int32_t> percents = Percents;
    ShrinkPercents(w, percents, minWidth, maxWidth);
  }
  const int32_t range = maxWidth - minWidth;
  for (size_t c = 0; c < cols; ++c)
    Widths[c] = range > 0 ? MinWidths[c] + pf::MulDiv(MaxWidths[c] - MinWidths[c], w - minWidth, range)
                          : MinWidths[c] + (w - minWidth) / NumCols;
  size_t widest = 0;
  for (size_t c = 1; c < cols; ++c)
    if (MaxWidths[c] - MinWidths[c] > MaxWidths[widest] - MinWidths[widest]) widest = c;
  Widths[widest] += w - SumOf(Widths);
}

bool ThtmlTable::ShrinkPercents(int32_t w, std::vector<int32_t>& percents, int32_t& minWidth, int32_t& maxWidth) {
  int32_t previousTarget = 0x0FFFFFFF;
  for (int pass = 0; pass < kMaxShrinkPasses; ++pass) {
    // Percent columns whose minimum fits their share keep the percentage; the others become plain columns.
    int32_t kept = 0, others = 0;
    for (size_t c = 0; c < percents.size(); ++c) {
      const int32_t share = pf::MulDiv(w, percents[c], kWhole);
      if (percents[c] > 0 && MinWidths[c] <= share) {
        AddExtent(kept, share);
      } else {
        percents[c] = 0;
        AddExtent(others, MinWidths[c]);
      }
    }
    if (kept <= 0) return false;
    if (kept + others > w) {
      int32_t target = w - others;
      if (target >= previousTarget) target = previousTarget - 1;
      previousTarget = target;
      for (int32_t& p : percents)
        if (p > 0) p = pf::MulDiv(p, target, kept);
      continue;
    }
    for (size_t c = 0; c < percents.size(); ++c)
      if (percents[c] > 0) MinWidths[c] = MaxWidths[c] = pf::MulDiv(w, percents[c], kWhole);
    minWidth = SumOf(MinWidths);
    maxWidth = SumOf(MaxWidths);
    return true;
  }
  return false;
}

}  // namespace viewer
