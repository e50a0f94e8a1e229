#include "movies/iteration_movie.h"

#include <gtest/gtest.h>

#include <vector>

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
  std::vector<int32_t> shown, frames, gauge;
  int32_t gaugeMax = -1, events = 0;
  bool running = true;
  TFrameLoopHooks hooks{nullptr, [&] { return running; },
                        [&](int32_t f) {
                          frames.push_back(f);
                          return true;
                        },
                        [&](int32_t v) { gaugeMax = v; }, [&](int32_t v) { gauge.push_back(v); }};
  EXPECT_EQ(RunIterationLoop(m, [&](int32_t l) { shown.push_back(l); }, [&] { ++events; }, hooks), 7);
  EXPECT_EQ(shown, (std::vector<int32_t>{30, 14, 6, 2, 6, 14, 30}));
  EXPECT_EQ(frames, (std::vector<int32_t>{1, 2, 3, 4, 5, 6, 7}));
  EXPECT_EQ(gaugeMax, 6);
  EXPECT_EQ(gauge.back(), 8);
  EXPECT_EQ(events, 7);

  // "Stop" during the third frame: that frame is still written.
  shown.clear();
  frames.clear();
  hooks.Running = [&] { return frames.size() < 3; };
  EXPECT_EQ(RunIterationLoop(m, [&](int32_t l) { shown.push_back(l); }, [] {}, hooks), 3);
  EXPECT_EQ(frames, (std::vector<int32_t>{1, 2, 3}));
  // A failed write ends the clip.
  frames.clear();
  hooks.Running = [] { return true; };
  hooks.WriteFrame = [&](int32_t f) {
    frames.push_back(f);
    return f < 2;
  };
  EXPECT_EQ(RunIterationLoop(m, [](int32_t) {}, [] {}, hooks), 1);
  EXPECT_EQ(frames, (std::vector<int32_t>{1, 2}));
}
