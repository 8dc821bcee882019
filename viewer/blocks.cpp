#include "viewer/blocks.h"

#include <algorithm>
#include <cstdlib>

#include "platform/core/strings.h"
#include "viewer/borders.h"
#include "viewer/table_structure.h"
#include "viewer/text_sections.h"

namespace viewer {

namespace {

std::string AttributeText(const TAttributeList* attributes, THtmlSymbol symbol) {
  return attributes ? attributes->TextOf(symbol) : "";
}

// Two adjoining vertical margins as one.
int32_t CollapsedMargin(int32_t a, int32_t b) {
  if (a >= 0 && b >= 0) return std::max(a, b);
  if (a < 0 && b < 0) return std::min(a, b);
  return a + b;
}

bool IsUnset(const TPropValue& v) { return !IsAssigned(v) || IntOf(v, 0) == UnsetBoxValue; }

}  // namespace

// ---- blocks ----

TBlock::TBlock(TSectionList* masterList, TProperties& prop, TCellBasic* ownerCell, const TAttributeList* attributes)
    : TBlock(masterList, prop, ownerCell, attributes, true, true) {}

TBlock::TBlock(TSectionList* masterList, TProperties& prop, TCellBasic* ownerCell, const TAttributeList* attributes,
               bool collapseTopMargin, bool registerId)
    : TSectionBase(masterList), MyCell(std::make_unique<TBlockCell>(masterList)) {
  MyCell->OwnerBlock = this;
  MyCell->Tag = prop.PropTag;
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
  const std::string& align = StringOf(prop.Props[piTextAlign]);
  Justify = align == "right" ? 3 : align == "center" ? 2 : 1;
  TagClass = prop.PropTag + "." + prop.PropClass;
  Title = AttributeText(attributes, TitleSy);
  BGPos = prop.GetBackgroundPosition();
  std::string url;
  if (prop.GetBackgroundImage(url) && !url.empty()) BGImage = TImageObj::CreateFromUrl(masterList, url);
  ZIndex = 10 * prop.GetZIndex();
  if ((Positioning == posAbsolute || FloatLR != 0) && ZIndex == 0) ZIndex = 1;
  int autoCount = 0;
  ConvertBlockBoxValues(BoxValues, 0, 0, EmSize, ExSize, MargArray, autoCount);
  ConvertVerticalMargins(BoxValues, 0, EmSize, ExSize, MargArray, topMarginIsDefault_, ConvertedMargins);
  const std::string id = pf::LowerCase(AttributeText(attributes, IDSy));
  if (registerId && !id.empty()) masterList->IDNameList.AddObject(id, this);
  if (collapseTopMargin) CollapseTopMargin(ownerCell);
  if (Positioning == posAbsolute) MyCell->OwnIMgr = std::make_unique<IndentManager>();
}

TBlock::~TBlock() = default;

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
}

// ---- table blocks ----

TTableBlock::TTableBlock(TSectionList* masterList, TProperties& prop, TCellBasic* ownerCell,
                         std::unique_ptr<ThtmlTable> table, const TAttributeList* attributes)
    : TBlock(masterList, prop, ownerCell, attributes, false, true), Table(table.get()) {
  MyCell->Add(std::move(table), 0);
  if (attributes) ReadAttributes(*attributes, FloatLR != 0, BGImage != nullptr);
  const int sideStyles[] = {piBorderTopStyle, piBorderRightStyle, piBorderBottomStyle, piBorderLeftStyle};
  BevelBorder = Table->BorderWidth > 0 && std::all_of(std::begin(sideStyles), std::end(sideStyles),
                                                      [this](int side) { return IntOf(BoxValues[side], 0) == 0; });
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
    GivenWidth = std::min(1000, percent * 10);
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
          GivenWidthPercent = true;
          if (a.Value >= 1 && a.Value <= 100) GivenWidth = a.Value * 10;
        } else {
          GivenWidth = a.Value;
        }
        break;
      case HeightSy:
        if (IsUnset(BoxValues[piHeight])) BoxValues[piHeight] = a.Text;
        break;
      case HSpaceSy:
        HSpaceAttr = std::min(kMaxHSpace, std::abs(a.Value));
        break;
      case VSpaceSy:
        VSpaceAttr = std::min(kMaxVSpace, std::abs(a.Value));
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
  const std::string align = AttributeText(attributes, AlignSy);
  if (pf::SameText(align, "center"))
    CaptionAlign = 2;
  else if (pf::SameText(align, "left") && FloatLR == 0)
    FloatLR = 5;
  else if (pf::SameText(align, "right") && FloatLR == 0)
    FloatLR = 6;
  WrapperID = pf::LowerCase(AttributeText(attributes, IDSy));
  for (int side : {piMarginTop, piMarginBottom}) {
    MargArray[side] = tableBlock->MargArray[side];
    BoxValues[side] = tableBlock->BoxValues[side];
  }
  TagClass = "TableAndCaption.";
}

void TTableAndCaptionBlock::RegisterID() {
  if (!WrapperID.empty()) OwnerList->IDNameList.AddObject(WrapperID, InnerTable);
}

void TTableAndCaptionBlock::SetCaptionBlock(TBlock* caption) {
  InnerCaption = caption;
  InnerTable->CaptionPresent = true;
}

// ---- layout, painting and queries: the base's answers until the block layout and painting are built ----

std::unique_ptr<TSectionBase> TBlock::CreateClone(TSectionList* ownerList) const {
  return TSectionBase::CreateClone(ownerList);
}
void TBlock::CollectSelectedText(SelTextCount& collector) {}
int32_t TBlock::ComputeLayout(pf::TCanvas& canvas, const pf::TRect& clip, IndentManager& indents, int32_t x, int32_t y,
                              int32_t availWidth, int32_t availHeight, int32_t& curs, int32_t& maxWidth) {
  return TSectionBase::ComputeLayout(canvas, clip, indents, x, y, availWidth, availHeight, curs, maxWidth);
}
int32_t TBlock::Paint(pf::TCanvas& canvas, const pf::TRect& clip, IndentManager& indents, int32_t x, int32_t xRef,
                      int32_t yRef) {
  return TSectionBase::Paint(canvas, clip, indents, x, xRef, yRef);
}
int TBlock::GetLinkAt(pf::TCanvas& canvas, int32_t x, int32_t y, std::unique_ptr<TUrlTarget>& urlTarget,
                      TFormControlObj*& formControl, std::string& title) {
  return 0;
}
TIDObject* TBlock::FindObjectAt(int32_t x, int32_t y, int32_t& position) { return nullptr; }
int32_t TBlock::GetPositionAtPoint(pf::TCanvas& canvas, int32_t x, int32_t y, bool& inText, int32_t& lineHeight,
                                   int32_t& lineTop, int32_t& caretX) {
  return -1;
}
int32_t TBlock::SearchForward(int32_t position, std::u16string_view text, bool matchCase) { return -1; }
int32_t TBlock::SearchBackward(int32_t position, std::u16string_view text, bool matchCase) { return -1; }
int32_t TBlock::MapToSourcePos(int32_t docPos) { return -1; }
int32_t TBlock::MapToDocPos(int32_t sourcePos, bool backwards) { return -1; }
bool TBlock::GetPositionXY(pf::TCanvas& canvas, int32_t docPos, int32_t& x, int32_t& y) { return false; }
bool TBlock::ReadCharAt(int32_t docPos, char16_t& ch, TSectionBase*& object) { return false; }
void TBlock::MeasureMinMaxWidth(pf::TCanvas& canvas, int32_t& minWidth, int32_t& maxWidth) { minWidth = maxWidth = 0; }
void TBlock::AddToPositionList() { TSectionBase::AddToPositionList(); }
void TBlock::PaintBorder(pf::TCanvas& canvas, const pf::TRect& outer, const pf::TRect& inner) {}
int32_t TBlock::ResolveContentWidth(pf::TCanvas& canvas, int32_t availWidth) { return availWidth; }

std::unique_ptr<TSectionBase> TBlockLI::CreateClone(TSectionList* ownerList) const {
  return TBlock::CreateClone(ownerList);
}
int32_t TBlockLI::ComputeLayout(pf::TCanvas& canvas, const pf::TRect& clip, IndentManager& indents, int32_t x,
                                int32_t y, int32_t availWidth, int32_t availHeight, int32_t& curs, int32_t& maxWidth) {
  return TBlock::ComputeLayout(canvas, clip, indents, x, y, availWidth, availHeight, curs, maxWidth);
}
int32_t TBlockLI::Paint(pf::TCanvas& canvas, const pf::TRect& clip, IndentManager& indents, int32_t x, int32_t xRef,
                        int32_t yRef) {
  return TBlock::Paint(canvas, clip, indents, x, xRef, yRef);
}

int32_t TBodyBlock::ComputeLayout(pf::TCanvas& canvas, const pf::TRect& clip, IndentManager& indents, int32_t x,
                                  int32_t y, int32_t availWidth, int32_t availHeight, int32_t& curs,
                                  int32_t& maxWidth) {
  return TBlock::ComputeLayout(canvas, clip, indents, x, y, availWidth, availHeight, curs, maxWidth);
}
int TBodyBlock::GetLinkAt(pf::TCanvas& canvas, int32_t x, int32_t y, std::unique_ptr<TUrlTarget>& urlTarget,
                          TFormControlObj*& formControl, std::string& title) {
  return TBlock::GetLinkAt(canvas, x, y, urlTarget, formControl, title);
}

int32_t THRBlock::ResolveContentWidth(pf::TCanvas& canvas, int32_t availWidth) {
  return TBlock::ResolveContentWidth(canvas, availWidth);
}

std::unique_ptr<TSectionBase> TTableBlock::CreateClone(TSectionList* ownerList) const {
  return TBlock::CreateClone(ownerList);
}
int32_t TTableBlock::ComputeLayout(pf::TCanvas& canvas, const pf::TRect& clip, IndentManager& indents, int32_t x,
                                   int32_t y, int32_t availWidth, int32_t availHeight, int32_t& curs,
                                   int32_t& maxWidth) {
  return TBlock::ComputeLayout(canvas, clip, indents, x, y, availWidth, availHeight, curs, maxWidth);
}
int32_t TTableBlock::Paint(pf::TCanvas& canvas, const pf::TRect& clip, IndentManager& indents, int32_t x, int32_t xRef,
                           int32_t yRef) {
  return TBlock::Paint(canvas, clip, indents, x, xRef, yRef);
}
void TTableBlock::MeasureMinMaxWidth(pf::TCanvas& canvas, int32_t& minWidth, int32_t& maxWidth) {
  TBlock::MeasureMinMaxWidth(canvas, minWidth, maxWidth);
}
void TTableBlock::AddToPositionList() { TBlock::AddToPositionList(); }
void TTableBlock::PaintBorder(pf::TCanvas& canvas, const pf::TRect& outer, const pf::TRect& inner) {}
int32_t TTableBlock::ResolveContentWidth(pf::TCanvas& canvas, int32_t availWidth) {
  return TBlock::ResolveContentWidth(canvas, availWidth);
}

std::unique_ptr<TSectionBase> TTableAndCaptionBlock::CreateClone(TSectionList* ownerList) const {
  return TBlock::CreateClone(ownerList);
}
void TTableAndCaptionBlock::MeasureMinMaxWidth(pf::TCanvas& canvas, int32_t& minWidth, int32_t& maxWidth) {
  TBlock::MeasureMinMaxWidth(canvas, minWidth, maxWidth);
}
int32_t TTableAndCaptionBlock::ResolveContentWidth(pf::TCanvas& canvas, int32_t availWidth) {
  return TBlock::ResolveContentWidth(canvas, availWidth);
}
int32_t TTableAndCaptionBlock::MapToDocPos(int32_t sourcePos, bool backwards) {
  return TBlock::MapToDocPos(sourcePos, backwards);
}

}  // namespace viewer
