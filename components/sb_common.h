// Small string, colour and drawing routines shared by the status bar and its styled text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/graphics/canvas.h"
#include "platform/graphics/imagelist.h"

namespace components {

// The red, green and blue bytes of a colour (system colours resolved).
void sbSplitColor(pf::TColor color, uint8_t& red, uint8_t& green, uint8_t& blue);
inline int32_t sbMin(int32_t a, int32_t b) { return a < b ? a : b; }
inline int32_t sbMax(int32_t a, int32_t b) { return a > b ? a : b; }
inline int32_t sbRectWidth(const pf::TRect& r) { return r.Right - r.Left; }
inline int32_t sbRectHeight(const pf::TRect& r) { return r.Bottom - r.Top; }
template <class T>
T sbIfThen(bool condition, T whenTrue, T whenFalse) {
  return condition ? whenTrue : whenFalse;
}
// The mouse position in screen co-ordinates.
pf::TPoint sbGetCursorPos();
inline pf::TPoint sbPoint(int32_t x, int32_t y) { return {x, y}; }
inline bool sbPointsEqual(const pf::TPoint& a, const pf::TPoint& b) { return a == b; }
// Sets (on) or clears the bits of mask in flags.
inline uint32_t sbSetFlag(uint32_t flags, uint32_t mask, bool on) { return on ? flags | mask : flags & ~mask; }

// 1-based positions. The characters from position from to position to, both included (to 0: to the end).
std::string sbCopyFromTo(std::string_view s, int from, int to);
// The position of sub in s searched from position from; 0 when absent.
int sbPosFrom(std::string_view sub, std::string_view s, int from);
// The position of the n-th occurrence of sub in s (occurrences do not overlap); 0 when there are fewer.
int sbPosNth(std::string_view sub, std::string_view s, int n);
// The number of pieces of s split at delimiter (occurrences + 1; 0 for an empty s), and the piece at index (from 0;
// "" beyond the last).
int sbCountTokens(std::string_view s, std::string_view delimiter);
std::string sbGetToken(std::string_view s, std::string_view delimiter, int index);
// Removes single "&" accelerator marks; "&&" becomes "&".
std::string sbStripAccelChars(std::string_view s);
// Every occurrence of from replaced by to.
std::string sbReplaceString(std::string_view s, std::string_view from, std::string_view to);
// One pair of enclosing double or single quotes removed.
std::string sbStripQuotes(std::string_view token);

// Options of sbGetNextToken.
enum : uint32_t {
  sbtoSkipBlanks = 0x01,    // blanks and tabs before the token are skipped
  sbtoQuotedToken = 0x02,   // a token that begins with '"' runs to the closing '"' (quotes included)
  sbtoBlanksInToken = 0x08  // blanks belong to the token
};
// The token of s that begins at the 1-based position (which moves past it). A token ends before a character below
// 33 or one of delimiters; when it would be empty, that character alone is the token. "" at the end of s.
std::string sbGetNextToken(std::string_view s, int& position, std::string_view delimiters, uint32_t options);

// The height that the canvas's text drawing computes for text broken into lines of the given width.
int32_t sbGetTextHeight(pf::TCanvas& canvas, std::string_view text, int32_t width, uint32_t drawFlags);
// The widest line and the sum of the line heights with lineSpacing between lines (lines split at CR LF), as the
// canvas's text drawing measures them with drawFlags (neither broken nor cut short: the text's own size).
pf::TSize sbMeasureMultiLineText(pf::TCanvas& canvas, std::string_view text, int32_t lineSpacing, uint32_t drawFlags);

// Image-list colours: clNone becomes CLR_NONE, clDefault CLR_DEFAULT, any other colour its RGB value.
uint32_t sbColorToImageListColor(pf::TColor color);
// Draws image index of images at (x, y): enabled with the list's colours, disabled embossed (the glyph in
// clBtnHighlight one pixel right and down, then in clBtnShadow at its place).
void sbDrawImageListImage(pf::TCanvas& canvas, const pf::TImageList& images, int index, int32_t x, int32_t y,
                          bool enabled);
// A disabled glyph: shape (monochrome, black where the glyph is) in clBtnHighlight one pixel right and down, then in
// clBtnShadow at (x, y).
void sbDrawEmbossed(pf::TCanvas& canvas, const pf::TBitmap& shape, int32_t x, int32_t y);

}  // namespace components
