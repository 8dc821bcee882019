// Character input and tokenizer of the HTML reader: reads the document or an included text, counts source
// positions, normalises line ends, drops comments and server-side sections, runs includes, decodes entities and
// delivers tags with their attributes, text runs as wide characters, and the end of the document.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/classes.h"
#include "platform/core/exceptions.h"
#include "viewer/html_tables.h"
#include "viewer/viewer_shared.h"

namespace viewer {

using pf::Exception;
// A document that cannot be read to its end (a comment left open).
PF_DECLARE_EXCEPTION(EParseError, Exception)

// A server-side include: the command, its parameters as "name=value" lines, and the text to read in its place
// (left empty: nothing is read).
using TIncludeHandler = std::function<void(const std::string& command, pf::TStringList& params, std::string& text)>;

// One parse at a time reads through one tokenizer; the builder reads its state between tokens.
class THtmlTokenizer {
 public:
  static constexpr std::string_view OpenCommentMessage = "Open Comment at End of HTML File";
  static constexpr int ProgressStep = 4096;  // document characters between two progress reports

  // Takes the document and goes to its start: NUL characters become spaces, at most 100 of them (the document is
  // cut before a 101st); a UTF-8 byte-order mark is removed and positions then start at 3 (byte offsets of the
  // file); an ISO-2022-JP document is converted to Shift-JIS.
  void SetDocument(std::string document);
  // Back to the first character, with nothing read (the building pass after the counting pass).
  void Rewind();

  // Reads the next character into LCh and Ch (see below), with comment, "<%", "<!" and include processing.
  void NextChar();
  // Skips spaces, tabs and line ends.
  void SkipSpaces();
  // Reads the next token into Sy (with HeadingLevel, Attributes, TagPosition or Token).
  void GetNextToken();
  // The same inside preformatted text: text runs keep every blank and end at a line end, which is a token of its
  // own (RawLineEndSy).
  void GetNextPreformattedToken();
  // At "&": appends the entity's character in codePage (at most one character; "?" where the code page lacks it),
  // or the text as written when it is none.
  void ReadEntity(int codePage, std::string& text);
  // SCRIPT, STYLE and TEXTAREA hold raw content: their start tag leaves its ">" as the current character.
  static bool HasRawContent(THtmlSymbol sy);
  // The raw content after such a start tag up to its end tag ("</" and name in any case, up to a blank, a line end
  // or ">"), with no comment or tag processing, line ends as CR LF, entities decoded in entityCodePage unless it is
  // 0. Afterwards the current character is the one after the end tag. Both passes of a parse read it so.
  std::string ReadRawContent(std::string_view name, int entityCodePage = 0);
  // The charset table for META and FONT: EUC-JP converts the rest of the document to Shift-JIS once and answers
  // Shift-JIS.
  bool LookupCharset(std::string_view name, int& charset);

  // The position counter: the source position of the last document character read.
  int32_t Position() const { return position_; }
  // The source position of the current character.
  int32_t CharPosition() const { return chPosition_; }
  // The code page of the text being read.
  int CodePage() const;

  // The current character as read, and upper-cased (ASCII letters only); 0 at the end. Line ends are one CR,
  // a tab is a space.
  unsigned char LCh = 0;
  unsigned char Ch = 0;
  THtmlSymbol Sy = EofSy;
  int HeadingLevel = 0;     // 1..6 for H and its end tag, else 0
  int32_t TagPosition = 0;  // the position of the last tag's "<"
  TokenObj Token;           // the text of a TextSy token
  TAttributeList Attributes;

  bool Counting = false;          // the counting pass: nothing is collected, no IDs, no progress, no includes
  bool RawMode = false;           // no "<!" or "<%" processing
  bool Utf8Document = false;      // the document began with a UTF-8 byte-order mark
  bool ShiftJisDocument = false;  // the document was converted from JIS or EUC-JP

  // The code page of the current element; when unset, that of the document (UTF-8 after a byte-order mark,
  // Shift-JIS after a conversion, else the system code page).
  std::function<int()> CurrentCodePage;
  // An ID attribute with a non-empty value and the position at which it was read.
  std::function<void(const std::string& id, int32_t position)> OnIdAttribute;
  // Every ProgressStep document characters: how many were read and the document's length.
  std::function<void(int64_t read, int64_t length)> OnProgress;
  TIncludeHandler OnInclude;

 private:
  struct Entity;
  unsigned char ReadRawChar();
  unsigned char PeekRawChar() const;
  void GetCh();
  void SkipServerSection();
  void SkipDeclaration();
  void SkipComment();
  void SkipCommentBody();
  void ReadInclude();
  std::string ReadIncludeValue();
  bool StartsTag() const;
  void ReadTag();
  bool ReadAttribute();
  void ReadQuotedValue(THtmlSymbol which, int32_t& value, std::string& text);
  void ReadUnquotedValue(bool numeric, int32_t& value, std::string& text);
  void ReadTextRun();
  void ReadPreformattedRun();
  bool ScanEntity(bool attribute, Entity& entity);
  void AddTextEntity();
  void FlushCollection();

  std::string document_;
  size_t documentPos_ = 0;
  std::string included_;
  size_t includedPos_ = 0;
  bool inIncluded_ = false;
  int32_t firstPosition_ = -1;
  int32_t position_ = -1;
  int32_t chPosition_ = -1;
  int lineEnd_ = 0;  // 0 none, 1 after CR, 2 after LF
  bool inComment_ = false;
  bool eucConverted_ = false;
  TCharCollection collection_;
};

}  // namespace viewer
