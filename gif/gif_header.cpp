// The parts of a stream around the frames: the items' common base, the logical screen with the global map, and
// the trailer.
#include "gif/gif_image.h"

#include <algorithm>
#include <cctype>

#include "gif/gif_io.h"

namespace gif {

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

// --- TGIFItem ----------------------------------------------------------------------------------------------------

void TGIFItem::Warning(int severity, const std::string& message) const {
  if (image_ != nullptr) image_->Warning(*this, severity, message);
}

void TGIFItem::SaveToFile(const std::string& fileName) const {
  pf::TMemoryStream s;
  SaveToStream(s);
  s.SaveToFile(fileName);
}

void TGIFItem::LoadFromFile(const std::string& fileName) {
  pf::TFileStream s(fileName, pf::fmOpenRead | pf::fmShareDenyWrite);
  LoadFromStream(s);
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

uint8_t TGIFHeader::PackedFields() const {
  int largestLocal = 0;
  if (image_ != nullptr) {
    const TGifPictureList& images = image_->Images();
    for (int i = 0; i < images.Count(); ++i)
      largestLocal = std::max(largestLocal, images[i]->ColorMap().BitsPerPixel());
  }
  const bool global = colorMap_.Count() > 0;
  const int globalBits = colorMap_.BitsPerPixel();
  // Without any colours both fields come out as 7 (-1 in three bits).
  const int resolution = std::max(globalBits, largestLocal) - 1;
  const int size = (global ? globalBits : largestLocal) - 1;
  uint8_t packed = static_cast<uint8_t>(((resolution & 7) << kScreenResolutionShift) | (size & kMapSizeMask));
  if (global) packed |= kScreenGlobalMap;
  if (colorMap_.Optimized()) packed |= kScreenSorted;
  return packed;
}

void TGIFHeader::SaveToStream(pf::TStream& stream) const {
  const int version = image_ != nullptr ? image_->Version() : GetVersion();
  if (version == gvUnknown) throw GIFException(msg::UnsupportedVersion);
  const uint8_t packed = PackedFields();
  stream.WriteBuffer("GIF", 3);
  stream.WriteBuffer(GIFVersionString(version), 3);
  WriteWord(stream, Width);
  WriteWord(stream, Height);
  WriteByte(stream, packed);
  WriteByte(stream, BackgroundColorIndex);
  WriteByte(stream, AspectRatio);
  if (packed & kScreenGlobalMap) colorMap_.SaveToStream(stream);
}

void TGIFHeader::LoadFromStream(pf::TStream& stream) {
  const int64_t start = stream.Position();
  char signature[kSignatureSize];
  auto isGif = [&] {
    return stream.Read(signature, kSignatureSize) == kSignatureSize &&
           std::toupper(static_cast<unsigned char>(signature[0])) == 'G' &&
           std::toupper(static_cast<unsigned char>(signature[1])) == 'I' &&
           std::toupper(static_cast<unsigned char>(signature[2])) == 'F';
  };
  if (!isGif()) {
    // up to four bytes of junk in front of the signature are tolerated
    stream.SetPosition(start + 4);
    if (!isGif()) throw GIFException(msg::InvalidSignature);
  }
  LoadedVersion.assign(signature + 3, 3);
  uint8_t d[kScreenDescriptorSize];
  ReadFixed(stream, d, kScreenDescriptorSize);
  Width = Word(d);
  Height = Word(d + 2);
  Packed = d[4];
  BackgroundColorIndex = d[5];
  AspectRatio = d[6];
  if (Packed & kScreenGlobalMap) {
    colorMap_.LoadFromStream(stream, MapEntries(Packed));
    colorMap_.SetOptimized((Packed & kScreenSorted) != 0);
  } else {
    colorMap_.Clear();
  }
}

// --- TGIFTrailer -------------------------------------------------------------------------------------------------

void TGIFTrailer::SaveToStream(pf::TStream& stream) const { WriteByte(stream, kTrailerByte); }

void TGIFTrailer::LoadFromStream(pf::TStream& stream) {
  uint8_t b = 0;
  if (stream.Read(&b, 1) == 1 && b != kTrailerByte) Warning(1, msg::InvalidTrailer);
}

}  // namespace gif
