// The vocabulary of the HTML reader: the symbol code shared by start tags, end tags and attributes, the tag,
// attribute, entity and charset tables with their lookups, the font-size steps 1..7, and the converters of
// Japanese documents to Shift-JIS bytes.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace viewer {

// One byte. A tag and an attribute of the same name share a value; the numbers are fixed (other parts of the
// viewer store and compare them).
enum THtmlSymbol : uint8_t {
  HtmlSy = 0,
  TitleSy = 1,  // also the attribute TITLE
  BodySy = 2,
  HeadSy = 3,
  PSy = 4,
  PEndSy = 5,
  BSy = 6,
  BEndSy = 7,
  ISy = 8,
  IEndSy = 9,
  HtmlEndSy = 10,
  TitleEndSy = 11,
  BodyEndSy = 12,
  HeadEndSy = 13,
  BRSy = 14,
  HeadingSy = 15,  // H1..H6, the level kept beside the symbol
  HeadingEndSy = 16,
  EmSy = 17,
  EmEndSy = 18,
  StrongSy = 19,
  StrongEndSy = 20,
  USy = 21,
  UEndSy = 22,
  HRSy = 23,
  CiteSy = 24,
  VarSy = 25,
  CiteEndSy = 26,
  VarEndSy = 27,
  BaseSy = 28,
  TTSy = 29,
  CodeSy = 30,
  KbdSy = 31,
  SampSy = 32,
  TTEndSy = 33,
  CodeEndSy = 34,
  KbdEndSy = 35,
  SampEndSy = 36,
  OLSy = 37,
  OLEndSy = 38,
  LISy = 39,
  ULSy = 40,
  ULEndSy = 41,
  DirSy = 42,
  DirEndSy = 43,
  MenuSy = 44,
  MenuEndSy = 45,
  DLSy = 46,
  DLEndSy = 47,
  DDSy = 48,
  DTSy = 49,
  AddressSy = 50,
  AddressEndSy = 51,
  BlockQuoteSy = 52,
  BlockQuoteEndSy = 53,
  PreSy = 54,
  PreEndSy = 55,
  ImageSy = 56,
  CenterSy = 57,
  CenterEndSy = 58,
  OtherAttributeSy = 59,  // an attribute in no table
  ASy = 60,
  AEndSy = 61,
  HRefSy = 62,
  NameSy = 63,
  SrcSy = 64,
  AltSy = 65,
  AlignSy = 66,
  RawCharSy = 67,  // one character of raw TEXTAREA reading
  UnusedSy = 68,   // belongs to no name
  OtherTagSy = 69,
  TextSy = 70,  // a run of text; also the attribute TEXT
  EofSy = 71,
  LinkSy = 72,  // the tag and the attribute LINK
  BGColorSy = 73,
  BackgroundSy = 74,
  TableSy = 75,
  TableEndSy = 76,
  TDSy = 77,
  TDEndSy = 78,
  TRSy = 79,
  TREndSy = 80,
  THSy = 81,
  THEndSy = 82,
  ColSpanSy = 83,
  RowSpanSy = 84,
  BorderSy = 85,
  CellPaddingSy = 86,
  CellSpacingSy = 87,
  VAlignSy = 88,
  WidthSy = 89,
  CaptionSy = 90,
  CaptionEndSy = 91,
  StartSy = 92,
  ButtonSy = 93,
  InputSy = 94,
  ValueSy = 95,
  TypeSy = 96,
  CheckBoxSy = 97,
  RadioSy = 98,
  FormSy = 99,
  FormEndSy = 100,
  MethodSy = 101,
  ActionSy = 102,
  CheckedSy = 103,
  SizeSy = 104,
  MaxLengthSy = 105,
  TextAreaSy = 106,
  TextAreaEndSy = 107,
  ColsSy = 108,
  RowsSy = 109,
  SelectSy = 110,
  SelectEndSy = 111,
  OptionSy = 112,
  OptionEndSy = 113,
  SelectedSy = 114,  // the tag and the attribute SELECTED
  MultipleSy = 115,
  FontSy = 116,
  FontEndSy = 117,
  ColorSy = 118,
  FaceSy = 119,
  BaseFontSy = 120,
  TranspSy = 121,
  SubSy = 122,
  SubEndSy = 123,
  SupSy = 124,
  SupEndSy = 125,
  ClearSy = 126,
  IsMapSy = 127,
  BigSy = 128,
  BigEndSy = 129,
  SmallSy = 130,
  SmallEndSy = 131,
  BorderColorSy = 132,
  MapSy = 133,
  MapEndSy = 134,
  AreaSy = 135,
  ShapeSy = 136,
  CoordsSy = 137,
  NoHrefSy = 138,
  UseMapSy = 139,
  HeightSy = 140,
  PlainSy = 141,
  FrameSetSy = 142,
  FrameSetEndSy = 143,
  FrameSy = 144,
  TargetSy = 145,
  NoFramesSy = 146,
  NoFramesEndSy = 147,
  NoResizeSy = 148,
  ScrollingSy = 149,
  PageSy = 150,
  HSpaceSy = 151,
  VSpaceSy = 152,
  ScriptSy = 153,
  ScriptEndSy = 154,
  LanguageSy = 155,
  DivSy = 156,
  DivEndSy = 157,
  SSy = 158,
  SEndSy = 159,
  StrikeSy = 160,
  StrikeEndSy = 161,
  FrameBorderSy = 162,
  MarginWidthSy = 163,
  MarginHeightSy = 164,
  BgSoundSy = 165,
  LoopSy = 166,
  OnClickSy = 167,
  WrapSy = 168,  // the tag and the attribute WRAP
  NoShadeSy = 169,
  MetaSy = 170,
  HttpEqSy = 171,
  ContentSy = 172,
  EncTypeSy = 173,
  VLinkSy = 174,
  OLinkSy = 175,
  ActiveSy = 176,
  PanelSy = 177,
  NoBrSy = 178,
  NoBrEndSy = 179,
  WbrSy = 180,
  ClassSy = 181,
  IDSy = 182,
  StyleSy = 183,  // the tag and the attribute STYLE
  StyleEndSy = 184,
  SpanSy = 185,  // the tag and the attribute SPAN
  SpanEndSy = 186,
  LooseListItemSy = 187,  // the list kind of a list item outside any list
  RelSy = 188,
  RevSy = 189,
  NoWrapSy = 190,
  BorderColorLightSy = 191,
  BorderColorDarkSy = 192,
  CharSetSy = 193,
  RatioSy = 194,
  OnFocusSy = 195,
  OnBlurSy = 196,
  OnChangeSy = 197,
  ColSy = 198,
  ColGroupSy = 199,
  ColGroupEndSy = 200,
  TabIndexSy = 201,
  BGPropertiesSy = 202,
  DisabledSy = 203,
  TopMarginSy = 204,
  LeftMarginSy = 205,
  LabelSy = 206,  // the tag and the attribute LABEL
  LabelEndSy = 207,
  THeadSy = 208,
  TBodySy = 209,
  TFootSy = 210,
  THeadEndSy = 211,
  TBodyEndSy = 212,
  TFootEndSy = 213,
  ObjectSy = 214,
  ObjectEndSy = 215,
  ParamSy = 216,
  ReadonlySy = 217,    // the tag and the attribute READONLY
  RawLineEndSy = 218,  // a line end in raw TEXTAREA and SCRIPT reading
};

// Tag names (upper case) to symbols, in the table's order; the first TagRowsWithEnd rows have an end symbol, so a
// closing tag of a later row is an OtherTagSy.
constexpr int TagRowCount = 80;
constexpr int TagRowsWithEnd = 57;
struct TagRow {
  const char* Name;
  THtmlSymbol Start;
  THtmlSymbol End;  // meaningful for the first TagRowsWithEnd rows
};
extern const std::array<TagRow, TagRowCount> TagTable;

constexpr int AttributeRowCount = 84;
struct AttributeRow {
  const char* Name;
  THtmlSymbol Symbol;
};
extern const std::array<AttributeRow, AttributeRowCount> AttributeTable;

// name is upper case. Start tags take the row's start symbol, end tags the end symbol of the first 57 rows;
// OtherTagSy when no row fits.
THtmlSymbol LookupTag(std::string_view name, bool endTag);
// The first row of that name (upper case), else OtherAttributeSy.
THtmlSymbol LookupAttribute(std::string_view name);

// The lower-case name of the tag whose start (end) symbol is sy; empty when none.
std::string SymbolToTagName(THtmlSymbol sy);
std::string EndSymbolToTagName(THtmlSymbol sy);
// The end symbol that belongs to start symbol sy, 0 when none.
THtmlSymbol StartToEndSymbol(THtmlSymbol sy);

// Charset values that are no Windows character sets.
constexpr int EucJpCharset = 30;      // the reader converts the rest of the document to Shift-JIS (charset 128)
constexpr int Iso8859_2Charset = 31;  // the style properties keep the charset they had
constexpr int ShiftJisCharset = 128;
// True and the charset of the first key that occurs in the lower-cased name; false and charset unchanged
// otherwise ("text/html; charset=iso-8859-15" gives 0: "8859-1" comes first).
bool LookupCharset(std::string_view name, int& charset);

// The character entities: case-sensitive names with their code points, looked up by bisection.
class TCaseSensitiveStringList {
 public:
  struct Entry {
    std::string_view Name;
    int Code;
  };
  explicit TCaseSensitiveStringList(std::initializer_list<Entry> entries);
  // True and the code point when name is one of the entries exactly.
  bool Find(std::string_view name, int& code) const;
  int Count() const { return static_cast<int>(entries_.size()); }

 private:
  std::vector<Entry> entries_;  // sorted by name, bytewise
};
// The 252 entities of HTML 4.01 and "apos" (U+2019), built on first use.
const TCaseSensitiveStringList& EntityList();

// The font sizes of the HTML size steps 1..7 (index 0 is step 1) for the current base size, proportional and fixed
// pitch; both start at a base size of 12.
extern std::array<double, 7> ProportionalFontSizes;
extern std::array<double, 7> FixedFontSizes;
// Entry i of each table becomes baseSize x its base value / 12.
void ScaleFontSizes(double baseSize);

// EUC-JP bytes to Shift-JIS bytes of the same length.
void EucJpToShiftJis(std::string& text);
// ISO-2022-JP (JIS) to Shift-JIS; the escape sequences are dropped.
std::string JisToShiftJis(std::string_view text);
// An ESC "$@" or ESC "$B" followed later by ESC "(J" or ESC "(B".
bool IsJisEncoded(std::string_view text);

}  // namespace viewer
