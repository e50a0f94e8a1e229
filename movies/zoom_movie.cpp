#include "movies/zoom_movie.h"

#include <cmath>

#include "engine/fractal.h"
#include "movies/movie_host.h"

TZoomMovie& ZoomMovie() {
  static TZoomMovie movie;
  return movie;
}

int32_t ZoomFrameCount(const std::vector<TMovieSpot>& spots) {
  int32_t n = 0;
  for (size_t i = 0; i + 1 < spots.size(); ++i) n += spots[i].Frames;
  return n;
}

std::vector<Extended> SegmentWidths(Extended wa, Extended wb, int32_t n, TZoomSmooth smooth) {
  std::vector<Extended> widths;
  if (n <= 0) return widths;
  widths.reserve(size_t(n));
  switch (smooth) {
    case TZoomSmooth::Linear:
      for (int32_t k = 0; k < n; ++k) widths.push_back(wa + k * (wb - wa) / n);
      break;
    case TZoomSmooth::Regular: {
      const Extended smaller = std::fmin(wa, wb), larger = std::fmax(wa, wb);
      Extended q = std::exp(std::log(smaller / larger) / n);
      if (wb > wa) q = 1 / q;
      Extended w = wa;
      for (int32_t k = 0; k < n; ++k, w *= q) widths.push_back(w);
      break;
    }
    case TZoomSmooth::Fluent: {
      const Extended a = std::sqrt(wa), b = std::sqrt(wb);
      const Extended n2 = Extended(n) * n, n3 = n2 * n;
      for (int32_t k = 0; k < n; ++k) {
        const Extended k2 = Extended(k) * k, k3 = k2 * k;
        const Extended u = a + 3 * (b - a) * k2 / n2 + 2 * (a - b) * k3 / n3;
        widths.push_back(u * u);
      }
      break;
    }
  }
  return widths;
}

std::vector<TZoomWindow> SegmentWindows(const TMovieSpot& a, const TMovieSpot& b, TZoomSmooth smooth) {
  const int32_t n = a.Frames;
  std::vector<TZoomWindow> windows;
  if (n <= 0) return windows;
  windows.reserve(size_t(n));
  if (a.W == b.W) {
    for (int32_t k = 0; k < n; ++k)
      windows.push_back({Extended(double(a.X + (b.X - a.X) * k / n)), Extended(double(a.Y + (b.Y - a.Y) * k / n)),
                         a.W});
    return windows;
  }
  // The centre follows the width, so that it arrives with it.
  for (Extended w : SegmentWidths(a.W, b.W, n, smooth)) {
    const Extended t = (w - a.W) / (a.W - b.W);
    windows.push_back({Extended(double(a.X + (a.X - b.X) * t)), Extended(double(a.Y + (a.Y - b.Y) * t)), w});
  }
  return windows;
}

TZoomWindow ZoomWindow(const std::vector<TMovieSpot>& spots, TZoomSmooth smooth, int32_t c) {
  for (size_t i = 0; i + 1 < spots.size(); ++i) {
    if (c < spots[i].Frames) return SegmentWindows(spots[i], spots[i + 1], smooth)[size_t(c)];
    c -= spots[i].Frames;
  }
  if (spots.empty()) return {};
  return {spots.back().X, spots.back().Y, spots.back().W};
}

int32_t RunZoomLoop(TMovieHost& host, const std::vector<TMovieSpot>& spots, TZoomSmooth smooth, int32_t first,
                    int32_t last) {
  if (spots.size() < 2) return 0;
  int32_t written = 0;
  // Renders and writes frame c; false when the movie ends with it.
  auto frame = [&](const TZoomWindow& w, int32_t c) {
    host.Document().SetWindow(w.X, w.Y, w.W);
    host.RenderAndWait();
    const bool ok = host.WriteFrame(c);
    if (ok) ++written;
    return ok && host.Running();
  };
  int32_t c = 0;
  for (size_t i = 0; i + 1 < spots.size(); ++i) {
    if (c + spots[i].Frames <= first) {  // the whole segment lies before the part asked for
      c += spots[i].Frames;
      continue;
    }
    for (const TZoomWindow& w : SegmentWindows(spots[i], spots[i + 1], smooth)) {
      if (c > last) return written;
      if (c >= first && !frame(w, c)) return written;
      ++c;
      host.SetGaugePosition(c);
    }
  }
  if (c >= first && c <= last) frame({spots.back().X, spots.back().Y, spots.back().W}, c);
  return written;
}

void ZoomMovieLoop(TMovieHost& host) {
  const TZoomMovie& movie = ZoomMovie();
  const int32_t n = ZoomFrameCount(movie.Spots);
  host.SetGaugeMax(n);
  RunZoomLoop(host, movie.Spots, movie.Smooth, 0, n);
}
