// Any bytes through the style-sheet reader and the cascade. The first byte chooses the reading: a linked sheet or
// a STYLE element's content, a base path for url(...) values, and whether the rest is also read as a STYLE
// attribute. The style list must stay sorted, every element on the property stack must get its styles (links their
// four looks) and the stack must be as it was after the temporary link styles, and every accessor must answer.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/graphics/fonts.h"
#include "viewer/style_sheet_parser.h"

namespace {

using namespace viewer;

enum : uint8_t {
  kStyleElement = 0x01,
  kFileBase = 0x02,
  kUrlBase = 0x04,
  kInline = 0x08,
};

void Trap(bool failed) {
  if (failed) __builtin_trap();
}

// Reads every value an element's layout would read.
void ReadEverything(TProperties& p) {
  std::string url;
  int code = 0;
  bool flag = false, before = false, after = false;
  TListStyleType type = lsDisc;
  p.GetFont();
  p.GetBackgroundImage(url);
  p.GetBackgroundPosition();
  p.GetVerticalAlign(code);
  p.GetFloat(code);
  p.GetClear(code);
  p.GetListStyleType(type);
  p.GetLineHeight(14);
  p.GetTextIndent(flag);
  p.GetPageBreaks(before, after, flag);
  Trap(p.GetVisibility() != 1 && p.GetVisibility() != 2);
  p.GetZIndex();
  TBoxIntArray box;
  int autoCount = 0;
  bool top = false, bottom = false;
  const TBoxVariantArray values = p.GetBoxVariants();
  ConvertBlockBoxValues(values, 600, 400, p.EmSize, p.ExSize, box, autoCount);
  ConvertInlineBoxValues(values, 600, 400, p.EmSize, p.ExSize, box);
  ConvertVerticalMargins(values, 600, p.EmSize, p.ExSize, box, top, bottom);
  ConvertPaddings(values, p.EmSize, p.ExSize, box);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool fixedFonts = (pf::SetFontService(pf::CreateFixedMetricFontService()), true);
  (void)fixedFonts;
  if (size == 0) return 0;
  const uint8_t mode = data[0];
  const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
  const std::string base = mode & kUrlBase ? "http://h/a/b/" : mode & kFileBase ? "/srv/css/" : "";

  TStyleList styles;
  styles.BuildDefaultStyles("Times New Roman", "Courier New", 10, 5, pf::DEFAULT_CHARSET, true, pf::clBlue,
                            pf::clPurple, pf::clBlue, pf::clBlack, 12);
  size_t at = 0;
  char ch = ' ';
  ParseStyleSheet(
      styles, ch, [&] { return at < text.size() ? text[at++] : '\0'; }, !(mode & kStyleElement), base);
  Trap(ch != 0 && ch != '<');
  for (int i = 1; i < styles.Count(); ++i) Trap(styles.Key(i - 1) > styles.Key(i));

  std::shared_ptr<TProperties> inlineStyle;
  if (mode & kInline) ParseInlineStyle(text, *(inlineStyle = std::make_shared<TProperties>()));

  TPropStack stack;
  stack.Add(std::make_unique<TProperties>())->CopyDefaults(*styles.Defaults());
  struct Element {
    const char *tag, *classes, *id, *pseudo;
  } elements[] = {{"div", "x", "", ""},    {"ul", "", "top", ""}, {"li", "a.b", "", ""},
                  {"a", "x", "n", "link"}, {"span", "b", "", ""}, {"p", "", "", "hover"}};
  for (const Element& e : elements) {
    TProperties& p = *stack.Add(std::make_unique<TProperties>());
    p.InheritFrom(e.tag, *stack[stack.Count() - 2]);
    const int depth = stack.Count();
    p.ApplyStyles(styles, stack, e.tag, e.classes, e.id, e.pseudo, "", inlineStyle);
    Trap(stack.Count() != depth || (std::string(e.pseudo) == "link" && !p.LinkFontInfo));
    ReadEverything(p);
  }
  // A parent that went away: everything above it takes its values again.
  stack.Delete(2);
  for (int i = 2; i < stack.Count(); ++i) stack[i]->UpdateFromParent(*stack[i - 1], styles, stack);
  return 0;
}
