// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/iteration_limit.h"

#include <gtest/gtest.h>

#include "engine/fractal.h"
#include "tests/document_test_helpers.h"
#include "tests/engine/recording_canvas.h"

namespace {

// Beside the set, where every orbit escapes within a few iterations: a width
// of 1e-20 is past what doubles resolve, yet quick to draw at any limit.
constexpr Extended kX = 1.25L, kY = 0.5L, kDeepW = 1e-20L, kShallowW = 1e-3L;
constexpr int32_t kWidth = 8;

TEST(IterationLimit, OnlyViewsTheDeepRenderServesTakeMillions) {
  struct {
    int32_t number, filter;
    bool inverted;
    Extended w;
    int32_t maxIter, expected;
  } rows[] = {
      {0, 0, false, kDeepW, 2000000, kDeepMaxIterLimit},
      {4, 0, false, kDeepW, 100, kDeepMaxIterLimit},
      {0, 0, false, kDeepW, 0, kDeepMaxIterLimit},  // before the first render
      {0, 0, false, kShallowW, 2000000, kMaxIterLimit},
      {0, 52, false, kDeepW, 2000000, kMaxIterLimit},  // a filter that keeps the orbit
      {0, 3, false, kDeepW, 2000000, kMaxIterLimit},
      {0, 0, true, kDeepW, 2000000, kMaxIterLimit},
      {5, 0, false, kDeepW, 2000000, kMaxIterLimit},
  };
  for (const auto& r : rows) {
    TFormulaContext ctx;
    ctx.Number = r.number;
    ctx.Filter = r.filter;
    ctx.Inverted = r.inverted;
    ctx.MaxIter = r.maxIter;
    EXPECT_EQ(MaxIterLimitFor(ctx, WindowOf(kX, kY, r.w), kWidth), r.expected)
        << r.number << " " << r.filter << " " << r.inverted << " " << double(r.w) << " " << r.maxIter;
  }
}

TEST(IterationLimit, DocumentKeepsADeepLimitWithoutAnOrbitStoreAndFallsBackWithTheView) {
  TRecordingCanvas canvas;
  TFractal doc(-1, 0, 0, 0, kWidth, 6, &canvas);
  doc.AutoIter = false;
  doc.SetFormula(0, kX, kY, kDeepW);
  doc.SetMaxIter(2000000);
  EXPECT_EQ(doc.Ctx.MaxIter, 2000000);
  EXPECT_EQ(doc.Ctx.OrbitStore, nullptr);  // no filter reads it
  // A dimension filter, then an ordinary view: the ordinary cap, and the
  // filter gets its store.
  doc.SetProperty(22, int32_t(52));
  EXPECT_EQ(doc.Ctx.MaxIter, kMaxIterLimit);
  EXPECT_NE(doc.Ctx.OrbitStore, nullptr);
  doc.SetProperty(22, int32_t(0));
  doc.SetMaxIter(2000000);
  doc.SetWindow(kX, kY, kShallowW);
  EXPECT_EQ(doc.Ctx.MaxIter, kMaxIterLimit);
  doc.SetMaxIter(2000000);
  EXPECT_EQ(doc.Ctx.MaxIter, kMaxIterLimit);
  WaitForRender(doc);
}

}  // namespace
