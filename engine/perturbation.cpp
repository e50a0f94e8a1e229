#include "engine/perturbation.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <type_traits>
#include <vector>

#include "formulas/complex_ext.h"
#include "formulas/filters.h"
#include "formulas/kernel_common.h"
#include "formulas/vector_kernels.h"

namespace {

constexpr int32_t kLastPowerFormula = 4;
constexpr int kPowers[kLastPowerFormula + 1] = {2, 3, 4, 5, 8};

// A pixel step below 2^-kOrdinaryBits of the coordinates is past the ordinary
// render: pixels reach its kernels as doubles, and a step of a few units in
// their last place no longer tells neighbours apart. Above it, stored spots
// keep the exact pixels of the ordinary render.
constexpr long kOrdinaryBits = 50;

// Pixel steps with a binary exponent below this take extended differences: a
// double difference would lose digits to gradual underflow. Below the
// second, even extended differences would; such views are not served.
constexpr long kDoubleStepExponent = -900;
constexpr long kExtendedStepExponent = -16000;

// Terms of the series (powers of the offset from the centre) and how closely
// it must match the probes iterated one by one.
constexpr int kSeriesTerms = 8;
constexpr double kSeriesTolerance = 1e-12;

constexpr mpfr_prec_t kReferenceGuardBits = 32;

// How many reference iterations pass between looks at the stop request.
constexpr int32_t kStopCheckPeriod = 64;

constexpr int Binomial(int n, int k) {
  int r = 1;
  for (int i = 1; i <= k; ++i) r = r * (n - k + i) / i;
  return r;
}

bool StopRequested(const std::atomic<bool>* stop) { return stop && stop->load(); }

// A complex number in arbitrary precision.
struct TDeepComplex {
  TDeepReal Re, Im;
  explicit TDeepComplex(mpfr_prec_t bits) : Re(bits), Im(bits) {}
};

class TDeepStepper {
 public:
  explicit TDeepStepper(mpfr_prec_t bits) : A(bits), B(bits), C(bits) {}

  // z = z^power + c for the powers of formulas 0..4.
  void Step(TDeepComplex& z, const TDeepComplex& c, int power) {
    switch (power) {
      case 2:
        Square(z);
        break;
      case 3: {
        const TDeepComplex z1 = z;
        Square(z);
        Multiply(z, z1);
        break;
      }
      case 4:
        Square(z);
        Square(z);
        break;
      case 5: {
        const TDeepComplex z1 = z;
        Square(z);
        Square(z);
        Multiply(z, z1);
        break;
      }
      default:
        Square(z);
        Square(z);
        Square(z);
        break;
    }
    mpfr_add(z.Re.Get(), z.Re.Get(), c.Re.Get(), MPFR_RNDN);
    mpfr_add(z.Im.Get(), z.Im.Get(), c.Im.Get(), MPFR_RNDN);
  }

 private:
  void Square(TDeepComplex& z) {
    mpfr_sqr(A.Get(), z.Re.Get(), MPFR_RNDN);
    mpfr_sqr(B.Get(), z.Im.Get(), MPFR_RNDN);
    mpfr_mul(C.Get(), z.Re.Get(), z.Im.Get(), MPFR_RNDN);
    mpfr_sub(z.Re.Get(), A.Get(), B.Get(), MPFR_RNDN);
    mpfr_mul_2ui(z.Im.Get(), C.Get(), 1, MPFR_RNDN);
  }
  void Multiply(TDeepComplex& z, const TDeepComplex& w) {
    mpfr_mul(A.Get(), z.Re.Get(), w.Re.Get(), MPFR_RNDN);
    mpfr_mul(B.Get(), z.Im.Get(), w.Im.Get(), MPFR_RNDN);
    mpfr_mul(C.Get(), z.Re.Get(), w.Im.Get(), MPFR_RNDN);
    mpfr_mul(z.Im.Get(), z.Im.Get(), w.Re.Get(), MPFR_RNDN);
    mpfr_add(z.Im.Get(), z.Im.Get(), C.Get(), MPFR_RNDN);
    mpfr_sub(z.Re.Get(), A.Get(), B.Get(), MPFR_RNDN);
  }
  TDeepReal A, B, C;
};

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

template <class T>
T ToReal(const TDeepReal& v) {
  if constexpr (std::is_same_v<T, double>)
    return v.ToDouble();
  else
    return v.ToExtended();
}

// (Z + dz)^D - Z^D, expanded in powers of dz so that it keeps its relative
// precision when dz is tiny beside Z.
template <int D, class T>
inline TCxOf<T> PowerDifference(TCxOf<T> Z, TCxOf<T> dz) {
  std::array<TCxOf<T>, D> pw;
  pw[1] = Z;
  for (int j = 2; j < D; ++j) pw[j] = pw[j - 1] * Z;
  TCxOf<T> s = dz + T(D) * pw[1];
  for (int j = D - 2; j >= 1; --j) s = s * dz + T(Binomial(D, j)) * pw[size_t(D - j)];
  return s * dz;
}

// A polynomial in the offset u without constant term: P[j] holds the
// coefficient of u^(j+1).
template <class T>
using TSeries = std::array<TCxOf<T>, kSeriesTerms>;

template <class T>
TSeries<T> Product(const TSeries<T>& a, const TSeries<T>& b) {
  TSeries<T> r{};
  for (int i = 0; i < kSeriesTerms; ++i)
    for (int l = 0; i + l + 1 < kSeriesTerms; ++l)
      r[size_t(i + l + 1)] = r[size_t(i + l + 1)] + a[size_t(i)] * b[size_t(l)];
  return r;
}

template <class T>
TCxOf<T> EvaluateSeries(const TSeries<T>& p, TCxOf<T> u) {
  TCxOf<T> s = p[kSeriesTerms - 1];
  for (int j = kSeriesTerms - 2; j >= 0; --j) s = s * u + p[size_t(j)];
  return s * u;
}

template <class T>
T Modulus(TCxOf<T> a) {
  return std::sqrt(Modulus2(a));
}

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
    stepper.Step(z, c, kPowers[ctx.Number]);
  }
  return 0;
}

struct TPerturbation::TImpl {
  virtual ~TImpl() = default;
  virtual TPixelChannels Evaluate(TFormulaContext* ctx, int32_t px, int32_t py) const = 0;
  int32_t Skip = 0;
};

namespace {

template <class T>
class TPerturbationOf final : public TPerturbation::TImpl {
 public:
  using TC = TCxOf<T>;

  bool Prepare(const TFormulaContext& ctx, const TDeepWindow& window, int32_t width, int32_t columns, int32_t rows,
               const std::atomic<bool>* stop) {
    Power = kPowers[ctx.Number];
    Julia = ctx.JulieSet;
    Offset = Julia ? 1 : 0;
    MaxIter = ctx.MaxIter;
    Bailout = T(ctx.BailOut);
    Smoothing = FiltersActive(&ctx);

    // Rounding errors of the orbit grow as fast as pixel offsets do: extra
    // bits keep the reference well below a pixel's worth of error.
    const mpfr_prec_t bits = DeepBitsFor(window, width) + kReferenceGuardBits;
    TDeepReal step = window.W / TDeepReal(Extended(width - 1), bits);
    step.SetBits(bits);
    CentreColumn = T(columns - 1) / 2;
    CentreRow = T(rows - 1) / 2;
    TDeepComplex centre(bits);
    centre.Re = window.X + step * TDeepReal(Extended(columns - 1) / 2, bits);
    centre.Im = window.Y - step * TDeepReal(Extended(rows - 1) / 2, bits);
    Step = ToReal<T>(step);
    CentreX = centre.Re.ToDouble();
    CentreY = centre.Im.ToDouble();

    // Normal mode follows the orbit of 0 under the centre's c; Julia mode
    // the centre's orbit under the Julia point, and the orbit of 0 after a
    // rebase.
    TDeepComplex zero(bits), julia(bits);
    mpfr_set_ld(julia.Re.Get(), ctx.PJ.re, MPFR_RNDN);
    mpfr_set_ld(julia.Im.Get(), ctx.PJ.im, MPFR_RNDN);
    if (Julia) {
      if (!ComputeOrbit(centre, julia, bits, stop, Primary)) return false;
      if (!ComputeOrbit(zero, julia, bits, stop, Critical)) return false;
    } else {
      if (!ComputeOrbit(zero, centre, bits, stop, Primary)) return false;
    }
    const T radius = Step * std::hypot(CentreColumn, CentreRow);
    Scale = radius > 0 ? radius : T(1);
    WithPower(Power, [&](auto power) { FitSeries<decltype(power)::value>(columns, rows); });
    return true;
  }

  TPixelChannels Evaluate(TFormulaContext* ctx, int32_t px, int32_t py) const override {
    const TC offset{(T(px) - CentreColumn) * Step, (CentreRow - T(py)) * Step};
    // A lower limit than the prepared one (the growing limit of the preview)
    // cuts the orbit short.
    const int32_t end = std::min(ctx->MaxIter, MaxIter) - Offset;
    TOrbitTail tail{};
    int32_t escape = Run(offset, end, true, Smoothing ? &tail : nullptr);
    // Smoothing reads the two points before the escape: an escape right
    // after the shared iterations is taken again without them.
    if (Smoothing && escape > 0 && escape - Offset < Skip + 2 && Skip > 0) escape = Run(offset, end, false, &tail);
    return EscapeChannels(ctx, escape, Smoothing ? &tail : nullptr, CentreX + double(offset.re),
                          CentreY + double(offset.im));
  }

 private:
  bool ComputeOrbit(const TDeepComplex& start, const TDeepComplex& c, mpfr_prec_t bits, const std::atomic<bool>* stop,
                    std::vector<TC>& orbit) const {
    // Pixels test their z at indices up to MaxIter - Offset; the orbit of 0
    // always holds index 1, so that a rebased pixel has a step to take.
    const int32_t last = std::max(MaxIter - Offset, 1);
    orbit.clear();
    TDeepComplex z = start;
    TDeepStepper stepper(bits);
    for (int32_t k = 0;; ++k) {
      const TC point{ToReal<T>(z.Re), ToReal<T>(z.Im)};
      orbit.push_back(point);
      if (k >= last || Modulus2(point) > Bailout) break;
      if (k % kStopCheckPeriod == 0 && StopRequested(stop)) return false;
      stepper.Step(z, c, Power);
    }
    return true;
  }

  const std::vector<TC>& RebaseOrbit() const { return Julia ? Critical : Primary; }

  // The series of dz in u = offset / Scale, stepped along the reference
  // while it matches probes on the image border iterated one by one; the
  // pixels start from its value at the last index where it matched and no
  // pixel could have escaped or needed a rebase before.
  template <int D>
  void FitSeries(int32_t columns, int32_t rows) {
    const T cx = CentreColumn, cy = CentreRow;
    const T probeColumns[] = {0, cx, T(columns - 1)};
    const T probeRows[] = {0, cy, T(rows - 1)};
    std::vector<TC> probeU, probeDz;
    for (T px : probeColumns)
      for (T py : probeRows)
        if (px != cx || py != cy) probeU.push_back({(px - cx) * Step / Scale, (cy - py) * Step / Scale});
    TSeries<T> series{};
    if (Julia) series[0] = {Scale, 0};
    for (const TC& u : probeU) probeDz.push_back(Julia ? u * Scale : TC{});
    const TC dcUnit = Julia ? TC{} : TC{Scale, 0};

    Skip = 0;
    Series = series;
    const int32_t limit = std::min<int32_t>(int32_t(Primary.size()) - 1, MaxIter - Offset);
    for (int32_t k = 0;; ++k) {
      T largest = 0;
      for (size_t i = 0; i < probeU.size(); ++i) {
        const T m = Modulus(probeDz[i]);
        if (Modulus(EvaluateSeries(series, probeU[i]) - probeDz[i]) > kSeriesTolerance * m) return;
        largest = std::max(largest, m);
      }
      Skip = k;
      Series = series;
      // Past index k a pixel could escape or come close to 0 unseen. The
      // largest difference lies on the border (the series is analytic);
      // twice the largest probe allows for the border between probes.
      const TC Z = Primary[size_t(k)];
      const T reach = Modulus(Z) + 2 * largest;
      if (k >= limit || reach * reach > Bailout || 4 * largest > Modulus(Z)) return;
      // (Z + P)^D - Z^D + dc = sum of C(D, j) Z^(D-j) P^j + dc.
      TSeries<T> next{};
      TSeries<T> power = series;
      std::array<TC, D + 1> zp;
      zp[0] = {1, 0};
      for (int j = 1; j <= D; ++j) zp[size_t(j)] = zp[size_t(j - 1)] * Z;
      for (int j = 1; j <= D; ++j) {
        const TC factor = T(Binomial(D, j)) * zp[size_t(D - j)];
        for (int t = 0; t < kSeriesTerms; ++t) next[size_t(t)] = next[size_t(t)] + factor * power[size_t(t)];
        if (j < D) power = Product(power, series);
      }
      next[0] = next[0] + dcUnit;
      series = next;
      for (size_t i = 0; i < probeU.size(); ++i)
        probeDz[i] = PowerDifference<D>(Z, probeDz[i]) + (Julia ? TC{} : probeU[i] * Scale);
    }
  }

  int32_t Run(TC offset, int32_t end, bool useSeries, TOrbitTail* tail) const {
    return WithPower(Power, [&](auto power) {
      constexpr int D = decltype(power)::value;
      return tail ? Iterate<D, true>(offset, end, useSeries, tail) : Iterate<D, false>(offset, end, useSeries, tail);
    });
  }

  // The kernel's escape iteration for the pixel at `offset` from the centre:
  // index k of the orbit (z0 = 0 in normal mode, the pixel in Julia mode) is
  // tested at kernel iteration k + Offset, up to index `end`. No pixel
  // escapes before the series' index.
  template <int D, bool Tail>
  int32_t Iterate(TC offset, int32_t end, bool useSeries, TOrbitTail* tail) const {
    const TC dc = Julia ? TC{} : offset;
    int32_t k = 0;
    TC dz = Julia ? offset : TC{};
    if (useSeries && Skip > 0) {
      if (Skip > end) return 0;
      k = Skip;
      dz = EvaluateSeries(Series, TC{offset.re / Scale, offset.im / Scale});
    }
    const TC* ref = Primary.data();
    int32_t last = int32_t(Primary.size()) - 1;
    int32_t m = k;
    for (; k <= end; ++k) {
      TC Z = ref[m];
      const TC z = Z + dz;
      const T r2 = Modulus2(z);
      if constexpr (Tail) {
        tail->X[2] = tail->X[1];
        tail->Y[2] = tail->Y[1];
        tail->X[1] = tail->X[0];
        tail->Y[1] = tail->Y[0];
        tail->X[0] = double(z.re);
        tail->Y[0] = double(z.im);
      }
      if (r2 > Bailout) return k + Offset;
      if (r2 < Modulus2(dz) || m == last) {
        const std::vector<TC>& base = RebaseOrbit();
        ref = base.data();
        last = int32_t(base.size()) - 1;
        m = 0;
        Z = ref[0];
        dz = z;
      }
      dz = PowerDifference<D>(Z, dz) + dc;
      ++m;
    }
    return 0;
  }

  int Power = 2;
  bool Julia = false;
  bool Smoothing = false;
  int32_t Offset = 0;
  int32_t MaxIter = 0;
  T Bailout = 0;
  T Step = 0, Scale = 1;
  T CentreColumn = 0, CentreRow = 0;
  double CentreX = 0, CentreY = 0;
  std::vector<TC> Primary, Critical;
  TSeries<T> Series{};
};

template <class T>
std::unique_ptr<TPerturbation::TImpl> Prepared(const TFormulaContext& ctx, const TDeepWindow& window, int32_t width,
                                               int32_t columns, int32_t rows, const std::atomic<bool>* stop) {
  auto impl = std::make_unique<TPerturbationOf<T>>();
  if (!impl->Prepare(ctx, window, width, columns, rows, stop)) return nullptr;
  return impl;
}

}  // namespace

TPerturbation::TPerturbation() = default;
TPerturbation::~TPerturbation() = default;

bool TPerturbation::Prepare(const TFormulaContext& ctx, const TDeepWindow& window, int32_t width, int32_t columns,
                            int32_t rows, const std::atomic<bool>* stop) {
  Impl.reset();
  if (!PerturbationServes(ctx) || width < 2 || columns < 1 || rows < 1 || window.W.IsZero()) return false;
  const long stepExponent = DeepStepExponent(window.W, width - 1);
  if (stepExponent < kExtendedStepExponent) return false;
  Impl = stepExponent >= kDoubleStepExponent ? Prepared<double>(ctx, window, width, columns, rows, stop)
                                             : Prepared<Extended>(ctx, window, width, columns, rows, stop);
  return Impl != nullptr;
}

TPixelChannels TPerturbation::Evaluate(TFormulaContext* ctx, int32_t px, int32_t py) const {
  // A fault flag left by the thread's earlier work would zero this pixel;
  // clearing is far dearer than testing, so clear only when set.
  if (FaultPending()) ClearFaults();
  return Impl ? Impl->Evaluate(ctx, px, py) : TPixelChannels{};
}

int32_t TPerturbation::SkippedIterations() const { return Impl ? Impl->Skip : 0; }
