// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The position the status bar shows for the pixel under the mouse.

#include <cstdint>
#include <functional>
#include <string>

#include "engine/deep_real.h"

class TFractal;

// Decimals of the coordinates in the status bar: round(log10(1 / step) + 1),
// kept within 0..20.
int CoordinateDecimals(double step);
// "X=%1.*f, Y=%1.*f" with that many decimals, "." as separator.
std::string CoordinateText(double x, double y, int decimals);

// The point of pixel (px, py) of a document's view and its text. A view that
// doubles resolve computes it in doubles; a deeper one from its deep window,
// with as many decimals as tell its pixels apart.
class TPositionText {
 public:
  TPositionText(const TFractal& doc, int32_t px, int32_t py);

  // The decimals that tell neighbouring pixels apart.
  int Decimals() const { return FDecimals; }
  // The point as "X=..., Y=..." with `decimals` decimals.
  std::string Text(int decimals) const;
  // The text with the most decimals, at most Decimals(), that `fits`; the
  // one without decimals when none does.
  std::string Fitted(const std::function<bool(const std::string&)>& fits) const;

 private:
  bool Deep = false;
  double Re = 0, Im = 0;
  TDeepReal DeepRe, DeepIm;
  int FDecimals = 0;
};
