// Stand-ins for operations that the picture and text painting bring; this file goes when they come.
#include "viewer/image_cache.h"
#include "viewer/section_list.h"

namespace viewer {

void TImageObj::SetHoverState(uint8_t state) { HoverState = state; }

void TDrawList::AddImage(TFloatingObj* object, pf::TCanvas& canvas, int32_t x, int32_t topY, int32_t yBaseline,
                         const TMyFont* font) {
  Add(std::make_unique<TImageRec>(TImageRec{object, &canvas, x, topY, yBaseline, font}));
}

void TDrawList::DrawImages() { Clear(); }

}  // namespace viewer
