// SPDX-License-Identifier: GPL-3.0-or-later
#include "movies/morph_frames.h"

#include <algorithm>

#include "movies/movie_host.h"

int32_t MorphSteps(int32_t frameCount, bool pingPong) {
  const int32_t n = pingPong ? frameCount / 2 : frameCount;
  return std::max(n, 1);
}

int32_t RunMorphFrames(TMovieHost& host, int32_t n, bool pingPong,
                       const std::function<void(bool forward, int32_t f)>& draw) {
  int32_t written = 0;
  // Frame i of the clip; false when the movie ends with it.
  auto frame = [&](bool forward, int32_t f, int32_t i, int32_t gauge) {
    draw(forward, f);
    host.RenderAndWait();
    const bool ok = host.WriteFrame(i);
    if (ok) ++written;
    host.SetGaugePosition(gauge);
    return ok && host.Running();
  };
  for (int32_t f = 0; f <= n; ++f)
    if (!frame(true, f, f, f)) return written;
  if (pingPong)
    for (int32_t f = 0; f <= n; ++f)
      if (!frame(false, f, f + n + 1, f + n)) return written;
  return written;
}
