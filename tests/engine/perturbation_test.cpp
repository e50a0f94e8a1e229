// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/perturbation.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <set>
#include <string>
#include <thread>

#include "bench/centred_window.h"
#include "formulas/pixel.h"

namespace {

// A view `columns` x `rows` centred on (cx, cy) and `w` wide.
struct TView {
  TDeepWindow Window;
  int32_t Columns, Rows;
  mpfr_prec_t Bits;
};

TView ViewAt(const char* cx, const char* cy, const char* w, int32_t columns, int32_t rows) {
  TDeepReal width;
  EXPECT_TRUE(TDeepReal::Parse(w, 64, width));
  TDeepWindow probe{TDeepReal(1.0L, 64), TDeepReal(1.0L, 64), width};
  const mpfr_prec_t bits = 2 * DeepBitsFor(probe, columns);  // the brute force needs plenty
  return {CentredWindow(cx, cy, w, columns, rows, bits), columns, rows, bits};
}

TFormulaContext Context(int32_t number, bool julia, int32_t smoothing, int32_t maxIter) {
  TFormulaContext ctx;
  ctx.Number = number;
  ctx.JulieSet = julia;
  ctx.PJ = {-0.75L, 0.125L};
  ctx.Smoothing = smoothing;
  ctx.MaxIter = maxIter;
  return ctx;
}

// Share of pixels whose first channel agrees within `tolerance`.
template <class Reference>
double Agreement(const TFormulaContext& base, const TView& v, float tolerance, Reference reference) {
  TPerturbation deep;
  EXPECT_TRUE(deep.Prepare(base, v.Window, v.Columns, v.Columns, v.Rows));
  TFormulaContext ctx = base;
  int32_t same = 0;
  std::set<float> seen;
  for (int32_t px = 0; px < v.Columns; ++px)
    for (int32_t py = 0; py < v.Rows; ++py) {
      const float value = deep.Evaluate(&ctx, px, py).Value[0];
      seen.insert(value);
      if (std::fabs(value - reference(px, py)) <= tolerance) ++same;
    }
  // A flat image would agree with anything.
  EXPECT_GE(seen.size(), 8u);
  return double(same) / (v.Columns * v.Rows);
}

TEST(Perturbation, ShallowViewAgreesWithTheOrdinaryRender) {
  struct Row {
    int32_t number;
    bool julia;
    int32_t smoothing;
    const char *cx, *cy, *w;
  } rows[] = {
      {0, false, 0, "-0.7436", "0.1318", "0.01"},
      {0, false, 3, "-0.7436", "0.1318", "0.01"},
      {0, false, 1, "-0.5", "0", "3"},
      {0, true, 2, "0", "0", "3"},
      {1, false, 0, "0", "0", "3"},
      {2, false, 2, "-0.6", "0.4", "0.3"},
      {3, true, 0, "0.1", "0.1", "1.5"},
      {4, false, 3, "-0.8", "0.2", "0.1"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(std::to_string(r.number) + (r.julia ? " julia" : "") + " smoothing " + std::to_string(r.smoothing));
    const TFormulaContext base = Context(r.number, r.julia, r.smoothing, 300);
    const TView v = ViewAt(r.cx, r.cy, r.w, 64, 48);
    const double step = double(v.Window.W.ToExtended()) / (v.Columns - 1);
    const double x0 = v.Window.X.ToDouble(), y0 = v.Window.Y.ToDouble();
    TFormulaContext ordinary = base;
    const double share = Agreement(base, v, 1e-3f, [&](int32_t px, int32_t py) {
      return EvaluatePixel(&ordinary, double(x0 + px * step), double(y0 - py * step)).Value[0];
    });
    EXPECT_GE(share, 0.995);
  }
}

TEST(Perturbation, DeepViewMatchesTheExactRender) {
  struct Row {
    int32_t number;
    bool julia;
    const char *cx, *cy, *w;
  } rows[] = {
      // Misiurewicz points, where escape counts grow slowly with depth: c = i
      // for z^2 and c = 2^(1/3) e^(i pi/3) for z^4; the repelling fixed point
      // of z^2 - 0.75 + 0.125i for the Julia set.
      {0, false, "0", "1", "1e-30"},
      {0, false, "0", "1", "1e-310"},
      {2, false, "0.6299605249474365823836053036391141752851", "1.0911236359717214035600726141898088813259", "1e-26"},
      {0, true, "1.50194366571612166326740690071288008879821909", "-0.0623787565494804751395213326667782087838121769",
       "1e-30"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(std::string(r.w) + " formula " + std::to_string(r.number) + (r.julia ? " julia" : ""));
    const TFormulaContext ctx = Context(r.number, r.julia, 0, 2000);
    const TView v = ViewAt(r.cx, r.cy, r.w, 16, 12);
    const TDeepReal step = v.Window.W / TDeepReal(Extended(v.Columns - 1), v.Bits);
    const double share = Agreement(ctx, v, 0, [&](int32_t px, int32_t py) {
      const TDeepReal x = v.Window.X + step * TDeepReal(Extended(px), v.Bits);
      const TDeepReal y = v.Window.Y - step * TDeepReal(Extended(py), v.Bits);
      return float(ExactEscape(ctx, x, y, v.Bits));
    });
    EXPECT_GE(share, 0.995);
  }
}

TEST(Perturbation, ServesPlainPowersWithoutFiltersAndTellsDeepViews) {
  TFormulaContext ctx = Context(4, true, 3, 100);
  EXPECT_TRUE(PerturbationServes(ctx));
  for (auto spoil : {+[](TFormulaContext& c) { c.Number = 5; }, +[](TFormulaContext& c) { c.Filter = 1; },
                     +[](TFormulaContext& c) { c.FSet = true; }, +[](TFormulaContext& c) { c.Inverted = true; }}) {
    TFormulaContext spoiled = ctx;
    spoil(spoiled);
    EXPECT_FALSE(PerturbationServes(spoiled));
  }
  EXPECT_FALSE(PastOrdinaryPrecision(ViewAt("-0.74", "0.13", "1e-11", 1000, 750).Window, 1000));
  EXPECT_TRUE(PastOrdinaryPrecision(ViewAt("-0.74", "0.13", "1e-13", 1000, 750).Window, 1000));
  EXPECT_TRUE(PastOrdinaryPrecision(ViewAt("-0.74", "0.13", "1e-400", 1000, 750).Window, 1000));
}

TEST(Perturbation, StopRequestEndsTheReferenceOrbit) {
  const TFormulaContext ctx = Context(0, false, 0, 200000000);
  const TView v = ViewAt("-0.75", "0", "1e-3000", 64, 48);  // on the set: the orbit never escapes
  std::atomic<bool> stop{false};
  std::thread stopper([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    stop.store(true);
  });
  TPerturbation deep;
  TDeepPrepare how;
  how.Watch.Stop = &stop;
  EXPECT_FALSE(deep.Prepare(ctx, v.Window, v.Columns, v.Columns, v.Rows, how));
  stopper.join();
}

}  // namespace
