// Optimising a picture: colour maps sorted by use, needless transparency and disposal dropped, pixels that repeat
// the frame underneath made transparent, transparent borders cropped, needless extensions removed.
#include "gif/gif_image.h"

#include <algorithm>
#include <cstring>
#include <functional>

namespace gif {

namespace {

using TStep = std::function<void()>;  // one unit of the progress

int Disposal(const TGIFSubImage& frame) {
  return frame.GraphicControlExtension() != nullptr ? frame.GraphicControlExtension()->Disposal() : 0;
}

bool UsesIndex(const TGIFSubImage& frame, int index) {
  return std::find(frame.Data().begin(), frame.Data().end(), index) != frame.Data().end();
}

bool Covers(const pf::TRect& a, const pf::TRect& b) {
  return a.Left <= b.Left && a.Top <= b.Top && a.Right >= b.Right && a.Bottom >= b.Bottom;
}

TGIFGraphicControlExtension& EnsureGraphicControl(TGIFSubImage& frame) {
  if (frame.GraphicControlExtension() == nullptr)
    frame.Extensions().Add(std::make_unique<TGIFGraphicControlExtension>(&frame));
  return *frame.GraphicControlExtension();
}

void OptimizeColorMaps(TGifPicture& picture, const TStep& step) {
  picture.Header().ColorMap().Optimize();
  TGifPictureList& images = picture.Images();
  for (int i = 0; i < images.Count(); ++i) {
    if (images[i]->ColorMap().Count() > 0) images[i]->ColorMap().Optimize();
    step();
  }
}

// A transparent index that no pixel uses goes; so does a disposal that the next frame paints over anyway.
void DropNeedlessTransparencyAndDisposal(TGifPictureList& images, const TStep& step) {
  for (int i = 0; i < images.Count(); ++i) {
    TGIFSubImage& frame = *images[i];
    if (auto* gce = frame.GraphicControlExtension();
        gce != nullptr && gce->Transparent() && !UsesIndex(frame, gce->TransparentColorIndex()))
      gce->SetTransparent(false);
    const int disposal = Disposal(frame);
    if ((disposal == DisposeBackground || disposal == DisposePrevious) && !frame.Transparent() &&
        i + 1 < images.Count() && Covers(frame.BoundsRect(), images[i + 1]->BoundsRect()))
      frame.GraphicControlExtension()->SetDisposal(DisposeNone);
    step();
  }
}

// The index a frame without transparency makes transparent, -1 when its colour map is full. It borrows the index of
// another transparent frame of the global map, but only one that none of its own pixels shows (else they would
// vanish), and otherwise adds black to its map.
int NewTransparentIndex(TGifPictureList& images, int frameIndex) {
  TGIFSubImage& frame = *images[frameIndex];
  TGIFColorMap& map = frame.ActiveColorMap();
  if (map.Count() >= 256) return -1;
  if (frame.ColorMap().Count() == 0) {
    for (int k = 0; k < images.Count(); ++k) {
      const TGIFSubImage& other = *images[k];
      if (k == frameIndex || !other.Transparent() || other.ColorMap().Count() > 0) continue;
      const int candidate = other.GraphicControlExtension()->TransparentColorIndex();
      if (candidate < map.Count() && !UsesIndex(frame, candidate)) return candidate;
    }
  }
  return map.Add(pf::clBlack);
}

// The frame that frame i is drawn over: the nearest earlier one that is not put back afterwards.
int FrameUnderneath(const TGifPictureList& images, int i) {
  int p = i - 1;
  while (p > 0 && Disposal(*images[p]) == DisposePrevious) --p;
  return p;
}

// Pixels of frame i that repeat the frame underneath become transparent.
void MergeWithFrameUnderneath(TGifPictureList& images, int i) {
  TGIFSubImage& frame = *images[i];
  const TGIFSubImage& under = *images[FrameUnderneath(images, i)];
  if (frame.Empty() || under.Empty()) return;
  if (Disposal(under) == DisposeBackground || Disposal(under) == DisposePrevious) return;
  pf::TRect overlap;
  if (!pf::IntersectRect(overlap, frame.BoundsRect(), under.BoundsRect())) return;
  const TGIFColorMap& map = frame.ActiveColorMap();
  const TGIFColorMap& underMap = under.ActiveColorMap();
  const int underT = under.Transparent() ? under.GraphicControlExtension()->TransparentColorIndex() : -1;
  int t = frame.Transparent() ? frame.GraphicControlExtension()->TransparentColorIndex() : -1;
  // One colour: the same index of the same map, or equal red, green and blue.
  auto sameColour = [&](int px, int pu) {
    if (&map == &underMap && px == pu) return true;
    return px < map.Count() && pu < underMap.Count() &&
           std::memcmp(map.Data() + px * 3, underMap.Data() + pu * 3, 3) == 0;
  };
  std::vector<uint8_t>& data = frame.Data();
  for (int y = overlap.Top; y < overlap.Bottom; ++y)
    for (int x = overlap.Left; x < overlap.Right; ++x) {
      uint8_t& px = data[static_cast<size_t>(y - frame.Top()) * frame.Width() + (x - frame.Left())];
      const int pu = under.Data()[static_cast<size_t>(y - under.Top()) * under.Width() + (x - under.Left())];
      if (px == t || pu == underT || !sameColour(px, pu)) continue;
      if (t < 0) {
        t = NewTransparentIndex(images, i);
        if (t < 0) return;
        TGIFGraphicControlExtension& gce = EnsureGraphicControl(frame);
        gce.SetTransparentColorIndex(t);
        gce.SetTransparent(true);
      }
      px = static_cast<uint8_t>(t);
    }
  frame.FreeBitmap();
}

void MergeUnchangedPixels(TGifPictureList& images, const TStep& step) {
  for (int i = images.Count() - 1; i >= 1; --i) {
    step();
    MergeWithFrameUnderneath(images, i);
  }
}

// Transparent borders go; a frame left empty goes too, its delay added to the transparent frame before it.
void CropFrames(TGifPictureList& images, const TStep& step) {
  for (int i = images.Count() - 1; i >= 0; --i) {
    TGIFSubImage& frame = *images[i];
    step();
    if (!frame.Transparent()) continue;
    frame.Crop();
    if (!frame.Empty()) continue;
    if (i > 0 && images[i - 1]->Transparent() && frame.GraphicControlExtension() != nullptr) {
      auto* before = images[i - 1]->GraphicControlExtension();
      // the sum stops at the largest delay a file can hold
      const int delay = before->Delay() + frame.GraphicControlExtension()->Delay();
      before->SetDelay(static_cast<uint16_t>(std::min(delay, kMaxWordValue)));
    }
    images.Delete(i);
  }
}

bool IsNeedless(const TGIFExtension& extension, int frameIndex) {
  if (auto* gce = dynamic_cast<const TGIFGraphicControlExtension*>(&extension))
    return gce->Delay() == 0 && !gce->Transparent() && !gce->UserInput() && gce->Disposal() == 0;
  return dynamic_cast<const TGIFCommentExtension*>(&extension) != nullptr ||
         dynamic_cast<const TGIFTextExtension*>(&extension) != nullptr ||
         dynamic_cast<const TGIFUnknownAppExtension*>(&extension) != nullptr ||
         (frameIndex != 0 && dynamic_cast<const TGIFAppExtNSLoop*>(&extension) != nullptr);
}

// Comments, text, unknown application data, loop blocks after frame 0 and graphic control blocks that control
// nothing go; so do frames left with neither pixels nor extensions.
void RemoveNeedlessExtensions(TGifPictureList& images, const TStep& step) {
  for (int i = images.Count() - 1; i >= 0; --i) {
    TGIFExtensionList& extensions = images[i]->Extensions();
    for (int e = extensions.Count() - 1; e >= 0; --e)
      if (IsNeedless(*extensions[e], i)) extensions.Delete(e);
    if (images[i]->Empty() && extensions.Count() == 0) images.Delete(i);
    step();
  }
}

}  // namespace

void TGifPicture::Optimize(TGIFOptimizeOptions options, int colorReduction, int ditherMode, int reductionBits) {
  if (Empty()) return;
  StopDraw();
  const int steps = images_.Count() * 6;
  int done = 0;
  const TStep step = [&] { ReportProgress(pf::psRunning, ++done * 100 / steps, msg::Optimizing); };
  ReportProgress(pf::psStarting, 0, msg::Optimizing);
  try {
    if (options & ooColorMap) OptimizeColorMaps(*this, step);
    if (options & ooCleanup) DropNeedlessTransparencyAndDisposal(images_, step);
    if (options & ooMerge) MergeUnchangedPixels(images_, step);
    if (options & ooCrop) CropFrames(images_, step);
    if (options & ooCleanup) RemoveNeedlessExtensions(images_, step);
    // Colours are not reduced here; the method is only checked.
    if ((options & ooReduceColors) && colorReduction == ReducePalette) throw GIFException(msg::InvalidReduction);
  } catch (...) {
    ReportProgress(pf::psEnding, 0, msg::Optimizing);
    throw;
  }
  FreeCachedBitmap();
  ReportProgress(pf::psEnding, 100, msg::Optimizing);
  Changed(this);
}

}  // namespace gif
