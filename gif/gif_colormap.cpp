// Colour tables: capacity, lookups, palette exchange, reading and writing, and sorting by use.
#include "gif/gif_image.h"

#include <algorithm>
#include <cstring>

#include "gif/gif_io.h"

namespace gif {

void TGIFColorMap::Assign(const pf::TPersistent& source) {
  if (auto* map = dynamic_cast<const TGIFColorMap*>(&source)) {
    if (map == this) return;
    data_ = map->data_;
    count_ = map->count_;
    capacity_ = map->capacity_;
    optimized_ = map->optimized_;
    Changed();
    return;
  }
  pf::TPersistent::Assign(source);
}

void TGIFColorMap::Grow(int needed) {
  if (needed <= capacity_) return;
  int capacity = needed <= 16 ? 16 : std::min(256, (needed + 31) / 32 * 32);
  capacity_ = capacity;
  data_.resize(static_cast<size_t>(capacity) * 3, 0);
}

pf::TColor TGIFColorMap::Colors(int index) const {
  if (index < 0 || index >= count_) {
    Warning(1, msg::InvalidColorIndex);
    if (count_ == 0) throw GIFException(msg::ColorTableEmpty);
    index = 0;
  }
  const uint8_t* p = data_.data() + static_cast<size_t>(index) * 3;
  return pf::RGB(p[0], p[1], p[2]);
}

void TGIFColorMap::SetColors(int index, pf::TColor color) {
  if (index < 0 || index >= count_) throw GIFException(msg::InvalidColorIndex);
  uint8_t* p = data_.data() + static_cast<size_t>(index) * 3;
  p[0] = pf::GetRValue(color);
  p[1] = pf::GetGValue(color);
  p[2] = pf::GetBValue(color);
  Changed();
}

int TGIFColorMap::Add(pf::TColor color) {
  if (count_ >= 256) throw GIFException(msg::ColorTableOverflow);
  Grow(count_ + 1);
  uint8_t* p = data_.data() + static_cast<size_t>(count_) * 3;
  p[0] = pf::GetRValue(color);
  p[1] = pf::GetGValue(color);
  p[2] = pf::GetBValue(color);
  optimized_ = false;
  ++count_;
  Changed();
  return count_ - 1;
}

int TGIFColorMap::IndexOf(pf::TColor color) const {
  const uint8_t r = pf::GetRValue(color), g = pf::GetGValue(color), b = pf::GetBValue(color);
  auto match = [&](int i) {
    const uint8_t* p = data_.data() + static_cast<size_t>(i) * 3;
    return p[0] == r && p[1] == g && p[2] == b;
  };
  if (optimized_) {
    for (int i = 0; i < count_; ++i)
      if (match(i)) return i;
  } else {
    for (int i = count_ - 1; i >= 0; --i)
      if (match(i)) return i;
  }
  return -1;
}

int TGIFColorMap::AddUnique(pf::TColor color) {
  int index = IndexOf(color);
  return index >= 0 ? index : Add(color);
}

void TGIFColorMap::Delete(int index) {
  if (index < 0 || index >= count_) throw GIFException(msg::InvalidColorIndex);
  data_.erase(data_.begin() + index * 3, data_.begin() + index * 3 + 3);
  data_.resize(static_cast<size_t>(capacity_) * 3, 0);
  --count_;
  Changed();
}

void TGIFColorMap::Clear() {
  data_.clear();
  count_ = 0;
  capacity_ = 0;
  optimized_ = false;
  Changed();
}

pf::HPALETTE TGIFColorMap::ExportPalette() const {
  if (count_ == 0) return nullptr;
  pf::TLogPalette log;
  log.palVersion = 0x300;
  for (int i = 0; i < count_; ++i) {
    const uint8_t* p = data_.data() + static_cast<size_t>(i) * 3;
    log.palPalEntry.push_back({p[0], p[1], p[2], pf::PC_NOCOLLAPSE});
  }
  return pf::CreatePalette(log);
}

void TGIFColorMap::Replace(const std::vector<uint8_t>& rgb) {
  const int count = static_cast<int>(std::min<size_t>(rgb.size() / 3, 256));
  data_.clear();
  capacity_ = 0;
  Grow(count);
  std::copy_n(rgb.begin(), count * 3, data_.begin());
  count_ = count;
  optimized_ = false;
  Changed();
}

void TGIFColorMap::ImportPalette(const pf::HPALETTE& palette) {
  int count = std::min(pf::GetPaletteEntries(palette, 0, 0, nullptr), 256);
  std::vector<pf::TPaletteEntry> entries(static_cast<size_t>(std::max(count, 0)));
  if (count > 0) pf::GetPaletteEntries(palette, 0, count, entries.data());
  std::vector<uint8_t> rgb;
  for (const auto& e : entries) rgb.insert(rgb.end(), {e.peRed, e.peGreen, e.peBlue});
  Replace(rgb);
}

void TGIFColorMap::ImportColorTable(const std::vector<pf::TRGBQuad>& table) {
  std::vector<uint8_t> rgb;
  for (const auto& q : table) rgb.insert(rgb.end(), {q.rgbRed, q.rgbGreen, q.rgbBlue});
  Replace(rgb);
}

void TGIFColorMap::LoadFromStream(pf::TStream& stream, int count) {
  std::vector<uint8_t> rgb(static_cast<size_t>(count) * 3);
  ReadFixed(stream, rgb.data(), count * 3);
  Replace(rgb);
}

void TGIFColorMap::SaveToStream(pf::TStream& stream) const {
  if (count_ == 0) return;
  const int entries = 1 << BitsPerPixel();
  std::vector<uint8_t> out(static_cast<size_t>(entries) * 3, 0);
  std::memcpy(out.data(), data_.data(), static_cast<size_t>(count_) * 3);
  stream.WriteBuffer(out.data(), static_cast<int32_t>(out.size()));
}

bool TGIFColorMap::Optimize() {
  if (count_ < 2) return false;
  optimized_ = true;
  std::vector<THistogramEntry> histogram(static_cast<size_t>(count_));
  for (int i = 0; i < count_; ++i) histogram[static_cast<size_t>(i)] = {0, i};
  BuildHistogram(histogram);
  // Most used first; equal counts keep their order so results are reproducible.
  std::stable_sort(histogram.begin(), histogram.end(),
                   [](const THistogramEntry& a, const THistogramEntry& b) { return a.Count > b.Count; });
  bool ordered = true;
  for (int i = 0; i < count_; ++i)
    if (histogram[static_cast<size_t>(i)].Index != i) ordered = false;
  if (ordered) return true;
  std::vector<int> map(static_cast<size_t>(count_));
  for (int i = 0; i < count_; ++i) map[static_cast<size_t>(histogram[static_cast<size_t>(i)].Index)] = i;
  MapImages(map);
  std::vector<uint8_t> reordered(data_.size(), 0);
  int used = count_;
  for (int i = 0; i < count_; ++i) {
    std::memcpy(reordered.data() + i * 3, data_.data() + histogram[static_cast<size_t>(i)].Index * 3, 3);
    if (histogram[static_cast<size_t>(i)].Count == 0 && used == count_) used = i;
  }
  data_ = std::move(reordered);
  count_ = used;
  Changed();
  return true;
}

namespace {
bool UsesGlobalMap(TGIFSubImage& frame) { return frame.ColorMap().Count() == 0; }

void CountPixels(TGIFSubImage& frame, std::vector<THistogramEntry>& histogram) {
  const size_t n = histogram.size();
  for (uint8_t px : frame.Data())
    if (px < n) ++histogram[px].Count;
}

void RemapFrame(TGIFSubImage& frame, const std::vector<int>& map) {
  for (uint8_t& px : frame.Data())
    if (px < map.size()) px = static_cast<uint8_t>(map[px]);
  if (auto* gce = frame.GraphicControlExtension(); gce != nullptr && frame.Transparent()) {
    uint8_t index = gce->TransparentColorIndex();
    if (index < map.size()) gce->SetTransparentColorIndex(map[index]);
  }
  frame.FreeBitmap();
}
}  // namespace

void TGIFGlobalColorMap::Warning(int severity, const std::string& message) const {
  if (Header != nullptr) Header->Warning(severity, message);
}

void TGIFGlobalColorMap::BuildHistogram(std::vector<THistogramEntry>& histogram) {
  if (Header == nullptr || Header->Image() == nullptr) return;
  auto& images = Header->Image()->Images();
  for (int i = 0; i < images.Count(); ++i)
    if (UsesGlobalMap(*images[i])) CountPixels(*images[i], histogram);
}

void TGIFGlobalColorMap::MapImages(const std::vector<int>& map) {
  if (Header == nullptr || Header->Image() == nullptr) return;
  auto& images = Header->Image()->Images();
  for (int i = 0; i < images.Count(); ++i)
    if (UsesGlobalMap(*images[i])) RemapFrame(*images[i], map);
}

void TGIFGlobalColorMap::Changed() {
  if (Header != nullptr && Header->Image() != nullptr) Header->Image()->FreeCachedBitmap();
}

void TGIFLocalColorMap::Warning(int severity, const std::string& message) const {
  if (SubImage != nullptr) SubImage->Warning(severity, message);
}

void TGIFLocalColorMap::BuildHistogram(std::vector<THistogramEntry>& histogram) {
  if (SubImage != nullptr) CountPixels(*SubImage, histogram);
}

void TGIFLocalColorMap::MapImages(const std::vector<int>& map) {
  if (SubImage != nullptr) RemapFrame(*SubImage, map);
}

void TGIFLocalColorMap::Changed() {
  if (SubImage == nullptr) return;
  // the palette and anything rendered with the old colours go
  SubImage->SetPalette(nullptr);
  if (SubImage->HasBitmap()) SubImage->FreeBitmap();
}

}  // namespace gif
