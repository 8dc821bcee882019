#include "platform/core/streams.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/core/exceptions.h"
#include "platform/core/files.h"
#include "platform/core/strings.h"

namespace pf {

namespace {

constexpr int32_t kCopyChunk = 64 * 1024;
constexpr const char* kInvalidStreamOp = "Invalid stream operation";

[[noreturn]] void RaiseSeekError() { throw EStreamError("Invalid stream position"); }

// Position after a seek on a stream of the given size; a target before the start or beyond 64 bits raises.
int64_t SeekTarget(int64_t position, int64_t size, int64_t offset, TSeekOrigin origin) {
  int64_t base = origin == soBeginning ? 0 : origin == soCurrent ? position : size;
  int64_t target = 0;
  if (__builtin_add_overflow(base, offset, &target) || target < 0) RaiseSeekError();
  return target;
}

}  // namespace

// ---------------------------------------------------------------- TStream

int64_t TStream::Size() {
  int64_t position = Seek(0, soCurrent);
  int64_t size = Seek(0, soEnd);
  Seek(position, soBeginning);
  return size;
}

// A stream that cannot change its size refuses instead of pretending to succeed.
void TStream::SetSize(int64_t newSize) {
  if (newSize != Size()) throw EStreamError("Stream size cannot be changed");
}

void TStream::ReadBuffer(void* buffer, int32_t count) {
  if (count <= 0) return;
  if (Read(buffer, count) != count) throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, int32_t count) {
  if (count <= 0) return;
  if (Write(buffer, count) != count) throw EWriteError("Stream write error");
}

int64_t TStream::CopyFrom(TStream& source, int64_t count) {
  if (count <= 0) {
    source.SetPosition(0);
    count = source.Size();
  }
  std::vector<uint8_t> buffer(static_cast<size_t>(std::min<int64_t>(std::max<int64_t>(count, 1), kCopyChunk)));
  int64_t left = count;
  while (left > 0) {
    int32_t n = static_cast<int32_t>(std::min<int64_t>(left, kCopyChunk));
    source.ReadBuffer(buffer.data(), n);
    WriteBuffer(buffer.data(), n);
    left -= n;
  }
  return count;
}

// ---------------------------------------------------------------- memory streams

int32_t TCustomMemoryStream::Read(void* buffer, int32_t count) {
  if (count <= 0 || position_ >= size_) return 0;
  int64_t n = std::min<int64_t>(count, size_ - position_);
  std::memcpy(buffer, memory_ + position_, static_cast<size_t>(n));
  position_ += n;
  return static_cast<int32_t>(n);
}

int64_t TCustomMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
  position_ = SeekTarget(position_, size_, offset, origin);
  return position_;
}

void TCustomMemoryStream::SaveToStream(TStream& stream) {
  int64_t done = 0;
  while (done < size_) {
    int32_t n = static_cast<int32_t>(std::min<int64_t>(size_ - done, kCopyChunk));
    stream.WriteBuffer(memory_ + done, n);
    done += n;
  }
}

void TCustomMemoryStream::SaveToFile(const std::string& fileName) {
  AtomicWriteFile(fileName, std::string_view(reinterpret_cast<const char*>(memory_), static_cast<size_t>(size_)));
}

void TCustomMemoryStream::SetPointer(uint8_t* memory, int64_t size) {
  memory_ = memory;
  size_ = size;
}

TReadOnlyMemoryStream::TReadOnlyMemoryStream(const void* memory, int64_t size) {
  SetPointer(static_cast<uint8_t*>(const_cast<void*>(memory)), memory ? std::max<int64_t>(size, 0) : 0);
}

int32_t TReadOnlyMemoryStream::Write(const void*, int32_t) { return 0; }

int32_t TMemoryStream::Write(const void* buffer, int32_t count) {
  int64_t end = 0;
  if (count <= 0 || __builtin_add_overflow(position_, int64_t{count}, &end)) return 0;
  if (end > size_) {
    buffer_.resize(static_cast<size_t>(end));
    SetPointer(buffer_.data(), end);
  }
  std::memcpy(memory_ + position_, buffer, static_cast<size_t>(count));
  position_ = end;
  return count;
}

void TMemoryStream::SetSize(int64_t newSize) {
  if (newSize < 0) throw EStreamError("Stream size cannot be changed");
  buffer_.resize(static_cast<size_t>(newSize));
  SetPointer(buffer_.data(), newSize);
  if (position_ > newSize) position_ = newSize;
}

void TMemoryStream::Clear() {
  buffer_.clear();
  buffer_.shrink_to_fit();
  SetPointer(nullptr, 0);
  position_ = 0;
}

void TMemoryStream::LoadFromStream(TStream& stream) {
  stream.SetPosition(0);
  int64_t size = stream.Size();
  SetSize(size);
  int64_t done = 0;
  while (done < size) {
    int32_t n = static_cast<int32_t>(std::min<int64_t>(size - done, kCopyChunk));
    stream.ReadBuffer(memory_ + done, n);
    done += n;
  }
  position_ = 0;
}

void TMemoryStream::LoadFromFile(const std::string& fileName) {
  TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(file);
}

// ---------------------------------------------------------------- handle and file streams

// The end of the file gives a short count; a failing read raises, so that a caller reading up to the end does not
// take a damaged or unreadable file for a shorter one.
int32_t THandleStream::Read(void* buffer, int32_t count) {
  int32_t done = 0;
  auto* bytes = static_cast<uint8_t*>(buffer);
  while (done < count) {
    ssize_t n = ::read(handle_, bytes + done, static_cast<size_t>(count - done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw EReadError("Stream read error");
    if (n == 0) break;
    done += static_cast<int32_t>(n);
  }
  return done;
}

int32_t THandleStream::Write(const void* buffer, int32_t count) {
  int32_t done = 0;
  auto* bytes = static_cast<const uint8_t*>(buffer);
  while (done < count) {
    ssize_t n = ::write(handle_, bytes + done, static_cast<size_t>(count - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<int32_t>(n);
  }
  return done;
}

int64_t THandleStream::Seek(int64_t offset, TSeekOrigin origin) {
  int whence = origin == soBeginning ? SEEK_SET : origin == soCurrent ? SEEK_CUR : SEEK_END;
  off_t result = ::lseek(handle_, static_cast<off_t>(offset), whence);
  if (result < 0) RaiseSeekError();
  return result;
}

void THandleStream::SetSize(int64_t newSize) {
  if (newSize < 0 || ::ftruncate(handle_, static_cast<off_t>(newSize)) != 0) {
    throw EStreamError("Stream size cannot be changed");
  }
  if (Position() > newSize) Seek(newSize, soBeginning);
}

void THandleStream::Flush() {
  if (::fsync(handle_) != 0) throw EWriteError("Stream write error");
}

TFileStream::TFileStream(const std::string& fileName, uint16_t mode) : THandleStream(-1), fileName_(fileName) {
  if ((mode & fmCreate) == fmCreate) {
    handle_ = ::open(fileName.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (handle_ < 0) throw EFCreateError(Format("Cannot create file \"%s\"", {fileName}));
    return;
  }
  int access = (mode & 3) == fmOpenWrite ? O_WRONLY : (mode & 3) == fmOpenReadWrite ? O_RDWR : O_RDONLY;
  std::string path = ResolvePath(fileName);
  handle_ = ::open(path.c_str(), access | O_CLOEXEC);
  struct stat info {};
  if (handle_ >= 0 && (::fstat(handle_, &info) != 0 || S_ISDIR(info.st_mode))) {
    ::close(handle_);
    handle_ = -1;
  }
  if (handle_ < 0) throw EFOpenError(Format("Cannot open file \"%s\"", {fileName}));
}

TFileStream::~TFileStream() {
  if (handle_ >= 0) ::close(handle_);
}

// ---------------------------------------------------------------- zlib streams

namespace {
constexpr size_t kZBufferSize = 64 * 1024;

std::string ZMessage(const z_stream& z, int code) {
  if (z.msg) return z.msg;
  switch (code) {
    case Z_MEM_ERROR:
      return "out of memory";
    case Z_BUF_ERROR:
      return "buffer error";
    case Z_DATA_ERROR:
      return "data error";
    default:
      return "error " + IntToStr(code);
  }
}
}  // namespace

struct TZCompressionStream::State {
  TStream* dest = nullptr;
  z_stream z{};
  std::vector<uint8_t> out = std::vector<uint8_t>(kZBufferSize);
  bool finished = false;

  // Runs deflate over the pending input with the given flush mode, passing full output buffers to dest.
  void Pump(int flush) {
    for (;;) {
      z.next_out = out.data();
      z.avail_out = static_cast<uInt>(out.size());
      int code = deflate(&z, flush);
      if (code != Z_OK && code != Z_STREAM_END && code != Z_BUF_ERROR) {
        throw EZCompressionError("Compression error: " + ZMessage(z, code));
      }
      size_t produced = out.size() - z.avail_out;
      if (produced > 0) dest->WriteBuffer(out.data(), static_cast<int32_t>(produced));
      if (code == Z_STREAM_END) return;
      if (flush == Z_NO_FLUSH && z.avail_in == 0 && z.avail_out != 0) return;
      if (code == Z_BUF_ERROR && produced == 0) return;
    }
  }
};

TZCompressionStream::TZCompressionStream(TStream& dest, TCompressionLevel level) : state_(std::make_unique<State>()) {
  state_->dest = &dest;
  int zLevel = level == TCompressionLevel::clNone      ? Z_NO_COMPRESSION
               : level == TCompressionLevel::clFastest ? Z_BEST_SPEED
               : level == TCompressionLevel::clMax     ? Z_BEST_COMPRESSION
                                                       : Z_DEFAULT_COMPRESSION;
  int code = deflateInit(&state_->z, zLevel);
  if (code != Z_OK) throw EZCompressionError("Compression error: " + ZMessage(state_->z, code));
}

TZCompressionStream::~TZCompressionStream() {
  try {
    Finish();
  } catch (const std::exception&) {
    // A destructor cannot report; callers that must know call Finish themselves.
  }
  deflateEnd(&state_->z);
}

int32_t TZCompressionStream::Read(void*, int32_t) { throw EZCompressionError(kInvalidStreamOp); }

int32_t TZCompressionStream::Write(const void* buffer, int32_t count) {
  if (state_->finished) throw EZCompressionError(kInvalidStreamOp);
  if (count <= 0) return 0;
  state_->z.next_in = static_cast<Bytef*>(const_cast<void*>(buffer));
  state_->z.avail_in = static_cast<uInt>(count);
  state_->Pump(Z_NO_FLUSH);
  return count;
}

int64_t TZCompressionStream::Seek(int64_t offset, TSeekOrigin origin) {
  if (offset == 0 && origin == soCurrent) return static_cast<int64_t>(state_->z.total_in);
  throw EZCompressionError(kInvalidStreamOp);
}

void TZCompressionStream::Finish() {
  if (state_->finished) return;
  state_->finished = true;
  state_->z.next_in = nullptr;
  state_->z.avail_in = 0;
  state_->Pump(Z_FINISH);
}

uint32_t Crc32(uint32_t crc, const void* data, size_t size) {
  const auto* bytes = static_cast<const Bytef*>(data);
  while (size > 0) {  // zlib takes 32-bit lengths
    auto n = static_cast<uInt>(std::min<size_t>(size, 1u << 30));
    crc = static_cast<uint32_t>(crc32(crc, bytes, n));
    bytes += n;
    size -= n;
  }
  return crc;
}

struct TZDecompressionStream::State {
  TStream* source = nullptr;
  int64_t sourceStart = 0;
  z_stream z{};
  std::vector<uint8_t> in = std::vector<uint8_t>(kZBufferSize);
  bool ended = false;
};

TZDecompressionStream::TZDecompressionStream(TStream& source) : state_(std::make_unique<State>()) {
  state_->source = &source;
  state_->sourceStart = source.Position();
  int code = inflateInit(&state_->z);
  if (code != Z_OK) throw EZDecompressionError("Decompression error: " + ZMessage(state_->z, code));
}

TZDecompressionStream::~TZDecompressionStream() { inflateEnd(&state_->z); }

int32_t TZDecompressionStream::Read(void* buffer, int32_t count) {
  State& s = *state_;
  if (count <= 0 || s.ended) return 0;
  s.z.next_out = static_cast<Bytef*>(buffer);
  s.z.avail_out = static_cast<uInt>(count);
  while (s.z.avail_out > 0) {
    if (s.z.avail_in == 0) {
      int32_t n = s.source->Read(s.in.data(), static_cast<int32_t>(s.in.size()));
      if (n <= 0) throw EZDecompressionError("Decompression error: unexpected end of compressed data");
      s.z.next_in = s.in.data();
      s.z.avail_in = static_cast<uInt>(n);
    }
    int code = inflate(&s.z, Z_NO_FLUSH);
    if (code == Z_STREAM_END) {
      s.ended = true;
      // Give back what was read beyond the end of the compressed data.
      if (s.z.avail_in > 0) {
        try {
          s.source->Seek(-static_cast<int64_t>(s.z.avail_in), soCurrent);
          s.z.avail_in = 0;
        } catch (const EStreamError&) {
        }
      }
      break;
    }
    if (code != Z_OK && !(code == Z_BUF_ERROR && s.z.avail_in == 0)) {
      throw EZDecompressionError("Decompression error: " + ZMessage(s.z, code));
    }
  }
  return count - static_cast<int32_t>(s.z.avail_out);
}

int32_t TZDecompressionStream::Write(const void*, int32_t) { throw EZDecompressionError(kInvalidStreamOp); }

int64_t TZDecompressionStream::Seek(int64_t offset, TSeekOrigin origin) {
  State& s = *state_;
  int64_t position = static_cast<int64_t>(s.z.total_out);
  int64_t target = offset;
  if (origin == soEnd || (origin == soCurrent && __builtin_add_overflow(position, offset, &target)))
    throw EZDecompressionError(kInvalidStreamOp);
  if (target == 0 && position != 0) {
    // Back to the start: decompress again from the beginning of the source.
    s.source->SetPosition(s.sourceStart);
    inflateReset(&s.z);
    s.z.next_in = nullptr;
    s.z.avail_in = 0;
    s.ended = false;
    return 0;
  }
  if (target < position) throw EZDecompressionError(kInvalidStreamOp);
  uint8_t scratch[8192];
  while (position < target) {
    int32_t n = Read(scratch, static_cast<int32_t>(std::min<int64_t>(target - position, sizeof scratch)));
    if (n <= 0) break;
    position += n;
  }
  return position;
}

std::vector<uint8_t> ReadToEnd(TStream& stream) {
  std::vector<uint8_t> bytes;
  uint8_t chunk[65536];
  for (int32_t n; (n = stream.Read(chunk, sizeof chunk)) > 0;) bytes.insert(bytes.end(), chunk, chunk + n);
  return bytes;
}

}  // namespace pf
