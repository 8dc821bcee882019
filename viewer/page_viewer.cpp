// The page viewer control: construction, loading, history, visited links, link clicks, form submissions and the
// settings. Layout, scrolling, painting and input are in page_viewer_input.cpp.
#include "viewer/page_viewer.h"

#include <algorithm>
#include <cmath>
#include <exception>

#include "platform/core/exceptions.h"
#include "platform/core/files.h"
#include "platform/core/services.h"
#include "platform/core/strings.h"
#include "platform/ui/forms.h"
#include "platform/ui/system.h"
#include "viewer/borders.h"
#include "viewer/font_runs.h"
#include "viewer/html_parser.h"
#include "viewer/html_tokenizer.h"
#include "viewer/image_cache.h"
#include "viewer/url_routines.h"

namespace viewer {

namespace {

constexpr int32_t kVSmallChange = 16;
constexpr int32_t kHSmallChange = 15;
constexpr int32_t kDefaultSize = 150;
constexpr int32_t kProgressBaseLoad = 75;
constexpr size_t kMaxDefPreFontName = 32;
constexpr double kMinPrintScale = 0.25, kMaxPrintScale = 4.0;
// Above the window's bottom by this much a focused control or link counts as out of view.
constexpr int32_t kControlViewMargin = 20, kLinkViewMargin = 30;

// Splits name#destination at the first "#"; the destination keeps no "#" (keepHash false) or keeps it.
void SplitAtHash(const std::string& s, std::string& name, std::string& destination, bool keepHash) {
  const size_t hash = s.find('#');
  if (hash == std::string::npos) {
    name = s;
    destination.clear();
    return;
  }
  name = s.substr(0, hash);
  destination = s.substr(keepHash ? hash : hash + 1);
}

// An attribute value in double quotes for a generated element.
std::string QuotedAttribute(const std::string& value) {
  std::string out = "\"";
  for (char c : value) {
    if (c == '"')
      out += "&quot;";
    else if (c == '&')
      out += "&amp;";
    else
      out.push_back(c);
  }
  return out + "\"";
}

bool IsPageExtension(const std::string& ext) { return ext == ".HTM" || ext == ".HTML"; }
bool IsPictureExtension(const std::string& ext) {
  return ext == ".BMP" || ext == ".GIF" || ext == ".JPG" || ext == ".JPEG" || ext == ".PNG";
}

}  // namespace

// ---- children ----

TPaintPanel::TPaintPanel(pf::TComponent* owner, TPageViewer* viewer) : pf::TCustomPanel(owner), Viewer(viewer) {
  SetBevelInner(pf::bvNone);
  SetBevelOuter(pf::bvNone);
  SetParentFont(false);
}

T32ScrollBar::T32ScrollBar(pf::TComponent* owner) : pf::TScrollBar(owner) { SetKind(pf::sbVertical); }

void T32ScrollBar::SetPosition32(int32_t value) {
  if (value == position_) return;
  position_ = value;
  Apply();
  if (OnChange) OnChange(this);
}

void T32ScrollBar::SetMin32(int32_t value) {
  min_ = value;
  Apply();
}

void T32ScrollBar::SetMax32(int32_t value) {
  max_ = value;
  Apply();
}

void T32ScrollBar::SetPage32(int32_t value) {
  page_ = value;
  Apply();
}

void T32ScrollBar::SetDisableNoScroll(bool value) {
  disableNoScroll_ = value;
  Apply();
}

void T32ScrollBar::Apply() {
  pf::TScrollInfo info;
  info.fMask = pf::SIF_RANGE | pf::SIF_PAGE | pf::SIF_POS;
  if (disableNoScroll_) info.fMask |= pf::SIF_DISABLENOSCROLL;
  info.nMin = min_;
  // The range holds the document's lines of pixels, min_ up to max_ - 1: a page as high as the document covers it
  // (the bar is disabled when it stays shown), and the thumb's last place is the last place of the view.
  info.nMax = max_ > min_ ? max_ - 1 : min_;
  info.nPage = static_cast<uint32_t>(std::max(page_, 0));
  info.nPos = position_;
  if (info.fMask == applied_.fMask && info.nMin == applied_.nMin && info.nMax == applied_.nMax &&
      info.nPage == applied_.nPage && info.nPos == applied_.nPos)
    return;
  applied_ = info;
  // With SIF_DISABLENOSCROLL a page that covers the whole range shows the bar disabled.
  SetScrollInfo(info);
}

void T32ScrollBar::WndProc(pf::TMessage& message) {
  if (message.Msg == pf::CN_VSCROLL) {
    pf::TScrollInfo info;
    info.fMask = pf::SIF_TRACKPOS;
    GetScrollInfo(info);
    if (OnVScroll) OnVScroll(pf::LOWORD(message.WParam), info.nTrackPos);
    return;
  }
  pf::TScrollBar::WndProc(message);
}

// ---- construction ----

TPageViewer::TPageViewer(pf::TComponent* owner) : pf::TWinControl(owner) {
  InitializeViewerShared();
  SetBounds(Left(), Top(), kDefaultSize, kDefaultSize);
  borderPanel_ = new pf::TPanel(this);
  borderPanel_->SetBevelInner(pf::bvNone);
  borderPanel_->SetBevelOuter(pf::bvNone);
  borderPanel_->SetParent(this);
  borderPanel_->SetAlign(pf::alClient);
  paintPanel_ = new TPaintPanel(this, this);
  paintPanel_->SetParent(this);
  paintPanel_->SetBounds(1, 1, kDefaultSize - 2, kDefaultSize - 2);
  paintPanel_->OnMouseDown = [this](pf::TObject* sender, pf::TMouseButton button, pf::TShiftState shift, int32_t x,
                                    int32_t y) { PanelMouseDown(sender, button, shift, x, y); };
  paintPanel_->OnMouseMove = [this](pf::TObject* sender, pf::TShiftState shift, int32_t x, int32_t y) {
    PanelMouseMove(sender, shift, x, y);
  };
  paintPanel_->OnMouseUp = [this](pf::TObject* sender, pf::TMouseButton button, pf::TShiftState shift, int32_t x,
                                  int32_t y) { PanelMouseUp(sender, button, shift, x, y); };
  // A drag over the page is the viewer's, in panel co-ordinates; without OnDragOver the viewer takes nothing.
  paintPanel_->OnDragOver = [this](pf::TObject*, pf::TObject* source, int32_t x, int32_t y, pf::TDragState state,
                                   bool& accept) {
    accept = static_cast<bool>(OnDragOver);
    if (OnDragOver) OnDragOver(this, source, x, y, state, accept);
  };
  paintPanel_->OnDragDrop = [this](pf::TObject*, pf::TObject* source, int32_t x, int32_t y) {
    if (OnDragDrop) OnDragDrop(this, source, x, y);
  };
  vScrollBar_ = new T32ScrollBar(this);
  vScrollBar_->SetParent(this);
  vScrollBar_->SetSmallChange(kVSmallChange);
  vScrollBar_->SetVisible(false);
  vScrollBar_->SetTabStop(false);
  vScrollBar_->OnVScroll = [this](uint32_t code, int32_t trackPos) { VScroll(code, trackPos); };
  scrollWidth_ = vScrollBar_->Width();
  hScrollBar_ = new pf::TScrollBar(this);
  hScrollBar_->SetParent(this);
  hScrollBar_->SetKind(pf::sbHorizontal);
  hScrollBar_->SetSmallChange(kHSmallChange);
  hScrollBar_->SetVisible(false);
  hScrollBar_->SetTabStop(false);
  hScrollBar_->OnScroll = [this](pf::TObject* sender, pf::TScrollCode code, int32_t& pos) {
    HScrollBarScroll(sender, code, pos);
  };

  sectionList_ = std::make_unique<TSectionList>(this, paintPanel_);
  sectionList_->OnScrollIntoView = [this](int32_t top, bool isLink) { ScrollIntoView(top, isLink); };
  sectionList_->OnBackgroundChange = [this] { BackgroundChanged(); };
  sectionList_->ShowImages = true;
  sectionList_->PreFontName = defPreFontName_;
  SethtOptions(htOptions_);
  ApplyDefaults();

  hotSpotTimer_ = new pf::TTimer(this);
  hotSpotTimer_->SetEnabled(false);
  hotSpotTimer_->SetInterval(kHotSpotInterval);
  hotSpotTimer_->SetOnTimer([this](pf::TObject*) { HotSpotTimerTimer(); });
  autoScrollTimer_ = new pf::TTimer(this);
  autoScrollTimer_->SetEnabled(false);
  autoScrollTimer_->SetInterval(kAutoScrollInterval);
  autoScrollTimer_->SetOnTimer([this](pf::TObject*) { AutoScrollTick(); });
  UpdateBorder();
  creating_ = false;
}

TPageViewer::~TPageViewer() {
  hotSpotTimer_->SetEnabled(false);
  autoScrollTimer_->SetEnabled(false);
  // The document's windowed controls are children of the paint panel: they go with the document, before the
  // panels; the cache goes after the document that counts its users.
  sectionList_->OnScrollIntoView = nullptr;
  sectionList_->OnBackgroundChange = nullptr;
  ReleaseBackground();
  sectionList_->Clear();
  sectionList_.reset();
  imageCache_.reset();
  FinalizeViewerShared();
}

// ---- loading ----

void TPageViewer::ApplyDefaults() {
  sectionList_->ApplyDefaultFontsAndColors(defFontName_, defPreFontName_, marginWidth_, marginHeight_, charSet_,
                                           (htOptions_ & htNoLinkUnderline) == 0, (htOptions_ & htOverLinksActive) != 0,
                                           defBackground_, defOverLinkColor_, defVisitedLinkColor_, defHotSpotColor_,
                                           defFontColor_, defFontSize_);
}

void TPageViewer::SetProcessing(bool value) {
  if (processing_ == value) return;
  processing_ = value;
  if (OnProcessing && (ComponentState() & pf::csLoading) == 0) OnProcessing(this, value);
}

void TPageViewer::RaiseProgress(TProgressStage stage, int32_t percent) {
  if (OnProgress) OnProgress(this, stage, percent);
}

void TPageViewer::LoadFile(const std::string& fileName, ViewerFileType fileType) {
  pf::BusyCursor busy;
  std::string name, destination;
  SplitAtHash(fileName, name, destination, false);
  refreshDelay_ = 0;
  SetProcessing(true);
  {
    Finally restore([this] {
      sizing_ = false;
      paintPanel_->Invalidate();
      RaiseProgress(psEnding, 100);
      SetProcessing(false);
    });
    if (!pf::FileExists(name)) throw pf::EInOutError("Can't locate file: " + name);
    // The file is read before the shown document is touched, so that a file that cannot be read leaves the
    // document, CurrentFile and the history as they were.
    std::string source = fileType == ImgType ? std::string() : pf::ReadFileBytes(name);
    sectionList_->ProgressStart = kProgressBaseLoad;
    RaiseProgress(psStarting, 0);
    sizing_ = true;
    PrepareDocument();
    const std::string oldFile = currentFile_;
    currentFile_ = pf::ResolvePath(pf::ExpandFileName(name));
    currentFileType_ = fileType;
    documentSource_ = std::move(source);
    if (OnParseBegin) OnParseBegin(this, documentSource_);
    TParseResult result;
    try {
      // The page's windowed controls come into a hidden panel and show with it, at once: shown one by one each
      // would have the window look for what lies under the mouse among all the others.
      const bool shown = paintPanel_->Visible();
      paintPanel_->SetVisible(false);
      Finally show([this, shown] { paintPanel_->SetVisible(shown); });
      ParseDocument(fileType, result);
    } catch (const EParseError&) {
      // A comment left open ends the page: what was read before it is shown.
    } catch (...) {
      AfterParse(result, destination, oldFile);
      throw;
    }
    AfterParse(result, destination, oldFile);
  }
  if (refreshDelay_ > 0 && OnMetaRefresh) OnMetaRefresh(this, refreshDelay_, refreshURL_);
}

void TPageViewer::PrepareDocument() {
  if (!sectionList_->BitmapList) {
    imageCache_ = std::make_unique<TStringBitmapList>();
    imageCache_->MaxCache = imageCacheCount_;
    sectionList_->BitmapList = imageCache_.get();
    ownsImageCache_ = true;
  }
  hotSpotTimer_->SetEnabled(false);
  ReleaseBackground();
  sectionList_->Clear();
  sectionList_->BitmapList->AgeAndPurge();
  ApplyDefaults();
  caretPos_ = 0;
  clickPos_ = -1;
}

void TPageViewer::ParseDocument(ViewerFileType fileType, TParseResult& result) {
  switch (fileType) {
    case HTMLType:
      if (OnSoundRequest) OnSoundRequest(this, "", 0, true);
      ParseHtmlDocument(
          documentSource_, *sectionList_, OnInclude, OnSoundRequest,
          [this](pf::TObject* sender, const std::string& httpEquiv, const std::string& name,
                 const std::string& content) { MetaHandler(sender, httpEquiv, name, content); },
          OnLink, result);
      break;
    case TextType:
      ParsePlainTextDocument(documentSource_, *sectionList_);
      break;
    case ImgType:
      ParseHtmlDocument("<img src=" + QuotedAttribute(currentFile_) + ">", *sectionList_, {}, {}, {}, {}, result);
      break;
  }
}

void TPageViewer::AfterParse(const TParseResult& result, const std::string& destination, const std::string& oldFile) {
  title_ = result.Title;
  base_ = result.Base.empty() ? baseEx_ : result.Base;
  baseTarget_ = result.BaseTarget;
  if (OnParseEnd) OnParseEnd(this);
  if (sizing_) {
    LoadBackgroundImage();
    DoScrollBars();
    sizing_ = false;
  }
  MarkVisitedLinks();
  const bool found = !destination.empty() && PositionTo(destination);
  if (!found && currentFile_ != oldFile) {
    ScrollTo(0);
    SetHorizontalPosition(0);
  }
}

void TPageViewer::MetaHandler(pf::TObject* sender, const std::string& httpEquiv, const std::string& name,
                              const std::string& content) {
  if (OnMeta) OnMeta(sender, httpEquiv, name, content);
  if (!OnMetaRefresh || !pf::SameText(httpEquiv, "refresh")) return;
  const size_t semicolon = content.find(';');
  int32_t delay = pf::StrToIntDef(pf::Trim(content.substr(0, semicolon)), -1);
  if (delay < 0) return;
  if (delay == 0) delay = 1;
  const int at = pf::Pos("url=", pf::LowerCase(content));
  refreshURL_ = at > 0 ? content.substr(static_cast<size_t>(at) + 3) : std::string();
  refreshDelay_ = delay;
}

void TPageViewer::LoadWithHistory(const std::string& fileName, ViewerFileType fileType) {
  if (processing_ || fileName.empty()) return;
  const std::string oldFile = currentFile_, oldTitle = title_;
  const TViewerPosition oldPos = GetPosition();
  const ViewerFileType oldType = currentFileType_;
  std::unique_ptr<TFormData> oldFormData = sectionList_->SaveFormValues();
  LoadFile(fileName, fileType);
  if (currentFile_ == oldFile && currentFileType_ == oldType) return;
  AddHistoryEntry(oldFile, oldTitle, oldType, std::move(oldFormData), oldPos);
}

void TPageViewer::LoadFromFile(const std::string& fileName) { LoadWithHistory(fileName, HTMLType); }
void TPageViewer::LoadTextFile(const std::string& fileName) { LoadWithHistory(fileName, TextType); }
void TPageViewer::LoadImageFile(const std::string& fileName) { LoadWithHistory(fileName, ImgType); }

void TPageViewer::Reload() {
  if (currentFile_.empty()) return;
  const TViewerPosition position = GetPosition();
  const std::string file = currentFile_;
  LoadWithHistory(file, currentFileType_);
  SetPosition(position);
}

std::string TPageViewer::ExpandFileName(const std::string& name) {
  if (pf::Pos("://", name) > 1 && pf::Pos("file://", pf::LowerCase(name)) == 0) return name;
  const std::string s = UrlToRootedDosPath(pf::Trim(name), serverRoot_);
  if (!s.empty() && s[0] == pf::PathDelim) return pf::ExpandFileName(s);
  if (s.size() >= 2 && s[1] == ':') return s;
  if (pf::SameText(base_, "DosPath")) return s;
  const std::string folder =
      !base_.empty() ? pf::ExtractFilePath(UrlToDosPath(base_)) : pf::ExtractFilePath(currentFile_);
  return pf::ExpandFileName(folder + s);
}

void TPageViewer::Clear() {
  if (processing_) return;
  hotSpotTimer_->SetEnabled(false);
  ReleaseBackground();
  sectionList_->Clear();
  if (ownsImageCache_ && imageCache_) imageCache_->Clear();
  ApplyDefaults();
  base_.clear();
  baseEx_.clear();
  baseTarget_.clear();
  title_.clear();
  docHeight_ = 0;
  maxHorzExtent_ = 0;
  vScrollBar_->SetPosition32(0);
  sectionList_->SetYOffset(0);
  vScrollBar_->SetVisible(false);
  vScrollBar_->SetHeight(paintPanel_->Height());
  hScrollBar_->SetVisible(false);
  caretPos_ = 0;
  clickPos_ = -1;
  if (OnSoundRequest) OnSoundRequest(this, "", 0, true);
  InvalidateAll();
}

// ---- positions and history ----

TViewerPosition TPageViewer::GetPosition() {
  const int32_t y = vScrollBar_->Position32();
  int32_t top = 0;
  int index = -1;
  if (sectionList_->FindSectionAtY(y, top, index) != nullptr && index >= 0) return {index, y - top};
  return {-1, y};
}

void TPageViewer::SetPosition(const TViewerPosition& position) {
  if (position.Index < 0) {
    ScrollTo(position.Offset);
    return;
  }
  const auto& list = sectionList_->PositionList;
  if (static_cast<size_t>(position.Index) < list.size())
    ScrollTo(list[static_cast<size_t>(position.Index)]->GetPositionY() + position.Offset);
}

void TPageViewer::AddHistoryEntry(const std::string& oldName, const std::string& oldTitle, ViewerFileType oldType,
                                  std::unique_ptr<TFormData> oldFormData, const TViewerPosition& oldPos) {
  if (historyMaxCount_ < 1 || currentFile_.empty()) return;
  if (oldName == currentFile_ && oldType == currentFileType_ && oldPos == GetPosition()) return;
  if (history_.Count() > 0 && !oldName.empty()) {
    history_.Put(historyIndex_, oldName);
    titleHistory_.Put(historyIndex_, oldTitle);
    PositionObj& entry = *positionHistory_[historyIndex_];
    entry.Pos = oldPos;
    entry.FileType = oldType;
    if (oldName != currentFile_) entry.FormData = std::move(oldFormData);
    for (int i = historyIndex_ - 1; i >= 0; --i) DeleteHistoryEntry(i);
  }
  historyIndex_ = 0;
  history_.Insert(0, currentFile_);
  auto entry = std::make_unique<PositionObj>();
  entry->Pos = GetPosition();
  entry->FileType = currentFileType_;
  positionHistory_.Insert(0, std::move(entry));
  titleHistory_.Insert(0, title_);
  if (history_.Count() > historyMaxCount_) DeleteHistoryEntry(historyMaxCount_);
  if (OnHistoryChange) OnHistoryChange(this);
}

void TPageViewer::DeleteHistoryEntry(int index) {
  history_.Delete(index);
  titleHistory_.Delete(index);
  positionHistory_.Delete(index);
}

int TPageViewer::SameDocumentIndex(int index) const {
  while (index >= 1 && history_[index - 1] == currentFile_) --index;
  return index;
}

void TPageViewer::SetHistoryIndex(int32_t index) {
  if (index == historyIndex_ || index < 0 || index >= history_.Count() || processing_) return;
  if (!currentFile_.empty()) {
    history_.Put(historyIndex_, currentFile_);
    PositionObj& current = *positionHistory_[historyIndex_];
    current.Pos = GetPosition();
    current.FileType = currentFileType_;
    titleHistory_.Put(historyIndex_, title_);
    positionHistory_[SameDocumentIndex(historyIndex_)]->FormData = sectionList_->SaveFormValues();
  }
  const std::string name = history_[index];
  const PositionObj& target = *positionHistory_[index];
  if (name != currentFile_ || target.FileType != currentFileType_) LoadFile(name, target.FileType);
  SetPosition(target.Pos);
  PositionObj& withForms = *positionHistory_[SameDocumentIndex(index)];
  if (withForms.FormData) {
    const std::unique_ptr<TFormData> saved = std::move(withForms.FormData);
    const ThtObjectEvent onChange = sectionList_->OnObjectChange;
    sectionList_->OnObjectChange = nullptr;
    Finally restore([&] { sectionList_->OnObjectChange = onChange; });
    sectionList_->RestoreFormValues(*saved);
  }
  historyIndex_ = index;
  if (OnHistoryChange) OnHistoryChange(this);
}

void TPageViewer::SetHistoryMaxCount(int32_t value) {
  if (value < 0 || value == historyMaxCount_) return;
  if (value < historyMaxCount_) ClearHistory();
  historyMaxCount_ = value;
}

void TPageViewer::ClearHistory() {
  const bool hadEntries = history_.Count() > 0;
  history_.Clear();
  titleHistory_.Clear();
  positionHistory_.Clear();
  historyIndex_ = 0;
  currentFile_.clear();
  if (hadEntries && OnHistoryChange) OnHistoryChange(this);
}

// ---- links ----

bool TPageViewer::HotSpotClickHandled() {
  bool handled = false;
  if (OnHotSpotClick) OnHotSpotClick(this, url_, handled);
  return handled;
}

void TPageViewer::TakeLink(const TLinkClick& link) {
  url_ = link.URL;
  target_ = link.Target;
  linkAttributes_.SetText(link.Attributes);
  linkText_ = link.Text;
}

void TPageViewer::HotSpotClick(const TLinkClick& link) {
  TakeLink(link);
  if (HotSpotClickHandled()) return;
  const TViewerPosition savedPos = GetPosition();
  const std::string s = link.URL;
  if (!s.empty() && s[0] == '#') {
    if (PositionTo(s)) {
      AddHistoryEntry(currentFile_, title_, currentFileType_, nullptr, savedPos);
      AddVisited(currentFile_ + s);
    }
    return;
  }
  // Another scheme than a file: the desktop opens it (no page of ours can show it).
  if (IsAbsoluteUrl(s) && !pf::SameText(GetUrlScheme(s), "file")) {
    pf::ShellOpen(s);
    return;
  }
  std::string name, destination;
  SplitAtHash(s, name, destination, true);
  name = pf::ResolvePath(ExpandFileName(name));
  const std::string ext = pf::UpperCase(pf::ExtractFileExt(name));
  if (IsPageExtension(ext)) {
    if (name == currentFile_) {
      if (PositionTo(destination)) {
        AddHistoryEntry(currentFile_, title_, HTMLType, nullptr, savedPos);
        AddVisited(name + destination);
      }
    } else {
      LoadFromFile(name + destination);
      AddVisited(name + destination);
    }
  } else if (IsPictureExtension(ext)) {
    LoadImageFile(name);
  }
}

bool TPageViewer::PositionTo(std::string dest) {
  if (!dest.empty() && dest[0] == '#') dest.erase(0, 1);
  TIDObject* object = nullptr;
  if (dest.empty() || !sectionList_->IDNameList.Find(dest, object)) return false;
  if (object) ScrollTo(object->GetPositionY());
  SetHorizontalPosition(0);
  AddVisited(currentFile_ + "#" + dest);
  return true;
}

std::string TPageViewer::LinkKey(const std::string& address) {
  if (!address.empty() && address[0] == '#') return currentFile_ + address;
  return ExpandFileName(address);
}

void TPageViewer::AddVisited(const std::string& s) {
  if (visitedMaxCount_ <= 0) return;
  const int at = visited_.IndexOf(s);
  if (at == 0) return;
  if (at > 0) {
    visited_.Delete(at);
  } else {
    bool marked = false;
    for (TFontObj* link : sectionList_->LinkList)
      if (!link->Visited && pf::SameText(LinkKey(link->GetLinkURL()), s)) {
        link->SetVisited(true);
        marked = true;
      }
    if (marked) paintPanel_->Invalidate();
  }
  visited_.Insert(0, s);
  while (visited_.Count() > visitedMaxCount_) visited_.Delete(visited_.Count() - 1);
}

void TPageViewer::MarkVisitedLinks() {
  if (visitedMaxCount_ <= 0) return;
  for (TFontObj* link : sectionList_->LinkList)
    if (visited_.IndexOf(LinkKey(link->GetLinkURL())) >= 0) link->SetVisited(true);
}

void TPageViewer::SetVisitedMaxCount(int32_t value) {
  value = std::max(value, 0);
  if (value == visitedMaxCount_) return;
  visitedMaxCount_ = value;
  if (value > 0) {
    while (visited_.Count() > value) visited_.Delete(visited_.Count() - 1);
    return;
  }
  visited_.Clear();
  for (TFontObj* link : sectionList_->LinkList) link->SetVisited(false);
  InvalidateAll();
}

// ---- what the document asks of the viewer ----

void TPageViewer::FollowLinkByKey(const TUrlTarget& link) {
  // Deferred, so that the key's handling ends before the document may be replaced; the link goes with the message.
  pf::PostMessage(this, LinkClickMessage, 0, 0, TLinkClick{link.Url, link.Target, link.Attr, LinkTextOf(link)});
}

void TPageViewer::DocumentKeyPress(char& key) { DoKeyPress(key); }

void TPageViewer::DocumentKeyDown(uint16_t& key, pf::TShiftState shift) { KeyDown(key, shift); }

void TPageViewer::DoProgress(int percent) { RaiseProgress(psRunning, percent); }

void TPageViewer::SubmitCallback(pf::TObject*, const std::string& action, const std::string& target,
                                 const std::string& encType, const std::string& method,
                                 std::unique_ptr<pf::TStringList> results) {
  formAction_ = action;
  formTarget_ = target;
  formEncType_ = encType;
  formMethod_ = method;
  formResults_.Clear();
  if (results) formResults_.Assign(*results);
  if (onFormSubmit_) onFormSubmit_(this, action, target, encType, method, std::move(results));
}

void TPageViewer::SetOnFormSubmit(TFormSubmitEvent handler) {
  onFormSubmit_ = std::move(handler);
  if (onFormSubmit_)
    sectionList_->SubmitForm = [this](pf::TObject* sender, const std::string& action, const std::string& target,
                                      const std::string& encType, const std::string& method,
                                      std::unique_ptr<pf::TStringList> results) {
      SubmitCallback(sender, action, target, encType, method, std::move(results));
    };
  else
    sectionList_->SubmitForm = nullptr;
}

void TPageViewer::ScrollIntoView(int32_t top, bool isLink) {
  const int32_t position = vScrollBar_->Position32();
  const int32_t height = PanelHeight();
  if (!isLink) {
    if (top < position || top > position + height - kControlViewMargin) ScrollTo(top - height / 2);
  } else if (!settingFocus_) {
    if (top < position)
      ScrollTo(top);
    else if (top > position + height - kLinkViewMargin)
      ScrollTo(top - height / 2);
  }
  InvalidateAll();
}

void TPageViewer::BackgroundChanged() { paintPanel_->SetColor(sectionList_->Background | PaletteColorFlag()); }

// ---- settings ----

void TPageViewer::SetCursor(pf::TCursor value) {
  pf::TControl::SetCursor(value == pf::crArrow ? pf::crDefault : value);
}

void TPageViewer::SetViewImages(bool value) {
  if (value == sectionList_->ShowImages || processing_) return;
  pf::BusyCursor busy;
  SetProcessing(true);
  Finally restore([this] { SetProcessing(false); });
  sectionList_->ShowImages = value;
  if (sectionList_->Count() > 0) {
    LoadBackgroundImage();
    Relayout();
    InvalidateAll();
  }
}

void TPageViewer::SetDefBackground(pf::TColor value) {
  if (processing_) return;
  defBackground_ = value;
  sectionList_->SetBackgroundColor(value);
  paintPanel_->SetColor(value);
  InvalidateAll();
}

void TPageViewer::SetDefHotSpotColor(pf::TColor value) {
  defHotSpotColor_ = value;
  sectionList_->HotSpotColor = value;
}

void TPageViewer::SetDefVisitedLinkColor(pf::TColor value) {
  defVisitedLinkColor_ = value;
  sectionList_->LinkVisitedColor = value;
}

void TPageViewer::SetDefOverLinkColor(pf::TColor value) {
  defOverLinkColor_ = value;
  sectionList_->LinkActiveColor = value;
}

void TPageViewer::SetDefPreFontName(const std::string& value) {
  if (pf::SameText(value, sectionList_->PreFontName)) return;
  defPreFontName_ = value;
  sectionList_->PreFontName = value.substr(0, kMaxDefPreFontName);
}

void TPageViewer::SetImageCacheCount(int32_t value) {
  value = std::clamp(value, 0, kMaxImageCacheCount);
  if (value == imageCacheCount_) return;
  imageCacheCount_ = value;
  if (sectionList_->BitmapList) sectionList_->BitmapList->ApplyCacheLimit(value);
}

void TPageViewer::SetNoSelect(bool value) {
  noSelect_ = value;
  if (!value) return;
  sectionList_->SelB = sectionList_->SelE = -1;
  InvalidateAll();
}

void TPageViewer::SetScrollBars(pf::TScrollStyle value) {
  if (value == scrollBars_) return;
  scrollBars_ = value;
  if ((ComponentState() & pf::csLoading) != 0 || creating_) return;
  SetProcessing(true);
  Finally restore([this] { SetProcessing(false); });
  Relayout();
  InvalidateAll();
}

void TPageViewer::SetBorderStyle(THTMLBorderStyle value) {
  if (value == borderStyle_) return;
  const bool framed = borderStyle_ != htNone, nowFramed = value != htNone;
  borderStyle_ = value;
  UpdateBorder();
  // The frame takes a pixel on each side: the panel and bars move.
  if (framed != nowFramed && !creating_ && !processing_) Relayout();
}

void TPageViewer::UpdateBorder() {
  const bool single = borderStyle_ == htSingle || (borderStyle_ == htFocused && Focused());
  borderPanel_->SetBorderStyle(single ? pf::bsSingle : pf::bsNone);
}

void TPageViewer::DoEnter() {
  pf::TWinControl::DoEnter();
  UpdateBorder();
}

void TPageViewer::DoExit() {
  pf::TWinControl::DoExit();
  UpdateBorder();
}

void TPageViewer::SetServerRoot(const std::string& value) {
  std::string root = pf::Trim(value);
  if (!root.empty() && (root.back() == '\\' || root.back() == '/')) root.pop_back();
  serverRoot_ = root;
}

void TPageViewer::SethtOptions(TPageViewerOptions value) {
  const bool vScrollChanged = ((value ^ htOptions_) & htShowVScroll) != 0;
  htOptions_ = value;
  sectionList_->LinksActive = (value & htOverLinksActive) != 0;
  sectionList_->PrintTableBackground = (value & (htPrintTableBackground | htPrintBackground)) != 0;
  sectionList_->PrintBackground = (value & htPrintBackground) != 0;
  sectionList_->PrintMonochromeBlack = (value & htPrintMonochromeBlack) != 0;
  sectionList_->ShowDummyCaret = (value & htShowDummyCaret) != 0;
  vScrollBar_->SetDisableNoScroll((value & htShowVScroll) != 0);
  if (vScrollChanged && !creating_ && !processing_) Relayout();
}

void TPageViewer::SetPrintScale(double value) {
  if (value < kMinPrintScale)
    value = kMinPrintScale;
  else if (!(value <= kMaxPrintScale))  // also a value that is not a number
    value = kMaxPrintScale;
  printScale_ = value;
}

void TPageViewer::SetOnBitmapRequest(TGetBitmapEvent handler) { sectionList_->OnBitmapRequest = std::move(handler); }
void TPageViewer::SetOnImageRequest(TGetImageEvent handler) { sectionList_->OnImageRequest = std::move(handler); }
void TPageViewer::SetOnFileBrowse(TFileBrowseEvent handler) { sectionList_->OnFileBrowse = std::move(handler); }
void TPageViewer::SetOnObjectClick(TObjectClickEvent handler) { sectionList_->OnObjectClick = std::move(handler); }
void TPageViewer::SetOnObjectFocus(ThtObjectEvent handler) { sectionList_->OnObjectFocus = std::move(handler); }
void TPageViewer::SetOnObjectBlur(ThtObjectEvent handler) { sectionList_->OnObjectBlur = std::move(handler); }
void TPageViewer::SetOnObjectChange(ThtObjectEvent handler) { sectionList_->OnObjectChange = std::move(handler); }
void TPageViewer::SetOnPanelCreate(TPanelCreateEvent handler) { sectionList_->OnPanelCreate = std::move(handler); }
void TPageViewer::SetOnPanelDestroy(TPanelDestroyEvent handler) { sectionList_->OnPanelDestroy = std::move(handler); }
void TPageViewer::SetOnPanelPrint(TPanelPrintEvent handler) { sectionList_->OnPanelPrint = std::move(handler); }

// ---- messages ----

void TPageViewer::WndProc(pf::TMessage& message) {
  switch (message.Msg) {
    case FormSubmitMessage:
      sectionList_->DeliverSubmission(message);
      return;
    case DragScrollMessage:
      DragScrollStart();
      return;
    case LinkClickMessage:
      if (const auto* link = std::any_cast<TLinkClick>(&message.Payload)) {
        const TLinkClick copy = *link;
        HotSpotClick(copy);
      }
      return;
    case pf::WM_GETDLGCODE:
      message.Result = pf::DLGC_WANTARROWS;
      return;
    case pf::WM_SIZE:
      pf::TWinControl::WndProc(message);
      ResizeMessage();
      return;
    default:
      pf::TWinControl::WndProc(message);
  }
}

void TPageViewer::InvalidateAll() {
  Invalidate();
  paintPanel_->Invalidate();
  borderPanel_->Invalidate();
  vScrollBar_->Invalidate();
  hScrollBar_->Invalidate();
}

}  // namespace viewer
