// The GIF picture: the logical screen (TGIFHeader), the frames (TGIFSubImage) and their list, the trailer, and
// TGifPicture, the picture class that reads and writes GIF streams and turns bitmaps into GIF frames.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "gif/dither.h"
#include "gif/gif_colormap.h"
#include "gif/gif_errors.h"
#include "gif/gif_extensions.h"
#include "gif/gif_format.h"
#include "gif/gif_item.h"
#include "gif/lzw.h"
#include "gif/reduce.h"
#include "platform/core/classes.h"
#include "platform/core/streams.h"
#include "platform/graphics/bitmap.h"
#include "platform/graphics/canvas.h"
#include "platform/graphics/graphic.h"

namespace gif {

// Draw options (a 16-bit set).
using TGIFDrawOptions = uint16_t;
enum : uint16_t {
  DrawAsync = 1 << 0,
  DrawTransparent = 1 << 1,
  DrawAnimate = 1 << 2,
  DrawLoop = 1 << 3,
  DrawLoopForever = 1 << 4,
  DrawValidateCanvas = 1 << 5,
  DrawDirect = 1 << 6,
  DrawClearOnLoop = 1 << 7,
  DrawTile = 1 << 8,
  DrawDither = 1 << 9,
  DrawAutoDither = 1 << 10,
};

// Optimisation options for TGifPicture::Optimize.
using TGIFOptimizeOptions = uint8_t;
enum : uint8_t {
  ooCrop = 1 << 0,
  ooMerge = 1 << 1,
  ooCleanup = 1 << 2,
  ooColorMap = 1 << 3,
  ooReduceColors = 1 << 4,
};

enum TThreadPriority : uint8_t { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

// Defaults that every new picture copies (writable program-wide settings).
extern TGIFDrawOptions GIFDefaultDrawOptions;     // $060F
extern uint8_t GIFDefaultColorReduction;          // ReduceWebPalette
extern int32_t GIFDefaultColorReductionBits;      // 8
extern uint8_t GIFDefaultDitherMode;              // DitherNearest
extern uint8_t GIFDefaultCompression;             // CompressLZW
extern TThreadPriority GIFDefaultThreadPriority;  // tpNormal
extern int32_t GIFDefaultAnimationSpeed;          // 100
extern bool GIFDefaultOptimizeOnSave;             // false: WriteData optimises first when set
extern bool GIFRenderOnLoad;                      // false: frames build their bitmap while loading when set
extern bool DoAutoDither;                         // screen of at most 8 bits per pixel (set at registration)
extern bool PaletteDevice;                        // the same, read-only by convention
// Upper bound of the pixels one picture may hold while loading (all frames together); a file asking for more is
// refused with "Invalid image dimensions". Guards memory against crafted sizes.
extern int64_t GIFMaxPicturePixels;

class TGIFHeader : public TGIFItem {
 public:
  explicit TGIFHeader(TGifPicture* image);
  std::string ClassName() const override { return "TGIFHeader"; }
  void Assign(const pf::TPersistent& source) override;
  int GetVersion() const override;
  void SaveToStream(pf::TStream& stream) const override;
  void LoadFromStream(pf::TStream& stream) override;
  void Clear();
  // The packed flags as they are written, computed from the colour maps (global and the frames' local ones).
  uint8_t PackedFields() const;
  // Stores PackedFields in Packed.
  void Prepare() { Packed = PackedFields(); }

  TGIFGlobalColorMap& ColorMap() { return colorMap_; }
  const TGIFGlobalColorMap& ColorMap() const { return colorMap_; }
  uint16_t Width = 0;
  uint16_t Height = 0;
  uint8_t Packed = 0;
  uint8_t BackgroundColorIndex = 0;
  uint8_t AspectRatio = 0;
  std::string LoadedVersion;  // the version text of the last loaded stream

 private:
  TGIFGlobalColorMap colorMap_;
};

class TGIFSubImage : public TGIFItem {
 public:
  explicit TGIFSubImage(TGifPicture* image);
  ~TGIFSubImage() override;
  std::string ClassName() const override { return "TGIFSubImage"; }
  void Assign(const pf::TPersistent& source) override;
  int GetVersion() const override;
  void SaveToStream(pf::TStream& stream) const override;
  void LoadFromStream(pf::TStream& stream) override;

  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetLeft(int value) { SetBounds(value, top_, width_, height_); }
  void SetTop(int value) { SetBounds(left_, value, width_, height_); }
  void SetWidth(int value) { SetBounds(left_, top_, value, height_); }
  void SetHeight(int value) { SetBounds(left_, top_, width_, value); }
  void SetBounds(int left, int top, int width, int height);
  pf::TRect BoundsRect() const { return pf::Bounds(left_, top_, width_, height_); }
  bool Interlaced() const { return (packed_ & kImageInterlaced) != 0; }
  void SetInterlaced(bool value);
  bool Empty() const { return data_.empty() || width_ == 0 || height_ == 0; }
  bool Transparent() const { return transparent_; }

  uint8_t Pixels(int x, int y);
  void SetPixels(int x, int y, uint8_t value);
  uint8_t* ScanLine(int y);
  std::vector<uint8_t>& Data() { return data_; }
  const std::vector<uint8_t>& Data() const { return data_; }
  int64_t DataSize() const { return static_cast<int64_t>(data_.size()); }

  TGIFLocalColorMap& ColorMap() { return colorMap_; }
  const TGIFLocalColorMap& ColorMap() const { return colorMap_; }
  // The local map when it has colours, else the global one when that has, else the empty local map.
  TGIFColorMap& ActiveColorMap();
  const TGIFColorMap& ActiveColorMap() const;
  TGIFExtensionList& Extensions() { return extensions_; }
  const TGIFExtensionList& Extensions() const { return extensions_; }
  TGIFGraphicControlExtension* GraphicControlExtension() const { return gce_; }

  pf::HPALETTE Palette();
  void SetPalette(const pf::HPALETTE& value);
  pf::TBitmap* Bitmap();  // rendered on first use; nullptr never (an empty frame gives an empty-content bitmap)
  void SetBitmap(std::unique_ptr<pf::TBitmap> value);
  pf::TBitmap* Mask();  // nullptr unless the frame is transparent and has transparent pixels
  bool HasBitmap() const { return bitmap_ != nullptr; }
  void FreeBitmap();
  void FreeMask();
  void Clear();
  void Crop();
  void Draw(pf::TCanvas& canvas, const pf::TRect& rect, bool transparent, bool tile);

  // Image data section reading and writing.
  void DecodeImageData(pf::TStream& stream);
  void EncodeImageData(pf::TStream& stream) const;

 protected:
  void AssignTo(pf::TPersistent& dest) const override;

 private:
  friend class TGIFGraphicControlExtension;
  friend class TGIFExtensionList;
  friend class TGifPicture;
  void AssignFromBitmap(pf::TBitmap& source);
  // drawn (a picture drawn on white at its size) becomes the frame as a bitmap does; then the pixels that are set
  // (white) in mask become transparent.
  void AssignMasked(pf::TBitmap& drawn, const pf::TBitmap& mask);
  void AllocateData(uint8_t fill);
  void RenderBitmap();
  void RenderDirect(pf::TBitmap& bmp, const pf::HPALETTE& palette) const;
  void RenderDithered(pf::TBitmap& bmp);
  void BuildMask();
  void ReportRenderedRow(int y) const;
  bool Dithered() const;
  bool ShowsGlobalColors() const;

  std::unique_ptr<pf::TBitmap> bitmap_;
  std::unique_ptr<pf::TBitmap> mask_;
  bool maskDirty_ = true;
  pf::HPALETTE palette_;
  std::vector<uint8_t> data_;
  TGIFLocalColorMap colorMap_;
  uint16_t left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  uint8_t packed_ = 0;
  TGIFExtensionList extensions_;
  bool transparent_ = false;
  TGIFGraphicControlExtension* gce_ = nullptr;
};

class TGIFTrailer : public TGIFItem {
 public:
  using TGIFItem::TGIFItem;
  std::string ClassName() const override { return "TGIFTrailer"; }
  void SaveToStream(pf::TStream& stream) const override;
  void LoadFromStream(pf::TStream& stream) override;
};

class TGifPictureList : public pf::TPersistent {
 public:
  explicit TGifPictureList(TGifPicture* image) : image_(image) {}
  std::string ClassName() const override { return "TGifPictureList"; }
  int Count() const { return static_cast<int>(items_.size()); }
  TGIFSubImage* Items(int index) const { return items_.at(static_cast<size_t>(index)).get(); }
  TGIFSubImage* operator[](int index) const { return Items(index); }
  int Add(std::unique_ptr<TGIFSubImage> frame);
  void Delete(int index);
  void Clear();
  int IndexOf(const TGIFSubImage* frame) const;
  void SaveToStream(pf::TStream& stream) const;
  void LoadFromStream(pf::TStream& stream);  // the block loop
  void Warning(int severity, const std::string& message) const;

 private:
  TGifPicture* image_;
  std::vector<std::unique_ptr<TGIFSubImage>> items_;
};

class TGIFPainterList;

using TGIFWarningEvent = std::function<void(const pf::TPersistent& sender, int severity, const std::string& message)>;
using TGIFNotifyEvent = std::function<void(pf::TPersistent& sender)>;

class TGifPicture : public pf::TGraphic {
 public:
  TGifPicture();
  ~TGifPicture() override;
  TGifPicture(const TGifPicture&) = delete;
  TGifPicture& operator=(const TGifPicture&) = delete;
  std::string ClassName() const override { return "TGifPicture"; }

 protected:
  void AssignTo(pf::TPersistent& dest) const override;

 public:
  void Assign(const pf::TPersistent& source) override;
  void Draw(pf::TCanvas& canvas, const pf::TRect& rect) override;
  bool Equals(const pf::TGraphic& other) const override;
  bool GetEmpty() const override { return images_.Count() == 0; }
  int32_t GetHeight() const override { return header_.Height; }
  pf::HPALETTE GetPalette() const override;
  int32_t GetWidth() const override { return header_.Width; }
  void SetHeight(int32_t value) override;
  void SetPalette(const pf::HPALETTE& value) override;
  void SetWidth(int32_t value) override;
  void WriteData(pf::TStream& stream) const override;
  void LoadFromStream(pf::TStream& stream) override;
  void SaveToStream(pf::TStream& stream) const override;
  void LoadFromClipboardFormat(uint16_t format, const std::vector<uint8_t>& data, const pf::HPALETTE& palette) override;
  void SaveToClipboardFormat(uint16_t& format, std::vector<uint8_t>& data, pf::HPALETTE& palette) const override;
  virtual void Warning(const pf::TPersistent& sender, int severity, const std::string& message) const;

  void Clear();
  // A graphic becomes a new frame; a frame of this picture (or of none) is added itself, a frame of another
  // picture as a copy. Returns the index.
  int Add(pf::TPersistent& source);
  int Add(std::unique_ptr<TGIFSubImage> frame);
  void Optimize(TGIFOptimizeOptions options, int colorReduction, int ditherMode, int reductionBits);
  // Stops every painter of this picture.
  void StopDraw();
  // Starts an animation on canvas (as Draw with DrawAnimate and DrawAsync); StopAnimation ends it.
  void StartAnimation(pf::TCanvas& canvas, const pf::TRect& rect);
  void StopAnimation() { StopDraw(); }
  TGIFPainterList& Painters() { return *painters_; }

  pf::TBitmap* Bitmap();  // nullptr when empty
  TGifPictureList& Images() { return images_; }
  const TGifPictureList& Images() const { return images_; }
  TGIFHeader& Header() { return header_; }
  const TGIFHeader& Header() const { return header_; }
  int Version() const;

  TGIFDrawOptions DrawOptions;
  uint8_t ColorReduction;
  int32_t ReductionBits;
  uint8_t DitherMode;
  uint8_t Compression;
  TThreadPriority ThreadPriority;
  int32_t AnimationSpeed;
  pf::TColor BackgroundColor = pf::clNone;
  TGIFWarningEvent OnWarning;
  TGIFNotifyEvent OnAnimationStart, OnFramePaint, OnFramePainted, OnAnimationLoop, OnAnimationEnd;

  // Whether frames are rendered dithered into the web palette (DrawDither, and DrawAutoDither only on palette
  // screens).
  bool DoDither() const;
  // Progress of long operations, through OnProgress.
  void ReportProgress(pf::TProgressStage stage, int percent, const std::string& message) const;
  // Frees the cached whole-picture bitmap (frames call this when they change).
  void FreeCachedBitmap();
  void NotifyChanged() { Changed(this); }
  // Counts pixels allocated while loading against GIFMaxPicturePixels ("Invalid image dimensions" beyond it).
  void ReservePixels(int64_t count);

 private:
  void SetScreenExtent(int32_t value, bool width);
  bool drawing_ = false;
  mutable bool paletteBusy_ = false;
  TGifPictureList images_;
  TGIFHeader header_;
  mutable pf::HPALETTE palette_;
  std::unique_ptr<pf::TBitmap> bitmap_;
  int64_t loadedPixels_ = 0;
  std::unique_ptr<TGIFPainterList> painters_;
};

// The clipboard format of GIF data ("GIF Image", "image/gif" on the window system's clipboard), registered on
// first use; bitmaps use pf::CF_BITMAP.
uint16_t CF_GIF();

// Registers TGifPicture for the extension "GIF" ("GIF Image"); done once at program start.
void RegisterGifPicture();

}  // namespace gif
