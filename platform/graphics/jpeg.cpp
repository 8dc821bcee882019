#include "platform/graphics/jpeg.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
// clang-format off
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

#include "platform/core/exceptions.h"
#include "platform/core/streams.h"
#include "platform/graphics/bitmap_internal.h"

namespace pf {

namespace {

// Largest picture decoded (pixels); larger ones are refused before any allocation.
constexpr uint64_t kMaxJpegPixels = uint64_t(1) << 27;

struct ErrorManager {
  jpeg_error_mgr base;
  jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

void OnError(j_common_ptr info) {
  auto* err = reinterpret_cast<ErrorManager*>(info->err);
  (*info->err->format_message)(info, err->message);
  longjmp(err->jump, 1);
}

void OnMessage(j_common_ptr info, int level) {
  // A premature end of the data is an error here: the picture would be shown half grey.
  if (level < 0 && info->err->msg_code == JWRN_JPEG_EOF) OnError(info);
}

void NoOutput(j_common_ptr) {}

// Where the decoded rows go: allocate is called once the picture's size is known and returns the first of
// height rows of width B, G, R pixels, stride bytes apart (nullptr refuses the picture).
struct RowSink {
  uint8_t* (*allocate)(void* context, uint32_t width, uint32_t height, size_t* stride);
  void* context;
};

// Plain C-style decoding: no C++ object lives in this frame, so the error jump skips no destructor. Rows are decoded
// straight into the sink's memory as B, G, R; only CMYK pictures pass through a row buffer for their conversion.
bool DecodeRaw(const uint8_t* data, size_t size, RowSink sink, char* message) {
  jpeg_decompress_struct info;
  ErrorManager err;
  std::memset(&info, 0, sizeof info);
  info.err = jpeg_std_error(&err.base);
  err.base.error_exit = OnError;
  err.base.emit_message = OnMessage;
  err.base.output_message = NoOutput;
  err.message[0] = 0;
  uint8_t* volatile row = nullptr;
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&info);
    std::free(row);
    std::snprintf(message, JMSG_LENGTH_MAX, "%s", err.message);
    return false;
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
  jpeg_read_header(&info, TRUE);
  bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
  info.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGR;
  if (uint64_t(info.image_width) * info.image_height > kMaxJpegPixels) {
    std::snprintf(err.message, sizeof err.message, "picture too large (%u x %u)", info.image_width, info.image_height);
    longjmp(err.jump, 1);
  }
  jpeg_start_decompress(&info);
  size_t stride = 0;
  uint8_t* bits = sink.allocate(sink.context, info.output_width, info.output_height, &stride);
  if (cmyk) row = static_cast<uint8_t*>(std::malloc(size_t(info.output_width) * 4));
  if (!bits || (cmyk && !row)) {
    std::snprintf(err.message, sizeof err.message, "out of memory");
    longjmp(err.jump, 1);
  }
  bool inverted = info.saw_Adobe_marker;
  while (info.output_scanline < info.output_height) {
    uint8_t* dst = bits + size_t(info.output_scanline) * stride;
    JSAMPROW rows[1] = {cmyk ? row : dst};
    jpeg_read_scanlines(&info, rows, 1);
    for (uint32_t x = 0; cmyk && x < info.output_width; ++x) {
      unsigned c = row[4 * x], m = row[4 * x + 1], y = row[4 * x + 2], k = row[4 * x + 3];
      if (!inverted) c = 255 - c, m = 255 - m, y = 255 - y, k = 255 - k;
      dst[3 * x] = uint8_t(y * k / 255);
      dst[3 * x + 1] = uint8_t(m * k / 255);
      dst[3 * x + 2] = uint8_t(c * k / 255);
    }
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  std::free(row);
  return true;
}

// Decodes and, for jf8Bit, reduces to the halftone palette.
std::unique_ptr<TBitmap> DecodeAs(const std::vector<uint8_t>& data, TJPEGPixelFormat format) {
  auto bitmap = DecodeJpeg(data.data(), data.size());
  if (format == jf8Bit) bitmap->SetPixelFormat(pf8bit);
  return bitmap;
}

}  // namespace

std::unique_ptr<TBitmap> DecodeJpeg(const uint8_t* data, size_t size) {
  if (size < 4 || data[0] != 0xFF || data[1] != 0xD8) throw EInvalidGraphic("JPEG picture is not valid: no JPEG data");
  std::unique_ptr<TBitmap> bitmap;
  // Makes the bitmap the rows are decoded into; no exception may leave it into the decoder's frames.
  auto allocate = [](void* context, uint32_t width, uint32_t height, size_t* stride) -> uint8_t* {
    auto& target = *static_cast<std::unique_ptr<TBitmap>*>(context);
    try {
      target = std::make_unique<TBitmap>(int32_t(width), int32_t(height), pf24bit);
    } catch (...) {
      return nullptr;
    }
    *stride = size_t(target->RowBytes());
    return target->Bits();
  };
  char message[JMSG_LENGTH_MAX];
  if (!DecodeRaw(data, size, {allocate, &bitmap}, message))
    throw EInvalidGraphic(std::string("JPEG picture is not valid: ") + message);
  return bitmap;
}

TJPEGImage::TJPEGImage() : bitmap_(std::make_unique<TBitmap>()) {}
TJPEGImage::~TJPEGImage() = default;

void TJPEGImage::Assign(const TPersistent& source) {
  if (auto* other = dynamic_cast<const TJPEGImage*>(&source)) {
    data_ = other->data_;
    pixelFormat_ = other->pixelFormat_;
    bitmap_->Assign(*other->bitmap_);
    Changed(this);
    return;
  }
  TGraphic::Assign(source);
}

void TJPEGImage::Draw(TCanvas& canvas, const TRect& r) { bitmap_->Draw(canvas, r); }

void TJPEGImage::SetWidth(int32_t) { throw EInvalidGraphicOperation("Cannot change the size of a JPEG image"); }
void TJPEGImage::SetHeight(int32_t) { throw EInvalidGraphicOperation("Cannot change the size of a JPEG image"); }

void TJPEGImage::LoadFromStream(TStream& stream) {
  std::vector<uint8_t> data;
  uint8_t buffer[65536];
  for (;;) {
    int32_t n = stream.Read(buffer, sizeof buffer);
    if (n <= 0) break;
    data.insert(data.end(), buffer, buffer + n);
  }
  bitmap_ = DecodeAs(data, pixelFormat_);  // the old picture stays when this raises
  data_ = std::move(data);
  Changed(this);
}

void TJPEGImage::SaveToStream(TStream& stream) const {
  if (!data_.empty()) stream.WriteBuffer(data_.data(), int32_t(data_.size()));
}

void TJPEGImage::SetPixelFormat(TJPEGPixelFormat value) {
  if (value == pixelFormat_) return;
  pixelFormat_ = value;
  if (data_.empty()) return;
  bitmap_ = DecodeAs(data_, pixelFormat_);
  Changed(this);
}

void TJPEGImage::AssignTo(TPersistent& dest) const {
  if (auto* b = dynamic_cast<TBitmap*>(&dest)) {
    b->Assign(*bitmap_);
    return;
  }
  TGraphic::AssignTo(dest);
}

}  // namespace pf
