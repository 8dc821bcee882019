// A picture of what a control shows, its child windows included, for tools and tests that look at the screen.
#pragma once

#include <memory>

#include "platform/graphics/bitmap.h"
#include "platform/ui/controls.h"

namespace pf {

// The control's client area as it paints now, with its children, as a 24-bit bitmap of the client size.
std::unique_ptr<TBitmap> CaptureControl(TControl& control);

}  // namespace pf
