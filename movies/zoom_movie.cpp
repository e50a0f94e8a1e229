#include "movies/zoom_movie.h"

#include <algorithm>
#include <cmath>

#include "engine/deep_reference.h"
#include "engine/deep_window.h"
#include "engine/fractal.h"
#include "engine/perturbation.h"
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

TMovieSpot MovieSpotOf(const TFractal& doc, int32_t frames) {
  TMovieSpot spot{doc.X, doc.Y, doc.W, frames};
  if (IsDeep(doc.Deep)) spot.Deep = doc.Deep;
  return spot;
}

TZoomWindow SpotWindow(const TMovieSpot& spot) { return {spot.X, spot.Y, spot.W, spot.Deep}; }

void ShowZoomWindow(TFractal& doc, const TZoomWindow& window) {
  if (window.Deep)
    doc.SetDeepWindow(*window.Deep);
  else
    doc.SetWindow(window.X, window.Y, window.W);
}

namespace {

TDeepWindow DeepOf(const TMovieSpot& spot) { return spot.Deep ? *spot.Deep : WindowOf(spot.X, spot.Y, spot.W); }

TZoomWindow DeepZoomWindow(const TDeepWindow& window) {
  const TDeepWindow rounded = RoundedWindow(window);
  return {rounded.X.ToExtended(), rounded.Y.ToExtended(), rounded.W.ToExtended(), rounded};
}

// SegmentWindows for deep spots: the same laws, the centre in arbitrary
// precision. The widths stay extended (a deep window's width is one).
std::vector<TZoomWindow> DeepSegmentWindows(const TMovieSpot& a, const TMovieSpot& b, TZoomSmooth smooth) {
  const int32_t n = a.Frames;
  const TDeepWindow da = DeepOf(a), db = DeepOf(b);
  // Every frame lies between the two widths, so the finer spot's bits
  // resolve it; the width ratio's bits keep the interpolation exact enough.
  const long ratio = std::labs(da.W.Exponent() - db.W.Exponent());
  const mpfr_prec_t bits = std::max({da.X.Bits(), da.Y.Bits(), db.X.Bits(), db.Y.Bits()}) + ratio + 64;
  auto deep = [bits](Extended v) { return TDeepReal(v, bits); };
  std::vector<TZoomWindow> windows;
  windows.reserve(size_t(n));
  if (a.W == b.W) {
    for (int32_t k = 0; k < n; ++k) {
      const TDeepReal t = deep(Extended(k)) / deep(Extended(n));
      windows.push_back(DeepZoomWindow({da.X + (db.X - da.X) * t, da.Y + (db.Y - da.Y) * t, da.W}));
    }
    return windows;
  }
  const TDeepReal span = deep(a.W) - deep(b.W);
  for (Extended w : SegmentWidths(a.W, b.W, n, smooth)) {
    const TDeepReal t = (deep(w) - deep(a.W)) / span;
    windows.push_back(DeepZoomWindow({da.X + (da.X - db.X) * t, da.Y + (da.Y - db.Y) * t, deep(w)}));
  }
  return windows;
}

}  // namespace

std::vector<TZoomWindow> SegmentWindows(const TMovieSpot& a, const TMovieSpot& b, TZoomSmooth smooth) {
  const int32_t n = a.Frames;
  std::vector<TZoomWindow> windows;
  if (n <= 0) return windows;
  if (a.Deep || b.Deep) return DeepSegmentWindows(a, b, smooth);
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
  return SpotWindow(spots.back());
}

namespace {

// Calls visit(window, c) for the frames c = first..last in turn, until it
// returns false.
template <class TVisit>
void VisitFrames(const std::vector<TMovieSpot>& spots, TZoomSmooth smooth, int32_t first, int32_t last,
                 TVisit visit) {
  int32_t c = 0;
  for (size_t i = 0; i + 1 < spots.size(); ++i) {
    if (c + spots[i].Frames <= first) {  // the whole segment lies before the part asked for
      c += spots[i].Frames;
      continue;
    }
    for (const TZoomWindow& w : SegmentWindows(spots[i], spots[i + 1], smooth)) {
      if (c > last) return;
      if (c >= first && !visit(w, c)) return;
      ++c;
    }
  }
  if (c >= first && c <= last) visit(SpotWindow(spots.back()), c);
}

// The reference orbits of the deepest of frames first..last, computed as its
// own deep render would: at the centre of its image, to its precision and
// its iteration limit, by the first frame's render that needs them. Every deep frame whose view holds that point (all of
// them when the spots share one centre) renders from them instead of
// computing its own. Null when the deepest frame is not a deep render's.
std::shared_ptr<TSharedDeepReference> FlightReference(const TFractal& doc, const std::vector<TMovieSpot>& spots,
                                                      TZoomSmooth smooth, int32_t first, int32_t last) {
  std::optional<TZoomWindow> deepest;
  VisitFrames(spots, smooth, first, last, [&](const TZoomWindow& w, int32_t) {
    if (!deepest || w.W < deepest->W) deepest = w;
    return true;
  });
  if (!deepest) return nullptr;
  const TDeepWindow window = deepest->Deep ? *deepest->Deep : WindowOf(deepest->X, deepest->Y, deepest->W);
  TFormulaContext ctx = doc.Ctx;
  ctx.MaxIter = doc.RenderMaxIter(window);
  if (doc.Width < 2 || !PerturbationServes(ctx) || !PastOrdinaryPrecision(window, doc.Width)) return nullptr;
  const TDeepImageCentre centre = DeepImageCentre(window, doc.Width, doc.BufWidth(), doc.BufHeight());
  // The deepest frame's pixel step ends the orbit of a minibrot's nucleus
  // after one period, for every frame: a shallower frame's pixels lie
  // farther apart still.
  return std::make_shared<TSharedDeepReference>(ctx, centre.X, centre.Y, ctx.MaxIter, FloatExpOf(centre.Step));
}

}  // namespace

int32_t RunZoomLoop(TMovieHost& host, const std::vector<TMovieSpot>& spots, TZoomSmooth smooth, int32_t first,
                    int32_t last) {
  if (spots.size() < 2) return 0;
  TFractal& doc = host.Document();
  doc.DeepReference = FlightReference(doc, spots, smooth, first, last);
  const int32_t n = ZoomFrameCount(spots);
  int32_t written = 0;
  VisitFrames(spots, smooth, first, last, [&](const TZoomWindow& w, int32_t c) {
    ShowZoomWindow(doc, w);
    host.RenderAndWait();
    const bool ok = host.WriteFrame(c);
    if (ok) ++written;
    if (!ok || !host.Running()) return false;
    if (c < n) host.SetGaugePosition(c + 1);
    return true;
  });
  doc.DeepReference.reset();
  return written;
}

void ZoomMovieLoop(TMovieHost& host) {
  const TZoomMovie& movie = ZoomMovie();
  const int32_t n = ZoomFrameCount(movie.Spots);
  host.SetGaugeMax(n);
  RunZoomLoop(host, movie.Spots, movie.Smooth, 0, n);
}
