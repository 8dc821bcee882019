// Edits with an input mask in the framework's mask syntax.
#pragma once

#include <string>

#include "platform/ui/stdctrls.h"

namespace pf {

// A mask is "characters;save literals;blank": the characters are
//   0 digit required   9 digit optional   # digit, + or - optional
//   L letter required  l letter optional  A letter or digit required  a letter or digit optional
//   C any character required  c any character optional
//   > following letters upper case  < lower case  <> no case change  \ the next character is a literal
// and every other character is a literal. The second field "0" leaves the literals out of Text; the third is the
// character shown for an empty position (default "_"). A click that lands after the first free position puts the
// caret there, so that typing fills the field from its first blank on.
class TMaskEdit : public TCustomEdit {
 public:
  explicit TMaskEdit(TComponent* owner);
  std::string ClassName() const override { return "TMaskEdit"; }
  const std::string& EditMask() const { return editMask_; }
  void SetEditMask(const std::string& value);
  // The text with the literals (unless the mask leaves them out) and the blanks as blanks (" ").
  std::string GetText() const override;
  // The text as shown, blank character included.
  std::string EditText() const;

 protected:
  void WndProc(TMessage& message) override;

 private:
  std::string editMask_;
};

// The same mask in the widget toolkit's syntax (for the implementation and its tests): the character classes map
// one to one, "\" literals stay escaped, and the blank character becomes the ";c" suffix.
std::string MaskToToolkitMask(const std::string& mask);

}  // namespace pf
