// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The reference orbits of a deep render: computed once in arbitrary
// precision at one point and kept in doubles, they serve every pixel of every
// view that shares the point, its formula and its precision.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "engine/deep_real.h"
#include "engine/float_exp.h"
#include "formulas/complex_ext.h"
#include "formulas/formula_context.h"

// A complex number in arbitrary precision.
struct TDeepComplex {
  TDeepReal Re, Im;
  explicit TDeepComplex(mpfr_prec_t bits) : Re(bits), Im(bits) {}
};

// Steps z = z^power + c for the powers of formulas 0..4 (2, 3, 4, 5, 8).
class TDeepStepper {
 public:
  explicit TDeepStepper(mpfr_prec_t bits) : A(bits), B(bits), C(bits) {}
  void Step(TDeepComplex& z, const TDeepComplex& c, int power);

 private:
  void Square(TDeepComplex& z);
  void Multiply(TDeepComplex& z, const TDeepComplex& w);
  TDeepReal A, B, C;
};

// The value with its full exponent.
TFloatExp FloatExpOf(const TDeepReal& v);

// The power of formulas 0..4.
int DeepPower(int32_t formula);

// What the caller of a long reference computation watches: a stop request
// (checked often) and the iterations done of those to do.
struct TReferenceWatch {
  const std::atomic<bool>* Stop = nullptr;
  std::atomic<int64_t>* Done = nullptr;
  std::atomic<int64_t>* Total = nullptr;
  // Called on the computing thread each time Done has grown.
  std::function<void()> Progressed;
};

struct TDeepReference {
  int Power = 2;
  bool Julia = false;
  TComplexExt PJ{0, 0};
  // The point the orbits start from: c in normal mode, z0 in Julia mode.
  TDeepReal X, Y;
  // The orbits end at the first index past the bailout, at Limit, or where
  // the primary orbit comes closer to 0 than a pixel step carried along it:
  // every pixel rebases there, so the orbit need go no further (the
  // reference of a minibrot's nucleus ends after one period).
  int32_t Limit = 0;
  Extended BailOut = 0;
  // Normal mode: the orbit of 0 under c. Julia mode: the point's orbit under
  // the Julia point, and the orbit of 0 (the critical orbit) that rebased
  // pixels follow.
  std::vector<TCxOf<double>> Primary, Critical;
  // The points of each orbit near or below the double range (|Z| < 2^-500,
  // not 0) by index: a pixel whose difference is as small needs them exactly.
  std::vector<std::pair<int32_t, TFloatExpCx>> PrimaryTiny, CriticalTiny;

  // The orbits a pixel rebases to.
  const std::vector<TCxOf<double>>& RebaseOrbit() const { return Julia ? Critical : Primary; }
  // Point m of `orbit` (Primary or Critical) with its full exponent.
  TCxOf<TFloatExp> ExactPoint(const std::vector<TCxOf<double>>& orbit, int32_t m) const;
  // Whether this reference serves a render of `ctx` whose point needs `bits`
  // and whose pixels test orbit indices up to `limit`.
  bool Serves(const TFormulaContext& ctx, mpfr_prec_t bits, int32_t limit) const;
};

// A reference computed once, on first use, by whichever render needs it
// first, with that render's stop request and progress: the frames of a
// flight share one, and no window waits for it.
class TSharedDeepReference {
 public:
  TSharedDeepReference(const TFormulaContext& ctx, const TDeepReal& x, const TDeepReal& y, int32_t limit,
                       TFloatExp pixelStep)
      : Ctx(ctx), X(x), Y(y), Limit(limit), PixelStep(pixelStep) {}
  // The reference; null when its computation was stopped (a later call
  // starts over).
  std::shared_ptr<const TDeepReference> Get(const TReferenceWatch& watch);

 private:
  const TFormulaContext Ctx;
  const TDeepReal X, Y;
  const int32_t Limit;
  const TFloatExp PixelStep;
  std::mutex Lock;
  std::shared_ptr<const TDeepReference> Done;
};

// The bits a deep render computes the reference point of a view `width`
// pixels wide at: rounding errors of the orbit grow as fast as pixel offsets
// do, so guard bits beyond the view's own keep them well below a pixel.
mpfr_prec_t DeepReferenceBits(const TDeepWindow& window, int32_t width);

// The pixel step of a deep render of `window`, `width` pixels wide, and the
// centre of its columns x rows image, where its reference orbits start; at
// DeepReferenceBits.
struct TDeepImageCentre {
  TDeepReal Step, X, Y;
};
TDeepImageCentre DeepImageCentre(const TDeepWindow& window, int32_t width, int32_t columns, int32_t rows);

// The reference orbits of (x, y) for `ctx`, whose pixels test indices up to
// `limit` and lie `pixelStep` apart (0: the orbit does not end early); null
// when the watch's stop request turned true.
std::shared_ptr<const TDeepReference> ComputeDeepReference(const TFormulaContext& ctx, const TDeepReal& x,
                                                           const TDeepReal& y, int32_t limit,
                                                           const TReferenceWatch& watch = {},
                                                           TFloatExp pixelStep = {});
