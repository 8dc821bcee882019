// The page viewer control: a windowed control that owns one document, shows it in a paint panel between a vertical
// and a horizontal scroll bar, loads HTML files, text files and pictures into it, keeps a back/forward history with
// scroll positions and form values, marks visited links, follows link clicks and hands form submissions to the
// application after the click that made them has finished. Scrolling, painting, mouse and keys are in
// page_viewer_input.cpp; printing in printing.cpp.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/core/classes.h"
#include "platform/graphics/bitmap.h"
#include "platform/graphics/canvas.h"
#include "platform/ui/controls.h"
#include "platform/ui/extctrls.h"
#include "platform/ui/stdctrls.h"
#include "viewer/image_cache.h"
#include "viewer/page_viewer_panels.h"
#include "viewer/page_viewer_plans.h"
#include "viewer/section_list.h"

namespace viewer {

class TPageViewer;
class TImageObj;
struct TParseResult;

// What a loaded file is shown as.
enum ViewerFileType : uint8_t { HTMLType = 0, TextType = 1, ImgType = 2 };

enum THTMLBorderStyle : uint8_t { htFocused, htNone, htSingle };

enum TProgressStage : uint8_t { psStarting, psRunning, psEnding };

// The viewer's options, one bit each in this order (TPageViewerOptions is the set).
enum TPageViewerOption : uint16_t {
  htOverLinksActive = 1u << 0,       // links change their look under the mouse
  htNoLinkUnderline = 1u << 1,       //
  htPrintTableBackground = 1u << 2,  //
  htPrintBackground = 1u << 3,       //
  htPrintMonochromeBlack = 1u << 4,  //
  htShowDummyCaret = 1u << 5,        //
  htShowVScroll = 1u << 6,           // the vertical bar stays visible (disabled when the page fits)
  htNoWheelMouse = 1u << 7,          // no wheel scrolling and no middle-button panning
  htNoLinkHilite = 1u << 8,          // a press on a link starts no selection
};
using TPageViewerOptions = uint16_t;

// The viewer's private messages besides FormSubmitMessage (section_list.h, 1124).
constexpr uint32_t DragScrollMessage = pf::WM_USER + 102;  // 1126: automatic scrolling starts
constexpr uint32_t LinkClickMessage = pf::WM_USER + 103;   // 1127: a deferred link click (payload TLinkClick)

// A scroll position that survives a layout at another width: an offset below the top of an entry of the document's
// position list, or (Index -1) the bare position. Kept whole, so that offsets past 65535 pixels stay exact.
struct TViewerPosition {
  int32_t Index = -1;
  int32_t Offset = 0;
  friend bool operator==(const TViewerPosition&, const TViewerPosition&) = default;
};

// The saved values of every form of a document: one list of "name=value" lines per form.
using TFormData = TFreeList<pf::TStringList>;

// One history entry's restore data.
class PositionObj {
 public:
  TViewerPosition Pos;
  ViewerFileType FileType = HTMLType;
  std::unique_ptr<TFormData> FormData;  // nullptr when the page had no forms (or the data went back to it)
};

// The link of a deferred click: what the click routine needs, taken when the click happened.
struct TLinkClick {
  std::string URL, Target, Attributes, Text;
};

// What a right click found under the pointer.
struct TRightClickParameters {
  TImageObj* Image = nullptr;  // the picture there, or nullptr
  int32_t ImageX = 0, ImageY = 0;
  std::string URL, Target;
  std::string ClickWord;  // the word under the pointer (Latin-1)
};

// ---- the viewer's own events (those it passes to the document are declared in section_list.h) ----

using THotSpotEvent = std::function<void(pf::TObject* sender, const std::string& src)>;
using THotSpotClickEvent = std::function<void(pf::TObject* sender, const std::string& src, bool& handled)>;
using ThtProgressEvent = std::function<void(pf::TObject* sender, TProgressStage stage, int32_t percentDone)>;
using TProcessingEvent = std::function<void(pf::TObject* sender, bool processingOn)>;
using TMetaRefreshEvent = std::function<void(pf::TObject* sender, int32_t delay, const std::string& url)>;
using TImageClickEvent = std::function<void(pf::TObject* sender, TImageObj* obj, pf::TMouseButton button,
                                            pf::TShiftState shift, int32_t x, int32_t y)>;
using TImageOverEvent =
    std::function<void(pf::TObject* sender, TImageObj* obj, pf::TShiftState shift, int32_t x, int32_t y)>;
using TRightClickEvent = std::function<void(pf::TObject* sender, const TRightClickParameters& parameters)>;
using TParseEvent = std::function<void(pf::TObject* sender, std::string& source)>;
// Printing: a page's header or footer drawn by the application, or given as HTML through a hidden viewer.
using TPagePrinted = std::function<void(pf::TObject* sender, pf::TCanvas& canvas, int32_t numPage, int32_t w, int32_t h,
                                        bool& stopPrinting)>;
using ThtmlPagePrinted = std::function<void(pf::TObject* sender, TPageViewer& hfViewer, int32_t numPage, bool lastPage,
                                            int32_t& xl, int32_t& xr, bool& stopPrinting)>;
using TPrintProgressEvent = std::function<void(pf::TObject* sender, int32_t numPage, bool& stopPrinting)>;

// ---- the viewer ----

class TPageViewer : public pf::TWinControl, public IViewerControl {
 public:
  static constexpr int32_t kMaxImageCacheCount = 20;
  static constexpr uint32_t kHotSpotInterval = 200;     // ms
  static constexpr uint32_t kAutoScrollInterval = 25;   // ms between looks at the pointer
  static constexpr uint32_t kAutoScrollStepGate = 100;  // ms at least between two scroll steps
  static constexpr size_t kSmallSourceLength = 10000;   // below: the bar plan may lay out three times

  explicit TPageViewer(pf::TComponent* owner);
  // Ends a print job, frees the document (and its windowed controls) before the panels, then the image cache.
  ~TPageViewer() override;
  std::string ClassName() const override { return "TPageViewer"; }

  // ---- virtual operations, in slot order ----
  virtual void ExtendSelectionTo(int32_t x, int32_t y);
  // The document's visible band into canvas (panel co-ordinates); nothing while the layout is rebuilt.
  virtual void DrawDocument(pf::TCanvas& canvas, const pf::TRect& clip);
  virtual void PanelMouseDown(pf::TObject* sender, pf::TMouseButton button, pf::TShiftState shift, int32_t x,
                              int32_t y);
  virtual void PanelMouseMove(pf::TObject* sender, pf::TShiftState shift, int32_t x, int32_t y);
  virtual void PanelMouseUp(pf::TObject* sender, pf::TMouseButton button, pf::TShiftState shift, int32_t x, int32_t y);
  // The load itself (no history): name[#destination] of the given type. EInOutError "Can't locate file: " + name
  // when the file is missing, EFOpenError when it cannot be read; either leaves the shown document, CurrentFile
  // and the history as they were.
  virtual void LoadFile(const std::string& fileName, ViewerFileType fileType);
  // A link source made into a file name: an address of another scheme unchanged, a server-rooted or absolute path
  // as such, a relative one below the folder of Base or of the current file.
  std::string ExpandFileName(const std::string& name) override;
  virtual void Clear();
  // Raises OnHotSpotClick; true when its handler took the click.
  virtual bool HotSpotClickHandled();

  // ---- loading ----
  // Each loads with history; nothing while Processing or for an empty name. Exceptions of LoadFile reach the caller.
  void LoadFromFile(const std::string& fileName);
  void LoadTextFile(const std::string& fileName);
  void LoadImageFile(const std::string& fileName);
  // The current file again, with its type and scroll position; nothing when no file is loaded.
  void Reload();
  const std::string& GetDocumentTitle() const { return title_; }
  // Scrolls to the element with that ID or anchor name (a leading "#" is dropped; letter case ignored).
  bool PositionTo(std::string dest);
  // Printing of pages fromPage..toPage on the current printer (printing.cpp).
  void Print(int32_t fromPage, int32_t toPage);

  // ---- history ----
  const pf::TStringList& History() const { return history_; }
  const pf::TStringList& TitleHistory() const { return titleHistory_; }
  int32_t HistoryIndex() const { return historyIndex_; }
  // Goes to entry index (0 = newest); ignored out of range, unchanged or while Processing.
  void SetHistoryIndex(int32_t index);
  int32_t HistoryMaxCount() const { return historyMaxCount_; }
  void SetHistoryMaxCount(int32_t value);
  void ClearHistory();
  // The encoded scroll position and going back to one.
  TViewerPosition GetPosition();
  void SetPosition(const TViewerPosition& position);

  // ---- visited links ----
  const pf::TStringList& Visited() const { return visited_; }
  int32_t VisitedMaxCount() const { return visitedMaxCount_; }
  void SetVisitedMaxCount(int32_t value);

  // ---- what the viewer shows ----
  const std::string& CurrentFile() const { return currentFile_; }
  ViewerFileType CurrentFileType() const { return currentFileType_; }
  const std::string& Base() const { return base_; }
  const std::string& BaseEx() const { return baseEx_; }
  void SetBaseEx(const std::string& value) { baseEx_ = value; }
  const std::string& BaseTarget() const { return baseTarget_; }
  const std::string& DocumentSource() const { return documentSource_; }
  // The link under the mouse (or last clicked): its address, target, attributes ("name=value" lines) and text.
  const std::string& URL() const { return url_; }
  const std::string& Target() const { return target_; }
  const pf::TStringList& LinkAttributes() const { return linkAttributes_; }
  const std::string& LinkText() const { return linkText_; }
  // The TITLE under the mouse (a form control's, else a link's); the application shows it as the hint.
  const std::string& HintText() const { return hintText_; }
  // The last form submission that was raised.
  const std::string& FormAction() const { return formAction_; }
  const std::string& FormTarget() const { return formTarget_; }
  const std::string& FormEncType() const { return formEncType_; }
  const std::string& FormMethod() const { return formMethod_; }
  const pf::TStringList& FormResults() const { return formResults_; }
  bool Processing() const { return processing_; }
  TSectionList& SectionList() { return *sectionList_; }
  TIDNameList& NameList() { return sectionList_->IDNameList; }
  // The document's height and widest line (at most kMaxHorzExtent) of the last layout.
  int32_t DocHeight() const { return docHeight_; }
  int32_t MaxHorzExtent() const { return maxHorzExtent_; }
  int32_t VScrollBarPosition() const { return vScrollBar_->Position32(); }
  int32_t HScrollBarPosition() const { return hScrollBar_->Position(); }
  // Scrolls the view to document y (clamped to the document).
  void ScrollTo(int32_t y);
  // Selection as document positions.
  int32_t SelStart() const;
  int32_t SelLength() const;
  int32_t CaretPos() const { return caretPos_; }

  // ---- children ----
  TPaintPanel& PaintPanel() { return *paintPanel_; }
  pf::TPanel& BorderPanel() { return *borderPanel_; }
  T32ScrollBar& VScrollBar() { return *vScrollBar_; }
  pf::TScrollBar& HScrollBar() { return *hScrollBar_; }

  // ---- settings ----
  void SetCursor(pf::TCursor value);  // crArrow is stored as crDefault
  bool ViewImages() const { return sectionList_->ShowImages; }
  void SetViewImages(bool value);
  pf::TColor DefBackground() const { return defBackground_; }
  void SetDefBackground(pf::TColor value);
  THTMLBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(THTMLBorderStyle value);
  const std::string& DefFontName() const { return defFontName_; }
  void SetDefFontName(const std::string& value) { defFontName_ = value; }
  const std::string& DefPreFontName() const { return defPreFontName_; }
  void SetDefPreFontName(const std::string& value);
  int32_t DefFontSize() const { return defFontSize_; }
  void SetDefFontSize(int32_t value) { defFontSize_ = value; }
  pf::TColor DefFontColor() const { return defFontColor_; }
  void SetDefFontColor(pf::TColor value) { defFontColor_ = value; }
  pf::TColor DefHotSpotColor() const { return defHotSpotColor_; }
  void SetDefHotSpotColor(pf::TColor value);
  pf::TColor DefVisitedLinkColor() const { return defVisitedLinkColor_; }
  void SetDefVisitedLinkColor(pf::TColor value);
  pf::TColor DefOverLinkColor() const { return defOverLinkColor_; }
  void SetDefOverLinkColor(pf::TColor value);
  int32_t ImageCacheCount() const { return imageCacheCount_; }
  void SetImageCacheCount(int32_t value);
  bool NoSelect() const { return noSelect_; }
  void SetNoSelect(bool value);
  pf::TScrollStyle ScrollBars() const { return scrollBars_; }
  void SetScrollBars(pf::TScrollStyle value);
  uint8_t CharSet() const { return charSet_; }
  void SetCharSet(uint8_t value) { charSet_ = value; }
  int32_t MarginHeight() const { return marginHeight_; }
  void SetMarginHeight(int32_t value) { marginHeight_ = value; }
  int32_t MarginWidth() const { return marginWidth_; }
  void SetMarginWidth(int32_t value) { marginWidth_ = value; }
  const std::string& ServerRoot() const { return serverRoot_; }
  // Stored trimmed of blanks, with one trailing "/" (or "\") removed.
  void SetServerRoot(const std::string& value);
  TPageViewerOptions htOptions() const { return htOptions_; }
  void SethtOptions(TPageViewerOptions value);
  double PrintMarginLeft = 2.0, PrintMarginRight = 2.0, PrintMarginTop = 2.0, PrintMarginBottom = 2.0;  // cm
  double PrintScale() const { return printScale_; }
  void SetPrintScale(double value);  // clamped to 0.25..4.0

  // ---- events ----
  THotSpotEvent OnHotSpotCovered;
  THotSpotClickEvent OnHotSpotClick;
  const TFormSubmitEvent& OnFormSubmit() const { return onFormSubmit_; }
  // Set: the document builds submissions and they reach the handler; cleared: no submission is built.
  void SetOnFormSubmit(TFormSubmitEvent handler);
  pf::TNotifyEvent OnHistoryChange;
  ThtProgressEvent OnProgress;
  TProcessingEvent OnProcessing;
  TIncludeEvent OnInclude;
  TSoundEvent OnSoundRequest;
  TMetaEvent OnMeta;
  TLinkEvent OnLink;
  TMetaRefreshEvent OnMetaRefresh;
  TImageClickEvent OnImageClick;
  TImageOverEvent OnImageOver;
  TRightClickEvent OnRightClick;
  pf::TMouseEvent OnMouseDouble;
  TParseEvent OnParseBegin;
  pf::TNotifyEvent OnParseEnd;
  TPagePrinted OnPrintHeader, OnPrintFooter;
  ThtmlPagePrinted OnPrintHTMLHeader, OnPrintHTMLFooter;
  TPrintProgressEvent OnPrintProgress;
  // OnDragOver and OnDragDrop are the control's own: a drag over the paint panel raises them with the viewer as
  // Sender, in panel co-ordinates (so do the mouse events).
  // Events the document raises: each setter stores the handler in the document too.
  void SetOnBitmapRequest(TGetBitmapEvent handler);
  void SetOnImageRequest(TGetImageEvent handler);
  void SetOnFileBrowse(TFileBrowseEvent handler);
  void SetOnObjectClick(TObjectClickEvent handler);
  void SetOnObjectFocus(ThtObjectEvent handler);
  void SetOnObjectBlur(ThtObjectEvent handler);
  void SetOnObjectChange(ThtObjectEvent handler);
  void SetOnPanelCreate(TPanelCreateEvent handler);
  void SetOnPanelDestroy(TPanelDestroyEvent handler);
  void SetOnPanelPrint(TPanelPrintEvent handler);
  // OnhtStreamRequest, OnScript and OnObjectTag are the fields of IViewerControl that the reader raises.

  // ---- IViewerControl ----
  pf::TObject* Sender() override { return this; }
  void SetCodePage(int codePage) override {}
  void FollowLinkByKey(const TUrlTarget& link) override;
  void DocumentKeyPress(char& key) override;
  void DoProgress(int percent) override;
  pf::TWinControl* Window() override { return this; }
  void DocumentKeyDown(uint16_t& key, pf::TShiftState shift) override;
  void FormControlMouseMove(TFormControlObj* control, pf::TShiftState shift, int32_t x, int32_t y) override;

 protected:
  void WndProc(pf::TMessage& message) override;
  void KeyDown(uint16_t& key, pf::TShiftState shift) override;
  bool DoMouseWheel(pf::TShiftState shift, int32_t wheelDelta, pf::TPoint mousePos) override;
  void DoEnter() override;
  void DoExit() override;
  // Where the pointer is (paint-panel co-ordinates), whether the paint panel itself is under it and whether the left
  // button is down; and the millisecond clock of automatic scrolling. Tests replace them.
  struct TPointerState {
    pf::TPoint Point;
    bool OverPanel = false;
    bool LeftDown = false;
  };
  virtual TPointerState PointerState();
  virtual uint32_t TickCount();

 private:
  friend class TPaintPanel;

  // Runs a restoring step on every exit of a scope, also by an exception.
  template <class F>
  class Finally {
   public:
    explicit Finally(F f) : f_(std::move(f)) {}
    ~Finally() { f_(); }
    Finally(const Finally&) = delete;
    Finally& operator=(const Finally&) = delete;

   private:
    F f_;
  };

  // ---- loading, history, links and settings (page_viewer.cpp) ----
  void ApplyDefaults();
  void SetProcessing(bool value);
  void RaiseProgress(TProgressStage stage, int32_t percent);
  void LoadWithHistory(const std::string& fileName, ViewerFileType fileType);
  void PrepareDocument();
  void ParseDocument(ViewerFileType fileType, TParseResult& result);
  void AfterParse(const TParseResult& result, const std::string& destination, const std::string& oldFile);
  void MetaHandler(pf::TObject* sender, const std::string& httpEquiv, const std::string& name,
                   const std::string& content);
  void AddHistoryEntry(const std::string& oldName, const std::string& oldTitle, ViewerFileType oldType,
                       std::unique_ptr<TFormData> oldFormData, const TViewerPosition& oldPos);
  void DeleteHistoryEntry(int index);
  // The newest entry of the run of entries of the current document that ends at index.
  int SameDocumentIndex(int index) const;
  void TakeLink(const TLinkClick& link);
  void HotSpotClick(const TLinkClick& link);
  // A link address as visited links are kept: "#name" on the current file, anything else expanded.
  std::string LinkKey(const std::string& address);
  void AddVisited(const std::string& s);
  void MarkVisitedLinks();
  void SubmitCallback(pf::TObject* sender, const std::string& action, const std::string& target,
                      const std::string& encType, const std::string& method, std::unique_ptr<pf::TStringList> results);
  void ScrollIntoView(int32_t top, bool isLink);
  void BackgroundChanged();
  void UpdateBorder();
  void InvalidateAll();

  // ---- layout, scrolling, painting and the mouse (page_viewer_input.cpp) ----
  pf::TCanvas& MeasureCanvas();
  void LayoutDocument(int32_t width);
  void DoScrollBars();
  void PlaceScrollBars();
  // A new layout at the same reading position.
  void Relayout();
  void ResizeMessage();
  void SetVerticalPosition(int32_t y);
  void SetHorizontalPosition(int32_t x);
  void VScroll(uint32_t code, int32_t trackPos);
  void HScrollBarScroll(pf::TObject* sender, pf::TScrollCode code, int32_t& scrollPos);
  void PaintBackground(pf::TCanvas& canvas, const pf::TRect& clip);
  // The document's background picture, fetched once per name (and given back to the cache with the document), with
  // a mask only where the picture itself is transparent.
  void LoadBackgroundImage();
  void ReleaseBackground();
  int32_t DocumentPositionAt(int32_t x, int32_t y);
  TImageObj* ImageAt(int32_t x, int32_t y);
  int LinkAt(int32_t x, int32_t y, std::unique_ptr<TUrlTarget>& target, TFormControlObj*& control, std::string& title);
  std::string LinkTextOf(const TUrlTarget& link);
  void EndPanning();
  void FocusLinkStop(int32_t linkId);
  void RaiseImageAndRightClick(pf::TMouseButton button, pf::TShiftState shift, int32_t x, int32_t y);
  bool WordAt(int32_t position, int32_t& first, int32_t& last);
  std::string WordText(int32_t first, int32_t last);
  void DoubleClick(pf::TShiftState shift, int32_t x, int32_t y);
  void DragScrollStart();
  void AutoScrollTick();
  void HotSpotTimerTimer();
  int32_t PanelHeight() const { return paintPanel_->Height(); }
  int32_t BorderAllowance() const { return borderStyle_ == htNone ? 0 : 2; }

  // Fields in the order the control keeps them.
  bool creating_ = true;
  bool sizing_ = false;
  std::string title_;
  std::string url_, target_;
  std::string base_, baseEx_, baseTarget_;
  std::string currentFile_;
  ViewerFileType currentFileType_ = HTMLType;
  TFormSubmitEvent onFormSubmit_;
  std::string refreshURL_;
  int32_t refreshDelay_ = 0;
  pf::TStringList history_, titleHistory_;
  TFreeList<PositionObj> positionHistory_;
  int32_t historyIndex_ = 0;
  int32_t historyMaxCount_ = 0;
  std::string defFontName_ = "Times New Roman", defPreFontName_ = "Courier New";
  pf::TColor defFontColor_ = pf::clBtnText, defHotSpotColor_ = 0xFF0000, defVisitedLinkColor_ = 0x800080,
             defOverLinkColor_ = 0xFF0000;
  int32_t visitedMaxCount_ = 50;
  pf::TColor defBackground_ = pf::clBtnFace;
  int32_t defFontSize_ = 12;
  bool processing_ = false;
  std::string formAction_, formTarget_, formEncType_, formMethod_;
  pf::TStringList formResults_;
  int32_t imageCacheCount_ = 5;
  bool noSelect_ = false;
  pf::TScrollStyle scrollBars_ = pf::ssBoth;
  THTMLBorderStyle borderStyle_ = htFocused;
  int32_t caretPos_ = 0;
  TPageViewerOptions htOptions_ = htPrintTableBackground | htPrintMonochromeBlack;
  // scroll metrics and mouse tracking
  int32_t scrollWidth_ = 16;
  int32_t maxHorzExtent_ = 0;
  int32_t docHeight_ = 0;
  bool dragScrolling_ = false;
  bool mouseIsDown_ = false;
  bool panning_ = false;
  int32_t panStartY_ = 0;
  bool selecting_ = false;
  bool fixedBackground_ = false;
  bool linkClicked_ = false;
  bool settingFocus_ = false;
  uint32_t lastScrollTick_ = 0;
  int32_t wheelRest_ = 0;                   // wheel movement not yet turned into pixels (1/120 pixel)
  TFormControlObj* hintControl_ = nullptr;  // the form control whose mouse move is being passed on
  uint8_t charSet_ = pf::DEFAULT_CHARSET;
  int32_t marginHeight_ = 5, marginWidth_ = 10;
  std::string serverRoot_;
  std::unique_ptr<TSectionList> sectionList_;
  pf::TTimer* hotSpotTimer_ = nullptr;
  pf::TTimer* autoScrollTimer_ = nullptr;
  bool ownsImageCache_ = false;
  std::unique_ptr<TStringBitmapList> imageCache_;
  std::string documentSource_;
  std::string hintText_;
  double printScale_ = 1.0;
  pf::TStringList linkAttributes_;
  std::string linkText_;
  int32_t linkStartX_ = 0, linkStartY_ = 0;
  TPaintPanel* paintPanel_ = nullptr;
  pf::TPanel* borderPanel_ = nullptr;
  int32_t clickPos_ = -1;
  T32ScrollBar* vScrollBar_ = nullptr;
  pf::TScrollBar* hScrollBar_ = nullptr;
  pf::TStringList visited_;
  std::unique_ptr<pf::TBitmap> measureBitmap_;  // the canvas layouts measure on
  std::string backgroundKey_;                   // the cache entry of the document's background picture ("" when none)
};

}  // namespace viewer
