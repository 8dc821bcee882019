#include "platform/core/streams.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/core/exceptions.h"

namespace {

using namespace pf;

std::vector<uint8_t> Pattern(size_t size) {
  // Compressible but not trivial: runs, text and pseudo-random bytes.
  std::vector<uint8_t> bytes(size);
  uint32_t seed = 12345;
  for (size_t i = 0; i < size; ++i) {
    seed = seed * 1103515245 + 12345;
    bytes[i] = (i / 1000) % 3 == 0 ? static_cast<uint8_t>(seed >> 24)
                                   : static_cast<uint8_t>(
                                         "Pr\xFC"
                                         "fung "[i % 8]);
  }
  return bytes;
}

std::vector<uint8_t> ReadAll(TStream& stream) {
  std::vector<uint8_t> out;
  uint8_t chunk[1000];
  while (int32_t n = stream.Read(chunk, sizeof chunk)) out.insert(out.end(), chunk, chunk + n);
  return out;
}

class FileStreamTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char templ[] = "/tmp/pexu-streams-XXXXXX";
    dir_ = ::mkdtemp(templ);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string Path(const std::string& name) const { return dir_ + "/" + name; }
  std::string dir_;
};

TEST(MemoryStream, WritesSeeksAndGrowsWithZeros) {
  TMemoryStream stream;
  stream.WriteBuffer("abc", 3);
  EXPECT_EQ(stream.Seek(5, soCurrent), 8);
  stream.WriteBuffer("Z", 1);
  ASSERT_EQ(stream.Size(), 9);
  EXPECT_EQ(std::memcmp(stream.Memory(), "abc\0\0\0\0\0Z", 9), 0);

  EXPECT_EQ(stream.Seek(-2, soEnd), 7);
  char two[4] = {};
  EXPECT_EQ(stream.Read(two, 4), 2);  // short read at the end does not raise
  EXPECT_EQ(stream.Read(two, 4), 0);
  stream.SetPosition(7);
  EXPECT_THROW(stream.ReadBuffer(two, 3), EReadError);
  EXPECT_THROW(stream.Seek(-1, soBeginning), EStreamError);

  stream.SetSize(2);  // the position follows a shrinking end
  EXPECT_EQ(stream.Position(), 2);
  stream.SetSize(4);
  EXPECT_EQ(std::memcmp(stream.Memory(), "ab\0\0", 4), 0);
  stream.Clear();
  EXPECT_EQ(stream.Size(), 0);
  EXPECT_EQ(stream.Position(), 0);
}

TEST(MemoryStream, ReadOnlyViewRefusesWritesAndSizeChanges) {
  const char bytes[] = "hello";
  TReadOnlyMemoryStream stream(bytes, 5);
  EXPECT_EQ(stream.Write("x", 1), 0);
  try {
    stream.WriteBuffer("x", 1);
    FAIL() << "no exception";
  } catch (const EWriteError& e) {
    EXPECT_EQ(e.Message(), "Stream write error");
  }
  EXPECT_THROW(stream.SetSize(3), EStreamError);
  char out[5];
  stream.ReadBuffer(out, 5);
  EXPECT_EQ(std::string(out, 5), "hello");
  try {
    stream.ReadBuffer(out, 1);
    FAIL() << "no exception";
  } catch (const EReadError& e) {
    EXPECT_EQ(e.Message(), "Stream read error");
  }
}

TEST(MemoryStream, CopyFromAndLoadFromStream) {
  std::vector<uint8_t> data = Pattern(200000);
  TReadOnlyMemoryStream source(data.data(), static_cast<int64_t>(data.size()));
  source.SetPosition(100);
  TMemoryStream all;
  EXPECT_EQ(all.CopyFrom(source, 0), 200000);  // 0: the whole source from its start
  ASSERT_EQ(all.Size(), 200000);
  EXPECT_EQ(std::memcmp(all.Memory(), data.data(), data.size()), 0);

  source.SetPosition(199990);
  TMemoryStream part;
  EXPECT_EQ(part.CopyFrom(source, 10), 10);
  EXPECT_EQ(std::memcmp(part.Memory(), data.data() + 199990, 10), 0);
  source.SetPosition(199995);
  EXPECT_THROW(part.CopyFrom(source, 10), EReadError);

  TMemoryStream loaded;
  loaded.WriteBuffer("old contents", 12);
  all.SetPosition(5000);
  loaded.LoadFromStream(all);
  EXPECT_EQ(loaded.Position(), 0);
  ASSERT_EQ(loaded.Size(), 200000);
  EXPECT_EQ(std::memcmp(loaded.Memory(), data.data(), data.size()), 0);
}

TEST_F(FileStreamTest, FileStreamCreateReopenAndResize) {
  std::string name = Path("Data.BIN");
  {
    TFileStream file(name, fmCreate);
    file.WriteBuffer("0123456789", 10);
    file.Flush();
    EXPECT_EQ(file.Size(), 10);
    EXPECT_EQ(file.Position(), 10);  // Size leaves the position alone
  }
  struct stat info {};
  ASSERT_EQ(::stat(name.c_str(), &info), 0);
  mode_t mask = ::umask(0);
  ::umask(mask);
  EXPECT_EQ(info.st_mode & 0777, 0666 & ~mask);

  {
    TFileStream file(Path("data.bin"), fmOpenReadWrite | fmShareExclusive);  // found without regard to case
    file.Seek(4, soBeginning);
    file.WriteBuffer("ab", 2);
    file.SetSize(8);
    EXPECT_EQ(file.Position(), 6);
  }
  {
    TFileStream file(Path("DATA.bin"), fmOpenRead | fmShareDenyNone);
    std::vector<uint8_t> bytes = ReadAll(file);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "0123ab67");
  }
  {
    TFileStream file(name, fmCreate);  // truncates
    EXPECT_EQ(file.Size(), 0);
  }

  TMemoryStream memory;
  memory.WriteBuffer("saved", 5);
  memory.SaveToFile(Path("saved.txt"));
  TMemoryStream back;
  back.LoadFromFile(Path("Saved.TXT"));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(back.Memory()), 5), "saved");
}

TEST_F(FileStreamTest, FileStreamErrorsNameTheFile) {
  std::string missing = Path("missing.txt");
  try {
    TFileStream file(missing, fmOpenRead);
    FAIL() << "no exception";
  } catch (const EFOpenError& e) {
    EXPECT_EQ(e.Message(), "Cannot open file \"" + missing + "\"");
  }
  EXPECT_THROW(TFileStream(dir_, fmOpenRead), EFOpenError);  // a folder is no file
  std::string noFolder = Path("no/such/file.txt");
  try {
    TFileStream file(noFolder, fmCreate);
    FAIL() << "no exception";
  } catch (const EFCreateError& e) {
    EXPECT_EQ(e.Message(), "Cannot create file \"" + noFolder + "\"");
  }
}

TEST(ZlibStreams, RoundTripAtEveryLevelAndAgainstZlib) {
  std::vector<uint8_t> data = Pattern(300000);
  for (TCompressionLevel level : {TCompressionLevel::clNone, TCompressionLevel::clFastest, TCompressionLevel::clDefault,
                                  TCompressionLevel::clMax}) {
    TMemoryStream packed;
    {
      TZCompressionStream z(packed, level);
      // Uneven pieces exercise the buffering.
      for (size_t at = 0; at < data.size(); at += 7777) {
        int32_t n = static_cast<int32_t>(std::min<size_t>(7777, data.size() - at));
        z.WriteBuffer(data.data() + at, n);
      }
      EXPECT_EQ(z.Position(), 300000);
      z.Finish();
      z.Finish();  // once only
      EXPECT_THROW(z.WriteBuffer("x", 1), EZCompressionError);
    }
    // zlib itself accepts our output.
    std::vector<uint8_t> unpacked(data.size());
    uLongf length = static_cast<uLongf>(unpacked.size());
    ASSERT_EQ(uncompress(unpacked.data(), &length, packed.Memory(), static_cast<uLong>(packed.Size())), Z_OK);
    EXPECT_EQ(length, data.size());
    EXPECT_EQ(unpacked, data);

    packed.SetPosition(0);
    TZDecompressionStream unz(packed);
    EXPECT_EQ(ReadAll(unz), data);
  }
}

TEST(ZlibStreams, DecompressesZlibOutputAndLeavesTrailingBytes) {
  std::vector<uint8_t> data = Pattern(100000);
  std::vector<uint8_t> packed(compressBound(static_cast<uLong>(data.size())));
  uLongf length = static_cast<uLongf>(packed.size());
  ASSERT_EQ(compress2(packed.data(), &length, data.data(), static_cast<uLong>(data.size()), 9), Z_OK);
  packed.resize(length);
  packed.insert(packed.end(), {'T', 'A', 'I', 'L'});

  TReadOnlyMemoryStream source(packed.data(), static_cast<int64_t>(packed.size()));
  TZDecompressionStream unz(source);
  EXPECT_EQ(unz.Seek(50000, soBeginning), 50000);  // forward by reading
  uint8_t byte = 0;
  unz.ReadBuffer(&byte, 1);
  EXPECT_EQ(byte, data[50000]);
  EXPECT_THROW(unz.Seek(10, soBeginning), EZDecompressionError);
  EXPECT_THROW(unz.Seek(0, soEnd), EZDecompressionError);
  EXPECT_THROW(unz.Write("x", 1), EZDecompressionError);
  EXPECT_EQ(unz.Seek(0, soBeginning), 0);  // back to the start decompresses again
  EXPECT_EQ(ReadAll(unz), data);
  // The source is left right after the compressed data.
  char tail[4];
  source.ReadBuffer(tail, 4);
  EXPECT_EQ(std::string(tail, 4), "TAIL");
}

TEST(ZlibStreams, DamagedOrTruncatedInputRaises) {
  std::vector<uint8_t> data = Pattern(50000);
  std::vector<uint8_t> packed(compressBound(static_cast<uLong>(data.size())));
  uLongf length = static_cast<uLongf>(packed.size());
  ASSERT_EQ(compress2(packed.data(), &length, data.data(), static_cast<uLong>(data.size()), 6), Z_OK);
  packed.resize(length);

  std::vector<uint8_t> truncated(packed.begin(), packed.begin() + static_cast<long>(length / 2));
  TReadOnlyMemoryStream shortSource(truncated.data(), static_cast<int64_t>(truncated.size()));
  TZDecompressionStream shortStream(shortSource);
  EXPECT_THROW(ReadAll(shortStream), EZDecompressionError);

  std::vector<uint8_t> badCheck = packed;
  badCheck[badCheck.size() - 1] ^= 0xFF;  // the Adler-32 trailer
  TReadOnlyMemoryStream badSource(badCheck.data(), static_cast<int64_t>(badCheck.size()));
  TZDecompressionStream badStream(badSource);
  EXPECT_THROW(ReadAll(badStream), EZDecompressionError);

  const uint8_t notZlib[] = "this is not compressed";
  TReadOnlyMemoryStream plain(notZlib, sizeof notZlib);
  TZDecompressionStream plainStream(plain);
  uint8_t out[10];
  EXPECT_THROW(plainStream.Read(out, 10), EZDecompressionError);
}

}  // namespace
