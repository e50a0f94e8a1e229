// SPDX-License-Identifier: GPL-3.0-or-later
#include "movies/zoom_movie.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "engine/deep_reference.h"
#include "engine/deep_window.h"
#include "engine/fractal.h"
#include "engine/render_thread.h"
#include "movies/movie_host.h"
#include "tests/document_test_helpers.h"
#include "tests/engine/recording_canvas.h"

namespace {

// Records the window of every frame written; the document is parked at
// formula -1, so setting a window renders nothing.
class TRecordingHost : public TMovieHost {
 public:
  TRecordingHost() : Doc(-1, 0, 0, 0, 8, 8, &Canvas) {}
  TFractal& Document() override { return Doc; }
  void RenderAndWait() override { ++Renders; }
  bool WriteFrame(int32_t i) override {
    if (i == FailAt) return false;
    Frames.push_back(i);
    Windows.push_back({Doc.X, Doc.Y, Doc.W});
    Deeps.push_back(Doc.Deep);
    if (i == StopAt) RunningFlag = false;
    return true;
  }
  bool Running() const override { return RunningFlag; }
  int32_t FrameCount() const override { return 0; }
  void SetGaugeMax(int32_t max) override { GaugeMax = max; }
  void SetGaugePosition(int32_t position) override { Gauge = position; }

  TRecordingCanvas Canvas;
  TFractal Doc;
  bool RunningFlag = true;
  int32_t StopAt = -1, FailAt = -1, Renders = 0, GaugeMax = -1, Gauge = -1;
  std::vector<int32_t> Frames;
  std::vector<TViewWindow> Windows;
  std::vector<TDeepWindow> Deeps;
};

TEST(ZoomMovie, WidthLawsOfASegment) {
  struct TCase {
    TZoomSmooth Smooth;
    std::vector<double> Widths;  // or their square roots for "Fluent"
  };
  const TCase cases[] = {
      {TZoomSmooth::Linear, {3.0, 2.4375, 1.875, 1.3125}},
      {TZoomSmooth::Regular, {3.0, 2.1213, 1.5, 1.0607}},
      {TZoomSmooth::Fluent, {1.7321, 1.5967, 1.2990, 1.0013}},
  };
  for (const TCase& c : cases) {
    const std::vector<Extended> w = SegmentWidths(3.0L, 0.75L, 4, c.Smooth);
    ASSERT_EQ(w.size(), 4u);
    for (size_t k = 0; k < 4; ++k) {
      const double shown = c.Smooth == TZoomSmooth::Fluent ? std::sqrt(double(w[k])) : double(w[k]);
      EXPECT_NEAR(shown, c.Widths[k], 5e-5) << int(c.Smooth) << " k=" << k;
    }
  }
  // Zooming out inverts the ratio; the first frame is the start width exactly.
  const std::vector<Extended> out = SegmentWidths(0.75L, 3.0L, 2, TZoomSmooth::Regular);
  EXPECT_EQ(out[0], 0.75L);
  EXPECT_NEAR(double(out[1]), 1.5, 1e-15);
}

TEST(ZoomMovie, TheCentreArrivesWithTheWidthAndTheLastFrameIsTheLastSpot) {
  const std::vector<TMovieSpot> spots = {{-2.0L, 1.0L, 3.0L, 4}, {-0.5L, 0.25L, 0.75L, 10}};
  for (TZoomSmooth smooth : {TZoomSmooth::Linear, TZoomSmooth::Regular, TZoomSmooth::Fluent}) {
    TRecordingHost host;
    EXPECT_EQ(RunZoomLoop(host, spots, smooth, 0, 4), 5);
    ASSERT_EQ(host.Frames, (std::vector<int32_t>{0, 1, 2, 3, 4}));
    const std::vector<Extended> widths = SegmentWidths(3.0L, 0.75L, 4, smooth);
    for (size_t k = 0; k < 4; ++k) {
      const TViewWindow& w = host.Windows[k];
      EXPECT_EQ(w.W(), widths[k]);
      const Extended t = (widths[k] - 3.0L) / (0.75L - 3.0L);  // share of the way
      EXPECT_NEAR(double(w.X()), double(-2.0L + 1.5L * t), 1e-15);
      EXPECT_NEAR(double(w.Y()), double(1.0L - 0.75L * t), 1e-15);
      EXPECT_EQ(w.X(), Extended(double(w.X())));  // centres are rounded to doubles
    }
    EXPECT_EQ(host.Windows[4].X(), -0.5L);
    EXPECT_EQ(host.Windows[4].W(), 0.75L);
    EXPECT_EQ(host.Gauge, 4);
  }
  // Equal widths: the centre moves in equal steps whatever the mode.
  const std::vector<TMovieSpot> pan = {{0.0L, 0.0L, 1.0L, 4}, {1.0L, -2.0L, 1.0L, 10}};
  for (TZoomSmooth smooth : {TZoomSmooth::Linear, TZoomSmooth::Fluent}) {
    TRecordingHost host;
    RunZoomLoop(host, pan, smooth, 0, 4);
    for (int k = 0; k < 5; ++k) {
      EXPECT_EQ(host.Windows[k].X(), 0.25L * k);
      EXPECT_EQ(host.Windows[k].Y(), -0.5L * k);
      EXPECT_EQ(host.Windows[k].W(), 1.0L);
    }
  }
}

TEST(ZoomMovie, SegmentCountsAddUpAndStopsAndFailuresEndTheLoop) {
  ZoomMovie().Spots = {{-2.2L, 1.4L, 2.8L, 5}, {-1.0L, 0.5L, 1.0L, 7}, {-0.8L, 0.2L, 0.1L, 3}};
  ZoomMovie().Smooth = TZoomSmooth::Regular;
  EXPECT_EQ(ZoomFrameCount(ZoomMovie().Spots), 12);
  EXPECT_EQ(ZoomFrameCount({ZoomMovie().Spots[0]}), 0);
  {
    TRecordingHost host;
    ZoomMovieLoop(host);
    EXPECT_EQ(host.GaugeMax, 12);
    ASSERT_EQ(host.Frames.size(), 13u);
    for (int32_t c = 0; c < 13; ++c) {
      EXPECT_EQ(host.Frames[c], c);
      const TViewWindow w = ZoomWindow(ZoomMovie().Spots, TZoomSmooth::Regular, c);
      EXPECT_EQ(host.Windows[c].W(), w.W()) << c;
    }
    EXPECT_EQ(host.Windows[5].X(), -1.0L);  // the second spot starts its segment
    EXPECT_EQ(host.Windows[12].W(), 0.1L);
    EXPECT_EQ(host.Renders, 13);
  }
  struct TCase {
    int32_t StopAt, FailAt, First, Last;
    std::vector<int32_t> Written;
  };
  const TCase cases[] = {
      {2, -1, 0, 12, {0, 1, 2}},          // the frame rendered at "Stop" is still written
      {-1, 3, 0, 12, {0, 1, 2}},          // a failed write ends the loop
      {12, -1, 0, 12, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}},
      {-1, -1, 4, 6, {4, 5, 6}},          // a part of the movie
      {-1, -1, 11, 12, {11, 12}},
  };
  for (const TCase& c : cases) {
    TRecordingHost host;
    host.StopAt = c.StopAt;
    host.FailAt = c.FailAt;
    RunZoomLoop(host, ZoomMovie().Spots, ZoomMovie().Smooth, c.First, c.Last);
    EXPECT_EQ(host.Frames, c.Written) << c.StopAt << " " << c.FailAt << " " << c.First;
    EXPECT_EQ(host.Renders, int32_t(c.Written.size()) + (c.FailAt >= 0 ? 1 : 0));
  }
}

TEST(ZoomMovie, DeepSpotsAreFlownThroughInArbitraryPrecision) {
  constexpr mpfr_prec_t kExact = 4000;
  auto real = [](const char* text) {
    TDeepReal r(kExact);
    EXPECT_TRUE(TDeepReal::Parse(text, kExact, r));
    return r;
  };
  TFractal doc(-1, -0.75L, 0.1L, 0.5L, 64, 48, nullptr);
  const TMovieSpot a = MovieSpotOf(doc, 6);
  doc.SetDeepWindow({real("-0.743643887037158704752191506114774"), real("0.131825904205311970493132056385139"),
                     real("2e-60")});
  const TMovieSpot b = MovieSpotOf(doc, 10);
  ASSERT_FALSE(a.Window.IsDeep());
  ASSERT_TRUE(b.Window.IsDeep());
  for (TZoomSmooth smooth : {TZoomSmooth::Regular, TZoomSmooth::Fluent}) {
    TRecordingHost host;
    RunZoomLoop(host, {a, b}, smooth, 0, 6);
    ASSERT_EQ(host.Deeps.size(), 7u);
    EXPECT_EQ(host.Windows[0].X(), -0.75L);
    EXPECT_TRUE(host.Deeps[6].X == b.Window.Exact().X && host.Deeps[6].Y == b.Window.Exact().Y && host.Deeps[6].W == b.Window.Exact().W);
    const std::vector<Extended> widths = SegmentWidths(a.Window.W(), b.Window.W(), 6, smooth);
    for (int k : {3, 5}) {
      const TDeepWindow& got = host.Deeps[size_t(k)];
      EXPECT_EQ(host.Windows[size_t(k)].W(), widths[size_t(k)]);
      // The centre's share of the way follows the width.
      const TDeepReal w(widths[size_t(k)], kExact), aw(a.Window.W(), kExact), bw(b.Window.W(), kExact);
      const TDeepReal t = (w - aw) / (aw - bw);
      const TDeepReal ax(a.Window.X(), kExact), ay(a.Window.Y(), kExact);
      const TDeepReal x = ax + (ax - b.Window.Exact().X) * t, y = ay + (ay - b.Window.Exact().Y) * t;
      // To a 2^-30 part of a pixel of a 64-pixel image.
      TDeepReal limit = w / TDeepReal(63.0L, kExact);
      mpfr_mul_2si(limit.Get(), limit.Get(), -30, MPFR_RNDN);
      for (const auto& [value, expected] : {std::pair{&got.X, &x}, std::pair{&got.Y, &y}}) {
        TDeepReal error = *value - *expected;
        mpfr_abs(error.Get(), error.Get(), MPFR_RNDN);
        EXPECT_LE(mpfr_cmp(error.Get(), limit.Get()), 0) << k << " " << error.ToDecimal(5);
      }
    }
    if (smooth == TZoomSmooth::Regular) {
      EXPECT_TRUE(IsDeep(host.Deeps[5]));  // near 1e-50
    }
  }
}

// Renders every frame of a 64 x 48 flight through the Mandelbrot set and
// keeps its escape values and the reference orbits its deep render used.
class TRenderingHost : public TMovieHost {
 public:
  TRenderingHost() : Doc(0, -2.2L, 1.4L, 2.8L, 64, 48, &Canvas) { WaitForRender(Doc); }
  TFractal& Document() override { return Doc; }
  void RenderAndWait() override { WaitForRender(Doc); }
  bool WriteFrame(int32_t) override {
    Values.emplace_back(Doc.ValueBuffer(), Doc.ValueBuffer() + size_t(Doc.PixelCount) * 3);
    Used.push_back(Doc.RenderThread()->DeepReference());
    Offered.push_back(Doc.DeepReference ? Doc.DeepReference->Get({}) : nullptr);
    return true;
  }
  bool Running() const override { return true; }
  int32_t FrameCount() const override { return 0; }
  void SetGaugeMax(int32_t) override {}
  void SetGaugePosition(int32_t) override {}

  TRecordingCanvas Canvas;
  TFractal Doc;
  std::vector<std::vector<float>> Values;
  std::vector<std::shared_ptr<const TDeepReference>> Used, Offered;
};

TEST(ZoomMovie, ADeepFlightRendersEveryFrameFromTheDeepestFramesReference) {
  // Spots centred on c = i, a Misiurewicz point: 1e-30, 1e-35, 1e-40.
  auto spot = [](const char* width) {
    TFractal probe(-1, 0, 0, 0, 64, 48, nullptr);
    TDeepReal w(64);
    EXPECT_TRUE(TDeepReal::Parse(width, 64, w));
    const TDeepReal half = w / TDeepReal(2.0L, 200);
    probe.SetDeepWindow({TDeepReal(0.0L, 200) - half, TDeepReal(1.0L, 200) + half * TDeepReal(47.0L / 63, 200), w});
    return MovieSpotOf(probe, 2);
  };
  const std::vector<TMovieSpot> spots = {spot("1e-30"), spot("1e-40")};
  TRenderingHost flight;
  ASSERT_EQ(RunZoomLoop(flight, spots, TZoomSmooth::Regular, 0, 2), 3);
  EXPECT_FALSE(flight.Doc.DeepReference);  // offered for the flight only
  ASSERT_TRUE(flight.Used[0]);
  for (int c = 0; c < 3; ++c) {
    EXPECT_EQ(flight.Used[size_t(c)], flight.Offered[size_t(c)]) << c;
    EXPECT_EQ(flight.Used[size_t(c)], flight.Used[0]) << c;
  }
  // Each frame alone, from its own reference: the same escapes within one.
  TRenderingHost single;
  for (int32_t c = 0; c < 3; ++c) {
    single.Doc.SetWindow(ZoomWindow(spots, TZoomSmooth::Regular, c));
    single.RenderAndWait();
    single.WriteFrame(c);
    EXPECT_NE(single.Used.back(), flight.Used[0]);
    const std::vector<float>&a = flight.Values[size_t(c)], &b = single.Values.back();
    size_t close = 0, escaped = 0;
    for (size_t k = 0; k < a.size(); k += 3) {
      close += std::fabs(a[k] - b[k]) <= 1;
      escaped += b[k] > 0;
    }
    EXPECT_GE(close, a.size() / 3 * 99 / 100) << c;
    EXPECT_GT(escaped, a.size() / 3 / 2) << c;  // a view with detail, not a flat one
  }
}

}  // namespace
