// SPDX-License-Identifier: GPL-3.0-or-later
#include "movies/attractor_movie.h"

#include <gtest/gtest.h>

#include <vector>

#include "attractors/attractor.h"
#include "engine/fractal.h"
#include "tests/movies/morph_test_host.h"

namespace {

// Records the table and start point of every frame written.
class TAttractorHost : public TMorphTestHost {
 public:
  explicit TAttractorHost(int32_t frames) : TMorphTestHost(frames), Attract(8, 8, nullptr) {}
  T3dFractal* Attractor() override { return &Attract; }
  T3dFractal Attract;
  std::vector<TAttractorTable> Tables;
  std::vector<TAttractorPoint> Starts;

 protected:
  void Record() override {
    Tables.push_back(Attract.Coefficients);
    Starts.push_back(Attract.Current);
  }
};

TAttractorMovie Morph(bool pingPong) {
  TAttractorMovie m;
  for (int i = 0; i < kAttractorRows; ++i)
    for (int j = 0; j < kAttractorColumns; ++j) {
      m.First.A[i][j] = 0.1f * float(j - i);
      m.Second.A[i][j] = -0.7f + 0.05f * float(i * j);
    }
  m.FirstKind = m.SecondKind = 3;
  m.PingPong = pingPong;
  return m;
}

TEST(AttractorMovie, FramesPositionsAndTheTablesOfBothHalves) {
  struct TCase {
    int32_t Frames;
    bool PingPong;
    std::vector<int32_t> Positions;
  };
  const TCase cases[] = {
      {10, false, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}},
      {11, true, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}},  // n = 5: 6 frames each way
  };
  for (const TCase& c : cases) {
    const TAttractorMovie m = Morph(c.PingPong);
    TAttractorHost host(c.Frames);
    host.Attract.Kind = 1;
    EXPECT_EQ(RunAttractorMorph(host, host.Attract, m), int32_t(c.Positions.size()));
    EXPECT_EQ(host.Positions, c.Positions);
    EXPECT_EQ(host.GaugeMax, c.Frames);
    EXPECT_EQ(host.Attract.Kind, 3);
    EXPECT_EQ(host.Attract.Number, 2000);
    for (const TAttractorPoint& p : host.Starts) EXPECT_EQ(p, (TAttractorPoint{0.001L, 0.001L, 0.001L}));
    const int32_t n = c.PingPong ? 5 : 10;
    const float inc = float((Extended(m.Second.A[2][4]) - m.First.A[2][4]) / n);
    EXPECT_EQ(host.Tables[0], m.First);
    EXPECT_EQ(host.Tables[3].A[2][4], float(3.0L * inc + m.First.A[2][4]));
    EXPECT_NEAR(host.Tables[size_t(n)].A[2][4], m.Second.A[2][4], 1e-6);
    if (c.PingPong) {
      EXPECT_EQ(host.Tables[6], m.Second);  // the second attractor twice in a row
      EXPECT_EQ(host.Tables[8].A[2][4], float(m.Second.A[2][4] - 2.0L * inc));
      EXPECT_NEAR(host.Tables[11].A[2][4], m.First.A[2][4], 1e-6);
      EXPECT_EQ(host.Gauges, (std::vector<int32_t>{0, 1, 2, 3, 4, 5, 5, 6, 7, 8, 9, 10}));
    }
  }
}

TEST(AttractorMovie, StopAndFailedWriteEndTheMovieAfterTheirFrame) {
  TAttractorHost stopped(10), failed(10);
  stopped.StopAt = 2;
  failed.FailAt = 2;
  EXPECT_EQ(RunAttractorMorph(stopped, stopped.Attract, Morph(false)), 3);
  EXPECT_EQ(RunAttractorMorph(failed, failed.Attract, Morph(false)), 2);
  AttractorMovie() = Morph(false);
  struct TNoAttractor : TAttractorHost {
    using TAttractorHost::TAttractorHost;
    T3dFractal* Attractor() override { return nullptr; }
  } closed(10);
  AttractorMovieLoop(closed);
  EXPECT_TRUE(closed.Positions.empty());
  AttractorMovie() = {};
}

TEST(AttractorMovie, KindsOfTheTwoFiles) {
  struct TCase {
    int32_t FirstKind, SecondKind;  // before the load
    int Which;
    int32_t Kind;                   // of the file loaded
    bool Taken;
    int32_t FirstAfter, SecondAfter;
  };
  const TCase cases[] = {
      {0, 0, 0, 3, true, 3, 0},
      {3, 0, 1, 2, false, 3, 0},  // a second of kind 2 after a first of kind 3
      {3, 0, 1, 3, true, 3, 3},
      {0, 2, 0, 3, false, 3, 0},  // the first takes its kind, the second is forgotten
      {3, 3, 0, 3, true, 3, 3},
      {4, 0, 0, 1, true, 1, 0},   // the second not loaded: anything goes
  };
  for (const TCase& c : cases) {
    TAttractorMovie m;
    m.FirstKind = c.FirstKind;
    m.SecondKind = c.SecondKind;
    m.Second.A[0][0] = 5;
    EXPECT_EQ(TakeAttractorKind(m, c.Which, c.Kind), c.Taken);
    EXPECT_EQ(m.FirstKind, c.FirstAfter);
    EXPECT_EQ(m.SecondKind, c.SecondAfter);
    EXPECT_EQ(m.Second.A[0][0], 5);  // tables are the caller's to load
  }
}

}  // namespace
