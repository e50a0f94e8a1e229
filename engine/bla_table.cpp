// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/bla_table.h"

#include <cmath>
#include <type_traits>

namespace {

// The relative size of the terms a step may drop: 2^7 roundings of a double.
// Escape counts stay those of exact steps but for a pixel in a thousand or
// so, which differ by one; smaller radii buy little more agreement and cost
// a fifth more steps at minibrots.
constexpr double kBlaPrecision = 0x1p-46;

// A step during the build, in the coefficient type C.
template <class C>
struct TMerge {
  TCxOf<C> A, B;
  C R;
};

template <class C>
C Magnitude(TCxOf<C> a) {
  return Sqrt(Modulus2(a));
}

// The single step from index m: the terms dropped beside D Z^(D-1) dz are
// (D-1)/2 |dz| / |Z| of it and smaller, so R = 2 eps |Z| / (D-1).
double RadiusRatio(int power) { return 2 * kBlaPrecision / (power - 1); }

template <class C>
TMerge<C> SingleStep(TCxOf<double> Z, int power) {
  TCxOf<double> a{double(power), 0};
  for (int j = 1; j < power; ++j) a = a * Z;
  const double r = RadiusRatio(power) * std::sqrt(Modulus2(Z));
  return {{C(a.re), C(a.im)}, {C(1), C(0)}, C(r)};
}

// x followed by y.
template <class C>
TMerge<C> Merged(const TMerge<C>& x, const TMerge<C>& y, C dcMax) {
  TMerge<C> r{y.A * x.A, y.A * x.B + y.B, x.R};
  if (!Finite(Modulus2(r.A)) || !Finite(Modulus2(r.B))) {
    r.R = C(0);
    return r;
  }
  const C ax = Magnitude(x.A);
  if (C(0) < ax) {
    const C reach = (y.R - Magnitude(x.B) * dcMax) / ax;
    if (reach < r.R) r.R = reach < C(0) ? C(0) : reach;
  }
  return r;
}

TBlaStep Stored(const TMerge<double>& m) { return {m.A, m.B, m.R * m.R}; }
TDeepBlaStep Stored(const TMerge<TFloatExp>& m) {
  const TFloatExp r2 = m.R * m.R;
  return {Compact(m.A), Compact(m.B), r2.M, r2.Exponent()};
}

TMerge<double> Loaded(const TBlaStep& s) { return {s.A, s.B, std::sqrt(s.R2)}; }
TMerge<TFloatExp> Loaded(const TDeepBlaStep& s) {
  return {Expanded(s.A), Expanded(s.B), Sqrt(TFloatExp(s.R2M, s.R2E))};
}

template <class C>
C Coefficient(TFloatExp v) {
  if constexpr (std::is_same_v<C, double>)
    return v.ToDouble();
  else
    return v;
}

}  // namespace

template <class Step>
void TBlaTableOf<Step>::Build(const std::vector<TCxOf<double>>& orbit, int power, int32_t land, TFloatExp dcMax) {
  using C = std::conditional_t<std::is_same_v<Step, TBlaStep>, double, TFloatExp>;
  Levels.clear();
  Ratio2 = RadiusRatio(power) * RadiusRatio(power);
  land = std::min<int32_t>(land, int32_t(orbit.size()) - 1);
  const int32_t singles = land - 1;  // the steps from indices 1 .. land - 1
  const C dc = Coefficient<C>(dcMax);
  std::vector<TMerge<C>> level;
  for (int32_t i = 0; 2 * i + 1 < singles; ++i)
    level.push_back(Merged(SingleStep<C>(orbit[size_t(2 * i + 1)], power), SingleStep<C>(orbit[size_t(2 * i + 2)], power), dc));
  while (!level.empty()) {
    bool serves = false;
    std::vector<Step>& stored = Levels.emplace_back();
    stored.reserve(level.size());
    for (const TMerge<C>& m : level) {
      stored.push_back(Stored(m));
      serves = serves || C(0) < m.R;
    }
    // Longer steps never serve where no step of this length does.
    if (!serves) break;
    std::vector<TMerge<C>> next;
    next.reserve(level.size() / 2);
    for (size_t i = 0; 2 * i + 1 < level.size(); ++i) next.push_back(Merged(level[2 * i], level[2 * i + 1], dc));
    level = std::move(next);
  }
  // The chain from index 1: the longest stored step that continues it, at
  // each point, merged onto what went before.
  Chain.clear();
  ChainLength.clear();
  TMerge<C> chain{};
  int32_t q = 0;
  for (int j = int(Levels.size()); j >= 1; --j) {
    const std::vector<Step>& steps = Levels[size_t(j - 1)];
    const size_t i = size_t(q >> j);
    if (q % (1 << j) != 0 || i >= steps.size()) continue;
    chain = q == 0 ? Loaded(steps[i]) : Merged(chain, Loaded(steps[i]), dc);
    if (!(C(0) < chain.R)) break;
    q += 1 << j;
    Chain.push_back(Stored(chain));
    ChainLength.push_back(q);
  }
}

template <class Step>
int64_t TBlaTableOf<Step>::Size() const {
  int64_t n = 0;
  for (const std::vector<Step>& steps : Levels) n += int64_t(steps.size());
  return n;
}

template class TBlaTableOf<TBlaStep>;
template class TBlaTableOf<TDeepBlaStep>;
