// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The 3 x 3 smoothing weights the 3D view and the anti-aliased image share:
// centre 0.2, the four edge neighbours 0.15, the four corners 0.05.

#include <cstdint>

constexpr float kSmoothingWeights[3][3] = {
    {0.05f, 0.15f, 0.05f},
    {0.15f, 0.2f, 0.15f},
    {0.05f, 0.15f, 0.05f},
};

// The weighted sum of the nine values around a point; at(dx, dy) gives the
// value at that offset (dx, dy in -1..1, dy counted downwards). The terms are
// added centre first, then row by row, so every caller rounds alike.
template <class At>
inline double WeightedSum3x3(At&& at) {
  double sum = double(kSmoothingWeights[1][1]) * double(at(0, 0));
  for (int32_t dy = -1; dy <= 1; ++dy)
    for (int32_t dx = -1; dx <= 1; ++dx)
      if (dx != 0 || dy != 0) sum += double(kSmoothingWeights[dy + 1][dx + 1]) * double(at(dx, dy));
  return sum;
}
