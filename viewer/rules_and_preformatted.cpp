#include "viewer/rules_and_preformatted.h"

#include <algorithm>

#include "platform/core/strings.h"
#include "viewer/borders.h"
#include "viewer/section_list.h"
#include "viewer/style_properties.h"

namespace viewer {

namespace {

constexpr int32_t kMinBreakDepth = 5;  // a page break closer than this to the top of the page is passed over

}  // namespace

// ---- page breaks ----

std::unique_ptr<TSectionBase> TPage::CreateClone(TSectionList* ownerList) const {
  return std::make_unique<TPage>(ownerList, *this);
}

// When printing, a break well below the top of the page ends the page there.
int32_t TPage::Paint(pf::TCanvas& canvas, const pf::TRect& clip, IndentManager& indents, int32_t x, int32_t xRef,
                     int32_t yRef) {
  TSectionList& document = *OwnerList;
  if (document.Printing) {
    const int32_t top = ContentTop - document.YOff;
    if (top - clip.Top > kMinBreakDepth && top < clip.Bottom && ContentTop < document.PageBottom)
      document.PageBottom = ContentTop;
  }
  return ContentTop + SectionHeight;
}

// ---- horizontal rules ----

THorzLine::THorzLine(TSectionList* masterList, const TAttributeList& attributes, TProperties& prop)
    : TSectionBase(masterList) {
  for (int i = 0; i < attributes.Count(); ++i) {
    const TAttribute& a = *attributes[i];
    switch (a.Which) {
      case SizeSy:
        if (a.Value >= 1 && a.Value <= kMaxSize) VSize = a.Value;
        break;
      case AlignSy: {
        const std::string align = pf::LowerCase(a.Text);
        Align = align == "left" ? 1 : align == "right" ? 3 : 2;
        break;
      }
      case NoShadeSy:
        NoShade = true;
        break;
      case WidthSy:
        if (a.Text.find('%') == std::string::npos) {
          Width = BoundLength(a.Value);
          WidthPercent = false;
        } else if (a.Value <= 100) {
          Width = std::max(0, a.Value);
          WidthPercent = true;
        }
        break;
      case ColorSy:
        ParseColorValue(a.Text, false, Color);
        break;
      default:
        break;
    }
  }
  // Only a text-align given to the rule itself: the document's inherited default would leave every rule on the left.
  const std::string& align = StringOf(prop.Props[piTextAlign]);
  if (prop.Assigned[piTextAlign]) {
    if (align == "left") Align = 1;
    if (align == "center") Align = 2;
    if (align == "right") Align = 3;
  }
}

THorzLine::THorzLine(TSectionList* masterList, const THorzLine& source)
    : TSectionBase(masterList, source),
      VSize(source.VSize),
      Align(source.Align),
      NoShade(source.NoShade),
      Width(source.Width),
      WidthPercent(source.WidthPercent),
      Color(source.Color) {}

std::unique_ptr<TSectionBase> THorzLine::CreateClone(TSectionList* ownerList) const {
  return std::make_unique<THorzLine>(ownerList, *this);
}

void THorzLine::CollectSelectedText(SelTextCount& collector) { collector.AddCharsWithBreak(nullptr, 0); }

int32_t THorzLine::ComputeLayout(pf::TCanvas& canvas, const pf::TRect& clip, IndentManager& indents, int32_t x,
                                 int32_t y, int32_t availWidth, int32_t availHeight, int32_t& curs, int32_t& maxWidth) {
  layoutX_ = x;
  XPos = std::max(x, indents.LeftEdgeAt(y));
  AvailWidth = std::min(x + availWidth - XPos, indents.RightEdgeAt(y) - XPos);
  SectionHeight = VSize;
  TSectionBase::ComputeLayout(canvas, clip, indents, x, y, availWidth, availHeight, curs, maxWidth);
  maxWidth = AvailWidth;
  return SectionHeight;
}

pf::TRect THorzLine::RuleRect(int32_t x) const {
  const int32_t width = WidthPercent ? AvailWidth * Width / 100 : std::min(Width, AvailWidth);
  int32_t left = XPos + x - layoutX_;
  if (Align == 2) left += (AvailWidth - width) / 2;
  if (Align == 3) left += AvailWidth - width;
  return {left, ContentTop, left + width, ContentTop + VSize};
}

int32_t THorzLine::Paint(pf::TCanvas& canvas, const pf::TRect& clip, IndentManager& indents, int32_t x, int32_t xRef,
                         int32_t yRef) {
  const TSectionList& document = *OwnerList;
  pf::TRect r = RuleRect(x);
  const bool onPage = !document.Printing || r.Top < document.PageBottom;
  pf::OffsetRect(r, 0, -document.YOff);
  if (!onPage || r.Bottom <= clip.Top || r.Top >= clip.Bottom) return ContentTop + SectionHeight;
  if (Color != pf::clNone) {
    FillRectWithColor(canvas, r.Left, r.Top, r.Right, r.Bottom, Color);
  } else {
    // Sunken: dark at the top and left, light at the bottom and right.
    const bool whitePage = pf::ColorToDrawRGB(document.BackgroundColor()) == pf::clWhite;
    pf::TColor light = whitePage ? pf::clSilver : pf::clBtnHighlight, dark = pf::clBtnShadow;
    if (NoShade || (document.Printing && IsMonochromeDevice(canvas))) light = dark = pf::clBlack;
    DrawThinBevel(canvas, r.Left, r.Top, r.Right, r.Bottom, false, light, dark);
  }
  return ContentTop + SectionHeight;
}

// ---- preformatted text ----

TPreFormated::TPreFormated(TSectionList* ownerList, const TAttributeList* attributes, TProperties& prop,
                           const TUrlTarget* urlTarget, TCellBasic* cell, bool firstInParagraph,
                           ISectionBuilder* builder)
    : TSection(ownerList, attributes, prop, urlTarget, cell, firstInParagraph, builder), AllowWrap(BreakWord) {}

TPreFormated::TPreFormated(TSectionList* ownerList, const TPreFormated& source)
    : TSection(ownerList, source), AllowWrap(source.AllowWrap) {}

void TPreFormated::FinishText(int32_t sourceIndex) {
  if (!Text.empty()) {
    const auto oldLength = static_cast<int32_t>(Text.size());
    const int32_t index = SourceIndexes.empty() ? sourceIndex : SourceIndexes.back() + 1;
    AppendChars(u" ", &index, 'n');
    if (Fonts.Last()->Pos == oldLength) ++Fonts.Last()->Pos;
  }
  std::vector<bool> drop(Text.size(), false);
  MarkSoftHyphens(drop);
  RemoveChars(drop);
  FinishBuffers();
}

std::unique_ptr<TSectionBase> TPreFormated::CreateClone(TSectionList* ownerList) const {
  return std::make_unique<TPreFormated>(ownerList, *this);
}

// Pictures and controls in the text are sized by the layout, so a section holding any is measured again each time.
int32_t TPreFormated::WholeWidth(pf::TCanvas& canvas) {
  if (MaxWidthCache > 0 && Images.Count() == 0 && FormControls.Count() == 0) return MaxWidthCache;
  MaxWidthCache = MeasureTextWidth(canvas, 0, static_cast<int32_t>(Text.size()), true);
  for (int i = 0; i < Images.Count(); ++i) {
    const TFloatingObj& object = *Images[i];
    if (object.Floating == IndentManager::kFloatLeft || object.Floating == IndentManager::kFloatRight)
      MaxWidthCache += object.ObjWidth + object.HSpaceL + object.HSpaceR;  // beside the line, not in it
  }
  return MaxWidthCache;
}

int32_t TPreFormated::ComputeLayout(pf::TCanvas& canvas, const pf::TRect& clip, IndentManager& indents, int32_t x,
                                    int32_t y, int32_t availWidth, int32_t availHeight, int32_t& curs,
                                    int32_t& maxWidth) {
  int32_t height = TSection::ComputeLayout(canvas, clip, indents, x, y, availWidth, availHeight, curs, maxWidth);
  if (Text.empty()) {
    // A blank line of the text: as high as a line in the section's font.
    height += LineHeight >= 0 ? LineHeight : Fonts[0]->FontHeight;
    SectionHeight = DrawHeight = height;
    ContentBottom = DrawBottom = ContentTop + height;
  } else if (!AllowWrap) {
    // The line pass took the whole text as one line; the document must be as wide as it.
    maxWidth = WholeWidth(canvas);
  }
  return height;
}

void TPreFormated::MeasureMinMaxWidth(pf::TCanvas& canvas, int32_t& minWidth, int32_t& maxWidth) {
  if (AllowWrap) {
    TSection::MeasureMinMaxWidth(canvas, minWidth, maxWidth);
    return;
  }
  minWidth = maxWidth = 0;
  if (Text.empty()) return;
  for (int i = 0; i < Images.Count(); ++i) SizeObject(canvas, *Images[i], 0, 0);
  maxWidth = WholeWidth(canvas);
  minWidth = std::min(kMaxMinWidth, maxWidth);
}

}  // namespace viewer
