// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/perturbation.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <type_traits>
#include <vector>

#include "engine/bla_table.h"
#include "engine/deep_vector.h"
#include "engine/float_exp.h"
#include "engine/power_difference.h"
#include "formulas/complex_ext.h"
#include "formulas/filters.h"
#include "formulas/kernel_common.h"
#include "formulas/vector_kernels.h"

namespace {

constexpr int32_t kLastPowerFormula = 4;

// A pixel step below 2^-kOrdinaryBits of the coordinates is past the ordinary
// render: pixels reach its kernels as doubles, and a step of a few units in
// their last place no longer tells neighbours apart. Above it, stored spots
// keep the exact pixels of the ordinary render.
constexpr long kOrdinaryBits = 50;

// Pixel steps with a binary exponent below this take scaled differences: a
// double difference would lose digits to gradual underflow. Below the
// second the window's own arithmetic no longer holds; such views are not
// served.
constexpr long kDoubleStepExponent = -900;
constexpr long kDeepestStepExponent = -16000;

// Terms of the series (powers of the offset from the centre) and how closely
// it must match the probes iterated one by one.
constexpr int kSeriesTerms = 8;
constexpr double kSeriesTolerance = 1e-12;

// Calls f with std::integral_constant<int, D> for the power D of formulas
// 0..4, so that the loops know their power at compile time.
template <class F>
decltype(auto) WithPower(int power, F&& f) {
  switch (power) {
    case 2:
      return f(std::integral_constant<int, 2>{});
    case 3:
      return f(std::integral_constant<int, 3>{});
    case 4:
      return f(std::integral_constant<int, 4>{});
    case 5:
      return f(std::integral_constant<int, 5>{});
    default:
      return f(std::integral_constant<int, 8>{});
  }
}

using TC = TCxOf<double>;

// A polynomial in the offset u without constant term: P[j] holds the
// coefficient of u^(j+1).
using TSeries = std::array<TC, kSeriesTerms>;

TSeries Product(const TSeries& a, const TSeries& b) {
  TSeries r{};
  for (int i = 0; i < kSeriesTerms; ++i)
    for (int l = 0; i + l + 1 < kSeriesTerms; ++l)
      r[size_t(i + l + 1)] = r[size_t(i + l + 1)] + a[size_t(i)] * b[size_t(l)];
  return r;
}

TC EvaluateSeries(const TSeries& p, TC u) {
  TC s = p[kSeriesTerms - 1];
  for (int j = kSeriesTerms - 2; j >= 0; --j) s = s * u + p[size_t(j)];
  return s * u;
}

double Modulus(TC a) { return std::sqrt(Modulus2(a)); }

// z as the newest of the last three points of an orbit.
void Record(TOrbitTail* tail, TC z) {
  tail->X[2] = tail->X[1];
  tail->Y[2] = tail->Y[1];
  tail->X[1] = tail->X[0];
  tail->Y[1] = tail->Y[0];
  tail->X[0] = z.re;
  tail->Y[0] = z.im;
}

// A pixel's difference from the reference as a double pair, for views whose
// pixel step is inside the double range.
struct TPlainDifference {
  using TStep = TBlaStep;
  static constexpr double Factor = 1;
  TC W, Dc;

  TC Value() const { return W; }
  void Rebase(TC z) { W = z; }
  bool Within(const TBlaStep& s) const { return Modulus2(W) < s.R2; }
  void Apply(const TBlaStep& s) { W = s.A * W + s.B * Dc; }
  template <int D>
  void Step(TC Z, TC) {
    W = PowerDifference<D>(Z, W) + Dc;
  }
};

double SquaredRadius(const TBlaStep& s) { return s.R2; }
// 0 below the double range: the lanes then leave long steps to the host
// only where |dz|^2 is 0 in doubles, or above it.
double SquaredRadius(const TDeepBlaStep& s) { return std::ldexp(s.R2M, int(std::clamp<int64_t>(s.R2E, -1100, 1100))); }

// A pixel's difference W * 2^S, with W kept near 1, for views whose pixel
// step lies below the double range. Dc holds dc * 2^-S; parts of dz or dc
// that fall below 2^-1022 of the other terms count as 0, as they would in
// any double sum.
struct TScaledDifference {
  using TStep = TDeepBlaStep;
  // |W|^2 is scaled back near 1 when it leaves these bounds.
  static constexpr double kLow2 = 0x1p-200, kHigh2 = 0x1p200;
  TC W, Dc;
  int64_t S = 0;
  double Factor = 0;  // 2^S, or 0 where W * 2^S is negligible beside any Z
  TFloatExpCx DcF;

  // dz = W * 2^S as a double pair.
  TC Value() const { return W * Factor; }

  void Start(TFloatExpCx dz, TFloatExpCx dc) {
    W = dz.M;
    DcF = dc;
    S = dz.M.re == 0 && dz.M.im == 0 ? dc.E : dz.E;
    Refresh();
  }
  void Rebase(TC z) {
    W = z;
    S = 0;
    Normalize();
  }
  bool Within(const TDeepBlaStep& s) const {
    const double w2 = Modulus2(W);
    if (w2 == 0) return s.R2M > 0;
    const int e = ExponentOf(w2);
    const int64_t exponent = e + 2 * S;
    return exponent < s.R2E || (exponent == s.R2E && w2 * Pow2(-e) < s.R2M);
  }
  void Apply(const TDeepBlaStep& s) {
    const TC t = s.A.M * W, v = s.B.M * Dc;
    const bool none = v.re == 0 && v.im == 0;
    const int64_t e = none ? s.A.E : std::max(s.A.E, s.B.E);
    W = t * Pow2(s.A.E - e) + (none ? TC{} : v * Pow2(s.B.E - e));
    S += e;
    Normalize();
  }
  template <int D>
  void Step(TC Z, TC u) {
    W = W * PowerFactor<D>(Z, u) + Dc;
    const double w2 = Modulus2(W);
    if (w2 > kHigh2 || w2 < kLow2) Normalize();
  }

  // dz with its full exponent, for points of the orbit as small as dz
  // itself, where the double sums above would lose one of them.
  TCxOf<TFloatExp> Exact() const { return {TFloatExp(W.re, S), TFloatExp(W.im, S)}; }
  void SetExact(TCxOf<TFloatExp> dz) {
    const TFloatExpCx c = Compact(dz);
    W = c.M;
    S = c.M.re == 0 && c.M.im == 0 ? S : c.E;
    Normalize();
  }
  template <int D>
  void ExactStep(TCxOf<TFloatExp> Z) {
    SetExact(PowerDifference<D>(Z, Exact()) + Expanded(DcF));
  }
  // The step from Z = 0 (every rebased pixel takes it), dz^D + dc: in
  // doubles unless dz^D lies below their range.
  template <int D>
  void StepFromZero() {
    const int64_t shift = (D - 1) * S;
    if (shift < -1000) return ExactStep<D>({});
    W = PowerDifference<D>(TC{}, W) * Pow2(shift) + Dc;
    const double w2 = Modulus2(W);
    if (w2 > kHigh2 || w2 < kLow2) Normalize();
  }

 private:
  // Moves the exponent so that W is near 1, but never so far below dc that
  // dc * 2^-S would leave the double range.
  void Normalize() {
    const double m = std::max(std::fabs(W.re), std::fabs(W.im));
    if (m != 0) {
      const int e = ExponentOf(m);
      int64_t s = S + e;
      if (DcF.M.re != 0 || DcF.M.im != 0) s = std::max<int64_t>(s, DcF.E - 300);
      const int64_t shift = S - s;
      W = shift > -1000 && shift < 1000 ? W * Pow2(shift) : TC{std::ldexp(W.re, int(shift)), std::ldexp(W.im, int(shift))};
      S = s;
    }
    Refresh();
  }
  void Refresh() {
    Factor = S < -722 ? 0 : Pow2(S);
    Dc = DcF.M.re == 0 && DcF.M.im == 0 ? TC{} : DcF.M * Pow2(DcF.E - S);
  }
};

}  // namespace

bool PerturbationServes(const TFormulaContext& ctx) {
  return ctx.Number >= 0 && ctx.Number <= kLastPowerFormula && ctx.Filter == 0 && !ctx.FSet && !ctx.Inverted &&
         ctx.MaxIter >= 1;
}

bool PastOrdinaryPrecision(const TDeepWindow& window, int32_t width) {
  if (window.W.IsZero() || width < 2) return false;
  return DeepSpanBits(window, width - 1) > kOrdinaryBits;
}

int32_t ExactEscape(const TFormulaContext& ctx, const TDeepReal& x, const TDeepReal& y, mpfr_prec_t bits) {
  if (!PerturbationServes(ctx)) return 0;
  TDeepComplex z(bits), c(bits);
  mpfr_set(z.Re.Get(), x.Get(), MPFR_RNDN);
  mpfr_set(z.Im.Get(), y.Get(), MPFR_RNDN);
  if (ctx.JulieSet) {
    mpfr_set_ld(c.Re.Get(), ctx.PJ.re, MPFR_RNDN);
    mpfr_set_ld(c.Im.Get(), ctx.PJ.im, MPFR_RNDN);
  } else {
    c = z;
  }
  TDeepStepper stepper(bits);
  const Extended bailout = ctx.BailOut;
  for (int32_t n = 1; n <= ctx.MaxIter; ++n) {
    const Extended re = z.Re.ToExtended(), im = z.Im.ToExtended();
    if (re * re + im * im > bailout) return n;
    stepper.Step(z, c, DeepPower(ctx.Number));
  }
  return 0;
}

struct TPerturbation::TImpl {
  virtual ~TImpl() = default;
  virtual TPixelChannels Evaluate(TFormulaContext* ctx, int32_t px, int32_t py, int64_t* steps) const = 0;
  virtual void EvaluateColumn(TFormulaContext* ctx, int32_t px, int32_t first, int32_t rows, TPixelChannels* out,
                              int64_t* steps) const = 0;
  virtual int64_t TableSize() const = 0;
  int32_t Skip = 0;
  std::shared_ptr<const TDeepReference> Ref;
};

namespace {

// The deep render of one view; Deep when its pixel step lies below the
// double range.
template <bool Deep>
class TPerturbationOf final : public TPerturbation::TImpl {
 public:
  using TDifference = std::conditional_t<Deep, TScaledDifference, TPlainDifference>;
  using TTable = TBlaTableOf<typename TDifference::TStep>;
  using TOffset = std::conditional_t<Deep, TFloatExpCx, TC>;

  bool Prepare(const TFormulaContext& ctx, const TDeepWindow& window, int32_t width, int32_t columns, int32_t rows,
               const TDeepPrepare& how) {
    Power = DeepPower(ctx.Number);
    Julia = ctx.JulieSet;
    Offset = Julia ? 1 : 0;
    MaxIter = ctx.MaxIter;
    Bailout = double(ctx.BailOut);
    Smoothing = FiltersActive(&ctx);

    const mpfr_prec_t bits = DeepReferenceBits(window, width);
    const TDeepImageCentre centre = DeepImageCentre(window, width, columns, rows);
    CentreColumn = double(columns - 1) / 2;
    CentreRow = double(rows - 1) / 2;
    Step = centre.Step.ToDouble();
    StepF = FloatExpOf(centre.Step);

    // A reference of an earlier view serves when its point lies inside this
    // one; the pixels' offsets then count from that point.
    const int32_t limit = std::max(MaxIter - Offset, 1);
    const TFloatExp radius = StepF * TFloatExp(std::hypot(CentreColumn, CentreRow));
    if (how.Reference && how.Reference->Serves(ctx, bits, limit)) {
      const TDeepReal dx = centre.X - how.Reference->X, dy = centre.Y - how.Reference->Y;
      const TCxOf<TFloatExp> delta{FloatExpOf(dx), FloatExpOf(dy)};
      if (!(radius < Sqrt(Modulus2(delta)))) {
        Ref = how.Reference;
        DeltaF = delta;
      }
    }
    if (!Ref) Ref = ComputeDeepReference(ctx, centre.X, centre.Y, limit, how.Watch, StepF);
    if (!Ref) return false;
    Delta = {DeltaF.re.ToDouble(), DeltaF.im.ToDouble()};
    CentreX = Ref->X.ToDouble();
    CentreY = Ref->Y.ToDouble();

    const TFloatExp reach = radius + Sqrt(Modulus2(DeltaF));
    if (how.Approximate) {
      // Steps end two indices before an orbit's last, so that the two points
      // before an escape, which smoothing reads, are always stepped one by one.
      PrimaryTable.Build(Ref->Primary, Power, int32_t(Ref->Primary.size()) - 3, Julia ? TFloatExp() : reach);
      if (Julia) CriticalTable.Build(Ref->Critical, Power, int32_t(Ref->Critical.size()) - 3, TFloatExp());
      Approximate = true;
      PrimaryReach = ReachOf(PrimaryTable, Ref->Primary.size());
      if (Julia) CriticalReach = ReachOf(CriticalTable, Ref->Critical.size());
    }
    if constexpr (!Deep) {
      const double r = reach.ToDouble();
      Scale = r > 0 ? r : 1;
      WithPower(Power, [&](auto power) { FitSeries<decltype(power)::value>(columns, rows); });
    }
    return true;
  }

  TPixelChannels Evaluate(TFormulaContext* ctx, int32_t px, int32_t py, int64_t* steps) const override {
    const TOffset offset = OffsetOf(px, py);
    const int32_t end = EndFor(*ctx);
    TOrbitTail tail{};
    int64_t taken = 0;
    const int32_t escape = Run(offset, end, true, Smoothing ? &tail : nullptr, taken);
    const TPixelChannels c = Channels(ctx, offset, end, escape, tail, taken);
    if (steps) *steps += taken;
    return c;
  }

  void EvaluateColumn(TFormulaContext* ctx, int32_t px, int32_t first, int32_t rows, TPixelChannels* out,
                      int64_t* steps) const override {
    if (DeepLanesServe() && EvaluateLanes(ctx, px, first, rows, out, steps)) return;
    for (int32_t k = 0; k < rows; ++k) {
      if (FaultPending()) ClearFaults();
      out[k] = Evaluate(ctx, px, first + k, steps);
    }
  }

  int64_t TableSize() const override { return PrimaryTable.Size() + CriticalTable.Size(); }

 private:
  // The series of dz in u = offset / Scale, stepped along the reference
  // while it matches probes on the image border iterated one by one; the
  // pixels start from its value at the last index where it matched and no
  // pixel could have escaped or needed a rebase before.
  template <int D>
  void FitSeries(int32_t columns, int32_t rows) {
    const std::vector<TC>& primary = Ref->Primary;
    const double cx = CentreColumn, cy = CentreRow;
    const double probeColumns[] = {0, cx, double(columns - 1)};
    const double probeRows[] = {0, cy, double(rows - 1)};
    std::vector<TC> probeU, probeDz;
    for (double px : probeColumns)
      for (double py : probeRows)
        if (px != cx || py != cy)
          probeU.push_back({((px - cx) * Step + Delta.re) / Scale, ((cy - py) * Step + Delta.im) / Scale});
    TSeries series{};
    if (Julia) series[0] = {Scale, 0};
    for (const TC& u : probeU) probeDz.push_back(Julia ? u * Scale : TC{});
    const TC dcUnit = Julia ? TC{} : TC{Scale, 0};

    Skip = 0;
    Series = series;
    const int32_t limit = std::min<int32_t>(int32_t(primary.size()) - 1, MaxIter - Offset);
    for (int32_t k = 0;; ++k) {
      double largest = 0;
      for (size_t i = 0; i < probeU.size(); ++i) {
        const double m = Modulus(probeDz[i]);
        if (Modulus(EvaluateSeries(series, probeU[i]) - probeDz[i]) > kSeriesTolerance * m) return;
        largest = std::max(largest, m);
      }
      Skip = k;
      Series = series;
      // Past index k a pixel could escape or come close to 0 unseen. The
      // largest difference lies on the border (the series is analytic);
      // twice the largest probe allows for the border between probes.
      const TC Z = primary[size_t(k)];
      const double reach = Modulus(Z) + 2 * largest;
      if (k >= limit || reach * reach > Bailout || 4 * largest > Modulus(Z)) return;
      // (Z + P)^D - Z^D + dc = sum of C(D, j) Z^(D-j) P^j + dc.
      TSeries next{};
      TSeries power = series;
      std::array<TC, D + 1> zp;
      zp[0] = {1, 0};
      for (int j = 1; j <= D; ++j) zp[size_t(j)] = zp[size_t(j - 1)] * Z;
      for (int j = 1; j <= D; ++j) {
        const TC factor = double(Binomial(D, j)) * zp[size_t(D - j)];
        for (int t = 0; t < kSeriesTerms; ++t) next[size_t(t)] = next[size_t(t)] + factor * power[size_t(t)];
        if (j < D) power = Product(power, series);
      }
      next[0] = next[0] + dcUnit;
      series = next;
      for (size_t i = 0; i < probeU.size(); ++i)
        probeDz[i] = PowerDifference<D>(Z, probeDz[i]) + (Julia ? TC{} : probeU[i] * Scale);
    }
  }

  // The pixel's offset from the reference point.
  TOffset OffsetOf(int32_t px, int32_t py) const {
    const double column = double(px) - CentreColumn, row = CentreRow - double(py);
    if constexpr (Deep) {
      return Compact(TCxOf<TFloatExp>{TFloatExp(column * StepF.M, StepF.E) + DeltaF.re,
                                      TFloatExp(row * StepF.M, StepF.E) + DeltaF.im});
    } else {
      return {column * Step + Delta.re, row * Step + Delta.im};
    }
  }

  // The last orbit index a pixel tests: a lower limit than the prepared one
  // (the growing limit of the preview) cuts the orbit short.
  int32_t EndFor(const TFormulaContext& ctx) const { return std::min(ctx.MaxIter, MaxIter) - Offset; }

  // The channel values of a pixel whose orbit escaped at `escape` (0: not)
  // with `tail` its last points.
  TPixelChannels Channels(TFormulaContext* ctx, const TOffset& offset, int32_t end, int32_t escape, TOrbitTail& tail,
                          int64_t& steps) const {
    // Smoothing reads the two points before the escape: an escape right
    // after the shared iterations is taken again without them.
    if (Smoothing && escape > 0 && escape - Offset < Skip + 2 && Skip > 0)
      escape = Run(offset, end, false, &tail, steps);
    double x = CentreX, y = CentreY;
    if constexpr (!Deep) {
      x += offset.re;
      y += offset.im;
    }
    return EscapeChannels(ctx, escape, Smoothing ? &tail : nullptr, x, y);
  }

  int32_t Run(const TOffset& offset, int32_t end, bool useSeries, TOrbitTail* tail, int64_t& steps) const {
    return WithPower(Power, [&](auto power) {
      constexpr int D = decltype(power)::value;
      return tail ? Iterate<D, true>(offset, end, useSeries, tail, steps)
                  : Iterate<D, false>(offset, end, useSeries, tail, steps);
    });
  }

  // A pixel on its way along the orbits: its difference dz from orbit index
  // m (tested at kernel iteration k + Offset) of the orbit `ref`, whose last
  // index is `last`, with the table of long steps and its reach (see
  // ReachOf) for that orbit, or none.
  struct TRun {
    TDifference dz;
    const TC* ref = nullptr;
    int32_t last = 0;
    const TTable* table = nullptr;
    const double* reach = nullptr;
    int32_t m = 0, k = 0, end = 0;
    int32_t first = 0;   // the index of the first test
    int32_t jumped = 0;  // iterations within long steps beyond their first
  };

  // The steps a pixel has executed, long steps counting once.
  static int64_t Executed(const TRun& r) { return r.k - r.first - r.jumped; }

  TRun Begin(const TOffset& offset, int32_t end, bool useSeries) const {
    TRun r;
    r.end = end;
    if constexpr (Deep) {
      r.dz.Start(Julia ? offset : TFloatExpCx{}, Julia ? TFloatExpCx{} : offset);
    } else {
      r.dz.W = Julia ? offset : TC{};
      r.dz.Dc = Julia ? TC{} : offset;
      if (useSeries && Skip > 0) {
        r.k = Skip;
        r.dz.W = EvaluateSeries(Series, TC{offset.re / Scale, offset.im / Scale});
      }
    }
    r.ref = Ref->Primary.data();
    r.last = int32_t(Ref->Primary.size()) - 1;
    if (Approximate) {
      r.table = &PrimaryTable;
      r.reach = PrimaryReach.data();
    }
    r.m = r.first = r.k;
    return r;
  }

  // What one iteration of a pixel did.
  enum class TIteration {
    Escaped,  // the pixel escapes at index m: nothing else was done
    Single,   // a single step, nothing else
    Other,    // a long step, or a rebase before the single step
  };

  // The test of orbit index m and the step from there. No pixel escapes
  // before the series' index, nor within a long step.
  template <int D, bool Tail>
  TIteration Iteration(TRun& r, TOrbitTail* tail) const {
    TC Z = r.ref[r.m];
    if constexpr (Deep) {
      if (Modulus2(Z) < kTinyPoint2) return TinyIteration<D, Tail>(r, tail);
    }
    TC u = r.dz.Value();
    const TC z = Z + u;
    const double r2 = Modulus2(z);
    if constexpr (Tail) Record(tail, z);
    if (r2 > Bailout) return TIteration::Escaped;
    TIteration kind = TIteration::Single;
    if (r2 < Modulus2(u) || r.m == r.last) {
      Rebase(r);
      Z = r.ref[0];
      r.dz.Rebase(z);
      u = r.dz.Value();
      kind = TIteration::Other;
    }
    if (r.table && r.table->MayServe(Z, u)) {
      int32_t length = 0;
      const auto* step =
          r.table->Find(r.m, r.end - r.k, length, [&](const typename TDifference::TStep& s) { return r.dz.Within(s); });
      if (step) {
        r.dz.Apply(*step);
        r.jumped += length - 1;
        r.k += length;
        r.m += length;
        return TIteration::Other;
      }
    }
    r.dz.template Step<D>(Z, u);
    ++r.m;
    ++r.k;
    return kind;
  }

  // Moves the run to the start of the orbit it rebases to.
  void Rebase(TRun& r) const {
    const std::vector<TC>& base = Ref->RebaseOrbit();
    r.ref = base.data();
    r.last = int32_t(base.size()) - 1;
    if (r.table && Julia) {
      r.table = &CriticalTable;
      if constexpr (!Deep) r.reach = CriticalReach.data();
    }
    r.m = 0;
  }

  // Iteration at an orbit point near or below the double range: the point
  // and dz are summed with their exponents. No escape is possible, a rebase
  // is.
  template <int D, bool Tail>
  TIteration TinyIteration(TRun& r, TOrbitTail* tail) const {
    const std::vector<TC>& orbit = r.ref == Ref->Primary.data() ? Ref->Primary : Ref->Critical;
    const TCxOf<TFloatExp> Z = Ref->ExactPoint(orbit, r.m), dz = r.dz.Exact(), z = Z + dz;
    if constexpr (Tail) Record(tail, TC{z.re.ToDouble(), z.im.ToDouble()});
    if (Modulus2(z) < Modulus2(dz) || r.m == r.last) {
      Rebase(r);
      r.dz.SetExact(z);
      r.dz.template StepFromZero<D>();
    } else if (Z.re.M == 0 && Z.im.M == 0) {
      r.dz.template StepFromZero<D>();
    } else {
      r.dz.template ExactStep<D>(Z);
    }
    ++r.m;
    ++r.k;
    return TIteration::Other;
  }

  // The kernel's escape iteration for the pixel at `offset` from the
  // reference point: index k of the orbit (z0 = 0 in normal mode, the pixel
  // in Julia mode) is tested at kernel iteration k + Offset, up to index
  // `end`.
  template <int D, bool Tail>
  int32_t Iterate(const TOffset& offset, int32_t end, bool useSeries, TOrbitTail* tail, int64_t& steps) const {
    TRun r = Begin(offset, end, useSeries);
    while (r.k <= r.end && Iteration<D, Tail>(r, tail) != TIteration::Escaped) {
    }
    steps += Executed(r);
    return r.k <= r.end ? r.k + Offset : 0;
  }

  // Where a table's long steps may serve: at each orbit index the largest
  // squared radius its search there tests first. A pixel whose |dz|^2 is not
  // below it takes a single step.
  static std::vector<double> ReachOf(const TTable& table, size_t size) {
    std::vector<double> reach(size);
    for (size_t m = 0; m < size; ++m) {
      int32_t length = 0;
      table.Find(int32_t(m), INT32_MAX, length, [&](const typename TDifference::TStep& s) {
        reach[m] = std::max(reach[m], SquaredRadius(s));
        return false;
      });
    }
    return reach;
  }

  // The lanes' host for the pixels of one column: it starts them, takes
  // them on from every event in scalar code, and keeps their results.
  template <int D, bool Tail>
  class TLaneHost final : public TDeepLaneHost {
   public:
    TLaneHost(const TPerturbationOf& owner, int32_t px, int32_t first, int32_t rows, int32_t end, int32_t* escapes,
              TOrbitTail* tails)
        : Owner(owner), Px(px), First(first), Rows(rows), End(end), Escapes(escapes), Tails(tails) {}

    bool Settle(int32_t slot, bool holding, TDeepLane& lane) override {
      TRun& r = Runs[size_t(slot)];
      if (holding) {
        // The lane took single steps since it was handed out: as many
        // orbit indices as iterations.
        const int32_t moved = int32_t(lane.Z - (r.ref + r.m));
        r.m += moved;
        r.k += moved;
        r.dz.W = lane.W;
        TOrbitTail tail{{lane.Before[0].re, lane.Before[1].re, 0}, {lane.Before[0].im, lane.Before[1].im, 0}};
        for (;;) {
          if (r.k > r.end) {
            Finish(slot, 0, tail);
            break;
          }
          const TIteration kind = Owner.template Iteration<D, Tail>(r, &tail);
          if (kind == TIteration::Escaped) {
            Finish(slot, r.k + Owner.Offset, tail);
            break;
          }
          // A scaled difference too small for doubles stays here.
          if (kind == TIteration::Single && r.dz.Factor != 0) {
            Hand(r, tail, lane);
            return true;
          }
        }
      }
      while (Next < Rows) {
        Pixel[size_t(slot)] = Next;
        r = Owner.Begin(Owner.OffsetOf(Px, First + Next++), End, true);
        if (r.k <= r.end) {
          Hand(r, TOrbitTail{}, lane);
          return true;
        }
        Finish(slot, 0, TOrbitTail{});
      }
      return false;
    }

    int64_t Steps = 0;

   private:
    static void Hand(const TRun& r, const TOrbitTail& tail, TDeepLane& lane) {
      lane.W = r.dz.W;
      lane.Dc = r.dz.Dc;
      lane.Factor = r.dz.Factor;
      lane.Z = r.ref + r.m;
      lane.Reach = r.reach ? r.reach + r.m : nullptr;
      lane.Free = std::min(r.last - r.m, r.end - r.k + 1);
      lane.Before[0] = {tail.X[0], tail.Y[0]};
      lane.Before[1] = {tail.X[1], tail.Y[1]};
    }
    void Finish(int32_t slot, int32_t escape, const TOrbitTail& tail) {
      const int32_t py = Pixel[size_t(slot)];
      Escapes[py] = escape;
      if constexpr (Tail) Tails[py] = tail;
      Steps += Executed(Runs[size_t(slot)]);
    }

    const TPerturbationOf& Owner;
    const int32_t Px, First, Rows, End;
    int32_t* const Escapes;
    TOrbitTail* const Tails;
    int32_t Next = 0;
    std::array<TRun, kDeepLaneSlots> Runs;
    std::array<int32_t, kDeepLaneSlots> Pixel{};
  };

  // The column's pixels in vector lanes; false, with nothing stored, when a
  // floating-point fault was raised: it cannot be told to its pixel.
  bool EvaluateLanes(TFormulaContext* ctx, int32_t px, int32_t first, int32_t rows, TPixelChannels* out,
                     int64_t* steps) const {
    const int32_t end = EndFor(*ctx);
    std::vector<int32_t> escapes(static_cast<size_t>(rows));
    std::vector<TOrbitTail> tails(static_cast<size_t>(rows));
    int64_t taken = WithPower(Power, [&](auto power) {
      constexpr int D = decltype(power)::value;
      auto run = [&]<bool Tail>(std::bool_constant<Tail>) {
        TLaneHost<D, Tail> host(*this, px, first, rows, end, escapes.data(), tails.data());
        const TDeepLaneBounds bounds = Deep ? TDeepLaneBounds{kTinyPoint2, TScaledDifference::kLow2,
                                                              TScaledDifference::kHigh2}
                                            : TDeepLaneBounds{};
        DeepLaneRun(D, Approximate, Tail, Bailout, bounds, host);
        return host.Steps;
      };
      return Smoothing ? run(std::true_type{}) : run(std::false_type{});
    });
    if (FaultPending()) {
      ClearFaults();
      return false;
    }
    for (int32_t k = 0; k < rows; ++k)
      out[k] = Channels(ctx, OffsetOf(px, first + k), end, escapes[size_t(k)], tails[size_t(k)], taken);
    if (steps) *steps += taken;
    return true;
  }

  int Power = 2;
  bool Julia = false;
  bool Smoothing = false;
  bool Approximate = false;
  int32_t Offset = 0;
  int32_t MaxIter = 0;
  double Bailout = 0;
  double Step = 0, Scale = 1;
  TFloatExp StepF;
  double CentreColumn = 0, CentreRow = 0;
  double CentreX = 0, CentreY = 0;
  // The image centre less the reference point, when a shared reference serves.
  TCxOf<TFloatExp> DeltaF{};
  TC Delta{};
  TTable PrimaryTable, CriticalTable;
  std::vector<double> PrimaryReach, CriticalReach;
  TSeries Series{};
};

template <bool Deep>
std::unique_ptr<TPerturbation::TImpl> Prepared(const TFormulaContext& ctx, const TDeepWindow& window, int32_t width,
                                               int32_t columns, int32_t rows, const TDeepPrepare& how) {
  auto impl = std::make_unique<TPerturbationOf<Deep>>();
  if (!impl->Prepare(ctx, window, width, columns, rows, how)) return nullptr;
  return impl;
}

}  // namespace

TPerturbation::TPerturbation() = default;
TPerturbation::~TPerturbation() = default;

bool TPerturbation::Prepare(const TFormulaContext& ctx, const TDeepWindow& window, int32_t width, int32_t columns,
                            int32_t rows, const TDeepPrepare& how) {
  Impl.reset();
  if (!PerturbationServes(ctx) || width < 2 || columns < 1 || rows < 1 || window.W.IsZero()) return false;
  const long stepExponent = DeepStepExponent(window.W, width - 1);
  if (stepExponent < kDeepestStepExponent) return false;
  Impl = stepExponent >= kDoubleStepExponent && !how.Scaled ? Prepared<false>(ctx, window, width, columns, rows, how)
                                             : Prepared<true>(ctx, window, width, columns, rows, how);
  return Impl != nullptr;
}

TPixelChannels TPerturbation::Evaluate(TFormulaContext* ctx, int32_t px, int32_t py, int64_t* steps) const {
  // A fault flag left by the thread's earlier work would zero this pixel;
  // clearing is far dearer than testing, so clear only when set.
  if (FaultPending()) ClearFaults();
  return Impl ? Impl->Evaluate(ctx, px, py, steps) : TPixelChannels{};
}

void TPerturbation::EvaluateColumn(TFormulaContext* ctx, int32_t px, int32_t first, int32_t rows, TPixelChannels* out,
                                  int64_t* steps) const {
  if (FaultPending()) ClearFaults();
  if (!Impl) {
    std::fill(out, out + rows, TPixelChannels{});
    return;
  }
  Impl->EvaluateColumn(ctx, px, first, rows, out, steps);
}

int32_t TPerturbation::SkippedIterations() const { return Impl ? Impl->Skip : 0; }

std::shared_ptr<const TDeepReference> TPerturbation::Reference() const { return Impl ? Impl->Ref : nullptr; }

int64_t TPerturbation::TableSize() const { return Impl ? Impl->TableSize() : 0; }
