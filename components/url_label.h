// A label that behaves like a link: it shows its Caption (or, without one, its URL), takes the highlight colour
// while the mouse is over it, and a click opens the URL with the desktop's program for it and then raises OnClick.
#pragma once

#include <memory>
#include <string>

#include "platform/ui/extctrls.h"
#include "platform/ui/stdctrls.h"

namespace components {

// The saved text colour when none is saved.
constexpr pf::TColor kNoSavedColor = 0x2000000;
// The hover check's interval: leaving the label restores its colour within this time.
constexpr uint32_t kHoverInterval = 100;

class TUrlLabel : public pf::TCustomLabel {
 public:
  // Highlight colour clRed, the hand cursor, an underlined font.
  explicit TUrlLabel(pf::TComponent* owner);
  ~TUrlLabel() override;
  std::string ClassName() const override { return "TUrlLabel"; }
  void Loaded() override;

  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& value);
  const std::string& URL() const { return url_; }
  void SetURL(const std::string& value);
  // The text colour while the mouse is over the label; clNone stands for the font's current colour.
  pf::TColor HighlightColor() const { return highlightColor_; }
  void SetHighlightColor(pf::TColor value);
  // After a click the label returns to VisitedColor (clNone: the font's current colour) instead of its own.
  bool UseVisitedColor() const { return useVisitedColor_; }
  void SetUseVisitedColor(bool value) { useVisitedColor_ = value; }
  pf::TColor VisitedColor() const { return visitedColor_; }
  void SetVisitedColor(pf::TColor value);
  // The component's version; read-only.
  std::string About() const { return "v4.05"; }
  void SetAbout(const std::string&) {}
  // The font's underline.
  bool UnderlineURL() const { return (Font().Style() & pf::fsUnderline) != 0; }
  void SetUnderlineURL(bool value);

  // Opens URL (a failure beeps), then OnClick.
  void Click() override;

 protected:
  void MouseMove(pf::TShiftState shift, int32_t x, int32_t y) override;

 private:
  void HoverTimerTimer();
  // While the mouse is over the label the colour it came with stays saved, so that leaving restores it.
  void ForgetSavedColor();

  std::string caption_;
  std::string url_;
  pf::TColor highlightColor_ = pf::clRed;
  bool useVisitedColor_ = false;
  pf::TColor visitedColor_ = pf::clBlack;
  std::unique_ptr<pf::TTimer> hoverTimer_;  // only while the mouse is over the label
  pf::TColor savedColor_ = kNoSavedColor;
};

}  // namespace components
