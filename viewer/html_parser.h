// The two entry points that read a whole document into a section list (HTML and plain text), the state of one
// parse, and the property stack through which every element gets its computed style.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "viewer/html_tokenizer.h"
#include "viewer/section_list.h"
#include "viewer/style_properties.h"
#include "viewer/text_sections.h"

namespace viewer {

// What a parse leaves for the viewer, also when it ended early.
struct TParseResult {
  std::string Title;  // the TITLE text in the system code page
  std::u16string TitleWide;
  std::string Base;        // from BASE HREF
  std::string BaseTarget;  // from BASE TARGET
};

// Reads an HTML document into sectionList (which the caller has cleared and given its default styles). The
// events, when set, are raised with the section list's viewer as sender. An EParseError (a comment left open)
// ends the parse; what was built until then stays in the document and result holds what was read.
void ParseHtmlDocument(const std::string& document, TSectionList& sectionList, const TIncludeEvent& onInclude,
                       const TSoundEvent& onSoundRequest, const TMetaEvent& onMeta, const TLinkEvent& onLink,
                       TParseResult& result);
// Reads plain text into sectionList as one preformatted block, a section per line.
void ParsePlainTextDocument(const std::string& document, TSectionList& sectionList);

// The state of one parse: the tokenizer, the document being built and where new objects go, the open link, the
// head values, and the property stack.
class THtmlParseState : public ISectionBuilder {
 public:
  static constexpr int32_t kDefaultBaseFontSize = 3;

  explicit THtmlParseState(TSectionList& sectionList);
  ~THtmlParseState() override;
  THtmlParseState(const THtmlParseState&) = delete;
  THtmlParseState& operator=(const THtmlParseState&) = delete;

  // A new computed style for an element: inherited from the entry below, then the matching rules of the document's
  // style sheet.
  TProperties& PushTagProperties(const std::string& tag, const std::string& classes, const std::string& id,
                                 const std::string& pseudo, const std::string& title,
                                 std::shared_ptr<const TProperties> inlineStyle);
  // The same with the values of an element's attributes (CLASS, ID, TITLE, STYLE).
  TProperties& PushTagProperties(const std::string& tag, TAttributeList& attributes, const std::string& pseudo = "");
  // Removes the nearest open element of that tag (nothing when none is open, the root never); the elements opened
  // inside it stay in force and inherit anew. Its inline border ends at borderEnd (a source position), by default
  // where the tokenizer stands.
  void PopTagProperties(const std::string& tag, int32_t borderEnd = -1);
  // Pops the top entry unless only the root is left; pops entries until count are left.
  void PopTop();
  void PopToLevel(int count);
  TProperties& Top() { return *PropStack.Last(); }

  // ---- ISectionBuilder ----
  TProperties& CurrentStyle() override { return Top(); }
  bool NoBreak() const override { return NoBreakFlag; }
  void PushSmallCaps() override { PushTagProperties("small", "", "", "", "", nullptr); }
  void PopSmallCaps() override { PopTagProperties("small"); }

  THtmlTokenizer Tokenizer;
  TSectionList* SectionList;
  IViewerControl* Viewer;  // the viewer that owns the document, if any
  TCellBasic* CurrentCell = nullptr;
  std::unique_ptr<TSection> CurrentSection;  // the open section, added to CurrentCell when closed
  TUrlTarget CurrentUrlTarget;
  bool InLink = false;
  bool NoBreakFlag = false;
  int32_t ListLevel = 0;
  int32_t BaseFontSize = kDefaultBaseFontSize;
  TParseResult* Result = nullptr;
  TPropStack PropStack;

  TIncludeEvent OnInclude;
  TSoundEvent OnSoundRequest;
  TMetaEvent OnMeta;
  TLinkEvent OnLink;

  // The set-up common to both entry points.
  void Initialise(const std::string& document);
  // After a parse, also one that ended early: an open section is added (or, when the parse failed, dropped), the
  // property stack emptied and the link freed.
  void Finish(bool completed);
  pf::TObject* Sender() const { return Viewer ? Viewer->Sender() : nullptr; }
};

}  // namespace viewer
