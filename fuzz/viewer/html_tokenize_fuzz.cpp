// Any bytes through the HTML tokenizer. The first byte chooses how the rest is read: the code page of the text
// (none: the document's own), a counting pass first, an include handler, and charset switches at META tags as the
// builder makes them. Every token must keep one source position per character, within the document, and the
// reading must end.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/core/codepage.h"
#include "viewer/html_tokenizer.h"

namespace {

constexpr int kCodePages[] = {0, pf::CodePageUtf8, 932, 936, 1251, pf::CodePageSymbol, 950, 1253};

enum : uint8_t {
  kCodePageBits = 0x07,
  kCountingPassFirst = 0x08,
  kIncludes = 0x10,
  kMetaCharsets = 0x20,
};

void ReadAll(viewer::THtmlTokenizer& t, size_t documentSize, bool metaCharsets, int& codePage) {
  // Each token reads at least one character; includes add at most a few per comment.
  const size_t maxTokens = 8 * documentSize + 16;
  size_t tokens = 0;
  t.NextChar();
  for (t.GetNextToken(); t.Sy != viewer::EofSy; t.GetNextToken()) {
    if (++tokens > maxTokens) __builtin_trap();
    const auto& indexes = t.Token.Indexes();
    if (indexes.size() != t.Token.GetText().size()) __builtin_trap();
    for (int index : indexes)
      if (index < -1 || index > static_cast<int64_t>(documentSize) + 3) __builtin_trap();
    if (viewer::THtmlTokenizer::HasRawContent(t.Sy)) t.ReadRawContent(viewer::SymbolToTagName(t.Sy), codePage);
    viewer::TAttribute* content = nullptr;
    if (metaCharsets && t.Sy == viewer::MetaSy && t.Attributes.FindSymbol(viewer::ContentSy, content)) {
      int charset = 0;
      if (t.LookupCharset(content->Text, charset)) codePage = pf::CharsetToCodePage(charset);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t mode = data[0];
  const std::string document(reinterpret_cast<const char*>(data) + 1, size - 1);
  int codePage = kCodePages[mode & kCodePageBits];
  viewer::THtmlTokenizer t;
  if (codePage != 0) t.CurrentCodePage = [&codePage] { return codePage; };
  int64_t reports = 0;
  t.OnProgress = [&](int64_t read, int64_t length) {
    if (read > length) __builtin_trap();
    ++reports;
  };
  t.OnIdAttribute = [](const std::string& id, int32_t) {
    if (id.empty()) __builtin_trap();
  };
  if (mode & kIncludes) {
    t.OnInclude = [](const std::string& command, pf::TStringList& params, std::string& text) {
      if (!command.empty()) text = "<i title=\"" + command + "\">&#x41;" + std::to_string(params.Count()) + "</i>";
    };
  }
  t.SetDocument(document);
  try {
    if (mode & kCountingPassFirst) {
      t.Counting = true;
      ReadAll(t, document.size(), false, codePage);
      if (reports != 0) __builtin_trap();
      t.Counting = false;
      t.Rewind();
    }
    ReadAll(t, document.size(), mode & kMetaCharsets, codePage);
  } catch (const viewer::EParseError&) {
    // an open comment at the end
  }
  return 0;
}
