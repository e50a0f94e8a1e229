// SPDX-License-Identifier: GPL-3.0-or-later
#include "movies/zoom_movie.h"

#include <algorithm>
#include <cmath>
#include <optional>

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
  const TViewWindow& window = doc.ViewWindow();
  return {window.IsDeep() ? window : TViewWindow(doc.X, doc.Y, doc.W), frames};
}

namespace {

// The frames of the segment from spot a to spot b: their widths by the
// width law, and each frame's window on demand. The centre follows the
// width, so that it arrives with it; between two spots of one width it moves
// evenly. When a spot is deep the centre follows in arbitrary precision, to
// the finer spot's bits plus the width ratio's, which keep the
// interpolation exact enough.
class TSegment {
 public:
  TSegment(const TMovieSpot& a, const TMovieSpot& b, TZoomSmooth smooth)
      : A(a.Window), B(b.Window), Frames(std::max(a.Frames, 0)), Pan(A.W() == B.W()) {
    Widths = Pan ? std::vector<Extended>(size_t(Frames), A.W()) : SegmentWidths(A.W(), B.W(), Frames, smooth);
    if (A.IsDeep() || B.IsDeep()) {
      const TDeepWindow &da = A.Exact(), &db = B.Exact();
      const long ratio = std::labs(da.W.Exponent() - db.W.Exponent());
      Bits = std::max({da.X.Bits(), da.Y.Bits(), db.X.Bits(), db.Y.Bits()}) + ratio + 64;
    }
  }

  int32_t Count() const { return Frames; }
  Extended Width(int32_t k) const { return Widths[size_t(k)]; }

  TViewWindow Frame(int32_t k) const {
    const Extended w = Widths[size_t(k)];
    if (Bits) return DeepFrame(k, w);
    if (Pan)
      return {Extended(double(A.X() + (B.X() - A.X()) * k / Frames)),
              Extended(double(A.Y() + (B.Y() - A.Y()) * k / Frames)), w};
    const Extended t = (w - A.W()) / (A.W() - B.W());
    return {Extended(double(A.X() + (A.X() - B.X()) * t)), Extended(double(A.Y() + (A.Y() - B.Y()) * t)), w};
  }

 private:
  TDeepReal Deep(Extended v) const { return TDeepReal(v, Bits); }

  TViewWindow DeepFrame(int32_t k, Extended w) const {
    const TDeepWindow &da = A.Exact(), &db = B.Exact();
    if (Pan) {
      const TDeepReal t = Deep(Extended(k)) / Deep(Extended(Frames));
      return TViewWindow::Rounded({da.X + (db.X - da.X) * t, da.Y + (db.Y - da.Y) * t, da.W});
    }
    const TDeepReal t = (Deep(w) - Deep(A.W())) / (Deep(A.W()) - Deep(B.W()));
    return TViewWindow::Rounded({da.X + (da.X - db.X) * t, da.Y + (da.Y - db.Y) * t, Deep(w)});
  }

  const TViewWindow &A, &B;
  int32_t Frames;
  bool Pan;
  std::vector<Extended> Widths;
  mpfr_prec_t Bits = 0;  // the deep centre's precision; 0 for extended spots
};

// Calls visit(segment, k, c) for the frames c = first..last in turn, frame
// k of its segment, until it returns false; the last spot's frame has no
// segment (null).
template <class TVisit>
void VisitFrames(const std::vector<TMovieSpot>& spots, TZoomSmooth smooth, int32_t first, int32_t last,
                 TVisit visit) {
  int32_t c = 0;
  for (size_t i = 0; i + 1 < spots.size(); ++i) {
    if (c + spots[i].Frames <= first) {  // the whole segment lies before the part asked for
      c += spots[i].Frames;
      continue;
    }
    const TSegment segment(spots[i], spots[i + 1], smooth);
    for (int32_t k = 0; k < segment.Count(); ++k, ++c) {
      if (c > last) return;
      if (c >= first && !visit(&segment, k, c)) return;
    }
  }
  if (c >= first && c <= last) visit(nullptr, 0, c);
}

}  // namespace

std::vector<TViewWindow> SegmentWindows(const TMovieSpot& a, const TMovieSpot& b, TZoomSmooth smooth) {
  const TSegment segment(a, b, smooth);
  std::vector<TViewWindow> windows;
  windows.reserve(size_t(segment.Count()));
  for (int32_t k = 0; k < segment.Count(); ++k) windows.push_back(segment.Frame(k));
  return windows;
}

TViewWindow ZoomWindow(const std::vector<TMovieSpot>& spots, TZoomSmooth smooth, int32_t c) {
  for (size_t i = 0; i + 1 < spots.size(); ++i) {
    if (c < spots[i].Frames) return TSegment(spots[i], spots[i + 1], smooth).Frame(c);
    c -= spots[i].Frames;
  }
  if (spots.empty()) return {};
  return spots.back().Window;
}

namespace {

// The reference orbits of the deepest of frames first..last, computed as its
// own deep render would: at the centre of its image, to its precision and
// its iteration limit, by the first frame's render that needs them. Every
// deep frame whose view holds that point (all of them when the spots share
// one centre) renders from them instead of computing its own. Null when the
// deepest frame is not a deep render's.
std::shared_ptr<TSharedDeepReference> FlightReference(const TFractal& doc, const std::vector<TMovieSpot>& spots,
                                                      TZoomSmooth smooth, int32_t first, int32_t last) {
  std::optional<TViewWindow> deepest;
  Extended width = 0;
  VisitFrames(spots, smooth, first, last, [&](const TSegment* segment, int32_t k, int32_t) {
    const Extended w = segment ? segment->Width(k) : spots.back().Window.W();
    if (!deepest || w < width) {
      deepest = segment ? segment->Frame(k) : spots.back().Window;
      width = w;
    }
    return true;
  });
  if (!deepest) return nullptr;
  const TDeepWindow& window = deepest->Exact();
  TFormulaContext ctx = doc.Ctx;
  ctx.MaxIter = doc.RenderMaxIter(*deepest);
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
  VisitFrames(spots, smooth, first, last, [&](const TSegment* segment, int32_t k, int32_t c) {
    doc.SetWindow(segment ? segment->Frame(k) : spots.back().Window);
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
