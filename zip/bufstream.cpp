#include "zip/bufstream.h"

#include <cstring>

#include "platform/core/exceptions.h"
#include "platform/core/strings.h"

namespace zip {

TS_BufferStream::TS_BufferStream(pf::TStream* stream, int bufferSize)
    : stream_(stream),
      buffer_(static_cast<size_t>(bufferSize > 0 ? bufferSize : 1)),
      bufferSize_(bufferSize > 0 ? bufferSize : 1) {}

TS_BufferStream::~TS_BufferStream() { Finish(); }

bool TS_BufferStream::Finish() {
  bool ok = mode_ != Writing || FlushBuffer();
  auto* handle = dynamic_cast<pf::THandleStream*>(stream_);
  if (flushOnClose_ && written_ && handle != nullptr) {
    try {
      handle->Flush();
    } catch (const pf::Exception&) {
      ok = false;  // a file that cannot be synchronised (a pipe), or data the disk did not take
    }
    written_ = false;
  }
  return ok;
}

int64_t TS_BufferStream::LogicalPosition() {
  int64_t pos = stream_->Position();
  if (mode_ == Reading) return pos - (end_ - cur_);
  if (mode_ == Writing) return pos + end_;
  return pos;
}

bool TS_BufferStream::FillBuffer() {
  int32_t n = stream_->Read(buffer_.data(), bufferSize_);
  cur_ = 0;
  end_ = n > 0 ? n : 0;
  mode_ = end_ > 0 ? Reading : Idle;
  if (end_ > 0) DoFillBuffer();
  return end_ > 0;
}

bool TS_BufferStream::FlushBuffer() {
  bool ok = true;
  if (mode_ == Writing && end_ > 0) {
    int32_t n = stream_->Write(buffer_.data(), end_);
    ok = n == end_;
    written_ = true;
    DoFlushBuffer();
  }
  cur_ = 0;
  end_ = 0;
  mode_ = Idle;
  return ok;
}

void TS_BufferStream::DoFillBuffer() {
  if (OnBufferFilled) OnBufferFilled(*this);
}

void TS_BufferStream::DoFlushBuffer() {
  if (OnBufferFlushed) OnBufferFlushed(*this);
}

int32_t TS_BufferStream::Read(void* buffer, int32_t count) {
  if (mode_ == Writing && !FlushBuffer()) return 0;
  auto* out = static_cast<uint8_t*>(buffer);
  int32_t done = 0;
  while (done < count) {
    if (cur_ >= end_ && !FillBuffer()) break;
    int32_t n = end_ - cur_;
    if (n > count - done) n = count - done;
    std::memcpy(out + done, buffer_.data() + cur_, static_cast<size_t>(n));
    cur_ += n;
    done += n;
  }
  return done;
}

int32_t TS_BufferStream::Write(const void* buffer, int32_t count) {
  if (mode_ == Reading) {
    stream_->Seek(LogicalPosition(), pf::soBeginning);
    cur_ = end_ = 0;
    mode_ = Idle;
  }
  const auto* in = static_cast<const uint8_t*>(buffer);
  int32_t done = 0;
  while (done < count) {
    if (end_ == bufferSize_) {
      mode_ = Writing;
      if (!FlushBuffer()) break;
    }
    int32_t n = bufferSize_ - end_;
    if (n > count - done) n = count - done;
    std::memcpy(buffer_.data() + end_, in + done, static_cast<size_t>(n));
    end_ += n;
    done += n;
    mode_ = Writing;
  }
  if (end_ == 0) mode_ = Idle;
  return done;
}

int64_t TS_BufferStream::Seek(int64_t offset, pf::TSeekOrigin origin) {
  int64_t logical = LogicalPosition();
  int64_t target;
  switch (static_cast<int>(origin)) {
    case 0:
      target = offset;
      break;
    case 1:
      target = logical + offset;
      break;
    case 2: {
      int64_t size = stream_->Size();
      int64_t logicalEnd = mode_ == Writing ? logical : 0;
      target = (size > logicalEnd ? size : logicalEnd) - (offset < 0 ? -offset : offset);
      break;
    }
    default:
      throw pf::EStreamError(pf::Format("Invalid seek origin (%d)", {static_cast<int>(origin)}));
  }
  if (target != logical) {
    if (mode_ == Writing && !FlushBuffer()) throw pf::EStreamError("Stream seek error");
    stream_->Seek(target, pf::soBeginning);
    cur_ = end_ = 0;
    mode_ = Idle;
  }
  return target;
}

int64_t TS_BufferStream::Size() {
  int64_t size = stream_->Size();
  if (mode_ == Writing) {
    int64_t logical = LogicalPosition();
    if (logical > size) size = logical;
  }
  return size;
}

void TS_BufferStream::PutBack(uint8_t value) {
  if (cur_ <= 0) throw pf::EStreamError("Putback overflow");
  buffer_[static_cast<size_t>(--cur_)] = value;
}

TLFNFileStream::TLFNFileStream(const std::string& fileName, uint16_t mode, bool flushOnClose, int bufferSize)
    : TS_BufferStream(nullptr, bufferSize), file_(std::make_unique<pf::TFileStream>(fileName, mode)) {
  stream_ = file_.get();
  // Only a stream that writes is flushed to disk on close.
  flushOnClose_ = flushOnClose && (mode == pf::fmCreate || (mode & 3) != 0);
}

TLFNFileStream::~TLFNFileStream() {
  // Flush while the file is still open (the base destructor runs after file_ is gone).
  Finish();
  stream_ = nullptr;
}

}  // namespace zip
