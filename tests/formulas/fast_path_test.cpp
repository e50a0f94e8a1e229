// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "formulas/calc_point.h"
#include "formulas/kernel_common.h"
#include "formulas/pixel.h"
#include "formulas/vector_kernels.h"

namespace {

struct TScalarGuard {
  bool Saved = ForceScalarFastPath;
  explicit TScalarGuard(bool on) { ForceScalarFastPath = on; }
  ~TScalarGuard() { ForceScalarFastPath = Saved; }
};

struct TNarrowGuard {
  bool Saved = ForceNarrowVectors;
  explicit TNarrowGuard(bool on) { ForceNarrowVectors = on; }
  ~TNarrowGuard() { ForceNarrowVectors = Saved; }
};

constexpr int32_t kColumns = 40, kRows = 30;

// The channel values of a kColumns x kRows image over (-2.2, 1.4) .. (0.6,
// -0.7), column by column as the render thread asks for them.
std::vector<TPixelChannels> Image(TFormulaContext ctx, bool fast) {
  ctx.FastArithmetic = fast;
  std::vector<TPixelChannels> out(size_t(kColumns * kRows));
  std::vector<double> ys(kRows);
  const double step = 2.8 / (kColumns - 1);
  for (int32_t r = 0; r < kRows; ++r) ys[size_t(r)] = 1.4 - r * step;
  for (int32_t c = 0; c < kColumns; ++c)
    EvaluatePixelRun(&ctx, -2.2 + c * step, ys.data(), kRows, out.data() + size_t(c * kRows));
  return out;
}

double SharedShare(const std::vector<TPixelChannels>& a, const std::vector<TPixelChannels>& b) {
  size_t same = 0;
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i].Value[0] == b[i].Value[0] && a[i].Value[1] == b[i].Value[1] && a[i].Value[2] == b[i].Value[2]) ++same;
  return double(same) / double(a.size());
}

struct TCase {
  int32_t Number, MaxIter, Filter, Smoothing;
  bool Julia, Inverted, FSet;
  double MinShare;  // share of pixels the fast path must give exactly as the exact one
};

TEST(FastPath, AgreesWithTheExactPath) {
  const TCase cases[] = {
      {0, 64, 0, 0, false, false, false, 1.0},   // the vector loop, exactly
      {0, 256, 0, 0, true, false, false, 1.0},   // Julia
      {0, 256, 0, 0, false, true, false, 0.99},  // inverted
      {0, 256, 0, 2, false, false, false, 0.99},
      {0, 256, 0, 3, false, false, true, 0.99},
      {0, 256, 5, 1, false, false, false, 0.99},
      {1, 256, 0, 0, false, false, false, 0.99},
      {5, 256, 0, 0, false, false, false, 0.99},  // the polynomial lane loops
      {6, 256, 0, 0, false, false, false, 0.99},
      {7, 256, 0, 0, true, false, false, 0.99},
      {8, 256, 0, 0, false, true, false, 0.99},
      {17, 256, 0, 0, false, false, false, 0.99},
      {21, 256, 0, 0, false, false, false, 0.99},
      {25, 256, 0, 0, false, false, true, 0.99},
      {30, 256, 0, 0, false, false, false, 0.99},
      {13, 256, 0, 0, false, false, false, 0.97},  // tangent
      {14, 100, 0, 0, false, false, false, 0.97},  // Newton
      {19, 256, 0, 0, false, false, false, 0.97},  // power P1
      {41, 256, 0, 0, false, false, false, 0.97},  // sine
      {69, 100, 0, 0, false, false, false, 0.97},
      {1000, 256, 0, 0, false, false, false, 0.97},
  };
  for (const TCase& k : cases) {
    for (bool scalar : {false, true}) {
      TScalarGuard guard(scalar);
      TFormulaContext ctx;
      ctx.Number = k.Number;
      ctx.MaxIter = k.MaxIter;
      ctx.Filter = k.Filter;
      ctx.Smoothing = k.Smoothing;
      ctx.JulieSet = k.Julia;
      ctx.PJ = {-0.75L, 0.11L};
      ctx.Inverted = k.Inverted;
      ctx.FSet = k.FSet;
      EXPECT_GE(SharedShare(Image(ctx, false), Image(ctx, true)), k.MinShare)
          << "formula " << k.Number << " filter " << k.Filter << " smoothing " << k.Smoothing
          << (scalar ? " scalar" : " vector");
    }
  }
}

// The vector loops of both widths and the scalar double kernels agree pixel
// for pixel on columns of one pixel, fewer pixels than the lanes, and more
// than one run of the vector loop takes, in normal and Julia mode, with each
// smoothing, and with limits that every lane, or many lanes at once, reach.
TEST(FastPath, VectorLoopMatchesScalarDoubles) {
  struct {
    int32_t Number, Rows;
    bool Julia;
    int32_t Smoothing, MaxIter;
  } cases[] = {{0, 1, false, 0, 200},   {0, 3, false, 0, 200},   {0, 17, false, 0, 200}, {0, 300, false, 0, 200},
               {0, 600, true, 0, 200},  {1, 300, false, 0, 200}, {2, 300, true, 0, 200}, {3, 300, false, 0, 200},
               {4, 300, false, 0, 200}, {4, 9, true, 0, 200},    {0, 300, false, 1, 200}, {0, 300, true, 2, 200},
               {0, 300, false, 3, 200}, {0, 2, false, 3, 200},   {2, 300, false, 3, 200}, {0, 40, false, 0, 1},
               {0, 40, false, 3, 2},    {0, 300, true, 0, 3},    {1, 300, false, 2, 7},   {0, 700, false, 0, 5000}};
  for (const auto& k : cases) {
    TFormulaContext ctx;
    ctx.Number = k.Number;
    ctx.MaxIter = k.MaxIter;
    ctx.JulieSet = k.Julia;
    ctx.PJ = {-0.12L, 0.74L};
    ctx.Smoothing = k.Smoothing;
    ctx.FastArithmetic = true;
    const int32_t rows = k.Rows;
    std::vector<double> ys(static_cast<size_t>(rows));
    for (int32_t r = 0; r < rows; ++r) ys[size_t(r)] = 1.2 - r * (2.4 / rows);
    // The widest vector loop, the four-lane one and the scalar kernel.
    std::vector<TPixelChannels> runs[3];
    for (int path = 0; path < 3; ++path) {
      TNarrowGuard width(path == 1);
      TScalarGuard guard(path == 2);
      runs[path].resize(size_t(rows));
      EvaluatePixelRun(&ctx, -0.74, ys.data(), rows, runs[path].data());
    }
    int32_t differing = 0, widthsDiffer = 0;
    for (int32_t r = 0; r < rows; ++r)
      for (int c = 0; c < 3; ++c) {
        differing += runs[0][size_t(r)].Value[c] != runs[2][size_t(r)].Value[c];
        widthsDiffer += runs[0][size_t(r)].Value[c] != runs[1][size_t(r)].Value[c];
      }
    const std::string name = "formula " + std::to_string(k.Number) + " rows " + std::to_string(rows) + " smoothing " +
                             std::to_string(k.Smoothing) + " limit " + std::to_string(k.MaxIter);
    EXPECT_LE(differing, k.Number == 0 ? 0 : 3 * rows / 100) << name;
    EXPECT_EQ(widthsDiffer, 0) << name;
  }
}

// A point that overflows before it escapes (an infinite bailout) is value 0
// on every path, and its neighbours in the run keep their values.
TEST(FastPath, FaultsSpoilOnlyTheirPixel) {
  TFormulaContext ctx;
  ctx.MaxIter = 2000;
  ctx.BailOut = std::numeric_limits<float>::infinity();
  const double ys[] = {0.0, 1.0, 0.1};  // -1+0i stays bounded, -1+1i overflows
  std::vector<float> expected;
  for (double y : ys) expected.push_back(EvaluatePixel(&ctx, -1, y).Value[0]);
  EXPECT_EQ(expected[1], 0);
  for (int path = 0; path < 3; ++path) {
    TScalarGuard guard(path == 2);
    TFormulaContext run = ctx;
    run.FastArithmetic = path > 0;
    TPixelChannels out[3];
    std::feraiseexcept(FE_DIVBYZERO);  // left over from earlier work: not this run's
    EvaluatePixelRun(&run, -1, ys, 3, out);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(out[i].Value[0], expected[size_t(i)]) << i << " path " << path;
    EXPECT_FALSE(FaultPending()) << "path " << path;
  }
}

// An orbit may leave with a z whose square overflows a double although it
// fits in extended precision: the escape counts as on the exact path, not as
// a fault that zeroes the pixel.
TEST(FastPath, EscapeBeyondTheDoubleRangeIsNoFault) {
  const struct {
    int32_t Number;
    double X, Y;
  } cases[] = {{29, -2.2, 0.7}, {31, -2.2, 0.35}};  // z of iteration 3 is about 1e282
  for (const auto& k : cases) {
    TFormulaContext exact;
    exact.Number = k.Number;
    exact.MaxIter = 150;
    TFormulaContext fast = exact;
    fast.FastArithmetic = true;
    EXPECT_EQ(EvaluatePixel(&exact, k.X, k.Y).Value[0], 3) << "formula " << k.Number;
    EXPECT_EQ(EvaluatePixel(&fast, k.X, k.Y).Value[0], 3) << "formula " << k.Number;
  }
}

// The lane loops (several orbits of a column in flight) give every pixel the
// value of the scalar double kernel: columns shorter and longer than the
// lanes, Julia, inverted, F-Set, no iterations at all, a pixel whose Newton
// step divides by zero (value 0, its neighbours kept), guarded kernels whose
// steps fault (P1 = 1e300) or whose constant cannot be a double, and
// unguarded polynomial kernels whose orbits or constant overflow (an
// infinite bailout, P1 = 1e400: value 0).
TEST(FastPath, LaneLoopsMatchTheScalarKernels) {
  constexpr float kInfinite = std::numeric_limits<float>::infinity();
  const struct {
    int32_t Number, Rows, MaxIter;
    bool Julia, Inverted, FSet;
    Extended P1;
    float BailOut = 9;
  } cases[] = {{14, 1, 100, false, false, false, 0.5L},   {14, 7, 100, false, false, false, 0.5L},
               {14, 301, 160, false, false, false, 0.5L}, {14, 301, 160, true, false, false, 0.5L},
               {15, 301, 160, false, true, false, 0.5L},  {24, 301, 160, false, false, true, 0.5L},
               {24, 9, 0, false, false, false, 0.5L},     {14, 3, 100, false, false, false, 0.5L},
               {57, 301, 160, false, false, true, 0.5L},  {69, 301, 160, true, false, false, 0.5L},
               {74, 301, 160, false, true, false, 0.5L},  {76, 301, 160, true, false, false, 0.5L},
               {74, 40, 160, false, false, false, 1e300L}, {57, 40, 160, false, false, false, 1e400L},
               {5, 301, 160, false, false, false, 0.5L},  {5, 7, 160, true, false, true, 0.5L},
               {6, 301, 160, false, true, false, 0.5L},   {6, 301, 160, false, false, true, 0.5L},
               {7, 301, 160, true, false, false, 0.5L},   {7, 1, 160, false, false, false, 0.5L},
               {8, 301, 160, false, false, false, 0.5L},  {8, 301, 160, true, false, false, 0.5L},
               {8, 301, 160, false, true, false, 0.5L},   {17, 301, 160, false, false, false, -0.3L},
               {17, 301, 160, true, false, true, -0.3L},  {21, 301, 160, false, false, false, 0.5L},
               {21, 301, 160, true, true, false, 0.5L},   {25, 301, 160, false, false, false, 2},
               {25, 301, 160, false, false, true, 2},     {30, 301, 160, false, false, false, 0.5L},
               {30, 301, 160, true, false, false, 0.5L},  {30, 9, 0, false, false, false, 0.5L},
               {5, 40, 2000, false, false, false, 0.5L, kInfinite}, {25, 40, 160, false, false, false, 1e400L}};
  for (const auto& k : cases) {
    TFormulaContext ctx;
    ctx.Number = k.Number;
    ctx.MaxIter = k.MaxIter;
    ctx.JulieSet = k.Julia;
    ctx.PJ = {0.3L, -0.2L};
    ctx.P1 = {k.P1, 0.5L};
    ctx.Inverted = k.Inverted;
    ctx.FSet = k.FSet;
    ctx.BailOut = k.BailOut;
    ctx.FastArithmetic = true;
    EXPECT_TRUE(LanePathServes(&ctx)) << "formula " << k.Number;
    std::vector<double> ys(static_cast<size_t>(k.Rows));
    for (int32_t r = 0; r < k.Rows; ++r) ys[size_t(r)] = 2.5 - r * (5.0 / k.Rows);
    if (k.Rows == 3) ys[1] = 0;  // at (0.5, 0) the first step divides 0 by 0
    const double x = k.Rows == 3 ? 0.5 : -0.61;
    std::vector<TPixelChannels> run(static_cast<size_t>(k.Rows));
    EvaluatePixelRun(&ctx, x, ys.data(), k.Rows, run.data());
    int32_t differing = 0;
    for (int32_t r = 0; r < k.Rows; ++r) {
      TFormulaContext one = ctx;
      differing += EvaluatePixel(&one, x, ys[size_t(r)]).Value[0] != run[size_t(r)].Value[0];
    }
    EXPECT_EQ(differing, 0) << "formula " << k.Number << " rows " << k.Rows;
    if (k.Rows == 3) {
      EXPECT_EQ(run[1].Value[0], 0);
      EXPECT_GT(run[0].Value[0], 0);
    }
  }
}

}  // namespace
