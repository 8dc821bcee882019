#include "viewer/font_runs.h"

#include <algorithm>

#include "platform/core/strings.h"
#include "platform/ui/messages.h"
#include "viewer/section_list.h"
#include "viewer/text_sections.h"

namespace viewer {

namespace {

constexpr int32_t kOffPanel = -4000;  // focus stops sit far left of the visible panel
constexpr char kEnter = 13;
constexpr int32_t kMaxTabIndex = 99999;
constexpr int kShortEntries = 1000;

}  // namespace

std::string TabOrderKey(int32_t tabIndex, int count) {
  // Five digits of TABINDEX (larger ones count as the largest), then three of the entry number; from the 1000th
  // entry on a ":" (after every digit) and nine digits, so that the keys still sort by TABINDEX, then entry.
  tabIndex = std::clamp(tabIndex, 0, kMaxTabIndex);
  return count < kShortEntries ? pf::Format("%.5d%.3d", {tabIndex, count}) : pf::Format("%.5d:%.9d", {tabIndex, count});
}

// ---- the focus stop ----

ThtTabcontrol::ThtTabcontrol(pf::TWinControl* paintPanel, TFontObj* run) : pf::TWinControl(nullptr), Run(run) {
  SetBounds(kOffPanel, 0, 1, 1);
  SetTabStop(true);
  SetParent(paintPanel);
}

void ThtTabcontrol::WndProc(pf::TMessage& message) {
  if (message.Msg == pf::WM_GETDLGCODE) {
    message.Result = pf::DLGC_WANTARROWS;
    return;
  }
  pf::TWinControl::WndProc(message);
}

void ThtTabcontrol::DoEnter() {
  pf::TWinControl::DoEnter();
  Run->EnterLink();
}

void ThtTabcontrol::DoExit() {
  pf::TWinControl::DoExit();
  Run->ExitLink();
}

void ThtTabcontrol::KeyPress(char& key) {
  Run->LinkKeyPress(key);
  pf::TWinControl::KeyPress(key);
}

// ---- runs ----

TFontObj::TFontObj(TSection* section, std::unique_ptr<TMyFont> font, int32_t pos)
    : Section(section), Pos(pos), TheFont(std::move(font)) {
  UpdateMetrics();
}

TFontObj::TFontObj(TSection* section, const TFontObj& source)
    : Section(section), Visited(source.Visited), Pos(source.Pos), TheFont(std::make_unique<TMyFont>()) {
  TheFont->Assign(*source.TheFont);
  if (source.FontInfo) FontInfo = std::make_unique<TFontInfoArray>(*source.FontInfo);
  UrlTarget.CopyFrom(source.UrlTarget);
  SScript = source.SScript;
  UpdateMetrics();
}

TFontObj::~TFontObj() = default;

TSectionList* TFontObj::Document() const { return Section ? Section->OwnerList : nullptr; }

void TFontObj::UpdateMetrics() {
  const pf::TTextMetric& m = TheFont->Metrics;
  tmHeight = m.tmHeight;
  FontHeight = m.tmHeight + m.tmExternalLeading;
  Ascent = m.tmAscent;
  Descent = m.tmDescent;
  Overhang = (TheFont->Style() & pf::fsItalic) ? m.tmHeight / 10 : 0;
}

void TFontObj::ReplaceFont(std::unique_ptr<TMyFont> font) {
  TheFont = std::move(font);
  UpdateMetrics();
}

void TFontObj::ApplyFontInfo(const ThtFontInfo& info) {
  TheFont->ApplyFontInfo(info);
  UpdateMetrics();
}

void TFontObj::SetVisited(bool value) {
  if (value == Visited) return;
  Visited = value;
  ApplyLook();
}

void TFontObj::SetHover(bool value) {
  if (value == Hover) return;
  Hover = value;
  ApplyLook();
}

void TFontObj::ApplyLook() {
  if (!FontInfo) {
    // A run that never got the looks of a link keeps its own font in every state.
    FontInfo = std::make_unique<TFontInfoArray>();
    ThtFontInfo current;
    current.Name = TheFont->Name();
    current.Size = std::abs(TheFont->Height()) * 72.0 / pf::kPixelsPerInch;
    current.Style = TheFont->Style();
    current.Color = TheFont->Color();
    current.CharSet = TheFont->Charset();
    current.LetterSpacing = TheFont->CharExtra;
    FontInfo->Info.fill(current);
  }
  const int look = Visited ? (Hover ? TFontInfoArray::fiVisitedHover : TFontInfoArray::fiVisited)
                           : (Hover ? TFontInfoArray::fiHover : TFontInfoArray::fiLink);
  ApplyFontInfo(FontInfo->Info[static_cast<size_t>(look)]);
}

void TFontObj::SetLinkHover(const std::vector<TFontObj*>& linkList, bool value) {
  const auto at = std::find(linkList.begin(), linkList.end(), this);
  SetHover(value);
  if (at == linkList.end()) return;
  for (auto it = at + 1; it != linkList.end() && (*it)->UrlTarget.ID == UrlTarget.ID; ++it) (*it)->SetHover(value);
  for (auto it = at; it != linkList.begin() && (*(it - 1))->UrlTarget.ID == UrlTarget.ID; --it)
    (*(it - 1))->SetHover(value);
}

void TFontObj::CreateTabControl(int32_t tabIndex) {
  TSectionList* document = Document();
  if (UrlTarget.Url.empty() || TabControl || !document) return;
  const std::vector<TFontObj*>& links = document->LinkList;
  auto at = std::find(links.rbegin(), links.rend(), this);
  for (auto it = at == links.rend() ? at : at + 1; it != links.rend() && (*it)->UrlTarget.ID == UrlTarget.ID; ++it)
    if ((*it)->TabControl) return;
  TabIndex = tabIndex;
  // A document without a paint panel (a print copy, a document read without a viewer) makes no windows.
  if (!document->PPanel) return;
  TabControl = std::make_unique<ThtTabcontrol>(document->PPanel, this);
  if (tabIndex > 0)
    document->TabOrderList.AddObject(TabOrderKey(tabIndex, document->TabOrderList.Count()), TabControl.get());
}

void TFontObj::SetTabIndex(int32_t value) {
  if (UrlTarget.Url.empty()) return;
  if (!TabControl) {
    const std::vector<TFontObj*>& links = Document()->LinkList;
    auto at = std::find(links.rbegin(), links.rend(), this);
    for (auto it = at == links.rend() ? at : at + 1; it != links.rend() && (*it)->UrlTarget.ID == UrlTarget.ID; ++it) {
      if ((*it)->TabControl) {
        (*it)->TabIndex = value;
        return;
      }
    }
  }
  TabIndex = value;
}

void TFontObj::RemoveTabOrderEntry() {
  TSectionList* document = Document();
  if (!TabControl || !document) return;
  const int at = document->TabOrderList.IndexOfObject(TabControl.get());
  if (at >= 0) document->TabOrderList.Delete(at);
}

std::vector<TFontObj*> TFontObj::RunsOfLinkFromHere() const {
  std::vector<TFontObj*> runs;
  const std::vector<TFontObj*>& links = Document()->LinkList;
  auto at = std::find(links.begin(), links.end(), this);
  for (; at != links.end() && (*at)->UrlTarget.ID == UrlTarget.ID; ++at) runs.push_back(*at);
  if (runs.empty()) runs.push_back(const_cast<TFontObj*>(this));
  return runs;
}

void TFontObj::EnterLink() {
  for (TFontObj* run : RunsOfLinkFromHere()) run->Active = true;
  if (Document()->OnScrollIntoView) Document()->OnScrollIntoView(YValue, true);
}

void TFontObj::ExitLink() {
  for (TFontObj* run : RunsOfLinkFromHere()) run->Active = false;
  if (Document()->PPanel) Document()->PPanel->Invalidate();
}

void TFontObj::LinkKeyPress(char& key) {
  IViewerControl* viewer = Document()->TheOwner;
  if (!viewer) return;
  if (key == kEnter)
    viewer->FollowLinkByKey(UrlTarget);
  else
    viewer->DocumentKeyPress(key);
}

// ---- the run list ----

void TFontList::CreateClone(TSection* section, const TFontList& source) {
  for (int i = 0; i < source.Count(); ++i) Add(std::make_unique<TFontObj>(section, *source[i]));
}

// The runs stand in text order, so a search halves.
int TFontList::FirstAfter(int32_t pos) const {
  int low = 0, high = Count();
  while (low < high) {
    const int middle = low + (high - low) / 2;
    if ((*this)[middle]->Pos <= pos)
      low = middle + 1;
    else
      high = middle;
  }
  return low;
}

TFontObj* TFontList::GetFontAt(int32_t pos, int& index) const {
  index = std::max(0, FirstAfter(pos) - 1);
  return Count() > 0 ? (*this)[index] : nullptr;
}

const TMyFont* TFontList::GetFontAtPos(int32_t pos, int32_t& overhang) const {
  int index = 0;
  const TFontObj* run = GetFontAt(pos, index);
  overhang = run ? run->Overhang : 0;
  return run ? run->TheFont.get() : nullptr;
}

int32_t TFontList::GetFontCountAt(int32_t pos, int32_t len) const {
  const int next = FirstAfter(pos);
  return next < Count() ? (*this)[next]->Pos - pos : len - pos;
}

void TFontList::DecPositionsAfter(int32_t pos, TSectionList* document) {
  RemapPositions([pos](int32_t p) { return p > pos ? p - 1 : p; }, document);
}

void TFontList::MergeRunsAtSamePosition(TSectionList* document) {
  for (int i = 0; i + 1 < Count();) {
    TFontObj* earlier = (*this)[i];
    TFontObj* later = (*this)[i + 1];
    if (earlier->Pos != later->Pos) {
      ++i;
      continue;
    }
    if (document) std::erase(document->LinkList, earlier);
    if (earlier->TabControl) {
      if (!later->TabControl && !earlier->UrlTarget.Url.empty() && earlier->UrlTarget.ID == later->UrlTarget.ID) {
        later->TabControl = std::move(earlier->TabControl);
        later->TabControl->Run = later;
        later->TabIndex = earlier->TabIndex;
      } else {
        earlier->RemoveTabOrderEntry();
      }
    }
    Delete(i);
  }
}

}  // namespace viewer
