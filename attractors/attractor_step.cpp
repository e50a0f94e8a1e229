// SPDX-License-Identifier: GPL-3.0-or-later
#include "attractors/attractor_step.h"

#include <chrono>
#include <cmath>

namespace {

// The five affine maps of kind 1, chosen by the running sum of P.
bool StepIFS(const TAttractorTable& t, const TAttractorPoint& p, TAttractorPoint& out, TAttractorRandom& random) {
  Extended total = 0;
  for (int32_t i = 0; i < kAttractorRows; ++i) total += t.A[i][kProbabilityColumn];
  const float r = float(Extended(random.Next()) * total);
  float sum = 0;
  for (int32_t i = 0; i < kAttractorRows; ++i) {
    sum += t.A[i][kProbabilityColumn];
    if (r <= sum) {
      const float* a = t.A[i];
      out.x = a[0] * p.x + a[1] * p.y + a[2] * p.z + a[3];
      out.y = a[4] * p.x + a[5] * p.y + a[6] * p.z + a[7];
      out.z = a[8] * p.x + a[9] * p.y + a[10] * p.z + a[11];
      return true;
    }
  }
  return false;
}

Extended Quadratic(const float* a, Extended x, Extended y, Extended z) {
  return a[0] + a[1] * x + a[2] * x * x + a[3] * x * y + a[4] * x * z + a[5] * y + a[6] * y * y + a[7] * y * z +
         a[8] * z + a[9] * z * z;
}

}  // namespace

void TAttractorRandom::SeedFromClock() {
  const auto ticks = std::chrono::high_resolution_clock::now().time_since_epoch().count();
  Engine.seed(uint32_t(ticks) ^ uint32_t(uint64_t(ticks) >> 32));
}

void AttractorStep(int32_t kind, const TAttractorTable& table, TAttractorPoint& p, TAttractorRandom& random) {
  const Extended x = p.x, y = p.y, z = p.z;
  const float* a = table.A[0];
  TAttractorPoint n;
  switch (kind) {
    case kAttractorIFS:
      if (!StepIFS(table, p, n, random)) return;
      break;
    case kAttractorXYZ: {
      const Extended xyz = x * y * z;
      n.x = a[0] * x + 0.0001L + a[3] * y + a[6] * z + xyz;
      n.y = a[1] * x + 0.0001L + a[4] * y + a[7] * z + xyz;
      n.z = a[2] * x + 0.0001L + a[5] * y + a[8] * z + xyz;
      break;
    }
    case kAttractorQuadratic:
      n.x = Quadratic(table.A[0], x, y, z);
      n.y = Quadratic(table.A[1], x, y, z);
      n.z = Quadratic(table.A[2], x, y, z);
      break;
    case kAttractorSquares: {
      const Extended q = x * x + y * y + z * z;
      n.x = a[0] * x + 0.001L + a[1] * y + a[2] * z + a[3] * q;
      n.y = a[4] * x + 0.001L + a[5] * y + a[6] * z + a[7] * q;
      n.z = a[8] * x + 0.001L + a[9] * y + a[10] * z + a[11] * q;
      break;
    }
    default:
      return;
  }
  // Only sums and products: an overflow or an invalid operation anywhere in
  // the step leaves an infinite or NaN coordinate, so this test catches
  // exactly the faulted steps.
  if (!std::isfinite(n.x) || !std::isfinite(n.y) || !std::isfinite(n.z)) return;
  p = n;
}
