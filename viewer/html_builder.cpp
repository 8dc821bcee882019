#include "viewer/html_builder.h"

#include <algorithm>

#include "platform/core/codepage.h"
#include "platform/core/files.h"
#include "platform/core/strings.h"
#include "viewer/panels.h"
#include "viewer/rules_and_preformatted.h"
#include "viewer/style_sheet_parser.h"
#include "viewer/url_routines.h"

namespace viewer {

namespace {

constexpr int32_t kMaxBodyMargin = 200;
constexpr int kMinFontStep = 1, kMaxFontStep = 7;

// Text and the inline elements the document loop hands to DoCommon.
const TSymbolSet kInlineGroup = SymbolSet(
    {BSy,         BEndSy,      ISy,        IEndSy,     BRSy,    HeadingSy, HeadingEndSy, EmSy,       EmEndSy,
     StrongSy,    StrongEndSy, USy,        UEndSy,     HRSy,    CiteSy,    VarSy,        CiteEndSy,  VarEndSy,
     TTSy,        CodeSy,      KbdSy,      SampSy,     TTEndSy, CodeEndSy, KbdEndSy,     SampEndSy,  PreSy,
     ImageSy,     ASy,         AEndSy,     HRefSy,     NameSy,  TableSy,   InputSy,      TextAreaSy, TextAreaEndSy,
     SelectSy,    FontSy,      FontEndSy,  BaseFontSy, SubSy,   SubEndSy,  SupSy,        SupEndSy,   BigSy,
     BigEndSy,    SmallSy,     SmallEndSy, MapSy,      PageSy,  ScriptSy,  SSy,          SEndSy,     StrikeSy,
     StrikeEndSy, PanelSy,     NoBrSy,     NoBrEndSy,  WbrSy,   SpanSy,    SpanEndSy,    LabelSy,    LabelEndSy,
     ObjectSy,    ObjectEndSy});
// A paragraph ends at a heading, a rule, preformatted text and a table.
const TSymbolSet kParagraphGroup = kInlineGroup & ~SymbolSet({HeadingSy, HeadingEndSy, HRSy, PreSy, TableSy});
// A heading holds no other heading.
const TSymbolSet kHeadingGroup = kInlineGroup & ~SymbolSet({HeadingSy, HeadingEndSy});
const TSymbolSet kListItems = SymbolSet({LISy, DDSy, DTSy});
const TSymbolSet kListEnds = SymbolSet({OLEndSy, ULEndSy, DirEndSy, MenuEndSy, DLEndSy});
const TSymbolSet kNestedLists = SymbolSet({OLSy, ULSy, DirSy, MenuSy, DLSy});
// A CENTER, FORM or DIV inside a list also ends at the list's items and ends.
const TSymbolSet kListDivisionEnds = kListItems | kListEnds | SymbolSet({EofSy});

bool IsInlineStyle(THtmlSymbol sy) {
  static const TSymbolSet styles =
      SymbolSet({BSy,    BEndSy,    ISy,      IEndSy,      USy,    UEndSy,    EmSy,    EmEndSy,   StrongSy, StrongEndSy,
                 CiteSy, CiteEndSy, VarSy,    VarEndSy,    TTSy,   TTEndSy,   CodeSy,  CodeEndSy, KbdSy,    KbdEndSy,
                 SampSy, SampEndSy, SubSy,    SubEndSy,    SupSy,  SupEndSy,  BigSy,   BigEndSy,  SmallSy,  SmallEndSy,
                 SSy,    SEndSy,    StrikeSy, StrikeEndSy, SpanSy, SpanEndSy, LabelSy, LabelEndSy});
  return styles[sy];
}

// The text of a linked sheet, line ends as CR and tabs as blanks, as the sheet reader takes it.
std::string SheetText(pf::TStringList& lines) {
  std::string text = lines.Text();
  std::erase(text, '\n');
  std::replace(text.begin(), text.end(), '\t', ' ');
  return text;
}

}  // namespace

TSymbolSet SymbolSet(std::initializer_list<THtmlSymbol> symbols) {
  TSymbolSet set;
  for (THtmlSymbol sy : symbols) set.set(sy);
  return set;
}

void AssignAlign(TProperties& prop, const std::string& align) {
  std::string a = pf::LowerCase(pf::Trim(align));
  if (a == "middle" || a == "absmiddle") a = "center";
  if (a == "left" || a == "center" || a == "right" || a == "justify") prop.AssignIfNotSet(piTextAlign, a);
}

std::unique_ptr<TAttributeList> CopyAttributes(const TAttributeList& attributes) {
  auto copy = std::make_unique<TAttributeList>();
  for (int i = 0; i < attributes.Count(); ++i) copy->Add(std::make_unique<TAttribute>(*attributes[i]));
  return copy;
}

// ---- tokens ----

void THtmlBuilder::NextToken() {
  if (preformatted_)
    Tokenizer.GetNextPreformattedToken();
  else
    Tokenizer.GetNextToken();
}

void THtmlBuilder::Skip() {
  if (Sy() == StyleSy) {
    DoStyle();
  } else if (Sy() == ScriptSy) {
    DoScript();
  } else {
    if (Sy() == TextAreaSy) Tokenizer.ReadRawContent("textarea");
    NextToken();
  }
}

bool THtmlBuilder::SkipAtOpenElementCap() {
  if (PropStack.Count() < kMaxOpenElements) return false;
  NextToken();
  return true;
}

bool THtmlBuilder::HasAttribute(THtmlSymbol symbol) const {
  TAttribute* attribute = nullptr;
  return Tokenizer.Attributes.FindSymbol(symbol, attribute);
}

// ---- sections and blocks ----

std::unique_ptr<TSection> THtmlBuilder::NewSection(const TAttributeList* attributes) {
  const bool first = CurrentCell->Count() == 0;
  const TUrlTarget* link = InLink ? &CurrentUrlTarget : nullptr;
  if (preformatted_)
    return std::make_unique<TPreFormated>(SectionList, attributes, Top(), link, CurrentCell, first, this);
  return std::make_unique<TSection>(SectionList, attributes, Top(), link, CurrentCell, first, this);
}

TSection& THtmlBuilder::EnsureSection() {
  if (!CurrentSection) CurrentSection = NewSection(nullptr);
  return *CurrentSection;
}

void THtmlBuilder::CloseSection() {
  if (CurrentSection) CurrentCell->Add(std::move(CurrentSection), Tokenizer.TagPosition);
}

TBlock* THtmlBuilder::OpenBlock(std::unique_ptr<TBlock> block) {
  TBlock* opened = block.get();
  CurrentCell->Add(std::move(block), Tokenizer.TagPosition);
  CurrentCell = opened->MyCell.get();
  return opened;
}

void THtmlBuilder::CloseBlock(TBlock* block, TCellBasic* parentCell, bool dropMargin) {
  CloseSection();
  // The content's last default margin moves out to the block, unless the block has a margin of its own.
  if (dropMargin && block->MyCell->DropLastBottomMargin()) {
    const int32_t own = IntOf(block->BoxValues[piMarginBottom], UnsetBoxValue);
    if (own == UnsetBoxValue || own == DefaultVerticalMargin)
      block->SetBottomMargin(kDefaultVerticalMarginPixels, true);
  }
  CurrentCell = parentCell;
}

// ---- the document loop ----

void THtmlBuilder::DoDocument(const TSymbolSet& closing) {
  while (Sy() != EofSy) {
    const THtmlSymbol sy = Sy();
    if (closing[sy]) return;
    switch (sy) {
      case TitleSy:
        DoTitle();
        break;
      case BodySy:
        DoBody();
        break;
      case PSy:
        DoParagraph(closing);
        break;
      case OLSy:
      case ULSy:
      case DirSy:
      case MenuSy:
      case DLSy:
        DoLists(sy, closing);
        break;
      case LISy:
      case DDSy:
      case DTSy: {
        TListState loose{sy == LISy ? LooseListItemSy : DLSy};
        DoListItem(loose, closing);
        break;
      }
      case AddressSy:
      case BlockQuoteSy:
      case CenterSy:
      case FormSy:
      case DivSy:
        DoDivision(sy, closing);
        break;
      case FormEndSy:
        SectionList->CurrentForm = nullptr;
        NextToken();
        break;
      case PreEndSy:  // the end of a PRE that wraps like a block
        CloseSection();
        PopTagProperties("pre");
        NextToken();
        break;
      case BaseSy:
        DoBase();
        break;
      case LinkSy:
        DoLinkTag();
        break;
      case StyleSy:
        DoStyle();
        break;
      case BgSoundSy:
        DoSound();
        break;
      case MetaSy:
        DoMeta();
        break;
      default:
        if (sy == TextSy || kInlineGroup[sy])
          DoCommon();
        else
          Skip();
        break;
    }
  }
}

void THtmlBuilder::DoCommon() {
  const THtmlSymbol sy = Sy();
  if (IsInlineStyle(sy)) {
    DoInlineStyle();
    return;
  }
  switch (sy) {
    case TextSy:
      DoText();
      break;
    case FontSy:
    case BaseFontSy:
      DoFont();
      break;
    case FontEndSy:
      PopTagProperties("font");
      if (CurrentSection) CurrentSection->StartFontRun(Top());
      NextToken();
      break;
    case BRSy:
      DoBreak(TSymbolSet());
      break;
    case HeadingSy:
      DoHeading();
      break;
    case HRSy:
      DoHorzLine();
      break;
    case PreSy:
      DoPreformatted();
      break;
    case ImageSy:
    case PanelSy:
      DoImage();
      break;
    case ASy:
      DoAnchor();
      break;
    case AEndSy:
      EndLink();
      NextToken();
      break;
    case TableSy:
      DoTable();
      break;
    case InputSy:
    case TextAreaSy:
    case SelectSy:
      DoFormControl();
      break;
    case MapSy:
      DoMap();
      break;
    case PageSy:
      CloseSection();
      CurrentCell->Add(std::make_unique<TPage>(SectionList), Tokenizer.TagPosition);
      NextToken();
      break;
    case ScriptSy:
      DoScript();
      break;
    case ObjectSy:
      DoObject();
      break;
    case NoBrSy:
    case NoBrEndSy:
      NoBreakFlag = sy == NoBrSy;
      NextToken();
      break;
    case WbrSy:
      if (CurrentSection) CurrentSection->AllowBreakAfterLast();
      NextToken();
      break;
    default:
      Skip();
      break;
  }
}

// ---- head elements ----

void THtmlBuilder::DoTitle() {
  std::u16string title;
  for (NextToken(); Sy() == TextSy; NextToken()) title += Tokenizer.Token.GetText();
  if (Result) {
    Result->TitleWide = title;
    Result->Title = WideToAnsiInCodePage(title, pf::SystemCodePage);
  }
}

void THtmlBuilder::DoBase() {
  if (Result) {
    if (HasAttribute(HRefSy)) Result->Base = AttributeText(HRefSy);
    if (HasAttribute(TargetSy)) Result->BaseTarget = AttributeText(TargetSy);
  }
  NextToken();
}

void THtmlBuilder::DoLinkTag() {
  const std::string href = AttributeText(HRefSy), rel = AttributeText(RelSy), rev = AttributeText(RevSy);
  if (pf::SameText(rel, "stylesheet") && !href.empty() && Viewer) {
    pf::TStringList lines;
    std::string base;
    auto loadFile = [&](const std::string& name) {
      // A sheet that is missing or cannot be read is left out; the page is built without it.
      if (!pf::FileExists(name)) return false;
      try {
        lines.LoadFromFile(name);
      } catch (const pf::Exception&) {
        return false;
      }
      base = pf::ExtractFilePath(pf::ResolvePath(name));
      return true;
    };
    auto loadStream = [&](const std::string& src) {
      pf::TMemoryStream* stream = nullptr;
      Viewer->OnhtStreamRequest(Sender(), src, stream);
      if (!stream) return false;
      stream->SetPosition(0);
      lines.LoadFromStream(*stream);
      return true;
    };
    bool loaded = false;
    if (!Viewer->OnhtStreamRequest) {
      loaded = loadFile(Viewer->ExpandFileName(href));
    } else if (!SectionList->OnExpandName) {
      loaded = loadStream(href) || loadFile(Viewer->ExpandFileName(href));
    } else {
      std::string expanded;
      SectionList->OnExpandName(Sender(), href, expanded);
      base = GetUrlBase(expanded);
      loaded = loadStream(expanded);
    }
    const std::string text = loaded ? SheetText(lines) : "";
    if (!text.empty()) {
      size_t at = 1;
      char ch = text[0];
      ParseStyleSheet(
          SectionList->Styles, ch, [&]() { return at < text.size() ? text[at++] : '\0'; }, true, base);
    }
  }
  if (OnLink) OnLink(Sender(), rel, rev, href);
  NextToken();
}

void THtmlBuilder::DoStyle() {
  // The content up to the end tag, raw, so that the comment wrapper reaches the sheet reader.
  const std::string sheet = Tokenizer.ReadRawContent("style");
  if (!sheet.empty()) {
    size_t at = 1;
    char ch = sheet[0];
    ParseStyleSheet(
        SectionList->Styles, ch, [&]() { return at < sheet.size() ? sheet[at++] : '\0'; }, false, "");
  }
  NextToken();
}

void THtmlBuilder::DoMeta() {
  const std::string httpEquiv = AttributeText(HttpEqSy), name = AttributeText(NameSy),
                    content = AttributeText(ContentSy);
  if (!Tokenizer.Utf8Document && Viewer && pf::SameText(httpEquiv, "content-type")) {
    int charset = 0;
    if (Tokenizer.LookupCharset(content, charset))
      Top().ApplyCharSet(charset);
    else if (pf::LowerCase(content).find("utf-8") != std::string::npos)
      Top().SetUtf8CodePage();
    Viewer->SetCodePage(Top().CodePage);
  }
  if (OnMeta) OnMeta(Sender(), httpEquiv, name, content);
  NextToken();
}

void THtmlBuilder::DoSound() {
  TAttribute* loop = nullptr;
  if (OnSoundRequest && HasAttribute(SrcSy))
    OnSoundRequest(Sender(), AttributeText(SrcSy), Tokenizer.Attributes.FindSymbol(LoopSy, loop) ? loop->Value : 1,
                   false);
  NextToken();
}

bool THtmlBuilder::BodyHasContent() const {
  auto* body = dynamic_cast<TBodyBlock*>(SectionList->Count() > 0 ? (*SectionList)[0] : nullptr);
  if (!body || body->MyCell->Count() > 0 || !SectionList->FormControlList.empty()) return true;
  const TSection* open = CurrentSection.get();
  return open &&
         (open->Text.find_first_not_of(u' ') != std::u16string::npos || open->Images.Count() > 0 || open->AnchorName);
}

void THtmlBuilder::DoBody() {
  // Only the first BODY counts, and only while nothing was built: a later one would take the text and controls
  // read so far out of the document.
  if (bodyRead_ || BodyHasContent() || tableDepth_ > 0) {
    NextToken();
    return;
  }
  if (SkipAtOpenElementCap()) return;
  bodyRead_ = true;
  SectionList->ClearControlLists();
  if (CurrentSection) {
    CurrentSection->UnregisterFromLists();
    CurrentSection.reset();
  }
  auto attributes = CopyAttributes(Tokenizer.Attributes);
  TProperties& prop = PushTagProperties("body", *attributes);
  int32_t marginHeight = SectionList->MarginHeight, marginWidth = SectionList->MarginWidth;
  for (int i = 0; i < attributes->Count(); ++i) {
    const TAttribute& a = *(*attributes)[i];
    pf::TColor color = 0;
    const bool isColor = ParseColorValue(a.Text, false, color);
    switch (a.Which) {
      case BGColorSy:
        if (isColor) prop.AssignIfNotSet(piBackgroundColor, static_cast<int32_t>(color));
        break;
      case TextSy:
        if (isColor) prop.AssignIfNotSet(piColor, static_cast<int32_t>(color));
        break;
      case LinkSy:
      case VLinkSy:
      case OLinkSy:
        if (!isColor) break;
        SectionList->Styles.SetPseudoClassColor(a.Which == LinkSy    ? "link"
                                                : a.Which == VLinkSy ? "visited"
                                                                     : "hover",
                                                color);
        if (a.Which == OLinkSy) SectionList->LinksActive = true;
        break;
      case BackgroundSy:
        prop.AssignIfNotSet(piBackgroundImage, "url(" + a.Text + ")");
        break;
      case BGPropertiesSy:
        if (pf::SameText(a.Text, "fixed")) prop.AssignIfNotSet(piBackgroundAttachment, std::string("fixed"));
        break;
      case MarginHeightSy:
      case TopMarginSy:
        marginHeight = std::clamp(a.Value, 0, kMaxBodyMargin);
        break;
      case MarginWidthSy:
      case LeftMarginSy:
        marginWidth = std::clamp(a.Value, 0, kMaxBodyMargin);
        break;
      default:
        break;
    }
  }
  prop.AssignIfNotSet(piMarginTop, marginHeight);
  prop.AssignIfNotSet(piMarginBottom, marginHeight);
  prop.AssignIfNotSet(piMarginLeft, marginWidth);
  prop.AssignIfNotSet(piMarginRight, marginWidth);
  // The first body block gives way to the body element's own.
  SectionList->Delete(0);
  auto newBody = std::make_unique<TBodyBlock>(SectionList, prop, SectionList, attributes.get());
  newBody->OwnerList = SectionList;
  CurrentCell = newBody->MyCell.get();
  SectionList->Insert(0, std::move(newBody));
  CurrentSection = NewSection(nullptr);
  NextToken();
}

// ---- paragraphs, breaks, headings, rules ----

void THtmlBuilder::DoParagraph(const TSymbolSet& closing) {
  if (closing[PSy]) return;
  TDepth depth(blockDepth_);
  if (depth.Exceeded()) {
    NextToken();
    return;
  }
  CloseSection();
  auto attributes = CopyAttributes(Tokenizer.Attributes);
  for (NextToken(); Sy() == PSy || Sy() == PEndSy; NextToken())
    if (Sy() == PSy) attributes = CopyAttributes(Tokenizer.Attributes);
  TCellBasic* parent = CurrentCell;
  TProperties& prop = PushTagProperties("p", *attributes);
  AssignAlign(prop, attributes->TextOf(AlignSy));
  TBlock* block = OpenBlock(std::make_unique<TBlock>(SectionList, prop, CurrentCell, attributes.get()));
  while (!closing[Sy()]) {
    if (Sy() == TextSy || kParagraphGroup[Sy()])
      DoCommon();
    else if (Sy() == OtherTagSy)
      NextToken();
    else
      break;
  }
  if (Sy() == TableSy) block->SetBottomMargin(0, false);
  CloseBlock(block, parent, false);
  PopTagProperties("p");
  if (Sy() == PEndSy) NextToken();
}

void THtmlBuilder::DoBreak(const TSymbolSet& closing) {
  if (closing[BRSy]) return;
  auto attributes = CopyAttributes(Tokenizer.Attributes);
  const bool clear = HasAttribute(ClearSy);
  if (!clear) EnsureSection().AppendChar(kLineBreakChar, Tokenizer.TagPosition);
  TProperties& prop = PushTagProperties("br", *attributes);
  bool before = false, after = false, inside = false;
  prop.GetPageBreaks(before, after, inside);
  int styleClear = 0;
  const bool clearsByStyle = prop.GetClear(styleClear);
  PopTagProperties("br");
  CloseSection();
  if (before || after) CurrentCell->Add(std::make_unique<TPage>(SectionList), Tokenizer.TagPosition);
  // The text after the break has the style in force around the BR; of the BR's own style only its clear counts.
  CurrentSection = NewSection(clear ? attributes.get() : nullptr);
  if (clearsByStyle) CurrentSection->ClearAttr = static_cast<uint8_t>(styleClear);
  NextToken();
}

void THtmlBuilder::DoHeading() {
  const int level = Tokenizer.HeadingLevel;
  TDepth depth(blockDepth_);
  if (level < 1 || level > 6 || depth.Exceeded()) {
    NextToken();
    return;
  }
  CloseSection();
  TOrdinaryReading ordinary(preformatted_);
  auto attributes = CopyAttributes(Tokenizer.Attributes);
  const std::string tag = "h" + pf::IntToStr(level);
  TCellBasic* parent = CurrentCell;
  TProperties& prop = PushTagProperties(tag, *attributes);
  AssignAlign(prop, attributes->TextOf(AlignSy));
  NextToken();
  if (Sy() == CenterSy) {  // over the heading's own text-align, also one of a style rule
    prop.AssignByIndex(piTextAlign, "center");
    NextToken();
  }
  TBlock* block = OpenBlock(std::make_unique<TBlock>(SectionList, prop, CurrentCell, attributes.get()));
  CurrentSection = NewSection(nullptr);
  for (;;) {
    if (Sy() == TextSy || kHeadingGroup[Sy()])
      DoCommon();
    else if (Sy() == PSy)
      DoParagraph(TSymbolSet());
    else if (Sy() == DivSy)
      DoDivision(DivSy, TSymbolSet());
    else
      break;
  }
  CloseBlock(block, parent, false);
  PopTagProperties(tag);
  ordinary.Resume();
  if (Sy() == HeadingEndSy) NextToken();
}

void THtmlBuilder::DoHorzLine() {
  CloseSection();
  TProperties& prop = PushTagProperties("hr", Tokenizer.Attributes);
  auto line = std::make_unique<THorzLine>(SectionList, Tokenizer.Attributes, prop);
  auto block = std::make_unique<THRBlock>(SectionList, prop, CurrentCell, &Tokenizer.Attributes);
  block->Align = line->Align;
  block->MyCell->Add(std::move(line), Tokenizer.TagPosition);
  CurrentCell->Add(std::move(block), Tokenizer.TagPosition);
  PopTagProperties("hr");
  NextToken();
}

// ---- inline elements ----

void THtmlBuilder::DoInlineStyle() {
  const THtmlSymbol sy = Sy();
  const std::string tag = SymbolToTagName(sy);
  if (!tag.empty()) {
    if (SkipAtOpenElementCap()) return;
    if (sy == SubSy || sy == SupSy || sy == BigSy || sy == SmallSy) EnsureSection();
    TProperties& prop = PushTagProperties(tag, Tokenizer.Attributes);
    prop.SaveBackgroundColor();
    if (prop.GetBorderStyle() != 0) SectionList->ProcessInlineBorder(Tokenizer.Position(), prop, true);
  } else {
    PopTagProperties(EndSymbolToTagName(sy));
  }
  if (CurrentSection) CurrentSection->StartFontRun(Top());
  NextToken();
}

void THtmlBuilder::DoFont() {
  if (SkipAtOpenElementCap()) return;
  const bool baseFont = Sy() == BaseFontSy;
  int step = 0;  // 0: no SIZE
  pf::TColor color = pf::clNone;
  std::string face;
  int charset = -1;
  for (int i = 0; i < Tokenizer.Attributes.Count(); ++i) {
    const TAttribute& a = *Tokenizer.Attributes[i];
    if (a.Which == SizeSy) {
      const std::string size = pf::Trim(a.Text);
      const bool relative = size.size() > 1 && (size[0] == '+' || size[0] == '-');
      // A step further than the whole range from the base size reaches the same end of it, so the page's number
      // is held to that range before it is added.
      const int32_t change = std::clamp(a.Value, -kMaxFontStep, kMaxFontStep);
      step = std::clamp(relative ? BaseFontSize + change : a.Value, kMinFontStep, kMaxFontStep);
      if (baseFont) BaseFontSize = step;
    } else if (a.Which == ColorSy) {
      if (!ParseColorValue(a.Text, false, color)) color = pf::clNone;
    } else if (a.Which == FaceSy && !baseFont) {
      face = a.Text;
    } else if (a.Which == CharSetSy && !Tokenizer.Utf8Document) {
      int found = 0;
      if (Tokenizer.LookupCharset(a.Text, found)) charset = found;
    }
  }
  // The size steps of a fixed-pitch font are those of the fixed-pitch table; the font in force decides, as the
  // font service realises it.
  const bool fixedPitch = step != 0 && Top().GetFont()->FixedPitch;
  TProperties& prop = PushTagProperties(baseFont ? "basefont" : "font", Tokenizer.Attributes);
  prop.SaveBackgroundColor();
  if (prop.GetBorderStyle() != 0) SectionList->ProcessInlineBorder(Tokenizer.Position(), prop, true);
  if (color != pf::clNone) prop.AssignIfNotSet(piColor, static_cast<int32_t>(color));
  if (step != 0)
    prop.AssignIfNotSet(piFontSize,
                        (fixedPitch ? FixedFontSizes : ProportionalFontSizes)[static_cast<size_t>(step - 1)]);
  if (!face.empty()) prop.AssignIfNotSet(piFontFamily, face);
  if (charset >= 0) prop.ApplyCharSet(charset);
  if (CurrentSection) CurrentSection->StartFontRun(Top());
  NextToken();
}

void THtmlBuilder::DoAnchor() {
  if (SkipAtOpenElementCap()) return;
  // An anchor without an address is no link (a link run needs an address).
  const bool hasHref = !AttributeText(HRefSy).empty();
  if (hasHref) {
    EndLink();
    InLink = true;
    CurrentUrlTarget.SetLink(AttributeText(HRefSy), AttributeText(TargetSy), Tokenizer.Position(),
                             Tokenizer.Attributes);
    TAttribute* tabIndex = nullptr;
    if (Tokenizer.Attributes.FindSymbol(TabIndexSy, tabIndex)) CurrentUrlTarget.TabIndex = tabIndex->Value;
  }
  TProperties& prop = PushTagProperties("a", Tokenizer.Attributes, hasHref ? "link" : "");
  if (prop.GetBorderStyle() != 0) SectionList->ProcessInlineBorder(Tokenizer.Position(), prop, true);
  if (CurrentSection)
    CurrentSection->StartFontRun(prop);
  else
    EnsureSection();
  std::string name = AttributeText(NameSy);
  if (name.starts_with('#')) name.erase(0, 1);
  if (!name.empty()) {
    SectionList->IDNameList.AddCharPosition(name, Tokenizer.Position());
    CurrentSection->AnchorName = true;
  }
  if (hasHref) CurrentSection->StartLinkFontRun(prop, ASy, CurrentUrlTarget);
  NextToken();
}

void THtmlBuilder::EndLink() {
  if (InLink) {
    CurrentUrlTarget.SetTextEnd(SectionList->TrailingLinkTargets(CurrentUrlTarget.ID), Tokenizer.Position());
    CurrentUrlTarget.Clear();
    InLink = false;
  }
  PopTagProperties("a");
  if (CurrentSection) CurrentSection->StartLinkFontRun(Top(), AEndSy, CurrentUrlTarget);
}

void THtmlBuilder::DoText() {
  // A single blank between blocks makes no section.
  if (!CurrentSection && Tokenizer.Token.GetText() == u" ") {
    NextToken();
    return;
  }
  EnsureSection().AppendToken(Tokenizer.Token);
  NextToken();
}

void THtmlBuilder::DoImage() {
  TSection& section = EnsureSection();
  const bool image = Sy() == ImageSy;
  const std::string tag = image ? "img" : "panel";
  TProperties& prop = PushTagProperties(tag, Tokenizer.Attributes);
  if (prop.GetBorderStyle() != 0) SectionList->ProcessInlineBorder(Tokenizer.Position(), prop, true);
  if (image)
    section.AddImage(Tokenizer.Attributes, prop, Tokenizer.TagPosition)->ApplyStyleProperties(prop);
  else
    section.AddPanel(Tokenizer.Attributes, prop, Tokenizer.TagPosition)->ApplyStyleProperties(prop);
  PopTagProperties(tag);
  NextToken();
}

void THtmlBuilder::DoFormControl() {
  TSection& section = EnsureSection();
  const THtmlSymbol sy = Sy();
  const std::string tag = SymbolToTagName(sy);
  TProperties& prop = PushTagProperties(tag, Tokenizer.Attributes);
  TFormControlObj* control = section.AddFormControl(sy, Tokenizer.Attributes, prop, Tokenizer.TagPosition);
  control->ApplyStyleProperties(prop);
  if (sy == SelectSy) {
    // A border of the list ends with it, not with the text read after it.
    PopTagProperties(tag, DoSelect(static_cast<TListBoxFormControlObj&>(*control)));
    return;
  }
  if (sy == TextAreaSy) DoTextArea(static_cast<TTextAreaFormControlObj&>(*control));
  PopTagProperties(tag);
  NextToken();
}

// ---- preformatted text ----

void THtmlBuilder::DoPreformatted() {
  CloseSection();
  if (HasAttribute(WrapSy)) {
    // A PRE that wraps is an ordinary block of text; its end tag pops it.
    if (SkipAtOpenElementCap()) return;
    PushTagProperties("pre", Tokenizer.Attributes);
    NextToken();
    return;
  }
  if (preformatted_) {
    NextToken();
    return;
  }
  const int level = PropStack.Count();
  TCellBasic* parent = CurrentCell;
  auto attributes = CopyAttributes(Tokenizer.Attributes);
  TProperties& prop = PushTagProperties("pre", *attributes);
  TBlock* block = OpenBlock(std::make_unique<TBlock>(SectionList, prop, CurrentCell, attributes.get()));
  TCellBasic* preCell = CurrentCell;
  TBlock* formBlock = nullptr;
  preformatted_ = true;
  EnsureSection();
  for (NextToken(); Sy() != EofSy && Sy() != PreEndSy;) {
    switch (Sy()) {
      case TextSy:
        EnsureSection().AppendToken(Tokenizer.Token);
        NextToken();
        break;
      case RawLineEndSy:
      case BRSy:
        EnsureSection();
        CloseSection();
        EnsureSection();
        NextToken();
        break;
      case FormSy:
        if (formBlock) {
          NextToken();
          break;
        }
        formBlock = OpenForm();
        EnsureSection();
        break;
      case FormEndSy:
        if (!formBlock) {
          SectionList->CurrentForm = nullptr;
          NextToken();
          break;
        }
        CloseForm(formBlock, preCell, false);
        formBlock = nullptr;
        EnsureSection();
        break;
      case AEndSy:
        EndLink();
        NextToken();
        break;
      default:
        // The inline group as in running text: rules, headings, tables and page breaks stand between the lines.
        if (kInlineGroup[Sy()])
          DoCommon();
        else
          Skip();
        break;
    }
  }
  if (formBlock) CloseBlock(formBlock, preCell, false);
  CloseSection();
  preformatted_ = false;
  PopToLevel(level);
  CloseBlock(block, parent, false);
  if (Sy() == PreEndSy) NextToken();
}

// ---- lists ----

void THtmlBuilder::DoLists(THtmlSymbol sy, const TSymbolSet& closing) {
  TDepth depth(blockDepth_);
  if (depth.Exceeded()) {
    NextToken();
    return;
  }
  TListState list{sy};
  TAttribute* attribute = nullptr;
  if (sy == OLSy) {
    if (Tokenizer.Attributes.FindSymbol(StartSy, attribute) && attribute->Value >= 0) list.counter = attribute->Value;
    const std::string type = AttributeText(TypeSy);
    if (!type.empty()) list.numbering = type[0];
  } else if (sy == ULSy) {
    const std::string type = pf::LowerCase(AttributeText(TypeSy));
    list.plain = HasAttribute(PlainSy) || type == "none" || type == "plain";
  }
  CloseSection();
  TCellBasic* parent = CurrentCell;
  const std::string tag = SymbolToTagName(sy);
  auto attributes = CopyAttributes(Tokenizer.Attributes);
  TProperties& prop = PushTagProperties(tag, *attributes);
  TBlock* block = OpenBlock(std::make_unique<TBlock>(SectionList, prop, CurrentCell, attributes.get()));
  block->IsListBlock = sy != DLSy && sy != AddressSy && sy != BlockQuoteSy;
  const THtmlSymbol ownEnd = StartToEndSymbol(sy);
  NextToken();
  const bool empty = kListEnds[Sy()] || Sy() == BlockQuoteEndSy;
  if (!empty) {
    const bool levelUp = sy == OLSy || sy == ULSy || sy == DirSy || sy == MenuSy;
    if (levelUp) ++ListLevel;
    // What lies inside the list ends at its end tag too; an item also ends at the next item.
    TSymbolSet contentClosing = closing;
    contentClosing.set(ownEnd);
    while (Sy() != ownEnd && Sy() != EofSy && !closing[Sy()]) {
      if (kListItems[Sy()]) {
        if (Sy() == LISy && Tokenizer.Attributes.FindSymbol(ValueSy, attribute) && attribute->Value != 0)
          list.counter = attribute->Value;
        DoListItem(list, contentClosing);
      } else if (!DoListContent(contentClosing)) {
        Skip();
      }
    }
    if (levelUp) --ListLevel;
  }
  CloseBlock(block, parent, true);
  PopTagProperties(tag);
  if (Sy() == ownEnd || (empty && !closing[Sy()])) NextToken();
}

void THtmlBuilder::DoListItem(TListState& list, const TSymbolSet& closing) {
  TDepth depth(blockDepth_);
  if (depth.Exceeded()) {
    NextToken();
    return;
  }
  const std::string tag = SymbolToTagName(Sy());
  CloseSection();
  TCellBasic* parent = CurrentCell;
  auto attributes = CopyAttributes(Tokenizer.Attributes);
  TProperties& prop = PushTagProperties(tag, *attributes);
  TBlock* item = OpenBlock(std::make_unique<TBlockLI>(SectionList, prop, CurrentCell, list.symbol, list.counter,
                                                      ListLevel, list.plain, list.numbering, attributes.get()));
  CurrentSection = NewSection(nullptr);
  const TSection* first = CurrentSection.get();
  // The marker needs a line to stand on. An item that starts with a paragraph, division, table or heading has it on
  // that block's first line; one with no text of its own before its end, or before a nested list (whose first item
  // would take that line), gets a no-break space.
  auto giveMarkerALine = [&] {
    if (CurrentSection.get() == first &&
        std::all_of(first->Text.begin(), first->Text.end(), [](char16_t c) { return c == u' '; }))
      CurrentSection->AppendChar(kNoBreakSpace, Tokenizer.Position());
  };
  for (NextToken(); Sy() != EofSy && !closing[Sy()] && !kListItems[Sy()];) {
    if (kNestedLists[Sy()]) giveMarkerALine();
    if (!DoListContent(closing)) Skip();
  }
  giveMarkerALine();
  CloseBlock(item, parent, false);
  PopTagProperties(tag);
  if (list.counter < INT32_MAX) ++list.counter;  // a VALUE at the largest number stays there
}

bool THtmlBuilder::DoListContent(const TSymbolSet& closing) {
  const THtmlSymbol sy = Sy();
  switch (sy) {
    case OLSy:
    case ULSy:
    case DirSy:
    case MenuSy:
    case DLSy:
      DoLists(sy, closing);
      return true;
    case PSy:
      DoParagraph(closing);
      return true;
    case AddressSy:
    case BlockQuoteSy:
      DoDivision(sy, closing);
      return true;
    case CenterSy:
    case FormSy:
    case DivSy:
      DoDivision(sy, closing | kListDivisionEnds);
      return true;
    default:
      if (sy != TextSy && !kInlineGroup[sy]) return false;
      DoCommon();
      return true;
  }
}

// ---- divisions ----

void THtmlBuilder::DoDivision(THtmlSymbol sy, const TSymbolSet& closing) {
  TDepth depth(blockDepth_);
  if (depth.Exceeded()) {
    NextToken();
    return;
  }
  switch (sy) {
    case CenterSy: {
      CloseSection();
      PushTagProperties("center", Tokenizer.Attributes);
      NextToken();
      DoDocument(closing | SymbolSet({CenterEndSy}));
      CloseSection();
      PopTagProperties("center");
      if (Sy() == CenterEndSy) NextToken();
      break;
    }
    case AddressSy:
    case BlockQuoteSy:
      DoLists(sy, closing);  // which consumes the end tag
      break;
    case FormSy:
      DoForm(closing);
      break;
    default: {  // DIV
      CloseSection();
      TCellBasic* parent = CurrentCell;
      auto attributes = CopyAttributes(Tokenizer.Attributes);
      TProperties& prop = PushTagProperties("div", *attributes);
      AssignAlign(prop, attributes->TextOf(AlignSy));
      TBlock* block = OpenBlock(std::make_unique<TBlock>(SectionList, prop, CurrentCell, attributes.get()));
      CurrentSection = NewSection(nullptr);
      NextToken();
      DoDocument(closing | SymbolSet({DivEndSy}));
      CloseBlock(block, parent, true);
      PopTagProperties("div");
      CurrentSection = NewSection(nullptr);
      if (Sy() == DivEndSy) NextToken();
      break;
    }
  }
}

void THtmlBuilder::DoForm(const TSymbolSet& closing) {
  TCellBasic* parent = CurrentCell;
  TBlock* block = OpenForm();
  DoDocument(closing | SymbolSet({FormSy, FormEndSy}));
  CloseForm(block, parent, true);
}

TBlock* THtmlBuilder::OpenForm() {
  CloseSection();
  auto attributes = CopyAttributes(Tokenizer.Attributes);
  TProperties& prop = PushTagProperties("form", *attributes);
  TBlock* block = OpenBlock(std::make_unique<TBlock>(SectionList, prop, CurrentCell, attributes.get()));
  SectionList->CurrentForm = ThtmlForm::Create(SectionList, attributes.get());
  NextToken();
  return block;
}

void THtmlBuilder::CloseForm(TBlock* block, TCellBasic* parent, bool dropMargin) {
  CloseBlock(block, parent, dropMargin);
  PopTagProperties("form");
  if (Sy() == FormEndSy) {
    SectionList->CurrentForm = nullptr;
    NextToken();
  }
}

}  // namespace viewer
