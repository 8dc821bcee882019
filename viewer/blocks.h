// Blocks: the CSS boxes of the document (paragraph containers, DIV, lists and their items, the body, the wrappers
// of tables and rules), each with its own content cell.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/graphics/bitmap.h"
#include "platform/graphics/gdiplus.h"
#include "viewer/image_cache.h"
#include "viewer/section_list.h"

namespace viewer {

class ThtmlTable;

// A block's content.
class TBlockCell : public TCellBasic {
 public:
  using TCellBasic::TCellBasic;
  std::unique_ptr<IndentManager> OwnIMgr;  // an absolutely positioned block lays out with its own
  IndentManager* IMgr = nullptr;           // the manager of the last layout: the enclosing one, or OwnIMgr
  // Results of the last layout (document y): the summed height of the objects, the smallest drawn top, the largest
  // drawn bottom and the largest content bottom of the objects in the flow.
  int32_t CellHeight = 0;
  int32_t DrawTop = 0, DrawBottom = 0, ContentBottom = 0;

  // Lays the objects out one below the other from y with indents; maxWidth is the widest object. Returns the height.
  int32_t ComputeLayoutExtent(pf::TCanvas& canvas, const pf::TRect& clip, IndentManager& indents, int32_t x, int32_t y,
                              int32_t availWidth, int32_t availHeight, int32_t& curs, int32_t& maxWidth);
};

class TBlock : public TSectionBase {
 public:
  enum TPositioning : uint8_t { posStatic = 0, posAbsolute = 1, posRelative = 2 };
  // With overflow hidden, a given height of at least this many pixels is the content's exact height.
  static constexpr int32_t kMinClippedHeight = 4;

  // Reads the style (and the ID) of the element; the top margin collapses with what stands before it in ownerCell.
  TBlock(TSectionList* masterList, TProperties& prop, TCellBasic* ownerCell, const TAttributeList* attributes);
  ~TBlock() override;

  TBoxIntArray MargArray;  // the box in pixels
  std::unique_ptr<TBlockCell> MyCell;
  bool HasBorderStyle = false;
  uint8_t FloatLR = 0;    // 0 none, 5 left, 6 right
  uint8_t ClearAttr = 0;  // 0 none, 1 left, 2 right, 3 both
  TBackgroundPosition BGPos;
  uint8_t Positioning = posStatic;
  static constexpr uint8_t kHidden = 1;
  uint8_t Visibility = 2;         // kHidden: laid out but not painted; 2 visible
  bool ConvertedMargins = false;  // the bottom margin is the default one (a following block may take it over)
  bool PageBreakBefore = false, PageBreakAfter = false, KeepIntact = false;
  bool DisplayNone = false;
  bool ClipOverflow = false;
  TBoxVariantArray BoxValues;
  std::string TagClass;  // tag "." class
  std::string Title;
  bool IsListBlock = false;  // the block of an OL, UL, DIR or MENU list
  int32_t EmSize = 0, ExSize = 0;
  // Results of the layout.
  int32_t NewWidth = 0;                             // the content width
  int32_t ClearAddon = 0;                           // the room left above the block for the floats it clears
  int32_t Indent = 0;                               // the content's left edge relative to the x the block is given
  int32_t ContentBoxTop = 0, ContentBoxBottom = 0;  // the document y of the content's top and the y below it
  bool TilesStale = false;
  std::unique_ptr<TImageObj> BGImage;
  std::unique_ptr<pf::TBitmap> TileImage;      // the tiled background picture, or
  std::unique_ptr<pf::TGpBitmap> TileGpImage;  // the same from a GDI+ picture
  std::unique_ptr<pf::TBitmap> TileMask;
  pf::TRect TilePart;          // the part of the padding box that the tiles cover: all of it, or the band of a huge box
  int64_t TilePixelsKept = 0;  // the tiles' pixels counted in the document's WholeTilePixels
  bool TilesOpaque = false;
  std::unique_ptr<pf::TBitmap> BackgroundBuffer;
  int32_t OffsetTop = 0, OffsetLeft = 0;
  std::vector<TSectionBase*> MyZList;  // the content in painting order
  pf::TRect BorderBoxRect;

  // The bottom margin in pixels; isDefault marks it as the default margin.
  void SetBottomMargin(int32_t pixels, bool isDefault);

  // ---- layout, painting and queries ----
  std::unique_ptr<TSectionBase> CreateClone(TSectionList* ownerList) const override;
  void CollectSelectedText(SelTextCount& collector) override;
  int32_t ComputeLayout(pf::TCanvas& canvas, const pf::TRect& clip, IndentManager& indents, int32_t x, int32_t y,
                        int32_t availWidth, int32_t availHeight, int32_t& curs, int32_t& maxWidth) override;
  int32_t Paint(pf::TCanvas& canvas, const pf::TRect& clip, IndentManager& indents, int32_t x, int32_t xRef,
                int32_t yRef) override;
  int GetLinkAt(pf::TCanvas& canvas, int32_t x, int32_t y, std::unique_ptr<TUrlTarget>& urlTarget,
                TFormControlObj*& formControl, std::string& title) override;
  TIDObject* FindObjectAt(int32_t x, int32_t y, int32_t& position) override;
  int32_t GetPositionAtPoint(pf::TCanvas& canvas, int32_t x, int32_t y, bool& inText, int32_t& lineHeight,
                             int32_t& lineTop, int32_t& caretX) override;
  int32_t SearchForward(int32_t position, std::u16string_view text, bool matchCase) override;
  int32_t SearchBackward(int32_t position, std::u16string_view text, bool matchCase) override;
  int32_t MapToSourcePos(int32_t docPos) override;
  int32_t MapToDocPos(int32_t sourcePos, bool backwards) override;
  bool GetPositionXY(pf::TCanvas& canvas, int32_t docPos, int32_t& x, int32_t& y) override;
  bool ReadCharAt(int32_t docPos, char16_t& ch, TSectionBase*& object) override;
  void MeasureMinMaxWidth(pf::TCanvas& canvas, int32_t& minWidth, int32_t& maxWidth) override;
  void AddToPositionList() override;
  // Draws the block with its margin box at x, y (document coordinates); xRef, yRef: the corner that absolutely
  // positioned blocks are placed from.
  void PaintAt(pf::TCanvas& canvas, const pf::TRect& clip, IndentManager& indents, int32_t x, int32_t y, int32_t xRef,
               int32_t yRef);
  virtual void PaintBorder(pf::TCanvas& canvas, const pf::TRect& outer, const pf::TRect& inner);
  // The content width for the room the block is given.
  virtual int32_t ResolveContentWidth(pf::TCanvas& canvas, int32_t availWidth);

  // The horizontal margins, borders and paddings; the margins as resolved ("auto" counts 0 before the layout).
  int32_t LeftSpace() const;
  int32_t RightSpace() const;
  // Converts the box for the room; "top" and "left" become the offsets. autoMargin: a horizontal margin is "auto".
  void ConvertBox(int32_t availWidth, int32_t availHeight, bool& autoMargin);

 protected:
  // Table blocks and their wrappers collapse their top margin themselves, the wrapper registers no ID of its own.
  TBlock(TSectionList* masterList, TProperties& prop, TCellBasic* ownerCell, const TAttributeList* attributes,
         bool collapseTopMargin, bool registerId);
  // The print copy of source with a copy of its content for ownerList (laid out anew before it paints).
  TBlock(TSectionList* ownerList, const TBlock& source);
  // Merges the top margin with the bottom margin of what stands before the block in ownerCell.
  void CollapseTopMargin(TCellBasic* ownerCell);
  // Resolves "auto" horizontal margins: they share the room that width and the other spaces leave in availWidth.
  void ShareAutoMargins(int32_t availWidth, int32_t width);
  // The box converted for measuring (percentages of 400) and its horizontal margins, borders and paddings.
  TBoxIntArray MeasuringBox() const;
  static int32_t HorizontalSpaces(const TBoxIntArray& box);

  int32_t ContentMaxWidth = 0;  // the widest object of the content at the last layout

 private:
  // The content in painting order, each object learning the block as its owner.
  void BuildZList();
  // The corner that an absolutely positioned block is placed from: the content box of the nearest relative block
  // around it, the padding box of the nearest absolute one, else the document's origin.
  void ContainingCorner(int32_t& x, int32_t& y) const;
  // Paints the background colour and picture over the strip of the padding box that meets the clip band.
  void PaintBackground(pf::TCanvas& canvas, const pf::TRect& clip, const pf::TRect& paddingBox);

  bool topMarginIsDefault_ = false;
  int32_t contentX_ = 0;  // the document x of the content at the last layout
};

// Tiles the picture of image over a width x height box by the two position records (table cell backgrounds too):
// tileImage holds the tiles (black elsewhere) and tileMask is white where no tile covers the box, or a GDI+ picture
// goes into tileGpImage (transparent elsewhere); tilesOpaque: the tiles cover the box and need no mask. The tiles cover
// only the part of the box given (box co-ordinates), as they lie there, so a huge box costs what is painted. False,
// with nothing made, when the picture has no pixels to tile (no picture, or a side of 0) or the part is empty.
bool BuildTiledBackground(int32_t width, int32_t height, const TImageObj& image, const TBackgroundPosition& position,
                          std::unique_ptr<pf::TBitmap>& tileImage, std::unique_ptr<pf::TGpBitmap>& tileGpImage,
                          std::unique_ptr<pf::TBitmap>& tileMask, bool& tilesOpaque, const pf::TRect& part);
// Draws width x height of those tiles from their point source at (left, top): opaque tiles are copied, others go
// over what lies below through their mask; GDI+ tiles of a document being printed go through its print scale.
void DrawTiledBackground(pf::TCanvas& canvas, int32_t left, int32_t top, int32_t width, int32_t height,
                         pf::TBitmap* tileImage, pf::TGpBitmap* tileGpImage, pf::TBitmap* tileMask, bool tilesOpaque,
                         const TSectionList& document, pf::TPoint source = {0, 0});

// The text of a numbered list marker: the number in the style's digits, letters or roman numerals (letters past z
// stay z, numerals past 20 stay xx; numbers below 1 in decimal), at most 7 characters, with "." when shorter.
std::string MarkerText(TListStyleType style, int32_t number);

// A list item.
class TBlockLI : public TBlock {
 public:
  enum TItemKind : uint8_t { ikOrdered = 1, ikUnordered = 2, ikDefinition = 3, ikLoose = 4 };
  static constexpr int32_t kLooseItemMargin = 16;

  // listSymbol: OL, UL, DIR, MENU, DL, or the symbol of an item outside any list; level: the list nesting;
  // number: the item's number; numbering: the TYPE letter of an ordered list.
  TBlockLI(TSectionList* masterList, TProperties& prop, TCellBasic* ownerCell, THtmlSymbol listSymbol, int32_t number,
           int32_t level, bool plain, char numbering, const TAttributeList* attributes);
  TBlockLI(TSectionList* ownerList, const TBlockLI& source);
  ~TBlockLI() override;

  uint8_t ItemKind;
  int32_t ItemNumber;
  TListStyleType MarkerStyle = lsBlank;
  std::unique_ptr<TMyFont> MarkerFont;
  std::unique_ptr<TImageObj> MarkerImage;
  int32_t FirstBaseline = 0;

  std::unique_ptr<TSectionBase> CreateClone(TSectionList* ownerList) const override;
  int32_t ComputeLayout(pf::TCanvas& canvas, const pf::TRect& clip, IndentManager& indents, int32_t x, int32_t y,
                        int32_t availWidth, int32_t availHeight, int32_t& curs, int32_t& maxWidth) override;
  int32_t Paint(pf::TCanvas& canvas, const pf::TRect& clip, IndentManager& indents, int32_t x, int32_t xRef,
                int32_t yRef) override;
};

// The document body: its background becomes the document's.
class TBodyBlock : public TBlock {
 public:
  TBodyBlock(TSectionList* masterList, TProperties& prop, TCellBasic* ownerCell, const TAttributeList* attributes);
  TBodyBlock(TSectionList* ownerList, const TBodyBlock& source) : TBlock(ownerList, source) {}
  std::unique_ptr<TSectionBase> CreateClone(TSectionList* ownerList) const override;
  int32_t ComputeLayout(pf::TCanvas& canvas, const pf::TRect& clip, IndentManager& indents, int32_t x, int32_t y,
                        int32_t availWidth, int32_t availHeight, int32_t& curs, int32_t& maxWidth) override;
  int GetLinkAt(pf::TCanvas& canvas, int32_t x, int32_t y, std::unique_ptr<TUrlTarget>& urlTarget,
                TFormControlObj*& formControl, std::string& title) override;
  // The room less the body's margins, borders and padding.
  int32_t ResolveContentWidth(pf::TCanvas& canvas, int32_t availWidth) override;
};

// The block around a horizontal rule.
class THRBlock : public TBlock {
 public:
  static constexpr int32_t kMinRuleWidth = 15;
  using TBlock::TBlock;
  THRBlock(TSectionList* ownerList, const THRBlock& source) : TBlock(ownerList, source), Align(source.Align) {}
  uint8_t Align = 2;  // the rule's: 1 left, 2 center, 3 right
  std::unique_ptr<TSectionBase> CreateClone(TSectionList* ownerList) const override;
  int32_t ResolveContentWidth(pf::TCanvas& canvas, int32_t availWidth) override;
};

// The block that holds one table (the first object of its content cell).
class TTableBlock : public TBlock {
 public:
  static constexpr int32_t kMaxHSpace = 40, kMaxVSpace = 200;
  TTableBlock(TSectionList* masterList, TProperties& prop, TCellBasic* ownerCell, std::unique_ptr<ThtmlTable> table,
              const TAttributeList* attributes);
  TTableBlock(TSectionList* ownerList, const TTableBlock& source);

  ThtmlTable* Table;
  int32_t GivenWidth = 0;  // pixels, or per-mille with GivenWidthPercent
  bool GivenWidthPercent = false;
  pf::TColor TableBgColor = pf::clNone;
  bool TableHasBgColor = false;
  int32_t HSpaceAttr = 0, VSpaceAttr = 0;
  bool CaptionPresent = false;
  bool BevelBorder = false;  // the table's BORDER made the block's border
  uint8_t TableAlign = 0;    // 0 none, 2 centre, 3 right
  int32_t TableIndent = 0;   // how far a table between floats is moved right of the x it was given

  std::unique_ptr<TSectionBase> CreateClone(TSectionList* ownerList) const override;
  int32_t ComputeLayout(pf::TCanvas& canvas, const pf::TRect& clip, IndentManager& indents, int32_t x, int32_t y,
                        int32_t availWidth, int32_t availHeight, int32_t& curs, int32_t& maxWidth) override;
  int32_t Paint(pf::TCanvas& canvas, const pf::TRect& clip, IndentManager& indents, int32_t x, int32_t xRef,
                int32_t yRef) override;
  void MeasureMinMaxWidth(pf::TCanvas& canvas, int32_t& minWidth, int32_t& maxWidth) override;
  void AddToPositionList() override;
  void PaintBorder(pf::TCanvas& canvas, const pf::TRect& outer, const pf::TRect& inner) override;
  int32_t ResolveContentWidth(pf::TCanvas& canvas, int32_t availWidth) override;
  // The table's width in availWidth, where a percentage width is percentWidth per mille of it.
  int32_t ResolveTableWidth(pf::TCanvas& canvas, int32_t availWidth, int32_t percentWidth);

 private:
  void ReadAttributes(const TAttributeList& attributes, bool styleFloats, bool styleBackground);
};

// A table block together with its caption block.
class TTableAndCaptionBlock : public TBlock {
 public:
  TTableAndCaptionBlock(TSectionList* masterList, TProperties& prop, TCellBasic* ownerCell,
                        const TAttributeList* attributes, TTableBlock* tableBlock);
  TTableAndCaptionBlock(TSectionList* ownerList, const TTableAndCaptionBlock& source);

  bool CaptionOnTop = true;
  TTableBlock* InnerTable;
  TBlock* InnerCaption = nullptr;
  uint8_t CaptionAlign = 0;
  std::string WrapperID;

  // The wrapper's ID names the table block.
  void RegisterID();
  void SetCaptionBlock(TBlock* caption);

  std::unique_ptr<TSectionBase> CreateClone(TSectionList* ownerList) const override;
  void MeasureMinMaxWidth(pf::TCanvas& canvas, int32_t& minWidth, int32_t& maxWidth) override;
  int32_t ResolveContentWidth(pf::TCanvas& canvas, int32_t availWidth) override;
  int32_t MapToDocPos(int32_t sourcePos, bool backwards) override;
};

}  // namespace viewer
