// The page viewer's layout-and-scroll-bar cycle, scrolling by bars, keys and wheel, painting with the document's
// background, and the mouse: links under the pointer, clicks, selection, double clicks, panning and automatic
// scrolling.
#include <algorithm>
#include <cstdlib>

#include "platform/core/datetime.h"
#include "platform/core/strings.h"
#include "platform/ui/forms.h"
#include "viewer/animated_images.h"
#include "viewer/borders.h"
#include "viewer/font_runs.h"
#include "viewer/form_controls.h"
#include "viewer/image_cache.h"
#include "viewer/page_viewer.h"

namespace viewer {

namespace {

constexpr int32_t kPanFarAway = 60, kPanNear = 20;
constexpr int32_t kPanFarStep = 32, kPanNearStep = 8;
constexpr int32_t kSelectFarAway = 15, kSelectFarSteps = 8;
constexpr int32_t kHorzLargeChangeMargin = 20;
constexpr int32_t kWheelDelta = 120;
constexpr int32_t kWheelLinePixels = 16;

bool AllowsVertical(pf::TScrollStyle style) { return style == pf::ssVertical || style == pf::ssBoth; }
bool AllowsHorizontal(pf::TScrollStyle style) { return style == pf::ssHorizontal || style == pf::ssBoth; }

bool IsWordChar(char16_t c) {
  return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c >= 192;
}

}  // namespace

// ---- pure steps ----

TScrollPlan PlanScrollBars(int32_t width, int32_t height, int32_t border, int32_t scrollWidth, int32_t docHeight,
                           int32_t maxHorzExtent, pf::TScrollStyle scrollBars, bool showVScroll) {
  TScrollPlan plan;
  plan.MaxHorzExtent = std::min(maxHorzExtent, kMaxHorzExtent);
  const int32_t inner = height - 2 * border, wide = width - 2 * border;
  const int32_t maxH = plan.MaxHorzExtent;
  const bool fits = !showVScroll && inner >= docHeight && wide >= maxH;
  if (scrollBars == pf::ssNone || fits) {
    // no bar
  } else if (scrollBars == pf::ssHorizontal) {
    plan.HBar = wide < maxH;
  } else {
    const bool both = scrollBars == pf::ssBoth;
    const bool needed = inner <= docHeight || (both && inner - scrollWidth <= docHeight && wide - scrollWidth < maxH);
    if (both) plan.HBar = wide < maxH || ((needed || showVScroll) && wide - scrollWidth < maxH);
    plan.VBar = needed || showVScroll;
  }
  plan.PanelLeft = plan.PanelTop = border;
  const bool vSpace = plan.VBar || (showVScroll && AllowsVertical(scrollBars));
  plan.PanelWidth = std::max(wide - (vSpace ? scrollWidth : 0), 0);
  plan.PanelHeight = std::max(inner - (plan.HBar ? scrollWidth : 0), 0);
  return plan;
}

TAutoScrollStep PanningStep(int32_t y, int32_t panStartY) {
  const int32_t d = y - panStartY;
  if (d < -kPanFarAway) return {-kPanFarStep, pf::crPanUp};
  if (d < -kPanNear) return {-kPanNearStep, pf::crPanUp};
  if (d > kPanFarAway) return {kPanFarStep, pf::crPanDown};
  if (d > kPanNear) return {kPanNearStep, pf::crPanDown};
  return {};
}

TAutoScrollStep SelectingStep(int32_t y, int32_t panelHeight, int32_t smallChange) {
  if (y < 1) return {y < -kSelectFarAway ? -kSelectFarSteps * smallChange : -smallChange, pf::crDefault};
  if (y > panelHeight)
    return {y - panelHeight <= kSelectFarAway ? smallChange : kSelectFarSteps * smallChange, pf::crDefault};
  return {};
}

// ---- layout and scroll bars ----

pf::TCanvas& TPageViewer::MeasureCanvas() {
  if (!measureBitmap_) measureBitmap_ = std::make_unique<pf::TBitmap>(1, 1);
  return measureBitmap_->Canvas();
}

void TPageViewer::LayoutDocument(int32_t width) {
  maxHorzExtent_ = 0;
  int32_t maxWidth = 0;
  docHeight_ = sectionList_->ComputeLayout(MeasureCanvas(), {0, 0, width, Height() - BorderAllowance()}, maxWidth);
  maxHorzExtent_ = maxWidth;
}

void TPageViewer::DoScrollBars() {
  const bool wasSizing = sizing_;
  sizing_ = true;
  const int32_t border = BorderAllowance();
  const int32_t w = Width() - border;
  const bool hAllowed = AllowsHorizontal(scrollBars_);
  // A vertical bar is needed for the height, or for the width that a horizontal bar would take from the height.
  auto needsVBar = [&](bool narrowed) {
    return Height() - border < docHeight_ || (hAllowed && Height() - border - scrollWidth_ <= docHeight_ &&
                                              Width() - (narrowed ? scrollWidth_ : 0) - border < maxHorzExtent_);
  };
  if (!AllowsVertical(scrollBars_)) {
    LayoutDocument(w);
  } else if ((htOptions_ & htShowVScroll) == 0 && documentSource_.size() < kSmallSourceLength) {
    LayoutDocument(w);
    if (needsVBar(true)) {
      LayoutDocument(w - scrollWidth_);
      if (!needsVBar(false)) LayoutDocument(w);
    }
  } else {
    LayoutDocument(w - scrollWidth_);
  }
  PlaceScrollBars();
  sizing_ = wasSizing;
}

void TPageViewer::PlaceScrollBars() {
  const int32_t b = borderStyle_ == htNone ? 0 : 1;
  const int32_t w = Width(), h = Height();
  const TScrollPlan plan =
      PlanScrollBars(w, h, b, scrollWidth_, docHeight_, maxHorzExtent_, scrollBars_, (htOptions_ & htShowVScroll) != 0);
  maxHorzExtent_ = plan.MaxHorzExtent;
  borderPanel_->SetVisible(b == 1);
  paintPanel_->SetBounds(plan.PanelLeft, plan.PanelTop, plan.PanelWidth, plan.PanelHeight);

  vScrollBar_->SetLargeChange(std::max(plan.PanelHeight - vScrollBar_->SmallChange(), 1));
  vScrollBar_->SetMin32(0);
  vScrollBar_->SetMax32(docHeight_);
  vScrollBar_->SetPage32(plan.PanelHeight);
  const int32_t y = std::clamp(vScrollBar_->Position32(), 0, std::max(docHeight_ - plan.PanelHeight, 0));
  vScrollBar_->SetPosition32(y);
  if (sectionList_->YOff != y) sectionList_->SetYOffset(y);
  if (plan.VBar) vScrollBar_->SetBounds(w - b - scrollWidth_, b, scrollWidth_, plan.PanelHeight);
  vScrollBar_->SetVisible(plan.VBar);

  hScrollBar_->SetLargeChange(std::max(plan.PanelWidth - kHorzLargeChangeMargin, 1));
  const int32_t x =
      plan.HBar ? std::clamp(hScrollBar_->Position(), 0, std::max(maxHorzExtent_ - plan.PanelWidth, 0)) : 0;
  hScrollBar_->SetPageSize(0);
  hScrollBar_->SetParams(x, 0, std::max(maxHorzExtent_, 0));
  hScrollBar_->SetPageSize(std::min(plan.PanelWidth, std::max(maxHorzExtent_, 0)));
  if (plan.HBar) hScrollBar_->SetBounds(b, h - b - scrollWidth_, plan.PanelWidth, scrollWidth_);
  hScrollBar_->SetVisible(plan.HBar);
}

void TPageViewer::Relayout() {
  const TViewerPosition position = GetPosition();
  DoScrollBars();
  SetPosition(position);
}

void TPageViewer::ResizeMessage() {
  if (creating_) return;
  if (processing_) {
    PlaceScrollBars();
    return;
  }
  SetProcessing(true);
  {
    Finally done([this] { SetProcessing(false); });
    sectionList_->ProgressStart = 0;
    // The reading position stays where it was, within the new document height.
    Relayout();
  }
  SetHorizontalPosition(hScrollBar_->Position());
  paintPanel_->Invalidate();
}

void TPageViewer::ScrollTo(int32_t y) {
  SetVerticalPosition(y);
  InvalidateAll();
}

void TPageViewer::SetVerticalPosition(int32_t y) {
  y = std::clamp(y, 0, std::max(docHeight_ - PanelHeight(), 0));
  vScrollBar_->SetPosition32(y);
  sectionList_->SetYOffset(y);
  // The whole panel is painted again: every windowed control of the view is placed by that paint.
  paintPanel_->Invalidate();
}

void TPageViewer::SetHorizontalPosition(int32_t x) {
  x = std::clamp(x, 0, std::max(hScrollBar_->Max() - paintPanel_->Width(), 0));
  if (hScrollBar_->PageSize() > 0 || x == 0) hScrollBar_->SetPosition(x);
  paintPanel_->Invalidate();
}

void TPageViewer::VScroll(uint32_t code, int32_t trackPos) {
  int32_t y = vScrollBar_->Position32();
  switch (code) {
    case pf::SB_LINEUP:
      y -= vScrollBar_->SmallChange();
      break;
    case pf::SB_LINEDOWN:
      y += vScrollBar_->SmallChange();
      break;
    case pf::SB_PAGEUP:
      y -= vScrollBar_->LargeChange();
      break;
    case pf::SB_PAGEDOWN:
      y += vScrollBar_->LargeChange();
      break;
    case pf::SB_TOP:
      y = 0;
      break;
    case pf::SB_BOTTOM:
      y = docHeight_ - PanelHeight();
      break;
    case pf::SB_THUMBTRACK:
    case pf::SB_THUMBPOSITION:
      y = trackPos;
      break;
    default:
      break;
  }
  SetVerticalPosition(y);
}

void TPageViewer::HScrollBarScroll(pf::TObject*, pf::TScrollCode, int32_t& scrollPos) {
  scrollPos = std::clamp(scrollPos, 0, std::max(hScrollBar_->Max() - paintPanel_->Width(), 0));
  paintPanel_->Invalidate();
}

// ---- keys and wheel ----

void TPageViewer::KeyDown(uint16_t& key, pf::TShiftState shift) {
  pf::TWinControl::KeyDown(key, shift);
  if (key == 0) return;
  if (panning_) EndPanning();
  const int32_t y = vScrollBar_->Position32();
  switch (key) {
    case pf::VK_PRIOR:
      SetVerticalPosition(y - vScrollBar_->LargeChange());
      break;
    case pf::VK_NEXT:
      SetVerticalPosition(y + vScrollBar_->LargeChange());
      break;
    case pf::VK_END:
      SetVerticalPosition(docHeight_);
      break;
    case pf::VK_HOME:
      SetVerticalPosition(0);
      break;
    case pf::VK_UP:
      SetVerticalPosition(y - vScrollBar_->SmallChange());
      break;
    case pf::VK_DOWN:
      SetVerticalPosition(y + vScrollBar_->SmallChange());
      break;
    case pf::VK_LEFT:
      SetHorizontalPosition(hScrollBar_->Position() - hScrollBar_->SmallChange());
      break;
    case pf::VK_RIGHT:
      SetHorizontalPosition(hScrollBar_->Position() + hScrollBar_->SmallChange());
      break;
    default:
      break;
  }
}

bool TPageViewer::DoMouseWheel(pf::TShiftState shift, int32_t wheelDelta, pf::TPoint mousePos) {
  if (pf::TWinControl::DoMouseWheel(shift, wheelDelta, mousePos)) return true;
  if ((htOptions_ & htNoWheelMouse) != 0) return false;
  const int lines = pf::WheelScrollLines();
  int32_t pixels = 0;
  if (lines >= 1) {
    // A wheel that reports parts of a notch moves by the same part of the notch's lines.
    wheelRest_ += wheelDelta * lines * kWheelLinePixels;
    pixels = wheelRest_ / kWheelDelta;
    wheelRest_ -= pixels * kWheelDelta;
  } else {
    pixels = wheelDelta / 2;
  }
  if (pixels != 0) SetVerticalPosition(vScrollBar_->Position32() - pixels);
  return true;
}

// ---- painting ----

void TPaintPanel::WndProc(pf::TMessage& message) {
  switch (message.Msg) {
    case pf::WM_ERASEBKGND:
      message.Result = 1;  // the paint covers every pixel
      return;
    case pf::WM_LBUTTONDBLCLK:
      Viewer->DoubleClick(pf::KeysToShiftState(message.WParam), pf::GET_X_LPARAM(message.LParam),
                          pf::GET_Y_LPARAM(message.LParam));
      return;
    case pf::WM_MOUSEWHEEL:
      Viewer->Perform(message);
      return;
    default:
      pf::TCustomPanel::WndProc(message);
  }
}

void TPaintPanel::Paint() {
  if (Viewer->sizing_ || painting_) return;
  painting_ = true;
  TPageViewer::Finally done([this] { painting_ = false; });
  Viewer->UpdateBorder();
  pf::TCanvas& canvas = Canvas();
  const pf::TRect clip = canvas.ClipRect();
  Viewer->PaintBackground(canvas, clip);
  Viewer->DrawDocument(canvas, clip);
  if (OnPaint) OnPaint(this);
}

void TPageViewer::DrawDocument(pf::TCanvas& canvas, const pf::TRect& clip) {
  if (sizing_) return;
  sectionList_->Paint(canvas, clip, -hScrollBar_->Position());
}

void TPageViewer::PaintBackground(pf::TCanvas& canvas, const pf::TRect& clip) {
  if (sectionList_->Printing) return;
  const pf::TColor saved = canvas.Brush().Color();
  canvas.Brush().SetColor(sectionList_->Background | PaletteColorFlag());
  canvas.FillRect(clip);
  canvas.Brush().SetColor(saved);
  LoadBackgroundImage();
  const TSectionList& document = *sectionList_;
  const TBackgroundPosition& pos = document.BackgroundPos;
  fixedBackground_ =
      document.ShowImages && !IsEmpty(document.BackgroundImage) && (pos.Vertical.Fixed || pos.Horizontal.Fixed);
  if (!document.ShowImages) return;
  // The document scrolls under the panel; a fixed position is the panel's.
  const int32_t left = -hScrollBar_->Position(), top = -document.YOff;
  const pf::TRect area{left, top, left + std::max(maxHorzExtent_, paintPanel_->Width()),
                       top + std::max(docHeight_, paintPanel_->Height())};
  DrawBackgroundPicture(canvas, clip, document.BackgroundImage, document.BackgroundMask, pos, area,
                        pf::TRect{0, 0, paintPanel_->Width(), paintPanel_->Height()});
}

void TPageViewer::ReleaseBackground() {
  if (!backgroundKey_.empty() && sectionList_->BitmapList) sectionList_->BitmapList->ReleaseUsage(backgroundKey_);
  backgroundKey_.clear();
  sectionList_->BackgroundImage = std::monostate();
  sectionList_->BackgroundMask = nullptr;
}

void TPageViewer::LoadBackgroundImage() {
  TSectionList& document = *sectionList_;
  if (!document.ShowImages || document.BackgroundName.empty() || document.BackgroundLoaded) return;
  ReleaseBackground();
  std::string name = document.BackgroundName;
  if (!document.OnBitmapRequest && !document.OnImageRequest) {
    name = ExpandFileName(name);
  } else if (document.OnExpandName) {
    std::string expanded;
    document.OnExpandName(this, name, expanded);
    if (!expanded.empty()) name = expanded;
  }
  TTransparency transparency = tkNone;
  pf::TBitmap* mask = nullptr;
  bool fromCache = false, delayed = false;
  const TImageRef image = FetchImage(document, name, mrOwnMask, transparency, mask, fromCache, delayed);
  if (!IsEmpty(image)) {
    backgroundKey_ = ImageCacheKey(name);
    document.BackgroundImage = image;
    document.BackgroundMask = mask;
    if (auto* const* gif = std::get_if<TgfAnimatedImage*>(&image)) {
      if ((*gif)->NumFrames() > 1 && !document.IsCopy) {
        document.BackgroundGif = *gif;
        document.AGifList.push_back(*gif);
        (*gif)->SetAnimating(true);
      }
    }
  } else if (delayed) {
    document.MissingImages.AddObject(name, &document);
  }
  document.BackgroundLoaded = true;
}

// ---- mouse ----

TPageViewer::TPointerState TPageViewer::PointerState() {
  TPointerState state;
  const pf::TPoint screen = pf::GetCursorPos();
  state.Point = paintPanel_->ScreenToClient(screen);
  state.OverPanel = pf::FindDragTarget(screen, true) == paintPanel_;
  state.LeftDown = pf::GetKeyState(pf::VK_LBUTTON) < 0;
  return state;
}

uint32_t TPageViewer::TickCount() { return pf::GetTickCount(); }

int32_t TPageViewer::DocumentPositionAt(int32_t x, int32_t y) {
  bool inText = false;
  int32_t lineHeight = 0, lineTop = 0, caretX = 0;
  return sectionList_->GetPositionAtPoint(MeasureCanvas(), x + hScrollBar_->Position(), y + sectionList_->YOff, inText,
                                          lineHeight, lineTop, caretX);
}

TImageObj* TPageViewer::ImageAt(int32_t x, int32_t y) {
  int32_t position = 0;
  return dynamic_cast<TImageObj*>(
      sectionList_->FindObjectAt(x + hScrollBar_->Position(), y + sectionList_->YOff, position));
}

int TPageViewer::LinkAt(int32_t x, int32_t y, std::unique_ptr<TUrlTarget>& target, TFormControlObj*& control,
                        std::string& title) {
  control = nullptr;
  title.clear();
  return sectionList_->GetLinkAt(MeasureCanvas(), x + hScrollBar_->Position(), y + sectionList_->YOff, target, control,
                                 title);
}

std::string TPageViewer::LinkTextOf(const TUrlTarget& link) {
  if (link.utText.Start < 0 || link.utText.Last < link.utText.Start) return {};
  const int32_t first = sectionList_->MapToDocPos(link.utText.Start);
  const int32_t last = sectionList_->MapToDocPos(link.utText.Last);
  std::u16string text;
  for (int32_t p = first; p < last; ++p) {
    char16_t c = 0;
    TSectionBase* object = nullptr;
    if (sectionList_->ReadCharAt(p, c, object) && c >= u' ') text.push_back(c);
  }
  std::string latin1;
  for (char16_t c : text) latin1.push_back(c < 256 ? static_cast<char>(c) : '?');
  int32_t x = 0, y = 0;
  if (sectionList_->GetPositionXY(MeasureCanvas(), first, x, y)) linkStartX_ = x, linkStartY_ = y;
  return pf::Trim(latin1);
}

void TPageViewer::EndPanning() {
  panning_ = false;
  dragScrolling_ = false;
  paintPanel_->SetCursor(Cursor());
}

void TPageViewer::PanelMouseDown(pf::TObject*, pf::TMouseButton button, pf::TShiftState shift, int32_t x, int32_t y) {
  if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
  if (CanFocus() && !Focused()) SetFocus();
  linkClicked_ = false;
  if (panning_) EndPanning();
  if (button == pf::mbMiddle && (htOptions_ & htNoWheelMouse) == 0) {
    panning_ = true;
    panStartY_ = y;
    paintPanel_->SetCursor(pf::crPanUpDown);
    return;
  }
  if (button != pf::mbLeft) return;
  mouseIsDown_ = true;
  selecting_ = true;
  if ((htOptions_ & htNoLinkHilite) != 0) {
    std::unique_ptr<TUrlTarget> target;
    TFormControlObj* control = nullptr;
    std::string title;
    if ((LinkAt(x, y, target, control, title) & 1) != 0) selecting_ = false;
  }
  clickPos_ = DocumentPositionAt(x, y);
  if (clickPos_ >= 0) {
    const bool hadSelection = sectionList_->SelE > sectionList_->SelB;
    if ((shift & pf::ssShift) != 0) {
      sectionList_->SelB = std::min(caretPos_, clickPos_);
      sectionList_->SelE = std::max(caretPos_, clickPos_);
    } else {
      sectionList_->SelB = sectionList_->SelE = clickPos_;
      caretPos_ = clickPos_;
    }
    if (hadSelection || (shift & pf::ssShift) != 0) paintPanel_->Invalidate();
  }
  sectionList_->SetImageButtonDown(true);
}

void TPageViewer::PanelMouseMove(pf::TObject*, pf::TShiftState shift, int32_t x, int32_t y) {
  std::unique_ptr<TUrlTarget> target;
  TFormControlObj* control = nullptr;
  std::string title;
  int hit = 0;
  if (!panning_) {
    hit = LinkAt(x, y, target, control, title);
    const TFormControlObj* titled = hintControl_ ? hintControl_ : control;
    hintText_ = titled && !titled->Title.empty() ? titled->Title : title;
  }
  if (OnMouseMove) OnMouseMove(this, shift, x, y);
  if (panning_) {
    if (!dragScrolling_ && std::abs(y - panStartY_) > kPanNear) {
      dragScrolling_ = true;
      pf::PostMessage(this, DragScrollMessage);
    }
    return;
  }
  pf::TCursor cursor = Cursor();
  std::string newUrl, newTarget;
  if ((hit & 1) != 0 && target) {
    cursor = pf::crLinkHand;
    newUrl = target->Url;
    newTarget = target->Target;
    linkAttributes_.SetText(target->Attr);
    linkText_ = LinkTextOf(*target);
  }
  if ((hit & 2) != 0 && control && !control->Title.empty()) cursor = pf::crLinkHand;
  if (OnImageClick || OnImageOver) {
    if (TImageObj* image = ImageAt(x, y)) {
      if (cursor != pf::crLinkHand) cursor = pf::crArrow;
      if (OnImageOver) OnImageOver(this, image, shift, x, y);
    }
  }
  paintPanel_->SetCursor(cursor);
  hotSpotTimer_->SetEnabled(cursor == pf::crLinkHand || sectionList_->LinksActive);
  if (newUrl != url_ || newTarget != target_) {
    url_ = newUrl;
    target_ = newTarget;
    if (OnHotSpotCovered) OnHotSpotCovered(this, url_);
  }
  if ((shift & pf::ssLeft) != 0) {
    if (!dragScrolling_ && (y < 1 || y >= PanelHeight())) {
      dragScrolling_ = true;
      pf::PostMessage(this, DragScrollMessage);
    }
    if (!noSelect_) ExtendSelectionTo(x, y);
  }
}

void TPageViewer::ExtendSelectionTo(int32_t x, int32_t y) {
  if (!selecting_ || clickPos_ < 0) return;
  y = std::clamp(y, 0, PanelHeight());
  const int32_t position = DocumentPositionAt(x, y);
  if (position < 0) return;
  if (!noSelect_) {
    sectionList_->SelB = std::min(clickPos_, position);
    sectionList_->SelE = std::max(clickPos_, position);
    paintPanel_->Invalidate();
  }
  caretPos_ = position;
}

void TPageViewer::PanelMouseUp(pf::TObject*, pf::TMouseButton button, pf::TShiftState shift, int32_t x, int32_t y) {
  if (panning_) {
    // A middle click that did not move leaves panning on; anything else ends it.
    if (button != pf::mbMiddle || y != panStartY_) EndPanning();
    return;
  }
  if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
  if (OnImageClick || OnRightClick) RaiseImageAndRightClick(button, shift, x, y);
  if (button != pf::mbLeft || (shift & pf::ssShift) != 0) return;
  dragScrolling_ = false;
  ExtendSelectionTo(x, y);
  selecting_ = false;
  sectionList_->SetImageButtonDown(false);
  if (!mouseIsDown_) return;
  mouseIsDown_ = false;
  if (sectionList_->SelE > sectionList_->SelB) return;
  std::unique_ptr<TUrlTarget> target;
  TFormControlObj* control = nullptr;
  std::string title;
  const int hit = LinkAt(x, y, target, control, title);
  // An image input submits its form with the point clicked in its picture (which the hit test left with it).
  if (auto* image = dynamic_cast<TImageFormControlObj*>(control); image && (hit & 2) != 0) {
    image->HandleClick();
    return;
  }
  if ((hit & 1) == 0 || !target) return;
  FocusLinkStop(target->ID);
  linkClicked_ = true;
  HotSpotClick(TLinkClick{target->Url, target->Target, target->Attr, LinkTextOf(*target)});
}

void TPageViewer::FocusLinkStop(int32_t linkId) {
  for (TFontObj* run : sectionList_->LinkList) {
    if (run->UrlTarget.ID != linkId || !run->TabControl) continue;
    pf::TCustomForm* form = pf::GetParentForm(run->TabControl.get());
    if (!form) return;
    // The document does not scroll for a link that the viewer itself focuses after a click.
    settingFocus_ = true;
    Finally done([this] { settingFocus_ = false; });
    form->SetActiveControl(run->TabControl.get());
    return;
  }
}

void TPageViewer::RaiseImageAndRightClick(pf::TMouseButton button, pf::TShiftState shift, int32_t x, int32_t y) {
  TImageObj* image = ImageAt(x, y);
  if (image && OnImageClick) OnImageClick(this, image, button, shift, x, y);
  if (button != pf::mbRight || !OnRightClick) return;
  TRightClickParameters parameters;
  parameters.Image = image;
  if (image) {
    parameters.ImageX = x + hScrollBar_->Position() - image->DrawXX;
    parameters.ImageY = y + sectionList_->YOff - image->DrawYY;
  }
  std::unique_ptr<TUrlTarget> target;
  TFormControlObj* control = nullptr;
  std::string title;
  if ((LinkAt(x, y, target, control, title) & 1) != 0 && target) {
    parameters.URL = target->Url;
    parameters.Target = target->Target;
  }
  int32_t first = 0, last = 0;
  const int32_t position = DocumentPositionAt(x, y);
  if (WordAt(position, first, last)) parameters.ClickWord = WordText(first, last);
  const bool timerOn = hotSpotTimer_->Enabled();
  hotSpotTimer_->SetEnabled(false);
  OnRightClick(this, parameters);
  hotSpotTimer_->SetEnabled(timerOn);
}

bool TPageViewer::WordAt(int32_t position, int32_t& first, int32_t& last) {
  if (position < 0) return false;
  auto wordCharAt = [this](int32_t p) {
    char16_t c = 0;
    TSectionBase* object = nullptr;
    return p >= 0 && sectionList_->ReadCharAt(p, c, object) && IsWordChar(c);
  };
  if (!wordCharAt(position)) return false;
  first = last = position;
  while (wordCharAt(first - 1)) --first;
  while (wordCharAt(last + 1)) ++last;
  return true;
}

std::string TPageViewer::WordText(int32_t first, int32_t last) {
  std::string word;
  for (int32_t p = first; p <= last; ++p) {
    char16_t c = 0;
    TSectionBase* object = nullptr;
    if (sectionList_->ReadCharAt(p, c, object)) word.push_back(c < 256 ? static_cast<char>(c) : '?');
  }
  return word;
}

void TPageViewer::DoubleClick(pf::TShiftState shift, int32_t x, int32_t y) {
  sectionList_->SetImageButtonDown(true);
  if (processing_ || linkClicked_) return;
  int32_t first = 0, last = 0;
  if (!noSelect_ && WordAt(DocumentPositionAt(x, y), first, last)) {
    sectionList_->SelB = first;
    sectionList_->SelE = last + 1;
    caretPos_ = first;
    paintPanel_->Invalidate();
  }
  if (OnMouseDouble) OnMouseDouble(this, pf::mbLeft, shift, x, y);
}

// ---- automatic scrolling and the hot-spot timer ----

void TPageViewer::DragScrollStart() {
  // The steps come from a timer instead of a loop that pumps messages, so that nothing the loop would deliver (a
  // click, a load) runs inside it.
  if (!autoScrollTimer_->Enabled()) autoScrollTimer_->SetEnabled(true);
}

void TPageViewer::AutoScrollTick() {
  const TPointerState pointer = PointerState();
  const int32_t py = pointer.Point.Y;
  const bool selectingOn = pointer.LeftDown && dragScrolling_ && mouseIsDown_ && (py < 1 || py > PanelHeight());
  const bool panningOn = panning_ && std::abs(py - panStartY_) > kPanNear;
  if (!selectingOn && !panningOn) {
    autoScrollTimer_->SetEnabled(false);
    dragScrolling_ = false;
    if (panning_) paintPanel_->SetCursor(pf::crPanUpDown);
    return;
  }
  const uint32_t now = TickCount();
  if (now - lastScrollTick_ < kAutoScrollStepGate) return;
  lastScrollTick_ = now;
  const TAutoScrollStep step =
      panningOn ? PanningStep(py, panStartY_) : SelectingStep(py, PanelHeight(), vScrollBar_->SmallChange());
  if (panningOn && step.Cursor != pf::crDefault) paintPanel_->SetCursor(step.Cursor);
  SetVerticalPosition(vScrollBar_->Position32() + step.Delta);
  if (selectingOn) ExtendSelectionTo(pointer.Point.X, py);
}

void TPageViewer::HotSpotTimerTimer() {
  if (PointerState().OverPanel) return;
  sectionList_->ClearHover();
  hotSpotTimer_->SetEnabled(false);
  if (url_.empty()) return;
  url_.clear();
  target_.clear();
  if (OnHotSpotCovered) OnHotSpotCovered(this, "");
}

void TPageViewer::FormControlMouseMove(TFormControlObj* control, pf::TShiftState shift, int32_t x, int32_t y) {
  pf::TWinControl* window = control ? control->GetControl() : nullptr;
  if (!window) return;
  hintControl_ = control;
  Finally done([this] { hintControl_ = nullptr; });
  PanelMouseMove(paintPanel_, shift, x + window->Left(), y + window->Top());
}

// ---- selection ----

int32_t TPageViewer::SelStart() const { return sectionList_->SelB; }
int32_t TPageViewer::SelLength() const { return std::max(sectionList_->SelE - sectionList_->SelB, 0); }

}  // namespace viewer
