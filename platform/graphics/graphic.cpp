#include "platform/graphics/graphic.h"

#include <algorithm>
#include <map>

#include "platform/core/exceptions.h"
#include "platform/core/files.h"
#include "platform/core/services.h"
#include "platform/core/streams.h"
#include "platform/core/strings.h"
#include "platform/graphics/bitmap.h"
#include "platform/graphics/canvas.h"
#include "platform/graphics/jpeg.h"
#include "platform/graphics/png_image.h"

namespace pf {

void TGraphic::SetModified(bool value) {
  if (value)
    Changed(this);
  else
    modified_ = false;
}

void TGraphic::Changed(TPersistent* sender) {
  modified_ = true;
  if (OnChange) OnChange(*this);
}

void TGraphic::AssignTo(TPersistent& dest) const {
  if (auto* bitmap = dynamic_cast<TBitmap*>(&dest)) {
    TBitmap result(Width(), Height(), pf24bit);
    if (!Empty()) const_cast<TGraphic*>(this)->Draw(result.Canvas(), Rect(0, 0, Width(), Height()));
    bitmap->Assign(result);
    return;
  }
  TPersistent::AssignTo(dest);
}

void TGraphic::Assign(const TPersistent& source) { TPersistent::Assign(source); }

bool TGraphic::Equals(const TGraphic& other) const {
  if (ClassName() != other.ClassName()) return false;
  if (Empty() || other.Empty()) return Empty() == other.Empty();
  TMemoryStream a, b;
  SaveToStream(a);
  other.SaveToStream(b);
  return a.Size() == b.Size() && std::equal(a.Memory(), a.Memory() + a.Size(), b.Memory());
}

void TGraphic::SetTransparent(bool value) {
  if (value != transparent_) {
    transparent_ = value;
    Changed(this);
  }
}

void TGraphic::LoadFromFile(const std::string& fileName) {
  TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(stream);
}

void TGraphic::SaveToFile(const std::string& fileName) const {
  TMemoryStream stream;
  SaveToStream(stream);
  stream.SaveToFile(fileName);
}

void TGraphic::LoadFromClipboardFormat(uint16_t, const std::vector<uint8_t>&, const HPALETTE&) {
  throw EInvalidGraphic("Unsupported clipboard format");
}

void TGraphic::SaveToClipboardFormat(uint16_t&, std::vector<uint8_t>&, HPALETTE&) const {
  throw EInvalidGraphic("Unsupported clipboard format");
}

void TGraphic::Progress(const TPersistent& sender, TProgressStage stage, uint8_t percentDone, bool redrawNow,
                        const TRect& r, const std::string& msg) const {
  if (OnProgress) OnProgress(sender, stage, percentDone, redrawNow, r, msg);
}

// ---- TPicture ----

namespace {

struct Registration {
  std::string extension;  // lower case
  std::string description;
  std::string className;
  TGraphicFactory factory;
};

std::vector<Registration>& Registry() {
  static std::vector<Registration> registry = [] {
    std::vector<Registration> r;
    r.push_back({"bmp", "Bitmaps", "TBitmap", [] { return std::unique_ptr<TGraphic>(new TBitmap); }});
    r.push_back({"jpg", "JPEG Image File", "TJPEGImage", [] { return std::unique_ptr<TGraphic>(new TJPEGImage); }});
    r.push_back({"jpeg", "JPEG Image File", "TJPEGImage", [] { return std::unique_ptr<TGraphic>(new TJPEGImage); }});
    r.push_back(
        {"png", "Portable Network Graphics", "TPNGImage", [] { return std::unique_ptr<TGraphic>(new TPNGImage); }});
    return r;
  }();
  return registry;
}

std::map<uint16_t, std::string>& ClipboardClasses() {
  static std::map<uint16_t, std::string> classes{{CF_BITMAP, "TBitmap"}};
  return classes;
}

std::string NormalExtension(std::string_view extension) {
  if (!extension.empty() && extension.front() == '.') extension.remove_prefix(1);
  return AnsiLowerCase(extension);
}

// Passes a graphic's progress on to the picture's OnProgress.
TProgressEvent ForwardProgressTo(TPicture& picture) {
  return [&picture](const TPersistent& sender, TProgressStage stage, uint8_t percent, bool redraw, const TRect& r,
                    const std::string& msg) {
    if (picture.OnProgress) picture.OnProgress(sender, stage, percent, redraw, r, msg);
  };
}

}  // namespace

TPicture::~TPicture() = default;

void TPicture::RegisterFileFormat(const std::string& extension, const std::string& description,
                                  const std::string& className, TGraphicFactory factory) {
  auto& registry = Registry();
  std::string ext = NormalExtension(extension);
  std::erase_if(registry, [&](const Registration& r) { return r.extension == ext; });
  registry.push_back({ext, description, className, std::move(factory)});
}

void TPicture::UnregisterGraphicClass(const std::string& className) {
  std::erase_if(Registry(), [&](const Registration& r) { return r.className == className; });
  std::erase_if(ClipboardClasses(), [&](const auto& entry) { return entry.second == className; });
}

void TPicture::RegisterClipboardFormat(uint16_t format, const std::string& className) {
  ClipboardClasses()[format] = className;
}

bool TPicture::SupportsClipboardFormat(uint16_t format) { return ClipboardClasses().count(format) != 0; }

void TPicture::LoadFromClipboardFormat(uint16_t format, const std::vector<uint8_t>& data, const HPALETTE& palette) {
  auto it = ClipboardClasses().find(format);
  std::unique_ptr<TGraphic> graphic = it != ClipboardClasses().end() ? CreateGraphicOfClass(it->second) : nullptr;
  if (!graphic) throw EInvalidGraphic("Unsupported clipboard format");
  if (data.empty()) {
    std::optional<std::vector<uint8_t>> held = ClipboardService().GetData(format);
    graphic->LoadFromClipboardFormat(format, held.value_or(std::vector<uint8_t>{}), palette);
  } else {
    graphic->LoadFromClipboardFormat(format, data, palette);
  }
  SetGraphic(std::move(graphic));
}

std::unique_ptr<TGraphic> TPicture::CreateGraphicForExtension(const std::string& extension) {
  std::string ext = NormalExtension(extension);
  for (const auto& r : Registry())
    if (r.extension == ext) return r.factory();
  return nullptr;
}

std::unique_ptr<TGraphic> TPicture::CreateGraphicOfClass(const std::string& className) {
  for (const auto& r : Registry())
    if (r.className == className) return r.factory();
  if (className == "TBitmap") return std::make_unique<TBitmap>();
  if (className == "TJPEGImage") return std::make_unique<TJPEGImage>();
  if (className == "TPNGImage") return std::make_unique<TPNGImage>();
  return nullptr;
}

std::string TPicture::GraphicFilter() {
  std::string result;
  for (const auto& r : Registry()) {
    if (!result.empty()) result += '|';
    result += r.description + " (*." + r.extension + ")|*." + r.extension;
  }
  return result;
}

void TPicture::Hook() {
  if (!graphic_) return;
  graphic_->OnChange = [this](TPersistent&) { Changed(); };
  graphic_->OnProgress = ForwardProgressTo(*this);
}

void TPicture::Changed() {
  if (OnChange) OnChange(*this);
}

void TPicture::SetGraphic(std::unique_ptr<TGraphic> graphic) {
  graphic_ = std::move(graphic);
  Hook();
  Changed();
}

void TPicture::SetGraphic(const TGraphic* graphic) {
  if (!graphic) {
    SetGraphic(std::unique_ptr<TGraphic>());
    return;
  }
  auto copy = CreateGraphicOfClass(graphic->ClassName());
  if (!copy) throw EInvalidGraphic("Unknown picture class " + graphic->ClassName());
  copy->Assign(*graphic);
  SetGraphic(std::move(copy));
}

TBitmap& TPicture::Bitmap() {
  auto* bitmap = dynamic_cast<TBitmap*>(graphic_.get());
  if (!bitmap) {
    auto fresh = std::make_unique<TBitmap>();
    bitmap = fresh.get();
    SetGraphic(std::move(fresh));
  }
  return *bitmap;
}

void TPicture::Assign(const TPersistent& source) {
  if (auto* picture = dynamic_cast<const TPicture*>(&source)) {
    SetGraphic(picture->Graphic());
  } else if (auto* graphic = dynamic_cast<const TGraphic*>(&source)) {
    SetGraphic(graphic);
  } else {
    TPersistent::Assign(source);
  }
}

void TPicture::AssignTo(TPersistent& dest) const {
  if (auto* graphic = dynamic_cast<TGraphic*>(&dest); graphic && graphic_) {
    graphic->Assign(*graphic_);
    return;
  }
  TPersistent::AssignTo(dest);
}

void TPicture::LoadFromFile(const std::string& fileName) {
  std::string ext = ExtractFileExt(fileName);
  auto graphic = CreateGraphicForExtension(ext);
  if (!graphic) throw EInvalidGraphic("Unknown picture file extension (" + ext + ")");
  graphic->OnProgress = ForwardProgressTo(*this);  // progress while loading reaches the picture's handler too
  graphic->LoadFromFile(fileName);
  SetGraphic(std::move(graphic));
}

void TPicture::SaveToFile(const std::string& fileName) const {
  if (!graphic_) throw EInvalidGraphic("Cannot save an empty picture");
  graphic_->SaveToFile(fileName);
}

// ---- screen ----

namespace {
int screenOverride = 0;
}

int ScreenBitsPerPixel() { return screenOverride > 0 ? screenOverride : 32; }
void SetScreenBitsPerPixelOverride(int bitsPerPixel) { screenOverride = std::max(0, bitsPerPixel); }

}  // namespace pf
