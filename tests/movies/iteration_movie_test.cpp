// SPDX-License-Identifier: GPL-3.0-or-later
#include "movies/iteration_movie.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/movies/loop_recorder.h"

TEST(IterationMovie, LimitRangeOfTheImage) {
  struct Case {
    std::vector<float> values;
    int32_t maxIter;
    TLimitRange range;
  } cases[] = {
      {{0, 20, 57.4f, 200, 0, 199.6f}, 1000, {200, 19}},
      {{0, 0.3f, 7}, 1000, {7, 0}},   // 0.3 rounds to 0: nothing to lower
      {{0, 0, 0}, 150, {0, 149}},     // a blank image
      {{2.5f, 3.5f}, 150, {4, 1}},    // halves round to even
  };
  for (const Case& c : cases) EXPECT_EQ(LimitRangeOf(c.values, c.maxIter), c.range);
}

TEST(IterationMovie, LimitListWithAccelerationTen) {
  TIterationMovie m;
  m.Build(LimitRangeOf(std::vector<float>{20, 200, 0}, 1000), 10);
  EXPECT_EQ(m.Limits, (std::vector<int32_t>{200, 179, 161, 144, 129, 116, 104, 93, 83, 74, 66, 59, 53, 47, 42, 37,
                                            33, 29, 26, 23, 20}));
  EXPECT_EQ(m.Count, 20);
}

TEST(IterationMovie, LimitListEdges) {
  struct Case {
    TLimitRange range;
    int32_t acceleration;
    std::vector<int32_t> limits;
  } cases[] = {
      {{20, 5}, 2, {20, 9}},
      {{10, 5}, 100, {10, 9, 8, 7, 6}},
      {{0, 149}, 10, {0}},  // blank image: one limit, nothing to play through
      {{5, 5}, 10, {5}},
  };
  for (const Case& c : cases) {
    TIterationMovie m;
    m.Build(c.range, c.acceleration);
    EXPECT_EQ(m.Limits, c.limits);
    EXPECT_EQ(m.Count, int32_t(c.limits.size()) - 1);
  }
  TIterationMovie big;
  big.Build({100000, 0}, 100000);
  EXPECT_EQ(big.Limits.size(), size_t(kMaxIterationLimits));
}

TEST(IterationMovie, PlaybackRunsBackAndForth) {
  struct Case {
    int32_t count;
    std::vector<int32_t> indexes;
  } cases[] = {
      {3, {1, 2, 3, 2, 1, 0, 1, 2, 3, 2}},
      {1, {1, 0, 1, 0}},
      {0, {0, 0, 0}},
  };
  for (const Case& c : cases) {
    TIterationMovie m;
    m.Limits.assign(size_t(c.count) + 1, 7);
    m.Count = c.count;
    std::vector<int32_t> seen;
    for (size_t i = 0; i < c.indexes.size(); ++i) {
      m.Advance();
      seen.push_back(m.Index);
    }
    EXPECT_EQ(seen, c.indexes) << c.count;
  }
}

TEST(IterationMovie, ClipGoesForwardAndBack) {
  TIterationMovie m;
  m.Build({30, 0}, 2);  // 30, 14, 6, 2
  ASSERT_EQ(m.Count, 3);
  struct Case {
    int32_t stopAfterWrites, failAt;
    std::vector<int32_t> shown, written;
  } cases[] = {
      {1 << 30, -1, {30, 14, 6, 2, 6, 14, 30}, {1, 2, 3, 4, 5, 6, 7}},
      {3, -1, {30, 14, 6}, {1, 2, 3}},  // "Stop" during the third frame: it is still written
      {1 << 30, 2, {30, 14}, {1}},      // a failed write ends the clip
  };
  for (const Case& c : cases) {
    TLoopRecorder host;
    host.StopAfterWrites = c.stopAfterWrites;
    host.FailWriteAt = c.failAt;
    std::vector<int32_t> shown;
    int32_t events = 0;
    EXPECT_EQ(RunIterationLoop(host, m, [&](int32_t l) { shown.push_back(l); }, [&] { ++events; }),
              int32_t(c.written.size()));
    EXPECT_EQ(shown, c.shown);
    EXPECT_EQ(host.Written, c.written);
    EXPECT_EQ(events, int32_t(c.shown.size()));
    EXPECT_EQ(host.GaugeMax, 6);
    EXPECT_EQ(host.Gauge.back(), int32_t(c.shown.size()) + 1);
    EXPECT_EQ(host.Renders, 0);  // the limits only recolour
  }
}
