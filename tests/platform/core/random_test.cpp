#include "platform/core/random.h"

#include <gtest/gtest.h>

#include "platform/core/exceptions.h"

namespace {

TEST(Random, LcgSequenceFromAKnownSeed) {
  pf::LcgRandom lcg(0);
  // Each draw first steps the seed (seed * 134775813 + 1 mod 2^32), then scales it: (seed * n) >> 32.
  // Seeds 1, 134775814 (* 100 = 3.14 * 2^32) and 3698175007 (* 1000 = 861.05 * 2^32).
  EXPECT_EQ(lcg.Random(10), 0);
  EXPECT_EQ(lcg.Random(100), 3);
  EXPECT_EQ(lcg.Random(1000), 861);
  EXPECT_EQ(lcg.Seed(), 3698175007u);
  // 3698175007 * 134775813 + 1 mod 2^32 = 870078620; the real draw is seed / 2^32.
  EXPECT_DOUBLE_EQ(lcg.RandomReal(), 870078620.0 / 4294967296.0);
  // An empty range answers 0 and still advances the seed.
  EXPECT_EQ(lcg.Random(0), 0);
  EXPECT_EQ(lcg.Random(-5), 0);
  EXPECT_NE(lcg.Seed(), 870078620u);
  // The top of the 32-bit range: 0xFFFFFFFF steps to 4160191484; (4160191484 * 2147483647) >> 32 = 2080095741.
  lcg.SetSeed(0xFFFFFFFFu);
  EXPECT_EQ(lcg.Random(2147483647), 2080095741);

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
  for (int value : {2, 0}) script.PushInt(value);
  script.PushReal(0.5);
  pf::SetRandomSource(&script);
  pf::Randomize();
  EXPECT_EQ(script.RandomizeCalls(), 1);
  EXPECT_EQ(pf::Random(3), 2);
  EXPECT_EQ(pf::Random(0), 0);  // empty range: no draw
  EXPECT_EQ(pf::Random(1), 0);
  EXPECT_EQ(pf::Random(), 0.5);
  EXPECT_EQ(script.Remaining(), 0u);
  EXPECT_THROW(pf::Random(5), pf::EInvalidOperation);  // nothing left
  script.PushInt(4);
  EXPECT_THROW(pf::Random(4), pf::EInvalidOperation);  // outside 0..3
  script.PushReal(1.0);
  EXPECT_THROW(pf::Random(), pf::EInvalidOperation);

  pf::SetRandomSource(nullptr);
  EXPECT_NE(dynamic_cast<pf::LcgRandom*>(&pf::RandomSource()), nullptr);
}

}  // namespace
