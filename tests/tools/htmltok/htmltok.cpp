// Prints the tokens of an HTML file, one a line, for black-box tests of the reader:
//   TAG sy[/level] {which Name value "text"}...     (the level for H and its end tag)
//   TXT "ascii" U+XXXX ...                          (units outside printable ASCII as U+XXXX)
//   RAW "text"                                      (the raw content of SCRIPT, STYLE, TEXTAREA, end tag read)
//   EOF
// Attribute texts show bytes outside printable ASCII as \xNN (\r, \n, \t by name). A parse error prints
// ERROR <message> and exits 1; a file that cannot be read exits 2.
#include <cstdio>
#include <iostream>
#include <string>

#include "platform/core/exceptions.h"
#include "platform/core/files.h"
#include "platform/core/strings.h"
#include "viewer/html_tokenizer.h"

namespace {

bool Printable(char16_t c) { return c >= 0x20 && c < 0x7F; }

void PutEscaped(std::string& out, char c) {
  if (c == '"' || c == '\\') out.push_back('\\');
  out.push_back(c);
}

std::string AttributeText(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '\r') {
      out += "\\r";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\t') {
      out += "\\t";
    } else if (Printable(static_cast<unsigned char>(c))) {
      PutEscaped(out, c);
    } else {
      out += "\\x" + pf::IntToHex(static_cast<unsigned char>(c), 2);
    }
  }
  return out + "\"";
}

std::string TagLine(const viewer::THtmlTokenizer& t) {
  std::string line = "TAG " + std::to_string(t.Sy);
  if (t.Sy == viewer::HeadingSy || t.Sy == viewer::HeadingEndSy) line += "/" + std::to_string(t.HeadingLevel);
  for (int i = 0; i < t.Attributes.Count(); ++i) {
    const viewer::TAttribute& a = *t.Attributes[i];
    line += " {" + std::to_string(a.Which) + " " + a.Name + " " + std::to_string(a.Value) + " " +
            AttributeText(a.Text) + "}";
  }
  return line;
}

std::string TextLine(const std::u16string& text) {
  std::string line = "TXT";
  bool quoted = false;
  for (char16_t c : text) {
    if (Printable(c)) {
      if (!quoted) line += " \"";
      quoted = true;
      PutEscaped(line, static_cast<char>(c));
      continue;
    }
    if (quoted) line += "\"";
    quoted = false;
    line += " U+" + pf::IntToHex(c, 4);
  }
  if (quoted) line += "\"";
  return line;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: htmltok FILE\n";
    return 2;
  }
  std::string document;
  try {
    document = pf::ReadFileBytes(argv[1]);
  } catch (const pf::Exception& e) {
    std::cerr << e.Message() << "\n";
    return 2;
  }
  viewer::THtmlTokenizer tokenizer;
  tokenizer.SetDocument(std::move(document));
  try {
    tokenizer.NextChar();
    for (;;) {
      tokenizer.GetNextToken();
      if (tokenizer.Sy == viewer::EofSy) break;
      std::cout << (tokenizer.Sy == viewer::TextSy ? TextLine(tokenizer.Token.GetText()) : TagLine(tokenizer)) << "\n";
      if (viewer::THtmlTokenizer::HasRawContent(tokenizer.Sy))
        std::cout << "RAW " << AttributeText(tokenizer.ReadRawContent(viewer::SymbolToTagName(tokenizer.Sy))) << "\n";
    }
    std::cout << "EOF\n";
  } catch (const viewer::EParseError& e) {
    std::cout << "ERROR " << e.Message() << "\n";
    return 1;
  }
  return 0;
}
