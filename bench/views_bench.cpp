// SPDX-License-Identifier: GPL-3.0-or-later
// The 3D view and the anti-aliased image of a zoomed Mandelbrot image, each
// next to the render of the image it is made from, in the same run. The
// "x render" counter is the share of that render's time.

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <vector>

#include "engine/anti_alias.h"
#include "engine/fractal.h"
#include "engine/relief.h"
#include "engine/render_thread.h"

namespace {

// One rendered image per size, kept for the view that follows its render.
struct TRendered {
  TNullCanvas Canvas;
  std::unique_ptr<TFractal> Doc;
  double Seconds = 0;  // mean wall time of one render
};
TRendered Small, Large;  // 1024 x 768 and 2048 x 1536

void Render(benchmark::State& state, TRendered& r, int32_t width, int32_t height) {
  r.Doc = std::make_unique<TFractal>(-1, 0, 0, 0, width, height, &r.Canvas);
  int64_t runs = 0;
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    r.Doc->SetFormula(0, -0.78L, 0.16L, 0.06L);  // the edge of the set, zoomed in
    r.Doc->RenderThread()->WaitFor();
    ++runs;
  }
  r.Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / double(runs);
}

void ReportShare(benchmark::State& state, std::chrono::steady_clock::time_point start, int64_t runs,
                 const TRendered& r) {
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / double(runs);
  if (r.Seconds > 0) state.counters["x render"] = seconds / r.Seconds;
}

void BM_Render_1024x768(benchmark::State& state) { Render(state, Small, 1024, 768); }

// What the view thread does: take the pixel values, then the three steps.
void BM_View3D_1024x768(benchmark::State& state) {
  const TFractal& doc = *Small.Doc;
  const TReliefSize size{doc.Width, doc.Height, doc.BufWidth(), doc.BufHeight()};
  std::vector<float> values(size_t(size.BufWidth) * size.BufHeight);
  std::vector<uint8_t> image(values.size() * 3);
  const TReliefProgress goOn = [](int32_t, int32_t) { return true; };
  int64_t runs = 0;
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    for (int32_t py = 0; py < size.BufHeight; ++py)
      for (int32_t px = 0; px < size.BufWidth; ++px) values[size_t(py) * size.BufWidth + px] = doc.PixelValue(px, py);
    benchmark::DoNotOptimize(RenderRelief(values.data(), size, TReliefSettings{}, image.data(), goOn));
    ++runs;
  }
  ReportShare(state, start, runs, Small);
}

void BM_Render_2048x1536(benchmark::State& state) { Render(state, Large, 2048, 1536); }

void BM_AntiAlias_2048x1536(benchmark::State& state) {
  const TFractal& doc = *Large.Doc;
  const TAntiAliasSize size = AntiAliasSizeOf(doc.Width, doc.Height);
  std::vector<uint8_t> out(size_t(size.PixelCount) * 3);
  int64_t runs = 0;
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    AntiAliasImage({&doc.BitmapHeader(), doc.ImageBuffer(), doc.Width, doc.Height}, size, out.data());
    benchmark::DoNotOptimize(out.data());
    ++runs;
  }
  ReportShare(state, start, runs, Large);
}

}  // namespace

BENCHMARK(BM_Render_1024x768)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_View3D_1024x768)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Render_2048x1536)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_AntiAlias_2048x1536)->Unit(benchmark::kMillisecond)->UseRealTime();
