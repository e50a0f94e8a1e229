// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The common scaffolding of the escape-time kernels: start point, constant,
// exit tests and fault handling. A kernel supplies its step as a callable that
// advances z in place; everything else is shared here.

#include <cfenv>
#include <cmath>
#include <cstdint>
#include <type_traits>

#if defined(__SSE2__)
#include <xmmintrin.h>
#endif

#include "formulas/complex_ext.h"
#include "formulas/filters.h"
#include "formulas/formula_context.h"

// Floating-point faults that spoil a pixel (underflow and inexact do not).
constexpr int kFaultFlags = FE_OVERFLOW | FE_DIVBYZERO | FE_INVALID;

inline bool FaultPending() { return std::fetestexcept(kFaultFlags) != 0; }
inline void ClearFaults() { std::feclearexcept(kFaultFlags); }

// The compiler does not order floating-point arithmetic against the flag
// tests: a value needed only when no fault is pending may be computed after
// FaultPending() looked. FpSettle makes the given values exist (and their
// faults be raised) before the statements that follow it.
template <class T>
inline void FpSettleOne(const T& v) {
  asm volatile("" : : "m"(v) : "memory");
}
template <class... T>
inline void FpSettle(const T&... v) {
  (FpSettleOne(v), ...);
}

// Tolerances of the convergence exits.
constexpr Extended kTightTolerance = 1e-11L;
constexpr Extended kLooseTolerance = 0.001L;

// How a kernel leaves its loop.
enum class TExit {
  Bailout,             // x^2 + y^2 > bailout, plus the F-Set exit when it is on
  Converge,            // Newton kernels: no bailout, always the convergence exit
  BailoutAndConverge,  // bailout test, then always the convergence exit
};

// Steps 1 and 2 of the common kernel: z0 from the pixel (inverted in the unit
// circle when asked) and c (the Julia point in Julia mode, else z0).
struct TKernelStart {
  double zx, zy;  // z0
  double cx, cy;  // c
};

inline void InvertPoint(double& x, double& y) {
  const Extended d = Extended(x) * x + Extended(y) * y + 1e-10L;
  x = double(x / d);
  y = double(y / d);
}

inline TKernelStart CommonStart(const TFormulaContext* ctx, double x, double y, bool honoursJulia = true) {
  TKernelStart s{x, y, 0, 0};
  if (ctx->Inverted) InvertPoint(s.zx, s.zy);
  if (honoursJulia && ctx->JulieSet) {
    s.cx = double(ctx->PJ.re);
    s.cy = double(ctx->PJ.im);
  } else {
    s.cx = s.zx;
    s.cy = s.zy;
  }
  return s;
}

// The bailout of the context, widened for the extended-precision comparison.
inline Extended ContextBailout(const TFormulaContext* ctx) { return Extended(ctx->BailOut); }

template <class R = Extended>
inline TCxOf<R> ToCx(double x, double y) {
  return {x, y};
}
template <class R = Extended>
inline TCxOf<R> ToCx(const TComplexExt& c) {
  return {R(c.re), R(c.im)};
}

namespace kernel_detail {

// The bailout test squares z. In extended precision no double z can overflow
// it; in doubles a z beyond about 1e154 does (mostly the z that escapes), and
// the overflow would spoil the pixel where the exact path sees a plain escape.
// When the squares overflowed from a finite z, the overflow is the test's own
// (a step that overflows leaves z infinite or NaN) and is taken back. Only
// the SSE flag is cleared: an x87 fault of a filter stays pending.
inline void ForgiveSquareOverflow(double m, double zx, double zy) {
  if (!(std::isinf(m) && std::isfinite(zx) && std::isfinite(zy))) return;
#if defined(__SSE2__)
  _mm_setcsr(_mm_getcsr() & ~_MM_EXCEPT_OVERFLOW);
#else
  std::feclearexcept(FE_OVERFLOW);
#endif
}

// Whether the orbit ends at this point: it left the bailout, or (a converging
// kernel, or F-Set) it stood still since the last point, which then moves on.
template <class R, TExit Exit, bool FSet, class Real>
inline bool ExitReached(Real zx, Real zy, Real& ox, Real& oy, R bailout, R tol) {
  if constexpr (Exit != TExit::Converge) {
    const R m = R(zx) * zx + R(zy) * zy;
    if (m > bailout) {
      if constexpr (std::is_same_v<R, double>) ForgiveSquareOverflow(m, zx, zy);
      return true;
    }
  }
  if constexpr (Exit != TExit::Bailout || FSet) {
    const R dx = R(zx) - ox, dy = R(zy) - oy;
    if (dx * dx + dy * dy < tol) return true;
    ox = zx;
    oy = zy;
  }
  return false;
}

template <class R, TExit Exit, bool Guarded, bool Trace, bool FSet, class Real, class Step>
int32_t Loop(TFormulaContext* ctx, double px, double py, Real zx, Real zy, R bailout, R tol, Step& step) {
  const int32_t maxIter = ctx->MaxIter;
  Real ox = Real(1e12), oy = 0;
  for (int32_t n = 1; n <= maxIter; ++n) {
    if constexpr (Trace) {
      TraceFilters(n, ctx, double(zx), double(zy), px, py);
      // A filter fault is not the step's: leave it pending for the caller.
      if constexpr (Guarded)
        if (FaultPending()) return 0;
    }
    if (ExitReached<R, Exit, FSet>(zx, zy, ox, oy, bailout, tol)) return n;
    step(zx, zy);
    if constexpr (Guarded) {
      FpSettle(zx, zy, step);  // the step's state too: c and memories it updated
      if (FaultPending()) {
        ClearFaults();
        return n;
      }
    }
  }
  return 0;
}

}  // namespace kernel_detail

// Runs the common loop (step 5) from z0 = (zx, zy). `bailout` is the escape
// limit (the context's or a kernel's fixed one), `tol` the F-Set or
// convergence tolerance, `fsetAllowed` false for kernels without an F-Set exit.
// Guarded kernels absorb a fault of their step: it ends the loop at the current
// iteration. In unguarded kernels a fault stays pending in the floating-point
// flags, and the pixel evaluation turns the pixel into value 0.
// R is the intermediate type of the exit tests, Real the type z is stored in.
template <class R, TExit Exit, bool Guarded, class Real, class Step>
int32_t RunKernel(TFormulaContext* ctx, double px, double py, Real zx, Real zy, R bailout, R tol, bool fsetAllowed,
                  Step step) {
  using namespace kernel_detail;
  if (ctx->MaxIter < 1) return 0;
  // A fault while preparing the loop is not guarded: the pixel is lost anyway.
  // The start point and the step's captured values are settled first.
  if constexpr (Guarded) {
    FpSettle(zx, zy, step);
    if (FaultPending()) return 0;
  }
  const bool trace = FiltersActive(ctx);
  const bool fset = fsetAllowed && ctx->FSet;
  if (trace) {
    if (fset) return Loop<R, Exit, Guarded, true, true>(ctx, px, py, zx, zy, bailout, tol, step);
    return Loop<R, Exit, Guarded, true, false>(ctx, px, py, zx, zy, bailout, tol, step);
  }
  if (fset) return Loop<R, Exit, Guarded, false, true>(ctx, px, py, zx, zy, bailout, tol, step);
  return Loop<R, Exit, Guarded, false, false>(ctx, px, py, zx, zy, bailout, tol, step);
}

// Instantiates a kernel for both intermediate types: Extended (the exact
// path) and double (fast arithmetic).
#define PX_INSTANTIATE_KERNEL(name)                                  \
  template int32_t name<Extended>(TFormulaContext*, double, double); \
  template int32_t name<double>(TFormulaContext*, double, double)
