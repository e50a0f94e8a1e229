#include "movies/movie_values.h"

#include <algorithm>
#include <cmath>

#include "engine/fractal.h"

std::array<TInterpolation, 13>& TransMovie() {
  static std::array<TInterpolation, 13> table;
  return table;
}

std::array<TInterpolation, 2>& JulieMovie() {
  static std::array<TInterpolation, 2> table;
  return table;
}

std::array<TInterpolation, 6>& ParamMovie() {
  static std::array<TInterpolation, 6> table;
  return table;
}

Extended ClampMovieValue(Extended value) {
  if (!(value == value)) return 0;
  if (value > 10000) return 10000;
  if (value < -9999) return -9999;
  if (std::fabs(value) < 0.001L) return 0;
  return value;
}

Extended StepMovieValue(Extended value, Extended delta) { return ClampMovieValue(value + delta); }

void TakeValues(std::span<TInterpolation> table, std::span<const Extended> values) {
  for (size_t i = 0; i < table.size() && i < values.size(); ++i) table[i] = {double(values[i]), double(values[i]), 0};
}

std::array<Extended, 13> ConstructorValues(const TFractal& doc) {
  std::array<Extended, 13> v;
  std::copy(std::begin(doc.Ctx.Constructor), std::end(doc.Ctx.Constructor), v.begin());
  return v;
}

std::array<Extended, 2> JulieValues(const TFractal& doc) { return {doc.Ctx.PJ.re, doc.Ctx.PJ.im}; }

std::array<Extended, 6> ParamValues(const TFractal& doc) {
  const TFormulaContext& c = doc.Ctx;
  return {c.P1.re, c.P1.im, c.P2.re, c.P2.im, c.P3.re, c.P3.im};
}

void ApplyConstructor(TFractal& doc, std::span<const TInterpolation, 13> table) {
  Extended coefs[kConstructorCoefCount];
  for (int i = 0; i < kConstructorCoefCount; ++i) coefs[i] = table[i].Current;
  doc.SetConstructor(coefs);
}

void ApplyJulie(TFractal& doc, std::span<const TInterpolation, 2> table) {
  doc.SetJuliaPoint(table[0].Current, table[1].Current);
}

void ApplyParams(TFractal& doc, std::span<const TInterpolation, 6> t) {
  doc.SetParameters(t[0].Current, t[1].Current, t[2].Current, t[3].Current, t[4].Current, t[5].Current);
}

int32_t RunInterpolatingLoop(std::span<TInterpolation> table, int32_t frameCount,
                             const std::function<void()>& apply, const TFrameLoopHooks& hooks) {
  const int32_t n = std::max(frameCount, 1);
  for (TInterpolation& t : table) t.Increment = (t.End - t.Current) / n;
  if (hooks.GaugeMax) hooks.GaugeMax(n);
  int32_t written = 0;
  for (int32_t i = 0; i <= n; ++i) {
    if (i == n)
      for (TInterpolation& t : table) t.Current = t.End;
    apply();
    hooks.RenderAndWait();
    if (!hooks.Running()) break;
    if (!hooks.WriteFrame(i)) break;
    ++written;
    if (i < n)
      for (TInterpolation& t : table) t.Current += t.Increment;
    if (hooks.GaugePosition) hooks.GaugePosition(i);
  }
  return written;
}
