// SPDX-License-Identifier: GPL-3.0-or-later
#include "formulas/pixel.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "formulas/formula_context.h"
#include "formulas/kernel_common.h"

namespace {

// Formula 0, z -> z^2 + c from z0 = c. On the real axis the pixel x = 1 runs
// through 1, 2, 5 (moduli 1, 4, 25) and escapes at iteration 3 for bailouts
// 4..24; x = 2 runs through 2, 6 and escapes at 2; x = 3 escapes at 1 for
// bailouts below 9; the origin never escapes.
struct TPixelCase {
  const char* name;
  double x, y;
  float bailout;
  int32_t maxIter;
  int32_t smoothing;
  int32_t filter;
  Extended limit;
  bool keepBlk, filterOnly;
  float want[3];
};

TPixelChannels Evaluate(const TPixelCase& c, std::vector<TOrbitEntry>& store) {
  TFormulaContext ctx;
  ctx.Number = 0;
  ctx.BailOut = c.bailout;
  ctx.MaxIter = c.maxIter;
  ctx.Smoothing = c.smoothing;
  ctx.Filter = c.filter;
  ctx.Strange = c.limit;
  ctx.KeepBlk = c.keepBlk;
  ctx.FilterOnly = c.filterOnly;
  store.assign(c.maxIter, TOrbitEntry{});
  ctx.OrbitStore = store.data();
  return EvaluatePixel(&ctx, c.x, c.y);
}

TEST(EvaluatePixelTest, ChannelValues) {
  const float third = 3 + 1.0f / 3;
  const TPixelCase cases[] = {
      {"escape iteration", 1, 0, 9, 10, 0, 0, 0.01L, false, false, {3, 3, 3}},
      {"never escapes", 0, 0, 9, 10, 0, 0, 0.01L, false, false, {0, 0, 0}},
      {"never escapes, keep infinite area", 0, 0, 9, 10, 0, 0, 0.01L, true, false, {0, 0, 0}},
      {"iteration limit reached first", 1, 0, 9, 2, 0, 0, 0.01L, false, false, {0, 0, 0}},
      // K = 25 = 2B at the escape: 3 + 12.5 / 25.
      {"bailout over modulus at twice the bailout", 1, 0, 12.5f, 10, 1, 0, 0.01L, false, false, {3.5f, 3.5f, 3.5f}},
      // Previous modulus 0 at the first iteration: 1 + B / K = 1 + 4 / 9.
      {"linear at the first iteration", 3, 0, 4, 10, 2, 0, 0.01L, false, false,
       {1 + 4.0f / 9, 1 + 4.0f / 9, 1 + 4.0f / 9}},
      // Moduli 1, 4, 25 on (3t + 2)^2, which crosses 9 at t = 1/3.
      {"square", 1, 0, 9, 10, 3, 0, 0.01L, false, false, {third, third, third}},
      // Filter 1 at the origin: |X| = 0 < L at every iteration, iR = 10 and
      // dR = 0.01: 10 + 0 + 10.
      // A filter number without a filter leaves the escape iteration, and
      // nothing at all with "Filter only".
      {"no such filter", 1, 0, 9, 10, 0, 60, 0.01L, false, false, {3, 3, 3}},
      {"no such filter, filter only", 1, 0, 9, 10, 0, 60, 0.01L, false, true, {0, 0, 0}},
      {"filter 1, never escapes", 0, 0, 9, 10, 0, 1, 0.01L, false, false, {20, 20, 20}},
      {"filter 1, never escapes, keep infinite area", 0, 0, 9, 10, 0, 1, 0.01L, true, false, {0, 0, 0}},
      // |X| = 1 < 1.5 at iteration 1 only: the escape iteration is dropped.
      {"filter 1 hit", 1, 0, 9, 10, 1, 1, 1.5L, false, false, {501, 501, 501}},
      // No hit: the escape iteration, with its smoothing, stays.
      {"filter 1 without a hit", 1, 0, 12.5f, 10, 1, 1, 0.01L, false, false, {3.5f, 3.5f, 3.5f}},
      // Filter 5 with L = 5: R last hit at 2 (dR 3), G at 3 (dG 5, |Y| = 0),
      // B at 2 (dB 1). B wins over G; with "Filter only" the largest wins.
      {"B wins over G", 1, 0, 9, 10, 0, 5, 5, false, false, {1002, 1002, 1002}},
      {"filter only takes the largest", 1, 0, 9, 10, 0, 5, 5, false, true, {5003, 5003, 5003}},
      // A tentacle filter keeps the escape iteration and three channels: at
      // the origin iteration 3 gives iR = iG = 3, iB = round(6 0.707) = 4,
      // dR = dG = 0.01, dB = 0.02 0.707.
      {"tentacles", 0, 0, 9, 3, 0, 43, 0.01L, false, false, {13, 13, 4 + 14.14f}},
      // On the real axis only b = |Y| = 0 hits: iG = 3, dG = 0.01, iB =
      // round(3 0.707) = 2, dB = 0.01 0.707; R stays 0.
      {"tentacles, filter only", 1, 0, 9, 10, 0, 43, 0.01L, false, true, {0, 13, 2 + 7.07f}},
      {"tentacles keep the escape iteration", 1, 0, 9, 10, 0, 43, 0.01L, false, false, {3, 16, 5 + 7.07f}},
      // Escape at iteration 2: the store filters leave the magnitudes 0.
      {"store filter escaping at 2", 2, 0, 9, 10, 0, 50, 1, false, false, {2, 2, 2}},
      // Zero variance at the origin: the fault drops the pixel to 0.
      {"store filter fault", 0, 0, 9, 5, 0, 50, 0.01L, false, false, {0, 0, 0}},
  };
  for (const TPixelCase& c : cases) {
    std::vector<TOrbitEntry> store;
    const TPixelChannels got = Evaluate(c, store);
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(got.Value[k], c.want[k], 2e-4) << c.name << " channel " << k;
    EXPECT_FALSE(FaultPending()) << c.name;
  }
}

TEST(EvaluatePixelTest, StoreFilterVariance) {
  // Filter 50 with 10L = 10 on the pixel x = 1 (escape at 3): the store
  // holds 1 - |X| / 10 = 0.9, 0.8, 0.5, variance 13/450.
  const TPixelCase c = {"variance", 1, 0, 9, 10, 0, 50, 1, false, false, {0, 0, 0}};
  std::vector<TOrbitEntry> store;
  const TPixelChannels got = Evaluate(c, store);
  const double mag = 0.02 * std::log(450.0 / 13);
  for (int k = 0; k < 3; ++k) EXPECT_NEAR(got.Value[k], float(3 + 1000 * mag), 1e-4) << k;
  EXPECT_NEAR(mag, 0.0708859, 1e-6);
}

}  // namespace
