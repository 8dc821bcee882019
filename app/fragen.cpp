#include "app/fragen.h"

#include <exception>

#include "app/window_support.h"
#include "engine/engine.h"
#include "engine/procs.h"
#include "platform/core/files.h"
#include "platform/core/strings.h"

namespace app {

namespace {

constexpr const char* kQuestionPage = "LetzteFrage.html";
constexpr int32_t kDefaultWidth = 540;
constexpr int32_t kDefaultHeight = 400;
constexpr pf::TSizeConstraints kMinimumSize{300, 200, 0, 0};

}  // namespace

TFragenForm::TFragenForm(pf::TComponent* owner, engine::Engine& engine) : pf::TForm(owner), engine_(engine) {
  SetConstraints(kMinimumSize);
  FragensbStatusBar = AddStatusBar(*this, {{"Nachricht", "500"}});
  FragenPageViewer = new viewer::TPageViewer(this);
  FragenPageViewer->SetParent(this);
  FragenPageViewer->SetAlign(pf::alClient);
  FragenPageViewer->SetHistoryMaxCount(0);
  FragenPageViewer->SetDefFontName("Times New Roman");
  FragenPageViewer->SetDefPreFontName("Courier New");
  FragenPageViewer->PrintMarginLeft = 2;
  FragenPageViewer->PrintMarginRight = 2;
  FragenPageViewer->PrintMarginTop = 2;
  FragenPageViewer->PrintMarginBottom = 2;
  FragenPageViewer->SetPrintScale(1);
  FragenPageViewer->OnHotSpotClick = [this](pf::TObject*, const std::string& src, bool& handled) {
    FragenPageViewerHotSpotClick(src, handled);
  };

  OnCreate = [this](pf::TObject*) { FormCreate(); };
  OnActivate = [this](pf::TObject*) { FormActivate(); };
  OnDestroy = [this](pf::TObject*) { FormDestroy(); };
}

TFragenForm::~TFragenForm() { BeforeDestruction(); }

void TFragenForm::FormCreate() {
  RestorePosition(*this, engine_.State().IniFile.get(), "Fragen", kDefaultWidth, kDefaultHeight);
}

void TFragenForm::FormDestroy() {
  GuardedDestroy([this] { SavePosition(*this, engine_.State().IniFile.get(), "Fragen"); });
}

const pf::TStrings* TFragenForm::Pool() const {
  const engine::AppState& state = engine_.State();
  if (std::string{state.PartLetter, state.ClassLetter} == shownPart_ && state.CatalogueLines.Count() > 0)
    return &state.CatalogueLines;
  if (!shownPart_.empty() && ownPoolCode_ == shownPart_) return &ownPool_;
  return nullptr;
}

void TFragenForm::ShowQuestion(const std::string& partCode, const std::string& id) {
  shownPart_ = partCode;
  shownId_ = id;
  if (Pool() == nullptr) {
    // Read here, not on activation: its warning would activate the window again and come back for ever.
    ownPoolCode_.clear();
    if (engine_.ReadPool(partCode, ownPool_)) ownPoolCode_ = partCode;
  }
  try {
    BuildPage();
  } catch (const std::exception&) {
    pf::Application().HandleCurrentException();
  }
  Show();
}

void TFragenForm::FormActivate() {
  // A page that cannot be written keeps the one shown; an error box here would activate the window again.
  try {
    BuildPage();
  } catch (const std::exception&) {
  }
}

bool TFragenForm::BuildPage() {
  const pf::TStrings* pool = Pool();
  if (pool == nullptr || shownPart_.size() != 2) return false;
  int32_t count = 0;
  std::string time, dark, middle, light, title;
  engine::PartInfo(shownPart_[1], shownPart_[0], engine_.State().ModeLetter, count, time, dark, middle, light, title);
  pf::TStringList page;
  if (!BuildQuestionPage(*pool, shownId_, middle, light, engine_.Port().ServerRoot(), page)) return false;
  // The same page again stays as it is, focus included: a click that activated the window must still find its
  // link when the button is released.
  if (page.Text() == loadedPage_) return true;
  const std::string path = pf::PathJoin(pf::PathJoin(engine_.State().DataDir, "html"), kQuestionPage);
  page.SaveToFile(path);
  loadedPage_.clear();
  FragenPageViewer->LoadFromFile(path);
  loadedPage_ = page.Text();
  SetCaption(FragenPageViewer->GetDocumentTitle());
  if (Visible() && FragenPageViewer->CanFocus()) FragenPageViewer->SetFocus();
  return true;
}

void TFragenForm::FragenPageViewerHotSpotClick(const std::string&, bool& handled) {
  // The page has one link, "[schließen]"; the viewer must not go on to follow it into the cleared document.
  handled = true;
  FragenPageViewer->Clear();
  loadedPage_.clear();
  Close();
}

}  // namespace app
