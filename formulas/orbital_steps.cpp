// SPDX-License-Identifier: GPL-3.0-or-later
#include "formulas/orbital_steps.h"

#include <cmath>

namespace {

// Zero counts as positive.
inline Extended Sgn(Extended v) { return v >= 0 ? 1 : -1; }

}  // namespace

void OrbitalStep(TFormulaContext* ctx) {
  const Extended x = ctx->Orbit.re, y = ctx->Orbit.im;
  const Extended a = ctx->P1.re, b = ctx->P1.im, c = ctx->P2.re;
  Extended nx, ny;
  switch (ctx->Number) {
    case 500:  // Hopalong 1
      nx = y - Sgn(x) * std::sin(std::fabs(b * x - c));
      ny = a - x;
      break;
    case 501:  // Hopalong 2
      nx = y - Sgn(x) * std::sqrt(std::fabs(b * x - c));
      ny = a - x;
      break;
    case 502:  // Hopalong 3
      nx = x >= 0 ? y - std::tan(std::fabs(b * x - c)) : y + std::sin(std::fabs(b * x - c));
      ny = a - x;
      break;
    case 503:  // Hopalong 4
      nx = y - Sgn(x) * std::sin(std::fabs(a * x - b));
      ny = nx - x;
      break;
    case 504:  // Pickover
      nx = x - a * std::sin(y + std::sin(3 * y));
      ny = y + a * std::sin(x + std::sin(3 * x));
      break;
    case 506: {  // Feather
      const Extended w = 2 - 2 * a;
      nx = x * x * w / (x * x + 1) + a * x + y;
      ny = nx * nx * w / (nx * nx + 1) + a * nx - x;
      break;
    }
    case 507:  // Hopalong 5
      nx = y - Sgn(x) * (a * x - b);
      ny = -x;
      break;
    case 508:  // Hopalong 6
      nx = y - Sgn(x) * std::sin(b * x - c);
      ny = a - x;
      break;
    default:
      return;
  }
  ctx->Orbit.re = nx;
  ctx->Orbit.im = ny;
}
