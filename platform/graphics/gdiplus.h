// GDI+ access: pictures with an alpha channel, loaded and drawn through the layer's painting engine under the names
// the viewer uses for them. "Loading" the library only counts its users: it is always available here, unless a
// test (or PEXU_GDIPLUS=missing in the environment) makes it look missing, so that the roads without it stay
// reachable. While it is not active, making an image, bitmap or graphics raises EGDIPlus, as a library that was
// never started would fail.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/core/exceptions.h"
#include "platform/graphics/bitmap.h"
#include "platform/graphics/canvas.h"

namespace pf {

PF_DECLARE_EXCEPTION(EGDIPlus, Exception)

// True while the library is loaded and started.
bool GdiPlusActive();
// The first call (use count 0) starts the library, when it is available; every call counts, started or not.
void LoadGdiPlus();
// The last matching call stops the library, when it was started.
void UnloadGdiPlus();
// Test switch: whether the next start finds the library.
void SetGdiPlusAvailable(bool available);

// A picture with 32-bit ARGB pixels.
class TGpImage {
 public:
  // Reads a picture file. Raises EGDIPlus "Image file %s not found." or "Can't load image file %s.". With
  // deleteOnFree the file is deleted when the image is freed.
  explicit TGpImage(const std::string& fileName, bool deleteOnFree = false);
  // Reads a picture from the stream's position to its end, without a file. Raises EGDIPlus "Can't load image from
  // stream." when the data is no picture.
  explicit TGpImage(TStream& stream);
  virtual ~TGpImage();
  TGpImage(const TGpImage&) = delete;
  TGpImage& operator=(const TGpImage&) = delete;

  int32_t GetWidth() const { return width_; }
  int32_t GetHeight() const { return height_; }
  // A new device bitmap of the picture's size: white, with the picture drawn on it.
  std::unique_ptr<TBitmap> GetBitmap();

  struct Pixels;  // the painting engine's image, for the implementation
  Pixels& Image() const { return *pixels_; }

 protected:
  TGpImage(int32_t width, int32_t height);  // a transparent bitmap; "Can't create bitmap" when it cannot be made

 private:
  std::unique_ptr<Pixels> pixels_;
  int32_t width_ = 0;
  int32_t height_ = 0;
  std::string fileName_;  // set only when the file goes with the image
};

// A bitmap made in memory, every pixel transparent black (ARGB 0) at first.
class TGpBitmap : public TGpImage {
 public:
  TGpBitmap(int32_t width, int32_t height) : TGpImage(width, height) {}
  // ARGB colours, not premultiplied; outside the bitmap GetPixel answers 0 and SetPixel does nothing.
  uint32_t GetPixel(int32_t x, int32_t y) const;
  void SetPixel(int32_t x, int32_t y, uint32_t argb);
};

// Drawing pictures onto a canvas (screen, bitmap or printer; its clip applies) or onto a picture, blended by their
// alpha. Scaled drawing is smooth, except for small pictures enlarged (see DrawImage).
class TGpGraphics {
 public:
  // Raises EGDIPlus "Can't Create Graphics" for a canvas without a surface.
  explicit TGpGraphics(TCanvas& canvas);
  static std::unique_ptr<TGpGraphics> CreateFromImage(TGpImage& image);
  ~TGpGraphics();
  TGpGraphics(const TGpGraphics&) = delete;
  TGpGraphics& operator=(const TGpGraphics&) = delete;

  // The picture stretched into (x, y, w, h). A picture of at most 10 pixels in a direction in which it is
  // enlarged is stretched by repeating its pixels, so that it keeps sharp edges and its border pixels.
  void DrawImage(TGpImage& image, int32_t x, int32_t y, int32_t w, int32_t h);
  // At its own size.
  void DrawImageAt(TGpImage& image, int32_t x, int32_t y);
  // The source rectangle at its own size at (x, y).
  void DrawImagePart(TGpImage& image, float x, float y, float srcX, float srcY, float srcW, float srcH);
  void DrawImageRectRect(TGpImage& image, int32_t dstX, int32_t dstY, int32_t dstW, int32_t dstH, int32_t srcX,
                         int32_t srcY, int32_t srcW, int32_t srcH);
  // Sets every pixel (within the clip) to the ARGB colour.
  void Clear(uint32_t argb);
  // Scales what is drawn from now on, on top of the scales already set (printing draws at the printer's scale).
  void ScaleTransform(float sx, float sy);

 private:
  friend struct GpPainting;
  TGpGraphics() = default;
  TCanvas* canvas_ = nullptr;
  TGpImage* image_ = nullptr;
  double scaleX_ = 1;
  double scaleY_ = 1;
  bool nearest_ = false;  // interpolation: nearest neighbour instead of smooth
};

}  // namespace pf
