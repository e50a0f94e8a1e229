// SPDX-License-Identifier: GPL-3.0-or-later
#include "movies/ifs_movie.h"

#include <algorithm>

#include "engine/fractal.h"
#include "formulas/formula_context.h"
#include "movies/morph_frames.h"
#include "movies/movie_host.h"

namespace {

float Value(const TWorkingIFS& set, int32_t slot, int field) {
  return slot <= set.Count ? set.Slots[slot].*kTransformFields[field] : 0.0f;
}

}  // namespace

TIFSMovie& IFSMovie() {
  static TIFSMovie movie;
  return movie;
}

int32_t MorphCount(const TIFSMovie& movie) {
  return std::clamp(std::max(movie.Start.Count, movie.End.Count), 0, kMaxIFSTransforms);
}

TIFSIncrements IFSIncrements(const TIFSMovie& movie, int32_t n) {
  TIFSIncrements inc;
  for (int32_t q = 1; q <= kMaxIFSTransforms; ++q)
    for (int v = 0; v < kTransformFieldCount; ++v)
      inc.Values[q][v] = float((Extended(Value(movie.End, q, v)) - Value(movie.Start, q, v)) / n);
  return inc;
}

TWorkingIFS ForwardIFS(const TIFSMovie& movie, const TIFSIncrements& inc, int32_t f) {
  TWorkingIFS set;
  set.Count = MorphCount(movie);
  for (int32_t q = 1; q <= set.Count; ++q)
    for (int v = 0; v < kTransformFieldCount; ++v)
      set.Slots[q].*kTransformFields[v] = float(Extended(f) * inc.Values[q][v] + Value(movie.Start, q, v));
  return set;
}

TWorkingIFS ReturnIFS(const TIFSMovie& movie, const TIFSIncrements& inc, int32_t f) {
  TWorkingIFS set;
  set.Count = MorphCount(movie);
  for (int32_t q = 1; q <= set.Count; ++q)
    for (int v = 0; v < kTransformFieldCount; ++v)
      set.Slots[q].*kTransformFields[v] = float(Value(movie.End, q, v) - Extended(f) * inc.Values[q][v]);
  return set;
}

int32_t RunIFSMorph(TMovieHost& host, const TIFSMovie& movie) {
  TFractal& d = host.Document();
  d.StopThread();
  d.Ctx.Orbit = {0, 0};
  d.Ctx.Number = kIFSFormula;
  d.Ctx.IFSNumber = kWorkingIFSNumber;
  d.Ctx.IFScounter = movie.Multiplier;
  WorkingIFS.Count = MorphCount(movie);
  const int32_t n = MorphSteps(host.FrameCount(), movie.PingPong);
  const TIFSIncrements inc = IFSIncrements(movie, n);
  host.SetGaugeMax(host.FrameCount());

  return RunMorphFrames(host, n, movie.PingPong, [&](bool forward, int32_t f) {
    d.StopThread();  // the render thread reads the working set
    WorkingIFS = forward ? ForwardIFS(movie, inc, f) : ReturnIFS(movie, inc, f);
    d.Restart();
  });
}

void IFSMovieLoop(TMovieHost& host) { RunIFSMorph(host, IFSMovie()); }
