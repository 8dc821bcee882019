// The font runs of a text section: from which character on a font applies, and for the runs of a link its target,
// its visited and hover looks and the invisible focus stop that lets the Tab key reach it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/controls.h"
#include "viewer/property_values.h"
#include "viewer/viewer_shared.h"

namespace viewer {

class TSection;
class TFontObj;

// The focus stop of a link: an invisible 1 x 1 windowed control far left of the paint panel. Its focus and key
// events go to the run that owns it.
class ThtTabcontrol : public pf::TWinControl {
 public:
  ThtTabcontrol(pf::TWinControl* paintPanel, TFontObj* run);
  std::string ClassName() const override { return "ThtTabcontrol"; }
  TFontObj* Run;

 protected:
  void WndProc(pf::TMessage& message) override;
  void DoEnter() override;
  void DoExit() override;
  void KeyPress(char& key) override;
};

class TFontObj {
 public:
  // A run of font from pos on, with an empty link target.
  TFontObj(TSection* section, std::unique_ptr<TMyFont> font, int32_t pos);
  // The print copy: position, visited state, the font, its link looks and its link target.
  TFontObj(TSection* section, const TFontObj& source);
  ~TFontObj();
  TFontObj(const TFontObj&) = delete;
  TFontObj& operator=(const TFontObj&) = delete;

  TSection* Section;
  bool Visited = false;
  bool Hover = false;
  int32_t TabIndex = 0;  // the link's TABINDEX, kept on the run that owns the focus stop
  bool Active = false;   // the link has the keyboard focus
  int32_t Pos;           // the first character of the run in the section's text
  std::unique_ptr<TMyFont> TheFont;
  std::unique_ptr<TFontInfoArray> FontInfo;  // the link's four looks, made on first need
  // Metrics of TheFont.
  int32_t FontHeight = 0;  // line height: the font's height plus its external leading
  int32_t tmHeight = 0;
  int32_t Ascent = 0;
  int32_t Descent = 0;
  int32_t Overhang = 0;  // height div 10 for an italic font
  TUrlTarget UrlTarget;
  std::unique_ptr<ThtTabcontrol> TabControl;
  std::string Title;   // the element's TITLE
  int SScript = 0;     // 8 subscript, 9 superscript, else 0
  int32_t YValue = 0;  // the document y of the run's line, set by the layout

  // Frees the old font and takes font with its metrics.
  void ReplaceFont(std::unique_ptr<TMyFont> font);
  // The font from one look of the link, then its metrics.
  void ApplyFontInfo(const ThtFontInfo& info);
  void SetVisited(bool value);
  void SetHover(bool value);
  // SetHover here and on the neighbouring runs of linkList that belong to the same link.
  void SetLinkHover(const std::vector<TFontObj*>& linkList, bool value);
  const std::string& GetLinkURL() const { return UrlTarget.Url; }
  // The focus stop of the link, made on its first run only (see the definition).
  void CreateTabControl(int32_t tabIndex);
  void SetTabIndex(int32_t value);
  // The focus stop's entry leaves the document's tab order.
  void RemoveTabOrderEntry();
  // The focus-stop events.
  void EnterLink();
  void ExitLink();
  void LinkKeyPress(char& key);

 private:
  void UpdateMetrics();
  // The look that Visited and Hover choose.
  void ApplyLook();
  TSectionList* Document() const;
  // The runs of the same link from this one on in the link list (this run first).
  std::vector<TFontObj*> RunsOfLinkFromHere() const;
};

// The font runs of one section in text order; the first run starts at 0.
class TFontList : public TFreeList<TFontObj> {
 public:
  TFontList() = default;
  // A copy of every run of source for section.
  void CreateClone(TSection* section, const TFontList& source);
  // The last run that starts at or before pos, and its index.
  TFontObj* GetFontAt(int32_t pos, int& index) const;
  const TMyFont* GetFontAtPos(int32_t pos, int32_t& overhang) const;
  // The characters from pos to the next run's start, or to len when no run follows.
  int32_t GetFontCountAt(int32_t pos, int32_t len) const;
  // A character at pos was removed: later runs move back by one, and a run that then starts where the run before it
  // starts replaces that run.
  void DecPositionsAfter(int32_t pos, TSectionList* document);
  // The same for any removal: newPosition maps every old position to its new one (never increasing).
  template <typename F>
  void RemapPositions(F newPosition, TSectionList* document) {
    for (int i = 0; i < Count(); ++i) (*this)[i]->Pos = newPosition((*this)[i]->Pos);
    MergeRunsAtSamePosition(document);
  }

 private:
  // The index of the first run that starts after pos (Count() when none does).
  int FirstAfter(int32_t pos) const;
  void MergeRunsAtSamePosition(TSectionList* document);
};

// The key of the tab-order list: the tab index, then the number of entries before it, so that equal tab indexes
// keep document order.
std::string TabOrderKey(int32_t tabIndex, int count);

}  // namespace viewer
