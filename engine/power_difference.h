// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One step of a pixel's difference from the reference orbit,
// dz -> (Z + dz)^D - Z^D, for the powers D of formulas 0..4. Written once for
// any complex type C with + and *: double pairs in the scalar loop, pairs of
// vectors in the vector lanes, which therefore give the very same values.

#include <array>
#include <cstddef>
#include <utility>

#include "formulas/complex_ext.h"

constexpr int Binomial(int n, int k) {
  int r = 1;
  for (int i = 1; i <= k; ++i) r = r * (n - k + i) / i;
  return r;
}

inline TCxOf<double> ScaledBy(double k, const TCxOf<double>& a) { return {k * a.re, k * a.im}; }

// ((Z + dz)^D - Z^D) / dz, expanded in powers of dz so that the difference
// keeps its relative precision when dz is tiny beside Z.
template <int D, class C>
[[gnu::always_inline]] inline C PowerFactor(const C& Z, const C& dz) {
  // Every entry starts as Z: vectors have no zero to start from.
  auto pw = [&]<size_t... I>(std::index_sequence<I...>) { return std::array<C, D>{((void)I, Z)...}; }(
      std::make_index_sequence<D>{});
  for (int j = 2; j < D; ++j) pw[size_t(j)] = pw[size_t(j - 1)] * Z;
  C s = dz + ScaledBy(double(D), pw[1]);
  for (int j = D - 2; j >= 1; --j) s = s * dz + ScaledBy(double(Binomial(D, j)), pw[size_t(D - j)]);
  return s;
}

template <int D, class C>
[[gnu::always_inline]] inline C PowerDifference(const C& Z, const C& dz) {
  return PowerFactor<D>(Z, dz) * dz;
}
