// Styled text: a text drawn into a rectangle of a canvas with alignment, word wrap, line spacing, rotation and
// effects (lowered, raised or outlined look, drop shadow, extrusion, disabled colours). Every status-bar panel owns
// one TsbCaptionText, which the panel hands the canvas, rectangle and text at each paint.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/core/component.h"
#include "platform/graphics/canvas.h"
#include "platform/graphics/fonts.h"

namespace components {

enum TAlignment { taLeftJustify, taRightJustify, taCenter };
enum TsbVAlignment { vaTop, vaVCenter, vaBottom };
enum TsbTextStyle { sblsDefault, sblsLowered, sblsRaised, sblsOutline };
enum TsbOrientation { sbTopLeft, sbTopRight, sbBottomLeft, sbBottomRight, sbTop, sbRight, sbLeft, sbBottom };
enum TsbTextOption : uint32_t { toShowAccel = 0x01, toShowEllipsis = 0x02, toFullJustify = 0x04 };
using TsbTextOptions = uint32_t;

// The step (dx, dy) of each orientation, in the order of TsbOrientation; the outline uses all eight.
struct TsbStep {
  int32_t dx;
  int32_t dy;
};
constexpr TsbStep kOrientationSteps[8] = {{1, 1}, {-1, 1}, {1, -1}, {-1, -1}, {0, 1}, {-1, 0}, {1, 0}, {0, -1}};

// The effect objects store a changed value and tell their text (OnChange).
class TsbEffect : public pf::TPersistent {
 public:
  std::function<void()> OnChange;

 protected:
  template <class T>
  void Change(T& field, T value) {
    if (field == value) return;
    field = value;
    if (OnChange) OnChange();
  }
};

class TsbShadowEffects : public TsbEffect {
 public:
  std::string ClassName() const override { return "TsbShadowEffects"; }
  void Assign(const pf::TPersistent& source) override;
  pf::TColor Color() const { return color_; }
  void SetColor(pf::TColor value) { Change(color_, value); }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value) { Change(enabled_, value); }
  int32_t XOffset() const { return xOffset_; }
  void SetXOffset(int32_t value) { Change(xOffset_, value); }
  int32_t YOffset() const { return yOffset_; }
  void SetYOffset(int32_t value) { Change(yOffset_, value); }

 private:
  pf::TColor color_ = pf::clBtnShadow;
  bool enabled_ = false;
  int32_t xOffset_ = 10;
  int32_t yOffset_ = 10;
};

class TsbExtrudeEffects : public TsbEffect {
 public:
  std::string ClassName() const override { return "TsbExtrudeEffects"; }
  void Assign(const pf::TPersistent& source) override;
  int32_t Depth() const { return depth_; }
  void SetDepth(int32_t value) { Change(depth_, value); }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value) { Change(enabled_, value); }
  pf::TColor FarColor() const { return farColor_; }
  void SetFarColor(pf::TColor value) { Change(farColor_, value); }
  pf::TColor NearColor() const { return nearColor_; }
  void SetNearColor(pf::TColor value) { Change(nearColor_, value); }
  TsbOrientation Orientation() const { return orientation_; }
  void SetOrientation(TsbOrientation value) { Change(orientation_, value); }
  bool Striated() const { return striated_; }
  void SetStriated(bool value) { Change(striated_, value); }
  // The colour of layer i of Depth (1 is the farthest, Depth lies next to the text).
  pf::TColor LayerColor(int32_t i) const;

 private:
  int32_t depth_ = 10;
  bool enabled_ = false;
  pf::TColor farColor_ = pf::clBlack;
  pf::TColor nearColor_ = pf::clBlack;
  TsbOrientation orientation_ = sbBottomRight;
  bool striated_ = false;
};

class TsbDisabledColors : public TsbEffect {
 public:
  std::string ClassName() const override { return "TsbDisabledColors"; }
  void Assign(const pf::TPersistent& source) override;
  pf::TColor HighlightColor() const { return highlightColor_; }
  void SetHighlightColor(pf::TColor value) { Change(highlightColor_, value); }
  pf::TColor ShadeColor() const { return shadeColor_; }
  void SetShadeColor(pf::TColor value) { Change(shadeColor_, value); }

 private:
  pf::TColor highlightColor_ = pf::clBtnHighlight;
  pf::TColor shadeColor_ = pf::clBtnShadow;
};

// What the owner offers the text: a repaint, a spare change notification, and whether the text is enabled.
struct TsbTextCallbacks {
  std::function<void()> Repaint;
  std::function<void()> Changed;
  std::function<bool()> Enabled;
};

// The font description a styled text draws with.
struct TsbLogFont {
  int32_t Height = 0;
  int32_t Width = 0;
  int32_t Escapement = 0;  // tenths of degrees, counter-clockwise
  int32_t Orientation = 0;
  int32_t Weight = 400;
  bool Italic = false;
  bool Underline = false;
  bool StrikeOut = false;
  uint8_t CharSet = 0;
  uint8_t OutPrecision = 0;
  uint8_t ClipPrecision = 0;
  uint8_t Quality = 0;
  uint8_t PitchAndFamily = 0;
  std::string FaceName;
};

class TsbText : public pf::TPersistent {
 public:
  TsbText(TsbTextCallbacks callbacks, pf::TCanvas* canvas, pf::TFont* font);
  std::string ClassName() const override { return "TsbText"; }

  // Virtual operations in their slot order.
  void Assign(const pf::TPersistent& source) override;

 protected:
  virtual void Changed();
  virtual TsbLogFont GetLogFont();
  virtual pf::TSize GetTextSize();
  virtual pf::TSize GetRotatedExtent(bool limitToRect);
  virtual pf::TPoint GetRotatedOrigin();
  virtual void DrawEmbossed(const pf::TRect& r, pf::TColor upLeft, pf::TColor downRight);
  virtual void DrawOutlineRing(const pf::TRect& r, pf::TColor color);
  virtual void DrawShadow(const pf::TRect& r);
  virtual void DrawLines(const pf::TRect& r, pf::TColor color);
  virtual void CalcRect();
  virtual void NotifyOwner();

 public:
  virtual void Draw();

 protected:
  virtual void DrawDefault();
  virtual void DrawOutline();
  virtual void DrawLoweredRaised(bool raised);
  virtual void PrepareFont();

 public:
  // The font the text is drawn in (the owner's).
  virtual void AssignFont(pf::TFont* font) { font_ = font; }

  void SetCanvas(pf::TCanvas* canvas) { canvas_ = canvas; }
  // The text and its rectangle for the next Draw (no repaint).
  void SetText(const std::string& text) { text_ = text; }
  const std::string& Text() const { return text_; }
  void SetTextRect(const pf::TRect& r) { textRect_ = r; }
  const pf::TRect& TextRect() const { return textRect_; }
  // Where the last Draw placed the text (before any effect offsets).
  const pf::TRect& DrawnRect() const { return drawRect_; }

  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment value) { Change(alignment_, value); }
  TsbVAlignment VAlignment() const { return vAlignment_; }
  void SetVAlignment(TsbVAlignment value) { Change(vAlignment_, value); }
  TsbTextStyle Style() const { return style_; }
  void SetStyle(TsbTextStyle value) { Change(style_, value); }
  pf::TColor HighlightColor() const { return highlightColor_; }
  void SetHighlightColor(pf::TColor value) { Change(highlightColor_, value); }
  pf::TColor ShadeColor() const { return shadeColor_; }
  void SetShadeColor(pf::TColor value) { Change(shadeColor_, value); }
  pf::TColor OutlineColor() const { return outlineColor_; }
  void SetOutlineColor(pf::TColor value) { Change(outlineColor_, value); }
  int32_t LineSpacing() const { return lineSpacing_; }
  void SetLineSpacing(int32_t value) { Change(lineSpacing_, value); }
  int32_t Rotation() const { return rotation_; }
  void SetRotation(int32_t value) { Change(rotation_, value); }
  TsbTextOptions Options() const { return options_; }
  void SetOptions(TsbTextOptions value);
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool value);
  bool DoubleBuffered() const { return doubleBuffered_; }
  void SetDoubleBuffered(bool value) { Change(doubleBuffered_, value); }
  // Font heights scaled by the screen's pixels per inch over 96.
  bool ScaleByScreen() const { return scaleByScreen_; }
  void SetScaleByScreen(bool value) { Change(scaleByScreen_, value); }
  TsbShadowEffects& Shadow() { return shadow_; }
  TsbExtrudeEffects& ExtrudeEffects() { return extrude_; }
  TsbDisabledColors& DisabledColors() { return disabledColors_; }
  // The flags the lines are drawn with (DT_ values).
  uint32_t DrawFlags() const { return drawFlags_; }

 protected:
  bool TextEnabled() const { return !callbacks_.Enabled || callbacks_.Enabled(); }
  // The rectangle moved by the extrusion; its layers are drawn in their colours.
  void DrawExtrusion(const pf::TRect& r);
  double Angle() const;
  template <class T>
  void Change(T& field, T value) {
    if (field == value) return;
    field = value;
    Changed();
  }

  TsbTextCallbacks callbacks_;
  pf::TCanvas* canvas_;
  pf::TFont* font_;
  pf::TSize textSize_;
  pf::TRect drawRect_;
  uint32_t lineFlags_ = 0;

 private:
  void DrawStyled();
  TAlignment alignment_ = taLeftJustify;
  TsbVAlignment vAlignment_ = vaTop;
  TsbTextStyle style_ = sblsDefault;
  pf::TColor highlightColor_ = pf::clBtnHighlight;
  pf::TColor shadeColor_ = pf::clBtnShadow;
  pf::TColor outlineColor_ = pf::clBlack;
  int32_t lineSpacing_ = 5;
  int32_t rotation_ = 0;
  TsbTextOptions options_ = toShowAccel;
  bool wordWrap_ = false;
  bool doubleBuffered_ = false;
  bool scaleByScreen_ = false;
  uint32_t drawFlags_ = 0;
  TsbShadowEffects shadow_;
  TsbExtrudeEffects extrude_;
  TsbDisabledColors disabledColors_;
  std::string text_;
  pf::TRect textRect_;
};

// The form of TsbText that panels publish.
class TsbCaptionText : public TsbText {
 public:
  using TsbText::TsbText;
  std::string ClassName() const override { return "TsbCaptionText"; }
};

}  // namespace components
