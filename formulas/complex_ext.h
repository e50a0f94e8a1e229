// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Complex arithmetic for the kernels. z and c are kept as doubles between
// iterations; everything inside one step runs on TCxOf<R>, R being the
// intermediate type of the render: Extended (the exact path) or double (the
// fast path).

#include <cmath>
#include <type_traits>

#include "formulas/numbers.h"

template <class R>
struct TCxOf {
  R re = 0;
  R im = 0;
};
using TCx = TCxOf<Extended>;

// A scalar operand takes the complex operand's type.
template <class R>
using TScalarOf = std::type_identity_t<R>;

template <class R>
inline TCxOf<R> operator+(TCxOf<R> a, TCxOf<R> b) { return {a.re + b.re, a.im + b.im}; }
template <class R>
inline TCxOf<R> operator-(TCxOf<R> a, TCxOf<R> b) { return {a.re - b.re, a.im - b.im}; }
template <class R>
inline TCxOf<R> operator-(TCxOf<R> a) { return {-a.re, -a.im}; }
template <class R>
inline TCxOf<R> operator*(TCxOf<R> a, TCxOf<R> b) { return {a.re * b.re - a.im * b.im, a.re * b.im + a.im * b.re}; }
template <class R>
inline TCxOf<R> operator*(TScalarOf<R> k, TCxOf<R> a) { return {k * a.re, k * a.im}; }
template <class R>
inline TCxOf<R> operator*(TCxOf<R> a, TScalarOf<R> k) { return {k * a.re, k * a.im}; }

template <class R>
inline R Modulus2(TCxOf<R> a) { return a.re * a.re + a.im * a.im; }
template <class R>
inline TCxOf<R> Conj(TCxOf<R> a) { return {a.re, -a.im}; }
template <class R>
inline TCxOf<R> Sqr(TCxOf<R> a) { return {a.re * a.re - a.im * a.im, 2 * a.re * a.im}; }

// a / b with the 1e-10 guard on the divisor's squared modulus: the usual
// division of the kernels.
template <class R>
inline TCxOf<R> Div(TCxOf<R> a, TCxOf<R> b) {
  const R d = Modulus2(b) + R(1e-10L);
  return {(a.re * b.re + a.im * b.im) / d, (a.im * b.re - a.re * b.im) / d};
}
// a / b without the guard (kernels 13, 14, 15, 49, 50): b = 0 is a fault.
template <class R>
inline TCxOf<R> DivPlain(TCxOf<R> a, TCxOf<R> b) {
  const R d = Modulus2(b);
  return {(a.re * b.re + a.im * b.im) / d, (a.im * b.re - a.re * b.im) / d};
}
template <class R>
inline TCxOf<R> Recip(TCxOf<R> b) { return Div(TCxOf<R>{1, 0}, b); }

// Hyperbolic parts of e^t, computed the way every trigonometric kernel does.
template <class R>
struct THypOf {
  R cosh, sinh;
};
template <class R>
inline THypOf<R> HypOf(R t) {
  const R h = std::exp(t) / 2;
  return {h + R(0.25L) / h, h - R(0.25L) / h};
}

template <class R>
inline TCxOf<R> Exp(TCxOf<R> a) {
  const R e = std::exp(a.re);
  return {e * std::cos(a.im), e * std::sin(a.im)};
}
template <class R>
inline TCxOf<R> Sin(TCxOf<R> a) {
  const THypOf<R> h = HypOf(a.im);
  return {std::sin(a.re) * h.cosh, std::cos(a.re) * h.sinh};
}
template <class R>
inline TCxOf<R> Cos(TCxOf<R> a) {
  const THypOf<R> h = HypOf(a.im);
  return {std::cos(a.re) * h.cosh, -std::sin(a.re) * h.sinh};
}
template <class R>
inline TCxOf<R> Sinh(TCxOf<R> a) {
  const THypOf<R> h = HypOf(a.re);
  return {h.sinh * std::cos(a.im), h.cosh * std::sin(a.im)};
}
template <class R>
inline TCxOf<R> Cosh(TCxOf<R> a) {
  const THypOf<R> h = HypOf(a.re);
  return {h.cosh * std::cos(a.im), h.sinh * std::sin(a.im)};
}

// The kernels' logarithm: its real part is e^-1 * log2 |w|^2, not ln |w|.
template <class R>
inline TCxOf<R> Log(TCxOf<R> a) {
  return {R(0.3678794411658997L) * std::log2(Modulus2(a)), std::atan2(a.im, a.re)};
}
// w^p = e^(p * Log w).
template <class R>
inline TCxOf<R> Pow(TCxOf<R> w, TCxOf<R> p) { return Exp(p * Log(w)); }

// Square root whose imaginary part is never negative (constructor H term,
// kernel 33's "sqr").
template <class R>
inline TCxOf<R> SqrtUpper(TCxOf<R> a) {
  const R r = std::sqrt(a.re * a.re + a.im * a.im);
  return {std::sqrt(std::fabs((a.re + r) / 2)), std::sqrt(std::fabs((r - a.re) / 2))};
}

template <class R>
inline TCxOf<R> Power(TCxOf<R> a, int n) {  // small positive integer powers by repeated products
  TCxOf<R> r = a;
  for (int k = 1; k < n; ++k) r = r * a;
  return r;
}
