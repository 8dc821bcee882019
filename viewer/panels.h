// Embedded panels: a PANEL or OBJECT element in the text, an empty child window the host application may fill.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/ui/extctrls.h"
#include "platform/ui/stdctrls.h"
#include "viewer/viewer_shared.h"

namespace viewer {

// The window of an embedded panel. The host shows and hides it as any control; the document shows it where
// painting puts it and hides it out of view (SetShown), which leaves the host's choice as it was.
class ThvPanel : public pf::TPanel {
 public:
  using pf::TPanel::TPanel;
  std::string ClassName() const override { return "ThvPanel"; }
  void SetVisible(bool value) override;
  void SetShown(bool value);
  // The host hid the panel: it stays hidden on the screen and is not printed.
  bool HiddenByHost() const { return hiddenByHost_; }

 private:
  bool hiddenByHost_ = false;
  bool shownByDocument_ = false;  // inside SetShown
};

class TPanelObj : public TFloatingObj {
 public:
  static constexpr int32_t kDefaultWidth = 30, kDefaultHeight = 20;
  static constexpr int32_t kMaxSpace = 40;
  // A panel is a window: each side is held to this, so that the window, its painting and the picture it prints
  // through stay of a screen's size whatever size the page asks for.
  static constexpr int32_t kMaxSide = 4096;

  // PANEL or OBJECT at text index position. createOnly: the host's panel-create event is not raised (an OBJECT
  // element asks its own handler).
  TPanelObj(TSectionList* ownerList, int32_t position, const TAttributeList& attributes, TProperties& prop,
            bool createOnly);
  // The print copy: the same size and settings, without a window.
  TPanelObj(TSectionList* ownerList, const TPanelObj& source);
  ~TPanelObj() override;

  std::unique_ptr<ThvPanel> Panel;  // none without windows; a print copy has a hidden one for the print event
  TSectionList* OwnerList;
  bool IsCopy = false;
  std::string PanelName, PanelType, PanelSource;  // NAME, TYPE, SRC
  float PrintScaleX = 1.0f, PrintScaleY = 1.0f;
  bool ShowIt = false;  // painting placed the panel in view since the last scroll

  // Percentages of the room (availHeight 0: of availWidth), else the given pixels, the missing side keeping the
  // natural proportion; a size in pixels is fixed from then on.
  void ComputeSize(pf::TCanvas& canvas, int32_t availHeight, int32_t availWidth, TFontObj* linkRun) override;
  std::unique_ptr<TFloatingObj> CreateClone(TSectionList* ownerList) const override;
  // Printing, of a panel the host did not hide: the host's picture of the panel stretched to the object's size, else
  // a frame with the ALT text.
  void Draw(pf::TCanvas& canvas, int32_t x, int32_t y);
  // Painting: the window moved to x, y on the paint panel and shown; when printing, drawn there.
  void Place(pf::TCanvas& canvas, int32_t x, int32_t y);
};

// The radio button of a form control: it keeps its own checked state, and checking it (by the user or the
// program) raises its click handling once, unless clicks are suppressed. Grouping by name is the form's business.
class TFormRadioButton : public pf::TRadioButton {
 public:
  using pf::TRadioButton::TRadioButton;
  std::string ClassName() const override { return "TFormRadioButton"; }
  // Ignored while the Tab key is down (focus moving onto a button must not check it); the tab stop follows the
  // state.
  void SetChecked(bool value) override;
  // Only the click of a newly checked button reaches the handler.
  void Click() override;

 protected:
  void WndProc(pf::TMessage& message) override;

 private:
  bool checking_ = false;  // inside SetChecked: the one click of a newly checked button
};

// The check box of a form control; it handles the arrow keys itself, like the radio button.
class TFormCheckBox : public pf::TCheckBox {
 public:
  using pf::TCheckBox::TCheckBox;
  std::string ClassName() const override { return "TFormCheckBox"; }

 protected:
  void WndProc(pf::TMessage& message) override;
};

}  // namespace viewer
