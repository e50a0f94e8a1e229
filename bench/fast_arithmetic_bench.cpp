// SPDX-License-Identifier: GPL-3.0-or-later
// The exact path against fast arithmetic (scalar doubles, the widest vector
// loop and the four-lane one), in iterations per second with each one's ratio
// to the exact path of the same image; for formulas with a lane loop, the lane
// loop against the same scalar double kernel pixel by pixel; and the share of
// pixels the fast path gives exactly as the exact one at every formula's
// catalogue window.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "bench/cpu_clock.h"
#include "formulas/catalogue.h"
#include "formulas/formula_context.h"
#include "formulas/pixel.h"
#include "formulas/vector_kernels.h"

namespace {

enum TPath { kExact, kScalarDoubles, kVector, kFourLanes, kPixelByPixel, kPathCount };
const char* const kPathNames[] = {"exact", "doubles", "vector", "vector4", "pixels"};

struct TImage {
  int32_t Number;
  Extended X, Y, W;
  int32_t Width, Height, MaxIter;
};

// Renders the image column by column as the render thread does (pixel by
// pixel on kPixelByPixel, which no lane or vector loop serves); returns the
// channel values.
std::vector<TPixelChannels> Render(const TImage& im, TPath path) {
  TFormulaContext ctx;
  ctx.Number = im.Number;
  ctx.MaxIter = im.MaxIter;
  ctx.FastArithmetic = path != kExact;
  ForceScalarFastPath = path == kScalarDoubles;
  ForceNarrowVectors = path == kFourLanes;
  const Extended step = im.W / (im.Width - 1);
  std::vector<double> ys(static_cast<size_t>(im.Height));
  for (int32_t py = 0; py < im.Height; ++py) ys[size_t(py)] = double(im.Y - py * step);
  std::vector<TPixelChannels> out(size_t(im.Width) * size_t(im.Height));
  for (int32_t px = 0; px < im.Width; ++px) {
    const double x = double(im.X + px * step);
    TPixelChannels* column = out.data() + size_t(px) * im.Height;
    if (path == kPixelByPixel)
      for (int32_t py = 0; py < im.Height; ++py) column[py] = EvaluatePixel(&ctx, x, ys[size_t(py)]);
    else
      EvaluatePixelRun(&ctx, x, ys.data(), im.Height, column);
  }
  ForceScalarFastPath = false;
  ForceNarrowVectors = false;
  return out;
}

// Iterations the image takes: its escape counts, the limit for the points
// that never escape.
int64_t IterationsOf(const TImage& im, const std::vector<TPixelChannels>& values) {
  int64_t total = 0;
  for (const TPixelChannels& c : values) {
    const int32_t n = int32_t(c.Value[0]);
    total += n <= 0 || n > im.MaxIter ? im.MaxIter : n;
  }
  return total;
}

// Per path and image, the rates measured so far: the exact benchmark runs
// first, the pixel-by-pixel one before the lane loop it is compared with.
std::map<std::string, double> Rates[kPathCount];

void RunPath(benchmark::State& state, const std::string& name, const TImage& im, TPath path) {
  int64_t total = 0;
  double seconds = 0;
  for (auto _ : state) {
    const double start = ThreadCpuSeconds();
    const std::vector<TPixelChannels> values = Render(im, path);
    const double took = ThreadCpuSeconds() - start;
    state.SetIterationTime(took);
    seconds += took;
    // The exact path's counts stand for the work of every path.
    total += IterationsOf(im, path == kExact ? values : Render(im, kExact));
  }
  const double rate = double(total) / seconds;
  state.counters["iter/s"] = rate;
  Rates[path][name] = rate;
  if (Rates[kExact].count(name)) state.counters["x_exact"] = rate / Rates[kExact][name];
  const bool lanes = path == kScalarDoubles && Rates[kPixelByPixel].count(name);
  if (lanes) state.counters["x_pixels"] = rate / Rates[kPixelByPixel][name];
  std::string note;
  if (lanes) note = " (lane loop)";
  if (path == kVector) note = WideVectorUnitPresent() ? " (AVX-512)" : " (AVX2)";
  const bool vector = path == kVector || path == kFourLanes;
  if (vector && !VectorUnitPresent()) note = " (no AVX2: scalar doubles)";
  if (vector && im.Number > kLastVectorFormula) note = " (no vector loop: scalar doubles)";
  state.SetLabel(name + " " + kPathNames[path] + note);
}

const TImage kMandel256{0, -2.2L, 1.4L, 2.8L, 1024, 768, 256};
const TImage kMandel2048{0, -2.2L, 1.4L, 2.8L, 1024, 768, 2048};
const TImage kDeepZoom{0, -0.7454L, 0.1130L, 0.0005L, 512, 384, 4000};

TImage CatalogueImage(int32_t number, int32_t width, int32_t height) {
  const TFormulaEntry* row = FindFormula(number);
  const Extended w = row->W;
  const Extended v = std::nearbyint(100 * std::log10(Extended(width) / w));
  return {number, row->X, row->Y, w, width, height, v < 150 ? 150 : int32_t(v)};
}

void BM_Fast(benchmark::State& state, std::string name, TImage im, TPath path) { RunPath(state, name, im, path); }

#define PX_PATH_BENCH(label, suffix, image, path)                   \
  BENCHMARK_CAPTURE(BM_Fast, label##_##suffix, #label, image, path) \
      ->UseManualTime()                                             \
      ->Iterations(1)                                               \
      ->Unit(benchmark::kMillisecond)

#define PX_FAST_BENCH(label, image)                                 \
  PX_PATH_BENCH(label, exact, image, kExact);                       \
  PX_PATH_BENCH(label, doubles, image, kScalarDoubles);             \
  PX_PATH_BENCH(label, vector, image, kVector);                     \
  PX_PATH_BENCH(label, vector4, image, kFourLanes)

// The formulas whose fast path is a lane loop: the exact path, the kernel
// pixel by pixel and the lane loop.
#define PX_LANE_BENCH(label, image)                                 \
  PX_PATH_BENCH(label, exact, image, kExact);                       \
  PX_PATH_BENCH(label, pixels, image, kPixelByPixel);               \
  PX_PATH_BENCH(label, lanes, image, kScalarDoubles)

PX_FAST_BENCH(Mandelbrot256, kMandel256);
PX_FAST_BENCH(Mandelbrot2048, kMandel2048);
PX_FAST_BENCH(DeepZoom4000, kDeepZoom);
PX_FAST_BENCH(Newton14, CatalogueImage(14, 320, 240));
PX_FAST_BENCH(Tangent13, CatalogueImage(13, 320, 240));
PX_FAST_BENCH(Sine54, CatalogueImage(54, 320, 240));

PX_LANE_BENCH(Cubic5, CatalogueImage(5, 640, 480));
PX_LANE_BENCH(Cubic6, CatalogueImage(6, 640, 480));
PX_LANE_BENCH(Quadratic7, CatalogueImage(7, 640, 480));
PX_LANE_BENCH(Pixel8, CatalogueImage(8, 640, 480));
PX_LANE_BENCH(SuperMandel17, CatalogueImage(17, 640, 480));
PX_LANE_BENCH(Talis21, CatalogueImage(21, 640, 480));
PX_LANE_BENCH(Nelmira25, CatalogueImage(25, 640, 480));
PX_LANE_BENCH(Polynomial30, CatalogueImage(30, 640, 480));

#undef PX_LANE_BENCH
#undef PX_FAST_BENCH
#undef PX_PATH_BENCH

// Share of pixels the fast path gives exactly as the exact one, per formula
// at its catalogue window (160 x 120) and on the deep zoom; printed lowest
// first, with the count of shares below 99.5 %. Beside it, the share the
// exact path keeps when the window's left edge moves by one unit in the last
// place of a double: where that share is low too, the pixels hang on the last
// bit of every step (chaotic orbits), and a double computation, whose steps
// differ from the exact ones in that bit, cannot settle them.
double SameShare(const std::vector<TPixelChannels>& a, const std::vector<TPixelChannels>& b) {
  size_t same = 0;
  for (size_t i = 0; i < a.size(); ++i)
    same += a[i].Value[0] == b[i].Value[0] && a[i].Value[1] == b[i].Value[1] && a[i].Value[2] == b[i].Value[2];
  return double(same) / double(a.size());
}

void BM_FastAgreement(benchmark::State& state) {
  for (auto _ : state) {
    struct TShare {
      double Fast, Self;
      std::string Name;
      bool operator<(const TShare& o) const { return Fast < o.Fast; }
    };
    std::vector<TShare> shares;
    auto measure = [&](const TImage& im, const std::string& name) {
      const std::vector<TPixelChannels> exact = Render(im, kExact);
      TImage moved = im;
      moved.X += (im.X != 0 ? std::fabs(im.X) : im.W) * 0x1p-52L;
      shares.push_back({SameShare(exact, Render(im, kVector)), SameShare(exact, Render(moved, kExact)), name});
    };
    for (int32_t number = 0; number <= 76; ++number)
      if (FindFormula(number)) measure(CatalogueImage(number, 160, 120), "formula " + std::to_string(number));
    if (FindFormula(kConstructorFormula)) measure(CatalogueImage(kConstructorFormula, 160, 120), "constructor");
    measure({0, -0.7454L, 0.1130L, 0.0005L, 160, 120, 4000}, "deep zoom");
    std::sort(shares.begin(), shares.end());
    int below = 0;
    for (const TShare& s : shares) below += s.Fast < 0.995;
    std::printf("fast path agreement (identical pixels), lowest first; %d below 99.5 %%:\n", below);
    std::printf("  %-12s %10s %19s\n", "", "fast", "exact moved 1 ulp");
    for (const TShare& s : shares) std::printf("  %-12s %8.4f %% %16.4f %%\n", s.Name.c_str(), 100 * s.Fast, 100 * s.Self);
    state.counters["lowest %"] = 100 * shares.front().Fast;
  }
}
BENCHMARK(BM_FastAgreement)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
