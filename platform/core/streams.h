// Byte streams: the abstract TStream with memory, handle and file streams, and zlib compression streams.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace pf {

enum TSeekOrigin { soBeginning = 0, soCurrent = 1, soEnd = 2 };

class TStream {
 public:
  virtual ~TStream() = default;
  // Read and Write return the number of bytes transferred; they never raise for a short transfer.
  virtual int32_t Read(void* buffer, int32_t count) = 0;
  virtual int32_t Write(const void* buffer, int32_t count) = 0;
  // Returns the new position. Seeking past the end is allowed (a later write extends the stream).
  virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;

  int64_t Position() { return Seek(0, soCurrent); }
  void SetPosition(int64_t position) { Seek(position, soBeginning); }
  virtual int64_t Size();
  virtual void SetSize(int64_t newSize);

  // Raise EReadError "Stream read error" / EWriteError "Stream write error" on a short transfer.
  void ReadBuffer(void* buffer, int32_t count);
  void WriteBuffer(const void* buffer, int32_t count);
  // Copies count bytes from source's current position (count 0: the whole source from its start); raises
  // EReadError when the source runs short. Returns the number of bytes copied.
  int64_t CopyFrom(TStream& source, int64_t count);
};

// A stream over memory it does not own (SetPointer) or, in TMemoryStream, over its own growing buffer.
class TCustomMemoryStream : public TStream {
 public:
  int32_t Read(void* buffer, int32_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Size() override { return size_; }
  uint8_t* Memory() const { return memory_; }
  void SaveToStream(TStream& stream);
  void SaveToFile(const std::string& fileName);  // atomically

 protected:
  void SetPointer(uint8_t* memory, int64_t size);
  uint8_t* memory_ = nullptr;
  int64_t size_ = 0;
  int64_t position_ = 0;
};

// Read-only view of caller-owned bytes; writing raises EWriteError via WriteBuffer (Write returns 0).
class TReadOnlyMemoryStream : public TCustomMemoryStream {
 public:
  TReadOnlyMemoryStream(const void* memory, int64_t size);
  int32_t Write(const void* buffer, int32_t count) override;
};

class TMemoryStream : public TCustomMemoryStream {
 public:
  TMemoryStream() = default;
  TMemoryStream(const TMemoryStream&) = delete;
  TMemoryStream& operator=(const TMemoryStream&) = delete;
  int32_t Write(const void* buffer, int32_t count) override;
  void SetSize(int64_t newSize) override;  // new bytes are zero
  void Clear();
  void LoadFromStream(TStream& stream);  // the whole stream from its start
  void LoadFromFile(const std::string& fileName);

 private:
  std::vector<uint8_t> buffer_;
};

// A stream over a POSIX file descriptor it does not close. Read raises EReadError when the system reports an error.
class THandleStream : public TStream {
 public:
  explicit THandleStream(int handle) : handle_(handle) {}
  int32_t Read(void* buffer, int32_t count) override;
  int32_t Write(const void* buffer, int32_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  void SetSize(int64_t newSize) override;
  int Handle() const { return handle_; }
  void Flush();  // fsync

 protected:
  int handle_ = -1;
};

// File modes. Share modes are accepted and ignored.
enum : uint16_t {
  fmOpenRead = 0x0000,
  fmOpenWrite = 0x0001,
  fmOpenReadWrite = 0x0002,
  fmShareCompat = 0x0000,
  fmShareExclusive = 0x0010,
  fmShareDenyWrite = 0x0020,
  fmShareDenyRead = 0x0030,
  fmShareDenyNone = 0x0040,
  fmCreate = 0xFF00,
};

// Opens for reading through ResolvePath (case-insensitive fallback); fmCreate creates or truncates.
// Raises EFOpenError "Cannot open file "%s"" or EFCreateError "Cannot create file "%s"".
class TFileStream : public THandleStream {
 public:
  TFileStream(const std::string& fileName, uint16_t mode);
  ~TFileStream() override;
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;
  const std::string& FileName() const { return fileName_; }

 private:
  std::string fileName_;
};

// zlib streams (deflate with the zlib wrapper). The compression stream writes to dest as data comes and finishes
// the zlib stream when destroyed; the decompression stream reads from source and only supports reading and
// forward seeks. Errors raise EZCompressionError / EZDecompressionError.
enum class TCompressionLevel { clNone, clFastest, clDefault, clMax };

class TZCompressionStream : public TStream {
 public:
  TZCompressionStream(TStream& dest, TCompressionLevel level = TCompressionLevel::clDefault);
  ~TZCompressionStream() override;
  int32_t Read(void* buffer, int32_t count) override;  // raises EZCompressionError
  int32_t Write(const void* buffer, int32_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;  // only the position query
  void Finish();                                              // flushes the end of the zlib stream once

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// The CRC-32 of the zlib, ZIP and PNG formats, continued from crc (0 to start).
uint32_t Crc32(uint32_t crc, const void* data, size_t size);

class TZDecompressionStream : public TStream {
 public:
  explicit TZDecompressionStream(TStream& source);
  ~TZDecompressionStream() override;
  int32_t Read(void* buffer, int32_t count) override;
  int32_t Write(const void* buffer, int32_t count) override;  // raises EZDecompressionError
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;  // forward only, by reading

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// The bytes of a stream from its position to its end, however the stream hands them out.
std::vector<uint8_t> ReadToEnd(TStream& stream);

}  // namespace pf
