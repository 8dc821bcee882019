// The document builder: a recursive-descent reader over the token stream that turns it into blocks, text sections
// with their runs, links, pictures and controls, rules, tables and forms. Every block-level handler reads until a
// symbol of the closing set it was given, or its own end tag, and hands inline tokens to the common handler.
//
// Token discipline: a handler is entered with its start tag as the current token and returns with the first token
// it did not consume as the current token.
#pragma once

#include <bitset>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>

#include "viewer/blocks.h"
#include "viewer/html_parser.h"

namespace viewer {

class TTextAreaFormControlObj;
class TListBoxFormControlObj;
class ThtmlTable;
class TTableBlock;
class TTableAndCaptionBlock;
class TCellList;
class TCellObj;

using TSymbolSet = std::bitset<256>;
TSymbolSet SymbolSet(std::initializer_list<THtmlSymbol> symbols);
// A copy of a tag's attributes, for a handler that reads on before it needs them.
std::unique_ptr<TAttributeList> CopyAttributes(const TAttributeList& attributes);
// An ALIGN value as text-align ("middle" counts as center), where the style left it unset; other values change
// nothing.
void AssignAlign(TProperties& prop, const std::string& align);

// The span grid of one table with column specifications: a row string per row, one character per specified
// column, "o" free and "x" covered by a cell.
class TCellManager : public pf::TStringList {
 public:
  explicit TCellManager(ThtmlTable* table) : Table(table) {}
  ThtmlTable* Table;
  // The first free column of row (0-based), -1 when the row is full; the row after the last is made first.
  int FindColNum(int row);
  // Marks the slots the cell covers; a cell that finds fewer free slots than its span loses the difference.
  void AddCell(int row, TCellObj& cell);

 private:
  void AddRow();
};

class THtmlBuilder : public THtmlParseState {
 public:
  static constexpr int kMaxBlockDepth = 200;  // nested block elements; a deeper start tag is skipped
  static constexpr int kMaxTableDepth = 10;   // open tables; a deeper TABLE tag is skipped
  // Elements left open after their start tag (B, FONT, A, a wrapping PRE, BODY ... never closed); the start tag of
  // one more is skipped.
  static constexpr int kMaxOpenElements = 10000;
  static constexpr int kManyLinks = TSectionList::kManyLinks;

  using THtmlParseState::THtmlParseState;

  // The document loop; returns at a symbol of closing or at the end.
  void DoDocument(const TSymbolSet& closing);
  // Reads plain text into one preformatted block.
  void DoPlainText();

  // The next token (with blanks kept inside preformatted text).
  void NextToken();

 private:
  // ---- tokens ----
  // At the cap of open elements the start tag of an element that stays open is passed over (true).
  bool SkipAtOpenElementCap();
  // Passes over the current element: the raw content of SCRIPT and STYLE goes too.
  void Skip();
  THtmlSymbol Sy() const { return Tokenizer.Sy; }
  std::string AttributeText(THtmlSymbol symbol) const { return Tokenizer.Attributes.TextOf(symbol); }
  bool HasAttribute(THtmlSymbol symbol) const;

  // ---- sections and blocks ----
  std::unique_ptr<TSection> NewSection(const TAttributeList* attributes);
  // Opens a section in the current cell when none is open.
  TSection& EnsureSection();
  // Adds the open section to the current cell.
  void CloseSection();
  // Adds block to the current cell and makes its content current; returns it.
  TBlock* OpenBlock(std::unique_ptr<TBlock> block);
  // Ends what OpenBlock began: the section is closed, the content's last default margin passes to the block (with
  // dropMargin), parentCell becomes current again.
  void CloseBlock(TBlock* block, TCellBasic* parentCell, bool dropMargin);

  // ---- the document loop's handlers ----
  struct TListState {
    THtmlSymbol symbol;  // OL, UL, DIR, MENU, DL, ADDRESS, BLOCKQUOTE, or an item outside any list
    int32_t counter = 1;
    char numbering = '1';
    bool plain = false;
  };
  void DoCommon();
  void DoTitle();
  void DoBody();
  // Text, pictures, controls or blocks are in the body already (the open section counts).
  bool BodyHasContent() const;
  void DoBase();
  void DoLinkTag();
  void DoStyle();
  void DoMeta();
  void DoSound();
  void DoParagraph(const TSymbolSet& closing);
  void DoBreak(const TSymbolSet& closing);
  void DoHeading();
  void DoHorzLine();
  void DoInlineStyle();
  void DoFont();
  void DoAnchor();
  void EndLink();
  void DoText();
  void DoImage();
  void DoFormControl();
  void DoPreformatted();
  void DoLists(THtmlSymbol sy, const TSymbolSet& closing);
  void DoListItem(TListState& list, const TSymbolSet& closing);
  // The content of a list or list item up to a closing symbol; false when the current symbol is none of it.
  bool DoListContent(const TSymbolSet& closing);
  void DoDivision(THtmlSymbol sy, const TSymbolSet& closing);
  void DoForm(const TSymbolSet& closing);
  // A FORM's block with its form made current, and its end (the end tag consumed when it is the current token).
  TBlock* OpenForm();
  void CloseForm(TBlock* block, TCellBasic* parent, bool dropMargin);

  // ---- tables, form fields, scripts, objects and maps ----
  struct TTableState;
  void DoTable();
  void ReadTableContent(TTableState& table);
  void StartRow(TTableState& table, bool implied);
  void StartCell(TTableState& table);
  void DoCaption(TTableState& table);
  void ReadColumns(TTableState& table);
  void FinishCell(TTableState& table);
  void FinishRow(TTableState& table);
  // Puts the table together and adds it to its outer cell; also after an exception.
  void AssembleTable(TTableState& table) noexcept;
  void DoTextArea(TTextAreaFormControlObj& control);
  // Reads the options up to the list's end tag (and the token after it) or the tag that ends the list; answers the
  // source position where the list ended.
  int32_t DoSelect(TListBoxFormControlObj& control);
  void DoScript();
  void DoObject();
  void DoMap();

  // Counts nesting; beyond the cap a block element's start tag is passed over.
  class TDepth {
   public:
    explicit TDepth(int& depth) : depth_(depth) { ++depth_; }
    ~TDepth() { --depth_; }
    TDepth(const TDepth&) = delete;
    TDepth& operator=(const TDepth&) = delete;
    bool Exceeded() const { return depth_ > kMaxBlockDepth; }

   private:
    int& depth_;
  };
  // A table or heading inside PRE reads its content as ordinary text, in sections of its own; Resume, before its
  // end tag is consumed, gives the PRE its own reading back for the token after the element.
  class TOrdinaryReading {
   public:
    explicit TOrdinaryReading(bool& preformatted) : preformatted_(preformatted), saved_(preformatted) {
      preformatted_ = false;
    }
    ~TOrdinaryReading() { Resume(); }
    TOrdinaryReading(const TOrdinaryReading&) = delete;
    TOrdinaryReading& operator=(const TOrdinaryReading&) = delete;
    void Resume() { preformatted_ = saved_; }

   private:
    bool& preformatted_;
    bool saved_;
  };
  int blockDepth_ = 0;
  int tableDepth_ = 0;
  bool preformatted_ = false;  // tokens are read with blanks kept
  bool bodyRead_ = false;      // a BODY tag was taken
};

}  // namespace viewer
