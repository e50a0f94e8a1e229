#pragma once
// Complex arithmetic in extended precision for the kernels. z and c are kept
// as doubles between iterations; everything inside one step runs on TCx.

#include <cmath>

#include "formulas/numbers.h"

struct TCx {
  Extended re = 0;
  Extended im = 0;
};

inline TCx operator+(TCx a, TCx b) { return {a.re + b.re, a.im + b.im}; }
inline TCx operator-(TCx a, TCx b) { return {a.re - b.re, a.im - b.im}; }
inline TCx operator-(TCx a) { return {-a.re, -a.im}; }
inline TCx operator*(TCx a, TCx b) { return {a.re * b.re - a.im * b.im, a.re * b.im + a.im * b.re}; }
inline TCx operator*(Extended k, TCx a) { return {k * a.re, k * a.im}; }
inline TCx operator*(TCx a, Extended k) { return {k * a.re, k * a.im}; }

inline Extended Modulus2(TCx a) { return a.re * a.re + a.im * a.im; }
inline TCx Conj(TCx a) { return {a.re, -a.im}; }
inline TCx Sqr(TCx a) { return {a.re * a.re - a.im * a.im, 2 * a.re * a.im}; }

// a / b with the 1e-10 guard on the divisor's squared modulus: the usual
// division of the kernels.
inline TCx Div(TCx a, TCx b) {
  const Extended d = Modulus2(b) + 1e-10L;
  return {(a.re * b.re + a.im * b.im) / d, (a.im * b.re - a.re * b.im) / d};
}
// a / b without the guard (kernels 13, 14, 15, 49, 50): b = 0 is a fault.
inline TCx DivPlain(TCx a, TCx b) {
  const Extended d = Modulus2(b);
  return {(a.re * b.re + a.im * b.im) / d, (a.im * b.re - a.re * b.im) / d};
}
inline TCx Recip(TCx b) { return Div({1, 0}, b); }

// Hyperbolic parts of e^t, computed the way every trigonometric kernel does.
struct THyp {
  Extended cosh, sinh;
};
inline THyp HypOf(Extended t) {
  const Extended h = std::exp(t) / 2;
  return {h + 0.25L / h, h - 0.25L / h};
}

inline TCx Exp(TCx a) {
  const Extended e = std::exp(a.re);
  return {e * std::cos(a.im), e * std::sin(a.im)};
}
inline TCx Sin(TCx a) {
  const THyp h = HypOf(a.im);
  return {std::sin(a.re) * h.cosh, std::cos(a.re) * h.sinh};
}
inline TCx Cos(TCx a) {
  const THyp h = HypOf(a.im);
  return {std::cos(a.re) * h.cosh, -std::sin(a.re) * h.sinh};
}
inline TCx Sinh(TCx a) {
  const THyp h = HypOf(a.re);
  return {h.sinh * std::cos(a.im), h.cosh * std::sin(a.im)};
}
inline TCx Cosh(TCx a) {
  const THyp h = HypOf(a.re);
  return {h.cosh * std::cos(a.im), h.sinh * std::sin(a.im)};
}

// The kernels' logarithm: its real part is e^-1 * log2 |w|^2, not ln |w|.
inline TCx Log(TCx a) { return {0.3678794411658997L * std::log2(Modulus2(a)), std::atan2(a.im, a.re)}; }
// w^p = e^(p * Log w).
inline TCx Pow(TCx w, TCx p) { return Exp(p * Log(w)); }

// Square root whose imaginary part is never negative (constructor H term,
// kernel 33's "sqr").
inline TCx SqrtUpper(TCx a) {
  const Extended r = std::sqrt(a.re * a.re + a.im * a.im);
  return {std::sqrt(std::fabs((a.re + r) / 2)), std::sqrt(std::fabs((r - a.re) / 2))};
}

inline TCx Power(TCx a, int n) {  // small positive integer powers by repeated products
  TCx r = a;
  for (int k = 1; k < n; ++k) r = r * a;
  return r;
}
