// Edits with an input mask: the framework's mask syntax over the widget's own masks.
#include <QLineEdit>

#include "platform/ui/host_qt.h"
#include "platform/ui/mask.h"

namespace pf {

namespace {

// One position of a mask as shown: a literal character or a place to type into.
struct MaskPosition {
  bool literal;
  char character;
};

struct ParsedMask {
  std::vector<MaskPosition> positions;
  std::string toolkit;  // the widget's mask
  bool saveLiterals = true;
  char blank = '_';
};

ParsedMask ParseMask(const std::string& mask) {
  ParsedMask parsed;
  // Fields from the end: ";blank" and ";save" follow the characters (an escaped ";" is a literal).
  size_t end = mask.size();
  std::vector<size_t> separators;
  for (size_t i = 0; i < mask.size(); ++i) {
    if (mask[i] == '\\') {
      ++i;
      continue;
    }
    if (mask[i] == ';') separators.push_back(i);
  }
  if (!separators.empty()) {
    end = separators.front();
    if (separators.front() + 1 < mask.size()) parsed.saveLiterals = mask[separators.front() + 1] != '0';
    if (separators.size() >= 2 && separators[1] + 1 < mask.size()) parsed.blank = mask[separators[1] + 1];
  }
  static const std::string kToolkitSpecial = "AaNnXx90Dd#HhBb><!\\[]{}";
  for (size_t i = 0; i < end; ++i) {
    const char c = mask[i];
    char mapped = 0;
    switch (c) {
      case '0':
        mapped = '9';
        break;
      case '9':
        mapped = '0';
        break;
      case '#':
        mapped = '#';
        break;
      case 'L':
        mapped = 'A';
        break;
      case 'l':
        mapped = 'a';
        break;
      case 'A':
        mapped = 'N';
        break;
      case 'a':
        mapped = 'n';
        break;
      case 'C':
        mapped = 'X';
        break;
      case 'c':
        mapped = 'x';
        break;
      default:
        break;
    }
    if (mapped != 0) {
      parsed.toolkit += mapped;
      parsed.positions.push_back({false, c});
      continue;
    }
    if (c == '<' && i + 1 < end && mask[i + 1] == '>') {
      parsed.toolkit += '!';
      ++i;
      continue;
    }
    if (c == '>' || c == '<') {
      parsed.toolkit += c;
      continue;
    }
    if (c == '!') continue;  // trimming of blanks: the text is built from the positions anyway
    char literal = c;
    if (c == '\\' && i + 1 < end) literal = mask[++i];
    if (literal == '_') literal = ' ';
    if (kToolkitSpecial.find(literal) != std::string::npos) parsed.toolkit += '\\';
    parsed.toolkit += literal;
    parsed.positions.push_back({true, literal});
  }
  if (!parsed.toolkit.empty()) parsed.toolkit += std::string(";") + parsed.blank;
  return parsed;
}

}  // namespace

std::string MaskToToolkitMask(const std::string& mask) { return ParseMask(mask).toolkit; }

TMaskEdit::TMaskEdit(TComponent* owner) : TCustomEdit(owner) {}

void TMaskEdit::SetEditMask(const std::string& value) {
  editMask_ = value;
  WidgetOf<QLineEdit>(*this)->setInputMask(ToQString(ParseMask(value).toolkit));
}

std::string TMaskEdit::EditText() const { return FromQString(WidgetOf<QLineEdit>(*this)->displayText()); }

void TMaskEdit::WndProc(TMessage& message) {
  TCustomEdit::WndProc(message);
  // The widget has left the caret where the click landed; beyond the first free position typing goes nowhere, so
  // the caret goes back to it.
  if (message.Msg != WM_LBUTTONUP || editMask_.empty()) return;
  auto* edit = WidgetOf<QLineEdit>(*this);
  if (edit->hasSelectedText()) return;
  const ParsedMask parsed = ParseMask(editMask_);
  const std::string shown = EditText();
  for (size_t i = 0; i < parsed.positions.size() && i < shown.size(); ++i) {
    if (parsed.positions[i].literal || shown[i] != parsed.blank) continue;
    if (edit->cursorPosition() > static_cast<int>(i)) edit->setCursorPosition(static_cast<int>(i));
    return;
  }
}

std::string TMaskEdit::GetText() const {
  if (editMask_.empty()) return TCustomEdit::GetText();
  const ParsedMask parsed = ParseMask(editMask_);
  const std::string shown = EditText();
  std::string text;
  for (size_t i = 0; i < parsed.positions.size() && i < shown.size(); ++i) {
    if (parsed.positions[i].literal) {
      if (parsed.saveLiterals) text += shown[i];
    } else {
      text += shown[i] == parsed.blank ? ' ' : shown[i];
    }
  }
  return text;
}

}  // namespace pf
