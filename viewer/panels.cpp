#include "viewer/panels.h"

#include <algorithm>
#include <cstdlib>

#include "platform/core/mathutil.h"
#include "platform/core/strings.h"
#include "platform/ui/messages.h"
#include "viewer/section_list.h"

namespace viewer {

namespace {

constexpr int32_t kOffPanel = -4000;
constexpr int32_t kFloatSpace = 3;
constexpr int32_t kMaxPercent = 100;
constexpr int32_t kAltFontHeight = -11;  // the ALT text of a printed panel: 8 points
constexpr int32_t kAltMargin = 3;

pf::TObject* SenderOf(const TSectionList* list) { return list && list->TheOwner ? list->TheOwner->Sender() : nullptr; }

}  // namespace

void ThvPanel::SetVisible(bool value) {
  if (!shownByDocument_) hiddenByHost_ = !value;
  pf::TPanel::SetVisible(value);
}

void ThvPanel::SetShown(bool value) {
  shownByDocument_ = true;
  SetVisible(value && !hiddenByHost_);
  shownByDocument_ = false;
}

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
          SpecHeight = height = std::clamp(a.Value, 1, kMaxSide);
        }
        break;
      case WidthSy:
        if (percent) {
          SpecWidth = std::clamp(a.Value, 1, kMaxPercent);
          PercentWidth = true;
        } else {
          SpecWidth = width = std::clamp(a.Value, 0, kMaxSide);
        }
        break;
      case HSpaceSy:
        HSpaceL = HSpaceR = std::min(kMaxSpace, BoundLength(std::abs(int64_t{a.Value})));
        spaceGiven = true;
        break;
      case VSpaceSy:
        VSpaceT = VSpaceB = std::min(kMaxSpace, BoundLength(std::abs(int64_t{a.Value})));
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
    Panel->SetParentFont(false);  // the viewer's font does not reach the panel and what the host puts in it
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
  // A panel of the same size and colour for the host's print event; it is never shown, and hidden for the host
  // when the source is.
  if (source.Panel) {
    Panel = std::make_unique<ThvPanel>(nullptr);
    Panel->SetShown(false);
    if (source.Panel->HiddenByHost()) Panel->Hide();
    Panel->SetBounds(kOffPanel, kOffPanel, source.Panel->Width(), source.Panel->Height());
    Panel->SetColor(source.Panel->Color());
    Panel->SetName(PanelName);
  }
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

void TPanelObj::ComputeSize(pf::TCanvas& canvas, int32_t availHeight, int32_t availWidth, TFontObj* linkRun) {
  if (SizeFixed) return;
  // A panel given no width keeps no natural size of 0 (a proportion would divide by it).
  const int32_t naturalWidth = std::max(1, ImageWidth), naturalHeight = std::max(1, ImageHeight);
  const int32_t heightBase = availHeight != 0 ? availHeight : availWidth;
  const bool widthGiven = SpecWidth >= 0, heightGiven = SpecHeight >= 0;
  if (PercentWidth) {
    ObjWidth = pf::MulDiv(availWidth, SpecWidth, kMaxPercent);
    ObjHeight = PercentHeight ? pf::MulDiv(heightBase, SpecHeight, kMaxPercent)
                : heightGiven ? SpecHeight
                              : pf::MulDiv(ObjWidth, naturalHeight, naturalWidth);
  } else if (PercentHeight) {
    ObjHeight = pf::MulDiv(heightBase, SpecHeight, kMaxPercent);
    ObjWidth = widthGiven ? SpecWidth : pf::MulDiv(ObjHeight, naturalWidth, naturalHeight);
  } else {
    ObjWidth = widthGiven ? SpecWidth : heightGiven ? pf::MulDiv(SpecHeight, naturalWidth, naturalHeight) : ImageWidth;
    ObjHeight = heightGiven  ? SpecHeight
                : widthGiven ? pf::MulDiv(SpecWidth, naturalHeight, naturalWidth)
                             : ImageHeight;
    SizeFixed = true;
  }
  ObjWidth = std::min(ObjWidth, kMaxSide);
  ObjHeight = std::min(ObjHeight, kMaxSide);
  if (!IsCopy && Panel && ObjWidth > 0 && ObjHeight > 0)
    Panel->SetBounds(Panel->Left(), Panel->Top(), ObjWidth, ObjHeight);
}

void TPanelObj::Draw(pf::TCanvas& canvas, int32_t x, int32_t y) {
  if (Panel && Panel->HiddenByHost()) return;
  const pf::TRect box{x, y, x + ObjWidth, y + ObjHeight};
  if (OwnerList->OnPanelPrint && Panel) {
    pf::TBitmap bitmap(std::max(1, Panel->Width()), std::max(1, Panel->Height()), pf::pf24bit);
    OwnerList->OnPanelPrint(SenderOf(OwnerList), Panel.get(), bitmap);
    canvas.StretchDraw(box, bitmap);
    return;
  }
  canvas.Brush().SetColor(pf::clWhite);
  canvas.Pen().SetColor(pf::clBlack);
  canvas.Pen().SetStyle(pf::psSolid);
  canvas.Rectangle(box);
  canvas.Font().SetName("Arial");
  canvas.Font().SetHeight(kAltFontHeight);
  canvas.Font().SetColor(pf::clBlack);
  canvas.Font().SetStyle(0);
  canvas.SetBkMode(pf::TRANSPARENT);
  DrawWrappedTextW(
      canvas, pf::TRect{box.Left + kAltMargin, box.Top + kAltMargin, box.Right - kAltMargin, box.Bottom - kAltMargin},
      AltWide);
}

void TPanelObj::Place(pf::TCanvas& canvas, int32_t x, int32_t y) {
  DrawXX = x + OwnerList->XOff;
  DrawYY = y + OwnerList->YOff;
  if (IsCopy || OwnerList->Printing) {
    Draw(canvas, x, y);
    return;
  }
  if (!Panel) return;
  if (!Panel->Parent() && OwnerList->PPanel) Panel->SetParent(OwnerList->PPanel);
  Panel->SetBounds(x, y, ObjWidth, ObjHeight);
  Panel->SetShown(true);
  ShowIt = true;
}

// ---- window controls placed in the text ----

void TFormRadioButton::SetChecked(bool value) {
  if (pf::GetKeyState(pf::VK_TAB) < 0) return;
  const bool newlyChecked = value && !Checked();
  pf::TRadioButton::SetChecked(value);
  if (!newlyChecked || ClicksDisabled) return;
  checking_ = true;
  Click();
  checking_ = false;
}

// A user's click checks the button first (SetChecked, which raises the click); the click that follows is the
// same event and goes nowhere.
void TFormRadioButton::Click() {
  if (checking_) pf::TRadioButton::Click();
}

void TFormRadioButton::WndProc(pf::TMessage& message) {
  if (message.Msg == pf::WM_GETDLGCODE) {
    message.Result = pf::DLGC_WANTARROWS;
    return;
  }
  pf::TRadioButton::WndProc(message);
}

void TFormCheckBox::WndProc(pf::TMessage& message) {
  if (message.Msg == pf::WM_GETDLGCODE) {
    message.Result = pf::DLGC_WANTARROWS;
    return;
  }
  pf::TCheckBox::WndProc(message);
}

}  // namespace viewer
