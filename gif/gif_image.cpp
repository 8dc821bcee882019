#include "gif/gif_image.h"
#include "gif/painter.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "platform/core/mathutil.h"

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

const char* GIFVersionString(int version) {
  switch (version) {
    case gv87a:
      return "87a";
    case gv89a:
      return "89a";
    default:
      return "";
  }
}

namespace {

uint8_t ReadByte(pf::TStream& s) {
  uint8_t b = 0;
  if (s.Read(&b, 1) != 1) throw GIFException(msg::PrematureEnd);
  return b;
}

void ReadFixed(pf::TStream& s, void* buffer, int count) {
  if (s.Read(buffer, count) != count) throw GIFException(msg::PrematureEnd);
}

// The next byte without consuming it; -1 at the end of the stream.
int PeekByte(pf::TStream& s) {
  uint8_t b = 0;
  if (s.Read(&b, 1) != 1) return -1;
  s.Seek(-1, pf::soCurrent);
  return b;
}

void WriteByte(pf::TStream& s, uint8_t b) { s.WriteBuffer(&b, 1); }
void WriteWord(pf::TStream& s, uint16_t w) {
  uint8_t b[2] = {static_cast<uint8_t>(w), static_cast<uint8_t>(w >> 8)};
  s.WriteBuffer(b, 2);
}
uint16_t Word(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

// Data sub-blocks: each string becomes sub-blocks of at most 255 bytes; one terminator after all.
void WriteSubBlocks(pf::TStream& s, const pf::TStrings& lines) {
  for (int i = 0; i < lines.Count(); ++i) {
    const std::string& line = lines[i];
    for (size_t pos = 0; pos < line.size(); pos += 255) {
      size_t n = std::min<size_t>(255, line.size() - pos);
      WriteByte(s, static_cast<uint8_t>(n));
      s.WriteBuffer(line.data() + pos, static_cast<int32_t>(n));
    }
  }
  WriteByte(s, 0);
}

// Every data sub-block becomes one line; a block cut short by the end of the stream keeps what is there.
void ReadSubBlocks(pf::TStream& s, pf::TStrings& lines) {
  for (;;) {
    uint8_t size = 0;
    if (s.Read(&size, 1) != 1 || size == 0) return;
    std::string line(size, '\0');
    int32_t got = s.Read(line.data(), size);
    line.resize(static_cast<size_t>(std::max(got, 0)));
    lines.Add(line);
    if (got < size) throw GIFException(msg::PrematureEnd);
  }
}

struct ExtensionRegistration {
  uint8_t label;
  TGIFExtensionFactory factory;
};
struct AppRegistration {
  std::string identifier;
  TGIFExtensionFactory factory;
};

std::vector<ExtensionRegistration>& ExtensionRegistry() {
  static std::vector<ExtensionRegistration> registry = {
      {0x01, [](TGIFSubImage* s) { return std::make_unique<TGIFTextExtension>(s); }},
      {0xF9, [](TGIFSubImage* s) { return std::make_unique<TGIFGraphicControlExtension>(s); }},
      {0xFE, [](TGIFSubImage* s) { return std::make_unique<TGIFCommentExtension>(s); }},
      {0xFF, [](TGIFSubImage* s) { return std::make_unique<TGIFApplicationExtension>(s); }},
  };
  return registry;
}

std::vector<AppRegistration>& AppRegistry() {
  static std::vector<AppRegistration> registry = {
      {"NETSCAPE2.0", [](TGIFSubImage* s) { return std::make_unique<TGIFAppExtNSLoop>(s); }},
      {"ANIMEXTS1.0", [](TGIFSubImage* s) { return std::make_unique<TGIFAppExtNSLoop>(s); }},
  };
  return registry;
}

const TGIFExtensionFactory* FindExtension(uint8_t label) {
  auto& r = ExtensionRegistry();
  for (auto it = r.rbegin(); it != r.rend(); ++it)
    if (it->label == label) return &it->factory;
  return nullptr;
}

// The class of an application extension from its identifier block; the stream position is kept.
TGIFExtensionFactory FindApplicationClass(pf::TStream& s, const TGIFExtensionFactory& base) {
  const int64_t start = s.Position();
  TGIFExtensionFactory result = base;
  uint8_t size = 0;
  uint8_t ident[11];
  if (s.Read(&size, 1) == 1) {
    if (size == 11 && s.Read(ident, 11) == 11) {
      std::string id(reinterpret_cast<const char*>(ident), 11);
      result = [](TGIFSubImage* sub) { return std::make_unique<TGIFUnknownAppExtension>(sub); };
      auto& r = AppRegistry();
      for (auto it = r.rbegin(); it != r.rend(); ++it)
        if (it->identifier == id) {
          result = it->factory;
          break;
        }
    } else if (size >= 10) {
      // block size 10, and larger ones whose extra bytes are skipped: data kept as unknown blocks
      result = [](TGIFSubImage* sub) { return std::make_unique<TGIFUnknownAppExtension>(sub); };
    }
  }
  s.SetPosition(start);
  return result;
}

}  // namespace

void RegisterExtension(uint8_t label, TGIFExtensionFactory factory) {
  ExtensionRegistry().push_back({label, std::move(factory)});
}

void RegisterApplicationExtension(const std::string& identifier, TGIFExtensionFactory factory) {
  std::string id = identifier;
  id.resize(11, '\0');
  AppRegistry().push_back({id, std::move(factory)});
}

// --- TGIFItem ----------------------------------------------------------------------------------------------------

void TGIFItem::Warning(int severity, const std::string& message) const {
  if (image_ != nullptr) image_->Warning(*const_cast<TGIFItem*>(this), severity, message);
}

void TGIFItem::SaveToFile(const std::string& fileName) {
  pf::TMemoryStream s;
  SaveToStream(s);
  s.SaveToFile(fileName);
}

void TGIFItem::LoadFromFile(const std::string& fileName) {
  pf::TFileStream s(fileName, pf::fmOpenRead | pf::fmShareDenyWrite);
  LoadFromStream(s);
}

// --- colour maps -------------------------------------------------------------------------------------------------

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

// --- TGIFHeader --------------------------------------------------------------------------------------------------

TGIFHeader::TGIFHeader(TGifPicture* image) : TGIFItem(image), colorMap_(this) {}

void TGIFHeader::Assign(const pf::TPersistent& source) {
  if (auto* h = dynamic_cast<const TGIFHeader*>(&source)) {
    if (h == this) return;
    Width = h->Width;
    Height = h->Height;
    Packed = h->Packed;
    BackgroundColorIndex = h->BackgroundColorIndex;
    AspectRatio = h->AspectRatio;
    colorMap_.Assign(h->colorMap_);
    return;
  }
  if (auto* map = dynamic_cast<const TGIFColorMap*>(&source)) {
    Clear();
    colorMap_.Assign(*map);
    return;
  }
  TGIFItem::Assign(source);
}

int TGIFHeader::GetVersion() const { return colorMap_.Optimized() || AspectRatio != 0 ? gv89a : gv87a; }

void TGIFHeader::Clear() {
  colorMap_.Clear();
  Width = Height = 0;
  Packed = 0;
  BackgroundColorIndex = 0;
  AspectRatio = 0;
}

void TGIFHeader::Prepare() {
  int largestLocal = 0;
  if (image_ != nullptr) {
    auto& images = image_->Images();
    for (int i = 0; i < images.Count(); ++i)
      largestLocal = std::max(largestLocal, images[i]->ColorMap().BitsPerPixel());
  }
  const int globalBits = colorMap_.BitsPerPixel();
  uint8_t packed = 0;
  if (colorMap_.Count() > 0) packed |= 0x80;
  if (colorMap_.Optimized()) packed |= 0x08;
  const int resolution = std::max(globalBits, largestLocal) - 1;
  packed |= static_cast<uint8_t>((resolution & 7) << 4);
  const int size = (colorMap_.Count() > 0 ? globalBits : largestLocal) - 1;
  packed |= static_cast<uint8_t>(size & 7);
  Packed = packed;
}

void TGIFHeader::SaveToStream(pf::TStream& stream) {
  int version = image_ != nullptr ? image_->Version() : GetVersion();
  if (version == gvUnknown) throw GIFException(msg::UnsupportedVersion);
  Prepare();
  stream.WriteBuffer("GIF", 3);
  stream.WriteBuffer(GIFVersionString(version), 3);
  WriteWord(stream, Width);
  WriteWord(stream, Height);
  WriteByte(stream, Packed);
  WriteByte(stream, BackgroundColorIndex);
  WriteByte(stream, AspectRatio);
  if (Packed & 0x80) colorMap_.SaveToStream(stream);
}

void TGIFHeader::LoadFromStream(pf::TStream& stream) {
  const int64_t start = stream.Position();
  char signature[6];
  auto isGif = [&] {
    return stream.Read(signature, 6) == 6 && std::toupper(static_cast<unsigned char>(signature[0])) == 'G' &&
           std::toupper(static_cast<unsigned char>(signature[1])) == 'I' &&
           std::toupper(static_cast<unsigned char>(signature[2])) == 'F';
  };
  if (!isGif()) {
    // a few bytes of junk in front of the signature are tolerated
    stream.SetPosition(start + 4);
    if (!isGif()) throw GIFException(msg::InvalidSignature);
  }
  LoadedVersion.assign(signature + 3, 3);
  uint8_t d[7];
  ReadFixed(stream, d, 7);
  Width = Word(d);
  Height = Word(d + 2);
  Packed = d[4];
  BackgroundColorIndex = d[5];
  AspectRatio = d[6];
  if (Packed & 0x80) {
    colorMap_.LoadFromStream(stream, 2 << (Packed & 7));
    colorMap_.SetOptimized((Packed & 0x08) != 0);
  } else {
    colorMap_.Clear();
  }
}

// --- extensions --------------------------------------------------------------------------------------------------

TGIFExtension::TGIFExtension(TGIFSubImage* subImage)
    : TGIFItem(subImage != nullptr ? subImage->Image() : nullptr), subImage_(subImage) {}

void TGIFExtension::SaveToStream(pf::TStream& stream) {
  WriteByte(stream, '!');
  WriteByte(stream, GetExtensionType());
}

void TGIFExtension::LoadFromStream(pf::TStream& stream) {
  if (ReadByte(stream) != '!') throw GIFException(msg::InvalidIntroducer);
  if (ReadByte(stream) != GetExtensionType()) throw GIFException(msg::ExtensionMismatch);
}

std::unique_ptr<TGIFExtension> TGIFExtension::CloneFor(TGIFSubImage* subImage) {
  pf::TMemoryStream s;
  SaveToStream(s);
  s.SetPosition(0);
  TGIFExtensionList list(subImage);
  list.LoadFromStream(s);
  if (list.Count() == 0) return nullptr;
  // move the single extension out of the temporary list
  TGIFExtension* e = list.Items(0);
  auto copy = std::unique_ptr<TGIFExtension>(e);
  list.Remove(e);
  return copy;
}

TGIFGraphicControlExtension::TGIFGraphicControlExtension(TGIFSubImage* subImage) : TGIFExtension(subImage) {
  if (subImage_ != nullptr && subImage_->gce_ == nullptr) subImage_->gce_ = this;
}

TGIFGraphicControlExtension::~TGIFGraphicControlExtension() {
  if (subImage_ != nullptr && subImage_->gce_ == this) {
    subImage_->gce_ = nullptr;
    subImage_->transparent_ = false;
    subImage_->maskDirty_ = true;
  }
}

void TGIFGraphicControlExtension::SaveToStream(pf::TStream& stream) {
  TGIFExtension::SaveToStream(stream);
  uint8_t block[6] = {4, packed_, static_cast<uint8_t>(delay_), static_cast<uint8_t>(delay_ >> 8), transparentIndex_,
                      0};
  stream.WriteBuffer(block, 6);
}

void TGIFGraphicControlExtension::LoadFromStream(pf::TStream& stream) {
  TGIFExtension::LoadFromStream(stream);
  uint8_t block[6] = {};
  int32_t got = stream.Read(block, 6);
  if (got < 6) Warning(1, msg::PrematureEnd);
  // taken as stored: the frame's local table is not read yet, so the index is not checked here
  packed_ = block[1];
  delay_ = Word(block + 2);
  transparentIndex_ = block[4];
  if (got >= 2 && (packed_ & 1) && subImage_ != nullptr && subImage_->gce_ == this) subImage_->transparent_ = true;
}

void TGIFGraphicControlExtension::SetDisposal(int value) {
  packed_ = static_cast<uint8_t>((packed_ & ~0x1C) | ((value & 7) << 2));
}

void TGIFGraphicControlExtension::SetTransparent(bool value) {
  packed_ = static_cast<uint8_t>(value ? packed_ | 1 : packed_ & ~1);
  if (subImage_ != nullptr && subImage_->gce_ == this) {
    subImage_->transparent_ = value;
    subImage_->maskDirty_ = true;
    subImage_->FreeBitmap();
  }
}

void TGIFGraphicControlExtension::SetUserInput(bool value) {
  packed_ = static_cast<uint8_t>(value ? packed_ | 2 : packed_ & ~2);
}

void TGIFGraphicControlExtension::SetTransparentColorIndex(int value) {
  if (subImage_ != nullptr) {
    int count = subImage_->ActiveColorMap().Count();
    if (count > 0 && value >= count) {
      Warning(1, msg::InvalidColorIndex);
      value = 0;
    }
  }
  transparentIndex_ = static_cast<uint8_t>(value);
  if (subImage_ != nullptr && subImage_->gce_ == this) {
    subImage_->maskDirty_ = true;
    subImage_->FreeBitmap();
  }
}

pf::TColor TGIFGraphicControlExtension::TransparentColor() const {
  if (subImage_ == nullptr) return pf::clNone;
  return subImage_->ActiveColorMap().Colors(transparentIndex_);
}

void TGIFTextExtension::SaveToStream(pf::TStream& stream) {
  TGIFExtension::SaveToStream(stream);
  uint8_t block[13] = {12,
                       static_cast<uint8_t>(Left),
                       static_cast<uint8_t>(Left >> 8),
                       static_cast<uint8_t>(Top),
                       static_cast<uint8_t>(Top >> 8),
                       static_cast<uint8_t>(GridWidth),
                       static_cast<uint8_t>(GridWidth >> 8),
                       static_cast<uint8_t>(GridHeight),
                       static_cast<uint8_t>(GridHeight >> 8),
                       CharWidth,
                       CharHeight,
                       ForegroundColorIndex,
                       BackgroundColorIndex};
  stream.WriteBuffer(block, 13);
  WriteSubBlocks(stream, Text);
}

void TGIFTextExtension::LoadFromStream(pf::TStream& stream) {
  TGIFExtension::LoadFromStream(stream);
  uint8_t block[13];
  ReadFixed(stream, block, 13);
  Left = Word(block + 1);
  Top = Word(block + 3);
  GridWidth = Word(block + 5);
  GridHeight = Word(block + 7);
  CharWidth = block[9];
  CharHeight = block[10];
  ForegroundColorIndex = block[11];
  BackgroundColorIndex = block[12];
  Text.Clear();
  ReadSubBlocks(stream, Text);
}

void TGIFCommentExtension::SaveToStream(pf::TStream& stream) {
  TGIFExtension::SaveToStream(stream);
  WriteSubBlocks(stream, Text);
}

void TGIFCommentExtension::LoadFromStream(pf::TStream& stream) {
  TGIFExtension::LoadFromStream(stream);
  Text.Clear();
  ReadSubBlocks(stream, Text);
}

TGIFApplicationExtension::TGIFApplicationExtension(TGIFSubImage* subImage)
    : TGIFExtension(subImage), Identifier(8, '\0'), Authentication(3, '\0') {}

void TGIFApplicationExtension::SaveToStream(pf::TStream& stream) {
  TGIFExtension::SaveToStream(stream);
  WriteByte(stream, 11);
  std::string id = Identifier, auth = Authentication;
  id.resize(8, '\0');
  auth.resize(3, '\0');
  stream.WriteBuffer(id.data(), 8);
  stream.WriteBuffer(auth.data(), 3);
  SaveData(stream);
}

void TGIFApplicationExtension::LoadFromStream(pf::TStream& stream) {
  TGIFExtension::LoadFromStream(stream);
  uint8_t size = ReadByte(stream);
  if (size < 10) throw GIFException(msg::UnsupportedAppBlockSize);
  char ident[11] = {};
  if (size == 10) {
    ReadFixed(stream, ident, 11);
    stream.Seek(-1, pf::soCurrent);
    ident[10] = 0;
  } else {
    ReadFixed(stream, ident, 11);
    for (int i = 11; i < size; ++i) ReadByte(stream);
  }
  Identifier.assign(ident, 8);
  Authentication.assign(ident + 8, 3);
  LoadData(stream);
}

void TGIFApplicationExtension::SaveData(pf::TStream& stream) { WriteByte(stream, 0); }

void TGIFApplicationExtension::LoadData(pf::TStream& stream) {
  uint8_t scratch[256];
  for (;;) {
    uint8_t size = 0;
    if (stream.Read(&size, 1) != 1 || size == 0) return;
    if (stream.Read(scratch, size) != size) throw GIFException(msg::PrematureEnd);
  }
}

void TGIFUnknownAppExtension::SaveData(pf::TStream& stream) {
  for (const auto& b : Blocks) {
    WriteByte(stream, b.Size);
    stream.WriteBuffer(b.Data.data(), b.Size);
  }
  WriteByte(stream, 0);
}

void TGIFUnknownAppExtension::LoadData(pf::TStream& stream) {
  Blocks.clear();
  for (;;) {
    uint8_t size = 0;
    if (stream.Read(&size, 1) != 1 || size == 0) return;
    TGIFBlock block;
    block.Size = size;
    block.Data.resize(size);
    ReadFixed(stream, block.Data.data(), size);
    Blocks.push_back(std::move(block));
  }
}

TGIFAppExtNSLoop::TGIFAppExtNSLoop(TGIFSubImage* subImage) : TGIFApplicationExtension(subImage) {
  Identifier = "NETSCAPE";
  Authentication = "2.0";
}

void TGIFAppExtNSLoop::SaveData(pf::TStream& stream) {
  uint8_t loop[4] = {3, 1, static_cast<uint8_t>(Loops), static_cast<uint8_t>(Loops >> 8)};
  stream.WriteBuffer(loop, 4);
  if (BufferSize != 0) {
    uint8_t buf[6] = {5,
                      2,
                      static_cast<uint8_t>(BufferSize),
                      static_cast<uint8_t>(BufferSize >> 8),
                      static_cast<uint8_t>(BufferSize >> 16),
                      static_cast<uint8_t>(BufferSize >> 24)};
    stream.WriteBuffer(buf, 6);
  }
  WriteByte(stream, 0);
}

void TGIFAppExtNSLoop::LoadData(pf::TStream& stream) {
  for (;;) {
    uint8_t size = 0;
    if (stream.Read(&size, 1) != 1 || size == 0) return;
    std::vector<uint8_t> block(size);
    ReadFixed(stream, block.data(), size);
    const int id = block[0] & 7;
    if (id == 1) {
      if (size < 3) throw GIFException(msg::InvalidData);
      Loops = Word(block.data() + 1);
    } else if (id == 2) {
      if (size < 5) throw GIFException(msg::InvalidData);
      BufferSize = static_cast<uint32_t>(block[1] | (block[2] << 8) | (block[3] << 16)) |
                   (static_cast<uint32_t>(block[4]) << 24);
    }
  }
}

// --- TGIFExtensionList -------------------------------------------------------------------------------------------

int TGIFExtensionList::Add(std::unique_ptr<TGIFExtension> extension) {
  if (!extension) return -1;
  if (auto* gce = dynamic_cast<TGIFGraphicControlExtension*>(extension.get());
      gce != nullptr && subImage_ != nullptr && subImage_->gce_ == nullptr) {
    subImage_->gce_ = gce;
    subImage_->transparent_ = gce->Transparent();
    subImage_->maskDirty_ = true;
  }
  items_.push_back(std::move(extension));
  return Count() - 1;
}

void TGIFExtensionList::Delete(int index) {
  if (index < 0 || index >= Count()) return;
  items_.erase(items_.begin() + index);
}

void TGIFExtensionList::Remove(TGIFExtension* extension) {
  for (auto it = items_.begin(); it != items_.end(); ++it)
    if (it->get() == extension) {
      (void)it->release();  // the caller owns it now
      items_.erase(it);
      return;
    }
}

void TGIFExtensionList::Clear() {
  while (!items_.empty()) items_.pop_back();
}

void TGIFExtensionList::SaveToStream(pf::TStream& stream) {
  for (auto& e : items_) e->SaveToStream(stream);
}

void TGIFExtensionList::Warning(int severity, const std::string& message) const {
  if (subImage_ != nullptr) subImage_->Warning(severity, message);
}

void TGIFExtensionList::LoadFromStream(pf::TStream& stream) {
  for (;;) {
    int next = PeekByte(stream);
    if (next < 0 || next == ',' || next == ';') return;
    if (next != '!') {
      Warning(1, msg::InvalidIntroducer);
      return;
    }
    stream.Seek(1, pf::soCurrent);
    int label = PeekByte(stream);
    stream.Seek(-1, pf::soCurrent);
    if (label < 0) throw GIFException(msg::PrematureEnd);
    const TGIFExtensionFactory* factory = FindExtension(static_cast<uint8_t>(label));
    if (factory == nullptr) throw GIFException(msg::UnknownExtension);
    TGIFExtensionFactory chosen = *factory;
    if (label == 0xFF) {
      const int64_t pos = stream.Position();
      stream.Seek(2, pf::soCurrent);
      chosen = FindApplicationClass(stream, *factory);
      stream.SetPosition(pos);
    }
    std::unique_ptr<TGIFExtension> extension = chosen(subImage_);
    extension->LoadFromStream(stream);
    Add(std::move(extension));
  }
}

// --- TGIFTrailer -------------------------------------------------------------------------------------------------

void TGIFTrailer::SaveToStream(pf::TStream& stream) { WriteByte(stream, ';'); }

void TGIFTrailer::LoadFromStream(pf::TStream& stream) {
  uint8_t b = 0;
  if (stream.Read(&b, 1) == 1 && b != ';') Warning(1, msg::InvalidTrailer);
}

// --- TGIFSubImage ------------------------------------------------------------------------------------------------

TGIFSubImage::TGIFSubImage(TGifPicture* image) : TGIFItem(image), colorMap_(this), extensions_(this) {}

TGIFSubImage::~TGIFSubImage() {
  extensions_.Clear();
  gce_ = nullptr;
}

int TGIFSubImage::GetVersion() const { return colorMap_.Optimized() || extensions_.Count() > 0 ? gv89a : gv87a; }

void TGIFSubImage::FreeBitmap() {
  bitmap_.reset();
  mask_.reset();
  maskDirty_ = true;
  if (image_ != nullptr) image_->FreeCachedBitmap();
}

void TGIFSubImage::FreeMask() {
  mask_.reset();
  maskDirty_ = true;
}

void TGIFSubImage::Clear() {
  FreeBitmap();
  palette_ = nullptr;
  data_.clear();
  colorMap_.Clear();
  extensions_.Clear();
  left_ = top_ = width_ = height_ = 0;
  packed_ = 0;
  transparent_ = false;
}

void TGIFSubImage::AllocateData(uint8_t fill) {
  const int64_t n = static_cast<int64_t>(width_) * height_;
  data_.assign(static_cast<size_t>(n), fill);
}

void TGIFSubImage::SetBounds(int left, int top, int width, int height) {
  left = std::clamp(left, 0, 65535);
  top = std::clamp(top, 0, 65535);
  width = std::clamp(width, 0, 65535);
  height = std::clamp(height, 0, 65535);
  if (width != width_ || height != height_) {
    FreeBitmap();
    width_ = static_cast<uint16_t>(width);
    height_ = static_cast<uint16_t>(height);
    AllocateData(0);
  }
  left_ = static_cast<uint16_t>(left);
  top_ = static_cast<uint16_t>(top);
  if (image_ == nullptr) return;
  TGIFHeader& header = image_->Header();
  bool warned = false;
  if (header.Width < left + width) {
    if (header.Width != 0) {
      Warning(1, msg::WidthTooSmall);
      warned = true;
    }
    header.Width = static_cast<uint16_t>(std::min(left + width, 65535));
  }
  if (header.Height < top + height) {
    if (header.Height != 0) {
      Warning(1, msg::HeightTooSmall);
      warned = true;
    }
    header.Height = static_cast<uint16_t>(std::min(top + height, 65535));
  }
  if (warned) Warning(1, msg::ExceedsScreen);
}

void TGIFSubImage::SetInterlaced(bool value) {
  packed_ = static_cast<uint8_t>(value ? packed_ | 0x40 : packed_ & ~0x40);
}

uint8_t* TGIFSubImage::ScanLine(int y) {
  if (y < 0 || y >= height_) throw GIFException(msg::InvalidPixelCoordinates);
  if (data_.empty()) {
    AllocateData(0);
    if (data_.empty()) throw GIFException(msg::ImageEmpty);
  }
  return data_.data() + static_cast<size_t>(y) * width_;
}

uint8_t TGIFSubImage::Pixels(int x, int y) {
  if (x < 0 || x >= width_) throw GIFException(msg::InvalidPixelCoordinates);
  return ScanLine(y)[x];
}

void TGIFSubImage::SetPixels(int x, int y, uint8_t value) {
  if (x < 0 || x >= width_) throw GIFException(msg::InvalidPixelCoordinates);
  ScanLine(y)[x] = value;
  FreeBitmap();
}

TGIFColorMap& TGIFSubImage::ActiveColorMap() {
  if (colorMap_.Count() > 0 || image_ == nullptr) return colorMap_;
  if (image_->Header().ColorMap().Count() > 0) return image_->Header().ColorMap();
  return colorMap_;
}

bool TGIFSubImage::Dithered() const { return image_ != nullptr && image_->DoDither(); }

pf::HPALETTE TGIFSubImage::Palette() {
  if (bitmap_ && bitmap_->GetPalette()) return bitmap_->GetPalette();
  if (palette_) return palette_;
  if (Dithered()) {
    palette_ = WebPalette();
  } else if (colorMap_.Count() > 0) {
    palette_ = colorMap_.ExportPalette();
  } else if (image_ != nullptr) {
    palette_ = image_->GetPalette();
  }
  return palette_;
}

void TGIFSubImage::SetPalette(const pf::HPALETTE& value) {
  if (value == palette_) return;
  palette_ = value;
  bitmap_.reset();
  mask_.reset();
  maskDirty_ = true;
  if (image_ != nullptr) image_->FreeCachedBitmap();
}

void TGIFSubImage::SetBitmap(std::unique_ptr<pf::TBitmap> value) {
  FreeBitmap();
  bitmap_ = std::move(value);
}

pf::TBitmap* TGIFSubImage::Bitmap() {
  if (!bitmap_) RenderBitmap();
  return bitmap_.get();
}

pf::TBitmap* TGIFSubImage::Mask() {
  Bitmap();
  return mask_.get();
}

void TGIFSubImage::RenderBitmap() {
  auto bmp = std::make_unique<pf::TBitmap>();
  const pf::HPALETTE palette = Palette();
  if (Empty()) {
    bmp->SetPalette(pf::CopyPalette(palette));
    bmp->SetSize(width_, height_);
    bitmap_ = std::move(bmp);
    return;
  }
  const bool transparentFill = transparent_ && gce_ != nullptr;
  const uint8_t transparentIndex = gce_ != nullptr ? gce_->TransparentColorIndex() : 0;
  if (image_ != nullptr) image_->ReportProgress(pf::psStarting, 0, msg::Rendering);
  if (!Dithered()) {
    TDIBWriter writer(*bmp, palette, height_, width_, pf::pf8bit);
    for (int y = 0; y < height_; ++y) {
      std::memcpy(writer.ScanLine(y), data_.data() + static_cast<size_t>(y) * width_, width_);
      if (image_ != nullptr && y % 32 == 0) image_->ReportProgress(pf::psRunning, y * 100 / height_, msg::Rendering);
    }
    writer.Finish();
  } else {
    // Colours of the active map, read once (indices outside it read entry 0, with one warning).
    TGIFColorMap& map = ActiveColorMap();
    uint8_t rgb[256][3] = {};
    bool outside = false;
    for (int i = 0; i < 256; ++i) {
      int index = i < map.Count() ? i : 0;
      if (map.Count() > 0) std::memcpy(rgb[i], map.Data() + index * 3, 3);
    }
    TNetscapeColorLookup lookup;
    TFloydSteinbergDitherer engine(width_, lookup);
    TDIBWriter writer(*bmp, WebPalette(), height_, width_, pf::pf8bit);
    uint8_t fillIndex = 0;
    if (transparentFill) {
      uint8_t r, g, b;
      const uint8_t* c = rgb[transparentIndex];
      fillIndex = lookup.Lookup(c[0], c[1], c[2], r, g, b);
    }
    std::vector<uint8_t> bgr(static_cast<size_t>(width_) * 3);
    std::vector<uint8_t> skip(static_cast<size_t>(width_));
    for (int y = 0; y < height_; ++y) {
      const uint8_t* src = data_.data() + static_cast<size_t>(y) * width_;
      uint8_t* out = writer.ScanLine(y);
      for (int x = 0; x < width_; ++x) {
        if (src[x] >= map.Count()) outside = true;
        const uint8_t* c = rgb[src[x]];
        bgr[static_cast<size_t>(x) * 3] = c[2];
        bgr[static_cast<size_t>(x) * 3 + 1] = c[1];
        bgr[static_cast<size_t>(x) * 3 + 2] = c[0];
        skip[static_cast<size_t>(x)] = transparentFill && src[x] == transparentIndex;
      }
      if (transparentFill) std::memset(out, fillIndex, width_);
      DitherRow(engine, bgr.data(), 3, out, transparentFill ? skip.data() : nullptr);
      if (image_ != nullptr && y % 32 == 0) image_->ReportProgress(pf::psRunning, y * 100 / height_, msg::Rendering);
    }
    writer.Finish();
    if (outside) Warning(1, msg::InvalidColorIndex);
  }
  if (image_ != nullptr) image_->ReportProgress(pf::psEnding, 100, msg::Rendering);
  if (maskDirty_ && transparent_ && gce_ != nullptr) {
    auto mask = std::make_unique<pf::TBitmap>();
    mask->SetPixelFormat(pf::pf1bit);
    mask->SetColorTable({{0, 0, 0, 0}, {255, 255, 255, 0}});
    mask->SetSize(width_, height_);
    bool any = false;
    for (int y = 0; y < height_; ++y) {
      uint8_t* row = mask->ScanLine(y);
      std::memset(row, 0, static_cast<size_t>(mask->RowBytes()));
      const uint8_t* src = data_.data() + static_cast<size_t>(y) * width_;
      for (int x = 0; x < width_; ++x)
        if (src[x] == transparentIndex) {
          row[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
          any = true;
        }
    }
    mask_ = any ? std::move(mask) : nullptr;
    maskDirty_ = false;
  }
  bitmap_ = std::move(bmp);
}

void TGIFSubImage::Draw(pf::TCanvas& canvas, const pf::TRect& rect, bool transparent, bool tile) {
  pf::TBitmap* bmp = Bitmap();
  if (bmp == nullptr || bmp->Empty()) return;
  pf::TBitmap* mask = transparent && transparent_ ? Mask() : nullptr;
  const pf::TRect source = pf::Rect(0, 0, width_, height_);
  auto drawOne = [&](const pf::TRect& dest) {
    if (mask != nullptr)
      pf::DrawMasked(canvas, dest, *bmp, source, *mask);
    else
      canvas.StretchDraw(dest, *bmp);
  };
  int screenW = image_ != nullptr ? image_->Width() : 0;
  int screenH = image_ != nullptr ? image_->Height() : 0;
  if (screenW <= 0) screenW = left_ + width_;
  if (screenH <= 0) screenH = top_ + height_;
  if (!tile) {
    const int32_t w = rect.Width(), h = rect.Height();
    pf::TRect dest =
        pf::Rect(rect.Left + pf::MulDiv(left_, w, screenW), rect.Top + pf::MulDiv(top_, h, screenH),
                 rect.Left + pf::MulDiv(left_ + width_, w, screenW), rect.Top + pf::MulDiv(top_ + height_, h, screenH));
    drawOne(dest);
    return;
  }
  // Copies at the screen size, clipped to the rectangle.
  int saved = canvas.SaveDC();
  canvas.IntersectClipRect(rect.Left, rect.Top, rect.Right, rect.Bottom);
  for (int32_t y = rect.Top; y < rect.Bottom; y += screenH)
    for (int32_t x = rect.Left; x < rect.Right; x += screenW) drawOne(pf::Bounds(x + left_, y + top_, width_, height_));
  canvas.RestoreDC(saved);
}

void TGIFSubImage::DecodeImageData(pf::TStream& stream) {
  const uint8_t fill = transparent_ && gce_ != nullptr ? gce_->TransparentColorIndex() : 0;
  AllocateData(fill);
  TGIFDecoder decoder(stream, [this](int severity, const std::string& m) { Warning(severity, m); });
  decoder.Decode(data_.data(), width_, height_, Interlaced());
}

void TGIFSubImage::EncodeImageData(pf::TStream& stream) {
  int bits, colors;
  if (colorMap_.Count() > 0) {
    colors = colorMap_.Count();
    bits = BitsNeeded(colors);
  } else {
    bits = 0;
    if (image_ != nullptr) {
      bits = image_->Header().ColorMap().BitsPerPixel();
      auto& images = image_->Images();
      for (int i = 0; i < images.Count(); ++i) bits = std::max(bits, images[i]->ColorMap().BitsPerPixel());
    }
    colors = 1 << bits;
  }
  const uint8_t compression = image_ != nullptr ? image_->Compression : static_cast<uint8_t>(CompressLZW);
  const bool interlaced = colorMap_.Count() == 0 && Interlaced();
  EncodeImage(stream, compression == CompressRLE ? CompressRLE : CompressLZW, bits, colors, data_.data(), interlaced,
              height_, width_);
}

void TGIFSubImage::SaveToStream(pf::TStream& stream) {
  extensions_.SaveToStream(stream);
  if (Empty()) return;
  uint8_t packed;
  if (colorMap_.Count() > 0) {
    packed = static_cast<uint8_t>(0x80 | (colorMap_.Optimized() ? 0x20 : 0) | ((colorMap_.BitsPerPixel() - 1) & 7));
  } else {
    packed = static_cast<uint8_t>(packed_ & 0x58);  // interlace and reserved bits
  }
  uint8_t d[10] = {',',
                   static_cast<uint8_t>(left_),
                   static_cast<uint8_t>(left_ >> 8),
                   static_cast<uint8_t>(top_),
                   static_cast<uint8_t>(top_ >> 8),
                   static_cast<uint8_t>(width_),
                   static_cast<uint8_t>(width_ >> 8),
                   static_cast<uint8_t>(height_),
                   static_cast<uint8_t>(height_ >> 8),
                   packed};
  stream.WriteBuffer(d, 10);
  if (colorMap_.Count() > 0) colorMap_.SaveToStream(stream);
  EncodeImageData(stream);
}

void TGIFSubImage::LoadFromStream(pf::TStream& stream) {
  Clear();
  extensions_.LoadFromStream(stream);
  // A descriptor is read only behind its separator; anything else leaves the frame without an image.
  if (PeekByte(stream) != ',') return;
  uint8_t d[10];
  ReadFixed(stream, d, 10);
  left_ = Word(d + 1);
  top_ = Word(d + 3);
  width_ = Word(d + 5);
  height_ = Word(d + 7);
  packed_ = d[9];
  if (width_ == 0 || height_ == 0) {
    if (image_ != nullptr) {
      width_ = image_->Header().Width;
      height_ = image_->Header().Height;
    }
    Warning(1, msg::ExceedsScreen);
  }
  if (image_ != nullptr) image_->ReservePixels(static_cast<int64_t>(width_) * height_);
  if (packed_ & 0x80) {
    colorMap_.LoadFromStream(stream, 2 << (packed_ & 7));
    colorMap_.SetOptimized((packed_ & 0x20) != 0);
  }
  DecodeImageData(stream);
  if (GIFRenderOnLoad) Bitmap();
}

void TGIFSubImage::AssignTo(pf::TPersistent& dest) const {
  if (auto* bmp = dynamic_cast<pf::TBitmap*>(&dest)) {
    bmp->Assign(*const_cast<TGIFSubImage*>(this)->Bitmap());
    return;
  }
  TGIFItem::AssignTo(dest);
}

void TGIFSubImage::Assign(const pf::TPersistent& source) {
  if (&source == this) return;
  if (auto* other = dynamic_cast<const TGIFSubImage*>(&source)) {
    Clear();
    auto* src = const_cast<TGIFSubImage*>(other);
    if (!src->Empty()) {
      left_ = src->left_;
      top_ = src->top_;
      width_ = src->width_;
      height_ = src->height_;
      packed_ = src->packed_;
      transparent_ = src->transparent_;
      data_ = src->data_;
      colorMap_.Assign(src->colorMap_);
    }
    for (int i = 0; i < src->extensions_.Count(); ++i) extensions_.Add(src->extensions_[i]->CloneFor(this));
    if (src->extensions_.Count() == 0 && src->bitmap_) {
      bitmap_ = std::make_unique<pf::TBitmap>();
      bitmap_->Assign(*src->bitmap_);
    }
    return;
  }
  if (auto* bmp = dynamic_cast<const pf::TBitmap*>(&source)) {
    AssignFromBitmap(*const_cast<pf::TBitmap*>(bmp));
    return;
  }
  if (auto* picture = dynamic_cast<const pf::TPicture*>(&source)) {
    if (picture->Graphic() != nullptr)
      Assign(*picture->Graphic());
    else
      Clear();
    return;
  }
  if (auto* graphic = dynamic_cast<const pf::TGraphic*>(&source)) {
    pf::TBitmap bmp;
    bmp.Assign(*graphic);
    AssignFromBitmap(bmp);
    return;
  }
  TGIFItem::Assign(source);
}

void TGIFSubImage::AssignFromBitmap(pf::TBitmap& source) {
  Clear();
  if (source.Empty()) return;
  if (source.Width() > 65535 || source.Height() > 65535) throw GIFException(msg::InvalidDimensions);
  const pf::TPixelFormat format = source.PixelFormat();
  std::unique_ptr<pf::TBitmap> bmp;
  if (format == pf::pf1bit || format == pf::pf4bit || format == pf::pf8bit) {
    bmp = std::make_unique<pf::TBitmap>();
    bmp->Assign(source);
  } else {
    const int method = image_ != nullptr ? image_->ColorReduction : GIFDefaultColorReduction;
    bmp = ReduceColors(source, method, image_ != nullptr ? image_->DitherMode : GIFDefaultDitherMode,
                       image_ != nullptr ? image_->ReductionBits : GIFDefaultColorReductionBits, nullptr);
    // an unknown method or dither mode gives nothing to convert
    if (bmp->Empty()) throw GIFException(msg::InvalidReduction);
  }
  SetBounds(0, 0, source.Width(), source.Height());
  pf::TPixelFormat readFormat = bmp->PixelFormat();
  if (readFormat != pf::pf1bit && readFormat != pf::pf4bit && readFormat != pf::pf8bit) readFormat = pf::pf24bit;
  TDIBReader reader(*bmp, readFormat);
  switch (readFormat) {
    case pf::pf8bit:
      colorMap_.ImportColorTable(bmp->ColorTable());
      break;
    case pf::pf4bit:
    case pf::pf1bit:
      colorMap_.ImportPalette(bmp->GetPalette());
      break;
    default:
      break;
  }
  // the last colours found, searched backwards from the last hit
  struct Ring {
    pf::TColor color = 0;
    int index = -1;
  } ring[8];
  int last = 0;
  if (image_ != nullptr) image_->ReportProgress(pf::psStarting, 0, msg::Converting);
  for (int y = 0; y < height_; ++y) {
    const uint8_t* src = reader.ScanLine(y);
    uint8_t* dst = data_.data() + static_cast<size_t>(y) * width_;
    switch (readFormat) {
      case pf::pf8bit:
        std::memcpy(dst, src, width_);
        break;
      case pf::pf4bit:
        for (int x = 0; x < width_; ++x) dst[x] = (x & 1) ? (src[x >> 1] & 0x0F) : (src[x >> 1] >> 4);
        break;
      case pf::pf1bit:
        for (int x = 0; x < width_; ++x) dst[x] = (src[x >> 3] >> (7 - (x & 7))) & 1;
        break;
      default:
        for (int x = 0; x < width_; ++x) {
          const uint8_t* px = src + x * 3;
          const pf::TColor color = pf::RGB(px[2], px[1], px[0]);
          int found = -1;
          for (int k = 0, i = last; k < 8; ++k, i = (i + 7) & 7) {
            if (ring[i].index < 0) break;
            if (ring[i].color == color) {
              found = ring[i].index;
              last = i;
              break;
            }
          }
          if (found < 0) {
            found = colorMap_.AddUnique(color);
            last = (last + 1) & 7;
            ring[last] = {color, found};
          }
          dst[x] = static_cast<uint8_t>(found);
        }
        break;
    }
    if (image_ != nullptr && y % 32 == 0) image_->ReportProgress(pf::psRunning, y * 100 / height_, msg::Converting);
  }
  if (image_ != nullptr) image_->ReportProgress(pf::psEnding, 100, msg::Converting);
  bitmap_ = std::move(bmp);
}

void TGIFSubImage::Crop() {
  if (!transparent_ || gce_ == nullptr || Empty()) return;
  const uint8_t t = gce_->TransparentColorIndex();
  auto columnClear = [&](int x) {
    for (int y = 0; y < height_; ++y)
      if (data_[static_cast<size_t>(y) * width_ + x] != t) return false;
    return true;
  };
  auto rowClear = [&](int y) {
    for (int x = 0; x < width_; ++x)
      if (data_[static_cast<size_t>(y) * width_ + x] != t) return false;
    return true;
  };
  int x0 = 0, x1 = width_, y0 = 0, y1 = height_;
  while (x0 < x1 && columnClear(x0)) ++x0;
  while (x1 > x0 && columnClear(x1 - 1)) --x1;
  if (x0 == x1) {
    FreeBitmap();
    data_.clear();
    width_ = height_ = 0;
    return;
  }
  while (y0 < y1 && rowClear(y0)) ++y0;
  while (y1 > y0 && rowClear(y1 - 1)) --y1;
  if (x0 == 0 && y0 == 0 && x1 == width_ && y1 == height_) return;
  std::vector<uint8_t> cropped;
  cropped.reserve(static_cast<size_t>(x1 - x0) * (y1 - y0));
  for (int y = y0; y < y1; ++y) {
    const uint8_t* row = data_.data() + static_cast<size_t>(y) * width_;
    cropped.insert(cropped.end(), row + x0, row + x1);
  }
  FreeBitmap();
  data_ = std::move(cropped);
  left_ = static_cast<uint16_t>(left_ + x0);
  top_ = static_cast<uint16_t>(top_ + y0);
  width_ = static_cast<uint16_t>(x1 - x0);
  height_ = static_cast<uint16_t>(y1 - y0);
}

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

void TGifPictureList::SaveToStream(pf::TStream& stream) {
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
    if (b == ';') {
      stream.Seek(-1, pf::soCurrent);
      return;
    }
    if (b != '!' && b != ',') {
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

namespace {
std::vector<std::string>& ClipboardFormats() {
  static std::vector<std::string> formats;
  return formats;
}
}  // namespace

uint16_t CF_GIF() {
  auto& formats = ClipboardFormats();
  for (size_t i = 0; i < formats.size(); ++i)
    if (formats[i] == "GIF Image") return static_cast<uint16_t>(0xC000 + i);
  formats.push_back("GIF Image");
  return static_cast<uint16_t>(0xC000 + formats.size() - 1);
}

void RegisterGifPicture() {
  static bool registered = false;
  if (registered) return;
  registered = true;
  pf::TPicture::RegisterFileFormat("GIF", "GIF Image", "TGifPicture", [] { return std::make_unique<TGifPicture>(); });
  CF_GIF();
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

void TGifPicture::ReportProgress(pf::TProgressStage stage, int percent, const std::string& message) {
  Progress(*this, stage, static_cast<uint8_t>(std::clamp(percent, 0, 100)), false, pf::TRect{}, message);
}

bool TGifPicture::DoDither() const {
  return (DrawOptions & DrawDither) && (!(DrawOptions & DrawAutoDither) || DoAutoDither);
}

void TGifPicture::Warning(pf::TPersistent& sender, int severity, const std::string& message) {
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
    // The copy reports through the source's handlers; ours are back afterwards.
    pf::TProgressEvent ownProgress = OnProgress;
    TGIFWarningEvent ownWarning = OnWarning;
    OnProgress = other->OnProgress;
    OnWarning = other->OnWarning;
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
      OnProgress = ownProgress;
      OnWarning = ownWarning;
      throw;
    }
    OnProgress = ownProgress;
    OnWarning = ownWarning;
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

void TGifPicture::SetWidth(int32_t value) {
  for (int i = 0; i < images_.Count(); ++i)
    if (images_[i]->Left() + images_[i]->Width() > value) throw GIFException(msg::WidthTooSmall);
  if (value != header_.Width) {
    header_.Width = static_cast<uint16_t>(std::clamp(value, 0, 65535));
    FreeCachedBitmap();
    Changed(this);
  }
}

void TGifPicture::SetHeight(int32_t value) {
  for (int i = 0; i < images_.Count(); ++i)
    if (images_[i]->Top() + images_[i]->Height() > value) throw GIFException(msg::HeightTooSmall);
  if (value != header_.Height) {
    header_.Height = static_cast<uint16_t>(std::clamp(value, 0, 65535));
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
  auto* self = const_cast<TGifPicture*>(this);
  self->ReportProgress(pf::psStarting, 0, msg::Saving);
  try {
    self->header_.SaveToStream(stream);
    self->images_.SaveToStream(stream);
    TGIFTrailer trailer(self);
    trailer.SaveToStream(stream);
  } catch (...) {
    self->ReportProgress(pf::psEnding, 0, msg::Saving);
    throw;
  }
  self->ReportProgress(pf::psEnding, 100, msg::Saving);
}

void TGifPicture::WriteData(pf::TStream& stream) const {
  if (GIFDefaultOptimizeOnSave)
    const_cast<TGifPicture*>(this)->Optimize(ooCrop | ooMerge | ooCleanup | ooColorMap | ooReduceColors, ReduceNone,
                                             DitherNearest, 8);
  pf::TGraphic::WriteData(stream);
}

void TGifPicture::LoadFromClipboardFormat(uint16_t format, const std::vector<uint8_t>& data,
                                          const pf::HPALETTE& palette) {
  if (!data.empty() && format == CF_GIF()) {
    pf::TReadOnlyMemoryStream s(data.data(), static_cast<int64_t>(data.size()));
    LoadFromStream(s);
    return;
  }
  if (!data.empty() && format == CF_BITMAP) {
    pf::TBitmap bmp;
    bmp.LoadFromClipboardFormat(format, data, palette);
    Assign(bmp);
    return;
  }
  throw GIFException("Unsupported clipboard format");
}

void TGifPicture::SaveToClipboardFormat(uint16_t& format, std::vector<uint8_t>& data, pf::HPALETTE& palette) const {
  if (Empty()) return;
  pf::TMemoryStream s;
  SaveToStream(s);
  format = CF_GIF();
  data.assign(s.Memory(), s.Memory() + s.Size());
  palette = GetPalette();
}

// --- optimisation ------------------------------------------------------------------------------------------------

namespace {

TGIFGraphicControlExtension* EnsureGCE(TGIFSubImage& frame) {
  if (frame.GraphicControlExtension() != nullptr) return frame.GraphicControlExtension();
  auto gce = std::make_unique<TGIFGraphicControlExtension>(&frame);
  TGIFGraphicControlExtension* raw = gce.get();
  frame.Extensions().Add(std::move(gce));
  return raw;
}

int Disposal(TGIFSubImage& frame) {
  return frame.GraphicControlExtension() != nullptr ? frame.GraphicControlExtension()->Disposal() : 0;
}

bool Covers(const pf::TRect& a, const pf::TRect& b) {
  return a.Left <= b.Left && a.Top <= b.Top && a.Right >= b.Right && a.Bottom >= b.Bottom;
}

}  // namespace

void TGifPicture::Optimize(TGIFOptimizeOptions options, int colorReduction, int ditherMode, int reductionBits) {
  if (Empty()) return;
  StopDraw();
  int steps = images_.Count() * 6, done = 0;
  auto step = [&] { ReportProgress(pf::psRunning, steps > 0 ? ++done * 100 / steps : 100, msg::Optimizing); };
  ReportProgress(pf::psStarting, 0, msg::Optimizing);
  try {
    if (options & ooColorMap) {
      header_.ColorMap().Optimize();
      for (int i = 0; i < images_.Count(); ++i) {
        if (images_[i]->ColorMap().Count() > 0) images_[i]->ColorMap().Optimize();
        step();
      }
    }
    if (options & ooCleanup) {
      for (int i = 0; i < images_.Count(); ++i) {
        TGIFSubImage& frame = *images_[i];
        if (auto* gce = frame.GraphicControlExtension(); gce != nullptr && gce->Transparent()) {
          const uint8_t t = gce->TransparentColorIndex();
          if (std::find(frame.Data().begin(), frame.Data().end(), t) == frame.Data().end()) gce->SetTransparent(false);
        }
        const int disposal = Disposal(frame);
        if ((disposal == DisposeBackground || disposal == DisposePrevious) && !frame.Transparent() &&
            i + 1 < images_.Count() && Covers(frame.BoundsRect(), images_[i + 1]->BoundsRect()))
          frame.GraphicControlExtension()->SetDisposal(DisposeNone);
        step();
      }
    }
    if (options & ooMerge) {
      for (int i = images_.Count() - 1; i >= 1; --i) {
        TGIFSubImage& frame = *images_[i];
        int p = i - 1;
        while (p > 0 && Disposal(*images_[p]) == DisposePrevious) --p;
        TGIFSubImage& prev = *images_[p];
        step();
        if (frame.Empty() || prev.Empty()) continue;
        const int prevDisposal = Disposal(prev);
        if (prevDisposal == DisposeBackground || prevDisposal == DisposePrevious) continue;
        pf::TRect overlap;
        if (!pf::IntersectRect(overlap, frame.BoundsRect(), prev.BoundsRect())) continue;
        TGIFColorMap& map = frame.ActiveColorMap();
        TGIFColorMap& prevMap = prev.ActiveColorMap();
        const int prevT = prev.Transparent() ? prev.GraphicControlExtension()->TransparentColorIndex() : -1;
        int t = frame.Transparent() ? frame.GraphicControlExtension()->TransparentColorIndex() : -1;
        for (int y = overlap.Top; y < overlap.Bottom; ++y)
          for (int x = overlap.Left; x < overlap.Right; ++x) {
            const int px = frame.Pixels(x - frame.Left(), y - frame.Top());
            const int pp = prev.Pixels(x - prev.Left(), y - prev.Top());
            if (px == t || pp == prevT) continue;
            bool same = &map == &prevMap ? px == pp
                                         : (px < map.Count() && pp < prevMap.Count() &&
                                            std::memcmp(map.Data() + px * 3, prevMap.Data() + pp * 3, 3) == 0);
            if (!same) continue;
            if (t < 0) {
              if (map.Count() >= 256) goto nextFrame;
              for (int k = 0; k < images_.Count() && t < 0; ++k)
                if (k != i && images_[k]->Transparent() && images_[k]->ColorMap().Count() == 0 &&
                    frame.ColorMap().Count() == 0)
                  t = images_[k]->GraphicControlExtension()->TransparentColorIndex();
              if (t < 0) t = map.Add(pf::clBlack);
              TGIFGraphicControlExtension* gce = EnsureGCE(frame);
              gce->SetTransparentColorIndex(t);
              gce->SetTransparent(true);
            }
            frame.Data()[static_cast<size_t>(y - frame.Top()) * frame.Width() + (x - frame.Left())] =
                static_cast<uint8_t>(t);
          }
        frame.FreeBitmap();
      nextFrame:;
      }
    }
    if (options & ooCrop) {
      for (int i = images_.Count() - 1; i >= 0; --i) {
        TGIFSubImage& frame = *images_[i];
        step();
        if (!frame.Transparent()) continue;
        frame.Crop();
        if (!frame.Empty()) continue;
        if (i > 0 && images_[i - 1]->Transparent() && frame.GraphicControlExtension() != nullptr) {
          auto* prevGce = images_[i - 1]->GraphicControlExtension();
          // the sum stops at the largest delay a file can hold
          const int delay = prevGce->Delay() + frame.GraphicControlExtension()->Delay();
          prevGce->SetDelay(static_cast<uint16_t>(std::min(delay, 65535)));
        }
        images_.Delete(i);
      }
    }
    if (options & ooCleanup) {
      for (int i = images_.Count() - 1; i >= 0; --i) {
        TGIFSubImage& frame = *images_[i];
        auto& ext = frame.Extensions();
        for (int e = ext.Count() - 1; e >= 0; --e) {
          TGIFExtension* x = ext[e];
          bool remove = dynamic_cast<TGIFCommentExtension*>(x) != nullptr ||
                        dynamic_cast<TGIFTextExtension*>(x) != nullptr ||
                        dynamic_cast<TGIFUnknownAppExtension*>(x) != nullptr ||
                        (i != 0 && dynamic_cast<TGIFAppExtNSLoop*>(x) != nullptr);
          if (auto* gce = dynamic_cast<TGIFGraphicControlExtension*>(x))
            remove = gce->Delay() == 0 && !gce->Transparent() && !gce->UserInput() && gce->Disposal() == 0;
          if (remove) ext.Delete(e);
        }
        if (frame.Empty() && ext.Count() == 0) images_.Delete(i);
        step();
      }
    }
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
