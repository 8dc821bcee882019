// Embedded panels: a PANEL or OBJECT element in the text, an empty child window the host application may fill.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/ui/extctrls.h"
#include "viewer/viewer_shared.h"

namespace viewer {

// The window of an embedded panel.
class ThvPanel : public pf::TPanel {
 public:
  using pf::TPanel::TPanel;
  std::string ClassName() const override { return "ThvPanel"; }
};

class TPanelObj : public TFloatingObj {
 public:
  static constexpr int32_t kDefaultWidth = 30, kDefaultHeight = 20;
  static constexpr int32_t kMaxSpace = 40;

  // PANEL or OBJECT at text index position. createOnly: the host's panel-create event is not raised (an OBJECT
  // element asks its own handler).
  TPanelObj(TSectionList* ownerList, int32_t position, const TAttributeList& attributes, TProperties& prop,
            bool createOnly);
  // The print copy: the same size and settings, without a window.
  TPanelObj(TSectionList* ownerList, const TPanelObj& source);
  ~TPanelObj() override;

  std::unique_ptr<ThvPanel> Panel;  // none in a document without windows and in a print copy
  TSectionList* OwnerList;
  bool IsCopy = false;
  std::string PanelName, PanelType, PanelSource;  // NAME, TYPE, SRC
  float PrintScaleX = 1.0f, PrintScaleY = 1.0f;
  bool ShowIt = false;  // painting placed the panel in view since the last scroll

  void ComputeSize(pf::TCanvas& canvas, int32_t availHeight, int32_t availWidth, TFontObj* linkRun) override;
  std::unique_ptr<TFloatingObj> CreateClone(TSectionList* ownerList) const override;
  // Printing (built with the painting).
  void Draw(pf::TCanvas& canvas, int32_t x, int32_t y);
};

}  // namespace viewer
