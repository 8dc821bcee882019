#include "viewer/blocks.h"

#include <algorithm>
#include <cstdlib>

#include "platform/core/mathutil.h"
#include "platform/core/strings.h"
#include "viewer/borders.h"
#include "viewer/table_structure.h"
#include "viewer/text_sections.h"

namespace viewer {

namespace {

// Two adjoining vertical margins as one.
int32_t CollapsedMargin(int32_t a, int32_t b) {
  if (a >= 0 && b >= 0) return std::max(a, b);
  if (a < 0 && b < 0) return std::min(a, b);
  return a + b;
}

bool IsUnset(const TPropValue& v) { return !IsAssigned(v) || IntOf(v, 0) == UnsetBoxValue; }

bool NoBorderStyle(const TPropValue& v) { return IsUnset(v) || IntOf(v, 0) == 0; }

constexpr int32_t kPerMille = 1000;

}  // namespace

// ---- blocks ----

TBlock::TBlock(TSectionList* masterList, TProperties& prop, TCellBasic* ownerCell, const TAttributeList* attributes)
    : TBlock(masterList, prop, ownerCell, attributes, true, true) {}

TBlock::TBlock(TSectionList* masterList, TProperties& prop, TCellBasic* ownerCell, const TAttributeList* attributes,
               bool collapseTopMargin, bool registerId)
    : TSectionBase(masterList), MyCell(std::make_unique<TBlockCell>(masterList)) {
  MyCell->OwnerBlock = this;
  MyCell->Tag = prop.PropTag;
  prop.LeaveBackgroundToBox();
  prop.GetFont();  // sets the em and ex sizes the box lengths count in
  EmSize = prop.EmSize;
  ExSize = prop.ExSize;
  BoxValues = prop.GetBoxVariants();
  HasBorderStyle = prop.HasBorderStyle();
  int code = 0;
  if (prop.GetFloat(code)) FloatLR = static_cast<uint8_t>(code);
  if (prop.GetClear(code)) ClearAttr = static_cast<uint8_t>(code);
  Positioning = static_cast<uint8_t>(prop.GetPosition());
  if (Positioning == posAbsolute) FloatLR = 0;
  Visibility = static_cast<uint8_t>(prop.GetVisibility());
  prop.GetPageBreaks(PageBreakBefore, PageBreakAfter, KeepIntact);
  DisplayNone = prop.IsDisplayNone();
  ClipOverflow = prop.IsOverflowHidden();
  TagClass = prop.PropTag + "." + prop.PropClass;
  if (attributes) Title = attributes->TextOf(TitleSy);
  BGPos = prop.GetBackgroundPosition();
  std::string url;
  if (prop.GetBackgroundImage(url) && !url.empty()) BGImage = TImageObj::CreateFromUrl(masterList, url);
  ZIndex = 10 * prop.GetZIndex();
  if ((Positioning == posAbsolute || FloatLR != 0) && ZIndex == 0) ZIndex = 1;
  int autoCount = 0;
  ConvertBlockBoxValues(BoxValues, 0, 0, EmSize, ExSize, MargArray, autoCount);
  ConvertVerticalMargins(BoxValues, 0, EmSize, ExSize, MargArray, topMarginIsDefault_, ConvertedMargins);
  const std::string id = attributes ? pf::LowerCase(attributes->TextOf(IDSy)) : "";
  if (registerId && !id.empty()) masterList->IDNameList.AddObject(id, this);
  if (collapseTopMargin) CollapseTopMargin(ownerCell);
  if (Positioning == posAbsolute) MyCell->OwnIMgr = std::make_unique<IndentManager>();
}

TBlock::~TBlock() {
  if (TilePixelsKept > 0) OwnerList->WholeTilePixels -= TilePixelsKept;
}

// ---- print copies ----

namespace {

std::unique_ptr<TImageObj> CloneImage(const std::unique_ptr<TImageObj>& image, TSectionList* ownerList) {
  return image ? std::make_unique<TImageObj>(ownerList, *image) : nullptr;
}

// The object of copy that stands where object stands in source (the copy holds a clone of each object of source).
template <typename T>
T* CounterpartIn(const TCellBasic& source, const TCellBasic& copy, const TSectionBase* object) {
  for (int i = 0; i < source.Count() && i < copy.Count(); ++i)
    if (source[i] == object) return dynamic_cast<T*>(copy[i]);
  return nullptr;
}

}  // namespace

TBlock::TBlock(TSectionList* ownerList, const TBlock& source)
    : TSectionBase(ownerList, source),
      MargArray(source.MargArray),
      MyCell(std::make_unique<TBlockCell>(ownerList, *source.MyCell)),
      HasBorderStyle(source.HasBorderStyle),
      FloatLR(source.FloatLR),
      ClearAttr(source.ClearAttr),
      BGPos(source.BGPos),
      Positioning(source.Positioning),
      Visibility(source.Visibility),
      ConvertedMargins(source.ConvertedMargins),
      PageBreakBefore(source.PageBreakBefore),
      PageBreakAfter(source.PageBreakAfter),
      KeepIntact(source.KeepIntact),
      DisplayNone(source.DisplayNone),
      ClipOverflow(source.ClipOverflow),
      BoxValues(source.BoxValues),
      TagClass(source.TagClass),
      Title(source.Title),
      IsListBlock(source.IsListBlock),
      EmSize(source.EmSize),
      ExSize(source.ExSize),
      BGImage(CloneImage(source.BGImage, ownerList)),
      topMarginIsDefault_(source.topMarginIsDefault_) {
  MyCell->OwnerBlock = this;
  if (source.MyCell->OwnIMgr) MyCell->OwnIMgr = std::make_unique<IndentManager>();
}

std::unique_ptr<TSectionBase> TBlock::CreateClone(TSectionList* ownerList) const {
  return std::unique_ptr<TSectionBase>(new TBlock(ownerList, *this));
}

TBlockLI::TBlockLI(TSectionList* ownerList, const TBlockLI& source)
    : TBlock(ownerList, source),
      ItemKind(source.ItemKind),
      ItemNumber(source.ItemNumber),
      MarkerStyle(source.MarkerStyle),
      MarkerImage(CloneImage(source.MarkerImage, ownerList)) {
  if (source.MarkerFont) {
    MarkerFont = std::make_unique<TMyFont>();
    MarkerFont->Assign(*source.MarkerFont);
  }
}

std::unique_ptr<TSectionBase> TBlockLI::CreateClone(TSectionList* ownerList) const {
  return std::make_unique<TBlockLI>(ownerList, *this);
}

std::unique_ptr<TSectionBase> TBodyBlock::CreateClone(TSectionList* ownerList) const {
  return std::make_unique<TBodyBlock>(ownerList, *this);
}

std::unique_ptr<TSectionBase> THRBlock::CreateClone(TSectionList* ownerList) const {
  return std::make_unique<THRBlock>(ownerList, *this);
}

TTableBlock::TTableBlock(TSectionList* ownerList, const TTableBlock& source)
    : TBlock(ownerList, source),
      Table(CounterpartIn<ThtmlTable>(*source.MyCell, *MyCell, source.Table)),
      GivenWidth(source.GivenWidth),
      GivenWidthPercent(source.GivenWidthPercent),
      TableBgColor(source.TableBgColor),
      TableHasBgColor(source.TableHasBgColor),
      HSpaceAttr(source.HSpaceAttr),
      VSpaceAttr(source.VSpaceAttr),
      CaptionPresent(source.CaptionPresent),
      BevelBorder(source.BevelBorder),
      TableAlign(source.TableAlign) {}

std::unique_ptr<TSectionBase> TTableBlock::CreateClone(TSectionList* ownerList) const {
  return std::make_unique<TTableBlock>(ownerList, *this);
}

TTableAndCaptionBlock::TTableAndCaptionBlock(TSectionList* ownerList, const TTableAndCaptionBlock& source)
    : TBlock(ownerList, source),
      CaptionOnTop(source.CaptionOnTop),
      InnerTable(CounterpartIn<TTableBlock>(*source.MyCell, *MyCell, source.InnerTable)),
      InnerCaption(CounterpartIn<TBlock>(*source.MyCell, *MyCell, source.InnerCaption)),
      CaptionAlign(source.CaptionAlign),
      WrapperID(source.WrapperID) {}

std::unique_ptr<TSectionBase> TTableAndCaptionBlock::CreateClone(TSectionList* ownerList) const {
  return std::make_unique<TTableAndCaptionBlock>(ownerList, *this);
}

void TBlock::SetBottomMargin(int32_t pixels, bool isDefault) {
  MargArray[piMarginBottom] = pixels;
  BoxValues[piMarginBottom] = isDefault ? DefaultVerticalMargin : pixels;
  ConvertedMargins = isDefault;
}

void TBlock::CollapseTopMargin(TCellBasic* ownerCell) {
  if (FloatLR != 0 || !ownerCell) return;
  int32_t top = MargArray[piMarginTop];
  TSectionBase* previous = nullptr;
  for (int i = ownerCell->Count() - 1; i >= 0 && !previous; --i) {
    auto* block = dynamic_cast<TBlock*>((*ownerCell)[i]);
    if (!block || block->Positioning != posAbsolute) previous = (*ownerCell)[i];
  }
  auto* previousBlock = dynamic_cast<TBlock*>(previous);
  if (Positioning == posAbsolute) {
    if (topMarginIsDefault_) top = 0;
  } else if (!previous) {
    const bool inBody = ownerCell->Tag == "default" || ownerCell->Tag == "body";
    if (topMarginIsDefault_)
      top = 0;
    else if (inBody && ownerCell->OwnerBlock)
      top = std::max(0, top - ownerCell->OwnerBlock->MargArray[piMarginTop]);
  } else if (previousBlock && dynamic_cast<TTableBlock*>(previousBlock) && previousBlock->FloatLR != 0) {
    // A float takes no room in the flow; only a default margin gives way beside it.
    if (topMarginIsDefault_) top = 0;
  } else if (previousBlock) {
    const int32_t bottom = previousBlock->MargArray[piMarginBottom];
    previousBlock->SetBottomMargin(0, false);
    top = CollapsedMargin(bottom, top);
  } else if (ownerCell->Tag == "li" && (TagClass.starts_with("ul.") || TagClass.starts_with("ol.")) &&
             topMarginIsDefault_) {
    top = 0;
  }
  if (top != MargArray[piMarginTop]) {
    MargArray[piMarginTop] = top;
    BoxValues[piMarginTop] = top;
  }
}

// ---- list items ----

TBlockLI::TBlockLI(TSectionList* masterList, TProperties& prop, TCellBasic* ownerCell, THtmlSymbol listSymbol,
                   int32_t number, int32_t level, bool plain, char numbering, const TAttributeList* attributes)
    : TBlock(masterList, prop, ownerCell, attributes), ItemNumber(number) {
  switch (listSymbol) {
    case OLSy:
      ItemKind = ikOrdered;
      MarkerStyle = numbering == 'A'   ? lsUpperAlpha
                    : numbering == 'I' ? lsUpperRoman
                    : numbering == 'a' ? lsLowerAlpha
                    : numbering == 'i' ? lsLowerRoman
                                       : lsDecimal;
      break;
    case ULSy:
    case DirSy:
    case MenuSy:
      ItemKind = ikUnordered;
      MarkerStyle = plain ? lsNone : level % 3 == 1 ? lsDisc : level % 3 == 2 ? lsCircle : lsSquare;
      break;
    case DLSy:
      ItemKind = ikDefinition;
      MarkerStyle = lsNone;
      break;
    default:
      ItemKind = ikLoose;
      MarkerStyle = lsDisc;
      if (IsUnset(BoxValues[piMarginLeft])) {
        BoxValues[piMarginLeft] = kLooseItemMargin;
        MargArray[piMarginLeft] = kLooseItemMargin;
      }
      break;
  }
  // The default sheet gives lists the blank type, which stands for no type of their own.
  TListStyleType type = lsBlank;
  if (prop.GetListStyleType(type) && type != lsBlank) MarkerStyle = type;
  MarkerFont = prop.GetFont();
  const std::string image = prop.GetListStyleImage();
  if (!image.empty()) MarkerImage = TImageObj::CreateFromUrl(masterList, image);
}

TBlockLI::~TBlockLI() {
  MarkerFont.reset();
  MarkerImage.reset();
}

// ---- the body ----

TBodyBlock::TBodyBlock(TSectionList* masterList, TProperties& prop, TCellBasic* ownerCell,
                       const TAttributeList* attributes)
    : TBlock(masterList, prop, ownerCell, attributes) {
  if (BGImage) {
    masterList->SetBackgroundImage(BGImage->Source, BGPos);
    BGImage.reset();
  }
  const pf::TColor background = prop.GetBackgroundColor();
  if (background != pf::clNone) masterList->SetBackgroundColor(background | PaletteColorFlag());
  // The document paints the body's background (its colour and picture) itself, under the whole page.
  BoxValues[piBackgroundColor] = static_cast<int32_t>(pf::clNone);
  MargArray[piBackgroundColor] = static_cast<int32_t>(pf::clNone);
}

// ---- table blocks ----

TTableBlock::TTableBlock(TSectionList* masterList, TProperties& prop, TCellBasic* ownerCell,
                         std::unique_ptr<ThtmlTable> table, const TAttributeList* attributes)
    : TBlock(masterList, prop, ownerCell, attributes, false, true), Table(table.get()) {
  MyCell->Add(std::move(table), 0);
  if (attributes) ReadAttributes(*attributes, FloatLR != 0, BGImage != nullptr);
  const int sideStyles[] = {piBorderTopStyle, piBorderRightStyle, piBorderBottomStyle, piBorderLeftStyle};
  BevelBorder = Table->BorderWidth > 0 && std::all_of(std::begin(sideStyles), std::end(sideStyles),
                                                      [this](int side) { return NoBorderStyle(BoxValues[side]); });
  if (BevelBorder) {
    for (int side : sideStyles) BoxValues[side] = static_cast<int32_t>(bssOutset);
    for (int width : {piBorderTopWidth, piBorderRightWidth, piBorderBottomWidth, piBorderLeftWidth})
      BoxValues[width] = Table->BorderWidth;
  }
  constexpr int32_t kPercentBase = 100;
  int autoCount = 0;
  bool topDefault = false;
  ConvertBlockBoxValues(BoxValues, kPercentBase, kPercentBase, EmSize, ExSize, MargArray, autoCount);
  ConvertVerticalMargins(BoxValues, kPercentBase, EmSize, ExSize, MargArray, topDefault, ConvertedMargins);
  const TPropValue& width = BoxValues[piWidth];
  const int32_t percent = IsString(width) && StringOf(width).find('%') != std::string::npos
                              ? LengthToPixels(StringOf(width), false, kPercentBase, 0, ExSize, EmSize)
                              : 0;
  if (percent > 0) {
    GivenWidthPercent = true;
    GivenWidth = percent >= 100 ? 1000 : percent * 10;  // per mille; a huge percentage must not overflow
  } else if (MargArray[piWidth] > 0) {
    GivenWidth = MargArray[piWidth];
    const int32_t content = GivenWidth - MargArray[piBorderLeftWidth] - MargArray[piBorderRightWidth] -
                            MargArray[piPaddingLeft] - MargArray[piPaddingRight];
    MargArray[piWidth] = content;
    BoxValues[piWidth] = content;
    GivenWidthPercent = false;
  }
  CollapseTopMargin(ownerCell);
  Table->Float = FloatLR != 0;
  if (FloatLR != 0 && ZIndex == 0) ZIndex = 1;
}

void TTableBlock::ReadAttributes(const TAttributeList& attributes, bool styleFloats, bool styleBackground) {
  for (int i = 0; i < attributes.Count(); ++i) {
    const TAttribute& a = *attributes[i];
    switch (a.Which) {
      case AlignSy:
        if (pf::SameText(a.Text, "center"))
          TableAlign = 2;
        else if (pf::SameText(a.Text, "left") && !styleFloats)
          FloatLR = 5;
        else if (pf::SameText(a.Text, "right") && !styleFloats)
          FloatLR = 6;
        break;
      case BGColorSy:
        TableHasBgColor = ParseColorValue(a.Text, false, TableBgColor);
        break;
      case BackgroundSy:
        if (!styleBackground) {
          BGImage = TImageObj::CreateFromUrl(OwnerList, a.Text);
          BGPos = TBackgroundPosition{};
        }
        break;
      case WidthSy:
        if (a.Text.find('%') != std::string::npos) {
          // A percentage beyond 1..100 counts as no width, so that the table is not squeezed to nothing.
          if (a.Value >= 1 && a.Value <= 100) {
            GivenWidthPercent = true;
            GivenWidth = a.Value * 10;
          }
        } else {
          GivenWidth = BoundLength(a.Value);
        }
        break;
      case HeightSy:
        if (IsUnset(BoxValues[piHeight])) BoxValues[piHeight] = a.Text;
        break;
      case HSpaceSy:
        HSpaceAttr = std::min(kMaxHSpace, BoundLength(std::abs(int64_t{a.Value})));
        break;
      case VSpaceSy:
        VSpaceAttr = std::min(kMaxVSpace, BoundLength(std::abs(int64_t{a.Value})));
        break;
      default:
        break;
    }
  }
}

TTableAndCaptionBlock::TTableAndCaptionBlock(TSectionList* masterList, TProperties& prop, TCellBasic* ownerCell,
                                             const TAttributeList* attributes, TTableBlock* tableBlock)
    : TBlock(masterList, prop, ownerCell, attributes, false, false),
      InnerTable(tableBlock),
      CaptionAlign(tableBlock->TableAlign) {
  const std::string align = attributes ? attributes->TextOf(AlignSy) : "";
  if (pf::SameText(align, "center"))
    CaptionAlign = 2;
  else if (pf::SameText(align, "left") && FloatLR == 0)
    FloatLR = 5;
  else if (pf::SameText(align, "right") && FloatLR == 0)
    FloatLR = 6;
  if (attributes) WrapperID = pf::LowerCase(attributes->TextOf(IDSy));
  for (int side : {piMarginTop, piMarginBottom}) {
    MargArray[side] = tableBlock->MargArray[side];
    BoxValues[side] = tableBlock->BoxValues[side];
  }
  TagClass = "TableAndCaption.";
  // The table's style gave the wrapper its background too; the table block paints it, not over the caption.
  BoxValues[piBackgroundColor] = static_cast<int32_t>(pf::clNone);
  MargArray[piBackgroundColor] = static_cast<int32_t>(pf::clNone);
  BGImage.reset();
}

void TTableAndCaptionBlock::RegisterID() {
  if (!WrapperID.empty()) OwnerList->IDNameList.AddObject(WrapperID, InnerTable);
}

void TTableAndCaptionBlock::SetCaptionBlock(TBlock* caption) {
  InnerCaption = caption;
  InnerTable->CaptionPresent = true;
}

// ---- layout ----

namespace {

int32_t Resolved(int32_t value) { return value == AutoValue ? 0 : value; }

}  // namespace

int32_t TBlockCell::ComputeLayoutExtent(pf::TCanvas& canvas, const pf::TRect& clip, IndentManager& indents, int32_t x,
                                        int32_t y, int32_t availWidth, int32_t availHeight, int32_t& curs,
                                        int32_t& maxWidth) {
  IMgr = &indents;
  TopY = y;
  StartCurs = curs;
  maxWidth = 0;
  int32_t height = 0;
  DrawTop = Count() > 0 ? INT32_MAX : y;
  DrawBottom = ContentBottom = y;
  for (int i = 0; i < Count(); ++i) {
    TSectionBase* object = (*this)[i];
    int32_t width = 0;
    height = GrowExtent(
        y, height, object->ComputeLayout(canvas, clip, indents, x, y + height, availWidth, availHeight, curs, width));
    maxWidth = std::max(maxWidth, width);
    DrawTop = std::min(DrawTop, object->DrawTop);
    DrawBottom = std::max(DrawBottom, object->DrawBottom);
    const auto* block = dynamic_cast<const TBlock*>(object);
    if (!block || block->Positioning != TBlock::posAbsolute)
      ContentBottom = std::max(ContentBottom, object->ContentBottom);
  }
  Len = curs - StartCurs;
  CellHeight = height;
  return height;
}

int32_t TBlock::LeftSpace() const {
  return Resolved(MargArray[piMarginLeft]) + MargArray[piBorderLeftWidth] + MargArray[piPaddingLeft];
}

int32_t TBlock::RightSpace() const {
  return Resolved(MargArray[piMarginRight]) + MargArray[piBorderRightWidth] + MargArray[piPaddingRight];
}

void TBlock::ShareAutoMargins(int32_t availWidth, int32_t width) {
  const bool autoLeft = MargArray[piMarginLeft] == AutoValue, autoRight = MargArray[piMarginRight] == AutoValue;
  if (!autoLeft && !autoRight) return;
  const int32_t room = std::max(0, availWidth - width - LeftSpace() - RightSpace());
  if (autoLeft && autoRight) {
    MargArray[piMarginLeft] = room / 2;
    MargArray[piMarginRight] = room - room / 2;
  } else {
    MargArray[autoLeft ? piMarginLeft : piMarginRight] = room;
  }
}

void TBlock::BuildZList() {
  MyZList.clear();
  for (int i = 0; i < MyCell->Count(); ++i) {
    TSectionBase* object = (*MyCell)[i];
    object->OwnerBlock = this;
    MyZList.push_back(object);
  }
  // Negative values first, then 0 in document order, then the positive ones; equal values keep document order.
  std::stable_sort(MyZList.begin(), MyZList.end(),
                   [](const TSectionBase* a, const TSectionBase* b) { return a->ZIndex < b->ZIndex; });
}

void TBlock::ContainingCorner(int32_t& x, int32_t& y) const {
  x = y = 0;
  for (const TBlock* block = OwnerBlock; block; block = block->OwnerBlock) {
    if (block->Positioning == posRelative) {
      x = block->contentX_ + block->OffsetLeft;
      y = block->ContentBoxTop;
      return;
    }
    if (block->Positioning == posAbsolute) {
      x = block->contentX_ - block->MargArray[piPaddingLeft];
      y = block->ContentBoxTop - block->MargArray[piPaddingTop];
      return;
    }
  }
}

void TBlock::ConvertBox(int32_t availWidth, int32_t availHeight, bool& autoMargin) {
  int autoCount = 0;
  ConvertBlockBoxValues(BoxValues, availWidth, availHeight, EmSize, ExSize, MargArray, autoCount);
  bool topDefault = false, bottomDefault = false;
  ConvertVerticalMargins(BoxValues, availWidth, EmSize, ExSize, MargArray, topDefault, bottomDefault);
  autoMargin = MargArray[piMarginLeft] == AutoValue || MargArray[piMarginRight] == AutoValue;
  OffsetTop = Resolved(MargArray[piTop]);
  OffsetLeft = Resolved(MargArray[piLeft]);
}

int32_t TBlock::ResolveContentWidth(pf::TCanvas& canvas, int32_t availWidth) {
  int32_t width = MargArray[piWidth];
  if (width == AutoValue) {
    const int32_t room = availWidth - LeftSpace() - RightSpace();
    width = room;
    // Floats and absolutely positioned blocks shrink to their content.
    if (FloatLR != 0 || Positioning == posAbsolute) {
      int32_t minWidth = 0, maxWidth = 0;
      MyCell->MeasureMinMaxWidth(canvas, minWidth, maxWidth);
      width = std::max(minWidth, std::min(maxWidth, room));
    }
  }
  width = std::max(0, width);
  ShareAutoMargins(availWidth, width);
  return width;
}

TBoxIntArray TBlock::MeasuringBox() const {
  constexpr int32_t kPercentBase = 400;
  TBoxIntArray box = MargArray;
  int autoCount = 0;
  ConvertBlockBoxValues(BoxValues, kPercentBase, kPercentBase, EmSize, ExSize, box, autoCount);
  return box;
}

int32_t TBlock::HorizontalSpaces(const TBoxIntArray& box) {
  return Resolved(box[piMarginLeft]) + Resolved(box[piMarginRight]) + box[piBorderLeftWidth] + box[piBorderRightWidth] +
         box[piPaddingLeft] + box[piPaddingRight];
}

void TBlock::MeasureMinMaxWidth(pf::TCanvas& canvas, int32_t& minWidth, int32_t& maxWidth) {
  minWidth = maxWidth = 0;
  if (DisplayNone || Positioning == posAbsolute) return;
  constexpr int32_t kFixedWidth = 20;
  const TBoxIntArray box = MeasuringBox();
  const int32_t width = box[piWidth];
  int32_t contentMin = width, contentMax = width;
  if (width <= kFixedWidth) MyCell->MeasureMinMaxWidth(canvas, contentMin, contentMax);
  const int32_t spaces = HorizontalSpaces(box);
  maxWidth = std::max(contentMax, width) + spaces;
  minWidth = width == AutoValue ? std::max(contentMin, width) + spaces : maxWidth;
}

int32_t TBlock::ComputeLayout(pf::TCanvas& canvas, const pf::TRect& clip, IndentManager& indents, int32_t x, int32_t y,
                              int32_t availWidth, int32_t availHeight, int32_t& curs, int32_t& maxWidth) {
  YPosition = ContentTop = DrawTop = y;
  StartCurs = curs;
  maxWidth = 0;
  if (DisplayNone) {
    SectionHeight = DrawHeight = Len = 0;
    ContentBottom = DrawBottom = ContentBoxTop = ContentBoxBottom = y;
    return 0;
  }
  if (MyZList.empty()) BuildZList();
  const bool absolute = Positioning == posAbsolute;
  ClearAddon = absolute ? 0 : indents.ClearSpace(ClearAttr, y);
  bool autoMargin = false;
  ConvertBox(availWidth, availHeight, autoMargin);
  NewWidth = ResolveContentWidth(canvas, availWidth);
  const int32_t leftSpace = LeftSpace(), rightSpace = RightSpace();
  const int32_t boxWidth = leftSpace + NewWidth + rightSpace;
  if (absolute && MargArray[piLeft] == AutoValue && MargArray[piRight] != AutoValue && !autoMargin)
    OffsetLeft = availWidth - MargArray[piRight] - boxWidth;

  // The margin box's top and left.
  int32_t top = y + ClearAddon, left = x;
  if (absolute) {
    ContainingCorner(left, top);
    left += OffsetLeft;
    top += OffsetTop;
  } else if (FloatLR == IndentManager::kFloatLeft) {
    left = indents.LeftEdgeAt(top);
  } else if (FloatLR == IndentManager::kFloatRight) {
    left = indents.RightEdgeAt(top) - boxWidth;
  } else if (Positioning == posRelative) {
    top += OffsetTop;  // the content moves with the box; x moves when it is painted
  }
  contentX_ = left + leftSpace;
  Indent = absolute ? leftSpace : contentX_ - x;
  ContentBoxTop = top + MargArray[piMarginTop] + MargArray[piBorderTopWidth] + MargArray[piPaddingTop];

  // The content, between two edges of its own.
  IndentManager& contentIndents = absolute ? *MyCell->OwnIMgr : indents;
  const TBlock* outerOwner = indents.CurrentOwner;
  int leftRec = -1, rightRec = -1;
  if (absolute) {
    contentIndents.Clear();
    contentIndents.SetEdges(contentX_, contentX_ + NewWidth);
  } else {
    indents.CurrentOwner = this;
    leftRec = indents.AddLeftRec(contentX_ - indents.LfEdge, ContentBoxTop);
    rightRec = indents.AddRightRec(contentX_ + NewWidth - indents.LfEdge, ContentBoxTop);
  }
  const int32_t givenHeight = MargArray[piHeight];
  int32_t height = MyCell->ComputeLayoutExtent(canvas, clip, contentIndents, contentX_, ContentBoxTop, NewWidth,
                                               std::max(0, givenHeight), curs, ContentMaxWidth);
  if (absolute) height = std::max(height, contentIndents.LowestFloatBottom() - ContentBoxTop);
  height = std::max(height, givenHeight);
  if (ClipOverflow && givenHeight >= kMinClippedHeight) height = givenHeight;
  if (!absolute) {
    indents.DeleteRightRec(rightRec);
    indents.DeleteLeftRec(leftRec);
    indents.CurrentOwner = outerOwner;
  }
  ContentBoxBottom = ContentBoxTop + height;
  Len = curs - StartCurs;

  const int32_t borderBottom = ContentBoxBottom + MargArray[piPaddingBottom] + MargArray[piBorderBottomWidth];
  const int32_t marginBottom = borderBottom + MargArray[piMarginBottom];
  if (FloatLR != 0 && !absolute) {
    // A float takes no room in the flow; the text beside it keeps clear of it.
    SectionHeight = 0;
    ContentBottom = y;
    DrawBottom = borderBottom;
    indents.AddBlockFloat(top, FloatLR == IndentManager::kFloatLeft ? left + boxWidth : boxWidth, FloatLR,
                          marginBottom - top);
  } else if (absolute) {
    SectionHeight = 0;
    ContentBottom = marginBottom;
    DrawBottom = std::max(marginBottom, MyCell->DrawBottom);
  } else {
    const int32_t shift = Positioning == posRelative ? OffsetTop : 0;
    SectionHeight = marginBottom - shift - y;
    ContentBottom = y + SectionHeight;
    DrawBottom = std::max({ContentBottom, marginBottom, MyCell->DrawBottom});
  }
  DrawTop = std::min({y, top, MyCell->DrawTop});
  DrawHeight = std::max(SectionHeight, DrawBottom - y);
  maxWidth = Indent + std::max(ContentMaxWidth, NewWidth) + rightSpace;

  if (BGImage && OwnerList->ShowImages) {
    BGImage->ComputeSize(canvas, 0, NewWidth, nullptr);
    if (BGImage->IsErrorPicture())
      BGImage.reset();
    else
      TilesStale = true;
  }
  return SectionHeight;
}

// ---- list items, the body, rules and tables ----

int32_t TBlockLI::ComputeLayout(pf::TCanvas& canvas, const pf::TRect& clip, IndentManager& indents, int32_t x,
                                int32_t y, int32_t availWidth, int32_t availHeight, int32_t& curs, int32_t& maxWidth) {
  if (MarkerImage) {
    MarkerImage->ComputeSize(canvas, 0, availWidth, nullptr);
    if (MarkerImage->IsErrorPicture()) MarkerImage.reset();
  }
  // The first text line laid out inside the item gives the baseline its marker stands on.
  FirstBaseline = 0;
  int32_t* const outer = OwnerList->PendingFirstBaseline;
  OwnerList->PendingFirstBaseline = &FirstBaseline;
  const int32_t height = TBlock::ComputeLayout(canvas, clip, indents, x, y, availWidth, availHeight, curs, maxWidth);
  OwnerList->PendingFirstBaseline = outer;
  return height;
}

int32_t TBodyBlock::ComputeLayout(pf::TCanvas& canvas, const pf::TRect& clip, IndentManager& indents, int32_t x,
                                  int32_t y, int32_t availWidth, int32_t availHeight, int32_t& curs,
                                  int32_t& maxWidth) {
  const int32_t height = TBlock::ComputeLayout(canvas, clip, indents, x, y, availWidth, availHeight, curs, maxWidth);
  if (!DisplayNone) maxWidth = std::max(availWidth, ContentMaxWidth + LeftSpace());
  return height;
}

int32_t TBodyBlock::ResolveContentWidth(pf::TCanvas& canvas, int32_t availWidth) {
  for (int side : {piMarginLeft, piMarginRight}) MargArray[side] = Resolved(MargArray[side]);
  return std::max(0, availWidth - LeftSpace() - RightSpace());
}

int32_t THRBlock::ResolveContentWidth(pf::TCanvas& canvas, int32_t availWidth) {
  for (int side : {piMarginLeft, piMarginRight}) MargArray[side] = Resolved(MargArray[side]);
  const int32_t room = availWidth - LeftSpace() - RightSpace();
  const int32_t given = MargArray[piWidth];
  const int32_t width = given == AutoValue ? std::max(kMinRuleWidth, room) : std::min(given, room);
  const int32_t left = std::max(0, room - width);
  const uint8_t align = Positioning == posAbsolute ? 1 : Align;
  MargArray[piMarginLeft] += align == 2 ? left / 2 : align == 3 ? left : 0;
  return width;
}

// Inside its caption's wrapper a table is given the width that the wrapper resolved its percentage to. An aligned
// table moves right within the room; a captioned one within its wrapper, which is wider than the table only where
// the caption needs it (the wrapper is placed by the caption's alignment).
int32_t TTableBlock::ResolveContentWidth(pf::TCanvas& canvas, int32_t availWidth) {
  const int32_t width = ResolveTableWidth(canvas, availWidth, CaptionPresent ? kPerMille : GivenWidth);
  const bool marginsGiven = !IsUnset(BoxValues[piMarginLeft]) || !IsUnset(BoxValues[piMarginRight]);
  const int32_t room = availWidth - LeftSpace() - RightSpace();
  if (FloatLR == 0 && !marginsGiven && width < room)
    MargArray[piMarginLeft] += TableAlign == 2 ? (room - width) / 2 : TableAlign == 3 ? room - width : 0;
  return width;
}

int32_t TTableBlock::ResolveTableWidth(pf::TCanvas& canvas, int32_t availWidth, int32_t percentWidth) {
  if (FloatLR != 0) {
    if (IsUnset(BoxValues[piMarginLeft])) MargArray[piMarginLeft] = HSpaceAttr;
    if (IsUnset(BoxValues[piMarginRight])) MargArray[piMarginRight] = HSpaceAttr;
    if (IsUnset(BoxValues[piMarginTop])) MargArray[piMarginTop] = VSpaceAttr;
    if (IsUnset(BoxValues[piMarginBottom])) MargArray[piMarginBottom] = VSpaceAttr;
  }
  if (TableHasBgColor && !BGImage) Table->SetBackgroundColor(TableBgColor);
  for (int side : {piMarginLeft, piMarginRight}) MargArray[side] = Resolved(MargArray[side]);
  const int32_t room = availWidth - LeftSpace() - RightSpace();
  int32_t tableMin = 0, tableMax = 0;
  int32_t width = 0;
  if (GivenWidthPercent) {
    width = std::min(availWidth, pf::MulDiv(availWidth, percentWidth, kPerMille)) - LeftSpace() - RightSpace();
  } else if (GivenWidth > 0) {
    width = GivenWidth - LeftSpace() - RightSpace();
  }
  Table->TableWidthSpec = std::max(0, width);
  Table->MeasureMinMaxWidth(canvas, tableMin, tableMax);
  if (width <= 0) width = std::max(tableMin, std::min(tableMax, room));
  return std::max(width, tableMin);
}

void TTableBlock::MeasureMinMaxWidth(pf::TCanvas& canvas, int32_t& minWidth, int32_t& maxWidth) {
  const bool pixels = !GivenWidthPercent && GivenWidth > 0;
  Table->TableWidthSpec = pixels ? std::max(0, GivenWidth - HorizontalSpaces(MeasuringBox())) : 0;
  TBlock::MeasureMinMaxWidth(canvas, minWidth, maxWidth);
  if (pixels) minWidth = maxWidth = std::max(maxWidth, GivenWidth);
}

int32_t TTableBlock::ComputeLayout(pf::TCanvas& canvas, const pf::TRect& clip, IndentManager& indents, int32_t x,
                                   int32_t y, int32_t availWidth, int32_t availHeight, int32_t& curs,
                                   int32_t& maxWidth) {
  TableIndent = 0;
  if (FloatLR == 0 && Positioning != posAbsolute) {
    // Between floats: the table takes the room they leave.
    const int32_t start = std::max(x, indents.LeftEdgeAt(y));
    const int32_t end = std::min(x + availWidth, indents.RightEdgeAt(y));
    TableIndent = start - x;
    availWidth = std::max(0, end - start);
  }
  const int32_t height =
      TBlock::ComputeLayout(canvas, clip, indents, x + TableIndent, y, availWidth, availHeight, curs, maxWidth);
  maxWidth += TableIndent;
  return height;
}

void TTableBlock::AddToPositionList() { OwnerList->AddToPositionList(Table); }

void TTableAndCaptionBlock::MeasureMinMaxWidth(pf::TCanvas& canvas, int32_t& minWidth, int32_t& maxWidth) {
  int32_t tableMin = 0, tableMax = 0, captionMin = 0, captionMax = 0;
  InnerTable->MeasureMinMaxWidth(canvas, tableMin, tableMax);
  if (InnerCaption) InnerCaption->MeasureMinMaxWidth(canvas, captionMin, captionMax);
  minWidth = std::max(tableMin, captionMin);
  maxWidth = std::max(tableMax, captionMin);  // a long caption wraps rather than widen the table
}

int32_t TTableAndCaptionBlock::ResolveContentWidth(pf::TCanvas& canvas, int32_t availWidth) {
  const bool marginsGiven = !IsUnset(BoxValues[piMarginLeft]) || !IsUnset(BoxValues[piMarginRight]);
  for (int side : {piMarginLeft, piMarginRight, piBorderLeftWidth, piBorderRightWidth, piPaddingLeft, piPaddingRight})
    MargArray[side] = 0;
  bool autoMargin = false;
  InnerTable->ConvertBox(availWidth, 0, autoMargin);
  int32_t width = InnerTable->ResolveTableWidth(canvas, availWidth, InnerTable->GivenWidth) + InnerTable->LeftSpace() +
                  InnerTable->RightSpace();
  // Never narrower than the caption's longest word, as the wrapper's minimum width says: centred on a narrower
  // table, the caption would start left of it, past the page's edge.
  if (InnerCaption) {
    int32_t captionMin = 0, captionMax = 0;
    InnerCaption->MeasureMinMaxWidth(canvas, captionMin, captionMax);
    width = std::max(width, captionMin);
  }
  if (width < availWidth && !marginsGiven)
    MargArray[piMarginLeft] = CaptionAlign == 2 ? (availWidth - width) / 2 : CaptionAlign == 3 ? availWidth - width : 0;
  return width;
}

int32_t TTableAndCaptionBlock::MapToDocPos(int32_t sourcePos, bool backwards) {
  TSectionBase* order[] = {InnerCaption, InnerTable};
  if (backwards) std::swap(order[0], order[1]);
  for (TSectionBase* block : order) {
    const int32_t position = block ? block->MapToDocPos(sourcePos, backwards) : -1;
    if (position >= 0) return position;
  }
  return -1;
}

// ---- queries ----

namespace {

bool InDrawnRange(const TSectionBase& object, int32_t y) { return object.DrawTop <= y && y < object.DrawBottom; }

}  // namespace

int TBlock::GetLinkAt(pf::TCanvas& canvas, int32_t x, int32_t y, std::unique_ptr<TUrlTarget>& urlTarget,
                      TFormControlObj*& formControl, std::string& title) {
  if (DisplayNone) return 0;
  int result = 0;
  if (!Title.empty() && pf::PtInRect(BorderBoxRect, pf::TPoint{x - OwnerList->XOff, y - OwnerList->YOff})) {
    title = Title;
    result = 4;
  }
  return result | MyCell->GetLinkAt(canvas, x, y, urlTarget, formControl, title);
}

int TBodyBlock::GetLinkAt(pf::TCanvas& canvas, int32_t x, int32_t y, std::unique_ptr<TUrlTarget>& urlTarget,
                          TFormControlObj*& formControl, std::string& title) {
  if (DisplayNone) return 0;
  int result = 0;
  if (!Title.empty()) {
    title = Title;
    result = 4;
  }
  return result | MyCell->GetLinkAt(canvas, x, y, urlTarget, formControl, title);
}

// The top-most object under the point answers first.
TIDObject* TBlock::FindObjectAt(int32_t x, int32_t y, int32_t& position) {
  if (DisplayNone) return nullptr;
  for (auto it = MyZList.rbegin(); it != MyZList.rend(); ++it)
    if (InDrawnRange(**it, y))
      if (TIDObject* object = (*it)->FindObjectAt(x, y, position)) return object;
  return nullptr;
}

int32_t TBlock::GetPositionAtPoint(pf::TCanvas& canvas, int32_t x, int32_t y, bool& inText, int32_t& lineHeight,
                                   int32_t& lineTop, int32_t& caretX) {
  if (DisplayNone) return -1;
  for (auto it = MyZList.rbegin(); it != MyZList.rend(); ++it) {
    if (!InDrawnRange(**it, y)) continue;
    const int32_t position = (*it)->GetPositionAtPoint(canvas, x, y, inText, lineHeight, lineTop, caretX);
    if (position >= 0) return position;
  }
  return -1;
}

// The position queries pass to the content; a hidden block answers nothing. A paragraph adds no line break of its
// own: its text ends with the one of its last section, so that two paragraphs copy as their lines.
void TBlock::CollectSelectedText(SelTextCount& collector) {
  if (!DisplayNone) MyCell->CollectSelectedText(collector);
}
int32_t TBlock::SearchForward(int32_t position, std::u16string_view text, bool matchCase) {
  return DisplayNone ? -1 : MyCell->SearchForward(position, text, matchCase);
}
int32_t TBlock::SearchBackward(int32_t position, std::u16string_view text, bool matchCase) {
  return DisplayNone ? -1 : MyCell->SearchBackward(position, text, matchCase);
}
int32_t TBlock::MapToSourcePos(int32_t docPos) { return DisplayNone ? -1 : MyCell->MapToSourcePos(docPos); }
int32_t TBlock::MapToDocPos(int32_t sourcePos, bool backwards) {
  return DisplayNone ? -1 : MyCell->MapToDocPos(sourcePos, backwards);
}
bool TBlock::GetPositionXY(pf::TCanvas& canvas, int32_t docPos, int32_t& x, int32_t& y) {
  return !DisplayNone && MyCell->GetPositionXY(canvas, docPos, x, y);
}
bool TBlock::ReadCharAt(int32_t docPos, char16_t& ch, TSectionBase*& object) {
  return !DisplayNone && MyCell->ReadCharAt(docPos, ch, object);
}
void TBlock::AddToPositionList() {
  if (!DisplayNone) MyCell->AddToPositionList();
}

}  // namespace viewer
