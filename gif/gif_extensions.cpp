// Extension blocks, the extension list in front of a frame, and the class registries.
#include "gif/gif_image.h"

#include <algorithm>

#include "gif/gif_io.h"

namespace gif {

namespace {

// Data sub-blocks: each string becomes sub-blocks of at most 255 bytes; one terminator after all.
void WriteSubBlocks(pf::TStream& s, const pf::TStrings& lines) {
  for (int i = 0; i < lines.Count(); ++i) {
    const std::string& line = lines[i];
    for (size_t pos = 0; pos < line.size(); pos += kMaxSubBlockSize) {
      const size_t n = std::min<size_t>(kMaxSubBlockSize, line.size() - pos);
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

// Sub-blocks of the loop extension: the id in the low three bits of the first byte.
constexpr uint8_t kLoopBlockIdMask = 0x07;
constexpr uint8_t kLoopBlockId = 1;        // then the loop count
constexpr uint8_t kBufferSizeBlockId = 2;  // then the buffer size

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
      {kPlainTextLabel, [](TGIFSubImage* s) { return std::make_unique<TGIFTextExtension>(s); }},
      {kGraphicControlLabel, [](TGIFSubImage* s) { return std::make_unique<TGIFGraphicControlExtension>(s); }},
      {kCommentLabel, [](TGIFSubImage* s) { return std::make_unique<TGIFCommentExtension>(s); }},
      {kApplicationLabel, [](TGIFSubImage* s) { return std::make_unique<TGIFApplicationExtension>(s); }},
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
  uint8_t ident[kApplicationIdSize];
  if (s.Read(&size, 1) == 1) {
    if (size == kApplicationIdSize && s.Read(ident, kApplicationIdSize) == kApplicationIdSize) {
      std::string id(reinterpret_cast<const char*>(ident), kApplicationIdSize);
      result = [](TGIFSubImage* sub) { return std::make_unique<TGIFUnknownAppExtension>(sub); };
      auto& r = AppRegistry();
      for (auto it = r.rbegin(); it != r.rend(); ++it)
        if (it->identifier == id) {
          result = it->factory;
          break;
        }
    } else if (size >= kApplicationIdSize - 1) {
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
  id.resize(kApplicationIdSize, '\0');
  AppRegistry().push_back({id, std::move(factory)});
}

// --- extensions --------------------------------------------------------------------------------------------------

TGIFExtension::TGIFExtension(TGIFSubImage* subImage)
    : TGIFItem(subImage != nullptr ? subImage->Image() : nullptr), subImage_(subImage) {}

void TGIFExtension::SaveToStream(pf::TStream& stream) const {
  WriteByte(stream, kExtensionIntroducer);
  WriteByte(stream, GetExtensionType());
}

void TGIFExtension::LoadFromStream(pf::TStream& stream) {
  if (ReadByte(stream) != kExtensionIntroducer) throw GIFException(msg::InvalidIntroducer);
  if (ReadByte(stream) != GetExtensionType()) throw GIFException(msg::ExtensionMismatch);
}

std::unique_ptr<TGIFExtension> TGIFExtension::CloneFor(TGIFSubImage* subImage) const {
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

void TGIFGraphicControlExtension::SaveToStream(pf::TStream& stream) const {
  TGIFExtension::SaveToStream(stream);
  uint8_t block[kGraphicControlSize] = {kGraphicControlSize - 2, packed_, 0, 0, transparentIndex_, 0};
  PutWord(block + 2, delay_);
  stream.WriteBuffer(block, kGraphicControlSize);
}

void TGIFGraphicControlExtension::LoadFromStream(pf::TStream& stream) {
  TGIFExtension::LoadFromStream(stream);
  uint8_t block[kGraphicControlSize] = {};
  const int32_t got = stream.Read(block, kGraphicControlSize);
  if (got < kGraphicControlSize) Warning(1, msg::PrematureEnd);
  // taken as stored: the frame's local table is not read yet, so the index is not checked here
  packed_ = block[1];
  delay_ = Word(block + 2);
  transparentIndex_ = block[4];
  if (got >= 2 && (packed_ & kGceTransparent) && subImage_ != nullptr && subImage_->gce_ == this)
    subImage_->transparent_ = true;
}

void TGIFGraphicControlExtension::SetDisposal(int value) {
  packed_ = static_cast<uint8_t>((packed_ & ~kGceDisposalMask) | ((value << kGceDisposalShift) & kGceDisposalMask));
}

void TGIFGraphicControlExtension::SetTransparent(bool value) {
  packed_ = static_cast<uint8_t>(value ? packed_ | kGceTransparent : packed_ & ~kGceTransparent);
  if (subImage_ != nullptr && subImage_->gce_ == this) {
    subImage_->transparent_ = value;
    subImage_->maskDirty_ = true;
    subImage_->FreeBitmap();
  }
}

void TGIFGraphicControlExtension::SetUserInput(bool value) {
  packed_ = static_cast<uint8_t>(value ? packed_ | kGceUserInput : packed_ & ~kGceUserInput);
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

void TGIFTextExtension::SaveToStream(pf::TStream& stream) const {
  TGIFExtension::SaveToStream(stream);
  uint8_t block[kPlainTextSize] = {kPlainTextSize - 1};
  PutWord(block + 1, Left);
  PutWord(block + 3, Top);
  PutWord(block + 5, GridWidth);
  PutWord(block + 7, GridHeight);
  block[9] = CharWidth;
  block[10] = CharHeight;
  block[11] = ForegroundColorIndex;
  block[12] = BackgroundColorIndex;
  stream.WriteBuffer(block, kPlainTextSize);
  WriteSubBlocks(stream, Text);
}

void TGIFTextExtension::LoadFromStream(pf::TStream& stream) {
  TGIFExtension::LoadFromStream(stream);
  uint8_t block[kPlainTextSize];
  ReadFixed(stream, block, kPlainTextSize);
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

void TGIFCommentExtension::SaveToStream(pf::TStream& stream) const {
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

void TGIFApplicationExtension::SaveToStream(pf::TStream& stream) const {
  TGIFExtension::SaveToStream(stream);
  WriteByte(stream, kApplicationIdSize);
  std::string id = Identifier, auth = Authentication;
  id.resize(8, '\0');
  auth.resize(3, '\0');
  stream.WriteBuffer(id.data(), 8);
  stream.WriteBuffer(auth.data(), 3);
  SaveData(stream);
}

void TGIFApplicationExtension::LoadFromStream(pf::TStream& stream) {
  TGIFExtension::LoadFromStream(stream);
  const uint8_t size = ReadByte(stream);
  // A block one byte short keeps a zero last byte of the authentication code; longer blocks lose their extra bytes.
  if (size < kApplicationIdSize - 1) throw GIFException(msg::UnsupportedAppBlockSize);
  char ident[kApplicationIdSize] = {};
  ReadFixed(stream, ident, kApplicationIdSize);
  if (size < kApplicationIdSize) {
    stream.Seek(-1, pf::soCurrent);
    ident[kApplicationIdSize - 1] = 0;
  }
  for (int i = kApplicationIdSize; i < size; ++i) ReadByte(stream);
  Identifier.assign(ident, 8);
  Authentication.assign(ident + 8, 3);
  LoadData(stream);
}

void TGIFApplicationExtension::SaveData(pf::TStream& stream) const { WriteByte(stream, 0); }

void TGIFApplicationExtension::LoadData(pf::TStream& stream) {
  uint8_t scratch[kMaxSubBlockSize];
  for (;;) {
    uint8_t size = 0;
    if (stream.Read(&size, 1) != 1 || size == 0) return;
    if (stream.Read(scratch, size) != size) throw GIFException(msg::PrematureEnd);
  }
}

void TGIFUnknownAppExtension::SaveData(pf::TStream& stream) const {
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

void TGIFAppExtNSLoop::SaveData(pf::TStream& stream) const {
  uint8_t loop[4] = {3, kLoopBlockId};
  PutWord(loop + 2, Loops);
  stream.WriteBuffer(loop, 4);
  if (BufferSize != 0) {
    uint8_t buffer[6] = {5, kBufferSizeBlockId};
    PutWord(buffer + 2, static_cast<uint16_t>(BufferSize));
    PutWord(buffer + 4, static_cast<uint16_t>(BufferSize >> 16));
    stream.WriteBuffer(buffer, 6);
  }
  WriteByte(stream, 0);
}

void TGIFAppExtNSLoop::LoadData(pf::TStream& stream) {
  for (;;) {
    uint8_t size = 0;
    if (stream.Read(&size, 1) != 1 || size == 0) return;
    std::vector<uint8_t> block(size);
    ReadFixed(stream, block.data(), size);
    const int id = block[0] & kLoopBlockIdMask;
    if (id == kLoopBlockId) {
      if (size < 3) throw GIFException(msg::InvalidData);
      Loops = Word(block.data() + 1);
    } else if (id == kBufferSizeBlockId) {
      if (size < 5) throw GIFException(msg::InvalidData);
      BufferSize = Word(block.data() + 1) | (static_cast<uint32_t>(Word(block.data() + 3)) << 16);
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

void TGIFExtensionList::SaveToStream(pf::TStream& stream) const {
  for (const auto& e : items_) e->SaveToStream(stream);
}

void TGIFExtensionList::Warning(int severity, const std::string& message) const {
  if (subImage_ != nullptr) subImage_->Warning(severity, message);
}

void TGIFExtensionList::LoadFromStream(pf::TStream& stream) {
  for (;;) {
    int next = PeekByte(stream);
    if (next < 0 || next == kImageSeparator || next == kTrailerByte) return;
    if (next != kExtensionIntroducer) {
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
    if (label == kApplicationLabel) {
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

}  // namespace gif
