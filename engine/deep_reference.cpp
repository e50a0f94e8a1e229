#include "engine/deep_reference.h"

#include <algorithm>

namespace {

// How many reference iterations pass between looks at the stop request.
constexpr int32_t kStopCheckPeriod = 64;

constexpr mpfr_prec_t kReferenceGuardBits = 32;

bool StopRequested(const TReferenceWatch& watch) { return watch.Stop && watch.Stop->load(); }

// The orbit of `start` under z -> z^power + c up to index `last` or its first
// point past the bailout; false when stopped.
bool ComputeOrbit(const TDeepComplex& start, const TDeepComplex& c, int power, int32_t last, Extended bailout,
                  const TReferenceWatch& watch, std::vector<TCxOf<double>>& orbit) {
  orbit.clear();
  TDeepComplex z = start;
  TDeepStepper stepper(z.Re.Bits());
  int64_t reported = 0;
  for (int32_t k = 0;; ++k) {
    const TCxOf<double> point{z.Re.ToDouble(), z.Im.ToDouble()};
    orbit.push_back(point);
    if (k >= last || Modulus2(point) > bailout) break;
    if (k % kStopCheckPeriod == 0) {
      if (StopRequested(watch)) return false;
      if (watch.Done) watch.Done->fetch_add(k - reported);
      reported = k;
    }
    stepper.Step(z, c, power);
  }
  // An orbit that escapes early counts as done in full.
  if (watch.Done) watch.Done->fetch_add(last - reported);
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

bool TDeepReference::Serves(const TFormulaContext& ctx, mpfr_prec_t bits, int32_t limit) const {
  return Power == DeepPower(ctx.Number) && Julia == ctx.JulieSet && BailOut == ctx.BailOut &&
         (!Julia || (PJ.re == ctx.PJ.re && PJ.im == ctx.PJ.im)) && X.Bits() >= bits &&
         (limit <= Limit || int32_t(Primary.size()) - 1 < Limit);
}

mpfr_prec_t DeepReferenceBits(const TDeepWindow& window, int32_t width) {
  return DeepBitsFor(window, width) + kReferenceGuardBits;
}

std::shared_ptr<const TDeepReference> ComputeDeepReference(const TFormulaContext& ctx, const TDeepReal& x,
                                                           const TDeepReal& y, int32_t limit,
                                                           const TReferenceWatch& watch) {
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
  if (ref->Julia) {
    if (!ComputeOrbit(point, julia, ref->Power, ref->Limit, ctx.BailOut, watch, ref->Primary)) return nullptr;
    if (!ComputeOrbit(zero, julia, ref->Power, ref->Limit, ctx.BailOut, watch, ref->Critical)) return nullptr;
  } else if (!ComputeOrbit(zero, point, ref->Power, ref->Limit, ctx.BailOut, watch, ref->Primary)) {
    return nullptr;
  }
  return ref;
}
