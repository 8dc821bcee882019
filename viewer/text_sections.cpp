#include "viewer/text_sections.h"

#include <algorithm>

#include "platform/core/strings.h"
#include "viewer/panels.h"
#include "viewer/section_list.h"
#include "viewer/style_properties.h"

namespace viewer {

namespace {

constexpr size_t kSourceCapacityStep = 500;
constexpr size_t kMaxInputType = 20;
constexpr int32_t kMaxTextIndentPercent = 90;

uint8_t JustifyCode(const TProperties& prop) {
  const std::string& align = StringOf(prop.Props[piTextAlign]);
  return align == "center" ? 2 : align == "right" ? 3 : align == "justify" ? 4 : 1;
}

}  // namespace

TSection::TSection(TSectionList* ownerList, const TAttributeList* attributes, TProperties& prop,
                   const TUrlTarget* urlTarget, TCellBasic* cell, bool firstInParagraph, ISectionBuilder* builder)
    : TSectionBase(ownerList), Builder(builder) {
  TFontObj* run = Fonts.Add(std::make_unique<TFontObj>(this, prop.GetFont(), 0));
  run->Title = prop.PropTitle;
  if (urlTarget && !urlTarget->Url.empty()) {
    run->UrlTarget.CopyFrom(*urlTarget);
    MakeLinkRun(*run, prop, false);
    if (!ownerList->ManyLinks) run->CreateTabControl(urlTarget->TabIndex);
  }
  Justify = JustifyCode(prop);
  TAttribute* clear = nullptr;
  if (attributes && attributes->FindSymbol(ClearSy, clear)) {
    const std::string value = pf::LowerCase(pf::Trim(clear->Text));
    ClearAttr = value == "left" ? 1 : value == "right" ? 2 : 3;
  }
  int styleClear = 0;
  if (prop.GetClear(styleClear)) ClearAttr = static_cast<uint8_t>(styleClear);
  LineHeight = prop.GetLineHeight(std::abs(run->TheFont->Height()));
  if (firstInParagraph) {
    bool percent = false;
    const int32_t indent = prop.GetTextIndent(percent);
    if (percent)
      TextIndentPercent = std::clamp(indent, 0, kMaxTextIndentPercent);
    else
      TextIndent = indent;
  }
  BreakWord = StringOf(prop.Props[piWordWrap]) == "break-word";
  if (attributes) {
    idName_ = pf::LowerCase(attributes->TextOf(IDSy));
    if (!idName_.empty()) ownerList->IDNameList.AddObject(idName_, this);
  }
}

TSection::TSection(TSectionList* ownerList, const TSection& source)
    : TSectionBase(ownerList, source),
      Text(source.Text),
      BreakFlags(source.BreakFlags),
      SourceCapacity(source.SourceCapacity),
      Justify(source.Justify),
      ClearAttr(source.ClearAttr),
      LineHeight(source.LineHeight),
      TextIndent(source.TextIndent),
      TextIndentPercent(source.TextIndentPercent),
      BreakWord(source.BreakWord),
      Builder(nullptr) {
  Len = source.Len;
  Fonts.CreateClone(this, source.Fonts);
  Images.CreateClone(ownerList, source.Images);
  for (int i = 0; i < source.FormControls.Count(); ++i) FormControls.Add(source.FormControls[i]);
}

TSection::~TSection() = default;

bool TSection::IsEmpty() const {
  return Text.empty() && !IsPreformatted() && ClearAttr == 0 && Images.Count() == 0 && FormControls.Count() == 0 &&
         !AnchorName;
}

std::unique_ptr<TSectionBase> TSection::CreateClone(TSectionList* ownerList) const {
  return std::make_unique<TSection>(ownerList, *this);
}

// ---- appending ----

void TSection::AppendChars(std::u16string_view chars, const int32_t* sourceIndexes, char flag) {
  Text.append(chars);
  BreakFlags.append(chars.size(), flag);
  SourceIndexes.insert(SourceIndexes.end(), sourceIndexes, sourceIndexes + chars.size());
}

void TSection::AppendChar(char16_t ch, int32_t sourceIndex) {
  TokenObj token;
  token.AddWideChar(ch, sourceIndex);
  AppendToken(token);
}

void TSection::AppendToken(const TokenObj& token) {
  const std::u16string& chars = token.GetText();
  if (chars.empty()) return;
  if (Text.size() + chars.size() + 3 > static_cast<size_t>(SourceCapacity)) {
    SourceCapacity = static_cast<int32_t>(Text.size() + chars.size() + kSourceCapacityStep);
    SourceIndexes.reserve(static_cast<size_t>(SourceCapacity));
  }
  TProperties* style = Builder ? &Builder->CurrentStyle() : nullptr;
  const int transform = style ? style->GetTextTransform() : 0;
  const std::u16string text = transform == 1   ? UpperCaseWide(chars)
                              : transform == 2 ? LowerCaseWide(chars)
                                               : std::u16string(chars);
  const std::vector<int>& indexes = token.Indexes();
  const char flag = (Builder && Builder->NoBreak()) || IsPreformatted() ? 'n' : 'y';
  if (style && style->GetFontVariant() == "small-caps")
    AppendSmallCaps(text, UpperCaseWide(text), indexes.data(), flag);
  else
    AppendChars(text, indexes.data(), flag);
}

// Upper-case text in which the letters that were lower case stand in the font of a SMALL element; blanks and digits
// keep the state they find.
void TSection::AppendSmallCaps(const std::u16string& text, const std::u16string& upper, const int32_t* sourceIndexes,
                               char flag) {
  bool small = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c != u' ' && !(c >= u'0' && c <= u'9')) {
      const bool lower = upper[i] != c;
      if (lower != small) {
        if (lower)
          Builder->PushSmallCaps();
        else
          Builder->PopSmallCaps();
        StartFontRun(Builder->CurrentStyle());
        small = lower;
      }
    }
    AppendChars(std::u16string_view(upper).substr(i, 1), sourceIndexes + i, flag);
  }
  if (small) {
    Builder->PopSmallCaps();
    StartFontRun(Builder->CurrentStyle());
  }
}

void TSection::AllowBreakAfterLast() {
  if (!BreakFlags.empty()) BreakFlags.back() = 'a';
}

// ---- font runs ----

void TSection::MakeLinkRun(TFontObj& run, TProperties& prop, bool wasLink) {
  if (prop.LinkFontInfo) run.FontInfo = std::make_unique<TFontInfoArray>(*prop.LinkFontInfo);
  if (!wasLink && OwnerList) OwnerList->LinkList.push_back(&run);
}

TFontObj& TSection::RunForStyleChange(TProperties& prop, bool& wasLink) {
  TFontObj* last = Fonts.Last();
  const auto length = static_cast<int32_t>(Text.size());
  if (last->Pos == length) {
    wasLink = !last->UrlTarget.Url.empty();
    last->ReplaceFont(prop.GetFont());
    return *last;
  }
  wasLink = false;
  auto run = std::make_unique<TFontObj>(this, prop.GetFont(), length);
  run->UrlTarget.CopyFrom(last->UrlTarget);
  return *Fonts.Add(std::move(run));
}

int TSection::FinishRunStyle(TFontObj& run, TProperties& prop) {
  run.Title = prop.PropTitle;
  int align = 0;
  run.SScript = prop.GetVerticalAlign(align) && (align == 8 || align == 9) ? align : 0;
  return run.SScript;
}

int TSection::StartFontRun(TProperties& prop) {
  bool wasLink = false;
  TFontObj& run = RunForStyleChange(prop, wasLink);
  if (!run.UrlTarget.Url.empty()) MakeLinkRun(run, prop, wasLink);
  return FinishRunStyle(run, prop);
}

int TSection::StartLinkFontRun(TProperties& prop, THtmlSymbol symbol, const TUrlTarget& urlTarget) {
  bool wasLink = false;
  TFontObj& run = RunForStyleChange(prop, wasLink);
  // A link needs an address (as for the first run of a section). A run reused for another link, or for text after
  // the link, gives up what it had as a link.
  const bool link = symbol == ASy && !urlTarget.Url.empty();
  if (wasLink && (!link || run.UrlTarget.ID != urlTarget.ID)) {
    if (OwnerList) std::erase(OwnerList->LinkList, &run);
    run.RemoveTabOrderEntry();
    run.TabControl.reset();
    wasLink = false;
  }
  if (link) {
    run.UrlTarget.CopyFrom(urlTarget);
    MakeLinkRun(run, prop, wasLink);
    if (OwnerList && !OwnerList->ManyLinks) run.CreateTabControl(urlTarget.TabIndex);
  } else {
    run.UrlTarget.Clear();
    run.FontInfo.reset();
  }
  return FinishRunStyle(run, prop);
}

// ---- objects in the text ----

TImageObj* TSection::AddImage(const TAttributeList& attributes, TProperties& prop, int32_t sourceIndex) {
  auto* image = static_cast<TImageObj*>(
      Images.Add(std::make_unique<TImageObj>(OwnerList, static_cast<int32_t>(Text.size()), attributes)));
  AppendChar(kImageChar, sourceIndex);
  return image;
}

std::unique_ptr<TPanelObj> TSection::CreatePanel(const TAttributeList& attributes, TProperties& prop) {
  return std::make_unique<TPanelObj>(OwnerList, static_cast<int32_t>(Text.size()), attributes, prop, true);
}

TPanelObj* TSection::AddCreatedPanel(std::unique_ptr<TPanelObj> panel, int32_t sourceIndex) {
  panel->Pos = static_cast<int32_t>(Text.size());
  auto* added = static_cast<TPanelObj*>(Images.Add(std::move(panel)));
  AppendChar(kImageChar, sourceIndex);
  return added;
}

TPanelObj* TSection::AddPanel(const TAttributeList& attributes, TProperties& prop, int32_t sourceIndex) {
  return AddCreatedPanel(
      std::make_unique<TPanelObj>(OwnerList, static_cast<int32_t>(Text.size()), attributes, prop, false), sourceIndex);
}

TFormControlObj* TSection::AddFormControl(THtmlSymbol tag, TAttributeList& attributes, TProperties& prop,
                                          int32_t sourceIndex) {
  const auto pos = static_cast<int32_t>(Text.size());
  TFormControlObj* control = nullptr;
  std::string type;
  if (tag == TextAreaSy) {
    control = MakeFormControl<TTextAreaFormControlObj>(OwnerList, pos, attributes, prop);
  } else if (tag == SelectSy) {
    TAttribute* attribute = nullptr;
    const bool list = attributes.FindSymbol(MultipleSy, attribute) ||
                      (attributes.FindSymbol(SizeSy, attribute) && attribute->Value > 1);
    if (list)
      control = MakeFormControl<TListBoxFormControlObj>(OwnerList, pos, attributes, prop);
    else
      control = MakeFormControl<TComboFormControlObj>(OwnerList, pos, attributes, prop);
  } else {
    type = pf::LowerCase(attributes.TextOf(TypeSy)).substr(0, kMaxInputType);
    using B = TButtonFormControlObj;
    if (type == "submit" || type == "reset" || type == "button")
      control = MakeFormControl<B>(OwnerList, pos, attributes, prop,
                                   type == "submit"  ? B::bkSubmit
                                   : type == "reset" ? B::bkReset
                                                     : B::bkButton,
                                   nullptr);
    else if (type == "radio")
      control = MakeFormControl<TRadioButtonFormControlObj>(OwnerList, pos, attributes, prop);
    else if (type == "checkbox")
      control = MakeFormControl<TCheckBoxFormControlObj>(OwnerList, pos, attributes, prop);
    else if (type == "hidden")
      control = MakeFormControl<THiddenFormControlObj>(OwnerList, pos, attributes, prop);
    else if (type == "image")
      control = MakeFormControl<TImageFormControlObj>(OwnerList, pos, attributes, prop);
    else
      control = MakeFormControl<TEditFormControlObj>(OwnerList, pos, attributes, prop, type == "password");
  }
  if (type == "image") {
    auto* input = static_cast<TImageFormControlObj*>(control);
    input->MyImage = AddImage(attributes, prop, sourceIndex);
    input->MyImage->MyFormControl = input;
  } else if (type == "file") {
    FormControls.Add(control);
    AppendChars(std::u16string(1, kFormControlChar), &sourceIndex, 'n');
    auto* button =
        MakeFormControl<TButtonFormControlObj>(OwnerList, pos + 1, attributes, prop, TButtonFormControlObj::bkBrowse,
                                               static_cast<TEditFormControlObj*>(control));
    const std::string& id = attributes.GetIdValue();
    if (!id.empty()) OwnerList->IDNameList.AddObject(id, button);
    FormControls.Add(button);
    AppendChars(std::u16string(1, kFormControlChar), &sourceIndex, 'n');
  } else if (type != "hidden") {
    FormControls.Add(control);
    AppendChar(kFormControlChar, sourceIndex);
  }
  if (prop.GetBorderStyle() != 0) OwnerList->ProcessInlineBorder(sourceIndex, prop, true);
  return control;
}

// ---- removing characters ----

void TSection::RemoveChars(const std::vector<bool>& drop) {
  const size_t length = Text.size();
  const bool perCharacterIndexes = SourceIndexes.size() == length;
  // A finished section keeps one flag more than characters.
  const std::string flagTail = BreakFlags.size() > length ? BreakFlags.substr(length) : "";
  // kept[i]: the characters kept before index i, the new index of every position at or after a removal.
  std::vector<int32_t> kept(length + 1, 0);
  size_t out = 0;
  for (size_t i = 0; i < length; ++i) {
    kept[i] = static_cast<int32_t>(out);
    if (drop[i]) continue;
    Text[out] = Text[i];
    BreakFlags[out] = BreakFlags[i];
    if (perCharacterIndexes) SourceIndexes[out] = SourceIndexes[i];
    ++out;
  }
  kept[length] = static_cast<int32_t>(out);
  Text.resize(out);
  BreakFlags.resize(out);
  BreakFlags += flagTail;
  if (perCharacterIndexes) SourceIndexes.resize(out);
  auto newPosition = [&kept, length](int32_t p) { return p < 0 ? p : kept[std::min(static_cast<size_t>(p), length)]; };
  Fonts.RemapPositions(newPosition, OwnerList);
  Images.RemapPositions(newPosition);
  FormControls.RemapPositions(newPosition);
}

void TSection::DeleteChar(int32_t index) {
  if (index < 0 || static_cast<size_t>(index) >= Text.size()) return;
  std::vector<bool> drop(Text.size(), false);
  drop[static_cast<size_t>(index)] = true;
  RemoveChars(drop);
}

void TSection::UnregisterFromLists() {
  for (int i = 0; i < Fonts.Count(); ++i) {
    TFontObj* run = Fonts[i];
    if (run->UrlTarget.Url.empty()) continue;
    std::erase(OwnerList->LinkList, run);
    run->RemoveTabOrderEntry();
  }
  if (!idName_.empty()) OwnerList->IDNameList.RemoveObject(this);
}

// ---- finishing ----

void TSection::MarkSoftHyphens(std::vector<bool>& drop) {
  // Each soft hyphen goes and marks the character before it as a place to hyphenate.
  size_t lastKept = SIZE_MAX;
  for (size_t i = 0; i < Text.size(); ++i) {
    if (drop[i]) continue;
    if (Text[i] == kSoftHyphen) {
      drop[i] = true;
      if (lastKept != SIZE_MAX && BreakFlags[lastKept] != 'n') BreakFlags[lastKept] = 's';
    } else {
      lastKept = i;
    }
  }
}

void TSection::FinishText(int32_t sourceIndex) {
  const size_t length = Text.size();
  std::vector<bool> drop(length, false);
  // Leading blanks.
  for (size_t i = 0; i < length && Text[i] == u' '; ++i) drop[i] = true;
  MarkSoftHyphens(drop);
  RemoveChars(drop);

  // Runs of blanks keep one: of each pair the first goes when it may not break, else the second.
  drop.assign(Text.size(), false);
  for (size_t i = 0, keep = SIZE_MAX; i < Text.size(); ++i) {
    if (Text[i] != u' ') {
      keep = SIZE_MAX;
      continue;
    }
    if (keep == SIZE_MAX) {
      keep = i;
    } else if (BreakFlags[keep] == 'n') {
      drop[keep] = true;
      keep = i;
    } else {
      drop[i] = true;
    }
  }
  RemoveChars(drop);

  // A blank after a floating picture, and blanks beside a forced line break.
  drop.assign(Text.size(), false);
  for (size_t i = 1; i < Text.size(); ++i) {
    if (Text[i] != u' ') continue;
    const TFloatingObj* object = Text[i - 1] == kImageChar ? Images.FindImage(static_cast<int32_t>(i - 1)) : nullptr;
    if (object && (object->Floating == 5 || object->Floating == 6)) drop[i] = true;
  }
  for (size_t i = 0; i < Text.size(); ++i) {
    if (Text[i] != kLineBreakChar) continue;
    for (size_t j = i; j > 0 && Text[j - 1] == u' '; --j) drop[j - 1] = true;
    for (size_t j = i + 1; j < Text.size() && Text[j] == u' '; ++j) drop[j] = true;
  }
  RemoveChars(drop);

  // A closing line break, then a closing blank, go unless they are all there is.
  for (char16_t last : {kLineBreakChar, u' '}) {
    if (Text.size() > 1 && Text.back() == last) {
      drop.assign(Text.size(), false);
      drop.back() = true;
      RemoveChars(drop);
    }
  }
  if (!Text.empty() && Text != std::u16string(1, kLineBreakChar) && Text.back() != u' ') {
    const auto oldLength = static_cast<int32_t>(Text.size());
    AppendChars(u" ", &sourceIndex, 'y');
    if (Fonts.Last()->Pos == oldLength) ++Fonts.Last()->Pos;
  }
  FinishBuffers();
}

void TSection::FinishBuffers() {
  Len = static_cast<int32_t>(Text.size());
  if (Text.empty()) return;
  BreakFlags.push_back('y');
  for (size_t i = 0; i < SourceIndexes.size(); ++i) {
    if (i == 0 || SourceIndexes[i] != SourceIndexes[i - 1] + 1)
      SourceRuns.Add(std::make_unique<IndexObj>(IndexObj{static_cast<int32_t>(i), SourceIndexes[i]}));
  }
  SourceIndexes.clear();
  SourceIndexes.shrink_to_fit();
  if (OwnerList) SectionNumber = ++OwnerList->SectionCount;
}

}  // namespace viewer
