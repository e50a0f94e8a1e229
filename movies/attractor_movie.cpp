// SPDX-License-Identifier: GPL-3.0-or-later
#include "movies/attractor_movie.h"

#include "attractors/attractor.h"
#include "movies/morph_frames.h"
#include "movies/movie_host.h"
#include "platform/profile.h"

TAttractorMovie& AttractorMovie() {
  static TAttractorMovie movie;
  return movie;
}

int32_t MovieAttractorKind(const TProfileFile& file) { return file.ReadInteger("Fractal", "IFSNumber", 0); }

bool TakeAttractorKind(TAttractorMovie& movie, int which, int32_t kind) {
  const int32_t other = which == 0 ? movie.SecondKind : movie.FirstKind;
  if (other > 0 && other != kind) {
    if (which == 0) {
      movie.FirstKind = kind;
      movie.SecondKind = 0;
    }
    return false;
  }
  (which == 0 ? movie.FirstKind : movie.SecondKind) = kind;
  return true;
}

TAttractorTable AttractorIncrements(const TAttractorMovie& movie, int32_t n) {
  TAttractorTable inc;
  for (int32_t i = 0; i < kAttractorRows; ++i)
    for (int32_t j = 0; j < kAttractorColumns; ++j)
      inc.A[i][j] = float((Extended(movie.Second.A[i][j]) - movie.First.A[i][j]) / n);
  return inc;
}

TAttractorTable ForwardTable(const TAttractorMovie& movie, const TAttractorTable& inc, int32_t f) {
  TAttractorTable t;
  for (int32_t i = 0; i < kAttractorRows; ++i)
    for (int32_t j = 0; j < kAttractorColumns; ++j) t.A[i][j] = float(Extended(f) * inc.A[i][j] + movie.First.A[i][j]);
  return t;
}

TAttractorTable ReturnTable(const TAttractorMovie& movie, const TAttractorTable& inc, int32_t f) {
  TAttractorTable t;
  for (int32_t i = 0; i < kAttractorRows; ++i)
    for (int32_t j = 0; j < kAttractorColumns; ++j)
      t.A[i][j] = float(movie.Second.A[i][j] - Extended(f) * inc.A[i][j]);
  return t;
}

int32_t RunAttractorMorph(TMovieHost& host, T3dFractal& doc, const TAttractorMovie& movie) {
  doc.StopThread();
  doc.Current = {kAttractorStart, kAttractorStart, kAttractorStart};
  doc.Number = kAttractorFormula;
  doc.Kind = movie.FirstKind;
  const int32_t n = MorphSteps(host.FrameCount(), movie.PingPong);
  const TAttractorTable inc = AttractorIncrements(movie, n);
  host.SetGaugeMax(host.FrameCount());

  return RunMorphFrames(host, n, movie.PingPong, [&](bool forward, int32_t f) {
    doc.StopThread();
    doc.Coefficients = forward ? ForwardTable(movie, inc, f) : ReturnTable(movie, inc, f);
    doc.Current = {kAttractorStart, kAttractorStart, kAttractorStart};
    doc.Restart();
  });
}

void AttractorMovieLoop(TMovieHost& host) {
  if (T3dFractal* doc = host.Attractor()) RunAttractorMorph(host, *doc, AttractorMovie());
}
