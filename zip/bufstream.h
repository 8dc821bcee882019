// Buffered streams: TS_BufferStream puts a read/write buffer in front of another stream; TLFNFileStream is one
// over a file it opens and owns.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/core/streams.h"

namespace zip {

class TS_BufferStream : public pf::TStream {
 public:
  enum Mode { Idle, Reading, Writing };
  // The wrapped stream is not owned.
  TS_BufferStream(pf::TStream* stream, int bufferSize);
  ~TS_BufferStream() override;
  TS_BufferStream(const TS_BufferStream&) = delete;
  TS_BufferStream& operator=(const TS_BufferStream&) = delete;

  int32_t Read(void* buffer, int32_t count) override;
  int32_t Write(const void* buffer, int32_t count) override;
  // Origins 0, 1, 2; any other raises EStreamError "Invalid seek origin (%d)". From the end, the target is the end
  // minus the absolute value of offset.
  int64_t Seek(int64_t offset, pf::TSeekOrigin origin) override;
  int64_t Size() override;
  virtual bool FillBuffer();
  virtual bool FlushBuffer();  // true when every buffered byte was written
  // Steps back one byte and stores value there; at the buffer start raises EStreamError "Putback overflow".
  virtual void PutBack(uint8_t value);
  virtual void DoFillBuffer();
  virtual void DoFlushBuffer();
  // Writes a pending write buffer out and, with flush-on-close, the wrapped file to disk: what closing does, with
  // its outcome. True when every byte got there; the destructor does the same and cannot tell.
  bool Finish();

  std::function<void(TS_BufferStream&)> OnBufferFilled;
  std::function<void(TS_BufferStream&)> OnBufferFlushed;
  Mode CurrentMode() const { return mode_; }

 protected:
  int64_t LogicalPosition();
  pf::TStream* stream_;
  std::vector<uint8_t> buffer_;
  int cur_ = 0;
  int end_ = 0;
  int bufferSize_;
  Mode mode_ = Idle;
  bool flushOnClose_ = false;
  bool written_ = false;
};

class TLFNFileStream : public TS_BufferStream {
 public:
  // Opens fileName with mode (pf::fmOpenRead, pf::fmCreate, ...); raises EFOpenError / EFCreateError.
  TLFNFileStream(const std::string& fileName, uint16_t mode, bool flushOnClose, int bufferSize);
  ~TLFNFileStream() override;
  int GetHandle() const { return file_->Handle(); }

 private:
  std::unique_ptr<pf::TFileStream> file_;
};

}  // namespace zip
