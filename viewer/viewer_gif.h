// TGif: the viewer's own GIF reader. It reads a whole GIF file into records (logical screen, colour tables, images
// with the extensions in front of them and their decoded pixel indices) and composes all images side by side into
// one 24-bit strip bitmap, with a mask when any image is transparent. Every failure raises
// EInvalidGraphicOperation "TGif: <message>" and leaves the code and message as the last error.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/core/streams.h"
#include "viewer/ht_bitmap.h"

namespace viewer {

enum TGifErrorCode : int {
  gifNoError = 0,
  gifInvalidSignature = 1,
  gifNoColorTable = 2,
  gifUnknownGraphicsExtension = 3,
  gifUnknownOperationCode = 4,
  gifInvalidExtensionBlockSize = 5,
  gifSpecialMessage = 6,
  gifInvalidExtensionTerminator = 7,
  gifInvalidIntegerSize = 8,
  gifNoTerminator = 9,
  gifExtensionOutOfOrder = 10,
  gifInvalidDescriptorIndex = 11,
  gifInvalidLzwCodeSize = 12,
  gifInvalidLzwData = 13,
  gifLzwCodeOverflow = 14,
  gifValueOutOfRange = 15,
  gifNilPointer = 16,
  gifInvalidColorTableSize = 17,
  gifNoImageDescription = 18,
  gifInvalidBitmapImage = 19,
  gifInvalidColorTableIndex = 20,
  gifInvalidInterlacePass = 21,
  gifInvalidBitmap = 22,
  gifTooManyColors = 23,
  gifUnexpectedEof = 24,
  gifAnimatedTooLarge = 25,
  gifZeroSize = 26,
  gifNextMessage = 27,
};

// The message of an error code ("" outside 0..27).
const char* GifErrorMessage(int code);
// The last error of any TGif: its code and the message that was raised after "TGif: " (0 and "no error" after a
// load that went well).
int GifLastError();
const std::string& GifLastErrorMessage();

// The most bytes of pixel indices one file may decode (all images, at their full size, together); a file that needs
// more is refused as too large. A few bytes may claim images of 65535 x 65535 pixels; this keeps memory and time
// bounded. Tests and fuzzing may lower it.
extern int64_t GifMaxPixelBytes;

// Strip sizes (24-bit BMP file size, header included) above which a GIF is refused as too large.
constexpr int64_t kGifMaxStripFileSize = 200'000'000;
constexpr int64_t kGifMaxTransparentStripFileSize = 100'000'000;

struct TGifScreen {
  int32_t Width = 0;
  int32_t Height = 0;
  bool GlobalTable = false;
  int32_t ColorResolution = 0;  // bits 4-6 of the packed byte, plus 1
  bool Sorted = false;
  int32_t GlobalTableSize = 0;  // 2 shl the low three bits
  uint8_t BackgroundIndex = 0;
  uint8_t AspectRatio = 0;
  int32_t GlobalTableIndex = -1;  // into the colour-table list; -1 when none
};

// Colours packed with red in the low byte, green in the second and blue in the third.
struct TGifColorTable {
  std::vector<uint32_t> Entries;
  int32_t Count() const { return static_cast<int32_t>(Entries.size()); }
  // Indexes beyond the table read black.
  uint32_t Color(int index) const { return index < Count() ? Entries[static_cast<size_t>(index)] : 0; }
};

// An extension block; Label is the format's (0x01 plain text, 0xF9 graphic control, 0xFE comment, 0xFF application).
struct TGifExtension {
  uint8_t Label = 0;
  // graphic control
  uint8_t Disposal = 0;  // three bits
  bool UserInput = false;
  bool TransparentFlag = false;
  uint16_t Delay = 0;  // hundredths of a second
  uint8_t TransparentIndex = 0;
  // plain text
  uint16_t GridLeft = 0, GridTop = 0, GridWidth = 0, GridHeight = 0;
  uint8_t CellWidth = 0, CellHeight = 0, ForegroundIndex = 0, BackgroundIndex = 0;
  // application
  std::array<uint8_t, 8> Identifier{};
  std::array<uint8_t, 3> AuthenticationCode{};
  // the data sub-blocks of comment, plain text and application extensions
  std::vector<std::vector<uint8_t>> SubBlocks;
};

struct TGifImageRecord {
  int32_t Index = 0;
  int32_t Left = 0, Top = 0, Width = 0;
  int32_t Height = 0;  // cut to the screen height
  bool LocalTable = false;
  bool Interlaced = false;
  bool Sorted = false;
  int32_t LocalTableSize = 0;
  int32_t ColorTableIndex = -1;  // the local table, else the global one
  uint8_t MinCodeSize = 0;
  std::vector<TGifExtension> Extensions;  // those that came before the image
  std::vector<uint8_t> Pixels;            // Width x Height indices, row by row
  // The last graphic control extension in front of the image; nullptr when none.
  const TGifExtension* GraphicControl() const;
};

class TGif {
 public:
  TGif();
  // Reads the whole file from the stream's start. On failure the reader is left cleared.
  void LoadFromStream(pf::TStream& stream);

  int32_t GetScreenWidth() const { return screen_.Width; }
  int32_t GetScreenHeight() const { return screen_.Height; }
  // True when any image's graphic control extension has the transparency flag.
  bool HasTransparency() const;
  int32_t GetImageCount() const { return static_cast<int32_t>(images_.size()); }
  // Per image, 0-based; an index out of range raises error 15.
  int32_t GetImageDelay(int index) const;             // hundredths of a second, at least 1
  int32_t GetImageDisposal(int index) const;          // the two low bits; 0 without a graphic control extension
  int32_t GetImageTransparentIndex(int index) const;  // -1 without the transparency flag
  int32_t GetImageLeft(int index) const;
  int32_t GetImageTop(int index) const;
  int32_t GetImageWidth(int index) const;
  int32_t GetImageHeight(int index) const;
  // The NETSCAPE loop count; -1 when the file has no loop extension.
  int32_t GetLoopCount() const { return loopCount_; }

  // All images composited side by side (image i at x = i x screen width, each starting from the previous composite)
  // as a 24-bit bitmap, and for a GIF with transparency its monochrome mask (white = transparent; nullptr otherwise).
  std::unique_ptr<ThtBitmap> GetStripBitmap(std::unique_ptr<pf::TBitmap>& mask) const;
  // The same composed into picture (a new bitmap), so that the bitmap of a GIF of one image is made once.
  void ComposeStrip(pf::TBitmap& picture, std::unique_ptr<pf::TBitmap>& mask) const;

  const TGifScreen& Screen() const { return screen_; }
  const TGifImageRecord& Image(int index) const;
  const TGifColorTable& ColorTable(int index) const { return colorTables_.at(static_cast<size_t>(index)); }

 private:
  struct Reader;
  void Clear();
  void ReadScreen(Reader& in);
  void ReadImage(Reader& in);
  void ReadExtension(Reader& in);
  int32_t ReadColorTable(Reader& in, int32_t size);
  const TGifImageRecord& Checked(int index) const;

  std::array<char, 6> signature_{};
  TGifScreen screen_;
  std::vector<TGifImageRecord> images_;
  std::vector<TGifColorTable> colorTables_;
  std::vector<TGifExtension> waiting_;  // extensions for the next image
  int64_t pixelBytes_ = 0;              // decoded so far, at full image size
  int32_t loopCount_ = -1;
};

}  // namespace viewer
