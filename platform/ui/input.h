// Input as the window system delivers it: mouse clicks and key strokes sent to a control's widgets through the
// same event path as the user's, so that tools and tests act on controls as a user would.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/ui/controls.h"

namespace pf {

// A left-button press and release at a client point of control, given to the innermost widget there (the row of a
// list box, the button of a check box). Shift adds modifier keys (ssShift, ssCtrl, ssAlt).
void SendMouseClick(TControl& control, const TPoint& point, TShiftState shift = 0);
// One key stroke (down, then up): the virtual key, the modifier keys and the Latin-1 character the key types (0 for
// none), to the widget of control that has the keyboard focus, else to the control's own widget.
void SendKeyStroke(TWinControl& control, uint16_t virtualKey, TShiftState shift = 0, char typed = 0);
// Types each character of a Latin-1 text as one key stroke.
void SendText(TWinControl& control, std::string_view text);

}  // namespace pf
