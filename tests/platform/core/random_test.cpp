#include "platform/core/random.h"

#include <gtest/gtest.h>

#include <set>

#include "platform/core/exceptions.h"

namespace {

TEST(Random, LcgSequenceFromAKnownSeed) {
  pf::LcgRandom lcg(0);
  // 0 * 134775813 + 1 = 1; (1 * 10) >> 32 = 0
  EXPECT_EQ(lcg.Random(10), 0);
  EXPECT_EQ(lcg.Seed(), 1u);
  // 1 * 134775813 + 1 = 134775814; 134775814 * 100 = 13477581400 = 3.14 * 2^32 -> 3
  EXPECT_EQ(lcg.Random(100), 3);
  EXPECT_EQ(lcg.Seed(), 134775814u);
  // 134775814 * 134775813 + 1 = 18164519904586783 = 4229256 * 2^32 + 3698175007;
  // 3698175007 * 1000 = 3698175007000 = 861.05 * 2^32 -> 861
  EXPECT_EQ(lcg.Random(1000), 861);
  EXPECT_EQ(lcg.Seed(), 3698175007u);
  // 3698175007 * 134775813 + 1 = 498424543184705692, mod 2^32 = 870078620; / 2^32 = 0.202580965...
  EXPECT_DOUBLE_EQ(lcg.RandomReal(), 870078620.0 / 4294967296.0);
  EXPECT_EQ(lcg.Seed(), 870078620u);

  // An empty range answers 0 and still advances the seed (870078620 * 134775813 + 1 mod 2^32 differs from it).
  EXPECT_EQ(lcg.Random(0), 0);
  EXPECT_EQ(lcg.Random(-5), 0);
  EXPECT_NE(lcg.Seed(), 870078620u);

  // The top of the 32-bit range: seed 0xFFFFFFFF steps to 0xFFFFFFFF * 134775813 + 1 = -134775813 + 1 mod 2^32
  // = 4160191484; (4160191484 * 2147483647) >> 32 = 2080095741.
  lcg.SetSeed(0xFFFFFFFFu);
  EXPECT_EQ(lcg.Random(2147483647), 2080095741);
}

TEST(Random, LcgDrawsStayInRangeAndCoverIt) {
  pf::LcgRandom lcg(12345);
  std::set<int32_t> seen;
  for (int i = 0; i < 2000; ++i) {
    int32_t v = lcg.Random(4);
    ASSERT_GE(v, 0);
    ASSERT_LT(v, 4);
    seen.insert(v);
    double r = lcg.RandomReal();
    ASSERT_GE(r, 0.0);
    ASSERT_LT(r, 1.0);
  }
  EXPECT_EQ(seen.size(), 4u);

  // Randomize takes its seed from the clock: two seeds a moment apart differ.
  pf::LcgRandom a, b;
  a.Randomize();
  timespec pause{0, 2000};
  nanosleep(&pause, nullptr);
  b.Randomize();
  EXPECT_NE(a.Seed(), b.Seed());
}

TEST(Random, ScriptedSourceAnswersInOrderAndRejectsSurprises) {
  pf::ScriptedRandom script;
  script.PushInt(2);
  script.PushInt(0);
  script.PushReal(0.5);
  script.Randomize();
  EXPECT_EQ(script.RandomizeCalls(), 1);
  EXPECT_EQ(script.Remaining(), 3u);
  EXPECT_EQ(script.Random(3), 2);
  EXPECT_EQ(script.Random(0), 0);  // empty range: no draw
  EXPECT_EQ(script.Random(1), 0);
  EXPECT_EQ(script.RandomReal(), 0.5);
  EXPECT_EQ(script.Remaining(), 0u);
  EXPECT_THROW(script.Random(5), pf::EInvalidOperation);  // nothing left
  EXPECT_THROW(script.RandomReal(), pf::EInvalidOperation);

  script.PushInt(4);
  EXPECT_THROW(script.Random(4), pf::EInvalidOperation);  // outside 0..3
  script.PushReal(1.0);
  EXPECT_THROW(script.RandomReal(), pf::EInvalidOperation);
}

TEST(Random, ProcessWideSourceCanBeReplaced) {
  pf::ScriptedRandom script;
  script.PushInt(6);
  script.PushReal(0.25);
  pf::SetRandomSource(&script);
  pf::Randomize();
  EXPECT_EQ(pf::Random(7), 6);
  EXPECT_EQ(pf::Random(), 0.25);
  EXPECT_EQ(script.RandomizeCalls(), 1);
  pf::SetRandomSource(nullptr);
  EXPECT_NE(dynamic_cast<pf::LcgRandom*>(&pf::RandomSource()), nullptr);
  int32_t v = pf::Random(10);
  EXPECT_TRUE(v >= 0 && v < 10);
}

}  // namespace
