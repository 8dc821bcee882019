// The PNG picture class: its chunks, the chunk registry and list, reading the chunks of a file and putting them in
// order for writing. Decoding and encoding of the image data: png_decode.cpp and png_encode.cpp.
#include "platform/graphics/png_image.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/graphics/bitmap_internal.h"
#include "platform/graphics/png_internal.h"

namespace pf {

using namespace png;

EPNGImageException::EPNGImageException(std::string_view text)
    : EInvalidGraphic("Portable Network Graphics format handler error\r\n\r\n" + std::string(text)) {}

namespace png {

void Fail(std::string_view text) { throw EPNGImageException(text); }

SampleLayout LayoutOf(uint8_t colorType, uint8_t depth) {
  int channels = 0;
  bool depthOk = false;
  switch (colorType) {
    case kGrey:
      channels = 1;
      depthOk = depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
      break;
    case kPalette:
      channels = 1;
      depthOk = depth == 1 || depth == 2 || depth == 4 || depth == 8;
      break;
    case kRGB:
    case kGreyAlpha:
    case kRGBA:
      channels = colorType == kRGB ? 3 : colorType == kGreyAlpha ? 2 : 4;
      depthOk = depth == 8 || depth == 16;
      break;
    default:
      Fail(kMsgColorType);
  }
  if (!depthOk) Fail(kMsgCorrupted);
  // 16-bit samples count two bytes for the filters: one byte would decode Sub, Average and Paeth rows wrongly.
  size_t filterBpp = std::max<size_t>(1, size_t(channels) * depth / 8);
  TPixelFormat format = pf24bit;
  if (colorType == kGrey || colorType == kPalette || colorType == kGreyAlpha)
    format = depth == 1 ? pf1bit : depth <= 4 ? pf4bit : pf8bit;
  return {channels, channels * depth, filterBpp, format};
}

}  // namespace png

// ---- chunks ----

namespace {

template <class T>
std::unique_ptr<TChunk> Make(TChunkList& owner) {
  return std::make_unique<T>(owner);
}

// Where the writer puts a chunk: the header, what belongs before the palette, the palette, what belongs between
// palette and image data, the image data, what follows it, the end.
enum Rank { kRankHeader, kRankBeforePalette, kRankPalette, kRankAfterPalette, kRankData, kRankAfterData, kRankEnd };

// Chunks whose layout depends on the colour type or bit depth; they no longer fit when the writer changes either.
bool DependsOnColorType(std::string_view type) { return type == "sBIT" || type == "bKGD" || type == "hIST"; }

}  // namespace

const TChunkClassInfo TChunk::Class{"TChunk", Make<TChunk>};
const TChunkClassInfo TChunkIEND::Class{"TChunkIEND", Make<TChunkIEND>};
const TChunkClassInfo TChunkIHDR::Class{"TChunkIHDR", Make<TChunkIHDR>};
const TChunkClassInfo TChunkGAMA::Class{"TChunkGAMA", Make<TChunkGAMA>};
const TChunkClassInfo TChunkIDAT::Class{"TChunkIDAT", Make<TChunkIDAT>};
const TChunkClassInfo TChunkPLTE::Class{"TChunkPLTE", Make<TChunkPLTE>};
const TChunkClassInfo TChunkTEXT::Class{"TChunkTEXT", Make<TChunkTEXT>};
const TChunkClassInfo TChunkTRNS::Class{"TChunkTRNS", Make<TChunkTRNS>};

TChunk::TChunk(TChunkList& owner) : owner_(&owner) {}
TChunk::~TChunk() = default;

TPNGImage& TChunk::Image() const { return owner_->Owner(); }

void TChunk::SetChunkType(std::string_view type) {
  type_ = std::string(type.substr(0, 4));
  type_.resize(4, ' ');
}

void TChunk::SetBytes(const uint8_t* bytes, size_t count) {
  data_.SetSize(int64_t(count));
  if (count > 0) std::memcpy(data_.Memory(), bytes, count);
}

void TChunk::Assign(const TChunk& source) {
  type_ = source.type_;
  SetBytes(source.Bytes(), source.Size());
}

void TChunk::SaveToStream(TStream& stream) {
  uint8_t head[8];
  PutBE32(head, uint32_t(Size()));
  std::memcpy(head + 4, type_.data(), 4);
  uint32_t crc = Crc32(Crc32(0, head + 4, 4), Bytes(), Size());
  uint8_t tail[4];
  PutBE32(tail, crc);
  stream.WriteBuffer(head, 8);
  if (Size() > 0) stream.WriteBuffer(Bytes(), int32_t(Size()));
  stream.WriteBuffer(tail, 4);
}

TChunkIHDR::TChunkIHDR(TChunkList& owner) : TChunk(owner) { Data().SetSize(kIHDRSize); }

uint32_t TChunkIHDR::Get32(size_t at) const { return Size() >= at + 4 ? GetBE32(Bytes() + at) : 0; }
uint8_t TChunkIHDR::Get8(size_t at) const { return Size() > at ? Bytes()[at] : 0; }

void TChunkIHDR::Set32(size_t at, uint32_t value) {
  if (Size() < kIHDRSize) Data().SetSize(kIHDRSize);
  PutBE32(Data().Memory() + at, value);
}

void TChunkIHDR::Set8(size_t at, uint8_t value) {
  if (Size() < kIHDRSize) Data().SetSize(kIHDRSize);
  Data().Memory()[at] = value;
}

void TChunkIHDR::SetWidth(uint32_t value) {
  Set32(0, value);
  Image().SetSize(int32_t(std::min<uint32_t>(value, kMaxChunkLength)), Image().Height());
}

void TChunkIHDR::SetHeight(uint32_t value) {
  Set32(4, value);
  Image().SetSize(Image().Width(), int32_t(std::min<uint32_t>(value, kMaxChunkLength)));
}

void TChunkIHDR::SaveToStream(TStream& stream) {
  const TPNGImage& image = Image();
  bool palette = IsPaletteFormat(image.PixelFormat());
  Set32(0, uint32_t(image.Width()));
  Set32(4, uint32_t(image.Height()));
  SetBitDepth(palette ? uint8_t(image.BitsPerPixel()) : 8);
  SetColorType(palette ? kPalette : kRGB);
  SetCompressionMethod(0);
  SetFilterMethod(0);
  SetInterlaceMethod(kInterlaceNone);
  TChunk::SaveToStream(stream);
}

TChunkGAMA::TChunkGAMA(TChunkList& owner) : TChunk(owner) { SetGamma(100000); }

uint32_t TChunkGAMA::Gamma() const { return Size() >= kGAMASize ? GetBE32(Bytes()) : 0; }

void TChunkGAMA::SetGamma(uint32_t value) {
  Data().SetSize(kGAMASize);
  PutBE32(Data().Memory(), value);
}

void TChunkGAMA::Process() { BuildTables(); }

const std::array<uint8_t, 256>& TChunkGAMA::GammaTable() const {
  BuildTables();
  return correction_;
}

const std::array<uint8_t, 256>& TChunkGAMA::InverseTable() const {
  BuildTables();
  return inverse_;
}

void TChunkGAMA::BuildTables() const {
  const uint32_t stored = Gamma();
  if (tablesFor_ == stored) return;
  tablesFor_ = stored;
  std::array<bool, 256> filled{};
  for (int i = 0; i < 256; ++i) {
    correction_[i] =
        stored == 0 ? uint8_t(i) : uint8_t(std::lround(255.0 * std::pow(i / 255.0, 1.0 / (stored / 100000.0 * 2.2))));
    inverse_[correction_[i]] = uint8_t(i);
    filled[correction_[i]] = true;
  }
  for (int v = 1; v < 256; ++v)
    if (!filled[v]) inverse_[v] = inverse_[v - 1];  // correction[0] is 0, so entry 0 is always filled
}

TChunkPLTE::~TChunkPLTE() {
  if (palette_ && Image().GetPalette() == palette_) Image().SetPalette(nullptr);
}

HPALETTE TChunkPLTE::MakePalette(const uint8_t* gamma, int bitDepth) {
  const size_t count = Size() / 3;
  if (Size() % 3 != 0 || count == 0 || count > 256) Fail(kMsgBadPalette);
  std::vector<TPaletteEntry> entries(count);
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* p = Bytes() + 3 * i;
    entries[i] = gamma ? TPaletteEntry{gamma[p[0]], gamma[p[1]], gamma[p[2]], 0} : TPaletteEntry{p[0], p[1], p[2], 0};
  }
  for (size_t i = count; bitDepth == 2 && i < 16; ++i)
    entries.push_back(i % 4 < count ? entries[i % 4] : TPaletteEntry{});
  palette_ = CreatePalette(entries.data(), int(entries.size()));
  return palette_;
}

void TChunkPLTE::SaveToStream(TStream& stream) {
  const TPNGImage& image = Image();
  const TChunkGAMA* gama = Owner().Find<TChunkGAMA>();
  std::vector<uint8_t> bytes;
  for (const TRGBQuad& q : image.ColorTable()) {
    for (uint8_t v : {q.rgbRed, q.rgbGreen, q.rgbBlue}) bytes.push_back(gama ? gama->InverseTable()[v] : v);
  }
  SetBytes(bytes.data(), bytes.size());
  TChunk::SaveToStream(stream);
}

TChunkTEXT::TChunkTEXT(TChunkList& owner) : TChunk(owner) { Data().SetSize(2); }

TColor TChunkTRNS::TransparentColor() const {
  const TChunkIHDR* header = Owner().Find<TChunkIHDR>();
  if (!header || header->ColorType() != kRGB) Fail(kMsgNotRGB);
  if (Size() < 6) return clNone;
  const size_t at = header->BitDepth() == 16 ? 0 : 1;  // the high byte of 16-bit samples, else the sample's value
  return RGB(Bytes()[at], Bytes()[2 + at], Bytes()[4 + at]);
}

bool TChunkTRNS::KeySamples(std::array<uint16_t, 3>& samples) const {
  const TChunkIHDR* header = Owner().Find<TChunkIHDR>();
  if (!header || header->ColorType() != kRGB || Size() < 6) return false;
  for (size_t i = 0; i < 3; ++i) samples[i] = uint16_t(Bytes()[2 * i] << 8 | Bytes()[2 * i + 1]);
  return true;
}

int TChunkTRNS::FirstTransparentEntry() const {
  const TChunkIHDR* header = Owner().Find<TChunkIHDR>();
  TChunkPLTE* palette = Owner().Find<TChunkPLTE>();
  // Alphas for more entries than the palette has make the chunk invalid: it counts for nothing.
  if (!header || header->ColorType() != kPalette || !palette || Size() > size_t(palette->Data().Size()) / 3) return -1;
  for (size_t i = 0; i < Size(); ++i)
    if (Bytes()[i] == 0) return int(i);
  return -1;
}

void TChunkTRNS::SetTransparentColor(TColor color) {
  const uint8_t bytes[6] = {0, GetRValue(color), 0, GetGValue(color), 0, GetBValue(color)};
  SetBytes(bytes, sizeof bytes);
}

void TChunkTRNS::SaveToStream(TStream& stream) {
  const TChunkIHDR* header = Owner().Find<TChunkIHDR>();
  if (header && header->ColorType() == kRGB) {
    TColor c = ColorToDrawRGB(Image().TransparentColor());
    if (const TChunkGAMA* gama = Owner().Find<TChunkGAMA>()) {
      const auto& inverse = gama->InverseTable();
      c = RGB(inverse[GetRValue(c)], inverse[GetGValue(c)], inverse[GetBValue(c)]);
    }
    SetTransparentColor(c);
  } else {
    SetBytes(nullptr, 0);
  }
  TChunk::SaveToStream(stream);
}

// ---- registry ----

TChunkClass TChunkClasses::Item(int index) const {
  if (index < 0 || index >= Count()) Fail(kMsgClassIndex);
  return entries_[size_t(index)].chunkClass;
}

const std::string& TChunkClasses::ChunkType(int index) const {
  if (index < 0 || index >= Count()) Fail(kMsgClassIndex);
  return entries_[size_t(index)].type;
}

int TChunkClasses::IndexOfType(std::string_view type) const {
  for (size_t i = 0; i < entries_.size(); ++i)
    if (type.size() == 4 && std::memcmp(entries_[i].type.data(), type.data(), 4) == 0) return int(i);
  return -1;
}

TChunkClass TChunkClasses::ClassOfType(std::string_view type) const {
  int i = IndexOfType(type);
  return i < 0 ? nullptr : entries_[size_t(i)].chunkClass;
}

std::string TChunkClasses::TypeOfClass(TChunkClass chunkClass) const {
  for (const Entry& e : entries_)
    if (e.chunkClass == chunkClass) return e.type;
  return "";
}

void TChunkClasses::Add(std::string_view type, TChunkClass chunkClass) {
  entries_.push_back({std::string(type.substr(0, 4)), chunkClass});
}

TChunkClasses& ChunkClasses() {
  static TChunkClasses classes = [] {
    TChunkClasses c;
    c.Add("IEND", &TChunkIEND::Class);
    c.Add("IHDR", &TChunkIHDR::Class);
    c.Add("gAMA", &TChunkGAMA::Class);
    c.Add("IDAT", &TChunkIDAT::Class);
    c.Add("PLTE", &TChunkPLTE::Class);
    c.Add("tEXt", &TChunkTEXT::Class);
    c.Add("tRNS", &TChunkTRNS::Class);
    // A time stamp, not transparency: taken as a transparent colour it would hide pixels of the year's colour.
    c.Add("tIME", &TChunk::Class);
    return c;
  }();
  return classes;
}

// ---- chunk list ----

TChunkList::~TChunkList() { Clear(); }

TChunk& TChunkList::Item(int index) const {
  if (index < 0 || index >= Count()) Fail(kMsgChunkIndex);
  return *items_[size_t(index)];
}

int TChunkList::IndexOfClass(TChunkClass chunkClass) const {
  for (size_t i = 0; i < items_.size(); ++i)
    if (items_[i]->ClassType() == chunkClass) return int(i);
  return -1;
}

TChunk& TChunkList::Add(std::unique_ptr<TChunk> chunk) { return Insert(Count(), std::move(chunk)); }

TChunk& TChunkList::AddNew(TChunkClass chunkClass) {
  auto chunk = chunkClass->create(*this);
  chunk->SetChunkType(ChunkClasses().TypeOfClass(chunkClass));
  return Add(std::move(chunk));
}

TChunk& TChunkList::Insert(int index, std::unique_ptr<TChunk> chunk) {
  index = std::clamp(index, 0, Count());
  return **items_.insert(items_.begin() + index, std::move(chunk));
}

void TChunkList::Move(int curIndex, int newIndex) {
  if (curIndex < 0 || curIndex >= Count() || newIndex < 0 || newIndex >= Count()) Fail(kMsgChunkIndex);
  auto chunk = std::move(items_[size_t(curIndex)]);
  items_.erase(items_.begin() + curIndex);
  items_.insert(items_.begin() + newIndex, std::move(chunk));
}

void TChunkList::Remove(TChunk& chunk) {
  auto it = std::find_if(items_.begin(), items_.end(), [&](const auto& p) { return p.get() == &chunk; });
  if (it == items_.end()) Fail(kMsgNotInList);
  items_.erase(it);
}

void TChunkList::Clear() {
  while (!items_.empty()) items_.pop_back();
}

// ---- the picture ----

TPNGImage::TPNGImage() : chunks_(std::make_unique<TChunkList>(*this)) {}

TPNGImage::~TPNGImage() {
  OnChange = nullptr;  // the palette handed back while the chunks go is no change anyone should hear of
  chunks_->Clear();
}

void TPNGImage::Assign(const TPersistent& source) {
  if (auto* other = dynamic_cast<const TPNGImage*>(&source); other && other != this) {
    chunks_->Clear();
    for (int i = 0; i < other->chunks_->Count(); ++i) {
      const TChunk& from = other->chunks_->Item(i);
      TChunkClass chunkClass = ChunkClasses().ClassOfType(from.ChunkType());
      TChunk& to = chunks_->Add(chunkClass ? chunkClass->create(*chunks_) : std::make_unique<TChunk>(*chunks_));
      to.Assign(from);
    }
    filters_ = other->filters_;
    interlace_ = other->interlace_;
    keyMask_.reset();
    if (other->keyMask_) {
      keyMask_ = std::make_unique<TBitmap>();
      keyMask_->Assign(*other->keyMask_);
    }
  }
  TBitmap::Assign(source);
}

void TPNGImage::Report(TProgressStage stage, int percent) {
  Progress(*this, stage, uint8_t(percent), false, Rect(0, 0, Width(), Height()), std::string(kMsgProgress));
}

void TPNGImage::ReadChunks(TStream& stream) {
  const int64_t size = stream.Size();
  uint8_t signature[8];
  if (stream.Read(signature, 8) != 8 || std::memcmp(signature, kSignature, 8) != 0) Fail(kMsgHeader);
  TChunk* data = nullptr;  // the first IDAT; later ones are appended to it
  while (stream.Position() < size) {
    uint8_t head[8];
    if (stream.Read(head, 8) != 8) Fail(kMsgCorrupted);
    const uint32_t length = GetBE32(head);
    const std::string_view type(reinterpret_cast<const char*>(head + 4), 4);
    // The length is checked against what the stream holds before anything is allocated.
    if (length > kMaxChunkLength || int64_t(length) + 4 > size - stream.Position()) Fail(kMsgCorrupted);
    TChunkClass chunkClass = ChunkClasses().ClassOfType(type);
    const bool critical = (head[4] & 0x20) == 0;
    if (!chunkClass && critical) Fail(kMsgCritical);
    TChunk* chunk = data;
    if (chunkClass != &TChunkIDAT::Class || !data) {
      chunk = &chunks_->Add(chunkClass ? chunkClass->create(*chunks_) : std::make_unique<TChunk>(*chunks_));
      chunk->SetChunkType(type);
      chunk->Data().SetSize(0);
      if (chunkClass == &TChunkIDAT::Class) data = chunk;
    }
    TMemoryStream& bytes = chunk->Data();
    const int64_t at = bytes.Size();
    bytes.SetSize(at + length);
    uint8_t crc[4];
    if (stream.Read(bytes.Memory() + at, int32_t(length)) != int32_t(length) || stream.Read(crc, 4) != 4)
      Fail(kMsgCorrupted);
    if (Crc32(Crc32(0, head + 4, 4), bytes.Memory() + at, length) != GetBE32(crc)) Fail(kMsgCorrupted);
    if ((chunkClass == &TChunkIHDR::Class && length != kIHDRSize) ||
        (chunkClass == &TChunkGAMA::Class && length != kGAMASize))
      Fail(kMsgCorrupted);
    // Transparency after the image data is out of place: it counts for nothing.
    if (chunkClass == &TChunkTRNS::Class && data) chunks_->Remove(*chunk);
    if (chunkClass == &TChunkIEND::Class) break;
  }
}

void TPNGImage::LoadFromStream(TStream& stream) {
  SetTransparent(false);
  SetTransparentColor(clDefault);
  SetSize(0, 0);
  keyMask_.reset();
  chunks_->Clear();
  try {
    ReadChunks(stream);
    if (chunks_->Count() == 0 || chunks_->Item(0).ClassType() != &TChunkIHDR::Class) Fail(kMsgNoIHDR);
    if (!chunks_->Find<TChunkIDAT>()) Fail(kMsgNoData);
    for (int i = 0; i < chunks_->Count(); ++i) chunks_->Item(i).Process();
    const TChunkTRNS* trns = chunks_->Find<TChunkTRNS>();
    if (trns && chunks_->Find<TChunkIHDR>()->ColorType() == kRGB) {
      TColor c = trns->TransparentColor();
      if (c != clNone) {
        if (const TChunkGAMA* gama = chunks_->Find<TChunkGAMA>()) {  // the pixels it must match are corrected too
          const auto& table = gama->GammaTable();
          c = RGB(table[GetRValue(c)], table[GetGValue(c)], table[GetBValue(c)]);
        }
        SetTransparentColor(c);
        SetTransparent(true);
      }
    }
  } catch (...) {
    SetSize(0, 0);  // no half-decoded picture
    keyMask_.reset();
    throw;
  }
}

// Puts the chunk list in the form the writer needs: exactly one IHDR, PLTE (palette bitmaps only), tRNS (transparent
// RGB pictures only), IDAT and IEND, in the order the format requires.
void TPNGImage::PrepareChunksForSaving() const {
  TChunkList& list = *chunks_;
  auto& items = list.items_;
  if (items.empty()) {
    list.AddNew(&TChunkIHDR::Class);
    list.AddNew(&TChunkIDAT::Class);
    list.AddNew(&TChunkIEND::Class);
  }
  const bool palette = IsPaletteFormat(PixelFormat());
  const uint8_t depth = palette ? uint8_t(BitsPerPixel()) : 8;
  const TChunkIHDR* header = list.Find<TChunkIHDR>();
  if (header && (header->ColorType() != (palette ? kPalette : kRGB) || header->BitDepth() != depth))
    std::erase_if(items, [](const auto& c) { return DependsOnColorType(c->ChunkType()); });
  // Exactly one chunk of the class when wanted, none otherwise.
  auto single = [&](TChunkClass chunkClass, bool wanted) {
    bool seen = false;
    std::erase_if(items, [&](const auto& c) {
      if (c->ClassType() != chunkClass) return false;
      bool drop = !wanted || seen;
      seen = true;
      return drop;
    });
    if (wanted && !seen) list.AddNew(chunkClass);
  };
  single(&TChunkIHDR::Class, true);
  single(&TChunkPLTE::Class, palette);
  single(&TChunkTRNS::Class, Transparent() && !palette);
  single(&TChunkIDAT::Class, true);
  single(&TChunkIEND::Class, true);
  const TChunk* data = list.Find<TChunkIDAT>();
  bool afterData = false;
  std::vector<std::pair<Rank, std::unique_ptr<TChunk>>> ranked;
  for (auto& c : items) {
    TChunkClass k = c->ClassType();
    const std::string& type = c->ChunkType();
    afterData = afterData || c.get() == data;
    Rank rank = k == &TChunkIHDR::Class                                       ? kRankHeader
                : k == &TChunkPLTE::Class                                     ? kRankPalette
                : k == &TChunkTRNS::Class || type == "bKGD" || type == "hIST" ? kRankAfterPalette
                : k == &TChunkIDAT::Class                                     ? kRankData
                : k == &TChunkIEND::Class                                     ? kRankEnd
                : k == &TChunkGAMA::Class || !afterData                       ? kRankBeforePalette
                                                                              : kRankAfterData;
    ranked.emplace_back(rank, std::move(c));
  }
  std::stable_sort(ranked.begin(), ranked.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  for (size_t i = 0; i < ranked.size(); ++i) items[i] = std::move(ranked[i].second);
}

void TPNGImage::SaveToStream(TStream& stream) const {
  if (Empty()) Fail(kMsgEmpty);
  PrepareChunksForSaving();
  stream.WriteBuffer(kSignature, 8);
  for (int i = 0; i < chunks_->Count(); ++i) {
    TChunk& chunk = chunks_->Item(i);
    if ((chunk.ChunkType()[3] & 0x20) == 0) chunk.SaveToStream(stream);  // a lower-case fourth letter: not written
  }
}

}  // namespace pf
