// Shared by the archive reader's fuzz targets: dialogs that answer at once and keep nothing (the headless
// default records every call, which would grow without bound over millions of runs).
#pragma once

#include "platform/core/services.h"

namespace zipfuzz {

class QuietDialogs : public pf::IDialogService {
 public:
  int MessageDlg(std::string_view, pf::TMsgDlgType, unsigned) override { return pf::mrOk; }
  int MessageBox(std::string_view, std::string_view, unsigned) override { return pf::mrOk; }
  std::optional<std::string> OpenFileDialog(std::string_view, std::string_view, std::string_view) override {
    return std::nullopt;
  }
  std::optional<std::string> SelectDirectory(std::string_view, std::string_view) override { return std::nullopt; }
};

inline void InstallQuietDialogs() {
  static QuietDialogs dialogs;
  pf::SetDialogs(&dialogs);
}

}  // namespace zipfuzz
