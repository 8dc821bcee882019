// Prints a style list for black-box tests of the style-sheet reader:
//   cssdump [--base DIR/] FILE.css     the rules after the default sheet and the file, in the list's order
//   cssdump --inline "TEXT"            the properties of a STYLE attribute
// One rule a line: the key (in double quotes when it holds a blank), ":", then name=value for every property the
// rule sets; colours as $BBGGRR, text values with blanks in double quotes. The default sheet is the viewer's:
// "Times New Roman" 12 pt, "Courier New", margins 10 and 5, underlined links. A file that cannot be read exits 2;
// wrong arguments exit 1.
#include <iostream>
#include <string>
#include <variant>

#include "platform/core/exceptions.h"
#include "platform/core/files.h"
#include "platform/core/strings.h"
#include "platform/graphics/colors.h"
#include "viewer/style_sheet_parser.h"

namespace {

using namespace viewer;

bool IsColorProperty(int index) {
  return index == piColor || index == piBackgroundColor || index == piBorderColor ||
         (index >= piBorderTopColor && index <= piBorderLeftColor);
}

// What every new rule holds before the sheet sets anything.
bool IsCreationValue(int index, const TPropValue& v) {
  const auto* i = std::get_if<int32_t>(&v);
  return i && ((index >= piMarginTop && index <= piLeft && *i == UnsetBoxValue) || (index == piZIndex && *i == 0));
}

std::string Quoted(const std::string& text) { return text.find(' ') == std::string::npos ? text : "\"" + text + "\""; }

std::string ValueText(int index, const TPropValue& v) {
  if (const auto* s = std::get_if<std::string>(&v)) return Quoted(*s);
  if (const auto* d = std::get_if<double>(&v)) return pf::Format("%g", {*d});
  const int32_t i = std::get<int32_t>(v);
  return IsColorProperty(index) ? "$" + pf::IntToHex(static_cast<uint32_t>(i), 6) : pf::IntToStr(i);
}

std::string RuleLine(const std::string& key, const TProperties& rule) {
  std::string line = Quoted(key) + ":";
  for (int i = 0; i < kPropertyCount; ++i) {
    const TPropValue& v = rule.Props[static_cast<size_t>(i)];
    if (IsAssigned(v) && !IsCreationValue(i, v)) line += " " + std::string(PropertyName(i)) + "=" + ValueText(i, v);
  }
  return line;
}

int Usage() {
  std::cerr << "usage: cssdump [--base DIR/] FILE.css | cssdump --inline TEXT\n";
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  std::string base, file;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--inline" && i + 1 < argc) {
      TProperties style;
      ParseInlineStyle(argv[i + 1], style);
      std::cout << RuleLine("style", style) << "\n";
      return 0;
    }
    if (arg == "--base" && i + 1 < argc)
      base = argv[++i];
    else if (file.empty() && arg.substr(0, 2) != "--")
      file = arg;
    else
      return Usage();
  }
  if (file.empty()) return Usage();
  std::string text;
  try {
    text = pf::ReadFileBytes(file);
  } catch (const pf::Exception& e) {
    std::cerr << e.Message() << "\n";
    return 2;
  }
  TStyleList styles;
  styles.BuildDefaultStyles("Times New Roman", "Courier New", 10, 5, pf::DEFAULT_CHARSET, true, pf::clBlue,
                            pf::clPurple, pf::clBlue, pf::clBtnText, 12);
  size_t at = 0;
  char ch = at < text.size() ? text[at++] : '\0';
  ParseStyleSheet(
      styles, ch, [&]() { return at < text.size() ? text[at++] : '\0'; }, true, base);
  for (int i = 0; i < styles.Count(); ++i) std::cout << RuleLine(styles.Key(i), styles.Rule(i)) << "\n";
  return 0;
}
