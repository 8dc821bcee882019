// The question window: one question of a pool with its right answer, on a page of its own viewer. It keeps the
// part and identifier it shows to itself, so that showing a question of another part (from the editor) never
// changes the running sheet's part, class or pool.
#pragma once

#include <string>

#include "components/status_bar.h"
#include "platform/core/classes.h"
#include "platform/ui/forms.h"
#include "viewer/page_viewer.h"

namespace engine {
class Engine;
}

namespace app {

// The page of question id of a pool: identifier row on middle, text, picture and right answer rows on light, and a
// closing link; root is the program folder. False, page untouched, when the pool has no complete record of id.
bool BuildQuestionPage(const pf::TStrings& pool, const std::string& id, const std::string& middle,
                       const std::string& light, const std::string& root, pf::TStrings& page);

class TFragenForm : public pf::TForm {
 public:
  TFragenForm(pf::TComponent* owner, engine::Engine& engine);
  ~TFragenForm() override;
  std::string ClassName() const override { return "TFragenForm"; }

  viewer::TPageViewer* FragenPageViewer;
  components::TsbStatusBar* FragensbStatusBar;

  // Shows question id of part partCode ("TA", "TA101"): the page is built at once (a window manager may refuse to
  // activate the window, and activation alone would then keep the old question) and again on every activation.
  // The pool is the running sheet's when it is of that part, else one the window reads itself.
  void ShowQuestion(const std::string& partCode, const std::string& id);
  const std::string& ShownPartCode() const { return shownPart_; }
  const std::string& ShownId() const { return shownId_; }

  void FormCreate();
  void FormDestroy();
  // Builds the page for the shown question and loads it when it differs from the one shown; an identifier not in
  // the pool keeps the page shown.
  void FormActivate();
  // Any link of the page closes the window.
  void FragenPageViewerHotSpotClick(const std::string& src, bool& handled);

 private:
  // The pool that holds the shown part: the running sheet's or the window's own; nullptr when none was read.
  const pf::TStrings* Pool() const;
  // Writes and loads the page; false when the question is not in the pool.
  bool BuildPage();

  engine::Engine& engine_;
  std::string shownPart_, shownId_;
  pf::TStringList ownPool_;  // the pool of ownPoolCode_, read when the running sheet is of another part
  std::string ownPoolCode_;
  std::string loadedPage_;  // the page the viewer holds, as written
};

}  // namespace app
