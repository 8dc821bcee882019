// The builder's elements with content of their own: TEXTAREA and SELECT fill their controls, SCRIPT is read raw
// for the viewer's handler, OBJECT asks the viewer for a panel, MAP collects its areas.
#include "platform/core/strings.h"
#include "viewer/html_builder.h"
#include "viewer/panels.h"

namespace viewer {

namespace {

constexpr int kMaxForeignTagsInMap = 3;

}  // namespace

void THtmlBuilder::DoTextArea(TTextAreaFormControlObj& control) {
  control.AddText(Tokenizer.ReadRawContent("textarea", Top().CodePage));
  control.ResetToDefault();
}

int32_t THtmlBuilder::DoSelect(TListBoxFormControlObj& control) {
  static const TSymbolSet stop = SymbolSet({SelectEndSy, PSy, InputSy, TableEndSy, TDSy, TDEndSy, TRSy, TREndSy, THSy,
                                            THEndSy, CaptionSy, CaptionEndSy, ColSy, ColGroupSy, EofSy});
  std::unique_ptr<TAttributeList> option;
  bool selected = false;
  std::u16string text;
  auto addOption = [&] {
    if (!option) return;
    control.AddOption(WideToAnsiInCodePage(TrimWide(text), Top().CodePage), selected, *option);
    option.reset();
  };
  for (NextToken(); !stop[Sy()];) {
    if (Sy() == OptionSy) {
      addOption();
      option = CopyAttributes(Tokenizer.Attributes);
      selected = HasAttribute(SelectedSy);
      text.clear();
    } else if (Sy() == OptionEndSy) {
      addOption();
    } else if (Sy() == TextSy && option) {
      text += Tokenizer.Token.GetText();
    }
    Skip();
  }
  addOption();
  const int32_t end = Sy() == EofSy ? Tokenizer.Position() : Tokenizer.TagPosition;
  if (Sy() == SelectEndSy) NextToken();
  return end;
}

void THtmlBuilder::DoScript() {
  const std::string language = AttributeText(LanguageSy), name = AttributeText(NameSy);
  const std::string script = Tokenizer.ReadRawContent("script");
  if (Viewer && Viewer->OnScript) Viewer->OnScript(Sender(), name, language, script);
  NextToken();
}

void THtmlBuilder::DoObject() {
  if (!Viewer || !Viewer->OnObjectTag) {
    NextToken();
    return;
  }
  TSection& section = EnsureSection();
  const int32_t position = Tokenizer.TagPosition;
  auto attributes = CopyAttributes(Tokenizer.Attributes);
  TProperties& prop = PushTagProperties("object", *attributes);
  std::unique_ptr<TPanelObj> panel = section.CreatePanel(*attributes, prop);
  panel->ApplyStyleProperties(prop);
  pf::TStringList params;
  for (NextToken(); Sy() == ParamSy || (Sy() == TextSy && TrimWide(Tokenizer.Token.GetText()).empty()); NextToken())
    if (Sy() == ParamSy) params.Add(AttributeText(NameSy) + "=" + AttributeText(ValueSy));
  bool wantPanel = true;
  Viewer->OnObjectTag(Sender(), panel->Panel.get(), *attributes->ToNameValueList(), params, wantPanel);
  if (wantPanel) section.AddCreatedPanel(std::move(panel), position);
  panel.reset();
  PopTagProperties("object");
}

void THtmlBuilder::DoMap() {
  auto map = std::make_unique<TMapItem>();
  map->MapName = AttributeText(NameSy);
  int foreign = 0;
  for (NextToken(); Sy() != MapEndSy && Sy() != EofSy;) {
    if (Sy() == AreaSy) {
      map->AddAreaFromAttributes(Tokenizer.Attributes);
    } else if (Sy() != TextSy && ++foreign >= kMaxForeignTagsInMap) {
      break;  // the third other tag ends the map and is read by the caller
    }
    Skip();
  }
  SectionList->MapList.Add(std::move(map));
  if (Sy() == MapEndSy) NextToken();
}

}  // namespace viewer
