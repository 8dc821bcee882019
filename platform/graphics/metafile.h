// TMetafile: a recorded drawing (the toolkit's picture recording) that plays back on any canvas, scaled from its
// frame (0, 0, Width, Height) into the rectangle it is drawn in; what the drawing leaves untouched keeps the
// destination. TMetafileCanvas records into one.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/graphics/canvas.h"
#include "platform/graphics/graphic.h"

namespace pf {

class TMetafile : public TGraphic {
 public:
  TMetafile();
  ~TMetafile() override;
  std::string ClassName() const override { return "TMetafile"; }

  void Assign(const TPersistent& source) override;
  void Draw(TCanvas& canvas, const TRect& r) override;
  // Nothing recorded, or a frame without area.
  bool GetEmpty() const override;
  int32_t GetWidth() const override { return width_; }
  int32_t GetHeight() const override { return height_; }
  // The frame's size in pixels; the recording is scaled to it when drawn. Negative sizes count as 0.
  void SetWidth(int32_t value) override;
  void SetHeight(int32_t value) override;

  // A metafile lives only in memory: both raise EInvalidGraphic.
  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) const override;

 private:
  friend class TMetafileCanvas;
  struct Recording;
  std::shared_ptr<const Recording> recording_;  // shared by copies; replaced, never changed
  int32_t width_ = 0;
  int32_t height_ = 0;
};

// A canvas whose drawing is recorded. When it is freed the recording replaces the metafile's drawing; a width or
// height that was not set then becomes the extent of what was drawn (from the origin). Nothing can be read back.
class TMetafileCanvas : public TCanvas {
 public:
  explicit TMetafileCanvas(TMetafile& metafile);
  ~TMetafileCanvas() override;
  std::string ClassName() const override { return "TMetafileCanvas"; }

 private:
  TMetafile& metafile_;
};

}  // namespace pf
