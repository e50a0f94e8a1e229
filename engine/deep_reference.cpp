// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/deep_reference.h"

#include <algorithm>

namespace {

// How many reference iterations pass between looks at the stop request.
constexpr int32_t kStopCheckPeriod = 64;

constexpr mpfr_prec_t kReferenceGuardBits = 32;

bool StopRequested(const TReferenceWatch& watch) { return watch.Stop && watch.Stop->load(); }

void AddDone(const TReferenceWatch& watch, int64_t iterations) {
  if (!watch.Done) return;
  watch.Done->fetch_add(iterations);
  if (watch.Progressed) watch.Progressed();
}

// How a pixel offset from the orbit's start grows along it: the derivative of
// z_n by c in normal mode (B' = D Z^(D-1) B + 1 from 0), by z0 in Julia mode
// (A' = D Z^(D-1) A from 1). The orbit may end where |Z| falls below a pixel
// step carried so far.
struct TOrbitEnd {
  TCxOf<TFloatExp> Growth;
  TFloatExp Step2;  // the squared pixel step; 0 when the orbit never ends early
  bool Julia = false;

  bool Reached(TCxOf<double> Z, int32_t k) const {
    return k > 0 && Step2.M != 0 && TFloatExp(Modulus2(Z)) < Modulus2(Growth) * Step2;
  }
  void Advance(TCxOf<double> Z, int power) {
    if (Step2.M == 0) return;
    TCxOf<double> a{double(power), 0};
    for (int j = 1; j < power; ++j) a = a * Z;
    Growth = TCxOf<TFloatExp>{TFloatExp(a.re), TFloatExp(a.im)} * Growth;
    if (!Julia) Growth.re = Growth.re + TFloatExp(1);
  }
};

// The orbit of `start` under z -> z^power + c up to index `last`, its first
// point past the bailout or the index where `end` is reached; false when
// stopped.
bool ComputeOrbit(const TDeepComplex& start, const TDeepComplex& c, int power, int32_t last, Extended bailout,
                  const TReferenceWatch& watch, TOrbitEnd end, std::vector<TCxOf<double>>& orbit,
                  std::vector<std::pair<int32_t, TFloatExpCx>>& tiny) {
  orbit.clear();
  tiny.clear();
  TDeepComplex z = start;
  TDeepStepper stepper(z.Re.Bits());
  int64_t reported = 0;
  for (int32_t k = 0;; ++k) {
    const TCxOf<double> point{z.Re.ToDouble(), z.Im.ToDouble()};
    orbit.push_back(point);
    if (Modulus2(point) < kTinyPoint2 && !(mpfr_zero_p(z.Re.Get()) && mpfr_zero_p(z.Im.Get())))
      tiny.emplace_back(k, Compact({FloatExpOf(z.Re), FloatExpOf(z.Im)}));
    if (k >= last || Modulus2(point) > bailout || end.Reached(point, k)) break;
    end.Advance(point, power);
    if (k % kStopCheckPeriod == 0) {
      if (StopRequested(watch)) return false;
      AddDone(watch, k - reported);
      reported = k;
    }
    stepper.Step(z, c, power);
  }
  // An orbit that escapes early counts as done in full.
  AddDone(watch, last - reported);
  return true;
}

}  // namespace

void TDeepStepper::Step(TDeepComplex& z, const TDeepComplex& c, int power) {
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

void TDeepStepper::Square(TDeepComplex& z) {
  mpfr_sqr(A.Get(), z.Re.Get(), MPFR_RNDN);
  mpfr_sqr(B.Get(), z.Im.Get(), MPFR_RNDN);
  mpfr_mul(C.Get(), z.Re.Get(), z.Im.Get(), MPFR_RNDN);
  mpfr_sub(z.Re.Get(), A.Get(), B.Get(), MPFR_RNDN);
  mpfr_mul_2ui(z.Im.Get(), C.Get(), 1, MPFR_RNDN);
}

void TDeepStepper::Multiply(TDeepComplex& z, const TDeepComplex& w) {
  mpfr_mul(A.Get(), z.Re.Get(), w.Re.Get(), MPFR_RNDN);
  mpfr_mul(B.Get(), z.Im.Get(), w.Im.Get(), MPFR_RNDN);
  mpfr_mul(C.Get(), z.Re.Get(), w.Im.Get(), MPFR_RNDN);
  mpfr_mul(z.Im.Get(), z.Im.Get(), w.Re.Get(), MPFR_RNDN);
  mpfr_add(z.Im.Get(), z.Im.Get(), C.Get(), MPFR_RNDN);
  mpfr_sub(z.Re.Get(), A.Get(), B.Get(), MPFR_RNDN);
}

int DeepPower(int32_t formula) {
  constexpr int kPowers[] = {2, 3, 4, 5, 8};
  return kPowers[std::clamp<int32_t>(formula, 0, 4)];
}

TFloatExp FloatExpOf(const TDeepReal& v) {
  long e = 0;
  const double m = mpfr_get_d_2exp(&e, v.Get(), MPFR_RNDN);
  return TFloatExp(m, e);
}

TCxOf<TFloatExp> TDeepReference::ExactPoint(const std::vector<TCxOf<double>>& orbit, int32_t m) const {
  const auto& tiny = &orbit == &Critical ? CriticalTiny : PrimaryTiny;
  const auto found = std::lower_bound(tiny.begin(), tiny.end(), m, [](const auto& p, int32_t i) { return p.first < i; });
  if (found != tiny.end() && found->first == m) return Expanded(found->second);
  const TCxOf<double> z = orbit[size_t(m)];
  return {TFloatExp(z.re), TFloatExp(z.im)};
}

bool TDeepReference::Serves(const TFormulaContext& ctx, mpfr_prec_t bits, int32_t limit) const {
  return Power == DeepPower(ctx.Number) && Julia == ctx.JulieSet && BailOut == ctx.BailOut &&
         (!Julia || (PJ.re == ctx.PJ.re && PJ.im == ctx.PJ.im)) && X.Bits() >= bits &&
         (limit <= Limit || int32_t(Primary.size()) - 1 < Limit);
}

mpfr_prec_t DeepReferenceBits(const TDeepWindow& window, int32_t width) {
  return DeepBitsFor(window, width) + kReferenceGuardBits;
}

TDeepImageCentre DeepImageCentre(const TDeepWindow& window, int32_t width, int32_t columns, int32_t rows) {
  const mpfr_prec_t bits = DeepReferenceBits(window, width);
  TDeepReal step = window.W / TDeepReal(Extended(width - 1), bits);
  step.SetBits(bits);
  TDeepReal x = window.X + step * TDeepReal(Extended(columns - 1) / 2, bits);
  TDeepReal y = window.Y - step * TDeepReal(Extended(rows - 1) / 2, bits);
  return {std::move(step), std::move(x), std::move(y)};
}

std::shared_ptr<const TDeepReference> ComputeDeepReference(const TFormulaContext& ctx, const TDeepReal& x,
                                                           const TDeepReal& y, int32_t limit,
                                                           const TReferenceWatch& watch, TFloatExp pixelStep) {
  auto ref = std::make_shared<TDeepReference>();
  ref->Power = DeepPower(ctx.Number);
  ref->Julia = ctx.JulieSet;
  ref->PJ = ctx.PJ;
  ref->X = x;
  ref->Y = y;
  // The orbit of 0 always holds index 1, so that a rebased pixel has a step
  // to take.
  ref->Limit = std::max(limit, 1);
  ref->BailOut = ctx.BailOut;
  const mpfr_prec_t bits = x.Bits();
  TDeepComplex point(bits), zero(bits), julia(bits);
  point.Re = x;
  point.Im = y;
  mpfr_set_ld(julia.Re.Get(), ctx.PJ.re, MPFR_RNDN);
  mpfr_set_ld(julia.Im.Get(), ctx.PJ.im, MPFR_RNDN);
  if (watch.Total) watch.Total->store(int64_t(ref->Limit) * (ref->Julia ? 2 : 1));
  TOrbitEnd end{{TFloatExp(ref->Julia ? 1 : 0), TFloatExp()}, pixelStep * pixelStep, ref->Julia};
  if (ref->Julia) {
    if (!ComputeOrbit(point, julia, ref->Power, ref->Limit, ctx.BailOut, watch, end, ref->Primary, ref->PrimaryTiny))
      return nullptr;
    if (!ComputeOrbit(zero, julia, ref->Power, ref->Limit, ctx.BailOut, watch, {}, ref->Critical, ref->CriticalTiny))
      return nullptr;
  } else if (!ComputeOrbit(zero, point, ref->Power, ref->Limit, ctx.BailOut, watch, end, ref->Primary,
                           ref->PrimaryTiny)) {
    return nullptr;
  }
  return ref;
}

std::shared_ptr<const TDeepReference> TSharedDeepReference::Get(const TReferenceWatch& watch) {
  std::lock_guard<std::mutex> guard(Lock);
  if (!Done) Done = ComputeDeepReference(Ctx, X, Y, Limit, watch, PixelStep);
  return Done;
}
