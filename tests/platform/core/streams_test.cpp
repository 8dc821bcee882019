#include "platform/core/streams.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>

#include "platform/core/exceptions.h"
#include "platform/core/strings.h"
#include "tests/platform/core/test_helpers.h"

namespace {

using namespace pf;
using namespace pf::literals;
using pf::test::MessageOf;
using Bytes = std::vector<uint8_t>;

// Compressible but not trivial: stretches of text between stretches of pseudo-random bytes.
Bytes Pattern(size_t size) {
  Bytes bytes(size);
  uint32_t seed = 12345;
  for (size_t i = 0; i < size; ++i) {
    seed = seed * 1103515245 + 12345;
    bytes[i] = (i / 1000) % 3 == 0 ? static_cast<uint8_t>(seed >> 24) : static_cast<uint8_t>("Prüfung "_l1[i % 8]);
  }
  return bytes;
}

Bytes ReadAll(TStream& stream) {
  Bytes out;
  uint8_t chunk[1000];
  while (int32_t n = stream.Read(chunk, sizeof chunk)) out.insert(out.end(), chunk, chunk + n);
  return out;
}

Bytes ZlibCompress(const Bytes& data) {
  Bytes packed(compressBound(static_cast<uLong>(data.size())));
  uLongf length = static_cast<uLongf>(packed.size());
  EXPECT_EQ(compress2(packed.data(), &length, data.data(), static_cast<uLong>(data.size()), 9), Z_OK);
  packed.resize(length);
  return packed;
}

TEST(MemoryStreams, SeekWriteSizeAndShortTransfers) {
  TMemoryStream stream;
  stream.WriteBuffer("abc", 3);
  EXPECT_EQ(stream.Seek(5, soCurrent), 8);
  stream.WriteBuffer("Z", 1);  // the gap reads as zeros
  ASSERT_EQ(stream.Size(), 9);
  EXPECT_EQ(std::memcmp(stream.Memory(), "abc\0\0\0\0\0Z", 9), 0);
  char buffer[4] = {};
  EXPECT_EQ(stream.Seek(-2, soEnd), 7);
  EXPECT_EQ(stream.Read(buffer, 4), 2);  // a short read does not raise
  stream.SetPosition(7);
  EXPECT_EQ(MessageOf<EReadError>([&] { stream.ReadBuffer(buffer, 3); }), "Stream read error");
  EXPECT_THROW(stream.Seek(-1, soBeginning), EStreamError);
  // Positions near the 64-bit limit raise instead of wrapping around.
  EXPECT_EQ(stream.Seek(INT64_MAX, soBeginning), INT64_MAX);
  EXPECT_THROW(stream.Seek(1, soCurrent), EStreamError);
  EXPECT_THROW(stream.WriteBuffer("x", 1), EWriteError);
  EXPECT_EQ(stream.Size(), 9);
  stream.SetSize(2);  // the position follows a shrinking end
  EXPECT_EQ(stream.Position(), 2);

  TReadOnlyMemoryStream view("hello", 5);
  EXPECT_EQ(view.Write("x", 1), 0);
  EXPECT_EQ(MessageOf<EWriteError>([&] { view.WriteBuffer("x", 1); }), "Stream write error");
  EXPECT_THROW(view.SetSize(3), EStreamError);  // refused, not silently ignored
}

TEST(MemoryStreams, CopyFromAndLoadFromStream) {
  Bytes data = Pattern(200000);
  TReadOnlyMemoryStream source(data.data(), static_cast<int64_t>(data.size()));
  source.SetPosition(100);
  TMemoryStream all;
  EXPECT_EQ(all.CopyFrom(source, 0), 200000);  // 0: the whole source from its start
  EXPECT_EQ(Bytes(all.Memory(), all.Memory() + all.Size()), data);
  source.SetPosition(199995);
  EXPECT_THROW(all.CopyFrom(source, 10), EReadError);

  TMemoryStream loaded;
  loaded.WriteBuffer("old contents", 12);
  all.SetPosition(5000);
  loaded.LoadFromStream(all);
  EXPECT_EQ(loaded.Position(), 0);
  EXPECT_EQ(Bytes(loaded.Memory(), loaded.Memory() + loaded.Size()), data);
}

using FileStreams = pf::test::TempDirTest;

TEST_F(FileStreams, CreateReopenWithoutRegardToCaseAndResize) {
  {
    TFileStream file(Path("Data.BIN"), fmCreate);
    file.WriteBuffer("0123456789", 10);
    file.Flush();
    EXPECT_EQ(file.Size(), 10);
    EXPECT_EQ(file.Position(), 10);  // Size leaves the position alone
  }
  {
    TFileStream file(Path("data.bin"), fmOpenReadWrite | fmShareExclusive);
    file.Seek(4, soBeginning);
    file.WriteBuffer("ab", 2);
    file.SetSize(8);
  }
  TFileStream file(Path("DATA.bin"), fmOpenRead);
  Bytes bytes = ReadAll(file);
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "0123ab67");

  EXPECT_EQ(MessageOf<EFOpenError>([&] { TFileStream(Path("missing"), fmOpenRead); }),
            "Cannot open file \"" + Path("missing") + "\"");
  EXPECT_THROW(TFileStream(dir_, fmOpenRead), EFOpenError);  // a folder is no file

  // A read the system refuses raises instead of passing for the end of the data.
  int fd = ::open(Path("Data.BIN").c_str(), O_WRONLY | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  THandleStream writeOnly(fd);
  EXPECT_THROW(ReadAll(writeOnly), EReadError);
  ::close(fd);
  EXPECT_EQ(MessageOf<EFCreateError>([&] { TFileStream(Path("no/file"), fmCreate); }),
            "Cannot create file \"" + Path("no/file") + "\"");
}

TEST(ZlibStreams, RoundTripAtEveryLevelReadableByZlib) {
  Bytes data = Pattern(300000);
  for (TCompressionLevel level : {TCompressionLevel::clNone, TCompressionLevel::clFastest, TCompressionLevel::clDefault,
                                  TCompressionLevel::clMax}) {
    TMemoryStream packed;
    {
      TZCompressionStream z(packed, level);
      for (size_t at = 0; at < data.size(); at += 7777) {  // uneven pieces
        z.WriteBuffer(data.data() + at, static_cast<int32_t>(std::min<size_t>(7777, data.size() - at)));
      }
      EXPECT_EQ(z.Position(), 300000);
      z.Finish();
      z.Finish();  // finishes once only
      EXPECT_THROW(z.WriteBuffer("x", 1), EZCompressionError);
    }
    Bytes unpacked(data.size());
    uLongf length = static_cast<uLongf>(unpacked.size());
    ASSERT_EQ(uncompress(unpacked.data(), &length, packed.Memory(), static_cast<uLong>(packed.Size())), Z_OK);
    EXPECT_EQ(unpacked, data);
    packed.SetPosition(0);
    TZDecompressionStream unz(packed);
    EXPECT_EQ(ReadAll(unz), data);
  }
}

TEST(ZlibStreams, ReadsZlibOutputSeeksForwardAndLeavesTrailingBytes) {
  Bytes data = Pattern(100000);
  Bytes packed = ZlibCompress(data);
  packed.insert(packed.end(), {'T', 'A', 'I', 'L'});
  TReadOnlyMemoryStream source(packed.data(), static_cast<int64_t>(packed.size()));
  TZDecompressionStream unz(source);
  EXPECT_EQ(unz.Seek(50000, soBeginning), 50000);
  uint8_t byte = 0;
  unz.ReadBuffer(&byte, 1);
  EXPECT_EQ(byte, data[50000]);
  EXPECT_THROW(unz.Seek(10, soBeginning), EZDecompressionError);
  EXPECT_THROW(unz.Seek(INT64_MAX, soCurrent), EZDecompressionError);
  EXPECT_THROW(unz.Write("x", 1), EZDecompressionError);
  EXPECT_EQ(unz.Seek(0, soBeginning), 0);  // back to the start decompresses again
  EXPECT_EQ(ReadAll(unz), data);
  char tail[4];
  source.ReadBuffer(tail, 4);
  EXPECT_EQ(std::string(tail, 4), "TAIL");
}

TEST(ZlibStreams, DamagedOrTruncatedInputRaises) {
  Bytes packed = ZlibCompress(Pattern(50000));
  Bytes truncated(packed.begin(), packed.begin() + static_cast<long>(packed.size() / 2));
  Bytes badCheck = packed;
  badCheck.back() ^= 0xFF;  // the Adler-32 trailer
  for (const Bytes& input : {truncated, badCheck, Bytes{'n', 'o', 't', ' ', 'z', 'l', 'i', 'b'}}) {
    TReadOnlyMemoryStream source(input.data(), static_cast<int64_t>(input.size()));
    TZDecompressionStream unz(source);
    EXPECT_THROW(ReadAll(unz), EZDecompressionError);
  }
}

}  // namespace
