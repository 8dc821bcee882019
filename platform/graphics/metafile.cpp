#include "platform/graphics/metafile.h"

#include <QPicture>
#include <algorithm>

#include "platform/core/exceptions.h"
#include "platform/graphics/canvas_internal_qt.h"

namespace pf {

struct TMetafile::Recording {
  QPicture picture;
};

namespace {

// The surface of a recording canvas without a given size: large enough for any drawing of the program.
constexpr int32_t kUnboundedExtent = 1 << 15;

// Records every drawing of its canvas with one painter that stays active until Finish.
class RecordingTarget : public CanvasTarget {
 public:
  RecordingTarget(int32_t width, int32_t height)
      : width_(width > 0 ? width : kUnboundedExtent), height_(height > 0 ? height : kUnboundedExtent) {
    EnsureGuiApplication();  // recorded text needs the toolkit's fonts
    painter_.begin(&picture_);
  }
  int32_t Width() const override { return width_; }
  int32_t Height() const override { return height_; }
  QImage* BeginImage() override { return nullptr; }
  void EndImage(bool) override {}
  QPainter* Painter() override { return painter_.isActive() ? &painter_ : nullptr; }
  QPicture Finish() {
    if (painter_.isActive()) painter_.end();
    return picture_;
  }

 private:
  int32_t width_, height_;
  QPicture picture_;
  QPainter painter_;  // after the picture: it ends before the picture goes
};

}  // namespace

TMetafile::TMetafile() = default;
TMetafile::~TMetafile() = default;

void TMetafile::Assign(const TPersistent& source) {
  if (auto* other = dynamic_cast<const TMetafile*>(&source)) {
    if (other == this) return;
    recording_ = other->recording_;
    width_ = other->width_;
    height_ = other->height_;
    Changed(this);
    return;
  }
  TGraphic::Assign(source);
}

bool TMetafile::GetEmpty() const { return !recording_ || width_ <= 0 || height_ <= 0; }

void TMetafile::SetWidth(int32_t value) {
  width_ = std::max(value, 0);
  Changed(this);
}

void TMetafile::SetHeight(int32_t value) {
  height_ = std::max(value, 0);
  Changed(this);
}

void TMetafile::Draw(TCanvas& canvas, const TRect& r) {
  if (GetEmpty()) return;
  const TRect device = CanvasAccess::MappingOf(canvas).Map(r);
  if (device.Width() <= 0 || device.Height() <= 0) return;
  EnsureGuiApplication();
  PaintOn(canvas.Target(), canvas.GetClipRgn(), [&](QPainter& p) {
    p.translate(device.Left, device.Top);
    p.scale(static_cast<double>(device.Width()) / width_, static_cast<double>(device.Height()) / height_);
    p.drawPicture(0, 0, recording_->picture);
  });
}

void TMetafile::LoadFromStream(TStream&) { throw EInvalidGraphic("Metafiles cannot be read from a stream"); }

void TMetafile::SaveToStream(TStream&) const { throw EInvalidGraphic("Metafiles cannot be written to a stream"); }

TMetafileCanvas::TMetafileCanvas(TMetafile& metafile)
    : TCanvas(std::make_unique<RecordingTarget>(metafile.width_, metafile.height_)), metafile_(metafile) {}

TMetafileCanvas::~TMetafileCanvas() {
  auto recording = std::make_shared<TMetafile::Recording>();
  recording->picture = static_cast<RecordingTarget*>(Target())->Finish();
  const QRect drawn = recording->picture.boundingRect();
  if (metafile_.width_ <= 0) metafile_.width_ = std::max(drawn.x() + drawn.width(), 0);
  if (metafile_.height_ <= 0) metafile_.height_ = std::max(drawn.y() + drawn.height(), 0);
  metafile_.recording_ = std::move(recording);
  metafile_.Changed(&metafile_);
}

}  // namespace pf
