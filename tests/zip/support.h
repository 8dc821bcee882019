// Shared by the reader's and the decoders' tests: decoders run over memory, archives handed to a reader the
// application's way, bit streams written by hand, and shell commands for the outside tools.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/core/streams.h"
#include "zip/decoder.h"
#include "zip/legacy_methods.h"
#include "zip/zip_errors.h"
#include "zip/zip_reader.h"

namespace ziptest {

using Bytes = std::vector<uint8_t>;

// Bits are packed least significant first, as the decoders read them.
class BitWriter {
 public:
  void Put(uint32_t value, int bits) {
    for (int i = 0; i < bits; ++i) {
      acc_ |= ((value >> i) & 1u) << count_;
      if (++count_ == 8) {
        bytes_.push_back(static_cast<uint8_t>(acc_));
        acc_ = 0;
        count_ = 0;
      }
    }
  }
  // A prefix code whose first bit is its most significant one.
  void PutCode(uint32_t code, int bits) {
    for (int i = bits - 1; i >= 0; --i) Put((code >> i) & 1u, 1);
  }
  Bytes Finish() {
    if (count_ > 0) bytes_.push_back(static_cast<uint8_t>(acc_));
    acc_ = 0;
    count_ = 0;
    return std::move(bytes_);
  }

 private:
  Bytes bytes_;
  uint32_t acc_ = 0;
  int count_ = 0;
};

// Hands out the bytes in chunks of chunkSize (so that refills at every offset are exercised); after the end it
// gives `padding` zero bytes and then raises, as the pipeline does.
class MemoryInput : public zip::DecoderInput {
 public:
  explicit MemoryInput(const Bytes& data, size_t chunkSize = 32768, int padding = 64)
      : data_(data), chunk_(chunkSize), padding_(padding) {}
  uint8_t ReadInputByte() override {
    if (inNext != inEnd) return *inNext++;
    if (offset_ < data_.size()) {
      size_t n = std::min(chunk_, data_.size() - offset_);
      inNext = data_.data() + offset_;
      inEnd = inNext + n;
      offset_ += n;
      return *inNext++;
    }
    if (zeros_ >= padding_) throw zip::EFatalUnzipError(zip::kMsgPrematureEnd);
    ++zeros_;
    return 0;
  }
  // Bytes handed out, the zeros after the end included.
  size_t Consumed() const { return offset_ - static_cast<size_t>(inEnd - inNext) + static_cast<size_t>(zeros_); }

 private:
  const Bytes& data_;
  size_t chunk_;
  int padding_;
  size_t offset_ = 0;
  int zeros_ = 0;
};

// Collects the flushed bytes; raises beyond limit bytes, as the pipeline does.
class VectorOutput : public zip::DecoderOutput {
 public:
  explicit VectorOutput(uint64_t limit = UINT64_MAX) : limit_(limit) {}
  Bytes bytes;

 protected:
  void FlushWindow(const uint8_t* data, int count) override {
    if (bytes.size() + static_cast<size_t>(count) > limit_)
      throw zip::EBiggerThanUncompressed(zip::kMsgBiggerThanUncompressed);
    bytes.insert(bytes.end(), data, data + count);
  }

 private:
  uint64_t limit_;
};

enum class Outcome { Ok, BadData, InputShort };

struct Decoded {
  Outcome outcome = Outcome::Ok;
  Bytes bytes;
  size_t consumed = 0;
};

// Method 1 to 6 with the entry's flags over exactly the given bytes; the decoder stops after `size` bytes.
inline Decoded DecodeEntry(int method, uint16_t flags, const Bytes& compressed, uint64_t size) {
  MemoryInput in(compressed, 32768, 0);
  VectorOutput out(size);
  Decoded d;
  try {
    int rc = method == 1   ? zip::UnShrink(in, out, size)
             : method == 6 ? zip::Explode(in, out, flags, size)
                           : zip::UnReduce(in, out, method - 1, size);
    d.outcome = rc == zip::kLegacyOk ? Outcome::Ok : Outcome::BadData;
  } catch (const zip::EFatalUnzipError&) {
    out.FlushOutput();
    d.outcome = Outcome::InputShort;
  }
  d.bytes = std::move(out.bytes);
  d.consumed = in.Consumed();
  return d;
}

// Hands a memory stream to the reader, fills it with the archive's bytes and reads the directory.
template <typename Container>
void LoadArchive(zip::TZipReader& reader, const Container& bytes) {
  auto stream = std::make_unique<pf::TMemoryStream>();
  pf::TMemoryStream* raw = stream.get();
  reader.SetSourceStream(std::move(stream));
  if (!bytes.empty()) raw->WriteBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
  reader.ReadDirectory();
}

inline std::string Contents(pf::TMemoryStream& s) {
  return std::string(reinterpret_cast<const char*>(s.Memory()), static_cast<size_t>(s.Size()));
}

// Runs f and checks that it raises E with the given message.
template <typename E, typename F>
void ExpectRaises(F&& f, const std::string& message) {
  try {
    f();
    ADD_FAILURE() << "no exception; expected \"" << message << "\"";
  } catch (const E& e) {
    EXPECT_EQ(e.Message(), message);
  }
}

// Runs a shell command; what it printed, and its exit status in `status` (-1 when it did not exit normally).
inline std::string Shell(const std::string& command, int& status) {
  std::string out;
  status = -1;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return out;
  char buffer[65536];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  int rc = ::pclose(pipe);
  status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  return out;
}

// A fresh folder under the system's temporary folder, removed with everything in it at the end of the scope.
struct ScratchDir {
  ScratchDir() {
    static int n = 0;
    path =
        std::filesystem::temp_directory_path() / ("ziptest-" + std::to_string(::getpid()) + "-" + std::to_string(++n));
    std::filesystem::create_directories(path);
  }
  ~ScratchDir() { std::filesystem::remove_all(path); }
  std::string operator/(const std::string& name) const { return (path / name).string(); }
  std::filesystem::path path;
};

inline std::string Quote(const std::string& s) { return "'" + s + "'"; }

}  // namespace ziptest
