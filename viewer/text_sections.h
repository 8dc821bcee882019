// A text section: one paragraph of flowing text with a break flag per character, its font runs, the pictures,
// panels and form controls standing in it, and the map from its characters back to the HTML source.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "viewer/font_runs.h"
#include "viewer/form_controls.h"
#include "viewer/image_cache.h"
#include "viewer/viewer_shared.h"

namespace viewer {

class TCellBasic;
class TPanelObj;

// Characters with a meaning of their own in a section's text.
constexpr char16_t kFormControlChar = 2;
constexpr char16_t kImageChar = 4;
constexpr char16_t kLineBreakChar = 8;
constexpr char16_t kNoBreakSpace = 0xA0;
constexpr char16_t kSoftHyphen = 0xAD;

// A picture, panel or form control stands at the character.
constexpr bool IsObjectChar(char16_t c) { return c == kImageChar || c == kFormControlChar; }

// One run of the source map: from text index Pos on, characters come from Index, Index + 1, ...
struct IndexObj {
  int32_t Pos;
  int32_t Index;
};

// One piece of an inline border on one line (filled by painting).
struct BorderRec {
  int32_t Start = 0, End = 0;
  bool OpenStart = false, OpenEnd = false;
  int32_t Top = 0, Left = 0, Right = 0, Bottom = 0;
  TBoxIntArray MargArray;
};

// One laid-out line of a section.
struct LineRec {
  int32_t Start = 0;  // the index of the line's first character
  int32_t SpaceBefore = 0, SpaceAfter = 0;
  int32_t LineHt = 0;
  int32_t DrawHeight = 0;
  int32_t Ln = 0;
  int32_t Descent = 0;
  int32_t LineIndent = 0;
  int32_t DrawX = 0;  // the document x where the last paint put the line's text
  int32_t LineWidth = 0;
  int32_t DrawY = 0;
  int32_t Spaces = 0, Extra = 0;
  TFreeList<BorderRec> BorderList;
  bool FirstDraw = false;
  bool Shy = false;
  int32_t FirstX = 0;
};

// What an open section asks of the reader that fills it.
class ISectionBuilder {
 public:
  virtual ~ISectionBuilder() = default;
  // The style in force (the top of the property stack).
  virtual TProperties& CurrentStyle() = 0;
  // Inside a NOWRAP cell: no character may break the line.
  virtual bool NoBreak() const = 0;
  // Small capitals: the properties of a SMALL element switched in and out.
  virtual void PushSmallCaps() = 0;
  virtual void PopSmallCaps() = 0;
};

class TSection : public TSectionBase {
 public:
  // An empty open section from the style and attributes (CLEAR, ID); urlTarget is the open link, if any; builder
  // is the reader that fills it. Only a section that begins a paragraph takes the style's text-indent.
  TSection(TSectionList* ownerList, const TAttributeList* attributes, TProperties& prop, const TUrlTarget* urlTarget,
           TCellBasic* cell, bool firstInParagraph, ISectionBuilder* builder);
  // The print copy of a finished section.
  TSection(TSectionList* ownerList, const TSection& source);
  ~TSection() override;

  int32_t SectionNumber = 0;
  int32_t ProgressCycle = 0;
  std::u16string Text;
  std::string BreakFlags;              // 'y' break, 'n' no break, 's' hyphenation point, 'a' break after
  std::vector<int32_t> SourceIndexes;  // one per character while the section is open
  int32_t SourceCapacity = 0;
  TFontList Fonts;
  TImageObjList Images;
  TFormControlList FormControls;
  TFreeList<IndexObj> SourceRuns;
  TFreeList<LineRec> Lines;
  uint8_t Justify = 1;    // 1 left, 2 center, 3 right, 4 justify
  uint8_t ClearAttr = 0;  // 0 none, 1 left, 2 right, 3 both
  int32_t LineHeight = -1;
  int32_t MinWidthCache = 0, MaxWidthCache = 0;
  int32_t TextIndent = 0;
  int32_t TextIndentPercent = 0;  // 1..90; 0 when the indent is no percentage
  bool BreakWord = false;
  int32_t RightRoom = 0;
  bool AnchorName = false;  // an anchor (A NAME) points into the section
  ISectionBuilder* Builder;

  const char16_t* TextPtr() const { return Text.c_str(); }
  virtual bool IsPreformatted() const { return false; }
  // Nothing that keeps an emptied section: no text, clear setting, picture, control or anchor.
  bool IsEmpty() const;

  std::unique_ptr<TSectionBase> CreateClone(TSectionList* ownerList) const override;
  // ---- layout, painting and queries ----
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

  // ---- line layout (text_layout.cpp) ----
  // What stands at a picture or control character: the object, its box width with both horizontal spaces, its
  // height without and its spaces, its alignment and the ID of its own style border (-1: none).
  struct TextObject {
    TFloatingObj* Image = nullptr;
    TFormControlObj* Control = nullptr;
    int32_t BoxWidth = 0;
    int32_t Height = 0;
    int32_t SpaceLeft = 0, SpaceRight = 0, SpaceTop = 0, SpaceBottom = 0;
    uint8_t Align = 4;
    int32_t BorderID = -1;
    bool IsFloat() const { return Image && (Align == 5 || Align == 6); }
    int32_t BoxHeight() const { return Height + SpaceTop + SpaceBottom; }
  };
  TextObject ObjectAt(int32_t index) const;
  // The end of the piece of text that starts at index: the next run start, picture or control character, or end.
  int32_t PieceEnd(int32_t index, int32_t end) const;
  // The width of count characters from start, piece by piece: a picture in the flow and a control with their
  // spaces (a floating picture adds nothing), text with its run's italic overhang once per piece. With
  // ignoreTrailing, closing blanks and line breaks are not counted.
  int32_t MeasureTextWidth(pf::TCanvas& canvas, int32_t start, int32_t count, bool ignoreTrailing);
  // The same without the overhangs: the drawn advances (hit tests).
  int32_t MeasureTextWidthInside(pf::TCanvas& canvas, int32_t start, int32_t count, bool ignoreTrailing);
  // How many of the maxCount characters from start fit on the line at y; a forced break ends the count and
  // belongs to it. Floats met on a line still empty are placed at y (their box height goes to maxFloatHeight);
  // later ones go to floatList, to be placed below the line.
  int32_t FindCountThatFits(pf::TCanvas& canvas, int32_t start, std::vector<TFloatingObj*>& floatList,
                            int32_t& maxFloatHeight, IndentManager& indents, int32_t y, int32_t maxCount);
  // Sizes a picture or panel of the text for the room (a picture in a link gets the link's border).
  void SizeObject(pf::TCanvas& canvas, TFloatingObj& object, int32_t availHeight, int32_t availWidth);
  // The width of the hyphen drawn at a hyphenation point, in the font of the run at index.
  int32_t HyphenWidth(pf::TCanvas& canvas, int32_t index);

  // ---- painting and queries (text_painting.cpp) ----
  // The right edge of each character of the line relative to its DrawX: drawn advances, pictures and controls with
  // their spaces, the line's justification applied.
  std::vector<int32_t> LineOffsets(pf::TCanvas& canvas, const LineRec& line);
  // The index of the line that holds text index index, -1 when none does.
  int LineAt(int32_t index) const;

  // ---- building ----
  virtual void AppendChar(char16_t ch, int32_t sourceIndex);
  virtual void AppendToken(const TokenObj& token);
  // Closes the section: the white-space rules, a trailing blank, the source map and the section number.
  virtual void FinishText(int32_t sourceIndex);

  // A new font run at a change of style; the run's vertical-align value (8 sub, 9 super, else 0).
  int StartFontRun(TProperties& prop);
  // The same at an anchor: the start symbol makes a link run of urlTarget, any other one ends the link's run.
  int StartLinkFontRun(TProperties& prop, THtmlSymbol symbol, const TUrlTarget& urlTarget);
  TImageObj* AddImage(const TAttributeList& attributes, TProperties& prop, int32_t sourceIndex);
  TPanelObj* AddPanel(const TAttributeList& attributes, TProperties& prop, int32_t sourceIndex);
  // A panel for an OBJECT element, not yet in the text.
  std::unique_ptr<TPanelObj> CreatePanel(const TAttributeList& attributes, TProperties& prop);
  TPanelObj* AddCreatedPanel(std::unique_ptr<TPanelObj> panel, int32_t sourceIndex);
  // The control of an INPUT, SELECT or TEXTAREA element (by its TYPE for INPUT).
  TFormControlObj* AddFormControl(THtmlSymbol tag, TAttributeList& attributes, TProperties& prop, int32_t sourceIndex);
  // WBR: the line may break after the last character.
  void AllowBreakAfterLast();
  // Removes the character at index (0-based) from the text, its flag and source index; later runs, pictures and
  // controls move back by one.
  void DeleteChar(int32_t index);
  // Before an empty section is discarded: its runs leave the link list, the section the ID list.
  void UnregisterFromLists();
  const IndexObj* GetSourceRun(int index) const { return SourceRuns[index]; }

 protected:
  // Appends chars with one source index each and the given break flag.
  void AppendChars(std::u16string_view chars, const int32_t* sourceIndexes, char flag);
  // Removes the characters whose drop entry is set, keeping everything that follows them in place.
  void RemoveChars(const std::vector<bool>& drop);
  // Marks the soft hyphens for removal; the character before each becomes a hyphenation point.
  void MarkSoftHyphens(std::vector<bool>& drop);
  // Turns the open buffers into their finished form and numbers the section.
  void FinishBuffers();
  // The link looks and link-list entry of a run that belongs to a link.
  void MakeLinkRun(TFontObj& run, TProperties& prop, bool wasLink);
  // The run that a change of style at the current end uses: the last one when it is still empty, else a new one.
  TFontObj& RunForStyleChange(TProperties& prop, bool& wasLink);
  int FinishRunStyle(TFontObj& run, TProperties& prop);

 private:
  // Every 50th section tells the viewer how far the layout has come, once per layout of the document.
  void ReportProgress();
  int32_t MeasureWidth(pf::TCanvas& canvas, int32_t start, int32_t count, bool ignoreTrailing, int32_t overhangs);
  void AppendSmallCaps(const std::u16string& text, const std::u16string& upper, const int32_t* sourceIndexes,
                       char flag);
  std::string idName_;  // the ID the section was registered under
};

}  // namespace viewer
