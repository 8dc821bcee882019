// The largest single allocation of a step, for tests that a step costs what it shows, not what a page asks for.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#if defined(__SANITIZE_ADDRESS__)
// The sanitizer runtime's allocation hooks (its interface header is not always installed).
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*onMalloc)(const volatile void*, size_t),
                                                         void (*onFree)(const volatile void*));
#endif

namespace pf {

namespace allocation_watch {
inline std::atomic<bool> watching{false};
inline std::atomic<size_t> largest{0};
inline void OnMalloc(const volatile void*, size_t size) {
  if (!watching) return;
  for (size_t seen = largest; size > seen && !largest.compare_exchange_weak(seen, size);) {
  }
}
inline void OnFree(const volatile void*) {}
}  // namespace allocation_watch

// The largest single allocation while f runs, in bytes; -1 where allocations cannot be watched (builds without the
// address sanitizer).
inline int64_t LargestAllocation(const std::function<void()>& f) {
  using namespace allocation_watch;
#if defined(__SANITIZE_ADDRESS__)
  static const bool installed = __sanitizer_install_malloc_and_free_hooks(OnMalloc, OnFree) != 0;
#else
  const bool installed = false;
#endif
  largest = 0;
  watching = installed;
  f();
  watching = false;
  return installed ? int64_t(largest) : -1;
}

}  // namespace pf
