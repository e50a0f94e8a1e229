// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>
#include <vector>

#include "bench/minibrot_views.h"
#include "engine/bla_table.h"
#include "engine/fractal.h"
#include "engine/perturbation.h"
#include "tests/document_test_helpers.h"

namespace {

using TC = TCxOf<double>;

// A view `width` wide centred on the nucleus of the minibrot of period 2619,
// about 4e-104 across.
TDeepWindow MinibrotNeighbourhood(const char* width, int32_t columns, int32_t rows) {
  const TMinibrotView& view = kMinibrotViews[0];
  return CentredWindow(view.Re, view.Im, width, columns, rows);
}

TEST(DeepApproximation, AMergedStepIsTheTwoSingleStepsItJoins) {
  const std::vector<TC> orbit = {{0, 0}, {0.5, 0.25}, {-0.3, 0.1}, {0.2, -0.4}, {0.1, 0.3}, {0.3, 0.2}, {0.4, 0.1}};
  TBlaTable table;
  table.Build(orbit, 2, 5, TFloatExp(0));
  int32_t length = 0;
  // From index 3: (2 Z4)(2 Z3) = (0.2 + 0.6i)(0.4 - 0.8i), 2 Z4 + 1.
  const TBlaStep* step = table.Find(3, 10, length, [](const TBlaStep&) { return true; });
  ASSERT_NE(step, nullptr);
  EXPECT_EQ(length, 2);
  EXPECT_NEAR(step->A.re, 0.56, 1e-15);
  EXPECT_NEAR(step->A.im, 0.08, 1e-15);
  EXPECT_NEAR(step->B.re, 1.2, 1e-15);
  EXPECT_NEAR(step->B.im, 0.6, 1e-15);
  // The radius: the first step's 2 eps |Z3|, or the second's 2 eps |Z4|
  // carried back through 2 Z3, whichever is smaller.
  const double eps = 0x1p-46, r = std::min(2 * eps * std::hypot(0.2, -0.4), 2 * eps * std::hypot(0.1, 0.3) / std::hypot(0.4, -0.8));
  EXPECT_NEAR(std::sqrt(step->R2), r, r * 1e-12);
  // A tiny difference: the merged step gives what two exact steps give.
  TC dz{3e-20, -1e-20}, dc{1e-20, 2e-20};
  const TC merged = step->A * dz + step->B * dc;
  for (int m : {3, 4}) dz = (orbit[size_t(m)] * 2.0 + dz) * dz + dc;
  EXPECT_NEAR(merged.re, dz.re, 1e-33);
  EXPECT_NEAR(merged.im, dz.im, 1e-33);
  // The scaled table holds the same coefficients.
  TDeepBlaTable deep;
  deep.Build(orbit, 2, 5, TFloatExp(0));
  const TDeepBlaStep* scaled = deep.Find(3, 10, length, [](const TDeepBlaStep&) { return true; });
  ASSERT_NE(scaled, nullptr);
  EXPECT_NEAR(std::ldexp(scaled->A.M.re, int(scaled->A.E)), 0.56, 1e-15);
  EXPECT_NEAR(std::ldexp(scaled->B.M.im, int(scaled->B.E)), 0.6, 1e-15);
  // From index 1 the chain reaches the last index a step may land on.
  EXPECT_NE(table.Find(1, 10, length, [](const TBlaStep&) { return true; }), nullptr);
  EXPECT_EQ(length, 4);
  EXPECT_EQ(table.Find(2, 10, length, [](const TBlaStep&) { return true; }), nullptr);
}

// Escape counts with and without long steps on a small image: the share
// within one, and the steps each took.
struct TComparison {
  double WithinOne = 0;
  int64_t LongSteps = 0, SingleSteps = 0;
  size_t Distinct = 0;
};
TComparison CompareApproximation(const TFormulaContext& ctx, const TDeepWindow& window, int32_t columns, int32_t rows) {
  TPerturbation fast, exact;
  EXPECT_TRUE(fast.Prepare(ctx, window, columns, columns, rows));
  TDeepPrepare slow;
  slow.Approximate = false;
  EXPECT_TRUE(exact.Prepare(ctx, window, columns, columns, rows, slow));
  TComparison c;
  TFormulaContext pixel = ctx;
  int32_t near = 0;
  std::set<float> seen;
  for (int32_t py = 0; py < rows; ++py)
    for (int32_t px = 0; px < columns; ++px) {
      const float a = fast.Evaluate(&pixel, px, py, &c.LongSteps).Value[0];
      const float b = exact.Evaluate(&pixel, px, py, &c.SingleSteps).Value[0];
      near += std::fabs(a - b) <= 1;
      seen.insert(b);
    }
  c.WithinOne = double(near) / (columns * rows);
  c.Distinct = seen.size();
  return c;
}

TEST(DeepApproximation, LongStepsKeepTheEscapeCountsOfSingleSteps) {
  struct Row {
    const char* name;
    int32_t number, smoothing, maxIter;
    bool julia;
    TDeepWindow window;
    double fewer;  // at least this many times fewer steps (few at all where the series serves)
  } rows[] = {
      {"minibrot", 0, 0, 100000, false, MinibrotNeighbourhood("8.276e-103", 32, 18), 20},
      {"minibrot smoothed", 0, 2, 100000, false, MinibrotNeighbourhood("8.276e-103", 32, 18), 20},
      {"z^4 Misiurewicz", 2, 0, 3000, false,
       CentredWindow("0.6299605249474365823836053036391141752851", "1.0911236359717214035600726141898088813259",
                         "1e-26", 32, 18, 200),
       0},
      {"Julia", 0, 1, 3000, true,
       CentredWindow("1.50194366571612166326740690071288008879821909",
                         "-0.0623787565494804751395213326667782087838121769", "1e-30", 32, 18, 200),
       0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    TFormulaContext ctx;
    ctx.Number = r.number;
    ctx.Smoothing = r.smoothing;
    ctx.MaxIter = r.maxIter;
    ctx.JulieSet = r.julia;
    ctx.PJ = {-0.75L, 0.125L};
    const TComparison c = CompareApproximation(ctx, r.window, 32, 18);
    EXPECT_GE(c.WithinOne, 0.99);
    EXPECT_GE(c.Distinct, 8u);  // a flat image would agree with anything
    EXPECT_GT(double(c.SingleSteps), r.fewer * double(c.LongSteps));
  }
}

TEST(DeepApproximation, AMinibrotPastTheDoubleRangeKeepsItsEscapes) {
  // Near 5.6e-1008 a pixel's difference after one period of 33359 is about
  // 1e-530, as small as the reference's own return close to 0: summed in
  // doubles, both vanish and every pixel would stay inside. 332550 is the
  // count of the brute-force render in arbitrary precision (ExactEscape).
  const TMinibrotView& view = kMinibrotViews[2];
  const TDeepWindow window = MinibrotWindow(view, 16, 9);
  TFormulaContext ctx;
  ctx.MaxIter = view.Iterations;
  TPerturbation deep;
  ASSERT_TRUE(deep.Prepare(ctx, window, 16, 16, 9));
  TFormulaContext pixel = ctx;
  EXPECT_EQ(deep.Evaluate(&pixel, 0, 4).Value[0], 332550.0f);
  int32_t inside = 0;
  for (int32_t py = 0; py < 9; ++py)
    for (int32_t px = 0; px < 16; ++px) inside += deep.Evaluate(&pixel, px, py).Value[0] == 0;
  EXPECT_LT(inside, 10);
}

TEST(DeepApproximation, ADeepViewRendersPastTheOrdinaryIterationCap) {
  TNullCanvas canvas;
  TFractal doc(-1, 0, 0, 0, 16, 12, &canvas);
  doc.AutoIter = false;
  doc.SetFormula(0, -2.2L, 1.4L, 2.8L);
  WaitForRender(doc);
  doc.SetDeepWindow(MinibrotNeighbourhood("1.6e-103", 16, 12));
  doc.SetMaxIter(400000);
  WaitForRender(doc);
  ASSERT_EQ(doc.Ctx.MaxIter, 400000);
  float highest = 0;
  for (int32_t i = 0; i < doc.PixelCount; ++i) highest = std::max(highest, doc.ValueBuffer()[size_t(i) * 3]);
  EXPECT_GT(highest, 100000);
}

}  // namespace
