// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bench/minibrot_views.h"
#include "engine/perturbation.h"
#include "formulas/vector_kernels.h"

namespace {

// Restores the vector switches however the test ends.
struct TVectorSwitches {
  ~TVectorSwitches() { ForceScalarFastPath = ForceNarrowVectors = false; }
};

const char* const kMinibrotX = kMinibrotViews[0].Re;
const char* const kMinibrotY = kMinibrotViews[0].Im;
const char* const kDeepMinibrotX = kMinibrotViews[2].Re;
const char* const kDeepMinibrotY = kMinibrotViews[2].Im;

TEST(DeepLanes, ColumnsGiveTheValuesAndStepsOfSinglePixels) {
  struct Row {
    int32_t number;
    bool julia;
    int32_t smoothing;
    bool approximate;
    int32_t prepared, maxIter;  // the iteration limits of the render and of the evaluation
    const char *cx, *cy, *w;
  } rows[] = {
      {0, false, 0, true, 2000, 2000, "0", "1", "1e-30"},
      {0, false, 3, true, 2000, 2000, "0", "1", "1e-30"},
      {0, false, 2, false, 2000, 2000, "0", "1", "1e-30"},
      {0, false, 0, true, 2000, 300, "0", "1", "1e-30"},
      {2, false, 0, true, 2000, 2000, "0.6299605249474365823836053036391141752851", "1.0911236359717214035600726141898088813259",
       "1e-26"},
      {2, false, 3, true, 2000, 2000, "0.6299605249474365823836053036391141752851", "1.0911236359717214035600726141898088813259",
       "1e-26"},
      {0, true, 0, true, 2000, 2000, "1.50194366571612166326740690071288008879821909",
       "-0.0623787565494804751395213326667782087838121769", "1e-30"},
      {0, true, 2, true, 2000, 2000, "1.50194366571612166326740690071288008879821909",
       "-0.0623787565494804751395213326667782087838121769", "1e-30"},
      // Beside a minibrot of period 2619, where pixels take long steps, leave
      // the reference and rebase many times before they escape.
      {0, false, 0, true, 100000, 100000, kMinibrotX, kMinibrotY, "8.276e-103"},
      {0, false, 2, true, 100000, 100000, kMinibrotX, kMinibrotY, "8.276e-103"},
      {0, false, 0, true, 100000, 20000, kMinibrotX, kMinibrotY, "8.276e-103"},
      // Differences scaled by a power of two: past the double range, and a
      // minibrot whose differences and reference pass below it.
      {0, false, 0, true, 2000, 2000, "0", "1", "1e-310"},
      {0, false, 3, true, 2000, 2000, "0", "1", "1e-310"},
      {0, false, 0, true, 1000000, 1000000, kDeepMinibrotX, kDeepMinibrotY, "5.621e-1008"},
  };
  constexpr int32_t kColumns = 12, kRows = 45;
  TVectorSwitches restore;
  for (const Row& r : rows) {
    TFormulaContext ctx;
    ctx.Number = r.number;
    ctx.JulieSet = r.julia;
    ctx.PJ = {-0.75L, 0.125L};
    ctx.Smoothing = r.smoothing;
    ctx.MaxIter = r.prepared;
    TPerturbation deep;
    TDeepPrepare how;
    how.Approximate = r.approximate;
    ASSERT_TRUE(deep.Prepare(ctx, CentredWindow(r.cx, r.cy, r.w, kColumns, kRows), kColumns, kColumns, kRows, how));
    ctx.MaxIter = r.maxIter;
    std::vector<TPixelChannels> single;
    int64_t singleSteps = 0;
    for (int32_t px = 0; px < kColumns; ++px)
      for (int32_t py = 0; py < kRows; ++py) single.push_back(deep.Evaluate(&ctx, px, py, &singleSteps));
    for (int unit = 0; unit < 3; ++unit) {
      ForceNarrowVectors = unit == 1;
      ForceScalarFastPath = unit == 2;
      SCOPED_TRACE(std::to_string(r.number) + (r.julia ? " julia" : "") + " smoothing " +
                   std::to_string(r.smoothing) + (r.approximate ? "" : " one by one") + " limit " +
                   std::to_string(r.maxIter) + " unit " + std::to_string(unit));
      std::vector<TPixelChannels> column(kRows);
      int64_t steps = 0;
      int32_t differ = 0;
      for (int32_t px = 0; px < kColumns; ++px) {
        deep.EvaluateColumn(&ctx, px, 0, kRows, column.data(), &steps);
        for (int32_t py = 0; py < kRows; ++py)
          for (int k = 0; k < 3; ++k) differ += column[size_t(py)].Value[k] != single[size_t(px * kRows + py)].Value[k];
      }
      EXPECT_EQ(differ, 0);
      EXPECT_EQ(steps, singleSteps);
    }
  }
}

}  // namespace
