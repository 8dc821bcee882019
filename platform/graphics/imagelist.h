// TImageList: images of one size, each with its mask, drawn transparently or on a background colour.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/core/component.h"
#include "platform/graphics/bitmap.h"
#include "platform/graphics/canvas.h"

namespace pf {

// Image-list colour values besides RGB colours.
constexpr uint32_t CLR_NONE = 0xFFFFFFFF;     // no background: the canvas shows through the mask
constexpr uint32_t CLR_DEFAULT = 0xFF000000;  // the list's own background colour
// Drawing styles.
enum : uint32_t { ILD_NORMAL = 0x0000, ILD_TRANSPARENT = 0x0001 };

class TImageList : public TComponent {
 public:
  explicit TImageList(TComponent* owner = nullptr, int32_t width = 16, int32_t height = 16);
  std::string ClassName() const override { return "TImageList"; }

  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  int Count() const { return static_cast<int>(images_.size()); }
  // The background colour behind transparent pixels (clNone: none) and the blend colour.
  TColor BkColor() const { return bkColor_; }
  void SetBkColor(TColor value) { bkColor_ = value; }
  TColor BlendColor() const { return blendColor_; }
  void SetBlendColor(TColor value) { blendColor_ = value; }

  // Adds the top-left Width x Height of image with mask (1 = transparent; nullptr: opaque); returns its index.
  int Add(TBitmap& image, const TBitmap* mask);
  // Adds image, transparent where it has maskColor.
  int AddMasked(TBitmap& image, TColor maskColor);
  // Image and mask of an index; EInvalidOperation "Invalid image index" outside 0..Count-1.
  const TBitmap& Image(int index) const;
  const TBitmap& Mask(int index) const;

 private:
  struct Entry {
    std::unique_ptr<TBitmap> image;
    std::unique_ptr<TBitmap> mask;
  };
  const Entry& At(int index) const;
  int32_t width_;
  int32_t height_;
  TColor bkColor_ = clNone;
  TColor blendColor_ = clNone;
  std::vector<Entry> images_;
};

// Draws image index of list at (x, y), dx x dy pixels (0: the list's size; the image is stretched). Transparent
// pixels show bk (CLR_NONE or ILD_TRANSPARENT: the canvas; CLR_DEFAULT: the list's BkColor). fg is for blending
// styles, which this layer does not offer. False for an index outside the list.
bool ImageList_DrawEx(const TImageList& list, int index, TCanvas& canvas, int32_t x, int32_t y, int32_t dx, int32_t dy,
                      uint32_t bk, uint32_t fg, uint32_t style);

}  // namespace pf
