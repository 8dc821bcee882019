#include "viewer/html_tables.h"

#include <algorithm>

#include "platform/core/strings.h"

namespace viewer {

// Row order is the lookup order. A start-only row repeats its start symbol as end symbol; only the first 57 rows'
// end symbols are ever used.
const std::array<TagRow, TagRowCount> TagTable = {{
    {"HTML", HtmlSy, HtmlEndSy},
    {"TITLE", TitleSy, TitleEndSy},
    {"BODY", BodySy, BodyEndSy},
    {"HEAD", HeadSy, HeadEndSy},
    {"B", BSy, BEndSy},
    {"I", ISy, IEndSy},
    {"H", HeadingSy, HeadingEndSy},
    {"EM", EmSy, EmEndSy},
    {"STRONG", StrongSy, StrongEndSy},
    {"U", USy, UEndSy},
    {"CITE", CiteSy, CiteEndSy},
    {"VAR", VarSy, VarEndSy},
    {"TT", TTSy, TTEndSy},
    {"CODE", CodeSy, CodeEndSy},
    {"KBD", KbdSy, KbdEndSy},
    {"SAMP", SampSy, SampEndSy},
    {"OL", OLSy, OLEndSy},
    {"UL", ULSy, ULEndSy},
    {"DIR", DirSy, DirEndSy},
    {"MENU", MenuSy, MenuEndSy},
    {"DL", DLSy, DLEndSy},
    {"A", ASy, AEndSy},
    {"ADDRESS", AddressSy, AddressEndSy},
    {"BLOCKQUOTE", BlockQuoteSy, BlockQuoteEndSy},
    {"PRE", PreSy, PreEndSy},
    {"CENTER", CenterSy, CenterEndSy},
    {"TABLE", TableSy, TableEndSy},
    {"TD", TDSy, TDEndSy},
    {"TH", THSy, THEndSy},
    {"CAPTION", CaptionSy, CaptionEndSy},
    {"FORM", FormSy, FormEndSy},
    {"TEXTAREA", TextAreaSy, TextAreaEndSy},
    {"SELECT", SelectSy, SelectEndSy},
    {"OPTION", OptionSy, OptionEndSy},
    {"FONT", FontSy, FontEndSy},
    {"SUB", SubSy, SubEndSy},
    {"SUP", SupSy, SupEndSy},
    {"BIG", BigSy, BigEndSy},
    {"SMALL", SmallSy, SmallEndSy},
    {"P", PSy, PEndSy},
    {"MAP", MapSy, MapEndSy},
    {"FRAMESET", FrameSetSy, FrameSetEndSy},
    {"NOFRAMES", NoFramesSy, NoFramesEndSy},
    {"SCRIPT", ScriptSy, ScriptEndSy},
    {"DIV", DivSy, DivEndSy},
    {"S", SSy, SEndSy},
    {"STRIKE", StrikeSy, StrikeEndSy},
    {"TR", TRSy, TREndSy},
    {"NOBR", NoBrSy, NoBrEndSy},
    {"STYLE", StyleSy, StyleEndSy},
    {"SPAN", SpanSy, SpanEndSy},
    {"COLGROUP", ColGroupSy, ColGroupEndSy},
    {"LABEL", LabelSy, LabelEndSy},
    {"THEAD", THeadSy, THeadEndSy},
    {"TBODY", TBodySy, TBodyEndSy},
    {"TFOOT", TFootSy, TFootEndSy},
    {"OBJECT", ObjectSy, ObjectEndSy},
    {"LI", LISy, LISy},
    {"BR", BRSy, BRSy},
    {"HR", HRSy, HRSy},
    {"DD", DDSy, DDSy},
    {"DT", DTSy, DTSy},
    {"IMG", ImageSy, ImageSy},
    {"BASE", BaseSy, BaseSy},
    {"BUTTON", ButtonSy, ButtonSy},
    {"INPUT", InputSy, InputSy},
    {"SELECTED", SelectedSy, SelectedSy},
    {"BASEFONT", BaseFontSy, BaseFontSy},
    {"AREA", AreaSy, AreaSy},
    {"FRAME", FrameSy, FrameSy},
    {"PAGE", PageSy, PageSy},
    {"BGSOUND", BgSoundSy, BgSoundSy},
    {"WRAP", WrapSy, WrapSy},
    {"META", MetaSy, MetaSy},
    {"PANEL", PanelSy, PanelSy},
    {"WBR", WbrSy, WbrSy},
    {"LINK", LinkSy, LinkSy},
    {"COL", ColSy, ColSy},
    {"PARAM", ParamSy, ParamSy},
    {"READONLY", ReadonlySy, ReadonlySy},
}};

// Searched in row order, first match wins (VALUE stands twice).
const std::array<AttributeRow, AttributeRowCount> AttributeTable = {{
    {"HREF", HRefSy},
    {"NAME", NameSy},
    {"SRC", SrcSy},
    {"ALT", AltSy},
    {"ALIGN", AlignSy},
    {"TEXT", TextSy},
    {"BGCOLOR", BGColorSy},
    {"LINK", LinkSy},
    {"BACKGROUND", BackgroundSy},
    {"COLSPAN", ColSpanSy},
    {"ROWSPAN", RowSpanSy},
    {"BORDER", BorderSy},
    {"CELLPADDING", CellPaddingSy},
    {"CELLSPACING", CellSpacingSy},
    {"VALIGN", VAlignSy},
    {"WIDTH", WidthSy},
    {"START", StartSy},
    {"VALUE", ValueSy},
    {"TYPE", TypeSy},
    {"CHECKBOX", CheckBoxSy},
    {"RADIO", RadioSy},
    {"METHOD", MethodSy},
    {"ACTION", ActionSy},
    {"CHECKED", CheckedSy},
    {"SIZE", SizeSy},
    {"MAXLENGTH", MaxLengthSy},
    {"COLS", ColsSy},
    {"ROWS", RowsSy},
    {"MULTIPLE", MultipleSy},
    {"VALUE", ValueSy},
    {"SELECTED", SelectedSy},
    {"FACE", FaceSy},
    {"COLOR", ColorSy},
    {"TRANSP", TranspSy},
    {"CLEAR", ClearSy},
    {"ISMAP", IsMapSy},
    {"BORDERCOLOR", BorderColorSy},
    {"USEMAP", UseMapSy},
    {"SHAPE", ShapeSy},
    {"COORDS", CoordsSy},
    {"NOHREF", NoHrefSy},
    {"HEIGHT", HeightSy},
    {"PLAIN", PlainSy},
    {"TARGET", TargetSy},
    {"NORESIZE", NoResizeSy},
    {"SCROLLING", ScrollingSy},
    {"HSPACE", HSpaceSy},
    {"LANGUAGE", LanguageSy},
    {"FRAMEBORDER", FrameBorderSy},
    {"MARGINWIDTH", MarginWidthSy},
    {"MARGINHEIGHT", MarginHeightSy},
    {"LOOP", LoopSy},
    {"ONCLICK", OnClickSy},
    {"WRAP", WrapSy},
    {"NOSHADE", NoShadeSy},
    {"HTTP-EQUIV", HttpEqSy},
    {"CONTENT", ContentSy},
    {"ENCTYPE", EncTypeSy},
    {"VLINK", VLinkSy},
    {"OLINK", OLinkSy},
    {"ACTIVE", ActiveSy},
    {"VSPACE", VSpaceSy},
    {"CLASS", ClassSy},
    {"ID", IDSy},
    {"STYLE", StyleSy},
    {"REL", RelSy},
    {"REV", RevSy},
    {"NOWRAP", NoWrapSy},
    {"BORDERCOLORLIGHT", BorderColorLightSy},
    {"BORDERCOLORDARK", BorderColorDarkSy},
    {"CHARSET", CharSetSy},
    {"RATIO", RatioSy},
    {"TITLE", TitleSy},
    {"ONFOCUS", OnFocusSy},
    {"ONBLUR", OnBlurSy},
    {"ONCHANGE", OnChangeSy},
    {"SPAN", SpanSy},
    {"TABINDEX", TabIndexSy},
    {"BGPROPERTIES", BGPropertiesSy},
    {"DISABLED", DisabledSy},
    {"TOPMARGIN", TopMarginSy},
    {"LEFTMARGIN", LeftMarginSy},
    {"LABEL", LabelSy},
    {"READONLY", ReadonlySy},
}};

namespace {

struct CharsetRow {
  const char* Key;
  int Charset;
};

// Searched in row order for the first key that occurs in the name.
constexpr CharsetRow kCharsetTable[] = {
    {"1252", 0},         {"8859-1", 0},     {"1253", 161},      {"8859-7", 161},     {"1250", 238},
    {"8859-2", 31},      {"1251", 204},     {"8859-5", 204},    {"koi", 204},        {"866", 204},
    {"1254", 162},       {"8859-3", 162},   {"8859-9", 162},    {"1257", 186},       {"8859-4", 186},
    {"932", 128},        {"949", 129},      {"936", 134},       {"950", 136},        {"1255", 177},
    {"1256", 178},       {"1258", 163},     {"874", 222},       {"ansi", 0},         {"default", 1},
    {"symbol", 2},       {"shiftjis", 128}, {"shift_jis", 128}, {"x-sjis", 128},     {"hangeul", 129},
    {"gb2312", 134},     {"big5", 136},     {"oem", 255},       {"johab", 130},      {"hebrew", 177},
    {"arabic", 178},     {"greek", 161},    {"turkish", 162},   {"vietnamese", 163}, {"thai", 222},
    {"easteurope", 238}, {"russian", 204},  {"euc-kr", 129},    {"5601", 129},       {"euc-jp", EucJpCharset},
    {"8859-15", 0},      {"tis-620", 222},
};
static_assert(std::size(kCharsetTable) == 47);

// Base sizes of the steps 1..7 at a base size of 12.
constexpr std::array<double, 7> kProportionalBase = {8, 10, 12, 14, 18, 24, 36};
constexpr std::array<double, 7> kFixedBase = {7, 8, 10, 12, 15, 20, 30};

std::string LowerName(const char* name) { return pf::LowerCase(name); }

// The Shift-JIS pair of one JIS pair (both bytes with the high bit cleared).
void JisPairToShiftJis(uint8_t& lead, uint8_t& trail) {
  const int c1 = lead & 127, c2 = trail & 127;
  // Rows up to 0x5E give the lead bytes 0x81-0x9F, later rows 0xE0-0xEF (0xA0 is no lead byte).
  lead = static_cast<uint8_t>(c1 >= 33 && c1 <= 94 ? (c1 + 1) / 2 + 112 : (c1 + 1) / 2 + 176);
  if (c1 % 2 == 1) {
    trail = static_cast<uint8_t>(c2 + 31 + (c2 > 95 ? 1 : 0));
  } else {
    trail = static_cast<uint8_t>(c2 + 126);
  }
}

constexpr char kEsc = 27;

}  // namespace

std::array<double, 7> ProportionalFontSizes = kProportionalBase;
std::array<double, 7> FixedFontSizes = kFixedBase;

THtmlSymbol LookupTag(std::string_view name, bool endTag) {
  for (int i = 0; i < TagRowCount; ++i) {
    if (name != TagTable[static_cast<size_t>(i)].Name) continue;
    if (!endTag) return TagTable[static_cast<size_t>(i)].Start;
    return i < TagRowsWithEnd ? TagTable[static_cast<size_t>(i)].End : OtherTagSy;
  }
  return OtherTagSy;
}

THtmlSymbol LookupAttribute(std::string_view name) {
  for (const auto& row : AttributeTable)
    if (name == row.Name) return row.Symbol;
  return OtherAttributeSy;
}

std::string SymbolToTagName(THtmlSymbol sy) {
  for (const auto& row : TagTable)
    if (row.Start == sy) return LowerName(row.Name);
  return "";
}

std::string EndSymbolToTagName(THtmlSymbol sy) {
  for (int i = 0; i < TagRowsWithEnd; ++i)
    if (TagTable[static_cast<size_t>(i)].End == sy) return LowerName(TagTable[static_cast<size_t>(i)].Name);
  return "";
}

THtmlSymbol StartToEndSymbol(THtmlSymbol sy) {
  for (int i = 0; i < TagRowsWithEnd; ++i)
    if (TagTable[static_cast<size_t>(i)].Start == sy) return TagTable[static_cast<size_t>(i)].End;
  return HtmlSy;
}

bool LookupCharset(std::string_view name, int& charset) {
  const std::string lower = pf::LowerCase(name);
  for (const auto& row : kCharsetTable) {
    if (lower.find(row.Key) != std::string::npos) {
      charset = row.Charset;
      return true;
    }
  }
  return false;
}

void ScaleFontSizes(double baseSize) {
  for (size_t i = 0; i < 7; ++i) {
    ProportionalFontSizes[i] = baseSize * kProportionalBase[i] / 12;
    FixedFontSizes[i] = baseSize * kFixedBase[i] / 12;
  }
}

void EucJpToShiftJis(std::string& text) {
  bool haveLead = false;  // the byte before was a lead byte waiting for its trail byte
  for (size_t i = 0; i < text.size(); ++i) {
    const uint8_t b = static_cast<uint8_t>(text[i]);
    if (b < 161) {
      haveLead = false;  // a lone lead byte stays as it was
      continue;
    }
    if (!haveLead) {
      haveLead = true;
      continue;
    }
    uint8_t lead = static_cast<uint8_t>(text[i - 1]), trail = b;
    JisPairToShiftJis(lead, trail);
    text[i - 1] = static_cast<char>(lead);
    text[i] = static_cast<char>(trail);
    haveLead = false;
  }
}

std::string JisToShiftJis(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  bool doubleByte = false;
  size_t i = 0;
  while (i < text.size()) {
    if (text[i] == kEsc && i + 2 < text.size()) {
      const std::string_view escape = text.substr(i + 1, 2);
      if (escape == "(B" || escape == "(J" || escape == "$@" || escape == "$B") {
        doubleByte = escape[0] == '$';
        i += 3;
        continue;
      }
    }
    if (doubleByte && i + 1 < text.size()) {
      uint8_t lead = static_cast<uint8_t>(text[i] & 127), trail = static_cast<uint8_t>(text[i + 1] & 127);
      JisPairToShiftJis(lead, trail);
      out.push_back(static_cast<char>(lead));
      out.push_back(static_cast<char>(trail));
      i += 2;
    } else {
      out.push_back(static_cast<char>(text[i] & 127));
      ++i;
    }
  }
  return out;
}

bool IsJisEncoded(std::string_view text) {
  size_t start = std::min(text.find("\x1B$@"), text.find("\x1B$B"));
  if (start == std::string_view::npos) return false;
  return text.find("\x1B(J", start) != std::string_view::npos || text.find("\x1B(B", start) != std::string_view::npos;
}

}  // namespace viewer
