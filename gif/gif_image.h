// The GIF object model: colour maps, header, frames, extension blocks and their registries, and TGifPicture, the
// picture class that reads and writes GIF streams and turns bitmaps into GIF frames.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "gif/dither.h"
#include "gif/gif_errors.h"
#include "gif/lzw.h"
#include "gif/reduce.h"
#include "platform/core/classes.h"
#include "platform/core/streams.h"
#include "platform/graphics/bitmap.h"
#include "platform/graphics/canvas.h"
#include "platform/graphics/graphic.h"

namespace gif {

enum TGIFVersion { gvUnknown = 0, gv87a = 1, gv89a = 2 };
const char* GIFVersionString(int version);  // "87a", "89a", "" for none

// Disposal values 0 and 1 both leave the frame in place.
constexpr int DisposeNone = 1;
constexpr int DisposeBackground = 2;
constexpr int DisposePrevious = 3;

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

class TGifPicture;
class TGIFSubImage;
class TGIFHeader;

class TGIFItem : public pf::TPersistent {
 public:
  explicit TGIFItem(TGifPicture* image) : image_(image) {}
  std::string ClassName() const override { return "TGIFItem"; }
  virtual int GetVersion() const { return gv87a; }
  virtual void Warning(int severity, const std::string& message) const;
  virtual void SaveToStream(pf::TStream& stream) = 0;
  virtual void LoadFromStream(pf::TStream& stream) = 0;
  void SaveToFile(const std::string& fileName);
  void LoadFromFile(const std::string& fileName);
  TGifPicture* Image() const { return image_; }
  int Version() const { return GetVersion(); }

 protected:
  TGifPicture* image_;
};

struct THistogramEntry {
  int32_t Count = 0;
  int32_t Index = 0;
};

class TGIFColorMap : public pf::TPersistent {
 public:
  std::string ClassName() const override { return "TGIFColorMap"; }
  void Assign(const pf::TPersistent& source) override;

  int Count() const { return count_; }
  int Capacity() const { return capacity_; }
  bool Optimized() const { return optimized_; }
  void SetOptimized(bool value) { optimized_ = value; }
  const uint8_t* Data() const { return data_.data(); }  // red, green, blue per colour

  // Reading outside the map warns "Invalid color index" and reads entry 0; an empty map raises "Color table is
  // empty".
  pf::TColor Colors(int index) const;
  void SetColors(int index, pf::TColor color);
  int Add(pf::TColor color);  // "Color table overflow" at 256 colours
  int AddUnique(pf::TColor color);
  int IndexOf(pf::TColor color) const;
  void Delete(int index);  // "Invalid color index" outside the map
  void Clear();
  int BitsPerPixel() const { return BitsNeeded(count_); }

  pf::HPALETTE ExportPalette() const;  // Count entries, PC_NOCOLLAPSE
  void ImportPalette(const pf::HPALETTE& palette);
  void ImportColorTable(const std::vector<pf::TRGBQuad>& table);
  // Reads count colours; writes Count colours padded with black to 2^BitsPerPixel.
  void LoadFromStream(pf::TStream& stream, int count);
  void SaveToStream(pf::TStream& stream) const;

  virtual void Warning(int severity, const std::string& message) const = 0;
  virtual void BuildHistogram(std::vector<THistogramEntry>& histogram) = 0;
  virtual void MapImages(const std::vector<int>& map) = 0;
  // Sorts the colours by use (most used first) and drops unused ones; false when there was nothing to sort.
  virtual bool Optimize();
  virtual void Changed() = 0;

 protected:
  void Grow(int needed);
  // The colours become those of rgb (red, green, blue each; at most 256), unsorted.
  void Replace(const std::vector<uint8_t>& rgb);
  std::vector<uint8_t> data_;
  int count_ = 0;
  int capacity_ = 0;
  bool optimized_ = false;
};

class TGIFGlobalColorMap : public TGIFColorMap {
 public:
  explicit TGIFGlobalColorMap(TGIFHeader* header) : Header(header) {}
  std::string ClassName() const override { return "TGIFGlobalColorMap"; }
  void Warning(int severity, const std::string& message) const override;
  void BuildHistogram(std::vector<THistogramEntry>& histogram) override;
  void MapImages(const std::vector<int>& map) override;
  void Changed() override;
  TGIFHeader* Header;
};

class TGIFLocalColorMap : public TGIFColorMap {
 public:
  explicit TGIFLocalColorMap(TGIFSubImage* subImage) : SubImage(subImage) {}
  std::string ClassName() const override { return "TGIFLocalColorMap"; }
  void Warning(int severity, const std::string& message) const override;
  void BuildHistogram(std::vector<THistogramEntry>& histogram) override;
  void MapImages(const std::vector<int>& map) override;
  void Changed() override;  // drops the frame's palette
  TGIFSubImage* SubImage;
};

class TGIFHeader : public TGIFItem {
 public:
  explicit TGIFHeader(TGifPicture* image);
  std::string ClassName() const override { return "TGIFHeader"; }
  void Assign(const pf::TPersistent& source) override;
  int GetVersion() const override;
  void SaveToStream(pf::TStream& stream) override;
  void LoadFromStream(pf::TStream& stream) override;
  void Clear();
  // Recomputes the packed flags from the colour maps (global and the frames' local ones).
  void Prepare();

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

class TGIFExtension;
class TGIFGraphicControlExtension;

class TGIFExtensionList : public pf::TPersistent {
 public:
  explicit TGIFExtensionList(TGIFSubImage* subImage) : subImage_(subImage) {}
  std::string ClassName() const override { return "TGIFExtensionList"; }
  int Count() const { return static_cast<int>(items_.size()); }
  TGIFExtension* Items(int index) const { return items_.at(static_cast<size_t>(index)).get(); }
  TGIFExtension* operator[](int index) const { return Items(index); }
  int Add(std::unique_ptr<TGIFExtension> extension);
  void Delete(int index);
  void Remove(TGIFExtension* extension);
  void Clear();
  void SaveToStream(pf::TStream& stream);
  void LoadFromStream(pf::TStream& stream);  // the extensions in front of one frame
  void Warning(int severity, const std::string& message) const;

 private:
  TGIFSubImage* subImage_;
  std::vector<std::unique_ptr<TGIFExtension>> items_;
};

class TGIFSubImage : public TGIFItem {
 public:
  explicit TGIFSubImage(TGifPicture* image);
  ~TGIFSubImage() override;
  std::string ClassName() const override { return "TGIFSubImage"; }
  void Assign(const pf::TPersistent& source) override;
  int GetVersion() const override;
  void SaveToStream(pf::TStream& stream) override;
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
  bool Interlaced() const { return (packed_ & 0x40) != 0; }
  void SetInterlaced(bool value);
  bool Empty() const { return data_.empty() || width_ == 0 || height_ == 0; }
  bool Transparent() const { return transparent_; }

  uint8_t Pixels(int x, int y);
  void SetPixels(int x, int y, uint8_t value);
  uint8_t* ScanLine(int y);
  std::vector<uint8_t>& Data() { return data_; }
  int64_t DataSize() const { return static_cast<int64_t>(data_.size()); }

  TGIFLocalColorMap& ColorMap() { return colorMap_; }
  TGIFColorMap& ActiveColorMap();
  TGIFExtensionList& Extensions() { return extensions_; }
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
  void EncodeImageData(pf::TStream& stream);

 protected:
  void AssignTo(pf::TPersistent& dest) const override;

 private:
  friend class TGIFGraphicControlExtension;
  friend class TGIFExtensionList;
  friend class TGifPicture;
  void AssignFromBitmap(pf::TBitmap& source);
  void AllocateData(uint8_t fill);
  void RenderBitmap();
  bool Dithered() const;

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
  void SaveToStream(pf::TStream& stream) override;
  void LoadFromStream(pf::TStream& stream) override;
};

class TGIFExtension : public TGIFItem {
 public:
  explicit TGIFExtension(TGIFSubImage* subImage);
  std::string ClassName() const override { return "TGIFExtension"; }
  int GetVersion() const override { return gv89a; }
  void SaveToStream(pf::TStream& stream) override;    // "!" and the label
  void LoadFromStream(pf::TStream& stream) override;  // checks them
  virtual uint8_t GetExtensionType() const = 0;
  TGIFSubImage* SubImage() const { return subImage_; }
  // A copy (saved and read back through a memory stream) owned by another frame.
  std::unique_ptr<TGIFExtension> CloneFor(TGIFSubImage* subImage);

 protected:
  TGIFSubImage* subImage_;
};

class TGIFGraphicControlExtension : public TGIFExtension {
 public:
  explicit TGIFGraphicControlExtension(TGIFSubImage* subImage);
  ~TGIFGraphicControlExtension() override;
  std::string ClassName() const override { return "TGIFGraphicControlExtension"; }
  uint8_t GetExtensionType() const override { return 0xF9; }
  void SaveToStream(pf::TStream& stream) override;
  void LoadFromStream(pf::TStream& stream) override;

  int Disposal() const { return (packed_ >> 2) & 7; }
  void SetDisposal(int value);
  bool Transparent() const { return (packed_ & 1) != 0; }
  void SetTransparent(bool value);
  bool UserInput() const { return (packed_ & 2) != 0; }
  void SetUserInput(bool value);
  uint16_t Delay() const { return delay_; }
  void SetDelay(uint16_t value) { delay_ = value; }
  uint8_t TransparentColorIndex() const { return transparentIndex_; }
  // An index at or above the frame's active colour count warns "Invalid color index" and stores 0.
  void SetTransparentColorIndex(int value);
  pf::TColor TransparentColor() const;

 private:
  uint8_t packed_ = 0;
  uint16_t delay_ = 0;
  uint8_t transparentIndex_ = 0;
};

class TGIFTextExtension : public TGIFExtension {
 public:
  using TGIFExtension::TGIFExtension;
  std::string ClassName() const override { return "TGIFTextExtension"; }
  uint8_t GetExtensionType() const override { return 0x01; }
  void SaveToStream(pf::TStream& stream) override;
  void LoadFromStream(pf::TStream& stream) override;
  pf::TStringList Text;
  uint16_t Left = 0, Top = 0, GridWidth = 0, GridHeight = 0;
  uint8_t CharWidth = 0, CharHeight = 0, ForegroundColorIndex = 0, BackgroundColorIndex = 0;
};

class TGIFCommentExtension : public TGIFExtension {
 public:
  using TGIFExtension::TGIFExtension;
  std::string ClassName() const override { return "TGIFCommentExtension"; }
  uint8_t GetExtensionType() const override { return 0xFE; }
  void SaveToStream(pf::TStream& stream) override;
  void LoadFromStream(pf::TStream& stream) override;
  pf::TStringList Text;
};

class TGIFApplicationExtension : public TGIFExtension {
 public:
  explicit TGIFApplicationExtension(TGIFSubImage* subImage);
  std::string ClassName() const override { return "TGIFApplicationExtension"; }
  uint8_t GetExtensionType() const override { return 0xFF; }
  void SaveToStream(pf::TStream& stream) override;
  void LoadFromStream(pf::TStream& stream) override;
  std::string Identifier;      // 8 bytes
  std::string Authentication;  // 3 bytes

 protected:
  // The data sub-blocks after the identifier, terminator included. This class itself keeps no data.
  virtual void SaveData(pf::TStream& stream);
  virtual void LoadData(pf::TStream& stream);
};

struct TGIFBlock {
  uint8_t Size = 0;
  std::vector<uint8_t> Data;
};

class TGIFUnknownAppExtension : public TGIFApplicationExtension {
 public:
  using TGIFApplicationExtension::TGIFApplicationExtension;
  std::string ClassName() const override { return "TGIFUnknownAppExtension"; }
  std::vector<TGIFBlock> Blocks;

 protected:
  void SaveData(pf::TStream& stream) override;
  void LoadData(pf::TStream& stream) override;
};

class TGIFAppExtNSLoop : public TGIFApplicationExtension {
 public:
  explicit TGIFAppExtNSLoop(TGIFSubImage* subImage);
  std::string ClassName() const override { return "TGIFAppExtNSLoop"; }
  uint16_t Loops = 0;
  uint32_t BufferSize = 0;

 protected:
  void SaveData(pf::TStream& stream) override;
  void LoadData(pf::TStream& stream) override;
};

// Registries (a later registration wins).
using TGIFExtensionFactory = std::function<std::unique_ptr<TGIFExtension>(TGIFSubImage*)>;
void RegisterExtension(uint8_t label, TGIFExtensionFactory factory);
// identifier: the 8 bytes of the identifier followed by the 3 of the authentication code.
void RegisterApplicationExtension(const std::string& identifier, TGIFExtensionFactory factory);

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
  void SaveToStream(pf::TStream& stream);
  void LoadFromStream(pf::TStream& stream);  // the block loop
  void Warning(int severity, const std::string& message) const;

 private:
  TGifPicture* image_;
  std::vector<std::unique_ptr<TGIFSubImage>> items_;
};

class TGIFPainterList;

using TGIFWarningEvent = std::function<void(pf::TPersistent& sender, int severity, const std::string& message)>;
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
  virtual void Warning(pf::TPersistent& sender, int severity, const std::string& message);

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
  void ReportProgress(pf::TProgressStage stage, int percent, const std::string& message);
  // Frees the cached whole-picture bitmap (frames call this when they change).
  void FreeCachedBitmap();
  void NotifyChanged() { Changed(this); }
  // Counts pixels allocated while loading against GIFMaxPicturePixels ("Invalid image dimensions" beyond it).
  void ReservePixels(int64_t count);

 private:
  bool drawing_ = false;
  mutable bool paletteBusy_ = false;
  TGifPictureList images_;
  TGIFHeader header_;
  mutable pf::HPALETTE palette_;
  std::unique_ptr<pf::TBitmap> bitmap_;
  int64_t loadedPixels_ = 0;
  std::unique_ptr<TGIFPainterList> painters_;
};

// The clipboard format of GIF data ("GIF Image"), registered on first use; bitmaps use format 2.
uint16_t CF_GIF();
constexpr uint16_t CF_BITMAP = 2;

// Registers TGifPicture for the extension "GIF" ("GIF Image"); done once at program start.
void RegisterGifPicture();

}  // namespace gif
