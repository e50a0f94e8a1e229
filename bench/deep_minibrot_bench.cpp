// SPDX-License-Identifier: GPL-3.0-or-later
// Deep zoom at minibrots: 1920 x 1080 renders of the views of
// bench/minibrot_views.h, where every pixel spends tens of thousands to
// millions of iterations close to a periodic reference orbit. Reports the
// processor time, the iterations executed (long steps count once) and
// credited (the escape counts), the table of long steps, and how closely the
// render with long steps agrees with the one without them; beside it, the
// fast path's rate on the whole set.
// With PX_DEEP_PNG naming a folder, each 1920 x 1080 render is saved there
// as minibrot-<view>.png to look at.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "bench/cpu_clock.h"
#include "bench/minibrot_views.h"
#include "engine/palette.h"
#include "engine/perturbation.h"
#include "formulas/pixel.h"
#include "formulas/vector_kernels.h"
#include "ui/image_file.h"

namespace {

struct TRun {
  std::vector<float> Escapes;
  int64_t Executed = 0, Credited = 0;
  double Seconds = 0;
};

// Evaluates every pixel of the prepared render on all cores.
TRun RenderAll(const TPerturbation& deep, const TFormulaContext& ctx, int32_t columns, int32_t rows) {
  TRun run;
  run.Escapes.resize(size_t(columns) * size_t(rows));
  std::atomic<int32_t> nextColumn{0};
  std::atomic<int64_t> executed{0}, credited{0};
  auto work = [&] {
    TFormulaContext pixel = ctx;
    int64_t steps = 0, credit = 0;
    std::vector<TPixelChannels> out(static_cast<size_t>(rows));
    for (int32_t px; (px = nextColumn.fetch_add(1)) < columns;) {
      deep.EvaluateColumn(&pixel, px, 0, rows, out.data(), &steps);
      for (int32_t py = 0; py < rows; ++py) {
        const float v = out[size_t(py)].Value[0];
        run.Escapes[size_t(py) * size_t(columns) + size_t(px)] = v;
        credit += v > 0 ? int64_t(v) : ctx.MaxIter;
      }
    }
    executed += steps;
    credited += credit;
  };
  const double start = ProcessCpuSeconds();
  std::vector<std::thread> workers;
  for (unsigned i = 0; i < std::max(1u, std::thread::hardware_concurrency()); ++i) workers.emplace_back(work);
  for (std::thread& t : workers) t.join();
  run.Seconds = ProcessCpuSeconds() - start;
  run.Executed = executed;
  run.Credited = credited;
  return run;
}

TFormulaContext MinibrotContext(const TMinibrotView& view) {
  TFormulaContext ctx;
  ctx.MaxIter = view.Iterations;
  return ctx;
}

void SavePicture(const std::vector<float>& escapes, int32_t columns, int32_t rows, const std::string& name) {
  const char* folder = std::getenv("PX_DEEP_PNG");
  if (!folder) return;
  TFPal palette;
  std::vector<uint8_t> image(size_t(columns) * size_t(rows) * 3);
  for (int32_t py = 0; py < rows; ++py)
    for (int32_t px = 0; px < columns; ++px) {
      const float v = escapes[size_t(py) * size_t(columns) + size_t(px)];
      // Escape counts in the thousands: the logarithm spreads them over the
      // palette.
      const TColor3 c = palette.ColorOf(v > 0 ? float(64 * std::log2(v)) : 0, 0, 0);
      uint8_t* p = image.data() + (size_t(rows - 1 - py) * size_t(columns) + size_t(px)) * 3;
      p[0] = c.Blue;
      p[1] = c.Green;
      p[2] = c.Red;
    }
  TBitmapInfoHeader header;
  header.biWidth = columns;  // a multiple of 4: rows need no padding
  header.biHeight = rows;
  SavePngFile(std::string(folder) + "/" + name, header, image.data(), columns, rows, {});
}

// A 1920 x 1080 render of a view, reference included. Argument: the view.
void BM_MinibrotRender(benchmark::State& state) {
  const TMinibrotView& view = kMinibrotViews[state.range(0)];
  constexpr int32_t columns = 1920, rows = 1080;
  const TDeepWindow window = MinibrotWindow(view, columns, rows);
  const TFormulaContext ctx = MinibrotContext(view);
  TRun run, scalar;
  double prepare = 0, table = 0;
  int64_t entries = 0, reference = 0;
  for (auto _ : state) {
    const double start = ProcessCpuSeconds();
    TPerturbation deep;
    deep.Prepare(ctx, window, columns, columns, rows);
    prepare = ProcessCpuSeconds() - start;
    // The table alone: the same view prepared again on the same reference.
    TDeepPrepare again;
    again.Reference = deep.Reference();
    const double tableStart = ProcessCpuSeconds();
    TPerturbation second;
    second.Prepare(ctx, window, columns, columns, rows, again);
    table = ProcessCpuSeconds() - tableStart;
    entries = deep.TableSize();
    reference = int64_t(deep.Reference()->Primary.size());
    ForceScalarFastPath = true;
    scalar = RenderAll(deep, ctx, columns, rows);
    ForceScalarFastPath = false;
    run = RenderAll(deep, ctx, columns, rows);
    run.Seconds += prepare;
    scalar.Seconds += prepare;
  }
  int64_t same = 0;
  for (size_t i = 0; i < run.Escapes.size(); ++i) same += run.Escapes[i] == scalar.Escapes[i];
  state.counters["scalar CPU s"] = scalar.Seconds;
  state.counters["scalar G executed/s/core"] = double(scalar.Executed) / scalar.Seconds * 1e-9;
  state.counters["scalar executed/pixel"] = double(scalar.Executed) / (columns * rows);
  state.counters["lanes = scalar %"] = 100.0 * double(same) / double(run.Escapes.size());
  int64_t inside = 0;
  for (float v : run.Escapes) inside += v == 0;
  state.counters["CPU s"] = run.Seconds;
  state.counters["prepare s"] = prepare;
  state.counters["G executed/s/core"] = double(run.Executed) / run.Seconds * 1e-9;
  state.counters["G credited/s/core"] = double(run.Credited) / run.Seconds * 1e-9;
  state.counters["executed/pixel"] = double(run.Executed) / (columns * rows);
  state.counters["inside %"] = 100.0 * double(inside) / (columns * rows);
  state.counters["reference"] = double(reference);
  state.counters["table entries"] = double(entries);
  state.counters["table ns/ref iter"] = 1e9 * table / double(reference);
  SavePicture(run.Escapes, columns, rows, "minibrot-" + std::to_string(state.range(0)) + ".png");
}

// A view rendered as usual and prepared the other way on the same
// reference: the share of escape counts within one and equal, and how much
// longer the other way takes.
struct TComparison {
  double WithinOne = 0, Equal = 0, Slower = 0;
};
TComparison Compare(const TMinibrotView& view, int32_t columns, int32_t rows, TDeepPrepare other) {
  const TDeepWindow window = MinibrotWindow(view, columns, rows);
  const TFormulaContext ctx = MinibrotContext(view);
  TPerturbation usual, otherwise;
  usual.Prepare(ctx, window, columns, columns, rows);
  other.Reference = usual.Reference();
  otherwise.Prepare(ctx, window, columns, columns, rows, other);
  const TRun a = RenderAll(usual, ctx, columns, rows), b = RenderAll(otherwise, ctx, columns, rows);
  int64_t near = 0, same = 0;
  for (size_t i = 0; i < a.Escapes.size(); ++i) {
    near += std::fabs(a.Escapes[i] - b.Escapes[i]) <= 1;
    same += a.Escapes[i] == b.Escapes[i];
  }
  const double n = double(a.Escapes.size());
  return {100.0 * double(near) / n, 100.0 * double(same) / n, b.Seconds / a.Seconds};
}

// Escape counts with long steps against those without them on a small
// image of a view. Arguments: the view, the image width.
void BM_MinibrotAgreement(benchmark::State& state) {
  const int32_t columns = int32_t(state.range(1));
  TDeepPrepare exact;
  exact.Approximate = false;
  TComparison c;
  for (auto _ : state) c = Compare(kMinibrotViews[state.range(0)], columns, columns * 9 / 16, exact);
  state.counters["within 1 %"] = c.WithinOne;
  state.counters["equal %"] = c.Equal;
  state.counters["x faster"] = c.Slower;
}

// The same pixels with plain and with scaled differences (the form of views
// below 1e-300): the view about 1e-100 wide, 480 x 270.
void BM_ScaledDifferences(benchmark::State& state) {
  TDeepPrepare scaled;
  scaled.Scaled = true;
  TComparison c;
  for (auto _ : state) c = Compare(kMinibrotViews[0], 480, 270, scaled);
  state.counters["equal %"] = c.Equal;
  state.counters["x scaled"] = c.Slower;
}

// The fast path on the whole set, 2048 iterations at most, 1024 x 768, one
// thread: the rate of the ordinary render to compare the deep rates with.
void BM_FastWholeSet(benchmark::State& state) {
  constexpr int32_t columns = 1024, rows = 768;
  TFormulaContext ctx;
  ctx.MaxIter = 2048;
  ctx.FastArithmetic = true;
  std::vector<double> ys(rows);
  std::vector<TPixelChannels> out(rows);
  int64_t credited = 0;
  double seconds = 0;
  for (auto _ : state) {
    const double start = ThreadCpuSeconds();
    for (int32_t py = 0; py < rows; ++py) ys[size_t(py)] = 1.2 - 2.4 * py / (rows - 1);
    for (int32_t px = 0; px < columns; ++px) {
      EvaluatePixelRun(&ctx, -2.2 + 3.2 * px / (columns - 1), ys.data(), rows, out.data());
      for (const TPixelChannels& c : out) credited += c.Value[0] > 0 ? int64_t(c.Value[0]) : ctx.MaxIter;
    }
    seconds += ThreadCpuSeconds() - start;
  }
  state.counters["G iter/s/core"] = double(credited) / seconds * 1e-9;
}

}  // namespace

BENCHMARK(BM_FastWholeSet)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_MinibrotAgreement)->Args({0, 192})->Args({1, 160})->Args({2, 96})->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_ScaledDifferences)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_MinibrotRender)->Arg(0)->Arg(1)->Arg(2)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

namespace {
// One thread, a small image: lanes against the scalar loop.
void BM_MinibrotLanes(benchmark::State& state) {
  const TMinibrotView& view = kMinibrotViews[state.range(0)];
  constexpr int32_t columns = 320, rows = 180;
  const TDeepWindow window = MinibrotWindow(view, columns, rows);
  TFormulaContext ctx = MinibrotContext(view);
  TPerturbation deep;
  deep.Prepare(ctx, window, columns, columns, rows);
  std::vector<TPixelChannels> out(static_cast<size_t>(rows));
  double t[3] = {};
  int64_t steps[3] = {};
  for (auto _ : state) {
    for (int unit = 0; unit < 3; ++unit) {
      ForceScalarFastPath = unit == 2;
      ForceNarrowVectors = unit == 1;
      const double start = ThreadCpuSeconds();
      for (int32_t px = 0; px < columns; ++px) deep.EvaluateColumn(&ctx, px, 0, rows, out.data(), &steps[unit]);
      t[unit] += ThreadCpuSeconds() - start;
    }
  }
  ForceScalarFastPath = ForceNarrowVectors = false;
  state.counters["avx512 s"] = t[0];
  state.counters["avx2 s"] = t[1];
  state.counters["scalar s"] = t[2];
  state.counters["avx512 G steps/s"] = double(steps[0]) / t[0] * 1e-9;
  state.counters["scalar G steps/s"] = double(steps[2]) / t[2] * 1e-9;
}
}  // namespace
BENCHMARK(BM_MinibrotLanes)->Arg(0)->Iterations(1)->Unit(benchmark::kSecond);
