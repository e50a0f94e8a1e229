// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/zeroed_buffer.h"

#include <sys/mman.h>

#include <cstdlib>

namespace {

// Below this, the heap serves; above, the buffer is mapped on its own.
constexpr uint64_t kMappedFrom = 2u << 20;

}  // namespace

void TZeroedRelease::operator()(void* p) const {
  if (!p) return;
  if (Bytes > 0)
    munmap(p, Bytes);
  else
    std::free(p);
}

std::unique_ptr<void, TZeroedRelease> AllocateZeroed(uint64_t bytes) {
  if (bytes > SIZE_MAX) return {nullptr, {}};
  if (bytes < kMappedFrom) return {std::calloc(bytes > 0 ? size_t(bytes) : 1, 1), {}};
  void* p = mmap(nullptr, size_t(bytes), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (p == MAP_FAILED) return {nullptr, {}};
#ifdef MADV_HUGEPAGE
  madvise(p, size_t(bytes), MADV_HUGEPAGE);  // a hint: without huge pages the buffer works the same
#endif
  return {p, {size_t(bytes)}};
}
