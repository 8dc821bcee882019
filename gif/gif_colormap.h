// Colour tables: TGIFColorMap with the global map of the logical screen and the local map of a frame. Besides the
// table itself a map can sort its colours by use and drop the unused ones (Optimize).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gif/lzw.h"
#include "platform/core/component.h"
#include "platform/core/streams.h"
#include "platform/graphics/bitmap.h"
#include "platform/graphics/palette.h"

namespace gif {

class TGIFHeader;
class TGIFSubImage;

struct THistogramEntry {
  int32_t Count = 0;
  int32_t Index = 0;
};

class TGIFColorMap : public pf::TPersistent {
 public:
  std::string ClassName() const override { return "TGIFColorMap"; }
  void Assign(const pf::TPersistent& source) override;

  int Count() const { return count_; }
  int Capacity() const { return capacity_; }
  bool Optimized() const { return optimized_; }
  void SetOptimized(bool value) { optimized_ = value; }
  const uint8_t* Data() const { return data_.data(); }  // red, green, blue per colour

  // Reading outside the map warns "Invalid color index" and reads entry 0; an empty map raises "Color table is
  // empty".
  pf::TColor Colors(int index) const;
  void SetColors(int index, pf::TColor color);
  int Add(pf::TColor color);  // "Color table overflow" at 256 colours
  int AddUnique(pf::TColor color);
  int IndexOf(pf::TColor color) const;
  void Delete(int index);  // "Invalid color index" outside the map
  void Clear();
  int BitsPerPixel() const { return BitsNeeded(count_); }

  pf::HPALETTE ExportPalette() const;  // Count entries, PC_NOCOLLAPSE
  void ImportPalette(const pf::HPALETTE& palette);
  void ImportColorTable(const std::vector<pf::TRGBQuad>& table);
  // Reads count colours; writes Count colours padded with black to 2^BitsPerPixel.
  void LoadFromStream(pf::TStream& stream, int count);
  void SaveToStream(pf::TStream& stream) const;

  virtual void Warning(int severity, const std::string& message) const = 0;
  virtual void BuildHistogram(std::vector<THistogramEntry>& histogram) = 0;
  virtual void MapImages(const std::vector<int>& map) = 0;
  // Sorts the colours by use (most used first) and drops unused ones; false when there was nothing to sort.
  virtual bool Optimize();
  virtual void Changed() = 0;

 protected:
  void Grow(int needed);
  // The colours become those of rgb (red, green, blue each; at most 256), unsorted.
  void Replace(const std::vector<uint8_t>& rgb);
  std::vector<uint8_t> data_;
  int count_ = 0;
  int capacity_ = 0;
  bool optimized_ = false;
};

class TGIFGlobalColorMap : public TGIFColorMap {
 public:
  explicit TGIFGlobalColorMap(TGIFHeader* header) : Header(header) {}
  std::string ClassName() const override { return "TGIFGlobalColorMap"; }
  void Warning(int severity, const std::string& message) const override;
  void BuildHistogram(std::vector<THistogramEntry>& histogram) override;
  void MapImages(const std::vector<int>& map) override;
  void Changed() override;
  TGIFHeader* Header;
};

class TGIFLocalColorMap : public TGIFColorMap {
 public:
  explicit TGIFLocalColorMap(TGIFSubImage* subImage) : SubImage(subImage) {}
  std::string ClassName() const override { return "TGIFLocalColorMap"; }
  void Warning(int severity, const std::string& message) const override;
  void BuildHistogram(std::vector<THistogramEntry>& histogram) override;
  void MapImages(const std::vector<int>& map) override;
  void Changed() override;  // drops the frame's palette
  TGIFSubImage* SubImage;
};

}  // namespace gif
