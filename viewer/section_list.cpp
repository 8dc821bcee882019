#include "viewer/section_list.h"

#include <algorithm>

#include "platform/ui/extctrls.h"
#include "viewer/blocks.h"
#include "viewer/form_controls.h"
#include "viewer/html_tables.h"
#include "viewer/panels.h"
#include "viewer/text_sections.h"

namespace viewer {

namespace {

constexpr int32_t kOpenInlineEnd = 999999;
constexpr int32_t kInlinePercentBase = 200;

}  // namespace

// ---- cells ----

TCellBasic::TCellBasic(TSectionList* masterList) : MasterList(masterList) {}

TCellBasic::~TCellBasic() = default;

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

// The layout, painting and hit tests of a cell come with the section list's layout; until then a cell lays out
// and paints nothing.
int32_t TCellBasic::ComputeLayout(pf::TCanvas& canvas, const pf::TRect& clip, IndentManager& indents, int32_t x,
                                  int32_t y, int32_t availWidth, int32_t availHeight, int32_t& curs,
                                  int32_t& maxWidth) {
  maxWidth = 0;
  return 0;
}

void TCellBasic::MeasureMinMaxWidth(pf::TCanvas& canvas, int32_t& minWidth, int32_t& maxWidth) {
  minWidth = maxWidth = 0;
}

int32_t TCellBasic::Paint(pf::TCanvas& canvas, const pf::TRect& clip, IndentManager& indents, int32_t x, int32_t xRef,
                          int32_t yRef) {
  return 0;
}

int TCellBasic::GetLinkAt(pf::TCanvas& canvas, int32_t x, int32_t y, std::unique_ptr<TUrlTarget>& urlTarget,
                          TFormControlObj*& formControl, std::string& title) {
  return 0;
}

// ---- inline borders ----

// Interim until the section list lands: the records' document positions as they stand.
int32_t TInlineList::StartOf(int index) { return index >= 0 && index < Count() ? (*this)[index]->StartB : 99999999; }

int32_t TInlineList::EndOf(int index) { return index >= 0 && index < Count() ? (*this)[index]->EndB : 99999999; }

void TInlineList::Clear() {
  TFreeList<InlineRec>::Clear();
  NeedsConverting = true;
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
  BackgroundBitmap = BackgroundMask = nullptr;
  BackgroundGif = nullptr;
  BackgroundLoaded = false;
}

void TSectionList::Clear() {
  if (!IsCopy) {
    IDNameList.Clear();
    PositionList.clear();
    InlineList->Clear();
  }
  BackgroundBitmap = BackgroundMask = nullptr;
  BackgroundGif = nullptr;
  BackgroundLoaded = false;
  AGifList.clear();
  Timer.reset();
  SelB = SelE = 0;
  MapList.Clear();
  MissingImages.Clear();
  LinkHovered = nullptr;
  ImageHovered = nullptr;
  LinkList.clear();
  if (!IsCopy) Styles.Clear();
  FormControlList.clear();
  TabOrderList.Clear();
  TCell::Clear();
  htmlFormList.Clear();
  PanelList.clear();
  SectionCount = 0;
  CurrentForm = nullptr;
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

int32_t TSectionList::ComputeLayout(pf::TCanvas& canvas, const pf::TRect& clip, IndentManager& indents, int32_t x,
                                    int32_t y, int32_t availWidth, int32_t availHeight, int32_t& curs,
                                    int32_t& maxWidth) {
  return TCell::ComputeLayout(canvas, clip, indents, x, y, availWidth, availHeight, curs, maxWidth);
}

int32_t TSectionList::Paint(pf::TCanvas& canvas, const pf::TRect& clip, IndentManager& indents, int32_t x, int32_t xRef,
                            int32_t yRef) {
  return TCell::Paint(canvas, clip, indents, x, xRef, yRef);
}

int TSectionList::GetLinkAt(pf::TCanvas& canvas, int32_t x, int32_t y, std::unique_ptr<TUrlTarget>& urlTarget,
                            TFormControlObj*& formControl, std::string& title) {
  return TCell::GetLinkAt(canvas, x, y, urlTarget, formControl, title);
}

// Positions in laid-out text come with the text layout; until then no section answers.
bool TSectionList::GetYOfCharPos(int32_t charPos, int32_t& y) { return false; }

}  // namespace viewer
