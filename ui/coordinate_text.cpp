// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/coordinate_text.h"

#include <cmath>
#include <cstdio>

#include "engine/fractal.h"
#include "engine/perturbation.h"

namespace {

std::string Fixed(const TDeepReal& v, int decimals) {
  char* text = nullptr;
  if (mpfr_asprintf(&text, "%.*Rf", decimals, v.Get()) < 0 || !text) return {};
  std::string out(text);
  mpfr_free_str(text);
  return out;
}

// round(log10(1 / step) + 1) of a step of any depth, never negative.
int DeepDecimals(const TDeepReal& step) {
  if (step.IsZero()) return 0;
  long e = 0;
  const double m = std::fabs(mpfr_get_d_2exp(&e, step.Get(), MPFR_RNDN));
  const double n = std::nearbyint(-(std::log10(m) + double(e) * std::log10(2.0)) + 1);
  return n >= 0 ? int(n) : 0;
}

}  // namespace

int CoordinateDecimals(double step) {
  const double n = std::nearbyint(std::log10(1 / step) + 1);
  if (!(n >= 0)) return 0;
  return n > 20 ? 20 : int(n);
}

std::string CoordinateText(double x, double y, int decimals) {
  char text[128];
  std::snprintf(text, sizeof text, "X=%1.*f, Y=%1.*f", decimals, x, decimals, y);
  return text;
}

TPositionText::TPositionText(const TFractal& d, int32_t px, int32_t py) {
  if (!PastOrdinaryPrecision(d.Deep, d.Width)) {
    const double step = double(d.W / (d.Width - 1));
    Re = double(d.X + px * step);
    Im = double(d.Y - py * step);
    FDecimals = CoordinateDecimals(step);
    return;
  }
  Deep = true;
  const mpfr_prec_t bits = DeepBitsFor(d.Deep, d.Width);
  const TDeepReal step = d.Deep.W / TDeepReal(Extended(d.Width - 1), bits);
  DeepRe = d.Deep.X + TDeepReal(Extended(px), bits) * step;
  DeepIm = d.Deep.Y - TDeepReal(Extended(py), bits) * step;
  FDecimals = DeepDecimals(step);
}

std::string TPositionText::Text(int decimals) const {
  if (!Deep) return CoordinateText(Re, Im, decimals);
  return "X=" + Fixed(DeepRe, decimals) + ", Y=" + Fixed(DeepIm, decimals);
}

std::string TPositionText::Fitted(const std::function<bool(const std::string&)>& fits) const {
  for (int n = FDecimals; n > 0; --n) {
    std::string text = Text(n);
    if (fits(text)) return text;
  }
  return Text(0);
}
