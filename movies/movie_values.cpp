// SPDX-License-Identifier: GPL-3.0-or-later
#include "movies/movie_values.h"

#include <algorithm>
#include <cmath>

#include "engine/fractal.h"
#include "movies/movie_host.h"

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

int32_t RunInterpolatingLoop(TMovieHost& host, std::span<TInterpolation> table, const std::function<void()>& apply) {
  const int32_t n = std::max(host.FrameCount(), 1);
  for (TInterpolation& t : table) t.Increment = (t.End - t.Current) / n;
  host.SetGaugeMax(n);
  int32_t written = 0;
  for (int32_t i = 0; i <= n; ++i) {
    if (i == n)
      for (TInterpolation& t : table) t.Current = t.End;
    apply();
    host.RenderAndWait();
    if (!host.Running()) break;
    if (!host.WriteFrame(i)) break;
    ++written;
    if (i < n)
      for (TInterpolation& t : table) t.Current += t.Increment;
    host.SetGaugePosition(i);
  }
  return written;
}

void TransMovieLoop(TMovieHost& host) {
  RunInterpolatingLoop(host, TransMovie(), [&] { ApplyConstructor(host.Document(), TransMovie()); });
}

void JulieMovieLoop(TMovieHost& host) {
  RunInterpolatingLoop(host, JulieMovie(), [&] { ApplyJulie(host.Document(), JulieMovie()); });
}

void ParamMovieLoop(TMovieHost& host) {
  RunInterpolatingLoop(host, ParamMovie(), [&] { ApplyParams(host.Document(), ParamMovie()); });
}

void RegisterValueMovieLoops() {
  SetMovieLoop(kTransMovieKind, TransMovieLoop);
  SetMovieLoop(kJulieMovieKind, JulieMovieLoop);
  SetMovieLoop(kParamMovieKind, ParamMovieLoop);
}
