// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Zeroed memory for a picture's buffers. Large buffers come straight from the
// system, already zero, and are asked for in huge pages where the system
// gives them: a fresh buffer's pages are first touched while a render stores
// into it, and one fault per 2 MiB costs far less than one per 4 KiB.

#include <cstddef>
#include <cstdint>
#include <memory>

struct TZeroedRelease {
  size_t Bytes = 0;  // 0: from the heap
  void operator()(void* p) const;
};

template <class T>
using TZeroedBuffer = std::unique_ptr<T[], TZeroedRelease>;

// `bytes` of zeroed memory, or null when there is not that much.
std::unique_ptr<void, TZeroedRelease> AllocateZeroed(uint64_t bytes);

template <class T>
TZeroedBuffer<T> AllocateZeroedArray(uint64_t count) {
  if (count > UINT64_MAX / sizeof(T)) return nullptr;
  auto memory = AllocateZeroed(count * sizeof(T));
  const TZeroedRelease release = memory.get_deleter();
  return TZeroedBuffer<T>(static_cast<T*>(memory.release()), release);
}
