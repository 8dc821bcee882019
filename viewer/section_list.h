// The document: cells that hold document objects one below the other, the document root with every document-wide
// list (forms, controls, panels, maps, links, positions, IDs, styles, inline borders, tab order), the deferred
// pictures of painting, and what the document asks of the viewer control that owns it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/core/classes.h"
#include "platform/core/streams.h"
#include "platform/graphics/bitmap.h"
#include "platform/ui/controls.h"
#include "viewer/image_map.h"
#include "viewer/indent_manager.h"
#include "viewer/style_properties.h"
#include "viewer/viewer_shared.h"

namespace pf {
class TTimer;
}

namespace viewer {

class ThtmlForm;
class TFormControlObj;
class TPanelObj;
class ThvPanel;
class TImageObj;
class TStringBitmapList;
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
  void CollectSelectedText(SelTextCount& collector);
};

// A cell with its own float bookkeeping.
class TCell : public TCellBasic {
 public:
  using TCellBasic::TCellBasic;
  IndentManager IMgr;
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

  TSectionList(IViewerControl* owner, pf::TWinControl* paintPanel);
  // The print copy (see the definition).
  explicit TSectionList(const TSectionList& source);
  ~TSectionList() override;
  TSectionList& operator=(const TSectionList&) = delete;

  bool ShowImages = true;
  bool Printing = false;  // the document paints for the printer (set by the print run)
  int32_t YOff = 0;
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
  std::function<void(TFormControlObj* control)> OnControlEnter;
  TPanelCreateEvent OnPanelCreate;
  TPanelDestroyEvent OnPanelDestroy;
  TPanelPrintEvent OnPanelPrint;

  IViewerControl* TheOwner;
  pf::TWinControl* PPanel;  // where windowed controls go; none: the document makes no windows

  pf::TBitmap* BackgroundBitmap = nullptr;
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
  TImageObj* ImageHovered = nullptr;
  TStyleList Styles;
  TDrawList DrawList;
  TIDNameList IDNameList;
  std::vector<TSectionBase*> PositionList;
  TStringBitmapList* BitmapList = nullptr;  // the viewer's image cache
  int32_t LayoutCounter = 0;
  bool IsCopy = false;
  pf::TStringList TabOrderList;  // sorted, duplicates accepted; objects are windowed controls
  bool ManyLinks = false;
  TInlineList* InlineList;  // owned unless this is a print copy
  float ScaleX = 1.0f, ScaleY = 1.0f;
  int32_t SectionCount = 0;          // the numbers given to finished sections
  int32_t ProgressStart = 75;        // the share of a load that reading the document reports
  ThtmlForm* CurrentForm = nullptr;  // the form whose elements are being read
  // Printing: the document y where the page being printed ends, and whether a line or row has already pulled it
  // up (then nothing else on the page moves it).
  int32_t PageBottom = 0;
  bool PageShortened = false;
  // Printing: each piece of a link drawn on the page, with its rectangle on the canvas.
  std::function<void(const TUrlTarget& link, const pf::TRect& rect)> OnLinkDrawn;
  // Where the next text line laid out reports its baseline, while it holds 0 (a list item's marker stands there).
  int32_t* PendingFirstBaseline = nullptr;

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

  // ---- layout, painting and queries (built with the layout) ----
  int32_t ComputeLayout(pf::TCanvas& canvas, const pf::TRect& clip, IndentManager& indents, int32_t x, int32_t y,
                        int32_t availWidth, int32_t availHeight, int32_t& curs, int32_t& maxWidth) override;
  int32_t Paint(pf::TCanvas& canvas, const pf::TRect& clip, IndentManager& indents, int32_t x, int32_t xRef,
                int32_t yRef) override;
  int GetLinkAt(pf::TCanvas& canvas, int32_t x, int32_t y, std::unique_ptr<TUrlTarget>& urlTarget,
                TFormControlObj*& formControl, std::string& title) override;
  int32_t MapToDocPos(int32_t sourcePos);

  // ---- IDocumentRoot ----
  bool GetYOfCharPos(int32_t charPos, int32_t& y) override;
  void AddToPositionList(TSectionBase* object) override { PositionList.push_back(object); }
  void SetLinksActive() override { LinksActive = true; }
  pf::TColor BackgroundColor() const override { return Background; }
  bool IsPrinting() const override { return Printing; }
  bool PrintMonoBlack() const override { return PrintMonochromeBlack; }
};

}  // namespace viewer
