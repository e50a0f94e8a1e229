// SPDX-License-Identifier: GPL-3.0-or-later
#include "movies/ifs_movie.h"

#include <gtest/gtest.h>

#include <vector>

#include "engine/fractal.h"
#include "formulas/formula_context.h"
#include "tests/movies/morph_test_host.h"

namespace {

// Records the working set of every frame written.
class TMorphHost : public TMorphTestHost {
 public:
  using TMorphTestHost::TMorphTestHost;
  std::vector<TWorkingIFS> Sets;

 protected:
  void Record() override { Sets.push_back(WorkingIFS); }
};

TIFSTransform T(float a, float p) { return {a, -a, 0.5f, 0.25f, 0.1f, -0.3f, p}; }

// A start set of 3 transforms and an end set of 5.
TIFSMovie ThreeToFive() {
  TIFSMovie m;
  m.Start.Count = 3;
  for (int q = 1; q <= 3; ++q) m.Start.Slots[q] = T(0.1f * q, 0.3f);
  m.End.Count = 5;
  for (int q = 1; q <= 5; ++q) m.End.Slots[q] = T(-0.2f * q, 0.2f);
  m.Multiplier = 37;
  return m;
}

TEST(IFSMovie, StepsOfTheMorph) {
  struct TCase {
    int32_t Frames;
    bool PingPong;
    int32_t N;
  };
  for (const TCase& c : {TCase{10, false, 10}, TCase{10, true, 5}, TCase{11, true, 5}, TCase{5, true, 2},
                         TCase{1, true, 1}, TCase{0, false, 1}})
    EXPECT_EQ(MorphSteps(c.Frames, c.PingPong), c.N) << c.Frames << " " << c.PingPong;
}

TEST(IFSMovie, MissingTransformsGrowFromZeroAndEveryFrameDrawsTheLargerCount) {
  const TIFSMovie m = ThreeToFive();
  TMorphHost host(10);
  EXPECT_EQ(RunIFSMorph(host, m), 11);
  EXPECT_EQ(host.Doc.Ctx.Number, kIFSFormula);
  EXPECT_EQ(host.Doc.Ctx.IFSNumber, kWorkingIFSNumber);
  EXPECT_EQ(host.Doc.Ctx.IFScounter, 37);
  EXPECT_EQ(host.GaugeMax, 10);
  ASSERT_EQ(host.Sets.size(), 11u);
  for (const TWorkingIFS& s : host.Sets) EXPECT_EQ(s.Count, 5);
  // Transforms 4 and 5 start from all zero, probability included.
  for (int q = 4; q <= 5; ++q)
    for (int v = 0; v < kTransformFieldCount; ++v) EXPECT_EQ(host.Sets[0].Slots[q].*kTransformFields[v], 0.0f);
  // Frame f is f x increment + start, the increment a single.
  const float inc = float((Extended(-0.2f * 4) - 0.0L) / 10);
  EXPECT_EQ(inc, host.Sets[1].Slots[4].A);
  EXPECT_EQ(host.Sets[7].Slots[4].A, float(7.0L * inc));
  EXPECT_EQ(host.Sets[0].Slots[2].A, m.Start.Slots[2].A);
  EXPECT_EQ(host.Sets[0].Slots[2].P, 0.3f);
  // The end is reached within a single's rounding of the increments.
  for (int q = 1; q <= 5; ++q) EXPECT_NEAR(host.Sets[10].Slots[q].A, m.End.Slots[q].A, 1e-6);
  EXPECT_EQ(host.Positions, (std::vector<int32_t>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
}

TEST(IFSMovie, PingPongWritesTheEndSetTwiceInARow) {
  TIFSMovie m = ThreeToFive();
  m.PingPong = true;
  TMorphHost host(10);
  EXPECT_EQ(RunIFSMorph(host, m), 12);
  EXPECT_EQ(host.Positions, (std::vector<int32_t>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}));
  EXPECT_EQ(host.Gauges, (std::vector<int32_t>{0, 1, 2, 3, 4, 5, 5, 6, 7, 8, 9, 10}));
  EXPECT_EQ(host.GaugeMax, 10);
  ASSERT_EQ(host.Sets.size(), 12u);
  // Frame 6 (the first of the return half) is the end set exactly.
  for (int q = 1; q <= 5; ++q)
    for (int v = 0; v < kTransformFieldCount; ++v)
      EXPECT_EQ(host.Sets[6].Slots[q].*kTransformFields[v], m.End.Slots[q].*kTransformFields[v]) << q << v;
  for (int q = 1; q <= 5; ++q) EXPECT_NEAR(host.Sets[5].Slots[q].B, m.End.Slots[q].B, 1e-6);
  // The return half ends where the forward half began.
  for (int q = 1; q <= 5; ++q) EXPECT_NEAR(host.Sets[11].Slots[q].A, q <= 3 ? m.Start.Slots[q].A : 0.0f, 1e-6);
}

TEST(IFSMovie, TheFrameOfAStopOrOfAFailedWriteEndsTheMovie) {
  struct TCase {
    bool PingPong;
    int32_t StopAt, FailAt;
    std::vector<int32_t> Written;
  };
  const TCase cases[] = {
      {false, 0, -1, {0}},               // stopped during the first render: that frame is still written
      {true, 7, -1, {0, 1, 2, 3, 4, 5, 6, 7}},  // stopped in the return half
      {false, -1, 3, {0, 1, 2}},         // the failed write ends the loop
      {true, -1, 6, {0, 1, 2, 3, 4, 5}},  // a failure before the return half starts
  };
  for (const TCase& c : cases) {
    TIFSMovie m = ThreeToFive();
    m.PingPong = c.PingPong;
    TMorphHost host(10);
    host.StopAt = c.StopAt;
    host.FailAt = c.FailAt;
    EXPECT_EQ(RunIFSMorph(host, m), int32_t(c.Written.size()));
    EXPECT_EQ(host.Positions, c.Written);
  }
}

TEST(IFSMovie, ASlotBeyondASetsCountCountsAsZeroWhateverItHolds) {
  TIFSMovie m = ThreeToFive();
  m.End.Count = 2;               // transform 3 shrinks to zero
  m.End.Slots[3] = T(9.0f, 9.0f);  // a leftover the morph must not see
  const TIFSIncrements inc = IFSIncrements(m, 4);
  EXPECT_EQ(inc.Values[3][0], float(-Extended(m.Start.Slots[3].A) / 4));
  const TWorkingIFS last = ForwardIFS(m, inc, 4);
  EXPECT_EQ(last.Count, 3);
  EXPECT_NEAR(last.Slots[3].A, 0.0f, 1e-7);
  EXPECT_EQ(ReturnIFS(m, inc, 0).Slots[3].P, 0.0f);
}

}  // namespace
