// SPDX-License-Identifier: GPL-3.0-or-later
#include "movies/movie_values.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/engine/recording_canvas.h"
#include "tests/movies/loop_recorder.h"

TEST(MovieValues, ClampAfterLeavingAnEdit) {
  struct Case {
    Extended typed, kept;
  } cases[] = {
      {-10000, -9999}, {-9999.5L, -9999}, {-9999, -9999}, {10000, 10000}, {10000.01L, 10000},
      {123456, 10000}, {0.0004L, 0},      {-0.0009L, 0},  {0.001L, 0.001L}, {-0.001L, -0.001L},
      {0, 0},          {2.5L, 2.5L},
  };
  for (const Case& c : cases) EXPECT_EQ(ClampMovieValue(c.typed), c.kept) << double(c.typed);
}

TEST(MovieValues, SpinStepsClampToo) {
  EXPECT_EQ(StepMovieValue(9999.95L, kCoarseStep), 10000);
  EXPECT_EQ(StepMovieValue(-9998.995L, -kFineStep), -9999);
  EXPECT_EQ(StepMovieValue(0.0095L, -kFineStep), 0);  // -0.0005 is below 0.001
  EXPECT_DOUBLE_EQ(double(StepMovieValue(0.5L, kCoarseStep)), 0.6);
}


TEST(MovieValues, InterpolatingLoopWritesNPlusOneFramesEndingOnTheEndValues) {
  std::vector<TInterpolation> table = {{0.1, 0.7, 0}, {-3, 5, 0}, {2, 2, 0}};
  const int32_t n = 10;
  TLoopRecorder host(nullptr, n);
  std::vector<std::vector<double>> applied;
  auto apply = [&] {
    std::vector<double> v;
    for (const TInterpolation& t : table) v.push_back(t.Current);
    applied.push_back(v);
  };
  EXPECT_EQ(RunInterpolatingLoop(host, table, apply), n + 1);
  ASSERT_EQ(applied.size(), size_t(n + 1));
  EXPECT_EQ(host.GaugeMax, n);
  EXPECT_EQ(host.Written, (std::vector<int32_t>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
  EXPECT_EQ(host.Gauge, host.Written);
  EXPECT_EQ(applied.front(), (std::vector<double>{0.1, -3, 2}));
  EXPECT_EQ(applied.back(), (std::vector<double>{0.7, 5, 2}));  // exactly, not nearly
  EXPECT_DOUBLE_EQ(applied[5][1], 1.0);
  for (const auto& v : applied) EXPECT_EQ(v[2], 2);
  EXPECT_DOUBLE_EQ(table[0].Increment, 0.06);
}

TEST(MovieValues, InterpolatingLoopStopsAndFailures) {
  struct Case {
    int32_t stopAfter, failAt;
    std::vector<int32_t> written;
  } cases[] = {
      {0, -1, {}},         // stopped during the first render: nothing written
      {3, -1, {0, 1, 2}},  // the frame rendered when "Stop" came is dropped
      {1 << 30, 2, {0, 1}},
  };
  for (const Case& c : cases) {
    std::vector<TInterpolation> table = {{0, 1, 0}};
    TLoopRecorder host(nullptr, 5);
    host.StopAfterRenders = c.stopAfter;
    host.FailWriteAt = c.failAt;
    EXPECT_EQ(RunInterpolatingLoop(host, table, [] {}), int32_t(c.written.size()));
    EXPECT_EQ(host.Written, c.written);
  }
}

TEST(MovieValues, JuliaMovieWithEqualEndsRendersOnlyItsFirstFrame) {
  TRecordingCanvas canvas;
  TFractal doc(0, -2, 1.5L, 3, 8, 8, &canvas);
  doc.Ctx.JulieSet = true;
  int32_t starts = 0;
  doc.OnRenderStart = [&](TFractal*) { ++starts; };
  JulieMovie() = {TInterpolation{-0.8, -0.8, 0}, TInterpolation{0.156, 0.156, 0}};
  TLoopRecorder host(&doc, 10);
  JulieMovieLoop(host);
  EXPECT_EQ(host.Written.size(), 11u);
  EXPECT_EQ(starts, 1);
  EXPECT_EQ(doc.Ctx.PJ.re, Extended(-0.8));
  EXPECT_EQ(doc.Ctx.PJ.im, Extended(0.156));
}
