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
// Coordinates are logical units, mapped to device pixels by the mapping mode (MM_TEXT: one unit is one pixel, moved
// by the window and viewport origins; MM_ANISOTROPIC: also scaled by viewport extent / window extent). Fonts and
// geometric pen widths are logical too and scale with the mapping; text is measured in logical units. Clip regions
// (SelectClipRgn, GetClipRgn) are device pixels, as are the brush origin and the device capabilities; the clip
// rectangle calls take logical coordinates. Clipping applies to every operation, including blits.
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
  // A pattern brush: the bitmap (not owned; it must outlive its use) is tiled from the canvas's brush origin. A
  // monochrome pattern paints its 0 bits in the text colour and its 1 bits in the background colour. nullptr
  // returns to the plain colour.
  TBitmap* Bitmap() const { return bitmap_; }
  void SetBitmap(TBitmap* value);
  std::function<void(TBrush&)> OnChange;

 private:
  TColor color_ = clWhite;
  TBrushStyle style_ = bsSolid;
  TBitmap* bitmap_ = nullptr;
};

// A pen whose width maps to more than one device pixel is geometric: it draws a stroke of that width with the dash
// pattern of its style (dashes and gaps in multiples of the width); a polyline or polygon outline is one path, so the
// pattern runs on round its corners. psInsideFrame keeps the stroke of an ellipse inside its bounding rectangle
// (rectangles always draw their border inside).
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
// Stretch modes: HALFTONE smooths (area average when shrinking, bilinear when enlarging) plain blits of colour
// pictures; the others, and masked or transparent drawing in every mode, take the nearest source pixel.
enum : int { BLACKONWHITE = 1, WHITEONBLACK = 2, COLORONCOLOR = 3, HALFTONE = 4 };
// Mapping modes.
enum : int { MM_TEXT = 1, MM_ANISOTROPIC = 8 };
// Device capabilities.
enum : int {
  TECHNOLOGY = 2,
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
enum : int { DT_PLOTTER = 0, DT_RASDISPLAY = 1, DT_RASPRINTER = 2 };  // TECHNOLOGY answers

// DrawText formats.
enum : uint32_t {
  DT_TOP = 0,
  DT_LEFT = 0,
  DT_CENTER = 0x1,
  DT_RIGHT = 0x2,
  DT_VCENTER = 0x4,  // with DT_SINGLELINE only
  DT_BOTTOM = 0x8,   // with DT_SINGLELINE only
  DT_WORDBREAK = 0x10,
  DT_SINGLELINE = 0x20,
  DT_EXPANDTABS = 0x40,
  DT_NOCLIP = 0x100,
  DT_EXTERNALLEADING = 0x200,
  DT_CALCRECT = 0x400,
  DT_NOPREFIX = 0x800,
  DT_END_ELLIPSIS = 0x8000,
};
// Extra settings of DrawTextEx: the tab width in average character widths (0: 8), margins inside the rectangle, and
// on return the count of characters processed.
struct TDrawTextParams {
  int32_t iTabLength = 0;
  int32_t iLeftMargin = 0;
  int32_t iRightMargin = 0;
  uint32_t uiLengthDrawn = 0;
};

// DrawEdge: the edges (an outer and an inner ring of one pixel each) and where they go.
enum : uint32_t {
  BDR_RAISEDOUTER = 0x1,
  BDR_SUNKENOUTER = 0x2,
  BDR_RAISEDINNER = 0x4,
  BDR_SUNKENINNER = 0x8,
  EDGE_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER,
  EDGE_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER,
  EDGE_ETCHED = BDR_SUNKENOUTER | BDR_RAISEDINNER,
  EDGE_BUMP = BDR_RAISEDOUTER | BDR_SUNKENINNER,
  BF_LEFT = 0x1,
  BF_TOP = 0x2,
  BF_RIGHT = 0x4,
  BF_BOTTOM = 0x8,
  BF_TOPLEFT = BF_TOP | BF_LEFT,
  BF_BOTTOMRIGHT = BF_BOTTOM | BF_RIGHT,
  BF_RECT = BF_LEFT | BF_TOP | BF_RIGHT | BF_BOTTOM,
  BF_MIDDLE = 0x800,   // fill the inside with the face colour
  BF_SOFT = 0x1000,    // the two rings exchange their top-left colours
  BF_ADJUST = 0x2000,  // shrink the rectangle by the edges drawn
  BF_FLAT = 0x4000,    // one-colour rings (shadow outside, face inside)
  BF_MONO = 0x8000,    // black outside, window colour inside
};
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
  void LineTo(int32_t x, int32_t y);  // from PenPos; the end point is not drawn
  // A dotted 1-pixel frame inverting the pixels (a second call removes it); on a surface that cannot be read or
  // inverted (a PDF page) nothing is drawn.
  void DrawFocusRect(const TRect& r);
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
  // Text in a rectangle, by the DT_* format: lines break at CR, LF or CR LF (not with DT_SINGLELINE) and, with
  // DT_WORDBREAK, at blanks before a word that would pass the right edge (a word wider than the rectangle stays
  // whole); a blank run at such a break is not drawn. Without DT_NOPREFIX "&&" shows "&", "&x" shows x underlined
  // and a last lone "&" nothing. DT_EXPANDTABS puts tab stops every 8 average character widths; DT_END_ELLIPSIS cuts
  // a line that is too wide and ends it with "..."; DT_NOCLIP draws beyond the rectangle. The lines are tmHeight
  // apart (plus tmExternalLeading with DT_EXTERNALLEADING) and drawn with the background mode and colours, ignoring
  // SetTextAlign and SetTextJustification; a rotated font turns each line about its start. DT_CALCRECT draws
  // nothing and sets Right to Left + the widest line and Bottom to Top + the height. Returns the height of the
  // text, or with DT_SINGLELINE and DT_VCENTER or DT_BOTTOM the distance from Top to the text's bottom; empty
  // text has height 0.
  int32_t DrawText(std::string_view text, TRect& r, uint32_t format);
  int32_t DrawTextW(std::u16string_view text, TRect& r, uint32_t format);
  int32_t DrawTextEx(std::string_view text, TRect& r, uint32_t format, TDrawTextParams* params);
  int32_t DrawTextExW(std::u16string_view text, TRect& r, uint32_t format, TDrawTextParams* params);
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

  // Clipping. ClipRect is the bounding box of the drawable area (the whole surface without a clip), in logical
  // units.
  TRect ClipRect() const;
  // nullptr removes the clip. The region is in device pixels and copied (later changes of the handle do not apply).
  int SelectClipRgn(const HRGN& region);
  // The current clip in device pixels; nullptr when there is none.
  HRGN GetClipRgn() const;
  // Rectangles in logical units.
  int IntersectClipRect(int32_t left, int32_t top, int32_t right, int32_t bottom);
  int ExcludeClipRect(int32_t left, int32_t top, int32_t right, int32_t bottom);

  // Mapping. device = (logical - window origin) * viewport extent / window extent + viewport origin, rounded to
  // the nearest pixel. SetMapMode returns the previous mode (0 for a mode other than MM_TEXT or MM_ANISOTROPIC,
  // which is not taken); MM_TEXT sets both extents to (1, 1) and ignores extent calls. Extents of 0 are refused
  // (false); negative ones mirror. The previous value goes to old when given.
  int SetMapMode(int mode);
  int GetMapMode() const { return state_.mapMode; }
  bool SetWindowExtEx(int32_t x, int32_t y, TSize* old = nullptr);
  bool SetViewportExtEx(int32_t x, int32_t y, TSize* old = nullptr);
  bool SetWindowOrgEx(int32_t x, int32_t y, TPoint* old = nullptr);
  bool SetViewportOrgEx(int32_t x, int32_t y, TPoint* old = nullptr);
  TSize GetWindowExtEx() const { return state_.windowExt; }
  TSize GetViewportExtEx() const { return state_.viewportExt; }
  TPoint GetWindowOrgEx() const { return state_.windowOrg; }
  TPoint GetViewportOrgEx() const { return state_.viewportOrg; }
  // Converts points between logical units and device pixels.
  void LPtoDP(TPoint* points, int count) const;
  void DPtoLP(TPoint* points, int count) const;

  // Stretch mode (see HALFTONE) and brush origin (device pixels).
  int SetStretchBltMode(int mode);
  int GetStretchBltMode() const { return state_.stretchMode; }
  TPoint SetBrushOrgEx(const TPoint& origin);

  // The selected palette (see SelectPalette).
  HPALETTE SelectedPalette() const { return state_.palette; }

  // Saving and restoring the device state (clip, mapping, alignment, colours, modes, extra, justification,
  // palette).
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
    int mapMode = MM_TEXT;
    TPoint windowOrg, viewportOrg;
    TSize windowExt{1, 1}, viewportExt{1, 1};
    HRGN clip;
    HPALETTE palette;
  };
  void RequireState();
  // TextOutW with units whose flag is set in underlined (when given) underlined on their own.
  void DrawTextLine(int32_t x, int32_t y, std::u16string_view text, const std::vector<bool>* underlined);
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

// The blits of the classic API, on canvases. Positions and sizes are logical units of each canvas; sizes may be
// negative for mirrored stretching. Return false when a canvas has no surface (the source must be readable) and do
// nothing then. On a surface that can only be painted (a printer page) the destination cannot be read: pixels that
// the operation leaves unchanged stay untouched and pixels it sets to a fixed colour get that colour; pixels that
// combine with the destination (AND, OR, XOR with a colour) are exact on raster and recorded pages and taken
// against white paper on vector pages (PDF).
bool BitBlt(TCanvas& dest, int32_t x, int32_t y, int32_t width, int32_t height, TCanvas* source, int32_t sx, int32_t sy,
            TCopyMode rop);
bool StretchBlt(TCanvas& dest, int32_t x, int32_t y, int32_t width, int32_t height, TCanvas* source, int32_t sx,
                int32_t sy, int32_t sourceWidth, int32_t sourceHeight, TCopyMode rop);
bool PatBlt(TCanvas& dest, int32_t x, int32_t y, int32_t width, int32_t height, TCopyMode rop);
// Per pixel the mask bit (1-bit mask at mx, my) chooses the foreground (1) or background (0) operation of rop4.
bool MaskBlt(TCanvas& dest, int32_t x, int32_t y, int32_t width, int32_t height, TCanvas& source, int32_t sx,
             int32_t sy, const TBitmap& mask, int32_t mx, int32_t my, uint32_t rop4);
// Draws sourceRect of image scaled into destRect, leaving the destination where the mask (same size as the image)
// has 1 (white = transparent). Masked and transparent drawing leave the destination untouched on every surface,
// also on those that can only be painted (printer pages). A 32-bit image with an alpha format is blended.
void DrawMasked(TCanvas& dest, const TRect& destRect, const TBitmap& image, const TRect& sourceRect,
                const TBitmap& mask);
// Draws sourceRect of image scaled into destRect, leaving the destination where the image has transparentColor.
void TransparentStretchBlt(TCanvas& dest, const TRect& destRect, const TBitmap& image, const TRect& sourceRect,
                           TColor transparentColor);
// Fills a region (logical units) with a brush (its colour or pattern).
bool FillRgn(TCanvas& canvas, const HRGN& region, const TBrush& brush);
// Paints a border of width x height pixels inside the region's edges with a brush.
bool FrameRgn(TCanvas& canvas, const HRGN& region, const TBrush& brush, int32_t width, int32_t height);
// Draws the edges of r: per ring the top and left sides in one colour, the bottom and right sides (corners
// included) in the other; raised rings are light at the top left, sunken ones dark. Returns false for a canvas
// without a surface.
bool DrawEdge(TCanvas& canvas, TRect& r, uint32_t edge, uint32_t flags);
// width rings of 1 pixel inside rect: top and left in topColor, bottom and right (corners included) in
// bottomColor. rect shrinks by width on every side. The pen is left alone.
void Frame3D(TCanvas& canvas, TRect& rect, TColor topColor, TColor bottomColor, int32_t width);
// Accepted for the drawing code's sake: nothing is batched here.
inline bool GdiFlush() { return true; }

}  // namespace pf
