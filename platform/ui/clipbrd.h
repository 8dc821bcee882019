// The clipboard (Clipboard()): text as Latin-1 or Unicode, pictures through their clipboard formats, and any
// format as bytes, over the core's clipboard service (the desktop's clipboard once the window layer has started).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/core/component.h"
#include "platform/core/services.h"

namespace pf {

class TClipboard : public TPersistent {
 public:
  std::string ClassName() const override { return "TClipboard"; }
  // Open and Close bracket several changes that the clipboard then shows together (see IClipboardService).
  void Open();
  void Close();
  void Clear();
  bool HasFormat(uint16_t format) const;
  // The text in Latin-1: CF_TEXT, else CF_UNICODETEXT with characters outside Latin-1 as "?"; "" without text.
  std::string AsText() const;
  // Replaces the content by the text, as CF_TEXT (Latin-1) and CF_UNICODETEXT.
  void SetAsText(const std::string& latin1);
  std::u16string AsWideText() const;
  void SetAsWideText(const std::u16string& text);
  // Any format as bytes: empty when the clipboard does not hold it; SetData replaces the content.
  std::vector<uint8_t> GetData(uint16_t format) const;
  void SetData(uint16_t format, const std::vector<uint8_t>& data);
  // A graphic or a picture's graphic onto the clipboard (through its SaveToClipboardFormat); other sources raise
  // EConvertError.
  void Assign(const TPersistent& source) override;

 protected:
  // Into a TPicture: the first clipboard format a registered graphic class reads (CF_BITMAP among them).
  void AssignTo(TPersistent& dest) const override;
};

TClipboard& Clipboard();

}  // namespace pf
