// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/zeroed_buffer.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

TEST(ZeroedBuffer, EverySizeIsZeroAndWritableOrRefused) {
  // Empty, from the heap, at the edge of a mapping, mapped, and a run of
  // mappings of the same size given back in turn.
  for (const uint64_t count : {uint64_t(0), uint64_t(1000), uint64_t((2u << 20) / 4 - 1), uint64_t(2u << 20),
                               uint64_t(3000001)}) {
    for (int round = 0; round < 3; ++round) {
      TZeroedBuffer<float> buffer = AllocateZeroedArray<float>(count);
      ASSERT_NE(buffer, nullptr) << count;
      for (uint64_t i = 0; i < count; i += 1021) ASSERT_EQ(buffer[i], 0.0f) << count << " at " << i;
      if (count > 0) {
        ASSERT_EQ(buffer[count - 1], 0.0f);
        buffer[0] = buffer[count - 1] = 1;
      }
    }
  }
  // More than an address space holds, and a count whose bytes overflow.
  EXPECT_EQ(AllocateZeroedArray<uint8_t>(uint64_t(1) << 62), nullptr);
  EXPECT_EQ(AllocateZeroedArray<float>(UINT64_MAX / 2), nullptr);
}

}  // namespace
