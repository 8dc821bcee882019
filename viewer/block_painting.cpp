// Block painting: the page-break rules of printing, the box with its background colour and tiled picture, the
// content in z-order (clipped when overflow is hidden) and the border on top; the tiles of background pictures; the
// raised frame of a table block; the marker of a list item.
#include <algorithm>
#include <array>
#include <string>
#include <variant>

#include "platform/graphics/gdiplus.h"
#include "viewer/animated_images.h"
#include "viewer/blocks.h"
#include "viewer/borders.h"
#include "viewer/table_structure.h"

namespace viewer {

namespace {

constexpr int32_t kStripSlack = 2;          // rows above the clip band that a background strip starts with
constexpr int32_t kMaxStretchedSide = 100;  // a 1-pixel side of a background picture is stretched up to this
constexpr int32_t kMarkerSlack = 50;        // markers this far outside the clip band are still drawn
constexpr int32_t kMarkerGap = 10;          // between a marker's text and the content
constexpr int32_t kMarkerImageGap = 16;     // a marker picture's left edge before the content
constexpr size_t kMaxMarkerText = 7;
constexpr int32_t kMinBufferSide = 2;  // the background buffer is never smaller than 2 x 2
// A padding box of at most this many pixels keeps the tiles of its whole area from one layout to the next: 8 MB of
// GDI+ tiles, 6 MB of bitmap tiles and a 256 KB mask, about what a full-HD window shows. A larger box is tiled over
// the band being painted alone, so that a huge box costs no more memory than the window.
constexpr int64_t kMaxWholeTilePixels = int64_t{1} << 21;
// The whole-box tiles of all the blocks of a document together (four boxes at the bound); further boxes are tiled
// over the band painted, so that a page of many boxes does not keep the tiles of all of them.
constexpr int64_t kMaxDocumentTilePixels = 4 * kMaxWholeTilePixels;

// The bitmap and mask, or the GDI+ picture, that an image object shows; an animated image shows its first frame.
struct TPictureParts {
  pf::TBitmap* Bitmap = nullptr;
  pf::TBitmap* Mask = nullptr;
  pf::TGpImage* GpImage = nullptr;
  int32_t Width() const { return Bitmap ? Bitmap->GetWidth() : GpImage ? GpImage->GetWidth() : 0; }
  int32_t Height() const { return Bitmap ? Bitmap->GetHeight() : GpImage ? GpImage->GetHeight() : 0; }
};

TPictureParts PictureOf(const TImageObj& image) {
  TPictureParts parts;
  if (auto* bitmap = std::get_if<pf::TBitmap*>(&image.Image)) {
    parts.Bitmap = *bitmap;
    parts.Mask = image.Mask;
  } else if (auto* animated = std::get_if<TgfAnimatedImage*>(&image.Image); animated && *animated) {
    parts.Bitmap = (*animated)->GetBitmap();
    parts.Mask = (*animated)->GetMaskBitmap();
  } else if (auto* gp = std::get_if<pf::TGpImage*>(&image.Image)) {
    parts.GpImage = *gp;
  }
  return parts;
}

// The picture has not come yet: its placeholder shows, or nothing was fetched.
bool IsWaiting(const TImageObj& image) {
  const TPictureParts parts = PictureOf(image);
  return (!parts.Bitmap && !parts.GpImage) || (parts.Bitmap && parts.Bitmap == DefBitmap());
}

// Where the tiles of one axis start and where they end: the start by the position record, clamped to -picture ..
// box; with repeat stepped back to cover the box from 0 and ending at the box's end, else a single row or column.
struct TTileRange {
  int32_t Start = 0, End = 0;
};

TTileRange TileRange(const TBackgroundPosition::Axis& axis, int32_t box, int32_t picture) {
  int32_t start = 0;
  switch (axis.PosType) {
    case bpTop:
    case bpLeft:
      start = 0;
      break;
    case bpCenter:
      start = box / 2 - picture / 2;
      break;
    case bpBottom:
    case bpRight:
      start = box - picture;
      break;
    case bpPercent:
      start = static_cast<int32_t>(std::clamp<int64_t>(int64_t{box - picture} * axis.Value / 100, -picture, box));
      break;
    case bpLength:
      start = axis.Value;
      break;
  }
  start = std::clamp(start, -picture, box);
  if (!axis.Repeat) return {start, start};
  if (start > 0) start = start % picture == 0 ? 0 : start % picture - picture;
  return {start, box};
}

// The same range over the part [from, from + size) of the box, in the part's co-ordinates: repeated tiles start at
// the last one that reaches into the part.
TTileRange PartRange(TTileRange range, int32_t picture, int32_t from, int32_t size, bool repeat) {
  range.Start -= from;
  if (!repeat) return {range.Start, range.Start};
  range.Start += -range.Start / picture * picture;
  return {range.Start, size};
}

// Steps from range.Start by size while below range.End, at least once.
template <typename F>
void ForEachTile(const TTileRange& range, int32_t size, F f) {
  int32_t at = range.Start;
  do {
    f(at);
    at += size;
  } while (at < range.End);
}

// A copy of source of width x height, stretched.
std::unique_ptr<pf::TBitmap> Stretched(pf::TBitmap& source, int32_t width, int32_t height) {
  auto copy = std::make_unique<pf::TBitmap>(width, height, source.Monochrome() ? pf::pf1bit : pf::pf24bit);
  pf::StretchBlt(copy->Canvas(), 0, 0, width, height, &source.Canvas(), 0, 0, source.GetWidth(), source.GetHeight(),
                 pf::SRCCOPY);
  return copy;
}

std::unique_ptr<pf::TBitmap> FilledBitmap(int32_t width, int32_t height, pf::TPixelFormat format, pf::TCopyMode fill) {
  auto bitmap = std::make_unique<pf::TBitmap>(width, height, format);
  pf::PatBlt(bitmap->Canvas(), 0, 0, width, height, fill);
  return bitmap;
}

// A bitmap of tiles made row by row: one row of tiles is drawn once and copied to every row of tiles, so that a small
// picture costs a number of draws by the box's width plus its height, not their product.
void TileBitmap(int32_t width, int32_t height, const TTileRange& xs, const TTileRange& ys, pf::TBitmap& picture,
                pf::TBitmap* mask, pf::TBitmap& tileImage, pf::TBitmap* tileMask) {
  const int32_t pw = picture.GetWidth(), ph = picture.GetHeight();
  auto row = FilledBitmap(width, ph, pf::pf24bit, pf::BLACKNESS);
  auto rowMask = tileMask ? FilledBitmap(width, ph, pf::pf1bit, pf::WHITENESS) : nullptr;
  ForEachTile(xs, pw, [&](int32_t x) {
    pf::BitBlt(row->Canvas(), x, 0, pw, ph, &picture.Canvas(), 0, 0, pf::SRCCOPY);
    if (mask && rowMask)
      pf::BitBlt(rowMask->Canvas(), x, 0, pw, ph, &mask->Canvas(), 0, 0, pf::SRCCOPY);
    else if (rowMask)
      pf::PatBlt(rowMask->Canvas(), x, 0, pw, ph, pf::BLACKNESS);
  });
  ForEachTile(ys, ph, [&](int32_t y) {
    pf::BitBlt(tileImage.Canvas(), 0, y, width, ph, &row->Canvas(), 0, 0, pf::SRCCOPY);
    if (tileMask) pf::BitBlt(tileMask->Canvas(), 0, y, width, ph, &rowMask->Canvas(), 0, 0, pf::SRCCOPY);
  });
}

void TileGpBitmap(int32_t width, int32_t height, const TTileRange& xs, const TTileRange& ys, pf::TGpImage& picture,
                  pf::TGpBitmap& tileImage) {
  const int32_t pw = picture.GetWidth(), ph = picture.GetHeight();
  pf::TGpBitmap row(width, ph);
  auto rowGraphics = pf::TGpGraphics::CreateFromImage(row);
  ForEachTile(xs, pw, [&](int32_t x) { rowGraphics->DrawImageAt(picture, x, 0); });
  auto graphics = pf::TGpGraphics::CreateFromImage(tileImage);
  ForEachTile(ys, ph, [&](int32_t y) { graphics->DrawImageAt(row, 0, y); });
}

}  // namespace

// ---- background tiles ----

bool BuildTiledBackground(int32_t width, int32_t height, const TImageObj& image, const TBackgroundPosition& position,
                          std::unique_ptr<pf::TBitmap>& tileImage, std::unique_ptr<pf::TGpBitmap>& tileGpImage,
                          std::unique_ptr<pf::TBitmap>& tileMask, bool& tilesOpaque, const pf::TRect& area) {
  TPictureParts parts = PictureOf(image);
  int32_t pw = parts.Width(), ph = parts.Height();
  // A picture without pixels would never step through the box.
  if (pw <= 0 || ph <= 0 || area.Width() <= 0 || area.Height() <= 0) return false;
  tilesOpaque = !parts.Mask && position.Horizontal.Repeat && position.Vertical.Repeat;
  TTileRange xs =
      PartRange(TileRange(position.Horizontal, width, pw), pw, area.Left, area.Width(), position.Horizontal.Repeat);
  TTileRange ys =
      PartRange(TileRange(position.Vertical, height, ph), ph, area.Top, area.Height(), position.Vertical.Repeat);
  width = area.Width();
  height = area.Height();

  // A gradient strip of 1 pixel is stretched first, so that a row needs few draws.
  const int32_t sw = pw == 1 ? std::min(kMaxStretchedSide, xs.End - xs.Start + 1) : pw;
  const int32_t sh = ph == 1 ? std::min(kMaxStretchedSide, ys.End - ys.Start + 1) : ph;
  if (parts.GpImage) {
    // A strip stays a picture with alpha when it is stretched, so that its transparent pixels show what lies below.
    std::unique_ptr<pf::TGpBitmap> stretched;
    pf::TGpImage* picture = parts.GpImage;
    if (pw == 1 || ph == 1) {
      stretched = std::make_unique<pf::TGpBitmap>(sw, sh);
      pf::TGpGraphics::CreateFromImage(*stretched)->DrawImage(*parts.GpImage, 0, 0, sw, sh);
      picture = stretched.get();
    }
    tileImage.reset();
    tileMask.reset();
    if (!tileGpImage || tileGpImage->GetWidth() != width || tileGpImage->GetHeight() != height)
      tileGpImage = std::make_unique<pf::TGpBitmap>(width, height);
    else
      pf::TGpGraphics::CreateFromImage(*tileGpImage)->Clear(0);
    TileGpBitmap(width, height, xs, ys, *picture, *tileGpImage);
    return true;
  }

  std::unique_ptr<pf::TBitmap> stretched, stretchedMask;
  if (pw == 1 || ph == 1) {
    stretched = Stretched(*parts.Bitmap, sw, sh);
    parts.Bitmap = stretched.get();
    if (parts.Mask) {
      stretchedMask = Stretched(*parts.Mask, sw, sh);
      parts.Mask = stretchedMask.get();
    }
    pw = sw;
    ph = sh;
  }

  tileGpImage.reset();
  if (!tileImage) tileImage = std::make_unique<pf::TBitmap>();
  tileImage->SetPixelFormat(pf::pf24bit);
  tileImage->SetSize(width, height);
  pf::PatBlt(tileImage->Canvas(), 0, 0, width, height, pf::BLACKNESS);
  if (tilesOpaque) {
    tileMask.reset();
  } else {
    if (!tileMask) tileMask = std::make_unique<pf::TBitmap>();
    tileMask->SetPixelFormat(pf::pf1bit);
    tileMask->SetSize(width, height);
    pf::PatBlt(tileMask->Canvas(), 0, 0, width, height, pf::WHITENESS);
  }
  TileBitmap(width, height, xs, ys, *parts.Bitmap, parts.Mask, *tileImage, tileMask.get());
  return true;
}

// ---- painting a block ----

int32_t TBlock::Paint(pf::TCanvas& canvas, const pf::TRect& clip, IndentManager& indents, int32_t x, int32_t xRef,
                      int32_t yRef) {
  if (DisplayNone) return 0;
  TSectionList& document = *OwnerList;
  const int32_t result = ContentTop + SectionHeight;
  if (document.Printing && Positioning != posAbsolute) {
    // The page being printed shows the document from pageTop down to PageBottom.
    const int32_t pageTop = document.YOff + clip.Top, pageHeight = clip.Bottom - clip.Top;
    const int32_t top = ContentTop, bottom = FloatLR != 0 ? DrawBottom : ContentBottom;
    const bool startsOnPage = top >= pageTop && top < document.PageBottom;
    const bool fitsOnPage = bottom - top < pageHeight;
    if (PageBreakBefore && top > pageTop && top < document.PageBottom) document.PageBottom = top;
    if (KeepIntact && startsOnPage && top > pageTop && bottom > document.PageBottom && fitsOnPage)
      document.PageBottom = top;
    if (PageBreakAfter && bottom > pageTop && bottom < document.PageBottom) document.PageBottom = bottom;
    const auto* tableBlock = dynamic_cast<const TTableBlock*>(this);
    if (tableBlock && !tableBlock->Table->HeadOrFoot && startsOnPage && top > pageTop + 2 * pageHeight / 3 &&
        bottom > document.PageBottom && fitsOnPage)
      document.PageBottom = top;
    // What starts on a later page is painted with it.
    if (top >= document.PageBottom) return result;
  }
  if (Visibility == kHidden) return result;
  if (Positioning == posAbsolute)
    PaintAt(canvas, clip, indents, xRef + OffsetLeft,
            ContentBoxTop - MargArray[piPaddingTop] - MargArray[piBorderTopWidth] - MargArray[piMarginTop], xRef, yRef);
  else if (Positioning == posRelative)
    PaintAt(canvas, clip, indents, x + OffsetLeft, ContentTop + OffsetTop, xRef, yRef);
  else
    PaintAt(canvas, clip, indents, x, ContentTop, xRef, yRef);
  return result;
}

void TBlock::PaintAt(pf::TCanvas& canvas, const pf::TRect& clip, IndentManager& indents, int32_t x, int32_t y,
                     int32_t xRef, int32_t yRef) {
  TSectionList& document = *OwnerList;
  // A positioned block inside a table may reach beyond the cell that clips the table's painting.
  const bool freeOfCell = Positioning != posStatic && document.TableNesting > 0;
  const pf::HRGN cellClip = freeOfCell ? canvas.GetClipRgn() : pf::HRGN();
  if (freeOfCell) canvas.SelectClipRgn(nullptr);

  const int32_t yOff = document.YOff;
  const int32_t leftSpace = LeftSpace();
  const int32_t marginLeft = FloatLR != 0 && Positioning != posAbsolute ? x + Indent - leftSpace : x;
  const int32_t marginBottom = Positioning == posRelative                   ? ContentBottom + OffsetTop
                               : FloatLR != 0 && Positioning != posAbsolute ? DrawBottom + MargArray[piMarginBottom]
                                                                            : ContentBottom;
  pf::TRect border;
  border.Left = marginLeft + MargArray[piMarginLeft];
  border.Right = border.Left + MargArray[piBorderLeftWidth] + MargArray[piPaddingLeft] + NewWidth +
                 MargArray[piPaddingRight] + MargArray[piBorderRightWidth];
  border.Top = y + ClearAddon + MargArray[piMarginTop] - yOff;
  border.Bottom = marginBottom - yOff - MargArray[piMarginBottom];
  BorderBoxRect = border;
  const pf::TRect padding{border.Left + MargArray[piBorderLeftWidth], border.Top + MargArray[piBorderTopWidth],
                          border.Right - MargArray[piBorderRightWidth], border.Bottom - MargArray[piBorderBottomWidth]};

  // On paper the box is drawn on the pages it meets, not on the one after it ends.
  auto boxShown = [&] {
    return document.Printing ? document.OnPrintedPage(border.Top + yOff, border.Bottom + yOff, clip)
                             : border.Top <= clip.Bottom && clip.Top <= border.Bottom;
  };
  if (boxShown()) {
    try {
      PaintBackground(canvas, clip, padding);
    } catch (...) {
      // A picture that cannot be drawn leaves the content and the border to be painted.
    }
  }

  pf::HRGN outerClip, contentClip;
  if (ClipOverflow)
    ClipToRect(canvas,
               {padding.Left + MargArray[piPaddingLeft], padding.Top + MargArray[piPaddingTop],
                padding.Right - MargArray[piPaddingRight], padding.Bottom - MargArray[piPaddingBottom]},
               outerClip, contentClip);

  const TBlock* outerOwner = indents.CurrentOwner;
  indents.CurrentOwner = this;
  IndentManager& contentIndents = MyCell->IMgr ? *MyCell->IMgr : indents;
  int32_t refX = xRef, refY = yRef;
  if (Positioning == posRelative) {
    refX = marginLeft + leftSpace;
    refY = y + ClearAddon + MargArray[piMarginTop] + MargArray[piBorderTopWidth] + MargArray[piPaddingTop];
  } else if (Positioning == posAbsolute) {
    refX = marginLeft + MargArray[piMarginLeft] + MargArray[piBorderLeftWidth];
    refY = y + MargArray[piMarginTop] + MargArray[piBorderTopWidth];
  }
  for (TSectionBase* object : MyZList) object->Paint(canvas, clip, contentIndents, x + Indent, refX, refY);
  indents.CurrentOwner = outerOwner;

  if (ClipOverflow) {
    canvas.SelectClipRgn(outerClip);
    pf::DeleteObject(contentClip);
  }
  if (!document.Printing || boxShown()) PaintBorder(canvas, border, padding);
  if (freeOfCell) canvas.SelectClipRgn(cellClip);
}

void TBlock::PaintBackground(pf::TCanvas& canvas, const pf::TRect& clip, const pf::TRect& paddingBox) {
  TSectionList& document = *OwnerList;
  // The band of the padding box that this paint covers, in the box's own co-ordinates.
  const pf::TRect part{std::max(0, clip.Left - paddingBox.Left), std::max(0, clip.Top - kStripSlack - paddingBox.Top),
                       std::min(paddingBox.Width(), clip.Right - paddingBox.Left),
                       std::min(paddingBox.Height(), clip.Bottom - paddingBox.Top)};
  // Thick borders can leave no padding box inside the band.
  if (part.Width() <= 0 || part.Height() <= 0) return;

  // The tiles are made once per layout for the whole padding box, and each paint copies the band it covers; a huge
  // box, or one beyond the document's share, is tiled over the band alone, anew when the band moves.
  const pf::TRect box{0, 0, paddingBox.Width(), paddingBox.Height()};
  const int64_t boxPixels = int64_t{box.Width()} * box.Height();
  const bool whole = boxPixels <= kMaxWholeTilePixels &&
                     document.WholeTilePixels - TilePixelsKept + boxPixels <= kMaxDocumentTilePixels;
  const pf::TRect cover = whole ? box : part;
  if (BGImage && !IsWaiting(*BGImage) && (TilesStale || TilePart != cover)) {
    try {
      if (BGImage->IsErrorPicture() || !BuildTiledBackground(box.Width(), box.Height(), *BGImage, BGPos, TileImage,
                                                             TileGpImage, TileMask, TilesOpaque, cover))
        BGImage.reset();
    } catch (...) {
      BGImage.reset();
    }
    if (!BGImage) {
      TileImage.reset();
      TileGpImage.reset();
      TileMask.reset();
    }
    TilesStale = false;
    TilePart = cover;
    const int64_t kept = BGImage && whole ? boxPixels : 0;
    document.WholeTilePixels += kept - TilePixelsKept;
    TilePixelsKept = kept;
  }
  const bool showPicture = !TilesStale && BGImage && !IsWaiting(*BGImage) && document.ShowImages;

  const pf::TColor color = MargArray[piBackgroundColor];
  const bool colorShown =
      color != pf::clNone && (!document.Printing || document.PrintTableBackground || document.PrintBackground);
  const int32_t left = paddingBox.Left + part.Left, top = paddingBox.Top + part.Top;
  const int32_t width = part.Width(), height = part.Height();
  const pf::TPoint source{part.Left - TilePart.Left, part.Top - TilePart.Top};  // the band within the tiles
  if (colorShown && showPicture && document.Printing && TileGpImage) {
    // On paper the picture is laid over the colour in the buffer, which then prints as one bitmap.
    if (!BackgroundBuffer) BackgroundBuffer = std::make_unique<pf::TBitmap>();
    BackgroundBuffer->SetPixelFormat(pf::pf24bit);
    BackgroundBuffer->SetSize(std::max(kMinBufferSide, width), std::max(kMinBufferSide, height));
    pf::TCanvas& buffer = BackgroundBuffer->Canvas();
    FillRectWithColor(buffer, 0, 0, BackgroundBuffer->GetWidth(), BackgroundBuffer->GetHeight(),
                      color | PaletteColorFlag());
    PaintGpImagePart(buffer, 0, 0, *TileGpImage, {source.X, source.Y, source.X + width, source.Y + height});
    StretchDrawDib(canvas, left, top, width, height, *BackgroundBuffer);
    return;
  }
  if (colorShown) FillRectWithColor(canvas, left, top, left + width, top + height, color | PaletteColorFlag());
  if (showPicture)
    DrawTiledBackground(canvas, left, top, width, height, TileImage.get(), TileGpImage.get(), TileMask.get(),
                        TilesOpaque, document, source);
}

void DrawTiledBackground(pf::TCanvas& canvas, int32_t left, int32_t top, int32_t width, int32_t height,
                         pf::TBitmap* tileImage, pf::TGpBitmap* tileGpImage, pf::TBitmap* tileMask, bool tilesOpaque,
                         const TSectionList& document, pf::TPoint source) {
  const int32_t sx = source.X, sy = source.Y;
  if (tileGpImage && document.Printing) {
    // The layer draws GDI+ pictures in device pixels: the print scale puts the tiles where the page's mapping would.
    // They go down whole at the corner of what they cover; the page's clip keeps what is printed.
    PaintGpImageScaled(canvas, left - sx, top - sy, *tileGpImage, document.ScaleX, document.ScaleY);
  } else if (tileGpImage) {
    PaintGpImagePart(canvas, left, top, *tileGpImage, {sx, sy, sx + width, sy + height});
  } else if (tileImage && tilesOpaque) {
    pf::BitBlt(canvas, left, top, width, height, &tileImage->Canvas(), sx, sy, pf::SRCCOPY);
  } else if (tileImage && tileMask) {
    // The mask keeps the colour (or what lies below) where no tile covers the box.
    pf::DrawMasked(canvas, {left, top, left + width, top + height}, *tileImage, {sx, sy, sx + width, sy + height},
                   *tileMask);
  }
}

void TBlock::PaintBorder(pf::TCanvas& canvas, const pf::TRect& outer, const pf::TRect& inner) {
  if (!HasBorderStyle) return;
  auto style = [this](int side) { return static_cast<uint8_t>(MargArray[side]); };
  DrawBoxBorder(canvas, outer, inner,
                MakeBorderColors(MargArray[piBorderLeftColor], MargArray[piBorderTopColor],
                                 MargArray[piBorderRightColor], MargArray[piBorderBottomColor]),
                pf::clNone,
                MakeBorderStyles(style(piBorderLeftStyle), style(piBorderTopStyle), style(piBorderRightStyle),
                                 style(piBorderBottomStyle)));
}

// ---- table blocks ----

int32_t TTableBlock::Paint(pf::TCanvas& canvas, const pf::TRect& clip, IndentManager& indents, int32_t x, int32_t xRef,
                           int32_t yRef) {
  return TBlock::Paint(canvas, clip, indents, x + TableIndent, xRef, yRef);
}

void TTableBlock::PaintBorder(pf::TCanvas& canvas, const pf::TRect& outer, const pf::TRect& inner) {
  if (!BevelBorder) {
    TBlock::PaintBorder(canvas, outer, inner);
    return;
  }
  const int32_t width = MargArray[piBorderTopWidth];
  if (Table->BorderColorLight == pf::clBtnHighlight && Table->BorderColorDark == pf::clBtnShadow)
    DrawBevelForDocument(*OwnerList, canvas, outer, width, true);
  else
    DrawBevel(canvas, outer, width, true, Table->BorderColorLight, Table->BorderColorDark);
}

// ---- list markers ----

namespace {

constexpr std::array<const char*, 21> kLowerRoman = {"",    "i",    "ii",  "iii",  "iv",    "v",   "vi",
                                                     "vii", "viii", "ix",  "x",    "xi",    "xii", "xiii",
                                                     "xiv", "xv",   "xvi", "xvii", "xviii", "xix", "xx"};
constexpr int32_t kLastRoman = 20;
// The boxes of the bullet shapes relative to the content's left edge and the baseline.
constexpr pf::TRect kCircleBox{-16, -7, -9, 0};
constexpr pf::TRect kDiscBox{-15, -6, -10, -1};  // discs and squares
constexpr int32_t kLastLetter = 25;

}  // namespace

std::string MarkerText(TListStyleType style, int32_t number) {
  std::string text;
  // Letters and roman numerals start at 1; below it an item counts in decimal.
  if (number < 1) style = lsDecimal;
  switch (style) {
    case lsLowerAlpha:
    case lsUpperAlpha:
      text = static_cast<char>((style == lsLowerAlpha ? 'a' : 'A') + std::min(number - 1, kLastLetter));
      break;
    case lsLowerRoman:
    case lsUpperRoman:
      text = kLowerRoman[static_cast<size_t>(std::min(number, kLastRoman))];
      if (style == lsUpperRoman)
        std::transform(text.begin(), text.end(), text.begin(), [](char c) { return static_cast<char>(c - 32); });
      break;
    default:
      text = std::to_string(number);
      break;
  }
  if (text.size() >= kMaxMarkerText) return text.substr(0, kMaxMarkerText);
  return text + ".";
}

int32_t TBlockLI::Paint(pf::TCanvas& canvas, const pf::TRect& clip, IndentManager& indents, int32_t x, int32_t xRef,
                        int32_t yRef) {
  const int32_t result = TBlock::Paint(canvas, clip, indents, x, xRef, yRef);
  if (DisplayNone || Visibility == kHidden || FirstBaseline <= 0) return result;
  const int32_t baseline = FirstBaseline - OwnerList->YOff;
  // On paper the marker goes with its line: on the page that holds the row of pixels above the baseline.
  if (OwnerList->Printing ? !OwnerList->OnPrintedPage(FirstBaseline - 1, FirstBaseline, clip)
                          : clip.Top - kMarkerSlack > baseline || clip.Bottom + kMarkerSlack < baseline)
    return result;
  const int32_t contentLeft = (Positioning == posRelative   ? x + OffsetLeft
                               : Positioning == posAbsolute ? xRef + OffsetLeft
                                                            : x) +
                              Indent;

  if (MarkerImage && !IsWaiting(*MarkerImage) && OwnerList->ShowImages) {
    MarkerImage->DrawImage(canvas, contentLeft - kMarkerImageGap, baseline - MarkerImage->ObjHeight);
    return result;
  }
  if (ItemKind == ikDefinition) return result;
  switch (MarkerStyle) {
    case lsDecimal:
    case lsLowerAlpha:
    case lsLowerRoman:
    case lsUpperAlpha:
    case lsUpperRoman: {
      const std::string text = MarkerText(MarkerStyle, ItemNumber);
      MarkerFont->AssignToCanvas(canvas);
      const int oldMode = canvas.SetBkMode(pf::TRANSPARENT);
      const uint32_t oldAlign = canvas.SetTextAlign(pf::TA_BASELINE);
      canvas.TextOut(contentLeft - kMarkerGap - canvas.TextWidth(text), baseline, text);
      canvas.SetTextAlign(oldAlign);
      canvas.SetBkMode(oldMode);
      break;
    }
    case lsCircle:
    case lsDisc:
    case lsSquare: {
      ToolsSaver saver(canvas);
      canvas.Pen().SetColor(MarkerFont->Color());
      canvas.Pen().SetStyle(pf::psSolid);
      canvas.Brush().SetColor(MarkerFont->Color());
      const pf::TRect& box = MarkerStyle == lsCircle ? kCircleBox : kDiscBox;
      const pf::TRect at{contentLeft + box.Left, baseline + box.Top, contentLeft + box.Right, baseline + box.Bottom};
      if (MarkerStyle == lsCircle) canvas.Brush().SetStyle(pf::bsClear);
      if (MarkerStyle == lsSquare)
        canvas.Rectangle(at);
      else
        canvas.Ellipse(at);
      break;
    }
    default:
      break;  // blank and none
  }
  return result;
}

}  // namespace viewer
