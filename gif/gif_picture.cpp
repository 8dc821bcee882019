// The frame list and TGifPicture: settings, copying, drawing, reading, writing, the clipboard and registration.
#include "gif/gif_image.h"

#include <algorithm>

#include "gif/painter.h"
#include "platform/core/services.h"

namespace gif {

TGIFDrawOptions GIFDefaultDrawOptions = 0x060F;
uint8_t GIFDefaultColorReduction = ReduceWebPalette;
int32_t GIFDefaultColorReductionBits = 8;
uint8_t GIFDefaultDitherMode = DitherNearest;
uint8_t GIFDefaultCompression = CompressLZW;
TThreadPriority GIFDefaultThreadPriority = tpNormal;
int32_t GIFDefaultAnimationSpeed = 100;
bool GIFDefaultOptimizeOnSave = false;
bool GIFRenderOnLoad = false;
bool DoAutoDither = false;
bool PaletteDevice = false;
int64_t GIFMaxPicturePixels = int64_t{1} << 28;

// --- TGifPictureList ---------------------------------------------------------------------------------------------

int TGifPictureList::Add(std::unique_ptr<TGIFSubImage> frame) {
  items_.push_back(std::move(frame));
  return Count() - 1;
}

void TGifPictureList::Delete(int index) {
  if (index < 0 || index >= Count()) return;
  items_.erase(items_.begin() + index);
}

void TGifPictureList::Clear() {
  while (!items_.empty()) items_.pop_back();
}

int TGifPictureList::IndexOf(const TGIFSubImage* frame) const {
  for (int i = 0; i < Count(); ++i)
    if (items_[static_cast<size_t>(i)].get() == frame) return i;
  return -1;
}

void TGifPictureList::Warning(int severity, const std::string& message) const {
  if (image_ != nullptr) image_->Warning(*image_, severity, message);
}

void TGifPictureList::SaveToStream(pf::TStream& stream) const {
  for (int i = 0; i < Count(); ++i) {
    items_[static_cast<size_t>(i)]->SaveToStream(stream);
    if (image_ != nullptr) image_->ReportProgress(pf::psRunning, (i + 1) * 100 / Count(), msg::Saving);
  }
}

void TGifPictureList::LoadFromStream(pf::TStream& stream) {
  int64_t size = stream.Size();
  for (;;) {
    uint8_t b = 0;
    if (stream.Read(&b, 1) != 1) return;
    if (b == 0) continue;
    if (b == kTrailerByte) {
      stream.Seek(-1, pf::soCurrent);
      return;
    }
    if (b != kExtensionIntroducer && b != kImageSeparator) {
      Warning(1, msg::UnknownBlock);
      return;
    }
    stream.Seek(-1, pf::soCurrent);
    auto frame = std::make_unique<TGIFSubImage>(image_);
    TGIFSubImage* raw = frame.get();
    items_.push_back(std::move(frame));
    const int64_t before = stream.Position();
    raw->LoadFromStream(stream);
    if (image_ != nullptr && size > 0)
      image_->ReportProgress(pf::psRunning, static_cast<int>(stream.Position() * 100 / size), msg::Loading);
    // a frame that consumed nothing (a bad introducer) must not be read again
    if (stream.Position() == before) return;
  }
}

// --- TGifPicture -------------------------------------------------------------------------------------------------

uint16_t CF_GIF() {
  static const uint16_t format = pf::RegisterClipboardFormat("GIF Image", "image/gif");
  return format;
}

void RegisterGifPicture() {
  static bool registered = false;
  if (registered) return;
  registered = true;
  pf::TPicture::RegisterFileFormat("GIF", "GIF Image", "TGifPicture", [] { return std::make_unique<TGifPicture>(); });
  pf::TPicture::RegisterClipboardFormat(CF_GIF(), "TGifPicture");
  PaletteDevice = pf::ScreenBitsPerPixel() <= 8;
  DoAutoDither = PaletteDevice;
}

namespace {
// Registered at program start, unregistered at its end.
struct Registrar {
  Registrar() { RegisterGifPicture(); }
  ~Registrar() { pf::TPicture::UnregisterGraphicClass("TGifPicture"); }
} registrar;
}  // namespace

TGifPicture::TGifPicture()
    : DrawOptions(GIFDefaultDrawOptions),
      ColorReduction(GIFDefaultColorReduction),
      ReductionBits(GIFDefaultColorReductionBits),
      DitherMode(GIFDefaultDitherMode),
      Compression(GIFDefaultCompression),
      ThreadPriority(GIFDefaultThreadPriority),
      AnimationSpeed(GIFDefaultAnimationSpeed),
      images_(this),
      header_(this) {
  painters_ = std::make_unique<TGIFPainterList>(*this);
  Clear();
}

TGifPicture::~TGifPicture() {
  StopDraw();
  bitmap_.reset();
  images_.Clear();
}

void TGifPicture::StopDraw() {
  if (painters_) painters_->StopAnimation();
}

void TGifPicture::StartAnimation(pf::TCanvas& canvas, const pf::TRect& rect) {
  painters_->StartAnimation(canvas, rect, DrawAnimate | DrawAsync);
}

void TGifPicture::Clear() {
  StopDraw();
  FreeCachedBitmap();
  images_.Clear();
  header_.ColorMap().Clear();
  header_.Width = header_.Height = 0;
  header_.Prepare();
  palette_ = nullptr;
  loadedPixels_ = 0;
  Changed(this);
}

void TGifPicture::ReservePixels(int64_t count) {
  loadedPixels_ += count;
  if (loadedPixels_ > GIFMaxPicturePixels) throw GIFException(msg::InvalidDimensions);
}

void TGifPicture::FreeCachedBitmap() {
  bitmap_.reset();
  if (painters_) painters_->FreeCachedBitmap();
}

void TGifPicture::ReportProgress(pf::TProgressStage stage, int percent, const std::string& message) const {
  Progress(*this, stage, static_cast<uint8_t>(std::clamp(percent, 0, 100)), false, pf::TRect{}, message);
}

bool TGifPicture::DoDither() const {
  return (DrawOptions & DrawDither) && (!(DrawOptions & DrawAutoDither) || DoAutoDither);
}

void TGifPicture::Warning(const pf::TPersistent& sender, int severity, const std::string& message) const {
  if (OnWarning) OnWarning(sender, severity, message);
}

int TGifPicture::Version() const {
  if (images_.Count() == 0) return gvUnknown;
  int version = header_.GetVersion();
  for (int i = 0; i < images_.Count() && version < gv89a; ++i) version = std::max(version, images_[i]->GetVersion());
  return version;
}

int TGifPicture::Add(std::unique_ptr<TGIFSubImage> frame) {
  if (!frame) return -1;
  TGIFSubImage* raw = frame.get();
  TGifPicture* owner = raw->Image();
  const bool listed =
      images_.IndexOf(raw) >= 0 || (owner != nullptr && owner != this && owner->Images().IndexOf(raw) >= 0);
  if (listed) (void)frame.release();  // a frame already held by a list stays there
  if (listed || (owner != nullptr && owner != this)) {
    // this picture gets a copy: the frame's extensions would still report to the other picture
    auto copy = std::make_unique<TGIFSubImage>(this);
    copy->Assign(*raw);
    frame = std::move(copy);
  }
  frame->image_ = this;
  int index = images_.Add(std::move(frame));
  FreeCachedBitmap();
  Changed(this);
  return index;
}

int TGifPicture::Add(pf::TPersistent& source) {
  if (auto* frame = dynamic_cast<TGIFSubImage*>(&source)) {
    auto copy = std::make_unique<TGIFSubImage>(this);
    copy->Assign(*frame);
    return Add(std::move(copy));
  }
  if (dynamic_cast<pf::TGraphic*>(&source) == nullptr) throw GIFException(msg::UnsupportedObject);
  auto frame = std::make_unique<TGIFSubImage>(this);
  frame->Assign(source);
  return Add(std::move(frame));
}

void TGifPicture::Assign(const pf::TPersistent& source) {
  if (&source == this) return;
  if (auto* other = dynamic_cast<const TGifPicture*>(&source)) {
    Clear();
    // The copy reports through the source's handlers; afterwards this picture has none.
    OnProgress = other->OnProgress;
    OnWarning = other->OnWarning;
    auto clearHandlers = [this] {
      OnProgress = nullptr;
      OnWarning = nullptr;
    };
    bool failed = true;
    try {
      header_.Assign(other->header_);
      ThreadPriority = other->ThreadPriority;
      BackgroundColor = other->BackgroundColor;
      DrawOptions = other->DrawOptions;
      ColorReduction = other->ColorReduction;
      DitherMode = other->DitherMode;
      ReportProgress(pf::psStarting, 0, msg::Copying);
      const int count = other->images_.Count();
      for (int i = 0; i < count; ++i) {
        auto frame = std::make_unique<TGIFSubImage>(this);
        frame->Assign(*other->images_[i]);
        images_.Add(std::move(frame));
        ReportProgress(pf::psRunning, (i + 1) * 100 / count, msg::Copying);
      }
      failed = false;
      ReportProgress(pf::psEnding, 100, msg::Copying);
    } catch (...) {
      if (failed) ReportProgress(pf::psEnding, 0, msg::Copying);
      clearHandlers();
      throw;
    }
    clearHandlers();
    Changed(this);
    return;
  }
  if (auto* frame = dynamic_cast<const TGIFSubImage*>(&source)) {
    Clear();
    auto copy = std::make_unique<TGIFSubImage>(this);
    copy->Assign(*frame);
    Add(std::move(copy));
    return;
  }
  if (dynamic_cast<const pf::TGraphic*>(&source) != nullptr || dynamic_cast<const pf::TPicture*>(&source) != nullptr) {
    Clear();
    auto frame = std::make_unique<TGIFSubImage>(this);
    frame->Assign(source);
    Add(std::move(frame));
    return;
  }
  pf::TGraphic::Assign(source);
}

void TGifPicture::AssignTo(pf::TPersistent& dest) const {
  if (auto* bmp = dynamic_cast<pf::TBitmap*>(&dest)) {
    pf::TBitmap* own = const_cast<TGifPicture*>(this)->Bitmap();
    if (own != nullptr)
      bmp->Assign(*own);
    else
      bmp->SetSize(0, 0);
    return;
  }
  pf::TGraphic::AssignTo(dest);
}

bool TGifPicture::Equals(const pf::TGraphic& other) const { return &other == this; }

pf::TBitmap* TGifPicture::Bitmap() {
  if (Empty()) return nullptr;
  if (bitmap_) return bitmap_.get();
  auto bmp = std::make_unique<pf::TBitmap>();
  // Palette changes of the cached bitmap are the picture's.
  bmp->OnChange = [this](pf::TPersistent& sender) {
    auto& changed = static_cast<pf::TBitmap&>(sender);
    if (!changed.PaletteModified()) return;
    changed.SetPaletteModified(false);
    SetPaletteModified(true);
  };
  TGIFSubImage* first = images_[0];
  if (first->Left() == 0 && first->Top() == 0 && first->Width() == Width() && first->Height() == Height()) {
    bmp->Assign(*first->Bitmap());
  } else {
    bmp->SetPalette(pf::CopyPalette(GetPalette()));
    bmp->SetSize(Width(), Height());
    first->Draw(bmp->Canvas(), pf::Rect(0, 0, Width(), Height()), false, false);
  }
  bitmap_ = std::move(bmp);
  return bitmap_.get();
}

pf::HPALETTE TGifPicture::GetPalette() const {
  if (paletteBusy_) throw GIFException(msg::NoColorTable);
  paletteBusy_ = true;
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{paletteBusy_};
  if (bitmap_ && bitmap_->GetPalette()) return bitmap_->GetPalette();
  if (palette_) return palette_;
  if (DoDither()) {
    palette_ = WebPalette();
    return palette_;
  }
  if (header_.ColorMap().Count() > 0) {
    palette_ = header_.ColorMap().ExportPalette();
    return palette_;
  }
  if (images_.Count() > 0) return images_[0]->Palette();
  return nullptr;
}

void TGifPicture::SetPalette(const pf::HPALETTE& value) {
  if (value == palette_) return;
  palette_ = value;
  // the picture rendered once, or the one the animation is drawn into
  const pf::TBitmap* cached = bitmap_ ? bitmap_.get() : painters_->CachedBitmap();
  if (cached != nullptr && !(cached->GetPalette() == value)) {
    FreeCachedBitmap();
    SetPaletteModified(true);
    Changed(this);
  }
}

void TGifPicture::SetWidth(int32_t value) { SetScreenExtent(value, true); }

void TGifPicture::SetHeight(int32_t value) { SetScreenExtent(value, false); }

// The width or height of the logical screen; every frame must still fit.
void TGifPicture::SetScreenExtent(int32_t value, bool width) {
  for (int i = 0; i < images_.Count(); ++i) {
    const TGIFSubImage& frame = *images_[i];
    if ((width ? frame.Left() + frame.Width() : frame.Top() + frame.Height()) > value)
      throw GIFException(width ? msg::WidthTooSmall : msg::HeightTooSmall);
  }
  uint16_t& extent = width ? header_.Width : header_.Height;
  if (value != extent) {
    extent = static_cast<uint16_t>(std::clamp(value, 0, kMaxWordValue));
    FreeCachedBitmap();
    Changed(this);
  }
}

void TGifPicture::Draw(pf::TCanvas& canvas, const pf::TRect& rect) {
  if (drawing_ || Empty()) return;
  drawing_ = true;
  struct Reset {
    bool* flag;
    ~Reset() {
      if (flag) *flag = false;
    }
  } reset{&drawing_};
  const bool tile = (DrawOptions & DrawTile) != 0;
  if (images_.Count() == 1 || !(DrawOptions & DrawAnimate)) {
    images_[0]->Draw(canvas, rect, (DrawOptions & DrawTransparent) != 0, tile);
    return;
  }
  // Animated pictures are drawn by painters; false means an event handler freed this picture.
  if (!painters_->Draw(canvas, rect)) reset.flag = nullptr;
}

void TGifPicture::LoadFromStream(pf::TStream& stream) {
  ReportProgress(pf::psStarting, 0, msg::Loading);
  try {
    Clear();
    header_.LoadFromStream(stream);
    images_.LoadFromStream(stream);
    TGIFTrailer trailer(this);
    trailer.LoadFromStream(stream);
  } catch (...) {
    ReportProgress(pf::psEnding, 0, msg::Loading);
    Changed(this);
    throw;
  }
  ReportProgress(pf::psEnding, 100, msg::Loading);
  Changed(this);
}

void TGifPicture::SaveToStream(pf::TStream& stream) const {
  ReportProgress(pf::psStarting, 0, msg::Saving);
  try {
    header_.SaveToStream(stream);
    images_.SaveToStream(stream);
    TGIFTrailer(nullptr).SaveToStream(stream);
  } catch (...) {
    ReportProgress(pf::psEnding, 0, msg::Saving);
    throw;
  }
  ReportProgress(pf::psEnding, 100, msg::Saving);
}

// With optimise-on-save the picture itself is optimised before it is written (the slot is const for the form
// streaming that calls it; pictures are never const objects).
void TGifPicture::WriteData(pf::TStream& stream) const {
  if (GIFDefaultOptimizeOnSave)
    const_cast<TGifPicture*>(this)->Optimize(ooCrop | ooMerge | ooCleanup | ooColorMap | ooReduceColors, ReduceNone,
                                             DitherNearest, 8);
  pf::TGraphic::WriteData(stream);
}

void TGifPicture::LoadFromClipboardFormat(uint16_t format, const std::vector<uint8_t>& data,
                                          const pf::HPALETTE& palette) {
  std::vector<uint8_t> held;
  const std::vector<uint8_t>* bytes = &data;
  if (data.empty()) {
    held = pf::ClipboardService().GetData(format).value_or(std::vector<uint8_t>{});
    bytes = &held;
  }
  if (!bytes->empty() && format == CF_GIF()) {
    pf::TReadOnlyMemoryStream s(bytes->data(), static_cast<int64_t>(bytes->size()));
    LoadFromStream(s);
    return;
  }
  if (!bytes->empty() && format == pf::CF_BITMAP) {
    pf::TBitmap bmp;
    bmp.LoadFromClipboardFormat(format, *bytes, palette);
    Assign(bmp);
    return;
  }
  throw GIFException("Unsupported clipboard format");
}

// The out parameters carry the picture's bitmap; the GIF bytes go onto the clipboard beside it, so that a paste
// finds both formats.
void TGifPicture::SaveToClipboardFormat(uint16_t& format, std::vector<uint8_t>& data, pf::HPALETTE& palette) const {
  if (Empty()) return;
  const_cast<TGifPicture*>(this)->Bitmap()->SaveToClipboardFormat(format, data, palette);
  pf::TMemoryStream s;
  SaveToStream(s);
  if (!pf::ClipboardService().SetData(CF_GIF(), std::vector<uint8_t>(s.Memory(), s.Memory() + s.Size())))
    throw GIFException(msg::ClipboardFailed);
}

}  // namespace gif
