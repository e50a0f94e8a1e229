// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Doubles with a separate binary exponent, for the values of deep renders
// that leave the double range (pixel steps below 1e-300, the coefficients of
// long approximated steps): m * 2^e with 0.5 <= |m| < 1, or m = 0.

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <utility>

#include "formulas/complex_ext.h"

// 2^k for k within the normal double range, 0 below it.
inline double Pow2(int64_t k) {
  if (k < -1022) return 0;
  if (k > 1023) return HUGE_VAL;
  const uint64_t bits = uint64_t(k + 1023) << 52;
  double r;
  std::memcpy(&r, &bits, sizeof r);
  return r;
}

// The exponent e of frexp (x = m 2^e, 0.5 <= |m| < 1), read from the bits
// of a normal double; frexp itself for the others.
inline int ExponentOf(double x) {
  uint64_t bits;
  std::memcpy(&bits, &x, sizeof bits);
  const int field = int((bits >> 52) & 0x7ff);
  if (field != 0 && field != 0x7ff) return field - 1022;
  int e = 0;
  std::frexp(x, &e);
  return e;
}

struct TFloatExp {
  double M = 0;
  int64_t E = 0;

  TFloatExp() = default;
  TFloatExp(double m, int64_t e = 0) : M(m), E(e) { Normalize(); }  // NOLINT: doubles convert freely

  void Normalize() {
    if (M == 0 || !std::isfinite(M)) {
      if (M == 0) E = 0;
      return;
    }
    const int k = ExponentOf(M);
    M = k > -1000 && k < 1000 ? M * Pow2(-k) : std::ldexp(M, -k);
    E += k;
  }
  // The value as a double: 0 when it lies below the normal range.
  double ToDouble() const { return E < -1021 ? 0 : std::ldexp(M, int(std::max<int64_t>(E, -1100))); }
  // The binary exponent of the value, very low for zero.
  int64_t Exponent() const { return M == 0 ? INT64_MIN / 4 : E; }
};

inline TFloatExp operator*(TFloatExp a, TFloatExp b) { return TFloatExp(a.M * b.M, a.E + b.E); }
inline TFloatExp operator/(TFloatExp a, TFloatExp b) { return TFloatExp(a.M / b.M, a.E - b.E); }
inline TFloatExp operator-(TFloatExp a) { return {-a.M, a.E}; }
inline TFloatExp operator+(TFloatExp a, TFloatExp b) {
  if (a.M == 0) return b;
  if (b.M == 0) return a;
  if (a.E < b.E) std::swap(a, b);
  const int64_t shift = b.E - a.E;
  if (shift < -64) return a;
  return TFloatExp(a.M + b.M * Pow2(shift), a.E);
}
inline TFloatExp operator-(TFloatExp a, TFloatExp b) { return a + -b; }
inline bool operator<(TFloatExp a, TFloatExp b) { return (a - b).M < 0; }
inline TFloatExp Sqrt(TFloatExp a) {
  if (a.M <= 0) return {};
  const bool odd = (a.E & 1) != 0;
  return TFloatExp(std::sqrt(odd ? 2 * a.M : a.M), (odd ? a.E - 1 : a.E) / 2);
}

// |Z|^2 below this (|Z| below 2^-500): an orbit point is kept with its
// exponent beside its double, and summed with a difference as small in that
// form.
constexpr double kTinyPoint2 = 0x1p-1000;

inline double Sqrt(double a) { return std::sqrt(a); }
inline bool Finite(double a) { return std::isfinite(a); }
inline bool Finite(TFloatExp a) { return std::isfinite(a.M); }

inline TCxOf<TFloatExp> ScaledBy(double k, const TCxOf<TFloatExp>& a) { return {TFloatExp(k) * a.re, TFloatExp(k) * a.im}; }

// A complex value whose parts share one exponent: M * 2^E, the larger part of
// M at least 0.5 and below 1 (or M = 0). Cheap to apply to a double pair.
struct TFloatExpCx {
  TCxOf<double> M;
  int64_t E = 0;
};

inline TFloatExpCx Compact(TCxOf<TFloatExp> a) {
  if (a.re.M == 0 && a.im.M == 0) return {};
  const int64_t e = std::max(a.re.Exponent(), a.im.Exponent());
  return {{a.re.M * Pow2(a.re.Exponent() - e), a.im.M * Pow2(a.im.Exponent() - e)}, e};
}
inline TCxOf<TFloatExp> Expanded(TFloatExpCx a) { return {TFloatExp(a.M.re, a.E), TFloatExp(a.M.im, a.E)}; }
