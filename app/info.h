// The about box: the program's version, its legal notice, contact links and the versions of the question
// catalogue. Shown modally; its content is made once each time it is shown.
#pragma once

#include <string>

#include "components/dyn_form.h"
#include "components/url_label.h"
#include "components/version_info.h"
#include "platform/core/classes.h"
#include "platform/ui/buttons.h"
#include "platform/ui/extctrls.h"
#include "platform/ui/forms.h"
#include "platform/ui/stdctrls.h"

namespace engine {
class Engine;
}

namespace app {

// The colour of the web and mail links.
constexpr pf::TColor LinkColor = 0x00A000;  // RGB(0, 160, 0)

// "Version " + the file version without its fourth field + " portable" when portable + "  (" + product version
// + ")".
std::string VersionLabelText(const std::string& fileVersion, const std::string& productVersion, bool portable);

class TPexuAboutBox : public pf::TForm {
 public:
  TPexuAboutBox(pf::TComponent* owner, engine::Engine& engine);
  ~TPexuAboutBox() override;
  std::string ClassName() const override { return "TPexuAboutBox"; }

  pf::TImage* ProgramIcon;
  pf::TLabel* ProductName;
  pf::TLabel* Comments;
  pf::TLabel* VersionLabel;
  pf::TLabel* Copyright;
  pf::TLabel* LicenceLabel;
  components::TUrlLabel* WebUrlLabel;
  components::TUrlLabel* MailUrlLabel;
  pf::TListBox* FragenVersionListBox;
  pf::TListBox* DankListBox;
  pf::TSpeedButton* ExitSpeedButton;
  components::TVersionInfo* VersionInfo;  // the running program's
  components::TDynForm* DynForm;          // the form shadow, style ssNone
  pf::TStringList AboutVersionLines;

  // Fills the version label, the legal notice and the catalogue versions. It runs when the box is shown, not on
  // every activation: the missing-catalogue warning would activate the box again when it closes and so come back
  // for ever.
  void FormShow();
  void ExitSpeedButtonClick() { Close(); }

 private:
  engine::Engine& engine_;
};

}  // namespace app
