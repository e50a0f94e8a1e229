// SPDX-License-Identifier: GPL-3.0-or-later
#include "movies/iteration_movie.h"

#include <algorithm>
#include <cmath>

#include "engine/fractal.h"
#include "movies/movie_host.h"

TLimitRange LimitRangeOf(std::span<const float> values, int32_t maxIter) {
  TLimitRange r{0, maxIter};
  for (const float v : values) {
    if (v == 0 || !std::isfinite(v)) continue;
    const double rounded = std::nearbyint(double(v));
    const int32_t n = rounded > INT32_MAX ? INT32_MAX : (rounded < INT32_MIN ? INT32_MIN : int32_t(rounded));
    r.Largest = std::max(r.Largest, n);
    r.Smallest = std::min(r.Smallest, n);
  }
  if (r.Smallest > 0) --r.Smallest;
  return r;
}

TLimitRange LimitRangeOf(const TFractal& doc) {
  std::vector<float> values;
  values.reserve(size_t(std::max(doc.Width, 0)) * std::max(doc.Height, 0));
  for (int32_t y = 0; y < doc.Height; ++y)
    for (int32_t x = 0; x < doc.Width; ++x) values.push_back(doc.PixelValue(x, y));
  return LimitRangeOf(values, doc.AutoMaxIter());
}

void TIterationMovie::Build(const TLimitRange& range, int32_t acceleration) {
  const int32_t a = std::max(acceleration, 1);
  Limits.clear();
  for (int64_t limit = range.Largest; range.Smallest < limit && Limits.size() < size_t(kMaxIterationLimits);
       limit -= limit / a + 1)
    Limits.push_back(int32_t(limit));
  if (Limits.empty()) Limits.push_back(range.Largest);
  Count = int32_t(Limits.size()) - 1;
  Index = std::min(Index, Count);
}

void TIterationMovie::Advance() {
  if (Count <= 0) {
    Index = 0;
    return;
  }
  if (Forward) {
    if (++Index > Count) {
      Forward = false;
      Index = Count - 1;
    }
  } else if (--Index < 0) {
    Forward = true;
    Index = 1;
  }
}

void TIterationMovie::Release() {
  Limits.clear();
  Limits.shrink_to_fit();
  Count = 0;
  Index = 0;
}

TIterationMovie& IterMovie() {
  static TIterationMovie movie;
  return movie;
}

int32_t RunIterationLoop(TMovieHost& host, const TIterationMovie& movie,
                         const std::function<void(int32_t limit)>& show, const std::function<void()>& processEvents) {
  if (movie.Limits.empty()) return 0;
  const int32_t count = movie.Count;
  host.SetGaugeMax(2 * count);
  int32_t written = 0;
  for (int32_t frame = 0; frame <= 2 * count; ++frame) {
    const int32_t index = frame <= count ? frame : 2 * count - frame;
    show(movie.Limits[size_t(index)]);
    processEvents();
    const bool ok = host.WriteFrame(frame + 1);
    if (ok) ++written;
    host.SetGaugePosition(frame + 2);
    if (!ok || !host.Running()) break;
  }
  return written;
}
