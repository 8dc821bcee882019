#include "platform/graphics/imagelist.h"

#include "platform/core/exceptions.h"

namespace pf {

TImageList::TImageList(TComponent* owner, int32_t width, int32_t height)
    : TComponent(owner), width_(width), height_(height) {}

int TImageList::Add(TBitmap& image, const TBitmap* mask) {
  Entry entry{std::make_unique<TBitmap>(width_, height_, pf24bit), std::make_unique<TBitmap>(width_, height_, pf1bit)};
  entry.image->Canvas().Draw(0, 0, image);
  // Transparent (white) only where the given mask is white; beyond the mask, and without one, the image is opaque.
  for (int32_t y = 0; y < height_; ++y)
    for (int32_t x = 0; x < width_; ++x)
      entry.mask->SetPixel(x, y, mask && mask->GetPixel(x, y) == clWhite ? clWhite : clBlack);
  images_.push_back(std::move(entry));
  return Count() - 1;
}

int TImageList::AddMasked(TBitmap& image, TColor maskColor) {
  std::unique_ptr<TBitmap> mask = image.CreateMask(maskColor);
  return Add(image, mask.get());
}

const TImageList::Entry& TImageList::At(int index) const {
  if (index < 0 || index >= Count()) throw EInvalidOperation("Invalid image index");
  return images_[static_cast<size_t>(index)];
}

const TBitmap& TImageList::Image(int index) const { return *At(index).image; }
const TBitmap& TImageList::Mask(int index) const { return *At(index).mask; }

bool ImageList_DrawEx(const TImageList& list, int index, TCanvas& canvas, int32_t x, int32_t y, int32_t dx, int32_t dy,
                      uint32_t bk, uint32_t fg, uint32_t style) {
  if (index < 0 || index >= list.Count()) return false;
  TRect dest = Bounds(x, y, dx > 0 ? dx : list.Width(), dy > 0 ? dy : list.Height());
  TColor background = bk == CLR_DEFAULT ? list.BkColor() : bk == CLR_NONE ? clNone : TColor{bk};
  if (background != clNone && (style & ILD_TRANSPARENT) == 0) {
    TColor saved = canvas.Brush().Color();
    TBrushStyle savedStyle = canvas.Brush().Style();
    canvas.Brush().SetColor(background);
    canvas.FillRect(dest);
    canvas.Brush().SetColor(saved);
    canvas.Brush().SetStyle(savedStyle);
  }
  DrawMasked(canvas, dest, list.Image(index), Rect(0, 0, list.Width(), list.Height()), list.Mask(index));
  return true;
}

}  // namespace pf
