// What the viewer's boxes, tables, pictures and form controls draw their edges with (CSS borders of every style,
// bevels, control frames, clipping), and the shared state the viewer sets up once: the colour flag of palette
// screens, the placeholder pictures and the stream that means "the picture comes later". The screen's colour depth
// and the shared palette are in screen_palette.h.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "platform/core/streams.h"
#include "platform/graphics/bitmap.h"
#include "platform/graphics/canvas.h"
#include "viewer/screen_palette.h"
#include "viewer/viewer_shared.h"

namespace viewer {

// Border style codes, in the order of the style names.
enum TBorderStyle : uint8_t {
  bssNone = 0,
  bssSolid = 1,
  bssInset = 2,
  bssOutset = 3,
  bssGroove = 4,
  bssRidge = 5,
  bssDashed = 6,
  bssDotted = 7,
  bssDouble = 8,
};

// The four side styles packed one byte each: left, top, right, bottom (lowest byte first).
using TBorderStyleSides = uint32_t;
// The four side colours in the same order.
using TBorderColors = std::array<pf::TColor, 4>;
enum TBorderSide { bsLeft = 0, bsTop = 1, bsRight = 2, bsBottom = 3 };

TBorderStyleSides MakeBorderStyles(uint8_t left, uint8_t top, uint8_t right, uint8_t bottom);
inline uint8_t BorderStyleOf(TBorderStyleSides styles, TBorderSide side) {
  return static_cast<uint8_t>(styles >> (8 * side));
}
TBorderColors MakeBorderColors(pf::TColor left, pf::TColor top, pf::TColor right, pf::TColor bottom);

// ---- unit set-up ----

// Counted: only the first initialization and the last finalization act.
void InitializeViewerShared();
void FinalizeViewerShared();
// The palette-relative colour flag on screens of 8 bits and less (ScreenColorDepth), else 0; the viewer ORs it
// into the colours it takes from hexadecimal text and its defaults.
pf::TColor PaletteColorFlag();
// The platform is never the old consumer Windows line here.
constexpr bool IsWin9xPlatform = false;
constexpr bool IsEarlyWin9x = false;
// The picture shown while an image is still to come, the one shown for an image that could not be loaded, and the
// mask of the latter (1 where it is transparent). nullptr until set up.
pf::TBitmap* DefBitmap();
pf::TBitmap* ErrorBitmap();
pf::TBitmap* ErrorBitmapMask();
// An image-request handler that answers with this very stream tells the document that the picture comes later.
pf::TMemoryStream* ImageWaitStream();
// The screen cursors for links and drag scrolling are the window layer's own (crLinkHand 10101, crPanUpDown 10103,
// crPanUp 10104, crPanDown 10105); nothing is registered here.
// Frees the placeholder pictures and the wait stream (the shared palette lives as long as the program).
void FreeSharedResources();

// ---- drawing ----

// A device of one bit per pixel in one plane.
bool IsMonochromeDevice(pf::TCanvas& canvas);
// Keeps the canvas's brush and pen as they were.
class ToolsSaver {
 public:
  explicit ToolsSaver(pf::TCanvas& canvas);
  ~ToolsSaver();
  ToolsSaver(const ToolsSaver&) = delete;
  ToolsSaver& operator=(const ToolsSaver&) = delete;

 private:
  pf::TCanvas& canvas_;
  pf::TBrush brush_;
  pf::TPen pen_;
};

// A solid fill of left..right-1 x top..bottom-1; the brush is restored.
void FillRectWithColor(pf::TCanvas& canvas, int32_t left, int32_t top, int32_t right, int32_t bottom, pf::TColor color);
// The printed look of a form control: the face (button face when disabled, except on monochrome devices), then a
// 1-pixel black frame (monoBlack on a 1-bit device) or a 2-pixel sunken (or raised) frame.
void DrawControlFrame(pf::TCanvas& canvas, int32_t left, int32_t top, int32_t right, int32_t bottom, pf::TColor color,
                      bool disabled, bool monoBlack, bool raised);
// A 1-pixel 3D rectangle (light at the top left when raised); top and bottom clamped to -200..5000.
void DrawThinBevel(pf::TCanvas& canvas, int32_t left, int32_t top, int32_t right, int32_t bottom, bool raised,
                   pf::TColor light, pf::TColor dark);
// A 3D frame width pixels wide inside r.
void DrawBevel(pf::TCanvas& canvas, const pf::TRect& r, int32_t width, bool raised, pf::TColor light, pf::TColor dark);
// The 3D frame of pictures and tables in the document's colours: silver light on white pages and when printing,
// else the button highlight; the button shadow dark; all black when printing in black to a monochrome device.
void DrawBevelForDocument(const IDocumentRoot& document, pf::TCanvas& canvas, const pf::TRect& r, int32_t width,
                          bool raised);
// Three quarters of each of red, green and blue (system colours resolved first).
pf::TColor DimColor(pf::TColor color);
// One side of a border: a filled quadrilateral, or a 1-pixel line along its outer edge when thin.
void DrawBorderSide(pf::TCanvas& canvas, const std::array<pf::TPoint, 4>& corners, pf::TColor color, bool thin,
                    TBorderSide side);
// A CSS border in the ring between outer and inner, each side with its own style and colour; coordinates clamped
// to -200..5000. fill (unless clNone) first fills the ring where dashed, dotted and double sides leave gaps.
void DrawBoxBorder(pf::TCanvas& canvas, const pf::TRect& outer, const pf::TRect& inner, const TBorderColors& colors,
                   pf::TColor fill, TBorderStyleSides styles);
// Clips the canvas to r (logical units) within its current clip. oldRegion is the clip before (null when there was
// none), to be selected again afterwards.
void ClipToRect(pf::TCanvas& canvas, const pf::TRect& r, pf::HRGN& oldRegion, pf::HRGN& newRegion);

}  // namespace viewer
