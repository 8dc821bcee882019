// TCanvas: painting on a bitmap (and, through pf_ui, on windows and printers) with the GDI rules that layouts and
// pictures depend on:
//   - FillRect fills Left..Right-1 x Top..Bottom-1; LineTo does not draw its last point; TextOut places the top-left
//     of the text cell at (x, y) unless SetTextAlign says otherwise;
//   - the brush, pen and font are handed to the device state lazily, before the next drawing or device call, so
//     SetBkMode/SetBkColor/SetTextColor hold until the brush or font changes again (the brush sets the background
//     colour and OPAQUE, or TRANSPARENT when clear; the font sets the text colour);
//   - blits combine source, destination and the brush by any ternary raster operation; a monochrome source becomes
//     the text colour (0) and the background colour (1) on a colour destination; a colour source becomes 1 where it
//     equals the background colour and 0 elsewhere on a monochrome destination;
//   - masks are 1-bit bitmaps in which 1 (white) marks a transparent pixel.
// All coordinates are device pixels; clipping applies to every operation, including blits.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/graphics/colors.h"
#include "platform/graphics/fonts.h"
#include "platform/graphics/geometry.h"
#include "platform/graphics/palette.h"

namespace pf {

class TGraphic;
class TBitmap;
struct CanvasTarget;  // the surface behind a canvas; defined by the implementation (canvas_qt.h)

enum TBrushStyle { bsSolid, bsClear };
enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };

class TBrush : public TPersistent {
 public:
  std::string ClassName() const override { return "TBrush"; }
  void Assign(const TPersistent& source) override;
  TColor Color() const { return color_; }
  void SetColor(TColor value);  // also makes the style solid (a clear brush with a colour set is solid)
  TBrushStyle Style() const { return style_; }
  void SetStyle(TBrushStyle value);
  std::function<void(TBrush&)> OnChange;

 private:
  TColor color_ = clWhite;
  TBrushStyle style_ = bsSolid;
};

class TPen : public TPersistent {
 public:
  std::string ClassName() const override { return "TPen"; }
  void Assign(const TPersistent& source) override;
  TColor Color() const { return color_; }
  void SetColor(TColor value);
  int32_t Width() const { return width_; }
  void SetWidth(int32_t value);  // values below 1 count as 1
  TPenStyle Style() const { return style_; }
  void SetStyle(TPenStyle value);
  std::function<void(TPen&)> OnChange;

 private:
  TColor color_ = clBlack;
  int32_t width_ = 1;
  TPenStyle style_ = psSolid;
};

// Ternary raster operations (the classic codes; bits 16-23 hold the truth table over pattern, source, destination).
using TCopyMode = uint32_t;
constexpr TCopyMode SRCCOPY = 0x00CC0020;
constexpr TCopyMode SRCPAINT = 0x00EE0086;
constexpr TCopyMode SRCAND = 0x008800C6;
constexpr TCopyMode SRCINVERT = 0x00660046;
constexpr TCopyMode SRCERASE = 0x00440328;
constexpr TCopyMode NOTSRCCOPY = 0x00330008;
constexpr TCopyMode NOTSRCERASE = 0x001100A6;
constexpr TCopyMode MERGECOPY = 0x00C000CA;
constexpr TCopyMode MERGEPAINT = 0x00BB0226;
constexpr TCopyMode PATCOPY = 0x00F00021;
constexpr TCopyMode PATPAINT = 0x00FB0A09;
constexpr TCopyMode PATINVERT = 0x005A0049;
constexpr TCopyMode DSTINVERT = 0x00550009;
constexpr TCopyMode BLACKNESS = 0x00000042;
constexpr TCopyMode WHITENESS = 0x00FF0062;
constexpr TCopyMode DSTCOPY = 0x00AA0029;
// A quaternary operation for MaskBlt: fore applies where the mask bit is 1, back where it is 0.
constexpr uint32_t MAKEROP4(TCopyMode fore, TCopyMode back) { return ((back << 8) & 0xFF000000u) | fore; }

// Text alignment flags.
enum : uint32_t {
  TA_NOUPDATECP = 0,
  TA_UPDATECP = 1,
  TA_LEFT = 0,
  TA_RIGHT = 2,
  TA_CENTER = 6,
  TA_TOP = 0,
  TA_BOTTOM = 8,
  TA_BASELINE = 24,
};
// Background modes.
enum : int { TRANSPARENT = 1, OPAQUE = 2 };
// Stretch modes (all draw nearest-neighbour here).
enum : int { BLACKONWHITE = 1, WHITEONBLACK = 2, COLORONCOLOR = 3, HALFTONE = 4 };
// Device capabilities.
enum : int {
  HORZRES = 8,
  VERTRES = 10,
  BITSPIXEL = 12,
  PLANES = 14,
  NUMCOLORS = 24,
  RASTERCAPS = 38,
  LOGPIXELSX = 88,
  LOGPIXELSY = 90,
  SIZEPALETTE = 104,
  PHYSICALWIDTH = 110,
  PHYSICALHEIGHT = 111,
  PHYSICALOFFSETX = 112,
  PHYSICALOFFSETY = 113,
};
enum : int { RC_PALETTE = 0x0100 };
// Region combination modes and results.
enum : int { RGN_AND = 1, RGN_OR = 2, RGN_XOR = 3, RGN_DIFF = 4, RGN_COPY = 5 };
enum : int { RGN_ERROR = 0, NULLREGION = 1, SIMPLEREGION = 2, COMPLEXREGION = 3 };
enum : int { ALTERNATE = 1, WINDING = 2 };

// A clip region: a set of pixels, shared by handle (copies refer to the same region; regions never change after
// they are made, except through CombineRgn into a handle).
class HRGN {
 public:
  HRGN() = default;
  HRGN(std::nullptr_t) {}
  explicit operator bool() const { return data_ != nullptr; }
  friend bool operator==(const HRGN& a, const HRGN& b) { return a.data_ == b.data_; }
  struct Data;
  const Data* data() const { return data_.get(); }
  explicit HRGN(std::shared_ptr<const Data> d) : data_(std::move(d)) {}

 private:
  std::shared_ptr<const Data> data_;
};

HRGN CreateRectRgn(int32_t left, int32_t top, int32_t right, int32_t bottom);
HRGN CreateRectRgnIndirect(const TRect& r);
// The ellipse inscribed in the rectangle (right and bottom excluded).
HRGN CreateEllipticRgn(int32_t left, int32_t top, int32_t right, int32_t bottom);
HRGN CreatePolygonRgn(const TPoint* points, int count, int fillMode);
// dest := a op b (b ignored for RGN_COPY); returns the kind of the result (NULLREGION, SIMPLEREGION, ...).
int CombineRgn(HRGN& dest, const HRGN& a, const HRGN& b, int mode);
bool PtInRegion(const HRGN& region, int32_t x, int32_t y);
// The bounding box; returns the region's kind.
int GetRgnBox(const HRGN& region, TRect& box);
void OffsetRgn(HRGN& region, int32_t dx, int32_t dy);
void DeleteObject(HRGN& region);

// A canvas's identity: a number that no other canvas of this process ever had; 0 is no canvas.
using HDC = uint64_t;
// Whether a canvas with this handle still exists.
bool IsCanvasHandleValid(HDC handle);

class TCanvas : public TPersistent {
 public:
  // A canvas without a surface: drawing raises EInvalidOperation "Canvas does not allow drawing".
  TCanvas();
  explicit TCanvas(std::unique_ptr<CanvasTarget> target);
  ~TCanvas() override;
  TCanvas(const TCanvas&) = delete;
  TCanvas& operator=(const TCanvas&) = delete;
  std::string ClassName() const override { return "TCanvas"; }

  HDC Handle() const { return handle_; }
  bool HasSurface() const { return target_ != nullptr; }
  // The surface's size in pixels.
  int32_t DeviceWidth() const;
  int32_t DeviceHeight() const;
  int GetDeviceCaps(int index) const;

  TBrush& Brush() { return brush_; }
  TPen& Pen() { return pen_; }
  TFont& Font() { return font_; }
  TCopyMode CopyMode() const { return copyMode_; }
  void SetCopyMode(TCopyMode value) { copyMode_ = value; }
  TPoint PenPos() const { return penPos_; }
  void SetPenPos(const TPoint& p) { penPos_ = p; }

  // Shapes. Rectangles exclude their right and bottom edge.
  void FillRect(const TRect& r);                                   // the brush; nothing for a clear brush
  void FrameRect(const TRect& r);                                  // a 1-pixel border in the brush colour
  void Rectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2);  // pen border inside, brush inside that
  void Rectangle(const TRect& r) { Rectangle(r.Left, r.Top, r.Right, r.Bottom); }
  void Ellipse(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
  void Ellipse(const TRect& r) { Ellipse(r.Left, r.Top, r.Right, r.Bottom); }
  void Polygon(const std::vector<TPoint>& points);   // brush inside (alternate rule), pen outline
  void Polyline(const std::vector<TPoint>& points);  // the last point is not drawn
  void MoveTo(int32_t x, int32_t y);
  void LineTo(int32_t x, int32_t y);          // from PenPos; the end point is not drawn
  void DrawFocusRect(const TRect& r);         // dotted 1-pixel frame, inverting the pixels
  TColor Pixels(int32_t x, int32_t y) const;  // clNone outside the surface or where it cannot be read
  void SetPixel(int32_t x, int32_t y, TColor color);

  // Text. Latin-1 strings are drawn as their Unicode characters. Positions follow SetTextAlign; with an opaque
  // background the text cell (extent x tmHeight) is filled with the background colour first. The pen position
  // moves to the end of the text.
  void TextOut(int32_t x, int32_t y, std::string_view text);
  void TextOutW(int32_t x, int32_t y, std::u16string_view text);
  // As TextOut, clipped to r; an opaque background fills all of r.
  void TextRect(const TRect& r, int32_t x, int32_t y, std::string_view text);
  void TextRectW(const TRect& r, int32_t x, int32_t y, std::u16string_view text);
  // Width: the sum of the advances, character extra and justification share; height: tmHeight.
  TSize TextExtent(std::string_view text);
  TSize TextExtentW(std::u16string_view text);
  int32_t TextWidth(std::string_view text) { return TextExtent(text).cx; }
  int32_t TextHeight(std::string_view text) { return TextExtent(text).cy; }
  // The count of leading characters whose extent is at most maxExtent (fit) and the running extents of every
  // character (dx[i] = extent of the first i + 1; may be nullptr). Returns the extent of the whole text.
  TSize GetTextExtentExPoint(std::u16string_view text, int32_t maxExtent, int32_t* fit, std::vector<int32_t>* dx);
  TTextMetric GetTextMetrics();
  uint32_t SetTextAlign(uint32_t align);  // returns the previous alignment
  uint32_t GetTextAlign() const { return state_.textAlign; }
  // Extra pixels spread over breakCount break characters (space and no-break space) of the following text: each
  // gets extra / breakCount, the first extra % breakCount of them one more. The count of breaks already passed is
  // kept across calls until the next SetTextJustification; (0, 0) switches it off.
  void SetTextJustification(int32_t extra, int32_t breakCount);
  int32_t SetTextCharacterExtra(int32_t extra);  // returns the previous value
  int32_t GetTextCharacterExtra() const { return state_.charExtra; }
  int SetBkMode(int mode);  // returns the previous mode
  int GetBkMode();
  TColor SetBkColor(TColor color);  // returns the previous colour
  TColor GetBkColor();
  TColor SetTextColor(TColor color);
  TColor GetTextColor();

  // Graphics. Draw places the graphic at its own size; StretchDraw scales it into r.
  void Draw(int32_t x, int32_t y, TGraphic& graphic);
  void StretchDraw(const TRect& r, TGraphic& graphic);
  // Copies sourceRect of source into dest (scaled) with CopyMode.
  void CopyRect(const TRect& dest, TCanvas& source, const TRect& sourceRect);

  // Clipping. ClipRect is the bounding box of the drawable area (the whole surface without a clip).
  TRect ClipRect() const;
  // nullptr removes the clip. The region is copied (later changes of the handle do not apply).
  int SelectClipRgn(const HRGN& region);
  // The current clip; nullptr when there is none.
  HRGN GetClipRgn() const;
  int IntersectClipRect(int32_t left, int32_t top, int32_t right, int32_t bottom);
  int ExcludeClipRect(int32_t left, int32_t top, int32_t right, int32_t bottom);

  // Stretch mode and brush origin are kept as state (scaling is always nearest-neighbour).
  int SetStretchBltMode(int mode);
  int GetStretchBltMode() const { return state_.stretchMode; }
  TPoint SetBrushOrgEx(const TPoint& origin);

  // The selected palette (see SelectPalette).
  HPALETTE SelectedPalette() const { return state_.palette; }

  // Saving and restoring the device state (clip, alignment, colours, modes, extra, justification, palette).
  int SaveDC();
  bool RestoreDC(int savedState);  // -1: the last saved state

  // For the implementation and the layers above it.
  CanvasTarget* Target() const { return target_.get(); }
  void SetTarget(std::unique_ptr<CanvasTarget> target);
  HPALETTE SetSelectedPalette(const HPALETTE& palette);

  std::function<void(TCanvas&)> OnChange;
  std::function<void(TCanvas&)> OnChanging;

 private:
  friend struct CanvasAccess;
  struct DeviceState {
    uint32_t textAlign = TA_TOP;
    int bkMode = OPAQUE;
    TColor bkColor = clWhite;
    TColor textColor = clBlack;
    int32_t charExtra = 0;
    int32_t justifyExtra = 0;
    int32_t justifyBreaks = 0;
    int32_t justifyDone = 0;
    int stretchMode = BLACKONWHITE;
    TPoint brushOrg;
    HRGN clip;
    HPALETTE palette;
  };
  void RequireState();
  // The face of the current font, realised once per font change (and per font service).
  std::shared_ptr<const TFontFace> Face();
  std::unique_ptr<CanvasTarget> target_;
  HDC handle_ = 0;
  TBrush brush_;
  TPen pen_;
  TFont font_;
  TCopyMode copyMode_ = SRCCOPY;
  TPoint penPos_;
  bool brushDirty_ = true;
  bool fontDirty_ = true;
  std::shared_ptr<const TFontFace> face_;
  uint64_t faceGeneration_ = 0;
  DeviceState state_;
  std::vector<DeviceState> saved_;
};

// The blits of the classic API, on canvases. Sizes may be negative for mirrored stretching. Return false when a
// canvas has no surface (the source must be readable) and do nothing then.
bool BitBlt(TCanvas& dest, int32_t x, int32_t y, int32_t width, int32_t height, TCanvas* source, int32_t sx, int32_t sy,
            TCopyMode rop);
bool StretchBlt(TCanvas& dest, int32_t x, int32_t y, int32_t width, int32_t height, TCanvas* source, int32_t sx,
                int32_t sy, int32_t sourceWidth, int32_t sourceHeight, TCopyMode rop);
bool PatBlt(TCanvas& dest, int32_t x, int32_t y, int32_t width, int32_t height, TCopyMode rop);
// Per pixel the mask bit (1-bit mask at mx, my) chooses the foreground (1) or background (0) operation of rop4.
bool MaskBlt(TCanvas& dest, int32_t x, int32_t y, int32_t width, int32_t height, TCanvas& source, int32_t sx,
             int32_t sy, const TBitmap& mask, int32_t mx, int32_t my, uint32_t rop4);
// Draws sourceRect of image scaled into destRect, leaving the destination where the mask (same size as the image)
// has 1 (white = transparent).
void DrawMasked(TCanvas& dest, const TRect& destRect, const TBitmap& image, const TRect& sourceRect,
                const TBitmap& mask);
// Draws sourceRect of image scaled into destRect, leaving the destination where the image has transparentColor.
void TransparentStretchBlt(TCanvas& dest, const TRect& destRect, const TBitmap& image, const TRect& sourceRect,
                           TColor transparentColor);
// Accepted for the drawing code's sake: nothing is batched here.
inline bool GdiFlush() { return true; }

}  // namespace pf
