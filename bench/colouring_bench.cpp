// SPDX-License-Identifier: GPL-3.0-or-later
// The palette's colouring of a rendered picture's values: one pixel at a
// time (PackedColorOf) against runs (PackedColorsOf, eight lanes and four),
// in pixels per second, for the standard palette and a table palette.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "engine/palette.h"
#include "formulas/formula_context.h"
#include "formulas/pixel.h"
#include "formulas/vector_kernels.h"
#include "platform/program_folder.h"

namespace {

// The values of a 640 x 480 fast render of the whole set at 256 iterations,
// with smoothing, row after row.
const std::vector<float>& PictureValues() {
  static const std::vector<float> values = [] {
    constexpr int kWidth = 640, kHeight = 480;
    TFormulaContext ctx;
    ctx.MaxIter = 256;
    ctx.Smoothing = 2;
    ctx.FastArithmetic = true;
    std::vector<double> ys(kHeight);
    for (int py = 0; py < kHeight; ++py) ys[size_t(py)] = 1.4 - py * 2.8 / (kWidth - 1);
    std::vector<TPixelChannels> column(kHeight);
    std::vector<float> v(size_t(kWidth) * kHeight * 3);
    for (int px = 0; px < kWidth; ++px) {
      for (int py = 0; py < kHeight; py += kVectorRunLength)
        EvaluatePixelRun(&ctx, -2.2 + px * 2.8 / (kWidth - 1), ys.data() + py, std::min(kVectorRunLength, kHeight - py),
                         column.data() + py);
      for (int py = 0; py < kHeight; ++py)
        for (int c = 0; c < 3; ++c) v[(size_t(py) * kWidth + px) * 3 + c] = column[size_t(py)].Value[c];
    }
    return v;
  }();
  return values;
}

enum class TWay { OneByOne, Wide, Narrow };

void Colour(benchmark::State& state, TWay way, int32_t kind) {
  SetProgramFolder("/nonexistent-px-folder");
  TFPal palette;
  palette.PaletteKind = kind;
  palette.Rebuild();
  const std::vector<float>& values = PictureValues();
  const int32_t pixels = int32_t(values.size() / 3);
  std::vector<uint32_t> colours(static_cast<size_t>(pixels));
  const bool narrow = ForceNarrowVectors;
  ForceNarrowVectors = way == TWay::Narrow;
  for (auto _ : state) {
    if (way == TWay::OneByOne) {
      for (int32_t i = 0; i < pixels; ++i)
        colours[size_t(i)] = palette.PackedColorOf(values[3 * size_t(i)], values[3 * size_t(i) + 1], values[3 * size_t(i) + 2]);
    } else {
      palette.PackedColorsOf(values.data(), pixels, colours.data());
    }
    benchmark::DoNotOptimize(colours.data());
  }
  ForceNarrowVectors = narrow;
  state.SetItemsProcessed(state.iterations() * pixels);
}

BENCHMARK_CAPTURE(Colour, standard_one_by_one, TWay::OneByOne, kPalStandard);
BENCHMARK_CAPTURE(Colour, standard_runs_8_lanes, TWay::Wide, kPalStandard);
BENCHMARK_CAPTURE(Colour, standard_runs_4_lanes, TWay::Narrow, kPalStandard);
BENCHMARK_CAPTURE(Colour, parabola_one_by_one, TWay::OneByOne, kPalParabola);
BENCHMARK_CAPTURE(Colour, parabola_runs_8_lanes, TWay::Wide, kPalParabola);
BENCHMARK_CAPTURE(Colour, parabola_runs_4_lanes, TWay::Narrow, kPalParabola);

}  // namespace
