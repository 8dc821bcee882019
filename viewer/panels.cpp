#include "viewer/panels.h"

#include <algorithm>
#include <cstdlib>

#include "platform/core/strings.h"
#include "viewer/section_list.h"

namespace viewer {

namespace {

constexpr int32_t kOffPanel = -4000;
constexpr int32_t kFloatSpace = 3;
constexpr int32_t kMaxPercent = 100;

pf::TObject* SenderOf(const TSectionList* list) { return list && list->TheOwner ? list->TheOwner->Sender() : nullptr; }

}  // namespace

TPanelObj::TPanelObj(TSectionList* ownerList, int32_t position, const TAttributeList& attributes, TProperties& prop,
                     bool createOnly)
    : OwnerList(ownerList) {
  Pos = position;
  int32_t width = kDefaultWidth, height = kDefaultHeight;
  bool spaceGiven = false;
  for (int i = 0; i < attributes.Count(); ++i) {
    const TAttribute& a = *attributes[i];
    const bool percent = a.Text.find('%') != std::string::npos;
    switch (a.Which) {
      case HeightSy:
        if (percent && a.Value >= 1 && a.Value <= kMaxPercent) {
          SpecHeight = a.Value;
          PercentHeight = true;
        } else {
          SpecHeight = height = std::max(1, a.Value);
        }
        break;
      case WidthSy:
        if (percent) {
          SpecWidth = std::clamp(a.Value, 1, kMaxPercent);
          PercentWidth = true;
        } else {
          SpecWidth = width = std::max(0, a.Value);
        }
        break;
      case HSpaceSy:
        HSpaceL = HSpaceR = std::min(kMaxSpace, std::abs(a.Value));
        spaceGiven = true;
        break;
      case VSpaceSy:
        VSpaceT = VSpaceB = std::min(kMaxSpace, std::abs(a.Value));
        break;
      case NameSy:
        PanelName = a.Text;
        break;
      case TypeSy:
        PanelType = a.Text;
        break;
      case SrcSy:
        PanelSource = a.Text;
        break;
      case AltSy: {
        std::string alt = a.Text;
        while (!alt.empty() && (alt.back() == '\r' || alt.back() == '\n')) alt.pop_back();
        Alt = Title = alt;
        AltWide = AnsiToWideInCodePage(alt, prop.CodePage);
        break;
      }
      case AlignSy: {
        const std::string align = pf::UpperCase(a.Text);
        if (align == "TOP") Floating = 1;
        if (align == "MIDDLE" || align == "ABSMIDDLE") Floating = 2;
        if (align == "LEFT") Floating = 5;
        if (align == "RIGHT") Floating = 6;
        break;
      }
      default:
        break;
    }
  }
  if (!spaceGiven && (Floating == 5 || Floating == 6)) HSpaceL = HSpaceR = kFloatSpace;
  // The window exists only where the document can show windows; the host fills it through its event.
  if (ownerList->PPanel) {
    Panel = std::make_unique<ThvPanel>(nullptr);
    Panel->SetBounds(kOffPanel, kOffPanel, width, height);
    Panel->SetBevelOuter(pf::bvNone);
    Panel->SetBorderStyle(pf::bsSingle);
    Panel->SetColor(pf::clWhite);
    Panel->SetCaption("");
    Panel->SetName(PanelName);
  }
  if (!createOnly && ownerList->OnPanelCreate)
    ownerList->OnPanelCreate(SenderOf(ownerList), PanelName, PanelType, PanelSource, Panel.get());
  ImageWidth = Panel ? Panel->Width() : width;
  ImageHeight = Panel ? Panel->Height() : height;
  ownerList->PanelList.push_back(this);
}

TPanelObj::TPanelObj(TSectionList* ownerList, const TPanelObj& source)
    : TFloatingObj(source),
      OwnerList(ownerList),
      IsCopy(true),
      PanelName(source.PanelName),
      PanelType(source.PanelType),
      PanelSource(source.PanelSource),
      PrintScaleX(ownerList->ScaleX),
      PrintScaleY(ownerList->ScaleY) {
  SpecWidth = source.SpecWidth;
  SpecHeight = source.SpecHeight;
  PercentWidth = source.PercentWidth;
  PercentHeight = source.PercentHeight;
  SizeFixed = source.SizeFixed;
  ImageWidth = source.ImageWidth;
  ImageHeight = source.ImageHeight;
}

TPanelObj::~TPanelObj() {
  if (!IsCopy) {
    if (OwnerList->OnPanelDestroy) OwnerList->OnPanelDestroy(SenderOf(OwnerList), PanelName, Panel.get());
    std::erase(OwnerList->PanelList, this);
  }
}

std::unique_ptr<TFloatingObj> TPanelObj::CreateClone(TSectionList* ownerList) const {
  return std::make_unique<TPanelObj>(ownerList, *this);
}

// Sizing comes with the text layout.
void TPanelObj::ComputeSize(pf::TCanvas& canvas, int32_t availHeight, int32_t availWidth, TFontObj* linkRun) {}

}  // namespace viewer
