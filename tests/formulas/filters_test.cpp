// SPDX-License-Identifier: GPL-3.0-or-later
#include "formulas/filters.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "formulas/formula_context.h"
#include "formulas/kernel_common.h"

namespace {

struct TStep {
  double x, y;
};

TFormulaContext FilterContext(int32_t filter, Extended limit, int32_t maxIter = 10) {
  TFormulaContext ctx;
  ctx.Filter = filter;
  ctx.Strange = limit;
  ctx.MaxIter = maxIter;
  ctx.ClearPixelFields();
  return ctx;
}

// Feeds the orbit z1, z2, ... as iterations 1, 2, ... of one pixel at (x0, y0).
void Feed(TFormulaContext& ctx, const std::vector<TStep>& orbit, double x0 = 0, double y0 = 0) {
  int32_t n = 0;
  for (const TStep& s : orbit) TraceFilters(++n, &ctx, s.x, s.y, x0, y0);
}

struct TChannels {
  int32_t i[3];
  double d[3];
};

void ExpectChannels(const TFormulaContext& ctx, const TChannels& want, const std::string& name) {
  for (int c = 0; c < 3; ++c) {
    EXPECT_EQ(ctx.ChanIter[c], want.i[c]) << name << " channel " << c;
    EXPECT_NEAR(ctx.ChanMag[c], want.d[c], 1e-9) << name << " channel " << c;
  }
}

// --- Smoothing ---------------------------------------------------------------

TEST(TraceFiltersTest, SmoothingMethods) {
  struct TCase {
    const char* name;
    int32_t method;
    float bailout;
    std::vector<TStep> orbit;
    double correction;
    float prev, prev2;  // moduli left for the next iteration
  };
  const double third = 1.0 / 3;
  const TCase cases[] = {
      {"none", 0, 4, {{1, 0}, {3, 1}}, 0, 0, 0},
      {"bailout over modulus", 1, 4, {{1, 0}, {3, 1}}, -0.4, 0, 0},
      {"bailout over modulus at twice the bailout", 1, 12.5f, {{5, 0}}, -0.5, 0, 0},
      {"bailout over modulus, no escape", 1, 4, {{1, 1}}, 0, 0, 0},
      {"linear, escape at the first iteration", 2, 4, {{3, 0}}, -4.0 / 9, 0, 0},
      {"linear", 2, 5, {{1, 0}, {2, 0}, {3, 0}}, -0.2, 4, 0},
      {"linear keeps the last modulus below the bailout", 2, 5, {{1, 0}, {2, 0}}, 0, 4, 0},
      // Moduli 1, 4, 9 lie on (t + 2)^2, which reaches 5 at t = sqrt 5 - 2.
      {"square", 3, 5, {{1, 0}, {2, 0}, {3, 0}}, -(std::sqrt(5.0) - 2), 4, 1},
      // Moduli 1, 4, 25 lie on (3t + 2)^2, which reaches 9 at t = 1/3.
      {"square, second parabola", 3, 9, {{1, 0}, {2, 0}, {5, 0}}, -third, 4, 1},
      // Moduli 2, 5, 8 lie on the line 3t + 5, which reaches 6 at t = 1/3.
      {"square on a straight line", 3, 6, {{1, 1}, {2, 1}, {2, 2}}, -third, 5, 2},
      // Previous modulus equal to the bailout: the root at t = 0 is not
      // positive, so the other root of 2t^2 + 6t = 0, t = -3, is taken.
      {"square, root at zero", 3, 5, {{1, 0}, {2, 1}, {3, 2}}, 3, 5, 1},
      {"square shifts the moduli", 3, 5, {{1, 0}, {2, 0}}, 0, 4, 1},
  };
  for (const TCase& c : cases) {
    TFormulaContext ctx = FilterContext(0, 0.01L);
    ctx.Smoothing = c.method;
    ctx.BailOut = c.bailout;
    Feed(ctx, c.orbit);
    EXPECT_NEAR(ctx.SmoothCorrection, c.correction, 1e-6) << c.name;
    EXPECT_EQ(ctx.SmoothCorrection, float(c.correction)) << c.name;
    EXPECT_EQ(ctx.PrevModulus, c.prev) << c.name;
    EXPECT_EQ(ctx.PrevModulus2, c.prev2) << c.name;
  }
}

TEST(TraceFiltersTest, SquareSmoothingWithoutRealCrossing) {
  // A state no orbit produces (previous modulus above the bailout): the
  // parabola 2.5t^2 - 7.5t + 10 never reaches 4, the correction is 0.
  TFormulaContext ctx = FilterContext(0, 0.01L);
  ctx.Smoothing = 3;
  ctx.BailOut = 4;
  ctx.PrevModulus2 = 20;
  ctx.PrevModulus = 10;
  ctx.SmoothCorrection = -0.75f;
  TraceFilters(3, &ctx, std::sqrt(5.0), 0, 0, 0);
  EXPECT_EQ(ctx.SmoothCorrection, 0.0f);
}

// --- Hits and maxima -----------------------------------------------------------

TEST(TraceFiltersTest, HitAndMaximumRules) {
  struct TCase {
    int32_t filter;
    Extended limit;
    double x0, y0;
    std::vector<TStep> orbit;
    TChannels want;
  };
  const TCase cases[] = {
      {0, 1, 0, 0, {{0, 0}}, {{0, 0, 0}, {0, 0, 0}}},
      {59, 1, 0, 0, {{0, 0}}, {{0, 0, 0}, {0, 0, 0}}},
      {-1, 1, 0, 0, {{0, 0}}, {{0, 0, 0}, {0, 0, 0}}},
      // The last hit counts: |X| = 0.2 at 1, 0.7 misses at 2, 0.1 at 3.
      {1, 0.5L, 0, 0, {{0.2, 3}, {0.7, 0}, {-0.1, 0}}, {{3, 0, 0}, {0.4, 0, 0}}},
      {2, 0.5L, 0, 0, {{0, -0.25}, {0, 1}}, {{0, 1, 0}, {0, 0.25, 0}}},
      {3, 1, 0, 0, {{0.5, 0.5}, {1, 1}}, {{0, 0, 1}, {0, 0, 0.5}}},
      {4, 1, 0, 0, {{0.5, 2}, {2, 0.75}}, {{1, 2, 0}, {0.5, 0.25, 0}}},
      {5, 1, 0, 0, {{0.5, 0.25}}, {{1, 1, 1}, {0.5, 0.75, 0.6875}}},
      {6, 0.5L, 0, 0, {{0.5, -0.5}}, {{1, 0, 0}, {0.25, 0, 0}}},
      {7, 1, 0, 0, {{0.5, -0.5}}, {{1, 0, 1}, {0.75, 0, 0.5}}},
      {8, 0.5L, 2, 0, {{0.125, 0}}, {{1, 0, 0}, {0.25, 0, 0}}},
      {9, 0.5L, 0, -2, {{0, 0.125}}, {{0, 1, 0}, {0, 0.25, 0}}},
      {11, 0.5L, 2, -2, {{0.125, 0.125}}, {{1, 1, 1}, {0.25, 0.25, 0.46875}}},
      {12, 0.5L, 1, 0, {{1.25, 0}}, {{1, 0, 0}, {0.25, 0, 0}}},
      {13, 0.5L, 0, -1, {{0, -0.75}}, {{0, 1, 0}, {0, 0.25, 0}}},
      {16, 0.5L, 0, 0, {{0.5, 0.25}}, {{1, 0, 0}, {0.25, 0, 0}}},
      {18, 0.5L, 0, 0, {{0.5, 9}}, {{1, 0, 0}, {0.25, 0, 0}}},
      {19, 0.5L, 0, 0, {{9, 0.5}}, {{0, 1, 0}, {0, 0.25, 0}}},
      {24, 2, 0, 0, {{0.5, 2}}, {{1, 0, 0}, {1, 0, 0}}},
      {26, 0.5L, 0, 0, {{-0.5, 0}}, {{1, 0, 0}, {0.375, 0, 0}}},
      {27, 0.5L, 0, 0, {{0, -0.5}}, {{0, 1, 0}, {0, 0.375, 0}}},
      // sin 2 = 0.909 misses; sin 4 = -0.7568 is far below the limit.
      {28, 0.5L, 0, 0, {{1, 1}, {2, 0}}, {{0, 0, 2}, {0, 0, 0.5 + 0.7568024953079282}}},
      {29, 0.5L, 0, 0, {{1, 2}}, {{1, 0, 0}, {0.25, 0, 0}}},
      {30, 0.5L, 0, 0, {{2, 1}}, {{0, 1, 0}, {0, 0.25, 0}}},
      // Maxima: |X L| = 1, 2, 0.5.
      {31, 2, 0, 0, {{0.5, 0}, {-1, 0}, {0.25, 0}}, {{2, 0, 0}, {2, 0, 0}}},
      {32, 2, 0, 0, {{0, 1}, {0, -0.5}}, {{0, 1, 0}, {0, 2, 0}}},
      // An equal value does not exceed the maximum: the first iteration stays.
      {33, 2, 1, 0, {{2, 0}, {0, 0}}, {{1, 0, 0}, {2, 0, 0}}},
      {34, 2, 0, 1, {{0, 1.5}, {0, -1}}, {{0, 2, 0}, {0, 4, 0}}},
      {35, 0.5L, 0, 0, {{1, -2}, {0.5, 0.5}}, {{1, 0, 0}, {1, 0, 0}}},
      // log2 of 0.25 is negative and never beats the cleared maximum.
      {36, 1, 0, 0, {{0.5, 0}, {2, 0}, {1, 0}}, {{2, 0, 0}, {2, 0, 0}}},
      {40, 0.5L, 0, 0, {{0.5, 0.5}}, {{1, 1, 0}, {0.25, 0.5, 0}}},
      // Counting: two hits on R and G in four iterations.
      {41, 0.5L, 0, 0, {{3, 0}, {0.5, 0.5}, {0.5, -0.5}, {3, 0}}, {{2, 2, 0}, {0.5, 0.25, 0}}},
      // Bubbles at L, 2L and 3L: K = 0.5 hits all three, K = 2 only B.
      {42, 1, 0, 0, {{0.5, 0.5}, {1, 1}}, {{1, 1, 2}, {0.5, 1.5, 1}}},
  };
  for (const TCase& c : cases) {
    TFormulaContext ctx = FilterContext(c.filter, c.limit);
    Feed(ctx, c.orbit, c.x0, c.y0);
    ExpectChannels(ctx, c.want, "filter " + std::to_string(c.filter));
  }
}

// --- Tentacle rule ---------------------------------------------------------------

TEST(TraceFiltersTest, TentacleRule) {
  struct TCase {
    const char* name;
    int32_t filter;
    int32_t n;  // iteration of the last step
    std::vector<TStep> orbit;
    TChannels want;
  };
  const TCase cases[] = {
      // a then b in one iteration: b sees the red magnitude just set.
      {"both parts", 43, 1, {{0.5, 0.25}}, {{1, 1, 1}, {0.5, 0.75, (0.5 + 0.75) * 0.707}}},
      // 0.707 rounds up to 1, not truncated to 0.
      {"a only", 43, 1, {{0.5, 5}}, {{1, 0, 1}, {0.5, 0, 0.5 * 0.707}}},
      // b uses the red iteration of the earlier iteration: (1 + 2) 0.707.
      {"b after a", 43, 2, {{0.5, 5}, {5, 0.5}}, {{1, 2, 2}, {0.5, 0.5, 0.707}}},
      // (3 + 3) 0.707 = 4.24; with the old red iteration it would be 2.
      {"b sees the new red iteration", 43, 3, {{5, 5}, {5, 5}, {0.5, 0.5}}, {{3, 3, 4}, {0.5, 0.5, 0.707}}},
      {"cubes", 44, 1, {{0.5, 2}}, {{1, 0, 1}, {0.875, 0, 0.875 * 0.707}}},
      {"difference and sum", 46, 1, {{0.75, 0.5}}, {{1, 0, 1}, {0.75, 0, 0.75 * 0.707}}},
  };
  for (const TCase& c : cases) {
    TFormulaContext ctx = FilterContext(c.filter, 1);
    Feed(ctx, c.orbit);
    ExpectChannels(ctx, c.want, c.name);
  }
}

TEST(TraceFiltersTest, TentacleRoundingTiesToEven) {
  struct TCase {
    int32_t n;
    int32_t blue;
  };
  // 500 0.707 = 353.5 and 1500 0.707 = 1060.5: both ties go to the even side.
  const TCase cases[] = {{500, 354}, {1500, 1060}, {2, 1}, {3, 2}, {100, 71}};
  for (const TCase& c : cases) {
    TFormulaContext ctx = FilterContext(43, 1, 2000);
    TraceFilters(c.n, &ctx, 0.5, 5, 0, 0);
    EXPECT_EQ(ctx.ChanIter[2], c.blue) << "n = " << c.n;
  }
}

TEST(TraceFiltersTest, LogTentacleAtZeroFaults) {
  // ln 0 is no hit for a, but it raises the fault that drops the pixel.
  TFormulaContext ctx = FilterContext(48, 1);
  ClearFaults();
  TraceFilters(1, &ctx, 0, 0.5, 0, 0);
  EXPECT_TRUE(FaultPending());
  ClearFaults();
  EXPECT_EQ(ctx.ChanIter[0], 0);
  EXPECT_EQ(ctx.ChanIter[1], 1);
  EXPECT_NEAR(ctx.ChanMag[1], 1 - std::log(2.0), 1e-12);
}

TEST(TraceFiltersTest, MaximumBeyondDoubleRangeIsAnOverflow) {
  struct TCase {
    int32_t filter;
    Extended limit;
    double x, y;
  };
  const TCase cases[] = {
      {31, 10, 1e308, 0},
      {31, 2, INFINITY, 0},
      {32, 2, 0, -INFINITY},
      {35, 1, 1e200, 1e200},
      {36, 1, INFINITY, 0},
  };
  for (const TCase& c : cases) {
    TFormulaContext ctx = FilterContext(c.filter, c.limit);
    ctx.ChanMag[0] = ctx.ChanMag[1] = 0.5;
    ClearFaults();
    TraceFilters(4, &ctx, c.x, c.y, 0, 0);
    EXPECT_TRUE(std::fetestexcept(FE_OVERFLOW)) << "filter " << c.filter;
    ClearFaults();
    EXPECT_EQ(ctx.ChanMag[0], 0.5) << "filter " << c.filter;
    EXPECT_EQ(ctx.ChanMag[1], 0.5) << "filter " << c.filter;
    EXPECT_EQ(ctx.ChanIter[0] + ctx.ChanIter[1], 0) << "filter " << c.filter;
  }
}

// --- Orbit store ---------------------------------------------------------------

TEST(TraceFiltersTest, StoreRule) {
  struct TCase {
    int32_t filter;
    Extended limit;
    std::vector<TStep> orbit;
    std::vector<TOrbitEntry> entries;
    double hitX, hitY;
  };
  const TCase cases[] = {
      // 10L = 1: 1 - |X| below it; the y part stays 1.
      {50, 0.1L, {{0.25, 0}, {3, 0}}, {{0.75L, 1}, {1, 1}}, 1, 0},
      {51, 0.1L, {{0, 0.5}}, {{1, 0.5L}}, 0, 1},
      {52, 0.1L, {{0.5, 2}, {-2, -0.25}}, {{0.5L, 1}, {1, 0.75L}}, 1, 1},
      // 10L - |X^3|, 10L - |Y^3|.
      {53, 0.1L, {{0.5, 2}, {2, -0.5}}, {{0.875L, 1}, {1, 0.875L}}, 1, 1},
      {55, 0.1L, {{2, 2}}, {{1, 1}}, 0, 0},
      // 10L - |X + Y|, 10L - |X - Y|.
      {56, 0.1L, {{0.25, 0.5}}, {{0.25L, 0.75L}}, 1, 1},
      {57, 0.1L, {{0, 1}}, {{1, 1}}, 1, 0},
      // X and Y themselves while their cubes stay below L.
      {58, 1, {{0.5, -2}, {-0.75, 0.25}}, {{0.5L, 1}, {-0.75L, 0.25L}}, 1, 1},
  };
  for (const TCase& c : cases) {
    std::vector<TOrbitEntry> store(10, TOrbitEntry{7, 7});
    TFormulaContext ctx = FilterContext(c.filter, c.limit);
    ctx.OrbitStore = store.data();
    Feed(ctx, c.orbit);
    for (size_t k = 0; k < c.entries.size(); ++k) {
      EXPECT_NEAR(double(store[k].X), double(c.entries[k].X), 1e-15) << "filter " << c.filter << " entry " << k + 1;
      EXPECT_NEAR(double(store[k].Y), double(c.entries[k].Y), 1e-15) << "filter " << c.filter << " entry " << k + 1;
    }
    EXPECT_EQ(double(store[c.entries.size()].X), 7) << "filter " << c.filter << ": entry past the orbit";
    EXPECT_EQ(ctx.HitX, c.hitX) << "filter " << c.filter;
    EXPECT_EQ(ctx.HitY, c.hitY) << "filter " << c.filter;
  }
}

TEST(TraceFiltersTest, Filter54KeepsTentacleMagnitudes) {
  std::vector<TOrbitEntry> store(4);
  TFormulaContext ctx = FilterContext(54, 1, 4);
  ctx.OrbitStore = store.data();
  Feed(ctx, {{5, 5}, {0.5, 0.5}, {2, 0.5}});
  // Iteration 2 hits all three; iteration 3 only |Y^3| = 0.125.
  EXPECT_EQ(ctx.ChanIter[0], 2);
  EXPECT_EQ(ctx.ChanIter[1], 3);
  EXPECT_EQ(ctx.ChanIter[2], 2);
  EXPECT_DOUBLE_EQ(ctx.Tentacle[0], 0.875);
  EXPECT_DOUBLE_EQ(ctx.Tentacle[1], 0.875);
  EXPECT_DOUBLE_EQ(ctx.Tentacle[2], 0.9375);
  for (int c = 0; c < 3; ++c) EXPECT_EQ(ctx.ChanMag[c], 0);
  EXPECT_DOUBLE_EQ(double(store[1].X), 9.875);
  EXPECT_DOUBLE_EQ(double(store[2].X), 2);
}

TEST(TraceFiltersTest, StoreRuleWithoutStoreOrOutsideIt) {
  TFormulaContext ctx = FilterContext(52, 0.1L, 2);
  Feed(ctx, {{0, 0}, {0, 0}});
  EXPECT_EQ(ctx.HitX, 0);
  EXPECT_EQ(ctx.HitY, 0);
  FinishFilters(0, &ctx);
  for (int c = 0; c < 3; ++c) EXPECT_EQ(ctx.ChanMag[c], 0);

  // Iterations past the iteration limit never write beyond the store.
  std::vector<TOrbitEntry> store(3, TOrbitEntry{7, 7});
  ctx.OrbitStore = store.data();
  TraceFilters(3, &ctx, 0, 0, 0, 0);
  TraceFilters(0, &ctx, 0, 0, 0, 0);
  EXPECT_EQ(double(store[2].X), 7);
  EXPECT_EQ(ctx.HitX, 0);
}

// --- Final pass ----------------------------------------------------------------

TEST(FinishFiltersTest, MergesChannels) {
  struct TCase {
    const char* name;
    int32_t filter;
    bool filterOnly;
    TChannels in, want;
  };
  const TCase cases[] = {
      {"G over R", 5, false, {{2, 3, 0}, {0.1, 0.2, 0}}, {{3, 3, 3}, {0.2, 0.2, 0.2}}},
      {"B over R", 5, false, {{2, 0, 4}, {0.1, 0, 0.3}}, {{4, 4, 4}, {0.3, 0.3, 0.3}}},
      {"B over G", 5, false, {{2, 4, 3}, {0.1, 0.2, 0.3}}, {{3, 3, 3}, {0.3, 0.3, 0.3}}},
      {"R alone", 5, false, {{2, 0, 0}, {0.1, 0.5, 0.5}}, {{2, 2, 2}, {0.1, 0.1, 0.1}}},
      // Largest iteration and largest magnitude, from different channels.
      {"filter only", 5, true, {{2, 7, 4}, {0.5, 0.2, 0.3}}, {{7, 7, 7}, {0.5, 0.5, 0.5}}},
      {"maximum rule", 31, false, {{6, 0, 0}, {1.5, 0, 0}}, {{6, 6, 6}, {1.5, 1.5, 1.5}}},
      // sqrt(0.09 + 0.16 + 1.44) = 1.3; 16 / 3 truncates to 5.
      {"combined", 37, false, {{4, 5, 7}, {0.3, 0.4, 1.2}}, {{5, 5, 5}, {1.3, 1.3, 1.3}}},
      {"combined, filter only", 40, true, {{4, 5, 8}, {0.3, 0.4, 1.2}}, {{5, 5, 5}, {1.3, 1.3, 1.3}}},
      {"counts", 41, false, {{1, 1, 0}, {0, 0.6, 0.8}}, {{0, 0, 0}, {1, 1, 1}}},
      {"bubbles", 42, false, {{1, 1, 2}, {0.5, 1.5, 1}}, {{1, 1, 1}, {std::sqrt(3.5), std::sqrt(3.5), std::sqrt(3.5)}}},
      {"tentacles stay separate", 43, false, {{1, 2, 3}, {0.1, 0.2, 0.3}}, {{1, 2, 3}, {0.1, 0.2, 0.3}}},
      {"tentacles, filter only", 49, true, {{1, 2, 3}, {0.1, 0.2, 0.3}}, {{1, 2, 3}, {0.1, 0.2, 0.3}}},
      {"no filter", 0, false, {{0, 0, 0}, {0, 0, 0}}, {{0, 0, 0}, {0, 0, 0}}},
      {"unknown filter", 59, false, {{1, 2, 3}, {0.1, 0.2, 0.3}}, {{1, 2, 3}, {0.1, 0.2, 0.3}}},
  };
  for (const TCase& c : cases) {
    TFormulaContext ctx = FilterContext(c.filter, 1);
    ctx.FilterOnly = c.filterOnly;
    for (int k = 0; k < 3; ++k) {
      ctx.ChanIter[k] = c.in.i[k];
      ctx.ChanMag[k] = c.in.d[k];
    }
    FinishFilters(5, &ctx);
    ExpectChannels(ctx, c.want, c.name);
  }
}

TEST(FinishFiltersTest, OrbitStoreStatistics) {
  struct TCase {
    const char* name;
    int32_t filter;
    int32_t maxIter;
    std::vector<TStep> orbit;
    int32_t n;
    double want[3];
  };
  // With 10L = 1 the orbit below stores x = 1, 0.5, 1 and y = 0.5, 1, 1:
  // Vx = Vy = 1/18 and the mean |dx dy| is 5/108.
  const std::vector<TStep> orbit = {{0, 0.5}, {0.5, 2}, {2, 0}};
  const double ln18 = 0.02 * std::log(18.0);
  // Filter 57 on the same store: ranges 0.5, sums 1/6, lambda = ln 3 / 3.
  const double u = 0.5 / (1.0 / 6 + 1e-10) / (std::log(3.0) / 3);
  const double dim57 = 0.2 * std::log(2 - 1 / (-std::log(u) + 1e-10));
  // Two entries 0.95, 1 per part: the ratio 115.4 is clamped to 100.
  const double dim57Clamped = 0.2 * std::log(2 + 1 / std::log(100.0));
  // The cubes store x = 1, 0.875, 1 and y = 0.875, 1, 1: V = 1/288, 5/1728.
  const double ln288 = 0.02 * std::log(288.0), ln345 = 0.02 * std::log(1728 / 5.0);
  const TCase cases[] = {
      {"50", 50, 10, {{0, 0}, {0.5, 0}, {2, 0}}, 3, {ln18, ln18, ln18}},
      {"51 with the iteration limit as count", 51, 3, {{0, 0}, {0, 0.5}, {0, 2}}, 0, {ln18, ln18, ln18}},
      {"52", 52, 10, orbit, 3, {ln18, ln18, 0.02 * std::log(108 / 5.0)}},
      {"53", 53, 10, orbit, 3, {ln288, ln288, ln345}},
      // s1 from iteration 1, s2 from 3, s3 from 3: 0.1 each.
      {"54", 54, 10, orbit, 3, {ln288 + 0.1, ln288 + 0.1, ln345 + 0.1}},
      {"55", 55, 10, orbit, 3, {-0.5 * ln288, -0.5 * ln288, -0.5 * ln345}},
      {"57", 57, 10, orbit, 3, {dim57, dim57, 0.01 * std::log(5 / 108.0)}},
      {"57 clamped, two entries", 57, 10, {{0.05, 0.05}, {5, 5}}, 2, {dim57Clamped, dim57Clamped,
                                                                      0.01 * std::log(0.000625)}},
  };
  for (const TCase& c : cases) {
    std::vector<TOrbitEntry> store(c.maxIter);
    TFormulaContext ctx = FilterContext(c.filter, 0.1L, c.maxIter);
    ctx.OrbitStore = store.data();
    Feed(ctx, c.orbit);
    ClearFaults();
    FinishFilters(c.n, &ctx);
    EXPECT_FALSE(FaultPending()) << c.name;
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(ctx.ChanMag[k], c.want[k], 1e-9) << c.name << " channel " << k;
  }
  EXPECT_NEAR(ln18, 0.0578074351579, 1e-12);
  EXPECT_NEAR(dim57, 0.1812861533976, 1e-9);
  EXPECT_NEAR(dim57Clamped, 0.1592442685867, 1e-12);
}

TEST(FinishFiltersTest, OrbitStoreFiltersNeedThreeIterationsAndHits) {
  struct TCase {
    int32_t filter;
    int32_t n;
    std::vector<TStep> orbit;
  };
  std::vector<TCase> cases;
  // Escapes at iteration 1 or 2 (filter 57 computes from 2 entries on).
  for (int32_t f = 50; f <= 58; ++f) {
    cases.push_back({f, 1, {{0.01, 0.02}}});
    if (f != 57) cases.push_back({f, 2, {{0.01, 0.02}, {0.03, 0.05}}});
  }
  // Missing hit flags: no y part for 52 and 57, no x part for 50.
  cases.push_back({52, 3, {{0, 5}, {0.5, 5}, {2, 5}}});
  cases.push_back({57, 3, {{0, 5}, {0.5, 5}, {2, 5}}});
  cases.push_back({50, 3, {{5, 0}, {5, 0.5}, {5, 2}}});
  cases.push_back({51, 3, {{0, 5}, {0.5, 5}, {2, 5}}});
  for (const TCase& c : cases) {
    std::vector<TOrbitEntry> store(10);
    TFormulaContext ctx = FilterContext(c.filter, 0.1L);
    ctx.OrbitStore = store.data();
    Feed(ctx, c.orbit);
    ClearFaults();
    FinishFilters(c.n, &ctx);
    EXPECT_FALSE(FaultPending());
    for (int k = 0; k < 3; ++k)
      EXPECT_EQ(ctx.ChanMag[k], 0) << "filter " << c.filter << " n " << c.n << " channel " << k;
  }
}

TEST(FinishFiltersTest, FaultStopsThePassWithFlagsRaised) {
  // Zero variance: ln 0 faults before anything is stored.
  {
    std::vector<TOrbitEntry> store(3);
    TFormulaContext ctx = FilterContext(50, 0.1L, 3);
    ctx.OrbitStore = store.data();
    Feed(ctx, {{0, 0}, {0, 0}, {0, 0}});
    ClearFaults();
    FinishFilters(0, &ctx);
    EXPECT_TRUE(FaultPending());
    for (int k = 0; k < 3; ++k) EXPECT_EQ(ctx.ChanMag[k], 0) << k;
  }
  // Filter 57 with a constant x part: the ratio 0 is replaced by the small
  // constant, y is clamped at 100, and ln of the zero co-deviation faults
  // after R and G are stored.
  {
    std::vector<TOrbitEntry> store(2);
    TFormulaContext ctx = FilterContext(57, 0.1L, 2);
    ctx.OrbitStore = store.data();
    Feed(ctx, {{0, 0.05}, {0, 5}});
    ClearFaults();
    FinishFilters(2, &ctx);
    EXPECT_TRUE(FaultPending());
    EXPECT_NEAR(ctx.ChanMag[0], 0.2 * std::log(2 - 1 / (-std::log(0.00999999793176463) + 1e-10)), 1e-12);
    EXPECT_NEAR(ctx.ChanMag[0], 0.1156429521, 1e-9);
    EXPECT_NEAR(ctx.ChanMag[1], 0.1592442686, 1e-9);
    EXPECT_EQ(ctx.ChanMag[2], 0);
  }
  // A fault raised before the pass stays raised; the pass itself completes.
  {
    std::vector<TOrbitEntry> store(3);
    TFormulaContext ctx = FilterContext(50, 0.1L, 3);
    ctx.OrbitStore = store.data();
    Feed(ctx, {{0, 0}, {0.5, 0}, {2, 0}});
    ClearFaults();
    std::feraiseexcept(FE_OVERFLOW);
    FinishFilters(3, &ctx);
    EXPECT_TRUE(std::fetestexcept(FE_OVERFLOW));
    EXPECT_FALSE(std::fetestexcept(FE_DIVBYZERO | FE_INVALID));
    EXPECT_NEAR(ctx.ChanMag[2], 0.02 * std::log(18.0), 1e-12);
    ClearFaults();
  }
  ClearFaults();
}

}  // namespace
