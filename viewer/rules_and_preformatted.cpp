#include "viewer/rules_and_preformatted.h"

#include "platform/core/strings.h"
#include "viewer/style_properties.h"

namespace viewer {

// ---- page breaks ----

std::unique_ptr<TSectionBase> TPage::CreateClone(TSectionList* ownerList) const {
  return std::make_unique<TPage>(ownerList, *this);
}

// Pulling the page bottom up to the break comes with printing; on screen a page break paints nothing.
int32_t TPage::Paint(pf::TCanvas& canvas, const pf::TRect& clip, IndentManager& indents, int32_t x, int32_t xRef,
                     int32_t yRef) {
  return TSectionBase::Paint(canvas, clip, indents, x, xRef, yRef);
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
          Width = a.Value;
          WidthPercent = false;
        } else if (a.Value <= 100) {
          Width = a.Value;
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
  const std::string& align = StringOf(prop.Props[piTextAlign]);
  if (align == "left") Align = 1;
  if (align == "center") Align = 2;
  if (align == "right") Align = 3;
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

// The rule's layout and painting come with the block layout; until then it answers as the base does.
int32_t THorzLine::ComputeLayout(pf::TCanvas& canvas, const pf::TRect& clip, IndentManager& indents, int32_t x,
                                 int32_t y, int32_t availWidth, int32_t availHeight, int32_t& curs, int32_t& maxWidth) {
  return TSectionBase::ComputeLayout(canvas, clip, indents, x, y, availWidth, availHeight, curs, maxWidth);
}

int32_t THorzLine::Paint(pf::TCanvas& canvas, const pf::TRect& clip, IndentManager& indents, int32_t x, int32_t xRef,
                         int32_t yRef) {
  return TSectionBase::Paint(canvas, clip, indents, x, xRef, yRef);
}

// ---- preformatted text ----

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
  auto copy = std::make_unique<TPreFormated>(ownerList, *this);
  copy->MaxWidthCache = MaxWidthCache;
  copy->AllowWrap = AllowWrap;
  return copy;
}

// Measuring and laying out lines without wrapping come with the text layout.
int32_t TPreFormated::ComputeLayout(pf::TCanvas& canvas, const pf::TRect& clip, IndentManager& indents, int32_t x,
                                    int32_t y, int32_t availWidth, int32_t availHeight, int32_t& curs,
                                    int32_t& maxWidth) {
  return TSection::ComputeLayout(canvas, clip, indents, x, y, availWidth, availHeight, curs, maxWidth);
}

void TPreFormated::MeasureMinMaxWidth(pf::TCanvas& canvas, int32_t& minWidth, int32_t& maxWidth) {
  TSection::MeasureMinMaxWidth(canvas, minWidth, maxWidth);
}

}  // namespace viewer
