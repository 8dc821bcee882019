#include "viewer/table_structure.h"

#include <algorithm>

#include "viewer/style_properties.h"

namespace viewer {

namespace {

constexpr int32_t kMaxPercent = 100;

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
          if (a.Value > 0) SpecWd = a.Value;
        } else if (a.Value >= 1 && a.Value <= kMaxPercent) {
          SpecWd = a.Value * 10;
          AsPercent = true;
        }
        break;
      case HeightSy:
        if (HasPercent(a))
          SpecHtPercent = std::clamp(a.Value, 0, kMaxPercent);
        else
          SpecHt = a.Value;
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
    SpecWd = MargArray[piWidth];
    AsPercent = false;
  }
  if (MargArray[piHeight] > 0) SpecHt = MargArray[piHeight];
  const pf::TColor background = prop.GetBackgroundColor();
  if (background != pf::clNone) {
    Cell->BkGnd = true;
    Cell->BkColor = background;
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
  prop.GetPageBreaks(BreakBefore, BreakAfter, KeepIntact);
}

TCellObj::~TCellObj() = default;

// ---- rows ----

TCellList::TCellList(const TAttributeList* attributes, TProperties& prop) {
  for (int i = 0; attributes && i < attributes->Count(); ++i) {
    const TAttribute& a = *(*attributes)[i];
    if (a.Which == HeightSy) {
      if (HasPercent(a))
        RowHeightPercent = std::clamp(a.Value, 0, kMaxPercent);
      else
        RowHeight = a.Value;
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

ThtmlTable::~ThtmlTable() = default;

void ThtmlTable::AddColumn(int32_t width, bool asPercent, const std::string& align, uint8_t vAlign) {
  if (!ColSpecs) ColSpecs = std::make_unique<TFreeList<TColObj>>();
  ColSpecs->Add(std::make_unique<TColObj>(TColObj{width, asPercent, align, vAlign}));
}

// Column widths, row heights and painting come with the table layout; until then the base answers.
std::unique_ptr<TSectionBase> ThtmlTable::CreateClone(TSectionList* ownerList) const {
  return TSectionBase::CreateClone(ownerList);
}

int32_t ThtmlTable::ComputeLayout(pf::TCanvas& canvas, const pf::TRect& clip, IndentManager& indents, int32_t x,
                                  int32_t y, int32_t availWidth, int32_t availHeight, int32_t& curs,
                                  int32_t& maxWidth) {
  return TSectionBase::ComputeLayout(canvas, clip, indents, x, y, availWidth, availHeight, curs, maxWidth);
}

int32_t ThtmlTable::Paint(pf::TCanvas& canvas, const pf::TRect& clip, IndentManager& indents, int32_t x, int32_t xRef,
                          int32_t yRef) {
  return TSectionBase::Paint(canvas, clip, indents, x, xRef, yRef);
}

void ThtmlTable::MeasureMinMaxWidth(pf::TCanvas& canvas, int32_t& minWidth, int32_t& maxWidth) {
  minWidth = maxWidth = 0;
}

}  // namespace viewer
