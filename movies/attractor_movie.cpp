#include "movies/attractor_movie.h"

#include "attractors/attractor.h"
#include "movies/ifs_movie.h"
#include "movies/movie_host.h"

TAttractorMovie& AttractorMovie() {
  static TAttractorMovie movie;
  return movie;
}

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

  int32_t written = 0;
  // Draws one table and writes it as frame i; false when the movie ends there.
  auto frame = [&](const TAttractorTable& table, int32_t i, int32_t gauge) {
    doc.StopThread();
    doc.Coefficients = table;
    doc.Current = {kAttractorStart, kAttractorStart, kAttractorStart};
    doc.Restart();
    host.RenderAndWait();
    const bool ok = host.WriteFrame(i);
    if (ok) ++written;
    host.SetGaugePosition(gauge);
    return ok && host.Running();
  };
  for (int32_t f = 0; f <= n; ++f)
    if (!frame(ForwardTable(movie, inc, f), f, f)) return written;
  if (movie.PingPong)
    for (int32_t f = 0; f <= n; ++f)
      if (!frame(ReturnTable(movie, inc, f), f + n + 1, f + n)) return written;
  return written;
}

void AttractorMovieLoop(TMovieHost& host) {
  if (T3dFractal* doc = host.Attractor()) RunAttractorMorph(host, *doc, AttractorMovie());
}
