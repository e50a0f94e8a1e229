// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How panning and zooming move the view window of an attractor drawing.

#include <cstdint>

#include "formulas/numbers.h"

struct TAttractorWindow {
  Extended X = 0, Y = 0, W = 0;
};

// The picture dragged by (dx, dy) pixels on a drawing `width` pixels wide:
// the world moves with the pointer, one pixel being W / width.
inline TAttractorWindow PannedWindow(const TAttractorWindow& w, int32_t width, int32_t dx, int32_t dy) {
  const Extended e = w.W / width;
  return {w.X - e * dx, w.Y + e * dy, w.W};
}

// Half and double the width about the centre of a width x height drawing.
inline TAttractorWindow ZoomedIn(const TAttractorWindow& w, int32_t width, int32_t height) {
  const Extended s = w.W / (width - 1);
  return {w.X + s * width / 4, w.Y - s * height / 4, w.W / 2};
}
inline TAttractorWindow ZoomedOut(const TAttractorWindow& w, int32_t width, int32_t height) {
  const Extended s = w.W / (width - 1);
  return {w.X - s * width / 2, w.Y + s * height / 2, 2 * w.W};
}
