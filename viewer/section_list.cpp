#include "viewer/section_list.h"

#include <algorithm>

#include <any>

#include "platform/graphics/palette.h"
#include "platform/ui/extctrls.h"
#include "viewer/animated_images.h"
#include "viewer/blocks.h"
#include "viewer/form_controls.h"
#include "viewer/html_tables.h"
#include "viewer/image_cache.h"
#include "viewer/panels.h"
#include "viewer/screen_palette.h"
#include "viewer/text_sections.h"

namespace viewer {

namespace {

constexpr int32_t kOpenInlineEnd = 999999;
constexpr int32_t kInlinePercentBase = 200;
constexpr int32_t kOutOfRange = 99999999;
constexpr int32_t kBelowLastPosition = 15;

}  // namespace

// ---- cells ----

TCellBasic::TCellBasic(TSectionList* masterList) : MasterList(masterList) {}

TCellBasic::TCellBasic(TSectionList* masterList, const TCellBasic& source)
    : MasterList(masterList), Tag(source.Tag), TopY(source.TopY), StartCurs(source.StartCurs), Len(source.Len) {
  CloneObjectsFrom(source);
}

TCellBasic::~TCellBasic() = default;

void TCellBasic::CloneObjectsFrom(const TCellBasic& source) {
  for (int i = 0; i < source.Count(); ++i) TFreeList<TSectionBase>::Add(source[i]->CreateClone(MasterList));
}

void TCellBasic::Add(std::unique_ptr<TSectionBase> object, int32_t tagIndex) {
  if (auto* section = dynamic_cast<TSection*>(object.get())) {
    section->FinishText(tagIndex);
    if (section->IsEmpty()) {
      section->UnregisterFromLists();
      return;
    }
  }
  object->OwnerList = MasterList;
  TFreeList<TSectionBase>::Add(std::move(object));
}

bool TCellBasic::DropLastBottomMargin() {
  for (int i = Count() - 1; i >= 0; --i) {
    auto* block = dynamic_cast<TBlock*>((*this)[i]);
    if (block && block->Positioning == TBlock::posAbsolute) continue;
    if (!block) return false;
    if (auto* item = dynamic_cast<TBlockLI*>(block)) return item->MyCell->DropLastBottomMargin();
    if (!block->ConvertedMargins) return false;
    block->SetBottomMargin(0, false);
    return true;
  }
  return false;
}

int32_t TCellBasic::ComputeLayout(pf::TCanvas& canvas, const pf::TRect& clip, IndentManager& indents, int32_t x,
                                  int32_t y, int32_t availWidth, int32_t availHeight, int32_t& curs,
                                  int32_t& maxWidth) {
  TopY = y;
  StartCurs = curs;
  maxWidth = 0;
  int32_t height = 0;
  for (int i = 0; i < Count(); ++i) {
    int32_t width = 0;
    height = GrowExtent(
        y, height,
        (*this)[i]->ComputeLayout(canvas, clip, indents, x, y + height, availWidth, availHeight, curs, width));
    maxWidth = std::max(maxWidth, width);
  }
  Len = curs - StartCurs;
  return height;
}

void TCellBasic::MeasureMinMaxWidth(pf::TCanvas& canvas, int32_t& minWidth, int32_t& maxWidth) {
  minWidth = maxWidth = 0;
  for (int i = 0; i < Count(); ++i) {
    int32_t min = 0, max = 0;
    (*this)[i]->MeasureMinMaxWidth(canvas, min, max);
    minWidth = std::max(minWidth, min);
    maxWidth = std::max(maxWidth, max);
  }
}

int32_t TCellBasic::Paint(pf::TCanvas& canvas, const pf::TRect& clip, IndentManager& indents, int32_t x, int32_t xRef,
                          int32_t yRef) {
  int32_t bottom = 0;
  for (int i = 0; i < Count(); ++i) bottom = std::max(bottom, (*this)[i]->Paint(canvas, clip, indents, x, xRef, yRef));
  return bottom;
}

int32_t TCell::ComputeLayout(pf::TCanvas& canvas, const pf::TRect& clip, IndentManager&, int32_t x, int32_t y,
                             int32_t availWidth, int32_t availHeight, int32_t& curs, int32_t& maxWidth) {
  IMgr.Clear();
  IMgr.SetEdges(0, availWidth);
  int32_t height = TCellBasic::ComputeLayout(canvas, clip, IMgr, x, y, availWidth, availHeight, curs, maxWidth);
  height = std::max(height, IMgr.LowestFloatBottom() - y);
  // The floats of the content hold only inside the cell.
  IMgr.Clear();
  IMgr.SetEdges(0, availWidth);
  return height;
}

int32_t TCell::Paint(pf::TCanvas& canvas, const pf::TRect& clip, IndentManager&, int32_t x, int32_t xRef,
                     int32_t yRef) {
  const int32_t width = IMgr.RtEdge - IMgr.LfEdge;
  IMgr.SetEdges(x, x + width);
  return TCellBasic::Paint(canvas, clip, IMgr, x, xRef, yRef);
}

namespace {

// The first answer other than none of the cell's objects in order (from the last when backwards); with y, objects
// whose drawn band misses y are not asked.
template <typename T, typename Query>
T FirstAnswer(const TCellBasic& cell, T none, Query query, bool backwards = false, const int32_t* y = nullptr) {
  for (int k = 0; k < cell.Count(); ++k) {
    TSectionBase* object = cell[backwards ? cell.Count() - 1 - k : k];
    if (y && (*y < object->DrawTop || *y >= object->DrawBottom)) continue;
    const T answer = query(object);
    if (answer != none) return answer;
  }
  return none;
}

}  // namespace

int TCellBasic::GetLinkAt(pf::TCanvas& canvas, int32_t x, int32_t y, std::unique_ptr<TUrlTarget>& urlTarget,
                          TFormControlObj*& formControl, std::string& title) {
  auto query = [&](TSectionBase* o) { return o->GetLinkAt(canvas, x, y, urlTarget, formControl, title); };
  return FirstAnswer(*this, 0, query, false, &y);
}

TIDObject* TCellBasic::FindObjectAt(int32_t x, int32_t y, int32_t& position) {
  auto query = [&](TSectionBase* o) { return o->FindObjectAt(x, y, position); };
  return FirstAnswer(*this, static_cast<TIDObject*>(nullptr), query, false, &y);
}

int32_t TCellBasic::GetPositionAtPoint(pf::TCanvas& canvas, int32_t x, int32_t y, bool& inText, int32_t& lineHeight,
                                       int32_t& lineTop, int32_t& caretX) {
  auto query = [&](TSectionBase* o) {
    return std::max(-1, o->GetPositionAtPoint(canvas, x, y, inText, lineHeight, lineTop, caretX));
  };
  return FirstAnswer(*this, -1, query, false, &y);
}

int32_t TCellBasic::SearchForward(int32_t position, std::u16string_view text, bool matchCase) {
  return FirstAnswer(*this, -1,
                     [&](TSectionBase* o) { return std::max(-1, o->SearchForward(position, text, matchCase)); });
}

int32_t TCellBasic::SearchBackward(int32_t position, std::u16string_view text, bool matchCase) {
  auto query = [&](TSectionBase* o) { return std::max(-1, o->SearchBackward(position, text, matchCase)); };
  return FirstAnswer(*this, -1, query, true);
}

int32_t TCellBasic::MapToSourcePos(int32_t docPos) {
  return FirstAnswer(*this, -1, [&](TSectionBase* o) { return std::max(-1, o->MapToSourcePos(docPos)); });
}

int32_t TCellBasic::MapToDocPos(int32_t sourcePos, bool backwards) {
  auto query = [&](TSectionBase* o) { return std::max(-1, o->MapToDocPos(sourcePos, backwards)); };
  return FirstAnswer(*this, -1, query, backwards);
}

bool TCellBasic::GetPositionXY(pf::TCanvas& canvas, int32_t docPos, int32_t& x, int32_t& y) {
  return FirstAnswer(*this, false, [&](TSectionBase* o) { return o->GetPositionXY(canvas, docPos, x, y); });
}

bool TCellBasic::ReadCharAt(int32_t docPos, char16_t& ch, TSectionBase*& object) {
  if (docPos < StartCurs || docPos > StartCurs + Len) return false;
  return FirstAnswer(*this, false, [&](TSectionBase* o) { return o->ReadCharAt(docPos, ch, object); });
}

void TCellBasic::AddToPositionList() {
  for (int i = 0; i < Count(); ++i) (*this)[i]->AddToPositionList();
}

void TCellBasic::CollectSelectedText(SelTextCount& collector) {
  for (int i = 0; i < Count(); ++i) {
    TSectionBase* object = (*this)[i];
    if (object->StartCurs + object->Len <= MasterList->SelB) continue;
    if (object->StartCurs >= MasterList->SelE) break;
    object->CollectSelectedText(collector);
  }
}

// ---- inline borders ----

void TInlineList::Clear() {
  TFreeList<InlineRec>::Clear();
  NeedsConverting = true;
}

void TInlineList::Convert() {
  for (int i = 0; i < Count(); ++i) {
    InlineRec& record = *(*this)[i];
    record.StartB = Owner->MapToDocPos(record.StartSource);
    record.EndB = Owner->MapToDocPos(record.EndSource);
    if (record.StartB == record.EndB) --record.StartB;
  }
  NeedsConverting = false;
}

int32_t TInlineList::StartOf(int index) {
  if (NeedsConverting) Convert();
  return index >= 0 && index < Count() ? (*this)[index]->StartB : kOutOfRange;
}

int32_t TInlineList::EndOf(int index) {
  if (NeedsConverting) Convert();
  return index >= 0 && index < Count() ? (*this)[index]->EndB : kOutOfRange;
}

// ---- the document root ----

TSectionList::TSectionList(IViewerControl* owner, pf::TWinControl* paintPanel)
    : TCell(this),
      TheOwner(owner),
      PPanel(paintPanel),
      Styles(this),
      IDNameList(this),
      InlineList(new TInlineList(this)) {
  TabOrderList.SetSorted(true);
  TabOrderList.SetDuplicates(pf::dupAccept);
  MissingImages.SetCaseSensitive(true);  // picture names as the cache keeps them
}

TSectionList::TSectionList(const TSectionList& source)
    : TCell(this),
      ShowImages(source.ShowImages),
      PreFontName(source.PreFontName),
      HotSpotColor(source.HotSpotColor),
      LinkVisitedColor(source.LinkVisitedColor),
      LinkActiveColor(source.LinkActiveColor),
      Background(source.Background),
      FontName(source.FontName),
      FontSize(source.FontSize),
      FontColor(source.FontColor),
      Charset(source.Charset),
      UnderlineLinks(source.UnderlineLinks),
      PrintTableBackground(source.PrintTableBackground),
      PrintBackground(source.PrintBackground),
      PrintMonochromeBlack(source.PrintMonochromeBlack),
      ShowDummyCaret(source.ShowDummyCaret),
      MarginWidth(source.MarginWidth),
      MarginHeight(source.MarginHeight),
      OnBitmapRequest(source.OnBitmapRequest),
      OnImageRequest(source.OnImageRequest),
      OnExpandName(source.OnExpandName),
      OnPanelPrint(source.OnPanelPrint),
      TheOwner(source.TheOwner),
      PPanel(nullptr),
      Styles(this),
      IDNameList(this),
      BitmapList(source.BitmapList),
      IsCopy(true),
      InlineList(source.InlineList) {
  Tag = source.Tag;
  MissingImages.SetCaseSensitive(true);
  // The objects are copied once the document they belong to is whole: some enter its lists.
  CloneObjectsFrom(source);
}

TSectionList::~TSectionList() {
  Clear();
  if (!IsCopy) delete InlineList;
}

void TSectionList::ApplyDefaultFontsAndColors(const std::string& fontName, const std::string& preFontName,
                                              int32_t marginWidth, int32_t marginHeight, uint8_t charset,
                                              bool underlineLinks, bool linksActive, pf::TColor background,
                                              pf::TColor overColor, pf::TColor visitedColor, pf::TColor hotSpotColor,
                                              pf::TColor fontColor, double fontSize) {
  Styles.BuildDefaultStyles(fontName, preFontName, marginWidth, marginHeight, charset, underlineLinks, hotSpotColor,
                            visitedColor, overColor, fontColor, fontSize);
  ScaleFontSizes(fontSize);
  FontName = fontName;
  FontSize = fontSize;
  FontColor = fontColor;
  Charset = charset;
  UnderlineLinks = underlineLinks;
  MarginWidth = marginWidth;
  MarginHeight = marginHeight;
  PreFontName = preFontName.substr(0, kMaxPreFontName);
  HotSpotColor = hotSpotColor;
  LinkVisitedColor = visitedColor;
  LinkActiveColor = overColor;
  LinksActive = linksActive;
  SetBackgroundColor(background);
}

void TSectionList::SetBackgroundColor(pf::TColor color) {
  Background = color;
  if (OnBackgroundChange) OnBackgroundChange();
}

void TSectionList::SetBackgroundImage(const std::string& name, const TBackgroundPosition& position) {
  BackgroundName = name;
  BackgroundPos = position;
  BackgroundImage = std::monostate();
  BackgroundMask = nullptr;
  BackgroundGif = nullptr;
  BackgroundLoaded = false;
}

void TSectionList::Clear() {
  if (!IsCopy) {
    IDNameList.Clear();
    PositionList.clear();
    InlineList->Clear();
  }
  BackgroundImage = std::monostate();
  BackgroundMask = nullptr;
  BackgroundGif = nullptr;
  BackgroundLoaded = false;
  AGifList.clear();
  Timer.reset();
  SelB = SelE = 0;
  MapList.Clear();
  MissingImages.Clear();
  LinkHovered = nullptr;
  ImageHovered = nullptr;
  HoverPending = false;
  LinkList.clear();
  if (!IsCopy) Styles.Clear();
  FormControlList.clear();
  TabOrderList.Clear();
  TCell::Clear();
  htmlFormList.Clear();
  PanelList.clear();
  SectionCount = 0;
  CurrentForm = nullptr;
  SubmitPending = false;
}

void TSectionList::ClearControlLists() {
  PanelList.clear();
  FormControlList.clear();
}

void TSectionList::ProcessInlineBorder(int32_t position, TProperties& prop, bool start) {
  if (start) {
    auto record = std::make_unique<InlineRec>();
    record->StartSource = position;
    record->EndSource = kOpenInlineEnd;
    record->ID = prop.Sequence;
    ConvertInlineBoxValues(prop.GetBoxVariants(), kInlinePercentBase, kInlinePercentBase, prop.EmSize, prop.ExSize,
                           record->MargArray);
    InlineList->Add(std::move(record));
    InlineList->NeedsConverting = true;
    return;
  }
  for (int i = InlineList->Count() - 1; i >= 0; --i) {
    if ((*InlineList)[i]->ID == prop.Sequence) {
      (*InlineList)[i]->EndSource = position;
      InlineList->NeedsConverting = true;
      return;
    }
  }
}

std::vector<TUrlTarget*> TSectionList::TrailingLinkTargets(int32_t linkId) const {
  std::vector<TUrlTarget*> targets;
  for (auto it = LinkList.rbegin(); it != LinkList.rend() && (*it)->UrlTarget.ID == linkId; ++it)
    targets.insert(targets.begin(), &(*it)->UrlTarget);
  return targets;
}

// ---- layout and painting ----

int32_t TSectionList::ComputeLayout(pf::TCanvas& canvas, const pf::TRect& rect, int32_t& maxWidth) {
  int32_t curs = 0;
  return ComputeLayout(canvas, rect, IMgr, 0, 0, rect.Width(), rect.Height(), curs, maxWidth);
}

int32_t TSectionList::ComputeLayout(pf::TCanvas& canvas, const pf::TRect& clip, IndentManager& indents, int32_t x,
                                    int32_t y, int32_t availWidth, int32_t availHeight, int32_t& curs,
                                    int32_t& maxWidth) {
  ++LayoutCounter;
  if (Timer) Timer->SetEnabled(false);
  for (int i = 0; i < htmlFormList.Count(); ++i) htmlFormList[i]->AdjustControlSizes(canvas);
  canvas.SetTextJustification(0, 0);
  InlineList->NeedsConverting = true;
  ApplyTabOrder();
  // The document lays out with its own indent manager from its left edge; floats may reach below the text.
  IMgr.Clear();
  IMgr.SetEdges(0, availWidth);
  int32_t height = TCellBasic::ComputeLayout(canvas, clip, IMgr, 0, y, availWidth, availHeight, curs, maxWidth);
  height = std::max(height, IMgr.LowestFloatBottom() - y);
  // Animations start again from their first frame after each layout.
  for (TgfAnimatedImage* image : AGifList) {
    image->SetAnimating(false);
    if (!IsCopy) image->SetAnimating(true);
  }
  if (!IsCopy) {
    if (!Timer) {
      Timer = std::make_unique<pf::TTimer>(nullptr);
      Timer->SetEnabled(false);
      Timer->SetOnTimer([this](pf::TObject*) { AnimationTimerTick(); });
    }
    Timer->SetInterval(kFirstAnimationInterval);
    Timer->SetEnabled(!AGifList.empty());
  }
  ParkControls();
  if (!IsCopy && PositionList.empty()) TCellBasic::AddToPositionList();
  return height;
}

void TSectionList::ApplyTabOrder() {
  if (TabOrderList.Count() == 0) return;
  int order = 0;
  for (int i = 0; i < TabOrderList.Count(); ++i)
    if (auto* control = static_cast<pf::TWinControl*>(TabOrderList.Objects(i))) control->SetTabOrder(order++);
  TabOrderList.Clear();
}

void TSectionList::Paint(pf::TCanvas& canvas, const pf::TRect& clip, int32_t x) { Paint(canvas, clip, IMgr, x, x, 0); }

int32_t TSectionList::Paint(pf::TCanvas& canvas, const pf::TRect& clip, IndentManager& indents, int32_t x, int32_t xRef,
                            int32_t yRef) {
  if (Timer) Timer->SetEnabled(false);
  for (TgfAnimatedImage* image : AGifList) image->ShowIt = false;
  if (BackgroundGif) BackgroundGif->ShowIt = !IsCopy;
  pf::HPALETTE oldPalette;
  const bool palette = ScreenColorDepth() <= 8 && SharedPalette();
  if (palette) {
    oldPalette = pf::SelectPalette(canvas, SharedPalette(), false);
    pf::RealizePalette(canvas);
  }
  DrawList.Clear();
  XOff = -x;
  const int32_t width = IMgr.RtEdge - IMgr.LfEdge;
  IMgr.SetEdges(x, x + width);
  const int32_t bottom = TCellBasic::Paint(canvas, clip, IMgr, x, xRef, yRef);
  DrawList.DrawImages();
  if (palette) pf::SelectPalette(canvas, oldPalette, false);
  if (ControlsNeedShowing) {
    ParkControls();
    for (TPanelObj* panel : PanelList)
      if (!panel->ShowIt && panel->Panel) panel->Panel->SetShown(false);
    ControlsNeedShowing = false;
  }
  if (Timer) Timer->SetEnabled(!AGifList.empty());
  return bottom;
}

void TSectionList::ParkControls() {
  if (IsCopy || FormControlList.empty() || !PPanel || !PPanel->Showing()) return;
  // A control that the last paint did not reach keeps its place while it is in view (the paint may have covered
  // only a strip); one out of view, or never shown, waits at the parked left.
  const int32_t viewTop = YOff, viewBottom = YOff + PPanel->Height();
  for (TFormControlObj* control : FormControlList) {
    pf::TWinControl* window = control->GetControl();
    if (!window || control->ShowIt) continue;
    const bool inView = control->PositionY + window->Height() > viewTop && control->PositionY < viewBottom;
    if (window->Visible() && inView) continue;
    window->SetLeft(TFormControlObj::kParkedLeft);
    window->Show();
  }
}

void TSectionList::SetYOffset(int32_t y) {
  YOff = y;
  ControlsNeedShowing = true;
  MarkControlsHidden();
}

void TSectionList::MarkControlsHidden() {
  for (int f = 0; f < htmlFormList.Count(); ++f) {
    // While the list is being freed (a form's controls going can scroll the view) freed forms are empty entries.
    if (htmlFormList[f] == nullptr) continue;
    ThtmlForm& form = *htmlFormList[f];
    for (int i = 0; i < form.Controls.Count(); ++i) form.Controls[i]->ShowIt = false;
  }
  for (TPanelObj* panel : PanelList) panel->ShowIt = false;
}

void TSectionList::AnimationTimerTick() {
  if (IsCopy) return;
  const int32_t backgroundFrame = BackgroundGif ? BackgroundGif->CurrentFrame() : 0;
  for (TgfAnimatedImage* image : AGifList)
    if (image->ShowIt && PPanel) image->StepAnimation(*PPanel);
  if (BackgroundGif && BackgroundGif->CurrentFrame() != backgroundFrame && PPanel) PPanel->Invalidate();
  if (Timer) Timer->SetInterval(kAnimationInterval);
}

// ---- the mouse ----

int TSectionList::GetLinkAt(pf::TCanvas& canvas, int32_t x, int32_t y, std::unique_ptr<TUrlTarget>& urlTarget,
                            TFormControlObj*& formControl, std::string& title) {
  TFontObj* oldLink = LinkHovered;
  TImageObj* oldImage = ImageHovered;
  LinkHovered = nullptr;
  ImageHovered = nullptr;
  const int found = TCellBasic::GetLinkAt(canvas, x, y, urlTarget, formControl, title);
  if (LinksActive && LinkHovered != oldLink) {
    if (oldLink) oldLink->SetLinkHover(LinkList, false);
    if (LinkHovered) LinkHovered->SetLinkHover(LinkList, true);
    RequestHoverPaint();
  }
  if (ImageHovered != oldImage && oldImage) oldImage->SetHoverState(0);
  if (ImageHovered) ImageHovered->SetHoverState(pf::GetKeyState(pf::VK_LBUTTON) < 0 ? 2 : 1);
  return found;
}

void TSectionList::SetImageButtonDown(bool down) {
  if (ImageHovered) ImageHovered->SetHoverState(down ? 2 : 1);
  if (PPanel) PPanel->Invalidate();
}

void TSectionList::RequestHoverPaint() {
  if (PPanel && !HoverPending) PPanel->Invalidate();
  HoverPending = true;
}

void TSectionList::ClearHover() {
  if (LinkHovered || ImageHovered) RequestHoverPaint();
  if (LinkHovered) LinkHovered->SetLinkHover(LinkList, false);
  if (ImageHovered) ImageHovered->SetHoverState(0);
  LinkHovered = nullptr;
  ImageHovered = nullptr;
}

// ---- selection and positions ----

int32_t TSectionList::CountSelectedChars() {
  if (SelE <= SelB) return 0;
  SelTextCount count;
  CollectSelectedText(count);
  return count.Finish();
}

int32_t TSectionList::CopySelectedTextToBuffer(char16_t* buffer, int32_t bufferSize) {
  if (bufferSize >= 1) buffer[0] = 0;
  if (SelE <= SelB) return bufferSize >= 1 ? 1 : 0;
  SelTextBuf copy(buffer, bufferSize);
  CollectSelectedText(copy);
  return copy.Finish();
}

TSectionBase* TSectionList::FindSectionAtY(int32_t y, int32_t& topY, int& index) {
  for (int i = static_cast<int>(PositionList.size()) - 1; i >= 0; --i) {
    TSectionBase* object = PositionList[static_cast<size_t>(i)];
    if (object->GetPositionY() <= y) {
      topY = object->GetPositionY();
      index = i;
      return object;
    }
  }
  return nullptr;
}

int32_t TSectionList::MapToDocPos(int32_t sourcePos) {
  const int32_t position = TCellBasic::MapToDocPos(sourcePos, false);
  return position >= 0 ? position : Len;
}

bool TSectionList::GetPositionXY(pf::TCanvas& canvas, int32_t docPos, int32_t& x, int32_t& y) {
  const bool pastEnd = docPos >= Len;
  if (!TCellBasic::GetPositionXY(canvas, pastEnd ? Len - 1 : docPos, x, y)) return false;
  if (pastEnd) y += kBelowLastPosition;
  return true;
}

bool TSectionList::GetYOfCharPos(int32_t charPos, int32_t& y) {
  const int32_t position = TCellBasic::MapToDocPos(charPos, false);
  if (position < 0) return false;
  pf::TBitmap measure;
  int32_t x = 0;
  return TCellBasic::GetPositionXY(measure.Canvas(), position, x, y);
}

// ---- form values and submissions ----

std::unique_ptr<TFreeList<pf::TStringList>> TSectionList::SaveFormValues() {
  if (htmlFormList.Count() == 0) return nullptr;
  auto saved = std::make_unique<TFreeList<pf::TStringList>>();
  for (int i = 0; i < htmlFormList.Count(); ++i) saved->Add(htmlFormList[i]->CollectValues());
  return saved;
}

void TSectionList::RestoreFormValues(const TFreeList<pf::TStringList>& saved) {
  for (int i = 0; i < std::min(saved.Count(), htmlFormList.Count()); ++i) htmlFormList[i]->RestoreValues(*saved[i]);
}

void TSectionList::PostSubmission(std::unique_ptr<TFormSubmission> submission) {
  pf::TWinControl* window = TheOwner ? TheOwner->Window() : nullptr;
  if (!window) {
    Deliver(*submission);
    return;
  }
  SubmitPending = true;
  pf::PostMessage(window, FormSubmitMessage, 0, 0, std::shared_ptr<TFormSubmission>(std::move(submission)));
}

void TSectionList::DeliverSubmission(pf::TMessage& message) {
  SubmitPending = false;
  auto* payload = std::any_cast<std::shared_ptr<TFormSubmission>>(&message.Payload);
  if (!payload || !*payload) return;
  const std::shared_ptr<TFormSubmission> submission = std::move(*payload);
  Deliver(*submission);
}

void TSectionList::Deliver(TFormSubmission& submission) {
  if (!SubmitForm) return;
  SubmitForm(TheOwner ? TheOwner->Sender() : nullptr, submission.Action, submission.Target, submission.EncType,
             submission.Method, std::move(submission.Results));
}

}  // namespace viewer
