#include "platform/core/random.h"

#include <time.h>

#include "platform/core/exceptions.h"
#include "platform/core/strings.h"

namespace pf {

void LcgRandom::Randomize() {
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  seed_ = static_cast<uint32_t>(static_cast<uint64_t>(ts.tv_sec) * 1000000000ull + static_cast<uint64_t>(ts.tv_nsec));
}

int32_t LcgRandom::Random(int32_t range) {
  // Every call advances the generator, also for an empty range, as the classic generator does.
  Next();
  if (range <= 0) return 0;
  return static_cast<int32_t>((static_cast<uint64_t>(seed_) * static_cast<uint32_t>(range)) >> 32);
}

double LcgRandom::RandomReal() {
  Next();
  return static_cast<double>(seed_) / 4294967296.0;
}

int32_t ScriptedRandom::Random(int32_t range) {
  if (range <= 0) return 0;
  if (ints_.empty()) throw EInvalidOperation(Format("Unexpected draw Random(%d): no scripted value left", {range}));
  int32_t value = ints_.front();
  if (value < 0 || value >= range)
    throw EInvalidOperation(Format("Scripted value %d is outside Random(%d)", {value, range}));
  ints_.pop_front();
  return value;
}

double ScriptedRandom::RandomReal() {
  if (reals_.empty()) throw EInvalidOperation("Unexpected draw Random(): no scripted value left");
  double value = reals_.front();
  if (!(value >= 0.0 && value < 1.0)) throw EInvalidOperation(Format("Scripted value %g is outside Random()", {value}));
  reals_.pop_front();
  return value;
}

namespace {

IRandomSource*& Installed() {
  static IRandomSource* source = nullptr;
  return source;
}

}  // namespace

IRandomSource& RandomSource() {
  static LcgRandom standard;
  IRandomSource* source = Installed();
  return source != nullptr ? *source : standard;
}

void SetRandomSource(IRandomSource* source) { Installed() = source; }

}  // namespace pf
