// Stand-ins for operations that the text painting brings; this file goes when it comes.
#include "viewer/section_list.h"

namespace viewer {

void TDrawList::AddImage(TFloatingObj* object, pf::TCanvas& canvas, int32_t x, int32_t topY, int32_t yBaseline,
                         const TMyFont* font) {
  Add(std::make_unique<TImageRec>(TImageRec{object, &canvas, x, topY, yBaseline, font}));
}

void TDrawList::DrawImages() { Clear(); }

}  // namespace viewer
