#include "gif/reduce.h"

#include <algorithm>

#include "gif/gif_errors.h"

namespace gif {

namespace {

pf::HPALETTE MakePalette(const std::vector<pf::TPaletteEntry>& entries) {
  pf::TLogPalette log;
  log.palVersion = 0x300;
  log.palPalEntry = entries;
  return pf::CreatePalette(log);
}

std::vector<pf::TPaletteEntry> Entries(const pf::HPALETTE& palette) {
  int count = pf::GetPaletteEntries(palette, 0, 0, nullptr);
  std::vector<pf::TPaletteEntry> entries(static_cast<size_t>(std::max(count, 0)));
  if (count > 0) pf::GetPaletteEntries(palette, 0, count, entries.data());
  return entries;
}

}  // namespace

pf::HPALETTE WebPalette() {
  std::vector<pf::TPaletteEntry> e;
  for (int r = 0; r < 6; ++r)
    for (int g = 0; g < 6; ++g)
      for (int b = 0; b < 6; ++b)
        e.push_back({static_cast<uint8_t>(51 * r), static_cast<uint8_t>(51 * g), static_cast<uint8_t>(51 * b), 0});
  return MakePalette(e);
}

pf::HPALETTE GrayScalePalette() {
  std::vector<pf::TPaletteEntry> e;
  for (int i = 0; i < 256; ++i) {
    uint8_t v = static_cast<uint8_t>(i);
    e.push_back({v, v, v, pf::PC_NOCOLLAPSE});
  }
  return MakePalette(e);
}

pf::HPALETTE WindowsGrayPalette() {
  std::vector<pf::TPaletteEntry> e;
  for (uint8_t v : {0, 128, 192, 255}) e.push_back({v, v, v, pf::PC_NOCOLLAPSE});
  return MakePalette(e);
}

pf::HPALETTE MonochromePalette() {
  return MakePalette({{0, 0, 0, pf::PC_NOCOLLAPSE}, {255, 255, 255, pf::PC_NOCOLLAPSE}});
}

// --- row access --------------------------------------------------------------------------------------------------

TDIBReader::TDIBReader(pf::TBitmap& bitmap, pf::TPixelFormat format) : Bitmap(bitmap), PixelFormat(format) {
  Bitmap.SetPixelFormat(format);
}

TDIBWriter::TDIBWriter(pf::TBitmap& bitmap, const pf::HPALETTE& palette, int32_t height, int32_t width,
                       pf::TPixelFormat format)
    : Bitmap(bitmap), PixelFormat(format), palette_(palette), height_(height), width_(width) {
  if (format != pf::pf8bit && format != pf::pf24bit) throw GIFException(msg::UnsupportedPixelFormat);
  if (width <= 0 || height <= 0) throw GIFException(msg::InvalidDimensions);
}

TDIBWriter::~TDIBWriter() {
  try {
    Finish();
  } catch (...) {
    // a failure while handing over leaves the target as it was
  }
}

uint8_t* TDIBWriter::ScanLine(int32_t row) {
  if (!dib_) {
    try {
      dib_ = std::make_unique<pf::TBitmap>();
      dib_->SetPixelFormat(PixelFormat);
      if (PixelFormat == pf::pf8bit) {
        std::vector<pf::TRGBQuad> table(256);
        auto entries = Entries(palette_);
        for (size_t i = 0; i < entries.size() && i < 256; ++i)
          table[i] = {entries[i].peBlue, entries[i].peGreen, entries[i].peRed, 0};
        dib_->SetColorTable(table);
      }
      dib_->SetSize(width_, height_);
    } catch (const std::bad_alloc&) {
      dib_.reset();
      throw pf::EOutOfMemory(msg::DIBAllocFailed);
    } catch (const pf::EOutOfResources&) {  // a size the platform refuses before allocating
      dib_.reset();
      throw pf::EOutOfMemory(msg::DIBAllocFailed);
    }
  }
  return dib_->ScanLine(row);
}

void TDIBWriter::Finish() {
  if (!dib_) return;
  std::unique_ptr<pf::TBitmap> dib = std::move(dib_);
  Bitmap.Assign(*dib);
}

// --- octree ------------------------------------------------------------------------------------------------------

TColorQuantizer::TColorQuantizer(int maxColors, int colorBits) : maxLeaves_(maxColors), depth_(colorBits) {}

TColorQuantizer::~TColorQuantizer() { Free(root_); }

void TColorQuantizer::Free(TOctreeNode* node) {
  if (node == nullptr) return;
  for (int i = 7; i >= 0; --i) Free(node->Children[i]);
  delete node;
}

TOctreeNode* TColorQuantizer::NewNode(int level) {
  auto* node = new TOctreeNode;
  if (level == depth_) {
    node->Leaf = true;
    ++leaves_;
  } else {
    node->NextReducible = reducible_[level];
    reducible_[level] = node;
  }
  return node;
}

void TColorQuantizer::AddColor(uint8_t red, uint8_t green, uint8_t blue) {
  static const uint8_t kMask[8] = {128, 64, 32, 16, 8, 4, 2, 1};
  TOctreeNode** slot = &root_;
  for (int level = 0;; ++level) {
    if (*slot == nullptr) *slot = NewNode(level);
    TOctreeNode* node = *slot;
    if (node->Leaf) {
      ++node->Pixels;
      node->SumRed += red;
      node->SumGreen += green;
      node->SumBlue += blue;
      return;
    }
    const uint8_t m = kMask[level];
    int index = ((red & m) ? 4 : 0) + ((green & m) ? 2 : 0) + ((blue & m) ? 1 : 0);
    slot = &node->Children[index];
  }
}

void TColorQuantizer::Reduce() {
  int level = depth_ - 1;
  while (level > 0 && reducible_[level] == nullptr) --level;
  TOctreeNode* node = reducible_[level];
  if (node == nullptr) return;
  reducible_[level] = node->NextReducible;
  int children = 0;
  for (auto*& child : node->Children) {
    if (child == nullptr) continue;
    node->SumRed += child->SumRed;
    node->SumGreen += child->SumGreen;
    node->SumBlue += child->SumBlue;
    node->Pixels += child->Pixels;
    Free(child);
    child = nullptr;
    ++children;
  }
  node->Leaf = true;
  leaves_ -= children - 1;
}

void TColorQuantizer::ProcessRow(const uint8_t* bgr, int32_t width) {
  for (int32_t x = 0; x < width; ++x, bgr += 3) {
    AddColor(bgr[2], bgr[1], bgr[0]);
    while (leaves_ > maxLeaves_) {
      int before = leaves_;
      Reduce();
      if (leaves_ >= before) break;  // nothing left to merge
    }
  }
}

std::vector<pf::TPaletteEntry> TColorQuantizer::ColorTable() const {
  std::vector<pf::TPaletteEntry> table;
  std::function<void(const TOctreeNode*)> walk = [&](const TOctreeNode* node) {
    if (node == nullptr) return;
    if (node->Leaf) {
      if (node->Pixels == 0) {
        table.push_back({0, 0, 0, 0});
      } else {
        table.push_back({static_cast<uint8_t>(node->SumRed / node->Pixels),
                         static_cast<uint8_t>(node->SumGreen / node->Pixels),
                         static_cast<uint8_t>(node->SumBlue / node->Pixels), 0});
      }
      return;
    }
    for (const auto* child : node->Children) walk(child);
  };
  walk(root_);
  return table;
}

pf::HPALETTE BuildOctreePalette(const std::function<const uint8_t*(int32_t)>& row, int32_t width, int32_t height,
                                int colors, int colorBits, bool windows20) {
  int offset = 0;
  int count = colors;
  std::vector<pf::TPaletteEntry> entries;
  if (windows20) {
    auto system = Entries(pf::DefaultPalette());
    system.resize(20);
    entries.assign(256, pf::TPaletteEntry{});
    for (int i = 0; i < 10; ++i) {
      entries[static_cast<size_t>(i)] = system[static_cast<size_t>(i)];
      entries[static_cast<size_t>(246 + i)] = system[static_cast<size_t>(10 + i)];
    }
    colors = 236;
    offset = 10;
    count = 256;
  } else {
    entries.assign(static_cast<size_t>(count), pf::TPaletteEntry{});
  }
  TColorQuantizer quantizer(colors, colorBits);
  for (int32_t y = 0; y < height; ++y) quantizer.ProcessRow(row(y), width);
  auto table = quantizer.ColorTable();
  for (size_t i = 0; i < table.size() && static_cast<int>(i) < colors; ++i)
    entries[static_cast<size_t>(offset) + i] = table[i];
  return MakePalette(entries);
}

pf::HPALETTE BuildOctreePaletteFromBitmap(pf::TBitmap& bitmap, int colors, int colorBits, bool windows20) {
  TDIBReader reader(bitmap, pf::pf24bit);
  return BuildOctreePalette([&](int32_t y) { return reader.ScanLine(y); }, bitmap.Width(), bitmap.Height(), colors,
                            colorBits, windows20);
}

// --- ReduceColors ------------------------------------------------------------------------------------------------

std::unique_ptr<pf::TBitmap> ReduceColors(pf::TBitmap& bitmap, int colorReduction, int ditherMode, int reductionBits,
                                          const pf::HPALETTE& palette) {
  auto result = std::make_unique<pf::TBitmap>();
  if (colorReduction == ReduceNone) {
    result->Assign(bitmap);
    result->SetPixelFormat(pf::pf24bit);
    return result;
  }
  if (IsLargeBitmap(bitmap.Width(), bitmap.Height())) result->SetPixelFormat(pf::pf1bit);
  TDIBReader reader(bitmap, pf::pf24bit);
  const int32_t width = bitmap.Width(), height = bitmap.Height();
  // Octree colour counts beyond 2^8 would overflow a GIF colour table.
  const int bits = std::clamp(reductionBits, 1, 8);
  pf::HPALETTE pal;
  switch (colorReduction) {
    case ReduceWindows20:
      pal = pf::DefaultPalette();
      break;
    case ReduceHalftone:
      pal = pf::CreateHalftonePalette();
      break;
    case ReduceWindowsGrays:
      pal = WindowsGrayPalette();
      break;
    case ReduceMonochrome:
      pal = MonochromePalette();
      break;
    case ReduceGray256:
      pal = GrayScalePalette();
      break;
    case ReduceWebPalette:
      pal = WebPalette();
      break;
    case ReduceOctree:
      pal = BuildOctreePaletteFromBitmap(bitmap, 1 << bits, 8, false);
      break;
    case ReduceOctreeWindows:
      pal = BuildOctreePaletteFromBitmap(bitmap, 256, 8, true);
      break;
    case ReducePalette:
      pal = pf::CopyPalette(palette);
      break;
    default:
      return result;
  }
  std::unique_ptr<TColorLookup> lookup;
  switch (colorReduction) {
    case ReduceMonochrome:
      lookup = std::make_unique<TMonochromeLookup>();
      break;
    case ReduceGray256:
      lookup = std::make_unique<TGrayScaleLookup>();
      break;
    case ReduceWebPalette:
      lookup = std::make_unique<TNetscapeColorLookup>();
      break;
    default:
      lookup = std::make_unique<TFastColorLookup>(pal);
      break;
  }
  if (lookup->Colors == 0) return result;
  auto engine = CreateDitherEngine(ditherMode, width, *lookup);
  if (!engine) return result;
  {
    TDIBWriter writer(*result, pal, height, width, pf::pf8bit);
    for (int32_t y = 0; y < height; ++y) DitherRow(*engine, reader.ScanLine(y), 3, writer.ScanLine(y));
    writer.Finish();
  }
  return result;
}

}  // namespace gif
