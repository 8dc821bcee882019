// Random numbers. The production source is the classic 32-bit linear congruential generator
// (seed := seed * 134775813 + 1; Random(n) = high 32 bits of seed * n; the real draw is seed / 2^32), seeded from
// the clock by Randomize. Tests install a scripted source.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>

namespace pf {

class IRandomSource {
 public:
  virtual ~IRandomSource() = default;
  virtual void Randomize() = 0;
  virtual int32_t Random(int32_t range) = 0;  // 0..range-1; 0 when range <= 0
  virtual double RandomReal() = 0;            // [0, 1)
};

class LcgRandom : public IRandomSource {
 public:
  explicit LcgRandom(uint32_t seed = 0) : seed_(seed) {}
  void Randomize() override;  // seed from the clock
  int32_t Random(int32_t range) override;
  double RandomReal() override;
  uint32_t Seed() const { return seed_; }
  void SetSeed(uint32_t seed) { seed_ = seed; }

 private:
  void Next() { seed_ = seed_ * 134775813u + 1u; }
  uint32_t seed_;
};

// Answers Random(n) and RandomReal() from scripted queues. Random(n) with a scripted value outside 0..n-1, or an
// empty queue, raises EInvalidOperation so that a test notices a draw it did not expect.
class ScriptedRandom : public IRandomSource {
 public:
  void Randomize() override { ++randomizeCalls_; }
  int32_t Random(int32_t range) override;
  double RandomReal() override;
  void PushInt(int32_t value) { ints_.push_back(value); }
  void PushReal(double value) { reals_.push_back(value); }
  int RandomizeCalls() const { return randomizeCalls_; }
  std::size_t Remaining() const { return ints_.size() + reals_.size(); }

 private:
  std::deque<int32_t> ints_;
  std::deque<double> reals_;
  int randomizeCalls_ = 0;
};

// The process-wide source (an LcgRandom unless replaced). SetRandomSource(nullptr) restores the default.
IRandomSource& RandomSource();
void SetRandomSource(IRandomSource* source);
inline void Randomize() { RandomSource().Randomize(); }
inline int32_t Random(int32_t range) { return RandomSource().Random(range); }
inline double Random() { return RandomSource().RandomReal(); }

}  // namespace pf
