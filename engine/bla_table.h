// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Long steps of a deep render by bilinear approximation. While a pixel's
// difference dz from the reference is tiny beside the reference point Z, one
// step dz -> (Z + dz)^D - Z^D + dc is linear in dz and dc: dz -> A dz + B dc
// with A = D Z^(D-1), B = 1, as long as |dz| stays below a radius R where the
// dropped terms fall below the rounding of a double. Two neighbouring steps
// merge into one (A = A2 A1, B = A2 B1 + B2, R = min(R1, (R2 - |B1| dc) / |A1|)
// for the largest |dc| of the image), and merging again gives steps of 2^j
// iterations from every index 1 + i 2^j. A pixel takes, at each index, the
// longest step its |dz| allows. Rebased pixels all pass index 1, so from
// there the table also holds the steps of every length the levels add up
// to, ending at the last index a step may land on: a pixel near a periodic
// reference crosses each period in one step.

#include <algorithm>
#include <cstdint>
#include <vector>

#include "engine/float_exp.h"
#include "formulas/complex_ext.h"

// Coefficients in doubles while the view's pixel step is inside the double
// range; with separate exponents below it.
struct TBlaStep {
  TCxOf<double> A, B;
  double R2;  // the squared radius; 0 when the step never serves
};
struct TDeepBlaStep {
  TFloatExpCx A, B;
  double R2M;  // the squared radius R2M * 2^R2E, R2M in [0.5, 1)
  int64_t R2E;
};

template <class Step>
class TBlaTableOf {
 public:
  // The table of `orbit` for power `power`: steps from index 1 that land no
  // later than index `land` (the last index a step may end on), for pixels
  // whose |dc| is at most `dcMax` (0 in Julia mode).
  void Build(const std::vector<TCxOf<double>>& orbit, int power, int32_t land, TFloatExp dcMax);

  // The longest step from orbit index m, at most `room` iterations long, for
  // which `fits(step)` holds; null when none does. Its length goes to
  // `length`. A longer step from the same index has a radius no larger than
  // the shorter one it begins with, so each search climbs until a step fails.
  template <class Fits>
  const Step* Find(int32_t m, int32_t room, int32_t& length, Fits fits) const {
    if (m < 1 || room < 2 || Levels.empty()) return nullptr;
    const Step* found = nullptr;
    if (m == 1) {
      for (size_t i = 0; i < Chain.size() && ChainLength[i] <= room && fits(Chain[i]); ++i) {
        found = &Chain[i];
        length = ChainLength[i];
      }
      if (found) return found;
    }
    const uint32_t q = uint32_t(m - 1);
    int top = int(Levels.size());
    if (q != 0) top = std::min(top, __builtin_ctz(q));
    top = std::min(top, 31 - __builtin_clz(uint32_t(room)));
    for (int j = 1; j <= top; ++j) {
      const std::vector<Step>& steps = Levels[size_t(j - 1)];
      const uint32_t i = q >> j;
      if (i >= steps.size() || !fits(steps[i])) break;
      found = &steps[i];
      length = int32_t(1) << j;
    }
    return found;
  }

  // Whether any step may serve a pixel whose dz is `dz` at the point Z: no
  // step's radius exceeds the single step's.
  bool MayServe(TCxOf<double> Z, TCxOf<double> dz) const { return Modulus2(dz) < Ratio2 * Modulus2(Z); }

  // Entries in all levels.
  int64_t Size() const;

 private:
  std::vector<std::vector<Step>> Levels;  // Levels[j - 1] holds the steps of 2^j iterations
  std::vector<Step> Chain;                // from index 1, growing lengths
  std::vector<int32_t> ChainLength;
  double Ratio2 = 0;  // (R / |Z|)^2 of a single step
};

using TBlaTable = TBlaTableOf<TBlaStep>;
using TDeepBlaTable = TBlaTableOf<TDeepBlaStep>;
