// Speed buttons: small flat tool buttons with a glyph, which can stay down and form groups.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/graphics/bitmap.h"
#include "platform/ui/controls.h"

namespace pf {

enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };

// A button without focus. The glyph's bottom-left pixel gives its transparent colour; NumGlyphs > 1 divides the
// bitmap into that many images side by side (up, disabled, ...) of which the first is shown. With GroupIndex > 0 a
// click puts the button down and every other button of the parent with the same GroupIndex up; AllowAllUp lets a
// click put a down button up again.
class TSpeedButton : public TGraphicControl {
 public:
  explicit TSpeedButton(TComponent* owner);
  ~TSpeedButton() override;
  std::string ClassName() const override { return "TSpeedButton"; }
  TBitmap& Glyph() { return *glyph_; }
  int NumGlyphs() const { return numGlyphs_; }
  void SetNumGlyphs(int value);
  bool Flat() const { return flat_; }
  void SetFlat(bool value);
  bool Down() const { return down_; }
  void SetDown(bool value);
  int GroupIndex() const { return groupIndex_; }
  void SetGroupIndex(int value);
  bool AllowAllUp() const { return allowAllUp_; }
  void SetAllowAllUp(bool value) { allowAllUp_ = value; }
  TButtonLayout Layout() const { return layout_; }
  void SetLayout(TButtonLayout value);

 protected:
  void TextChanged() override;

 private:
  friend struct SpeedButtonAccess;
  void GlyphChanged();
  void UserClicked();
  std::unique_ptr<TBitmap> glyph_;
  int numGlyphs_ = 1;
  bool flat_ = false;
  bool down_ = false;
  int groupIndex_ = 0;
  bool allowAllUp_ = false;
  TButtonLayout layout_ = blGlyphLeft;
};

}  // namespace pf
