// The document: cells that hold document objects one below the other, the document root with every document-wide
// list (forms, controls, panels, maps, links, positions, IDs, styles, inline borders, tab order), the deferred
// pictures of painting, and what the document asks of the viewer control that owns it.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/core/classes.h"
#include "platform/core/streams.h"
#include "platform/graphics/bitmap.h"
#include "platform/ui/controls.h"
#include "platform/ui/messages.h"
#include "viewer/image_cache.h"
#include "viewer/image_map.h"
#include "viewer/indent_manager.h"
#include "viewer/style_properties.h"
#include "viewer/viewer_shared.h"

namespace pf {
class TTimer;
}

namespace viewer {

class ThtmlForm;
class ThtmlTable;
class TFormControlObj;
class TPanelObj;
class ThvPanel;
class TImageObj;
class TgfAnimatedImage;

// ---- the viewer's events that the document and its reader raise (the viewer is the sender) ----

using TGetStreamEvent = std::function<void(pf::TObject* sender, const std::string& src, pf::TMemoryStream*& stream)>;
using TExpandNameEvent = std::function<void(pf::TObject* sender, const std::string& src, std::string& result)>;
using TScriptEvent = std::function<void(pf::TObject* sender, const std::string& name, const std::string& language,
                                        const std::string& script)>;
using TObjectTagEvent = std::function<void(pf::TObject* sender, ThvPanel* panel, const pf::TStringList& attributes,
                                           const pf::TStringList& params, bool& wantPanel)>;
using TSoundEvent = std::function<void(pf::TObject* sender, const std::string& src, int32_t loop, bool terminate)>;
using TMetaEvent = std::function<void(pf::TObject* sender, const std::string& httpEquiv, const std::string& name,
                                      const std::string& content)>;
using TLinkEvent =
    std::function<void(pf::TObject* sender, const std::string& rel, const std::string& rev, const std::string& href)>;
using TIncludeEvent =
    std::function<void(pf::TObject* sender, const std::string& command, pf::TStringList& params, std::string& text)>;
using TGetBitmapEvent =
    std::function<void(pf::TObject* sender, const std::string& src, pf::TBitmap*& bitmap, pf::TColor& color)>;
using TGetImageEvent = std::function<void(pf::TObject* sender, const std::string& src, pf::TMemoryStream*& stream)>;
using TObjectClickEvent = std::function<void(pf::TObject* sender, TFormControlObj* obj, const std::string& onClick)>;
using ThtObjectEvent = std::function<void(pf::TObject* sender, TFormControlObj* obj, const std::string& attribute)>;
using TFileBrowseEvent = std::function<void(pf::TObject* sender, TFormControlObj* obj, std::string& fileName)>;
using TFormSubmitEvent = std::function<void(pf::TObject* sender, const std::string& action, const std::string& target,
                                            const std::string& encType, const std::string& method,
                                            std::unique_ptr<pf::TStringList> results)>;
using TPanelCreateEvent = std::function<void(pf::TObject* sender, const std::string& name, const std::string& type,
                                             const std::string& src, ThvPanel* panel)>;
using TPanelDestroyEvent = std::function<void(pf::TObject* sender, const std::string& name, ThvPanel* panel)>;
using TPanelPrintEvent = std::function<void(pf::TObject* sender, ThvPanel* panel, pf::TBitmap& bitmap)>;

// The viewer's private message that delivers a form submission once the event that caused it has ended; its
// payload is a std::shared_ptr<TFormSubmission>.
constexpr uint32_t FormSubmitMessage = pf::WM_USER + 100;

// One submission of a form on its way to the viewer's form-submission event: the form's ACTION, TARGET, ENCTYPE and
// METHOD and the submitted "name=value" lines, which pass to the receiver.
struct TFormSubmission {
  std::string Action, Target, EncType, Method;
  std::unique_ptr<pf::TStringList> Results;
};

// What the document and its reader ask of the viewer control that owns the document.
class IViewerControl {
 public:
  virtual ~IViewerControl() = default;
  // The viewer as the sender of its events.
  virtual pf::TObject* Sender() = 0;
  // A link source made into a file name.
  virtual std::string ExpandFileName(const std::string& name) = 0;
  // The code page of the document being read (META and the byte-order mark decide it).
  virtual void SetCodePage(int codePage) = 0;
  // Enter on a link's focus stop: the viewer follows the link with its target, attributes and text.
  virtual void FollowLinkByKey(const TUrlTarget& link) = 0;
  // Any other key on a link's focus stop.
  virtual void DocumentKeyPress(char& key) = 0;
  // How far the reading of the document has come, in percent of the whole load.
  virtual void DoProgress(int percent) = 0;
  // The viewer's own window, which receives the document's posted messages (FormSubmitMessage); nullptr: none.
  virtual pf::TWinControl* Window() { return nullptr; }
  // A key that a check box or radio button of the document passes on: the viewer's own key handling (scrolling).
  virtual void DocumentKeyDown(uint16_t& key, pf::TShiftState shift) {}
  // The mouse moved over a form control (its client co-ordinates): its TITLE becomes the hint.
  virtual void FormControlMouseMove(TFormControlObj* control, pf::TShiftState shift, int32_t x, int32_t y) {}

  TGetStreamEvent OnhtStreamRequest;
  TScriptEvent OnScript;
  TObjectTagEvent OnObjectTag;
};

// ---- cells ----

// Document objects laid out one below the other; the cell owns them.
class TCellBasic : public TFreeList<TSectionBase> {
 public:
  explicit TCellBasic(TSectionList* masterList);
  // The print copy: a clone of every object for masterList.
  TCellBasic(TSectionList* masterList, const TCellBasic& source);
  ~TCellBasic() override;

  TSectionList* MasterList;
  std::string Tag;  // the element's tag name ("default" for the document's own body)
  int32_t TopY = 0;
  int32_t StartCurs = 0;
  int32_t Len = 0;
  TBlock* OwnerBlock = nullptr;  // the block whose content this is

  // A section is finished first (at source position tagIndex); one that then holds nothing (not preformatted, no
  // text, clear setting, picture, control or anchor) leaves the link and ID lists and is freed instead. An added
  // object learns the cell's document and block.
  void Add(std::unique_ptr<TSectionBase> object, int32_t tagIndex);
  // The last block (not absolutely positioned) loses its bottom margin when that is the default one; a list item
  // passes the question to its content. True when a margin was dropped.
  bool DropLastBottomMargin();

  virtual int32_t ComputeLayout(pf::TCanvas& canvas, const pf::TRect& clip, IndentManager& indents, int32_t x,
                                int32_t y, int32_t availWidth, int32_t availHeight, int32_t& curs, int32_t& maxWidth);
  virtual void MeasureMinMaxWidth(pf::TCanvas& canvas, int32_t& minWidth, int32_t& maxWidth);
  virtual int32_t Paint(pf::TCanvas& canvas, const pf::TRect& clip, IndentManager& indents, int32_t x, int32_t xRef,
                        int32_t yRef);
  virtual int GetLinkAt(pf::TCanvas& canvas, int32_t x, int32_t y, std::unique_ptr<TUrlTarget>& urlTarget,
                        TFormControlObj*& formControl, std::string& title);

  // Walks over the objects (the layout's and the hit tests' part of the cell).
  TIDObject* FindObjectAt(int32_t x, int32_t y, int32_t& position);
  int32_t GetPositionAtPoint(pf::TCanvas& canvas, int32_t x, int32_t y, bool& inText, int32_t& lineHeight,
                             int32_t& lineTop, int32_t& caretX);
  int32_t SearchForward(int32_t position, std::u16string_view text, bool matchCase);
  int32_t SearchBackward(int32_t position, std::u16string_view text, bool matchCase);
  int32_t MapToSourcePos(int32_t docPos);
  int32_t MapToDocPos(int32_t sourcePos, bool backwards);
  bool GetPositionXY(pf::TCanvas& canvas, int32_t docPos, int32_t& x, int32_t& y);
  bool ReadCharAt(int32_t docPos, char16_t& ch, TSectionBase*& object);
  void AddToPositionList();
  // The selected text (the document's SelB .. SelE) of the objects that hold some of it.
  void CollectSelectedText(SelTextCount& collector);

 protected:
  // Appends a print copy of each object of source, made for this cell's document.
  void CloneObjectsFrom(const TCellBasic& source);
};

// A cell with its own float bookkeeping.
class TCell : public TCellBasic {
 public:
  using TCellBasic::TCellBasic;
  IndentManager IMgr;
  // Lays the objects out within 0..availWidth of the cell's own indent manager (the indents given are not used);
  // the height reaches down to the lowest float of the content.
  int32_t ComputeLayout(pf::TCanvas& canvas, const pf::TRect& clip, IndentManager& indents, int32_t x, int32_t y,
                        int32_t availWidth, int32_t availHeight, int32_t& curs, int32_t& maxWidth) override;
  // Paints the objects with the indent manager's edges moved to x.
  int32_t Paint(pf::TCanvas& canvas, const pf::TRect& clip, IndentManager& indents, int32_t x, int32_t xRef,
                int32_t yRef) override;
};

// ---- inline borders ----

// A CSS border of an inline element, kept in source positions while the document is read and converted to
// document positions after a layout.
struct InlineRec {
  int32_t StartB = 0, EndB = 0;
  int32_t StartSource = 0, EndSource = 0;
  int32_t ID = 0;          // the identity of the element's property set
  TBoxIntArray MargArray;  // margins, borders, padding, colours and styles of the element
};

class TInlineList : public TFreeList<InlineRec> {
 public:
  explicit TInlineList(TSectionList* owner) : Owner(owner) {}
  TSectionList* Owner;
  bool NeedsConverting = true;
  // The record's document positions (converted first when needed); 99999999 out of range.
  int32_t StartOf(int index);
  int32_t EndOf(int index);
  void Clear() override;

 private:
  void Convert();
};

// ---- pictures drawn after the text ----

// A floating picture or panel to be drawn with its box (its spaces included) from X, TopY on the canvas; YBaseline
// is the baseline of the line it stands in, Font the run it stands in.
struct TImageRec {
  TFloatingObj* Object = nullptr;
  pf::TCanvas* Canvas = nullptr;
  int32_t X = 0, TopY = 0, YBaseline = 0;
  TFontObj* Font = nullptr;
};

class TDrawList : public TFreeList<TImageRec> {
 public:
  void AddImage(TFloatingObj* object, pf::TCanvas& canvas, int32_t x, int32_t topY, int32_t yBaseline, TFontObj* font);
  // Draws the entries in order (text painting, text_painting.cpp).
  void DrawImages();
};

// ---- the document root ----

class TSectionList : public TCell, public IDocumentRoot {
 public:
  static constexpr int kManyLinks = 400;
  static constexpr size_t kMaxPreFontName = 33;

  static constexpr uint32_t kFirstAnimationInterval = 50, kAnimationInterval = 40;  // milliseconds

  TSectionList(IViewerControl* owner, pf::TWinControl* paintPanel);
  // The print copy: the defaults, flags and image handlers, the image cache and inline borders (shared) and a copy
  // of every document object; no windows, no forms, no animation.
  explicit TSectionList(const TSectionList& source);
  ~TSectionList() override;
  TSectionList& operator=(const TSectionList&) = delete;

  bool ShowImages = true;
  bool Printing = false;  // the document paints for the printer (set by the print run)
  int32_t YOff = 0;
  // What painting adds to canvas x to get document x (the horizontal scroll; on paper less the page's margin): the
  // places that painting records for hit tests are in document x, as the points asked about are.
  int32_t XOff = 0;
  bool ControlsNeedShowing = false;
  int32_t SelB = 0, SelE = 0;
  std::string PreFontName;
  pf::TColor HotSpotColor = 0xFF0000;
  pf::TColor LinkVisitedColor = 0x800080;
  pf::TColor LinkActiveColor = 0xFF0000;
  pf::TColor Background = pf::clBtnFace;
  // The defaults that a print copy takes over.
  std::string FontName = "Times New Roman";
  double FontSize = 12;
  pf::TColor FontColor = pf::clBtnText;
  uint8_t Charset = pf::DEFAULT_CHARSET;
  bool UnderlineLinks = true;
  bool PrintTableBackground = true;
  bool PrintBackground = false;
  bool PrintMonochromeBlack = true;
  bool ShowDummyCaret = false;
  int32_t MarginWidth = 10, MarginHeight = 5;

  TGetBitmapEvent OnBitmapRequest;
  TGetImageEvent OnImageRequest;
  TExpandNameEvent OnExpandName;
  TObjectClickEvent OnObjectClick;
  ThtObjectEvent OnObjectFocus;
  ThtObjectEvent OnObjectBlur;
  ThtObjectEvent OnObjectChange;
  TFileBrowseEvent OnFileBrowse;
  std::function<void()> OnBackgroundChange;
  TFormSubmitEvent SubmitForm;
  // A control or link got the keyboard focus: its document y, and whether it is a link.
  std::function<void(int32_t top, bool isLink)> OnScrollIntoView;
  TPanelCreateEvent OnPanelCreate;
  TPanelDestroyEvent OnPanelDestroy;
  TPanelPrintEvent OnPanelPrint;

  IViewerControl* TheOwner;
  pf::TWinControl* PPanel;  // where windowed controls go; none: the document makes no windows

  TImageRef BackgroundImage;  // the document's background picture (the cache's), and its mask
  pf::TBitmap* BackgroundMask = nullptr;
  TgfAnimatedImage* BackgroundGif = nullptr;
  TBackgroundPosition BackgroundPos;
  std::string BackgroundName;
  bool BackgroundLoaded = false;

  TFreeList<ThtmlForm> htmlFormList;
  std::vector<TgfAnimatedImage*> AGifList;
  TFreeList<TMapItem> MapList;
  std::unique_ptr<pf::TTimer> Timer;
  std::vector<TFormControlObj*> FormControlList;
  std::vector<TPanelObj*> PanelList;
  pf::TStringList MissingImages;
  std::vector<TFontObj*> LinkList;
  TFontObj* LinkHovered = nullptr;
  bool LinksActive = false;
  // The hover look of a link changed and the paint panel was asked to repaint; the next painted line of text clears
  // it, and changes until then ask no more.
  bool HoverPending = false;
  TImageObj* ImageHovered = nullptr;
  TStyleList Styles;
  TDrawList DrawList;
  TIDNameList IDNameList;
  std::vector<TSectionBase*> PositionList;
  TStringBitmapList* BitmapList = nullptr;  // the viewer's image cache
  int32_t LayoutCounter = 0;
  int32_t TableNesting = 0;         // tables whose layout or painting is under way; the outermost counts 1
  bool TableSecondPass = false;     // the outermost table lays its cells out at their final places
  int32_t PageBottom = 0;           // while printing: the document y where the current page ends
  bool PageShortened = false;       // while printing: the page was ended above its natural bottom
  ThtmlTable* PartTable = nullptr;  // while printing: the table being printed by parts (its TablePart tells how)
  int64_t WholeTilePixels = 0;      // the pixels of the background tiles blocks keep for their whole padding box
  bool IsCopy = false;
  pf::TStringList TabOrderList;  // sorted, duplicates accepted; objects are windowed controls
  bool ManyLinks = false;
  TInlineList* InlineList;  // owned unless this is a print copy
  float ScaleX = 1.0f, ScaleY = 1.0f;
  int32_t SectionCount = 0;          // the numbers given to finished sections
  int32_t ProgressStart = 75;        // the share of a load that reading the document reports
  ThtmlForm* CurrentForm = nullptr;  // the form whose elements are being read
  bool SubmitPending = false;        // a submission of this document waits for its delivery
  // Printing: each piece of a link drawn on the page, with its rectangle on the canvas.
  std::function<void(const TUrlTarget& link, const pf::TRect& rect)> OnLinkDrawn;
  // Where the next text line laid out reports its baseline, while it holds 0 (a list item's marker stands there).
  int32_t* PendingFirstBaseline = nullptr;

  // While printing: whether the document band from top to bottom meets the page, which shows the document from
  // YOff + the clip's top down to PageBottom. What ends at the page's top was printed on the page before and what
  // starts at its bottom comes on the next, so that each thing is printed once; an empty band counts one pixel.
  bool OnPrintedPage(int32_t top, int32_t bottom, const pf::TRect& clip) const {
    return std::max(bottom, top + 1) > YOff + clip.Top && top < PageBottom;
  }

  // The default style sheet and colours of a new document.
  void ApplyDefaultFontsAndColors(const std::string& fontName, const std::string& preFontName, int32_t marginWidth,
                                  int32_t marginHeight, uint8_t charset, bool underlineLinks, bool linksActive,
                                  pf::TColor background, pf::TColor overColor, pf::TColor visitedColor,
                                  pf::TColor hotSpotColor, pf::TColor fontColor, double fontSize);
  void SetBackgroundColor(pf::TColor color);
  void SetBackgroundImage(const std::string& name, const TBackgroundPosition& position);
  // Empties the document: objects, forms, controls, maps, links and, unless a print copy, IDs, positions, inline
  // borders and styles.
  void Clear() override;
  // Before a new document is read.
  void ClearControlLists();
  // At an element with an inline border: a new record at its start, or the end of its record at its end tag.
  void ProcessInlineBorder(int32_t position, TProperties& prop, bool start);
  // The runs at the end of the link list that belong to the link of target, as the targets to be ended.
  std::vector<TUrlTarget*> TrailingLinkTargets(int32_t linkId) const;

  // ---- layout and painting ----
  // Lays the document out in rect's width and height (the cell's own indent manager, x and y 0): control sizes,
  // tab order, animations and their timer, parked controls. Answers the document height; maxWidth the widest line.
  int32_t ComputeLayout(pf::TCanvas& canvas, const pf::TRect& rect, int32_t& maxWidth);
  // Paints the part of the document in clip (panel co-ordinates; the document from YOff down, shifted by x), then
  // the deferred pictures; parks the controls that a scroll took out of view.
  void Paint(pf::TCanvas& canvas, const pf::TRect& clip, int32_t x);
  // The same as a cell (the document is never the content of another cell).
  int32_t ComputeLayout(pf::TCanvas& canvas, const pf::TRect& clip, IndentManager& indents, int32_t x, int32_t y,
                        int32_t availWidth, int32_t availHeight, int32_t& curs, int32_t& maxWidth) override;
  int32_t Paint(pf::TCanvas& canvas, const pf::TRect& clip, IndentManager& indents, int32_t x, int32_t xRef,
                int32_t yRef) override;
  // The scroll position: every control counts as not shown until painting places it again.
  void SetYOffset(int32_t y);
  void MarkControlsHidden();
  // One step of the animated images (after 50 ms, then every 40 ms); the panel repaints what changed.
  void AnimationTimerTick();

  // ---- the mouse ----
  // The cell's hit test (document co-ordinates; a set: 1 link, 2 form control, 4 title) with the hover looks of
  // the link and the picture under the point.
  int GetLinkAt(pf::TCanvas& canvas, int32_t x, int32_t y, std::unique_ptr<TUrlTarget>& urlTarget,
                TFormControlObj*& formControl, std::string& title) override;
  // The hovered picture looks pressed (down) or hovered.
  void SetImageButtonDown(bool down);
  void ClearHover();
  // The paint panel repaints once for the hover looks changed since the last paint.
  void RequestHoverPaint();

  // ---- selection and positions ----
  int32_t CountSelectedChars();
  // The selected text with a terminating 0 into buffer (at most bufferSize characters); the characters written.
  int32_t CopySelectedTextToBuffer(char16_t* buffer, int32_t bufferSize);
  // The last object of the position list whose top is at or above y, its top and index; nullptr when none.
  TSectionBase* FindSectionAtY(int32_t y, int32_t& topY, int& index);
  // The document position of a source position; the document's length when no object holds it.
  int32_t MapToDocPos(int32_t sourcePos);
  // The point of a document position; one at or past the end gives the last position, 15 pixels lower.
  bool GetPositionXY(pf::TCanvas& canvas, int32_t docPos, int32_t& x, int32_t& y);

  // ---- form values (history) and submissions ----
  // One list of "name=value" lines per form, in form order; nullptr for a document without forms.
  std::unique_ptr<TFreeList<pf::TStringList>> SaveFormValues();
  void RestoreFormValues(const TFreeList<pf::TStringList>& saved);
  // Posts a form's submission to the viewer's window as FormSubmitMessage, so that it arrives after the event that
  // made it; SubmitPending holds until then. Without a window SubmitForm gets it at once.
  void PostSubmission(std::unique_ptr<TFormSubmission> submission);
  // The viewer's handling of FormSubmitMessage: SubmitForm gets the submission that the message carries.
  void DeliverSubmission(pf::TMessage& message);

  // ---- IDocumentRoot ----
  bool GetYOfCharPos(int32_t charPos, int32_t& y) override;
  void AddToPositionList(TSectionBase* object) override { PositionList.push_back(object); }
  void SetLinksActive() override { LinksActive = true; }
  pf::TColor BackgroundColor() const override { return Background; }
  bool IsPrinting() const override { return Printing; }
  bool PrintMonoBlack() const override { return PrintMonochromeBlack; }

 private:
  // Windowed controls that painting did not place stay out of sight at the parked left, visible, so that they keep
  // their place in the tab order.
  void ParkControls();
  // The windowed controls in TABINDEX order come first in the tab order.
  void ApplyTabOrder();
  void Deliver(TFormSubmission& submission);
};

}  // namespace viewer
