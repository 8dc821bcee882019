#include "viewer/html_parser.h"

#include "platform/core/codepage.h"
#include "viewer/blocks.h"
#include "viewer/html_builder.h"
#include "viewer/rules_and_preformatted.h"

namespace viewer {

namespace {

constexpr size_t kPlainTextPiece = 200;  // characters passed to a section at once

}  // namespace

// ---- the parse state and the property stack ----

THtmlParseState::THtmlParseState(TSectionList& sectionList) : SectionList(&sectionList), Viewer(sectionList.TheOwner) {}

THtmlParseState::~THtmlParseState() {
  // A section still open here never reached the document; its runs leave the document's lists.
  if (CurrentSection) CurrentSection->UnregisterFromLists();
}

TProperties& THtmlParseState::PushTagProperties(const std::string& tag, const std::string& classes,
                                                const std::string& id, const std::string& pseudo,
                                                const std::string& title,
                                                std::shared_ptr<const TProperties> inlineStyle) {
  auto properties = std::make_unique<TProperties>();
  properties->InheritFrom(tag, Top());
  TProperties& pushed = *PropStack.Add(std::move(properties));
  pushed.ApplyStyles(SectionList->Styles, PropStack, tag, classes, id, pseudo, title, std::move(inlineStyle));
  return pushed;
}

TProperties& THtmlParseState::PushTagProperties(const std::string& tag, TAttributeList& attributes,
                                                const std::string& pseudo) {
  return PushTagProperties(tag, attributes.GetClassNames(), attributes.GetIdValue(), pseudo, attributes.GetTitleText(),
                           attributes.BuildStyle());
}

void THtmlParseState::PopTagProperties(const std::string& tag, int32_t borderEnd) {
  for (int i = PropStack.Count() - 1; i >= 1; --i) {
    TProperties& entry = *PropStack[i];
    if (entry.PropTag != tag) continue;
    if (entry.GetBorderStyle() != 0)
      SectionList->ProcessInlineBorder(borderEnd >= 0 ? borderEnd : Tokenizer.Position(), entry, false);
    PropStack.Delete(i);
    for (int j = i; j < PropStack.Count(); ++j)
      PropStack[j]->UpdateFromParent(*PropStack[j - 1], SectionList->Styles, PropStack);
    return;
  }
}

void THtmlParseState::PopTop() {
  if (PropStack.Count() <= 1) return;
  TProperties& entry = *PropStack.Last();
  if (entry.GetBorderStyle() != 0) SectionList->ProcessInlineBorder(Tokenizer.Position(), entry, false);
  PropStack.Delete(PropStack.Count() - 1);
}

void THtmlParseState::PopToLevel(int count) {
  while (PropStack.Count() > std::max(count, 1)) PopTop();
}

// ---- set-up and clean-up ----

void THtmlParseState::Initialise(const std::string& document) {
  Tokenizer.SetDocument(document);
  PropStack.Clear();
  auto root = std::make_unique<TProperties>();
  if (const TProperties* defaults = SectionList->Styles.Defaults())
    root->CopyDefaults(*defaults);
  else
    root->PropTag = "default";
  if (Tokenizer.Utf8Document)
    root->SetUtf8CodePage();
  else if (Tokenizer.ShiftJisDocument)
    root->ApplyCharSet(ShiftJisCharset);
  PropStack.Add(std::move(root));
  if (Viewer) Viewer->SetCodePage(Top().CodePage);
  Tokenizer.CurrentCodePage = [this] { return Top().CodePage; };
  auto body = std::make_unique<TBodyBlock>(SectionList, Top(), SectionList, nullptr);
  TBlock* bodyBlock = body.get();
  SectionList->Add(std::move(body), 0);
  CurrentCell = bodyBlock->MyCell.get();
  CurrentUrlTarget.Clear();
  InLink = NoBreakFlag = false;
  ListLevel = 0;
  BaseFontSize = kDefaultBaseFontSize;
  if (Result) *Result = TParseResult{};
  SectionList->CurrentForm = nullptr;
  CurrentSection = std::make_unique<TSection>(SectionList, nullptr, Top(), nullptr, CurrentCell, true, this);
  Tokenizer.Attributes.Clear();
  Tokenizer.RawMode = Tokenizer.Counting = false;
}

void THtmlParseState::Finish(bool completed) {
  if (CurrentSection) {
    if (completed) {
      CurrentCell->Add(std::move(CurrentSection), Tokenizer.Position());
    } else {
      CurrentSection->UnregisterFromLists();
      CurrentSection.reset();
    }
  }
  Tokenizer.Attributes.Clear();
  Tokenizer.CurrentCodePage = nullptr;
  Tokenizer.OnIdAttribute = nullptr;
  Tokenizer.OnProgress = nullptr;
  Tokenizer.OnInclude = nullptr;
  PropStack.Clear();
  CurrentUrlTarget.Clear();
}

// ---- the entry points ----

void ParseHtmlDocument(const std::string& document, TSectionList& sectionList, const TIncludeEvent& onInclude,
                       const TSoundEvent& onSoundRequest, const TMetaEvent& onMeta, const TLinkEvent& onLink,
                       TParseResult& result) {
  THtmlBuilder builder(sectionList);
  builder.Result = &result;
  builder.Initialise(document);
  THtmlTokenizer& tokenizer = builder.Tokenizer;
  try {
    // The counting pass: are there so many links that they get no focus stops?
    tokenizer.Counting = true;
    int links = 0;
    tokenizer.NextChar();
    for (tokenizer.GetNextToken(); tokenizer.Sy != EofSy && links <= THtmlBuilder::kManyLinks;
         tokenizer.GetNextToken()) {
      TAttribute* href = nullptr;
      if (tokenizer.Sy == ASy && tokenizer.Attributes.FindSymbol(HRefSy, href)) ++links;
      // Raw content is passed over as the building pass reads it, not taken for tags and comments.
      if (THtmlTokenizer::HasRawContent(tokenizer.Sy)) tokenizer.ReadRawContent(SymbolToTagName(tokenizer.Sy));
    }
    sectionList.ManyLinks = links > THtmlBuilder::kManyLinks;
    tokenizer.Rewind();
    tokenizer.Counting = false;

    builder.OnSoundRequest = onSoundRequest;
    builder.OnMeta = onMeta;
    builder.OnLink = onLink;
    if (onInclude) {
      tokenizer.OnInclude = [&builder, onInclude](const std::string& command, pf::TStringList& params,
                                                  std::string& text) {
        onInclude(builder.Sender(), command, params, text);
      };
    }
    tokenizer.OnIdAttribute = [&sectionList](const std::string& id, int32_t position) {
      sectionList.IDNameList.AddCharPosition(id, position);
    };
    if (builder.Viewer) {
      tokenizer.OnProgress = [&builder, &sectionList](int64_t read, int64_t length) {
        builder.Viewer->DoProgress(static_cast<int>(read * sectionList.ProgressStart / std::max<int64_t>(length, 1)));
      };
    }
    tokenizer.NextChar();
    builder.NextToken();
    builder.DoDocument(TSymbolSet());
  } catch (...) {
    builder.Finish(false);
    throw;
  }
  builder.Finish(true);
}

void ParsePlainTextDocument(const std::string& document, TSectionList& sectionList) {
  THtmlBuilder builder(sectionList);
  builder.Initialise(document);
  try {
    builder.DoPlainText();
  } catch (...) {
    builder.Finish(false);
    throw;
  }
  builder.Finish(true);
}

void THtmlBuilder::DoPlainText() {
  Tokenizer.RawMode = true;
  CloseSection();
  TCellBasic* parent = CurrentCell;
  PushTagProperties("pre", "", "", "", "", nullptr);
  TBlock* block = OpenBlock(std::make_unique<TBlock>(SectionList, Top(), CurrentCell, nullptr));
  preformatted_ = true;
  EnsureSection();
  TCharCollection pending;
  auto pass = [&] {
    if (pending.GetCount() == 0) return;
    TokenObj token;
    token.AddCollection(pending, Top().CodePage);
    CurrentSection->AppendToken(token);
    pending.Clear();
  };
  for (Tokenizer.NextChar(); Tokenizer.Ch != 0; Tokenizer.NextChar()) {
    if (Tokenizer.Ch == '\r') {
      pass();
      CloseSection();
      EnsureSection();
      continue;
    }
    // Control codes would stand for pictures and controls in the text.
    const auto c = static_cast<unsigned char>(Tokenizer.LCh);
    pending.Add(c < 9 ? '?' : static_cast<char>(c), Tokenizer.CharPosition());
    // A piece ends after two ASCII characters in a row, so no multi-byte character is cut.
    const std::string& bytes = pending.GetText();
    if (bytes.size() > kPlainTextPiece && static_cast<unsigned char>(bytes[bytes.size() - 2]) < 0x80 && c < 0x80)
      pass();
  }
  pass();
  CloseSection();
  preformatted_ = false;
  PopTagProperties("pre");
  CloseBlock(block, parent, false);
}

}  // namespace viewer
