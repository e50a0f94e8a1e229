// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/deep_auto_limit.h"

#include <gtest/gtest.h>

#include "engine/fractal.h"
#include "tests/document_test_helpers.h"
#include "tests/engine/recording_canvas.h"

namespace {

TEST(DeepAutoLimit, LimitFromTheSampledEscapes) {
  struct {
    std::vector<int32_t> escapes;
    int32_t formula, cap, expected;
  } cases[] = {
      {{0, 0, 0}, 2681, 26810, 2681},           // nothing escapes by the cap
      {{}, 2681, 26810, 2681},
      {{16000, 0, 12001, 9000}, 2681, 26810, 24000},
      {{20500, 17000}, 2681, 26810, 26810},     // the margin passes the cap
      {{300, 0}, 2681, 26810, 2681},            // never below the formula
      {{7}, 150, 1500, 150},
      {{1001}, 150, 15000, 1502},
  };
  for (const auto& k : cases)
    EXPECT_EQ(DeepLimitFromEscapes(k.escapes, k.formula, k.cap), k.expected) << k.escapes.size();
  EXPECT_EQ(DeepLimitCap(2681, 100000000), 26810);
  EXPECT_EQ(DeepLimitCap(100000, 500000), 500000);
}

TDeepReal Decimal(const char* text) {
  TDeepReal v;
  EXPECT_TRUE(TDeepReal::Parse(text, 256, v));
  return v;
}

// The 64 x 48 view 1e-25 wide centred on a point whose pixels escape after
// 16 000 to 20 500 iterations, where the depth formula gives 2 681.
TDeepWindow SeahorseView() {
  const TDeepReal w = Decimal("1e-25");
  const TDeepReal half = Decimal("0.5");
  const TDeepReal aspect = TDeepReal(47.0L, 256) / TDeepReal(63.0L, 256);
  return {Decimal("-0.743643887037158704752191506114774") - w * half,
          Decimal("0.131825904205311970493132056385139") + w * aspect * half, w};
}

TEST(DeepAutoLimit, ADeepViewGetsTheIterationsItsPixelsEscapeAt) {
  TRecordingCanvas canvas;
  TFractal doc(-1, 0, 0, 0, 64, 48, &canvas);
  doc.SetFormula(0, -2.2L, 1.4L, 2.8L);
  WaitForRender(doc);
  // A shallow view keeps the depth formula.
  EXPECT_EQ(doc.Ctx.MaxIter, doc.AutoMaxIter());
  EXPECT_EQ(doc.Ctx.MaxIter, 150);

  int32_t changes = 0, first = 0;
  doc.OnParamsChanged = [&](TFractal*) { ++changes; };
  for (int run = 0; run < 2; ++run) {
    doc.SetDeepWindow(SeahorseView());
    WaitForRender(doc);
    EXPECT_EQ(doc.AutoMaxIter(), 2681);
    EXPECT_GT(doc.Ctx.MaxIter, 20500);
    EXPECT_LE(doc.Ctx.MaxIter, 26810);
    // The same view always gets the same limit.
    if (run == 0) first = doc.Ctx.MaxIter;
    EXPECT_EQ(doc.Ctx.MaxIter, first);
    int32_t escaped = 0;
    for (int32_t py = 0; py < doc.Height; ++py)
      for (int32_t px = 0; px < doc.Width; ++px) escaped += doc.PixelValue(px, py) > 0;
    EXPECT_GT(escaped, doc.Width * doc.Height * 9 / 10);
  }
  // Each render told the owners of its limit once it had chosen it.
  EXPECT_EQ(changes, 4);
}

}  // namespace
