// TDynForm: gives its owner form a drop shadow (two thin pop-up strips along the right and bottom edges that darken
// every other pixel of what lies beneath them) and, optionally, a tiled bitmap as the form's client background. A
// message hook on the form keeps the strips in place: shown while the form is active and neither minimised nor
// maximised, hidden otherwise, and hidden while the form is moved or sized by the mouse, from WM_ENTERSIZEMOVE to
// WM_EXITSIZEMOVE (which the window layer sends on an X display; elsewhere the strips follow each step of a move).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "platform/graphics/bitmap.h"
#include "platform/ui/forms.h"
#include "platform/ui/popup_window.h"

namespace components {

enum TDynShadowStyle { ssNone, ssSoild, ssPattern };

// Every change calls OnChange.
class TDynShadow : public pf::TPersistent {
 public:
  std::string ClassName() const override { return "TDynShadow"; }
  void Assign(const pf::TPersistent& source) override;
  TDynShadowStyle Style() const { return style_; }
  void SetStyle(TDynShadowStyle value);
  // How far the strips start from the form's top and left edges.
  int32_t Pos() const { return pos_; }
  void SetPos(int32_t value);
  // The strips' thickness.
  int32_t Width() const { return width_; }
  void SetWidth(int32_t value);
  // Kept in the strips; the checkerboard does not use it.
  pf::TColor Color() const { return color_; }
  void SetColor(pf::TColor value);
  std::function<void()> OnChange;

 private:
  friend class TDynForm;
  TDynShadowStyle style_ = ssSoild;
  int32_t pos_ = 5;
  int32_t width_ = 5;
  pf::TColor color_ = pf::clBlack;
};

class TDynTexture : public pf::TPersistent {
 public:
  TDynTexture();
  std::string ClassName() const override { return "TDynTexture"; }
  void Assign(const pf::TPersistent& source) override;
  pf::TBitmap& Bitmap() { return bitmap_; }
  // The offset of the tiling.
  int32_t X() const { return x_; }
  void SetX(int32_t value);
  int32_t Y() const { return y_; }
  void SetY(int32_t value);
  std::function<void()> OnChange;

 private:
  void Changed() const {
    if (OnChange) OnChange();
  }
  pf::TBitmap bitmap_;
  int32_t x_ = 0;
  int32_t y_ = 0;
};

// A shadow strip: it keeps the shadow's style and colour, and its background is the checkerboard ANDed onto what
// lies beneath it.
class TShadowStrip : public pf::TPopupWindow {
 public:
  TShadowStrip(pf::TComponent* owner, pf::TCustomForm* form) : pf::TPopupWindow(owner, form) {}
  std::string ClassName() const override { return "TShadowStrip"; }
  TDynShadowStyle ShadowStyle = ssSoild;
  pf::TColor ShadowColor = pf::clBlack;

 protected:
  void WndProc(pf::TMessage& message) override;
};

class TDynForm : public pf::TComponent {
 public:
  // The owner must be a form (else pf::EInvalidCast "TForm(Owner)") of its own window (a form inside another
  // control: pf::EInvalidCast "MDIChild(Owner)").
  explicit TDynForm(pf::TComponent* owner);
  ~TDynForm() override;
  std::string ClassName() const override { return "TDynForm"; }

  TDynShadow& Shadow() { return shadow_; }
  TDynTexture& ClientTexture() { return texture_; }
  // The strips (nullptr once the form's window went).
  TShadowStrip* RightStrip() const { return right_; }
  TShadowStrip* BottomStrip() const { return bottom_; }

 private:
  void FormMessage(pf::TMessage& message, const pf::TWndMethod& previous);
  // Style and colour into the strips, the strips to their places, painted anew.
  void ShadowChanged();
  void PlaceStrips();
  void ShowStrips(bool show);
  // Shown when the form is visible and active, neither minimised nor maximised, and the style is not ssNone.
  bool StripsWanted() const;
  bool EraseWithTexture(pf::TMessage& message);
  void DestroyStrips();

  pf::TCustomForm* form_;
  TDynShadow shadow_;
  TDynTexture texture_;
  TShadowStrip* right_ = nullptr;
  TShadowStrip* bottom_ = nullptr;
  pf::TControl::THookHandle hook_ = 0;
  TDynShadowStyle dragStyle_ = ssNone;  // the style while the mouse moves or sizes the form
  bool dragging_ = false;               // after WM_NCLBUTTONDOWN, until the next mouse message
  bool moving_ = false;                 // from WM_ENTERSIZEMOVE to WM_EXITSIZEMOVE
};

// Tiles bitmap over area of canvas, the tiling moved by (x, y) (reduced modulo the bitmap's size): one row of
// copies side by side, starting with the part of the bitmap at the offset, then that row copied down the area, the
// first row from the vertical offset and the last one cut at the area's bottom.
void TileBitmap(pf::TCanvas& canvas, const pf::TRect& area, pf::TBitmap& bitmap, int32_t x, int32_t y);

}  // namespace components
