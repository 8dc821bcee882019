// TPopupWindow: a small window of its own beside a form (drop shadows and the like). It has no frame and no parent
// control, stays with its owner form, is never activated and never takes the keyboard or the mouse: clicks go to
// whatever lies beneath. Its bounds are screen co-ordinates. Showing it (Visible true) does not activate it.
// Painting (WM_ERASEBKGND, WM_PAINT) starts from a picture of what the screen showed beneath the window just
// before it was last shown or moved, so that raster operations with the destination work on the desktop beneath;
// where the screen cannot be read the picture is Color.
#pragma once

#include "platform/ui/controls.h"
#include "platform/ui/forms.h"

namespace pf {

class TPopupWindow : public TCustomControl {
 public:
  // ownerForm: the form the window stays with (nullptr: none).
  TPopupWindow(TComponent* owner, TCustomForm* ownerForm);
  ~TPopupWindow() override;
  std::string ClassName() const override { return "TPopupWindow"; }

  TCustomForm* OwnerForm() const { return ownerForm_; }
  bool Showing() const override { return Visible(); }

 protected:
  void VisibleChanged() override;
  // A shown window that moves is taken off the screen and shown again, so that its picture of the screen beneath
  // is taken at the new place.
  void UpdateGeometry() override;
  void Notification(TComponent* component, TOperation operation) override;

 private:
  TCustomForm* ownerForm_;
};

}  // namespace pf
