// Methods 2-5 (reduced): two stages. A probabilistic stage turns bits into bytes with the help of a follower set
// per preceding byte; a second stage expands DLE (144) sequences into copies from the last bytes written, whose
// length and distance widths depend on the compression factor (the method minus 1).
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "zip/copy_window.h"
#include "zip/legacy_methods.h"

namespace zip {

namespace {

constexpr int kDle = 144;
constexpr int kMaxFollowers = 32;
constexpr size_t kWindowSize = 16384;  // larger than the longest distance (4096); a power of two

// Bits of a follower index for a set of n followers (1 to 32).
int FollowerBits(int n) {
  int bits = 1;
  while ((1 << bits) < n) ++bits;
  return bits;
}

}  // namespace

int UnReduce(DecoderInput& in, DecoderOutput& out, int factor, uint64_t uncompressedSize) {
  if (factor < 1 || factor > 4) return kLegacyBadData;
  if (uncompressedSize == 0) return kLegacyOk;

  // Follower sets, stored from byte value 255 down to 0.
  std::array<int, 256> setSize{};
  std::vector<uint8_t> followers(256 * kMaxFollowers);
  for (int x = 255; x >= 0; --x) {
    int n = static_cast<int>(in.ReadBits(6));
    if (n > kMaxFollowers) {
      out.FlushOutput();
      return kLegacyBadData;
    }
    setSize[static_cast<size_t>(x)] = n;
    for (int i = 0; i < n; ++i)
      followers[static_cast<size_t>(x * kMaxFollowers + i)] = static_cast<uint8_t>(in.ReadBits(8));
  }

  const int lengthBits = 8 - factor;
  const int lengthMask = (1 << lengthBits) - 1;
  CopyWindow output(out, kWindowSize, uncompressedSize);
  int result = kLegacyOk;
  uint8_t last = 0;
  int state = 0;
  int v = 0;
  int length = 0;
  while (!output.Done()) {
    uint8_t c;
    int n = setSize[last];
    if (n == 0 || in.ReadBits(1) == 1) {
      c = static_cast<uint8_t>(in.ReadBits(8));
    } else {
      int index = static_cast<int>(in.ReadBits(FollowerBits(n)));
      if (index >= n) {
        result = kLegacyBadData;
        break;
      }
      c = followers[static_cast<size_t>(last * kMaxFollowers + index)];
    }
    last = c;

    switch (state) {
      case 0:
        if (c != kDle)
          output.Put(c);
        else
          state = 1;
        break;
      case 1:
        if (c == 0) {
          output.Put(kDle);
          state = 0;
        } else {
          v = c;
          length = v & lengthMask;
          state = length == lengthMask ? 2 : 3;
        }
        break;
      case 2:
        length += c;
        state = 3;
        break;
      default: {
        uint64_t distance = static_cast<uint64_t>((v >> lengthBits) * 256 + c + 1);
        if (!output.Copy(distance, static_cast<uint64_t>(length) + 3)) result = kLegacyBadData;
        state = 0;
        break;
      }
    }
    if (result != kLegacyOk) break;
  }
  out.FlushOutput();
  return result;
}

}  // namespace zip
