#include <gtest/gtest.h>

#include <chrono>
#include <random>

#include "tests/zip_legacy/decode_util.h"
#include "tests/zip_legacy/test_data.h"

namespace legacytest {
namespace {

Bytes Mutate(const Bytes& stream, std::mt19937& random) {
  Bytes m = stream;
  switch (random() % 5) {
    case 0:  // a few flipped bits
      for (unsigned i = 1 + random() % 8; i > 0; --i)
        m[random() % m.size()] ^= static_cast<uint8_t>(1u << random() % 8);
      break;
    case 1:  // a run of random bytes
      for (size_t at = random() % m.size(), n = 1 + random() % 16; n > 0 && at < m.size(); --n, ++at)
        m[at] = static_cast<uint8_t>(random());
      break;
    case 2:  // cut short
      m.resize(random() % m.size());
      break;
    case 3:  // bytes inserted
      m.insert(m.begin() + static_cast<long>(random() % m.size()), 1 + random() % 8, static_cast<uint8_t>(random()));
      break;
    default:  // noise of the same length
      for (auto& b : m) b = static_cast<uint8_t>(random());
      break;
  }
  return m;
}

// 1,000 mutants of a valid stream per method and variant, with the true size, twice it and a random size: each ends
// with a result or an input shortage, writes at most the stated size and takes bounded time.
TEST(LegacyMutations, MutatedStreamsEndWithinBoundedTime) {
  using Clock = std::chrono::steady_clock;
  Bytes full = Source("small.txt");
  Bytes src(full.begin(), full.begin() + 3000);
  struct Variant {
    int method;
    uint16_t flags;
    Bytes stream;
  };
  std::vector<Variant> variants = {{1, 0, Shrink(src, 40)}};
  for (int factor = 1; factor <= 4; ++factor) variants.push_back({factor + 1, 0, Reduce(src, factor, true)});
  for (bool big : {false, true})
    for (bool literals : {false, true})
      variants.push_back({6, ImplodeFlags(big, literals), Implode(src, big, literals)});

  std::mt19937 random(20240115);
  for (const Variant& v : variants) {
    SCOPED_TRACE("method " + std::to_string(v.method) + " flags " + std::to_string(v.flags));
    int bad = 0, shortInput = 0;
    Clock::duration slowest{};
    for (int i = 0; i < 1000; ++i) {
      Bytes m = Mutate(v.stream, random);
      uint64_t size = i % 3 == 0 ? src.size() : i % 3 == 1 ? 2 * src.size() : random() % 20000;
      auto start = Clock::now();
      Decoded d = DecodeEntry(v.method, v.flags, m, size);
      slowest = std::max(slowest, Clock::now() - start);
      ASSERT_LE(d.bytes.size(), size);
      ASSERT_LE(d.consumed, m.size());
      bad += d.outcome == Outcome::BadData;
      shortInput += d.outcome == Outcome::InputShort;
    }
    EXPECT_GT(bad, 0);
    EXPECT_GT(shortInput, 0);
    EXPECT_LT(slowest, std::chrono::seconds(1));
  }
}

}  // namespace
}  // namespace legacytest
