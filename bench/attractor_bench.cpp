// SPDX-License-Identifier: GPL-3.0-or-later
// An attractor drawing pass of 1,000,000 points at 1024 x 1024 and a redraw
// after a pan, in milliseconds, next to 1,000,000 bare map steps of the same
// attractor measured in the same run.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>

#include "attractors/attractor.h"
#include "attractors/attractor_search.h"
#include "attractors/attractor_thread.h"
#include "bench/cpu_clock.h"
#include "platform/messages.h"

namespace {

constexpr int32_t kSide = 1024;
constexpr int32_t kPoints = 1000000;
double BareMs = 0, BareCpuMs = 0;  // 1,000,000 bare steps, measured first

// A kind-3 attractor found with a fixed seed, drawn once.
T3dFractal& FoundAttractor() {
  static TNullCanvas canvas;
  static T3dFractal* doc = [] {
    MainQueue();
    auto* d = new T3dFractal(kSide, kSide, &canvas);
    d->SetPointCount(kPoints);
    SearchAttractor(*d, 2, 3u);
    d->StopThread();
    return d;
  }();
  return *doc;
}

double Ms(std::chrono::steady_clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// CPU time of the whole process (both threads of a pass), in milliseconds: on
// a busy machine the wall time of a pass mostly measures waiting for a core
// at each of its 2000 synchronised paints.
double ProcessCpuMs() { return ProcessCpuSeconds() * 1e3; }

void BM_BareSteps(benchmark::State& state) {
  T3dFractal& doc = FoundAttractor();
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = ProcessCpuMs();
    TAttractorPoint p{kAttractorStart, kAttractorStart, kAttractorStart};
    // The same orbit as the pass: runaway coordinates come back to the start.
    for (int32_t k = 0; k <= kPoints; ++k) {
      AttractorStep(doc.Kind, doc.Coefficients, p, doc.Random);
      if (std::fabs(p.x) > kRunawayLimit) p.x = kAttractorStart;
      if (std::fabs(p.y) > kRunawayLimit) p.y = kAttractorStart;
      if (std::fabs(p.z) > kRunawayLimit) p.z = kAttractorStart;
    }
    benchmark::DoNotOptimize(p);
    const double ms = Ms(std::chrono::steady_clock::now() - start);
    BareCpuMs = ProcessCpuMs() - cpuStart;
    state.SetIterationTime(ms / 1000);
    BareMs = ms;
  }
  state.counters["ms"] = BareMs;
  state.counters["cpu_ms"] = BareCpuMs;
}

void BM_DrawingPass(benchmark::State& state) {
  T3dFractal& doc = FoundAttractor();
  double ms = 0, cpu = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = ProcessCpuMs();
    doc.Restart();
    doc.RenderThread()->WaitFor();
    ms = Ms(std::chrono::steady_clock::now() - start);
    cpu = ProcessCpuMs() - cpuStart;
    state.SetIterationTime(ms / 1000);
  }
  state.counters["ms"] = ms;
  state.counters["cpu_ms"] = cpu;
  state.counters["x_bare"] = BareMs > 0 ? ms / BareMs : 0;
  state.counters["cpu_x_bare"] = BareCpuMs > 0 ? cpu / BareCpuMs : 0;
}

void BM_RedrawAfterPan(benchmark::State& state) {
  T3dFractal& doc = FoundAttractor();
  doc.Restart();
  doc.RenderThread()->WaitFor();
  double ms = 0;
  int32_t k = 0;
  for (auto _ : state) {
    const Extended x = doc.X + doc.W / doc.Width * ((++k & 1) ? 10 : -10);
    const auto start = std::chrono::steady_clock::now();
    doc.SetWindow(x, doc.Y, doc.W);
    ms = Ms(std::chrono::steady_clock::now() - start);
    state.SetIterationTime(ms / 1000);
  }
  state.counters["ms"] = ms;
  state.counters["x_bare"] = BareMs > 0 ? ms / BareMs : 0;
}

BENCHMARK(BM_BareSteps)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_DrawingPass)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_RedrawAfterPan)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace
