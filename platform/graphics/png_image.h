// TPNGImage: PNG pictures read into and written from a bitmap, with the file's chunks kept in a list.
//
// Reading takes every colour type and bit depth, Adam7 interlacing and every filter; it stores palette and grey
// pictures as 1-, 4- or 8-bit bitmaps (2-bit samples as 4-bit pixels), colour pictures as 24-bit bitmaps. Samples of
// 16 bits keep their high byte and alpha samples are dropped; a gAMA chunk corrects colours for a display gamma of
// 2.2. The transparent colour of an RGB picture (its tRNS chunk) makes the bitmap transparent, and the pixels that
// match it in every bit of their samples make the picture's key mask; a tRNS chunk after the image data is dropped.
// Writing gives a colour-type-3 picture for 1-, 4- and 8-bit bitmaps and a colour-type-2 picture (8 bits) for the
// others, never interlaced. Chunks whose fourth letter is lower-case are not written.
// Every failure raises EPNGImageException; damaged data never read beyond what the file holds.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/exceptions.h"
#include "platform/core/streams.h"
#include "platform/graphics/bitmap.h"

namespace pf {

// Message: "Portable Network Graphics format handler error" + two line breaks + the specific text.
class EPNGImageException : public EInvalidGraphic {
 public:
  explicit EPNGImageException(std::string_view text);
};

class TChunk;
class TChunkList;
class TPNGImage;

// A chunk class: its name and how to make a chunk of it.
struct TChunkClassInfo {
  const char* className;
  std::unique_ptr<TChunk> (*create)(TChunkList& owner);
};
using TChunkClass = const TChunkClassInfo*;

// One chunk: its 4-character type and its data. The frame (length, type, CRC) is made on saving.
class TChunk {
 public:
  static const TChunkClassInfo Class;
  explicit TChunk(TChunkList& owner);
  virtual ~TChunk();
  TChunk(const TChunk&) = delete;
  TChunk& operator=(const TChunk&) = delete;
  virtual TChunkClass ClassType() const { return &Class; }

  // Runs once the whole file is read.
  virtual void Process() {}
  // Copies the type and data of another chunk.
  virtual void Assign(const TChunk& source);
  // Writes the chunk: big-endian length, type, data, big-endian CRC-32 over type and data. The chunk classes that
  // mirror the bitmap refresh their data from it first.
  virtual void SaveToStream(TStream& stream);

  TChunkList& Owner() const { return *owner_; }
  TMemoryStream& Data() { return data_; }
  const TMemoryStream& Data() const { return data_; }
  const std::string& ChunkType() const { return type_; }
  void SetChunkType(std::string_view type);  // the first 4 characters, padded with blanks

 protected:
  TPNGImage& Image() const;
  // Data as bytes (nullptr when empty) and their count.
  const uint8_t* Bytes() const { return data_.Memory(); }
  size_t Size() const { return size_t(const_cast<TMemoryStream&>(data_).Size()); }
  void SetBytes(const uint8_t* bytes, size_t count);

 private:
  TChunkList* owner_;
  TMemoryStream data_;
  std::string type_ = "    ";
};

class TChunkIEND : public TChunk {
 public:
  static const TChunkClassInfo Class;
  using TChunk::TChunk;
  TChunkClass ClassType() const override { return &Class; }
};

// The header: width, height, bit depth, colour type, compression, filter and interlace method.
class TChunkIHDR : public TChunk {
 public:
  static const TChunkClassInfo Class;
  explicit TChunkIHDR(TChunkList& owner);  // 13 zero bytes
  TChunkClass ClassType() const override { return &Class; }
  void SaveToStream(TStream& stream) override;  // refreshed from the bitmap

  uint32_t Width() const { return Get32(0); }
  uint32_t Height() const { return Get32(4); }
  uint8_t BitDepth() const { return Get8(8); }
  uint8_t ColorType() const { return Get8(9); }
  uint8_t CompressionMethod() const { return Get8(10); }
  uint8_t FilterMethod() const { return Get8(11); }
  uint8_t InterlaceMethod() const { return Get8(12); }
  // Setting the width or height also resizes the bitmap.
  void SetWidth(uint32_t value);
  void SetHeight(uint32_t value);
  void SetBitDepth(uint8_t value) { Set8(8, value); }
  void SetColorType(uint8_t value) { Set8(9, value); }
  void SetCompressionMethod(uint8_t value) { Set8(10, value); }
  void SetFilterMethod(uint8_t value) { Set8(11, value); }
  void SetInterlaceMethod(uint8_t value) { Set8(12, value); }

 private:
  uint32_t Get32(size_t at) const;
  uint8_t Get8(size_t at) const;
  void Set32(size_t at, uint32_t value);
  void Set8(size_t at, uint8_t value);
};

// The file's gamma (stored value / 100000) and the tables that correct decoded colours for a display gamma of 2.2
// and take corrected colours back on writing. A stored value of 0 (not allowed by the format) corrects nothing.
class TChunkGAMA : public TChunk {
 public:
  static const TChunkClassInfo Class;
  explicit TChunkGAMA(TChunkList& owner);  // gamma 1.0 (stored 100000)
  TChunkClass ClassType() const override { return &Class; }
  void Process() override;

  uint32_t Gamma() const;
  void SetGamma(uint32_t value);
  // correction[i] = round(255 x (i/255)^(1 / (gamma x 2.2))); inverse[correction[i]] = i, the values no
  // correction reaches taking the next lower filled entry, so that a saved colour never turns black. Both follow
  // the chunk's data, whenever it was read or set.
  const std::array<uint8_t, 256>& GammaTable() const;
  const std::array<uint8_t, 256>& InverseTable() const;

 private:
  void BuildTables() const;
  mutable std::array<uint8_t, 256> correction_{};
  mutable std::array<uint8_t, 256> inverse_{};
  mutable int64_t tablesFor_ = -1;  // the stored value the tables were built for
};

// The image data: all IDAT chunks of a file merged into one. Process decodes it into the bitmap; saving encodes
// the bitmap's rows.
class TChunkIDAT : public TChunk {
 public:
  static const TChunkClassInfo Class;
  using TChunk::TChunk;
  TChunkClass ClassType() const override { return &Class; }
  void Process() override;
  void SaveToStream(TStream& stream) override;
};

// The palette. It keeps the palette handle it made for the bitmap; when freed while the bitmap still uses that
// handle, the bitmap gets its own handle again.
class TChunkPLTE : public TChunk {
 public:
  static const TChunkClassInfo Class;
  using TChunk::TChunk;
  ~TChunkPLTE() override;
  TChunkClass ClassType() const override { return &Class; }
  void SaveToStream(TStream& stream) override;  // the bitmap's colour table as red, green, blue triples

  // The palette the decoder gives the bitmap: the entries through the gamma table (when one is given), for bit
  // depth 2 extended to 16 entries by repeating the first four. Raises for a missing or invalid palette.
  HPALETTE MakePalette(const uint8_t* gamma, int bitDepth);

 private:
  HPALETTE palette_;
};

class TChunkTEXT : public TChunk {
 public:
  static const TChunkClassInfo Class;
  explicit TChunkTEXT(TChunkList& owner);  // two zero bytes
  TChunkClass ClassType() const override { return &Class; }
};

// Transparency. For RGB pictures the transparent colour: three 2-byte samples, of which 8-bit pictures use the low
// bytes and 16-bit pictures the high bytes; other colour types carry nothing that the bitmap uses.
class TChunkTRNS : public TChunk {
 public:
  static const TChunkClassInfo Class;
  using TChunk::TChunk;
  TChunkClass ClassType() const override { return &Class; }
  void SaveToStream(TStream& stream) override;  // the bitmap's transparent colour as 00 R 00 G 00 B

  // Raises for a colour type other than 2; clNone when the chunk is too short to hold a colour.
  TColor TransparentColor() const;
  void SetTransparentColor(TColor color);
  // The colour key of an RGB picture as the file stores it: red, green and blue samples of 16 bits (of which 8-bit
  // pictures use the low byte); false for other colour types or a chunk too short to hold them.
  bool KeySamples(std::array<uint16_t, 3>& samples) const;
  // A palette picture's first entry whose alpha is 0; -1 when none, and when the chunk holds alphas for more entries
  // than the palette has.
  int FirstTransparentEntry() const;
};

// The registry of chunk classes by chunk type.
class TChunkClasses {
 public:
  int Count() const { return int(entries_.size()); }
  // Raises for an index out of range.
  TChunkClass Item(int index) const;
  const std::string& ChunkType(int index) const;
  // -1 / nullptr when the type is not registered (the 4 bytes are compared).
  int IndexOfType(std::string_view type) const;
  TChunkClass ClassOfType(std::string_view type) const;
  // The first type registered for the class ("" when none).
  std::string TypeOfClass(TChunkClass chunkClass) const;
  void Add(std::string_view type, TChunkClass chunkClass);

 private:
  struct Entry {
    std::string type;
    TChunkClass chunkClass;
  };
  std::vector<Entry> entries_;
};

// The registry: IEND, IHDR, gAMA, IDAT, PLTE, tEXt, tRNS, and tIME as a plain chunk (kept and written back as read).
TChunkClasses& ChunkClasses();

// The chunks of an image in file order; the list owns them.
class TChunkList {
 public:
  explicit TChunkList(TPNGImage& owner) : owner_(owner) {}
  ~TChunkList();
  TChunkList(const TChunkList&) = delete;
  TChunkList& operator=(const TChunkList&) = delete;

  TPNGImage& Owner() const { return owner_; }
  int Count() const { return int(items_.size()); }
  // Raises for an index out of range.
  TChunk& Item(int index) const;
  // The index of the first chunk of exactly this class; -1 when none.
  int IndexOfClass(TChunkClass chunkClass) const;
  // The first chunk of class T, or nullptr.
  template <class T>
  T* Find() const {
    int i = IndexOfClass(&T::Class);
    return i < 0 ? nullptr : static_cast<T*>(items_[size_t(i)].get());
  }
  TChunk& Add(std::unique_ptr<TChunk> chunk);
  // A new chunk of the class (its type from the registry) added at the end.
  TChunk& AddNew(TChunkClass chunkClass);
  TChunk& Insert(int index, std::unique_ptr<TChunk> chunk);
  // Raises for an index out of range.
  void Move(int curIndex, int newIndex);
  // Frees the chunk; a chunk of another list raises.
  void Remove(TChunk& chunk);
  // Frees every chunk, the last first.
  void Clear();

 private:
  friend class TPNGImage;
  TPNGImage& owner_;
  std::vector<std::unique_ptr<TChunk>> items_;
};

// The writer's filter set.
enum : uint8_t {
  kPngFilterNone = 1,
  kPngFilterSub = 2,
  kPngFilterUp = 4,
  kPngFilterAverage = 8,
  kPngFilterPaeth = 16,
  kPngFilterDefault = kPngFilterNone | kPngFilterSub | kPngFilterAverage | kPngFilterPaeth,
};

class TPNGImage : public TBitmap {
 public:
  TPNGImage();
  ~TPNGImage() override;
  std::string ClassName() const override { return "TPNGImage"; }

  // From another TPNGImage: its chunks, filter set, interlace flag, then the bitmap. Any other source as a bitmap.
  void Assign(const TPersistent& source) override;
  // Reads a PNG file from the stream's position. On failure the bitmap is empty and the chunks read so far stay in
  // the list until the next load.
  void LoadFromStream(TStream& stream) override;
  // Writes the bitmap as a PNG file; puts the chunk list in the order it writes (IHDR, chunks that belong before
  // the palette, PLTE, tRNS, IDAT, the other chunks, IEND). An empty bitmap raises.
  void SaveToStream(TStream& stream) const override;

  TChunkList& Chunks() const { return *chunks_; }
  // The filters the writer chooses from (kPngFilter... flags); None is always among them.
  uint8_t Filters() const { return filters_; }
  void SetFilters(uint8_t value) { filters_ = uint8_t(value | kPngFilterNone); }
  // Kept and copied; the writer always writes non-interlaced pictures.
  bool InterlaceFlag() const { return interlace_; }
  void SetInterlaceFlag(bool value) { interlace_ = value; }
  // After loading an RGB picture with a colour key: a monochrome bitmap of its size, white where the pixel's samples
  // equal the key exactly (all 16 bits of 16-bit samples, which the bitmap's colours and transparent colour keep
  // only the high byte of); nullptr for other pictures.
  const TBitmap* KeyMask() const { return keyMask_.get(); }

 private:
  friend class TChunkIDAT;
  void ReadChunks(TStream& stream);
  void PrepareChunksForSaving() const;
  void Report(TProgressStage stage, int percent);

  std::unique_ptr<TChunkList> chunks_;
  std::unique_ptr<TBitmap> keyMask_;
  uint8_t filters_ = kPngFilterDefault;
  bool interlace_ = false;
};

}  // namespace pf
