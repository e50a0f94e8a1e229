// SPDX-License-Identifier: GPL-3.0-or-later
// Render throughput of the kernels against a bare Mandelbrot loop, in
// iterations per second, with each one's ratio to the bare loop of this run.

#include <benchmark/benchmark.h>

#include <chrono>
#include <thread>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "bench/cpu_clock.h"
#include "engine/fractal.h"
#include "engine/render_thread.h"
#include "formulas/calc_point.h"
#include "formulas/catalogue.h"
#include "formulas/formula_context.h"
#include "formulas/pixel.h"
#include "ifs/ifs_file.h"
#include "ifs/ifs_model.h"
#include "platform/program_folder.h"

namespace {

constexpr int kWidth = 640, kHeight = 480;
double BareRate = 0;  // iterations per second of the bare loop, measured first

int32_t AutoIterFor(int width, Extended w) {
  const Extended v = std::nearbyint(100 * std::log10(Extended(width) / w));
  return v < 150 ? 150 : int32_t(v);
}

struct TImageGrid {
  std::vector<double> Xs, Ys;
  int32_t MaxIter;
};

// Formula 0 runs at a limit of 256; other formulas at the automatic limit.
constexpr int32_t kMandelbrotMaxIter = 256;

TImageGrid GridFor(int32_t number) {
  const TFormulaEntry* row = FindFormula(number);
  const Extended X = row->X, Y = row->Y, W = row->W;
  const Extended step = W / (kWidth - 1);
  TImageGrid g;
  for (int px = 0; px < kWidth; ++px) g.Xs.push_back(double(X + px * step));
  for (int py = 0; py < kHeight; ++py) g.Ys.push_back(double(Y - py * step));
  g.MaxIter = number == 0 ? kMandelbrotMaxIter : AutoIterFor(kWidth, W);
  return g;
}

// Thread CPU time, so that other work on the machine does not skew the rates.
struct TClock {
  using time_point = double;
  static double now() { return ThreadCpuSeconds(); }
};

// Sets the iterations-per-second counter and, once the bare loop has run,
// the ratio to it. Returns the rate.
double Report(benchmark::State& state, int64_t iterations, TClock::time_point start) {
  const double seconds = TClock::now() - start;
  const double rate = double(iterations) / seconds;
  state.counters["iter/s"] = rate;
  return rate;
}

// The plain z^2 + c loop with the same extended-precision intermediates and
// the same bailout comparison as the kernels.
void BM_BareLoop(benchmark::State& state) {
  const TImageGrid g = GridFor(0);
  const Extended bailout = 9.0f;
  int64_t total = 0;
  const TClock::time_point start = TClock::now();
  for (auto _ : state) {
    for (double cx : g.Xs)
      for (double cy : g.Ys) {
        double x = cx, y = cy;
        int32_t n = 1;
        for (; n <= g.MaxIter; ++n) {
          const Extended a = x, b = y;
          if (a * a + b * b > bailout) break;
          x = double(a * a - b * b + cx);
          y = double(2 * a * b + cy);
        }
        total += n > g.MaxIter ? g.MaxIter : n;
        benchmark::DoNotOptimize(n);
      }
  }
  BareRate = Report(state, total, start);
}

// The kernel alone (CalcPoint), a full pixel (EvaluatePixel) or a column of
// pixels at once as the render thread asks for them (EvaluatePixelRun).
enum class TCall { Kernel, Pixel, Column };

template <TCall Call>
void RunFormula(benchmark::State& state, int32_t number, int32_t filter, int32_t smoothing) {
  const TImageGrid g = GridFor(number);
  TFormulaContext ctx;
  ctx.Number = number;
  ctx.MaxIter = g.MaxIter;
  ctx.Filter = filter;
  ctx.Smoothing = smoothing;
  std::vector<TPixelChannels> column(g.Ys.size());
  int64_t total = 0;
  const TClock::time_point start = TClock::now();
  for (auto _ : state) {
    for (double x : g.Xs) {
      if constexpr (Call == TCall::Column) {
        EvaluatePixelRun(&ctx, x, g.Ys.data(), int32_t(g.Ys.size()), column.data());
        benchmark::DoNotOptimize(column.data());
        for (const TPixelChannels& c : column) {
          const int32_t n = int32_t(c.Value[0]);
          total += n <= 0 || n > g.MaxIter ? g.MaxIter : n;
        }
        continue;
      }
      for (double y : g.Ys) {
        int32_t n;
        if constexpr (Call == TCall::Pixel) {
          const TPixelChannels c = EvaluatePixel(&ctx, x, y);
          benchmark::DoNotOptimize(c);
          n = int32_t(c.Value[0]);
        } else {
          n = CalcPoint(&ctx, x, y);
          benchmark::DoNotOptimize(n);
        }
        total += n <= 0 || n > g.MaxIter ? g.MaxIter : n;
      }
    }
  }
  const double rate = Report(state, total, start);
  if (BareRate > 0) state.counters["x bare"] = rate / BareRate;
}

void BM_CalcPoint_Mandelbrot(benchmark::State& s) { RunFormula<TCall::Kernel>(s, 0, 0, 0); }
void BM_CalcPoint_SinusCosinus(benchmark::State& s) { RunFormula<TCall::Kernel>(s, 22, 0, 0); }
void BM_CalcPoint_Newton(benchmark::State& s) { RunFormula<TCall::Kernel>(s, 14, 0, 0); }
void BM_Pixel_Filter0_Smoothing0(benchmark::State& s) { RunFormula<TCall::Pixel>(s, 0, 0, 0); }
void BM_Pixel_Filter0_Smoothing2(benchmark::State& s) { RunFormula<TCall::Pixel>(s, 0, 0, 2); }
void BM_PixelColumn_Filter0_Smoothing0(benchmark::State& s) { RunFormula<TCall::Column>(s, 0, 0, 0); }

// Whole renders of the document, 1024 x 768 of the default window, measured
// in wall time against the bare loop over the same pixels.
constexpr int kDocWidth = 1024, kDocHeight = 768;
double BareDocRate = 0, OneThreadDocRate = 0;

double WallSeconds(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void BM_BareLoop_1024x768(benchmark::State& state) {
  const Extended step = 2.8L / (kDocWidth - 1);
  const int32_t maxIter = AutoIterFor(kDocWidth, 2.8L);
  const Extended bailout = 9.0f;
  int64_t total = 0;
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state)
    for (int px = 0; px < kDocWidth; ++px) {
      const double cx = double(-2.2L + px * step);
      for (int py = 0; py < kDocHeight; ++py) {
        const double cy = double(1.4L - py * step);
        double x = cx, y = cy;
        int32_t n = 1;
        for (; n <= maxIter; ++n) {
          const Extended a = x, b = y;
          if (a * a + b * b > bailout) break;
          x = double(a * a - b * b + cx);
          y = double(2 * a * b + cy);
        }
        total += n > maxIter ? maxIter : n;
        benchmark::DoNotOptimize(n);
      }
    }
  BareDocRate = double(total) / WallSeconds(start);
  state.counters["iter/s"] = BareDocRate;
}

// Arguments: the thread count, and 1 for fast arithmetic.
void BM_DocumentRender(benchmark::State& state) {
  const int32_t threads = int32_t(state.range(0));
  const bool fast = state.range(1) != 0;
  TFractal::RenderThreads = threads;
  TFractal::UseFastArithmetic = fast;
  TNullCanvas canvas;
  TFractal doc(-1, 0, 0, 0, kDocWidth, kDocHeight, &canvas);
  int64_t total = 0;
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    doc.SetFormula(0, -2.2L, 1.4L, 2.8L);
    doc.RenderThread()->WaitFor();
    const float* v = doc.ValueBuffer();
    for (int32_t py = 0; py < kDocHeight; ++py)
      for (int32_t px = 0; px < kDocWidth; ++px) {
        const float n = v[(size_t(py) * doc.BufWidth() + px) * 3];
        total += n > 0 ? int64_t(n) : doc.Ctx.MaxIter;
      }
  }
  const double rate = double(total) / WallSeconds(start);
  state.counters["iter/s"] = rate;
  if (BareDocRate > 0) state.counters["x bare"] = rate / BareDocRate;
  if (threads == 1 && !fast) OneThreadDocRate = rate;
  if (threads != 1 && !fast && OneThreadDocRate > 0) state.counters["x 1 thread"] = rate / OneThreadDocRate;
  if (fast && OneThreadDocRate > 0) state.counters["x exact 1 thread"] = rate / OneThreadDocRate;
  TFractal::RenderThreads = 0;
  TFractal::UseFastArithmetic = false;
}

// An IFS render of the document: the first IFS of the program's library
// (the Sierpinski triangle), a million points, in points per second.
void BM_DocumentRenderIFS(benchmark::State& state) {
  std::vector<std::string> names;
  if (!LoadIFSLibrary(ProgramFile("px.ifs"), IFSLibrary, names).empty() || IFSLibrary.Count < 1) {
    state.SkipWithError("the IFS library \"px.ifs\" is missing beside the benchmark");
    return;
  }
  TNullCanvas canvas;
  TFractal doc(-1, 0, 0, 0, kDocWidth, kDocHeight, &canvas);
  doc.AutoIter = false;
  doc.Ctx.MaxIter = 1000;
  doc.Ctx.IFScounter = 1000;
  doc.Ctx.IFSNumber = 0;
  int64_t points = 0;
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    doc.SetFormula(kIFSFormula, -0.1L, 0.6L, 1.2L);
    doc.RenderThread()->WaitFor();
    points += int64_t(doc.Ctx.MaxIter) * doc.Ctx.IFScounter + 1;
  }
  state.counters["points/s"] = double(points) / WallSeconds(start);
}

}  // namespace

BENCHMARK(BM_BareLoop)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CalcPoint_Mandelbrot)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CalcPoint_SinusCosinus)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CalcPoint_Newton)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Pixel_Filter0_Smoothing0)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Pixel_Filter0_Smoothing2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PixelColumn_Filter0_Smoothing0)->Unit(benchmark::kMillisecond);

BENCHMARK(BM_BareLoop_1024x768)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DocumentRender)
    ->Args({1, 0})
    ->Args({int64_t(std::thread::hardware_concurrency()), 0})
    ->Args({1, 1})
    ->Args({int64_t(std::thread::hardware_concurrency()), 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_DocumentRenderIFS)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
