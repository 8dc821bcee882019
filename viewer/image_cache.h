// The viewer's pictures: recognising picture data by content, loading BMP, GIF, PNG and JPEG pictures with their
// transparency masks, the image cache that the screen document and its print copies share, the size queries and
// drawing routines of pictures, and the picture objects of the text (IMG elements, list-style and background
// pictures, image inputs) with the list of pictures and panels of one text section.
//
// A picture is a bitmap (with a monochrome mask, white where transparent, when it has transparency), a GDI+ image
// (PNG pictures while GDI+ is active, with their alpha channel) or an animated GIF. Masked bitmaps are black under
// the white of their mask when the mask came with the picture (transparency kinds 2 and 3).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <variant>

#include "platform/core/classes.h"
#include "platform/core/streams.h"
#include "platform/graphics/bitmap.h"
#include "platform/graphics/canvas.h"
#include "platform/graphics/dib.h"
#include "platform/graphics/gdiplus.h"
#include "viewer/property_values.h"
#include "viewer/viewer_shared.h"

namespace viewer {

class TImageFormControlObj;
class TMapItem;
class TgfAnimatedImage;
class TFontObj;

// A picture as the cache holds it: none, a bitmap, a GDI+ image or an animated image.
using TImageRef = std::variant<std::monostate, pf::TBitmap*, pf::TGpImage*, TgfAnimatedImage*>;
// A picture with its owner: what the loaders answer and what the cache keeps.
using TLoadedImage = std::variant<std::monostate, std::unique_ptr<pf::TBitmap>, std::unique_ptr<pf::TGpImage>,
                                  std::unique_ptr<TgfAnimatedImage>>;
TImageRef RefOf(const TLoadedImage& image);
inline bool IsEmpty(const TImageRef& image) { return std::holds_alternative<std::monostate>(image); }

// The kind of picture data by its first bytes.
enum TImageKind : uint8_t { ikNone = 0, ikBmp = 1, ikGif87 = 2, ikGif89 = 3, ikPng = 4, ikJpeg = 5 };

// The kind of mask a picture is answered with: none; one made from a bitmap's own transparent colour (for a
// request that asks for it); one that came with the picture (a GIF's transparent colour, a colour the bitmap handler
// named); one of a PNG picture's colour key.
enum TTransparency : uint8_t { tkNone = 0, tkOwnMask = 1, tkGivenMask = 2, tkPngColor = 3 };

// What a request asks of a picture's transparency besides the mask that comes with it: also a mask from the
// transparent colour of a bitmap that is itself transparent (a bitmap handler's picture), or nothing more.
enum TMaskRequest : uint8_t { mrNone, mrOwnMask };

// ---- recognition ----

// "GIF89..." ikGif89, other "GIF8..." ikGif87, the PNG signature ikPng, "BM" ikBmp, FF D8 ikJpeg, else ikNone.
TImageKind DetectImageType(const uint8_t* bytes, size_t count);
// The kind of data at the stream's start; the position is kept.
TImageKind DetectImageType(pf::TStream& stream);
// ikNone when the file does not exist or holds fewer than 10 bytes.
TImageKind DetectFileImageType(const std::string& fileName);

// ---- loading ----
// Each answers the picture, or nothing (why: ImageLoadError). A picture that fails to decode answers nothing, never
// an exception. transparency and mask: the mask that comes with the picture and its kind (tkGivenMask,
// tkPngColor), or none; a mask goes with a bitmap only.

// GIF files become an animated image when they have two frames or more, else a bitmap of their frame (with its
// mask when transparent); other files as ReadImageFile.
TLoadedImage LoadImageFile(const std::string& fileName, TTransparency& transparency,
                           std::unique_ptr<pf::TBitmap>& mask);
// With GDI+ active, PNG files become a GDI+ image; others are read whole and passed to ReadImageStream.
TLoadedImage ReadImageFile(const std::string& fileName, TTransparency& transparency,
                           std::unique_ptr<pf::TBitmap>& mask);
// Nothing for fewer than 20 bytes. From the stream's start: with GDI+ active PNG data become a GDI+ image (no
// file is written), others go to DecodeImageStream.
TLoadedImage ReadImageStream(pf::TStream& stream, TTransparency& transparency, std::unique_ptr<pf::TBitmap>& mask);
// From the stream's start: JPEG, PNG (the own PNG class, whatever GDI+ does; an RGB picture's colour key or a
// palette picture's first fully transparent entry gives a mask), anything else as BMP; then the screen's adaptation.
TLoadedImage DecodeImageStream(pf::TStream& stream, TTransparency& transparency, std::unique_ptr<pf::TBitmap>& mask);
// A GIF stream as LoadImageFile reads a GIF file.
TLoadedImage LoadGifStream(pf::TStream& stream, TTransparency& transparency, std::unique_ptr<pf::TBitmap>& mask);
// Why the last load of this thread answered nothing ("" after one that answered a picture).
const std::string& ImageLoadError();

// A new monochrome mask (white where transparent) of the bitmap's transparent colour, or of color when useColor;
// the bitmap is no longer transparent.
std::unique_ptr<pf::TBitmap> ExtractMaskBitmap(pf::TBitmap& bitmap, bool useColor, pf::TColor color);
// The bitmap for the screen: on screens of more than 8 bits only bitmaps of fewer than 8 bits per pixel are
// rebuilt; on palette screens bitmaps of an explicit format are reduced to the shared palette (dithered) and
// device bitmaps rebuilt with it.
std::unique_ptr<pf::TBitmap> AdaptBitmapToScreen(std::unique_ptr<pf::TBitmap> bitmap);
// A device bitmap of the same picture; on palette screens one without a palette gets a copy of the shared one.
std::unique_ptr<pf::TBitmap> RebuildBitmapWithPalette(const pf::TBitmap& bitmap);

// A device-independent copy of a bitmap: its header, colour table (up to 8 bits per pixel) and bits, 16- and
// 32-bit bitmaps read as 24-bit; rows DibRowBytes apart, the bottom row first.
class TDib {
 public:
  explicit TDib(const pf::TBitmap& bitmap);
  static int32_t DibRowBytes(int32_t bits) { return (bits + 31) / 32 * 4; }
  const pf::TBitmapInfo& Info() const { return info_; }
  const std::vector<uint8_t>& Bits() const { return bits_; }
  // A device bitmap of the picture, the canvas's palette (when any) selected while it is made.
  std::unique_ptr<pf::TBitmap> MakeDeviceBitmap(const pf::HPALETTE& palette) const;
  // Stretches the whole DIB into the rectangle with the raster operation.
  void DrawDib(pf::TCanvas& canvas, int32_t x, int32_t y, int32_t w, int32_t h, pf::TCopyMode rop) const;

 private:
  pf::TBitmapInfo info_;
  std::vector<uint8_t> bits_;
};

// ---- sizes and conversion ----

// The size of a bitmap, GDI+ image or animated image; EGDIPlus "Not a TBitmap, TGifPicture, TMetafile, or TGpImage"
// for no picture.
int32_t QueryImageWidth(const TImageRef& image);
int32_t QueryImageHeight(const TImageRef& image);
// A new bitmap with the picture stretched into it, of the picture's size, but a side of 1 pixel becomes min(100, w)
// or min(100, h) wide (spacers printed at their laid-out size); a GDI+ picture is composed on white first.
std::unique_ptr<pf::TBitmap> ConvertImageToBitmap(const TImageRef& image, int32_t w, int32_t h);

// ---- drawing ----

// Screen drawing of a picture with its mask (white = transparent) stretched into (x, y, w, h).
void StretchDrawMasked(pf::TCanvas& canvas, int32_t x, int32_t y, int32_t w, int32_t h, pf::TBitmap& image,
                       pf::TBitmap& mask);
// Drawing through a DIB with the shared palette selected (printers).
void StretchDrawDib(pf::TCanvas& canvas, int32_t x, int32_t y, int32_t w, int32_t h, const pf::TBitmap& bitmap);
// Printing of a masked picture: clipped to its mask's opaque pixels, drawn through a DIB.
void StretchDrawDibMasked(pf::TCanvas& canvas, int32_t x, int32_t y, int32_t w, int32_t h, const pf::TBitmap& bitmap,
                          const pf::TBitmap& mask);
// The pixels that differ from the colour: one rectangle per run of a row.
pf::HRGN BitmapToRegion(const pf::TBitmap& bitmap, pf::TColor transparentColor);
// GDI+ pictures: at their size at a point; a source rectangle at a point (tiles); stretched into a rectangle; the
// same under a scale (the printer's); composed on a bitmap of the colour, then stretched into the rectangle.
void PaintGpImage(pf::TCanvas& canvas, int32_t x, int32_t y, pf::TGpImage& image);
void PaintGpImagePart(pf::TCanvas& canvas, int32_t x, int32_t y, pf::TGpImage& image, const pf::TRect& source);
void PaintGpImageStretched(pf::TCanvas& canvas, int32_t x, int32_t y, int32_t w, int32_t h, pf::TGpImage& image);
void PaintGpImageScaled(pf::TCanvas& canvas, int32_t x, int32_t y, pf::TGpImage& image, float scaleX, float scaleY);
void PaintGpImageStretchedScaled(pf::TCanvas& canvas, int32_t x, int32_t y, int32_t w, int32_t h, pf::TGpImage& image,
                                 float scaleX, float scaleY);
void PaintGpImageOnBackground(pf::TCanvas& canvas, int32_t x, int32_t y, int32_t w, int32_t h, pf::TGpImage& image,
                              pf::TColor background);
// Any picture stretched into (x, y, w, h): a bitmap masked when it has a mask, a GDI+ picture blended, the current
// frame of an animated one (which counts as shown). printing draws bitmaps through DIBs and GDI+ pictures under the
// scale.
void DrawPicture(pf::TCanvas& canvas, const TImageRef& image, pf::TBitmap* mask, int32_t x, int32_t y, int32_t w,
                 int32_t h, bool printing = false, float scaleX = 1, float scaleY = 1);

// A background picture over clip (canvas co-ordinates): placed by position within area (view for an axis whose
// position is fixed), repeated along the axes that repeat, else one tile; a side of 1 pixel is stretched over the
// clip instead of repeated. Drawn by DrawPicture's roads.
void DrawBackgroundPicture(pf::TCanvas& canvas, const pf::TRect& clip, const TImageRef& image, pf::TBitmap* mask,
                           const TBackgroundPosition& position, const pf::TRect& area, const pf::TRect& view,
                           bool printing = false, float scaleX = 1, float scaleY = 1);

// ---- the cache ----

// One cached picture. The item owns the picture and the masks.
class TBitmapItem {
 public:
  TBitmapItem(TLoadedImage image, std::unique_ptr<pf::TBitmap> mask, TTransparency transparency);
  int32_t AccessCount = 0;        // document loads since the picture was last asked for
  int32_t UsageCount = 0;         // picture objects that hold it now
  TTransparency Transp = tkNone;  // the kind of Mask
  TLoadedImage MImage;
  std::unique_ptr<pf::TBitmap> Mask;     // the mask that came with the picture: every request gets it
  std::unique_ptr<pf::TBitmap> OwnMask;  // made for the first own-mask request: only such requests get it
  TImageRef Image() const { return RefOf(MImage); }
  // The picture for a request, with the mask it gets and its kind.
  TImageRef Answer(TMaskRequest request, TTransparency& transparency, pf::TBitmap*& mask);
};

// The image cache: picture names (trimmed, letter case kept: ImageCacheKey) sorted, each with its TBitmapItem. It
// starts GDI+ while it exists.
class TStringBitmapList : public pf::TStringList {
 public:
  TStringBitmapList();
  ~TStringBitmapList() override;
  TStringBitmapList(const TStringBitmapList&) = delete;
  TStringBitmapList& operator=(const TStringBitmapList&) = delete;

  int32_t MaxCache = 4;  // document loads an unused picture stays (the viewer's ImageCacheCount)

  // Adds a picture not yet cached; it counts one user. Returns its index.
  int AddObject(const std::string& key, std::unique_ptr<TBitmapItem> item);
  TBitmapItem* Item(int index) const { return static_cast<TBitmapItem*>(GetObject(index)); }
  // One more user; the picture was asked for now.
  TImageRef UseImage(int index);
  // One user fewer (never below 0); nothing when the key is not cached.
  void ReleaseUsage(const std::string& key);
  // Once per document load: every picture ages by one load; an unused one older than MaxCache loads is freed.
  void AgeAndPurge();
  // Frees every unused picture older than n loads; MaxCache := n.
  void ApplyCacheLimit(int32_t n);
  // Frees every picture.
  void Clear() override;

 private:
  using pf::TStringList::AddObject;  // only items that the cache owns come in
  void FreeUnused(int32_t maxAge);
};

// The cache key of a picture name.
std::string ImageCacheKey(const std::string& name);

// The document's picture of that name: from the cache, else from the viewer's bitmap or image request handlers
// (a stream that is ImageWaitStream makes it delayed), else from the file; a loaded picture enters the cache.
// transparency and mask: the kind of mask answered for the request and the mask (cached with the picture, never to
// be freed by the caller). A picture answered counts one user until ReleaseUsage. Nothing without a cache.
TImageRef FetchImage(TSectionList& document, const std::string& name, TMaskRequest request, TTransparency& transparency,
                     pf::TBitmap*& mask, bool& fromCache, bool& delayed);

// ---- pictures in the text ----

class TImageObj : public TFloatingObj {
 public:
  // An IMG element (or an image input) at text index position: SRC, ALIGN, WIDTH, HEIGHT, HSPACE, VSPACE, BORDER,
  // USEMAP, ISMAP, ALT and TITLE.
  TImageObj(TSectionList* masterList, int32_t position, const TAttributeList& attributes);
  // A picture named by a URL alone (a background or list-style picture).
  static std::unique_ptr<TImageObj> CreateFromUrl(TSectionList* masterList, const std::string& url);
  // The print copy: the same picture, never animated.
  TImageObj(TSectionList* masterList, const TImageObj& source);
  // Gives the cached picture back and leaves the document's animated list.
  ~TImageObj() override;

  std::string Source;                  // the picture's name as written
  TImageRef Image;                     // the picture from the cache, its own animated copy, or a placeholder
  pf::TBitmap* Mask = nullptr;         // its monochrome mask, white where transparent
  TTransparency Transparent = tkNone;  // the kind of that mask
  int32_t BorderSize = 0;              // BORDER (a frame in the link run's colour); a style border is apart
  bool BorderGiven = false;            // BORDER was written (a picture in a link otherwise gets a 1-pixel frame)
  std::string MapName;                 // USEMAP without its "#"
  bool UseMap = false;
  bool IsMap = false;
  uint8_t HoverState = 0;                         // 0 none, 1 hover, 2 pressed
  bool Visible = true;                            // the style's visibility
  TImageFormControlObj* MyFormControl = nullptr;  // the image input this picture belongs to
  TSectionList* MasterList;
  std::string CacheKey;  // the cache entry the picture counts as a user of ("" when none)
  int32_t DrawXX = 0;    // the document x where the last paint put the picture's left edge (the frame's outer edge)
  bool Delayed = false;  // waiting in the document's MissingImages
  std::unique_ptr<TgfAnimatedImage> OwnGif;  // this object's copy of an animated picture

  // The style of a floating object, and visibility.
  void ApplyStyleProperties(TProperties& prop) override;
  // Fetches the picture when there is none yet and sizes the object (ObjWidth, ObjHeight with the border) for the
  // room: percentages of availWidth and availHeight (availWidth when availHeight is 0). linkRun is the font run the
  // picture stands in: one with a URL gives a picture without BORDER a 1-pixel frame.
  void ComputeSize(pf::TCanvas& canvas, int32_t availHeight, int32_t availWidth, TFontObj* linkRun) override;
  std::unique_ptr<TFloatingObj> CreateClone(TSectionList* ownerList) const override;
  // The picture is hovered (1), pressed (2) or neither (0). Animated pictures have no hover frames, so nothing
  // else changes.
  void SetHoverState(uint8_t state);
  // Whether no picture is shown: none fetched, or the wait or the error placeholder stands in.
  bool IsPlaceholder() const;
  // Whether the error picture stands in for a picture that could not be had.
  bool IsErrorPicture() const;
  // Draws the object with x the left edge of its box (its left space included): a floating one (align 5, 6) with
  // its top space below topY; an inline one by its alignment in the line whose text top is topY and baseline
  // yBaseline (top: below its top space; middle: centred on the middle of run's character height above the
  // baseline; bottom and baseline: its bottom space on the baseline). run is the font run the picture stands in:
  // its colour frames a bordered picture, and a focused link gets a focus rectangle. Remembers where it drew (DrawXX,
  // DrawYY in document co-ordinates) for the hit tests. Nothing when invisible.
  void Paint(pf::TCanvas& canvas, int32_t x, int32_t topY, int32_t yBaseline, const TFontObj* run);
  // The top of the picture (its frame in) that Paint draws with those arguments.
  int32_t DrawnTop(int32_t topY, int32_t yBaseline, const TFontObj* run) const;
  // The picture (or the placeholder box) at (x, y) at the object's size without the border.
  void DrawImage(pf::TCanvas& canvas, int32_t x, int32_t y);
  // Lets go of the picture: its cache entry's use, its animated copy, its place in MissingImages. The next
  // ComputeSize fetches it again (a picture that was still to come, once it is there).
  void ReleasePicture();

 private:
  void Fetch();
  void SizeFromPicture(int32_t availWidth, int32_t availHeight, int32_t border);
  void SizePlaceholder(pf::TCanvas& canvas, int32_t availWidth, int32_t availHeight, int32_t border);
  void DrawPlaceholder(pf::TCanvas& canvas, int32_t x, int32_t y, int32_t w, int32_t h);
};

// The pictures and panels of one section, by text position.
class TImageObjList : public TFreeList<TFloatingObj> {
 public:
  // A copy of every picture and panel of source for ownerList.
  void CreateClone(TSectionList* ownerList, const TImageObjList& source);
  // The object at text index pos, or nullptr.
  TFloatingObj* FindImage(int32_t pos) const;
  // The characters from pos to the next object (99999999 when none follows).
  int32_t GetImageCountAt(int32_t pos) const;
  // A character before the objects after pos was removed.
  void DecPositionsAfter(int32_t pos);
  template <typename F>
  void RemapPositions(F newPosition) {
    for (int i = 0; i < Count(); ++i) (*this)[i]->Pos = newPosition((*this)[i]->Pos);
  }

  // The height of the object at pos with its vertical spaces, its alignment and the object; -1 when none.
  int32_t GetHeightAt(int32_t pos, uint8_t& align, TFloatingObj*& object) const;
  // Its width (without the spaces, which come out apart); -1 when none.
  int32_t GetWidthAt(int32_t pos, uint8_t& align, int32_t& hSpaceLeft, int32_t& hSpaceRight,
                     TFloatingObj*& object) const;
  // The first picture whose drawn area inside its border holds (x, y): the point's offset in it, its ISMAP flag,
  // whether it names a map and the document's map of that name (nullptr when none has it).
  bool PtInImage(int32_t x, int32_t y, int32_t& ix, int32_t& iy, TFloatingObj*& object, bool& isMap,
                 const TMapItem*& map, bool& usesMap) const;
  // The same without maps: the picture and the offset of y in it.
  bool PtInObject(int32_t x, int32_t y, TFloatingObj*& object, int32_t& iy) const;
};

}  // namespace viewer
