#include "viewer/screen_dither.h"

#include <new>
#include <vector>

#include "gif/dither.h"
#include "gif/reduce.h"
#include "viewer/screen_palette.h"

namespace viewer {

namespace {

constexpr const char* kBitmapNotValid = "Bitmap image is not valid";
constexpr const char* kInvalidPixelFormat = "Invalid pixel format";
constexpr const char* kNoDIB = "Image has no DIB";
constexpr const char* kDIBAllocFailed = "Failed to allocate memory for GIF DIB";

// The mode's palette; null for the modes that have none.
pf::HPALETTE ModePalette(pf::TBitmap& source, int mode) {
  switch (mode) {
    case srWindows20:
      return pf::DefaultPalette();
    case srWebPalette:
      return gif::WebPalette();
    case srSharedPalette:
      return pf::CopyPalette(SharedPalette());
    case srOctreeWindows:
      return gif::BuildOctreePaletteFromBitmap(source, 256, 8, true);
    default:
      return nullptr;
  }
}

std::unique_ptr<gif::TDitherEngine> MakeEngine(int ditherMode, int32_t width, gif::TColorLookup& lookup) {
  switch (ditherMode) {
    case sdNearest:
      return std::make_unique<gif::TDitherEngine>(width, lookup);
    case sdFloydSteinberg:
      return std::make_unique<gif::TFloydSteinbergDitherer>(width, lookup);
    default:
      return nullptr;
  }
}

}  // namespace

TDIBWriter::~TDIBWriter() {
  try {
    Finish();
  } catch (...) {
    // the bitmap keeps what it had
  }
}

void TDIBWriter::Open() {
  if (bitmap_.Empty()) throw GIFException(kBitmapNotValid);
  if (format_ != pf::pf1bit && format_ != pf::pf4bit && format_ != pf::pf8bit && format_ != pf::pf24bit)
    throw GIFException(kInvalidPixelFormat);
  try {
    auto dib = std::make_unique<pf::TBitmap>();
    const pf::HPALETTE palette = bitmap_.GetPalette();
    dib->Assign(bitmap_);
    dib->SetPixelFormat(format_);
    if (format_ != pf::pf24bit && palette) {
      std::vector<pf::TRGBQuad> table(size_t{1} << pf::PixelFormatBits(format_));
      const auto& entries = palette.Entries();
      for (size_t i = 0; i < entries.size() && i < table.size(); ++i)
        table[i] = {entries[i].peBlue, entries[i].peGreen, entries[i].peRed, 0};
      dib->SetColorTable(table);
    }
    dib_ = std::move(dib);
  } catch (const std::bad_alloc&) {
    throw pf::EOutOfMemory(kDIBAllocFailed);
  }
}

uint8_t* TDIBWriter::ScanLine(int32_t row) {
  if (finished_) throw GIFException(kNoDIB);
  if (!dib_) Open();
  return dib_->ScanLine(row);
}

void TDIBWriter::Finish() {
  if (finished_) return;
  finished_ = true;
  if (dib_) bitmap_.Assign(*dib_);
  dib_.reset();
}

std::unique_ptr<pf::TBitmap> ReduceColors(pf::TBitmap& bitmap, int mode, int ditherMode) {
  auto result = std::make_unique<pf::TBitmap>();
  if (mode == srNone) {
    result->Assign(bitmap);
    result->SetPixelFormat(pf::pf24bit);
    return result;
  }
  const int32_t width = bitmap.Width(), height = bitmap.Height();
  result->SetPixelFormat(pf::pf8bit);
  result->SetSize(width, height);
  gif::TDIBReader reader(bitmap, pf::pf24bit);
  const pf::HPALETTE palette = ModePalette(bitmap, mode);
  if (!palette) return result;
  result->SetPalette(palette);
  std::unique_ptr<gif::TColorLookup> lookup;
  if (mode == srWebPalette)
    lookup = std::make_unique<gif::TNetscapeColorLookup>();
  else
    lookup = std::make_unique<gif::TFastColorLookup>(palette);
  if (lookup->Colors == 0) return result;
  auto engine = MakeEngine(ditherMode, width, *lookup);
  if (!engine) return result;
  TDIBWriter writer(*result, pf::pf8bit);
  for (int32_t y = 0; y < height; ++y) gif::DitherRow(*engine, reader.ScanLine(y), 3, writer.ScanLine(y));
  writer.Finish();
  return result;
}

std::unique_ptr<pf::TBitmap> ReduceBitmapColors(pf::TGraphic* graphic) {
  auto* bitmap = dynamic_cast<pf::TBitmap*>(graphic);
  if (bitmap == nullptr || bitmap->Empty()) return nullptr;
  if (bitmap->HandleType() == pf::bmDDB) {
    auto copy = std::make_unique<pf::TBitmap>();
    copy->Assign(*bitmap);
    return copy;
  }
  return ReduceColors(*bitmap, ScreenColorDepth() >= 8 ? srSharedPalette : srWindows20, sdFloydSteinberg);
}

}  // namespace viewer
