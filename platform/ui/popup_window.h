// TPopupWindow: a small window of its own beside a form (drop shadows and the like). It has no frame and no parent
// control, stays with its owner form, is never activated and never takes the keyboard or the mouse: clicks go to
// whatever lies beneath. Its bounds are screen co-ordinates. Showing it (Visible true) does not activate it.
// Painting (WM_ERASEBKGND, WM_PAINT) starts from a picture of what the screen shows beneath the window, so that
// raster operations with the destination work on the desktop beneath; where the screen cannot be read the picture
// is Color. The picture is taken when the window appears: shown, or moved while shown, it leaves the screen at once
// and comes back shortly after, once the windows beneath have painted what it and its owner's moves uncovered.
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
  // A shown window that moves leaves the screen and comes back at its new place, with a new picture of it.
  void UpdateGeometry() override;
  void Notification(TComponent* component, TOperation operation) override;

 private:
  TCustomForm* ownerForm_;
};

}  // namespace pf
