#include "app/info.h"

#include "app/glyphs.h"
#include "app/window_support.h"
#include "engine/catalogue.h"
#include "engine/engine.h"
#include "engine/procs.h"
#include "platform/core/exceptions.h"
#include "platform/core/files.h"
#include "platform/core/strings.h"

namespace app {

using namespace pf::literals;

namespace {

constexpr std::string_view kWebAddress = "https://www.example.org/pexu/";
constexpr std::string_view kWebCaption = "www.example.org/pexu";
constexpr std::string_view kLicence =
    "Pexu ist frei: Sie dürfen es benutzen, kopieren und weitergeben, solange es kostenlos bleibt."_l1;
constexpr std::string_view kThanks[] = {
    "Dank an alle, die Fragen und Antworten geprüft haben,"_l1,
    "an die Ausbildungsrunden der Ortsverbände"_l1,
    "und an alle, die Fehler gemeldet haben.",
};

pf::TLabel* AddLabel(pf::TWinControl& parent, const std::string& text, int32_t left, int32_t top) {
  auto* label = new pf::TLabel(&parent);
  label->SetParent(&parent);
  label->SetShowAccelChar(false);
  label->SetCaption(text);
  label->SetBounds(left, top, label->Width(), label->Height());
  return label;
}

components::TUrlLabel* AddLink(pf::TWinControl& parent, std::string_view caption, const std::string& url, int32_t top) {
  auto* link = new components::TUrlLabel(&parent);
  link->SetParent(&parent);
  link->SetShowAccelChar(false);
  link->SetURL(url);
  link->SetCaption(std::string(caption));
  link->Font().SetName(parent.Font().Name());
  link->Font().SetHeight(parent.Font().Height());
  link->Font().SetColor(LinkColor);
  link->SetBounds(16, top, link->Width(), link->Height());
  return link;
}

pf::TListBox* AddList(pf::TWinControl& parent, const pf::TRect& bounds) {
  auto* list = new pf::TListBox(&parent);
  list->SetParent(&parent);
  list->SetBoundsRect(bounds);
  return list;
}

}  // namespace

std::string VersionLabelText(const std::string& fileVersion, const std::string& productVersion, bool portable) {
  return "Version " + engine::StripLastVersionField(fileVersion) + (portable ? " portable" : "") + "  (" +
         productVersion + ")";
}

TPexuAboutBox::TPexuAboutBox(pf::TComponent* owner, engine::Engine& engine) : pf::TForm(owner), engine_(engine) {
  SetCaption("Info");
  SetBorderStyle(pf::bsDialog);
  // No stored place: centred, by the rule of every window.
  RestorePosition(*this, nullptr, "", 410, 372);
  Font().SetName("Arial");
  Font().SetHeight(-13);
  SetShowHint(true);

  ProgramIcon = new pf::TImage(this);
  ProgramIcon->SetParent(this);
  ProgramIcon->SetBounds(16, 16, 32, 32);
  DrawProgramIcon(ProgramIcon->Picture().Bitmap(), 32);
  ProgramIcon->SetHint(" Hamradio around the world.");

  ProductName = AddLabel(*this, "Pexu", 64, 10);
  ProductName->Font().SetHeight(-22);
  ProductName->Font().SetStyle(pf::fsBold);
  Comments = AddLabel(*this, "Quendolar", 64, 38);
  VersionLabel = AddLabel(*this, "", 64, 58);
  Copyright = AddLabel(*this, "", 64, 78);
  LicenceLabel = AddLabel(*this, std::string(kLicence), 16, 106);
  LicenceLabel->SetAutoSize(false);
  LicenceLabel->SetWordWrap(true);
  LicenceLabel->SetBounds(16, 104, 378, 34);
  WebUrlLabel = AddLink(*this, kWebCaption, std::string(kWebAddress), 142);
  MailUrlLabel = AddLink(*this, engine::ContactAddress, std::string("mailto:") + engine::ContactAddress, 162);

  FragenVersionListBox = AddList(*this, {16, 186, 394, 256});
  FragenVersionListBox->SetHint(" Geladene Fragenversionen.");
  DankListBox = AddList(*this, {16, 262, 394, 318});
  for (std::string_view line : kThanks) DankListBox->Items().Add(std::string(line));

  ExitSpeedButton = new pf::TSpeedButton(this);
  ExitSpeedButton->SetParent(this);
  ExitSpeedButton->SetBounds(358, 324, 36, 36);
  ExitSpeedButton->SetFlat(true);
  DrawGlyph(ExitSpeedButton->Glyph(), Glyph::Left);
  ExitSpeedButton->SetHint(std::string(" Zurück"_l1));
  ExitSpeedButton->OnClick = [this](pf::TObject*) { ExitSpeedButtonClick(); };

  VersionInfo = new components::TVersionInfo(this);
  DynForm = new components::TDynForm(this);
  DynForm->Shadow().SetStyle(components::ssNone);
  OnShow = [this](pf::TObject*) { FormShow(); };
}

TPexuAboutBox::~TPexuAboutBox() { BeforeDestruction(); }

void TPexuAboutBox::FormShow() {
  const engine::AppState& state = engine_.State();
  VersionLabel->SetCaption(
      VersionLabelText(VersionInfo->FileVersion(), VersionInfo->ProductVersion(), state.SettingPortable));
  Copyright->SetCaption(VersionInfo->LegalCopyright());
  FragenVersionListBox->Clear();
  AboutVersionLines.Clear();
  if (!pf::FileExists(state.CatalogueFile)) {
    engine_.Port().ShowWarning(engine::MissingFileText(state.CatalogueFile));
    return;
  }
  try {
    engine_.Entzippen(state.CatalogueFile, std::string(engine::CatalogueVersionFile), AboutVersionLines);
  } catch (const pf::Exception& e) {
    // A damaged catalogue: the box still shows the program's version.
    AboutVersionLines.Clear();
    engine_.Port().ShowWarning(e.what());
  }
  FragenVersionListBox->Items().Assign(AboutVersionLines);
}

}  // namespace app
